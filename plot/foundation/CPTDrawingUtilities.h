// Drawing helpers that layers, legend swatches and the style objects share: rounded-rectangle paths,
// the current drawing context, measuring and drawing rich text, and the preview images of styles.
#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/Path.h"
#include "platform/graphics/Text.h"
#include "plot/foundation/CPTUtilities.h"

#include <functional>

// A plain rectangle when the radius is not above 0 (NaN included); otherwise corners of
// min(radius, width / 2, height / 2) on both axes.
gfx::Path CPTPathCreateRoundedRect(CGRect rect, CGFloat cornerRadius);
void CPTContextAddRoundedRect(gfx::Context& context, CGRect rect, CGFloat cornerRadius);

// The calling thread's stack of current drawing contexts.
void CPTPushGraphicsContext(gfx::Context& context);
void CPTPopGraphicsContext();

// A preview of `rect`'s size at scale 1: an opaque light grey background with y growing upward, on
// which `draw` is called with the context, the scale and the rectangle.
using CPTQuickLookDrawing = std::function<void(gfx::Context& context, CGFloat scale, CGRect rect)>;
gfx::Image CPTQuickLookImage(CGRect rect, const CPTQuickLookDrawing& draw);

// Rich text laid out from its top-left corner, the last visible line truncated, measured within
// 10,000 x 10,000 points; sizes are rounded up to whole points.
void drawInRect(const gfx::RichText& text, CGRect rect, gfx::Context& context);
CGSize sizeAsDrawn(const gfx::RichText& text);
