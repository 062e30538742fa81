// A report page holding a 1,000-row table of four bordered labels per row (20 pages) written by the
// report writer, against the same rectangles and texts drawn straight through the PDF backend with
// the same page breaks (target: at most 1.5x; exports block the main thread). Prints the medians, the
// ratio and the file sizes.
#include "analysis/QVPDFWriter.h"
#include "bench/BenchTiming.h"
#include "bench/ScratchFolder.h"
#include "platform/graphics/Output.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using benchtiming::medianSeconds;
using gfx::Rect;

constexpr int kRows = 1000;
constexpr int kColumns = 4;
constexpr double kRowHeight = 15, kColumnWidth = 120, kTableX = 40, kTableY = 20;
constexpr int kRuns = 7;

std::string cellText(int row, int column) {
    return "Row " + std::to_string(row + 1) + " value " + std::to_string(column + 1);
}

void styleLabel(ui::Label& label) {
    label.setFont(gfx::Font::system(10));
    label.layer().setBorderWidth(0.5);
    label.layer().setBorderColor(gfx::Color::black());
}

struct Rows : ui::TableViewDataSource, ui::TableViewDelegate {
    int numberOfRowsInSection(ui::TableView&, int) override { return kRows; }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             ui::IndexPath ip) override {
        auto cell = table.dequeueReusableCellWithIdentifier("row", ip);
        for (int c = 0; c < kColumns; ++c)
            static_cast<ui::Label*>(cell->contentView().viewWithTag(c + 1))->setText(cellText(ip.row, c));
        return cell;
    }
    double heightForRowAtIndexPath(ui::TableView&, ui::IndexPath) override { return kRowHeight; }
};

std::shared_ptr<ui::View> makePage(Rows& rows) {
    auto root = ui::View::make(Rect{0, 0, 612, 792});
    auto table = std::make_shared<ui::TableView>(Rect{kTableX, kTableY, kColumns * kColumnWidth, 700});
    table->registerCellFactory("row", [](const std::string& id) {
        auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, id);
        for (int c = 0; c < kColumns; ++c) {
            auto label = std::make_shared<ui::Label>(Rect{c * kColumnWidth, 0, kColumnWidth, kRowHeight});
            styleLabel(*label);
            label->setTag(c + 1);
            cell->contentView().addSubview(label);
        }
        return cell;
    });
    table->setDataSource(&rows);
    table->setTableDelegate(&rows);
    root->addSubview(table);
    return root;
}

// The same drawing by hand: bordered rectangles, texts centred vertically as a label centres them,
// and the writer's page breaks.
void drawDirect(const std::string& path) {
    auto pdf = gfx::makePDFContext(path, Rect(0, 0, 612, 792));
    gfx::TextStyle style;
    style.font = gfx::Font::system(10);
    style.lineBreak = gfx::LineBreakMode::TruncateTail;
    pdf->beginPage();
    double y = kTableY;
    for (int r = 0; r < kRows; ++r) {
        if (792 - y - kRowHeight < 20) {
            pdf->beginPage();
            y = 20;
        }
        for (int c = 0; c < kColumns; ++c) {
            Rect cell(kTableX + c * kColumnWidth, y, kColumnWidth, kRowHeight);
            pdf->setStrokeColor(gfx::Color::black());
            pdf->setLineWidth(0.5);
            pdf->strokeRect(cell);
            gfx::TextLayout layout = gfx::TextLayout::plain(cellText(r, c), style, cell.size);
            double top = cell.origin.y + std::max(0.0, (cell.size.height - layout.size().height) / 2);
            pdf->drawTextLayout(layout, {cell.origin.x, top});
        }
        y += kRowHeight;
    }
    pdf->endPage();
    pdf->finish();
}

} // namespace

int main() {
    benchfiles::ScratchFolder folder("pdf-writer");
    const std::string direct = folder.file("direct.pdf"), report = folder.file("report.pdf");
    Rows rows;
    auto page = makePage(rows);
    gfx::fontsAvailable(); // loads the font table before timing
    bool written = true;
    auto t = medianSeconds(kRuns, {
                                      [&] { drawDirect(direct); },
                                      [&] { written = QVPDFWriter().pdfOfView(*page, report) && written; },
                                  });
    if (!written) {
        std::printf("the report could not be written\n");
        return 1;
    }
    std::printf("report of a %d-row table, %d bordered labels per row\n", kRows, kColumns);
    std::printf("  straight to the PDF backend %8.1f ms (%ju bytes)   report writer %8.1f ms (%ju bytes)   "
                "ratio %5.2fx (target <= 1.5x)\n",
                t[0] * 1e3, std::uintmax_t(std::filesystem::file_size(direct)), t[1] * 1e3,
                std::uintmax_t(std::filesystem::file_size(report)), t[1] / t[0]);
    return 0;
}
