// The view that shows one graph: its layer tree as a sublayer of the view's layer, or, collapsed,
// drawn into the view's own drawing pass. Either way the graph is drawn by its one vector routine.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/View.h"
#include "plot/graph/CPTGraph.h"

#include <memory>

class CPTGraphHostingView : public ui::View {
  public:
    explicit CPTGraphHostingView(const ui::Rect& frame = {});
    ~CPTGraphHostingView() override;

    // Owned. The graph is sized to the view, given the screen scale and told its hosting view.
    const std::shared_ptr<CPTGraph>& hostedGraph() const { return hostedGraph_; }
    void setHostedGraph(const std::shared_ptr<CPTGraph>& graph);

    // Collapsed: the graph is not a sublayer; the view draws it and redraws on each of its
    // redraw notifications.
    bool collapsesLayers() const { return collapsesLayers_; }
    void setCollapsesLayers(bool collapses);

    // Whether pinching scales the plot spaces.
    bool allowPinchScaling() const { return allowPinchScaling_; }
    void setAllowPinchScaling(bool allow) { allowPinchScaling_ = allow; }

    // Collapsed drawing: the graph, flipped to grow upward, over the view's bounds.
    void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;
    // Colours that follow the appearance are drawn again.
    void traitCollectionDidChange();
    // Marks the view for redrawing.
    void graphNeedsRedraw();

  protected:
    void boundsSizeDidChange(ui::Size old) override;

  private:
    void observeGraph();

    std::shared_ptr<CPTGraph> hostedGraph_;
    bool collapsesLayers_ = false;
    bool allowPinchScaling_ = true;
    foundation::ObserverToken redrawObservation_;
};
