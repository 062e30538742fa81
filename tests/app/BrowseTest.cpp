// The Browse screen on real workspace files, driven as a user would: the grid's counts, identifiers and
// labels, edit mode with Return, renaming and the recomputation at Done, rows and columns added, the
// end of the app in edit mode, a failing fetch, the variable limit, the help tip and the keyboard.
#include "BrowseFixture.h"

#include "controls/CMPopTipView.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/TextView.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using ui::IndexPath;

const std::vector<ColumnSpec> kThreeByTwo = {
    {"Age", {"34", "51"}, 3},
    {"Sex", {"f", "m"}, 2},
    {"Town", {"Ely", "Ware"}, 1},
};

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// One value of the stored file, read past every context of the process.
std::optional<std::string> storedValue(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    std::optional<std::string> out;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW &&
            sqlite3_column_type(st, 0) != SQLITE_NULL)
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

TEST_F(BrowseTest, TheGridHasARowPerFetchedRowAndEditModeAddsTheAddItems) {
    openWorkspace(kThreeByTwo);
    show();
    struct Case {
        bool editing;
        int sections;
        std::vector<int> items; // per section
        std::vector<std::vector<std::string>> identifiers;
    };
    const Case cases[] = {
        {false, 3, {4, 4, 4}, {{"RowHeader", "ColHeader", "ColHeader", "ColHeader"},
                               {"RowHeader", "Data", "Data", "Data"},
                               {"RowHeader", "Data", "Data", "Data"}}},
        {true, 4, {5, 4, 4, 1}, {{"RowHeader", "EditColumn", "EditColumn", "EditColumn", "AddColumn"},
                                 {"RowHeader", "EditData", "EditData", "EditData"},
                                 {"RowHeader", "EditData", "EditData", "EditData"},
                                 {"AddRow"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.editing ? "editing" : "browsing");
        if (c.editing)
            tapEdit();
        ASSERT_EQ(grid().numberOfSections(), c.sections);
        for (int s = 0; s < c.sections; ++s) {
            ASSERT_EQ(grid().numberOfItemsInSection(s), c.items[size_t(s)]) << s;
            for (int i = 0; i < c.items[size_t(s)]; ++i) {
                auto* cell = item(s, i);
                ASSERT_NE(cell, nullptr) << s << "," << i;
                EXPECT_EQ(cell->reuseIdentifier(), c.identifiers[size_t(s)][size_t(i)]) << s << "," << i;
                // Every item has the grey border.
                EXPECT_EQ(cell->layer().borderColor(), ui::Color::gray(0.8));
                EXPECT_EQ(cell->layer().borderWidth(), 2);
            }
        }
        EXPECT_EQ(textAt(0, 0), "");
        EXPECT_EQ(textAt(1, 0), "1");
        EXPECT_EQ(textAt(2, 0), "2");
        EXPECT_EQ(textAt(0, 1), "Age");
        EXPECT_EQ(textAt(0, 3), "Town");
        EXPECT_EQ(textAt(2, 1), "51");
        EXPECT_EQ(textAt(1, 3), "Ely");
    }
    auto* data = item<EditDataCell>(2, 3);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->dataIndex(), (IndexPath{1, 2}));
    EXPECT_EQ(data->indexPath(), (IndexPath{2, 3}));
    auto* name = item<EditColumnCell>(0, 2);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->columnIndex(), 1u);
}

TEST_F(BrowseTest, AFilterLeavesOnlyItsRowsAndAnUnsavedRowShowsAfterTheRefresh) {
    openWorkspace({{"n", {"1", "2", "3", "4", "5", "6"}, 3}, {"even", {"no", "yes", "no", "no", "yes", "no"}, 2}});
    show();
    browse->where(WhereClauseObj(1, FilterEqual, "yes"));
    host->drain();
    ASSERT_EQ(grid().numberOfSections(), 3);
    EXPECT_EQ(textAt(1, 0), "2");
    EXPECT_EQ(textAt(2, 0), "5");
    EXPECT_EQ(textAt(2, 1), "5");
    EXPECT_EQ(driver->text(&browse->labelFilter()), "Filters: even = yes");

    browse->setWheres({});
    model().addEmptyRow();
    browse->refresh(false);
    host->drain();
    ASSERT_EQ(grid().numberOfSections(), 8);
    EXPECT_EQ(textAt(7, 0), "7");
    EXPECT_EQ(textAt(7, 1), "");
    EXPECT_NE(driver->text(&browse->labelFileInfo()).find("7 Observations"), std::string::npos);
    EXPECT_EQ(driver->text(&browse->labelFilter()), "No filter. Tap filter icons in column headers");
}

