// Benchmarks of the shape tools and Auto draw, each against a yardstick timed
// in the same iterations (built into gw_view_bench, whose main sets up Qt).
// The drawing is a blank 80 x 128 on an 800 x 600 view at the default zoom.
//
//   BM_LinePreviewMove     a line dragged out from the top-left cell, every
//                          move into the bottom-right cell or its neighbour:
//                          each redraws a corner-to-corner preview (overlay
//                          cleared, cells, guide, handles, visible refresh).
//                          Per move, press and release included, against one
//                          Refresh(REFRESH_VISIBLE) with the overlay shown.
//                          Goal: x_median <= 1.5.
//   BM_EllipsePreviewMove  an ellipse dragged out from the top-left corner,
//                          inscribed in the whole canvas and in the canvas
//                          less a cell by turns; per move against one
//                          Refresh(REFRESH_VISIBLE) while the tracker is shown.
//                          Goal: x_median <= 2.
//   BM_CommitRectangle     writing a pending full-canvas rectangle / ellipse:
//   BM_CommitEllipse       the edit step with the shape's cells, against the
//                          store's own full-frame step (BackupBegin, every
//                          cell rewritten, BackupCommit). Goal: x_median <= 1.5.
//                          click_us is the whole CommitPreview, which also
//                          does Refresh(REFRESH_ALL) and asks the host for a
//                          thumbnail (this host draws none).
//   BM_AutoDrawStroke      a 1,000-move freehand stroke with Auto draw, moves
//                          of a few pixels over the visible cells, end to end;
//                          per move against one Refresh(REFRESH_VISIBLE).
//                          Goal: x_median <= 1.5.
//
// Counters: view_us and yardstick_us (medians, microseconds), x_median and x_mean.

#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/shape_path.h"

#include "bench/ratio_counters.h"
#include "bench/view_bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

namespace {
using gwratio::Clock;
using gwratio::Micros;
using gwratio::Median;
using gwratio::SetRatioCounters;
using gwviewbench::CToolBench;

constexpr int REFRESHES = 50;

// A drag of the current tool from ptStart, moving between the two ends by
// turns, then released. The press and the moves, and the release, are timed
// per move; between them, in the same state, visible refreshes are timed.
// What the drag left pending is dropped unwritten afterwards.
void RubberBand(benchmark::State& state, CToolBench& bench, QPoint ptStart,
                const std::array<QPoint, 2>& aEnds)
{
    constexpr int MOVES = 200;
    CArtView& view = *bench.m_pView;
    std::vector<double> vView;
    std::vector<double> vYard;
    size_t nCells = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bench.Press(ptStart);
        for (int i = 0; i < MOVES; ++i)
            bench.Drag(aEnds[static_cast<size_t>(i % 2)]);
        const auto t1 = Clock::now();
        for (int i = 0; i < REFRESHES; ++i)
            view.Refresh(CArtView::REFRESH_VISIBLE);
        const auto t2 = Clock::now();
        bench.Release(aEnds[(MOVES - 1) % 2]);
        const auto t3 = Clock::now();
        state.PauseTiming();
        nCells = view.Shapes().m_mapPreview.size();
        view.Shapes().Restart();
        view.Tracker().Empty();
        state.ResumeTiming();
        const auto tDrag = (t1 - t0) + (t3 - t2);
        vView.push_back(Micros(tDrag) / MOVES);
        vYard.push_back(Micros(t2 - t1) / REFRESHES);
        state.SetIterationTime(std::chrono::duration<double>(tDrag).count());
    }
    state.counters["preview_cells"] = static_cast<double>(nCells);
    SetRatioCounters(state, vView, vYard);
}

void BM_LinePreviewMove(benchmark::State& state)
{
    CToolBench bench;
    bench.Choose(TOOL_LINE);
    // Both ends lie on the canvas beyond the viewport, where a drag past the
    // window's corner reports the mouse.
    RubberBand(state, bench, bench.CellCentre(0, 0),
               {bench.CellCentre(MAX_COLS - 1, MAX_ROWS - 1),
                bench.CellCentre(MAX_COLS - 2, MAX_ROWS - 1)});
}
BENCHMARK(BM_LinePreviewMove)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_EllipsePreviewMove(benchmark::State& state)
{
    CToolBench bench;
    bench.Choose(TOOL_ELLIPSE);
    // The tracker snaps the mouse to cell corners: the "cell" just past the
    // canvas gives the whole canvas, the last cell the canvas less a cell.
    RubberBand(state, bench, {0, 0},
               {bench.CellCentre(MAX_COLS, MAX_ROWS),
                bench.CellCentre(MAX_COLS - 1, MAX_ROWS - 1)});
}
BENCHMARK(BM_EllipsePreviewMove)->UseManualTime()->Unit(benchmark::kMillisecond);

