// Search folding: a title contains a search text regardless of case, accents and ligatures.
#include "platform/foundation/IcuText.h"

#include <gtest/gtest.h>

namespace {

bool contains(const std::string& title, const std::string& search) {
    return foundation::foldForSearch(title).find(foundation::foldForSearch(search)) != std::string::npos;
}

TEST(FoldForSearch, CaseAccentsAndLigaturesFoldAway) {
    struct Case {
        const char* title;
        const char* search;
        bool found;
    };
    const Case cases[] = {
        {"Âge", "age", true},
        {"age", "ÂGE", true},
        {"STRASSE", "straße", true},
        {"Straße", "STRASSE", true},
        {"ﬁle", "fi", true},
        {"file", "ﬁ", true},
        {"95% CI of Mean", "ci", true},
        {"Coefficient", "ci", true},
        {"Mean", "méan", true},
        {"Ångström", "angstrom", true},
        {"İstanbul", "istanbul", true},
        {"Mean", "median", false},
        {"Résumé", "resume!", false},
        {"", "a", false},
        {"anything", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.title) + " / " + c.search);
        EXPECT_EQ(contains(c.title, c.search), c.found);
    }
}

TEST(FoldForSearch, TheFoldIsPlainLowerCaseText) {
    EXPECT_EQ(foundation::foldForSearch("Crème BRÛLÉE"), "creme brulee");
    EXPECT_EQ(foundation::foldForSearch("R²"), "r²"); // no mark to drop, no case to fold
    EXPECT_EQ(foundation::foldForSearch("日本語"), "日本語");
    // Malformed UTF-8 folds to the replacement character rather than failing.
    EXPECT_EQ(foundation::foldForSearch(std::string("A\xff")), "a\xEF\xBF\xBD");
}

} // namespace
