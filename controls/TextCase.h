// Code points and simple (one-for-one) lower-casing for the autocomplete controls, so that a match found
// in the lower-cased text is at the same place in the original.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace textcase {

// Malformed UTF-8 becomes U+FFFD.
std::u32string codePoints(std::string_view text);
std::string toUtf8(std::u32string_view text);
std::u32string lowercased(std::u32string_view text);
// The byte range (start, length) in `text` of the first occurrence of `part` ignoring case; nothing
// when `part` is empty or absent.
std::optional<std::pair<size_t, size_t>> rangeIgnoringCase(std::string_view text, std::string_view part);

} // namespace textcase
