// The correlation screen opened on a workspace: its texts, table, charts and messages against R's
// values (tests/fixtures/analyses/screen-correlation.R and .out), the interpretation's bands, the
// sideways scrolling of its table, and what it shows for unusable choices and data.
#include "plot/axes_plots/CPTTimeFormatter.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "tests/analysis/CorrelationFixture.h"

#include <cmath>
#include <cstdlib>

using namespace correlationTest;

namespace {

const std::string kNotDefined = "Correlation is not defined. This most often happens if one or both of the "
                                "variables is constant on all rows they have in common.";
const std::string kNoRows = "Variables have no numeric rows in common.";

CPTXYAxisSet& axesOf(CPTXYGraph& graph) {
    return *std::dynamic_pointer_cast<CPTXYAxisSet>(graph.axisSet());
}

bool isTimeFormatter(const CPTAxis& axis) {
    return dynamic_cast<const CPTTimeFormatter*>(axis.labelFormatter().get()) != nullptr;
}

} // namespace

TEST(CorrelationInterpretation, PSentenceThenOneBand) {
    const std::string sig = "Correlation is significantly different than zero (p<0.05).";
    const std::string notSig = "Correlation is not significantly different than zero (p>0.05).";
    struct Case {
        double p, r;
        int64_t df;
        std::string expected;
    };
    const Case cases[] = {
        {0.01, -0.5, 10, sig + " Variables have strong negative correlation."},
        {0.01, -0.3, 10, sig + " Variables have medium negative correlation."},
        {0.01, -0.1, 10, sig + " Variables have weak negative correlation."},
        {0.01, 0.1, 10, sig + " Variables have weak positive correlation."},
        {0.01, 0.3, 10, sig + " Variables have medium positive correlation."},
        {0.01, 0.5, 10, sig + " Variables have strong positive correlation."},
        {0.01, -0.9, 10, sig + " Variables have strong negative correlation."},
        {0.01, 0.05, 10, sig},
        {0.01, -0.05, 10, sig},
        {0.05, 0.2, 10, notSig + " Variables have weak positive correlation."},
        {0.5, 0.0, 10, notSig},
        {NAN, 1.0, 0, "Correlation is exact. Variables have strong positive correlation."},
        {NAN, -1.0, 0, "Correlation is exact. Variables have strong negative correlation."},
        {NAN, NAN, -2, kNoRows},
        {0.01, 0.9, -2, kNoRows},
        {0.5, NAN, 5, kNotDefined},
        {NAN, NAN, -1, kNotDefined},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "p " << c.p << " r " << c.r << " df " << c.df);
        EXPECT_EQ(CorrelationViewController::interpretation(c.p, c.r, c.df), c.expected);
    }
}

TEST(CorrelationEquation, TermsJoinedBySignAndConstantLast) {
    struct Case {
        std::vector<double> coeffs;
        std::string expected;
    };
    const Case cases[] = {
        {{2.6, 0.6}, "y =  2.6 * x + 0.6 + ϵ"},
        {{-1.5, 0.25}, "y =  -1.5 * x + 0.25 + ϵ"},
        {{2.6, -0.6}, "y =  2.6 * x -0.6 + ϵ"},
        {{0, 0}, "y =  0 * x + 0 + ϵ"},
        // A dropped regressor writes no term; the constant then opens the right side.
        {{NAN, 3}, "y =  3 + ϵ"},
        {{NAN, -3}, "y =  -3 + ϵ"},
        {{}, "y = "},
    };
    for (const auto& c : cases) {
        CorrelationResult result;
        result.coeffs = c.coeffs;
        result.names = {"x"};
        EXPECT_EQ(CorrelationViewController::equationText("y", result, 1), c.expected);
    }
}

TEST(CorrelationStars, ByPValue) {
    const std::pair<double, const char*> cases[] = {{0.0001, "*** "}, {0.001, "*** "}, {0.0011, "** "}, {0.01, "** "},
                                                    {0.0101, "* "},    {0.05, "* "},    {0.0501, ""},     {NAN, ""}};
    for (const auto& [p, expected] : cases)
        EXPECT_EQ(CorrelationViewController::stars(p), expected) << p;
}

