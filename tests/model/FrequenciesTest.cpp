// Frequency tables, the most frequent levels with "Others", and the snapped histograms.
#include "StoreFixture.h"

#include <cmath>
#include <limits>

namespace {

struct Top {
    std::vector<std::string> levels;
    std::vector<int64_t> counts;
    std::vector<double> shares;
};

void expectTop(const TopFrequencies& got, const Top& want) {
    EXPECT_EQ(got.levels, want.levels);
    EXPECT_EQ(got.counts, want.counts);
    ASSERT_EQ(got.shares.size(), want.shares.size());
    for (size_t i = 0; i < want.shares.size(); ++i)
        EXPECT_NEAR(got.shares[i], want.shares[i], 1e-12) << "share " << i;
}

} // namespace

class FrequenciesTest : public StoreTest {
  protected:
    // One column holding the texts, row by row; returns its cells in row order.
    std::vector<std::shared_ptr<Cell>> cellsOf(const std::vector<std::string>& texts) {
        model = mainModel();
        model->openStore(path("F.ov"));
        model->addColumns({"x"});
        auto columns = model->columns();
        for (size_t r = 0; r < texts.size(); ++r)
            model->addRow(r + 1, {texts[r]}, columns);
        model->saveContext();
        column = model->columnNumber(0);
        return model->cellsForColumn(*column, {{"rowNum", true}});
    }
    std::unique_ptr<Model> model;
    std::shared_ptr<Column> column;
};

