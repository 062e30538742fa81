// Scrolling a 10,000-cell grid with a frozen header row and column by one screen: the layout rebuilt on
// every step, then laid out and rendered into a window-sized image; against drawing the same visible
// cells as plain rects and texts with the drawing context alone (target: at most 2x). Prints the
// median of repeated runs, frames per second and the ratio.
#include "bench/BenchTiming.h"
#include "platform/graphics/Output.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/CollectionView.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using benchtiming::seconds;

using namespace ui;

constexpr int kRows = 100, kColumns = 100;
constexpr double kWidth = 80, kHeight = 30;
constexpr gfx::Size kWindow{1024, 768};
constexpr int kSteps = 32; // one screen height in steps
constexpr int kRuns = 5;

gfx::Rect cellFrame(int row, int col, const gfx::Rect& b) {
    return {col == 0 ? b.minX() : col * kWidth, row == 0 ? b.minY() : row * kHeight, kWidth, kHeight};
}

std::vector<std::pair<int, int>> visibleCells(const gfx::Rect& r) {
    int c0 = std::max(1, int(r.minX() / kWidth)),
        c1 = std::min(kColumns - 1, int(std::ceil(r.maxX() / kWidth)));
    int r0 = std::max(1, int(r.minY() / kHeight)),
        r1 = std::min(kRows - 1, int(std::ceil(r.maxY() / kHeight)));
    std::vector<std::pair<int, int>> out{{0, 0}};
    for (int col = c0; col <= c1; ++col)
        out.push_back({0, col});
    for (int row = r0; row <= r1; ++row) {
        out.push_back({row, 0});
        for (int col = c0; col <= c1; ++col)
            out.push_back({row, col});
    }
    return out;
}

class FrozenLayout : public CollectionViewLayout {
  public:
    std::vector<std::vector<gfx::Rect>> frames;
    void prepareLayout() override {
        // Rebuilt on every bounds change, as the app's grid does.
        gfx::Rect b = collectionView()->bounds();
        frames.assign(kRows, std::vector<gfx::Rect>(kColumns));
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c)
                frames[size_t(r)][size_t(c)] = cellFrame(r, c, b);
    }
    gfx::Size collectionViewContentSize() const override { return {kColumns * kWidth, kRows * kHeight}; }
    bool shouldInvalidateLayoutForBoundsChange(const gfx::Rect&) const override { return true; }
    LayoutAttributesPtr layoutAttributesForItemAtIndexPath(IndexPath ip) const override {
        int row = ip.row / kColumns, col = ip.row % kColumns;
        auto a = std::make_shared<CollectionViewLayoutAttributes>();
        a->indexPath = ip;
        a->frame = frames[size_t(row)][size_t(col)];
        a->zIndex = (row == 0) + (col == 0);
        return a;
    }
    std::vector<LayoutAttributesPtr> layoutAttributesForElementsInRect(const gfx::Rect& r) const override {
        std::vector<LayoutAttributesPtr> out;
        for (auto [row, col] : visibleCells(r))
            out.push_back(layoutAttributesForItemAtIndexPath({0, row * kColumns + col}));
        return out;
    }
};

void drawCell(gfx::Context& ctx, const gfx::Rect& r, const std::string& text, bool header) {
    ctx.setFillColor(header ? gfx::Color::gray(0.9) : gfx::Color::white());
    ctx.fillRect(r);
    ctx.setStrokeColor(gfx::Color::gray(0.7));
    ctx.strokeRectWithWidth(r, 0.5);
    gfx::TextStyle style;
    style.font = gfx::Font::system(12);
    ctx.drawText(text, r.insetBy(4, 7), style);
}

std::string cellText(int row, int col) {
    return std::to_string(row) + ":" + std::to_string(col);
}

class GridCell : public CollectionViewCell {
  public:
    using CollectionViewCell::CollectionViewCell;
    std::string text;
    bool header = false;
    void drawRect(gfx::Context& ctx, const gfx::Rect&) override { drawCell(ctx, bounds(), text, header); }
};

struct Source : CollectionViewDataSource {
    int numberOfItemsInSection(CollectionView&, int) override { return kRows * kColumns; }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath ip) override {
        auto cell =
            std::static_pointer_cast<GridCell>(view.dequeueReusableCellWithReuseIdentifier("Cell", ip));
        int row = ip.row / kColumns, col = ip.row % kColumns;
        cell->text = cellText(row, col);
        cell->header = row == 0 || col == 0;
        return cell;
    }
};

} // namespace

int main() {
    host::HeadlessHost host(kWindow);
    auto layout = std::make_shared<FrozenLayout>();
    auto grid = std::make_shared<CollectionView>(gfx::Rect{0, 0, kWindow.width, kWindow.height}, layout);
    grid->registerCellFactory("Cell", [](const std::string& id) { return std::make_shared<GridCell>(id); });
    Source source;
    host.window().addSubview(grid);
    grid->setDataSource(&source);
    host.drain();

    auto ours = [&] {
        for (int step = 1; step <= kSteps; ++step) {
            grid->setContentOffset({0, step * kWindow.height / kSteps});
            host.drain();
            gfx::BitmapContext bitmap(int(kWindow.width), int(kWindow.height), 1, gfx::Color::white());
            host.window().layer().renderInContext(bitmap.context());
        }
        grid->setContentOffset({0, 0});
        host.drain();
    };
    auto bare = [&] {
        for (int step = 1; step <= kSteps; ++step) {
            gfx::Rect b{0, step * kWindow.height / kSteps, kWindow.width, kWindow.height};
            gfx::BitmapContext bitmap(int(kWindow.width), int(kWindow.height), 1, gfx::Color::white());
            gfx::Context& ctx = bitmap.context();
            ctx.translateCTM(-b.minX(), -b.minY());
            auto cells = visibleCells(b);
            // Headers last, so they cover the body as the grid draws them.
            std::stable_sort(cells.begin(), cells.end(), [](auto x, auto y) {
                return (x.first == 0) + (x.second == 0) < (y.first == 0) + (y.second == 0);
            });
            for (auto [row, col] : cells)
                drawCell(ctx, cellFrame(row, col, b), cellText(row, col), row == 0 || col == 0);
        }
    };
    std::vector<double> a, z;
    for (int run = 0; run < kRuns; ++run) {
        a.push_back(seconds(ours));
        z.push_back(seconds(bare));
    }
    std::nth_element(a.begin(), a.begin() + kRuns / 2, a.end());
    std::nth_element(z.begin(), z.begin() + kRuns / 2, z.end());
    double ourTime = a[kRuns / 2], bareTime = z[kRuns / 2];
    std::printf("grid scroll, one screen in %d steps, %zu cells held\n", kSteps, grid->cellCount());
    std::printf("  views and layers: %.1f ms (%.0f frames/s)\n", ourTime * 1000, kSteps / ourTime);
    std::printf("  context alone:    %.1f ms (%.0f frames/s)\n", bareTime * 1000, kSteps / bareTime);
    std::printf("  ratio: %.2fx (target at most 2x)\n", ourTime / bareTime);
    return 0;
}
