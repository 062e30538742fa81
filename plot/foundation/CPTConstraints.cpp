// The two kinds of placement between bounds, hidden behind CPTConstraints, and their archiving.
#include "plot/foundation/CPTConstraints.h"

#include "plot/foundation/CPTArchiving.h"

#include <cmath>
#include <limits>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;

namespace {

constexpr const char* kFixedOffsetKey = "_CPTConstraintsFixed.offset";
constexpr const char* kFixedToLowerKey = "_CPTConstraintsFixed.isFixedToLower";
constexpr const char* kRelativeOffsetKey = "_CPTConstraintsRelative.offset";

// A distance from one bound, in whatever units the caller's bounds are.
class ConstraintsFixed final : public CPTConstraints {
  public:
    ConstraintsFixed(double offset, bool isFixedToLower) : offset_(offset), isFixedToLower_(isFixedToLower) {}
    // Reads its own keys; a missing one reads as 0 or NO.
    explicit ConstraintsFixed(KeyedUnarchiver& coder)
        : offset_(decodeCGFloatForKey(coder, kFixedOffsetKey)),
          isFixedToLower_(coder.decodeBoolForKey(kFixedToLowerKey)) {}

    double positionForLowerBound(double lowerBound, double upperBound) const override {
        return isFixedToLower_ ? lowerBound + offset_ : upperBound - offset_;
    }

    bool isEqualToConstraint(const CPTConstraints* other) const override {
        const auto* fixed = dynamic_cast<const ConstraintsFixed*>(other);
        return fixed && offset_ == fixed->offset_ && isFixedToLower_ == fixed->isFixedToLower_;
    }

    std::shared_ptr<CPTConstraints> copy() const override {
        return std::make_shared<ConstraintsFixed>(offset_, isFixedToLower_);
    }

    const char* className() const override { return "_CPTConstraintsFixed"; }

    void encodeWithCoder(KeyedArchiver& coder) const override {
        encodeCGFloat(coder, offset_, kFixedOffsetKey);
        coder.encodeBool(isFixedToLower_, kFixedToLowerKey);
    }

  private:
    double offset_;
    bool isFixedToLower_;
};

// A fraction of the way from the lower bound to the upper one.
class ConstraintsRelative final : public CPTConstraints {
  public:
    explicit ConstraintsRelative(double offset) : offset_(offset) {}
    explicit ConstraintsRelative(KeyedUnarchiver& coder)
        : offset_(decodeCGFloatForKey(coder, kRelativeOffsetKey)) {}

    // One rounding, so the middle of two bounds is as exact as the bounds allow.
    double positionForLowerBound(double lowerBound, double upperBound) const override {
        return std::fma(offset_, upperBound - lowerBound, lowerBound);
    }

    bool isEqualToConstraint(const CPTConstraints* other) const override {
        const auto* relative = dynamic_cast<const ConstraintsRelative*>(other);
        return relative && offset_ == relative->offset_;
    }

    std::shared_ptr<CPTConstraints> copy() const override {
        return std::make_shared<ConstraintsRelative>(offset_);
    }

    const char* className() const override { return "_CPTConstraintsRelative"; }

    void encodeWithCoder(KeyedArchiver& coder) const override {
        encodeCGFloat(coder, offset_, kRelativeOffsetKey);
    }

  private:
    double offset_;
};

} // namespace

std::shared_ptr<CPTConstraints> CPTConstraints::constraintWithLowerOffset(double offset) {
    return std::make_shared<ConstraintsFixed>(offset, true);
}

std::shared_ptr<CPTConstraints> CPTConstraints::constraintWithUpperOffset(double offset) {
    return std::make_shared<ConstraintsFixed>(offset, false);
}

std::shared_ptr<CPTConstraints> CPTConstraints::constraintWithRelativeOffset(double offset) {
    return std::make_shared<ConstraintsRelative>(offset);
}

double CPTConstraints::positionForLowerBound(double, double) const {
    return std::numeric_limits<double>::quiet_NaN();
}

bool CPTConstraints::isEqualToConstraint(const CPTConstraints* other) const {
    return this == other;
}

std::shared_ptr<CPTConstraints> CPTConstraints::copy() const {
    return nullptr;
}

void CPTConstraints::encodeWithCoder(KeyedArchiver&) const {}

std::shared_ptr<CPTConstraints> CPTConstraints::constraintWithCoder(KeyedUnarchiver& coder) {
    std::shared_ptr<CPTConstraints> constraints;
    if (coder.containsValueForKey(kFixedOffsetKey))
        constraints = std::make_shared<ConstraintsFixed>(coder);
    else if (coder.containsValueForKey(kRelativeOffsetKey))
        constraints = std::make_shared<ConstraintsRelative>(coder);
    return coder.failed() ? nullptr : constraints;
}

void CPTConstraints::encodeForKey(KeyedArchiver& coder, std::string_view key) const {
    coder.encodeObject(classForCoder(), key, [this](KeyedArchiver& c) { encodeWithCoder(c); });
}

std::shared_ptr<CPTConstraints> CPTConstraints::decodeForKey(KeyedUnarchiver& coder, std::string_view key) {
    auto object = coder.decodeObjectForKey(key, {classForCoder()});
    if (!object)
        return nullptr;
    return constraintWithCoder(*object);
}
