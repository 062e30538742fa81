// The legend: entries collected from plots and kept in step with them, the grid and its sizes, the
// automatic swatch, the rectangles of entries, swatches and titles in every swatch layout, hits on
// them, surplus entries, drawing, and a plot removed from the graph leaving its legend.
#include "plot/graph/CPTLegend.h"
#include "plot/foundation/CPTColor.h"
#include "tests/plot/graph/GraphFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

using foundation::Value;

namespace {

// A plot with one legend entry per title (none for a missing title) and a swatch of one colour.
class TitledPlot : public CPTPlot {
  public:
    explicit TitledPlot(std::vector<std::optional<std::string>> titles, gfx::Color color = {1, 0, 0, 1})
        : titles(std::move(titles)), color(color) {}
    const char* className() const override { return "TitledPlot"; }
    std::uint64_t numberOfLegendEntries() override { return titles.size(); }
    std::optional<std::string> titleForLegendEntryAtIndex(std::uint64_t i) override {
        return i < titles.size() ? titles[i] : std::nullopt;
    }
    void drawSwatchForLegend(CPTLegend&, std::uint64_t, CGRect rect, gfx::Context& ctx) override {
        ctx.setFillColor(color);
        ctx.fillRect(rect);
    }
    std::vector<std::optional<std::string>> titles;
    gfx::Color color;
};

std::shared_ptr<TitledPlot> plotWith(std::size_t entries, gfx::Color color = {1, 0, 0, 1}) {
    std::vector<std::optional<std::string>> titles;
    for (std::size_t i = 0; i < entries; ++i)
        titles.push_back(std::string(1, char('a' + i)));
    return std::make_shared<TitledPlot>(titles, color);
}

std::shared_ptr<CPTTextStyle> fontOf(double size) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontSize(size);
    return style;
}

Value::Array sizes(std::size_t n, double v) {
    return Value::Array(n, Value(v));
}

// A legend of 10-point titles (swatches 15 x 15) in cells of at least 40 x 20, wider and taller than
// any one-letter title, so that every size is known.
std::shared_ptr<CPTLegend> fixedLegend(std::size_t entries,
                                       CPTLegendSwatchLayout layout = CPTLegendSwatchLayoutLeft) {
    auto legend = CPTLegend::legendWithPlots({plotWith(entries)});
    legend->setTextStyle(fontOf(10));
    legend->setColumnWidths(sizes(8, 40));
    legend->setRowHeights(sizes(8, 20));
    legend->setSwatchLayout(layout);
    legend->recalculateLayout();
    return legend;
}

void expectRect(CGRect actual, CGRect expected) {
    EXPECT_DOUBLE_EQ(actual.minX(), expected.minX());
    EXPECT_DOUBLE_EQ(actual.minY(), expected.minY());
    EXPECT_DOUBLE_EQ(actual.size.width, expected.size.width);
    EXPECT_DOUBLE_EQ(actual.size.height, expected.size.height);
}

std::vector<std::string> recordedLines(CPTLegend& legend) {
    auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 400, 400));
    legend.renderAsVectorInContext(*rec.context);
    return rec.recorder->lines();
}

int linesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    int n = 0;
    for (const auto& l : lines)
        n += l.rfind(prefix, 0) == 0;
    return n;
}

} // namespace

TEST(CPTLegend, Defaults) {
    CPTLegend legend;
    EXPECT_EQ(legend.paddingLeft(), 5.0);
    EXPECT_EQ(legend.paddingTop(), 5.0);
    EXPECT_EQ(legend.paddingRight(), 5.0);
    EXPECT_EQ(legend.paddingBottom(), 5.0);
    EXPECT_TRUE(legend.layoutChanged());
    EXPECT_TRUE(legend.textStyle());
    EXPECT_EQ(legend.columnMargin(), 10.0);
    EXPECT_EQ(legend.rowMargin(), 5.0);
    EXPECT_EQ(legend.titleOffset(), 5.0);
    EXPECT_TRUE(legend.equalRows());
    EXPECT_FALSE(legend.equalColumns());
    EXPECT_EQ(legend.swatchLayout(), CPTLegendSwatchLayoutLeft);
    EXPECT_EQ(legend.numberOfRows(), 0u);
    EXPECT_EQ(legend.numberOfColumns(), 0u);
    EXPECT_TRUE(legend.needsDisplayOnBoundsChange());
    EXPECT_TRUE(legend.needsDisplayForKey("swatchSize"));
    EXPECT_FALSE(legend.needsDisplayForKey("rowMargin"));
}

