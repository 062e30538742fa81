// An object with one animatable property of each value kind, recording every value it is set to, and
// a property whose setter refuses every value.
#pragma once

#include "plot/foundation/CPTAnimationValue.h"

#include <stdexcept>
#include <vector>

struct AnimatedObject : CPTAnimatable {
    CGFloat number = 0;
    CGPoint point;
    CGSize size;
    CGRect rect;
    NSDecimal decimal;
    foundation::Value boxed = 0.0;
    std::shared_ptr<CPTPlotRange> range = CPTPlotRange::plotRangeWithLocation(0.0, 1.0);
    std::vector<CPTAnimationValue> sets;

    std::optional<CPTAnimationProperty> animationPropertyNamed(std::string_view name) override {
        if (name == "number")
            return entry<CGFloat>(number);
        if (name == "point")
            return entry<CGPoint>(point);
        if (name == "size")
            return entry<CGSize>(size);
        if (name == "rect")
            return entry<CGRect>(rect);
        if (name == "decimal")
            return entry<NSDecimal>(decimal);
        if (name == "boxed")
            return entry<foundation::Value>(boxed);
        if (name == "range")
            return entry<std::shared_ptr<CPTPlotRange>>(range);
        if (name == "refusing")
            return CPTAnimationPropertyOf<CGFloat>([this] { return number; },
                                                   [](const CGFloat&) { throw std::runtime_error("refused"); });
        return std::nullopt;
    }

  private:
    template <class T> CPTAnimationProperty entry(T& field) {
        return CPTAnimationPropertyOf<T>([&field] { return field; },
                                         [this, &field](const T& value) {
                                             field = value;
                                             sets.emplace_back(std::in_place_type<T>, value);
                                         });
    }
};
