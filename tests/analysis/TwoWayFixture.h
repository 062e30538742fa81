// The two-way table screen's tests: a workspace made for each test, the screen opened on an analysis of
// two of its columns, and readers of what the screen shows (the grid's texts by position, the compact
// rows, the chart's bars).
#pragma once

#include "analysis/TwoWayTabController.h"
#include "platform/host/Services.h"
#include "platform/ui/Environment.h"
#include "tests/app/ScreenFixture.h"

#include <filesystem>
#include <fstream>
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

class TwoWayTest : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        savedTemporary = ui::Environment::shared().temporaryFolder;
        std::filesystem::create_directory(path("private"));
        ui::Environment::shared().temporaryFolder = path("private");
    }
    void TearDown() override {
        ui::Environment::shared().temporaryFolder = savedTemporary;
        screen.reset();
        ScreenTest::TearDown();
    }

    // A workspace of these columns and a two-way analysis of the two named ones (left, right).
    void open(const std::vector<ColumnSpec>& columns, const std::string& left = "sex",
              const std::string& right = "smoker") {
        openWorkspace(columns, "Test" + std::to_string(++opened) + ".ov");
        analysis = model().addAnalysis("Two way table");
        analysis->setType(1);
        if (!left.empty())
            analysis->setLeft(columnNamed(left).get());
        if (!right.empty())
            analysis->setRight(columnNamed(right).get());
        model().saveContext();
    }

    // Shows the screen and waits until its run (if any) has shown its result.
    void show(const Idiom& idiom = kIdioms[0]) {
        makeHost(idiom.screen, idiom.idiom);
        screen = std::make_shared<TwoWayTabController>();
        screen->setModel(&model());
        screen->setAnalysis(analysis);
        screen->setMailService(&mail);
        screen->setPrintService(&print);
        showInTab(screen);
        waitShown();
    }
    void waitShown() {
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

    std::string exportPDF(const std::string& name = "report.pdf") {
        const std::string pdf = path(name);
        EXPECT_TRUE(screen->writePDFOutputAtPath(pdf));
        return pdf;
    }
    std::string exportCSV() {
        const std::string csv = path("results.csv");
        EXPECT_TRUE(screen->writeCSVOutputAtPath(csv));
        std::ifstream in(csv);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::shared_ptr<Analysis> analysis;
    std::shared_ptr<TwoWayTabController> screen;
    host::RecordingMailService mail;
    host::RecordingPrintService print;
    std::string savedTemporary;
    int opened = 0;
};

} // namespace twoWayTest
