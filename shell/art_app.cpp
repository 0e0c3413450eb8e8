#include "shell/art_app.h"

#include "core/backup_store.h"
#include "shell/main_frame.h"

#include <QApplication>
#include <QScreen>
#include <QStyleFactory>

#include <cstdio>

int CArtApp::Run(int& argc, char** argv)
{
    // The write-fault filter goes in before anything else, so no store page
    // can be written before the filter can serve the fault.
    try {
        BackupInstallFaultFilter();
    } catch (const CBackupError& e) {
        std::fprintf(stderr, "glyphwright: %s\n", e.what());
        return 1;
    }

    QApplication app(argc, argv);
    ConfigureApplication();

    CMainFrame frame;
    // The size the window returns to from maximised, and the size it keeps
    // where no window manager maximises it.
    if (const QScreen* pScreen = QGuiApplication::primaryScreen()) {
        frame.resize(pScreen->availableGeometry().size() * 3 / 4);
    }
    frame.showMaximized();
    return QApplication::exec();
}

void CArtApp::ConfigureApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QCoreApplication::setApplicationName(QStringLiteral("Glyphwright"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}
