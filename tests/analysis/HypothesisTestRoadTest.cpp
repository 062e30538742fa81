// The hypothesis-test screen as a user reaches it: a fixture imported, "New Analysis", one of the two
// kinds, variables, values, filters and levels chosen through the screen's controls; texts, CSV and
// report against R (tests/fixtures/analyses/screen-hypothesis.R and .out, tests.R and tests.out).
#include "analysis/HypothesisTestViewController.h"
#include "tests/analysis/AnalysisRoad.h"
#include "tests/analysis/HypothesisTestFixture.h"

#include <cmath>

namespace {

std::string s(double x) {
    return Model::stringFromNumber(x, 7);
}

std::string statistic(const std::string& name, double t, double df, double p) {
    return name + " = " + s(t) + ", degrees of freedom = " + s(df) + ", " + Model::stringFromPNumber(p);
}

class HypothesisRoad : public AnalysisRoad {
  protected:
    HypothesisTestViewController* screen = nullptr;

    bool waitForTest() { return waitForResult("textViewResults"); }
    std::vector<std::string> resultLines() {
        std::vector<std::string> out;
        std::string all = text("textViewResults");
        size_t start = 0;
        for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
            out.push_back(all.substr(start, end - start));
        return out;
    }
    void tapSegment(ui::SegmentedControl& control, size_t index) {
        const ui::Rect r = control.convertRectToView(control.rectForSegment(index), nullptr);
        driver->tapAt({r.midX(), r.midY()});
        ASSERT_TRUE(waitForTest());
    }
    void typeExpected(const std::string& value) {
        auto& field = screen->fieldExpected();
        driver->tap(&field);
        driver->deleteBackward(int(field.text().size()));
        driver->type(value);
        driver->pressReturn();
        ASSERT_TRUE(waitForTest());
    }
    // "Email", the report read back, and the note that the message was saved answered.
    Report mailed() {
        Report report = emailReport();
        host->drain();
        if (dynamic_cast<ui::AlertController*>(screen->presentedViewController()))
            driver->tapText("OK");
        host->drain();
        EXPECT_EQ(screen->presentedViewController(), nullptr);
        return report;
    }
    // The CSV's line of a name and a number, the number against R.
    static void expectNumberLine(const Fields& line, const std::string& name, double expected) {
        ASSERT_EQ(line.size(), 2u) << name;
        EXPECT_EQ(line[0], name);
        EXPECT_NEAR(std::stod(line[1]), expected, 1e-9 * std::max(1.0, std::fabs(expected))) << name;
    }
};

} // namespace

