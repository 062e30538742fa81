// Archives of the style classes: every class round-trips under its own keys, fills name only the
// public class, and damaged or mistyped archives give nothing without throwing.
#include "plot/foundation/CPTColorSpace.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineCap.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotSymbol.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"

#include "platform/foundation/Log.h"
#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;

namespace {

// The object archived under "root" of a wrapper archive.
template <class T> std::vector<std::uint8_t> wrap(const T& object) {
    KeyedArchiver coder("Test");
    object.encodeForKey(coder, "root");
    return coder.encodedData();
}

template <class T> std::vector<std::uint8_t> archiveOf(const T& object, const char* className) {
    KeyedArchiver coder(className);
    object.encodeWithCoder(coder);
    return coder.encodedData();
}

gfx::Image bitmap() {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < 6; ++i)
        for (std::uint8_t v : {std::uint8_t(40 * i), std::uint8_t(200), std::uint8_t(10), std::uint8_t(255)})
            rgba.push_back(v);
    return gfx::Image::fromRGBA(3, 2, rgba);
}

std::shared_ptr<CPTGradient> sampleGradient() {
    auto g = CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor(), 0.1, 0.9)
                 ->addColorStop(*CPTColor::colorWithComponentRed(0, 1, 0, 0.5), 0.5)
                 ->addColorStop(*CPTColor::whiteColor(), 0.5)
                 ->gradientWithBlendingMode(CPTInverseChromaticBlendingMode);
    g->setAngle(33);
    g->setGradientType(CPTGradientTypeRadial);
    g->setStartAnchor({0.25, 0.75});
    g->setEndAnchor({1, 0});
    return g;
}

} // namespace

TEST(CPTStyleArchiving, ColoursAndColourSpaces) {
    foundation::LogCapture log;
    const auto colour = CPTColor::colorWithComponentRed(0.1, 0.2, 0.3, 0.4);
    const auto data = wrap(*colour);
    KeyedUnarchiver d(data);
    const auto back = CPTColor::decodeForKey(d, "root");
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(colour.get()));

    const auto raw = archiveOf(*CPTColor::colorWithNativeColor({1, 0, 0, 1}), "CPTColor");
    KeyedUnarchiver keys(raw);
    EXPECT_EQ(keys.decodeInt64ForKey("CPTColor.numberOfComponents"), 4);
    EXPECT_EQ(keys.decodeDoubleForKey("CPTColor.component[0]"), 1);
    EXPECT_TRUE(keys.containsValueForKey("CPTColor.component[3]"));
    EXPECT_FALSE(keys.containsValueForKey("CPTColor.uiColorCache"));
    const auto nativeBack = CPTColor::colorWithCoder(keys);
    ASSERT_TRUE(nativeBack);
    EXPECT_FALSE(nativeBack->uiColorCache());
    EXPECT_EQ(nativeBack->cgColor(), (gfx::Color{1, 0, 0, 1}));

    const auto space = archiveOf(*CPTColorSpace::genericRGBSpace(), "CPTColorSpace");
    KeyedUnarchiver spaceCoder(space);
    const auto spaceBack = CPTColorSpace::colorSpaceWithCoder(spaceCoder);
    ASSERT_TRUE(spaceBack);
    EXPECT_EQ(spaceBack->cgColorSpace(), CPTColorSpace::Model::DeviceRGB);

    // A grey with alpha reads as its four components; other counts fail.
    for (std::int64_t count : {2, 3, 0, 1000000}) {
        SCOPED_TRACE(count);
        KeyedArchiver coder("CPTColor");
        coder.encodeInt64(count, "CPTColor.numberOfComponents");
        coder.encodeDouble(0.5, "CPTColor.component[0]");
        coder.encodeDouble(0.75, "CPTColor.component[1]");
        const auto bytes = coder.encodedData();
        KeyedUnarchiver decoder(bytes);
        const auto grey = CPTColor::colorWithCoder(decoder);
        if (count == 2) {
            ASSERT_TRUE(grey);
            EXPECT_EQ(grey->cgColor(), (gfx::Color{0.5, 0.5, 0.5, 0.75}));
        } else {
            EXPECT_FALSE(grey);
            EXPECT_TRUE(decoder.failed());
        }
    }
}

