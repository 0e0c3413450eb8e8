// Benchmarks of the page backup store against what it costs at the least and
// against the two plain undo designs it replaces.
//
// Every case works on a frame of the largest size, 80 x 128 cells (163,840
// bytes, 40 pages). Timings are wall-clock time per step, undo or redo.
//
//   BM_Floor            one first-write fault served by a bare handler of our
//                       own (4 KB copy, page made writable) plus the mprotect
//                       that makes the page read-only again: the least any
//                       fault-driven step can cost per page.
//   BM_ProtectPair      mprotect read-write then read-only of one page: the
//                       least an undo that writes into a store page can cost.
//   BM_EngineStep       begin, plain writes, commit.
//   BM_EngineUndo/Redo  one undo (redo) of a committed step; each iteration
//                       undoes and redoes, only the named half is timed.
//   BM_EngineUndoRedo   the pair, both halves timed.
//   BM_EngineEmptyStep  begin and commit with no write: the fixed cost.
//   BM_SnapshotStep...  a whole-frame copy per step in a deque.
//   BM_CellListStep...  a (cell index, old cell, new cell) record per changed
//                       cell per step.
//
// The depth argument is the number of steps kept. For the store it sets
// g_nUndoRedoStep: 1,000,000 keeps every step of a run (nothing is dropped
// while measuring); 100 measures the steady state where each commit also drops
// the oldest step. The plain designs only run at depth 100: kept whole, their
// history would take gigabytes within one run.
//
// Counters:
//   diff_bytes       bytes the newest step keeps (encoded differences for the
//                    store, the snapshot or record vector for the plain designs)
//   diff_pages       pages the newest store step recorded
//   frame_pages      pages the frame spans in the store
//   heap_per_step    growth of the C heap per kept store step (differences
//                    and bookkeeping), when no step was dropped
//   ratio_to_frame   diff_bytes / 163,840
//   x_floor          time per step / BM_Floor
//   x_40floors       time per step / (40 x BM_Floor), for full-frame steps
//   x_pair           time per undo or redo / BM_ProtectPair
// The floor and pair figures come from the latest BM_Floor and BM_ProtectPair
// runs of the same process (measured on the spot when those were filtered out),
// so these ratios suffer when the machine is busy; the goal benchmarks give
// store_us, yardstick_us, x_median (ratio of the medians) and x_mean instead.
//
// The frame, the edits, the floor and pair figures and the store harness are
// in backup_bench_support.h; the plain designs in plain_designs_bench.cpp.

#include "backup_bench_support.h"

#include "core/backup_codec.h"
#include "core/backup_store.h"
#include "core/char_cell.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using namespace gwbench;

// ---------------------------------------------------------------------------
// The floor and the pair

void BM_Floor(benchmark::State& state)
{
    BareFaultPages page(1);
    if (!page.Arm()) {
        state.SkipWithError("cannot set up the bare fault page");
        return;
    }
    unsigned n = 0;
    auto t0 = Clock::now();
    for (auto _ : state)
        page.Cycle(0, n++);
    auto t1 = Clock::now();
    if (n > 0)
        g_dFloorSeconds = Seconds(t1 - t0) / n;
}

void BM_ProtectPair(benchmark::State& state)
{
    void* p =
        mmap(nullptr, BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        state.SkipWithError("mmap failed");
        return;
    }
    char* pPage = static_cast<char*>(p);
    std::memset(pPage, 0x5A, BACKUP_PAGE_SIZE);
    mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ);
    int64_t n = 0;
    auto t0 = Clock::now();
    for (auto _ : state) {
        mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE);
        mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ);
        ++n;
    }
    auto t1 = Clock::now();
    if (n > 0)
        g_dPairSeconds = Seconds(t1 - t0) / static_cast<double>(n);
    munmap(pPage, BACKUP_PAGE_SIZE);
}

// ---------------------------------------------------------------------------
// The store
double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    auto itMid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), itMid, v.end());
    return *itMid;
}


