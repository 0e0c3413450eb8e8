// Picture conversion against the least any conversion must do, timed in the
// same iterations on a generated 4000 x 3000 RGBA photo-like picture (a
// diagonal colour gradient with noise, a little of it translucent):
//
//   BM_ConvertPicture  ConvertImage at width 128 with 8 x 12 cells (blocks of
//                      31 x 46 pixels, 65 rows: nearly every pixel read) into
//                      a grid of 128 x 80 cells, against one plain pass that
//                      sums every byte of the same buffer: view_us (the
//                      conversion), yardstick_us (the pass) and x_median, the
//                      ratio of their medians, and x_mean.
//
// and gwconvert as a whole process against its yardsticks, alternating in the
// same iterations (skipped when gwconvert or figlet is missing):
//
//   BM_GwconvertFigletVsFiglet   `gwconvert figlet standard Glyphwright`
//                      against `figlet -f standard Glyphwright`, both spawned
//                      with their output to /dev/null: view_us (ours),
//                      yardstick_us (figlet), x_median (goal <= 2), x_mean.
//   BM_GwconvertAnimationVsDurableWrite  `gwconvert animation` of 200 frames
//                      of 128 x 80 cells (--interval and --background given,
//                      so no settings are read) into a page of about 46 MB,
//                      against writing the same bytes to a new file in the
//                      same folder durably, as gwconvert's safe save does
//                      (write, fsync, rename, fsync of the folder):
//                      view_us (ours), yardstick_us (the write), page_MB,
//                      x_median and x_mean.

#include "core/image_convert.h"

#include "bench/process_bench_support.h"
#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <random>
#include <vector>

