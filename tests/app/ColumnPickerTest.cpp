// The column picker (single and multi choice, search, Save, Add All) and the level chooser (levels read
// in the background, ticks, a closed chooser dropping its answer), through the driver on real workspaces.
#include "FilterFixture.h"

#include <future>

namespace {

class ColumnPickerTest : public FilterScreenTest {
  protected:
    std::shared_ptr<ui::NavigationController> nav;
    std::shared_ptr<ColumnPickerViewController> picker;
    RecordingPickerDelegate delegate;

    // The picker pushed over a root screen, as a list pushes it.
    void showPicker(std::optional<std::vector<std::string>> preselected, uint64_t position) {
        makeHost();
        nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
        nav->viewControllers().front()->setTitle("Analysis");
        host->window().setRootViewController(nav);
        std::optional<std::vector<std::shared_ptr<Column>>> selected;
        if (preselected) {
            selected.emplace();
            for (const auto& name : *preselected)
                selected->push_back(columnNamed(name));
        }
        picker = std::make_shared<ColumnPickerViewController>(ui::TableViewStyle::Plain, model().columns(),
                                                              selected, position);
        picker->setDelegate(&delegate);
        nav->pushViewController(picker, false);
        host->drain();
    }
    ui::TableView& table() { return picker->tableView(); }
    ui::TableViewCell* rowNamed(const std::string& name) {
        for (auto* cell : table().visibleCells())
            if (cell->textLabel().text() == name)
                return cell;
        return nullptr;
    }
    void search(const std::string& text) {
        auto& field = picker->mySearchDisplayController().searchBar().searchField();
        if (!field.isFirstResponder())
            driver->tap(&field);
        driver->deleteBackward(int(field.text().size()));
        driver->type(text);
    }
    std::vector<std::string> listed() {
        std::vector<std::string> out;
        for (const auto& c : picker->searchColumns())
            out.push_back(c->name());
        return out;
    }
    std::set<std::string> selectedNames() {
        std::set<std::string> out;
        for (const auto& c : picker->selected())
            out.insert(c->name());
        return out;
    }
};

TEST_F(ColumnPickerTest, OneTapHandsOverOneColumnAndThePickerStays) {
    openWorkspace({{"Age", {"1"}}, {"Stage", {"2"}}, {"Name", {"x"}}});
    showPicker(std::nullopt, PickerPositionFilterColumn);
    EXPECT_EQ(picker->mySearchDisplayController().searchBar().placeholder(), "Search help terms");
    EXPECT_EQ(table().tableHeaderView(), &picker->mySearchDisplayController().searchBar());
    EXPECT_FALSE(picker->mySearchDisplayController().obscuresBackgroundDuringPresentation);
    driver->tap(rowNamed("Stage"));
    ASSERT_EQ(delegate.picks.size(), 1u);
    EXPECT_EQ(delegate.picks[0].first, std::vector<std::string>{"Stage"});
    EXPECT_EQ(delegate.picks[0].second, uint64_t(PickerPositionFilterColumn));
    EXPECT_EQ(nav->topViewController(), picker.get());
    // In a single-choice position the picker's navigation is its own.
    EXPECT_EQ(picker->navigationController(), nav.get());
    // No Save and no Add All here.
    EXPECT_TRUE(picker->navigationItem().rightBarButtonItems.empty());
}

TEST_F(ColumnPickerTest, PreselectedColumnsAreTickedWhenTheirRowsShow) {
    std::vector<ColumnSpec> columns;
    for (int i = 0; i < 40; ++i)
        columns.push_back({"v" + std::to_string(100 + i), {"1"}});
    openWorkspace(columns);
    showPicker(std::vector<std::string>{"v101", "v135"}, PickerPositionFurther);
    EXPECT_TRUE(table().isEditing());
    EXPECT_EQ(picker->navigationController(), nullptr);
    ASSERT_NE(rowNamed("v101"), nullptr);
    EXPECT_TRUE(rowNamed("v101")->isSelected());
    EXPECT_EQ(rowNamed("v101")->accessoryType(), ui::TableViewCellAccessory::Checkmark);
    EXPECT_FALSE(rowNamed("v100")->isSelected());
    // Row 35 lies below the fold until scrolled to.
    EXPECT_EQ(rowNamed("v135"), nullptr);
    table().scrollToRowAtIndexPath({0, 35}, ui::TableViewScrollPosition::Middle, false);
    host->drain();
    ASSERT_NE(rowNamed("v135"), nullptr);
    EXPECT_TRUE(rowNamed("v135")->isSelected());
    // Unticking and ticking change the choice; Save hands it over in the order of the columns.
    driver->tap(rowNamed("v135"));
    driver->tap(rowNamed("v130"));
    driver->tapText("Save");
    ASSERT_EQ(delegate.picks.size(), 1u);
    EXPECT_EQ(delegate.picks[0].first, (std::vector<std::string>{"v101", "v130"}));
    EXPECT_EQ(delegate.picks[0].second, uint64_t(PickerPositionFurther));
}

TEST_F(ColumnPickerTest, SaveHandsOverTickedColumnsTheSearchHides) {
    openWorkspace({{"Weight", {"1"}}, {"Age", {"1"}}, {"Stage", {"x"}}, {"Âge", {"2"}}, {"Name", {"y"}}});
    showPicker(std::vector<std::string>{"Name"}, PickerPositionFurther);
    search("stage");
    EXPECT_EQ(listed(), std::vector<std::string>{"Stage"});
    driver->tap(rowNamed("Stage"));
    EXPECT_TRUE(rowNamed("Stage")->isSelected());
    driver->tapText("Save");
    ASSERT_EQ(delegate.picks.size(), 1u);
    EXPECT_EQ(delegate.picks[0].first, (std::vector<std::string>{"Stage", "Name"}));
}

TEST_F(ColumnPickerTest, SearchIgnoresCaseAndAccentsAndAddAllTicksOnlyWhatIsListed) {
    openWorkspace({{"Weight", {"1"}}, {"Age", {"1"}}, {"Stage", {"x"}}, {"Âge", {"2"}}, {"Name", {"y"}}});
    showPicker(std::nullopt, PickerPositionFurther);
    search("age");
    EXPECT_EQ(listed(), (std::vector<std::string>{"Age", "Stage", "Âge"}));
    search("ÄGE");
    EXPECT_EQ(listed(), (std::vector<std::string>{"Age", "Stage", "Âge"}));
    driver->tapText("Add All");
    EXPECT_EQ(selectedNames(), (std::set<std::string>{"Age", "Stage", "Âge"}));
    // Cancelling lists every column again, the ticks where their columns are.
    driver->tap(&picker->mySearchDisplayController().searchBar().cancelButton());
    EXPECT_EQ(listed(), (std::vector<std::string>{"Weight", "Age", "Stage", "Âge", "Name"}));
    host->drain();
    EXPECT_FALSE(rowNamed("Weight")->isSelected());
    EXPECT_TRUE(rowNamed("Stage")->isSelected());
    EXPECT_FALSE(rowNamed("Name")->isSelected());
    // The back button stays beside Add All.
    ASSERT_NE(driver->find("navigationBack"), nullptr);
    driver->tap("navigationBack");
    EXPECT_NE(nav->topViewController(), picker.get());
}

// Holds a chooser's background read before it starts, and tells when its answer has reached the main
// queue.
struct LoadLatch {
    std::promise<void> release;
    std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
    explicit LoadLatch(ColumnLevelChooser& chooser) {
        chooser.setLoadHook([released = release.get_future().share(), done = done](bool finished) {
            if (finished)
                *done = true;
            else
                released.wait();
        });
    }
};

class ColumnLevelChooserTest : public FilterScreenTest {
  protected:
    std::shared_ptr<ui::NavigationController> nav;
    RecordingLevelsDelegate delegate;

