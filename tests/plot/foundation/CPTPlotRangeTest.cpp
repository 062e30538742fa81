// Plot ranges: mirrored representations, limits, containment, range against range, the in-place
// operations with their infinite and empty cases, copying and equality, and a seeded property check.
#include "plot/foundation/CPTPlotRange.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

using foundation::Decimal;
using foundation::Value;

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

Decimal d(const char* text) {
    return Decimal::fromString(text);
}
Decimal d(int v) {
    return Decimal::fromInt64(v);
}

std::shared_ptr<CPTMutablePlotRange> range(double location, double length) {
    return CPTMutablePlotRange::plotRangeWithLocation(location, length);
}

std::shared_ptr<CPTMutablePlotRange> infinite(double location, int sign) {
    auto r = range(location, 0);
    r->setLengthDouble(sign * kInf);
    return r;
}

// location, length (decimals), isInfinite, lengthSign
void expectRange(const CPTPlotRange& r, const Decimal& location, const Decimal& length, bool isInfinite,
                 std::int64_t sign) {
    EXPECT_EQ(r.locationDecimal(), location) << r.description();
    EXPECT_EQ(r.lengthDecimal(), length) << r.description();
    EXPECT_EQ(r.isInfinite(), isInfinite) << r.description();
    EXPECT_EQ(r.lengthSign(), sign) << r.description();
    // The doubles mirror the decimals (an infinite length has its own double).
    if (!isInfinite && !length.isNaN()) {
        EXPECT_EQ(r.lengthDouble(), length.toDouble());
    }
    if (!location.isNaN()) {
        EXPECT_EQ(r.locationDouble(), location.toDouble());
    }
}

} // namespace

TEST(CPTPlotRange, LimitsOfARangeRunningDownward) {
    const auto r = CPTPlotRange::plotRangeWithLocation(5, -3);
    EXPECT_EQ(r->minLimitDecimal(), d(2));
    EXPECT_EQ(r->maxLimitDecimal(), d(5));
    EXPECT_EQ(r->endDecimal(), d(2));
    EXPECT_EQ(r->midPointDecimal(), d("3.5"));
    EXPECT_EQ(r->minLimitDouble(), 2);
    EXPECT_EQ(r->maxLimitDouble(), 5);
    EXPECT_EQ(r->endDouble(), 2);
    EXPECT_EQ(r->midPointDouble(), 3.5);
    EXPECT_EQ(r->minLimit().toDecimal(), d(2));
    EXPECT_EQ(r->midPoint().kind(), Value::Kind::Decimal);
    EXPECT_TRUE(r->contains(d(2)));
    EXPECT_TRUE(r->contains(d(5)));
    EXPECT_FALSE(r->contains(d("5.0000000000000000000000000000000001")));
    EXPECT_TRUE(r->containsDouble(2));
    EXPECT_FALSE(r->containsDouble(kNaN));
    EXPECT_TRUE(r->containsNumber(Value(d(3))));
    EXPECT_TRUE(r->containsNumber(3.5));
    EXPECT_FALSE(r->containsNumber(Value())); // a missing number is 0
}

TEST(CPTPlotRange, ComparesValuesAgainstItsLimits) {
    const auto r = CPTPlotRange::plotRangeWithLocation(1, 2);
    struct Case {
        double value;
        CPTPlotRangeComparisonResult expected;
    };
    const Case cases[] = {
        {kNaN, CPTPlotRangeComparisonUndefined}, {0.5, CPTPlotRangeComparisonBelow},
        {1, CPTPlotRangeComparisonInside},       {3, CPTPlotRangeComparisonInside},
        {3.5, CPTPlotRangeComparisonAbove},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(r->compareToDouble(c.value), c.expected);
        EXPECT_EQ(r->compareToDecimal(Decimal::fromDouble(c.value)), c.expected);
        EXPECT_EQ(r->compareToNumber(c.value), c.expected);
    }
}