TEST_F(BrowseTest, ReturnMovesTheEditingOnButNeverIntoTheAddItems) {
    openWorkspace(kThreeByTwo);
    show();
    tapEdit();
    struct Case {
        IndexPath from;                  // section, item
        std::optional<IndexPath> next;   // nothing: the editing ends
    };
    const Case cases[] = {
        {{0, 1}, IndexPath{0, 2}},
        // The last name goes to the first value, never to the add-column item.
        {{0, 3}, IndexPath{1, 1}},
        {{1, 1}, IndexPath{1, 2}},
        // A row's last value goes to the next row's first.
        {{1, 3}, IndexPath{2, 1}},
        // The last value of the last row: the next section is the add-row one.
        {{2, 3}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from.section) + "," + std::to_string(c.from.row));
        ui::TextField* field = fieldAt(c.from.section, c.from.row);
        ASSERT_NE(field, nullptr);
        ASSERT_NE(driver->tap(field), nullptr);
        ASSERT_TRUE(field->isFirstResponder());
        driver->pressReturn();
        host->waitUntilIdle();
        ui::View* focused = host->window().firstResponder();
        if (!c.next) {
            EXPECT_EQ(focused, nullptr);
            continue;
        }
        EXPECT_EQ(focused, fieldAt(c.next->section, c.next->row));
        host->window().endEditing(true);
    }
}

TEST_F(BrowseTest, ANameIsTakenUnlessEmptyOrAnyColumnsAndOnlyChangedValuesMarkTheirColumn) {
    openWorkspace(kThreeByTwo);
    show();
    tapEdit();
    struct Rename {
        const char* typed;
        const char* shown;
    };
    const Rename renames[] = {{"", "Age"}, {"Sex", "Age"}, {"Age", "Age"}, {"Years", "Years"}};
    for (const auto& r : renames) {
        SCOPED_TRACE(r.typed);
        retype(0, 1, r.typed);
        host->window().endEditing(true);
        EXPECT_EQ(fieldAt(0, 1)->text(), r.shown);
        EXPECT_EQ(browse->columns()[0]->name(), r.shown);
    }
    EXPECT_EQ(browse->columns()[1]->name(), "Sex");

    // The same text back marks nothing; two different edits of one column mark it once.
    retype(1, 2, "f");
    host->window().endEditing(true);
    EXPECT_TRUE(browse->changedColumns().empty());
    retype(1, 2, "m");
    host->window().endEditing(true);
    retype(2, 2, "f");
    host->window().endEditing(true);
    EXPECT_EQ(browse->changedColumns(), (std::set<int64_t>{columnNamed("Sex")->num()}));
    EXPECT_EQ(textAt(1, 2), "m");
}

TEST_F(BrowseTest, DoneRecomputesTheEditedColumnsInTheBackgroundAndKeepsAnOpenFieldsText) {
    openWorkspace({{"Age", {"34", "51", "27"}, 3}, {"Town", {"Ely", "Ware", "Ely"}, 1}, {"n", {"1", "2", "3"}, 3}});
    show();
    std::vector<std::string> shown;
    browse->setProgressHook([&](const std::string& text) { shown.push_back(text); });
    tapEdit();
    EXPECT_EQ(tabsEnabled(), (std::vector<bool>{false, true, false, false, false}));
    EXPECT_FALSE(browse->shareButton().isEnabled());
    EXPECT_EQ(driver->text("navigationTitle"), "Edit");
    // Numbers become three different words; the last is typed and left open when Done is tapped.
    retype(1, 1, "young");
    host->window().endEditing(true);
    retype(2, 1, "old");
    host->window().endEditing(true);
    retype(3, 1, "middle");
    retype(1, 2, "Diss");
    host->window().endEditing(true);
    retype(2, 3, "20");
    tapDone();
    EXPECT_EQ(shown, (std::vector<std::string>{"Processing Changed Variables", "Age", "Town", "n"}));
    EXPECT_EQ(browse->overlay(), nullptr);
    EXPECT_EQ(tabsEnabled(), std::vector<bool>(5, true));
    EXPECT_TRUE(browse->shareButton().isEnabled());
    EXPECT_TRUE(browse->editButton().isEnabled());
    EXPECT_EQ(driver->text("navigationTitle"), "Browse");
    EXPECT_EQ(textAt(3, 1), "middle");
    EXPECT_EQ(textAt(2, 3), "20");

    // What the file holds once reopened.
    browse.reset();
    nav.reset();
    tabs.reset();
    model().closeStores();
    model().openStore(path("Test.ov"));
    auto age = columnNamed("Age");
    ASSERT_NE(age, nullptr);
    EXPECT_EQ(texts(*age), (std::vector<std::string>{"young", "old", "middle"}));
    EXPECT_EQ(age->type(), 1);
    EXPECT_EQ(age->obs(), 3);
    EXPECT_EQ(age->levels(), 3);
    EXPECT_EQ(age->obsNumeric(), 0);
    EXPECT_FALSE(age->mean());
    EXPECT_EQ(columnNamed("Town")->levels(), 3);
    EXPECT_EQ(columnNamed("n")->type(), 3);
    EXPECT_EQ(columnNamed("n")->max(), "20");
}

