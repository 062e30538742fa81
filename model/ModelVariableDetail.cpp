// The one-variable summary: counts and levels of any variable; the share of a binary one; moments,
// percentiles, intervals, fences, outliers and the normal Q-Q series of numbers and dates.
#include "model/CellReading.h"
#include "model/Model.h"
#include "model/RowSetTexts.h"
#include "model/TextLevels.h"
#include "stats/Distributions.h"
#include "stats/QVStatistics.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace {

constexpr int64_t kCategorical = 1, kBinary = 2, kNumeric = 3, kDate = 4;
// The largest finite single-precision value: the fences start from it and its negative.
constexpr double kFenceStart = 3.4028234663852886e38;

struct Pass {
    int64_t obs = 0;
    int64_t levels = 0;
    std::vector<double> values; // in row order
    double min = NAN, max = NAN, mean = NAN, sd = NAN, pc25 = NAN, pc50 = NAN, pc75 = NAN;
};

// One walk over the texts; for numbers and dates, the distinct texts are those that gave a value.
Pass readCells(Model& model, const std::vector<std::string>& texts, int64_t type) {
    Pass out;
    std::unordered_set<std::string_view> distinct;
    const bool byText = type == kCategorical || type == kBinary;
    cellreading::NumberReader reader(model);
    out.values.reserve(texts.size());
    for (const auto& text : texts) {
        if (text.empty())
            continue;
        ++out.obs;
        if (byText) {
            distinct.insert(text);
            continue;
        }
        const auto value = type == kDate ? model.dateForString(text) : reader.number(text);
        if (!value)
            continue;
        distinct.insert(text);
        out.values.push_back(*value);
    }
    out.levels = static_cast<int64_t>(distinct.size());
    if (out.values.empty())
        return out;
    auto& f = model.functions();
    const auto [lo, hi] = std::minmax_element(out.values.begin(), out.values.end());
    out.min = *lo;
    out.max = *hi;
    // The two-pass forms: a one-pass sum of squares loses every digit of a small spread far from 0.
    out.mean = f.mean(out.values);
    out.sd = f.sdNormal(out.values);
    return out;
}

// The cached statistics in place of those of the pass, where the Part of the summary over every row
// takes them from the cache it has just refreshed.
void takeCache(const Column& c, int64_t type, Pass& pass) {
    pass.obs = c.obs().value_or(0);
    if (type == kCategorical || type == kBinary) {
        pass.levels = c.levels().value_or(0);
        return;
    }
    auto value = [](const std::optional<double>& v) { return v.value_or(NAN); };
    if (type == kNumeric) {
        pass.levels = c.levels().value_or(0);
        pass.min = cellreading::storedNumber(c.min()).value_or(NAN);
        pass.max = cellreading::storedNumber(c.max()).value_or(NAN);
        pass.mean = value(c.mean());
        pass.sd = value(c.sd());
        return;
    }
    if (type == kDate) {
        pass.levels = c.levelsDate().value_or(0);
        pass.min = value(c.minDate());
        pass.max = value(c.maxDate());
        pass.mean = value(c.meanDate());
        pass.sd = value(c.sdDate());
    }
}

} // namespace

