// The graph's dispatch of pointing-device events through plots, the axis set and its axes, the plot
// area and its delegate, the plot spaces and the annotations, over responders that log what they see.
#include "GraphFixtures.h"

#include <gtest/gtest.h>

namespace {

CPTEvent at(double timestamp) {
    CPTEvent event;
    event.timestamp = timestamp;
    return event;
}

// A responder's answer to each of the four events, and a log line per event seen.
struct Answers {
    bool down = false, up = false, dragged = false, cancelled = false;
};

class LoggingPlot : public RecordingPlot {
  public:
    LoggingPlot(std::shared_ptr<CallLog> log, std::string name, Answers answers)
        : RecordingPlot(log, name), log_(std::move(log)), name_(std::move(name)), answers_(answers) {}
    bool pointingDeviceDownEvent(const CPTEvent& e, CGPoint p) override {
        seen("down");
        return CPTPlot::pointingDeviceDownEvent(e, p) || (attached() && answers_.down);
    }
    bool pointingDeviceUpEvent(const CPTEvent& e, CGPoint p) override {
        seen("up");
        return CPTPlot::pointingDeviceUpEvent(e, p) || (attached() && answers_.up);
    }
    bool pointingDeviceDraggedEvent(const CPTEvent& e, CGPoint p) override {
        seen("dragged");
        return CPTPlot::pointingDeviceDraggedEvent(e, p) || (attached() && answers_.dragged);
    }
    bool pointingDeviceCancelledEvent(const CPTEvent& e) override {
        seen("cancelled");
        return CPTPlot::pointingDeviceCancelledEvent(e) || (attached() && answers_.cancelled);
    }

  private:
    // What a shown plot on a graph answers; the plot's own rules come first.
    bool attached() const { return graph() && !isHidden(); }
    void seen(const std::string& what) { log_->push_back(name_ + " " + what); }
    std::shared_ptr<CallLog> log_;
    std::string name_;
    Answers answers_;
};

class LoggingSpace : public CPTXYPlotSpace {
  public:
    LoggingSpace(std::shared_ptr<CallLog> log, std::string name, Answers answers)
        : log_(std::move(log)), name_(std::move(name)), answers_(answers) {}
    bool pointingDeviceDownEvent(const CPTEvent&, CGPoint) override { return seen("down", answers_.down); }
    bool pointingDeviceUpEvent(const CPTEvent&, CGPoint) override { return seen("up", answers_.up); }
    bool pointingDeviceDraggedEvent(const CPTEvent&, CGPoint) override { return seen("dragged", answers_.dragged); }
    bool pointingDeviceCancelledEvent(const CPTEvent&) override { return seen("cancelled", answers_.cancelled); }

  private:
    bool seen(const std::string& what, bool answer) {
        log_->push_back(name_ + " " + what);
        return answer;
    }
    std::shared_ptr<CallLog> log_;
    std::string name_;
    Answers answers_;
};

class LoggingAxis : public CPTAxis {
  public:
    LoggingAxis(std::shared_ptr<CallLog> log, std::string name, Answers answers)
        : log_(std::move(log)), name_(std::move(name)), answers_(answers) {}
    bool pointingDeviceDownEvent(const CPTEvent& e, CGPoint p) override {
        log_->push_back(name_ + " down");
        return CPTAxis::pointingDeviceDownEvent(e, p) || answers_.down;
    }
    bool pointingDeviceUpEvent(const CPTEvent& e, CGPoint p) override {
        log_->push_back(name_ + " up");
        return CPTAxis::pointingDeviceUpEvent(e, p) || answers_.up;
    }

  private:
    std::shared_ptr<CallLog> log_;
    std::string name_;
    Answers answers_;
};

struct PlotAreaLog : CPTPlotAreaDelegate {
    std::shared_ptr<CallLog> log;
    explicit PlotAreaLog(std::shared_ptr<CallLog> log) : log(std::move(log)) {}
    void plotAreaTouchDown(CPTPlotArea&) override { log->push_back("area down"); }
    void plotAreaTouchDownWithEvent(CPTPlotArea&, const CPTEvent&) override { log->push_back("area down+event"); }
    void plotAreaTouchUp(CPTPlotArea&) override { log->push_back("area up"); }
    void plotAreaTouchUpWithEvent(CPTPlotArea&, const CPTEvent&) override { log->push_back("area up+event"); }
    void plotAreaWasSelected(CPTPlotArea&) override { log->push_back("area selected"); }
    void plotAreaWasSelectedWithEvent(CPTPlotArea&, const CPTEvent&) override {
        log->push_back("area selected+event");
    }
};

// A 100 x 100 graph whose plot area fills it; two plots, two axes, the default space and a second.
struct Dispatch {
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    std::shared_ptr<TestGraph> graph = graphWithPlotArea(100, 100);
    std::shared_ptr<PlotAreaLog> areaDelegate = std::make_shared<PlotAreaLog>(log);
    explicit Dispatch(Answers lower = {}, Answers upper = {}, Answers firstAxis = {}, Answers space = {}) {
        graph->removePlotSpace(graph->defaultPlotSpace());
        graph->addPlotSpace(std::make_shared<LoggingSpace>(log, "space1", space));
        graph->addPlotSpace(std::make_shared<LoggingSpace>(log, "space2", Answers{}));
        graph->addPlot(std::make_shared<LoggingPlot>(log, "lower", lower));
        graph->addPlot(std::make_shared<LoggingPlot>(log, "upper", upper));
        auto axisSet = std::make_shared<CPTAxisSet>();
        axisSet->setAxes({std::make_shared<LoggingAxis>(log, "axis1", firstAxis),
                          std::make_shared<LoggingAxis>(log, "axis2", Answers{})});
        graph->setAxisSet(axisSet);
        graph->plotArea().setDelegate(areaDelegate);
        graph->layoutIfNeeded();
        log->clear();
    }
    // The lines of the log that name one of the given responders.
    CallLog seen() const {
        CallLog lines;
        for (const auto& line : *log) {
            if (line.find(" reload") == std::string::npos && line.find(" layout") == std::string::npos &&
                line.find(" render") == std::string::npos)
                lines.push_back(line);
        }
        return lines;
    }
};

} // namespace

