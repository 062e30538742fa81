// Numeric sample buffers: type strings, the shape check, indexing in both orders, boxed samples,
// arrays to buffers, conversion between every sample kind and byte order, and the mutable form.
#include "plot/foundation/CPTNumericData.h"
#include "plot/foundation/CPTException.h"

#include <clocale>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using foundation::Decimal;
using foundation::Value;
using Bytes = CPTNumericData::Bytes;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

template <class T> Bytes bytesOf(std::initializer_list<T> values) {
    Bytes b(values.size() * sizeof(T));
    std::memcpy(b.data(), std::data(values), b.size());
    return b;
}

template <class F> void expectRaises(F&& f, const std::string& name, const std::string& reason) {
    try {
        f();
        ADD_FAILURE() << "no exception";
    } catch (const CPTException& e) {
        EXPECT_EQ(e.name(), name);
        EXPECT_EQ(e.reason(), reason);
    }
}

// The thirteen sample kinds.
const char* const kKinds[] = {"i1", "i2", "i4", "i8", "u1", "u2", "u4", "u8", "f4", "f8", "c8", "c16", "d20"};

} // namespace

TEST(CPTNumericDataType, TextForms) {
    struct Case {
        const char* text;
        CPTNumericDataType type;
        const char* printed;
    };
    const Case cases[] = {
        {"<f8", {CPTFloatingPointDataType, 8, CFByteOrderLittleEndian}, "<f8"},
        {"<F8", {CPTFloatingPointDataType, 8, CFByteOrderLittleEndian}, "<f8"},
        {">i2", {CPTIntegerDataType, 2, CFByteOrderBigEndian}, ">i2"},
        {"=d20", {CPTDecimalDataType, 20, CFByteOrderLittleEndian}, "<d20"},
        {"<u4", {CPTUnsignedIntegerDataType, 4, CFByteOrderLittleEndian}, "<u4"},
        {">C16", {CPTComplexFloatingPointDataType, 16, CFByteOrderBigEndian}, ">c16"},
        {"<f", {CPTFloatingPointDataType, 0, CFByteOrderLittleEndian}, "<f0"},
        {"<i-8", {CPTIntegerDataType, 0, CFByteOrderLittleEndian}, "<i0"}, // never a huge size
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const CPTNumericDataType t = CPTNumericDataTypeFromString(c.text);
        EXPECT_TRUE(CPTNumericDataTypeEqual(t, c.type));
        EXPECT_EQ(CPTNumericDataTypeToString(t), c.printed);
    }
    EXPECT_EQ(CPTNumericDataTypeToString(CPTNumericDataTypeMake(CPTIntegerDataType, 4, CFByteOrderUnknown)),
              "i4");
    EXPECT_FALSE(CPTNumericDataTypeEqual(CPTNumericDataTypeMake(CPTIntegerDataType, 4, 1),
                                         CPTNumericDataTypeMake(CPTIntegerDataType, 4, 2)));

    expectRaises([] { CPTNumericDataTypeFromString("xf8"); }, NSGenericException,
                 "Unknown byte order in dataTypeString");
    expectRaises([] { CPTNumericDataTypeFromString("<x8"); }, NSGenericException,
                 "Unknown type in dataTypeString");
    expectRaises([] { CPTNumericDataTypeFromString(""); }, NSGenericException,
                 "Unknown type in dataTypeString");
    expectRaises([] { CPTNumericDataTypeToString(CPTNumericDataType{}); }, NSGenericException,
                 "Unsupported data type");
}

TEST(CPTNumericData, ShapeMustMatchTheSamples) {
    const Bytes three = bytesOf<double>({1, 2, 3});
    const auto data = CPTNumericData::numericDataWithData(three, "<f8");
    EXPECT_EQ(data->shape(), CPTNumericData::Shape{3});
    EXPECT_EQ(data->numberOfSamples(), 3u);
    EXPECT_EQ(data->numberOfDimensions(), 1u);
    EXPECT_EQ(data->length(), 24u);
    expectRaises(
        [&] {
            CPTNumericData::numericDataWithData(three, "<f8", CPTNumericData::Shape{2, 2});
        },
        CPTNumericDataException, "Shape product (4) does not match data size (3)");

    const CPTNumericData empty;
    EXPECT_TRUE(CPTNumericDataTypeEqual(empty.dataType(), CPTNumericDataTypeFromString("<f8")));
    EXPECT_EQ(empty.shape(), CPTNumericData::Shape{0});

    // A partial trailing sample does not count.
    EXPECT_EQ(CPTNumericData(Bytes(10), "<f8").numberOfSamples(), 1u);
    EXPECT_EQ(CPTNumericData(Bytes(10), "<f0").numberOfSamples(), 0u);
}

