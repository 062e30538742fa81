// The axis base: its settings with what each change asks for, the label and title layers in the plot
// area's groups, the grid-line layers and the bands.
#include "plot/graph/CPTAxis.h"

#include "platform/foundation/Log.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTGradient.h"
#include "plot/foundation/CPTImage.h"
#include "plot/foundation/CPTLineCap.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTAxisLabelGroup.h"
#include "plot/graph/CPTGridLines.h"
#include "plot/graph/CPTLimitBand.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotSpace.h"
#include "plot/graph/CPTTextLayer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

using foundation::Value;

// The numeric-equality rule of number properties: none is always a change, an equal value never.
bool sameNumber(const Value& current, const Value& proposed) {
    return !proposed.isNull() && !current.isNull() && current == proposed;
}

std::shared_ptr<CPTLineStyle> copied(const std::shared_ptr<CPTLineStyle>& style) {
    return style ? style->copy() : nullptr;
}

std::shared_ptr<CPTTextStyle> copied(const std::shared_ptr<CPTTextStyle>& style) {
    return style ? style->copy() : nullptr;
}

std::shared_ptr<CPTPlotRange> copied(const std::shared_ptr<CPTPlotRange>& range) {
    return range ? range->copy() : nullptr;
}

// Ranges are stored as copies, so a stored range is compared by value: an equal range given anew is
// no change.
bool sameRange(const std::shared_ptr<CPTPlotRange>& current, const std::shared_ptr<CPTPlotRange>& proposed) {
    if (!current || !proposed)
        return current == proposed;
    return current == proposed || current->isEqualToRange(proposed.get());
}

} // namespace

CPTBandFill::CPTBandFill(const std::shared_ptr<CPTColor>& color)
    : fill(color ? CPTFill::fillWithColor(color) : nullptr) {}
CPTBandFill::CPTBandFill(const std::shared_ptr<CPTGradient>& gradient)
    : fill(gradient ? CPTFill::fillWithGradient(gradient) : nullptr) {}
CPTBandFill::CPTBandFill(const std::shared_ptr<CPTImage>& image)
    : fill(image ? CPTFill::fillWithImage(image) : nullptr) {}

CPTAxis::CPTAxis(const CGRect& frame)
    : CPTLayer(frame), axisLineStyle_(std::make_shared<CPTLineStyle>()),
      majorTickLineStyle_(std::make_shared<CPTLineStyle>()), minorTickLineStyle_(std::make_shared<CPTLineStyle>()),
      labelTextStyle_(std::make_shared<CPTTextStyle>()), minorTickLabelTextStyle_(std::make_shared<CPTTextStyle>()),
      titleTextStyle_(std::make_shared<CPTTextStyle>()), titleRotation_(std::numeric_limits<double>::quiet_NaN()),
      titleLocation_(std::numeric_limits<double>::quiet_NaN()) {
    auto formatter = std::make_shared<foundation::NumberFormatter>();
    formatter->setMinimumIntegerDigits(1);
    formatter->setMaximumFractionDigits(1);
    formatter->setMinimumFractionDigits(1);
    labelFormatter_ = formatter;
    setNeedsDisplayOnBoundsChange(true);
}

CPTAxis::~CPTAxis() {
    // The label and title layers live in the plot area's groups: they go with the axis.
    for (const auto* labels : {&axisLabels_, &minorTickAxisLabels_})
        for (const auto& label : *labels)
            if (label && label->contentLayer())
                label->contentLayer()->removeFromSuperlayer();
    if (axisTitle_ && axisTitle_->contentLayer())
        axisTitle_->contentLayer()->removeFromSuperlayer();
    for (const auto* own : {&majorGridLines_, &minorGridLines_})
        if (*own)
            (*own)->removeFromSuperlayer();
}

CPTAxisSet* CPTAxis::axisSet() const {
    return plotArea_ ? plotArea_->axisSet().get() : nullptr;
}

// --- what it measures

void CPTAxis::setPlotSpace(const std::shared_ptr<CPTPlotSpace>& space) {
    if (space == plotSpace_)
        return;
    plotSpace_ = space;
    setNeedsRelabel();
}

void CPTAxis::setCoordinate(CPTCoordinate coordinate) {
    if (coordinate == coordinate_)
        return;
    coordinate_ = coordinate;
    setNeedsRelabel();
}

