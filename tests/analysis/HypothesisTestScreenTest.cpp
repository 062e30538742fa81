// The hypothesis-test screen opened on a workspace: what each control stores, the validation messages, the
// test a run uses, the result text against R (tests/fixtures/analyses/screen-hypothesis.R and .out), the
// success levels of proportions, level names kept as plain text, and what unusable data shows.
#include "tests/analysis/HypothesisTestFixture.h"

#include "platform/ui/Control.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <cmath>

using namespace hypothesisTest;

namespace {

const std::vector<ColumnSpec> kColumns{
    {"x", {"1", "2", "3", "4", "5"}},
    {"y", {"2", "4", "4", "5", "7"}},
    {"g", {"yes", "no", "yes", "yes", "no"}},
    {"h", {"no", "no", "yes", "yes", "yes"}},
    {"cat", {"a", "b", "c", "a", "b"}},
    {"day", {"2024-03-01", "2024-03-04", "2024-03-05", "2024-03-09", "2024-03-12"}},
};

} // namespace

TEST_F(HypothesisTest, OneSampleMeanReadsAsAReportAgainstR) {
    open(kColumns, {"x", "", 1, false, 0, 0, "2", std::nullopt});
    show();
    // R: t.test(1:5, mu = 2): t = 1.414214, df = 4, p-value = 0.2302; sd(1:5) / sqrt(5) = 0.7071068
    const std::vector<std::string> expected{
        "Hypothesis Statement",
        "Null hypothesis, H₀: x = 2 (The true mean of x is equal to 2)",
        "Alternative hypothesis, H₁: x ≠ 2 (The true mean of x is not equal to 2)",
        "One sample two tail t-test",
        "Significance level to reject the null hypothesis: 0.05",
        "Test statistics",
        "Sample\tSample",
        "Obs.\t5",
        "Mean\t3",
        "Std Err\t0.7071068",
        "",
        "t = 1.414214, degrees of freedom = 4, p = 0.2302",
        "Fail to reject the null hypothesis",
        "p-value (p = 0.2302) > significance criteria (0.05). We conclude that not enough evidence is available to "
        "reject the null hypothesis at the 95% confidence level.",
    };
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(screen->labelGraph(0).text(), "Box Plot");
    EXPECT_EQ(screen->labelGraph(1).text(), "Kernal Density Plot");
    EXPECT_EQ(screen->labelGraph(2).text(), "t Distribution");
    EXPECT_EQ(screen->labelGraph(3).text(), "Difference");
    EXPECT_EQ(screen->legendSample1().text(), "—Sample");
    EXPECT_EQ(screen->labelLegendBoxSample2().text(), "—Expected");
    EXPECT_EQ(screen->labelLegendDiffAlt().text(), "—Sample - Expected");
    EXPECT_EQ(screen->labelLegendDiffNull().text(), "—Null");
    EXPECT_EQ(screen->labelType()->text(), "Hypothesis Test of Means: t-test");
    EXPECT_EQ(screen->labelLeftVar().text(), "compare sample");
    EXPECT_EQ(screen->labelRightVar()->text(), "to value");
    EXPECT_FALSE(screen->fieldExpected().isHidden());
    EXPECT_TRUE(screen->buttonRight().isHidden());
    EXPECT_EQ(screen->fieldExpected().text(), "2");
}

