// Reads of packed cells by row and by runs of rows, which keep the records they decode: the texts
// equal the ones written whatever the order of reads, and every change made after a read (unsaved,
// saved, rolled back, written by another connection) is seen by the next read.
#include "StoreFixture.h"

#include "model/CellTexts.h"
#include "model/RowSetTexts.h"
#include "platform/store/FetchedResultsController.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

std::string text(int row, int column) {
    return "r" + std::to_string(row) + "c" + std::to_string(column);
}

store::FetchRequest rowRequest(int64_t row) {
    return {Cell::entityName, "\"rowNum\" = ?", {store::Value(row)}, {{"colNum", true}}, 0};
}

// One row's texts in column order, read as values (not objects), as the CSV export reads them.
std::vector<std::string> rowTexts(Model& m, int64_t row) {
    std::vector<std::string> out;
    for (const auto& v : m.managedObjectContext()->fetchValues(rowRequest(row), "data", false))
        out.push_back(std::get_if<std::string>(&v) ? std::get<std::string>(v) : "∅");
    return out;
}

std::vector<std::string> expectedRow(int row, int columns) {
    std::vector<std::string> out;
    for (int c = 0; c < columns; ++c)
        out.push_back(text(row, c));
    return out;
}

} // namespace

class PackedReadsTest : public StoreTest {
  protected:
    static constexpr int kColumns = 3;

    // A saved workspace of `rows` rows of `width` columns named "a", "b", … (at most six).
    std::unique_ptr<Model> filled(const std::string& name, int rows, int width = kColumns) {
        auto m = mainModel();
        m->openStore(path(name));
        const std::vector<std::string> names = {"a", "b", "c", "d", "e", "f"};
        m->addColumns(std::vector<std::string>(names.begin(), names.begin() + width));
        auto columns = m->columns();
        for (int r = 1; r <= rows; ++r)
            m->addRow(static_cast<uint64_t>(r), expectedRow(r, width), columns);
        m->saveContext();
        return m;
    }
};

TEST_F(PackedReadsTest, RowsReadOneByOneInAnyOrderGiveTheWrittenTexts) {
    constexpr int kRows = 9000; // three records per column
    auto m = filled("Rows.ov", kRows);
    struct Case {
        const char* name;
        std::vector<int> rows;
    };
    std::vector<int> forward, backward, hopping;
    for (int r = 1; r <= kRows; ++r)
        forward.push_back(r);
    backward.assign(forward.rbegin(), forward.rend());
    for (int r = 1; r <= kRows; r += 1237)
        for (int s : {r, kRows + 1 - r, 4095, 4096, 8192})
            hopping.push_back(s);
    const Case cases[] = {{"forward", forward}, {"backward", backward}, {"hopping across records", hopping}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int r : c.rows)
            ASSERT_EQ(rowTexts(*m, r), expectedRow(r, kColumns)) << r;
        EXPECT_TRUE(rowTexts(*m, 0).empty());
        EXPECT_TRUE(rowTexts(*m, kRows + 1).empty());
    }
    // The column numbers alone, then the texts, as the export asks them.
    const auto numbers = m->managedObjectContext()->fetchValues(rowRequest(4096), "colNum", false);
    ASSERT_EQ(numbers.size(), size_t(kColumns));
    for (int c = 0; c < kColumns; ++c)
        EXPECT_EQ(store::asInt(numbers[size_t(c)]), c);
    EXPECT_EQ(alerts, 0);
}

