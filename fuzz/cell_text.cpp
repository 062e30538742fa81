// Fuzz target: any cell text through the number readers and the date scanner, in a month-first
// and a day-first locale; a date found must be a finite instant.
#include "model/ModelText.h"
#include "platform/foundation/Locale.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

std::unique_ptr<ModelText> makeText(const char* locale, const char* separator) {
    foundation::setCurrentLocale(locale);
    auto text = std::make_unique<ModelText>([separator] { return std::optional<std::string>(separator); });
    auto reader = std::make_unique<foundation::DateReader>();
    reader->setNow([] { return 1620208800.0; });
    text->setDetectDate(std::move(reader));
    text->readDecimal();
    text->readPercent();
    text->readCurrency();
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ModelText* const monthFirst = makeText("en_US", ".").release();
    static ModelText* const dayFirst = makeText("de_DE", ",").release();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (ModelText* reader : {monthFirst, dayFirst}) {
        if (auto n = reader->decimalNumberForString(text); n && !std::isfinite(*n))
            std::abort();
        if (auto d = reader->dateForString(text); d && !std::isfinite(*d))
            std::abort();
    }
    return 0;
}
