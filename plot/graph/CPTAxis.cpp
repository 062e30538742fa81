// The axis base: stored settings and links.
#include "plot/graph/CPTAxis.h"

#include "plot/graph/CPTPlotArea.h"

CPTAxis::CPTAxis(const CGRect& frame) : CPTLayer(frame) {
    setNeedsDisplayOnBoundsChange(true);
}

CPTAxis::~CPTAxis() = default;

CPTAxisSet* CPTAxis::axisSet() const {
    return plotArea_ ? plotArea_->axisSet().get() : nullptr;
}

void CPTAxis::addBackgroundLimitBand(const std::shared_ptr<CPTLimitBand>& band) {
    if (band)
        backgroundLimitBands_.push_back(band);
}
