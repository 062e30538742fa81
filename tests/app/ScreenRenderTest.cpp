// The editor and the Variables screen rendered on a pad and a phone: every visible control lies inside
// the window and clear of its neighbours, and the colours the screens promise are where they belong.
// The pictures are left in the scratch folder for a look.
#include "ScreenFixture.h"

#include "app/EditVariableViewController.h"
#include "app/VariablesViewController.h"
#include "tests/RenderChecks.h"

#include <functional>

namespace {

// The frames of the visible controls and labels with text, in window points.
std::vector<std::pair<std::string, ui::Rect>> shownControls(ui::View& root) {
    std::vector<std::pair<std::string, ui::Rect>> out;
    std::function<void(ui::View&)> walk = [&](ui::View& v) {
        if (v.isHidden() || v.alpha() == 0)
            return;
        if (!v.identifier().empty() && (!v.displayedText().empty() || dynamic_cast<ui::Control*>(&v)))
            out.emplace_back(v.identifier(), v.convertRectToView(v.bounds(), nullptr));
        for (const auto& s : v.subviews())
            walk(*s);
    };
    walk(root);
    return out;
}

class ScreenRenderTest : public ScreenTest {
  protected:
    // Scrolls the scroll view around a view until the view is in sight, as a user would.
    void scrollToSee(ui::View& view) {
        for (ui::View* v = view.superview(); v; v = v->superview())
            if (auto* scroll = dynamic_cast<ui::ScrollView*>(v)) {
                scroll->scrollRectToVisible(view.convertRectToView(view.bounds(), scroll), false);
                host->drain();
                return;
            }
    }
};

TEST_F(ScreenRenderTest, TheEditorFitsAndShowsItsChoices) {
    openWorkspace({{"Systolic blood pressure at the first visit", {"120", "135"}, 3}, {"n", {"1", "2"}, 3}});
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        makeHost(idiom.screen, idiom.idiom);
        nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
        host->window().setRootViewController(nav);
        host->drain();
        auto editor = std::make_shared<EditVariableViewController>();
        editor->setModel(&model());
        nav->pushViewController(editor, false);
        host->drain();
        for (ui::View* button : {static_cast<ui::View*>(&editor->categoryButton(1)),
                                 static_cast<ui::View*>(&editor->slotButton(2))}) { // x/c
            scrollToSee(*button);
            driver->tap(button);
            host->drain();
        }
        driver->find<ui::ScrollView>("scrollEditor")->setContentOffset({0, 0});
        host->drain();
        const auto path = renderChecks::scratchPath(std::string("editor-") + idiom.name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(path));
        std::cout << "editor: " << path << "\n";

        const double width = idiom.screen.width;
        auto shown = shownControls(editor->view());
        for (const auto& [id, frame] : shown) {
            EXPECT_GE(frame.minX(), 0) << id;
            EXPECT_LE(frame.maxX(), width) << id;
        }
        // Controls inside one container never overlap.
        for (size_t i = 0; i < shown.size(); ++i)
            for (size_t j = i + 1; j < shown.size(); ++j)
                EXPECT_TRUE(shown[i].second.intersection(shown[j].second).isEmpty())
                    << shown[i].first << " and " << shown[j].first;

        // The chosen slot and category are filled; the containers are white on the grey page.
        scrollToSee(editor->slotButton(2));
        gfx::Image shot = driver->screenshot();
        auto colourAt = [&](ui::View& v) {
            ui::Rect r = v.convertRectToView(v.bounds(), nullptr);
            return shot.pixel(static_cast<int>(r.minX() + 4), static_cast<int>(r.midY()));
        };
        const ui::Color chosen = colourAt(editor->slotButton(2));
        EXPECT_LT(chosen.red, 0.2);
        EXPECT_GT(chosen.blue, 0.8);
        EXPECT_GT(colourAt(editor->slotButton(0)).red, 0.85);
        scrollToSee(editor->categoryButton(1));
        shot = driver->screenshot();
        EXPECT_LT(colourAt(editor->categoryButton(1)).red, 0.2);
        ui::View* container = driver->find("viewCats");
        ui::Rect inside = container->convertRectToView(container->bounds(), nullptr);
        EXPECT_EQ(shot.pixel(static_cast<int>(inside.midX()), static_cast<int>(inside.minY() + 8)),
                  ui::Color::white());

        // The end of the page, and the chooser over it with a long name.
        scrollToSee(editor->buttonCreate());
        ASSERT_TRUE(driver->saveScreenshot(
            renderChecks::scratchPath(std::string("editor-end-") + idiom.name + ".png")));
        scrollToSee(editor->buttonVariable());
        driver->tap(&editor->buttonVariable());
        host->drain();
        const auto chooser = renderChecks::scratchPath(std::string("editor-chooser-") + idiom.name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(chooser));
        std::cout << "chooser: " << chooser << "\n";
        EXPECT_NE(driver->findByText("Systolic blood pressure at the first visit"), nullptr);
        // Full screen on a phone: Cancel leads back, also from an empty list.
        if (idiom.idiom == ui::UserInterfaceIdiom::Phone) {
            EXPECT_NE(driver->findByText("Choose Variable:"), nullptr);
            driver->tapText("Cancel");
            host->drain();
        } else {
            driver->tapAt({1000, 740});
            host->drain();
        }
        EXPECT_EQ(editor->presentedViewController(), nullptr);
    }
}

} // namespace

