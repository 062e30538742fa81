// Where an item sits along one dimension between a lower and an upper bound: a fixed distance from
// either bound, or a fraction of the way between them. Immutable once made.
#pragma once

#include "platform/foundation/KeyedArchive.h"

#include <memory>
#include <string_view>

// The public face of a class cluster: the factories hand out private kinds ("_CPTConstraintsFixed",
// "_CPTConstraintsRelative", as className() reports them). Archives always name "CPTConstraints", and
// decoding picks the kind from the keys it finds.
class CPTConstraints {
  public:
    virtual ~CPTConstraints() = default;
    CPTConstraints(const CPTConstraints&) = delete;
    CPTConstraints& operator=(const CPTConstraints&) = delete;

    // Fixed: lower + offset.
    static std::shared_ptr<CPTConstraints> constraintWithLowerOffset(double offset);
    // Fixed: upper - offset.
    static std::shared_ptr<CPTConstraints> constraintWithUpperOffset(double offset);
    // Relative: lower + offset x (upper - lower); 0 is the lower bound, 1 the upper; outside [0, 1]
    // extrapolates.
    static std::shared_ptr<CPTConstraints> constraintWithRelativeOffset(double offset);

    // The bounds need not be ordered. A NaN offset or bound gives NaN; so does the bare base class.
    virtual double positionForLowerBound(double lowerBound, double upperBound) const;
    // Same kind and fields, offsets compared as plain doubles (a NaN offset never equals anything);
    // the bare base class compares identity. nullptr is never equal.
    virtual bool isEqualToConstraint(const CPTConstraints* other) const;
    // General equality stays identity: two equal constraints are still two objects.
    bool isEqual(const CPTConstraints* other) const { return this == other; }

    // A new object of the receiver's own kind with the same fields; the bare base class gives nothing.
    virtual std::shared_ptr<CPTConstraints> copy() const;

    // The private kind's name.
    virtual const char* className() const { return "CPTConstraints"; }
    // The name archives carry, whatever the kind.
    static constexpr const char* classForCoder() { return "CPTConstraints"; }

    // Each kind writes its own keys: "_CPTConstraintsFixed.offset" and
    // "_CPTConstraintsFixed.isFixedToLower", or "_CPTConstraintsRelative.offset". The bare base class
    // writes nothing.
    static bool supportsSecureCoding() { return true; }
    virtual void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    // The public class's decoding: a fixed constraint when the fixed offset is there (a missing flag
    // reads as NO: measured from the upper bound), else a relative one, else nothing. A key of the
    // wrong type fails the archive and gives nothing.
    static std::shared_ptr<CPTConstraints> constraintWithCoder(foundation::KeyedUnarchiver& coder);

    // Nested under key as an object of class "CPTConstraints"; nothing when missing, of another
    // class, unreadable, or without any of the offset keys.
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTConstraints> decodeForKey(foundation::KeyedUnarchiver& coder,
                                                        std::string_view key);

  protected:
    CPTConstraints() = default;
};
