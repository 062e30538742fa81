// The Browse filter through the real filter editor: the header's filter icon opens it in a popover over
// the Browse stack, with what the screen hands over; Apply filters the grid; a removed column takes its
// filter with it.
#include "BrowseFixture.h"

#include "app/WhereColumnViewController.h"

namespace {

const std::vector<ColumnSpec> kPatients = {
    {"Age", {"25", "31", "47", "30", "62"}, 3},
    {"Town", {"Ely", "Ware", "Ely", "Diss", "Ware"}, 1},
};

class BrowseFilterTest : public BrowseTest {
  protected:
    // Taps the filter icon of the grid's column header k (from 0).
    WhereColumnViewController* openEditor(int k) {
        auto* head = item<ColHeaderCell>(0, k + 1);
        if (!head)
            return nullptr;
        driver->tap(&head->button());
        host->drain();
        auto* shown = dynamic_cast<ui::NavigationController*>(browse->presentedViewController());
        if (!shown || shown->viewControllers().empty())
            return nullptr;
        return dynamic_cast<WhereColumnViewController*>(shown->viewControllers().front().get());
    }
    void tapSegment(const std::string& title) {
        auto& segments = *driver->find<ui::SegmentedControl>("segmentOperator");
        for (size_t i = 0; i < segments.numberOfSegments(); ++i)
            if (segments.titleForSegmentAtIndex(i) == title) {
                const ui::Rect r = segments.convertRectToView(segments.rectForSegment(i), nullptr);
                driver->tapAt({r.midX(), r.midY()});
                return;
            }
        ADD_FAILURE() << "no segment " << title;
    }
};

TEST_F(BrowseFilterTest, TheIconOpensTheEditorInAPopoverOverTheStackWithWhatTheScreenHasForTheColumn) {
    openWorkspace(kPatients);
    show();
    auto* editor = openEditor(0);
    ASSERT_NE(editor, nullptr);
    // Presented, not pushed: the Browse stack keeps its one controller.
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    auto* shown = browse->presentedViewController();
    EXPECT_EQ(shown->modalPresentationStyle(), ui::ModalPresentationStyle::Popover);
    EXPECT_NE(shown->popoverPresentationController().arrowDirection, 0u);
    EXPECT_EQ(shown->popoverPresentationController().sourceView, &item<ColHeaderCell>(0, 1)->button());
    // Without a clause: the operator code 0 ("<" for a number).
    EXPECT_EQ(editor->column()->name(), "Age");
    EXPECT_EQ(editor->opType(), std::optional<uint64_t>(0));
    EXPECT_EQ(editor->model(), &model());
    EXPECT_EQ(editor->delegate(), static_cast<WhereColumnViewControllerDelgate*>(browse.get()));
    EXPECT_EQ(driver->text("labelPredicate"), "No filter");
    browse->dismissViewController(false);
    host->drain();

    // An IN clause: its levels go over too, so the editor shows the live filter.
    browse->where(WhereClauseObj(1, FilterIn, std::nullopt, {"Ware", "Diss"}));
    host->drain();
    editor = openEditor(1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->opType(), std::optional<uint64_t>(FilterIn));
    EXPECT_EQ(editor->matchMultiple(), (std::set<std::string>{"Diss", "Ware"}));
    EXPECT_NE(driver->text("labelPredicate"), "No filter");
    // Apply with the levels unchanged keeps the filter.
    driver->tap(driver->find("buttonApply"));
    host->drain();
    EXPECT_EQ(browse->presentedViewController(), nullptr);
    ASSERT_EQ(browse->wheres().count(1), 1u);
    EXPECT_EQ(grid().numberOfSections(), 4);
}

TEST_F(BrowseFilterTest, ApplyingAConditionLeavesThePassingRowsAndARemovedColumnTakesItAway) {
    openWorkspace(kPatients);
    for (const auto& screen : {std::pair{gfx::Size{1024, 768}, ui::UserInterfaceIdiom::Pad},
                               std::pair{gfx::Size{375, 667}, ui::UserInterfaceIdiom::Phone}}) {
        SCOPED_TRACE(screen.second == ui::UserInterfaceIdiom::Pad ? "pad" : "phone");
        show(screen.first, screen.second);
        ASSERT_NE(openEditor(0), nullptr);
        tapSegment(">");
        auto* field = driver->find<ui::TextField>("fieldConstant");
        ASSERT_NE(field, nullptr);
        ASSERT_TRUE(driver->typeInto(field, "30"));
        host->window().endEditing(true);
        host->drain();
        driver->tap(driver->find("buttonApply"));
        host->drain();
        EXPECT_EQ(browse->presentedViewController(), nullptr);
        ASSERT_EQ(grid().numberOfSections(), 4);
        EXPECT_EQ(textAt(1, 0), "2");
        EXPECT_EQ(textAt(2, 0), "3");
        EXPECT_EQ(textAt(3, 0), "5");
        EXPECT_EQ(driver->text(&browse->labelFilter()), "Filters: Age > 30");
        // Green while filtered.
        EXPECT_EQ(item(0, 1)->backgroundColor(), (ui::Color{136 / 255.0, 200 / 255.0, 77 / 255.0, 1}));
        browse->setWheres({});
        browse.reset();
        nav.reset();
        tabs.reset();
    }
    show();
    browse->where(WhereClauseObj(0, FilterGreater, "30"));
    host->drain();
    model().removeColumn(*columnNamed("Age"));
    host->drain();
    EXPECT_TRUE(browse->wheres().empty());
    EXPECT_EQ(driver->text(&browse->labelFilter()), "No filter. Tap filter icons in column headers");
    EXPECT_EQ(grid().numberOfSections(), 6);
}

} // namespace
