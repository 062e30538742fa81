// Archiving of the plain, bordered and text layers: the platform layer's geometry and look, the
// framework layer's keys, then each class's own, with the resets decoding makes.
#include "plot/foundation/CPTArchiving.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTArchiveSupport.h"
#include "plot/graph/CPTAxis.h"
#include "plot/graph/CPTAxisLabelGroup.h"
#include "plot/graph/CPTAxisSet.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTGridLines.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTPlot.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTTextLayer.h"

#include <cmath>
#include <functional>
#include <map>
#include <mutex>
#include <string>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::Value;

namespace {

// Layers whose sublayers are their user's, not made by their own keys.
bool archivesSublayers(std::string_view className) {
    return className == "CPTLayer" || className == "CPTBorderedLayer" || className == "CPTTextLayer";
}

Value colorValue(const std::optional<gfx::Color>& color) {
    if (!color)
        return Value();
    return Value(Value::Array{Value(color->red), Value(color->green), Value(color->blue), Value(color->alpha)});
}

std::optional<gfx::Color> colorOf(const Value& value, KeyedUnarchiver& coder, std::string_view key) {
    if (value.isNull())
        return std::nullopt;
    if (value.kind() == Value::Kind::Array && value.array().size() == 4) {
        double c[4];
        bool numbers = true;
        for (std::size_t k = 0; k < 4; ++k) {
            numbers = numbers && value.array()[k].kind() == Value::Kind::Double;
            c[k] = numbers ? value.array()[k].toDouble() : 0;
        }
        if (numbers)
            return gfx::Color{c[0], c[1], c[2], c[3]};
    }
    coder.failWithError("\"" + std::string(key) + "\" is not a colour.");
    return std::nullopt;
}

template <class Style>
void encodeStyle(KeyedArchiver& coder, const std::shared_ptr<Style>& style, std::string_view className,
                 std::string_view key) {
    if (style)
        coder.encodeSharedObject(style.get(), className, key, [&style](KeyedArchiver& c) { style->encodeWithCoder(c); });
}

// Numbers a layer keeps finite: a damaged archive must not leave NaN geometry behind.
CGFloat finite(KeyedUnarchiver& coder, CGFloat value, std::string_view key) {
    if (!std::isfinite(value)) {
        coder.failWithError("\"" + std::string(key) + "\" is not a finite number.");
        return 0;
    }
    return value;
}

CGFloat decodeFinite(KeyedUnarchiver& coder, std::string_view key) {
    return finite(coder, decodeCGFloatForKey(coder, key), key);
}

CGPoint decodeFinitePoint(KeyedUnarchiver& coder, std::string_view key) {
    const std::string k(key);
    return {decodeFinite(coder, k + ".x"), decodeFinite(coder, k + ".y")};
}

} // namespace

// ---- the plain layer

void CPTLayer::encodeWithCoder(KeyedArchiver& coder) const {
    // The platform layer's state, with the visible bounds of this layer.
    encodeCPTRect(coder, bounds(), "Layer.bounds");
    encodeCPTPoint(coder, position(), "Layer.position");
    encodeCPTPoint(coder, anchorPoint(), "Layer.anchorPoint");
    coder.encodeBool(isHidden(), "Layer.hidden");
    encodeCGFloat(coder, opacity(), "Layer.opacity");
    coder.encodeBool(isOpaque(), "Layer.opaque");
    coder.encodeBool(masksToBounds(), "Layer.masksToBounds");
    encodeCGFloat(coder, cornerRadius(), "Layer.cornerRadius");
    encodeCGFloat(coder, contentsScale(), "Layer.contentsScale");
    coder.encodeBool(needsDisplayOnBoundsChange(), "Layer.needsDisplayOnBoundsChange");
    if (!name().empty())
        coder.encodeString(name(), "Layer.name");
    if (const auto color = layers::Layer::backgroundColor())
        coder.encodeValue(colorValue(color), "Layer.backgroundColor");

    encodeCGFloat(coder, paddingLeft_, "CPTLayer.paddingLeft");
    encodeCGFloat(coder, paddingTop_, "CPTLayer.paddingTop");
    encodeCGFloat(coder, paddingRight_, "CPTLayer.paddingRight");
    encodeCGFloat(coder, paddingBottom_, "CPTLayer.paddingBottom");
    coder.encodeBool(masksToBorder_, "CPTLayer.masksToBorder");
    encodeStyle(coder, shadow_, shadow_ ? shadow_->className() : "", "CPTLayer.shadow");
    coder.encodeConditionalObject(static_cast<const CPTLayer*>(graph_), "CPTLayer.graph");
    if (!identifier_.isNull())
        coder.encodeValue(identifier_, "CPTLayer.identifier");
    if (archivesSublayers(className())) {
        std::vector<const CPTLayer*> own;
        for (const auto& sublayer : sublayers())
            if (const CPTLayer* layer = CPTLayer::fromLayer(sublayer.get()))
                own.push_back(layer);
        if (!own.empty())
            cptarchive::encodeList(coder, "Layer.sublayers", own.size(),
                                   [&own](KeyedArchiver& c, std::size_t i, const std::string& k) {
                                       cptarchive::encodeLayer(c, own[i], k);
                                   });
    }
}

