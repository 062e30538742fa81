// The regression screen as a user reaches it: the regression fixture imported, "New Analysis", a
// regression kind, the dependent and the independents chosen, the rows of site north kept for the
// linear fit; texts, table, CSV and report against R (tests/fixtures/analyses/screen-regression.R and
// .out).
#include "analysis/RegressionViewController.h"
#include "tests/analysis/AnalysisRoad.h"
#include "tests/analysis/RegressionFixture.h"

#include <cmath>

namespace {

using regressionTest::tableRows;

std::string s(double x) {
    return Model::stringFromNumber(x);
}
std::string s8(double x) {
    return Model::stringFromNumberOfTypeWithSigDigits(x, 3, 8);
}

// One coefficient of R's fit: estimate, standard error, t (or z), p.
struct Coefficient {
    std::string row, csvName;
    double estimate, se, t, p;
};

// R: lm(y ~ x1 + x2 + gM + smoker1) over site north.
const std::vector<Coefficient> kLinear = {
    {" x1", "x1", 0.865565565996413, 0.108371538576675, 7.98701926137189, 1.71685526337729e-07},
    {" x2", "x2", -0.366775898289877, 0.134300260102297, -2.73101405768314, 0.0132696073075972},
    {" (g=M)", "(g=M)", 0.563142245779399, 0.554153416233348, 1.01622083214275, 0.322290974934092},
    {" smoker", "smoker", 0.24632772847103, 0.557942784732852, 0.4414928111114, 0.663839695883959},
    {" Constant", "Constant", 1.22053195988055, 1.01632266539044, 1.20092958805722, 0.244536547249061}};

// R: glm(gM ~ x1 + x2, family = binomial) over every row with all three.
const std::vector<Coefficient> kLogistic = {
    {" x1", "x1", 0.165430987556185, 0.14543859557849, 1.13746276838122, 0.255344880415992},
    {" x2", "x2", -0.173885610098479, 0.158669031386382, -1.09590137772407, 0.273121936101715},
    {" Constant", "Constant", -0.010743643053417, 1.02693104118442, -0.0104618933721448, 0.991652769070969}};

std::string starsOf(double p) {
    return p <= 0.001 ? "*** " : p <= 0.01 ? "** " : p <= 0.05 ? "* " : "";
}

void expectTable(RegressionViewController& screen, const std::vector<Coefficient>& expected) {
    const auto rows = tableRows(screen);
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].row);
        EXPECT_EQ(rows[i].name, expected[i].row);
        EXPECT_FALSE(rows[i].noteShown);
        EXPECT_EQ(rows[i].cells, (std::vector<std::string>{s(expected[i].estimate), s(expected[i].t), s(expected[i].p),
                                                          starsOf(expected[i].p), s(expected[i].se)}));
    }
}

// The CSV's coefficient lines against R, to a relative tolerance.
void expectCoefficientLines(const std::vector<analysisRoad::Fields>& csv, const std::vector<Coefficient>& expected,
                            double tolerance) {
    for (const auto& c : expected) {
        SCOPED_TRACE(c.csvName);
        auto line = std::find_if(csv.begin(), csv.end(),
                                 [&](const analysisRoad::Fields& f) { return f.size() == 6 && f[0] == c.csvName; });
        ASSERT_NE(line, csv.end());
        const double reference[] = {c.estimate, c.se, c.t, c.p};
        for (size_t k = 0; k < 4; ++k)
            EXPECT_NEAR(std::stod((*line)[k + 1]), reference[k], tolerance * std::fabs(reference[k])) << k;
        EXPECT_EQ((*line)[5], starsOf(c.p));
    }
}

