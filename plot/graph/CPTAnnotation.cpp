// The content layer's place in the host layer and the settings that move it.
#include "plot/graph/CPTAnnotation.h"

#include "plot/graph/CPTAnnotationHostLayer.h"

CPTAnnotation::~CPTAnnotation() = default;

void CPTAnnotation::setContentLayer(const std::shared_ptr<CPTLayer>& layer) {
    if (layer == contentLayer_)
        return;
    if (contentLayer_)
        contentLayer_->removeFromSuperlayer();
    contentLayer_ = layer;
    if (contentLayer_ && annotationHostLayer_)
        annotationHostLayer_->addSublayer(contentLayer_);
}

void CPTAnnotation::setAnnotationHostLayer(CPTAnnotationHostLayer* host) {
    if (host == annotationHostLayer_)
        return;
    if (contentLayer_)
        contentLayer_->removeFromSuperlayer();
    annotationHostLayer_ = host;
    if (contentLayer_ && annotationHostLayer_)
        annotationHostLayer_->addSublayer(contentLayer_);
}

void CPTAnnotation::contentSuperlayerNeedsLayout() {
    if (contentLayer_ && contentLayer_->superlayer())
        contentLayer_->superlayer()->setNeedsLayout();
}

void CPTAnnotation::setRotation(CGFloat rotation) {
    if (rotation == rotation_)
        return;
    rotation_ = rotation;
    contentSuperlayerNeedsLayout();
}

void CPTAnnotation::setDisplacement(CGPoint displacement) {
    if (displacement == displacement_)
        return;
    displacement_ = displacement;
    contentSuperlayerNeedsLayout();
}

void CPTAnnotation::setContentAnchorPoint(CGPoint point) {
    if (point == contentAnchorPoint_)
        return;
    contentAnchorPoint_ = point;
    contentSuperlayerNeedsLayout();
}

void CPTAnnotation::placeContentLayer(CGPoint positionInHost) {
    CGPoint p{positionInHost.x + displacement_.x, positionInHost.y + displacement_.y};
    contentLayer_->setAnchorPoint(contentAnchorPoint_);
    contentLayer_->setPosition(p);
    contentLayer_->setTransform(gfx::AffineTransform::rotation(rotation_));
    contentLayer_->pixelAlign();
}

std::string CPTAnnotation::description() const {
    std::string content = contentLayer_ ? contentLayer_->description() : "(null)";
    return "<" + CPTObjectDescription(className(), this) + " {" + content + "}>";
}