TEST_F(CorrelationTest, FourRowsAgainstR) {
    open(kFourRows);
    show();
    // R: cor, the Fisher-z p 2 * (1 - pnorm(abs(atanh(r)) * sqrt(n - 3))), tanh(atanh(r) -+ 1.9572 / sqrt(n - 3)).
    EXPECT_EQ(screen->labelCorrelation().text(), "Correlation: 0.9827");
    EXPECT_EQ(screen->labelConf().text(), "t = 7.506, df = 2, p = 0.01774");
    EXPECT_EQ(screen->labelConfInterval().text(), "95% Conf Interval: 0.3917 to 0.9997");
    EXPECT_EQ(screen->labelInterpret().text(),
              "Correlation is significantly different than zero (p<0.05). Variables have strong positive correlation.");
    // R: summary(lm(y ~ x)): adj.r.squared, sigma, r.squared.
    EXPECT_EQ(screen->labelObs().text(), "Obs = 4");
    EXPECT_EQ(screen->labelR2().text(), "Adjusted R² = 0.9486");
    EXPECT_EQ(screen->labelRMSE().text(), "RMSE = 0.7746");
    EXPECT_EQ(screen->labelR2Unadj().text(), "R² = 0.9657");
    EXPECT_EQ(screen->labelRegression().text(), "y =  2.6 * x + 0.6 + ϵ");
    EXPECT_EQ(screen->labelSingleTitle()->text(), "Analysis of variables x and y");
    EXPECT_EQ(screen->labelType()->text(), "Bivariate analysis of:");
    EXPECT_TRUE(screen->labelError().isHidden());

    EXPECT_EQ(headerTitles(), (std::vector<std::string>{"Coefficient", "t", "p > | t |", "Significance", "Std Err"}));
    EXPECT_EQ(screen->header().labelRowHeader().text(), "Variable");
    // R: coef(summary(lm(y ~ x))): estimate, t, p, and the standard error last.
    const auto rows = tableRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, " x");
    EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"2.6", "7.506", "0.01729", "* ", "0.3464"}));
    EXPECT_FALSE(rows[0].noteShown);
    EXPECT_EQ(rows[1].name, " Constant");
    EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"0.6", "0.9258", "0.4523", "", "0.6481"}));

    // The charts: the points and the fitted line told apart, the residuals as R gives them.
    EXPECT_EQ(screen->graph().title(), std::optional<std::string>("Scatter Plot of x and y"));
    const auto& data = screen->graphData();
    ASSERT_TRUE(data.result);
    // Fitted minus observed, as the engine forms them: R's -residuals(lm(y ~ x)).
    const double residuals[] = {-0.4, 0.2, 0.8, -0.6};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(data.result->residuals[i], residuals[i], 1e-12);
    EXPECT_EQ(data.columns, std::vector<std::string>{"y"});
    EXPECT_EQ(data.histogram.edges.size(), data.histogram.contents.size());
    // The scatter's ranges widened by a tenth each side of the points' extent.
    auto& scatter = space(screen->graph());
    EXPECT_NEAR(scatter.xRange()->locationDouble(), -0.3, 1e-9);
    EXPECT_NEAR(scatter.xRange()->lengthDouble(), 3.6, 1e-9);
    EXPECT_NEAR(scatter.yRange()->locationDouble(), 1 - 0.8, 1e-9);
    EXPECT_NEAR(scatter.yRange()->lengthDouble(), 9.6, 1e-9);
    EXPECT_EQ(axesOf(screen->graphResidualsFitted()).axes().size(), 3u);
    EXPECT_EQ(*axesOf(screen->graphResidualsFitted()).xAxis()->title(), "Predicted y");
    EXPECT_EQ(*axesOf(screen->graphResidualsFitted()).yAxis()->title(), "Residual");
    EXPECT_EQ(*axesOf(screen->graphHistogram()).xAxis()->title(), "Residual");
    EXPECT_FALSE(isTimeFormatter(*axesOf(screen->graph()).xAxis()));
    // The histogram's counts are labelled in whole numbers only.
    const auto& counts = axesOf(screen->graphHistogram()).yAxis()->labelFormatter();
    const std::pair<double, std::optional<std::string>> labels[] = {
        {0.0, "0"}, {0.5, std::nullopt}, {2.0, "2"}, {1.5, std::nullopt}, {12.0, "12"}};
    for (const auto& [count, label] : labels)
        EXPECT_EQ(counts->stringForObjectValue(foundation::Value(count)), label) << count;
}

