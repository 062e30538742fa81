// Charts through an archive: each chart class as a row of one table (its keys are written, its values
// and the resets decoding makes come back), missing keys and their defaults, values of the wrong type
// and unknown classes that fail the decode with a clear error, the formatters, and a whole themed chart
// with every kind of part that decodes into the same picture.
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTChartArchive.h"
#include "plot/axes_plots/CPTPieChart.h"
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/axes_plots/CPTTimeFormatter.h"
#include "plot/axes_plots/CPTXYAxis.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/axes_plots/CPTXYTheme.h"
#include "plot/foundation/CPTArchiving.h"
#include "plot/foundation/CPTCalendarFormatter.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTConstraints.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTPlotSymbol.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTAxisLabelGroup.h"
#include "plot/graph/CPTFormatterArchive.h"
#include "plot/graph/CPTLayerAnnotation.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTLimitBand.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTPlotSpaceAnnotation.h"
#include "plot/graph/CPTTextLayer.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "plot/hosting/CPTGraphHostingView.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Recorder.h"
#include "platform/graphics/Screen.h"
#include "tests/PlotGallery.h"
#include "tests/RenderChecks.h"
#include "tests/platform/foundation/ArchiveBytes.h"
#include "tests/platform/foundation/RefusedArchives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::Value;

namespace {

std::shared_ptr<CPTLayer> roundTrip(const CPTLayer& layer, std::string* error = nullptr) {
    return CPTUnarchivedLayer(CPTArchivedLayer(layer), error);
}

// The keys of the archive's root object.
bool rootHasKey(const std::vector<std::uint8_t>& data, const std::string& key) {
    KeyedUnarchiver coder(data);
    return coder.containsValueForKey(key);
}

std::shared_ptr<CPTMutableLineStyle> line(double width, const std::shared_ptr<CPTColor>& color) {
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineWidth(width);
    style->setLineColor(color);
    return style;
}

std::shared_ptr<CPTMutableTextStyle> text(double size, const std::shared_ptr<CPTColor>& color) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontSize(size);
    style->setColor(color);
    return style;
}

bool sameLine(const std::shared_ptr<CPTLineStyle>& a, const std::shared_ptr<CPTLineStyle>& b) {
    return a && b && a->lineWidth() == b->lineWidth() && a->lineColor() && b->lineColor() &&
           a->lineColor()->isEqual(b->lineColor().get());
}

struct ClassCase {
    const char* name;
    std::vector<std::string> keys; // written for the object the row builds
    std::function<std::shared_ptr<CPTLayer>()> make;
    std::function<void(CPTLayer& original, CPTLayer& decoded)> check;
};

