// Annotations place a content layer relative to something that moves: a position on another layer's
// rectangle, or a data point of a plot space. The annotation owns the content; a host layer shows it.
#pragma once

#include "plot/graph/CPTLayer.h"

#include <memory>
#include <string>

class CPTAnnotationHostLayer;

class CPTAnnotation {
  public:
    CPTAnnotation() = default;
    virtual ~CPTAnnotation();
    CPTAnnotation(const CPTAnnotation&) = delete;
    CPTAnnotation& operator=(const CPTAnnotation&) = delete;

    virtual const char* className() const { return "CPTAnnotation"; }

    // The old content leaves the layer tree; the new one joins the host layer, when there is one.
    const std::shared_ptr<CPTLayer>& contentLayer() const { return contentLayer_; }
    void setContentLayer(const std::shared_ptr<CPTLayer>& layer);

    // Never owning: the host owns the annotation.
    CPTAnnotationHostLayer* annotationHostLayer() const { return annotationHostLayer_; }
    void setAnnotationHostLayer(CPTAnnotationHostLayer* host);

    // Radians about the z axis; each change asks the content's superlayer to lay out again.
    CGFloat rotation() const { return rotation_; }
    void setRotation(CGFloat rotation);
    CGPoint displacement() const { return displacement_; }
    void setDisplacement(CGPoint displacement);
    // Fractions of the content layer.
    CGPoint contentAnchorPoint() const { return contentAnchorPoint_; }
    void setContentAnchorPoint(CGPoint point);

    virtual void positionContentLayer() {}

    std::string description() const;

    // "CPTAnnotation.annotationHostLayer" (a conditional reference), ".contentLayer",
    // ".contentAnchorPoint", ".displacement", ".rotation", then the kind's own keys. Annotations are
    // shared objects known as CPTAnnotation in an archive.
    virtual void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    // A layer or plot space annotation, stored without the setters' effects on the layer tree;
    // none when the decode fails.
    static std::shared_ptr<CPTAnnotation> annotationWithCoder(foundation::KeyedUnarchiver& coder);

  protected:
    virtual void decodeFields(foundation::KeyedUnarchiver& coder);
    // Anchor point, position (plus the displacement), rotation and pixel alignment of the content.
    void placeContentLayer(CGPoint positionInHost);
    void contentSuperlayerNeedsLayout();

  private:
    friend class CPTAnnotationHostLayer;
    // The host is going away: forget it without touching the layer tree.
    void hostLayerWillGo() { annotationHostLayer_ = nullptr; }

    std::shared_ptr<CPTLayer> contentLayer_;
    CPTAnnotationHostLayer* annotationHostLayer_ = nullptr;
    CGFloat rotation_ = 0;
    CGPoint displacement_;
    CGPoint contentAnchorPoint_{0.5, 0.5};
};
