// The drawing context: graphics state, transforms, a current path, fills, strokes, clips, shadings,
// images, transparency layers and text, over one backend (Qt painter or recorder).
//
// Conventions:
// - Units are points. Device space is y-down from the top-left: pixels for images and windows,
//   points for PDF. User space starts equal to device space; callers that draw y-up flip it.
// - Text is laid out once against a 72-dpi reference device (a 72-dpi image, a PDF at resolution 72);
//   measuring without a context uses that device too, and a window scales by 72 / its logical dpi.
// - Fonts come from our own family table (see Text.h): every family maps to DejaVu Sans.
// - Arcs: angles run from +x towards +y in user space; "clockwise" means decreasing angles, which is
//   clockwise on screen for a y-up user space. An arc to a point is built from its tangent points.
// - Images: the top row is drawn at the top (lowest y) of the destination rect in y-down space.
// - The current path is fixed by the transform in force when each element is added; fill, stroke
//   and clip consume it. Line widths and dashes are in user space at the time of the stroke.
// - Shadow offsets and blur are in device space and ignore the transform.
// - The miter limit is the platform's ratio of miter length to line width.
// - A call that a backend could not draw (a singular transform, a dash without positive length,
//   a non-finite coordinate) draws nothing and leaves the context usable.
#pragma once

#include "platform/graphics/Device.h"

#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace gfx {

class DrawingLayer;

enum class PathDrawingMode { Fill, EOFill, Stroke, FillStroke, EOFillStroke };

class Context {
  public:
    explicit Context(std::unique_ptr<Device> device);
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    Device& device() { return *devices_.front(); }
    // The drawable area in device space (the current page of a PDF).
    Rect deviceBounds() const { return devices_.front()->bounds(); }
    double deviceScale() const;

    // --- graphics state
    void saveGState();
    void restoreGState();
    const GraphicsState& state() const { return state_; }
    void setFillColor(const Color& color) { state_.fillColor = color; }
    void setStrokeColor(const Color& color) { state_.strokeColor = color; }
    void setLineWidth(double width) { state_.stroke.width = width; }
    void setLineCap(LineCap cap) { state_.stroke.cap = cap; }
    void setLineJoin(LineJoin join) { state_.stroke.join = join; }
    void setMiterLimit(double limit) { state_.stroke.miterLimit = limit; }
    // Lengths in user space; an odd count repeats the pattern twice; none makes the line solid.
    void setLineDash(double phase, const std::vector<double>& lengths);
    void setAlpha(double alpha) { state_.alpha = alpha; }
    // No colour: no shadow.
    void setShadow(Size offset, double blur, std::optional<Color> color);
    void setShouldAntialias(bool on) { state_.antialias = on; }

    // --- transforms
    AffineTransform ctm() const { return state_.ctm; }
    void translateCTM(double tx, double ty);
    void scaleCTM(double sx, double sy);
    void rotateCTM(double radians);
    void concatCTM(const AffineTransform& t);
    Point convertPointToDeviceSpace(Point p) const;
    Point convertPointToUserSpace(Point p) const;
    Size convertSizeToDeviceSpace(Size s) const;
    Size convertSizeToUserSpace(Size s) const;
    Rect convertRectToDeviceSpace(const Rect& r) const;
    Rect convertRectToUserSpace(const Rect& r) const;

    // --- the current path
    void beginPath() { path_.clear(); }
    void moveToPoint(double x, double y);
    void addLineToPoint(double x, double y);
    void addQuadCurveToPoint(double cx, double cy, double x, double y);
    void addCurveToPoint(double c1x, double c1y, double c2x, double c2y, double x, double y);
    void addArc(double x, double y, double radius, double startAngle, double endAngle, bool clockwise);
    void addArcToPoint(double x1, double y1, double x2, double y2, double radius);
    void addRect(const Rect& r);
    void addRects(const std::vector<Rect>& rects);
    void addEllipseInRect(const Rect& r);
    void addRoundedRect(const Rect& r, double cornerWidth, double cornerHeight);
    void addLines(const std::vector<Point>& points);
    // A path in user space, fixed by the current transform.
    void addPath(const Path& path);
    void closePath() { path_.closeSubpath(); }
    bool isPathEmpty() const { return path_.isEmpty(); }
    // In user space; nullopt without a current point.
    std::optional<Point> pathCurrentPoint() const;
    // The box of the path's points in user space; the null rect for an empty path.
    Rect pathBoundingBox() const;
    // The current path in user space.
    Path copyPath() const;
    // The current path in device space.
    const Path& devicePath() const { return path_; }
    // Replaces the path by the outline of its stroke with the current line parameters.
    void replacePathWithStrokedPath();
    bool pathContainsPoint(Point userPoint, PathDrawingMode mode) const;

