// The Analysis tab's list of saved analyses, made through the controller registry as the tab assembly
// makes it, on real workspace files.
#include "tests/app/ScreenFixture.h"

#include "analysis/AnalysesViewController.h"
#include "app/WheresViewController.h"

#include <map>
#include "app/VariablesViewController.h"
#include "platform/graphics/Recorder.h"
#include "tests/RenderChecks.h"

namespace {

class AnalysesTest : public ScreenTest {
  protected:
    void show(gfx::Size screen = {1024, 768}, ui::UserInterfaceIdiom idiom = ui::UserInterfaceIdiom::Pad) {
        makeHost(screen, idiom);
        auto root = ui::ControllerRegistry::shared().instantiateViewControllerWithIdentifier(
            "AnalysesViewController");
        list = std::dynamic_pointer_cast<AnalysesViewController>(root);
        ASSERT_NE(list, nullptr);
        showInTab(list);
    }
    // Appearing again after a visit to another tab.
    void reappear() {
        tabs->setSelectedIndex(0);
        host->drain();
        tabs->setSelectedIndex(1);
        host->drain();
    }
    struct Shown {
        std::string type, description, where;
        friend bool operator==(const Shown&, const Shown&) = default;
        friend std::ostream& operator<<(std::ostream& o, const Shown& s) {
            return o << s.type << " | " << s.description << " | " << s.where;
        }
    };
    std::vector<Shown> rows() {
        std::vector<Shown> out;
        ui::TableView& table = list->tableView();
        for (int r = 0; r < table.numberOfRowsInSection(0); ++r) {
            auto* cell = dynamic_cast<AnalysisCell*>(table.cellForRowAtIndexPath({0, r}));
            if (!cell)
                return out;
            out.push_back({driver->text(&cell->labelType()), driver->text(&cell->labelDescription()),
                           driver->text(&cell->labelWhere())});
        }
        return out;
    }
    // Two analyses of the open workspace, the second opened last; the first filtered on Weight.
    std::string addAnalyses(const std::string& first, const std::string& second) {
        Model& m = model();
        auto weight = columnNamed("Weight"), sex = columnNamed("Sex"), age = columnNamed("Age");
        auto a = m.addAnalysis(first, *weight, *sex);
        a->setLastOpened(1000);
        auto clause = m.managedObjectContext()->insertNewObject<WhereClause>();
        clause->setX(weight.get());
        clause->setOp(2);
        clause->setC("60");
        a->addWheresObject(*clause);
        auto b = m.addAnalysis(second);
        b->setLeft(age.get());
        b->setLastOpened(2000);
        m.saveContext();
        return m.stringForWhereClauses(a->wheres());
    }

    std::shared_ptr<AnalysesViewController> list;
};

const std::vector<ColumnSpec> kColumns = {
    {"Weight", {"70", "81", "64"}, 3}, {"Sex", {"f", "m", "f"}, 2}, {"Age", {"30", "41", "52"}, 3}};

TEST_F(AnalysesTest, OneRowPerSavedAnalysisNewestFirst) {
    openWorkspace(kColumns);
    const std::string where = addAnalyses("Correlation", "Summary");
    ASSERT_NE(where, "");
    show();
    EXPECT_EQ(rows(), (std::vector<Shown>{{"Type: Unknown", "Age", "No filters"},
                                          {"Type: Unknown", "Weight, Sex", "Filters: " + where}}));
    EXPECT_NE(where.find("Weight"), std::string::npos);
}

TEST_F(AnalysesTest, AnotherWorkspaceShowsItsOwnAnalyses) {
    openWorkspace(kColumns, "First.ov");
    addAnalyses("Correlation", "Summary");
    show();
    ASSERT_EQ(rows().size(), 2u);

    openWorkspace(kColumns, "Second.ov");
    auto table = model().addAnalysis("Two-way table", *columnNamed("Sex"), *columnNamed("Age"));
    model().changeAnalysis(*table, 1);
    reappear();
    EXPECT_EQ(rows(), (std::vector<Shown>{{"Two way table", "Sex, Age", "No filters"}}));

    model().closeStores();
    reappear();
    EXPECT_TRUE(rows().empty());
}

TEST_F(AnalysesTest, TheListIsReadAfterTheContextWasReset) {
    openWorkspace(kColumns);
    const std::string where = addAnalyses("Correlation", "Summary");
    show();
    model().managedObjectContext()->reset();
    reappear();
    EXPECT_EQ(rows(), (std::vector<Shown>{{"Type: Unknown", "Age", "No filters"},
                                          {"Type: Unknown", "Weight, Sex", "Filters: " + where}}));
}

TEST_F(AnalysesTest, TheRowsFitOnAPadAndAPhone) {
    openWorkspace(kColumns);
    addAnalyses("Correlation of the first and the second measurement", "Summary");
    for (auto [screen, idiom] : {std::pair{gfx::Size{1024, 768}, ui::UserInterfaceIdiom::Pad},
                                 std::pair{gfx::Size{375, 667}, ui::UserInterfaceIdiom::Phone}}) {
        show(screen, idiom);
        const auto path = renderChecks::scratchPath("analyses-" + std::to_string(int(screen.width)) + ".png");
        ASSERT_TRUE(driver->saveScreenshot(path));
        std::cout << "analyses: " << path << "\n";
        for (int r = 0; r < 2; ++r) {
            auto* cell = dynamic_cast<AnalysisCell*>(list->tableView().cellForRowAtIndexPath({0, r}));
            ASSERT_NE(cell, nullptr);
            for (ui::Label* label : {&cell->labelType(), &cell->labelDescription(), &cell->labelWhere()}) {
                const ui::Rect frame = label->convertRectToView(label->bounds(), nullptr);
                EXPECT_GE(frame.minX(), 0);
                EXPECT_LE(frame.maxX(), screen.width);
            }
        }
    }
}

} // namespace

