// A search bar as a table's header: typing filters through the results updater, cancel ends it.
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/SearchController.h"
#include "platform/ui/TableView.h"

#include <gtest/gtest.h>

namespace {

using namespace ui;

struct Names : TableViewDataSource, SearchResultsUpdating {
    std::vector<std::string> all{"Age", "Height", "Weight", "Sex"};
    std::vector<std::string> shown = all;
    TableView* table = nullptr;
    int updates = 0;
    int numberOfRowsInSection(TableView&, int) override { return int(shown.size()); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& t, IndexPath ip) override {
        auto cell = t.dequeueReusableCellWithIdentifier("Name", ip);
        cell->textLabel().setText(shown[size_t(ip.row)]);
        return cell;
    }
    void updateSearchResultsForSearchController(SearchController& search) override {
        ++updates;
        const std::string& q = search.searchBar().text();
        shown.clear();
        for (const auto& n : all)
            if (!search.isActive() || q.empty() || n.find(q) != std::string::npos)
                shown.push_back(n);
        table->reloadData();
    }
};

TEST(Search, TypingFiltersTheTableAndCancelRestoresIt) {
    host::HeadlessHost host{{320, 480}};
    Driver driver(host.window(), host);
    auto table = std::make_shared<TableView>(Rect{0, 0, 320, 480});
    Names names;
    names.table = table.get();
    SearchController search;
    search.setSearchResultsUpdater(&names);
    // The screen may be the bar's delegate too; the controller keeps hearing the bar.
    struct Cancels : SearchBarDelegate {
        int count = 0;
        void searchBarCancelButtonClicked(SearchBar&) override { ++count; }
    } cancels;
    search.searchBar().setDelegate(&cancels);
    table->setTableHeaderView(search.searchBarPtr());
    table->setDataSource(&names);
    host.window().addSubview(table);
    host.drain();
    EXPECT_EQ(table->rectForRowAtIndexPath({0, 0}).minY(), 44); // rows start below the bar

    ASSERT_TRUE(driver.typeInto(driver.find("searchField"), "eight"));
    EXPECT_TRUE(search.isActive());
    EXPECT_EQ(names.shown, (std::vector<std::string>{"Height", "Weight"}));
    EXPECT_FALSE(driver.find<Button>("searchCancel")->isHidden());
    driver.tap("searchCancel");
    EXPECT_FALSE(search.isActive());
    EXPECT_EQ(search.searchBar().text(), "");
    EXPECT_EQ(names.shown.size(), 4u);
    EXPECT_EQ(cancels.count, 1);
    EXPECT_EQ(host.window().firstResponder(), nullptr);
}

} // namespace
