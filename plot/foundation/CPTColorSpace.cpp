// The shared device-RGB colour space and its (empty) archive.
#include "plot/foundation/CPTColorSpace.h"

#include "plot/foundation/CPTArchiving.h"

const std::shared_ptr<CPTColorSpace>& CPTColorSpace::genericRGBSpace() {
    static const std::shared_ptr<CPTColorSpace> shared = std::make_shared<CPTColorSpace>(Model::DeviceRGB);
    return shared;
}

void CPTColorSpace::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    encodeCGColorSpace(coder, "CPTColorSpace.cgColorSpace");
}

std::shared_ptr<CPTColorSpace> CPTColorSpace::colorSpaceWithCoder(foundation::KeyedUnarchiver& coder) {
    newCGColorSpaceDecodeForKey(coder, "CPTColorSpace.cgColorSpace");
    if (coder.failed())
        return nullptr;
    return std::make_shared<CPTColorSpace>(Model::DeviceRGB);
}

void CPTColorSpace::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    CPTEncodeObject(coder, *this, className(), key);
}

std::shared_ptr<CPTColorSpace> CPTColorSpace::decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key) {
    return CPTDecodeObject(coder, key, {className()}, colorSpaceWithCoder);
}
