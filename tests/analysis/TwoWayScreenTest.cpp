// The two-way table screen opened on a workspace: its texts, grid and chart against R
// (tests/fixtures/analyses/screen-two-way.R and .out), the choices it stores, the compact rows of a
// phone, and what it shows for unusable choices and data.
#include "platform/foundation/Locale.h"
#include "platform/graphics/Output.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/graph/CPTAxisLabel.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTTextLayer.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "tests/analysis/AnalysisRoad.h"
#include "tests/analysis/TwoWayFixture.h"

#include <cmath>
#include <iostream>

using namespace twoWayTest;

namespace {

CPTXYAxisSet& axesOf(CPTXYGraph& graph) {
    return *std::dynamic_pointer_cast<CPTXYAxisSet>(graph.axisSet());
}

std::vector<std::string> axisLabelTexts(CPTXYGraph& graph) {
    std::vector<std::pair<double, std::string>> labels;
    for (const auto& label : axesOf(graph).xAxis()->axisLabels()) {
        auto text = std::dynamic_pointer_cast<CPTTextLayer>(label->contentLayer());
        labels.emplace_back(label->tickLocation().toDouble(), text && text->text() ? *text->text() : "");
    }
    std::sort(labels.begin(), labels.end());
    std::vector<std::string> out;
    for (auto& [at, text] : labels)
        out.push_back(text);
    return out;
}

// A result of two rows (a, b) and three columns (x, y, z) with its shares for the given mode.
TwoWayTableResult twoByThree(int64_t mode) {
    TwoWayTableResult r;
    r.arrayA = {{"a", "b"}, {6, 4}};
    r.arrayB = {{"x", "y", "z"}, {5, 3, 2}};
    r.freqs = {{3, 2, 1}, {2, 1, 1}};
    r.sumTotal = 10;
    for (size_t i = 0; i < 2; ++i) {
        r.percs.emplace_back();
        for (size_t j = 0; j < 3; ++j) {
            const double denominator = mode == 1 ? double(r.arrayA.counts[i])
                                       : mode == 2 ? double(r.arrayB.counts[j])
                                                   : r.sumTotal;
            r.percs[i].push_back(double(r.freqs[i][j]) / denominator);
        }
    }
    r.percsA = {mode == 1 ? 1.0 : 0.6, mode == 1 ? 1.0 : 0.4};
    r.percsB = {mode == 2 ? 1.0 : 0.5, mode == 2 ? 1.0 : 0.3, mode == 2 ? 1.0 : 0.2};
    return r;
}

} // namespace

TEST(TwoWayTexts, PLineStarsAndSentence) {
    struct Case {
        double p;
        std::string line, sentence;
    };
    const std::string different = "Distribution of a is significantly different by b";
    const std::string notDifferent = "Distribution of a is not significantly different by b";
    const Case cases[] = {
        {0.0005, "p < 0.001***", different},
        {0.001, "p = " + Model::stringFromNumber(0.001) + " ***", different},
        {0.002, "p = " + Model::stringFromNumber(0.002) + " **", different},
        {0.01, "p = " + Model::stringFromNumber(0.01) + " **", different},
        {0.03, "p = " + Model::stringFromNumber(0.03) + " *", different},
        {0.05, "p = " + Model::stringFromNumber(0.05) + " *", notDifferent},
        {0.2, "p = " + Model::stringFromNumber(0.2), notDifferent},
        {NAN, "p = " + Model::stringFromNumber(NAN), notDifferent},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TwoWayTabController::pText(c.p), c.line) << c.p;
        EXPECT_EQ(TwoWayTabController::interpretation(c.p, "a", "b"), c.sentence) << c.p;
    }
    EXPECT_EQ(TwoWayTabController::stars(NAN), "");
}

TEST(TwoWayTexts, PhiForTwoByTwoOnlyOtherwiseCramersV) {
    struct Case {
        size_t nA, nB;
        std::string expected;
    };
    const Case cases[] = {
        {2, 2, "Phi = -0.5"},
        {2, 3, "Cramer's V = 0.25"},
        {3, 2, "Cramer's V = 0.25"},
        {1, 2, "Cramer's V = 0.25"},
        {0, 0, "Cramer's V = 0.25"},
    };
    for (const Case& c : cases) {
        TwoWayTableResult r;
        r.arrayA.levels.assign(c.nA, "a");
        r.arrayB.levels.assign(c.nB, "b");
        r.phi = -0.5;
        r.v = 0.25;
        EXPECT_EQ(TwoWayTabController::associationText(r), c.expected) << c.nA << " x " << c.nB;
    }
}

