#include "shell/main_frame.h"

#include <QStatusBar>
#include <QWidget>

CMainFrame::CMainFrame(QWidget* pParent) : QMainWindow(pParent)
{
    setCentralWidget(new QWidget(this));
    setWindowTitle(QStringLiteral("Untitled - Glyphwright"));
    statusBar(); // QMainWindow creates the bar on first request
}
