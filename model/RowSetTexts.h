// A column's cell texts restricted to a row set, in ascending row number: the one read that the
// analysis computations make of a column.
#pragma once

#include "model/CellTexts.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace rowsettexts {

// Keeps the cells whose rows are listed (in any order); both lists of cells ascend, so one merge
// instead of a search per cell.
template <class Text>
void keepRows(const std::vector<int64_t>& rows, const std::vector<int64_t>& allRows, std::vector<Text>& allTexts,
              std::vector<int64_t>& outRows, std::vector<Text>& outTexts) {
    std::vector<int64_t> wanted(rows);
    std::sort(wanted.begin(), wanted.end());
    outRows.reserve(std::min(wanted.size(), allRows.size()));
    outTexts.reserve(outRows.capacity());
    size_t w = 0;
    for (size_t i = 0; i < allRows.size() && w < wanted.size(); ++i) {
        while (w < wanted.size() && wanted[w] < allRows[i])
            ++w;
        if (w < wanted.size() && wanted[w] == allRows[i]) {
            outRows.push_back(allRows[i]);
            outTexts.push_back(std::move(allTexts[i]));
        }
    }
}

} // namespace rowsettexts

// rows: nothing for every row, an empty list for none, in any order.
inline CellTexts cellTextsForRows(store::Context& context, int64_t colNum,
                                  const std::optional<std::vector<int64_t>>& rows) {
    if (rows && rows->empty())
        return {};
    CellTexts all = columnCellTexts(context, colNum);
    if (!rows)
        return all;
    CellTexts out;
    rowsettexts::keepRows(*rows, all.rows, all.texts, out.rows, out.texts);
    return out;
}

// The same cells for one pass over them, the texts viewed where they were read (the column's records,
// or the values of a fetch): no text is copied. The records are read into `buffer`, which a pass over
// several columns may reuse once this is gone. Neither copied nor moved, as the views point into it.
class RowSetTextViews {
  public:
    RowSetTextViews(store::Context& context, int64_t colNum, const std::optional<std::vector<int64_t>>& wanted)
        : RowSetTextViews(context, colNum, wanted, ownBuffer_) {}
    RowSetTextViews(store::Context& context, int64_t colNum, const std::optional<std::vector<int64_t>>& wanted,
                    store::PackedGroupTexts& buffer) {
        if (wanted && wanted->empty())
            return;
        if (context.readPackedGroupTexts("Cell", colNum, true, buffer)) {
            if (!wanted) {
                rows_ = &buffer.positions;
                texts_ = &buffer.texts;
                return;
            }
            rowsettexts::keepRows(*wanted, buffer.positions, buffer.texts, keptRows_, keptTexts_);
            return;
        }
        fetched_ = fetchedColumnCellTexts(context, colNum);
        std::vector<std::string_view> all(fetched_.texts.begin(), fetched_.texts.end());
        if (!wanted) {
            keptRows_ = std::move(fetched_.rows);
            keptTexts_ = std::move(all);
            return;
        }
        rowsettexts::keepRows(*wanted, fetched_.rows, all, keptRows_, keptTexts_);
    }
    RowSetTextViews(const RowSetTextViews&) = delete;
    RowSetTextViews& operator=(const RowSetTextViews&) = delete;

    const std::vector<int64_t>& rows() const { return *rows_; } // ascending
    const std::vector<std::string_view>& texts() const { return *texts_; }

  private:
    store::PackedGroupTexts ownBuffer_;
    CellTexts fetched_;
    std::vector<int64_t> keptRows_;
    std::vector<std::string_view> keptTexts_;
    const std::vector<int64_t>* rows_ = &keptRows_;
    const std::vector<std::string_view>* texts_ = &keptTexts_;
};