// A full-canvas shape of the tool made pending, then written: first the edit
// step alone (as CommitPreview writes it), then the store's full-frame step,
// then CommitPreview whole; each undone, untimed, back to a blank frame.
void CommitShape(benchmark::State& state, int nTool)
{
    CToolBench bench;
    CArtView& view = *bench.m_pView;
    CArtDoc& doc = bench.m_doc;
    bench.Choose(nTool);
    CShapePreview& shapes = view.Shapes();

    std::vector<double> vView;
    std::vector<double> vYard;
    std::vector<double> vClick;
    size_t nCells = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench.Press({0, 0});
        bench.Drag(bench.CellCentre(MAX_COLS, MAX_ROWS));
        bench.Release(bench.CellCentre(MAX_COLS, MAX_ROWS));
        nCells = shapes.m_mapPreview.size();
        state.ResumeTiming();
        const auto t0 = Clock::now();
        view.BeginEdit();
        for (const auto& [nKey, ch] : shapes.m_mapPreview)
            view.SetCell(PreviewCol(nKey), PreviewRow(nKey), ch, CArtView::COLOUR_GIVEN,
                         shapes.m_crShape);
        view.EndEdit();
        const auto t1 = Clock::now();
        state.PauseTiming();
        doc.OnEditUndo();
        state.ResumeTiming();
        const auto t2 = Clock::now();
        {
            const auto nId = static_cast<unsigned>(doc.GetCurHistory());
            BackupBegin(nId);
            CharCell* pCells = doc.GetCurCells();
            for (int i = 0; i < MAX_ROWS * MAX_COLS; ++i)
                pCells[i].chChar = '#';
            BackupCommit(nId);
        }
        const auto t3 = Clock::now();
        state.PauseTiming();
        doc.OnEditUndo();
        state.ResumeTiming();
        const auto t4 = Clock::now();
        view.CommitPreview();
        const auto t5 = Clock::now();
        state.PauseTiming();
        doc.OnEditUndo();
        view.Tracker().Empty();
        state.ResumeTiming();
        vView.push_back(Micros(t1 - t0));
        vYard.push_back(Micros(t3 - t2));
        vClick.push_back(Micros(t5 - t4));
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    state.counters["preview_cells"] = static_cast<double>(nCells);
    SetRatioCounters(state, vView, vYard);
    state.counters["click_us"] = Median(vClick);
}

void BM_CommitRectangle(benchmark::State& state)
{
    CommitShape(state, TOOL_RECTANGLE);
}
BENCHMARK(BM_CommitRectangle)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_CommitEllipse(benchmark::State& state)
{
    CommitShape(state, TOOL_ELLIPSE);
}
BENCHMARK(BM_CommitEllipse)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_AutoDrawStroke(benchmark::State& state)
{
    constexpr int MOVES = 1000;
    static constexpr int STEP = 3; // pixels a move; cells are wider and taller
    CToolBench bench;
    CArtView& view = *bench.m_pView;
    bench.Choose(TOOL_FREEHAND_1);
    view.Drawing().SetAutoDraw(true);

    // A snake along the centres of the visible rows, down from one to the
    // next at the ends, STEP pixels a move.
    const int nCellW = view.GetCellWidth();
    const int nCellH = view.GetCellHeight();
    const int nCols = std::min(view.viewport()->width() / nCellW, MAX_COLS);
    const int nRows = std::min(view.viewport()->height() / nCellH, MAX_ROWS);
    const int nMinX = nCellW / 2;
    const int nMaxX = (nCols - 1) * nCellW + nCellW / 2;
    const auto toward = [](int n, int nTo) { return n + std::clamp(nTo - n, -STEP, STEP); };
    std::vector<QPoint> vPath{{nMinX, nCellH / 2}};
    int nRow = 0;
    bool bRight = true;
    while (vPath.size() <= MOVES) {
        QPoint pt = vPath.back();
        const int nRowY = nRow * nCellH + nCellH / 2;
        const int nEndX = bRight ? nMaxX : nMinX;
        if (pt.y() != nRowY) {
            pt.setY(toward(pt.y(), nRowY));
        } else if (pt.x() != nEndX) {
            pt.setX(toward(pt.x(), nEndX));
        } else {
            bRight = !bRight;
            nRow = (nRow + 1) % nRows;
            continue;
        }
        vPath.push_back(pt);
    }

    std::vector<double> vView;
    std::vector<double> vYard;
    int nWritten = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bench.DragAlong(vPath);
        const auto t1 = Clock::now();
        for (int i = 0; i < REFRESHES; ++i)
            view.Refresh(CArtView::REFRESH_VISIBLE);
        const auto t2 = Clock::now();
        vView.push_back(Micros(t1 - t0) / MOVES);
        vYard.push_back(Micros(t2 - t1) / REFRESHES);
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        state.PauseTiming();
        const CharCell* pCells = bench.m_doc.GetCurCells();
        nWritten = static_cast<int>(std::count_if(pCells, pCells + MAX_ROWS * MAX_COLS,
                                                  [](const CharCell& c) { return c.chChar != ' '; }));
        bench.m_doc.OnEditUndo(); // back to a blank frame
        state.ResumeTiming();
    }
    state.counters["cells"] = nWritten;
    SetRatioCounters(state, vView, vYard);
}
BENCHMARK(BM_AutoDrawStroke)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace
