// Least squares and logistic regression against R (lm, glm) and against the fits' own defined
// outcomes on degenerate samples. Reference numbers: tests/fixtures/stats/regression_reference.R,
// whose output sits beside it in regression_reference.txt.
#include "stats/QVStatistics.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

using Columns = std::vector<std::vector<double>>;

void expectRelative(const std::vector<double>& actual, const std::vector<double>& expected, double tolerance,
                    const char* what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance * std::fabs(expected[i])) << what << "[" << i << "]";
}

void expectAllNaN(const std::vector<double>& values, std::size_t count, const char* what) {
    ASSERT_EQ(values.size(), count) << what;
    for (double v : values)
        EXPECT_TRUE(std::isnan(v)) << what;
}

// R's longley data: the six regressors, then the constant the model appends; response Employed.
Columns longleyX() {
    Columns x = {
        {83, 88.5, 88.2, 89.5, 96.2, 98.1, 99, 100, 101.2, 104.6, 108.4, 110.8, 112.6, 114.2, 115.7, 116.9},
        {234.289, 259.426, 258.054, 284.599, 328.975, 346.999, 365.385, 363.112, 397.469, 419.18, 442.769,
         444.546, 482.704, 502.601, 518.173, 554.894},
        {235.6, 232.5, 368.2, 335.1, 209.9, 193.2, 187, 357.8, 290.4, 282.2, 293.6, 468.1, 381.3, 393.1,
         480.6, 400.7},
        {159, 145.6, 161.6, 165, 309.9, 359.4, 354.7, 335, 304.8, 285.7, 279.8, 263.7, 255.2, 251.4, 257.2,
         282.7},
        {107.608, 108.632, 109.773, 110.929, 112.075, 113.27, 115.094, 116.219, 117.388, 118.734, 120.445,
         121.95, 123.366, 125.368, 127.852, 130.081},
        {1947, 1948, 1949, 1950, 1951, 1952, 1953, 1954, 1955, 1956, 1957, 1958, 1959, 1960, 1961, 1962},
    };
    x.push_back(std::vector<double>(16, 1.0));
    return x;
}

const std::vector<double> longleyY = {60.323, 61.122, 60.171, 61.187, 63.221, 63.639, 64.989, 63.761,
                                      66.019, 67.857, 68.169, 66.513, 68.655, 69.564, 69.331, 70.551};

// mtcars: vs on mpg and am, with the constant last.
const std::vector<double> mtcarsMpg = {21,   21,   22.8, 21.4, 18.7, 18.1, 14.3, 24.4, 22.8, 19.2, 17.8,
                                       16.4, 17.3, 15.2, 10.4, 10.4, 14.7, 32.4, 30.4, 33.9, 21.5, 15.5,
                                       15.2, 13.3, 19.2, 27.3, 26,   30.4, 15.8, 19.7, 15,   21.4};
const std::vector<double> mtcarsAm = {1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0, 1, 1, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1};
const std::vector<double> mtcarsVs = {0, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0,
                                      0, 1, 1, 1, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1};

Columns mtcarsX() {
    return {mtcarsMpg, mtcarsAm, std::vector<double>(32, 1.0)};
}

