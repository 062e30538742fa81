// A path of lines and Bézier curves with the platform's construction operations (arcs, arc to a
// point, rects, ellipses, rounded rects); every element can be fixed by a transform as it is added.
#pragma once

#include "platform/graphics/Geometry.h"

#include <vector>

namespace gfx {

enum class FillRule { Winding, EvenOdd };
enum class LineCap { Butt = 0, Round = 1, Square = 2 };
enum class LineJoin { Miter = 0, Round = 1, Bevel = 2 };

// How a stroke is made: widths and dash lengths in the path's own units.
struct StrokeStyle {
    double width = 1;
    LineCap cap = LineCap::Butt;
    LineJoin join = LineJoin::Miter;
    // Ratio of the miter length to the line width beyond which a miter join becomes a bevel.
    double miterLimit = 10;
    std::vector<double> dash; // empty: solid
    double dashPhase = 0;
};

class Path {
  public:
    enum class Kind { Move, Line, Quad, Cubic, Close };
    struct Element {
        Kind kind;
        Point points[3]; // Move/Line: 1, Quad: 2, Cubic: 3, Close: 0
        friend bool operator==(const Element&, const Element&) = default;
    };

    using Transform = AffineTransform;

    bool isEmpty() const { return elements_.empty(); }
    const std::vector<Element>& elements() const { return elements_; }
    // The point where the next element starts; nullopt before the first move.
    std::optional<Point> currentPoint() const { return current_; }
    friend bool operator==(const Path&, const Path&) = default;

    void moveTo(Point p, const Transform& t = {});
    // Without a current point a line, curve or arc-to-point starts with a move instead.
    void lineTo(Point p, const Transform& t = {});
    void quadTo(Point control, Point end, const Transform& t = {});
    void cubicTo(Point c1, Point c2, Point end, const Transform& t = {});
    // An arc of the circle around `center` from `startAngle` to `endAngle` (radians, from +x towards +y);
    // `clockwise` means decreasing angles. A line joins the current point to the arc's start.
    void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise,
                const Transform& t = {});
    // A line towards p1 and an arc of `radius` tangent to the lines (current point, p1) and (p1, p2).
    void addArcToPoint(Point p1, Point p2, double radius, const Transform& t = {});
    void addRect(const Rect& r, const Transform& t = {});
    void addEllipse(const Rect& r, const Transform& t = {});
    void addRoundedRect(const Rect& r, double cornerWidth, double cornerHeight, const Transform& t = {});
    void addLines(const std::vector<Point>& points, const Transform& t = {});
    void addPath(const Path& other, const Transform& t = {});
    void closeSubpath();
    void clear();

    Path transformed(const Transform& t) const;
    // The area covered by either path (each read with its rule), as one path to fill with the winding rule.
    Path united(FillRule rule, const Path& other, FillRule otherRule) const;
    // Every element point finite.
    bool isFinite() const;
    // The box of all points including control points (the platform's bounding box).
    Rect boundingBox() const;
    // The tight box of the curves.
    Rect pathBoundingBox() const;
    bool contains(Point p, FillRule rule = FillRule::Winding) const;
    // The outline of the stroke, a path to fill with the winding rule.
    Path strokedOutline(const StrokeStyle& style) const;
    bool strokeContains(Point p, const StrokeStyle& style) const;

  private:
    void ensureStart(Point devicePoint);
    std::vector<Element> elements_;
    std::optional<Point> current_;
    std::optional<Point> subpathStart_;
};

} // namespace gfx
