// A data source for plot tests that answers only the operations it is told to, from one list of values
// per field (a null value is nil), and logs every call it receives with its record or range.
#pragma once

#include "plot/graph/CPTPlot.h"
#include "plot/graph/CPTTextLayer.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

enum class Answer { Data2D, Data, Doubles, Numbers, Double, Number, Labels, Label };

inline std::string rangeText(NSRange r) {
    return "{" + std::to_string(r.location) + ", " + std::to_string(r.length) + "}";
}

template <class Base = CPTPlotDataSource> class FakeSource : public Base {
  public:
    using Values = foundation::Value::Array;

    std::uint64_t records = 0;
    std::set<Answer> answers;
    std::map<std::uint64_t, Values> fields;
    CPTDataOrder order = CPTDataOrderRowsFirst;
    // The label layers of the label operations; a missing one is nil.
    std::vector<std::shared_ptr<CPTLayer>> labels;
    std::vector<std::string> calls;
    // The doubles operation answers nothing behind its span.
    bool nullDoubles = false;

    std::uint64_t numberOfRecordsForPlot(CPTPlot&) override { return records; }

    std::optional<std::shared_ptr<CPTNumericData>> dataForPlotRecordIndexRange(CPTPlot&, NSRange r) override {
        if (!answers.count(Answer::Data2D))
            return std::nullopt;
        calls.push_back("data2D " + rangeText(r));
        const std::uint64_t nFields = fields.empty() ? 0 : fields.rbegin()->first + 1;
        std::vector<double> samples(r.length * nFields);
        for (std::uint64_t i = 0; i < r.length; ++i)
            for (std::uint64_t f = 0; f < nFields; ++f) {
                const double v = value(f, r.location + i).toDouble();
                samples[order == CPTDataOrderRowsFirst ? i * nFields + f : f * r.length + i] = v;
            }
        CPTNumericData::Bytes bytes(samples.size() * sizeof(double));
        std::memcpy(bytes.data(), samples.data(), bytes.size());
        return CPTNumericData::numericDataWithData(bytes, CPTPlot::doubleDataType(),
                                                   CPTNumericData::Shape{r.length, nFields}, order);
    }
    std::optional<CPTPlotNumbers> dataForPlot(CPTPlot&, std::uint64_t f, NSRange r) override {
        if (!answers.count(Answer::Data))
            return std::nullopt;
        calls.push_back("data " + std::to_string(f) + " " + rangeText(r));
        return CPTPlotNumbers(std::shared_ptr<CPTNumericData>(
            CPTNumericData::numericDataWithArray(slice(f, r), CPTPlot::doubleDataType())));
    }
    std::optional<std::span<const double>> doublesForPlot(CPTPlot&, std::uint64_t f, NSRange r) override {
        if (!answers.count(Answer::Doubles))
            return std::nullopt;
        calls.push_back("doubles " + std::to_string(f) + " " + rangeText(r));
        if (nullDoubles)
            return std::span<const double>();
        auto& keep = doubles_[f];
        keep.clear();
        for (const auto& v : slice(f, r))
            keep.push_back(v.isNumber() ? v.toDouble() : std::numeric_limits<double>::quiet_NaN());
        return std::span<const double>(keep);
    }
    std::optional<foundation::Value> numbersForPlot(CPTPlot&, std::uint64_t f, NSRange r) override {
        if (!answers.count(Answer::Numbers))
            return std::nullopt;
        calls.push_back("numbers " + std::to_string(f) + " " + rangeText(r));
        return foundation::Value(slice(f, r));
    }
    std::optional<double> doubleForPlot(CPTPlot&, std::uint64_t f, std::uint64_t i) override {
        if (!answers.count(Answer::Double))
            return std::nullopt;
        calls.push_back("double " + std::to_string(f) + " " + std::to_string(i));
        const auto v = value(f, i);
        return v.isNumber() ? v.toDouble() : std::numeric_limits<double>::quiet_NaN();
    }
    std::optional<foundation::Value> numberForPlot(CPTPlot&, std::uint64_t f, std::uint64_t i) override {
        if (!answers.count(Answer::Number))
            return std::nullopt;
        calls.push_back("number " + std::to_string(f) + " " + std::to_string(i));
        return value(f, i);
    }
    std::optional<std::vector<std::shared_ptr<CPTLayer>>> dataLabelsForPlot(CPTPlot&, NSRange r) override {
        if (!answers.count(Answer::Labels))
            return std::nullopt;
        calls.push_back("labels " + rangeText(r));
        std::vector<std::shared_ptr<CPTLayer>> out;
        for (std::uint64_t i = r.location; i < r.end(); ++i)
            out.push_back(label(i));
        return out;
    }
    std::optional<std::shared_ptr<CPTLayer>> dataLabelForPlot(CPTPlot&, std::uint64_t i) override {
        if (!answers.count(Answer::Label))
            return std::nullopt;
        calls.push_back("label " + std::to_string(i));
        return label(i);
    }

    // The calls whose text starts with the prefix.
    std::vector<std::string> callsStartingWith(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.rfind(prefix, 0) == 0)
                out.push_back(c);
        return out;
    }

  protected:
    foundation::Value value(std::uint64_t f, std::uint64_t i) const {
        auto it = fields.find(f);
        if (it == fields.end() || i >= it->second.size())
            return {};
        return it->second[i];
    }
    // The values of the range that the field's list has: a short list gives a short answer.
    Values slice(std::uint64_t f, NSRange r) const {
        Values out;
        auto it = fields.find(f);
        for (std::uint64_t i = r.location; it != fields.end() && i < r.end() && i < it->second.size(); ++i)
            out.push_back(it->second[i]);
        return out;
    }
    std::shared_ptr<CPTLayer> label(std::uint64_t i) const { return i < labels.size() ? labels[i] : nullptr; }

  private:
    std::map<std::uint64_t, std::vector<double>> doubles_;
};

