// A range of data values with the fill that paints it: background bands of axes, area-fill bands of
// scatter plots.
#pragma once

#include "plot/foundation/CPTPlotRange.h"

#include <memory>
#include <string>

class CPTFill;

class CPTLimitBand {
  public:
    // Both held, not copied; either may be none.
    CPTLimitBand(std::shared_ptr<CPTPlotRange> range = nullptr, std::shared_ptr<CPTFill> fill = nullptr)
        : range_(std::move(range)), fill_(std::move(fill)) {}
    static std::shared_ptr<CPTLimitBand> limitBandWithRange(std::shared_ptr<CPTPlotRange> range,
                                                            std::shared_ptr<CPTFill> fill) {
        return std::make_shared<CPTLimitBand>(std::move(range), std::move(fill));
    }

    const std::shared_ptr<CPTPlotRange>& range() const { return range_; }
    void setRange(std::shared_ptr<CPTPlotRange> range) { range_ = std::move(range); }
    const std::shared_ptr<CPTFill>& fill() const { return fill_; }
    void setFill(std::shared_ptr<CPTFill> fill) { fill_ = std::move(fill); }

    // A new band sharing the same range and fill.
    std::shared_ptr<CPTLimitBand> copy() const { return std::make_shared<CPTLimitBand>(range_, fill_); }
    std::string description() const;

  private:
    std::shared_ptr<CPTPlotRange> range_;
    std::shared_ptr<CPTFill> fill_;
};