TEST_F(CorrelationTest, MissingVariablesAskForTwo) {
    struct Case {
        std::string left, right;
    };
    const Case cases[] = {{"", ""}, {"x", ""}, {"", "y"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.left + "/" + c.right);
        open(kFourRows, c.left, c.right);
        show();
        EXPECT_EQ(screen->labelError().text(), "Please choose two variables to analyze.");
        EXPECT_FALSE(screen->labelError().isHidden());
        for (ui::View* view : std::initializer_list<ui::View*>{
                 &screen->labelCorrelation(), &screen->labelInterpret(), &screen->viewHost(), &screen->tableResults(),
                 &screen->header(), &screen->viewHistogram(), &screen->viewResidualsFitted(), &screen->labelObs()})
            EXPECT_TRUE(view->isHidden()) << view->identifier();
        AnalysisError error;
        EXPECT_FALSE(screen->isValid(error));
        EXPECT_EQ(error.code, -1);
        EXPECT_EQ(driver->text("buttonLeft"), c.left.empty() ? "Choose Variable" : c.left);
        EXPECT_EQ(driver->text("buttonRight"), c.right.empty() ? "Choose Variable" : c.right);
        screen.reset();
        tabs.reset();
        nav.reset();
        model().closeStores();
    }
}

TEST_F(CorrelationTest, ConstantLeftColumnIsNotDefinedAndItsRowDropped) {
    open({{"x", {"2", "2", "2", "2"}}, {"y", {"1", "3", "5", "9"}}});
    show();
    EXPECT_EQ(screen->labelInterpret().text(), kNotDefined);
    const auto rows = tableRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].noteShown);
    EXPECT_EQ(rows[0].note, " Variable dropped because it has only one value.");
    EXPECT_FALSE(rows[1].noteShown);
    // The points' single x value lies in the middle of the scatter.
    auto& scatter = space(screen->graph());
    EXPECT_NEAR(scatter.xRange()->locationDouble() + scatter.xRange()->lengthDouble() / 2, 2, 1e-9);
    // Every chart keeps a range of some length.
    for (CPTXYGraph* graph : {&screen->graph(), &screen->graphHistogram(), &screen->graphResidualsFitted()}) {
        auto& s = space(*graph);
        EXPECT_GT(s.xRange()->lengthDouble(), 0);
        EXPECT_GT(s.yRange()->lengthDouble(), 0);
        EXPECT_TRUE(std::isfinite(s.xRange()->locationDouble()));
        EXPECT_TRUE(std::isfinite(s.yRange()->locationDouble()));
    }
    EXPECT_EQ(screen->labelRegression().text(), "y =  4.5 + ϵ");
}

TEST_F(CorrelationTest, DatesChangeOnlyTheirOwnAxes) {
    const std::vector<std::string> days{"2024-03-01", "2024-03-03", "2024-03-04", "2024-03-09", "2024-03-10"};
    const std::vector<std::string> numbers{"1", "4", "2", "8", "7"};
    struct Case {
        bool dateLeft;
    };
    for (const Case c : {Case{true}, Case{false}}) {
        SCOPED_TRACE(c.dateLeft ? "date left" : "date right");
        if (c.dateLeft)
            open({{"x", days, 4}, {"y", numbers}});
        else
            open({{"x", numbers}, {"y", days, 4}});
        show();
        ASSERT_TRUE(screen->labelError().isHidden()) << screen->labelError().text();
        auto& scatter = axesOf(screen->graph());
        auto& residuals = axesOf(screen->graphResidualsFitted());
        auto& histogram = axesOf(screen->graphHistogram());
        EXPECT_EQ(isTimeFormatter(*scatter.xAxis()), c.dateLeft);
        EXPECT_EQ(isTimeFormatter(*scatter.yAxis()), !c.dateLeft);
        EXPECT_EQ(isTimeFormatter(*residuals.xAxis()), !c.dateLeft);
        const std::string residual = c.dateLeft ? "Residual" : "Residual (seconds)";
        EXPECT_EQ(*residuals.yAxis()->title(), residual);
        EXPECT_EQ(*histogram.xAxis()->title(), residual);
        if (!c.dateLeft) {
            // The fitted axis writes dates.
            const auto text = residuals.xAxis()->labelFormatter()->stringForObjectValue(foundation::Value(1709510400.0));
            ASSERT_TRUE(text);
            EXPECT_NE(text->find("24"), std::string::npos) << *text;
        }
        screen.reset();
        tabs.reset();
        nav.reset();
        model().closeStores();
    }
}

