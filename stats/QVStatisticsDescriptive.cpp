// QVStatistics' descriptive statistics: moments, percentiles, Gaussian kernel density, correlation.
// Sums run over several independent accumulators: the loops are then bound by memory rather than
// by the latency of one chain of additions, and the partial sums round less.
#include "stats/QVStatistics.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr size_t kLanes = 8;

// Mean as x0 + sum(x - x0) / n: the deviations from one of the values are small when the data sit
// far from zero with little spread, so their sum keeps the digits a plain sum would lose.
double accurateMean(const std::vector<double>& v) {
    const size_t n = v.size();
    if (n == 0)
        return 0;
    const double x0 = v[0];
    double s[kLanes] = {};
    size_t i = 0;
    for (; i + kLanes <= n; i += kLanes)
        for (size_t l = 0; l < kLanes; ++l)
            s[l] += v[i + l] - x0;
    for (; i < n; ++i)
        s[0] += v[i] - x0;
    double sum = 0;
    for (double part : s)
        sum += part;
    const double mean = x0 + sum / static_cast<double>(n);
    if (std::isfinite(mean))
        return mean;
    // Infinite or NaN values, or a spread beyond the double range: the plain sum says what it is.
    double plain = 0;
    for (double x : v)
        plain += x;
    return plain / static_cast<double>(n);
}

// Sums of the deviations d = x - m raised to the powers 1 to 4 that a caller asks for.
struct Deviations {
    double s1 = 0, s2 = 0, s3 = 0, s4 = 0;
};

template <bool First, bool Third, bool Fourth>
Deviations deviationSums(const std::vector<double>& v, double m) {
    double a1[kLanes] = {}, a2[kLanes] = {}, a3[kLanes] = {}, a4[kLanes] = {};
    const size_t n = v.size();
    size_t i = 0;
    auto add = [&](size_t l, double x) {
        const double d = x - m;
        const double d2 = d * d;
        if constexpr (First)
            a1[l] += d;
        a2[l] += d2;
        if constexpr (Third)
            a3[l] += d2 * d;
        if constexpr (Fourth)
            a4[l] += d2 * d2;
    };
    for (; i + kLanes <= n; i += kLanes)
        for (size_t l = 0; l < kLanes; ++l)
            add(l, v[i + l]);
    for (; i < n; ++i)
        add(0, v[i]);
    Deviations r;
    for (size_t l = 0; l < kLanes; ++l) {
        r.s1 += a1[l];
        r.s2 += a2[l];
        r.s3 += a3[l];
        r.s4 += a4[l];
    }
    return r;
}

} // namespace

double QVStatistics::mean(const std::vector<double>& values) const { return accurateMean(values); }

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

double QVStatistics::variance(const std::vector<double>& values) const { return variance(values, false); }

double QVStatistics::sdNormal(const std::vector<double>& values) const { return std::sqrt(variance(values)); }

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
    const auto numbersEnd = std::partition(sorted.begin(), sorted.end(), [](double x) { return !std::isnan(x); });
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
