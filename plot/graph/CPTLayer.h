// The base of every layer of a chart: paddings and the default sublayer layout, shadow-aware
// geometry, vector masks, one drawing routine for the screen, images and PDF pages, and the redraw
// announcements that keep a hosting view up to date.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/Path.h"
#include "platform/layers/Layer.h"
#include "plot/graph/CPTDefinitions.h"
#include "plot/graph/CPTResponder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class CPTGraph;
class CPTShadow;

namespace foundation {
class KeyedArchiver;
class KeyedUnarchiver;
} // namespace foundation

class CPTLayer : public layers::Layer, public CPTResponder {
  public:
    using LayerSet = std::set<const layers::Layer*>;

    explicit CPTLayer(const CGRect& frame = {});
    ~CPTLayer() override;

    virtual const char* className() const { return "CPTLayer"; }

    // --- paddings: space kept free inside the bounds when sublayers are laid out
    CGFloat paddingLeft() const { return paddingLeft_; }
    CGFloat paddingTop() const { return paddingTop_; }
    CGFloat paddingRight() const { return paddingRight_; }
    CGFloat paddingBottom() const { return paddingBottom_; }
    virtual void setPaddingLeft(CGFloat value);
    virtual void setPaddingTop(CGFloat value);
    virtual void setPaddingRight(CGFloat value);
    virtual void setPaddingBottom(CGFloat value);

    bool masksToBorder() const { return masksToBorder_; }
    virtual void setMasksToBorder(bool value) { masksToBorder_ = value; }

    // Copied on set.
    const std::shared_ptr<CPTShadow>& shadow() const { return shadow_; }
    virtual void setShadow(const std::shared_ptr<CPTShadow>& shadow);

    bool isRenderingRecursively() const { return renderingRecursively_; }
    void setRenderingRecursively(bool value) { renderingRecursively_ = value; }
    bool useFastRendering() const { return useFastRendering_; }
    void setUseFastRendering(bool value) { useFastRendering_ = value; }

    // The graph this layer belongs to; never owning.
    CPTGraph* graph() const { return graph_; }
    virtual void setGraph(CPTGraph* graph) { graph_ = graph; }

    // A free tag; plots and plot spaces are found by an equal identifier.
    const foundation::Value& identifier() const { return identifier_; }
    void setIdentifier(const foundation::Value& identifier) { identifier_ = identifier; }

    // Caches of the masking shapes (none: not made yet).
    const std::optional<gfx::Path>& outerBorderPath() const { return outerBorderPath_; }
    void setOuterBorderPath(std::optional<gfx::Path> path);
    const std::optional<gfx::Path>& innerBorderPath() const { return innerBorderPath_; }
    // Also asks the platform mask layer to redraw.
    void setInnerBorderPath(std::optional<gfx::Path> path);

    // --- geometry: the shadow is drawn inside the platform bounds, so those are the visible bounds
    // grown by the shadow margin on every side; these accessors speak of the visible bounds.
    CGSize shadowMargin() const;
    CGRect bounds() const override;
    void setBounds(const CGRect& bounds) override;
    CGPoint anchorPoint() const override;
    void setAnchorPoint(CGPoint anchor) override;
    void setHidden(bool hidden) override;
    void setCornerRadius(CGFloat radius) override;
    // Handed on to every framework sublayer.
    void setContentsScale(CGFloat scale) override;

    // --- the tree: every framework layer that arrives takes this layer's contents scale
    void setSublayers(const std::vector<layers::Layer::Ptr>& layers) override;
    void addSublayer(const layers::Layer::Ptr& layer) override;
    void insertSublayerAtIndex(const layers::Layer::Ptr& layer, size_t index) override;
    void insertSublayerBelow(const layers::Layer::Ptr& layer, const layers::Layer* sibling) override;
    void insertSublayerAbove(const layers::Layer::Ptr& layer, const layers::Layer* sibling) override;
    bool replaceSublayer(const layers::Layer* old, const layers::Layer::Ptr& with) override;

    // Each request is announced to the graph's observers.
    void setNeedsLayout() override;
    void setNeedsDisplay() override;
    void setNeedsDisplayAllLayers();

    // --- layout
    void layoutSublayers() override;
    virtual void sublayerMargin(CGFloat& left, CGFloat& top, CGFloat& right, CGFloat& bottom) const;
    virtual LayerSet sublayersExcludedFromAutomaticLayout() const { return {}; }
    // Moves the layer so that its frame sits on whole device pixels.
    void pixelAlign();

    // --- masks: null when there is none
    virtual const gfx::Path* maskingPath();
    virtual const gfx::Path* sublayerMaskingPath();