TEST_F(HypothesisTest, ResultTextTableIsPlainCellsWithHeaderRowAndColumn) {
    open(kColumns, {"x", "y", 2, false, 0, 2, std::nullopt, std::nullopt});
    show();
    const auto& items = screen->textViewResults().attributedText().items();
    const gfx::TableBlock* table = nullptr;
    for (const auto& item : items)
        if (item.kind == gfx::RichText::Item::Kind::Table)
            table = &item.table.table;
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rows[0], (std::vector<std::string>{"Sample", "Sample 1", "Sample 2", "Diff"}));
    EXPECT_EQ(table->rows[1], (std::vector<std::string>{"Obs.", "5", "5", ""}));
    EXPECT_EQ(table->headerRows, 1);
    EXPECT_EQ(table->headerColumns, 1);
    // At least 300 points wide, and no number broken over two lines.
    ASSERT_TRUE(table->width);
    EXPECT_GE(*table->width, 300.0);
    const auto layout = gfx::TextLayout::rich(screen->textViewResults().attributedText(), {*table->width + 40, 0});
    std::vector<std::string> laidOut;
    for (const auto& line : layout.lines())
        laidOut.push_back(line.text);
    for (size_t r = 1; r < table->rows.size(); ++r)
        for (size_t c = 1; c < table->rows[r].size(); ++c)
            if (!table->rows[r][c].empty()) {
                EXPECT_NE(std::find(laidOut.begin(), laidOut.end(), table->rows[r][c]), laidOut.end())
                    << table->rows[r][c];
            }
    EXPECT_EQ(table->borderWidth, 1.0);
    EXPECT_EQ(table->headerBackground, (gfx::Color{1, 1, 0, 1}));
    EXPECT_EQ(table->headerAlignment, gfx::TextAlignment::Center);
    EXPECT_TRUE(table->headerAttributes.bold);
    EXPECT_EQ(table->attributes.size, 14);
    for (auto alignment : table->columnAlignments)
        EXPECT_EQ(alignment, gfx::TextAlignment::Right);
    // Headings bold with their spacing; body lines indented with tab stops every 100 points.
    bool sawHeading = false, sawBody = false;
    for (const auto& item : items) {
        if (item.kind != gfx::RichText::Item::Kind::Run)
            continue;
        if (item.run.text == "Hypothesis Statement\n") {
            sawHeading = true;
            EXPECT_TRUE(item.run.attributes.bold);
            EXPECT_EQ(item.run.paragraph.spacingBefore, 10);
            EXPECT_EQ(item.run.paragraph.spacingAfter, 2);
        }
        if (item.run.text.rfind("Significance level", 0) == 0) {
            sawBody = true;
            EXPECT_FALSE(item.run.attributes.bold);
            EXPECT_EQ(item.run.paragraph.firstLineHeadIndent, 10);
            EXPECT_EQ(item.run.paragraph.headIndent, 10);
            EXPECT_EQ(item.run.paragraph.defaultTabInterval, 100);
            ASSERT_EQ(item.run.paragraph.tabStops.size(), 12u);
            EXPECT_EQ(item.run.paragraph.tabStops.back().location, 1200);
        }
    }
    EXPECT_TRUE(sawHeading);
    EXPECT_TRUE(sawBody);
    // Two samples greater: the statements name the samples.
    EXPECT_EQ(lines()[1], "Null hypothesis, H₀: Sample 1 <= Sample 2 (The true mean of Sample 1 is less than or "
                          "equal to the true mean of Sample 2)");
    EXPECT_EQ(screen->labelLegendDiffAlt().text(), "—Sample 1 - Sample 2");
}

