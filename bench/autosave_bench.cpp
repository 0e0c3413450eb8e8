// Benchmarks of autosave on a 1,000-frame 80 x 128 drawing with a different
// colour in every cell (built into gw_view_bench, whose main sets up Qt). The
// copies and saves go to a scratch folder on the same file system.
//
//   BM_AutosaveInterfaceBlock  what the interface thread spends on one
//                            autosave: StartWrite (the snapshot and the
//                            worker's start) plus the longest single pass of
//                            the event loop while the copy is written (the
//                            one that takes the worker's report), against one
//                            Refresh(REFRESH_VISIBLE) of an 800 x 600 view of
//                            the drawing and its paint. Goal: x_median <= 5.
//   BM_AutosaveWholeWrite    from StartWrite until the copy is written and
//                            reported, against GwpSaveDocument of the
//                            same drawing into the same folder.
//                            Goal: x_median <= 1.2. discard_us: the copy
//                            removed (as after a save) just after a write
//                            began, which stops that write.
//
// Counters: view_us (autosave) and yardstick_us, medians in microseconds,
// x_median and x_mean; edit_us, in the first, is an edit of a frame the
// writer had not read yet, made during the write (the frame is copied first).
// Also in the first: cpu_us, the interface thread's processor time in the
// same StartWrite and longest pass (x_cpu against the refresh), and idle_us,
// the longest pass of the same loop run as long again with no write: on a
// busy machine the longest pass is mostly time the thread waited for a
// processor, which idle_us shows without any autosave.

#include "canvas/art_view.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/gwp_writer.h"
#include "shell/autosave.h"

#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <ctime>
#include <memory>
#include <vector>

namespace {
using gwratio::Clock;
using gwratio::Micros;
using gwratio::SetRatioCounters;

constexpr int FRAMES = 1000;

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

    // Runs the event loop until the write has been reported (or, with
    // dFor, that long); returns the longest single pass, and in *pCpu that
    // pass's processor time.
    double FinishWrite(double* pCpu = nullptr, double dFor = 0)
    {
        double dLongest = 0;
        const auto tStart = Clock::now();
        while (dFor > 0 ? Micros(Clock::now() - tStart) < dFor : m_pAutosave->IsPending()) {
            const double dCpu0 = ThreadCpuMicros();
            const auto t0 = Clock::now();
            QCoreApplication::processEvents();
            const double dPass = Micros(Clock::now() - t0);
            if (dPass > dLongest && pCpu)
                *pCpu = ThreadCpuMicros() - dCpu0;
            dLongest = std::max(dLongest, dPass);
        }
        return dLongest;
    }

    static double ThreadCpuMicros()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
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
    std::vector<double> vEdit;
    std::vector<double> vCpu;
    std::vector<double> vIdle;
    uint8_t ch = 'a';
    for (auto _ : state) {
        const double dCpu0 = CAutosaveBench::ThreadCpuMicros();
        const auto t0 = Clock::now();
        if (!bench.m_pAutosave->StartWrite()) {
            state.SkipWithError("no write started");
            break;
        }
        const auto t1 = Clock::now();
        const double dStartCpu = CAutosaveBench::ThreadCpuMicros() - dCpu0;
        // The last frame is the last the writer reads.
        bench.Edit(FRAMES - 1, ch++);
        const auto t2 = Clock::now();
        double dFinishCpu = 0;
        const double dFinish = bench.FinishWrite(&dFinishCpu);
        const auto t3 = Clock::now();
        for (int i = 0; i < REFRESHES; ++i)
            bench.RefreshVisible();
        const auto t4 = Clock::now();
        vIdle.push_back(bench.FinishWrite(nullptr, Micros(t3 - t2)));
        vBlock.push_back(Micros(t1 - t0) + dFinish);
        vCpu.push_back(dStartCpu + dFinishCpu);
        vEdit.push_back(Micros(t2 - t1));
        vYard.push_back(Micros(t4 - t3) / REFRESHES);
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count() + dFinish / 1e6);
    }
    if (!bench.m_strMessage.isEmpty())
        state.SkipWithError(bench.m_strMessage.toStdString().c_str());
    SetRatioCounters(state, vBlock, vYard);
    state.counters["edit_us"] = gwratio::Median(vEdit);
    state.counters["cpu_us"] = gwratio::Median(vCpu);
    state.counters["x_cpu"] = gwratio::Median(vCpu) / gwratio::Median(vYard);
    state.counters["idle_us"] = gwratio::Median(vIdle);
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
