// Tick labels and axis titles: the layer that shows one, the value it belongs to, and how far from the
// axis, at what angle and with what alignment it sits. Each places its layer beside a view point.
#pragma once

namespace foundation {
class KeyedArchiver;
class KeyedUnarchiver;
} // namespace foundation

#include "platform/foundation/Value.h"
#include "plot/graph/CPTDefinitions.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class CPTLayer;
class CPTTextStyle;

class CPTAxisLabel {
  public:
    // The layer is shared; offset 20, rotation 0, centred, at the tick location 0.0.
    explicit CPTAxisLabel(std::shared_ptr<CPTLayer> contentLayer);
    // A text layer with the text in the style (both may be none).
    CPTAxisLabel(std::optional<std::string> text, std::shared_ptr<CPTTextStyle> style);
    CPTAxisLabel() : CPTAxisLabel(std::nullopt, nullptr) {}
    virtual ~CPTAxisLabel() = default;
    virtual const char* className() const { return "CPTAxisLabel"; }

    // Plain stores: the owning axis places its labels again itself.
    const std::shared_ptr<CPTLayer>& contentLayer() const { return contentLayer_; }
    void setContentLayer(std::shared_ptr<CPTLayer> layer) { contentLayer_ = std::move(layer); }
    CGFloat offset() const { return offset_; }
    void setOffset(CGFloat offset) { offset_ = offset; }
    // Radians about the layer's anchor; NaN turns a label beside a y axis by a quarter turn.
    CGFloat rotation() const { return rotation_; }
    void setRotation(CGFloat rotation) { rotation_ = rotation; }
    CPTAlignment alignment() const { return alignment_; }
    void setAlignment(CPTAlignment alignment) { alignment_ = alignment; }
    // A null value is "no location".
    const foundation::Value& tickLocation() const { return tickLocation_; }
    void setTickLocation(const foundation::Value& location) { tickLocation_ = location; }

    // Moves the content layer `offset` away from the point along the coordinate (1 for labels of an x
    // axis, 0 for a y axis), towards positive values for direction 1 and negative ones for 0 and -1,
    // turns it and sets its anchor on the side that faces the point. A coordinate other than 0 and 1,
    // or another direction, raises the invalid-argument exception and moves nothing.
    void positionRelativeToViewPoint(CGPoint point, CPTCoordinate coordinate, CPTSign direction);
    void positionBetweenViewPoint(CGPoint first, CGPoint second, CPTCoordinate coordinate, CPTSign direction);

    // Labels are set members by tick location: a label equals another label (of its class or a
    // subclass) with a numerically equal location, whatever its text; a null location equals nothing
    // but the label itself.
    virtual bool isEqual(const CPTAxisLabel& other) const;
    virtual std::int64_t hash() const;
    std::string description() const;

    // "CPTAxisLabel.contentLayer", ".offset", ".rotation", ".alignment", ".tickLocation"; labels and
    // titles are shared objects known as CPTAxisLabel. A missing tick location reads as 0.0.
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    static std::shared_ptr<CPTAxisLabel> labelWithCoder(foundation::KeyedUnarchiver& coder);

    // |v| modulo 2^64, rounded, as a saturated signed integer; 0 for NaN (and for no number).
    static std::int64_t hashOfNumber(double value);

  private:
    std::shared_ptr<CPTLayer> contentLayer_;
    CGFloat offset_ = 20.0;
    CGFloat rotation_ = 0.0;
    CPTAlignment alignment_ = CPTAlignmentCenter;
    foundation::Value tickLocation_ = foundation::Value(0.0);
};

// An axis title: a label whose rotation starts automatic (NaN).
class CPTAxisTitle : public CPTAxisLabel {
  public:
    explicit CPTAxisTitle(std::shared_ptr<CPTLayer> contentLayer);
    CPTAxisTitle(std::optional<std::string> text, std::shared_ptr<CPTTextStyle> style);
    // None for a missing layer: a title without a layer is not made.
    static std::shared_ptr<CPTAxisTitle> titleWithContentLayer(std::shared_ptr<CPTLayer> contentLayer);
    const char* className() const override { return "CPTAxisTitle"; }

    // Equal rotations and offsets (as doubles: a NaN rotation equals nothing), equal content layers and
    // numerically equal locations.
    bool isEqual(const CPTAxisLabel& other) const override;
    std::int64_t hash() const override;
};
