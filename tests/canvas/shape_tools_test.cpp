// The shape tools and Auto draw driven through the real view with mouse
// events: what a gesture previews, what it writes when committed and in
// which colour, and how a pending shape meets moves, handles, tool changes,
// frame changes and a zoom.
#include "canvas/tools/curve_tool.h"
#include "canvas/tools/line_tool.h"
#include "canvas_test_main.h"
#include "tool_driver.h"

#include <QKeyEvent>
#include <QObject>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {
constexpr int ROWS = 12;
constexpr int COLS = 20;
constexpr COLORREF RED = 0x0000FF;
constexpr COLORREF BLUE = 0xFF0000;

struct CShapeFixture : CViewFixture {
    explicit CShapeFixture(int nTool) : CViewFixture(ROWS, COLS, {900, 700})
    {
        m_pView->SetLeftChar('#');
        ChooseTool(*this, nTool);
    }
    CArtView& V() { return *m_pView; }
    CellSet Preview()
    {
        CellSet s;
        for (const auto& entry : m_pView->Shapes().m_mapPreview)
            s.emplace(PreviewCol(entry.first), PreviewRow(entry.first));
        return s;
    }
    // A pixel inside a cell, nX and nY pixels from its top-left corner.
    QPoint Pixel(int nCol, int nRow, int nX, int nY)
    {
        return ClientOf(V(), {nCol * V().GetCellWidth() + nX, nRow * V().GetCellHeight() + nY});
    }
};

CellSet Outline(int nCol0, int nRow0, int nCol1, int nRow1)
{
    CellSet s = Square(nCol0, nRow0, nCol1, nRow1);
    for (const auto& cell : Square(nCol0 + 1, nRow0 + 1, nCol1 - 1, nRow1 - 1))
        s.erase(cell);
    return s;
}

// Whether every cell shows a pixel nearer cr than the background (glyphs are smoothed).
bool Shows(const CArtView& view, const CellSet& cells, COLORREF cr)
{
    const QImage& img = view.CompositionLayer();
    const int nW = view.GetCellWidth(), nH = view.GetCellHeight();
    const auto dist = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
    };
    const QRgb rgbInk = ColorRefToRgb(cr), rgbBack = ColorRefToRgb(view.GetBackColor());
    return std::all_of(cells.begin(), cells.end(), [&](const auto& cell) {
        for (int n = 0; n < nW * nH; ++n) {
            const QRgb rgb = img.pixel(cell.first * nW + n % nW, cell.second * nH + n / nW);
            if (dist(rgb, rgbInk) < dist(rgb, rgbBack))
                return true;
        }
        return false;
    });
}

void PressKey(CArtView& view, int nKey)
{
    QKeyEvent ev(QEvent::KeyPress, nKey, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &ev);
}
} // namespace

