// Once-only shared formatters, each behind its own mutex.
#include "platform/foundation/DisplayFormatters.h"

#include "platform/foundation/Locale.h"
#include "platform/foundation/NumberFormatter.h"

#include <map>
#include <memory>
#include <mutex>

namespace foundation::display {
namespace {

// One formatter per number of digits: setting a formatter's digits makes ICU rebuild it, which costs
// many times a number's formatting.
struct SharedNumber {
    std::mutex mutex;
    std::map<int, std::unique_ptr<NumberFormatter>> formatters;
    uint64_t generation = 0;
};

std::string formatShared(SharedNumber& shared, NumberFormatter::Style style, double value, int maxDigits) {
    std::lock_guard lock(shared.mutex);
    const uint64_t now = localeGeneration();
    if (shared.generation != now) {
        shared.formatters.clear();
        shared.generation = now;
    }
    std::unique_ptr<NumberFormatter>& formatter = shared.formatters[maxDigits];
    if (!formatter) {
        formatter = std::make_unique<NumberFormatter>(style, currentLocale());
        formatter->setUsesSignificantDigits(true);
        formatter->setMaximumSignificantDigits(maxDigits);
    }
    return formatter->format(value);
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

std::shared_ptr<NumberFormatter> wholePercentFormatter() {
    thread_local std::string locale;
    thread_local std::shared_ptr<NumberFormatter> formatter;
    const std::string current = currentLocale();
    if (!formatter || locale != current) {
        formatter = std::make_shared<NumberFormatter>(NumberFormatter::Style::Percent, current);
        formatter->setMinimumFractionDigits(0);
        formatter->setMaximumFractionDigits(0);
        locale = current;
    }
    return formatter;
}

} // namespace foundation::display