namespace {

// Analyses of every kind and filter shape, each opened at a past time of its own (the later, the higher
// in the list).
class AnalysesListTest : public AnalysesTest {
  protected:
    struct Saved {
        std::string name;
        int64_t type, distribution;
        std::vector<std::string> variables; // left, right, then further columns
        int filters;                        // 0 none, 2 two clauses, -1 one IN clause
        double lastOpened;
    };
    std::shared_ptr<Analysis> save(const Saved& s) {
        Model& m = model();
        auto a = m.addAnalysis(s.name);
        a->setType(s.type);
        a->setDistribution(s.distribution);
        for (size_t i = 0; i < s.variables.size(); ++i) {
            auto c = columnNamed(s.variables[i]);
            if (i == 0)
                a->setLeft(c.get());
            else if (i == 1)
                a->setRight(c.get());
            else
                a->addColumnsObject(*c);
        }
        auto clause = [&](const char* column, int64_t op, std::optional<std::string> c,
                          std::vector<std::string> levels) {
            auto w = m.managedObjectContext()->insertNewObject<WhereClause>();
            w->setX(columnNamed(column).get());
            w->setOp(op);
            w->setC(std::move(c));
            w->setLevels(std::move(levels));
            a->addWheresObject(*w);
        };
        if (s.filters == 2) {
            clause("Weight", 2, "60", {});
            clause("Age", 3, "50", {});
        } else if (s.filters < 0) {
            clause("Sex", int64_t(FilterIn), std::nullopt, {"f", "m"});
        }
        a->setLastOpened(s.lastOpened);
        m.saveContext();
        return a;
    }
    void picture(const std::string& prefix, const Idiom& idiom) {
        const std::string file = renderChecks::scratchPath(prefix + idiom.name + ".png");
        EXPECT_TRUE(driver->saveScreenshot(file));
        std::cout << "picture: " << file << "\n";
    }
    AnalysisCell* cell(int row) {
        list->tableView().scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::Middle, false);
        host->drain();
        return dynamic_cast<AnalysisCell*>(list->tableView().cellForRowAtIndexPath({0, row}));
    }
};

TEST_F(AnalysesListTest, RowsComeNewestFirstWithTheirKindVariablesAndFilters) {
    openWorkspace(kColumns);
    const std::vector<Saved> saved = {
        {"a", 1, 0, {"Sex", "Age"}, 0, 100},
        {"b", 3, 0, {"Weight", "Age"}, 2, 900},
        {"c", 4, 0, {"Weight", "", "Age", "Sex"}, -1, 300},
        {"d", 4, 2, {"Sex"}, 0, 400},
        {"e", 5, 0, {"Weight"}, 0, 500},
        {"f", 5, 1, {"Weight"}, 0, 600},
        {"g", 5, 2, {"Sex"}, 0, 700},
        {"h", 0, 0, {}, 0, 800},
        {"i", 9, 0, {"Age"}, 0, 200},
    };
    std::map<std::string, std::string> where;
    for (const auto& s : saved) {
        auto a = save(s);
        where[s.name] = model().stringForWhereAnalysis(*a);
    }
    ASSERT_NE(where["b"], "");
    ASSERT_NE(where["c"], "");
    show();
    EXPECT_EQ(rows(), (std::vector<Shown>{
                          {"Correlation", "Weight, Age", "Filters: " + where["b"]},
                          {"Type: Unknown", "", "No filters"},
                          {"Hypothesis Test of Proportions", "Sex", "No filters"},
                          // Distribution 1 counts as means.
                          {"Hypothesis Test of Means", "Weight", "No filters"},
                          {"Hypothesis Test of Means", "Weight", "No filters"},
                          {"Logistic Regression Model", "Sex", "No filters"},
                          // The further columns in the workspace's order.
                          {"Linear Regression Model", "Weight, Sex, Age", "Filters: " + where["c"]},
                          {"Type: Unknown", "Age", "No filters"},
                          {"Two way table", "Sex, Age", "No filters"},
                      }));
    EXPECT_TRUE(list->newAnalysisItem()->isEnabled());
}

