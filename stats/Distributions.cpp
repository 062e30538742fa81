// Special functions and distributions of the statistics library, built on the C library's
// elementary functions (lgamma_r rather than lgamma: analyses run on several threads at once).
#include "stats/Distributions.h"

#include "platform/foundation/Log.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <numbers>
#include <vector>

namespace {

double lgammaSafe(double x) {
    int sign = 0;
    return lgamma_r(x, &sign);
}

// The leading factor x^a e^-x / Gamma(a) shared by both incomplete gamma expansions.
double gammaPrefix(double a, double x) {
    return std::exp(a * std::log(x) - x - lgammaSafe(a));
}

// The closed-form inverse error function (a = 0.140012) without its sign: |erfinv(y)|.
double erfInverseMagnitude(double y) {
    const double a = 0.140012;
    const double L = std::log(1 - y * y);
    const double B = L / 2 + 4.54689435453805;
    return std::sqrt(std::sqrt(B * B - L / a) - B);
}

std::mutex& randomMutex() {
    static std::mutex m;
    return m;
}

} // namespace

double round_nearest(double x) {
    return std::floor(x + 0.5);
}

void seed_random() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::lock_guard lock(randomMutex());
        srand48(static_cast<long>(time(nullptr)));
    });
}

double uniform_random() {
    seed_random();
    // drand48 keeps one process-wide state that concurrent callers would corrupt.
    std::lock_guard lock(randomMutex());
    return drand48();
}

double p_gamma(double a, double x) {
    if (x >= a + 1)
        return 1 - q_gamma(a, x);
    if (x == 0)
        return 0;
    double term = gammaPrefix(a, x) / a;
    double sum = term;
    for (int n = 1; n < 1000; ++n) {
        term = term * x / (a + n);
        const double previous = sum;
        sum = sum + term;
        if (sum == previous)
            return sum;
    }
    foundation::log("p_gamma() could not converge.");
    return sum;
}

double q_gamma(double a, double x) {
    if (x < a + 1)
        return 1 - p_gamma(a, x);
    double la = 1;
    double lb = x + 1 - a;
    double w = gammaPrefix(a, x);
    double result = w / lb;
    for (int k = 2; k < 1000; ++k) {
        const double t = ((k - 1 - a) * (lb - la) + (k + x) * lb) / k;
        la = lb;
        lb = t;
        w = w * (k - 1 - a) / k;
        const double previous = result;
        result = result + w / (la * lb);
        if (result == previous)
            return result;
    }
    foundation::log("q_gamma() could not converge.");
    return result;
}

double log_beta(double a, double b) {
    return lgammaSafe(a) + lgammaSafe(b) - lgammaSafe(a + b);
}

double beta_function(double a, double b) {
    if (a + b > 100)
        return std::exp(log_beta(a, b));
    return std::tgamma(a) * std::tgamma(b) / std::tgamma(a + b);
}

double incbeta_cf(int m, double x, double a, double b, double prev) {
    double d;
    if (m % 2 == 1) {
        const double k = (m - 1) / 2;
        d = -(a + k) * (a + b + k) * x / ((a + 2 * k) * (a + 2 * k + 1));
    } else {
        const double k = m / 2;
        d = k * (b - k) * x / ((a + 2 * k) * (a + 2 * k - 1));
    }
    // Consecutive terms, not consecutive values of the fraction, decide the stop; depth stays <= 100.
    if (m > 99 || std::fabs(d - prev) < 1e-14)
        return 1 + d;
    return 1 + d / incbeta_cf(m + 1, x, a, b, d);
}

namespace {

double incbetaDirect(double x, double a, double b) {
    return std::pow(x, a) * std::pow(1 - x, b) / (incbeta_cf(1, x, a, b, 1.0) * a * beta_function(a, b));
}

} // namespace

double incbeta(double x, double a, double b) {
    // The mirrored call is evaluated directly: where rounding puts both x and 1 - x past their
    // switch points, asking the switch again would recurse without end.
    if (x > (a + 1) / (a + b + 2))
        return 1 - incbetaDirect(1 - x, b, a);
    return incbetaDirect(x, a, b);
}

