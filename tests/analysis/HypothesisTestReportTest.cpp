// The hypothesis-test screen's CSV and PDF reports: the CSV line by line with its numbers against R
// (tests/fixtures/analyses/screen-hypothesis.R and .out), the two report layouts' body sizes, their texts
// and page, and pictures of the screen and the report to look at.
#include "tests/RenderChecks.h"
#include "tests/analysis/HypothesisTestFixture.h"
#include "tests/analysis/ReportReading.h"

#include <cmath>

using namespace hypothesisTest;

namespace {

const std::vector<ColumnSpec> kOneToFive{{"x", {"1", "2", "3", "4", "5"}}, {"y", {"2", "4", "4", "5", "7"}}};

void expectNumber(const analysisRoad::Fields& line, const std::string& name, double expected) {
    ASSERT_EQ(line.size(), 2u) << name;
    EXPECT_EQ(line[0], name);
    EXPECT_NEAR(std::stod(line[1]), expected, 1e-9 * std::max(1.0, std::fabs(expected))) << name;
}

// The height of the first word of the text in the PDF.
double heightOf(const std::string& pdf, const std::string& word) {
    for (const auto& w : renderChecks::pdfWords(pdf))
        if (unligatured(w.text) == word)
            return w.yMax - w.yMin;
    return 0;
}

} // namespace

