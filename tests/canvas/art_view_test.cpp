// The canvas view on a real document: initial update, zoom limits and what a
// zoom resets, scrolling snapped to cells and the wheel rule, the status
// text, the grid in the composed picture, undo and redo repainting, clearing
// a frame, the thumbnail's proportions, printing and the tool plug point.
#include "canvas/tool_codes.h"
#include "canvas_test_main.h"
#include "view_fixture.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace {
void SendMouse(CArtView& view, QEvent::Type type, QPoint pt, Qt::MouseButton button = Qt::NoButton,
               Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent ev(type, QPointF(pt), QPointF(view.viewport()->mapToGlobal(pt)), button, buttons,
                   Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &ev);
}

void SendWheel(CArtView& view, Qt::KeyboardModifiers modifiers)
{
    const QPointF pt(10, 10);
    QWheelEvent ev(pt, view.viewport()->mapToGlobal(pt), QPoint(), QPoint(0, -120), Qt::NoButton,
                   modifiers, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.viewport(), &ev);
}

struct CRecordingTool : CViewTool {
    void Activate(CToolContext&) override { m_vCalls << QStringLiteral("activate"); }
    void Deactivate(CToolContext&) override { m_vCalls << QStringLiteral("deactivate"); }
    void OnMousePress(CToolContext&, const CToolMouseEvent& ev) override
    {
        m_vCalls << QStringLiteral("press %1,%2 %3").arg(ev.nCol).arg(ev.nRow).arg(ev.bOnCanvas);
    }
    void OnMouseRelease(CToolContext&, const CToolMouseEvent& ev) override
    {
        m_vCalls << QStringLiteral("release %1,%2").arg(ev.nCol).arg(ev.nRow);
    }
    bool OnKeyPress(CToolContext&, QKeyEvent& ev) override
    {
        m_vCalls << QStringLiteral("key %1").arg(ev.key());
        return true;
    }
    QStringList m_vCalls;
};
} // namespace

class CArtViewTest : public QObject {
    Q_OBJECT

private slots:
    void initialUpdateMakesABlankUnmodifiedFrame()
    {
        CViewFixture fx(12, 30);
        CArtView& view = fx.View();
        QVERIFY(!fx.m_doc.IsModified());
        QVERIFY(!fx.m_doc.CanUndo());
        const CharCell* pCells = fx.m_doc.GetCurCells();
        QCOMPARE(view.GetCells(), pCells);
        for (int i = 0; i < 12 * 30; ++i) {
            QCOMPARE(pCells[i].chChar, uint8_t(' '));
            QCOMPARE(pCells[i].crColor, view.GetTextColor());
            QCOMPARE(pCells[i].nX, (i % 30) * view.GetCellWidth());
            QCOMPARE(pCells[i].nY, (i / 30) * view.GetCellHeight());
        }
        QCOMPARE(fx.m_host.m_nFirstFrameKey, 0);
        QCOMPARE(fx.m_doc.GetFrameCount(), 1);
        QCOMPARE(fx.m_host.m_imgFirstFrame.size(), QSize(64, 64));
        QVERIFY(fx.m_host.m_nThumbnailRefreshes >= 1);
        QCOMPARE(view.GetCanvasWidth(), 30 * view.GetCellWidth());
        QCOMPARE(view.GetCanvasHeight(), 12 * view.GetCellHeight());
    }