TEST_F(BrowseTest, AtTheEndOfTheAppEditsAreStoredAndTheEditedColumnsStatisticsCleared) {
    openWorkspace({{"Age", {"34", "51", "27"}, 3}, {"Town", {"Ely", "Ware", "Ely"}, 1}});
    const std::string file = path("Test.ov");
    show();
    // Outside edit mode nothing is written.
    const std::string before = fileBytes(file);
    browse->prepareForTermination();
    EXPECT_EQ(fileBytes(file), before);

    tapEdit();
    retype(1, 1, "40");
    host->window().endEditing(true);
    retype(2, 1, "60"); // still open
    browse->prepareForTermination();
    EXPECT_EQ(storedValue(file, "SELECT data FROM Cell WHERE rowNum = 2 AND colNum = 0"), "60");
    EXPECT_EQ(storedValue(file, "SELECT data FROM Cell WHERE rowNum = 1 AND colNum = 0"), "40");
    for (const char* attribute : {"obs", "obsNumeric", "levels", "mean", "min", "pc50"}) {
        SCOPED_TRACE(attribute);
        EXPECT_EQ(storedValue(file, std::string("SELECT ") + attribute + " FROM \"Column\" WHERE num = 0"), std::nullopt);
    }
    // The type stays until a Done recomputes it; the other column keeps its statistics.
    EXPECT_EQ(storedValue(file, "SELECT type FROM \"Column\" WHERE num = 0"), "3");
    EXPECT_EQ(storedValue(file, "SELECT obs FROM \"Column\" WHERE num = 1"), "3");
    // The next use computes them again.
    auto age = columnNamed("Age");
    const BasicStatsSummary stats = model().retrieveBasicStatsForColumn(*age);
    EXPECT_EQ(stats.obs, 3);
    EXPECT_EQ(stats.mean, (40.0 + 60 + 27) / 3);
    EXPECT_EQ(storedValue(file, "SELECT obs FROM \"Column\" WHERE num = 0"), "3");
}

TEST_F(BrowseTest, TheAddItemsAddARowAndAColumnUpToTheVariableLimit) {
    openWorkspace(kThreeByTwo);
    show();
    tapEdit();
    auto* addRow = item<AddCell>(3, 0);
    ASSERT_NE(addRow, nullptr);
    driver->tap(&addRow->button());
    ASSERT_EQ(grid().numberOfSections(), 5);
    EXPECT_EQ(textAt(3, 0), "3");
    auto* addColumn = item<AddCell>(0, 4);
    ASSERT_NE(addColumn, nullptr);
    driver->tap(&addColumn->button());
    ASSERT_EQ(grid().numberOfItemsInSection(0), 6);
    EXPECT_EQ(textAt(0, 4), "Var4");
    EXPECT_EQ(textAt(3, 4), "");
    // Unsaved until Done.
    tapDone();
    EXPECT_EQ(model().countRows(), 3u);
    EXPECT_EQ(model().countColumns(), 4u);
}

