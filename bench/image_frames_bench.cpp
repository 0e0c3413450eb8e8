// Every frame of an animated GIF into a drawing, against Qt's reader alone
// (built into gw_view_bench, whose main sets up Qt). The picture: 100 frames
// of 320 x 240, each whole and different (a moving pattern of 256 colours
// with noise), written once with giflib into a fresh folder under /tmp.
//
//   BM_GwconvertFramesVsQtDecode  `gwconvert image anim.gif out.gwp --frames`
//                                 as a whole process (start-up, decoding,
//                                 conversion, the safe save of 100 frames of
//                                 80 x 128 cells) against QImageReader reading
//                                 the 100 frames from the file in this
//                                 process. Goal: x_median <= 1.5.
//
// Counters: view_us and yardstick_us (medians, microseconds), x_median and
// x_mean; cpu_x_median, the same ratio of processor time (the child's user
// and system time against this thread's), which a machine shared with other
// builds skews far less than wall time. gwconvert is looked for beside this
// program.

#include "bench/process_bench_support.h"
#include "bench/ratio_counters.h"

#include <QImage>
#include <QImageReader>

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>

#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using gwratio::Clock;
using gwratio::Micros;

constexpr int FRAMES = 100, WIDTH = 320, HEIGHT = 240;

bool WriteAnimatedGif(const std::string& strPath)
{
    int nError = 0;
    GifFileType* pGif = EGifOpenFileName(strPath.c_str(), false, &nError);
    if (!pGif)
        return false;
    GifColorType vColours[256];
    for (int i = 0; i < 256; ++i)
        vColours[i] = {GifByteType(i), GifByteType(i * 7), GifByteType(255 - i)};
    const ColorMapObject map{256, 8, false, vColours};
    EGifSetGifVersion(pGif, true);
    bool bOk = EGifPutScreenDesc(pGif, WIDTH, HEIGHT, 8, 0, &map) == GIF_OK;
    std::vector<GifPixelType> vRow(WIDTH);
    uint32_t nSeed = 7;
    for (int f = 0; bOk && f < FRAMES; ++f) {
        const GifByteType vControl[4] = {1 << 2, 4, 0, 0}; // kept, 40 ms
        bOk = EGifPutExtension(pGif, GRAPHICS_EXT_FUNC_CODE, 4, vControl) == GIF_OK &&
              EGifPutImageDesc(pGif, 0, 0, WIDTH, HEIGHT, false, nullptr) == GIF_OK;
        for (int y = 0; bOk && y < HEIGHT; ++y) {
            for (int x = 0; x < WIDTH; ++x) {
                nSeed = nSeed * 1664525u + 1013904223u;
                vRow[std::size_t(x)] = GifPixelType(((x + f * 3) / 8 + (y / 8) * 5 + (nSeed >> 30)) & 0xFF);
            }
            bOk = EGifPutLine(pGif, vRow.data(), WIDTH) == GIF_OK;
        }
    }
    return EGifCloseFile(pGif, &nError) == GIF_OK && bOk;
}

class CFramesBenchFiles : public gwbench::CGwconvertWorkspace {
public:
    static CFramesBenchFiles& Instance()
    {
        static CFramesBenchFiles s_files;
        return s_files;
    }

private:
    CFramesBenchFiles() : CGwconvertWorkspace("gw_frames_bench")
    {
        if (m_strProblem.empty() && !WriteAnimatedGif(File("anim.gif")))
            m_strProblem = "cannot write the animated GIF";
    }
};

double CpuMicros(const rusage& usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// Qt's reader through every frame, as the conversion reads them.
int DecodeFrames(const std::string& strPath)
{
    QImageReader reader(QString::fromStdString(strPath));
    QImage frame;
    int nFrames = 0;
    while (reader.read(&frame)) {
        benchmark::DoNotOptimize(frame.constBits());
        ++nFrames;
    }
    return nFrames;
}

void BM_GwconvertFramesVsQtDecode(benchmark::State& state)
{
    const CFramesBenchFiles& files = CFramesBenchFiles::Instance();
    if (!files.Problem().empty()) {
        state.SkipWithError(files.Problem().c_str());
        return;
    }
    const std::string strGif = files.File("anim.gif");
    std::vector<double> vOurs, vDecode, vCpuRatio;
    for (auto _ : state) {
        rusage child{}, before{}, after{};
        const double dOurs = gwbench::RunProcess(
            {files.Gwconvert(), "image", strGif, files.File("out.gwp"), "--frames"}, &child);
        getrusage(RUSAGE_THREAD, &before);
        const auto t0 = Clock::now();
        const int nFrames = DecodeFrames(strGif);
        const double dDecode = Micros(Clock::now() - t0);
        getrusage(RUSAGE_THREAD, &after);
        vCpuRatio.push_back(CpuMicros(child) / std::max(CpuMicros(after) - CpuMicros(before), 1.0));
        if (dOurs < 0 || nFrames != FRAMES) {
            state.SkipWithError(dOurs < 0 ? "gwconvert image --frames failed" : "Qt read the wrong number of frames");
            return;
        }
        vOurs.push_back(dOurs);
        vDecode.push_back(dDecode);
        state.SetIterationTime(dOurs / 1e6);
    }
    gwratio::SetRatioCounters(state, vOurs, vDecode);
    state.counters["cpu_x_median"] = gwratio::Median(vCpuRatio);
}
BENCHMARK(BM_GwconvertFramesVsQtDecode)->Iterations(9)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
