// Axis labels and titles: placement beside a view point in every direction, and identity by tick
// location.
#include "plot/foundation/CPTException.h"
#include "plot/graph/CPTAxisLabel.h"
#include "plot/graph/CPTAxisLabelGroup.h"
#include "plot/graph/CPTLayer.h"
#include "plot/graph/CPTTextLayer.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace {

std::shared_ptr<CPTLayer> box(double width, double height) {
    return std::make_shared<CPTLayer>(CGRect(0, 0, width, height));
}

void expectPoint(CGPoint actual, CGPoint expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

} // namespace

TEST(CPTAxisLabel, Defaults) {
    CPTAxisLabel label(box(10, 10));
    EXPECT_EQ(label.offset(), 20.0);
    EXPECT_EQ(label.rotation(), 0.0);
    EXPECT_EQ(label.alignment(), CPTAlignmentCenter);
    EXPECT_EQ(label.tickLocation(), foundation::Value(0.0));
    CPTAxisLabel text(std::string("3.0"), nullptr);
    ASSERT_NE(dynamic_cast<CPTTextLayer*>(text.contentLayer().get()), nullptr);
    EXPECT_TRUE(std::isnan(CPTAxisTitle(box(1, 1)).rotation()));
    EXPECT_TRUE(std::isnan(CPTAxisTitle(std::string("T"), nullptr).rotation()));
    EXPECT_EQ(CPTAxisTitle::titleWithContentLayer(nullptr), nullptr) << "no layer, no title";
}

