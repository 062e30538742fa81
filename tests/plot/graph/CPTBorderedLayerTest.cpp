// Bordered layers: fill and border, margins, the clipping shapes, and the border layer that stands
// in the tree for a clipping layer.
#include "plot/graph/CPTBorderedLayer.h"
#include "GraphFixtures.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<CPTLineStyle> lineOf(double width) {
    auto style = std::make_shared<CPTMutableLineStyle>();
    style->setLineWidth(width);
    style->setLineColor(CPTColor::blueColor());
    return style;
}

class FilledLayer : public CPTLayer {
  public:
    using CPTLayer::CPTLayer;
    void renderAsVectorInContext(gfx::Context& ctx) override {
        CPTLayer::renderAsVectorInContext(ctx);
        ctx.setFillColor({0, 1, 0, 1});
        ctx.fillRect(bounds());
    }
};

// A layer that leaves its sublayers where they are put.
class StillLayer : public CPTLayer {
  public:
    using CPTLayer::CPTLayer;
    void layoutSublayers() override {}
};

std::vector<std::string> paintLines(const gfx::Recorder& recorder) {
    std::vector<std::string> out;
    for (const auto& line : recorder.lines())
        if (line.rfind("clip", 0) != 0)
            out.push_back(line);
    return out;
}

} // namespace

TEST(CPTBorderedLayer, FillThenBorderInsetByHalfItsWidth) {
    auto layer = std::make_shared<CPTBorderedLayer>(CGRect(0, 0, 100, 50));
    layer->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    layer->setBorderLineStyle(lineOf(4));
    auto rc = gfx::makeRecordingContext();
    layer->renderAsVectorInContext(*rc.context);
    auto lines = rc.recorder->lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("fill winding", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("color 1 0 0 1"), std::string::npos);
    EXPECT_EQ(lines[1],
              "stroke M 2 2 L 98 2 L 98 48 L 2 48 Z color 0 0 1 1 width 4 cap butt join miter miter 10");
    // The platform's masksToBounds is back as it was after the fill borrowed it.
    EXPECT_FALSE(layer->masksToBounds());

    CGFloat left = 0, top = 0, right = 0, bottom = 0;
    layer->setPaddingLeft(1);
    layer->sublayerMargin(left, top, right, bottom);
    EXPECT_EQ(left, 3);
    EXPECT_EQ(top, 2);
    EXPECT_EQ(right, 2);
    EXPECT_EQ(bottom, 2);
}

TEST(CPTBorderedLayer, MaskingPathsFollowTheirSwitches) {
    auto layer = std::make_shared<CPTBorderedLayer>(CGRect(0, 0, 100, 50));
    layer->setBorderLineStyle(lineOf(4));
    layer->setCornerRadius(10);
    EXPECT_EQ(layer->maskingPath(), nullptr);
    EXPECT_EQ(layer->sublayerMaskingPath(), nullptr);
    layer->setMasksToBounds(true);
    ASSERT_NE(layer->maskingPath(), nullptr);
    EXPECT_EQ(*layer->maskingPath(), CPTPathCreateRoundedRect(CGRect(0, 0, 100, 50), 12));
    layer->setMasksToBounds(false);
    EXPECT_EQ(layer->maskingPath(), nullptr) << "even with the outer path cached";
    EXPECT_TRUE(layer->outerBorderPath().has_value());
    layer->setMasksToBorder(true);
    ASSERT_NE(layer->sublayerMaskingPath(), nullptr);
    EXPECT_EQ(*layer->sublayerMaskingPath(), CPTPathCreateRoundedRect(CGRect(4, 4, 92, 42), 8));
    ASSERT_NE(layer->mask(), nullptr);
    // A new width drops the cached shapes.
    layer->setBorderLineStyle(lineOf(2));
    EXPECT_FALSE(layer->innerBorderPath().has_value());
    EXPECT_EQ(*layer->sublayerMaskingPath(), CPTPathCreateRoundedRect(CGRect(2, 2, 96, 46), 9));
}

TEST(CPTBorderedLayer, ClippingClipsAGrandchildToTheInnerShape) {
    auto root = std::make_shared<StillLayer>(CGRect(0, 0, 200, 200));
    auto bordered = std::make_shared<CPTBorderedLayer>(CGRect(10, 10, 100, 100));
    bordered->setBorderLineStyle(lineOf(4));
    bordered->setCornerRadius(10);
    bordered->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    bordered->setMasksToBorder(true);
    root->addSublayer(bordered);
    auto child = std::make_shared<CPTLayer>(CGRect(0, 0, 100, 100));
    auto grandchild = std::make_shared<FilledLayer>(CGRect(-20, -20, 300, 300));
    bordered->addSublayer(child);
    child->addSublayer(grandchild);
    // The first geometry change wraps the layer in its border layer.
    bordered->setFrame(CGRect(10, 10, 100, 100));
    auto* border = dynamic_cast<CPTBorderLayer*>(bordered->superlayer());
    ASSERT_NE(border, nullptr);
    EXPECT_EQ(border->superlayer(), root.get());
    EXPECT_EQ(border->maskedLayer(), bordered);
    root->layoutIfNeeded();
    child->setFrame(CGRect(0, 0, 100, 100));
    grandchild->setFrame(CGRect(-20, -20, 300, 300));

    auto rc = gfx::makeRecordingContext(CGRect(0, 0, 200, 200));
    root->recursivelyRenderInContext(*rc.context);
    gfx::Path inner = CPTPathCreateRoundedRect(CGRect(14, 14, 92, 92), 8);
    bool clipped = false;
    for (const auto& r : rc.recorder->records())
        clipped = clipped || (r.op == gfx::Recorder::Op::Clip && r.path == inner);
    EXPECT_TRUE(clipped) << "the grandchild is clipped to the inner border shape";
    // Rendering from inside the clipped layer still honours the clip above it.
    auto inside = gfx::makeRecordingContext(CGRect(0, 0, 200, 200));
    child->recursivelyRenderInContext(*inside.context);
    gfx::Path innerInChild = CPTPathCreateRoundedRect(CGRect(4, 4, 92, 92), 8);
    bool clippedInside = false;
    for (const auto& r : inside.recorder->records())
        clippedInside = clippedInside || (r.op == gfx::Recorder::Op::Clip && r.path == innerInChild);
    EXPECT_TRUE(clippedInside);
    // The border layer drew the fill and the border; the layer itself drew nothing.
    auto lines = paintLines(*rc.recorder);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("color 1 0 0 1"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].rfind("stroke", 0), 0u) << lines[1];
    EXPECT_NE(lines[2].find("color 0 1 0 1"), std::string::npos) << lines[2];
}

