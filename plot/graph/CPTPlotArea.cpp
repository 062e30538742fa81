// The plot area's layer groups and their order, its layout over the whole frame, and its background.
#include "plot/graph/CPTPlotArea.h"

#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTAxisLabelGroup.h"
#include "plot/graph/CPTAxisSet.h"
#include "plot/graph/CPTGridLines.h"
#include "plot/graph/CPTGuards.h"
#include "plot/graph/CPTPlot.h"

#include <algorithm>
#include <cmath>
#include <limits>

// --- the plot group

void CPTPlotGroup::addPlot(const std::shared_ptr<CPTPlot>& plot) {
    if (plot)
        addSublayer(plot);
}

void CPTPlotGroup::insertPlot(const std::shared_ptr<CPTPlot>& plot, std::size_t index) {
    if (plot)
        insertSublayerAtIndex(plot, index);
}

void CPTPlotGroup::removePlot(const std::shared_ptr<CPTPlot>& plot) {
    if (plot && plot->superlayer() == this)
        plot->removeFromSuperlayer();
}

// --- the plot area

CPTPlotArea::CPTPlotArea(const CGRect& frame)
    : CPTAnnotationHostLayer(frame), touchedPoint_{std::numeric_limits<double>::quiet_NaN(),
                                                   std::numeric_limits<double>::quiet_NaN()} {
    updateLayerOrder();
    setPlotGroup(std::make_shared<CPTPlotGroup>(frame));
    CGRect b = bounds();
    widthDecimal_ = CPTDecimalFromCGFloat(b.size.width);
    heightDecimal_ = CPTDecimalFromCGFloat(b.size.height);
    setNeedsDisplayOnBoundsChange(true);
}

CPTPlotArea::~CPTPlotArea() {
    // Groups and axes may outlive this plot area in other hands; they must not point at it.
    for (const auto& group : {minorGridLineGroup_, majorGridLineGroup_})
        if (group)
            group->setPlotArea(nullptr);
    if (axisSet_)
        for (const auto& axis : axisSet_->axes())
            if (axis->plotArea() == this)
                axis->setPlotArea(nullptr);
}

template <class Group>
void CPTPlotArea::setGroup(std::shared_ptr<Group>& slot, const std::shared_ptr<Group>& group,
                           CPTPlotAreaLayerType type) {
    if (group == slot && !updatingLayers_)
        return;
    if (slot)
        slot->removeFromSuperlayer();
    slot = group;
    if (group) {
        if constexpr (std::is_same_v<Group, CPTGridLineGroup>) {
            group->setPlotArea(this);
            group->setMajor(type == CPTPlotAreaLayerTypeMajorGridLines);
        }
        insertSublayerAtIndex(group, static_cast<std::size_t>(indexForLayerType(type)));
    }
    setNeedsLayout();
}

void CPTPlotArea::setMinorGridLineGroup(const std::shared_ptr<CPTGridLineGroup>& group) {
    setGroup(minorGridLineGroup_, group, CPTPlotAreaLayerTypeMinorGridLines);
}

void CPTPlotArea::setMajorGridLineGroup(const std::shared_ptr<CPTGridLineGroup>& group) {
    setGroup(majorGridLineGroup_, group, CPTPlotAreaLayerTypeMajorGridLines);
}

void CPTPlotArea::setPlotGroup(const std::shared_ptr<CPTPlotGroup>& group) {
    setGroup(plotGroup_, group, CPTPlotAreaLayerTypePlots);
}

void CPTPlotArea::setAxisLabelGroup(const std::shared_ptr<CPTAxisLabelGroup>& group) {
    setGroup(axisLabelGroup_, group, CPTPlotAreaLayerTypeAxisLabels);
}

void CPTPlotArea::setAxisTitleGroup(const std::shared_ptr<CPTAxisLabelGroup>& group) {
    setGroup(axisTitleGroup_, group, CPTPlotAreaLayerTypeAxisTitles);
}

void CPTPlotArea::setAxisSet(const std::shared_ptr<CPTAxisSet>& axisSet) {
    if (axisSet == axisSet_ && !updatingLayers_)
        return;
    if (axisSet_) {
        axisSet_->removeFromSuperlayer();
        for (const auto& axis : axisSet_->axes())
            axis->setPlotArea(nullptr);
    }
    axisSet_ = axisSet;
    updateAxisSetLayersForType(CPTPlotAreaLayerTypeMajorGridLines);
    updateAxisSetLayersForType(CPTPlotAreaLayerTypeMinorGridLines);
    updateAxisSetLayersForType(CPTPlotAreaLayerTypeAxisLabels);
    updateAxisSetLayersForType(CPTPlotAreaLayerTypeAxisTitles);
    if (axisSet_) {
        insertSublayerAtIndex(axisSet_,
                              static_cast<std::size_t>(indexForLayerType(CPTPlotAreaLayerTypeAxisSet)));
        for (const auto& axis : axisSet_->axes()) {
            axis->setPlotArea(this);
            axis->setGraph(graph());
        }
    }
    setNeedsLayout();
}

