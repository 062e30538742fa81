// Path construction with the platform's arc rules, and hit tests and outlines through Qt's path code.
#include "platform/graphics/Path.h"

#include "platform/graphics/qt/QtConvert.h"

#include <QPainterPathStroker>
#include <cmath>
#include <numbers>

namespace gfx {

namespace {
constexpr double kPi = std::numbers::pi;
} // namespace

void Path::ensureStart(Point devicePoint) {
    if (!current_)
        moveTo(devicePoint);
}

void Path::moveTo(Point p, const Transform& t) {
    Point q = t.apply(p);
    elements_.push_back({Kind::Move, {q, {}, {}}});
    current_ = q;
    subpathStart_ = q;
}

void Path::lineTo(Point p, const Transform& t) {
    Point q = t.apply(p);
    if (!current_) {
        moveTo(q);
        return;
    }
    elements_.push_back({Kind::Line, {q, {}, {}}});
    current_ = q;
}

void Path::quadTo(Point control, Point end, const Transform& t) {
    Point c = t.apply(control), e = t.apply(end);
    ensureStart(c);
    elements_.push_back({Kind::Quad, {c, e, {}}});
    current_ = e;
}

void Path::cubicTo(Point c1, Point c2, Point end, const Transform& t) {
    Point a = t.apply(c1), b = t.apply(c2), e = t.apply(end);
    ensureStart(a);
    elements_.push_back({Kind::Cubic, {a, b, e}});
    current_ = e;
}

void Path::addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise,
                  const Transform& t) {
    double sweep = endAngle - startAngle;
    if (!clockwise) {
        if (sweep < 0)
            sweep = std::fmod(sweep, 2 * kPi) + 2 * kPi;
        sweep = std::fmin(sweep, 2 * kPi);
    } else {
        if (sweep > 0)
            sweep = std::fmod(sweep, 2 * kPi) - 2 * kPi;
        sweep = std::fmax(sweep, -2 * kPi);
    }
    auto at = [&](double angle) {
        return Point{center.x + radius * std::cos(angle), center.y + radius * std::sin(angle)};
    };
    Point start = at(startAngle);
    if (current_)
        lineTo(start, t);
    else
        moveTo(start, t);
    if (sweep == 0 || !std::isfinite(sweep))
        return;
    int segments = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)));
    double step = sweep / segments;
    double k = 4.0 / 3.0 * std::tan(step / 4);
    double a0 = startAngle;
    for (int i = 0; i < segments; ++i) {
        double a1 = a0 + step;
        Point p0 = at(a0), p3 = at(a1);
        Point c1{p0.x - k * radius * std::sin(a0), p0.y + k * radius * std::cos(a0)};
        Point c2{p3.x + k * radius * std::sin(a1), p3.y - k * radius * std::cos(a1)};
        cubicTo(c1, c2, p3, t);
        a0 = a1;
    }
}

void Path::addArcToPoint(Point p1, Point p2, double radius, const Transform& t) {
    if (!current_) {
        moveTo(p1, t);
        return;
    }
    // The current point is already fixed in path space; work in the space of the arguments.
    std::optional<Transform> inverse = t.inverted();
    if (!inverse) {
        lineTo(p1, t);
        return;
    }
    Point p0 = inverse->apply(*current_);
    double ux = p0.x - p1.x, uy = p0.y - p1.y, vx = p2.x - p1.x, vy = p2.y - p1.y;
    double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
    double cross = ux * vy - uy * vx;
    if (radius <= 0 || lu == 0 || lv == 0 || std::fabs(cross) < 1e-12 * lu * lv) {
        lineTo(p1, t);
        return;
    }
    ux /= lu, uy /= lu, vx /= lv, vy /= lv;
    double theta = std::acos(std::clamp(ux * vx + uy * vy, -1.0, 1.0)); // angle between the two lines
    double dist = radius / std::tan(theta / 2);
    Point t1{p1.x + ux * dist, p1.y + uy * dist};
    Point t2{p1.x + vx * dist, p1.y + vy * dist};
    // The centre lies on the bisector at radius / sin(theta/2) from p1.
    double bx = ux + vx, by = uy + vy, lb = std::hypot(bx, by);
    double cd = radius / std::sin(theta / 2);
    Point c{p1.x + bx / lb * cd, p1.y + by / lb * cd};
    double a0 = std::atan2(t1.y - c.y, t1.x - c.x), a1 = std::atan2(t2.y - c.y, t2.x - c.x);
    // Turning from (p0->p1) to (p1->p2) with a positive cross product of those directions runs
    // towards increasing angles.
    double turn = (p1.x - p0.x) * (p2.y - p1.y) - (p1.y - p0.y) * (p2.x - p1.x);
    addArc(c, radius, a0, a1, turn < 0, t);
}

