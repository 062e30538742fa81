// Row filters over one small workspace (text, numeric, date and binary columns), stored filters of an
// analysis, a 100,000-row filter, and the descriptions of filters in words.
#include "StoreFixture.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

using Rows = std::optional<std::vector<int64_t>>;

// Columns by num: 0 name (Categorical), 1 score (Numeric), 2 when (Date / Time), 3 sex (Binary).
const std::vector<std::vector<std::string>> kFixture = {
    {"Élodie", "9", "2020-01-05", "F"},     {"ÉLODIE", "10", "2020-03-01", "M"},
    {"élodie", "11", "15 March 2020", "f"}, {"Banana", "", "", "M"},
    {"Straße", "1", "2021-07-15", "F"},     {"", "1.0", "not a date", ""},
    {"abc", "2", "2019-12-31", "M"},        {"ABC", "abc", "2020-03-01 10:30", "F"},
    {"Ärger", "6.99", "2020-02-29", "M"},   {"ärgerlich", "7", "2022-01-01", "F"},
};

class FilterTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        m = mainModel();
        m->openStore(path("Filters.ov"));
        m->setMetadataValue(".", "decimalSeparator");
        m->addColumns({"name", "score", "when", "sex"});
        auto columns = m->columns();
        const int64_t types[] = {1, 3, 4, 2};
        for (size_t i = 0; i < columns.size(); ++i)
            columns[i]->setType(types[i]);
        for (size_t r = 0; r < kFixture.size(); ++r)
            m->addRow(r + 1, kFixture[r], columns);
        m->saveContext();
    }

    std::unique_ptr<Model> m;
};

WhereClauseObj where(int64_t col, uint64_t op, std::string constant, std::vector<std::string> levels = {}) {
    return WhereClauseObj(col, op, std::move(constant), std::move(levels));
}

} // namespace