// Percentages follow the user's locale as it is when they are shown, not as it was at the first one.
TEST(TwoWayTexts, PercentagesFollowALocaleChange) {
    struct Case {
        const char* locale;
        std::string expected;
    };
    const Case cases[] = {{"en_US", "33%"}, {"de_DE", "33\u00a0%"}, {"tr_TR", "%33"}, {"en_US", "33%"}};
    for (const Case& c : cases) {
        foundation::setCurrentLocale(c.locale);
        EXPECT_EQ(TwoWayTabController::percentText(1.0 / 3), c.expected) << c.locale;
    }
    foundation::setCurrentLocale("en_US");
}

TEST(TwoWayChart, LabelsOfSeventeenCharactersAreCut) {
    const std::string eAcute = "e\xCC\x81";
    std::string seventeenAccents, sixteenAccents;
    for (int i = 0; i < 17; ++i)
        seventeenAccents += eAcute;
    for (int i = 0; i < 16; ++i)
        sixteenAccents += eAcute;
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
    struct Case {
        std::string level, label;
    };
    const Case cases[] = {
        {"sixteen letters.", "sixteen letters."},
        {"seventeen letters", "seventeen letter…"},
        {seventeenAccents, sixteenAccents + "…"},
        {"fifteen letters" + family + "!", "fifteen letters" + family + "…"},
        {std::string(300, 'x'), std::string(16, 'x') + "…"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TwoWayStackedBars::chartLabel(c.level), c.label) << c.level;
    }
}

TEST(TwoWayChart, TipsAndBasesAreRunningSumsTotalLast) {
    struct Case {
        int64_t mode;
        size_t series, record;
        double base, tip;
    };
    const Case cases[] = {
        // Row mode: a bar per row (a, b, Total), stacked by the columns x, y, z.
        {1, 0, 0, 0.0, 0.5},
        {1, 1, 0, 0.5, 5.0 / 6},
        {1, 2, 0, 5.0 / 6, 1.0},
        {1, 0, 1, 0.0, 0.5},
        {1, 2, 1, 0.75, 1.0},
        {1, 0, 2, 0.0, 0.5},
        {1, 1, 2, 0.5, 0.8},
        {1, 2, 2, 0.8, 1.0},
        // Column mode: a bar per column (x, y, z, Total), stacked by the rows a, b.
        {2, 0, 0, 0.0, 0.6},
        {2, 1, 0, 0.6, 1.0},
        {2, 0, 1, 0.0, 2.0 / 3},
        {2, 1, 2, 0.5, 1.0},
        {2, 0, 3, 0.0, 0.6},
        {2, 1, 3, 0.6, 1.0},
    };
    for (const Case& c : cases) {
        const TwoWayTableResult r = twoByThree(c.mode);
        const TwoWayStackedBars bars(r, c.mode);
        EXPECT_EQ(bars.records(), (c.mode == 1 ? 2u : 3u) + 1) << c.mode;
        EXPECT_NEAR(bars.base(c.series, c.record), c.base, 1e-12) << c.mode << " " << c.series << " " << c.record;
        EXPECT_NEAR(bars.tip(c.series, c.record), c.tip, 1e-12) << c.mode << " " << c.series << " " << c.record;
    }
    EXPECT_EQ(TwoWayStackedBars(twoByThree(0), 0).records(), 0u);
}

TEST(TwoWayChart, TenColoursThenTheFirstAgain) {
    const gfx::Color first{1, 0, 127.0 / 255, 1}, last{128.0 / 255, 128.0 / 255, 127.0 / 255, 1};
    EXPECT_EQ(TwoWayStackedBars::colorOfSeries(0), first);
    EXPECT_EQ(TwoWayStackedBars::colorOfSeries(9), last);
    EXPECT_EQ(TwoWayStackedBars::colorOfSeries(10), first);
    EXPECT_EQ(TwoWayStackedBars::colorOfSeries(11), TwoWayStackedBars::colorOfSeries(1));
}

