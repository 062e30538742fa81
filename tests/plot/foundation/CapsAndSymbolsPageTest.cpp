// The caps and symbols page of the plot gallery: fill and line colours where each cap and symbol must
// show them, a golden of the page, and its PDF page kept vector apart from the shadows.
#include "FoundationGallery.h"

#include "../../RenderChecks.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

using namespace foundationGallery;
using namespace foundationGallery::capsAndSymbols;

gfx::Color at(const gfx::Image& page, CGPoint p) {
    return foundationGallery::at(page, kHeight, p.x, p.y);
}

void expectColor(const gfx::Color& actual, const gfx::Color& expected, const char* what) {
    const double off = std::max({std::fabs(actual.red - expected.red), std::fabs(actual.green - expected.green),
                                 std::fabs(actual.blue - expected.blue)});
    EXPECT_LE(off, 3.0 / 255) << what << ": " << actual.red << " " << actual.green << " " << actual.blue;
}

// Antialiasing blends a thin tip with what is around it: the pixel must be nearer the line colour than
// the fill or the background, and not far from it.
void expectLineColour(const gfx::Color& actual, const char* what) {
    auto distance = [&](const gfx::Color& c) {
        return std::max({std::fabs(actual.red - c.red), std::fabs(actual.green - c.green), std::fabs(actual.blue - c.blue)});
    };
    EXPECT_LT(distance(kLineColor), 0.15) << what;
    EXPECT_LT(distance(kLineColor), distance(kCapFill)) << what;
    EXPECT_LT(distance(kLineColor), distance(gfx::Color::white())) << what;
}

// "rgb(19.999695%,69.999695%,30.000305%)" as cairo writes a colour; black for anything else.
gfx::Color svgColour(const std::string& text) {
    gfx::Color c{0, 0, 0, 1};
    std::sscanf(text.c_str(), "rgb(%lf%%,%lf%%,%lf%%)", &c.red, &c.green, &c.blue);
    return {c.red / 100, c.green / 100, c.blue / 100, 1};
}

CGPoint along(CGPoint from, CGPoint direction, double distance) {
    return {from.x + direction.x * distance, from.y + direction.y * distance};
}

} // namespace

TEST(CapsAndSymbolsPage, CapsShowTheirFillAndLineColours) {
    const gfx::Image& page = rendered().images.at(1);
    ASSERT_EQ(page.pixelWidth(), kWidth * kScale);
    ASSERT_EQ(page.pixelHeight(), kHeight * kScale);
    for (int type = 1; type <= 12; ++type) {
        for (int d = 0; d < 4; ++d) {
            SCOPED_TRACE(testing::Message() << "cap " << type << " direction " << d);
            const CGPoint dir = kDirections[d];
            const CGPoint end = along(capCell(type, d), dir, kHalfLine);
            const CGPoint start = along(capCell(type, d), dir, -kHalfLine);
            const bool arrow = type == CPTLineCapTypeOpenArrow || type == CPTLineCapTypeSolidArrow ||
                               type == CPTLineCapTypeSweptArrow;
            if (arrow) {
                // The tip, half a point back from the line's end, is the line colour at both ends.
                expectLineColour(at(page, along(end, dir, -0.25)), "end tip");
                expectLineColour(at(page, along(start, dir, 0.25)), "start tip");
            }
            const bool filled = (type >= CPTLineCapTypeSolidArrow && type <= CPTLineCapTypeHexagon) ||
                                type == CPTLineCapTypeCustom;
            if (!filled)
                continue;
            // Inside the shape: its centre (the line's end), or half way into an arrow's body.
            const double inset = arrow ? kCapSize / 4 : 0;
            expectColor(at(page, along(end, dir, -inset)), kCapFill, "end fill");
            expectColor(at(page, along(start, dir, inset)), kCapFill, "start fill");
        }
    }
}

