// The Analysis tab's list on a workspace of 1,000 saved analyses, each with two filters: from the list's
// appearance (the analyses fetched again, the rows on screen made) to its first drawn frame (the window's
// layers drawn into a backing store made once, as a window keeps one), against the fetch of the analyses
// and the texts of the rows on screen alone, in a Model of its own (target: at most 1.5x). Both take a few
// milliseconds, well below a frame, so a busy machine moves single runs by more than their difference:
// the ratio is taken round by round over many rounds and printed with its quartiles.
#include "analysis/AnalysesViewController.h"
#include "analysis/AnalysisScreens.h"
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/Output.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Environment.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kAnalyses = 1000;
constexpr int kRuns = 201;

// A small workspace of four columns and 1,000 analyses of the kinds the app shows, each filtered twice.
void writeWorkspace(Model& m) {
    m.addColumns({"Weight", "Height", "Sex", "Age"});
    auto columns = m.columns();
    for (int r = 1; r <= 50; ++r)
        m.addRow(uint64_t(r), {std::to_string(50 + r), std::to_string(150 + r), r % 2 ? "f" : "m", std::to_string(20 + r)},
                 columns);
    m.saveContext();
    for (const auto& c : m.columns()) {
        m.basicStatsForColumn(*c);
        c->setType(Model::guessTypeOfColumn(*c));
    }
    columns = m.columns();
    const int64_t types[] = {1, 3, 4, 5};
    for (int i = 0; i < kAnalyses; ++i) {
        auto a = m.managedObjectContext()->insertNewObject<Analysis>();
        a->setName("Analysis " + std::to_string(i));
        a->setType(types[i % 4]);
        a->setLastOpened(double(i));
        a->setLeft(columns[size_t(i) % 2].get());
        a->setRight(columns[2 + size_t(i) % 2].get());
        for (int k = 0; k < 2; ++k) {
            auto w = m.managedObjectContext()->insertNewObject<WhereClause>();
            w->setX(columns[size_t(k) * 3].get());
            w->setOp(k == 0 ? 2 : 0);
            w->setC(std::to_string(60 + i % 20));
            a->addWheresObject(*w);
        }
    }
    m.saveContext();
}

} // namespace

int main() {
    benchfiles::ScratchFolder folder("analyses-list");
    foundation::UserDefaults::setStandardPath(folder.file("defaults.json"));
    foundation::setCurrentLocale("en_US");
    registerAnalysisScreens();

    const std::string file = folder.file("Bench.ov");
    Model& shared = Model::sharedModel();
    shared.openStore(file);
    writeWorkspace(shared);

    host::HeadlessHost host({1024, 768}, ui::UserInterfaceIdiom::Pad);
    ui::Driver driver(host.window(), host);
    auto list = std::make_shared<AnalysesViewController>();
    auto nav = std::make_shared<ui::NavigationController>(list);
    host.window().setRootViewController(nav);
    host.drain();
    const size_t onScreen = list->tableView().visibleCells().size();
    const ui::Rect window = host.window().bounds();
    auto backing = gfx::BitmapContext::pointsContext(window.size, 1.0, ui::Color::white());
    int frames = 0;

    auto alone = benchworkspace::openModel(file);
    size_t listed = 0, textBytes = 0;
    int64_t pixels = 0;
    auto textsAlone = [&] {
        auto analyses = alone->analyses();
        for (size_t i = 0; i < onScreen && i < analyses.size(); ++i) {
            const Analysis& a = *analyses[i];
            textBytes += AnalysesViewController::typeText(a).size() +
                         AnalysesViewController::descriptionText(a).size() +
                         alone->stringForWhereAnalysis(a).size();
        }
        listed = analyses.size();
    };
    auto appearing = [&] {
        list->viewWillAppear(false);
        host.drain();
        gfx::Context& ctx = backing->context();
        ctx.setFillColor(ui::Color::white());
        ctx.fillRect(window);
        host.window().layer().renderInContext(ctx);
        ++frames;
    };
    const auto t = benchtiming::ratioSpread(kRuns, textsAlone, appearing);
    pixels = driver.screenshot().pixelWidth() * frames;
    if (listed != size_t(kAnalyses) || list->analyses().size() != size_t(kAnalyses) || pixels == 0 || onScreen == 0 ||
        textBytes == 0) {
        std::printf("the list did not show the workspace's analyses\n");
        return 1;
    }
    std::printf("analyses list of %d saved analyses with two filters each (%zu rows on screen)\n", kAnalyses, onScreen);
    std::printf("  analyses and row texts alone %8.2f ms   appearing to first frame %8.2f ms   ratio %5.2fx "
                "(target <= 1.5x)\n",
                t.baseline * 1e3, t.measured * 1e3, t.median);
    std::printf("  (ratio per round over %d rounds: quartiles %5.2fx to %5.2fx)\n", kRuns, t.lowQuartile,
                t.highQuartile);
    list.reset();
    nav.reset();
    shared.closeStores();
    return 0;
}