TEST_F(AnalysesListTest, OpeningARowMovesItToTheTopAndKindsWithoutAScreenDoNotOpen) {
    openWorkspace(kColumns);
    for (const Saved& s : std::vector<Saved>{{"two", 2, 0, {"Weight", "Sex"}, 0, 400},
                                             {"none", 0, 0, {}, 0, 300},
                                             {"nine", 9, 0, {"Age"}, 0, 200},
                                             {"corr", 3, 0, {"Weight", "Age"}, 0, 100}})
        save(s);
    show();
    // The rows of types without a screen stay where they are, nothing pushed.
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        driver->tap(cell(row));
        host->advance(1);
        EXPECT_EQ(nav->viewControllers().size(), 1u);
    }
    EXPECT_EQ(list->analyses()[0]->name(), "two");
    driver->tap(cell(3));
    host->advance(1);
    ASSERT_EQ(nav->viewControllers().size(), 2u);
    auto* screen = dynamic_cast<AnalysisDetailViewController*>(nav->topViewController());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->analysis()->name(), "corr");
    EXPECT_EQ(screen->model(), &model());
    nav->popViewControllerAnimated(false);
    host->drain();
    ASSERT_EQ(list->analyses().size(), 4u);
    EXPECT_EQ(list->analyses()[0]->name(), "corr");
    EXPECT_EQ(driver->text(&cell(0)->labelType()), "Correlation");
    EXPECT_GT(list->analyses()[0]->lastOpened().value_or(0), 1e9);
}

TEST_F(AnalysesListTest, ASwipeDeletesTheAnalysisForGood) {
    openWorkspace(kColumns);
    save({"keep", 3, 0, {"Weight", "Age"}, 0, 200});
    save({"gone", 1, 0, {"Sex", "Age"}, 0, 100});
    show();
    driver->swipe(cell(1), ui::SwipeLeft);
    driver->tap("deleteConfirmation");
    host->drain();
    ASSERT_EQ(rows().size(), 1u);
    EXPECT_EQ(rows()[0].type, "Correlation");
    // Reopened from its file, the workspace no longer holds it.
    const auto file = *model().currentStore();
    model().closeStores();
    model().managedObjectContext()->reset();
    model().openStore(file);
    reappear();
    ASSERT_EQ(list->analyses().size(), 1u);
    EXPECT_EQ(list->analyses()[0]->name(), "keep");
}

TEST_F(AnalysesListTest, WithoutAWorkspaceTheListIsEmptyAndNewAnalysisIsOff) {
    show();
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(list->newAnalysisItem()->isEnabled());
    driver->tap(list->newAnalysisItem()->view().get());
    host->advance(1);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    openWorkspace(kColumns);
    reappear();
    EXPECT_TRUE(list->newAnalysisItem()->isEnabled());
    EXPECT_TRUE(rows().empty());
}

