// Archiving of the XY axis, axis set and graph, the bar and scatter plots and the pie chart, and the
// time formatter; and the entry points that archive a whole chart.
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTChartArchive.h"
#include "plot/axes_plots/CPTPieChart.h"
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/axes_plots/CPTTimeFormatter.h"
#include "plot/axes_plots/CPTXYAxis.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTConstraints.h"
#include "plot/foundation/CPTPlotSymbol.h"
#include "plot/graph/CPTArchiveSupport.h"
#include "plot/graph/CPTFormatterArchive.h"
#include "plot/graph/CPTLimitBand.h"

#include <cmath>
#include <mutex>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::Value;
using namespace cptarchive;

namespace {
template <class T> std::shared_ptr<T> copied(const std::shared_ptr<T>& object) {
    return object ? object->copy() : nullptr;
}

CPTScaleType decodeScaleType(KeyedUnarchiver& coder, std::string_view key) {
    return static_cast<CPTScaleType>(decodeEnum(coder, key, CPTScaleTypeLinear, CPTScaleTypeLogModulus));
}
} // namespace

// ---- the XY axis and graph

void CPTXYAxis::encodeWithCoder(KeyedArchiver& coder) const {
    CPTAxis::encodeWithCoder(coder);
    if (!orthogonalPosition_.isNull())
        coder.encodeValue(orthogonalPosition_, "CPTXYAxis.orthogonalPosition");
    if (axisConstraints_)
        axisConstraints_->encodeForKey(coder, "CPTXYAxis.axisConstraints");
}

void CPTXYAxis::decodeFields(KeyedUnarchiver& coder) {
    CPTAxis::decodeFields(coder);
    orthogonalPosition_ = decodeNumber(coder, "CPTXYAxis.orthogonalPosition");
    axisConstraints_ = CPTConstraints::decodeForKey(coder, "CPTXYAxis.axisConstraints");
}

void CPTXYGraph::encodeWithCoder(KeyedArchiver& coder) const {
    CPTGraph::encodeWithCoder(coder);
    coder.encodeInteger(xScaleType_, "CPTXYGraph.xScaleType");
    coder.encodeInteger(yScaleType_, "CPTXYGraph.yScaleType");
}

void CPTXYGraph::decodeFields(KeyedUnarchiver& coder) {
    CPTGraph::decodeFields(coder);
    xScaleType_ = decodeScaleType(coder, "CPTXYGraph.xScaleType");
    yScaleType_ = decodeScaleType(coder, "CPTXYGraph.yScaleType");
}

// ---- the bar plot

void CPTBarPlot::encodeWithCoder(KeyedArchiver& coder) const {
    CPTPlot::encodeWithCoder(coder);
    encodeLineStyle(coder, lineStyle_, "CPTBarPlot.lineStyle");
    encodeFill(coder, fill_, "CPTBarPlot.fill");
    coder.encodeValue(barWidth_, "CPTBarPlot.barWidth");
    coder.encodeValue(barOffset_, "CPTBarPlot.barOffset");
    encodeCGFloat(coder, barCornerRadius_, "CPTBarPlot.barCornerRadius");
    encodeCGFloat(coder, barBaseCornerRadius_, "CPTBarPlot.barBaseCornerRadius");
    coder.encodeValue(baseValue_, "CPTBarPlot.baseValue");
    coder.encodeBool(barsAreHorizontal_, "CPTBarPlot.barsAreHorizontal");
    coder.encodeBool(barBasesVary_, "CPTBarPlot.barBasesVary");
    coder.encodeBool(barWidthsAreInViewCoordinates_, "CPTBarPlot.barWidthsAreInViewCoordinates");
    encodeRange(coder, plotRange_, "CPTBarPlot.plotRange");
}

void CPTBarPlot::decodeFields(KeyedUnarchiver& coder) {
    CPTPlot::decodeFields(coder);
    lineStyle_ = copied(decodeLineStyle(coder, "CPTBarPlot.lineStyle"));
    fill_ = copied(decodeFill(coder, "CPTBarPlot.fill"));
    // A missing width, offset or base is 0, not the constructor's value.
    barWidth_ = decodeNumber(coder, "CPTBarPlot.barWidth", Value(0.0));
    barOffset_ = decodeNumber(coder, "CPTBarPlot.barOffset", Value(0.0));
    barCornerRadius_ = decodeFinite(coder, "CPTBarPlot.barCornerRadius");
    barBaseCornerRadius_ = decodeFinite(coder, "CPTBarPlot.barBaseCornerRadius");
    baseValue_ = decodeNumber(coder, "CPTBarPlot.baseValue", Value(0.0));
    barsAreHorizontal_ = coder.decodeBoolForKey("CPTBarPlot.barsAreHorizontal");
    barBasesVary_ = coder.decodeBoolForKey("CPTBarPlot.barBasesVary");
    barWidthsAreInViewCoordinates_ = coder.decodeBoolForKey("CPTBarPlot.barWidthsAreInViewCoordinates");
    plotRange_ = copied(decodeRange(coder, "CPTBarPlot.plotRange"));
    pointingDeviceDownIndex_ = foundation::notFound;
}

