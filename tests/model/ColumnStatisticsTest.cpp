// The statistics cache of columns on a real workspace: counts, the type guess and the types offered,
// numbers and dates, staleness per type, the display summary, value vectors and category codes.
#include "StoreFixture.h"

#include <cmath>

class ColumnStatisticsTest : public StoreTest {
  protected:
    std::unique_ptr<Model> open(const std::string& separator = ".") {
        auto m = mainModel();
        m->openStore(path("Stats.ov"));
        m->setMetadataValue(separator, "decimalSeparator");
        m->setReadDecimal(nullptr);
        m->setReadPercent(nullptr);
        m->setReadCurrency(nullptr);
        return m;
    }
};

TEST_F(ColumnStatisticsTest, CountsTypeGuessAndOfferedTypes) {
    struct Case {
        const char* what;
        std::vector<std::string> texts;
        int64_t obs, obsNumeric, obsDate, levels;
        int64_t guess;
        std::vector<int64_t> offered;
    };
    const Case cases[] = {
        {"numbers win over one word", {"1", "2", "x", ""}, 3, 2, 0, 3, 3, {3, 1}},
        {"one number among words", {"1", "x", "y"}, 3, 1, 0, 3, 1, {3, 1}},
        {"two words", {"yes", "no", "yes"}, 3, 0, 0, 2, 2, {2, 1}},
        {"numbers tie with dates",
         {"1", "2", "5 January 2020", "6 January 2020", "x"},
         5,
         2,
         2,
         5,
         3,
         {3, 4, 1}},
        {"dates tie with words", {"5 January 2020", "x"}, 2, 0, 1, 2, 4, {4, 2, 1}},
        {"no values at all", {"", ""}, 0, 0, 0, 0, 3, {1}},
        {"levels are exact texts", {"1", "1.0", "a", "A"}, 4, 2, 0, 4, 3, {3, 1}},
        {"a number is never a date", {"2020", "12%", "$5"}, 3, 3, 0, 3, 3, {3, 1}},
        {"two levels, numbers", {"0", "1", "1", "0"}, 4, 4, 0, 2, 3, {3, 2, 1}},
        {"relative dates", {"today", "next Friday", "word", "due 3 May"}, 4, 0, 3, 4, 4, {4, 1}},
    };
    std::vector<std::vector<std::string>> texts;
    for (const auto& c : cases)
        texts.push_back(c.texts);
    auto m = open();
    auto columns = workspaceOf(*m, texts);
    ASSERT_EQ(columns.size(), std::size(cases));
    for (size_t k = 0; k < columns.size(); ++k) {
        const auto& c = cases[k];
        SCOPED_TRACE(c.what);
        Column& column = *columns[k];
        m->basicStatsForColumn(column);
        EXPECT_EQ(column.obs(), c.obs);
        EXPECT_EQ(column.obsNumeric(), c.obsNumeric);
        EXPECT_EQ(column.obsDate(), c.obsDate);
        EXPECT_EQ(column.levels(), c.levels);
        EXPECT_EQ(Model::guessTypeOfColumn(column), c.guess);
        EXPECT_EQ(Model::variableTypesForColumn(column), c.offered);
    }
}

