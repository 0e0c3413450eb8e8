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

#include "core/backup_codec.h"
#include "core/backup_store.h"
#include "core/char_cell.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRows = MAX_ROWS;
constexpr int kCols = MAX_COLS;
constexpr unsigned kCells = kRows * kCols;
constexpr std::size_t kFrameBytes = std::size_t{kCells} * sizeof(CharCell);
constexpr std::size_t kFramePages = kFrameBytes / BACKUP_PAGE_SIZE;
static_assert(kFrameBytes == 163840);

constexpr int64_t kKeepAll = 1000000;
constexpr int64_t kSteady = 100;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// ---------------------------------------------------------------------------
// Frame contents

// A blank frame as the document lays it out: spaces, black, each cell at its
// place on an 8 x 16 pixel grid.
const std::vector<CharCell>& BlankFrame()
{
    static const std::vector<CharCell> frame = [] {
        std::vector<CharCell> v(kCells);
        for (unsigned i = 0; i < kCells; ++i) {
            v[i] = CharCell{};
            v[i].crColor = 0;
            v[i].nX = static_cast<int32_t>(i % kCols) * 8;
            v[i].nY = static_cast<int32_t>(i / kCols) * 16;
            v[i].chChar = ' ';
        }
        return v;
    }();
    return frame;
}

// The blank frame with every 16-bit word XORed with a value that differs from
// both neighbours (1, 2, 3, ... over the whole frame, never 0). Alternating
// between the two frames gives a difference in which no two neighbouring words
// are equal, so run-length encoding finds nothing to shorten.
const std::vector<CharCell>& WorstFrame()
{
    static const std::vector<CharCell> frame = [] {
        std::vector<CharCell> v = BlankFrame();
        std::vector<uint16_t> words(kFrameBytes / 2);
        std::memcpy(words.data(), v.data(), kFrameBytes);
        for (std::size_t i = 0; i < words.size(); ++i)
            words[i] ^= static_cast<uint16_t>(1 + i % 0xFFFF);
        std::memcpy(v.data(), words.data(), kFrameBytes);
        return v;
    }();
    return frame;
}

COLORREF CellColour(unsigned i)
{
    // Never 0 (the blank colour), and neither 16-bit half is 0.
    return 0x00400001u | ((i * 2654435761u) & 0x3FFFEu);
}

// ---------------------------------------------------------------------------
// The edits. Each is written once against a writer: the store and the
// snapshot design write cells directly, the cell-list design records every
// cell before and after the write. Every case alternates between two states,
// so each step changes exactly the same bytes as the one before.

constexpr unsigned kOneCell = 40 * kCols + 64;
constexpr unsigned kStroke = 40 * kCols + 60; // 10 neighbouring cells in row 40

struct DirectWriter {
    CharCell* pCells;
    template <class Fn> void Edit(unsigned i, Fn fn) { fn(pCells[i]); }
};

struct CellRecord {
    uint32_t nIndex;
    CharCell before;
    CharCell after;
};

struct ListWriter {
    CharCell* pCells;
    std::vector<CellRecord>* pRecords;
    template <class Fn> void Edit(unsigned i, Fn fn)
    {
        CellRecord rec;
        rec.nIndex = i;
        rec.before = pCells[i];
        fn(pCells[i]);
        rec.after = pCells[i];
        pRecords->push_back(rec);
    }
};

template <class W> void EditOneCell(W& w, bool odd)
{
    w.Edit(kOneCell, [odd](CharCell& c) { c.chChar = odd ? 'B' : 'A'; });
}

template <class W> void EditStroke(W& w, bool odd)
{
    for (unsigned k = 0; k < 10; ++k)
        w.Edit(kStroke + k, [odd](CharCell& c) { c.chChar = odd ? '#' : ' '; });
}

template <class W> void EditFullChars(W& w, bool odd)
{
    for (unsigned i = 0; i < kCells; ++i)
        w.Edit(i, [odd, i](CharCell& c) {
            c.chChar = odd ? static_cast<uint8_t>('A' + i % 26) : ' ';
        });
}

