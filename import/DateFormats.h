// The one rule by which both workbook readers decide that a cell's number format shows a date.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

namespace workbook {

// Built-in number formats that show dates or times: ids 14-22, 27-36 and 50-58.
bool isBuiltInDateFormatId(int id);

// A workbook's own format string that shows a date or time (exact, case-sensitive comparison).
bool isDateFormatCode(std::string_view code);

// The number-format id behind a cell-format index, or nullopt when the index is outside the table.
std::optional<int> formatIdForStyle(std::size_t styleIndex, const std::vector<int>& formatIdOfStyle);

// A number format id is a date when it is a built-in date id or one of the workbook's own date ids.
bool isDateFormatId(int id, const std::set<int>& customDateIds);

} // namespace workbook
