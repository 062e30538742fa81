// The base of every plot type: it pulls its numbers from a data source in a fixed order of the
// source's operations, keeps them in a cache of one numeric column per field (doubles or decimals)
// beside per-record object lists, reloads, inserts and deletes records, answers the extents of its
// data to plot spaces, hosts the data labels and offers the legend its entries and swatches.
#pragma once

#include "platform/foundation/NumberFormatter.h"
#include "platform/graphics/Text.h"
#include "plot/foundation/CPTNumericData.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTAnnotationHostLayer.h"
#include "plot/graph/CPTPlotDataSource.h"
#include "plot/graph/CPTPlotSpaceAnnotation.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CPTLegend;
class CPTPlotArea;
class CPTPlotSpace;

// The numeric type of the cache.
enum CPTPlotCachePrecision : std::int64_t {
    CPTPlotCachePrecisionAuto = 0, // the type in which the data arrives, double or decimal
    CPTPlotCachePrecisionDouble = 1,
    CPTPlotCachePrecisionDecimal = 2,
};

// The per-record list of label layers given by the data source.
inline constexpr const char* CPTPlotBindingDataLabels = "dataLabels";

class CPTPlot : public CPTAnnotationHostLayer {
  public:
    explicit CPTPlot(const CGRect& frame = {});
    ~CPTPlot() override;
    const char* className() const override { return "CPTPlot"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // --- data source and delegate, held weakly: one that has gone reads as none
    std::shared_ptr<CPTPlotDataSource> dataSource() const { return dataSource_.lock(); }
    // Another source marks the data for reloading.
    void setDataSource(const std::shared_ptr<CPTPlotDataSource>& dataSource);
    std::shared_ptr<CPTPlotDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<CPTPlotDelegate>& delegate) { delegate_ = delegate; }

    // --- legend titles: the plain and the attributed title keep each other consistent, and each
    // change asks the legend to lay out again
    const std::optional<std::string>& title() const { return title_; }
    void setTitle(const std::optional<std::string>& title);
    const std::optional<gfx::RichText>& attributedTitle() const { return attributedTitle_; }
    void setAttributedTitle(const std::optional<gfx::RichText>& title);

    // Set by the graph when the plot is added; shared. Another space is announced to observers.
    const std::shared_ptr<CPTPlotSpace>& plotSpace() const { return plotSpace_; }
    virtual void setPlotSpace(const std::shared_ptr<CPTPlotSpace>& space);
    // The graph's plot area, or null.
    CPTPlotArea* plotArea() const;

    // Snap drawn points to device pixels; a change redraws.
    bool alignsPointsToPixels() const { return alignsPointsToPixels_; }
    void setAlignsPointsToPixels(bool value);

    // --- the cache
    CPTPlotCachePrecision cachePrecision() const { return cachePrecision_; }
    // Decimal and double convert every cached field; automatic converts nothing.
    void setCachePrecision(CPTPlotCachePrecision precision);
    // The two types of cached fields: little-endian doubles ("<f8") and 20-byte decimals ("<d20").
    static CPTNumericDataType doubleDataType();
    static CPTNumericDataType decimalDataType();
    // Whether the cache holds doubles; under automatic precision, whether the first cached field does.
    bool doublePrecisionCache() const;
    // Reloads first when the data is stale.
    std::uint64_t cachedDataCount();
    // Asks the data source every time; 0 without one.
    std::uint64_t numberOfRecords();
    bool dataNeedsReloading() const { return dataNeedsReloading_; }
    // A change to true redraws.
    void setDataNeedsReloading(bool value);
    void setDataNeedsReloading() { setDataNeedsReloading(true); }

    // --- reloading
    virtual void reloadData();
    virtual void reloadDataIfNeeded();
    // The fields, then the labels, of these records; plot types add their own lists after.
    virtual void reloadDataInIndexRange(NSRange indexRange);
    // The data source gained records at idx: every field and list makes room (the new samples read
    // as NaN until they are fetched), then the new records are fetched. An index beyond the records
    // raises the range exception and changes nothing.
    virtual void insertDataAtIndex(std::uint64_t idx, std::uint64_t numberOfRecords);
    // The data source lost these records: every field and list closes the gap and their labels go.
    // A range past the end raises the range exception and changes nothing.
    virtual void deleteDataInIndexRange(NSRange indexRange);
    void reloadPlotData();
    // Plot types fetch and cache their fields here; the base has none.
    virtual void reloadPlotDataInIndexRange(NSRange indexRange) {}
    void reloadDataLabels();
    virtual void reloadDataLabelsInIndexRange(NSRange indexRange);

    // --- fields of the plot type (none here)
    virtual std::uint64_t numberOfFields() const { return 0; }
    virtual std::vector<std::uint64_t> fieldIdentifiers() const { return {}; }
    virtual std::vector<std::uint64_t> fieldIdentifiersForCoordinate(CPTCoordinate coordinate) const { return {}; }
    // foundation::notFound for a field of no coordinate.
    virtual std::uint64_t coordinateForFieldIdentifier(std::uint64_t field) const { return foundation::notFound; }

