// The example workspace as a user starts from it: "Example" on the Workspaces screen, "Create", then the
// Analysis tab lists the saved analyses it comes with, each opening on its own screen to a result. The
// figures of each come from R on resources/example.csv (see the screen's script beside the fixtures).
#include "analysis/CorrelationViewController.h"
#include "tests/analysis/AnalysisRoad.h"

#include <map>

namespace {

std::string s(double x) {
    return Model::stringFromNumber(x);
}

std::string eight(double x) {
    return Model::stringFromNumberOfTypeWithSigDigits(x, 3, 8);
}

class ExampleAnalyses : public AnalysisRoad {
  protected:
    // "Example", then "Create" on the sheet: the example's copy opens and Browse shows it.
    void createExample() {
        tabs->setSelectedIndex(0);
        host->drain();
        driver->tap(&files->buttonExample());
        host->drain();
        auto* sheetNav = dynamic_cast<ui::NavigationController*>(files->presentedViewController());
        ASSERT_NE(sheetNav, nullptr);
        auto* sheet = dynamic_cast<NewFileViewController*>(sheetNav->viewControllers().front().get());
        ASSERT_NE(sheet, nullptr);
        driver->tap(&sheet->buttonCreate());
        host->drain();
        // The copy made for another idiom is replaced.
        confirmReplace();
        ASSERT_TRUE(runUntil([&] { return !files->presentedViewController() && tabs->selectedIndex() == 1; }));
        ASSERT_EQ(alert(), nullptr);
        ASSERT_TRUE(samePath(model().currentStore(), doc("example.ov")));
    }
};

// One row per saved analysis of the example, in the list's order: its three texts, the outlet its screen
// shows "Calculating..." in, and outlets of the screen with what they read once the result is shown.
struct ExampleRow {
    std::string type, description, where, message;
    std::vector<std::pair<std::string, std::string>> shown;
};

std::vector<ExampleRow> exampleRows() {
    return {
        // R: cor and summary(lm) of Weight (kg) on Height (cm), rows with both (screen-correlation.out).
        {"Correlation",
         "Height (cm), Weight (kg)",
         "No filters",
         "labelError",
         {{"labelCorrelation", "Correlation: " + s(0.717749491331848)},
          {"labelObs", "Obs = 195"},
          {"labelR2Unadj", "R² = " + s(0.515164332307126)}}},
        // R: chisq.test(correct = FALSE) of Activity by Smoker, rows with both (screen-two-way.out).
        {"Two way table",
         "Activity, Smoker",
         "No filters",
         "labelInterpret",
         {{"labelChi", "Chi-squared = " + s(3.18221874681537)},
          {"labelP", "p = " + s(0.203699507523598)},
          {"labelV", "Cramer's V = " + s(0.126139183975785)},
          {"labelInterpret", "Distribution of Activity is not significantly different by Smoker"}}},
        // R: t.test of Sleep (hours) against 7 (screen-hypothesis.out, "example").
        {"Hypothesis Test of Means", "Sleep (hours)", "No filters", "textViewResults",
         {{"labelType", "Hypothesis Test of Means: t-test"}}},
        // R: summary(lm) of Weight (kg) on Height (cm) and Age (screen-regression.out, "example").
        {"Linear Regression Model", "Weight (kg), Age, Height (cm)", "No filters", "textViewEquation",
         {{"textViewStats", "Obs = 195\nRMSE = " + eight(10.1347976986494) + "\nR² = " + eight(0.51583325264674) +
                                "\nAdjusted R² = " + eight(0.510789849028477)}}},
        // R: glm of Smoker (Yes counted) on Age and Systolic BP (screen-regression.out, "example logistic").
        {"Logistic Regression Model", "Smoker, Age, Systolic BP", "No filters", "textViewEquation",
         {{"textViewStats", "Obs = 195\nLog-likelihood: " + eight(-99.6345229499108) + "\nPseudo-R² = " +
                                eight(0.262860347891416) + "\nAUC: " + eight(0.687607820586544) +
                                "\nAIC: " + eight(205.269045899822)},
          {"labelLevel1", "proportion of:"}}},
    };
}

// Parts of longer texts, by the row's type: outlet and the text it holds.
std::map<std::string, std::vector<std::pair<std::string, std::string>>> exampleParts() {
    return {
        // R: t.test of Sleep (hours) against 7: t, df, p; 196 observations.
        {"Hypothesis Test of Means",
         {{"textViewResults", "t = " + Model::stringFromNumber(0.915313175158765, 7) + ", degrees of freedom = 195, " +
                                  Model::stringFromPNumber(0.36115772848953)},
          {"textViewResults", "Obs.\t196\n"},
          {"textViewResults", "Fail to reject the null hypothesis"}}},
    };
}

TEST_F(ExampleAnalyses, EachSavedAnalysisIsListedAndOpensToItsResult) {
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        openApp(idiom);
        createExample();
        showAnalysisTab();
        AnalysesViewController* list = analysesList();
        ASSERT_NE(list, nullptr);
        const auto expected = exampleRows();
        ASSERT_EQ(list->tableView().numberOfRowsInSection(0), int(expected.size()));
        screenshot(std::string("example-analyses-") + idiom.name);
        for (size_t row = 0; row < expected.size(); ++row) {
            const ExampleRow& e = expected[row];
            SCOPED_TRACE(e.type);
            // Opening a row moves it to the top: the one wanted is found by its texts each time.
            AnalysisCell* cell = nullptr;
            for (int r = 0; r < list->tableView().numberOfRowsInSection(0) && !cell; ++r) {
                list->tableView().scrollToRowAtIndexPath({0, r}, ui::TableViewScrollPosition::Middle, false);
                host->drain();
                auto* c = dynamic_cast<AnalysisCell*>(list->tableView().cellForRowAtIndexPath({0, r}));
                if (c && driver->text(&c->labelType()) == e.type && driver->text(&c->labelDescription()) == e.description)
                    cell = c;
            }
            ASSERT_NE(cell, nullptr) << e.description;
            EXPECT_EQ(driver->text(&cell->labelWhere()), e.where);
            driver->tap(cell);
            host->advance(1);
            ASSERT_NE(shownScreen(), nullptr);
            ASSERT_TRUE(waitForResult(e.message));
            for (const auto& [outlet, text] : e.shown) {
                EXPECT_EQ(this->text(outlet), text) << outlet;
            }
            const auto parts = exampleParts();
            const auto own = parts.find(e.type);
            for (const auto& [outlet, part] : own == parts.end() ? decltype(own->second){} : own->second) {
                EXPECT_NE(this->text(outlet).find(part), std::string::npos) << outlet << ": " << part;
            }
            screenshot(std::string("example-") + e.type + "-" + idiom.name);
            analysisTab().popViewControllerAnimated(false);
            host->drain();
            list = analysesList();
            ASSERT_NE(list, nullptr);
        }
        model().closeStores();
    }
}

} // namespace

