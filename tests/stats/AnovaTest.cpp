// One-way ANOVA: the worked cases, R's aov on small fixtures, the single-observation rule, keyed forms.
#include "platform/foundation/Decimal.h"
#include "platform/foundation/Value.h"
#include "stats/QVStatistics.h"

#include <gtest/gtest.h>

#include <cmath>

using foundation::Value;

TEST(Anova, GroupsWithAnEmptyOne) {
    QVStatistics s;
    const AnovaResult r = s.anova({{1, 2, 3}, {4, 5, 6}, {}}, false);
    ASSERT_EQ(r.summary.size(), 3u);
    EXPECT_EQ(r.summary[0].obs, 3u);
    EXPECT_EQ(r.summary[0].mean, 2);
    EXPECT_EQ(r.summary[0].sd, 1);
    EXPECT_EQ(r.summary[2].obs, 0u);
    EXPECT_TRUE(std::isnan(r.summary[2].mean));
    EXPECT_TRUE(std::isnan(r.summary[2].sd));
    EXPECT_DOUBLE_EQ(r.F, 13.5);
    // R: pf(13.5, 1, 4, lower.tail = FALSE) -> 0.021311641128756723
    EXPECT_NEAR(r.p, 0.021311641128756723, 1e-12);
}

TEST(Anova, BinaryGroupsTakeTheBinomialSd) {
    QVStatistics s;
    const AnovaResult r = s.anova({{0, 1, 1, 1}, {0, 0, 1}}, true);
    EXPECT_DOUBLE_EQ(r.summary[0].sd, std::sqrt(0.75 * 0.25));
    EXPECT_DOUBLE_EQ(r.summary[1].sd, std::sqrt(1.0 / 3 * 2.0 / 3));
    // SSW = sum m(1 - m)(obs - 1) = 0.5625 + 4/9; SSB = 4 (0.75 - 4/7)^2 + 3 (1/3 - 4/7)^2.
    const double G = 4.0 / 7;
    const double ssb = 4 * (0.75 - G) * (0.75 - G) + 3 * (1.0 / 3 - G) * (1.0 / 3 - G);
    const double ssw = 0.1875 * 3 + 2.0 / 9 * 2;
    EXPECT_NEAR(r.F, ssb / (ssw / 5), 1e-12);
    // A binary group of one value has sd 0 and adds nothing to the within-group sum either way.
    const AnovaResult one = s.anova({{0, 1, 1, 1}, {0, 0, 1}, {1}}, true);
    EXPECT_EQ(one.summary[2].sd, 0);
    EXPECT_FALSE(std::isnan(one.F));
}

// tests/fixtures/stats/anova_reference.R (R's aov); its output is anova_reference.txt.
TEST(Anova, MatchesRsAov) {
    QVStatistics s;
    struct Case {
        std::vector<std::vector<double>> groups;
        double F, p;
    };
    const Case cases[] = {
        {{{4.2, 5.1, 3.9, 6.0}, {5.5, 6.1, 7.2}, {3.3, 2.9, 4.0, 3.6, 4.4}},
         10.538678340129525,
         0.0043854361806502139},
        // A single observation: it has no sd (NaN for display) but F and p stay defined, as in aov.
        {{{4.2, 5.1, 3.9, 6.0}, {5.5, 6.1, 7.2}, {3.3, 2.9, 4.0, 3.6, 4.4}, {5.0}},
         7.0757421997527485,
         0.0096441652938667483},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.groups.size());
        const AnovaResult r = s.anova(c.groups, false);
        EXPECT_NEAR(r.F / c.F, 1, 1e-9);
        EXPECT_NEAR(r.p / c.p, 1, 1e-9);
    }
    // Far from zero with little spread R's QR fit loses digits (F 16.918976532082858, p
    // 0.0092343537194698056, 5.9e-10 and 1.2e-9 away); here the exact F of the doubles
    // (anova_exact.py) and R's pf at that F are the reference.
    const AnovaResult narrow =
        s.anova({{1000000.1, 1000000.3, 1000000.2}, {1000000.4, 1000000.6, 1000000.5, 1000000.45}}, false);
    EXPECT_NEAR(narrow.F / 16.91897654209298, 1, 1e-10);
    EXPECT_NEAR(narrow.p / 0.0092343537085041293, 1, 1e-9);

    const AnovaResult single = s.anova(cases[1].groups, false);
    EXPECT_EQ(single.summary[3].obs, 1u);
    EXPECT_EQ(single.summary[3].mean, 5.0);
    EXPECT_TRUE(std::isnan(single.summary[3].sd));
}

TEST(Anova, TooFewGroupsOrObservations) {
    QVStatistics s;
    // One non-empty group: k - 1 = 0 and F is 0 / 0.
    EXPECT_TRUE(std::isnan(s.anova({{1, 2, 3}, {}}, false).F));
    // N = k: every group has one value, the within-group sum has no degrees of freedom.
    const AnovaResult r = s.anova({{1}, {2}, {4}}, false);
    EXPECT_FALSE(std::isfinite(r.F));
    EXPECT_TRUE(s.anova({}, false).summary.empty());
}

TEST(Anova, KeyedForms) {
    QVStatistics s;
    const Value v = s.anova({{1, 2, 3}, {4, 5, 6}, {}}, false).toValue();
    ASSERT_EQ(v.dictionary().size(), 3u);
    ASSERT_NE(v.find("F"), nullptr);
    EXPECT_EQ(v.find("F")->toDouble(), 13.5);
    ASSERT_NE(v.find("p"), nullptr);
    const auto& summary = v.find("summary")->array();
    ASSERT_EQ(summary.size(), 3u);
    EXPECT_EQ(summary[0].dictionary().size(), 3u);
    EXPECT_EQ(summary[0].find("obs")->kind(), Value::Kind::Unsigned);
    EXPECT_EQ(summary[0].find("mean")->toDouble(), 2);
    EXPECT_EQ(summary[2].find("mean")->kind(), Value::Kind::Decimal);
    EXPECT_TRUE(summary[2].find("mean")->toDecimal().isNaN());
    EXPECT_TRUE(summary[2].find("sd")->toDecimal().isNaN());

    const Value chi = s.chiForFrequencyMatrix({{10, 20}, {30, 40}}).toValue();
    ASSERT_EQ(chi.dictionary().size(), 3u);
    EXPECT_EQ(chi.find("df")->toDouble(), 1);
    EXPECT_NEAR(chi.find("chi")->toDouble(), 0.79365079365079361, 1e-14);
    EXPECT_NE(chi.find("p"), nullptr);
}
