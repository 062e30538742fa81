// The filter screens rendered on a pad (in a popover) and a phone (full screen): every visible control
// lies inside the window and the popover, and the pictures are left in the scratch folder for a look.
#include "FilterFixture.h"

#include "tests/RenderChecks.h"

#include <functional>
#include <iostream>

namespace {

// Every visible view with an identifier and something to show lies within `bounds` (window points).
void expectInside(ui::View& root, const ui::Rect& bounds) {
    std::function<void(ui::View&)> walk = [&](ui::View& v) {
        if (v.isHidden() || v.alpha() == 0)
            return;
        if (!v.identifier().empty() && (!v.displayedText().empty() || dynamic_cast<ui::Control*>(&v))) {
            ui::Rect f = v.convertRectToView(v.bounds(), nullptr);
            EXPECT_GE(f.minX(), bounds.minX() - 0.5) << v.identifier();
            EXPECT_LE(f.maxX(), bounds.maxX() + 0.5) << v.identifier();
            EXPECT_GE(f.minY(), bounds.minY() - 0.5) << v.identifier();
            EXPECT_LE(f.maxY(), bounds.maxY() + 0.5) << v.identifier();
        }
        for (const auto& s : v.subviews())
            walk(*s);
    };
    walk(root);
}

class FilterRenderTest : public FilterScreenTest {
  protected:
    void SetUp() override {
        FilterScreenTest::SetUp();
        openWorkspace(
            {{"Systolic blood pressure at the first visit of the study", {"120", "135", "128", "141"}, 3},
             {"Region", {"North", "Northeast", "South", "Southwest"}, 1},
             {"Smoker", {"yes", "no", "yes", "no"}, 2}});
    }
    void save(const std::string& name) {
        const auto path = renderChecks::scratchPath(name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(path));
        std::cout << name << ": " << path << "\n";
    }
};

TEST_F(FilterRenderTest, TheEditorWithItsSuggestionsFits) {
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        makeHarness(idiom.screen, idiom.idiom);
        auto editor = std::make_shared<WhereColumnViewController>();
        editor->setModel(&model());
        editor->setColumn(columnNamed("Region"));
        RecordingWhereDelegate delegate;
        editor->setDelegate(&delegate);
        auto nav = present(editor, {320, 300});
        driver->typeInto(&editor->fieldConstant(), "no");
        settleSuggestions(editor->fieldConstant());
        ASSERT_EQ(editor->fieldConstant().autoCompleteTableView().superview(), &editor->view());
        save(std::string("where-column-") + idiom.name);
        expectInside(nav->view(), nav->view().convertRectToView(nav->view().bounds(), nullptr));
        expectInside(nav->view(), host->window().bounds());
        // The long name fits its line in the small label.
        EXPECT_FALSE(editor->labelColumnSmall().isHidden());

        // The numeric column's operators, and "IN" with its levels button.
        harness->dismissViewController(false);
        host->drain();
        auto numeric = std::make_shared<WhereColumnViewController>();
        numeric->setModel(&model());
        numeric->setColumn(columnNamed("Systolic blood pressure at the first visit of the study"));
        numeric->setOpType(FilterIn);
        numeric->setMatchMultiple({"120", "135"});
        numeric->setDelegate(&delegate);
        auto nav2 = present(numeric, {320, 300});
        save(std::string("where-column-in-") + idiom.name);
        expectInside(nav2->view(), nav2->view().convertRectToView(nav2->view().bounds(), nullptr));
        harness->dismissViewController(false);
        host->drain();
    }
}

TEST_F(FilterRenderTest, TheListPickerAndChooserFit) {
    auto analysis = model().addAnalysis("Blood pressure");
    for (auto [name, op, c] :
         {std::tuple{"Region", FilterContains, "North"}, std::tuple{"Smoker", FilterEqual, "no"}}) {
        auto w = model().managedObjectContext()->insertNewObject<WhereClause>();
        w->setX(columnNamed(name).get());
        w->setOp(int64_t(op));
        w->setC(std::string(c));
        analysis->addWheresObject(*w);
    }
    model().saveContext();
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        makeHarness(idiom.screen, idiom.idiom);
        auto list = std::make_shared<WheresViewController>(ui::TableViewStyle::Plain);
        list->setModel(&model());
        list->setAnalysis(analysis);
        auto nav = present(list, {320, 480});
        save(std::string("wheres-") + idiom.name);
        expectInside(nav->view(), host->window().bounds());

        list->addWhere();
        host->drain();
        save(std::string("picker-") + idiom.name);

        harness->dismissViewController(false);
        host->drain();
        auto picker = std::make_shared<ColumnPickerViewController>(
            ui::TableViewStyle::Plain, model().columns(),
            std::vector<std::shared_ptr<Column>>{columnNamed("Region")}, PickerPositionFurther);
        auto nav2 = present(picker, {400, 200});
        save(std::string("picker-multi-") + idiom.name);
        expectInside(nav2->view(), host->window().bounds());
        harness->dismissViewController(false);
        host->drain();

        auto chooser = std::make_shared<ColumnLevelChooser>();
        chooser->setColNum(columnNamed("Region")->num());
        chooser->setSelectedLevels({"South"});
        auto nav3 = present(chooser, {320, 300});
        ASSERT_TRUE(runUntil([&] { return chooser->levels().size() == 4; }));
        host->drain();
        save(std::string("levels-") + idiom.name);
        harness->dismissViewController(false);
        host->drain();
    }
}

} // namespace
