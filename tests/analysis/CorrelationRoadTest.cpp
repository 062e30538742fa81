// The correlation screen as a user reaches it: the regression fixture imported, "New Analysis",
// "Correlation", both variables chosen and the rows of site north kept; its texts, table, CSV and report
// against R (tests/fixtures/analyses/screen-correlation.R and .out).
#include "analysis/CorrelationViewController.h"
#include "tests/analysis/AnalysisRoad.h"

#include <cmath>

namespace {

std::string s(double x) {
    return Model::stringFromNumber(x);
}

class CorrelationRoad : public AnalysisRoad {
  protected:
    // Until the run started last has shown its result or its message.
    bool waitForCorrelation(CorrelationViewController& screen) {
        host->drain();
        const bool done = runUntil([&] {
            return screen.labelError().isHidden() || screen.labelError().text() != "Calculating...";
        });
        waitForBackgroundWork();
        host->drain();
        return done;
    }
};

// R, regression.csv, site north, y on x1 (screen-correlation.out), written as the screen writes numbers.
std::vector<std::pair<std::string, std::string>> expectedTexts() {
    return {
    {"labelCorrelation", "Correlation: 0.8252"},
    {"labelConf", "t = " + s(7.00635534013165) + ", df = 23, p = " + s(3.76895508136244e-08)},
    {"labelConfInterval", "95% Conf Interval: " + s(0.638486953090839) + " to " + s(0.920175097600703)},
    {"labelObs", "Obs = 25"},
    {"labelR2", "Adjusted R² = " + s(0.667078264984864)},
    {"labelRMSE", "RMSE = " + s(1.50156027659606)},
    {"labelR2Unadj", "R² = " + s(0.680950003943828)},
    {"labelRegression", "y =  " + s(0.828782929033155) + " * x1 " + s(-0.398140293320358) + " + ϵ"},
    {"labelInterpret",
     "Correlation is significantly different than zero (p<0.05). Variables have strong positive correlation."},
    };
}

} // namespace

TEST_F(CorrelationRoad, FromNewAnalysisToTheReportAgainstR) {
    openApp();
    importFixture("regression.csv");
    auto* screen = newAnalysis<CorrelationViewController>("Correlation");
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(text("labelError"), "Please choose two variables to analyze.");
    EXPECT_EQ(text("buttonLeft"), "Choose Variable");
    EXPECT_EQ(text("buttonRight"), "Choose Variable");
    pickVariables("buttonLeft", {"x1"});
    ASSERT_TRUE(waitForCorrelation(*screen));
    EXPECT_EQ(text("labelError"), "Please choose two variables to analyze.");
    pickVariables("buttonRight", {"y"});
    ASSERT_TRUE(waitForCorrelation(*screen));
    addFilter("site", "=", "north");
    ASSERT_TRUE(waitForCorrelation(*screen));
    ASSERT_TRUE(screen->labelError().isHidden()) << text("labelError");
    for (const auto& [outlet, expected] : expectedTexts())
        EXPECT_EQ(text(outlet), expected) << outlet;
    screenshot("correlation-road-pad");

    // The CSV's numbers against R to 1e-9, relative.
    const Report report = emailReport();
    ASSERT_FALSE(report.csv.empty());
    EXPECT_EQ(report.csv[0], (Fields{"Analysis of variables y and x1"}));
    const std::vector<std::pair<std::string, double>> numbers = {
        {"r", 0.825196948578839}, {"t", 7.00635534013165},      {"p", 3.76895508136244e-08},
        {"Observations", 25},     {"R²", 0.680950003943828},    {"Adjusted R²", 0.667078264984864},
        {"RMSE", 1.50156027659606}, {"Degrees of Freedom", 23}};
    for (const auto& [name, reference] : numbers) {
        SCOPED_TRACE(name);
        auto line = std::find_if(report.csv.begin(), report.csv.end(),
                                 [&](const Fields& f) { return f.size() == 2 && f[0] == name; });
        ASSERT_NE(line, report.csv.end());
        // The p of a normal tail is 1 - Phi(z) in R and the engine alike: good to 1e-15 absolute at best.
        EXPECT_NEAR(std::stod((*line)[1]), reference, std::max(1e-9 * std::fabs(reference), 1e-15));
    }
    // R: coef(summary(lm(y ~ x1))): estimate, std. error, t, p; x1 then the intercept.
    const std::vector<std::pair<std::string, std::vector<double>>> coefficients = {
        {"x1", {0.828782929033155, 0.118290164971505, 7.00635534013165, 3.85796651990699e-07}},
        {"Constant", {-0.398140293320358, 0.633554349428765, -0.628423265785067, 0.535917954143921}}};
    for (const auto& [name, reference] : coefficients) {
        SCOPED_TRACE(name);
        auto line = std::find_if(report.csv.begin(), report.csv.end(),
                                 [&](const Fields& f) { return f.size() == 6 && f[0] == name; });
        ASSERT_NE(line, report.csv.end());
        for (size_t k = 0; k < 4; ++k)
            EXPECT_NEAR(std::stod((*line)[k + 1]), reference[k], 1e-9 * std::fabs(reference[k])) << k;
    }
    const std::string pdfText = report.pdfText();
    for (const std::string expected : {"Correlation: 0.8252", "Obs = 25", "site = north"})
        EXPECT_NE(pdfText.find(expected), std::string::npos) << expected;

    // Back on the list, the saved analysis heads it; opened again, it computes afresh to the same texts.
    analysisTab().popViewControllerAnimated(false);
    host->drain();
    AnalysesViewController* list = analysesList();
    ASSERT_NE(list, nullptr);
    auto* row = dynamic_cast<AnalysisCell*>(list->tableView().cellForRowAtIndexPath({0, 0}));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(driver->text(&row->labelType()), "Correlation");
    EXPECT_EQ(driver->text(&row->labelDescription()), "x1, y");
    EXPECT_EQ(driver->text(&row->labelWhere()), "Filters: " + model().stringForWhereAnalysis(*list->analyses()[0]));
    driver->tap(row);
    host->advance(1);
    auto* reopened = dynamic_cast<CorrelationViewController*>(analysisTab().topViewController());
    ASSERT_NE(reopened, nullptr) << "the row opened no correlation screen";
    ASSERT_TRUE(waitForCorrelation(*reopened));
    ASSERT_TRUE(reopened->labelError().isHidden()) << text("labelError");
    for (const auto& [outlet, expected] : expectedTexts())
        EXPECT_EQ(text(outlet), expected) << outlet;
}
