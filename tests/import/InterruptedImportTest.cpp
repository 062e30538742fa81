// An import killed part-way, as the process of a user can die while a large file comes in: the workspace
// opens without a store error, passes SQLite's integrity check, and every row that a save had stored
// before the kill is there whole, each cell holding its text from the file.
#include "import/FileImporter.h"

#include "model/Model.h"
#include "tests/SaveInterruption.h"
#include "tests/import/SavingDelegate.h"
#include "tests/model/StoreFixture.h"

#include <fstream>

namespace {

using saveinterruption::Plan;
using saveinterruption::runChild;

constexpr int kCols = 6;

std::string text(int row, int col) {
    return "r" + std::to_string(row) + "c" + std::to_string(col);
}

using InterruptedImportTest = StoreTest;

TEST_F(InterruptedImportTest, RowsSavedBeforeTheKillAreWhole) {
    // The last 50 rows are stored by the save before the column analysis; the longer table's rows
    // cross records of cells, which are written when their run of rows is read.
    for (const int kRows : {3050, 8250}) {
        SCOPED_TRACE(kRows);
        {
            std::ofstream out(path("t.csv"), std::ios::binary);
            for (int c = 0; c < kCols; ++c)
                out << (c ? "," : "") << "v" << c;
            out << "\n";
            for (int r = 1; r <= kRows; ++r) {
                for (int c = 0; c < kCols; ++c)
                    out << (c ? "," : "") << text(r, c);
                out << "\n";
            }
        }
        const std::string file = path("W" + std::to_string(kRows) + ".ov");
        auto import = [&] {
            auto m = mainModel();
            m->openStore(file);
            SavingDelegate delegate(*m);
            FileImporter importer;
            importer.setModel(m.get());
            importer.setDelegate(&delegate);
            importer.createWorkspaceFromText(path("t.csv"), true, 0, U',', ".");
        };
        const auto dry = runChild(
            Plan{}, [] {}, import);
        ASSERT_FALSE(dry.failed);
        ASSERT_GT(dry.writes, 20u);

        const uint64_t w = dry.writes;
        const uint64_t points[] = {1, 2, w / 10, w / 3, w / 2, 2 * w / 3, 9 * w / 10, w - 1, w};
        for (uint64_t point : points) {
            SCOPED_TRACE(point);
            fs::remove(file);
            fs::remove(file + "-journal");
            const auto run = runChild(
                Plan{false, point, false, 0}, [] {}, import);
            ASSERT_TRUE(run.killed);

            alerts = 0;
            auto m = mainModel();
            m->openStore(file);
            EXPECT_EQ(alerts, 0);
            ASSERT_EQ(m->currentStore(), file);
            const uint64_t rows = m->countRows();
            EXPECT_TRUE(rows % 100 == 0 || rows == static_cast<uint64_t>(kRows)) << rows;
            auto columns = m->columns();
            if (rows > 0) {
                ASSERT_EQ(columns.size(), static_cast<size_t>(kCols));
            }
            for (const auto& column : columns) {
                const auto cells = m->cellsForColumn(*column, {{"rowNum", true}});
                ASSERT_EQ(cells.size(), rows) << column->name();
                for (size_t i = 0; i < cells.size(); ++i) {
                    ASSERT_EQ(cells[i]->rowNum(), static_cast<int64_t>(i + 1));
                    ASSERT_EQ(cells[i]->data(),
                              text(static_cast<int>(i + 1), static_cast<int>(column->num())));
                }
            }
            m->closeStores();
            sqlite3* db = nullptr;
            sqlite3_open(file.c_str(), &db);
            sqlite3_stmt* s = nullptr;
            sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr);
            ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
            EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "ok");
            sqlite3_finalize(s);
            sqlite3_close(db);
        }
    }
}

} // namespace