TEST_F(ColumnStatisticsTest, NumberAndDateFigures) {
    auto m = open();
    auto columns =
        workspaceOf(*m, {{"1", "2", "x", ""},
                         {"-2.5", "0.5", "3", "3", "7.25", "100", "n/a"},
                         {"5 January 2020", "7 January 2020", "6 January 2020", "6 January 2020", "4"}});
    auto s = m->dictBasicStatsForColumn(*columns[0]);
    EXPECT_EQ(s.min, 1);
    EXPECT_EQ(s.max, 2);
    EXPECT_EQ(s.mean, 1.5);
    EXPECT_EQ(s.levelsNumeric, 2);
    EXPECT_FALSE(s.levelsDate);
    EXPECT_FALSE(s.minDate);
    EXPECT_FALSE(columns[0]->obs()) << "the dictionary form leaves the column alone";

    // R: y <- c(-2.5, 0.5, 3, 3, 7.25, 100); quantile(y, c(.25, .5, .75), type = 7) -> 1.125 3 6.1875;
    //    sd(y) -> 40.035739242165448; mean(y) -> 18.541666666666668
    s = m->dictBasicStatsForColumn(*columns[1]);
    EXPECT_EQ(s.obs, 7);
    EXPECT_EQ(s.obsNumeric, 6);
    EXPECT_EQ(s.levels, 6);
    EXPECT_EQ(s.levelsNumeric, 5);
    EXPECT_EQ(s.min, -2.5);
    EXPECT_EQ(s.max, 100);
    EXPECT_DOUBLE_EQ(*s.pc25, 1.125);
    EXPECT_DOUBLE_EQ(*s.pc50, 3);
    EXPECT_DOUBLE_EQ(*s.pc75, 6.1875);
    EXPECT_DOUBLE_EQ(*s.mean, 18.541666666666668);
    EXPECT_NEAR(*s.sd, 40.035739242165448, 1e-12);

    s = m->dictBasicStatsForColumn(*columns[2]);
    const double day5 = *m->dateForString("5 January 2020");
    EXPECT_EQ(s.obsNumeric, 1);
    EXPECT_EQ(s.obsDate, 4);
    EXPECT_EQ(s.levelsDate, 3);
    EXPECT_EQ(s.minDate, day5);
    EXPECT_EQ(s.maxDate, day5 + 2 * 86400);
    EXPECT_EQ(s.pc50Date, day5 + 86400);
    EXPECT_EQ(s.meanDate, day5 + 86400);
    // R: sd(c(0, 2, 1, 1) * 86400) -> 70545.0211...
    EXPECT_NEAR(*s.sdDate, std::sqrt(2.0 / 3.0) * 86400, 1e-6);

    // The keyed form carries exactly the entries that apply.
    auto keys = [](const foundation::Value& v) {
        std::vector<std::string> out;
        for (const auto& [key, value] : v.dictionary())
            out.push_back(key);
        return out;
    };
    EXPECT_EQ(keys(m->dictBasicStatsForColumn(*columns[0]).toValue()),
              (std::vector<std::string>{"levels", "levelsNumeric", "max", "mean", "min", "obs", "obsDate",
                                        "obsNumeric", "pc25", "pc50", "pc75", "sd"}));
    EXPECT_EQ(keys(BasicStats{}.toValue()),
              (std::vector<std::string>{"levels", "obs", "obsDate", "obsNumeric"}));
}

TEST_F(ColumnStatisticsTest, UnsavedEditsAndGivenCellsCount) {
    auto m = open();
    auto columns = workspaceOf(*m, {{"1", "2", "3", "4"}});
    Column& column = *columns[0];
    auto cells = m->cellsForColumn(column, {{"rowNum", true}});
    cells[3]->setData("100"); // an edit of the grid, not saved yet
    cells[0]->setData("");
    auto s = m->dictBasicStatsForColumn(column);
    EXPECT_EQ(s.obs, 3);
    EXPECT_EQ(s.max, 100);
    EXPECT_EQ(s.min, 2);

    m->basicStatsForColumn(column, {cells[1], cells[2]});
    EXPECT_EQ(column.obs(), 2);
    EXPECT_EQ(column.max(), "3");
    EXPECT_EQ(m->basicStatsForCells({}).toValue(), BasicStats{}.toValue());
}

