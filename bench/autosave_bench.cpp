// Benchmarks of autosave on a 1,000-frame 80 x 128 drawing with a different
// colour in every cell (built into gw_view_bench, whose main sets up Qt). The
// copies and saves go to a scratch folder on the same file system.
//
// The event loop runs as the editor's does, asleep until something arrives;
// a pass is from its waking to its return. The system's account of the
// thread (/proc/thread-self/schedstat) splits a stretch of time into time on
// a processor, time ready but waiting for one (the machine is shared: other
// programs' load shows up here whether an autosave runs or not), and the
// rest, time blocked (a lock, a page fault waiting on the address space, the
// disk).
//
//   BM_AutosaveInterfaceBlock  what the interface thread spends on one
//                            autosave: StartWrite (the snapshot and the
//                            worker's start) plus the longest pass while
//                            the copy is written (the one that takes the
//                            worker's report), each without its wait for a
//                            processor, against one Refresh(REFRESH_VISIBLE)
//                            of an 800 x 600 view of the drawing and its
//                            paint, measured the same way. Goal: x_median <= 5.
//   BM_AutosaveWholeWrite    from StartWrite until the copy is written and
//                            reported, against GwpSaveDocument of the
//                            same drawing into the same folder.
//                            Each replaces the one before, as in use.
//                            Goal: x_median <= 1.2. discard_us: the copy
//                            removed (as after a save) just after a write
//                            began, which stops that write.
//
// Counters: view_us (autosave) and yardstick_us, medians in microseconds,
// x_median and x_mean; edit_us, in the first, is an edit of a frame the
// writer had not read yet, made during the write (the frame is copied first).
// Also in the first, the raw figures: raw_us and x_raw, the same StartWrite
// and longest pass as wall time against the refresh's wall time; cpu_us,
// queued_us and blocked_us, how raw_us splits; idle_us and idle_queued_us,
// the longest pass of the same loop woken every millisecond by a timer, as
// long again with no write.

#include "canvas/art_view.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/gwp_writer.h"
#include "shell/autosave.h"

#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {
using gwratio::Clock;
using gwratio::Micros;
using gwratio::SetRatioCounters;

constexpr int FRAMES = 1000;

// Wall time, and the interface thread's time on a processor and waiting for
// one, in microseconds; blocked is the rest.
struct STimes {
    double dWall = 0;
    double dRun = 0;
    double dQueued = 0;

    static STimes Now()
    {
        // The run time from the clock: the system updates schedstat's for a
        // running thread only when it is switched or ticked.
        static const int fd = open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
        STimes t;
        t.dWall = Micros(Clock::now().time_since_epoch());
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        t.dRun = double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
        char ach[96] = {};
        unsigned long long nRun = 0;
        unsigned long long nQueued = 0;
        if (fd >= 0 && pread(fd, ach, sizeof ach - 1, 0) > 0 &&
            std::sscanf(ach, "%llu %llu", &nRun, &nQueued) == 2)
            t.dQueued = double(nQueued) / 1e3;
        return t;
    }
    STimes operator-(const STimes& o) const
    {
        return {dWall - o.dWall, dRun - o.dRun, dQueued - o.dQueued};
    }
    STimes operator+(const STimes& o) const
    {
        return {dWall + o.dWall, dRun + o.dRun, dQueued + o.dQueued};
    }
    // What the thread itself spent: wall time but for its wait for a processor.
    double Own() const { return dWall - dQueued; }
    double Blocked() const { return dWall - dRun - dQueued; }
};

struct CAutosaveBench {
    CAutosaveBench()
    {
        m_doc.SetCanvasSize(MAX_ROWS, MAX_COLS);
        m_doc.OnNewDocument();
        const std::size_t nCells = std::size_t(m_doc.GetCellCount());
        std::vector<CharCell> vCells(nCells);
        for (int f = 0; f < FRAMES; ++f) {
            if (f > 0)
                m_doc.NewFrame();
            for (std::size_t i = 0; i < nCells; ++i)
                vCells[i] = CharCell{COLORREF(f * 16411 + i) & 0xFFFFFF, 0, 0,
                                     uint8_t(33 + (f + i) % 90), {}};
            BackupWriteSealed(unsigned(m_doc.GetCurHistory()), m_doc.GetCurCells(), vCells.data(),
                              nCells * sizeof(CharCell));
            m_doc.RegisterFrame();
        }
        m_doc.SetModifiedFlag(true);
        m_pView = std::make_unique<CArtView>(m_doc, &m_host);
        RegisterStandardTools(*m_pView);
        m_pView->resize(800, 600);
        m_pView->show();
        QCoreApplication::processEvents();
        m_pView->OnInitialUpdate();
        m_pAutosave = std::make_unique<CAutosave>(
            m_doc, m_dir.filePath(QStringLiteral("recovery")), [] { return false; },
            [this](const QString& strText) { m_strMessage = strText; });
    }

    // Runs the event loop, asleep between passes, until the write has been
    // reported (or, with dFor, that long); returns its longest pass.
    STimes FinishWrite(double dFor = 0)
    {
        STimes longest;
        STimes awake;
        auto* pDispatcher = QAbstractEventDispatcher::instance();
        const auto conn = QObject::connect(pDispatcher, &QAbstractEventDispatcher::awake,
                                           [&awake] { awake = STimes::Now(); });
        QTimer timer;
        bool bDone = false;
        if (dFor > 0) {
            QTimer::singleShot(int(dFor / 1000) + 1, [&bDone] { bDone = true; });
            QObject::connect(&timer, &QTimer::timeout, [] {});
            timer.start(1);
        }
        while (dFor > 0 ? !bDone : m_pAutosave->IsPending()) {
            awake = STimes::Now();
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            const STimes pass = STimes::Now() - awake;
            if (pass.dWall > longest.dWall)
                longest = pass;
        }
        QObject::disconnect(conn);
        return longest;
    }

