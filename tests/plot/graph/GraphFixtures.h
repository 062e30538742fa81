// Test doubles for the graph's seams: a graph with an XY plot space, plots and axes that record what
// reaches them, and a listener that keeps the notifications of one name.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Recorder.h"
#include "plot/foundation/CPTException.h"
#include "plot/graph/CPTAxis.h"
#include "plot/graph/CPTAxisSet.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTGuards.h"
#include "plot/graph/CPTPlot.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A graph whose default plot space is an XY plot space with linear scales.
class TestGraph : public CPTGraph {
  public:
    TestGraph(ConstructionKey key, const CGRect& frame) : CPTGraph(key, frame) {}
    static std::shared_ptr<TestGraph> create(const CGRect& frame) { return make<TestGraph>(frame); }
    std::shared_ptr<CPTXYPlotSpace> xySpace() const {
        return std::dynamic_pointer_cast<CPTXYPlotSpace>(defaultPlotSpace());
    }
    CPTPlotArea& plotArea() const { return *plotAreaFrame()->plotArea(); }

  protected:
    std::shared_ptr<CPTPlotSpace> newPlotSpace() override { return std::make_shared<CPTXYPlotSpace>(); }
};

// A graph whose plot area is exactly `width` x `height` once laid out (paddings 0, no border).
inline std::shared_ptr<TestGraph> graphWithPlotArea(double width, double height) {
    auto graph = TestGraph::create(CGRect(0, 0, width, height));
    graph->setPaddingLeft(0);
    graph->setPaddingTop(0);
    graph->setPaddingRight(0);
    graph->setPaddingBottom(0);
    graph->layoutIfNeeded();
    return graph;
}

// A shared log of calls, in order.
using CallLog = std::vector<std::string>;

// Records reloads and draws; answers the ranges it is given; fills a small square at each data
// point mapped through its plot space; can be told to throw while drawing.
class RecordingPlot : public CPTPlot {
  public:
    explicit RecordingPlot(std::shared_ptr<CallLog> log = std::make_shared<CallLog>(),
                           std::string name = "plot")
        : log_(std::move(log)), name_(std::move(name)) {}
    const char* className() const override { return "RecordingPlot"; }

    void reloadData() override {
        log_->push_back(name_ + " reload");
        if (onReload)
            onReload(*this);
    }
    void reloadDataIfNeeded() override { log_->push_back(name_ + " reloadIfNeeded"); }
    void layoutSublayers() override {
        log_->push_back(name_ + " layout");
        CPTPlot::layoutSublayers();
    }
    std::shared_ptr<CPTPlotRange> plotRangeForCoordinate(CPTCoordinate c) override {
        return c == CPTCoordinateX ? xRange : yRange;
    }
    void renderAsVectorInContext(gfx::Context& ctx) override {
        CPTPlot::renderAsVectorInContext(ctx);
        log_->push_back(name_ + " render");
        if (throwWhileDrawing) {
            CPTGStateGuard state(ctx);
            ctx.translateCTM(1000, 1000);
            throw CPTException(CPTExceptionName, "Drawing went wrong");
        }
        auto space = plotSpace();
        if (!space)
            return;
        for (const auto& p : points) {
            double pt[2] = {p.x, p.y};
            CGPoint v = space->plotAreaViewPointForDoublePrecisionPlotPoint(pt);
            ctx.setFillColor(color);
            ctx.fillRect(CGRect(v.x - squareSize / 2, v.y - squareSize / 2, squareSize, squareSize));
        }
    }

    std::shared_ptr<CPTPlotRange> xRange;
    std::shared_ptr<CPTPlotRange> yRange;
    std::vector<CGPoint> points;
    gfx::Color color{1, 0, 0, 1};
    double squareSize = 10;
    bool throwWhileDrawing = false;
    std::function<void(RecordingPlot&)> onReload;

  private:
    std::shared_ptr<CallLog> log_;
    std::string name_;
};

// Records the graph's and plot area's calls.
class RecordingAxis : public CPTAxis {
  public:
    explicit RecordingAxis(std::shared_ptr<CallLog> log = std::make_shared<CallLog>(),
                           std::string name = "axis")
        : log_(std::move(log)), name_(std::move(name)) {}
    const char* className() const override { return "RecordingAxis"; }
    void relabel() override {
        log_->push_back(name_ + " relabel");
        CPTAxis::relabel();
    }
    void setNeedsRelabel(bool value) override {
        if (value)
            log_->push_back(name_ + " needsRelabel");
        CPTAxis::setNeedsRelabel(value);
    }
    void updateAxisTitle() override { log_->push_back(name_ + " updateTitle"); }
    void drawGridLinesInContext(gfx::Context&, bool major) override {
        log_->push_back(name_ + (major ? " major grid" : " minor grid"));
    }
    void drawBackgroundBandsInContext(gfx::Context&) override { log_->push_back(name_ + " bands"); }
    void drawBackgroundLimitsInContext(gfx::Context&) override { log_->push_back(name_ + " limits"); }

  private:
    std::shared_ptr<CallLog> log_;
    std::string name_;
};

// Keeps every notification of one name (from one sender, or from all).
class NotificationListener {
  public:
    explicit NotificationListener(const std::string& name, const void* sender = nullptr)
        : token_(foundation::NotificationCenter::defaultCenter().observe(
              name, sender, [this](const foundation::Notification& n) { received.push_back(n); })) {}
    std::size_t count() const { return received.size(); }
    std::vector<foundation::Notification> received;

  private:
    foundation::ObserverToken token_;
};

inline std::shared_ptr<CPTPlotRange> rangeOf(double location, double length) {
    return CPTPlotRange::plotRangeWithLocation(foundation::Value(location), foundation::Value(length));
}