void CPTAxis::setVisibleRange(const std::shared_ptr<CPTPlotRange>& range) {
    if (sameRange(visibleRange_, range))
        return;
    visibleRange_ = copied(range);
    setNeedsRelabel();
}

void CPTAxis::setVisibleAxisRange(const std::shared_ptr<CPTPlotRange>& range) {
    if (sameRange(visibleAxisRange_, range))
        return;
    visibleAxisRange_ = copied(range);
    setNeedsRelabel();
}

// --- ticks

void CPTAxis::setLabelingPolicy(CPTAxisLabelingPolicy policy) {
    if (policy == labelingPolicy_)
        return;
    labelingPolicy_ = policy;
    setNeedsRelabel();
}

void CPTAxis::setLabelingOrigin(const Value& origin) {
    if (sameNumber(labelingOrigin_, origin))
        return;
    labelingOrigin_ = origin;
    setNeedsRelabel();
}

void CPTAxis::setMajorIntervalLength(const Value& length) {
    if (sameNumber(majorIntervalLength_, length))
        return;
    majorIntervalLength_ = length;
    setNeedsRelabel();
}

void CPTAxis::setMinorTicksPerInterval(std::uint64_t count) {
    if (count == minorTicksPerInterval_)
        return;
    minorTicksPerInterval_ = count;
    setNeedsRelabel();
}

void CPTAxis::setPreferredNumberOfMajorTicks(std::uint64_t count) {
    if (count == preferredNumberOfMajorTicks_)
        return;
    preferredNumberOfMajorTicks_ = count;
    // Only the automatic policy relabels at once; equal divisions take the new count at their next
    // relabel, whatever asks for it.
    if (labelingPolicy_ == CPTAxisLabelingPolicyAutomatic)
        setNeedsRelabel();
}

void CPTAxis::setMajorTickLocations(const TickLocations& locations) {
    majorTickLocations_ = locations;
    majorGridLinesNeedDisplay();
    setNeedsRelabel();
}

void CPTAxis::setMinorTickLocations(const TickLocations& locations) {
    minorTickLocations_ = locations;
    minorGridLinesNeedDisplay();
    setNeedsRelabel();
}

void CPTAxis::setMajorTickLength(CGFloat length) {
    if (length == majorTickLength_)
        return;
    majorTickLength_ = length;
    updateMajorTickLabelOffsets();
    updateMinorTickLabelOffsets();
    setNeedsDisplay();
    updateMajorTickLabels();
    updateMinorTickLabels();
}

void CPTAxis::setMinorTickLength(CGFloat length) {
    if (length == minorTickLength_)
        return;
    minorTickLength_ = length;
    setNeedsDisplay();
}

void CPTAxis::setTickDirection(CPTSign direction) {
    if (direction == tickDirection_)
        return;
    tickDirection_ = direction;
    updateMajorTickLabelOffsets();
    updateMinorTickLabelOffsets();
    setNeedsDisplay();
    updateMajorTickLabels();
    updateMinorTickLabels();
}

void CPTAxis::setLabelExclusionRanges(const std::vector<std::shared_ptr<CPTPlotRange>>& ranges) {
    if (ranges == labelExclusionRanges_)
        return;
    labelExclusionRanges_ = ranges;
    setNeedsRelabel();
}

CGFloat CPTAxis::tickOffset() const {
    switch (tickDirection_) {
    case CPTSignPositive:
    case CPTSignNegative:
        return majorTickLength_;
    case CPTSignNone:
        return majorTickLength_ / 2;
    }
    return 0;
}

// --- lines

void CPTAxis::setAxisLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == axisLineStyle_)
        return;
    axisLineStyle_ = copied(style);
    setNeedsDisplay();
}

void CPTAxis::setMajorTickLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == majorTickLineStyle_)
        return;
    majorTickLineStyle_ = copied(style);
    setNeedsDisplay();
}

void CPTAxis::setMinorTickLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == minorTickLineStyle_)
        return;
    minorTickLineStyle_ = copied(style);
    setNeedsDisplay();
}

void CPTAxis::setAxisLineCapMin(const std::shared_ptr<CPTLineCap>& cap) {
    if (cap == axisLineCapMin_)
        return;
    axisLineCapMin_ = cap ? cap->copy() : nullptr;
    setNeedsDisplay();
}

