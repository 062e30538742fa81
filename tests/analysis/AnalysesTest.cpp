// The Analysis tab's list of saved analyses, made through the controller registry as the tab assembly
// makes it, on real workspace files.
#include "tests/app/ScreenFixture.h"

#include "analysis/AnalysesViewController.h"
#include "app/VariablesViewController.h"
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