TEST(LeastSquares, LongleyMatchesLm) {
    foundation::LogCapture capture;
    const OLSResult r = QVStatistics().ols(longleyY, longleyX());
    EXPECT_FALSE(capture.contains("regression finished with error"));
    EXPECT_EQ(r.N, 16);

    // R: summary(lm(Employed ~ ., longley)), rows reordered with the intercept last
    constexpr double nineDigits = 5e-9;
    expectRelative(r.coeffs,
                   {0.015061872271372709, -0.035819179292590986, -0.020202298038168233, -0.010332268671735883,
                    -0.051104105653579125, 1.8291514646135498, -3482.2586345958143},
                   nineDigits, "coeffs");
    expectRelative(r.variance,
                   {0.084914925774767475, 0.033491007772243453, 0.0048839968165170352, 0.0021427416316167599,
                    0.2260732000693729, 0.45547849914221422, 890.42038360737718},
                   nineDigits, "standard errors");
    expectRelative(r.t,
                   {0.17737602822999057, -1.0695163172210382, -4.1364273559406746, -4.8219853104454273,
                    -0.22605114466419418, 4.0158898127097613, -3.9108029181543138},
                   nineDigits, "t");
    expectRelative(r.p,
                   {0.86314083280922071, 0.31268106109271515, 0.0025350917341114229, 0.00094436676416183676,
                    0.82621179576365422, 0.0030368033416303987, 0.0035604036637263674},
                   nineDigits, "p");
    EXPECT_NEAR(r.r2, 0.99547900457729555, nineDigits * 0.99547900457729555);
    EXPECT_NEAR(r.r2adj, 0.99246500762882595, nineDigits * 0.99246500762882595);
    EXPECT_NEAR(r.rmse, 0.30485407356196614, nineDigits * 0.30485407356196614);

    // R: -residuals(fit), the fit's residuals being fitted minus observed
    const std::vector<double> residuals = {
        -0.26734002975973159,  0.094013942398841727, -0.0462871677575213,  0.41011462193091458,
        -0.30971459076022517,  0.24931121532972292,  0.16404895639560302,  0.013180356866371236,
        -0.014304772600053639, -0.4553940945518562,  0.017268927114832543, 0.039055042522688661,
        0.15554997359531558,   0.08567130804213291,  -0.34193151396077481, 0.20675782519373956};
    ASSERT_EQ(r.residuals.size(), residuals.size());
    ASSERT_TRUE(r.yhat.has_value());
    for (std::size_t i = 0; i < residuals.size(); ++i) {
        EXPECT_NEAR(r.residuals[i], residuals[i], 1e-8) << i;
        EXPECT_DOUBLE_EQ((*r.yhat)[i] - longleyY[i], r.residuals[i]) << i;
    }
}

TEST(LeastSquares, ExactLineHasZeroResiduals) {
    const OLSResult r = QVStatistics().ols({1, 3, 5, 7}, {{1, 2, 3, 4}, {1, 1, 1, 1}});
    ASSERT_EQ(r.coeffs.size(), 2u);
    EXPECT_NEAR(r.coeffs[0], 2, 1e-12);
    EXPECT_NEAR(r.coeffs[1], -1, 1e-12);
    EXPECT_NEAR(r.r2, 1, 1e-12);
    EXPECT_NEAR(r.rmse, 0, 1e-12);
    for (double e : r.residuals)
        EXPECT_NEAR(e, 0, 1e-12);
}

// A constant response leaves nothing to explain: R² and adjusted R² are undefined (NaN, as R's
// summary.lm gives; tests/fixtures/stats/separation.R), never minus infinity from a rounding residual.
TEST(LeastSquares, ConstantResponseHasNoRSquared) {
    const std::vector<std::vector<double>> responses{{5, 5, 5, 5}, {0.1, 0.1, 0.1, 0.1}, {1e300, 1e300, 1e300, 1e300}};
    for (const auto& y : responses) {
        SCOPED_TRACE(y[0]);
        const OLSResult r = QVStatistics().ols(y, {{1, 2, 3, 4}, {1, 1, 1, 1}});
        EXPECT_TRUE(std::isnan(r.r2));
        EXPECT_TRUE(std::isnan(r.r2adj));
        EXPECT_NEAR(r.coeffs[1], y[0], std::fabs(y[0]) * 1e-12);
    }
}

TEST(LeastSquares, RankDeficientDesignIsLoggedAndReturned) {
    foundation::LogCapture capture;
    // The second regressor is all zeros: the triangular factor has an exact zero on its diagonal.
    const OLSResult r =
        QVStatistics().ols({1, 2, 4, 3, 5}, {{1, 2, 3, 4, 5}, {0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}});
    EXPECT_TRUE(capture.contains("regression finished with error, info=2")) << capture.lines().size();
    EXPECT_EQ(r.N, 5);
    EXPECT_EQ(r.coeffs.size(), 3u);
    EXPECT_EQ(r.variance.size(), 3u);
    EXPECT_EQ(r.residuals.size(), 5u);
}

