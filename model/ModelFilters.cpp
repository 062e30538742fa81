// Row filtering by where clauses: the rows that pass every condition of a filter, and the filter's
// description in words. The running row set is kept in memory, never bound into SQL number by number.
#include "model/Model.h"

#include "model/CellReading.h"
#include "model/CellTexts.h"
#include "platform/foundation/Tr.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

// Case folding over the whole of Unicode, so "ÉTÉ" and "été" compare equal.
std::string folded(const std::string& text) {
    std::string out;
    icu::UnicodeString::fromUTF8(text).foldCase().toUTF8String(out);
    return out;
}

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
}

// Folding is the costly part of a text condition; plain ASCII needs only a lower-casing.
std::string foldedFast(const std::string& text) {
    if (!isAscii(text))
        return folded(text);
    std::string out = text;
    for (auto& ch : out)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return out;
}

template <class T> bool compareOrdered(uint64_t op, const T& a, const T& b) {
    switch (op) {
    case FilterLess:
        return a < b;
    case FilterLessOrEqual:
        return a <= b;
    case FilterGreater:
        return a > b;
    case FilterGreaterOrEqual:
        return a >= b;
    case FilterEqual:
        return a == b;
    case FilterNotEqual:
        return a != b;
    default:
        return false;
    }
}

// A text condition, evaluated on the case-folded texts.
class TextTest {
  public:
    explicit TextTest(const WhereClauseObj& where) : op_(where.op) {
        if (op_ == FilterIn) {
            for (const auto& level : where.levels)
                levels_.push_back(foldedFast(level));
            std::sort(levels_.begin(), levels_.end());
        } else {
            constant_ = foldedFast(where.constant.value_or(""));
        }
    }

    bool operator()(const std::string& text) const {
        std::string value = foldedFast(text);
        if (op_ == FilterIn)
            return std::binary_search(levels_.begin(), levels_.end(), value);
        if (op_ == FilterContains)
            return value.find(constant_) != std::string::npos;
        return compareOrdered(op_, value, constant_);
    }

  private:
    uint64_t op_;
    std::string constant_;
    std::vector<std::string> levels_;
};

// A Numeric or Date / Time condition on converted values. A side that does not convert is missing:
// it fails the ordered comparisons, "=" and "IN", and passes "≠".
class ValueTest {
  public:
    using Reader = std::function<std::optional<double>(std::string_view)>;

    ValueTest(const WhereClauseObj& where, Reader read) : op_(where.op), read_(std::move(read)) {
        if (op_ == FilterIn) {
            // A level that is not a value of the column's kind can match nothing.
            for (const auto& level : where.levels)
                if (auto v = read_(level))
                    levels_.push_back(*v);
            std::sort(levels_.begin(), levels_.end());
        } else if (op_ == FilterContains) {
            text_.emplace(where);
        } else {
            constant_ = read_(where.constant.value_or(""));
        }
    }

    bool operator()(const std::string& text) const {
        if (text_)
            return (*text_)(text);
        auto value = read_(text);
        if (op_ == FilterIn)
            return value && std::binary_search(levels_.begin(), levels_.end(), *value);
        if (!value || !constant_)
            return op_ == FilterNotEqual;
        return compareOrdered(op_, *value, *constant_);
    }

  private:
    uint64_t op_;
    Reader read_;
    std::optional<double> constant_;
    std::vector<double> levels_;
    std::optional<TextTest> text_;
};

void sortUnique(std::vector<int64_t>& rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
}

std::string fillThree(const std::string& format, const std::string& a, const std::string& b,
                      const std::string& c) {
    const std::string* args[] = {&a, &b, &c};
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '@' && next < 3) {
            out += *args[next++];
            ++i;
            continue;
        }
        out += format[i];
    }
    return out;
}

} // namespace

WhereClauseObj::WhereClauseObj(const WhereClause& w)
    : op(static_cast<uint64_t>(w.op())), constant(w.c()), levels(w.levels()) {
    auto column = w.x();
    colNum = column ? column->num() : -1;
}

std::vector<WhereClauseObj>
WhereClauseObj::wheresFromWheres(const std::vector<std::shared_ptr<WhereClause>>& wheres) {
    std::vector<WhereClauseObj> out;
    out.reserve(wheres.size());
    for (const auto& w : wheres)
        if (w)
            out.emplace_back(*w);
    return out;
}

