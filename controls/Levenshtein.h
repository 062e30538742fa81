// The edit distance the autocomplete sort ranks suggestions by: a Levenshtein table over the texts' lossy
// ASCII forms, byte by byte, so it is case-sensitive and blind to accents.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Distance from `receiver` to `string`; no string gives the largest finite float, and either text empty
// (after conversion) gives 0, not the other's length.
float asciiLevenshteinDistanceWithString(std::string_view receiver, std::optional<std::string_view> string);
// The same after removing every character of `skippingCharacterSet` (code points) from both texts.
float asciiLevenshteinDistanceWithString(std::string_view receiver, std::optional<std::string_view> string,
                                         std::u32string_view skippingCharacterSet);

// Our lossy ASCII rule: decomposed, combining marks dropped, every other non-ASCII character "?".
std::string lossyAsciiString(std::string_view text);
