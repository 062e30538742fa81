// The two-way table screen as a user reaches it: the regression fixture imported, "New Analysis",
// "Two way table", both variables chosen, "Row" and the missing-values switch; its texts, CSV and
// report against R (tests/fixtures/analyses/screen-two-way.R and .out), and the analysis reopened from
// the list with the same choices.
#include "analysis/TwoWayTabController.h"
#include "tests/analysis/AnalysisRoad.h"

#include <cmath>

namespace {

std::string s(double x) {
    return Model::stringFromNumber(x);
}

class TwoWayRoad : public AnalysisRoad {
  protected:
    bool waitForTable() { return waitForResult("labelInterpret"); }

    void tapSegment(TwoWayTabController& screen, int index) {
        auto& segment = screen.segmentPerc();
        const ui::Rect r = segment.convertRectToView(segment.rectForSegment(size_t(index)), nullptr);
        driver->tapAt({r.midX(), r.midY()});
        host->drain();
    }

    // The CSV's number after `name`, against R to 1e-9 relative.
    void expectNumber(const Report& report, const std::string& name, double reference) {
        auto line = std::find_if(report.csv.begin(), report.csv.end(),
                                 [&](const Fields& f) { return f.size() == 2 && f[0] == name; });
        ASSERT_NE(line, report.csv.end()) << name;
        EXPECT_NEAR(std::stod((*line)[1]), reference, 1e-9 * std::fabs(reference)) << name;
    }
};

} // namespace

TEST_F(TwoWayRoad, FromNewAnalysisToTheReportAgainstR) {
    openApp();
    importFixture("regression.csv");
    auto* screen = newAnalysis<TwoWayTabController>("Two way table");
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(text("labelInterpret"), "Please choose two variables to analyze.");
    EXPECT_EQ(text("buttonLeft"), "Choose Variable");
    EXPECT_EQ(text("buttonRight"), "Choose Variable");
    const auto offered = offeredColumns("buttonLeft");
    for (const std::string name : {"g", "site", "ok"})
        EXPECT_NE(std::find(offered.begin(), offered.end(), name), offered.end()) << name << " not offered";
    pickVariables("buttonLeft", {"g"});
    ASSERT_TRUE(waitForTable());
    EXPECT_EQ(text("labelInterpret"), "Please choose two variables to analyze.");
    pickVariables("buttonRight", {"site"});
    ASSERT_TRUE(waitForTable());

    // g by site, the row with an empty g left out (R: F 13 7, M 13 6).
    EXPECT_EQ(text("labelChi"), "Chi-squared = " + s(0.0513157894736842));
    EXPECT_EQ(text("labelP"), "p = " + s(0.820789317236558));
    EXPECT_EQ(text("labelV"), "Phi = " + s(-0.0362738125055006));
    EXPECT_EQ(text("labelInterpret"), "Distribution of g is not significantly different by site");
    screenshot("two-way-road-pad");

    // "Row" reruns with percentages and the chart; the switch reruns with the empty g as a level.
    tapSegment(*screen, 1);
    ASSERT_TRUE(waitForTable());
    EXPECT_EQ(screen->analysis()->twoWayPercAgg(), 1);
    EXPECT_FALSE(screen->viewGraph().isHidden());
    driver->tap(&screen->switchIncludeMissing());
    ASSERT_TRUE(waitForTable());
    EXPECT_TRUE(screen->analysis()->includeMissing());
    EXPECT_EQ(text("labelChi"), "Chi-squared = " + s(0.545808966861598));
    EXPECT_EQ(text("labelP"), "p = " + s(0.761165488072845));
    EXPECT_EQ(text("labelV"), "Cramer's V = " + s(0.11681277400841));
    screenshot("two-way-road-row-pad");

    Report report = emailReport();
    ASSERT_GE(report.csv.size(), 13u);
    EXPECT_EQ(report.csv[0], (Fields{"Two way table of frequencies for g and site"}));
    expectNumber(report, "Chi-squared", 0.545808966861598);
    expectNumber(report, "p", 0.761165488072845);
    EXPECT_EQ(report.csv[5], (Fields{"Cramer's V", s(0.11681277400841)}));
    EXPECT_EQ(report.csv[7], (Fields{"site"}));
    EXPECT_EQ(report.csv[8], (Fields{"g", "north", "south", "Total"}));
    EXPECT_EQ(report.csv[9], (Fields{"F", "13", "7", "20"}));
    EXPECT_EQ(report.csv[10], (Fields{"M", "13", "6", "19"}));
    EXPECT_EQ(report.csv[11], (Fields{"(missing)", "1", "0", "1"}));
    EXPECT_EQ(report.csv[12], (Fields{"Total", "27", "13", "40"}));
    EXPECT_EQ(report.message.subject, "Two way table of frequencies for g and site");
    const std::string pdfText = report.pdfText();
    for (const std::string& expected : {"Chi-squared = " + s(0.545808966861598), "Cramer's V = " + s(0.11681277400841),
                                       std::string("Stacked Bar Plot"), std::string("north"), std::string("Total")})
        EXPECT_NE(pdfText.find(expected), std::string::npos) << expected;

    // Reopened from the list: the same choices.
    host->advance(1);
    showAnalysisTab();
    analysisTab().popToRootViewControllerAnimated(false);
    host->drain();
    auto* list = analysesList();
    ASSERT_NE(list, nullptr);
    std::cout << "rows " << list->tableView().numberOfRowsInSection(0) << " sel " << list->tableView().allowsSelection() << "\n";
    ASSERT_TRUE(tapRow(list->tableView(), "g, site"));
    host->advance(1);
    auto* reopened = dynamic_cast<TwoWayTabController*>(analysisTab().topViewController());
    ASSERT_NE(reopened, nullptr);
    ASSERT_TRUE(waitForTable());
    EXPECT_EQ(reopened->segmentPerc().selectedSegmentIndex(), 1);
    EXPECT_TRUE(reopened->switchIncludeMissing().isOn());
    EXPECT_EQ(text("labelChi"), "Chi-squared = " + s(0.545808966861598));
}