void Path::addRect(const Rect& r, const Transform& t) {
    Rect s = r.standardized();
    moveTo({s.minX(), s.minY()}, t);
    lineTo({s.maxX(), s.minY()}, t);
    lineTo({s.maxX(), s.maxY()}, t);
    lineTo({s.minX(), s.maxY()}, t);
    closeSubpath();
}

void Path::addEllipse(const Rect& r, const Transform& t) {
    Rect s = r.standardized();
    double rx = s.width() / 2, ry = s.height() / 2;
    Point c{s.midX(), s.midY()};
    constexpr double k = 0.5522847498307936; // 4/3 (sqrt 2 - 1)
    moveTo({c.x + rx, c.y}, t);
    cubicTo({c.x + rx, c.y + k * ry}, {c.x + k * rx, c.y + ry}, {c.x, c.y + ry}, t);
    cubicTo({c.x - k * rx, c.y + ry}, {c.x - rx, c.y + k * ry}, {c.x - rx, c.y}, t);
    cubicTo({c.x - rx, c.y - k * ry}, {c.x - k * rx, c.y - ry}, {c.x, c.y - ry}, t);
    cubicTo({c.x + k * rx, c.y - ry}, {c.x + rx, c.y - k * ry}, {c.x + rx, c.y}, t);
    closeSubpath();
}

void Path::addRoundedRect(const Rect& r, double cw, double ch, const Transform& t) {
    Rect s = r.standardized();
    cw = std::clamp(cw, 0.0, s.width() / 2);
    ch = std::clamp(ch, 0.0, s.height() / 2);
    if (cw == 0 || ch == 0) {
        addRect(s, t);
        return;
    }
    constexpr double k = 0.5522847498307936;
    double x0 = s.minX(), x1 = s.maxX(), y0 = s.minY(), y1 = s.maxY();
    moveTo({x0 + cw, y0}, t);
    lineTo({x1 - cw, y0}, t);
    cubicTo({x1 - cw + k * cw, y0}, {x1, y0 + ch - k * ch}, {x1, y0 + ch}, t);
    lineTo({x1, y1 - ch}, t);
    cubicTo({x1, y1 - ch + k * ch}, {x1 - cw + k * cw, y1}, {x1 - cw, y1}, t);
    lineTo({x0 + cw, y1}, t);
    cubicTo({x0 + cw - k * cw, y1}, {x0, y1 - ch + k * ch}, {x0, y1 - ch}, t);
    lineTo({x0, y0 + ch}, t);
    cubicTo({x0, y0 + ch - k * ch}, {x0 + cw - k * cw, y0}, {x0 + cw, y0}, t);
    closeSubpath();
}

void Path::addLines(const std::vector<Point>& points, const Transform& t) {
    for (size_t i = 0; i < points.size(); ++i) {
        if (i == 0)
            moveTo(points[i], t);
        else
            lineTo(points[i], t);
    }
}

void Path::addPath(const Path& other, const Transform& t) {
    for (const Element& e : other.elements_) {
        switch (e.kind) {
        case Kind::Move:
            moveTo(e.points[0], t);
            break;
        case Kind::Line:
            lineTo(e.points[0], t);
            break;
        case Kind::Quad:
            quadTo(e.points[0], e.points[1], t);
            break;
        case Kind::Cubic:
            cubicTo(e.points[0], e.points[1], e.points[2], t);
            break;
        case Kind::Close:
            closeSubpath();
            break;
        }
    }
}

void Path::closeSubpath() {
    if (!current_ || elements_.empty() || elements_.back().kind == Kind::Close)
        return;
    elements_.push_back({Kind::Close, {}});
    current_ = subpathStart_;
}

void Path::clear() {
    elements_.clear();
    current_.reset();
    subpathStart_.reset();
}

Path Path::transformed(const Transform& t) const {
    Path p;
    p.addPath(*this, t);
    return p;
}

Path Path::united(FillRule rule, const Path& other, FillRule otherRule) const {
    QPainterPath u = qt::toQt(*this, rule).united(qt::toQt(other, otherRule));
    u.setFillRule(Qt::WindingFill);
    return qt::fromQt(u.simplified());
}

bool Path::isFinite() const {
    for (const Element& e : elements_)
        for (const Point& p : e.points)
            if (!gfx::isFinite(p))
                return false;
    return true;
}

