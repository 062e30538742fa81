// The graph: construction, plots and plot spaces with their notifications, title and legend, and
// what a render does first.
#include "plot/graph/CPTGraph.h"

#include "plot/foundation/CPTException.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTAxisSet.h"
#include "plot/graph/CPTGuards.h"
#include "plot/graph/CPTLayerAnnotation.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTPlot.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTPlotSpace.h"
#include "plot/graph/CPTTextLayer.h"

#include <algorithm>
#include <cstdint>

using foundation::Value;

CPTGraph::CPTGraph(ConstructionKey, const CGRect& frame) : CPTBorderedLayer(frame) {
    // The graph is a layer of its own chart: its own redraw requests reach the hosting view too.
    setGraph(this);
    setPaddingLeft(20);
    setPaddingTop(20);
    setPaddingRight(20);
    setPaddingBottom(20);
    setPlotAreaFrame(std::make_shared<CPTPlotAreaFrame>(bounds()));
}

void CPTGraph::finishConstruction() {
    if (auto space = newPlotSpace())
        addPlotSpace(space);
    setAxisSet(newAxisSet());
    titleTextStyle_ = CPTTextStyle::textStyle();
    setNeedsDisplayOnBoundsChange(true);
}

CPTGraph::~CPTGraph() {
    detachFromEverything();
}

void CPTGraph::detachFromEverything() {
    spaceObservations_.clear();
    // Plots, plot spaces and layers held elsewhere must not point at a graph that has gone.
    for (const auto& plot : plots_)
        if (plot->graph() == this)
            plot->setGraph(nullptr);
    for (const auto& space : plotSpaces_)
        if (space->graph() == this)
            space->setGraph(nullptr);
    std::vector<layers::Layer*> pending{this};
    while (!pending.empty()) {
        layers::Layer* layer = pending.back();
        pending.pop_back();
        if (CPTLayer* c = CPTLayer::fromLayer(layer); c && c != this && c->graph() == this)
            c->CPTLayer::setGraph(nullptr);
        for (const auto& sub : layer->sublayers())
            pending.push_back(sub.get());
    }
}

// --- frame, axis set, order

void CPTGraph::setPlotAreaFrame(const std::shared_ptr<CPTPlotAreaFrame>& frame) {
    if (frame == plotAreaFrame_)
        return;
    if (plotAreaFrame_) {
        plotAreaFrame_->setGraph(nullptr);
        plotAreaFrame_->removeFromSuperlayer();
    }
    plotAreaFrame_ = frame;
    if (plotAreaFrame_) {
        addSublayer(plotAreaFrame_);
        plotAreaFrame_->setGraph(this);
    }
    for (const auto& space : plotSpaces_)
        space->setGraph(this);
}

std::shared_ptr<CPTAxisSet> CPTGraph::axisSet() const {
    return plotAreaFrame_ ? plotAreaFrame_->axisSet() : nullptr;
}

void CPTGraph::setAxisSet(const std::shared_ptr<CPTAxisSet>& axisSet) {
    if (plotAreaFrame_)
        plotAreaFrame_->setAxisSet(axisSet);
}

std::optional<std::vector<std::int64_t>> CPTGraph::topDownLayerOrder() const {
    if (!plotAreaFrame_ || !plotAreaFrame_->plotArea())
        return std::nullopt;
    return plotAreaFrame_->plotArea()->topDownLayerOrder();
}

void CPTGraph::setTopDownLayerOrder(const std::optional<std::vector<std::int64_t>>& order) {
    if (plotAreaFrame_ && plotAreaFrame_->plotArea())
        plotAreaFrame_->plotArea()->setTopDownLayerOrder(order);
}

// --- plots

std::shared_ptr<CPTPlot> CPTGraph::plotAtIndex(std::size_t index) const {
    return index < plots_.size() ? plots_[index] : nullptr;
}

std::shared_ptr<CPTPlot> CPTGraph::plotWithIdentifier(const Value& identifier) const {
    for (const auto& plot : plots_)
        if (plot->identifier() == identifier)
            return plot;
    return nullptr;
}

void CPTGraph::addPlot(const std::shared_ptr<CPTPlot>& plot) {
    addPlot(plot, defaultPlotSpace());
}

void CPTGraph::addPlot(const std::shared_ptr<CPTPlot>& plot, const std::shared_ptr<CPTPlotSpace>& plotSpace) {
    if (!plot)
        return;
    plots_.push_back(plot);
    plot->setPlotSpace(plotSpace);
    plot->setGraph(this);
    if (auto group = plotAreaFrame_ ? plotAreaFrame_->plotGroup() : nullptr)
        group->addPlot(plot);
}

