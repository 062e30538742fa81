// The correlation screen's CSV and PDF report: the CSV line by line with its numbers against R
// (tests/fixtures/analyses/screen-correlation.R and .out), the report's texts, table rows, page size
// and colours read back with poppler's tools.
#include "tests/RenderChecks.h"
#include "tests/analysis/AnalysisRoad.h"
#include "tests/analysis/CorrelationFixture.h"
#include "tests/analysis/ReportReading.h"

#include <cmath>
#include <cstdlib>

using namespace correlationTest;
using namespace reportReading;

TEST_F(CorrelationTest, CSVLinesAgainstR) {
    open(kFourRows);
    show();
    const auto ci = screen->graphData().result->ci;
    // Text lines as they stand; numbers (a double in the second field) against R to 1e-9 relative.
    struct Line {
        std::vector<std::string> texts;
        std::optional<double> number = std::nullopt;
    };
    const std::string legend = CorrelationViewController::significanceLegend();
    const std::vector<Line> expected = {
        {{"Analysis of variables y and x"}},
        {{""}},
        {{"Filters:", ""}},
        {{""}},
        {{"Correlation"}},
        {{"r"}, 0.982707629823991},          // R: cor(x, y)
        {{"Degrees of Freedom"}, 2},
        {{"t"}, 7.50555349946513},           // R: r * sqrt((n - 2) / (1 - r^2))
        {{"p"}, 0.0177411517237542},         // R: 2 * (1 - pnorm(abs(atanh(r)) * sqrt(n - 3)))
        {{"95% conf lower bound"}, ci[0]},   // the engine's own interval
        {{"95% conf upper bound"}, ci[1]},
        {{""}},
        {{"Linear Regression"}},
        {{"Observations"}, 4},
        {{"R²"}, 0.965714285714286},         // R: summary(lm(y ~ x))$r.squared
        {{"Adjusted R²"}, 0.948571428571428},
        {{"RMSE"}, 0.774596669241483},       // R: summary(lm(y ~ x))$sigma
        {{""}},
        {{"Variable", "Coefficient", "Standard Error", "t", "p > | t |", "Significance"}},
        {{"x"}},
        {{"Constant"}},
        {{""}},
        {{legend}},
    };
    // R: coef(summary(lm(y ~ x))) rows x and the intercept: estimate, std. error, t, p.
    const std::vector<std::vector<double>> coefficients = {
        {2.6, 0.346410161513775, 7.50555349946513, 0.0172923701760092},
        {0.600000000000001, 0.648074069840786, 0.925820099772552, 0.452277442494833}};
    const std::vector<std::string> significance = {"* ", ""};
    const auto lines = exportCSVLines();
    ASSERT_EQ(lines.size(), expected.size());
    size_t coefficientRow = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        const auto got = fields(lines[i]);
        const Line& want = expected[i];
        if (want.texts.size() == 1 && (want.texts[0] == "x" || want.texts[0] == "Constant")) {
            ASSERT_EQ(got.size(), 6u);
            EXPECT_EQ(got[0], want.texts[0]);
            for (size_t k = 0; k < 4; ++k) {
                const double reference = coefficients[coefficientRow][k];
                EXPECT_NEAR(std::stod(got[k + 1]), reference, 1e-9 * std::fabs(reference)) << k;
            }
            EXPECT_EQ(got[5], significance[coefficientRow]);
            ++coefficientRow;
            continue;
        }
        if (want.number) {
            ASSERT_EQ(got.size(), 2u);
            EXPECT_EQ(got[0], want.texts[0]);
            EXPECT_NEAR(std::stod(got[1]), *want.number, 1e-9 * std::fabs(*want.number));
            continue;
        }
        EXPECT_EQ(got, want.texts);
    }
}

