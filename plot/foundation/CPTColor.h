// The framework's colour value: immutable, shared freely between styles, four components in the
// generic RGB space. A colour made from a native (user-interface) colour keeps it and answers it.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Color.h"
#include "plot/foundation/CPTUtilities.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

class CPTColor {
  public:
    // Transparent black.
    CPTColor();
    explicit CPTColor(const gfx::Color& cgColor);
    CPTColor(const CPTColor&) = delete;
    CPTColor& operator=(const CPTColor&) = delete;

    static std::shared_ptr<CPTColor> colorWithCGColor(const gfx::Color& color);
    static std::shared_ptr<CPTColor> colorWithComponentRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    // Keeps the native colour: cgColor() answers it and alpha copies stay native-backed.
    static std::shared_ptr<CPTColor> colorWithUIColor(const gfx::Color& color);
    static std::shared_ptr<CPTColor> colorWithNativeColor(const gfx::Color& color) { return colorWithUIColor(color); }
    // Red, green and blue all `gray`, alpha 1.
    static std::shared_ptr<CPTColor> colorWithGenericGray(CGFloat gray);

    // The named colours: each the same object on every call.
    static const std::shared_ptr<CPTColor>& clearColor();
    static const std::shared_ptr<CPTColor>& whiteColor();
    static const std::shared_ptr<CPTColor>& lightGrayColor();
    static const std::shared_ptr<CPTColor>& grayColor();
    static const std::shared_ptr<CPTColor>& darkGrayColor();
    static const std::shared_ptr<CPTColor>& blackColor();
    static const std::shared_ptr<CPTColor>& redColor();
    static const std::shared_ptr<CPTColor>& greenColor();
    static const std::shared_ptr<CPTColor>& blueColor();
    static const std::shared_ptr<CPTColor>& cyanColor();
    static const std::shared_ptr<CPTColor>& yellowColor();
    static const std::shared_ptr<CPTColor>& magentaColor();
    static const std::shared_ptr<CPTColor>& orangeColor();
    static const std::shared_ptr<CPTColor>& purpleColor();
    static const std::shared_ptr<CPTColor>& brownColor();

    // The native colour when the colour was made from one, else the stored one.
    gfx::Color cgColor() const { return uiColorCache_ ? *uiColorCache_ : cgColor_; }
    const std::optional<gfx::Color>& uiColorCache() const { return uiColorCache_; }
    gfx::Color uiColor() const { return cgColor(); }
    gfx::Color nativeColor() const { return cgColor(); }
    // Alpha at least 1.
    bool isOpaque() const;

    std::shared_ptr<CPTColor> colorWithAlphaComponent(CGFloat alpha) const;
    // Same components (exact comparison); nullptr is never equal.
    bool isEqual(const CPTColor* other) const;
    // red x 256 + green x 256^2 + blue x 256^3 + alpha x 256^4, truncated (NaN 0, saturated).
    std::uint64_t hash() const;
    std::shared_ptr<CPTColor> copy() const;
    gfx::Color debugQuickLookObject() const { return uiColor(); }

    // Keys "CPTColor.colorSpace" (nothing stored), "CPTColor.numberOfComponents" and
    // "CPTColor.component[i]". The native colour is not archived. Decoding accepts four components, or
    // two (grey and alpha); any other count fails the archive and gives nothing.
    static bool supportsSecureCoding() { return true; }
    static constexpr const char* className() { return "CPTColor"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    static std::shared_ptr<CPTColor> colorWithCoder(foundation::KeyedUnarchiver& coder);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTColor> decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

  private:
    struct Native {};
    CPTColor(Native, const gfx::Color& uiColor);

    std::optional<gfx::Color> uiColorCache_;
    gfx::Color cgColor_;
};
