// The Qt painter backend: one device over any QPainter (bitmap, PDF, printer, window), shadows and
// transparency groups rendered off-screen so that in a PDF only the shadow itself is raster.
#include "platform/foundation/Log.h"
#include "platform/foundation/VectorState.h"
#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"
#include "platform/graphics/qt/QtBackend.h"
#include "platform/graphics/qt/QtConvert.h"
#include "platform/graphics/qt/QtImage.h"
#include "platform/graphics/qt/QtText.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPaintEngine>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QRadialGradient>
#include <cmath>
#include <functional>
#include <utility>

namespace gfx {

namespace {

QPainterPath toQtTransformed(const Path& path, FillRule rule, const QTransform& t) {
    QPainterPath q;
    q.setFillRule(rule == FillRule::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    auto m = [&](Point p) { return t.map(QPointF(p.x, p.y)); };
    for (const Path::Element& e : path.elements()) {
        switch (e.kind) {
        case Path::Kind::Move:
            q.moveTo(m(e.points[0]));
            break;
        case Path::Kind::Line:
            q.lineTo(m(e.points[0]));
            break;
        case Path::Kind::Quad:
            q.quadTo(m(e.points[0]), m(e.points[1]));
            break;
        case Path::Kind::Cubic:
            q.cubicTo(m(e.points[0]), m(e.points[1]), m(e.points[2]));
            break;
        case Path::Kind::Close:
            q.closeSubpath();
            break;
        }
    }
    return q;
}

// Three box passes approximate a Gaussian of the given sigma, on one 8-bit channel.
void boxBlur(std::vector<uint8_t>& a, int w, int h, double sigma) {
    if (sigma < 0.5)
        return;
    int radius = std::max(1, int(std::lround((std::sqrt(4 * sigma * sigma + 1) - 1) / 2)));
    std::vector<uint8_t> tmp(a.size());
    auto pass = [&](bool horizontal) {
        int n = horizontal ? w : h, lines = horizontal ? h : w;
        for (int l = 0; l < lines; ++l) {
            auto at = [&](int i) -> uint8_t& {
                return horizontal ? a[size_t(l) * w + i] : a[size_t(i) * w + l];
            };
            auto out = [&](int i) -> uint8_t& {
                return horizontal ? tmp[size_t(l) * w + i] : tmp[size_t(i) * w + l];
            };
            int sum = 0, span = 2 * radius + 1;
            for (int i = -radius; i <= radius; ++i)
                sum += (i >= 0 && i < n) ? at(i) : 0;
            for (int i = 0; i < n; ++i) {
                out(i) = uint8_t((sum + span / 2) / span);
                int add = i + radius + 1, sub = i - radius;
                sum += (add < n ? at(add) : 0) - (sub >= 0 ? at(sub) : 0);
            }
        }
        a.swap(tmp);
    };
    for (int k = 0; k < 3; ++k) {
        pass(true);
        pass(false);
    }
}

class PainterDevice : public Device {
  public:
    PainterDevice(QPainter* painter, Rect bounds, double scale, QTransform base = {}, double rasterScale = 1)
        : painter_(painter), bounds_(bounds), scale_(scale), base_(base), rasterScale_(rasterScale) {}

    double scale() const override { return scale_; }
    Rect bounds() const override { return bounds_; }

    void save() override {
        if (QPainter* p = active())
            p->save();
    }
    void restore() override {
        if (QPainter* p = active())
            p->restore();
    }
    void clip(const Path& devicePath, FillRule rule) override {
        QPainter* p = active();
        if (!p)
            return;
        p->setTransform(base_);
        if (devicePath.isEmpty())
            p->setClipRect(QRectF(), Qt::IntersectClip);
        else
            p->setClipPath(qt::toQt(devicePath, rule), Qt::IntersectClip);
    }

    void fillPath(const Path& devicePath, FillRule rule, const GraphicsState& st) override {
        QPainterPath q = qt::toQt(devicePath, rule);
        auto box = [&] { return devicePath.boundingBox(); };
        draw(st, box, [&](QPainter& p, const QTransform& base) {
            setTransform(p, base);
            p.setPen(Qt::NoPen);
            p.setBrush(qt::toQt(st.fillColor));
            if (st.clears)
                p.setCompositionMode(QPainter::CompositionMode_Clear);
            p.drawPath(q);
            if (st.clears)
                p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        });
    }

    void strokePath(const Path& devicePath, const GraphicsState& st) override {
        auto inverse = st.ctm.inverted();
        if (!inverse)
            return;
        // A transform that only moves strokes alike in user and device space: the device path will do.
        const bool moves = st.ctm.a == 1 && st.ctm.b == 0 && st.ctm.c == 0 && st.ctm.d == 1;
        QTransform ctm = moves ? QTransform() : qt::toQt(st.ctm);
        QPainterPath user = moves ? qt::toQt(devicePath)
                                  : toQtTransformed(devicePath, FillRule::Winding, qt::toQt(*inverse));
        auto box = [&] {
            double grow = st.stroke.width * std::sqrt(std::fabs(st.ctm.determinant())) *
                              std::max(1.0, st.stroke.join == LineJoin::Miter ? st.stroke.miterLimit : 1.0) +
                          2;
            return devicePath.boundingBox().insetBy(-grow, -grow);
        };
        if (!havePen_ || !(penStyle_.width == st.stroke.width && penStyle_.cap == st.stroke.cap &&
                           penStyle_.join == st.stroke.join && penStyle_.miterLimit == st.stroke.miterLimit &&
                           penStyle_.dash == st.stroke.dash && penStyle_.dashPhase == st.stroke.dashPhase &&
                           penColor_ == st.strokeColor)) {
            pen_ = qt::toQtPen(st.stroke, qt::toQt(st.strokeColor));
            penStyle_ = st.stroke;
            penColor_ = st.strokeColor;
            havePen_ = true;
        }
        const QPen& pen = pen_;
        draw(st, box, [&](QPainter& p, const QTransform& base) {
            setTransform(p, ctm * base);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawPath(user);
        });
    }

    // On a raster target, copies that fall on the same fraction of a pixel rasterise alike: the first is
    // stroked alone into a coverage stamp, the stamp is laid at every copy into one transmittance buffer
    // (what is left of the background under each pixel), and the buffer is painted once in the stroke
    // colour. With one solid colour the order of the copies does not matter, so this is what stroking
    // them one after another paints. Anything else (a page or printer, a shadow, a dash, opacity, a
    // transform that does not keep the copies on whole pixels apart) is left to the caller.
    bool strokeCopies(const Path& devicePath, std::span<const Point> offsets, const GraphicsState& st) override {
        QPainter* p = active();
        if (!p || !p->paintEngine() || p->paintEngine()->type() != QPaintEngine::Raster ||
            p->device()->devicePixelRatio() != 1 || offsets.empty() ||
            devicePath.isEmpty() || st.shadow.isVisible() || st.clears || st.alpha < 1 || !st.stroke.dash.empty() ||
            base_.m12() != 0 || base_.m21() != 0 || !base_.isAffine())
            return false;
        auto inverse = st.ctm.inverted();
        if (!inverse)
            return false;
        const double sx = base_.m11(), sy = base_.m22();
        const Point first = offsets.front();
        // The first copy alone on a transparent image: its alpha is what one copy covers of what lies
        // under each pixel (where its own lines cross, as often as the pen covers it).
        const Path placed = devicePath.transformed(AffineTransform::translation(first.x, first.y));
        const double grow = st.stroke.width * std::sqrt(std::fabs(st.ctm.determinant())) *
                                std::max(1.0, st.stroke.join == LineJoin::Miter ? st.stroke.miterLimit : 1.0) +
                            2;
        const QRectF pixelBox = base_.mapRect(qt::toQt(placed.boundingBox().insetBy(-grow, -grow)));
        if (!pixelBox.isValid() || pixelBox.width() * pixelBox.height() > 1 << 20)
            return false;
        const QRect stampRect(QPoint(int(std::floor(pixelBox.left())), int(std::floor(pixelBox.top()))),
                              QPoint(int(std::ceil(pixelBox.right())), int(std::ceil(pixelBox.bottom()))));
        // Where each copy's stamp lies: whole pixels from the first, or the copies do not rasterise alike.
        const QRect limit = deviceLimit(*p);
        const int stampLeft = stampRect.left(), stampTop = stampRect.top();
        const int stampWidth = stampRect.width(), stampHeight = stampRect.height();
        std::vector<QPoint> shifts;
        shifts.reserve(offsets.size());
        int left = limit.right() + 1, top = limit.bottom() + 1, right = limit.left(), bottom = limit.top();
        for (const Point& o : offsets) {
            const double dx = (o.x - first.x) * sx, dy = (o.y - first.y) * sy;
            const double rx = std::round(dx), ry = std::round(dy);
            if (std::fabs(dx - rx) > 1e-6 || std::fabs(dy - ry) > 1e-6)
                return false;
            // A copy far off the target is not painted at all.
            if (std::fabs(rx) > 1e8 || std::fabs(ry) > 1e8)
                continue;
            const int x0 = stampLeft + int(rx), y0 = stampTop + int(ry);
            const int x1 = x0 + stampWidth, y1 = y0 + stampHeight; // past the last pixel
            if (x1 <= limit.left() || y1 <= limit.top() || x0 > limit.right() || y0 > limit.bottom())
                continue;
            shifts.push_back({int(rx), int(ry)});
            left = std::min(left, std::max(x0, limit.left()));
            top = std::min(top, std::max(y0, limit.top()));
            right = std::max(right, std::min(x1, limit.right() + 1));
            bottom = std::max(bottom, std::min(y1, limit.bottom() + 1));
        }
        if (shifts.empty())
            return true;
        const int w = right - left, h = bottom - top;
        if (double(w) * h > 64e6)
            return false;

        QImage stamp(stampRect.size(), QImage::Format_ARGB32_Premultiplied);
        stamp.fill(Qt::transparent);
        {
            QPainter sp(&stamp);
            sp.setRenderHint(QPainter::Antialiasing, st.antialias);
            sp.setPen(qt::toQtPen(st.stroke, qt::toQt(st.strokeColor)));
            sp.setBrush(Qt::NoBrush);
            const QTransform toStamp = QTransform::fromTranslate(-stampLeft, -stampTop);
            if (st.ctm.a == 1 && st.ctm.b == 0 && st.ctm.c == 0 && st.ctm.d == 1) {
                sp.setTransform(base_ * toStamp);
                sp.drawPath(qt::toQt(placed));
            } else {
                sp.setTransform(qt::toQt(st.ctm) * base_ * toStamp);
                sp.drawPath(toQtTransformed(placed, FillRule::Winding, qt::toQt(*inverse)));
            }
        }
        foundation::clearUpperVectorState();
        struct Cover {
            int x, y;         // in the stamp
            std::ptrdiff_t at; // y * w + x
            float keep;       // the share of what lies under the pixel that one copy leaves
        };
        std::vector<Cover> covers;
        for (int y = 0; y < stampHeight; ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(stamp.constScanLine(y));
            for (int x = 0; x < stampWidth; ++x)
                if (int a = qAlpha(row[x]))
                    covers.push_back({x, y, std::ptrdiff_t(y) * w + x, float(1 - a / 255.0)});
        }
        std::vector<float> keep(std::size_t(w) * h, 1.0f);
        for (const QPoint& shift : shifts) {
            const int ox = stampLeft + shift.x() - left, oy = stampTop + shift.y() - top;
            if (ox >= 0 && oy >= 0 && ox + stampWidth <= w && oy + stampHeight <= h) {
                float* corner = keep.data() + std::ptrdiff_t(oy) * w + ox;
                for (const Cover& c : covers)
                    corner[c.at] *= c.keep;
                continue;
            }
            for (const Cover& c : covers) {
                const int x = c.x + ox, y = c.y + oy;
                if (x >= 0 && x < w && y >= 0 && y < h)
                    keep[std::size_t(y) * w + x] *= c.keep;
            }
        }
        QImage painted(w, h, QImage::Format_ARGB32_Premultiplied);
        const auto channel = [](double v) { return float(std::clamp(v, 0.0, 1.0) * 255); };
        const float r = channel(st.strokeColor.red), g = channel(st.strokeColor.green),
                    b = channel(st.strokeColor.blue);
        for (int y = 0; y < h; ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(painted.scanLine(y));
            const float* under = keep.data() + std::size_t(y) * w;
            for (int x = 0; x < w; ++x) {
                const float a = 1.0f - under[x];
                row[x] = a <= 0 ? 0
                                : qRgba(int(r * a + 0.5f), int(g * a + 0.5f), int(b * a + 0.5f),
                                        int(255 * a + 0.5f));
            }
        }
        p->setOpacity(1);
        setTransform(*p, QTransform());
        p->drawImage(QPoint(left, top), painted);
        foundation::clearUpperVectorState();
        return true;
    }

    void drawShading(const Shading& sh, const GraphicsState& st) override {
        auto inverse = st.ctm.inverted();
        if (!inverse || sh.stops.empty())
            return;
        Rect deviceArea = st.clipBox.isNull() ? bounds_ : st.clipBox.intersection(bounds_);
        if (deviceArea.isEmpty())
            return;
        QRectF userArea = qt::toQt(inverse->apply(deviceArea));
        QGradientStops stops;
        for (const GradientStop& s : sh.stops)
            stops.append({std::clamp(s.location, 0.0, 1.0), qt::toQt(s.color)});
        QTransform ctm = qt::toQt(st.ctm);
        double far = 4 * (std::fabs(userArea.width()) + std::fabs(userArea.height()) + 1) +
                     std::fabs(sh.start.x) + std::fabs(sh.start.y) + std::fabs(sh.end.x) +
                     std::fabs(sh.end.y);
        QPainterPath region;
        QBrush brush;
        if (sh.kind == Shading::Kind::Axial) {
            double dx = sh.end.x - sh.start.x, dy = sh.end.y - sh.start.y, len = std::hypot(dx, dy);
            if (len == 0)
                return;
            QLinearGradient g(qt::toQt(sh.start), qt::toQt(sh.end));
            g.setStops(stops);
            brush = QBrush(g);
            double ux = dx / len, uy = dy / len, nx = -uy, ny = ux;
            QPointF s(sh.start.x - (sh.extendStart ? ux * far : 0),
                      sh.start.y - (sh.extendStart ? uy * far : 0));
            QPointF e(sh.end.x + (sh.extendEnd ? ux * far : 0), sh.end.y + (sh.extendEnd ? uy * far : 0));
            QPolygonF band({s + QPointF(nx, ny) * far, e + QPointF(nx, ny) * far, e - QPointF(nx, ny) * far,
                            s - QPointF(nx, ny) * far});
            region.addPolygon(band);
            region.closeSubpath();
        } else {
            QRadialGradient g(qt::toQt(sh.end), sh.endRadius, qt::toQt(sh.start), sh.startRadius);
            if (sh.start == sh.end && sh.startRadius > 0 && sh.endRadius > sh.startRadius) {
                // Concentric circles are a plain radial ramp that starts part-way out, which the PDF
                // writer keeps as a vector shading.
                double from = sh.startRadius / sh.endRadius;
                for (auto& stop : stops)
                    stop.first = from + stop.first * (1 - from);
                g = QRadialGradient(qt::toQt(sh.end), sh.endRadius);
            }
            g.setStops(stops);
            brush = QBrush(g);
            region.addRect(userArea.adjusted(-1, -1, 1, 1));
            if (!sh.extendEnd) {
                QPainterPath end;
                end.addEllipse(qt::toQt(sh.end), sh.endRadius, sh.endRadius);
                QPainterPath start;
                start.addEllipse(qt::toQt(sh.start), sh.startRadius, sh.startRadius);
                region = region.intersected(end.united(start));
            }
            if (!sh.extendStart && sh.startRadius > 0 && sh.startRadius < sh.endRadius) {
                QPainterPath hole;
                hole.addEllipse(qt::toQt(sh.start), sh.startRadius, sh.startRadius);
                region = region.subtracted(hole);
            }
        }
        QPainterPath area;
        area.addRect(userArea);
        area = area.intersected(region);
        draw(
            st, [&] { return deviceArea; },
            [&](QPainter& p, const QTransform& base) {
                p.setTransform(ctm * base);
                p.setPen(Qt::NoPen);
                p.setBrush(brush);
                p.drawPath(area);
            });
    }

    void drawImage(const Image& image, const Rect& rect, const GraphicsState& st) override {
        const QImage& q = qt::toQImage(image);
        if (q.isNull())
            return;
        QTransform ctm = qt::toQt(st.ctm);
        draw(
            st, [&] { return st.ctm.apply(rect); },
            [&](QPainter& p, const QTransform& base) {
                p.setTransform(ctm * base);
                p.setRenderHint(QPainter::SmoothPixmapTransform, true);
                p.drawImage(qt::toQt(rect), q);
            });
    }

    void drawTiledImage(const Image& image, const Rect& tile, const GraphicsState& st) override {
        const QImage& q = qt::toQImage(image);
        auto inverse = st.ctm.inverted();
        if (q.isNull() || !inverse)
            return;
        Rect deviceArea = st.clipBox.isNull() ? bounds_ : st.clipBox.intersection(bounds_);
        if (deviceArea.isEmpty())
            return;
        QRectF userArea = qt::toQt(inverse->apply(deviceArea));
        QBrush brush(q);
        QTransform bt;
        bt.translate(tile.origin.x, tile.origin.y);
        bt.scale(tile.size.width / q.width(), tile.size.height / q.height());
        brush.setTransform(bt);
        QTransform ctm = qt::toQt(st.ctm);
        draw(
            st, [&] { return deviceArea; },
            [&](QPainter& p, const QTransform& base) {
                p.setTransform(ctm * base);
                p.setRenderHint(QPainter::SmoothPixmapTransform, true);
                p.fillRect(userArea, brush);
            });
    }

    void drawText(const TextLayout& layout, Point origin, const GraphicsState& st) override {
        const TextLayout::Impl* impl = layout.impl();
        if (!impl)
            return;
        Size size = layout.size();
        Rect box = st.ctm.apply(Rect(origin, Size{std::max(size.width, impl->maxSize.width), size.height}))
                       .insetBy(-4, -4);
        QTransform ctm = qt::toQt(st.ctm);
        draw(
            st, [&] { return box; },
            [&](QPainter& p, const QTransform& base) {
                p.setTransform(ctm * base);
                impl->draw(p, qt::toQt(origin));
            });
    }

    void drawGroup(const Recorder& group, const Rect& deviceBounds, const GraphicsState& st) override {
        QPainter* p = active();
        if (!p)
            return;
        Rect drawn = group.contentBounds();
        if (drawn.isNull())
            return;
        Rect area = deviceBounds.intersection(bounds_).intersection(drawn);
        if (!st.clipBox.isNull())
            area = area.intersection(st.clipBox);
        if (area.isEmpty())
            return;
        if (st.shadow.isVisible())
            drawShadow(st, area,
                       [&](QPainter& off, const QTransform& base) { replayInto(group, off, base, area); });
        if (st.alpha >= 1) {
            // Vector content straight into the output.
            p->save();
            group.replay(*this);
            p->restore();
            return;
        }
        QImage content =
            render(area, [&](QPainter& off, const QTransform& base) { replayInto(group, off, base, area); });
        p->save();
        p->setTransform(base_);
        p->setOpacity(p->opacity() * st.alpha);
        p->drawImage(qt::toQt(area), content);
        p->restore();
        foundation::clearUpperVectorState();
    }

  protected:
    // A painter that has ended (a bitmap whose image was taken) draws nothing.
    virtual QPainter* active() { return painter_ && painter_->isActive() ? painter_ : nullptr; }

    // Runs one drawing operation: its shadow first (when the state casts one), then the operation.
    // Each operation sets all the painter state it uses, so no save/restore is needed around it
    // (the clip alone lives in the painter's saved states). `deviceBox` is only asked for a shadow.
    template <class Box, class Op> void draw(const GraphicsState& st, Box deviceBox, Op op) {
        QPainter* p = active();
        if (!p)
            return;
        if (st.shadow.isVisible())
            drawShadow(st, deviceBox(), op);
        if (p->opacity() != st.alpha)
            p->setOpacity(st.alpha);
        p->setRenderHint(QPainter::Antialiasing, st.antialias);
        op(*p, base_);
        // The painter's vector code may leave the registers' upper halves in use: our own arithmetic
        // after it would run slowly.
        foundation::clearUpperVectorState();
    }

    QImage render(const Rect& area, const std::function<void(QPainter&, const QTransform&)>& op) {
        int w = std::max(1, int(std::ceil(area.width() * rasterScale_)));
        int h = std::max(1, int(std::ceil(area.height() * rasterScale_)));
        QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
        image.setDotsPerMeterX(2835);
        image.setDotsPerMeterY(2835);
        image.fill(Qt::transparent);
        QPainter off(&image);
        off.setRenderHint(QPainter::Antialiasing, true);
        QTransform base;
        base.scale(rasterScale_, rasterScale_);
        base.translate(-area.origin.x, -area.origin.y);
        op(off, base);
        off.end();
        return image;
    }

    void replayInto(const Recorder& group, QPainter& off, const QTransform& base, const Rect& area) {
        PainterDevice device(&off, area, scale_, base, 1);
        group.replay(device);
    }

    // The shadow of what `op` draws: its alpha, blurred, in the shadow colour, at the offset.
    void drawShadow(const GraphicsState& st, const Rect& deviceBox,
                    const std::function<void(QPainter&, const QTransform&)>& op) {
        QPainter* p = active();
        double margin = std::ceil(st.shadow.blur * 1.5) + 2;
        Rect area = deviceBox.insetBy(-margin, -margin);
        Rect limit =
            bounds_.offsetBy(-st.shadow.offset.width, -st.shadow.offset.height).insetBy(-margin, -margin);
        area = area.intersection(limit).integral();
        if (area.isEmpty() || area.width() * area.height() > 64e6)
            return;
        QImage content = render(area, [&](QPainter& off, const QTransform& base) {
            off.save();
            off.setRenderHint(QPainter::Antialiasing, st.antialias);
            op(off, base);
            off.restore();
        });
        int w = content.width(), h = content.height();
        std::vector<uint8_t> alpha(size_t(w) * h);
        for (int y = 0; y < h; ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(content.constScanLine(y));
            for (int x = 0; x < w; ++x)
                alpha[size_t(y) * w + x] = uint8_t(qAlpha(row[x]));
        }
        boxBlur(alpha, w, h, st.shadow.blur / 2 * rasterScale_);
        const Color& c = *st.shadow.color;
        QImage shadow(w, h, QImage::Format_ARGB32_Premultiplied);
        double ca = std::clamp(c.alpha, 0.0, 1.0);
        for (int y = 0; y < h; ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
            for (int x = 0; x < w; ++x) {
                double a = alpha[size_t(y) * w + x] / 255.0 * ca;
                row[x] = qRgba(int(std::lround(std::clamp(c.red, 0.0, 1.0) * a * 255)),
                               int(std::lround(std::clamp(c.green, 0.0, 1.0) * a * 255)),
                               int(std::lround(std::clamp(c.blue, 0.0, 1.0) * a * 255)),
                               int(std::lround(a * 255)));
            }
        }
        p->save();
        p->setTransform(base_);
        p->setOpacity(st.alpha);
        p->setRenderHint(QPainter::SmoothPixmapTransform, true);
        p->drawImage(qt::toQt(area.offsetBy(st.shadow.offset.width, st.shadow.offset.height)), shadow);
        p->restore();
    }

    // The painter's pixels that can be painted: its device, within the clip's box.
    static QRect deviceLimit(QPainter& p) {
        QRect limit(0, 0, p.device()->width(), p.device()->height());
        if (p.hasClipping()) {
            setTransform(p, QTransform());
            limit &= p.clipBoundingRect().toAlignedRect();
        }
        return limit;
    }

    static void setTransform(QPainter& p, const QTransform& t) {
        if (p.transform() != t)
            p.setTransform(t);
    }

    QPainter* painter_;
    Rect bounds_;
    double scale_;
    QTransform base_;
    double rasterScale_;
    // The pen of the last stroke, reused while the stroke style stays the same.
    QPen pen_;
    StrokeStyle penStyle_;
    Color penColor_;
    bool havePen_ = false;
};

// --- pages: PDF writer and printer

class PagedDevice : public PainterDevice {
  public:
    PagedDevice(QPagedPaintDevice* device, Rect defaultBox)
        : PainterDevice(&painter_, Rect(0, 0, 0, 0), 1, {}, 2), device_(device), defaultBox_(defaultBox) {}
    ~PagedDevice() override { finish(); }

    // Before the first page opens, the default page is what will be drawn on.
    Rect bounds() const override {
        if (pageOpen_)
            return bounds_;
        Rect box = defaultBox_.standardized();
        return Rect(0, 0, box.width() > 0 ? box.width() : 1, box.height() > 0 ? box.height() : 1);
    }

    void beginPage(const Rect& mediaBox) override {
        if (pageOpen_)
            endPage();
        Rect box = mediaBox.standardized();
        double w = box.width() > 0 ? box.width() : 1, h = box.height() > 0 ? box.height() : 1;
        if (!(std::isfinite(w) && std::isfinite(h)))
            w = h = 1;
        device_->setPageLayout(
            QPageLayout(QPageSize(QSizeF(w, h), QPageSize::Point, QString(), QPageSize::ExactMatch),
                        QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        if (!painter_.isActive()) {
            if (!painter_.begin(device_)) {
                foundation::log("gfx: the PDF or printer output could not be opened");
                failed_ = true;
                return;
            }
        } else {
            device_->newPage();
        }
        bounds_ = Rect(0, 0, w, h);
        painter_.resetTransform();
        painter_.setClipping(false);
        base_ = QTransform::fromTranslate(-box.minX(), -box.minY());
        pageOpen_ = true;
    }

    void endPage() override {
        while (painter_.isActive() && depth_ > 0) {
            painter_.restore();
            --depth_;
        }
        pageOpen_ = false;
    }

    void save() override {
        if (active()) {
            painter_.save();
            ++depth_;
        }
    }
    void restore() override {
        if (active() && depth_ > 0) {
            painter_.restore();
            --depth_;
        }
    }

    bool finish() override {
        if (finished_)
            return !failed_;
        finished_ = true;
        if (pageOpen_)
            endPage();
        if (painter_.isActive())
            painter_.end();
        else if (!failed_) {
            // A document without pages still gets one (empty) page so readers accept it.
            beginPage(defaultBox_);
            painter_.end();
        }
        onFinished();
        return !failed_;
    }

  protected:
    QPainter* active() override {
        if (failed_ || finished_)
            return nullptr;
        if (!pageOpen_)
            beginPage(defaultBox_);
        return painter_.isActive() ? &painter_ : nullptr;
    }
    virtual void onFinished() {}

    QPainter painter_;
    QPagedPaintDevice* device_;
    Rect defaultBox_;
    bool pageOpen_ = false;
    bool finished_ = false;
    bool failed_ = false;
    int depth_ = 0;
};

class PDFDevice : public PagedDevice {
  public:
    PDFDevice(const QString& path, Rect box) : PagedDevice(nullptr, box), writer_(path) { setup(); }
    PDFDevice(std::shared_ptr<std::vector<uint8_t>> out, Rect box)
        : PagedDevice(nullptr, box), buffer_(std::make_unique<QBuffer>()), writer_(buffer_.get()),
          out_(std::move(out)) {
        buffer_->open(QIODevice::WriteOnly);
        setup();
    }
    ~PDFDevice() override { finish(); }

  private:
    void setup() {
        device_ = &writer_;
        writer_.setResolution(72);
        writer_.setCreator(QStringLiteral("Ovrida"));
        writer_.setPageMargins(QMarginsF(0, 0, 0, 0));
    }
    void onFinished() override {
        if (out_ && buffer_)
            out_->assign(buffer_->data().begin(), buffer_->data().end());
    }
    std::unique_ptr<QBuffer> buffer_;
    QPdfWriter writer_;
    std::shared_ptr<std::vector<uint8_t>> out_;
};

class PrinterDevice : public PagedDevice {
  public:
    PrinterDevice(const PrinterOptions& options, Rect box)
        : PagedDevice(nullptr, box), printer_(QPrinter::ScreenResolution) {
        device_ = &printer_;
        printer_.setResolution(72);
        printer_.setFullPage(true);
        printer_.setDocName(QString::fromStdString(options.documentName));
        printer_.setCopyCount(std::max(1, options.copies));
        if (!options.outputFile.empty()) {
            printer_.setOutputFormat(QPrinter::PdfFormat);
            printer_.setOutputFileName(QString::fromStdString(options.outputFile));
        } else if (!options.printerName.empty()) {
            printer_.setPrinterName(QString::fromStdString(options.printerName));
        }
        // A printer's own paper (A4, Letter, ...) is the default page: a caller that asks the bounds
        // before its first page learns what it draws on, and can fit its pages to it.
        if (options.outputFile.empty()) {
            QRectF paper = printer_.pageLayout().fullRect(QPageLayout::Point);
            if (paper.width() > 0 && paper.height() > 0)
                defaultBox_ = Rect(0, 0, paper.width(), paper.height());
        }
    }
    ~PrinterDevice() override { finish(); }

  private:
    QPrinter printer_;
};

} // namespace

// --- bitmap

struct BitmapContext::State {
    QImage image;
    QPainter painter;
};

BitmapContext::BitmapContext(int pixelWidth, int pixelHeight, double scale, std::optional<Color> background)
    : state_(std::make_unique<State>()) {
    qt::ensureGuiApplication();
    state_->image =
        QImage(std::max(1, pixelWidth), std::max(1, pixelHeight), QImage::Format_ARGB32_Premultiplied);
    // 72 dpi per unit of scale, so Qt resolves nothing differently from the reference device.
    int dpm = int(std::lround(2834.6457 * std::max(1.0, scale)));
    state_->image.setDotsPerMeterX(dpm);
    state_->image.setDotsPerMeterY(dpm);
    state_->image.fill(background ? qt::toQt(*background) : QColor(Qt::transparent));
    state_->painter.begin(&state_->image);
    state_->painter.setRenderHint(QPainter::Antialiasing, true);
    state_->painter.setRenderHint(QPainter::TextAntialiasing, true);
    // The fill may leave the vector registers' upper halves in use.
    foundation::clearUpperVectorState();
    context_ = std::make_unique<Context>(std::make_unique<PainterDevice>(
        &state_->painter, Rect(0, 0, state_->image.width(), state_->image.height()), scale > 0 ? scale : 1));
}

BitmapContext::~BitmapContext() {
    context_.reset();
    if (state_->painter.isActive())
        state_->painter.end();
}

std::unique_ptr<BitmapContext> BitmapContext::pointsContext(Size points, double scale,
                                                            std::optional<Color> background) {
    scale = scale > 0 ? scale : 1;
    auto bitmap = std::make_unique<BitmapContext>(int(std::ceil(points.width * scale)),
                                                  int(std::ceil(points.height * scale)), scale, background);
    bitmap->context().scaleCTM(scale, scale);
    return bitmap;
}

Image BitmapContext::image() const {
    if (state_->image.isNull())
        return {};
    QImage copy = state_->image.copy();
    return qt::fromQImage(std::move(copy), context_->deviceScale());
}

Image BitmapContext::takeImage() {
    if (state_->painter.isActive())
        state_->painter.end();
    if (state_->image.isNull())
        return {};
    return qt::fromQImage(std::exchange(state_->image, QImage()), context_->deviceScale());
}

namespace {
// The platform's default page for a document opened with an empty box: US Letter.
Rect defaultPage(const Rect& box) {
    return box.isEmpty() || !isFinite(box) ? Rect(0, 0, 612, 792) : box;
}
} // namespace

std::unique_ptr<Context> makePDFContext(const std::string& path, const Rect& defaultMediaBox) {
    qt::ensureGuiApplication();
    return std::make_unique<Context>(
        std::make_unique<PDFDevice>(QString::fromStdString(path), defaultPage(defaultMediaBox)));
}

std::unique_ptr<Context> makePDFDataContext(std::shared_ptr<std::vector<uint8_t>> out,
                                            const Rect& defaultMediaBox) {
    qt::ensureGuiApplication();
    return std::make_unique<Context>(
        std::make_unique<PDFDevice>(std::move(out), defaultPage(defaultMediaBox)));
}

std::unique_ptr<Context> makePrinterContext(const PrinterOptions& options, const Rect& defaultMediaBox) {
    qt::ensureGuiApplication();
    return std::make_unique<Context>(std::make_unique<PrinterDevice>(options, defaultPage(defaultMediaBox)));
}

namespace qt {
std::unique_ptr<Context> makePainterContext(QPainter* painter, const Rect& bounds, double scale) {
    return std::make_unique<Context>(std::make_unique<PainterDevice>(painter, bounds, scale));
}
} // namespace qt

} // namespace gfx
