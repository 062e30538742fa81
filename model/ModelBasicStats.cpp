// The per-column statistics cache: computing it from cell texts in one pass, storing and reading it
// back, its staleness, the type guess, and the number vectors and category codes of cells.
#include "model/CellReading.h"
#include "model/Model.h"
#include "stats/QVStatistics.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>
#include <type_traits>
#include <unordered_map>

namespace {

constexpr int64_t kCategorical = 1, kBinary = 2, kNumeric = 3, kDate = 4;

// min and max are stored as the shortest text that reads back to the same double, in the C locale.
std::string numberText(double v) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

// Counts distinct texts by open addressing. A slot is 8 bytes (a 32-bit fingerprint of the hash and
// the text's index), so the table of a 100,000-cell column stays in cache; a node-based set spends most
// of a column pass allocating and missing the cache.
class DistinctTexts {
  public:
    // `slots` is the table's memory, kept by the caller so that a pass over many columns reuses it.
    DistinctTexts(const std::vector<std::string_view>& texts, std::vector<uint64_t>& slots)
        : texts_(texts), slots_(slots) {
        size_t capacity = 16;
        while (capacity < 2 * texts.size())
            capacity *= 2;
        slots_.assign(capacity, 0);
    }
    // The text at `index` of the list given at construction; answers the index of the first equal text
    // inserted (`index` itself for a new one).
    size_t insert(size_t index) {
        const std::string_view text = texts_[index];
        const uint64_t hash = std::hash<std::string_view>()(text);
        const uint64_t fingerprint = hash >> 32;
        const size_t mask = slots_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const uint64_t slot = slots_[i];
            if (slot == 0) {
                slots_[i] = fingerprint << 32 | (index + 1);
                ++count_;
                return index;
            }
            if (slot >> 32 == fingerprint && texts_[(slot & 0xffffffffu) - 1] == text)
                return (slot & 0xffffffffu) - 1;
        }
    }
    size_t size() const { return count_; }

  private:
    const std::vector<std::string_view>& texts_;
    std::vector<uint64_t>& slots_; // 0: empty
    size_t count_ = 0;
};

// The working memory of column passes, reused from one column to the next: a column's worth of fresh
// memory costs more in page faults than the pass itself.
struct ColumnScratch {
    store::PackedGroupTexts records;
    std::vector<uint64_t> slots;
    std::vector<uint8_t> kind;
    std::vector<double> value, numbers, dates;
};

// Sorted values give the extremes, the number of distinct values and the quartiles in one go.
struct SeriesStats {
    int64_t levels = 0;
    double min = 0, max = 0, pc25 = 0, pc50 = 0, pc75 = 0, mean = 0, sd = 0;
};

SeriesStats seriesStats(QVStatistics& functions, std::vector<double>& values, double sum) {
    SeriesStats s;
    s.mean = sum / static_cast<double>(values.size());
    s.sd = functions.sdNormal(values);
    std::sort(values.begin(), values.end());
    s.min = values.front();
    s.max = values.back();
    s.levels = 1;
    for (size_t i = 1; i < values.size(); ++i)
        if (values[i] != values[i - 1])
            ++s.levels;
    auto q = functions.percentiles({25, 50, 75}, values);
    s.pc25 = q[25];
    s.pc50 = q[50];
    s.pc75 = q[75];
    return s;
}

// The texts of cells as views. Views into the cells' own strings when the entity hands out
// references; otherwise the texts are copied into `owned` first, since a view of a returned copy
// would not outlive the loop.
std::vector<std::string_view> textsOf(const std::vector<std::shared_ptr<Cell>>& cells,
                                      std::vector<std::string>& owned) {
    std::vector<std::string_view> texts;
    texts.reserve(cells.size());
    if constexpr (std::is_reference_v<decltype(std::declval<const Cell&>().data())>) {
        for (const auto& cell : cells)
            if (cell)
                texts.emplace_back(cell->data());
    } else {
        owned.reserve(cells.size());
        for (const auto& cell : cells)
            if (cell)
                owned.push_back(cell->data());
        for (const auto& text : owned)
            texts.emplace_back(text);
    }
    return texts;
}

