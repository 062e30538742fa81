// Archiving of the chart classes built on the layer: annotations and their host, the plot area frame,
// plot area and its groups, grid-line layers, axes with their labels and sets, plots, the legend and
// the graph. Each writes its keys after its base class's and reads them back with the resets
// decoding makes; the layer tree is rebuilt through the same setters that built it.
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTConstraints.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTGradient.h"
#include "plot/foundation/CPTImage.h"
#include "plot/foundation/CPTLineCap.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTArchiveSupport.h"
#include "plot/graph/CPTAxis.h"
#include "plot/graph/CPTAxisLabelGroup.h"
#include "plot/graph/CPTAxisSet.h"
#include "plot/graph/CPTFormatterArchive.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTGridLines.h"
#include "plot/graph/CPTLayerAnnotation.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTLimitBand.h"
#include "plot/graph/CPTPlot.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTPlotSpace.h"
#include "plot/graph/CPTPlotSpaceAnnotation.h"

#include <cmath>
#include <limits>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::Value;
using namespace cptarchive;

namespace {


void encodePlotSpace(KeyedArchiver& coder, const std::shared_ptr<CPTPlotSpace>& space, std::string_view key) {
    if (space)
        coder.encodeSharedObject(static_cast<const void*>(space.get()), space->className(), key,
                                 [&space](KeyedArchiver& c) { space->encodeWithCoder(c); });
}

std::shared_ptr<CPTPlotSpace> decodePlotSpace(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeSharedObject<CPTPlotSpace>(key, {"CPTPlotSpace", "CPTXYPlotSpace"},
                                                  CPTPlotSpace::plotSpaceWithCoder);
}

template <class T> std::shared_ptr<T> copied(const std::shared_ptr<T>& object) {
    return object ? object->copy() : nullptr;
}

void encodeLabels(KeyedArchiver& coder, const CPTAxis::AxisLabels& labels, std::string_view key) {
    encodeList(coder, key, labels.size(), [&labels](KeyedArchiver& c, std::size_t i, const std::string& k) {
        const CPTAxisLabel* label = labels[i].get();
        c.encodeSharedObject(static_cast<const void*>(label), label->className(), k,
                             [label](KeyedArchiver& l) { label->encodeWithCoder(l); });
    });
}

std::shared_ptr<CPTAxisLabel> decodeLabel(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeSharedObject<CPTAxisLabel>(key, {"CPTAxisLabel", "CPTAxisTitle"}, CPTAxisLabel::labelWithCoder);
}

CPTAxis::AxisLabels decodeLabels(KeyedUnarchiver& coder, std::string_view key) {
    CPTAxis::AxisLabels labels;
    decodeList(coder, key, [&labels](KeyedUnarchiver& c, const std::string& k) {
        auto label = decodeLabel(c, k);
        if (label)
            labels.push_back(label);
        return label != nullptr;
    });
    return labels;
}

void encodeNumbers(KeyedArchiver& coder, const std::vector<Value>& numbers, std::string_view key) {
    coder.encodeValue(Value(Value::Array(numbers.begin(), numbers.end())), key);
}

} // namespace

// ---- annotations

void CPTAnnotation::encodeWithCoder(KeyedArchiver& coder) const {
    coder.encodeConditionalObject(static_cast<const CPTLayer*>(annotationHostLayer_), "CPTAnnotation.annotationHostLayer");
    encodeLayer(coder, contentLayer_.get(), "CPTAnnotation.contentLayer");
    encodeCPTPoint(coder, contentAnchorPoint_, "CPTAnnotation.contentAnchorPoint");
    encodeCPTPoint(coder, displacement_, "CPTAnnotation.displacement");
    encodeCGFloat(coder, rotation_, "CPTAnnotation.rotation");
}

void CPTAnnotation::decodeFields(KeyedUnarchiver& coder) {
    coder.decodeConditionalObject<CPTLayer>("CPTAnnotation.annotationHostLayer", {CPT_ARCHIVED_LAYER_CLASSES},
                                            [this](const std::shared_ptr<CPTLayer>& layer) {
                                                annotationHostLayer_ = dynamic_cast<CPTAnnotationHostLayer*>(layer.get());
                                            });
    contentLayer_ = decodeAnyLayer(coder, "CPTAnnotation.contentLayer");
    contentAnchorPoint_ = decodeFinitePoint(coder, "CPTAnnotation.contentAnchorPoint");
    displacement_ = decodeFinitePoint(coder, "CPTAnnotation.displacement");
    rotation_ = decodeFinite(coder, "CPTAnnotation.rotation");
}

std::shared_ptr<CPTAnnotation> CPTAnnotation::annotationWithCoder(KeyedUnarchiver& coder) {
    std::shared_ptr<CPTAnnotation> annotation;
    if (coder.className() == "CPTLayerAnnotation")
        annotation.reset(new CPTLayerAnnotation());
    else if (coder.className() == "CPTPlotSpaceAnnotation")
        annotation.reset(new CPTPlotSpaceAnnotation());
    else
        coder.failWithError("An annotation has the unexpected class \"" + coder.className() + "\".");
    if (annotation)
        annotation->decodeFields(coder);
    return coder.failed() ? nullptr : annotation;
}

void CPTLayerAnnotation::encodeWithCoder(KeyedArchiver& coder) const {
    CPTAnnotation::encodeWithCoder(coder);
    coder.encodeConditionalObject(static_cast<const CPTLayer*>(anchorLayer().get()), "CPTLayerAnnotation.anchorLayer");
    if (xConstraints_)
        xConstraints_->encodeForKey(coder, "CPTLayerAnnotation.xConstraints");
    if (yConstraints_)
        yConstraints_->encodeForKey(coder, "CPTLayerAnnotation.yConstraints");
    coder.encodeInteger(rectAnchor_, "CPTLayerAnnotation.rectAnchor");
}

void CPTLayerAnnotation::decodeFields(KeyedUnarchiver& coder) {
    CPTAnnotation::decodeFields(coder);
    coder.decodeConditionalObject<CPTLayer>("CPTLayerAnnotation.anchorLayer", {CPT_ARCHIVED_LAYER_CLASSES},
                                            [this](const std::shared_ptr<CPTLayer>& layer) { observeAnchorLayer(layer); });
    xConstraints_ = CPTConstraints::decodeForKey(coder, "CPTLayerAnnotation.xConstraints");
    yConstraints_ = CPTConstraints::decodeForKey(coder, "CPTLayerAnnotation.yConstraints");
    rectAnchor_ = static_cast<CPTRectAnchor>(decodeEnum(coder, "CPTLayerAnnotation.rectAnchor", 0, 8));
}

