// Layers with a fill and a border line that can clip their content to the inside of the border.
// While clipping, a border layer takes the bordered layer's place in the tree and draws the fill and
// border outside the clip; a mask layer holds the inner shape.
#pragma once

#include "plot/graph/CPTAnnotationHostLayer.h"

#include <memory>

class CPTFill;
class CPTLineStyle;

class CPTBorderedLayer : public CPTAnnotationHostLayer {
  public:
    explicit CPTBorderedLayer(const CGRect& frame = {});
    ~CPTBorderedLayer() override;

    const char* className() const override { return "CPTBorderedLayer"; }

    // Both copied on set; none draws no border or no fill.
    const std::shared_ptr<CPTLineStyle>& borderLineStyle() const { return borderLineStyle_; }
    virtual void setBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    const std::shared_ptr<CPTFill>& fill() const { return fill_; }
    virtual void setFill(const std::shared_ptr<CPTFill>& fill);
    // True while a border layer sets this layer's frame.
    bool inLayout() const { return inLayout_; }
    void setInLayout(bool value) { inLayout_ = value; }

    // The layer that stands in the tree for this one: this layer, or while clipping the border layer
    // wrapped around it (made here on first need, undone here once clipping is off). None while
    // clipping without a superlayer.
    CPTLayer* borderLayer();

    void renderAsVectorInContext(gfx::Context& ctx) override;
    // The fill inside the outer shape, then the border centred half its width inside the bounds.
    void renderBorderedLayerAsVectorInContext(gfx::Context& ctx);

    void sublayerMargin(CGFloat& left, CGFloat& top, CGFloat& right, CGFloat& bottom) const override;
    void layoutSublayers() override;
    const gfx::Path* maskingPath() override;
    const gfx::Path* sublayerMaskingPath() override;

    void setCornerRadius(CGFloat radius) override;
    void setMasksToBorder(bool value) override;
    void setShadow(const std::shared_ptr<CPTShadow>& shadow) override;
    void setGraph(CPTGraph* graph) override;
    void removeFromSuperlayer() override;

    // While clipping, geometry, hiding, transform and background colour go to the border layer.
    void setBounds(const CGRect& bounds) override;
    void setPosition(CGPoint position) override;
    void setAnchorPoint(CGPoint anchor) override;
    void setHidden(bool hidden) override;
    void setTransform(const gfx::AffineTransform& transform) override;
    void setBackgroundColor(std::optional<gfx::Color> color) override;

    // After the base keys: "CPTBorderedLayer.borderLineStyle" and "CPTBorderedLayer.fill"; a decoded
    // layer is not in layout.
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;

  protected:
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

  private:
    CGFloat borderWidth() const;
    void updateOpacity();
    // The border layer when clipping routes a change to one; null when the change is this layer's own.
    CPTLayer* routeTarget(bool geometry);

    std::shared_ptr<CPTLineStyle> borderLineStyle_;
    std::shared_ptr<CPTFill> fill_;
    bool inLayout_ = false;
};

// Stands in the tree for a clipping bordered layer: draws its fill and border and frames it.
class CPTBorderLayer : public CPTLayer {
  public:
    explicit CPTBorderLayer(const CGRect& frame = {});
    const char* className() const override { return "CPTBorderLayer"; }

    const std::shared_ptr<CPTBorderedLayer>& maskedLayer() const { return maskedLayer_; }
    void setMaskedLayer(const std::shared_ptr<CPTBorderedLayer>& layer);

    void renderAsVectorInContext(gfx::Context& ctx) override;
    void layoutSublayers() override;
    LayerSet sublayersExcludedFromAutomaticLayout() const override;
    void setBounds(const CGRect& bounds) override;

    // After the base keys: "CPTBorderLayer.maskedLayer", the bordered layer it stands for, which decodes
    // back inside it.
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;

  protected:
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

  private:
    std::shared_ptr<CPTBorderedLayer> maskedLayer_;
};

// The platform mask of a clipping bordered layer: paints the inner border shape.
class CPTMaskLayer : public CPTLayer {
  public:
    explicit CPTMaskLayer(const CGRect& frame = {});
    const char* className() const override { return "CPTMaskLayer"; }
    void renderAsVectorInContext(gfx::Context& ctx) override;
};
