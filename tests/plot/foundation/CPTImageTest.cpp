// Images: PNG loading with the screen-scale variant, bad files, whole, tiled and nine-part drawing,
// following the device scale, and equality over the bitmap.
#include "plot/foundation/CPTImage.h"

#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"
#include "platform/graphics/Screen.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <unistd.h>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

gfx::Image solid(int w, int h, gfx::Color c) {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < w * h; ++i)
        for (double v : {c.red, c.green, c.blue, c.alpha})
            rgba.push_back(static_cast<std::uint8_t>(v * 255));
    return gfx::Image::fromRGBA(w, h, rgba);
}

// A folder of this process for the files a case writes.
std::string folder() {
    static const std::string path = [] {
        auto dir = std::filesystem::temp_directory_path() / ("ovrida-cptimage-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return path;
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose header claims 40,000 x 40,000 pixels (6.4 GB of RGBA): too large to decode.
std::vector<std::uint8_t> hugePNG() {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
        const auto n = static_cast<std::uint32_t>(data.size());
        for (int shift : {24, 16, 8, 0})
            png.push_back(static_cast<std::uint8_t>(n >> shift));
        std::vector<std::uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        const std::uint32_t crc = crc32(body.data(), body.size());
        for (int shift : {24, 16, 8, 0})
            png.push_back(static_cast<std::uint8_t>(crc >> shift));
    };
    chunk("IHDR", {0, 0, 0x9c, 0x40, 0, 0, 0x9c, 0x40, 8, 6, 0, 0, 0});
    chunk("IDAT", {0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    chunk("IEND", {});
    return png;
}

struct ScreenScale {
    explicit ScreenScale(double scale) { gfx::setLargestScreenScale(scale); }
    ~ScreenScale() { gfx::setLargestScreenScale(1.0); }
};

std::vector<const gfx::Recorder::Record*> images(const gfx::Recorder& recorder) {
    std::vector<const gfx::Recorder::Record*> out;
    for (const auto& r : recorder.records())
        if (r.op == gfx::Recorder::Op::Image || r.op == gfx::Recorder::Op::TiledImage)
            out.push_back(&r);
    return out;
}

} // namespace

TEST(CPTImage, PNGFilesTakeTheVariantOfTheLargestScreenScale) {
    const std::string dir = folder();
    ASSERT_TRUE(solid(4, 4, {1, 0, 0, 1}).writePNG(dir + "/both.png"));
    ASSERT_TRUE(solid(8, 8, {0, 1, 0, 1}).writePNG(dir + "/both@2x.png"));
    ASSERT_TRUE(solid(12, 12, {0, 0, 1, 1}).writePNG(dir + "/both@3x.png"));
    ASSERT_TRUE(solid(4, 4, {1, 0, 0, 1}).writePNG(dir + "/plain.png"));
    ASSERT_TRUE(solid(4, 4, {1, 0, 0, 1}).writePNG(dir + "/upper.PNG"));
    ASSERT_TRUE(solid(8, 8, {0, 1, 0, 1}).writePNG(dir + "/upper@2x.png"));
    ASSERT_TRUE(solid(4, 4, {1, 0, 0, 1}).writePNG(dir + "/named.image"));
    ASSERT_TRUE(solid(8, 8, {0, 1, 0, 1}).writePNG(dir + "/named.image@2x.png"));
    struct Case {
        const char* file;
        double screen;
        int pixels; // 0: no image
        double scale;
    };
    const Case cases[] = {
        {"both.png", 1, 4, 1},   {"both.png", 2, 8, 2},    {"both.png", 3, 12, 3},
        {"both.png", 2.5, 8, 2.5}, // the whole part names the file; the scale stays the screen's
        {"plain.png", 2, 4, 1},  {"plain.png", 0.5, 4, 1}, {"upper.PNG", 2, 8, 2},
        {"named.image", 2, 4, 1}, {"missing.png", 2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " at " << c.screen);
        ScreenScale screen(c.screen);
        const auto image = CPTImage::imageForPNGFile(dir + "/" + c.file);
        if (c.pixels == 0) {
            EXPECT_FALSE(image);
            continue;
        }
        ASSERT_TRUE(image);
        EXPECT_EQ(image->image().pixelWidth(), c.pixels);
        EXPECT_EQ(image->scale(), c.scale);
        EXPECT_EQ(image->lastDrawnScale(), c.scale);
        EXPECT_FALSE(image->isOpaque());
    }
}

TEST(CPTImage, BadFilesGiveNoImage) {
    const std::string dir = folder();
    const auto good = solid(16, 16, {1, 0, 0, 1}).pngData();
    writeBytes(dir + "/truncated.png", std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2));
    writeBytes(dir + "/text.png", {'h', 'e', 'l', 'l', 'o'});
    writeBytes(dir + "/huge.png", hugePNG());
    writeBytes(dir + "/empty.png", {});
    ASSERT_TRUE(solid(4, 4, {1, 0, 0, 1}).writePNG(dir + "/broken.png"));
    writeBytes(dir + "/broken@2x.png", {'n', 'o'});
    for (const char* file : {"truncated.png", "text.png", "huge.png", "empty.png"}) {
        SCOPED_TRACE(file);
        EXPECT_FALSE(CPTImage::imageForPNGFile(dir + "/" + file));
        const auto fromFile = CPTImage::imageWithContentsOfFile(dir + "/" + file);
        ASSERT_TRUE(fromFile);
        EXPECT_TRUE(fromFile->image().isNull());
        EXPECT_TRUE(fromFile->nativeImage().isNull());
    }
    // A variant that is there but does not decode gives nothing; it is not mistaken for the plain file.
    ScreenScale screen(2);
    EXPECT_FALSE(CPTImage::imageForPNGFile(dir + "/broken.png"));
}

TEST(CPTImage, NamedImagesComeFromTheResourcesFolder) {
    const std::string dir = folder();
    ASSERT_TRUE(solid(6, 6, {0, 0, 1, 1}).writePNG(dir + "/marker.png"));
    const std::string previous = gfx::resourcesFolder();
    gfx::setResourcesFolder(dir);
    const auto byName = CPTImage::imageNamed("marker");
    const auto byFile = CPTImage::imageNamed("marker.png");
    const auto missing = CPTImage::imageNamed("nothing");
    gfx::setResourcesFolder(previous);
    ASSERT_FALSE(byName->nativeImage().isNull());
    EXPECT_EQ(byName->nativeImage().pixelWidth(), 6);
    EXPECT_EQ(byName->scale(), 1);
    EXPECT_FALSE(byFile->nativeImage().isNull());
    EXPECT_TRUE(missing->nativeImage().isNull());
}

TEST(CPTImage, NinePartsKeepTheirBorders) {
    auto image = CPTImage::imageWithCGImage(solid(30, 30, {1, 0, 0, 1}), 1);
    image->setEdgeInsets({10, 10, 10, 10});
    auto rc = gfx::makeRecordingContext();
    image->drawInRect(CGRect(0, 0, 100, 40), *rc.context);
    auto drawn = images(*rc.recorder);
    ASSERT_EQ(drawn.size(), 9u);
    // The top strip at the largest y: the framework draws upward.
    const CGRect expected[9] = {CGRect(0, 30, 10, 10), CGRect(10, 30, 80, 10), CGRect(90, 30, 10, 10),
                                CGRect(0, 10, 10, 20), CGRect(10, 10, 80, 20), CGRect(90, 10, 10, 20),
                                CGRect(0, 0, 10, 10),  CGRect(10, 0, 80, 10),  CGRect(90, 0, 10, 10)};
    for (std::size_t i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(drawn[i]->deviceRect, expected[i]);
        EXPECT_EQ(drawn[i]->image.pixelWidth(), 10);
        EXPECT_EQ(drawn[i]->image.pixelHeight(), 10);
    }
    EXPECT_EQ(image->lastDrawnScale(), 1);

    // Insets larger than the bitmap leave the middle parts empty: only the corners are drawn.
    image->setEdgeInsets({20, 20, 20, 20});
    for (const gfx::Image& slice : image->slices())
        EXPECT_TRUE(slice.isNull());
    rc.recorder->clear();
    image->drawInRect(CGRect(0, 0, 100, 40), *rc.context);
    drawn = images(*rc.recorder);
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn[0]->deviceRect, CGRect(0, 20, 20, 20));
    EXPECT_EQ(drawn[3]->deviceRect, CGRect(80, 0, 20, 20));
    EXPECT_TRUE(image->slices()[4].isNull());
    EXPECT_FALSE(image->slices()[0].isNull());

    // Insets are points: on a bitmap of scale 2 they cut twice as many pixels.
    auto sharp = CPTImage::imageWithCGImage(solid(60, 60, {1, 0, 0, 1}), 2);
    sharp->setEdgeInsets({10, 5, 10, 5});
    sharp->makeImageSlices();
    EXPECT_EQ(sharp->slices()[0].pixelWidth(), 10);
    EXPECT_EQ(sharp->slices()[0].pixelHeight(), 20);
    EXPECT_EQ(sharp->slices()[4].pixelWidth(), 40);
    EXPECT_EQ(sharp->slices()[4].pixelHeight(), 20);
}

TEST(CPTImage, TilesStartAtTheRectUnlessAnchoredToTheContext) {
    auto image = CPTImage::imageWithCGImage(solid(8, 4, {0, 1, 0, 1}), 2);
    image->setTiled(true);
    for (bool anchored : {true, false}) {
        SCOPED_TRACE(anchored);
        image->setTileAnchoredToContext(anchored);
        auto rc = gfx::makeRecordingContext();
        image->drawInRect(CGRect(13, 17, 50, 30), *rc.context);
        const auto drawn = images(*rc.recorder);
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0]->op, gfx::Recorder::Op::TiledImage);
        // A tile is the bitmap in points: 8 x 4 pixels at scale 2.
        EXPECT_EQ(drawn[0]->deviceRect, anchored ? CGRect(0, 0, 4, 2) : CGRect(13, 17, 4, 2));
        EXPECT_EQ(drawn[0]->state.clipBox, CGRect(13, 17, 50, 30));
    }
}

