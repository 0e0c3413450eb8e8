// Mirror drawing against plain drawing (built into gw_view_bench, whose main
// sets up Qt).
//
//   BM_MirrorStroke   a 1,000-move stroke with brush 10 over an 80 x 128
//                     drawing on an 800 x 600 view, end to end (mouse events
//                     through the view, cells, text layer, the refresh per
//                     move, the commit at mouse-up), with the four-way mirror
//                     on, against the same stroke with the mirror off, timed
//                     in the same iterations. Per move. Goal: x_median <= 1.5.
//
// Counters: view_us (four-way) and yardstick_us (off), medians in
// microseconds, x_median and x_mean.

#include "canvas/art_view.h"
#include "canvas/tool_codes.h"
#include "core/mirror_writer.h"

#include "bench/ratio_counters.h"
#include "bench/view_bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {
using gwratio::Clock;
using gwratio::Micros;
using gwratio::SetRatioCounters;
using gwviewbench::CToolBench;

void BM_MirrorStroke(benchmark::State& state)
{
    constexpr int MOVES = 1000;
    CToolBench bench;
    CArtView& view = *bench.m_pView;
    view.Drawing().SetBrushWidth(10);
    bench.Choose(TOOL_FREEHAND_10);

    const std::vector<QPoint> vPath = bench.SnakePath(MOVES);
    const auto stroke = [&](EMirrorMode nMode) {
        view.SetMirror({nMode});
        const auto t0 = Clock::now();
        bench.DragAlong(vPath);
        const auto t1 = Clock::now();
        bench.m_doc.OnEditUndo(); // back to a blank frame
        return t1 - t0;
    };

    std::vector<double> vMirror;
    std::vector<double> vPlain;
    for (auto _ : state) {
        const auto dMirror = stroke(EMirrorMode::FourWay);
        const auto dPlain = stroke(EMirrorMode::Off);
        vMirror.push_back(Micros(dMirror) / MOVES);
        vPlain.push_back(Micros(dPlain) / MOVES);
        state.SetIterationTime(std::chrono::duration<double>(dMirror).count());
    }
    SetRatioCounters(state, vMirror, vPlain);
}
BENCHMARK(BM_MirrorStroke)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace
