// The import's write pattern through Model (a row of 50 cells per addRow, save and reset every 100
// rows, 100,000 rows) against a bare prepared-statement loop with the same commits into the same
// tables. Both write without sync, as an import does. Prints medians and their ratio (target <= 1.5).
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/Model.h"
#include "platform/store/Coordinator.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using benchtiming::seconds;

constexpr int kRows = 100000;
constexpr int kCols = 50;
constexpr int kBatch = 100;
constexpr int kRuns = 3;

// A third numbers, a third dates, a third words, as a typical imported table.
std::string cellText(int row, int col) {
    switch (col % 3) {
    case 0:
        return std::to_string(row * 7 % 1000) + "." + std::to_string(col);
    case 1: {
        char date[16];
        std::snprintf(date, sizeof date, "%02d/%02d/2021", 1 + row % 12, 10 + col % 10);
        return date;
    }
    default:
        return col % 2 ? std::string("yes") : std::string("category ") + std::to_string(row % 17);
    }
}

std::vector<std::vector<std::string>> makeRows() {
    std::vector<std::vector<std::string>> rows(kRows, std::vector<std::string>(kCols));
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            rows[static_cast<size_t>(r)][static_cast<size_t>(c)] = cellText(r + 1, c);
    return rows;
}

void throughModel(const std::string& file, const std::vector<std::vector<std::string>>& data) {
    const auto opened = benchworkspace::openModel(file);
    Model& m = *opened;
    m.setWritesWithoutSync(true);
    std::vector<std::string> names;
    for (int c = 0; c < kCols; ++c)
        names.push_back("Var" + std::to_string(c + 1));
    m.addColumns(names);
    auto columns = m.columns();
    for (int r = 1; r <= kRows; ++r) {
        m.addRow(static_cast<uint64_t>(r), data[static_cast<size_t>(r - 1)], columns);
        if (r % kBatch == 0) {
            m.saveContext();
            m.managedObjectContext()->reset();
            columns = m.columns();
        }
    }
    m.saveContext();
    m.setWritesWithoutSync(false);
}

void bare(const std::string& file, const std::vector<std::vector<std::string>>& data) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode = DELETE; PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    for (const auto& sql : store::createStatements(*Model::managedObjectModel()))
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* column = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO \"Column\" (\"name\", \"num\", \"order\", \"type\") VALUES (?, ?, ?, 0)",
                       -1, &column, nullptr);
    for (int c = 0; c < kCols; ++c) {
        std::string name = "Var" + std::to_string(c + 1);
        sqlite3_bind_text(column, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(column, 2, c);
        sqlite3_bind_int(column, 3, c);
        sqlite3_step(column);
        sqlite3_reset(column);
    }
    sqlite3_finalize(column);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_stmt* row = nullptr;
    sqlite3_stmt* cell = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO \"Row\" (\"num\") VALUES (?)", -1, &row, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO \"Cell\" (\"data\", \"colNum\", \"rowNum\") VALUES (?, ?, ?)", -1,
                       &cell, nullptr);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (int r = 1; r <= kRows; ++r) {
        sqlite3_bind_int(row, 1, r);
        sqlite3_step(row);
        sqlite3_reset(row);
        const auto& values = data[static_cast<size_t>(r - 1)];
        for (int c = 0; c < kCols; ++c) {
            const auto& v = values[static_cast<size_t>(c)];
            sqlite3_bind_text(cell, 1, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(cell, 2, c);
            sqlite3_bind_int(cell, 3, r);
            sqlite3_step(cell);
            sqlite3_reset(cell);
        }
        if (r % kBatch == 0) {
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        }
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(row);
    sqlite3_finalize(cell);
    sqlite3_close(db);
}

} // namespace

int main() {
    const auto data = makeRows();
    const benchfiles::ScratchFolder folder("import");
    const std::string file = folder.file("import.ov");
    std::vector<double> model, plain;
    for (int run = 0; run < kRuns; ++run) {
        fs::remove(file);
        model.push_back(seconds([&] { throughModel(file, data); }));
        const auto size = fs::file_size(file);
        fs::remove(file);
        plain.push_back(seconds([&] { bare(file, data); }));
        if (run == 0)
            std::printf("workspace file %.1f MB (Model), %.1f MB (bare)\n", static_cast<double>(size) / 1e6,
                        static_cast<double>(fs::file_size(file)) / 1e6);
    }
    std::sort(model.begin(), model.end());
    std::sort(plain.begin(), plain.end());
    const double m = model[kRuns / 2], b = plain[kRuns / 2];
    std::printf(
        "import writes %d rows x %d cells, save every %d rows, without sync: Model %.2f s, bare statements "
        "%.2f s, ratio %.2f (target <= 1.5)\n",
        kRows, kCols, kBatch, m, b, m / b);
    return m / b <= 1.5 ? 0 : 1;
}
