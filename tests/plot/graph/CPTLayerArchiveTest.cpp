// Layers through an archive, as a table over the plain, bordered and text layers: every key comes
// back, decoding resets what it must (rendering flag, cached paths, layout flag, maximum size), a
// style held twice decodes as one object, the graph link follows the archive, and damaged values fail.
#include "GraphFixtures.h"
#include "tests/platform/foundation/RefusedArchives.h"
#include "plot/foundation/CPTArchiving.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTTextLayer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::Value;

namespace {

std::vector<std::uint8_t> archive(const CPTLayer& layer) {
    KeyedArchiver coder(layer.className());
    coder.setRootIdentity(&layer);
    layer.encodeWithCoder(coder);
    return coder.encodedData();
}

std::shared_ptr<CPTLayer> unarchive(const std::vector<std::uint8_t>& data, std::string* error = nullptr) {
    KeyedUnarchiver coder(data);
    auto layer =
        coder.decodeRootObject<CPTLayer>({"CPTLayer", "CPTBorderedLayer", "CPTTextLayer"}, CPTLayer::layerWithCoder);
    if (error != nullptr)
        *error = coder.error();
    return layer;
}

std::shared_ptr<CPTLineStyle> lineStyle(double width) {
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineWidth(width);
    style->setLineColor(CPTColor::redColor());
    return style;
}

// What every layer of the table is given.
void setBase(CPTLayer& layer) {
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowOffset(CGSize(2, -3));
    shadow->setShadowBlurRadius(4);
    layer.setShadow(shadow);
    layer.setBounds(CGRect(0, 0, 120, 45));
    layer.setPosition(CGPoint(70, 30.5));
    layer.setAnchorPoint(CGPoint(0.25, 0.75));
    layer.setOpacity(0.5);
    layer.setCornerRadius(3);
    layer.setPaddingLeft(1);
    layer.setPaddingTop(2);
    layer.setPaddingRight(3);
    layer.setPaddingBottom(4);
    layer.setIdentifier(Value("main"));
    layer.setName("a layer");
    layer.setBackgroundColor(gfx::Color{0.1, 0.2, 0.3, 1});
    layer.setRenderingRecursively(true);
    layer.setOuterBorderPath(gfx::Path());
}

void checkBase(const CPTLayer& original, const CPTLayer& decoded) {
    EXPECT_STREQ(decoded.className(), original.className());
    EXPECT_EQ(decoded.bounds(), original.bounds());
    EXPECT_EQ(decoded.position(), original.position());
    EXPECT_EQ(decoded.anchorPoint(), original.anchorPoint());
    EXPECT_EQ(decoded.opacity(), 0.5);
    EXPECT_EQ(decoded.cornerRadius(), 3.0);
    EXPECT_EQ(decoded.paddingLeft(), 1.0);
    EXPECT_EQ(decoded.paddingTop(), 2.0);
    EXPECT_EQ(decoded.paddingRight(), 3.0);
    EXPECT_EQ(decoded.paddingBottom(), 4.0);
    EXPECT_EQ(decoded.identifier(), Value("main"));
    EXPECT_EQ(decoded.name(), "a layer");
    EXPECT_EQ(decoded.backgroundColor(), original.backgroundColor());
    ASSERT_NE(decoded.shadow(), nullptr);
    EXPECT_EQ(decoded.shadow()->shadowOffset(), CGSize(2, -3));
    EXPECT_EQ(decoded.shadow()->shadowBlurRadius(), 4.0);
    EXPECT_EQ(decoded.shadowMargin(), original.shadowMargin());
    // The resets.
    EXPECT_FALSE(decoded.isRenderingRecursively());
    EXPECT_FALSE(decoded.outerBorderPath().has_value());
    EXPECT_FALSE(decoded.innerBorderPath().has_value());
    EXPECT_EQ(decoded.graph(), nullptr); // no graph in the archive
}

} // namespace

