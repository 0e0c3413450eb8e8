// The character picker inside the main window: the window hands the pane's
// two characters to the canvas view, a character picked off the canvas
// shows in the pane, and a first stroke of spaces says where to choose one.
#include "canvas/art_view.h"
#include "panes/char_picker.h"
#include "res/command_ids.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"
#include "ui/settings_value.h"

#include <QAction>
#include <QDockWidget>
#include <QLabel>

namespace {

void ClickChar(CCharPaneView& pane, char ch, Qt::MouseButton button)
{
    const int nIndex = static_cast<unsigned char>(ch) - CCharPaneView::FIRST_CHAR;
    QTest::mouseClick(&pane, button, {}, pane.Cells()[nIndex].rc.center());
}

} // namespace

class CCharPickerFrameTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClearSettings(); }

    void mainFrameCarriesThePickerToTheView()
    {
        QSettings settings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
        WriteSettingU8(settings, QStringLiteral("GWChar"), QStringLiteral("RTCHAR"), '*');
        settings.sync();
        CMainFrame frame;
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CCharPaneView* pPane = frame.CharPicker();
        QVERIFY(pPane);
        QVERIFY(frame.findChild<QDockWidget*>(QStringLiteral("CharPicker"))->isAncestorOf(pPane));
        CArtView& view = *frame.View();
        const auto chars = [&] {
            return std::pair<char, char>(view.Drawing().LeftChar(), view.Drawing().RightChar());
        };
        QCOMPARE(chars(), std::pair(' ', '*')); // as stored, read when the window was built
        ClickChar(*pPane, 'A', Qt::LeftButton);
        QCOMPARE(chars(), std::pair('A', '*'));
        ClickChar(*pPane, '#', Qt::RightButton);
        QCOMPARE(chars(), std::pair('A', '#'));
        // Only 1 and 2 mean anything.
        view.SetLeftChar('x');
        frame.CharChanged(0);
        frame.CharChanged(3);
        QCOMPARE(chars(), std::pair('x', '#'));
    }

    void pickedCharacterShowsInThePicker()
    {
        CMainFrame frame;
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CArtView& view = *frame.View();
        view.BeginEdit();
        view.WriteCell(2, 1, 'Q', 0x0000FF);
        view.EndEdit();
        frame.Action(gw::ID_TOOL_PICK)->trigger();
        const QPoint pt(2 * view.GetCellWidth() + 1, view.GetCellHeight() + 1);
        QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier, pt);
        QCOMPARE(view.Drawing().RightChar(), 'Q');
        QCOMPARE(frame.CharPicker()->m_chPickRight, 'Q');
        QCOMPARE(frame.CharPicker()->m_chPickLeft, ' ');
        QSettings settings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
        QCOMPARE(ReadSettingU8(settings, QStringLiteral("GWChar"), QStringLiteral("RTCHAR"), 0), 'Q');
    }

    // Both characters are spaces on a first run.
    void firstStrokeOfSpacesShowsAHintOnce()
    {
        const QString strHint = QStringLiteral("Choose a character in the Character Picker to draw with it.");
        for (int nRun = 0; nRun < 2; ++nRun) {
            CMainFrame frame;
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            const CArtView& view = *frame.View();
            frame.Action(gw::ID_TOOL_FREEHAND)->trigger();
            for (int nStroke = 0; nStroke < 2; ++nStroke) {
                frame.MessagePane()->setText(QStringLiteral("Ready"));
                const QPoint pt((2 + nStroke) * view.GetCellWidth() + 1, view.GetCellHeight() + 1);
                QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, pt);
                QCOMPARE(frame.MessagePane()->text(), nRun + nStroke == 0 ? strHint : QStringLiteral("Ready"));
            }
        }
    }
};

GW_SHELL_TEST_MAIN(CCharPickerFrameTest)

#include "char_picker_frame_test.moc"
