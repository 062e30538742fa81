// Reading a screen's exported report back: CSV lines as a spreadsheet reads them, the PDF's text with
// its ligatures undone and its blanks squeezed, its words with their boxes, its page size and images, and
// its first page as pixels with the inks of a region of it.
#pragma once

#include "tests/RenderChecks.h"
#include "tests/analysis/AnalysisRoad.h"

#include <string>
#include <vector>

namespace reportReading {

// The fields of one CSV line, read as a spreadsheet reads them.
inline std::vector<std::string> fields(const std::string& line) {
    const auto lines = analysisRoad::csvLines(line);
    return lines.empty() ? std::vector<std::string>{""} : lines.front();
}

// The first page at 72 dots per inch (one pixel per point).
inline gfx::Image rasterize(const std::string& pdf, const std::string& name = "report-page") {
    const std::string prefix = renderChecks::scratchPath(name);
    renderChecks::runCommand("pdftoppm -png -singlefile -r 72 -f 1 -l 1 " + renderChecks::shellQuoted(pdf) + " " +
                             renderChecks::shellQuoted(prefix));
    auto image = gfx::Image::loadPNG(prefix + ".png");
    return image ? *image : gfx::Image();
}

// Whether the PDF is one US Letter page (612 x 792 points) drawn in vectors alone, without images; what
// it is instead when not.
inline ::testing::AssertionResult oneLetterPageOfVectors(const std::string& pdf) {
    const auto info = renderChecks::pdfInfo(pdf);
    if (!info.readable)
        return ::testing::AssertionFailure() << pdf << " is not a readable PDF";
    if (info.pages != 1 || info.pageSizes.size() != 1)
        return ::testing::AssertionFailure() << info.pages << " pages";
    if (info.pageSizes[0].width != 612 || info.pageSizes[0].height != 792)
        return ::testing::AssertionFailure()
               << "a page of " << info.pageSizes[0].width << " x " << info.pageSizes[0].height;
    if (const auto images = renderChecks::pdfImages(pdf); !images.empty())
        return ::testing::AssertionFailure() << images.size() << " images";
    return ::testing::AssertionSuccess();
}

// What a region of a rasterized page is drawn in: its red pixels and its dark ones (red below half).
struct Inks {
    int red = 0, drawn = 0;
};
inline Inks inksIn(const gfx::Image& page, int minX, int minY, int maxX, int maxY) {
    Inks inks;
    for (int y = minY; y < maxY; ++y)
        for (int x = minX; x < maxX; ++x) {
            const auto c = page.pixel(x, y);
            if (c.red > 0.7 && c.green < 0.3 && c.blue < 0.3)
                ++inks.red;
            if (c.red < 0.5)
                ++inks.drawn;
        }
    return inks;
}

// Ligatures as the letters they join.
inline std::string unligatured(std::string text) {
    const std::pair<const char*, const char*> ligatures[] = {{"ﬃ", "ffi"}, {"ﬄ", "ffl"}, {"ﬁ", "fi"}, {"ﬂ", "fl"}, {"ﬀ", "ff"}};
    for (auto [from, to] : ligatures)
        for (size_t at = 0; (at = text.find(from, at)) != std::string::npos;)
            text.replace(at, std::string(from).size(), to);
    return text;
}

inline std::vector<renderChecks::PdfWord> wordsOf(const std::string& pdf) {
    auto words = renderChecks::pdfWords(pdf);
    for (auto& w : words)
        w.text = unligatured(w.text);
    return words;
}

// A text as pdftotext writes it, words joined by single blanks.
inline std::string squeezed(const std::string& raw) {
    const std::string text = unligatured(raw);
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\n' || c == '\t') {
            blank = true;
            continue;
        }
        if (blank && !out.empty())
            out += ' ';
        out += c;
        blank = false;
    }
    return out;
}

} // namespace reportReading
