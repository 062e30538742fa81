// The Qt bitmap behind an Image (for the Qt backends only).
#pragma once

#include "platform/graphics/Image.h"

#include <QImage>

namespace gfx {

struct Image::Impl {
    QImage image; // premultiplied ARGB
};

namespace qt {
inline const QImage& toQImage(const Image& image) {
    static const QImage none;
    return image.impl() ? image.impl()->image : none;
}
Image fromQImage(QImage image, double scale = 1);
} // namespace qt

} // namespace gfx
