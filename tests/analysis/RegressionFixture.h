// The regression screen's tests: readers of its coefficient table, and a fixture that opens the
// screen on an analysis of a workspace made for the test.
#pragma once

#include "analysis/RegressionViewController.h"
#include "tests/analysis/AnalysisScreenFixture.h"

#include <string>
#include <vector>

namespace regressionTest {

struct Row {
    std::string name;
    std::vector<std::string> cells;
    bool noteShown = false;
    std::string note;
};

// Every row of the table as its cells show it (the note strip, or on a report the note label).
inline std::vector<Row> tableRows(RegressionViewController& screen) {
    std::vector<Row> rows;
    auto& table = screen.tableResults();
    for (int i = 0; i < table.numberOfRowsInSection(0); ++i) {
        auto cell = screen.cellForRowAtIndexPath(table, ui::IndexPath{0, i});
        auto* row = cell ? dynamic_cast<HorizontalTableView*>(cell->contentView().viewWithTag(fitparts::kTagRow))
                         : nullptr;
        if (!row)
            continue;
        Row out;
        out.name = row->labelRowHeader().text();
        for (const auto& item : row->contentArray())
            out.cells.push_back(item.string());
        auto* label = dynamic_cast<ui::Label*>(row->viewWithTag(fitparts::kTagNoteLabel));
        ui::View* strip = row->viewWithTag(fitparts::kTagNote);
        ui::View* shown = strip ? strip : label;
        if (shown && label) {
            out.noteShown = !shown->isHidden();
            out.note = label->text();
        }
        rows.push_back(std::move(out));
    }
    return rows;
}

inline std::vector<std::string> headerTitles(RegressionViewController& screen) {
    std::vector<std::string> out;
    for (const auto& item : screen.header().contentArray())
        out.push_back(item.string());
    return out;
}

class RegressionTest : public AnalysisScreenTest<RegressionViewController> {
  protected:
    // A workspace of these columns and a regression analysis (distribution 0 linear, 2 logistic) of the
    // dependent on the independents, where named.
    void open(const std::vector<ColumnSpec>& columns, const std::string& dependent,
              const std::vector<std::string>& independents, int64_t distribution = 0) {
        openAnalysis(columns, distribution == 2 ? "Logistic Regression Model" : "Linear Regression Model", 4,
                     dependent);
        analysis->setDistribution(distribution);
        for (const auto& name : independents)
            analysis->addColumnsObject(*columnNamed(name));
        model().saveContext();
    }
    void waitShown() override {
        host->drain();
        ASSERT_TRUE(runUntil([&] { return screen->textViewEquation().text() != "Calculating..."; }));
        waitForBackgroundWork();
        host->drain();
    }
    std::vector<Row> rows() { return tableRows(*screen); }
};

} // namespace regressionTest
