// What the analysis screens' benchmarks set up before they write their workspace: a scratch folder's
// defaults, the en_US locale, a private temporary folder for the reports, the screens' kinds, and the
// shared Model opened on a new workspace file in the folder; then the workspace's rows, an analysis of
// its first two columns, and the screen shown on a headless host.
#pragma once

#include "analysis/AnalysisScreens.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/Model.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Environment.h"
#include "platform/ui/ViewController.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace benchscreens {

// Answers the workspace file's path.
inline std::string openSharedWorkspace(benchfiles::ScratchFolder& folder) {
    foundation::UserDefaults::setStandardPath(folder.file("defaults.json"));
    foundation::setCurrentLocale("en_US");
    const std::string privateFolder = folder.file("private");
    std::filesystem::create_directory(privateFolder);
    ui::Environment::shared().temporaryFolder = privateFolder;
    registerAnalysisScreens();
    const std::string file = folder.file("Bench.ov");
    Model::sharedModel().openStore(file);
    return file;
}

// Fills the open workspace with columns of these names and `rows` rows, row r (from 1) holding
// `row(r)`, then each column's statistics and guessed type, as an import leaves them.
inline void writeRows(Model& m, const std::vector<std::string>& names, int rows,
                      const std::function<std::vector<std::string>(int)>& row) {
    benchworkspace::writeRows(m, names, rows, [&row](int64_t r) { return row(int(r)); });
    for (const auto& c : m.columns()) {
        m.basicStatsForColumn(*c);
        c->setType(Model::guessTypeOfColumn(*c));
    }
    m.saveContext();
}

// A new analysis of the name and type, its left and right the workspace's first two columns, saved.
inline std::shared_ptr<Analysis> addAnalysisOfFirstTwo(Model& m, const std::string& name, int64_t type) {
    auto analysis = m.addAnalysis(name);
    analysis->setType(type);
    analysis->setLeft(m.columns()[0].get());
    analysis->setRight(m.columns()[1].get());
    m.saveContext();
    return analysis;
}

// Shows the screen as the root of a navigation controller in the host's window, drained; answers the
// navigation controller, which holds the screen.
inline std::shared_ptr<ui::NavigationController> showScreen(host::HeadlessHost& host,
                                                            std::shared_ptr<ui::ViewController> screen) {
    auto nav = std::make_shared<ui::NavigationController>(std::move(screen));
    host.window().setRootViewController(nav);
    host.drain();
    return nav;
}

} // namespace benchscreens
