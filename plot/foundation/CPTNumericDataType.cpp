// Sample type records and their text form.
#include "plot/foundation/CPTNumericDataType.h"

#include "plot/foundation/CPTException.h"

#include <cctype>
#include <limits>

CPTNumericDataType CPTNumericDataTypeMake(CPTDataTypeFormat format, std::uint64_t sampleBytes,
                                          std::int64_t byteOrder) {
    return CPTNumericDataType{format, sampleBytes, byteOrder};
}

bool CPTNumericDataTypeEqual(CPTNumericDataType a, CPTNumericDataType b) {
    return a.dataTypeFormat == b.dataTypeFormat && a.sampleBytes == b.sampleBytes &&
           a.byteOrder == b.byteOrder;
}

CPTNumericDataType CPTNumericDataTypeFromString(std::string_view text) {
    CPTNumericDataType type;
    const char letter =
        text.size() > 1 ? static_cast<char>(std::tolower(static_cast<unsigned char>(text[1]))) : '\0';
    switch (letter) {
    case 'c':
        type.dataTypeFormat = CPTComplexFloatingPointDataType;
        break;
    case 'd':
        type.dataTypeFormat = CPTDecimalDataType;
        break;
    case 'f':
        type.dataTypeFormat = CPTFloatingPointDataType;
        break;
    case 'i':
        type.dataTypeFormat = CPTIntegerDataType;
        break;
    case 'u':
        type.dataTypeFormat = CPTUnsignedIntegerDataType;
        break;
    default:
        throw CPTException(NSGenericException, "Unknown type in dataTypeString");
    }
    // Leading digits as an integer; a sign or other text reads as 0 bytes, never as a huge size.
    std::uint64_t bytes = 0;
    for (std::size_t i = 2; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        bytes = std::min<std::uint64_t>(bytes * 10 + static_cast<std::uint64_t>(text[i] - '0'), 1u << 30);
    type.sampleBytes = bytes;
    switch (text[0]) {
    case '<':
    case '=':
        type.byteOrder = CFByteOrderLittleEndian;
        break;
    case '>':
        type.byteOrder = CFByteOrderBigEndian;
        break;
    default:
        throw CPTException(NSGenericException, "Unknown byte order in dataTypeString");
    }
    return type;
}

std::string CPTNumericDataTypeToString(CPTNumericDataType type) {
    std::string text;
    if (type.byteOrder == CFByteOrderLittleEndian)
        text = "<";
    else if (type.byteOrder == CFByteOrderBigEndian)
        text = ">";
    switch (type.dataTypeFormat) {
    case CPTIntegerDataType:
        text += 'i';
        break;
    case CPTUnsignedIntegerDataType:
        text += 'u';
        break;
    case CPTFloatingPointDataType:
        text += 'f';
        break;
    case CPTComplexFloatingPointDataType:
        text += 'c';
        break;
    case CPTDecimalDataType:
        text += 'd';
        break;
    default:
        throw CPTException(NSGenericException, "Unsupported data type");
    }
    return text + std::to_string(type.sampleBytes);
}

bool CPTNumericDataTypeIsSupported(CPTNumericDataType type) {
    const std::uint64_t n = type.sampleBytes;
    switch (type.dataTypeFormat) {
    case CPTIntegerDataType:
    case CPTUnsignedIntegerDataType:
        return n == 1 || n == 2 || n == 4 || n == 8;
    case CPTFloatingPointDataType:
        return n == 4 || n == 8;
    case CPTComplexFloatingPointDataType:
        return n == 8 || n == 16;
    case CPTDecimalDataType:
        return n == 20;
    default:
        return false;
    }
}