TEST_F(CorrelationTest, ReportHoldsTheResultsOnOneLetterPage) {
    open(kFourRows);
    show();
    const std::string pdf = exportPDF();
    const auto info = renderChecks::pdfInfo(pdf);
    ASSERT_TRUE(info.readable);
    ASSERT_EQ(info.pages, 1);
    EXPECT_EQ(info.pageSizes[0].width, 612);
    EXPECT_EQ(info.pageSizes[0].height, 792);
    EXPECT_TRUE(renderChecks::pdfImages(pdf).empty());

    const std::string text = squeezed(renderChecks::pdfText(pdf));
    for (const std::string line :
         {"Bivariate analysis of:", "Analysis of variables x and y", "Filters:", "Correlation: 0.9827",
          "t = 7.506, df = 2, p = 0.01774", "95% Conf Interval: 0.3917 to 0.9997",
          "Correlation is significantly different than zero (p<0.05). Variables have strong positive correlation.",
          "y = 2.6 * x + 0.6 + ϵ", "Obs = 4", "R² = 0.9657", "Adjusted R² = 0.9486", "RMSE = 0.7746",
          "Scatter Plot of x and y", "— Best Fit Line", "Legend for significance"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin: " << text;
    EXPECT_EQ(text.find("Choose Variable"), std::string::npos);

    // The header's five titles on one line over the two rows, which lie 20 points apart.
    const auto words = wordsOf(pdf);
    const auto* variable = renderChecks::findWord(words, "Variable");
    const auto* coefficient = renderChecks::findWord(words, "Coefficient");
    const auto* significance = renderChecks::findWord(words, "Significance");
    const auto* err = renderChecks::findWord(words, "Err");
    const auto* slope = renderChecks::findWord(words, "2.6");
    const auto* slopeT = renderChecks::findWord(words, "7.506");
    const auto* constant = renderChecks::findWord(words, "Constant");
    const auto* intercept = renderChecks::findWord(words, "0.9258");
    ASSERT_TRUE(variable && coefficient && significance && err && slope && slopeT && constant && intercept);
    EXPECT_NEAR(coefficient->yMin, significance->yMin, 0.5);
    EXPECT_NEAR(coefficient->yMin, err->yMin, 0.5);
    EXPECT_LT(coefficient->xMax, slopeT->xMin);
    EXPECT_NEAR(intercept->yMin - slopeT->yMin, 20, 0.5);
    EXPECT_GT(slopeT->yMin, coefficient->yMin);
    // "2.6" is the coefficient column's, "Std Err" the last title, right of every number.
    EXPECT_LT(slope->xMax, slopeT->xMin);
    EXPECT_GT(err->xMin, intercept->xMax);

    // The table is drawn in black and orange on white and grey, never in red.
    auto output = std::dynamic_pointer_cast<CorrelationViewController>(screen->makeOutputController());
    ASSERT_TRUE(output);
    const ui::Rect header = output->header().frame();
    const ui::Rect table = output->tableResults().frame();
    const gfx::Image page = rasterize(pdf);
    ASSERT_EQ(page.pixelWidth(), 612);
    int red = 0, drawn = 0;
    for (int y = int(header.minY()); y < int(table.maxY()); ++y)
        for (int x = int(table.minX()); x < int(table.maxX()); ++x) {
            const auto c = page.pixel(x, y);
            if (c.red > 0.7 && c.green < 0.3 && c.blue < 0.3)
                ++red;
            if (c.red < 0.5)
                ++drawn;
        }
    EXPECT_EQ(red, 0);
    EXPECT_GT(drawn, 100);
}

TEST_F(CorrelationTest, ReportShowsWhyAVariableWasDropped) {
    open({{"x", {"2", "2", "2", "2"}}, {"y", {"1", "3", "5", "9"}}});
    show();
    const std::string text = squeezed(renderChecks::pdfText(exportPDF()));
    EXPECT_NE(text.find("Variable dropped because it has only one value."), std::string::npos) << text;
    EXPECT_NE(text.find("Correlation is not defined."), std::string::npos) << text;
    // The note lies over the row's value cells and ends with the table.
    auto output = std::dynamic_pointer_cast<CorrelationViewController>(screen->makeOutputController());
    ASSERT_TRUE(output);
    output->tableResults().layoutIfNeeded();
    auto* cell = output->tableResults().cellForRowAtIndexPath(ui::IndexPath{0, 0});
    ASSERT_TRUE(cell);
    auto* note = cell->contentView().viewWithTag(68);
    ASSERT_TRUE(note);
    EXPECT_FALSE(note->isHidden());
    const ui::Rect box = note->convertRectToView(note->bounds(), &output->view());
    const ui::Rect table = output->tableResults().frame();
    EXPECT_DOUBLE_EQ(box.minX(), table.minX() + 147);
    EXPECT_DOUBLE_EQ(box.maxX(), table.maxX());
}