void BM_EngineStep(benchmark::State& state, int nCase)
{
    const EditCase& ec = kCases[nCase];
    if (!InstallFilter(state))
        return;
    StoreFrame sf(state.range(0));
    if (const char* pszError = sf.Open()) {
        state.SkipWithError(pszError);
        return;
    }
    bool odd = true;
    int64_t n = 0;
    const std::size_t nHeapBefore = mallinfo2().uordblks;
    auto t0 = Clock::now();
    for (auto _ : state) {
        if (!sf.Step(ec, odd)) {
            state.SkipWithError("a step failed");
            break;
        }
        odd = !odd;
        ++n;
    }
    auto t1 = Clock::now();
    const std::size_t nHeapAfter = mallinfo2().uordblks;
    if (!SameFrame(sf.Cells(), ExpectedFrame(ec, n > 0, !odd))) {
        state.SkipWithError("the frame does not hold the last step's writes");
        return;
    }
    SetStoreCounters(state, ec, sf);
    // Everything a kept step costs on the C heap (differences and the
    // bookkeeping around them); only meaningful while no step is dropped.
    if (n > 0 && static_cast<uint64_t>(n) < g_nUndoRedoStep)
        state.counters["heap_per_step"] =
            (static_cast<double>(nHeapAfter) - static_cast<double>(nHeapBefore)) /
            static_cast<double>(n);
    if (n > 0)
        SetStepRatios(state, ec, Seconds(t1 - t0) / static_cast<double>(n));
}

// Each iteration undoes the case's one committed step and redoes it; the
// manual time is the undo, the redo, or both.
void EngineHistory(benchmark::State& state, int nCase, Timed timed)
{
    const EditCase& ec = kCases[nCase];
    if (!InstallFilter(state))
        return;
    StoreFrame sf(kKeepAll);
    if (const char* pszError = sf.Open()) {
        state.SkipWithError(pszError);
        return;
    }
    if (!sf.Step(ec, true)) {
        state.SkipWithError("the step to undo failed");
        return;
    }
    const std::vector<CharCell> after = ExpectedFrame(ec, true, true);
    if (!SameFrame(sf.Cells(), after)) {
        state.SkipWithError("the committed step lost writes");
        return;
    }
    double dTotal = 0;
    int64_t n = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        unsigned nUndo = BackupUndo(sf.Id());
        auto t1 = Clock::now();
        unsigned nRedo = BackupRedo(sf.Id());
        auto t2 = Clock::now();
        if (!BackupSucceeded(nUndo) || !BackupSucceeded(nRedo)) {
            state.SkipWithError("undo or redo failed");
            break;
        }
        double d = timed == Timed::Undo   ? Seconds(t1 - t0)
                   : timed == Timed::Redo ? Seconds(t2 - t1)
                                          : Seconds(t2 - t0);
        state.SetIterationTime(d);
        dTotal += d;
        ++n;
    }
    // Outside the timing: redo must have brought the step back, and one more
    // undo must give the blank frame.
    if (!SameFrame(sf.Cells(), after)) {
        state.SkipWithError("redo did not restore the step's writes");
        return;
    }
    if (!BackupSucceeded(BackupUndo(sf.Id())) || !SameFrame(sf.Cells(), BlankFrame())) {
        state.SkipWithError("undo did not restore the blank frame");
        return;
    }
    if (!BackupSucceeded(BackupRedo(sf.Id()))) {
        state.SkipWithError("redo failed");
        return;
    }
    SetStoreCounters(state, ec, sf);
    if (n > 0)
        SetPairRatio(state, dTotal / static_cast<double>(n));
}

void BM_EngineUndo(benchmark::State& state, int nCase)
{
    EngineHistory(state, nCase, Timed::Undo);
}
void BM_EngineRedo(benchmark::State& state, int nCase)
{
    EngineHistory(state, nCase, Timed::Redo);
}
void BM_EngineUndoRedo(benchmark::State& state, int nCase)
{
    EngineHistory(state, nCase, Timed::Both);
}