// ---- the scatter plot

void CPTScatterPlot::encodeWithCoder(KeyedArchiver& coder) const {
    CPTPlot::encodeWithCoder(coder);
    coder.encodeInteger(interpolation_, "CPTScatterPlot.interpolation");
    coder.encodeInteger(histogramOption_, "CPTScatterPlot.histogramOption");
    coder.encodeInteger(curvedOption_, "CPTScatterPlot.curvedInterpolationOption");
    encodeCGFloat(coder, customAlpha_, "CPTScatterPlot.curvedInterpolationCustomAlpha");
    encodeLineStyle(coder, dataLineStyle_, "CPTScatterPlot.dataLineStyle");
    if (plotSymbol_)
        coder.encodeSharedObject(static_cast<const void*>(plotSymbol_.get()), "CPTPlotSymbol", "CPTScatterPlot.plotSymbol",
                                 [this](KeyedArchiver& c) { plotSymbol_->encodeWithCoder(c); });
    encodeFill(coder, areaFill_, "CPTScatterPlot.areaFill");
    encodeFill(coder, areaFill2_, "CPTScatterPlot.areaFill2");
    encodeLimitBands(coder, areaFillBands_, "CPTScatterPlot.mutableAreaFillBands");
    if (!areaBaseValue_.isNull())
        coder.encodeValue(areaBaseValue_, "CPTScatterPlot.areaBaseValue");
    if (!areaBaseValue2_.isNull())
        coder.encodeValue(areaBaseValue2_, "CPTScatterPlot.areaBaseValue2");
    encodeCGFloat(coder, symbolMargin_, "CPTScatterPlot.plotSymbolMarginForHitDetection");
    encodeCGFloat(coder, lineMargin_, "CPTScatterPlot.plotLineMarginForHitDetection");
    coder.encodeBool(allowSimultaneous_, "CPTScatterPlot.allowSimultaneousSymbolAndPlotSelection");
}

void CPTScatterPlot::decodeFields(KeyedUnarchiver& coder) {
    CPTPlot::decodeFields(coder);
    interpolation_ = static_cast<CPTScatterPlotInterpolation>(decodeEnum(coder, "CPTScatterPlot.interpolation", 0, 3));
    histogramOption_ =
        static_cast<CPTScatterPlotHistogramOption>(decodeEnum(coder, "CPTScatterPlot.histogramOption", 0, 2));
    curvedOption_ = static_cast<CPTScatterPlotCurvedInterpolationOption>(
        decodeEnum(coder, "CPTScatterPlot.curvedInterpolationOption", 0, 5));
    customAlpha_ = decodeFinite(coder, "CPTScatterPlot.curvedInterpolationCustomAlpha");
    dataLineStyle_ = copied(decodeLineStyle(coder, "CPTScatterPlot.dataLineStyle"));
    plotSymbol_ = copied(coder.decodeSharedObject<CPTPlotSymbol>("CPTScatterPlot.plotSymbol", {"CPTPlotSymbol"},
                                                                 CPTPlotSymbol::plotSymbolWithCoder));
    areaFill_ = copied(decodeFill(coder, "CPTScatterPlot.areaFill"));
    areaFill2_ = copied(decodeFill(coder, "CPTScatterPlot.areaFill2"));
    areaFillBands_ = decodeLimitBands(coder, "CPTScatterPlot.mutableAreaFillBands");
    areaBaseValue_ = decodeNumber(coder, "CPTScatterPlot.areaBaseValue", Value(std::nan("")));
    areaBaseValue2_ = decodeNumber(coder, "CPTScatterPlot.areaBaseValue2", Value(std::nan("")));
    symbolMargin_ = decodeFinite(coder, "CPTScatterPlot.plotSymbolMarginForHitDetection");
    lineMargin_ = decodeFinite(coder, "CPTScatterPlot.plotLineMarginForHitDetection");
    allowSimultaneous_ = coder.decodeBoolForKey("CPTScatterPlot.allowSimultaneousSymbolAndPlotSelection");
    pointingDeviceDownIndex_ = foundation::notFound;
    pointingDeviceDownOnLine_ = false;
}

// ---- the pie chart

void CPTPieChart::encodeWithCoder(KeyedArchiver& coder) const {
    CPTPlot::encodeWithCoder(coder);
    encodeCGFloat(coder, pieRadius_, "CPTPieChart.pieRadius");
    encodeCGFloat(coder, pieInnerRadius_, "CPTPieChart.pieInnerRadius");
    encodeCGFloat(coder, startAngle_, "CPTPieChart.startAngle");
    encodeCGFloat(coder, endAngle_, "CPTPieChart.endAngle");
    coder.encodeInteger(sliceDirection_, "CPTPieChart.sliceDirection");
    encodeCPTPoint(coder, centerAnchor_, "CPTPieChart.centerAnchor");
    encodeLineStyle(coder, borderLineStyle_, "CPTPieChart.borderLineStyle");
    encodeFill(coder, overlayFill_, "CPTPieChart.overlayFill");
    coder.encodeBool(labelRotationRelativeToRadius_, "CPTPieChart.labelRotationRelativeToRadius");
}