void CPTGraph::insertPlot(const std::shared_ptr<CPTPlot>& plot, std::size_t index) {
    insertPlot(plot, index, defaultPlotSpace());
}

void CPTGraph::insertPlot(const std::shared_ptr<CPTPlot>& plot, std::size_t index,
                          const std::shared_ptr<CPTPlotSpace>& plotSpace) {
    if (!plot)
        return;
    if (index > plots_.size())
        throw CPTException(NSRangeException, "Plot index " + std::to_string(index) + " beyond bounds [0 .. " +
                                                 std::to_string(plots_.size()) + "]");
    plots_.insert(plots_.begin() + std::ptrdiff_t(index), plot);
    plot->setPlotSpace(plotSpace);
    plot->setGraph(this);
    if (auto group = plotAreaFrame_ ? plotAreaFrame_->plotGroup() : nullptr)
        group->insertPlot(plot, index);
}

void CPTGraph::removePlot(const std::shared_ptr<CPTPlot>& plot) {
    if (!plot)
        return;
    auto it = std::find(plots_.begin(), plots_.end(), plot);
    if (it == plots_.end())
        throw CPTException(CPTExceptionName, "Tried to remove CPTPlot which did not exist.");
    auto keep = plot;
    plots_.erase(it);
    // A legend would otherwise keep the plot alive and go on drawing its entries.
    if (legend_ && legend_->holdsPlot(keep.get()))
        legend_->removePlot(keep);
    keep->setPlotSpace(nullptr);
    keep->setGraph(nullptr);
    if (auto group = plotAreaFrame_ ? plotAreaFrame_->plotGroup() : nullptr)
        group->removePlot(keep);
}

void CPTGraph::removePlotWithIdentifier(const Value& identifier) {
    if (auto plot = plotWithIdentifier(identifier))
        removePlot(plot);
}

void CPTGraph::reloadData() {
    for (const auto& space : plotSpaces_)
        space->removeAllCategories();
    for (const auto& plot : std::vector<std::shared_ptr<CPTPlot>>(plots_))
        plot->reloadData();
}

void CPTGraph::reloadDataIfNeeded() {
    for (const auto& plot : std::vector<std::shared_ptr<CPTPlot>>(plots_))
        plot->reloadDataIfNeeded();
}

// --- plot spaces

std::shared_ptr<CPTPlotSpace> CPTGraph::defaultPlotSpace() const {
    return plotSpaces_.empty() ? nullptr : plotSpaces_.front();
}

std::shared_ptr<CPTPlotSpace> CPTGraph::plotSpaceAtIndex(std::size_t index) const {
    return index < plotSpaces_.size() ? plotSpaces_[index] : nullptr;
}

std::shared_ptr<CPTPlotSpace> CPTGraph::plotSpaceWithIdentifier(const Value& identifier) const {
    for (const auto& space : plotSpaces_)
        if (space->identifier() == identifier)
            return space;
    return nullptr;
}

namespace {

Value plotSpaceUserInfo(const CPTPlotSpace* space) {
    return Value(
        Value::Dictionary{{CPTGraphPlotSpaceNotificationKey,
                           Value(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(space)))}});
}

} // namespace

void CPTGraph::addPlotSpace(const std::shared_ptr<CPTPlotSpace>& space) {
    if (!space)
        return;
    plotSpaces_.push_back(space);
    space->setGraph(this);
    CPTPlotSpace* observed = space.get();
    spaceObservations_.emplace_back(
        observed,
        foundation::NotificationCenter::defaultCenter().observe(
            CPTPlotSpaceCoordinateMappingDidChangeNotification, static_cast<const void*>(observed),
            [this, observed](const foundation::Notification&) { plotSpaceMappingDidChange(*observed); }));
    foundation::NotificationCenter::defaultCenter().post(
        CPTGraphDidAddPlotSpaceNotification, static_cast<const void*>(this), plotSpaceUserInfo(observed));
}

void CPTGraph::removePlotSpace(const std::shared_ptr<CPTPlotSpace>& space) {
    if (!space)
        return;
    auto it = std::find(plotSpaces_.begin(), plotSpaces_.end(), space);
    if (it == plotSpaces_.end())
        throw CPTException(CPTExceptionName, "Tried to remove CPTPlotSpace which did not exist.");
    auto keep = space;
    std::erase_if(spaceObservations_, [&](const auto& o) { return o.first == keep.get(); });
    keep->setGraph(nullptr);
    plotSpaces_.erase(it);
    if (auto axes = axisSet())
        for (const auto& axis : axes->axes())
            if (axis->plotSpace() == keep)
                axis->setPlotSpace(nullptr);
    foundation::NotificationCenter::defaultCenter().post(CPTGraphDidRemovePlotSpaceNotification,
                                                         static_cast<const void*>(this),
                                                         plotSpaceUserInfo(keep.get()));
}