void CPTPlotSpaceAnnotation::encodeWithCoder(KeyedArchiver& coder) const {
    CPTAnnotation::encodeWithCoder(coder);
    if (anchorPlotPoint_)
        encodeNumbers(coder, *anchorPlotPoint_, "CPTPlotSpaceAnnotation.anchorPlotPoint");
    coder.encodeConditionalObject(static_cast<const void*>(plotSpace_.get()), "CPTPlotSpaceAnnotation.plotSpace");
}

void CPTPlotSpaceAnnotation::decodeFields(KeyedUnarchiver& coder) {
    CPTAnnotation::decodeFields(coder);
    if (auto point = decodeNumbers(coder, "CPTPlotSpaceAnnotation.anchorPlotPoint")) {
        anchorPlotPoint_ = std::vector<Value>(point->begin(), point->end());
        for (const Value& v : *anchorPlotPoint_)
            decimalAnchor_.push_back(v.toDecimal());
    }
    coder.decodeConditionalObject<CPTPlotSpace>("CPTPlotSpaceAnnotation.plotSpace", {"CPTPlotSpace", "CPTXYPlotSpace"},
                                                [this](const std::shared_ptr<CPTPlotSpace>& space) {
                                                    plotSpace_ = space;
                                                    observePlotSpace();
                                                });
}

// ---- the annotation host

void CPTAnnotationHostLayer::encodeWithCoder(KeyedArchiver& coder) const {
    CPTLayer::encodeWithCoder(coder);
    encodeList(coder, "CPTAnnotationHostLayer.mutableAnnotations", annotations_.size(),
               [this](KeyedArchiver& c, std::size_t i, const std::string& k) { encodeAnnotation(c, annotations_[i].get(), k); });
}

void CPTAnnotationHostLayer::decodeFields(KeyedUnarchiver& coder) {
    CPTLayer::decodeFields(coder);
    annotations_.clear();
    decodeList(coder, "CPTAnnotationHostLayer.mutableAnnotations", [this](KeyedUnarchiver& c, const std::string& k) {
        auto annotation = decodeAnnotation(c, k);
        if (!annotation)
            return false;
        annotations_.push_back(annotation);
        // The content is shown by this layer, as addAnnotation shows it.
        if (const auto& content = annotation->contentLayer())
            addSublayer(content);
        return true;
    });
}

// ---- the plot area frame, plot area and plot group

void CPTPlotAreaFrame::encodeWithCoder(KeyedArchiver& coder) const {
    CPTBorderedLayer::encodeWithCoder(coder);
    encodeLayer(coder, plotArea_.get(), "CPTPlotAreaFrame.plotArea");
}

void CPTPlotAreaFrame::decodeFields(KeyedUnarchiver& coder) {
    CPTBorderedLayer::decodeFields(coder);
    if (auto plotArea = decodeLayer<CPTPlotArea>(coder, "CPTPlotAreaFrame.plotArea", "a plot area"))
        setPlotArea(plotArea);
}

void CPTPlotArea::encodeWithCoder(KeyedArchiver& coder) const {
    CPTAnnotationHostLayer::encodeWithCoder(coder);
    encodeLayer(coder, minorGridLineGroup_.get(), "CPTPlotArea.minorGridLineGroup");
    encodeLayer(coder, majorGridLineGroup_.get(), "CPTPlotArea.majorGridLineGroup");
    encodeLayer(coder, axisSet_.get(), "CPTPlotArea.axisSet");
    encodeLayer(coder, plotGroup_.get(), "CPTPlotArea.plotGroup");
    encodeLayer(coder, axisLabelGroup_.get(), "CPTPlotArea.axisLabelGroup");
    encodeLayer(coder, axisTitleGroup_.get(), "CPTPlotArea.axisTitleGroup");
    encodeFill(coder, fill_, "CPTPlotArea.fill");
    if (topDownLayerOrder_) {
        Value::Array order;
        for (std::int64_t type : *topDownLayerOrder_)
            order.emplace_back(type);
        coder.encodeValue(Value(std::move(order)), "CPTPlotArea.topDownLayerOrder");
    }
}

