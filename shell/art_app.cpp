#include "shell/art_app.h"

#include "canvas/art_view.h"
#include "core/backup_store.h"
#include "res/app_strings.h"
#include "res/command_table.h"
#include "res/resources.h"
#include "shell/desktop_registration.h"
#include "shell/load_progress.h"
#include "shell/main_frame.h"
#include "ui/app_folders.h"
#include "ui/message_box.h"

#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QScreen>
#include <QStyleFactory>

#include <csignal>
#include <cstdio>
#include <new>
#include <string_view>

namespace {

// One look on every desktop: Fusion with a light palette of our own, so a
// dark desktop theme does not turn the grey dialogs' white texts unreadable.
QPalette AppPalette()
{
    QPalette pal(QColor(0xEF, 0xEF, 0xEF));
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::AlternateBase, QColor(0xF7, 0xF7, 0xF7));
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::ButtonText, Qt::black);
    pal.setColor(QPalette::Highlight, QColor(0x31, 0x6A, 0xC5));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
    pal.setColor(QPalette::ToolTipText, Qt::black);
    pal.setColor(QPalette::Link, QColor(0x00, 0x00, 0xFF));
    // setColor above set every group, the disabled one too: dim its texts
    // again, as the dialogs do, so disabled menu items do not read as enabled.
    const QColor crDimmed(0x78, 0x78, 0x78);
    pal.setColor(QPalette::Disabled, QPalette::Text, crDimmed);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, crDimmed);
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, crDimmed);
    return pal;
}

// The event loop's guard: a store that runs out of memory, or cannot change
// a page's protection, throws out of whatever event handler was writing.
// The user is told and the program goes on with the drawing as it stands.
class CGuardedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* pReceiver, QEvent* pEvent) override
    {
        try {
            return QApplication::notify(pReceiver, pEvent);
        } catch (const CBackupError& e) {
            Report(e.what());
        } catch (const std::bad_alloc&) {
            Report("virtual alloc failed");
        }
        return false;
    }

private:
    static void Report(const char* pszWhat)
    {
        GwMessageBox(nullptr, QStringLiteral("Not enough memory to go on with this (%1).")
                                  .arg(QString::fromLatin1(*pszWhat ? pszWhat : "virtual protect failed")));
    }
};

QByteArray AppIconSvg()
{
    QFile file(QStringLiteral(":/icons/app.svg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

constexpr const char* USAGE =
    "Usage: glyphwright [OPTION | FILE.gwp]\n"
    "Draws pictures and animations in characters; opens FILE.gwp when given.\n"
    "\n"
    "Options:\n"
    "  -h, --help          show this help and exit\n"
    "  -v, --version       print the version and exit\n"
    "      --data-folders  print the folders the program reads its data from, and exit\n"
    "      --              take what follows as a file name, even if it starts with '-'\n";

void PrintDataFolders()
{
    const auto line = [](const char* pszWhat, const QString& strPath) {
        std::printf("%-13s %s\n", pszWhat, QFile::encodeName(strPath).constData());
    };
    line("help:", AppFolderPath(QString::fromLatin1(gw::IDS_HELP_FILE)));
    line("fonts:", AppFolderPath(QStringLiteral("Fonts")));
    line("symbols:", AppFolderPath(QStringLiteral("SLib")));
    line("user fonts:", UserDataFolder(QStringLiteral("Fonts")));
    line("user symbols:", UserDataFolder(QStringLiteral("SLib")));
    line("figlet fonts:", SystemFigletFolder());
}

} // namespace

int CArtApp::AnswerOption(int& argc, char** argv)
{
    if (argc < 2 || argv[1][0] != '-') {
        return -1;
    }
    const std::string_view strOption = argv[1];
    if (strOption == "--") {
        // The file name that follows is the first argument from here on.
        for (int i = 1; i + 1 < argc; ++i) {
            argv[i] = argv[i + 1];
        }
        --argc;
        return -1;
    }
    if (strOption == "-h" || strOption == "--help") {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (strOption == "-v" || strOption == "--version") {
        std::printf("Glyphwright %s\n", GW_VERSION);
        return 0;
    }
    if (strOption == "--data-folders") {
        // The folders depend on where the program is; no display is needed.
        QCoreApplication core(argc, argv);
        ConfigureNames();
        PrintDataFolders();
        return 0;
    }
    std::fprintf(stderr, "glyphwright: unknown option '%s'\n%s", argv[1], USAGE);
    return 2;
}

int CArtApp::Run(int& argc, char** argv)
{
    // A write over a file size limit must fail like a full disk, not kill
    // the program with the drawing unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    // The write-fault filter goes in before anything else, so no store page
    // can be written before the filter can serve the fault.
    try {
        BackupInstallFaultFilter();
    } catch (const CBackupError& e) {
        std::fprintf(stderr, "glyphwright: %s\n", e.what());
        return 1;
    }

    if (const int nExit = AnswerOption(argc, argv); nExit >= 0) {
        return nExit;
    }

    CGuardedApplication app(argc, argv);
    ConfigureApplication();
    RegisterWithDesktop();

    const QStringList vArgs = QCoreApplication::arguments().mid(1);

    CMainFrame frame;
    frame.setWindowIcon(gw::AppIcon());
    // The size the window returns to from maximised, and the size it keeps
    // where no window manager maximises it.
    if (const QScreen* pScreen = QGuiApplication::primaryScreen()) {
        frame.resize(pScreen->availableGeometry().size() * 3 / 4);
    }
    // The named drawing's picture is the window's first: the frame it will
    // show goes in before the window is painted, the rest of the file once
    // that is on screen. A refused file leaves the blank drawing behind its
    // message. The copies a crash left behind are offered after it, over
    // whatever drawing is open.
    const QString strPath = vArgs.isEmpty() ? QString() : vArgs.first();
    if (!strPath.isEmpty()) {
        frame.Files().ShowPictureAtStart(strPath);
    }
    frame.showMaximized();
    RunAfterFirstPaint(frame.View()->viewport(), [&frame, strPath] {
        if (!strPath.isEmpty()) {
            frame.OpenAtStart(strPath);
        }
        frame.OfferRecovery();
    });
    return QApplication::exec();
}

void CArtApp::ConfigureApplication()
{
    GwInitResources();
    ConfigureNames();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(AppPalette());
}

void CArtApp::ConfigureNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QCoreApplication::setApplicationName(QStringLiteral("Glyphwright"));
}

void CArtApp::RegisterWithDesktop()
{
    const CDesktopRegistration reg = CurrentDesktopRegistration(AppIconSvg());
    if (IsInstalledWithDesktopFiles(QCoreApplication::applicationDirPath())) {
        RemoveUserRegistration(reg);
    } else {
        RegisterFileType(reg);
    }
}
