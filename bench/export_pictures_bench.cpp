// The picture exports against their yardsticks, timed in the same iterations
// (built into gw_view_bench, whose main sets up Qt). The drawing is the
// largest, 80 x 128 cells, each a random printable character in a random
// colour, 100 frames, written once into a fresh folder under /tmp with every
// frame also as a PNG file at the middle zoom.
//
//   BM_GwconvertGifVsConvert  `gwconvert gif` of the drawing at zoom 2 as a
//                             whole process, against ImageMagick's
//                             `convert -delay 50 -loop 0 f*.png out.gif` on
//                             the same frames as PNG files. Goal: x_median
//                             <= 0.5. gif_kb and convert_kb: the two files.
//                             ImageMagick runs with its own policy file
//                             (MAGICK_CONFIGURE_PATH) raising Debian's
//                             resource limits (memory 256 MiB, map 512 MiB,
//                             disk 1 GiB) to memory 8 GiB, map 8 GiB and
//                             disk 8 GiB, so that it holds the 100 frames in
//                             memory instead of a disk cache; width, height
//                             and area stay Debian's (16K, 16K, 128 MP).
//   BM_GwconvertGifThousandFrames/N
//                             `gwconvert gif` at zoom 4 of 1,000 frames of
//                             80 x 128 random printable characters in N
//                             colours, as a whole process: its time and
//                             processor time (gif_cpu_s), and
//                             extra_mb, its peak resident memory less that
//                             of `gwconvert info` on the same file (goal:
//                             <= 64 for N = 1; the file is over 1 GB, so
//                             the GIF must go out as it is made).
//   BM_GifExportInterface     File > Export > Animated GIF of 40 such frames
//                             at zoom 2 through the export commands (on a
//                             worker over a snapshot): what the interface
//                             thread spends (the command's return plus the
//                             longest event-loop pass until it is done),
//                             against one Refresh(REFRESH_VISIBLE) and its
//                             paint. Goal: x_median <= 5. whole_ms and
//                             x_whole: from the command to the finished file,
//                             against the same export run on this thread
//                             (sync_ms), as it ran before; the event loop
//                             sleeps 1 ms between passes, as an idle one would.
//   BM_PngExport              WriteFramePng of one frame at zoom 2, against
//                             QImage::save as PNG of the view's composition
//                             of the same frame. Goal: x_median <= 1.2.
//   BM_PngFilters/<zoom>      the first frame's picture at zooms 0 to 4
//                             written by WritePng with each row filter
//                             (adaptive, none, sub, up) in the same
//                             iterations: <filter>_ms (median) and
//                             <filter>_kb, and x_<filter> against adaptive,
//                             libpng's own choice and Qt's.
//
// Counters: view_us and yardstick_us (medians, microseconds), x_median and
// x_mean. gwconvert is looked for beside this program; convert on the PATH.

#include "canvas/art_view.h"
#include "canvas/frame_picture.h"
#include "canvas/gif_export.h"
#include "canvas/png_writer.h"
#include "core/backup_store.h"
#include "core/edit_bracket.h"
#include "core/html_export.h"
#include "core/safe_file.h"
#include "shell/export_commands.h"
#include "shell/shell_settings.h"
#include "ui/file_dialogs.h"
#include "ui/message_box.h"

#include "bench/process_bench_support.h"
#include "bench/ratio_counters.h"
#include "bench/view_bench_support.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <algorithm>

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>


