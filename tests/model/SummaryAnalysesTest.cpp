// The one-variable summary, two-way tables and grouped summaries computed on real workspace files:
// the pinned figures of their definitions, and references from R where a formula is R's too.
#include "StoreFixture.h"

#include "stats/Distributions.h"

#include <cmath>

namespace {

// The workspace of `texts` (see workspaceOf), typed as given and with its statistics cached, as an
// import leaves it.
std::vector<std::shared_ptr<Column>> workspaceOf(Model& m, const std::vector<std::vector<std::string>>& texts,
                                                 const std::vector<int64_t>& types) {
    auto columns = ::workspaceOf(m, texts);
    for (size_t k = 0; k < columns.size(); ++k) {
        columns[k]->setType(types[k]);
        m.basicStatsForColumn(*columns[k]);
    }
    m.saveContext();
    return m.columns();
}

std::vector<int64_t> rowRange(int64_t from, int64_t to) {
    std::vector<int64_t> out;
    for (int64_t r = from; r <= to; ++r)
        out.push_back(r);
    return out;
}

std::set<std::string> keysOf(const foundation::Value& v) {
    std::set<std::string> out;
    for (const auto& [key, value] : v.dictionary())
        out.insert(key);
    return out;
}

} // namespace

class SummaryAnalysesTest : public StoreTest {
  protected:
    std::unique_ptr<Model> open() {
        auto m = mainModel();
        m->openStore(path("Summaries.ov"));
        m->setMetadataValue(".", "decimalSeparator");
        m->setReadDecimal(nullptr);
        m->setReadPercent(nullptr);
        m->setReadCurrency(nullptr);
        return m;
    }
};

// ---------------------------------------------------------------------------------------------------
// Variable detail

