// The keyed forms of the design, regression, correlation and hypothesis-test results.
#include "model/HypothesisTestResult.h"
#include "model/RegressionResult.h"
#include "platform/foundation/Value.h"

namespace {

using foundation::Value;

Value numbers(const std::vector<double>& values) {
    Value::Array out(values.begin(), values.end());
    return out;
}

Value texts(const std::vector<std::string>& values) {
    Value::Array out(values.begin(), values.end());
    return out;
}

Value columns(const std::vector<std::vector<double>>& data) {
    Value::Array out;
    for (const auto& column : data)
        out.push_back(numbers(column));
    return out;
}

Value percentileBox(const std::map<double, double>& box) {
    Value::Dictionary out;
    for (const auto& [percentile, value] : box)
        out.emplace(std::to_string(static_cast<int>(percentile)), value);
    return out;
}

Value densityPoints(const std::vector<KDensityPoint>& points) {
    Value::Array out;
    for (const auto& p : points)
        out.push_back(p.toValue());
    return out;
}

} // namespace

Value DesignMatrix::toValue() const {
    return Value::Dictionary{{"Xmat", columns(Xmat)}, {"names", texts(names)}};
}

Value RegressionResult::toValue() const {
    Value::Dictionary d = {
        {"coeffs", numbers(coeffs)},
        {"variance", numbers(variance)},
        {"t", numbers(t)},
        {"p", numbers(p)},
        {"residuals", numbers(residuals)},
        {"yhat", numbers(yhat)},
        {"N", N},
        {"r2adj", r2adj},
        {"drop", texts(drop)},
        {"varianceDep", varianceDep},
        {"y", numbers(y)},
        {"names", texts(names)},
        {"nameLHS", nameLHS},
    };
    if (!logistic) {
        d.emplace("r2", r2.value_or(NAN));
        d.emplace("rmse", rmse.value_or(NAN));
        return d;
    }
    d.emplace("LL0", LL0.value_or(NAN));
    d.emplace("LL", LL.value_or(NAN));
    d.emplace("numIter", numIter.value_or(0));
    d.emplace("AIC", AIC.value_or(NAN));
    d.emplace("AICc", AICc.value_or(NAN));
    d.emplace("converged", converged.value_or(false));
    d.emplace("numPerfectPredict", numPerfectPredict.value_or(0));
    Value::Array points;
    for (const auto& point : roc.value_or(std::vector<std::array<double, 2>>{}))
        points.emplace_back(Value::Array{point[0], point[1]});
    d.emplace("roc", std::move(points));
    d.emplace("AUC", AUC.value_or(NAN));
    return d;
}

Value CorrelationOfData::toValue() const {
    return Value::Dictionary{
        {"r", r}, {"t", t}, {"df", df}, {"ci", Value::Array{ci[0], ci[1]}}, {"data", columns(data)},
        {"p", p}};
}

Value CorrelationResult::toValue() const {
    return Value::Dictionary{
        {"r", r},
        {"t", t},
        {"df", df},
        {"ci", Value::Array{ci[0], ci[1]}},
        {"data", columns(data)},
        {"p", p},
        {"dataFit", Value::Array{Value::Array{dataFit[0][0], dataFit[0][1]},
                                 Value::Array{dataFit[1][0], dataFit[1][1]}}},
        {"coeffs", numbers(coeffs)},
        {"variance", numbers(variance)},
        {"reg_t", numbers(reg_t)},
        {"reg_p", numbers(reg_p)},
        {"N", N},
        {"r2", r2},
        {"r2adj", r2adj},
        {"rmse", rmse},
        {"drop", texts(drop)},
        {"yhat", numbers(yhat)},
        {"residuals", numbers(residuals)},
        {"names", texts(names)},
        {"nameLHS", nameLHS},
    };
}

Value HypothesisTestResult::toValue() const {
    Value::Dictionary d = {
        {"t", t},
        {"df", df},
        {"p", p},
        {"pdfSample1", Value()},
        {"pdfSample2", Value()},
        {"pdfDiff1", Value()},
        {"pdfDiff2", Value()},
        {"testName", testName ? Value(*testName) : Value()},
        {"statName", statName},
    };
    if (shape == Shape::PairedProportions) {
        d.emplace("x0y0", x0y0.value_or(0));
        d.emplace("x0y1", x0y1.value_or(0));
        d.emplace("x1y0", x1y0.value_or(0));
        d.emplace("x1y1", x1y1.value_or(0));
        return d;
    }
    d.emplace("obsX", obsX.value_or(0));
    for (const auto& [key, value] :
         {std::pair{"meanX", meanX}, {"sdX", sdX}, {"seX", seX}, {"diff", diff}, {"seDiff", seDiff}})
        d.emplace(key, value.value_or(NAN));
    d.emplace("boxX", percentileBox(boxX.value_or(std::map<double, double>{})));
    d.emplace("densityX", densityPoints(densityX.value_or(std::vector<KDensityPoint>{})));
    if (shape == Shape::OneSample)
        return d;
    d.emplace("obsY", obsY.value_or(0));
    for (const auto& [key, value] : {std::pair{"meanY", meanY}, {"sdY", sdY}, {"seY", seY}})
        d.emplace(key, value.value_or(NAN));
    d.emplace("boxY", percentileBox(boxY.value_or(std::map<double, double>{})));
    d.emplace("densityY", densityPoints(densityY.value_or(std::vector<KDensityPoint>{})));
    return d;
}
