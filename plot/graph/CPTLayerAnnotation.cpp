// The rect-anchor table and the placement of the content on the anchor layer.
#include "plot/graph/CPTLayerAnnotation.h"

#include "plot/foundation/CPTException.h"
#include "plot/graph/CPTAnnotationHostLayer.h"

CPTLayerAnnotation::CPTLayerAnnotation(const std::shared_ptr<CPTLayer>& anchorLayer)
    : anchorLayer_(anchorLayer) {
    if (!anchorLayer)
        throw CPTException(CPTExceptionName,
                           std::string(className()) + " must be initialized with an anchor layer.");
    setConstraintsForRectAnchor();
    observeAnchorLayer(anchorLayer);
}

void CPTLayerAnnotation::observeAnchorLayer(const std::shared_ptr<CPTLayer>& anchorLayer) {
    anchorLayer_ = anchorLayer;
    boundsObservation_ = foundation::NotificationCenter::defaultCenter().observe(
        CPTLayerBoundsDidChangeNotification, static_cast<const void*>(anchorLayer.get()),
        [this](const foundation::Notification&) { positionContentLayer(); });
}

CPTLayerAnnotation::~CPTLayerAnnotation() = default;

void CPTLayerAnnotation::setRectAnchor(CPTRectAnchor anchor) {
    if (anchor == rectAnchor_)
        return;
    rectAnchor_ = anchor;
    setConstraintsForRectAnchor();
}

void CPTLayerAnnotation::setXConstraints(const std::shared_ptr<CPTConstraints>& constraints) {
    if (constraints == xConstraints_)
        return;
    xConstraints_ = constraints;
    positionContentLayer();
}

void CPTLayerAnnotation::setYConstraints(const std::shared_ptr<CPTConstraints>& constraints) {
    if (constraints == yConstraints_)
        return;
    yConstraints_ = constraints;
    positionContentLayer();
}

void CPTLayerAnnotation::setConstraintsForRectAnchor() {
    auto lower = [] { return CPTConstraints::constraintWithLowerOffset(0); };
    auto upper = [] { return CPTConstraints::constraintWithUpperOffset(0); };
    auto middle = [] { return CPTConstraints::constraintWithRelativeOffset(0.5); };
    std::shared_ptr<CPTConstraints> x, y;
    switch (rectAnchor_) {
    case CPTRectAnchorBottomLeft:
        x = lower(), y = lower();
        break;
    case CPTRectAnchorBottom:
        x = middle(), y = lower();
        break;
    case CPTRectAnchorBottomRight:
        x = upper(), y = lower();
        break;
    case CPTRectAnchorLeft:
        x = lower(), y = middle();
        break;
    case CPTRectAnchorRight:
        x = upper(), y = middle();
        break;
    case CPTRectAnchorTopLeft:
        x = lower(), y = upper();
        break;
    case CPTRectAnchorTop:
        x = middle(), y = upper();
        break;
    case CPTRectAnchorTopRight:
        x = upper(), y = upper();
        break;
    case CPTRectAnchorCenter:
        x = middle(), y = middle();
        break;
    }
    setXConstraints(x);
    setYConstraints(y);
}

void CPTLayerAnnotation::positionContentLayer() {
    const auto& content = contentLayer();
    CPTAnnotationHostLayer* host = annotationHostLayer();
    if (!content || !host)
        return;
    std::shared_ptr<CPTLayer> anchor = anchorLayer_.lock();
    if (!anchor) {
        // Its anchor layer has gone: there is nowhere left to show it.
        content->setHidden(true);
        return;
    }
    CGRect r = anchor->bounds();
    // A missing constraint puts the content at 0 on that axis of the anchor layer.
    CGPoint point{xConstraints_ ? xConstraints_->positionForLowerBound(r.minX(), r.maxX()) : 0,
                  yConstraints_ ? yConstraints_->positionForLowerBound(r.minY(), r.maxY()) : 0};
    placeContentLayer(host->convertPointFromLayer(point, anchor.get()));
}