std::optional<std::vector<int64_t>> Model::rowsWhere(const std::vector<WhereClauseObj>& wheres) {
    if (wheres.empty())
        return std::nullopt;
    std::optional<std::vector<int64_t>> passed; // ascending, without duplicates
    for (const auto& where : wheres) {
        auto column = where.colNum >= 0 ? columnNumber(static_cast<uint64_t>(where.colNum)) : nullptr;
        if (!column || !context_)
            return std::vector<int64_t>{};
        const int64_t type = column->type().value_or(0);
        const bool byValue = type == 3 || type == 4;

        CellTexts cells = columnCellTexts(*context_, where.colNum);
        std::function<bool(const std::string&)> test;
        if (byValue) {
            ValueTest::Reader read;
            if (type == 3)
                read = [numbers = std::make_shared<cellreading::NumberReader>(*this)](std::string_view t) {
                    return numbers->number(t);
                };
            else
                read = [this](std::string_view t) { return dateForString(t); };
            test = ValueTest(where, std::move(read));
        } else {
            test = TextTest(where);
        }

        std::vector<int64_t> kept;
        size_t p = 0;
        for (size_t i = 0; i < cells.rows.size(); ++i) {
            const int64_t row = cells.rows[i];
            if (passed) {
                // Both lists ascend: walk the running set alongside the cells.
                const auto& r = *passed;
                while (p < r.size() && r[p] < row)
                    ++p;
                if (p == r.size())
                    break;
                if (r[p] != row)
                    continue;
            }
            const std::string& text = cells.texts[i];
            if (byValue && text.empty())
                continue;
            if (test(text))
                kept.push_back(row);
        }
        sortUnique(kept);
        passed = std::move(kept);
        if (passed->empty())
            return passed;
    }
    return passed;
}

std::optional<std::vector<int64_t>> Model::rowsWhere(const std::map<int64_t, WhereClauseObj>& wheres) {
    std::vector<WhereClauseObj> list;
    list.reserve(wheres.size());
    for (const auto& [num, where] : wheres)
        list.push_back(where);
    return rowsWhere(list);
}

std::optional<std::vector<int64_t>>
Model::rowsWhereClauses(const std::vector<std::shared_ptr<WhereClause>>& wheres) {
    return rowsWhere(WhereClauseObj::wheresFromWheres(wheres));
}

std::optional<std::vector<int64_t>> Model::rowsWhereAnalysis(const Analysis& analysis) {
    return rowsWhereClauses(analysis.wheres());
}

std::string Model::stringForOperatorType(uint64_t op) {
    switch (op) {
    case FilterLess:
        return "<";
    case FilterLessOrEqual:
        return "≤";
    case FilterGreater:
        return ">";
    case FilterGreaterOrEqual:
        return "≥";
    case FilterEqual:
        return "=";
    case FilterNotEqual:
        return "≠";
    case FilterIn:
        return foundation::tr("IN");
    case FilterContains:
        return foundation::tr("Contains");
    default:
        return "Unknown op";
    }
}

std::string Model::stringForWhere(const WhereClauseObj& where) {
    auto column = where.colNum >= 0 ? columnNumber(static_cast<uint64_t>(where.colNum)) : nullptr;
    std::string right;
    if (where.op == FilterIn) {
        for (size_t i = 0; i < where.levels.size(); ++i)
            right += (i ? ", " : "") + where.levels[i];
    } else {
        right = where.constant.value_or("");
    }
    return fillThree(foundation::tr("%@ %@ %@"), column ? column->name() : "",
                     stringForOperatorType(where.op), right);
}

std::string Model::stringForWheres(const std::vector<WhereClauseObj>& wheres) {
    std::string out;
    for (size_t i = 0; i < wheres.size(); ++i) {
        if (i)
            out += " & ";
        out += stringForWhere(wheres[i]);
    }
    return out;
}

std::string Model::stringForWhereSet(std::vector<WhereClauseObj> wheres) {
    // The levels break the last ties, so that no two stored orders of one filter read differently.
    for (auto& w : wheres)
        std::sort(w.levels.begin(), w.levels.end());
    std::sort(wheres.begin(), wheres.end(), [](const WhereClauseObj& a, const WhereClauseObj& b) {
        return std::tie(a.colNum, a.op, a.constant, a.levels) <
               std::tie(b.colNum, b.op, b.constant, b.levels);
    });
    return stringForWheres(wheres);
}

std::string Model::stringForWhereClauses(const std::vector<std::shared_ptr<WhereClause>>& wheres) {
    return stringForWhereSet(WhereClauseObj::wheresFromWheres(wheres));
}

std::string Model::stringForWhereAnalysis(const Analysis& analysis) {
    return stringForWhereClauses(analysis.wheres());
}
