// A process killed while it saves a workspace leaves a file that opens without a store error, passes
// SQLite's integrity check and holds exactly the state before the save or exactly the state after it,
// wherever in the save the kill came.
#include "StoreFixture.h"

#include "tests/SaveInterruption.h"

#include <sstream>

namespace {

using saveinterruption::Plan;
using saveinterruption::runChild;

constexpr int kOldRows = 1500;

// Everything a user sees of the table: columns in order with their names, and every cell by row.
std::string digest(Model& m) {
    std::ostringstream out;
    out << m.countRows() << " rows\n";
    for (const auto& column : m.columns()) {
        out << column->num() << ":" << column->order() << ":" << column->name() << "\n";
        for (const auto& cell : m.cellsForColumn(*column, {{"rowNum", true}}))
            out << cell->rowNum().value_or(-1) << "=" << cell->data() << "\n";
    }
    return out.str();
}

std::string integrity(const std::string& file) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt* s = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK)
        while (sqlite3_step(s) == SQLITE_ROW)
            out += reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return out;
}

class InterruptedSaveTest : public StoreTest {
  protected:
    // The state before: three columns of kOldRows rows, saved and closed.
    void makeOld() {
        auto m = mainModel();
        m->openStore(pristine());
        fill(*m, kOldRows);
        m->closeStores();
    }
    std::string pristine() const { return path("Pristine.ov"); }
    std::string work() const { return path("Work.ov"); }
    void restore() {
        fs::remove(work());
        fs::remove(work() + "-journal");
        fs::copy_file(pristine(), work());
    }

    // The save that is interrupted: many new rows that make the file grow, an edit of an old cell in
    // every column, a renamed column and a new empty column, all in one save.
    void bigSave() {
        auto m = mainModel();
        m->openStore(work());
        auto columns = m->columns();
        for (int r = kOldRows + 1; r <= kOldRows + 6000; ++r) {
            std::string n = std::to_string(r);
            m->addRow(static_cast<uint64_t>(r), {"new" + n, n, std::string(40, 'x')}, columns);
        }
        for (const auto& column : columns)
            m->cellsForColumn(*column, {}, std::vector<int64_t>{7})[0]->setData("edited");
        columns[1]->setName("renamed");
        m->addEmptyColumn();
        m->saveContext();
    }

    // Opens the file as the app does after the kill and answers its digest; the file must open cleanly.
    std::string reopen() {
        alerts = 0;
        auto m = mainModel();
        m->openStore(work());
        EXPECT_EQ(alerts, 0);
        EXPECT_EQ(m->currentStore(), work());
        std::string d = digest(*m);
        m->closeStores();
        EXPECT_EQ(integrity(work()), "ok");
        return d;
    }
};

TEST_F(InterruptedSaveTest, AKilledSaveLeavesTheOldOrTheNewState) {
    makeOld();
    restore();
    const std::string before = reopen();
    restore();
    const auto dry = runChild(
        Plan{}, [] {}, [this] { bigSave(); });
    ASSERT_FALSE(dry.failed);
    ASSERT_FALSE(dry.killed);
    ASSERT_GT(dry.writes, 8u);
    const std::string after = reopen();
    ASSERT_NE(before, after);

    struct Point {
        const char* name;
        Plan plan;
    };
    const uint64_t w = dry.writes;
    const Point points[] = {
        {"first write", {false, 1, false, 0}},
        {"file grows", {false, 0, true, 0}},
        {"a quarter", {false, w / 4, false, 0}},
        {"half", {false, w / 2, false, 0}},
        {"three quarters", {false, 3 * w / 4, false, 0}},
        {"last write", {false, w, false, 0}},
    };
    bool sawOld = false;
    for (const auto& p : points) {
        SCOPED_TRACE(p.name);
        restore();
        const auto run = runChild(
            p.plan, [] {}, [this] { bigSave(); });
        ASSERT_TRUE(run.killed);
        const std::string now = reopen();
        EXPECT_TRUE(now == before || now == after);
        sawOld = sawOld || now == before;
    }
    EXPECT_TRUE(sawOld);
}

} // namespace
