// What the page backup store benchmarks share: the frame of the largest size
// and its contents, the edits and the writers they are written against, the
// bare fault pages that give the floor, the latest floor and pair figures,
// a store holding one sealed frame, and the counters every design reports.
#pragma once

#include "core/backup_store.h"
#include "core/char_cell.h"

#include <benchmark/benchmark.h>

#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <vector>

namespace gwbench {

using Clock = std::chrono::steady_clock;

inline constexpr int kRows = MAX_ROWS;
inline constexpr int kCols = MAX_COLS;
inline constexpr unsigned kCells = kRows * kCols;
inline constexpr std::size_t kFrameBytes = std::size_t{kCells} * sizeof(CharCell);
inline constexpr std::size_t kFramePages = kFrameBytes / BACKUP_PAGE_SIZE;
static_assert(kFrameBytes == 163840);

inline constexpr int64_t kKeepAll = 1000000;
inline constexpr int64_t kSteady = 100;

inline double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// ---------------------------------------------------------------------------
// Frame contents

// A blank frame as the document lays it out: spaces, black, each cell at its
// place on an 8 x 16 pixel grid.
inline const std::vector<CharCell>& BlankFrame()
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
inline const std::vector<CharCell>& WorstFrame()
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

inline COLORREF CellColour(unsigned i)
{
    // Never 0 (the blank colour), and neither 16-bit half is 0.
    return 0x00400001u | ((i * 2654435761u) & 0x3FFFEu);
}

// ---------------------------------------------------------------------------
// The edits. Each is written once against a writer: the store and the
// snapshot design write cells directly, the cell-list design records every
// cell before and after the write. Every case alternates between two states,
// so each step changes exactly the same bytes as the one before.

inline constexpr unsigned kOneCell = 40 * kCols + 64;
inline constexpr unsigned kStroke = 40 * kCols + 60; // 10 neighbouring cells in row 40

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

inline const EditCase kCases[] = {
    {"one_cell", 1, false, &EditOneCell<DirectWriter>, &EditOneCell<ListWriter>},
    {"stroke10", 10, false, &EditStroke<DirectWriter>, &EditStroke<ListWriter>},
    {"full_chars", kCells, true, &EditFullChars<DirectWriter>, &EditFullChars<ListWriter>},
    {"full_chars_colours", kCells, true, &EditFullColours<DirectWriter>,
     &EditFullColours<ListWriter>},
    {"full_worst", kCells, true, &EditFullWorst<DirectWriter>, &EditFullWorst<ListWriter>},
};

// The frame a case leaves after its last step (odd tells which of its two
// states that step wrote).
inline std::vector<CharCell> ExpectedFrame(const EditCase& ec, bool bAnyStep, bool odd)
{
    std::vector<CharCell> v = BlankFrame();
    if (bAnyStep) {
        DirectWriter w{v.data()};
        ec.pfnDirect(w, odd);
    }
    return v;
}

inline bool SameFrame(const CharCell* pCells, const std::vector<CharCell>& expected)
{
    return std::memcmp(pCells, expected.data(), kFrameBytes) == 0;
}

// ---------------------------------------------------------------------------
// The floor: a bare write-fault handler on private pages of our own. The
// latest floor and pair figures are shared by every benchmark that reports
// a ratio to them.

inline char* g_pBarePages = nullptr; // read-only between faults
inline std::size_t g_nBarePages = 0;
inline char* g_pBareSpare = nullptr; // a page's old contents, one spare page per page
inline std::size_t g_nBareFirst = 0; // the run of pages written since the last close
inline std::size_t g_nBareEnd = 0;

inline void BareFaultHandler(int, siginfo_t* pInfo, void*)
{
    char* pAddr = static_cast<char*>(pInfo->si_addr);
    if (g_pBarePages && pAddr >= g_pBarePages &&
        pAddr < g_pBarePages + g_nBarePages * BACKUP_PAGE_SIZE) {
        const std::size_t nPage = static_cast<std::size_t>(pAddr - g_pBarePages) / BACKUP_PAGE_SIZE;
        char* pPage = g_pBarePages + nPage * BACKUP_PAGE_SIZE;
        std::memcpy(g_pBareSpare + nPage * BACKUP_PAGE_SIZE, pPage, BACKUP_PAGE_SIZE);
        mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE);
        if (g_nBareFirst == g_nBareEnd) {
            g_nBareFirst = nPage;
            g_nBareEnd = nPage + 1;
        } else {
            g_nBareFirst = std::min(g_nBareFirst, nPage);
            g_nBareEnd = std::max(g_nBareEnd, nPage + 1);
        }
        return;
    }
    // Not ours: let the retried access take the default action.
    signal(SIGSEGV, SIG_DFL);
}

// nPages read-only pages, each with a spare page of its own, served by the
// bare handler while armed. Disarming, and at the latest destruction, puts
// the previous handler (the store's) back.
class BareFaultPages {
public:
    explicit BareFaultPages(std::size_t nPages) : m_nPages(nPages)
    {
        const std::size_t nBytes = 2 * nPages * BACKUP_PAGE_SIZE;
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
            munmap(m_pBase, 2 * m_nPages * BACKUP_PAGE_SIZE);
    }
    BareFaultPages(const BareFaultPages&) = delete;
    BareFaultPages& operator=(const BareFaultPages&) = delete;

