// Fills: the three sources painting rectangles and paths, copies and archives.
#include "plot/foundation/CPTFill.h"

#include "plot/foundation/CPTArchiving.h"
#include "plot/foundation/CPTDrawingUtilities.h"

std::shared_ptr<CPTFill> CPTFill::fillWithColor(std::shared_ptr<CPTColor> color) {
    std::shared_ptr<CPTFill> fill(new CPTFill(Kind::Color));
    fill->color_ = std::move(color);
    return fill;
}

std::shared_ptr<CPTFill> CPTFill::fillWithGradient(std::shared_ptr<CPTGradient> gradient) {
    std::shared_ptr<CPTFill> fill(new CPTFill(Kind::Gradient));
    fill->gradient_ = std::move(gradient);
    return fill;
}

std::shared_ptr<CPTFill> CPTFill::fillWithImage(std::shared_ptr<CPTImage> image) {
    std::shared_ptr<CPTFill> fill(new CPTFill(Kind::Image));
    fill->image_ = std::move(image);
    return fill;
}

const char* CPTFill::className() const {
    switch (kind_) {
    case Kind::Color:
        return "_CPTFillColor";
    case Kind::Gradient:
        return "_CPTFillGradient";
    case Kind::Image:
        return "_CPTFillImage";
    }
    return "CPTFill";
}

void CPTFill::fillRect(CGRect rect, gfx::Context& context) const {
    switch (kind_) {
    case Kind::Color:
        if (!color_)
            return;
        context.saveGState();
        context.setFillColor(color_->cgColor());
        context.fillRect(rect);
        context.restoreGState();
        return;
    case Kind::Gradient:
        if (gradient_)
            gradient_->fillRect(rect, context);
        return;
    case Kind::Image:
        if (image_)
            image_->drawInRect(rect, context);
        return;
    }
}

void CPTFill::fillPathInContext(gfx::Context& context) const {
    switch (kind_) {
    case Kind::Color:
        if (!color_) {
            context.beginPath();
            return;
        }
        context.saveGState();
        context.setFillColor(color_->cgColor());
        context.fillPath(gfx::FillRule::Winding);
        context.restoreGState();
        return;
    case Kind::Gradient:
        if (gradient_)
            gradient_->fillPathInContext(context);
        else
            context.beginPath();
        return;
    case Kind::Image: {
        if (!image_ || context.isPathEmpty()) {
            context.beginPath();
            return;
        }
        context.saveGState();
        const CGRect bounds = context.pathBoundingBox();
        context.clip(gfx::FillRule::Winding);
        image_->drawInRect(bounds, context);
        context.restoreGState();
        return;
    }
    }
}

bool CPTFill::isOpaque() const {
    switch (kind_) {
    case Kind::Color:
        return color_ && color_->isOpaque();
    case Kind::Gradient:
        return gradient_ && gradient_->isOpaque();
    case Kind::Image:
        return image_ && image_->isOpaque();
    }
    return false;
}

std::optional<gfx::Color> CPTFill::cgColor() const {
    if (kind_ == Kind::Color && color_)
        return color_->cgColor();
    return std::nullopt;
}

std::shared_ptr<CPTFill> CPTFill::copy() const {
    std::shared_ptr<CPTFill> fill(new CPTFill(kind_));
    fill->color_ = color_ ? color_->copy() : nullptr;
    fill->gradient_ = gradient_ ? gradient_->copy() : nullptr;
    fill->image_ = image_ ? image_->copy() : nullptr;
    return fill;
}

gfx::Image CPTFill::debugQuickLookObject() const {
    return CPTQuickLookImage(CGRect(0, 0, 100, 100),
                             [this](gfx::Context& context, CGFloat, CGRect rect) { fillRect(rect, context); });
}

// ---- archiving

void CPTFill::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    switch (kind_) {
    case Kind::Color:
        if (color_)
            color_->encodeForKey(coder, "_CPTFillColor.fillColor");
        return;
    case Kind::Gradient:
        if (gradient_)
            gradient_->encodeForKey(coder, "_CPTFillGradient.fillGradient");
        return;
    case Kind::Image:
        if (image_)
            image_->encodeForKey(coder, "_CPTFillImage.fillImage");
        return;
    }
}

std::shared_ptr<CPTFill> CPTFill::fillWithCoder(foundation::KeyedUnarchiver& coder) {
    std::shared_ptr<CPTFill> fill;
    if (auto color = CPTColor::decodeForKey(coder, "_CPTFillColor.fillColor"))
        fill = fillWithColor(std::move(color));
    else if (auto gradient = CPTGradient::decodeForKey(coder, "_CPTFillGradient.fillGradient"))
        fill = fillWithGradient(std::move(gradient));
    else if (auto image = CPTImage::decodeForKey(coder, "_CPTFillImage.fillImage"))
        fill = fillWithImage(std::move(image));
    return coder.failed() ? nullptr : fill;
}

void CPTFill::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    CPTEncodeObject(coder, *this, classForCoder(), key);
}

std::shared_ptr<CPTFill> CPTFill::decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key) {
    return CPTDecodeObject(coder, key, {classForCoder()}, fillWithCoder);
}