void CPTAxis::setAxisLineCapMax(const std::shared_ptr<CPTLineCap>& cap) {
    if (cap == axisLineCapMax_)
        return;
    axisLineCapMax_ = cap ? cap->copy() : nullptr;
    setNeedsDisplay();
}

// --- grid lines

void CPTAxis::majorGridLinesNeedDisplay() {
    if (separateLayers_) {
        if (majorGridLines_)
            majorGridLines_->setNeedsDisplay();
    } else if (plotArea_ && plotArea_->majorGridLineGroup()) {
        plotArea_->majorGridLineGroup()->setNeedsDisplay();
    }
}

void CPTAxis::minorGridLinesNeedDisplay() {
    if (separateLayers_) {
        if (minorGridLines_)
            minorGridLines_->setNeedsDisplay();
    } else if (plotArea_ && plotArea_->minorGridLineGroup()) {
        plotArea_->minorGridLineGroup()->setNeedsDisplay();
    }
}

void CPTAxis::gridLineStyleChanged(bool major) {
    const auto type = major ? CPTPlotAreaLayerTypeMajorGridLines : CPTPlotAreaLayerTypeMinorGridLines;
    const auto& style = major ? majorGridLineStyle_ : minorGridLineStyle_;
    auto& own = major ? majorGridLines_ : minorGridLines_;
    if (plotArea_)
        plotArea_->updateAxisSetLayersForType(type);
    if (!separateLayers_) {
        if (major)
            majorGridLinesNeedDisplay();
        else
            minorGridLinesNeedDisplay();
        return;
    }
    if (!style) {
        installGridLines(own, nullptr, major);
        return;
    }
    if (own) {
        own->setNeedsDisplay();
        return;
    }
    installGridLines(own, std::make_shared<CPTGridLines>(), major);
}

void CPTAxis::setMajorGridLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == majorGridLineStyle_)
        return;
    majorGridLineStyle_ = copied(style);
    gridLineStyleChanged(true);
}

void CPTAxis::setMinorGridLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == minorGridLineStyle_)
        return;
    minorGridLineStyle_ = copied(style);
    gridLineStyleChanged(false);
}

void CPTAxis::setGridLinesRange(const std::shared_ptr<CPTPlotRange>& range) {
    if (sameRange(gridLinesRange_, range))
        return;
    gridLinesRange_ = copied(range);
    majorGridLinesNeedDisplay();
    minorGridLinesNeedDisplay();
}

void CPTAxis::installGridLines(std::shared_ptr<CPTGridLines>& slot, const std::shared_ptr<CPTGridLines>& layer,
                               bool major) {
    if (layer == slot)
        return;
    if (slot)
        slot->removeFromSuperlayer();
    slot = layer;
    if (!layer)
        return;
    layer->setMajor(major);
    // An axis that is not held by a shared pointer gives its layer no axis: it draws nothing.
    layer->setAxis(std::static_pointer_cast<CPTAxis>(weak_from_this().lock()));
    if (!plotArea_)
        return;
    const auto type = major ? CPTPlotAreaLayerTypeMajorGridLines : CPTPlotAreaLayerTypeMinorGridLines;
    CPTLayer* group = major ? static_cast<CPTLayer*>(plotArea_->majorGridLineGroup().get())
                            : static_cast<CPTLayer*>(plotArea_->minorGridLineGroup().get());
    if (group)
        group->insertSublayerAtIndex(layer, plotArea_->sublayerIndexForAxis(this, type));
}

void CPTAxis::setMajorGridLines(const std::shared_ptr<CPTGridLines>& layer) {
    installGridLines(majorGridLines_, layer, true);
}

void CPTAxis::setMinorGridLines(const std::shared_ptr<CPTGridLines>& layer) {
    installGridLines(minorGridLines_, layer, false);
}

