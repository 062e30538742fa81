// The two-way table screen on a 100,000-row workspace of two 20-level columns, in row mode (the grid with
// percentages and the stacked bars): from the screen's appearance (both columns chosen) to the window's
// picture after its result is shown, against the run's computation alone (the filter's rows and the
// table) in a Model of its own (target: at most 1.5x). Also the report's export time.
#include "analysis/AnalysisScreens.h"
#include "analysis/TwoWayTabController.h"
#include "bench/AnalysisScreenBench.h"
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Environment.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kRows = 100000;
constexpr int kRuns = 5;

void writeWorkspace(Model& m) {
    benchscreens::writeRows(m, {"region", "answer"}, kRows, [](int r) {
        // Twenty levels each, unevenly filled so that the order by count is settled.
        const int a = (r * 7 % 210) % 20, b = (r * 13 % 231) % 20;
        return std::vector<std::string>{"region " + std::to_string(a), "answer " + std::to_string(b)};
    });
}

} // namespace

int main() {
    benchfiles::ScratchFolder folder("two-way");
    const std::string file = benchscreens::openSharedWorkspace(folder);
    Model& shared = Model::sharedModel();
    writeWorkspace(shared);
    auto analysis = benchscreens::addAnalysisOfFirstTwo(shared, "Two way table", 1);
    analysis->setTwoWayPercAgg(1);
    analysis->setTwoWayPercDisplay(1);
    shared.saveContext();

    host::HeadlessHost host({1024, 768}, ui::UserInterfaceIdiom::Pad);
    ui::Driver driver(host.window(), host);
    auto screen = std::make_shared<TwoWayTabController>();
    screen->setModel(&shared);
    screen->setAnalysis(analysis);
    auto nav = benchscreens::showScreen(host, screen);
    auto done = [&] { return !screen->labelChi().isHidden(); };
    bool shown = host.runUntil(done, 120);

    auto alone = benchworkspace::openModel(file);
    auto aloneAnalysis = alone->analyses().front();
    double total = 0;
    int64_t pixels = 0;
    const auto t = benchtiming::medianSeconds(
        kRuns, {[&] {
                    auto rows = alone->rowsWhereAnalysis(*aloneAnalysis);
                    auto result = alone->twoWayTabOfColumn(*aloneAnalysis->left(), *aloneAnalysis->right(),
                                                           10, 1, false, rows);
                    total = result.sumTotal;
                },
                [&] {
                    screen->viewWillAppear(false);
                    shown = host.runUntil(done, 120) && shown;
                },
                [&] { pixels += driver.screenshot().pixelWidth(); },
                // The screen's own share on the main thread: the grid, texts and chart of a result it has.
                [&] {
                    screen->displayFinal();
                    host.drain();
                }});
    const std::string pdf = folder.file("report.pdf");
    bool written = true;
    const double exportSeconds = benchtiming::seconds([&] { written = screen->writePDFOutputAtPath(pdf); });
    if (!shown || !written || pixels == 0 || total != kRows) {
        std::printf("the screen did not show its result or its report was not written\n");
        return 1;
    }
    std::printf("two-way table screen on %d rows (two columns of 20 levels, row percentages and chart)\n",
                kRows);
    std::printf("  computation alone %8.1f ms   screen to picture %8.1f ms   ratio %5.2fx (target <= 1.5x)\n",
                t[0] * 1e3, (t[1] + t[2]) * 1e3, (t[1] + t[2]) / t[0]);
    std::printf("  (run and display %8.1f ms, picture %8.1f ms; the display of a result alone %8.1f ms)\n",
                t[1] * 1e3, t[2] * 1e3, t[3] * 1e3);
    std::printf("  report export %8.1f ms, PDF %ju bytes\n", exportSeconds * 1e3,
                std::uintmax_t(std::filesystem::file_size(pdf)));
    screen.reset();
    nav.reset();
    shared.closeStores();
    return 0;
}
