// The legend of a graph: a bordered layer that the graph places with an annotation at its legend
// anchor. The entries, their layout and drawing live with the legend's own code; the swatch settings
// that plots read when they draw their swatches are here.
#pragma once

#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTBorderedLayer.h"

#include <memory>

class CPTLegend : public CPTBorderedLayer {
  public:
    explicit CPTLegend(const CGRect& frame = {}) : CPTBorderedLayer(frame) {}
    const char* className() const override { return "CPTLegend"; }

    // Copied; each change redraws.
    const std::shared_ptr<CPTFill>& swatchFill() const { return swatchFill_; }
    void setSwatchFill(const std::shared_ptr<CPTFill>& fill) {
        if (fill == swatchFill_)
            return;
        swatchFill_ = fill ? fill->copy() : nullptr;
        setNeedsDisplay();
    }
    const std::shared_ptr<CPTLineStyle>& swatchBorderLineStyle() const { return swatchBorderLineStyle_; }
    void setSwatchBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
        if (style == swatchBorderLineStyle_)
            return;
        swatchBorderLineStyle_ = style ? style->copy() : nullptr;
        setNeedsDisplay();
    }
    CGFloat swatchCornerRadius() const { return swatchCornerRadius_; }
    void setSwatchCornerRadius(CGFloat radius) {
        if (radius == swatchCornerRadius_)
            return;
        swatchCornerRadius_ = radius;
        setNeedsDisplay();
    }

  private:
    std::shared_ptr<CPTFill> swatchFill_;
    std::shared_ptr<CPTLineStyle> swatchBorderLineStyle_;
    CGFloat swatchCornerRadius_ = 0;
};
