// The text layer: sized to its text with margins, paddings and a maximum size; the three text
// setters kept consistent; drawn top-down, and nothing at all without text.
#include "plot/graph/CPTTextLayer.h"
#include "GraphFixtures.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The measure the layer fits around, from the platform's own measuring.
CGSize measured(const std::string& text, const CPTTextStyle& style) {
    return sizeWithTextStyle(text, &style);
}

} // namespace

TEST(CPTTextLayerSizing, FitsTheTextWithMarginsAndPaddings) {
    // The fitted size from a measured size, as a table of the rule itself.
    struct Case {
        const char* name;
        CGSize measure;
        double left, top, right, bottom;
        CGSize maximum;
        CGSize expected;
    };
    const Case cases[] = {
        {"margins", {10.2, 12.0}, 0, 0, 0, 0, {0, 0}, {15, 16}},
        {"padding 5 all round", {10.2, 12.0}, 5, 5, 5, 5, {0, 0}, {25, 26}},
        {"quarter-point paddings", {10.0, 12.0}, 0.25, 0, 0.25, 0, {0, 0}, {15, 16}},
        {"width capped", {100, 12}, 0, 0, 0, 0, {50, 0}, {50, 16}},
        {"cap larger than the text", {10, 12}, 0, 0, 0, 0, {500, 500}, {14, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CGSize fit{std::ceil(c.measure.width + 4), std::ceil(c.measure.height + 4)};
        double w = fit.width + c.left + c.right, h = fit.height + c.top + c.bottom;
        if (c.maximum.width > 0)
            w = std::fmin(w, c.maximum.width);
        if (c.maximum.height > 0)
            h = std::fmin(h, c.maximum.height);
        EXPECT_EQ((CGSize{std::ceil(w), std::ceil(h)}), c.expected);
    }

    // Real strings: ceil(measure + 4), then paddings, keeping the origin.
    auto style = CPTTextStyle::textStyle();
    for (const std::string text : {"A", "Weight (kg)", "Ωμέγα 12,345.678"}) {
        SCOPED_TRACE(text);
        CPTTextLayer layer(text, style);
        CGSize m = measured(text, *style);
        EXPECT_EQ(layer.bounds().size, (CGSize{std::ceil(m.width + 4), std::ceil(m.height + 4)}));
        EXPECT_EQ(layer.sizeThatFits(), layer.bounds().size);
    }
    CPTTextLayer padded(std::string("Weight"), style);
    CGSize plain = padded.bounds().size;
    padded.setBounds(CGRect(7, 8, plain.width, plain.height));
    padded.setPaddingLeft(5);
    padded.setPaddingTop(5);
    padded.setPaddingRight(5);
    padded.setPaddingBottom(5);
    EXPECT_EQ(padded.bounds(), CGRect(7, 8, plain.width + 10, plain.height + 10));
    padded.setMaximumSize({30, 0});
    EXPECT_EQ(padded.bounds().size, (CGSize{30, plain.height + 10}));
}

TEST(CPTTextLayerSizing, OnlyEffectiveChangesResize) {
    CPTTextLayer layer(std::string("Weight"), CPTTextStyle::textStyle());
    NotificationListener bounds(CPTLayerBoundsDidChangeNotification, &layer);
    layer.setPaddingLeft(0);
    layer.setMaximumSize({0, 0});
    auto shadow = std::make_shared<CPTMutableShadow>();
    layer.setShadow(nullptr);
    EXPECT_EQ(bounds.count(), 0u);
    layer.setPaddingLeft(3);
    EXPECT_EQ(bounds.count(), 1u);
    layer.setShadow(shadow);
    layer.setShadow(layer.shadow());
    EXPECT_GE(bounds.count(), 1u);
    EXPECT_FALSE(layer.needsDisplayOnBoundsChange());
}

TEST(CPTTextLayerText, TheThreeSettersStayConsistent) {
    CPTTextLayer layer(std::string("one"), CPTTextStyle::textStyle());
    gfx::RichText rich;
    gfx::TextAttributes big;
    big.size = 20;
    big.color = gfx::Color{1, 0, 0, 1};
    rich.append("two", big);
    layer.setAttributedText(rich);
    EXPECT_EQ(layer.text(), std::optional<std::string>("two"));
    ASSERT_NE(layer.textStyle(), nullptr);
    EXPECT_EQ(layer.textStyle()->fontSize(), 20);
    EXPECT_EQ(layer.bounds().size,
              (CGSize{std::ceil(sizeAsDrawn(rich).width + 4), std::ceil(sizeAsDrawn(rich).height + 4)}));
    // Setting the text drops the attributed text.
    layer.setText(std::string("three"));
    EXPECT_EQ(layer.attributedText(), std::nullopt);
    EXPECT_EQ(layer.textStyle()->fontSize(), 20);
    // An empty attributed text clears text and style, and leaves the size.
    CGSize before = layer.bounds().size;
    layer.setAttributedText(gfx::RichText());
    EXPECT_EQ(layer.text(), std::nullopt);
    EXPECT_EQ(layer.textStyle(), nullptr);
    EXPECT_EQ(layer.bounds().size, before);

    CPTTextLayer empty{gfx::RichText()};
    EXPECT_EQ(empty.textStyle(), nullptr);
    EXPECT_EQ(empty.bounds().size, (CGSize{0, 0}));
    CPTTextLayer none;
    EXPECT_EQ(none.text(), std::nullopt);
    EXPECT_EQ(none.sizeThatFits(), (CGSize{0, 0}));
    EXPECT_NE(layer.description().find("\"(null)\""), std::string::npos) << layer.description();
}

TEST(CPTTextLayerDrawing, TopDownInsideTheMarginsAndNothingWithoutText) {
    auto style = std::make_shared<CPTMutableTextStyle>();
    style->setColor(CPTColor::blackColor());
    auto layer = std::make_shared<CPTTextLayer>(std::string("Hi"), style);
    layer->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    auto rc = gfx::makeRecordingContext();
    layer->renderAsVectorInContext(*rc.context);
    auto lines = rc.recorder->lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("fill", 0), 0u);
    EXPECT_EQ(lines[1].rfind("text \"Hi\" 2 2 ", 0), 0u)
        << lines[1] << " (the text's top-left at the margin)";
    EXPECT_EQ(rc.context->state().ctm, gfx::AffineTransform{});

    layer->setText(std::string(""));
    rc.recorder->clear();
    layer->renderAsVectorInContext(*rc.context);
    EXPECT_TRUE(rc.recorder->lines().empty()) << "not even the background";
}