void CPTAxis::setSeparateLayers(bool value) {
    if (value == separateLayers_)
        return;
    separateLayers_ = value;
    if (value) {
        if (minorGridLineStyle_)
            installGridLines(minorGridLines_, std::make_shared<CPTGridLines>(), false);
        if (majorGridLineStyle_)
            installGridLines(majorGridLines_, std::make_shared<CPTGridLines>(), true);
        return;
    }
    installGridLines(minorGridLines_, nullptr, false);
    installGridLines(majorGridLines_, nullptr, true);
    if (plotArea_ && minorGridLineStyle_ && plotArea_->minorGridLineGroup())
        plotArea_->minorGridLineGroup()->setNeedsDisplay();
    if (plotArea_ && majorGridLineStyle_ && plotArea_->majorGridLineGroup())
        plotArea_->majorGridLineGroup()->setNeedsDisplay();
}

// --- bands

void CPTAxis::plotAreaNeedsDisplay() {
    if (plotArea_)
        plotArea_->setNeedsDisplay();
}

void CPTAxis::setAlternatingBandFills(const std::vector<CPTBandFill>& fills) {
    BandFills converted;
    converted.reserve(fills.size());
    for (const auto& entry : fills)
        converted.push_back(entry.fill);
    if (converted == alternatingBandFills_)
        return;
    alternatingBandFills_ = std::move(converted);
    plotAreaNeedsDisplay();
}

void CPTAxis::setAlternatingBandAnchor(const Value& anchor) {
    if (sameNumber(alternatingBandAnchor_, anchor) || (anchor.isNull() && alternatingBandAnchor_.isNull()))
        return;
    alternatingBandAnchor_ = anchor;
    plotAreaNeedsDisplay();
}

void CPTAxis::addBackgroundLimitBand(const std::shared_ptr<CPTLimitBand>& band) {
    if (!band)
        return;
    backgroundLimitBands_.push_back(band);
    plotAreaNeedsDisplay();
}

void CPTAxis::removeBackgroundLimitBand(const std::shared_ptr<CPTLimitBand>& band) {
    if (!band)
        return;
    std::erase(backgroundLimitBands_, band);
    plotAreaNeedsDisplay();
}

void CPTAxis::removeAllBackgroundLimitBands() {
    backgroundLimitBands_.clear();
    plotAreaNeedsDisplay();
}

// --- labels

void CPTAxis::setLabelFormatter(const Formatter& formatter) {
    if (formatter == labelFormatter_)
        return;
    labelFormatter_ = formatter;
    labelFormatterChanged_ = true;
    setNeedsRelabel();
}

void CPTAxis::setMinorTickLabelFormatter(const Formatter& formatter) {
    if (formatter == minorTickLabelFormatter_)
        return;
    minorTickLabelFormatter_ = formatter;
    minorLabelFormatterChanged_ = true;
    setNeedsRelabel();
}

void CPTAxis::setLabelTextStyle(const std::shared_ptr<CPTTextStyle>& style) {
    if (style == labelTextStyle_)
        return;
    labelTextStyle_ = copied(style);
    for (const auto& label : axisLabels_)
        if (auto* text = dynamic_cast<CPTTextLayer*>(label->contentLayer().get()))
            text->setTextStyle(labelTextStyle_);
    updateMajorTickLabels();
}

void CPTAxis::setMinorTickLabelTextStyle(const std::shared_ptr<CPTTextStyle>& style) {
    if (style == minorTickLabelTextStyle_)
        return;
    minorTickLabelTextStyle_ = copied(style);
    for (const auto& label : minorTickAxisLabels_)
        if (auto* text = dynamic_cast<CPTTextLayer*>(label->contentLayer().get()))
            text->setTextStyle(minorTickLabelTextStyle_);
    updateMinorTickLabels();
}

void CPTAxis::setLabelOffset(CGFloat offset) {
    if (offset == labelOffset_)
        return;
    labelOffset_ = offset;
    updateMajorTickLabelOffsets();
    updateMajorTickLabels();
}

void CPTAxis::setMinorTickLabelOffset(CGFloat offset) {
    if (offset == minorTickLabelOffset_)
        return;
    minorTickLabelOffset_ = offset;
    updateMinorTickLabelOffsets();
    updateMinorTickLabels();
}

void CPTAxis::setLabelRotation(CGFloat rotation) {
    if (rotation == labelRotation_)
        return;
    labelRotation_ = rotation;
    for (const auto& label : axisLabels_)
        label->setRotation(rotation);
    updateMajorTickLabels();
}