TEST(CapsAndSymbolsPage, SymbolsShowTheirFillAndOutline) {
    const gfx::Image& page = rendered().images.at(1);
    for (int row = 0; row < 4; ++row) {
        for (int type = 1; type <= 12; ++type) {
            SCOPED_TRACE(testing::Message() << "symbol " << type << " row " << row);
            const CGPoint c = symbolCell(type, row);
            const bool filled = type <= CPTPlotSymbolTypeHexagon || type == CPTPlotSymbolTypeCustom;
            if (filled)
                expectColor(at(page, c), kSymbolFill, "centre");
            else if (type != CPTPlotSymbolTypeDash && type != CPTPlotSymbolTypeCross)
                expectColor(at(page, c), kLineColor, "centre");
        }
        // A plus: the line colour at its centre, background in the corners of its box.
        const CGPoint plus = symbolCell(CPTPlotSymbolTypePlus, row);
        const double half = row < 3 ? kSymbolSizes[row] / 2 : kShadowedSize / 2;
        expectColor(at(page, plus), kLineColor, "plus centre");
        expectColor(at(page, {plus.x - half + 0.5, plus.y + half - 0.5}), gfx::Color::white(), "plus corner");
        if (row < 3)
            expectColor(at(page, {plus.x + half - 0.5, plus.y - half + 0.5}), gfx::Color::white(), "plus corner");
    }
    EXPECT_TRUE(renderChecks::matchesGolden(page, "tests/fixtures/plot/caps-and-symbols.png"));
}

TEST(CapsAndSymbolsPage, PdfPageStaysVectorButForTheShadows) {
    const std::string& pdf = rendered().pdf;
    const auto info = renderChecks::pdfInfo(pdf);
    ASSERT_EQ(info.pages, 2);
    EXPECT_EQ(info.pageSizes.at(1), (gfx::Size{kWidth, kHeight}));
    EXPECT_NE(renderChecks::pdfText(pdf, 2, 2).find("Line caps and plot symbols"), std::string::npos);

    // Each shadowed symbol casts its shadow as one raster with its mask; nothing else is a raster.
    int rasters = 0, masks = 0;
    for (const auto& image : renderChecks::pdfImages(pdf)) {
        if (image.page != 2)
            continue;
        ++(image.type == "smask" ? masks : rasters);
    }
    EXPECT_EQ(rasters, 12);
    EXPECT_EQ(masks, 12);

    // The symbols drawn through their cached drawings are vector paths: a filled one per filled symbol
    // of the three plain rows and the shadowed one, and the caps' fills.
    const auto paths = renderChecks::pdfSvgPaths(pdf, 2);
    const auto filledWith = [&](const gfx::Color& colour) {
        return std::count_if(paths.begin(), paths.end(), [&](const renderChecks::SvgPath& p) {
            const gfx::Color c = svgColour(p.styleValue("fill"));
            return !p.inDefs && std::fabs(c.red - colour.red) < 0.01 && std::fabs(c.green - colour.green) < 0.01 &&
                   std::fabs(c.blue - colour.blue) < 0.01;
        });
    };
    EXPECT_EQ(filledWith(kSymbolFill), 8 * 4);
    EXPECT_EQ(filledWith(kCapFill), 8 * 4 * 2);
    // Every symbol strokes its outline as a path, the stroked-only ones (cross, plus, dash, snow) too:
    // one stroke in the line colour per symbol, beside each line and the outlines of its two caps.
    const auto strokedWith = [&](const gfx::Color& colour) {
        return std::count_if(paths.begin(), paths.end(), [&](const renderChecks::SvgPath& p) {
            const std::string stroke = p.styleValue("stroke");
            const gfx::Color c = svgColour(stroke);
            return !p.inDefs && stroke.rfind("rgb(", 0) == 0 && std::fabs(c.red - colour.red) < 0.01 &&
                   std::fabs(c.green - colour.green) < 0.01 && std::fabs(c.blue - colour.blue) < 0.01;
        });
    };
    EXPECT_EQ(strokedWith(kLineColor), 12 * 4 /* symbols */ + 12 * 4 * (1 + 2) /* lines and their caps */);
}
