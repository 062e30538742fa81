// An annotation pinned to a position on another layer's rectangle, following that layer's size.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "plot/foundation/CPTConstraints.h"
#include "plot/graph/CPTAnnotation.h"

#include <memory>

class CPTLayerAnnotation : public CPTAnnotation {
  public:
    // The anchor layer is never owned; none raises CPTException. The rect anchor starts at the top.
    explicit CPTLayerAnnotation(const std::shared_ptr<CPTLayer>& anchorLayer);
    ~CPTLayerAnnotation() override;

    const char* className() const override { return "CPTLayerAnnotation"; }

    // Null once the anchor layer has gone.
    std::shared_ptr<CPTLayer> anchorLayer() const { return anchorLayer_.lock(); }

    // Each anchor gives both constraints; a value outside 0..8 clears them.
    CPTRectAnchor rectAnchor() const { return rectAnchor_; }
    void setRectAnchor(CPTRectAnchor anchor);
    const std::shared_ptr<CPTConstraints>& xConstraints() const { return xConstraints_; }
    void setXConstraints(const std::shared_ptr<CPTConstraints>& constraints);
    const std::shared_ptr<CPTConstraints>& yConstraints() const { return yConstraints_; }
    void setYConstraints(const std::shared_ptr<CPTConstraints>& constraints);

    // Places the content at the constrained point of the anchor layer's bounds; once the anchor
    // layer has gone the content is hidden.
    void positionContentLayer() override;

    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;

  protected:
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

  private:
    friend class CPTAnnotation;
    CPTLayerAnnotation() = default;
    void observeAnchorLayer(const std::shared_ptr<CPTLayer>& anchorLayer);
    void setConstraintsForRectAnchor();

    std::weak_ptr<CPTLayer> anchorLayer_;
    CPTRectAnchor rectAnchor_ = CPTRectAnchorTop;
    std::shared_ptr<CPTConstraints> xConstraints_;
    std::shared_ptr<CPTConstraints> yConstraints_;
    foundation::ObserverToken boundsObservation_;
};