TEST(CPTLegend, AutomaticSwatch) {
    struct Case {
        double fontSize;
        CGSize stored, swatch;
    };
    const Case cases[] = {
        {12, {0, 0}, {18, 18}}, {10, {0, 0}, {15, 15}}, {0, {0, 0}, {15, 15}},
        {-3, {0, 0}, {15, 15}}, {11, {0, 0}, {17, 17}}, // round(16.5)
        {12, {7, 9}, {7, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fontSize);
        CPTLegend legend;
        legend.setTextStyle(fontOf(c.fontSize));
        legend.setSwatchSize(c.stored);
        EXPECT_EQ(legend.swatchSize(), c.swatch);
    }
}

TEST(CPTLegend, Grids) {
    struct Cell {
        std::uint64_t row, column;
        bool placed;
    };
    struct Case {
        const char* name;
        std::size_t entries;
        std::uint64_t rows, columns; // the settings
        std::size_t fittedRows, fittedColumns;
        std::vector<Cell> cells;
    };
    const Case cases[] = {
        {"none", 0, 0, 0, 0, 0, {}},
        {"two side by side", 2, 0, 0, 1, 2, {{0, 0, true}, {0, 1, true}}},
        {"three in two rows", 3, 0, 0, 2, 2, {{0, 0, true}, {0, 1, true}, {1, 0, true}}},
        {"five in three columns",
         5,
         0,
         0,
         2,
         3,
         {{0, 0, true}, {0, 1, true}, {0, 2, true}, {1, 0, true}, {1, 1, true}}},
        {"one row of four", 4, 1, 0, 1, 4, {{0, 0, true}, {0, 1, true}, {0, 2, true}, {0, 3, true}}},
        {"two columns", 3, 0, 2, 2, 2, {{0, 0, true}, {0, 1, true}, {1, 0, true}}},
        {"one row per entry", 3, 3, 0, 3, 1, {{0, 0, true}, {1, 0, true}, {2, 0, true}}},
        // A grid too small: the surplus gets no cell.
        {"surplus", 3, 1, 2, 1, 2, {{0, 0, true}, {0, 1, true}, {0, 0, false}}},
        {"rows without entries", 0, 3, 0, 3, 0, {}},
        {"columns without entries", 0, 0, 3, 0, 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto legend = CPTLegend::legendWithPlots({plotWith(c.entries)});
        legend->setNumberOfRows(c.rows);
        legend->setNumberOfColumns(c.columns);
        legend->recalculateLayout();
        EXPECT_EQ(legend->rowHeightsThatFit().size(), c.fittedRows);
        EXPECT_EQ(legend->columnWidthsThatFit().size(), c.fittedColumns);
        ASSERT_EQ(legend->legendEntries().size(), c.cells.size());
        for (std::size_t i = 0; i < c.cells.size(); ++i) {
            const auto& e = *legend->legendEntries()[i];
            EXPECT_EQ(e.isPlaced(), c.cells[i].placed) << i;
            if (c.cells[i].placed) {
                EXPECT_EQ(e.row(), c.cells[i].row) << i;
                EXPECT_EQ(e.column(), c.cells[i].column) << i;
            }
        }
    }
}

TEST(CPTLegend, Sizes) {
    struct Case {
        const char* name;
        std::size_t entries;
        double entryPadding;
        bool border;
        CPTLegendSwatchLayout layout;
        double width, height;
    };
    const Case cases[] = {
        // Paddings, plus the border width, only.
        {"empty", 0, 0, false, CPTLegendSwatchLayoutLeft, 10, 10},
        {"empty with a border", 0, 0, true, CPTLegendSwatchLayoutLeft, 12, 12},
        // One entry: paddings 10 + column 40 + swatch 15 and offset 5; paddings 10 + row 20.
        {"one", 1, 0, false, CPTLegendSwatchLayoutLeft, 70, 30},
        // Three in 2 x 2: two columns and one margin of 10; two rows and one margin of 5.
        {"three", 3, 0, false, CPTLegendSwatchLayoutLeft, 140, 55},
        {"three with entry paddings", 3, 1, false, CPTLegendSwatchLayoutLeft, 144, 59},
        // Vertical: the swatch goes into the height, once per row.
        {"one, swatch above", 1, 0, false, CPTLegendSwatchLayoutTop, 50, 50},
        {"three, swatch below", 3, 0, false, CPTLegendSwatchLayoutBottom, 100, 95},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto legend = fixedLegend(c.entries, c.layout);
        legend->setEntryPaddingLeft(c.entryPadding);
        legend->setEntryPaddingRight(c.entryPadding);
        legend->setEntryPaddingTop(c.entryPadding);
        legend->setEntryPaddingBottom(c.entryPadding);
        if (c.border) {
            auto border = CPTMutableLineStyle::lineStyle();
            border->setLineWidth(2);
            legend->setBorderLineStyle(border);
        }
        legend->recalculateLayout();
        EXPECT_FALSE(legend->layoutChanged());
        EXPECT_EQ(legend->bounds().size, CGSize(c.width, c.height));
    }

    // Least sizes below what fits, and elements that are not numbers, leave the fitted sizes.
    auto legend = CPTLegend::legendWithPlots({plotWith(2)});
    legend->setTextStyle(fontOf(10));
    legend->recalculateLayout();
    const std::vector<CGFloat> fittedRows = legend->rowHeightsThatFit();
    const std::vector<CGFloat> fittedColumns = legend->columnWidthsThatFit();
    ASSERT_EQ(fittedRows.size(), 1u);
    EXPECT_EQ(fittedRows[0], 15.0); // the swatch is taller than a 10-point title
    legend->setRowHeights(Value::Array{Value(1.0)});
    legend->setColumnWidths(Value::Array{Value("wide"), Value()});
    EXPECT_EQ(legend->rowHeightsThatFit(), fittedRows);
    EXPECT_EQ(legend->columnWidthsThatFit(), fittedColumns);
    legend->setColumnWidths(Value::Array{Value(), Value(33.0)});
    EXPECT_EQ(legend->columnWidthsThatFit()[1], 33.0);
    // Equal columns size the legend as if every column were the widest.
    legend->setEqualColumns(true);
    legend->recalculateLayout();
    EXPECT_EQ(legend->bounds().size.width, 5 + 5 + 2 * 33.0 + 10 + 2 * (15 + 5));
}

TEST(CPTLegend, EntryRectanglesAndHits) {
    struct Case {
        CPTLegendSwatchLayout layout;
        CGRect entry, swatch, title;
    };
    const Case cases[] = {
        {CPTLegendSwatchLayoutLeft, {5, 5, 61, 20}, {5, 7.5, 15, 15}, {25, 5, 41, 20}},
        {CPTLegendSwatchLayoutRight, {5, 5, 61, 20}, {51, 7.5, 15, 15}, {5, 5, 41, 20}},
        {CPTLegendSwatchLayoutTop, {5, 5, 41, 40}, {18, 30, 15, 15}, {5.5, 5, 41, 20}},
        {CPTLegendSwatchLayoutBottom, {5, 5, 41, 40}, {18, 5, 15, 15}, {5.5, 25, 41, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        auto legend = fixedLegend(1, c.layout);
        auto geometry = legend->geometryOfEntry(*legend->legendEntries()[0]);
        ASSERT_TRUE(geometry);
        expectRect(geometry->entry, c.entry);
        expectRect(geometry->swatch, c.swatch);
        expectRect(geometry->title, c.title);
        // The swatch and the title are hits in every layout; a point beside the entry is not.
        for (CGRect r : {c.swatch, c.title}) {
            std::uint64_t row = 9, col = 9;
            EXPECT_TRUE(legend->legendEntryForInteractionPoint({r.midX(), r.midY()}, row, col));
            EXPECT_EQ(row, 0u);
            EXPECT_EQ(col, 0u);
        }
        std::uint64_t row = 9, col = 9;
        EXPECT_FALSE(legend->legendEntryForInteractionPoint({c.entry.maxX() + 2, c.entry.midY()}, row, col));
        EXPECT_EQ(row, 9u);
        EXPECT_EQ(col, 9u);
    }

    // In a grid the hit finds the cell of the entry under the point.
    auto legend = fixedLegend(3);
    for (const auto& entry : legend->legendEntries()) {
        auto g = legend->geometryOfEntry(*entry);
        ASSERT_TRUE(g);
        std::uint64_t row = 9, col = 9;
        EXPECT_TRUE(legend->legendEntryForInteractionPoint({g->title.midX(), g->title.midY()}, row, col));
        EXPECT_EQ(row, entry->row());
        EXPECT_EQ(col, entry->column());
    }
    // Row 0 is the top row.
    EXPECT_GT(legend->geometryOfEntry(*legend->legendEntries()[0])->entry.minY(),
              legend->geometryOfEntry(*legend->legendEntries()[2])->entry.minY());
}

TEST(CPTLegend, Drawing) {
    // The empty legend draws its background and border only.
    auto empty = CPTLegend::legendWithPlots({});
    empty->setFill(CPTFill::fillWithColor(CPTColor::whiteColor()));
    empty->setBorderLineStyle(CPTLineStyle::lineStyle());
    empty->recalculateLayout();
    auto lines = recordedLines(*empty);
    EXPECT_EQ(linesStartingWith(lines, "fill"), 1);
    EXPECT_EQ(linesStartingWith(lines, "stroke"), 1);
    EXPECT_EQ(linesStartingWith(lines, "text"), 0);

    // Two plots: an entry background and border each, a swatch in each plot's colour, each title.
    auto red =
        std::make_shared<TitledPlot>(std::vector<std::optional<std::string>>{"Male"}, gfx::Color{1, 0, 0, 1});
    auto blue = std::make_shared<TitledPlot>(std::vector<std::optional<std::string>>{"Female"},
                                             gfx::Color{0, 0, 1, 1});
    auto legend = CPTLegend::legendWithPlots({red, blue});
    legend->setEntryFill(CPTFill::fillWithColor(CPTColor::lightGrayColor()));
    legend->setEntryBorderLineStyle(CPTLineStyle::lineStyle());
    legend->recalculateLayout();
    auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 400, 400));
    legend->renderAsVectorInContext(*rec.context);
    std::vector<gfx::Color> fills;
    std::vector<std::string> texts;
    for (const auto& r : rec.recorder->records()) {
        if (r.op == gfx::Recorder::Op::Fill)
            fills.push_back(r.state.fillColor);
    }
    for (const auto& l : rec.recorder->lines())
        if (l.rfind("text", 0) == 0)
            texts.push_back(l);
    ASSERT_EQ(fills.size(), 4u); // background, swatch, background, swatch
    EXPECT_EQ(fills[1], (gfx::Color{1, 0, 0, 1}));
    EXPECT_EQ(fills[3], (gfx::Color{0, 0, 1, 1}));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("Male"), std::string::npos);
    EXPECT_NE(texts[1].find("Female"), std::string::npos);

    // Surplus entries are neither drawn nor hit: one cell for two entries.
    legend->setNumberOfRows(1);
    legend->setNumberOfColumns(1);
    legend->recalculateLayout();
    lines = recordedLines(*legend);
    EXPECT_EQ(linesStartingWith(lines, "text"), 1);
    auto surplus = legend->legendEntries()[1];
    EXPECT_FALSE(surplus->isPlaced());
    EXPECT_FALSE(legend->geometryOfEntry(*surplus));
}

namespace {

// Answers the entry fill and vetoes the swatch of the second entry.
class VetoDelegate : public CPTLegendDelegate {
  public:
    std::optional<std::shared_ptr<CPTFill>> legendFillForEntryAtIndex(CPTLegend&, std::uint64_t,
                                                                      CPTPlot&) override {
        return CPTFill::fillWithColor(CPTColor::greenColor());
    }
    std::optional<bool> legendShouldDrawSwatchAtIndex(CPTLegend&, std::uint64_t idx, CPTPlot&, CGRect,
                                                      gfx::Context&) override {
        return idx != 1;
    }
};

} // namespace

TEST(CPTLegend, DelegateComesFirst) {
    auto legend = CPTLegend::legendWithPlots({plotWith(2, {0, 0, 1, 1})});
    legend->setEntryFill(CPTFill::fillWithColor(CPTColor::lightGrayColor()));
    auto delegate = std::make_shared<VetoDelegate>();
    legend->setDelegate(delegate);
    legend->recalculateLayout();
    auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, 400, 400));
    legend->renderAsVectorInContext(*rec.context);
    std::vector<gfx::Color> fills;
    for (const auto& r : rec.recorder->records())
        if (r.op == gfx::Recorder::Op::Fill)
            fills.push_back(r.state.fillColor);
    const gfx::Color green = CPTColor::greenColor()->cgColor();
    ASSERT_EQ(fills.size(), 3u); // background, swatch, background
    EXPECT_EQ(fills[0], green);
    EXPECT_EQ(fills[1], (gfx::Color{0, 0, 1, 1}));
    EXPECT_EQ(fills[2], green);
}

