// What a label formatter implements to give axis labels rich text. Axes ask a formatter through this
// interface alone; a formatter that does not implement it gives plain text in the label's text style.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/graphics/Text.h"
#include "plot/foundation/CPTTextStyle.h"

#include <optional>

class CPTAttributedFormatting {
  public:
    virtual ~CPTAttributedFormatting() = default;
    // None: no rich text for this value (an axis then stays in plain mode).
    virtual std::optional<gfx::RichText> attributedStringForObjectValue(const foundation::Value& value,
                                                                        const CPTTextAttributes& defaults) const = 0;
};