class CShapeToolsTest : public QObject {
    Q_OBJECT

private slots:
    void autoDrawChoosesCharactersByDirectionAndHeight()
    {
        // Freehand strokes of one move each, with brush 5, which auto draw
        // ignores. Pixels come from the cell size: w and h, e = h / 6.
        struct Row {
            const char* pszName;
            int x0, y0, x1, y1; // in units: cells (w, h) plus pixels, see Px
            uint8_t chExpected;
        };
        // Rows give the start and the end as cell + sixths of a cell height
        // for y, and a pixel offset for the diagonals.
        const Row rows[] = {
            {"upper third", 1, 1, 8, 1, '`'},
            {"middle third", 1, 3, 8, 3, '-'},
            {"lower third", 1, 5, 8, 5, '_'},
            {"steep down-right", 2, 0, 60, 60, '\\'},
            {"steep down-left", 8, 0, -60, 60, '/'},
            {"vertical", 4, 0, 0, 90, '|'},
        };
        for (const Row& row : rows) {
            CShapeFixture fx(TOOL_FREEHAND_1 + 4);
            fx.V().Drawing().SetAutoDraw(true);
            const int nW = fx.V().GetCellWidth();
            const int nH = fx.V().GetCellHeight();
            const int nE = nH / 6;
            QPoint pt0;
            QPoint pt1;
            if (std::string_view(row.pszName).ends_with("third")) {
                // Along row 3, row.y0 sixths down: 1 = upper, 3 = middle, 5 = lower.
                const int y = 3 * nH + row.y0 * nE;
                pt0 = {row.x0 * nW, y};
                pt1 = {row.x1 * nW, y};
            } else {
                pt0 = {row.x0 * nW + 3, row.y0 * nH};
                pt1 = pt0 + QPoint(row.x1, row.y1);
            }
            const QPoint ptMid = (pt0 + pt1) / 2;
            const int nCol = ptMid.x() / nW;
            const int nRow = ptMid.y() / nH;
            SendAt(fx.V(), QEvent::MouseButtonPress, ClientOf(fx.V(), pt0), Qt::LeftButton,
                   Qt::LeftButton);
            QVERIFY2(Inked(fx.m_doc).empty(), row.pszName); // nothing at the press
            SendAt(fx.V(), QEvent::MouseMove, ClientOf(fx.V(), pt1), Qt::NoButton, Qt::LeftButton);
            SendAt(fx.V(), QEvent::MouseButtonRelease, ClientOf(fx.V(), pt1), Qt::LeftButton,
                   Qt::NoButton);
            QVERIFY2(CharAt(fx.m_doc, nCol, nRow) == row.chExpected, row.pszName);
            // One cell per step: nothing beside the stroke's own cells.
            QVERIFY2(CharAt(fx.m_doc, nCol, nRow + 1) == ' ' || row.y1 > 0, row.pszName);
            QCOMPARE(UndoAll(fx.m_doc), 1);
        }
    }

    void aLineIsPendingUntilTheNextLineStartsAwayFromIt()
    {
        CShapeFixture fx(TOOL_LINE);
        fx.V().SetTextColor(RED);
        Drag(fx.V(), {{2, 2}, {5, 2}, {8, 2}});
        QCOMPARE(fx.Preview(), Square(2, 2, 7, 2));
        QVERIFY(Inked(fx.m_doc).empty());
        // Written at the next press away from it, in the colour of its press.
        fx.V().SetTextColor(BLUE);
        Drag(fx.V(), {{3, 8}, {3, 8}});
        QCOMPARE(Inked(fx.m_doc), Square(2, 2, 7, 2));
        QCOMPARE(ColorAt(fx.m_doc, 2, 2), RED);
        QCOMPARE(UndoAll(fx.m_doc), 1);
        // A line dragged back to its own cell leaves nothing to write, and
        // nothing of the longer line on the way in the overlay.
        Drag(fx.V(), {{4, 4}, {9, 7}, {4, 4}});
        QVERIFY(fx.Preview().empty());
        const int nW = fx.V().GetCellWidth();
        const int nH = fx.V().GetCellHeight();
        const QImage& imgOverlay = fx.V().Overlay();
        for (int y = 0; y < imgOverlay.height(); ++y) {
            for (int x = 0; x < imgOverlay.width(); ++x)
                QVERIFY((imgOverlay.pixel(x, y) & 0xFFFFFFu) == 0 || (x / nW == 4 && y / nH == 4));
        }
        Click(fx.V(), 9, 9);
        QVERIFY(Inked(fx.m_doc).empty());
    }

    // Dragged out past the window, a line draws only what the window shows
    // on each move; released, all of it shows.
    void aLineBeyondTheWindowShowsWholeOnceReleased()
    {
        CViewFixture fx(40, 60, {200, 150});
        fx.View().SetLeftChar('#');
        ChooseTool(fx, TOOL_LINE);
        fx.View().SetTextColor(RED);
        Drag(fx.View(), {{1, 1}, {30, 30}, {50, 35}});
        CellSet cells;
        for (const auto& entry : fx.View().Shapes().m_mapPreview)
            cells.emplace(PreviewCol(entry.first), PreviewRow(entry.first));
        QVERIFY(cells.size() > 40); // most of them beyond the window
        QVERIFY(Shows(fx.View(), cells, RED));
    }

