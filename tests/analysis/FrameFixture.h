// A result screen made for the frame's tests: its computation reads the left column's numbers and waits
// at a gate the test opens run by run; it shows a count, a line of values and a chart of dots, writes
// its CSV and has a page-layout variant with one smaller metric. Every call the frame makes is noted.
#pragma once

#include "analysis/AnalysisDetailViewController.h"
#include "analysis/ChartRanges.h"
#include "app/TextFormat.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTPlot.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "platform/foundation/Tr.h"
#include "platform/host/Services.h"
#include "plot/hosting/CPTGraphHostingView.h"
#include "tests/app/PrivateFolderFixture.h"

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <numeric>
#include <set>

namespace frameTest {

inline const gfx::Color kDotColor{0.85, 0.10, 0.10, 1};

struct TestResult {
    int ticket = -1; // which run computed it, from 0
    std::vector<double> values;
};

// What the test sees of its screens and their runs. Gate and counters are shared with the workers.
struct Probe {
    std::mutex mutex;
    std::condition_variable changed;
    int started = 0;
    std::set<int> released;
    bool releaseAll = true;
    std::atomic<int> computed{0};

    // Main thread only.
    std::vector<std::string> calls;
    bool failWriter = false;
    std::optional<std::vector<std::string>> terms;

    void hold() {
        std::lock_guard lock(mutex);
        releaseAll = false;
    }
    void release(int ticket) {
        std::lock_guard lock(mutex);
        released.insert(ticket);
        changed.notify_all();
    }
    void releaseEverything() {
        std::lock_guard lock(mutex);
        releaseAll = true;
        changed.notify_all();
    }
    int startedRuns() {
        std::lock_guard lock(mutex);
        return started;
    }
    void clearCalls() { calls.clear(); }
};

// Dots at (record index, value), mapped through the plot space.
class DotsPlot : public CPTPlot {
  public:
    std::vector<double> values;
    const char* className() const override { return "DotsPlot"; }
    void renderAsVectorInContext(gfx::Context& ctx) override {
        CPTPlot::renderAsVectorInContext(ctx);
        if (!plotSpace())
            return;
        ctx.setFillColor(kDotColor);
        for (size_t i = 0; i < values.size(); ++i) {
            double point[2] = {double(i), values[i]};
            CGPoint v = plotSpace()->plotAreaViewPointForDoublePrecisionPlotPoint(point);
            ctx.fillEllipseInRect(CGRect(v.x - 4, v.y - 4, 8, 8));
        }
    }
};

class TestScreen : public AnalysisDetailScreen<TestResult> {
  public:
    explicit TestScreen(std::shared_ptr<Probe> probe) : probe_(std::move(probe)) {}

    ui::Label& labelMessage() { return *labelMessage_; }
    ui::Label& labelResult() { return *labelResult_; }
    CPTGraphHostingView& graphHost() { return *graphHost_; }
    DotsPlot& plot() { return *plot_; }
    CPTXYPlotSpace& plotSpace() {
        return *std::dynamic_pointer_cast<CPTXYPlotSpace>(graph_->defaultPlotSpace());
    }

    void loadView() override {
        AnalysisDetailViewController::loadView();
        auto& root = view();
        const double w = root.bounds().width(), top = contentTop();
        auto button = [&](const char* id, int tag, double x) {
            auto b = std::make_shared<ui::Button>(ui::Rect{x, top, 110, 32});
            b->setIdentifier(id);
            b->setTag(tag);
            b->addTarget(ui::TouchUpInside, [this](ui::Control& sender) { chooseVariable(sender); });
            root.addSubview(b);
            return b;
        };
        buttonLeft_ = button("buttonLeft", 1, 12);
        buttonRight_ = button("buttonRight", 2, 126);
        buttonColumns_ = button("buttonColumns", 3, 240);
        auto label = [&](const char* id, ui::Rect frame) {
            auto l = std::make_shared<ui::Label>(frame);
            l->setIdentifier(id);
            l->setFont(gfx::Font::system(15));
            l->setNumberOfLines(2);
            l->setAutoresizingMask(ui::FlexibleWidth);
            root.addSubview(l);
            return l;
        };
        labelMessage_ = label("labelMessage", {20, top + 40, w - 40, 40});
        labelResult_ = label("labelResult", {20, top + 40, w - 40, 40});
        const double side = std::min(w - 40, 400.0);
        graphHost_ = std::make_shared<CPTGraphHostingView>(ui::Rect{20, top + 90, side, side * 0.75});
        graphHost_->setIdentifier("graphHost");
        graph_ = CPTXYGraph::graphWithFrame(CGRect(0, 0, side, side * 0.75));
        auto border = CPTMutableLineStyle::lineStyle();
        border->setLineWidth(1);
        border->setLineColor(CPTColor::blackColor());
        graph_->plotAreaFrame()->setBorderLineStyle(border);
        plot_ = std::make_shared<DotsPlot>();
        graph_->addPlot(plot_);
        graphHost_->setHostedGraph(graph_);
        root.addSubview(graphHost_);
    }