TEST(CPTStyleArchiving, Shadows) {
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowOffset({2, -3});
    shadow->setShadowBlurRadius(4.5);
    shadow->setShadowColor(CPTColor::purpleColor());
    for (const std::shared_ptr<CPTShadow>& s : {std::shared_ptr<CPTShadow>(shadow), shadow->copy()}) {
        SCOPED_TRACE(s->className());
        const auto data = wrap(*s);
        KeyedUnarchiver d(data);
        const auto back = CPTShadow::decodeForKey(d, "root");
        ASSERT_TRUE(back);
        EXPECT_STREQ(back->className(), s->className());
        EXPECT_EQ(back->shadowOffset(), (CGSize{2, -3}));
        EXPECT_EQ(back->shadowBlurRadius(), 4.5);
        EXPECT_TRUE(back->shadowColor()->isEqual(CPTColor::purpleColor().get()));
    }
    const auto plain = archiveOf(*CPTShadow::shadow(), "CPTShadow");
    KeyedUnarchiver d(plain);
    EXPECT_TRUE(d.containsValueForKey("CPTShadow.shadowOffset.width"));
    const auto back = CPTShadow::shadowWithCoder(d);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->shadowColor());
}

TEST(CPTStyleArchiving, GradientsKeepStopsModeAngleTypeAndAnchors) {
    const auto g = sampleGradient();
    const auto raw = archiveOf(*g, "CPTGradient");
    KeyedUnarchiver keys(raw);
    EXPECT_EQ(keys.decodeIntegerForKey("CPTGradient.elementCount"), 4);
    EXPECT_EQ(keys.decodeDoubleForKey("position2"), 0.5);
    EXPECT_EQ(keys.decodeDoubleForKey("alpha1"), 0.5);
    EXPECT_EQ(keys.decodeDoubleForKey("CPTPlotSymbol.startAnchor.x"), 0.25);
    EXPECT_EQ(keys.decodeDoubleForKey("CPTPlotSymbol.endAnchor.x"), 1);
    EXPECT_EQ(keys.decodeIntegerForKey("CPTGradient.type"), 1);

    const auto data = wrap(*g);
    KeyedUnarchiver d(data);
    const auto back = CPTGradient::decodeForKey(d, "root");
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(g.get()));
    EXPECT_EQ(back->blendingMode(), CPTInverseChromaticBlendingMode);
    EXPECT_EQ(back->angle(), 33);
    EXPECT_EQ(back->gradientType(), CPTGradientTypeRadial);
    EXPECT_EQ(back->startAnchor(), (CGPoint{0.25, 0.75}));
    EXPECT_EQ(back->endAnchor(), (CGPoint{1, 0}));
    // The two stops at 0.5 stay in their order.
    EXPECT_EQ(back->newColorStopAtIndex(1), (gfx::Color{0, 1, 0, 0.5}));
    EXPECT_EQ(back->newColorStopAtIndex(2), gfx::Color::white());

    // A count beyond the stored stops fails instead of reading zeros.
    for (std::int64_t count : {std::int64_t(5), std::int64_t(-1), std::int64_t(1) << 40}) {
        SCOPED_TRACE(count);
        KeyedArchiver bad("CPTGradient");
        for (int i = 0; i < 4; ++i)
            for (const char* part : {"red", "green", "blue", "alpha", "position"})
                bad.encodeDouble(0.5, std::string(part) + std::to_string(i));
        bad.encodeInteger(count, "CPTGradient.elementCount");
        const auto bytes = bad.encodedData();
        KeyedUnarchiver decoder(bytes);
        EXPECT_FALSE(CPTGradient::gradientWithCoder(decoder));
        EXPECT_TRUE(decoder.failed());
    }
}

