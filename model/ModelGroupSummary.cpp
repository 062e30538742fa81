// Summaries of one variable in groups by the levels of another: per group the count, mean, standard
// deviation, quartiles, whisker ends and density curve, and a one-way analysis of variance.
#include "model/CellReading.h"
#include "model/Model.h"
#include "model/RowSetTexts.h"
#include "model/TextLevels.h"
#include "stats/QVStatistics.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>

namespace {

constexpr int64_t kBinary = 2, kNumeric = 3, kDate = 4;

// The binary codes of the summarised texts: the first two distinct texts met in row order, the first
// 0, turned round when both read as numbers and the second is smaller, so a 0/1 variable keeps its
// meaning whichever row comes first. When the rows hold one text only, the column's other level
// decides the numeric order all the same.
struct BinaryCoding {
    std::string zero;
};

BinaryCoding binaryCoding(Model& model, const Column& column, const std::vector<const std::string*>& texts) {
    const std::string* first = nullptr;
    const std::string* second = nullptr;
    for (const std::string* text : texts) {
        if (text->empty())
            continue;
        if (!first)
            first = text;
        else if (*text != *first) {
            second = text;
            break;
        }
    }
    if (!first)
        return {};
    std::string other;
    if (second) {
        other = *second;
    } else {
        for (const auto& level : model.distinctValuesForColumn(&column).value_or(std::vector<std::string>{}))
            if (level != *first) {
                other = level;
                break;
            }
    }
    const auto a = model.decimalNumberForString(*first);
    const auto b = other.empty() ? std::nullopt : model.decimalNumberForString(other);
    if (a && b && *b < *a)
        return {other};
    return {*first};
}

// One group's level: a text of the grouping variable, or the merged "Others".
struct Level {
    std::string text;
    bool merged = false;
};

// Levels ordered by the values they read as; a text that does not read (such as "Others") comes
// before every one that does. Stable, so texts that compare equal keep their frequency order.
void sortByValue(std::vector<Level>& levels,
                 const std::function<std::optional<double>(const std::string&)>& read) {
    std::vector<std::pair<std::optional<double>, Level>> keyed;
    keyed.reserve(levels.size());
    for (auto& level : levels)
        keyed.emplace_back(read(level.text), std::move(level));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& x, const auto& y) {
        if (!x.first || !y.first)
            return !x.first && y.first;
        return *x.first < *y.first;
    });
    levels.clear();
    for (auto& k : keyed)
        levels.push_back(std::move(k.second));
}

} // namespace

GroupSummaryResult Model::tabColumn(const Column& grouping, const Column& summarizing, uint64_t top,
                                    const std::optional<std::vector<int64_t>>& rows) {
    if (!context_)
        return {};
    const CellTexts groupTexts = cellTextsForRows(*context_, grouping.num(), rows);
    const CellTexts valueTexts = cellTextsForRows(*context_, summarizing.num(), rows);

    // Paired by row number; a row lacking a cell in either column is left out.
    std::vector<const std::string*> groupOf, textOf;
    groupOf.reserve(std::min(groupTexts.rows.size(), valueTexts.rows.size()));
    textOf.reserve(groupOf.capacity());
    for (size_t i = 0, j = 0; i < groupTexts.rows.size() && j < valueTexts.rows.size(); ++i) {
        while (j < valueTexts.rows.size() && valueTexts.rows[j] < groupTexts.rows[i])
            ++j;
        if (j < valueTexts.rows.size() && valueTexts.rows[j] == groupTexts.rows[i]) {
            groupOf.push_back(&groupTexts.texts[i]);
            textOf.push_back(&valueTexts.texts[j]);
        }
    }

    const auto counts = textlevels::count(groupTexts.texts);
    const TopFrequencies frequencies = textlevels::top(counts, std::max<uint64_t>(top, 1));
    const bool merged = counts.size() > std::max<uint64_t>(top, 1);
    std::vector<Level> levels;
    for (size_t k = 0; k < frequencies.levels.size(); ++k)
        levels.push_back({frequencies.levels[k], merged && k + 1 == frequencies.levels.size()});
    const int64_t groupingType = grouping.type().value_or(0);
    if (groupingType == kNumeric)
        sortByValue(levels, [this](const std::string& t) { return decimalNumberForString(t); });
    else if (groupingType == kDate)
        sortByValue(levels, [this](const std::string& t) { return dateForString(t); });

    // Group index of each grouping text: the kept levels by their view into the counted texts, every
    // other non-empty text the merged group. A real level named "Others" stays a group of its own.
    std::unordered_map<std::string_view, size_t> index;
    size_t othersIndex = levels.size();
    for (size_t k = 0; k < levels.size(); ++k) {
        if (levels[k].merged)
            othersIndex = k;
        else
            index.emplace(counts.find(levels[k].text)->first, k);
    }

    const int64_t type = summarizing.type().value_or(0);
    BinaryCoding coding;
    if (type == kBinary)
        coding = binaryCoding(*this, summarizing, textOf);
    cellreading::NumberReader reader(*this);
    std::vector<std::vector<double>> groups(levels.size());
    for (size_t i = 0; i < groupOf.size(); ++i) {
        const std::string& g = *groupOf[i];
        const std::string& text = *textOf[i];
        if (g.empty() || text.empty())
            continue;
        size_t k = othersIndex;
        if (auto it = index.find(g); it != index.end())
            k = it->second;
        if (k >= groups.size())
            continue;
        std::optional<double> value;
        if (type == kDate)
            value = dateForString(text);
        else if (type == kBinary)
            value = text == coding.zero ? 0.0 : 1.0;
        else
            value = reader.number(text);
        if (value && !std::isnan(*value))
            groups[k].push_back(*value);
    }

    auto& f = functions();
    const AnovaResult anova = f.anova(groups, type == kBinary);
    const double columnSd = (type == kDate ? summarizing.sdDate() : summarizing.sd()).value_or(NAN) / 10;
    GroupSummaryResult result;
    result.F = anova.F;
    result.p = anova.p;
    result.summary.reserve(groups.size());
    for (size_t k = 0; k < groups.size(); ++k) {
        GroupSummaryEntry entry;
        entry.obs = anova.summary[k].obs;
        entry.mean = anova.summary[k].mean;
        entry.sd = anova.summary[k].sd;
        entry.level = levels[k].text;
        entry.median = f.percentiles({0, 25, 50, 75, 100}, groups[k]);
        if (!groups[k].empty()) {
            // A group without spread borrows a tenth of the column's, else a width of 1.
            double s = 1;
            if (!std::isnan(entry.sd) && entry.sd != 0)
                s = entry.sd;
            else if (!std::isnan(columnSd) && columnSd != 0)
                s = columnSd;
            entry.density = f.kdensity(groups[k], s, entry.median[0], entry.median[100]);
            entry.topwhisker = entry.median[100];
            entry.botwhisker = entry.median[0];
        }
        result.summary.push_back(std::move(entry));
    }
    return result;
}