std::vector<std::string_view> textsOf(const std::vector<store::Value>& values) {
    static const std::string empty;
    std::vector<std::string_view> texts;
    texts.reserve(values.size());
    for (const auto& v : values) {
        const auto* s = std::get_if<std::string>(&v);
        texts.emplace_back(s ? *s : empty);
    }
    return texts;
}

} // namespace

// The cell texts of a column without making objects; unsaved changes are seen (they are the
// context's open transaction).
static std::vector<store::Value> columnTexts(const std::shared_ptr<store::Context>& context, int64_t num) {
    if (!context)
        return {};
    store::FetchRequest r{"Cell", "\"colNum\" = ?", {store::Value(num)}, {}, 0};
    return context->fetchValues(r, "data", false);
}

namespace {

// A column's texts in the order of its own fetch, without objects: straight from its records, or,
// for a column with cells kept otherwise, through a fetch of its values.
class ColumnTextsRead {
  public:
    ColumnTextsRead(const std::shared_ptr<store::Context>& context, int64_t num)
        : ColumnTextsRead(context, num, ownRecords_) {}
    // Reads the records into `records`, which must outlive this.
    ColumnTextsRead(const std::shared_ptr<store::Context>& context, int64_t num, store::PackedGroupTexts& records)
        : records_(records) {
        if (!context)
            return;
        if (context->readPackedGroupTexts(Cell::entityName, num, false, records_))
            return;
        values_ = columnTexts(context, num);
        views_ = textsOf(values_);
    }
    ColumnTextsRead(const ColumnTextsRead&) = delete;
    ColumnTextsRead& operator=(const ColumnTextsRead&) = delete;
    const std::vector<std::string_view>& views() const { return values_.empty() ? records_.texts : views_; }

  private:
    store::PackedGroupTexts ownRecords_;
    store::PackedGroupTexts& records_;
    std::vector<store::Value> values_;
    std::vector<std::string_view> views_; // into values_
};

BasicStats statsOfTexts(Model& model, const std::vector<std::string_view>& texts, ColumnScratch& scratch) {
    BasicStats out;
    cellreading::NumberReader reader(model);
    DistinctTexts distinct(texts, scratch.slots);
    std::vector<double>&numbers = scratch.numbers, &dates = scratch.dates;
    numbers.clear();
    dates.clear();
    numbers.reserve(texts.size());
    double numberSum = 0, dateSum = 0;
    // Each distinct text is read once: a column repeats few texts many times, and reading a date is
    // what costs. Kept at the index of the text's first occurrence.
    enum : uint8_t { kNeither, kNumber, kDateText };
    std::vector<uint8_t>& kind = scratch.kind;
    kind.assign(texts.size(), kNeither);
    std::vector<double>& value = scratch.value;
    value.resize(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string_view text = texts[i];
        if (text.empty())
            continue;
        ++out.obs;
        const size_t first = distinct.insert(i);
        if (first == i) {
            if (auto v = reader.number(text)) {
                kind[i] = kNumber;
                value[i] = *v;
            } else if (auto d = model.dateForString(text)) {
                kind[i] = kDateText;
                value[i] = *d;
            }
        }
        if (kind[first] == kNumber) {
            numbers.push_back(value[first]);
            numberSum += value[first];
        } else if (kind[first] == kDateText) {
            dates.push_back(value[first]);
            dateSum += value[first];
        }
    }
    out.levels = static_cast<int64_t>(distinct.size());
    out.obsNumeric = static_cast<int64_t>(numbers.size());
    out.obsDate = static_cast<int64_t>(dates.size());
    if (!numbers.empty()) {
        auto s = seriesStats(model.functions(), numbers, numberSum);
        out.levelsNumeric = s.levels;
        out.min = s.min;
        out.max = s.max;
        out.pc25 = s.pc25;
        out.pc50 = s.pc50;
        out.pc75 = s.pc75;
        out.mean = s.mean;
        out.sd = s.sd;
    }
    if (!dates.empty()) {
        auto s = seriesStats(model.functions(), dates, dateSum);
        out.levelsDate = s.levels;
        out.minDate = s.min;
        out.maxDate = s.max;
        out.pc25Date = s.pc25;
        out.pc50Date = s.pc50;
        out.pc75Date = s.pc75;
        out.meanDate = s.mean;
        out.sdDate = s.sd;
    }
    return out;
}

} // namespace

