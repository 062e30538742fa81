// Timing helpers shared by the benchmarks: wall-clock seconds of a run, and medians of variants run in
// turn, round after round, so drift of the machine and of the allocator touches each alike.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include <time.h>

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

// The ratio of a measured variant to its baseline, round by round (the two run one after the other, so a
// busy machine slows both alike), over many rounds after one unmeasured round: its median and quartiles,
// beside the two variants' median seconds.
struct RatioSpread {
    double baseline = 0, measured = 0; // median seconds
    double median = 0, lowQuartile = 0, highQuartile = 0;
};

inline RatioSpread ratioSpread(int runs, const std::function<void()>& baseline,
                               const std::function<void()>& measured) {
    baseline();
    measured();
    std::vector<double> base, meas, ratios;
    for (int round = 0; round < runs; ++round) {
        base.push_back(seconds(baseline));
        meas.push_back(seconds(measured));
        ratios.push_back(meas.back() / base.back());
    }
    auto quantile = [](std::vector<double> v, double q) {
        const auto at = static_cast<std::ptrdiff_t>(q * double(v.size() - 1) + 0.5);
        std::nth_element(v.begin(), v.begin() + at, v.end());
        return v[static_cast<std::size_t>(at)];
    };
    return {quantile(base, 0.5), quantile(meas, 0.5), quantile(ratios, 0.5), quantile(ratios, 0.25),
            quantile(ratios, 0.75)};
}

// Medians as medianSeconds gives them, in processor time (user and system), steadier than wall-clock time on a shared
// machine: of this process, or with CLOCK_THREAD_CPUTIME_ID of the calling thread alone (for work
// whose helper threads only wait, such as the linear algebra's).
inline double processorSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

inline std::vector<double> medianProcessorSeconds(int runs, const std::vector<std::function<void()>>& variants,
                                                  clockid_t clock = CLOCK_PROCESS_CPUTIME_ID) {
    std::vector<std::vector<double>> times(variants.size());
    for (int round = 0; round < runs; ++round)
        for (std::size_t v = 0; v < variants.size(); ++v) {
            const double start = processorSeconds(clock);
            variants[v]();
            times[v].push_back(processorSeconds(clock) - start);
        }
    std::vector<double> medians;
    for (auto& t : times) {
        std::nth_element(t.begin(), t.begin() + runs / 2, t.end());
        medians.push_back(t[static_cast<std::size_t>(runs / 2)]);
    }
    return medians;
}

} // namespace benchtiming
