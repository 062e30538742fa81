// Shared set-up of the filter screen tests: a harness screen with a "Filter" button that presents a
// filter screen in a navigation controller as a popover (as the Browse and analysis screens do), a
// recording delegate, and a second look at the workspace file through a Model of its own.
#pragma once

#include "ScreenFixture.h"

#include "app/ColumnLevelChooser.h"
#include "app/ColumnPickerViewController.h"
#include "app/WhereColumnViewController.h"
#include "app/WheresViewController.h"

#include <sqlite3.h>

#include <tuple>

// Receives the editor's answers.
struct RecordingWhereDelegate : WhereColumnViewControllerDelgate {
    std::vector<WhereClauseObj> received;
    void where(const WhereClauseObj& clause) override { received.push_back(clause); }
};

struct RecordingPickerDelegate : ColumnPickerDelegate {
    std::vector<std::pair<std::vector<std::string>, uint64_t>> picks;
    void picker(ColumnPickerViewController&, const std::vector<std::shared_ptr<Column>>& columns,
                uint64_t position) override {
        std::vector<std::string> names;
        for (const auto& c : columns)
            names.push_back(c->name());
        picks.emplace_back(names, position);
    }
};

struct RecordingLevelsDelegate : ColumnLevelChooserDelegate {
    std::vector<std::set<std::string>> chosen;
    void choseLevels(const std::set<std::string>& levels) override { chosen.push_back(levels); }
};

// A stored clause as the file holds it: column name, operator, constant, levels.
using StoredClause = std::tuple<std::string, int64_t, std::optional<std::string>, std::vector<std::string>>;

class FilterScreenTest : public ScreenTest {
  protected:
    std::shared_ptr<ui::ViewController> harness;
    std::shared_ptr<ui::Button> filterButton;
    // What the button presents.
    std::shared_ptr<ui::ViewController> toPresent;

    // A screen with a button that anchors the popover.
    void makeHarness(gfx::Size screen = {1024, 768},
                     ui::UserInterfaceIdiom idiom = ui::UserInterfaceIdiom::Pad) {
        makeHost(screen, idiom);
        harness = std::make_shared<ui::ViewController>();
        host->window().setRootViewController(harness);
        harness->view().setFrame(host->window().bounds());
        filterButton = std::make_shared<ui::Button>(ui::Rect{200, 120, 90, 32});
        filterButton->setTitle("Filters:");
        filterButton->setIdentifier("buttonWhere");
        filterButton->addTarget(ui::TouchUpInside, [this](ui::Control&) {
            if (toPresent && !harness->presentedViewController())
                harness->presentViewController(toPresent, true);
        });
        harness->view().addSubview(filterButton);
        host->drain();
    }

    // The screen in a navigation controller, presented from the button as the callers do.
    std::shared_ptr<ui::NavigationController> present(const std::shared_ptr<ui::ViewController>& screen,
                                                      ui::Size size) {
        auto nav = std::make_shared<ui::NavigationController>(screen);
        nav->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
        nav->setPreferredContentSize(size);
        nav->popoverPresentationController().sourceView = filterButton.get();
        toPresent = nav;
        driver->tap(filterButton.get());
        host->drain();
        return nav;
    }

    // Lets the editor's field fetch and show its suggestions.
    void settleSuggestions(MLPAutoCompleteTextField& field) {
        host->advance(0.2);
        for (int i = 0; i < 4; ++i) {
            runUntil([&] { return field.autoCompleteFetchQueue().operationCount() == 0; });
            field.autoCompleteSortQueue().waitUntilAllOperationsAreFinished();
            host->drain();
        }
    }

    std::vector<std::string> cellTexts(ui::TableView& table) {
        std::vector<std::string> out;
        for (int r = 0; r < table.numberOfRowsInSection(0); ++r) {
            table.scrollToRowAtIndexPath({0, r}, ui::TableViewScrollPosition::None, false);
            host->drain();
            auto* cell = table.cellForRowAtIndexPath({0, r});
            out.push_back(cell ? cell->textLabel().text() : "(not shown)");
        }
        return out;
    }

    // The clauses of the analysis's first (or second) filter, read from the file by a Model of its own.
    std::vector<StoredClause> storedClauses(const std::string& analysisName, bool second = false) {
        model().saveContext();
        Model reader;
        reader.setPersistentStoreCoordinator(
            std::make_shared<store::Coordinator>(Model::managedObjectModel()));
        reader.setManagedObjectContext(std::make_shared<store::Context>(reader.persistentStoreCoordinator()));
        reader.openStore(*model().currentStore());
        std::vector<StoredClause> out;
        for (const auto& a : reader.analyses()) {
            if (a->name() != analysisName)
                continue;
            for (const auto& w : second ? a->wheres2() : a->wheres()) {
                auto x = w->x();
                out.emplace_back(x ? x->name() : "", w->op(), w->c(), w->levels());
            }
        }
        std::sort(out.begin(), out.end());
        reader.closeStores();
        return out;
    }

    static long long countRows(const std::string& file, const std::string& table) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_stmt* s = nullptr;
        long long v = -1;
        std::string sql = "SELECT count(*) FROM \"" + table + "\"";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW)
            v = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
        sqlite3_close(db);
        return v;
    }
};
