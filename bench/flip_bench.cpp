// Flipping a whole frame against the store's full-frame step, timed in the
// same iterations (ratio_counters.h):
//   BM_FlipFrameVsStep/<axis>  Flip Left-Right (0) or Top-Bottom (1) of an
//                              80 x 128 frame, characters mirrored, as one
//                              undo step; against the step that writes every
//                              cell of the same frame (begin, writes, commit).
// The frame holds a random character and colour in every cell, so a flip
// changes nearly every cell, as the yardstick does.
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/cell_flip.h"
#include "ratio_counters.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using gwratio::Clock;
using gwratio::Micros;

void BM_FlipFrameVsStep(benchmark::State& state)
{
    BackupInstallFaultFilter();
    CArtDoc doc;
    doc.SetCanvasSize(MAX_ROWS, MAX_COLS);
    doc.OnNewDocument();
    const int nKey = doc.RegisterFrame();
    const auto nStore = static_cast<unsigned>(doc.GetCurHistory());
    std::mt19937 rng(7);
    std::vector<CharCell> v(static_cast<std::size_t>(doc.GetCellCount()));
    for (CharCell& c : v)
        c = CharCell{static_cast<COLORREF>(rng() & 0xFFFFFF), 0, 0,
                     static_cast<uint8_t>(33 + rng() % 90), {}};
    BackupWriteSealed(nStore, doc.GetCurCells(), v.data(), v.size() * sizeof(CharCell));

    const auto nAxis = state.range(0) == 0 ? EMirrorAxis::LeftRight : EMirrorAxis::TopBottom;
    const auto fullStep = [&] {
        const auto t0 = Clock::now();
        BackupBegin(nStore);
        CharCell* p = doc.GetCurCells();
        for (int i = 0; i < doc.GetCellCount(); ++i)
            p[i].chChar = static_cast<uint8_t>(p[i].chChar ^ 1);
        BackupCommit(nStore);
        return Micros(Clock::now() - t0);
    };
    const auto flip = [&] {
        const auto t0 = Clock::now();
        if (!FlipDocFrame(doc, nKey, nAxis, EFlipGlyphs::Mirror))
            state.SkipWithError("the flip's step was refused");
        return Micros(Clock::now() - t0);
    };
    std::vector<double> vOp;
    std::vector<double> vYard;
    bool bFlipFirst = false;
    for (auto _ : state) {
        if (bFlipFirst) {
            vOp.push_back(flip());
            vYard.push_back(fullStep());
        } else {
            vYard.push_back(fullStep());
            vOp.push_back(flip());
        }
        bFlipFirst = !bFlipFirst;
    }
    gwratio::SetRatioCounters(state, vOp, vYard);
}
BENCHMARK(BM_FlipFrameVsStep)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
