// Moments (mean, variance, skewness, kurtosis) of 10^6 doubles against one plain summation loop over
// the same array (target: at most 3x), and percentiles against std::sort of a copy (target: at most
// 1.2x). Prints the median time of each over repeated runs and the ratios.
#include "bench/BenchTiming.h"
#include "stats/QVStatistics.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

using benchtiming::medianSeconds;
using benchtiming::seconds;

constexpr std::size_t kValues = 1000000;
constexpr int kRuns = 31;

} // namespace

int main() {
    std::mt19937_64 rng(11);
    std::lognormal_distribution<double> lognormal(3, 0.7);
    std::vector<double> values(kValues);
    for (auto& v : values)
        v = lognormal(rng);

    const QVStatistics stats;
    volatile double sink = 0;
    const std::vector<double> requested = {0, 25, 50, 75, 100};
    const std::vector<double> t = medianSeconds(kRuns, {
        [&] {
            double s = 0;
            for (double v : values)
                s += v;
            sink = sink + s;
        },
        [&] {
            sink = sink + stats.mean(values) + stats.variance(values) + stats.skewness(values) +
                   stats.kurtosis(values);
        },
        [&] {
            std::vector<double> copy(values);
            std::sort(copy.begin(), copy.end());
            sink = sink + copy[kValues / 2];
        },
        [&] { sink = sink + stats.percentiles(requested, values).at(50); },
    });
    std::printf("values                 %zu\n", kValues);
    std::printf("plain summation loop   %8.3f ms\n", t[0] * 1e3);
    std::printf("moments (4 methods)    %8.3f ms   ratio %.2f (target <= 3)\n", t[1] * 1e3, t[1] / t[0]);
    std::printf("std::sort of a copy    %8.3f ms\n", t[2] * 1e3);
    std::printf("percentiles            %8.3f ms   ratio %.2f (target <= 1.2)\n", t[3] * 1e3, t[3] / t[2]);
    return 0;
}
