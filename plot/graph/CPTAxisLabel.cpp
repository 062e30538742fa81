// Placing a label beside its tick, and label identity by tick location.
#include "plot/graph/CPTAxisLabel.h"

#include "plot/foundation/CPTException.h"
#include "plot/graph/CPTLayer.h"
#include "plot/graph/CPTTextLayer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

CPTAxisLabel::CPTAxisLabel(std::shared_ptr<CPTLayer> contentLayer) : contentLayer_(std::move(contentLayer)) {}

CPTAxisLabel::CPTAxisLabel(std::optional<std::string> text, std::shared_ptr<CPTTextStyle> style)
    : CPTAxisLabel(std::make_shared<CPTTextLayer>(std::move(text), std::move(style))) {}

void CPTAxisLabel::positionRelativeToViewPoint(CGPoint point, CPTCoordinate coordinate, CPTSign direction) {
    if (!contentLayer_)
        return;
    if (coordinate != CPTCoordinateX && coordinate != CPTCoordinateY)
        throw CPTException(NSInvalidArgumentException,
                           "Invalid coordinate in positionRelativeToViewPoint:forCoordinate:inDirection:");
    if (direction != CPTSignPositive && direction != CPTSignNone && direction != CPTSignNegative)
        throw CPTException(NSInvalidArgumentException,
                           "Invalid direction in positionRelativeToViewPoint:forCoordinate:inDirection:");
    constexpr double pi = std::numbers::pi;
    const double r = std::isnan(rotation_) ? (coordinate == CPTCoordinateX ? pi / 2 : 0.0) : rotation_;
    contentLayer_->setTransform(gfx::AffineTransform::rotation(r));
    const CGSize size = contentLayer_->frame().size;
    const double w = size.width;
    const double h = size.height;

    double& along = coordinate == CPTCoordinateX ? point.x : point.y;
    double baseAngle;
    if (direction == CPTSignPositive) {
        along += offset_;
        baseAngle = coordinate == CPTCoordinateX ? pi : 1.5 * pi;
    } else {
        along -= offset_;
        baseAngle = coordinate == CPTCoordinateX ? 2 * pi : 0.5 * pi;
    }
    if (coordinate == CPTCoordinateY) {
        if (alignment_ == CPTAlignmentLeft)
            point.x += w / 2;
        else if (alignment_ == CPTAlignmentRight)
            point.x -= w / 2;
    } else {
        if (alignment_ == CPTAlignmentTop)
            point.y -= h / 2;
        else if (alignment_ == CPTAlignmentBottom)
            point.y += h / 2;
    }
    const double theta = baseAngle - r;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    const double m = std::max(std::fabs(c), std::fabs(s));
    contentLayer_->setAnchorPoint(CGPoint{(1 + c / m) / 2, (1 + s / m) / 2});
    contentLayer_->setPosition(point);
    contentLayer_->pixelAlign();
}

void CPTAxisLabel::positionBetweenViewPoint(CGPoint first, CGPoint second, CPTCoordinate coordinate,
                                            CPTSign direction) {
    positionRelativeToViewPoint(CGPoint{(first.x + second.x) / 2, (first.y + second.y) / 2}, coordinate,
                                direction);
}

bool CPTAxisLabel::isEqual(const CPTAxisLabel& other) const {
    if (this == &other)
        return true;
    if (other.tickLocation_.isNull() || !other.tickLocation_.isNumber() || !tickLocation_.isNumber())
        return false;
    return tickLocation_ == other.tickLocation_;
}

std::int64_t CPTAxisLabel::hashOfNumber(double value) {
    if (std::isnan(value))
        return 0;
    const double reduced = std::fmod(std::fabs(value), 18446744073709551616.0); // 2^64
    return CPTIntegerFromDouble<std::int64_t>(std::round(reduced));
}

std::int64_t CPTAxisLabel::hash() const {
    return tickLocation_.isNumber() ? hashOfNumber(tickLocation_.toDouble()) : 0;
}

std::string CPTAxisLabel::description() const {
    return "<" + CPTObjectDescription(className(), this) + " {" +
           (contentLayer_ ? contentLayer_->description() : std::string("(null)")) + "}>";
}

CPTAxisTitle::CPTAxisTitle(std::shared_ptr<CPTLayer> contentLayer) : CPTAxisLabel(std::move(contentLayer)) {
    setRotation(std::numeric_limits<double>::quiet_NaN());
}

CPTAxisTitle::CPTAxisTitle(std::optional<std::string> text, std::shared_ptr<CPTTextStyle> style)
    : CPTAxisLabel(std::move(text), std::move(style)) {
    setRotation(std::numeric_limits<double>::quiet_NaN());
}

std::shared_ptr<CPTAxisTitle> CPTAxisTitle::titleWithContentLayer(std::shared_ptr<CPTLayer> contentLayer) {
    if (!contentLayer)
        return nullptr;
    return std::make_shared<CPTAxisTitle>(std::move(contentLayer));
}

bool CPTAxisTitle::isEqual(const CPTAxisLabel& other) const {
    if (this == &other)
        return true;
    const auto* title = dynamic_cast<const CPTAxisTitle*>(&other);
    if (!title)
        return false;
    if (!(rotation() == title->rotation()) || !(offset() == title->offset()))
        return false;
    if (contentLayer() != title->contentLayer())
        return false;
    return CPTAxisLabel::isEqual(other);
}

std::int64_t CPTAxisTitle::hash() const {
    // Wrapping sum, as the platform's unsigned arithmetic would.
    const auto sum = static_cast<std::uint64_t>(CPTAxisLabel::hash()) +
                     static_cast<std::uint64_t>(hashOfNumber(rotation())) +
                     static_cast<std::uint64_t>(hashOfNumber(offset()));
    return static_cast<std::int64_t>(sum);
}
