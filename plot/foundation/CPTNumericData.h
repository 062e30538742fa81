// A typed sample buffer viewed as an array of one or more dimensions; plots cache their data in it.
// The mutable form owns a growable buffer whose sample type can be changed in place, converting every
// sample. Decimal samples are stored byte for byte in the 20-byte decimal layout.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/NotFound.h"
#include "platform/foundation/Value.h"
#include "plot/foundation/CPTNumericDataType.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CPTMutableNumericData;

class CPTNumericData {
  public:
    using Bytes = std::vector<std::uint8_t>;
    using Shape = std::vector<std::uint64_t>;

    // An empty buffer of little-endian doubles.
    CPTNumericData();
    // Without a shape the data is one-dimensional; a shape whose product differs from the number of
    // samples raises CPTNumericDataException "Shape product (%lu) does not match data size (%lu)".
    CPTNumericData(Bytes data, CPTNumericDataType dataType, std::optional<Shape> shape = std::nullopt,
                   CPTDataOrder dataOrder = CPTDataOrderRowsFirst);
    CPTNumericData(Bytes data, std::string_view dataTypeString, std::optional<Shape> shape = std::nullopt,
                   CPTDataOrder dataOrder = CPTDataOrderRowsFirst);
    // One sample per element, written by dataFromArray.
    CPTNumericData(const foundation::Value::Array& array, CPTNumericDataType dataType,
                   std::optional<Shape> shape = std::nullopt, CPTDataOrder dataOrder = CPTDataOrderRowsFirst);
    CPTNumericData(const foundation::Value::Array& array, std::string_view dataTypeString,
                   std::optional<Shape> shape = std::nullopt, CPTDataOrder dataOrder = CPTDataOrderRowsFirst);
    virtual ~CPTNumericData() = default;

    static std::shared_ptr<CPTNumericData>
    numericDataWithData(Bytes data, CPTNumericDataType dataType, std::optional<Shape> shape = std::nullopt,
                        CPTDataOrder dataOrder = CPTDataOrderRowsFirst);
    static std::shared_ptr<CPTNumericData>
    numericDataWithData(Bytes data, std::string_view dataTypeString,
                        std::optional<Shape> shape = std::nullopt,
                        CPTDataOrder dataOrder = CPTDataOrderRowsFirst);
    static std::shared_ptr<CPTNumericData>
    numericDataWithArray(const foundation::Value::Array& array, CPTNumericDataType dataType,
                         std::optional<Shape> shape = std::nullopt,
                         CPTDataOrder dataOrder = CPTDataOrderRowsFirst);
    static std::shared_ptr<CPTNumericData>
    numericDataWithArray(const foundation::Value::Array& array, std::string_view dataTypeString,
                         std::optional<Shape> shape = std::nullopt,
                         CPTDataOrder dataOrder = CPTDataOrderRowsFirst);

    const Bytes& data() const { return data_; }
    const std::uint8_t* bytes() const { return data_.data(); }
    std::uint64_t length() const { return data_.size(); }
    CPTNumericDataType dataType() const { return dataType_; }
    CPTDataTypeFormat dataTypeFormat() const { return dataType_.dataTypeFormat; }
    std::uint64_t sampleBytes() const { return dataType_.sampleBytes; }
    std::int64_t byteOrder() const { return dataType_.byteOrder; }
    const Shape& shape() const { return shape_; }
    CPTDataOrder dataOrder() const { return dataOrder_; }
    std::uint64_t numberOfDimensions() const { return shape_.size(); }
    // Whole samples in the buffer; 0 when the sample size is 0.
    std::uint64_t numberOfSamples() const;

    // nullptr past the last sample.
    const void* samplePointer(std::uint64_t sample) const;
    const void* samplePointerAtIndex(std::initializer_list<std::uint64_t> indices) const;
    // The sample number of one index per dimension; foundation::notFound when an index is outside
    // its dimension. With fewer than two dimensions the first index as it stands.
    std::uint64_t sampleIndex(std::span<const std::uint64_t> indices) const;
    std::uint64_t sampleIndex(std::initializer_list<std::uint64_t> indices) const;
    // The sample boxed as stored (host byte order assumed); nothing past the end or for a size the
    // format does not have. Raises NSInvalidArgumentException "Unsupported data type
    // (CPTUndefinedDataType)" for format 0.
    std::optional<foundation::Value> sampleValue(std::uint64_t sample) const;
    std::optional<foundation::Value> sampleValueAtIndex(std::initializer_list<std::uint64_t> indices) const;
    foundation::Value::Array sampleArray() const;

