// One page that exercises every kind of drawing, shared by the bitmap golden and the PDF checks.
#pragma once

#include "platform/graphics/Context.h"

namespace styleSheet {

constexpr double kWidth = 600;
constexpr double kHeight = 800;

// A small bitmap: a red-to-blue ramp with a white top row, so flips show.
gfx::Image swatch();
// Draws the sheet; `withShadows` false leaves out everything that casts a shadow.
void draw(gfx::Context& ctx, bool withShadows = true);
// A chart-like drawing: axes, grid, dashed lines, bars with gradients, symbols, labels, no shadow.
void drawChart(gfx::Context& ctx, gfx::Size size);

} // namespace styleSheet
