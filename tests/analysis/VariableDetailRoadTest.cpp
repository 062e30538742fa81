// The variable detail page through the road a user takes: the regression fixture imported, the Variables
// tab, the row "y" (a number column holding the text "abc"), the page's texts, its report and CSV, and
// the same with the filter site = north; every number against R (screen-variable-detail.R and .out).
#include "analysis/VariableDetailViewController.h"
#include "app/VariablesViewController.h"
#include "controls/CMPopTipView.h"
#include "platform/ui/PageViewController.h"
#include "tests/analysis/AnalysisRoad.h"

#include <cmath>

namespace {

// R's values of the numbers of y (screen-variable-detail.out).
struct Reference {
    double n, mean, sd, var, q0, q25, q50, q75, q100, sum, mad, rms, range, midrange, coeffvar, skew, kurtosis;
};
const Reference kAll{39, 4.0105128205128207, 2.4314052128433539, 5.9117313090418353, -2.91, 2.96, 4.05, 5.695,
                     8.36, 156.41, 1.841499013806706, 4.6737951964609596, 11.27, 2.7249999999999996,
                     0.60625793300230679, -0.56032813218732358, 0.54565430744840748};
const Reference kNorth{26, 3.493846153846154, 2.5512037581080458, 6.5086406153846159, -2.91, 2.12, 3.29, 5.39,
                       7.44, 90.84, 1.9772189349112426, 4.2971233669478508, 10.35, 2.265, 0.73019922623083644,
                       -0.56941042071989934, 0.052469318159263256};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string n7(double v) {
    return Model::stringFromNumber(v, 7);
}

} // namespace

class VariableDetailRoad : public AnalysisRoad {
  protected:
    ui::NavigationController& variablesTab() { return navAt(2); }

    // The Variables tab, then the row of the column: the pager with its page, the page's run awaited.
    VariableDetailViewController* openPage(const std::string& name) {
        tabs->setSelectedIndex(2);
        host->drain();
        variablesTab().popToRootViewControllerAnimated(false);
        host->drain();
        auto* list = dynamic_cast<VariablesViewController*>(variablesTab().viewControllers().front().get());
        if (!list || !tapRow(list->tableView(), name)) {
            ADD_FAILURE() << "no row " << name;
            return nullptr;
        }
        host->drain();
        return shownPage();
    }
    ui::PageViewController* pager() { return dynamic_cast<ui::PageViewController*>(variablesTab().topViewController()); }
    VariableDetailViewController* shownPage() {
        auto* pages = pager();
        if (!pages || pages->viewControllers().empty())
            return nullptr;
        auto* page = dynamic_cast<VariableDetailViewController*>(pages->viewControllers().front().get());
        if (page) {
            page->setMailService(&mail);
            page->setPrintService(&print);
        }
        return page;
    }
    // Whether a help tip shows anywhere in the window (drawn, and not faded out).
    bool tipShown() {
        std::function<bool(ui::View&)> walk = [&](ui::View& view) {
            if (view.isHidden() || view.alpha() <= 0)
                return false;
            if (dynamic_cast<CMPopTipView*>(&view))
                return true;
            for (const auto& sub : view.subviews())
                if (walk(*sub))
                    return true;
            return false;
        };
        return walk(host->window());
    }
    // The Variables list's first-time tip fades out as the page comes in; once that time has passed, no
    // tip covers the page.
    void expectNoTipOverThePage() {
        host->advance(1);
        host->drain();
        EXPECT_FALSE(tipShown());
    }
    bool waitForPage(VariableDetailViewController& page) {
        const bool done = runUntil([&] { return page.shareItem() && page.shareItem()->isEnabled(); });
        waitForBackgroundWork();
        host->drain();
        return done;
    }

    // "Email" on the share sheet of the pager's bar.
    Report mailPage(VariableDetailViewController& page) {
        Report report;
        const size_t before = mail.sent.size();
        driver->tap(page.shareItem()->view().get());
        host->drain();
        if (!driver->tapText("Email")) {
            ADD_FAILURE() << "no Email";
            return report;
        }
        host->drain();
        if (mail.sent.size() != before + 1 || mail.sent.back().attachments.size() != 2) {
            ADD_FAILURE() << "nothing mailed";
            return report;
        }
        report.message = mail.sent.back();
        report.pdf = report.message.attachments[0];
        report.csvPath = report.message.attachments[1];
        report.csv = analysisRoad::csvLines(readAll(report.csvPath));
        // The recording mail service hands the message to no mail program: the page says where it is.
        if (auto* alert = dynamic_cast<ui::AlertController*>(page.presentedViewController())) {
            EXPECT_EQ(alert->title(), "Message Saved");
            driver->tapText("OK");
            host->drain();
        }
        return report;
    }

    void expectAgainstR(VariableDetailViewController& page, const Reference& r) {
        const auto left = linesOf(page.textViewLeft().text());
        const auto center = linesOf(page.textViewCenter().text());
        const auto right = linesOf(page.textViewRight().text());
        ASSERT_EQ(left.size(), 8u) << page.textViewLeft().text();
        ASSERT_EQ(center.size(), 8u) << page.textViewCenter().text();
        ASSERT_EQ(right.size(), 8u) << page.textViewRight().text();
        const std::pair<std::string, std::string> lines[] = {
            {left[0], "Observations: " + n7(r.n)},
            {left[2], "Mean: " + n7(r.mean)},
            {left[4], "Median: " + n7(r.q50)},
            {left[5], "Root Mean Square: " + n7(r.rms)},
            {left[7], "Sum: " + n7(r.sum)},
            {center[0], "Minimum: " + n7(r.q0)},
            {center[1], "1st Quartile: " + n7(r.q25)},
            {center[2], "Median: " + n7(r.q50)},
            {center[3], "3rd Quartile: " + n7(r.q75)},
            {center[4], "Maximum: " + n7(r.q100)},
            {center[6], "Range: " + n7(r.range)},
            {center[7], "Mid-Range: " + n7(r.midrange)},
            {right[0], "Variance: " + n7(r.var)},
            {right[2], "Standard Deviation: " + n7(r.sd)},
            {right[4], "Mean Abs Dev: " + n7(r.mad)},
            {right[5], "Coeff. Variation: " + n7(r.coeffvar)},
            {right[6], "Skew: " + n7(r.skew)},
            {right[7], "Excess Kurtosis: " + n7(r.kurtosis)},
        };
        for (const auto& [shown, expected] : lines)
            EXPECT_EQ(shown, expected);
    }

