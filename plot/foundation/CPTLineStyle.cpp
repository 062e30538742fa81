// Line styles: applying the stroke parameters, the three ways of stroking, copies and archives.
#include "plot/foundation/CPTLineStyle.h"

#include "plot/foundation/CPTArchiving.h"
#include "plot/foundation/CPTDrawingUtilities.h"

#include <cmath>

namespace {
// A bound on the strokes of one gradient line: a huge device scale would otherwise narrow it by
// almost nothing each time.
constexpr int kMaxGradientStrokes = 4096;
} // namespace

CPTLineStyle::CPTLineStyle() : lineColor_(CPTColor::blackColor()) {}

std::shared_ptr<CPTLineStyle> CPTLineStyle::lineStyle() {
    return std::make_shared<CPTLineStyle>();
}

std::shared_ptr<CPTMutableLineStyle> CPTMutableLineStyle::lineStyle() {
    return std::make_shared<CPTMutableLineStyle>();
}

void CPTLineStyle::copyFieldsFrom(const CPTLineStyle& other) {
    lineCap_ = other.lineCap_;
    lineJoin_ = other.lineJoin_;
    miterLimit_ = other.miterLimit_;
    lineWidth_ = other.lineWidth_;
    dashPattern_ = other.dashPattern_;
    patternPhase_ = other.patternPhase_;
    lineColor_ = other.lineColor_;
    lineFill_ = other.lineFill_;
    lineGradient_ = other.lineGradient_;
}

std::shared_ptr<CPTLineStyle> CPTLineStyle::lineStyleWithStyle(const CPTLineStyle& style) {
    return style.copy();
}

std::shared_ptr<CPTMutableLineStyle> CPTMutableLineStyle::lineStyleWithStyle(const CPTLineStyle& style) {
    return style.mutableCopy();
}

std::shared_ptr<CPTLineStyle> CPTLineStyle::copy() const {
    auto style = std::make_shared<CPTLineStyle>();
    style->copyFieldsFrom(*this);
    return style;
}

std::shared_ptr<CPTMutableLineStyle> CPTLineStyle::mutableCopy() const {
    auto style = std::make_shared<CPTMutableLineStyle>();
    style->copyFieldsFrom(*this);
    return style;
}

void CPTLineStyle::setLineStyleInContext(gfx::Context& context) const {
    // Numbers the platform does not know leave the context's own setting.
    if (lineCap_ >= 0 && lineCap_ <= 2)
        context.setLineCap(static_cast<gfx::LineCap>(lineCap_));
    if (lineJoin_ >= 0 && lineJoin_ <= 2)
        context.setLineJoin(static_cast<gfx::LineJoin>(lineJoin_));
    context.setMiterLimit(miterLimit_);
    context.setLineWidth(lineWidth_);
    if (!dashPattern_.empty())
        context.setLineDash(patternPhase_, dashPattern_);
    else
        context.setLineDash(0, {});
    if (lineColor_)
        context.setStrokeColor(lineColor_->cgColor());
}

void CPTLineStyle::strokePathInContext(gfx::Context& context) const {
    if (lineGradient_) {
        strokePathWithGradient(lineGradient_.get(), context);
        return;
    }
    if (lineFill_) {
        context.replacePathWithStrokedPath();
        lineFill_->fillPathInContext(context);
        return;
    }
    context.strokePath();
}

void CPTLineStyle::strokeRect(CGRect rect, gfx::Context& context) const {
    if (lineGradient_) {
        context.beginPath();
        context.addRect(rect);
        strokePathWithGradient(lineGradient_.get(), context);
        return;
    }
    if (lineFill_) {
        context.beginPath();
        context.addRect(rect);
        context.replacePathWithStrokedPath();
        lineFill_->fillPathInContext(context);
        return;
    }
    context.strokeRect(rect);
}

void CPTLineStyle::strokePathWithGradient(const CPTGradient* gradient, gfx::Context& context) const {
    if (!gradient)
        return;
    const double scale = context.convertRectToDeviceSpace(CGRect(0, 0, 1, 1)).height();
    const double width = lineWidth_;
    const gfx::Path path = context.copyPath();
    context.beginPath();
    if (!(width > 0))
        return;
    // Without a usable device scale there is no pixel to narrow by: one full-width stroke.
    const bool narrowing = std::isfinite(scale) && scale != 0;
    const double step = narrowing ? 2 / std::fabs(scale) : 0;
    double w = width;
    for (int stroke = 0; stroke < kMaxGradientStrokes; ++stroke) {
        context.setLineWidth(w);
        context.setStrokeColor(gradient->newColorAtPosition(1 - w / width));
        context.addPath(path);
        context.strokePath();
        const double next = w - step;
        if (!narrowing || !(next > 0) || next == w)
            break;
        w = next;
    }
}