double incbeta_inverse(double p, double a, double b) {
    const double lb = log_beta(a, b);
    const double tolerance = 0.001;
    double x = 0.5;
    double prev = 0;
    double yprev = 0;
    double adj = 1;
    double tx = 0;
    for (int iteration = 0; iteration < 1000; ++iteration) {
        const double y =
            (incbeta(x, a, b) - p) * std::exp(lb + (1 - a) * std::log(x) + (1 - b) * std::log1p(-x));
        if (y * yprev <= 0)
            prev = std::max(std::fabs(adj), 3e-308);
        const bool converged = prev <= tolerance || std::fabs(y) <= tolerance;
        double g = 1;
        for (int inner = 0; inner < 1000; ++inner) {
            adj = g * y;
            if (std::fabs(adj) < prev) {
                tx = x - adj;
                if (tx >= 0 && tx <= 1) {
                    if (converged)
                        return x;
                    if (tx != 0 && tx != 1)
                        break;
                }
            }
            g = g / 3;
        }
        if (std::fabs(tx - x) < 1e-15 * x)
            return x;
        x = tx;
        yprev = y;
    }
    return NAN;
}

namespace {

// The binomial probability in log space, for the cases where the product form over- or underflows.
double binomPmfLog(uint64_t n, uint64_t k, double p) {
    const double dn = static_cast<double>(n);
    const double dk = static_cast<double>(k);
    const double logChoose = lgammaSafe(dn + 1) - lgammaSafe(dk + 1) - lgammaSafe(dn - dk + 1);
    return std::exp(logChoose + dk * std::log(p) + (dn - dk) * std::log1p(-p));
}

// Relative tolerance of "no more likely than k", so that mirror terms at p = 0.5 are never split
// by a last-bit difference.
constexpr double kTailTolerance = 1 + 1e-7;

// Up to this n the tail sums the product-form probabilities term by term (quadratic, but cheap and
// bit-identical to the established results); above it a linear recurrence takes over.
constexpr int32_t kProductTailLimit = 1000;

// Two-sided exact p-value by the recurrence pmf(i+1) / pmf(i) = (n - i) p / ((i + 1) q), walked out
// from the mode so every weight stays in [0, 1]; dividing by the total removes the common factor.
double binomTwoSidedRecurrence(int32_t n, int32_t k, double p) {
    const double q = 1 - p;
    const double ratio = p / q;
    int32_t mode = static_cast<int32_t>(std::floor((static_cast<double>(n) + 1) * p));
    mode = std::clamp(mode, 0, n);
    std::vector<double> w(static_cast<size_t>(n) + 1, 0.0);
    w[mode] = 1;
    for (int32_t i = mode; i < n; ++i)
        w[i + 1] = w[i] * (static_cast<double>(n - i) / (i + 1)) * ratio;
    for (int32_t i = mode; i > 0; --i)
        w[i - 1] = w[i] * (static_cast<double>(i) / (n - i + 1)) / ratio;
    const double wk = (k >= 0 && k <= n) ? w[k] : 0.0;
    const double limit = wk * kTailTolerance;
    double total = 0;
    double selected = 0;
    for (double v : w) {
        total += v;
        if (v <= limit)
            selected += v;
    }
    return selected / total;
}

} // namespace

double binom_pmf(uint64_t n, uint64_t k, double p) {
    if (k > n)
        return 0;
    // The certain outcomes, without walking a product of zeros (the product form gives the same).
    if (p == 0)
        return k == 0 ? 1 : 0;
    if (p == 1)
        return k == n ? 1 : 0;
    double v = std::pow(p, static_cast<double>(k)) * std::pow(1 - p, static_cast<double>(n - k));
    const bool interior = p > 0 && p < 1;
    // Once the power terms underflow, the product form can only lose the answer.
    if (interior && v < DBL_MIN)
        return binomPmfLog(n, k, p);
    const uint64_t hi = std::max(n - k, k);
    const uint64_t lo = std::min(n - k, k);
    for (uint64_t i = n; i > hi; --i) {
        if (v >= DBL_MAX)
            return interior ? binomPmfLog(n, k, p) : 0;
        v = v * static_cast<double>(i);
    }
    if (v >= DBL_MAX)
        return interior ? binomPmfLog(n, k, p) : 0;
    for (uint64_t i = lo; i >= 2; --i)
        v = v / static_cast<double>(i);
    return v;
}

