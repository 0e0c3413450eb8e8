// Benchmarks of the rulers, each against a yardstick timed in the same
// iterations (built into gw_view_bench, whose main sets up Qt). The rulers
// sit in their splitter around an 800 x 600 view of a blank 80 x 128
// drawing, shown, with the view telling them of every layout and scroll
// as the main window passes it on.
//
//   BM_RulerMouseLine        the mouse line moved on both rulers, per mouse
//                            move: Update in mouse mode on each and the event
//                            processing that paints the two old and two new
//                            strips, against one Refresh(REFRESH_VISIBLE) at
//                            the default zoom followed by the same event
//                            processing. Goal: x_median <= 0.2.
//   BM_RulerRebuild/horizontal:1  one ruler's picture (1 horizontal, 0
//   BM_RulerRebuild/horizontal:0  vertical) rebuilt at the largest zoom
//                            (Update in layout mode) and the paint that shows
//                            it, against one Refresh(REFRESH_VISIBLE) at the
//                            same zoom and the same event processing.
//                            Goal: x_median <= 0.5.
//
// Counters: view_us and yardstick_us (medians per operation, microseconds),
// x_median and x_mean.

#include "canvas/art_view.h"
#include "canvas/cell_geometry.h"
#include "canvas/ruler_splitter.h"
#include "canvas/ruler_view.h"
#include "canvas/tools/tool_registry.h"
#include "canvas/view_host.h"
#include "core/art_doc.h"

#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <chrono>
#include <vector>

namespace {
using gwratio::Clock;
using gwratio::Micros;
using gwratio::SetRatioCounters;

struct CRulerHost : IViewHost {
    void UpdateRulers(ERulerUpdate nMode, const CRulerState& state) override
    {
        if (m_pSplitter)
            m_pSplitter->UpdateRulers(nMode, state);
    }
    void ShowRulers() override
    {
        if (m_pSplitter)
            m_pSplitter->ShowRulers();
    }
    CRulerSplitter* m_pSplitter = nullptr;
};

struct CRulerBench {
    explicit CRulerBench(int nZoom)
    {
        m_doc.SetCanvasSize(MAX_ROWS, MAX_COLS);
        m_doc.OnNewDocument();
        m_host.m_pSplitter = &m_splitter;
        m_pView = new CArtView(m_doc, &m_host);
        RegisterStandardTools(*m_pView);
        m_splitter.SetCanvasView(m_pView);
        const int nRulers = CRulerSplitter::RULER_SIZE + CRulerSplitter::BAR_SIZE;
        m_splitter.resize(800 + nRulers, 600 + nRulers);
        m_splitter.show();
        QCoreApplication::processEvents();
        m_pView->OnInitialUpdate();
        while (m_pView->GetZoom() < nZoom)
            m_pView->ZoomIn();
        QCoreApplication::processEvents();
    }
    ~CRulerBench() { m_host.m_pSplitter = nullptr; }

    // One visible refresh and the paint it asks for.
    void RefreshVisible()
    {
        m_pView->Refresh(CArtView::REFRESH_VISIBLE);
        QCoreApplication::processEvents();
    }

    CRulerHost m_host;
    CArtDoc m_doc;
    CRulerSplitter m_splitter;
    CArtView* m_pView = nullptr; // owned by the splitter
};

constexpr int REFRESHES = 50;

// Counts the paint events a widget gets, to be sure the timed loop painted.
struct CPaintCounter : QObject {
    bool eventFilter(QObject* /*pWatched*/, QEvent* pEvent) override
    {
        m_nPaints += pEvent->type() == QEvent::Paint;
        return false;
    }
    int m_nPaints = 0;
};

void BM_RulerMouseLine(benchmark::State& state)
{
    constexpr int MOVES = 200;
    CRulerBench bench(CCellGeometry::ZOOM_DEFAULT);
    CArtView& view = *bench.m_pView;
    const int nCanvasW = view.GetCanvasWidth();
    const int nCanvasH = view.GetCanvasHeight();
    // A diagonal walk over the viewport, a new x and y every move.
    std::vector<QPoint> vPath;
    for (int i = 0; i < MOVES; ++i)
        vPath.emplace_back(5 + (i * 13) % 780, 5 + (i * 7) % 580);

    CPaintCounter counter;
    bench.m_splitter.HorzRuler()->installEventFilter(&counter);
    bench.m_splitter.VertRuler()->installEventFilter(&counter);

    std::vector<double> vView;
    std::vector<double> vYard;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (const QPoint& pt : vPath) {
            bench.m_splitter.UpdateRulers(CRulerView::MODE_MOUSE,
                                          {0, 0, pt.x(), pt.y(), nCanvasW, nCanvasH});
            QCoreApplication::processEvents();
        }
        const auto t1 = Clock::now();
        for (int i = 0; i < REFRESHES; ++i)
            bench.RefreshVisible();
        const auto t2 = Clock::now();
        vView.push_back(Micros(t1 - t0) / MOVES);
        vYard.push_back(Micros(t2 - t1) / REFRESHES);
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    // Both rulers paint at every move.
    if (counter.m_nPaints < 2 * MOVES * static_cast<int>(vView.size()))
        state.SkipWithError("the rulers did not paint every move");
    SetRatioCounters(state, vView, vYard);
}
BENCHMARK(BM_RulerMouseLine)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RulerRebuild(benchmark::State& state)
{
    constexpr int REBUILDS = 50;
    CRulerBench bench(CCellGeometry::ZOOM_MAX);
    CArtView& view = *bench.m_pView;
    CRulerView& ruler = state.range(0) == CRulerView::HORIZONTAL ? *bench.m_splitter.HorzRuler()
                                                                 : *bench.m_splitter.VertRuler();
    const int nCanvasW = view.GetCanvasWidth();
    const int nCanvasH = view.GetCanvasHeight();

    std::vector<double> vView;
    std::vector<double> vYard;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int i = 0; i < REBUILDS; ++i) {
            ruler.Update(CRulerView::MODE_LAYOUT, 0, 0, 0, 0, nCanvasW, nCanvasH);
            QCoreApplication::processEvents();
        }
        const auto t1 = Clock::now();
        for (int i = 0; i < REFRESHES; ++i)
            bench.RefreshVisible();
        const auto t2 = Clock::now();
        vView.push_back(Micros(t1 - t0) / REBUILDS);
        vYard.push_back(Micros(t2 - t1) / REFRESHES);
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    SetRatioCounters(state, vView, vYard);
}
BENCHMARK(BM_RulerRebuild)
    ->ArgName("horizontal")
    ->Arg(CRulerView::HORIZONTAL)
    ->Arg(CRulerView::VERTICAL)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
} // namespace
