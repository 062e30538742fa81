// The marker drawn at each data point of a point plot: a shape of a given size with an outline style, an
// interior fill and a shadow. It draws as vectors, or through a drawing made once per scale and replayed
// at every point (kept as vectors, so a PDF stays vector). Plot symbols are equal only to themselves.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/DrawingLayer.h"
#include "platform/graphics/Path.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTShadow.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>
#include <string_view>

enum CPTPlotSymbolType : std::int64_t {
    CPTPlotSymbolTypeNone = 0,
    CPTPlotSymbolTypeRectangle = 1,
    CPTPlotSymbolTypeEllipse = 2,
    CPTPlotSymbolTypeDiamond = 3,
    CPTPlotSymbolTypeTriangle = 4,
    CPTPlotSymbolTypeStar = 5,
    CPTPlotSymbolTypePentagon = 6,
    CPTPlotSymbolTypeHexagon = 7,
    CPTPlotSymbolTypeCross = 8,
    CPTPlotSymbolTypePlus = 9,
    CPTPlotSymbolTypeDash = 10,
    CPTPlotSymbolTypeSnow = 11,
    CPTPlotSymbolTypeCustom = 12,
};

class CPTPlotSymbol {
  public:
    // No shape, 5 x 5, anchored at its centre, a default line style, no fill, no shadow.
    CPTPlotSymbol();
    CPTPlotSymbol(const CPTPlotSymbol&) = delete;
    CPTPlotSymbol& operator=(const CPTPlotSymbol&) = delete;

    static std::shared_ptr<CPTPlotSymbol> plotSymbol();
    static std::shared_ptr<CPTPlotSymbol> rectanglePlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> ellipsePlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> diamondPlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> trianglePlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> starPlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> pentagonPlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> hexagonPlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> crossPlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> plusPlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> dashPlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> snowPlotSymbol();
    static std::shared_ptr<CPTPlotSymbol> customPlotSymbolWithPath(const gfx::Path& path);

    // Size, type, custom path and shadow drop the outline and the cached drawing; line style, fill and
    // clip rule drop only the drawing; the anchor point drops nothing.
    CPTPlotSymbolType symbolType() const { return symbolType_; }
    void setSymbolType(CPTPlotSymbolType type);
    CGSize size() const { return size_; }
    void setSize(CGSize size);
    // The point of the symbol's box, in fractions of it, that lies on the data point.
    CGPoint anchorPoint() const { return anchorPoint_; }
    void setAnchorPoint(CGPoint anchor) { anchorPoint_ = anchor; }
    const std::shared_ptr<CPTLineStyle>& lineStyle() const { return lineStyle_; }
    void setLineStyle(std::shared_ptr<CPTLineStyle> style);
    const std::shared_ptr<CPTFill>& fill() const { return fill_; }
    void setFill(std::shared_ptr<CPTFill> fill);
    const std::shared_ptr<CPTShadow>& shadow() const { return shadow_; }
    // Stores a copy of a shadow other than the one stored.
    void setShadow(const std::shared_ptr<CPTShadow>& shadow);
    const std::optional<gfx::Path>& customSymbolPath() const { return customSymbolPath_; }
    void setCustomSymbolPath(std::optional<gfx::Path> path);
    bool usesEvenOddClipRule() const { return usesEvenOddClipRule_; }
    void setUsesEvenOddClipRule(bool evenOdd);

    // The outline for the type and size, built on first use and kept.
    const gfx::Path& cachedSymbolPath() const;
    gfx::Path newSymbolPath() const;
    bool hasCachedSymbolPath() const { return cachedSymbolPath_.has_value(); }
    // The cached drawing and its scale (0 without one), and how many drawings the symbol has made.
    const gfx::DrawingLayer* cachedLayer() const { return cachedLayer_.get(); }
    CGFloat cachedScale() const { return cachedScale_; }
    std::uint64_t cachedLayersMade() const { return cachedLayersMade_; }

