// What a plot asks of the app: the data source that answers its records, the delegate told about its
// drawing and legend swatches, and the entry type of the per-record lists (labels, fills, styles).
// Every optional operation answers none when it is not implemented, and the plot tests it first.
#pragma once

#include "platform/foundation/Value.h"
#include "plot/foundation/CPTNumericData.h"
#include "plot/graph/CPTResponder.h"

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <variant>
#include <vector>

class CPTFill;
class CPTLayer;
class CPTLegend;
class CPTLineStyle;
class CPTPlot;
class CPTPlotSymbol;

// A run of record indexes.
struct NSRange {
    std::uint64_t location = 0;
    std::uint64_t length = 0;
    // One past the last index, saturated so that a range near the top never wraps.
    std::uint64_t end() const { return length > UINT64_MAX - location ? UINT64_MAX : location + length; }
    friend bool operator==(const NSRange&, const NSRange&) = default;
};

inline NSRange NSMakeRange(std::uint64_t location, std::uint64_t length) {
    return {location, length};
}

// One entry of a per-record list: an object, the null entry (nothing loaded, or an entry that draws
// nothing) or the nil marker (the data source answered nil: the plot's own setting applies).
// A null object or a null value given to a constructor makes the null entry.
class CPTPlotObject {
  public:
    struct NilData {
        friend bool operator==(NilData, NilData) { return true; }
    };
    using Storage = std::variant<std::monostate, NilData, std::shared_ptr<CPTLayer>, std::shared_ptr<CPTFill>,
                                 std::shared_ptr<CPTLineStyle>, std::shared_ptr<CPTPlotSymbol>, foundation::Value>;

    CPTPlotObject() = default;
    CPTPlotObject(NilData marker) : storage_(marker) {}
    template <class T> CPTPlotObject(std::shared_ptr<T> object) {
        if (object)
            storage_ = std::move(object);
    }
    CPTPlotObject(foundation::Value value) {
        if (!value.isNull())
            storage_ = std::move(value);
    }

    // The one marker every list shares.
    static const CPTPlotObject& nilData();

    bool isNull() const { return std::holds_alternative<std::monostate>(storage_); }
    bool isNilData() const { return std::holds_alternative<NilData>(storage_); }
    // The object when the entry holds one of that kind, else null.
    template <class T> std::shared_ptr<T> object() const {
        auto* p = std::get_if<std::shared_ptr<T>>(&storage_);
        return p ? *p : nullptr;
    }
    // The value when the entry holds one, else null.
    const foundation::Value* value() const { return std::get_if<foundation::Value>(&storage_); }
    const Storage& storage() const { return storage_; }

    friend bool operator==(const CPTPlotObject& a, const CPTPlotObject& b) { return a.storage_ == b.storage_; }

  private:
    Storage storage_;
};

using CPTPlotObjectList = std::vector<CPTPlotObject>;

// A data source's answer for the numbers of one field: numeric data, plain bytes of host-order doubles,
// or a boxed value, normally an array of numbers (any other kind is refused). A null value or null
// numeric data is nil: no numbers.
using CPTPlotNumbers = std::variant<foundation::Value, std::shared_ptr<CPTNumericData>, CPTNumericData::Bytes>;

class CPTPlotDataSource {
  public:
    virtual ~CPTPlotDataSource() = default;

    virtual std::uint64_t numberOfRecordsForPlot(CPTPlot& plot) = 0;

    // Every field at once: two dimensions, records by fields.
    virtual std::optional<std::shared_ptr<CPTNumericData>> dataForPlotRecordIndexRange(CPTPlot& plot,
                                                                                       NSRange indexRange) {
        return std::nullopt;
    }
    virtual std::optional<CPTPlotNumbers> dataForPlot(CPTPlot& plot, std::uint64_t fieldEnum, NSRange indexRange) {
        return std::nullopt;
    }
    // The doubles are copied at once; a span with no data is nil.
    virtual std::optional<std::span<const double>> doublesForPlot(CPTPlot& plot, std::uint64_t fieldEnum,
                                                                  NSRange indexRange) {
        return std::nullopt;
    }
    virtual std::optional<foundation::Value> numbersForPlot(CPTPlot& plot, std::uint64_t fieldEnum,
                                                            NSRange indexRange) {
        return std::nullopt;
    }
    virtual std::optional<double> doubleForPlot(CPTPlot& plot, std::uint64_t fieldEnum, std::uint64_t idx) {
        return std::nullopt;
    }
    // A null value is nil: a missing value.
    virtual std::optional<foundation::Value> numberForPlot(CPTPlot& plot, std::uint64_t fieldEnum,
                                                           std::uint64_t idx) {
        return std::nullopt;
    }

    // Label layers; a null layer in the list is the null entry, a null answer of the single form nil.
    virtual std::optional<std::vector<std::shared_ptr<CPTLayer>>> dataLabelsForPlot(CPTPlot& plot,
                                                                                    NSRange indexRange) {
        return std::nullopt;
    }
    virtual std::optional<std::shared_ptr<CPTLayer>> dataLabelForPlot(CPTPlot& plot, std::uint64_t idx) {
        return std::nullopt;
    }
};

class CPTPlotDelegate {
  public:
    virtual ~CPTPlotDelegate() = default;
    // Answers false when not implemented.
    virtual bool didFinishDrawing(CPTPlot& plot) { return false; }
    // A null answer leaves the legend's own swatch fill or border.
    virtual std::optional<std::shared_ptr<CPTFill>> legendFillForSwatchAtIndex(CPTLegend& legend, std::uint64_t idx,
                                                                               CPTPlot& plot) {
        return std::nullopt;
    }
    virtual std::optional<std::shared_ptr<CPTLineStyle>>
    legendLineStyleForSwatchAtIndex(CPTLegend& legend, std::uint64_t idx, CPTPlot& plot) {
        return std::nullopt;
    }
    // Touches on data labels. Each answers whether it is implemented: the default does nothing
    // and answers false, and a touch that no implemented operation hears goes on.
    virtual bool plotDataLabelTouchDownAtRecordIndex(CPTPlot& plot, std::uint64_t idx) { return false; }
    virtual bool plotDataLabelTouchDownAtRecordIndexWithEvent(CPTPlot& plot, std::uint64_t idx, const CPTEvent& event) {
        return false;
    }
    virtual bool plotDataLabelTouchUpAtRecordIndex(CPTPlot& plot, std::uint64_t idx) { return false; }
    virtual bool plotDataLabelTouchUpAtRecordIndexWithEvent(CPTPlot& plot, std::uint64_t idx, const CPTEvent& event) {
        return false;
    }
    virtual bool plotDataLabelWasSelectedAtRecordIndex(CPTPlot& plot, std::uint64_t idx) { return false; }
    virtual bool plotDataLabelWasSelectedAtRecordIndexWithEvent(CPTPlot& plot, std::uint64_t idx,
                                                                const CPTEvent& event) {
        return false;
    }
};