// --- the order

void CPTPlotArea::setTopDownLayerOrder(const std::optional<std::vector<std::int64_t>>& order) {
    if (order == topDownLayerOrder_)
        return;
    topDownLayerOrder_ = order;
    updateLayerOrder();
}

void CPTPlotArea::updateLayerOrder() {
    bottomUpLayerOrder_ = {0, 1, 2, 3, 4, 5};
    // Only distinct types 0..5 take part, six at most: anything else would push the order out of
    // its six slots.
    std::vector<std::int64_t> order;
    if (topDownLayerOrder_)
        for (std::int64_t v : *topDownLayerOrder_)
            if (v >= 0 && v <= 5 && std::find(order.begin(), order.end(), v) == order.end())
                order.push_back(v);
    for (std::size_t i = 0; i < order.size(); ++i) {
        std::int64_t v = order[i];
        std::size_t target = 5 - i;
        std::size_t slot = target;
        while (slot > 0 && bottomUpLayerOrder_[slot] != v)
            --slot;
        for (std::size_t k = slot; k < target; ++k)
            bottomUpLayerOrder_[k] = bottomUpLayerOrder_[k + 1];
        bottomUpLayerOrder_[target] = v;
    }
    CPTFlagGuard updating(updatingLayers_, true);
    setMinorGridLineGroup(minorGridLineGroup_);
    setMajorGridLineGroup(majorGridLineGroup_);
    setAxisSet(axisSet_);
    setPlotGroup(plotGroup_);
    setAxisLabelGroup(axisLabelGroup_);
    setAxisTitleGroup(axisTitleGroup_);
}

std::int64_t CPTPlotArea::indexForLayerType(std::int64_t layerType) const {
    auto exists = [this](std::int64_t type) -> bool {
        switch (type) {
        case CPTPlotAreaLayerTypeMinorGridLines:
            return minorGridLineGroup_ != nullptr;
        case CPTPlotAreaLayerTypeMajorGridLines:
            return majorGridLineGroup_ != nullptr;
        case CPTPlotAreaLayerTypeAxisSet:
            return axisSet_ != nullptr;
        case CPTPlotAreaLayerTypePlots:
            return plotGroup_ != nullptr;
        case CPTPlotAreaLayerTypeAxisLabels:
            return axisLabelGroup_ != nullptr;
        case CPTPlotAreaLayerTypeAxisTitles:
            return axisTitleGroup_ != nullptr;
        }
        return false;
    };
    std::int64_t index = 0;
    for (std::int64_t type : bottomUpLayerOrder_) {
        if (type == layerType)
            break;
        if (exists(type))
            ++index;
    }
    return index;
}

bool CPTPlotArea::axisNeedsLayerOfType(const CPTAxis& axis, std::int64_t layerType) const {
    switch (layerType) {
    case CPTPlotAreaLayerTypeMinorGridLines:
        return axis.minorGridLineStyle() != nullptr;
    case CPTPlotAreaLayerTypeMajorGridLines:
        return axis.majorGridLineStyle() != nullptr;
    case CPTPlotAreaLayerTypeAxisLabels:
        return !axis.axisLabels().empty();
    case CPTPlotAreaLayerTypeAxisTitles:
        return axis.axisTitle() != nullptr;
    }
    return false;
}

void CPTPlotArea::updateAxisSetLayersForType(std::int64_t layerType) {
    bool needed = false;
    if (axisSet_)
        for (const auto& axis : axisSet_->axes())
            needed = needed || axisNeedsLayerOfType(*axis, layerType);
    if (needed) {
        setAxisSetLayersForType(layerType);
        return;
    }
    switch (layerType) {
    case CPTPlotAreaLayerTypeMinorGridLines:
        setMinorGridLineGroup(nullptr);
        break;
    case CPTPlotAreaLayerTypeMajorGridLines:
        setMajorGridLineGroup(nullptr);
        break;
    case CPTPlotAreaLayerTypeAxisLabels:
        setAxisLabelGroup(nullptr);
        break;
    case CPTPlotAreaLayerTypeAxisTitles:
        setAxisTitleGroup(nullptr);
        break;
    }
}

void CPTPlotArea::setAxisSetLayersForType(std::int64_t layerType) {
    CGRect b = bounds();
    switch (layerType) {
    case CPTPlotAreaLayerTypeMinorGridLines:
        if (!minorGridLineGroup_)
            setMinorGridLineGroup(std::make_shared<CPTGridLineGroup>(b));
        break;
    case CPTPlotAreaLayerTypeMajorGridLines:
        if (!majorGridLineGroup_)
            setMajorGridLineGroup(std::make_shared<CPTGridLineGroup>(b));
        break;
    case CPTPlotAreaLayerTypeAxisLabels:
        if (!axisLabelGroup_)
            setAxisLabelGroup(std::make_shared<CPTAxisLabelGroup>(b));
        break;
    case CPTPlotAreaLayerTypeAxisTitles:
        if (!axisTitleGroup_)
            setAxisTitleGroup(std::make_shared<CPTAxisLabelGroup>(b));
        break;
    }
}

