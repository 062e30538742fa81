// The locale's case-blind order of names: case is ignored, accents are not, and the alphabet is the
// locale's own.
#include "platform/foundation/IcuText.h"
#include "platform/foundation/Locale.h"

#include <gtest/gtest.h>

namespace {

int sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(LocalizedCompare, CaseIsIgnoredAccentsAndTheLocalesAlphabetAreNot) {
    struct Case {
        const char* locale;
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"en_US", "apple.csv", "Report.csv", -1}, // a plain byte order puts "R" first
        {"en_US", "b.csv", "B.csv", 0},
        {"en_US", "DATA", "data", 0},
        {"en_US", "e", "é", -1}, // secondary strength: accents still tell names apart
        {"en_US", "é", "f", -1},
        {"de_DE", "ö", "z", -1},
        {"sv_SE", "ö", "z", 1}, // Swedish sorts ö after z
        {"en_US", "file10", "file9", -1},
        {"en_US", "", "a", -1},
    };
    const std::string saved = foundation::currentLocale();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + c.a + " / " + c.b);
        foundation::setCurrentLocale(c.locale);
        EXPECT_EQ(sign(foundation::localizedCaseInsensitiveCompare(c.a, c.b)), c.expected);
        EXPECT_EQ(sign(foundation::localizedCaseInsensitiveCompare(c.b, c.a)), -c.expected);
    }
    foundation::setCurrentLocale(saved);
}

} // namespace
