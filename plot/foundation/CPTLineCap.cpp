// Line caps: outlines by type, drawing turned to the line's direction, copies and archives.
#include "plot/foundation/CPTLineCap.h"

#include "plot/foundation/CPTArchiving.h"
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTShapeOutlines.h"

#include <cmath>
#include <numbers>

CPTLineCap::CPTLineCap() : lineStyle_(CPTLineStyle::lineStyle()) {}

std::shared_ptr<CPTLineCap> CPTLineCap::ofType(CPTLineCapType type) {
    auto cap = std::make_shared<CPTLineCap>();
    cap->setLineCapType(type);
    return cap;
}

std::shared_ptr<CPTLineCap> CPTLineCap::lineCap() {
    return ofType(CPTLineCapTypeNone);
}
std::shared_ptr<CPTLineCap> CPTLineCap::openArrowPlotLineCap() {
    return ofType(CPTLineCapTypeOpenArrow);
}
std::shared_ptr<CPTLineCap> CPTLineCap::solidArrowPlotLineCap() {
    return ofType(CPTLineCapTypeSolidArrow);
}
std::shared_ptr<CPTLineCap> CPTLineCap::sweptArrowPlotLineCap() {
    return ofType(CPTLineCapTypeSweptArrow);
}
std::shared_ptr<CPTLineCap> CPTLineCap::rectanglePlotLineCap() {
    return ofType(CPTLineCapTypeRectangle);
}
std::shared_ptr<CPTLineCap> CPTLineCap::ellipsePlotLineCap() {
    return ofType(CPTLineCapTypeEllipse);
}
std::shared_ptr<CPTLineCap> CPTLineCap::diamondPlotLineCap() {
    return ofType(CPTLineCapTypeDiamond);
}
std::shared_ptr<CPTLineCap> CPTLineCap::pentagonPlotLineCap() {
    return ofType(CPTLineCapTypePentagon);
}
std::shared_ptr<CPTLineCap> CPTLineCap::hexagonPlotLineCap() {
    return ofType(CPTLineCapTypeHexagon);
}
std::shared_ptr<CPTLineCap> CPTLineCap::barPlotLineCap() {
    return ofType(CPTLineCapTypeBar);
}
std::shared_ptr<CPTLineCap> CPTLineCap::crossPlotLineCap() {
    return ofType(CPTLineCapTypeCross);
}
std::shared_ptr<CPTLineCap> CPTLineCap::snowPlotLineCap() {
    return ofType(CPTLineCapTypeSnow);
}

std::shared_ptr<CPTLineCap> CPTLineCap::customLineCapWithPath(const gfx::Path& path) {
    auto cap = ofType(CPTLineCapTypeCustom);
    cap->setCustomLineCapPath(path);
    return cap;
}

void CPTLineCap::setLineCapType(CPTLineCapType type) {
    if (type == lineCapType_)
        return;
    lineCapType_ = type;
    cachedLineCapPath_.reset();
}

void CPTLineCap::setSize(CGSize size) {
    if (size == size_)
        return;
    size_ = size;
    cachedLineCapPath_.reset();
}

void CPTLineCap::setCustomLineCapPath(std::optional<gfx::Path> path) {
    if (path == customLineCapPath_)
        return;
    customLineCapPath_ = std::move(path);
    cachedLineCapPath_.reset();
}

const gfx::Path& CPTLineCap::cachedLineCapPath() const {
    if (!cachedLineCapPath_)
        cachedLineCapPath_ = newLineCapPath();
    return *cachedLineCapPath_;
}

gfx::Path CPTLineCap::newLineCapPath() const {
    const CGSize s = size_;
    switch (lineCapType_) {
    case CPTLineCapTypeOpenArrow: {
        gfx::Path path;
        path.addLines({{-s.width / 2, -s.height / 2}, {0, 0}, {s.width / 2, -s.height / 2}});
        return path;
    }
    case CPTLineCapTypeSolidArrow:
        return cptShapes::polygon(s, {{-1, -1}, {0, 0}, {1, -1}});
    case CPTLineCapTypeSweptArrow:
        // The notch sits 0.375 of the full height behind the tip: 0.75 of the half height.
        return cptShapes::polygon(s, {{-1, -1}, {0, 0}, {1, -1}, {0, -0.75}});
    case CPTLineCapTypeRectangle:
        return cptShapes::rectangle(s);
    case CPTLineCapTypeEllipse:
        return cptShapes::ellipse(s);
    case CPTLineCapTypeDiamond:
        return cptShapes::diamond(s);
    case CPTLineCapTypePentagon:
        return cptShapes::pentagon(s);
    case CPTLineCapTypeHexagon:
        return cptShapes::hexagon(s);
    case CPTLineCapTypeBar:
        return cptShapes::segments(s, {{1, 0}, {-1, 0}});
    case CPTLineCapTypeCross:
        return cptShapes::cross(s);
    case CPTLineCapTypeSnow:
        return cptShapes::snow(s);
    case CPTLineCapTypeCustom:
        return cptShapes::custom(s, customLineCapPath_);
    case CPTLineCapTypeNone:
        break;
    }
    return {};
}

