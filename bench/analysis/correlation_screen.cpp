// The correlation screen on a 100,000-row workspace of two numeric columns: from the screen's
// appearance (both columns chosen) to the window's picture after its result is shown, two charts of
// 100,000 points among it, against the run's computation alone (the filter's rows, the correlation
// and fit, the residuals' histogram) in a Model of its own (target: at most 2x). Also the report's
// export time and PDF size.
#include "analysis/AnalysisScreens.h"
#include "analysis/CorrelationViewController.h"
#include "bench/AnalysisScreenBench.h"
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
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
    benchscreens::writeRows(m, {"x", "y"}, kRows, [](int r) {
        const double x = (r * 37 % 1000) / 10.0;
        const double y = 2 * x + std::sin(r) * 20;
        return std::vector<std::string>{std::to_string(x), std::to_string(y)};
    });
}

} // namespace

int main() {
    benchfiles::ScratchFolder folder("correlation");
    const std::string file = benchscreens::openSharedWorkspace(folder);
    Model& shared = Model::sharedModel();
    writeWorkspace(shared);
    auto analysis = benchscreens::addAnalysisOfFirstTwo(shared, "Correlation", 3);

    host::HeadlessHost host({1024, 768}, ui::UserInterfaceIdiom::Pad);
    ui::Driver driver(host.window(), host);
    auto screen = std::make_shared<CorrelationViewController>();
    screen->setAnalysis(analysis);
    auto nav = benchscreens::showScreen(host, screen);
    bool shown = host.runUntil([&] { return screen->labelError().isHidden(); }, 120);

    auto alone = benchworkspace::openModel(file);
    auto aloneAnalysis = alone->analyses().front();
    size_t points = 0;
    int64_t pixels = 0;
    const auto t = benchtiming::medianSeconds(
        kRuns, {[&] {
                    auto rows = alone->rowsWhereAnalysis(*aloneAnalysis);
                    auto result = alone->correlationResultsForColumn(aloneAnalysis->left().get(),
                                                                     aloneAnalysis->right().get(), rows);
                    auto bins = Model::histogramOfVector(result->residuals, 10);
                    points = result->data.empty() ? 0 : result->data[0].size() + bins.edges.size();
                },
                [&] {
                    screen->viewWillAppear(false);
                    shown = host.runUntil([&] { return screen->labelError().isHidden(); }, 120) && shown;
                },
                [&] { pixels += driver.screenshot().pixelWidth(); }});
    const std::string pdf = folder.file("report.pdf");
    bool written = true;
    const double exportSeconds = benchtiming::seconds([&] { written = screen->writePDFOutputAtPath(pdf); });
    if (!shown || !written || pixels == 0) {
        std::printf("the screen did not show its result or its report was not written\n");
        return 1;
    }
    std::printf("correlation screen on %d rows (%zu points and bins)\n", kRows, points);
    std::printf("  computation alone %8.1f ms   screen to picture %8.1f ms   ratio %5.2fx (target <= 2x)\n",
                t[0] * 1e3, (t[1] + t[2]) * 1e3, (t[1] + t[2]) / t[0]);
    std::printf("  (run and display %8.1f ms, picture %8.1f ms)\n", t[1] * 1e3, t[2] * 1e3);
    std::printf("  report export %8.1f ms, PDF %ju bytes\n", exportSeconds * 1e3,
                std::uintmax_t(std::filesystem::file_size(pdf)));
    screen.reset();
    nav.reset();
    shared.closeStores();
    return 0;
}
