// The plotting framework's additions to keyed archives: doubles, points, sizes, rects, colour spaces,
// paths and images, stored under keys derived from the key given ("origin" -> "origin.x", "origin.y").
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/Path.h"
#include "plot/foundation/CPTUtilities.h"

#include <initializer_list>
#include <optional>
#include <string_view>

void encodeCGFloat(foundation::KeyedArchiver& coder, CGFloat value, std::string_view key);
CGFloat decodeCGFloatForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

// "%@.x", "%@.y"
void encodeCPTPoint(foundation::KeyedArchiver& coder, CGPoint point, std::string_view key);
CGPoint decodeCPTPointForKey(foundation::KeyedUnarchiver& coder, std::string_view key);
// "%@.width", "%@.height"
void encodeCPTSize(foundation::KeyedArchiver& coder, CGSize size, std::string_view key);
CGSize decodeCPTSizeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);
// "%@.origin" and "%@.size" as a point and a size
void encodeCPTRect(foundation::KeyedArchiver& coder, CGRect rect, std::string_view key);
CGRect decodeCPTRectForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

// A missing decimal reads as NaN, not 0.
void encodeDecimal(foundation::KeyedArchiver& coder, NSDecimal decimal, std::string_view key);
NSDecimal decodeDecimalForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

// Colour spaces are not stored: every colour is device RGB. Each side logs that it stores nothing.
void encodeCGColorSpace(foundation::KeyedArchiver& coder, std::string_view key);
void newCGColorSpaceDecodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

// "%@.count", then per element "%@[i].type" and its points "%@[i].point1" ... "%@[i].point3".
// A missing path reads as an empty path.
void encodeCGPath(foundation::KeyedArchiver& coder, const gfx::Path& path, std::string_view key);
gfx::Path newCGPathDecodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

// Bitmap description and RGBA bytes ("%@.width", "%@.height", "%@.bitsPerComponent", "%@.bitsPerPixel",
// "%@.bytesPerRow", "%@.bitmapInfo" (4 raw bytes), "%@.provider", "%@.shouldInterpolate",
// "%@.renderingIntent"). Decoding fails the archive, and gives nothing, when the description does not
// fit the bytes; a missing image gives nothing.
void encodeCGImage(foundation::KeyedArchiver& coder, const gfx::Image& image, std::string_view key);
std::optional<gfx::Image> newCGImageDecodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

// Writes `object` (anything with encodeWithCoder) nested under key as an object of the given class.
template <class T>
void CPTEncodeObject(foundation::KeyedArchiver& coder, const T& object, std::string_view className,
                     std::string_view key) {
    coder.encodeObject(className, key, [&object](foundation::KeyedArchiver& nested) { object.encodeWithCoder(nested); });
}

// The object nested under key when its class is one of `classes`, read from the nested coder by
// `decode`; nothing when the key is missing or nil, names another class, or the archive fails.
template <class Decode>
auto CPTDecodeObject(foundation::KeyedUnarchiver& coder, std::string_view key,
                     std::initializer_list<std::string_view> classes, Decode&& decode) -> decltype(decode(coder)) {
    auto object = coder.decodeObjectForKey(key, classes);
    if (!object)
        return nullptr;
    auto result = decode(*object);
    if (coder.failed())
        return nullptr;
    return result;
}
