// The FIGlet and symbol library commands of the main window: what the dialog
// composed lands on the canvas as a floating block at the top-left corner,
// one row taller than the text (its last line ends with CR LF), and Cancel
// places nothing.
#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "import/figfont_dlg.h"
#include "import/symbol_lib_dlg.h"
#include "res/command_ids.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"
#include "ui/app_folders.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>

namespace {

void WriteDataFile(const QString& strRelative, const QByteArray& data)
{
    const QString strPath = UserDataFolder(strRelative);
    QDir().mkpath(QFileInfo(strPath).path());
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// A three-row font in which every character is a 2 x 3 block of itself.
QByteArray BlockFont()
{
    QByteArray font = "flf2a$ 3 3 4 0 0\n";
    for (int ch = 32; ch <= 126; ++ch) {
        const QByteArray row = QByteArray(2, ch == ' ' ? '$' : char(ch)) + '@';
        font += row + '\n' + row + '\n' + row + "@\n";
    }
    return font;
}

QString RowText(CArtView& view, int nRow, int nWidth)
{
    QString str;
    for (int c = 0; c < nWidth; ++c)
        str += QChar(view.Selection().BlockCell(c, nRow).chChar);
    return str;
}

} // namespace

class CImportCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        ClearSettings();
        QDir(UserDataFolder(QString())).removeRecursively();
    }

    void figletTextBecomesAFloatingBlock()
    {
        WriteDataFile(QStringLiteral("Fonts/0block.flf"), BlockFont());
        CMainFrame frame;
        CArtView& view = *frame.View();
        OnNextModalDialog([](QDialog* pDlg) { pDlg->reject(); });
        frame.RunCommand(gw::ID_FIGLET_FONT);
        QVERIFY(!view.Selection().IsFloating());

        OnNextModalDialog([](QDialog* pDlg) {
            auto* pFig = qobject_cast<CFigfontDlg*>(pDlg);
            QVERIFY(pFig);
            QTest::keyClicks(pFig->InputEdit(), QStringLiteral("Ab"));
            pFig->accept();
        });
        frame.RunCommand(gw::ID_FIGLET_FONT);
        QVERIFY(view.Selection().IsFloating());
        QCOMPARE(frame.GetCurTool(), frame.GetSelectMode());
        QCOMPARE(view.Selection().BlockWidth(), 4);
        QCOMPARE(view.Selection().BlockHeight(), 4);
        QCOMPARE(RowText(view, 0, 4), QStringLiteral("AAbb"));
        QCOMPARE(RowText(view, 3, 4), QStringLiteral("    "));
        QCOMPARE(view.GetSelectionRect().topLeft(), QPoint(0, 0));
    }

    void symbolBecomesAFloatingBlock()
    {
        WriteDataFile(QStringLiteral("SLib/0Mine/box.txt"), "+-+\n| |\n+-+");
        CMainFrame frame;
        CArtView& view = *frame.View();
        OnNextModalDialog([](QDialog* pDlg) {
            auto* pLib = qobject_cast<CSymbolLibDlg*>(pDlg);
            QVERIFY(pLib);
            pLib->GroupCombo()->setCurrentIndex(pLib->GroupCombo()->findText(QStringLiteral("0Mine")));
            pLib->FileList()->setCurrentRow(0);
            pLib->accept();
        });
        frame.RunCommand(gw::ID_SYMBOL_LIB);
        QVERIFY(view.Selection().IsFloating());
        QCOMPARE(view.Selection().BlockHeight(), 4);
        QCOMPARE(RowText(view, 1, 3), QStringLiteral("| |"));
        QCOMPARE(view.GetSelectionRect().topLeft(), QPoint(0, 0));
    }
};

GW_SHELL_TEST_MAIN(CImportCommandsTest)
#include "import_commands_test.moc"
