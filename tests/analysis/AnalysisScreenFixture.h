// What the analysis screens' tests share: a private temporary folder for the exports, a workspace of the
// test's columns in a file of its own each time with a new analysis in it, the screen shown in a tab with
// recording mail and print services, and its report and CSV written into the test's folder.
#pragma once

#include "platform/host/Services.h"
#include "tests/app/PrivateFolderFixture.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

template <class Screen> class AnalysisScreenTest : public PrivateFolderScreenTest {
  protected:
    void TearDown() override {
        screen.reset();
        PrivateFolderScreenTest::TearDown();
    }

    // A workspace of these columns, in a file of its own each time so that a test may try several in
    // turn, and a new analysis of the name and type in it, its left and right columns set where named.
    // The caller sets the rest and saves.
    void openAnalysis(const std::vector<ColumnSpec>& columns, const std::string& name, int64_t type,
                      const std::string& left = "", const std::string& right = "") {
        openWorkspace(columns, "Test" + std::to_string(++opened) + ".ov");
        analysis = model().addAnalysis(name);
        analysis->setType(type);
        if (!left.empty())
            analysis->setLeft(columnNamed(left).get());
        if (!right.empty())
            analysis->setRight(columnNamed(right).get());
    }

    // Shows the screen on the analysis and waits until its run (if any) has shown what it found.
    void show(const Idiom& idiom = kIdioms[0]) {
        makeHost(idiom.screen, idiom.idiom);
        screen = std::make_shared<Screen>();
        screen->setModel(&model());
        screen->setAnalysis(analysis);
        screen->setMailService(&mail);
        screen->setPrintService(&print);
        showInTab(screen);
        waitShown();
    }
    // Until the run started last has shown its result or its message.
    virtual void waitShown() = 0;

    // The report of the screen as it stands: the PDF's path in the test's folder.
    std::string exportPDF(const std::string& name = "report.pdf") {
        const std::string pdf = path(name);
        EXPECT_TRUE(screen->writePDFOutputAtPath(pdf));
        return pdf;
    }
    // The CSV of the screen as it stands, whole and as lines.
    std::string exportCSVText() {
        const std::string csv = path("results.csv");
        EXPECT_TRUE(screen->writeCSVOutputAtPath(csv));
        std::ifstream in(csv);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
    std::shared_ptr<Screen> screen;
    host::RecordingMailService mail;
    host::RecordingPrintService print;
    int opened = 0;
};
