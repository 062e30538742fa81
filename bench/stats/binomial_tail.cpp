// The exact two-sided binomial test at n = 100,000 (it must take milliseconds, not the minutes of a
// term-by-term product), against summing the same number of doubles as a floor. Prints both medians.
#include "stats/Distributions.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main() {
    constexpr int kRuns = 21;
    std::vector<double> tail, floor;
    std::vector<double> values(100001, 1e-5);
    volatile double sink = 0;
    for (int round = 0; round < kRuns; ++round) {
        auto start = std::chrono::steady_clock::now();
        sink = sink + binom_exact_tail(100000, 50400, 0.5);
        tail.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        start = std::chrono::steady_clock::now();
        double s = 0;
        for (double v : values)
            s += v;
        sink = sink + s;
        floor.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(tail.begin(), tail.end());
    std::sort(floor.begin(), floor.end());
    std::printf("binom_exact_tail(100000, 50400, 0.5)   %8.3f ms\n", tail[kRuns / 2] * 1e3);
    std::printf("sum of 100,001 doubles                 %8.3f ms   ratio %.1f\n", floor[kRuns / 2] * 1e3,
                tail[kRuns / 2] / floor[kRuns / 2]);
    std::printf("two-sided p = %.10g\n", 2 * (1 - binom_exact_tail(100000, 50400, 0.5)));
    return 0;
}