TEST(CPTPlotRange, LengthDoubleDecidesInfinityAndDirection) {
    auto r = range(1, 2);
    r->setLengthDouble(-0.5);
    EXPECT_EQ(r->lengthSign(), -1);
    EXPECT_EQ(r->lengthDecimal(), d("-0.5"));

    r->setLengthDouble(kNaN);
    EXPECT_EQ(r->lengthSign(), 0);
    EXPECT_FALSE(r->isInfinite());
    EXPECT_TRUE(r->lengthDecimal().isNaN());
    EXPECT_EQ(r->minLimitDecimal(), d(1));
    EXPECT_EQ(r->maxLimitDecimal(), d(1));

    r->setLengthDouble(kInf);
    EXPECT_TRUE(r->isInfinite());
    EXPECT_EQ(r->lengthSign(), 1);
    EXPECT_TRUE(r->lengthDecimal().isNaN());
    EXPECT_EQ(r->minLimitDouble(), 1);
    EXPECT_EQ(r->maxLimitDouble(), kInf);
    EXPECT_TRUE(r->contains(d("1e100")));
    EXPECT_FALSE(r->contains(d("0.9")));

    EXPECT_EQ(CPTPlotRange::plotRangeWithLocation(0, -0.0)->lengthSign(), -1);

    // A decimal set alone mirrors into the double, and the other way.
    r->setLengthDecimal(d("0.25"));
    EXPECT_EQ(r->lengthDouble(), 0.25);
    EXPECT_FALSE(r->isInfinite());
    r->setLocationDouble(1e-7);
    EXPECT_EQ(r->locationDecimal(), d("0.0000001"));
    // Setting the number sets both from the number itself.
    r->setLocation(Value(d("0.30000000000000000000000000000000000001")));
    EXPECT_EQ(r->locationDecimal(), d("0.30000000000000000000000000000000000001"));
    EXPECT_EQ(r->locationDouble(), 0.3);
    r->setLength(Value());
    EXPECT_TRUE(r->lengthDecimal().isZero());
}

TEST(CPTPlotRange, RangeAgainstRange) {
    struct Case {
        std::shared_ptr<CPTMutablePlotRange> a, b;
        bool aContainsB, intersects;
    };
    const Case cases[] = {
        {range(0, 10), range(2, 3), true, true},
        {range(0, 10), range(10, -10), true, true},
        {range(0, 10), range(10, 1), false, true}, // touching
        {range(0, 10), range(11, 1), false, false},
        {range(0, 10), infinite(4, 1), false, true}, // a finite range holds no infinite one
        {range(0, 10), infinite(-1, -1), false, false},
        {infinite(0, 1), range(2, 3), true, true},
        {infinite(0, 1), range(-5, 3), false, false},
        {infinite(0, 1), infinite(5, 1), true, true},
        {infinite(0, 1), infinite(5, -1), false, true},
        {infinite(0, 1), infinite(-5, -1), false, false},
        {infinite(0, -1), range(-5, 3), true, true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.a->description() + " vs " + c.b->description());
        EXPECT_EQ(c.a->containsRange(c.b.get()), c.aContainsB);
        EXPECT_EQ(c.a->intersectsRange(c.b.get()), c.intersects);
        // Symmetric wherever one side is finite and the other infinite (and for all these cases).
        EXPECT_EQ(c.b->intersectsRange(c.a.get()), c.intersects);
    }
    EXPECT_FALSE(range(0, 1)->containsRange(nullptr));
    EXPECT_FALSE(range(0, 1)->intersectsRange(nullptr));
}

