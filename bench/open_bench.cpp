// Opening a drawing in the editor, against the core load of the same file,
// each timed in the same iterations (built into gw_view_bench, whose main
// sets up Qt).
//
//   BM_OpenInEditor/1000   a 1,000-frame 80 x 128 drawing, a random colour
//                          in every cell (164 MB of cells), opened through
//                          the main window until the current frame is drawn
//                          and the window has taken events again. The
//                          yardstick: CGwpFile, GwpReadFrames and
//                          AdoptFrames into a document of its own. Goal:
//                          x_median <= 3. thumbs_ms: from the open until
//                          the last thumbnail is made. rss_MB: the process's
//                          resident memory after the last open, against
//                          cells_MB (goal: within 1.5 x cells + 64 MB).
//   BM_OpenInEditor/65536  65,536 frames of 1 x 1. Goal: x_median <= 3.
#include "bench/doc_bench_support.h"
#include "bench/ratio_counters.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/gwp_reader.h"
#include "panes/frame_panel.h"
#include "shell/main_frame.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

namespace {
using gwratio::Clock;
using gwratio::Micros;

struct SDrawing {
    int nFrames;
    int nRows;
    int nCols;
};

SDrawing DrawingOf(int nFrames)
{
    return nFrames > 1000 ? SDrawing{nFrames, 1, 1} : SDrawing{nFrames, MAX_ROWS, MAX_COLS};
}

// The drawing's file under /tmp, written once per process and size.
std::string DrawingFile(const SDrawing& d)
{
    const std::string strPath = "/tmp/gw_open_bench_" + std::to_string(getpid()) + "_" +
                                std::to_string(d.nFrames) + ".gwp";
    if (access(strPath.c_str(), R_OK) == 0)
        return strPath;
    std::ofstream os(strPath, std::ios::binary);
    os.write(GWP_MAGIC, 8);
    const int32_t aHeader[3] = {d.nFrames, d.nCols, d.nRows};
    os.write(reinterpret_cast<const char*>(aHeader), sizeof aHeader);
    std::mt19937 rng(7);
    std::vector<CharCell> vFrame(std::size_t(d.nRows) * d.nCols);
    for (int f = 0; f < d.nFrames; ++f) {
        for (std::size_t i = 0; i < vFrame.size(); ++i) {
            CharCell& cell = vFrame[i];
            cell = CharCell{};
            cell.crColor = (rng() & 0xFFFFFF) | 0x010101;
            cell.chChar = static_cast<uint8_t>(33 + rng() % 94);
            cell.nX = static_cast<int32_t>(i % std::size_t(d.nCols)) * 8;
            cell.nY = static_cast<int32_t>(i / std::size_t(d.nCols)) * 16;
        }
        os.write(reinterpret_cast<const char*>(vFrame.data()),
                 static_cast<std::streamsize>(vFrame.size() * sizeof(CharCell)));
    }
    return strPath;
}

bool CoreLoad(const std::string& strPath, CArtDoc& doc)
{
    CGwpFile file;
    CLoadedFrames frames;
    return file.Open(strPath, nullptr) == EGwpOpen::Ok &&
           GwpReadFrames(file, &frames, nullptr) == EGwpLoad::Ok && doc.AdoptFrames(frames);
}

double ResidentMB()
{
    long nPages = 0, nResident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &nPages, &nResident) != 2)
            nResident = 0;
        std::fclose(f);
    }
    return double(nResident) * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

void BM_OpenInEditor(benchmark::State& state)
{
    const SDrawing d = DrawingOf(static_cast<int>(state.range(0)));
    const std::string strPath = DrawingFile(d);
    CMainFrame frame;
    frame.resize(1000, 700);
    frame.show();
    QCoreApplication::processEvents();
    std::vector<double> vEditor, vCore, vThumbs;
    for (auto _ : state) {
        {
            CArtDoc doc;
            const auto t0 = Clock::now();
            if (!CoreLoad(strPath, doc)) {
                state.SkipWithError("the core load failed");
                return;
            }
            vCore.push_back(Micros(Clock::now() - t0));
            state.PauseTiming();
            gwdocbench::DestroyStores(doc);
            state.ResumeTiming();
        }
        const auto t0 = Clock::now();
        frame.OpenAtStart(QString::fromStdString(strPath));
        QCoreApplication::processEvents();
        vEditor.push_back(Micros(Clock::now() - t0));
        if (frame.Document().GetFrameCount() != d.nFrames) {
            state.SkipWithError("the editor did not open every frame");
            return;
        }
        state.PauseTiming();
        // Made ahead of need up to the panel's budget; the rest when shown.
        const CFramePaneView* pList = frame.FramePanel()->List();
        while (pList->PendingThumbnailCount() > 0 &&
               pList->ThumbnailCount() - pList->PendingThumbnailCount() < 4096)
            QCoreApplication::processEvents();
        vThumbs.push_back(Micros(Clock::now() - t0));
        state.ResumeTiming();
    }
    gwratio::SetRatioCounters(state, vEditor, vCore);
    state.counters["thumbs_ms"] = gwratio::Median(vThumbs) / 1000;
    state.counters["rss_MB"] = ResidentMB();
    state.counters["cells_MB"] = double(d.nFrames) * d.nRows * d.nCols * sizeof(CharCell) / 1e6;
    std::remove(strPath.c_str());
}
BENCHMARK(BM_OpenInEditor)->Arg(1000)->Arg(65536)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
