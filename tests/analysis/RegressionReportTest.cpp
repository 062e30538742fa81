// The regression screen's report and CSV: the page's texts, table rows and colours read back with
// poppler's tools, a dropped regressor's note on the page and its "nan" in the CSV, and a fit without
// coefficients.
#include "tests/RenderChecks.h"
#include "tests/analysis/RegressionFixture.h"
#include "tests/analysis/ReportReading.h"

#include <cmath>

using namespace regressionTest;
using namespace reportReading;

namespace {

const std::vector<ColumnSpec> kFit{{"y", {"1", "3", "5", "9", "8", "12", "10", "15"}},
                                   {"x1", {"0", "1", "2", "3", "4", "5", "6", "7"}},
                                   {"x2", {"2", "1", "4", "3", "6", "5", "8", "9"}},
                                   {"same", {"4", "4", "4", "4", "4", "4", "4", "4"}}};

} // namespace

TEST_F(RegressionTest, ReportHoldsTheResultsOnOneLetterPage) {
    open(kFit, "y", {"x1", "x2"});
    show();
    const std::string pdf = exportPDF();
    ASSERT_TRUE(oneLetterPageOfVectors(pdf));

    const auto& result = *screen->graphData().result;
    const std::string text = squeezed(renderChecks::pdfText(pdf));
    const std::string equation = squeezed(screen->textViewEquation().text());
    const std::string interpretation = squeezed(screen->textViewInterpret().text());
    for (const std::string& line :
         {std::string("Linear Regression Model"), std::string("Linear regression model for variable y"),
          std::string("Filters:"), std::string("Obs = 8"),
          "RMSE = " + Model::stringFromNumberOfTypeWithSigDigits(*result.rmse, 3, 8), equation, interpretation,
          std::string("Histogram of Residuals"), std::string("Residuals vs Fitted"),
          std::string("Legend for significance")})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin: " << text;
    for (const std::string control : {"Choose Variable", "Add / Change", "Add All", "Swipe a variable"})
        EXPECT_EQ(text.find(control), std::string::npos) << control;

    // The five titles on one line over the rows, which lie 20 points apart.
    const auto words = wordsOf(pdf);
    const auto* coefficient = renderChecks::findWord(words, "Coefficient");
    const auto* significance = renderChecks::findWord(words, "Significance");
    const auto* err = renderChecks::findWord(words, "Err");
    ASSERT_TRUE(coefficient && significance && err);
    // A row's name: the word in the row-header column below the titles (the equation names them too).
    auto rowName = [&](const std::string& name) -> const renderChecks::PdfWord* {
        for (const auto& w : words)
            if (w.text == name && w.yMin > coefficient->yMin && w.xMax < coefficient->xMin)
                return &w;
        return nullptr;
    };
    const auto* x1 = rowName("x1");
    const auto* x2 = rowName("x2");
    const auto* constant = rowName("Constant");
    ASSERT_TRUE(x1 && x2 && constant);
    EXPECT_NEAR(coefficient->yMin, significance->yMin, 0.5);
    EXPECT_NEAR(coefficient->yMin, err->yMin, 0.5);
    EXPECT_NEAR(x2->yMin - x1->yMin, 20, 0.5);
    EXPECT_NEAR(constant->yMin - x2->yMin, 20, 0.5);

    // The table: the row header and five columns wide, a direct child of the page, never red.
    auto output = std::dynamic_pointer_cast<RegressionViewController>(screen->makeOutputController());
    ASSERT_TRUE(output);
    EXPECT_EQ(output->tableResults().superview(), &output->view());
    EXPECT_DOUBLE_EQ(output->tableResults().frame().width(), 147 + 5 * 85);
    EXPECT_DOUBLE_EQ(output->header().frame().width(), 147 + 5 * 85);
    const ui::Rect header = output->header().frame();
    const ui::Rect table = output->tableResults().frame();
    const gfx::Image page = rasterize(pdf, "regression-page");
    ASSERT_EQ(page.pixelWidth(), 612);
    const auto inks = inksIn(page, int(table.minX()), int(header.minY()), int(table.maxX()), int(table.maxY()));
    EXPECT_EQ(inks.red, 0);
    EXPECT_GT(inks.drawn, 100);
    // Every chart lies on the page.
    for (ui::View* chart : {static_cast<ui::View*>(&output->hostGraph()), static_cast<ui::View*>(&output->hostGraphRight())}) {
        EXPECT_LE(chart->frame().maxY(), 792);
        EXPECT_LE(chart->frame().maxX(), 612);
    }
}

TEST_F(RegressionTest, DroppedRegressorShowsItsNoteOnThePageAndNanInTheCSV) {
    open(kFit, "y", {"x1", "same"});
    show();
    const std::string text = squeezed(renderChecks::pdfText(exportPDF()));
    EXPECT_NE(text.find("Variable dropped because it has only one value."), std::string::npos) << text;
    EXPECT_EQ(text.find("NaN"), std::string::npos) << text;
    auto output = std::dynamic_pointer_cast<RegressionViewController>(screen->makeOutputController());
    ASSERT_TRUE(output);
    const auto rows = tableRows(*output);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[1].noteShown);
    EXPECT_EQ(rows[1].cells, std::vector<std::string>(5, ""));

    bool seen = false;
    for (const auto& line : exportCSVLines()) {
        const auto got = fields(line);
        if (got.empty() || got[0] != "same")
            continue;
        seen = true;
        EXPECT_EQ(got, (std::vector<std::string>{"same", "nan", "nan", "nan", "nan", ""}));
    }
    EXPECT_TRUE(seen);
}

TEST_F(RegressionTest, AFitWithoutCoefficientsWritesTheHeaderAlone) {
    open(kFit, "y", {"x1"});
    show();
    RegressionGraphData empty;
    empty.result = RegressionResult{};
    empty.columnNames = {"x1"};
    screen->setGraphData(empty);
    screen->displayFinal();
    const auto lines = exportCSVLines();
    const std::vector<std::string> header{"Variable", "Coefficient", "Standard Error", "t", "p > | t |", "Significance"};
    auto at = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return fields(l) == header; });
    ASSERT_NE(at, lines.end());
    ASSERT_EQ(lines.end() - at, 3);
    EXPECT_EQ(fields(*(at + 1)), std::vector<std::string>{""});
    EXPECT_EQ(fields(*(at + 2)), std::vector<std::string>{fitparts::significanceLegend()});
    // The table shows empty cells and the equation its bare start.
    for (const auto& row : rows()) {
        EXPECT_EQ(row.cells, std::vector<std::string>(5, ""));
    }
    EXPECT_EQ(screen->textViewEquation().text(), "y = ");
}
