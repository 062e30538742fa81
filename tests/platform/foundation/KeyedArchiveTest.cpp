// Keyed archives: every entry type round-trips, missing keys read as their defaults, a key read as
// the wrong type or an object of an unexpected class fails the decode, and damaged archives fail
// cleanly however they are damaged.
#include "platform/foundation/KeyedArchive.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using foundation::Decimal;
using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::Value;

namespace {

std::vector<std::uint8_t> sample() {
    KeyedArchiver coder("Root");
    coder.encodeBool(true, "flag");
    coder.encodeInt32(-7, "small");
    coder.encodeInt64(std::numeric_limits<std::int64_t>::min(), "big");
    coder.encodeDouble(-0.1, "double");
    const std::uint8_t raw[] = {0, 255, 7};
    coder.encodeBytes(raw, "raw");
    coder.encodeString("Grüße", "text");
    coder.encodeDecimal(Decimal::fromString("-12.5e-30"), "decimal");
    coder.encodeValue(Value(Value::Array{1, 2u, 2.5, "x", Value(), Value(Value::Dictionary{{"k", true}})}),
                      "values");
    coder.encodeObject("Child", "child", [](KeyedArchiver& c) {
        c.encodeInt32(42, "answer");
        c.encodeObject("Grandchild", "deeper", [](KeyedArchiver& g) { g.encodeString("leaf", "name"); });
    });
    return coder.encodedData();
}

} // namespace

