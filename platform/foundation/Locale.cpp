// The process-wide current locale and time zone, behind one mutex.
#include "platform/foundation/Locale.h"

#include <atomic>
#include <ctime>
#include <mutex>
#include <unicode/ucal.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

namespace foundation {
namespace {

std::mutex& localeMutex() {
    static std::mutex m;
    return m;
}

std::string& localeId() {
    static std::string id = uloc_getDefault();
    return id;
}

std::atomic<uint64_t> generation{1};

} // namespace

std::string currentLocale() {
    std::lock_guard lock(localeMutex());
    return localeId();
}

void setCurrentLocale(const std::string& id) {
    std::lock_guard lock(localeMutex());
    localeId() = id;
    generation.fetch_add(1);
}

void reloadLocalTimeZone() {
    std::lock_guard lock(localeMutex());
    tzset();
    UChar zone[128];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = ucal_getHostTimeZone(zone, 128, &status);
    if (U_SUCCESS(status) && length > 0 && length < 128) {
        zone[length] = 0;
        status = U_ZERO_ERROR;
        ucal_setDefaultTimeZone(zone, &status);
    }
    generation.fetch_add(1);
}

std::string localTimeZone() {
    UChar zone[128];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = ucal_getDefaultTimeZone(zone, 128, &status);
    if (U_FAILURE(status))
        return "UTC";
    char utf8[256];
    int32_t utf8Length = 0;
    u_strToUTF8(utf8, sizeof utf8, &utf8Length, zone, length, &status);
    if (U_FAILURE(status))
        return "UTC";
    return std::string(utf8, static_cast<size_t>(utf8Length));
}

uint64_t localeGeneration() {
    return generation.load();
}

} // namespace foundation
