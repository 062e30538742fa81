// The autocomplete ranking: the edit distance over lossy ASCII and the sort of suggestions.
#include "controls/Levenshtein.h"
#include "controls/MLPAutoCompleteSortOperation.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(Levenshtein, DistancesOverLossyAscii) {
    struct Case {
        const char* a;
        std::optional<std::string_view> b;
        std::u32string_view skipping;
        float expected;
    };
    const Case cases[] = {
        {"abc", "abd", U"", 1},
        {"abc", "ab", U"", 1},
        {"kitten", "sitting", U"", 3},
        {"abc", std::nullopt, U"", std::numeric_limits<float>::max()},
        // Strings made only of skipped characters are both empty once the set is removed.
        {"- -", "--  ", U" -", 0},
        {"a-b-c", "abd", U"-", 1},
        // An empty side gives 0, not the other's length.
        {"", "abc", U"", 0},
        {"abc", "", U"", 0},
        // Byte-exact, so case counts.
        {"A", "a", U"", 1},
        // Accents decompose and their marks drop; other non-ASCII characters become "?".
        {"é", "e", U"", 0},
        {"Ångström", "Angstrom", U"", 0},
        {"日本", "??", U"", 0},
        {"日本", "ab", U"", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + std::string(c.b.value_or("(none)")));
        EXPECT_EQ(asciiLevenshteinDistanceWithString(c.a, c.b, c.skipping), c.expected);
    }
    EXPECT_EQ(asciiLevenshteinDistanceWithString("abc", std::nullopt), 3.4028235e38f);
    EXPECT_EQ(lossyAsciiString("Crème brûlée ©"), "Creme brulee ?");
}

struct Named : MLPAutoCompletionObject {
    explicit Named(std::string n) : name(std::move(n)) {}
    std::string autocompleteString() const override { return name; }
    std::string name;
};

std::vector<std::string> texts(const AutoCompleteSuggestions& list) {
    std::vector<std::string> out;
    for (const auto& s : list)
        out.push_back(autoCompleteStringOf(s).value_or("(none)"));
    return out;
}

AutoCompleteSuggestions suggestions(const std::vector<std::string>& list) {
    return {list.begin(), list.end()};
}

TEST(AutoCompleteSort, OrdersByDistanceThenWordStarts) {
    struct Case {
        const char* typed;
        std::vector<std::string> given;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        // Nothing typed: the data source's order.
        {"", {"b", "a", "c"}, {"b", "a", "c"}},
        // One typed character tries only the first word: "alpha beta" stays behind "zeta".
        {"b", {"zeta", "alpha beta"}, {"zeta", "alpha beta"}},
        // Two characters try every word.
        {"be", {"zeta", "alpha beta"}, {"alpha beta", "zeta"}},
        // A word starting with the typed text goes in front of a closer suggestion.
        {"ca", {"cb x", "dog cat"}, {"dog cat", "cb x"}},
        // The word test ignores case; the distance does not.
        {"AL", {"xx", "alpha"}, {"alpha", "xx"}},
        // An empty suggestion has distance 0 and sorts among the closest.
        {"abc", {"abd", "", "xyz"}, {"", "abd", "xyz"}},
        // Equal distances keep the data source's order.
        {"ab", {"zz2", "ax", "zz1", "ay"}, {"ax", "ay", "zz2", "zz1"}},
        // Only the same-length prefix is measured: "abcdef" is as close as "abc".
        {"abc", {"xbc", "abcdef", "abc"}, {"abcdef", "abc", "xbc"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        MLPAutoCompleteSortOperation op({}, c.typed, suggestions(c.given));
        EXPECT_EQ(texts(op.sortedCompletionsForString(c.typed, suggestions(c.given))), c.expected);
    }
}

TEST(AutoCompleteSort, CompletionObjectsKeepTheirIdentity) {
    auto ada = std::make_shared<const Named>("Ada Lovelace");
    std::shared_ptr<const MLPAutoCompletionObject> none;
    AutoCompleteSuggestions given{std::string("zed"), ada, none};
    MLPAutoCompleteSortOperation op({}, "lo", given);
    AutoCompleteSuggestions sorted = op.sortedCompletionsForString("lo", given);
    ASSERT_EQ(sorted.size(), 3u);
    EXPECT_EQ(autoCompleteObjectOf(sorted[0]), ada.get());
    EXPECT_EQ(texts(sorted), (std::vector<std::string>{"Ada Lovelace", "zed", "(none)"}));
}

// Cancels itself at the k-th cancellation check of the ranking.
class CancelAt : public MLPAutoCompleteSortOperation {
  public:
    CancelAt(int k, AutoCompleteSuggestions given)
        : MLPAutoCompleteSortOperation({}, "ab", std::move(given)), k_(k) {}
    int checks = 0;

  protected:
    bool cancellationCheck() override {
        if (++checks == k_)
            cancel();
        return MLPAutoCompleteSortOperation::cancellationCheck();
    }

  private:
    int k_;
};

TEST(AutoCompleteSort, ACancellationAtAnyCheckGivesAnEmptyList) {
    const AutoCompleteSuggestions given = suggestions({"abc", "xab", "ab"});
    // Once before the distances, before each suggestion, after the distances, before each record.
    CancelAt never(0, given);
    EXPECT_EQ(never.sortedCompletionsForString("ab", given).size(), 3u);
    const int checks = 1 + 3 + 1 + 3;
    EXPECT_EQ(never.checks, checks);
    for (int k = 1; k <= checks; ++k) {
        SCOPED_TRACE(k);
        CancelAt op(k, given);
        EXPECT_TRUE(op.sortedCompletionsForString("ab", given).empty());
    }
}

} // namespace