void CPTAxis::setMinorTickLabelRotation(CGFloat rotation) {
    if (rotation == minorTickLabelRotation_)
        return;
    minorTickLabelRotation_ = rotation;
    for (const auto& label : minorTickAxisLabels_)
        label->setRotation(rotation);
    updateMinorTickLabels();
}

void CPTAxis::setLabelAlignment(CPTAlignment alignment) {
    if (alignment == labelAlignment_)
        return;
    labelAlignment_ = alignment;
    // A user who changes the alignment expects the labels on screen to follow, not the next relabel.
    for (const auto& label : axisLabels_)
        label->setAlignment(alignment);
    updateMajorTickLabels();
}

void CPTAxis::setMinorTickLabelAlignment(CPTAlignment alignment) {
    if (alignment == minorTickLabelAlignment_)
        return;
    minorTickLabelAlignment_ = alignment;
    for (const auto& label : minorTickAxisLabels_)
        label->setAlignment(alignment);
    updateMinorTickLabels();
}

void CPTAxis::setTickLabelDirection(CPTSign direction) {
    if (direction == tickLabelDirection_)
        return;
    tickLabelDirection_ = direction;
    updateMajorTickLabelOffsets();
    updateMajorTickLabels();
}

void CPTAxis::setMinorTickLabelDirection(CPTSign direction) {
    if (direction == minorTickLabelDirection_)
        return;
    minorTickLabelDirection_ = direction;
    updateMinorTickLabelOffsets();
    updateMinorTickLabels();
}

void CPTAxis::setLabelShadow(const std::shared_ptr<CPTShadow>& shadow) {
    if (shadow == labelShadow_)
        return;
    labelShadow_ = shadow;
    for (const auto& label : axisLabels_)
        if (label->contentLayer())
            label->contentLayer()->setShadow(shadow);
    updateMajorTickLabels();
}

void CPTAxis::setMinorTickLabelShadow(const std::shared_ptr<CPTShadow>& shadow) {
    if (shadow == minorTickLabelShadow_)
        return;
    minorTickLabelShadow_ = shadow;
    for (const auto& label : minorTickAxisLabels_)
        if (label->contentLayer())
            label->contentLayer()->setShadow(shadow);
    updateMinorTickLabels();
}

// --- label layers

void CPTAxis::removeLabelLayers(const AxisLabels& labels) {
    for (const auto& label : labels)
        if (label->contentLayer())
            label->contentLayer()->removeFromSuperlayer();
}

void CPTAxis::insertLabelLayers(const AxisLabels& labels) {
    if (!plotArea_ || labels.empty())
        return;
    const auto& group = plotArea_->axisLabelGroup();
    if (!group)
        return;
    const layers::Layer* previous = nullptr;
    for (const auto& label : labels) {
        const auto& layer = label->contentLayer();
        if (!layer)
            continue;
        if (previous)
            group->insertSublayerBelow(layer, previous);
        else
            group->insertSublayerAtIndex(layer, plotArea_->sublayerIndexForAxis(this, CPTPlotAreaLayerTypeAxisLabels));
        previous = layer.get();
    }
}

void CPTAxis::storeLabels(AxisLabels& slot, const AxisLabels& labels, bool major) {
    // A relabel always hands over a new set, even of the same labels, and they are placed again.
    const bool same = labels.size() == slot.size() && std::equal(labels.begin(), labels.end(), slot.begin());
    if (same && !labelsUpdated_)
        return;
    if (labelsUpdated_) {
        slot = labels;
    } else {
        removeLabelLayers(slot);
        slot = labels;
        if (plotArea_)
            plotArea_->updateAxisSetLayersForType(CPTPlotAreaLayerTypeAxisLabels);
        insertLabelLayers(slot);
    }
    if (labelingPolicy_ == CPTAxisLabelingPolicyNone)
        updateCustomTickLabels();
    else if (major)
        updateMajorTickLabels();
    else
        updateMinorTickLabels();
}

void CPTAxis::setAxisLabels(const AxisLabels& labels) {
    storeLabels(axisLabels_, labels, true);
}

void CPTAxis::setMinorTickAxisLabels(const AxisLabels& labels) {
    storeLabels(minorTickAxisLabels_, labels, false);
}

// --- title

