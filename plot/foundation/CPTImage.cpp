// Images: loading with the screen-scale variant, whole, tiled and nine-part drawing, equality, archives.
#include "plot/foundation/CPTImage.h"

#include "platform/graphics/Screen.h"
#include "plot/foundation/CPTArchiving.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace {

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

bool endsWithPNG(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".png";
}

// The whole part of a scale in decimal digits, whatever its size.
std::string wholeDigits(double scale) {
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", std::floor(scale));
    return text;
}

bool allZero(const CPTEdgeInsets& i) {
    return i.top == 0 && i.left == 0 && i.bottom == 0 && i.right == 0;
}

bool sameBitmap(const gfx::Image& a, const gfx::Image& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (a.sameBitmap(b))
        return true;
    if (a.pixelWidth() != b.pixelWidth() || a.pixelHeight() != b.pixelHeight())
        return false;
    for (int y = 0; y < a.pixelHeight(); ++y)
        for (int x = 0; x < a.pixelWidth(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

// Turns user space upside down within `rect`, so that a bitmap whose first row goes to the smallest y
// shows upright in a y-up space.
void flipWithin(gfx::Context& context, const CGRect& rect) {
    context.translateCTM(0, 2 * rect.origin.y + rect.size.height);
    context.scaleCTM(1, -1);
}

} // namespace

CPTImage::CPTImage() = default;

CPTImage::CPTImage(const gfx::Image& image, CGFloat scale) : image_(image), scale_(scale), lastDrawnScale_(scale) {}

std::shared_ptr<CPTImage> CPTImage::imageWithCGImage(const gfx::Image& image, CGFloat scale) {
    return std::make_shared<CPTImage>(image, scale);
}

std::shared_ptr<CPTImage> CPTImage::imageWithNativeImage(const gfx::Image& nativeImage) {
    auto image = std::make_shared<CPTImage>(gfx::Image(), nativeImage.isNull() ? 0.0 : nativeImage.scale());
    image->setNativeImage(nativeImage);
    image->setEdgeInsets({});
    return image;
}

std::shared_ptr<CPTImage> CPTImage::imageWithContentsOfFile(const std::string& path) {
    auto native = gfx::Image::loadPNG(path, gfx::largestScreenScale());
    return imageWithNativeImage(native ? *native : gfx::Image());
}

std::shared_ptr<CPTImage> CPTImage::imageNamed(const std::string& name) {
    std::string path = gfx::resourcesFolder() + "/" + name;
    const auto slash = name.find_last_of('/');
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        path += ".png";
    return imageWithContentsOfFile(path);
}

std::shared_ptr<CPTImage> CPTImage::imageForPNGFile(const std::string& path) {
    const double largest = std::fmax(gfx::largestScreenScale(), 1.0);
    double scale = 1.0;
    std::optional<std::vector<std::uint8_t>> data;
    if (largest > 1.0 && endsWithPNG(path)) {
        const std::string variant = path.substr(0, path.size() - 4) + "@" + wholeDigits(largest) + "x.png";
        data = readFile(variant);
        if (data)
            scale = largest;
    }
    if (!data)
        data = readFile(path);
    if (!data)
        return nullptr;
    auto bitmap = gfx::Image::fromPNGData(*data, scale);
    if (!bitmap)
        return nullptr;
    return imageWithCGImage(*bitmap, scale);
}

gfx::Image CPTImage::nativeImage() const {
    if (nativeImage_.isNull() && !image_.isNull() && scale_ > 0)
        nativeImage_ = image_.withScale(scale_);
    return nativeImage_;
}

void CPTImage::setNativeImage(const gfx::Image& nativeImage) {
    if (nativeImage.sameBitmap(nativeImage_) && nativeImage.scale() == nativeImage_.scale())
        return;
    nativeImage_ = nativeImage;
    setImage(gfx::Image());
}

void CPTImage::setEdgeInsets(CPTEdgeInsets insets) {
    if (CPTInsetsEqual(insets, edgeInsets_))
        return;
    edgeInsets_ = insets;
    setSlices({});
}

// ---- drawing

void CPTImage::drawImage(const gfx::Image& image, gfx::Context& context, CGRect rect) const {
    if (image.isNull() || !(rect.size.width > 0) || !(rect.size.height > 0))
        return;
    context.saveGState();
    if (tiled_) {
        context.clipToRect(rect);
        if (!tileAnchoredToContext_)
            context.translateCTM(rect.origin.x, rect.origin.y);
        const CGRect tile(0, 0, image.pixelWidth() / scale_, image.pixelHeight() / scale_);
        flipWithin(context, tile);
        context.drawTiledImage(tile, image);
    } else {
        flipWithin(context, rect);
        context.drawImage(rect, image);
    }
    context.restoreGState();
}

void CPTImage::makeImageSlices() {
    CPTImageSlices slices;
    if (!image_.isNull()) {
        const double W = image_.pixelWidth(), H = image_.pixelHeight();
        const double t = edgeInsets_.top * scale_, l = edgeInsets_.left * scale_;
        const double b = edgeInsets_.bottom * scale_, r = edgeInsets_.right * scale_;
        const double cw = W - l - r, ch = H - t - b;
        const CGRect parts[9] = {
            CGRect(0, 0, l, t),      CGRect(l, 0, cw, t),      CGRect(W - r, 0, r, t),
            CGRect(0, t, l, ch),     CGRect(l, t, cw, ch),     CGRect(W - r, t, r, ch),
            CGRect(0, H - b, l, b),  CGRect(l, H - b, cw, b),  CGRect(W - r, H - b, r, b),
        };
        for (std::size_t i = 0; i < 9; ++i)
            if (parts[i].size.width > 0 && parts[i].size.height > 0)
                slices[i] = image_.cropped(parts[i]);
    }
    setSlices(slices);
}

void CPTImage::drawInRect(CGRect rect, gfx::Context& context) {
    rect = rect.standardized();
    const double h = rect.size.height;
    const double s = h == 0 ? 1.0 : context.convertRectToDeviceSpace(rect).height() / h;
    const double last = lastDrawnScale_;
    if (image_.isNull() || s != last) {
        const gfx::Image native = nativeImage();
        if (!native.isNull()) {
            image_ = native;
            scale_ = native.scale();
        }
    }
    if (image_.isNull())
        return;
    if (allZero(edgeInsets_)) {
        drawImage(image_, context, rect);
    } else {
        const bool noSlices = std::all_of(slices_.begin(), slices_.end(), [](const gfx::Image& i) { return i.isNull(); });
        if (noSlices || s != last)
            makeImageSlices();
        const double x0 = rect.origin.x, y0 = rect.origin.y, w = rect.size.width;
        const double t = edgeInsets_.top, l = edgeInsets_.left, b = edgeInsets_.bottom, r = edgeInsets_.right;
        const double cw = w - l - r, ch = h - t - b;
        const CGRect parts[9] = {
            CGRect(x0, y0 + h - t, l, t),     CGRect(x0 + l, y0 + h - t, cw, t),     CGRect(x0 + w - r, y0 + h - t, r, t),
            CGRect(x0, y0 + b, l, ch),        CGRect(x0 + l, y0 + b, cw, ch),        CGRect(x0 + w - r, y0 + b, r, ch),
            CGRect(x0, y0, l, b),             CGRect(x0 + l, y0, cw, b),             CGRect(x0 + w - r, y0, r, b),
        };
        for (std::size_t i = 0; i < 9; ++i)
            drawImage(slices_[i], context, parts[i]);
    }
    lastDrawnScale_ = s;
}

// ---- queries

bool CPTImage::isEqual(const CPTImage* other) const {
    if (other == this)
        return true;
    if (!other || scale_ != other->scale_ || tiled_ != other->tiled_ ||
        tileAnchoredToContext_ != other->tileAnchoredToContext_ || !CPTInsetsEqual(edgeInsets_, other->edgeInsets_))
        return false;
    return sameBitmap(image_, other->image_);
}

std::uint64_t CPTImage::hash() const {
    if (image_.isNull())
        return 0;
    // Bits per component 8, bits per pixel 32, four bytes a row per pixel, bitmap info 0, interpolated,
    // the default rendering intent (0).
    const auto w = static_cast<std::uint64_t>(image_.pixelWidth());
    const auto h = static_cast<std::uint64_t>(image_.pixelHeight());
    return 8 + h * w + 32 + 4 * w + 0 + 1 + CPTIntegerFromDouble<std::uint64_t>(scale_ * 0);
}

std::shared_ptr<CPTImage> CPTImage::copy() const {
    auto image = std::make_shared<CPTImage>();
    const gfx::Image native = nativeImage();
    if (!native.isNull())
        image->setNativeImage(native);
    else
        image->setImage(image_);
    image->scale_ = scale_;
    image->lastDrawnScale_ = lastDrawnScale_;
    image->tiled_ = tiled_;
    image->tileAnchoredToContext_ = tileAnchoredToContext_;
    image->setEdgeInsets(edgeInsets_);
    return image;
}

// ---- archiving

void CPTImage::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    encodeCGImage(coder, image_.isNull() ? nativeImage() : image_, "CPTImage.image");
    encodeCGFloat(coder, scale_, "CPTImage.scale");
    coder.encodeBool(tiled_, "CPTImage.tiled");
    coder.encodeBool(tileAnchoredToContext_, "CPTImage.tileAnchoredToContext");
    encodeCGFloat(coder, edgeInsets_.top, "CPTImage.edgeInsets.top");
    encodeCGFloat(coder, edgeInsets_.left, "CPTImage.edgeInsets.left");
    encodeCGFloat(coder, edgeInsets_.bottom, "CPTImage.edgeInsets.bottom");
    encodeCGFloat(coder, edgeInsets_.right, "CPTImage.edgeInsets.right");
}

std::shared_ptr<CPTImage> CPTImage::imageWithCoder(foundation::KeyedUnarchiver& coder) {
    const auto bitmap = newCGImageDecodeForKey(coder, "CPTImage.image");
    const CGFloat scale = decodeCGFloatForKey(coder, "CPTImage.scale");
    auto image = std::make_shared<CPTImage>(bitmap ? *bitmap : gfx::Image(), scale);
    image->tiled_ = coder.decodeBoolForKey("CPTImage.tiled");
    image->tileAnchoredToContext_ = coder.decodeBoolForKey("CPTImage.tileAnchoredToContext");
    image->edgeInsets_ = {decodeCGFloatForKey(coder, "CPTImage.edgeInsets.top"),
                          decodeCGFloatForKey(coder, "CPTImage.edgeInsets.left"),
                          decodeCGFloatForKey(coder, "CPTImage.edgeInsets.bottom"),
                          decodeCGFloatForKey(coder, "CPTImage.edgeInsets.right")};
    return coder.failed() ? nullptr : image;
}

void CPTImage::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    CPTEncodeObject(coder, *this, className(), key);
}

std::shared_ptr<CPTImage> CPTImage::decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key) {
    return CPTDecodeObject(coder, key, {className()}, imageWithCoder);
}
