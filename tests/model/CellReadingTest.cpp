// The column passes' shortcuts give the locale reader's own answers: plain decimals in the workspace's
// separator read to the same double, other forms get the readers' answers, and texts ruled out as
// numbers are refused by the full reader.
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
        // The workspace's own reader (of this separator) reads plain decimals as this locale's does.
        ModelText workspace([separator = std::string(1, c.separator)] { return std::optional<std::string>(separator); });
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
            auto fast = workspace.plainNumberForString(text);
            ASSERT_TRUE(fast) << text;
            auto full = reader.parseWhole(text);
            if (full != fast && differ++ < 5)
                ADD_FAILURE() << text << ": " << (full ? std::to_string(*full) : "none") << " vs " << *fast;
        }
        EXPECT_EQ(differ, 0);
    }
}

TEST(CellReading, OtherFormsGetTheReadersAnswers) {
    for (const char* separator : {".", ","}) {
        SCOPED_TRACE(separator);
        ModelText text([separator] { return std::optional<std::string>(separator); });
        for (const char* form : {"", "-", "1.", ".5", "1.2.3", "+1", "1 000", "1,000", "1e3", "--1", "1-",
                                 "1234567890123456", "0.1234567890123456", "12%", "٣", "1\xC2\xA0", "3.5", "3,5"}) {
            SCOPED_TRACE(form);
            EXPECT_EQ(text.decimalNumberForString(form), text.decimalNumberByReaders(form));
        }
    }
    ModelText comma([] { return std::optional<std::string>(","); });
    EXPECT_FALSE(comma.plainNumberForString("3.5"));
    EXPECT_EQ(comma.plainNumberForString("3,5"), 3.5);
}

TEST(CellReading, TextsRuledOutAreNoNumbersToTheLocaleReader) {
    const char* ruledOut[] = {"abc",    "NaN", "nan",        "Infinity", "inf",   "-",
                              ".",      ",",   "%",          "$",        "e",     "E",
                              "$.",     "- $", "x",          "Yes",      "n/a",   " ",
                              "$ ,",    "one", "05/03/2021", "1/2",      "14:30", "2021-05-03",
                              "$5-3",   "1-",  "12:00 $",    "3/4%",     "1,5/2", "2021-05-03T14:30:00Z",
                              "EUR 5/6"};
    for (const char* separator : {".", ","}) {
        SCOPED_TRACE(separator);
        ModelText text([separator] { return std::optional<std::string>(separator); });
        for (const char* word : ruledOut) {
            SCOPED_TRACE(word);
            ASSERT_TRUE(cellreading::cannotBeNumber(word));
            EXPECT_FALSE(text.decimalNumberForString(word));
        }
    }
    // Every style of reader, lenient ones included, in locales of other marks and orders.
    using Style = foundation::NumberFormatter::Style;
    for (const char* locale : {"en_US", "fr_FR", "de_DE", "de_CH", "sv_SE", "ja_JP", "ar_EG", "hi_IN"}) {
        for (Style style : {Style::Decimal, Style::Percent, Style::Currency}) {
            for (bool lenient : {false, true}) {
                foundation::NumberFormatter reader(style, locale);
                reader.setLenient(lenient);
                for (const char* word : ruledOut)
                    EXPECT_FALSE(reader.parseWhole(std::string_view(word)))
                        << locale << " style " << static_cast<int>(style) << " lenient " << lenient << ": "
                        << word;
            }
        }
    }
    for (const char* notRuledOut : {"1", "a1", "€", "١", "x\xC2\xA0", "-1", "1E-5", "$-5", "- 5", "1.5e-3"})
        EXPECT_FALSE(cellreading::cannotBeNumber(notRuledOut)) << notRuledOut;
}
