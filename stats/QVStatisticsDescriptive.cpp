// QVStatistics' descriptive statistics: moments, percentiles, Gaussian kernel density, correlation.
// Sums run over eight independent accumulators: the loops are then bound by memory rather than by
// the latency of one chain of additions, and the partial sums round less.
#include "platform/foundation/Value.h"
#include "stats/QVStatistics.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

// Two doubles per register (SSE2 on x86-64, NEON on arm64); four of them give eight independent sums.
typedef double Pair __attribute__((vector_size(16)));

inline Pair load(const double* p) {
    Pair r;
    std::memcpy(&r, p, sizeof r);
    return r;
}

inline double total(Pair a0, Pair a1, Pair a2, Pair a3) {
    const Pair a = (a0 + a1) + (a2 + a3);
    return a[0] + a[1];
}

// Mean as x0 + sum(x - x0) / n: the deviations from one of the values are small when the data sit
// far from zero with little spread, so their sum keeps the digits a plain sum would lose.
double accurateMean(const std::vector<double>& v) {
    const size_t n = v.size();
    if (n == 0)
        return 0;
    const double* x = v.data();
    const double x0 = x[0];
    const Pair shift = {x0, x0};
    Pair s0 = {}, s1 = {}, s2 = {}, s3 = {};
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        s0 += load(x + i) - shift;
        s1 += load(x + i + 2) - shift;
        s2 += load(x + i + 4) - shift;
        s3 += load(x + i + 6) - shift;
    }
    double sum = total(s0, s1, s2, s3);
    for (; i < n; ++i)
        sum += x[i] - x0;
    const double mean = x0 + sum / static_cast<double>(n);
    if (std::isfinite(mean))
        return mean;
    // Infinite or NaN values, or a spread beyond the double range: the plain sum says what it is.
    double plain = 0;
    for (double value : v)
        plain += value;
    return plain / static_cast<double>(n);
}

// Sums of the deviations d = x - m: always d^2, and d, d^3 or d^4 as a caller asks.
struct Deviations {
    double s1 = 0, s2 = 0, s3 = 0, s4 = 0;
};

template <bool First, bool Third, bool Fourth>
Deviations deviationSums(const std::vector<double>& v, double m) {
    const size_t n = v.size();
    const double* x = v.data();
    const Pair mm = {m, m};
    Pair a1[4] = {}, a2[4] = {}, a3[4] = {}, a4[4] = {};
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        for (int l = 0; l < 4; ++l) {
            const Pair d = load(x + i + 2 * l) - mm;
            const Pair d2 = d * d;
            if constexpr (First)
                a1[l] += d;
            a2[l] += d2;
            if constexpr (Third)
                a3[l] += d2 * d;
            if constexpr (Fourth)
                a4[l] += d2 * d2;
        }
    }
    Deviations r;
    r.s1 = total(a1[0], a1[1], a1[2], a1[3]);
    r.s2 = total(a2[0], a2[1], a2[2], a2[3]);
    r.s3 = total(a3[0], a3[1], a3[2], a3[3]);
    r.s4 = total(a4[0], a4[1], a4[2], a4[3]);
    for (; i < n; ++i) {
        const double d = x[i] - m;
        const double d2 = d * d;
        r.s1 += d;
        r.s2 += d2;
        r.s3 += d2 * d;
        r.s4 += d2 * d2;
    }
    return r;
}

} // namespace

double QVStatistics::mean(const std::vector<double>& values) const {
    return accurateMean(values);
}

double QVStatistics::variance(const std::vector<double>& values, bool biased) const {
    if (values.empty())
        return 0;
    const double n = static_cast<double>(values.size());
    const Deviations d = deviationSums<true, false, false>(values, accurateMean(values));
    if (biased)
        return d.s2 / n;
    // The correction term removes what rounding left in the mean.
    return d.s2 / (n - 1) - d.s1 * d.s1 / (n * (n - 1));
}