// Fewer rows than regressors, or none at all: nothing is solved, coefficient arrays keep one NaN per
// regressor, per-observation arrays one entry per row.
TEST(LeastSquares, TooFewRowsGiveNaNCoefficients) {
    foundation::LogCapture capture;
    const OLSResult few = QVStatistics().ols({1, 2}, {{1, 2}, {3, 5}, {1, 1}});
    EXPECT_EQ(few.N, 2);
    expectAllNaN(few.coeffs, 3, "coeffs");
    expectAllNaN(few.variance, 3, "variance");
    expectAllNaN(few.t, 3, "t");
    expectAllNaN(few.p, 3, "p");
    expectAllNaN(few.residuals, 2, "residuals");
    ASSERT_TRUE(few.yhat.has_value());
    expectAllNaN(*few.yhat, 2, "yhat");
    EXPECT_TRUE(std::isnan(few.r2) && std::isnan(few.r2adj) && std::isnan(few.rmse));

    const OLSResult none = QVStatistics().ols({}, {{}, {}});
    EXPECT_EQ(none.N, 0);
    expectAllNaN(none.coeffs, 2, "coeffs");
    expectAllNaN(none.p, 2, "p");
    EXPECT_TRUE(none.residuals.empty());
    EXPECT_FALSE(none.yhat.has_value()); // the empty sample's reduced shape
    EXPECT_EQ(none.r2, 0);
    EXPECT_EQ(none.r2adj, 0);
    EXPECT_EQ(none.rmse, 0);

    const OLSResult ragged = QVStatistics().ols({1, 2, 3}, {{1, 2}, {1, 1, 1}});
    expectAllNaN(ragged.coeffs, 2, "coeffs of columns shorter than y");
    EXPECT_TRUE(capture.lines().empty());
}

// Without any regressor (not even the constant) the fitted values are 0 and every value is a residual.
TEST(LeastSquares, NoRegressorLeavesEveryValueAResidual) {
    const OLSResult r = QVStatistics().ols({1, 2, 3}, {});
    EXPECT_TRUE(r.coeffs.empty());
    EXPECT_EQ(r.residuals, (std::vector<double>{-1, -2, -3}));
    EXPECT_EQ(r.yhat, (std::vector<double>{0, 0, 0}));
    EXPECT_DOUBLE_EQ(r.r2, 1 - 14.0 / 2.0); // RSS = 1 + 4 + 9, TSS = 2
    EXPECT_DOUBLE_EQ(r.rmse, std::sqrt(14.0 / 3.0));
}

TEST(LeastSquares, AsManyRowsAsRegressorsFitsExactlyWithoutErrors) {
    const OLSResult r = QVStatistics().ols({3, 5}, {{1, 2}, {1, 1}});
    ASSERT_EQ(r.coeffs.size(), 2u);
    EXPECT_NEAR(r.coeffs[0], 2, 1e-12);
    EXPECT_NEAR(r.coeffs[1], 1, 1e-12);
    expectAllNaN(r.variance, 2, "variance");
    expectAllNaN(r.t, 2, "t");
    expectAllNaN(r.p, 2, "p");
    EXPECT_TRUE(std::isnan(r.r2adj));
    EXPECT_TRUE(std::isnan(r.rmse));
}

