// Data labels: label layers fetched from the data source or made from the label field's values with
// the text style and formatter, shown as plot-space annotations that are reused in place, placed by
// the plot type and anchored away from their data point.
#include "plot/graph/CPTPlot.h"

#include "platform/foundation/Locale.h"
#include "plot/graph/CPTTextLayer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using foundation::Value;

// --- fetching

void CPTPlot::reloadDataLabelsInIndexRange(NSRange indexRange) {
    if (auto source = dataSource()) {
        if (auto labels = source->dataLabelsForPlot(*this, indexRange)) {
            cacheArray(CPTPlotObjectList(labels->begin(), labels->end()), CPTPlotBindingDataLabels,
                       indexRange.location);
        } else if (indexRange.length > 0) {
            // The single form shows whether it is implemented by its answer for the first record.
            if (auto first = source->dataLabelForPlot(*this, indexRange.location)) {
                CPTPlotObjectList list;
                list.reserve(indexRange.length);
                auto entry = [](const std::shared_ptr<CPTLayer>& label) {
                    return label ? CPTPlotObject(label) : CPTPlotObject::nilData();
                };
                list.push_back(entry(*first));
                for (std::uint64_t i = indexRange.location + 1; i < indexRange.end(); ++i)
                    list.push_back(entry(source->dataLabelForPlot(*this, i).value_or(nullptr)));
                cacheArray(list, CPTPlotBindingDataLabels, indexRange.location);
            }
        }
    }
    relabelIndexRange(indexRange);
}

CPTPlotObjectList CPTPlot::dataLabels() const {
    const CPTPlotObjectList* list = cachedArrayForKey(CPTPlotBindingDataLabels);
    return list ? *list : CPTPlotObjectList();
}

void CPTPlot::setDataLabels(const CPTPlotObjectList& labels) {
    cacheArray(labels, CPTPlotBindingDataLabels);
    setNeedsRelabel();
}

// --- settings

void CPTPlot::setShowLabels(bool value) {
    if (value == showLabels_)
        return;
    showLabels_ = value;
    if (value)
        setNeedsLayout();
    setNeedsRelabel();
}

void CPTPlot::setLabelTextStyle(const std::shared_ptr<CPTTextStyle>& style) {
    if (style == labelTextStyle_)
        return;
    labelTextStyle_ = style ? style->copy() : nullptr;
    if (labelTextStyle_ && !labelFormatter_) {
        // One digit after the point, always.
        auto formatter = std::make_shared<foundation::NumberFormatter>();
        formatter->setMinimumIntegerDigits(1);
        formatter->setMinimumFractionDigits(1);
        formatter->setMaximumFractionDigits(1);
        labelFormatter_ = formatter;
    }
    setNeedsRelabel(true);
}

void CPTPlot::setLabelFormatter(const std::shared_ptr<foundation::NumberFormatter>& formatter) {
    if (formatter == labelFormatter_)
        return;
    labelFormatter_ = formatter;
    setNeedsRelabel(true);
}

void CPTPlot::setLabelShadow(const std::shared_ptr<CPTShadow>& shadow) {
    if (shadow == labelShadow_)
        return;
    labelShadow_ = shadow;
    if (!labelAnnotations_)
        return;
    for (const auto& annotation : *labelAnnotations_)
        if (annotation && annotation->contentLayer())
            annotation->contentLayer()->setShadow(shadow);
}

void CPTPlot::setLabelOffset(CGFloat offset) {
    if (offset == labelOffset_)
        return;
    labelOffset_ = offset;
    repositionAllLabelAnnotations();
}

void CPTPlot::setLabelRotation(CGFloat rotation) {
    if (rotation == labelRotation_)
        return;
    labelRotation_ = rotation;
    if (!labelAnnotations_)
        return;
    for (const auto& annotation : *labelAnnotations_) {
        if (!annotation)
            continue;
        annotation->setRotation(rotation);
        updateContentAnchorForLabel(annotation.get());
    }
}

// --- relabelling

void CPTPlot::setNeedsRelabel(bool value) {
    if (value == needsRelabel_)
        return;
    needsRelabel_ = value;
    if (value)
        setNeedsLayout();
}

void CPTPlot::setNeedsRelabel() {
    labelIndexRange_ = NSMakeRange(0, cachedDataCount());
    setNeedsRelabel(true);
}

void CPTPlot::relabelIndexRange(NSRange indexRange) {
    labelIndexRange_ = indexRange;
    setNeedsRelabel(true);
}

void CPTPlot::removeLabelAnnotation(const std::shared_ptr<CPTPlotSpaceAnnotation>& annotation) {
    if (!annotation)
        return;
    const auto held = annotations();
    if (std::find(held.begin(), held.end(), annotation) != held.end())
        removeAnnotation(annotation);
}

