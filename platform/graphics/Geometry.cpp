// Rectangle and affine transform arithmetic.
#include "platform/graphics/Geometry.h"

#include <limits>

namespace gfx {

Rect Rect::null() {
    const double inf = std::numeric_limits<double>::infinity();
    return Rect(inf, inf, 0, 0);
}

Rect Rect::standardized() const {
    if (isNull())
        return *this;
    return Rect(minX(), minY(), width(), height());
}

Rect Rect::insetBy(double dx, double dy) const {
    if (isNull())
        return *this;
    Rect r = standardized();
    r.origin.x += dx;
    r.origin.y += dy;
    r.size.width -= 2 * dx;
    r.size.height -= 2 * dy;
    if (r.size.width < 0 || r.size.height < 0)
        return null();
    return r;
}

Rect Rect::offsetBy(double dx, double dy) const {
    if (isNull())
        return *this;
    Rect r = standardized();
    r.origin.x += dx;
    r.origin.y += dy;
    return r;
}

Rect Rect::integral() const {
    if (isNull())
        return *this;
    Rect r = standardized();
    double x0 = std::floor(r.minX()), y0 = std::floor(r.minY());
    double x1 = std::ceil(r.maxX()), y1 = std::ceil(r.maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::intersection(const Rect& other) const {
    if (isNull() || other.isNull())
        return null();
    double x0 = std::fmax(minX(), other.minX()), y0 = std::fmax(minY(), other.minY());
    double x1 = std::fmin(maxX(), other.maxX()), y1 = std::fmin(maxY(), other.maxY());
    if (x1 < x0 || y1 < y0)
        return null();
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::unionWith(const Rect& other) const {
    if (isNull())
        return other.standardized();
    if (other.isNull())
        return standardized();
    double x0 = std::fmin(minX(), other.minX()), y0 = std::fmin(minY(), other.minY());
    double x1 = std::fmax(maxX(), other.maxX()), y1 = std::fmax(maxY(), other.maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

bool Rect::contains(Point p) const {
    if (isNull())
        return false;
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

AffineTransform AffineTransform::rotation(double radians) {
    double s = std::sin(radians), c = std::cos(radians);
    return {c, s, -s, c, 0, 0};
}

AffineTransform AffineTransform::concat(const AffineTransform& n) const {
    return {a * n.a + b * n.c, a * n.b + b * n.d,          c * n.a + d * n.c,
            c * n.b + d * n.d, tx * n.a + ty * n.c + n.tx, tx * n.b + ty * n.d + n.ty};
}

bool AffineTransform::isInvertible() const {
    for (double v : {a, b, c, d, tx, ty})
        if (!std::isfinite(v))
            return false;
    double det = determinant();
    return std::isfinite(det) && det != 0;
}

std::optional<AffineTransform> AffineTransform::inverted() const {
    if (!isInvertible())
        return std::nullopt;
    double det = determinant();
    AffineTransform r{d / det, -b / det, -c / det, a / det, 0, 0};
    r.tx = -(tx * r.a + ty * r.c);
    r.ty = -(tx * r.b + ty * r.d);
    return r;
}

Rect AffineTransform::apply(const Rect& r) const {
    if (r.isNull())
        return r;
    // Without rotation or shear the sides scale alone, so a unit scale keeps a size exactly.
    if (b == 0 && c == 0) {
        const Rect s = r.standardized();
        return Rect(a * s.origin.x + tx, d * s.origin.y + ty, a * s.size.width, d * s.size.height).standardized();
    }
    Point p[4] = {apply(Point{r.minX(), r.minY()}), apply(Point{r.maxX(), r.minY()}),
                  apply(Point{r.maxX(), r.maxY()}), apply(Point{r.minX(), r.maxY()})};
    double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (const Point& q : p) {
        x0 = std::fmin(x0, q.x);
        x1 = std::fmax(x1, q.x);
        y0 = std::fmin(y0, q.y);
        y1 = std::fmax(y1, q.y);
    }
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

} // namespace gfx