TEST(CPTPlotRange, Union) {
    struct Case {
        const char* name;
        std::shared_ptr<CPTMutablePlotRange> a, b;
        Decimal location, length;
        bool isInfinite;
        std::int64_t sign;
    };
    const Decimal nan = CPTDecimalNotANumber();
    const Case cases[] = {
        {"upward", range(0, 10), range(20, -5), d(0), d(20), false, 1},
        {"downward keeps direction", range(10, -10), range(20, -5), d(20), d(-20), false, -1},
        {"opposite infinities: the whole line", infinite(3, 1), infinite(5, -1), nan, nan, true, 1},
        {"same infinities", infinite(3, 1), infinite(-5, 1), d(-5), nan, true, 1},
        {"infinite receiver", infinite(3, -1), range(4, 2), d(6), nan, true, -1},
        {"infinite argument", range(0, 10), infinite(4, -1), d(10), nan, true, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.a->unionPlotRange(c.b.get());
        expectRange(*c.a, c.location, c.length, c.isInfinite, c.sign);
    }
    const auto whole = infinite(3, 1);
    whole->unionPlotRange(infinite(5, -1).get());
    EXPECT_EQ(whole->locationDouble(), -kInf);
    EXPECT_EQ(whole->lengthDouble(), kInf);
}

TEST(CPTPlotRange, Intersection) {
    struct Case {
        const char* name;
        std::shared_ptr<CPTMutablePlotRange> a, b;
        Decimal location, length;
        bool isInfinite;
        std::int64_t sign;
    };
    const Decimal nan = CPTDecimalNotANumber();
    const Case cases[] = {
        {"finite", range(0, 10), range(5, 10), d(5), d(5), false, 1},
        {"finite downward", range(10, -10), range(5, 10), d(10), d(-5), false, -1},
        {"disjoint", range(0, 1), range(5, 1), nan, nan, false, 0},
        {"with upward infinity", range(0, 10), infinite(4, 1), d(4), d(6), false, 1},
        {"with downward infinity", range(0, 10), infinite(4, -1), d(4), d(-4), false, -1},
        {"infinite receiver, finite argument", infinite(4, 1), range(0, 10), d(4), d(6), false, 1},
        {"infinite receiver downward", infinite(4, -1), range(0, 10), d(4), d(-4), false, -1},
        {"same infinities", infinite(4, 1), infinite(6, 1), d(6), nan, true, 1},
        // Infinite in opposite directions and overlapping: the stretch between, this range's way.
        {"opposite infinities", infinite(2, 1), infinite(7, -1), d(2), d(5), false, 1},
        {"opposite infinities downward", infinite(7, -1), infinite(2, 1), d(7), d(-5), false, -1},
        {"opposite infinities touching", infinite(2, 1), infinite(2, -1), d(2), d(0), false, 1},
        // The empty result also when the receiver was infinite.
        {"infinite and disjoint", infinite(5, 1), range(0, 1), nan, nan, false, 0},
        {"opposite infinities apart", infinite(7, 1), infinite(2, -1), nan, nan, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.a->intersectionPlotRange(c.b.get());
        expectRange(*c.a, c.location, c.length, c.isInfinite, c.sign);
        if (c.location.isNaN()) {
            EXPECT_TRUE(std::isnan(c.a->locationDouble()));
            EXPECT_TRUE(std::isnan(c.a->lengthDouble()));
        }
    }
}

TEST(CPTPlotRange, ExpansionAndShifting) {
    auto r = range(2, 4);
    r->expandRangeByFactor(2);
    expectRange(*r, d(0), d(8), false, 1);
    r->expandRangeByFactor(Value(d("0.5")));
    expectRange(*r, d(2), d(4), false, 1);
    r->expandRangeByFactor(Value());
    expectRange(*r, d(4), d(0), false, 1);

    r = range(8, 4);
    r->shiftEndToFitInRange(range(0, 10).get());
    EXPECT_EQ(r->locationDecimal(), d(6));
    r = range(-5, 4);
    r->shiftEndToFitInRange(range(0, 10).get());
    EXPECT_EQ(r->locationDecimal(), d(-4));

    r = range(12, 1);
    r->shiftLocationToFitInRange(range(0, 10).get());
    EXPECT_EQ(r->locationDecimal(), d(10));
    r->setLocationDecimal(d(-2));
    r->shiftLocationToFitInRange(range(0, 10).get());
    EXPECT_EQ(r->locationDecimal(), d(0));
    r->shiftLocationToFitInRange(range(0, 10).get());
    EXPECT_EQ(r->locationDecimal(), d(0));
    EXPECT_EQ(r->lengthDecimal(), d(1));
}

TEST(CPTPlotRange, CopiesEqualityAndHash) {
    const auto mutableRange = range(1.5, -2);
    const std::shared_ptr<CPTPlotRange> immutableCopy = mutableRange->copy();
    EXPECT_EQ(dynamic_cast<CPTMutablePlotRange*>(immutableCopy.get()), nullptr);
    EXPECT_TRUE(immutableCopy->isEqual(mutableRange.get()));
    EXPECT_FALSE(mutableRange->isEqual(immutableCopy.get()));
    EXPECT_TRUE(mutableRange->isEqual(mutableRange->mutableCopy().get()));
    EXPECT_EQ(immutableCopy->hash(), mutableRange->hash());
    EXPECT_FALSE(immutableCopy->isEqual(nullptr));

    // Equal values in other representations hash alike.
    const auto a = CPTPlotRange::plotRangeWithLocationDecimal(d("2"), d("1"));
    Decimal twoPointZero;
    twoPointZero.header = static_cast<std::uint8_t>(-1) | (1u << 8);
    twoPointZero.mantissa[0] = 20;
    const auto b = CPTPlotRange::plotRangeWithLocationDecimal(twoPointZero, d("1"));
    EXPECT_TRUE(a->isEqual(b.get()));
    EXPECT_EQ(a->hash(), b->hash());

    // Copies keep infinity, direction and a negative zero length.
    for (const auto& original : {infinite(3, -1), range(0, -0.0), range(1, kNaN)}) {
        SCOPED_TRACE(original->description());
        const auto c = original->copy();
        EXPECT_TRUE(c->isEqualToRange(original.get()));
        EXPECT_EQ(c->lengthSign(), original->lengthSign());
        EXPECT_EQ(c->isInfinite(), original->isInfinite());
    }
}

TEST(CPTPlotRange, DescriptionsUseAPointInEveryLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_ALL, name) != nullptr)
            break;
    const auto r = CPTPlotRange::plotRangeWithLocation(1.5, -2.25);
    const std::string text = r->description();
    EXPECT_EQ(text.rfind("<<CPTPlotRange: 0x", 0), 0u) << text;
    EXPECT_NE(text.find("> {1.5, -2.25}>"), std::string::npos) << text;
    EXPECT_NE(infinite(2, -1)->description().find("{2, -INF}"), std::string::npos);
    EXPECT_NE(infinite(2, 1)->description().find("<<CPTMutablePlotRange: 0x"), std::string::npos);
    EXPECT_EQ(infinite(2, 1)->debugQuickLookObject(), "Location: 2\nLength:   +INF");
    std::setlocale(LC_ALL, previous.c_str());
}