TEST_F(SummaryAnalysesTest, NumericDetailOfOneToFourAndHundred) {
    auto m = open();
    auto columns = workspaceOf(*m, {{"1", "2", "3", "4", "100"}}, {3});
    // Computed on a background Model, as the summary screen does.
    auto worker = backgroundModel(*m);
    worker->openStore(path("Summaries.ov"));
    auto column = worker->columnNumber(columns[0]->num());
    const VariableDetailResult r = worker->varDetailForColumn(*column, rowRange(1, 5));

    EXPECT_EQ(r.obs, 5);
    EXPECT_EQ(r.obsNumeric, 5);
    EXPECT_EQ(r.levels, 5);
    EXPECT_EQ(r.mode, 1.0); // every text once: by text order "1" comes first ("100" before "2")
    struct Case {
        const char* name;
        std::optional<double> value;
        double expected, tolerance;
    };
    // R: x <- c(1,2,3,4,100); sd(x) -> 43.6176569751288; var(x) -> 1902.5; sqrt(mean(x^2))
    // -> 44.7883913531174; mean(abs(x-mean(x))) -> 31.2; b <- mean((x-22)^2); mean((x-22)^3)/b^1.5
    // -> 1.49753670333352; mean((x-22)^4)/b^2-3 -> 0.246716489300164; quantile(x, c(.25,.5,.75)) -> 2 3 4
    const Case cases[] = {
        {"min", r.min, 1, 0},
        {"max", r.max, 100, 0},
        {"mean", r.mean, 22, 1e-12},
        {"sd", r.sd, 43.6176569751288, 1e-10},
        {"variance", r.variance, 1902.5, 1e-9},
        {"rms", r.rms, 44.7883913531174, 1e-10},
        {"meanAbsDev", r.meanAbsDev, 31.2, 1e-12},
        {"skew", r.skew, 1.49753670333352, 1e-12},
        {"kurtosis", r.kurtosis, 0.246716489300164, 1e-12},
        {"coeffVar", r.coeffVar, 43.6176569751288 / 22, 1e-10},
        {"sum", r.sum, 110, 0},
        {"range", r.range, 99, 0},
        {"midrange", r.midrange, 50.5, 0},
        {"pc25", r.pc25, 2, 0},
        {"pc50", r.pc50, 3, 0},
        {"pc75", r.pc75, 4, 0},
        {"lower_fence", r.lower_fence, 1, 0},
        {"upper_fence", r.upper_fence, 4, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.value.has_value());
        EXPECT_NEAR(*c.value, c.expected, c.tolerance);
    }
    EXPECT_EQ(r.outliers, std::vector<double>{100});
    EXPECT_EQ(r.sorted, (std::vector<double>{1, 2, 3, 4, 100}));

    // The intervals take the library's own t and chi-square quantiles (Hill's algorithm, Wilson-Hilferty),
    // so they are pinned on those and agree with R only in their first digits:
    // R: m -/+ qt(0.975, 4) * s / sqrt(5) -> -32.1584743520187 76.1584743520187 (qt 2.77644510519779)
    // R: 4 * var / qchisq(c(0.975, 0.025), 4) -> 682.922386272608 15709.5550710264
    QVStatistics f;
    const double t = f.tForConfidence(0.025, 4), se = 43.6176569751288 / std::sqrt(5.0);
    EXPECT_NEAR((*r.ciMean)[0], 22 - t * se, 1e-9);
    EXPECT_NEAR((*r.ciMean)[1], 22 + t * se, 1e-9);
    EXPECT_NEAR((*r.ciMean)[0], -32.1584743520187, 0.2);
    EXPECT_NEAR((*r.ciVariance)[0], 4 * 1902.5 / f.chiXForConfidence(0.975, 4), 1e-9);
    EXPECT_NEAR((*r.ciVariance)[1], 4 * 1902.5 / f.chiXForConfidence(0.025, 4), 1e-9);
    EXPECT_NEAR((*r.ciVariance)[0], 682.922386272608, 682.92 * 0.03);
    EXPECT_NEAR((*r.ciVariance)[1], 15709.5550710264, 15709.56 * 0.1);
    EXPECT_DOUBLE_EQ((*r.ciStd)[0], std::sqrt((*r.ciVariance)[0]));
    EXPECT_DOUBLE_EQ((*r.ciStd)[1], std::sqrt((*r.ciVariance)[1]));

    // Plotting positions (i - 0.3175) / (n + 0.365): 0.1272, 0.3136, 0.5, 0.6864, 0.8728, through the
    // library's own normal quantile; R's qnorm of them: -1.13966272866095 -0.485652706575692 0 ...
    const double rQnorm[] = {-1.13966272866095, -0.485652706575692, 0, 0.485652706575692, 1.13966272866095};
    ASSERT_EQ(r.qnorm->size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_DOUBLE_EQ((*r.qnorm)[i], norm_quantile_approx((static_cast<double>(i) + 1 - 0.3175) / 5.365));
        EXPECT_NEAR((*r.qnorm)[i], rQnorm[i], 5e-3);
    }
    // The line of least squares through (qnorm, sorted) evaluated at its two ends.
    // R: q <- qnorm-like positions; coef(lm(c(1,2,3,4,100) ~ q)) gives the same slope up to the quantiles.
    const auto& q = *r.qnorm;
    const double left = q[0] - 1.5 * (q[4] - q[0]), right = q[4] + 1.5 * (q[4] - q[0]);
    double qm = 0, sxy = 0, sxx = 0;
    for (double v : q)
        qm += v / 5;
    for (size_t i = 0; i < 5; ++i) {
        sxy += (q[i] - qm) * ((*r.sorted)[i] - 22);
        sxx += (q[i] - qm) * (q[i] - qm);
    }
    const double slope = sxy / sxx, intercept = 22 - slope * qm;
    EXPECT_NEAR((*r.qqline)[0][0], left, 1e-12);
    EXPECT_NEAR((*r.qqline)[0][1], right, 1e-12);
    EXPECT_NEAR((*r.qqline)[1][0], slope * left + intercept, 1e-9);
    EXPECT_NEAR((*r.qqline)[1][1], slope * right + intercept, 1e-9);

    // 31 of the 32 properties: everything but obsDate.
    const auto keys = keysOf(r.toValue());
    EXPECT_EQ(keys.size(), 31u);
    EXPECT_FALSE(keys.count("obsDate"));
    // The histogram over [1, 100] of five values: 4 bins from 0 to 100.
    const auto& graph = std::get<HistogramBins>(*r.graph);
    EXPECT_EQ(graph.edges, (std::vector<double>{0, 25, 50, 75}));
    EXPECT_EQ(graph.contents, (std::vector<double>{4, 0, 0, 1}));
}