TEST(CPTLegend, FollowsItsPlots) {
    auto first =
        std::make_shared<TitledPlot>(std::vector<std::optional<std::string>>{"a", std::nullopt, "c"});
    auto second = plotWith(2);
    second->setIdentifier(Value("second"));
    auto legend = CPTLegend::legendWithPlots({first, second});
    // A missing title adds no entry.
    ASSERT_EQ(legend->legendEntries().size(), 4u);
    EXPECT_EQ(legend->legendEntries()[1]->index(), 2u);
    EXPECT_EQ(legend->plotWithIdentifier(Value("second")), second);
    EXPECT_EQ(legend->plotAtIndex(2), nullptr);
    EXPECT_NE(legend->description().find(" for plots ("), std::string::npos);

    // Inserted before the second plot, its entries go before the second's.
    auto third = plotWith(1);
    legend->insertPlot(third, 1);
    ASSERT_EQ(legend->legendEntries().size(), 5u);
    EXPECT_EQ(legend->legendEntries()[2]->plot(), third);
    EXPECT_EQ(legend->allPlots(), (CPTLegend::Plots{first, third, second}));

    // A plot that reloads its entries keeps their place; layout and redraw notifications reach it.
    legend->recalculateLayout();
    first->titles = {"a", "b", "c"};
    foundation::NotificationCenter::defaultCenter().post(CPTLegendNeedsReloadEntriesForPlotNotification,
                                                         static_cast<const void*>(first.get()));
    ASSERT_EQ(legend->legendEntries().size(), 6u);
    EXPECT_EQ(legend->legendEntries()[1]->index(), 1u);
    EXPECT_EQ(legend->legendEntries()[3]->plot(), third);
    EXPECT_TRUE(legend->layoutChanged());
    legend->recalculateLayout();
    foundation::NotificationCenter::defaultCenter().post(CPTLegendNeedsLayoutForPlotNotification,
                                                         static_cast<const void*>(second.get()));
    EXPECT_TRUE(legend->layoutChanged());

    // Removing.
    legend->removePlotWithIdentifier(Value("second"));
    EXPECT_EQ(legend->legendEntries().size(), 4u);
    legend->removePlotWithIdentifier(Value("none"));
    try {
        legend->removePlot(second);
        ADD_FAILURE() << "removed a plot it did not hold";
    } catch (const CPTException& e) {
        EXPECT_STREQ(e.what(), "Tried to remove CPTPlot which did not exist.");
    }
    // The removed plot's notifications no longer reach the legend.
    legend->recalculateLayout();
    foundation::NotificationCenter::defaultCenter().post(CPTLegendNeedsReloadEntriesForPlotNotification,
                                                         static_cast<const void*>(second.get()));
    EXPECT_FALSE(legend->layoutChanged());
    EXPECT_EQ(legend->legendEntries().size(), 4u);
}

TEST(CPTLegend, PlotRemovedFromTheGraphLeavesItsLegend) {
    auto graph = graphWithPlotArea(200, 100);
    auto kept = plotWith(1);
    auto gone = plotWith(2);
    gone->setIdentifier(Value("gone"));
    graph->addPlot(kept);
    graph->addPlot(gone);
    auto legend = CPTLegend::legendWithGraph(*graph);
    graph->setLegend(legend);
    ASSERT_EQ(legend->legendEntries().size(), 3u);
    std::weak_ptr<TitledPlot> watch = gone;
    graph->removePlotWithIdentifier(Value("gone"));
    gone.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(legend->allPlots(), CPTLegend::Plots{kept});
    EXPECT_EQ(legend->legendEntries().size(), 1u);
    graph->removePlot(kept);
    EXPECT_TRUE(legend->legendEntries().empty());
}