TEST_F(BrowseTest, AtFiveHundredColumnsBothPlusesAreRefusedWithTheLimitAlert) {
    std::vector<ColumnSpec> wide;
    for (int k = 0; k < 499; ++k)
        wide.push_back({"c" + std::to_string(k), {"1"}, 3});
    openWorkspace(wide);
    show();
    tapEdit();
    // At 499 one more is taken.
    browse->addColumn();
    host->drain();
    EXPECT_EQ(model().countColumns(), 500u);
    EXPECT_EQ(browse->presentedViewController(), nullptr);

    struct Plus {
        const char* where;
        std::function<void()> tap;
    };
    const Plus pluses[] = {
        {"grid", [&] {
             grid().setContentOffset(grid().clampedOffset({1e7, 0}));
             auto* add = item<AddCell>(0, 501);
             ASSERT_NE(add, nullptr);
             driver->tap(&add->button());
         }},
        {"header strip", [&] {
             browse->header().setHidden(false);
             ui::TableView& strip = browse->header().horizontalTableView();
             strip.scrollToRowAtIndexPath({0, 500}, ui::TableViewScrollPosition::None, false);
             host->drain();
             auto* cell = strip.cellForRowAtIndexPath({0, 500});
             ASSERT_NE(cell, nullptr);
             auto* plus = cell->contentView().viewWithTag(BrowseHeader::kAddButtonTag);
             ASSERT_NE(plus, nullptr);
             EXPECT_FALSE(plus->isHidden());
             driver->tap(plus);
         }},
    };
    for (const auto& p : pluses) {
        SCOPED_TRACE(p.where);
        p.tap();
        host->drain();
        EXPECT_EQ(driver->text("alertTitle"), "500 Variable Limit Reached");
        EXPECT_EQ(driver->text("alertMessage"), "To make room for a new variable please delete an existing one.");
        driver->tapText("OK");
        host->drain();
        EXPECT_EQ(model().countColumns(), 500u);
        EXPECT_EQ(browse->presentedViewController(), nullptr);
    }
}

TEST_F(BrowseTest, AFailingFetchIsLoggedAndReportedOnceAndNoWorkspaceIsNoFailure) {
    show();
    EXPECT_EQ(storeErrors, 0);
    openWorkspace(kThreeByTwo);
    browse->refresh(false);
    host->drain();
    ASSERT_EQ(grid().numberOfSections(), 3);
    // The cells' table goes from under the screen.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path("Test.ov").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DROP TABLE CellRecords", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    foundation::LogCapture log;
    browse->refresh(false);
    host->drain();
    EXPECT_EQ(storeErrors, 1);
    EXPECT_TRUE(log.contains("Unresolved error "));
    EXPECT_EQ(grid().numberOfSections(), 1);
    storeErrors = 0;
}

// Counts the keyboard handler's runs.
struct CountingBrowse : BrowseViewController {
    using BrowseViewController::BrowseViewController;
    int keyboardCalls = 0;
    void updateBottomConstraintWithNotification(const foundation::Notification& n) override {
        ++keyboardCalls;
        BrowseViewController::updateBottomConstraintWithNotification(n);
    }
};

TEST_F(BrowseTest, TheKeyboardLeavesRoomUnderTheGridAndIsHeardOnceWhateverTheRefreshes) {
    openWorkspace(kThreeByTwo);
    makeHost();
    auto counting = std::make_shared<CountingBrowse>(launcher, mail);
    browse = counting;
    showInTab(browse);
    for (int i = 0; i < 10; ++i)
        browse->refresh(false);
    auto& center = foundation::NotificationCenter::defaultCenter();
    const ui::Rect view = browse->view().convertRectToView(browse->view().bounds(), nullptr);
    struct Case {
        const char* name;
        ui::Rect keyboard;
        double inset;
    };
    const Case cases[] = {
        {ui::KeyboardWillShowNotification.c_str(), {0, 768 - 300, 1024, 300}, view.maxY() - (768 - 300)},
        // A keyboard below the view leaves no room to make.
        {ui::KeyboardWillHideNotification.c_str(), {0, 768, 1024, 300}, 0},
    };
    int calls = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        center.post(c.name, nullptr, ui::KeyboardNotificationInfo{c.keyboard, 0.25, 7}.userInfo());
        host->waitUntilIdle();
        EXPECT_EQ(counting->keyboardCalls, ++calls);
        EXPECT_EQ(grid().contentInset().bottom, c.inset);
    }
}