template <class W> void EditFullColours(W& w, bool odd)
{
    for (unsigned i = 0; i < kCells; ++i)
        w.Edit(i, [odd, i](CharCell& c) {
            c.chChar = odd ? static_cast<uint8_t>('A' + i % 26) : ' ';
            c.crColor = odd ? CellColour(i) : 0;
        });
}

template <class W> void EditFullWorst(W& w, bool odd)
{
    const CharCell* pSrc = odd ? WorstFrame().data() : BlankFrame().data();
    for (unsigned i = 0; i < kCells; ++i)
        w.Edit(i, [pSrc, i](CharCell& c) { c = pSrc[i]; });
}

struct EditCase {
    const char* pszName;
    unsigned nCells; // cells the edit writes
    bool bFullFrame;
    void (*pfnDirect)(DirectWriter&, bool);
    void (*pfnListed)(ListWriter&, bool);
};

enum { kCaseOneCell, kCaseStroke, kCaseFullChars, kCaseFullColours, kCaseFullWorst };

const EditCase kCases[] = {
    {"one_cell", 1, false, &EditOneCell<DirectWriter>, &EditOneCell<ListWriter>},
    {"stroke10", 10, false, &EditStroke<DirectWriter>, &EditStroke<ListWriter>},
    {"full_chars", kCells, true, &EditFullChars<DirectWriter>, &EditFullChars<ListWriter>},
    {"full_chars_colours", kCells, true, &EditFullColours<DirectWriter>,
     &EditFullColours<ListWriter>},
    {"full_worst", kCells, true, &EditFullWorst<DirectWriter>, &EditFullWorst<ListWriter>},
};

// The frame a case leaves after its last step (odd tells which of its two
// states that step wrote).
std::vector<CharCell> ExpectedFrame(const EditCase& ec, bool bAnyStep, bool odd)
{
    std::vector<CharCell> v = BlankFrame();
    if (bAnyStep) {
        DirectWriter w{v.data()};
        ec.pfnDirect(w, odd);
    }
    return v;
}

bool SameFrame(const CharCell* pCells, const std::vector<CharCell>& expected)
{
    return std::memcmp(pCells, expected.data(), kFrameBytes) == 0;
}

// ---------------------------------------------------------------------------
// The floor: a bare write-fault handler on private pages of our own.

char* g_pBarePages = nullptr; // read-only between faults
std::size_t g_nBarePages = 0;
char* g_pBareSpare = nullptr; // where the handler keeps a page's old contents

void BareFaultHandler(int, siginfo_t* pInfo, void*)
{
    char* pAddr = static_cast<char*>(pInfo->si_addr);
    if (g_pBarePages && pAddr >= g_pBarePages &&
        pAddr < g_pBarePages + g_nBarePages * BACKUP_PAGE_SIZE) {
        char* pPage = g_pBarePages + (pAddr - g_pBarePages) / BACKUP_PAGE_SIZE * BACKUP_PAGE_SIZE;
        std::memcpy(g_pBareSpare, pPage, BACKUP_PAGE_SIZE);
        mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE);
        return;
    }
    // Not ours: let the retried access take the default action.
    signal(SIGSEGV, SIG_DFL);
}

// nPages read-only pages (and a spare) served by the bare handler while
// armed. Disarming, and at the latest destruction, puts the previous handler
// (the store's) back.
class BareFaultPages {
public:
    explicit BareFaultPages(std::size_t nPages) : m_nPages(nPages)
    {
        const std::size_t nBytes = (nPages + 1) * BACKUP_PAGE_SIZE;
        void* p = mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            return;
        m_pBase = static_cast<char*>(p);
        std::memset(m_pBase, 0x5A, nBytes); // every page resident
        mprotect(m_pBase, nPages * BACKUP_PAGE_SIZE, PROT_READ);
    }
    ~BareFaultPages()
    {
        Disarm();
        if (m_pBase)
            munmap(m_pBase, (m_nPages + 1) * BACKUP_PAGE_SIZE);
    }
    BareFaultPages(const BareFaultPages&) = delete;
    BareFaultPages& operator=(const BareFaultPages&) = delete;

