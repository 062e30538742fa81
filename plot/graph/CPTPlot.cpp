// The plot base: its links and settings, full and partial reloads, the extents of its data, the legend
// hooks and the lazy reload before drawing.
#include "plot/graph/CPTPlot.h"

#include "platform/foundation/NotificationCenter.h"
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTGuards.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTPlotAreaFrame.h"

const CPTPlotObject& CPTPlotObject::nilData() {
    static const CPTPlotObject marker{NilData{}};
    return marker;
}

CPTPlot::CPTPlot(const CGRect& frame) : CPTAnnotationHostLayer(frame) {
    // A plot draws only inside its own bounds.
    setMasksToBounds(true);
    setNeedsDisplayOnBoundsChange(true);
}

CPTPlot::~CPTPlot() = default;

CPTPlotArea* CPTPlot::plotArea() const {
    CPTGraph* g = graph();
    return g && g->plotAreaFrame() ? g->plotAreaFrame()->plotArea().get() : nullptr;
}

void CPTPlot::setPlotSpace(const std::shared_ptr<CPTPlotSpace>& space) {
    if (space == plotSpace_)
        return;
    plotSpace_ = space;
    foundation::NotificationCenter::defaultCenter().post(CPTPlotDidChangePlotSpaceNotification,
                                                         static_cast<const void*>(this));
}

void CPTPlot::setDataSource(const std::shared_ptr<CPTPlotDataSource>& dataSource) {
    if (dataSource == dataSource_.lock() && !dataSource_.expired())
        return;
    dataSource_ = dataSource;
    setDataNeedsReloading();
}

void CPTPlot::setTitle(const std::optional<std::string>& title) {
    if (title == title_)
        return;
    title_ = title;
    if (inTitleUpdate_)
        return;
    {
        CPTFlagGuard updating(inTitleUpdate_, true);
        setAttributedTitle(std::nullopt);
    }
    foundation::NotificationCenter::defaultCenter().post(CPTLegendNeedsLayoutForPlotNotification, this);
}

void CPTPlot::setAttributedTitle(const std::optional<gfx::RichText>& title) {
    // Attributed texts have no equality: only none over none is no change.
    if (!title && !attributedTitle_)
        return;
    attributedTitle_ = title;
    if (inTitleUpdate_)
        return;
    {
        CPTFlagGuard updating(inTitleUpdate_, true);
        setTitle(title ? std::optional<std::string>(title->plainText()) : std::nullopt);
    }
    foundation::NotificationCenter::defaultCenter().post(CPTLegendNeedsLayoutForPlotNotification, this);
}

void CPTPlot::setAlignsPointsToPixels(bool value) {
    if (value == alignsPointsToPixels_)
        return;
    alignsPointsToPixels_ = value;
    setNeedsDisplay();
}

void CPTPlot::setDataNeedsReloading(bool value) {
    if (value == dataNeedsReloading_)
        return;
    dataNeedsReloading_ = value;
    if (value)
        setNeedsDisplay();
}

std::uint64_t CPTPlot::cachedDataCount() {
    reloadDataIfNeeded();
    return cachedDataCount_;
}

std::uint64_t CPTPlot::numberOfRecords() {
    auto source = dataSource();
    return source ? source->numberOfRecordsForPlot(*this) : 0;
}

// --- reloading

void CPTPlot::reloadData() {
    cachedNumbers_.clear();
    cachedArrays_.clear();
    cachedDataCount_ = 0;
    reloadDataInIndexRange(NSMakeRange(0, numberOfRecords()));
}

void CPTPlot::reloadDataIfNeeded() {
    if (dataNeedsReloading_)
        reloadData();
}

void CPTPlot::reloadDataInIndexRange(NSRange indexRange) {
    // First, so that reading the record count while reloading does not start another reload.
    dataNeedsReloading_ = false;
    reloadPlotDataInIndexRange(indexRange);
    reloadDataLabelsInIndexRange(indexRange);
}

void CPTPlot::reloadPlotData() {
    for (std::uint64_t field : fieldIdentifiers())
        cachedNumbers_.erase(field);
    reloadPlotDataInIndexRange(NSMakeRange(0, cachedDataCount()));
}