std::size_t CPTPlotArea::sublayerIndexForAxis(const CPTAxis* axis, std::int64_t layerType) const {
    std::size_t index = 0;
    if (!axisSet_)
        return index;
    for (const auto& a : axisSet_->axes()) {
        if (a.get() == axis)
            break;
        if (axisNeedsLayerOfType(*a, layerType))
            ++index;
    }
    return index;
}

// --- properties

void CPTPlotArea::setFill(const std::shared_ptr<CPTFill>& fill) {
    if (fill == fill_)
        return;
    fill_ = fill ? fill->copy() : nullptr;
    setNeedsDisplay();
}

std::shared_ptr<CPTLineStyle> CPTPlotArea::borderLineStyle() const {
    return axisSet_ ? axisSet_->borderLineStyle() : nullptr;
}

void CPTPlotArea::setBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (!axisSet_)
        return;
    axisSet_->setBorderLineStyle(style);
    // Whether the axis set covers the frame or takes no size depends on the style: frame it again.
    setNeedsLayout();
}

void CPTPlotArea::setGraph(CPTGraph* graph) {
    if (graph == this->graph())
        return;
    CPTAnnotationHostLayer::setGraph(graph);
    if (axisSet_)
        for (const auto& axis : axisSet_->axes())
            axis->setGraph(graph);
}

void CPTPlotArea::setBounds(const CGRect& bounds) {
    if (bounds == this->bounds())
        return;
    widthDecimal_ = CPTDecimalFromCGFloat(bounds.size.width);
    heightDecimal_ = CPTDecimalFromCGFloat(bounds.size.height);
    CPTAnnotationHostLayer::setBounds(bounds);
}

// --- layout and drawing

void CPTPlotArea::layoutSublayers() {
    CPTAnnotationHostLayer::layoutSublayers();
    CGSize size;
    CGPoint origin;
    if (layers::Layer* super = superlayer()) {
        size = convertRectFromLayer(super->bounds(), super).size;
        CGPoint inSuper = convertPointToLayer(bounds().origin, super);
        origin = {-inSuper.x, -inSuper.y};
    }
    CGRect cover(origin, size);
    CGRect placed(origin, CGSize{});
    if (minorGridLineGroup_)
        minorGridLineGroup_->setFrame(cover);
    if (majorGridLineGroup_)
        majorGridLineGroup_->setFrame(cover);
    if (axisSet_)
        axisSet_->setFrame(axisSet_->borderLineStyle() ? cover : placed);
    if (plotGroup_) {
        CGRect b = bounds();
        plotGroup_->setFrame(CGRect(0, 0, b.size.width, b.size.height));
    }
    if (axisLabelGroup_)
        axisLabelGroup_->setFrame(placed);
    if (axisTitleGroup_)
        axisTitleGroup_->setFrame(placed);
    if (axisSet_ && !axisSet_->borderLineStyle())
        axisSet_->layoutSublayers();
}

CPTLayer::LayerSet CPTPlotArea::sublayersExcludedFromAutomaticLayout() const {
    LayerSet excluded = CPTAnnotationHostLayer::sublayersExcludedFromAutomaticLayout();
    for (const layers::Layer* group : {static_cast<const layers::Layer*>(minorGridLineGroup_.get()),
                                       static_cast<const layers::Layer*>(majorGridLineGroup_.get()),
                                       static_cast<const layers::Layer*>(axisSet_.get()),
                                       static_cast<const layers::Layer*>(plotGroup_.get()),
                                       static_cast<const layers::Layer*>(axisLabelGroup_.get()),
                                       static_cast<const layers::Layer*>(axisTitleGroup_.get())})
        if (group)
            excluded.insert(group);
    return excluded;
}

void CPTPlotArea::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden())
        return;
    CPTAnnotationHostLayer::renderAsVectorInContext(ctx);
    CGRect b = bounds();
    // A plot area without an area (or with one that is not a number) has nothing to paint.
    if (!(b.size.width > 0 && b.size.height > 0) || !gfx::isFinite(b))
        return;
    bool oldMasks = masksToBounds();
    setMasksToBounds(true);
    struct Restore {
        layers::Layer& layer;
        bool masks;
        ~Restore() { layer.setMasksToBounds(masks); }
    } restore{*this, oldMasks};
    CPTGStateGuard state(ctx);
    if (const gfx::Path* shape = maskingPath()) {
        ctx.addPath(*shape);
        ctx.clip();
    }
    if (fill_)
        fill_->fillRect(b, ctx);
    if (!axisSet_)
        return;
    CPTAxisSet::Axes axes = axisSet_->axes();
    for (const auto& axis : axes)
        axis->drawBackgroundBandsInContext(ctx);
    for (const auto& axis : axes)
        axis->drawBackgroundLimitsInContext(ctx);
}
