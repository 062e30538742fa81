// Archiving of the framework's geometry, paths, images, plot ranges and numeric data: derived keys,
// round trips, the values of missing keys, and damaged archives that must fail cleanly.
#include "plot/foundation/CPTArchiving.h"
#include "plot/foundation/CPTNumericData.h"
#include "plot/foundation/CPTPlotRange.h"

#include "platform/foundation/Log.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using foundation::Decimal;
using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::Value;

namespace {
const double kInf = std::numeric_limits<double>::infinity();

template <class Encode> std::vector<std::uint8_t> archive(Encode&& encode) {
    KeyedArchiver coder("Test");
    encode(coder);
    return coder.encodedData();
}
} // namespace

TEST(CPTArchiving, GeometryUsesDerivedKeys) {
    const auto data = archive([](KeyedArchiver& c) {
        encodeCPTPoint(c, {1.5, -2}, "origin");
        encodeCPTSize(c, {3, 4}, "size");
        encodeCPTRect(c, CGRect(5, 6, 7, 8), "frame");
        encodeCGFloat(c, 0.25, "width");
        encodeDecimal(c, Decimal::fromString("1.1"), "exact");
    });
    KeyedUnarchiver d(data);
    for (const char* key : {"origin.x", "origin.y", "size.width", "size.height", "frame.origin.x",
                            "frame.origin.y", "frame.size.width", "frame.size.height", "width", "exact"})
        EXPECT_TRUE(d.containsValueForKey(key)) << key;
    EXPECT_FALSE(d.containsValueForKey("origin"));
    EXPECT_EQ(decodeCPTPointForKey(d, "origin"), (CGPoint{1.5, -2}));
    EXPECT_EQ(decodeCPTSizeForKey(d, "size"), (CGSize{3, 4}));
    EXPECT_EQ(decodeCPTRectForKey(d, "frame"), CGRect(5, 6, 7, 8));
    EXPECT_EQ(decodeCGFloatForKey(d, "width"), 0.25);
    EXPECT_EQ(decodeDecimalForKey(d, "exact"), Decimal::fromString("1.1"));
    EXPECT_TRUE(decodeDecimalForKey(d, "never stored").isNaN());
    EXPECT_EQ(decodeCPTPointForKey(d, "nowhere"), (CGPoint{0, 0}));
    EXPECT_FALSE(d.failed());
}

TEST(CPTArchiving, ColourSpacesLogOnEachSide) {
    foundation::LogCapture log;
    const auto data = archive([](KeyedArchiver& c) { encodeCGColorSpace(c, "space"); });
    KeyedUnarchiver d(data);
    EXPECT_FALSE(d.containsValueForKey("space"));
    newCGColorSpaceDecodeForKey(d, "space");
    EXPECT_EQ(
        log.lines(),
        (std::vector<std::string>{
            "Color space encoding is not supported on iOS. Decoding will return a generic RGB color space.",
            "Color space decoding is not supported on iOS. Using generic RGB color space."}));
}

TEST(CPTArchiving, PathsStoreTheirElements) {
    gfx::Path path;
    path.moveTo({1, 2});
    path.lineTo({3, 4});
    path.closeSubpath();
    const auto data = archive([&](KeyedArchiver& c) { encodeCGPath(c, path, "outline"); });
    KeyedUnarchiver d(data);
    EXPECT_EQ(d.decodeIntegerForKey("outline.count"), 3);
    EXPECT_EQ(d.decodeInt32ForKey("outline[0].type"), 0);
    EXPECT_EQ(d.decodeInt32ForKey("outline[1].type"), 1);
    EXPECT_EQ(d.decodeInt32ForKey("outline[2].type"), 4);
    EXPECT_TRUE(d.containsValueForKey("outline[0].point1.x"));
    EXPECT_TRUE(d.containsValueForKey("outline[1].point1.y"));
    EXPECT_FALSE(d.containsValueForKey("outline[2].point1.x"));
    EXPECT_FALSE(d.containsValueForKey("outline[0].point2.x"));
    EXPECT_EQ(newCGPathDecodeForKey(d, "outline").elements(), path.elements());
    EXPECT_TRUE(newCGPathDecodeForKey(d, "missing").isEmpty());

    gfx::Path curves;
    curves.moveTo({0, 0});
    curves.quadTo({1, 1}, {2, 0});
    curves.cubicTo({3, 1}, {4, -1}, {5, 0});
    const auto curveData = archive([&](KeyedArchiver& c) { encodeCGPath(c, curves, "p"); });
    KeyedUnarchiver cd(curveData);
    EXPECT_EQ(cd.decodeDoubleForKey("p[2].point3.x"), 5); // the end point comes last
    EXPECT_EQ(newCGPathDecodeForKey(cd, "p").elements(), curves.elements());

    // A count beyond the stored elements fails instead of reading zeros.
    const auto lying = archive([](KeyedArchiver& c) { c.encodeInteger(1000000000, "p.count"); });
    KeyedUnarchiver ld(lying);
    EXPECT_TRUE(newCGPathDecodeForKey(ld, "p").isEmpty());
    EXPECT_TRUE(ld.failed());
}