TEST_F(TwoWayTest, SmokersTextsAndGrid) {
    open(kSmokers);
    show();
    EXPECT_EQ(screen->labelChi().text(), "Chi-squared = 2.222");
    EXPECT_EQ(screen->labelP().text(), "p = 0.136");
    EXPECT_EQ(screen->labelV().text(), "Phi = -0.6667");
    EXPECT_EQ(screen->labelInterpret().text(), "Distribution of sex is not significantly different by smoker");
    EXPECT_EQ(screen->labelSingleTitle()->text(), "Two way table of frequencies for sex and smoker");
    EXPECT_EQ(screen->labelType()->text(), "Two way table of:");
    EXPECT_EQ(screen->buttonLeft().displayedText(), "sex");
    EXPECT_EQ(screen->buttonRight().displayedText(), "smoker");
    EXPECT_EQ(screen->segmentPerc().selectedSegmentIndex(), 3);
    EXPECT_TRUE(screen->viewGraph().isHidden());
    // Rows M, F; columns no, yes, then the totals.
    const std::vector<std::vector<std::string>> counts = {
        {"1 ", "2 ", "3"}, {"2 ", "0 ", "2"}, {"3 ", "2 ", "5"}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(cellText(i, j), counts[size_t(i)][size_t(j)]) << i << ", " << j;
            EXPECT_EQ(cellText(i, j, 1), "<none>") << "no percentages without display";
        }
    std::vector<std::string> headers;
    for (const auto& t : gridTexts(screen->viewTable()))
        if (t.turned)
            headers.push_back(t.text);
    EXPECT_EQ(headers, (std::vector<std::string>{"smoker", "Total", "no", "yes"}));
}

TEST_F(TwoWayTest, SegmentStoresModeAndDisplayAndShowsTheChart) {
    struct Case {
        int segment;
        int64_t mode, display;
        bool chart;
        std::vector<std::string> percents; // row M, then the margins' first line
    };
    const Case cases[] = {
        {1, 1, 1, true, {"33%", "67%", "100%", "60%", "40%", "100%"}},
        {2, 2, 1, true, {"33%", "100%", "60%", "100%", "100%", "100%"}},
        {0, 0, 1, false, {"20%", "40%", "60%", "60%", "40%", "100%"}},
        {3, 0, 0, false, {"<none>", "<none>", "<none>", "<none>", "<none>", "<none>"}},
    };
    open(kSmokers);
    show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.segment);
        auto& segment = screen->segmentPerc();
        const ui::Rect r = segment.convertRectToView(segment.rectForSegment(size_t(c.segment)), nullptr);
        driver->tapAt({r.midX(), r.midY()});
        waitShown();
        EXPECT_EQ(analysis->twoWayPercAgg(), c.mode);
        EXPECT_EQ(analysis->twoWayPercDisplay(), c.display);
        EXPECT_EQ(segment.selectedSegmentIndex(), c.segment);
        EXPECT_EQ(!screen->viewGraph().isHidden(), c.chart);
        const std::vector<std::string> shown = {cellText(0, 0, 1), cellText(0, 1, 1), cellText(0, 2, 1),
                                                cellText(2, 0, 1), cellText(2, 1, 1), cellText(2, 2, 1)};
        EXPECT_EQ(shown, c.percents);
    }
    // Row mode again: the body's other row and its total.
    analysis->setTwoWayPercAgg(1);
    analysis->setTwoWayPercDisplay(1);
    model().saveContext();
    screen->viewWillAppear(true);
    waitShown();
    EXPECT_EQ(cellText(1, 0, 1), "100%");
    EXPECT_EQ(cellText(1, 1, 1), "0%");
    EXPECT_EQ(cellText(1, 2, 1), "100%");
    // Stored and reopened, the choices stand.
    show();
    EXPECT_EQ(screen->segmentPerc().selectedSegmentIndex(), 1);
    EXPECT_FALSE(screen->viewGraph().isHidden());
}

