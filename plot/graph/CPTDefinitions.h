// The codes and notification names that graphs, plot spaces, axes and plots share.
#pragma once

#include "plot/foundation/CPTUtilities.h"

#include <cstdint>

// Positions on a rectangle, y growing upward.
enum CPTRectAnchor : std::int64_t {
    CPTRectAnchorBottomLeft = 0,
    CPTRectAnchorBottom = 1,
    CPTRectAnchorBottomRight = 2,
    CPTRectAnchorLeft = 3,
    CPTRectAnchorRight = 4,
    CPTRectAnchorTopLeft = 5,
    CPTRectAnchorTop = 6,
    CPTRectAnchorTopRight = 7,
    CPTRectAnchorCenter = 8,
};

// How a plot space maps one coordinate. The XY plot space maps linear, log, category and log-modulus.
enum CPTScaleType : std::int64_t {
    CPTScaleTypeLinear = 0,
    CPTScaleTypeLog = 1,
    CPTScaleTypeAngular = 2,
    CPTScaleTypeDateTime = 3,
    CPTScaleTypeCategory = 4,
    CPTScaleTypeLogModulus = 5,
};

// The six layer groups of a plot area, bottom to top in the default order.
enum CPTPlotAreaLayerType : std::int64_t {
    CPTPlotAreaLayerTypeMinorGridLines = 0,
    CPTPlotAreaLayerTypeMajorGridLines = 1,
    CPTPlotAreaLayerTypeAxisSet = 2,
    CPTPlotAreaLayerTypePlots = 3,
    CPTPlotAreaLayerTypeAxisLabels = 4,
    CPTPlotAreaLayerTypeAxisTitles = 5,
};

// Tick, label and title directions of axes.
enum CPTSign : std::int64_t { CPTSignNone = 0, CPTSignPositive = 1, CPTSignNegative = -1 };

// Alignment of axis labels along their axis.
enum CPTAlignment : std::int64_t {
    CPTAlignmentLeft = 0,
    CPTAlignmentCenter = 1,
    CPTAlignmentRight = 2,
    CPTAlignmentTop = 3,
    CPTAlignmentMiddle = 4,
    CPTAlignmentBottom = 5,
};

// Notifications; the object of each is named beside it.
inline constexpr const char* CPTGraphNeedsRedrawNotification = "CPTGraphNeedsRedrawNotification"; // graph
inline constexpr const char* CPTLayerBoundsDidChangeNotification =
    "CPTLayerBoundsDidChangeNotification"; // layer
inline constexpr const char* CPTPlotSpaceCoordinateMappingDidChangeNotification =
    "CPTPlotSpaceCoordinateMappingDidChangeNotification"; // plot space
// Posted by a plot when it is given another plot space (or none).
inline constexpr const char* CPTPlotDidChangePlotSpaceNotification = "CPTPlotDidChangePlotSpaceNotification"; // plot
inline constexpr const char* CPTGraphDidAddPlotSpaceNotification = "CPTGraphDidAddPlotSpaceNotification";
inline constexpr const char* CPTGraphDidRemovePlotSpaceNotification =
    "CPTGraphDidRemovePlotSpaceNotification";

// Posted by plots, the plot being the object: a legend that holds the plot redraws its swatches,
// lays out its titles again, or reloads its entries.
inline constexpr const char* CPTLegendNeedsRedrawForPlotNotification = "CPTLegendNeedsRedrawForPlotNotification";
inline constexpr const char* CPTLegendNeedsLayoutForPlotNotification = "CPTLegendNeedsLayoutForPlotNotification";
inline constexpr const char* CPTLegendNeedsReloadEntriesForPlotNotification =
    "CPTLegendNeedsReloadEntriesForPlotNotification";

// User-information keys of the mapping notification: the coordinate (integer), whether the change
// was a pure scroll (bool) and the scroll distance in view units (double).
inline constexpr const char* CPTPlotSpaceCoordinateKey = "CPTPlotSpaceCoordinateKey";
inline constexpr const char* CPTPlotSpaceScrollingKey = "CPTPlotSpaceScrollingKey";
inline constexpr const char* CPTPlotSpaceDisplacementKey = "CPTPlotSpaceDisplacementKey";
// The plot space added or removed (its address as an unsigned integer, the notification's object
// being the graph).
inline constexpr const char* CPTGraphPlotSpaceNotificationKey = "CPTGraphPlotSpaceNotificationKey";
