// A one-dimensional interval of plot coordinates, held exactly as decimals and fast as doubles; it may
// run in either direction and be infinite in one. The mutable form adds union, intersection,
// expansion and shifting in place.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "plot/foundation/CPTUtilities.h"

#include <cstdint>
#include <memory>
#include <string>

enum CPTPlotRangeComparisonResult : std::int64_t {
    CPTPlotRangeComparisonBelow = 0,
    CPTPlotRangeComparisonInside = 1,
    CPTPlotRangeComparisonAbove = 2,
    CPTPlotRangeComparisonUndefined = 3,
};

class CPTMutablePlotRange;

class CPTPlotRange {
  public:
    // Location 0 and length 0.
    CPTPlotRange();
    // Decimals from each number's own decimal value, doubles from its double value; a null value
    // counts as 0.
    CPTPlotRange(const foundation::Value& location, const foundation::Value& length);
    CPTPlotRange(NSDecimal location, NSDecimal length);
    virtual ~CPTPlotRange() = default;

    static std::shared_ptr<CPTPlotRange> plotRangeWithLocation(const foundation::Value& location,
                                                               const foundation::Value& length);
    static std::shared_ptr<CPTPlotRange> plotRangeWithLocationDecimal(NSDecimal location, NSDecimal length);

    NSDecimal locationDecimal() const { return locationDecimal_; }
    NSDecimal lengthDecimal() const { return lengthDecimal_; }
    double locationDouble() const { return locationDouble_; }
    double lengthDouble() const { return lengthDouble_; }
    bool isInfinite() const { return isInfinite_; }
    std::int64_t lengthSign() const { return lengthSign_; }
    bool inValueUpdate() const { return inValueUpdate_; }

    // Derived values, each as a decimal number, a decimal and a double.
    foundation::Value location() const;
    foundation::Value length() const;
    foundation::Value end() const;
    NSDecimal endDecimal() const;
    double endDouble() const;
    foundation::Value minLimit() const;
    NSDecimal minLimitDecimal() const;
    double minLimitDouble() const;
    foundation::Value midPoint() const;
    NSDecimal midPointDecimal() const;
    double midPointDouble() const;
    foundation::Value maxLimit() const;
    NSDecimal maxLimitDecimal() const;
    double maxLimitDouble() const;

    bool contains(NSDecimal value) const;
    bool containsDouble(double value) const;
    bool containsNumber(const foundation::Value& number) const;
    bool containsRange(const CPTPlotRange* other) const;
    bool intersectsRange(const CPTPlotRange* other) const;

    // Equal decimals, infinity and direction; the doubles are not compared.
    bool isEqualToRange(const CPTPlotRange* other) const;
    // Also asks that other is of this object's class or a subclass: an immutable range can equal a
    // mutable one while the mutable one does not equal it. Hence no operator==.
    virtual bool isEqual(const CPTPlotRange* other) const;
    std::size_t hash() const;

    CPTPlotRangeComparisonResult compareToDecimal(NSDecimal value) const;
    CPTPlotRangeComparisonResult compareToDouble(double value) const;
    CPTPlotRangeComparisonResult compareToNumber(const foundation::Value& number) const;

    // Numbers are written with "." whatever the locale.
    std::string description() const;
    std::string debugQuickLookObject() const;

    // Always immutable, and always mutable, whatever the receiver is.
    std::shared_ptr<CPTPlotRange> copy() const;
    std::shared_ptr<CPTMutablePlotRange> mutableCopy() const;

    // Keys "CPTPlotRange.location", ".length", ".isInfinite", ".lengthSign"; the doubles are derived.
    // An infinite range keeps its infinite length through the round trip.
    static bool supportsSecureCoding() { return true; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    explicit CPTPlotRange(foundation::KeyedUnarchiver& coder);
    // The archived object under key, of either range class; nothing when missing or unreadable.
    static std::shared_ptr<CPTPlotRange> decodeForKey(foundation::KeyedUnarchiver& coder,
                                                      std::string_view key);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;

    virtual const char* className() const { return "CPTPlotRange"; }

  protected:
    // Each representation set alone derives the other (unless inValueUpdate is set); the length's
    // double also decides isInfinite and lengthSign.
    void setLocationDecimal(NSDecimal value);
    void setLocationDouble(double value);
    void setLengthDecimal(NSDecimal value);
    void setLengthDouble(double value);
    void setIsInfinite(bool value) { isInfinite_ = value; }
    void setLengthSign(std::int64_t value) { lengthSign_ = value; }
    void setInValueUpdate(bool value) { inValueUpdate_ = value; }

    void copyValuesFrom(const CPTPlotRange& other);

  private:
    NSDecimal locationDecimal_;
    NSDecimal lengthDecimal_;
    double locationDouble_ = 0;
    double lengthDouble_ = 0;
    bool isInfinite_ = false;
    std::int64_t lengthSign_ = 1;
    bool inValueUpdate_ = false;
};

class CPTMutablePlotRange : public CPTPlotRange {
  public:
    using CPTPlotRange::CPTPlotRange;

    static std::shared_ptr<CPTMutablePlotRange> plotRangeWithLocation(const foundation::Value& location,
                                                                      const foundation::Value& length);
    static std::shared_ptr<CPTMutablePlotRange> plotRangeWithLocationDecimal(NSDecimal location,
                                                                             NSDecimal length);

    using CPTPlotRange::setInValueUpdate;
    using CPTPlotRange::setLengthDecimal;
    using CPTPlotRange::setLengthDouble;
    using CPTPlotRange::setLocationDecimal;
    using CPTPlotRange::setLocationDouble;
    // Both representations from the number itself.
    void setLocation(const foundation::Value& location);
    void setLength(const foundation::Value& length);

    bool isEqual(const CPTPlotRange* other) const override;

    // Each changes the receiver in place; a null range changes nothing.
    void unionPlotRange(const CPTPlotRange* other);
    void intersectionPlotRange(const CPTPlotRange* other);
    // Keeps the midpoint; a null factor counts as 0.
    void expandRangeByFactor(const foundation::Value& factor);
    void shiftLocationToFitInRange(const CPTPlotRange* other);
    void shiftEndToFitInRange(const CPTPlotRange* other);

    const char* className() const override { return "CPTMutablePlotRange"; }

  private:
    // The empty result of an intersection.
    void becomeNaN();
};
