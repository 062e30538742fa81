// The plot's data cache: fetching from the data source in the order of its operations, normalising
// every answer to doubles or decimals, caching whole fields and blocks of records, category strings as
// indexes, per-record object lists, insertion and deletion in place, and reading values back.
#include "plot/graph/CPTPlot.h"

#include "plot/foundation/CPTException.h"
#include "plot/graph/CPTPlotSpace.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <span>
#include <utility>

using foundation::Decimal;
using foundation::Value;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Missing values in the sample type: NaN for floating and decimal samples, 0 for integers.
void fillMissing(std::uint8_t* p, CPTNumericDataType type, std::uint64_t count) {
    const std::uint64_t size = type.sampleBytes;
    if (type.dataTypeFormat == CPTFloatingPointDataType && size == 8) {
        for (std::uint64_t k = 0; k < count; ++k)
            std::memcpy(p + k * size, &kNaN, size);
    } else if (type.dataTypeFormat == CPTFloatingPointDataType && size == 4) {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        for (std::uint64_t k = 0; k < count; ++k)
            std::memcpy(p + k * size, &nan, size);
    } else if (type.dataTypeFormat == CPTDecimalDataType && size == sizeof(Decimal)) {
        const Decimal nan = Decimal::notANumber();
        for (std::uint64_t k = 0; k < count; ++k)
            std::memcpy(p + k * size, &nan, size);
    } else {
        std::memset(p, 0, count * size);
    }
}

// One dimension of n samples; the samples it gains are missing values.
void resizeSamples(CPTMutableNumericData& data, std::uint64_t n) {
    const std::uint64_t old = data.numberOfSamples();
    data.setShape({n});
    if (n > old)
        fillMissing(data.mutableBytes() + old * data.sampleBytes(), data.dataType(), n - old);
}

bool isNil(const CPTPlotNumbers& numbers) {
    if (const auto* v = std::get_if<Value>(&numbers))
        return v->isNull();
    if (const auto* d = std::get_if<std::shared_ptr<CPTNumericData>>(&numbers))
        return !*d;
    return false;
}

const Value::Array* arrayOf(const CPTPlotNumbers& numbers) {
    const auto* v = std::get_if<Value>(&numbers);
    return v && v->kind() == Value::Kind::Array ? &v->array() : nullptr;
}

// The least and greatest finite values, as a pass taking each value in turn keeps them: the first of
// equal values wins, so a -0.0 met before a 0.0 stays. An infinite value has no place on an axis any more
// than a missing (NaN) one. None: (+inf, -inf). Four running extremes side by side take the values, which
// keeps the compiler's selects free of one long chain and lets it use paired instructions.
std::pair<double, double> finiteExtent(std::span<const double> values) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kLargest = std::numeric_limits<double>::max();
    constexpr std::size_t kLanes = 4;
    double low[kLanes] = {kInf, kInf, kInf, kInf};
    double high[kLanes] = {-kInf, -kInf, -kInf, -kInf};
    const double* v = values.data();
    const std::size_t n = values.size();
    std::size_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        for (std::size_t k = 0; k < kLanes; ++k) {
            const double x = v[i + k];
            const bool finite = std::fabs(x) <= kLargest;
            const double forLow = finite ? x : kInf, forHigh = finite ? x : -kInf;
            low[k] = forLow < low[k] ? forLow : low[k];
            high[k] = high[k] < forHigh ? forHigh : high[k];
        }
    }
    for (; i < n; ++i) {
        const double x = v[i];
        if (std::fabs(x) <= kLargest) {
            low[0] = x < low[0] ? x : low[0];
            high[0] = high[0] < x ? x : high[0];
        }
    }
    double lo = low[0], hi = high[0];
    for (std::size_t k = 1; k < kLanes; ++k) {
        lo = low[k] < lo ? low[k] : lo;
        hi = hi < high[k] ? high[k] : hi;
    }
    // Equal values differ only as zeros of two signs: the first zero in the values is the one kept.
    auto firstZero = [&] {
        for (std::size_t j = 0; j < n; ++j)
            if (v[j] == 0)
                return v[j];
        return 0.0;
    };
    if (lo == 0)
        lo = firstZero();
    if (hi == 0)
        hi = firstZero();
    return {lo, hi};
}

