// A bitmap with a scale (pixels per point): loaded from PNG files or data, cut, and written as PNG.
#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gfx {

class Image {
  public:
    struct Impl;

    Image() = default;
    // A blank (transparent) bitmap.
    static Image blank(int pixelWidth, int pixelHeight, double scale = 1);
    // Rows from the top, RGBA bytes per pixel, not premultiplied.
    static Image fromRGBA(int pixelWidth, int pixelHeight, const std::vector<uint8_t>& rgba,
                          double scale = 1);
    static std::optional<Image> fromPNGData(const std::vector<uint8_t>& data, double scale = 1);
    // Loads a PNG file. For a device scale above 1 the "@2x"/"@3x" variant beside it is preferred
    // (name.png -> name@2x.png, the whole part of the scale); the image's scale says which was read.
    static std::optional<Image> loadPNG(const std::string& path, double deviceScale = 1);

    bool isNull() const { return !impl_; }
    int pixelWidth() const;
    int pixelHeight() const;
    double scale() const { return scale_; }
    Image withScale(double scale) const;
    // Size in points: pixels divided by the scale.
    Size size() const;
    // The part inside a rect in pixels (clipped to the bitmap); a null image when nothing remains.
    Image cropped(const Rect& pixelRect) const;
    Color pixel(int x, int y) const;
    std::vector<uint8_t> pngData() const;
    bool writePNG(const std::string& path) const;
    bool sameBitmap(const Image& other) const { return impl_ == other.impl_; }

    const Impl* impl() const { return impl_.get(); }
    explicit Image(std::shared_ptr<const Impl> impl, double scale) : impl_(std::move(impl)), scale_(scale) {}

  private:
    std::shared_ptr<const Impl> impl_;
    double scale_ = 1;
};

} // namespace gfx
