// Edit distance over lossy ASCII forms.
#include "controls/Levenshtein.h"

#include "controls/TextCase.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

std::string withoutCharacters(std::string_view text, std::u32string_view skipped) {
    std::u32string points = textcase::codePoints(text);
    std::erase_if(points, [&](char32_t c) { return skipped.find(c) != std::u32string_view::npos; });
    return textcase::toUtf8(points);
}

} // namespace

std::string lossyAsciiString(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())));
    if (U_SUCCESS(status) && nfd) {
        icu::UnicodeString decomposed = nfd->normalize(u, status);
        if (U_SUCCESS(status))
            u = decomposed;
    }
    std::string out;
    out.reserve(size_t(u.length()));
    for (int32_t i = 0; i < u.length(); i = u.moveIndex32(i, 1)) {
        UChar32 c = u.char32At(i);
        if (c < 0x80) {
            out.push_back(char(c));
            continue;
        }
        if (U_GET_GC_MASK(c) & U_GC_M_MASK)
            continue;
        out.push_back('?');
    }
    return out;
}

float asciiLevenshteinDistanceWithString(std::string_view receiver, std::optional<std::string_view> string) {
    return asciiLevenshteinDistanceWithString(receiver, string, {});
}

float asciiLevenshteinDistanceWithString(std::string_view receiver, std::optional<std::string_view> string,
                                         std::u32string_view skippingCharacterSet) {
    if (!string)
        return std::numeric_limits<float>::max();
    std::string a, b;
    if (!skippingCharacterSet.empty()) {
        a = lossyAsciiString(withoutCharacters(receiver, skippingCharacterSet));
        b = lossyAsciiString(withoutCharacters(*string, skippingCharacterSet));
    } else {
        a = lossyAsciiString(receiver);
        b = lossyAsciiString(*string);
    }
    const size_t m = a.size(), n = b.size();
    if (m == 0 || n == 0)
        return 0;
    // The whole (m + 1) x (n + 1) table, row-major by i.
    std::vector<int> d((m + 1) * (n + 1));
    auto at = [&](size_t i, size_t j) -> int& { return d[i * (n + 1) + j]; };
    for (size_t i = 0; i <= m; ++i)
        at(i, 0) = int(i);
    for (size_t j = 0; j <= n; ++j)
        at(0, j) = int(j);
    for (size_t i = 1; i <= m; ++i)
        for (size_t j = 1; j <= n; ++j) {
            int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
        }
    return float(at(m, n));
}
