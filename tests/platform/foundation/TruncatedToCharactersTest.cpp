// Cutting a text to its first user-perceived characters: whole letters with their accents, whole emoji
// sequences, never a broken byte sequence.
#include "platform/foundation/IcuText.h"

#include <gtest/gtest.h>

namespace {

std::string repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(TruncatedToCharacters, CutsAfterWholeCharacters) {
    const std::string eAcute = "e\xCC\x81"; // e + combining acute accent: one character, three bytes
    const std::string precomposed = "\xC3\xA9";
    // Man, zero-width joiner, woman, joiner, girl, joiner, boy: one character of 25 bytes.
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"
                               "\xE2\x80\x8D\xF0\x9F\x91\xA6";
    const std::string flag = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7"; // regional indicators F, R
    struct Case {
        std::string what, text, expected;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"sixteen letters stay", "abcdefghijklmnop", "abcdefghijklmnop"},
        {"seventeen letters are cut", "abcdefghijklmnopq", "abcdefghijklmnop…"},
        {"sixteen decomposed accents stay", repeat(eAcute, 16), repeat(eAcute, 16)},
        {"seventeen decomposed accents keep every accent", repeat(eAcute, 17), repeat(eAcute, 16) + "…"},
        {"precomposed accents", repeat(precomposed, 20), repeat(precomposed, 16) + "…"},
        {"an emoji family at the cut stays whole", repeat("a", 15) + family + "tail",
         repeat("a", 15) + family + "…"},
        {"an emoji family just past the cut goes whole", repeat("a", 16) + family, repeat("a", 16) + "…"},
        {"an emoji family as the sixteenth and last character", repeat("a", 15) + family,
         repeat("a", 15) + family},
        {"a flag is one character", repeat("a", 15) + flag + flag, repeat("a", 15) + flag + "…"},
        {"a carriage return with its line feed", repeat("a", 15) + "\r\nb", repeat("a", 15) + "\r\n…"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(foundation::truncatedToCharacters(c.text, 16), c.expected) << c.what;
    }
}

TEST(TruncatedToCharacters, CountAndEllipsisAreTheCallers) {
    EXPECT_EQ(foundation::truncatedToCharacters("abc", 0), "…");
    EXPECT_EQ(foundation::truncatedToCharacters("abcdef", 3, "..."), "abc...");
    EXPECT_EQ(foundation::truncatedToCharacters("abc", 3, "..."), "abc");
    // Malformed UTF-8 reads as replacement characters; the result is valid UTF-8.
    EXPECT_EQ(foundation::truncatedToCharacters("ab\xFF\xFE", 3), "ab\xEF\xBF\xBD…");
}

} // namespace
