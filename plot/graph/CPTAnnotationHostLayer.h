// A layer that owns annotations, shows their content layers, keeps them out of the automatic layout
// and places them again after every layout.
#pragma once

#include "plot/graph/CPTAnnotation.h"
#include "plot/graph/CPTLayer.h"

#include <memory>
#include <vector>

class CPTAnnotationHostLayer : public CPTLayer {
  public:
    explicit CPTAnnotationHostLayer(const CGRect& frame = {});
    ~CPTAnnotationHostLayer() override;

    const char* className() const override { return "CPTAnnotationHostLayer"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // A copy of the list.
    std::vector<std::shared_ptr<CPTAnnotation>> annotations() const { return annotations_; }
    // Null is ignored; an annotation already held keeps its one place and is placed again.
    void addAnnotation(const std::shared_ptr<CPTAnnotation>& annotation);
    // Null is ignored; an annotation this layer does not hold raises CPTException.
    void removeAnnotation(const std::shared_ptr<CPTAnnotation>& annotation);
    void removeAllAnnotations();

    LayerSet sublayersExcludedFromAutomaticLayout() const override;
    void layoutSublayers() override;

    // Presses, drags and releases go first to the content layers under the point (the first that
    // takes one ends it), a cancel to every content layer; then to this layer's own handling.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceCancelledEvent(const CPTEvent& event) override;

  private:
    std::vector<std::shared_ptr<CPTAnnotation>> annotations_;
};
