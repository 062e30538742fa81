// The hypothesis-test screen's tests: a workspace made for each test, an analysis of type 5 on some of its
// columns, the screen shown on a headless host and awaited, and its exports read back.
#pragma once

#include "analysis/HypothesisTestViewController.h"
#include "tests/analysis/AnalysisRoad.h"
#include "tests/analysis/AnalysisScreenFixture.h"
#include "tests/analysis/ReportReading.h"

namespace hypothesisTest {

using reportReading::unligatured;

// Runs of white space as one space, ligatures as their letters: table cells wrap their texts in a
// report, and the report's font joins letters.
inline std::string squeezed(const std::string& text) {
    std::string out;
    for (char c : unligatured(text)) {
        const bool space = c == ' ' || c == '\n' || c == '\t' || c == '\f';
        if (space && (out.empty() || out.back() == ' '))
            continue;
        out += space ? ' ' : c;
    }
    return out;
}

// What an analysis starts with: the design's choices, nothing stored for the others.
struct Design {
    std::string left, right;
    int64_t samples = 1;
    bool paired = false;
    int64_t distribution = 0;
    int64_t tails = 0;
    std::optional<std::string> expected;
    std::optional<int64_t> test;
};

class HypothesisTest : public AnalysisScreenTest<HypothesisTestViewController> {
  protected:
    void SetUp() override {
        AnalysisScreenTest::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
    }

    // A workspace of these columns (a file of its own each time) and an analysis of the design.
    void open(const std::vector<ColumnSpec>& columns, const Design& design) {
        openAnalysis(columns, "Hypothesis test", 5, design.left, design.right);
        analysis->setSamples(design.samples);
        analysis->setIsPaired(design.paired);
        analysis->setDistribution(design.distribution);
        analysis->setTails(design.tails);
        analysis->setExpected(design.expected);
        analysis->setTest(design.test);
        model().saveContext();
    }

    // Waits for the run the last change started.
    void settle() {
        host->drain();
        ASSERT_TRUE(runUntil([&] { return text() != "Calculating..."; }));
        waitForBackgroundWork();
        host->drain();
    }
    void waitShown() override { settle(); }
    std::string text() { return screen->textViewResults().attributedText().plainText(); }
    // The result text's lines.
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        std::string all = text();
        size_t start = 0;
        for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
            out.push_back(all.substr(start, end - start));
        if (start < all.size())
            out.push_back(all.substr(start));
        return out;
    }

    std::vector<analysisRoad::Fields> exportCSV() { return analysisRoad::csvLines(exportCSVText()); }
};

} // namespace hypothesisTest
