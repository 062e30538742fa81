// Cells kept by column in records of consecutive rows: record boundaries, edits and deletions within
// and across records, unsaved edits, a failed save, the conversion of a workspace written one SQL row
// per cell, and the refusal of a newer workspace.
#include "StoreFixture.h"

#include "platform/foundation/Log.h"
#include "platform/store/FetchedResultsController.h"

#include <filesystem>
#include <set>

namespace {

std::string text(int row, int column) {
    return "r" + std::to_string(row) + "c" + std::to_string(column);
}

} // namespace

class PackedCellsTest : public StoreTest {
  protected:
    // Two columns of `rows` rows, saved.
    std::unique_ptr<Model> filled(const std::string& name, int rows) {
        auto m = mainModel();
        m->openStore(path(name));
        m->addColumns({"a", "b"});
        auto columns = m->columns();
        for (int r = 1; r <= rows; ++r)
            m->addRow(static_cast<uint64_t>(r), {text(r, 0), text(r, 1)}, columns);
        m->saveContext();
        return m;
    }

    static std::vector<std::string> columnTexts(Model& m, int64_t num) {
        std::vector<std::string> out;
        for (auto& c : m.cellsForColumn(*m.columnNumber(static_cast<uint64_t>(num)), {{"rowNum", true}}))
            out.push_back(std::to_string(*c->rowNum()) + ":" + c->data());
        return out;
    }
};

