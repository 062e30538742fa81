// QVStatistics' tests of tables and groups: Pearson chi-square, Cramer's V, phi, and the
// sample-size formulas.
#include "stats/QVStatistics.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// A count read as a 32-bit integer (truncated); values beyond the range saturate, NaN reads as 0.
int intValue(double x) {
    if (std::isnan(x))
        return 0;
    if (x >= 2147483647.0)
        return INT_MAX;
    if (x <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(x);
}

// Sample sizes are whole numbers; an infinite size (delta 0, a ratio of 0 or 1) saturates rather
// than taking the undefined conversion.
int sizeValue(double x) {
    return intValue(x);
}

// sqrt(2) |erfinv(2c - 1)|: the unsigned normal quantile of the closed form.
double unsignedZ(double confidence) {
    const double a = 0.140012;
    const double y = 2 * confidence - 1;
    const double L = std::log(1 - y * y);
    const double B = L / 2 + 4.54689435453805;
    return std::sqrt(2.0) * std::sqrt(std::sqrt(B * B - L / a) - B);
}

double ratioVariance(double sdA, double sdB, double sizeA, double sizeB, double& r) {
    r = sizeA / (sizeA + sizeB);
    return (1 - r) * sdA * sdA + r * sdB * sdB;
}

} // namespace

ChiResult QVStatistics::chiForFrequencyMatrix(const std::vector<std::vector<double>>& matrix) const {
    const size_t r = matrix.size();
    const size_t c = matrix.empty() ? 0 : matrix.back().size();
    std::vector<double> rowTotals(r, 0.0);
    std::vector<double> colTotals(c, 0.0);
    std::vector<int64_t> rowSums(r, 0), colSums(c, 0);
    for (size_t i = 0; i < r; ++i)
        for (size_t j = 0; j < c && j < matrix[i].size(); ++j) {
            const int v = intValue(matrix[i][j]);
            rowSums[i] += v;
            colSums[j] += v;
        }
    std::copy(rowSums.begin(), rowSums.end(), rowTotals.begin());
    std::copy(colSums.begin(), colSums.end(), colTotals.begin());
    return chiForFrequencyMatrix(matrix, rowTotals, colTotals);
}

ChiResult QVStatistics::chiForFrequencyMatrix(const std::vector<std::vector<double>>& matrix,
                                              const std::vector<double>& rowTotals,
                                              const std::vector<double>& colTotals) const {
    int64_t N = 0;
    for (double t : rowTotals)
        N += intValue(t);
    double chi = 0;
    for (size_t i = 0; i < matrix.size() && i < rowTotals.size(); ++i)
        for (size_t j = 0; j < matrix[i].size() && j < colTotals.size(); ++j) {
            const double e = rowTotals[i] * colTotals[j] / static_cast<double>(N);
            const double o = matrix[i][j];
            chi = chi + (o - e) * (o - e) / e;
        }
    ChiResult result;
    result.chi = chi;
    result.df = (static_cast<double>(rowTotals.size()) - 1) * (static_cast<double>(colTotals.size()) - 1);
    result.p = chicdf(chi, result.df);
    return result;
}

double QVStatistics::cramersVForChi(double chi, double obs, double rows, double cols) const {
    return std::sqrt(chi / (obs * (std::min(rows, cols) - 1)));
}

double QVStatistics::phiForFrequencyMatrix(const std::vector<std::vector<double>>& matrix) const {
    if (matrix.size() != 2 || matrix[0].size() != 2 || matrix[1].size() != 2)
        return NAN;
    const double a = matrix[0][0], b = matrix[0][1], c = matrix[1][0], d = matrix[1][1];
    return (a * d - b * c) / std::sqrt((a + b) * (c + d) * (a + c) * (b + d));
}

double QVStatistics::popForX(double x, double observed, double expected) const {
    return std::ceil(x * expected * (1 - expected) / ((observed - expected) * (observed - expected)));
}

int QVStatistics::popForConfidence(double confidence, double stdDev, double delta) const {
    const double v = unsignedZ(confidence) * stdDev / delta;
    return sizeValue(std::trunc(v * v));
}

int QVStatistics::popForConfidence(double confidence, double delta, double stdDevA, double stdDevB,
                                   double sizeA, double sizeB) const {
    double r = 0;
    const double V = ratioVariance(stdDevA, stdDevB, sizeA, sizeB, r);
    const double z = unsignedZ(confidence);
    return sizeValue(std::ceil(z * z * V / (delta * delta * r * (1 - r))));
}

int QVStatistics::popForT(double t, double delta, double stdDev) const {
    const double v = t * stdDev / delta;
    return sizeValue(std::trunc(v * v));
}

int QVStatistics::popForTAlpha(double tAlpha, double tBeta, double delta, double stdDev) const {
    const double v = (tAlpha + tBeta) * stdDev / delta;
    return sizeValue(std::ceil(v * v));
}

int QVStatistics::popForT(double t, double delta, double stdDevA, double stdDevB, double sizeA,
                          double sizeB) const {
    double r = 0;
    const double V = ratioVariance(stdDevA, stdDevB, sizeA, sizeB, r);
    return sizeValue(std::trunc(t * t * V / (delta * delta * r * (1 - r))));
}

int QVStatistics::popForTAlpha(double tAlpha, double tBeta, double delta, double stdDevA, double stdDevB,
                               double sizeA, double sizeB) const {
    double r = 0;
    const double V = ratioVariance(stdDevA, stdDevB, sizeA, sizeB, r);
    const double s = tAlpha + tBeta;
    return sizeValue(std::trunc(s * s * V / (delta * delta * r * (1 - r))));
}