void CPTLayer::decodeFields(KeyedUnarchiver& coder) {
    // The shadow first: the platform bounds leave room for it around the visible bounds.
    auto shadow = coder.decodeSharedObject<CPTShadow>("CPTLayer.shadow", {"CPTShadow", "CPTMutableShadow"},
                                                      CPTShadow::shadowWithCoder);
    shadow_ = shadow ? shadow->copy() : nullptr;
    const std::string bounds = "Layer.bounds";
    const CGPoint origin = decodeFinitePoint(coder, bounds + ".origin");
    const CGFloat width = decodeFinite(coder, bounds + ".size.width");
    const CGFloat height = decodeFinite(coder, bounds + ".size.height");
    setBounds(CGRect(origin, CGSize{width, height}));
    setPosition(decodeFinitePoint(coder, "Layer.position"));
    setAnchorPoint(decodeFinitePoint(coder, "Layer.anchorPoint"));
    setHidden(coder.decodeBoolForKey("Layer.hidden"));
    setOpacity(coder.containsValueForKey("Layer.opacity") ? decodeFinite(coder, "Layer.opacity") : 1.0);
    setOpaque(coder.decodeBoolForKey("Layer.opaque"));
    setMasksToBounds(coder.decodeBoolForKey("Layer.masksToBounds"));
    setCornerRadius(decodeFinite(coder, "Layer.cornerRadius"));
    const CGFloat scale = coder.containsValueForKey("Layer.contentsScale") ? decodeFinite(coder, "Layer.contentsScale") : 1.0;
    setContentsScale(scale > 0 ? scale : 1.0);
    setNeedsDisplayOnBoundsChange(coder.decodeBoolForKey("Layer.needsDisplayOnBoundsChange"));
    setName(coder.decodeStringForKey("Layer.name"));
    setBackgroundColor(colorOf(coder.decodeValueForKey("Layer.backgroundColor"), coder, "Layer.backgroundColor"));

    paddingLeft_ = decodeFinite(coder, "CPTLayer.paddingLeft");
    paddingTop_ = decodeFinite(coder, "CPTLayer.paddingTop");
    paddingRight_ = decodeFinite(coder, "CPTLayer.paddingRight");
    paddingBottom_ = decodeFinite(coder, "CPTLayer.paddingBottom");
    masksToBorder_ = coder.decodeBoolForKey("CPTLayer.masksToBorder");
    coder.decodeConditionalObject<CPTLayer>("CPTLayer.graph", {"CPTGraph", "CPTXYGraph", "CPTDerivedXYGraph"},
                                            [this](const std::shared_ptr<CPTLayer>& layer) {
                                                setGraph(dynamic_cast<CPTGraph*>(layer.get()));
                                            });
    identifier_ = coder.decodeValueForKey("CPTLayer.identifier");
    renderingRecursively_ = false;
    outerBorderPath_.reset();
    innerBorderPath_.reset();
}

namespace {
struct LayerRegistry {
    std::mutex mutex;
    std::map<std::string, std::function<std::shared_ptr<CPTLayer>()>, std::less<>> kinds = {
        {"CPTLayer", [] { return std::make_shared<CPTLayer>(); }},
        {"CPTBorderedLayer", [] { return std::make_shared<CPTBorderedLayer>(); }},
        {"CPTBorderLayer", [] { return std::make_shared<CPTBorderLayer>(); }},
        {"CPTTextLayer", [] { return std::make_shared<CPTTextLayer>(); }},
        {"CPTAnnotationHostLayer", [] { return std::make_shared<CPTAnnotationHostLayer>(); }},
        {"CPTPlotAreaFrame", [] { return std::make_shared<CPTPlotAreaFrame>(); }},
        {"CPTPlotArea", [] { return std::make_shared<CPTPlotArea>(); }},
        {"CPTPlotGroup", [] { return std::make_shared<CPTPlotGroup>(); }},
        {"CPTAxisLabelGroup", [] { return std::make_shared<CPTAxisLabelGroup>(); }},
        {"CPTGridLineGroup", [] { return std::make_shared<CPTGridLineGroup>(); }},
        {"CPTGridLines", [] { return std::make_shared<CPTGridLines>(); }},
        {"CPTAxisSet", [] { return std::make_shared<CPTAxisSet>(); }},
        {"CPTAxis", [] { return std::make_shared<CPTAxis>(); }},
        {"CPTPlot", [] { return std::make_shared<CPTPlot>(); }},
        {"CPTLegend", [] { return std::make_shared<CPTLegend>(); }},
        {"CPTGraph", [] { return CPTGraph::makeForDecoding<CPTGraph>(); }},
    };
};

LayerRegistry& layerRegistry() {
    static LayerRegistry registry;
    return registry;
}

} // namespace