double binom_exact_tail(int32_t n, int32_t k, double p) {
    if (n < 0)
        return 1;
    // Not a probability: no count is more or less likely than another, and the sums would only
    // walk NaN products.
    if (!(p >= 0 && p <= 1))
        return NAN;
    if (n > kProductTailLimit && p > 0 && p < 1)
        return 1 - binomTwoSidedRecurrence(n, k, p) / 2;
    const auto un = static_cast<uint64_t>(n);
    const auto uk = static_cast<uint64_t>(static_cast<int64_t>(k));
    const double limit = binom_pmf(un, uk, p) * kTailTolerance;
    double S = 0;
    for (uint64_t i = 0; i <= un; ++i) {
        const double v = binom_pmf(un, i, p);
        if (v <= limit)
            S += v;
    }
    return 1 - S / 2;
}

double norm_pdf(double x, double mean, double sd) {
    const double z = (x - mean) / sd;
    return 1 / (sd * 2.5066282746310002 * std::exp(z * z / 2));
}

double norm_quantile_approx(double p) {
    const double s = p < 0.5 ? -std::sqrt(2.0) : std::sqrt(2.0);
    return s * erfInverseMagnitude(2 * p - 1);
}

double t_pdf(double x, double location, double scale, double df) {
    const double z = (x - location) / scale;
    return 1 / (std::pow(1 + z * z / df, (df + 1) / 2) * std::sqrt(df) * beta_function(0.5, df / 2));
}

double t_cdf(double t, double df) {
    if (df > 1000)
        return (std::erf(t * 0.7071067811865476) + 1) / 2;
    const double s = std::sqrt(t * t + df);
    return incbeta((s + t) / (2 * s), df / 2, df / 2);
}

double t_quantile(double p, double df) {
    if (df > 1e20)
        return norm_quantile_approx(p);
    const double P = 2 * p;
    if (df == 1)
        return 1 / std::tan(std::numbers::pi * p);
    if (df == 2)
        return std::sqrt(2 / (P * (2 - P)) - 2);
    const double a = 1 / (df - 0.5);
    const double b = 48 / (a * a);
    double c = ((20700 * a / b - 98) * a - 16) * a + 96.36;
    const double d = ((94.5 / (b + c) - 3) / b + 1) * std::sqrt(a * std::numbers::pi / 2) * df;
    double y = std::pow(d * P, 2 / df);
    if ((P > 0.5 && df < 2.1) || y > a + 0.05) {
        const double x = norm_quantile_approx(P / 2);
        y = x * x;
        if (df < 5)
            c = c + 0.3 * (df - 4.5) * (x + 0.6);
        c = (((0.05 * d * x - 5) * x - 7) * x - 2) * x + b + c;
        y = (((((0.4 * y + 6.3) * y + 36) * y + 94.5) / c - y - 3) / b + 1) * x;
        y = std::expm1(a * y * y);
    } else {
        y = ((1 / (((df + 6) / (df * y) - 0.089 * d - 0.822) * (df + 2) * 3) + 0.5 / (df + 4)) * y - 1) *
                (df + 1) / (df + 2) +
            1 / y;
    }
    return std::sqrt(df * y);
}

double chi1_pdf(int n, double x, double p) {
    const double v = n * (x - p) * (x - p) / ((1 - p) * p);
    return 1 / (std::exp(v / 2) * std::sqrt(v) * std::tgamma(0.5) * std::sqrt(2.0));
}

double f_upper_tail(double F, double d1, double d2) {
    const double s = d1 * F + d2;
    if (d1 * F > d2)
        return incbeta(d2 / s, d2 / 2, d1 / 2);
    return 1 - incbeta(d1 * F / s, d1 / 2, d2 / 2);
}

double chi2_quantile(double p, double df) {
    const double h = 2 / (9 * df);
    const double z = norm_quantile_approx(p);
    const double base = 1 - h + z * std::sqrt(h);
    return df * base * base * base;
}

double chi2_quantile_df1(double p) {
    const double z = norm_quantile_approx(2 * p - 1);
    const double base = 7.0 / 9 + z * std::sqrt(2.0) / 3;
    return base * base * base;
}