TEST_F(ColumnStatisticsTest, ColumnsReadInOnePassGiveWhatEachColumnGivesAlone) {
    auto m = open();
    // Sums that depend on their order (1e17 + 1 loses the 1), so a pass that added a column's numbers
    // in another order than the column's own reading would show in the mean.
    const std::string big = "100000000000000000";
    workspaceOf(*m, {{big, "1", "-" + big, "1", "", "x"},
                     {"5 January 2020", "yes", "2", "7 January 2020", "", ""},
                     {"a", "b", "a", "", "c", "a"},
                     {big, "", "", "", "", ""}});
    auto columns = m->columns();
    // The last column's rows stored out of their order, as after edits: row 8 before row 7.
    m->addRow(8, {"", "", "", "-" + big}, {columns[3]});
    m->addRow(7, {"", "", "", "1"}, {columns[3]});
    m->saveContext();
    auto& context = *m->managedObjectContext();
    // A null text and a blob, which a hand-edited file may hold; an unsaved edit.
    context.executeChange("Cell",
                          "UPDATE \"Cell\" SET \"data\" = NULL WHERE \"colNum\" = 2 AND \"rowNum\" = 2");
    context.executeChange("Cell",
                          "UPDATE \"Cell\" SET \"data\" = X'62' WHERE \"colNum\" = 2 AND \"rowNum\" = 5");
    m->cellsForColumn(*columns[1], {{"rowNum", true}})[2]->setData("8 January 2020");

    const std::vector<std::vector<int64_t>> cases = {
        {0, 1, 2, 3}, {3, 2, 1, 0}, {1}, {2, 99, 2, -1}, // one without cells, a repeated one
        {},
    };
    for (const auto& nums : cases) {
        SCOPED_TRACE(::testing::PrintToString(nums));
        const auto together = m->dictBasicStatsForColumns(nums);
        ASSERT_EQ(together.size(), nums.size());
        for (size_t i = 0; i < nums.size(); ++i) {
            auto column = nums[i] >= 0 ? m->columnNumber(static_cast<uint64_t>(nums[i])) : nullptr;
            const BasicStats alone = column ? m->dictBasicStatsForColumn(*column) : BasicStats{};
            EXPECT_EQ(together[i].toValue(), alone.toValue()) << "column " << nums[i];
        }
    }
    const auto s = m->dictBasicStatsForColumns({0, 1, 2, 3});
    EXPECT_EQ(s[0].mean, 0.25) << "(1e17 + 1 - 1e17 + 1) / 4 in row order";
    EXPECT_EQ(s[3].mean, 0.0) << "(1e17 + 1 - 1e17) / 3 in row order, not storage order";
    EXPECT_EQ(s[1].obsDate, 3);
    EXPECT_EQ(s[2].levels, 2) << "a and the blob's b (the null replaced the other b, the blob c)";
    EXPECT_EQ(s[2].obs, 4);
}

TEST_F(ColumnStatisticsTest, CommaWorkspaceReadsItsOwnDecimals) {
    auto m = open(",");
    auto columns = workspaceOf(*m, {{"3,5", "-1,25", "10", "3.5"}});
    auto s = m->dictBasicStatsForColumn(*columns[0]);
    EXPECT_EQ(s.min, -1.25);
    EXPECT_EQ(s.max, 10);
    EXPECT_EQ(m->numericOfColumn(*columns[0]).size(), static_cast<size_t>(s.obsNumeric));
}

TEST_F(ColumnStatisticsTest, StalenessFollowsTheType) {
    auto m = open();
    auto columns = workspaceOf(*m, {{"1", "2", "x"}, {"5 January 2020", "w"}, {"a", "b"}});
    Column& numbers = *columns[0];
    Column& dates = *columns[1];
    Column& words = *columns[2];

    EXPECT_TRUE(Model::needCalcBasicStatsForColulmn(numbers)) << "a new column has no cache";
    for (auto& c : columns)
        m->basicStatsForColumn(*c);
    EXPECT_TRUE(m->managedObjectContext()->hasChanges()) << "computing does not save";
    m->saveContext();
    for (auto& c : columns)
        EXPECT_FALSE(Model::needCalcBasicStatsForColulmn(*c));

    numbers.setType(3);
    dates.setType(4);
    words.setType(3); // Numeric without a single number: its figures stay missing
    EXPECT_FALSE(Model::needCalcBasicStatsForColulmn(numbers));
    EXPECT_FALSE(Model::needCalcBasicStatsForColulmn(dates));
    EXPECT_TRUE(Model::needCalcBasicStatsForColulmn(words));
    dates.setType(3);
    EXPECT_TRUE(Model::needCalcBasicStatsForColulmn(dates)) << "no numbers in a column of dates";
    dates.setType(4);

    numbers.setSd(std::nullopt);
    EXPECT_TRUE(Model::needCalcBasicStatsForColulmn(numbers));
    numbers.setType(1);
    EXPECT_FALSE(Model::needCalcBasicStatsForColulmn(numbers)) << "a text column needs the counts only";
    numbers.setType(3);
    m->saveContext();

    auto summary = m->retrieveBasicStatsForColumn(numbers);
    EXPECT_FALSE(m->managedObjectContext()->hasChanges()) << "a filled cache is saved";
    EXPECT_TRUE(numbers.sd());
    EXPECT_EQ(summary.toValue().dictionary().size(), 10u);
    EXPECT_EQ(summary.obsNumeric, 2);
    EXPECT_EQ(summary.min, 1);
    EXPECT_EQ(summary.max, 2);

    summary = m->retrieveBasicStatsForColumn(dates);
    EXPECT_EQ(summary.toValue().dictionary().size(), 10u);
    EXPECT_EQ(summary.obsDate, 1);
    EXPECT_FALSE(summary.obsNumeric);
    EXPECT_EQ(summary.levels, 1) << "the number of distinct dates";
    EXPECT_EQ(summary.min, m->dateForString("5 January 2020"));

    summary = m->retrieveBasicStatsForColumn(words);
    EXPECT_EQ(summary.toValue().dictionary().size(), 3u);
    EXPECT_EQ(summary.obs, 2);
    EXPECT_EQ(summary.obsNumeric, 0);
    EXPECT_EQ(summary.levels, 2);
    EXPECT_TRUE(Model::needCalcBasicStatsForColulmn(words)) << "stays stale: every look recomputes";
}

