// An annotation pinned to a data point of a plot space; it moves with every change of the mapping.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Value.h"
#include "plot/graph/CPTAnnotation.h"

#include <memory>
#include <optional>
#include <vector>

class CPTPlotSpace;

class CPTPlotSpaceAnnotation : public CPTAnnotation {
  public:
    // The plot space is owned; none raises CPTException. The anchor plot point holds one number per
    // coordinate, x first; none leaves the content unplaced.
    CPTPlotSpaceAnnotation(const std::shared_ptr<CPTPlotSpace>& plotSpace,
                           std::optional<std::vector<foundation::Value>> anchorPlotPoint);
    ~CPTPlotSpaceAnnotation() override;

    const char* className() const override { return "CPTPlotSpaceAnnotation"; }

    const std::shared_ptr<CPTPlotSpace>& plotSpace() const { return plotSpace_; }

    const std::optional<std::vector<foundation::Value>>& anchorPlotPoint() const { return anchorPlotPoint_; }
    void setAnchorPlotPoint(std::optional<std::vector<foundation::Value>> point);
    // The same values as decimals, one per element (a non-number reads as 0).
    const std::vector<NSDecimal>& decimalAnchor() const { return decimalAnchor_; }
    std::size_t anchorCount() const { return decimalAnchor_.size(); }

    // Asks the content's superlayer to lay out again, which places the content.
    void setContentNeedsLayout();
    void positionContentLayer() override;

    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;

  protected:
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

  private:
    friend class CPTAnnotation;
    CPTPlotSpaceAnnotation() = default;
    void observePlotSpace();
    std::shared_ptr<CPTPlotSpace> plotSpace_;
    std::optional<std::vector<foundation::Value>> anchorPlotPoint_;
    std::vector<NSDecimal> decimalAnchor_;
    foundation::ObserverToken mappingObservation_;
};
