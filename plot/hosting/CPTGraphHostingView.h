// The view that shows one graph: its layer tree as a sublayer of the view's layer, or, collapsed,
// drawn into the view's own drawing pass. Either way the graph is drawn by its one vector routine.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/View.h"
#include "plot/graph/CPTGraph.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

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

    // Whether pinching scales the interactive plot spaces: the pinch recognizer exists only then.
    bool allowPinchScaling() const { return allowPinchScaling_; }
    void setAllowPinchScaling(bool allow);
    // Owned by the view once added; null without one.
    ui::PinchGestureRecognizer* pinchGestureRecognizer() const { return pinchGestureRecognizer_; }
    // Scales every interactive plot space by the recognizer's scale about its place, then sets the
    // scale back to 1.
    void handlePinchGesture(ui::PinchGestureRecognizer& recognizer);

    // One-finger touches become the graph's events; a touch the graph does not take, and any touch
    // whose beginning the graph did not see, goes on as the base view handles it.
    void touchesBegan(const ui::Touches& touches, const ui::Event& event) override;
    void touchesMoved(const ui::Touches& touches, const ui::Event& event) override;
    void touchesEnded(const ui::Touches& touches, const ui::Event& event) override;
    void touchesCancelled(const ui::Touches& touches, const ui::Event& event) override;

    // Collapsed drawing: the graph, flipped to grow upward, over the view's bounds.
    void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;
    // --- archiving: the view's frame ("UIView.frame"), then "CPTGraphHostingView.collapsesLayers",
    // ".hostedGraph" and ".allowPinchScaling". The graph's classes must be known to the layer decoder
    // (CPTRegisterChartArchiveClasses for XY graphs). Decoding stores the collapse flag as it is, attaches
    // the graph with setHostedGraph and applies the pinch flag only when the archive has it.
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    static std::shared_ptr<CPTGraphHostingView> hostingViewWithCoder(foundation::KeyedUnarchiver& coder);
    static std::vector<std::uint8_t> archivedView(const CPTGraphHostingView& view);
    // None, with the reason in `error` when given, for an archive that does not decode.
    static std::shared_ptr<CPTGraphHostingView> unarchivedView(std::span<const std::uint8_t> data,
                                                               std::string* error = nullptr);

    // Colours that follow the appearance are drawn again.
    void traitCollectionDidChange();
    // Marks the view for redrawing.
    void graphNeedsRedraw();

  protected:
    void boundsSizeDidChange(ui::Size old) override;

  private:
    void observeGraph();
    // A point of the view in the graph layer's coordinates, the graph framed and laid out first.
    CGPoint graphPointForViewPoint(ui::Point point);
    CPTEvent graphEvent(const ui::Touch& touch, const ui::Event& event) const;
    ui::Touch* forwardedTouchIn(const ui::Touches& touches) const;

    std::shared_ptr<CPTGraph> hostedGraph_;
    bool collapsesLayers_ = false;
    bool allowPinchScaling_ = false; // the constructor turns it on, making the recognizer
    ui::PinchGestureRecognizer* pinchGestureRecognizer_ = nullptr;
    // The touch whose beginning the graph saw, while it lasts.
    ui::Touch* forwardedTouch_ = nullptr;
    foundation::ObserverToken redrawObservation_;
};
