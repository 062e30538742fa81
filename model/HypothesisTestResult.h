// The result of a hypothesis test of means or proportions: summaries of the samples, the statistic and
// its p-value, box-plot percentiles and kernel densities, and four density curves for the charts.
#pragma once

#include "stats/QVStatistics.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace foundation {
class Value;
}

// A density curve of a chart: plain numbers captured by value, so it may be called on any thread
// after the result has been handed over.
using DensityCurve = std::function<double(double)>;

// Three shapes: one sample (also paired means, on the differences), two samples, paired proportions.
// Fields of the other shapes stay unset. A test that does not apply to the data gives NaN statistic,
// df and p.
struct HypothesisTestResult {
    enum class Shape { OneSample, TwoSample, PairedProportions };
    Shape shape = Shape::OneSample;

    // One and two samples.
    std::optional<uint64_t> obsX, obsY;
    std::optional<double> meanX, meanY, sdX, sdY, seX, seY, diff, seDiff;
    std::optional<std::map<double, double>> boxX, boxY; // keyed 0, 25, 50, 75, 100; empty for no values
    std::optional<std::vector<KDensityPoint>> densityX, densityY;

    // Paired proportions: counts of the four code pairs.
    std::optional<int64_t> x0y0, x0y1, x1y0, x1y1;

    double t = NAN; // the statistic (z, t or chi-square; 0 for the exact test)
    double df = NAN;
    double p = NAN;

    DensityCurve pdfSample1, pdfSample2, pdfDiff1, pdfDiff2;
    std::optional<std::string> testName; // nothing for a test or tails code without a name
    std::string statName;

    // One-sample shape 17 keys, two-sample 23, paired proportions 13. The curves cannot be keyed
    // values: their keys hold null.
    foundation::Value toValue() const;
};