TEST(LogisticRegression, MtcarsMatchesGlm) {
    foundation::LogCapture capture;
    const LogitResult r = QVStatistics().logit(mtcarsVs, mtcarsX());
    EXPECT_TRUE(r.converged);
    EXPECT_TRUE(capture.contains("logit converged in iteration " + std::to_string(r.numIter)));
    EXPECT_GT(r.numIter, 3);
    EXPECT_EQ(r.N, 32);
    EXPECT_EQ(r.numPerfectPredict, 0);

    // R: summary(glm(vs ~ mpg + am, mtcars, family = binomial)), tightly converged, intercept last
    constexpr double tolerance = 1e-6;
    expectRelative(r.coeffs, {0.68092052932613156, -3.0072738552013147, -12.705115797184211}, tolerance,
                   "coeffs");
    expectRelative(r.variance, {0.25238134926553046, 1.5994960333549921, 4.6253308214427209}, tolerance,
                   "se");
    expectRelative(r.t, {2.6979827602464197, -1.880138363890447, -2.7468555845311982}, tolerance, "z");
    expectRelative(r.p, {0.0069761053282805944, 0.060089223157026292, 0.0060169622225412899}, tolerance, "p");
    EXPECT_NEAR(r.LL, -10.323146434643109, tolerance * 10.323146434643109);
    // R: 32 * log(0.5); the starting point of the iteration, not the intercept-only fit
    EXPECT_NEAR(r.LL0, -22.180709777918249, 1e-12);
    EXPECT_NEAR(r.r2adj, 1 - r.LL / r.LL0, 1e-15);
    EXPECT_NEAR(r.AIC, 26.646292869286217, tolerance * 26.646292869286217);
    ASSERT_TRUE(r.AICc.has_value());
    EXPECT_NEAR(*r.AICc, 27.503435726429075, tolerance * 27.503435726429075);
    EXPECT_GT(*r.AICc, r.AIC);

    // R: fitted(g) for the first rows; residuals are p̂ − y
    ASSERT_TRUE(r.yhat.has_value());
    ASSERT_EQ(r.yhat->size(), 32u);
    const double fitted[] = {0.19575209302064964, 0.19575209302064964, 0.45328623720426481,
                             0.86606246830578038};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR((*r.yhat)[i], fitted[i], 1e-7) << i;
    for (std::size_t i = 0; i < 32; ++i)
        EXPECT_EQ(r.residuals[i], (*r.yhat)[i] - mtcarsVs[i]);

    // The binned ROC re-implemented in R on the fitted probabilities (see the script).
    ASSERT_TRUE(r.AUC.has_value() && r.roc.has_value());
    EXPECT_NEAR(*r.AUC, 0.93452380952380965, 1e-12);
    // The rates as counts of the 14 observations with vs = 1 and the 18 with vs = 0.
    const int truePositives[] = {14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 13, 13,
                                 12, 11, 10, 10, 9,  8,  7,  7,  5,  4,  0};
    const int falsePositives[] = {18, 14, 13, 12, 11, 9, 8, 7, 6, 4, 4, 3, 3, 3, 3, 2, 1, 1, 1, 0, 0, 0, 0};
    ASSERT_EQ(r.roc->size(), std::size(truePositives));
    for (std::size_t i = 0; i < std::size(truePositives); ++i) {
        EXPECT_DOUBLE_EQ((*r.roc)[i][0], truePositives[i] / 14.0) << i;
        EXPECT_DOUBLE_EQ((*r.roc)[i][1], falsePositives[i] / 18.0) << i;
    }
}

// Perfect separation: the probabilities saturate and stop changing, so the fit reports convergence
// with a huge slope instead of running to the update limit.
TEST(LogisticRegression, SeparatedDataSaturates) {
    foundation::LogCapture capture;
    const LogitResult r = QVStatistics().logit({0, 0, 1, 1}, {{-2, -1, 1, 2}, {1, 1, 1, 1}});
    EXPECT_TRUE(r.converged);
    EXPECT_FALSE(capture.contains("logit did not converge"));
    EXPECT_EQ(r.numIter, 24);
    EXPECT_TRUE(capture.contains("logit converged in iteration 24"));
    EXPECT_GT(r.coeffs[0], 20);
    EXPECT_GT(r.variance[0], 1e4); // the curvature vanishes with the saturated weights
    // Only x = 2 reaches a probability of exactly 1; x = −2 stays a tiny positive number. All four are 0
    // or 1 as far as the fit can tell, and count as perfect predictions.
    EXPECT_EQ(r.numPerfectPredict, 4);
    ASSERT_TRUE(r.yhat.has_value());
    EXPECT_EQ((*r.yhat)[3], 1);
    EXPECT_GT((*r.yhat)[0], 0);
    EXPECT_NEAR(r.LL, 0, 1e-8);
    ASSERT_TRUE(r.AUC.has_value());
    EXPECT_EQ(*r.AUC, 1);
}

// Separated data: the iterations stop with probabilities a hair's breadth from 0 and 1, which count as
// perfect predictions. References: R's glm(y ~ x, family = binomial), counting fitted values below 1e-8
// or above 1 - 1e-8 (tests/fixtures/stats/separation.R).
TEST(LogisticRegression, SeparatedDataCountsItsPerfectPredictions) {
    struct Case {
        const char* what;
        std::vector<double> x, y;
        std::int64_t least, most;
    };
    std::vector<double> hundred(100), split(100);
    for (std::size_t i = 0; i < 100; ++i) {
        hundred[i] = double(i + 1);
        split[i] = i >= 50 ? 1 : 0;
    }
    const Case cases[] = {
        {"two far clusters", {1, 2, 3, 4, 5, 10000, 10001, 10002, 10003, 10004}, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1}, 10, 10},
        {"four points", {-2, -1, 1, 2}, {0, 0, 1, 1}, 4, 4},
        // Both outcomes at x = 5: those two stay at one half.
        {"quasi-complete", {1, 2, 3, 4, 5, 5, 6, 7, 8, 9}, {0, 0, 0, 0, 0, 1, 1, 1, 1, 1}, 8, 8},
        // R stops with the two nearest the split still short of saturation.
        {"a hundred split in two", hundred, split, 98, 100},
        {"overlapping outcomes", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0, 0, 1, 0, 1, 0, 1, 1, 0, 1}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LogitResult r = QVStatistics().logit(c.y, {c.x, std::vector<double>(c.x.size(), 1.0)});
        EXPECT_GE(r.numPerfectPredict, c.least);
        EXPECT_LE(r.numPerfectPredict, c.most);
    }
}

