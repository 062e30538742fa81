// A drawable bitmap for image fills: a bitmap with a scale (pixels per point), drawn stretched or tiled
// into a rectangle, or in nine parts whose borders keep their size while the middle stretches. It
// follows the device scale of the context it last drew into.
//
// Bitmaps are drawn upright in a y-up user space, as the framework draws charts: the first row of a
// bitmap goes to the top (the largest y) of its rectangle, and the nine parts put the top strip there.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "plot/foundation/CPTUtilities.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The nine parts: top left, top, top right, left, centre, right, bottom left, bottom, bottom right. A
// null image is an empty part.
using CPTImageSlices = std::array<gfx::Image, 9>;

class CPTImage {
  public:
    // No bitmap, scale 1.
    CPTImage();
    // A null bitmap is no bitmap.
    CPTImage(const gfx::Image& image, CGFloat scale);
    CPTImage(const CPTImage&) = delete;
    CPTImage& operator=(const CPTImage&) = delete;

    static std::shared_ptr<CPTImage> imageWithCGImage(const gfx::Image& image, CGFloat scale = 1.0);
    // The native image's scale and no insets (our images carry none); a null image gives an image
    // with nothing to draw and scale 0.
    static std::shared_ptr<CPTImage> imageWithNativeImage(const gfx::Image& nativeImage);
    // A PNG file read as the platform reads one (preferring the variant for the largest screen scale);
    // a file that does not load gives an image with nothing to draw.
    static std::shared_ptr<CPTImage> imageWithContentsOfFile(const std::string& path);
    // A PNG in the resources folder, by name with or without ".png".
    static std::shared_ptr<CPTImage> imageNamed(const std::string& name);
    // With a largest screen scale m above 1, a path ending in ".png" (any case) is first tried as
    // "@<whole part of m>x.png" with scale m; else the path itself with scale 1. Nothing when the file
    // chosen does not open or is not a PNG that can be decoded.
    static std::shared_ptr<CPTImage> imageForPNGFile(const std::string& path);

    // Made from the bitmap (at `scale`) when none was given, and kept.
    gfx::Image nativeImage() const;
    // Drops the bitmap; drawing takes it again from the native image.
    void setNativeImage(const gfx::Image& nativeImage);
    const gfx::Image& image() const { return image_; }
    void setImage(const gfx::Image& image) { image_ = image; }
    CGFloat scale() const { return scale_; }
    void setScale(CGFloat scale) { scale_ = scale; }
    CGFloat lastDrawnScale() const { return lastDrawnScale_; }
    void setLastDrawnScale(CGFloat scale) { lastDrawnScale_ = scale; }
    bool isTiled() const { return tiled_; }
    void setTiled(bool tiled) { tiled_ = tiled; }
    // Tiles start at the context's origin (the default) or at the rectangle's.
    bool tileAnchoredToContext() const { return tileAnchoredToContext_; }
    void setTileAnchoredToContext(bool anchored) { tileAnchoredToContext_ = anchored; }
    // In points; all 0 draws the bitmap whole. New insets drop the slices.
    CPTEdgeInsets edgeInsets() const { return edgeInsets_; }
    void setEdgeInsets(CPTEdgeInsets insets);
    const CPTImageSlices& slices() const { return slices_; }
    void setSlices(const CPTImageSlices& slices) { slices_ = slices; }
    // An image is never opaque.
    bool isOpaque() const { return false; }

    // Whole, tiled or in nine parts; a new device scale takes the bitmap again from the native image
    // and cuts the slices again. Nothing without a bitmap.
    void drawInRect(CGRect rect, gfx::Context& context);
    // One bitmap: stretched over the rectangle, or tiles of (pixels / scale) points. Nothing for a null
    // bitmap or a rectangle without positive width and height.
    void drawImage(const gfx::Image& image, gfx::Context& context, CGRect rect) const;
    // The nine parts cut from the bitmap with the insets in pixels; a part exists only with a positive
    // width and height.
    void makeImageSlices();

    // Same scale, tiling, insets and bitmap (size and pixels).
    bool isEqual(const CPTImage* other) const;
    std::uint64_t hash() const;
    std::shared_ptr<CPTImage> copy() const;
    gfx::Image debugQuickLookObject() const { return nativeImage(); }

    // "CPTImage.image" (the bitmap, or the native image's), "CPTImage.scale", "CPTImage.tiled",
    // "CPTImage.tileAnchoredToContext" and "CPTImage.edgeInsets.top" / ".left" / ".bottom" / ".right".
    // The native image is the same bitmap and is not stored again. Decoding sets the last drawn scale to
    // the scale.
    static bool supportsSecureCoding() { return true; }
    static constexpr const char* className() { return "CPTImage"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    static std::shared_ptr<CPTImage> imageWithCoder(foundation::KeyedUnarchiver& coder);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTImage> decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

  private:
    mutable gfx::Image nativeImage_;
    gfx::Image image_;
    CGFloat scale_ = 1;
    CGFloat lastDrawnScale_ = 1;
    bool tiled_ = false;
    bool tileAnchoredToContext_ = true;
    CPTEdgeInsets edgeInsets_;
    CPTImageSlices slices_;
};
