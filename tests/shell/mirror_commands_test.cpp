// The mirror's commands in the main window: the drop-down, the View menu and
// the status bar agree; rulers, the caret and the centre place the axes; the
// settings remember them.
#include "canvas/ruler_view.h"
#include "shell/frame_bars.h"
#include "shell_test_support.h"
#include "ui/settings_value.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

using namespace gw;

namespace {
const CMirrorSettings& MirrorOf(CMainFrame& frame)
{
    return frame.View()->Drawing().Mirror();
}
void ClickAt(QWidget* pWidget, QPoint pt)
{
    QTest::mouseClick(pWidget, Qt::LeftButton, {}, pt);
}
} // namespace

class CMirrorCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClearSettings(); }

    void theDropDownTheMenuAndTheStatusBarAgree()
    {
        CMainFrame frame;
        QCOMPARE(frame.Bars().MirrorPane()->text(), QStringLiteral("Mirror: Off"));
        QMenu* pPalette = frame.Bars().MirrorButton()->menu();
        QAction* pFourWay = pPalette->actions().at(3);
        pFourWay->trigger();
        QCOMPARE(MirrorOf(frame).nMode, EMirrorMode::FourWay);
        QVERIFY(frame.Action(ID_MIRROR_FOUR_WAY)->isChecked() &&
                !frame.Action(ID_MIRROR_OFF)->isChecked());
        QVERIFY(frame.Action(ID_MIRROR)->isChecked());
        QCOMPARE(frame.Action(ID_MIRROR)->icon().cacheKey(), pFourWay->icon().cacheKey());
        QCOMPARE(frame.Bars().MirrorPane()->text(), QStringLiteral("Mirror: Four-Way"));
        // The button turns the mirror off and back on in the same mode.
        frame.RunCommand(ID_MIRROR);
        QCOMPARE(MirrorOf(frame).nMode, EMirrorMode::Off);
        QVERIFY(frame.Action(ID_MIRROR_OFF)->isChecked() && pPalette->actions().at(0)->isChecked());
        QCOMPARE(frame.Bars().MirrorPane()->text(), QStringLiteral("Mirror: Off"));
        frame.RunCommand(ID_MIRROR);
        QCOMPARE(MirrorOf(frame).nMode, EMirrorMode::FourWay);
        frame.RunCommand(ID_MIRROR_TOP_BOTTOM);
        QCOMPARE(MirrorOf(frame).nMode, EMirrorMode::TopBottom);
        QVERIFY(pPalette->actions().at(2)->isChecked());
    }

    void rulersCaretAndCentrePlaceTheAxes()
    {
        CMainFrame frame;
        CArtView& view = *frame.View();
        const int nW = view.GetCellWidth(), nH = view.GetCellHeight();
        frame.RunCommand(ID_MIRROR_LEFT_RIGHT);
        // Near the border after column 5 (half cell 10); the left ruler's
        // axis is not in use, so a click there changes nothing.
        ClickAt(frame.HorzRuler(), {5 * nW + 1, 4});
        QCOMPARE(MirrorOf(frame).nColAxis, 10);
        ClickAt(frame.VertRuler(), {4, 3 * nH + nH / 2});
        QCOMPARE(MirrorOf(frame).nRowAxis, MIRROR_AXIS_CENTRE);
        frame.RunCommand(ID_MIRROR_FOUR_WAY);
        ClickAt(frame.VertRuler(), {4, 3 * nH + nH / 2});
        QCOMPARE(MirrorOf(frame).nRowAxis, 7); // through the middle of row 3
        // The caret at column 3, row 2: both axes through its cell.
        frame.RunCommand(ID_TOOL_TYPE);
        ClickAt(view.viewport(), {3 * nW + 1, 2 * nH + 1});
        frame.RunCommand(ID_MIRROR_AXIS_AT_CARET);
        QVERIFY(MirrorOf(frame).nColAxis == 7 && MirrorOf(frame).nRowAxis == 5);
        frame.RunCommand(ID_MIRROR_AXIS_CENTRE);
        QVERIFY(MirrorOf(frame).nColAxis == MIRROR_AXIS_CENTRE &&
                MirrorOf(frame).nRowAxis == MIRROR_AXIS_CENTRE);
    }

    void theModeAndAxesAreRemembered()
    {
        {
            CMainFrame frame;
            frame.RunCommand(ID_MIRROR_TOP_BOTTOM);
            ClickAt(frame.VertRuler(), {4, 2 * frame.View()->GetCellHeight()});
        }
        {
            CMainFrame frame;
            QCOMPARE(MirrorOf(frame).nMode, EMirrorMode::TopBottom);
            QCOMPARE(MirrorOf(frame).nRowAxis, 4);
            QCOMPARE(frame.Bars().MirrorPane()->text(), QStringLiteral("Mirror: Top-Bottom"));
            frame.RunCommand(ID_MIRROR);
        }
        // Off is remembered with the mode the button turns back on; values
        // out of range read as the defaults.
        CMainFrame frame;
        QCOMPARE(MirrorOf(frame).nMode, EMirrorMode::Off);
        frame.RunCommand(ID_MIRROR);
        QCOMPARE(MirrorOf(frame).nMode, EMirrorMode::TopBottom);
        QSettings settings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
        WriteSettingI32(settings, QStringLiteral("GWSet"), QStringLiteral("MirrorMode"), 9);
        WriteSettingI32(settings, QStringLiteral("GWSet"), QStringLiteral("MirrorRowAxis"), -5);
        settings.sync();
        SShellSettings read;
        read.Read();
        QVERIFY(read.m_nMirrorMode == 0 && read.m_nMirrorRowAxis == MIRROR_AXIS_CENTRE);
    }
};

GW_SHELL_TEST_MAIN(CMirrorCommandsTest)
#include "mirror_commands_test.moc"