TEST_F(SummaryAnalysesTest, TimestampsFarFromZeroKeepTheirSpread) {
    auto m = open();
    // Nine seconds counts near 1.7e9 spread over a minute. The one-pass shortcut
    // sqrt(sum(t^2)/8 - sum(t)^2/72) gives 32 here; R: sd(t) -> 21.1745392183894.
    // The same seconds as numbers and as the times of a Date / Time column ("2023-11-14 22:13:20" is
    // 1700000000 s).
    std::vector<std::string> numbers, times;
    for (int d : {0, 5, 12, 20, 31, 38, 44, 52, 60}) {
        numbers.push_back(std::to_string(1700000000 + d));
        char text[32];
        std::snprintf(text, sizeof text, "2023-11-14 22:%02d:%02d", 13 + (20 + d) / 60, (20 + d) % 60);
        times.push_back(text);
    }
    auto columns = workspaceOf(*m, {numbers, times}, {3, 4});
    const double base = *m->dateForString("2023-11-14 22:13:20");
    struct Case {
        const char* what;
        size_t column;
        std::optional<std::vector<int64_t>> rows;
        double origin;
    };
    const Case cases[] = {
        {"numbers over given rows", 0, rowRange(1, 9), 1700000000},
        {"numbers over every row", 0, std::nullopt, 1700000000},
        {"times over given rows", 1, rowRange(1, 9), base},
        {"times over every row", 1, std::nullopt, base},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = m->varDetailForColumn(*columns[c.column], c.rows);
        // R: t <- 1700000000 + c(0,5,12,20,31,38,44,52,60); d <- t - mean(t)
        // mean(t) - 1700000000 -> 29.1111111111111; mean(d^3)/mean(d^2)^1.5 -> 0.0142354392519598;
        // mean(d^4)/mean(d^2)^2 - 3 -> -1.32883262198292; mean(abs(d)) -> 17.6543209817674
        EXPECT_NEAR(*r.sd, 21.1745392183894, 1e-6);
        EXPECT_NEAR(*r.variance, 21.1745392183894 * 21.1745392183894, 1e-4);
        EXPECT_NEAR(*r.mean - c.origin, 29.1111111111111, 1e-5);
        EXPECT_NEAR(*r.skew, 0.0142354392519598, 1e-6);
        EXPECT_NEAR(*r.kurtosis, -1.32883262198292, 1e-6);
        EXPECT_NEAR(*r.meanAbsDev, 17.6543209817674, 1e-6);
        EXPECT_EQ(r.range, 60);
    }
}

TEST_F(SummaryAnalysesTest, DetailByTypeSetsOnlyThatTypesProperties) {
    auto m = open();
    auto columns = workspaceOf(*m,
                               {{"yes", "yes", "no", ""},
                                {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "a"},
                                {"5 January 2020", "7 January 2020", "6 January 2020", "6 January 2020", "x"},
                                {"x", "y", "x"}},
                               {2, 1, 4, 3});

    const auto binary = m->varDetailForColumn(*columns[0], std::nullopt);
    EXPECT_EQ(keysOf(binary.toValue()),
              (std::set<std::string>{"top", "graph", "obs", "levels", "mean", "sd"}));
    EXPECT_EQ(binary.obs, 3);
    EXPECT_EQ(binary.levels, 2);
    EXPECT_NEAR(*binary.mean, 2.0 / 3, 1e-15);
    EXPECT_NEAR(*binary.sd, std::sqrt(2.0 / 9), 1e-15); // 0.4714
    EXPECT_EQ(binary.top->levels, (std::vector<std::string>{"yes", "no"}));
    EXPECT_EQ(binary.top->counts, (std::vector<int64_t>{2, 1}));
    EXPECT_EQ(std::get<TopFrequencies>(*binary.graph).toValue(), binary.top->toValue());

    const auto categorical = m->varDetailForColumn(*columns[1], std::nullopt);
    EXPECT_EQ(keysOf(categorical.toValue()), (std::set<std::string>{"top", "graph", "obs", "levels"}));
    EXPECT_EQ(categorical.obs, 13);
    EXPECT_EQ(categorical.levels, 12);
    EXPECT_EQ(categorical.top->levels.size(), 12u);
    const auto& bars = std::get<TopFrequencies>(*categorical.graph);
    ASSERT_EQ(bars.levels.size(), 10u);
    EXPECT_EQ(bars.levels[0], "a");
    EXPECT_EQ(bars.levels[9], "Others"); // j, k and l
    EXPECT_EQ(bars.counts[9], 3);

    const auto dates = m->varDetailForColumn(*columns[2], std::nullopt);
    const double day5 = *m->dateForString("5 January 2020"), day = 86400;
    const auto dateKeys = keysOf(dates.toValue());
    EXPECT_FALSE(dateKeys.count("ciStd"));
    EXPECT_FALSE(dateKeys.count("ciVariance"));
    EXPECT_FALSE(dateKeys.count("obsNumeric"));
    EXPECT_EQ(dateKeys.size(), 29u); // the numeric set less ciStd, ciVariance, obsNumeric; with obsDate
    EXPECT_EQ(dates.obs, 5);
    EXPECT_EQ(dates.obsDate, 4);
    EXPECT_EQ(dates.min, day5);
    EXPECT_EQ(dates.max, day5 + 2 * day);
    EXPECT_EQ(dates.mean, day5 + day);
    EXPECT_EQ(dates.mode, day5 + day); // "6 January 2020" is the most frequent text
    EXPECT_NEAR(*dates.sd, day * std::sqrt(2.0 / 3), 1e-6);
    EXPECT_EQ(dates.sorted, (std::vector<double>{day5, day5 + day, day5 + day, day5 + 2 * day}));

    // A Numeric column without a single number is summarised by its texts.
    const auto words = m->varDetailForColumn(*columns[3], std::nullopt);
    EXPECT_EQ(keysOf(words.toValue()), (std::set<std::string>{"top", "graph", "obs", "levels"}));
}