VariableDetailResult Model::varDetailForColumn(Column& column,
                                               const std::optional<std::vector<int64_t>>& rows) {
    VariableDetailResult r;
    const CellTexts cells = context_ ? cellTextsForRows(*context_, column.num(), rows) : CellTexts{};
    const auto counts = textlevels::count(cells.texts);
    const TopFrequencies top = textlevels::top(counts, 20);
    const int64_t type = column.type().value_or(0);
    auto& f = functions();

    Pass pass = readCells(*this, cells.texts, type);
    const bool fromCache = !rows && needCalcBasicStatsForColulmn(column);
    if (fromCache) {
        basicStatsForColumn(column);
        saveContext();
        takeCache(column, type, pass);
    }
    // The quartiles come from the values in both cases: the cache keeps them from the same cells.
    if (!pass.values.empty()) {
        auto q = f.percentiles({25, 50, 75}, pass.values);
        pass.pc25 = q[25];
        pass.pc50 = q[50];
        pass.pc75 = q[75];
    }
    if (fromCache && type == kNumeric) {
        pass.pc25 = column.pc25().value_or(pass.pc25);
        pass.pc50 = column.pc50().value_or(pass.pc50);
        pass.pc75 = column.pc75().value_or(pass.pc75);
    } else if (fromCache && type == kDate) {
        pass.pc25 = column.pc25Date().value_or(pass.pc25);
        pass.pc50 = column.pc50Date().value_or(pass.pc50);
        pass.pc75 = column.pc75Date().value_or(pass.pc75);
    }

    int64_t effective = type;
    if ((type == kNumeric && column.obsNumeric().value_or(0) == 0) ||
        (type == kDate && column.obsDate().value_or(0) == 0))
        effective = kCategorical;

    r.top = top;
    r.obs = pass.obs;
    r.levels = pass.levels;
    if (effective == kCategorical || effective == kBinary) {
        r.graph = textlevels::top(counts, 10);
        if (effective == kBinary && !top.shares.empty()) {
            r.mean = top.shares.front();
            r.sd = f.sdBinomial(*r.mean);
        }
        return r;
    }

    const std::vector<double>& values = pass.values;
    const size_t n = values.size();
    const double dn = static_cast<double>(n);
    std::optional<std::array<double, 2>> range;
    if (std::isfinite(pass.min) && std::isfinite(pass.max) && pass.min <= pass.max)
        range = std::array<double, 2>{pass.min, pass.max};
    r.graph = histogramOfVector(values, 10, range, false, true);
    if (effective != kNumeric && effective != kDate)
        return r;

    std::vector<double> sorted(values);
    std::sort(sorted.begin(), sorted.end());
    std::vector<double> qnorm(n);
    for (size_t i = 0; i < n; ++i)
        qnorm[i] = norm_quantile_approx((static_cast<double>(i + 1) - 0.3175) / (dn + 0.365));

    // The least-squares line of the sorted values on their normal quantiles. Quantiles that do not
    // spread (one value) leave a flat line through the mean.
    double slope = 0, intercept = 0;
    if (n > 0) {
        const double qm = f.mean(qnorm), ym = f.mean(sorted);
        double sxy = 0, sxx = 0;
        for (size_t i = 0; i < n; ++i) {
            sxy += (qnorm[i] - qm) * (sorted[i] - ym);
            sxx += (qnorm[i] - qm) * (qnorm[i] - qm);
        }
        slope = sxx > 0 ? sxy / sxx : 0;
        intercept = ym - slope * qm;
    }
    const double q1 = n ? qnorm.front() : 0, qn = n ? qnorm.back() : 0;
    const double left = q1 - 1.5 * (qn - q1), right = qn + 1.5 * (qn - q1);
    r.qqline = {{{left, right}, {slope * left + intercept, slope * right + intercept}}};

    const double m = pass.mean, s = pass.sd;
    double sum = 0, sumsq = 0, absdev = 0;
    for (double v : values) {
        sum += v;
        sumsq += v * v;
        absdev += std::fabs(v - m);
    }
    r.min = pass.min;
    r.max = pass.max;
    r.pc25 = pass.pc25;
    r.pc50 = pass.pc50;
    r.pc75 = pass.pc75;
    r.mean = m;
    r.sd = s;
    r.rms = std::sqrt(sumsq / dn);
    r.variance = s * s;
    r.meanAbsDev = absdev / dn;
    r.range = pass.max - pass.min;
    r.midrange = pass.min + *r.range * 0.5;
    r.coeffVar = s / m;
    // The library's moments centre on an accurately summed mean; none can be formed from no value.
    r.skew = n ? f.skewness(values) : NAN;
    r.kurtosis = n ? f.kurtosis(values) - 3 : NAN;
    r.sum = sum;

    std::array<double, 2> ciMean{NAN, NAN}, ciVariance{NAN, NAN}, ciStd{NAN, NAN};
    // One value has no spread and no degrees of freedom: the quantiles are not even asked for.
    if (n >= 2) {
        const double t = f.tForConfidence(0.025, dn - 1), se = f.se(s, dn);
        ciMean = {m - t * se, m + t * se};
        const double chiLow = f.chiXForConfidence(0.025, dn - 1),
                     chiHigh = f.chiXForConfidence(0.975, dn - 1);
        ciVariance = {(dn - 1) * s * s / chiHigh, (dn - 1) * s * s / chiLow};
        ciStd = {std::sqrt(ciVariance[0]), std::sqrt(ciVariance[1])};
    }
    r.ciMean = ciMean;
    if (effective == kNumeric) {
        r.ciStd = ciStd;
        r.ciVariance = ciVariance;
    }

    if (top.levels.empty())
        r.mode = NAN;
    else if (auto v = type == kNumeric ? decimalNumberForString(top.levels.front())
                                       : dateForString(top.levels.front()))
        r.mode = *v;

    const double iqr = pass.pc75 - pass.pc25;
    const double low = pass.pc25 - 1.5 * iqr, high = pass.pc75 + 1.5 * iqr;
    double lowerFence = kFenceStart, upperFence = -kFenceStart;
    for (double v : values) {
        if (v < low || v > high)
            continue;
        lowerFence = std::min(lowerFence, v);
        upperFence = std::max(upperFence, v);
    }
    std::vector<double> outliers;
    for (double v : values)
        if (v < lowerFence || v > upperFence)
            outliers.push_back(v);
    r.lower_fence = lowerFence;
    r.upper_fence = upperFence;
    r.outliers = std::move(outliers);
    r.sorted = std::move(sorted);
    r.qnorm = std::move(qnorm);
    if (effective == kNumeric)
        r.obsNumeric = static_cast<int64_t>(n);
    else
        r.obsDate = static_cast<int64_t>(n);
    return r;
}
