// The statistics object every computation goes through: distributions, descriptive statistics,
// chi-square tests, one-way ANOVA, sample sizes, least squares and logistic fits. Stateless.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace foundation {
class Value;
}

// Pearson chi-square test of a frequency matrix. toValue() gives the keyed form "chi", "df", "p"
// (include Value.h to call it).
struct ChiResult {
    double chi = 0;
    double df = 0;
    double p = 0;

    foundation::Value toValue() const;
};

// One group of a one-way ANOVA. An empty group has NaN mean and sd (the decimal not-a-number in the
// keyed form); a group of one value has NaN sd unless the data are binary.
struct AnovaGroupSummary {
    uint64_t obs = 0;
    double mean = 0;
    double sd = 0;

    foundation::Value toValue() const; // "obs", "mean", "sd"
};

struct AnovaResult {
    std::vector<AnovaGroupSummary> summary; // in group order
    double F = 0;
    double p = 0;

    foundation::Value toValue() const; // "summary", "F", "p"
};

// One point of a kernel density curve scaled to a peak of 1.
struct KDensityPoint {
    double x = 0;
    double y = 0;

    foundation::Value toValue() const; // "x", "y"
};

// ---- Regression result types (least squares, logistic fit) go here. ----
// Field names are the keys the model and the regression screen read; keys that the result of an
// empty sample leaves out are optional. toValue() gives the keyed form (include Value.h to call it).

namespace foundation {
class Value;
}

// ols(y, X): 10 keys, or 9 (no "yhat") when there are no observations.
struct OLSResult {
    std::vector<double> coeffs;
    std::vector<double> variance; // standard error of each coefficient, not its square
    std::vector<double> t;
    std::vector<double> p;
    std::vector<double> residuals; // fitted minus observed
    std::optional<std::vector<double>> yhat;
    std::int64_t N = 0;
    double r2 = 0;
    double r2adj = 0;
    double rmse = 0;

    foundation::Value toValue() const;
};

// logit(y, X): 17 keys, or 13 (no "yhat", "AICc", "roc", "AUC") when there are no observations.
struct LogitResult {
    std::vector<double> coeffs;
    std::vector<double> variance; // standard errors
    std::vector<double> t;        // Wald z values
    std::vector<double> p;
    std::vector<double> residuals; // p̂ − y
    std::optional<std::vector<double>> yhat;
    std::int64_t N = 0;
    double r2adj = 0; // 1 − LL / LL0
    double LL0 = 0;
    double LL = 0;
    std::int64_t numIter = 0;
    double AIC = 0;
    std::optional<double> AICc;
    bool converged = true;
    std::int64_t numPerfectPredict = 0;
    std::optional<std::vector<std::array<double, 2>>> roc; // [true-positive rate, false-positive rate]
    std::optional<double> AUC;

    foundation::Value toValue() const;
};
// ---- End of regression result types. ----

class QVStatistics {
  public:
    // Distributions. Arguments read as whole numbers (counts, one-degree chi-square sizes) are int.
    double normcdfz(double z) const;
    double normcdf(double x, double mean, double stdDev) const;
    double normpdf(double x, double mean, double stdDev) const;
    double dnormpdf(double x, double mean, double stdDev) const;
    double normZForConfidence(double p) const;
    std::array<double, 2> qnorm(double p, double mean, double stdDev) const;
    double tcdf(double t, double df) const;
    double tcdf(double x, double mean, double stdDev, double df) const;
    double tpdf(double x, double mean, double stdDev, double df) const;
    double dtpdf(double x, double mean, double stdDev, double df) const;
    double tForConfidence(double p, double df) const;
    // Upper-tail probability of chi-square with df degrees of freedom.
    double chicdf(double x, double df) const;
    double chiXForConfidence(double p) const;
    double chiXForConfidence(double p, double df) const;
    double chipdf(double x, double mean, int obs) const;
    double dchipdf(double x, double mean, int obs) const;
    double chicdf(double x, double mean, int obs) const;
    double deltachi(double x, double mean, double obs) const;
    double bipdf(int k, double mean, int obs) const;
    double dbipdf(double k, double mean, double obs) const;
    double bicdf(int k, double mean, int obs) const;
    // Binomial interval of the proportion as [lower, upper]; nullopt when obs < 1.
    std::optional<std::array<double, 2>> biCI(double confidence, double mean, int obs, bool leftTail,
                                              bool rightTail) const;
    // Upper-tail probability of F (not the lower distribution function).
    double fcdf(double F, double df1, double df2) const;
    double fForP(double p, double df1, double df2) const;
    double se(double sd, double size) const;
    double seSum(double a, double with) const;
    double seProduct(double v, double seA, double a, double seB, double b) const;
    double sdBinomial(double p) const;

    // Descriptive statistics. Empty input gives 0 (percentiles: NaN for every requested key).
    double mean(const std::vector<double>& values) const;
    double variance(const std::vector<double>& values, bool biased) const;
    double variance(const std::vector<double>& values) const;
    double sdNormal(const std::vector<double>& values) const;
    double skewness(const std::vector<double>& values) const;
    double kurtosis(const std::vector<double>& values) const;
    // Keys are the requested percentiles (0-100), values the data at those percentiles.
    std::map<double, double> percentiles(const std::vector<double>& requested,
                                         const std::vector<double>& ofData) const;
    std::vector<KDensityPoint> kdensity(const std::vector<double>& data, double sd, double min,
                                        double max) const;
    // y must be at least as long as x.
    double correlation(const std::vector<double>& x, const std::vector<double>& with) const;

    // Chi-square tests, ANOVA and sample sizes. A frequency matrix is a list of rows of counts.
    ChiResult chiForFrequencyMatrix(const std::vector<std::vector<double>>& matrix) const;
    ChiResult chiForFrequencyMatrix(const std::vector<std::vector<double>>& matrix,
                                    const std::vector<double>& rowTotals,
                                    const std::vector<double>& colTotals) const;
    double cramersVForChi(double chi, double obs, double rows, double cols) const;
    // Signed phi of a 2 x 2 matrix; NaN for any other shape.
    double phiForFrequencyMatrix(const std::vector<std::vector<double>>& matrix) const;
    AnovaResult anova(const std::vector<std::vector<double>>& groups, bool isBinary) const;
    double popForX(double x, double observed, double expected) const;
    int popForConfidence(double confidence, double stdDev, double delta) const;
    int popForConfidence(double confidence, double delta, double stdDevA, double stdDevB, double sizeA,
                         double sizeB) const;
    int popForT(double t, double delta, double stdDev) const;
    int popForTAlpha(double tAlpha, double tBeta, double delta, double stdDev) const;
    int popForT(double t, double delta, double stdDevA, double stdDevB, double sizeA, double sizeB) const;
    int popForTAlpha(double tAlpha, double tBeta, double delta, double stdDevA, double stdDevB, double sizeA,
                     double sizeB) const;

    // ---- Least squares and logistic regression (QVStatisticsRegression.cpp) go here. ----
    // y holds n observations; each column of `with` holds one regressor for the same n observations
    // (the caller appends the constant). No rows, fewer rows than regressors, or columns of another
    // length give NaN coefficients without a solve.
    OLSResult ols(const std::vector<double>& y, const std::vector<std::vector<double>>& with) const;
    // y holds 0/1 values.
    LogitResult logit(const std::vector<double>& y, const std::vector<std::vector<double>>& with) const;
    // ---- End of least squares and logistic regression. ----
};
