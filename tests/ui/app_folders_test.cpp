// Where the program looks for its data: installed under a prefix, or beside
// itself in a build tree, decided by what is on disk.
#include "ui/app_folders.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class AppFoldersTest : public QObject {
    Q_OBJECT

private slots:
    void dataFolderInstalledOrBesideTheProgram()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QDir root(tmp.path());
        struct Case {
            const char* pszMake;    // folders that exist
            const char* pszProgram; // the program's folder
            const char* pszData;    // the data folder expected
        };
        const Case cases[] = {
            // Installed: <prefix>/bin with <prefix>/share/glyphwright.
            {"usr/bin usr/share/glyphwright", "usr/bin", "usr/share/glyphwright"},
            {"opt/gw/bin opt/gw/share/glyphwright", "opt/gw/bin/", "opt/gw/share/glyphwright"},
            // A build tree: bin with no share beside it.
            {"build/bin", "build/bin", "build/bin"},
            // A share folder beside a folder not called bin is not ours.
            {"tools tools/../share/glyphwright", "tools", "tools"},
            // A file in place of the folder does not count.
            {"pkg/bin pkg/share", "pkg/bin", "pkg/bin"},
        };
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("pkg/share"))));
        QFile stray(root.filePath(QStringLiteral("pkg/share/glyphwright")));
        QVERIFY(stray.open(QIODevice::WriteOnly));
        stray.close();
        for (const Case& c : cases) {
            for (const QString& strDir : QString::fromLatin1(c.pszMake).split(u' '))
                QVERIFY(QDir().mkpath(root.filePath(strDir)));
            QCOMPARE(AppDataFolderFor(root.filePath(QString::fromLatin1(c.pszProgram))),
                     QDir::cleanPath(root.filePath(QString::fromLatin1(c.pszData))));
        }
    }
};

QTEST_GUILESS_MAIN(AppFoldersTest)
#include "app_folders_test.moc"
