// UTF-8 <-> UTF-16 through ICU, substituting U+FFFD for malformed input; folding for searches.
#include "platform/foundation/IcuText.h"

#include "platform/foundation/Locale.h"

#include <unicode/normalizer2.h>
#include <unicode/ubrk.h>
#include <unicode/ucol.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <memory>

namespace foundation::icu {

void toUtf16(std::string_view text, std::u16string& out) {
    // UTF-16 never needs more code units than UTF-8 has bytes.
    out.resize(text.size());
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &length,
                         text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    toUtf16(text, out);
    return out;
}

std::string toUtf8(const UChar* text, int32_t length) {
    std::string out(static_cast<size_t>(length) * 3, '\0');
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &written, text, length, 0xFFFD, nullptr,
                       &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(written) : 0);
    return out;
}

} // namespace foundation::icu

namespace foundation {

std::string foldForSearch(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const ::icu::Normalizer2* nfd = ::icu::Normalizer2::getNFDInstance(status);
    ::icu::UnicodeString source = ::icu::UnicodeString::fromUTF8(
        ::icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    ::icu::UnicodeString decomposed = U_SUCCESS(status) ? nfd->normalize(source, status) : source;
    if (U_FAILURE(status))
        decomposed = source;
    ::icu::UnicodeString bare;
    for (int32_t i = 0; i < decomposed.length();) {
        UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK)
            bare.append(c);
        i += U16_LENGTH(c);
    }
    // Full folding (the default) turns "ß" into "ss" and ligatures into their letters.
    bare.foldCase(U_FOLD_CASE_DEFAULT);
    std::string out;
    bare.toUTF8String(out);
    return out;
}

int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b) {
    // A collator is not safe to share between threads: each thread keeps its own, made again when the
    // locale changes.
    struct Closer {
        void operator()(UCollator* c) const { ucol_close(c); }
    };
    thread_local std::unique_ptr<UCollator, Closer> collator;
    thread_local uint64_t generation = 0;
    if (!collator || generation != localeGeneration()) {
        generation = localeGeneration();
        UErrorCode status = U_ZERO_ERROR;
        collator.reset(ucol_open(currentLocale().c_str(), &status));
        if (U_FAILURE(status))
            collator.reset();
        else
            ucol_setStrength(collator.get(), UCOL_SECONDARY);
    }
    if (!collator)
        return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = ucol_strcollUTF8(collator.get(), a.data(), static_cast<int32_t>(a.size()),
                                                b.data(), static_cast<int32_t>(b.size()), &status);
    if (U_FAILURE(status))
        return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    return r == UCOL_LESS ? -1 : (r == UCOL_EQUAL ? 0 : 1);
}

std::string truncatedToCharacters(std::string_view text, size_t count, std::string_view ellipsis) {
    const std::u16string units = icu::toUtf16(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> characters(
        ubrk_open(UBRK_CHARACTER, currentLocale().c_str(), reinterpret_cast<const UChar*>(units.data()),
                  static_cast<int32_t>(units.size()), &status),
        &ubrk_close);
    if (U_FAILURE(status) || !characters)
        return std::string(text);
    // The boundary after the count-th character, and whether any character follows it.
    int32_t end = ubrk_first(characters.get());
    for (size_t seen = 0; seen < count && end != UBRK_DONE; ++seen)
        end = ubrk_next(characters.get());
    if (end == UBRK_DONE || ubrk_following(characters.get(), end) == UBRK_DONE)
        return std::string(text);
    return icu::toUtf8(reinterpret_cast<const UChar*>(units.data()), end) + std::string(ellipsis);
}

} // namespace foundation