double QVStatistics::variance(const std::vector<double>& values) const {
    return variance(values, false);
}

double QVStatistics::sdNormal(const std::vector<double>& values) const {
    return std::sqrt(variance(values));
}

double QVStatistics::skewness(const std::vector<double>& values) const {
    if (values.empty())
        return 0;
    const double n = static_cast<double>(values.size());
    const Deviations d = deviationSums<false, true, false>(values, accurateMean(values));
    const double v = d.s2 / n;
    return (d.s3 / n) / std::pow(v, 1.5);
}

double QVStatistics::kurtosis(const std::vector<double>& values) const {
    if (values.empty())
        return 0;
    const double n = static_cast<double>(values.size());
    const Deviations d = deviationSums<false, false, true>(values, accurateMean(values));
    const double v = d.s2 / n;
    return (d.s4 / n) / (v * v);
}

std::map<double, double> QVStatistics::percentiles(const std::vector<double>& requested,
                                                   const std::vector<double>& ofData) const {
    std::map<double, double> result;
    std::vector<double> sorted(ofData);
    // NaN has no place in an ascending order; it goes last so the sort stays well defined.
    const auto numbersEnd =
        std::partition(sorted.begin(), sorted.end(), [](double x) { return !std::isnan(x); });
    std::sort(sorted.begin(), numbersEnd);
    const size_t n = sorted.size();
    for (double q : requested) {
        if (std::isnan(q))
            continue;
        if (n == 0) {
            result[q] = NAN;
            continue;
        }
        if (n == 1) {
            result[q] = sorted[0];
            continue;
        }
        // The integer part decides the ends: a request below 1 (0.5, say) takes the smallest value.
        const int whole = (q > -1 && q < 101) ? static_cast<int>(q) : INT_MIN;
        if (whole == 0) {
            result[q] = sorted[0];
            continue;
        }
        if (whole == 100) {
            result[q] = sorted[n - 1];
            continue;
        }
        if (!(q > 0 && q < 100)) {
            result[q] = NAN; // outside 0-100 there is no such percentile
            continue;
        }
        const double pos = static_cast<double>(n - 1) * q / 100;
        const auto i = static_cast<size_t>(std::floor(pos));
        double v = sorted[i];
        const double f = pos - static_cast<double>(i);
        if (i < n - 1 && f > 0)
            v = v + f * (sorted[i + 1] - v);
        result[q] = v;
    }
    return result;
}

std::vector<KDensityPoint> QVStatistics::kdensity(const std::vector<double>& data, double sd, double min,
                                                  double max) const {
    // Bandwidth h = sd / 5, kept as h * sqrt(2 pi) and h * sqrt(2).
    const double hRoot2Pi = sd * 2.5066282746310002 / 5;
    const double hRoot2 = sd * 1.4142135623730951 / 5;
    const double lo = min - sd;
    const double hi = max + sd;
    std::vector<KDensityPoint> points(100);
    double peak = 0;
    for (int i = 0; i < 100; ++i) {
        const double x = lo + (hi - lo) * i / 100;
        double y = 0;
        for (double d : data) {
            double t = (d + -x) / hRoot2;
            t = t * t;
            y += 1 / (std::exp(t) * hRoot2Pi);
        }
        points[i] = {x, y};
        peak = std::max(peak, std::fabs(y)); // a NaN point (sd = 0) stays NaN after the division
    }
    for (auto& p : points)
        p.y = p.y / peak;
    return points;
}

double QVStatistics::correlation(const std::vector<double>& x, const std::vector<double>& with) const {
    if (with.size() < x.size())
        return NAN;
    const double mx = mean(x);
    const double my = mean(with);
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double dx = x[i] - mx;
        const double dy = with[i] - my;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    return sxy / (std::sqrt(syy) * std::sqrt(sxx));
}

foundation::Value KDensityPoint::toValue() const { return foundation::Value::Dictionary{{"x", x}, {"y", y}}; }