TEST_F(TwoWayTest, RowModeChart) {
    open(kSmokers);
    analysis->setTwoWayPercAgg(1);
    analysis->setTwoWayPercDisplay(1);
    model().saveContext();
    show();
    CPTXYGraph& graph = screen->graph();
    EXPECT_EQ(graph.title(), "Stacked Bar Plot");
    EXPECT_EQ(axesOf(graph).yAxis()->title(), "Percent");
    EXPECT_EQ(axesOf(graph).xAxis()->title(), "sex");
    EXPECT_EQ(axisLabelTexts(graph), (std::vector<std::string>{"M", "F", "Total"}));
    ASSERT_EQ(graph.allPlots().size(), 2u);
    EXPECT_EQ(graph.allPlots()[0]->title(), "no");
    EXPECT_EQ(graph.allPlots()[1]->title(), "yes");
    ASSERT_TRUE(graph.legend());
    EXPECT_EQ(graph.legend()->legendEntries().size(), 2u);
    auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph.defaultPlotSpace());
    EXPECT_DOUBLE_EQ(space->xRange()->locationDouble(), -0.5);
    EXPECT_DOUBLE_EQ(space->xRange()->lengthDouble(), 3.0);
    EXPECT_GE(space->yRange()->maxLimitDouble(), 1.0 - 1e-9);
    // The chart scrolled into view, for a reader to look at.
    auto* scroll = screen->scrollMain();
    ASSERT_NE(scroll, nullptr);
    scroll->setContentOffset({0, std::max(0.0, scroll->contentSize().height - scroll->bounds().height())}, false);
    host->drain();
    const std::string picture = renderChecks::scratchPath("two-way-chart-pad.png");
    EXPECT_TRUE(driver->saveScreenshot(picture));
    std::cout << "screenshot: " << picture << "\n";
    // Every bar reaches 100 %: the legend stands above the plot area, under the title's band, and the
    // chart grows by its room so the bars keep their height.
    const auto frame = graph.plotAreaFrame();
    EXPECT_GE(frame->paddingTop(), 20 + graph.legend()->bounds().size.height);
    EXPECT_DOUBLE_EQ(screen->viewGraph().bounds().height() - frame->paddingTop(), 380.0 - 20.0);
    // So the first bar's top, just inside the plot area, shows its top piece ("yes", the second colour),
    // not the legend.
    const gfx::Image shot = driver->screenshot();
    const ui::Rect chart = screen->viewGraph().convertRectToView(screen->viewGraph().bounds(), nullptr);
    const double barX = chart.minX() + frame->paddingLeft() +
                        (chart.width() - frame->paddingLeft() - frame->paddingRight()) * 0.5 / 3.0;
    const gfx::Color top = shot.pixel(int(barX), int(chart.minY() + frame->paddingTop() + 4));
    const gfx::Color second = TwoWayStackedBars::colorOfSeries(1);
    EXPECT_NEAR(top.red, second.red, 0.05);
    EXPECT_NEAR(top.green, second.green, 0.05);
    EXPECT_NEAR(top.blue, second.blue, 0.05);
    // Column mode: bars by smoker, stacked by sex.
    analysis->setTwoWayPercAgg(2);
    model().saveContext();
    screen->viewWillAppear(true);
    waitShown();
    EXPECT_EQ(axesOf(graph).xAxis()->title(), "smoker");
    EXPECT_EQ(axisLabelTexts(graph), (std::vector<std::string>{"no", "yes", "Total"}));
    ASSERT_EQ(graph.allPlots().size(), 2u);
    EXPECT_EQ(graph.allPlots()[0]->title(), "M");
}

TEST_F(TwoWayTest, IncludeMissingSwitchStoresAndReruns) {
    open({{"a", {"u", "v", "", "u", "v", "u"}}, {"b", {"p", "q", "p", "q", "", "p"}}}, "a", "b");
    show();
    EXPECT_EQ(cellText(2, 2), "4") << "two rows with an empty side are left out";
    driver->tap(&screen->switchIncludeMissing());
    waitShown();
    EXPECT_TRUE(analysis->includeMissing());
    EXPECT_EQ(cellText(3, 3), "6");
    EXPECT_EQ(screen->labelV().text().rfind("Cramer's V = ", 0), 0u);
}

TEST_F(TwoWayTest, UnusableChoicesAndData) {
    // No variables: the message, nothing computed.
    open(kSmokers, "", "");
    show();
    EXPECT_EQ(screen->labelInterpret().text(), "Please choose two variables to analyze.");
    EXPECT_TRUE(screen->labelChi().isHidden());
    EXPECT_TRUE(cellTexts().empty());

    // An all-missing column: no levels, totals of 0, NaN test, no stars.
    open({{"a", {"u", "v", "u"}}, {"b", {"", "", ""}}}, "a", "b");
    show();
    EXPECT_EQ(screen->labelChi().text(), "Chi-squared = " + Model::stringFromNumber(NAN));
    EXPECT_EQ(screen->labelP().text(), "p = " + Model::stringFromNumber(NAN));
    EXPECT_EQ(screen->labelInterpret().text(), "Distribution of a is not significantly different by b");
    EXPECT_EQ(cellText(0, 0), "0");

    // One level on a side; eleven levels on the other become nine and "Others".
    std::vector<std::string> many, one;
    for (int i = 0; i < 30; ++i) {
        many.push_back("level" + std::to_string(i % 11) + (i % 11 == 0 ? "" : ""));
        one.push_back("same");
    }
    open({{"many", many}, {"one", one}}, "many", "one");
    show();
    EXPECT_EQ(screen->labelV().text().rfind("Cramer's V = ", 0), 0u);
    int rowHeaders = 0;
    bool others = false;
    for (const auto& t : gridTexts(screen->viewTable())) {
        if (!t.turned && t.frame.origin.x == 0 && t.frame.origin.y >= screen->yOffset())
            ++rowHeaders;
        others = others || t.text == "Others";
    }
    EXPECT_EQ(rowHeaders, 11) << "ten levels and Total";
    EXPECT_TRUE(others);
    EXPECT_EQ(cellText(10, 1), "30");

    // The column removed while the screen shows: the frame runs again and asks for variables.
    model().removeColumn(*columnNamed("one"));
    model().saveContext();
    host->drain();
    waitShown();
    EXPECT_EQ(screen->labelInterpret().text(), "Please choose two variables to analyze.");
    EXPECT_TRUE(cellTexts().empty());
}

