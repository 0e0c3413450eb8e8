// The FIGlet dialog: the fonts it lists and from where, the input box that
// only takes characters with a glyph, a fresh composition on every change, a
// damaged font that leaves the one before in force, and too large lettering;
// the remembered spacing, lines of lettering, TOIlet fonts and the gallery.
#include "tests/panes/qt_test_main.h"
#include "import/figfont_dlg.h"
#include "import/figfont_gallery.h"
#include "ui/app_folders.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QListView>
#include <QPlainTextEdit>
#include <QSettings>

namespace {

// A two-row font: "H" as given, "i", "t" and the space (dots) drawn, others empty.
QByteArray MakeFont(const char* pszH, const char* pszHeader = "flf2a$ 2 2 8 0 0")
{
    QByteArray font = QByteArray(pszHeader) + '\n';
    for (int ch = 32; ch <= 126; ++ch)
        font += ch == 'H' ? pszH : ch == 'i' ? "o$@\n|$@@\n" : ch == 't' ? "+@\n|@@\n"
                : ch == ' ' ? "..@\n..@@\n" : "@\n@@\n";
    return font;
}

void WriteFont(const QString& strName, const QByteArray& font)
{
    const QString strFolder = UserDataFolder(QStringLiteral("Fonts"));
    QDir().mkpath(strFolder);
    QFile file(strFolder + u'/' + strName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(font);
}

std::string Expected(const QByteArray& font, const char* pszText, int nSpacing)
{
    FigFont fig;
    const bool bOk = ParseFigFont(font.toStdString(), fig) == EFigLoad::OK;
    return bOk ? RenderFigText(pszText, fig, nSpacing) : "(bad font)";
}

// Types each character as a key press with that text, as a keyboard would,
// letters outside ASCII included.
void Type(QWidget* pWidget, const QString& strText)
{
    for (const QChar ch : strText) {
        const int nKey = ch.unicode() < 128 ? ch.toUpper().unicode() : int(Qt::Key_unknown);
        QKeyEvent ev(QEvent::KeyPress, nKey, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(pWidget, &ev);
    }
}

const QByteArray FONT_A = MakeFont("|_|@\n| |@@\n");
const QByteArray FONT_B = MakeFont("#  #@\n####@@\n");

} // namespace

class CFigfontDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QDir(UserDataFolder(QStringLiteral("Fonts"))).removeRecursively();
        WriteFont(QStringLiteral("b.flf"), FONT_B);
        WriteFont(QStringLiteral("a.flf"), FONT_A);
        WriteFont(QStringLiteral("notes.txt"), "not listed");
        // A TOIlet font drawing FONT_A's "H" with box lines, and a zipped one.
        WriteFont(QStringLiteral("c.tlf"), MakeFont("\u2502_\u2502@\n\u2502 \u2502@@\n",
                                                    "tlf2a$ 2 2 8 0 0"));
        WriteFont(QStringLiteral("z.tlf"), "PK\x03\x04zipped");
        QSettings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"))
            .remove(QStringLiteral("Figlet"));
        m_vMessages.clear();
    }

