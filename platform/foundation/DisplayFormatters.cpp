// Once-only shared formatters, each behind its own mutex.
#include "platform/foundation/DisplayFormatters.h"

#include "platform/foundation/Locale.h"
#include "platform/foundation/NumberFormatter.h"

#include <map>
#include <memory>
#include <mutex>

namespace foundation::display {
namespace {

struct SharedNumber {
    std::mutex mutex;
    std::unique_ptr<NumberFormatter> formatter;
    uint64_t generation = 0;
};

std::string formatShared(SharedNumber& shared, NumberFormatter::Style style, double value, int maxDigits) {
    std::lock_guard lock(shared.mutex);
    const uint64_t now = localeGeneration();
    if (!shared.formatter || shared.generation != now) {
        shared.formatter = std::make_unique<NumberFormatter>(style, currentLocale());
        shared.formatter->setUsesSignificantDigits(true);
        shared.generation = now;
    }
    shared.formatter->setMaximumSignificantDigits(maxDigits);
    return shared.formatter->format(value);
}

} // namespace

std::string significant(double value, int maxDigits) {
    static SharedNumber shared;
    return formatShared(shared, NumberFormatter::Style::Decimal, value, maxDigits);
}

std::string scientific(double value, int maxDigits) {
    static SharedNumber shared;
    return formatShared(shared, NumberFormatter::Style::Scientific, value, maxDigits);
}

std::string date(double seconds, DateFormatter::Style dateStyle, DateFormatter::Style timeStyle) {
    // ICU fixes a formatter's styles when it is opened, so the one shared date formatter keeps
    // one ICU formatter per style pair in use.
    static std::mutex mutex;
    static std::map<std::pair<int, int>, DateFormatter> byStyles;
    static uint64_t generation = 0;
    std::lock_guard lock(mutex);
    if (generation != localeGeneration()) {
        byStyles.clear();
        generation = localeGeneration();
    }
    const std::pair<int, int> key(static_cast<int>(dateStyle), static_cast<int>(timeStyle));
    auto found = byStyles.find(key);
    if (found == byStyles.end())
        found = byStyles.emplace(key, DateFormatter(dateStyle, timeStyle)).first;
    return found->second.format(seconds);
}

} // namespace foundation::display
