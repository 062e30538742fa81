// The one rule by which both workbook readers decide that a cell's number format shows a date.
#include "import/DateFormats.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace workbook {
namespace {

// Format strings that spreadsheet writers use for dates and times; a custom format equal to one of
// them marks its cells as dates.
constexpr std::array<std::string_view, 65> kDateCodes = {"mmm d, yyyy",
                                                         "m/d",
                                                         "mmm d",
                                                         "m/d/yy",
                                                         "mm/dd/yy",
                                                         "m/d/yyyy",
                                                         "m/d/yy h:mm",
                                                         "d-mmm-yy",
                                                         "d-mmm",
                                                         "mmm-yy",
                                                         "ddmmmyy",
                                                         "ddmmmyyyy:hh:mm:ss",
                                                         "dd",
                                                         "dd/mm/yy",
                                                         "dddd",
                                                         "mm:ss",
                                                         "mm yy",
                                                         "mm yyyy",
                                                         "mm:yy",
                                                         "mm:yyyy",
                                                         "mm-yy",
                                                         "mm-yyyy",
                                                         "mmyy",
                                                         "mmyyyy",
                                                         "mm.yy",
                                                         "mm.yyyy",
                                                         "mm/yy",
                                                         "mm/yyyy",
                                                         "mmmm",
                                                         "m",
                                                         "mmmyy",
                                                         "mmmyyyy",
                                                         "dddd, mmmm dd, yyyy",
                                                         "dddd, dd mmmm yyyy",
                                                         "mmmm dd, yyyy",
                                                         "dd mmmm yyyy",
                                                         "yy",
                                                         "yyyy",
                                                         "yy mm",
                                                         "yyyy mm",
                                                         "yy:mm",
                                                         "yyyy:mm",
                                                         "yy-mm",
                                                         "yyyy-mm",
                                                         "yymm",
                                                         "yyyymm",
                                                         "yy.mm",
                                                         "yyyy.mm",
                                                         "yy/mm",
                                                         "yyyy/mm",
                                                         "yy-mm-dd",
                                                         "yymmm",
                                                         "yyyymmm",
                                                         "h:mm AM/PM",
                                                         "h:mm:ss AM/PM",
                                                         "h:mm",
                                                         "hh:mm",
                                                         "h:mm:ss",
                                                         "hh:mm:ss",
                                                         "m/d;@",
                                                         "m/d/yy;@",
                                                         "mm/dd/yy;@",
                                                         "m/d/yyyy;@",
                                                         "m/d/yy h:mm;@",
                                                         "mmm d"};

} // namespace

bool isBuiltInDateFormatId(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
}

bool isDateFormatCode(std::string_view code) {
    return std::find(kDateCodes.begin(), kDateCodes.end(), code) != kDateCodes.end();
}

std::optional<int> formatIdForStyle(std::size_t styleIndex, const std::vector<int>& formatIdOfStyle) {
    if (styleIndex >= formatIdOfStyle.size())
        return std::nullopt;
    return formatIdOfStyle[styleIndex];
}

bool isDateFormatId(int id, const std::set<int>& customDateIds) {
    return isBuiltInDateFormatId(id) || customDateIds.count(id) > 0;
}

} // namespace workbook
