// The store layer's own pieces: the uniquing table, the text-set encoding, and the coordinator's
// refusal of files it must not touch, on a small schema of its own.
#include "platform/store/Context.h"
#include "platform/store/Coordinator.h"
#include "platform/store/IdMap.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace fs = std::filesystem;

TEST(IdMap, AgreesWithAnOrderedMapUnderRandomPutsAndErases) {
    store::IdMap map;
    std::map<int64_t, store::ManagedObject*> reference;
    std::mt19937_64 rng(7);
    // Fake object addresses: the table only compares them.
    auto object = [](int64_t k) {
        return reinterpret_cast<store::ManagedObject*>(static_cast<uintptr_t>(k * 16));
    };
    for (int step = 0; step < 200000; ++step) {
        int64_t id = 1 + static_cast<int64_t>(rng() % 5000) * 7; // clustered ids, as rows of one column
        switch (rng() % 3) {
        case 0:
        case 1:
            map.put(id, object(id + step % 3));
            reference[id] = object(id + step % 3);
            break;
        default:
            if (auto it = reference.find(id); it != reference.end()) {
                map.erase(id, object(id + 99)); // another object's entry is left alone
                ASSERT_EQ(map.find(id), it->second);
                map.erase(id, it->second);
                reference.erase(it);
            }
        }
        if (step % 997 == 0) {
            ASSERT_EQ(map.size(), reference.size());
            for (const auto& [k, v] : reference)
                ASSERT_EQ(map.find(k), v) << k;
            ASSERT_EQ(map.find(4), nullptr);
        }
    }
    size_t seen = 0;
    map.forEach([&](int64_t k, store::ManagedObject* v) {
        ++seen;
        EXPECT_EQ(reference.at(k), v);
    });
    EXPECT_EQ(seen, reference.size());
}

TEST(TextSet, RoundTripsAndReadsWhatSqlWrites) {
    const std::vector<std::vector<std::string>> sets = {
        {},
        {"a"},
        {"b", "a", "b"},
        {"quote \" in", "back\\slash", "line\nbreak", "tab\there", "\x01 control"},
        {"ünïcödé", "日本", "😀"},
        {""},
    };
    for (const auto& set : sets) {
        auto expected = set;
        std::sort(expected.begin(), expected.end());
        expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
        EXPECT_EQ(store::decodeTextSet(store::encodeTextSet(set)), expected);
    }
    // What SQLite's own JSON functions write (a user may edit the file with them).
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(
        db, "SELECT json_array('x\"y', 'é', char(10), 'a\\b'), json('[\"\\ud83d\\ude00\", \"\\u00e9\"]')", -1,
        &s, nullptr);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(store::decodeTextSet(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))),
              (std::vector<std::string>{"x\"y", "é", "\n", "a\\b"}));
    EXPECT_EQ(store::decodeTextSet(reinterpret_cast<const char*>(sqlite3_column_text(s, 1))),
              (std::vector<std::string>{"😀", "é"}));
    sqlite3_finalize(s);
    sqlite3_close(db);
    EXPECT_TRUE(store::decodeTextSet("not json").empty());
    EXPECT_EQ(store::decodeTextSet("[\"cut"), std::vector<std::string>{});
}

class CoordinatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ovrida-coord-XXXXXX").string();
        folder = mkdtemp(pattern.data());
        auto s = std::make_shared<store::Schema>();
        s->version = 2;
        s->entities = {{"Note",
                        {{"text", store::AttributeType::Text}, {"n", store::AttributeType::Integer}},
                        {},
                        {},
                        {},
                        {},
                        std::nullopt}};
        schema = s;
    }
    void TearDown() override { fs::remove_all(folder); }
    static std::string read(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void sql(const std::string& file, const char* text) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        ASSERT_EQ(sqlite3_exec(db, text, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    std::string folder;
    std::shared_ptr<const store::Schema> schema;
};

TEST_F(CoordinatorTest, RefusesNewerAndForeignFilesWithoutWriting) {
    struct Case {
        const char* name;
        const char* sql;
        int code;
    };
    const Case cases[] = {
        {"newer.db", "CREATE TABLE \"Note\" (\"id\" INTEGER PRIMARY KEY); PRAGMA user_version = 3;",
         store::Error::newerWorkspace},
        {"foreign.db", "CREATE TABLE t (x); PRAGMA user_version = 0;", store::Error::notAWorkspace},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = folder + "/" + c.name;
        sql(file, c.sql);
        std::string before = read(file);
        store::Coordinator coordinator(schema);
        auto error = coordinator.addStore(file);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code, c.code);
        EXPECT_FALSE(coordinator.firstStore());
        EXPECT_EQ(read(file), before);
    }
}

TEST_F(CoordinatorTest, AddsMissingColumnsToAnOlderFileAndKeepsItsRows) {
    std::string file = folder + "/old.db";
    sql(file, "CREATE TABLE \"Note\" (\"id\" INTEGER PRIMARY KEY, \"text\" TEXT); INSERT INTO \"Note\" "
              "VALUES (1, 'kept');"
              "PRAGMA user_version = 1;");
    auto coordinator = std::make_shared<store::Coordinator>(schema);
    ASSERT_FALSE(coordinator->addStore(file));
    store::Context context(coordinator);
    auto notes = context.executeFetchRequest({"Note", "", {}, {}, 0});
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(store::asText(notes[0]->value("text")), "kept");
    EXPECT_TRUE(store::isNull(notes[0]->value("n")));
    EXPECT_TRUE(notes[0]->setValue("n", store::Value(int64_t(5))));
    EXPECT_FALSE(context.save());

    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT \"n\", (SELECT user_version FROM pragma_user_version) FROM \"Note\"", -1,
                       &s, nullptr);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(s, 0), 5);
    EXPECT_EQ(sqlite3_column_int(s, 1), 2);
    sqlite3_finalize(s);
    sqlite3_close(db);
}

TEST_F(CoordinatorTest, ContextWithoutStoreRefusesQuietly) {
    auto coordinator = std::make_shared<store::Coordinator>(schema);
    store::Context context(coordinator);
    EXPECT_FALSE(context.hasStore());
    EXPECT_FALSE(context.insertNewObject("Note"));
    EXPECT_TRUE(context.executeFetchRequest({"Note", "", {}, {}, 0}).empty());
    EXPECT_FALSE(context.hasChanges());
    EXPECT_FALSE(context.save());
}

TEST_F(CoordinatorTest, RowsWrittenWithTheSameSlotsInAnotherOrderKeepEachValueInItsColumn) {
    std::string file = folder + "/order.db";
    auto coordinator = std::make_shared<store::Coordinator>(schema);
    ASSERT_FALSE(coordinator->addStore(file));
    store::Context context(coordinator);
    // Slots: 0 "text", 1 "n".
    context.insertRow(0, {0, 1}, {store::Value(std::string("first")), store::Value(int64_t(1))});
    context.insertRow(0, {1, 0}, {store::Value(int64_t(2)), store::Value(std::string("second"))});
    context.insertRows(0, {1, 0},
                       {store::Value(int64_t(3)), store::Value(std::string("third")),
                        store::Value(int64_t(4)), store::Value(std::string("fourth"))});
    context.insertRows(0, {0, 1}, {store::Value(std::string("fifth")), store::Value(int64_t(5))});
    ASSERT_FALSE(context.save());
    std::map<std::string, int64_t> seen;
    for (const auto& note : context.executeFetchRequest({"Note", "", {}, {}, 0}))
        seen[store::asText(note->value("text")).value_or("?")] = store::asInt(note->value("n")).value_or(-1);
    const std::map<std::string, int64_t> expected{
        {"first", 1}, {"second", 2}, {"third", 3}, {"fourth", 4}, {"fifth", 5}};
    EXPECT_EQ(seen, expected);
}
