// Fuzz target: chart objects decoded from arbitrary archives (any chart layer, a whole graph included,
// plot spaces and themes as the root), then archived again and, for a layer, laid out and drawn into a
// recorder; nothing may crash, hang, throw or read out of bounds, a failed decode gives no object, and
// a decoded object must archive and decode again.
#include "plot/axes_plots/CPTChartArchive.h"
#include "plot/axes_plots/CPTXYTheme.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTLayer.h"
#include "plot/graph/CPTPlotSpace.h"

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Recorder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

template <class T, class Decode>
std::shared_ptr<T> decode(std::span<const std::uint8_t> data, std::initializer_list<std::string_view> classes,
                          Decode&& make) {
    foundation::KeyedUnarchiver coder(data);
    auto object = coder.decodeRootObject<T>(classes, make);
    if (object != nullptr && coder.failed())
        std::abort(); // an object from a failed decode
    return object;
}

template <class T> std::vector<std::uint8_t> archived(const T& object, const char* className) {
    foundation::KeyedArchiver coder(className);
    coder.setRootIdentity(&object);
    object.encodeWithCoder(coder);
    return coder.encodedData();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (auto layer = CPTUnarchivedLayer(bytes)) {
        auto rc = gfx::makeRecordingContext(CGRect(0, 0, 64, 64), 2);
        layer->layoutAndRenderInContext(*rc.context);
        if (!CPTUnarchivedLayer(CPTArchivedLayer(*layer)))
            std::abort();
    }
    if (auto space = decode<CPTPlotSpace>(bytes, {"CPTPlotSpace", "CPTXYPlotSpace"}, CPTPlotSpace::plotSpaceWithCoder)) {
        (void)space->numberOfCoordinates();
        if (!decode<CPTPlotSpace>(archived(*space, space->className()), {"CPTPlotSpace", "CPTXYPlotSpace"},
                                  CPTPlotSpace::plotSpaceWithCoder))
            std::abort();
    }
    if (auto theme = decode<CPTTheme>(bytes, {"CPTTheme"}, CPTTheme::themeWithCoder)) {
        if (auto graph = theme->newGraph()) {
            auto rc = gfx::makeRecordingContext(CGRect(0, 0, 200, 200), 1);
            graph->layoutAndRenderInContext(*rc.context);
        }
    }
    return 0;
}
