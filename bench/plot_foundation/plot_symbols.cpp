// 100,000 plus symbols (size 5, line width 1) drawn into a 2048 x 1536 bitmap through the symbol's cached
// drawing, against the same plus marks stroked as bare line segments on the same kind of context (target:
// at most 2x); the symbols' vector drawing is measured beside them. Prints medians of repeated runs.
#include "bench/BenchTiming.h"
#include "platform/graphics/Output.h"
#include "plot/foundation/CPTPlotSymbol.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 2048, kHeight = 1536;
constexpr int kPoints = 100000;
constexpr int kRuns = 7;

std::vector<gfx::Point> makePoints() {
    std::vector<gfx::Point> points;
    std::mt19937_64 rng(7);
    std::normal_distribution<double> x(kWidth / 2.0, kWidth / 6.0), y(kHeight / 2.0, kHeight / 6.0);
    for (int i = 0; i < kPoints; ++i)
        points.push_back({std::clamp(x(rng), 0.0, double(kWidth)), std::clamp(y(rng), 0.0, double(kHeight))});
    return points;
}

} // namespace

int main() {
    const std::vector<gfx::Point> points = makePoints();
    auto symbol = CPTPlotSymbol::plusPlotSymbol();
    const double arm = symbol->size().width / 2;

    auto bare = [&] {
        gfx::BitmapContext bitmap(kWidth, kHeight, 1, gfx::Color::white());
        gfx::Context& ctx = bitmap.context();
        ctx.setStrokeColor(gfx::Color::black());
        ctx.setLineWidth(1);
        for (const gfx::Point& p : points) {
            ctx.moveToPoint(p.x, p.y + arm);
            ctx.addLineToPoint(p.x, p.y - arm);
            ctx.moveToPoint(p.x - arm, p.y);
            ctx.addLineToPoint(p.x + arm, p.y);
            ctx.strokePath();
        }
    };
    auto cached = [&] {
        gfx::BitmapContext bitmap(kWidth, kHeight, 1, gfx::Color::white());
        for (const gfx::Point& p : points)
            symbol->renderInContext(bitmap.context(), p, 1, true);
    };
    auto vector = [&] {
        gfx::BitmapContext bitmap(kWidth, kHeight, 1, gfx::Color::white());
        for (const gfx::Point& p : points)
            symbol->renderAsVectorInContext(bitmap.context(), p, 1);
    };
    const auto medians = benchtiming::medianSeconds(kRuns, {bare, cached, vector});
    std::printf("plus marks as bare line segments   %8.1f ms\n", medians[0] * 1000);
    std::printf("plus symbols, cached drawing       %8.1f ms   ratio %.2f (target at most 2)\n", medians[1] * 1000,
                medians[1] / medians[0]);
    std::printf("plus symbols, vector drawing       %8.1f ms   ratio %.2f\n", medians[2] * 1000, medians[2] / medians[0]);
    return medians[1] / medians[0] <= 2 ? 0 : 1;
}
