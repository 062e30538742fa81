// Tick locations under the labeling policies on every scale, exclusion filtering, the interval
// functions of the automatic policy and the bound on tick counts.
#include "AxisFixtures.h"

#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

using axistest::range;
using axistest::texts;
using foundation::Value;
using Texts = std::vector<std::string>;

TEST(CPTAxisTicks, GeneratorsByPolicyScaleAndRange) {
    struct Case {
        const char* name;
        CPTAxisLabelingPolicy policy;
        CPTScaleType scale;
        double location, length;
        Value interval;
        Value origin;
        std::uint64_t minors;
        std::uint64_t preferred;
        Texts major, minor;
    };
    const Value one(1.0), zero(0.0);
    const Case cases[] = {
        {"fixed: minors in the partial intervals at both ends", CPTAxisLabelingPolicyFixedInterval,
         CPTScaleTypeLinear, 0.3, 3.9, one, zero, 1, 0, {"1", "2", "3", "4"}, {"0.5", "1.5", "2.5", "3.5"}},
        {"fixed: shifted by the origin", CPTAxisLabelingPolicyFixedInterval, CPTScaleTypeLinear, 0, 3, one,
         Value(0.25), 1, 0, {"0.25", "1.25", "2.25"}, {"0.75", "1.75", "2.75"}},
        {"fixed: a zero interval", CPTAxisLabelingPolicyFixedInterval, CPTScaleTypeLinear, 0, 3, zero, zero, 1, 0,
         {}, {}},
        {"fixed: a negative interval", CPTAxisLabelingPolicyFixedInterval, CPTScaleTypeLinear, 0, 3, Value(-1.0),
         zero, 1, 0, {}, {}},
        {"fixed: no interval", CPTAxisLabelingPolicyFixedInterval, CPTScaleTypeLinear, 0, 3, Value(), zero, 1, 0,
         {}, {}},
        // Summed as doubles, the fourth tick would be 0.30000000000000004 and fall outside.
        {"fixed: 0.1 in decimals", CPTAxisLabelingPolicyFixedInterval, CPTScaleTypeLinear, 0, 0.3, Value(0.1), zero,
         0, 0, {"0", "0.1", "0.2", "0.3"}, {}},
        {"fixed: a reversed range", CPTAxisLabelingPolicyFixedInterval, CPTScaleTypeLinear, 3, -3, one, zero, 0, 0,
         {"0", "1", "2", "3"}, {}},
        {"automatic: five nice ticks", CPTAxisLabelingPolicyAutomatic, CPTScaleTypeLinear, 0, 97, one, zero, 1, 0,
         {"0", "20", "40", "60", "80"}, {"10", "30", "50", "70", "90"}},
        {"automatic: two ticks truncate", CPTAxisLabelingPolicyAutomatic, CPTScaleTypeLinear, 0, 87.3, one, zero, 0,
         2, {"0", "87"}, {}},
        {"automatic: one tick reads as two", CPTAxisLabelingPolicyAutomatic, CPTScaleTypeLinear, 0, 87.3, one, zero,
         0, 1, {"0", "87"}, {}},
        {"automatic: zero length", CPTAxisLabelingPolicyAutomatic, CPTScaleTypeLinear, 5, 0, one, zero, 1, 0, {},
         {}},
        {"automatic: log decades", CPTAxisLabelingPolicyAutomatic, CPTScaleTypeLog, 3, 1997, one, zero, 1, 0,
         {"10", "100", "1000"}, {"5.5", "55", "550"}},
        {"automatic: log with eight minors", CPTAxisLabelingPolicyAutomatic, CPTScaleTypeLog, 1, 9, one, zero, 8, 0,
         {"1", "10"}, {"2", "3", "4", "5", "6", "7", "8", "9"}},
        {"automatic: log from zero", CPTAxisLabelingPolicyAutomatic, CPTScaleTypeLog, 0, 100, one, zero, 1, 0, {},
         {}},
        // By hand from the steps: p = 100, u = 1, lo = -3, hi = 3, minor step 4.5 growing tenfold per decade.
        {"automatic: log-modulus", CPTAxisLabelingPolicyAutomatic, CPTScaleTypeLogModulus, -150, 300, one, zero, 1,
         0, {"-100", "-10", "0", "10", "100"}, {"-55", "-5.5", "5.5", "55"}},
        {"equal: no preference", CPTAxisLabelingPolicyEqualDivisions, CPTScaleTypeLinear, 10, 10, one, zero, 0, 0,
         {"10", "20"}, {}},
        {"equal: one", CPTAxisLabelingPolicyEqualDivisions, CPTScaleTypeLinear, 10, 10, one, zero, 0, 1,
         {"10", "20"}, {}},
        {"equal: two", CPTAxisLabelingPolicyEqualDivisions, CPTScaleTypeLinear, 10, 10, one, zero, 0, 2,
         {"10", "20"}, {}},
        {"equal: three with minors", CPTAxisLabelingPolicyEqualDivisions, CPTScaleTypeLinear, 10, 10, one, zero, 1,
         3, {"10", "15", "20"}, {"12.5", "17.5"}},
        {"equal: zero length", CPTAxisLabelingPolicyEqualDivisions, CPTScaleTypeLinear, 10, 0, one, zero, 1, 3, {},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto chart = axistest::chart(400, 300, range(c.location, c.length), range(0, 1), c.scale);
        auto& x = *chart.x;
        x.setLabelingPolicy(c.policy);
        x.setMajorIntervalLength(c.interval);
        x.setLabelingOrigin(c.origin);
        x.setMinorTicksPerInterval(c.minors);
        x.setPreferredNumberOfMajorTicks(c.preferred);
        axistest::relabelNow(x);
        EXPECT_EQ(texts(x.majorTickLocations()), c.major);
        EXPECT_EQ(texts(x.minorTickLocations()), c.minor);
    }
}

TEST(CPTAxisTicks, LinearTicksAreDecimalsAndLogTicksDoubles) {
    auto linear = axistest::chart(400, 300, range(0, 97), range(0, 1));
    linear.x->setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
    axistest::relabelNow(*linear.x);
    for (const auto& v : linear.x->majorTickLocations())
        EXPECT_EQ(v.kind(), Value::Kind::Decimal);
    auto log = axistest::chart(400, 300, range(3, 1997), range(0, 1), CPTScaleTypeLog);
    log.x->setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
    axistest::relabelNow(*log.x);
    ASSERT_FALSE(log.x->majorTickLocations().empty());
    for (const auto& v : log.x->majorTickLocations())
        EXPECT_EQ(v.kind(), Value::Kind::Double);
}

TEST(CPTAxisTicks, VisibleRangeCutsTheWorkingRange) {
    auto chart = axistest::chart(400, 300, range(0, 10), range(0, 1));
    chart.x->setVisibleRange(range(2.5, 3));
    axistest::relabelNow(*chart.x);
    EXPECT_EQ(texts(chart.x->majorTickLocations()), (Texts{"3", "4", "5"}));
}

TEST(CPTAxisTicks, ExclusionRangesRemoveTicksLabelsAndGridLinesUnderGeneratingPolicies) {
    struct Case {
        CPTAxisLabelingPolicy policy;
        bool keepsZero;
    };
    const Case cases[] = {{CPTAxisLabelingPolicyLocationsProvided, true},
                          {CPTAxisLabelingPolicyFixedInterval, false},
                          {CPTAxisLabelingPolicyAutomatic, false},
                          {CPTAxisLabelingPolicyEqualDivisions, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.policy);
        auto chart = axistest::chart(400, 300, range(-2, 4), range(0, 1));
        auto& x = *chart.x;
        x.setLabelingPolicy(c.policy);
        x.setPreferredNumberOfMajorTicks(3);
        if (c.policy == CPTAxisLabelingPolicyLocationsProvided)
            x.setMajorTickLocations({Value(-2.0), Value(0.0), Value(2.0)});
        x.setLabelExclusionRanges({range(-0.1, 0.2)});
        axistest::relabelNow(x);
        const auto major = texts(x.majorTickLocations());
        EXPECT_EQ(std::count(major.begin(), major.end(), "0"), c.keepsZero ? 1 : 0);
        EXPECT_EQ(axistest::labelAt(x.axisLabels(), 0) != nullptr, c.keepsZero);
        EXPECT_NE(axistest::labelAt(x.axisLabels(), 2), nullptr);
    }
}

TEST(CPTAxisTicks, IntervalFunctions) {
    struct Case {
        const char* x;
        const char* truncated;
        const char* nice;
    };
    const Case cases[] = {
        {"8.76", "8.7", "10"},     {"0.0345", "0.034", "0.05"}, {"24.25", "24", "20"}, {"-8.76", "-8.7", "-10"},
        {"87.3", "87", "100"},     {"10", "10", "10"},          {"1.4", "1.4", "1"},   {"0", "0", "0"},
        {"2.9", "2.9", "2"},       {"6.99", "6.9", "5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        const NSDecimal x = CPTDecimalFromString(c.x);
        EXPECT_EQ(CPTAxisTruncatedInterval(x).toString(), c.truncated);
        EXPECT_EQ(CPTAxisNiceInterval(x).toString(), c.nice);
    }
}

TEST(CPTAxisTicks, TooManyTicksMakeNoneAndSaySo) {
    struct Case {
        const char* name;
        CPTAxisLabelingPolicy policy;
        double length;
        std::uint64_t minors;
        std::uint64_t preferred;
        const char* kind;
    };
    const Case cases[] = {
        {"a second apart over a date axis", CPTAxisLabelingPolicyFixedInterval, 1.7e9, 1, 0, "major"},
        {"a billion minors per interval", CPTAxisLabelingPolicyFixedInterval, 10, 1000000000, 0, "minor"},
        {"a trillion equal divisions", CPTAxisLabelingPolicyEqualDivisions, 10, 1, 1000000000000ull, "major"},
        {"automatic with a billion minors", CPTAxisLabelingPolicyAutomatic, 10, 1000000000, 0, "minor"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto chart = axistest::chart(400, 300, range(0, c.length), range(0, 1));
        auto& x = *chart.x;
        x.setLabelingPolicy(c.policy);
        x.setMinorTicksPerInterval(c.minors);
        x.setPreferredNumberOfMajorTicks(c.preferred);
        foundation::LogCapture log;
        axistest::relabelNow(x);
        EXPECT_TRUE(x.majorTickLocations().empty());
        EXPECT_TRUE(x.minorTickLocations().empty());
        EXPECT_TRUE(x.axisLabels().empty());
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_NE(log.lines()[0].find("CPTXYAxis (x axis)"), std::string::npos) << log.lines()[0];
        EXPECT_NE(log.lines()[0].find(std::string(c.kind) + " ticks are too many"), std::string::npos)
            << log.lines()[0];
    }
    // Caller's own locations are not limited.
    auto chart = axistest::chart(400, 300, range(0, 1e6), range(0, 1));
    chart.x->setLabelingPolicy(CPTAxisLabelingPolicyLocationsProvided);
    CPTAxis::TickLocations many;
    for (int i = 0; i < 12000; ++i)
        many.emplace_back(static_cast<double>(i));
    chart.x->setLabelTextStyle(nullptr);
    chart.x->setMajorTickLocations(many);
    axistest::relabelNow(*chart.x);
    EXPECT_EQ(chart.x->majorTickLocations().size(), 12000u);
}

TEST(CPTAxisTicks, BadRangesGiveNoTicks) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (auto policy : {CPTAxisLabelingPolicyFixedInterval, CPTAxisLabelingPolicyAutomatic,
                        CPTAxisLabelingPolicyEqualDivisions}) {
        for (auto r : {range(nan, 1), range(0, nan), range(0, inf)}) {
            SCOPED_TRACE(policy);
            auto chart = axistest::chart(400, 300, range(0, 1), range(0, 1));
            chart.space->setXRange(r);
            chart.x->setLabelingPolicy(policy);
            axistest::relabelNow(*chart.x);
            SCOPED_TRACE(chart.space->xRange()->description());
            EXPECT_TRUE(chart.x->majorTickLocations().empty()) << axistest::texts(chart.x->majorTickLocations()).size();
        }
    }
}
