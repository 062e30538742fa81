// The correlation screen's CSV and PDF report: the CSV line by line with its numbers against R
// (tests/fixtures/analyses/screen-correlation.R and .out), the report's texts, table rows, page size
// and colours read back with poppler's tools.
#include "plot/graph/CPTPlotAreaFrame.h"
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
    ASSERT_TRUE(oneLetterPageOfVectors(pdf));

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
    const auto inks = inksIn(page, int(table.minX()), int(header.minY()), int(table.maxX()), int(table.maxY()));
    EXPECT_EQ(inks.red, 0);
    EXPECT_GT(inks.drawn, 100);
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

// The report's charts as pdftotext finds their words: each heading whole and within its chart's column;
// every label and title inside its chart's box and clear of every other (long dates and seconds on the
// axes included); the scatter's title above the plot area, clear of the y axis line.
TEST_F(CorrelationTest, ReportChartTextsStayInsideTheirChartsAndApart) {
    const std::string longName = "a rather long name of the first variable measured";
    struct Case {
        const char* name;
        std::vector<ColumnSpec> columns;
        std::string left;
    };
    const Case cases[] = {
        {"four rows", kFourRows, "x"},
        {"dates on y", {{"x", {"1", "4", "2", "8", "7"}}, {"y", {"2024-03-01", "2024-03-03", "2024-03-04", "2024-03-09", "2024-03-10"}, 4}}, "x"},
        {"dates on x", {{"x", {"2024-03-01", "2024-03-03", "2024-03-04", "2024-03-09", "2024-03-10"}, 4}, {"y", {"1", "4", "2", "8", "7"}}}, "x"},
        {"long name, large values", {{longName, {"0", "1", "2", "3", "4", "5"}}, {"y", {"100000", "310000", "505000", "900000", "610000", "1200000"}}}, longName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.columns, c.left, "y");
        show();
        ASSERT_TRUE(screen->labelError().isHidden());
        const std::string pdf = exportPDF();
        const std::string text = squeezed(renderChecks::pdfText(pdf));
        for (const std::string heading : {"Scatter Plot", "Histogram of Residuals", "Residuals against Fitted Values"})
            EXPECT_NE(text.find(heading), std::string::npos) << heading << "\nin: " << text;

        auto output = std::dynamic_pointer_cast<CorrelationViewController>(screen->makeOutputController());
        ASSERT_TRUE(output);
        const auto words = wordsOf(pdf);
        const std::pair<ui::Label*, CPTGraphHostingView*> charts[] = {
            {&output->labelHeaderPlot(), &output->viewHost()},
            {&output->labelHistogram(), &output->viewHistogram()},
            {&output->labelResidualsFitted(), &output->viewResidualsFitted()}};
        for (const auto& [heading, host] : charts) {
            const ui::Rect chart = host->frame();
            const ui::Rect head = heading->frame();
            SCOPED_TRACE(heading->text());
            std::vector<const renderChecks::PdfWord*> inside;
            for (const auto& w : words) {
                const bool besideChart = w.xMax > chart.minX() && w.xMin < chart.maxX();
                if (besideChart && w.yMin >= head.minY() - 1 && w.yMax <= head.maxY() + 1) {
                    EXPECT_LE(w.xMax, chart.maxX() + 0.5) << w.text;
                }
                if (!besideChart || w.yMax < chart.minY() || w.yMin > chart.maxY())
                    continue;
                EXPECT_GE(w.xMin, chart.minX() - 0.5) << w.text;
                EXPECT_LE(w.xMax, chart.maxX() + 0.5) << w.text;
                EXPECT_GE(w.yMin, chart.minY() - 0.5) << w.text;
                EXPECT_LE(w.yMax, chart.maxY() + 0.5) << w.text;
                inside.push_back(&w);
            }
            EXPECT_GE(inside.size(), 4u);
            for (size_t i = 0; i < inside.size(); ++i)
                for (size_t j = i + 1; j < inside.size(); ++j) {
                    const auto& a = *inside[i];
                    const auto& b = *inside[j];
                    const bool apart = a.xMax <= b.xMin + 0.5 || b.xMax <= a.xMin + 0.5 || a.yMax <= b.yMin + 0.5 ||
                                       b.yMax <= a.yMin + 0.5;
                    EXPECT_TRUE(apart) << a.text << " and " << b.text << " overlap";
                }
        }
        // The scatter's title lies above the plot area, whose top the y axis line reaches.
        const ui::Rect scatter = output->viewHost().frame();
        const double plotTop =
            scatter.minY() + output->graph().paddingTop() + output->graph().plotAreaFrame()->paddingTop();
        bool titleSeen = false;
        for (const auto& w : words)
            if (w.text == "Scatter" && w.yMin >= scatter.minY() && w.yMax <= scatter.maxY()) {
                titleSeen = true;
                EXPECT_LE(w.yMax, plotTop + 0.5);
            }
        EXPECT_TRUE(titleSeen);
    }
}
