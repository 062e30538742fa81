// The regression screen on a 100,000-row workspace with ten numeric regressors: from the screen's
// appearance (its variables chosen) to the window's picture after its result is shown, against the
// run's computation alone (the filter's rows and the fit) in a Model of its own, for a linear model of
// a numeric dependent (target: at most 1.5x) and a logistic model of a two-valued one (at most 1.2x,
// the fit dominates). Also the linear report's export time and PDF size.
#include "analysis/AnalysisScreens.h"
#include "analysis/RegressionViewController.h"
#include "bench/AnalysisScreenBench.h"
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Environment.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kRegressors = 10;
constexpr int kRuns = 5;

void writeWorkspace(Model& m) {
    std::vector<std::string> names{"y", "b"};
    for (int k = 1; k <= kRegressors; ++k)
        names.push_back("x" + std::to_string(k));
    benchscreens::writeRows(m, names, kRows, [&names](int r) {
        std::vector<std::string> texts(names.size());
        double y = 0;
        for (int k = 1; k <= kRegressors; ++k) {
            const double x = double((r * (31 + 6 * k)) % 997) / 10.0;
            texts[size_t(k) + 1] = std::to_string(x);
            y += (k % 3 == 0 ? -0.5 : 0.3) * x;
        }
        y += std::sin(r) * 15;
        texts[0] = std::to_string(y);
        texts[1] = y + std::cos(3.0 * r) * 20 > 10 ? "yes" : "no";
        return texts;
    });
}

std::shared_ptr<Analysis> addRegression(Model& m, const std::string& dependent, int64_t distribution) {
    auto analysis =
        m.addAnalysis(distribution == 2 ? "Logistic Regression Model" : "Linear Regression Model");
    analysis->setType(4);
    analysis->setDistribution(distribution);
    for (const auto& c : m.columns()) {
        if (c->name() == dependent)
            analysis->setLeft(c.get());
        else if (c->name()[0] == 'x')
            analysis->addColumnsObject(*c);
    }
    m.saveContext();
    return analysis;
}

struct Figures {
    double alone = 0, screen = 0, picture = 0;
    bool shown = false;
};

Figures measure(host::HeadlessHost& host, ui::Driver& driver, RegressionViewController& screen,
                const std::string& file, const std::string& dependent) {
    Figures f;
    auto alone = benchworkspace::openModel(file);
    std::shared_ptr<Analysis> aloneAnalysis;
    for (const auto& a : alone->analyses())
        if (a->left() && a->left()->name() == dependent)
            aloneAnalysis = a;
    auto isShown = [&] {
        return screen.textViewEquation().text() != "Calculating..." && screen.graphData().result.has_value();
    };
    f.shown = host.runUntil(isShown, 300);
    const auto t = benchtiming::medianSeconds(
        kRuns, {[&] {
                    auto rows = alone->rowsWhereAnalysis(*aloneAnalysis);
                    auto columns = aloneAnalysis->columns();
                    std::sort(columns.begin(), columns.end(),
                              [](const auto& a, const auto& b) { return a->num() < b->num(); });
                    FactorCodes levels{{"yes", 1}, {"no", 0}};
                    const bool logistic = aloneAnalysis->distribution() == 2;
                    auto result = alone->ols(*aloneAnalysis->left(), columns, rows, logistic,
                                             logistic ? &levels : nullptr);
                    f.shown = f.shown && result.N > 0;
                },
                [&] {
                    screen.viewWillAppear(false);
                    f.shown = host.runUntil(isShown, 300) && f.shown;
                },
                [&] { f.shown = driver.screenshot().pixelWidth() > 0 && f.shown; }});
    f.alone = t[0];
    f.screen = t[1];
    f.picture = t[2];
    return f;
}

} // namespace

int main() {
    benchfiles::ScratchFolder folder("regression");
    const std::string file = benchscreens::openSharedWorkspace(folder);
    Model& shared = Model::sharedModel();
    writeWorkspace(shared);
    const std::pair<const char*, int64_t> kinds[] = {{"y", 0}, {"b", 2}};
    std::vector<std::shared_ptr<Analysis>> analyses;
    for (const auto& [dependent, distribution] : kinds)
        analyses.push_back(addRegression(shared, dependent, distribution));

    host::HeadlessHost host({1024, 768}, ui::UserInterfaceIdiom::Pad);
    ui::Driver driver(host.window(), host);
    const double targets[] = {1.5, 1.2};
    int failed = 0;
    for (size_t i = 0; i < analyses.size(); ++i) {
        auto screen = std::make_shared<RegressionViewController>();
        screen->setAnalysis(analyses[i]);
        screen->setModel(&shared);
        auto nav = benchscreens::showScreen(host, screen);
        const Figures f = measure(host, driver, *screen, file, kinds[i].first);
        if (!f.shown) {
            std::printf("the %s screen did not show its result\n", i == 0 ? "linear" : "logistic");
            ++failed;
            continue;
        }
        std::printf("%s regression screen on %d rows, %d regressors\n", i == 0 ? "linear" : "logistic", kRows,
                    kRegressors);
        std::printf(
            "  computation alone %8.1f ms   screen to picture %8.1f ms   ratio %5.2fx (target <= %.1fx)\n",
            f.alone * 1e3, (f.screen + f.picture) * 1e3, (f.screen + f.picture) / f.alone, targets[i]);
        std::printf("  (run and display %8.1f ms, picture %8.1f ms)\n", f.screen * 1e3, f.picture * 1e3);
        if (i == 0) {
            const std::string pdf = folder.file("report.pdf");
            bool written = true;
            const double exportSeconds =
                benchtiming::seconds([&] { written = screen->writePDFOutputAtPath(pdf); });
            if (!written) {
                std::printf("the linear report was not written\n");
                ++failed;
            } else {
                std::printf("  report export %8.1f ms, PDF %ju bytes\n", exportSeconds * 1e3,
                            std::uintmax_t(std::filesystem::file_size(pdf)));
            }
        }
        host.window().setRootViewController(nullptr);
        host.drain();
    }
    shared.closeStores();
    return failed == 0 ? 0 : 1;
}