TEST_F(TwoWayTest, SixDigitCountsShowWhole) {
    // 100,000 rows of two levels each.
    std::vector<std::string> a(100000), b(100000);
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = i % 4 == 0 ? "x" : "y";
        b[i] = i % 2 == 0 ? "p" : "q";
    }
    open({{"a", a}, {"b", b}}, "a", "b");
    show();
    EXPECT_EQ(cellText(2, 2), "100000");
    for (const auto& t : gridTexts(screen->viewTable())) {
        if (t.text == "100000") {
            gfx::TextStyle style;
            style.font = screen->fontTable();
            // Wider than its cell in the table's type: shown in a smaller one that fits.
            EXPECT_GT(gfx::measureText(t.text, style).width, screen->cellWidth());
        }
    }
    auto* label = [&]() -> ui::Label* {
        for (const auto& sub : screen->viewTable().subviews())
            for (const auto& line : sub->subviews())
                if (auto* l = dynamic_cast<ui::Label*>(line.get()); l && l->text() == "100000")
                    return l;
        return nullptr;
    }();
    ASSERT_NE(label, nullptr);
    gfx::TextStyle style;
    style.font = label->font();
    EXPECT_LE(gfx::measureText(label->text(), style).width, double(screen->cellWidth()));
    EXPECT_LT(label->font().size(), 17);
}

TEST_F(TwoWayTest, CSVInThePartsOrder) {
    open({{"sex", {"M", "F", "M", "F", "M"}}, {"smoker", {"yes", "no", "no", "no", "yes"}}});
    show();
    const auto lines = analysisRoad::csvLines(exportCSV());
    using Fields = std::vector<std::string>;
    ASSERT_GE(lines.size(), 11u);
    EXPECT_EQ(lines[0], (Fields{"Two way table of frequencies for sex and smoker"}));
    EXPECT_EQ(lines[1], (Fields{""}));
    EXPECT_EQ(lines[2], (Fields{"Filters:", ""}));
    ASSERT_EQ(lines[3].size(), 2u);
    EXPECT_EQ(lines[3][0], "Chi-squared");
    EXPECT_NEAR(std::stod(lines[3][1]), 2.22222222222222, 1e-9);
    ASSERT_EQ(lines[4].size(), 2u);
    EXPECT_EQ(lines[4][0], "p");
    EXPECT_NEAR(std::stod(lines[4][1]), 0.136037128114142, 1e-9);
    EXPECT_EQ(lines[5], (Fields{"Phi", "-0.6667"}));
    EXPECT_EQ(lines[6], (Fields{""}));
    EXPECT_EQ(lines[7], (Fields{"smoker"}));
    EXPECT_EQ(lines[8], (Fields{"sex", "no", "yes", "Total"}));
    EXPECT_EQ(lines[9], (Fields{"M", "1", "2", "3"}));
    EXPECT_EQ(lines[10], (Fields{"F", "2", "0", "2"}));
    EXPECT_EQ(lines[11], (Fields{"Total", "3", "2", "5"}));
    EXPECT_EQ(screen->fileNameOutput(), "Two way table of frequencies for sex and smoker");

    // Level names with commas are quoted, long ones whole.
    const std::string longName(300, 'n');
    open({{"a", {"x, y", "x, y", longName}}, {"b", {"p", "q", "p"}}}, "a", "b");
    show();
    const std::string text = exportCSV();
    EXPECT_NE(text.find("\"x, y\",1,1,2"), std::string::npos) << text;
    EXPECT_NE(text.find(longName + ",1,0,1"), std::string::npos);
}