TEST_F(FilterTest, RowsWhereOverEveryKindOfColumn) {
    struct Case {
        const char* what;
        std::vector<WhereClauseObj> wheres;
        Rows rows;
    };
    const Case cases[] = {
        {"no condition is every row", {}, std::nullopt},
        {"= ignores case beyond ASCII", {where(0, FilterEqual, "élodie")}, std::vector<int64_t>{1, 2, 3}},
        {"= ignores ASCII case", {where(0, FilterEqual, "abc")}, std::vector<int64_t>{7, 8}},
        {"Contains is a case-insensitive substring",
         {where(0, FilterContains, "an")},
         std::vector<int64_t>{4}},
        {"Contains with non-ASCII capitals",
         {where(0, FilterContains, "ÄRGER")},
         std::vector<int64_t>{9, 10}},
        {"text ≠ keeps the empty cell",
         {where(0, FilterNotEqual, "ÉLODIE")},
         std::vector<int64_t>{4, 5, 6, 7, 8, 9, 10}},
        {"text IN ignores case", {where(0, FilterIn, "", {"banana", "ABC"})}, std::vector<int64_t>{4, 7, 8}},
        {"binary = ignores case", {where(3, FilterEqual, "f")}, std::vector<int64_t>{1, 3, 5, 8, 10}},
        {"numeric < skips the empty cell and the word",
         {where(1, FilterLess, "10")},
         std::vector<int64_t>{1, 5, 6, 7, 9, 10}},
        {"numeric ≠ keeps a word that is no number",
         {where(1, FilterNotEqual, "1")},
         std::vector<int64_t>{1, 2, 3, 7, 8, 9, 10}},
        {"numeric IN reads 1, 1.0 and 2.0 as numbers",
         {where(1, FilterIn, "", {"1", "2.0"})},
         std::vector<int64_t>{5, 6, 7}},
        {"numeric IN skips a level that is no number",
         {where(1, FilterIn, "", {"1", "x"})},
         std::vector<int64_t>{5, 6}},
        {"numeric = of a constant that is no number", {where(1, FilterEqual, "abc")}, std::vector<int64_t>{}},
        {"numeric ≠ of a constant that is no number",
         {where(1, FilterNotEqual, "abc")},
         std::vector<int64_t>{1, 2, 3, 5, 6, 7, 8, 9, 10}},
        {"two conditions on one column intersect",
         {where(1, FilterGreaterOrEqual, "3"), where(1, FilterLess, "7")},
         std::vector<int64_t>{9}},
        {"date ≥ over mixed date forms",
         {where(2, FilterGreaterOrEqual, "2020-03-01")},
         std::vector<int64_t>{2, 3, 5, 8, 10}},
        {"date < with a constant in words",
         {where(2, FilterLess, "1 March 2020")},
         std::vector<int64_t>{1, 7, 9}},
        {"date = is the instant", {where(2, FilterEqual, "2020-03-01")}, std::vector<int64_t>{2}},
        {"clauses on two columns intersect",
         {where(3, FilterEqual, "m"), where(1, FilterGreater, "5")},
         std::vector<int64_t>{2, 9}},
        {"an empty first clause ends the filter",
         {where(0, FilterEqual, "nobody"), where(1, FilterLess, "100")},
         std::vector<int64_t>{}},
        {"a column that does not exist matches nothing",
         {where(42, FilterEqual, "x")},
         std::vector<int64_t>{}},
        {"an unknown operator matches nothing", {where(0, 7, "abc")}, std::vector<int64_t>{}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(m->rowsWhere(c.wheres), c.rows);
    }
}

TEST_F(FilterTest, BrowseFilterIsKeyedByColumn) {
    std::map<int64_t, WhereClauseObj> browse{{3, where(3, FilterEqual, "F")}, {1, where(1, FilterLess, "5")}};
    EXPECT_EQ(m->rowsWhere(browse), (std::vector<int64_t>{5}));
    EXPECT_EQ(m->rowsWhere(std::map<int64_t, WhereClauseObj>{}), std::nullopt);
}

TEST_F(FilterTest, StoredFiltersOfBothSamples) {
    auto columns = m->columns();
    auto a = m->addAnalysis("test");
    auto ctx = m->managedObjectContext();
    auto add = [&](int64_t col, uint64_t op, std::string c, std::vector<std::string> levels, bool second) {
        auto w = ctx->insertNewObject<WhereClause>();
        w->setX(columns[static_cast<size_t>(col)].get());
        w->setOp(static_cast<int64_t>(op));
        w->setC(std::move(c));
        w->setLevels(levels);
        second ? a->addWheres2Object(*w) : a->addWheresObject(*w);
    };
    add(3, FilterIn, "", {"M"}, false);
    add(1, FilterGreaterOrEqual, "10", {}, false);
    add(3, FilterEqual, "F", {}, true);
    m->saveContext();

    EXPECT_EQ(m->rowsWhereAnalysis(*a), (std::vector<int64_t>{2}));
    EXPECT_EQ(m->rowsWhereClauses(a->wheres2()), (std::vector<int64_t>{1, 3, 5, 8, 10}));
    EXPECT_EQ(m->stringForWhereAnalysis(*a), "score ≥ 10 & sex IN M");
    EXPECT_EQ(m->stringForWhereClauses(a->wheres2()), "sex = F");
    EXPECT_EQ(m->rowsWhereAnalysis(*m->addAnalysis("none")), std::nullopt);

    auto obj = WhereClauseObj(*a->wheres2().front());
    EXPECT_EQ(obj, where(3, FilterEqual, "F"));
    // A condition that lost its column is no condition on column 0.
    auto orphan = ctx->insertNewObject<WhereClause>();
    orphan->setOp(FilterEqual);
    orphan->setC("Élodie");
    EXPECT_EQ(WhereClauseObj(*orphan).colNum, -1);
    EXPECT_EQ(m->rowsWhereClauses({orphan}), std::vector<int64_t>{});
}

TEST_F(FilterTest, DescriptionsReadTheSameInEitherOrder) {
    const auto age = where(1, FilterGreater, "30");
    const auto sex = where(3, FilterIn, "", {"M", "F"});
    const auto sexOtherLevels = where(3, FilterIn, "", {"F", "M"});
    EXPECT_EQ(m->stringForWhereSet({age, sex}), "score > 30 & sex IN F, M");
    EXPECT_EQ(m->stringForWhereSet({sexOtherLevels, age}), "score > 30 & sex IN F, M");
    // Same column and operator: the constant decides.
    EXPECT_EQ(m->stringForWhereSet({where(1, FilterLess, "7"), where(1, FilterGreaterOrEqual, "3"),
                                    where(1, FilterLess, "5")}),
              "score < 5 & score < 7 & score ≥ 3");
    // The ordered form keeps the caller's order.
    EXPECT_EQ(m->stringForWheres({sex, age}), "sex IN M, F & score > 30");
    EXPECT_EQ(m->stringForWheres({}), "");

    // Stored in either order, one analysis's filter reads the same.
    auto columns = m->columns();
    auto ctx = m->managedObjectContext();
    std::vector<std::string> texts;
    for (bool ageFirst : {true, false}) {
        auto a = m->addAnalysis(ageFirst ? "age first" : "sex first");
        auto addAge = [&] {
            auto w = ctx->insertNewObject<WhereClause>();
            w->setX(columns[1].get());
            w->setOp(FilterGreater);
            w->setC("30");
            a->addWheresObject(*w);
        };
        auto addSex = [&] {
            auto w = ctx->insertNewObject<WhereClause>();
            w->setX(columns[3].get());
            w->setOp(FilterIn);
            w->setLevels({"M", "F"});
            a->addWheresObject(*w);
        };
        if (ageFirst) {
            addAge();
            addSex();
        } else {
            addSex();
            addAge();
        }
        texts.push_back(m->stringForWhereAnalysis(*a));
    }
    EXPECT_EQ(texts[0], "score > 30 & sex IN F, M");
    EXPECT_EQ(texts[1], texts[0]);
}

TEST(FilterOperators, Symbols) {
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "<"},
        {1, "≤"},
        {2, ">"},
        {3, "≥"},
        {4, "="},
        {5, "≠"},
        {6, "Unknown op"},
        {7, "Unknown op"},
        {9, "Unknown op"},
        {10, "IN"},
        {11, "Unknown op"},
        {99, "Contains"},
        {100, "Unknown op"},
    };
    for (const auto& [op, text] : cases)
        EXPECT_EQ(Model::stringForOperatorType(op), text) << op;
}

