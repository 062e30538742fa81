// Numeric sample buffers: creation with the shape check, sample access, conversion between the
// thirteen sample kinds and byte orders, and the in-place conversion of the mutable form.
#include "plot/foundation/CPTNumericData.h"

#include "plot/foundation/CPTException.h"
#include "plot/foundation/CPTUtilities.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

using foundation::Decimal;
using foundation::Value;

namespace {

const CPTNumericDataType kDoubles{CPTFloatingPointDataType, 8, CFByteOrderLittleEndian};

std::uint64_t product(const CPTNumericData::Shape& shape, bool& overflow) {
    std::uint64_t p = 1;
    overflow = false;
    for (std::uint64_t n : shape)
        overflow |= __builtin_mul_overflow(p, n, &p);
    return p;
}

std::uint64_t bufferBytes(std::uint64_t count, std::uint64_t sampleBytes) {
    std::uint64_t bytes = 0;
    if (__builtin_mul_overflow(count, sampleBytes, &bytes))
        throw CPTException(NSInvalidArgumentException, "Numeric data too large");
    return bytes;
}

// One sample on its way between kinds.
struct Sample {
    enum Kind { Signed, Unsigned, Real, Complex, Dec } kind = Signed;
    std::int64_t i = 0;
    std::uint64_t u = 0;
    double re = 0, im = 0;
    bool single = false; // a float (or a complex of floats)
    Decimal dec;
};

template <class T> T load(const std::uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T> void store(std::uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

Sample read(CPTNumericDataType type, const std::uint8_t* p) {
    Sample s;
    switch (type.dataTypeFormat) {
    case CPTIntegerDataType:
        s.kind = Sample::Signed;
        switch (type.sampleBytes) {
        case 1:
            s.i = load<std::int8_t>(p);
            break;
        case 2:
            s.i = load<std::int16_t>(p);
            break;
        case 4:
            s.i = load<std::int32_t>(p);
            break;
        default:
            s.i = load<std::int64_t>(p);
            break;
        }
        break;
    case CPTUnsignedIntegerDataType:
        s.kind = Sample::Unsigned;
        switch (type.sampleBytes) {
        case 1:
            s.u = load<std::uint8_t>(p);
            break;
        case 2:
            s.u = load<std::uint16_t>(p);
            break;
        case 4:
            s.u = load<std::uint32_t>(p);
            break;
        default:
            s.u = load<std::uint64_t>(p);
            break;
        }
        break;
    case CPTFloatingPointDataType:
        s.kind = Sample::Real;
        s.single = type.sampleBytes == 4;
        s.re = s.single ? load<float>(p) : load<double>(p);
        break;
    case CPTComplexFloatingPointDataType:
        s.kind = Sample::Complex;
        s.single = type.sampleBytes == 8;
        s.re = s.single ? load<float>(p) : load<double>(p);
        s.im = s.single ? load<float>(p + 4) : load<double>(p + 8);
        break;
    default:
        s.kind = Sample::Dec;
        std::memcpy(&s.dec, p, sizeof s.dec);
        break;
    }
    return s;
}

template <class T> T integerFrom(const Sample& s, std::uint64_t size) {
    switch (s.kind) {
    case Sample::Signed:
        return static_cast<T>(s.i); // narrowing keeps the low bits
    case Sample::Unsigned:
        return static_cast<T>(s.u);
    case Sample::Real:
    case Sample::Complex:
        return CPTIntegerFromDouble<T>(s.re);
    case Sample::Dec:
        break;
    }
    if constexpr (std::is_signed_v<T>) {
        switch (size) {
        case 1:
            return static_cast<T>(CPTDecimalToInt8(s.dec));
        case 2:
            return static_cast<T>(CPTDecimalToInt16(s.dec));
        case 4:
            return static_cast<T>(CPTDecimalToLong(s.dec)); // cut to 32 bits
        default:
            return static_cast<T>(CPTDecimalToLongLong(s.dec));
        }
    } else {
        switch (size) {
        case 1:
            return static_cast<T>(CPTDecimalToUInt8(s.dec));
        case 2:
            return static_cast<T>(CPTDecimalToUInt16(s.dec));
        case 4:
            return static_cast<T>(CPTDecimalToUnsignedLong(s.dec));
        default:
            return static_cast<T>(CPTDecimalToUnsignedLongLong(s.dec));
        }
    }
}

double realFrom(const Sample& s) {
    switch (s.kind) {
    case Sample::Signed:
        return static_cast<double>(s.i);
    case Sample::Unsigned:
        return static_cast<double>(s.u);
    case Sample::Real:
    case Sample::Complex:
        return s.re;
    case Sample::Dec:
        break;
    }
    return CPTDecimalToDouble(s.dec);
}

float floatFrom(const Sample& s) {
    switch (s.kind) {
    case Sample::Signed:
        return static_cast<float>(s.i);
    case Sample::Unsigned:
        return static_cast<float>(s.u);
    case Sample::Dec:
        return CPTDecimalToFloat(s.dec);
    default:
        return static_cast<float>(s.re);
    }
}

Decimal decimalFrom(const Sample& s) {
    switch (s.kind) {
    case Sample::Signed:
        return Decimal::fromInt64(s.i);
    case Sample::Unsigned:
        return Decimal::fromUInt64(s.u);
    case Sample::Real:
    case Sample::Complex:
        return s.single ? CPTDecimalFromFloat(static_cast<float>(s.re)) : CPTDecimalFromDouble(s.re);
    case Sample::Dec:
        break;
    }
    return s.dec;
}

void write(CPTNumericDataType type, std::uint8_t* p, const Sample& s) {
    const std::uint64_t n = type.sampleBytes;
    switch (type.dataTypeFormat) {
    case CPTIntegerDataType:
        if (n == 1)
            store(p, integerFrom<std::int8_t>(s, n));
        else if (n == 2)
            store(p, integerFrom<std::int16_t>(s, n));
        else if (n == 4)
            store(p, integerFrom<std::int32_t>(s, n));
        else
            store(p, integerFrom<std::int64_t>(s, n));
        break;
    case CPTUnsignedIntegerDataType:
        if (n == 1)
            store(p, integerFrom<std::uint8_t>(s, n));
        else if (n == 2)
            store(p, integerFrom<std::uint16_t>(s, n));
        else if (n == 4)
            store(p, integerFrom<std::uint32_t>(s, n));
        else
            store(p, integerFrom<std::uint64_t>(s, n));
        break;
    case CPTFloatingPointDataType:
        if (n == 4)
            store(p, floatFrom(s));
        else
            store(p, realFrom(s));
        break;
    case CPTComplexFloatingPointDataType: {
        const bool complex = s.kind == Sample::Complex;
        if (n == 8) {
            store(p, floatFrom(s));
            store(p + 4, complex ? static_cast<float>(s.im) : 0.0f);
        } else {
            store(p, realFrom(s));
            store(p + 8, complex ? s.im : 0.0);
        }
        break;
    }
    default: {
        const Decimal d = decimalFrom(s);
        std::memcpy(p, &d, sizeof d);
        break;
    }
    }
}

// Converts count samples; the destination may be the source itself when its samples are not larger.
void convertSamples(const std::uint8_t* source, CPTNumericDataType sourceType, std::uint8_t* destination,
                    CPTNumericDataType destinationType, std::uint64_t count) {
    if (!CPTNumericDataTypeIsSupported(sourceType) || !CPTNumericDataTypeIsSupported(destinationType))
        return;
    if (sourceType.dataTypeFormat == destinationType.dataTypeFormat &&
        sourceType.sampleBytes == destinationType.sampleBytes) {
        if (source != destination)
            std::memmove(destination, source, count * sourceType.sampleBytes);
        return;
    }
    for (std::uint64_t k = 0; k < count; ++k) {
        const Sample s = read(sourceType, source + k * sourceType.sampleBytes);
        write(destinationType, destination + k * destinationType.sampleBytes, s);
    }
}

std::string numberText(const Value& v) {
    char buf[64];
    switch (v.kind()) {
    case Value::Kind::Double: {
        const auto r = std::to_chars(buf, buf + sizeof buf, v.toDouble());
        return std::string(buf, r.ptr);
    }
    case Value::Kind::Integer:
        return std::to_string(v.toInt64());
    case Value::Kind::Unsigned:
        return std::to_string(v.toUInt64());
    case Value::Kind::Decimal:
        return v.toDecimal().toString();
    default:
        return "(null)";
    }
}

} // namespace

// ---- creation

CPTNumericData::CPTNumericData() {
    commonInit({}, kDoubles, std::nullopt, CPTDataOrderRowsFirst);
}

CPTNumericData::CPTNumericData(Bytes data, CPTNumericDataType dataType, std::optional<Shape> shape,
                               CPTDataOrder dataOrder) {
    commonInit(std::move(data), dataType, std::move(shape), dataOrder);
}

CPTNumericData::CPTNumericData(Bytes data, std::string_view dataTypeString, std::optional<Shape> shape,
                               CPTDataOrder dataOrder)
    : CPTNumericData(std::move(data), CPTNumericDataTypeFromString(dataTypeString), std::move(shape),
                     dataOrder) {}

CPTNumericData::CPTNumericData(const Value::Array& array, CPTNumericDataType dataType,
                               std::optional<Shape> shape, CPTDataOrder dataOrder)
    : CPTNumericData(dataFromArray(array, dataType), dataType, std::move(shape), dataOrder) {}

CPTNumericData::CPTNumericData(const Value::Array& array, std::string_view dataTypeString,
                               std::optional<Shape> shape, CPTDataOrder dataOrder)
    : CPTNumericData(array, CPTNumericDataTypeFromString(dataTypeString), std::move(shape), dataOrder) {}

std::shared_ptr<CPTNumericData> CPTNumericData::numericDataWithData(Bytes data, CPTNumericDataType dataType,
                                                                    std::optional<Shape> shape,
                                                                    CPTDataOrder dataOrder) {
    return std::make_shared<CPTNumericData>(std::move(data), dataType, std::move(shape), dataOrder);
}
std::shared_ptr<CPTNumericData> CPTNumericData::numericDataWithData(Bytes data,
                                                                    std::string_view dataTypeString,
                                                                    std::optional<Shape> shape,
                                                                    CPTDataOrder dataOrder) {
    return std::make_shared<CPTNumericData>(std::move(data), dataTypeString, std::move(shape), dataOrder);
}
std::shared_ptr<CPTNumericData> CPTNumericData::numericDataWithArray(const Value::Array& array,
                                                                     CPTNumericDataType dataType,
                                                                     std::optional<Shape> shape,
                                                                     CPTDataOrder dataOrder) {
    return std::make_shared<CPTNumericData>(array, dataType, std::move(shape), dataOrder);
}
std::shared_ptr<CPTNumericData> CPTNumericData::numericDataWithArray(const Value::Array& array,
                                                                     std::string_view dataTypeString,
                                                                     std::optional<Shape> shape,
                                                                     CPTDataOrder dataOrder) {
    return std::make_shared<CPTNumericData>(array, dataTypeString, std::move(shape), dataOrder);
}

std::shared_ptr<CPTMutableNumericData> CPTMutableNumericData::numericDataWithData(Bytes data,
                                                                                  CPTNumericDataType dataType,
                                                                                  std::optional<Shape> shape,
                                                                                  CPTDataOrder dataOrder) {
    return std::make_shared<CPTMutableNumericData>(std::move(data), dataType, std::move(shape), dataOrder);
}
std::shared_ptr<CPTMutableNumericData>
CPTMutableNumericData::numericDataWithData(Bytes data, std::string_view dataTypeString,
                                           std::optional<Shape> shape, CPTDataOrder dataOrder) {
    return std::make_shared<CPTMutableNumericData>(std::move(data), dataTypeString, std::move(shape),
                                                   dataOrder);
}
std::shared_ptr<CPTMutableNumericData>
CPTMutableNumericData::numericDataWithArray(const Value::Array& array, CPTNumericDataType dataType,
                                            std::optional<Shape> shape, CPTDataOrder dataOrder) {
    return std::make_shared<CPTMutableNumericData>(array, dataType, std::move(shape), dataOrder);
}
std::shared_ptr<CPTMutableNumericData>
CPTMutableNumericData::numericDataWithArray(const Value::Array& array, std::string_view dataTypeString,
                                            std::optional<Shape> shape, CPTDataOrder dataOrder) {
    return std::make_shared<CPTMutableNumericData>(array, dataTypeString, std::move(shape), dataOrder);
}

void CPTNumericData::commonInit(Bytes data, CPTNumericDataType dataType, std::optional<Shape> shape,
                                CPTDataOrder dataOrder) {
    data_ = std::move(data);
    dataType_ = dataType;
    dataOrder_ = dataOrder;
    if (!shape) {
        shape_ = Shape{numberOfSamples()};
        return;
    }
    bool overflow = false;
    const std::uint64_t p = product(*shape, overflow);
    if (overflow || p != numberOfSamples())
        throw CPTException(CPTNumericDataException, "Shape product (" + std::to_string(p) +
                                                        ") does not match data size (" +
                                                        std::to_string(numberOfSamples()) + ")");
    storeShape(std::move(*shape));
}

void CPTNumericData::storeShape(Shape shape) {
    shape_ = std::move(shape);
    if (!isMutable())
        return;
    bool overflow = false;
    const std::uint64_t p = product(shape_, overflow);
    if (overflow)
        throw CPTException(NSInvalidArgumentException, "Numeric data too large");
    data_.resize(bufferBytes(p, dataType_.sampleBytes), 0);
}

std::uint64_t CPTNumericData::numberOfSamples() const {
    return dataType_.sampleBytes == 0 ? 0 : data_.size() / dataType_.sampleBytes;
}

// ---- samples

const void* CPTNumericData::samplePointer(std::uint64_t sample) const {
    if (sample >= numberOfSamples())
        return nullptr;
    return data_.data() + sample * dataType_.sampleBytes;
}

const void* CPTNumericData::samplePointerAtIndex(std::initializer_list<std::uint64_t> indices) const {
    if (shape_.size() >= 2)
        return samplePointer(sampleIndex(indices));
    return samplePointer(indices.size() > 0 ? *indices.begin() : 0);
}

std::uint64_t CPTNumericData::sampleIndex(std::span<const std::uint64_t> indices) const {
    auto index = [&](std::size_t k) -> std::uint64_t { return k < indices.size() ? indices[k] : 0; };
    const std::size_t n = shape_.size();
    if (n < 2)
        return index(0);
    for (std::size_t k = 0; k < n; ++k)
        if (index(k) >= shape_[k])
            return foundation::notFound;
    std::uint64_t sample = 0;
    if (dataOrder_ == CPTDataOrderRowsFirst) {
        std::uint64_t stride = 1;
        for (std::size_t k = n; k-- > 0;) {
            sample += index(k) * stride;
            stride *= shape_[k];
        }
        return sample;
    }
    if (dataOrder_ == CPTDataOrderColumnsFirst) {
        std::uint64_t stride = 1;
        for (std::size_t k = 0; k < n; ++k) {
            sample += index(k) * stride;
            stride *= shape_[k];
        }
        return sample;
    }
    return 0;
}

std::uint64_t CPTNumericData::sampleIndex(std::initializer_list<std::uint64_t> indices) const {
    return sampleIndex(std::span<const std::uint64_t>(indices.begin(), indices.size()));
}

std::optional<Value> CPTNumericData::sampleValue(std::uint64_t sample) const {
    if (sample >= numberOfSamples() || dataType_.dataTypeFormat > CPTDecimalDataType)
        return std::nullopt;
    if (dataType_.dataTypeFormat == CPTUndefinedDataType)
        throw CPTException(NSInvalidArgumentException, "Unsupported data type (CPTUndefinedDataType)");
    if (!CPTNumericDataTypeIsSupported(dataType_))
        return std::nullopt;
    const Sample s = read(dataType_, data_.data() + sample * dataType_.sampleBytes);
    switch (s.kind) {
    case Sample::Signed:
        return Value(s.i);
    case Sample::Unsigned:
        return Value(s.u);
    case Sample::Real:
    case Sample::Complex:
        return s.single ? Value(static_cast<float>(s.re)) : Value(s.re);
    case Sample::Dec:
        break;
    }
    return Value(s.dec);
}

std::optional<Value> CPTNumericData::sampleValueAtIndex(std::initializer_list<std::uint64_t> indices) const {
    return sampleValue(sampleIndex(indices));
}

Value::Array CPTNumericData::sampleArray() const {
    Value::Array values;
    const std::uint64_t n = numberOfSamples();
    values.reserve(n);
    for (std::uint64_t k = 0; k < n; ++k)
        if (auto v = sampleValue(k))
            values.push_back(std::move(*v));
    return values;
}

// ---- conversion

void CPTNumericData::convertData(const Bytes& source, CPTNumericDataType sourceType, Bytes& destination,
                                 CPTNumericDataType destinationType) {
    if (sourceType.sampleBytes == 0 || destinationType.sampleBytes == 0)
        return;
    const std::uint64_t count = std::min<std::uint64_t>(source.size() / sourceType.sampleBytes,
                                                        destination.size() / destinationType.sampleBytes);
    convertSamples(source.data(), sourceType, destination.data(), destinationType, count);
}

void CPTNumericData::swapByteOrderForData(Bytes& data, std::uint64_t sampleSize) {
    if (sampleSize != 2 && sampleSize != 4 && sampleSize != 8)
        return;
    const std::size_t whole = data.size() / sampleSize * sampleSize;
    for (std::size_t k = 0; k < whole; k += sampleSize)
        std::reverse(data.begin() + static_cast<std::ptrdiff_t>(k),
                     data.begin() + static_cast<std::ptrdiff_t>(k + sampleSize));
}

CPTNumericData::Bytes CPTNumericData::dataFromArray(const Value::Array& array, CPTNumericDataType dataType) {
    Bytes data(bufferBytes(array.size(), dataType.sampleBytes), 0);
    if (!CPTNumericDataTypeIsSupported(dataType))
        return data;
    const std::uint64_t size = dataType.sampleBytes;
    for (std::size_t k = 0; k < array.size(); ++k) {
        const Value& v = array[k];
        std::uint8_t* p = data.data() + k * size;
        const bool number = v.isNumber() || v.kind() == Value::Kind::Bool;
        Sample s;
        if (!number) {
            // Elements that are not numbers: 0 for integers, NaN for floating and decimal samples.
            s.kind = Sample::Real;
            s.re = std::numeric_limits<double>::quiet_NaN();
            s.im = s.re;
            s.dec = Decimal::notANumber();
            if (dataType.dataTypeFormat == CPTComplexFloatingPointDataType)
                s.kind = Sample::Complex;
            else if (dataType.dataTypeFormat == CPTDecimalDataType)
                s.kind = Sample::Dec;
            else if (dataType.dataTypeFormat != CPTFloatingPointDataType)
                continue;
        } else if (dataType.dataTypeFormat == CPTDecimalDataType) {
            s.kind = Sample::Dec;
            s.dec = v.toDecimal();
        } else if (v.kind() == Value::Kind::Integer || v.kind() == Value::Kind::Bool) {
            s.kind = Sample::Signed;
            s.i = v.toInt64();
        } else if (v.kind() == Value::Kind::Unsigned) {
            s.kind = Sample::Unsigned;
            s.u = v.toUInt64();
        } else {
            s.kind = Sample::Real;
            s.re = v.toDouble();
        }
        write(dataType, p, s);
    }
    if (dataType.byteOrder >= CFByteOrderBigEndian)
        swapByteOrderForData(data, size);
    return data;
}

std::shared_ptr<CPTNumericData>
CPTNumericData::dataByConvertingToDataType(CPTNumericDataType newDataType) const {
    if (CPTNumericDataTypeEqual(newDataType, dataType_) ||
        (newDataType.sampleBytes == 1 && dataType_.sampleBytes == 1))
        return numericDataWithData(data_, newDataType, shape_, dataOrder_);
    const std::uint64_t count = numberOfSamples();
    Bytes converted(bufferBytes(count, newDataType.sampleBytes), 0);
    if (dataType_.byteOrder != CFByteOrderLittleEndian) {
        Bytes swapped = data_;
        swapByteOrderForData(swapped, dataType_.sampleBytes);
        convertData(swapped, dataType_, converted, newDataType);
    } else {
        convertData(data_, dataType_, converted, newDataType);
    }
    if (newDataType.byteOrder != CFByteOrderLittleEndian)
        swapByteOrderForData(converted, newDataType.sampleBytes);
    return numericDataWithData(std::move(converted), newDataType, shape_, dataOrder_);
}

std::shared_ptr<CPTNumericData> CPTNumericData::dataByConvertingToType(CPTDataTypeFormat format,
                                                                       std::uint64_t sampleBytes,
                                                                       std::int64_t byteOrder) const {
    return dataByConvertingToDataType(CPTNumericDataTypeMake(format, sampleBytes, byteOrder));
}

std::string CPTNumericData::description() const {
    std::string text = "<" + CPTObjectDescription(className(), this) + " [";
    const std::uint64_t n = numberOfSamples();
    for (std::uint64_t k = 0; k < n; ++k) {
        if (k > 0)
            text += ",";
        const auto v = sampleValue(k);
        text += " " + (v ? numberText(*v) : std::string("(null)"));
    }
    std::string shapeText = "(";
    for (std::size_t k = 0; k < shape_.size(); ++k)
        shapeText += (k > 0 ? ",\n    " : "\n    ") + std::to_string(shape_[k]);
    shapeText += "\n)";
    const std::string typeText = dataType_.dataTypeFormat == CPTUndefinedDataType
                                     ? std::string()
                                     : CPTNumericDataTypeToString(dataType_);
    return text + " ] {" + typeText + ", " + shapeText + ", " +
           (dataOrder_ == CPTDataOrderRowsFirst ? "by rows" : "by columns") + "}>";
}

std::shared_ptr<CPTNumericData> CPTNumericData::copy() const {
    return numericDataWithData(data_, dataType_, shape_, dataOrder_);
}

std::shared_ptr<CPTMutableNumericData> CPTNumericData::mutableCopy() const {
    return CPTMutableNumericData::numericDataWithData(data_, dataType_, shape_, dataOrder_);
}

std::shared_ptr<CPTNumericData> CPTMutableNumericData::copy() const {
    return mutableCopy();
}

// ---- mutable

void* CPTMutableNumericData::mutableSamplePointer(std::uint64_t sample) {
    return const_cast<void*>(samplePointer(sample));
}

void* CPTMutableNumericData::mutableSamplePointerAtIndex(std::initializer_list<std::uint64_t> indices) {
    return const_cast<void*>(samplePointerAtIndex(indices));
}

void CPTMutableNumericData::setDataType(CPTNumericDataType newType) {
    const CPTNumericDataType oldType = dataType_;
    if (CPTNumericDataTypeEqual(newType, oldType))
        return;
    dataType_ = newType;
    if (oldType.sampleBytes == 1 && newType.sampleBytes == 1)
        return;
    if (oldType.dataTypeFormat == CPTUndefinedDataType || oldType.byteOrder == CFByteOrderUnknown)
        return;
    if (oldType.byteOrder != CFByteOrderLittleEndian)
        swapByteOrderForData(data_, oldType.sampleBytes);
    const std::uint64_t count = oldType.sampleBytes == 0 ? 0 : data_.size() / oldType.sampleBytes;
    const std::uint64_t newBytes = bufferBytes(count, newType.sampleBytes);
    if (newType.sampleBytes <= oldType.sampleBytes) {
        convertSamples(data_.data(), oldType, data_.data(), newType, count);
        data_.resize(newBytes);
    } else {
        const Bytes source = data_;
        data_.assign(newBytes, 0);
        convertSamples(source.data(), oldType, data_.data(), newType, count);
    }
    if (newType.byteOrder != CFByteOrderLittleEndian)
        swapByteOrderForData(data_, newType.sampleBytes);
}

void CPTMutableNumericData::convertToType(CPTDataTypeFormat format, std::uint64_t sampleBytes,
                                          std::int64_t byteOrder) {
    setDataType(CPTNumericDataTypeMake(format, sampleBytes, byteOrder));
}

void CPTMutableNumericData::setDataTypeFormat(CPTDataTypeFormat format) {
    if (format == dataType_.dataTypeFormat)
        return;
    setDataType(CPTNumericDataTypeMake(format, dataType_.sampleBytes, dataType_.byteOrder));
}

void CPTMutableNumericData::setSampleBytes(std::uint64_t sampleBytes) {
    if (sampleBytes == dataType_.sampleBytes)
        return;
    setDataType(CPTNumericDataTypeMake(dataType_.dataTypeFormat, sampleBytes, dataType_.byteOrder));
}

void CPTMutableNumericData::setByteOrder(std::int64_t byteOrder) {
    if (byteOrder == dataType_.byteOrder)
        return;
    setDataType(CPTNumericDataTypeMake(dataType_.dataTypeFormat, dataType_.sampleBytes, byteOrder));
}

void CPTMutableNumericData::setShape(Shape shape) {
    storeShape(std::move(shape));
}

// ---- archiving

void CPTNumericData::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    coder.encodeBytes(data_, "CPTNumericData.data");
    coder.encodeInteger(dataType_.dataTypeFormat, "CPTNumericData.dataType.dataTypeFormat");
    coder.encodeInt64(static_cast<std::int64_t>(dataType_.sampleBytes),
                      "CPTNumericData.dataType.sampleBytes");
    coder.encodeInt64(dataType_.byteOrder, "CPTNumericData.dataType.byteOrder");
    Value::Array shape;
    for (std::uint64_t n : shape_)
        shape.emplace_back(n);
    coder.encodeValue(Value(std::move(shape)), "CPTNumericData.shape");
    coder.encodeInteger(dataOrder_, "CPTNumericData.dataOrder");
}

void CPTNumericData::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    coder.encodeObject(className(), key, [this](foundation::KeyedArchiver& c) { encodeWithCoder(c); });
}

