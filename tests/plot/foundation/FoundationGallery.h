// The plotting foundation's pages of the plot gallery: the style sheet, and the line caps and plot
// symbols. Both are drawn upward (origin at the bottom-left) as charts draw; the tests check them at the
// places named here.
#pragma once

#include "../../PlotGallery.h"
#include "plot/foundation/CPTGradient.h"
#include "plot/foundation/CPTLineCap.h"
#include "plot/foundation/CPTPlotSymbol.h"

#include <memory>

namespace foundationGallery {

// The PNG pages' scale.
inline constexpr double kScale = 2;

// Page 1 of the suite's PDF.
namespace styleSheet {
inline constexpr double kWidth = 600, kHeight = 700;

// Rectangles in the page's upward space (origin at the bottom-left).
inline const CGRect kRed(20, 560, 80, 80);
inline const CGRect kBlue(110, 560, 80, 80);
inline const CGRect kLinear(200, 560, 180, 80);
inline const CGRect kChromatic(390, 560, 190, 80);
inline const CGRect kRadial(20, 440, 120, 80);
inline const CGRect kAqua(150, 440, 80, 80);
inline const CGRect kTiles(240, 440, 140, 80);
inline const CGRect kSpectrum(390, 440, 190, 80);
inline const double kDashY = 405, kGradientY = 375;
inline const CGRect kFilledStroke(20, 335, 260, 50);
inline const CGRect kNinePart(20, 200, 200, 100);
inline const CGRect kShadowed(260, 210, 120, 80);

inline const char* const kAlignmentTexts[] = {"Left aligned", "Centred", "Right aligned", "Justified text",
                                       "Natural alignment"};
inline const char* const kTruncatedTexts[] = {"Truncated at the tail of a long line of text",
                                       "Cut in the middle of a long line of text"};

std::shared_ptr<CPTGradient> linearGradient();
void draw(gfx::Context& ctx);
} // namespace styleSheet

// Page 2: every cap at both ends of a short line in four directions, and every symbol type in three
// sizes drawn through its cached drawing, then once more with a shadow.
namespace capsAndSymbols {
inline constexpr double kWidth = 600, kHeight = 560;
inline constexpr double kCapSize = 12, kHalfLine = 15;
inline const gfx::Color kLineColor{0.1, 0.2, 0.6, 1};
inline const gfx::Color kCapFill{1, 0.55, 0, 1};
inline const gfx::Color kSymbolFill{0.2, 0.7, 0.3, 1};
inline const CGPoint kDirections[4] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
inline const double kSymbolSizes[3] = {6, 10, 16};
inline constexpr double kShadowedSize = 12;
// The centre of the cell of a cap type (1 to 12) in a direction (0 to 3).
CGPoint capCell(int type, int direction);
// Where a symbol type (1 to 12) sits in a row: 0 to 2 the sizes, 3 the shadowed row.
CGPoint symbolCell(int type, int row);
void draw(gfx::Context& ctx);
} // namespace capsAndSymbols

// Both pages as PNGs at scale 2 and as the two pages of "plot-foundation.pdf", drawn once per process.
const plotGallery::Rendered& rendered();

// The pixel at a point of an upward page of the given height.
gfx::Color at(const gfx::Image& page, double pageHeight, double x, double y);

} // namespace foundationGallery