TEST_F(SummaryAnalysesTest, DetailEdgeCases) {
    auto m = open();
    auto columns = workspaceOf(*m, {{"5", "5", "5"}, {"3", "3", "7", "x"}, {"8"}}, {3, 3, 3});

    const auto flat = m->varDetailForColumn(*columns[0], rowRange(1, 3));
    EXPECT_EQ(flat.sd, 0.0);
    EXPECT_TRUE(std::isnan(*flat.skew));
    EXPECT_TRUE(std::isnan(*flat.kurtosis));

    // Over given rows the levels are the texts that gave numbers; "x" counts in top only.
    const auto given = m->varDetailForColumn(*columns[1], rowRange(1, 4));
    EXPECT_EQ(given.obs, 4);
    EXPECT_EQ(given.obsNumeric, 3);
    EXPECT_EQ(given.levels, 2);
    EXPECT_EQ(given.mode, 3.0);
    EXPECT_EQ(given.top->levels, (std::vector<std::string>{"3", "7", "x"}));
    // Over every row with a stale cache, the refreshed cache gives the count of all texts.
    columns[1]->setPc50(std::nullopt);
    m->saveContext();
    const auto whole = m->varDetailForColumn(*columns[1], std::nullopt);
    EXPECT_EQ(whole.levels, 3);
    EXPECT_EQ(columns[1]->pc50(), 3.0); // refreshed and saved
    EXPECT_FALSE(m->managedObjectContext()->hasChanges());

    // A single value: no spread, no intervals.
    const auto one = m->varDetailForColumn(*columns[2], rowRange(1, 1));
    EXPECT_TRUE(std::isnan(*one.sd));
    EXPECT_TRUE(std::isnan((*one.ciMean)[0]));
    EXPECT_TRUE(std::isnan((*one.ciVariance)[1]));
    EXPECT_EQ(one.qqline, (std::array<std::array<double, 2>, 2>{{{0, 0}, {8, 8}}}));

    // The most frequent text is not a number: no mode, the rest all there.
    auto other = mainModel();
    other->openStore(path("Words.ov"));
    other->setMetadataValue(".", "decimalSeparator");
    auto words = workspaceOf(*other, {{"x", "x", "1", "2"}}, {3});
    const auto noMode = other->varDetailForColumn(*words[0], std::nullopt);
    EXPECT_FALSE(noMode.mode.has_value());
    EXPECT_EQ(noMode.mean, 1.5);
    EXPECT_EQ(keysOf(noMode.toValue()).size(), 30u);
}

TEST_F(SummaryAnalysesTest, FiltersThatKeepNothing) {
    auto m = open();
    auto columns = workspaceOf(*m, {{"1", "2", "x"}}, {3});
    // No row at all, and a row whose text is no number: the value form with nothing to form.
    for (const auto& rows : {std::vector<int64_t>{}, std::vector<int64_t>{3}}) {
        SCOPED_TRACE(rows.size());
        const auto r = m->varDetailForColumn(*columns[0], rows);
        EXPECT_EQ(r.obsNumeric, 0);
        for (auto v : {r.mean, r.sd, r.variance, r.skew, r.kurtosis, r.rms, r.min, r.max, r.pc25, r.pc50})
            EXPECT_TRUE(std::isnan(*v));
        EXPECT_EQ(r.sum, 0.0);
        EXPECT_TRUE(std::isnan((*r.ciMean)[0]));
        EXPECT_TRUE(std::get<HistogramBins>(*r.graph).edges.empty());
        EXPECT_TRUE(r.sorted->empty());
        EXPECT_TRUE(r.qnorm->empty());
        EXPECT_TRUE(r.outliers->empty());
        EXPECT_EQ(r.qqline, (std::array<std::array<double, 2>, 2>{{{0, 0}, {0, 0}}}));
        EXPECT_EQ(r.lower_fence, 3.4028234663852886e38);
        EXPECT_EQ(r.upper_fence, -3.4028234663852886e38);
    }
    const auto none = m->varDetailForColumn(*columns[0], std::vector<int64_t>{});
    EXPECT_EQ(none.obs, 0);
    EXPECT_TRUE(std::isnan(*none.mode)); // no level at all
    EXPECT_EQ(none.toValue().find("mode")->kind(), foundation::Value::Kind::Decimal);
    const auto word = m->varDetailForColumn(*columns[0], std::vector<int64_t>{3});
    EXPECT_FALSE(word.mode.has_value()); // "x" is the most frequent text and reads as nothing
}