std::shared_ptr<CPTNumericData> CPTNumericData::decodeForKey(foundation::KeyedUnarchiver& coder,
                                                             std::string_view key) {
    auto object = coder.decodeObjectForKey(key, {"CPTNumericData", "CPTMutableNumericData"});
    if (!object)
        return nullptr;
    Bytes data = object->decodeBytesForKey("CPTNumericData.data");
    const std::int64_t format = object->decodeIntegerForKey("CPTNumericData.dataType.dataTypeFormat");
    const std::int64_t sampleBytes = object->decodeInt64ForKey("CPTNumericData.dataType.sampleBytes");
    const std::int64_t byteOrder = object->decodeInt64ForKey("CPTNumericData.dataType.byteOrder");
    const Value shapeValue = object->decodeValueForKey("CPTNumericData.shape");
    const std::int64_t order = object->decodeIntegerForKey("CPTNumericData.dataOrder");
    if (coder.failed())
        return nullptr;
    if (format < CPTUndefinedDataType || format > CPTDecimalDataType || sampleBytes < 0 ||
        (shapeValue.kind() != Value::Kind::Array && !shapeValue.isNull())) {
        coder.failWithError("The numeric data has an unreadable type or shape.");
        return nullptr;
    }
    std::optional<Shape> shape;
    if (!shapeValue.isNull()) {
        shape.emplace();
        for (const Value& n : shapeValue.array()) {
            if (!n.isNumber() || n.toDouble() < 0) {
                coder.failWithError("The numeric data has an unreadable shape.");
                return nullptr;
            }
            shape->push_back(n.toUInt64());
        }
    }
    const CPTNumericDataType type{static_cast<CPTDataTypeFormat>(format),
                                  static_cast<std::uint64_t>(sampleBytes), byteOrder};
    try {
        if (object->className() == "CPTMutableNumericData")
            return std::make_shared<CPTMutableNumericData>(std::move(data), type, std::move(shape),
                                                           static_cast<CPTDataOrder>(order));
        return std::make_shared<CPTNumericData>(std::move(data), type, std::move(shape),
                                                static_cast<CPTDataOrder>(order));
    } catch (const CPTException& e) {
        coder.failWithError(e.reason());
        return nullptr;
    }
}