TEST_F(PackedReadsTest, WindowsOfRowsAcrossRecordBoundariesComeInRowThenColumnOrder) {
    constexpr int kRows = 9000;
    auto m = filled("Windows.ov", kRows);
    struct Case {
        const char* predicate;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {"\"rowNum\" BETWEEN 4090 AND 4100",
         {4090, 4091, 4092, 4093, 4094, 4095, 4096, 4097, 4098, 4099, 4100}},
        {"\"rowNum\" >= 8190 AND \"rowNum\" < 8194", {8190, 8191, 8192, 8193}},
        {"\"rowNum\" IN (SELECT value FROM json_each('[8999, 1, 4096, 4095, 9000]'))",
         {1, 4095, 4096, 8999, 9000}},
        {"\"rowNum\" IN (4095, 4096) AND \"colNum\" = 2", {4095, 4096}},
        {"\"rowNum\" > 8998", {8999, 9000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.predicate);
        // Twice: the second read finds the records the first one decoded.
        for (int round = 0; round < 2; ++round) {
            store::FetchRequest request{
                Cell::entityName, c.predicate, {}, {{"rowNum", true}, {"colNum", true}}, 0};
            store::FetchedResultsController controller(request, m->managedObjectContext(), "rowNum");
            ASSERT_FALSE(controller.performFetch());
            std::vector<std::string> got, expected;
            for (size_t s = 0; s < controller.sectionCount(); ++s)
                for (const auto& o : controller.sectionObjects(s)) {
                    auto cell = std::static_pointer_cast<Cell>(o);
                    got.push_back(std::to_string(*cell->rowNum()) + ":" + cell->data());
                }
            const bool oneColumn = std::string(c.predicate).find("colNum") != std::string::npos;
            for (int r : c.rows)
                for (int col = oneColumn ? 2 : 0; col < kColumns; ++col)
                    expected.push_back(std::to_string(r) + ":" + text(r, col));
            EXPECT_EQ(got, expected);
            m->managedObjectContext()->reset();
        }
    }
    EXPECT_EQ(alerts, 0);
}

// Both models read the row (and its neighbour in the same record) before the change, so that each
// holds the record decoded; the change must reach every later read that should see it.
TEST_F(PackedReadsTest, ChangesAfterARowWasReadAreSeenByTheNextRead) {
    constexpr int kRow = 4100, kRows = 5000;
    const auto original = expectedRow(kRow, kColumns);
    auto changed = original;
    changed[1] = "changed";
    struct Case {
        const char* name;
        std::function<void(Model& own, const std::string& file)> change;
        std::vector<std::string> own, other; // the row afterwards, for the changing model and another
    };
    auto edit = [](Model& m) {
        auto cells = m.cellsForRow(*m.rowNumber(kRow), {{"colNum", true}});
        cells[1]->setData("changed");
    };
    const Case cases[] = {
        {"unsaved edit", [&](Model& m, const std::string&) { edit(m); }, changed, original},
        {"saved edit",
         [&](Model& m, const std::string&) {
             edit(m);
             m.saveContext();
         },
         changed, changed},
        {"edit read, then dropped by a reset",
         [&](Model& m, const std::string&) {
             edit(m);
             ASSERT_EQ(rowTexts(m, kRow), changed);
             m.managedObjectContext()->reset();
         },
         original, original},
        {"edit read, rolled back, then a new transaction",
         [&](Model& m, const std::string&) {
             edit(m);
             ASSERT_EQ(rowTexts(m, kRow), changed);
             ASSERT_FALSE(m.managedObjectContext()->execute("ROLLBACK"));
             ASSERT_FALSE(m.managedObjectContext()->execute("BEGIN IMMEDIATE"));
         },
         original, original},
        {"record written directly, read, rolled back, then a new transaction",
         [&](Model& m, const std::string&) {
             // Column 1's record of the row's run takes column 0's texts, bypassing the cells' table.
             ASSERT_FALSE(m.managedObjectContext()->execute("BEGIN IMMEDIATE"));
             ASSERT_FALSE(m.managedObjectContext()->execute(
                 "UPDATE \"CellRecords\" SET \"texts\" = (SELECT \"texts\" FROM \"CellRecords\" WHERE "
                 "\"key\" = 0 "
                 "AND \"first\" = 4096) WHERE \"key\" = 1 AND \"first\" = 4096"));
             auto direct = original;
             direct[1] = text(kRow, 0);
             ASSERT_EQ(rowTexts(m, kRow), direct);
             ASSERT_FALSE(m.managedObjectContext()->execute("ROLLBACK"));
             ASSERT_FALSE(m.managedObjectContext()->execute("BEGIN IMMEDIATE"));
         },
         original, original},
        {"update by another connection",
         [&](Model&, const std::string& file) {
             rawSql(file,
                    "UPDATE \"Cell\" SET \"data\" = 'changed' WHERE \"rowNum\" = 4100 AND \"colNum\" = 1");
         },
         changed, changed},
        {"record rewritten by another connection",
         [&](Model&, const std::string& file) {
             rawSql(file, "BEGIN; DELETE FROM \"Cell\" WHERE \"rowNum\" = 4100 AND \"colNum\" = 1; "
                          "INSERT INTO \"Cell\" (\"id\", \"rowNum\", \"colNum\", \"data\") "
                          "VALUES (1000000, 4100, 1, 'changed'); COMMIT");
         },
         changed, changed},
        {"row deleted and saved",
         [&](Model& m, const std::string&) {
             m.managedObjectContext()->deleteObjects("Cell", "\"rowNum\" = 4100", {});
             m.saveContext();
         },
         {},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = std::string("Change ") + c.name + ".ov";
        auto m = filled(file, kRows);
        auto other = mainModel();
        other->openStore(path(file));
        for (Model* reader : {m.get(), other.get()}) {
            ASSERT_EQ(rowTexts(*reader, kRow), original);
            ASSERT_EQ(rowTexts(*reader, kRow + 1), expectedRow(kRow + 1, kColumns));
        }
        c.change(*m, path(file));
        EXPECT_EQ(rowTexts(*m, kRow), c.own);
        EXPECT_EQ(rowTexts(*other, kRow), c.other);
        for (Model* reader : {m.get(), other.get()})
            EXPECT_EQ(rowTexts(*reader, kRow + 1), expectedRow(kRow + 1, kColumns))
                << "the record's other rows";
        EXPECT_EQ(alerts, 0);
    }
}

// The rows were read (and their record kept) before a save that failed; the edit it held reaches the
// reads once a later save writes it.
TEST_F(PackedReadsTest, AnEditWhoseSaveFailedIsReadOnceWritten) {
    auto m = filled("Failed.ov", 3000);
    ASSERT_EQ(rowTexts(*m, 2), expectedRow(2, kColumns));
    ASSERT_EQ(rowTexts(*m, 3), expectedRow(3, kColumns));
    ASSERT_FALSE(m->managedObjectContext()->execute("PRAGMA max_page_count = 1"));
    auto cells = m->cellsForRow(*m->rowNumber(2), {{"colNum", true}});
    const std::string wide(20000, 'x'); // the record no longer fits its pages
    cells[0]->setData(wide);
    m->saveContext();
    EXPECT_EQ(alerts, 1);
    ASSERT_FALSE(m->managedObjectContext()->execute("PRAGMA max_page_count = 1073741823"));
    m->saveContext();
    EXPECT_EQ(alerts, 1);
    auto again = mainModel();
    again->openStore(path("Failed.ov"));
    for (Model* reader : {m.get(), again.get()}) {
        const auto row = rowTexts(*reader, 2);
        ASSERT_EQ(row.size(), size_t(kColumns));
        EXPECT_TRUE(row[0] == wide) << "the edit, " << row[0].size() << " bytes";
        EXPECT_EQ(row[1], text(2, 1));
        EXPECT_EQ(rowTexts(*reader, 3), expectedRow(3, kColumns));
    }
}

namespace {

std::vector<std::string> statsFields(const BasicStats& s) {
    auto number = [](const std::optional<double>& v) {
        char buffer[32] = "-";
        if (v)
            std::snprintf(buffer, sizeof buffer, "%.17g", *v);
        return std::string(buffer);
    };
    auto count = [](const std::optional<int64_t>& v) { return v ? std::to_string(*v) : "-"; };
    return {std::to_string(s.obs),
            std::to_string(s.obsNumeric),
            std::to_string(s.obsDate),
            std::to_string(s.levels),
            count(s.levelsNumeric),
            number(s.min),
            number(s.max),
            number(s.pc25),
            number(s.pc50),
            number(s.pc75),
            number(s.mean),
            number(s.sd),
            count(s.levelsDate),
            number(s.minDate),
            number(s.maxDate),
            number(s.meanDate),
            number(s.sdDate)};
}

// The column's cells' texts as their objects give them, by row number then id.
CellTexts objectTexts(Model& m, const Column& column) {
    CellTexts out;
    for (const auto& cell : m.cellsForColumn(column, {{"rowNum", true}, {"id", true}})) {
        out.rows.push_back(*cell->rowNum());
        out.texts.push_back(cell->data());
    }
    return out;
}

} // namespace

// Column reads straight from the records give what the cells' objects give, in every state a column
// can be in; a column with a cell kept outside its records is read through SQL instead.
TEST_F(PackedReadsTest, ColumnReadsFromRecordsEqualTheObjectsReads) {
    constexpr int kRows = 5000;
    struct Case {
        const char* name;
        std::function<void(Model& m, const std::string& file)> change;
        bool fromRecords; // column 1 is read straight from its records
    };
    const Case cases[] = {
        {"saved", [](Model&, const std::string&) {}, true},
        {"unsaved edits and deletions",
         [](Model& m, const std::string&) {
             auto cells = m.cellsForColumn(*m.columnNumber(1), {{"rowNum", true}});
             cells[0]->setData("word");
             cells[4095]->setData("12.5");
             cells[4096]->setData("");
             cells[4999]->setData("-3e2");
             m.managedObjectContext()->deleteObjects("Cell", "\"rowNum\" IN (7, 4097)", {});
         },
         true},
        {"null texts",
         [](Model&, const std::string& file) {
             rawSql(file, "UPDATE \"Cell\" SET \"data\" = NULL WHERE \"rowNum\" IN (3, 4100)");
         },
         true},
        {"a second cell at a taken place",
         [](Model&, const std::string& file) {
             rawSql(file, "INSERT INTO \"Cell\" (\"id\", \"rowNum\", \"colNum\", \"data\") VALUES (9000000, "
                          "5, 1, '77')");
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = std::string("Column ") + c.name + ".ov";
        auto m = mainModel();
        m->openStore(path(file));
        m->addColumns({"numbers", "mixed", "words"});
        auto columns = m->columns();
        for (int r = 1; r <= kRows; ++r)
            m->addRow(static_cast<uint64_t>(r),
                      {std::to_string(r * 37 % 1009) + "." + std::to_string(r % 10),
                       r % 11 == 0 ? "" : (r % 3 ? std::to_string(r % 97) : "05/03/2021"),
                       "level " + std::to_string(r % 7)},
                      columns);
        m->saveContext();
        c.change(*m, path(file));
        std::vector<int64_t> nums;
        for (const auto& column : m->columns())
            nums.push_back(column->num());
        const auto together = m->dictBasicStatsForColumns(nums);
        for (size_t k = 0; k < nums.size(); ++k) {
            SCOPED_TRACE(nums[k]);
            const auto column = m->columnNumber(static_cast<uint64_t>(nums[k]));
            ASSERT_TRUE(column);
            std::vector<std::pair<int64_t, std::optional<std::string>>> each;
            bool read = m->managedObjectContext()->readPackedGroup(
                Cell::entityName, nums[k],
                [&](int64_t row, std::optional<std::string_view> t) { each.emplace_back(row, t); });
            EXPECT_EQ(read, nums[k] != 1 || c.fromRecords);
            // Gathered for a pass, the same cells in the same order, nulls told apart from empty texts.
            store::PackedGroupTexts gathered;
            EXPECT_EQ(
                m->managedObjectContext()->readPackedGroupTexts(Cell::entityName, nums[k], true, gathered),
                read);
            ASSERT_EQ(gathered.texts.size(), each.size());
            ASSERT_EQ(gathered.positions.size(), each.size());
            ASSERT_EQ(gathered.nulls.size(), each.size());
            for (size_t i = 0; i < each.size(); ++i) {
                EXPECT_EQ(gathered.positions[i], each[i].first) << i;
                EXPECT_EQ(gathered.nulls[i], !each[i].second) << i;
                EXPECT_EQ(gathered.texts[i], each[i].second.value_or("")) << i;
            }
            const auto records = columnCellTexts(*m->managedObjectContext(), nums[k]);
            const auto objects = objectTexts(*m, *column);
            EXPECT_EQ(records.rows, objects.rows);
            EXPECT_EQ(records.texts, objects.texts);
            // Viewed in place for an analysis, every row or some rows listed in any order.
            const std::vector<int64_t> some{4097, 3, 4096, 5000, 1, 7};
            for (const auto& wanted : {std::optional<std::vector<int64_t>>(), std::optional(some)}) {
                CellTexts expected;
                for (size_t i = 0; i < objects.rows.size(); ++i)
                    if (!wanted || std::count(some.begin(), some.end(), objects.rows[i])) {
                        expected.rows.push_back(objects.rows[i]);
                        expected.texts.push_back(objects.texts[i]);
                    }
                const RowSetTextViews views(*m->managedObjectContext(), nums[k], wanted);
                EXPECT_EQ(views.rows(), expected.rows);
                EXPECT_EQ(std::vector<std::string>(views.texts().begin(), views.texts().end()),
                          expected.texts);
            }
            const auto cells = m->cellsForColumn(*column);
            EXPECT_EQ(m->numericOfColumn(*column), m->numericOfCells(cells));
            EXPECT_EQ(m->frequenciesOfColumn(*column), m->frequenciesOfCells(cells));
            const auto expected = statsFields(m->basicStatsForCells(cells));
            EXPECT_EQ(statsFields(m->dictBasicStatsForColumn(*column)), expected);
            EXPECT_EQ(statsFields(together[k]), expected);
        }
        EXPECT_EQ(alerts, 0);
    }
}

// A record whose blobs do not hold together is not read from: the column read hands out nothing
// (and says so) rather than texts shifted to other rows; the other column's records still read.
TEST_F(PackedReadsTest, ADamagedRecordIsNotReadAsTexts) {
    struct Case {
        const char* name;
        const char* damage; // on column 0's first record
    };
    const Case cases[] = {
        {"texts cut short",
         "UPDATE \"CellRecords\" SET \"texts\" = substr(\"texts\", 1, length(\"texts\") - 2)"},
        {"a byte past the last text", "UPDATE \"CellRecords\" SET \"texts\" = \"texts\" || x'00'"},
        {"a text longer than the record",
         "UPDATE \"CellRecords\" SET \"texts\" = x'7f' || substr(\"texts\", 2)"},
        {"ids that do not parse", "UPDATE \"CellRecords\" SET \"ids\" = x'80'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = std::string("Damaged ") + c.name + ".ov";
        filled(file, 5000).reset();
        rawSql(path(file), std::string(c.damage) + " WHERE \"key\" = 0 AND \"first\" = 0");
        auto m = mainModel();
        m->openStore(path(file));
        const auto& context = m->managedObjectContext();
        store::PackedGroupTexts gathered;
        gathered.texts.emplace_back("left from before");
        EXPECT_FALSE(context->readPackedGroupTexts(Cell::entityName, 0, true, gathered));
        EXPECT_TRUE(gathered.texts.empty());
        EXPECT_TRUE(gathered.positions.empty());
        size_t handed = 0;
        EXPECT_FALSE(context->readPackedGroup(Cell::entityName, 0,
                                              [&](int64_t, std::optional<std::string_view>) { ++handed; }));
        EXPECT_EQ(handed, 0u);
        ASSERT_TRUE(context->readPackedGroupTexts(Cell::entityName, 1, false, gathered));
        ASSERT_EQ(gathered.texts.size(), 5000u);
        EXPECT_EQ(gathered.texts[4999], text(5000, 1));
    }
}

namespace {

// The plain copy of the cells every query of the workspace's cells is checked against.
const std::string kPlainCopy =
    "CREATE TEMP TABLE plain AS SELECT \"id\", \"rowNum\", \"colNum\", \"data\" FROM \"Cell\"";

// Under every condition and in every order, the cells' table gives exactly what the plain copy gives.
template <std::size_t P, std::size_t O>
void expectCellsAsPlain(const std::string& file, const char* const (&predicates)[P],
                        const char* const (&orders)[O]) {
    for (const char* predicate : predicates) {
        SCOPED_TRACE(predicate);
        for (const char* order : orders) {
            SCOPED_TRACE(order);
            auto query = [&](const char* table) {
                return std::string("SELECT \"id\", \"rowNum\", \"colNum\", \"data\" FROM ") + table +
                       " WHERE " + predicate + " ORDER BY " + order;
            };
            const auto expected = rawRows(file, query("plain"), kPlainCopy);
            EXPECT_EQ(rawRows(file, query("\"Cell\""), kPlainCopy), expected);
        }
    }
}

} // namespace

// Reads limited to a range of columns (as a window of the grid asks) give exactly the cells an
// unrestricted read does that meet the same conditions, packed and loose alike, in either order.
TEST_F(PackedReadsTest, ReadsOfARangeOfColumnsGiveTheCellsOfThoseColumnsOnly) {
    constexpr int kRows = 9000;
    auto m = filled("Range.ov", kRows, 6);
    m.reset();
    const std::string file = path("Range.ov");
    // A second cell at a taken place and a number instead of a text are kept loose; a null text stays packed.
    rawSql(
        file,
        "INSERT INTO \"Cell\" (\"id\", \"rowNum\", \"colNum\", \"data\") VALUES (9000000, 4096, 3, 'loose'); "
        "UPDATE \"Cell\" SET \"data\" = 12 WHERE \"rowNum\" = 4095 AND \"colNum\" = 2; "
        "UPDATE \"Cell\" SET \"data\" = NULL WHERE \"rowNum\" = 4097 AND \"colNum\" = 4");
    ASSERT_EQ(rawInt(file, "SELECT count(*) FROM \"CellLoose\""), 2);
    const char* predicates[] = {
        "\"rowNum\" BETWEEN 4090 AND 4100 AND \"colNum\" < 3",
        "\"rowNum\" BETWEEN 4090 AND 4100 AND \"colNum\" >= 2 AND \"colNum\" <= 3",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" > 1 AND \"colNum\" < 5",
        "\"rowNum\" > 8995 AND \"colNum\" >= 5",
        "\"colNum\" > 4 AND \"rowNum\" < 3",
        "\"rowNum\" = 4096 AND \"colNum\" BETWEEN 3 AND 3",
        "\"rowNum\" = 4096 AND \"colNum\" = 3 AND \"colNum\" > 2",
        "\"rowNum\" < 10 AND \"colNum\" = 1 AND \"colNum\" > 2",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" > 1.5 AND \"colNum\" <= 3.5",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" >= -7 AND \"colNum\" < 1",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" < 0",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" > 5",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" > 9e18",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" < 'x'",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" > 'x'",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" < NULL",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" > '3'",
        "\"rowNum\" BETWEEN 4094 AND 4098 AND \"colNum\" <= '2'",
        "\"rowNum\" > '8997' AND \"colNum\" = '1'",
        "\"rowNum\" >= '8997.5' AND \"colNum\" >= ' 4'",
        "\"id\" = 9000000 AND \"colNum\" >= 3",
        "\"id\" = 9000000 AND \"colNum\" < 3",
        "\"id\" = (SELECT \"id\" FROM plain WHERE \"rowNum\" = 4100 AND \"colNum\" = 4) AND \"colNum\" > 3",
        "\"id\" = (SELECT \"id\" FROM plain WHERE \"rowNum\" = 4100 AND \"colNum\" = 4) AND \"colNum\" < 4",
    };
    const char* orders[] = {"\"rowNum\", \"colNum\", \"id\"", "\"colNum\", \"rowNum\", \"id\"", "\"id\""};
    expectCellsAsPlain(file, predicates, orders);
    // The same through the store: a window of rows and columns, as the grid fetches it.
    m = mainModel();
    m->openStore(file);
    store::FetchRequest request{
        Cell::entityName,
        "\"rowNum\" BETWEEN ? AND ? AND \"colNum\" < ?",
        {store::Value(int64_t(4094)), store::Value(int64_t(4097)), store::Value(int64_t(4))},
        {{"rowNum", true}, {"colNum", true}},
        0};
    store::FetchedResultsController controller(request, m->managedObjectContext(), "rowNum");
    ASSERT_FALSE(controller.performFetch());
    std::vector<std::string> got;
    for (const auto& o : controller.fetchedObjects()) {
        auto cell = std::static_pointer_cast<Cell>(o);
        got.push_back(std::to_string(*cell->rowNum()) + ":" + std::to_string(*cell->colNum()) + ":" +
                      cell->data());
    }
    const auto plain = rawRows(
        file,
        "SELECT \"rowNum\" || ':' || \"colNum\" || ':' || ifnull(\"data\", '') FROM plain "
        "WHERE \"rowNum\" BETWEEN 4094 AND 4097 AND \"colNum\" < 4 ORDER BY \"rowNum\", \"colNum\", \"id\"",
        kPlainCopy);
    EXPECT_EQ(got, plain);
    EXPECT_EQ(alerts, 0);
}

namespace {

// The cells a fetch gives, as "row:column:text" lines in its order.
std::vector<std::string> fetchedLines(Model& m, const store::FetchRequest& request) {
    std::vector<std::string> out;
    store::FetchedResultsController controller(request, m.managedObjectContext(), "rowNum");
    EXPECT_FALSE(controller.performFetch());
    for (const auto& o : controller.fetchedObjects()) {
        auto cell = std::static_pointer_cast<Cell>(o);
        out.push_back(std::to_string(cell->rowNum().value_or(-1)) + ":" +
                      std::to_string(cell->colNum().value_or(-1)) + ":" + cell->data());
    }
    return out;
}

} // namespace

// Lists of rows and columns (IN, as the filtered grid asks its rows) give exactly the cells a plain
// table of the same rows gives, packed and loose alike, in every order, with and without a limit.
TEST_F(PackedReadsTest, ListsOfRowsAndColumnsGiveTheCellsOfThoseRowsAndColumnsOnly) {
    constexpr int kRows = 9000;
    auto m = filled("Lists.ov", kRows, 6);
    m.reset();
    const std::string file = path("Lists.ov");
    // Kept loose: a second cell at a taken place, a number instead of a text, rows that are a text, a
    // blob and a negative number; a null text stays packed.
    rawSql(
        file,
        "INSERT INTO \"Cell\" (\"id\", \"rowNum\", \"colNum\", \"data\") VALUES (9000000, 4096, 3, 'loose'); "
        "INSERT INTO \"Cell\" (\"id\", \"rowNum\", \"colNum\", \"data\") VALUES (9000001, 'x', 1, 'text "
        "row'); "
        "INSERT INTO \"Cell\" (\"id\", \"rowNum\", \"colNum\", \"data\") VALUES (9000002, x'41', 2, 'blob "
        "row'); "
        "INSERT INTO \"Cell\" (\"id\", \"rowNum\", \"colNum\", \"data\") VALUES (9000003, -3, 0, "
        "'negative'); "
        "UPDATE \"Cell\" SET \"data\" = 12 WHERE \"rowNum\" = 4095 AND \"colNum\" = 2; "
        "UPDATE \"Cell\" SET \"data\" = NULL WHERE \"rowNum\" = 4097 AND \"colNum\" = 4");
    ASSERT_EQ(rawInt(file, "SELECT count(*) FROM \"CellLoose\""), 5);
    const char* predicates[] = {
        "\"rowNum\" IN (SELECT value FROM json_each('[]'))",
        "\"rowNum\" IN ()",
        "\"rowNum\" IN (SELECT value FROM json_each('[5, 5, 4096, 5, 4096]'))",
        "\"rowNum\" IN (SELECT value FROM json_each('[8999, 1, 4096, 4095, 9000]'))",
        "\"rowNum\" IN (8999, 9000, 9001, 20000, 2147483647, 2147483648, 9223372036854775807)",
        "\"rowNum\" IN (4095, 4096, 8191, 8192, 0, 1, 12288)",
        "\"rowNum\" IN ('4096', ' 4095', '8192.0', '7.5', 'x', 12.0, 4097.5, NULL, -0.0)",
        "\"rowNum\" IN (SELECT value FROM json_each('[\"4096\", \"x\", 4095.0, null, 1e300]'))",
        "\"rowNum\" IN (x'41', 4096, x'')",
        "\"rowNum\" IN (-3, 4096, -9223372036854775808)",
        "\"rowNum\" IN (SELECT value FROM json_each('[1, 4096, 9000]')) AND \"colNum\" BETWEEN 2 AND 3",
        "\"rowNum\" IN (SELECT value FROM json_each('[1, 4096, 9000]')) AND \"colNum\" > 1.5 AND \"colNum\" "
        "< 'x'",
        "\"colNum\" IN (3, 1, 1) AND \"rowNum\" BETWEEN 4094 AND 4098",
        "\"colNum\" IN (SELECT value FROM json_each('[5, 0, 9]')) AND "
        "\"rowNum\" IN (SELECT value FROM json_each('[4096, 1, 9000]'))",
        "\"colNum\" IN ('2', 4.0, 4.5) AND \"rowNum\" < 3",
        "\"rowNum\" IN (1, 2, 4095, 4096, 8999) AND \"rowNum\" > 4095",
        "\"rowNum\" IN (1, 2, 4095, 4096) AND \"rowNum\" = 4096",
        "\"rowNum\" IN (1, 2, 4096) AND \"rowNum\" IN (2, 4096, 5)",
        "\"rowNum\" IN (2, 4096) AND \"colNum\" = 3",
        "\"id\" = 9000000 AND \"rowNum\" IN (4096, 7)",
        "\"rowNum\" IN (SELECT \"rowNum\" FROM plain WHERE \"colNum\" = 1 AND \"data\" LIKE 'r40%')",
        "\"rowNum\" > 8997 AND \"colNum\" < 3", // texts and blobs come after every number
        "\"colNum\" <= 2 AND \"rowNum\" < 2",
    };
    const char* orders[] = {"\"rowNum\", \"colNum\", \"id\"",
                            "\"colNum\", \"rowNum\", \"id\"",
                            "\"id\"",
                            "\"rowNum\", \"colNum\", \"id\" LIMIT 7",
                            "\"rowNum\", \"colNum\", \"id\" LIMIT 5 OFFSET 4",
                            "\"colNum\", \"rowNum\" LIMIT 3"};
    expectCellsAsPlain(file, predicates, orders);

    // Through the store, with unsaved changes: the list as one JSON argument, as the grid binds it,
    // against the same condition checked on every cell (no list handed to the table).
    m = mainModel();
    m->openStore(file);
    m->addEmptyRow();
    auto cells = m->cellsForRow(*m->rowNumber(4096), {{"colNum", true}});
    cells[1]->setData("edited");
    m->managedObjectContext()->deleteObjects("Cell", "\"rowNum\" = 4095 AND \"colNum\" = 0", {});
    struct Case {
        const char* name;
        std::vector<int64_t> rows;
        int limit;
    };
    const Case cases[] = {
        {"the new row, an edited one, one with a deleted cell", {9001, 4096, 4095, 1}, 0},
        {"unsorted with repeats, cut by the limit", {9001, 8, 4096, 8, 3}, 10},
        {"none", {}, 0},
        {"beyond the last row", {9002, 12288}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store::FetchRequest listed{Cell::entityName,
                                   "\"rowNum\" IN (SELECT value FROM json_each(?))",
                                   {store::Value(store::jsonIntegers(c.rows))},
                                   {{"rowNum", true}, {"colNum", true}},
                                   c.limit};
        store::FetchRequest checked = listed;
        checked.predicate = "+\"rowNum\" IN (SELECT value FROM json_each(?))";
        const auto expected = fetchedLines(*m, checked);
        EXPECT_EQ(fetchedLines(*m, listed), expected);
        if (c.rows.empty()) {
            EXPECT_TRUE(expected.empty());
        }
    }
    const auto edited = fetchedLines(*m, {Cell::entityName,
                                          "\"rowNum\" IN (SELECT value FROM json_each(?))",
                                          {store::Value(store::jsonIntegers({4096, 9001}))},
                                          {{"rowNum", true}, {"colNum", true}},
                                          0});
    const std::vector<std::string> expected{
        "4096:0:r4096c0", "4096:1:edited",  "4096:2:r4096c2", "4096:3:r4096c3", "4096:3:loose",
        "4096:4:r4096c4", "4096:5:r4096c5", "9001:0:",        "9001:1:",        "9001:2:",
        "9001:3:",        "9001:4:",        "9001:5:"};
    EXPECT_EQ(edited, expected);
    EXPECT_EQ(alerts, 0);
}

// A record is decoded only as far as a read needs it: rows before damage to its texts still read as
// written, and every read that reaches the damage fails instead of giving made-up texts.
TEST_F(PackedReadsTest, ReadsThatReachADamagedRecordFailAndReadsBeforeTheDamageDoNot) {
    struct Case {
        const char* name;
        const char* damage; // to column 0's first record
    };
    const Case cases[] = {
        {"texts cut short",
         "UPDATE \"CellRecords\" SET \"texts\" = substr(\"texts\", 1, length(\"texts\") / 2) "
         "WHERE \"key\" = 0 AND \"first\" = 0"},
        {"bytes after the last text", "UPDATE \"CellRecords\" SET \"texts\" = \"texts\" || x'0561626364' "
                                      "WHERE \"key\" = 0 AND \"first\" = 0"},
        {"a length past the end", "UPDATE \"CellRecords\" SET \"texts\" = substr(\"texts\", 1, 200) || x'7f' "
                                  "WHERE \"key\" = 0 AND \"first\" = 0"},
    };
    auto lines = [](Model& m, const std::string& predicate, std::optional<store::Error>& error) {
        store::FetchRequest request{Cell::entityName, predicate, {}, {{"rowNum", true}, {"colNum", true}}, 0};
        store::FetchedResultsController controller(request, m.managedObjectContext(), "rowNum");
        error = controller.performFetch();
        std::vector<std::string> out;
        for (const auto& o : controller.fetchedObjects())
            out.push_back(std::static_pointer_cast<Cell>(o)->data());
        return out;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = std::string("Damaged ") + c.name + ".ov";
        filled(file, 5000).reset();
        rawSql(path(file), c.damage);
        auto m = mainModel();
        m->openStore(path(file));
        std::optional<store::Error> error;
        // Twice: the second read finds the record the first one began to decode.
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(lines(*m, "\"rowNum\" <= 2", error),
                      (std::vector<std::string>{text(1, 0), text(1, 1), text(1, 2), text(2, 0), text(2, 1),
                                                text(2, 2)}));
            EXPECT_FALSE(error);
            lines(*m, "\"colNum\" = 0", error);
            EXPECT_TRUE(error);
            lines(*m, "\"rowNum\" BETWEEN 4094 AND 4095", error); // the record's last row
            EXPECT_TRUE(error);
            EXPECT_EQ(lines(*m, "\"rowNum\" = 4100", error),
                      (std::vector<std::string>{text(4100, 0), text(4100, 1), text(4100, 2)}));
            EXPECT_FALSE(error);
        }
    }
}