    // The CSV's statistic lines against R, to 1e-9 relative.
    void expectCSVAgainstR(const std::vector<Fields>& csv, const Reference& r) {
        std::map<std::string, double> values;
        for (const auto& line : csv)
            if (line.size() == 2 && !line[1].empty() && line[0] != "Variable" && line[0] != "Filters:" &&
                line[0] != "Type")
                values[line[0]] = std::stod(line[1]);
        const std::pair<const char*, double> expected[] = {
            {"Mean", r.mean},       {"Standard Deviation", r.sd}, {"Minimum", r.q0},      {"1st Quartile", r.q25},
            {"Median", r.q50},      {"3rd Quartile", r.q75},     {"Maximum", r.q100}};
        for (const auto& [name, value] : expected) {
            ASSERT_TRUE(values.count(name)) << name;
            EXPECT_NEAR(values[name], value, 1e-9 * std::max(1.0, std::fabs(value))) << name;
        }
    }
};

TEST_F(VariableDetailRoad, NumbersOfYAgainstRWithAndWithoutAFilter) {
    openApp();
    importFixture("regression.csv");
    VariableDetailViewController* page = openPage("y");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(waitForPage(*page));
    EXPECT_EQ(page->labelName().text(), "Variable: y");
    EXPECT_EQ(page->labelType().text(), "Type: Numeric");
    EXPECT_EQ(page->labelWhere().text(), "No filters");
    // The stand-in is gone: the page has its charts.
    EXPECT_NE(page->graph().plotWithIdentifier(foundation::Value("barPlot")), nullptr);
    EXPECT_NE(page->graphQQ().plotWithIdentifier(foundation::Value("qqplot")), nullptr);
    expectAgainstR(*page, kAll);
    expectNoTipOverThePage();
    screenshot("variable-detail-pad");

    Report report = mailPage(*page);
    EXPECT_EQ(report.message.subject, "Summary of y");
    ASSERT_GE(report.csv.size(), 4u);
    EXPECT_EQ(report.csv[0], (Fields{"Variable", "y"}));
    EXPECT_EQ(report.csv[1], (Fields{"Filters:", ""}));
    expectCSVAgainstR(report.csv, kAll);
    // The non-empty cells of the rows counted, the text "abc" among them.
    EXPECT_EQ(report.csv[3], (Fields{"Type", "Numeric"}));
    EXPECT_EQ(report.csv[4], (Fields{"Observations", "40"}));
    const std::string pdf = report.pdfText();
    for (const std::string& text : {std::string("Variable: y"), std::string("Type: Numeric"),
                                    std::string("Most Frequent Values"), "Mean: " + n7(kAll.mean),
                                    "Standard Deviation: " + n7(kAll.sd), "Maximum: " + n7(kAll.q100)}) {
        EXPECT_NE(pdf.find(text), std::string::npos) << text << "\n" << pdf;
    }

    // The filter site = north, through the page's filter editor.
    ASSERT_NO_FATAL_FAILURE(
        filterEditor::addFilter(*driver, *host, *page, page->buttonWhere(), "site", "", "north"));
    ASSERT_TRUE(waitForPage(*page));
    EXPECT_EQ(page->labelWhere().text(), "site = north");
    expectAgainstR(*page, kNorth);
    Report filtered = mailPage(*page);
    ASSERT_GE(filtered.csv.size(), 2u);
    EXPECT_EQ(filtered.csv[1], (Fields{"Filters:", "site = north"}));
    expectCSVAgainstR(filtered.csv, kNorth);
    EXPECT_EQ(filtered.csv[4], (Fields{"Observations", "27"}));
    EXPECT_NE(filtered.pdfText().find("Mean: " + n7(kNorth.mean)), std::string::npos);
}

TEST_F(VariableDetailRoad, SwipeToTheNextPageAndBack) {
    openApp(kIdioms[1]);
    importFixture("regression.csv");
    VariableDetailViewController* page = openPage("y");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(waitForPage(*page));
    expectNoTipOverThePage();
    screenshot("variable-detail-phone");
    driver->swipe(&pager()->view(), ui::SwipeLeft);
    host->drain();
    VariableDetailViewController* next = shownPage();
    ASSERT_NE(next, nullptr);
    ASSERT_TRUE(waitForPage(*next));
    EXPECT_NE(next->column()->name(), "y");
    EXPECT_EQ(next->labelName().text(), "Variable: " + next->column()->name());
    driver->swipe(&pager()->view(), ui::SwipeRight);
    host->drain();
    VariableDetailViewController* back = shownPage();
    ASSERT_NE(back, nullptr);
    ASSERT_TRUE(waitForPage(*back));
    EXPECT_EQ(back->labelName().text(), "Variable: y");
    EXPECT_EQ(linesOf(back->textViewLeft().text()).front(), "Observations: 39");
}
