// Archiving of plot spaces: the base keys, then the XY plot space's ranges, scales and scrolling
// settings, with the resets decoding makes.
#include "plot/foundation/CPTArchiving.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <string>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::Value;

namespace {

// Category names as a dictionary from the coordinate's number (as text) to the names in order.
Value categoriesValue(const std::map<CPTCoordinate, std::vector<std::string>>& categories) {
    Value::Dictionary dictionary;
    for (const auto& [coordinate, names] : categories) {
        Value::Array list;
        for (const std::string& name : names)
            list.emplace_back(name);
        dictionary.emplace(std::to_string(static_cast<std::int64_t>(coordinate)), Value(std::move(list)));
    }
    return Value(std::move(dictionary));
}

std::optional<std::map<CPTCoordinate, std::vector<std::string>>> categoriesOf(const Value& value,
                                                                                KeyedUnarchiver& coder) {
    if (value.isNull())
        return std::nullopt;
    const char* const bad = "\"CPTPlotSpace.categoryNames\" is not a dictionary of coordinates and names.";
    if (value.kind() != Value::Kind::Dictionary) {
        coder.failWithError(bad);
        return std::nullopt;
    }
    std::map<CPTCoordinate, std::vector<std::string>> categories;
    for (const auto& [key, names] : value.dictionary()) {
        if ((key != "0" && key != "1") || names.kind() != Value::Kind::Array) {
            coder.failWithError(bad);
            return std::nullopt;
        }
        std::vector<std::string>& list = categories[key == "0" ? CPTCoordinateX : CPTCoordinateY];
        for (const Value& name : names.array()) {
            if (name.kind() != Value::Kind::String) {
                coder.failWithError(bad);
                return std::nullopt;
            }
            list.push_back(name.string());
        }
    }
    return categories;
}

} // namespace

void CPTPlotSpace::encodeWithCoder(KeyedArchiver& coder) const {
    coder.encodeConditionalObject(static_cast<const CPTLayer*>(graph_), "CPTPlotSpace.graph");
    if (!identifier_.isNull())
        coder.encodeValue(identifier_, "CPTPlotSpace.identifier");
    coder.encodeBool(allowsUserInteraction_, "CPTPlotSpace.allowsUserInteraction");
    if (categoryNames_)
        coder.encodeValue(categoriesValue(*categoryNames_), "CPTPlotSpace.categoryNames");
}

void CPTPlotSpace::decodeFields(KeyedUnarchiver& coder) {
    coder.decodeConditionalObject<CPTLayer>("CPTPlotSpace.graph", {"CPTGraph", "CPTXYGraph", "CPTDerivedXYGraph"},
                                            [this](const std::shared_ptr<CPTLayer>& layer) {
                                                graph_ = dynamic_cast<CPTGraph*>(layer.get());
                                            });
    identifier_ = coder.decodeValueForKey("CPTPlotSpace.identifier");
    allowsUserInteraction_ = coder.decodeBoolForKey("CPTPlotSpace.allowsUserInteraction");
    categoryNames_ = categoriesOf(coder.decodeValueForKey("CPTPlotSpace.categoryNames"), coder);
    isDragging_ = false;
}

std::shared_ptr<CPTPlotSpace> CPTPlotSpace::plotSpaceWithCoder(KeyedUnarchiver& coder) {
    std::shared_ptr<CPTPlotSpace> space;
    if (coder.className() == "CPTXYPlotSpace")
        space = std::make_shared<CPTXYPlotSpace>();
    else if (coder.className() == "CPTPlotSpace")
        space = std::make_shared<CPTPlotSpace>();
    else
        coder.failWithError("A plot space has the unexpected class \"" + coder.className() + "\".");
    if (space)
        space->decodeFields(coder);
    return coder.failed() ? nullptr : space;
}

// ---- the XY plot space

