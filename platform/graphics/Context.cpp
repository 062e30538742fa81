// The drawing context: keeps the graphics state and current path and hands resolved calls to the
// backend, refusing calls that no backend can draw.
#include "platform/graphics/Context.h"

#include "platform/foundation/Log.h"
#include "platform/graphics/Recorder.h"
#include "platform/graphics/qt/QtConvert.h"

#include <cmath>
#include <initializer_list>

namespace gfx {

struct Context::Layer {
    bool grouped = false;
    size_t stackDepth = 0;
    Rect deviceBounds;
    GraphicsState stateAtBegin;
};

Context::Context(std::unique_ptr<Device> device) {
    defaultMediaBox_ = device->bounds();
    devices_.push_back(std::move(device));
}

Context::~Context() = default;

double Context::deviceScale() const {
    return devices_.front()->scale();
}

void Context::saveGState() {
    stack_.push_back(state_);
    current().save();
}

void Context::restoreGState() {
    size_t floor = layers_.empty() ? 0 : layers_.back().stackDepth;
    if (stack_.size() <= floor) {
        foundation::log("gfx: restoreGState without a matching saveGState ignored");
        return;
    }
    state_ = stack_.back();
    stack_.pop_back();
    current().restore();
}

void Context::setLineDash(double phase, const std::vector<double>& lengths) {
    state_.stroke.dash = lengths;
    state_.stroke.dashPhase = phase;
}

void Context::setShadow(Size offset, double blur, std::optional<Color> color) {
    state_.shadow = Shadow{offset, std::fmax(0, blur), color};
}

void Context::translateCTM(double tx, double ty) {
    state_.ctm = state_.ctm.translated(tx, ty);
}
void Context::scaleCTM(double sx, double sy) {
    state_.ctm = state_.ctm.scaled(sx, sy);
}
void Context::rotateCTM(double radians) {
    state_.ctm = state_.ctm.rotated(radians);
}
void Context::concatCTM(const AffineTransform& t) {
    state_.ctm = t.concat(state_.ctm);
}

Point Context::convertPointToDeviceSpace(Point p) const {
    return state_.ctm.apply(p);
}
Point Context::convertPointToUserSpace(Point p) const {
    auto inv = state_.ctm.inverted();
    return inv ? inv->apply(p) : p;
}
Size Context::convertSizeToDeviceSpace(Size s) const {
    return state_.ctm.apply(s);
}
Size Context::convertSizeToUserSpace(Size s) const {
    auto inv = state_.ctm.inverted();
    return inv ? inv->apply(s) : s;
}
Rect Context::convertRectToDeviceSpace(const Rect& r) const {
    return state_.ctm.apply(r);
}
Rect Context::convertRectToUserSpace(const Rect& r) const {
    auto inv = state_.ctm.inverted();
    return inv ? inv->apply(r) : r.standardized();
}

void Context::moveToPoint(double x, double y) {
    path_.moveTo({x, y}, state_.ctm);
}
void Context::addLineToPoint(double x, double y) {
    path_.lineTo({x, y}, state_.ctm);
}
void Context::addQuadCurveToPoint(double cx, double cy, double x, double y) {
    path_.quadTo({cx, cy}, {x, y}, state_.ctm);
}
void Context::addCurveToPoint(double c1x, double c1y, double c2x, double c2y, double x, double y) {
    path_.cubicTo({c1x, c1y}, {c2x, c2y}, {x, y}, state_.ctm);
}
void Context::addArc(double x, double y, double radius, double startAngle, double endAngle, bool clockwise) {
    path_.addArc({x, y}, radius, startAngle, endAngle, clockwise, state_.ctm);
}
void Context::addArcToPoint(double x1, double y1, double x2, double y2, double radius) {
    path_.addArcToPoint({x1, y1}, {x2, y2}, radius, state_.ctm);
}
void Context::addRect(const Rect& r) {
    path_.addRect(r, state_.ctm);
}
void Context::addRects(const std::vector<Rect>& rects) {
    for (const Rect& r : rects)
        path_.addRect(r, state_.ctm);
}
void Context::addEllipseInRect(const Rect& r) {
    path_.addEllipse(r, state_.ctm);
}
void Context::addRoundedRect(const Rect& r, double cw, double ch) {
    path_.addRoundedRect(r, cw, ch, state_.ctm);
}
void Context::addLines(const std::vector<Point>& points) {
    path_.addLines(points, state_.ctm);
}
void Context::addPath(const Path& path) {
    path_.addPath(path, state_.ctm);
}

std::optional<Point> Context::pathCurrentPoint() const {
    auto p = path_.currentPoint();
    if (!p)
        return std::nullopt;
    return convertPointToUserSpace(*p);
}

Rect Context::pathBoundingBox() const {
    return copyPath().boundingBox();
}

Path Context::copyPath() const {
    auto inv = state_.ctm.inverted();
    return inv ? path_.transformed(*inv) : path_;
}

void Context::replacePathWithStrokedPath() {
    if (path_.isEmpty() || !canDraw("replacePathWithStrokedPath"))
        return;
    // Stroke in user space so the width and dash follow the transform, then fix the outline again.
    Path outline = copyPath().strokedOutline(state_.stroke);
    path_ = outline.transformed(state_.ctm);
}

bool Context::pathContainsPoint(Point userPoint, PathDrawingMode mode) const {
    if (path_.isEmpty())
        return false;
    Path user = copyPath();
    bool stroke = mode == PathDrawingMode::Stroke || mode == PathDrawingMode::FillStroke ||
                  mode == PathDrawingMode::EOFillStroke;
    bool fill = mode != PathDrawingMode::Stroke;
    FillRule rule = (mode == PathDrawingMode::EOFill || mode == PathDrawingMode::EOFillStroke)
                        ? FillRule::EvenOdd
                        : FillRule::Winding;
    if (fill && user.contains(userPoint, rule))
        return true;
    return stroke && user.strokeContains(userPoint, state_.stroke);
}

bool Context::canDraw(const char* op) const {
    if (!state_.ctm.isInvertible()) {
        foundation::log(std::string("gfx: ") + op + " skipped: the transform is singular or not finite");
        return false;
    }
    return true;
}

bool Context::pathIsUsable(const char* op) const {
    if (!path_.isFinite()) {
        foundation::log(std::string("gfx: ") + op + " skipped: the path has a non-finite coordinate");
        return false;
    }
    return canDraw(op);
}

void Context::fillPath(FillRule rule) {
    if (!path_.isEmpty() && pathIsUsable("fill"))
        current().fillPath(path_, rule, state_);
    path_.clear();
}

bool Context::strokeIsUsable() const {
    if (!(state_.stroke.width >= 0) || !std::isfinite(state_.stroke.width)) {
        foundation::log("gfx: stroke skipped: the line width is negative or not finite");
        return false;
    }
    if (!std::isfinite(state_.stroke.dashPhase) || !std::isfinite(state_.stroke.miterLimit)) {
        foundation::log("gfx: stroke skipped: the dash phase or miter limit is not finite");
        return false;
    }
    if (!qt::dashIsDrawable(state_.stroke.dash)) {
        foundation::log("gfx: stroke skipped: the dash pattern has no positive length");
        return false;
    }
    return true;
}

void Context::strokePath() {
    if (!path_.isEmpty() && pathIsUsable("stroke") && strokeIsUsable())
        current().strokePath(path_, state_);
    path_.clear();
}

bool Context::strokePathCopiesAtPoints(const Path& path, std::span<const Point> points) {
    if (path.isEmpty() || !path.isFinite() || !state_.ctm.isInvertible())
        return false;
    const AffineTransform& t = state_.ctm;
    std::vector<Point> offsets;
    offsets.reserve(points.size());
    for (const Point& p : points) {
        const Point o{t.a * p.x + t.c * p.y, t.b * p.x + t.d * p.y};
        if (!std::isfinite(o.x) || !std::isfinite(o.y))
            return false;
        offsets.push_back(o);
    }
    // Line parameters that strokePath refuses are refused here alike (logged, nothing drawn).
    if (!strokeIsUsable())
        return true;
    return current().strokeCopies(path.transformed(t), offsets, state_);
}

void Context::drawPath(PathDrawingMode mode) {
    if (mode == PathDrawingMode::Stroke) {
        strokePath();
        return;
    }
    FillRule rule = (mode == PathDrawingMode::EOFill || mode == PathDrawingMode::EOFillStroke)
                        ? FillRule::EvenOdd
                        : FillRule::Winding;
    if (mode == PathDrawingMode::Fill || mode == PathDrawingMode::EOFill) {
        fillPath(rule);
        return;
    }
    Path keep = path_;
    fillPath(rule);
    path_ = keep;
    strokePath();
}

void Context::clip(FillRule rule) {
    Path clipPath = path_;
    path_.clear();
    if (!clipPath.isFinite() || !state_.ctm.isInvertible()) {
        // Nothing sensible can be shown inside a broken clip: clip everything.
        foundation::log("gfx: clip to an unusable path clips everything");
        clipPath.clear();
    }
    Rect box = clipPath.isEmpty() ? Rect(0, 0, 0, 0) : clipPath.pathBoundingBox();
    state_.clipBox = state_.clipBox.isNull() ? box : state_.clipBox.intersection(box);
    if (state_.clipBox.isNull())
        state_.clipBox = Rect(0, 0, 0, 0);
    current().clip(clipPath, rule);
}

void Context::clipToRect(const Rect& r) {
    Path keep = std::move(path_);
    path_.clear();
    if (isFinite(r))
        path_.addRect(r, state_.ctm);
    clip();
    path_ = std::move(keep);
}

void Context::clipToRects(const std::vector<Rect>& rects) {
    Path keep = std::move(path_);
    path_.clear();
    for (const Rect& r : rects)
        if (isFinite(r))
            path_.addRect(r, state_.ctm);
    clip();
    path_ = std::move(keep);
}

Rect Context::clipBoundingBox() const {
    Rect device = state_.clipBox.isNull() ? devices_.front()->bounds() : state_.clipBox;
    return convertRectToUserSpace(device);
}

void Context::fillRect(const Rect& r) {
    fillRects({r});
}

void Context::fillRects(const std::vector<Rect>& rects) {
    Path keep = std::move(path_);
    path_.clear();
    addRects(rects);
    fillPath();
    path_ = std::move(keep);
}

void Context::strokeRect(const Rect& r) {
    Path keep = std::move(path_);
    path_.clear();
    addRect(r);
    strokePath();
    path_ = std::move(keep);
}

void Context::strokeRectWithWidth(const Rect& r, double width) {
    saveGState();
    setLineWidth(width);
    strokeRect(r);
    restoreGState();
}

void Context::fillEllipseInRect(const Rect& r) {
    Path keep = std::move(path_);
    path_.clear();
    addEllipseInRect(r);
    fillPath();
    path_ = std::move(keep);
}

void Context::strokeEllipseInRect(const Rect& r) {
    Path keep = std::move(path_);
    path_.clear();
    addEllipseInRect(r);
    strokePath();
    path_ = std::move(keep);
}

void Context::strokeLineSegments(const std::vector<Point>& points) {
    Path keep = std::move(path_);
    path_.clear();
    for (size_t i = 0; i + 1 < points.size(); i += 2) {
        moveToPoint(points[i].x, points[i].y);
        addLineToPoint(points[i + 1].x, points[i + 1].y);
    }
    strokePath();
    path_ = std::move(keep);
}

void Context::clearRect(const Rect& r) {
    saveGState();
    state_.clears = true;
    state_.shadow = {};
    fillRect(r);
    restoreGState();
}

namespace {
// Shadings are evaluated per pixel from their geometry in device space; Qt's raster squares those
// distances in single precision and indexes its colour table with the result, so geometry beyond this
// many device units would overflow into an index out of the table. No page or bitmap comes near it.
constexpr double kShadingLimit = 1e8;

bool shadingFits(const AffineTransform& ctm, std::initializer_list<Point> points, std::initializer_list<double> radii) {
    for (Point p : points) {
        const Point d = ctm.apply(p);
        if (!(std::fabs(d.x) <= kShadingLimit) || !(std::fabs(d.y) <= kShadingLimit))
            return false;
    }
    const double scale = std::sqrt(std::fabs(ctm.determinant()));
    for (double r : radii)
        if (!(std::fabs(r) * scale <= kShadingLimit))
            return false;
    return true;
}
} // namespace

void Context::drawLinearGradient(const Gradient& gradient, Point start, Point end, unsigned options) {
    if (!canDraw("drawLinearGradient") || !isFinite(start) || !isFinite(end))
        return;
    if (!shadingFits(state_.ctm, {start, end}, {})) {
        foundation::log("gfx: drawLinearGradient skipped: its ends lie too far away to draw");
        return;
    }
    Shading s;
    s.kind = Shading::Kind::Axial;
    s.start = start;
    s.end = end;
    s.stops = gradient.stopsBetween(0, 1);
    s.extendStart = options & GradientDrawsBeforeStart;
    s.extendEnd = options & GradientDrawsAfterEnd;
    if (!s.stops.empty())
        current().drawShading(s, state_);
}

void Context::drawRadialGradient(const Gradient& gradient, Point c0, double r0, Point c1, double r1,
                                 unsigned options) {
    if (!canDraw("drawRadialGradient") || !isFinite(c0) || !isFinite(c1) || !std::isfinite(r0) ||
        !std::isfinite(r1) || (r0 < 0 && r1 < 0))
        return;
    if (!shadingFits(state_.ctm, {c0, c1}, {r0, r1})) {
        foundation::log("gfx: drawRadialGradient skipped: its circles lie too far away to draw");
        return;
    }
    double from = 0, to = 1;
    bool extendStart = options & GradientDrawsBeforeStart;
    bool extendEnd = options & GradientDrawsAfterEnd;
    // Circles of negative radius are not drawn: the visible ramp begins (or ends) where r reaches 0.
    auto lerp = [](Point a, Point b, double t) {
        return Point{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
    };
    Point origC0 = c0, origC1 = c1;
    if (r0 < 0) {
        from = -r0 / (r1 - r0);
        c0 = lerp(origC0, origC1, from);
        r0 = 0;
        extendStart = false;
    } else if (r1 < 0) {
        to = r0 / (r0 - r1);
        c1 = lerp(origC0, origC1, to);
        r1 = 0;
        extendEnd = false;
    }
    Shading s;
    s.kind = Shading::Kind::Radial;
    s.start = c0;
    s.end = c1;
    s.startRadius = r0;
    s.endRadius = r1;
    s.stops = gradient.stopsBetween(from, to);
    s.extendStart = extendStart;
    s.extendEnd = extendEnd;
    if (!s.stops.empty())
        current().drawShading(s, state_);
}

void Context::drawImage(const Rect& rect, const Image& image) {
    if (image.isNull() || !isFinite(rect) || !canDraw("drawImage"))
        return;
    current().drawImage(image, rect.standardized(), state_);
}

void Context::drawTiledImage(const Rect& tile, const Image& image) {
    if (image.isNull() || !isFinite(tile) || tile.isEmpty() || !canDraw("drawTiledImage"))
        return;
    current().drawTiledImage(image, tile.standardized(), state_);
}

void Context::beginTransparencyLayer() {
    beginTransparencyLayerWithRect(clipBoundingBox());
}

void Context::beginTransparencyLayerWithRect(const Rect& rect) {
    Layer layer;
    layer.stateAtBegin = state_;
    layer.grouped = state_.shadow.isVisible() || state_.alpha < 1;
    layer.deviceBounds = state_.ctm.isInvertible() ? state_.ctm.apply(rect) : Rect(0, 0, 0, 0);
    saveGState();
    layer.stackDepth = stack_.size();
    // Inside the group, drawing starts without shadow and alpha: the group as a whole gets them.
    state_.shadow = {};
    state_.alpha = 1;
    if (layer.grouped)
        devices_.push_back(std::make_unique<Recorder>(devices_.front()->bounds(), deviceScale()));
    layers_.push_back(layer);
}

void Context::endTransparencyLayer() {
    if (layers_.empty()) {
        foundation::log("gfx: endTransparencyLayer without a layer ignored");
        return;
    }
    Layer layer = layers_.back();
    while (stack_.size() > layer.stackDepth)
        restoreGState();
    layers_.pop_back();
    if (layer.grouped) {
        std::unique_ptr<Device> group = std::move(devices_.back());
        devices_.pop_back();
        current().drawGroup(static_cast<const Recorder&>(*group), layer.deviceBounds, layer.stateAtBegin);
    }
    restoreGState();
}

void Context::drawText(std::string_view text, const Rect& rect, const TextStyle& style) {
    if (!style.color || text.empty() || !isFinite(rect))
        return;
    TextLayout layout = TextLayout::plain(text, style, rect.standardized().size);
    drawTextLayout(layout, rect.standardized().origin);
}

void Context::drawText(const RichText& text, const Rect& rect) {
    if (text.isEmpty() || !isFinite(rect))
        return;
    drawTextLayout(TextLayout::rich(text, rect.standardized().size), rect.standardized().origin);
}

void Context::drawTextLayout(const TextLayout& layout, Point origin) {
    if (!isFinite(origin) || !canDraw("drawText"))
        return;
    current().drawText(layout, origin, state_);
}

void Context::beginPage(const std::optional<Rect>& mediaBox) {
    while (!layers_.empty())
        endTransparencyLayer();
    while (!stack_.empty())
        restoreGState();
    state_ = GraphicsState{};
    path_.clear();
    current().beginPage(mediaBox ? mediaBox->standardized() : defaultMediaBox_);
}

void Context::endPage() {
    while (!layers_.empty())
        endTransparencyLayer();
    while (!stack_.empty())
        restoreGState();
    current().endPage();
}

bool Context::finish() {
    while (!layers_.empty())
        endTransparencyLayer();
    return devices_.front()->finish();
}

} // namespace gfx