TEST(CPTStyleArchiving, FillsNameThePublicClassAndKeepTheirKind) {
    auto image = CPTImage::imageWithCGImage(bitmap(), 2);
    image->setTiled(true);
    const std::shared_ptr<CPTFill> fills[] = {CPTFill::fillWithColor(CPTColor::orangeColor()),
                                              CPTFill::fillWithGradient(sampleGradient()),
                                              CPTFill::fillWithImage(image)};
    const char* keys[] = {"_CPTFillColor.fillColor", "_CPTFillGradient.fillGradient", "_CPTFillImage.fillImage"};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& fill = fills[i];
        SCOPED_TRACE(fill->className());
        const auto data = wrap(*fill);
        KeyedUnarchiver d(data);
        auto object = d.decodeObjectForKey("root", {"CPTFill"});
        ASSERT_TRUE(object);
        EXPECT_EQ(object->className(), "CPTFill");
        EXPECT_TRUE(object->containsValueForKey(keys[i]));
        KeyedUnarchiver again(data);
        const auto back = CPTFill::decodeForKey(again, "root");
        ASSERT_TRUE(back);
        EXPECT_STREQ(back->className(), fill->className());
        if (fill->fillColor()) {
            EXPECT_TRUE(back->fillColor()->isEqual(fill->fillColor().get()));
        }
        if (fill->fillGradient()) {
            EXPECT_TRUE(back->fillGradient()->isEqual(fill->fillGradient().get()));
        }
        if (fill->fillImage()) {
            EXPECT_TRUE(back->fillImage()->isEqual(fill->fillImage().get()));
        }
    }
    // The first key found wins; none gives nothing.
    KeyedArchiver both("CPTFill");
    CPTColor::greenColor()->encodeForKey(both, "_CPTFillColor.fillColor");
    sampleGradient()->encodeForKey(both, "_CPTFillGradient.fillGradient");
    const auto bothData = both.encodedData();
    KeyedUnarchiver bothCoder(bothData);
    EXPECT_STREQ(CPTFill::fillWithCoder(bothCoder)->className(), "_CPTFillColor");
    const auto empty = KeyedArchiver("CPTFill").encodedData();
    KeyedUnarchiver emptyCoder(empty);
    EXPECT_FALSE(CPTFill::fillWithCoder(emptyCoder));
    EXPECT_FALSE(emptyCoder.failed());
    // A gradient where the colour belongs fails the archive.
    KeyedArchiver wrong("CPTFill");
    sampleGradient()->encodeForKey(wrong, "_CPTFillColor.fillColor");
    const auto wrongData = wrong.encodedData();
    KeyedUnarchiver wrongCoder(wrongData);
    EXPECT_FALSE(CPTFill::fillWithCoder(wrongCoder));
    EXPECT_TRUE(wrongCoder.failed());
}

TEST(CPTStyleArchiving, Images) {
    auto image = CPTImage::imageWithCGImage(bitmap(), 2);
    image->setTiled(true);
    image->setTileAnchoredToContext(false);
    image->setEdgeInsets({0.5, 0.25, 0, 1});
    image->setLastDrawnScale(7);
    const auto raw = archiveOf(*image, "CPTImage");
    KeyedUnarchiver keys(raw);
    EXPECT_EQ(keys.decodeInt64ForKey("CPTImage.image.width"), 3);
    EXPECT_EQ(keys.decodeDoubleForKey("CPTImage.edgeInsets.right"), 1);
    EXPECT_FALSE(keys.containsValueForKey("CPTImage.nativeImage"));
    const auto back = CPTImage::imageWithCoder(keys);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(image.get()));
    EXPECT_EQ(back->lastDrawnScale(), 2);

    // An image made from a native image archives that bitmap.
    const auto native = CPTImage::imageWithNativeImage(bitmap().withScale(3));
    const auto nativeData = wrap(*native);
    KeyedUnarchiver d(nativeData);
    const auto nativeBack = CPTImage::decodeForKey(d, "root");
    ASSERT_TRUE(nativeBack);
    EXPECT_EQ(nativeBack->scale(), 3);
    EXPECT_EQ(nativeBack->image().pixelWidth(), 3);

    // No bitmap at all round-trips as no bitmap.
    const auto none = wrap(CPTImage());
    KeyedUnarchiver noneCoder(none);
    const auto noneBack = CPTImage::decodeForKey(noneCoder, "root");
    ASSERT_TRUE(noneBack);
    EXPECT_TRUE(noneBack->image().isNull());
}