void CPTLineCap::renderAsVectorInContext(gfx::Context& context, CGPoint point, CGPoint direction) const {
    const gfx::Path& outline = cachedLineCapPath();
    if (outline.isEmpty())
        return;
    bool stroked = false, filled = false;
    switch (lineCapType_) {
    case CPTLineCapTypeSolidArrow:
    case CPTLineCapTypeSweptArrow:
    case CPTLineCapTypeRectangle:
    case CPTLineCapTypeEllipse:
    case CPTLineCapTypeDiamond:
    case CPTLineCapTypePentagon:
    case CPTLineCapTypeHexagon:
    case CPTLineCapTypeCustom:
        stroked = filled = true;
        break;
    case CPTLineCapTypeOpenArrow:
    case CPTLineCapTypeBar:
    case CPTLineCapTypeCross:
    case CPTLineCapTypeSnow:
        stroked = true;
        break;
    case CPTLineCapTypeNone:
        break;
    }
    const CPTLineStyle* style = stroked ? lineStyle_.get() : nullptr;
    const CPTFill* fill = filled ? fill_.get() : nullptr;
    if (!style && !fill)
        return;
    context.saveGState();
    context.translateCTM(point.x, point.y);
    context.rotateCTM(std::atan2(direction.y, direction.x) - std::numbers::pi / 2);
    if (fill) {
        context.saveGState();
        context.beginPath();
        context.addPath(outline);
        context.clip(usesEvenOddClipRule_ ? gfx::FillRule::EvenOdd : gfx::FillRule::Winding);
        fill->fillRect(CGRect(-size_.width / 2, -size_.height / 2, size_.width, size_.height), context);
        context.restoreGState();
    }
    if (style) {
        style->setLineStyleInContext(context);
        context.beginPath();
        context.addPath(outline);
        style->strokePathInContext(context);
    }
    context.restoreGState();
}

std::shared_ptr<CPTLineCap> CPTLineCap::copy() const {
    auto cap = std::make_shared<CPTLineCap>();
    cap->size_ = size_;
    cap->lineCapType_ = lineCapType_;
    cap->usesEvenOddClipRule_ = usesEvenOddClipRule_;
    cap->lineStyle_ = lineStyle_ ? lineStyle_->copy() : nullptr;
    cap->fill_ = fill_ ? fill_->copy() : nullptr;
    cap->customLineCapPath_ = customLineCapPath_;
    return cap;
}

gfx::Image CPTLineCap::debugQuickLookObject() const {
    return CPTQuickLookImage(CGRect(0, 0, size_.width, size_.height), [this](gfx::Context& context, CGFloat, CGRect rect) {
        renderAsVectorInContext(context, {rect.midX(), rect.midY()}, {1, 0});
    });
}

// ---- archiving

void CPTLineCap::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    encodeCPTSize(coder, size_, "CPTLineCap.size");
    coder.encodeInteger(lineCapType_, "CPTLineCap.lineCapType");
    if (lineStyle_)
        lineStyle_->encodeForKey(coder, "CPTLineCap.lineStyle");
    if (fill_)
        fill_->encodeForKey(coder, "CPTLineCap.fill");
    if (customLineCapPath_)
        encodeCGPath(coder, *customLineCapPath_, "CPTLineCap.customLineCapPath");
    coder.encodeBool(usesEvenOddClipRule_, "CPTLineCap.usesEvenOddClipRule");
}

std::shared_ptr<CPTLineCap> CPTLineCap::lineCapWithCoder(foundation::KeyedUnarchiver& coder) {
    auto cap = std::make_shared<CPTLineCap>();
    cap->size_ = decodeCPTSizeForKey(coder, "CPTLineCap.size");
    cap->lineCapType_ = static_cast<CPTLineCapType>(coder.decodeIntegerForKey("CPTLineCap.lineCapType"));
    cap->lineStyle_ = CPTLineStyle::decodeForKey(coder, "CPTLineCap.lineStyle");
    cap->fill_ = CPTFill::decodeForKey(coder, "CPTLineCap.fill");
    if (coder.containsValueForKey("CPTLineCap.customLineCapPath.count"))
        cap->customLineCapPath_ = newCGPathDecodeForKey(coder, "CPTLineCap.customLineCapPath");
    cap->usesEvenOddClipRule_ = coder.decodeBoolForKey("CPTLineCap.usesEvenOddClipRule");
    return coder.failed() ? nullptr : cap;
}

void CPTLineCap::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    CPTEncodeObject(coder, *this, className(), key);
}

std::shared_ptr<CPTLineCap> CPTLineCap::decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key) {
    return CPTDecodeObject(coder, key, {className()}, lineCapWithCoder);
}