// Each control stores its choice, saves, and runs again.
TEST_F(HypothesisTest, ControlsStoreTheirChoicesAndRunAgain) {
    struct Expect {
        int64_t samples;
        bool paired;
        int64_t distribution, tails;
        std::optional<int64_t> test;
        std::optional<std::string> expected;
    };
    struct Case {
        const char* name;
        Design start;
        std::function<void()> act;
        Expect expect;
    };
    auto tapSegment = [this](ui::SegmentedControl& control, size_t index) {
        const ui::Rect r = control.convertRectToView(control.rectForSegment(index), nullptr);
        driver->tapAt({r.midX(), r.midY()});
    };
    auto segment = [this, tapSegment](const char* which, size_t index) {
        return [this, tapSegment, which, index] {
            const std::string name = which;
            tapSegment(name == "samples" ? screen->segmentSamples()
                       : name == "tails" ? screen->segmentTails()
                                         : screen->segmentDistribution(),
                       index);
        };
    };
    auto fromList = [this](const char* row) {
        return [this, row] {
            driver->tap(&screen->buttonTest());
            host->drain();
            auto* list = dynamic_cast<ui::TableViewController*>(screen->presentedViewController());
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->tableView().tag(), 201);
            EXPECT_EQ(list->preferredContentSize(), (ui::Size{200, 200}));
            ASSERT_EQ(list->tableView().numberOfRowsInSection(0), 4);
            for (int i = 0; i < 4; ++i) {
                auto* cell = list->tableView().cellForRowAtIndexPath({0, i});
                if (cell && cell->textLabel().text() == row) {
                    driver->tap(cell);
                    break;
                }
            }
        };
    };
    auto typeExpected = [this](const char* text) {
        return [this, text] {
            auto& field = screen->fieldExpected();
            driver->tap(&field);
            driver->deleteBackward(int(field.text().size()));
            driver->type(text);
            driver->pressReturn();
        };
    };
    const Design means{"x", "", 1, false, 0, 0, "2", std::nullopt};
    Design meansTwo = means;
    meansTwo.right = "y";
    Design props{"g", "h", 1, false, 2, 0, "0.5", std::nullopt};
    auto with = [](Design d, int64_t samples, bool paired, std::optional<int64_t> test) {
        d.samples = samples;
        d.paired = paired;
        d.test = test;
        return d;
    };
    const Case cases[] = {
        {"two samples keep a chi-square test", with(meansTwo, 1, false, 3), segment("samples", 1),
         {2, false, 0, 0, 3, "2"}},
        {"paired samples drop a chi-square test", with(meansTwo, 2, false, 3), segment("samples", 2),
         {2, true, 0, 0, std::nullopt, "2"}},
        {"paired samples keep McNemar's test", with(meansTwo, 2, false, 4), segment("samples", 2),
         {2, true, 0, 0, 4, "2"}},
        {"one sample keeps the exact test", with(meansTwo, 2, true, 2), segment("samples", 0),
         {1, false, 0, 0, 2, "2"}},
        {"one sample drops McNemar's test", with(meansTwo, 2, true, 4), segment("samples", 0),
         {1, false, 0, 0, std::nullopt, "2"}},
        {"one tail less", means, segment("tails", 0), {1, false, 0, 1, std::nullopt, "2"}},
        {"one tail greater", means, segment("tails", 2), {1, false, 0, 2, std::nullopt, "2"}},
        {"two tails", with(means, 1, false, std::nullopt), segment("tails", 1), {1, false, 0, 0, std::nullopt, "2"}},
        {"proportions", means, segment("distribution", 2), {1, false, 2, 0, std::nullopt, "2"}},
        {"means", means, segment("distribution", 1), {1, false, 1, 0, std::nullopt, "2"}},
        {"McNemar's test from the list", props, fromList("McNemar's test"), {2, true, 2, 0, 4, "0.5"}},
        {"chi-square from the list", props, fromList("Chi-squared test"), {2, false, 2, 0, 3, "0.5"}},
        {"exact test from the list", with(props, 2, true, 4), fromList("Exact binomial test"),
         {1, false, 2, 0, 2, "0.5"}},
        {"determined by data from the list", with(props, 1, false, 2), fromList("Determined by data"),
         {1, false, 2, 0, std::nullopt, "0.5"}},
        {"a number typed", means, typeExpected("3.25"), {1, false, 0, 0, std::nullopt, "3.25"}},
        {"a text that is no number", means, typeExpected("abc"), {1, false, 0, 0, std::nullopt, "2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open(kColumns, c.start);
        show();
        c.act();
        settle();
        EXPECT_EQ(screen->presentedViewController(), nullptr);
        EXPECT_FALSE(model().managedObjectContext()->hasChanges());
        EXPECT_EQ(analysis->samples(), c.expect.samples);
        EXPECT_EQ(analysis->isPaired(), c.expect.paired);
        EXPECT_EQ(analysis->distribution(), c.expect.distribution);
        EXPECT_EQ(analysis->tails(), c.expect.tails);
        EXPECT_EQ(analysis->test(), c.expect.test);
        EXPECT_EQ(analysis->expected(), c.expect.expected);
    }
    // The text that is no number stays in the field, and the screen says why it runs no test.
    EXPECT_EQ(screen->fieldExpected().text(), "abc");
    EXPECT_EQ(text(), "Sample is a numeric variable. Expected value must be numeric.");
}

TEST_F(HypothesisTest, ExpectedDateIsStoredInSecondsAndShownAsADate) {
    open(kColumns, {"day", "", 1, false, 0, 0, std::nullopt, std::nullopt});
    show();
    EXPECT_EQ(text(), "Enter an expected value.");
    auto& field = screen->fieldExpected();
    driver->tap(&field);
    driver->type("2024-03-05");
    driver->pressReturn();
    settle();
    // R: as.numeric(as.POSIXct("2024-03-05", tz = "UTC")) = 1709596800
    EXPECT_EQ(analysis->expected(), std::optional<std::string>("1709596800"));
    EXPECT_EQ(lines()[3], "One sample two tail t-test");
    // A new screen shows the stored date as a date.
    show();
    EXPECT_EQ(screen->fieldExpected().text(), Model::stringFromDateNumber(1709596800));
}

TEST_F(HypothesisTest, ValidationMessagesInOrder) {
    const std::vector<ColumnSpec> columns{
        {"num", {"1", "2", "3"}}, {"num2", {"4", "5", "6"}},  {"cat", {"a", "b", "c"}},
        {"bin", {"yes", "no", "yes"}}, {"day", {"2024-03-01", "2024-03-02", "2024-03-03"}}, {"empty", {"", "", ""}}};
    open(columns, {"num", "", 1, false, 0, 0, std::nullopt, std::nullopt});
    show();
    ASSERT_EQ(columnNamed("cat")->type(), 1);
    ASSERT_EQ(columnNamed("bin")->type(), 2);
    ASSERT_EQ(columnNamed("day")->type(), 4);
    const std::string numeric = "Sample is a numeric variable. Expected value must be numeric.";
    const std::string date = "Sample is a date variable. Expected value must be a date.";
    const std::string proportion = "Sample is a categorical variable. Expected value must be a proportion between 0 and 1.";
    struct Case {
        std::string left, right;
        int64_t samples, distribution;
        std::string field, message; // "" valid
    };
    const Case cases[] = {
        {"", "", 1, 0, "1", "Choose a variable to sample."},
        {"", "num", 2, 0, "", "Choose a variable to sample."},
        {"num", "", 2, 0, "1", "Please define a second sample to perform a two sample test."},
        {"num", "day", 2, 0, "", "Samples must be of same variable type."},
        {"num", "day", 2, 1, "", "Samples must be of same variable type."},
        {"num", "bin", 2, 2, "", ""},
        {"num", "num2", 2, 0, "abc", ""},
        {"num", "", 1, 0, "", "Enter an expected value."},
        {"num", "", 1, 0, "abc", numeric},
        {"num", "", 1, 0, "3.5", ""},
        {"num", "", 1, 0, "-12", ""},
        {"day", "", 1, 0, "next Friday", ""},
        {"day", "", 1, 0, "2024-03-02", ""},
        {"day", "", 1, 0, "abc", date},
        {"cat", "", 1, 2, "1", ""},
        {"cat", "", 1, 2, "0", ""},
        {"cat", "", 1, 2, "1.01", proportion},
        {"cat", "", 1, 2, "-0.01", proportion},
        {"cat", "", 1, 2, "abc", proportion},
        {"bin", "", 1, 2, "0.5", ""},
        {"empty", "", 1, 2, "0.5", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.left + " " + c.right + " " + std::to_string(c.samples) + " '" + c.field + "'");
        analysis->setLeft(c.left.empty() ? nullptr : columnNamed(c.left).get());
        analysis->setRight(c.right.empty() ? nullptr : columnNamed(c.right).get());
        analysis->setSamples(c.samples);
        analysis->setDistribution(c.distribution);
        screen->fieldExpected().setText(c.field);
        AnalysisError error;
        const bool valid = screen->isValid(error);
        EXPECT_EQ(valid, c.message.empty());
        if (!valid) {
            EXPECT_EQ(error.message, c.message);
            EXPECT_EQ(error.code, -1);
            EXPECT_EQ(error.domain, AnalysisDetailViewController::errorDomain);
        }
    }
}

TEST_F(HypothesisTest, ExpectedValueFollowsTheWorkspaceDecimalSeparator) {
    openWorkspace({{"dose", {"3,5", "4,25", "5"}, 3}}, "Comma.ov");
    model().setMetadataValue(",", "decimalSeparator");
    model().openStore(path("Comma.ov"));
    analysis = model().addAnalysis("Hypothesis test");
    analysis->setType(5);
    analysis->setLeft(columnNamed("dose").get());
    model().saveContext();
    show();
    auto& field = screen->fieldExpected();
    driver->tap(&field);
    driver->type("3,5");
    driver->pressReturn();
    settle();
    EXPECT_EQ(analysis->expected(), std::optional<std::string>("3.5"));
    EXPECT_EQ(lines()[3], "One sample two tail t-test");
}

// The test a run uses follows the design; a stored test that does not fit it stays stored.
TEST_F(HypothesisTest, StoredTestUsedOnlyWhereItFitsTheDesign) {
    openWorkspace(kColumns, "Choice.ov");
    struct Case {
        int64_t distribution, samples;
        bool paired;
        std::optional<int64_t> stored;
        uint64_t used;
        std::string title;
    };
    const Case cases[] = {
        {0, 1, false, 2, 1, "Determined by data"},
        {0, 2, true, 4, 1, "Determined by data"},
        {2, 2, false, 4, 3, "Determined by data"},
        {2, 1, false, 3, 2, "Determined by data"},
        {1, 1, false, std::nullopt, 1, "Determined by data"},
        {2, 1, false, std::nullopt, 2, "Determined by data"},
        {2, 2, true, std::nullopt, 4, "Determined by data"},
        {2, 2, false, std::nullopt, 3, "Determined by data"},
        {2, 1, false, 2, 2, "Exact Binomial test"},
        {2, 2, false, 3, 3, "Chi-squared test"},
        {2, 2, true, 4, 4, "McNemar's test"},
        {2, 2, true, 2, 2, "Exact Binomial test"},
        {0, 1, false, 0, 0, "Determined by data"},
    };
    auto a = model().addAnalysis("choice");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.distribution << " " << c.samples << " " << c.paired << " "
                                        << c.stored.value_or(-1));
        a->setDistribution(c.distribution);
        a->setSamples(c.samples);
        a->setIsPaired(c.paired);
        a->setTest(c.stored);
        EXPECT_EQ(HypothesisTestViewController::testForAnalysis(*a), c.used);
        EXPECT_EQ(HypothesisTestViewController::testButtonTitle(*a), c.title);
        EXPECT_EQ(a->test(), c.stored);
    }
}

