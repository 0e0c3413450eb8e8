// Adding a frame to a 100-frame drawing of the default 40 x 60 size through the main window's own Add a
// frame command: a new store and its frame, the blank fill, the layers, the
// thumbnail and the frame list item.
#include "core/art_doc.h"
#include "res/command_ids.h"
#include "shell/main_frame.h"

#include <QAction>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

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

} // namespace