TEST_F(FrequenciesTest, TopLevelsWithOthers) {
    auto cells = cellsOf({"a", "b", "b", "c", "c", "c", "d", ""});
    auto dict = model->frequenciesOfCells(cells);
    EXPECT_EQ(dict, (FrequencyDictionary{{"a", 1}, {"b", 2}, {"c", 3}, {"d", 1}}))
        << "the empty text is no level";
    EXPECT_EQ(model->frequenciesOfColumn(*column), dict);

    struct Case {
        uint64_t top;
        Top want;
    };
    const Case cases[] = {
        {3, {{"c", "b", "Others"}, {3, 2, 2}, {3.0 / 7, 5.0 / 7, 1}}},
        {4, {{"c", "b", "a", "d"}, {3, 2, 1, 1}, {3.0 / 7, 5.0 / 7, 6.0 / 7, 1}}}, // a before d on the tie
        {9, {{"c", "b", "a", "d"}, {3, 2, 1, 1}, {3.0 / 7, 5.0 / 7, 6.0 / 7, 1}}},
        {2, {{"c", "Others"}, {3, 4}, {3.0 / 7, 1}}},
        {1, {{"Others"}, {7}, {1}}},
        {0, {{}, {}, {}}}, // no room for any entry
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.top);
        expectTop(model->frequenciesOfCells(cells, c.top), c.want);
        expectTop(model->frequenciesOfColumn(*column, c.top), c.want);
    }

    auto lists = Model::dictionary(dict, 3);
    EXPECT_EQ(lists.levels, (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(lists.counts, (std::vector<int64_t>{3, 2, 1}));
    EXPECT_TRUE(Model::dictionary(dict, 0).levels.empty());
    EXPECT_EQ(lists.toValue().array().size(), 2u);
}

TEST_F(FrequenciesTest, LevelsAreExactTexts) {
    struct Case {
        const char* what;
        std::vector<std::string> texts;
        uint64_t top;
        Top want;
    };
    const Case cases[] = {
        {"letter case", {"x", "X", "X", "x"}, 2, {{"X", "x"}, {2, 2}, {0.5, 1}}},
        {"letter case, one entry", {"x", "X", "X", "x"}, 1, {{"Others"}, {4}, {1}}},
        {"numbers as texts", {"1", "1.0", "1", " 1"}, 5, {{"1", " 1", "1.0"}, {2, 1, 1}, {0.5, 0.75, 1}}},
        {"accents and byte order", {"é", "e", "E", "é"}, 5, {{"é", "E", "e"}, {2, 1, 1}, {0.5, 0.75, 1}}},
        {"a level named Others", {"Others", "a", "a", "b", "c"}, 2, {{"a", "Others"}, {2, 3}, {0.4, 1}}},
        {"a level named Others, kept",
         {"Others", "Others", "a", "b"},
         2,
         {{"Others", "Others"}, {2, 2}, {0.5, 1}}},
        {"no cells with text", {"", ""}, 3, {{}, {}, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto cells = cellsOf(c.texts);
        expectTop(model->frequenciesOfCells(cells, c.top), c.want);
        model.reset();
        fs::remove(path("F.ov"));
    }
}

TEST(Histogram, SnappedBinsAndEdges) {
    auto range = [](double from, double to, size_t n) {
        std::vector<double> v;
        for (size_t i = 0; i < n; ++i)
            v.push_back(n == 1 ? from
                               : from + (to - from) * static_cast<double>(i) / static_cast<double>(n - 1));
        return v;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        std::vector<double> values;
        size_t bins;
        double first, width;
        std::vector<double> contents; // empty: not checked
    };
    const Case cases[] = {
        {"1..10: four bins", range(1, 10, 10), 4, 1, 2.25, {3, 2, 2, 3}},
        {"0..99: at most fifteen", range(0, 99, 100), 15, 0, 100.0 / 15, {}},
        {"13..47: fifths of ten", range(13, 47, 60), 8, 10, 5, {}},
        {"forty sevens", std::vector<double>(40, 7.0), 8, 5, 0.5, {0, 0, 0, 0, 40, 0, 0, 0}},
        {"one value", {7.3}, 4, 5, 1, {0, 0, 1, 0}},
        {"0.12..0.87: tenths", range(0.12, 0.87, 40), 10, 0.1, 0.08, {}},
        {"NaN and infinities are left out",
         {1, nan, 2, inf, 3, -inf, 4, 5, 6, 7, 8, 9, 10},
         4,
         1,
         2.25,
         {3, 2, 2, 3}},
        {"only values that are not finite", {nan, inf, -inf}, 0, 0, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto h = Model::histogramOfVector(c.values, 10);
        ASSERT_EQ(h.edges.size(), c.bins);
        ASSERT_EQ(h.contents.size(), c.bins);
        for (size_t i = 0; i < c.bins; ++i)
            EXPECT_NEAR(h.edges[i], c.first + static_cast<double>(i) * c.width, 1e-9) << "edge " << i;
        if (!c.contents.empty()) {
            EXPECT_EQ(h.contents, c.contents);
        }
        double total = 0;
        for (double x : h.contents)
            total += x;
        size_t finite = 0;
        for (double v : c.values)
            finite += std::isfinite(v) ? 1 : 0;
        EXPECT_EQ(total, static_cast<double>(finite)) << "every finite value lands in a bin";
    }

    // The bins argument does not count when the rule applies.
    EXPECT_EQ(Model::histogramOfVector(range(3, 40, 20), 10).edges,
              Model::histogramOfVector(range(3, 40, 20), 5).edges);
}

TEST(Histogram, GivenRangesAndFractions) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Outside a given range values go to the end bins.
    auto h = Model::histogramOfVector({-5, 0, 1, 2.5, 9.99, 10, 50}, 4, std::array<double, 2>{0, 10}, false,
                                      false);
    EXPECT_EQ(h.edges, (std::vector<double>{0, 2.5, 5, 7.5}));
    EXPECT_EQ(h.contents, (std::vector<double>{3, 1, 0, 3}));
    EXPECT_EQ(h.toValue().array()[1].array()[0].kind(), foundation::Value::Kind::Integer);

    h = Model::histogramOfVector({0, 1, 2, 3}, 2, std::nullopt, true, false);
    EXPECT_EQ(h.contents, (std::vector<double>{0.5, 0.5})) << "fractions of the number of values";
    EXPECT_EQ(h.toValue().array()[1].array()[0].kind(), foundation::Value::Kind::Double);

    // A range of zero width: every quotient is infinite or NaN and must still land in a bin.
    h = Model::histogramOfVector({-1, 3, 3, 8}, 3, std::array<double, 2>{3, 3}, false, false);
    EXPECT_EQ(h.contents, (std::vector<double>{3, 0, 1}));

    // A span that overflows a double, and values next to the largest one.
    const double big = std::numeric_limits<double>::max();
    for (bool optimize : {false, true}) {
        SCOPED_TRACE(optimize);
        h = Model::histogramOfVector({-big, 0, big, nan}, 4, std::nullopt, false, optimize);
        ASSERT_FALSE(h.contents.empty());
        double total = 0;
        for (double x : h.contents)
            total += x;
        EXPECT_EQ(total, 3);
        EXPECT_EQ(h.contents.front(), 1);
        EXPECT_EQ(h.contents.back(), 1);
    }

    // A range that is not a range falls back to the values' own extremes.
    h = Model::histogramOfVector({1, 2, 3, 4}, 3, std::array<double, 2>{nan, 4}, false, false);
    EXPECT_EQ(h.edges.front(), 1);
    EXPECT_EQ(h.contents, (std::vector<double>{1, 1, 2}));

    EXPECT_TRUE(Model::histogramOfVector({}, 5, std::array<double, 2>{0, 1}, true, false).edges.empty());
}

TEST_F(FrequenciesTest, BucketsFollowTheColumnType) {
    auto cells = cellsOf({"1", "2", "2", "3", "x"});
    column->setType(1);
    auto levels = model->frequenciesOfColumnBuckets(*column, 2);
    ASSERT_TRUE(std::holds_alternative<TopFrequencies>(levels));
    EXPECT_EQ(std::get<TopFrequencies>(levels).levels, (std::vector<std::string>{"2", "Others"}));

    column->setType(3);
    model->basicStatsForColumn(*column);
    auto bins = model->frequenciesOfColumnBuckets(*column, 2);
    ASSERT_TRUE(std::holds_alternative<HistogramBins>(bins));
    const auto& h = std::get<HistogramBins>(bins);
    EXPECT_EQ(h.edges.size(), 4u) << "the snapping rule sets the count";
    double total = 0;
    for (double x : h.contents)
        total += x;
    EXPECT_EQ(total, 4);
}