TEST_F(HypothesisTest, MeansRunAsTTestWhateverProportionTestIsStored) {
    open(kColumns, {"x", "y", 2, true, 0, 0, std::nullopt, 4});
    show();
    EXPECT_EQ(lines()[3], "Paired two tail t-test");
    EXPECT_EQ(screen->buttonTest().currentTitle(), "Determined by data");
    // Back on proportions the stored test is the one used again.
    driver->tap(&screen->segmentDistribution());
    const ui::Rect r =
        screen->segmentDistribution().convertRectToView(screen->segmentDistribution().rectForSegment(2), nullptr);
    driver->tapAt({r.midX(), r.midY()});
    settle();
    EXPECT_EQ(screen->buttonTest().currentTitle(), "McNemar's test");
    EXPECT_EQ(lines()[3], "Paired two tail McNemar's Chi-squared test");
}

TEST_F(HypothesisTest, SuccessLevelDefaultsToTheLastLevelAndKeepsAStoredOne) {
    open(kColumns, {"g", "", 1, false, 2, 0, "0.5", std::nullopt});
    show();
    EXPECT_EQ(screen->levelsLeft(), (std::vector<std::string>{"no", "yes"}));
    EXPECT_EQ(analysis->leftLevel1(), std::optional<std::string>("yes"));
    EXPECT_EQ(screen->buttonLevel1Left().currentTitle(), "yes");
    EXPECT_EQ(screen->labelPDFSample1().text(), "Sample 1: Pr(g = yes), Filters: ");
    // R: binom.test(3, 5, 0.5)$p.value = 1
    EXPECT_EQ(lines()[3], "One sample two tail binomial test");
    EXPECT_EQ(screen->statisticLine(), "p = 1");
    EXPECT_EQ(screen->labelGraph(2).text(), "Binomial Distribution");
    EXPECT_EQ(screen->labelGraph(0).text(), "Bar Plot");

    // A level chosen from the list is kept by the next run.
    driver->tap(&screen->buttonLevel1Left());
    host->drain();
    auto* list = dynamic_cast<ui::TableViewController*>(screen->presentedViewController());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->tableView().tag(), 202);
    EXPECT_EQ(list->preferredContentSize(), (ui::Size{200, 100}));
    ASSERT_EQ(list->tableView().numberOfRowsInSection(0), 2);
    driver->tap(list->tableView().cellForRowAtIndexPath({0, 0}));
    settle();
    EXPECT_EQ(analysis->leftLevel1(), std::optional<std::string>("no"));
    EXPECT_EQ(screen->buttonLevel1Left().currentTitle(), "no");
    // 2 of 5 are "no".
    EXPECT_EQ(screen->dataTable()[2], (std::vector<std::string>{"Proportion", "0.4"}));

    // Picking the column again forgets the level.
    screen->picker(*std::make_shared<ColumnPickerViewController>(ui::TableViewStyle::Plain,
                                                                  std::vector<std::shared_ptr<Column>>{},
                                                                  std::nullopt, PickerPositionLeft),
                   {columnNamed("h")}, PickerPositionLeft);
    settle();
    EXPECT_EQ(analysis->leftLevel1(), std::optional<std::string>("yes"));
    EXPECT_EQ(screen->levelsLeft(), (std::vector<std::string>{"no", "yes"}));
}

