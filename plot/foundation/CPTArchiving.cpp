// Archive operations for the framework's geometry, paths and images.
#include "plot/foundation/CPTArchiving.h"

#include "platform/foundation/Log.h"

#include <algorithm>
#include <cmath>
#include <string>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;

namespace {
std::string sub(std::string_view key, std::string_view member) {
    return std::string(key) + "." + std::string(member);
}

std::string element(std::string_view key, std::size_t index, std::string_view member) {
    return std::string(key) + "[" + std::to_string(index) + "]." + std::string(member);
}

// Image bitmaps are RGBA, one byte per component.
constexpr std::int64_t kBitsPerComponent = 8;
constexpr std::int64_t kBitsPerPixel = 32;
} // namespace

void encodeCGFloat(KeyedArchiver& coder, CGFloat value, std::string_view key) {
    coder.encodeDouble(value, key);
}
CGFloat decodeCGFloatForKey(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeDoubleForKey(key);
}

void encodeCPTPoint(KeyedArchiver& coder, CGPoint point, std::string_view key) {
    encodeCGFloat(coder, point.x, sub(key, "x"));
    encodeCGFloat(coder, point.y, sub(key, "y"));
}

CGPoint decodeCPTPointForKey(KeyedUnarchiver& coder, std::string_view key) {
    return {decodeCGFloatForKey(coder, sub(key, "x")), decodeCGFloatForKey(coder, sub(key, "y"))};
}

void encodeCPTSize(KeyedArchiver& coder, CGSize size, std::string_view key) {
    encodeCGFloat(coder, size.width, sub(key, "width"));
    encodeCGFloat(coder, size.height, sub(key, "height"));
}

CGSize decodeCPTSizeForKey(KeyedUnarchiver& coder, std::string_view key) {
    return {decodeCGFloatForKey(coder, sub(key, "width")), decodeCGFloatForKey(coder, sub(key, "height"))};
}

void encodeCPTRect(KeyedArchiver& coder, CGRect rect, std::string_view key) {
    encodeCPTPoint(coder, rect.origin, sub(key, "origin"));
    encodeCPTSize(coder, rect.size, sub(key, "size"));
}

CGRect decodeCPTRectForKey(KeyedUnarchiver& coder, std::string_view key) {
    return CGRect(decodeCPTPointForKey(coder, sub(key, "origin")),
                  decodeCPTSizeForKey(coder, sub(key, "size")));
}

void encodeDecimal(KeyedArchiver& coder, NSDecimal decimal, std::string_view key) {
    coder.encodeDecimal(decimal, key);
}

NSDecimal decodeDecimalForKey(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeDecimalForKey(key);
}

void encodeCGColorSpace(KeyedArchiver&, std::string_view) {
    foundation::log(
        "Color space encoding is not supported on iOS. Decoding will return a generic RGB color space.");
}

void newCGColorSpaceDecodeForKey(KeyedUnarchiver&, std::string_view) {
    foundation::log("Color space decoding is not supported on iOS. Using generic RGB color space.");
}

void encodeCGPath(KeyedArchiver& coder, const gfx::Path& path, std::string_view key) {
    const auto& elements = path.elements();
    coder.encodeInteger(static_cast<std::int64_t>(elements.size()), sub(key, "count"));
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const gfx::Path::Element& e = elements[i];
        const int type = static_cast<int>(e.kind); // move 0, line 1, quad 2, cubic 3, close 4
        coder.encodeInt32(type, element(key, i, "type"));
        if (type == 3)
            encodeCPTPoint(coder, e.points[2], element(key, i, "point3"));
        if (type == 2 || type == 3)
            encodeCPTPoint(coder, e.points[1], element(key, i, "point2"));
        if (type <= 3)
            encodeCPTPoint(coder, e.points[0], element(key, i, "point1"));
    }
}

