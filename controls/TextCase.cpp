// Code points and simple case mapping through ICU.
#include "controls/TextCase.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace textcase {

std::u32string codePoints(std::string_view text) {
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())));
    std::u32string out;
    out.reserve(size_t(u.length()));
    for (int32_t i = 0; i < u.length(); i = u.moveIndex32(i, 1))
        out.push_back(char32_t(u.char32At(i)));
    return out;
}

std::string toUtf8(std::u32string_view text) {
    icu::UnicodeString u;
    for (char32_t c : text)
        u.append(UChar32(c));
    std::string out;
    u.toUTF8String(out);
    return out;
}

std::u32string lowercased(std::u32string_view text) {
    std::u32string out(text);
    for (char32_t& c : out)
        c = char32_t(u_tolower(UChar32(c)));
    return out;
}

std::optional<std::pair<size_t, size_t>> rangeIgnoringCase(std::string_view text, std::string_view part) {
    if (part.empty())
        return std::nullopt;
    std::u32string points = codePoints(text);
    size_t at = lowercased(points).find(lowercased(codePoints(part)));
    if (at == std::u32string::npos)
        return std::nullopt;
    size_t length = codePoints(part).size();
    size_t start = toUtf8(std::u32string_view(points).substr(0, at)).size();
    size_t bytes = toUtf8(std::u32string_view(points).substr(at, length)).size();
    return std::make_pair(start, bytes);
}

} // namespace textcase