TEST(CPTImage, BitmapsDrawUprightInAnUpwardSpace) {
    // Top row red, bottom row blue.
    std::vector<std::uint8_t> rgba = {255, 0, 0, 255, 0, 0, 255, 255};
    auto image = CPTImage::imageWithCGImage(gfx::Image::fromRGBA(1, 2, rgba), 1);
    gfx::BitmapContext bitmap(20, 20, 1, gfx::Color::white());
    bitmap.context().translateCTM(0, 20);
    bitmap.context().scaleCTM(1, -1);
    image->drawInRect(CGRect(0, 0, 20, 20), bitmap.context());
    const gfx::Image out = bitmap.image();
    EXPECT_GT(out.pixel(10, 2).red, 0.9);
    EXPECT_GT(out.pixel(10, 17).blue, 0.9);
}

TEST(CPTImage, FollowsTheDeviceScale) {
    auto image = CPTImage::imageWithNativeImage(solid(20, 20, {1, 0, 0, 1}).withScale(2));
    EXPECT_TRUE(image->image().isNull());
    EXPECT_EQ(image->scale(), 2);
    image->setEdgeInsets({2, 2, 2, 2});
    auto rc = gfx::makeRecordingContext(CGRect(0, 0, 100, 100), 2);
    rc.context->scaleCTM(2, 2);
    image->drawInRect(CGRect(0, 0, 10, 10), *rc.context);
    EXPECT_FALSE(image->image().isNull());
    EXPECT_EQ(image->lastDrawnScale(), 2);
    EXPECT_EQ(image->slices()[0].pixelWidth(), 4);
    const gfx::Image firstCut = image->slices()[0];

    auto flat = gfx::makeRecordingContext();
    image->drawInRect(CGRect(0, 0, 10, 10), *flat.context);
    EXPECT_EQ(image->lastDrawnScale(), 1);
    EXPECT_FALSE(image->slices()[0].sameBitmap(firstCut)); // cut again for the new scale
    EXPECT_EQ(images(*flat.recorder).size(), 9u);

    // A new native image drops the bitmap; new insets drop the slices.
    image->setNativeImage(solid(4, 4, {0, 0, 1, 1}));
    EXPECT_TRUE(image->image().isNull());
    image->setEdgeInsets({1, 1, 1, 1});
    EXPECT_TRUE(image->slices()[0].isNull());

    // Nothing to draw: nothing drawn.
    auto none = std::make_shared<CPTImage>();
    auto rc2 = gfx::makeRecordingContext();
    none->drawInRect(CGRect(0, 0, 10, 10), *rc2.context);
    EXPECT_TRUE(rc2.recorder->records().empty());
}