    bool Arm()
    {
        if (!m_pBase)
            return false;
        if (m_bArmed)
            return true;
        g_pBarePages = m_pBase;
        g_nBarePages = m_nPages;
        g_pBareSpare = m_pBase + m_nPages * BACKUP_PAGE_SIZE;
        struct sigaction sa {};
        sa.sa_sigaction = &BareFaultHandler;
        sa.sa_flags = SA_SIGINFO;
        sigemptyset(&sa.sa_mask);
        m_bArmed = sigaction(SIGSEGV, &sa, &m_saved) == 0;
        return m_bArmed;
    }
    void Disarm()
    {
        if (!m_bArmed)
            return;
        sigaction(SIGSEGV, &m_saved, nullptr);
        m_bArmed = false;
        g_pBarePages = g_pBareSpare = nullptr;
        g_nBarePages = 0;
    }

    // One served first write to page nPage, then that page read-only again.
    void Cycle(std::size_t nPage, unsigned n)
    {
        char* pPage = m_pBase + nPage * BACKUP_PAGE_SIZE;
        *reinterpret_cast<volatile char*>(pPage + (n & 0xFFF)) = static_cast<char>(n);
        mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ);
    }

private:
    std::size_t m_nPages;
    char* m_pBase = nullptr;
    struct sigaction m_saved {};
    bool m_bArmed = false;
};

double g_dFloorSeconds = 0; // latest BM_Floor figure, per fault
double g_dPairSeconds = 0;  // latest BM_ProtectPair figure, per pair

double FloorSeconds()
{
    if (g_dFloorSeconds <= 0) {
        BareFaultPages page(1);
        if (page.Arm()) {
            constexpr unsigned kN = 20000;
            for (unsigned i = 0; i < 1000; ++i)
                page.Cycle(0, i);
            auto t0 = Clock::now();
            for (unsigned i = 0; i < kN; ++i)
                page.Cycle(0, i);
            g_dFloorSeconds = Seconds(Clock::now() - t0) / kN;
        }
    }
    return g_dFloorSeconds;
}

double PairSecondsOn(char* pPage, unsigned n)
{
    auto t0 = Clock::now();
    for (unsigned i = 0; i < n; ++i) {
        mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE);
        mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ);
    }
    return Seconds(Clock::now() - t0) / n;
}

double PairSeconds()
{
    if (g_dPairSeconds <= 0) {
        void* p = mmap(nullptr, BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            std::memset(p, 0x5A, BACKUP_PAGE_SIZE);
            PairSecondsOn(static_cast<char*>(p), 1000);
            g_dPairSeconds = PairSecondsOn(static_cast<char*>(p), 20000);
            munmap(p, BACKUP_PAGE_SIZE);
        }
    }
    return g_dPairSeconds;
}

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
// A store holding one sealed blank frame.

bool InstallFilter(benchmark::State& state)
{
    try {
        BackupInstallFaultFilter();
        return true;
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return false;
    }
}

class StoreFrame {
public:
    // Sets the step limit for the store's lifetime and restores it afterwards.
    explicit StoreFrame(int64_t nDepth) : m_nSavedLimit(g_nUndoRedoStep)
    {
        g_nUndoRedoStep = static_cast<unsigned>(nDepth);
    }
    ~StoreFrame()
    {
        if (m_nId)
            BackupDestroy(m_nId);
        g_nUndoRedoStep = m_nSavedLimit;
    }
    StoreFrame(const StoreFrame&) = delete;
    StoreFrame& operator=(const StoreFrame&) = delete;

    // Creates the store and its blank frame; returns a failure text or null.
    const char* Open()
    {
        try {
            return OpenFrame();
        } catch (const CBackupError&) {
            return "the store threw while setting up the frame";
        }
    }

    unsigned Id() const { return m_nId; }
    CharCell* Cells() const { return m_pCells; }

    // Pages the frame spans (40 when it starts on a page boundary).
    std::size_t SpannedPages() const
    {
        auto nStart = reinterpret_cast<uintptr_t>(m_pCells);
        auto nFirst = nStart / BACKUP_PAGE_SIZE;
        auto nLast = (nStart + kFrameBytes - 1) / BACKUP_PAGE_SIZE;
        return nLast - nFirst + 1;
    }

