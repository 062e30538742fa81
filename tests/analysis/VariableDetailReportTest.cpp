// The variable detail page's CSV lines and PDF report: line by line for numbers, dates and a binary
// column, the shares of a filtered page, and the report page's texts, size, table rows and vectors.
#include "tests/RenderChecks.h"
#include "tests/analysis/ReportReading.h"
#include "tests/analysis/VariableDetailFixture.h"

#include <cmath>

using namespace variableDetailTest;

namespace {

const ColumnSpec kNumbers{"x", {"1", "2", "3", "4", "100"}};

bool contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace

TEST_F(VariableDetailTest, CSVOfNumbersLineByLine) {
    open({kNumbers});
    show("x");
    const Lines csv = exportCSVLines();
    ASSERT_GE(csv.size(), 20u);
    const Lines head{"Variable,x", "Filters:,", "", "Type,Numeric", "Observations,5", "Unique Values,5", "Mean,22"};
    EXPECT_EQ(Lines(csv.begin(), csv.begin() + long(head.size())), head);
    // R: sprintf("%.17g", sd(c(1, 2, 3, 4, 100)))
    ASSERT_EQ(csv[7].rfind("Standard Deviation,", 0), 0u) << csv[7];
    const double sd = std::stod(csv[7].substr(std::string("Standard Deviation,").size()));
    EXPECT_NEAR(sd, 43.617656975128774, 43.617656975128774 * 1e-12);
    const Lines rest{"Minimum,1", "1st Quartile,2", "Median,3", "3rd Quartile,4", "Maximum,100", "",
                     "Value,Observations,%,cum. %"};
    EXPECT_EQ(Lines(csv.begin() + 8, csv.begin() + 15), rest);
    EXPECT_EQ(csv.size(), 20u);
    EXPECT_TRUE(contains(csv, "2,1,0.2,0.6000000000000001"));
    EXPECT_TRUE(contains(csv, "4,1,0.2,1"));
}

TEST_F(VariableDetailTest, CSVOfDatesAndOfABinaryColumn) {
    struct Case {
        ColumnSpec column;
        Lines head;
    };
    const Case cases[] = {
        // Dates are written with their time of day, so days 0, 2 and 9 have a mean of day 3 at 4 PM; the
        // comma between date and time quotes the field.
        {{"d", {"2021-01-01", "2021-01-03", "2021-01-10"}, 4},
         {"Variable,d", "Filters:,", "", "Type,Date / Time", "Observations,3", "Unique Values,3",
          "Mean,\"1/4/21, 4:00\u202FPM\"", "Minimum,\"1/1/21, 12:00\u202FAM\"", "1st Quartile,\"1/2/21, 12:00\u202FAM\"",
          "Median,\"1/3/21, 12:00\u202FAM\"", "3rd Quartile,\"1/6/21, 12:00\u202FPM\"",
          "Maximum,\"1/10/21, 12:00\u202FAM\"", "", "Value,Observations,%,cum. %"}},
        // Values minutes apart keep their minutes.
        {{"t", {"2021-01-01 10:00", "2021-01-01 10:05", "2021-01-01 10:30"}, 4},
         {"Variable,t", "Filters:,", "", "Type,Date / Time", "Observations,3", "Unique Values,3",
          "Mean,\"1/1/21, 10:11\u202FAM\"", "Minimum,\"1/1/21, 10:00\u202FAM\"",
          "1st Quartile,\"1/1/21, 10:02\u202FAM\"", "Median,\"1/1/21, 10:05\u202FAM\"",
          "3rd Quartile,\"1/1/21, 10:17\u202FAM\"", "Maximum,\"1/1/21, 10:30\u202FAM\"", ""}},
        // R: p <- 3/4; sqrt(p * (1 - p))
        {{"s", {"yes", "no", "yes", "yes"}, 2},
         {"Variable,s", "Filters:,", "", "Type,Binary", "Observations,4", "Unique Values,2", "Mean,0.75",
          "Standard Deviation,0.4330127018922193", "", "Value,Observations,%,cum. %", "yes,3,0.75,0.75",
          "no,1,0.25,1"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.column.name);
        open({k.column});
        show(k.column.name);
        const Lines csv = exportCSVLines();
        ASSERT_GE(csv.size(), k.head.size());
        EXPECT_EQ(Lines(csv.begin(), csv.begin() + long(k.head.size())), k.head);
    }
}

TEST_F(VariableDetailTest, CSVOfAFilteredPageSharesOfItsRows) {
    open({kNumbers, {"site", {"north", "south", "north", "south", "north"}}});
    show("x");
    page->wheres()->insert(std::make_shared<WhereClauseObj>(columnNamed("site")->num(), FilterEqual, "north"));
    page->viewWillAppear(false);
    waitShown();
    const Lines csv = exportCSVLines();
    ASSERT_GE(csv.size(), 2u);
    EXPECT_EQ(csv[1], "Filters:," + model().stringForWhereSet(page->whereClauses()));
    EXPECT_NE(csv[1], "Filters:,");
    EXPECT_TRUE(contains(csv, "Observations,3"));
    // Each of 1, 3 and 100 once among three rows.
    EXPECT_TRUE(contains(csv, "1,1,0.3333333333333333,0.3333333333333333"));
    EXPECT_TRUE(contains(csv, "3,1,0.3333333333333333,1"));
}

TEST_F(VariableDetailTest, ReportPageOfNumbers) {
    open({kNumbers});
    show("x");
    const std::string pdf = exportPDF();
    // A copy for a reader to look at.
    std::filesystem::copy_file(pdf, renderChecks::scratchPath("variable-detail-report.pdf"),
                               std::filesystem::copy_options::overwrite_existing);
    // One page, its histogram, box and QQ plot vectors.
    EXPECT_TRUE(reportReading::oneLetterPageOfVectors(pdf));
    const std::string text = renderChecks::pdfText(pdf);
    for (const char* shown : {"Variable: x", "Type: Numeric", "Most Frequent Values", "Observations: 5",
                              "Mean: 22", "Maximum: 100", "Range: 99", "Variance: 1,902.5",
                              "Standard Deviation: 43.61766", "Excess Kurtosis: 0.2467165"}) {
        EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
    }
    // The table's rows 15 points apart: the cumulative shares 40 %, 60 % and 80 % of three rows in turn.
    const auto words = renderChecks::pdfWords(pdf);
    const auto* forty = renderChecks::findWord(words, "40%");
    const auto* sixty = renderChecks::findWord(words, "60%");
    const auto* eighty = renderChecks::findWord(words, "80%");
    ASSERT_TRUE(forty && sixty && eighty);
    EXPECT_NEAR(sixty->yMin - forty->yMin, 15, 0.5);
    EXPECT_NEAR(eighty->yMin - sixty->yMin, 15, 0.5);
}

TEST_F(VariableDetailTest, ReportOfAnEmptyColumnHoldsPlaceholders) {
    open({{"empty", {"", "", ""}, 3}, {"y", {"1", "2", "3"}}});
    show("empty");
    const Lines csv = exportCSVLines();
    ASSERT_FALSE(csv.empty());
    EXPECT_EQ(csv.back(), "Value,Observations,%,cum. %");
    const std::string text = renderChecks::pdfText(exportPDF());
    EXPECT_NE(text.find("Variable: empty"), std::string::npos);
    EXPECT_NE(text.find("Observations: 0"), std::string::npos);
}

TEST_F(VariableDetailTest, PrintSendsTheReportToTheChosenPrinter) {
    print.names = {"Office", "Lab"};
    print.defaultName = "Lab";
    open({kNumbers});
    show("x");
    driver->tap(page->shareItem()->view().get());
    host->drain();
    ASSERT_NE(driver->tapText("Print"), nullptr);
    host->drain();
    driver->tapText("Office");
    driver->tapText("Print");
    host->drain();
    EXPECT_EQ(page->presentedViewController(), nullptr);
    ASSERT_EQ(print.printedJobs.size(), 1u);
    const auto& job = print.printedJobs[0];
    EXPECT_EQ(job.options.documentName, "Ovrida");
    EXPECT_EQ(job.options.printerName, "Office");
    EXPECT_EQ(job.pageBox, (gfx::Rect{0, 0, 612, 792}));
    const std::string printed = path("printed.pdf");
    auto context = gfx::makePDFContext(printed, {0, 0, 612, 792});
    job.draw(*context);
    ASSERT_TRUE(context->finish());
    const std::string text = renderChecks::pdfText(printed);
    EXPECT_NE(text.find("Variable: x"), std::string::npos) << text;
    EXPECT_NE(text.find("Mean: 22"), std::string::npos) << text;
}
