// The animated SVG export against the animated HTML page of the same
// drawing: 100 frames of 80 x 128 cells, every cell drawn in a colour of its
// own (no run of one colour to merge, the SVG's worst case), a few characters
// past ASCII among them, each export into a stream that only counts bytes.
//
//   BM_SvgAgainstHtml  both exports timed in the same iterations: svg_ms,
//                      html_ms and x_median, the ratio of their medians (goal
//                      <= 1.2); x_cpu, the same for this thread's processor
//                      time, steadier on a busy machine; svg_MB, html_MB and
//                      x_size, the ratio of the sizes (goal <= 1.5).

#include "core/html_export.h"
#include "core/svg_export.h"

#include "bench/ratio_counters.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>
#include <ostream>
#include <random>
#include <streambuf>
#include <vector>

namespace {

using gwratio::Clock;

constexpr int kFrames = 100;

class CCountingBuf : public std::streambuf {
public:
    std::size_t m_nBytes = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override
    {
        m_nBytes += std::size_t(n);
        return n;
    }
    int_type overflow(int_type ch) override { return ++m_nBytes, ch; }
};

class CBenchFrames : public IAnimFrameSource {
public:
    CBenchFrames() : m_vCells(std::size_t(kFrames) * MAX_ROWS * MAX_COLS)
    {
        std::mt19937 rng(30);
        for (CharCell& cell : m_vCells) {
            const auto n = rng();
            cell.crColor = n & 0xFFFFFF;
            // Mostly ASCII letters and signs; one in 32 past ASCII.
            cell.chChar =
                (n >> 24) % 32 == 0 ? uint8_t(0xC0 + (n >> 27)) : uint8_t(33 + (n >> 24) % 94);
        }
    }
    int GetFrameCount() const override { return kFrames; }
    int GetRows() const override { return MAX_ROWS; }
    int GetCols() const override { return MAX_COLS; }
    const CharCell* GetFrame(int n) override
    {
        return m_vCells.data() + std::size_t(n) * MAX_ROWS * MAX_COLS;
    }

private:
    std::vector<CharCell> m_vCells;
};

double ThreadCpuMicros()
{
    timespec ts = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

void BM_SvgAgainstHtml(benchmark::State& state)
{
    CBenchFrames frames;
    SSvgParams params;
    params.layout = SvgLayoutForZoom(2);
    std::vector<double> vSvg, vHtml, vSvgCpu, vHtmlCpu;
    std::size_t nSvgBytes = 0, nHtmlBytes = 0;
    for (auto _ : state) {
        CCountingBuf bufSvg, bufHtml;
        std::ostream osSvg(&bufSvg), osHtml(&bufHtml);
        const double c0 = ThreadCpuMicros();
        const auto t0 = Clock::now();
        ExportAnimatedSvg(osSvg, frames, params);
        const auto t1 = Clock::now();
        const double c1 = ThreadCpuMicros();
        ExportAnimationHtml(osHtml, frames, 5, 0xFFFFFF);
        const auto t2 = Clock::now();
        vSvgCpu.push_back(c1 - c0);
        vHtmlCpu.push_back(ThreadCpuMicros() - c1);
        vSvg.push_back(gwratio::Micros(t1 - t0));
        vHtml.push_back(gwratio::Micros(t2 - t1));
        nSvgBytes = bufSvg.m_nBytes, nHtmlBytes = bufHtml.m_nBytes;
    }
    const double dSvg = gwratio::Median(vSvg), dHtml = gwratio::Median(vHtml);
    state.counters["svg_ms"] = dSvg / 1000;
    state.counters["html_ms"] = dHtml / 1000;
    state.counters["x_median"] = dHtml > 0 ? dSvg / dHtml : 0;
    const double dSvgCpu = gwratio::Median(vSvgCpu), dHtmlCpu = gwratio::Median(vHtmlCpu);
    state.counters["x_cpu"] = dHtmlCpu > 0 ? dSvgCpu / dHtmlCpu : 0;
    state.counters["svg_MB"] = double(nSvgBytes) / 1e6;
    state.counters["html_MB"] = double(nHtmlBytes) / 1e6;
    state.counters["x_size"] = nHtmlBytes ? double(nSvgBytes) / double(nHtmlBytes) : 0;
}
BENCHMARK(BM_SvgAgainstHtml)->Unit(benchmark::kMillisecond)->Iterations(9);

} // namespace
