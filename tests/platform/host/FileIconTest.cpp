// File icons by type: our own icons from the resources folder, the generic one for other types, and
// nothing (without a crash) where the resources are missing.
#include "platform/foundation/Log.h"
#include "platform/host/Services.h"

#include <gtest/gtest.h>

namespace {

// The band colour of each type's icon, as drawn by resources/icons/make_icons.py (the generic document
// has no band: white paper there).
struct Case {
    const char* path;
    gfx::Color band;
};

bool near(gfx::Color a, gfx::Color b) {
    auto close = [](double x, double y) { return std::abs(x - y) < 0.02; };
    return close(a.red, b.red) && close(a.green, b.green) && close(a.blue, b.blue) && close(a.alpha, b.alpha);
}

TEST(FileIcons, KnownTypesGetTheirOwnIconAndOthersTheGenericDocument) {
    host::ResourceFileIconService icons("resources");
    const Case cases[] = {
        {"Documents/Survey 2024.ov", {46 / 255.0, 110 / 255.0, 200 / 255.0, 1}},
        {"notes.txt", {110 / 255.0, 110 / 255.0, 120 / 255.0, 1}},
        {"/tmp/a/table.CSV", {40 / 255.0, 150 / 255.0, 90 / 255.0, 1}},
        {"old.xls", {30 / 255.0, 115 / 255.0, 70 / 255.0, 1}},
        {"book.xlsx", {30 / 255.0, 115 / 255.0, 70 / 255.0, 1}},
        {"report.pdf", {1, 1, 1, 1}},
        {"README", {1, 1, 1, 1}},
        {"archive.tar.gz", {1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto icon = icons.iconForPath(c.path);
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->pixelWidth(), 64);
        EXPECT_EQ(icon->scale(), 1);
        // Left of the letters inside the band; the corner is transparent.
        EXPECT_TRUE(near(icon->pixel(16, 36), c.band)) << icon->pixel(16, 36).red;
        EXPECT_EQ(icon->pixel(0, 0).alpha, 0);
    }
    // The xls and xlsx icons differ in their letters.
    EXPECT_NE(icons.iconForExtension("xls")->pngData(), icons.iconForExtension("xlsx")->pngData());
    // An "extension" that is a path in disguise gets the generic icon, not some other file.
    EXPECT_EQ(icons.iconForExtension("../icons/ov")->pngData(), icons.iconForExtension("zzz")->pngData());
}

TEST(FileIcons, ASharpScreenGetsTheDoubleSizeVariant) {
    for (double scale : {2.0, 3.0}) {
        host::ResourceFileIconService icons("resources", scale);
        auto icon = icons.iconForExtension("ov");
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->pixelWidth(), 128);
        EXPECT_EQ(icon->scale(), 2);
        EXPECT_EQ(icon->size().width, 64);
    }
}

TEST(FileIcons, MissingResourcesGiveNoImage) {
    foundation::LogCapture log;
    host::ResourceFileIconService icons("/nonexistent/resources");
    EXPECT_FALSE(icons.iconForPath("a.ov"));
    EXPECT_FALSE(icons.iconForPath("a.unknown"));
    EXPECT_TRUE(log.contains("icons: no generic icon"));
}

TEST(FileIcons, TheRecordingFakeKeepsTheExtensionsAsked) {
    host::RecordingFileIconService icons;
    EXPECT_TRUE(icons.iconForPath("/x/y/Data.XLSX"));
    EXPECT_TRUE(icons.iconForPath("noextension"));
    icons.answer.reset();
    EXPECT_FALSE(icons.iconForExtension("ov"));
    EXPECT_EQ(icons.asked, (std::vector<std::string>{"XLSX", "", "ov"}));
}

} // namespace
