// The two-way table screen's tests: a workspace made for each test, the screen opened on an analysis of
// two of its columns, and readers of what the screen shows (the grid's texts by position, the compact
// rows, the chart's bars).
#pragma once

#include "analysis/TwoWayTabController.h"
#include "tests/analysis/AnalysisScreenFixture.h"

#include <map>

namespace twoWayTest {

// sex M, F, M, F, M; smoker yes, no, no, no, yes.
inline const std::vector<ColumnSpec> kSmokers{{"sex", {"M", "F", "M", "F", "M"}},
                                              {"smoker", {"yes", "no", "no", "no", "yes"}}};

// A text of the grid and where it stands in the grid's own coordinates.
struct GridText {
    std::string text;
    ui::Rect frame;      // the box that holds it (a cell's label in the cell's place)
    bool turned = false; // a turned header
};

class TwoWayTest : public AnalysisScreenTest<TwoWayTabController> {
  protected:
    // A workspace of these columns and a two-way analysis of the two named ones (left, right).
    void open(const std::vector<ColumnSpec>& columns, const std::string& left = "sex",
              const std::string& right = "smoker") {
        openAnalysis(columns, "Two way table", 1, left, right);
        model().saveContext();
    }
    void waitShown() override {
        ASSERT_TRUE(runUntil([&] { return screen->labelInterpret().text() != "Calculating..."; }));
        waitForBackgroundWork();
        host->drain();
    }

    // Every text of the grid: headers, and the lines of each cell in the cell's place.
    static std::vector<GridText> gridTexts(ui::View& table) {
        std::vector<GridText> out;
        for (const auto& sub : table.subviews()) {
            if (sub->tag() != TwoWayTabController::kTagGrid)
                continue;
            if (auto* label = dynamic_cast<ui::Label*>(sub.get())) {
                const bool turned = std::fabs(label->transform().b) > 1e-9;
                out.push_back({label->text(), turned ? label->bounds() : label->frame(), turned});
                continue;
            }
            for (const auto& line : sub->subviews())
                if (auto* label = dynamic_cast<ui::Label*>(line.get())) {
                    const ui::Rect f = label->frame();
                    out.push_back({label->text(),
                                   {sub->frame().origin.x + f.origin.x, sub->frame().origin.y + f.origin.y,
                                    f.size.width, f.size.height},
                                   false});
                }
        }
        return out;
    }
    // The texts of the cells' lines, keyed by (column x, line y) in grid coordinates.
    std::map<std::pair<int, int>, std::string> cellTexts() {
        std::map<std::pair<int, int>, std::string> out;
        for (const auto& t : gridTexts(screen->viewTable()))
            if (!t.turned)
                out[{int(std::lround(t.frame.origin.x)), int(std::lround(t.frame.origin.y))}] = t.text;
        return out;
    }
    // The text at the cell of row i, column j (nB columns and the total column), line 0 or 1.
    std::string cellText(int i, int j, int line = 0) {
        const int x = int(screen->rowHeaderWidth()) + j * screen->cellWidth();
        const int y = screen->yOffset() + i * screen->cellHeight() + line * screen->cellHeight() / 2;
        auto texts = cellTexts();
        auto it = texts.find({x, y});
        return it == texts.end() ? std::string("<none>") : it->second;
    }

    // The rows of the compact table: the row header, then each cell's item.
    std::vector<std::vector<std::string>> compactRows() {
        std::vector<std::vector<std::string>> rows;
        auto& table = screen->tableResults();
        for (int i = 0; i < table.numberOfRowsInSection(0); ++i) {
            auto* cell = table.cellForRowAtIndexPath(ui::IndexPath{0, i});
            auto* row = cell ? dynamic_cast<HorizontalTableView*>(cell->contentView().viewWithTag(66)) : nullptr;
            if (!row)
                continue;
            std::vector<std::string> out{row->labelRowHeader().text()};
            for (const auto& item : row->contentArray())
                out.push_back(item.string());
            rows.push_back(std::move(out));
        }
        return rows;
    }

    std::string exportCSV() { return exportCSVText(); }
};

} // namespace twoWayTest
