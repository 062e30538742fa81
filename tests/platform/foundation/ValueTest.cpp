// Boxed values: kinds are remembered, numbers are equal across kinds exactly when their values are,
// and the hash agrees with that equality.
#include "platform/foundation/Value.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <unordered_set>

using foundation::Decimal;
using foundation::Value;
using K = Value::Kind;

namespace {

// The decimal 2.00: mantissa 200, exponent -2, as another writer may store it.
Decimal twoWithTrailingZeros() {
    Decimal d;
    d.header = static_cast<std::uint8_t>(-2) | (1u << 8);
    d.mantissa[0] = 200;
    return d;
}

} // namespace

TEST(Value, RemembersItsKind) {
    struct Case {
        Value value;
        K kind;
    };
    const Case cases[] = {
        {Value(), K::Null},
        {Value(nullptr), K::Null},
        {Value(2), K::Integer},
        {Value(std::int64_t{-2}), K::Integer},
        {Value(2u), K::Unsigned},
        {Value(std::uint64_t{2}), K::Unsigned},
        {Value(2.0), K::Double},
        {Value(2.0f), K::Double},
        {Value(true), K::Bool},
        {Value(Decimal::fromInt64(2)), K::Decimal},
        {Value("two"), K::String},
        {Value(std::string("two")), K::String},
        {Value(Value::Array{1, "a"}), K::Array},
        {Value(Value::Dictionary{{"a", 1}}), K::Dictionary},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value.kind(), c.kind);
}

TEST(Value, NumbersAreEqualAcrossKindsAndHashAlike) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        Value a, b;
        bool equal;
    };
    const Case cases[] = {
        {2, 2.0, true},
        {2, Value(twoWithTrailingZeros()), true},
        {2.0, Value(twoWithTrailingZeros()), true},
        {2u, 2, true},
        {-1, std::numeric_limits<std::uint64_t>::max(), false},
        {0.1, Value(Decimal::fromString("0.1")), true}, // through the double's shortest digits
        {0.1 + 0.2, Value(Decimal::fromString("0.3")), false},
        {-0.0, 0, true},
        {-0.0, Value(Decimal{}), true},
        {nan, Value(Decimal::notANumber()), true},
        {nan, nan, true},
        {nan, 0, false},
        {1e-300, Value(Decimal{}), false}, // beyond the decimal's range: no decimal equals it
        {1e300, Value(Decimal::notANumber()), false},
        {std::numeric_limits<std::int64_t>::max(), 9223372036854775808.0, false},
        {std::int64_t{1} << 60, static_cast<double>(std::int64_t{1} << 60), true},
        {(std::int64_t{1} << 60) + 1, static_cast<double>(std::int64_t{1} << 60), false},
        {(std::int64_t{1} << 60) + 1, Value(Decimal::fromString("1152921504606846977")), true},
        {std::numeric_limits<std::uint64_t>::max(),
         Value(Decimal::fromUInt64(std::numeric_limits<std::uint64_t>::max())), true},
        {2.5, 2, false},
        {true, 1, false},
        {true, true, true},
        {"2", 2, false},
        {"a", "a", true},
        {Value(), Value(), true},
        {Value(), 0, false},
        {Value(Value::Array{1, 2.0}), Value(Value::Array{1.0, 2}), true},
        {Value(Value::Array{1, 2}), Value(Value::Array{1}), false},
        {Value(Value::Dictionary{{"x", 2}}), Value(Value::Dictionary{{"x", Value(twoWithTrailingZeros())}}),
         true},
        {Value(Value::Dictionary{{"x", 2}}), Value(Value::Dictionary{{"y", 2}}), false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(c.a == c.b, c.equal);
        EXPECT_EQ(c.b == c.a, c.equal);
        if (c.equal) {
            EXPECT_EQ(c.a.hash(), c.b.hash());
        }
    }

    std::unordered_set<Value> set{2, 2.0, Value(twoWithTrailingZeros()), 2u, "2"};
    EXPECT_EQ(set.size(), 2u);
}

TEST(Value, ReadsNumbersAcrossKinds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Value(nan).toInt64(), 0);
    EXPECT_EQ(Value(1e300).toInt64(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Value(-1e300).toInt64(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Value(-2.9).toInt64(), -2);
    EXPECT_EQ(Value(-2.9).toUInt64(), 0u);
    EXPECT_EQ(Value(std::numeric_limits<std::uint64_t>::max()).toInt64(),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Value(Decimal::fromString("2.75")).toDouble(), 2.75);
    EXPECT_EQ(Value(Decimal::fromString("-2.75")).toInt64(), -2);
    EXPECT_EQ(Value(0.1).toDecimal(), Decimal::fromString("0.1"));
    EXPECT_EQ(Value(true).toDouble(), 1.0);
    EXPECT_TRUE(Value("x").toDecimal().isNaN());
    EXPECT_EQ(Value("x").toDouble(), 0.0);
    EXPECT_FALSE(Value(Decimal{}).toBool());
    EXPECT_TRUE(Value(-1).toBool());

    const Value dict(Value::Dictionary{{"n", 3}, {"s", "text"}});
    ASSERT_NE(dict.find("n"), nullptr);
    EXPECT_EQ(dict.find("n")->toInt64(), 3);
    EXPECT_EQ(dict.find("missing"), nullptr);
    EXPECT_EQ(dict.find("s")->string(), "text");
    EXPECT_TRUE(Value(3).string().empty());
    EXPECT_TRUE(Value(3).array().empty());
    EXPECT_FALSE(Value(true).isNumber());
    EXPECT_TRUE(Value(Decimal{}).isNumber());
}