void CPTLayer::registerLayerClass(const std::string& className, std::function<std::shared_ptr<CPTLayer>()> make) {
    LayerRegistry& r = layerRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.kinds.emplace(className, std::move(make));
}

std::shared_ptr<CPTLayer> CPTLayer::layerWithCoder(KeyedUnarchiver& coder) {
    std::function<std::shared_ptr<CPTLayer>()> make;
    {
        LayerRegistry& r = layerRegistry();
        std::lock_guard<std::mutex> lock(r.mutex);
        const auto kind = r.kinds.find(coder.className());
        if (kind != r.kinds.end())
            make = kind->second;
    }
    if (!make) {
        coder.failWithError("A layer has the unexpected class \"" + coder.className() + "\".");
        return nullptr;
    }
    auto layer = make();
    layer->decodeFields(coder);
    if (!coder.failed() && archivesSublayers(coder.className()))
        cptarchive::decodeList(coder, "Layer.sublayers", [&layer](KeyedUnarchiver& c, const std::string& k) {
            auto sublayer = cptarchive::decodeAnyLayer(c, k);
            if (sublayer && sublayer->superlayer() == nullptr)
                layer->addSublayer(sublayer);
            return sublayer != nullptr;
        });
    return coder.failed() ? nullptr : layer;
}

// ---- the bordered layer

void CPTBorderedLayer::encodeWithCoder(KeyedArchiver& coder) const {
    CPTAnnotationHostLayer::encodeWithCoder(coder);
    encodeStyle(coder, borderLineStyle_, borderLineStyle_ ? borderLineStyle_->className() : "",
                "CPTBorderedLayer.borderLineStyle");
    encodeStyle(coder, fill_, CPTFill::classForCoder(), "CPTBorderedLayer.fill");
}

void CPTBorderedLayer::decodeFields(KeyedUnarchiver& coder) {
    CPTAnnotationHostLayer::decodeFields(coder);
    auto line = coder.decodeSharedObject<CPTLineStyle>("CPTBorderedLayer.borderLineStyle",
                                                       {"CPTLineStyle", "CPTMutableLineStyle"}, CPTLineStyle::lineStyleWithCoder);
    borderLineStyle_ = line ? line->copy() : nullptr;
    auto fill = coder.decodeSharedObject<CPTFill>("CPTBorderedLayer.fill", {"CPTFill"}, CPTFill::fillWithCoder);
    fill_ = fill ? fill->copy() : nullptr;
    inLayout_ = false;
}

// ---- the border layer that stands in the tree for a clipping bordered layer

void CPTBorderLayer::encodeWithCoder(KeyedArchiver& coder) const {
    CPTLayer::encodeWithCoder(coder);
    if (maskedLayer_)
        cptarchive::encodeLayer(coder, maskedLayer_.get(), "CPTBorderLayer.maskedLayer");
}

void CPTBorderLayer::decodeFields(KeyedUnarchiver& coder) {
    CPTLayer::decodeFields(coder);
    maskedLayer_.reset();
    auto masked = cptarchive::decodeLayer<CPTBorderedLayer>(coder, "CPTBorderLayer.maskedLayer", "a bordered layer");
    if (!masked || coder.failed())
        return;
    maskedLayer_ = masked;
    // Its one sublayer; a layer an archive already placed elsewhere stays where it is.
    if (masked->superlayer() == nullptr)
        addSublayer(masked);
}

// ---- the text layer

void CPTTextLayer::encodeWithCoder(KeyedArchiver& coder) const {
    CPTBorderedLayer::encodeWithCoder(coder);
    encodeStyle(coder, textStyle_, textStyle_ ? textStyle_->className() : "", "CPTTextLayer.textStyle");
    if (text_)
        coder.encodeString(*text_, "CPTTextLayer.text");
}

void CPTTextLayer::decodeFields(KeyedUnarchiver& coder) {
    CPTBorderedLayer::decodeFields(coder);
    // The style is shared with whoever else holds it in the archive, as it was when written.
    textStyle_ = coder.decodeSharedObject<CPTTextStyle>("CPTTextLayer.textStyle", {"CPTTextStyle", "CPTMutableTextStyle"},
                                                        CPTTextStyle::textStyleWithCoder);
    text_.reset();
    if (coder.containsValueForKey("CPTTextLayer.text"))
        text_ = coder.decodeStringForKey("CPTTextLayer.text");
    maximumSize_ = CGSize();
    inTextUpdate_ = false;
}