    void fittedAndSmushedAreRememberedAndCtrlEnterStartsALine()
    {
        {
            CFigfontDlg dlg;
            QStringList names;
            for (int n = 0; n < dlg.SpacingCombo()->count(); ++n)
                names << dlg.SpacingCombo()->itemText(n);
            QCOMPARE(names, QStringList({"0", "1", "2", "Fitted", "Smushed"}));
            dlg.SpacingCombo()->setCurrentIndex(FIG_SPACING_FONT_LAYOUT);
        }
        CFigfontDlg dlg;
        QCOMPARE(dlg.SpacingCombo()->currentText(), QStringLiteral("Smushed"));
        QTest::keyClicks(dlg.InputEdit(), QStringLiteral("Hi"));
        QTest::keyClick(dlg.InputEdit(), Qt::Key_Return); // the dialog's, not a new line
        QTest::keyClick(dlg.InputEdit(), Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(dlg.InputEdit(), QStringLiteral("tH"));
        QCOMPARE(dlg.InputEdit()->text(), QStringLiteral("Hi\ntH"));
        QCOMPARE(dlg.PreviewText(), Expected(FONT_A, "Hi\ntH", FIG_SPACING_FONT_LAYOUT));
        dlg.SpacingCombo()->setCurrentIndex(FIG_SPACING_FITTED);
        QCOMPARE(dlg.Preview()->toPlainText(), QStringLiteral("|_|o \n| || \n+|_|\n|| |\n"));
        // TOIlet fonts come after the FIGlet ones, marked; zipped ones are not listed.
        const int nToilet = dlg.FontCombo()->findText(QStringLiteral("c (TOIlet)"));
        QVERIFY(nToilet > dlg.FontCombo()->findText(QStringLiteral("b")));
        QVERIFY(dlg.FontCombo()->findText(QStringLiteral("z (TOIlet)")) < 0);
        dlg.FontCombo()->setCurrentIndex(nToilet);
        QCOMPARE(dlg.PreviewText(), Expected(FONT_A, "Hi\ntH", FIG_SPACING_FITTED));
    }

    void listsTheUsersFontsFirstAndComposesOnEveryChange()
    {
        CFigfontDlg dlg;
        QCOMPARE(dlg.FontCombo()->itemText(0), QStringLiteral("a"));
        QCOMPARE(dlg.FontCombo()->itemText(1), QStringLiteral("b"));
        QCOMPARE(dlg.FontCombo()->itemData(0, Qt::ToolTipRole).toString(),
                 QDir::toNativeSeparators(UserDataFolder(QStringLiteral("Fonts"))));
        QVERIFY(dlg.FontCombo()->findText(QStringLiteral("notes")) < 0);
        QCOMPARE(dlg.SpacingCombo()->currentText(), QStringLiteral("2"));
        QVERIFY(dlg.PreviewText().empty()); // nothing composed before a change

        // Characters without a glyph are swallowed, the space is lettered; Backspace works.
        Type(dlg.InputEdit(), QStringLiteral("Hi\u00e9 therex"));
        QTest::keyClick(dlg.InputEdit(), Qt::Key_Backspace);
        QCOMPARE(dlg.InputEdit()->text(), QStringLiteral("Hi there"));
        QCOMPARE(dlg.PreviewText(), Expected(FONT_A, "Hi there", 2));
        QCOMPARE(dlg.Preview()->toPlainText(), QStringLiteral("|_|o ..+\n| || ..|\n"));

        dlg.SpacingCombo()->setCurrentIndex(1);
        QCOMPARE(dlg.PreviewText(), Expected(FONT_A, "Hi there", 1));
        dlg.FontCombo()->setCurrentIndex(1);
        QCOMPARE(dlg.PreviewText(), Expected(FONT_B, "Hi there", 1));
        // A character pasted past the filter has no glyph and is left out.
        dlg.InputEdit()->setText(QStringLiteral("H\u00e9 i"));
        QCOMPARE(dlg.PreviewText(), Expected(FONT_B, "H i", 1));
        QVERIFY(m_vMessages.isEmpty());
    }

    void theGalleryLettersTheVisibleFontsAndPicksOne()
    {
        for (int n = 0; n < 30; ++n)
            WriteFont(QStringLiteral("f%1.flf").arg(n, 2, 10, QChar(u'0')), FONT_B);
        CFigfontDlg dlg;
        const CFigGallery& gallery = dlg.GalleryModel()->Gallery();
        QCOMPARE(dlg.GalleryModel()->rowCount(), dlg.FontCombo()->count());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTest::keyClicks(dlg.InputEdit(), QStringLiteral("Hi"));
        dlg.Gallery()->viewport()->grab(); // paints what shows
        const QModelIndex first = dlg.GalleryModel()->index(0);
        QCOMPARE(first.data().toString(), QStringLiteral("a\n|_|o \n| || "));
        QCOMPARE(first.data(Qt::ToolTipRole).toString(),
                 QDir::toNativeSeparators(UserDataFolder(QStringLiteral("Fonts/a.flf"))));
        // Only what shows is made: the list is far longer than the view.
        QVERIFY(gallery.IsRendered(0) && !gallery.IsRendered(gallery.Count() - 1));
        // Typing remakes the shown entries only.
        const std::size_t nMade = gallery.Compositions();
        QTest::keyClicks(dlg.InputEdit(), QStringLiteral("t"));
        dlg.Gallery()->viewport()->grab();
        const std::size_t nRemade = gallery.Compositions() - nMade;
        QVERIFY(nRemade > 0 && nRemade < 20 && !gallery.IsRendered(gallery.Count() - 1));
        QCOMPARE(first.data().toString(), QStringLiteral("a\n|_|o +\n| || |"));
        // Clicking an entry selects its font.
        const QRect rect = dlg.Gallery()->visualRect(dlg.GalleryModel()->index(1));
        QTest::mouseClick(dlg.Gallery()->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(dlg.FontCombo()->currentText(), QStringLiteral("b"));
        QCOMPARE(dlg.PreviewText(), Expected(FONT_B, "Hit", 2));
    }

    void aDamagedFontKeepsTheOneBeforeAndNoFontComposesNothing()
    {
        CFigfontDlg dlg;
        QTest::keyClicks(dlg.InputEdit(), QStringLiteral("H"));
        // The file is read afresh at every change.
        for (const char* pszHeader : {"flf2 2 2 8 0 0", "flf2a$ 0 2 8 0 0", "flf2a$ 257 2 8 0 0"}) {
            WriteFont(QStringLiteral("a.flf"), MakeFont("XX@\nXX@@\n", pszHeader));
            QTest::keyClicks(dlg.InputEdit(), QStringLiteral("i"));
            QCOMPARE(m_vMessages.takeFirst(), QStringLiteral("Error file head!"));
            QCOMPARE(dlg.PreviewText(), Expected(FONT_A, dlg.InputEdit()->text().toLatin1().constData(), 2));
        }
        QFile::remove(UserDataFolder(QStringLiteral("Fonts/a.flf")));
        QTest::keyClick(dlg.InputEdit(), Qt::Key_Backspace);
        QVERIFY(dlg.PreviewText().empty());
        // No font selected (none listed): nothing either, and no message.
        dlg.FontCombo()->setCurrentIndex(-1);
        QTest::keyClicks(dlg.InputEdit(), QStringLiteral("H"));
        QVERIFY(dlg.PreviewText().empty() && m_vMessages.isEmpty());
    }

    void letteringPastAMegabyteIsRefusedWithAMessage()
    {
        const QByteArray row(50000, 'H');
        WriteFont(QStringLiteral("a.flf"), MakeFont((row + "@\n" + row + "@@\n").constData()));
        CFigfontDlg dlg;
        dlg.InputEdit()->setText(QString(11, u'H')); // 1.1 MB
        QCOMPARE(m_vMessages.takeFirst(),
                 QStringLiteral("The lettering would be larger than 1 MB: shorten the text or "
                                "choose a narrower font."));
        QVERIFY(dlg.PreviewText().empty() && dlg.Preview()->toPlainText().isEmpty());
        QTest::keyClick(dlg.InputEdit(), Qt::Key_Backspace);
        QCOMPARE(dlg.PreviewText().size(), std::size_t{2 * (10 * 50000 + 2)});
        QVERIFY(m_vMessages.isEmpty());
    }

private:
    CMessageLog m_vMessages;
};

GW_QT_TEST_MAIN(CFigfontDlgTest)

#include "figfont_dlg_test.moc"
