// The workspace file's layout: slot numbers of the entity classes, the tables a user sees in any
// SQLite tool, and a column's cells read as its own records, already in row order.
#include "StoreFixture.h"

TEST(WorkspaceSchema, EntitySlotsMatchTheirColumns) {
    auto schema = workspaceSchema();
    struct Case {
        const char* entity;
        const char* column;
        int slot;
        int count;
    };
    const Case cases[] = {
        {"Row", "num", Row::kNum, 1},
        {"Column", "name", Column::kName, 23},
        {"Column", "order", Column::kOrder, 23},
        {"Column", "levelsDate", Column::kLevelsDate, 23},
        {"Column", "min", Column::kMin, 23},
        {"Column", "pc75", Column::kPc75, 23},
        {"Column", "pc75Date", Column::kPc75Date, 23},
        {"Cell", "data", Cell::kData, 5},
        {"Cell", "rowNum", Cell::kRowNum, 5},
        {"Cell", "column", Cell::kColumn, 5},
        {"Analysis", "expected", Analysis::kExpected, 16},
        {"Analysis", "twoWayPercDisplay", Analysis::kTwoWayPercDisplay, 16},
        {"Analysis", "right", Analysis::kRight, 16},
        {"WhereClause", "levels", WhereClause::kLevels, 6},
        {"WhereClause", "where2OfAnalysis", WhereClause::kWhere2OfAnalysis, 6},
        {"Metadata", "value", Metadata::kValue, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.entity) + "." + c.column);
        const auto* e = schema->entity(c.entity);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->slot(c.column), c.slot);
        EXPECT_EQ(e->slotCount(), c.count);
    }
}

TEST_F(StoreTest, ColumnScanReadsTheColumnsRecordsInRowOrder) {
    auto m = mainModel();
    m->openStore(path("Plan.ov"));
    fill(*m, 3);
    sqlite3* db = nullptr;
    sqlite3_open(path("Plan.ov").c_str(), &db);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(
                  db, "EXPLAIN QUERY PLAN SELECT * FROM \"Cell\" WHERE \"colNum\" = 1 ORDER BY \"rowNum\"",
                  -1, &s, nullptr),
              SQLITE_OK);
    std::string plan;
    while (sqlite3_step(s) == SQLITE_ROW)
        plan += std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 3))) + "\n";
    sqlite3_finalize(s);
    sqlite3_close(db);
    EXPECT_NE(plan.find("VIRTUAL TABLE INDEX"), std::string::npos) << plan;
    EXPECT_NE(plan.find(":k"), std::string::npos) << plan << "the column's records by key";
    EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan;
    EXPECT_EQ(rawInt(path("Plan.ov"), "SELECT count(*) FROM \"CellRecords\" WHERE \"key\" = 1"), 1);
    EXPECT_EQ(rawInt(path("Plan.ov"), "SELECT count(*) FROM \"CellLoose\""), 0);

    for (const char* table :
         {"Row", "Column", "Cell", "CellRecords", "CellLoose", "Analysis", "WhereClause", "Metadata",
          "AnalysisColumns"})
        EXPECT_GE(rawInt(path("Plan.ov"), std::string("SELECT count(*) FROM \"") + table + "\""), 0) << table;
    EXPECT_EQ(rawInt(path("Plan.ov"), "SELECT count(*) FROM \"Cell\" WHERE \"colNum\" = 2"), 3);
}
