// The frame operations, each against its yardstick timed in the same
// iterations (ratio_counters.h):
//   BM_AddFrameTo100        Add a frame to a 100-frame drawing of the default 40 x 60 size through the
//                           main window's own command: store, blank fill, layers, thumbnail, list item.
//   BM_DuplicateVsStep      duplicating an 80 x 128 frame with a colour per cell, against the store's
//                           full-frame step (begin, every cell written, commit) on the same frame.
//   BM_UndoDeleteVsStep     Undo Frame Change of the delete of such a frame, against the same step.
//   BM_MoveIn1000VsRefresh  Move frame left or right in a 1,000-frame drawing through the main
//                           window (document, list laid out again, canvas), against one refresh of the
//                           visible part.
//   BM_OnionVsPlainRefresh  one cell drawn plus the visible part refreshed on an 80 x 128 frame with a
//                           colour per cell and onion skin of 3 frames before and 3 after, against the
//                           same on a second view of the same frame without it.
#include "canvas/art_view.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "ratio_counters.h"
#include "res/command_ids.h"
#include "shell/main_frame.h"

#include <QAction>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

using gwratio::Clock;
using gwratio::Micros;

void BM_AddFrameTo100(benchmark::State& state)
{
    CMainFrame frame;
    frame.resize(1000, 700);
    QAction* pAdd = frame.Action(gw::ID_ADD_FRAME);
    QAction* pDelete = frame.Action(gw::ID_DELETE_FRAME);
    while (frame.Document().GetFrameCount() < 100)
        pAdd->trigger();
    for (auto _ : state) {
        pAdd->trigger();
        state.PauseTiming();
        // Back to 100 frames: the new frame is the current one.
        pDelete->trigger();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["frames"] = frame.Document().GetFrameCount();
}
BENCHMARK(BM_AddFrameTo100)->Unit(benchmark::kMicrosecond);

// An 80 x 128 drawing of one frame with a random colour in every cell.
struct CBigFrame {
    CBigFrame()
    {
        m_doc.SetCanvasSize(MAX_ROWS, MAX_COLS);
        m_doc.OnNewDocument();
        m_nKey = m_doc.RegisterFrame();
        std::mt19937 rng(7);
        std::vector<CharCell> v(std::size_t(m_doc.GetCellCount()));
        for (CharCell& c : v)
            c = CharCell{static_cast<COLORREF>(rng() & 0xFFFFFF), 0, 0, static_cast<uint8_t>(33 + rng() % 90), {}};
        BackupWriteSealed(Store(), m_doc.GetCurCells(), v.data(), v.size() * sizeof(CharCell));
    }
    unsigned Store() const { return static_cast<unsigned>(m_doc.GetCurHistory()); }
    // The yardstick: every cell of the current frame written in one step.
    double FullStep()
    {
        const auto t0 = Clock::now();
        BackupBegin(Store());
        CharCell* p = m_doc.GetCurCells();
        for (int i = 0; i < m_doc.GetCellCount(); ++i)
            p[i].chChar = static_cast<uint8_t>(p[i].chChar ^ 1);
        BackupCommit(Store());
        return Micros(Clock::now() - t0);
    }
    CArtDoc m_doc;
    int m_nKey = 0;
};

void BM_DuplicateVsStep(benchmark::State& state)
{
    CBigFrame big;
    std::vector<double> vOp, vYard;
    for (auto _ : state) {
        big.m_doc.SelectFrame(big.m_nKey);
        vYard.push_back(big.FullStep());
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(big.m_doc.DuplicateFrame(big.m_nKey));
        vOp.push_back(Micros(Clock::now() - t0));
        // Out again; the next duplicate drops it with what could be redone.
        big.m_doc.UndoFrameChange();
    }
    gwratio::SetRatioCounters(state, vOp, vYard);
}
BENCHMARK(BM_DuplicateVsStep)->Unit(benchmark::kMicrosecond);

void BM_UndoDeleteVsStep(benchmark::State& state)
{
    CBigFrame big;
    const int nOther = big.m_doc.DuplicateFrame(big.m_nKey);
    std::vector<double> vOp, vYard;
    for (auto _ : state) {
        big.m_doc.SelectFrame(nOther);
        vYard.push_back(big.FullStep());
        big.m_doc.RemoveFrame(nOther);
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(big.m_doc.UndoFrameChange());
        vOp.push_back(Micros(Clock::now() - t0));
    }
    gwratio::SetRatioCounters(state, vOp, vYard);
}
BENCHMARK(BM_UndoDeleteVsStep)->Unit(benchmark::kMicrosecond);

void BM_MoveIn1000VsRefresh(benchmark::State& state)
{
    CMainFrame frame;
    frame.resize(1000, 700);
    frame.show();
    QCoreApplication::processEvents();
    QAction* pAdd = frame.Action(gw::ID_ADD_FRAME);
    while (frame.Document().GetFrameCount() < 1000)
        pAdd->trigger();
    QAction* apMove[] = {frame.Action(gw::ID_MOVE_FRAME_LEFT), frame.Action(gw::ID_MOVE_FRAME_RIGHT)};
    std::vector<double> vOp, vYard;
    int n = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        frame.View()->Refresh(CArtView::REFRESH_VISIBLE);
        vYard.push_back(Micros(Clock::now() - t0));
        t0 = Clock::now();
        apMove[n++ % 2]->trigger();
        vOp.push_back(Micros(Clock::now() - t0));
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["frames"] = frame.Document().GetFrameCount();
    gwratio::SetRatioCounters(state, vOp, vYard);
}
BENCHMARK(BM_MoveIn1000VsRefresh)->Unit(benchmark::kMicrosecond)->Iterations(200);

// Seven frames of random characters, half of them spaces, in random colours;
// the middle one current, and two views of it, with and without onion skin.
struct COnionBench {
    COnionBench()
    {
        std::mt19937 rng(11);
        const auto fill = [&] {
            std::vector<CharCell> v(std::size_t(m_big.m_doc.GetCellCount()));
            for (CharCell& c : v) {
                const auto ch = static_cast<uint8_t>(rng() % 2 ? ' ' : 33 + rng() % 90);
                c = CharCell{static_cast<COLORREF>(rng() & 0xFFFFFF) | 0x010101, 0, 0, ch, {}};
            }
            BackupWriteSealed(m_big.Store(), m_big.m_doc.GetCurCells(), v.data(), v.size() * sizeof(CharCell));
        };
        fill();
        int nKey = m_big.m_nKey;
        for (int i = 0; i < 6; ++i) {
            nKey = m_big.m_doc.DuplicateFrame(nKey);
            fill();
        }
        m_big.m_doc.SelectFrame(m_big.m_doc.GetFrames().KeyAt(3));
        for (auto& pView : m_apViews) {
            pView = std::make_unique<CArtView>(m_big.m_doc, &m_host);
            RegisterStandardTools(*pView);
            pView->resize(800, 600);
            pView->show();
        }
        QCoreApplication::processEvents();
        for (auto& pView : m_apViews) {
            pView->OnDrawingLoaded();
            pView->RebuildLayers();
        }
        m_apViews[0]->SetOnionSettings(SOnionSettings{3, 3, 0x2828D8, 0xD88828});
        m_apViews[0]->SetOnionShown(true);
    }
    CBigFrame m_big;
    IViewHost m_host;
    std::unique_ptr<CArtView> m_apViews[2];
};

void BM_OnionVsPlainRefresh(benchmark::State& state)
{
    COnionBench bench;
    CArtView& onion = *bench.m_apViews[0];
    CArtView& plain = *bench.m_apViews[1];
    const int nCols = onion.Geometry().Cols();
    const int nVisibleCols = std::min(nCols, onion.viewport()->width() / onion.GetCellWidth());
    const int nVisibleRows = onion.viewport()->height() / onion.GetCellHeight();
    const auto refresh = [](CArtView& view, int nCell) {
        const auto t0 = Clock::now();
        view.DrawCell(nCell);
        view.Refresh(CArtView::REFRESH_VISIBLE);
        return Micros(Clock::now() - t0);
    };
    std::vector<double> vOnion, vPlain;
    int n = 0;
    for (auto _ : state) {
        const int nCell = (n / nVisibleCols % nVisibleRows) * nCols + n % nVisibleCols;
        // Which goes first alternates, so neither always finds the caches warm.
        if (n++ % 2 == 0) {
            vOnion.push_back(refresh(onion, nCell));
            vPlain.push_back(refresh(plain, nCell));
        } else {
            vPlain.push_back(refresh(plain, nCell));
            vOnion.push_back(refresh(onion, nCell));
        }
    }
    gwratio::SetRatioCounters(state, vOnion, vPlain);
}
BENCHMARK(BM_OnionVsPlainRefresh)->Unit(benchmark::kMicrosecond);

} // namespace
