// Chart archives, sound and damaged: layers, plot spaces and themes decode from their archives, and
// truncated, bit-flipped, wrongly typed, unknown-class, invalid-graph-class and 100,000-deep archives
// are refused with an error and no object. The same archives seed the chart archive fuzz target:
// OVRIDA_UPDATE_GOLDENS=1 writes them to fuzz/corpus/chart_archive/.
#include "plot/axes_plots/CPTXYTheme.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTTextLayer.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "tests/RenderChecks.h"
#include "tests/platform/foundation/ArchiveBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;

namespace {

template <class T> std::vector<std::uint8_t> archived(const T& object, const char* className) {
    KeyedArchiver coder(className);
    coder.setRootIdentity(&object);
    object.encodeWithCoder(coder);
    return coder.encodedData();
}

std::vector<std::uint8_t> textLayer() {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontSize(13);
    CPTTextLayer layer(std::string("Revenue"), style);
    auto line = CPTMutableLineStyle::lineStyle();
    line->setLineWidth(2);
    layer.setBorderLineStyle(line);
    layer.setFill(CPTFill::fillWithColor(CPTColor::yellowColor()));
    layer.setPaddingLeft(3);
    return archived<CPTLayer>(layer, layer.className());
}

std::vector<std::uint8_t> borderedLayer() {
    CPTBorderedLayer layer(CGRect(0, 0, 40, 30));
    layer.setFill(CPTFill::fillWithColor(CPTColor::blueColor()));
    layer.setCornerRadius(4);
    layer.setMasksToBorder(true);
    return archived<CPTLayer>(layer, layer.className());
}

std::vector<std::uint8_t> plotSpace() {
    CPTXYPlotSpace space;
    space.setXRange(CPTPlotRange::plotRangeWithLocation(foundation::Value(-1.0), foundation::Value(4.0)));
    space.setYScaleType(CPTScaleTypeLog);
    space.setCategories(std::vector<std::string>{"a", "b"}, CPTCoordinateX);
    return archived<CPTPlotSpace>(space, space.className());
}

std::vector<std::uint8_t> theme(const char* name, std::optional<std::string> graphClass) {
    KeyedArchiver coder("CPTTheme");
    coder.encodeString(name, "CPTTheme.name");
    if (graphClass)
        coder.encodeString(*graphClass, "CPTTheme.graphClass");
    return coder.encodedData();
}

using archivebytes::put32;
using archivebytes::putString;

// A chain of `length` layers, each holding the next as its shadow by reference.
std::vector<std::uint8_t> deepChain(std::uint32_t length) {
    return archivebytes::chain(length, "CPTLayer", 1, [](std::vector<std::uint8_t>& out, std::uint32_t next) {
        putString(out, "CPTLayer.shadow");
        out.push_back(11);
        put32(out, next);
    });
}

enum class Kind { Layer, PlotSpace, Theme };

// Whether the archive decodes to an object, and the error when it does not.
bool decodes(Kind kind, const std::vector<std::uint8_t>& data, std::string& error) {
    KeyedUnarchiver coder(data);
    bool object = false;
    switch (kind) {
    case Kind::Layer:
        object = coder.decodeRootObject<CPTLayer>({"CPTLayer", "CPTBorderedLayer", "CPTTextLayer"},
                                                  CPTLayer::layerWithCoder) != nullptr;
        break;
    case Kind::PlotSpace:
        object = coder.decodeRootObject<CPTPlotSpace>({"CPTPlotSpace", "CPTXYPlotSpace"},
                                                      CPTPlotSpace::plotSpaceWithCoder) != nullptr;
        break;
    case Kind::Theme:
        object = coder.decodeRootObject<CPTTheme>({"CPTTheme"}, CPTTheme::themeWithCoder) != nullptr;
        break;
    }
    error = coder.error();
    EXPECT_FALSE(object && coder.failed());
    return object;
}

} // namespace

TEST(ChartArchives, SoundOnesDecodeAndDamagedOnesAreRefused) {
    struct Case {
        const char* name; // also the seed's file name
        Kind kind;
        std::function<std::vector<std::uint8_t>()> data;
        bool decodes;
        const char* error; // a part of the message when refused
    };
    const Case cases[] = {
        {"text-layer", Kind::Layer, textLayer, true, ""},
        {"bordered-layer", Kind::Layer, borderedLayer, true, ""},
        {"plot-space", Kind::PlotSpace, plotSpace, true, ""},
        {"theme-dark-gradients", Kind::Theme, [] { return theme("Dark Gradients", std::nullopt); }, true, ""},
        {"theme-plain-black", Kind::Theme, [] { return theme("Plain Black", "CPTXYGraph"); }, true, ""},
        {"theme-plain-white", Kind::Theme, [] { return theme("Plain White", "CPTXYGraph"); }, true, ""},
        {"theme-slate", Kind::Theme, [] { return theme("Slate", "CPTDerivedXYGraph"); }, true, ""},
        {"theme-stocks", Kind::Theme, [] { return theme("Stocks", "CPTXYGraph"); }, true, ""},
        {"truncated-text-layer", Kind::Layer,
         [] {
             auto d = textLayer();
             d.resize(d.size() / 2);
             return d;
         },
         false, "not a readable archive"},
        {"bit-flipped-plot-space", Kind::PlotSpace,
         [] {
             auto d = plotSpace();
             *archivebytes::entryTag(d, "CPTXYPlotSpace.xScaleType") ^= 0xE0; // a tag no archive has
             return d;
         },
         false, "not a readable archive"},
        {"wrongly-typed-padding", Kind::Layer,
         [] {
             KeyedArchiver coder("CPTBorderedLayer");
             coder.encodeString("wide", "CPTLayer.paddingLeft");
             return coder.encodedData();
         },
         false, "is not a double"},
        {"unknown-class", Kind::Layer,
         [] {
             KeyedArchiver coder("CPTWidgetLayer");
             return coder.encodedData();
         },
         false, "unexpected class"},
        {"invalid-graph-class", Kind::Theme, [] { return theme("Slate", "CPTGraph"); }, false,
         "not a subclass of CPTGraph"},
        {"deep-chain", Kind::Layer, [] { return deepChain(100000); }, false, "unexpected class"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto data = c.data();
        std::string error;
        EXPECT_EQ(decodes(c.kind, data, error), c.decodes) << error;
        if (!c.decodes) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
        if (renderChecks::updatingGoldens())
            archivebytes::writeChartArchiveSeed(c.name, data);
    }
}
