// Reading every cell of one 100,000-row column through Model (Cell objects in row order) against a
// bare SELECT of the same rows into plain records of the same fields (the target, <= 1.5), and, for
// reference, against a SELECT of the texts alone.
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/Model.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using benchtiming::seconds;

constexpr int kRows = 100000;
constexpr int kCols = 10;
constexpr int kRuns = 21;

using benchworkspace::openModel;

void makeWorkspace(const std::string& file) {
    auto m = openModel(file);
    benchworkspace::writeRows(
        *m, benchworkspace::numberedNames(kCols), kRows,
        [](int64_t r) {
            std::vector<std::string> data(kCols);
            for (int c = 0; c < kCols; ++c)
                data[size_t(c)] = std::to_string(r * (c + 3) % 9973) + "." + std::to_string(c);
            return data;
        },
        100);
}

} // namespace

int main() {
    const benchfiles::ScratchFolder folder("read");
    const std::string file = folder.file("read.ov");
    makeWorkspace(file);

    auto model = openModel(file);
    auto column = model->columnNumber(4);
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT \"data\" FROM \"Cell\" WHERE \"colNum\" = ? ORDER BY \"rowNum\"", -1,
                       &select, nullptr);
    sqlite3_stmt* records = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT \"id\", \"data\", \"colNum\", \"rowNum\", \"row\", \"column\" FROM \"Cell\" "
                       "WHERE \"colNum\" = ? ORDER BY \"rowNum\"",
                       -1, &records, nullptr);
    struct Record {
        int64_t id;
        std::string data;
        std::optional<int64_t> colNum, rowNum, row, column;
    };
    auto optionalInt = [](sqlite3_stmt* s, int i) -> std::optional<int64_t> {
        if (sqlite3_column_type(s, i) == SQLITE_NULL)
            return std::nullopt;
        return sqlite3_column_int64(s, i);
    };

    size_t sink = 0;
    std::vector<double> throughModel, bare, bareRecords;
    for (int run = 0; run < kRuns; ++run) {
        throughModel.push_back(seconds([&] {
            auto cells = model->cellsForColumn(*column, {{"rowNum", true}});
            for (const auto& c : cells)
                sink += c->data().size();
        }));
        bare.push_back(seconds([&] {
            std::vector<std::string> texts;
            sqlite3_bind_int(select, 1, 4);
            while (sqlite3_step(select) == SQLITE_ROW)
                texts.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)),
                                   static_cast<size_t>(sqlite3_column_bytes(select, 0)));
            sqlite3_reset(select);
            for (const auto& t : texts)
                sink += t.size();
        }));
        bareRecords.push_back(seconds([&] {
            std::vector<Record> rows;
            sqlite3_bind_int(records, 1, 4);
            while (sqlite3_step(records) == SQLITE_ROW)
                rows.push_back({sqlite3_column_int64(records, 0),
                                std::string(reinterpret_cast<const char*>(sqlite3_column_text(records, 1)),
                                            static_cast<size_t>(sqlite3_column_bytes(records, 1))),
                                optionalInt(records, 2), optionalInt(records, 3), optionalInt(records, 4),
                                optionalInt(records, 5)});
            sqlite3_reset(records);
            for (const auto& r : rows)
                sink += r.data.size();
        }));
    }
    sqlite3_finalize(records);
    sqlite3_finalize(select);
    sqlite3_close(db);
    model.reset();

    std::sort(throughModel.begin(), throughModel.end());
    std::sort(bare.begin(), bare.end());
    std::sort(bareRecords.begin(), bareRecords.end());
    const double m = throughModel[kRuns / 2], b = bare[kRuns / 2], r = bareRecords[kRuns / 2];
    std::printf(
        "read one column of %d rows (of %d columns): Model %.2f ms, bare SELECT of the cell records %.2f ms, "
        "ratio %.2f (target <= 1.5); bare SELECT of the texts alone %.2f ms, ratio %.2f\n",
        kRows, kCols, m * 1e3, r * 1e3, m / r, b * 1e3, m / b);
    return sink > 0 && m / r <= 1.5 ? 0 : 1;
}
