// The tools driven through a fake context, without a window or a view: what
// a stroke, a fill, a pick and a pending line or box write, that every write
// lands inside a step, and how many steps each makes.
#include "canvas/tools/box_shape_tool.h"
#include "canvas/tools/fill_tool.h"
#include "canvas/tools/freehand_tool.h"
#include "canvas/tools/line_tool.h"
#include "canvas/tools/pick_tool.h"
#include "canvas_test_main.h"
#include "fake_tool_context.h"

#include <QObject>

#include <set>
#include <utility>

namespace {
using CCells = std::set<std::pair<int, int>>; // (col, row)

// The cells holding ch.
CCells CellsWith(CFakeToolContext& ctx, uint8_t ch)
{
    CCells cells;
    for (int r = 0; r < ctx.GetRows(); ++r)
        for (int c = 0; c < ctx.GetCols(); ++c)
            if (ctx.Cell(c, r).chChar == ch)
                cells.insert({c, r});
    return cells;
}

CCells PreviewCells(const CShapePreview& shapes)
{
    CCells cells;
    for (const auto& [nKey, ch] : shapes.m_mapPreview)
        cells.insert({PreviewCol(nKey), PreviewRow(nKey)});
    return cells;
}
} // namespace

class CToolContextTest : public QObject {
    Q_OBJECT

private slots:
    void strokeWritesItsCellsInOneStep()
    {
        struct Row {
            Qt::MouseButton button;
            int nWidth;
            QPoint ptFrom, ptTo;
            uint8_t ch;
            CCells cells;
        };
        // A drag writes up to the cell it left; the brush is clipped at the edges.
        const Row rows[] = {
            {Qt::LeftButton, 1, {2, 2}, {2, 2}, 'L', {{2, 2}}},
            {Qt::RightButton, 1, {2, 2}, {5, 2}, 'R', {{2, 2}, {3, 2}, {4, 2}}},
            {Qt::LeftButton, 3, {0, 0}, {0, 0}, 'L', {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
        };
        for (const Row& row : rows) {
            CFakeToolContext ctx(6, 8);
            ctx.Drawing().SetLeftChar('L');
            ctx.Drawing().SetRightChar('R');
            ctx.Drawing().SetBrushWidth(row.nWidth);
            ctx.Drawing().SetTextColor(0x0000FF);
            CFreehandTool tool;
            tool.OnMousePress(ctx, ctx.At(row.ptFrom.x(), row.ptFrom.y(), row.button));
            tool.OnMouseMove(ctx, ctx.At(row.ptTo.x(), row.ptTo.y(), row.button));
            QCOMPARE(ctx.m_nSteps, 0);
            tool.OnMouseRelease(ctx, ctx.At(row.ptTo.x(), row.ptTo.y(), row.button));
            QCOMPARE(CellsWith(ctx, row.ch), row.cells);
            QCOMPARE(ctx.Cell(row.ptFrom.x(), row.ptFrom.y()).crColor, COLORREF(0x0000FF));
            QCOMPARE(ctx.m_nSteps, 1);
            QCOMPARE(ctx.m_nStrayWrites, 0);
            QVERIFY(!ctx.Drawing().IsRightButton());
            QCOMPARE(ctx.m_host.m_nThumbnails, 1);
        }
    }

    void fillChangesTheSpaceRegionOrNothing()
    {
        CFakeToolContext ctx(4, 6);
        for (int r = 0; r < 4; ++r)
            ctx.Cell(3, r).chChar = '#';
        ctx.Drawing().SetLeftChar('L');
        CFillTool tool;
        tool.OnMousePress(ctx, ctx.At(3, 1)); // on the wall: no change, no step
        QCOMPARE(ctx.m_nSteps, 0);
        QVERIFY(CellsWith(ctx, 'L').empty());
        tool.OnMousePress(ctx, ctx.At(0, 0));
        QCOMPARE(CellsWith(ctx, 'L').size(), size_t(12)); // columns 0 .. 2
        QCOMPARE(CellsWith(ctx, ' ').size(), size_t(8));  // columns 4 .. 5 untouched
        QCOMPARE(ctx.m_nSteps, 1);
        QCOMPARE(ctx.m_nStrayWrites, 0);
    }

    void pickTakesPrintableCharactersOnly()
    {
        CFakeToolContext ctx(2, 4);
        ctx.Cell(0, 0).chChar = 'Q';
        ctx.Cell(1, 0).chChar = 0x7F;
        CPickTool tool;
        tool.OnMousePress(ctx, ctx.At(0, 0, Qt::RightButton));
        tool.OnMousePress(ctx, ctx.At(1, 0, Qt::LeftButton));
        QCOMPARE(ctx.Drawing().RightChar(), uchar('Q'));
        QCOMPARE(ctx.Drawing().LeftChar(), uchar(' '));
        QCOMPARE(ctx.m_host.m_vPicks.size(), size_t(1));
        QCOMPARE(ctx.m_nSteps, 0);
    }

    void shapesStayPendingUntilCommittedInTheirColour()
    {
        for (const bool bBox : {false, true}) {
            CFakeToolContext ctx(8, 10);
            ctx.Drawing().SetLeftChar('*');
            ctx.Drawing().SetTextColor(0x00FF00);
            CLineTool line;
            CBoxShapeTool box(false);
            CViewTool& tool = bBox ? static_cast<CViewTool&>(box) : line;
            tool.OnMousePress(ctx, ctx.At(1, 1));
            if (bBox) {
                // The view feeds the tracker while it tracks.
                ctx.Tracker().OnMouseMove(ctx.At(5, 4).ptCanvas);
                ctx.Tracker().OnLeftButtonUp();
            } else {
                tool.OnMouseMove(ctx, ctx.At(6, 3));
                tool.OnMouseRelease(ctx, ctx.At(6, 3));
            }
            const CCells preview = PreviewCells(ctx.Shapes());
            QVERIFY(preview.size() > 3);
            QVERIFY(CellsWith(ctx, '*').empty());
            // The colour was taken when the shape was started.
            ctx.Drawing().SetTextColor(0xFF0000);
            ctx.Shapes().CommitPreview();
            QCOMPARE(CellsWith(ctx, '*'), preview);
            QCOMPARE(ctx.Cell(1, 1).crColor, COLORREF(0x00FF00));
            QCOMPARE(ctx.m_nSteps, 1);
            QCOMPARE(ctx.m_nStrayWrites, 0);
            QVERIFY(!ctx.Shapes().IsPending());
        }
    }
};

GW_CANVAS_TEST_MAIN(CToolContextTest)
#include "tool_context_test.moc"
