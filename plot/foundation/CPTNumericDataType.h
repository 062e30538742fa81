// The description of a numeric sample: kind, size and byte order, with its short text form ("<f8").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum CPTDataTypeFormat : std::int64_t {
    CPTUndefinedDataType = 0,
    CPTIntegerDataType = 1,
    CPTUnsignedIntegerDataType = 2,
    CPTFloatingPointDataType = 3,
    CPTComplexFloatingPointDataType = 4,
    CPTDecimalDataType = 5,
};

// Layout of more than one dimension.
enum CPTDataOrder : std::int64_t {
    CPTDataOrderRowsFirst = 0,    // the last index varies fastest
    CPTDataOrderColumnsFirst = 1, // the first index varies fastest
};

// The platform's byte-order codes; little-endian is the host order.
inline constexpr std::int64_t CFByteOrderUnknown = 0;
inline constexpr std::int64_t CFByteOrderLittleEndian = 1;
inline constexpr std::int64_t CFByteOrderBigEndian = 2;
inline constexpr std::int64_t CFByteOrderGetCurrent() {
    return CFByteOrderLittleEndian;
}

struct CPTNumericDataType {
    CPTDataTypeFormat dataTypeFormat = CPTUndefinedDataType;
    std::uint64_t sampleBytes = 0;
    std::int64_t byteOrder = CFByteOrderUnknown;
};

CPTNumericDataType CPTNumericDataTypeMake(CPTDataTypeFormat format, std::uint64_t sampleBytes,
                                          std::int64_t byteOrder);
bool CPTNumericDataTypeEqual(CPTNumericDataType a, CPTNumericDataType b);
// "<f8", ">i2", "=d20": order character, type letter (either case), bytes per sample. Raises
// NSGenericException "Unknown type in dataTypeString" or "Unknown byte order in dataTypeString".
CPTNumericDataType CPTNumericDataTypeFromString(std::string_view text);
// Raises NSGenericException "Unsupported data type" for format 0.
std::string CPTNumericDataTypeToString(CPTNumericDataType type);
// Whether the pair of format and size is one of the thirteen sample kinds.
bool CPTNumericDataTypeIsSupported(CPTNumericDataType type);
