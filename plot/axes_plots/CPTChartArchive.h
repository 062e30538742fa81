// Whole charts in keyed archives: any chart layer (a graph with everything it holds, or one of its
// parts) written as the root of an archive and read back, with the XY classes, plot types and the
// time formatter known to the decoder. A decoded chart has no data sources or delegates: its owner
// sets them again.
#pragma once

#include "plot/graph/CPTLayer.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Makes the layer classes and formatters of the XY graphs and plot types known to the decoders;
// safe to call any number of times from any thread.
void CPTRegisterChartArchiveClasses();

// Registers the classes above first, as the decoder does.
std::vector<std::uint8_t> CPTArchivedLayer(const CPTLayer& root);
// The chart layer of the archive; none, with the reason in `error` when given, for an archive that
// does not decode.
std::shared_ptr<CPTLayer> CPTUnarchivedLayer(std::span<const std::uint8_t> data, std::string* error = nullptr);
