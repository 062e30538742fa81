// Hypothesis tests over a fixture workspace, as one table of test x tails x design against R, the
// approximations of our own pinned, tests that do not apply, and the choice and names of tests.
#include "AnalysisFixture.h"
#include "platform/foundation/Value.h"

#include <cmath>

namespace {

constexpr int64_t kBinary = 2, kNumeric = 3;
enum Design { One, Two, Paired };

// Fixture tests/fixtures/analyses/tests.csv: a (8 numbers), b (6 numbers), p (30 yes, 20 no, one
// "maybe", empties), q (40 answers, one "maybe"). References: Rscript tests/fixtures/analyses/tests.R
// (tests.out beside it). Tails 0 two-sided, 1 "less", 2 "greater".
class HypothesisFixtureTest : public AnalysisTest {
  protected:
    void SetUp() override {
        AnalysisTest::SetUp();
        loadCsv("tests/fixtures/analyses/tests.csv", {kNumeric, kNumeric, kBinary, kBinary});
        bg = backgroundModel(*m);
    }
    HypothesisTestResult run(Design design, uint64_t distribution, uint64_t test, uint64_t tails,
                             double expected) {
        const FactorCodes levels{{"yes", 1}, {"no", 0}};
        const bool proportions = distribution == 2;
        auto x = bg->columnNumber(proportions ? 2 : 0);
        auto y = bg->columnNumber(proportions ? 3 : 1);
        switch (design) {
        case One:
            return bg->hypothesisTestForColumn(*x, expected, std::nullopt, distribution, tails, test,
                                               &levels);
        case Two:
            return bg->hypothesisTestForColumn(*x, *y, std::nullopt, std::nullopt, distribution, tails, test,
                                               &levels, &levels);
        case Paired:
            return bg->hypothesisTestForColumnWithPairedColumn(*x, *y, std::nullopt, distribution, tails,
                                                               test, &levels, &levels);
        }
        return {};
    }
    std::unique_ptr<Model> bg;
};

} // namespace

TEST_F(HypothesisFixtureTest, TestsAgainstR) {
    struct Case {
        const char* what;
        Design design;
        uint64_t distribution, test, tails;
        double expected;
        double stat, df, p;
    };
    const double pairedChi = 3.857142857, pairedQ = 0.04953461344;
    const Case cases[] = {
        // t.test(a, mu = 5, alternative = ...)
        {"t one", One, 0, 1, 0, 5, 1.408069231, 7, 0.2019380942},
        {"t one", One, 0, 1, 1, 5, 1.408069231, 7, 0.8990309529},
        {"t one", One, 1, 1, 2, 5, 1.408069231, 7, 0.1009690471},
        // The z-test is the same statistic against the normal: pnorm, not a test of R's.
        {"z one", One, 0, 0, 0, 5, 1.408069231, 0, 0.159110571},
        {"z one", One, 0, 0, 1, 5, 1.408069231, 0, 0.9204447145},
        {"z one", One, 0, 0, 2, 5, 1.408069231, 0, 0.07955528548},
        // t.test(a, b): Welch
        {"t two", Two, 0, 1, 0, 0, 2.930103064, 11.9990287, 0.01260251879},
        {"t two", Two, 0, 1, 1, 0, 2.930103064, 11.9990287, 0.9936987406},
        {"t two", Two, 0, 1, 2, 0, 2.930103064, 11.9990287, 0.006301259395},
        {"z two", Two, 0, 0, 0, 0, 2.930103064, -1, 0.00338849597},
        {"z two", Two, 0, 0, 1, 0, 2.930103064, -1, 0.998305752},
        {"z two", Two, 0, 0, 2, 0, 2.930103064, -1, 0.001694247985},
        // t.test(a[1:6], b, paired = TRUE): pairs by row
        {"t paired", Paired, 0, 1, 0, 0, 2.377370498, 5, 0.06337106644},
        {"t paired", Paired, 0, 1, 1, 0, 2.377370498, 5, 0.9683144668},
        {"t paired", Paired, 0, 1, 2, 0, 2.377370498, 5, 0.03168553322},
        // prop.test(30, 50, p0, correct = FALSE); expected counts 25 and 15 are whole
        {"chi one 0.5", One, 2, 3, 0, 0.5, 2, 1, 0.1572992071},
        {"chi one 0.5", One, 2, 3, 1, 0.5, 2, 1, 0.9213503965},
        {"chi one 0.5", One, 2, 3, 2, 0.5, 2, 1, 0.07864960353},
        {"chi one 0.3", One, 2, 3, 0, 0.3, 21.42857143, 1, 3.672575114e-06},
        {"chi one 0.3", One, 2, 3, 1, 0.3, 21.42857143, 1, 0.9999981637},
        {"chi one 0.3", One, 2, 3, 2, 0.3, 21.42857143, 1, 1.836287557e-06},
        // binom.test(30, 50, p0); one-sided only at 0.5, where our two-sided p halves exactly
        {"exact one 0.5", One, 2, 2, 0, 0.5, 0, 0, 0.2026387511},
        {"exact one 0.5", One, 2, 2, 1, 0.5, 0, 0, 0.9405397737},
        {"exact one 0.5", One, 2, 2, 2, 0.5, 0, 0, 0.1013193755},
        {"exact one 0.3", One, 2, 2, 0, 0.3, 0, 0, 1.50392482e-05},
        // prop.test(c(30, 14), c(50, 40), correct = FALSE)
        {"chi two", Two, 2, 3, 0, 0, 2.727610094, 1, 0.09862677136},
        {"chi two", Two, 2, 3, 1, 0, 2.727610094, 1, 0.9506866143},
        {"chi two", Two, 2, 3, 2, 0, 2.727610094, 1, 0.04931338568},
        // mcnemar.test(correct = FALSE) two-sided; one side is half of it (b - c < 0: "less" gets the half)
        {"mcnemar", Paired, 2, 4, 0, 0, pairedChi, 1, pairedQ},
        {"mcnemar", Paired, 2, 4, 1, 0, pairedChi, 1, pairedQ / 2},
        {"mcnemar", Paired, 2, 4, 2, 0, pairedChi, 1, 1 - pairedQ / 2},
        // binom.test(6, 21, 0.5) on the discordant pairs
        {"exact paired", Paired, 2, 2, 0, 0, 0, 0, 0.07835388184},
        {"exact paired", Paired, 2, 2, 1, 0, 0, 0, 0.03917694092},
        {"exact paired", Paired, 2, 2, 2, 0, 0, 0, 0.9866981506},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " tails " + std::to_string(c.tails));
        const HypothesisTestResult r = run(c.design, c.distribution, c.test, c.tails, c.expected);
        EXPECT_NEAR(r.t, c.stat, 1e-6 * std::max(1.0, std::fabs(c.stat)));
        EXPECT_NEAR(r.df, c.df, 1e-6 * std::max(1.0, std::fabs(c.df)));
        EXPECT_NEAR(r.p, c.p, std::max(1e-8, 1e-5 * c.p));
    }
}

