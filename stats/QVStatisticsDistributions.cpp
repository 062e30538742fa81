// QVStatistics' distribution methods: thin wrappers over the plain functions, plus the few
// closed forms (normal interval, one-degree chi-square tail, binomial interval) written out here.
#include "stats/Distributions.h"
#include "stats/QVStatistics.h"

#include <algorithm>
#include <cmath>

namespace {

// |erfinv(y)| by the same closed form as norm_quantile_approx, without the sign factor.
double erfInverseMagnitude(double y) {
    const double a = 0.140012;
    const double L = std::log(1 - y * y);
    const double B = L / 2 + 4.54689435453805;
    return std::sqrt(std::sqrt(B * B - L / a) - B);
}

// v = n (x - p)^2 / (p (1 - p)), the one-degree chi-square statistic of a proportion.
double chiStatistic(int n, double x, double p) {
    return n * (x - p) * (x - p) / ((1 - p) * p);
}

} // namespace

double QVStatistics::normcdfz(double z) const {
    return (std::erf(z / std::sqrt(2.0)) + 1) / 2;
}

double QVStatistics::normcdf(double x, double mean, double stdDev) const {
    return (std::erf((x - mean) / stdDev / std::sqrt(2.0)) + 1) / 2;
}

double QVStatistics::normpdf(double x, double mean, double stdDev) const {
    return dnormpdf(x, mean, stdDev);
}

double QVStatistics::dnormpdf(double x, double mean, double stdDev) const {
    const double z = (x - mean) / stdDev;
    return 1 / (stdDev * 2.5066282746310002 * std::exp(z * z / 2));
}

double QVStatistics::normZForConfidence(double p) const {
    return norm_quantile_approx(p);
}

std::array<double, 2> QVStatistics::qnorm(double p, double mean, double stdDev) const {
    const double E = erfInverseMagnitude(2 * p - 1);
    const double half = stdDev * std::sqrt(2.0) * E;
    return {mean - half, mean + half};
}

double QVStatistics::tcdf(double t, double df) const {
    return t_cdf(t, df);
}

double QVStatistics::tcdf(double x, double mean, double stdDev, double df) const {
    return t_cdf((x - mean) / stdDev, df);
}

double QVStatistics::tpdf(double x, double mean, double stdDev, double df) const {
    return t_pdf(x, mean, stdDev, df);
}

double QVStatistics::dtpdf(double x, double mean, double stdDev, double df) const {
    return t_pdf(x, mean, stdDev, df);
}

double QVStatistics::tForConfidence(double p, double df) const {
    return t_quantile(p, df);
}

double QVStatistics::chicdf(double x, double df) const {
    return 1 - p_gamma(df / 2, x / 2);
}

double QVStatistics::chiXForConfidence(double p) const {
    return chi2_quantile_df1(p);
}

double QVStatistics::chiXForConfidence(double p, double df) const {
    return chi2_quantile(p, df);
}

double QVStatistics::chipdf(double x, double mean, int obs) const {
    return chi1_pdf(obs, x, mean);
}

double QVStatistics::dchipdf(double x, double mean, int obs) const {
    return chi1_pdf(obs, x, mean);
}

double QVStatistics::chicdf(double x, double mean, int obs) const {
    const double v = chiStatistic(obs, x, mean);
    // Wilson-Hilferty: the standard score of the cube root, times the square root of two.
    const double w = 3 * std::pow(v, 1.0 / 3) - 7.0 / 3;
    const double Q = 1 - (std::erf(w / 2) + 1) / 2;
    return 1 - Q / 2;
}

double QVStatistics::deltachi(double x, double mean, double obs) const {
    return std::sqrt(x * mean * (1 - mean) / obs);
}

double QVStatistics::bipdf(int k, double mean, int obs) const {
    return binom_pmf(static_cast<uint64_t>(static_cast<int64_t>(obs)),
                     static_cast<uint64_t>(static_cast<int64_t>(k)), mean);
}

double QVStatistics::dbipdf(double k, double mean, double obs) const {
    // A negative or non-numeric count has no unsigned form; converting it would be undefined.
    if (!(obs >= 0) || !(obs < 1.8446744073709552e19))
        return NAN;
    if (!(k >= 0))
        return k < 0 ? 0 : NAN;
    if (k >= 1.8446744073709552e19)
        return 0;
    return binom_pmf(static_cast<uint64_t>(obs), static_cast<uint64_t>(k), mean);
}

double QVStatistics::bicdf(int k, double mean, int obs) const {
    return binom_exact_tail(obs, k, mean);
}

std::optional<std::array<double, 2>> QVStatistics::biCI(double confidence, double mean, int obs,
                                                        bool leftTail, bool rightTail) const {
    if (obs < 1)
        return std::nullopt;
    const double alpha = (leftTail && rightTail) ? (1 - confidence) / 2 : 1 - confidence;
    const double center = std::round(mean * obs);
    if (!(std::fabs(center) < 1e15))
        return std::array<double, 2>{NAN, NAN};
    const auto k0 = static_cast<int64_t>(center);
    const auto n = static_cast<uint64_t>(obs);
    // Terms outside 0..n are zero and cannot move the running sum, so the walks stop at the ends.
    int64_t lower = 0;
    if (rightTail && k0 >= 0 && alpha > 0) {
        lower = k0 + 1;
        double sum = 0;
        for (int64_t i = 0; i <= std::min<int64_t>(k0, obs); ++i) {
            sum += binom_pmf(n, static_cast<uint64_t>(i), mean);
            if (sum >= alpha) {
                lower = i;
                break;
            }
        }
    }
    int64_t upper = obs;
    if (leftTail && obs >= k0 && alpha > 0) {
        upper = k0 - 1;
        double sum = 0;
        for (int64_t i = obs; i >= std::max<int64_t>(k0, 0); --i) {
            sum += binom_pmf(n, static_cast<uint64_t>(i), mean);
            if (sum >= alpha) {
                upper = i;
                break;
            }
        }
    }
    return std::array<double, 2>{static_cast<double>(lower) / obs, static_cast<double>(upper) / obs};
}

double QVStatistics::fcdf(double F, double df1, double df2) const {
    return f_upper_tail(F, df1, df2);
}

double QVStatistics::fForP(double p, double df1, double df2) const {
    const double x = incbeta_inverse(p, df2 / 2, df1 / 2);
    return (1 / x - 1) * df2 / df1;
}

double QVStatistics::se(double sd, double size) const {
    return sd / std::sqrt(size);
}

double QVStatistics::seSum(double a, double with) const {
    return std::sqrt(a * a + with * with);
}

double QVStatistics::seProduct(double v, double seA, double a, double seB, double b) const {
    return v * std::sqrt((seA / a) * (seA / a) + (seB / b) * (seB / b));
}

double QVStatistics::sdBinomial(double p) const {
    return std::sqrt(p * (1 - p));
}
