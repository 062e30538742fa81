// A data source that samples a function y = f(x) across the visible x range of one plot with an x and
// a y field: the number of samples follows the plot's width, and scrolling samples only the newly
// exposed stretch at either end, inserting those records, so that panning does not recompute the curve.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/graph/CPTPlot.h"

#include <cstdint>
#include <functional>
#include <memory>

class CPTFunctionDataSource : public CPTPlotDataSource {
  public:
    using Function = double (*)(double);
    using Block = std::function<double(double)>;

    // Becomes the plot's data source (which the plot does not own: keep the returned object) and sets
    // its cache to doubles.
    static std::shared_ptr<CPTFunctionDataSource>
    dataSourceForPlotWithFunction(const std::shared_ptr<CPTPlot>& plot, Function function);
    static std::shared_ptr<CPTFunctionDataSource>
    dataSourceForPlotWithBlock(const std::shared_ptr<CPTPlot>& plot, Block block);

    // Raises CPTException "CPTFunctionDataSource must be initialized with a function or a block.".
    CPTFunctionDataSource();
    ~CPTFunctionDataSource() override;
    CPTFunctionDataSource(const CPTFunctionDataSource&) = delete;
    CPTFunctionDataSource& operator=(const CPTFunctionDataSource&) = delete;

    Function dataSourceFunction() const { return function_; }
    const Block& dataSourceBlock() const { return block_; }
    const std::shared_ptr<CPTPlot>& dataPlot() const { return plot_; }

    // Points of plot width per sample. A value that is not a positive finite number is ignored with
    // a log line.
    double resolution() const { return resolution_; }
    void setResolution(double resolution);
    // A limit of the sampled x range; none samples the whole visible range.
    const std::shared_ptr<CPTPlotRange>& dataRange() const { return dataRange_; }
    void setDataRange(const std::shared_ptr<CPTPlotRange>& range);

    double cachedStep() const { return cachedStep_; }
    std::uint64_t cachedCount() const { return cachedCount_; }
    std::uint64_t dataCount() const { return dataCount_; }
    // The x range the records cover; none before the first sampling.
    const std::shared_ptr<CPTMutablePlotRange>& cachedPlotRange() const { return cachedPlotRange_; }

    // Chooses the sample count from the plot's width; it only grows until the resolution or the data
    // range resets it.
    void plotBoundsChanged();
    // Follows the plot space's x range: extends the sampled range at the exposed ends by whole steps,
    // or resamples fully when the ranges do not overlap (or an extension would cost more records than
    // a full resampling).
    void plotSpaceChanged();

    // --- data source: records only for its own plot
    std::uint64_t numberOfRecordsForPlot(CPTPlot& plot) override;
    // Two columns, x then y, columns first.
    std::optional<std::shared_ptr<CPTNumericData>> dataForPlotRecordIndexRange(CPTPlot& plot,
                                                                               NSRange indexRange) override;

  private:
    struct Key {};

  public:
    CPTFunctionDataSource(Key, const std::shared_ptr<CPTPlot>& plot);

  private:
    static std::shared_ptr<CPTFunctionDataSource> make(const std::shared_ptr<CPTPlot>& plot);
    void plotSpaceReplaced();
    void resetSampling();
    double valueAt(double x) const;

    Function function_ = nullptr;
    Block block_;
    std::shared_ptr<CPTPlot> plot_;
    double resolution_ = 1.0;
    std::shared_ptr<CPTPlotRange> dataRange_;
    double cachedStep_ = 0.0;
    std::uint64_t cachedCount_ = 0;
    std::uint64_t dataCount_ = 0;
    std::shared_ptr<CPTMutablePlotRange> cachedPlotRange_;
    foundation::ObserverToken boundsToken_;
    foundation::ObserverToken plotSpaceToken_;
    foundation::ObserverToken mappingToken_;
};