std::uint64_t samplesOf(const CPTNumericData* data) {
    return data ? data->numberOfSamples() : 0;
}

double readDouble(const CPTNumericData& data, std::uint64_t idx) {
    const void* p = data.samplePointer(idx);
    if (!p)
        return kNaN;
    if (data.dataTypeFormat() == CPTDecimalDataType && data.sampleBytes() == sizeof(Decimal)) {
        Decimal d;
        std::memcpy(&d, p, sizeof d);
        return CPTDecimalToDouble(d);
    }
    if (data.dataTypeFormat() == CPTFloatingPointDataType && data.sampleBytes() == 8) {
        double v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    if (data.dataTypeFormat() == CPTFloatingPointDataType && data.sampleBytes() == 4) {
        float v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    throw CPTException(CPTExceptionName, "Unsupported data type format");
}

Decimal readDecimal(const CPTNumericData& data, std::uint64_t idx) {
    const void* p = data.samplePointer(idx);
    if (!p)
        return CPTDecimalNotANumber();
    if (data.dataTypeFormat() == CPTDecimalDataType && data.sampleBytes() == sizeof(Decimal)) {
        Decimal d;
        std::memcpy(&d, p, sizeof d);
        return d;
    }
    if (data.dataTypeFormat() == CPTFloatingPointDataType)
        return CPTDecimalFromDouble(readDouble(data, idx));
    throw CPTException(CPTExceptionName, "Unsupported data type format");
}

} // namespace

// --- cache types

CPTNumericDataType CPTPlot::doubleDataType() {
    static const CPTNumericDataType type =
        CPTNumericDataTypeMake(CPTFloatingPointDataType, sizeof(double), CFByteOrderGetCurrent());
    return type;
}

CPTNumericDataType CPTPlot::decimalDataType() {
    static const CPTNumericDataType type =
        CPTNumericDataTypeMake(CPTDecimalDataType, sizeof(Decimal), CFByteOrderGetCurrent());
    return type;
}

bool CPTPlot::doublePrecisionCache() const {
    switch (cachePrecision_) {
    case CPTPlotCachePrecisionDouble:
        return true;
    case CPTPlotCachePrecisionDecimal:
        return false;
    default:
        if (cachedNumbers_.empty())
            return false;
        return CPTNumericDataTypeEqual(cachedNumbers_.begin()->second->dataType(), doubleDataType());
    }
}

CPTNumericDataType CPTPlot::targetDataType() const {
    switch (cachePrecision_) {
    case CPTPlotCachePrecisionDecimal:
        return decimalDataType();
    case CPTPlotCachePrecisionDouble:
        return doubleDataType();
    default:
        return doublePrecisionCache() ? doubleDataType() : decimalDataType();
    }
}

void CPTPlot::setCachePrecision(CPTPlotCachePrecision precision) {
    if (precision == cachePrecision_)
        return;
    cachePrecision_ = precision;
    if (precision == CPTPlotCachePrecisionDecimal)
        setCachedDataType(decimalDataType());
    else if (precision == CPTPlotCachePrecisionDouble)
        setCachedDataType(doubleDataType());
}

void CPTPlot::setCachedDataType(CPTNumericDataType newDataType) {
    for (auto& [field, data] : cachedNumbers_)
        if (!CPTNumericDataTypeEqual(data->dataType(), newDataType))
            data->setDataType(newDataType);
}

// --- fetching

bool CPTPlot::loadNumbersForAllFieldsFromDataSourceInRecordIndexRange(NSRange indexRange) {
    auto source = dataSource();
    if (!source)
        return false;
    std::optional<std::shared_ptr<CPTNumericData>> answer = source->dataForPlotRecordIndexRange(*this, indexRange);
    if (!answer)
        return false;
    std::shared_ptr<CPTNumericData> data = *answer;
    if (!data || data->numberOfSamples() == 0 || data->numberOfDimensions() != 2 || data->shape()[1] == 0)
        return false;
    const CPTNumericDataType type = targetDataType();
    if (!CPTNumericDataTypeEqual(data->dataType(), type)) {
        auto converted = data->mutableCopy();
        converted->setDataType(type);
        data = converted;
    }
    if (data->dataOrder() != CPTDataOrderRowsFirst && data->dataOrder() != CPTDataOrderColumnsFirst)
        return false;
    const std::uint64_t records = data->shape()[0];
    const std::uint64_t fields = data->shape()[1];
    const std::uint64_t size = type.sampleBytes;
    for (std::uint64_t c = 0; c < fields; ++c) {
        CPTNumericData::Bytes column(records * size);
        for (std::uint64_t r = 0; r < records; ++r) {
            const std::uint64_t sample =
                data->dataOrder() == CPTDataOrderColumnsFirst ? c * records + r : r * fields + c;
            std::memcpy(column.data() + r * size, data->bytes() + sample * size, size);
        }
        cacheNumbers(CPTMutableNumericData::numericDataWithData(std::move(column), type), c, indexRange.location);
    }
    return true;
}

CPTPlotNumbers CPTPlot::numbersFromDataSourceForField(std::uint64_t fieldEnum, NSRange indexRange) {
    auto source = dataSource();
    if (!source)
        return Value(Value::Array{});
    const std::uint64_t length = indexRange.end() - indexRange.location;
    if (auto answer = source->dataForPlot(*this, fieldEnum, indexRange))
        return fittedToLength(std::move(*answer), length);
    if (auto doubles = source->doublesForPlot(*this, fieldEnum, indexRange)) {
        // Nothing behind the answer is no data rather than a read of nowhere.
        if (!doubles->data())
            return Value();
        const std::uint64_t given = std::min<std::uint64_t>(length, doubles->size());
        const auto* from = reinterpret_cast<const std::uint8_t*>(doubles->data());
        CPTNumericData::Bytes bytes(from, from + given * sizeof(double));
        bytes.resize(length * sizeof(double));
        fillMissing(bytes.data() + given * sizeof(double), doubleDataType(), length - given);
        return bytes;
    }
    if (auto numbers = source->numbersForPlot(*this, fieldEnum, indexRange))
        return fittedToLength(std::move(*numbers), length);
    if (length == 0)
        return Value(Value::Array{});
    // A per-record operation shows whether it is implemented by its answer for the first record.
    if (auto first = source->doubleForPlot(*this, fieldEnum, indexRange.location)) {
        CPTNumericData::Bytes bytes(length * sizeof(double));
        for (std::uint64_t k = 0; k < length; ++k) {
            const double v =
                k == 0 ? *first : source->doubleForPlot(*this, fieldEnum, indexRange.location + k).value_or(kNaN);
            std::memcpy(bytes.data() + k * sizeof(double), &v, sizeof v);
        }
        return bytes;
    }
    if (auto first = source->numberForPlot(*this, fieldEnum, indexRange.location)) {
        Value::Array array;
        array.reserve(length);
        array.push_back(std::move(*first));
        for (std::uint64_t k = 1; k < length; ++k)
            array.push_back(source->numberForPlot(*this, fieldEnum, indexRange.location + k).value_or(Value()));
        return Value(std::move(array));
    }
    return Value(Value::Array(length, Value(Decimal())));
}

CPTPlotNumbers CPTPlot::fittedToLength(CPTPlotNumbers numbers, std::uint64_t length) const {
    if (auto* v = std::get_if<Value>(&numbers)) {
        if (v->kind() != Value::Kind::Array || v->array().size() == length)
            return numbers;
        Value::Array array = v->array();
        array.resize(length);
        return Value(std::move(array));
    }
    if (auto* bytes = std::get_if<CPTNumericData::Bytes>(&numbers)) {
        const std::uint64_t given = std::min<std::uint64_t>(length, bytes->size() / sizeof(double));
        bytes->resize(length * sizeof(double));
        fillMissing(bytes->data() + given * sizeof(double), doubleDataType(), length - given);
        return numbers;
    }
    auto& data = std::get<std::shared_ptr<CPTNumericData>>(numbers);
    if (!data || data->numberOfSamples() == length || data->sampleBytes() == 0)
        return numbers;
    auto fitted = data->mutableCopy();
    resizeSamples(*fitted, length);
    return std::shared_ptr<CPTNumericData>(fitted);
}

std::shared_ptr<CPTMutableNumericData> CPTPlot::numericDataForNumbers(const CPTPlotNumbers& numbers) const {
    if (isNil(numbers))
        return nullptr;
    if (const auto* d = std::get_if<std::shared_ptr<CPTNumericData>>(&numbers)) {
        auto data = (*d)->mutableCopy();
        if (!CPTNumericDataTypeEqual(data->dataType(), decimalDataType()) &&
            !CPTNumericDataTypeEqual(data->dataType(), doubleDataType()))
            data->setDataType(doubleDataType());
        return data;
    }
    if (const auto* bytes = std::get_if<CPTNumericData::Bytes>(&numbers)) {
        CPTNumericData::Bytes whole(bytes->begin(), bytes->begin() + (bytes->size() / sizeof(double)) * sizeof(double));
        return CPTMutableNumericData::numericDataWithData(std::move(whole), doubleDataType());
    }
    const Value::Array* array = arrayOf(numbers);
    if (!array)
        throw CPTException(CPTExceptionName, "Unsupported number array format");
    const bool decimals = !array->empty() && array->front().kind() == Value::Kind::Decimal;
    return CPTMutableNumericData::numericDataWithArray(*array, decimals ? decimalDataType() : doubleDataType());
}

// --- caching

CPTScaleType CPTPlot::scaleTypeOfField(std::uint64_t fieldEnum) const {
    if (!plotSpace_)
        return CPTScaleTypeLinear;
    return plotSpace_->scaleTypeForCoordinate(static_cast<CPTCoordinate>(coordinateForFieldIdentifier(fieldEnum)));
}

std::shared_ptr<CPTMutableNumericData> CPTPlot::categoryIndexes(const Value::Array& categories,
                                                                CPTCoordinate coordinate, bool add) {
    if (add)
        for (const Value& c : categories)
            if (c.kind() == Value::Kind::String)
                plotSpace_->addCategory(c.string(), coordinate);
    // Anything but a known category string is a missing value.
    Value::Array indexes;
    indexes.reserve(categories.size());
    for (const Value& c : categories) {
        const std::uint64_t idx =
            c.kind() == Value::Kind::String ? plotSpace_->indexOfCategory(c.string(), coordinate) : foundation::notFound;
        if (idx == foundation::notFound)
            indexes.emplace_back();
        else
            indexes.emplace_back(idx);
    }
    const CPTNumericDataType type =
        cachePrecision_ == CPTPlotCachePrecisionDecimal ? decimalDataType() : doubleDataType();
    return CPTMutableNumericData::numericDataWithArray(indexes, type);
}

void CPTPlot::cacheNumbers(const CPTPlotNumbers& numbers, std::uint64_t fieldEnum) {
    if (isNil(numbers)) {
        cachedNumbers_.erase(fieldEnum);
        cachedDataCount_ = 0;
    } else {
        const CPTScaleType scale = scaleTypeOfField(fieldEnum);
        const auto coordinate = static_cast<CPTCoordinate>(coordinateForFieldIdentifier(fieldEnum));
        switch (scale) {
        case CPTScaleTypeLinear:
        case CPTScaleTypeLog:
        case CPTScaleTypeLogModulus: {
            auto data = numericDataForNumbers(numbers);
            if (data->numberOfSamples() > 0)
                cachedNumbers_[fieldEnum] = data;
            else
                cachedNumbers_.erase(fieldEnum);
            cachedDataCount_ = data->numberOfSamples();
            if (cachePrecision_ == CPTPlotCachePrecisionDecimal)
                setCachedDataType(decimalDataType());
            else if (cachePrecision_ == CPTPlotCachePrecisionDouble)
                setCachedDataType(doubleDataType());
            else
                setCachedDataType(data->dataType());
            break;
        }
        case CPTScaleTypeCategory: {
            const Value::Array* array = arrayOf(numbers);
            if (!array || !plotSpace_) {
                cachedNumbers_.erase(fieldEnum);
                break;
            }
            std::vector<std::string> names;
            for (const Value& c : *array)
                if (c.kind() == Value::Kind::String)
                    names.push_back(c.string());
            plotSpace_->setCategories(names, coordinate);
            if (array->empty()) {
                cachedNumbers_.erase(fieldEnum);
                break;
            }
            cachedNumbers_[fieldEnum] = categoryIndexes(*array, coordinate, false);
            cachedDataCount_ = array->size();
            break;
        }
        default:
            break;
        }
    }
    setNeedsRelabel(true);
    setNeedsDisplay();
}

void CPTPlot::cacheNumbers(const CPTPlotNumbers& numbers, std::uint64_t fieldEnum, std::uint64_t idx) {
    if (isNil(numbers))
        return;
    const CPTScaleType scale = scaleTypeOfField(fieldEnum);
    std::shared_ptr<CPTMutableNumericData> block;
    switch (scale) {
    case CPTScaleTypeCategory:
        if (const Value::Array* array = arrayOf(numbers); array && !array->empty() && plotSpace_)
            block = categoryIndexes(*array, static_cast<CPTCoordinate>(coordinateForFieldIdentifier(fieldEnum)), true);
        break;
    case CPTScaleTypeLinear:
    case CPTScaleTypeLog:
    case CPTScaleTypeLogModulus:
        block = numericDataForNumbers(numbers);
        if (block->numberOfSamples() > 0) {
            if (cachePrecision_ == CPTPlotCachePrecisionDecimal) {
                setCachedDataType(decimalDataType());
                block->setDataType(decimalDataType());
            } else if (cachePrecision_ == CPTPlotCachePrecisionDouble) {
                setCachedDataType(doubleDataType());
                block->setDataType(doubleDataType());
            } else {
                setCachedDataType(block->dataType());
            }
        }
        break;
    default:
        cachedNumbers_.erase(fieldEnum);
        setNeedsDisplay();
        return;
    }

    if (block && block->numberOfSamples() > 0) {
        auto& field = cachedNumbers_[fieldEnum];
        const std::uint64_t n = numberOfRecords();
        if (!field && idx == 0 && block->numberOfSamples() == n) {
            // A new field of every record at once is the block itself (made here, so no one else's).
            field = std::move(block);
            cachedDataCount_ = n;
            relabelIndexRange(NSMakeRange(0, n));
            setNeedsDisplay();
            return;
        }
        if (!field)
            field = CPTMutableNumericData::numericDataWithData({}, block->dataType());
        // Bytes are copied sample for sample, so the block takes the field's type first.
        if (!CPTNumericDataTypeEqual(block->dataType(), field->dataType()))
            block->setDataType(field->dataType());
        resizeSamples(*field, n);
        cachedDataCount_ = n;
        if (idx < n) {
            const std::uint64_t count = std::min(block->numberOfSamples(), n - idx);
            std::memcpy(field->mutableBytes() + idx * field->sampleBytes(), block->bytes(),
                        count * field->sampleBytes());
        }
        relabelIndexRange(NSMakeRange(idx, block->numberOfSamples()));
    }
    setNeedsDisplay();
}

// --- object lists

const CPTPlotObjectList* CPTPlot::cachedArrayForKey(std::string_view key) const {
    auto it = cachedArrays_.find(key);
    return it == cachedArrays_.end() ? nullptr : &it->second;
}

std::optional<CPTPlotObject> CPTPlot::cachedValueForKey(std::string_view key, std::uint64_t idx) const {
    const CPTPlotObjectList* list = cachedArrayForKey(key);
    if (!list || idx >= list->size())
        return std::nullopt;
    return (*list)[idx];
}

void CPTPlot::cacheArray(const CPTPlotObjectList& array, std::string_view key) {
    if (array.empty()) {
        if (auto it = cachedArrays_.find(key); it != cachedArrays_.end())
            cachedArrays_.erase(it);
    } else {
        cachedArrays_.insert_or_assign(std::string(key), array);
    }
    cachedDataCount_ = array.size();
}

void CPTPlot::cacheArray(const CPTPlotObjectList& array, std::string_view key, std::uint64_t idx) {
    if (array.empty())
        return;
    const std::uint64_t n = numberOfRecords();
    auto it = cachedArrays_.find(key);
    if (it == cachedArrays_.end())
        it = cachedArrays_.emplace(std::string(key), CPTPlotObjectList()).first;
    CPTPlotObjectList& list = it->second;
    if (list.size() < n)
        list.resize(n);
    cachedDataCount_ = n;
    for (std::uint64_t k = 0; k < array.size() && idx + k < list.size(); ++k)
        list[idx + k] = array[k];
}

// --- inserting and deleting

void CPTPlot::insertDataAtIndex(std::uint64_t idx, std::uint64_t count) {
    if (idx > cachedDataCount_)
        throw CPTException(NSRangeException, std::string("-[") + className() +
                                                 " insertDataAtIndex:numberOfRecords:]: index " + std::to_string(idx) +
                                                 " beyond bounds [0 .. " + std::to_string(cachedDataCount_) + "]");
    for (auto& [field, data] : cachedNumbers_) {
        const std::uint64_t size = data->sampleBytes();
        const std::uint64_t old = data->numberOfSamples();
        const std::uint64_t at = std::min(idx, old);
        data->setShape({old + count});
        std::uint8_t* bytes = data->mutableBytes();
        std::memmove(bytes + (at + count) * size, bytes + at * size, (old - at) * size);
        fillMissing(bytes + at * size, data->dataType(), count);
    }
    for (auto& [key, list] : cachedArrays_) {
        const auto at = static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(idx, list.size()));
        list.insert(list.begin() + at, count, CPTPlotObject());
    }
    if (labelAnnotations_) {
        const auto at = static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(idx, labelAnnotations_->size()));
        labelAnnotations_->insert(labelAnnotations_->begin() + at, count, nullptr);
    }
    cachedDataCount_ += count;
    reloadDataInIndexRange(NSMakeRange(idx, count));
}

