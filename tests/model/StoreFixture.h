// Shared set-up of the workspace store tests: a fresh folder per test, a main-thread Model built the
// way the shared one is, background Models on its coordinator, and a counter on the store-error hook.
#pragma once

#include "model/Model.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ovrida-store-XXXXXX").string();
        folder = mkdtemp(pattern.data());
        alerts = 0;
        Model::setStoreErrorHandler([this] { ++alerts; });
    }
    void TearDown() override {
        Model::setStoreErrorHandler(nullptr);
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    std::string path(const std::string& name) const { return (fs::path(folder) / name).string(); }

    // A Model as sharedModel builds it: its own coordinator and context.
    static std::unique_ptr<Model> mainModel() {
        auto m = std::make_unique<Model>();
        m->setPersistentStoreCoordinator(std::make_shared<store::Coordinator>(Model::managedObjectModel()));
        m->setManagedObjectContext(std::make_shared<store::Context>(m->persistentStoreCoordinator()));
        return m;
    }
    // The background pattern: the shared coordinator, a context of its own.
    static std::unique_ptr<Model> backgroundModel(const Model& shared) {
        auto m = std::make_unique<Model>();
        m->setPersistentStoreCoordinator(shared.persistentStoreCoordinator());
        m->setManagedObjectContext(std::make_shared<store::Context>(shared.persistentStoreCoordinator()));
        return m;
    }

    static std::string readFile(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Runs SQL on a raw connection of the test's own, outside the store layer.
    static void rawSql(const std::string& file, const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        char* message = nullptr;
        int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
        EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "") << " in " << sql;
        sqlite3_free(message);
        sqlite3_close(db);
    }
    static long long rawInt(const std::string& file, const std::string& sql) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_stmt* s = nullptr;
        long long v = -1;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            v = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
        sqlite3_close(db);
        return v;
    }

    // A small workspace: columns a, b, c and `rows` rows whose cells read "r<row>c<col>".
    static void fill(Model& m, int rows) {
        m.addColumns({"a", "b", "c"});
        auto columns = m.columns();
        for (int r = 1; r <= rows; ++r) {
            std::string n = std::to_string(r);
            m.addRow(static_cast<uint64_t>(r), {"r" + n + "c0", "r" + n + "c1", "r" + n + "c2"}, columns);
        }
        m.saveContext();
    }

    std::string folder;
    std::atomic<int> alerts{0};
};

// Every row of a query on a raw connection of the test's own (after `setup`, where given), each row
// its values joined by "|", null as "∅"; with `quoted`, each value but null in single quotes, so that
// no text reads as parts of others. A query that cannot run fails the test.
inline std::vector<std::string> rawRows(const std::string& file, const std::string& sql,
                                        const std::string& setup = "", bool quoted = false) {
    std::vector<std::string> out;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK) << file;
    if (!setup.empty()) {
        EXPECT_EQ(sqlite3_exec(db, setup.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db) << " in " << setup;
    }
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
    while (s && sqlite3_step(s) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
            row += c ? "|" : "";
            row += !t ? std::string("∅") : quoted ? "'" + std::string(t) + "'" : std::string(t);
        }
        out.push_back(row);
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

// A workspace whose column k (named "v<k>") holds texts[k] from row 1 down ("" below its last text),
// saved; its columns.
inline std::vector<std::shared_ptr<Column>> workspaceOf(Model& m,
                                                        const std::vector<std::vector<std::string>>& texts) {
    std::vector<std::string> names;
    size_t rows = 0;
    for (size_t k = 0; k < texts.size(); ++k) {
        names.push_back("v" + std::to_string(k));
        rows = std::max(rows, texts[k].size());
    }
    m.addColumns(names);
    auto columns = m.columns();
    for (size_t r = 0; r < rows; ++r) {
        std::vector<std::string> data;
        for (const auto& column : texts)
            data.push_back(r < column.size() ? column[r] : "");
        m.addRow(r + 1, data, columns);
    }
    m.saveContext();
    return m.columns();
}