namespace {

using gwratio::Clock;
using gwratio::Micros;
using gwratio::SetRatioCounters;

constexpr int FRAMES = 100;
constexpr int ZOOM = 2;

std::vector<CharCell> RandomFrame(std::mt19937& rng)
{
    std::vector<CharCell> v(std::size_t(MAX_ROWS) * MAX_COLS);
    for (CharCell& cell : v)
        cell = CharCell{COLORREF(rng() & 0xFFFFFF), 0, 0, uint8_t(33 + rng() % 94), {}};
    return v;
}

void AppendLe32(std::string& str, uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        str.push_back(char((n >> (8 * i)) & 0xFF));
}

class CPictureBenchFiles : public gwbench::CGwconvertWorkspace {
public:
    static CPictureBenchFiles& Instance()
    {
        static CPictureBenchFiles s_files;
        return s_files;
    }
    const std::vector<CharCell>& FirstFrame() const { return m_vFirst; }

private:
    CPictureBenchFiles() : CGwconvertWorkspace("gw_picture_bench")
    {
        if (!m_strProblem.empty())
            return;
        std::string strGwp = "GWHEADER";
        for (int n : {FRAMES, MAX_COLS, MAX_ROWS})
            AppendLe32(strGwp, uint32_t(n));
        std::mt19937 rng(2024);
        for (int f = 0; f < FRAMES; ++f) {
            const std::vector<CharCell> v = RandomFrame(rng);
            if (f == 0)
                m_vFirst = v;
            strGwp.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(CharCell));
            char szName[16];
            std::snprintf(szName, sizeof szName, "f%03d.png", f);
            std::ofstream png(File(szName), std::ios::binary);
            if (!WriteFramePng(png, v.data(), MAX_ROWS, MAX_COLS, ZOOM, 0xFFFFFF, nullptr))
                m_strProblem = "cannot write the frames as PNG";
        }
        std::ofstream(File("anim.gwp"), std::ios::binary) << strGwp;
        // Found before the system's policy.xml, whose limits -limit cannot raise.
        std::ofstream(File("policy.xml"))
            << "<policymap>\n"
               "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
               "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
               "  <policy domain=\"resource\" name=\"disk\" value=\"8GiB\"/>\n"
               "</policymap>\n";
    }
    std::vector<CharCell> m_vFirst;
};


void BM_GwconvertGifVsConvert(benchmark::State& state)
{
    const CPictureBenchFiles& files = CPictureBenchFiles::Instance();
    if (!files.Problem().empty()) {
        state.SkipWithError(files.Problem().c_str());
        return;
    }
    std::vector<std::string> vConvert = {"convert", "-delay", "50", "-loop", "0"};
    for (int f = 0; f < FRAMES; ++f) {
        char szName[16];
        std::snprintf(szName, sizeof szName, "f%03d.png", f);
        vConvert.push_back(files.File(szName));
    }
    vConvert.push_back(files.File("convert.gif"));
    std::vector<double> vOurs, vTheirs;
    for (auto _ : state) {
        const double dOurs = gwbench::RunProcess({files.Gwconvert(), "gif", files.File("anim.gwp"),
                                         files.File("ours.gif"), "--zoom", "2", "--interval", "5"});
        setenv("MAGICK_CONFIGURE_PATH", files.File("").c_str(), 1);
        const double dTheirs = gwbench::RunProcess(vConvert);
        unsetenv("MAGICK_CONFIGURE_PATH");
        if (dOurs < 0 || dTheirs < 0) {
            state.SkipWithError(dOurs < 0 ? "gwconvert gif failed" : "convert failed or is missing");
            return;
        }
        vOurs.push_back(dOurs);
        vTheirs.push_back(dTheirs);
        state.SetIterationTime(dOurs / 1e6);
    }
    SetRatioCounters(state, vOurs, vTheirs);
    state.counters["gif_kb"] = double(std::filesystem::file_size(files.File("ours.gif"))) / 1024;
    state.counters["convert_kb"] =
        double(std::filesystem::file_size(files.File("convert.gif"))) / 1024;
}
BENCHMARK(BM_GwconvertGifVsConvert)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The 1,000-frame drawings, one per colour count, written once.
class CLargeGifFiles : public gwbench::CGwconvertWorkspace {
public:
    static CLargeGifFiles& Instance()
    {
        static CLargeGifFiles s_files;
        return s_files;
    }
    std::string Drawing(int nColors)
    {
        const std::string strPath = File("colors" + std::to_string(nColors) + ".gwp");
        if (!m_strProblem.empty() || std::filesystem::exists(strPath))
            return strPath;
        std::ofstream os(strPath, std::ios::binary);
        std::string strHeader = "GWHEADER";
        for (int n : {LARGE_FRAMES, MAX_COLS, MAX_ROWS})
            AppendLe32(strHeader, uint32_t(n));
        os << strHeader;
        std::mt19937 rng{unsigned(nColors)};
        std::vector<COLORREF> vPalette(static_cast<std::size_t>(nColors));
        for (COLORREF& cr : vPalette)
            cr = COLORREF(rng() & 0xFFFFFF);
        std::vector<CharCell> v(std::size_t(MAX_ROWS) * MAX_COLS);
        for (int f = 0; f < LARGE_FRAMES; ++f) {
            for (CharCell& cell : v)
                cell = CharCell{vPalette[rng() % vPalette.size()], 0, 0, uint8_t(33 + rng() % 94), {}};
            os.write(reinterpret_cast<const char*>(v.data()), std::streamsize(v.size() * sizeof(CharCell)));
        }
        if (!os)
            m_strProblem = "cannot write the 1,000-frame drawing";
        return strPath;
    }
    static constexpr int LARGE_FRAMES = 1000;

private:
    CLargeGifFiles() : CGwconvertWorkspace("gw_large_gif_bench") {}
};