    // A new immutable object with every sample converted; shape and order kept.
    std::shared_ptr<CPTNumericData> dataByConvertingToDataType(CPTNumericDataType newDataType) const;
    std::shared_ptr<CPTNumericData>
    dataByConvertingToType(CPTDataTypeFormat format, std::uint64_t sampleBytes, std::int64_t byteOrder) const;

    // Converts length / source sampleBytes samples (in host order) into destination, from its start;
    // destination must hold them. Either side outside the thirteen sample kinds converts nothing.
    // Floating values become integers truncated towards zero, saturated, and 0 for NaN.
    static void convertData(const Bytes& source, CPTNumericDataType sourceType, Bytes& destination,
                            CPTNumericDataType destinationType);
    // Reverses the bytes of each whole sample of 2, 4 or 8 bytes; other sizes are left alone.
    static void swapByteOrderForData(Bytes& data, std::uint64_t sampleSize);
    static Bytes dataFromArray(const foundation::Value::Array& array, CPTNumericDataType dataType);

    // Numbers are written with "." whatever the locale.
    std::string description() const;

    // An object of the receiver's own class, and always a mutable one.
    virtual std::shared_ptr<CPTNumericData> copy() const;
    std::shared_ptr<CPTMutableNumericData> mutableCopy() const;

    // Keys "CPTNumericData.data", ".dataType.dataTypeFormat", ".dataType.sampleBytes",
    // ".dataType.byteOrder", ".shape", ".dataOrder".
    static bool supportsSecureCoding() { return true; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    // The archived object under key, of either class. A shape that does not match the data, or any
    // other bad entry, fails the decode and gives nothing.
    static std::shared_ptr<CPTNumericData> decodeForKey(foundation::KeyedUnarchiver& coder,
                                                        std::string_view key);

    virtual const char* className() const { return "CPTNumericData"; }

  protected:
    virtual bool isMutable() const { return false; }

    void commonInit(Bytes data, CPTNumericDataType dataType, std::optional<Shape> shape,
                    CPTDataOrder dataOrder);
    void storeShape(Shape shape);

    Bytes data_;
    CPTNumericDataType dataType_;
    Shape shape_;
    CPTDataOrder dataOrder_ = CPTDataOrderRowsFirst;
};

class CPTMutableNumericData : public CPTNumericData {
  public:
    using CPTNumericData::CPTNumericData;

    static std::shared_ptr<CPTMutableNumericData>
    numericDataWithData(Bytes data, CPTNumericDataType dataType, std::optional<Shape> shape = std::nullopt,
                        CPTDataOrder dataOrder = CPTDataOrderRowsFirst);
    static std::shared_ptr<CPTMutableNumericData>
    numericDataWithData(Bytes data, std::string_view dataTypeString,
                        std::optional<Shape> shape = std::nullopt,
                        CPTDataOrder dataOrder = CPTDataOrderRowsFirst);
    static std::shared_ptr<CPTMutableNumericData>
    numericDataWithArray(const foundation::Value::Array& array, CPTNumericDataType dataType,
                         std::optional<Shape> shape = std::nullopt,
                         CPTDataOrder dataOrder = CPTDataOrderRowsFirst);
    static std::shared_ptr<CPTMutableNumericData>
    numericDataWithArray(const foundation::Value::Array& array, std::string_view dataTypeString,
                         std::optional<Shape> shape = std::nullopt,
                         CPTDataOrder dataOrder = CPTDataOrderRowsFirst);

    Bytes& mutableData() { return data_; }
    std::uint8_t* mutableBytes() { return data_.data(); }
    void* mutableSamplePointer(std::uint64_t sample);
    void* mutableSamplePointerAtIndex(std::initializer_list<std::uint64_t> indices);

    // Each converts every sample in place; the last three only when the field changes.
    void setDataType(CPTNumericDataType newType);
    void convertToType(CPTDataTypeFormat format, std::uint64_t sampleBytes, std::int64_t byteOrder);
    void setDataTypeFormat(CPTDataTypeFormat format);
    void setSampleBytes(std::uint64_t sampleBytes);
    void setByteOrder(std::int64_t byteOrder);
    // Resizes the buffer to the product of the entries (cutting or growing with zero bytes).
    void setShape(Shape shape);

    std::shared_ptr<CPTNumericData> copy() const override;

    const char* className() const override { return "CPTMutableNumericData"; }

  protected:
    bool isMutable() const override { return true; }
};