std::vector<ClassCase> classCases() {
    return {
        {"XY axis",
         {"CPTAxis.coordinate", "CPTAxis.labelingPolicy", "CPTAxis.labelingOrigin", "CPTAxis.majorIntervalLength",
          "CPTAxis.minorTicksPerInterval", "CPTAxis.majorTickLength", "CPTAxis.minorTickLength", "CPTAxis.tickDirection",
          "CPTAxis.axisLineStyle", "CPTAxis.majorTickLineStyle", "CPTAxis.majorGridLineStyle", "CPTAxis.gridLinesRange",
          "CPTAxis.alternatingBandFills", "CPTAxis.mutableBackgroundLimitBands", "CPTAxis.labelFormatter",
          "CPTAxis.labelTextStyle", "CPTAxis.labelOffset", "CPTAxis.labelRotation", "CPTAxis.labelAlignment",
          "CPTAxis.axisLabels", "CPTAxis.majorTickLocations", "CPTAxis.title", "CPTAxis.titleOffset",
          "CPTAxis.titleLocation", "CPTAxis.visibleRange", "CPTAxis.labelExclusionRanges", "CPTAxis.needsRelabel",
          "CPTXYAxis.orthogonalPosition", "CPTXYAxis.axisConstraints"},
         [] {
             auto axis = std::make_shared<CPTXYAxis>(CGRect(0, 0, 100, 100));
             axis->setCoordinate(CPTCoordinateY);
             axis->setLabelingPolicy(CPTAxisLabelingPolicyNone);
             axis->setLabelingOrigin(Value(0.25));
             axis->setMajorIntervalLength(Value(2.5));
             axis->setMinorTicksPerInterval(3);
             axis->setMajorTickLength(7);
             axis->setMinorTickLength(4);
             axis->setTickDirection(CPTSignPositive);
             axis->setAxisLineStyle(line(2, CPTColor::redColor()));
             axis->setMajorTickLineStyle(line(3, CPTColor::blueColor()));
             axis->setMajorGridLineStyle(line(0.5, CPTColor::grayColor()));
             axis->setGridLinesRange(CPTPlotRange::plotRangeWithLocation(1.0, 4.0));
             axis->setVisibleRange(CPTPlotRange::plotRangeWithLocation(-1.0, 9.0));
             axis->setLabelExclusionRanges({CPTPlotRange::plotRangeWithLocation(0.0, 0.5)});
             axis->setAlternatingBandFills({CPTFill::fillWithColor(CPTColor::greenColor()), nullptr});
             axis->addBackgroundLimitBand(CPTLimitBand::limitBandWithRange(CPTPlotRange::plotRangeWithLocation(2.0, 1.0),
                                                                           CPTFill::fillWithColor(CPTColor::yellowColor())));
             auto formatter = std::make_shared<foundation::NumberFormatter>();
             formatter->setMaximumFractionDigits(3);
             formatter->setMinimumFractionDigits(2);
             axis->setLabelFormatter(formatter);
             axis->setLabelTextStyle(text(11, CPTColor::darkGrayColor()));
             axis->setLabelOffset(6);
             axis->setLabelRotation(0.5);
             axis->setLabelAlignment(CPTAlignmentTop);
             auto label = std::make_shared<CPTAxisLabel>(std::optional<std::string>("two"), text(9, CPTColor::blackColor()));
             label->setTickLocation(Value(2.0));
             label->setOffset(4);
             axis->setAxisLabels({label});
             axis->setMajorTickLocations({Value(2.0)});
             axis->setTitle(std::string("Height"));
             axis->setTitleOffset(33);
             axis->setTitleLocation(Value(1.5));
             axis->setOrthogonalPosition(Value(0.75));
             axis->setAxisConstraints(CPTConstraints::constraintWithUpperOffset(3));
             return axis;
         },
         [](CPTLayer& o, CPTLayer& d) {
             auto& a = dynamic_cast<CPTXYAxis&>(o);
             auto& b = dynamic_cast<CPTXYAxis&>(d);
             EXPECT_EQ(b.coordinate(), CPTCoordinateY);
             EXPECT_EQ(b.labelingPolicy(), CPTAxisLabelingPolicyNone);
             EXPECT_EQ(b.labelingOrigin(), Value(0.25));
             EXPECT_EQ(b.majorIntervalLength(), Value(2.5));
             EXPECT_EQ(b.minorTicksPerInterval(), 3U);
             EXPECT_EQ(b.majorTickLength(), 7);
             EXPECT_EQ(b.minorTickLength(), 4);
             EXPECT_EQ(b.tickDirection(), CPTSignPositive);
             ASSERT_TRUE(b.axisLineStyle());
             EXPECT_TRUE(sameLine(b.axisLineStyle(), a.axisLineStyle()));
             EXPECT_NE(b.axisLineStyle(), a.axisLineStyle());
             EXPECT_TRUE(sameLine(b.majorTickLineStyle(), a.majorTickLineStyle()));
             EXPECT_TRUE(sameLine(b.majorGridLineStyle(), a.majorGridLineStyle()));
             ASSERT_TRUE(b.gridLinesRange());
             EXPECT_TRUE(b.gridLinesRange()->isEqualToRange(a.gridLinesRange().get()));
             ASSERT_TRUE(b.visibleRange());
             EXPECT_TRUE(b.visibleRange()->isEqualToRange(a.visibleRange().get()));
             ASSERT_EQ(b.labelExclusionRanges().size(), 1U);
             ASSERT_EQ(b.alternatingBandFills().size(), 2U);
             EXPECT_TRUE(b.alternatingBandFills()[0]);
             EXPECT_FALSE(b.alternatingBandFills()[1]);
             ASSERT_EQ(b.backgroundLimitBands().size(), 1U);
             EXPECT_TRUE(b.backgroundLimitBands()[0]->range()->isEqualToRange(a.backgroundLimitBands()[0]->range().get()));
             ASSERT_TRUE(b.labelFormatter());
             EXPECT_EQ(b.labelFormatter()->maximumFractionDigits(), 3);
             EXPECT_EQ(b.labelFormatter()->minimumFractionDigits(), 2);
             EXPECT_EQ(b.labelFormatter()->format(1.5), a.labelFormatter()->format(1.5));
             ASSERT_TRUE(b.labelTextStyle());
             EXPECT_EQ(b.labelTextStyle()->fontSize(), 11);
             EXPECT_EQ(b.labelOffset(), 6);
             EXPECT_EQ(b.labelRotation(), 0.5);
             EXPECT_EQ(b.labelAlignment(), CPTAlignmentTop);
             ASSERT_EQ(b.axisLabels().size(), 1U);
             EXPECT_EQ(b.axisLabels()[0]->tickLocation(), Value(2.0));
             EXPECT_EQ(b.axisLabels()[0]->offset(), 4);
             auto* content = dynamic_cast<CPTTextLayer*>(b.axisLabels()[0]->contentLayer().get());
             ASSERT_NE(content, nullptr);
             EXPECT_EQ(content->text(), std::optional<std::string>("two"));
             EXPECT_EQ(b.majorTickLocations(), CPTAxis::TickLocations{Value(2.0)});
             EXPECT_EQ(b.title(), std::optional<std::string>("Height"));
             EXPECT_EQ(b.titleOffset(), 33);
             EXPECT_EQ(b.titleLocation(), Value(1.5));
             EXPECT_EQ(b.orthogonalPosition(), Value(0.75));
             ASSERT_TRUE(b.axisConstraints());
             EXPECT_TRUE(b.axisConstraints()->isEqualToConstraint(a.axisConstraints().get()));
             EXPECT_EQ(b.plotArea(), nullptr);
         }},
        {"bar plot",
         {"CPTPlot.title", "CPTPlot.cachePrecision", "CPTPlot.showLabels", "CPTPlot.labelOffset", "CPTPlot.labelField",
          "CPTPlot.labelIndexRange", "CPTPlot.alignsPointsToPixels", "CPTPlot.drawLegendSwatchDecoration",
          "CPTBarPlot.lineStyle", "CPTBarPlot.fill", "CPTBarPlot.barWidth", "CPTBarPlot.barOffset",
          "CPTBarPlot.barCornerRadius", "CPTBarPlot.barBaseCornerRadius", "CPTBarPlot.baseValue",
          "CPTBarPlot.barsAreHorizontal", "CPTBarPlot.barBasesVary", "CPTBarPlot.barWidthsAreInViewCoordinates",
          "CPTBarPlot.plotRange", "CPTLayer.identifier"},
         [] {
             auto bars = std::make_shared<CPTBarPlot>(CGRect(0, 0, 50, 50));
             bars->setTitle(std::string("Counts"));
             bars->setIdentifier(Value("bars"));
             bars->setCachePrecision(CPTPlotCachePrecisionDouble);
             bars->setShowLabels(false);
             bars->setLabelOffset(3);
             bars->setAlignsPointsToPixels(false);
             bars->setDrawLegendSwatchDecoration(false);
             bars->setLineStyle(line(1.5, CPTColor::blackColor()));
             bars->setFill(CPTFill::fillWithColor(CPTColor::orangeColor()));
             bars->setBarWidth(Value(0.7));
             bars->setBarOffset(Value(0.1));
             bars->setBarCornerRadius(2);
             bars->setBarBaseCornerRadius(1);
             bars->setBaseValue(Value(-1.0));
             bars->setBarsAreHorizontal(true);
             bars->setBarBasesVary(true);
             bars->setBarWidthsAreInViewCoordinates(true);
             bars->setPlotRange(CPTPlotRange::plotRangeWithLocation(0.0, 3.0));
             return bars;
         },
         [](CPTLayer& o, CPTLayer& d) {
             auto& a = dynamic_cast<CPTBarPlot&>(o);
             auto& b = dynamic_cast<CPTBarPlot&>(d);
             EXPECT_EQ(b.title(), std::optional<std::string>("Counts"));
             EXPECT_EQ(b.identifier(), Value("bars"));
             EXPECT_EQ(b.cachePrecision(), CPTPlotCachePrecisionDouble);
             EXPECT_FALSE(b.showLabels());
             EXPECT_EQ(b.labelOffset(), 3);
             EXPECT_FALSE(b.alignsPointsToPixels());
             EXPECT_FALSE(b.drawLegendSwatchDecoration());
             EXPECT_TRUE(sameLine(b.lineStyle(), a.lineStyle()));
             ASSERT_TRUE(b.fill());
             EXPECT_EQ(b.fill()->cgColor(), a.fill()->cgColor());
             EXPECT_EQ(b.barWidth(), Value(0.7));
             EXPECT_EQ(b.barOffset(), Value(0.1));
             EXPECT_EQ(b.barCornerRadius(), 2);
             EXPECT_EQ(b.barBaseCornerRadius(), 1);
             EXPECT_EQ(b.baseValue(), Value(-1.0));
             EXPECT_TRUE(b.barsAreHorizontal());
             EXPECT_TRUE(b.barBasesVary());
             EXPECT_TRUE(b.barWidthsAreInViewCoordinates());
             ASSERT_TRUE(b.plotRange());
             EXPECT_TRUE(b.plotRange()->isEqualToRange(a.plotRange().get()));
             // A fresh cache that reloads, and no touch in progress.
             EXPECT_TRUE(b.dataNeedsReloading());
             EXPECT_EQ(b.pointingDeviceDownIndex(), foundation::notFound);
             EXPECT_EQ(b.pointingDeviceDownLabelIndex(), foundation::notFound);
         }},
        {"scatter plot",
         {"CPTScatterPlot.interpolation", "CPTScatterPlot.histogramOption", "CPTScatterPlot.curvedInterpolationOption",
          "CPTScatterPlot.curvedInterpolationCustomAlpha", "CPTScatterPlot.dataLineStyle", "CPTScatterPlot.plotSymbol",
          "CPTScatterPlot.areaFill", "CPTScatterPlot.areaFill2", "CPTScatterPlot.mutableAreaFillBands",
          "CPTScatterPlot.areaBaseValue", "CPTScatterPlot.areaBaseValue2",
          "CPTScatterPlot.plotSymbolMarginForHitDetection", "CPTScatterPlot.plotLineMarginForHitDetection",
          "CPTScatterPlot.allowSimultaneousSymbolAndPlotSelection"},
         [] {
             auto scatter = std::make_shared<CPTScatterPlot>(CGRect(0, 0, 50, 50));
             scatter->setInterpolation(CPTScatterPlotInterpolationCurved);
             scatter->setHistogramOption(CPTScatterPlotHistogramSkipSecond);
             scatter->setCurvedInterpolationOption(CPTScatterPlotCurvedInterpolationCatmullCustomAlpha);
             scatter->setCurvedInterpolationCustomAlpha(0.3);
             scatter->setDataLineStyle(line(2, CPTColor::blueColor()));
             auto symbol = CPTPlotSymbol::diamondPlotSymbol();
             symbol->setSize(CGSize(6, 6));
             scatter->setPlotSymbol(symbol);
             scatter->setAreaFill(CPTFill::fillWithColor(CPTColor::cyanColor()));
             scatter->setAreaFill2(CPTFill::fillWithColor(CPTColor::magentaColor()));
             scatter->addAreaFillBand(CPTLimitBand::limitBandWithRange(CPTPlotRange::plotRangeWithLocation(1.0, 2.0),
                                                                       CPTFill::fillWithColor(CPTColor::redColor())));
             scatter->setAreaBaseValue(Value(0.5));
             scatter->setAreaBaseValue2(Value(1.5));
             scatter->setPlotSymbolMarginForHitDetection(5);
             scatter->setPlotLineMarginForHitDetection(6);
             scatter->setAllowSimultaneousSymbolAndPlotSelection(true);
             return scatter;
         },
         [](CPTLayer& o, CPTLayer& d) {
             auto& a = dynamic_cast<CPTScatterPlot&>(o);
             auto& b = dynamic_cast<CPTScatterPlot&>(d);
             EXPECT_EQ(b.interpolation(), CPTScatterPlotInterpolationCurved);
             EXPECT_EQ(b.histogramOption(), CPTScatterPlotHistogramSkipSecond);
             EXPECT_EQ(b.curvedInterpolationOption(), CPTScatterPlotCurvedInterpolationCatmullCustomAlpha);
             EXPECT_EQ(b.curvedInterpolationCustomAlpha(), 0.3);
             EXPECT_TRUE(sameLine(b.dataLineStyle(), a.dataLineStyle()));
             ASSERT_TRUE(b.plotSymbol());
             EXPECT_EQ(b.plotSymbol()->symbolType(), a.plotSymbol()->symbolType());
             EXPECT_EQ(b.plotSymbol()->size(), CGSize(6, 6));
             ASSERT_TRUE(b.areaFill());
             ASSERT_TRUE(b.areaFill2());
             ASSERT_EQ(b.areaFillBands().size(), 1U);
             EXPECT_EQ(b.areaBaseValue(), Value(0.5));
             EXPECT_EQ(b.areaBaseValue2(), Value(1.5));
             EXPECT_EQ(b.plotSymbolMarginForHitDetection(), 5);
             EXPECT_EQ(b.plotLineMarginForHitDetection(), 6);
             EXPECT_TRUE(b.allowSimultaneousSymbolAndPlotSelection());
             EXPECT_EQ(b.pointingDeviceDownIndex(), foundation::notFound);
         }},
        {"pie chart",
         {"CPTPieChart.pieRadius", "CPTPieChart.pieInnerRadius", "CPTPieChart.startAngle", "CPTPieChart.endAngle",
          "CPTPieChart.sliceDirection", "CPTPieChart.centerAnchor.x", "CPTPieChart.borderLineStyle",
          "CPTPieChart.overlayFill", "CPTPieChart.labelRotationRelativeToRadius"},
         [] {
             auto pie = std::make_shared<CPTPieChart>(CGRect(0, 0, 50, 50));
             pie->setPieRadius(40);
             pie->setPieInnerRadius(10);
             pie->setStartAngle(0.25);
             pie->setEndAngle(2.5);
             pie->setSliceDirection(CPTPieDirectionCounterClockwise);
             pie->setCenterAnchor(CGPoint(0.3, 0.6));
             pie->setBorderLineStyle(line(1, CPTColor::whiteColor()));
             pie->setOverlayFill(CPTFill::fillWithColor(CPTColor::colorWithGenericGray(0.5)));
             pie->setLabelRotationRelativeToRadius(true);
             return pie;
         },
         [](CPTLayer&, CPTLayer& d) {
             auto& b = dynamic_cast<CPTPieChart&>(d);
             EXPECT_EQ(b.pieRadius(), 40);
             EXPECT_EQ(b.pieInnerRadius(), 10);
             EXPECT_EQ(b.startAngle(), 0.25);
             EXPECT_EQ(b.endAngle(), 2.5);
             EXPECT_EQ(b.sliceDirection(), CPTPieDirectionCounterClockwise);
             EXPECT_EQ(b.centerAnchor(), CGPoint(0.3, 0.6));
             EXPECT_TRUE(b.borderLineStyle());
             EXPECT_TRUE(b.overlayFill());
             EXPECT_TRUE(b.labelRotationRelativeToRadius());
             EXPECT_EQ(b.pointingDeviceDownIndex(), foundation::notFound);
         }},
        {"plot area",
         {"CPTPlotArea.plotGroup", "CPTPlotArea.axisSet", "CPTPlotArea.fill", "CPTPlotArea.topDownLayerOrder",
          "CPTAnnotationHostLayer.mutableAnnotations"},
         [] {
             auto area = std::make_shared<CPTPlotArea>(CGRect(0, 0, 80, 60));
             area->setFill(CPTFill::fillWithColor(CPTColor::lightGrayColor()));
             area->setAxisSet(std::make_shared<CPTXYAxisSet>(CGRect(0, 0, 80, 60)));
             area->setTopDownLayerOrder(std::vector<std::int64_t>{CPTPlotAreaLayerTypePlots, CPTPlotAreaLayerTypeAxisSet});
             return area;
         },
         [](CPTLayer& o, CPTLayer& d) {
             auto& a = dynamic_cast<CPTPlotArea&>(o);
             auto& b = dynamic_cast<CPTPlotArea&>(d);
             ASSERT_TRUE(b.fill());
             ASSERT_TRUE(b.plotGroup());
             EXPECT_EQ(b.plotGroup()->superlayer(), &b);
             ASSERT_TRUE(b.axisSet());
             EXPECT_EQ(b.axisSet()->axes().size(), 2U);
             EXPECT_EQ(b.topDownLayerOrder(), a.topDownLayerOrder());
             EXPECT_EQ(b.bottomUpLayerOrder(), a.bottomUpLayerOrder());
             EXPECT_TRUE(std::isnan(b.touchedPoint().x));
             EXPECT_TRUE(std::isnan(b.touchedPoint().y));
             EXPECT_EQ(CPTDecimalToCGFloat(b.widthDecimal()), 80);
             EXPECT_EQ(CPTDecimalToCGFloat(b.heightDecimal()), 60);
             for (const auto& axis : b.axisSet()->axes()) {
                 EXPECT_EQ(axis->plotArea(), &b);
             }
         }},
        {"legend",
         {"CPTLegend.plots", "CPTLegend.legendEntries", "CPTLegend.textStyle", "CPTLegend.swatchSize.width",
          "CPTLegend.swatchCornerRadius", "CPTLegend.numberOfColumns", "CPTLegend.equalRows", "CPTLegend.columnMargin",
          "CPTLegend.rowMargin", "CPTLegend.titleOffset", "CPTLegend.swatchLayout", "CPTLegend.entryPaddingLeft",
          "CPTLegend.layoutChanged"},
         [] {
             auto bars = std::make_shared<CPTBarPlot>();
             bars->setTitle(std::string("Bars"));
             auto scatter = std::make_shared<CPTScatterPlot>();
             scatter->setTitle(std::string("Points"));
             auto legend = CPTLegend::legendWithPlots({bars, scatter});
             legend->setTextStyle(text(13, CPTColor::blackColor()));
             legend->setSwatchSize(CGSize(12, 8));
             legend->setSwatchCornerRadius(2);
             legend->setNumberOfColumns(2);
             legend->setColumnMargin(7);
             legend->setRowMargin(3);
             legend->setTitleOffset(4);
             legend->setSwatchLayout(CPTLegendSwatchLayoutRight);
             legend->setEntryPaddingLeft(2);
             return legend;
         },
         [](CPTLayer&, CPTLayer& d) {
             auto& b = dynamic_cast<CPTLegend&>(d);
             ASSERT_EQ(b.allPlots().size(), 2U);
             ASSERT_EQ(b.legendEntries().size(), 2U);
             // An entry's plot is the legend's plot: one object in the archive.
             EXPECT_EQ(b.legendEntries()[0]->plot(), b.allPlots()[0]);
             EXPECT_EQ(b.legendEntries()[1]->plot(), b.allPlots()[1]);
             EXPECT_EQ(b.legendEntries()[1]->title(), std::optional<std::string>("Points"));
             EXPECT_EQ(b.textStyle()->fontSize(), 13);
             EXPECT_EQ(b.storedSwatchSize(), CGSize(12, 8));
             EXPECT_EQ(b.swatchCornerRadius(), 2);
             EXPECT_EQ(b.numberOfColumns(), 2U);
             EXPECT_EQ(b.columnMargin(), 7);
             EXPECT_EQ(b.rowMargin(), 3);
             EXPECT_EQ(b.titleOffset(), 4);
             EXPECT_EQ(b.swatchLayout(), CPTLegendSwatchLayoutRight);
             EXPECT_EQ(b.entryPaddingLeft(), 2);
         }},
    };
}

