// Number formatters in chart archives: the plain number formatter's own settings, the calendar
// formatter, and kinds of other libraries that register themselves (the time formatter). Formatters
// are shared objects: one formatter held by several axes decodes as one.
//
// "NSNumberFormatter.style", ".locale", ".usesSignificantDigits", ".minimumSignificantDigits",
// ".maximumSignificantDigits", ".minimumIntegerDigits", ".minimumFractionDigits",
// ".maximumFractionDigits", ".roundingMode". A date formatter is an inline "NSDateFormatter" of its
// styles, or of its pattern when it has no style, with its locale and time zone; a calendar an inline
// "NSCalendar" of its identifier and time zone.
#pragma once

#include "platform/foundation/Calendar.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/NumberFormatter.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

void CPTEncodeFormatter(foundation::KeyedArchiver& coder, const foundation::NumberFormatter* formatter,
                        std::string_view key);
std::shared_ptr<foundation::NumberFormatter> CPTDecodeFormatter(foundation::KeyedUnarchiver& coder,
                                                                std::string_view key);

// A kind of formatter from another library: `matches` tells its formatters, `encode` writes one and
// `decode` makes one from its coder.
struct CPTFormatterClass {
    std::string className;
    std::function<bool(const foundation::NumberFormatter&)> matches;
    std::function<void(foundation::KeyedArchiver&, const foundation::NumberFormatter&)> encode;
    std::function<std::shared_ptr<foundation::NumberFormatter>(foundation::KeyedUnarchiver&)> decode;
};
// Registering a class name again changes nothing.
void CPTRegisterFormatterClass(const CPTFormatterClass& formatterClass);

// The base formatter's settings, for kinds that write them first.
void CPTEncodeNumberFormatterSettings(foundation::KeyedArchiver& coder, const foundation::NumberFormatter& formatter);

void CPTEncodeDateFormatter(foundation::KeyedArchiver& coder, const foundation::DateFormatter* formatter,
                            std::string_view key);
std::shared_ptr<foundation::DateFormatter> CPTDecodeDateFormatter(foundation::KeyedUnarchiver& coder,
                                                                  std::string_view key);
void CPTEncodeCalendar(foundation::KeyedArchiver& coder, const std::optional<foundation::Calendar>& calendar,
                       std::string_view key);
std::optional<foundation::Calendar> CPTDecodeCalendar(foundation::KeyedUnarchiver& coder, std::string_view key);