TEST_F(HypothesisRoad, MeansFromNewAnalysisToTheReportAgainstR) {
    openApp();
    importFixture("tests.csv");
    screen = newAnalysis<HypothesisTestViewController>("Hypothesis Test of Means");
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(waitForTest());
    EXPECT_EQ(text("textViewResults"), "Choose a variable to sample.");
    EXPECT_EQ(text("buttonLeft"), "Choose Variable...");
    pickVariables("buttonLeft", {"a"});
    ASSERT_TRUE(waitForTest());
    EXPECT_EQ(text("textViewResults"), "Enter an expected value.");
    typeExpected("5");

    // R (screen-hypothesis.out): t.test(a, mu = 5) with each alternative; the segments are less, two, greater.
    struct Tails {
        size_t segment;
        double p;
    };
    const double t1 = 1.40806923108829;
    auto lines = resultLines();
    ASSERT_GE(lines.size(), 12u);
    EXPECT_EQ(lines[1], "Null hypothesis, H₀: a = 5 (The true mean of a is equal to 5)");
    EXPECT_EQ(lines[3], "One sample two tail t-test");
    EXPECT_EQ(lines[11], statistic("t", t1, 7, 0.201938094197442));
    for (const Tails& tails : {Tails{0, 0.899030952901279}, Tails{2, 0.100969047098721}}) {
        tapSegment(screen->segmentTails(), tails.segment);
        lines = resultLines();
        ASSERT_GE(lines.size(), 12u);
        EXPECT_EQ(lines[3], "One sample one tail t-test");
        EXPECT_EQ(lines[11], statistic("t", t1, 7, tails.p));
    }
    tapSegment(screen->segmentTails(), 1);
    // R: length(a), mean(a), sd(a) / sqrt(length(a))
    EXPECT_EQ(screen->dataTable()[1], (Fields{"Obs.", "8"}));
    EXPECT_EQ(screen->dataTable()[2], (Fields{"Mean", s(5.35)}));
    EXPECT_EQ(screen->dataTable()[3], (Fields{"Std Err", s(0.248567323447219)}));

    Report report = mailed();
    EXPECT_EQ(report.message.subject, "Hypothesis Test of Means");
    const std::vector<Fields> head{{"Hypothesis Test of Means"},
                                   {""},
                                   {"Sample 1: a, Filters: "},
                                   {"Expected value: 5"},
                                   {""},
                                   {"Null hypothesis, H₀: a = 5 (The true mean of a is equal to 5)"},
                                   {"Alternative hypothesis, H₁: a ≠ 5 (The true mean of a is not equal to 5)"},
                                   {"One sample two tail t-test"},
                                   {""},
                                   {"Sample", "Sample"},
                                   {"Obs.", "8"},
                                   {"Mean", s(5.35)},
                                   {"Std Err", s(0.248567323447219)},
                                   {""}};
    ASSERT_EQ(report.csv.size(), head.size() + 4);
    for (size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(report.csv[i], head[i]) << "line " << i;
    expectNumberLine(report.csv[14], "t", t1);
    expectNumberLine(report.csv[15], "degrees of freedom", 7);
    expectNumberLine(report.csv[16], "p", 0.201938094197442);
    EXPECT_EQ(report.csv[17], (Fields{"Fail to reject the null hypothesis"}));
    const std::string pdf = hypothesisTest::squeezed(report.pdfText());
    for (const char* part : {"Hypothesis Test of Means:", "Sample 1: a", "Expected value: 5", "One sample two tail t-test",
                             "Fail to reject the null hypothesis", "Box Plot", "Kernal Density Plot"})
        EXPECT_NE(pdf.find(part), std::string::npos) << part << "\nin: " << pdf;

    // Two samples (Welch): R t.test(a, b).
    tapSegment(screen->segmentSamples(), 1);
    EXPECT_EQ(text("textViewResults"), "Please define a second sample to perform a two sample test.");
    pickVariables("buttonRight", {"b"});
    ASSERT_TRUE(waitForTest());
    lines = resultLines();
    ASSERT_GE(lines.size(), 12u);
    EXPECT_EQ(lines[3], "Welch's two sample two tail t-test");
    EXPECT_EQ(lines.back(), lines.back()); // the conclusion follows the decision
    EXPECT_EQ(screen->statisticLine(), statistic("t", 2.93010306367539, 11.9990287023085, 0.0126025187899524));
    EXPECT_EQ(screen->decision(), "Reject the null hypothesis");
    // R: length, mean, difference and standard errors of a and b
    EXPECT_EQ(screen->dataTable()[1], (Fields{"Obs.", "8", "6", ""}));
    EXPECT_EQ(screen->dataTable()[2], (Fields{"Mean", s(5.35), s(4.4), s(0.949999999999999)}));
    EXPECT_EQ(screen->dataTable()[3],
              (Fields{"Std Err", s(0.248567323447219), s(0.208166599946613), s(0.324220677346538)}));

    // Paired: R t.test(a, b, paired = TRUE) over the rows both have.
    tapSegment(screen->segmentSamples(), 2);
    EXPECT_EQ(screen->statisticLine(), statistic("t", 2.37737049750327, 5, 0.0633710664354574));
    EXPECT_EQ(screen->dataTable()[0], (Fields{"Sample", "Sample 1 - Sample 2"}));
    EXPECT_EQ(screen->dataTable()[1], (Fields{"Obs.", "6"}));
    EXPECT_EQ(screen->dataTable()[2], (Fields{"Mean", s(0.85)}));
    EXPECT_EQ(screen->dataTable()[3], (Fields{"Std Err", s(0.357537876781375)}));
    EXPECT_EQ(screen->legendSample1().text(), "—Sample 1 - Sample 2");
    screenshot("hypothesis-means-pad");
}

TEST_F(HypothesisRoad, ProportionsFromNewAnalysisToTheReportAgainstR) {
    openApp();
    importFixture("regression.csv");
    screen = newAnalysis<HypothesisTestViewController>("Hypothesis Test of Proportions");
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(waitForTest());
    EXPECT_EQ(text("textViewResults"), "Choose a variable to sample.");
    // Proportions are tested on two-level columns only.
    const auto offered = offeredColumns("buttonLeft");
    EXPECT_NE(std::find(offered.begin(), offered.end(), "g"), offered.end());
    EXPECT_EQ(std::find(offered.begin(), offered.end(), "y"), offered.end());
    pickVariables("buttonLeft", {"g"});
    ASSERT_TRUE(waitForTest());
    EXPECT_EQ(text("textViewResults"), "Enter an expected value.");
    typeExpected("0.5");
    // The levels in code-point order, the last counted.
    EXPECT_EQ(screen->levelsLeft(), (Fields{"F", "M"}));
    EXPECT_EQ(text("buttonLevel1Left"), "M");
    // R: binom.test(19, 39, 0.5)
    EXPECT_EQ(resultLines()[3], "One sample two tail binomial test");
    EXPECT_EQ(screen->statisticLine(), Model::stringFromPNumber(1));
    EXPECT_EQ(screen->dataTable()[1], (Fields{"Obs.", "39"}));
    EXPECT_EQ(screen->dataTable()[2], (Fields{"Proportion", s(0.487179487179487)}));
    EXPECT_EQ(screen->dataTable()[3], (Fields{"Std Err", s(0.0800377530231858)}));
    chooseFromList("buttonLevel1Left", "F");
    ASSERT_TRUE(waitForTest());
    EXPECT_EQ(text("buttonLevel1Left"), "F");
    EXPECT_EQ(screen->dataTable()[2], (Fields{"Proportion", s(1 - 0.487179487179487)}));
    chooseFromList("buttonLevel1Left", "M");
    ASSERT_TRUE(waitForTest());

    // Paired with site through the test list, counting "M" and "south": McNemar over the rows both have.
    chooseFromList("buttonTest", "McNemar's test");
    ASSERT_TRUE(waitForTest());
    EXPECT_EQ(screen->segmentSamples().selectedSegmentIndex(), 2);
    EXPECT_EQ(text("textViewResults"), "Please define a second sample to perform a two sample test.");
    pickVariables("buttonRight", {"site"});
    ASSERT_TRUE(waitForTest());
    EXPECT_EQ(text("buttonLevel1Right"), "south");
    EXPECT_EQ(text("buttonTest"), "McNemar's test");
    EXPECT_EQ(resultLines()[3], "Paired two tail McNemar's Chi-squared test");
    EXPECT_EQ(screen->statisticLine(), statistic("χ²", 1.8, 1, 0.179712494879));
    // R: table(g == "M", site == "south"): 13, 7, 13, 6
    const std::vector<Fields> table{{"", "Sample 2: north", "Sample 2: south"},
                                    {"Sample 1: F", "13", "7"},
                                    {"Sample 1: M", "13", "6"}};
    EXPECT_EQ(screen->dataTable(), table);
    Report report = mailed();
    EXPECT_EQ(report.message.subject, "Hypothesis Test of Proportions");
    ASSERT_EQ(report.csv.size(), 17u);
    EXPECT_EQ(report.csv[2], (Fields{"Sample 1: Pr(g = M), Filters: "}));
    EXPECT_EQ(report.csv[3], (Fields{"Sample 2: Pr(site = south), Filters: "}));
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(report.csv[9 + i], table[i]);
    expectNumberLine(report.csv[13], "χ²", 1.8);
    expectNumberLine(report.csv[14], "degrees of freedom", 1);
    expectNumberLine(report.csv[15], "p", 0.179712494879);
    std::string pdf = hypothesisTest::squeezed(report.pdfText());
    for (const char* part : {"Hypothesis Test of Proportions:", "Sample 1: Pr(g = M)", "Sample 2: Pr(site = south)",
                             "Sample 2: north", "Sample 1: F", "Paired two tail McNemar", "Bar Plot"})
        EXPECT_NE(pdf.find(part), std::string::npos) << part << "\nin: " << pdf;

    // Two samples through the test list: g of site north against g of site south (prop.test, no correction).
    chooseFromList("buttonTest", "Chi-squared test");
    ASSERT_TRUE(waitForTest());
    EXPECT_EQ(text("buttonTest"), "Chi-squared test");
    pickVariables("buttonRight", {"g"});
    ASSERT_TRUE(waitForTest());
    EXPECT_EQ(text("buttonLevel1Right"), "M");
    addFilter("site", "=", "north");
    ASSERT_TRUE(waitForTest());
    addFilter("site", "=", "south", {}, &screen->buttonWhereY());
    ASSERT_TRUE(waitForTest());
    EXPECT_EQ(text("labelWhereY"), "site = south");
    EXPECT_EQ(resultLines()[3], "Two sample two tail Chi-square test");
    EXPECT_EQ(screen->statisticLine(), statistic("χ²", 0.0513157894736842, 1, 0.820789317236558));
    EXPECT_EQ(screen->dataTable()[1], (Fields{"Obs.", "26", "13", ""}));
    EXPECT_EQ(screen->dataTable()[2], (Fields{"Proportion", s(0.5), s(0.461538461538462), s(0.0384615384615384)}));
    EXPECT_EQ(screen->dataTable()[3],
              (Fields{"Std Err", s(0.098058067569092), s(0.13826415911891), s(0.169506230895044)}));
    report = mailed();
    ASSERT_GE(report.csv.size(), 4u);
    EXPECT_EQ(report.csv[2], (Fields{"Sample 1: Pr(g = M), Filters: site = north"}));
    EXPECT_EQ(report.csv[3], (Fields{"Sample 2: Pr(g = M), Filters: site = south"}));
    pdf = hypothesisTest::squeezed(report.pdfText());
    EXPECT_NE(pdf.find("Two sample two tail Chi-square test"), std::string::npos) << pdf;
    screenshot("hypothesis-proportions-pad");
}