namespace {

TEST_F(ScreenRenderTest, TheVariablesListFitsWithItsTip) {
    openWorkspace({
        {"Notes", {"x", "", "y", "z"}, 0},
        {"Favourite colour of the participant at enrolment", {"red", "blue", "red", "green"}, 1},
        {"Smoker", {"yes", "no", "yes", ""}, 2},
        {"Weight", {"70", "81.5", "64", "92123.25"}, 3},
        {"Visit", {"2021-03-01", "2021-03-05", "2021-04-01", "2021-03-20"}, 4},
        {"Height", {"1.5", "2", "2.5", ""}, 3},
    });
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        Model::resetTimesSeenHelp();
        makeHost(idiom.screen, idiom.idiom);
        auto variables = std::make_shared<VariablesViewController>();
        showInTab(variables);
        auto* cell = dynamic_cast<VariableCell*>(variables->tableView().cellForRowAtIndexPath({0, 1}));
        ASSERT_NE(cell, nullptr);
        ASSERT_TRUE(runUntil([&] { return cell->labelMax().text() == " blue"; }));
        host->waitUntilIdle();
        ASSERT_NE(variables->ptv(), nullptr);
        const auto path = renderChecks::scratchPath(std::string("variables-") + idiom.name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(path));
        std::cout << "variables: " << path << "\n";

        // Inside each row the labels keep clear of one another and of the row's edges.
        for (auto* row : variables->tableView().visibleCells()) {
            auto shown = shownControls(*row);
            const ui::Rect bounds = row->convertRectToView(row->bounds(), nullptr);
            for (size_t i = 0; i < shown.size(); ++i) {
                EXPECT_TRUE(bounds.contains(shown[i].second.origin)) << shown[i].first;
                EXPECT_LE(shown[i].second.maxX(), bounds.maxX()) << shown[i].first;
                for (size_t j = i + 1; j < shown.size(); ++j)
                    EXPECT_TRUE(shown[i].second.intersection(shown[j].second).isEmpty())
                        << shown[i].first << " and " << shown[j].first;
            }
        }
        // The shaded headers of a categorical row, and its type colour.
        gfx::Image shot = driver->screenshot();
        ui::Rect header = cell->labelMin().convertRectToView(cell->labelMin().bounds(), nullptr);
        const ui::Color shaded =
            shot.pixel(static_cast<int>(header.maxX() - 3), static_cast<int>(header.midY()));
        EXPECT_NEAR(shaded.red, 1.0, 0.02);
        EXPECT_NEAR(shaded.green, 0.8, 0.02);
        EXPECT_NEAR(shaded.blue, 0.4, 0.02);

        // A detail page: its texts and both arrows inside the window.
        driver->tap(cell);
        host->waitUntilIdle();
        const auto page = renderChecks::scratchPath(std::string("detail-") + idiom.name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(page));
        std::cout << "detail: " << page << "\n";
        for (const char* id : {"labelName", "labelType", "labelLeft", "labelRight"}) {
            ui::View* label = driver->find(id);
            ASSERT_NE(label, nullptr) << id;
            const ui::Rect frame = label->convertRectToView(label->bounds(), nullptr);
            EXPECT_GE(frame.minX(), 0) << id;
            EXPECT_LE(frame.maxX(), idiom.screen.width) << id;
        }
        EXPECT_EQ(driver->text("navigationTitle"), "Variable Detail Page");
    }
}

} // namespace