void CPTPlot::deleteDataInIndexRange(NSRange indexRange) {
    if (indexRange.end() > cachedDataCount_ || indexRange.end() - indexRange.location != indexRange.length)
        throw CPTException(NSRangeException, std::string("-[") + className() + " deleteDataInIndexRange:]: range {" +
                                                 std::to_string(indexRange.location) + ", " +
                                                 std::to_string(indexRange.length) + "} beyond bounds [0 .. " +
                                                 std::to_string(cachedDataCount_) + "]");
    for (auto& [field, data] : cachedNumbers_) {
        const std::uint64_t size = data->sampleBytes();
        const std::uint64_t old = data->numberOfSamples();
        const std::uint64_t from = std::min(indexRange.location, old);
        const std::uint64_t to = std::min(indexRange.end(), old);
        std::uint8_t* bytes = data->mutableBytes();
        std::memmove(bytes + from * size, bytes + to * size, (old - to) * size);
        data->setShape({old - (to - from)});
    }
    auto eraseRange = [&](auto& list) {
        const std::uint64_t from = std::min<std::uint64_t>(indexRange.location, list.size());
        const std::uint64_t to = std::min<std::uint64_t>(indexRange.end(), list.size());
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(from), list.begin() + static_cast<std::ptrdiff_t>(to));
    };
    for (auto& [key, list] : cachedArrays_)
        eraseRange(list);
    if (labelAnnotations_) {
        for (std::uint64_t i = indexRange.location; i < indexRange.end() && i < labelAnnotations_->size(); ++i)
            removeLabelAnnotation((*labelAnnotations_)[i]);
        eraseRange(*labelAnnotations_);
    }
    cachedDataCount_ -= indexRange.length;
    setNeedsDisplay();
}

