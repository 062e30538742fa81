// The same data as a workspace, as what a user could keep instead: a wide SQLite table of one SQL row
// per row and a text column per column, the baseline of the benchmarks that read rows.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace benchwide {

inline std::string quotedName(const std::string& name) {
    std::string out = "\"";
    for (char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// The workspace's cells as a wide table "wide" in a file of its own (rowNum, then a text column per
// column, named as the column); the SELECT of its text columns in the workspace's order, without a
// WHERE or ORDER BY clause.
inline std::string makeWideTable(const std::string& workspace, const std::string& wide) {
    std::filesystem::remove(wide);
    sqlite3* db = nullptr;
    sqlite3_open_v2(workspace.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, ("ATTACH " + std::string("'") + wide + "' AS wide").c_str(), nullptr, nullptr, nullptr);
    std::vector<std::pair<int64_t, std::string>> columns;
    sqlite3_stmt* names = nullptr;
    sqlite3_prepare_v2(db, "SELECT \"num\", \"name\" FROM \"Column\" ORDER BY \"order\"", -1, &names, nullptr);
    while (sqlite3_step(names) == SQLITE_ROW)
        columns.emplace_back(sqlite3_column_int64(names, 0), reinterpret_cast<const char*>(sqlite3_column_text(names, 1)));
    sqlite3_finalize(names);
    std::string create = "CREATE TABLE wide.\"wide\" (\"rowNum\" INTEGER PRIMARY KEY", select = "SELECT ",
                insert = "INSERT INTO wide.\"wide\" VALUES (?";
    for (size_t k = 0; k < columns.size(); ++k) {
        create += ", " + quotedName(columns[k].second) + " TEXT";
        select += (k ? ", " : "") + quotedName(columns[k].second);
        insert += ", ?";
    }
    sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *cells = nullptr, *row = nullptr;
    sqlite3_prepare_v2(db, "SELECT \"rowNum\", \"colNum\", \"data\" FROM \"Cell\" ORDER BY \"rowNum\", \"colNum\"", -1,
                       &cells, nullptr);
    sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &row, nullptr);
    int64_t current = -1;
    auto flush = [&] {
        if (current < 0)
            return;
        sqlite3_bind_int64(row, 1, current);
        sqlite3_step(row);
        sqlite3_reset(row);
        sqlite3_clear_bindings(row);
    };
    while (sqlite3_step(cells) == SQLITE_ROW) {
        const int64_t r = sqlite3_column_int64(cells, 0), c = sqlite3_column_int64(cells, 1);
        if (r != current) {
            flush();
            current = r;
        }
        for (size_t k = 0; k < columns.size(); ++k)
            if (columns[k].first == c)
                sqlite3_bind_value(row, int(k) + 2, sqlite3_column_value(cells, 2));
    }
    flush();
    sqlite3_finalize(cells);
    sqlite3_finalize(row);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return select + " FROM \"wide\"";
}

} // namespace benchwide