void CPTPieChart::decodeFields(KeyedUnarchiver& coder) {
    CPTPlot::decodeFields(coder);
    pieRadius_ = decodeFinite(coder, "CPTPieChart.pieRadius");
    pieInnerRadius_ = decodeFinite(coder, "CPTPieChart.pieInnerRadius");
    // NaN is the end angle that closes the circle.
    startAngle_ = decodeAngle(coder, "CPTPieChart.startAngle");
    endAngle_ = decodeAngle(coder, "CPTPieChart.endAngle", std::nan(""));
    sliceDirection_ = static_cast<CPTPieDirection>(decodeEnum(coder, "CPTPieChart.sliceDirection", 0, 1));
    centerAnchor_ = decodeFinitePoint(coder, "CPTPieChart.centerAnchor");
    borderLineStyle_ = copied(decodeLineStyle(coder, "CPTPieChart.borderLineStyle"));
    overlayFill_ = copied(decodeFill(coder, "CPTPieChart.overlayFill"));
    labelRotationRelativeToRadius_ = coder.decodeBoolForKey("CPTPieChart.labelRotationRelativeToRadius");
    pointingDeviceDownIndex_ = foundation::notFound;
}

// ---- registration and whole charts

void CPTRegisterChartArchiveClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        CPTLayer::registerLayerClass("CPTXYGraph", [] { return CPTGraph::makeForDecoding<CPTXYGraph>(); });
        CPTLayer::registerLayerClass("CPTDerivedXYGraph", [] { return CPTGraph::makeForDecoding<CPTDerivedXYGraph>(); });
        CPTLayer::registerLayerClass("CPTXYAxis", [] { return std::make_shared<CPTXYAxis>(); });
        CPTLayer::registerLayerClass("CPTXYAxisSet", [] { return std::make_shared<CPTXYAxisSet>(); });
        CPTLayer::registerLayerClass("CPTBarPlot", [] { return std::make_shared<CPTBarPlot>(); });
        CPTLayer::registerLayerClass("CPTScatterPlot", [] { return std::make_shared<CPTScatterPlot>(); });
        CPTLayer::registerLayerClass("CPTPieChart", [] { return std::make_shared<CPTPieChart>(); });
        CPTRegisterFormatterClass(CPTFormatterClass{
            "CPTTimeFormatter",
            [](const foundation::NumberFormatter& f) { return dynamic_cast<const CPTTimeFormatter*>(&f) != nullptr; },
            [](KeyedArchiver& c, const foundation::NumberFormatter& f) {
                const auto& time = dynamic_cast<const CPTTimeFormatter&>(f);
                CPTEncodeNumberFormatterSettings(c, time);
                CPTEncodeDateFormatter(c, time.dateFormatter().get(), "CPTTimeFormatter.dateFormatter");
                if (time.referenceDate())
                    c.encodeDouble(*time.referenceDate(), "CPTTimeFormatter.referenceDate");
            },
            [](KeyedUnarchiver& c) -> std::shared_ptr<foundation::NumberFormatter> {
                // A plain start: the base formatter's archived settings are not read back.
                auto time = std::make_shared<CPTTimeFormatter>(CPTDecodeDateFormatter(c, "CPTTimeFormatter.dateFormatter"));
                if (c.containsValueForKey("CPTTimeFormatter.referenceDate")) {
                    const double date = c.decodeDoubleForKey("CPTTimeFormatter.referenceDate");
                    if (!std::isfinite(date))
                        c.failWithError("\"CPTTimeFormatter.referenceDate\" is not a date.");
                    time->setReferenceDate(date);
                }
                return c.failed() ? nullptr : time;
            },
        });
    });
}

std::vector<std::uint8_t> CPTArchivedLayer(const CPTLayer& root) {
    // The formatters of this library are written as their own kinds only once they are known.
    CPTRegisterChartArchiveClasses();
    KeyedArchiver coder(root.className());
    coder.setRootIdentity(static_cast<const void*>(&root));
    root.encodeWithCoder(coder);
    return coder.encodedData();
}

std::shared_ptr<CPTLayer> CPTUnarchivedLayer(std::span<const std::uint8_t> data, std::string* error) {
    CPTRegisterChartArchiveClasses();
    KeyedUnarchiver coder(data);
    auto layer = coder.decodeRootObject<CPTLayer>({CPT_ARCHIVED_LAYER_CLASSES}, CPTLayer::layerWithCoder);
    if (error != nullptr)
        *error = coder.failed() ? coder.error() : std::string();
    return coder.failed() ? nullptr : layer;
}