    void displayInitial() override {
        AnalysisDetailViewController::displayInitial();
        probe_->calls.push_back("displayInitial");
        labelType()->setText(foundation::tr("Type: Test"));
        auto left = analysis() ? analysis()->left() : nullptr;
        auto right = analysis() ? analysis()->right() : nullptr;
        buttonLeft_->setTitle(left ? left->name() : foundation::tr("Choose"));
        buttonRight_->setTitle(right ? right->name() : foundation::tr("Choose"));
        buttonColumns_->setTitle(foundation::tr("Columns"));
        labelResult_->setHidden(true);
        graphHost_->setHidden(true);
        labelMessage_->setHidden(false);
    }

    bool isValid(AnalysisError& error) const override {
        if (analysis() && analysis()->left())
            return true;
        error = {errorDomain, -1, foundation::tr("Choose a variable to count.")};
        return false;
    }

    void showMessage(const std::string& text) override {
        probe_->calls.push_back("message: " + text);
        labelMessage_->setText(text);
    }

    void displayFinal() override {
        probe_->calls.push_back("displayFinal " + std::to_string(graphData().ticket));
        const auto& values = graphData().values;
        labelResult_->setText(formatText(foundation::tr("N = %d"), {std::to_string(values.size())}));
        labelResult_->setHidden(false);
        labelMessage_->setHidden(true);
        graphHost_->setHidden(false);
        plot_->values = values;
        double lo = std::numeric_limits<double>::quiet_NaN(), hi = lo;
        for (double v : values) {
            lo = std::isnan(lo) ? v : std::min(lo, v);
            hi = std::isnan(hi) ? v : std::max(hi, v);
        }
        const ChartRange x = chartRangeOfValues(0, double(values.size()) - 1);
        const ChartRange y = chartRangeOfValues(lo, hi);
        auto& space = plotSpace();
        space.setXRange(CPTPlotRange::plotRangeWithLocation(foundation::Value(x.location - 0.1 * x.length),
                                                            foundation::Value(1.2 * x.length)));
        space.setYRange(CPTPlotRange::plotRangeWithLocation(foundation::Value(y.location - 0.1 * y.length),
                                                            foundation::Value(1.2 * y.length)));
        plot_->setNeedsDisplay();
    }

    std::optional<std::vector<std::string>> glossaryTerms() const override { return probe_->terms; }

    void writeCSVLines(CHCSVWriter& writer) override {
        writer.writeLineOfFields({"Analysis", "N", "Mean"});
        const auto& values = graphData().values;
        const double mean = std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
        writer.writeLineOfFields({CHCSVWriter::Field(analysis() ? analysis()->name() : std::string()),
                                  CHCSVWriter::Field(int64_t(values.size())), CHCSVWriter::Field(mean)});
    }

    std::shared_ptr<AnalysisDetailViewController> viewControllerForOutput() const override;
    // The page-layout controller of the latest export.
    mutable std::shared_ptr<AnalysisDetailViewController> lastOutput;

    double rowHeight() const override { return 30; }

  protected:
    Computation computation() const override {
        return [probe = probe_](AnalysisRunner::Run& run, Analysis& analysis,
                                const std::optional<std::vector<int64_t>>& rows, bool) {
            int ticket = 0;
            {
                std::unique_lock lock(probe->mutex);
                ticket = probe->started++;
                probe->changed.notify_all();
                probe->changed.wait(lock, [&] { return probe->releaseAll || probe->released.count(ticket); });
            }
            Results results;
            results.graphData.ticket = ticket;
            if (auto left = analysis.left())
                for (const auto& cell : run.model().cellsForColumn(*left, {{"rowNum", true}}, rows))
                    if (auto v = run.model().decimalNumberForString(cell->data()))
                        results.graphData.values.push_back(*v);
            ++probe->computed;
            return results;
        };
    }