BasicStats Model::basicStatsForTexts(const std::vector<std::string_view>& texts) {
    ColumnScratch scratch;
    return statsOfTexts(*this, texts, scratch);
}

BasicStats Model::basicStatsForCells(const std::vector<std::shared_ptr<Cell>>& cells) {
    std::vector<std::string> owned;
    ColumnScratch scratch;
    return statsOfTexts(*this, textsOf(cells, owned), scratch);
}

void Model::basicStatsForColumn(Column& column, const std::vector<std::shared_ptr<Cell>>& cells) {
    applyBasicStats(basicStatsForCells(cells), column);
}

void Model::basicStatsForColumn(Column& column) {
    applyBasicStats(dictBasicStatsForColumn(column), column);
}

BasicStats Model::dictBasicStatsForColumn(const Column& column) {
    ColumnScratch scratch;
    return statsOfTexts(*this, ColumnTextsRead(context_, column.num(), scratch.records).views(), scratch);
}

std::vector<BasicStats> Model::dictBasicStatsForColumns(const std::vector<int64_t>& nums) {
    std::vector<BasicStats> out(nums.size());
    if (!context_ || nums.empty())
        return out;
    ColumnScratch scratch; // one for all the columns
    std::unordered_map<int64_t, size_t> slotOf;
    for (size_t i = 0; i < nums.size(); ++i)
        slotOf.emplace(nums[i], i); // a repeated number is read once, into its first slot
    for (size_t i = 0; i < nums.size(); ++i) {
        if (const size_t first = slotOf.at(nums[i]); first != i) {
            out[i] = out[first];
            continue;
        }
        out[i] = statsOfTexts(*this, ColumnTextsRead(context_, nums[i], scratch.records).views(), scratch);
    }
    return out;
}

void Model::applyBasicStats(const BasicStats& s, Column& column) {
    auto text = [](const std::optional<double>& v) {
        return v ? std::optional<std::string>(numberText(*v)) : std::nullopt;
    };
    column.setObs(s.obs);
    column.setObsNumeric(s.obsNumeric);
    column.setObsDate(s.obsDate);
    column.setLevels(s.levels);
    column.setLevelsDate(s.levelsDate);
    column.setMin(text(s.min));
    column.setMax(text(s.max));
    column.setMean(s.mean);
    column.setSd(s.sd);
    column.setPc25(s.pc25);
    column.setPc50(s.pc50);
    column.setPc75(s.pc75);
    column.setMinDate(s.minDate);
    column.setMeanDate(s.meanDate);
    column.setMaxDate(s.maxDate);
    column.setPc25Date(s.pc25Date);
    column.setPc50Date(s.pc50Date);
    column.setPc75Date(s.pc75Date);
    column.setSdDate(s.sdDate);
}

bool Model::needCalcBasicStatsForColulmn(const Column& c) {
    switch (c.type().value_or(0)) {
    case kDate:
        return !c.obs() || !c.obsDate() || !c.levelsDate() || !c.minDate() || !c.maxDate() || !c.meanDate() ||
               !c.pc25Date() || !c.pc50Date() || !c.pc75Date() || !c.sdDate();
    case kNumeric:
        return !c.obs() || !c.obsNumeric() || !c.levels() || !c.min() || !c.max() || !c.mean() || !c.pc25() ||
               !c.pc50() || !c.pc75() || !c.sd();
    default:
        return !c.obs() || !c.obsNumeric() || !c.levels();
    }
}