TEST(CPTArchiving, ImagesRoundTripAndRefuseBytesThatDoNotFit) {
    std::vector<std::uint8_t> rgba;
    for (int k = 0; k < 3 * 2; ++k)
        rgba.insert(rgba.end(), {static_cast<std::uint8_t>(40 * k), 10, 200, 255});
    const gfx::Image image = gfx::Image::fromRGBA(3, 2, rgba);
    const auto data = archive([&](KeyedArchiver& c) { encodeCGImage(c, image, "picture"); });
    {
        KeyedUnarchiver d(data);
        EXPECT_EQ(d.decodeInt64ForKey("picture.bytesPerRow"), 12);
        EXPECT_EQ(d.decodeBytesForKey("picture.bitmapInfo").size(), 4u);
        const auto decoded = newCGImageDecodeForKey(d, "picture");
        ASSERT_TRUE(decoded.has_value());
        ASSERT_FALSE(d.failed());
        EXPECT_EQ(decoded->pixelWidth(), 3);
        EXPECT_EQ(decoded->pixelHeight(), 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(decoded->pixel(x, y), image.pixel(x, y));
        EXPECT_FALSE(newCGImageDecodeForKey(d, "absent").has_value());
        EXPECT_FALSE(d.failed());
    }
    struct Case {
        const char* name;
        void (*damage)(KeyedArchiver&);
    };
    auto base = [](KeyedArchiver& c, std::int64_t width, std::int64_t height, std::int64_t bytesPerRow,
                   std::size_t bytes, std::size_t infoBytes) {
        c.encodeInt64(width, "i.width");
        c.encodeInt64(height, "i.height");
        c.encodeInt64(8, "i.bitsPerComponent");
        c.encodeInt64(32, "i.bitsPerPixel");
        c.encodeInt64(bytesPerRow, "i.bytesPerRow");
        c.encodeBytes(std::vector<std::uint8_t>(infoBytes), "i.bitmapInfo");
        c.encodeBytes(std::vector<std::uint8_t>(bytes), "i.provider");
    };
    const std::vector<std::vector<std::uint8_t>> damaged = {
        archive([&](KeyedArchiver& c) { base(c, 3, 2, 12, 23, 4); }),          // one byte short
        archive([&](KeyedArchiver& c) { base(c, 3, 2, 8, 24, 4); }),           // rows shorter than pixels
        archive([&](KeyedArchiver& c) { base(c, -3, 2, 12, 24, 4); }),         // negative width
        archive([&](KeyedArchiver& c) { base(c, 3, 1LL << 40, 12, 24, 4); }),  // huge height
        archive([&](KeyedArchiver& c) { base(c, 3, 2, 12, 24, 3); }),          // bitmap info of 3 bytes
        archive([&](KeyedArchiver& c) { base(c, 3, 2, 1LL << 62, 24, 4); }),   // product overflows
        archive([&](KeyedArchiver& c) { c.encodeString("wide", "i.width"); }), // wrong type
    };
    for (std::size_t k = 0; k < damaged.size(); ++k) {
        SCOPED_TRACE(k);
        KeyedUnarchiver d(damaged[k]);
        EXPECT_FALSE(newCGImageDecodeForKey(d, "i").has_value());
        EXPECT_TRUE(d.failed());
    }
    KeyedUnarchiver padded(archive([&](KeyedArchiver& c) { base(c, 3, 2, 16, 32, 4); })); // padded rows
    EXPECT_TRUE(newCGImageDecodeForKey(padded, "i").has_value());
}

TEST(CPTArchiving, PlotRangesRoundTrip) {
    const auto finite = CPTPlotRange::plotRangeWithLocationDecimal(
        Decimal::fromString("0.30000000000000000000000000000000000001"), Decimal::fromString("-2.5"));
    auto upward = CPTMutablePlotRange::plotRangeWithLocation(3, 0);
    upward->setLengthDouble(kInf);
    auto downward = CPTMutablePlotRange::plotRangeWithLocation(3, 0);
    downward->setLengthDouble(-kInf);

    const auto data = archive([&](KeyedArchiver& c) {
        finite->encodeForKey(c, "finite");
        upward->encodeForKey(c, "upward");
        downward->encodeForKey(c, "downward");
    });
    KeyedUnarchiver d(data);
    auto object = d.decodeObjectForKey("finite", {"CPTPlotRange"});
    ASSERT_TRUE(object.has_value());
    for (const char* key : {"CPTPlotRange.location", "CPTPlotRange.length", "CPTPlotRange.isInfinite",
                            "CPTPlotRange.lengthSign"})
        EXPECT_TRUE(object->containsValueForKey(key)) << key;

    const auto f = CPTPlotRange::decodeForKey(d, "finite");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->isEqual(finite.get()));
    EXPECT_EQ(f->locationDouble(), 0.3);
    EXPECT_EQ(f->lengthDouble(), -2.5);
    EXPECT_EQ(dynamic_cast<CPTMutablePlotRange*>(f.get()), nullptr);

    for (const auto& [key, original] : {std::pair{"upward", upward}, std::pair{"downward", downward}}) {
        SCOPED_TRACE(key);
        const auto r = CPTPlotRange::decodeForKey(d, key);
        ASSERT_NE(r, nullptr);
        EXPECT_NE(dynamic_cast<CPTMutablePlotRange*>(r.get()), nullptr);
        EXPECT_TRUE(r->isEqualToRange(original.get()));
        EXPECT_EQ(r->lengthDouble(), original->lengthDouble()); // stays infinite
        EXPECT_EQ(r->maxLimitDouble(), original->maxLimitDouble());
    }
    EXPECT_EQ(CPTPlotRange::decodeForKey(d, "absent"), nullptr);
    EXPECT_FALSE(d.failed());

    const auto wrongClass = archive([](KeyedArchiver& c) { c.encodeObject("CPTFill", "r", nullptr); });
    KeyedUnarchiver wd(wrongClass);
    EXPECT_EQ(CPTPlotRange::decodeForKey(wd, "r"), nullptr);
    EXPECT_TRUE(wd.failed());
}