TEST_F(BrowseTest, TheTipShowsOnTheFirstTwoAppearancesWithAWorkspaceOnly) {
    auto reappear = [&] {
        nav->pushViewController(std::make_shared<ui::ViewController>(), false);
        host->drain();
        nav->popViewControllerAnimated(false);
        host->drain();
        host->drain();
    };
    show();
    EXPECT_EQ(browse->ptv(), nullptr);
    reappear();
    EXPECT_EQ(browse->ptv(), nullptr);
    EXPECT_EQ(Model::timesSeenHelpKey("browse"), 0);

    openWorkspace(kThreeByTwo);
    const bool expected[] = {true, true, false};
    for (bool shown : expected) {
        reappear();
        ASSERT_EQ(browse->ptv() != nullptr, shown);
        if (shown) {
            EXPECT_EQ(browse->ptv()->message(), "Tap to edit or enter data");
        }
    }
    EXPECT_EQ(Model::timesSeenHelpKey("browse"), 2);

    // A shown tip goes when the screen disappears, and when the window changes size.
    Model::resetTimesSeenHelp();
    reappear();
    ASSERT_NE(browse->ptv(), nullptr);
    nav->pushViewController(std::make_shared<ui::ViewController>(), false);
    host->drain();
    EXPECT_EQ(browse->ptv(), nullptr);
    nav->popViewControllerAnimated(false);
    host->drain();
    host->drain();
    ASSERT_NE(browse->ptv(), nullptr);
    host->window().transitionToSize({768, 1024});
    EXPECT_EQ(browse->ptv(), nullptr);
}

TEST_F(BrowseTest, AnInitialEditOpensInEditModeOnce) {
    openWorkspace({{"Var1", {""}, 0}});
    makeHost();
    browse = std::make_shared<BrowseViewController>(launcher, mail);
    EXPECT_FALSE(browse->isInitialEdit());
    browse->setIsInitialEdit(true);
    showInTab(browse);
    EXPECT_TRUE(browse->isEditing());
    EXPECT_FALSE(browse->isInitialEdit());
    EXPECT_EQ(item(0, 1)->reuseIdentifier(), "EditColumn");
}


TEST_F(BrowseTest, TheFilterChangesOnlyForADifferentClauseAndColoursItsHeader) {
    openWorkspace({{"Age", {"34", "51", "27"}, 3}, {"Town", {"Ely", "Ware", "Diss"}, 1}});
    show();
    const int64_t age = 0, town = 1;
    struct Step {
        const char* what;
        WhereClauseObj clause;
        bool refreshed;
        std::optional<WhereClauseObj> after; // Age's clause afterwards
    };
    const WhereClauseObj greater(age, FilterGreater, "30"), less(age, FilterLess, "30");
    const WhereClauseObj in(age, FilterIn, std::nullopt, {"34", "27"});
    const Step steps[] = {
        {"a new clause", greater, true, greater},
        {"the same operator and constant", WhereClauseObj(age, FilterGreater, "30"), false, greater},
        {"another operator, the same constant", less, true, less},
        {"an empty constant", WhereClauseObj(age, FilterLess, ""), true, std::nullopt},
        {"levels", in, true, in},
        {"the same levels in another order", WhereClauseObj(age, FilterIn, std::nullopt, {"27", "34"}), false, in},
        {"no levels", WhereClauseObj(age, FilterIn, std::nullopt, {}), true, std::nullopt},
        {"a cleared condition", WhereClauseObj(age, FilterEqual, std::nullopt), true, std::nullopt},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const auto* before = browse->fetchedResultsController();
        browse->where(step.clause);
        host->drain();
        EXPECT_EQ(browse->fetchedResultsController() != before, step.refreshed);
        auto it = browse->wheres().find(age);
        ASSERT_EQ(it != browse->wheres().end(), step.after.has_value());
        if (step.after) {
            EXPECT_EQ(it->second, *step.after);
        }
    }
    // A clause on another column stands beside; the label lists them by column, levels sorted.
    browse->where(in);
    browse->where(WhereClauseObj(town, FilterEqual, "Ely"));
    host->drain();
    EXPECT_EQ(driver->text(&browse->labelFilter()), "Filters: Age IN 27, 34 & Town = Ely");
    EXPECT_EQ(grid().numberOfSections(), 2);

    // Green with a clause, orange again once it is cleared: in the grid and in the header strip.
    const ui::Color green{136 / 255.0, 200 / 255.0, 77 / 255.0, 1}, orange{1.0, 0.8, 0.4, 1};
    auto colours = [&] {
        return std::make_pair(item(0, 1)->backgroundColor(), browse->header().colorForIndexPath({0, 0}));
    };
    EXPECT_EQ(colours(), std::make_pair(std::optional<ui::Color>(green), green));
    browse->where(WhereClauseObj(age, FilterIn, std::nullopt, {}));
    host->drain();
    EXPECT_EQ(colours(), std::make_pair(std::optional<ui::Color>(orange), orange));
    EXPECT_EQ(driver->text(&browse->labelFilter()), "Filters: Town = Ely");
}

