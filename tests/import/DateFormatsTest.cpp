// The shared date-format rule of both workbook readers.
#include "import/DateFormats.h"

#include <gtest/gtest.h>

TEST(DateFormats, BuiltInIds) {
    const std::pair<int, bool> cases[] = {{0, false},  {13, false}, {14, true},  {22, true},  {23, false},
                                          {26, false}, {27, true},  {36, true},  {37, false}, {49, false},
                                          {50, true},  {58, true},  {59, false}, {164, false}};
    for (const auto& [id, date] : cases) {
        SCOPED_TRACE(id);
        EXPECT_EQ(workbook::isBuiltInDateFormatId(id), date);
        EXPECT_EQ(workbook::isDateFormatId(id, {}), date);
    }
    EXPECT_TRUE(workbook::isDateFormatId(164, {164, 170}));
}

TEST(DateFormats, CustomCodesFromBothLists) {
    const std::pair<const char*, bool> cases[] = {
        {"mmm d, yyyy", true}, {"m/d/yyyy", true},      {"hh:mm:ss", true},   {"yy-mm-dd", true},
        {"m/d;@", true},       {"m/d/yy h:mm;@", true}, {"mm/dd/yy;@", true}, {"M/D/YYYY", false},
        {"yyyy-mm-dd", false}, {"0.00", false},         {"", false},          {"m/d/yyyy ", false}};
    for (const auto& [code, date] : cases) {
        SCOPED_TRACE(code);
        EXPECT_EQ(workbook::isDateFormatCode(code), date);
    }
}

TEST(DateFormats, StyleIndexOutsideTheTableIsNotADate) {
    const std::vector<int> styles = {0, 14};
    EXPECT_EQ(workbook::formatIdForStyle(1, styles), 14);
    EXPECT_EQ(workbook::formatIdForStyle(2, styles), std::nullopt);
    EXPECT_EQ(workbook::formatIdForStyle(SIZE_MAX, styles), std::nullopt);
}