    void RefreshVisible()
    {
        m_pView->Refresh(CArtView::REFRESH_VISIBLE);
        QCoreApplication::processEvents();
    }

    // Rewrites the first cell of frame nKey in one step.
    void Edit(int nKey, uint8_t ch)
    {
        const auto nId = static_cast<unsigned>(m_doc.GetFrameHistory(nKey));
        BackupBegin(nId);
        m_doc.GetFrames().at(nKey)[0].chChar = ch;
        BackupCommit(nId);
    }

    QTemporaryDir m_dir;
    IViewHost m_host;
    CArtDoc m_doc;
    std::unique_ptr<CArtView> m_pView;
    std::unique_ptr<CAutosave> m_pAutosave;
    QString m_strMessage;
};

void BM_AutosaveInterfaceBlock(benchmark::State& state)
{
    constexpr int REFRESHES = 20;
    CAutosaveBench bench;
    std::vector<double> vBlock;
    std::vector<double> vYard;
    std::vector<double> vRaw;
    std::vector<double> vRawYard;
    std::vector<double> vEdit;
    std::vector<double> vCpu;
    std::vector<double> vQueued;
    std::vector<double> vBlocked;
    std::vector<double> vIdle;
    std::vector<double> vIdleQueued;
    uint8_t ch = 'a';
    for (auto _ : state) {
        const STimes t0 = STimes::Now();
        if (!bench.m_pAutosave->StartWrite()) {
            state.SkipWithError("no write started");
            break;
        }
        const STimes t1 = STimes::Now();
        // The last frame is the last the writer reads.
        bench.Edit(FRAMES - 1, ch++);
        const STimes t2 = STimes::Now();
        const STimes autosave = (t1 - t0) + bench.FinishWrite();
        const STimes t3 = STimes::Now();
        for (int i = 0; i < REFRESHES; ++i)
            bench.RefreshVisible();
        const STimes refresh = STimes::Now() - t3;
        const STimes idle = bench.FinishWrite((t3 - t2).dWall);
        vBlock.push_back(autosave.Own());
        vYard.push_back(refresh.Own() / REFRESHES);
        vRaw.push_back(autosave.dWall);
        vRawYard.push_back(refresh.dWall / REFRESHES);
        vCpu.push_back(autosave.dRun);
        vQueued.push_back(autosave.dQueued);
        vBlocked.push_back(autosave.Blocked());
        vEdit.push_back((t2 - t1).dWall);
        vIdle.push_back(idle.dWall);
        vIdleQueued.push_back(idle.dQueued);
        state.SetIterationTime(autosave.Own() / 1e6);
    }
    if (!bench.m_strMessage.isEmpty())
        state.SkipWithError(bench.m_strMessage.toStdString().c_str());
    SetRatioCounters(state, vBlock, vYard);
    state.counters["raw_us"] = gwratio::Median(vRaw);
    state.counters["x_raw"] = gwratio::Median(vRaw) / gwratio::Median(vRawYard);
    state.counters["edit_us"] = gwratio::Median(vEdit);
    state.counters["cpu_us"] = gwratio::Median(vCpu);
    state.counters["queued_us"] = gwratio::Median(vQueued);
    state.counters["blocked_us"] = gwratio::Median(vBlocked);
    state.counters["idle_us"] = gwratio::Median(vIdle);
    state.counters["idle_queued_us"] = gwratio::Median(vIdleQueued);
}
BENCHMARK(BM_AutosaveInterfaceBlock)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(10);

void BM_AutosaveWholeWrite(benchmark::State& state)
{
    CAutosaveBench bench;
    const std::string strSave = bench.m_dir.filePath(QStringLiteral("drawing.gwp")).toStdString();
    std::vector<double> vWrite;
    std::vector<double> vSave;
    std::vector<double> vDiscard;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (!bench.m_pAutosave->StartWrite()) {
            state.SkipWithError("no write started");
            break;
        }
        bench.FinishWrite();
        const auto t1 = Clock::now();
        std::string strError;
        if (!GwpSaveDocument(bench.m_doc, strSave, &strError)) {
            state.SkipWithError(strError.c_str());
            break;
        }
        const auto t2 = Clock::now();
        bench.m_doc.SetModifiedFlag(true);
        // A save just after a write began: the write stops at its next frame.
        bench.m_pAutosave->StartWrite();
        const auto t3 = Clock::now();
        bench.m_pAutosave->Discard();
        vDiscard.push_back(Micros(Clock::now() - t3));
        bench.FinishWrite();
        // The next measured copy replaces this one, as the save replaces its
        // file: every autosave but a drawing's first removes the one before.
        bench.m_pAutosave->StartWrite();
        bench.FinishWrite();
        vWrite.push_back(Micros(t1 - t0));
        vSave.push_back(Micros(t2 - t1));
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    if (!bench.m_strMessage.isEmpty())
        state.SkipWithError(bench.m_strMessage.toStdString().c_str());
    SetRatioCounters(state, vWrite, vSave);
    state.counters["discard_us"] = gwratio::Median(vDiscard);
}
BENCHMARK(BM_AutosaveWholeWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);
} // namespace