void CPTPlot::reloadDataLabels() {
    if (auto it = cachedArrays_.find(std::string_view(CPTPlotBindingDataLabels)); it != cachedArrays_.end())
        cachedArrays_.erase(it);
    reloadDataLabelsInIndexRange(NSMakeRange(0, cachedDataCount()));
}

// --- extents

namespace {

// The union of the ranges that `rangeOf` gives for the fields (none where every answer is none).
template <typename RangeOf>
std::shared_ptr<CPTPlotRange> unionOfFieldRanges(const std::vector<std::uint64_t>& fields, RangeOf rangeOf) {
    std::shared_ptr<CPTMutablePlotRange> range;
    for (std::uint64_t field : fields) {
        auto fieldRange = rangeOf(field);
        if (!fieldRange)
            continue;
        if (!range)
            range = fieldRange->mutableCopy();
        else
            range->unionPlotRange(fieldRange.get());
    }
    return range;
}

} // namespace

std::shared_ptr<CPTPlotRange> CPTPlot::plotRangeForCoordinate(CPTCoordinate coordinate) {
    return unionOfFieldRanges(fieldIdentifiersForCoordinate(coordinate),
                              [this](std::uint64_t field) { return plotRangeForField(field); });
}

std::shared_ptr<CPTPlotRange> CPTPlot::plotRangeEnclosingCoordinate(CPTCoordinate coordinate) {
    return unionOfFieldRanges(fieldIdentifiersForCoordinate(coordinate),
                              [this](std::uint64_t field) { return plotRangeEnclosingField(field); });
}

// --- legend

std::optional<std::string> CPTPlot::titleForLegendEntryAtIndex(std::uint64_t) {
    if (title_)
        return title_;
    if (identifier().kind() == foundation::Value::Kind::String)
        return identifier().string();
    return std::nullopt;
}

std::optional<gfx::RichText> CPTPlot::attributedTitleForLegendEntryAtIndex(std::uint64_t) {
    // An identifier is never attributed text here.
    return attributedTitle_;
}

void CPTPlot::drawSwatchForLegend(CPTLegend& legend, std::uint64_t idx, CGRect rect, gfx::Context& context) {
    std::shared_ptr<CPTFill> fill;
    std::shared_ptr<CPTLineStyle> lineStyle;
    if (auto d = delegate()) {
        fill = d->legendFillForSwatchAtIndex(legend, idx, *this).value_or(nullptr);
        lineStyle = d->legendLineStyleForSwatchAtIndex(legend, idx, *this).value_or(nullptr);
    }
    if (!fill)
        fill = legend.swatchFill();
    if (!lineStyle)
        lineStyle = legend.swatchBorderLineStyle();
    const CGFloat radius = legend.swatchCornerRadius();
    if (fill) {
        context.beginPath();
        CPTContextAddRoundedRect(context, CPTRectAlignedToPixelEdge(context, rect), radius);
        fill->fillPathInContext(context);
    }
    if (lineStyle) {
        lineStyle->setLineStyleInContext(context);
        context.beginPath();
        CPTContextAddRoundedRect(context, CPTRectAlignedForLineStyle(context, lineStyle.get(), rect), radius);
        lineStyle->strokePathInContext(context);
    }
}

// --- layer

void CPTPlot::setHidden(bool hidden) {
    if (hidden == isHidden())
        return;
    CPTAnnotationHostLayer::setHidden(hidden);
    setNeedsRelabel();
}

void CPTPlot::layoutSublayers() {
    relabel();
    CPTAnnotationHostLayer::layoutSublayers();
}

void CPTPlot::drawInContext(gfx::Context& ctx) {
    reloadDataIfNeeded();
    CPTAnnotationHostLayer::drawInContext(ctx);
    if (auto d = delegate())
        d->didFinishDrawing(*this);
}

bool CPTPlot::needsDisplayForKey(std::string_view key) const {
    if (key == "labelOffset" || key == "labelRotation")
        return true;
    return CPTAnnotationHostLayer::needsDisplayForKey(key);
}