TEST(KeyedArchive, EveryEntryTypeRoundTrips) {
    const auto data = sample();
    KeyedUnarchiver decoder(data);
    ASSERT_FALSE(decoder.failed()) << decoder.error();
    EXPECT_EQ(decoder.className(), "Root");
    EXPECT_TRUE(decoder.decodeBoolForKey("flag"));
    EXPECT_EQ(decoder.decodeInt32ForKey("small"), -7);
    EXPECT_EQ(decoder.decodeInt64ForKey("small"), -7); // integers read across widths
    EXPECT_EQ(decoder.decodeInt64ForKey("big"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(decoder.decodeDoubleForKey("double"), -0.1);
    EXPECT_EQ(decoder.decodeBytesForKey("raw"), (std::vector<std::uint8_t>{0, 255, 7}));
    EXPECT_EQ(decoder.decodeStringForKey("text"), "Grüße");
    EXPECT_EQ(decoder.decodeDecimalForKey("decimal"), Decimal::fromString("-12.5e-30"));
    const Value values = decoder.decodeValueForKey("values");
    ASSERT_EQ(values.array().size(), 6u);
    EXPECT_EQ(values.array()[1].kind(), Value::Kind::Unsigned);
    EXPECT_EQ(values.array()[2], Value(2.5));
    EXPECT_EQ(values.array()[3].string(), "x");
    EXPECT_TRUE(values.array()[4].isNull());
    EXPECT_TRUE(values.array()[5].find("k")->toBool());

    auto child = decoder.decodeObjectForKey("child", {"Other", "Child"});
    ASSERT_TRUE(child.has_value());
    EXPECT_EQ(child->className(), "Child");
    EXPECT_EQ(child->decodeInt32ForKey("answer"), 42);
    auto deeper = child->decodeObjectForKey("deeper", {"Grandchild"});
    ASSERT_TRUE(deeper.has_value());
    EXPECT_EQ(deeper->decodeStringForKey("name"), "leaf");
    EXPECT_FALSE(decoder.failed());

    // The same archive writes the same bytes.
    EXPECT_EQ(sample(), data);
}

TEST(KeyedArchive, MissingKeysReadAsDefaults) {
    const auto data = KeyedArchiver("Empty").encodedData();
    KeyedUnarchiver decoder(data);
    EXPECT_FALSE(decoder.containsValueForKey("anything"));
    EXPECT_FALSE(decoder.decodeBoolForKey("b"));
    EXPECT_EQ(decoder.decodeInt32ForKey("i"), 0);
    EXPECT_EQ(decoder.decodeInt64ForKey("i"), 0);
    EXPECT_EQ(decoder.decodeDoubleForKey("d"), 0.0);
    EXPECT_TRUE(decoder.decodeBytesForKey("r").empty());
    EXPECT_TRUE(decoder.decodeStringForKey("s").empty());
    EXPECT_TRUE(decoder.decodeDecimalForKey("n").isNaN()); // NaN, not zero
    EXPECT_TRUE(decoder.decodeValueForKey("v").isNull());
    EXPECT_FALSE(decoder.decodeObjectForKey("o", {"Any"}).has_value());
    EXPECT_FALSE(decoder.failed());
}

TEST(KeyedArchive, WrongTypesAndClassesFailTheDecode) {
    const auto data = sample();
    struct Case {
        const char* name;
        void (*read)(KeyedUnarchiver&);
    };
    const Case cases[] = {
        {"bool as integer", [](KeyedUnarchiver& d) { d.decodeInt32ForKey("flag"); }},
        {"integer as bool", [](KeyedUnarchiver& d) { d.decodeBoolForKey("small"); }},
        {"64 bits into 32", [](KeyedUnarchiver& d) { d.decodeInt32ForKey("big"); }},
        {"double as integer", [](KeyedUnarchiver& d) { d.decodeInt64ForKey("double"); }},
        {"integer as double", [](KeyedUnarchiver& d) { d.decodeDoubleForKey("small"); }},
        {"string as bytes", [](KeyedUnarchiver& d) { d.decodeBytesForKey("text"); }},
        {"bytes as string", [](KeyedUnarchiver& d) { d.decodeStringForKey("raw"); }},
        {"double as decimal", [](KeyedUnarchiver& d) { d.decodeDecimalForKey("double"); }},
        {"object as value", [](KeyedUnarchiver& d) { d.decodeValueForKey("child"); }},
        {"value as object", [](KeyedUnarchiver& d) { d.decodeObjectForKey("values", {"Child"}); }},
        {"unexpected class", [](KeyedUnarchiver& d) { d.decodeObjectForKey("child", {"Other"}); }},
        {"nested failure",
         [](KeyedUnarchiver& d) { d.decodeObjectForKey("child", {"Child"})->decodeStringForKey("answer"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeyedUnarchiver decoder(data);
        c.read(decoder);
        EXPECT_TRUE(decoder.failed());
        EXPECT_FALSE(decoder.error().empty());
        // Once failed, readings give the missing values.
        EXPECT_EQ(decoder.decodeInt32ForKey("small"), 0);
        EXPECT_TRUE(decoder.decodeDecimalForKey("decimal").isNaN());
    }
}

TEST(KeyedArchive, DamagedArchivesFailCleanly) {
    const auto data = sample();
    // Every truncation.
    for (std::size_t n = 0; n < data.size(); ++n) {
        KeyedUnarchiver decoder(std::span(data.data(), n));
        ASSERT_TRUE(decoder.failed()) << n;
        EXPECT_FALSE(decoder.containsValueForKey("flag"));
    }
    // Every single byte changed (most changes are caught; none may crash or read out of bounds).
    for (std::size_t k = 0; k < data.size(); ++k)
        for (std::uint8_t delta : {1, 0x80, 0xFF}) {
            auto damaged = data;
            damaged[k] = static_cast<std::uint8_t>(damaged[k] + delta);
            KeyedUnarchiver decoder(damaged);
            (void)decoder.decodeValueForKey("values");
            (void)decoder.decodeStringForKey("text");
            if (auto child = decoder.decodeObjectForKey("child", {"Child"}))
                (void)child->decodeInt32ForKey("answer");
        }
    // Trailing bytes, a key twice, and nesting beyond the limit.
    auto trailing = data;
    trailing.push_back(0);
    EXPECT_TRUE(KeyedUnarchiver(trailing).failed());

    const std::vector<std::uint8_t> twice = {'O', 'V', 'K', 'A', 1,   0, 0, 0,   0, 2,
                                             0,   0,   0,   1,   0,   0, 0, 'k', 0, // key "k", nil
                                             1,   0,   0,   0,   'k', 0};
    EXPECT_TRUE(KeyedUnarchiver(twice).failed());

    auto nested = [](int depth) {
        std::vector<std::uint8_t> deep = {'O', 'V', 'K', 'A', 1};
        for (int level = 0; level < depth; ++level) {
            const std::uint8_t object[] = {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'o', 9}; // "o": an object
            deep.insert(deep.end(), std::begin(object), std::end(object));
        }
        deep.insert(deep.end(), {0, 0, 0, 0, 0, 0, 0, 0});
        return deep;
    };
    EXPECT_FALSE(KeyedUnarchiver(nested(64)).failed());
    EXPECT_TRUE(KeyedUnarchiver(nested(65)).failed());

    // A huge count with no bytes behind it is refused before anything is reserved.
    const std::vector<std::uint8_t> huge = {'O', 'V', 'K', 'A', 1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(KeyedUnarchiver(huge).failed());
    EXPECT_TRUE(KeyedUnarchiver(std::vector<std::uint8_t>{'b', 'p', 'l', 'i', 's', 't'}).failed());
}
