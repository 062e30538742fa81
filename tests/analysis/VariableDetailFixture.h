// The variable detail page's tests: a workspace made for each test, the page shown on one of its
// columns the way the pager shows it (inside a navigation controller), and readers of what it shows.
#pragma once

#include "analysis/VariableDetailViewController.h"
#include "platform/host/Services.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "tests/app/PrivateFolderFixture.h"

#include <fstream>
#include <sstream>

namespace variableDetailTest {

using Lines = std::vector<std::string>;

inline Lines linesOf(const std::string& text) {
    Lines lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    if (!text.empty() && text.back() == '\n')
        lines.push_back("");
    return lines;
}

// A row of the frequency table: the texts of its four labels.
struct TableRow {
    std::string value, count, perc, cum;
    friend bool operator==(const TableRow&, const TableRow&) = default;
    friend std::ostream& operator<<(std::ostream& out, const TableRow& r) {
        return out << "{" << r.value << "|" << r.count << "|" << r.perc << "|" << r.cum << "}";
    }
};

class VariableDetailTest : public PrivateFolderScreenTest {
  protected:
    void SetUp() override {
        PrivateFolderScreenTest::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        page.reset();
        PrivateFolderScreenTest::TearDown();
    }

    void open(const std::vector<ColumnSpec>& columns) {
        openWorkspace(columns, "Test" + std::to_string(++opened) + ".ov");
    }

    // The page of the named column at the root of a navigation controller, its run awaited.
    void show(const std::string& column, const Idiom& idiom = kIdioms[0]) {
        makeHost(idiom.screen, idiom.idiom);
        page = std::make_shared<VariableDetailViewController>();
        page->setModel(&model());
        auto c = columnNamed(column);
        ASSERT_NE(c, nullptr) << column;
        page->setObjectIDColumn(c->objectID());
        page->setHideLeftArrow(true);
        page->setMailService(&mail);
        page->setPrintService(&print);
        showInTab(page);
        waitShown();
    }
    void waitShown() {
        ASSERT_TRUE(runUntil([&] { return page->shareItem() && page->shareItem()->isEnabled(); }));
        waitForBackgroundWork();
        host->drain();
    }

    Lines left() { return linesOf(page->textViewLeft().text()); }
    Lines center() { return linesOf(page->textViewCenter().text()); }
    Lines right() { return linesOf(page->textViewRight().text()); }

    std::vector<TableRow> tableRows() {
        std::vector<TableRow> rows;
        auto& table = page->tableTopValues();
        for (int i = 0; i < table.numberOfRowsInSection(0); ++i) {
            auto cell = page->cellForRowAtIndexPath(table, ui::IndexPath{0, i});
            auto text = [&](int tag) {
                auto* label = dynamic_cast<ui::Label*>(cell->contentView().viewWithTag(tag));
                return label ? label->text() : std::string("<none>");
            };
            rows.push_back({text(99), text(100), text(101), text(102)});
        }
        return rows;
    }

    CPTXYPlotSpace& space(CPTXYGraph& graph) {
        return *std::dynamic_pointer_cast<CPTXYPlotSpace>(graph.defaultPlotSpace());
    }
    CPTXYAxisSet& axes(CPTXYGraph& graph) { return *std::dynamic_pointer_cast<CPTXYAxisSet>(graph.axisSet()); }

    // The page's chart records as its data source answers them.
    VariableDetailViewController::ChartData charts() {
        return {page->column() ? page->column()->type().value_or(0) : 0, page->results(), page->frequenciesGraph()};
    }

    std::vector<std::string> exportCSVLines() {
        const std::string csv = path("results.csv");
        EXPECT_TRUE(page->writeCSVOutputAtPath(csv));
        std::ifstream in(csv);
        Lines lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    std::string exportPDF(const std::string& name = "report.pdf") {
        const std::string pdf = path(name);
        EXPECT_TRUE(page->writePDFOutputAtPath(pdf));
        return pdf;
    }

    std::shared_ptr<VariableDetailViewController> page;
    host::RecordingMailService mail;
    host::RecordingPrintService print;
    int opened = 0;
};

} // namespace variableDetailTest
