// Timing helpers shared by the benchmarks: wall-clock seconds of a run, and medians of variants run in
// turn, round after round, so drift of the machine and of the allocator touches each alike.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace benchtiming {

inline double seconds(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline std::vector<double> medianSeconds(int runs, const std::vector<std::function<void()>>& variants) {
    std::vector<std::vector<double>> times(variants.size());
    for (int round = 0; round < runs; ++round)
        for (std::size_t v = 0; v < variants.size(); ++v)
            times[v].push_back(seconds(variants[v]));
    std::vector<double> medians;
    for (auto& t : times) {
        std::nth_element(t.begin(), t.begin() + runs / 2, t.end());
        medians.push_back(t[static_cast<std::size_t>(runs / 2)]);
    }
    return medians;
}

} // namespace benchtiming