void BM_GwconvertGifThousandFrames(benchmark::State& state)
{
    CLargeGifFiles& files = CLargeGifFiles::Instance();
    const std::string strGwp = files.Drawing(int(state.range(0)));
    if (!files.Problem().empty()) {
        state.SkipWithError(files.Problem().c_str());
        return;
    }
    rusage info{}, gif{};
    for (auto _ : state) {
        const double dInfo = gwbench::RunProcess({files.Gwconvert(), "info", strGwp}, &info);
        const double dGif = gwbench::RunProcess(
            {files.Gwconvert(), "gif", strGwp, files.File("large.gif"), "--zoom", "4"}, &gif);
        if (dInfo < 0 || dGif < 0) {
            state.SkipWithError(dInfo < 0 ? "gwconvert info failed" : "gwconvert gif failed");
            return;
        }
        state.SetIterationTime(dGif / 1e6);
    }
    state.counters["gif_peak_mb"] = double(gif.ru_maxrss) / 1024;
    state.counters["info_peak_mb"] = double(info.ru_maxrss) / 1024;
    state.counters["extra_mb"] = double(gif.ru_maxrss - info.ru_maxrss) / 1024;
    // The machine is shared: the processor time is steadier than the wall time.
    state.counters["gif_cpu_s"] = double(gif.ru_utime.tv_sec + gif.ru_stime.tv_sec) +
                                  double(gif.ru_utime.tv_usec + gif.ru_stime.tv_usec) / 1e6;
    state.counters["gif_file_mb"] =
        double(std::filesystem::file_size(files.File("large.gif"))) / (1024 * 1024);
    std::filesystem::remove(files.File("large.gif"));
}
BENCHMARK(BM_GwconvertGifThousandFrames)->Arg(1)->Arg(100)->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kSecond);

void BM_PngExport(benchmark::State& state)
{
    const CPictureBenchFiles& files = CPictureBenchFiles::Instance();
    if (!files.Problem().empty()) {
        state.SkipWithError(files.Problem().c_str());
        return;
    }
    gwviewbench::CToolBench bench;
    {
        CEditBracket bracket(bench.m_doc);
        bracket.BeginEdit();
        std::copy(files.FirstFrame().begin(), files.FirstFrame().end(), bench.m_doc.GetCurCells());
        bracket.EndEdit();
    }
    bench.m_pView->Refresh(CArtView::REFRESH_ALL);
    const QImage& imgComp = bench.m_pView->CompositionLayer();
    std::vector<double> vOurs, vSave;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::ostringstream os;
        WriteFramePng(os, files.FirstFrame().data(), MAX_ROWS, MAX_COLS, ZOOM, 0xFFFFFF, nullptr);
        const auto t1 = Clock::now();
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        imgComp.save(&buffer, "png");
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(data.size());
        vOurs.push_back(Micros(t1 - t0));
        vSave.push_back(Micros(t2 - t1));
    }
    SetRatioCounters(state, vOurs, vSave);
}
BENCHMARK(BM_PngExport)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_PngFilters(benchmark::State& state)
{
    const CPictureBenchFiles& files = CPictureBenchFiles::Instance();
    if (!files.Problem().empty()) {
        state.SkipWithError(files.Problem().c_str());
        return;
    }
    CFramePicture picture(MAX_ROWS, MAX_COLS, static_cast<int>(state.range(0)), 0xFFFFFF);
    const QImage img = picture.Render(files.FirstFrame().data());
    struct CFilterRun {
        const char* pszName;
        EPngFilter filter;
        std::vector<double> vMs;
        std::size_t nBytes = 0;
    };
    CFilterRun aRuns[] = {{"adaptive", EPngFilter::Adaptive, {}},
                          {"none", EPngFilter::None, {}},
                          {"sub", EPngFilter::Sub, {}},
                          {"up", EPngFilter::Up, {}}};
    std::size_t nRound = 0;
    for (auto _ : state) {
        // A different filter first in each round, so none always meets a
        // cold cache.
        for (std::size_t k = 0; k < std::size(aRuns); ++k) {
            CFilterRun& run = aRuns[(k + nRound) % std::size(aRuns)];
            std::ostringstream os;
            const auto t0 = Clock::now();
            if (!WritePng(os, img, run.filter, nullptr)) {
                state.SkipWithError("WritePng failed");
                return;
            }
            run.vMs.push_back(Micros(Clock::now() - t0) / 1000);
            run.nBytes = os.str().size();
        }
        ++nRound;
    }
    auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    const double dAdaptive = median(aRuns[0].vMs);
    for (CFilterRun& run : aRuns) {
        const double dMs = median(run.vMs);
        state.counters[std::string(run.pszName) + "_ms"] = dMs;
        state.counters[std::string(run.pszName) + "_kb"] = static_cast<double>(run.nBytes) / 1024;
        if (run.filter != EPngFilter::Adaptive && dAdaptive > 0)
            state.counters[std::string("x_") + run.pszName] = dMs / dAdaptive;
    }
}
BENCHMARK(BM_PngFilters)->DenseRange(0, 4)->Iterations(7)->Unit(benchmark::kMillisecond);