TEST_F(TwoWayRoad, SiteByOkOnAPhoneAgainstR) {
    openApp(kIdioms[1]);
    importFixture("regression.csv");
    auto* screen = newAnalysis<TwoWayTabController>("Two way table");
    ASSERT_NE(screen, nullptr);
    pickVariables("buttonLeft", {"site"});
    ASSERT_TRUE(waitForTable());
    pickVariables("buttonRight", {"ok"});
    ASSERT_TRUE(waitForTable());
    // site by ok, the empty answers left out (R: north 12 13 1, south 8 5 0).
    EXPECT_EQ(text("labelChi"), "Chi-squared = " + s(1.15));
    EXPECT_EQ(text("labelP"), "p = " + s(0.562704868806956));
    EXPECT_EQ(text("labelV"), "Cramer's V = " + s(0.171718314361571));
    EXPECT_FALSE(screen->stackCompactTable().isHidden());
    screenshot("two-way-road-phone");

    Report report = emailReport();
    ASSERT_GE(report.csv.size(), 12u);
    expectNumber(report, "Chi-squared", 1.15);
    expectNumber(report, "p", 0.562704868806956);
    EXPECT_EQ(report.csv[8], (Fields{"site", "yes", "no", "maybe", "Total"}));
    EXPECT_EQ(report.csv[9], (Fields{"north", "12", "13", "1", "26"}));
    EXPECT_EQ(report.csv[10], (Fields{"south", "8", "5", "0", "13"}));
    EXPECT_EQ(report.csv[11], (Fields{"Total", "20", "18", "1", "39"}));
    // The report of a phone is the wide grid all the same.
    const std::string pdfText = report.pdfText();
    for (const std::string& expected : {"Chi-squared = " + s(1.15), std::string("north"), std::string("south"), std::string("12"), std::string("Total")})
        EXPECT_NE(pdfText.find(expected), std::string::npos) << expected;
}