TEST_F(CorrelationTest, UnusableDataSaysWhy) {
    struct Case {
        const char* name;
        std::vector<ColumnSpec> columns;
        std::string interpretation;
    };
    const Case cases[] = {
        {"no rows in common", {{"x", {"1", "2", "", ""}}, {"y", {"", "", "3", "4"}}}, kNoRows},
        {"an empty column", {{"x", {"1", "2", "3"}}, {"y", {"", "", ""}}}, kNoRows},
        {"texts only", {{"x", {"1", "2", "3"}}, {"y", {"a", "b", "c"}}}, kNoRows},
        {"one row in common", {{"x", {"1", "2", ""}}, {"y", {"5", "", "7"}}}, kNotDefined},
        {"two rows", {{"x", {"1", "2"}}, {"y", {"5", "3"}}},
         "Correlation is exact. Variables have strong negative correlation."},
        {"constant right", {{"x", {"1", "2", "3"}}, {"y", {"4", "4", "4"}}}, kNotDefined},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.columns);
        show();
        EXPECT_TRUE(screen->labelError().isHidden()) << screen->labelError().text();
        EXPECT_EQ(screen->labelInterpret().text(), c.interpretation);
        // The report and the CSV are written whatever the data.
        EXPECT_TRUE(screen->writePDFOutputAtPath(path("bad.pdf")));
        EXPECT_TRUE(screen->writeCSVOutputAtPath(path("bad.csv")));
        screen.reset();
        tabs.reset();
        nav.reset();
        model().closeStores();
    }
}

TEST_F(CorrelationTest, FiltersNarrowTheRows) {
    open({{"x", {"0", "1", "2", "3", "10", "11"}}, {"y", {"1", "3", "5", "9", "0", "0"}}});
    auto clause = model().managedObjectContext()->insertNewObject<WhereClause>();
    clause->setX(columnNamed("x").get());
    clause->setOp(0); // <
    clause->setC(std::string("5"));
    analysis->addWheresObject(*clause);
    model().saveContext();
    show();
    EXPECT_EQ(screen->labelObs().text(), "Obs = 4");
    EXPECT_EQ(screen->labelCorrelation().text(), "Correlation: 0.9827");
    EXPECT_EQ(driver->text("labelWhere"), "x < 5");
}

TEST_F(CorrelationTest, RemovingAColumnAsksForTwoVariables) {
    open(kFourRows);
    show();
    ASSERT_TRUE(screen->labelError().isHidden());
    model().removeColumn(*columnNamed("y"));
    model().saveContext();
    waitShown();
    EXPECT_EQ(screen->labelError().text(), "Please choose two variables to analyze.");
    EXPECT_TRUE(screen->labelCorrelation().isHidden());
}

TEST_F(CorrelationTest, ScrollingOneStripMovesTheHeaderAndEveryRow) {
    open({{"x", {"2", "2", "2", "2"}}, {"y", {"1", "3", "5", "9"}}});
    show(kIdioms[1]);
    auto& header = screen->header().horizontalTable();
    auto rowParts = [&](int row) {
        auto* cell = screen->tableResults().cellForRowAtIndexPath(ui::IndexPath{0, row});
        EXPECT_NE(cell, nullptr);
        auto* inner = dynamic_cast<ui::TableView*>(cell->contentView().viewWithTag(104));
        auto* strip = dynamic_cast<ui::ScrollView*>(cell->contentView().viewWithTag(102));
        return std::pair{inner, strip};
    };
    // The phone's table is narrower than its five columns, so each strip can move.
    auto [inner0, strip0] = rowParts(0);
    auto [inner1, strip1] = rowParts(1);
    ASSERT_TRUE(inner0 && strip0 && inner1 && strip1);
    ASSERT_FALSE(strip0->isHidden());
    struct Case {
        const char* name;
        ui::View* dragged;
        double dx;
    };
    const Case cases[] = {{"header", &header, -80}, {"row 2's cells", inner1, -60}, {"row 1's note", strip0, 50}};
    // The table in sight, for the finger to reach it.
    auto& main = *screen->scrollMain();
    main.setContentOffset({0, screen->header().frame().minY() - 40});
    host->drain();
    double expected = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui::View* reached = driver->drag(c.dragged, {c.dx, 0});
        bool inside = false;
        for (ui::View* v = reached; v; v = v->superview())
            inside = inside || v == c.dragged;
        EXPECT_TRUE(inside);
        host->drain();
        expected = header.contentOffset().y;
        EXPECT_GT(expected, 0);
        EXPECT_EQ(inner0->contentOffset().y, expected);
        EXPECT_EQ(inner1->contentOffset().y, expected);
        EXPECT_EQ(strip0->contentOffset().x, expected);
        EXPECT_EQ(strip1->contentOffset().x, expected);
        // Tags are back as they were.
        EXPECT_EQ(header.tag(), 102);
        EXPECT_EQ(inner0->tag(), 104);
        EXPECT_EQ(strip0->tag(), 102);
    }
}

