// Benchmarks of the two plain undo designs the page backup store replaces,
// on the same frame and edits as the store (backup_bench_support.h), with
// the same counters. They only run at depth 100: kept whole, their history
// would take gigabytes within one run. They are registered in
// backup_bench.cpp, after the store, so that the results keep their order.

#include "backup_bench_support.h"

#include "core/char_cell.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

namespace gwbench {

// ---------------------------------------------------------------------------
// Plain design (a): a whole-frame snapshot after every step. Undo and redo
// copy the neighbouring snapshot back over the frame.

void BM_SnapshotStep(benchmark::State& state, int nCase)
{
    const EditCase& ec = kCases[nCase];
    const auto nDepth = static_cast<std::size_t>(state.range(0));
    std::vector<CharCell> frame = BlankFrame();
    std::deque<std::vector<CharCell>> history;
    history.push_back(frame);
    bool odd = true;
    int64_t n = 0;
    auto t0 = Clock::now();
    for (auto _ : state) {
        DirectWriter w{frame.data()};
        ec.pfnDirect(w, odd);
        history.emplace_back(frame.begin(), frame.end());
        if (history.size() > nDepth + 1)
            history.pop_front();
        odd = !odd;
        ++n;
    }
    auto t1 = Clock::now();
    benchmark::DoNotOptimize(history.back().data());
    SetKeptCounters(state, ec, static_cast<double>(history.back().capacity() * sizeof(CharCell)));
    if (n > 0)
        SetStepRatios(state, ec, Seconds(t1 - t0) / static_cast<double>(n));
}

namespace {

void SnapshotHistory(benchmark::State& state, int nCase, Timed timed)
{
    const EditCase& ec = kCases[nCase];
    std::vector<CharCell> frame = BlankFrame();
    std::deque<std::vector<CharCell>> history;
    history.push_back(frame);
    DirectWriter w{frame.data()};
    ec.pfnDirect(w, true);
    history.emplace_back(frame.begin(), frame.end());
    double dTotal = 0;
    int64_t n = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        std::memcpy(frame.data(), history[0].data(), kFrameBytes);
        benchmark::ClobberMemory();
        auto t1 = Clock::now();
        std::memcpy(frame.data(), history[1].data(), kFrameBytes);
        benchmark::ClobberMemory();
        auto t2 = Clock::now();
        double d = timed == Timed::Undo   ? Seconds(t1 - t0)
                   : timed == Timed::Redo ? Seconds(t2 - t1)
                                          : Seconds(t2 - t0);
        state.SetIterationTime(d);
        dTotal += d;
        ++n;
    }
    if (!SameFrame(frame.data(), ExpectedFrame(ec, true, true)))
        state.SkipWithError("snapshot redo lost the step");
    SetKeptCounters(state, ec, static_cast<double>(history.back().capacity() * sizeof(CharCell)));
    if (n > 0)
        SetPairRatio(state, dTotal / static_cast<double>(n));
}

} // namespace

void BM_SnapshotUndo(benchmark::State& state, int nCase)
{
    SnapshotHistory(state, nCase, Timed::Undo);
}
void BM_SnapshotRedo(benchmark::State& state, int nCase)
{
    SnapshotHistory(state, nCase, Timed::Redo);
}

// ---------------------------------------------------------------------------
// Plain design (b): a record of every changed cell, before and after. The
// writer knows how many cells it will touch and reserves exactly that.

void BM_CellListStep(benchmark::State& state, int nCase)
{
    const EditCase& ec = kCases[nCase];
    const auto nDepth = static_cast<std::size_t>(state.range(0));
    std::vector<CharCell> frame = BlankFrame();
    std::deque<std::vector<CellRecord>> history;
    bool odd = true;
    int64_t n = 0;
    auto t0 = Clock::now();
    for (auto _ : state) {
        std::vector<CellRecord> records;
        records.reserve(ec.nCells);
        ListWriter w{frame.data(), &records};
        ec.pfnListed(w, odd);
        history.push_back(std::move(records));
        if (history.size() > nDepth)
            history.pop_front();
        odd = !odd;
        ++n;
    }
    auto t1 = Clock::now();
    if (!SameFrame(frame.data(), ExpectedFrame(ec, n > 0, !odd))) {
        state.SkipWithError("the frame does not hold the last step's writes");
        return;
    }
    if (!history.empty())
        SetKeptCounters(state, ec,
                        static_cast<double>(history.back().capacity() * sizeof(CellRecord)));
    if (n > 0)
        SetStepRatios(state, ec, Seconds(t1 - t0) / static_cast<double>(n));
}

namespace {

void CellListHistory(benchmark::State& state, int nCase, Timed timed)
{
    const EditCase& ec = kCases[nCase];
    std::vector<CharCell> frame = BlankFrame();
    std::vector<CellRecord> records;
    records.reserve(ec.nCells);
    ListWriter w{frame.data(), &records};
    ec.pfnListed(w, true);
    double dTotal = 0;
    int64_t n = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            frame[it->nIndex] = it->before;
        benchmark::ClobberMemory();
        auto t1 = Clock::now();
        for (const CellRecord& rec : records)
            frame[rec.nIndex] = rec.after;
        benchmark::ClobberMemory();
        auto t2 = Clock::now();
        double d = timed == Timed::Undo   ? Seconds(t1 - t0)
                   : timed == Timed::Redo ? Seconds(t2 - t1)
                                          : Seconds(t2 - t0);
        state.SetIterationTime(d);
        dTotal += d;
        ++n;
    }
    if (!SameFrame(frame.data(), ExpectedFrame(ec, true, true)))
        state.SkipWithError("cell-list redo lost the step");
    SetKeptCounters(state, ec, static_cast<double>(records.capacity() * sizeof(CellRecord)));
    if (n > 0)
        SetPairRatio(state, dTotal / static_cast<double>(n));
}

} // namespace

void BM_CellListUndo(benchmark::State& state, int nCase)
{
    CellListHistory(state, nCase, Timed::Undo);
}
void BM_CellListRedo(benchmark::State& state, int nCase)
{
    CellListHistory(state, nCase, Timed::Redo);
}

} // namespace gwbench