namespace {
void encodeRange(KeyedArchiver& coder, const std::shared_ptr<CPTPlotRange>& range, std::string_view key) {
    if (range)
        range->encodeForKey(coder, key);
}

CPTScaleType decodeScaleType(KeyedUnarchiver& coder, std::string_view key) {
    const std::int64_t type = coder.decodeInt64ForKey(key);
    if (type < CPTScaleTypeLinear || type > CPTScaleTypeLogModulus) {
        coder.failWithError("\"" + std::string(key) + "\" is not a scale type.");
        return CPTScaleTypeLinear;
    }
    return static_cast<CPTScaleType>(type);
}
} // namespace

void CPTXYPlotSpace::encodeWithCoder(KeyedArchiver& coder) const {
    CPTPlotSpace::encodeWithCoder(coder);
    encodeRange(coder, xRange_, "CPTXYPlotSpace.xRange");
    encodeRange(coder, yRange_, "CPTXYPlotSpace.yRange");
    encodeRange(coder, globalXRange_, "CPTXYPlotSpace.globalXRange");
    encodeRange(coder, globalYRange_, "CPTXYPlotSpace.globalYRange");
    coder.encodeInteger(xScaleType_, "CPTXYPlotSpace.xScaleType");
    coder.encodeInteger(yScaleType_, "CPTXYPlotSpace.yScaleType");
    coder.encodeBool(allowsMomentumX_, "CPTXYPlotSpace.allowsMomentumX");
    coder.encodeBool(allowsMomentumY_, "CPTXYPlotSpace.allowsMomentumY");
    coder.encodeInteger(momentumAnimationCurve_, "CPTXYPlotSpace.momentumAnimationCurve");
    coder.encodeInteger(bounceAnimationCurve_, "CPTXYPlotSpace.bounceAnimationCurve");
    encodeCGFloat(coder, momentumAcceleration_, "CPTXYPlotSpace.momentumAcceleration");
    encodeCGFloat(coder, bounceAcceleration_, "CPTXYPlotSpace.bounceAcceleration");
    encodeCGFloat(coder, minimumDisplacementToDrag_, "CPTXYPlotSpace.minimumDisplacementToDrag");
}

void CPTXYPlotSpace::decodeFields(KeyedUnarchiver& coder) {
    CPTPlotSpace::decodeFields(coder);
    // Stored as read: the defaults of the constructor are not applied to a missing range.
    xRange_ = CPTPlotRange::decodeForKey(coder, "CPTXYPlotSpace.xRange");
    yRange_ = CPTPlotRange::decodeForKey(coder, "CPTXYPlotSpace.yRange");
    globalXRange_ = CPTPlotRange::decodeForKey(coder, "CPTXYPlotSpace.globalXRange");
    globalYRange_ = CPTPlotRange::decodeForKey(coder, "CPTXYPlotSpace.globalYRange");
    xScaleType_ = decodeScaleType(coder, "CPTXYPlotSpace.xScaleType");
    yScaleType_ = decodeScaleType(coder, "CPTXYPlotSpace.yScaleType");
    if (coder.containsValueForKey("CPTXYPlotSpace.allowsMomentum")) {
        allowsMomentumX_ = allowsMomentumY_ = coder.decodeBoolForKey("CPTXYPlotSpace.allowsMomentum");
    } else {
        allowsMomentumX_ = coder.decodeBoolForKey("CPTXYPlotSpace.allowsMomentumX");
        allowsMomentumY_ = coder.decodeBoolForKey("CPTXYPlotSpace.allowsMomentumY");
    }
    momentumAnimationCurve_ = coder.decodeInt64ForKey("CPTXYPlotSpace.momentumAnimationCurve");
    bounceAnimationCurve_ = coder.decodeInt64ForKey("CPTXYPlotSpace.bounceAnimationCurve");
    momentumAcceleration_ = decodeCGFloatForKey(coder, "CPTXYPlotSpace.momentumAcceleration");
    bounceAcceleration_ = decodeCGFloatForKey(coder, "CPTXYPlotSpace.bounceAcceleration");
    minimumDisplacementToDrag_ = decodeCGFloatForKey(coder, "CPTXYPlotSpace.minimumDisplacementToDrag");
    lastDisplacement_ = CGPoint();
}
