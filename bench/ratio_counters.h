// Ratios of a measured operation to its yardstick, both timed in the same
// iterations, reported as medians and means so a busy machine skews neither.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <vector>

namespace gwratio {

using Clock = std::chrono::steady_clock;

inline double Micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

inline double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

inline double Mean(const std::vector<double>& v)
{
    return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / v.size();
}

inline void SetRatioCounters(benchmark::State& state, const std::vector<double>& vView,
                             const std::vector<double>& vYard)
{
    const double dView = Median(vView);
    const double dYard = Median(vYard);
    state.counters["view_us"] = dView;
    state.counters["yardstick_us"] = dYard;
    state.counters["x_median"] = dYard > 0 ? dView / dYard : 0;
    state.counters["x_mean"] = Mean(vYard) > 0 ? Mean(vView) / Mean(vYard) : 0;
}

} // namespace gwratio