TEST(CPTBorderedLayer, WrappingAndUnwrappingKeepPlaceTransformAndBackground) {
    auto root = std::make_shared<StillLayer>(CGRect(0, 0, 200, 200));
    auto before = std::make_shared<CPTLayer>();
    auto bordered = std::make_shared<CPTBorderedLayer>(CGRect(10, 20, 100, 50));
    auto after = std::make_shared<CPTLayer>();
    bordered->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    bordered->setBorderLineStyle(lineOf(2));
    bordered->setTransform(gfx::AffineTransform::rotation(0.25));
    bordered->setBackgroundColor(gfx::Color{0, 1, 0, 1});
    root->setSublayers({before, bordered, after});
    auto plain = gfx::makeRecordingContext(CGRect(0, 0, 200, 200));
    root->recursivelyRenderInContext(*plain.context);

    bordered->setMasksToBorder(true);
    bordered->setPosition(bordered->position());
    auto* border = dynamic_cast<CPTBorderLayer*>(bordered->superlayer());
    ASSERT_NE(border, nullptr);
    EXPECT_EQ(root->sublayers()[1].get(), border);
    EXPECT_EQ(border->transform(), gfx::AffineTransform::rotation(0.25));
    EXPECT_EQ(bordered->transform(), gfx::AffineTransform{});
    EXPECT_EQ(border->backgroundColor(), (gfx::Color{0, 1, 0, 1}));
    EXPECT_EQ(bordered->backgroundColor(), std::nullopt);
    root->layoutIfNeeded();
    auto wrapped = gfx::makeRecordingContext(CGRect(0, 0, 200, 200));
    root->recursivelyRenderInContext(*wrapped.context);
    EXPECT_EQ(paintLines(*wrapped.recorder), paintLines(*plain.recorder))
        << "the same fill and border, same place";

    bordered->setMasksToBorder(false);
    EXPECT_EQ(root->sublayers()[1].get(), bordered.get());
    EXPECT_EQ(bordered->transform(), gfx::AffineTransform::rotation(0.25));
    EXPECT_EQ(bordered->backgroundColor(), (gfx::Color{0, 1, 0, 1}));
    EXPECT_EQ(bordered->bounds(), CGRect(0, 0, 100, 50));
    auto back = gfx::makeRecordingContext(CGRect(0, 0, 200, 200));
    root->recursivelyRenderInContext(*back.context);
    EXPECT_EQ(back.recorder->lines(), plain.recorder->lines());
}

TEST(CPTBorderedLayer, GeometryBeforeASuperlayerStaysWithTheLayer) {
    auto bordered = std::make_shared<CPTBorderedLayer>();
    bordered->setMasksToBorder(true);
    bordered->setFrame(CGRect(5, 6, 70, 80));
    bordered->setHidden(true);
    EXPECT_EQ(bordered->frame(), CGRect(5, 6, 70, 80));
    EXPECT_TRUE(bordered->isHidden());
}

TEST(CPTBorderedLayer, RemovingAWrappedLayerRemovesItsBorderLayer) {
    auto root = std::make_shared<StillLayer>(CGRect(0, 0, 200, 200));
    auto bordered = std::make_shared<CPTBorderedLayer>(CGRect(10, 20, 100, 50));
    root->addSublayer(bordered);
    bordered->setMasksToBorder(true);
    bordered->setHidden(true);
    auto* border = dynamic_cast<CPTBorderLayer*>(bordered->superlayer());
    ASSERT_NE(border, nullptr);
    EXPECT_TRUE(border->isHidden()) << "hiding goes to the border layer";
    bordered->removeFromSuperlayer();
    EXPECT_TRUE(root->sublayers().empty());
    EXPECT_EQ(bordered->superlayer(), nullptr);
}

TEST(CPTMaskLayer, PaintsItsOwnersInnerShape) {
    auto owner = std::make_shared<CPTBorderedLayer>(CGRect(0, 0, 100, 50));
    owner->setBorderLineStyle(lineOf(4));
    owner->setMasksToBorder(true);
    auto mask = std::make_shared<CPTMaskLayer>(CGRect(0, 0, 100, 50));
    owner->addSublayer(mask);
    auto rc = gfx::makeRecordingContext();
    mask->renderAsVectorInContext(*rc.context);
    EXPECT_EQ(rc.recorder->lines(),
              std::vector<std::string>{"fill winding M 4 4 L 96 4 L 96 46 L 4 46 Z color 0 0 0 1"});
}