TEST_F(SummaryAnalysesTest, DetailOverTheRowsOfAFilter) {
    auto m = open();
    auto columns = workspaceOf(*m, {{"1", "2", "3", "4", "100"}, {"a", "b", "a", "b", "a"}}, {3, 1});
    const auto kept = m->rowsWhere(std::vector<WhereClauseObj>{{columns[1]->num(), FilterEqual, "a"}});
    const auto r = m->varDetailForColumn(*columns[0], kept);
    EXPECT_EQ(r.sorted, (std::vector<double>{1, 3, 100}));
    EXPECT_NEAR(*r.mean, 104.0 / 3, 1e-12);
    // A filter that no row passes gives an empty row list, not "every row".
    const auto none = m->rowsWhere(std::vector<WhereClauseObj>{{columns[1]->num(), FilterEqual, "zzz"}});
    ASSERT_TRUE(none.has_value());
    const auto empty = m->varDetailForColumn(*columns[0], none);
    EXPECT_EQ(empty.obs, 0);
    EXPECT_TRUE(std::isnan(*empty.mean));
    const auto table = m->twoWayTabOfColumn(*columns[0], *columns[1], 10, 0, false, none);
    EXPECT_EQ(table.sumTotal, 0);
    const auto groups = m->tabColumn(*columns[1], *columns[0], 20, none);
    EXPECT_TRUE(groups.summary.empty());
    EXPECT_TRUE(std::isnan(groups.F));
}

// ---------------------------------------------------------------------------------------------------
// Two-way tables

