// How an area is painted: with a solid colour, a gradient or an image, over a rectangle or the current
// path. Callers see only this class; which source it holds is private (className() names the kind:
// "_CPTFillColor", "_CPTFillGradient", "_CPTFillImage"), and archives always name "CPTFill".
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Context.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTGradient.h"
#include "plot/foundation/CPTImage.h"

#include <memory>
#include <optional>
#include <string_view>

class CPTFill {
  public:
    CPTFill(const CPTFill&) = delete;
    CPTFill& operator=(const CPTFill&) = delete;

    // Each keeps the object it is given (shared); a copy of the fill holds a copy of it.
    static std::shared_ptr<CPTFill> fillWithColor(std::shared_ptr<CPTColor> color);
    static std::shared_ptr<CPTFill> fillWithGradient(std::shared_ptr<CPTGradient> gradient);
    static std::shared_ptr<CPTFill> fillWithImage(std::shared_ptr<CPTImage> image);

    // Each saves and restores the state. A colour fill sets the fill colour and fills; a gradient fill
    // paints as the gradient does; an image fill draws the image into the rectangle, or into the path's
    // box clipped to the path. Path fills consume the current path.
    void fillRect(CGRect rect, gfx::Context& context) const;
    void fillPathInContext(gfx::Context& context) const;

    // The source's opacity (an image is never opaque).
    bool isOpaque() const;
    // The colour of a colour fill; none for the other kinds.
    std::optional<gfx::Color> cgColor() const;

    const std::shared_ptr<CPTColor>& fillColor() const { return color_; }
    const std::shared_ptr<CPTGradient>& fillGradient() const { return gradient_; }
    const std::shared_ptr<CPTImage>& fillImage() const { return image_; }

    std::shared_ptr<CPTFill> copy() const;
    gfx::Image debugQuickLookObject() const;

    const char* className() const;
    static constexpr const char* classForCoder() { return "CPTFill"; }

    // One key per kind: "_CPTFillColor.fillColor", "_CPTFillGradient.fillGradient" or
    // "_CPTFillImage.fillImage". Decoding tries them in that order and takes the first one found;
    // nothing when none is there or the archive fails.
    static bool supportsSecureCoding() { return true; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    static std::shared_ptr<CPTFill> fillWithCoder(foundation::KeyedUnarchiver& coder);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTFill> decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

  private:
    enum class Kind { Color, Gradient, Image };
    explicit CPTFill(Kind kind) : kind_(kind) {}

    Kind kind_;
    std::shared_ptr<CPTColor> color_;
    std::shared_ptr<CPTGradient> gradient_;
    std::shared_ptr<CPTImage> image_;
};