    // --- painting (each consumes the current path)
    void fillPath(FillRule rule = FillRule::Winding);
    void eoFillPath() { fillPath(FillRule::EvenOdd); }
    void strokePath();
    // Strokes a copy of `path` (user space, not the current path) with its origin on each point, as
    // stroking the copies one after another would, when the device can paint them at once. False, having
    // drawn nothing, when it cannot (or the path or a point is not finite); line parameters that
    // strokePath refuses are refused alike. The current path is left alone.
    bool strokePathCopiesAtPoints(const Path& path, std::span<const Point> points);
    void drawPath(PathDrawingMode mode);
    void clip(FillRule rule = FillRule::Winding);
    void eoClip() { clip(FillRule::EvenOdd); }
    // These leave the current path alone.
    void clipToRect(const Rect& r);
    void clipToRects(const std::vector<Rect>& rects);
    // The box of the clip in user space (the device bounds when unclipped).
    Rect clipBoundingBox() const;
    void fillRect(const Rect& r);
    void fillRects(const std::vector<Rect>& rects);
    void strokeRect(const Rect& r);
    void strokeRectWithWidth(const Rect& r, double width);
    void fillEllipseInRect(const Rect& r);
    void strokeEllipseInRect(const Rect& r);
    // Pairs of points, each pair one segment.
    void strokeLineSegments(const std::vector<Point>& points);
    void clearRect(const Rect& r);

    // --- shadings, clipped to the current clip
    void drawLinearGradient(const Gradient& gradient, Point start, Point end, unsigned options);
    // Between two circles; a negative start radius starts the visible ramp where the radius is 0.
    void drawRadialGradient(const Gradient& gradient, Point startCenter, double startRadius, Point endCenter,
                            double endRadius, unsigned options);

    // --- images
    void drawImage(const Rect& rect, const Image& image);
    void drawTiledImage(const Rect& tile, const Image& image);

    // --- off-screen layers (see DrawingLayer.h): the layer's content scaled into `rect`
    void drawLayerInRect(const Rect& rect, const DrawingLayer& layer);
    void drawLayerAtPoint(Point point, const DrawingLayer& layer);

    // --- transparency layers: drawn straight through when there is no shadow and no group alpha;
    // otherwise composited as one group (the shadow cast by the whole group).
    void beginTransparencyLayer();
    void beginTransparencyLayerWithRect(const Rect& rect);
    void endTransparencyLayer();
    // True while drawing goes into a group that is composited onto the output when its layer ends.
    bool drawsIntoGroup() const { return devices_.size() > 1; }

    // --- text: drawn in the fill colour of the style (none: nothing drawn)
    void drawText(std::string_view text, const Rect& rect, const TextStyle& style);
    void drawText(const RichText& text, const Rect& rect);
    // A prepared layout with its top-left at `origin` in user space.
    void drawTextLayout(const TextLayout& layout, Point origin);

    // --- pages (PDF, printer)
    void beginPage(const std::optional<Rect>& mediaBox = std::nullopt);
    void endPage();
    // Writes what is pending; false when the output could not be written.
    bool finish();

  private:
    struct Layer;
    Device& current() { return *devices_.back(); }
    bool canDraw(const char* op) const;
    // Logs and answers false when the line parameters cannot be stroked.
    bool strokeIsUsable() const;
    bool pathIsUsable(const char* op) const;

    std::vector<std::unique_ptr<Device>> devices_; // the output, then one per open layer group
    std::vector<Layer> layers_;
    GraphicsState state_;
    std::vector<GraphicsState> stack_;
    Path path_;
    Rect defaultMediaBox_;
};

} // namespace gfx