TEST_F(HypothesisTest, LevelSetUpWithoutColumnOrValuesRunsWithoutCrash) {
    const std::vector<ColumnSpec> columns{{"g", {"yes", "no", "yes"}}, {"none", {"", "", ""}}, {"one", {"yes", "yes", "yes"}}};
    open(columns, {"", "", 1, false, 2, 0, "0.5", std::nullopt});
    show();
    EXPECT_EQ(text(), "Choose a variable to sample.");
    EXPECT_FALSE(analysis->leftLevel1());

    open(columns, {"none", "", 1, false, 2, 0, "0.5", std::nullopt});
    show();
    EXPECT_FALSE(analysis->leftLevel1());
    EXPECT_TRUE(screen->levelsLeft().empty());
    EXPECT_EQ(screen->dataTable()[1], (std::vector<std::string>{"Obs.", "0"}));
    EXPECT_EQ(screen->decision(), "Fail to reject the null hypothesis");

    // A one-level list leaves the other level's header without a level.
    open(columns, {"g", "one", 2, true, 2, 0, std::nullopt, std::nullopt});
    show();
    EXPECT_EQ(screen->levelsRight(), (std::vector<std::string>{"yes"}));
    ASSERT_EQ(screen->dataTable().size(), 3u);
    EXPECT_EQ(screen->dataTable()[0], (std::vector<std::string>{"", "Sample 2: ", "Sample 2: yes"}));
    EXPECT_EQ(screen->dataTable()[1], (std::vector<std::string>{"Sample 1: no", "0", "1"}));
    EXPECT_EQ(screen->dataTable()[2], (std::vector<std::string>{"Sample 1: yes", "0", "2"}));
}

