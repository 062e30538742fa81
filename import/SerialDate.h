// Date texts of workbook serial numbers (days since the workbook's base date), shared by both readers.
#pragma once

#include "platform/foundation/DateFormatter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace workbook {

// The current locale's forms of "MM/dd/yyyy" (whole days) and "MM/dd/yyyy HH:mm" (a fraction of a
// day), showing the calendar date and time of the serial itself, whatever the device's time zone.
// A writer serves one reader on one thread: it keeps the texts it wrote last.
class SerialDateWriter {
  public:
    explicit SerialDateWriter(bool is1904, const std::string& localeId = {});
    // nullopt when the serial lies outside the years 1 to 9999 or is not a number.
    std::optional<std::string> text(double serial) const;
    // The cell's number text read in the C locale; nullopt when it is not wholly a number.
    static std::optional<double> number(std::string_view text);

  private:
    double epochDays_; // the base date in days from 1970-01-01
    foundation::DateFormatter day_;
    foundation::DateFormatter dayTime_;
    // A column of dates repeats few days: texts already written are looked up, not formatted again.
    // Keyed by the second and the formatter; forgotten all at once when full.
    static constexpr std::size_t kRemembered = 8192;
    mutable std::unordered_map<std::int64_t, std::string> remembered_;
};

} // namespace workbook