TEST(CPTAxisLabel, PlacesItsLayerBesideThePoint) {
    struct Case {
        const char* name;
        CPTCoordinate coordinate;
        CPTSign direction;
        CPTAlignment alignment;
        CGPoint position;
        CGPoint anchor;
    };
    // A 40 x 10 layer, offset 20, at (100, 50).
    const Case cases[] = {
        {"below an x axis", CPTCoordinateY, CPTSignNegative, CPTAlignmentCenter, {100, 30}, {0.5, 1}},
        {"no direction acts as negative", CPTCoordinateY, CPTSignNone, CPTAlignmentCenter, {100, 30}, {0.5, 1}},
        {"above an x axis", CPTCoordinateY, CPTSignPositive, CPTAlignmentCenter, {100, 70}, {0.5, 0}},
        {"left edge at the tick", CPTCoordinateY, CPTSignNegative, CPTAlignmentLeft, {120, 30}, {0.5, 1}},
        {"right edge at the tick", CPTCoordinateY, CPTSignNegative, CPTAlignmentRight, {80, 30}, {0.5, 1}},
        {"left of a y axis", CPTCoordinateX, CPTSignNegative, CPTAlignmentMiddle, {80, 50}, {1, 0.5}},
        {"right of a y axis", CPTCoordinateX, CPTSignPositive, CPTAlignmentMiddle, {120, 50}, {0, 0.5}},
        {"top edge at the tick", CPTCoordinateX, CPTSignNegative, CPTAlignmentTop, {80, 45}, {1, 0.5}},
        {"bottom edge at the tick", CPTCoordinateX, CPTSignNegative, CPTAlignmentBottom, {80, 55}, {1, 0.5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPTAxisLabel label(box(40, 10));
        label.setAlignment(c.alignment);
        label.positionRelativeToViewPoint(CGPoint{100, 50}, c.coordinate, c.direction);
        expectPoint(label.contentLayer()->position(), c.position);
        expectPoint(label.contentLayer()->anchorPoint(), c.anchor);
    }
}

TEST(CPTAxisLabel, RotationTurnsTheLayerAndKeepsTheNearestCornerOnThePoint) {
    constexpr double pi = std::numbers::pi;
    CPTAxisLabel label(box(40, 10));
    label.setRotation(pi / 4);
    label.positionRelativeToViewPoint(CGPoint{100, 50}, CPTCoordinateY, CPTSignNegative);
    // theta = pi/2 - pi/4: the ray leaves the box through its top-right corner.
    expectPoint(label.contentLayer()->anchorPoint(), CGPoint{1, 1});
    const auto t = label.contentLayer()->transform();
    EXPECT_NEAR(t.a, std::cos(pi / 4), 1e-12);
    EXPECT_NEAR(t.b, std::sin(pi / 4), 1e-12);

    // Titles: automatic (NaN) rotation reads upwards beside a y axis and stays flat under an x axis.
    CPTAxisTitle beside(box(40, 10));
    beside.positionRelativeToViewPoint(CGPoint{50, 100}, CPTCoordinateX, CPTSignNegative);
    EXPECT_NEAR(beside.contentLayer()->transform().b, 1.0, 1e-12);
    EXPECT_NEAR(beside.contentLayer()->frame().size.width, 10, 1e-9);
    // Turned upright, the layer's bottom edge faces the axis: anchor on its bottom middle.
    expectPoint(beside.contentLayer()->anchorPoint(), CGPoint{0.5, 0});
    CPTAxisTitle under(box(40, 10));
    under.positionRelativeToViewPoint(CGPoint{50, 100}, CPTCoordinateY, CPTSignNegative);
    EXPECT_NEAR(under.contentLayer()->transform().b, 0.0, 1e-12);
}

TEST(CPTAxisLabel, ABadCoordinateOrDirectionRaisesAndMovesNothing) {
    struct Case {
        CPTCoordinate coordinate;
        CPTSign direction;
        const char* reason;
    };
    const Case cases[] = {
        {CPTCoordinateY, static_cast<CPTSign>(2),
         "Invalid direction in positionRelativeToViewPoint:forCoordinate:inDirection:"},
        {static_cast<CPTCoordinate>(2), CPTSignNegative,
         "Invalid coordinate in positionRelativeToViewPoint:forCoordinate:inDirection:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        CPTAxisLabel label(box(40, 10));
        label.contentLayer()->setPosition(CGPoint{7, 8});
        try {
            label.positionRelativeToViewPoint(CGPoint{100, 50}, c.coordinate, c.direction);
            ADD_FAILURE() << "no exception";
        } catch (const CPTException& e) {
            EXPECT_EQ(e.name(), NSInvalidArgumentException);
            EXPECT_EQ(e.reason(), c.reason);
        }
        expectPoint(label.contentLayer()->position(), CGPoint{7, 8});
        expectPoint(label.contentLayer()->anchorPoint(), CGPoint{0.5, 0.5});
    }
    // Without a layer there is nothing to place, and nothing to complain about.
    CPTAxisLabel empty(nullptr);
    EXPECT_NO_THROW(empty.positionRelativeToViewPoint(CGPoint{}, static_cast<CPTCoordinate>(5), CPTSignNone));
}

TEST(CPTAxisLabel, EqualByNumericTickLocation) {
    CPTAxisLabel two(std::string("two"), nullptr);
    two.setTickLocation(foundation::Value(std::int64_t{2}));
    CPTAxisLabel twoDecimal(std::string("2.0"), nullptr);
    twoDecimal.setTickLocation(foundation::Value(foundation::Decimal::fromString("2.0")));
    CPTAxisLabel three(box(1, 1));
    three.setTickLocation(foundation::Value(3.0));
    CPTAxisLabel none(box(1, 1));
    none.setTickLocation(foundation::Value());
    CPTAxisLabel otherNone(box(1, 1));
    otherNone.setTickLocation(foundation::Value());

    EXPECT_TRUE(two.isEqual(twoDecimal));
    EXPECT_TRUE(twoDecimal.isEqual(two));
    EXPECT_EQ(two.hash(), twoDecimal.hash());
    EXPECT_FALSE(two.isEqual(three));
    EXPECT_TRUE(none.isEqual(none));
    EXPECT_FALSE(none.isEqual(otherNone));
    EXPECT_FALSE(two.isEqual(none));
    EXPECT_FALSE(none.isEqual(two));
}

TEST(CPTAxisLabel, HashIsTheRoundedMagnitudeModulo2To64) {
    struct Case {
        double value;
        std::int64_t hash;
    };
    const Case cases[] = {
        {2.6, 3},
        {-2.4, 2},
        {0.5, 1}, // std::round: halves away from zero
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {std::numeric_limits<double>::infinity(), 0},
        {36893488147419111424.0, 8192},                                    // 2^65 + 8192
        {13835058055282163712.0, std::numeric_limits<std::int64_t>::max()}, // 1.5 x 2^63 saturates
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(CPTAxisLabel::hashOfNumber(c.value), c.hash);
    }
}

TEST(CPTAxisTitle, EqualOnlyWithTheSameLookAndPlace) {
    auto layer = box(10, 10);
    CPTAxisTitle a(layer), b(layer);
    a.setTickLocation(foundation::Value(1.0));
    b.setTickLocation(foundation::Value(1.0));
    EXPECT_FALSE(a.isEqual(b)) << "a NaN rotation equals nothing";
    EXPECT_TRUE(a.isEqual(a));
    a.setRotation(0);
    b.setRotation(0);
    EXPECT_TRUE(a.isEqual(b));
    EXPECT_EQ(a.hash(), b.hash());
    b.setOffset(5);
    EXPECT_FALSE(a.isEqual(b));
    b.setOffset(a.offset());
    CPTAxisTitle c(box(10, 10));
    c.setRotation(0);
    c.setTickLocation(foundation::Value(1.0));
    EXPECT_FALSE(a.isEqual(c)) << "another content layer";

    CPTAxisLabel label(layer);
    label.setTickLocation(foundation::Value(1.0));
    EXPECT_FALSE(a.isEqual(label)) << "a plain label is not a title";
    EXPECT_TRUE(label.isEqual(a)) << "a title is a label";
}

TEST(CPTAxisLabelGroup, NeverDrawsOrMovesItsSublayers) {
    CPTAxisLabelGroup group(CGRect(0, 0, 100, 100));
    auto child = box(10, 10);
    child->setPosition(CGPoint{33, 44});
    group.addSublayer(child);
    group.layoutSublayers();
    expectPoint(child->position(), CGPoint{33, 44});
}
