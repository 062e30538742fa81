// The numeric design of a set of columns (one vector per column over the rows every column can give a
// value for) and the results of the regression and correlation computations built on it.
#pragma once

#include "model/ColumnStatistics.h"
#include "stats/QVStatistics.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace foundation {
class Value;
}

// Columns of numbers over the same rows, in ascending row number, with their display names (a binary
// column is named after the level coded 1, "(smoker=yes)").
struct DesignMatrix {
    std::vector<std::vector<double>> Xmat;
    std::vector<std::string> names;

    foundation::Value toValue() const; // {"Xmat", "names"}
};

// What a caller imposes on one column of a design: a type in place of the column's own, and the
// coding of a binary column's levels.
struct DesignColumnMetadata {
    std::optional<int64_t> type;
    std::optional<FactorCodes> levels;
};
using DesignMetadata = std::map<int64_t, DesignColumnMetadata>; // keyed by the column's num

// A linear or logistic fit with the bookkeeping of dropped regressors. Per-regressor vectors run in
// the order the regressors were given, the constant last; a dropped regressor has NaN entries.
// Linear fits set r2 and rmse; logistic fits set the likelihood, iteration, ROC and AUC fields.
// Numbers that cannot be formed (no rows) are NaN, vectors empty.
struct RegressionResult {
    bool logistic = false;
    std::vector<double> coeffs;
    std::vector<double> variance; // standard errors
    std::vector<double> t;
    std::vector<double> p;
    std::vector<double> residuals;
    std::vector<double> yhat;
    int64_t N = 0;
    double r2adj = NAN;
    std::optional<double> r2, rmse; // linear
    std::optional<double> LL0, LL, AIC, AICc, AUC;
    std::optional<int64_t> numIter, numPerfectPredict;
    std::optional<bool> converged;
    std::optional<std::vector<std::array<double, 2>>> roc;

    std::vector<std::string> drop; // "keep", "constant" or "collinear" per regressor, "keep" for the constant
    double varianceDep = NAN;      // the response's standard deviation, despite the key
    std::vector<double> y;
    std::vector<std::string> names; // regressors, no entry for the constant
    std::string nameLHS;

    // Linear shape: 15 keys; logistic shape: 22 keys.
    foundation::Value toValue() const;
};

// Pearson correlation with its Fisher-z interval and p-value.
struct CorrelationOfData {
    double r = NAN;
    double t = NAN;
    double df = NAN;
    std::array<double, 2> ci{NAN, NAN};
    std::vector<std::vector<double>> data; // [x values, y values]
    double p = NAN;

    foundation::Value toValue() const; // {"r", "t", "df", "ci", "data", "p"}
};

// The correlation of two columns and the simple regression of the second on the first. A date x gives
// the slope per day; a date y gives coefficients in days.
struct CorrelationResult {
    double r = NAN;
    double t = NAN;
    double df = NAN;
    std::array<double, 2> ci{NAN, NAN};
    std::vector<std::vector<double>> data;
    double p = NAN;
    std::array<std::array<double, 2>, 2> dataFit{}; // [[x_lo, x_hi], [y_lo, y_hi]]
    std::vector<double> coeffs;                     // [slope, intercept]
    std::vector<double> variance;
    std::vector<double> reg_t, reg_p;
    int64_t N = 0;
    double r2 = NAN, r2adj = NAN, rmse = NAN;
    std::vector<std::string> drop;
    std::vector<double> yhat, residuals;
    std::vector<std::string> names;
    std::string nameLHS;

    foundation::Value toValue() const; // 20 keys
};
