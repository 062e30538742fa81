// Seconds to date texts.
#include "plot/axes_plots/CPTTimeFormatter.h"

#include <cmath>

CPTTimeFormatter::CPTTimeFormatter()
    : CPTTimeFormatter(std::make_shared<foundation::DateFormatter>(foundation::DateFormatter::Style::Medium,
                                                                   foundation::DateFormatter::Style::Medium)) {}

CPTTimeFormatter::CPTTimeFormatter(std::shared_ptr<foundation::DateFormatter> dateFormatter)
    : dateFormatter_(std::move(dateFormatter)) {}

std::optional<std::string> CPTTimeFormatter::stringForObjectValue(const foundation::Value& value) const {
    if (!value.isNumber() || !dateFormatter_)
        return std::nullopt;
    const double seconds = value.toDouble() + referenceDate_.value_or(kPlatformReferenceDate);
    if (!std::isfinite(seconds))
        return std::nullopt;
    std::string text = dateFormatter_->format(seconds);
    if (text.empty())
        return std::nullopt;
    return text;
}

std::shared_ptr<CPTTimeFormatter> CPTTimeFormatter::copy() const {
    auto copy = std::make_shared<CPTTimeFormatter>(dateFormatter_);
    copy->setReferenceDate(referenceDate_);
    return copy;
}