    // One step of the given case.
    bool Step(const EditCase& ec, bool odd)
    {
        if (!BackupSucceeded(BackupBegin(m_nId)))
            return false;
        DirectWriter w{m_pCells};
        ec.pfnDirect(w, odd);
        return BackupSucceeded(BackupCommit(m_nId));
    }

private:
    const char* OpenFrame()
    {
        m_nId = BackupCreate();
        if (!m_nId)
            return "BackupCreate failed";
        if (!BackupSucceeded(BackupBegin(m_nId)))
            return "BackupBegin failed on a new store";
        m_pCells = static_cast<CharCell*>(BackupAlloc(static_cast<unsigned>(kFrameBytes), m_nId));
        if (!m_pCells)
            return "BackupAlloc of one frame failed";
        std::memcpy(m_pCells, BlankFrame().data(), kFrameBytes);
        if (!BackupSucceeded(BackupCommit(m_nId)))
            return "BackupCommit of the blank fill failed";
        if (!BackupSucceeded(BackupSeal(m_nId)))
            return "BackupSeal failed";
        if (!SameFrame(m_pCells, BlankFrame()))
            return "the sealed frame differs from its fill";
        return nullptr;
    }

    unsigned m_nSavedLimit;
    unsigned m_nId = 0;
    CharCell* m_pCells = nullptr;
};

void SetKeptCounters(benchmark::State& state, const EditCase& ec, double dBytes)
{
    state.counters["diff_bytes"] = dBytes;
    if (ec.bFullFrame)
        state.counters["ratio_to_frame"] = dBytes / static_cast<double>(kFrameBytes);
}

void SetStoreCounters(benchmark::State& state, const EditCase& ec, const StoreFrame& sf)
{
    BackupStoreStats stats;
    if (!BackupGetStats(sf.Id(), stats)) {
        state.SkipWithError("BackupGetStats failed");
        return;
    }
    SetKeptCounters(state, ec, static_cast<double>(stats.nNewestDiffBytes));
    state.counters["diff_pages"] = static_cast<double>(stats.nNewestDiffPages);
    state.counters["frame_pages"] = static_cast<double>(sf.SpannedPages());
}

void SetStepRatios(benchmark::State& state, const EditCase& ec, double dPerStep)
{
    double dFloor = FloorSeconds();
    if (dFloor <= 0)
        return;
    state.counters["x_floor"] = dPerStep / dFloor;
    if (ec.bFullFrame)
        state.counters["x_40floors"] = dPerStep / (kFramePages * dFloor);
}

void SetPairRatio(benchmark::State& state, double dPerOp)
{
    double dPair = PairSeconds();
    if (dPair > 0)
        state.counters["x_pair"] = dPerOp / dPair;
}

// ---------------------------------------------------------------------------
// The store

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

enum class Timed { Undo, Redo, Both };

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

// ---------------------------------------------------------------------------
// The goals. Each iteration times the store's operation and its yardstick one
// after the other (in alternating order), so both meet the same machine: the
// other processes, the caches, the clock speed. The ratio of the medians is
// the figure to read; an iteration that lost the processor moves it little.
//
//   BM_GoalStep/<case>  one step against one bare fault per page the edit
//                       covers (1 for the small edits, 40 for a full frame).
//   BM_GoalUndo/<case>  one undo against one protection change pair.

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    auto itMid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), itMid, v.end());
    return *itMid;
}

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
    const std::size_t nYardPages = ec.bFullFrame ? kFramePages : 1;
    BareFaultPages pages(nYardPages);
    if (!pages.Arm()) {
        state.SkipWithError("cannot set up the bare fault pages");
        return;
    }
    pages.Disarm();

    GoalTimings timings(state);
    bool odd = true;
    unsigned n = 0;
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
            for (std::size_t k = 0; k < nYardPages; ++k)
                pages.Cycle(k, n);
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
    if (!SameFrame(sf.Cells(), ExpectedFrame(ec, n > 0, !odd))) {
        state.SkipWithError("the frame does not hold the last step's writes");
        return;
    }
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

void BM_CellListUndo(benchmark::State& state, int nCase)
{
    CellListHistory(state, nCase, Timed::Undo);
}
void BM_CellListRedo(benchmark::State& state, int nCase)
{
    CellListHistory(state, nCase, Timed::Redo);
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
