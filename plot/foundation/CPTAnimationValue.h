// The values the animation engine carries, and the named-property tables through which it reads and
// writes a property of an animated object with a getter and a setter typed by value kind.
#pragma once

#include "plot/foundation/CPTException.h"
#include "plot/foundation/CPTPlotRange.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

// No value (a start still to be read from the property), or one of the seven kinds. A number is a
// boxed number, a decimal one when the arithmetic must stay exact.
using CPTAnimationValue = std::variant<std::monostate, CGFloat, CGPoint, CGSize, CGRect, NSDecimal,
                                       foundation::Value, std::shared_ptr<CPTPlotRange>>;

enum class CPTAnimationValueKind { none, cgFloat, point, size, rect, decimal, number, plotRange };

inline CPTAnimationValueKind CPTAnimationValueKindOf(const CPTAnimationValue& value) {
    return static_cast<CPTAnimationValueKind>(value.index());
}

// "(null)" for no value; numbers with "%g", points and rectangles in braces, decimals and numbers
// with their digits, ranges by their description.
std::string CPTAnimationValueDescription(const CPTAnimationValue& value);

// One animatable property: its value kind and a getter and setter that see only that kind.
struct CPTAnimationProperty {
    CPTAnimationValueKind kind = CPTAnimationValueKind::none;
    std::function<CPTAnimationValue()> get;
    std::function<void(const CPTAnimationValue&)> set;
};

// Builds a property entry from a typed getter and setter. The setter raises, as a setter that
// refuses its value would, when it is handed a value of another kind.
template <class T>
CPTAnimationProperty CPTAnimationPropertyOf(std::function<T()> get, std::function<void(const T&)> set) {
    CPTAnimationProperty property;
    property.kind = CPTAnimationValueKindOf(CPTAnimationValue(std::in_place_type<T>));
    property.get = [get = std::move(get)] { return CPTAnimationValue(std::in_place_type<T>, get()); };
    property.set = [set = std::move(set)](const CPTAnimationValue& value) {
        const T* typed = std::get_if<T>(&value);
        if (!typed)
            throw CPTException(NSInvalidArgumentException, "The animated value is not of the property's kind.");
        set(*typed);
    };
    return property;
}

// An object whose properties the animation engine may animate, offered by name.
class CPTAnimatable {
  public:
    virtual ~CPTAnimatable() = default;
    // None for a name the object does not offer.
    virtual std::optional<CPTAnimationProperty> animationPropertyNamed(std::string_view name) {
        return std::nullopt;
    }
    // How operations on this object describe it.
    virtual std::string animationDescription() const { return CPTObjectDescription("CPTAnimatable", this); }
};

// The property under name, raising for a name the object does not offer.
CPTAnimationProperty CPTRequireAnimationProperty(CPTAnimatable& object, std::string_view name);