bool CPTLineStyle::isOpaque() const {
    if (dashPattern_.size() > 1)
        return false;
    if (lineGradient_)
        return lineGradient_->isOpaque();
    if (lineFill_)
        return lineFill_->isOpaque();
    if (lineColor_)
        return lineColor_->isOpaque();
    return false;
}

gfx::Image CPTLineStyle::debugQuickLookObject() const {
    return CPTQuickLookImage(CGRect(0, 0, 100, 100), [this](gfx::Context& context, CGFloat, CGRect rect) {
        const CGRect aligned = CPTRectAlignedForLineStyle(context, this, rect);
        setLineStyleInContext(context);
        strokeRect(aligned, context);
    });
}

CGRect CPTRectAlignedForLineStyle(const gfx::Context& context, const CPTLineStyle* lineStyle, CGRect rect) {
    if (lineStyle && rect.size.height != 0) {
        const double deviceHeight = context.convertRectToDeviceSpace(rect).height();
        const double width = lineStyle->lineWidth();
        if (deviceHeight / rect.height() != 1.0 && width > 0 && width == std::round(width))
            return CPTRectAlignedToPixelEdge(context, rect);
    }
    return CPTRectAlignedToPixelCenter(context, rect);
}

// ---- archiving

void CPTLineStyle::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    coder.encodeInt32(lineCap_, "CPTLineStyle.lineCap");
    coder.encodeInt32(lineJoin_, "CPTLineStyle.lineJoin");
    encodeCGFloat(coder, miterLimit_, "CPTLineStyle.miterLimit");
    encodeCGFloat(coder, lineWidth_, "CPTLineStyle.lineWidth");
    if (!dashPattern_.empty()) {
        foundation::Value::Array lengths;
        for (CGFloat length : dashPattern_)
            lengths.emplace_back(length);
        coder.encodeValue(foundation::Value(std::move(lengths)), "CPTLineStyle.dashPattern");
    }
    encodeCGFloat(coder, patternPhase_, "CPTLineStyle.patternPhase");
    if (lineColor_)
        lineColor_->encodeForKey(coder, "CPTLineStyle.lineColor");
    if (lineFill_)
        lineFill_->encodeForKey(coder, "CPTLineStyle.lineFill");
    if (lineGradient_)
        lineGradient_->encodeForKey(coder, "CPTLineStyle.lineGradient");
}

bool CPTLineStyle::decodeFields(foundation::KeyedUnarchiver& coder) {
    lineCap_ = coder.decodeInt32ForKey("CPTLineStyle.lineCap");
    lineJoin_ = coder.decodeInt32ForKey("CPTLineStyle.lineJoin");
    miterLimit_ = decodeCGFloatForKey(coder, "CPTLineStyle.miterLimit");
    lineWidth_ = decodeCGFloatForKey(coder, "CPTLineStyle.lineWidth");
    dashPattern_.clear();
    const foundation::Value dashes = coder.decodeValueForKey("CPTLineStyle.dashPattern");
    if (!dashes.isNull()) {
        if (dashes.kind() != foundation::Value::Kind::Array) {
            coder.failWithError("\"CPTLineStyle.dashPattern\" is not an array of numbers.");
            return false;
        }
        for (const foundation::Value& length : dashes.array()) {
            if (!length.isNumber()) {
                coder.failWithError("\"CPTLineStyle.dashPattern\" is not an array of numbers.");
                return false;
            }
            dashPattern_.push_back(length.toDouble());
        }
    }
    patternPhase_ = decodeCGFloatForKey(coder, "CPTLineStyle.patternPhase");
    lineColor_ = CPTColor::decodeForKey(coder, "CPTLineStyle.lineColor");
    lineFill_ = CPTFill::decodeForKey(coder, "CPTLineStyle.lineFill");
    lineGradient_ = CPTGradient::decodeForKey(coder, "CPTLineStyle.lineGradient");
    return !coder.failed();
}

std::shared_ptr<CPTLineStyle> CPTLineStyle::lineStyleWithCoder(foundation::KeyedUnarchiver& coder) {
    std::shared_ptr<CPTLineStyle> style;
    if (coder.className() == "CPTMutableLineStyle")
        style = std::make_shared<CPTMutableLineStyle>();
    else
        style = std::make_shared<CPTLineStyle>();
    return style->decodeFields(coder) ? style : nullptr;
}

void CPTLineStyle::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    CPTEncodeObject(coder, *this, className(), key);
}

std::shared_ptr<CPTLineStyle> CPTLineStyle::decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key) {
    return CPTDecodeObject(coder, key, {"CPTLineStyle", "CPTMutableLineStyle"}, lineStyleWithCoder);
}