TEST_F(HypothesisFixtureTest, DataOfEachDesign) {
    // "maybe" and the empty texts are no answers; pairs come from rows where both have one.
    const auto one = run(One, 2, 2, 0, 0.5);
    EXPECT_EQ(*one.obsX, 50u);
    EXPECT_DOUBLE_EQ(*one.meanX, 0.6);
    const auto two = run(Two, 2, 3, 0, 0);
    EXPECT_EQ(*two.obsY, 40u);
    const auto pairs = run(Paired, 2, 4, 0, 0);
    // R: table(p, q) over the rows with both answers
    EXPECT_EQ(std::vector<int64_t>({*pairs.x0y0, *pairs.x0y1, *pairs.x1y0, *pairs.x1y1}),
              (std::vector<int64_t>{8, 6, 15, 11}));
    const auto means = run(Paired, 0, 1, 0, 0);
    EXPECT_EQ(*means.obsX, 6u);

    // Key sets of the three shapes, and the curves still callable on a copy.
    EXPECT_EQ(one.toValue().dictionary().size(), 17u);
    EXPECT_EQ(two.toValue().dictionary().size(), 23u);
    EXPECT_EQ(pairs.toValue().dictionary().size(), 13u);
    const HypothesisTestResult copy = run(Two, 0, 1, 0, 0);
    EXPECT_GT(copy.pdfDiff1(*copy.diff), 0);
    EXPECT_EQ(copy.boxX->at(100), 6.3);
    EXPECT_EQ(copy.densityY->size(), 100u);
}

