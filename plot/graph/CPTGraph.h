// The root layer of one chart: its plot area frame (and through it the plot area, axis set and plot
// group), its plots and plot spaces, a title and a legend placed as annotations, and the render
// entry that reloads data and relabels axes before it draws.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Text.h"
#include "plot/graph/CPTBorderedLayer.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CPTAxisSet;
class CPTGraphHostingView;
class CPTLayerAnnotation;
class CPTLegend;
class CPTPlot;
class CPTPlotAreaFrame;
class CPTPlotSpace;
class CPTTextStyle;
class CPTTheme;

class CPTGraph : public CPTBorderedLayer {
  protected:
    // Only make() hands these out, so every graph finishes its construction, which calls the
    // subclass's plot space and axis set factories.
    struct ConstructionKey {
      private:
        ConstructionKey() = default;
        friend class CPTGraph;
    };

  public:
    // Builds the graph in two phases: the constructor, then the steps that need the subclass.
    template <class G, class... Args> static std::shared_ptr<G> make(Args&&... args) {
        auto graph = std::make_shared<G>(ConstructionKey(), std::forward<Args>(args)...);
        graph->finishConstruction();
        return graph;
    }

    CPTGraph(ConstructionKey, const CGRect& frame);
    // A graph for a decoder to fill: the constructor's plot area frame and paddings only, no plot
    // space or axis set.
    template <class G> static std::shared_ptr<CPTLayer> makeForDecoding() {
        return std::make_shared<G>(ConstructionKey(), CGRect());
    }
    ~CPTGraph() override;
    const char* className() const override { return "CPTGraph"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // Never owning: the hosting view owns the graph.
    CPTGraphHostingView* hostingView() const { return hostingView_; }
    void setHostingView(CPTGraphHostingView* view) { hostingView_ = view; }

    const std::shared_ptr<CPTPlotAreaFrame>& plotAreaFrame() const { return plotAreaFrame_; }
    void setPlotAreaFrame(const std::shared_ptr<CPTPlotAreaFrame>& frame);
    std::shared_ptr<CPTAxisSet> axisSet() const;
    void setAxisSet(const std::shared_ptr<CPTAxisSet>& axisSet);
    std::optional<std::vector<std::int64_t>> topDownLayerOrder() const;
    void setTopDownLayerOrder(const std::optional<std::vector<std::int64_t>>& order);

    // --- plots: later plots draw above earlier ones
    std::vector<std::shared_ptr<CPTPlot>> allPlots() const { return plots_; }
    std::shared_ptr<CPTPlot> plotAtIndex(std::size_t index) const;
    std::shared_ptr<CPTPlot> plotWithIdentifier(const foundation::Value& identifier) const;
    void addPlot(const std::shared_ptr<CPTPlot>& plot);
    void addPlot(const std::shared_ptr<CPTPlot>& plot, const std::shared_ptr<CPTPlotSpace>& plotSpace);
    // An index beyond the count raises the range exception.
    void insertPlot(const std::shared_ptr<CPTPlot>& plot, std::size_t index);
    void insertPlot(const std::shared_ptr<CPTPlot>& plot, std::size_t index,
                    const std::shared_ptr<CPTPlotSpace>& plotSpace);
    // A plot this graph does not hold raises CPTException.
    void removePlot(const std::shared_ptr<CPTPlot>& plot);
    void removePlotWithIdentifier(const foundation::Value& identifier);
    // Drops every plot space's categories, then reloads every plot, so the categories the plots
    // cache while reloading stay.
    void reloadData();
    void reloadDataIfNeeded();

    // --- plot spaces: the first is the default
    std::shared_ptr<CPTPlotSpace> defaultPlotSpace() const;
    std::vector<std::shared_ptr<CPTPlotSpace>> allPlotSpaces() const { return plotSpaces_; }
    std::shared_ptr<CPTPlotSpace> plotSpaceAtIndex(std::size_t index) const;
    std::shared_ptr<CPTPlotSpace> plotSpaceWithIdentifier(const foundation::Value& identifier) const;
    void addPlotSpace(const std::shared_ptr<CPTPlotSpace>& space);
    // A space this graph does not hold raises CPTException. Axes on it lose it; plots keep it.
    void removePlotSpace(const std::shared_ptr<CPTPlotSpace>& space);
    // Relabels the space's axes, redraws its plots and, when its axes draw bands, the plot area.
    void plotSpaceMappingDidChange(CPTPlotSpace& space);

    // --- paddings also redraw the axes
    void setPaddingLeft(CGFloat value) override;
    void setPaddingTop(CGFloat value) override;
    void setPaddingRight(CGFloat value) override;
    void setPaddingBottom(CGFloat value) override;

    // --- title: a text layer placed on the plot area frame. The plain title, the attributed one
    // and the style keep each other consistent; an empty attributed title counts as none.
    const std::optional<std::string>& title() const { return title_; }
    void setTitle(const std::optional<std::string>& title);
    const std::optional<gfx::RichText>& attributedTitle() const { return attributedTitle_; }
    void setAttributedTitle(const std::optional<gfx::RichText>& title);
    const std::shared_ptr<CPTTextStyle>& titleTextStyle() const { return titleTextStyle_; }
    void setTitleTextStyle(const std::shared_ptr<CPTTextStyle>& style);
    CPTRectAnchor titlePlotAreaFrameAnchor() const { return titlePlotAreaFrameAnchor_; }
    void setTitlePlotAreaFrameAnchor(CPTRectAnchor anchor);
    CGPoint titleDisplacement() const { return titleDisplacement_; }
    void setTitleDisplacement(CGPoint displacement);
    const std::shared_ptr<CPTLayerAnnotation>& titleAnnotation() const { return titleAnnotation_; }

    // --- legend: placed on the graph itself
    const std::shared_ptr<CPTLegend>& legend() const { return legend_; }
    void setLegend(const std::shared_ptr<CPTLegend>& legend);
    CPTRectAnchor legendAnchor() const { return legendAnchor_; }
    void setLegendAnchor(CPTRectAnchor anchor);
    CGPoint legendDisplacement() const { return legendDisplacement_; }
    void setLegendDisplacement(CGPoint displacement);
    const std::shared_ptr<CPTLayerAnnotation>& legendAnnotation() const { return legendAnnotation_; }

    // The point of the content that sits on a rect anchor: (0.5, 1) for the top, ...; (0, 0) for
    // the bottom-left and for any value outside 1..8.
    static CGPoint contentAnchorForRectAnchor(CPTRectAnchor anchor);

    // Plots (topmost first), the axis set, the plot area frame and the legend until one takes the
    // event; then every plot space (a release reaches every dragging space); then the annotations.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceCancelledEvent(const CPTEvent& event) override;

    bool needsDisplayForKey(std::string_view key) const override;

    // Styles the graph with the theme (its applyThemeToGraph).
    void applyTheme(CPTTheme& theme);

  protected:
    // The coordinate system of a graph subclass; the base class has none.
    virtual std::shared_ptr<CPTPlotSpace> newPlotSpace() { return nullptr; }
    virtual std::shared_ptr<CPTAxisSet> newAxisSet() { return nullptr; }
    // Reloads stale data and relabels every axis before a render.
    void prepareForRendering() override;

  private:
    void finishConstruction();
    std::shared_ptr<CPTLayerAnnotation> addLayerAnnotation(const std::shared_ptr<CPTLayer>& anchorLayer,
                                                           std::shared_ptr<CPTLayer> content,
                                                           CPTRectAnchor anchor, CGPoint displacement);
    void makeTitleAnnotation(std::shared_ptr<CPTLayer> content);
    void removeTitleAnnotation();
    void axesNeedDisplay();
    void detachFromEverything();

    CPTGraphHostingView* hostingView_ = nullptr;
    std::shared_ptr<CPTPlotAreaFrame> plotAreaFrame_;
    std::vector<std::shared_ptr<CPTPlot>> plots_;
    std::vector<std::shared_ptr<CPTPlotSpace>> plotSpaces_;
    std::vector<std::pair<const CPTPlotSpace*, foundation::ObserverToken>> spaceObservations_;
    std::optional<std::string> title_;
    std::optional<gfx::RichText> attributedTitle_;
    std::shared_ptr<CPTTextStyle> titleTextStyle_;
    CPTRectAnchor titlePlotAreaFrameAnchor_ = CPTRectAnchorTop;
    CGPoint titleDisplacement_;
    std::shared_ptr<CPTLayerAnnotation> titleAnnotation_;
    std::shared_ptr<CPTLegend> legend_;
    CPTRectAnchor legendAnchor_ = CPTRectAnchorBottom;
    CGPoint legendDisplacement_;
    std::shared_ptr<CPTLayerAnnotation> legendAnnotation_;
    bool inTitleUpdate_ = false;
};