TEST(LogisticRegression, InterceptOnlyStaysAtEvenOdds) {
    foundation::LogCapture capture;
    const LogitResult r = QVStatistics().logit({0, 1, 0, 1}, {{1, 1, 1, 1}});
    EXPECT_TRUE(r.converged);
    EXPECT_EQ(r.numIter, 1);
    EXPECT_TRUE(capture.contains("logit converged in iteration 1"));
    ASSERT_EQ(r.coeffs.size(), 1u);
    EXPECT_EQ(r.coeffs[0], 0);
    EXPECT_DOUBLE_EQ(r.LL, 4 * std::log(0.5));
    EXPECT_EQ(r.LL, r.LL0);
    EXPECT_EQ(r.r2adj, 0);
    EXPECT_DOUBLE_EQ(r.AIC, -8 * std::log(0.5) + 2);
    EXPECT_DOUBLE_EQ(r.variance[0], 1); // √(1 / (4 · 0.25))
    EXPECT_EQ(r.t[0], 0);
    EXPECT_DOUBLE_EQ(r.p[0], 1);
    ASSERT_TRUE(r.AUC.has_value() && r.roc.has_value());
    EXPECT_EQ(*r.AUC, 0.5);
    ASSERT_EQ(r.roc->size(), 2u);
    EXPECT_EQ((*r.roc)[0], (std::array<double, 2>{1, 1}));
    EXPECT_EQ((*r.roc)[1], (std::array<double, 2>{0, 0}));
}