// The CSV's shape line by line: texts as they stand, numbers (a double in the second field) to a relative
// tolerance, coefficient lines by name.
struct Line {
    std::vector<std::string> texts;
    std::optional<double> number = std::nullopt;
};
void expectLines(const std::vector<analysisRoad::Fields>& csv, const std::vector<Line>& expected,
                 const std::vector<Coefficient>& coefficients, double tolerance) {
    ASSERT_EQ(csv.size(), expected.size());
    for (size_t i = 0; i < csv.size(); ++i) {
        SCOPED_TRACE(i);
        const Line& want = expected[i];
        auto named = std::find_if(coefficients.begin(), coefficients.end(),
                                  [&](const Coefficient& c) { return want.texts.size() == 1 && c.csvName == want.texts[0]; });
        if (named != coefficients.end()) {
            EXPECT_EQ(csv[i].size(), 6u);
            EXPECT_EQ(csv[i][0], named->csvName);
            continue; // the numbers: expectCoefficientLines
        }
        if (want.number) {
            ASSERT_EQ(csv[i].size(), 2u);
            EXPECT_EQ(csv[i][0], want.texts[0]);
            EXPECT_NEAR(std::stod(csv[i][1]), *want.number, tolerance * std::fabs(*want.number));
            continue;
        }
        EXPECT_EQ(csv[i], want.texts);
    }
}

} // namespace

TEST_F(AnalysisRoad, RegressionLinearFromNewAnalysisToTheReportAgainstR) {
    openApp();
    importFixture("regression.csv");
    auto* screen = newAnalysis<RegressionViewController>("Linear Regression Model");
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(waitForResult("textViewEquation"));
    EXPECT_EQ(text("textViewEquation"), "Choose a dependent variable.");
    EXPECT_EQ(text("buttonLeft"), "Choose Variable");
    EXPECT_EQ(text("buttonRight"), "Add / Change");
    EXPECT_EQ(text("labelType"), "Linear Regression Model");
    EXPECT_TRUE(screen->buttonLevel1().isHidden());
    pickVariables("buttonLeft", {"y"});
    ASSERT_TRUE(waitForResult("textViewEquation"));
    pickVariables("buttonRight", {"x1", "x2", "g", "smoker"});
    ASSERT_TRUE(waitForResult("textViewEquation"));
    addFilter("site", "=", "north");
    ASSERT_TRUE(waitForResult("textViewEquation"));

    EXPECT_EQ(text("textViewStats"), "Obs = 24\nRMSE = " + s8(1.33834941518738) + "\nR² = " + s8(0.789072147339199) +
                                         "\nAdjusted R² = " + s8(0.744666283621136));
    EXPECT_EQ(text("textViewEquation"), "y =  " + s(kLinear[0].estimate) + " * x1 " + s(kLinear[1].estimate) +
                                            " * x2 + " + s(kLinear[2].estimate) + " * (g=M) + " +
                                            s(kLinear[3].estimate) + " * smoker + " + s(kLinear[4].estimate) +
                                            " + ϵ");
    EXPECT_EQ(text("textViewInterpret"),
              "Model explains most of the variation in y. Try removing variables with insignificant coefficients, or "
              "adding in variables that haven't been tried yet.");
    EXPECT_EQ(text("labelSingleTitle"), "Linear regression model for variable y");
    expectTable(*screen, kLinear);
    screenshot("regression-linear-pad");
    ui::ScrollView& results = *screen->scrollMain();
    results.setContentOffset({0, results.contentSize().height - results.bounds().height()});
    screenshot("regression-linear-pad-end");

    const Report report = emailReport();
    ASSERT_FALSE(report.csv.empty());
    EXPECT_EQ(report.csv[0], (Fields{"Linear regression model for variable y"}));
    const std::string legend = fitparts::significanceLegend();
    expectLines(report.csv,
                {{{"Linear regression model for variable y"}},
                 {{""}},
                 {{"Filters:", "site = north"}},
                 {{"Observations"}, 24},
                 {{"Adjusted R²"}, 0.744666283621136},
                 {{"RMSE"}, 1.33834941518738}, // R's sigma
                 {{""}},
                 {{"Variable", "Coefficient", "Standard Error", "t", "p > | t |", "Significance"}},
                 {{"x1"}},
                 {{"x2"}},
                 {{"(g=M)"}},
                 {{"smoker"}},
                 {{"Constant"}},
                 {{""}},
                 {{legend}}},
                kLinear, 1e-9);
    expectCoefficientLines(report.csv, kLinear, 1e-9);
    const std::string pdfText = report.pdfText();
    std::filesystem::copy_file(report.pdf, renderChecks::scratchPath("regression-linear-report.pdf"),
                               std::filesystem::copy_options::overwrite_existing);
    for (const std::string expected : {"Linear regression model for variable y", "site = north", "Obs = 24",
                                       "Model explains most of the variation in y", "(g=M)", "Std Err", "Variable", "Constant"})
        EXPECT_NE(pdfText.find(expected), std::string::npos) << expected;

    // Reopened from the list: the same fit. The mail's note is closed first.
    if (driver->tapText("OK"))
        host->advance(1);
    const auto made = screen->analysis()->objectID();
    analysisTab().popViewControllerAnimated(false);
    host->advance(1);
    ASSERT_FALSE(analysesList()->analyses().empty());
    ASSERT_EQ(analysesList()->analyses()[0]->objectID(), made);
    ASSERT_TRUE(tapRow(analysesList()->tableView(), "Linear Regression Model"));
    host->advance(1);
    auto* again = dynamic_cast<RegressionViewController*>(shownScreen());
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(waitForResult("textViewEquation"));
    expectTable(*again, kLinear);
}