TEST(CPTLayerArchiving, EveryLayerKindRoundTrips) {
    struct Case {
        const char* name;
        std::function<std::shared_ptr<CPTLayer>()> make;
        std::function<void(const CPTLayer& original, const CPTLayer& decoded)> check;
    };
    const Case cases[] = {
        {"a plain layer", [] { return std::make_shared<CPTLayer>(); }, [](const CPTLayer&, const CPTLayer&) {}},
        {"a bordered layer",
         [] {
             auto layer = std::make_shared<CPTBorderedLayer>();
             layer->setBorderLineStyle(lineStyle(2.5));
             layer->setFill(CPTFill::fillWithColor(CPTColor::blueColor()));
             layer->setInLayout(true);
             return layer;
         },
         [](const CPTLayer&, const CPTLayer& d) {
             const auto& bordered = dynamic_cast<const CPTBorderedLayer&>(d);
             ASSERT_NE(bordered.borderLineStyle(), nullptr);
             EXPECT_EQ(bordered.borderLineStyle()->lineWidth(), 2.5);
             EXPECT_EQ(bordered.borderLineStyle()->lineColor()->cgColor(), CPTColor::redColor()->cgColor());
             ASSERT_NE(bordered.fill(), nullptr);
             EXPECT_EQ(bordered.fill()->cgColor(), CPTColor::blueColor()->cgColor());
             EXPECT_FALSE(bordered.inLayout());
         }},
        {"a text layer",
         [] {
             auto style = CPTMutableTextStyle::textStyle();
             style->setFontSize(17);
             style->setColor(CPTColor::greenColor());
             auto layer = std::make_shared<CPTTextLayer>(std::string("Grüße, 42"), style);
             layer->setMaximumSize(CGSize(300, 100));
             layer->setBorderLineStyle(lineStyle(1));
             return layer;
         },
         [](const CPTLayer&, const CPTLayer& d) {
             const auto& text = dynamic_cast<const CPTTextLayer&>(d);
             EXPECT_EQ(text.text(), std::optional<std::string>("Grüße, 42"));
             ASSERT_NE(text.textStyle(), nullptr);
             EXPECT_EQ(text.textStyle()->fontSize(), 17.0);
             EXPECT_EQ(text.textStyle()->color()->cgColor(), CPTColor::greenColor()->cgColor());
             EXPECT_EQ(text.maximumSize(), CGSize(0, 0));
             EXPECT_FALSE(text.inLayout());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto original = c.make();
        setBase(*original);
        std::string error;
        auto decoded = unarchive(archive(*original), &error);
        ASSERT_NE(decoded, nullptr) << error;
        checkBase(*original, *decoded);
        c.check(*original, *decoded);
    }
}

TEST(CPTLayerArchiving, AStyleHeldTwiceDecodesAsOne) {
    // Two text layers under one root share their text style, as labels of one axis do.
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontSize(11);
    auto first = std::make_shared<CPTTextLayer>(std::string("one"), style);
    auto second = std::make_shared<CPTTextLayer>(std::string("two"), style);
    ASSERT_EQ(first->textStyle(), second->textStyle());
    KeyedArchiver coder("Labels");
    for (const auto& [layer, key] : {std::pair{first, "first"}, std::pair{second, "second"}})
        coder.encodeSharedObject(static_cast<const CPTLayer*>(layer.get()), layer->className(), key,
                                 [&layer](KeyedArchiver& c) { layer->encodeWithCoder(c); });
    const auto data = coder.encodedData();

    KeyedUnarchiver reader(data);
    std::vector<std::shared_ptr<CPTLayer>> layers;
    auto root = reader.decodeRootObject<std::vector<std::shared_ptr<CPTLayer>>>({"Labels"}, [](KeyedUnarchiver& c) {
        auto list = std::make_shared<std::vector<std::shared_ptr<CPTLayer>>>();
        for (const char* key : {"first", "second"})
            list->push_back(c.decodeSharedObject<CPTLayer>(key, {"CPTTextLayer"}, CPTLayer::layerWithCoder));
        return list;
    });
    ASSERT_NE(root, nullptr) << reader.error();
    const auto& a = dynamic_cast<const CPTTextLayer&>(*root->at(0));
    const auto& b = dynamic_cast<const CPTTextLayer&>(*root->at(1));
    EXPECT_EQ(a.textStyle(), b.textStyle());
    EXPECT_EQ(a.text(), std::optional<std::string>("one"));
    EXPECT_EQ(b.text(), std::optional<std::string>("two"));
}

TEST(CPTLayerArchiving, TheGraphLinkPointsAtTheDecodedGraph) {
    auto graph = graphWithPlotArea(200, 100);
    auto layer = std::make_shared<CPTBorderedLayer>(CGRect(0, 0, 10, 10));
    layer->setGraph(graph.get());
    KeyedArchiver coder("CPTXYGraph");
    coder.setRootIdentity(static_cast<const CPTLayer*>(graph.get()));
    coder.encodeSharedObject(static_cast<const CPTLayer*>(layer.get()), layer->className(), "layer",
                             [&layer](KeyedArchiver& c) { layer->encodeWithCoder(c); });
    KeyedUnarchiver reader(coder.encodedData());
    std::shared_ptr<CPTLayer> decodedLayer;
    auto decodedGraph = reader.decodeRootObject<CPTLayer>({"CPTXYGraph"}, [&decodedLayer](KeyedUnarchiver& c) {
        decodedLayer = c.decodeSharedObject<CPTLayer>("layer", {"CPTBorderedLayer"}, CPTLayer::layerWithCoder);
        return std::shared_ptr<CPTLayer>(graphWithPlotArea(200, 100));
    });
    ASSERT_NE(decodedGraph, nullptr) << reader.error();
    ASSERT_NE(decodedLayer, nullptr);
    EXPECT_EQ(decodedLayer->graph(), decodedGraph.get());
    // Alone, the layer has no graph to link to.
    auto alone = unarchive(archive(*layer));
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(alone->graph(), nullptr);
}

TEST(CPTLayerArchiving, DamagedValuesFailTheDecode) {
    const std::vector<refusedArchives::Case> cases = {
        {"a bound that is not finite", "CPTLayer",
         [](KeyedArchiver& c) { c.encodeDouble(NAN, "Layer.bounds.size.width"); }, "not a finite number"},
        {"an infinite padding", "CPTBorderedLayer",
         [](KeyedArchiver& c) { c.encodeDouble(INFINITY, "CPTLayer.paddingTop"); }, "not a finite number"},
        {"a background that is no colour", "CPTLayer",
         [](KeyedArchiver& c) { c.encodeValue(Value(Value::Array{Value(1.0)}), "Layer.backgroundColor"); }, "not a colour"},
        {"a fill of another class", "CPTBorderedLayer",
         [](KeyedArchiver& c) { c.encodeSharedObject(&c, "CPTColor", "CPTBorderedLayer.fill", nullptr); },
         "unexpected class"},
        {"a text of another type", "CPTTextLayer", [](KeyedArchiver& c) { c.encodeInt32(5, "CPTTextLayer.text"); },
         "not a string"},
        {"a layer of a class not known", "CPTWidgetLayer", [](KeyedArchiver&) {}, "unexpected class"},
    };
    refusedArchives::expectRefused(cases, unarchive);
}
