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

#include "core/image_convert.h"

#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
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

} // namespace