TEST_F(AnalysisRoad, RegressionLogisticCountsTheLastLevelAgainstR) {
    openApp();
    importFixture("regression.csv");
    auto* screen = newAnalysis<RegressionViewController>("Logistic Regression Model");
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(waitForResult("textViewEquation"));
    EXPECT_EQ(text("textViewEquation"), "Choose a dependent variable.");
    pickVariables("buttonLeft", {"g"});
    ASSERT_TRUE(waitForResult("textViewEquation"));
    EXPECT_FALSE(screen->labelLevel1().isHidden());
    EXPECT_EQ(text("labelLevel1"), "proportion of:");
    EXPECT_EQ(text("buttonLevel1"), "M");
    EXPECT_EQ(screen->analysis()->leftLevel1(), "M");
    pickVariables("buttonRight", {"x1", "x2"});
    ASSERT_TRUE(waitForResult("textViewEquation"));
    EXPECT_EQ(text("labelType"), "Logistic Regression Model");
    EXPECT_EQ(regressionTest::headerTitles(*screen),
              (std::vector<std::string>{"Coefficient", "z", "p > | z |", "Significance", "Std Err"}));
    expectTable(*screen, kLogistic);
    EXPECT_EQ(text("textViewStats"), "Obs = 38\nLog-likelihood: " + s8(-25.1060835697227) + "\nPseudo-R² = " +
                                         s8(0.0468309931004525) + "\nAUC: " + s8(0.645833333333333) + "\nAIC: " +
                                         s8(56.2121671394454));
    screenshot("regression-logistic-pad");
    ui::ScrollView& results = *screen->scrollMain();
    results.setContentOffset({0, results.contentSize().height - results.bounds().height()});
    screenshot("regression-logistic-pad-end");

    const Report report = emailReport();
    ASSERT_FALSE(report.csv.empty());
    EXPECT_EQ(report.csv[0], (Fields{"Logistic regression model for variable g"}));
    const std::string legend = fitparts::significanceLegend();
    expectLines(report.csv,
                {{{"Logistic regression model for variable g"}},
                 {{""}},
                 {{"Filters:", ""}},
                 {{"Observations"}, 38},
                 {{"Pseudo-R²"}, 0.0468309931004525}, // 1 - logLik / (n log 0.5)
                 {{"Log-likelihood"}, -25.1060835697227},
                 {{"AUC"}, 0.645833333333333}, // of floor(99 p)
                 {{"AIC"}, 56.2121671394454},
                 {{""}},
                 {{"Variable", "Coefficient", "Standard Error", "z", "p > | z |", "Significance"}},
                 {{"x1"}},
                 {{"x2"}},
                 {{"Constant"}},
                 {{""}},
                 {{legend}}},
                kLogistic, 1e-6);
    expectCoefficientLines(report.csv, kLogistic, 1e-6);
    std::filesystem::copy_file(report.pdf, renderChecks::scratchPath("regression-logistic-report.pdf"),
                               std::filesystem::copy_options::overwrite_existing);
}
