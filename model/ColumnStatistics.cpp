// Keyed forms of the column statistics and level tables, as screens and exports read them by key.
#include "model/ColumnStatistics.h"

namespace {

using foundation::Value;

template <class T> void put(Value::Dictionary& d, const char* key, const std::optional<T>& v) {
    if (v)
        d.emplace(key, *v);
}

template <class T> Value array(const std::vector<T>& items) {
    Value::Array out;
    out.reserve(items.size());
    for (const auto& item : items)
        out.emplace_back(item);
    return out;
}

} // namespace

Value BasicStats::toValue() const {
    Value::Dictionary d{{"obs", obs}, {"obsNumeric", obsNumeric}, {"obsDate", obsDate}, {"levels", levels}};
    put(d, "levelsNumeric", levelsNumeric);
    put(d, "min", min);
    put(d, "max", max);
    put(d, "pc25", pc25);
    put(d, "pc50", pc50);
    put(d, "pc75", pc75);
    put(d, "mean", mean);
    put(d, "sd", sd);
    put(d, "levelsDate", levelsDate);
    put(d, "minDate", minDate);
    put(d, "maxDate", maxDate);
    put(d, "pc25Date", pc25Date);
    put(d, "pc50Date", pc50Date);
    put(d, "pc75Date", pc75Date);
    put(d, "meanDate", meanDate);
    put(d, "sdDate", sdDate);
    return d;
}

Value BasicStatsSummary::toValue() const {
    Value::Dictionary d{{"obs", obs}, {"levels", levels}};
    put(d, "obsNumeric", obsNumeric);
    put(d, "obsDate", obsDate);
    put(d, "min", min);
    put(d, "pc25", pc25);
    put(d, "pc50", pc50);
    put(d, "pc75", pc75);
    put(d, "max", max);
    put(d, "mean", mean);
    put(d, "sd", sd);
    return d;
}

Value Factor::toValue() const {
    Value::Dictionary codes;
    for (const auto& [level, c] : code)
        codes.emplace(level, c);
    return Value::Dictionary{{"data", array(data)}, {"code", std::move(codes)}};
}

Value LevelLists::toValue() const {
    return Value::Array{array(levels), array(counts)};
}

Value TopFrequencies::toValue() const {
    return Value::Array{array(levels), array(counts), array(shares)};
}

Value HistogramBins::toValue() const {
    if (fractions)
        return Value::Array{array(edges), array(contents)};
    Value::Array counts;
    counts.reserve(contents.size());
    for (double c : contents)
        counts.emplace_back(static_cast<int64_t>(c));
    return Value::Array{array(edges), std::move(counts)};
}