TEST_F(CorrelationTest, MetricsBySizeClassAndReport) {
    open(kFourRows);
    struct Case {
        const Idiom* idiom;
        double header, col, row, font, rowFont;
    };
    const Case cases[] = {{&kIdioms[0], 153, 111, 40, 17, 18}, {&kIdioms[1], 80, 72, 25, 12, 14}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.idiom->name);
        show(*c.idiom);
        EXPECT_EQ(screen->rowHeaderWidth(), c.header);
        EXPECT_EQ(screen->colWidth(), c.col);
        EXPECT_EQ(screen->rowHeight(), c.row);
        EXPECT_EQ(screen->tableFontSize(), c.font);
        EXPECT_EQ(screen->tableRowHeaderFontSize(), c.rowFont);
        auto output = std::dynamic_pointer_cast<CorrelationViewController>(screen->makeOutputController());
        ASSERT_TRUE(output);
        EXPECT_EQ(output->rowHeaderWidth(), 147);
        EXPECT_EQ(output->colWidth(), 85);
        EXPECT_EQ(output->rowHeight(), 20);
        EXPECT_EQ(output->tableFontSize(), 12);
        EXPECT_EQ(output->tableRowHeaderFontSize(), 13);
        // The report's table is exactly the row header and five columns wide, on its page directly.
        EXPECT_EQ(output->tableResults().frame().width(), 147 + 5 * 85);
        EXPECT_EQ(output->tableResults().superview(), &output->view());
        EXPECT_EQ(output->labelInterpret().text(), screen->labelInterpret().text());
    }
    EXPECT_EQ(screen->fileNameOutput(), "Analysis of variables y and x");
}

// Pictures to look at: the screen on pad and phone and the report, written when OVRIDA_PICTURES names a
// folder. The checks look at what the pictures must hold: the fitted line's blue in the scatter.
TEST_F(CorrelationTest, PicturesOfScreenAndReport) {
    const std::string longName = "a rather long name of the first variable measured";
    struct Case {
        const char* name;
        std::vector<ColumnSpec> columns;
        std::string left;
        bool fitLine = true;
    };
    const Case cases[] = {
        {"long", {{longName, {"0", "1", "2", "3", "4", "5", "", "7"}}, {"y", {"1", "3", "5", "9", "6", "12", "3", ""}}},
         longName},
        {"constant", {{"x", {"2", "2", "2", "2"}}, {"y", {"1", "3", "5", "9"}}}, "x", false},
        {"dates", {{"x", {"1", "4", "2", "8", "7"}}, {"y", {"2024-03-01", "2024-03-03", "2024-03-04", "2024-03-09", "2024-03-10"}, 4}},
         "x"},
    };
    const char* folder = std::getenv("OVRIDA_PICTURES");
    for (const auto& c : cases) {
        open(c.columns, c.left, "y");
        for (const auto& idiom : kIdioms) {
            SCOPED_TRACE(std::string(c.name) + " " + idiom.name);
            show(idiom);
            ASSERT_TRUE(screen->labelError().isHidden());
            const std::string prefix = std::string(folder ? folder : "") + "/correlation-" + c.name + "-" + idiom.name;
            const gfx::Image shot = driver->screenshot();
            if (folder)
                shot.writePNG(prefix + ".png");
            // The fitted line's blue in the scatter, where there is a line.
            const ui::Rect chart = screen->viewHost().convertRectToView(screen->viewHost().bounds(), nullptr);
            int blue = 0;
            for (int y = int(chart.minY()); y < int(std::min(chart.maxY(), double(shot.pixelHeight()))); y += 1)
                for (int x = int(chart.minX()); x < int(chart.maxX()); x += 2) {
                    const auto p = shot.pixel(x, y);
                    if (p.blue > 0.8 && p.red < 0.3 && p.green < 0.3)
                        ++blue;
                }
            EXPECT_EQ(blue > 20, c.fitLine) << blue;
            if (!folder)
                continue;
            screen->scrollMain()->setContentOffset({0, screen->labelRegression().frame().minY() - 10});
            host->drain();
            driver->screenshot().writePNG(prefix + "-table.png");
            screen->scrollMain()->setContentOffset(
                {0, screen->scrollMain()->contentSize().height - screen->scrollMain()->bounds().height()});
            host->drain();
            driver->screenshot().writePNG(prefix + "-end.png");
            std::filesystem::copy_file(exportPDF(), prefix + ".pdf", std::filesystem::copy_options::overwrite_existing);
        }
    }
}