    // --- extents: none when there is nothing to measure; NaN samples are skipped
    std::shared_ptr<CPTPlotRange> plotRangeForField(std::uint64_t fieldEnum);
    virtual std::shared_ptr<CPTPlotRange> plotRangeForCoordinate(CPTCoordinate coordinate);
    // With what the plot draws around its points; the field's extent here.
    virtual std::shared_ptr<CPTPlotRange> plotRangeEnclosingField(std::uint64_t fieldEnum) {
        return plotRangeForField(fieldEnum);
    }
    virtual std::shared_ptr<CPTPlotRange> plotRangeEnclosingCoordinate(CPTCoordinate coordinate);

    // --- the tools of plot types: fetching and caching
    // True when the source answered two-dimensional data and every field was cached from it.
    bool loadNumbersForAllFieldsFromDataSourceInRecordIndexRange(NSRange indexRange);
    // The numbers of one field from the first operation the source answers, fitted to the range's
    // length: a short answer is padded with missing values, a long one cut.
    CPTPlotNumbers numbersFromDataSourceForField(std::uint64_t fieldEnum, NSRange indexRange);
    // Replaces a whole field; nil removes it.
    void cacheNumbers(const CPTPlotNumbers& numbers, std::uint64_t fieldEnum);
    // Writes a block of records from idx, within the data source's record count; nil does nothing.
    void cacheNumbers(const CPTPlotNumbers& numbers, std::uint64_t fieldEnum, std::uint64_t idx);
    // Any answer as numeric data of the double or decimal cache type; nil gives null. Another kind of
    // value raises CPTException "Unsupported number array format".
    std::shared_ptr<CPTMutableNumericData> numericDataForNumbers(const CPTPlotNumbers& numbers) const;
    // Converts every cached field to the type.
    void setCachedDataType(CPTNumericDataType newDataType);

    // --- reading the cache: null, none or NaN when absent or out of range. A field of neither
    // floating-point nor decimal samples raises CPTException "Unsupported data type format".
    std::shared_ptr<CPTMutableNumericData> cachedNumbersForField(std::uint64_t fieldEnum) const;
    std::optional<foundation::Value> cachedNumberForField(std::uint64_t fieldEnum, std::uint64_t idx) const;
    double cachedDoubleForField(std::uint64_t fieldEnum, std::uint64_t idx) const;
    // The first `count` records' values of the field as cachedDoubleForField answers them, read at once.
    std::vector<double> cachedDoublesForField(std::uint64_t fieldEnum, std::uint64_t count) const;
    // The same values without a copy when the cache holds the field as doubles of at least `count`
    // samples; else they are read into `scratch`, which the span then shows.
    std::span<const double> cachedDoublesForField(std::uint64_t fieldEnum, std::uint64_t count,
                                                  std::vector<double>& scratch) const;
    NSDecimal cachedDecimalForField(std::uint64_t fieldEnum, std::uint64_t idx) const;

    // --- per-record object lists
    const CPTPlotObjectList* cachedArrayForKey(std::string_view key) const;
    // None when the key has no list or the index lies beyond it.
    std::optional<CPTPlotObject> cachedValueForKey(std::string_view key, std::uint64_t idx) const;
    // An empty list removes the key; the record count becomes the list's count.
    void cacheArray(const CPTPlotObjectList& array, std::string_view key);
    // Writes entries from idx into a list of the data source's record count (grown with null
    // entries first); entries past that count are dropped. An empty list does nothing.
    void cacheArray(const CPTPlotObjectList& array, std::string_view key, std::uint64_t idx);