// Random finite ranges: the union contains both; the intersection lies in both, has the same limits
// whichever range receives it, and runs in the receiver's direction.
TEST(CPTPlotRange, UnionAndIntersectionProperties) {
    std::mt19937 rng(1210);
    std::uniform_int_distribution<int> value(-50, 50);
    for (int i = 0; i < 2000; ++i) {
        const double la = value(rng) / 4.0, lena = value(rng) / 4.0;
        const double lb = value(rng) / 4.0, lenb = value(rng) / 4.0;
        const auto a = range(la, lena), b = range(lb, lenb);
        SCOPED_TRACE(a->description() + " " + b->description());

        const auto u = a->mutableCopy();
        u->unionPlotRange(b.get());
        ASSERT_TRUE(u->containsRange(a.get()));
        ASSERT_TRUE(u->containsRange(b.get()));
        if (lena != 0) {
            ASSERT_EQ(u->lengthSign(), a->lengthSign());
        }

        const auto ab = a->mutableCopy();
        ab->intersectionPlotRange(b.get());
        const auto ba = b->mutableCopy();
        ba->intersectionPlotRange(a.get());
        ASSERT_EQ(a->intersectsRange(b.get()), !ab->locationDecimal().isNaN());
        if (ab->locationDecimal().isNaN()) {
            ASSERT_TRUE(ba->locationDecimal().isNaN());
            ASSERT_EQ(ab->lengthSign(), 0);
            continue;
        }
        ASSERT_TRUE(a->containsRange(ab.get()));
        ASSERT_TRUE(b->containsRange(ab.get()));
        ASSERT_EQ(ab->minLimitDecimal(), ba->minLimitDecimal());
        ASSERT_EQ(ab->maxLimitDecimal(), ba->maxLimitDecimal());
        if (lena != 0 && !ab->lengthDecimal().isZero()) {
            ASSERT_EQ(ab->lengthSign(), a->lengthSign());
        }
    }
}
