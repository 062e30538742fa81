// Frequency tables of cell texts, the most frequent levels with the rest merged into "Others", and
// equal-width histograms whose range and bin count snap to round numbers.
#include "model/CellReading.h"
#include "model/Model.h"
#include "model/TextLevels.h"
#include "platform/foundation/Tr.h"

#include <algorithm>
#include <cmath>

namespace {

FrequencyDictionary countTexts(const std::vector<std::string_view>& texts) {
    FrequencyDictionary out;
    for (std::string_view text : texts)
        if (!text.empty())
            ++out[std::string(text)];
    return out;
}

// The bin count and range of the snapping rule: edges on multiples of half a power of ten, widths
// of a tenth, a fifth or a half of it, between 4 and 15 bins depending on the number of values.
struct Snapped {
    double lo, hi, count;
};

Snapped snap(double lo, double hi, size_t n) {
    double unit = std::pow(10.0, std::floor(std::log10(hi - lo)));
    if (hi == lo) {
        const double m = std::floor(hi + 0.5);
        lo = m - 2;
        hi = m + 2;
        unit = 1;
    } else if (std::isfinite(unit) && unit > 0) {
        lo = unit * std::floor(2 * lo / unit) * 0.5;
        hi = unit * std::ceil(2 * hi / unit) * 0.5;
    }
    const double limit = static_cast<double>(std::max<size_t>(std::min<size_t>(n / 4, 15), 4));
    const double r = hi - lo;
    double count = limit;
    // Compared as doubles: a candidate of a tiny unit can be far beyond any integer.
    if (std::isfinite(unit) && unit > 0) {
        const double c10 = std::floor(r / (unit / 10)), c5 = std::floor(r / (unit / 5)),
                     c2 = std::floor(r / (unit * 0.5));
        if (c10 <= limit)
            count = c10;
        else if (c5 <= limit)
            count = c5;
        else if (c2 <= limit)
            count = c2;
    }
    return {lo, hi, std::max(count, 4.0)};
}

} // namespace

FrequencyDictionary Model::frequenciesOfCells(const std::vector<std::shared_ptr<Cell>>& cells) {
    FrequencyDictionary out;
    for (const auto& cell : cells) {
        if (!cell)
            continue;
        const auto& text = cell->data();
        if (!text.empty())
            ++out[text];
    }
    return out;
}

FrequencyDictionary Model::frequenciesOfColumn(const Column& column) {
    if (!context_)
        return {};
    {
        // Straight from the column's records, when it has no cell kept otherwise.
        store::PackedGroupTexts read;
        if (context_->readPackedGroupTexts(Cell::entityName, column.num(), false, read))
            return countTexts(read.texts);
    }
    store::FetchRequest r{"Cell", "\"colNum\" = ?", {store::Value(column.num())}, {}, 0};
    const auto values = context_->fetchValues(r, "data", false);
    std::vector<std::string_view> texts;
    texts.reserve(values.size());
    for (const auto& v : values)
        if (const auto* s = std::get_if<std::string>(&v))
            texts.emplace_back(*s);
    return countTexts(texts);
}

LevelLists Model::dictionary(const FrequencyDictionary& frequencies, uint64_t top) {
    return textlevels::kept(frequencies, top);
}


TopFrequencies Model::frequenciesOfCells(const std::vector<std::shared_ptr<Cell>>& cells, uint64_t top) {
    return textlevels::top(frequenciesOfCells(cells), top);
}

TopFrequencies Model::frequenciesOfColumn(const Column& column, uint64_t top) {
    return textlevels::top(frequenciesOfColumn(column), top);
}

HistogramBins Model::histogramOfVector(const std::vector<double>& values, uint64_t bins,
                                       const std::optional<std::array<double, 2>>& range, bool percent,
                                       bool optimize) {
    HistogramBins out;
    out.fractions = percent;
    size_t n = 0;
    double lo = 0, hi = 0;
    for (double v : values) {
        if (!std::isfinite(v))
            continue;
        if (n == 0)
            lo = hi = v;
        else if (v < lo)
            lo = v;
        else if (v > hi)
            hi = v;
        ++n;
    }
    if (n == 0)
        return out;
    if (range) {
        lo = (*range)[0];
        hi = (*range)[1];
    }
    // A range that is not finite, or reversed, has no bins to divide; the values' own extremes do.
    if (!std::isfinite(lo) || !std::isfinite(hi) || hi < lo) {
        lo = hi = 0;
        bool first = true;
        for (double v : values) {
            if (!std::isfinite(v))
                continue;
            lo = first ? v : std::min(lo, v);
            hi = first ? v : std::max(hi, v);
            first = false;
        }
    }
    double count = static_cast<double>(std::max<uint64_t>(bins, 1));
    if (optimize) {
        const Snapped s = snap(lo, hi, n);
        lo = s.lo;
        hi = s.hi;
        count = s.count;
    }
    double width = (hi - lo) / count;
    if (!std::isfinite(width)) // the span itself overflows: divide the ends first
        width = hi / count - lo / count;
    const auto binCount = static_cast<size_t>(count);
    out.edges.reserve(binCount);
    for (size_t i = 0; i < binCount; ++i)
        out.edges.push_back(lo + static_cast<double>(i) * width);
    out.contents.assign(binCount, 0.0);
    const double last = count - 1;
    for (double v : values) {
        if (!std::isfinite(v))
            continue;
        // Clamped while still a double: a NaN (a zero width) or a huge quotient never reaches the
        // integer conversion.
        double index = std::floor((v - lo) / width);
        if (std::isnan(index) || index < 0)
            index = 0;
        else if (index > last)
            index = last;
        out.contents[static_cast<size_t>(index)] += 1;
    }
    if (percent)
        for (double& c : out.contents)
            c /= static_cast<double>(n);
    return out;
}

HistogramBins Model::histogramOfVector(const std::vector<double>& values, uint64_t bins) {
    return histogramOfVector(values, bins, std::nullopt, false, true);
}

std::variant<TopFrequencies, HistogramBins> Model::frequenciesOfColumnBuckets(const Column& column,
                                                                              uint64_t buckets) {
    const int64_t type = column.type().value_or(0);
    if (type == 1 || type == 2)
        return frequenciesOfColumn(column, buckets);
    std::optional<std::array<double, 2>> range;
    auto lo = cellreading::storedNumber(column.min()), hi = cellreading::storedNumber(column.max());
    if (lo && hi)
        range = std::array<double, 2>{*lo, *hi};
    return histogramOfVector(numericOfColumn(column), buckets, range, false, true);
}