std::shared_ptr<CPTLayer> CPTPlot::newLabelLayerForValue(const Value& value) const {
    // Decimals are written from their own digits.
    std::optional<std::string> text = labelFormatter_->stringForObjectValue(value);
    return std::make_shared<CPTTextLayer>(text, labelTextStyle_);
}

void CPTPlot::relabel() {
    if (!needsRelabel_)
        return;
    needsRelabel_ = false;

    const CPTPlotObjectList* cachedLabels = cachedArrayForKey(CPTPlotBindingDataLabels);
    const bool formatted = labelTextStyle_ && labelFormatter_;
    bool wanted = formatted;
    if (!wanted && cachedLabels)
        wanted = std::any_of(cachedLabels->begin(), cachedLabels->end(),
                             [](const CPTPlotObject& entry) { return !entry.isNull(); });
    if (!showLabels_ || !wanted || !plotSpace_) {
        if (labelAnnotations_)
            for (const auto& annotation : *labelAnnotations_)
                removeLabelAnnotation(annotation);
        labelAnnotations_.reset();
        return;
    }

    if (!labelAnnotations_) {
        labelAnnotations_.emplace();
        labelAnnotations_->reserve(cachedDataCount_);
    }
    LabelAnnotations& annotations = *labelAnnotations_;
    auto labelData = cachedNumbersForField(labelField_);
    // Records beyond the cache have no value to show, and a label there would stand in another's place.
    const std::uint64_t end = std::min(labelIndexRange_.end(), cachedDataCount_);
    for (std::uint64_t i = labelIndexRange_.location; i < end; ++i) {
        std::optional<Value> value = labelData ? labelData->sampleValue(i) : std::nullopt;
        std::shared_ptr<CPTLayer> label;
        if (!value || !std::isnan(value->toDouble())) {
            std::optional<CPTPlotObject> entry;
            if (cachedLabels && i < cachedLabels->size())
                entry = (*cachedLabels)[i];
            if ((!entry || entry->isNilData()) && formatted)
                label = newLabelLayerForValue(value.value_or(Value()));
            else if (entry)
                label = entry->object<CPTLayer>();
        }
        if (label)
            label->setShadow(labelShadow_);

        while (annotations.size() < i)
            annotations.push_back(nullptr);
        std::shared_ptr<CPTPlotSpaceAnnotation> annotation;
        if (i < annotations.size()) {
            if (!label) {
                removeLabelAnnotation(annotations[i]);
                annotations[i] = nullptr;
            } else {
                if (!annotations[i]) {
                    annotations[i] = std::make_shared<CPTPlotSpaceAnnotation>(plotSpace_, std::nullopt);
                    addAnnotation(annotations[i]);
                }
                annotation = annotations[i];
            }
        } else if (label) {
            annotation = std::make_shared<CPTPlotSpaceAnnotation>(plotSpace_, std::nullopt);
            annotations.push_back(annotation);
            addAnnotation(annotation);
        } else {
            annotations.push_back(nullptr);
        }
        if (!annotation)
            continue;
        annotation->setContentLayer(label);
        annotation->setRotation(labelRotation_);
        positionLabelAnnotation(*annotation, i);
        updateContentAnchorForLabel(annotation.get());
    }

    while (annotations.size() > cachedDataCount_) {
        removeLabelAnnotation(annotations.back());
        annotations.pop_back();
    }
}

void CPTPlot::updateContentAnchorForLabel(CPTPlotSpaceAnnotation* label) {
    if (!label || !adjustLabelAnchors_)
        return;
    CGPoint d = label->displacement();
    if (d.x == 0 && d.y == 0)
        d = {0, 1};
    const double a = std::atan2(d.y, d.x) + std::numbers::pi - label->rotation();
    const double s = std::sin(a);
    const double k = std::cos(a);
    CGPoint anchor;
    if (std::fabs(k) <= std::fabs(s))
        anchor = {(k / std::fabs(s) + 1) / 2, (std::copysign(1.0, s) + 1) / 2};
    else
        anchor = {(std::copysign(1.0, k) + 1) / 2, (s / std::fabs(k) + 1) / 2};
    label->setContentAnchorPoint(anchor);
}

void CPTPlot::repositionAllLabelAnnotations() {
    if (!labelAnnotations_)
        return;
    for (std::uint64_t i = 0; i < labelAnnotations_->size(); ++i) {
        const auto& annotation = (*labelAnnotations_)[i];
        if (!annotation)
            continue;
        positionLabelAnnotation(*annotation, i);
        updateContentAnchorForLabel(annotation.get());
    }
}
