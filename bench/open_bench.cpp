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
//   BM_StartToFirstPaint   start-up as the program does it, from making the
//                          main window to its canvas's first paint, with
//                          the 1,000-frame drawing named against no file
//                          (yardstick), in the same iterations. Goal:
//                          x_median <= 1.5; the first picture must be the
//                          file's. whole_ms: the file's picture on screen
//                          when the whole file is read before it is shown.
#include "bench/doc_bench_support.h"
#include "bench/ratio_counters.h"
#include "core/art_doc.h"
#include "core/backup_store.h"
#include "core/gwp_reader.h"
#include "canvas/art_view.h"
#include "panes/frame_panel.h"
#include "shell/file_commands.h"
#include "shell/main_frame.h"

#include <QCoreApplication>
#include <QEvent>

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

// The current frame's first character at the watched widget's first paint.
class CFirstPaint : public QObject {
public:
    CFirstPaint(QWidget* pWidget, const CArtDoc& doc) : m_doc(doc) { pWidget->installEventFilter(this); }
    bool m_bPainted = false;
    uint8_t m_chFirst = 0;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint && !m_bPainted) {
            m_bPainted = true;
            m_chFirst = m_doc.GetCurCells()[0].chChar;
        }
        return QObject::eventFilter(pWatched, pEvent);
    }

private:
    const CArtDoc& m_doc;
};

enum class EStart { NoFile, FilePicture, WholeFile };

// Microseconds from making the window to its canvas's first paint; *pchFirst:
// the character the first cell showed then.
double StartOnce(const std::string& strPath, EStart start, uint8_t* pchFirst)
{
    const auto t0 = Clock::now();
    CMainFrame frame;
    frame.resize(1000, 700);
    const QString strFile = QString::fromStdString(strPath);
    if (start == EStart::FilePicture)
        frame.Files().ShowPictureAtStart(strFile);
    else if (start == EStart::WholeFile)
        frame.OpenAtStart(strFile);
    CFirstPaint probe(frame.View()->viewport(), frame.Document());
    frame.show();
    while (!probe.m_bPainted)
        QCoreApplication::processEvents();
    const double dUs = Micros(Clock::now() - t0);
    *pchFirst = probe.m_chFirst;
    return dUs;
}

void BM_StartToFirstPaint(benchmark::State& state)
{
    const SDrawing d = DrawingOf(1000);
    const std::string strPath = DrawingFile(d);
    // The first character of the last frame, the one an open drawing shows.
    CGwpFile file;
    std::vector<CharCell> vLast(std::size_t(d.nRows) * d.nCols);
    if (file.Open(strPath, nullptr) != EGwpOpen::Ok ||
        !file.ReadFrames(d.nFrames - 1, 1, vLast.data(), nullptr)) {
        state.SkipWithError("cannot read the drawing back");
        return;
    }
    file.Close();
    std::vector<double> vFile, vBlank, vWhole;
    bool bBlankFirst = true;
    for (auto _ : state) {
        uint8_t chFile = 0, chBlank = 0, chWhole = 0;
        if (bBlankFirst)
            vBlank.push_back(StartOnce(strPath, EStart::NoFile, &chBlank));
        vFile.push_back(StartOnce(strPath, EStart::FilePicture, &chFile));
        if (!bBlankFirst)
            vBlank.push_back(StartOnce(strPath, EStart::NoFile, &chBlank));
        bBlankFirst = !bBlankFirst;
        vWhole.push_back(StartOnce(strPath, EStart::WholeFile, &chWhole));
        if (chFile != vLast[0].chChar || chWhole != vLast[0].chChar || chBlank != ' ') {
            state.SkipWithError("the first picture is not the file's");
            return;
        }
    }
    gwratio::SetRatioCounters(state, vFile, vBlank);
    state.counters["whole_ms"] = gwratio::Median(vWhole) / 1000;
    std::remove(strPath.c_str());
}
BENCHMARK(BM_StartToFirstPaint)->Iterations(11)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