using FakeDataSource = FakeSource<>;

// Doubles as boxed numbers.
inline foundation::Value::Array numbers(std::initializer_list<double> values) {
    foundation::Value::Array out;
    for (double v : values) {
        if (std::isnan(v))
            out.emplace_back();
        else
            out.emplace_back(v);
    }
    return out;
}

// A plot of two fields, x (0) and y (1), fetched field by field unless all come at once; labels sit at
// (x, y) displaced by the label offset upwards.
class FieldPlot : public CPTPlot {
  public:
    const char* className() const override { return "FieldPlot"; }
    std::uint64_t numberOfFields() const override { return 2; }
    std::vector<std::uint64_t> fieldIdentifiers() const override { return {0, 1}; }
    std::vector<std::uint64_t> fieldIdentifiersForCoordinate(CPTCoordinate c) const override {
        if (c == CPTCoordinateX)
            return {0};
        if (c == CPTCoordinateY)
            return {1};
        return {};
    }
    std::uint64_t coordinateForFieldIdentifier(std::uint64_t f) const override {
        return f <= 1 ? f : foundation::notFound;
    }
    void reloadPlotDataInIndexRange(NSRange r) override {
        if (loadNumbersForAllFieldsFromDataSourceInRecordIndexRange(r) || !dataSource())
            return;
        for (std::uint64_t f : {0, 1})
            cacheNumbers(numbersFromDataSourceForField(f, r), f, r.location);
    }
    void positionLabelAnnotation(CPTPlotSpaceAnnotation& label, std::uint64_t idx) override {
        label.setAnchorPlotPoint(std::vector<foundation::Value>{cachedNumberForField(0, idx).value_or(foundation::Value()),
                                                                cachedNumberForField(1, idx).value_or(foundation::Value())});
        label.setDisplacement({0, labelOffset()});
    }
};
