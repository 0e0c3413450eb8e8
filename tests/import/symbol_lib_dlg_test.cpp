// The symbol library dialog: the groups and pieces it offers from the shipped
// and the user's library, the preview's CR LF lines, what a failed load
// leaves, and the library shipped beside the program.
#include "tests/panes/qt_test_main.h"
#include "import/symbol_lib_dlg.h"
#include "ui/app_folders.h"

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>

namespace {

QString UserLib()
{
    return UserDataFolder(QStringLiteral("SLib"));
}

void WriteFile(const QString& strPath, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(strPath).absolutePath());
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
}

void Pick(CSymbolLibDlg& dlg, const QString& strGroup, const QString& strTitle)
{
    dlg.GroupCombo()->setCurrentIndex(dlg.GroupCombo()->findText(strGroup));
    const QList<QListWidgetItem*> vItems = dlg.FileList()->findItems(strTitle, Qt::MatchExactly);
    QVERIFY2(vItems.size() == 1, qPrintable(strGroup + '/' + strTitle));
    dlg.FileList()->setCurrentItem(vItems.front());
}

} // namespace

class CSymbolLibDlgTest : public QObject {
    Q_OBJECT

private slots:
    // A private data folder: the real user's library is never touched.
    void initTestCase()
    {
        QVERIFY(m_dirHome.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dirHome.path()));
    }
    // A group merged with a shipped one, a deeper folder and a loose file
    // that must not show, and "heart" to load before the piece under test.
    void init()
    {
        m_vMessages.clear();
        QDir(UserLib()).removeRecursively();
        for (const char* pszFile : {"loose.txt", "Arrows/zz_mine.txt", "Bats/deeper/hidden.txt"})
            WriteFile(UserLib() + '/' + pszFile, "x\n");
        WriteFile(UserLib() + "/Bats/heart.txt", "<3\n");
    }

    void offersSortedMergedGroupsAndOnlyTheirOwnFiles()
    {
        CSymbolLibDlg dlg;
        QStringList v;
        for (int i = 0; i < dlg.GroupCombo()->count(); ++i)
            v << dlg.GroupCombo()->itemText(i);
        QVERIFY(std::is_sorted(v.begin(), v.end(), [](auto& a, auto& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        }));
        QVERIFY(v.count("Arrows") == 1 && v.contains("Bats") && !v.contains("loose") &&
                !v.contains("deeper"));
        QVERIFY(dlg.GroupCombo()->currentIndex() == 0 && dlg.FileList()->count() > 0);

        Pick(dlg, "Bats", "heart");
        QCOMPARE(dlg.FileList()->count(), 1); // not "deeper", nor what is in it
        // The merged group lists the shipped pieces and the user's, each telling its folder.
        dlg.GroupCombo()->setCurrentIndex(dlg.GroupCombo()->findText("Arrows"));
        QListWidgetItem* pMine = dlg.FileList()->item(dlg.FileList()->count() - 1);
        QVERIFY(dlg.FileList()->count() >= 2 && pMine->text() == "zz_mine");
        QCOMPARE(pMine->toolTip(), QDir::toNativeSeparators(UserLib() + "/Arrows"));
        QCOMPARE(dlg.FileList()->item(0)->toolTip(),
                 QDir::toNativeSeparators(AppFolderPath("SLib") + "/Arrows"));
        KeptHeart(dlg); // the group change kept the preview
    }

    void previewEndsEveryLineWithCrLf_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("preview");
        const QByteArray three("a\r\nbb\r\nccc\r\n"),
            big(CSymbolLibDlg::MAX_SYMBOL_FILE_BYTES, 'x');
        QTest::newRow("three lines") << QByteArray("a\nbb\nccc\n") << three;
        QTest::newRow("no final end") << QByteArray("a\nbb\nccc") << three;
        QTest::newRow("CR LF file") << three << three;
        QTest::newRow("empty last line") << QByteArray("a\n\n") << QByteArray("a\r\n\r\n");
        QTest::newRow("empty file") << QByteArray() << QByteArray();
        QTest::newRow("at the limit") << big << big + "\r\n";
        QTest::newRow("code page") << QByteArray("\x80\xe9") << QByteArray("\x80\xe9\r\n");
    }
    void previewEndsEveryLineWithCrLf()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, preview);
        WriteFile(UserLib() + "/Zeta/piece.txt", file);
        CSymbolLibDlg dlg;
        Pick(dlg, "Bats", "heart");
        Pick(dlg, "Zeta", "piece");
        QVERIFY(m_vMessages.isEmpty());
        QCOMPARE(QByteArray::fromStdString(dlg.PreviewText()), preview);
        // Shown one line per CR LF line, each byte as the canvas shows it.
        const QString strShown =
            QString::fromLatin1(preview).replace("\r\n", "\n").replace(u'\x80', u'\u20ac');
        QCOMPARE(dlg.Preview()->toPlainText(), strShown);
    }

    // A piece that cannot be read, or is too large, is named in a message and
    // leaves the preview as it was.
    void failedLoadTellsWhyAndKeepsThePreview_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* pszHow : {"chmod", "remove", "large"})
            QTest::newRow(pszHow) << QString::fromLatin1(pszHow);
    }
    void failedLoadTellsWhyAndKeepsThePreview()
    {
        QFETCH(QString, how);
        const QString strWhy = how == "large" ? "larger than 1 MiB" : "Cannot open";
        const QString strPiece = UserLib() + "/Zeta/piece.txt";
        WriteFile(strPiece,
                  QByteArray(how == "large" ? CSymbolLibDlg::MAX_SYMBOL_FILE_BYTES + 1 : 2, 'x'));
        if (how == "chmod" && QFile::setPermissions(strPiece, {}) &&
            QFile(strPiece).open(QIODevice::ReadOnly))
            QSKIP("running with rights that read any file");
        CSymbolLibDlg dlg;
        Pick(dlg, "Bats", "heart");
        dlg.GroupCombo()->setCurrentIndex(dlg.GroupCombo()->findText("Zeta"));
        if (how == "remove")
            QFile::remove(strPiece);
        Pick(dlg, "Zeta", "piece");
        QVERIFY2(m_vMessages.size() == 1 && m_vMessages[0].contains(strWhy) &&
                     m_vMessages[0].contains(QDir::toNativeSeparators(strPiece)),
                 qPrintable(m_vMessages.join('|')));
        KeptHeart(dlg);
    }

    void shippedLibraryHasSixGroupsOfFivePlainPieces()
    {
        const QList<CDataFile> vGroups = ListDataFolders(AppFolderPath("SLib"));
        QVERIFY2(vGroups.size() >= 6, "the library beside the program is missing or short");
        for (const CDataFile& group : vGroups) {
            const QList<CDataFile> vPieces = ListDataFiles(group.strPath);
            QVERIFY2(vPieces.size() >= 5, qPrintable(group.strTitle));
            for (const CDataFile& piece : vPieces) {
                QFile file(piece.strPath);
                const QByteArray data =
                    file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
                const bool bPlain = std::all_of(data.begin(), data.end(), [](char ch) {
                    return ch == '\n' || (ch >= 32 && ch <= 126);
                });
                QVERIFY2(bPlain && !data.trimmed().isEmpty(), qPrintable(piece.strPath));
            }
        }
    }

private:
    static void KeptHeart(const CSymbolLibDlg& dlg)
    {
        QCOMPARE(dlg.PreviewText(), std::string("<3\r\n"));
        QCOMPARE(dlg.Preview()->toPlainText(), QStringLiteral("<3\n"));
    }

    QTemporaryDir m_dirHome;
    CMessageLog m_vMessages;
};

QTEST_MAIN(CSymbolLibDlgTest)

#include "symbol_lib_dlg_test.moc"
