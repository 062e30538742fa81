// The plot style sheet (every fill kind, linear and hue gradients, dashed, filled and gradient strokes,
// a nine-part image, a shadowed box and texts in every alignment and two truncations), the first page of
// the plot gallery: the PNG checked by its colours at known points and against a golden, the PDF by its
// texts, vector paths and images.
#include "FoundationGallery.h"

#include "../../RenderChecks.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace foundationGallery;
using namespace foundationGallery::styleSheet;

gfx::Color at(const gfx::Image& page, double x, double y) {
    return foundationGallery::at(page, kHeight, x, y);
}

void expectNear(const gfx::Color& actual, const gfx::Color& expected, double tolerance) {
    EXPECT_NEAR(actual.red, expected.red, tolerance);
    EXPECT_NEAR(actual.green, expected.green, tolerance);
    EXPECT_NEAR(actual.blue, expected.blue, tolerance);
}

double darkness(const gfx::Color& c) {
    return 3 - c.red - c.green - c.blue;
}

} // namespace

TEST(PlotStyleSheet, PixelsShowEachStyle) {
    const gfx::Image& page = rendered().images.at(0);
    ASSERT_EQ(page.pixelWidth(), kWidth * kScale);
    ASSERT_EQ(page.pixelHeight(), kHeight * kScale);
    EXPECT_EQ(at(page, kRed.midX(), kRed.midY()), (gfx::Color{1, 0, 0, 1}));
    EXPECT_EQ(at(page, kBlue.midX(), kBlue.midY()), (gfx::Color{0, 0, 1, 1}));

    // The linear swatch at 0, 0.5 and 1 of its length, at pixel centres, against the evaluation.
    const auto linear = linearGradient();
    for (int px : {400, 579, 759}) {
        SCOPED_TRACE(px);
        const double x = (px + 0.5) / kScale;
        const double t = (x - kLinear.minX()) / kLinear.width();
        expectNear(page.pixel(px, 2 * 100), linear->newColorAtPosition(t), 2.0 / 255);
    }
    // Through hue, red to blue is green halfway.
    expectNear(at(page, kChromatic.midX(), kChromatic.midY()), {0, 1, 0, 1}, 3.0 / 255);
    // The aqua gradient runs upward with its hard edge halfway.
    expectNear(at(page, kAqua.midX(), kAqua.midY() - 1), {0.42, 0.68, 0.90, 1}, 4.0 / 255);
    expectNear(at(page, kAqua.midX(), kAqua.midY() + 1), {0.64, 0.80, 0.94, 1}, 4.0 / 255);

    // The gradient stroke is darker at its edge than along its centre line.
    const gfx::Color centre = at(page, 380, kGradientY);
    const gfx::Color edge = at(page, 380, kGradientY + 7.5);
    EXPECT_GT(darkness(edge), darkness(centre) + 0.5);

    // Stretched to 200 x 100 points, the nine-part image keeps 4-point corners: the top-left corner is
    // magenta up to 4 points in, then the green strips begin; the centre is blue.
    const double left = kNinePart.minX(), top = kNinePart.maxY();
    expectNear(at(page, left + 2, top - 2), {1, 0, 1, 1}, 2.0 / 255);
    expectNear(at(page, left + 3.75, top - 3.75), {1, 0, 1, 1}, 2.0 / 255);
    expectNear(at(page, left + 4.25, top - 2), {0, 160.0 / 255, 0, 1}, 2.0 / 255);
    expectNear(at(page, left + 2, top - 4.25), {0, 160.0 / 255, 0, 1}, 2.0 / 255);
    expectNear(at(page, kNinePart.maxX() - 2, kNinePart.minY() + 2), {1, 0, 0, 1}, 2.0 / 255);
    expectNear(at(page, kNinePart.midX(), kNinePart.midY()), {0, 0, 1, 1}, 2.0 / 255);

    // The shadow falls right and down of the box.
    EXPECT_GT(darkness(at(page, kShadowed.maxX() + 3, kShadowed.minY() + 20)), 0.3);
    EXPECT_LT(darkness(at(page, kShadowed.minX() - 3, kShadowed.maxY() - 20)), 0.05);

    EXPECT_TRUE(renderChecks::matchesGolden(page, "tests/fixtures/plot/style-sheet.png"));
}

TEST(PlotStyleSheet, PdfKeepsTextVectorsAndImages) {
    const std::string& pdf = rendered().pdf;
    const auto info = renderChecks::pdfInfo(pdf);
    ASSERT_TRUE(info.readable);
    EXPECT_EQ(info.pageSizes.at(0), (gfx::Size{kWidth, kHeight}));

    std::string text = renderChecks::pdfText(pdf, 1, 1);
    // The font joins "fi" and "fl" into one glyph, which poppler reports as a ligature character.
    for (const auto& [ligature, letters] : {std::pair<std::string, std::string>{"\uFB01", "fi"}, {"\uFB02", "fl"}})
        for (std::size_t at; (at = text.find(ligature)) != std::string::npos;)
            text.replace(at, ligature.size(), letters);
    for (const char* expected : {"Plot styles", "Colour, linear and hue gradient fills", "Nine-part image and a shadow",
                                 "Left aligned", "Centred", "Right aligned", "Justified text", "Natural alignment",
                                 "Truncated at the", "of text"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    // Truncated lines end (or are cut) with an ellipsis and never show their whole text.
    EXPECT_EQ(text.find(kTruncatedTexts[0]), std::string::npos);
    EXPECT_EQ(text.find(kTruncatedTexts[1]), std::string::npos);
    EXPECT_NE(text.find("\u2026"), std::string::npos);

    // The swatches and strokes are vector paths on the page: the red and blue squares, the dashed line.
    const auto paths = renderChecks::pdfSvgPaths(pdf, 1);
    auto drawn = [&](const std::string& key, const std::string& value) {
        return std::count_if(paths.begin(), paths.end(), [&](const renderChecks::SvgPath& p) {
            return !p.inDefs && p.styleValue(key) == value;
        });
    };
    EXPECT_GE(drawn("fill", "rgb(100%,0%,0%)"), 1);
    EXPECT_GE(drawn("fill", "rgb(0%,0%,100%)"), 1);
    EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [](const renderChecks::SvgPath& p) {
        return !p.inDefs && !p.styleValue("stroke-dasharray").empty() && p.styleValue("stroke-dasharray") != "none";
    }));
    // The gradient stroke: one path per narrower stroke.
    EXPECT_GE(std::count_if(paths.begin(), paths.end(),
                            [](const renderChecks::SvgPath& p) { return !p.inDefs && p.styleValue("stroke-width") == "16"; }),
              1);

    // The tiled image fills its path with a pattern of the tile.
    EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [](const renderChecks::SvgPath& p) {
        return !p.inDefs && p.styleValue("fill").rfind("url(#pattern", 0) == 0;
    }));

    // Rasters only where the page draws images: the nine parts (8 x 8 pixels each) and the shadow (an
    // image with its soft mask). Gradients stay shadings.
    const auto images = renderChecks::pdfImages(pdf);
    int slices = 0, masks = 0, others = 0;
    for (const auto& image : images) {
        if (image.page != 1)
            continue;
        if (image.type == "smask")
            ++masks;
        else if (image.width == 8 && image.height == 8)
            ++slices;
        else
            ++others;
    }
    EXPECT_EQ(slices, 9);
    EXPECT_EQ(masks, 1);
    EXPECT_EQ(others, 1); // the shadow's raster
}