// A step that writes nothing: what begin and commit cost on their own.
void BM_EngineEmptyStep(benchmark::State& state)
{
    if (!InstallFilter(state))
        return;
    StoreFrame sf(kKeepAll);
    if (const char* pszError = sf.Open()) {
        state.SkipWithError(pszError);
        return;
    }
    for (auto _ : state) {
        if (!BackupSucceeded(BackupBegin(sf.Id())) || !BackupSucceeded(BackupCommit(sf.Id()))) {
            state.SkipWithError("an empty step failed");
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// The goals. Each iteration times the store's operation and its yardstick one
// after the other (in alternating order), so both meet the same machine: the
// other processes, the caches, the clock speed. The ratio of the medians is
// the figure to read; an iteration that lost the processor moves it little.
//
//   BM_GoalStep/<case>  one step against its floor: the same edit written
//                       into a frame at the same offset in pages of our own,
//                       a bare fault per page it writes (1 for the small
//                       edits, 41 for a full frame), each copied into a page
//                       of its own, then each written page compared whole
//                       with its copy and the run made read-only in one call.
//   BM_UndoMemory/<case> what one kept step costs: heap_bytes, the growth of
//                       the C heap per step over 64 committed steps (the
//                       differences, their allocation overhead and the
//                       step's bookkeeping), next to diff_bytes, the encoded
//                       differences alone; heap_ratio_to_frame is heap_bytes
//                       over the frame's 163,840 bytes.
//   BM_GoalUndo/<case>  one undo against one protection change pair.

double Mean(const std::vector<double>& v)
{
    double dSum = 0;
    for (double d : v)
        dSum += d;
    return v.empty() ? 0 : dSum / static_cast<double>(v.size());
}

class GoalTimings {
public:
    explicit GoalTimings(const benchmark::State& state)
    {
        m_vStore.reserve(static_cast<std::size_t>(state.max_iterations));
        m_vYardstick.reserve(static_cast<std::size_t>(state.max_iterations));
    }
    void Add(double dStore, double dYardstick)
    {
        m_vStore.push_back(dStore);
        m_vYardstick.push_back(dYardstick);
    }
    void Report(benchmark::State& state) const
    {
        const double dStore = Median(m_vStore);
        const double dYardstick = Median(m_vYardstick);
        state.counters["store_us"] = dStore * 1e6;
        state.counters["yardstick_us"] = dYardstick * 1e6;
        if (dYardstick > 0)
            state.counters["x_median"] = dStore / dYardstick;
        if (Mean(m_vYardstick) > 0)
            state.counters["x_mean"] = Mean(m_vStore) / Mean(m_vYardstick);
    }

private:
    std::vector<double> m_vStore;
    std::vector<double> m_vYardstick;
};

void BM_GoalStep(benchmark::State& state, int nCase)
{
    const EditCase& ec = kCases[nCase];
    if (!InstallFilter(state))
        return;
    StoreFrame sf(kKeepAll);
    if (const char* pszError = sf.Open()) {
        state.SkipWithError(pszError);
        return;
    }
    // The yardstick's frame lies at the same offset in its pages as the
    // store's, so the edit writes the same bytes of the same pages.
    const std::size_t nOffset = reinterpret_cast<uintptr_t>(sf.Cells()) % BACKUP_PAGE_SIZE;
    BareFaultPages pages(kFramePages + 1);
    if (!pages.Arm()) {
        state.SkipWithError("cannot set up the bare fault pages");
        return;
    }
    pages.Disarm();
    pages.Fill(nOffset, BlankFrame().data(), kFrameBytes);
    DirectWriter yard{reinterpret_cast<CharCell*>(pages.Base() + nOffset)};

    GoalTimings timings(state);
    bool odd = true;
    unsigned n = 0;
    std::size_t nDiffer = 0;
    for (auto _ : state) {
        double dStore = 0;
        double dYardstick = 0;
        bool bOk = true;
        auto store = [&] {
            auto t0 = Clock::now();
            bOk = sf.Step(ec, odd);
            dStore = Seconds(Clock::now() - t0);
        };
        auto yardstick = [&] {
            pages.Arm();
            auto t0 = Clock::now();
            // The same edit, a bare fault per page it writes, then each
            // written page compared with its copy and the run read-only
            // again in one call: what a commit cannot do without.
            ec.pfnDirect(yard, odd);
            nDiffer += pages.Close();
            dYardstick = Seconds(Clock::now() - t0);
            pages.Disarm();
        };
        if (n & 1) {
            store();
            yardstick();
        } else {
            yardstick();
            store();
        }
        if (!bOk) {
            state.SkipWithError("a step failed");
            break;
        }
        state.SetIterationTime(dStore);
        timings.Add(dStore, dYardstick);
        odd = !odd;
        ++n;
    }
    if (!SameFrame(sf.Cells(), ExpectedFrame(ec, n > 0, !odd)) ||
        !SameFrame(yard.pCells, ExpectedFrame(ec, n > 0, !odd))) {
        state.SkipWithError("the frame does not hold the last step's writes");
        return;
    }
    benchmark::DoNotOptimize(nDiffer);
    timings.Report(state);
}

void BM_GoalUndo(benchmark::State& state, int nCase)
{
    const EditCase& ec = kCases[nCase];
    if (!InstallFilter(state))
        return;
    StoreFrame sf(kKeepAll);
    if (const char* pszError = sf.Open()) {
        state.SkipWithError(pszError);
        return;
    }
    if (!sf.Step(ec, true)) {
        state.SkipWithError("the step to undo failed");
        return;
    }
    void* p =
        mmap(nullptr, BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        state.SkipWithError("mmap failed");
        return;
    }
    char* pPage = static_cast<char*>(p);
    std::memset(pPage, 0x5A, BACKUP_PAGE_SIZE);
    mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ);

    GoalTimings timings(state);
    unsigned n = 0;
    for (auto _ : state) {
        double dStore = 0;
        double dYardstick = 0;
        unsigned nUndo = 0;
        auto store = [&] {
            auto t0 = Clock::now();
            nUndo = BackupUndo(sf.Id());
            dStore = Seconds(Clock::now() - t0);
        };
        auto yardstick = [&] {
            auto t0 = Clock::now();
            mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE);
            mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ);
            dYardstick = Seconds(Clock::now() - t0);
        };
        if (n & 1) {
            store();
            yardstick();
        } else {
            yardstick();
            store();
        }
        if (!BackupSucceeded(nUndo) || !BackupSucceeded(BackupRedo(sf.Id()))) {
            state.SkipWithError("undo or redo failed");
            break;
        }
        state.SetIterationTime(dStore);
        timings.Add(dStore, dYardstick);
        ++n;
    }
    munmap(pPage, BACKUP_PAGE_SIZE);
    if (!SameFrame(sf.Cells(), ExpectedFrame(ec, true, true))) {
        state.SkipWithError("redo did not restore the step's writes");
        return;
    }
    timings.Report(state);
}