// --- reading back

std::shared_ptr<CPTMutableNumericData> CPTPlot::cachedNumbersForField(std::uint64_t fieldEnum) const {
    auto it = cachedNumbers_.find(fieldEnum);
    return it == cachedNumbers_.end() ? nullptr : it->second;
}

std::optional<Value> CPTPlot::cachedNumberForField(std::uint64_t fieldEnum, std::uint64_t idx) const {
    auto data = cachedNumbersForField(fieldEnum);
    if (!data)
        return std::nullopt;
    return data->sampleValue(idx);
}

double CPTPlot::cachedDoubleForField(std::uint64_t fieldEnum, std::uint64_t idx) const {
    auto data = cachedNumbersForField(fieldEnum);
    if (!data || idx >= data->numberOfSamples())
        return kNaN;
    return readDouble(*data, idx);
}

std::vector<double> CPTPlot::cachedDoublesForField(std::uint64_t fieldEnum, std::uint64_t count) const {
    std::vector<double> values(count, kNaN);
    auto data = cachedNumbersForField(fieldEnum);
    const std::uint64_t n = std::min(count, samplesOf(data.get()));
    if (n > 0 && data->dataTypeFormat() == CPTFloatingPointDataType && data->sampleBytes() == sizeof(double)) {
        std::memcpy(values.data(), data->bytes(), n * sizeof(double));
        return values;
    }
    for (std::uint64_t i = 0; i < n; ++i)
        values[i] = readDouble(*data, i);
    return values;
}

