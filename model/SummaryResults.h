// The results of the one-variable summary, the two-way table and the grouped summaries, field by field
// under the keys their screens read. toValue() gives the keyed form.
#pragma once

#include "model/ColumnStatistics.h"
#include "platform/foundation/Value.h"
#include "stats/QVStatistics.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// The summary of one variable. Only the properties of the variable's type are set; the keyed form
// holds exactly the set ones. For a Date / Time variable every value is in seconds since 1970.
struct VariableDetailResult {
    std::optional<TopFrequencies> top;
    // A histogram of the values, or the top levels of a variable summarised by its texts.
    std::optional<std::variant<HistogramBins, TopFrequencies>> graph;
    std::optional<std::vector<double>> sorted;
    std::optional<std::vector<double>> qnorm;
    // [[x at the left end, x at the right end], [y at the left end, y at the right end]]
    std::optional<std::array<std::array<double, 2>, 2>> qqline;
    std::optional<int64_t> obs, obsNumeric, obsDate, levels;
    std::optional<double> min, max, pc25, pc50, pc75, mean, sd, rms;
    // NaN (the decimal not-a-number in the keyed form) when there is no level at all.
    std::optional<double> mode;
    std::optional<double> variance, meanAbsDev, range, midrange, coeffVar, skew, kurtosis, sum;
    std::optional<std::array<double, 2>> ciMean, ciStd, ciVariance;
    std::optional<double> lower_fence, upper_fence;
    std::optional<std::vector<double>> outliers;

    foundation::Value toValue() const;
};

// A cross-tabulation of two variables with its margins and Pearson's chi-square test. A's levels are
// the rows, B's the columns; shares are fractions from 0 to 1.
struct TwoWayTableResult {
    LevelLists arrayA, arrayB; // the merged "Others" level last, when there is one
    std::vector<std::vector<int64_t>> freqs;
    std::vector<std::vector<double>> percs;
    double sumTotal = 0;
    std::vector<double> percsA, percsB;
    double chisq = NAN, df = NAN, p = NAN, v = NAN;
    double phi = NAN; // only a 2 x 2 table has one

    foundation::Value toValue() const; // the twelve keys
};

// One group of a grouped summary. A group without values keeps NaN statistics, NaN percentiles and
// an empty density curve.
struct GroupSummaryEntry {
    uint64_t obs = 0;
    double mean = NAN;
    double sd = NAN;
    std::string level;
    std::map<double, double> median; // the percentiles 0, 25, 50, 75 and 100
    std::vector<KDensityPoint> density;
    double topwhisker = NAN;
    double botwhisker = NAN;

    // "median" is keyed by the percentiles written as "0", "25", "50", "75", "100".
    foundation::Value toValue() const;
};

struct GroupSummaryResult {
    std::vector<GroupSummaryEntry> summary; // in group order
    double F = NAN;
    double p = NAN;

    foundation::Value toValue() const; // "summary", "F", "p"
};