void CPTPlotArea::decodeFields(KeyedUnarchiver& coder) {
    CPTAnnotationHostLayer::decodeFields(coder);
    topDownLayerOrder_.reset();
    if (auto order = decodeNumbers(coder, "CPTPlotArea.topDownLayerOrder")) {
        topDownLayerOrder_.emplace();
        for (const Value& type : *order)
            topDownLayerOrder_->push_back(type.toInt64());
    }
    bottomUpLayerOrder_ = {0, 1, 2, 3, 4, 5};
    updateLayerOrder();
    fill_ = copied(decodeFill(coder, "CPTPlotArea.fill"));
    auto minor = decodeLayer<CPTGridLineGroup>(coder, "CPTPlotArea.minorGridLineGroup", "a grid-line group");
    auto major = decodeLayer<CPTGridLineGroup>(coder, "CPTPlotArea.majorGridLineGroup", "a grid-line group");
    auto axisSet = decodeLayer<CPTAxisSet>(coder, "CPTPlotArea.axisSet", "an axis set");
    auto plotGroup = decodeLayer<CPTPlotGroup>(coder, "CPTPlotArea.plotGroup", "a plot group");
    auto labels = decodeLayer<CPTAxisLabelGroup>(coder, "CPTPlotArea.axisLabelGroup", "an axis label group");
    auto titles = decodeLayer<CPTAxisLabelGroup>(coder, "CPTPlotArea.axisTitleGroup", "an axis label group");
    if (coder.failed())
        return;
    setMinorGridLineGroup(minor);
    setMajorGridLineGroup(major);
    setPlotGroup(plotGroup);
    setAxisLabelGroup(labels);
    setAxisTitleGroup(titles);
    setAxisSet(axisSet);
    touchedPoint_ = CGPoint{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    const CGRect b = bounds();
    widthDecimal_ = CPTDecimalFromCGFloat(b.size.width);
    heightDecimal_ = CPTDecimalFromCGFloat(b.size.height);
}

void CPTPlotGroup::decodeFields(KeyedUnarchiver& coder) {
    CPTLayer::decodeFields(coder);
    if (coder.containsValueForKey("CPTPlotGroup.identifier"))
        setIdentifier(coder.decodeValueForKey("CPTPlotGroup.identifier"));
}

// ---- grid lines

void CPTGridLineGroup::encodeWithCoder(KeyedArchiver& coder) const {
    CPTLayer::encodeWithCoder(coder);
    coder.encodeConditionalObject(static_cast<const CPTLayer*>(plotArea_), "CPTGridLineGroup.plotArea");
    coder.encodeBool(major_, "CPTGridLineGroup.major");
}

void CPTGridLineGroup::decodeFields(KeyedUnarchiver& coder) {
    CPTLayer::decodeFields(coder);
    coder.decodeConditionalObject<CPTLayer>("CPTGridLineGroup.plotArea", {"CPTPlotArea"},
                                            [this](const std::shared_ptr<CPTLayer>& layer) {
                                                setPlotArea(dynamic_cast<CPTPlotArea*>(layer.get()));
                                            });
    major_ = coder.decodeBoolForKey("CPTGridLineGroup.major");
}

void CPTGridLines::encodeWithCoder(KeyedArchiver& coder) const {
    CPTLayer::encodeWithCoder(coder);
    coder.encodeConditionalObject(static_cast<const CPTLayer*>(axis().get()), "CPTGridLines.axis");
    coder.encodeBool(major_, "CPTGridLines.major");
}

void CPTGridLines::decodeFields(KeyedUnarchiver& coder) {
    CPTLayer::decodeFields(coder);
    coder.decodeConditionalObject<CPTLayer>("CPTGridLines.axis", {CPT_ARCHIVED_LAYER_CLASSES},
                                            [this](const std::shared_ptr<CPTLayer>& layer) {
                                                setAxis(std::dynamic_pointer_cast<CPTAxis>(layer));
                                            });
    major_ = coder.decodeBoolForKey("CPTGridLines.major");
}

// ---- axis labels and titles

void CPTAxisLabel::encodeWithCoder(KeyedArchiver& coder) const {
    encodeLayer(coder, contentLayer_.get(), "CPTAxisLabel.contentLayer");
    encodeCGFloat(coder, offset_, "CPTAxisLabel.offset");
    encodeCGFloat(coder, rotation_, "CPTAxisLabel.rotation");
    coder.encodeInteger(alignment_, "CPTAxisLabel.alignment");
    if (!tickLocation_.isNull())
        coder.encodeValue(tickLocation_, "CPTAxisLabel.tickLocation");
}

std::shared_ptr<CPTAxisLabel> CPTAxisLabel::labelWithCoder(KeyedUnarchiver& coder) {
    auto content = decodeAnyLayer(coder, "CPTAxisLabel.contentLayer");
    std::shared_ptr<CPTAxisLabel> label;
    if (coder.className() == "CPTAxisTitle")
        label = std::make_shared<CPTAxisTitle>(content);
    else
        label = std::make_shared<CPTAxisLabel>(content);
    label->offset_ = decodeFinite(coder, "CPTAxisLabel.offset");
    label->rotation_ = decodeAngle(coder, "CPTAxisLabel.rotation");
    label->alignment_ = static_cast<CPTAlignment>(decodeEnum(coder, "CPTAxisLabel.alignment", 0, 5));
    label->tickLocation_ = decodeNumber(coder, "CPTAxisLabel.tickLocation", Value(0.0));
    return coder.failed() ? nullptr : label;
}

// ---- the axis set

void CPTAxisSet::encodeWithCoder(KeyedArchiver& coder) const {
    CPTLayer::encodeWithCoder(coder);
    encodeLayers(coder, axes_, "CPTAxisSet.axes");
    encodeLineStyle(coder, borderLineStyle_, "CPTAxisSet.borderLineStyle");
}

void CPTAxisSet::decodeFields(KeyedUnarchiver& coder) {
    CPTLayer::decodeFields(coder);
    borderLineStyle_ = copied(decodeLineStyle(coder, "CPTAxisSet.borderLineStyle"));
    if (auto axes = decodeLayers<CPTAxis>(coder, "CPTAxisSet.axes", "an axis"))
        setAxes(*axes);
}

// ---- the axis

void CPTAxis::encodeWithCoder(KeyedArchiver& coder) const {
    CPTLayer::encodeWithCoder(coder);
    encodePlotSpace(coder, plotSpace_, "CPTAxis.plotSpace");
    coder.encodeInteger(coordinate_, "CPTAxis.coordinate");
    encodeRange(coder, visibleRange_, "CPTAxis.visibleRange");
    encodeRange(coder, visibleAxisRange_, "CPTAxis.visibleAxisRange");
    coder.encodeInteger(labelingPolicy_, "CPTAxis.labelingPolicy");
    coder.encodeValue(labelingOrigin_, "CPTAxis.labelingOrigin");
    coder.encodeValue(majorIntervalLength_, "CPTAxis.majorIntervalLength");
    coder.encodeInteger(static_cast<std::int64_t>(minorTicksPerInterval_), "CPTAxis.minorTicksPerInterval");
    coder.encodeInteger(static_cast<std::int64_t>(preferredNumberOfMajorTicks_), "CPTAxis.preferredNumberOfMajorTicks");
    encodeNumbers(coder, majorTickLocations_, "CPTAxis.majorTickLocations");
    encodeNumbers(coder, minorTickLocations_, "CPTAxis.minorTickLocations");
    encodeCGFloat(coder, majorTickLength_, "CPTAxis.majorTickLength");
    encodeCGFloat(coder, minorTickLength_, "CPTAxis.minorTickLength");
    coder.encodeInteger(tickDirection_, "CPTAxis.tickDirection");
    encodeList(coder, "CPTAxis.labelExclusionRanges", labelExclusionRanges_.size(),
               [this](KeyedArchiver& c, std::size_t i, const std::string& k) { encodeRange(c, labelExclusionRanges_[i], k); });
    encodeLineStyle(coder, axisLineStyle_, "CPTAxis.axisLineStyle");
    encodeLineStyle(coder, majorTickLineStyle_, "CPTAxis.majorTickLineStyle");
    encodeLineStyle(coder, minorTickLineStyle_, "CPTAxis.minorTickLineStyle");
    if (axisLineCapMin_)
        axisLineCapMin_->encodeForKey(coder, "CPTAxis.axisLineCapMin");
    if (axisLineCapMax_)
        axisLineCapMax_->encodeForKey(coder, "CPTAxis.axisLineCapMax");
    encodeLineStyle(coder, majorGridLineStyle_, "CPTAxis.majorGridLineStyle");
    encodeLineStyle(coder, minorGridLineStyle_, "CPTAxis.minorGridLineStyle");
    encodeRange(coder, gridLinesRange_, "CPTAxis.gridLinesRange");
    coder.encodeBool(separateLayers_, "CPTAxis.separateLayers");
    coder.encodeConditionalObject(static_cast<const CPTLayer*>(majorGridLines_.get()), "CPTAxis.majorGridLines");
    coder.encodeConditionalObject(static_cast<const CPTLayer*>(minorGridLines_.get()), "CPTAxis.minorGridLines");
    encodeList(coder, "CPTAxis.alternatingBandFills", alternatingBandFills_.size(),
               [this](KeyedArchiver& c, std::size_t i, const std::string& k) {
                   // An unfilled band is [NSNull null]: nil in the list.
                   if (alternatingBandFills_[i])
                       encodeFill(c, alternatingBandFills_[i], k);
                   else
                       c.encodeValue(Value(), k);
               });
    if (!alternatingBandAnchor_.isNull())
        coder.encodeValue(alternatingBandAnchor_, "CPTAxis.alternatingBandAnchor");
    encodeLimitBands(coder, backgroundLimitBands_, "CPTAxis.mutableBackgroundLimitBands");
    CPTEncodeFormatter(coder, labelFormatter_.get(), "CPTAxis.labelFormatter");
    CPTEncodeFormatter(coder, minorTickLabelFormatter_.get(), "CPTAxis.minorTickLabelFormatter");
    encodeTextStyle(coder, labelTextStyle_, "CPTAxis.labelTextStyle");
    encodeTextStyle(coder, minorTickLabelTextStyle_, "CPTAxis.minorTickLabelTextStyle");
    encodeCGFloat(coder, labelOffset_, "CPTAxis.labelOffset");
    encodeCGFloat(coder, minorTickLabelOffset_, "CPTAxis.minorTickLabelOffset");
    encodeCGFloat(coder, labelRotation_, "CPTAxis.labelRotation");
    encodeCGFloat(coder, minorTickLabelRotation_, "CPTAxis.minorTickLabelRotation");
    coder.encodeInteger(labelAlignment_, "CPTAxis.labelAlignment");
    coder.encodeInteger(minorTickLabelAlignment_, "CPTAxis.minorTickLabelAlignment");
    coder.encodeInteger(tickLabelDirection_, "CPTAxis.tickLabelDirection");
    coder.encodeInteger(minorTickLabelDirection_, "CPTAxis.minorTickLabelDirection");
    encodeShadow(coder, labelShadow_, "CPTAxis.labelShadow");
    encodeShadow(coder, minorTickLabelShadow_, "CPTAxis.minorTickLabelShadow");
    encodeLabels(coder, axisLabels_, "CPTAxis.axisLabels");
    encodeLabels(coder, minorTickAxisLabels_, "CPTAxis.minorTickAxisLabels");
    encodeOptionalString(coder, title_, "CPTAxis.title");
    encodeRichText(coder, attributedTitle_, "CPTAxis.attributedTitle");
    encodeTextStyle(coder, titleTextStyle_, "CPTAxis.titleTextStyle");
    encodeCGFloat(coder, titleOffset_, "CPTAxis.titleOffset");
    encodeCGFloat(coder, titleRotation_, "CPTAxis.titleRotation");
    coder.encodeInteger(titleDirection_, "CPTAxis.titleDirection");
    if (!titleLocation_.isNull())
        coder.encodeValue(titleLocation_, "CPTAxis.titleLocation");
    if (axisTitle_)
        coder.encodeSharedObject(static_cast<const void*>(axisTitle_.get()), axisTitle_->className(), "CPTAxis.axisTitle",
                                 [this](KeyedArchiver& c) { axisTitle_->encodeWithCoder(c); });
    coder.encodeConditionalObject(static_cast<const CPTLayer*>(plotArea_), "CPTAxis.plotArea");
    coder.encodeBool(needsRelabel_, "CPTAxis.needsRelabel");
    coder.encodeBool(labelFormatterChanged_, "CPTAxis.labelFormatterChanged");
    coder.encodeBool(minorLabelFormatterChanged_, "CPTAxis.minorLabelFormatterChanged");
}

void CPTAxis::decodeFields(KeyedUnarchiver& coder) {
    CPTLayer::decodeFields(coder);
    plotSpace_ = decodePlotSpace(coder, "CPTAxis.plotSpace");
    coordinate_ = static_cast<CPTCoordinate>(decodeEnum(coder, "CPTAxis.coordinate", 0, 1));
    visibleRange_ = decodeRange(coder, "CPTAxis.visibleRange");
    visibleAxisRange_ = decodeRange(coder, "CPTAxis.visibleAxisRange");
    labelingPolicy_ = static_cast<CPTAxisLabelingPolicy>(decodeEnum(coder, "CPTAxis.labelingPolicy", 0, 4));
    labelingOrigin_ = decodeNumber(coder, "CPTAxis.labelingOrigin", Value(0.0));
    majorIntervalLength_ = decodeNumber(coder, "CPTAxis.majorIntervalLength");
    minorTicksPerInterval_ = decodeUnsigned(coder, "CPTAxis.minorTicksPerInterval");
    preferredNumberOfMajorTicks_ = decodeUnsigned(coder, "CPTAxis.preferredNumberOfMajorTicks");
    const auto major = decodeNumbers(coder, "CPTAxis.majorTickLocations");
    majorTickLocations_ = major ? TickLocations(major->begin(), major->end()) : TickLocations();
    const auto minor = decodeNumbers(coder, "CPTAxis.minorTickLocations");
    minorTickLocations_ = minor ? TickLocations(minor->begin(), minor->end()) : TickLocations();
    majorTickLength_ = decodeFinite(coder, "CPTAxis.majorTickLength");
    minorTickLength_ = decodeFinite(coder, "CPTAxis.minorTickLength");
    tickDirection_ = static_cast<CPTSign>(decodeEnum(coder, "CPTAxis.tickDirection", -1, 1));
    labelExclusionRanges_.clear();
    decodeList(coder, "CPTAxis.labelExclusionRanges", [this](KeyedUnarchiver& c, const std::string& k) {
        auto range = decodeRange(c, k);
        if (range)
            labelExclusionRanges_.push_back(range);
        return range != nullptr;
    });
    axisLineStyle_ = copied(decodeLineStyle(coder, "CPTAxis.axisLineStyle"));
    majorTickLineStyle_ = copied(decodeLineStyle(coder, "CPTAxis.majorTickLineStyle"));
    minorTickLineStyle_ = copied(decodeLineStyle(coder, "CPTAxis.minorTickLineStyle"));
    axisLineCapMin_ = CPTLineCap::decodeForKey(coder, "CPTAxis.axisLineCapMin");
    axisLineCapMax_ = CPTLineCap::decodeForKey(coder, "CPTAxis.axisLineCapMax");
    majorGridLineStyle_ = copied(decodeLineStyle(coder, "CPTAxis.majorGridLineStyle"));
    minorGridLineStyle_ = copied(decodeLineStyle(coder, "CPTAxis.minorGridLineStyle"));
    gridLinesRange_ = copied(decodeRange(coder, "CPTAxis.gridLinesRange"));
    separateLayers_ = coder.decodeBoolForKey("CPTAxis.separateLayers");
    coder.decodeConditionalObject<CPTLayer>("CPTAxis.majorGridLines", {"CPTGridLines"},
                                            [this](const std::shared_ptr<CPTLayer>& layer) {
                                                majorGridLines_ = std::dynamic_pointer_cast<CPTGridLines>(layer);
                                            });
    coder.decodeConditionalObject<CPTLayer>("CPTAxis.minorGridLines", {"CPTGridLines"},
                                            [this](const std::shared_ptr<CPTLayer>& layer) {
                                                minorGridLines_ = std::dynamic_pointer_cast<CPTGridLines>(layer);
                                            });
    alternatingBandFills_.clear();
    decodeList(coder, "CPTAxis.alternatingBandFills", [this](KeyedUnarchiver& c, const std::string& k) {
        // Checked by class first, so any other kind fails with the text callers know.
        const auto kind = c.classNameForKey(k);
        if (kind && *kind != "CPTFill") {
            c.failWithError("Alternating band fills must be one or more of the following: CPTFill, CPTColor, "
                            "CPTGradient, CPTImage, or [NSNull null].");
            return false;
        }
        if (!kind && !c.decodeValueForKey(k).isNull()) {
            c.failWithError("Alternating band fills must be one or more of the following: CPTFill, CPTColor, "
                            "CPTGradient, CPTImage, or [NSNull null].");
            return false;
        }
        alternatingBandFills_.push_back(kind ? copied(decodeFill(c, k)) : nullptr);
        return !c.failed();
    });
    alternatingBandAnchor_ = decodeNumber(coder, "CPTAxis.alternatingBandAnchor");
    backgroundLimitBands_ = decodeLimitBands(coder, "CPTAxis.mutableBackgroundLimitBands");
    labelFormatter_ = CPTDecodeFormatter(coder, "CPTAxis.labelFormatter");
    minorTickLabelFormatter_ = CPTDecodeFormatter(coder, "CPTAxis.minorTickLabelFormatter");
    labelTextStyle_ = copied(decodeTextStyle(coder, "CPTAxis.labelTextStyle"));
    minorTickLabelTextStyle_ = copied(decodeTextStyle(coder, "CPTAxis.minorTickLabelTextStyle"));
    labelOffset_ = decodeFinite(coder, "CPTAxis.labelOffset");
    minorTickLabelOffset_ = decodeFinite(coder, "CPTAxis.minorTickLabelOffset");
    labelRotation_ = decodeFinite(coder, "CPTAxis.labelRotation");
    minorTickLabelRotation_ = decodeFinite(coder, "CPTAxis.minorTickLabelRotation");
    labelAlignment_ = static_cast<CPTAlignment>(decodeEnum(coder, "CPTAxis.labelAlignment", 0, 5));
    minorTickLabelAlignment_ = static_cast<CPTAlignment>(decodeEnum(coder, "CPTAxis.minorTickLabelAlignment", 0, 5));
    tickLabelDirection_ = static_cast<CPTSign>(decodeEnum(coder, "CPTAxis.tickLabelDirection", -1, 1));
    minorTickLabelDirection_ = static_cast<CPTSign>(decodeEnum(coder, "CPTAxis.minorTickLabelDirection", -1, 1));
    labelShadow_ = decodeShadow(coder, "CPTAxis.labelShadow");
    minorTickLabelShadow_ = decodeShadow(coder, "CPTAxis.minorTickLabelShadow");
    axisLabels_ = decodeLabels(coder, "CPTAxis.axisLabels");
    minorTickAxisLabels_ = decodeLabels(coder, "CPTAxis.minorTickAxisLabels");
    title_ = decodeOptionalString(coder, "CPTAxis.title");
    attributedTitle_ = decodeRichText(coder, "CPTAxis.attributedTitle");
    titleTextStyle_ = copied(decodeTextStyle(coder, "CPTAxis.titleTextStyle"));
    titleOffset_ = decodeFinite(coder, "CPTAxis.titleOffset");
    titleRotation_ = decodeAngle(coder, "CPTAxis.titleRotation", std::numeric_limits<double>::quiet_NaN());
    titleDirection_ = static_cast<CPTSign>(decodeEnum(coder, "CPTAxis.titleDirection", -1, 1));
    titleLocation_ = decodeNumber(coder, "CPTAxis.titleLocation");
    auto title = decodeLabel(coder, "CPTAxis.axisTitle");
    axisTitle_ = std::dynamic_pointer_cast<CPTAxisTitle>(title);
    if (title && !axisTitle_)
        coder.failWithError("\"CPTAxis.axisTitle\" is not an axis title.");
    coder.decodeConditionalObject<CPTLayer>("CPTAxis.plotArea", {"CPTPlotArea"},
                                            [this](const std::shared_ptr<CPTLayer>& layer) {
                                                setPlotArea(dynamic_cast<CPTPlotArea*>(layer.get()));
                                            });
    needsRelabel_ = coder.decodeBoolForKey("CPTAxis.needsRelabel");
    labelFormatterChanged_ = coder.decodeBoolForKey("CPTAxis.labelFormatterChanged");
    minorLabelFormatterChanged_ = coder.decodeBoolForKey("CPTAxis.minorLabelFormatterChanged");
    // The touch and update state of a live axis.
    pointingDeviceDownLabel_.reset();
    pointingDeviceDownTickLabel_.reset();
    labelsUpdated_ = false;
    inTitleUpdate_ = false;
}

// ---- the plot

void CPTPlot::encodeWithCoder(KeyedArchiver& coder) const {
    CPTAnnotationHostLayer::encodeWithCoder(coder);
    encodeOptionalString(coder, title_, "CPTPlot.title");
    encodeRichText(coder, attributedTitle_, "CPTPlot.attributedTitle");
    encodePlotSpace(coder, plotSpace_, "CPTPlot.plotSpace");
    coder.encodeInteger(cachePrecision_, "CPTPlot.cachePrecision");
    coder.encodeBool(needsRelabel_, "CPTPlot.needsRelabel");
    coder.encodeBool(adjustLabelAnchors_, "CPTPlot.adjustLabelAnchors");
    coder.encodeBool(showLabels_, "CPTPlot.showLabels");
    encodeCGFloat(coder, labelOffset_, "CPTPlot.labelOffset");
    encodeCGFloat(coder, labelRotation_, "CPTPlot.labelRotation");
    coder.encodeInteger(static_cast<std::int64_t>(labelField_), "CPTPlot.labelField");
    encodeTextStyle(coder, labelTextStyle_, "CPTPlot.labelTextStyle");
    CPTEncodeFormatter(coder, labelFormatter_.get(), "CPTPlot.labelFormatter");
    encodeShadow(coder, labelShadow_, "CPTPlot.labelShadow");
    coder.encodeValue(Value(Value::Array{Value(static_cast<std::int64_t>(labelIndexRange_.location)),
                                         Value(static_cast<std::int64_t>(labelIndexRange_.length))}),
                      "CPTPlot.labelIndexRange");
    if (labelAnnotations_)
        encodeList(coder, "CPTPlot.labelAnnotations", labelAnnotations_->size(),
                   [this](KeyedArchiver& c, std::size_t i, const std::string& k) {
                       encodeAnnotation(c, (*labelAnnotations_)[i].get(), k);
                   });
    coder.encodeBool(alignsPointsToPixels_, "CPTPlot.alignsPointsToPixels");
    coder.encodeBool(drawLegendSwatchDecoration_, "CPTPlot.drawLegendSwatchDecoration");
}

void CPTPlot::decodeFields(KeyedUnarchiver& coder) {
    CPTAnnotationHostLayer::decodeFields(coder);
    title_ = decodeOptionalString(coder, "CPTPlot.title");
    attributedTitle_ = decodeRichText(coder, "CPTPlot.attributedTitle");
    plotSpace_ = decodePlotSpace(coder, "CPTPlot.plotSpace");
    cachePrecision_ = static_cast<CPTPlotCachePrecision>(decodeEnum(coder, "CPTPlot.cachePrecision", 0, 2));
    needsRelabel_ = coder.decodeBoolForKey("CPTPlot.needsRelabel");
    adjustLabelAnchors_ = coder.decodeBoolForKey("CPTPlot.adjustLabelAnchors");
    showLabels_ = coder.decodeBoolForKey("CPTPlot.showLabels");
    labelOffset_ = decodeFinite(coder, "CPTPlot.labelOffset");
    labelRotation_ = decodeFinite(coder, "CPTPlot.labelRotation");
    labelField_ = decodeUnsigned(coder, "CPTPlot.labelField");
    labelTextStyle_ = copied(decodeTextStyle(coder, "CPTPlot.labelTextStyle"));
    labelFormatter_ = CPTDecodeFormatter(coder, "CPTPlot.labelFormatter");
    labelShadow_ = decodeShadow(coder, "CPTPlot.labelShadow");
    labelIndexRange_ = NSRange();
    if (auto range = decodeNumbers(coder, "CPTPlot.labelIndexRange")) {
        if (range->size() == 2 && (*range)[0].toInt64() >= 0 && (*range)[1].toInt64() >= 0)
            labelIndexRange_ = NSRange{static_cast<std::uint64_t>((*range)[0].toInt64()),
                                       static_cast<std::uint64_t>((*range)[1].toInt64())};
        else
            coder.failWithError("\"CPTPlot.labelIndexRange\" is not an index range.");
    }
    labelAnnotations_.reset();
    LabelAnnotations labels;
    if (decodeList(coder, "CPTPlot.labelAnnotations", [&labels](KeyedUnarchiver& c, const std::string& k) {
            auto annotation = std::dynamic_pointer_cast<CPTPlotSpaceAnnotation>(decodeAnnotation(c, k));
            labels.push_back(annotation);
            return annotation != nullptr;
        }))
        labelAnnotations_ = std::move(labels);
    alignsPointsToPixels_ = coder.decodeBoolForKey("CPTPlot.alignsPointsToPixels");
    drawLegendSwatchDecoration_ = coder.decodeBoolForKey("CPTPlot.drawLegendSwatchDecoration");
    if (coder.containsValueForKey("CPTPlot.identifier"))
        setIdentifier(coder.decodeValueForKey("CPTPlot.identifier"));
    // The cache is never archived: a decoded plot starts empty and reloads.
    cachedNumbers_.clear();
    cachedArrays_.clear();
    cachedDataCount_ = 0;
    dataNeedsReloading_ = true;
    inTitleUpdate_ = false;
    pointingDeviceDownLabelIndex_ = foundation::notFound;
}

// ---- the legend

void CPTLegend::encodeWithCoder(KeyedArchiver& coder) const {
    CPTBorderedLayer::encodeWithCoder(coder);
    encodeLayers(coder, plots_, "CPTLegend.plots");
    encodeList(coder, "CPTLegend.legendEntries", legendEntries_.size(),
               [this](KeyedArchiver& c, std::size_t i, const std::string& k) {
                   const CPTLegendEntry* entry = legendEntries_[i].get();
                   c.encodeSharedObject(static_cast<const void*>(entry), "CPTLegendEntry", k, [entry](KeyedArchiver& e) {
                       e.encodeConditionalObject(static_cast<const CPTLayer*>(entry->plot().get()), "CPTLegendEntry.plot");
                       e.encodeInteger(static_cast<std::int64_t>(entry->index_), "CPTLegendEntry.index");
                       e.encodeInteger(static_cast<std::int64_t>(entry->row_), "CPTLegendEntry.row");
                       e.encodeInteger(static_cast<std::int64_t>(entry->column_), "CPTLegendEntry.column");
                       encodeTextStyle(e, entry->textStyle_, "CPTLegendEntry.textStyle");
                   });
               });
    coder.encodeBool(layoutChanged_, "CPTLegend.layoutChanged");
    encodeTextStyle(coder, textStyle_, "CPTLegend.textStyle");
    encodeCPTSize(coder, swatchSize_, "CPTLegend.swatchSize");
    encodeLineStyle(coder, swatchBorderLineStyle_, "CPTLegend.swatchBorderLineStyle");
    encodeCGFloat(coder, swatchCornerRadius_, "CPTLegend.swatchCornerRadius");
    encodeFill(coder, swatchFill_, "CPTLegend.swatchFill");
    encodeLineStyle(coder, entryBorderLineStyle_, "CPTLegend.entryBorderLineStyle");
    encodeCGFloat(coder, entryCornerRadius_, "CPTLegend.entryCornerRadius");
    encodeFill(coder, entryFill_, "CPTLegend.entryFill");
    encodeCGFloat(coder, entryPaddingLeft_, "CPTLegend.entryPaddingLeft");
    encodeCGFloat(coder, entryPaddingTop_, "CPTLegend.entryPaddingTop");
    encodeCGFloat(coder, entryPaddingRight_, "CPTLegend.entryPaddingRight");
    encodeCGFloat(coder, entryPaddingBottom_, "CPTLegend.entryPaddingBottom");
    coder.encodeInteger(static_cast<std::int64_t>(numberOfRows_), "CPTLegend.numberOfRows");
    coder.encodeInteger(static_cast<std::int64_t>(numberOfColumns_), "CPTLegend.numberOfColumns");
    coder.encodeBool(equalRows_, "CPTLegend.equalRows");
    coder.encodeBool(equalColumns_, "CPTLegend.equalColumns");
    if (rowHeights_)
        coder.encodeValue(Value(*rowHeights_), "CPTLegend.rowHeights");
    if (rowHeightsThatFit_)
        coder.encodeValue(Value(Value::Array(rowHeightsThatFit_->begin(), rowHeightsThatFit_->end())),
                          "CPTLegend.rowHeightsThatFit");
    if (columnWidths_)
        coder.encodeValue(Value(*columnWidths_), "CPTLegend.columnWidths");
    if (columnWidthsThatFit_)
        coder.encodeValue(Value(Value::Array(columnWidthsThatFit_->begin(), columnWidthsThatFit_->end())),
                          "CPTLegend.columnWidthsThatFit");
    encodeCGFloat(coder, columnMargin_, "CPTLegend.columnMargin");
    encodeCGFloat(coder, rowMargin_, "CPTLegend.rowMargin");
    encodeCGFloat(coder, titleOffset_, "CPTLegend.titleOffset");
    coder.encodeInteger(swatchLayout_, "CPTLegend.swatchLayout");
}

namespace {
std::optional<std::vector<CGFloat>> decodeFiniteList(KeyedUnarchiver& coder, std::string_view key) {
    auto numbers = decodeNumbers(coder, key);
    if (!numbers)
        return std::nullopt;
    std::vector<CGFloat> list;
    for (const Value& v : *numbers) {
        if (!std::isfinite(v.toDouble())) {
            coder.failWithError("\"" + std::string(key) + "\" holds a number that is not finite.");
            return std::nullopt;
        }
        list.push_back(v.toDouble());
    }
    return list;
}
} // namespace

void CPTLegend::decodeFields(KeyedUnarchiver& coder) {
    CPTBorderedLayer::decodeFields(coder);
    // No observers: a decoded legend keeps the entries it was archived with.
    observations_.clear();
    plots_ = decodeLayers<CPTPlot>(coder, "CPTLegend.plots", "a plot").value_or(Plots());
    legendEntries_.clear();
    decodeList(coder, "CPTLegend.legendEntries", [this](KeyedUnarchiver& c, const std::string& k) {
        auto entry = c.decodeSharedObject<CPTLegendEntry>(k, {"CPTLegendEntry"}, [](KeyedUnarchiver& e) {
            auto made = std::make_shared<CPTLegendEntry>();
            std::weak_ptr<CPTLegendEntry> weak = made;
            e.decodeConditionalObject<CPTLayer>("CPTLegendEntry.plot", {CPT_ARCHIVED_LAYER_CLASSES},
                                                [weak](const std::shared_ptr<CPTLayer>& layer) {
                                                    if (auto entry = weak.lock())
                                                        entry->plot_ = std::dynamic_pointer_cast<CPTPlot>(layer);
                                                });
            made->index_ = decodeUnsigned(e, "CPTLegendEntry.index");
            made->row_ = decodeUnsigned(e, "CPTLegendEntry.row");
            made->column_ = decodeUnsigned(e, "CPTLegendEntry.column");
            made->textStyle_ = decodeTextStyle(e, "CPTLegendEntry.textStyle");
            return e.failed() ? nullptr : made;
        });
        if (entry)
            legendEntries_.push_back(entry);
        return entry != nullptr;
    });
    pointingDeviceDownEntry_.reset();
    layoutChanged_ = coder.decodeBoolForKey("CPTLegend.layoutChanged");
    textStyle_ = copied(decodeTextStyle(coder, "CPTLegend.textStyle"));
    swatchSize_ = decodeFiniteSize(coder, "CPTLegend.swatchSize");
    swatchBorderLineStyle_ = copied(decodeLineStyle(coder, "CPTLegend.swatchBorderLineStyle"));
    swatchCornerRadius_ = decodeFinite(coder, "CPTLegend.swatchCornerRadius");
    swatchFill_ = copied(decodeFill(coder, "CPTLegend.swatchFill"));
    entryBorderLineStyle_ = copied(decodeLineStyle(coder, "CPTLegend.entryBorderLineStyle"));
    entryCornerRadius_ = decodeFinite(coder, "CPTLegend.entryCornerRadius");
    entryFill_ = copied(decodeFill(coder, "CPTLegend.entryFill"));
    entryPaddingLeft_ = decodeFinite(coder, "CPTLegend.entryPaddingLeft");
    entryPaddingTop_ = decodeFinite(coder, "CPTLegend.entryPaddingTop");
    entryPaddingRight_ = decodeFinite(coder, "CPTLegend.entryPaddingRight");
    entryPaddingBottom_ = decodeFinite(coder, "CPTLegend.entryPaddingBottom");
    numberOfRows_ = decodeUnsigned(coder, "CPTLegend.numberOfRows");
    numberOfColumns_ = decodeUnsigned(coder, "CPTLegend.numberOfColumns");
    // The layout sizes a list by each: far more than any legend shows is a damaged archive.
    constexpr std::uint64_t kMostCells = 100000;
    if (numberOfRows_ > kMostCells || numberOfColumns_ > kMostCells)
        coder.failWithError("\"CPTLegend.numberOfRows\" or \"CPTLegend.numberOfColumns\" asks for more cells than a "
                            "legend lays out.");
    equalRows_ = coder.decodeBoolForKey("CPTLegend.equalRows");
    equalColumns_ = coder.decodeBoolForKey("CPTLegend.equalColumns");
    rowHeights_ = decodeNumbers(coder, "CPTLegend.rowHeights");
    rowHeightsThatFit_ = decodeFiniteList(coder, "CPTLegend.rowHeightsThatFit");
    columnWidths_ = decodeNumbers(coder, "CPTLegend.columnWidths");
    columnWidthsThatFit_ = decodeFiniteList(coder, "CPTLegend.columnWidthsThatFit");
    columnMargin_ = decodeFinite(coder, "CPTLegend.columnMargin");
    rowMargin_ = decodeFinite(coder, "CPTLegend.rowMargin");
    titleOffset_ = decodeFinite(coder, "CPTLegend.titleOffset");
    // An entry is drawn in its cell of the archived layout only when that layout has the cell.
    for (const auto& entry : legendEntries_)
        entry->placed_ = rowHeightsThatFit_ && columnWidthsThatFit_ && entry->row_ < rowHeightsThatFit_->size() &&
                         entry->column_ < columnWidthsThatFit_->size();
    swatchLayout_ = static_cast<CPTLegendSwatchLayout>(decodeEnum(coder, "CPTLegend.swatchLayout", 0, 3));
}

// ---- the graph

void CPTGraph::encodeWithCoder(KeyedArchiver& coder) const {
    CPTBorderedLayer::encodeWithCoder(coder);
    coder.encodeConditionalObject(static_cast<const void*>(hostingView_), "CPTGraph.hostingView");
    encodeLayer(coder, plotAreaFrame_.get(), "CPTGraph.plotAreaFrame");
    encodeLayers(coder, plots_, "CPTGraph.plots");
    encodeList(coder, "CPTGraph.plotSpaces", plotSpaces_.size(),
               [this](KeyedArchiver& c, std::size_t i, const std::string& k) { encodePlotSpace(c, plotSpaces_[i], k); });
    encodeOptionalString(coder, title_, "CPTGraph.title");
    encodeRichText(coder, attributedTitle_, "CPTGraph.attributedTitle");
    encodeTextStyle(coder, titleTextStyle_, "CPTGraph.titleTextStyle");
    coder.encodeInteger(titlePlotAreaFrameAnchor_, "CPTGraph.titlePlotAreaFrameAnchor");
    encodeCPTPoint(coder, titleDisplacement_, "CPTGraph.titleDisplacement");
    encodeAnnotation(coder, titleAnnotation_.get(), "CPTGraph.titleAnnotation");
    encodeLayer(coder, legend_.get(), "CPTGraph.legend");
    encodeAnnotation(coder, legendAnnotation_.get(), "CPTGraph.legendAnnotation");
    coder.encodeInteger(legendAnchor_, "CPTGraph.legendAnchor");
    encodeCPTPoint(coder, legendDisplacement_, "CPTGraph.legendDisplacement");
}

void CPTGraph::decodeFields(KeyedUnarchiver& coder) {
    CPTBorderedLayer::decodeFields(coder);
    // The hosting view attaches itself when it decodes (its own archive holds the graph).
    // Without one in the archive the graph keeps the frame its constructor made.
    auto frame = decodeLayer<CPTPlotAreaFrame>(coder, "CPTGraph.plotAreaFrame", "a plot area frame");
    if (coder.failed())
        return;
    if (frame)
        setPlotAreaFrame(frame);
    frame = plotAreaFrame_;
    // Below the annotations' content, where the constructor put it.
    if (frame)
        insertSublayerAtIndex(frame, 0);
    plots_ = decodeLayers<CPTPlot>(coder, "CPTGraph.plots", "a plot").value_or(std::vector<std::shared_ptr<CPTPlot>>());
    if (auto group = frame ? frame->plotGroup() : nullptr)
        for (const auto& plot : plots_)
            group->addPlot(plot);
    decodeList(coder, "CPTGraph.plotSpaces", [this](KeyedUnarchiver& c, const std::string& k) {
        auto space = decodePlotSpace(c, k);
        if (space)
            addPlotSpace(space);
        return space != nullptr;
    });
    title_ = decodeOptionalString(coder, "CPTGraph.title");
    attributedTitle_ = decodeRichText(coder, "CPTGraph.attributedTitle");
    titleTextStyle_ = copied(decodeTextStyle(coder, "CPTGraph.titleTextStyle"));
    titlePlotAreaFrameAnchor_ =
        static_cast<CPTRectAnchor>(decodeEnum(coder, "CPTGraph.titlePlotAreaFrameAnchor", 0, 8));
    titleDisplacement_ = decodeFinitePoint(coder, "CPTGraph.titleDisplacement");
    titleAnnotation_ = std::dynamic_pointer_cast<CPTLayerAnnotation>(decodeAnnotation(coder, "CPTGraph.titleAnnotation"));
    legend_ = decodeLayer<CPTLegend>(coder, "CPTGraph.legend", "a legend");
    legendAnnotation_ =
        std::dynamic_pointer_cast<CPTLayerAnnotation>(decodeAnnotation(coder, "CPTGraph.legendAnnotation"));
    legendAnchor_ = static_cast<CPTRectAnchor>(decodeEnum(coder, "CPTGraph.legendAnchor", 0, 8));
    legendDisplacement_ = decodeFinitePoint(coder, "CPTGraph.legendDisplacement");
    inTitleUpdate_ = false;
}
