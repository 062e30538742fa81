// The column passes' shortcuts give the locale reader's own answers: plain decimals in the workspace's
// separator read to the same double, and texts ruled out as numbers are refused by the full reader.
#include "model/CellReading.h"
#include "model/ModelText.h"
#include "platform/foundation/NumberFormatter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string randomPlainDecimal(std::mt19937_64& rng, char separator) {
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n)); };
    std::string s;
    if (pick(3) == 0)
        s += '-';
    const int whole = 1 + pick(9), fraction = pick(4) == 0 ? 0 : 1 + pick(6); // at most 15 digits
    for (int i = 0; i < whole; ++i)
        s += static_cast<char>('0' + (i == 0 && whole > 1 && pick(8) != 0 ? 1 + pick(9) : pick(10)));
    if (fraction > 0) {
        s += separator;
        for (int i = 0; i < fraction; ++i)
            s += static_cast<char>('0' + pick(10));
    }
    return s;
}

} // namespace

TEST(CellReading, PlainDecimalsAgreeWithTheLocaleReader) {
    struct Case {
        const char* locale;
        char separator;
    };
    const Case cases[] = {{"en_US", '.'}, {"fr_FR", ','}, {"de_DE", ','}, {"sv_SE", ','}, {"en_GB", '.'}};
    std::mt19937_64 rng(11);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        foundation::NumberFormatter reader(foundation::NumberFormatter::Style::Decimal, c.locale);
        ASSERT_EQ(reader.decimalSeparator(), std::string(1, c.separator));
        std::vector<std::string> texts = {"0",
                                          "-0",
                                          "007",
                                          "0" + std::string(1, c.separator) + "1",
                                          "123456789012345",
                                          "-99999999999999" + std::string(1, c.separator) + "9",
                                          "0" + std::string(1, c.separator) + "00000000000001"};
        for (int i = 0; i < 20000; ++i)
            texts.push_back(randomPlainDecimal(rng, c.separator));
        int differ = 0;
        for (const auto& text : texts) {
            auto fast = cellreading::plainDecimal(text, c.separator);
            ASSERT_TRUE(fast) << text;
            auto full = reader.parseWhole(text);
            if (full != fast && differ++ < 5)
                ADD_FAILURE() << text << ": " << (full ? std::to_string(*full) : "none") << " vs " << *fast;
        }
        EXPECT_EQ(differ, 0);
    }
}

TEST(CellReading, OtherFormsGoToTheLocaleReader) {
    for (const char* text : {"", "-", "1.", ".5", "1.2.3", "+1", "1 000", "1,000", "1e3", "--1", "1-",
                             "1234567890123456", "0.1234567890123456", "12%", "٣", "1\xC2\xA0"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(cellreading::plainDecimal(text, '.'));
    }
    EXPECT_FALSE(cellreading::plainDecimal("3.5", ','));
    EXPECT_EQ(cellreading::plainDecimal("3,5", ','), 3.5);
}

TEST(CellReading, TextsRuledOutAreNoNumbersToTheLocaleReader) {
    for (const char* separator : {".", ","}) {
        SCOPED_TRACE(separator);
        ModelText text([separator] { return std::optional<std::string>(separator); });
        for (const char* word : {"abc", "NaN", "nan", "Infinity", "inf", "-",   ".",   ",", "%",   "$",
                                 "e",   "E",   "$.",  "- $",      "x",   "Yes", "n/a", " ", "$ ,", "one"}) {
            SCOPED_TRACE(word);
            ASSERT_TRUE(cellreading::cannotBeNumber(word));
            EXPECT_FALSE(text.decimalNumberForString(word));
        }
    }
    for (const char* notRuledOut : {"1", "a1", "€", "١", "x\xC2\xA0"})
        EXPECT_FALSE(cellreading::cannotBeNumber(notRuledOut)) << notRuledOut;
}
