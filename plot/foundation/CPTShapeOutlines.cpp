// Outlines shared by line caps and plot symbols.
#include "plot/foundation/CPTShapeOutlines.h"

namespace cptShapes {

namespace {

constexpr double kSin60 = 0.86602540378;

// Points given as fractions of (W, H), joined into one closed figure or, unclosed, into separate segments
// of two points each.
gfx::Path through(CGSize size, std::initializer_list<CGPoint> unitPoints, bool closed) {
    const double W = size.width / 2, H = size.height / 2;
    gfx::Path path;
    std::size_t i = 0;
    for (CGPoint p : unitPoints) {
        const CGPoint at{p.x * W, p.y * H};
        if (closed ? i == 0 : i % 2 == 0)
            path.moveTo(at);
        else
            path.lineTo(at);
        ++i;
    }
    if (closed)
        path.closeSubpath();
    return path;
}

} // namespace

gfx::Path polygon(CGSize size, std::initializer_list<CGPoint> unitPoints) {
    return through(size, unitPoints, true);
}

gfx::Path segments(CGSize size, std::initializer_list<CGPoint> unitPoints) {
    return through(size, unitPoints, false);
}

gfx::Path rectangle(CGSize size) {
    gfx::Path path;
    path.addRect(CGRect(-size.width / 2, -size.height / 2, size.width, size.height));
    return path;
}

gfx::Path ellipse(CGSize size) {
    gfx::Path path;
    path.addEllipse(CGRect(-size.width / 2, -size.height / 2, size.width, size.height));
    return path;
}

gfx::Path diamond(CGSize size) {
    return polygon(size, {{0, 1}, {1, 0}, {0, -1}, {-1, 0}});
}

gfx::Path pentagon(CGSize size) {
    return polygon(size, {{0, 1},
                          {0.9510565163, 0.30901699437},
                          {0.58778525229, -0.80901699437},
                          {-0.58778525229, -0.80901699437},
                          {-0.9510565163, 0.30901699437}});
}

gfx::Path hexagon(CGSize size) {
    return polygon(size, {{0, 1}, {kSin60, 0.5}, {kSin60, -0.5}, {0, -1}, {-kSin60, -0.5}, {-kSin60, 0.5}});
}

gfx::Path cross(CGSize size) {
    return segments(size, {{-1, 1}, {1, -1}, {1, 1}, {-1, -1}});
}

gfx::Path snow(CGSize size) {
    return segments(size, {{0, 1}, {0, -1}, {kSin60, -0.5}, {-kSin60, 0.5}, {-kSin60, -0.5}, {kSin60, 0.5}});
}

gfx::Path custom(CGSize size, const std::optional<gfx::Path>& path) {
    if (!path)
        return {};
    const CGRect box = path->boundingBox();
    // No scale exists for a box without width or height.
    if (box.isNull() || !(box.size.width > 0) || !(box.size.height > 0) || !gfx::isFinite(box))
        return {};
    const gfx::AffineTransform t = gfx::AffineTransform::scale(size.width / box.size.width, size.height / box.size.height)
                                       .concat(gfx::AffineTransform::translation(-size.width / 2, -size.height / 2));
    return path->transformed(t);
}

} // namespace cptShapes