TEST_F(ColumnStatisticsTest, CacheSurvivesReopeningAndApplyClearsAbsentEntries) {
    {
        auto m = open();
        auto columns = workspaceOf(*m, {{"0.1", "12.50", "-3", "x"}});
        m->basicStatsForColumn(*columns[0]);
        m->saveContext();
    }
    auto m = mainModel();
    m->openStore(path("Stats.ov"));
    auto column = m->columnNumber(0);
    ASSERT_TRUE(column);
    EXPECT_EQ(column->min(), "-3");
    EXPECT_EQ(column->max(), "12.5") << "the shortest text of the same number";
    EXPECT_EQ(column->obsNumeric(), 3);

    column->setMinDate(1.0);
    column->setSdDate(2.0);
    BasicStats numbersOnly;
    numbersOnly.obs = 1;
    numbersOnly.obsNumeric = 1;
    numbersOnly.levels = 1;
    numbersOnly.min = numbersOnly.max = numbersOnly.mean = 4;
    Model::applyBasicStats(numbersOnly, *column);
    EXPECT_EQ(column->obsDate(), 0);
    EXPECT_FALSE(column->minDate());
    EXPECT_FALSE(column->sdDate());
    EXPECT_FALSE(column->levelsDate());
    EXPECT_FALSE(column->sd());
    EXPECT_EQ(column->min(), "4");
}

TEST_F(ColumnStatisticsTest, EmptyColumnSummary) {
    auto m = open();
    auto columns = workspaceOf(*m, {{"", "", ""}});
    columns[0]->setType(3);
    auto summary = m->retrieveBasicStatsForColumn(*columns[0]);
    const auto v = summary.toValue();
    EXPECT_EQ(v.dictionary().size(), 3u);
    EXPECT_EQ(v.find("obs")->toInt64(), 0);
    EXPECT_EQ(v.find("obsNumeric")->toInt64(), 0);
    EXPECT_EQ(v.find("levels")->toInt64(), 0);
    EXPECT_EQ(Model::guessTypeOfColumn(*columns[0]), 3);
}

TEST_F(ColumnStatisticsTest, ValueVectorsAndCodes) {
    auto m = open();
    auto columns = workspaceOf(*m, {{"5 January 2020", "abc", "6 January 2020", "7"}, {"b", "a", "b", ""}});
    auto cells = m->cellsForColumn(*columns[0], {{"rowNum", true}});
    EXPECT_EQ(m->numericOfCells(cells), std::vector<double>{7});
    EXPECT_EQ(m->numericOfCells(cells, 3), std::vector<double>{7});
    auto dates = m->numericOfCells(cells, 4);
    ASSERT_EQ(dates.size(), 2u) << "abc and 7 hold no date";
    EXPECT_EQ(dates[1] - dates[0], 86400);
    EXPECT_EQ(dates[0], m->dateForString("2020-01-05"));
    EXPECT_EQ(m->numericOfColumn(*columns[0]), std::vector<double>{7});

    auto words = m->cellsForColumn(*columns[1], {{"rowNum", true}});
    auto f = m->factorOfCategorical(words, nullptr);
    EXPECT_EQ(f.data, (std::vector<int64_t>{0, 1, 0, 2}));
    EXPECT_EQ(f.code, (FactorCodes{{"b", 0}, {"a", 1}, {"", 2}}));

    const FactorCodes given{{"a", 0}, {"z", 1}};
    f = m->factorOfCategorical(words, &given);
    EXPECT_EQ(f.data, (std::vector<int64_t>{2, 0, 2, 3}));
    EXPECT_EQ(f.code, (FactorCodes{{"a", 0}, {"z", 1}, {"b", 2}, {"", 3}}));
    EXPECT_EQ(f.toValue().find("data")->array().size(), 4u);
}
