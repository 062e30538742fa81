// Bitmaps: PNG reading with the high-resolution variant, cutting, pixels and PNG writing.
#include "platform/graphics/Image.h"

#include "platform/graphics/qt/QtImage.h"
#include "platform/graphics/qt/QtText.h"

#include <QBuffer>
#include <QFile>
#include <cmath>

namespace gfx {

namespace qt {
Image fromQImage(QImage image, double scale) {
    if (image.isNull())
        return Image();
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    auto impl = std::make_shared<Image::Impl>();
    impl->image = std::move(image);
    return Image(std::move(impl), scale > 0 ? scale : 1);
}
} // namespace qt

Image Image::blank(int w, int h, double scale) {
    QImage image(std::max(w, 1), std::max(h, 1), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return qt::fromQImage(std::move(image), scale);
}

Image Image::fromRGBA(int w, int h, const std::vector<uint8_t>& rgba, double scale) {
    if (w <= 0 || h <= 0 || rgba.size() < size_t(w) * size_t(h) * 4)
        return Image();
    QImage image(rgba.data(), w, h, w * 4, QImage::Format_RGBA8888);
    return qt::fromQImage(image.copy(), scale);
}

std::optional<Image> Image::fromPNGData(const std::vector<uint8_t>& data, double scale) {
    QImage image;
    if (!image.loadFromData(data.data(), int(data.size()), "PNG"))
        return std::nullopt;
    return qt::fromQImage(std::move(image), scale);
}

std::optional<Image> Image::loadPNG(const std::string& path, double deviceScale) {
    int whole = static_cast<int>(std::floor(std::fmax(1, deviceScale)));
    if (whole > 1 && path.size() >= 4) {
        std::string ext = path.substr(path.size() - 4);
        for (char& c : ext)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".png") {
            std::string variant = path.substr(0, path.size() - 4) + "@" + std::to_string(whole) + "x.png";
            QImage image;
            if (QFile::exists(QString::fromStdString(variant)) &&
                image.load(QString::fromStdString(variant), "PNG"))
                return qt::fromQImage(std::move(image), whole);
        }
    }
    QImage image;
    if (!image.load(QString::fromStdString(path), "PNG"))
        return std::nullopt;
    return qt::fromQImage(std::move(image), 1);
}

int Image::pixelWidth() const {
    return impl_ ? impl_->image.width() : 0;
}
int Image::pixelHeight() const {
    return impl_ ? impl_->image.height() : 0;
}

Image Image::withScale(double scale) const {
    return Image(impl_, scale > 0 ? scale : 1);
}

Size Image::size() const {
    return {pixelWidth() / scale_, pixelHeight() / scale_};
}

Image Image::cropped(const Rect& pixelRect) const {
    if (!impl_ || !isFinite(pixelRect))
        return Image();
    Rect r = pixelRect.integral().intersection(Rect(0, 0, pixelWidth(), pixelHeight()));
    if (r.isEmpty())
        return Image();
    QImage part = impl_->image.copy(int(r.origin.x), int(r.origin.y), int(r.size.width), int(r.size.height));
    return qt::fromQImage(std::move(part), scale_);
}

Color Image::pixel(int x, int y) const {
    if (!impl_ || x < 0 || y < 0 || x >= pixelWidth() || y >= pixelHeight())
        return Color::clear();
    QColor c = impl_->image.pixelColor(x, y);
    return {c.redF(), c.greenF(), c.blueF(), c.alphaF()};
}

std::vector<uint8_t> Image::pngData() const {
    if (!impl_)
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    impl_->image.save(&buffer, "PNG");
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool Image::writePNG(const std::string& path) const {
    return impl_ && impl_->image.save(QString::fromStdString(path), "PNG");
}

} // namespace gfx
