// One outline stroked at many points in one call: on a bitmap it paints what stroking each copy one
// after another paints (pixel by pixel, within rounding), honours the clip and leaves the current path;
// where copies would not rasterise alike, or the target keeps vectors, it draws nothing and says so.
#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace gfx;

namespace {

Path plusOutline(double half) {
    Path p;
    p.moveTo({0, half});
    p.lineTo({0, -half});
    p.moveTo({-half, 0});
    p.lineTo({half, 0});
    return p;
}

Path triangleOutline() {
    Path p;
    p.moveTo({0, 4});
    p.lineTo({3.5, -2});
    p.lineTo({-3.5, -2});
    p.closeSubpath();
    return p;
}

void strokeOneByOne(Context& context, const Path& outline, const std::vector<Point>& points) {
    for (const Point& p : points) {
        context.beginPath();
        context.addPath(outline.transformed(AffineTransform::translation(p.x, p.y)));
        context.strokePath();
    }
}

double worstChannel(Color a, Color b) {
    return std::max({std::fabs(a.red - b.red), std::fabs(a.green - b.green), std::fabs(a.blue - b.blue),
                     std::fabs(a.alpha - b.alpha)});
}

} // namespace

TEST(StrokeCopies, ABitmapPaintsWhatStrokingEachCopyPaints) {
    struct Case {
        const char* name;
        double scale;
        Path outline;
        double width;
        LineCap cap;
        Color colour;
        std::vector<Point> points;
        Rect clip; // null: none
    };
    // Copies on whole pixels apart (at scale 2, half points), some on top of one another, some partly or
    // wholly off the bitmap.
    const std::vector<Point> spread{{10.5, 10.5}, {30.5, 12.5}, {31.5, 13.5}, {31.5, 13.5}, {58.5, 40.5},
                                    {-2.5, 20.5}, {20.5, 64.5}, {-300.5, 20.5}, {1e12 + 0.5, 10.5}};
    const std::vector<Point> halves{{10, 10}, {12.5, 11}, {30.5, 20.5}, {31, 21}, {31, 21}, {45.5, 44}};
    const Case cases[] = {
        {"plus, black, scale 1", 1, plusOutline(4), 1, LineCap::Butt, Color::black(), spread, Rect::null()},
        {"plus, half-transparent red, scale 1", 1, plusOutline(3), 1, LineCap::Round, Color{1, 0, 0, 0.5},
         spread, Rect::null()},
        {"plus, black, scale 2", 2, plusOutline(3), 1, LineCap::Butt, Color::black(), halves, Rect::null()},
        {"thick round plus, blue, scale 2", 2, plusOutline(4), 2.5, LineCap::Round, Color{0, 0, 1, 1}, halves,
         Rect::null()},
        {"outlined triangle, green, scale 1", 1, triangleOutline(), 1.5, LineCap::Butt, Color{0, 0.6, 0, 1},
         spread, Rect::null()},
        {"plus, clipped", 1, plusOutline(4), 1, LineCap::Butt, Color::black(), spread, Rect(12, 8, 30, 40)},
    };
    const Size side{60, 60};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto prepare = [&](Context& context) {
            context.setStrokeColor(c.colour);
            context.setLineWidth(c.width);
            context.setLineCap(c.cap);
            if (!c.clip.isNull())
                context.clipToRect(c.clip);
        };
        auto together = BitmapContext::pointsContext(side, c.scale, Color::white());
        prepare(together->context());
        ASSERT_TRUE(together->context().strokePathCopiesAtPoints(c.outline, c.points));
        auto alone = BitmapContext::pointsContext(side, c.scale, Color::white());
        prepare(alone->context());
        strokeOneByOne(alone->context(), c.outline, c.points);
        const Image a = together->image(), b = alone->image();
        ASSERT_EQ(a.pixelWidth(), b.pixelWidth());
        ASSERT_EQ(a.pixelHeight(), b.pixelHeight());
        int inked = 0;
        for (int y = 0; y < a.pixelHeight(); ++y) {
            for (int x = 0; x < a.pixelWidth(); ++x) {
                const Color pa = a.pixel(x, y), pb = b.pixel(x, y);
                inked += pb != Color::white();
                ASSERT_EQ(pa == Color::white(), pb == Color::white()) << x << ", " << y;
                // Blending once instead of once per copy rounds differently, by a step or two at most.
                ASSERT_LE(worstChannel(pa, pb), 3 / 255.0) << x << ", " << y;
            }
        }
        EXPECT_GT(inked, 20);
        if (!c.clip.isNull()) {
            // Nothing lands outside the clip, though copies lie across it.
            const double s = c.scale;
            EXPECT_EQ(a.pixel(int(10.5 * s), int(10.5 * s)), Color::white());
            EXPECT_NE(a.pixel(int(30.5 * s), int(12.5 * s)), Color::white());
        }
    }
}

TEST(StrokeCopies, LeavesTheCurrentPathAndDrawsNothingWhenItCannot) {
    const Path outline = plusOutline(3);
    const std::vector<Point> points{{10.5, 10.5}, {20.5, 20.5}};
    struct Case {
        const char* name;
        std::function<void(Context&)> prepare;
        std::vector<Point> at;
    };
    const Case refused[] = {
        {"copies a fraction of a pixel apart", [](Context&) {}, {{10.5, 10.5}, {20.25, 20.5}}},
        {"a shadow", [](Context& c) { c.setShadow({1, 1}, 2, Color::black()); }, points},
        {"an alpha below one", [](Context& c) { c.setAlpha(0.5); }, points},
        {"a dash", [](Context& c) { c.setLineDash(0, {2, 1}); }, points},
        {"a point that is not finite", [](Context&) {}, {{10.5, 10.5}, {std::nan(""), 3}}},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        auto bitmap = BitmapContext::pointsContext({40, 40}, 1, Color::white());
        Context& context = bitmap->context();
        c.prepare(context);
        context.addRect(Rect(1, 1, 2, 2));
        const Path before = context.devicePath();
        EXPECT_FALSE(context.strokePathCopiesAtPoints(outline, c.at));
        EXPECT_EQ(context.devicePath(), before);
        const Image image = bitmap->image();
        for (int y = 0; y < image.pixelHeight(); ++y)
            for (int x = 0; x < image.pixelWidth(); ++x)
                ASSERT_EQ(image.pixel(x, y), Color::white()) << x << ", " << y;
    }

    // A recording keeps vectors and a PDF page its paths: both leave the copies to the caller.
    auto recording = makeRecordingContext(Rect(0, 0, 40, 40));
    EXPECT_FALSE(recording.context->strokePathCopiesAtPoints(outline, points));
    EXPECT_TRUE(recording.recorder->records().empty());
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    auto pdf = makePDFDataContext(bytes, Rect(0, 0, 40, 40));
    pdf->beginPage(Rect(0, 0, 40, 40));
    EXPECT_FALSE(pdf->strokePathCopiesAtPoints(outline, points));
    pdf->endPage();

    // Copies that all lie off the bitmap are done with: nothing to paint.
    auto bitmap = BitmapContext::pointsContext({40, 40}, 1, Color::white());
    const std::vector<Point> away{{-100.5, 10.5}, {300.5, 10.5}};
    EXPECT_TRUE(bitmap->context().strokePathCopiesAtPoints(outline, away));
}
