// The correlation screen's tests: a workspace made for each test, the screen opened on an analysis of
// two of its columns, and readers of what the screen shows (texts, table rows, chart ranges).
#pragma once

#include "analysis/CorrelationViewController.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "platform/host/Services.h"
#include "platform/ui/Environment.h"
#include "tests/app/ScreenFixture.h"

#include <filesystem>
#include <fstream>
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

class CorrelationTest : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        savedTemporary = ui::Environment::shared().temporaryFolder;
        temporary = path("private");
        std::filesystem::create_directory(temporary);
        ui::Environment::shared().temporaryFolder = temporary;
    }
    void TearDown() override {
        ui::Environment::shared().temporaryFolder = savedTemporary;
        screen.reset();
        ScreenTest::TearDown();
    }

    // A workspace of these columns and an analysis of the first two (left, right) when named.
    void open(const std::vector<ColumnSpec>& columns, const std::string& left = "x", const std::string& right = "y") {
        // A file of its own each time, so that a test may try several workspaces in turn.
        openWorkspace(columns, "Test" + std::to_string(++opened) + ".ov");
        analysis = model().addAnalysis("Correlation");
        analysis->setType(3);
        if (!left.empty())
            analysis->setLeft(columnNamed(left).get());
        if (!right.empty())
            analysis->setRight(columnNamed(right).get());
        model().saveContext();
    }

    // Shows the screen and waits until its run (if any) has shown its result.
    void show(const Idiom& idiom = kIdioms[0]) {
        makeHost(idiom.screen, idiom.idiom);
        screen = std::make_shared<CorrelationViewController>();
        screen->setModel(&model());
        screen->setAnalysis(analysis);
        screen->setMailService(&mail);
        screen->setPrintService(&print);
        showInTab(screen);
        waitShown();
    }
    void waitShown() {
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

    // The report of the screen as it stands: the PDF's path in the test's folder.
    std::string exportPDF(const std::string& name = "report.pdf") {
        const std::string pdf = path(name);
        EXPECT_TRUE(screen->writePDFOutputAtPath(pdf));
        return pdf;
    }
    std::vector<std::string> exportCSVLines() {
        const std::string csv = path("results.csv");
        EXPECT_TRUE(screen->writeCSVOutputAtPath(csv));
        std::ifstream in(csv);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::shared_ptr<Analysis> analysis;
    std::shared_ptr<CorrelationViewController> screen;
    host::RecordingMailService mail;
    host::RecordingPrintService print;
    std::string temporary, savedTemporary;
    int opened = 0;
};

} // namespace correlationTest
