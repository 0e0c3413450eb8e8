// The FIGlet and symbol library commands of the main window: what the dialog
// made lands on the canvas as a floating block at the top-left corner, one
// row taller than the text (its last line ends with CR LF); Cancel places
// nothing. A picture converted, still or every frame of an animated one.
#include "canvas/art_view.h"
#include "import/figfont_dlg.h"
#include "import/image_convert_dlg.h"
#include "import/symbol_lib_dlg.h"
#include "res/command_ids.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"
#include "tests/ui/animated_gif.h"
#include "ui/app_folders.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QListWidget>

namespace {

void WriteDataFile(const QString& strRelative, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(UserDataFolder(strRelative)).path());
    QFile file(UserDataFolder(strRelative));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size());
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

} // namespace

class CImportCommandsTest : public QObject {
    Q_OBJECT

private slots:
    // A converted picture is in the frame, on the canvas and in the frame's
    // thumbnail once the dialog closes, and one undo takes it away.
    void pictureConvertsIntoTheFrame()
    {
        ClearSettings();
        QImage img(64, 640, QImage::Format_RGB32);
        img.fill(Qt::black);
        const QString strPath = UserDataFolder(QStringLiteral("black.png"));
        QDir().mkpath(UserDataFolder(QString()));
        QVERIFY(img.save(strPath));
        CMainFrame frame;
        const QRgb rgbBefore = frame.View()->CompositionLayer().pixel(3, 5);
        OnNextModalDialog([strPath](QDialog* pDlg) {
            auto* pConvert = qobject_cast<CImageConvertDlg*>(pDlg);
            QVERIFY(pConvert->OpenConvertImage(strPath));
            pConvert->ConvertImage();
        });
        frame.RunCommand(gw::ID_IMAGE_CONVERT);
        QCOMPARE(frame.Document().GetCurCells()[0].chChar, '@');
        QVERIFY(frame.View()->CompositionLayer().pixel(3, 5) != rgbBefore);
        QVERIFY(frame.Action(gw::ID_EDIT_UNDO)->isEnabled());
        frame.RunCommand(gw::ID_EDIT_UNDO);
        QCOMPARE(frame.Document().GetCurCells()[0].chChar, ' ');
    }
    // All frames: a frame each, in the frame list, the playback interval the
    // picture's when the user agrees, and Undo Frame Change takes the last back.
    void animatedPictureConvertsIntoFramesOfTheirOwn()
    {
        ClearSettings();
        const QString strPath = UserDataFolder(QStringLiteral("anim.gif"));
        QDir().mkpath(UserDataFolder(QString()));
        QFile file(strPath);
        const std::string gif = MakeAnimatedGif(48, 32, kDisposalFrames);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(gif.data(), qint64(gif.size())) == qint64(gif.size()));
        file.close();
        CMainFrame frame;
        OnNextModalDialog([strPath](QDialog* pDlg) {
            auto* pConvert = qobject_cast<CImageConvertDlg*>(pDlg);
            QVERIFY(pConvert->OpenConvertImage(strPath));
            pConvert->AllFramesCheck()->setChecked(true);
            pConvert->m_fnAsk = [](const QString&) { return true; };
            pConvert->ConvertImage();
        });
        frame.RunCommand(gw::ID_IMAGE_CONVERT);
        QCOMPARE(frame.Document().GetFrameCount(), 4);
        QCOMPARE(frame.FramePanel()->m_nFrameCount, 4);
        QCOMPARE(frame.Settings().m_nFrameInterval, 2);
        QCOMPARE(frame.Document().GetCurCells()[0].crColor, 0xFFFFFFu); // the last frame's white corner
        frame.RunCommand(gw::ID_UNDO_FRAME_CHANGE);
        QCOMPARE(frame.Document().GetFrameCount(), 3);
    }

    void importsBecomeFloatingBlocks()
    {
        ClearSettings();
        QDir(UserDataFolder(QString())).removeRecursively();
        WriteDataFile(QStringLiteral("Fonts/0block.flf"), BlockFont());
        WriteDataFile(QStringLiteral("SLib/0Mine/box.txt"), "+-+\n|x|\n+-+");
        CMainFrame frame;
        CSelection& selection = frame.View()->Selection();
        OnNextModalDialog([](QDialog* pDlg) { pDlg->reject(); });
        frame.RunCommand(gw::ID_FIGLET_FONT);
        QVERIFY(!selection.IsFloating());

        OnNextModalDialog([](QDialog* pDlg) {
            QTest::keyClicks(qobject_cast<CFigfontDlg*>(pDlg)->InputEdit(), QStringLiteral("Ab"));
            pDlg->accept();
        });
        frame.RunCommand(gw::ID_FIGLET_FONT);
        QVERIFY(selection.IsFloating());
        QCOMPARE(frame.GetCurTool(), frame.GetSelectMode());
        QCOMPARE(QSize(selection.BlockWidth(), selection.BlockHeight()), QSize(4, 4));
        QCOMPARE(selection.BlockCell(2, 0).chChar, 'b');
        QCOMPARE(selection.BlockCell(0, 3).chChar, ' ');
        QCOMPARE(frame.View()->GetSelectionRect().topLeft(), QPoint(0, 0));

        OnNextModalDialog([](QDialog* pDlg) {
            auto* pLib = qobject_cast<CSymbolLibDlg*>(pDlg);
            pLib->GroupCombo()->setCurrentIndex(pLib->GroupCombo()->findText(QStringLiteral("0Mine")));
            pLib->FileList()->setCurrentRow(0);
            pDlg->accept();
        });
        frame.RunCommand(gw::ID_SYMBOL_LIB);
        QVERIFY(selection.IsFloating());
        QCOMPARE(QSize(selection.BlockWidth(), selection.BlockHeight()), QSize(3, 4));
        QCOMPARE(selection.BlockCell(1, 1).chChar, 'x');
        QCOMPARE(frame.View()->GetSelectionRect().topLeft(), QPoint(0, 0));
    }
};

GW_SHELL_TEST_MAIN(CImportCommandsTest)
#include "import_commands_test.moc"
