// The outlines that line caps and plot symbols share, each in the box from (-W, -H) to (W, H) of its own
// coordinates (W and H half the size), +y up.
#pragma once

#include "platform/graphics/Path.h"
#include "plot/foundation/CPTUtilities.h"

#include <initializer_list>
#include <optional>

namespace cptShapes {

// A closed polygon through points given as fractions of (W, H).
gfx::Path polygon(CGSize size, std::initializer_list<CGPoint> unitPoints);
// Separate segments, each a pair of points given as fractions of (W, H).
gfx::Path segments(CGSize size, std::initializer_list<CGPoint> unitPoints);
gfx::Path rectangle(CGSize size);
gfx::Path ellipse(CGSize size);
gfx::Path diamond(CGSize size);
gfx::Path pentagon(CGSize size);
gfx::Path hexagon(CGSize size);
gfx::Path cross(CGSize size);
gfx::Path snow(CGSize size);
// The custom path scaled by size over its box's size, then moved by (-W, -H); its box's origin is not
// taken off. Empty without a path or when the box has no width or height.
gfx::Path custom(CGSize size, const std::optional<gfx::Path>& path);

} // namespace cptShapes
