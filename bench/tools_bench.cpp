// Benchmarks of the stroke tools, each against a yardstick timed in the same
// iterations (built into gw_view_bench, whose main sets up Qt).
//
//   BM_FreehandStroke   a 1,000-move stroke with brush 10 over an 80 x 128
//                       drawing on an 800 x 600 view, end to end: mouse events
//                       through the view, cells, text layer, Refresh(CArtView::REFRESH_VISIBLE) per
//                       move and the commit at mouse-up. Per move, against one
//                       Refresh(CArtView::REFRESH_VISIBLE). Goal: x_median <= 1.5.
//   BM_FloodFillFrame   a fill of a blank 80 x 128 frame: the edit step, the
//                       fill and the commit, against the store's own full-frame
//                       step (BackupBegin, every cell rewritten, BackupCommit).
//                       Goal: x_median <= 1.5. click_us adds what a click also
//                       does: Refresh(CArtView::REFRESH_ALL) and the thumbnail.
//
// Counters: view_us and yardstick_us (medians, microseconds), x_median and x_mean.

#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "canvas/tools/view_cell_writer.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/cell_algorithms.h"

#include "bench/ratio_counters.h"
#include "bench/view_bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <vector>

namespace {
using gwratio::Clock;
using gwratio::Micros;
using gwratio::Median;
using gwratio::SetRatioCounters;
using gwviewbench::CToolBench;

void BM_FreehandStroke(benchmark::State& state)
{
    constexpr int MOVES = 1000;
    CToolBench bench;
    CArtView& view = *bench.m_pView;
    view.Drawing().SetBrushWidth(10);
    bench.Choose(TOOL_FREEHAND_10);

    const std::vector<QPoint> vPath = bench.SnakePath(MOVES);

    std::vector<double> vView;
    std::vector<double> vYard;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bench.Send(QEvent::MouseButtonPress, vPath[0], Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= MOVES; ++i)
            bench.Send(QEvent::MouseMove, vPath[static_cast<size_t>(i)], Qt::NoButton,
                       Qt::LeftButton);
        bench.Send(QEvent::MouseButtonRelease, vPath.back(), Qt::LeftButton, Qt::NoButton);
        const auto t1 = Clock::now();
        constexpr int REFRESHES = 50;
        for (int i = 0; i < REFRESHES; ++i)
            view.Refresh(CArtView::REFRESH_VISIBLE);
        const auto t2 = Clock::now();
        vView.push_back(Micros(t1 - t0) / MOVES);
        vYard.push_back(Micros(t2 - t1) / REFRESHES);
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        state.PauseTiming();
        bench.m_doc.OnEditUndo(); // back to a blank frame
        state.ResumeTiming();
    }
    SetRatioCounters(state, vView, vYard);
}
BENCHMARK(BM_FreehandStroke)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FloodFillFrame(benchmark::State& state)
{
    CToolBench bench;
    CArtView& view = *bench.m_pView;
    CArtDoc& doc = bench.m_doc;
    bench.Choose(TOOL_FILL);
    const QPoint ptCell(view.GetCellWidth() / 2, view.GetCellHeight() / 2);

    std::vector<double> vView;
    std::vector<double> vYard;
    std::vector<double> vClick;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        {
            CViewCellWriter writer(view, false);
            view.BeginEdit();
            FloodFill(writer, 0, 0, '#');
            view.EndEdit();
        }
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
        bench.Send(QEvent::MouseButtonPress, ptCell, Qt::LeftButton, Qt::LeftButton);
        bench.Send(QEvent::MouseButtonRelease, ptCell, Qt::LeftButton, Qt::NoButton);
        const auto t5 = Clock::now();
        state.PauseTiming();
        doc.OnEditUndo();
        state.ResumeTiming();
        vView.push_back(Micros(t1 - t0));
        vYard.push_back(Micros(t3 - t2));
        vClick.push_back(Micros(t5 - t4));
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    SetRatioCounters(state, vView, vYard);
    state.counters["click_us"] = Median(vClick);
}
BENCHMARK(BM_FloodFillFrame)->UseManualTime()->Unit(benchmark::kMicrosecond);
} // namespace