TEST(CPTGraphEvents, TheOrderOfThePartsAndWhoEndsIt) {
    struct Case {
        const char* name;
        Answers lower, upper, firstAxis, space;
        bool handled;
        CallLog expected;
    };
    const Case cases[] = {
        {"nobody takes a press", {}, {}, {}, {}, false,
         {"upper down", "lower down", "axis1 down", "axis2 down", "area down", "area down+event", "space1 down",
          "space2 down"}},
        {"the topmost plot hides it from the rest", {}, {true}, {}, {}, true, {"upper down"}},
        {"the lower plot", {true}, {}, {}, {}, true, {"upper down", "lower down"}},
        {"the first axis ends the search", {}, {}, {true}, {}, true, {"upper down", "lower down", "axis1 down"}},
        {"every space hears it even after one took it", {}, {}, {}, {true}, true,
         {"upper down", "lower down", "axis1 down", "axis2 down", "area down", "area down+event", "space1 down",
          "space2 down"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Dispatch d(c.lower, c.upper, c.firstAxis, c.space);
        EXPECT_EQ(d.graph->pointingDeviceDownEvent(at(0), {50, 50}), c.handled);
        EXPECT_EQ(d.seen(), c.expected);
    }
}

TEST(CPTGraphEvents, DragsAndCancelsSkipTheAxesAndTheArea) {
    Dispatch d;
    EXPECT_FALSE(d.graph->pointingDeviceDraggedEvent(at(0), {50, 50}));
    EXPECT_FALSE(d.graph->pointingDeviceCancelledEvent(at(0)));
    EXPECT_EQ(d.seen(), (CallLog{"upper dragged", "lower dragged", "space1 dragged", "space2 dragged",
                                 "upper cancelled", "lower cancelled", "space1 cancelled", "space2 cancelled"}));
}

TEST(CPTGraphEvents, ADraggingSpaceGetsTheReleaseEvenWhenAPlotTookIt) {
    Dispatch d({}, {false, true});
    auto spaces = d.graph->allPlotSpaces();
    spaces[1]->setIsDragging(true);
    EXPECT_TRUE(d.graph->pointingDeviceUpEvent(at(0), {50, 50}));
    EXPECT_EQ(d.seen(), (CallLog{"upper up", "space2 up"}));
}

TEST(CPTGraphEvents, APlotAreaReleaseWithinFivePointsSelectsIt) {
    struct Case {
        CGPoint release;
        CallLog expected;
    };
    const Case cases[] = {
        {{53, 54}, {"area up", "area up+event", "area selected", "area selected+event"}},
        {{56, 50}, {}},
        {{50, 56}, {}},
        {{150, 50}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.release.x << "," << c.release.y);
        Dispatch d;
        d.graph->pointingDeviceDownEvent(at(0), {50, 50});
        EXPECT_EQ(d.graph->plotArea().touchedPoint(), (CGPoint{50, 50}));
        d.log->clear();
        d.graph->pointingDeviceUpEvent(at(0.1), c.release);
        CallLog area;
        for (const auto& line : d.seen()) {
            if (line.rfind("area", 0) == 0)
                area.push_back(line);
        }
        EXPECT_EQ(area, c.expected);
        EXPECT_TRUE(std::isnan(d.graph->plotArea().touchedPoint().x));
    }
}

TEST(CPTGraphEvents, HiddenOrDetachedPartsTakeNothing) {
    Dispatch d({}, {true, true, true, true});
    d.graph->allPlots()[1]->setHidden(true);
    EXPECT_FALSE(d.graph->allPlots()[1]->pointingDeviceDownEvent(at(0), {50, 50}));
    d.graph->plotArea().setHidden(true);
    d.log->clear();
    EXPECT_FALSE(d.graph->pointingDeviceDownEvent(at(0), {50, 50}));
    EXPECT_EQ(d.seen(), (CallLog{"upper down", "lower down", "axis1 down", "axis2 down", "space1 down", "space2 down"}));
    LoggingPlot alone(d.log, "alone", {true, true, true, true});
    EXPECT_FALSE(alone.pointingDeviceDownEvent(at(0), {50, 50}));
}

TEST(CPTGraphEvents, ADelegateWithNoOperationsLetsTheEventPass) {
    Dispatch d;
    auto silent = std::make_shared<CPTPlotAreaDelegate>();
    d.graph->plotArea().setDelegate(silent);
    EXPECT_FALSE(d.graph->pointingDeviceDownEvent(at(0), {50, 50}));
    EXPECT_FALSE(d.graph->pointingDeviceUpEvent(at(0.1), {50, 50}));
    const CallLog seen = d.seen();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "space2 down"), 1);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "space2 up"), 1);
}
