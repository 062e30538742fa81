#include "plot/graph/CPTArchiveSupport.h"

#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTAnnotation.h"
#include "plot/graph/CPTLimitBand.h"

#include <cmath>

using foundation::Value;

namespace cptarchive {

void encodeLayer(KeyedArchiver& coder, const CPTLayer* layer, std::string_view key) {
    if (layer == nullptr)
        return;
    coder.encodeSharedObject(static_cast<const void*>(layer), layer->className(), key,
                             [layer](KeyedArchiver& c) { layer->encodeWithCoder(c); });
}

std::shared_ptr<CPTLayer> decodeAnyLayer(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeSharedObject<CPTLayer>(key, {CPT_ARCHIVED_LAYER_CLASSES}, CPTLayer::layerWithCoder);
}

void encodeList(KeyedArchiver& coder, std::string_view key, std::size_t count,
                const std::function<void(KeyedArchiver&, std::size_t, const std::string&)>& one) {
    coder.encodeObject("NSArray", key, [count, &one](KeyedArchiver& c) {
        c.encodeInteger(static_cast<std::int64_t>(count), "NS.count");
        for (std::size_t i = 0; i < count; ++i)
            one(c, i, "NS.object." + std::to_string(i));
    });
}

bool decodeList(KeyedUnarchiver& coder, std::string_view key,
                const std::function<bool(KeyedUnarchiver&, const std::string&)>& one) {
    auto list = coder.decodeObjectForKey(key, {"NSArray"});
    if (!list)
        return false;
    const std::int64_t count = list->decodeIntegerForKey("NS.count");
    if (count < 0 || count > 1'000'000) {
        coder.failWithError("\"" + std::string(key) + "\" has an impossible count.");
        return false;
    }
    for (std::int64_t i = 0; i < count && !coder.failed(); ++i) {
        const std::string k = "NS.object." + std::to_string(i);
        if (!list->containsValueForKey(k)) {
            coder.failWithError("\"" + std::string(key) + "\" has fewer entries than it counts.");
            return false;
        }
        if (!one(*list, k) && !coder.failed())
            coder.failWithError("\"" + std::string(key) + "\" has an empty entry (" +
                                list->classNameForKey(k).value_or("nil") + ").");
    }
    return !coder.failed();
}

void encodeAnnotation(KeyedArchiver& coder, const CPTAnnotation* annotation, std::string_view key) {
    if (annotation == nullptr)
        return;
    coder.encodeSharedObject(static_cast<const void*>(annotation), annotation->className(), key,
                             [annotation](KeyedArchiver& c) { annotation->encodeWithCoder(c); });
}

std::shared_ptr<CPTAnnotation> decodeAnnotation(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeSharedObject<CPTAnnotation>(key, {"CPTLayerAnnotation", "CPTPlotSpaceAnnotation"},
                                                   CPTAnnotation::annotationWithCoder);
}

namespace {
template <class Style>
void encodeShared(KeyedArchiver& coder, const std::shared_ptr<Style>& style, const char* className,
                  std::string_view key) {
    if (style)
        coder.encodeSharedObject(static_cast<const void*>(style.get()), className, key,
                                 [&style](KeyedArchiver& c) { style->encodeWithCoder(c); });
}
} // namespace

void encodeLineStyle(KeyedArchiver& coder, const std::shared_ptr<CPTLineStyle>& style, std::string_view key) {
    encodeShared(coder, style, style ? style->className() : "", key);
}
std::shared_ptr<CPTLineStyle> decodeLineStyle(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeSharedObject<CPTLineStyle>(key, {"CPTLineStyle", "CPTMutableLineStyle"},
                                                  CPTLineStyle::lineStyleWithCoder);
}
void encodeTextStyle(KeyedArchiver& coder, const std::shared_ptr<CPTTextStyle>& style, std::string_view key) {
    encodeShared(coder, style, style ? style->className() : "", key);
}
std::shared_ptr<CPTTextStyle> decodeTextStyle(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeSharedObject<CPTTextStyle>(key, {"CPTTextStyle", "CPTMutableTextStyle"},
                                                  CPTTextStyle::textStyleWithCoder);
}
void encodeFill(KeyedArchiver& coder, const std::shared_ptr<CPTFill>& fill, std::string_view key) {
    encodeShared(coder, fill, CPTFill::classForCoder(), key);
}
std::shared_ptr<CPTFill> decodeFill(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeSharedObject<CPTFill>(key, {"CPTFill"}, CPTFill::fillWithCoder);
}
void encodeShadow(KeyedArchiver& coder, const std::shared_ptr<CPTShadow>& shadow, std::string_view key) {
    encodeShared(coder, shadow, shadow ? shadow->className() : "", key);
}
std::shared_ptr<CPTShadow> decodeShadow(KeyedUnarchiver& coder, std::string_view key) {
    return coder.decodeSharedObject<CPTShadow>(key, {"CPTShadow", "CPTMutableShadow"}, CPTShadow::shadowWithCoder);
}
void encodeRange(KeyedArchiver& coder, const std::shared_ptr<CPTPlotRange>& range, std::string_view key) {
    if (range)
        range->encodeForKey(coder, key);
}
std::shared_ptr<CPTPlotRange> decodeRange(KeyedUnarchiver& coder, std::string_view key) {
    return CPTPlotRange::decodeForKey(coder, key);
}

void encodeLimitBands(KeyedArchiver& coder, const std::vector<std::shared_ptr<CPTLimitBand>>& bands,
                      std::string_view key) {
    encodeList(coder, key, bands.size(), [&bands](KeyedArchiver& c, std::size_t i, const std::string& k) {
        c.encodeObject("CPTLimitBand", k, [&band = bands[i]](KeyedArchiver& b) {
            encodeRange(b, band->range(), "CPTLimitBand.range");
            encodeFill(b, band->fill(), "CPTLimitBand.fill");
        });
    });
}

std::vector<std::shared_ptr<CPTLimitBand>> decodeLimitBands(KeyedUnarchiver& coder, std::string_view key) {
    std::vector<std::shared_ptr<CPTLimitBand>> bands;
    decodeList(coder, key, [&bands](KeyedUnarchiver& c, const std::string& k) {
        auto band = c.decodeObjectForKey(k, {"CPTLimitBand"});
        if (!band)
            return false;
        auto fill = decodeFill(*band, "CPTLimitBand.fill");
        bands.push_back(
            CPTLimitBand::limitBandWithRange(decodeRange(*band, "CPTLimitBand.range"), fill ? fill->copy() : nullptr));
        return true;
    });
    return bands;
}

CGFloat decodeFinite(KeyedUnarchiver& coder, std::string_view key, CGFloat missing) {
    if (!coder.containsValueForKey(key))
        return missing;
    const CGFloat value = decodeCGFloatForKey(coder, key);
    if (!std::isfinite(value)) {
        coder.failWithError("\"" + std::string(key) + "\" is not a finite number.");
        return missing;
    }
    return value;
}

CGFloat decodeAngle(KeyedUnarchiver& coder, std::string_view key, CGFloat missing) {
    if (!coder.containsValueForKey(key))
        return missing;
    const CGFloat value = decodeCGFloatForKey(coder, key);
    if (std::isinf(value)) {
        coder.failWithError("\"" + std::string(key) + "\" is not a finite number.");
        return missing;
    }
    return value;
}

CGPoint decodeFinitePoint(KeyedUnarchiver& coder, std::string_view key) {
    const std::string k(key);
    return {decodeFinite(coder, k + ".x"), decodeFinite(coder, k + ".y")};
}

CGSize decodeFiniteSize(KeyedUnarchiver& coder, std::string_view key) {
    const std::string k(key);
    return {decodeFinite(coder, k + ".width"), decodeFinite(coder, k + ".height")};
}

std::int64_t decodeEnum(KeyedUnarchiver& coder, std::string_view key, std::int64_t low, std::int64_t high,
                        std::int64_t missing) {
    if (!coder.containsValueForKey(key))
        return missing;
    const std::int64_t value = coder.decodeIntegerForKey(key);
    if (value < low || value > high) {
        coder.failWithError("\"" + std::string(key) + "\" is out of range.");
        return missing;
    }
    return value;
}

std::uint64_t decodeUnsigned(KeyedUnarchiver& coder, std::string_view key) {
    const std::int64_t value = coder.decodeIntegerForKey(key);
    if (value < 0) {
        coder.failWithError("\"" + std::string(key) + "\" is negative.");
        return 0;
    }
    return static_cast<std::uint64_t>(value);
}

Value decodeNumber(KeyedUnarchiver& coder, std::string_view key, const Value& missing) {
    if (!coder.containsValueForKey(key))
        return missing;
    Value value = coder.decodeValueForKey(key);
    if (!value.isNull() && !value.isNumber()) {
        coder.failWithError("\"" + std::string(key) + "\" is not a number.");
        return missing;
    }
    return value;
}

std::optional<Value::Array> decodeNumbers(KeyedUnarchiver& coder, std::string_view key) {
    if (!coder.containsValueForKey(key))
        return std::nullopt;
    Value value = coder.decodeValueForKey(key);
    if (value.isNull())
        return std::nullopt;
    bool numbers = value.kind() == Value::Kind::Array;
    if (numbers)
        for (const Value& v : value.array())
            numbers = numbers && v.isNumber();
    if (!numbers) {
        coder.failWithError("\"" + std::string(key) + "\" is not a list of numbers.");
        return std::nullopt;
    }
    return value.array();
}

void encodeOptionalString(KeyedArchiver& coder, const std::optional<std::string>& text, std::string_view key) {
    if (text)
        coder.encodeString(*text, key);
}

std::optional<std::string> decodeOptionalString(KeyedUnarchiver& coder, std::string_view key) {
    if (!coder.containsValueForKey(key))
        return std::nullopt;
    return coder.decodeStringForKey(key);
}

namespace {
Value colorValue(const gfx::Color& c) {
    return Value(Value::Array{Value(c.red), Value(c.green), Value(c.blue), Value(c.alpha)});
}

std::optional<gfx::Color> colorOf(const Value* value) {
    if (value == nullptr || value->kind() != Value::Kind::Array || value->array().size() != 4)
        return std::nullopt;
    double c[4];
    for (std::size_t k = 0; k < 4; ++k) {
        const Value& part = value->array()[k];
        if (!part.isNumber() || !std::isfinite(part.toDouble()))
            return std::nullopt;
        c[k] = part.toDouble();
    }
    return gfx::Color{c[0], c[1], c[2], c[3]};
}

const Value* field(const Value::Dictionary& d, std::string_view name, Value::Kind kind) {
    const auto it = d.find(name);
    return it == d.end() || it->second.kind() != kind ? nullptr : &it->second;
}
} // namespace

void encodeRichText(KeyedArchiver& coder, const std::optional<gfx::RichText>& text, std::string_view key) {
    if (!text)
        return;
    Value::Array runs;
    for (const gfx::RichText::Item& item : text->items()) {
        if (item.kind != gfx::RichText::Item::Kind::Run)
            continue;
        const gfx::RichText::Run& run = item.run;
        Value::Dictionary d;
        d.emplace("text", Value(run.text));
        d.emplace("family", Value(run.attributes.family));
        d.emplace("size", Value(run.attributes.size));
        d.emplace("bold", Value(run.attributes.bold));
        d.emplace("italic", Value(run.attributes.italic));
        d.emplace("color", colorValue(run.attributes.color));
        d.emplace("underline", Value(run.attributes.underline));
        d.emplace("strikethrough", Value(run.attributes.strikethrough));
        if (run.attributes.strikethroughColor)
            d.emplace("strikethroughColor", colorValue(*run.attributes.strikethroughColor));
        if (run.attributes.backgroundColor)
            d.emplace("backgroundColor", colorValue(*run.attributes.backgroundColor));
        if (!run.attributes.link.empty())
            d.emplace("link", Value(run.attributes.link));
        d.emplace("alignment", Value(static_cast<std::int64_t>(run.paragraph.alignment)));
        d.emplace("lineBreak", Value(static_cast<std::int64_t>(run.paragraph.lineBreak)));
        runs.emplace_back(std::move(d));
    }
    coder.encodeObject("NSAttributedString", key,
                       [&runs](KeyedArchiver& c) { c.encodeValue(Value(std::move(runs)), "NS.runs"); });
}

std::optional<gfx::RichText> decodeRichText(KeyedUnarchiver& coder, std::string_view key) {
    auto nested = coder.decodeObjectForKey(key, {"NSAttributedString"});
    if (!nested)
        return std::nullopt;
    const Value runs = nested->decodeValueForKey("NS.runs");
    const std::string bad = "\"" + std::string(key) + "\" is not rich text.";
    if (runs.kind() != Value::Kind::Array) {
        coder.failWithError(bad);
        return std::nullopt;
    }
    gfx::RichText text;
    for (const Value& run : runs.array()) {
        if (run.kind() != Value::Kind::Dictionary) {
            coder.failWithError(bad);
            return std::nullopt;
        }
        const Value::Dictionary& d = run.dictionary();
        const Value* string = field(d, "text", Value::Kind::String);
        const Value* family = field(d, "family", Value::Kind::String);
        const Value* size = field(d, "size", Value::Kind::Double);
        const auto color = colorOf(field(d, "color", Value::Kind::Array));
        if (string == nullptr || family == nullptr || size == nullptr || !color || !std::isfinite(size->toDouble())) {
            coder.failWithError(bad);
            return std::nullopt;
        }
        gfx::TextAttributes attributes;
        attributes.family = family->string();
        attributes.size = size->toDouble();
        attributes.color = *color;
        auto flag = [&d](std::string_view name) {
            const Value* v = field(d, name, Value::Kind::Bool);
            return v != nullptr && v->toBool();
        };
        attributes.bold = flag("bold");
        attributes.italic = flag("italic");
        attributes.underline = flag("underline");
        attributes.strikethrough = flag("strikethrough");
        attributes.strikethroughColor = colorOf(field(d, "strikethroughColor", Value::Kind::Array));
        attributes.backgroundColor = colorOf(field(d, "backgroundColor", Value::Kind::Array));
        if (const Value* link = field(d, "link", Value::Kind::String))
            attributes.link = link->string();
        gfx::ParagraphStyle paragraph = text.paragraphStyle();
        if (const Value* a = field(d, "alignment", Value::Kind::Integer); a && a->toInt64() >= 0 && a->toInt64() <= 4)
            paragraph.alignment = static_cast<gfx::TextAlignment>(a->toInt64());
        if (const Value* b = field(d, "lineBreak", Value::Kind::Integer); b && b->toInt64() >= 0 && b->toInt64() <= 5)
            paragraph.lineBreak = static_cast<gfx::LineBreakMode>(b->toInt64());
        text.setParagraphStyle(paragraph);
        text.append(string->string(), attributes);
    }
    return text;
}

} // namespace cptarchive