void CPTAxis::setTitle(const std::optional<std::string>& title) {
    if (title == title_)
        return;
    title_ = title;
    if (inTitleUpdate_)
        return;
    inTitleUpdate_ = true;
    setAttributedTitle(std::nullopt);
    inTitleUpdate_ = false;
    if (!title_) {
        setAxisTitle(nullptr);
        return;
    }
    const auto& axisTitle = this->axisTitle();
    if (axisTitle) {
        if (auto* text = dynamic_cast<CPTTextLayer*>(axisTitle->contentLayer().get()))
            text->setText(title_);
    }
    updateAxisTitle();
}

void CPTAxis::setTitleTextStyle(const std::shared_ptr<CPTTextStyle>& style) {
    if (style == titleTextStyle_)
        return;
    titleTextStyle_ = copied(style);
    if (inTitleUpdate_)
        return;
    inTitleUpdate_ = true;
    setAttributedTitle(std::nullopt);
    inTitleUpdate_ = false;
    const auto& axisTitle = this->axisTitle();
    if (axisTitle)
        if (auto* text = dynamic_cast<CPTTextLayer*>(axisTitle->contentLayer().get())) {
            text->setTextStyle(titleTextStyle_);
            updateAxisTitle();
        }
}

void CPTAxis::setAttributedTitle(const std::optional<gfx::RichText>& title) {
    if (!title && !attributedTitle_)
        return;
    attributedTitle_ = title;
    if (inTitleUpdate_)
        return;
    inTitleUpdate_ = true;
    if (attributedTitle_) {
        setTitleTextStyle(CPTTextStyle::textStyleWithAttributes(attributesOfFirstCharacter(*attributedTitle_)));
        setTitle(attributedTitle_->plainText());
        const auto& axisTitle = this->axisTitle();
        if (axisTitle)
            if (auto* text = dynamic_cast<CPTTextLayer*>(axisTitle->contentLayer().get())) {
                text->setAttributedText(attributedTitle_);
                updateAxisTitle();
            }
    } else {
        setTitleTextStyle(nullptr);
        setTitle(std::nullopt);
        setAxisTitle(nullptr);
    }
    inTitleUpdate_ = false;
}

void CPTAxis::setTitleOffset(CGFloat offset) {
    if (offset == titleOffset_)
        return;
    titleOffset_ = offset;
    if (const auto& title = axisTitle())
        title->setOffset(offset);
    updateAxisTitle();
}

void CPTAxis::setTitleRotation(CGFloat rotation) {
    if (rotation == titleRotation_ || (std::isnan(rotation) && std::isnan(titleRotation_)))
        return;
    titleRotation_ = rotation;
    if (const auto& title = axisTitle())
        title->setRotation(rotation);
    updateAxisTitle();
}

void CPTAxis::setTitleDirection(CPTSign direction) {
    if (direction == titleDirection_)
        return;
    titleDirection_ = direction;
    updateAxisTitle();
}

Value CPTAxis::titleLocation() const {
    if (titleLocation_.isNumber() && std::isnan(titleLocation_.toDouble()))
        return defaultTitleLocation();
    return titleLocation_;
}

void CPTAxis::setTitleLocation(const Value& location) {
    if (sameNumber(titleLocation_, location))
        return;
    titleLocation_ = location;
    updateAxisTitle();
}

const std::shared_ptr<CPTAxisTitle>& CPTAxis::axisTitle() const {
    if (axisTitle_)
        return axisTitle_;
    std::shared_ptr<CPTAxisTitle> built;
    if (attributedTitle_)
        built = CPTAxisTitle::titleWithContentLayer(std::make_shared<CPTTextLayer>(*attributedTitle_));
    else if (title_)
        built = std::make_shared<CPTAxisTitle>(title_, titleTextStyle_);
    if (!built)
        return axisTitle_;
    built->setRotation(titleRotation_);
    // Building the title on first read is part of reading it.
    const_cast<CPTAxis*>(this)->setAxisTitle(built);
    return axisTitle_;
}