    void aPendingLineMovesByItsBodyAndTurnsByItsStartHandle()
    {
        CShapeFixture fx(TOOL_LINE);
        auto* pLine = dynamic_cast<CLineTool*>(fx.V().GetTool(TOOL_LINE));
        Drag(fx.V(), {{2, 2}, {8, 2}});
        // The body drags the whole line; cells that leave the canvas are lost.
        Drag(fx.V(), {{5, 2}, {5, 4}, {1, 4}});
        QCOMPARE(fx.Preview(), Square(0, 4, 3, 4));
        QCOMPARE(pLine->StartCell(), QPoint(-2, 4));
        // The start handle: the old end becomes the fixed start.
        Drag(fx.V(), {{10, 2}, {14, 2}});
        Drag(fx.V(), {{10, 2}, {10, 6}});
        QCOMPARE(pLine->StartCell(), QPoint(14, 2));
        QCOMPARE(pLine->EndCell(), QPoint(10, 6));
        QVERIFY(fx.Preview().count({14, 2}) && !fx.Preview().count({10, 6}));
        // The cursor tells a handle from the body.
        QCOMPARE(pLine->CursorIdAt(fx.V(), {14 * fx.V().GetCellWidth() + fx.V().GetCellWidth() / 2,
                                            2 * fx.V().GetCellHeight() + fx.V().GetCellHeight() / 2}),
                 141);
    }

    void aCurveTakesADragAndTwoClicksThenItsHandles()
    {
        CShapeFixture fx(TOOL_CURVE);
        auto* pCurve = dynamic_cast<CCurveTool*>(fx.V().GetTool(TOOL_CURVE));
        // A first drag that never leaves its cell places no end.
        Click(fx.V(), 3, 3);
        Drag(fx.V(), {{1, 1}, {12, 1}});
        QCOMPARE(pCurve->Points()[0], QPoint(1, 1));
        QCOMPARE(fx.Preview(), Square(1, 1, 11, 1));
        Click(fx.V(), 6, 9);
        QCOMPARE(pCurve->Points()[1], QPoint(6, 9));
        QCOMPARE(pCurve->Points()[2], QPoint(6, 9));
        QVERIFY(!fx.Preview().count({6, 1})); // bent away from the straight line
        Click(fx.V(), 9, 0);
        QVERIFY(pCurve->IsComplete());
        // P3's handle drags P3; a click away writes the curve.
        const CellSet before = fx.Preview();
        Drag(fx.V(), {{12, 1}, {15, 5}});
        QCOMPARE(pCurve->Points()[3], QPoint(15, 5));
        QVERIFY(fx.Preview() != before);
        const CellSet curve = fx.Preview();
        Click(fx.V(), 18, 11);
        QCOMPARE(Inked(fx.m_doc), curve);
        QCOMPARE(pCurve->Points()[0], QPoint(18, 11));
    }

    void rectanglesWriteEachCornerOnceAndAutoDrawKeepsTheTopEdge()
    {
        for (const bool bAuto : {false, true}) {
            CShapeFixture fx(TOOL_RECTANGLE);
            fx.V().Drawing().SetAutoDraw(bAuto);
            Drag(fx.V(), {{2, 2}, {5, 4}, {8, 7}});
            const CTrackRect rc = fx.V().Tracker().Rect();
            QCOMPARE(rc.left, 2 * fx.V().GetCellWidth());
            QCOMPARE(rc.bottom, 7 * fx.V().GetCellHeight());
            const size_t nPreview = fx.Preview().size();
            ChooseTool(fx, TOOL_RECTANGLE); // any tool command writes it
            QCOMPARE(Inked(fx.m_doc).size(), nPreview);
            if (!bAuto) {
                QCOMPARE(Inked(fx.m_doc), Outline(2, 2, 7, 6));
            } else {
                // The sides are bars; the left one stops short of the
                // top-left corner, which the top edge alone decides.
                QCOMPARE(CharAt(fx.m_doc, 2, 4), uint8_t('|'));
                QCOMPARE(CharAt(fx.m_doc, 7, 4), uint8_t('|'));
                QCOMPARE(CharAt(fx.m_doc, 4, 2), uint8_t('-'));
                QVERIFY(CharAt(fx.m_doc, 2, 2) != '|');
            }
            QVERIFY(fx.V().Tracker().Rect().IsNull());
        }
    }

