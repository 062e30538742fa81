// A column's cells read as plain (row number, text) pairs, without making stored objects: the
// filters and derived columns go over whole columns and need nothing else of a cell.
#pragma once

#include "platform/store/Context.h"

#include <cstdint>
#include <string>
#include <vector>

struct CellTexts {
    std::vector<int64_t> rows; // ascending
    std::vector<std::string> texts;
};

inline CellTexts columnCellTexts(store::Context& context, int64_t colNum) {
    {
        // Straight from the column's records, when it has no cell kept otherwise.
        CellTexts out;
        if (context.readPackedGroup("Cell", colNum, [&](int64_t row, std::optional<std::string_view> text) {
                out.rows.push_back(row);
                out.texts.emplace_back(text.value_or(std::string_view()));
            }))
            return out;
    }
    // Two one-column reads in the same order; the (colNum, rowNum) index gives that order for free.
    store::FetchRequest r{"Cell",
                          "\"colNum\" = ? AND \"rowNum\" IS NOT NULL",
                          {store::Value(colNum)},
                          {{"rowNum", true}, {"id", true}},
                          0};
    for (int attempt = 0; attempt < 3; ++attempt) {
        CellTexts out;
        for (auto& v : context.fetchValues(r, "rowNum", false))
            out.rows.push_back(store::asInt(v).value_or(0));
        auto texts = context.fetchValues(r, "data", false);
        // Another connection may have committed between the two reads; read again then.
        if (texts.size() != out.rows.size())
            continue;
        out.texts.reserve(texts.size());
        for (auto& v : texts)
            out.texts.push_back(store::asText(v).value_or(""));
        return out;
    }
    return {};
}