TEST(CPTStyleArchiving, LineStyles) {
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineCap(1);
    style->setLineJoin(2);
    style->setMiterLimit(4);
    style->setLineWidth(2.5);
    style->setDashPattern({3, 1.5});
    style->setPatternPhase(0.5);
    style->setLineColor(CPTColor::cyanColor());
    style->setLineFill(CPTFill::fillWithColor(CPTColor::yellowColor()));
    style->setLineGradient(sampleGradient());
    for (const std::shared_ptr<CPTLineStyle>& s : {std::shared_ptr<CPTLineStyle>(style), style->copy()}) {
        SCOPED_TRACE(s->className());
        const auto data = wrap(*s);
        KeyedUnarchiver d(data);
        const auto back = CPTLineStyle::decodeForKey(d, "root");
        ASSERT_TRUE(back);
        EXPECT_STREQ(back->className(), s->className());
        EXPECT_EQ(back->lineCap(), 1);
        EXPECT_EQ(back->lineJoin(), 2);
        EXPECT_EQ(back->miterLimit(), 4);
        EXPECT_EQ(back->lineWidth(), 2.5);
        EXPECT_EQ(back->dashPattern(), (std::vector<CGFloat>{3, 1.5}));
        EXPECT_EQ(back->patternPhase(), 0.5);
        EXPECT_TRUE(back->lineColor()->isEqual(CPTColor::cyanColor().get()));
        EXPECT_TRUE(back->lineFill()->fillColor()->isEqual(CPTColor::yellowColor().get()));
        EXPECT_TRUE(back->lineGradient()->isEqual(sampleGradient().get()));
    }
    // Without the colour key there is no colour (not black); a missing width reads as 0.
    const auto empty = KeyedArchiver("CPTLineStyle").encodedData();
    KeyedUnarchiver emptyCoder(empty);
    const auto bare = CPTLineStyle::lineStyleWithCoder(emptyCoder);
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->lineColor());
    EXPECT_EQ(bare->lineWidth(), 0);
    EXPECT_EQ(bare->miterLimit(), 0);

    // Typed decoding: a width that is text, or dashes that are not numbers, fail and give nothing.
    KeyedArchiver textWidth("CPTLineStyle");
    textWidth.encodeString("2", "CPTLineStyle.lineWidth");
    KeyedArchiver textDashes("CPTLineStyle");
    textDashes.encodeValue(foundation::Value(foundation::Value::Array{foundation::Value(1.0), foundation::Value("x")}),
                           "CPTLineStyle.dashPattern");
    KeyedArchiver numberDashes("CPTLineStyle");
    numberDashes.encodeDouble(2, "CPTLineStyle.dashPattern");
    for (KeyedArchiver* coder : {&textWidth, &textDashes, &numberDashes}) {
        const auto bytes = coder->encodedData();
        KeyedUnarchiver decoder(bytes);
        EXPECT_FALSE(CPTLineStyle::lineStyleWithCoder(decoder));
        EXPECT_TRUE(decoder.failed());
    }
}

