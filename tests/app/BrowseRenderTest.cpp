// The Browse screen rendered on a pad and a phone, browsing, editing, filtered, empty and with long
// names: the labels and bar items lie inside the window and clear of each other, the grid starts below
// the labels, and the colours it promises are where they belong. The pictures stay in the scratch
// folder for a look.
#include "BrowseFixture.h"

#include "tests/RenderChecks.h"

#include <iostream>

namespace {

struct ScreenSize {
    const char* name;
    gfx::Size screen;
    ui::UserInterfaceIdiom idiom;
};

const ScreenSize kScreens[] = {
    {"pad", {1024, 768}, ui::UserInterfaceIdiom::Pad},
    {"phone", {375, 667}, ui::UserInterfaceIdiom::Phone},
};

ui::Rect inWindow(ui::View& v) {
    return v.convertRectToView(v.bounds(), nullptr);
}

class BrowseRenderTest : public BrowseTest, public ::testing::WithParamInterface<ScreenSize> {
  protected:
    void showHere() {
        model().setUserInterfaceIdiom(GetParam().idiom == ui::UserInterfaceIdiom::Pad ? Model::Idiom::Pad
                                                                                        : Model::Idiom::Phone);
        show(GetParam().screen, GetParam().idiom);
    }
    std::string shot(const std::string& what) {
        const auto path = renderChecks::scratchPath(std::string("browse-") + what + "-" + GetParam().name + ".png");
        EXPECT_TRUE(driver->saveScreenshot(path));
        std::cout << what << ": " << path << "\n";
        return path;
    }
    // The labels, the bar's items and the grid fit the window, and no two of them overlap.
    void expectLaidOut() {
        const ui::Rect window{{0, 0}, GetParam().screen};
        std::vector<std::pair<std::string, ui::Rect>> parts = {
            {"labelFileInfo", inWindow(browse->labelFileInfo())},
            {"labelFilter", inWindow(browse->labelFilter())},
            {"edit", inWindow(*browse->editButton().view())},
            {"share", inWindow(*browse->shareButton().view())},
        };
        for (const auto& [name, frame] : parts)
            EXPECT_EQ(frame.intersection(window), frame) << name;
        EXPECT_FALSE(parts[2].second.intersects(parts[3].second));
        EXPECT_FALSE(parts[0].second.intersects(parts[1].second));
        EXPECT_GE(inWindow(grid()).minY(), parts[1].second.maxY());
        EXPECT_LE(inWindow(grid()).maxY(), window.maxY() - ui::TabBarController::BarHeight);
    }
    ui::Color at(double x, double y) { return driver->screenshot().pixel(int(x), int(y)); }
    static bool near(ui::Color a, ui::Color b) {
        return std::abs(a.red - b.red) < 0.03 && std::abs(a.green - b.green) < 0.03 && std::abs(a.blue - b.blue) < 0.03;
    }
};

const std::vector<ColumnSpec> kPeople = {
    {"Age", {"34", "51", "27", "45", "62", "38", "29", "71", "55", "40", "33", "48"}, 3},
    {"Sex", {"f", "m", "f", "f", "m", "m", "f", "m", "f", "m", "f", "m"}, 2},
    {"Town", {"Ely", "Ware", "Ely", "Diss", "Ware", "Ely", "Diss", "Ely", "Ware", "Diss", "Ely", "Ware"}, 1},
    {"Visit", {"2021-03-01", "2021-03-05", "2021-04-01", "2021-03-20", "2021-05-02", "2021-05-09",
               "2021-06-01", "2021-06-11", "2021-07-04", "2021-07-21", "2021-08-08", "2021-09-30"}, 4},
    {"Weight", {"70", "81.5", "64", "92", "77", "68", "59", "83", "71", "66", "90", "75"}, 3},
    {"Notes", {"first visit", "", "referred, \"urgent\"", "", "", "", "", "", "", "", "", ""}, 1},
};

TEST_P(BrowseRenderTest, Browsing) {
    openWorkspace(kPeople, "people.ov");
    showHere();
    expectLaidOut();
    const ui::Rect g = inWindow(grid());
    // The corner and the row numbers are grey, the names orange, the values white.
    EXPECT_TRUE(near(at(g.minX() + 10, g.minY() + 10), ui::Color::gray(0.9)));
    EXPECT_TRUE(near(at(g.minX() + 60, g.minY() + 10), ui::Color{1.0, 0.8, 0.4, 1}));
    EXPECT_TRUE(near(at(g.minX() + 195, g.minY() + 60), ui::Color::white()));
    shot("browsing");
}

TEST_P(BrowseRenderTest, Editing) {
    openWorkspace(kPeople, "people.ov");
    showHere();
    tapEdit();
    ASSERT_TRUE(driver->tap(fieldAt(2, 1)));
    expectLaidOut();
    shot("editing");
    // Scrolled to the end, the add-row and add-column items show.
    grid().setContentOffset(grid().clampedOffset({1e6, 1e6}));
    host->drain();
    shot("editing-end");
    host->window().endEditing(true);
    // The overlay while the edited column is recomputed, pictured at its hop (without running the
    // main queue, which the worker waits on).
    grid().setContentOffset({0, 0});
    host->drain();
    retype(1, 1, "35");
    host->window().endEditing(true);
    bool pictured = false;
    browse->setProgressHook([&](const std::string& text) {
        if (text != "Age" || pictured)
            return;
        pictured = true;
        host->window().layoutIfNeeded();
        auto bitmap = gfx::BitmapContext::pointsContext(GetParam().screen, 1, ui::Color::white());
        host->window().layer().renderInContext(bitmap->context());
        const auto path = renderChecks::scratchPath(std::string("browse-processing-") + GetParam().name + ".png");
        EXPECT_TRUE(bitmap->image().writePNG(path));
        std::cout << "processing: " << path << "\n";
        EXPECT_TRUE(browse->overlay() && inWindow(*browse->overlay()).intersection({{0, 0}, GetParam().screen}) ==
                                             inWindow(*browse->overlay()));
    });
    tapDone();
    EXPECT_TRUE(pictured);
}

TEST_P(BrowseRenderTest, Filtered) {
    openWorkspace(kPeople, "people.ov");
    showHere();
    browse->where(WhereClauseObj(columnNamed("Town")->num(), FilterEqual, "Ely"));
    browse->where(WhereClauseObj(columnNamed("Age")->num(), FilterGreater, "30"));
    host->drain();
    expectLaidOut();
    shot("filtered");
}

TEST_P(BrowseRenderTest, FilterEditorAndExportMenu) {
    openWorkspace(kPeople, "people.ov");
    Model::incrementTimesSeenHelpKey("browse");
    Model::incrementTimesSeenHelpKey("browse");
    showHere();
    auto* head = item<ColHeaderCell>(0, 2);
    ASSERT_NE(head, nullptr);
    driver->tap(&head->button());
    host->drain();
    ASSERT_NE(browse->presentedViewController(), nullptr);
    shot("filter-editor");
    browse->dismissViewController(false);
    host->drain();
    driver->tap(browse->shareButton().view().get());
    host->drain();
    ASSERT_NE(driver->find("alert"), nullptr);
    EXPECT_EQ(inWindow(*driver->find("alert")).intersection({{0, 0}, GetParam().screen}),
              inWindow(*driver->find("alert")));
    shot("export-menu");
}

TEST_P(BrowseRenderTest, NoWorkspaceAndAnEmptyOne) {
    showHere();
    expectLaidOut();
    EXPECT_FALSE(browse->editButton().isEnabled());
    EXPECT_FALSE(browse->shareButton().isEnabled());
    EXPECT_EQ(grid().numberOfSections(), 1);
    shot("no-workspace");
    openWorkspace({{"Var1", {}, 0}}, "blank.ov");
    browse->refresh(false);
    host->drain();
    EXPECT_EQ(grid().numberOfSections(), 1);
    shot("empty");
}

TEST_P(BrowseRenderTest, LongNames) {
    std::vector<ColumnSpec> columns = kPeople;
    columns[0].name = "Systolic blood pressure at the first visit after the operation";
    columns[2].name = "Town of residence at the time of the survey, as given";
    columns[5].texts[0] = "a value far too long for the width of its cell in the grid";
    openWorkspace(columns, "a workspace with a rather long file name for a status line.ov");
    showHere();
    expectLaidOut();
    shot("long-names");
}


// The grid scrolled to (500, 300): the corner, the names and the row numbers stay pinned over the body,
// as the view tree says and as a picture against a golden shows.
TEST_F(BrowseTest, ScrolledTheHeadersStayPinnedInTheTreeAndThePicture) {
    std::vector<ColumnSpec> columns;
    for (int k = 0; k < 12; ++k) {
        ColumnSpec c{"Column " + std::to_string(k + 1), {}, 3};
        for (int r = 1; r <= 40; ++r)
            c.texts.push_back(std::to_string(r * 100 + k));
        columns.push_back(c);
    }
    openWorkspace(columns, "grid.ov");
    // The tip has been seen: the picture is of the grid alone.
    Model::incrementTimesSeenHelpKey("browse");
    Model::incrementTimesSeenHelpKey("browse");
    model().setUserInterfaceIdiom(Model::Idiom::Pad);
    show();
    grid().setContentOffset({500, 300});
    host->drain();
    const std::string tree = driver->dumpTree();
    // Corner at the offset; the name of column 5 (x 650) at y 300; row 8's number (y 330) at x 500;
    // row 8's value of column 5 (804) where it always is.
    for (const char* line : {"RowHeaderCell (500 300; 50 50)", "ColHeaderCell (650 300; 150 50)",
                             "RowHeaderCell (500 330; 50 40)", "RowHeaderCell (650 330; 150 40)",
                             "ColHeaderCell (650 300; 150 50)\n                ui::Label (6 0; 114 50) id=label \"Column 5\"",
                             "RowHeaderCell (500 330; 50 40)\n                ui::Label (3 0; 44 40) id=label \"8\"",
                             "RowHeaderCell (650 330; 150 40)\n                ui::Label (8 0; 134 40) id=label \"804\""})
        EXPECT_NE(tree.find(line), std::string::npos) << line;
    EXPECT_TRUE(renderChecks::matchesGolden(driver->screenshot(), "tests/fixtures/ui/browse-scrolled.png"));
}

INSTANTIATE_TEST_SUITE_P(Screens, BrowseRenderTest, ::testing::ValuesIn(kScreens),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