    // In device pixels: the box, the shadow's blur and offset on both sides and the line width, times
    // the scale, plus one pixel on each side.
    CGSize layerSizeForScale(CGFloat scale) const;

    // Draws the symbol with the anchor point of its box on the point, scaled: the fill inside the outline,
    // then the outline, in one transparency layer so that both cast one shadow. Types 8 to 11 are only
    // stroked; no type, or no outline, draws nothing.
    void renderAsVectorInContext(gfx::Context& context, CGPoint point, CGFloat scale) const;
    // The same through the drawing cached for the scale, made when there is none for it. Aligned, the
    // drawing's corner is snapped to whole device pixels (at scale 1 halves go away from zero).
    void renderInContext(gfx::Context& context, CGPoint point, CGFloat scale, bool alignToPixels);
    // Whether copies at many points look the same drawn as one path stroked once as drawn one by one: a
    // type that is only stroked (its outline is separate segments, so nothing joins), no shadow, and a
    // line of one opaque colour without dash, gradient or fill, whose caps are not square (a square cap
    // may reach past the cached drawing's edge, which cuts it).
    bool drawsAsOnePath() const;
    // The symbol at every point, each placed as renderInContext places it: when drawsAsOnePath, the
    // outline stroked at every point in one call where the device can (a bitmap does), else the outlines
    // of a few dozen symbols at a time joined in one path and stroked once; otherwise one by one through
    // the cached drawing.
    void renderAtPointsInContext(gfx::Context& context, std::span<const CGPoint> points, CGFloat scale,
                                 bool alignToPixels);
    // The same with points the call may use up: their storage holds the placed centres, so a great many
    // points cost no second array.
    void renderAtPointsInContext(gfx::Context& context, std::vector<CGPoint>&& points, CGFloat scale,
                                 bool alignToPixels);

    // Same anchor, size, type and clip rule; copies of the line style, fill, shadow and custom path.
    std::shared_ptr<CPTPlotSymbol> copy() const;
    gfx::Image debugQuickLookObject() const;

    // Keys "CPTPlotSymbol.anchorPoint", ".size", ".symbolType", ".lineStyle", ".fill", ".shadow",
    // ".customSymbolPath", ".usesEvenOddClipRule". A decoded symbol has no cached outline or drawing.
    static bool supportsSecureCoding() { return true; }
    static constexpr const char* className() { return "CPTPlotSymbol"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    static std::shared_ptr<CPTPlotSymbol> plotSymbolWithCoder(foundation::KeyedUnarchiver& coder);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTPlotSymbol> decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

  private:
    static std::shared_ptr<CPTPlotSymbol> ofType(CPTPlotSymbolType type);
    // The outline stroked at each point, the points turned into the centres in place (drawsAsOnePath).
    void strokeAtPoints(gfx::Context& context, std::span<CGPoint> points, CGFloat scale, bool alignToPixels);
    // Whether a drawing can be made for the scale: a positive finite scale and drawing size.
    bool drawableAtScale(CGFloat scale) const;
    // The symbol's centre for a data point, where renderInContext puts the middle of the cached drawing.
    CGPoint centreForPoint(CGPoint point, CGSize drawn, CGFloat scale, bool alignToPixels) const;
    void dropPath();
    void dropLayer();

    CPTPlotSymbolType symbolType_ = CPTPlotSymbolTypeNone;
    CGSize size_{5, 5};
    CGPoint anchorPoint_{0.5, 0.5};
    std::shared_ptr<CPTLineStyle> lineStyle_;
    std::shared_ptr<CPTFill> fill_;
    std::shared_ptr<CPTShadow> shadow_;
    std::optional<gfx::Path> customSymbolPath_;
    bool usesEvenOddClipRule_ = false;
    mutable std::optional<gfx::Path> cachedSymbolPath_;
    std::unique_ptr<gfx::DrawingLayer> cachedLayer_;
    CGFloat cachedScale_ = 0;
    std::uint64_t cachedLayersMade_ = 0;
};
