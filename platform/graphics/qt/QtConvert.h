// Conversions between our drawing types and Qt's, for the Qt backends only (never in public headers).
#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Path.h"

#include <QColor>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <QTransform>

namespace gfx::qt {

inline QPointF toQt(Point p) {
    return {p.x, p.y};
}
inline QRectF toQt(const Rect& r) {
    Rect s = r.standardized();
    return {s.origin.x, s.origin.y, s.size.width, s.size.height};
}
inline Rect fromQt(const QRectF& r) {
    return Rect(r.x(), r.y(), r.width(), r.height());
}
inline QTransform toQt(const AffineTransform& t) {
    return QTransform(t.a, t.b, t.c, t.d, t.tx, t.ty);
}
inline QColor toQt(const Color& c) {
    auto clamp = [](double v) { return v < 0 ? 0.0 : v > 1 ? 1.0 : v; };
    return QColor::fromRgbF(float(clamp(c.red)), float(clamp(c.green)), float(clamp(c.blue)),
                            float(clamp(c.alpha)));
}

QPainterPath toQt(const Path& path, FillRule rule = FillRule::Winding);
Path fromQt(const QPainterPath& path);

// A pen with the platform's meaning of the stroke style: dash lengths in path units, the miter limit
// as a ratio (Qt's SvgMiterJoin has that meaning), an odd dash pattern doubled.
QPen toQtPen(const StrokeStyle& style, const QColor& color);
// False when the dash cannot be drawn (no positive length or a negative one).
bool dashIsDrawable(const std::vector<double>& dash);

} // namespace gfx::qt
