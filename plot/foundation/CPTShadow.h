// A drop shadow (offset, blur radius, colour) that layers and symbols apply to a context before they
// draw. Immutable; the mutable subclass only makes the fields writable.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Context.h"
#include "plot/foundation/CPTColor.h"

#include <memory>
#include <string_view>

class CPTMutableShadow;

class CPTShadow {
  public:
    CPTShadow() = default;
    virtual ~CPTShadow() = default;
    CPTShadow(const CPTShadow&) = delete;
    CPTShadow& operator=(const CPTShadow&) = delete;

    static std::shared_ptr<CPTShadow> shadow();

    CGSize shadowOffset() const { return shadowOffset_; }
    CGFloat shadowBlurRadius() const { return shadowBlurRadius_; }
    // None: no shadow is drawn.
    const std::shared_ptr<CPTColor>& shadowColor() const { return shadowColor_; }

    // Offset and blur go to the context as they stand (the context reads them in device space); without
    // a colour the context's shadow is turned off.
    void setShadowInContext(gfx::Context& context) const;

    // Always the immutable class, and always the mutable one, whatever the receiver; the colour object is
    // shared.
    std::shared_ptr<CPTShadow> copy() const;
    std::shared_ptr<CPTMutableShadow> mutableCopy() const;

    // Keys "CPTShadow.shadowOffset" (size), "CPTShadow.shadowBlurRadius", "CPTShadow.shadowColor".
    static bool supportsSecureCoding() { return true; }
    virtual const char* className() const { return "CPTShadow"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    // Of either class, as the archive names it; nothing when missing or unreadable.
    static std::shared_ptr<CPTShadow> shadowWithCoder(foundation::KeyedUnarchiver& coder);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTShadow> decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

  protected:
    void copyFieldsFrom(const CPTShadow& other);
    bool decodeFields(foundation::KeyedUnarchiver& coder);

    CGSize shadowOffset_;
    CGFloat shadowBlurRadius_ = 0;
    std::shared_ptr<CPTColor> shadowColor_;
};

class CPTMutableShadow : public CPTShadow {
  public:
    static std::shared_ptr<CPTMutableShadow> shadow();

    void setShadowOffset(CGSize offset) { shadowOffset_ = offset; }
    void setShadowBlurRadius(CGFloat radius) { shadowBlurRadius_ = radius; }
    void setShadowColor(std::shared_ptr<CPTColor> color) { shadowColor_ = std::move(color); }

    const char* className() const override { return "CPTMutableShadow"; }
};
