// Points, sizes, rectangles and affine transforms in points, with the platform's conventions:
// a transform maps (x, y) to (a*x + c*y + tx, b*x + d*y + ty), and concat(t1, t2) applies t1 first.
#pragma once

#include <cmath>
#include <optional>

namespace gfx {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(Point o, Size s) : origin(o), size(s) {}
    Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
    friend bool operator==(const Rect&, const Rect&) = default;

    // The null rect: the answer of an empty intersection (infinite origin, zero size).
    static Rect null();
    bool isNull() const { return std::isinf(origin.x) || std::isinf(origin.y); }
    bool isEmpty() const { return isNull() || size.width == 0 || size.height == 0; }

    double minX() const { return std::fmin(origin.x, origin.x + size.width); }
    double maxX() const { return std::fmax(origin.x, origin.x + size.width); }
    double minY() const { return std::fmin(origin.y, origin.y + size.height); }
    double maxY() const { return std::fmax(origin.y, origin.y + size.height); }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }
    double width() const { return std::fabs(size.width); }
    double height() const { return std::fabs(size.height); }

    // The same rect with non-negative width and height.
    Rect standardized() const;
    Rect insetBy(double dx, double dy) const;
    Rect offsetBy(double dx, double dy) const;
    // The smallest rect with whole-number edges that contains this one.
    Rect integral() const;
    Rect intersection(const Rect& other) const;
    Rect unionWith(const Rect& other) const;
    bool contains(Point p) const;
    bool intersects(const Rect& other) const { return !intersection(other).isEmpty(); }
};

struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;

    static AffineTransform identity() { return {}; }
    static AffineTransform translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    // Positive angles turn +x towards +y.
    static AffineTransform rotation(double radians);

    bool isIdentity() const { return *this == AffineTransform{}; }
    // Applies this transform, then `next`.
    AffineTransform concat(const AffineTransform& next) const;
    // The platform's helpers: the new transform applies the translation/scale/rotation first.
    AffineTransform translated(double x, double y) const { return translation(x, y).concat(*this); }
    AffineTransform scaled(double sx, double sy) const { return scale(sx, sy).concat(*this); }
    AffineTransform rotated(double radians) const { return rotation(radians).concat(*this); }
    double determinant() const { return a * d - b * c; }
    // False for a singular transform or one with a non-finite entry.
    bool isInvertible() const;
    std::optional<AffineTransform> inverted() const;

    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // Sizes are vectors: the translation does not apply.
    Size apply(Size s) const { return {a * s.width + c * s.height, b * s.width + d * s.height}; }
    // The bounding box of the transformed corners, standardised.
    Rect apply(const Rect& r) const;
};

struct EdgeInsets {
    double top = 0, left = 0, bottom = 0, right = 0;
    friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

inline bool isFinite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}
inline bool isFinite(const Rect& r) {
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
           std::isfinite(r.size.height);
}

} // namespace gfx