void BM_GifExportInterface(benchmark::State& state)
{
    constexpr int GIF_FRAMES = 40;
    constexpr int REFRESHES = 10;
    gwviewbench::CToolBench bench;
    std::mt19937 rng(7);
    for (int f = 0; f < GIF_FRAMES; ++f) {
        if (f > 0)
            bench.m_doc.NewFrame();
        const std::vector<CharCell> v = RandomFrame(rng);
        BackupWriteSealed(unsigned(bench.m_doc.GetCurHistory()), bench.m_doc.GetCurCells(), v.data(),
                          v.size() * sizeof(CharCell));
        bench.m_doc.RegisterFrame();
    }
    bench.m_pView->Refresh(CArtView::REFRESH_ALL);
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("anim.gif"));
    QString strMessage;
    *GwFileDialogHook() = [&](const QString&) { return strPath; };
    *GwZoomDialogHook() = [](int) { return ZOOM; };
    *GwMessageBoxHook() = [&](const QString& str) { strMessage = str; };
    SShellSettings settings;
    CExportCommands exports(bench.m_doc, *bench.m_pView, settings, nullptr);
    std::vector<double> vBlock, vYard, vWhole, vSync;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        exports.OnExportGif();
        const auto t1 = Clock::now();
        double dLongest = 0;
        while (exports.IsRunning()) {
            const auto tPass = Clock::now();
            QCoreApplication::processEvents();
            dLongest = std::max(dLongest, Micros(Clock::now() - tPass));
            // An idle event loop sleeps: the worker is not to compete with a
            // spinning one for the two processors.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const auto t2 = Clock::now();
        std::string strError;
        SaveFileSafely(dir.filePath(QStringLiteral("sync.gif")).toStdString(), [&](std::ostream& os) {
            CDocFrameSource frames(bench.m_doc);
            return ExportAnimatedGif(os, frames, ZOOM, settings.m_nFrameInterval, true,
                                     bench.m_pView->GetBackColor(), &strError);
        }, &strError);
        const auto t3 = Clock::now();
        for (int i = 0; i < REFRESHES; ++i) {
            bench.m_pView->Refresh(CArtView::REFRESH_VISIBLE);
            QCoreApplication::processEvents();
        }
        const auto t4 = Clock::now();
        vBlock.push_back(Micros(t1 - t0) + dLongest);
        vYard.push_back(Micros(t4 - t3) / REFRESHES);
        vWhole.push_back(Micros(t2 - t0) / 1000);
        vSync.push_back(Micros(t3 - t2) / 1000);
    }
    *GwFileDialogHook() = nullptr;
    *GwZoomDialogHook() = nullptr;
    *GwMessageBoxHook() = nullptr;
    if (!strMessage.isEmpty())
        state.SkipWithError(strMessage.toStdString().c_str());
    SetRatioCounters(state, vBlock, vYard);
    state.counters["whole_ms"] = gwratio::Median(vWhole);
    state.counters["sync_ms"] = gwratio::Median(vSync);
    state.counters["x_whole"] = gwratio::Median(vWhole) / gwratio::Median(vSync);
}
BENCHMARK(BM_GifExportInterface)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