TEST(CPTStyleArchiving, TextStyles) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFont(gfx::Font::named("Helvetica-BoldOblique", 17));
    style->setFontName("Helvetica");
    style->setFontSize(11);
    style->setColor(CPTColor::brownColor());
    style->setTextAlignment(gfx::TextAlignment::Center);
    style->setLineBreakMode(gfx::LineBreakMode::TruncateHead);
    const auto data = wrap(*style);
    KeyedUnarchiver d(data);
    const auto back = CPTTextStyle::decodeForKey(d, "root");
    ASSERT_TRUE(back);
    EXPECT_STREQ(back->className(), "CPTMutableTextStyle");
    ASSERT_TRUE(back->font());
    EXPECT_EQ(back->font()->familyName(), "Helvetica");
    EXPECT_TRUE(back->font()->isBold());
    EXPECT_TRUE(back->font()->isItalic());
    EXPECT_EQ(back->font()->size(), 17);
    EXPECT_EQ(back->fontName(), "Helvetica");
    EXPECT_EQ(back->fontSize(), 11);
    EXPECT_TRUE(back->color()->isEqual(CPTColor::brownColor().get()));
    EXPECT_EQ(back->textAlignment(), gfx::TextAlignment::Center);
    EXPECT_EQ(back->lineBreakMode(), gfx::LineBreakMode::TruncateHead);

    // Without a font no descriptor is written; an immutable style stays immutable.
    const auto plain = archiveOf(*CPTTextStyle::textStyle(), "CPTTextStyle");
    KeyedUnarchiver plainCoder(plain);
    EXPECT_FALSE(plainCoder.containsValueForKey("CPTTextStyle.font+descriptor"));
    const auto plainBack = CPTTextStyle::textStyleWithCoder(plainCoder);
    ASSERT_TRUE(plainBack);
    EXPECT_STREQ(plainBack->className(), "CPTTextStyle");
    EXPECT_FALSE(plainBack->font());
    EXPECT_EQ(plainBack->fontName(), "Helvetica");

    // Alignments and line breaks the platform does not have fail the archive.
    for (const char* key : {"CPTTextStyle.textAlignment", "CPTTextStyle.lineBreakMode"}) {
        KeyedArchiver coder("CPTTextStyle");
        coder.encodeInteger(99, key);
        const auto bytes = coder.encodedData();
        KeyedUnarchiver decoder(bytes);
        EXPECT_FALSE(CPTTextStyle::textStyleWithCoder(decoder)) << key;
    }
}

TEST(CPTStyleArchiving, LineCaps) {
    gfx::Path notch;
    notch.addLines({{0, 0}, {4, 8}, {8, 0}, {4, 3}});
    notch.closeSubpath();
    auto custom = CPTLineCap::customLineCapWithPath(notch);
    custom->setSize({6, 9});
    custom->setFill(CPTFill::fillWithColor(CPTColor::magentaColor()));
    custom->setUsesEvenOddClipRule(true);
    auto arrow = CPTLineCap::openArrowPlotLineCap();
    for (const auto& cap : {custom, arrow}) {
        SCOPED_TRACE(cap->lineCapType());
        (void)cap->cachedLineCapPath();
        const auto data = wrap(*cap);
        KeyedUnarchiver d(data);
        const auto back = CPTLineCap::decodeForKey(d, "root");
        ASSERT_TRUE(back);
        EXPECT_FALSE(back->hasCachedLineCapPath());
        EXPECT_EQ(back->lineCapType(), cap->lineCapType());
        EXPECT_EQ(back->size(), cap->size());
        EXPECT_EQ(back->usesEvenOddClipRule(), cap->usesEvenOddClipRule());
        EXPECT_EQ(back->customLineCapPath(), cap->customLineCapPath());
        EXPECT_EQ(back->lineStyle()->lineWidth(), 1);
        EXPECT_EQ(back->fill() != nullptr, cap->fill() != nullptr);
        auto original = gfx::makeRecordingContext();
        cap->renderAsVectorInContext(*original.context, {20, 20}, {1, 1});
        auto decoded = gfx::makeRecordingContext();
        back->renderAsVectorInContext(*decoded.context, {20, 20}, {1, 1});
        EXPECT_EQ(decoded.recorder->lines(), original.recorder->lines());
    }
    const auto raw = archiveOf(*custom, "CPTLineCap");
    KeyedUnarchiver keys(raw);
    EXPECT_EQ(keys.decodeDoubleForKey("CPTLineCap.size.height"), 9);
    EXPECT_EQ(keys.decodeIntegerForKey("CPTLineCap.customLineCapPath.count"), 5);
    EXPECT_TRUE(keys.decodeBoolForKey("CPTLineCap.usesEvenOddClipRule"));
    // A size that is text fails the archive.
    KeyedArchiver bad("CPTLineCap");
    bad.encodeString("big", "CPTLineCap.size.width");
    const auto badData = bad.encodedData();
    KeyedUnarchiver badCoder(badData);
    EXPECT_FALSE(CPTLineCap::lineCapWithCoder(badCoder));
}

