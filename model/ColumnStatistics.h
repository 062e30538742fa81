// The value types of a column's statistics and levels: the cached summary of its cells, the display
// summary, category codes, frequency tables, the most frequent levels and equal-width histograms.
#pragma once

#include "platform/foundation/Value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// Counts, extremes, quartiles, mean and standard deviation of a set of cells, once over the texts that
// read as numbers and once over those that read as dates (seconds since 1970). The numeric entries are
// set only when obsNumeric > 0, the date entries only when obsDate > 0.
struct BasicStats {
    int64_t obs = 0;        // non-empty cells
    int64_t obsNumeric = 0; // cells that read as numbers
    int64_t obsDate = 0;    // cells that are not numbers but hold a date
    int64_t levels = 0;     // distinct non-empty texts

    std::optional<int64_t> levelsNumeric;
    std::optional<double> min, max, pc25, pc50, pc75, mean, sd;

    std::optional<int64_t> levelsDate;
    std::optional<double> minDate, maxDate, pc25Date, pc50Date, pc75Date, meanDate, sdDate;

    // The keyed form: absent entries are left out.
    foundation::Value toValue() const;
};

// The cached statistics of a column as shown: three entries ("obs", "obsNumeric", "levels") when the
// column has no values of its type, else ten, where a Date / Time column gives its date figures under
// the plain keys ("levels" is then the number of distinct dates, "min" the earliest date in seconds).
struct BasicStatsSummary {
    int64_t obs = 0;
    std::optional<int64_t> obsNumeric; // set in the three-entry form and for Numeric columns
    std::optional<int64_t> obsDate;    // set for Date / Time columns
    int64_t levels = 0;
    std::optional<double> min, pc25, pc50, pc75, max, mean, sd;

    foundation::Value toValue() const;
};

// Codes of category levels: a level's code is the number of levels known when it first appeared.
using FactorCodes = std::unordered_map<std::string, int64_t>;

struct Factor {
    std::vector<int64_t> data; // one code per cell, in cell order
    FactorCodes code;          // level text -> code

    foundation::Value toValue() const; // {"data": [...], "code": {...}}
};

// Level text -> number of cells with exactly that text.
using FrequencyDictionary = std::unordered_map<std::string, int64_t>;

// Level texts and their counts, most frequent first, ties by text in byte order.
struct LevelLists {
    std::vector<std::string> levels;
    std::vector<int64_t> counts;

    foundation::Value toValue() const; // [levels, counts]
};

// The most frequent levels, the dropped ones merged into a last "Others" entry, with cumulative shares
// (fractions of all non-empty cells; the last one is 1 up to rounding).
struct TopFrequencies {
    std::vector<std::string> levels;
    std::vector<int64_t> counts;
    std::vector<double> shares;

    foundation::Value toValue() const; // [levels, counts, shares]
};

// Equal-width bins: lower edges ascending; contents are counts, or fractions of the number of values
// when fractions were asked for. The upper end of the last bin is not kept.
struct HistogramBins {
    std::vector<double> edges;
    std::vector<double> contents;
    bool fractions = false;

    foundation::Value toValue() const; // [edges, contents]; integer contents unless fractions
};
