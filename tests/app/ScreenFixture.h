// Shared set-up of the screen tests: a scratch folder with its own user defaults, the shared Model on a
// workspace file made for the test (statistics and types as an import leaves them), the analysis
// screens registered, and a headless host with its driver.
#pragma once

#include "analysis/AnalysisScreens.h"
#include "model/Model.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/ViewController.h"
#include "tests/WorkersIdle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct ColumnSpec {
    std::string name;
    std::vector<std::string> texts; // row 1 down; "" below the last
    // The type to store; nothing: the guessed type, as an import stores it.
    std::optional<int64_t> type = std::nullopt;
};

// The two screens a picture of a screen is taken on.
struct Idiom {
    const char* name;
    gfx::Size screen;
    ui::UserInterfaceIdiom idiom;
};

inline const Idiom kIdioms[] = {
    {"pad", {1024, 768}, ui::UserInterfaceIdiom::Pad},
    {"phone", {375, 667}, ui::UserInterfaceIdiom::Phone},
};

class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "ovrida-screen-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        foundation::UserDefaults::setStandardPath(path("defaults.json"));
        foundation::setCurrentLocale("en_US");
        Model::setStoreErrorHandler([this] { ++storeErrors; });
        registerAnalysisScreens();
        idiomBefore = model().userInterfaceIdiom();
    }
    void TearDown() override {
        waitForBackgroundWork();
        tabs.reset();
        nav.reset();
        driver.reset();
        host.reset();
        model().closeStores();
        model().managedObjectContext()->reset();
        Model::setStoreErrorHandler(nullptr);
        foundation::UserDefaults::setStandardPath("");
        // A test that shows a screen in another idiom leaves the next test in this process as it found it.
        model().setUserInterfaceIdiom(idiomBefore);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        EXPECT_EQ(storeErrors, 0);
    }

    static Model& model() { return Model::sharedModel(); }
    std::string path(const std::string& name) const {
        return (std::filesystem::path(folder) / name).string();
    }

    void makeHost(gfx::Size screen = {1024, 768},
                  ui::UserInterfaceIdiom idiom = ui::UserInterfaceIdiom::Pad) {
        driver.reset();
        host.reset();
        host = std::make_unique<host::HeadlessHost>(screen, idiom);
        driver = std::make_unique<ui::Driver>(host->window(), *host);
    }

    // Shows the controller as the root of a navigation controller in the second of two tabs, the way
    // the app shows its tabs: selected once the window shows the tab bar.
    void showInTab(std::shared_ptr<ui::ViewController> root) {
        nav = std::make_shared<ui::NavigationController>(std::move(root));
        tabs = std::make_shared<ui::TabBarController>();
        tabs->setViewControllers({std::make_shared<ui::ViewController>(), nav});
        host->window().setRootViewController(tabs);
        host->drain();
        tabs->setSelectedIndex(1);
        host->drain();
    }

    // Opens a new workspace file on the shared Model holding these columns.
    void openWorkspace(const std::vector<ColumnSpec>& columns, const std::string& name = "Test.ov") {
        Model& m = model();
        m.openStore(path(name));
        std::vector<std::string> names;
        size_t rows = 0;
        for (const auto& c : columns) {
            names.push_back(c.name);
            rows = std::max(rows, c.texts.size());
        }
        m.addColumns(names);
        auto stored = m.columns();
        for (size_t r = 0; r < rows; ++r) {
            std::vector<std::string> data;
            for (const auto& c : columns)
                data.push_back(r < c.texts.size() ? c.texts[r] : "");
            m.addRow(r + 1, data, stored);
        }
        m.saveContext();
        stored = m.columns();
        for (size_t k = 0; k < stored.size(); ++k) {
            m.basicStatsForColumn(*stored[k]);
            stored[k]->setType(columns[k].type ? *columns[k].type : Model::guessTypeOfColumn(*stored[k]));
        }
        m.saveContext();
    }

    std::shared_ptr<Column> columnNamed(const std::string& name) {
        for (auto& c : model().columns())
            if (c->name() == name)
                return c;
        return nullptr;
    }

    // The cell texts of a column by row, row 1 first.
    std::vector<std::string> texts(const Column& column) {
        std::vector<std::string> out;
        for (const auto& cell : model().cellsForColumn(column, {{"rowNum", true}}))
            out.push_back(cell->data());
        return out;
    }

    bool runUntil(const std::function<bool()>& condition) { return host->runUntil(condition, 20); }

    // Waits (draining the main queue, which the tasks' hops need) until every task started so far on
    // the global queues has ended.
    void waitForBackgroundWork() { EXPECT_TRUE(workers::waitIdle(host.get(), 30)); }

    std::string folder;
    int storeErrors = 0;
    Model::Idiom idiomBefore = Model::Idiom::Pad;
    std::unique_ptr<host::HeadlessHost> host;
    std::unique_ptr<ui::Driver> driver;
    std::shared_ptr<ui::NavigationController> nav;
    std::shared_ptr<ui::TabBarController> tabs;
};
