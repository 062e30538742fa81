// The same data as a workspace, as what a user could keep instead: a wide SQLite table of one SQL row
// per row and a text column per column, the baseline of the benchmarks that read rows.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
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
// Runs one statement or stops the benchmark with SQLite's message: a baseline that silently failed
// to build would measure nothing.
inline void check(sqlite3* db, int rc, const std::string& what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error("wide table: " + what + ": " + sqlite3_errmsg(db));
}

inline sqlite3_stmt* prepared(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), sql);
    return s;
}

// The workspace's cells as a wide table "wide" in a file of its own (rowNum, then a text column per
// column, c1, c2, ... in the workspace's column order, since column names need not be unique or differ
// from "rowNum"); the SELECT of its text columns in that order, without a WHERE or ORDER BY clause.
inline std::string makeWideTable(const std::string& workspace, const std::string& wide) {
    std::filesystem::remove(wide);
    if (!std::filesystem::is_regular_file(workspace))
        throw std::runtime_error("wide table: no workspace at " + workspace);
    // ATTACH opens its file with the connection's own flags, and the wide table's file is new: the
    // connection must be allowed to create.
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(workspace.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        throw std::runtime_error("wide table: cannot open " + workspace);
    auto exec = [&](const std::string& sql) { check(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), sql); };
    exec("ATTACH '" + wide + "' AS wide");
    std::vector<int64_t> columns;
    sqlite3_stmt* names = prepared(db, "SELECT \"num\" FROM \"Column\" ORDER BY \"order\"");
    while (sqlite3_step(names) == SQLITE_ROW)
        columns.push_back(sqlite3_column_int64(names, 0));
    sqlite3_finalize(names);
    std::string create = "CREATE TABLE wide.\"wide\" (\"rowNum\" INTEGER PRIMARY KEY", select = "SELECT ",
                insert = "INSERT INTO wide.\"wide\" VALUES (?";
    for (size_t k = 0; k < columns.size(); ++k) {
        const std::string name = "c" + std::to_string(k + 1);
        create += ", " + name + " TEXT";
        select += (k ? ", " : "") + name;
        insert += ", ?";
    }
    exec(create + ")");
    exec("BEGIN");
    sqlite3_stmt* cells = prepared(db, "SELECT \"rowNum\", \"colNum\", \"data\" FROM \"Cell\" ORDER BY \"rowNum\", \"colNum\"");
    sqlite3_stmt* row = prepared(db, insert + ")");
    int64_t current = -1;
    auto flush = [&] {
        if (current < 0)
            return;
        sqlite3_bind_int64(row, 1, current);
        check(db, sqlite3_step(row), "insert of row " + std::to_string(current));
        sqlite3_reset(row);
        sqlite3_clear_bindings(row);
    };
    int rc;
    while ((rc = sqlite3_step(cells)) == SQLITE_ROW) {
        const int64_t r = sqlite3_column_int64(cells, 0), c = sqlite3_column_int64(cells, 1);
        if (r != current) {
            flush();
            current = r;
        }
        for (size_t k = 0; k < columns.size(); ++k)
            if (columns[k] == c)
                sqlite3_bind_value(row, int(k) + 2, sqlite3_column_value(cells, 2));
    }
    check(db, rc, "reading the cells");
    flush();
    sqlite3_finalize(cells);
    sqlite3_finalize(row);
    exec("COMMIT");
    sqlite3_close(db);
    return select + " FROM \"wide\"";
}

} // namespace benchwide
