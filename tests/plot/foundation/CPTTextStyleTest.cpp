// Text styles: their attribute sets, reading attributes back, copies, and drawing strings with them.
#include "plot/foundation/CPTTextStyle.h"

#include "platform/graphics/CurrentContext.h"
#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>

TEST(CPTTextStyle, DefaultAttributes) {
    const CPTTextAttributes a = CPTTextStyle::textStyle()->attributes();
    ASSERT_TRUE(a.font);
    EXPECT_EQ(a.font->name(), "Helvetica");
    EXPECT_EQ(a.font->size(), 12);
    EXPECT_EQ(a.foregroundColor, gfx::Color::black());
    ASSERT_TRUE(a.paragraphStyle);
    EXPECT_EQ(a.paragraphStyle->alignment, gfx::TextAlignment::Left);
    EXPECT_EQ(a.paragraphStyle->lineBreak, gfx::LineBreakMode::WordWrap);

    const gfx::TextStyle plain = a.textStyle();
    EXPECT_EQ(plain.font, *a.font);
    EXPECT_EQ(plain.color, gfx::Color::black());
    const gfx::TextAttributes rich = a.textAttributes();
    EXPECT_EQ(rich.family, "Helvetica");
    EXPECT_EQ(rich.size, 12);
}

TEST(CPTTextStyle, FontsNamesAndColours) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontName("Helvetica-Bold");
    style->setFontSize(20);
    style->setTextAlignment(gfx::TextAlignment::Right);
    style->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
    CPTTextAttributes a = style->attributes();
    ASSERT_TRUE(a.font);
    EXPECT_TRUE(a.font->isBold());
    EXPECT_EQ(a.font->size(), 20);
    EXPECT_EQ(a.paragraphStyle->alignment, gfx::TextAlignment::Right);
    EXPECT_EQ(a.paragraphStyle->lineBreak, gfx::LineBreakMode::TruncateTail);

    // A set font wins over the name and size, even when they disagree.
    style->setFont(gfx::Font::named("Helvetica-Oblique", 9));
    a = style->attributes();
    EXPECT_EQ(a.font->name(), "Helvetica-Oblique");
    EXPECT_EQ(a.font->size(), 9);

    // A name the font table does not know gives no font; the text still measures with the default.
    style->setFont(std::nullopt);
    style->setFontName("No Such Font");
    a = style->attributes();
    EXPECT_FALSE(a.font);
    EXPECT_GT(sizeWithTextStyle("Mean", style.get()).width, 0);

    // The colour is copied when set.
    const auto colour = CPTColor::colorWithComponentRed(0.1, 0.2, 0.3, 1);
    style->setColor(colour);
    EXPECT_NE(style->color().get(), colour.get());
    EXPECT_TRUE(style->color()->isEqual(colour.get()));
    style->setColor(nullptr);
    EXPECT_FALSE(style->attributes().foregroundColor);
}

TEST(CPTTextStyle, AttributesReadBack) {
    const auto fromNothing = CPTTextStyle::textStyleWithAttributes(CPTTextAttributes{});
    EXPECT_STREQ(fromNothing->className(), "CPTTextStyle");
    EXPECT_FALSE(fromNothing->font());
    EXPECT_EQ(fromNothing->fontName(), "Helvetica");
    EXPECT_EQ(fromNothing->fontSize(), 12);
    EXPECT_TRUE(fromNothing->color()->isEqual(CPTColor::blackColor().get()));
    EXPECT_EQ(fromNothing->textAlignment(), gfx::TextAlignment::Left);
    EXPECT_EQ(fromNothing->lineBreakMode(), gfx::LineBreakMode::WordWrap);

    auto style = CPTMutableTextStyle::textStyle();
    style->setFontName("Helvetica-Bold");
    style->setFontSize(15);
    style->setColor(CPTColor::orangeColor());
    style->setTextAlignment(gfx::TextAlignment::Center);
    style->setLineBreakMode(gfx::LineBreakMode::TruncateMiddle);
    const auto back = CPTTextStyle::textStyleWithAttributes(style->attributes());
    ASSERT_TRUE(back->font());
    EXPECT_EQ(back->font()->name(), "Helvetica-Bold");
    EXPECT_EQ(back->fontName(), "Helvetica-Bold");
    EXPECT_EQ(back->fontSize(), 15);
    EXPECT_TRUE(back->color()->isEqual(CPTColor::orangeColor().get()));
    EXPECT_EQ(back->textAlignment(), gfx::TextAlignment::Center);
    EXPECT_EQ(back->lineBreakMode(), gfx::LineBreakMode::TruncateMiddle);

    const auto mutableBack = CPTMutableTextStyle::textStyleWithAttributes(style->attributes());
    EXPECT_STREQ(mutableBack->className(), "CPTMutableTextStyle");
}