    void zoomStopsAtLimitsAndResetsScrollAndTool()
    {
        CViewFixture fx(40, 60, {200, 150});
        CArtView& view = fx.View();
        QCOMPARE(view.GetZoom(), 2);
        for (int nStep = 0; nStep < 3; ++nStep) {
            const int nCellW = view.GetCellWidth();
            fx.m_host.m_nTool = TOOL_FILL;
            view.ScrollTo(view.GetCellWidth() * 3, view.GetCellHeight() * 2);
            QVERIFY(view.GetScrollX() > 0 && view.GetScrollY() > 0);
            const int nSetToolCalls = fx.m_host.m_nSetToolCalls;
            view.ZoomIn();
            if (nStep < 2) {
                QCOMPARE(view.GetZoom(), 3 + nStep);
                QVERIFY(view.GetCellWidth() > nCellW);
                QCOMPARE(view.GetScrollX(), 0);
                QCOMPARE(view.GetScrollY(), 0);
                QCOMPARE(view.horizontalScrollBar()->value(), 0);
                QCOMPARE(fx.m_host.m_nTool, TOOL_CURSOR);
            } else { // at 4 nothing changes
                QCOMPARE(view.GetZoom(), 4);
                QCOMPARE(view.GetCellWidth(), nCellW);
                QVERIFY(view.GetScrollX() > 0);
                QCOMPARE(fx.m_host.m_nTool, TOOL_FILL);
                QCOMPARE(fx.m_host.m_nSetToolCalls, nSetToolCalls);
            }
        }
        for (int i = 0; i < 4; ++i)
            view.ZoomOut();
        QCOMPARE(view.GetZoom(), 0);
        const int nCellW = view.GetCellWidth();
        view.ZoomOut();
        QCOMPARE(view.GetZoom(), 0);
        QCOMPARE(view.GetCellWidth(), nCellW);
        // The cells' pixel positions follow the zoom, without an undo step or a modification.
        QCOMPARE(fx.m_doc.GetCurCells()[61].nX, view.GetCellWidth());
        QCOMPARE(fx.m_doc.GetCurCells()[61].nY, view.GetCellHeight());
        QVERIFY(!fx.m_doc.CanUndo());
        QVERIFY(!fx.m_doc.IsModified());
    }