gfx::Path newCGPathDecodeForKey(KeyedUnarchiver& coder, std::string_view key) {
    gfx::Path path;
    const std::int64_t count = coder.decodeIntegerForKey(sub(key, "count"));
    for (std::int64_t i = 0; i < count && !coder.failed(); ++i) {
        const auto index = static_cast<std::size_t>(i);
        // A count beyond the stored elements would read zeros forever: stop at the first missing one.
        if (!coder.containsValueForKey(element(key, index, "type"))) {
            coder.failWithError("The path under \"" + std::string(key) +
                                "\" has fewer elements than its count.");
            break;
        }
        const int type = coder.decodeInt32ForKey(element(key, index, "type"));
        const CGPoint p1 = decodeCPTPointForKey(coder, element(key, index, "point1"));
        const CGPoint p2 = decodeCPTPointForKey(coder, element(key, index, "point2"));
        const CGPoint p3 = decodeCPTPointForKey(coder, element(key, index, "point3"));
        switch (type) {
        case 0:
            path.moveTo(p1);
            break;
        case 1:
            path.lineTo(p1);
            break;
        case 2:
            path.quadTo(p1, p2);
            break;
        case 3:
            path.cubicTo(p1, p2, p3);
            break;
        case 4:
            path.closeSubpath();
            break;
        default:
            break;
        }
    }
    return path;
}

void encodeCGImage(KeyedArchiver& coder, const gfx::Image& image, std::string_view key) {
    if (image.isNull())
        return;
    const int width = image.pixelWidth();
    const int height = image.pixelHeight();
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const gfx::Color c = image.pixel(x, y);
            for (double component : {c.red, c.green, c.blue, c.alpha})
                rgba.push_back(static_cast<std::uint8_t>(std::lround(std::clamp(component, 0.0, 1.0) * 255)));
        }
    coder.encodeInt64(width, sub(key, "width"));
    coder.encodeInt64(height, sub(key, "height"));
    coder.encodeInt64(kBitsPerComponent, sub(key, "bitsPerComponent"));
    coder.encodeInt64(kBitsPerPixel, sub(key, "bitsPerPixel"));
    coder.encodeInt64(static_cast<std::int64_t>(width) * 4, sub(key, "bytesPerRow"));
    encodeCGColorSpace(coder, sub(key, "colorSpace"));
    const std::uint8_t bitmapInfo[4] = {}; // RGBA, alpha last, not premultiplied
    coder.encodeBytes(bitmapInfo, sub(key, "bitmapInfo"));
    coder.encodeBytes(rgba, sub(key, "provider"));
    coder.encodeBool(true, sub(key, "shouldInterpolate"));
    coder.encodeInt32(0, sub(key, "renderingIntent"));
}

std::optional<gfx::Image> newCGImageDecodeForKey(KeyedUnarchiver& coder, std::string_view key) {
    if (!coder.containsValueForKey(sub(key, "width")))
        return std::nullopt;
    const std::int64_t width = coder.decodeInt64ForKey(sub(key, "width"));
    const std::int64_t height = coder.decodeInt64ForKey(sub(key, "height"));
    const std::int64_t bitsPerComponent = coder.decodeInt64ForKey(sub(key, "bitsPerComponent"));
    const std::int64_t bitsPerPixel = coder.decodeInt64ForKey(sub(key, "bitsPerPixel"));
    const std::int64_t bytesPerRow = coder.decodeInt64ForKey(sub(key, "bytesPerRow"));
    newCGColorSpaceDecodeForKey(coder, sub(key, "colorSpace"));
    const auto bitmapInfo = coder.decodeBytesForKey(sub(key, "bitmapInfo"));
    const auto bytes = coder.decodeBytesForKey(sub(key, "provider"));
    if (coder.failed())
        return std::nullopt;
    // The description must fit the bytes, or the bitmap would be read past its end.
    const bool fits =
        width > 0 && height > 0 && width <= 1 << 16 && height <= 1 << 16 &&
        bitsPerComponent == kBitsPerComponent && bitsPerPixel == kBitsPerPixel && bytesPerRow >= width * 4 &&
        bytesPerRow <= (1 << 20) && bitmapInfo.size() == 4 &&
        static_cast<std::uint64_t>(bytesPerRow) * static_cast<std::uint64_t>(height) <= bytes.size();
    if (!fits) {
        coder.failWithError("The image under \"" + std::string(key) + "\" does not fit its bytes.");
        return std::nullopt;
    }
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(width * height * 4));
    for (std::int64_t y = 0; y < height; ++y) {
        const auto row = bytes.begin() + static_cast<std::ptrdiff_t>(y * bytesPerRow);
        rgba.insert(rgba.end(), row, row + static_cast<std::ptrdiff_t>(width * 4));
    }
    return gfx::Image::fromRGBA(static_cast<int>(width), static_cast<int>(height), rgba);
}