TEST(ChartArchive, EveryClassWritesItsKeysAndReadsThemBack) {
    for (const ClassCase& row : classCases()) {
        SCOPED_TRACE(row.name);
        auto original = row.make();
        const auto data = CPTArchivedLayer(*original);
        for (const std::string& key : row.keys) {
            EXPECT_TRUE(rootHasKey(data, key)) << key;
        }
        std::string error;
        auto decoded = CPTUnarchivedLayer(data, &error);
        ASSERT_TRUE(decoded) << error;
        EXPECT_STREQ(decoded->className(), original->className());
        EXPECT_FALSE(decoded->isRenderingRecursively());
        row.check(*original, *decoded);
        // A decoded object archives again to the same keys.
        const auto again = CPTArchivedLayer(*decoded);
        for (const std::string& key : row.keys) {
            EXPECT_TRUE(rootHasKey(again, key)) << key;
        }
    }
}

// Archives written by hand: what a damaged or older archive holds.
std::vector<std::uint8_t> handMade(const char* className, const std::function<void(KeyedArchiver&)>& write) {
    KeyedArchiver coder(className);
    write(coder);
    return coder.encodedData();
}

TEST(ChartArchive, MissingKeysTakeTheirDefaults) {
    const struct {
        const char* name;
        const char* className;
        std::function<void(CPTLayer&)> check;
    } rows[] = {
        {"a bar plot without width, offset or base has 0 for each", "CPTBarPlot",
         [](CPTLayer& layer) {
             auto& bars = dynamic_cast<CPTBarPlot&>(layer);
             EXPECT_EQ(bars.barWidth(), Value(0.0));
             EXPECT_EQ(bars.barOffset(), Value(0.0));
             EXPECT_EQ(bars.baseValue(), Value(0.0));
             EXPECT_TRUE(bars.dataNeedsReloading());
         }},
        {"an axis without labeling origin starts at 0.0", "CPTXYAxis",
         [](CPTLayer& layer) {
             auto& axis = dynamic_cast<CPTAxis&>(layer);
             EXPECT_EQ(axis.labelingOrigin(), Value(0.0));
             EXPECT_TRUE(std::isnan(axis.titleRotation()));
         }},
        {"a pie chart without end angle closes the circle", "CPTPieChart",
         [](CPTLayer& layer) { EXPECT_TRUE(std::isnan(dynamic_cast<CPTPieChart&>(layer).endAngle())); }},
        {"a legend without plots or entries has none", "CPTLegend",
         [](CPTLayer& layer) {
             auto& legend = dynamic_cast<CPTLegend&>(layer);
             EXPECT_TRUE(legend.allPlots().empty());
             EXPECT_TRUE(legend.legendEntries().empty());
         }},
        {"a graph without plots or plot spaces has none", "CPTXYGraph",
         [](CPTLayer& layer) {
             auto& graph = dynamic_cast<CPTGraph&>(layer);
             EXPECT_TRUE(graph.allPlots().empty());
             EXPECT_TRUE(graph.allPlotSpaces().empty());
             // The frame its constructor made stays: every graph has one.
             ASSERT_TRUE(graph.plotAreaFrame());
             EXPECT_EQ(graph.plotAreaFrame()->superlayer(), &graph);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string error;
        auto layer = CPTUnarchivedLayer(handMade(row.className, [](KeyedArchiver&) {}), &error);
        ASSERT_TRUE(layer) << error;
        row.check(*layer);
    }
}

TEST(ChartArchive, WrongValuesFailTheDecodeWithAClearError) {
    const std::vector<refusedArchives::Case> rows = {
        {"a bar width that is text", "CPTBarPlot", [](KeyedArchiver& c) { c.encodeString("wide", "CPTBarPlot.barWidth"); },
         "CPTBarPlot.barWidth"},
        {"an unknown interpolation", "CPTScatterPlot",
         [](KeyedArchiver& c) { c.encodeInteger(9, "CPTScatterPlot.interpolation"); }, "CPTScatterPlot.interpolation"},
        {"a tick length that is not finite", "CPTXYAxis",
         [](KeyedArchiver& c) { c.encodeDouble(INFINITY, "CPTAxis.majorTickLength"); }, "CPTAxis.majorTickLength"},
        {"a band fill of another kind", "CPTXYAxis",
         [](KeyedArchiver& c) {
             c.encodeObject("NSArray", "CPTAxis.alternatingBandFills", [](KeyedArchiver& list) {
                 list.encodeInteger(1, "NS.count");
                 list.encodeObject("CPTLineStyle", "NS.object.0", [](KeyedArchiver&) {});
             });
         },
         "Alternating band fills must be one or more of the following: CPTFill, CPTColor, CPTGradient, CPTImage, or "
         "[NSNull null]."},
        {"a plot where a plot area frame belongs", "CPTXYGraph",
         [](KeyedArchiver& c) { c.encodeObject("CPTBarPlot", "CPTGraph.plotAreaFrame", [](KeyedArchiver&) {}); },
         "CPTGraph.plotAreaFrame"},
        {"a list that counts more entries than it has", "CPTLegend",
         [](KeyedArchiver& c) {
             c.encodeObject("NSArray", "CPTLegend.plots", [](KeyedArchiver& list) { list.encodeInteger(3, "NS.count"); });
         },
         "CPTLegend.plots"},
        {"an unknown layer class", "CPTXYGraph",
         [](KeyedArchiver& c) { c.encodeObject("CPTHeatMap", "CPTGraph.legend", [](KeyedArchiver&) {}); }, "CPTHeatMap"},
        {"an unknown formatter class", "CPTXYAxis",
         [](KeyedArchiver& c) { c.encodeObject("NSByteCountFormatter", "CPTAxis.labelFormatter", [](KeyedArchiver&) {}); },
         "NSByteCountFormatter"},
        {"a number style that does not exist", "CPTXYAxis",
         [](KeyedArchiver& c) {
             c.encodeObject("NSNumberFormatter", "CPTAxis.labelFormatter",
                            [](KeyedArchiver& f) { f.encodeInteger(12, "NSNumberFormatter.style"); });
         },
         "NSNumberFormatter.style"},
        {"a legend of more rows than any legend lays out", "CPTLegend",
         [](KeyedArchiver& c) { c.encodeInteger(std::int64_t(1) << 40, "CPTLegend.numberOfRows"); },
         "CPTLegend.numberOfRows"},
        {"a plain layer where the stand-in's bordered layer belongs", "CPTBorderLayer",
         [](KeyedArchiver& c) { c.encodeObject("CPTLayer", "CPTBorderLayer.maskedLayer", [](KeyedArchiver&) {}); },
         "CPTBorderLayer.maskedLayer"},
        {"a label index range that is not a range", "CPTBarPlot",
         [](KeyedArchiver& c) { c.encodeValue(Value(Value::Array{Value(1.0)}), "CPTPlot.labelIndexRange"); },
         "CPTPlot.labelIndexRange"},
    };
    refusedArchives::expectRefused(rows, [](const std::vector<std::uint8_t>& data, std::string* error) {
        return CPTUnarchivedLayer(data, error);
    });
}

TEST(ChartArchive, FormattersKeepTheirSettings) {
    auto axis = std::make_shared<CPTXYAxis>();
    auto time = std::make_shared<CPTTimeFormatter>(std::make_shared<foundation::DateFormatter>(
        foundation::DateFormatter::fromTemplate("yMMMd", "en_US", "UTC")));
    time->setReferenceDate(1000.0);
    axis->setLabelFormatter(time);
    auto calendar = std::make_shared<CPTCalendarFormatter>(std::make_shared<foundation::DateFormatter>(
        foundation::DateFormatter::Style::Short, foundation::DateFormatter::Style::None, "en_US", "UTC"));
    calendar->setReferenceDate(0.0);
    calendar->setReferenceCalendar(foundation::Calendar("gregorian", "UTC"));
    calendar->setReferenceCalendarUnit(calendar->referenceCalendarUnit());
    axis->setMinorTickLabelFormatter(calendar);
    std::string error;
    auto decoded = std::dynamic_pointer_cast<CPTXYAxis>(roundTrip(*axis, &error));
    ASSERT_TRUE(decoded) << error;
    auto* decodedTime = dynamic_cast<CPTTimeFormatter*>(decoded->labelFormatter().get());
    ASSERT_NE(decodedTime, nullptr);
    EXPECT_EQ(decodedTime->referenceDate(), std::optional<double>(1000.0));
    EXPECT_EQ(decodedTime->dateFormatter()->pattern(), time->dateFormatter()->pattern());
    EXPECT_EQ(decodedTime->stringForObjectValue(Value(86400.0)), time->stringForObjectValue(Value(86400.0)));
    auto* decodedCalendar = dynamic_cast<CPTCalendarFormatter*>(decoded->minorTickLabelFormatter().get());
    ASSERT_NE(decodedCalendar, nullptr);
    ASSERT_TRUE(decodedCalendar->referenceCalendar());
    EXPECT_EQ(decodedCalendar->referenceCalendar()->identifier(), "gregorian");
    EXPECT_EQ(decodedCalendar->referenceCalendar()->timeZone(), "UTC");
    EXPECT_EQ(decodedCalendar->referenceCalendarUnit(), calendar->referenceCalendarUnit());
    EXPECT_EQ(decodedCalendar->stringForObjectValue(Value(3.0)), calendar->stringForObjectValue(Value(3.0)));
}

// ---- a whole chart

class BarsSource : public CPTBarPlotDataSource {
  public:
    std::uint64_t numberOfRecordsForPlot(CPTPlot&) override { return 3; }
    std::optional<Value> numberForPlot(CPTPlot&, std::uint64_t field, std::uint64_t i) override {
        if (field == CPTBarPlotFieldBarLocation)
            return Value(1.0 + double(i));
        return Value(2.0 + 1.5 * double(i));
    }
};

class PointsSource : public CPTScatterPlotDataSource {
  public:
    std::uint64_t numberOfRecordsForPlot(CPTPlot&) override { return 4; }
    std::optional<Value> numberForPlot(CPTPlot&, std::uint64_t field, std::uint64_t i) override {
        if (field == CPTScatterPlotFieldX)
            return Value(0.5 + double(i));
        return Value(10.0 + 5.0 * double(i % 2));
    }
};

class SlicesSource : public CPTPieChartDataSource {
  public:
    std::uint64_t numberOfRecordsForPlot(CPTPlot&) override { return 3; }
    std::optional<Value> numberForPlot(CPTPlot&, std::uint64_t, std::uint64_t i) override {
        return Value(1.0 + double(i));
    }
};

struct ScreenScale {
    explicit ScreenScale(double s) : old(gfx::largestScreenScale()) { gfx::setLargestScreenScale(s); }
    ~ScreenScale() { gfx::setLargestScreenScale(old); }
    double old;
};

struct WholeChart {
    std::shared_ptr<CPTGraph> graph;
    std::shared_ptr<CPTTextStyle> sharedStyle = text(12, CPTColor::blackColor());
    std::shared_ptr<BarsSource> bars = std::make_shared<BarsSource>();
    std::shared_ptr<PointsSource> points = std::make_shared<PointsSource>();
    std::shared_ptr<SlicesSource> slices = std::make_shared<SlicesSource>();

    WholeChart() {
        graph = CPTTheme::themeNamed("Slate")->newGraph();
        graph->setFrame(CGRect(0, 0, 480, 360));
        graph->setPaddingLeft(10);
        graph->setPaddingBottom(50);
        graph->setPaddingTop(10);
        graph->setPaddingRight(10);
        // Room inside the frame, which clips to its border, for the axes' labels and titles.
        graph->plotAreaFrame()->setPaddingLeft(55);
        graph->plotAreaFrame()->setPaddingBottom(45);
        graph->plotAreaFrame()->setPaddingRight(45);
        graph->plotAreaFrame()->setPaddingTop(30);
        graph->setTitle(std::string("Whole chart"));
        auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
        space->setXRange(CPTPlotRange::plotRangeWithLocation(0.0, 5.0));
        space->setYRange(CPTPlotRange::plotRangeWithLocation(0.0, 6.0));
        auto second = std::make_shared<CPTXYPlotSpace>();
        second->setXRange(CPTPlotRange::plotRangeWithLocation(0.0, 5.0));
        second->setYRange(CPTPlotRange::plotRangeWithLocation(0.0, 20.0));
        second->setIdentifier(Value("second"));
        graph->addPlotSpace(second);

        auto axes = std::dynamic_pointer_cast<CPTXYAxisSet>(graph->axisSet());
        auto x = axes->xAxis();
        x->setLabelingPolicy(CPTAxisLabelingPolicyNone);
        CPTAxis::AxisLabels labels;
        for (int i = 1; i <= 3; ++i) {
            auto label = std::make_shared<CPTAxisLabel>(std::optional<std::string>("Q" + std::to_string(i)), sharedStyle);
            label->setTickLocation(Value(double(i)));
            label->setOffset(x->labelOffset() + x->majorTickLength());
            labels.push_back(label);
        }
        x->setAxisLabels(labels);
        x->setMajorTickLocations({Value(1.0), Value(2.0), Value(3.0)});
        x->setTitle(std::string("Quarter"));
        auto y = axes->yAxis();
        y->setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
        y->setTitle(std::string("Count"));
        auto right = std::make_shared<CPTXYAxis>();
        right->setCoordinate(CPTCoordinateY);
        right->setPlotSpace(second);
        right->setLabelingPolicy(CPTAxisLabelingPolicyAutomatic);
        right->setAxisConstraints(CPTConstraints::constraintWithUpperOffset(0));
        right->setTickDirection(CPTSignPositive);
        right->setAxisLineStyle(line(1, CPTColor::blackColor()));
        right->setMajorTickLineStyle(line(1, CPTColor::blackColor()));
        right->setLabelTextStyle(sharedStyle);
        axes->setAxes({x, y, right});

        auto barPlot = std::make_shared<CPTBarPlot>();
        barPlot->setTitle(std::string("Bars"));
        barPlot->setFill(CPTFill::fillWithColor(CPTColor::colorWithComponentRed(0.85, 0.35, 0.1, 1)));
        barPlot->setBarWidth(Value(0.5));
        barPlot->setDataSource(bars);
        graph->addPlot(barPlot);
        auto scatter = std::make_shared<CPTScatterPlot>();
        scatter->setTitle(std::string("Points"));
        scatter->setDataLineStyle(line(2, CPTColor::blueColor()));
        auto symbol = CPTPlotSymbol::ellipsePlotSymbol();
        symbol->setSize(CGSize(7, 7));
        symbol->setFill(CPTFill::fillWithColor(CPTColor::blueColor()));
        scatter->setPlotSymbol(symbol);
        scatter->setDataSource(points);
        graph->addPlot(scatter, second);
        auto pie = std::make_shared<CPTPieChart>();
        pie->setTitle(std::string("Share"));
        pie->setPieRadius(30);
        pie->setCenterAnchor(CGPoint(0.85, 0.75));
        pie->setDataSource(slices);
        graph->addPlot(pie, second);

        auto legend = CPTLegend::legendWithGraph(*graph);
        legend->setTextStyle(sharedStyle);
        legend->setFill(CPTFill::fillWithColor(CPTColor::whiteColor()));
        legend->setNumberOfRows(1);
        graph->setLegend(legend);
        graph->setLegendAnchor(CPTRectAnchorBottom);

        auto note = std::make_shared<CPTPlotSpaceAnnotation>(space, std::vector<Value>{Value(3.0), Value(5.5)});
        note->setContentLayer(std::make_shared<CPTTextLayer>(std::string("peak"), sharedStyle));
        graph->plotAreaFrame()->plotArea()->addAnnotation(note);
        auto corner = std::make_shared<CPTLayerAnnotation>(graph->plotAreaFrame());
        corner->setRectAnchor(CPTRectAnchorTopLeft);
        corner->setContentAnchorPoint(CGPoint(0, 1));
        corner->setContentLayer(std::make_shared<CPTTextLayer>(std::string("note"), sharedStyle));
        graph->plotAreaFrame()->addAnnotation(corner);
    }

    // Data sources are not archived: a decoded chart gets them again.
    void giveSources(CPTGraph& decoded) const {
        for (const auto& plot : decoded.allPlots()) {
            if (dynamic_cast<CPTBarPlot*>(plot.get()))
                plot->setDataSource(bars);
            else if (dynamic_cast<CPTScatterPlot*>(plot.get()))
                plot->setDataSource(points);
            else
                plot->setDataSource(slices);
        }
    }
};

std::vector<std::string> recorded(CPTGraph& graph) {
    auto rc = gfx::makeRecordingContext(CGRect(0, 0, 480, 360), 2);
    graph.layoutAndRenderInContext(*rc.context);
    return rc.recorder->lines();
}

void collectLayers(layers::Layer& layer, std::vector<CPTLayer*>& out) {
    if (auto* own = CPTLayer::fromLayer(&layer))
        out.push_back(own);
    for (const auto& sub : layer.sublayers())
        collectLayers(*sub, out);
}

TEST(ChartArchive, AWholeChartDecodesIntoTheSamePicture) {
    ScreenScale scale(2);
    WholeChart chart;
    const auto data = CPTArchivedLayer(*chart.graph);
    std::string error;
    auto decoded = std::dynamic_pointer_cast<CPTGraph>(CPTUnarchivedLayer(data, &error));
    ASSERT_TRUE(decoded) << error;
    chart.giveSources(*decoded);

    // The same drawing calls, and pixel for pixel the same picture.
    EXPECT_EQ(recorded(*decoded), recorded(*chart.graph));
    const gfx::Image original = chart.graph->imageOfLayer();
    const gfx::Image copy = decoded->imageOfLayer();
    ASSERT_EQ(copy.pixelWidth(), original.pixelWidth());
    ASSERT_EQ(copy.pixelHeight(), original.pixelHeight());
    int differing = 0;
    for (int y = 0; y < original.pixelHeight(); ++y)
        for (int x = 0; x < original.pixelWidth(); ++x)
            differing += original.pixel(x, y) == copy.pixel(x, y) ? 0 : 1;
    EXPECT_EQ(differing, 0);
    original.writePNG((plotGallery::folder() / "chart_archive_original.png").string());
    copy.writePNG((plotGallery::folder() / "chart_archive_decoded.png").string());

    // The same layer tree, and every layer linked to the graph in the original is linked to the
    // decoded graph.
    std::vector<CPTLayer*> originalLayers, decodedLayers;
    collectLayers(*chart.graph, originalLayers);
    collectLayers(*decoded, decodedLayers);
    ASSERT_EQ(decodedLayers.size(), originalLayers.size());
    int linked = 0;
    for (std::size_t i = 0; i < originalLayers.size(); ++i) {
        EXPECT_STREQ(decodedLayers[i]->className(), originalLayers[i]->className());
        const bool toGraph = originalLayers[i]->graph() == chart.graph.get();
        EXPECT_EQ(decodedLayers[i]->graph(), toGraph ? decoded.get() : nullptr) << originalLayers[i]->className();
        linked += toGraph ? 1 : 0;
    }
    EXPECT_GE(linked, 10);
    // Objects held in several places are one object again: the plot of the graph and of the legend,
    // the text style of the legend's entries.
    ASSERT_TRUE(decoded->legend());
    ASSERT_EQ(decoded->legend()->allPlots().size(), 3U);
    EXPECT_EQ(decoded->legend()->allPlots()[1], decoded->allPlots()[1]);
    ASSERT_FALSE(decoded->legend()->legendEntries().empty());
    EXPECT_EQ(decoded->legend()->legendEntries()[0]->plot(), decoded->allPlots()[0]);
    EXPECT_EQ(decoded->legend()->legendEntries()[0]->textStyle(), decoded->legend()->legendEntries()[1]->textStyle());
    EXPECT_EQ(decoded->allPlots()[1]->plotSpace(), decoded->plotSpaceAtIndex(1));
    EXPECT_EQ(decoded->plotSpaceAtIndex(1)->graph(), decoded.get());

    // The plot spaces are observed again: a new range relabels the axes on it.
    auto axes = std::dynamic_pointer_cast<CPTXYAxisSet>(decoded->axisSet());
    ASSERT_TRUE(axes);
    ASSERT_EQ(axes->axes().size(), 3U);
    auto right = axes->axes()[2];
    decoded->layoutAndRenderInContext(*gfx::makeRecordingContext(CGRect(0, 0, 480, 360), 1).context);
    EXPECT_FALSE(right->needsRelabel());
    std::dynamic_pointer_cast<CPTXYPlotSpace>(decoded->plotSpaceAtIndex(1))
        ->setYRange(CPTPlotRange::plotRangeWithLocation(0.0, 40.0));
    EXPECT_TRUE(right->needsRelabel());
}

TEST(ChartArchive, AWholeChartDecodesIntoTheSamePDFPage) {
    ScreenScale scale(2);
    WholeChart chart;
    std::string error;
    auto decoded = std::dynamic_pointer_cast<CPTGraph>(CPTUnarchivedLayer(CPTArchivedLayer(*chart.graph), &error));
    ASSERT_TRUE(decoded) << error;
    chart.giveSources(*decoded);
    std::string texts[2];
    int page = 0;
    for (CPTGraph* graph : {chart.graph.get(), decoded.get()}) {
        SCOPED_TRACE(page == 0 ? "original" : "decoded");
        const std::string pdf = renderChecks::scratchPath(std::string("chart_archive_") + std::to_string(page) + ".pdf");
        const auto bytes = graph->dataForPDFRepresentationOfLayer();
        std::ofstream(pdf, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        ASSERT_EQ(renderChecks::pdfInfo(pdf).pages, 1);
        EXPECT_TRUE(renderChecks::pdfImages(pdf).empty());
        texts[page] = renderChecks::pdfText(pdf);
        for (const char* label : {"Whole chart", "Quarter", "Count", "Q1", "Q3", "20.0", "peak", "note", "Points"}) {
            EXPECT_NE(texts[page].find(label), std::string::npos) << label << " in " << texts[page];
        }
        ++page;
    }
    EXPECT_EQ(texts[1], texts[0]);
}

TEST(ChartArchive, AHostingViewKeepsItsGraphAndFlags) {
    CPTRegisterChartArchiveClasses();
    WholeChart chart;
    auto view = std::make_shared<CPTGraphHostingView>(ui::Rect{10, 20, 480, 360});
    view->setHostedGraph(chart.graph);
    view->setCollapsesLayers(true);
    view->setAllowPinchScaling(false);
    const auto data = CPTGraphHostingView::archivedView(*view);
    EXPECT_TRUE(rootHasKey(data, "CPTGraphHostingView.collapsesLayers"));
    EXPECT_TRUE(rootHasKey(data, "CPTGraphHostingView.hostedGraph"));
    EXPECT_TRUE(rootHasKey(data, "CPTGraphHostingView.allowPinchScaling"));
    std::string error;
    auto decoded = CPTGraphHostingView::unarchivedView(data, &error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->frame(), view->frame());
    EXPECT_TRUE(decoded->collapsesLayers());
    EXPECT_FALSE(decoded->allowPinchScaling());
    EXPECT_EQ(decoded->pinchGestureRecognizer(), nullptr);
    ASSERT_TRUE(decoded->hostedGraph());
    EXPECT_EQ(decoded->hostedGraph()->hostingView(), decoded.get());
    EXPECT_EQ(decoded->hostedGraph()->allPlots().size(), 3U);

    // Without the pinch key the view keeps what its constructor gave it.
    KeyedArchiver plain("CPTGraphHostingView");
    encodeCPTRect(plain, CGRect(0, 0, 100, 80), "UIView.frame");
    auto bare = CPTGraphHostingView::unarchivedView(plain.encodedData(), &error);
    ASSERT_TRUE(bare) << error;
    EXPECT_TRUE(bare->allowPinchScaling());
    EXPECT_FALSE(bare->hostedGraph());
}

using archivebytes::put32;
using archivebytes::putString;

// A chain of `length` plain layers, each holding the next as its one sublayer by reference.
std::vector<std::uint8_t> sublayerChain(std::uint32_t length) {
    return archivebytes::chain(length, "CPTLayer", 1, [](std::vector<std::uint8_t>& out, std::uint32_t next) {
        putString(out, "Layer.sublayers");
        out.push_back(9); // an inline list
        putString(out, "NSArray");
        put32(out, 2);
        putString(out, "NS.count");
        out.push_back(3);
        for (int b = 0; b < 8; ++b)
            out.push_back(b == 0 ? 1 : 0);
        putString(out, "NS.object.0");
        out.push_back(11);
        put32(out, next);
    });
}

int chainDepth(const CPTLayer& layer) {
    int depth = 1;
    const layers::Layer* at = &layer;
    while (!at->sublayers().empty()) {
        at = at->sublayers().front().get();
        ++depth;
    }
    return depth;
}

TEST(ChartArchive, ChainsOfLayersDecodeUpToTheReferenceLimit) {
    std::string error;
    // Exactly at the limit: the root and the objects it holds one inside another. Sanitizer builds run
    // this too, so the limit is known to fit the stack.
    auto deepest = CPTUnarchivedLayer(sublayerChain(KeyedUnarchiver::kMaxObjectDepth), &error);
    ASSERT_TRUE(deepest) << error;
    EXPECT_EQ(chainDepth(*deepest), KeyedUnarchiver::kMaxObjectDepth);
    EXPECT_EQ(CPTUnarchivedLayer(sublayerChain(KeyedUnarchiver::kMaxObjectDepth + 1), &error), nullptr);
    EXPECT_NE(error.find("deeper than"), std::string::npos) << error;
    EXPECT_EQ(CPTUnarchivedLayer(sublayerChain(100000), &error), nullptr);
    EXPECT_NE(error.find("deeper than"), std::string::npos) << error;
}

// The archives of whole charts, sound and damaged, seed the chart archive fuzz target:
// OVRIDA_UPDATE_GOLDENS=1 writes them to fuzz/corpus/chart_archive/.
TEST(ChartArchive, WholeChartSeeds) {
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> seeds;
    const auto whole = CPTArchivedLayer(*WholeChart().graph);
    seeds.emplace_back("whole-chart", whole);
    auto cut = whole;
    cut.resize(cut.size() * 2 / 3);
    seeds.emplace_back("whole-chart-truncated", cut);
    auto flipped = whole;
    std::uint8_t* tag = archivebytes::entryTag(flipped, "CPTBarPlot.barWidth");
    ASSERT_NE(tag, nullptr);
    *tag = 7; // the width's entry becomes a string
    seeds.emplace_back("whole-chart-wrongly-typed-width", flipped);
    for (const CPTThemeClass& theme : CPTTheme::themeClasses()) {
        std::string name = "themed-graph-" + theme.name;
        std::replace(name.begin(), name.end(), ' ', '-');
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        seeds.emplace_back(name, CPTArchivedLayer(*CPTTheme::themeNamed(theme.name)->newGraph()));
    }
    seeds.emplace_back("sublayer-chain-at-limit", sublayerChain(KeyedUnarchiver::kMaxObjectDepth));
    for (const auto& [name, data] : seeds) {
        SCOPED_TRACE(name);
        std::string error;
        const bool sound = name.rfind("whole-chart", 0) == 0 ? name == "whole-chart" : name.rfind("themed", 0) == 0;
        if (name != "sublayer-chain-at-limit") {
            EXPECT_EQ(CPTUnarchivedLayer(data, &error) != nullptr, sound) << error;
        }
        if (renderChecks::updatingGoldens())
            archivebytes::writeChartArchiveSeed(name, data);
    }
}

} // namespace

namespace {

// A plain layer holding a bordered layer that clips to its border: the border layer stands in the
// tree in its place, with the bordered layer inside it.
TEST(ChartArchive, ALayerClippedToItsBorderKeepsItsStandInThroughAnArchive) {
    auto root = std::make_shared<CPTLayer>(CGRect(0, 0, 200, 100));
    auto framed = std::make_shared<CPTBorderedLayer>(CGRect(10, 10, 80, 40));
    framed->setCornerRadius(6);
    framed->setBorderLineStyle(line(2, CPTColor::redColor()));
    root->addSublayer(framed);
    framed->setMasksToBorder(true);
    ASSERT_NE(framed->borderLayer(), framed.get());

    std::string error;
    auto decoded = roundTrip(*root, &error);
    ASSERT_TRUE(decoded) << error;
    ASSERT_EQ(decoded->sublayers().size(), 1u);
    auto* standIn = dynamic_cast<CPTBorderLayer*>(decoded->sublayers().front().get());
    ASSERT_NE(standIn, nullptr);
    ASSERT_TRUE(standIn->maskedLayer());
    const CPTBorderedLayer& inside = *standIn->maskedLayer();
    EXPECT_TRUE(inside.masksToBorder());
    EXPECT_EQ(inside.superlayer(), standIn);
    EXPECT_EQ(const_cast<CPTBorderedLayer&>(inside).borderLayer(), standIn);
    EXPECT_DOUBLE_EQ(inside.cornerRadius(), 6);
    ASSERT_TRUE(inside.borderLineStyle());
    EXPECT_DOUBLE_EQ(inside.borderLineStyle()->lineWidth(), 2);
    EXPECT_EQ(standIn->frame().size.width, framed->borderLayer()->frame().size.width);
}

} // namespace