void BM_UndoMemory(benchmark::State& state, int nCase)
{
    const EditCase& ec = kCases[nCase];
    if (!InstallFilter(state))
        return;
    constexpr int kSteps = 64;
    double dHeap = 0;
    double dDiff = 0;
    for (auto _ : state) {
        StoreFrame sf(kKeepAll);
        if (const char* pszError = sf.Open()) {
            state.SkipWithError(pszError);
            return;
        }
        // The first step grows the store's own lists; count the ones after.
        bool odd = true;
        sf.Step(ec, odd);
        odd = !odd;
        malloc_trim(0);
        const std::size_t nBefore = mallinfo2().uordblks;
        for (int i = 0; i < kSteps; ++i, odd = !odd) {
            if (!sf.Step(ec, odd)) {
                state.SkipWithError("a step failed");
                return;
            }
        }
        dHeap = (static_cast<double>(mallinfo2().uordblks) - static_cast<double>(nBefore)) / kSteps;
        BackupStoreStats stats;
        BackupGetStats(sf.Id(), stats);
        dDiff = static_cast<double>(stats.nNewestDiffBytes);
    }
    state.counters["heap_bytes"] = dHeap;
    state.counters["diff_bytes"] = dDiff;
    state.counters["heap_ratio_to_frame"] = dHeap / static_cast<double>(kFrameBytes);
}

// ---------------------------------------------------------------------------
// The codec alone, on one page of each case's difference: the page of the
// frame that holds the one-cell edit.

std::vector<uint16_t> DifferencePage(const EditCase& ec)
{
    const std::vector<CharCell> after = ExpectedFrame(ec, true, true);
    const std::vector<CharCell>& before = BlankFrame();
    const std::size_t nOffset = (kOneCell * sizeof(CharCell)) / BACKUP_PAGE_SIZE * BACKUP_PAGE_SIZE;
    std::vector<uint8_t> bytes(BACKUP_PAGE_SIZE);
    const auto* pAfter = reinterpret_cast<const uint8_t*>(after.data()) + nOffset;
    const auto* pBefore = reinterpret_cast<const uint8_t*>(before.data()) + nOffset;
    for (std::size_t i = 0; i < BACKUP_PAGE_SIZE; ++i)
        bytes[i] = pAfter[i] ^ pBefore[i];
    std::vector<uint16_t> words(BACKUP_PAGE_WORDS);
    std::memcpy(words.data(), bytes.data(), BACKUP_PAGE_SIZE);
    return words;
}

