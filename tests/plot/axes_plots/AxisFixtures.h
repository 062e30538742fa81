// An XY graph whose plot area fills it (no paddings), with its x and y axes, and helpers that read
// tick sets and label layers as texts.
#pragma once

#include "platform/foundation/Locale.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/graph/CPTAxisLabelGroup.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTTextLayer.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace axistest {

inline std::shared_ptr<CPTPlotRange> range(double location, double length) {
    return CPTPlotRange::plotRangeWithLocation(foundation::Value(location), foundation::Value(length));
}

// en_US and UTC, as every axis test reads its texts.
inline void pinLocale() {
    setenv("TZ", "UTC", 1);
    foundation::reloadLocalTimeZone();
    foundation::setCurrentLocale("en_US");
}

struct Chart {
    std::shared_ptr<CPTXYGraph> graph;
    std::shared_ptr<CPTXYPlotSpace> space;
    std::shared_ptr<CPTXYAxisSet> axisSet;
    std::shared_ptr<CPTXYAxis> x, y;
    CPTPlotArea& plotArea() const { return *graph->plotAreaFrame()->plotArea(); }
};

// A width x height graph whose plot area is all of it, over the given ranges.
inline Chart chart(double width, double height, std::shared_ptr<CPTPlotRange> xRange,
                   std::shared_ptr<CPTPlotRange> yRange, CPTScaleType xScale = CPTScaleTypeLinear,
                   CPTScaleType yScale = CPTScaleTypeLinear) {
    pinLocale();
    Chart c;
    c.graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, width, height), xScale, yScale);
    for (CPTLayer* layer : {static_cast<CPTLayer*>(c.graph.get()), static_cast<CPTLayer*>(c.graph->plotAreaFrame().get())}) {
        layer->setPaddingLeft(0);
        layer->setPaddingTop(0);
        layer->setPaddingRight(0);
        layer->setPaddingBottom(0);
    }
    c.space = std::dynamic_pointer_cast<CPTXYPlotSpace>(c.graph->defaultPlotSpace());
    c.space->setXRange(xRange);
    c.space->setYRange(yRange);
    c.axisSet = std::dynamic_pointer_cast<CPTXYAxisSet>(c.graph->axisSet());
    c.x = c.axisSet->xAxis();
    c.y = c.axisSet->yAxis();
    c.graph->layoutIfNeeded();
    return c;
}

// A number as a short text: decimals by their digits, doubles by "%g".
inline std::string text(const foundation::Value& v) {
    if (v.kind() == foundation::Value::Kind::Decimal)
        return v.toDecimal().toString();
    return CPTFormatGeneral(v.toDouble());
}

// The locations in ascending order, as texts.
inline std::vector<std::string> texts(std::vector<foundation::Value> locations) {
    std::sort(locations.begin(), locations.end(),
              [](const auto& a, const auto& b) { return a.toDouble() < b.toDouble(); });
    std::vector<std::string> out;
    for (const auto& v : locations)
        out.push_back(text(v));
    return out;
}

// The texts of the label layers in ascending tick order (a label without a layer reads "-", a layer
// without text "").
inline std::vector<std::string> labelTexts(CPTAxis::AxisLabels labels) {
    std::sort(labels.begin(), labels.end(), [](const auto& a, const auto& b) {
        return a->tickLocation().toDouble() < b->tickLocation().toDouble();
    });
    std::vector<std::string> out;
    for (const auto& label : labels) {
        auto* layer = dynamic_cast<CPTTextLayer*>(label->contentLayer().get());
        out.push_back(layer ? layer->text().value_or("") : "-");
    }
    return out;
}

inline std::shared_ptr<CPTAxisLabel> labelAt(const CPTAxis::AxisLabels& labels, double location) {
    for (const auto& label : labels)
        if (label->tickLocation().toDouble() == location)
            return label;
    return nullptr;
}

inline void relabelNow(CPTAxis& axis) {
    axis.setNeedsRelabel();
    axis.relabel();
}

} // namespace axistest
