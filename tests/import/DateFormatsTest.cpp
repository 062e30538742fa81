// The shared date-format rule of both workbook readers, and the date texts they write.
#include "import/DateFormats.h"
#include "import/SerialDate.h"

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

// A writer keeps the texts it wrote: asked again, after many other days, or with a time of the same day,
// it answers what a fresh writer does.
TEST(SerialDateWriter, TextsWrittenAgainAreTheSame) {
    const workbook::SerialDateWriter writer(false, "en_US");
    struct Case {
        double serial;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {43831, "01/01/2020"},  {43831.5, "01/01/2020, 12:00"}, {43831, "01/01/2020"},
        {1, "12/31/1899"},      {43831.5, "01/01/2020, 12:00"}, {2958465, "12/31/9999"},
        {2958466, std::nullopt}, {-693594, std::nullopt},
    };
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.serial);
            EXPECT_EQ(writer.text(c.serial), c.text);
        }
        // More days than the writer keeps: it forgets them and writes them again.
        for (int day = 0; day < 10000; ++day)
            ASSERT_TRUE(writer.text(30000 + day));
    }
    const workbook::SerialDateWriter fresh(false, "en_US");
    for (int day = 0; day < 10000; day += 997)
        EXPECT_EQ(writer.text(30000 + day), fresh.text(30000 + day));
}
