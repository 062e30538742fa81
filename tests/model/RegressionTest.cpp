// Design matrices from stored columns (missing values, binary codes, pairing by row), the bookkeeping
// of dropped regressors, and linear and logistic fits over a filtered fixture against R.
#include "AnalysisFixture.h"
#include "platform/foundation/Value.h"

#include <cmath>

namespace {

constexpr int64_t kCategorical = 1, kBinary = 2, kNumeric = 3, kDate = 4;

void expectClose(const std::vector<double>& got, const std::vector<double>& want, double rel,
                 const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want[i], rel * std::max(1.0, std::fabs(want[i]))) << what << " [" << i << "]";
}

} // namespace

TEST_F(AnalysisTest, DesignMatrixCodesAndDropsPerColumn) {
    struct Case {
        const char* what;
        std::vector<int64_t> types;
        std::vector<std::vector<std::string>> rows;
        std::optional<FactorCodes> levels; // for the last column
        std::vector<std::vector<double>> Xmat;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"a row missing in either column leaves both",
         {kNumeric, kNumeric},
         {{"1", "2"}, {"2", "abc"}, {"", "6"}},
         std::nullopt,
         {{1}, {2}},
         {"c0", "c1"}},
        {"binary texts in the order met",
         {kNumeric, kBinary},
         {{"1", "no"}, {"2", "yes"}, {"3", "no"}},
         std::nullopt,
         {{1, 2, 3}, {0, 1, 0}},
         {"c0", "(c1=yes)"}},
        {"binary numbers in numeric order whatever comes first",
         {kNumeric, kBinary},
         {{"1", "1"}, {"2", "0"}, {"3", "1"}},
         std::nullopt,
         {{1, 2, 3}, {1, 0, 1}},
         {"c0", "(c1=1)"}},
        {"an empty binary text is missing, not a third level",
         {kNumeric, kBinary},
         {{"1", "no"}, {"2", ""}, {"3", "yes"}},
         std::nullopt,
         {{1, 3}, {0, 1}},
         {"c0", "(c1=yes)"}},
        {"given levels: a text outside them is missing, not y = 2",
         {kNumeric, kBinary},
         {{"1", "yes"}, {"2", "no"}, {"3", "maybe"}, {"4", ""}},
         FactorCodes{{"yes", 1}, {"no", 0}},
         {{1, 2}, {1, 0}},
         {"c0", "(c1=yes)"}},
        {"given levels without the other level: its text never takes the code 1 that is held",
         {kNumeric, kBinary},
         {{"1", "yes"}, {"2", "no"}, {"3", "yes"}},
         FactorCodes{{"yes", 1}},
         {{1, 3}, {1, 1}},
         {"c0", "(c1=yes)"}},
        {"dates in seconds since 1970",
         {kDate, kNumeric},
         {{"1970-01-02", "5"}, {"no date", "6"}},
         std::nullopt,
         {{86400}, {5}},
         {"c0", "c1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        addTable({"c0", "c1"}, c.types, c.rows);
        auto columns = m->columns();
        DesignMetadata metadata;
        if (c.levels)
            metadata[columns[1]->num()] = {kBinary, c.levels};
        const DesignMatrix design =
            m->numericOfColumns(columns, std::nullopt, c.levels ? &metadata : nullptr);
        EXPECT_EQ(design.Xmat, c.Xmat);
        EXPECT_EQ(design.names, c.names);
    }
}

TEST_F(AnalysisTest, DesignMatrixPairsValuesByRowNumber) {
    addTable({"x", "y"}, {kNumeric, kNumeric}, {{"1", "10"}, {"2", "20"}, {"3", "30"}});
    // Row 1 loses its x cell altogether: y's first value must not slide onto x's first one.
    rawSql(path("Analysis.ov"), "DELETE FROM Cell WHERE colNum = 0 AND rowNum = 1");
    auto background = backgroundModel(*m);
    auto columns = background->columns();
    EXPECT_EQ(background->numericOfColumns(columns).Xmat,
              (std::vector<std::vector<double>>{{2, 3}, {20, 30}}));
    EXPECT_EQ(background->numericOfColumns(columns, std::vector<int64_t>{3, 1}).Xmat,
              (std::vector<std::vector<double>>{{3}, {30}}));
    EXPECT_EQ(background->numericOfColumns(columns, std::vector<int64_t>{}).Xmat,
              (std::vector<std::vector<double>>{{}, {}}));
}

TEST_F(AnalysisTest, RegressionDropsConstantAndCollinearRegressors) {
    const std::vector<double> y{1, 3, 2, 5, 4, 6};
    const std::vector<double> A{1, 2, 3, 4, 5, 7};
    const std::vector<double> C(6, 2.0);
    const RegressionResult r = m->olsY(y, {A, A, C}, false);
    EXPECT_EQ(r.drop, (std::vector<std::string>{"collinear", "keep", "constant", "keep"}));
    ASSERT_EQ(r.coeffs.size(), 4u);
    EXPECT_TRUE(std::isnan(r.coeffs[0]) && std::isnan(r.variance[0]) && std::isnan(r.t[0]) &&
                std::isnan(r.p[0]));
    EXPECT_TRUE(std::isnan(r.coeffs[2]) && std::isnan(r.p[2]));
    // The kept copy carries the simple regression of y on A.
    // R: y <- c(1,3,2,5,4,6); A <- c(1,2,3,4,5,7); coef(lm(y ~ A)) -> 0.671428571428572 0.771428571428571
    EXPECT_NEAR(r.coeffs[1], 0.771428571428571, 1e-12);
    EXPECT_NEAR(r.coeffs[3], 0.671428571428572, 1e-12);
    EXPECT_EQ(r.y, y);

    // A collinear pair with opposite signs, and no regressor but the constant left: the mean model.
    const RegressionResult mean = m->olsY(y, {C}, false);
    EXPECT_EQ(mean.drop, (std::vector<std::string>{"constant", "keep"}));
    EXPECT_NEAR(mean.coeffs[1], 3.5, 1e-12);
    std::vector<double> negA(A.size());
    for (size_t i = 0; i < A.size(); ++i)
        negA[i] = -2 * A[i] + 1;
    EXPECT_EQ(m->olsY(y, {A, negA}, false).drop, (std::vector<std::string>{"collinear", "keep", "keep"}));

    // No rows at all: nothing is fitted, yet every key is there.
    const foundation::Value none = m->olsY({}, {{}}, false).toValue();
    EXPECT_EQ(none.dictionary().size(), 15u);
}

// Fixture tests/fixtures/analyses/regression.csv, references from regression.R beside it (regression.out).
class RegressionFixtureTest : public AnalysisTest {
  protected:
    void SetUp() override {
        AnalysisTest::SetUp();
        loadCsv("tests/fixtures/analyses/regression.csv",
                {kNumeric, kNumeric, kNumeric, kBinary, kBinary, kDate, kCategorical, kBinary}, 1);
    }
};

TEST_F(RegressionFixtureTest, LinearFitOverFilteredRowsMatchesLm) {
    auto background = backgroundModel(*m);
    auto site = background->columnNumber(6);
    const auto rows =
        background->rowsWhere(std::vector<WhereClauseObj>{{site->num(), FilterEqual, "north", {}}});
    std::vector<std::shared_ptr<Column>> xs;
    for (uint64_t n : {1, 2, 3, 4, 5})
        xs.push_back(background->columnNumber(n));
    const RegressionResult r = background->ols(*background->columnNumber(0), xs, rows, false, nullptr);

    // Rscript tests/fixtures/analyses/regression.R (lm(y ~ x1 + x2 + gM + smoker1 + day), site north)
    expectClose(r.coeffs,
                {0.874711215015409, -0.341472051533288, 0.514987949322596, 0.301350404438137,
                 1.85098020135316e-07, -315.541492168273},
                1e-6, "coeffs");
    expectClose(r.variance,
                {0.113609045750968, 0.15336995843021, 0.581754632947504, 0.58989494183918,
                 4.97686696177317e-07, 851.702048025942},
                1e-6, "standard errors");
    expectClose(r.t,
                {7.6993095860763, -2.22645982973694, 0.885232227053132, 0.510854362471026, 0.371916753164261,
                 -0.37048342539463},
                1e-5, "t");
    expectClose(r.p,
                {4.21068021028366e-07, 0.0389927736394516, 0.387704316988936, 0.615661570077752,
                 0.714297058297903, 0.715346103422563},
                1e-5, "p");
    EXPECT_EQ(r.N, 24);
    EXPECT_NEAR(*r.r2, 0.79068067415645, 1e-9);
    EXPECT_NEAR(r.r2adj, 0.732536416977686, 1e-9);
    // The root mean square error is the residual standard error (summary(f)$sigma).
    EXPECT_NEAR(*r.rmse, 1.36977034414863, 1e-8);
    EXPECT_EQ(r.names, (std::vector<std::string>{"x1", "x2", "(g=M)", "(smoker=1)", "day"}));
    EXPECT_EQ(r.nameLHS, "y");
    EXPECT_EQ(r.drop, std::vector<std::string>(6, "keep"));
    EXPECT_EQ(r.y.size(), 24u);
    EXPECT_EQ(r.toValue().dictionary().size(), 15u);
}

TEST_F(RegressionFixtureTest, LogisticFitMatchesGlmAndRankAuc) {
    auto background = backgroundModel(*m);
    const FactorCodes levels{{"yes", 1}, {"no", 0}};
    const RegressionResult r = background->ols(*background->columnNumber(7),
                                               {background->columnNumber(1), background->columnNumber(2)},
                                               std::nullopt, true, &levels);
    // glm(okYes ~ x1 + x2, binomial); "maybe" and the empty answer are not observations.
    EXPECT_EQ(r.N, 37);
    expectClose(r.coeffs, {0.567517884035167, -0.409706490870895, -0.489681681960481}, 1e-5, "coeffs");
    expectClose(r.variance, {0.209958287997812, 0.214155250512265, 1.21779367747853}, 1e-4,
                "standard errors");
    expectClose(r.t, {2.7030030081074, -1.91312839582903, -0.402105620201919}, 1e-4, "z");
    expectClose(r.p, {0.00687161244852128, 0.0557316173526465, 0.6876062967573}, 1e-4, "p");
    EXPECT_NEAR(*r.LL, -19.2571033102727, 1e-6);
    // LL0 is the likelihood at β = 0 (every p̂ one half), not R's intercept-only model: n ln 0.5.
    EXPECT_NEAR(*r.LL0, 37 * std::log(0.5), 1e-9);
    EXPECT_NEAR(*r.AIC, 44.5142066205453, 1e-5);
    EXPECT_TRUE(*r.converged);
    // The curve has 100 thresholds on p̂: compare with the rank AUC of floor(99 p̂), not of p̂.
    EXPECT_NEAR(*r.AUC, 0.817647058823529, 1e-9);
    EXPECT_EQ(r.nameLHS, "(ok=yes)");
    for (double y : r.y)
        EXPECT_TRUE(y == 0 || y == 1);
    EXPECT_EQ(r.toValue().dictionary().size(), 22u);
}

TEST_F(AnalysisTest, ColumnSummaries) {
    addTable({"n", "b"}, {kNumeric, kBinary},
             {{"1", "yes"}, {"2", "no"}, {"3", "yes"}, {"4", "yes"}, {"x", ""}});
    auto n = column("n");
    auto b = column("b");
    EXPECT_DOUBLE_EQ(m->meanOfColumn(*n), 2.5);
    // R: sd(1:4) -> 1.29099444873581
    EXPECT_NEAR(m->sdOfColumn(*n), 1.29099444873581, 1e-12);
    EXPECT_EQ(m->countOfColumn(*n), 4u);
    EXPECT_DOUBLE_EQ(m->percentilesOfColumn({0, 100}, *n).at(100), 4);
    EXPECT_DOUBLE_EQ(m->meanOfColumn(*b), 0.75);
    EXPECT_NEAR(m->sdOfColumn(*b), std::sqrt(0.75 * 0.25), 1e-12);
}