TEST_F(AnalysesListTest, ThousandAnalysesMakeOnlyTheVisibleRowsAndLongTextsStayOnOneLine) {
    openWorkspace({{"Weight, in kg\nat visit", {"70", "81"}, 3}, {"Sex", {"f", "m"}, 2}, {"Age", {"30", "41"}, 3}});
    for (int i = 0; i < 1000; ++i) {
        auto a = model().managedObjectContext()->insertNewObject<Analysis>();
        a->setName("a" + std::to_string(i));
        a->setType(3);
        a->setLastOpened(double(i));
        a->setLeft(columnNamed("Weight, in kg\nat visit").get());
        a->setRight(columnNamed("Age").get());
    }
    model().saveContext();
    show();
    EXPECT_EQ(list->tableView().numberOfRowsInSection(0), 1000);
    EXPECT_LT(list->tableView().visibleCells().size(), 20u);
    auto* first = cell(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(driver->text(&first->labelDescription()), "Weight, in kg at visit, Age");
    EXPECT_EQ(first->labelDescription().numberOfLines(), 1);
    EXPECT_EQ(list->analyses()[0]->name(), "a999");
}

// What a row's labels draw (not only the texts they hold): labels keep their laid-out text between
// frames and a reload gives each row back the cell that showed it, so a stale layout would show here.
TEST_F(AnalysesListTest, RowsDrawTheirAnalysisAfterAnEditAReloadAndScrolling) {
    openWorkspace(kColumns);
    for (int i = 0; i < 30; ++i)
        save({"a" + std::to_string(i), 3, 0, {"Weight", "Age"}, i % 3 == 0 ? 2 : 0, double(i)});
    show();
    auto drawn = [&](int row) {
        std::vector<std::string> out;
        auto* shown = cell(row);
        if (!shown)
            return out;
        for (ui::Label* label : {&shown->labelType(), &shown->labelDescription(), &shown->labelWhere()}) {
            auto rc = gfx::makeRecordingContext(label->bounds());
            label->drawRect(*rc.context, label->bounds());
            std::string text;
            for (const auto& r : rc.recorder->records())
                if (r.op == gfx::Recorder::Op::Text && r.text)
                    text += r.text->text();
            out.push_back(text);
        }
        return out;
    };
    auto expected = [&](int row) {
        const Analysis& a = *list->analyses()[size_t(row)];
        return std::vector<std::string>{AnalysesViewController::typeText(a), AnalysesViewController::descriptionText(a),
                                        list->whereText(a)};
    };
    EXPECT_EQ(drawn(0), (std::vector<std::string>{"Correlation", "Weight, Age", "No filters"}));
    // The analysis of the top row edited: its variables and filters change, and it shows so on return.
    auto top = list->analyses()[0];
    top->setRight(columnNamed("Sex").get());
    auto w = model().managedObjectContext()->insertNewObject<WhereClause>();
    w->setX(columnNamed("Weight").get());
    w->setOp(2);
    w->setC("60");
    top->addWheresObject(*w);
    model().saveContext();
    reappear();
    ASSERT_EQ(list->analyses()[0]->objectID(), top->objectID());
    EXPECT_EQ(drawn(0)[1], "Weight, Sex");
    EXPECT_EQ(drawn(0)[2], "Filters: " + model().stringForWhereAnalysis(*top));
    // Rows that come into view reuse cells of rows that left it, and draw their own analysis.
    for (int row : {29, 27, 13, 1, 0}) {
        SCOPED_TRACE(row);
        EXPECT_EQ(drawn(row), expected(row));
    }
}

TEST_F(AnalysesListTest, TheListAndTheChooserFitOnPadAndPhone) {
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        model().closeStores();
        std::filesystem::remove(path("Test.ov"));
        openWorkspace({{"Systolic blood pressure at the second visit after treatment", {"120", "130"}, 3},
                       {"Diastolic blood pressure at the second visit after treatment", {"80", "85"}, 3},
                       {"Sex", {"f", "m"}, 2}});
        save({"long", 4, 2,
              {"Systolic blood pressure at the second visit after treatment",
               "Diastolic blood pressure at the second visit after treatment", "Sex"},
              0, 100});
        auto a = save({"filtered", 5, 0, {"Sex"}, 0, 200});
        auto w = model().managedObjectContext()->insertNewObject<WhereClause>();
        w->setX(columnNamed("Systolic blood pressure at the second visit after treatment").get());
        w->setOp(2);
        w->setC(std::string("140"));
        a->addWheresObject(*w);
        model().saveContext();
        show(idiom.screen, idiom.idiom);
        picture("analyses-list-", idiom);
        for (int r = 0; r < 2; ++r) {
            for (ui::Label* label : {&cell(r)->labelType(), &cell(r)->labelDescription(), &cell(r)->labelWhere()}) {
                const ui::Rect frame = label->convertRectToView(label->bounds(), nullptr);
                EXPECT_GE(frame.minX(), 0);
                EXPECT_LE(frame.maxX(), idiom.screen.width);
            }
        }
        ui::View* item = list->newAnalysisItem()->view().get();
        const ui::Rect itemFrame = item->convertRectToView(item->bounds(), nullptr);
        EXPECT_LE(itemFrame.maxX(), idiom.screen.width);
        EXPECT_EQ(driver->tap(item), item);
        host->advance(1);
        auto* chooser = dynamic_cast<NewAnalysisViewController*>(nav->topViewController());
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(chooser->title(), "New Analysis");
        picture("analyses-chooser-", idiom);
        nav->popToRootViewControllerAnimated(false);
        model().closeStores();
        model().managedObjectContext()->reset();
        reappear();
        EXPECT_TRUE(rows().empty());
        picture("analyses-empty-", idiom);
    }
}

} // namespace