TEST_F(SummaryAnalysesTest, TwoWayExampleInEveryPercentMode) {
    auto m = open();
    auto columns = workspaceOf(*m, {{"M", "F", "M", "F", "M"}, {"yes", "no", "no", "no", "yes"}}, {2, 2});
    struct Case {
        int64_t mode;
        std::vector<std::vector<double>> percs;
        std::vector<double> percsA, percsB;
    };
    const Case cases[] = {
        {0, {{0.2, 0.4}, {0.4, 0}}, {0.6, 0.4}, {0.6, 0.4}},
        {1, {{1.0 / 3, 2.0 / 3}, {1, 0}}, {1, 1}, {0.6, 0.4}},
        {2, {{1.0 / 3, 1}, {2.0 / 3, 0}}, {0.6, 0.4}, {1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        const auto r = m->twoWayTabOfColumn(*columns[0], *columns[1], 10, c.mode, false, std::nullopt);
        EXPECT_EQ(r.arrayA.levels, (std::vector<std::string>{"M", "F"}));
        EXPECT_EQ(r.arrayA.counts, (std::vector<int64_t>{3, 2}));
        EXPECT_EQ(r.arrayB.levels, (std::vector<std::string>{"no", "yes"}));
        EXPECT_EQ(r.arrayB.counts, (std::vector<int64_t>{3, 2}));
        EXPECT_EQ(r.freqs, (std::vector<std::vector<int64_t>>{{1, 2}, {2, 0}}));
        EXPECT_EQ(r.sumTotal, 5);
        for (size_t i = 0; i < 2; ++i)
            for (size_t j = 0; j < 2; ++j)
                EXPECT_NEAR(r.percs[i][j], c.percs[i][j], 1e-15);
        EXPECT_EQ(r.percsA, c.percsA);
        EXPECT_EQ(r.percsB, c.percsB);
        // R: chisq.test(matrix(c(1,2,2,0),2,byrow=TRUE), correct=FALSE) -> X-squared 2.22222222222222,
        // p 0.136037128114142; phi (1*0 - 2*2) / sqrt(3*2*3*2) -> -0.666666666666667
        EXPECT_NEAR(r.chisq, 2.22222222222222, 1e-12);
        EXPECT_EQ(r.df, 1);
        EXPECT_NEAR(r.p, 0.136037128114142, 1e-6);
        EXPECT_NEAR(r.phi, -2.0 / 3, 1e-15);
        EXPECT_NEAR(r.v, std::sqrt(2.22222222222222 / 5), 1e-12);
        EXPECT_EQ(keysOf(r.toValue()).size(), 12u);
    }
}

TEST_F(SummaryAnalysesTest, TwoWayMissingValuesAndEmptyTable) {
    auto m = open();
    auto columns = workspaceOf(*m, {{"a", "", "b", "a"}, {"x", "y", "", "y"}}, {1, 1});
    const auto without = m->twoWayTabOfColumn(*columns[0], *columns[1], 10, 0, false, std::nullopt);
    EXPECT_EQ(without.sumTotal, 2);
    EXPECT_EQ(without.arrayA.levels, std::vector<std::string>{"a"});
    const auto with = m->twoWayTabOfColumn(*columns[0], *columns[1], 10, 0, true, std::nullopt);
    EXPECT_EQ(with.sumTotal, 4);
    EXPECT_EQ(with.arrayA.levels, (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(with.arrayB.levels, (std::vector<std::string>{"y", "", "x"}));
    EXPECT_EQ(with.freqs, (std::vector<std::vector<int64_t>>{{1, 0, 1}, {1, 0, 0}, {0, 1, 0}}));

    // Filters that keep nothing: an empty table, every key there, no test.
    const auto empty = m->twoWayTabOfColumn(*columns[0], *columns[1], 10, 0, false, std::vector<int64_t>{});
    EXPECT_EQ(keysOf(empty.toValue()).size(), 12u);
    EXPECT_TRUE(empty.freqs.empty());
    EXPECT_EQ(empty.sumTotal, 0);
    EXPECT_TRUE(std::isnan(empty.chisq));
    EXPECT_TRUE(std::isnan(empty.p));
}

TEST_F(SummaryAnalysesTest, TwoWayOthersRowAndColumnOfATwelveByTwelveTable) {
    auto m = open();
    // tests/fixtures/summaries/twoway12.py builds the same rows and counts the table by hand.
    std::vector<std::string> a, b;
    for (int i = 1; i <= 12; ++i)
        for (int k = 0; k < 13 - i; ++k) {
            char x[16], y[16];
            std::snprintf(x, sizeof x, "a%02d", i);
            std::snprintf(y, sizeof y, "b%02d", (i + 2 * k) % 12 + 1);
            a.push_back(x);
            b.push_back(y);
        }
    auto columns = workspaceOf(*m, {a, b}, {1, 1});
    const auto r = m->twoWayTabOfColumn(*columns[0], *columns[1], 10, 0, false, std::nullopt);
    ASSERT_EQ(r.freqs.size(), 10u);
    EXPECT_EQ(r.arrayA.levels.back(), "Others");
    EXPECT_EQ(r.arrayA.counts, (std::vector<int64_t>{12, 11, 10, 9, 8, 7, 6, 5, 4, 6}));
    EXPECT_EQ(r.arrayB.levels, (std::vector<std::string>{"b02", "b04", "b06", "b08", "b10", "b12", "b01",
                                                         "b03", "b05", "Others"}));
    EXPECT_EQ(r.arrayB.counts, (std::vector<int64_t>{7, 7, 7, 7, 7, 7, 6, 6, 6, 18}));
    // From twoway12.out:
    EXPECT_EQ(r.freqs[9], (std::vector<int64_t>{1, 0, 0, 0, 0, 1, 2, 1, 0, 1}));
    std::vector<int64_t> othersColumn;
    for (const auto& row : r.freqs)
        othersColumn.push_back(row[9]);
    EXPECT_EQ(othersColumn, (std::vector<int64_t>{0, 6, 0, 5, 0, 4, 0, 2, 0, 1}));
    EXPECT_EQ(r.sumTotal, 78);
    EXPECT_EQ(r.df, 81);
    EXPECT_TRUE(std::isnan(r.phi));
}

TEST_F(SummaryAnalysesTest, TwoWayRealOthersLevelStaysApart) {
    auto m = open();
    // "Others" is a real text here, the most frequent; with top 2 the merged level sits beside it.
    auto columns = workspaceOf(
        *m, {{"Others", "Others", "Others", "a", "a", "b"}, {"x", "y", "x", "x", "y", "y"}}, {1, 1});
    const auto r = m->twoWayTabOfColumn(*columns[0], *columns[1], 2, 0, false, std::nullopt);
    EXPECT_EQ(r.arrayA.levels, (std::vector<std::string>{"Others", "Others"}));
    EXPECT_EQ(r.arrayA.counts, (std::vector<int64_t>{3, 3}));
    EXPECT_EQ(r.freqs, (std::vector<std::vector<int64_t>>{{2, 1}, {1, 2}}));
}

TEST_F(SummaryAnalysesTest, TwoWayChiSquareAgainstR) {
    auto m = open();
    // The table [[12, 5, 7], [3, 9, 4], [6, 2, 11]] as rows of texts. The levels come by frequency,
    // r1 (24), r3 (19), r2 (16) and c3 (22), c1 (21), c2 (16): the table is permuted, the test unchanged.
    std::vector<std::string> a, b;
    const int table[3][3] = {{12, 5, 7}, {3, 9, 4}, {6, 2, 11}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < table[i][j]; ++k) {
                a.push_back("r" + std::to_string(i + 1));
                b.push_back("c" + std::to_string(j + 1));
            }
    auto columns = workspaceOf(*m, {a, b}, {1, 1});
    const auto r = m->twoWayTabOfColumn(*columns[0], *columns[1], 10, 0, false, std::nullopt);
    // R: tab <- matrix(c(12,5,7, 3,9,4, 6,2,11), 3, byrow=TRUE); chisq.test(tab, correct=FALSE)
    //    -> X-squared 13.2823829816017, df 4, p 0.00997535282914667; sqrt(X2 / (59 * 2)) -> 0.335503453992195
    EXPECT_NEAR(r.chisq, 13.2823829816017, 1e-10);
    EXPECT_EQ(r.df, 4);
    EXPECT_NEAR(r.p, 0.00997535282914667, 1e-7);
    EXPECT_NEAR(r.v, 0.335503453992195, 1e-10);
    EXPECT_EQ(r.sumTotal, 59);
}

// ---------------------------------------------------------------------------------------------------
// Grouped summaries

TEST_F(SummaryAnalysesTest, GroupOrder) {
    auto m = open();
    struct Case {
        const char* what;
        std::vector<std::string> groups;
        int64_t type;
        uint64_t top;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"numeric levels by value", {"10", "9", "100", "10"}, 3, 20, {"9", "10", "100"}},
        {"numeric with Others first", {"10", "9", "100", "10", "9", "7"}, 3, 3, {"Others", "9", "10"}},
        {"text by frequency, Others last", {"b", "a", "c", "b", "d", "c", "b"}, 1, 3, {"b", "c", "Others"}},
        {"text ties by text", {"y", "x", "z"}, 1, 20, {"x", "y", "z"}},
        {"dates by time",
         {"6 January 2020", "5 January 2020", "7 January 2020", "5 January 2020"},
         4,
         20,
         {"5 January 2020", "6 January 2020", "7 January 2020"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto test = mainModel();
        const std::string file = path(std::string(c.what) + ".ov");
        test->openStore(file);
        test->setMetadataValue(".", "decimalSeparator");
        std::vector<std::string> values(c.groups.size(), "1");
        auto columns = workspaceOf(*test, {c.groups, values}, {c.type, 3});
        const auto r = test->tabColumn(*columns[0], *columns[1], c.top, std::nullopt);
        std::vector<std::string> levels;
        for (const auto& g : r.summary)
            levels.push_back(g.level);
        EXPECT_EQ(levels, c.expected);
    }
}

TEST_F(SummaryAnalysesTest, GroupsAgainstAovWithWhiskersAndDensities) {
    auto m = open();
    const std::vector<std::string> g{"A", "A", "A", "A", "B", "B", "B", "C", "C", "C", "C", "C", "", "A"};
    const std::vector<std::string> y{"4.1", "5.0", "6.2", "5.5", "7.3", "8.1", "6.9",
                                     "5.2", "4.8", "5.9", "6.4", "5.0", "9",   "n/a"};
    auto columns = workspaceOf(*m, {g, y}, {1, 3});
    const auto r = m->tabColumn(*columns[0], *columns[1], 20, std::nullopt);
    // R: g <- factor(c(rep("A",4),rep("B",3),rep("C",5)));
    //    y <- c(4.1,5.0,6.2,5.5, 7.3,8.1,6.9, 5.2,4.8,5.9,6.4,5.0); summary(aov(y ~ g))
    //    -> F 9.19431538671768, p 0.00668382155444605
    EXPECT_NEAR(r.F, 9.19431538671768, 1e-9);
    EXPECT_NEAR(r.p, 0.00668382155444605, 1e-7);
    ASSERT_EQ(r.summary.size(), 3u);    // the empty group text and its 9 are left out
    EXPECT_EQ(r.summary[0].level, "A"); // five rows like C: the tie goes by text
    EXPECT_EQ(r.summary[0].obs, 4u);    // "n/a" reads as no number
    const auto& c = r.summary[1];
    EXPECT_EQ(c.level, "C");
    EXPECT_EQ(c.obs, 5u);
    EXPECT_NEAR(c.mean, 5.46, 1e-12);
    // R: quantile(c(5.2,4.8,5.9,6.4,5.0)) -> 4.8 5.0 5.2 5.9 6.4
    EXPECT_EQ(c.median.at(0), 4.8);
    EXPECT_EQ(c.median.at(25), 5.0);
    EXPECT_EQ(c.median.at(50), 5.2);
    EXPECT_EQ(c.median.at(75), 5.9);
    EXPECT_EQ(c.median.at(100), 6.4);
    EXPECT_EQ(c.botwhisker, 4.8);
    EXPECT_EQ(c.topwhisker, 6.4);
    // The density runs from min - sd to max + sd with a peak of 1.
    ASSERT_EQ(c.density.size(), 100u);
    EXPECT_NEAR(c.density.front().x, 4.8 - c.sd, 1e-12);
    double peak = 0;
    for (const auto& p : c.density)
        peak = std::max(peak, p.y);
    EXPECT_DOUBLE_EQ(peak, 1);
    EXPECT_EQ(r.summary[2].level, "B");
    const auto keys = keysOf(r.toValue().dictionary().at("summary").array()[0]);
    EXPECT_EQ(keys, (std::set<std::string>{"obs", "mean", "sd", "level", "median", "density", "topwhisker",
                                           "botwhisker"}));
}

TEST_F(SummaryAnalysesTest, GroupOfOneAndGroupWithoutSpread) {
    auto m = open();
    // R: g1 <- factor(c("A","A","A","B","B","C")); summary(aov(c(1,2,3,4,6,10) ~ g1))
    //    -> F 18.5, p 0.0205395959064437
    auto columns = workspaceOf(
        *m, {{"A", "A", "A", "B", "B", "C", "D", "D"}, {"1", "2", "3", "4", "6", "10", "", ""}}, {1, 3});
    const auto r = m->tabColumn(*columns[0], *columns[1], 20, std::nullopt);
    EXPECT_NEAR(r.F, 18.5, 1e-9);
    EXPECT_NEAR(r.p, 0.0205395959064437, 1e-7);
    const auto& one = r.summary[3];
    EXPECT_EQ(one.level, "C");
    EXPECT_EQ(one.obs, 1u);
    EXPECT_TRUE(std::isnan(one.sd));
    // No spread of its own: the bandwidth is a tenth of the column's cached sd.
    EXPECT_NEAR(one.density.front().x, 10 - *columns[1]->sd() / 10, 1e-12);
    EXPECT_EQ(one.topwhisker, 10);
    // D has rows but no value: only its level and NaN statistics; every key still there.
    const auto& empty = r.summary[2];
    EXPECT_EQ(empty.level, "D");
    EXPECT_EQ(empty.obs, 0u);
    EXPECT_TRUE(empty.density.empty());
    EXPECT_TRUE(std::isnan(empty.topwhisker));
    EXPECT_EQ(keysOf(empty.toValue()).size(), 8u);

    // All values equal and a column without spread either: a width of 1.
    auto other = mainModel();
    other->openStore(path("Flat.ov"));
    other->setMetadataValue(".", "decimalSeparator");
    auto flat = workspaceOf(*other, {{"A", "A", "A"}, {"4", "4", "4"}}, {1, 3});
    const auto f = other->tabColumn(*flat[0], *flat[1], 20, std::nullopt);
    EXPECT_EQ(f.summary[0].sd, 0);
    EXPECT_NEAR(f.summary[0].density.front().x, 3, 1e-12);
}

TEST_F(SummaryAnalysesTest, BinarySummarisedVariableCoding) {
    auto m = open();
    struct Case {
        const char* what;
        std::vector<std::string> values;
        std::vector<int64_t> rows;
        double meanA, meanB;
    };
    // Groups A (rows 1-3) and B (rows 4-6).
    const Case cases[] = {
        // Words: the first text met is 0, so each mean is the share of rows that are not "yes".
        {"first met yes is 0", {"yes", "no", "no", "yes", "yes", "no"}, {1, 2, 3, 4, 5, 6}, 2.0 / 3, 1.0 / 3},
        // Numbers keep their order whichever comes first: the mean is the share of "1".
        {"1 met first is still 1", {"1", "0", "0", "1", "1", "0"}, {1, 2, 3, 4, 5, 6}, 1.0 / 3, 2.0 / 3},
        // Rows that hold only "1": the column's other level decides, "1" stays 1.
        {"one level among the rows", {"1", "0", "0", "1", "1", "0"}, {1, 4, 5}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto test = mainModel();
        test->openStore(path(std::string(c.what) + ".ov"));
        test->setMetadataValue(".", "decimalSeparator");
        auto columns = workspaceOf(*test, {{"A", "A", "A", "B", "B", "B"}, c.values}, {1, 2});
        const auto r = test->tabColumn(*columns[0], *columns[1], 20, c.rows);
        ASSERT_EQ(r.summary.size(), 2u);
        EXPECT_NEAR(r.summary[0].mean, c.meanA, 1e-15);
        EXPECT_NEAR(r.summary[1].mean, c.meanB, 1e-15);
        const double p = r.summary[0].mean;
        EXPECT_NEAR(r.summary[0].sd, std::sqrt(p * (1 - p)), 1e-15);
    }
}