    bool writePDF(ui::View& view, const std::string& path) override {
        if (probe_->failWriter)
            return false;
        return AnalysisDetailScreen::writePDF(view, path);
    }

    std::shared_ptr<Probe> probe_;
    std::shared_ptr<ui::Button> buttonLeft_, buttonRight_, buttonColumns_;
    std::shared_ptr<ui::Label> labelMessage_, labelResult_;
    std::shared_ptr<CPTGraphHostingView> graphHost_;
    std::shared_ptr<CPTXYGraph> graph_;
    std::shared_ptr<DotsPlot> plot_;
};

// The report's page layout: rows half as high; it notes its appearances to show it never has any.
class TestScreen_PDF : public TestScreen {
  public:
    using TestScreen::TestScreen;
    double rowHeight() const override { return 15; }
    void viewWillAppear(bool animated) override {
        probe_->calls.push_back("output viewWillAppear");
        TestScreen::viewWillAppear(animated);
    }
    void displayInitial() override {
        TestScreen::displayInitial();
        probe_->calls.back() = "output displayInitial";
        seenTraits = traitCollection();
    }
    void displayFinal() override {
        TestScreen::displayFinal();
        probe_->calls.back() = "output displayFinal " + std::to_string(graphData().ticket);
    }
    ui::TraitCollection seenTraits;
};

inline std::shared_ptr<AnalysisDetailViewController> TestScreen::viewControllerForOutput() const {
    auto output = std::make_shared<TestScreen_PDF>(probe_);
    lastOutput = output;
    return output;
}

// The frame's tests: a workspace of three columns (x and y numbers, g levels), an analysis over it, the
// recording mail and print services, and a private temporary folder of the test's own.
class FrameTest : public PrivateFolderScreenTest {
  protected:
    void TearDown() override {
        probe->releaseEverything();
        screen.reset();
        PrivateFolderScreenTest::TearDown();
    }

    void openData(const std::string& leftName = "x") {
        openWorkspace({{leftName, {"1", "2", "3", "4"}, std::nullopt},
                       {"y", {"5", "6", "7", "9"}, std::nullopt},
                       {"g", {"a", "b", "a", "b"}, std::nullopt}});
        analysis = model().addAnalysis("Test");
    }
    void setLeft(const std::string& name) {
        analysis->setLeft(columnNamed(name).get());
        model().saveContext();
    }
    void show(const Idiom& idiom = kIdioms[0]) {
        makeHost(idiom.screen, idiom.idiom);
        screen = std::make_shared<TestScreen>(probe);
        screen->setModel(&model());
        screen->setAnalysis(analysis);
        screen->setMailService(&mail);
        screen->setPrintService(&print);
        showInTab(screen);
    }
    int finals() const {
        return int(std::count_if(probe->calls.begin(), probe->calls.end(),
                                 [](const std::string& c) { return c.rfind("displayFinal", 0) == 0; }));
    }
    bool has(const std::string& call) const {
        return std::find(probe->calls.begin(), probe->calls.end(), call) != probe->calls.end();
    }
    // Waits until `n` computations have ended and their hops (if any) have run.
    void waitComputed(int n) {
        ASSERT_TRUE(runUntil([&] { return probe->computed.load() >= n; }));
        waitForBackgroundWork();
        host->drain();
    }
    void waitStarted(int n) { ASSERT_TRUE(runUntil([&] { return probe->startedRuns() >= n; })); }
    ui::AlertController* shownAlert() const {
        return dynamic_cast<ui::AlertController*>(screen ? screen->presentedViewController() : nullptr);
    }

    std::shared_ptr<Probe> probe = std::make_shared<Probe>();
    std::shared_ptr<Analysis> analysis;
    std::shared_ptr<TestScreen> screen;
    host::RecordingMailService mail;
    host::RecordingPrintService print;
};

} // namespace frameTest
