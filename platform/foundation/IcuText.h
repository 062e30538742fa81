// Conversions between our UTF-8 strings and ICU's UTF-16, for the formatters and readers, and the
// folding that searches compare under, and the
// locale's case-blind order. Malformed UTF-8 becomes U+FFFD rather than an error.
#pragma once

#include <string>
#include <string_view>
#include <unicode/utypes.h>

namespace foundation::icu {

// Fills `out` (reusing its capacity) with the UTF-16 form of `text`.
void toUtf16(std::string_view text, std::u16string& out);
std::u16string toUtf16(std::string_view text);
std::string toUtf8(const UChar* text, int32_t length);
inline std::string toUtf8(std::u16string_view text) {
    return toUtf8(reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()));
}

} // namespace foundation::icu

namespace foundation {

// The form a search compares in, so that a search ignores case and accents: the text decomposed, its
// combining marks dropped, then case-folded in full ("Âge" -> "age", "Straße" -> "strasse",
// "ﬁ" -> "fi"). A title contains a search text when the fold of one contains the fold of the other.
std::string foldForSearch(std::string_view text);

// Orders two texts as the user's locale sorts them, ignoring case but not accents (a collator at
// secondary strength): negative when `a` comes first, 0 when they compare equal, positive otherwise.
int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b);

// The text cut to its first `count` user-perceived characters followed by `ellipsis`, when it has more
// than `count` of them; otherwise the text as it is. A cut never splits a character: a letter keeps its
// accents and an emoji sequence stays whole.
std::string truncatedToCharacters(std::string_view text, size_t count, std::string_view ellipsis = "…");

} // namespace foundation
