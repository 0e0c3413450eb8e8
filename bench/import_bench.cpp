// Opening the FIGlet dialog as the command does (built into gw_view_bench,
// whose main sets up Qt): the font list from every folder (all fonts the
// system has installed), the controls, and the dialog shown and laid out.
//
//   BM_OpenFigletDialog   construct, show and process the first events, then
//                         close. Counters: open_ms (median, milliseconds) and
//                         fonts (how many were listed).

#include "import/figfont_dlg.h"

#include "bench/ratio_counters.h"

#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using gwratio::Clock;
using gwratio::Median;
using gwratio::Micros;

void BM_OpenFigletDialog(benchmark::State& state)
{
    std::vector<double> vMs;
    int nFonts = 0;
    for (auto _ : state) {
        const auto tStart = Clock::now();
        {
            CFigfontDlg dlg;
            dlg.show();
            QApplication::processEvents();
            nFonts = dlg.FontCombo()->count();
            dlg.close();
        }
        vMs.push_back(Micros(Clock::now() - tStart) / 1000.0);
    }
    state.counters["open_ms"] = Median(vMs);
    state.counters["fonts"] = nFonts;
}
BENCHMARK(BM_OpenFigletDialog)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