// With only one class the rates of one axis are 0 / 0, so the area under the curve is NaN; the fit
// itself saturates toward that class and still settles.
TEST(LogisticRegression, SingleClassHasNoROCArea) {
    struct Case {
        const char* name;
        std::vector<double> y;
        Columns x;
    };
    const Case cases[] = {
        {"all zero, constant only", {0, 0, 0}, {{1, 1, 1}}},
        {"all one, with a slope", {1, 1, 1, 1}, {{1, 2, 3, 4}, {1, 1, 1, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LogitResult r = QVStatistics().logit(c.y, c.x);
        EXPECT_TRUE(r.converged);
        ASSERT_TRUE(r.AUC.has_value() && r.roc.has_value());
        EXPECT_TRUE(std::isnan(*r.AUC));
        EXPECT_EQ(r.roc->size(), 2u);
    }
}

TEST(LogisticRegression, NoRegressorStaysAtEvenOdds) {
    const LogitResult r = QVStatistics().logit({0, 1, 1}, {});
    EXPECT_TRUE(r.converged);
    EXPECT_EQ(r.numIter, 1);
    EXPECT_TRUE(r.coeffs.empty());
    EXPECT_DOUBLE_EQ(r.LL, 3 * std::log(0.5));
    EXPECT_EQ(r.yhat, (std::vector<double>{0.5, 0.5, 0.5}));
}

TEST(LogisticRegression, UpdateLimitEndsUnconverged) {
    foundation::LogCapture capture;
    // A missing response value poisons every update, so the probabilities never settle.
    const LogitResult r = QVStatistics().logit({0, 1, NAN, 1, 0}, {{1, 2, 3, 4, 5}, {1, 1, 1, 1, 1}});
    EXPECT_FALSE(r.converged);
    EXPECT_EQ(r.numIter, 200);
    EXPECT_TRUE(capture.contains("logit did not converge"));
}

TEST(LogisticRegression, TooFewRowsGiveNaNCoefficients) {
    const LogitResult few = QVStatistics().logit({0, 1}, {{1, 2}, {3, 5}, {1, 1}});
    EXPECT_EQ(few.N, 2);
    expectAllNaN(few.coeffs, 3, "coeffs");
    expectAllNaN(few.variance, 3, "variance");
    expectAllNaN(few.t, 3, "t");
    expectAllNaN(few.p, 3, "p");
    expectAllNaN(few.residuals, 2, "residuals");
    ASSERT_TRUE(few.yhat.has_value());
    expectAllNaN(*few.yhat, 2, "yhat");
    EXPECT_EQ(few.numIter, 0);
    EXPECT_EQ(few.numPerfectPredict, 0);
    EXPECT_FALSE(few.converged);

    const LogitResult none = QVStatistics().logit({}, {{}});
    EXPECT_EQ(none.N, 0);
    expectAllNaN(none.coeffs, 1, "coeffs");
    EXPECT_TRUE(none.residuals.empty());
    EXPECT_FALSE(none.yhat || none.AICc || none.roc || none.AUC); // the 13-key shape
    EXPECT_TRUE(none.converged);
    EXPECT_EQ(none.numIter, 0);
    EXPECT_EQ(none.LL, 0);
    EXPECT_EQ(none.AIC, 0);
}

std::vector<std::string> keysOf(const foundation::Value& v) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : v.dictionary())
        keys.push_back(key);
    return keys;
}

// The keyed forms the model reads: the full shapes and the reduced shapes of an empty sample.
TEST(Regression, KeyedFormsHaveTheirKeySets) {
    const QVStatistics stats;
    struct Case {
        const char* name;
        foundation::Value value;
        std::vector<std::string> keys; // sorted
    };
    const Case cases[] = {
        {"ols",
         stats.ols({1, 3, 5, 8}, {{1, 2, 3, 4}, {1, 1, 1, 1}}).toValue(),
         {"N", "coeffs", "p", "r2", "r2adj", "residuals", "rmse", "t", "variance", "yhat"}},
        {"ols, no rows",
         stats.ols({}, {{}}).toValue(),
         {"N", "coeffs", "p", "r2", "r2adj", "residuals", "rmse", "t", "variance"}},
        {"logit",
         stats.logit({0, 1, 0, 1}, {{1, 1, 1, 1}}).toValue(),
         {"AIC", "AICc", "AUC", "LL", "LL0", "N", "coeffs", "converged", "numIter", "numPerfectPredict", "p",
          "r2adj", "residuals", "roc", "t", "variance", "yhat"}},
        {"logit, no rows",
         stats.logit({}, {{}}).toValue(),
         {"AIC", "LL", "LL0", "N", "coeffs", "converged", "numIter", "numPerfectPredict", "p", "r2adj",
          "residuals", "t", "variance"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(keysOf(c.value), c.keys);
        EXPECT_EQ(c.value.find("N")->kind(), foundation::Value::Kind::Integer);
        EXPECT_EQ(c.value.find("coeffs")->kind(), foundation::Value::Kind::Array);
    }
    const foundation::Value& logit = cases[2].value;
    EXPECT_EQ(logit.find("converged")->kind(), foundation::Value::Kind::Bool);
    EXPECT_EQ(logit.find("numIter")->kind(), foundation::Value::Kind::Integer);
    const auto& roc = logit.find("roc")->array();
    ASSERT_EQ(roc.size(), 2u);
    EXPECT_EQ(roc[0], foundation::Value(foundation::Value::Array{1.0, 1.0}));
    EXPECT_EQ(logit.find("AUC")->toDouble(), 0.5);
}

// Fits run on several analysis workers at once; each must get the result it would get alone.
TEST(Regression, ConcurrentFitsAgreeWithSerialOnes) {
    const QVStatistics stats;
    const OLSResult ols = stats.ols(longleyY, longleyX());
    const LogitResult logit = stats.logit(mtcarsVs, mtcarsX());
    std::vector<std::thread> workers;
    std::vector<int> mismatches(8, 0);
    for (int w = 0; w < 8; ++w)
        workers.emplace_back([&, w] {
            for (int round = 0; round < 20; ++round) {
                if (stats.ols(longleyY, longleyX()).coeffs != ols.coeffs)
                    ++mismatches[w];
                if (stats.logit(mtcarsVs, mtcarsX()).coeffs != logit.coeffs)
                    ++mismatches[w];
            }
        });
    for (auto& t : workers)
        t.join();
    for (int m : mismatches)
        EXPECT_EQ(m, 0);
}

} // namespace
