// Least squares of 100,000 × 10 against its floor: copying the matrix and one bare dgels_ call on it.
// Prints the median time of each over repeated runs and their ratio (target: at most 2).
#include "bench/BenchTiming.h"
#include "stats/LeastSquares.h"
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

constexpr std::size_t kRows = 100000;
constexpr std::size_t kCols = 10;
constexpr int kRuns = 21;

} // namespace

int main() {
    std::mt19937_64 rng(42);
    std::normal_distribution<double> normal;
    std::vector<std::vector<double>> x(kCols, std::vector<double>(kRows));
    std::vector<double> y(kRows);
    for (std::size_t i = 0; i < kRows; ++i) {
        double yi = normal(rng);
        for (std::size_t j = 0; j + 1 < kCols; ++j) {
            x[j][i] = normal(rng);
            yi += 0.5 * static_cast<double>(j) * x[j][i];
        }
        x[kCols - 1][i] = 1;
        y[i] = yi + 3;
    }

    const int m = static_cast<int>(kRows);
    const int n = static_cast<int>(kCols);
    const int nrhs = 1;
    int info = 0;
    int lwork = -1;
    double workSize = 0;
    std::vector<double> a(kRows * kCols);
    std::vector<double> b(kRows);
    dgels_("N", &m, &n, &nrhs, a.data(), &m, b.data(), &m, &workSize, &lwork, &info, 1);
    lwork = static_cast<int>(workSize);
    std::vector<double> work(static_cast<std::size_t>(lwork));

    const QVStatistics stats;
    double sink = 0;
    const std::vector<double> t = medianSeconds(kRuns, {
        [&] { sink += stats.ols(y, x).coeffs[0]; },
        [&] {
            leastsquares::copyColumnMajor(x, kRows, a.data());
            std::copy(y.begin(), y.end(), b.begin());
            dgels_("N", &m, &n, &nrhs, a.data(), &m, b.data(), &m, work.data(), &lwork, &info, 1);
        },
    });
    const double fit = t[0];
    const double bare = t[1];
    std::printf("least squares %zu x %zu: ols %.3f ms, copy + dgels_ %.3f ms, ratio %.2f (target <= 2)\n",
                kRows, kCols, fit * 1e3, bare * 1e3, fit / bare);
    return sink == 0 ? 1 : 0;
}