TEST(CPTNumericData, IndexesInBothOrders) {
    Bytes six(6 * 8);
    const auto rows = CPTNumericData::numericDataWithData(six, "<f8", CPTNumericData::Shape{2, 3});
    const auto columns = CPTNumericData::numericDataWithData(six, "<f8", CPTNumericData::Shape{2, 3},
                                                             CPTDataOrderColumnsFirst);
    EXPECT_EQ(rows->sampleIndex({1, 2}), 5u);
    EXPECT_EQ(columns->sampleIndex({1, 2}), 5u); // 2 x 2 + 1
    EXPECT_EQ(rows->sampleIndex({1, 0}), 3u);
    EXPECT_EQ(columns->sampleIndex({1, 0}), 1u);
    EXPECT_EQ(rows->sampleIndex({2, 0}), foundation::notFound);
    EXPECT_EQ(columns->sampleIndex({0, 3}), foundation::notFound);
    EXPECT_EQ(rows->samplePointerAtIndex({2, 0}), nullptr);
    EXPECT_EQ(rows->samplePointerAtIndex({1, 2}), rows->bytes() + 40);

    const auto cube =
        CPTNumericData::numericDataWithData(Bytes(24 * 8), "<f8", CPTNumericData::Shape{2, 3, 4});
    EXPECT_EQ(cube->sampleIndex({1, 0, 2}), 14u); // 2 + 0 x 4 + 1 x 12
    const auto cubeByColumns = CPTNumericData::numericDataWithData(
        Bytes(24 * 8), "<f8", CPTNumericData::Shape{2, 3, 4}, CPTDataOrderColumnsFirst);
    EXPECT_EQ(cubeByColumns->sampleIndex({1, 0, 2}), 13u); // 1 + 0 x 2 + 2 x 6

    // One dimension: the index as it stands, checked only by the pointer.
    EXPECT_EQ(CPTNumericData(Bytes(16), "<f8").sampleIndex({7}), 7u);
    EXPECT_EQ(CPTNumericData(Bytes(16), "<f8").samplePointer(2), nullptr);
    const CPTNumericData two(Bytes(16), "<f8");
    EXPECT_EQ(two.samplePointerAtIndex({1}), two.bytes() + 8);
}

TEST(CPTNumericData, BoxesSamplesAsStored) {
    EXPECT_EQ(CPTNumericData(bytesOf<std::int32_t>({-1}), "<i4").sampleValue(0), Value(-1));
    EXPECT_EQ(CPTNumericData(bytesOf<std::int32_t>({-1}), "<i4").sampleValue(0)->kind(),
              Value::Kind::Integer);
    EXPECT_EQ(CPTNumericData(bytesOf<std::uint16_t>({65535}), "<u2").sampleValue(0)->kind(),
              Value::Kind::Unsigned);
    EXPECT_EQ(CPTNumericData(bytesOf<double>({3, 4}), "<c16").sampleValue(0), Value(3.0));
    EXPECT_EQ(CPTNumericData(bytesOf<float>({3.5f, 4}), "<c8").sampleValue(0), Value(3.5));
    EXPECT_EQ(CPTNumericData(bytesOf<float>({0.1f}), "<f4").sampleValue(0), Value(0.1f));

    const Decimal exact = Decimal::fromString("0.30000000000000000000000000000000000001");
    Bytes decimalBytes(20);
    std::memcpy(decimalBytes.data(), &exact, 20);
    const auto decimals = CPTNumericData(decimalBytes, "<d20");
    EXPECT_EQ(decimals.sampleValue(0)->kind(), Value::Kind::Decimal);
    EXPECT_EQ(decimals.sampleValue(0)->toDecimal(), exact);

    EXPECT_FALSE(CPTNumericData(bytesOf<double>({1}), "<f8").sampleValue(1).has_value());
    EXPECT_FALSE(CPTNumericData(Bytes(6), "<f3").sampleValue(0).has_value()); // a size f does not have
    EXPECT_TRUE(CPTNumericData(Bytes(6), "<f3").sampleArray().empty());
    expectRaises(
        [] {
            CPTNumericData(Bytes(8), CPTNumericDataType{CPTUndefinedDataType, 8, 1}).sampleValue(0);
        },
        NSInvalidArgumentException, "Unsupported data type (CPTUndefinedDataType)");
}