TEST_F(HypothesisTest, LevelNamesStayPlainTextInTheTableAndTheReport) {
    const std::vector<ColumnSpec> columns{{"m", {"<b>a & b</b>", "z", "<b>a & b</b>", "z", "z"}},
                                          {"n", {"p", "q", "q", "p", "q"}}};
    open(columns, {"m", "n", 2, true, 2, 0, std::nullopt, std::nullopt});
    analysis->setLeftLevel1("<b>a & b</b>");
    model().saveContext();
    show();
    EXPECT_EQ(analysis->leftLevel1(), std::optional<std::string>("<b>a & b</b>"));
    EXPECT_NE(text().find("Sample 1: <b>a & b</b>"), std::string::npos) << text();
    EXPECT_NE(text().find("Sample 1: z"), std::string::npos) << text();
    const std::string pdf = squeezed(renderChecks::pdfText(exportPDF()));
    EXPECT_NE(pdf.find("Sample 1: <b>a & b</b>"), std::string::npos) << pdf;
    EXPECT_NE(pdf.find("Pr(m = <b>a & b</b>)"), std::string::npos) << pdf;
}

TEST_F(HypothesisTest, UnusableDataGivesAClearResult) {
    const std::vector<ColumnSpec> columns{{"x", {"1", "2", "3"}},     {"blank", {"", "", ""}, 3},
                                          {"c", {"4", "4", "4"}},     {"d", {"6", "6", "6"}},
                                          {"single", {"7", "", ""}}, {"g", {"yes", "yes", "yes"}},
                                          {"k", {"yes", "yes", "yes"}}};
    struct Case {
        std::string what;
        Design design;
        std::string obs;
        std::string reason;
    };
    // R's t.test refuses these ("not enough 'x' observations", "data are essentially constant"): the
    // screen says why there is no test instead of a decision read off a p-value that is not a number.
    const std::string prefix = "The test cannot be carried out: ";
    const Case cases[] = {
        {"no observations", {"blank", "", 1, false, 0, 0, "2", std::nullopt}, "0", "the sample has no observations."},
        {"one observation", {"single", "", 1, false, 0, 0, "2", std::nullopt}, "1",
         "the sample has a single observation, too few to estimate its spread."},
        {"constant away from the expected value", {"c", "", 1, false, 0, 0, "2", std::nullopt}, "3",
         "the values of the sample are constant, so the standard error is 0 and the test statistic cannot be formed."},
        {"constant at the expected value", {"c", "", 1, false, 0, 0, "4", std::nullopt}, "3",
         "the values of the sample are constant, so the standard error is 0 and the test statistic cannot be formed."},
        {"two constant samples", {"c", "d", 2, false, 0, 0, std::nullopt, std::nullopt}, "3",
         "the values of both samples are constant, so the standard error is 0 and the test statistic cannot be "
         "formed."},
        {"every pair the same difference", {"c", "d", 2, true, 0, 0, std::nullopt, std::nullopt}, "3",
         "the values of the sample are constant, so the standard error is 0 and the test statistic cannot be formed."},
        // Every value of both samples a success: the standard error of the difference is 0, so a z-test
        // has no statistic.
        {"all successes, z-test", {"g", "k", 2, false, 2, 0, std::nullopt, 0}, "3",
         "the values of both samples are constant, so the standard error is 0 and the test statistic cannot be "
         "formed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(columns, c.design);
        show();
        ASSERT_GE(screen->dataTable().size(), 2u);
        EXPECT_EQ(screen->dataTable()[1][1], c.obs);
        EXPECT_EQ(screen->statisticLine(), prefix + c.reason);
        EXPECT_EQ(screen->decision(), "No decision");
        const auto all = lines();
        ASSERT_GE(all.size(), 2u);
        EXPECT_EQ(all[all.size() - 2], "No decision");
        EXPECT_EQ(all.back(),
                  "Without a test statistic there is no p-value to compare with the significance criteria (0.05).");
        // The CSV says the same.
        const auto csv = exportCSV();
        ASSERT_GE(csv.size(), 2u);
        EXPECT_EQ(csv[csv.size() - 2], (analysisRoad::Fields{prefix + c.reason}));
        EXPECT_EQ(csv.back(), (analysisRoad::Fields{"No decision"}));
        // The charts keep usable ranges.
        for (CPTXYGraph* g : {&screen->graph(), &screen->graphDensity(), &screen->graphTheoretical(),
                              &screen->graphTheoreticalDiff()}) {
            auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(g->defaultPlotSpace());
            EXPECT_TRUE(std::isfinite(space->xRange()->lengthDouble()) && space->xRange()->lengthDouble() > 0);
            EXPECT_TRUE(std::isfinite(space->yRange()->lengthDouble()) && space->yRange()->lengthDouble() > 0);
        }
    }
}

// The type line names the test a run uses: a stored test where it fits the design, otherwise the
// design's own. The subtitle, the report's title, names the sampled variables.
TEST_F(HypothesisTest, TypeLineNamesTheTestUsedAndTheTitleTheVariables) {
    struct Case {
        std::string what;
        Design design;
        std::string line, title;
    };
    const Case cases[] = {
        {"means (t-test)", {"x", "", 1, false, 0, 0, "2", std::nullopt}, "Hypothesis Test of Means: t-test",
         "Hypothesis Test of Means: x"},
        {"means, nothing stored", {"x", "", 1, false, 1, 0, "2", std::nullopt}, "Hypothesis Test of Means: t-test",
         "Hypothesis Test of Means: x"},
        {"means with the z-test stored", {"x", "", 1, false, 1, 0, "2", 0}, "Hypothesis Test of Means: z-test",
         "Hypothesis Test of Means: x"},
        {"means (t-test) with a z-test stored", {"x", "y", 2, false, 0, 0, std::nullopt, 0},
         "Hypothesis Test of Means: z-test", "Hypothesis Test of Means: x and y"},
        {"means with a proportions' test stored", {"x", "y", 2, true, 1, 0, std::nullopt, 4},
         "Hypothesis Test of Means: t-test", "Hypothesis Test of Means: x and y"},
        {"one column under two filters", {"x", "x", 2, false, 0, 0, std::nullopt, std::nullopt},
         "Hypothesis Test of Means: t-test", "Hypothesis Test of Means: x"},
        {"one proportion", {"g", "", 1, false, 2, 0, "0.5", std::nullopt},
         "Hypothesis Test of Proportions: Exact binomial test", "Hypothesis Test of Proportions: g"},
        {"two proportions", {"g", "cat", 2, false, 2, 0, std::nullopt, std::nullopt},
         "Hypothesis Test of Proportions: Chi-squared test", "Hypothesis Test of Proportions: g and cat"},
        {"two proportions, z-test", {"g", "cat", 2, false, 2, 0, std::nullopt, 0},
         "Hypothesis Test of Proportions: z-test", "Hypothesis Test of Proportions: g and cat"},
        {"paired proportions", {"g", "h", 2, true, 2, 0, std::nullopt, std::nullopt},
         "Hypothesis Test of Proportions: McNemar's test", "Hypothesis Test of Proportions: g and h"},
        {"no variable", {"", "", 1, false, 0, 0, std::nullopt, std::nullopt}, "Hypothesis Test of Means: t-test",
         "Hypothesis Test of Means"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(kColumns, c.design);
        show();
        EXPECT_EQ(screen->labelType()->text(), c.line);
        EXPECT_EQ(screen->labelSingleTitle()->text(), c.title);
        const std::string pdf = squeezed(renderChecks::pdfText(exportPDF()));
        EXPECT_NE(pdf.find(c.title), std::string::npos) << pdf;
    }
    // Choosing "Means" with the z-test stored shows it at once.
    open(kColumns, {"x", "", 1, false, 0, 0, "2", 0});
    show();
    const ui::Rect r =
        screen->segmentDistribution().convertRectToView(screen->segmentDistribution().rectForSegment(1), nullptr);
    driver->tapAt({r.midX(), r.midY()});
    settle();
    EXPECT_EQ(analysis->distribution(), 1);
    EXPECT_EQ(screen->labelType()->text(), "Hypothesis Test of Means: z-test");
    EXPECT_EQ(lines()[3], "One sample two tail z-test");
}

// A z-test's statistic follows the standard normal distribution: its line and CSV carry no degrees of
// freedom. R: z <- (3/4 - 1/4) / sqrt(3/4 * 1/4 / 4 + 1/4 * 3/4 / 4); 2 * pnorm(-z) gives z = 1.632993,
// p = 0.1025 (each sample's own standard error).
TEST_F(HypothesisTest, ZTestShowsNoDegreesOfFreedom) {
    const std::vector<ColumnSpec> columns{{"p", {"yes", "yes", "yes", "no"}}, {"q", {"yes", "no", "no", "no"}}};
    open(columns, {"p", "q", 2, false, 2, 0, std::nullopt, 0});
    show();
    EXPECT_EQ(lines()[3], "Two sample two tail z-test");
    EXPECT_EQ(screen->statisticLine(), "Z = 1.632993, p = 0.1025");
    const auto csv = exportCSV();
    bool z = false;
    for (const auto& line : csv) {
        EXPECT_TRUE(line.empty() || line[0] != "degrees of freedom");
        z = z || (!line.empty() && line[0] == "Z");
    }
    EXPECT_TRUE(z);
}

TEST_F(HypothesisTest, RemovedColumnRunsAgainWithItsMessage) {
    open(kColumns, {"x", "y", 2, false, 0, 0, std::nullopt, std::nullopt});
    show();
    EXPECT_EQ(lines()[3], "Welch's two sample two tail t-test");
    model().removeColumn(*columnNamed("y"));
    settle();
    EXPECT_EQ(text(), "Please define a second sample to perform a two sample test.");
    model().removeColumn(*columnNamed("x"));
    settle();
    EXPECT_EQ(text(), "Choose a variable to sample.");
}