std::span<const double> CPTPlot::cachedDoublesForField(std::uint64_t fieldEnum, std::uint64_t count,
                                                       std::vector<double>& scratch) const {
    auto data = cachedNumbersForField(fieldEnum);
    if (count > 0 && samplesOf(data.get()) >= count && data->dataTypeFormat() == CPTFloatingPointDataType &&
        data->sampleBytes() == sizeof(double) &&
        reinterpret_cast<std::uintptr_t>(data->bytes()) % alignof(double) == 0)
        return {reinterpret_cast<const double*>(data->bytes()), count};
    scratch = cachedDoublesForField(fieldEnum, count);
    return scratch;
}

NSDecimal CPTPlot::cachedDecimalForField(std::uint64_t fieldEnum, std::uint64_t idx) const {
    auto data = cachedNumbersForField(fieldEnum);
    if (!data || idx >= data->numberOfSamples())
        return CPTDecimalNotANumber();
    return readDecimal(*data, idx);
}

std::shared_ptr<CPTPlotRange> CPTPlot::plotRangeForField(std::uint64_t fieldEnum) {
    if (dataNeedsReloading_)
        reloadData();
    auto data = cachedNumbersForField(fieldEnum);
    const std::uint64_t n = samplesOf(data.get());
    if (n == 0)
        return nullptr;
    if (doublePrecisionCache()) {
        std::vector<double> scratch;
        const auto [lo, hi] = finiteExtent(cachedDoublesForField(fieldEnum, n, scratch));
        if (hi < lo)
            return nullptr;
        return CPTPlotRange::plotRangeWithLocation(Value(lo), Value(hi - lo));
    }
    Decimal lo;
    Decimal hi;
    bool any = false;
    for (std::uint64_t i = 0; i < n; ++i) {
        const Decimal v = readDecimal(*data, i);
        if (v.isNaN())
            continue;
        if (!any || CPTDecimalIsLess(v, lo))
            lo = v;
        if (!any || CPTDecimalIsGreater(v, hi))
            hi = v;
        any = true;
    }
    if (!any)
        return nullptr;
    return CPTPlotRange::plotRangeWithLocationDecimal(lo, CPTDecimalMinus(hi, lo));
}
