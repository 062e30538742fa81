// Descriptive statistics: moments on small and on hard data, percentiles, kernel density, correlation.
#include "ReferenceTable.h"
#include "platform/foundation/Value.h"
#include "stats/QVStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

TEST(Descriptive, MomentsOfSmallArrays) {
    QVStatistics s;
    const std::vector<double> four = {1, 2, 3, 4};
    EXPECT_DOUBLE_EQ(s.mean(four), 2.5);
    EXPECT_DOUBLE_EQ(s.variance(four, true), 1.25);
    EXPECT_DOUBLE_EQ(s.variance(four, false), 5.0 / 3);
    EXPECT_DOUBLE_EQ(s.variance(four), 5.0 / 3);
    EXPECT_DOUBLE_EQ(s.sdNormal(four), std::sqrt(5.0 / 3));
    // R: x <- c(2.5,-1,4,4,0.5,7,3); var(x) -> 6.7261904761904763; mean((x-m)^3)/mean((x-m)^2)^1.5
    //    -> 0.036803532566265271; mean((x-m)^4)/mean((x-m)^2)^2 -> 2.3647881588221478
    const std::vector<double> seven = {2.5, -1, 4, 4, 0.5, 7, 3};
    EXPECT_NEAR(s.variance(seven), 6.7261904761904763, 1e-15);
    EXPECT_NEAR(s.skewness(seven), 0.036803532566265271, 1e-15);
    EXPECT_NEAR(s.kurtosis(seven), 2.3647881588221478, 1e-14);
    // The same R lines with x <- c(1,2,3,10) -> 1.0182337649086284, 2.2304
    EXPECT_NEAR(s.skewness({1, 2, 3, 10}), 1.0182337649086284, 1e-15);
    EXPECT_NEAR(s.kurtosis({1, 2, 3, 10}), 2.2304, 1e-14);
}

TEST(Descriptive, EmptySingleAndConstantInputs) {
    QVStatistics s;
    const std::vector<double> empty;
    EXPECT_EQ(s.mean(empty), 0);
    EXPECT_EQ(s.variance(empty, true), 0);
    EXPECT_EQ(s.variance(empty, false), 0);
    EXPECT_EQ(s.skewness(empty), 0);
    EXPECT_EQ(s.kurtosis(empty), 0);
    EXPECT_EQ(s.variance({5}, true), 0);
    EXPECT_TRUE(std::isnan(s.variance({5}, false)));
    EXPECT_TRUE(std::isnan(s.sdNormal({5})));
    const std::vector<double> constant(9, 4.25);
    EXPECT_EQ(s.mean(constant), 4.25);
    EXPECT_EQ(s.variance(constant), 0);
    EXPECT_TRUE(std::isnan(s.skewness(constant)));
    EXPECT_TRUE(std::isnan(s.kurtosis(constant)));
    EXPECT_TRUE(std::isnan(s.correlation(constant, {1, 2, 3, 4, 5, 6, 7, 8, 9})));
}

TEST(Descriptive, NonFiniteValuesGiveTheirPlainSums) {
    QVStatistics s;
    EXPECT_EQ(s.mean({INFINITY, 1}), INFINITY);
    EXPECT_TRUE(std::isnan(s.mean({INFINITY, -INFINITY})));
    EXPECT_EQ(s.mean({1e308, -1e308}), 0); // a spread beyond the double range
    EXPECT_TRUE(std::isnan(s.mean({1, NAN})));
}

// 1,001 doubles alternating 10000000.1 and 10000000.3; the exact mean and sd of those doubles come
// from tests/fixtures/stats/hard_data.py (rationals).
TEST(Descriptive, HardDataKeepTheirDigits) {
    QVStatistics s;
    std::vector<double> values;
    for (int i = 0; i < 1001; ++i)
        values.push_back(i % 2 == 0 ? 10000000.1 : 10000000.3);
    const auto rows = readReferenceTable("tests/fixtures/stats/hard_data.txt");
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[0].name, "mean");
    ASSERT_EQ(rows[1].name, "sd");
    // 14 significant digits of the mean, 13 of the standard deviation.
    EXPECT_LE(relativeDistance(s.mean(values), rows[0].value), 5e-14);
    EXPECT_LE(relativeDistance(s.sdNormal(values), rows[1].value), 5e-13);
    // A two-point distribution with 500 of 1,001 values high has skewness 1 / sqrt(500 * 501). The
    // third moment is taken about the mean rounded to a double (a last-bit error of 1e-9 here), which
    // limits it to about six digits.
    EXPECT_LE(relativeDistance(s.skewness(values), 1 / std::sqrt(250500.0)), 1e-5);
}

TEST(Descriptive, LargeNormalSampleHasKurtosisThree) {
    QVStatistics s;
    std::mt19937_64 engine(7);
    std::normal_distribution<double> normal(50, 3);
    std::vector<double> values(200000);
    for (auto& v : values)
        v = normal(engine);
    EXPECT_NEAR(s.kurtosis(values), 3, 0.05);
    EXPECT_NEAR(s.skewness(values), 0, 0.02);
    EXPECT_NEAR(s.mean(values), 50, 0.05);
    EXPECT_NEAR(s.sdNormal(values), 3, 0.05);
}