// The bitmap is placed in points: whatever its own scale and whatever the device scale it is drawn at,
// a drawing lands on the same rectangles, also when the device scale changes between drawings.
TEST(CPTImage, ADeviceScaleChangeMovesNothing) {
    const CGRect rect(5, 7, 100, 40);
    struct Case {
        const char* name;
        bool tiled;
        CPTEdgeInsets insets;
        std::vector<CGRect> placed; // in points, in drawing order
    };
    const Case cases[] = {
        {"stretched", false, {}, {rect}},
        {"tiled", true, {}, {CGRect(0, 0, 30, 30)}},
        {"nine parts", false, {10, 10, 10, 10},
         {CGRect(5, 37, 10, 10), CGRect(15, 37, 80, 10), CGRect(95, 37, 10, 10), CGRect(5, 17, 10, 20),
          CGRect(15, 17, 80, 20), CGRect(95, 17, 10, 20), CGRect(5, 7, 10, 10), CGRect(15, 7, 80, 10),
          CGRect(95, 7, 10, 10)}},
    };
    for (const Case& c : cases) {
        for (double bitmapScale : {1.0, 2.0, 3.0}) {
            // 30 x 30 points whatever the bitmap's scale.
            const int pixels = static_cast<int>(30 * bitmapScale);
            auto image = CPTImage::imageWithNativeImage(solid(pixels, pixels, {1, 0, 0, 1}).withScale(bitmapScale));
            image->setTiled(c.tiled);
            image->setEdgeInsets(c.insets);
            for (double device : {2.0, 1.0, 3.0, 1.0}) {
                SCOPED_TRACE(testing::Message() << c.name << ", bitmap scale " << bitmapScale << ", device scale "
                                                << device);
                auto rc = gfx::makeRecordingContext(CGRect(0, 0, 500, 500), device);
                rc.context->scaleCTM(device, device);
                image->drawInRect(rect, *rc.context);
                EXPECT_EQ(image->lastDrawnScale(), device);
                EXPECT_EQ(image->scale(), bitmapScale);
                const auto drawn = images(*rc.recorder);
                ASSERT_EQ(drawn.size(), c.placed.size());
                for (std::size_t i = 0; i < drawn.size(); ++i) {
                    const CGRect& p = c.placed[i];
                    EXPECT_EQ(drawn[i]->deviceRect,
                              CGRect(p.origin.x * device, p.origin.y * device, p.size.width * device,
                                     p.size.height * device))
                        << "part " << i;
                }
                // Corners keep their pixels: 10 points of a bitmap of this scale.
                if (c.placed.size() == 9) {
                    EXPECT_EQ(drawn[0]->image.pixelWidth(), static_cast<int>(10 * bitmapScale));
                }
            }
        }
    }
}

