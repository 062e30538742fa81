// Plot symbols: outlines by type, vector drawing, the per-scale cached drawing, copies and archives.
#include "plot/foundation/CPTPlotSymbol.h"

#include "plot/foundation/CPTArchiving.h"
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTShapeOutlines.h"

#include <cmath>

namespace {

// Symbols stroked together: a rasterizer handles a few dozen small outlines in one stroke faster than one
// at a time, and far faster than tens of thousands in one huge path.
constexpr std::size_t kSymbolsPerStroke = 64;

} // namespace

CPTPlotSymbol::CPTPlotSymbol() : lineStyle_(CPTLineStyle::lineStyle()) {}

std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::ofType(CPTPlotSymbolType type) {
    auto symbol = std::make_shared<CPTPlotSymbol>();
    symbol->setSymbolType(type);
    return symbol;
}

std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::plotSymbol() {
    return ofType(CPTPlotSymbolTypeNone);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::rectanglePlotSymbol() {
    return ofType(CPTPlotSymbolTypeRectangle);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::ellipsePlotSymbol() {
    return ofType(CPTPlotSymbolTypeEllipse);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::diamondPlotSymbol() {
    return ofType(CPTPlotSymbolTypeDiamond);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::trianglePlotSymbol() {
    return ofType(CPTPlotSymbolTypeTriangle);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::starPlotSymbol() {
    return ofType(CPTPlotSymbolTypeStar);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::pentagonPlotSymbol() {
    return ofType(CPTPlotSymbolTypePentagon);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::hexagonPlotSymbol() {
    return ofType(CPTPlotSymbolTypeHexagon);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::crossPlotSymbol() {
    return ofType(CPTPlotSymbolTypeCross);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::plusPlotSymbol() {
    return ofType(CPTPlotSymbolTypePlus);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::dashPlotSymbol() {
    return ofType(CPTPlotSymbolTypeDash);
}
std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::snowPlotSymbol() {
    return ofType(CPTPlotSymbolTypeSnow);
}

std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::customPlotSymbolWithPath(const gfx::Path& path) {
    auto symbol = ofType(CPTPlotSymbolTypeCustom);
    symbol->setCustomSymbolPath(path);
    return symbol;
}

// ---- fields and caches

void CPTPlotSymbol::dropLayer() {
    cachedLayer_.reset();
    cachedScale_ = 0;
}

void CPTPlotSymbol::dropPath() {
    if (cachedSymbolPath_)
        dropLayer();
    cachedSymbolPath_.reset();
}

void CPTPlotSymbol::setSymbolType(CPTPlotSymbolType type) {
    if (type == symbolType_)
        return;
    symbolType_ = type;
    dropPath();
}

void CPTPlotSymbol::setSize(CGSize size) {
    if (size == size_)
        return;
    size_ = size;
    dropPath();
}

void CPTPlotSymbol::setCustomSymbolPath(std::optional<gfx::Path> path) {
    if (path == customSymbolPath_)
        return;
    customSymbolPath_ = std::move(path);
    dropPath();
}

void CPTPlotSymbol::setShadow(const std::shared_ptr<CPTShadow>& shadow) {
    if (shadow == shadow_)
        return;
    shadow_ = shadow ? shadow->copy() : nullptr;
    dropPath();
}

void CPTPlotSymbol::setLineStyle(std::shared_ptr<CPTLineStyle> style) {
    if (style == lineStyle_)
        return;
    lineStyle_ = std::move(style);
    dropLayer();
}

void CPTPlotSymbol::setFill(std::shared_ptr<CPTFill> fill) {
    if (fill == fill_)
        return;
    fill_ = std::move(fill);
    dropLayer();
}

void CPTPlotSymbol::setUsesEvenOddClipRule(bool evenOdd) {
    if (evenOdd == usesEvenOddClipRule_)
        return;
    usesEvenOddClipRule_ = evenOdd;
    dropLayer();
}

const gfx::Path& CPTPlotSymbol::cachedSymbolPath() const {
    if (!cachedSymbolPath_)
        cachedSymbolPath_ = newSymbolPath();
    return *cachedSymbolPath_;
}

gfx::Path CPTPlotSymbol::newSymbolPath() const {
    const CGSize s = size_;
    switch (symbolType_) {
    case CPTPlotSymbolTypeRectangle:
        return cptShapes::rectangle(s);
    case CPTPlotSymbolTypeEllipse:
        return cptShapes::ellipse(s);
    case CPTPlotSymbolTypeDiamond:
        return cptShapes::diamond(s);
    case CPTPlotSymbolTypeTriangle:
        return cptShapes::polygon(s, {{0, 1}, {0.86602540378, -0.5}, {-0.86602540378, -0.5}});
    case CPTPlotSymbolTypeStar:
        // Inner vertices at 0.38196601125 of the outer radius.
        return cptShapes::polygon(s, {{0, 1},
                                      {0.22451398829, 0.30901699437},
                                      {0.9510565163, 0.30901699437},
                                      {0.363271264, -0.11803398875},
                                      {0.58778525229, -0.80901699437},
                                      {0, -0.38196601125},
                                      {-0.58778525229, -0.80901699437},
                                      {-0.363271264, -0.11803398875},
                                      {-0.9510565163, 0.30901699437},
                                      {-0.22451398829, 0.30901699437}});
    case CPTPlotSymbolTypePentagon:
        return cptShapes::pentagon(s);
    case CPTPlotSymbolTypeHexagon:
        return cptShapes::hexagon(s);
    case CPTPlotSymbolTypeCross:
        return cptShapes::cross(s);
    case CPTPlotSymbolTypePlus:
        return cptShapes::segments(s, {{0, 1}, {0, -1}, {-1, 0}, {1, 0}});
    case CPTPlotSymbolTypeDash:
        return cptShapes::segments(s, {{1, 0}, {-1, 0}});
    case CPTPlotSymbolTypeSnow:
        return cptShapes::snow(s);
    case CPTPlotSymbolTypeCustom:
        return cptShapes::custom(s, customSymbolPath_);
    case CPTPlotSymbolTypeNone:
        break;
    }
    return {};
}

CGSize CPTPlotSymbol::layerSizeForScale(CGFloat scale) const {
    double blur = 0, ox = 0, oy = 0, lineWidth = 0;
    if (shadow_) {
        blur = shadow_->shadowBlurRadius();
        ox = std::fabs(shadow_->shadowOffset().width);
        oy = std::fabs(shadow_->shadowOffset().height);
    }
    if (lineStyle_)
        lineWidth = lineStyle_->lineWidth();
    return {(size_.width + 2 * (blur + ox) + lineWidth) * scale + 2,
            (size_.height + 2 * (blur + oy) + lineWidth) * scale + 2};
}

// ---- drawing

void CPTPlotSymbol::renderAsVectorInContext(gfx::Context& context, CGPoint point, CGFloat scale) const {
    const gfx::Path& outline = cachedSymbolPath();
    if (outline.isEmpty())
        return;
    bool stroked = false, filled = false;
    switch (symbolType_) {
    case CPTPlotSymbolTypeRectangle:
    case CPTPlotSymbolTypeEllipse:
    case CPTPlotSymbolTypeDiamond:
    case CPTPlotSymbolTypeTriangle:
    case CPTPlotSymbolTypeStar:
    case CPTPlotSymbolTypePentagon:
    case CPTPlotSymbolTypeHexagon:
    case CPTPlotSymbolTypeCustom:
        stroked = filled = true;
        break;
    case CPTPlotSymbolTypeCross:
    case CPTPlotSymbolTypePlus:
    case CPTPlotSymbolTypeDash:
    case CPTPlotSymbolTypeSnow:
        stroked = true;
        break;
    case CPTPlotSymbolTypeNone:
        break;
    }
    const CPTLineStyle* style = stroked ? lineStyle_.get() : nullptr;
    const CPTFill* fill = filled ? fill_.get() : nullptr;
    if (!style && !fill)
        return;
    const double w = size_.width, h = size_.height;
    context.saveGState();
    // The anchor point of the box lies on the point, as in the cached drawing.
    context.translateCTM(point.x - (anchorPoint_.x - 0.5) * w, point.y - (anchorPoint_.y - 0.5) * h);
    context.scaleCTM(scale, scale);
    CGRect clip(-w / 2, -h / 2, w, h);
    if (shadow_) {
        shadow_->setShadowInContext(context);
        const double blur = std::fabs(shadow_->shadowBlurRadius());
        clip = clip.insetBy(-(blur + std::fabs(shadow_->shadowOffset().width)),
                            -(blur + std::fabs(shadow_->shadowOffset().height)));
    }
    if (style) {
        const double lineWidth = std::fabs(style->lineWidth());
        clip = clip.insetBy(-lineWidth, -lineWidth);
    }
    context.clipToRect(clip);
    context.beginTransparencyLayer();
    if (fill) {
        context.saveGState();
        context.beginPath();
        context.addPath(outline);
        context.clip(usesEvenOddClipRule_ ? gfx::FillRule::EvenOdd : gfx::FillRule::Winding);
        fill->fillRect(CGRect(-w / 2, -h / 2, w, h), context);
        context.restoreGState();
    }
    if (style) {
        style->setLineStyleInContext(context);
        context.beginPath();
        context.addPath(outline);
        style->strokePathInContext(context);
    }
    context.endTransparencyLayer();
    context.restoreGState();
}

bool CPTPlotSymbol::drawableAtScale(CGFloat scale) const {
    const CGSize layerSize = layerSizeForScale(scale);
    return scale > 0 && std::isfinite(scale) && layerSize.width > 0 && layerSize.height > 0 &&
           std::isfinite(layerSize.width) && std::isfinite(layerSize.height);
}

CGPoint CPTPlotSymbol::centreForPoint(CGPoint point, CGSize drawn, CGFloat scale, bool alignToPixels) const {
    double x = point.x - drawn.width / 2 - size_.width * (anchorPoint_.x - 0.5);
    double y = point.y - drawn.height / 2 - size_.height * (anchorPoint_.y - 0.5);
    if (alignToPixels) {
        if (scale == 1.0) {
            x = std::round(x);
            y = std::round(y);
        } else {
            x = std::round(x * scale) / scale;
            y = std::round(y * scale) / scale;
        }
    }
    return {x + drawn.width / 2, y + drawn.height / 2};
}

void CPTPlotSymbol::renderInContext(gfx::Context& context, CGPoint point, CGFloat scale, bool alignToPixels) {
    if (!cachedLayer_ || cachedScale_ != scale) {
        dropLayer();
        // Without a usable scale and size there is nothing to make a drawing of.
        if (!drawableAtScale(scale))
            return;
        const CGSize layerSize = layerSizeForScale(scale);
        const CGPoint anchor = anchorPoint_;
        anchorPoint_ = {0.5, 0.5};
        auto layer = std::make_unique<gfx::DrawingLayer>(context, layerSize);
        renderAsVectorInContext(layer->context(), {layerSize.width / 2, layerSize.height / 2}, scale);
        anchorPoint_ = anchor;
        cachedLayer_ = std::move(layer);
        cachedScale_ = scale;
        ++cachedLayersMade_;
    }
    CGSize drawn = cachedLayer_->size();
    if (scale != 1.0)
        drawn = {drawn.width / scale, drawn.height / scale};
    const CGPoint centre = centreForPoint(point, drawn, scale, alignToPixels);
    context.drawLayerInRect(
        CGRect(centre.x - drawn.width / 2, centre.y - drawn.height / 2, drawn.width, drawn.height),
        *cachedLayer_);
}

bool CPTPlotSymbol::drawsAsOnePath() const {
    switch (symbolType_) {
    case CPTPlotSymbolTypeCross:
    case CPTPlotSymbolTypePlus:
    case CPTPlotSymbolTypeDash:
    case CPTPlotSymbolTypeSnow:
        break;
    default:
        return false;
    }
    const CPTLineStyle* style = lineStyle_.get();
    if (shadow_ || !style || style->lineFill() || style->lineGradient() || !style->dashPattern().empty() ||
        style->lineCap() == static_cast<CGLineCap>(gfx::LineCap::Square))
        return false;
    return !style->lineColor() || style->lineColor()->cgColor().alpha >= 1;
}

void CPTPlotSymbol::renderAtPointsInContext(gfx::Context& context, std::span<const CGPoint> points,
                                            CGFloat scale, bool alignToPixels) {
    if (!drawsAsOnePath()) {
        for (const CGPoint& point : points)
            renderInContext(context, point, scale, alignToPixels);
        return;
    }
    std::vector<CGPoint> centres(points.begin(), points.end());
    strokeAtPoints(context, centres, scale, alignToPixels);
}

void CPTPlotSymbol::renderAtPointsInContext(gfx::Context& context, std::vector<CGPoint>&& points, CGFloat scale,
                                            bool alignToPixels) {
    if (!drawsAsOnePath()) {
        renderAtPointsInContext(context, std::span<const CGPoint>(points), scale, alignToPixels);
        return;
    }
    strokeAtPoints(context, points, scale, alignToPixels);
}

void CPTPlotSymbol::strokeAtPoints(gfx::Context& context, std::span<CGPoint> points, CGFloat scale,
                                   bool alignToPixels) {
    const gfx::Path& outline = cachedSymbolPath();
    if (points.empty() || outline.isEmpty() || !drawableAtScale(scale))
        return;
    // The cached drawing's size in user space, which placing by renderInContext rounds against.
    const CGSize layerSize = layerSizeForScale(scale);
    const CGSize drawn{layerSize.width / scale, layerSize.height / scale};
    context.saveGState();
    // The state a symbol's own drawing starts from, then its line style.
    context.setAlpha(1);
    context.setShouldAntialias(true);
    context.setShadow({0, 0}, 0, std::nullopt);
    context.setStrokeColor(gfx::Color::black());
    context.setLineCap(gfx::LineCap::Butt);
    context.setLineJoin(gfx::LineJoin::Miter);
    lineStyle_->setLineStyleInContext(context);
    for (CGPoint& point : points)
        point = centreForPoint(point, drawn, scale, alignToPixels);
    const std::span<const CGPoint> centres(points);
    // A device that paints the copies at once does; else the outlines are joined a few dozen at a time.
    if (!context.strokePathCopiesAtPoints(outline, centres)) {
        gfx::Path some;
        auto stroke = [&] {
            context.beginPath();
            context.addPath(some);
            context.strokePath();
            some.clear();
        };
        std::size_t gathered = 0;
        for (const CGPoint& centre : centres) {
            some.addPath(outline, gfx::AffineTransform::translation(centre.x, centre.y));
            if (++gathered % kSymbolsPerStroke == 0)
                stroke();
        }
        if (!some.isEmpty())
            stroke();
    }
    context.restoreGState();
}

std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::copy() const {
    auto symbol = std::make_shared<CPTPlotSymbol>();
    symbol->anchorPoint_ = anchorPoint_;
    symbol->size_ = size_;
    symbol->symbolType_ = symbolType_;
    symbol->usesEvenOddClipRule_ = usesEvenOddClipRule_;
    symbol->lineStyle_ = lineStyle_ ? lineStyle_->copy() : nullptr;
    symbol->fill_ = fill_ ? fill_->copy() : nullptr;
    symbol->shadow_ = shadow_ ? shadow_->copy() : nullptr;
    symbol->customSymbolPath_ = customSymbolPath_;
    return symbol;
}

gfx::Image CPTPlotSymbol::debugQuickLookObject() const {
    const CGSize preview = layerSizeForScale(1.0);
    return CPTQuickLookImage(CGRect(0, 0, preview.width, preview.height), [this](gfx::Context& context, CGFloat, CGRect rect) {
        // Centred whatever the anchor: the point given is where the anchor would put the centre.
        renderAsVectorInContext(context,
                                {rect.midX() + (anchorPoint_.x - 0.5) * size_.width,
                                 rect.midY() + (anchorPoint_.y - 0.5) * size_.height},
                                1.0);
    });
}

// ---- archiving

void CPTPlotSymbol::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    encodeCPTPoint(coder, anchorPoint_, "CPTPlotSymbol.anchorPoint");
    encodeCPTSize(coder, size_, "CPTPlotSymbol.size");
    coder.encodeInteger(symbolType_, "CPTPlotSymbol.symbolType");
    if (lineStyle_)
        lineStyle_->encodeForKey(coder, "CPTPlotSymbol.lineStyle");
    if (fill_)
        fill_->encodeForKey(coder, "CPTPlotSymbol.fill");
    if (shadow_)
        shadow_->encodeForKey(coder, "CPTPlotSymbol.shadow");
    if (customSymbolPath_)
        encodeCGPath(coder, *customSymbolPath_, "CPTPlotSymbol.customSymbolPath");
    coder.encodeBool(usesEvenOddClipRule_, "CPTPlotSymbol.usesEvenOddClipRule");
}

std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::plotSymbolWithCoder(foundation::KeyedUnarchiver& coder) {
    auto symbol = std::make_shared<CPTPlotSymbol>();
    symbol->anchorPoint_ = decodeCPTPointForKey(coder, "CPTPlotSymbol.anchorPoint");
    symbol->size_ = decodeCPTSizeForKey(coder, "CPTPlotSymbol.size");
    symbol->symbolType_ = static_cast<CPTPlotSymbolType>(coder.decodeIntegerForKey("CPTPlotSymbol.symbolType"));
    symbol->lineStyle_ = CPTLineStyle::decodeForKey(coder, "CPTPlotSymbol.lineStyle");
    symbol->fill_ = CPTFill::decodeForKey(coder, "CPTPlotSymbol.fill");
    if (auto shadow = CPTShadow::decodeForKey(coder, "CPTPlotSymbol.shadow"))
        symbol->shadow_ = shadow->copy();
    if (coder.containsValueForKey("CPTPlotSymbol.customSymbolPath.count"))
        symbol->customSymbolPath_ = newCGPathDecodeForKey(coder, "CPTPlotSymbol.customSymbolPath");
    symbol->usesEvenOddClipRule_ = coder.decodeBoolForKey("CPTPlotSymbol.usesEvenOddClipRule");
    return coder.failed() ? nullptr : symbol;
}

void CPTPlotSymbol::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    CPTEncodeObject(coder, *this, className(), key);
}

std::shared_ptr<CPTPlotSymbol> CPTPlotSymbol::decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key) {
    return CPTDecodeObject(coder, key, {className()}, plotSymbolWithCoder);
}