TEST_F(PackedCellsTest, RowsAtRecordBoundariesReadBackInPlace) {
    struct Case {
        int rows;
        std::vector<int> probes; // rows read one by one
    };
    const Case cases[] = {
        {1, {1}},
        {4095, {1, 4095}},
        {4096, {4095, 4096}},
        {4097, {4095, 4096, 4097}},
        {8193, {4096, 4097, 8191, 8192, 8193}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        const std::string file = "B" + std::to_string(c.rows) + ".ov";
        auto m = filled(file, c.rows);
        auto texts = columnTexts(*m, 1);
        ASSERT_EQ(texts.size(), static_cast<size_t>(c.rows));
        for (int r = 1; r <= c.rows; ++r)
            ASSERT_EQ(texts[static_cast<size_t>(r - 1)], std::to_string(r) + ":" + text(r, 1));
        for (int r : c.probes) {
            auto row = m->rowNumber(static_cast<uint64_t>(r));
            ASSERT_TRUE(row);
            auto cells = m->cellsForRow(*row, {{"colNum", true}});
            ASSERT_EQ(cells.size(), 2u) << r;
            EXPECT_EQ(cells[0]->data(), text(r, 0));
            EXPECT_EQ(cells[1]->data(), text(r, 1));
        }
        // Rows 1..4095 share the first record with the unused row 0; 4096 starts the next one.
        EXPECT_EQ(rawInt(path(file), "SELECT count(*) FROM \"CellRecords\" WHERE \"key\" = 0"), c.rows / 4096 + 1);
        EXPECT_EQ(rawInt(path(file), "SELECT count(*) FROM \"CellLoose\""), 0);
        EXPECT_EQ(alerts, 0);
    }
}

TEST_F(PackedCellsTest, DeletedRowsInsideAndAcrossRecordsLeaveTheOthers) {
    struct Case {
        const char* name;
        std::vector<int64_t> deleted;
    };
    const Case cases[] = {
        {"inside", {10, 11, 12}},
        {"last and first of two records", {4095, 4096}},
        {"a whole record", {}}, // rows 4096..8191, filled below
        {"every row", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = std::string("D") + c.name + ".ov";
        auto m = filled(file, 8200);
        std::vector<int64_t> deleted = c.deleted;
        if (std::string(c.name) == "a whole record")
            for (int64_t r = 4096; r < 8192; ++r)
                deleted.push_back(r);
        if (std::string(c.name) == "every row")
            for (int64_t r = 1; r <= 8200; ++r)
                deleted.push_back(r);
        m->managedObjectContext()->deleteObjects("Cell", "\"rowNum\" IN (SELECT value FROM json_each(?))",
                                                 {store::Value(store::jsonIntegers(deleted))});
        m->saveContext();
        auto again = mainModel();
        again->openStore(path(file));
        auto texts = columnTexts(*again, 0);
        std::vector<std::string> expected;
        std::set<int64_t> gone(deleted.begin(), deleted.end());
        for (int r = 1; r <= 8200; ++r)
            if (!gone.count(r))
                expected.push_back(std::to_string(r) + ":" + text(r, 0));
        EXPECT_EQ(texts, expected);
        EXPECT_EQ(rawInt(path(file), "SELECT count(*) FROM \"Cell\""), static_cast<long long>(2 * expected.size()));
        if (expected.empty()) {
            EXPECT_EQ(rawInt(path(file), "SELECT count(*) FROM \"CellRecords\""), 0) << "empty records go";
        }
        EXPECT_EQ(alerts, 0);
    }
}

TEST_F(PackedCellsTest, AColumnAddedToManyRowsIsWholeAndKeepsTheOthers) {
    constexpr int kRows = 100000;
    auto m = filled("Wide.ov", kRows);
    auto column = m->addEmptyColumn();
    ASSERT_TRUE(column);
    m->saveContext();
    auto cells = m->cellsForColumn(*column, {{"rowNum", true}});
    ASSERT_EQ(cells.size(), static_cast<size_t>(kRows));
    EXPECT_EQ(*cells.front()->rowNum(), 1);
    EXPECT_EQ(*cells.back()->rowNum(), kRows);
    EXPECT_EQ(rawInt(path("Wide.ov"), "SELECT count(*) FROM \"Cell\" WHERE \"colNum\" = 2 AND \"data\" = ''"), kRows);
    auto row = m->rowNumber(50000);
    auto across = m->cellsForRow(*row, {{"colNum", true}});
    ASSERT_EQ(across.size(), 3u);
    EXPECT_EQ(across[0]->data(), text(50000, 0));
    EXPECT_EQ(across[1]->data(), text(50000, 1));
    EXPECT_EQ(across[2]->data(), "");
    EXPECT_EQ(alerts, 0);
}

TEST_F(PackedCellsTest, AnUnsavedEditIsSeenByItsOwnContextOnlyUntilSaved) {
    auto m = filled("E.ov", 5000);
    auto other = mainModel();
    other->openStore(path("E.ov"));
    auto cell = m->cellsForColumn(*m->columnNumber(1), {}, std::vector<int64_t>{4096})[0];
    cell->setData("changed");
    EXPECT_EQ(m->cellsForColumn(*m->columnNumber(1), {}, std::vector<int64_t>{4096})[0]->data(), "changed");
    EXPECT_EQ(m->cellsForColumn(*m->columnNumber(1), {}, std::vector<int64_t>{4096})[0].get(), cell.get())
        << "one live object per cell";
    EXPECT_EQ(other->cellsForColumn(*other->columnNumber(1), {}, std::vector<int64_t>{4096})[0]->data(),
              text(4096, 1));
    m->saveContext();
    EXPECT_EQ(other->cellsForColumn(*other->columnNumber(1), {}, std::vector<int64_t>{4096})[0]->data(), "changed");
    EXPECT_EQ(columnTexts(*other, 1)[4094], "4095:" + text(4095, 1)) << "the record's other rows stay";
    EXPECT_EQ(alerts, 0);
}

TEST_F(PackedCellsTest, AnEditReachesItsCellWhereverItNowIs) {
    // The cell this context holds may have been moved by another one since it was read: to another row
    // of its record, to another record, to another column. The edit still reaches that cell, and only it.
    struct Case {
        const char* name;
        int64_t column, row; // where the other context puts the cell (column 1, row 4096 before)
    };
    const Case cases[] = {
        {"not moved", 1, 4096},
        {"same record", 1, 4100},
        {"another record", 1, 9000},
        {"another column", 0, 9001},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = std::string("M") + c.name + ".ov";
        auto m = filled(file, 8200);
        auto cell = m->cellsForColumn(*m->columnNumber(1), {}, std::vector<int64_t>{4096})[0];
        auto other = mainModel();
        other->openStore(path(file));
        auto moved = other->cellsForColumn(*other->columnNumber(1), {}, std::vector<int64_t>{4096})[0];
        moved->setColNum(c.column);
        moved->setRowNum(c.row);
        other->saveContext();
        cell->setData("edited");
        m->saveContext();
        EXPECT_EQ(rawRows(path(file), "SELECT \"colNum\" || ':' || \"rowNum\" FROM \"Cell\" WHERE \"data\" = 'edited'"),
                  std::vector<std::string>{std::to_string(c.column) + ":" + std::to_string(c.row)});
        EXPECT_EQ(rawInt(path(file), "SELECT count(*) FROM \"Cell\""), 2 * 8200);
        EXPECT_EQ(alerts, 0);
    }
}

TEST_F(PackedCellsTest, AnEditWhoseSaveFailedIsWrittenByTheNextSave) {
    auto m = filled("F.ov", 3000);
    ASSERT_FALSE(m->managedObjectContext()->execute("PRAGMA max_page_count = 1"));
    auto cells = m->cellsForColumn(*m->columnNumber(0), {{"rowNum", true}});
    cells[0]->setData(std::string(20000, 'x')); // the record no longer fits its pages
    cells[2999]->setData("last");
    m->saveContext();
    EXPECT_EQ(alerts, 1);
    EXPECT_EQ(rawRows(path("F.ov"), "SELECT \"data\" FROM \"Cell\" WHERE \"colNum\" = 0 AND \"rowNum\" = 3000"),
              std::vector<std::string>{text(3000, 0)});
    ASSERT_FALSE(m->managedObjectContext()->execute("PRAGMA max_page_count = 1073741823"));
    cells[1]->setData("second");
    m->saveContext();
    EXPECT_EQ(alerts, 1);
    EXPECT_EQ(rawRows(path("F.ov"), "SELECT \"data\" FROM \"Cell\" WHERE \"colNum\" = 0 AND \"rowNum\" IN (1, 2, 3000) "
                                    "ORDER BY \"rowNum\""),
              (std::vector<std::string>{std::string(20000, 'x'), "second", "last"}));
}

TEST_F(PackedCellsTest, AWorkspaceOfOneRowPerCellIsConvertedWithEverythingKept) {
    const std::string file = path("Present.ov");
    fs::copy_file("tests/fixtures/workspace/present-layout.ov", file);
    const char* dumps[] = {
        "SELECT \"id\", \"data\", \"colNum\", \"rowNum\", \"row\", \"column\" FROM \"Cell\" ORDER BY \"id\"",
        "SELECT * FROM \"Column\" ORDER BY \"id\"",
        "SELECT * FROM \"Row\" ORDER BY \"id\"",
        "SELECT * FROM \"Analysis\" ORDER BY \"id\"",
        "SELECT * FROM \"WhereClause\" ORDER BY \"id\"",
        "SELECT * FROM \"AnalysisColumns\" ORDER BY 1, 2",
        "SELECT * FROM \"Metadata\" ORDER BY \"id\"",
    };
    std::vector<std::vector<std::string>> before;
    for (const char* sql : dumps)
        before.push_back(rawRows(file, sql));
    ASSERT_EQ(before[0].size(), 60u);
    ASSERT_EQ(rawInt(file, "PRAGMA user_version"), 1);

    auto m = mainModel();
    m->openStore(file);
    ASSERT_EQ(m->currentStore(), file);
    EXPECT_EQ(alerts, 0);
    EXPECT_FALSE(fs::exists(file + "-packing"));
    EXPECT_EQ(rawInt(file, "PRAGMA user_version"), 2);
    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM sqlite_schema WHERE name = 'Cell'"), 0);
    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM \"CellLoose\""), 0);
    for (size_t i = 0; i < std::size(dumps); ++i)
        EXPECT_EQ(rawRows(file, dumps[i]), before[i]) << dumps[i];

    // Through the model: the edited cell, the analysis and its two filters.
    auto note = m->cellsForColumn(*m->columnNumber(4), {{"rowNum", true}});
    ASSERT_EQ(note.size(), 10u);
    EXPECT_EQ(note[1]->data(), "edited");
    EXPECT_EQ(note[3]->data(), "quote \"q\"");
    auto analyses = m->analyses();
    ASSERT_EQ(analyses.size(), 1u);
    EXPECT_EQ(m->rowsWhereClauses(analyses[0]->wheres()), (std::vector<int64_t>{3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(m->rowsWhereClauses(analyses[0]->wheres2()), (std::vector<int64_t>{1, 2, 3, 5, 6, 9, 10}));
    m->closeStores();

    // Opened again, nothing is converted twice.
    auto again = mainModel();
    again->openStore(file);
    EXPECT_EQ(rawRows(file, dumps[0]), before[0]);
    EXPECT_EQ(alerts, 0);
}

TEST_F(PackedCellsTest, AConversionThatCannotWriteLeavesTheOldFileAsItWas) {
    const std::string file = path("Present.ov");
    fs::copy_file("tests/fixtures/workspace/present-layout.ov", file);
    const std::string bytes = readFile(file);
    // The new file's place is taken by a folder with something in it.
    fs::create_directories(file + "-packing/inside");
    auto m = mainModel();
    m->openStore(file);
    EXPECT_FALSE(m->currentStore());
    EXPECT_EQ(alerts, 1);
    EXPECT_EQ(readFile(file), bytes);
    fs::remove_all(file + "-packing");

    // A half-written file left by an interrupted conversion is replaced.
    {
        std::ofstream half(file + "-packing", std::ios::binary);
        half << "SQLite format 3" << std::string(200, '\0');
    }
    auto again = mainModel();
    again->openStore(file);
    EXPECT_EQ(again->currentStore(), file);
    EXPECT_EQ(again->countRows(), 10u);
    EXPECT_FALSE(fs::exists(file + "-packing"));
    EXPECT_EQ(alerts, 1);
}

TEST_F(PackedCellsTest, AWorkspaceOfANewerReleaseIsRefusedAndLeftAlone) {
    const std::string file = path("Newer.ov");
    {
        auto m = filled("Newer.ov", 3);
        m->closeStores();
    }
    rawSql(file, "PRAGMA user_version = 3");
    const std::string bytes = readFile(file);
    auto m = mainModel();
    foundation::LogCapture log;
    m->openStore(file);
    EXPECT_FALSE(m->currentStore());
    EXPECT_EQ(alerts, 1);
    EXPECT_TRUE(log.contains("newer release"));
    EXPECT_EQ(readFile(file), bytes);
}
