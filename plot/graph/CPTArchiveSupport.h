// Pieces every chart class's archive uses: layers, annotations and styles as objects shared through the
// archive, lists of them, boxed numbers, colours and rich text, and the checks that keep a damaged
// archive from leaving NaN geometry or out-of-range enumerations behind.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Text.h"
#include "plot/foundation/CPTArchiving.h"
#include "plot/graph/CPTLayer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CPTAnnotation;
class CPTFill;
class CPTLimitBand;
class CPTLineStyle;
class CPTPlotRange;
class CPTPlotSymbol;
class CPTShadow;
class CPTTextStyle;

// Every layer class a chart archive may hold; which one a key accepts is checked by its type.
#define CPT_ARCHIVED_LAYER_CLASSES                                                                           \
    "CPTLayer", "CPTBorderedLayer", "CPTBorderLayer", "CPTTextLayer", "CPTAnnotationHostLayer",              \
        "CPTPlotAreaFrame", "CPTPlotArea", "CPTPlotGroup", "CPTAxisLabelGroup", "CPTGridLineGroup",          \
        "CPTGridLines", "CPTAxisSet", "CPTAxis", "CPTPlot", "CPTLegend", "CPTGraph", "CPTXYGraph",           \
        "CPTDerivedXYGraph", "CPTXYAxis", "CPTXYAxisSet", "CPTBarPlot", "CPTScatterPlot", "CPTPieChart"

namespace cptarchive {

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;

// A layer written once however many hold it.
void encodeLayer(KeyedArchiver& coder, const CPTLayer* layer, std::string_view key);
// The layer under key when it is a T; any other layer fails the decode with a clear error.
std::shared_ptr<CPTLayer> decodeAnyLayer(KeyedUnarchiver& coder, std::string_view key);
template <class T>
std::shared_ptr<T> decodeLayer(KeyedUnarchiver& coder, std::string_view key, const char* what) {
    auto layer = decodeAnyLayer(coder, key);
    if (!layer)
        return nullptr;
    auto typed = std::dynamic_pointer_cast<T>(layer);
    if (!typed)
        coder.failWithError("\"" + std::string(key) + "\" holds a " + layer->className() + " where " + what +
                            " belongs.");
    return typed;
}

// A list of objects as an inline "NSArray" ("NS.count", then "NS.object.<i>"). `one` writes (reads)
// the element under the key it is given. Decoding gives nothing for a missing key; a gap or a count
// that does not fit the archive fails it.
void encodeList(KeyedArchiver& coder, std::string_view key, std::size_t count,
                const std::function<void(KeyedArchiver&, std::size_t, const std::string&)>& one);
bool decodeList(KeyedUnarchiver& coder, std::string_view key,
                const std::function<bool(KeyedUnarchiver&, const std::string&)>& one);

template <class T>
void encodeLayers(KeyedArchiver& coder, const std::vector<std::shared_ptr<T>>& layers, std::string_view key) {
    encodeList(coder, key, layers.size(), [&layers](KeyedArchiver& c, std::size_t i, const std::string& k) {
        encodeLayer(c, layers[i].get(), k);
    });
}
template <class T>
std::optional<std::vector<std::shared_ptr<T>>> decodeLayers(KeyedUnarchiver& coder, std::string_view key,
                                                            const char* what) {
    std::vector<std::shared_ptr<T>> layers;
    const bool present = decodeList(coder, key, [&layers, what](KeyedUnarchiver& c, const std::string& k) {
        auto layer = decodeLayer<T>(c, k, what);
        if (layer)
            layers.push_back(layer);
        return layer != nullptr;
    });
    if (!present || coder.failed())
        return std::nullopt;
    return layers;
}

// Annotations, shared like layers.
void encodeAnnotation(KeyedArchiver& coder, const CPTAnnotation* annotation, std::string_view key);
std::shared_ptr<CPTAnnotation> decodeAnnotation(KeyedUnarchiver& coder, std::string_view key);

// Styles and other value objects, shared when the same object is held in several places. The
// decoders give the archived object itself; callers copy where the class copies on set.
void encodeLineStyle(KeyedArchiver& coder, const std::shared_ptr<CPTLineStyle>& style, std::string_view key);
std::shared_ptr<CPTLineStyle> decodeLineStyle(KeyedUnarchiver& coder, std::string_view key);
void encodeTextStyle(KeyedArchiver& coder, const std::shared_ptr<CPTTextStyle>& style, std::string_view key);
std::shared_ptr<CPTTextStyle> decodeTextStyle(KeyedUnarchiver& coder, std::string_view key);
void encodeFill(KeyedArchiver& coder, const std::shared_ptr<CPTFill>& fill, std::string_view key);
std::shared_ptr<CPTFill> decodeFill(KeyedUnarchiver& coder, std::string_view key);
void encodeShadow(KeyedArchiver& coder, const std::shared_ptr<CPTShadow>& shadow, std::string_view key);
std::shared_ptr<CPTShadow> decodeShadow(KeyedUnarchiver& coder, std::string_view key);
void encodeRange(KeyedArchiver& coder, const std::shared_ptr<CPTPlotRange>& range, std::string_view key);
std::shared_ptr<CPTPlotRange> decodeRange(KeyedUnarchiver& coder, std::string_view key);

// Limit bands (of axes and scatter plots) as inline "CPTLimitBand" objects of a range and a fill; the
// fills are copied.
void encodeLimitBands(KeyedArchiver& coder, const std::vector<std::shared_ptr<CPTLimitBand>>& bands,
                      std::string_view key);
std::vector<std::shared_ptr<CPTLimitBand>> decodeLimitBands(KeyedUnarchiver& coder, std::string_view key);

// Numbers kept finite: a damaged archive must not leave NaN geometry behind. A missing key reads as
// `missing`.
CGFloat decodeFinite(KeyedUnarchiver& coder, std::string_view key, CGFloat missing = 0);
// A double that may be NaN (an automatic rotation) but not infinite.
CGFloat decodeAngle(KeyedUnarchiver& coder, std::string_view key, CGFloat missing = 0);
CGPoint decodeFinitePoint(KeyedUnarchiver& coder, std::string_view key);
CGSize decodeFiniteSize(KeyedUnarchiver& coder, std::string_view key);
// An integer within [low, high]; anything else fails the decode. A missing key reads as `missing`.
std::int64_t decodeEnum(KeyedUnarchiver& coder, std::string_view key, std::int64_t low, std::int64_t high,
                        std::int64_t missing = 0);
// A count or index: not negative.
std::uint64_t decodeUnsigned(KeyedUnarchiver& coder, std::string_view key);
// A boxed number (or null when missing); anything else fails the decode. Missing: `missing`.
foundation::Value decodeNumber(KeyedUnarchiver& coder, std::string_view key,
                               const foundation::Value& missing = foundation::Value());
// A list of numbers; none when missing.
std::optional<foundation::Value::Array> decodeNumbers(KeyedUnarchiver& coder, std::string_view key);

void encodeOptionalString(KeyedArchiver& coder, const std::optional<std::string>& text, std::string_view key);
std::optional<std::string> decodeOptionalString(KeyedUnarchiver& coder, std::string_view key);

// Rich text as an inline "NSAttributedString": its runs, each a dictionary of the text and its
// character and paragraph attributes. Inline images and tables are written as their text only.
void encodeRichText(KeyedArchiver& coder, const std::optional<gfx::RichText>& text, std::string_view key);
std::optional<gfx::RichText> decodeRichText(KeyedUnarchiver& coder, std::string_view key);

} // namespace cptarchive
