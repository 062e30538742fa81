// Shadows: applying one to a context, copies of a fixed class, archives.
#include "plot/foundation/CPTShadow.h"

#include "plot/foundation/CPTArchiving.h"

#include <cmath>

std::shared_ptr<CPTShadow> CPTShadow::shadow() {
    return std::make_shared<CPTShadow>();
}

std::shared_ptr<CPTMutableShadow> CPTMutableShadow::shadow() {
    return std::make_shared<CPTMutableShadow>();
}

void CPTShadow::setShadowInContext(gfx::Context& context) const {
    std::optional<gfx::Color> color;
    if (shadowColor_)
        color = shadowColor_->cgColor();
    // A shadow the platform cannot place is no shadow; the context stays usable either way.
    if (!std::isfinite(shadowOffset_.width) || !std::isfinite(shadowOffset_.height) ||
        !std::isfinite(shadowBlurRadius_))
        color.reset();
    context.setShadow(shadowOffset_, shadowBlurRadius_, color);
}

void CPTShadow::copyFieldsFrom(const CPTShadow& other) {
    shadowOffset_ = other.shadowOffset_;
    shadowBlurRadius_ = other.shadowBlurRadius_;
    shadowColor_ = other.shadowColor_;
}

std::shared_ptr<CPTShadow> CPTShadow::copy() const {
    auto shadow = std::make_shared<CPTShadow>();
    shadow->copyFieldsFrom(*this);
    return shadow;
}

std::shared_ptr<CPTMutableShadow> CPTShadow::mutableCopy() const {
    auto shadow = std::make_shared<CPTMutableShadow>();
    shadow->copyFieldsFrom(*this);
    return shadow;
}

void CPTShadow::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    encodeCPTSize(coder, shadowOffset_, "CPTShadow.shadowOffset");
    encodeCGFloat(coder, shadowBlurRadius_, "CPTShadow.shadowBlurRadius");
    if (shadowColor_)
        shadowColor_->encodeForKey(coder, "CPTShadow.shadowColor");
}

bool CPTShadow::decodeFields(foundation::KeyedUnarchiver& coder) {
    shadowOffset_ = decodeCPTSizeForKey(coder, "CPTShadow.shadowOffset");
    shadowBlurRadius_ = decodeCGFloatForKey(coder, "CPTShadow.shadowBlurRadius");
    shadowColor_ = CPTColor::decodeForKey(coder, "CPTShadow.shadowColor");
    return !coder.failed();
}

std::shared_ptr<CPTShadow> CPTShadow::shadowWithCoder(foundation::KeyedUnarchiver& coder) {
    std::shared_ptr<CPTShadow> shadow;
    if (coder.className() == "CPTMutableShadow")
        shadow = std::make_shared<CPTMutableShadow>();
    else
        shadow = std::make_shared<CPTShadow>();
    return shadow->decodeFields(coder) ? shadow : nullptr;
}

void CPTShadow::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    CPTEncodeObject(coder, *this, className(), key);
}

std::shared_ptr<CPTShadow> CPTShadow::decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key) {
    return CPTDecodeObject(coder, key, {"CPTShadow", "CPTMutableShadow"}, shadowWithCoder);
}