Rect Path::boundingBox() const {
    Rect box = Rect::null();
    for (const Element& e : elements_) {
        int n = e.kind == Kind::Close ? 0 : e.kind == Kind::Quad ? 2 : e.kind == Kind::Cubic ? 3 : 1;
        for (int i = 0; i < n; ++i)
            box = box.unionWith(Rect(e.points[i], {}));
    }
    return box;
}

Rect Path::pathBoundingBox() const {
    if (elements_.empty())
        return Rect::null();
    return qt::fromQt(qt::toQt(*this).boundingRect());
}

bool Path::contains(Point p, FillRule rule) const {
    if (elements_.empty() || !isFinite())
        return false;
    return qt::toQt(*this, rule).contains(qt::toQt(p));
}

Path Path::strokedOutline(const StrokeStyle& style) const {
    // Qt's stroker never ends on an infinite width or dash phase: those outline nothing.
    if (elements_.empty() || !isFinite() || !qt::dashIsDrawable(style.dash) || !(style.width >= 0) ||
        !std::isfinite(style.width) || !std::isfinite(style.dashPhase) || !std::isfinite(style.miterLimit))
        return {};
    QPen pen = qt::toQtPen(style, Qt::black);
    QPainterPathStroker stroker(pen);
    // A zero width is the thinnest line the device can draw; hit tests treat it as one unit.
    if (style.width == 0)
        stroker.setWidth(1);
    return qt::fromQt(stroker.createStroke(qt::toQt(*this)).simplified());
}

bool Path::strokeContains(Point p, const StrokeStyle& style) const {
    Path outline = strokedOutline(style);
    return outline.contains(p, FillRule::Winding);
}

namespace qt {

QPainterPath toQt(const Path& path, FillRule rule) {
    QPainterPath q;
    q.setFillRule(rule == FillRule::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    for (const Path::Element& e : path.elements()) {
        switch (e.kind) {
        case Path::Kind::Move:
            q.moveTo(toQt(e.points[0]));
            break;
        case Path::Kind::Line:
            q.lineTo(toQt(e.points[0]));
            break;
        case Path::Kind::Quad:
            q.quadTo(toQt(e.points[0]), toQt(e.points[1]));
            break;
        case Path::Kind::Cubic:
            q.cubicTo(toQt(e.points[0]), toQt(e.points[1]), toQt(e.points[2]));
            break;
        case Path::Kind::Close:
            q.closeSubpath();
            break;
        }
    }
    return q;
}

Path fromQt(const QPainterPath& q) {
    Path p;
    for (int i = 0; i < q.elementCount(); ++i) {
        QPainterPath::Element e = q.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            p.moveTo({e.x, e.y});
            break;
        case QPainterPath::LineToElement:
            p.lineTo({e.x, e.y});
            break;
        case QPainterPath::CurveToElement: {
            QPainterPath::Element c2 = q.elementAt(i + 1), end = q.elementAt(i + 2);
            p.cubicTo({e.x, e.y}, {c2.x, c2.y}, {end.x, end.y});
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    return p;
}

bool dashIsDrawable(const std::vector<double>& dash) {
    if (dash.empty())
        return true;
    double total = 0;
    for (double d : dash) {
        if (!(d >= 0) || !std::isfinite(d))
            return false;
        total += d;
    }
    return total > 0;
}

QPen toQtPen(const StrokeStyle& style, const QColor& color) {
    QPen pen(color);
    double width = style.width > 0 ? style.width : 0;
    pen.setWidthF(width);
    pen.setCosmetic(width == 0);
    pen.setCapStyle(style.cap == LineCap::Round    ? Qt::RoundCap
                    : style.cap == LineCap::Square ? Qt::SquareCap
                                                   : Qt::FlatCap);
    pen.setJoinStyle(style.join == LineJoin::Round   ? Qt::RoundJoin
                     : style.join == LineJoin::Bevel ? Qt::BevelJoin
                                                     : Qt::SvgMiterJoin);
    pen.setMiterLimit(style.miterLimit);
    if (!style.dash.empty()) {
        // Qt measures dashes in line widths; ours are in points.
        double unit = width > 0 ? width : 1;
        QList<qreal> pattern;
        size_t n = style.dash.size() % 2 ? style.dash.size() * 2 : style.dash.size();
        for (size_t i = 0; i < n; ++i)
            pattern.append(style.dash[i % style.dash.size()] / unit);
        pen.setDashPattern(pattern);
        pen.setDashOffset(style.dashPhase / unit);
    }
    return pen;
}

} // namespace qt
} // namespace gfx
