// Chi-square tests of frequency matrices, Cramer's V, phi and the sample-size formulas.
#include "stats/QVStatistics.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

TEST(Tables, ChiSquareOfFrequencyMatrices) {
    QVStatistics s;
    // R: chisq.test(matrix(c(10,30,20,40),2), correct=FALSE) -> X-squared 0.79365079365079361,
    //    p 0.3729984836134872
    const ChiResult two = s.chiForFrequencyMatrix({{10, 20}, {30, 40}});
    EXPECT_NEAR(two.chi, 0.79365079365079361, 1e-14);
    EXPECT_EQ(two.df, 1);
    EXPECT_NEAR(two.p, 0.3729984836134872, 1e-12);
    // R: chisq.test(matrix(c(12,5,7,9, 3,14,6,8, 10,2,11,4),3,byrow=TRUE), correct=FALSE)
    //    -> 19.920606784692804, df 6, p 0.0028609525002928284
    const ChiResult wide = s.chiForFrequencyMatrix({{12, 5, 7, 9}, {3, 14, 6, 8}, {10, 2, 11, 4}});
    EXPECT_NEAR(wide.chi, 19.920606784692804, 1e-12);
    EXPECT_EQ(wide.df, 6);
    EXPECT_NEAR(wide.p, 0.0028609525002928284, 1e-12);
    // Given totals are used as they are.
    const ChiResult given = s.chiForFrequencyMatrix({{10, 20}, {30, 40}}, {30, 70}, {40, 60});
    EXPECT_EQ(given.chi, two.chi);
    EXPECT_EQ(given.p, two.p);
}

TEST(Tables, ChiSquareOfDegenerateMatrices) {
    QVStatistics s;
    // An all-zero row makes its expected counts 0: chi and p are NaN, nothing else happens.
    const ChiResult zeroRow = s.chiForFrequencyMatrix({{0, 0}, {3, 4}});
    EXPECT_TRUE(std::isnan(zeroRow.chi));
    EXPECT_TRUE(std::isnan(zeroRow.p));
    // A ragged matrix reads each row by its own length, and no cell outside the totals.
    const ChiResult ragged = s.chiForFrequencyMatrix({{10, 20, 5}, {30, 40}});
    EXPECT_EQ(ragged.df, 1);
    EXPECT_NEAR(ragged.chi, 0.79365079365079361, 1e-14);
    const ChiResult empty = s.chiForFrequencyMatrix({});
    EXPECT_EQ(empty.chi, 0);
    EXPECT_EQ(empty.df, 1); // (0 - 1)(0 - 1)
}

TEST(Tables, PhiAndCramersV) {
    QVStatistics s;
    const double phi = s.phiForFrequencyMatrix({{10, 20}, {30, 40}});
    EXPECT_NEAR(phi, -0.0890870806374748, 1e-15); // -200 / sqrt(30 * 70 * 40 * 60)
    EXPECT_NEAR(s.cramersVForChi(0.79365079365079361, 100, 2, 2), 0.0890870806374748, 1e-15);
    EXPECT_NEAR(s.cramersVForChi(19.920606784692804, 91, 3, 4), std::sqrt(19.920606784692804 / 182), 1e-15);
    for (const auto& m : std::vector<std::vector<std::vector<double>>>{
             {{1, 2, 3}, {4, 5, 6}}, {{1, 2}}, {{1, 2}, {3}}, {{1, 2}, {3, 4}, {5, 6}}, {}}) {
        EXPECT_TRUE(std::isnan(s.phiForFrequencyMatrix(m)));
    }
}

TEST(Tables, SampleSizes) {
    QVStatistics s;
    // z = 1.9572 from the closed form, (3.9144)^2 = 15.32, truncated.
    EXPECT_EQ(s.popForConfidence(0.975, 1, 0.5), 15);
    EXPECT_EQ(s.popForX(4, 0.75, 0.5), 16);            // 4 * 0.25 / 0.0625, exactly
    EXPECT_EQ(s.popForX(3, 0.7, 0.5), 19);             // 18.75 rounded up
    EXPECT_EQ(s.popForT(2.01, 0.5, 1), 16);            // (4.02)^2 = 16.16, truncated
    EXPECT_EQ(s.popForTAlpha(1.96, 0.84, 0.5, 1), 32); // (5.6)^2 = 31.36, rounded up
    // Equal groups and sds: V = sd^2, r = 1/2, N = 4 t^2 sd^2 / delta^2.
    EXPECT_EQ(s.popForT(2, 1, 1.5, 1.5, 10, 10), 36);
    EXPECT_EQ(s.popForTAlpha(1.5, 0.5, 1, 1.5, 1.5, 10, 10), 36);
    EXPECT_EQ(s.popForConfidence(0.975, 1, 1.5, 1.5, 10, 10), 35); // 4 (1.9572 * 1.5)^2 = 34.48, up
    // Divisions by zero saturate instead of taking an undefined conversion.
    EXPECT_EQ(s.popForConfidence(0.975, 1, 0), INT_MAX);
    EXPECT_EQ(s.popForT(2, 1, 1.5, 1.5, 0, 10), INT_MAX);
    EXPECT_EQ(s.popForT(0, 0, 1), 0); // 0 / 0
}