    std::shared_ptr<ColumnLevelChooser> makeChooser(std::set<std::string> preselected) {
        auto chooser = std::make_shared<ColumnLevelChooser>();
        chooser->setColNum(columnNamed("Code")->num());
        chooser->setDelegate(&delegate);
        chooser->setSelectedLevels(std::move(preselected));
        return chooser;
    }
    void showRoot() {
        makeHost();
        nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
        host->window().setRootViewController(nav);
        host->drain();
    }
};

TEST_F(ColumnLevelChooserTest, LevelsInCodePointOrderAndStaleTicksDropped) {
    openWorkspace({{"Code", {"2", "1", "10", "2", "", "10"}, 1}});
    showRoot();
    auto chooser = makeChooser({"10", "gone"});
    // Nothing is listed, or ticked, until the background read is in.
    LoadLatch latch(*chooser);
    nav->pushViewController(chooser, false);
    host->drain();
    EXPECT_EQ(chooser->model(), &Model::sharedModel());
    EXPECT_TRUE(chooser->levels().empty());
    EXPECT_EQ(chooser->tableView().numberOfRowsInSection(0), 0);
    EXPECT_TRUE(chooser->tableView().indexPathsForSelectedRows().empty());
    EXPECT_TRUE(chooser->navigationItem().hidesBackButton);
    EXPECT_EQ(driver->find("navigationBack"), nullptr);
    latch.release.set_value();
    ASSERT_TRUE(runUntil([&] { return latch.done->load(); }));
    host->drain();
    EXPECT_EQ(chooser->levels(), (std::vector<std::string>{"1", "10", "2"}));
    EXPECT_EQ(cellTexts(chooser->tableView()), (std::vector<std::string>{"1", "10", "2"}));
    EXPECT_EQ(chooser->selectedLevels(), std::set<std::string>{"10"});
    EXPECT_TRUE(chooser->tableView().cellForRowAtIndexPath({0, 1})->isSelected());
    // Tick "2", untick "10", and Done hands over the ticks.
    driver->tap(chooser->tableView().cellForRowAtIndexPath({0, 2}));
    driver->tap(chooser->tableView().cellForRowAtIndexPath({0, 1}));
    driver->tapText("Done");
    ASSERT_EQ(delegate.chosen.size(), 1u);
    EXPECT_EQ(delegate.chosen[0], std::set<std::string>{"2"});
}

TEST_F(ColumnLevelChooserTest, AChooserClosedBeforeItsLevelsArriveDropsThem) {
    openWorkspace({{"Code", {"a", "b"}, 1}});
    showRoot();
    auto chooser = makeChooser({"a"});
    LoadLatch latch(*chooser);
    nav->pushViewController(chooser, false);
    host->drain();
    std::weak_ptr<ColumnLevelChooser> weak = chooser;
    nav->popViewControllerAnimated(false);
    chooser.reset();
    host->drain();
    EXPECT_TRUE(weak.expired());
    latch.release.set_value();
    ASSERT_TRUE(runUntil([&] { return latch.done->load(); }));
    EXPECT_TRUE(delegate.chosen.empty());
}

} // namespace
