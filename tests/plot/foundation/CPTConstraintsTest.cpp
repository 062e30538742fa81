// Placement between two bounds: positions of each kind, equality, copies, the bare base class, and
// archives that name the public class, round trip and fail cleanly when damaged.
#include "plot/foundation/CPTConstraints.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();

using Make = std::shared_ptr<CPTConstraints> (*)(double);
const Make lower = &CPTConstraints::constraintWithLowerOffset;
const Make upper = &CPTConstraints::constraintWithUpperOffset;
const Make relative = &CPTConstraints::constraintWithRelativeOffset;

// Only a subclass can make the bare public class; it shows the base behaviour the kinds replace.
struct Bare : CPTConstraints {};

std::vector<std::uint8_t> archive(const std::function<void(KeyedArchiver&)>& encode) {
    KeyedArchiver coder("Test");
    encode(coder);
    return coder.encodedData();
}

// A nested object "c" of the given class whose fields `encode` writes.
std::vector<std::uint8_t> handMade(const char* className, const std::function<void(KeyedArchiver&)>& encode) {
    return archive([&](KeyedArchiver& c) { c.encodeObject(className, "c", encode); });
}
} // namespace

TEST(CPTConstraints, PositionsBetweenBounds) {
    struct Case {
        const char* name;
        Make make;
        double offset, lowerBound, upperBound, expected;
    };
    const Case cases[] = {
        {"lower offset", lower, 10, 0, 100, 10},
        {"upper offset", upper, 10, 0, 100, 90},
        {"relative quarter", relative, 0.25, 0, 100, 25},
        {"relative middle of reversed bounds", relative, 0.5, 100, 0, 50},
        {"relative below the lower bound extrapolates", relative, -0.5, 0, 100, -50},
        {"relative above the upper bound extrapolates", relative, 1.5, 0, 100, 150},
        {"relative 0 is the lower bound", relative, 0, 7, 3, 7},
        {"relative 1 is the upper bound", relative, 1, 7, 3, 3},
        // Reversed bounds keep the same formulas: no ordering is assumed.
        {"lower offset, reversed bounds", lower, 10, 100, 0, 110},
        {"upper offset, reversed bounds", upper, 10, 100, 0, -10},
        {"negative lower offset", lower, -5, 0, 100, -5},
        {"fixed offsets ignore the other bound", lower, 2, 3, kNaN, 5},
        {"upper offset ignores the lower bound", upper, 2, kNaN, 3, 1},
        // One rounding: 0.22 x 6.5 + 2.5 rounded twice is 3.9299999999999997.
        // python3: float(Fraction(0.22) * Fraction(6.5) + Fraction(2.5)) -> 3.93
        {"relative is one fused multiply-add", relative, 0.22, 2.5, 9.0, 3.93},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.make(c.offset)->positionForLowerBound(c.lowerBound, c.upperBound), c.expected);
    }
}

TEST(CPTConstraints, NaNOffsetsAndBoundsGiveNaN) {
    for (Make make : {lower, upper, relative}) {
        EXPECT_TRUE(std::isnan(make(kNaN)->positionForLowerBound(0, 100)));
        EXPECT_TRUE(std::isnan(make(1)->positionForLowerBound(kNaN, kNaN)));
    }
    EXPECT_TRUE(std::isnan(relative(0.5)->positionForLowerBound(kNaN, 100)));
    EXPECT_TRUE(std::isnan(relative(0.5)->positionForLowerBound(0, kNaN)));
}

TEST(CPTConstraints, FactoriesHandOutPrivateKinds) {
    EXPECT_STREQ(lower(1)->className(), "_CPTConstraintsFixed");
    EXPECT_STREQ(upper(1)->className(), "_CPTConstraintsFixed");
    EXPECT_STREQ(relative(1)->className(), "_CPTConstraintsRelative");
    EXPECT_STREQ(CPTConstraints::classForCoder(), "CPTConstraints");
    EXPECT_TRUE(CPTConstraints::supportsSecureCoding());
}

TEST(CPTConstraints, Equality) {
    struct Case {
        const char* name;
        std::shared_ptr<CPTConstraints> a, b;
        bool equal;
    };
    const Case cases[] = {
        {"equal lower offsets", lower(5), lower(5), true},
        {"equal upper offsets", upper(5), upper(5), true},
        {"lower and upper with the same offset", lower(5), upper(5), false},
        {"upper and lower with the same offset", upper(5), lower(5), false},
        {"different lower offsets", lower(5), lower(6), false},
        {"equal relative offsets", relative(0.5), relative(0.5), true},
        {"different relative offsets", relative(0.5), relative(0.25), false},
        {"fixed against relative", lower(0.5), relative(0.5), false},
        {"relative against fixed", relative(0.5), lower(0.5), false},
        {"relative against upper", relative(0), upper(0), false},
        {"signed zeros compare equal", lower(0.0), lower(-0.0), true},
        {"NaN fixed offsets", lower(kNaN), lower(kNaN), false},
        {"NaN relative offsets", relative(kNaN), relative(kNaN), false},
        {"nothing", lower(5), nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.a->isEqualToConstraint(c.b.get()), c.equal);
        // The general equality is identity, however equal the fields.
        EXPECT_FALSE(c.a->isEqual(c.b.get()));
        EXPECT_TRUE(c.a->isEqual(c.a.get()));
    }
    // Not even itself: a NaN offset never compares equal.
    const auto nan = relative(kNaN);
    EXPECT_FALSE(nan->isEqualToConstraint(nan.get()));
}

