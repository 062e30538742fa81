// Rectangles and affine transforms with the platform's order of composition.
#include "platform/graphics/Geometry.h"

#include <gtest/gtest.h>
#include <numbers>

using namespace gfx;

namespace {
void expectNear(Point a, Point b) {
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
}
void expectNear(const Rect& a, const Rect& b) {
    EXPECT_NEAR(a.origin.x, b.origin.x, 1e-9);
    EXPECT_NEAR(a.origin.y, b.origin.y, 1e-9);
    EXPECT_NEAR(a.size.width, b.size.width, 1e-9);
    EXPECT_NEAR(a.size.height, b.size.height, 1e-9);
}
} // namespace

TEST(AffineTransform, ConcatAppliesTheReceiverFirst) {
    AffineTransform t = AffineTransform::translation(10, 0).concat(AffineTransform::scale(2, 2));
    expectNear(t.apply(Point{1, 1}), Point{22, 2});
    // The helpers put the new step first, as the platform's translate/scale/rotate do.
    AffineTransform u = AffineTransform::scale(2, 2).translated(10, 0);
    expectNear(u.apply(Point{1, 1}), Point{22, 2});
}

TEST(AffineTransform, RotationTurnsXTowardsY) {
    AffineTransform r = AffineTransform::rotation(std::numbers::pi / 2);
    expectNear(r.apply(Point{1, 0}), Point{0, 1});
}

TEST(AffineTransform, InverseAndSingular) {
    AffineTransform t = AffineTransform::rotation(0.3).scaled(2, -3).translated(5, 7);
    auto inv = t.inverted();
    ASSERT_TRUE(inv);
    expectNear(inv->apply(t.apply(Point{3, 4})), Point{3, 4});
    EXPECT_FALSE(AffineTransform::scale(0, 1).inverted());
    EXPECT_FALSE((AffineTransform{1, 0, 0, 1, NAN, 0}).isInvertible());
}

TEST(Rect, StandardizeIntersectUnionInset) {
    expectNear(Rect(10, 10, -5, -5).standardized(), Rect(5, 5, 5, 5));
    expectNear(Rect(0, 0, 10, 10).intersection(Rect(5, 5, 10, 10)), Rect(5, 5, 5, 5));
    EXPECT_TRUE(Rect(0, 0, 1, 1).intersection(Rect(2, 2, 1, 1)).isNull());
    expectNear(Rect::null().unionWith(Rect(1, 2, 3, 4)), Rect(1, 2, 3, 4));
    expectNear(Rect(0, 0, 10, 10).insetBy(2, 3), Rect(2, 3, 6, 4));
    EXPECT_TRUE(Rect(0, 0, 2, 2).insetBy(2, 0).isEmpty());
    expectNear(Rect(0.5, 0.2, 1, 1).integral(), Rect(0, 0, 2, 2));
}

TEST(AffineTransform, RectsAreBoundingBoxesStandardised) {
    // A flip with scale 2: (10, 20, 30, 40) has y from 20 to 60, mapped to 2 * (100 - y).
    AffineTransform flip =
        AffineTransform::scale(1, -1).translated(0, -100).concat(AffineTransform::scale(2, 2));
    expectNear(flip.apply(Rect(10, 20, 30, 40)), Rect(20, 80, 60, 80));
    expectNear(AffineTransform::rotation(std::numbers::pi / 2).apply(Rect(0, 0, 10, 20)),
               Rect(-20, 0, 20, 10));
}