void CPTGraph::plotSpaceMappingDidChange(CPTPlotSpace& space) {
    bool backgroundChanged = false;
    if (auto axes = axisSet()) {
        for (const auto& axis : CPTAxisSet::Axes(axes->axes())) {
            if (axis->plotSpace().get() != &space)
                continue;
            axis->setNeedsRelabel();
            axis->updateAxisTitle();
            if (!axis->alternatingBandFills().empty() || !axis->backgroundLimitBands().empty())
                backgroundChanged = true;
        }
    }
    for (const auto& plot : plots_)
        if (plot->plotSpace().get() == &space)
            plot->setNeedsDisplay();
    if (backgroundChanged && plotAreaFrame_ && plotAreaFrame_->plotArea())
        plotAreaFrame_->plotArea()->setNeedsDisplay();
}

// --- paddings

void CPTGraph::axesNeedDisplay() {
    if (auto axes = axisSet())
        for (const auto& axis : axes->axes())
            axis->setNeedsDisplay();
}

void CPTGraph::setPaddingLeft(CGFloat value) {
    if (value == paddingLeft())
        return;
    CPTBorderedLayer::setPaddingLeft(value);
    axesNeedDisplay();
}

void CPTGraph::setPaddingTop(CGFloat value) {
    if (value == paddingTop())
        return;
    CPTBorderedLayer::setPaddingTop(value);
    axesNeedDisplay();
}

void CPTGraph::setPaddingRight(CGFloat value) {
    if (value == paddingRight())
        return;
    CPTBorderedLayer::setPaddingRight(value);
    axesNeedDisplay();
}

void CPTGraph::setPaddingBottom(CGFloat value) {
    if (value == paddingBottom())
        return;
    CPTBorderedLayer::setPaddingBottom(value);
    axesNeedDisplay();
}

// --- title

CGPoint CPTGraph::contentAnchorForRectAnchor(CPTRectAnchor anchor) {
    switch (anchor) {
    case CPTRectAnchorBottom:
        return {0.5, 0};
    case CPTRectAnchorBottomRight:
        return {1, 0};
    case CPTRectAnchorLeft:
        return {0, 0.5};
    case CPTRectAnchorRight:
        return {1, 0.5};
    case CPTRectAnchorTopLeft:
        return {0, 1};
    case CPTRectAnchorTop:
        return {0.5, 1};
    case CPTRectAnchorTopRight:
        return {1, 1};
    case CPTRectAnchorCenter:
        return {0.5, 0.5};
    default:
        return {0, 0};
    }
}

namespace {

// Puts the content's matching point on the rect anchor.
void anchorAt(CPTLayerAnnotation& annotation, CPTRectAnchor anchor) {
    annotation.setRectAnchor(anchor);
    annotation.setContentAnchorPoint(CPTGraph::contentAnchorForRectAnchor(anchor));
}

} // namespace

std::shared_ptr<CPTLayerAnnotation> CPTGraph::addLayerAnnotation(const std::shared_ptr<CPTLayer>& anchorLayer,
                                                                 std::shared_ptr<CPTLayer> content,
                                                                 CPTRectAnchor anchor, CGPoint displacement) {
    auto annotation = std::make_shared<CPTLayerAnnotation>(anchorLayer);
    annotation->setContentLayer(std::move(content));
    annotation->setDisplacement(displacement);
    anchorAt(*annotation, anchor);
    addAnnotation(annotation);
    return annotation;
}

void CPTGraph::makeTitleAnnotation(std::shared_ptr<CPTLayer> content) {
    titleAnnotation_ =
        addLayerAnnotation(plotAreaFrame_, std::move(content), titlePlotAreaFrameAnchor_, titleDisplacement_);
}

void CPTGraph::removeTitleAnnotation() {
    if (!titleAnnotation_)
        return;
    removeAnnotation(titleAnnotation_);
    titleAnnotation_.reset();
}

namespace {

CPTTextLayer* textLayerOf(const std::shared_ptr<CPTLayerAnnotation>& annotation) {
    return annotation ? dynamic_cast<CPTTextLayer*>(annotation->contentLayer().get()) : nullptr;
}

} // namespace