void BM_Encode(benchmark::State& state, int nCase)
{
    const std::vector<uint16_t> page = DifferencePage(kCases[nCase]);
    std::vector<uint16_t> out(BackupEncodedMaxWords(BACKUP_PAGE_WORDS));
    std::size_t nWords = 0;
    for (auto _ : state) {
        nWords = BackupEncode(page.data(), page.size(), out.data());
        benchmark::DoNotOptimize(nWords);
        benchmark::ClobberMemory();
    }
    state.counters["page_bytes"] = static_cast<double>(nWords * 2);
}

void BM_DecodeXor(benchmark::State& state, int nCase)
{
    const std::vector<uint16_t> page = DifferencePage(kCases[nCase]);
    std::vector<uint16_t> enc(BackupEncodedMaxWords(BACKUP_PAGE_WORDS));
    const std::size_t nWords = BackupEncode(page.data(), page.size(), enc.data());
    std::vector<uint16_t> target(BACKUP_PAGE_WORDS, 0);
    for (auto _ : state) {
        BackupDecodeXor(enc.data(), nWords, target.data(), target.size());
        benchmark::ClobberMemory();
    }
    // An even number of passes leaves the target as it was; one more must
    // give the difference itself.
    if (state.iterations() % 2 == 0)
        BackupDecodeXor(enc.data(), nWords, target.data(), target.size());
    if (target != page)
        state.SkipWithError("decoding does not give the difference back");
    state.counters["page_bytes"] = static_cast<double>(nWords * 2);
}

// ---------------------------------------------------------------------------
// Registration, in the order the results are read: the floor and the pair
// first, because the ratios of everything after them use their figures.

using CaseBench = void (*)(benchmark::State&, int);

void RegisterCases(const char* pszPrefix, CaseBench pfn, bool bManualTime,
                   std::initializer_list<int64_t> depths,
                   std::initializer_list<int> cases = {kCaseOneCell, kCaseStroke, kCaseFullChars,
                                                       kCaseFullColours, kCaseFullWorst})
{
    for (int c : cases) {
        std::string strName = std::string(pszPrefix) + "/" + kCases[c].pszName;
        auto* pBench = benchmark::RegisterBenchmark(
            strName.c_str(), [pfn, c](benchmark::State& state) { pfn(state, c); });
        pBench->Unit(benchmark::kMicrosecond);
        if (bManualTime)
            pBench->UseManualTime();
        else
            pBench->UseRealTime();
        if (depths.size() > 0) {
            pBench->ArgName("depth");
            for (int64_t d : depths)
                pBench->Arg(d);
        }
    }
}

[[maybe_unused]] const bool g_bRegistered = [] {
    benchmark::RegisterBenchmark("BM_Floor", &BM_Floor)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_ProtectPair", &BM_ProtectPair)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    RegisterCases("BM_EngineStep", &BM_EngineStep, false, {kKeepAll, kSteady});
    benchmark::RegisterBenchmark("BM_EngineEmptyStep", &BM_EngineEmptyStep)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    RegisterCases("BM_EngineUndo", &BM_EngineUndo, true, {});
    RegisterCases("BM_EngineRedo", &BM_EngineRedo, true, {});
    RegisterCases("BM_EngineUndoRedo", &BM_EngineUndoRedo, true, {});
    RegisterCases("BM_GoalStep", &BM_GoalStep, true, {});
    RegisterCases("BM_GoalUndo", &BM_GoalUndo, true, {}, {kCaseOneCell, kCaseStroke});
    RegisterCases("BM_UndoMemory", &BM_UndoMemory, false, {}, {kCaseOneCell, kCaseFullWorst});
    RegisterCases("BM_SnapshotStep", &BM_SnapshotStep, false, {kSteady});
    RegisterCases("BM_SnapshotUndo", &BM_SnapshotUndo, true, {});
    RegisterCases("BM_SnapshotRedo", &BM_SnapshotRedo, true, {});
    RegisterCases("BM_CellListStep", &BM_CellListStep, false, {kSteady});
    RegisterCases("BM_CellListUndo", &BM_CellListUndo, true, {});
    RegisterCases("BM_CellListRedo", &BM_CellListRedo, true, {});
    RegisterCases("BM_Encode", &BM_Encode, false, {});
    RegisterCases("BM_DecodeXor", &BM_DecodeXor, false, {});
    return true;
}();

} // namespace