// 100,000 rows: the running row set passes from clause to clause without ever being bound into SQL
// number by number (SQLite caps the parameters of one statement far below that).
TEST_F(StoreTest, FilterOverOneHundredThousandRows) {
    auto m = mainModel();
    m->openStore(path("Big.ov"));
    m->setMetadataValue(".", "decimalSeparator");
    m->addColumns({"x", "parity"});
    auto columns = m->columns();
    columns[0]->setType(3);
    columns[1]->setType(1);
    constexpr int64_t n = 100000;
    for (int64_t r = 1; r <= n; ++r)
        m->addRow(static_cast<uint64_t>(r), {std::to_string(r), r % 2 ? "odd" : "even"}, columns);
    m->saveContext();

    auto all = m->rowsWhere({where(0, FilterGreater, "0")});
    ASSERT_TRUE(all);
    EXPECT_EQ(all->size(), static_cast<size_t>(n));
    auto rows = m->rowsWhere(
        {where(0, FilterGreater, "0"), where(1, FilterEqual, "EVEN"), where(0, FilterLessOrEqual, "1000")});
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 500u);
    EXPECT_EQ(rows->front(), 2);
    EXPECT_EQ(rows->back(), 1000);
    // The whole set also serves the cell fetch of the computations.
    EXPECT_EQ(m->cellsForColumn(*columns[1], {}, all).size(), static_cast<size_t>(n));
}