TEST_F(AnalysisTest, OwnApproximationsPinned) {
    struct Case {
        const char* what;
        std::vector<double> sample;
        double expected;
        uint64_t distribution, test, tails;
        double stat, p, tol;
    };
    const std::vector<double> five{1, 2, 3, 4, 5};
    std::vector<double> thirty(50, 0.0);
    std::fill(thirty.begin(), thirty.begin() + 30, 1.0);
    const Case cases[] = {
        {"t two-sided", five, 2, 0, 1, 0, 1.4142, 0.230, 5e-4},
        {"t greater", five, 2, 0, 1, 2, 1.4142, 0.115, 5e-4},
        {"t less", five, 2, 0, 1, 1, 1.4142, 0.885, 5e-4},
        {"z two-sided", five, 2, 0, 0, 0, 1.4142, 0.157, 5e-4},
        {"chi-square two-sided", thirty, 0.5, 2, 3, 0, 2, 0.157, 5e-4},
        {"chi-square greater", thirty, 0.5, 2, 3, 2, 2, 0.0786, 5e-5},
        // One success of one against 0.3, "less": 1 - S/2 + pmf would be 1.15.
        {"exact one-sided clamped", {1}, 0.3, 2, 2, 1, 0, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = m->hypothesisForSample(c.sample, c.expected, c.distribution, c.tails, c.test, false);
        EXPECT_NEAR(r.t, c.stat, 5e-5);
        EXPECT_NEAR(r.p, c.p, c.tol);
    }
    const auto r = m->hypothesisForSample(five, 2, 0, 0, 1, false);
    EXPECT_NEAR(*r.sdX, 1.5811, 5e-5);
    EXPECT_NEAR(*r.seX, 0.7071, 5e-5);
    EXPECT_EQ(r.df, 4);

    // The exact test's curves are probabilities of whole counts; chart points far outside [0, 1] give none.
    const auto exact = m->hypothesisForSample(thirty, 0.5, 2, 0, 2, false);
    EXPECT_GT(exact.pdfSample1(0.6), exact.pdfSample1(0.5));
    EXPECT_GT(exact.pdfSample2(0.5), exact.pdfSample2(0.6));
    EXPECT_EQ(exact.pdfSample1(1e300), 0);
    EXPECT_EQ(exact.pdfSample1(-1e300), exact.pdfSample1(0));

    // Two samples, one all 0 and one all 1: a finite chi-square.
    const auto extremes = m->hypothesisTestForSampleX({0, 0, 0, 0}, {1, 1, 1}, 2, 0, 3);
    EXPECT_TRUE(std::isfinite(extremes.t) && std::isfinite(extremes.p));

    // Paired codes: one pair in each cell, the pair with a 2 not counted.
    const auto pairs = m->hypothesisTestForBinomialSample({0, 0, 1, 1, 2}, {0, 1, 0, 1, 1}, 0, 4);
    EXPECT_EQ(std::vector<int64_t>({*pairs.x0y0, *pairs.x0y1, *pairs.x1y0, *pairs.x1y1}),
              (std::vector<int64_t>{1, 1, 1, 1}));
}

TEST_F(AnalysisTest, TestsThatDoNotApplyClaimNothing) {
    struct Case {
        const char* what;
        HypothesisTestResult r;
    };
    const Case cases[] = {
        {"one sample, McNemar", m->hypothesisForSample({1, 0, 1}, 0.5, 2, 0, 4, false)},
        {"two samples, exact", m->hypothesisTestForSampleX({1, 0, 1}, {0, 0, 1}, 2, 0, 2)},
        {"paired proportions, t", m->hypothesisTestForBinomialSample({1, 0, 1}, {0, 0, 1}, 0, 1)},
        {"unknown tails", m->hypothesisForSample({1, 2, 3}, 0, 0, 7, 1, false)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(std::isnan(c.r.p));
        EXPECT_EQ(c.r.pdfSample1(0.5), c.r.pdfSample1(0.5)); // callable
    }
    EXPECT_TRUE(std::isnan(cases[0].r.t) && std::isnan(cases[1].r.t) && std::isnan(cases[2].r.df));
}

TEST(HypothesisTestChoice, DefaultsValidTestsLabelsAndNames) {
    EXPECT_EQ(Model::testForDistribution(2, 2, true, 0), 4u);
    EXPECT_EQ(Model::testForDistribution(0, 2, false, 0), 1u);
    EXPECT_EQ(Model::testForDistribution(1, 1, false, 0), 1u);
    EXPECT_EQ(Model::testForDistribution(2, 1, true, 0), 2u);
    EXPECT_EQ(Model::testForDistribution(2, 2, false, 0), 3u);
    EXPECT_EQ(Model::testForDistribution(3, 1, false, 0), 0u);
    // Every default is among the valid tests of its design.
    for (uint64_t d : {0, 1, 2, 3})
        for (uint64_t s : {1, 2})
            for (bool paired : {false, true}) {
                const auto valid = Model::validTestsForDistribution(d, s, paired);
                EXPECT_NE(std::find(valid.begin(), valid.end(), Model::testForDistribution(d, s, paired, 0)),
                          valid.end())
                    << d << " " << s << " " << paired;
            }
    EXPECT_EQ(Model::validTestsForDistribution(2, 2, true), (std::vector<uint64_t>{4, 2}));
    EXPECT_EQ(Model::validTestsForDistribution(2, 2, false), (std::vector<uint64_t>{0, 3}));

    const std::pair<uint64_t, const char*> stats[] = {{0, "Z"},  {1, "t"},  {2, "!"},
                                                      {3, "χ²"}, {4, "χ²"}, {9, "!"}};
    for (const auto& [test, label] : stats)
        EXPECT_EQ(Model::statForTest(test), label);

    struct Name {
        uint64_t test, tails, samples;
        bool paired;
        std::optional<std::string> name;
    };
    const Name names[] = {
        {0, 1, 2, false, "Two sample one tail z-test"},
        {0, 3, 1, false, std::nullopt},
        {5, 0, 1, false, std::nullopt},
        {1, 0, 2, false, "Welch's two sample two tail t-test"},
        {1, 2, 2, true, "Paired one tail t-test"},
        {2, 0, 2, true, "One sample two tail binomial test"},
        {3, 1, 1, true, "One sample one tail Chi-square test"},
        {4, 0, 1, false, "Paired two tail McNemar's Chi-squared test"},
    };
    for (const auto& n : names)
        EXPECT_EQ(Model::nameForTest(n.test, n.tails, n.samples, n.paired), n.name);
}
