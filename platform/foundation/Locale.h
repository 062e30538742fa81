// The user's current locale and local time zone as the formatters and readers see them.
// Both are process-wide; the host (and tests) may change them, and cached formatters rebuild.
#pragma once

#include <cstdint>
#include <string>

namespace foundation {

// ICU locale id of the user's current locale ("en_US", "de_DE"), taken from the environment at
// first use (LC_ALL, LC_MESSAGES, LANG, as ICU reads them).
std::string currentLocale();

// Replaces the current locale for the whole process. Readers already built keep theirs.
void setCurrentLocale(const std::string& localeId);

// Reads the process's time zone (TZ) again; formatters and readers built after the call use it,
// the shared display formatters rebuild on their next call.
void reloadLocalTimeZone();

// ICU id of the local time zone ("Europe/Berlin").
std::string localTimeZone();

// Grows whenever the current locale or the local time zone changes, so once-only shared
// formatters can tell that theirs is stale.
uint64_t localeGeneration();

} // namespace foundation