    void anEllipseStaysInsideItsRectangleAndTouchesEachSide()
    {
        CShapeFixture fx(TOOL_ELLIPSE);
        Drag(fx.V(), {{2, 1}, {17, 11}});
        const CellSet cells = fx.Preview();
        int nMinC = COLS, nMaxC = 0, nMinR = ROWS, nMaxR = 0;
        for (const auto& [c, r] : cells) {
            nMinC = std::min(nMinC, c), nMaxC = std::max(nMaxC, c);
            nMinR = std::min(nMinR, r), nMaxR = std::max(nMaxR, r);
        }
        QCOMPARE(QRect(QPoint(nMinC, nMinR), QPoint(nMaxC, nMaxR)), QRect(QPoint(2, 1), QPoint(16, 10)));
        QVERIFY(!cells.count({9, 5})); // hollow
    }

    void theTrackerMovesResizesAndStopsAsItShould()
    {
        CShapeFixture fx(TOOL_RECTANGLE);
        CArtView& v = fx.V();
        // A rubber band that never leaves its cell holds no shape.
        Drag(v, {{4, 4}, {4, 4}});
        QVERIFY(v.Tracker().Rect().IsEmpty());
        QVERIFY(fx.Preview().empty());
        // Moving the middle past the border stops flush, the shape with it,
        // in the colour of that press.
        Drag(v, {{2, 2}, {6, 5}});
        v.SetTextColor(BLUE);
        Drag(v, {{3, 3}, {0, 3}, {-3, 0}});
        QCOMPARE(v.Tracker().Rect().left, 0);
        QCOMPARE(v.Tracker().Rect().top, 0);
        QCOMPARE(fx.Preview(), Outline(0, 0, 3, 2));
        // Escape ends a resize where it is.
        const QPoint ptHandle = ClientOf(v, {4 * v.GetCellWidth() - 2, 3 * v.GetCellHeight() - 2});
        SendAt(v, QEvent::MouseButtonPress, ptHandle, Qt::LeftButton, Qt::LeftButton);
        Move(v, 9, 8);
        PressKey(v, Qt::Key_Escape);
        QVERIFY(!v.Tracker().IsTracking());
        Move(v, 12, 10);
        Release(v, 12, 10);
        QCOMPARE(v.Tracker().Rect().Normalized().right, 10 * v.GetCellWidth());
        ChooseTool(fx, TOOL_CURSOR);
        QCOMPARE(Inked(fx.m_doc), Outline(0, 0, 9, 8));
        QCOMPARE(ColorAt(fx.m_doc, 0, 0), BLUE);
    }

    void aPendingShapeSurvivesAZoomAndIsWrittenOnItsOwnFrame()
    {
        CShapeFixture fx(TOOL_LINE);
        fx.V().SetTextColor(RED);
        Drag(fx.V(), {{1, 1}, {6, 1}});
        // Shown, in the colour it will be written in, through the refreshes.
        fx.V().SetTextColor(BLUE);
        fx.V().ToggleGrid();
        QVERIFY(Shows(fx.V(), Square(1, 1, 5, 1), RED));
        fx.V().ZoomIn();
        QVERIFY(Shows(fx.V(), Square(1, 1, 5, 1), RED));
        QCOMPARE(fx.m_host.m_nTool, TOOL_CURSOR);
        QCOMPARE(fx.Preview(), Square(1, 1, 5, 1));
        ChooseTool(fx, TOOL_LINE);
        QCOMPARE(Inked(fx.m_doc), Square(1, 1, 5, 1));
        // A shape pending when the frame changes lands on its own frame.
        Drag(fx.V(), {{1, 5}, {6, 5}});
        fx.V().EndPendingEdit();
        AddFrame(fx);
        QVERIFY(Inked(fx.m_doc).empty());
        Click(fx.V(), 9, 9);
        QVERIFY(Inked(fx.m_doc).empty());
        ShowFrame(fx, fx.m_host.m_nFirstFrameKey);
        QCOMPARE(Inked(fx.m_doc).size(), 10u);
        QCOMPARE(UndoAll(fx.m_doc), 2);
    }
};

GW_CANVAS_TEST_MAIN(CShapeToolsTest)
#include "shape_tools_test.moc"