TEST(CPTArchiving, NumericDataRoundTripsAndRefusesABadShape) {
    Value::Array values{Value(Decimal::fromString("1.5")), Value(Decimal::fromString("-2")), Value(Decimal{}),
                        Value(Decimal::fromString("4e-20"))};
    const auto original = CPTMutableNumericData::numericDataWithArray(
        values, "<d20", CPTNumericData::Shape{2, 2}, CPTDataOrderColumnsFirst);
    const auto data = archive([&](KeyedArchiver& c) { original->encodeForKey(c, "data"); });
    KeyedUnarchiver d(data);
    const auto decoded = CPTNumericData::decodeForKey(d, "data");
    ASSERT_NE(decoded, nullptr) << d.error();
    EXPECT_NE(dynamic_cast<CPTMutableNumericData*>(decoded.get()), nullptr);
    EXPECT_EQ(decoded->data(), original->data());
    EXPECT_TRUE(CPTNumericDataTypeEqual(decoded->dataType(), original->dataType()));
    EXPECT_EQ(decoded->shape(), original->shape());
    EXPECT_EQ(decoded->dataOrder(), CPTDataOrderColumnsFirst);
    EXPECT_EQ(decoded->sampleArray(), values);

    struct Case {
        const char* name;
        std::vector<std::uint8_t> archive;
    };
    auto numeric = [](std::size_t bytes, Value shape, std::int64_t format) {
        return archive([&](KeyedArchiver& c) {
            c.encodeObject("CPTNumericData", "n", [&](KeyedArchiver& o) {
                o.encodeBytes(std::vector<std::uint8_t>(bytes), "CPTNumericData.data");
                o.encodeInteger(format, "CPTNumericData.dataType.dataTypeFormat");
                o.encodeInt64(8, "CPTNumericData.dataType.sampleBytes");
                o.encodeInt64(1, "CPTNumericData.dataType.byteOrder");
                o.encodeValue(shape, "CPTNumericData.shape");
            });
        });
    };
    const Case cases[] = {
        {"shape product differs", numeric(24, Value(Value::Array{2, 2}), 3)},
        {"shape overflows", numeric(24, Value(Value::Array{1ULL << 40, 1ULL << 40}), 3)},
        {"shape of text", numeric(24, Value(Value::Array{"three"}), 3)},
        {"shape not an array", numeric(24, Value(3), 3)},
        {"negative shape", numeric(24, Value(Value::Array{-3}), 3)},
        {"unknown format", numeric(24, Value(), 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeyedUnarchiver bad(c.archive);
        EXPECT_EQ(CPTNumericData::decodeForKey(bad, "n"), nullptr);
        EXPECT_TRUE(bad.failed());
    }
    KeyedUnarchiver noShape(numeric(24, Value(), 3));
    const auto oneDimension = CPTNumericData::decodeForKey(noShape, "n");
    ASSERT_NE(oneDimension, nullptr);
    EXPECT_EQ(oneDimension->shape(), CPTNumericData::Shape{3});
}