TEST(CPTTextStyle, CopiesHaveAFixedClass) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFont(gfx::Font::named("Helvetica", 30));
    style->setFontSize(8);
    style->setTextAlignment(gfx::TextAlignment::Right);
    const auto copy = style->copy();
    EXPECT_STREQ(copy->className(), "CPTTextStyle");
    EXPECT_EQ(dynamic_cast<const CPTMutableTextStyle*>(copy.get()), nullptr);
    EXPECT_EQ(copy->font(), style->font());
    EXPECT_EQ(copy->fontSize(), 8);
    EXPECT_EQ(copy->textAlignment(), gfx::TextAlignment::Right);
    EXPECT_STREQ(copy->mutableCopy()->className(), "CPTMutableTextStyle");
    EXPECT_STREQ(CPTTextStyle::textStyleWithStyle(*style)->className(), "CPTTextStyle");
    EXPECT_STREQ(CPTMutableTextStyle::textStyleWithStyle(*copy)->className(), "CPTMutableTextStyle");
}

TEST(CPTTextStyle, DrawsOnlyWithAColour) {
    auto rc = gfx::makeRecordingContext();
    auto style = CPTMutableTextStyle::textStyle();
    style->setColor(CPTColor::blueColor());
    rc.context->setFillColor({0, 1, 0, 1});
    drawInRect("Median", CGRect(5, 6, 100, 30), style.get(), *rc.context);
    ASSERT_EQ(rc.recorder->records().size(), 3u); // save, text, restore
    const auto& text = rc.recorder->records()[1];
    EXPECT_EQ(text.op, gfx::Recorder::Op::Text);
    EXPECT_EQ(text.origin, (CGPoint{5, 6}));
    EXPECT_EQ(text.state.fillColor, (gfx::Color{0, 0, 1, 1}));
    EXPECT_EQ(text.text->text(), "Median");
    // The state and the current context are as they were.
    EXPECT_EQ(rc.context->state().fillColor, (gfx::Color{0, 1, 0, 1}));
    EXPECT_EQ(gfx::currentContext(), nullptr);

    rc.recorder->clear();
    style->setColor(nullptr);
    drawInRect("Median", CGRect(5, 6, 100, 30), style.get(), *rc.context);
    drawInRect("Median", CGRect(5, 6, 100, 30), nullptr, *rc.context);
    EXPECT_TRUE(rc.recorder->records().empty());
    EXPECT_EQ(sizeWithTextStyle("Median", style.get()), sizeWithTextStyle("Median", CPTTextStyle::textStyle().get()));
}

TEST(CPTTextStyle, PreviewIsAFillerParagraphInTheStyle) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontSize(18);
    const gfx::RichText preview = style->debugQuickLookObject();
    EXPECT_EQ(preview.plainText().rfind("Lorem ipsum dolor sit amet", 0), 0u);
    ASSERT_FALSE(preview.items().empty());
    EXPECT_EQ(preview.items()[0].run.attributes.size, 18);
}