    void scrollingLandsOnCellBorders()
    {
        CViewFixture fx(40, 60, {200, 150});
        CArtView& view = fx.View();
        const int nCellW = view.GetCellWidth();
        const int nCellH = view.GetCellHeight();
        view.horizontalScrollBar()->setValue(nCellW * 2 + nCellW / 2);
        QCOMPARE(view.GetScrollX(), nCellW * 2);
        QCOMPARE(view.horizontalScrollBar()->value(), nCellW * 2);
        QCOMPARE(fx.m_host.m_vRulerModes.back(), int(IViewHost::RULER_HSCROLL));
        view.verticalScrollBar()->setValue(nCellH * 3 + 1);
        QCOMPARE(view.GetScrollY(), nCellH * 3);
        QCOMPARE(fx.m_host.m_vRulerModes.back(), int(IViewHost::RULER_VSCROLL));
        QCOMPARE(fx.m_host.m_ptRulerScroll, QPoint(nCellW * 2, nCellH * 3));
        // The range ends one spare cell past the canvas.
        const int nViewW = view.viewport()->width();
        QCOMPARE(view.horizontalScrollBar()->maximum(), view.GetCanvasWidth() + nCellW - nViewW);
        view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
        QCOMPARE(view.GetScrollX() % nCellW, 0);
        QVERIFY(view.GetScrollX() + nViewW >= view.GetCanvasWidth());
        // A single step is a cell.
        view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view.GetScrollY(), nCellH * 4);
        // A page is the visible part in whole cells, at every zoom, so the
        // thumb shows the visible share and a click in the trough turns a page.
        for (int nZoom : {2, 3, 4}) {
            const QSize sz = view.viewport()->size();
            const int nW = view.GetCellWidth();
            const int nH = view.GetCellHeight();
            QCOMPARE(view.horizontalScrollBar()->pageStep(), std::max(1, sz.width() / nW) * nW);
            QCOMPARE(view.verticalScrollBar()->pageStep(), std::max(1, sz.height() / nH) * nH);
            QVERIFY2(view.horizontalScrollBar()->pageStep() > nW, qPrintable(QString::number(nZoom)));
            QCOMPARE(view.horizontalScrollBar()->singleStep(), nW);
            view.ZoomIn();
        }
    }

    void wheelDoesNotScrollWithShiftOrCtrl()
    {
        CViewFixture fx(40, 60, {200, 150});
        CArtView& view = fx.View();
        SendWheel(view, Qt::ShiftModifier);
        SendWheel(view, Qt::ControlModifier);
        SendWheel(view, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(view.GetScrollX(), 0);
        QCOMPARE(view.GetScrollY(), 0);
        SendWheel(view, Qt::NoModifier);
        QVERIFY(view.GetScrollY() > 0);
        QCOMPARE(view.GetScrollY() % view.GetCellHeight(), 0);
    }

    void statusTextChangesOnlyWithTheCell()
    {
        CViewFixture fx(40, 60, {200, 150});
        CArtView& view = fx.View();
        const int nCellW = view.GetCellWidth();
        const int nCellH = view.GetCellHeight();
        fx.m_host.m_vStatus.clear();
        SendMouse(view, QEvent::MouseMove, {1, 1});
        SendMouse(view, QEvent::MouseMove, {nCellW - 1, nCellH - 1});
        QCOMPARE(fx.m_host.m_vStatus, QStringList{"Row:1,Col:1"});
        SendMouse(view, QEvent::MouseMove, {nCellW, 1});
        SendMouse(view, QEvent::MouseMove, {nCellW + 1, 2});
        QCOMPARE(fx.m_host.m_vStatus.size(), 2);
        QCOMPARE(fx.m_host.m_vStatus.back(), QString("Row:1,Col:2"));
        // Beyond the canvas: the nearest edge cell.
        SendMouse(view, QEvent::MouseMove, {-40, nCellH * 2 + 1});
        QCOMPARE(fx.m_host.m_vStatus.back(), QString("Row:3,Col:1"));
        view.ScrollTo(view.GetCanvasWidth(), view.GetCanvasHeight());
        SendMouse(view, QEvent::MouseMove, {5000, 5000});
        QCOMPARE(fx.m_host.m_vStatus.back(), QString("Row:40,Col:60"));
        const int nCount = fx.m_host.m_vStatus.size();
        SendMouse(view, QEvent::MouseMove, {6000, 7000});
        QCOMPARE(fx.m_host.m_vStatus.size(), nCount);
        // Scrolled: the cell under the mouse counts from the canvas origin.
        view.ScrollTo(nCellW * 2, nCellH);
        SendMouse(view, QEvent::MouseMove, {1, 1});
        QCOMPARE(fx.m_host.m_vStatus.back(), QString("Row:2,Col:3"));
        QCOMPARE(fx.m_host.m_vRulerModes.back(), int(IViewHost::RULER_MOUSE));
    }

    void gridIsComposedOverTheTextAndToggles()
    {
        CViewFixture fx(5, 9);
        CArtView& view = fx.View();
        const QRgb rgbGrid = qRgb(200, 200, 200);
        const QRgb rgbBack = ColorRefToRgb(view.GetBackColor());
        const int nX = view.GetCellWidth() - 1;
        const int nY = view.GetCellHeight() + 3;
        QCOMPARE(view.CompositionLayer().pixel(nX, nY), rgbGrid);
        QCOMPARE(view.CompositionLayer().pixel(3, view.GetCellHeight()), rgbGrid);
        QCOMPARE(view.CompositionLayer().pixel(view.GetCanvasWidth() - 1, nY), rgbBack);
        QCOMPARE(view.CompositionLayer().pixel(3, view.GetCanvasHeight() - 1), rgbBack);
        view.ToggleGrid();
        QVERIFY(!view.IsGridShown());
        QCOMPARE(view.CompositionLayer().pixel(nX, nY), rgbBack);
        view.ToggleGrid();
        QCOMPARE(view.CompositionLayer().pixel(nX, nY), rgbGrid);
    }

    void cellsAreDrawnWhereTheirIndexPutsThem()
    {
        // Positions carried by a loaded file may come from another zoom.
        CViewFixture fx(10, 10);
        CArtView& view = fx.View();
        CEditBracket bracket(fx.m_doc);
        bracket.BeginEdit();
        fx.m_doc.GetCurCells()[11].chChar = 'W';
        fx.m_doc.GetCurCells()[11].nX = 7 * view.GetCellWidth();
        fx.m_doc.GetCurCells()[11].nY = 5 * view.GetCellHeight();
        bracket.EndEdit();
        view.Refresh(CArtView::REFRESH_ALL);
        QVERIFY(fx.InkInCell(1, 1) > 0);
        QCOMPARE(fx.InkInCell(7, 5), 0);
    }

    // A zoom draws the visible part at the paint and the rest later, a frame
    // switch keeps the layers: what is shown, scrolled to or read is what a
    // full redraw gives, and no cell of the previous frame is left behind.
    void lateDrawingShowsWhatAFullRedrawShows()
    {
        CViewFixture fx(30, 40, {200, 150});
        CArtView& view = fx.View();
        const auto fill = [&](int nSeed) {
            CEditBracket bracket(fx.m_doc);
            bracket.BeginEdit();
            for (int i = 0; i < 30 * 40; ++i)
                fx.m_doc.GetCurCells()[i].chChar = uint8_t(33 + (i * nSeed) % 90),
                fx.m_doc.GetCurCells()[i].crColor = COLORREF(0x102030 * (i % 7 + nSeed));
            bracket.EndEdit();
        };
        const auto shown = [&] {
            const QRect rc = QRect(QPoint(view.GetScrollX(), view.GetScrollY()), view.viewport()->size())
                                 .intersected(QRect(0, 0, view.GetCanvasWidth(), view.GetCanvasHeight()));
            return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(
                rc.translated(-view.GetScrollX(), -view.GetScrollY()));
        };
        const auto full = [&](const QRect& rc) {
            view.Refresh(CArtView::REFRESH_ALL);
            return view.CompositionLayer().copy(rc);
        };
        const int nFirst = fx.m_doc.GetFrames().begin()->first;
        fill(7);
        view.Refresh(CArtView::REFRESH_ALL);
        const QImage imgFirst = view.CompositionLayer().copy();

        view.ZoomIn();
        QImage imgShown = shown();
        QCOMPARE(imgShown, full(QRect(QPoint(0, 0), imgShown.size())));
        view.ZoomOut();
        view.ScrollTo(view.GetCellWidth() * 15, view.GetCellHeight() * 12);
        imgShown = shown();
        QCOMPARE(imgShown, full(QRect(QPoint(view.GetScrollX(), view.GetScrollY()), imgShown.size())));
        const QImage imgLate = view.CompositionLayer().copy();
        QCOMPARE(imgLate, full(imgLate.rect()));

        const uchar* pText = view.TextLayer().constBits();
        fx.m_doc.SelectFrame(fx.m_doc.DuplicateFrame(nFirst));
        view.SetCells(fx.m_doc.GetCurCells());
        fill(11);
        fx.m_doc.SelectFrame(nFirst);
        view.SetCells(fx.m_doc.GetCurCells());
        view.RebuildLayers();
        view.Refresh(CArtView::REFRESH_ALL);
        QCOMPARE(view.TextLayer().constBits(), pText);
        QCOMPARE(view.CompositionLayer(), imgFirst);
    }

    void undoAndRedoRepaintTheFrame()
    {
        CViewFixture fx(10, 10);
        CArtView& view = fx.View();
        fx.WriteCell(11, 'X', 0x0000FF);
        view.Refresh(CArtView::REFRESH_ALL);
        QVERIFY(fx.InkInCell(1, 1) > 0);
        const int nRefreshes = fx.m_host.m_nThumbnailRefreshes;
        QVERIFY(fx.m_doc.OnEditUndo());
        QCOMPARE(fx.InkInCell(1, 1), 0);
        QCOMPARE(fx.m_host.m_nThumbnailRefreshes, nRefreshes + 1);
        // Rebuilding at another zoom records nothing: redo is still there.
        view.ZoomIn();
        QVERIFY(fx.m_doc.CanRedo());
        QVERIFY(fx.m_doc.OnEditRedo());
        QVERIFY(fx.InkInCell(1, 1) > 0);
        QCOMPARE(fx.InkInCell(0, 1), 0);
        QCOMPARE(fx.m_host.m_nThumbnailRefreshes, nRefreshes + 2);
        // The ink is red.
        const QImage& img = view.TextLayer();
        bool bRed = false;
        for (int y = 0; y < view.GetCellHeight(); ++y)
            for (int x = 0; x < view.GetCellWidth(); ++x) {
                const QRgb rgb = img.pixel(view.GetCellWidth() + x, view.GetCellHeight() + y);
                bRed = bRed || (qRed(rgb) > 200 && qGreen(rgb) < 100 && qBlue(rgb) < 100);
            }
        QVERIFY(bRed);
    }

    void clearCanvasLeavesNoUndoAndNoModification()
    {
        CViewFixture fx(10, 10);
        CArtView& view = fx.View();
        fx.WriteCell(5, 'A', 0x123456);
        fx.WriteCell(6, 'B', 0x123456);
        QVERIFY(fx.m_doc.CanUndo());
        fx.m_doc.SetModifiedFlag(false);
        view.SetTextColor(0x00FF00);
        view.ClearCanvas();
        QVERIFY(!fx.m_doc.CanUndo());
        QVERIFY(!fx.m_doc.CanRedo());
        QVERIFY(!fx.m_doc.IsModified());
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(fx.m_doc.GetCurCells()[i].chChar, uint8_t(' '));
            QCOMPARE(fx.m_doc.GetCurCells()[i].crColor, COLORREF(0x00FF00));
        }
        // Edits after the clearing undo back to the clear frame, no further.
        fx.WriteCell(7, 'C', 0x0000FF);
        QVERIFY(fx.m_doc.OnEditUndo());
        QCOMPARE(fx.m_doc.GetCurCells()[7].chChar, uint8_t(' '));
        QVERIFY(!fx.m_doc.CanUndo());
    }

    void thumbnailKeepsTheCanvasProportions_data()
    {
        QTest::addColumn<int>("nRows");
        QTest::addColumn<int>("nCols");
        QTest::newRow("wide") << 10 << 128;
        QTest::newRow("tall") << 80 << 4;
        QTest::newRow("default") << 40 << 60;
    }
    void thumbnailKeepsTheCanvasProportions()
    {
        QFETCH(int, nRows);
        QFETCH(int, nCols);
        CViewFixture fx(nRows, nCols);
        CArtView& view = fx.View();
        view.SetBackColor(0x0000FF);
        view.RebuildLayers();
        const QImage img = view.MakeThumbnail();
        QCOMPARE(img.size(), QSize(64, 64));
        // The picture's extent, measured: where the red ends.
        int nW = 0;
        int nH = 0;
        while (nW < 64 && img.pixel(nW, 0) == qRgb(255, 0, 0))
            ++nW;
        while (nH < 64 && img.pixel(0, nH) == qRgb(255, 0, 0))
            ++nH;
        const double dAspect = double(view.GetCanvasWidth()) / view.GetCanvasHeight();
        if (dAspect < 1) {
            QCOMPARE(nH, 64);
            QCOMPARE(nW, int(dAspect * 64));
        } else {
            QCOMPARE(nW, 64);
            QCOMPARE(nH, int(64 / dAspect));
        }
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                QCOMPARE(img.pixel(x, y), x < nW && y < nH ? qRgb(255, 0, 0) : qRgb(170, 170, 170));
    }

    void printingScalesByAWholeFactor_data()
    {
        QTest::addColumn<QRect>("rcPage");
        QTest::addColumn<QRect>("rcWant"); // in multiples of the canvas size, or fitted
        QTest::newRow("landscape page") << QRect(0, 0, 2000, 1000) << QRect(0, 0, 0, 0);
        QTest::newRow("portrait page, offset") << QRect(30, 40, 1000, 2000) << QRect(30, 40, 0, 0);
        QTest::newRow("page smaller than canvas") << QRect(0, 0, 50, 40) << QRect(0, 0, -1, -1);
    }
    void printingScalesByAWholeFactor()
    {
        QFETCH(QRect, rcPage);
        QFETCH(QRect, rcWant);
        CViewFixture fx(10, 20);
        CArtView& view = fx.View();
        view.SetBackColor(0x0000FF);
        view.RebuildLayers();
        const int nW = view.GetCanvasWidth();
        const int nH = view.GetCanvasHeight();
        QSize szWant;
        if (rcWant.width() == 0) {
            const bool bPageWider = double(rcPage.width()) / rcPage.height() > double(nW) / nH;
            const int nScale = bPageWider ? rcPage.height() / nH : rcPage.width() / nW;
            QVERIFY(nScale >= 2);
            szWant = QSize(nW, nH) * nScale;
        } else {
            szWant = QSize(nW, nH).scaled(rcPage.size(), Qt::KeepAspectRatio);
        }
        QImage img(rcPage.right() + 2, rcPage.bottom() + 2, QImage::Format_RGB32);
        img.fill(qRgb(9, 9, 9));
        {
            QPainter painter(&img);
            view.OnPrint(painter, rcPage);
        }
        const QRect rcGot(rcPage.topLeft(), szWant);
        QVERIFY(rcPage.contains(rcGot));
        QVERIFY(img.pixel(rcGot.topLeft() + QPoint(1, 1)) != qRgb(9, 9, 9));
        QVERIFY(img.pixel(rcGot.bottomRight()) != qRgb(9, 9, 9));
        QCOMPARE(img.pixel(rcGot.right() + 1, rcGot.top()), qRgb(9, 9, 9));
        QCOMPARE(img.pixel(rcGot.left(), rcGot.bottom() + 1), qRgb(9, 9, 9));
    }

    void eventsGoToTheCurrentToolOnly()
    {
        CViewFixture fx(20, 60, {300, 300});
        CArtView& view = fx.View();
        auto pFill = std::make_unique<CRecordingTool>();
        auto pPick = std::make_unique<CRecordingTool>();
        CRecordingTool& fill = *pFill;
        CRecordingTool& pick = *pPick;
        view.SetTool(TOOL_FILL, std::move(pFill));
        view.SetTool(TOOL_PICK, std::move(pPick));
        fx.m_host.m_nTool = TOOL_FILL;
        view.OnToolChanged();
        view.ScrollTo(view.GetCellWidth(), 0);
        const QPoint pt(view.GetCellWidth() * 3 + 1, view.GetCellHeight() * 2 + 1);
        SendMouse(view, QEvent::MouseButtonPress, pt, Qt::LeftButton, Qt::LeftButton);
        SendMouse(view, QEvent::MouseButtonRelease, pt, Qt::LeftButton, Qt::NoButton);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(&view, &key);
        QCOMPARE(fill.m_vCalls, (QStringList{"activate", "press 4,2 1", "release 4,2",
                                             QString("key %1").arg(int(Qt::Key_A))}));
        QVERIFY(pick.m_vCalls.isEmpty());
        // Choosing the same tool again still ends and restarts it.
        view.OnToolChanged();
        QCOMPARE(fill.m_vCalls.mid(4), (QStringList{"deactivate", "activate"}));
        fx.m_host.m_nTool = TOOL_PICK;
        view.OnToolChanged();
        QCOMPARE(fill.m_vCalls.back(), QString("deactivate"));
        QCOMPARE(pick.m_vCalls, QStringList{"activate"});
        // A zoom ends the tool and leaves the plain cursor.
        view.ZoomIn();
        QCOMPARE(pick.m_vCalls.back(), QString("deactivate"));
        QCOMPARE(fx.m_host.m_nTool, TOOL_CURSOR);
        // A press outside the canvas reaches the tool flagged as off the canvas.
        fx.m_host.m_nTool = TOOL_PICK;
        view.OnToolChanged();
        SendMouse(view, QEvent::MouseButtonPress, {view.GetCanvasWidth() + 2, 1}, Qt::LeftButton,
                  Qt::LeftButton);
        QCOMPARE(pick.m_vCalls.back(), QString("press 60,0 0"));
    }

    void overlayIsComposedOnlyWhileShown()
    {
        CViewFixture fx(10, 10);
        CArtView& view = fx.View();
        const QPoint pt(view.GetCellWidth() + 2, view.GetCellHeight() + 2);
        view.OverlayLayer().setPixel(pt, qRgb(0, 0, 255));
        view.Refresh(CArtView::REFRESH_VISIBLE);
        QVERIFY(view.CompositionLayer().pixel(pt) != qRgb(0, 0, 255));
        view.SetOverlayShown(true);
        view.Refresh(CArtView::REFRESH_VISIBLE);
        QCOMPARE(view.CompositionLayer().pixel(pt), qRgb(0, 0, 255));
        view.ClearOverlay();
        view.Refresh(CArtView::REFRESH_LAYERS);
        QCOMPARE(view.CompositionLayer().pixel(pt), ColorRefToRgb(view.GetBackColor()));
    }
};

GW_CANVAS_TEST_MAIN(CArtViewTest)
#include "art_view_test.moc"
