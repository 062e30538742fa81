// Fuzz target: any cell text through both roads of the number reader, the plain reading and the
// no-digit test first or the locale's readers alone, in workspaces of either separator under locales
// with ASCII and with other minus signs; both must give the same double (the sign of a zero included)
// or both nothing.
#include "model/ModelText.h"
#include "platform/foundation/Locale.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

ModelText* makeText(const char* locale, const char* separator) {
    foundation::setCurrentLocale(locale);
    auto text = std::make_unique<ModelText>([separator] { return std::optional<std::string>(separator); });
    text->readDecimal();
    text->readPercent();
    text->readCurrency();
    return text.release();
}

bool same(std::optional<double> a, std::optional<double> b) {
    if (a.has_value() != b.has_value())
        return false;
    return !a || std::memcmp(&*a, &*b, sizeof(double)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ModelText* const readers[] = {
        makeText("en_US", "."),
        makeText("de_DE", ","),
        makeText("en_US", ","), // through fr_FR
        makeText("sv_SE", ","),
    };
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (ModelText* reader : readers)
        if (!same(reader->decimalNumberForString(text), reader->decimalNumberByReaders(text)))
            std::abort();
    return 0;
}