void CPTAxis::setAxisTitle(const std::shared_ptr<CPTAxisTitle>& title) {
    if (title == axisTitle_)
        return;
    if (axisTitle_ && axisTitle_->contentLayer())
        axisTitle_->contentLayer()->removeFromSuperlayer();
    axisTitle_ = title;
    if (plotArea_)
        plotArea_->updateAxisSetLayersForType(CPTPlotAreaLayerTypeAxisTitles);
    if (!axisTitle_)
        return;
    axisTitle_->setOffset(titleOffset_);
    const auto& layer = axisTitle_->contentLayer();
    if (!layer)
        return;
    if (plotArea_ && plotArea_->axisTitleGroup())
        plotArea_->axisTitleGroup()->insertSublayerAtIndex(
            layer, plotArea_->sublayerIndexForAxis(this, CPTPlotAreaLayerTypeAxisTitles));
    updateAxisTitle();
}

void CPTAxis::updateAxisTitle() {
    const auto& title = axisTitle_;
    if (!title)
        return;
    const CPTSign direction = titleDirection_ == CPTSignNone ? tickDirection_ : titleDirection_;
    title->positionRelativeToViewPoint(viewPointForCoordinateValue(titleLocation()),
                                       CPTOtherCoordinate(coordinate_), direction);
}

// --- links

void CPTAxis::setPlotArea(CPTPlotArea* plotArea) {
    if (plotArea == plotArea_)
        return;
    plotArea_ = plotArea;
    if (!plotArea_) {
        for (const auto* own : {&minorGridLines_, &majorGridLines_})
            if (*own)
                (*own)->removeFromSuperlayer();
        removeLabelLayers(axisLabels_);
        removeLabelLayers(minorTickAxisLabels_);
        if (axisTitle_ && axisTitle_->contentLayer())
            axisTitle_->contentLayer()->removeFromSuperlayer();
        return;
    }
    plotArea_->updateAxisSetLayersForType(CPTPlotAreaLayerTypeMinorGridLines);
    if (minorGridLines_ && plotArea_->minorGridLineGroup())
        plotArea_->minorGridLineGroup()->insertSublayerAtIndex(
            minorGridLines_, plotArea_->sublayerIndexForAxis(this, CPTPlotAreaLayerTypeMinorGridLines));
    plotArea_->updateAxisSetLayersForType(CPTPlotAreaLayerTypeMajorGridLines);
    if (majorGridLines_ && plotArea_->majorGridLineGroup())
        plotArea_->majorGridLineGroup()->insertSublayerAtIndex(
            majorGridLines_, plotArea_->sublayerIndexForAxis(this, CPTPlotAreaLayerTypeMajorGridLines));
    plotArea_->updateAxisSetLayersForType(CPTPlotAreaLayerTypeAxisLabels);
    insertLabelLayers(axisLabels_);
    insertLabelLayers(minorTickAxisLabels_);
    plotArea_->updateAxisSetLayersForType(CPTPlotAreaLayerTypeAxisTitles);
    if (axisTitle_ && axisTitle_->contentLayer() && plotArea_->axisTitleGroup())
        plotArea_->axisTitleGroup()->insertSublayerAtIndex(
            axisTitle_->contentLayer(), plotArea_->sublayerIndexForAxis(this, CPTPlotAreaLayerTypeAxisTitles));
}

// --- relabel marking and layout

void CPTAxis::setNeedsRelabel(bool value) {
    if (value == needsRelabel_)
        return;
    needsRelabel_ = value;
    if (!value)
        return;
    setNeedsDisplay();
    majorGridLinesNeedDisplay();
    minorGridLinesNeedDisplay();
}

void CPTAxis::layoutSublayers() {
    if (needsRelabel_) {
        relabel();
    } else {
        updateMajorTickLabels();
        updateMinorTickLabels();
    }
    updateAxisTitle();
}

void CPTAxis::setHidden(bool hidden) {
    if (hidden == isHidden())
        return;
    CPTLayer::setHidden(hidden);
    setNeedsRelabel();
}

bool CPTAxis::needsDisplayForKey(std::string_view key) const {
    static constexpr std::array<std::string_view, 6> keys = {"titleOffset", "titleRotation", "labelOffset",
                                                              "minorTickLabelOffset", "labelRotation",
                                                              "minorTickLabelRotation"};
    if (std::find(keys.begin(), keys.end(), key) != keys.end())
        return true;
    return CPTLayer::needsDisplayForKey(key);
}

Value CPTAxis::defaultTitleLocation() const {
    return Value(std::numeric_limits<double>::quiet_NaN());
}

CGPoint CPTAxis::viewPointForCoordinateValue(const Value&) {
    return CGPoint{};
}
