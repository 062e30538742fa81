// Holding, showing and placing annotations.
#include "plot/graph/CPTAnnotationHostLayer.h"

#include "plot/foundation/CPTException.h"

#include <algorithm>

CPTAnnotationHostLayer::CPTAnnotationHostLayer(const CGRect& frame) : CPTLayer(frame) {}

CPTAnnotationHostLayer::~CPTAnnotationHostLayer() {
    for (const auto& a : annotations_)
        if (a->annotationHostLayer() == this)
            a->hostLayerWillGo();
}

void CPTAnnotationHostLayer::addAnnotation(const std::shared_ptr<CPTAnnotation>& annotation) {
    if (!annotation)
        return;
    if (std::find(annotations_.begin(), annotations_.end(), annotation) == annotations_.end())
        annotations_.push_back(annotation);
    annotation->setAnnotationHostLayer(this);
    annotation->positionContentLayer();
}

void CPTAnnotationHostLayer::removeAnnotation(const std::shared_ptr<CPTAnnotation>& annotation) {
    if (!annotation)
        return;
    auto it = std::find(annotations_.begin(), annotations_.end(), annotation);
    if (it == annotations_.end()) {
        CPTAnnotationHostLayer* host = annotation->annotationHostLayer();
        throw CPTException(CPTExceptionName, "Tried to remove CPTAnnotation from " + description() +
                                                 ". Host layer was " +
                                                 (host ? host->description() : std::string("(null)")) + ".");
    }
    annotation->setAnnotationHostLayer(nullptr);
    annotations_.erase(std::find(annotations_.begin(), annotations_.end(), annotation));
}

void CPTAnnotationHostLayer::removeAllAnnotations() {
    for (const auto& a : annotations_)
        a->setAnnotationHostLayer(nullptr);
    annotations_.clear();
}

CPTLayer::LayerSet CPTAnnotationHostLayer::sublayersExcludedFromAutomaticLayout() const {
    LayerSet excluded = CPTLayer::sublayersExcludedFromAutomaticLayout();
    for (const auto& a : annotations_)
        if (a->contentLayer())
            excluded.insert(a->contentLayer().get());
    return excluded;
}

void CPTAnnotationHostLayer::layoutSublayers() {
    CPTLayer::layoutSublayers();
    for (const auto& a : std::vector<std::shared_ptr<CPTAnnotation>>(annotations_))
        a->positionContentLayer();
}