    char* Base() const { return m_pBase; }

    // Writes nBytes at nOffset while disarmed, leaving the pages read-only.
    void Fill(std::size_t nOffset, const void* pData, std::size_t nBytes)
    {
        mprotect(m_pBase, m_nPages * BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE);
        std::memcpy(m_pBase + nOffset, pData, nBytes);
        mprotect(m_pBase, m_nPages * BACKUP_PAGE_SIZE, PROT_READ);
    }

    bool Arm()
    {
        if (!m_pBase)
            return false;
        if (m_bArmed)
            return true;
        g_pBarePages = m_pBase;
        g_nBarePages = m_nPages;
        g_pBareSpare = m_pBase + m_nPages * BACKUP_PAGE_SIZE;
        g_nBareFirst = g_nBareEnd = 0;
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
        Touch(nPage, n);
        mprotect(m_pBase + nPage * BACKUP_PAGE_SIZE, BACKUP_PAGE_SIZE, PROT_READ);
        g_nBareFirst = g_nBareEnd = 0;
    }
    // One served first write to page nPage, left writable.
    void Touch(std::size_t nPage, unsigned n)
    {
        char* pPage = m_pBase + nPage * BACKUP_PAGE_SIZE;
        *reinterpret_cast<volatile char*>(pPage + (n & 0xFFF)) = static_cast<char>(n);
    }
    // What a commit cannot do without: every written page compared whole
    // with its old contents, then the run read-only again in one call.
    // Returns the count of 8-byte words that differ.
    std::size_t Close()
    {
        std::size_t nDiffer = 0;
        for (std::size_t k = g_nBareFirst; k < g_nBareEnd; ++k) {
            const char* pPage = m_pBase + k * BACKUP_PAGE_SIZE;
            const char* pSpare = m_pBase + (m_nPages + k) * BACKUP_PAGE_SIZE;
            for (std::size_t i = 0; i < BACKUP_PAGE_SIZE; i += 8) {
                uint64_t nNow;
                uint64_t nBefore;
                std::memcpy(&nNow, pPage + i, 8);
                std::memcpy(&nBefore, pSpare + i, 8);
                nDiffer += nNow != nBefore;
            }
        }
        if (g_nBareEnd > g_nBareFirst)
            mprotect(m_pBase + g_nBareFirst * BACKUP_PAGE_SIZE,
                     (g_nBareEnd - g_nBareFirst) * BACKUP_PAGE_SIZE, PROT_READ);
        g_nBareFirst = g_nBareEnd = 0;
        return nDiffer;
    }

private:
    std::size_t m_nPages;
    char* m_pBase = nullptr;
    struct sigaction m_saved {};
    bool m_bArmed = false;
};

inline double g_dFloorSeconds = 0; // latest BM_Floor figure, per fault
inline double g_dPairSeconds = 0;  // latest BM_ProtectPair figure, per pair

inline double FloorSeconds()
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

inline double PairSecondsOn(char* pPage, unsigned n)
{
    auto t0 = Clock::now();
    for (unsigned i = 0; i < n; ++i) {
        mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ | PROT_WRITE);
        mprotect(pPage, BACKUP_PAGE_SIZE, PROT_READ);
    }
    return Seconds(Clock::now() - t0) / n;
}

inline double PairSeconds()
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

// ---------------------------------------------------------------------------
// A store holding one sealed blank frame.

inline bool InstallFilter(benchmark::State& state)
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

inline void SetKeptCounters(benchmark::State& state, const EditCase& ec, double dBytes)
{
    state.counters["diff_bytes"] = dBytes;
    if (ec.bFullFrame)
        state.counters["ratio_to_frame"] = dBytes / static_cast<double>(kFrameBytes);
}

inline void SetStoreCounters(benchmark::State& state, const EditCase& ec, const StoreFrame& sf)
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

inline void SetStepRatios(benchmark::State& state, const EditCase& ec, double dPerStep)
{
    double dFloor = FloorSeconds();
    if (dFloor <= 0)
        return;
    state.counters["x_floor"] = dPerStep / dFloor;
    if (ec.bFullFrame)
        state.counters["x_40floors"] = dPerStep / (kFramePages * dFloor);
}

inline void SetPairRatio(benchmark::State& state, double dPerOp)
{
    double dPair = PairSeconds();
    if (dPair > 0)
        state.counters["x_pair"] = dPerOp / dPair;
}

// How an undo-and-redo benchmark spends its manual time.
enum class Timed { Undo, Redo, Both };

// ---------------------------------------------------------------------------
// The plain designs (plain_designs_bench.cpp), registered with the rest in
// backup_bench.cpp so that the results keep their reading order.

void BM_SnapshotStep(benchmark::State& state, int nCase);
void BM_SnapshotUndo(benchmark::State& state, int nCase);
void BM_SnapshotRedo(benchmark::State& state, int nCase);
void BM_CellListStep(benchmark::State& state, int nCase);
void BM_CellListUndo(benchmark::State& state, int nCase);
void BM_CellListRedo(benchmark::State& state, int nCase);

} // namespace gwbench