TEST(CPTImage, UnusableNumbersDrawNothingWrong) {
    struct Case {
        const char* name;
        CPTEdgeInsets insets;
        double scale;
        CGRect rect;
        bool tiled;
    };
    const Case cases[] = {
        {"NaN insets", {kNaN, 1, 1, 1}, 1, CGRect(0, 0, 50, 50), false},
        {"infinite insets", {1e308 * 10, 1, 1, 1}, 1, CGRect(0, 0, 50, 50), false},
        {"NaN scale", {}, kNaN, CGRect(0, 0, 50, 50), true},
        {"zero scale", {2, 2, 2, 2}, 0, CGRect(0, 0, 50, 50), true},
        {"NaN rect", {}, 1, CGRect(kNaN, 0, 50, 50), false},
        {"infinite rect", {2, 2, 2, 2}, 1, CGRect(0, 0, 1e308 * 10, 50), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto image = CPTImage::imageWithCGImage(solid(10, 10, {1, 0, 0, 1}), c.scale);
        image->setEdgeInsets(c.insets);
        image->setTiled(c.tiled);
        gfx::BitmapContext bitmap(20, 20, 1);
        image->drawInRect(c.rect, bitmap.context());
        bitmap.context().setFillColor({0, 0, 1, 1});
        bitmap.context().fillRect(CGRect(0, 0, 20, 20));
        EXPECT_EQ(bitmap.image().pixel(10, 10), (gfx::Color{0, 0, 1, 1}));
    }
}

TEST(CPTImage, EqualityHashAndCopies) {
    const gfx::Image bitmap = solid(10, 20, {0.2, 0.4, 0.6, 1});
    auto a = CPTImage::imageWithCGImage(bitmap, 1);
    auto b = CPTImage::imageWithCGImage(solid(10, 20, {0.2, 0.4, 0.6, 1}), 1);
    EXPECT_TRUE(a->isEqual(b.get()));
    EXPECT_EQ(a->hash(), b->hash());
    // bits per component 8 + 20 x 10 + bits per pixel 32 + bytes per row 40 + interpolation 1
    EXPECT_EQ(a->hash(), 281u);
    EXPECT_EQ(CPTImage().hash(), 0u);

    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < 200; ++i)
        for (std::uint8_t v : {51, 102, 153, 255})
            rgba.push_back(v);
    rgba[4 * 57] = 52; // one pixel, one channel
    EXPECT_FALSE(a->isEqual(CPTImage::imageWithCGImage(gfx::Image::fromRGBA(10, 20, rgba), 1).get()));
    EXPECT_FALSE(a->isEqual(CPTImage::imageWithCGImage(bitmap, 2).get()));
    EXPECT_FALSE(a->isEqual(CPTImage::imageWithCGImage(solid(20, 10, {0.2, 0.4, 0.6, 1}), 1).get()));
    b->setTiled(true);
    EXPECT_FALSE(a->isEqual(b.get()));
    EXPECT_FALSE(a->isEqual(nullptr));
    EXPECT_TRUE(CPTImage().isEqual(std::make_shared<CPTImage>().get()));

    a->setEdgeInsets({1, 2, 3, 4});
    a->setTiled(true);
    a->setTileAnchoredToContext(false);
    const auto copy = a->copy();
    EXPECT_NE(copy.get(), a.get());
    EXPECT_FALSE(copy->nativeImage().isNull());
    EXPECT_EQ(copy->scale(), 1);
    EXPECT_TRUE(copy->isTiled());
    EXPECT_FALSE(copy->tileAnchoredToContext());
    EXPECT_TRUE(CPTInsetsEqual(copy->edgeInsets(), {1, 2, 3, 4}));
    // The copy holds the native image; its bitmap comes back at the first drawing.
    auto rc = gfx::makeRecordingContext();
    copy->drawInRect(CGRect(0, 0, 40, 40), *rc.context);
    EXPECT_TRUE(copy->isEqual(a.get()));
    EXPECT_TRUE(a->debugQuickLookObject().sameBitmap(bitmap));
}
