// The hypothesis-test screen on a 100,000-row workspace: from the screen's appearance with its choices
// made (two samples of means from one column under two filters; paired proportions) to the window's
// picture after its result is shown, against the rows and the test's entry point alone in a Model of
// its own (target: at most 1.5x each).
#include "analysis/AnalysisScreens.h"
#include "analysis/HypothesisTestViewController.h"
#include "bench/AnalysisScreenBench.h"
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/WhereClauseObj.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Environment.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kRuns = 5;

void writeWorkspace(Model& m) {
    benchscreens::writeRows(m, {"x", "k", "g", "h"}, kRows, [](int r) {
        const double x = (r * 37 % 1000) / 10.0 + std::sin(r) * 5;
        return std::vector<std::string>{std::to_string(x), std::to_string(r % 2), r % 3 ? "yes" : "no",
                                        (r * 7) % 5 > 1 ? "yes" : "no"};
    });
}

std::shared_ptr<Column> named(Model& m, const std::string& name) {
    for (auto& c : m.columns())
        if (c->name() == name)
            return c;
    return nullptr;
}

struct Figures {
    double alone = 0, screen = 0;
    bool shown = false;
};

// Times the screen on the analysis against `alone`, the same work without the screen.
Figures measure(std::shared_ptr<Analysis> analysis, const std::function<void()>& alone) {
    host::HeadlessHost host({1024, 768}, ui::UserInterfaceIdiom::Pad);
    ui::Driver driver(host.window(), host);
    auto screen = std::make_shared<HypothesisTestViewController>();
    screen->setAnalysis(analysis);
    auto nav = benchscreens::showScreen(host, screen);
    auto done = [&] {
        return !screen->dataTable().empty() &&
               screen->textViewResults().attributedText().plainText() != "Calculating...";
    };
    Figures f;
    f.shown = host.runUntil(done, 120);
    int64_t pixels = 0;
    const auto t = benchtiming::medianSeconds(kRuns, {alone,
                                                      [&] {
                                                          screen->viewWillAppear(false);
                                                          f.shown = host.runUntil(done, 120) && f.shown;
                                                      },
                                                      [&] { pixels += driver.screenshot().pixelWidth(); }});
    f.alone = t[0];
    f.screen = t[1] + t[2];
    f.shown = f.shown && pixels > 0;
    host.window().setRootViewController(nullptr);
    host.drain();
    return f;
}

} // namespace

int main() {
    benchfiles::ScratchFolder folder("hypothesis");
    const std::string file = benchscreens::openSharedWorkspace(folder);
    Model& shared = Model::sharedModel();
    writeWorkspace(shared);

    // Two samples of means: x where k = 0 against x where k = 1.
    auto means = shared.addAnalysis("Hypothesis Test of Means");
    means->setType(5);
    means->setSamples(2);
    means->setLeft(named(shared, "x").get());
    means->setRight(named(shared, "x").get());
    auto ctx = shared.managedObjectContext();
    for (const auto& [value, second] : {std::pair{"0", false}, std::pair{"1", true}}) {
        auto w = ctx->insertNewObject<WhereClause>();
        w->setX(named(shared, "k").get());
        w->setOp(int64_t(FilterEqual));
        w->setC(std::string(value));
        second ? means->addWheres2Object(*w) : means->addWheresObject(*w);
    }
    // Paired proportions: g against h, "yes" counted in both.
    auto props = shared.addAnalysis("Hypothesis Test of Proportions");
    props->setType(5);
    props->setSamples(2);
    props->setIsPaired(true);
    props->setDistribution(2);
    props->setLeft(named(shared, "g").get());
    props->setRight(named(shared, "h").get());
    props->setLeftLevel1("yes");
    props->setRightLevel1("yes");
    shared.saveContext();

    auto alone = benchworkspace::openModel(file);
    auto analysisNamed = [&](const std::string& name) {
        for (auto& a : alone->analyses())
            if (a->name() == name)
                return a;
        return std::shared_ptr<Analysis>();
    };
    auto aloneMeans = analysisNamed("Hypothesis Test of Means");
    auto aloneProps = analysisNamed("Hypothesis Test of Proportions");
    uint64_t observations = 0;
    const Figures meansFigures = measure(means, [&] {
        auto rows = alone->rowsWhereAnalysis(*aloneMeans);
        auto rows2 = alone->rowsWhereClauses(aloneMeans->wheres2());
        auto x = aloneMeans->left();
        auto r = alone->hypothesisTestForColumn(*x, *x, rows, rows2, 0, 0, 1, nullptr, nullptr);
        observations = r.obsX.value_or(0) + r.obsY.value_or(0);
    });
    const Figures propsFigures = measure(props, [&] {
        auto rows = alone->rowsWhereAnalysis(*aloneProps);
        const FactorCodes codes{{"yes", 1}, {"no", 0}};
        auto r = alone->hypothesisTestForColumnWithPairedColumn(*aloneProps->left(), *aloneProps->right(),
                                                                rows, 2, 0, 4, &codes, &codes);
        observations =
            uint64_t(r.x0y0.value_or(0) + r.x0y1.value_or(0) + r.x1y0.value_or(0) + r.x1y1.value_or(0));
    });
    if (!meansFigures.shown || !propsFigures.shown || observations == 0) {
        std::printf("the screen did not show its result\n");
        return 1;
    }
    std::printf("hypothesis-test screen on %d rows\n", kRows);
    for (const auto& [name, f] : {std::pair{"two samples of means, two filters", meansFigures},
                                  std::pair{"paired proportions", propsFigures}})
        std::printf("  %-34s alone %8.1f ms   screen to picture %8.1f ms   ratio %5.2fx (target <= 1.5x)\n",
                    name, f.alone * 1e3, f.screen * 1e3, f.screen / f.alone);
    shared.closeStores();
    return 0;
}