    // --- data labels
    // Label layers from the data source, one per record; a new list relabels every record.
    CPTPlotObjectList dataLabels() const;
    void setDataLabels(const CPTPlotObjectList& labels);
    bool showLabels() const { return showLabels_; }
    void setShowLabels(bool value);
    // Copied. A style without a formatter installs one that writes one fraction digit.
    const std::shared_ptr<CPTTextStyle>& labelTextStyle() const { return labelTextStyle_; }
    void setLabelTextStyle(const std::shared_ptr<CPTTextStyle>& style);
    const std::shared_ptr<foundation::NumberFormatter>& labelFormatter() const { return labelFormatter_; }
    void setLabelFormatter(const std::shared_ptr<foundation::NumberFormatter>& formatter);
    const std::shared_ptr<CPTShadow>& labelShadow() const { return labelShadow_; }
    void setLabelShadow(const std::shared_ptr<CPTShadow>& shadow);
    CGFloat labelOffset() const { return labelOffset_; }
    void setLabelOffset(CGFloat offset);
    CGFloat labelRotation() const { return labelRotation_; }
    virtual void setLabelRotation(CGFloat rotation);
    std::uint64_t labelField() const { return labelField_; }
    void setLabelField(std::uint64_t field) { labelField_ = field; }
    bool adjustLabelAnchors() const { return adjustLabelAnchors_; }
    void setAdjustLabelAnchors(bool value) { adjustLabelAnchors_ = value; }
    // One entry per record: the annotation showing its label, or null; none before the first relabel.
    using LabelAnnotations = std::vector<std::shared_ptr<CPTPlotSpaceAnnotation>>;
    const std::optional<LabelAnnotations>& labelAnnotations() const {
        return labelAnnotations_;
    }
    NSRange labelIndexRange() const { return labelIndexRange_; }
    bool needsRelabel() const { return needsRelabel_; }
    // True asks for layout, where the labels are rebuilt.
    void setNeedsRelabel(bool value);
    // Every record's label.
    void setNeedsRelabel();
    void relabelIndexRange(NSRange indexRange);
    void relabel();
    // Plot types place the label of a record: its anchor plot point and displacement.
    virtual void positionLabelAnnotation(CPTPlotSpaceAnnotation& label, std::uint64_t idx) {}
    // Turns the displacement into the content anchor, so the label sits away from its point.
    void updateContentAnchorForLabel(CPTPlotSpaceAnnotation* label);
    void repositionAllLabelAnnotations();

    // --- legend
    bool drawLegendSwatchDecoration() const { return drawLegendSwatchDecoration_; }
    void setDrawLegendSwatchDecoration(bool value) { drawLegendSwatchDecoration_ = value; }
    virtual std::uint64_t numberOfLegendEntries() { return 1; }
    // The title, else an identifier that is a string.
    virtual std::optional<std::string> titleForLegendEntryAtIndex(std::uint64_t idx);
    virtual std::optional<gfx::RichText> attributedTitleForLegendEntryAtIndex(std::uint64_t idx);
    // The delegate's fill and line style, else the legend's, in the legend's rounded swatch.
    virtual void drawSwatchForLegend(CPTLegend& legend, std::uint64_t idx, CGRect rect, gfx::Context& context);

    // --- hit test: the record under a point of the plot area, foundation::notFound when none
    virtual std::uint64_t dataIndexFromInteractionPoint(CGPoint point) { return foundation::notFound; }

    // --- layer
    void setHidden(bool hidden) override;
    void layoutSublayers() override;
    // Reloads stale data, draws, then tells the delegate.
    void drawInContext(gfx::Context& ctx) override;
    bool needsDisplayForKey(std::string_view key) const override;

    // Touches on data labels (told to the delegate); a hidden plot, or one without a graph, takes none.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceCancelledEvent(const CPTEvent& event) override;
    // The label under the last press; foundation::notFound when none.
    std::uint64_t pointingDeviceDownLabelIndex() const { return pointingDeviceDownLabelIndex_; }

  private:
    CPTNumericDataType targetDataType() const;
    CPTPlotNumbers fittedToLength(CPTPlotNumbers numbers, std::uint64_t length) const;
    CPTScaleType scaleTypeOfField(std::uint64_t fieldEnum) const;
    std::shared_ptr<CPTMutableNumericData> categoryIndexes(const foundation::Value::Array& categories,
                                                           CPTCoordinate coordinate, bool add);
    void removeLabelAnnotation(const std::shared_ptr<CPTPlotSpaceAnnotation>& annotation);
    std::shared_ptr<CPTLayer> newLabelLayerForValue(const foundation::Value& value) const;

    std::weak_ptr<CPTPlotDataSource> dataSource_;
    std::weak_ptr<CPTPlotDelegate> delegate_;
    std::optional<std::string> title_;
    std::optional<gfx::RichText> attributedTitle_;
    std::shared_ptr<CPTPlotSpace> plotSpace_;
    std::map<std::uint64_t, std::shared_ptr<CPTMutableNumericData>> cachedNumbers_;
    std::map<std::string, CPTPlotObjectList, std::less<>> cachedArrays_;
    std::uint64_t cachedDataCount_ = 0;
    CPTPlotCachePrecision cachePrecision_ = CPTPlotCachePrecisionAuto;
    bool dataNeedsReloading_ = false;
    bool needsRelabel_ = true;
    bool adjustLabelAnchors_ = true;
    bool showLabels_ = true;
    CGFloat labelOffset_ = 0;
    CGFloat labelRotation_ = 0;
    std::uint64_t labelField_ = 0;
    std::shared_ptr<CPTTextStyle> labelTextStyle_;
    std::shared_ptr<foundation::NumberFormatter> labelFormatter_;
    std::shared_ptr<CPTShadow> labelShadow_;
    NSRange labelIndexRange_;
    std::optional<LabelAnnotations> labelAnnotations_;
    std::uint64_t pointingDeviceDownLabelIndex_ = foundation::notFound;
    bool alignsPointsToPixels_ = true;
    bool inTitleUpdate_ = false;
    bool drawLegendSwatchDecoration_ = true;
};