BasicStatsSummary Model::retrieveBasicStatsForColumn(Column& column) {
    if (needCalcBasicStatsForColulmn(column)) {
        basicStatsForColumn(column);
        saveContext();
    }
    BasicStatsSummary out;
    out.obs = column.obs().value_or(0);
    const int64_t type = column.type().value_or(0);
    if (type == kNumeric && column.obsNumeric().value_or(0) >= 1) {
        out.obsNumeric = column.obsNumeric().value_or(0);
        out.levels = column.levels().value_or(0);
        out.min = cellreading::storedNumber(column.min());
        out.pc25 = column.pc25();
        out.pc50 = column.pc50();
        out.pc75 = column.pc75();
        out.max = cellreading::storedNumber(column.max());
        out.mean = column.mean();
        out.sd = column.sd();
        return out;
    }
    if (type == kDate && column.obsDate().value_or(0) >= 1) {
        out.obsDate = column.obsDate().value_or(0);
        out.levels = column.levelsDate().value_or(0);
        out.min = column.minDate();
        out.pc25 = column.pc25Date();
        out.pc50 = column.pc50Date();
        out.pc75 = column.pc75Date();
        out.max = column.maxDate();
        out.mean = column.meanDate();
        out.sd = column.sdDate();
        return out;
    }
    out.obsNumeric = column.obsNumeric().value_or(0);
    out.levels = column.levels().value_or(0);
    return out;
}

int64_t Model::guessTypeOfColumn(const Column& column) {
    const int64_t a = std::max<int64_t>(column.obsNumeric().value_or(0), 0);
    const int64_t d = std::max<int64_t>(column.obsDate().value_or(0), 0);
    const int64_t n = std::max<int64_t>(column.obs().value_or(0), 0);
    // Counts that disagree (a cache half written) leave no "other" cells rather than a wrapped count.
    const int64_t other = std::max<int64_t>(n - (a + d), 0);
    if (a >= other && a >= d)
        return kNumeric;
    if (d >= other)
        return kDate;
    if (column.levels().value_or(0) == 2)
        return kBinary;
    return kCategorical;
}

std::vector<int64_t> Model::variableTypesForColumn(const Column& column) {
    std::vector<int64_t> types;
    if (column.obsNumeric().value_or(0) >= 1)
        types.push_back(kNumeric);
    if (column.obsDate().value_or(0) >= 1)
        types.push_back(kDate);
    if (column.levels().value_or(0) == 2)
        types.push_back(kBinary);
    types.push_back(kCategorical);
    return types;
}

std::vector<double> Model::numericOfCells(const std::vector<std::shared_ptr<Cell>>& cells) {
    cellreading::NumberReader reader(*this);
    std::vector<double> out;
    out.reserve(cells.size());
    for (const auto& cell : cells) {
        if (!cell)
            continue;
        if (auto v = reader.number(cell->data()))
            out.push_back(*v);
    }
    return out;
}

std::vector<double> Model::numericOfCells(const std::vector<std::shared_ptr<Cell>>& cells, int64_t type) {
    if (type != kDate)
        return numericOfCells(cells);
    std::vector<double> out;
    out.reserve(cells.size());
    for (const auto& cell : cells) {
        if (!cell)
            continue;
        if (auto d = dateForString(cell->data()))
            out.push_back(*d);
    }
    return out;
}

std::vector<double> Model::numericOfColumn(const Column& column) {
    const ColumnTextsRead texts(context_, column.num());
    cellreading::NumberReader reader(*this);
    std::vector<double> out;
    out.reserve(texts.views().size());
    for (std::string_view text : texts.views())
        if (auto v = reader.number(text))
            out.push_back(*v);
    return out;
}

Factor Model::factorOfCategorical(const std::vector<std::shared_ptr<Cell>>& cells,
                                  const FactorCodes* levels) {
    Factor out;
    if (levels)
        out.code = *levels;
    out.data.reserve(cells.size());
    for (const auto& cell : cells) {
        if (!cell)
            continue;
        auto [it, added] = out.code.try_emplace(cell->data(), static_cast<int64_t>(out.code.size()));
        out.data.push_back(it->second);
    }
    return out;
}