TEST(CPTStyleArchiving, PlotSymbols) {
    gfx::Path bolt;
    bolt.addLines({{0, 0}, {3, 5}, {1, 5}, {4, 10}, {0, 4}, {2, 4}});
    bolt.closeSubpath();
    auto custom = CPTPlotSymbol::customPlotSymbolWithPath(bolt);
    custom->setSize({8, 12});
    custom->setAnchorPoint({0.25, 0.75});
    custom->setFill(CPTFill::fillWithGradient(sampleGradient()));
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowColor(CPTColor::grayColor());
    shadow->setShadowOffset({2, 2});
    custom->setShadow(shadow);
    custom->setUsesEvenOddClipRule(true);
    auto plus = CPTPlotSymbol::plusPlotSymbol();
    for (const auto& symbol : {custom, plus}) {
        SCOPED_TRACE(symbol->symbolType());
        auto before = gfx::makeRecordingContext();
        symbol->renderInContext(*before.context, {30, 30}, 2, true);
        const auto data = wrap(*symbol);
        KeyedUnarchiver d(data);
        const auto back = CPTPlotSymbol::decodeForKey(d, "root");
        ASSERT_TRUE(back);
        EXPECT_FALSE(back->hasCachedSymbolPath());
        EXPECT_FALSE(back->cachedLayer());
        EXPECT_EQ(back->cachedScale(), 0);
        EXPECT_EQ(back->symbolType(), symbol->symbolType());
        EXPECT_EQ(back->size(), symbol->size());
        EXPECT_EQ(back->anchorPoint(), symbol->anchorPoint());
        EXPECT_EQ(back->customSymbolPath(), symbol->customSymbolPath());
        EXPECT_EQ(back->usesEvenOddClipRule(), symbol->usesEvenOddClipRule());
        EXPECT_EQ(back->shadow() != nullptr, symbol->shadow() != nullptr);
        auto after = gfx::makeRecordingContext();
        back->renderInContext(*after.context, {30, 30}, 2, true);
        EXPECT_EQ(after.recorder->lines(), before.recorder->lines());
    }
    const auto raw = archiveOf(*custom, "CPTPlotSymbol");
    KeyedUnarchiver keys(raw);
    EXPECT_EQ(keys.decodeDoubleForKey("CPTPlotSymbol.anchorPoint.y"), 0.75);
    EXPECT_EQ(keys.decodeIntegerForKey("CPTPlotSymbol.symbolType"), 12);
    EXPECT_TRUE(keys.containsValueForKey("CPTPlotSymbol.shadow"));
    EXPECT_TRUE(keys.containsValueForKey("CPTPlotSymbol.customSymbolPath[6].type"));
    // A shadow where a fill belongs fails the archive.
    KeyedArchiver bad("CPTPlotSymbol");
    CPTShadow::shadow()->encodeForKey(bad, "CPTPlotSymbol.fill");
    const auto badData = bad.encodedData();
    KeyedUnarchiver badCoder(badData);
    EXPECT_FALSE(CPTPlotSymbol::plotSymbolWithCoder(badCoder));
}