TEST_F(TwoWayTest, CompactRowsOnAPhone) {
    open(kSmokers);
    analysis->setTwoWayPercAgg(1);
    analysis->setTwoWayPercDisplay(1);
    model().saveContext();
    show(kIdioms[1]);
    EXPECT_FALSE(screen->stackCompactTable().isHidden());
    EXPECT_TRUE(screen->viewTable().isHidden());
    EXPECT_EQ(screen->header().labelRowHeader().text(), "sex");
    EXPECT_EQ(screen->labelHeaderRight().text(), "smoker");
    std::vector<std::string> header;
    for (const auto& item : screen->header().contentArray())
        header.push_back(item.string());
    EXPECT_EQ(header, (std::vector<std::string>{"no", "yes", "Total"}));
    const std::vector<std::vector<std::string>> expected = {
        {"M", "1 \n33%", "2 \n67%", "3\n100%"},
        {"F", "2 \n100%", "0 \n0%", "2\n100%"},
        {"Total", "3 \n60%", "2 \n40%", "5\n100%"},
    };
    EXPECT_EQ(compactRows(), expected);
    // The cells' labels show the count and the share.
    auto& table = screen->tableResults();
    auto* cell = table.cellForRowAtIndexPath({0, 0});
    ASSERT_NE(cell, nullptr);
    auto* row = dynamic_cast<HorizontalTableView*>(cell->contentView().viewWithTag(TwoWayTabController::kTagRow));
    ASSERT_NE(row, nullptr);
    auto* first = row->horizontalTable().cellForRowAtIndexPath({0, 0});
    ASSERT_NE(first, nullptr);
    auto* count = dynamic_cast<ui::Label*>(first->contentView().viewWithTag(TwoWayTabController::kTagCount));
    auto* percent = dynamic_cast<ui::Label*>(first->contentView().viewWithTag(TwoWayTabController::kTagPercent));
    ASSERT_TRUE(count && percent);
    EXPECT_EQ(count->text(), "1 ");
    EXPECT_EQ(percent->text(), "33%");

    // Scrolling the header or a row moves all of them.
    struct Scroll {
        const char* what;
        ui::ScrollView* view;
    };
    auto* secondRow = dynamic_cast<HorizontalTableView*>(
        table.cellForRowAtIndexPath({0, 1})->contentView().viewWithTag(TwoWayTabController::kTagRow));
    ASSERT_NE(secondRow, nullptr);
    const Scroll scrolls[] = {{"header", &screen->header().horizontalTable()},
                              {"a row", &secondRow->horizontalTable()}};
    double offset = 20;
    for (const Scroll& s : scrolls) {
        s.view->setContentOffset({0, offset}, false);
        host->drain();
        EXPECT_DOUBLE_EQ(screen->header().horizontalTable().contentOffset().y, offset) << s.what;
        for (ui::TableViewCell* visible : table.visibleCells()) {
            auto* r = dynamic_cast<HorizontalTableView*>(visible->contentView().viewWithTag(TwoWayTabController::kTagRow));
            ASSERT_NE(r, nullptr);
            EXPECT_DOUBLE_EQ(r->horizontalTable().contentOffset().y, offset) << s.what;
        }
        offset += 10;
    }
}

TEST_F(TwoWayTest, LongNamesCutOnTheChartWholeInTheGrid) {
    const std::string longLevel = "a level of three hundred characters " + std::string(264, 'x');
    const std::string longColumn = "a variable with a long name " + std::string(60, 'v');
    open({{longColumn, {longLevel, "short", longLevel, "short"}}, {"b", {"p", "q", "q", "p"}}}, longColumn, "b");
    analysis->setTwoWayPercAgg(1);
    analysis->setTwoWayPercDisplay(1);
    model().saveContext();
    for (const Idiom& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        show(idiom);
        EXPECT_EQ(axisLabelTexts(screen->graph()),
                  (std::vector<std::string>{"a level of three…", "short", "Total"}));
        bool whole = false;
        for (const auto& t : gridTexts(screen->viewTable()))
            whole = whole || t.text == longLevel;
        EXPECT_TRUE(whole) << "the grid's header keeps the whole name";
        // The left name, whole in its label, ends where the turned right name starts to cover its box.
        int names = 0;
        for (const auto& t : gridTexts(screen->viewTable()))
            if (t.text == longColumn && !t.turned) {
                ++names;
                EXPECT_LE(t.frame.maxX(), screen->rowHeaderWidth() - 0.8 * screen->cellWidth() + 0.5);
            }
        EXPECT_EQ(names, 1);
        const std::string picture = renderChecks::scratchPath(std::string("two-way-long-") + idiom.name + ".png");
        EXPECT_TRUE(driver->saveScreenshot(picture));
        std::cout << "screenshot: " << picture << "\n";
    }
}

