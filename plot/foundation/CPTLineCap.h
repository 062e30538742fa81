// A decoration at the end of a line (an arrow head at the end of an axis, say): a shape of a given size
// with an outline style and an interior fill, drawn at a point and turned to face the line's direction.
// Line caps are equal only to themselves.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Path.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

enum CPTLineCapType : std::int64_t {
    CPTLineCapTypeNone = 0,
    CPTLineCapTypeOpenArrow = 1,
    CPTLineCapTypeSolidArrow = 2,
    CPTLineCapTypeSweptArrow = 3,
    CPTLineCapTypeRectangle = 4,
    CPTLineCapTypeEllipse = 5,
    CPTLineCapTypeDiamond = 6,
    CPTLineCapTypePentagon = 7,
    CPTLineCapTypeHexagon = 8,
    CPTLineCapTypeBar = 9,
    CPTLineCapTypeCross = 10,
    CPTLineCapTypeSnow = 11,
    CPTLineCapTypeCustom = 12,
};

class CPTLineCap {
  public:
    // No shape, 5 x 5, a default line style, no fill.
    CPTLineCap();
    CPTLineCap(const CPTLineCap&) = delete;
    CPTLineCap& operator=(const CPTLineCap&) = delete;

    static std::shared_ptr<CPTLineCap> lineCap();
    static std::shared_ptr<CPTLineCap> openArrowPlotLineCap();
    static std::shared_ptr<CPTLineCap> solidArrowPlotLineCap();
    static std::shared_ptr<CPTLineCap> sweptArrowPlotLineCap();
    static std::shared_ptr<CPTLineCap> rectanglePlotLineCap();
    static std::shared_ptr<CPTLineCap> ellipsePlotLineCap();
    static std::shared_ptr<CPTLineCap> diamondPlotLineCap();
    static std::shared_ptr<CPTLineCap> pentagonPlotLineCap();
    static std::shared_ptr<CPTLineCap> hexagonPlotLineCap();
    static std::shared_ptr<CPTLineCap> barPlotLineCap();
    static std::shared_ptr<CPTLineCap> crossPlotLineCap();
    static std::shared_ptr<CPTLineCap> snowPlotLineCap();
    static std::shared_ptr<CPTLineCap> customLineCapWithPath(const gfx::Path& path);

    CPTLineCapType lineCapType() const { return lineCapType_; }
    // A new type, size or custom path rebuilds the outline at the next drawing.
    void setLineCapType(CPTLineCapType type);
    CGSize size() const { return size_; }
    void setSize(CGSize size);
    const std::optional<gfx::Path>& customLineCapPath() const { return customLineCapPath_; }
    void setCustomLineCapPath(std::optional<gfx::Path> path);
    const std::shared_ptr<CPTLineStyle>& lineStyle() const { return lineStyle_; }
    void setLineStyle(std::shared_ptr<CPTLineStyle> style) { lineStyle_ = std::move(style); }
    const std::shared_ptr<CPTFill>& fill() const { return fill_; }
    void setFill(std::shared_ptr<CPTFill> fill) { fill_ = std::move(fill); }
    bool usesEvenOddClipRule() const { return usesEvenOddClipRule_; }
    void setUsesEvenOddClipRule(bool evenOdd) { usesEvenOddClipRule_ = evenOdd; }

    // The outline for the type and size, built on first use and kept.
    const gfx::Path& cachedLineCapPath() const;
    bool hasCachedLineCapPath() const { return cachedLineCapPath_.has_value(); }
    // The outline in the cap's own box: the line ends at the origin and runs out along +y.
    gfx::Path newLineCapPath() const;

    // The cap at the point with its +y axis along the direction: the fill inside the outline, then the
    // outline stroked. Types 1 and 9 to 11 are only stroked; no type, or no outline, draws nothing.
    void renderAsVectorInContext(gfx::Context& context, CGPoint point, CGPoint direction) const;

    // Same size, type and clip rule; copies of the line style, fill and custom path.
    std::shared_ptr<CPTLineCap> copy() const;
    gfx::Image debugQuickLookObject() const;

    // Keys "CPTLineCap.size", ".lineCapType", ".lineStyle", ".fill", ".customLineCapPath",
    // ".usesEvenOddClipRule". A decoded cap has no cached outline.
    static bool supportsSecureCoding() { return true; }
    static constexpr const char* className() { return "CPTLineCap"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    static std::shared_ptr<CPTLineCap> lineCapWithCoder(foundation::KeyedUnarchiver& coder);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTLineCap> decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

  private:
    static std::shared_ptr<CPTLineCap> ofType(CPTLineCapType type);

    CPTLineCapType lineCapType_ = CPTLineCapTypeNone;
    CGSize size_{5, 5};
    std::shared_ptr<CPTLineStyle> lineStyle_;
    std::shared_ptr<CPTFill> fill_;
    std::optional<gfx::Path> customLineCapPath_;
    bool usesEvenOddClipRule_ = false;
    mutable std::optional<gfx::Path> cachedLineCapPath_;
};