namespace {

using gwratio::Clock;

constexpr int kPicWidth = 4000;
constexpr int kPicHeight = 3000;

std::vector<uint8_t> MakePhoto()
{
    std::vector<uint8_t> v(static_cast<std::size_t>(kPicWidth) * kPicHeight * 4);
    std::minstd_rand rng(7);
    std::uniform_int_distribution<int> noise(-24, 24);
    const auto clampByte = [](int n) { return static_cast<uint8_t>(std::clamp(n, 0, 255)); };
    for (int y = 0; y < kPicHeight; ++y) {
        for (int x = 0; x < kPicWidth; ++x) {
            uint8_t* p = &v[(static_cast<std::size_t>(y) * kPicWidth + x) * 4];
            p[0] = clampByte(x * 255 / kPicWidth + noise(rng));
            p[1] = clampByte(y * 255 / kPicHeight + noise(rng));
            p[2] = clampByte((x + y) * 255 / (kPicWidth + kPicHeight) + noise(rng));
            p[3] = (x / 64 + y / 64) % 17 == 0 ? 160 : 255;
        }
    }
    return v;
}

class CNullGrid : public ICellWriter {
public:
    int Cols() const override { return 128; }
    int Rows() const override { return 80; }
    uint8_t GetChar(int, int) const override { return ' '; }
    COLORREF GetColor(int, int) const override { return 0; }
    void SetCell(int nCol, int nRow, uint8_t ch, COLORREF cr) override
    {
        m_nCheck += static_cast<uint64_t>(nCol + nRow) ^ ch ^ cr;
    }
    uint64_t m_nCheck = 0;
};

uint64_t SumBytes(const std::vector<uint8_t>& v)
{
    uint64_t nSum = 0;
    for (uint8_t b : v)
        nSum += b;
    return nSum;
}

void BM_ConvertPicture(benchmark::State& state)
{
    const std::vector<uint8_t> vPhoto = MakePhoto();
    const CPictureView picture{vPhoto.data(), kPicWidth, kPicHeight,
                               static_cast<std::size_t>(kPicWidth) * 4};
    CImageConvertParams params;
    params.nConvertWidth = 128;
    params.fContrast = 1.2f;
    params.fSaturation = 0.8f;
    std::vector<double> vConvert, vFloor;
    for (auto _ : state) {
        CNullGrid grid;
        const Clock::time_point t0 = Clock::now();
        benchmark::DoNotOptimize(ConvertImage(picture, params, grid));
        benchmark::DoNotOptimize(grid.m_nCheck);
        const Clock::time_point t1 = Clock::now();
        benchmark::DoNotOptimize(SumBytes(vPhoto));
        const Clock::time_point t2 = Clock::now();
        vConvert.push_back(gwratio::Micros(t1 - t0));
        vFloor.push_back(gwratio::Micros(t2 - t1));
    }
    gwratio::SetRatioCounters(state, vConvert, vFloor);
}
BENCHMARK(BM_ConvertPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GwconvertFigletVsFiglet(benchmark::State& state)
{
    const gwbench::CGwconvertWorkspace work("gw-figlet-bench");
    if (!work.Problem().empty()) {
        state.SkipWithError(work.Problem().c_str());
        return;
    }
    std::vector<double> vOurs, vFiglet;
    for (auto _ : state) {
        const double dOurs = gwbench::RunProcess({work.Gwconvert(), "figlet", "standard", "Glyphwright"});
        const double dFiglet = gwbench::RunProcess({"figlet", "-f", "standard", "Glyphwright"});
        if (dOurs < 0 || dFiglet < 0) {
            state.SkipWithError(dOurs < 0 ? "gwconvert figlet failed" : "figlet failed or is missing");
            return;
        }
        vOurs.push_back(dOurs);
        vFiglet.push_back(dFiglet);
    }
    gwratio::SetRatioCounters(state, vOurs, vFiglet);
}
BENCHMARK(BM_GwconvertFigletVsFiglet)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

void AppendLe32(std::string& str, uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        str.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
}

// A drawing of nFrames frames of 128 x 80 cells, letters in changing colours.
std::string MakeDrawing(int nFrames)
{
    constexpr int kCols = 128, kRows = 80;
    std::string str = "GWHEADER";
    for (int n : {nFrames, kCols, kRows})
        AppendLe32(str, static_cast<uint32_t>(n));
    for (int f = 0; f < nFrames; ++f) {
        for (int i = 0; i < kCols * kRows; ++i) {
            AppendLe32(str, static_cast<uint32_t>(0x00102030 * (f % 7 + 1) + i));
            AppendLe32(str, static_cast<uint32_t>(i % kCols * 8));
            AppendLe32(str, static_cast<uint32_t>(i / kCols * 12));
            str.push_back(static_cast<char>((i + f) % 5 == 0 ? ' ' : 'A' + (i + f) % 26));
            str.append(3, '\0');
        }
    }
    return str;
}

// The bytes written to a new file beside strPath, synced, renamed over it and
// the folder synced: the least a safe save of them costs. Microseconds, or
// negative on a failure.
double WriteDurably(const std::string& strPath, const std::string& strBytes)
{
    const auto t0 = gwratio::Clock::now();
    const std::string strTemp = strPath + ".new";
    const int fd = open(strTemp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    bool bOk = write(fd, strBytes.data(), strBytes.size()) == static_cast<ssize_t>(strBytes.size());
    bOk = fsync(fd) == 0 && bOk;
    bOk = close(fd) == 0 && bOk;
    bOk = bOk && std::rename(strTemp.c_str(), strPath.c_str()) == 0;
    const std::string strDir = strPath.substr(0, strPath.rfind('/'));
    const int fdDir = open(strDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bOk = bOk && fdDir >= 0 && fsync(fdDir) == 0;
    if (fdDir >= 0)
        close(fdDir);
    return bOk ? gwratio::Micros(gwratio::Clock::now() - t0) : -1;
}

void BM_GwconvertAnimationVsDurableWrite(benchmark::State& state)
{
    const gwbench::CGwconvertWorkspace work("gw-anim-bench");
    if (!work.Problem().empty()) {
        state.SkipWithError(work.Problem().c_str());
        return;
    }
    const std::string strIn = work.File("in.gwp"), strPage = work.File("page.htm"),
                      strCopy = work.File("copy.htm");
    std::ofstream(strIn, std::ios::binary) << MakeDrawing(200);
    const std::vector<std::string> vArgs{work.Gwconvert(), "animation", strIn, strPage,
                                         "--interval", "5", "--background", "FFFFFF"};
    if (gwbench::RunProcess(vArgs) < 0) {
        state.SkipWithError("gwconvert animation failed");
        return;
    }
    std::ifstream page(strPage, std::ios::binary);
    const std::string strBytes{std::istreambuf_iterator<char>(page), {}};
    std::vector<double> vOurs, vWrite;
    for (auto _ : state) {
        const double dOurs = gwbench::RunProcess(vArgs);
        const double dWrite = WriteDurably(strCopy, strBytes);
        if (dOurs < 0 || dWrite < 0) {
            state.SkipWithError("a run or the write failed");
            return;
        }
        vOurs.push_back(dOurs);
        vWrite.push_back(dWrite);
    }
    state.counters["page_MB"] = static_cast<double>(strBytes.size()) / 1e6;
    gwratio::SetRatioCounters(state, vOurs, vWrite);
}
BENCHMARK(BM_GwconvertAnimationVsDurableWrite)->Iterations(7)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
