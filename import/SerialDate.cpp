// Date texts of workbook serial numbers for both workbook readers.
#include "import/SerialDate.h"

#include <charconv>
#include <cmath>

namespace workbook {
namespace {
// 1899-12-30 and 1904-01-01, in days from 1970-01-01.
constexpr double kBase1900 = -25569;
constexpr double kBase1904 = -24107;
// 0001-01-01 and 9999-12-31 in days from 1970-01-01: the years a date text can show.
constexpr double kFirstDay = -719162;
constexpr double kLastDay = 2932896;
} // namespace

SerialDateWriter::SerialDateWriter(bool is1904, const std::string& localeId)
    : epochDays_(is1904 ? kBase1904 : kBase1900),
      day_(foundation::DateFormatter::fromTemplate("MM/dd/yyyy", localeId, "UTC")),
      dayTime_(foundation::DateFormatter::fromTemplate("MM/dd/yyyy HH:mm", localeId, "UTC")) {}

std::optional<std::string> SerialDateWriter::text(double serial) const {
    if (!std::isfinite(serial))
        return std::nullopt;
    const double days = epochDays_ + serial;
    if (days < kFirstDay || days >= kLastDay + 1)
        return std::nullopt;
    // Serials carry binary fractions of a day (08:30 is 0.35416666666...): the nearest second is meant.
    const double seconds = std::round(days * 86400.0);
    const bool wholeDay = serial == std::round(serial);
    // The seconds of the years 1 to 9999 fit 39 bits.
    const std::int64_t key = static_cast<std::int64_t>(seconds) * 2 + (wholeDay ? 1 : 0);
    if (const auto known = remembered_.find(key); known != remembered_.end())
        return known->second;
    if (remembered_.size() >= kRemembered)
        remembered_.clear();
    std::string text = wholeDay ? day_.format(seconds) : dayTime_.format(seconds);
    remembered_.emplace(key, text);
    return text;
}

std::optional<double> SerialDateWriter::number(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

} // namespace workbook
