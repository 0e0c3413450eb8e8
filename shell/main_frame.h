// The main window: the frame that will hold the canvas, the panes, the
// toolbars and the status bar of one open document.
#pragma once

#include <QMainWindow>

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* pParent = nullptr);
};
