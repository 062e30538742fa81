// The Pearson correlation of two columns with its Fisher-z interval and p-value, and the simple
// regression of the second column on the first with the ends of its fitted line.
#include "model/Model.h"
#include "stats/QVStatistics.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int64_t kDate = 4;
constexpr double kSecondsPerDay = 86400;
} // namespace

CorrelationOfData Model::correlationOfData(const std::vector<std::vector<double>>& data) {
    QVStatistics& stats = functions();
    CorrelationOfData out;
    out.data = data;
    if (data.size() < 2)
        return out;
    const double r = stats.correlation(data[0], data[1]);
    const double n = static_cast<double>(data[0].size());
    out.r = r;
    out.t = r * std::sqrt((n - 2) / (1 - r * r));
    out.df = n - 2;
    const double zr = std::atanh(r);
    const double se = 1 / std::sqrt(n - 3);
    // The p-value is Fisher's, not the one of the t beside it; both test r = 0.
    const double z = (zr - std::atanh(0.0)) / se;
    out.p = 2 * (1 - stats.normcdfz(std::fabs(z)));
    const double zc = stats.normZForConfidence(0.975);
    out.ci = {std::tanh(zr - se * zc), std::tanh(zr + se * zc)};
    return out;
}

CorrelationOfData Model::correlationOfColumn(const Column& x, const Column& y) {
    std::vector<std::shared_ptr<Column>> columns{columnNumber(static_cast<uint64_t>(x.num())),
                                                 columnNumber(static_cast<uint64_t>(y.num()))};
    return correlationOfData(numericOfColumns(columns).Xmat);
}

std::optional<CorrelationResult>
Model::correlationResultsForColumn(const Column* x, const Column* y,
                                   const std::optional<std::vector<int64_t>>& rows) {
    if (!x || !y)
        return std::nullopt;
    const bool xDate = x->type().value_or(0) == kDate;
    const bool yDate = y->type().value_or(0) == kDate;
    DesignMatrix design = numericOfColumns(
        {columnNumber(static_cast<uint64_t>(x->num())), columnNumber(static_cast<uint64_t>(y->num()))}, rows);
    CorrelationOfData c = correlationOfData(design.Xmat);
    CorrelationResult out;
    out.r = c.r;
    out.t = c.t;
    out.df = c.df;
    out.ci = c.ci;
    out.p = c.p;

    const std::vector<double>& xs = design.Xmat[0];
    RegressionResult fit = olsY(design.Xmat[1], {xs}, false);
    double slope = 0, intercept = 0;
    if (fit.coeffs.size() >= 2) {
        slope = std::isnan(fit.coeffs[0]) ? 0 : fit.coeffs[0];
        intercept = fit.coeffs[1];
    }
    double lo = 0, hi = 0;
    if (!xs.empty()) {
        const auto [mn, mx] = std::minmax_element(xs.begin(), xs.end());
        lo = *mn;
        hi = *mx;
    }
    const double w = hi - lo;
    const double xLo = lo - 1.5 * w, xHi = hi + 1.5 * w;
    // The line is drawn in the data's own units, before any conversion to days.
    out.dataFit = {{{xLo, xHi}, {slope * xLo + intercept, slope * xHi + intercept}}};

    out.coeffs = fit.coeffs;
    out.variance = fit.variance;
    if (out.coeffs.size() == 2 && out.variance.size() == 2) {
        if (xDate) {
            out.coeffs[0] *= kSecondsPerDay;
            out.variance[0] *= kSecondsPerDay;
        }
        if (yDate)
            for (auto* v : {&out.coeffs, &out.variance})
                for (double& e : *v)
                    e /= kSecondsPerDay;
    }
    out.reg_t = fit.t;
    out.reg_p = fit.p;
    out.N = fit.N;
    out.r2 = fit.r2.value_or(NAN);
    out.r2adj = fit.r2adj;
    out.rmse = fit.rmse.value_or(NAN);
    out.drop = fit.drop;
    out.yhat = fit.yhat;
    out.residuals = fit.residuals;
    out.names = {design.names[0]};
    out.nameLHS = design.names[1];
    out.data = std::move(design.Xmat);
    return out;
}