TEST(CPTNumericData, ArraysBecomeSamples) {
    const Value::Array mixed{1, "text", 2.5};
    EXPECT_EQ(CPTNumericData(mixed, "<f8").sampleArray().size(), 3u);
    const auto doubles = CPTNumericData(mixed, "<f8").sampleArray();
    EXPECT_EQ(doubles[0], Value(1.0));
    EXPECT_TRUE(std::isnan(doubles[1].toDouble()));
    EXPECT_EQ(doubles[2], Value(2.5));
    EXPECT_EQ(CPTNumericData(mixed, "<i4").sampleArray(), (Value::Array{1, 0, 2}));
    const auto complex = CPTNumericData(mixed, "<c16");
    const double* c = static_cast<const double*>(complex.samplePointer(1));
    EXPECT_TRUE(std::isnan(c[0]) && std::isnan(c[1]));
    EXPECT_TRUE(CPTNumericData(mixed, "<d20").sampleValue(1)->toDecimal().isNaN());

    // Decimal samples are the decimal layout, byte for byte.
    const Decimal exact = Decimal::fromString("-12.5");
    const auto decimals = CPTNumericData(Value::Array{Value(exact), 0.1}, "<d20");
    EXPECT_EQ(std::memcmp(decimals.bytes(), &exact, 20), 0);
    const Decimal tenth = Decimal::fromString("0.1");
    EXPECT_EQ(std::memcmp(decimals.bytes() + 20, &tenth, 20), 0);

    // Big-endian samples are swapped.
    const auto big = CPTNumericData(Value::Array{1, 258}, ">i2");
    EXPECT_EQ(big.data(), (Bytes{0, 1, 1, 2}));
    // A pair outside the table leaves zeros.
    EXPECT_EQ(CPTNumericData(Value::Array{1, 2}, "<i3").data(), Bytes(6, 0));
}

TEST(CPTNumericData, FloatingValuesBecomeIntegersWithoutUndefinedBehaviour) {
    const Value::Array values{kNaN, 1e300, -1e300, -2.9, 2.9};
    struct Case {
        const char* type;
        Value::Array expected;
    };
    const Case cases[] = {
        {"<i1", {0, 127, -128, -2, 2}},
        {"<i2", {0, 32767, -32768, -2, 2}},
        {"<i4", {0, 2147483647, -2147483648LL, -2, 2}},
        {"<i8",
         {0, std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min(), -2, 2}},
        {"<u1", {0, 255, 0, 0, 2}},
        {"<u2", {0, 65535, 0, 0, 2}},
        {"<u4", {0, 4294967295u, 0, 0, 2}},
        {"<u8", {0, std::numeric_limits<std::uint64_t>::max(), 0, 0, 2}},
    };
    const auto doubles = CPTNumericData::numericDataWithArray(values, "<f8");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(doubles->dataByConvertingToDataType(CPTNumericDataTypeFromString(c.type))->sampleArray(),
                  c.expected);
        EXPECT_EQ(CPTNumericData(values, c.type).sampleArray(), c.expected);
    }
    // Decimals: the narrow sizes truncate, the wide ones take the floor (NaN gives 0).
    const auto decimals = CPTNumericData::numericDataWithArray(
        Value::Array{Value(Decimal::fromString("-1.5")), Value(Decimal::notANumber())}, "<d20");
    EXPECT_EQ(decimals->dataByConvertingToType(CPTIntegerDataType, 1, 1)->sampleArray(),
              (Value::Array{-1, 0}));
    EXPECT_EQ(decimals->dataByConvertingToType(CPTIntegerDataType, 4, 1)->sampleArray(),
              (Value::Array{-2, 0}));
    EXPECT_EQ(decimals->dataByConvertingToType(CPTIntegerDataType, 8, 1)->sampleArray(),
              (Value::Array{-2, 0}));
}