void CPTGraph::setTitle(const std::optional<std::string>& title) {
    if (title == title_)
        return;
    title_ = title;
    if (inTitleUpdate_)
        return;
    {
        CPTFlagGuard updating(inTitleUpdate_, true);
        attributedTitle_.reset();
    }
    if (!title_) {
        removeTitleAnnotation();
        return;
    }
    if (titleAnnotation_) {
        if (CPTTextLayer* text = textLayerOf(titleAnnotation_))
            text->setText(*title_);
        return;
    }
    if (plotAreaFrame_)
        makeTitleAnnotation(std::make_shared<CPTTextLayer>(*title_, titleTextStyle_));
}

void CPTGraph::setAttributedTitle(const std::optional<gfx::RichText>& title) {
    // An empty attributed title has no attributes to read a style from: it counts as none.
    std::optional<gfx::RichText> value = title && !title->plainText().empty() ? title : std::nullopt;
    if (!value && !attributedTitle_)
        return;
    attributedTitle_ = value;
    if (inTitleUpdate_)
        return;
    CPTFlagGuard updating(inTitleUpdate_, true);
    if (!attributedTitle_) {
        setTitleTextStyle(nullptr);
        setTitle(std::nullopt);
        removeTitleAnnotation();
        return;
    }
    setTitleTextStyle(CPTTextStyle::textStyleWithAttributes(attributesOfFirstCharacter(*attributedTitle_)));
    setTitle(attributedTitle_->plainText());
    if (titleAnnotation_) {
        if (CPTTextLayer* text = textLayerOf(titleAnnotation_))
            text->setAttributedText(*attributedTitle_);
        return;
    }
    if (plotAreaFrame_)
        makeTitleAnnotation(std::make_shared<CPTTextLayer>(*attributedTitle_));
}

void CPTGraph::setTitleTextStyle(const std::shared_ptr<CPTTextStyle>& style) {
    if (style == titleTextStyle_)
        return;
    titleTextStyle_ = style ? style->copy() : nullptr;
    if (inTitleUpdate_)
        return;
    {
        CPTFlagGuard updating(inTitleUpdate_, true);
        attributedTitle_.reset();
    }
    if (CPTTextLayer* text = textLayerOf(titleAnnotation_))
        text->setTextStyle(titleTextStyle_);
}

void CPTGraph::setTitlePlotAreaFrameAnchor(CPTRectAnchor anchor) {
    if (anchor == titlePlotAreaFrameAnchor_)
        return;
    titlePlotAreaFrameAnchor_ = anchor;
    if (titleAnnotation_)
        anchorAt(*titleAnnotation_, anchor);
}

void CPTGraph::setTitleDisplacement(CGPoint displacement) {
    if (displacement == titleDisplacement_)
        return;
    titleDisplacement_ = displacement;
    if (titleAnnotation_)
        titleAnnotation_->setDisplacement(displacement);
}

// --- legend

void CPTGraph::setLegend(const std::shared_ptr<CPTLegend>& legend) {
    if (legend == legend_)
        return;
    legend_ = legend;
    if (!legend_) {
        if (legendAnnotation_) {
            removeAnnotation(legendAnnotation_);
            legendAnnotation_.reset();
        }
        return;
    }
    if (legendAnnotation_) {
        legendAnnotation_->setContentLayer(legend_);
        return;
    }
    legendAnnotation_ = addLayerAnnotation(std::static_pointer_cast<CPTLayer>(shared_from_this()), legend_,
                                           legendAnchor_, legendDisplacement_);
}

void CPTGraph::setLegendAnchor(CPTRectAnchor anchor) {
    if (anchor == legendAnchor_)
        return;
    legendAnchor_ = anchor;
    if (legendAnnotation_)
        anchorAt(*legendAnnotation_, anchor);
}

void CPTGraph::setLegendDisplacement(CGPoint displacement) {
    if (displacement == legendDisplacement_)
        return;
    legendDisplacement_ = displacement;
    if (legendAnnotation_)
        legendAnnotation_->setDisplacement(displacement);
}

bool CPTGraph::needsDisplayForKey(std::string_view key) const {
    if (key == "titleDisplacement" || key == "legendDisplacement")
        return true;
    return CPTBorderedLayer::needsDisplayForKey(key);
}

void CPTGraph::prepareForRendering() {
    reloadDataIfNeeded();
    if (auto axes = axisSet())
        for (const auto& axis : CPTAxisSet::Axes(axes->axes()))
            axis->relabel();
}
