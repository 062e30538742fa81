// The variable detail page on a 100,000-row workspace: from the tap on a Variables row (the list at
// rest, its own figures worked out) to the window's picture after the page has shown its result (the numeric
// column's QQ plot draws 100,000 points), against the page's computation alone (the rows and the one-variable
// summary) in a Model of its own (target: at most 2x), for a numeric and a categorical column. Also the
// report's export time and PDF size for the numeric column.
#include "analysis/AnalysisScreens.h"
#include "analysis/VariableDetailViewController.h"
#include "app/VariablesViewController.h"
#include "bench/AnalysisScreenBench.h"
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Environment.h"
#include "platform/ui/PageViewController.h"
#include "tests/WorkersIdle.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kRuns = 5;

void writeWorkspace(Model& m) {
    benchscreens::writeRows(m, {"number", "level"}, kRows, [](int r) {
        const double x = r * 0.731 + (r * 7919 % 1000) / 1000.0;
        return std::vector<std::string>{std::to_string(x), "level " + std::to_string(r * 37 % 50)};
    });
}

} // namespace

int main() {
    benchfiles::ScratchFolder folder("variable-detail");
    const std::string file = benchscreens::openSharedWorkspace(folder);
    Model::incrementTimesSeenHelpKey("newVariable");
    Model& shared = Model::sharedModel();
    writeWorkspace(shared);

    host::HeadlessHost host({1024, 768}, ui::UserInterfaceIdiom::Pad);
    ui::Driver driver(host.window(), host);
    auto variables = std::make_shared<VariablesViewController>();
    auto nav = std::make_shared<ui::NavigationController>(variables);
    host.window().setRootViewController(nav);
    host.drain();
    // The list works out its own figures of each variable on the workers whenever it shows; the page's
    // timing starts with the list at rest: every worker taken by one waiting block at once.
    auto workersIdle = [&] {
        workers::waitIdle(&host, 60);
        host.drain();
    };
    auto backToTheList = [&] {
        nav->popToRootViewControllerAnimated(false);
        host.drain();
        workersIdle();
    };
    workersIdle();

    auto alone = benchworkspace::openModel(file);
    bool ok = true;
    std::shared_ptr<VariableDetailViewController> kept;
    for (int row = 0; row < 2; ++row) {
        auto aloneColumn = alone->columns()[size_t(row)];
        int64_t records = 0;
        int64_t pixels = 0;
        const auto t = benchtiming::medianSeconds(
            kRuns,
            {[&] {
                 auto rows = alone->rowsWhere(std::vector<WhereClauseObj>{});
                 auto result = alone->varDetailForColumn(*aloneColumn, rows);
                 records = result.sorted ? int64_t(result.sorted->size()) : result.obs.value_or(0);
             },
             [&] {
                 ui::TableViewCell* cell = variables->tableView().cellForRowAtIndexPath({0, row});
                 if (!cell) {
                     ok = false;
                     return;
                 }
                 driver.tap(cell);
                 host.drain();
                 auto* pages = dynamic_cast<ui::PageViewController*>(nav->topViewController());
                 auto page = pages && !pages->viewControllers().empty()
                                 ? std::dynamic_pointer_cast<VariableDetailViewController>(
                                       pages->viewControllers().front())
                                 : nullptr;
                 ok = ok && page &&
                      host.runUntil([&] { return page->shareItem() && page->shareItem()->isEnabled(); }, 120);
                 pixels += driver.screenshot().pixelWidth();
                 kept = page;
             },
             // The page's own share on the main thread: its texts, table and charts of the result
             // it has, laid out.
             [&] {
                 if (!kept)
                     return;
                 kept->displayInitial();
                 kept->displayFinal();
                 host.drain();
             },
             backToTheList});
        if (!ok || pixels == 0) {
            std::printf("the page did not show its result\n");
            return 1;
        }
        std::printf("variable detail page, %s column of %d rows (%lld values)\n",
                    row == 0 ? "numeric" : "categorical", kRows, static_cast<long long>(records));
        std::printf("  computation alone %8.1f ms   tap to picture %8.1f ms   ratio %5.2fx (target <= 2x)\n",
                    t[0] * 1e3, t[1] * 1e3, t[1] / t[0]);
        std::printf("  (the display of its result alone %8.1f ms)\n", t[2] * 1e3);
        if (row == 0 && kept) {
            const std::string pdf = folder.file("report.pdf");
            bool written = true;
            const double exportSeconds =
                benchtiming::seconds([&] { written = kept->writePDFOutputAtPath(pdf); });
            if (!written) {
                std::printf("the report was not written\n");
                return 1;
            }
            std::printf("  report export %8.1f ms, PDF %ju bytes\n", exportSeconds * 1e3,
                        std::uintmax_t(std::filesystem::file_size(pdf)));
        }
    }
    kept.reset();
    nav.reset();
    variables.reset();
    shared.closeStores();
    return 0;
}