    // --- drawing
    void display() override;
    void drawInContext(gfx::Context& ctx) override;
    // The one drawing routine. Subclasses call this first, then draw their content.
    virtual void renderAsVectorInContext(gfx::Context& ctx);
    void recursivelyRenderInContext(gfx::Context& ctx);
    // Lays out, then draws the whole subtree. A render entry: a framework exception inside is
    // logged and ends only this drawing.
    virtual void layoutAndRenderInContext(gfx::Context& ctx);
    // One PDF page the size of the bounds; a zero size gives a 1 x 1 point page.
    std::vector<std::uint8_t> dataForPDFRepresentationOfLayer();
    // The layer at the screen scale, y flipped so the picture reads upright.
    gfx::Image imageOfLayer();

    void applyTransform(const gfx::AffineTransform& transform, gfx::Context& ctx);
    void applyMaskToContext(gfx::Context& ctx);
    void applySublayerMaskToContext(gfx::Context& ctx, CPTLayer* sublayer, CGPoint offset);

    // The platform walk hands the whole subtree of a framework layer to its vector routine.
    bool rendersOwnSubtree() const override { return true; }
    void renderSubtreeInContext(gfx::Context& ctx) override;

    // Whether a change of the named property needs a redraw (nothing here).
    virtual bool needsDisplayForKey(std::string_view key) const { return false; }

    // --- pointing-device events: not handled here
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceCancelledEvent(const CPTEvent& event) override;

    // --- debugging
    virtual std::string description() const;
    std::string subLayersAtIndex(std::size_t depth) const;
    void logLayers() const;
    gfx::Image debugQuickLookObject() { return imageOfLayer(); }

    // --- archiving: the platform layer's geometry and look ("Layer.bounds", "Layer.position",
    // "Layer.anchorPoint", "Layer.hidden", "Layer.opacity", "Layer.opaque", "Layer.masksToBounds",
    // "Layer.cornerRadius", "Layer.contentsScale", "Layer.needsDisplayOnBoundsChange", "Layer.name",
    // "Layer.backgroundColor"), then "CPTLayer.paddingLeft", ".paddingTop", ".paddingRight",
    // ".paddingBottom", ".masksToBorder", ".shadow", ".graph" (a conditional reference) and
    // ".identifier". Layers are shared objects known as CPTLayer in an archive.
    virtual void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    // A layer of the archived class (CPTLayer, CPTBorderedLayer, CPTTextLayer), not rendering
    // recursively and without cached paths; none when the decode fails.
    static std::shared_ptr<CPTLayer> layerWithCoder(foundation::KeyedUnarchiver& coder);
    // Makes the layers of a class known to layerWithCoder (the classes of other libraries register
    // themselves before they decode); registering a name again changes nothing.
    static void registerLayerClass(const std::string& className, std::function<std::shared_ptr<CPTLayer>()> make);

    // The framework layer behind a platform layer, or null.
    static CPTLayer* fromLayer(const layers::Layer* layer);
    static std::shared_ptr<CPTLayer> fromLayer(const layers::Layer::Ptr& layer);

  protected:
    // Reads the class's own keys (after its base class's) into a layer made by its constructor.
    virtual void decodeFields(foundation::KeyedUnarchiver& coder);
    // Runs before a render entry lays out and draws (the graph reloads data and relabels here).
    virtual void prepareForRendering() {}
    // Logs a framework exception that stopped a drawing, naming the chart.
    void logRenderFailure(const std::exception& e) const;
    // The platform setters, for subclasses that route geometry elsewhere.
    void setPlatformBounds(const CGRect& bounds);
    void setPlatformPosition(CGPoint position) { layers::Layer::setPosition(position); }
    void setPlatformAnchorPoint(CGPoint anchor) { layers::Layer::setAnchorPoint(anchor); }

  private:
    // Draws this layer and its sublayers, the context already in this layer's coordinates.
    void renderLayerAndSublayers(gfx::Context& ctx);
    // Step of the walk into one sublayer: translates to it, applies the sublayer transform.
    void renderSublayerRecursively(gfx::Context& ctx, layers::Layer& sublayer);
    void giveContentsScale(const layers::Layer::Ptr& layer);

    CGFloat paddingLeft_ = 0;
    CGFloat paddingTop_ = 0;
    CGFloat paddingRight_ = 0;
    CGFloat paddingBottom_ = 0;
    bool masksToBorder_ = false;
    std::shared_ptr<CPTShadow> shadow_;
    bool renderingRecursively_ = false;
    bool useFastRendering_ = false;
    // True while this layer draws its sublayers recursively, with their clips in force.
    bool renderingSublayers_ = false;
    CPTGraph* graph_ = nullptr;
    std::optional<gfx::Path> outerBorderPath_;
    std::optional<gfx::Path> innerBorderPath_;
    foundation::Value identifier_;
};
