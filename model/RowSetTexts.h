// A column's cell texts restricted to a row set, in ascending row number: the one read that the
// analysis computations make of a column.
#pragma once

#include "model/CellTexts.h"

#include <algorithm>
#include <optional>

// rows: nothing for every row, an empty list for none, in any order.
inline CellTexts cellTextsForRows(store::Context& context, int64_t colNum,
                                  const std::optional<std::vector<int64_t>>& rows) {
    if (rows && rows->empty())
        return {};
    CellTexts all = columnCellTexts(context, colNum);
    if (!rows)
        return all;
    std::vector<int64_t> wanted(*rows);
    std::sort(wanted.begin(), wanted.end());
    CellTexts out;
    out.rows.reserve(std::min(wanted.size(), all.rows.size()));
    out.texts.reserve(out.rows.capacity());
    // Both lists ascend: one merge instead of a search per cell.
    size_t w = 0;
    for (size_t i = 0; i < all.rows.size() && w < wanted.size(); ++i) {
        while (w < wanted.size() && wanted[w] < all.rows[i])
            ++w;
        if (w < wanted.size() && wanted[w] == all.rows[i]) {
            out.rows.push_back(all.rows[i]);
            out.texts.push_back(std::move(all.texts[i]));
        }
    }
    return out;
}