TEST(Descriptive, PercentilesInterpolateLinearly) {
    QVStatistics s;
    const std::vector<double> asked = {0, 25, 50, 75, 100};
    struct Case {
        std::vector<double> data;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {{4, 1, 3, 2}, {1, 1.75, 2.5, 3.25, 4}},
        {{7}, {7, 7, 7, 7, 7}},
        {{}, {NAN, NAN, NAN, NAN, NAN}},
        {{5, 5, -2}, {-2, 1.5, 5, 5, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.data.size() << " values");
        const auto result = s.percentiles(asked, c.data);
        ASSERT_EQ(result.size(), asked.size());
        for (size_t i = 0; i < asked.size(); ++i) {
            const double v = result.at(asked[i]);
            if (std::isnan(c.expected[i]))
                EXPECT_TRUE(std::isnan(v));
            else
                EXPECT_DOUBLE_EQ(v, c.expected[i]) << asked[i];
        }
    }
    // R: quantile(c(2.5,-1,4,4,0.5,7,3), c(0.1, 0.33, 0.9)) -> -0.1, 2.46, 5.2 (type 7, the same rule)
    const auto r = s.percentiles({10, 33, 90, 0.5}, {2.5, -1, 4, 4, 0.5, 7, 3});
    EXPECT_NEAR(r.at(10), -0.1, 1e-15);
    EXPECT_NEAR(r.at(33), 2.46, 1e-15);
    EXPECT_NEAR(r.at(90), 5.2, 1e-15);
    EXPECT_EQ(r.at(0.5), -1); // below 1 the integer part is 0: the smallest value
}

TEST(Descriptive, PercentilesStayDefinedOnBadInput) {
    QVStatistics s;
    // NaN data sort last instead of breaking the order; a request beyond 0-100 has no value.
    const auto r = s.percentiles({0, 50, 150, NAN}, {3, NAN, 1, 2});
    EXPECT_EQ(r.at(0), 1);
    EXPECT_DOUBLE_EQ(r.at(50), 2.5);
    EXPECT_TRUE(std::isnan(r.at(150)));
    EXPECT_EQ(r.size(), 3u);
}

TEST(Descriptive, KernelDensityPeaksAtOne) {
    QVStatistics s;
    const auto curve = s.kdensity({10}, 1, 10, 10);
    ASSERT_EQ(curve.size(), 100u);
    EXPECT_DOUBLE_EQ(curve.front().x, 9);
    EXPECT_NEAR(curve.back().x, 10.98, 1e-12);
    EXPECT_NEAR(curve[1].x - curve[0].x, 0.02, 1e-12);
    EXPECT_DOUBLE_EQ(curve[50].x, 10);
    EXPECT_EQ(curve[50].y, 1);
    for (const auto& p : curve)
        EXPECT_LE(p.y, 1);
    // Kernel sum at one point, by hand: h = 0.4, two values 0 and 1, grid from -2 to 3.
    const auto two = s.kdensity({0, 1}, 2, 0, 1);
    auto kernel = [](double d) {
        return std::exp(-(d / (0.4 * std::sqrt(2.0))) * (d / (0.4 * std::sqrt(2.0))));
    };
    double peak = 0;
    for (int i = 0; i < 100; ++i) {
        const double x = -2 + 5.0 * i / 100;
        peak = std::max(peak, kernel(x) + kernel(x - 1));
    }
    const double x30 = -2 + 5.0 * 30 / 100;
    EXPECT_NEAR(two[30].y, (kernel(x30) + kernel(x30 - 1)) / peak, 1e-14);
    const foundation::Value point = curve[50].toValue();
    EXPECT_EQ(point.dictionary().size(), 2u);
    EXPECT_EQ(point.find("x")->toDouble(), 10);
    EXPECT_EQ(point.find("y")->toDouble(), 1);
    const auto flat = s.kdensity({3, 3}, 0, 3, 3);
    EXPECT_TRUE(std::isnan(flat[10].y));
}

TEST(Descriptive, Correlation) {
    QVStatistics s;
    const std::vector<double> x = {2.5, -1, 4, 4, 0.5, 7, 3};
    std::vector<double> line;
    for (double v : x)
        line.push_back(2 * v + 1);
    EXPECT_NEAR(s.correlation(x, line), 1, 1e-15);
    // R: cor(c(2.5,-1,4,4,0.5,7,3), c(1,2,3,4,5,6,8)) -> 0.37707787879858429
    EXPECT_NEAR(s.correlation(x, {1, 2, 3, 4, 5, 6, 8}), 0.37707787879858429, 1e-15);
    EXPECT_TRUE(std::isnan(s.correlation(x, {1, 2})));
}