TEST(CPTConstraints, CopiesKeepKindAndFields) {
    for (const auto& original : {lower(3.5), upper(-2), relative(0.75)}) {
        SCOPED_TRACE(original->className());
        const auto copy = original->copy();
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy.get(), original.get());
        EXPECT_STREQ(copy->className(), original->className());
        EXPECT_TRUE(copy->isEqualToConstraint(original.get()));
        EXPECT_EQ(copy->positionForLowerBound(10, 20), original->positionForLowerBound(10, 20));
    }
}

TEST(CPTConstraints, BareBaseClassPlacesNothingAndArchivesNothing) {
    const auto bare = std::make_shared<Bare>();
    Bare other;
    EXPECT_TRUE(std::isnan(bare->positionForLowerBound(0, 100)));
    EXPECT_TRUE(bare->isEqualToConstraint(bare.get()));
    EXPECT_FALSE(bare->isEqualToConstraint(&other));
    EXPECT_FALSE(bare->isEqualToConstraint(lower(0).get()));
    EXPECT_EQ(bare->copy(), nullptr);
    EXPECT_STREQ(bare->className(), "CPTConstraints");

    const auto data = archive([&](KeyedArchiver& c) { bare->encodeForKey(c, "c"); });
    KeyedUnarchiver d(data);
    auto object = d.decodeObjectForKey("c", {"CPTConstraints"});
    ASSERT_TRUE(object.has_value());
    for (const char* key : {"_CPTConstraintsFixed.offset", "_CPTConstraintsFixed.isFixedToLower",
                            "_CPTConstraintsRelative.offset"})
        EXPECT_FALSE(object->containsValueForKey(key)) << key;
    EXPECT_EQ(CPTConstraints::decodeForKey(d, "c"), nullptr);
    EXPECT_FALSE(d.failed());
}

