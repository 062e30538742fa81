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

// Through SQL, for a column with cells kept outside its records.
inline CellTexts fetchedColumnCellTexts(store::Context& context, int64_t colNum) {
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

inline CellTexts columnCellTexts(store::Context& context, int64_t colNum) {
    // Straight from the column's records, when it has no cell kept otherwise.
    store::PackedGroupTexts read;
    if (context.readPackedGroupTexts("Cell", colNum, true, read)) {
        CellTexts out;
        out.rows = std::move(read.positions);
        out.texts.assign(read.texts.begin(), read.texts.end());
        return out;
    }
    return fetchedColumnCellTexts(context, colNum);
}