TEST_F(HypothesisTest, OneSampleCSVLineByLine) {
    open(kOneToFive, {"x", "", 1, false, 0, 0, "2", std::nullopt});
    show();
    const auto csv = exportCSV();
    const std::vector<analysisRoad::Fields> head{
        {"Hypothesis Test of Means"},
        {""},
        {"Sample 1: x, Filters: "},
        {"Expected value: 2"},
        {""},
        {"Null hypothesis, H₀: x = 2 (The true mean of x is equal to 2)"},
        {"Alternative hypothesis, H₁: x ≠ 2 (The true mean of x is not equal to 2)"},
        {"One sample two tail t-test"},
        {""},
        {"Sample", "Sample"},
        {"Obs.", "5"},
        {"Mean", "3"},
        {"Std Err", "0.7071068"},
        {""},
    };
    ASSERT_EQ(csv.size(), head.size() + 4);
    for (size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(csv[i], head[i]) << "line " << i;
    // R: t.test(1:5, mu = 2)
    expectNumber(csv[14], "t", 1.41421356237309);
    expectNumber(csv[15], "degrees of freedom", 4);
    expectNumber(csv[16], "p", 0.230199641080499);
    EXPECT_EQ(csv[17], (analysisRoad::Fields{"Fail to reject the null hypothesis"}));
}

TEST_F(HypothesisTest, ExactTestCSVGivesThePAlone) {
    open({{"g", {"yes", "yes", "yes", "no", "yes"}}}, {"g", "", 1, false, 2, 0, "0.5", std::nullopt});
    show();
    const auto csv = exportCSV();
    ASSERT_EQ(csv.size(), 16u);
    EXPECT_EQ(csv[0], (analysisRoad::Fields{"Hypothesis Test of Proportions"}));
    EXPECT_EQ(csv[2], (analysisRoad::Fields{"Sample 1: Pr(g = yes), Filters: "}));
    EXPECT_EQ(csv[3], (analysisRoad::Fields{"Expected value: 0.5"}));
    EXPECT_EQ(csv[7], (analysisRoad::Fields{"One sample two tail binomial test"}));
    EXPECT_EQ(csv[11], (analysisRoad::Fields{"Proportion", "0.8"}));
    // R: binom.test(4, 5, 0.5)$p.value = 0.375
    expectNumber(csv[14], "p", 0.375);
    EXPECT_EQ(csv[15], (analysisRoad::Fields{"Fail to reject the null hypothesis"}));
}

TEST_F(HypothesisTest, ReportsHoldTheTextOnOneLetterPageAtTheirBodySizes) {
    open(kOneToFive, {"x", "", 1, false, 0, 0, "2", std::nullopt});
    show();
    const std::string means = exportPDF("means.pdf");
    open({{"g", {"yes", "no", "yes", "no", "yes"}}, {"h", {"no", "no", "yes", "yes", "yes"}}},
         {"g", "h", 2, true, 2, 0, std::nullopt, std::nullopt});
    show();
    const std::string proportions = exportPDF("proportions.pdf");
    for (const std::string& pdf : {means, proportions}) {
        SCOPED_TRACE(pdf);
        EXPECT_TRUE(reportReading::oneLetterPageOfVectors(pdf));
        const std::string text = squeezed(renderChecks::pdfText(pdf));
        for (const char* part : {"Hypothesis Statement", "Null hypothesis", "Alternative hypothesis",
                                 "Significance level to reject the null hypothesis: 0.05", "Test statistics",
                                 "Fail to reject the null hypothesis", "Kernal Density Plot", "Difference"})
            EXPECT_NE(text.find(part), std::string::npos) << part << "\nin: " << text;
        EXPECT_EQ(text.find("Choose Variable"), std::string::npos);
        EXPECT_EQ(text.find("One tail less"), std::string::npos);
    }
    const std::string meansText = squeezed(renderChecks::pdfText(means));
    for (const char* part : {"Hypothesis Test of Means:", "Sample 1: x, Filters:", "Expected value: 2",
                             "One sample two tail t-test", "Obs.", "0.7071068", "Box Plot", "—Sample", "—Expected"})
        EXPECT_NE(meansText.find(part), std::string::npos) << part << "\nin: " << meansText;
    const std::string propsText = squeezed(renderChecks::pdfText(proportions));
    for (const char* part : {"Hypothesis Test of Proportions:", "Sample 1: Pr(g = yes)", "Sample 2: Pr(h = yes)",
                             "Sample 2: no", "Sample 2: yes", "Sample 1: no", "Sample 1: yes", "Bar Plot",
                             "—Sample 1", "—Sample 2"})
        EXPECT_NE(propsText.find(part), std::string::npos) << part << "\nin: " << propsText;
    // The means report's body is 12 points, the proportions report's 14.
    const double h12 = heightOf(means, "Significance"), h14 = heightOf(proportions, "Significance");
    ASSERT_GT(h12, 0);
    ASSERT_GT(h14, 0);
    EXPECT_NEAR(h12 / h14, 12.0 / 14.0, 0.03);
    EXPECT_NEAR(h12, 12 * 1.16, 2.5);
    // Pictures of the report pages, to look at.
    for (const auto& [pdf, name] : {std::pair{means, "hypothesis-means-report"},
                                    std::pair{proportions, "hypothesis-proportions-report"}}) {
        const std::string prefix = renderChecks::scratchPath(name);
        renderChecks::runCommand("pdftoppm -png -singlefile -r 100 " + renderChecks::shellQuoted(pdf) + " " +
                                 renderChecks::shellQuoted(prefix));
        std::cout << "report page: " << prefix << ".png\n";
    }
}

TEST_F(HypothesisTest, MailCarriesTheReportNamedByDistribution) {
    open(kOneToFive, {"x", "y", 2, false, 0, 0, std::nullopt, std::nullopt});
    show();
    screen->mailOutput();
    host->drain();
    ASSERT_EQ(mail.sent.size(), 1u);
    EXPECT_EQ(mail.sent[0].subject, "Hypothesis Test of Means");
    ASSERT_EQ(mail.sent[0].attachments.size(), 2u);
    EXPECT_NE(mail.sent[0].attachments[0].find("Hypothesis Test of Means.pdf"), std::string::npos);
    EXPECT_NE(mail.sent[0].attachments[1].find("Hypothesis Test of Means.csv"), std::string::npos);
}

TEST_F(HypothesisTest, PicturesOfTheScreenOnPadAndPhone) {
    const std::vector<ColumnSpec> columns{
        {"a rather long variable name for the first sample", {"1", "2", "3", "4", "5", "3", "2"}},
        {"y", {"2", "4", "4", "5", "7", "6", "5"}}};
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        open(columns, {"a rather long variable name for the first sample", "y", 2, false, 0, 0, std::nullopt,
                       std::nullopt});
        show(idiom);
        // Every view of the scroll view lies within its width.
        for (const auto& sub : screen->scrollView()->subviews()) {
            if (!sub->isHidden()) {
                EXPECT_LE(sub->frame().maxX(), screen->scrollView()->bounds().width() + 0.5) << sub->identifier();
            }
        }
        EXPECT_GE(screen->scrollView()->contentSize().height, screen->viewGraph(3).frame().maxY());
        const std::string file = renderChecks::scratchPath(std::string("hypothesis-screen-") + idiom.name + ".png");
        EXPECT_TRUE(driver->saveScreenshot(file));
        // The charts' region too, scrolled into view.
        screen->scrollView()->setContentOffset({0, screen->viewGraph(0).frame().minY() - 10}, false);
        host->drain();
        const std::string charts =
            renderChecks::scratchPath(std::string("hypothesis-charts-") + idiom.name + ".png");
        EXPECT_TRUE(driver->saveScreenshot(charts));
        std::cout << "screenshots: " << file << " " << charts << "\n";
    }
}
