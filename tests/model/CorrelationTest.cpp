// Correlation of two columns: Fisher-z interval and p-value, the simple regression with its fitted
// line, dates in days, rows without both values, and the fixture against R's cor.test.
#include "AnalysisFixture.h"
#include "platform/foundation/Value.h"

#include <cmath>

namespace {
constexpr int64_t kCategorical = 1, kBinary = 2, kNumeric = 3, kDate = 4;
}

TEST_F(AnalysisTest, CorrelationOfDataPinsFisherZ) {
    // r = 0.5 exactly: x and y built from two orthogonal centred vectors.
    const std::vector<double> e1{1, -1, 1, -1, 1, -1, 1, -1, 1, -1};
    const std::vector<double> e2{1, 1, -1, -1, 1, 1, -1, -1, 0, 0};
    std::vector<double> y(10);
    for (size_t i = 0; i < 10; ++i)
        y[i] = 0.5 * e1[i] / std::sqrt(10.0) + std::sqrt(0.75) * e2[i] / std::sqrt(8.0);
    const CorrelationOfData c = m->correlationOfData({e1, y});
    EXPECT_NEAR(c.r, 0.5, 1e-12);
    EXPECT_NEAR(c.t, 1.6330, 5e-5);
    EXPECT_EQ(c.df, 8);
    // The interval uses the library's 1.9572 for the 97.5 % normal point, and p is Fisher's, not t's.
    EXPECT_NEAR(c.ci[0], -0.1882, 5e-5);
    EXPECT_NEAR(c.ci[1], 0.8589, 5e-5);
    EXPECT_NEAR(c.p, 0.1461, 5e-5);
    EXPECT_EQ(c.toValue().dictionary().size(), 6u);
}

TEST_F(AnalysisTest, CorrelationResultsOfColumns) {
    addTable({"x", "y", "day", "k"}, {kNumeric, kNumeric, kDate, kNumeric},
             {{"1", "2", "2024-01-01", "5"},
              {"2", "4", "2024-01-02", "5"},
              {"3", "6", "2024-01-03", "5"},
              {"4", "8", "2024-01-04", "5"},
              {"", "9", "", "5"},
              {"five", "10", "not a date", "5"}});
    auto background = backgroundModel(*m);
    auto cols = background->columns();

    const auto line = background->correlationResultsForColumn(cols[0].get(), cols[1].get(), std::nullopt);
    ASSERT_TRUE(line);
    EXPECT_NEAR(line->r, 1, 1e-12);
    EXPECT_EQ(line->N, 4); // the empty and the unreadable x leave their rows out
    EXPECT_EQ(line->df, 2);
    EXPECT_NEAR(line->coeffs[0], 2, 1e-12);
    EXPECT_NEAR(line->coeffs[1], 0, 1e-12);
    const double fit[2][2] = {{-3.5, 8.5}, {-7, 17}};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            EXPECT_NEAR(line->dataFit[i][j], fit[i][j], 1e-9);
    EXPECT_EQ(line->names, std::vector<std::string>{"x"});
    EXPECT_EQ(line->nameLHS, "y");
    EXPECT_EQ(line->toValue().dictionary().size(), 20u);

    // One day between rows and y rising by 2 per row: 2 per day, not per second.
    const auto byDay = background->correlationResultsForColumn(cols[2].get(), cols[1].get(), std::nullopt);
    EXPECT_NEAR(byDay->coeffs[0], 2, 1e-9);
    // The line stays in seconds: its ends lie 1.5 ranges beyond a range of 3 days on each side.
    EXPECT_NEAR(byDay->dataFit[0][1] - byDay->dataFit[0][0], 4 * 3 * 86400.0, 1e-3);
    // A date y gives its coefficients in days: one day per unit of x.
    const auto dayOnX = background->correlationResultsForColumn(cols[0].get(), cols[2].get(), std::nullopt);
    EXPECT_NEAR(dayOnX->coeffs[0], 1, 1e-9);

    // A constant column: no correlation, the slope dropped, a flat line at the intercept.
    const auto flat = background->correlationResultsForColumn(cols[3].get(), cols[1].get(), std::nullopt);
    EXPECT_TRUE(std::isnan(flat->r));
    EXPECT_EQ(flat->drop, (std::vector<std::string>{"constant", "keep"}));
    EXPECT_TRUE(std::isnan(flat->coeffs[0]));
    EXPECT_DOUBLE_EQ(flat->dataFit[1][0], flat->dataFit[1][1]);

    // No shared rows: df -2 and every key still there.
    const auto none =
        background->correlationResultsForColumn(cols[0].get(), cols[1].get(), std::vector<int64_t>{});
    EXPECT_EQ(none->df, -2);
    EXPECT_EQ(none->toValue().dictionary().size(), 20u);

    EXPECT_FALSE(background->correlationResultsForColumn(nullptr, cols[1].get(), std::nullopt));
}

TEST_F(AnalysisTest, CorrelationOverFilteredFixtureMatchesCorTest) {
    loadCsv("tests/fixtures/analyses/regression.csv",
            {kNumeric, kNumeric, kNumeric, kBinary, kBinary, kDate, kCategorical, kBinary}, 1);
    auto background = backgroundModel(*m);
    const auto rows = background->rowsWhere(std::vector<WhereClauseObj>{{6, FilterEqual, "north", {}}});
    auto x1 = background->columnNumber(1);
    auto y = background->columnNumber(0);
    const auto c = background->correlationResultsForColumn(x1.get(), y.get(), rows);
    // Rscript tests/fixtures/analyses/regression.R: cor.test r, t, df. Its p and interval come from t and
    // an exact normal point; ours from Fisher's z with 1.9572, so those are not compared.
    EXPECT_NEAR(c->r, 0.825196948578839, 1e-12);
    EXPECT_NEAR(c->t, 7.00635534013165, 1e-9);
    EXPECT_EQ(c->df, 23);
    EXPECT_EQ(c->N, 25);
}