TEST(CPTConstraints, ArchivesNameThePublicClassAndRoundTrip) {
    struct Case {
        const char* name;
        std::shared_ptr<CPTConstraints> original;
        std::vector<const char*> keys;
    };
    const Case cases[] = {
        {"lower", lower(12.25), {"_CPTConstraintsFixed.offset", "_CPTConstraintsFixed.isFixedToLower"}},
        {"upper", upper(-3), {"_CPTConstraintsFixed.offset", "_CPTConstraintsFixed.isFixedToLower"}},
        {"relative", relative(0.1), {"_CPTConstraintsRelative.offset"}},
        {"tiny relative", relative(5e-324), {"_CPTConstraintsRelative.offset"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto data = archive([&](KeyedArchiver& a) { c.original->encodeForKey(a, "c"); });
        KeyedUnarchiver d(data);
        auto object = d.decodeObjectForKey("c", {"CPTConstraints"});
        ASSERT_TRUE(object.has_value());
        EXPECT_EQ(object->className(), "CPTConstraints");
        std::size_t present = 0;
        for (const char* key : {"_CPTConstraintsFixed.offset", "_CPTConstraintsFixed.isFixedToLower",
                                "_CPTConstraintsRelative.offset"})
            present += object->containsValueForKey(key);
        EXPECT_EQ(present, c.keys.size());
        for (const char* key : c.keys)
            EXPECT_TRUE(object->containsValueForKey(key)) << key;

        const auto decoded = CPTConstraints::decodeForKey(d, "c");
        ASSERT_NE(decoded, nullptr) << d.error();
        EXPECT_STREQ(decoded->className(), c.original->className());
        EXPECT_TRUE(decoded->isEqualToConstraint(c.original.get()));
        EXPECT_EQ(decoded->positionForLowerBound(-1, 7), c.original->positionForLowerBound(-1, 7));
        EXPECT_FALSE(d.failed());
    }
    // A NaN offset survives, though it equals nothing.
    const auto data = archive([&](KeyedArchiver& a) { relative(kNaN)->encodeForKey(a, "c"); });
    KeyedUnarchiver d(data);
    const auto decoded = CPTConstraints::decodeForKey(d, "c");
    ASSERT_NE(decoded, nullptr);
    EXPECT_STREQ(decoded->className(), "_CPTConstraintsRelative");
    EXPECT_TRUE(std::isnan(decoded->positionForLowerBound(0, 1)));
}

TEST(CPTConstraints, DecodingChoosesTheKindFromTheKeys) {
    struct Case {
        const char* name;
        std::function<void(KeyedArchiver&)> fields;
        const char* kind; // nullptr: decodes to nothing, without failing the archive
        double position;  // between 0 and 100
    };
    const Case cases[] = {
        {"fixed to the lower bound",
         [](KeyedArchiver& o) {
             o.encodeDouble(4, "_CPTConstraintsFixed.offset");
             o.encodeBool(true, "_CPTConstraintsFixed.isFixedToLower");
         },
         "_CPTConstraintsFixed", 4},
        {"a missing flag reads as fixed to the upper bound",
         [](KeyedArchiver& o) { o.encodeDouble(4, "_CPTConstraintsFixed.offset"); }, "_CPTConstraintsFixed",
         96},
        {"a fixed offset wins over a relative one",
         [](KeyedArchiver& o) {
             o.encodeDouble(0.5, "_CPTConstraintsRelative.offset");
             o.encodeDouble(4, "_CPTConstraintsFixed.offset");
         },
         "_CPTConstraintsFixed", 96},
        {"relative", [](KeyedArchiver& o) { o.encodeDouble(0.5, "_CPTConstraintsRelative.offset"); },
         "_CPTConstraintsRelative", 50},
        {"a flag alone is no constraint",
         [](KeyedArchiver& o) { o.encodeBool(true, "_CPTConstraintsFixed.isFixedToLower"); }, nullptr, 0},
        {"no keys", [](KeyedArchiver&) {}, nullptr, 0},
        {"unknown keys only", [](KeyedArchiver& o) { o.encodeDouble(4, "CPTConstraints.offset"); }, nullptr,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeyedUnarchiver d(handMade("CPTConstraints", c.fields));
        const auto decoded = CPTConstraints::decodeForKey(d, "c");
        EXPECT_FALSE(d.failed()) << d.error();
        if (c.kind == nullptr) {
            EXPECT_EQ(decoded, nullptr);
            continue;
        }
        ASSERT_NE(decoded, nullptr);
        EXPECT_STREQ(decoded->className(), c.kind);
        EXPECT_EQ(decoded->positionForLowerBound(0, 100), c.position);
    }
    KeyedUnarchiver empty(archive([](KeyedArchiver&) {}));
    EXPECT_EQ(CPTConstraints::decodeForKey(empty, "c"), nullptr);
    EXPECT_FALSE(empty.failed());
}

TEST(CPTConstraints, DamagedArchivesFailCleanly) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> data;
    };
    const Case cases[] = {
        {"fixed offset as text",
         handMade("CPTConstraints",
                  [](KeyedArchiver& o) { o.encodeString("4", "_CPTConstraintsFixed.offset"); })},
        {"flag as an integer", handMade("CPTConstraints",
                                        [](KeyedArchiver& o) {
                                            o.encodeDouble(4, "_CPTConstraintsFixed.offset");
                                            o.encodeInteger(1, "_CPTConstraintsFixed.isFixedToLower");
                                        })},
        {"relative offset as a bool",
         handMade("CPTConstraints",
                  [](KeyedArchiver& o) { o.encodeBool(true, "_CPTConstraintsRelative.offset"); })},
        {"relative offset as a decimal", handMade("CPTConstraints",
                                                  [](KeyedArchiver& o) {
                                                      o.encodeDecimal(foundation::Decimal::fromString("0.5"),
                                                                      "_CPTConstraintsRelative.offset");
                                                  })},
        // Archives name the public class only; a private name is not a class the reader allows.
        {"private class name",
         handMade("_CPTConstraintsFixed",
                  [](KeyedArchiver& o) { o.encodeDouble(4, "_CPTConstraintsFixed.offset"); })},
        {"another class", handMade("CPTPlotRange", [](KeyedArchiver&) {})},
        {"not an object", archive([](KeyedArchiver& c) { c.encodeDouble(0.5, "c"); })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeyedUnarchiver d(c.data);
        EXPECT_EQ(CPTConstraints::decodeForKey(d, "c"), nullptr);
        EXPECT_TRUE(d.failed());
        EXPECT_FALSE(d.error().empty());
    }

    // Every cut of a good archive is refused, never read as a constraint.
    const auto good = archive([](KeyedArchiver& c) { upper(2.5)->encodeForKey(c, "c"); });
    for (std::size_t size = 0; size < good.size(); ++size) {
        SCOPED_TRACE(size);
        KeyedUnarchiver d(std::span(good.data(), size));
        EXPECT_EQ(CPTConstraints::decodeForKey(d, "c"), nullptr);
        EXPECT_TRUE(d.failed());
    }
}
