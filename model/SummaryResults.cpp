// Keyed forms of the summary results, as the screens and the exports read them by key.
#include "model/SummaryResults.h"

#include "platform/foundation/Decimal.h"

#include <charconv>

namespace {

using foundation::Value;

template <class T> Value array(const std::vector<T>& items) {
    Value::Array out;
    out.reserve(items.size());
    for (const auto& item : items)
        out.emplace_back(item);
    return out;
}

Value pair(const std::array<double, 2>& v) {
    return Value::Array{v[0], v[1]};
}

template <class T> void put(Value::Dictionary& d, const char* key, const std::optional<T>& v) {
    if (v)
        d.emplace(key, *v);
}

void putPair(Value::Dictionary& d, const char* key, const std::optional<std::array<double, 2>>& v) {
    if (v)
        d.emplace(key, pair(*v));
}

void putArray(Value::Dictionary& d, const char* key, const std::optional<std::vector<double>>& v) {
    if (v)
        d.emplace(key, array(*v));
}

// Percentile keys as the shortest text of the number: 25 gives "25", 2.5 gives "2.5".
std::string numberKey(double x) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

} // namespace

Value VariableDetailResult::toValue() const {
    Value::Dictionary d;
    if (top)
        d.emplace("top", top->toValue());
    if (graph)
        d.emplace("graph", std::visit([](const auto& g) { return g.toValue(); }, *graph));
    putArray(d, "sorted", sorted);
    putArray(d, "qnorm", qnorm);
    if (qqline)
        d.emplace("qqline", Value::Array{pair((*qqline)[0]), pair((*qqline)[1])});
    put(d, "obs", obs);
    put(d, "obsNumeric", obsNumeric);
    put(d, "obsDate", obsDate);
    put(d, "levels", levels);
    put(d, "min", min);
    put(d, "max", max);
    put(d, "pc25", pc25);
    put(d, "pc50", pc50);
    put(d, "pc75", pc75);
    put(d, "mean", mean);
    put(d, "sd", sd);
    put(d, "rms", rms);
    if (mode)
        d.emplace("mode", std::isnan(*mode) ? Value(foundation::Decimal::notANumber()) : Value(*mode));
    put(d, "variance", variance);
    put(d, "meanAbsDev", meanAbsDev);
    put(d, "range", range);
    put(d, "midrange", midrange);
    put(d, "coeffVar", coeffVar);
    put(d, "skew", skew);
    put(d, "kurtosis", kurtosis);
    put(d, "sum", sum);
    putPair(d, "ciMean", ciMean);
    putPair(d, "ciStd", ciStd);
    putPair(d, "ciVariance", ciVariance);
    put(d, "lower_fence", lower_fence);
    put(d, "upper_fence", upper_fence);
    putArray(d, "outliers", outliers);
    return d;
}

Value TwoWayTableResult::toValue() const {
    Value::Array f, pc;
    f.reserve(freqs.size());
    for (const auto& row : freqs)
        f.push_back(array(row));
    pc.reserve(percs.size());
    for (const auto& row : percs)
        pc.push_back(array(row));
    return Value::Dictionary{{"arrayA", arrayA.toValue()},
                             {"arrayB", arrayB.toValue()},
                             {"freqs", std::move(f)},
                             {"percs", std::move(pc)},
                             {"sumTotal", sumTotal},
                             {"percsA", array(percsA)},
                             {"percsB", array(percsB)},
                             {"chisq", chisq},
                             {"df", df},
                             {"p", p},
                             {"v", v},
                             {"phi", phi}};
}

Value GroupSummaryEntry::toValue() const {
    Value::Dictionary d = AnovaGroupSummary{obs, mean, sd}.toValue().dictionary();
    d.emplace("level", level);
    Value::Dictionary percentiles;
    for (const auto& [q, x] : median)
        percentiles.emplace(numberKey(q), x);
    d.emplace("median", std::move(percentiles));
    Value::Array points;
    points.reserve(density.size());
    for (const auto& point : density)
        points.push_back(point.toValue());
    d.emplace("density", std::move(points));
    d.emplace("topwhisker", topwhisker);
    d.emplace("botwhisker", botwhisker);
    return d;
}

Value GroupSummaryResult::toValue() const {
    Value::Array groups;
    groups.reserve(summary.size());
    for (const auto& g : summary)
        groups.push_back(g.toValue());
    return Value::Dictionary{{"summary", std::move(groups)}, {"F", F}, {"p", p}};
}
