// How a line is stroked: cap, join, miter limit, width, dash, and a colour, a fill painted into the
// stroke's outline, or a gradient across the line's width. Immutable; the mutable subclass only makes
// the fields writable. Line styles are equal only to themselves.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Context.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTGradient.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The platform's cap and join numbers.
using CGLineCap = std::int32_t;  // 0 butt, 1 round, 2 square
using CGLineJoin = std::int32_t; // 0 miter, 1 round, 2 bevel

class CPTMutableLineStyle;

class CPTLineStyle {
  public:
    // Butt caps, miter joins, miter limit 10, width 1, solid, black.
    CPTLineStyle();
    virtual ~CPTLineStyle() = default;
    CPTLineStyle(const CPTLineStyle&) = delete;
    CPTLineStyle& operator=(const CPTLineStyle&) = delete;

    static std::shared_ptr<CPTLineStyle> lineStyle();
    // All nine fields of `style`; colour, fill and gradient objects are shared.
    static std::shared_ptr<CPTLineStyle> lineStyleWithStyle(const CPTLineStyle& style);

    CGLineCap lineCap() const { return lineCap_; }
    CGLineJoin lineJoin() const { return lineJoin_; }
    CGFloat miterLimit() const { return miterLimit_; }
    CGFloat lineWidth() const { return lineWidth_; }
    // Dash lengths in points; empty is a solid line.
    const std::vector<CGFloat>& dashPattern() const { return dashPattern_; }
    CGFloat patternPhase() const { return patternPhase_; }
    const std::shared_ptr<CPTColor>& lineColor() const { return lineColor_; }
    const std::shared_ptr<CPTFill>& lineFill() const { return lineFill_; }
    const std::shared_ptr<CPTGradient>& lineGradient() const { return lineGradient_; }

    // Applies cap, join, miter limit, width, dash and stroke colour, in that order; the fill colour is
    // left alone, and so is the stroke colour when there is no colour.
    void setLineStyleInContext(gfx::Context& context) const;
    // With a gradient: strokes across the width; with a fill: paints the stroke's outline; else a plain
    // stroke. Uses what setLineStyleInContext applied; consumes the current path.
    void strokePathInContext(gfx::Context& context) const;
    void strokeRect(CGRect rect, gfx::Context& context) const;
    // Ever narrower strokes of the current path from full width down, each two device pixels narrower,
    // coloured from position 0 (the outer edges) towards 1 (the centre line). At most 4,096 strokes; a
    // device scale of 0 or one that is not finite draws the full-width stroke alone.
    void strokePathWithGradient(const CPTGradient* gradient, gfx::Context& context) const;

    // No when dashed with more than one length; else that of the gradient, fill or colour, the first
    // that is set; no when none is.
    bool isOpaque() const;

    // Always the immutable class, and always the mutable one, whatever the receiver.
    std::shared_ptr<CPTLineStyle> copy() const;
    std::shared_ptr<CPTMutableLineStyle> mutableCopy() const;
    gfx::Image debugQuickLookObject() const;

    // Keys "CPTLineStyle.lineCap", ".lineJoin", ".miterLimit", ".lineWidth", ".dashPattern" (an array
    // of numbers), ".patternPhase", ".lineColor", ".lineFill", ".lineGradient". Missing keys read as 0
    // or nothing: a style without "CPTLineStyle.lineColor" has no colour.
    static bool supportsSecureCoding() { return true; }
    virtual const char* className() const { return "CPTLineStyle"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    // Of either class, as the archive names it; nothing when unreadable.
    static std::shared_ptr<CPTLineStyle> lineStyleWithCoder(foundation::KeyedUnarchiver& coder);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTLineStyle> decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

  protected:
    void copyFieldsFrom(const CPTLineStyle& other);
    bool decodeFields(foundation::KeyedUnarchiver& coder);

    CGLineCap lineCap_ = 0;
    CGLineJoin lineJoin_ = 0;
    CGFloat miterLimit_ = 10;
    CGFloat lineWidth_ = 1;
    std::vector<CGFloat> dashPattern_;
    CGFloat patternPhase_ = 0;
    std::shared_ptr<CPTColor> lineColor_;
    std::shared_ptr<CPTFill> lineFill_;
    std::shared_ptr<CPTGradient> lineGradient_;
};

class CPTMutableLineStyle : public CPTLineStyle {
  public:
    static std::shared_ptr<CPTMutableLineStyle> lineStyle();
    static std::shared_ptr<CPTMutableLineStyle> lineStyleWithStyle(const CPTLineStyle& style);

    // Plain stores; objects are shared, not copied.
    void setLineCap(CGLineCap cap) { lineCap_ = cap; }
    void setLineJoin(CGLineJoin join) { lineJoin_ = join; }
    void setMiterLimit(CGFloat limit) { miterLimit_ = limit; }
    void setLineWidth(CGFloat width) { lineWidth_ = width; }
    void setDashPattern(std::vector<CGFloat> pattern) { dashPattern_ = std::move(pattern); }
    void setPatternPhase(CGFloat phase) { patternPhase_ = phase; }
    void setLineColor(std::shared_ptr<CPTColor> color) { lineColor_ = std::move(color); }
    void setLineFill(std::shared_ptr<CPTFill> fill) { lineFill_ = std::move(fill); }
    void setLineGradient(std::shared_ptr<CPTGradient> gradient) { lineGradient_ = std::move(gradient); }

    const char* className() const override { return "CPTMutableLineStyle"; }
};

// Edge alignment when the rect has a height, the context scales (device height over user height is
// not 1) and the style's width is a positive whole number; centre alignment otherwise, also without a
// style.
CGRect CPTRectAlignedForLineStyle(const gfx::Context& context, const CPTLineStyle* lineStyle, CGRect rect);
