// The colour picker and the rulers inside the main window: the pane sets the
// window's own view and ruler corner, and the view's zoom and mouse reach the
// rulers, which line up with the canvas.
#include "canvas/art_view.h"
#include "canvas/canvas_color.h"
#include "canvas/ruler_corner_view.h"
#include "canvas/ruler_view.h"
#include "panes/color_picker.h"
#include "panes/frame_panel.h"
#include "res/command_ids.h"
#include "shell/main_frame.h"
#include "shell_test_support.h"

#include <QComboBox>
#include <QDockWidget>
#include <QPushButton>
#include <QScrollArea>

namespace {

// A black pixel in the ruler's shown picture, where only the mouse line can be.
bool LineAt(CRulerView& ruler, int nX)
{
    return ruler.grab().toImage().pixel(nX, 4) == qRgb(0, 0, 0);
}

// Whether rc, in pWidget's coordinates, shows whole in the picker's scroll
// viewport (so not under its scroll bar) and in the dock.
bool ShownInPane(QWidget* pWidget, const QRect& rc, QWidget* pDock)
{
    QWidget* pViewport = pDock->findChild<QScrollArea*>()->viewport();
    const QRect rcInViewport(pWidget->mapTo(pViewport, rc.topLeft()), rc.size());
    const QRect rcInDock(pWidget->mapTo(pDock, rc.topLeft()), rc.size());
    return pViewport->rect().contains(rcInViewport) && pDock->rect().contains(rcInDock);
}

} // namespace

class CColorPickerFrameTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ClearSettings(); }

    void pickerColoursTheWindowsViewAndCorner()
    {
        CMainFrame frame;
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CColorPickerView* pPicker = frame.ColorPicker();
        QVERIFY(pPicker);
        QVERIFY(frame.findChild<QDockWidget*>(QStringLiteral("ColorPicker"))->isAncestorOf(pPicker));
        // The corner starts with the view's colours; Set reaches both.
        QCOMPARE(frame.RulerCorner()->TextColor(), frame.View()->GetTextColor());
        QTest::mouseClick(pPicker, Qt::LeftButton, {}, CColorPickerView::SwatchRect(20).center());
        pPicker->Combo()->setCurrentIndex(CColorPickerView::SET_BACK); // yellow
        QTest::mouseClick(pPicker->SetButton(), Qt::LeftButton);
        QVERIFY(frame.View()->GetBackColor() == 0x00FFFFu && frame.RulerCorner()->BackColor() == 0x00FFFFu);

        // Every frame's thumbnail is drawn again on the new background.
        frame.RunCommand(gw::ID_ADD_FRAME);
        CFramePaneView* pList = frame.FramePanel()->List();
        QCOMPARE(pList->count(), 2);
        QTest::mouseClick(pPicker, Qt::LeftButton, {}, CColorPickerView::SwatchRect(8).center());
        QTest::mouseClick(pPicker->SetButton(), Qt::LeftButton);
        const QRgb rgbBack = ColorRefToRgb(frame.View()->GetBackColor());
        QVERIFY(rgbBack != qRgb(255, 255, 0));
        for (int i = 0; i < 2; ++i)
            QCOMPARE(pList->Thumbnail(int(pList->ItemData(i) & 0xFFFF)).toImage().pixel(0, 0), rgbBack);
    }

    // A small window: the whole palette, the target list and Set show at
    // once without scrolling, and the frame panel stays short.
    void smallWindowShowsThePickerWhole()
    {
        CMainFrame frame;
        frame.resize(900, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CColorPickerView* pPicker = frame.ColorPicker();
        auto* pDock = frame.findChild<QDockWidget*>(QStringLiteral("ColorPicker"));
        for (int nIndex : {0, 5, CColorPickerView::FIRST_CUSTOM, CColorPickerView::SWATCH_COUNT - 1})
            QVERIFY2(ShownInPane(pPicker, CColorPickerView::SwatchRect(nIndex), pDock),
                     qPrintable(QString::number(nIndex)));
        QVERIFY(ShownInPane(pPicker->Combo(), pPicker->Combo()->rect(), pDock));
        QVERIFY(ShownInPane(pPicker->SetButton(), pPicker->SetButton()->rect(), pDock));
        auto* pFrameDock = frame.findChild<QDockWidget*>(QStringLiteral("FramePanel"));
        QVERIFY2(pFrameDock->height() < frame.height() / 4,
                 qPrintable(QString::number(pFrameDock->height())));
        CFramePaneView* pList = frame.FramePanel()->List();
        QVERIFY(pList->viewport()->rect().contains(pList->ItemRect(0)));
    }

    void rulersFollowTheViewsZoomAndMouse()
    {
        CMainFrame frame;
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CRulerView& horz = *frame.HorzRuler();
        QCOMPARE(horz.height(), 16);
        // The rulers start where the canvas does.
        const QPoint ptCanvas = frame.View()->viewport()->mapTo(&frame, QPoint(0, 0));
        QCOMPARE(horz.mapTo(&frame, QPoint(0, 0)).x(), ptCanvas.x());
        QCOMPARE(frame.VertRuler()->mapTo(&frame, QPoint(0, 0)).y(), ptCanvas.y());
        const qint64 nHorzKey = horz.Picture().cacheKey();
        frame.RunCommand(gw::ID_ZOOM_IN);
        QVERIFY(horz.Picture().cacheKey() != nHorzKey);
        const int nX = frame.View()->GetCellWidth() * 3 + frame.View()->GetCellWidth() / 2;
        QVERIFY(!LineAt(horz, nX));
        QTest::mouseMove(frame.View()->viewport(), QPoint(nX, 30));
        QTRY_VERIFY(LineAt(horz, nX));
    }
};

GW_SHELL_TEST_MAIN(CColorPickerFrameTest)
#include "color_picker_frame_test.moc"