TEST_F(BrowseTest, ARemovedColumnTakesItsFilterWithIt) {
    openWorkspace(kThreeByTwo);
    show();
    browse->where(WhereClauseObj(columnNamed("Sex")->num(), FilterEqual, "m"));
    host->drain();
    ASSERT_EQ(grid().numberOfSections(), 2);
    model().removeColumn(*columnNamed("Sex"));
    host->drain();
    EXPECT_TRUE(browse->wheres().empty());
    EXPECT_EQ(driver->text(&browse->labelFilter()), "No filter. Tap filter icons in column headers");
    EXPECT_EQ(grid().numberOfSections(), 3);
    EXPECT_EQ(grid().numberOfItemsInSection(0), 3);
}

TEST_F(BrowseTest, TheRowTableShowsEachFetchedRowAndScrollsSidewaysWithItsHeader) {
    openWorkspace({{"n", {"1", "2", "3", "4", "5"}, 3}, {"even", {"no", "yes", "no", "no", "yes"}, 2}, {"t", {"a", "b", "c", "d", "e"}, 1}});
    show();
    ui::TableView& rows = browse->tableView();
    rows.setHidden(false);
    browse->header().setHidden(false);
    // The rows a filter keeps are labelled by their own numbers.
    browse->where(WhereClauseObj(1, FilterEqual, "yes"));
    host->drain();
    ASSERT_EQ(rows.numberOfRowsInSection(0), 2);
    auto row = [&](int i) { return dynamic_cast<BrowseCell*>(rows.cellForRowAtIndexPath({0, i})); };
    ASSERT_TRUE(row(0) && row(1));
    EXPECT_EQ(row(0)->labelRow().text(), "2");
    EXPECT_EQ(row(1)->labelRow().text(), "5");
    EXPECT_EQ(row(1)->horizontalTableView().numberOfRowsInSection(0), 3);
    EXPECT_EQ(row(1)->textForIndexPath({0, 2}), "e");
    EXPECT_EQ(rows.rectForRowAtIndexPath({0, 1}).height(), 40);

    // Sideways: one row's inner table moves the header's and the other row's.
    row(0)->horizontalTableView().setContentOffset({0, 120});
    host->drain();
    EXPECT_EQ(browse->header().horizontalTableView().bounds().minY(), 120);
    EXPECT_EQ(row(1)->horizontalTableView().bounds().minY(), 120);

    browse->setWheres({});
    browse->refresh(false);
    tapEdit();
    ASSERT_EQ(rows.numberOfRowsInSection(0), 6);
    EXPECT_EQ(browse->editingStyleForRowAtIndexPath(rows, {0, 5}), ui::TableViewCellEditingStyle::Insert);
    EXPECT_EQ(browse->editingStyleForRowAtIndexPath(rows, {0, 0}), ui::TableViewCellEditingStyle::None);
    ASSERT_TRUE(row(0));
    ui::TableView& inner = row(0)->horizontalTableView();
    ASSERT_EQ(inner.numberOfRowsInSection(0), 4);
    inner.scrollToRowAtIndexPath({0, 3}, ui::TableViewScrollPosition::None, false);
    host->drain();
    auto* plus = inner.cellForRowAtIndexPath({0, 3})->contentView().viewWithTag(BrowseCell::kAddButtonTag);
    ASSERT_NE(plus, nullptr);
    EXPECT_TRUE(plus->isHidden());
    ui::TableView& strip = browse->header().horizontalTableView();
    ASSERT_EQ(strip.numberOfRowsInSection(0), 4);
    strip.scrollToRowAtIndexPath({0, 3}, ui::TableViewScrollPosition::None, false);
    host->drain();
    auto* stripPlus = strip.cellForRowAtIndexPath({0, 3})->contentView().viewWithTag(BrowseHeader::kAddButtonTag);
    ASSERT_NE(stripPlus, nullptr);
    EXPECT_FALSE(stripPlus->isHidden());
    // The insertion row adds a row.
    browse->commitEditingStyle(rows, ui::TableViewCellEditingStyle::Insert, {0, 5});
    host->drain();
    EXPECT_EQ(rows.numberOfRowsInSection(0), 7);
    EXPECT_EQ(grid().numberOfSections(), 8);
}

} // namespace
