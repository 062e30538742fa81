// The colour space of every colour and gradient the framework builds from numbers: device RGB, one
// shared instance.
#pragma once

#include "platform/foundation/KeyedArchive.h"

#include <memory>
#include <string_view>

class CPTColorSpace {
  public:
    // Device RGB is the only space our drawing platform has.
    enum class Model { DeviceRGB };

    CPTColorSpace() = default;
    explicit CPTColorSpace(Model space) : cgColorSpace_(space) {}
    CPTColorSpace(const CPTColorSpace&) = delete;
    CPTColorSpace& operator=(const CPTColorSpace&) = delete;

    // The one shared instance, the same object on every call.
    static const std::shared_ptr<CPTColorSpace>& genericRGBSpace();

    Model cgColorSpace() const { return cgColorSpace_; }
    // Four: red, green, blue, alpha.
    static constexpr int numberOfComponents() { return 4; }

    // The space itself is not stored (each side logs so); decoding gives device RGB.
    static bool supportsSecureCoding() { return true; }
    static constexpr const char* className() { return "CPTColorSpace"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    static std::shared_ptr<CPTColorSpace> colorSpaceWithCoder(foundation::KeyedUnarchiver& coder);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTColorSpace> decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

  private:
    Model cgColorSpace_ = Model::DeviceRGB;
};