TEST(CPTNumericData, ConvertsBetweenEverySampleKindAndByteOrder) {
    // Values every kind holds exactly.
    const Value::Array values{0, 1, 2, 100, 127};
    for (const char* from : kKinds)
        for (const char* to : kKinds)
            for (const char* fromOrder : {"<", ">"})
                for (const char* toOrder : {"<", ">"}) {
                    const std::string fromType = std::string(fromOrder) + from;
                    const std::string toType = std::string(toOrder) + to;
                    SCOPED_TRACE(fromType + " -> " + toType);
                    const auto source = CPTNumericData::numericDataWithArray(values, fromType);
                    const auto converted =
                        source->dataByConvertingToDataType(CPTNumericDataTypeFromString(toType));
                    ASSERT_EQ(converted->length(), 5 * converted->sampleBytes());
                    const auto back =
                        converted->dataByConvertingToDataType(CPTNumericDataTypeFromString("<f8"));
                    ASSERT_EQ(back->sampleArray(), values);
                    // In place, through the mutable form, to the same result.
                    const auto inPlace = source->mutableCopy();
                    inPlace->setDataType(CPTNumericDataTypeFromString(toType));
                    ASSERT_EQ(inPlace->data(), converted->data());
                }

    // Fractions, signs and the imaginary part on the way through the floating kinds.
    const auto complex = CPTNumericData::numericDataWithData(bytesOf<double>({-1.25, 4.5}), "<c16");
    const auto singles = complex->dataByConvertingToDataType(CPTNumericDataTypeFromString("<c8"));
    EXPECT_EQ(singles->data(), bytesOf<float>({-1.25f, 4.5f}));
    EXPECT_EQ(complex->dataByConvertingToDataType(CPTNumericDataTypeFromString("<d20"))->sampleValue(0),
              Value(Decimal::fromString("-1.25")));
    EXPECT_EQ(complex->dataByConvertingToDataType(CPTNumericDataTypeFromString("<i2"))->sampleValue(0),
              Value(-1));
    // A float becomes a decimal through its own shortest digits.
    EXPECT_EQ(CPTNumericData(bytesOf<float>({0.1f}), "<f4")
                  .dataByConvertingToDataType(CPTNumericDataTypeFromString("<d20"))
                  ->sampleValue(0)
                  ->toDecimal(),
              Decimal::fromString("0.1"));
    // An 8-byte complex sample swaps as one unit.
    auto swapped = bytesOf<float>({1.0f, 2.0f});
    CPTNumericData::swapByteOrderForData(swapped, 8);
    Bytes expected = bytesOf<float>({1.0f, 2.0f});
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(swapped, expected);
    Bytes odd{1, 2, 3, 4, 5};
    CPTNumericData::swapByteOrderForData(odd, 2);
    EXPECT_EQ(odd, (Bytes{2, 1, 4, 3, 5}));
    CPTNumericData::swapByteOrderForData(odd, 20);
    EXPECT_EQ(odd, (Bytes{2, 1, 4, 3, 5}));
}

