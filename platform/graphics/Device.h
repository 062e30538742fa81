// What a backend implements: resolved drawing operations with the full state of each call. Paths
// arrive in device space; the transform in the state says how user space maps to the device.
#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Gradient.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/Path.h"
#include "platform/graphics/Text.h"

#include <optional>
#include <span>

namespace gfx {

class Recorder;

struct Shadow {
    Size offset;                // device space, not affected by the transform
    double blur = 0;            // device units
    std::optional<Color> color; // none: no shadow
    bool isVisible() const { return color && color->alpha > 0; }
    friend bool operator==(const Shadow&, const Shadow&) = default;
};

struct GraphicsState {
    AffineTransform ctm;
    Color fillColor = Color::black();
    Color strokeColor = Color::black();
    StrokeStyle stroke;
    double alpha = 1;
    Shadow shadow;
    bool antialias = true;
    bool clears = false;         // paints transparent pixels (clearing a rect)
    Rect clipBox = Rect::null(); // device space; null while unclipped
};

class Device {
  public:
    virtual ~Device() = default;

    // Pixels per point (2 on a high-resolution image); chooses image variants.
    virtual double scale() const { return 1; }
    // The drawable area in device space.
    virtual Rect bounds() const = 0;

    virtual void save() = 0;
    virtual void restore() = 0;
    virtual void clip(const Path& devicePath, FillRule rule) = 0;

    virtual void fillPath(const Path& devicePath, FillRule rule, const GraphicsState& state) = 0;
    // Stroked in user space: the line width and dash are scaled by the state's transform.
    virtual void strokePath(const Path& devicePath, const GraphicsState& state) = 0;
    // Strokes a copy of the path moved by each offset (device space), painting what stroking the copies
    // one after another paints. False, having drawn nothing, when the device leaves that to its caller
    // (the default).
    virtual bool strokeCopies(const Path& devicePath, std::span<const Point> deviceOffsets,
                              const GraphicsState& state) {
        return false;
    }
    virtual void drawShading(const Shading& shading, const GraphicsState& state) = 0;
    // `rect` in user space; the top row of the image goes to the top (lowest y) of the rect.
    virtual void drawImage(const Image& image, const Rect& rect, const GraphicsState& state) = 0;
    // Tiles of `tile`'s size repeated over the clip, one of them at `tile`.
    virtual void drawTiledImage(const Image& image, const Rect& tile, const GraphicsState& state) = 0;
    virtual void drawText(const TextLayout& layout, Point origin, const GraphicsState& state) = 0;

    // A group of recorded operations composited as one: its shadow (from the state) under it, then
    // the group with the state's alpha. `deviceBounds` limits the group.
    virtual void drawGroup(const Recorder& group, const Rect& deviceBounds, const GraphicsState& state) = 0;

    virtual void beginPage(const Rect& mediaBox) {}
    virtual void endPage() {}
    // Finishes the output (a PDF's last page); false when it could not be written.
    virtual bool finish() { return true; }
};

} // namespace gfx
