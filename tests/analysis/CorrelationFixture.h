// The correlation screen's tests: a workspace made for each test, the screen opened on an analysis of
// two of its columns, and readers of what the screen shows (texts, table rows, chart ranges).
#pragma once

#include "analysis/CorrelationViewController.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "tests/analysis/AnalysisScreenFixture.h"

#include <sstream>

namespace correlationTest {

// The first fixture: x = 0, 1, 2, 3 and y = 1, 3, 5, 9.
inline const std::vector<ColumnSpec> kFourRows{{"x", {"0", "1", "2", "3"}}, {"y", {"1", "3", "5", "9"}}};

struct Row {
    std::string name;
    std::vector<std::string> cells;
    bool noteShown = false;
    std::string note;
};

class CorrelationTest : public AnalysisScreenTest<CorrelationViewController> {
  protected:
    // A workspace of these columns and an analysis of the first two (left, right) when named.
    void open(const std::vector<ColumnSpec>& columns, const std::string& left = "x", const std::string& right = "y") {
        openAnalysis(columns, "Correlation", 3, left, right);
        model().saveContext();
    }
    void waitShown() override {
        ASSERT_TRUE(runUntil([&] {
            return screen->labelError().isHidden() || screen->labelError().text() != "Calculating...";
        }));
        waitForBackgroundWork();
        host->drain();
    }

    std::vector<Row> tableRows() {
        std::vector<Row> rows;
        auto& table = screen->tableResults();
        for (int i = 0; i < table.numberOfRowsInSection(0); ++i) {
            auto* cell = table.cellForRowAtIndexPath(ui::IndexPath{0, i});
            if (!cell)
                continue;
            auto* row = dynamic_cast<HorizontalTableView*>(cell->contentView().viewWithTag(66));
            if (!row)
                continue;
            Row out;
            out.name = row->labelRowHeader().text();
            for (const auto& item : row->contentArray())
                out.cells.push_back(item.string());
            if (auto* strip = row->viewWithTag(102)) {
                out.noteShown = !strip->isHidden();
                if (auto* label = dynamic_cast<ui::Label*>(strip->viewWithTag(68)))
                    out.note = label->text();
            }
            rows.push_back(std::move(out));
        }
        return rows;
    }
    std::vector<std::string> headerTitles() {
        std::vector<std::string> out;
        for (const auto& item : screen->header().contentArray())
            out.push_back(item.string());
        return out;
    }
    CPTXYPlotSpace& space(CPTXYGraph& graph) {
        return *std::dynamic_pointer_cast<CPTXYPlotSpace>(graph.defaultPlotSpace());
    }
};

} // namespace correlationTest
