// Registering ".gwp" with the desktop: the files land under the data home
// given, name the program, recognise the files by name and magic, and are
// left untouched when nothing changed.
#include "shell/desktop_registration.h"
#include "shell_test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QByteArray ReadAll(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class CDesktopRegistrationTest : public QObject {
    Q_OBJECT

private slots:
    void writesPackageEntryAndIcon()
    {
        QTemporaryDir dir;
        CDesktopRegistration reg{dir.path(), QStringLiteral("/opt/gw/bin/glyphwright"),
                                 QByteArray("<svg/>")};
        QVERIFY(RegisterFileType(reg, false));

        const QByteArray mime = ReadAll(dir.filePath(QStringLiteral("mime/packages/glyphwright.xml")));
        QVERIFY(mime.contains("type=\"application/x-glyphwright\""));
        QVERIFY(mime.contains("<glob pattern=\"*.gwp\"/>"));
        QVERIFY(mime.contains("offset=\"0\" value=\"GWHEADER\""));

        const QString strIcon = dir.filePath(QStringLiteral("icons/hicolor/scalable/apps/glyphwright.svg"));
        QCOMPARE(ReadAll(strIcon), QByteArray("<svg/>"));
        const QList<QByteArray> vLines =
            ReadAll(dir.filePath(QStringLiteral("applications/glyphwright.desktop"))).split('\n');
        QVERIFY(vLines.contains("[Desktop Entry]"));
        QVERIFY(vLines.contains("Exec=/opt/gw/bin/glyphwright %f"));
        QVERIFY(vLines.contains("MimeType=application/x-glyphwright;"));
        QVERIFY(vLines.contains("Categories=Graphics;"));
        QVERIFY(vLines.contains("Icon=" + strIcon.toUtf8()));
    }

    void unchangedFilesAreNotRewritten()
    {
        QTemporaryDir dir;
        CDesktopRegistration reg{dir.path(), QStringLiteral("/opt/gw/bin/glyphwright"), {}};
        QVERIFY(RegisterFileType(reg, false));
        const QString strEntry = dir.filePath(QStringLiteral("applications/glyphwright.desktop"));
        const QDateTime written = QFileInfo(strEntry).lastModified();
        QTest::qWait(20);
        QVERIFY(!RegisterFileType(reg, false));
        QCOMPARE(QFileInfo(strEntry).lastModified(), written);

        // A moved program changes the entry.
        reg.strProgram = QStringLiteral("/home/me/my tools/glyphwright");
        QVERIFY(RegisterFileType(reg, false));
        QVERIFY(ReadAll(strEntry).contains("Exec=\"/home/me/my tools/glyphwright\" %f\n"));
    }

    void unwritableDataHomeIsIgnored()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        // The data home is a file: nothing can be created below it, and
        // nothing is thrown or reported.
        CDesktopRegistration reg{blocker.fileName(), QStringLiteral("/x/glyphwright"), {}};
        QVERIFY(!RegisterFileType(reg, true));
    }

    // An installed program leaves the user's folder to the package's files,
    // and removes an older registration of its own there, nothing else.
    void installedProgramRemovesOnlyItsOwnUserRegistration()
    {
        QTemporaryDir dir;
        const QString strPrefix = dir.filePath(QStringLiteral("usr"));
        QVERIFY(QDir().mkpath(strPrefix + QStringLiteral("/bin")));
        QVERIFY(!IsInstalledWithDesktopFiles(strPrefix + QStringLiteral("/bin")));
        QVERIFY(QDir().mkpath(strPrefix + QStringLiteral("/share/applications")));
        QFile entry(strPrefix + QStringLiteral("/share/applications/") + INSTALLED_DESKTOP_ID);
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.close();
        QVERIFY(IsInstalledWithDesktopFiles(strPrefix + QStringLiteral("/bin")));
        QVERIFY(!IsInstalledWithDesktopFiles(strPrefix + QStringLiteral("/share")));

        const QString strHome = dir.filePath(QStringLiteral("home"));
        CDesktopRegistration reg{strHome, QStringLiteral("/home/u/build/bin/glyphwright"),
                                 QByteArray("<svg/>")};
        QVERIFY(RegisterFileType(reg, false));
        QVERIFY(RemoveUserRegistration(reg, false));
        for (const char* pszFile : {"mime/packages/glyphwright.xml", "applications/glyphwright.desktop",
                                    "icons/hicolor/scalable/apps/glyphwright.svg"})
            QVERIFY2(!QFile::exists(strHome + u'/' + QLatin1String(pszFile)), pszFile);
        QVERIFY(!RemoveUserRegistration(reg, false));

        // Files the user wrote under the same names stay.
        QVERIFY(RegisterFileType(reg, false));
        const QString strEntry = strHome + QStringLiteral("/applications/glyphwright.desktop");
        QFile mine(strEntry);
        QVERIFY(mine.open(QIODevice::WriteOnly | QIODevice::Truncate));
        mine.write("[Desktop Entry]\nType=Application\nName=My own\nExec=glyphwright\n");
        mine.close();
        reg.iconSvg = "<svg>another</svg>";
        QVERIFY(RemoveUserRegistration(reg, false));
        QVERIFY(QFile::exists(strEntry));
        QVERIFY(QFile::exists(strHome + QStringLiteral("/icons/hicolor/scalable/apps/glyphwright.svg")));
    }

    // The package installs the same MIME description the program writes.
    void packagedMimeFileIsTheOneWritten()
    {
        QCOMPARE(ReadAll(QStringLiteral(GW_SOURCE_DIR "/res/desktop/glyphwright.xml")), MimePackageXml());
    }
};

GW_SHELL_TEST_MAIN(CDesktopRegistrationTest)
#include "desktop_registration_test.moc"