TEST(CPTNumericData, MutableConversionAndShape) {
    const auto data = CPTMutableNumericData::numericDataWithData(bytesOf<double>({1.9, -2.5, 300}), "<f8");
    data->setDataType(CPTNumericDataTypeFromString("<i2"));
    EXPECT_EQ(data->length(), 6u);
    EXPECT_EQ(data->data(), bytesOf<std::int16_t>({1, -2, 300}));
    data->setDataType(CPTNumericDataTypeFromString("<f8"));
    EXPECT_EQ(data->length(), 24u);
    EXPECT_EQ(data->sampleArray(), (Value::Array{1.0, -2.0, 300.0}));

    data->setByteOrder(CFByteOrderBigEndian);
    EXPECT_EQ(data->byteOrder(), CFByteOrderBigEndian);
    EXPECT_EQ(data->dataByConvertingToType(CPTFloatingPointDataType, 8, 1)->sampleArray(),
              (Value::Array{1.0, -2.0, 300.0}));
    data->setByteOrder(CFByteOrderLittleEndian);
    data->setSampleBytes(4);
    EXPECT_EQ(data->data(), bytesOf<float>({1, -2, 300}));
    data->setDataTypeFormat(CPTDecimalDataType); // d4 is no sample kind: nothing converts
    EXPECT_EQ(data->data(), bytesOf<float>({1, -2, 300}));

    const auto bytes = CPTMutableNumericData::numericDataWithData(Bytes{200, 1}, "<u1");
    bytes->setDataType(CPTNumericDataTypeFromString("<i1"));
    EXPECT_EQ(bytes->data(), (Bytes{200, 1}));
    EXPECT_EQ(bytes->sampleValue(0), Value(-56));

    // An unknown byte order converts nothing: the bytes stay under the new type.
    const auto unknown = CPTMutableNumericData::numericDataWithData(
        bytesOf<double>({1}), CPTNumericDataTypeMake(CPTFloatingPointDataType, 8, CFByteOrderUnknown));
    unknown->setDataType(CPTNumericDataTypeFromString("<i8"));
    EXPECT_EQ(unknown->data(), bytesOf<double>({1}));

    const auto shaped = CPTMutableNumericData::numericDataWithData(bytesOf<double>({1, 2, 3}), "<f8");
    shaped->setShape({2});
    EXPECT_EQ(shaped->length(), 16u);
    shaped->setShape({2, 2});
    EXPECT_EQ(shaped->length(), 32u);
    EXPECT_EQ(shaped->sampleValueAtIndex({1, 1}), Value(0.0));
    *static_cast<double*>(shaped->mutableSamplePointerAtIndex({1, 0})) = 7;
    EXPECT_EQ(shaped->sampleValue(2), Value(7.0));
}

TEST(CPTNumericData, CopiesKeepClassTypeShapeAndOrder) {
    const auto columns = CPTNumericData::numericDataWithData(
        bytesOf<double>({1, 2, 3, 4}), "<f8", CPTNumericData::Shape{2, 2}, CPTDataOrderColumnsFirst);
    const auto converted = columns->dataByConvertingToDataType(CPTNumericDataTypeFromString("<i4"));
    EXPECT_EQ(converted->dataOrder(), CPTDataOrderColumnsFirst);
    EXPECT_EQ(converted->shape(), (CPTNumericData::Shape{2, 2}));

    EXPECT_EQ(dynamic_cast<CPTMutableNumericData*>(columns->copy().get()), nullptr);
    const auto mutableCopy = columns->mutableCopy();
    EXPECT_NE(dynamic_cast<CPTMutableNumericData*>(mutableCopy->copy().get()), nullptr);
    EXPECT_EQ(mutableCopy->data(), columns->data());
    EXPECT_EQ(mutableCopy->dataOrder(), CPTDataOrderColumnsFirst);
}

TEST(CPTNumericData, DescriptionUsesAPointInEveryLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_ALL, name) != nullptr)
            break;
    const auto data = CPTNumericData::numericDataWithArray(Value::Array{1, 2.5}, "<f8");
    const std::string text = data->description();
    EXPECT_EQ(text.rfind("<<CPTNumericData: 0x", 0), 0u) << text;
    EXPECT_NE(text.find("> [ 1, 2.5 ] {<f8, (\n    2\n), by rows}>"), std::string::npos) << text;
    const auto decimals =
        CPTNumericData::numericDataWithArray(Value::Array{Value(Decimal::fromString("-0.5"))}, "<d20",
                                             CPTNumericData::Shape{1, 1}, CPTDataOrderColumnsFirst);
    EXPECT_NE(decimals->description().find("[ -0.5 ] {<d20, (\n    1,\n    1\n), by columns}>"),
              std::string::npos);
    std::setlocale(LC_ALL, previous.c_str());
}
