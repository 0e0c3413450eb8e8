// The main window as the program starts: its title, its bars, and the
// application settings that decide where QSettings keeps its values.
#include "shell/art_app.h"
#include "shell/main_frame.h"

#include <QApplication>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QtTest>

class CMainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Settings must land in the private test HOME, never the user's.
        QVERIFY2(qEnvironmentVariable("XDG_CONFIG_HOME").contains(QStringLiteral("test-home")),
                 "run through ctest, which points XDG_CONFIG_HOME at a test folder");
        CArtApp::ConfigureApplication();
    }

    void newWindowIsUntitledWithStatusBar()
    {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));

        QCOMPARE(frame.windowTitle(), QStringLiteral("Untitled - Glyphwright"));
        QVERIFY(frame.centralWidget() != nullptr);
        QStatusBar* pBar = frame.findChild<QStatusBar*>();
        QVERIFY(pBar != nullptr);
        QCOMPARE(frame.statusBar(), pBar); // the frame's own bar, not a stray one
        QVERIFY(pBar->isVisible());
    }

    void applicationNamesPlaceSettings()
    {
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Quillmark"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Glyphwright"));
        QSettings settings;
        QVERIFY2(settings.fileName().endsWith(QStringLiteral("/Quillmark/Glyphwright.conf")),
                 qPrintable(settings.fileName()));
        QVERIFY(settings.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    }

    void styleIsFusion() { QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion")); }
};

QTEST_MAIN(CMainFrameTest)
#include "main_frame_test.moc"