// The missing values, counted as a level when the switch is on, are named wherever a level's name shows:
// the grid's headers, the compact rows of a phone, the chart's labels and legend, and the CSV.
TEST_F(TwoWayTest, MissingValuesLevelIsNamed) {
    open({{"a", {"u", "v", "", "u", "v", "u"}}, {"b", {"p", "q", "p", "q", "", "p"}}}, "a", "b");
    analysis->setIncludeMissing(true);
    analysis->setTwoWayPercAgg(1);
    analysis->setTwoWayPercDisplay(1);
    model().saveContext();
    for (const Idiom& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        show(idiom);
        int named = 0;
        for (const auto& t : gridTexts(screen->viewTable())) {
            EXPECT_FALSE(t.text.empty() && t.frame.origin.x == 0) << "a row header without a name";
            named += t.text == "(missing)";
        }
        EXPECT_EQ(named, 2) << "the row header and the turned column header";
        const auto labels = axisLabelTexts(screen->graph());
        EXPECT_NE(std::find(labels.begin(), labels.end(), "(missing)"), labels.end());
        std::vector<std::string> legend;
        for (const auto& plot : screen->graph().allPlots())
            legend.push_back(plot->title().value_or(""));
        EXPECT_NE(std::find(legend.begin(), legend.end(), "(missing)"), legend.end());
        if (idiom.idiom == ui::UserInterfaceIdiom::Phone) {
            bool rowNamed = false;
            for (const auto& row : compactRows())
                rowNamed = rowNamed || row.front() == "(missing)";
            EXPECT_TRUE(rowNamed);
            const auto header = screen->header().contentArray();
            EXPECT_NE(std::find_if(header.begin(), header.end(),
                                   [](const foundation::Value& v) { return v.string() == "(missing)"; }),
                      header.end());
        }
        const std::string picture = renderChecks::scratchPath(std::string("two-way-missing-") + idiom.name + ".png");
        EXPECT_TRUE(driver->saveScreenshot(picture));
        std::cout << "screenshot: " << picture << "\n";
    }
    const std::string csv = exportCSV();
    EXPECT_NE(csv.find("a,p,q,(missing),Total"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n(missing),"), std::string::npos) << csv;
}

// Counts and percentages stand clear of their cell's right border, on screen, in the report's smaller
// cells and in a phone's compact rows, and still show whole.
TEST_F(TwoWayTest, NumbersKeepClearOfTheRightBorder) {
    std::vector<std::string> a, b;
    for (int i = 0; i < 120; ++i) {
        a.push_back(i % 3 ? "u" : "v");
        b.push_back(i % 4 ? "p" : "q");
    }
    open({{"a", a}, {"b", b}}, "a", "b");
    analysis->setTwoWayPercAgg(0);
    analysis->setTwoWayPercDisplay(1);
    model().saveContext();
    show();
    auto clear = [](TwoWayTabController& grid, const char* where) {
        int lines = 0;
        for (const auto& cell : grid.viewTable().subviews()) {
            if (cell->tag() != TwoWayTabController::kTagGrid || dynamic_cast<ui::Label*>(cell.get()))
                continue;
            for (const auto& sub : cell->subviews()) {
                auto* label = dynamic_cast<ui::Label*>(sub.get());
                if (!label || label->text().empty())
                    continue;
                ++lines;
                EXPECT_LE(label->frame().maxX(), cell->bounds().width() - 2) << where << " " << label->text();
                EXPECT_LE(label->sizeThatFits({1e6, 1e6}).width, label->frame().width() + 0.5)
                    << where << " " << label->text();
            }
        }
        EXPECT_GT(lines, 0) << where;
    };
    clear(*screen, "screen");
    auto output = std::dynamic_pointer_cast<TwoWayTabController>(screen->makeOutputController());
    ASSERT_NE(output, nullptr);
    clear(*output, "report");

    show(kIdioms[1]);
    int lines = 0;
    for (ui::TableViewCell* row : screen->tableResults().visibleCells()) {
        auto* inner = dynamic_cast<ui::TableView*>(row->contentView().viewWithTag(TwoWayTabController::kTagInner));
        ASSERT_NE(inner, nullptr);
        for (ui::TableViewCell* cell : inner->visibleCells())
            for (int tag : {TwoWayTabController::kTagCount, TwoWayTabController::kTagPercent}) {
                auto* label = dynamic_cast<ui::Label*>(cell->contentView().viewWithTag(tag));
                if (!label || label->text().empty())
                    continue;
                ++lines;
                EXPECT_LE(label->frame().maxX(), 50 - 2) << label->text();
            }
    }
    EXPECT_GT(lines, 0);
}

// On a pad the verdict wraps onto the lines a long variable name needs, above the significance legend;
// and with row percentages a small table has its chart beside the grid, in the first screenful.
TEST_F(TwoWayTest, LongVerdictWrapsAndTheChartShowsBesideASmallGrid) {
    const std::string longColumn = "the respondent's preferred means of daily commuting to work " + std::string(40, 'w');
    open({{longColumn, {"car", "bus", "car", "bike", "bus"}}, {"b", {"p", "q", "q", "p", "p"}}}, longColumn, "b");
    analysis->setTwoWayPercAgg(1);
    analysis->setTwoWayPercDisplay(1);
    model().saveContext();
    show();
    ui::Label& verdict = screen->labelInterpret();
    ASSERT_NE(verdict.text().find(longColumn), std::string::npos);
    const double needed = verdict.sizeThatFits({verdict.bounds().width(), 1e6}).height;
    EXPECT_GE(verdict.frame().height() + 0.5, needed);
    EXPECT_GT(needed, 30.0) << "more than one line";
    EXPECT_GE(screen->labelSigLegend().frame().minY(), verdict.frame().maxY());

    // The chart stands beside the grid, within the 1024 x 768 window.
    const ui::Rect chart = screen->viewGraph().convertRectToView(screen->viewGraph().bounds(), nullptr);
    const ui::Rect grid = screen->viewTable().convertRectToView(screen->viewTable().bounds(), nullptr);
    EXPECT_GE(chart.minX(), grid.maxX());
    EXPECT_LE(chart.maxX(), 1024);
    EXPECT_LE(chart.midY(), 768) << "the chart's upper half in the first screenful";
    EXPECT_GE(chart.minY(), 0);
    const std::string picture = renderChecks::scratchPath("two-way-long-verdict-pad.png");
    EXPECT_TRUE(driver->saveScreenshot(picture));
    std::cout << "screenshot: " << picture << "\n";

    // A grid too wide for the chart beside it has the chart under it.
    std::vector<std::string> wide;
    for (int i = 0; i < 30; ++i)
        wide.push_back("level " + std::to_string(i % 12));
    open({{"a", wide}, {"b", wide}}, "a", "b");
    analysis->setTwoWayPercAgg(1);
    analysis->setTwoWayPercDisplay(1);
    model().saveContext();
    show();
    ASSERT_NE(screen->scrollTable(), nullptr);
    EXPECT_GE(screen->viewGraph().frame().minY(), screen->scrollTable()->frame().maxY());
}

// The grid hands its views back to the next display: after any change of choices or variables it draws
// exactly what a screen opened on those choices draws (no text, percentage line, turn, border or type
// size left from the table before).
TEST_F(TwoWayTest, AGridShownAgainDrawsWhatAFreshGridDraws) {
    open({{"a", {"u", "v", "w", "u", "v", "u", "", "w", "u"}},
          {"b", {"p", "q", "p", "q", "", "p", "q", "p", "p"}},
          {"c", {"a much longer level", "x", "x", "a much longer level", "x", "x", "x", "", "x"}}},
         "a", "b");
    struct State {
        const char* left;
        int64_t mode, display;
        bool missing;
    };
    const State states[] = {{"a", 1, 1, false}, {"a", 0, 0, false}, {"a", 2, 1, true},
                            {"c", 0, 1, false}, {"c", 1, 1, true},  {"a", 1, 1, false}};
    auto choose = [&](const State& s) {
        analysis->setLeft(columnNamed(s.left).get());
        analysis->setTwoWayPercAgg(s.mode);
        analysis->setTwoWayPercDisplay(s.display);
        analysis->setIncludeMissing(s.missing);
        model().saveContext();
    };
    struct Drawn {
        std::vector<GridText> texts;
        gfx::Image picture;
    };
    auto drawn = [&] {
        ui::View& grid = screen->viewTable();
        auto bitmap = gfx::BitmapContext::pointsContext(grid.bounds().size, 1, gfx::Color::white());
        grid.layer().renderInContext(bitmap->context());
        return Drawn{gridTexts(grid), bitmap->image()};
    };
    std::vector<Drawn> fresh;
    for (const State& s : states) {
        choose(s);
        show();
        fresh.push_back(drawn());
    }
    choose(states[0]);
    show();
    for (size_t i = 0; i < std::size(states); ++i) {
        SCOPED_TRACE(i);
        choose(states[i]);
        screen->viewWillAppear(true);
        waitShown();
        const Drawn again = drawn();
        ASSERT_EQ(again.texts.size(), fresh[i].texts.size());
        for (size_t k = 0; k < again.texts.size(); ++k) {
            EXPECT_EQ(again.texts[k].text, fresh[i].texts[k].text) << k;
            EXPECT_EQ(again.texts[k].frame, fresh[i].texts[k].frame) << again.texts[k].text;
            EXPECT_EQ(again.texts[k].turned, fresh[i].texts[k].turned) << again.texts[k].text;
        }
        const auto diff = renderChecks::compareImages(again.picture, fresh[i].picture, 0);
        EXPECT_EQ(diff.off, 0);
        if (diff.off > 0) {
            const std::string where = renderChecks::scratchPath("two-way-grid-again-" + std::to_string(i) + ".png");
            EXPECT_TRUE(diff.picture.writePNG(where));
            std::cout << "pixels off: " << where << "\n";
        }
    }
}
