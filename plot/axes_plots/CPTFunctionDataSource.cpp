// The function data source: the sample count from the plot's width, tracking of the visible x range
// by whole steps, following the plot's plot space, and the sampled records.
#include "plot/axes_plots/CPTFunctionDataSource.h"

#include "platform/foundation/Log.h"
#include "plot/foundation/CPTException.h"
#include "plot/foundation/CPTUtilities.h"
#include "plot/graph/CPTDefinitions.h"
#include "plot/graph/CPTPlotSpace.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

bool isFiniteRange(const CPTPlotRange& range) {
    return std::isfinite(range.locationDouble()) && std::isfinite(range.lengthDouble());
}

// ceil(value) as a record count; none when it is not a finite count.
std::optional<std::uint64_t> wholeSteps(double value) {
    const double k = std::ceil(value);
    if (!std::isfinite(k) || k < 0 || k >= 9.0e15)
        return std::nullopt;
    return static_cast<std::uint64_t>(k);
}

} // namespace

CPTFunctionDataSource::CPTFunctionDataSource() {
    throw CPTException(CPTExceptionName,
                       "CPTFunctionDataSource must be initialized with a function or a block.");
}

CPTFunctionDataSource::CPTFunctionDataSource(Key, const std::shared_ptr<CPTPlot>& plot) : plot_(plot) {}

CPTFunctionDataSource::~CPTFunctionDataSource() = default;

std::shared_ptr<CPTFunctionDataSource> CPTFunctionDataSource::make(const std::shared_ptr<CPTPlot>& plot) {
    if (!plot)
        throw CPTException(CPTExceptionName, "CPTFunctionDataSource must be initialized with a plot.");
    auto source = std::make_shared<CPTFunctionDataSource>(Key{}, plot);
    CPTFunctionDataSource* self = source.get();
    plot->setCachePrecision(CPTPlotCachePrecisionDouble);
    auto& center = foundation::NotificationCenter::defaultCenter();
    source->boundsToken_ = center.observe(
        CPTLayerBoundsDidChangeNotification, static_cast<const void*>(static_cast<CPTLayer*>(plot.get())),
        [self](const foundation::Notification&) { self->plotBoundsChanged(); });
    source->plotSpaceToken_ =
        center.observe(CPTPlotDidChangePlotSpaceNotification, static_cast<const void*>(plot.get()),
                       [self](const foundation::Notification&) { self->plotSpaceReplaced(); });
    source->plotSpaceReplaced();
    return source;
}

std::shared_ptr<CPTFunctionDataSource>
CPTFunctionDataSource::dataSourceForPlotWithFunction(const std::shared_ptr<CPTPlot>& plot,
                                                     Function function) {
    auto source = make(plot);
    source->function_ = function;
    plot->setDataSource(source);
    return source;
}

std::shared_ptr<CPTFunctionDataSource>
CPTFunctionDataSource::dataSourceForPlotWithBlock(const std::shared_ptr<CPTPlot>& plot, Block block) {
    auto source = make(plot);
    source->block_ = std::move(block);
    plot->setDataSource(source);
    return source;
}

// --- settings

void CPTFunctionDataSource::setResolution(double resolution) {
    if (!(resolution > 0) || !std::isfinite(resolution)) {
        foundation::log("Function data source: ignored a resolution of " + std::to_string(resolution) +
                        " points per sample; it must be a positive number");
        return;
    }
    if (resolution == resolution_)
        return;
    resolution_ = resolution;
    resetSampling();
}

void CPTFunctionDataSource::setDataRange(const std::shared_ptr<CPTPlotRange>& range) {
    if (range == dataRange_)
        return;
    dataRange_ = range;
    if (!dataRange_ || !cachedPlotRange_ || !dataRange_->containsRange(cachedPlotRange_.get()))
        resetSampling();
}

void CPTFunctionDataSource::resetSampling() {
    cachedCount_ = 0;
    cachedPlotRange_.reset();
    plotBoundsChanged();
}

// --- sampling

void CPTFunctionDataSource::plotBoundsChanged() {
    auto space = plot_->plotSpace();
    if (!space)
        return;
    const double width = plot_->bounds().size.width;
    auto xRange = space->plotRangeForCoordinate(CPTCoordinateX);
    std::optional<std::uint64_t> steps;
    if (width > 0 && xRange && isFiniteRange(*xRange))
        steps = wholeSteps(width / resolution_);
    if (!steps) {
        const bool had = dataCount_ > 0;
        dataCount_ = cachedCount_ = 0;
        cachedStep_ = 0.0;
        if (had)
            plot_->reloadData();
        return;
    }
    const std::uint64_t n = *steps + 1;
    if (n <= cachedCount_)
        return;
    dataCount_ = cachedCount_ = n;
    cachedStep_ = xRange->lengthDouble() / double(n);
    plot_->reloadData();
}

void CPTFunctionDataSource::plotSpaceChanged() {
    auto space = plot_->plotSpace();
    if (!space)
        return;
    auto visible = space->plotRangeForCoordinate(CPTCoordinateX);
    if (!visible)
        return;
    auto xr = visible->mutableCopy();
    if (dataRange_)
        xr->intersectionPlotRange(dataRange_.get());
    if (!isFiniteRange(*xr)) {
        // Nothing can be sampled over an endless or undefined range.
        cachedPlotRange_.reset();
        cachedCount_ = 0;
        const bool had = dataCount_ > 0;
        dataCount_ = 0;
        if (had)
            plot_->reloadData();
        return;
    }
    const std::shared_ptr<CPTMutablePlotRange> c = cachedPlotRange_;
    const double s = cachedStep_;
    if (c && c->containsRange(xr.get()))
        return;
    if (!c || !c->intersectsRange(xr.get()) || s == 0) {
        cachedCount_ = 0;
        cachedPlotRange_ = xr;
        plotBoundsChanged();
        return;
    }

    // The records each exposed end needs; first the end where records go in at index 0.
    const bool rising = s > 0;
    std::optional<std::uint64_t> front = 0, back = 0;
    if (rising) {
        if (!c->containsDouble(xr->minLimitDouble()))
            front = wholeSteps((c->minLimitDouble() - xr->minLimitDouble()) / s);
        if (!c->containsDouble(xr->maxLimitDouble()))
            back = wholeSteps((xr->maxLimitDouble() - c->maxLimitDouble()) / s);
    } else {
        if (!c->containsDouble(xr->maxLimitDouble()))
            front = wholeSteps((c->maxLimitDouble() - xr->maxLimitDouble()) / s);
        if (!c->containsDouble(xr->minLimitDouble()))
            back = wholeSteps((xr->minLimitDouble() - c->minLimitDouble()) / s);
    }
    // A widening by far more than the sampled stretch costs more records than sampling the new range
    // afresh: resample instead.
    const double width = plot_->bounds().size.width;
    const double fresh = width > 0 ? std::ceil(width / resolution_) + 1 : 0;
    if (!front || !back || double(*front) + double(*back) > fresh) {
        cachedCount_ = 0;
        cachedPlotRange_ = xr;
        plotBoundsChanged();
        return;
    }
    if (*front > 0) {
        const NSDecimal d = CPTDecimalFromDouble(s * double(*front));
        c->setLocationDecimal(CPTDecimalMinus(c->locationDecimal(), d));
        c->setLengthDecimal(CPTDecimalPlus(c->lengthDecimal(), d));
        dataCount_ += *front;
        plot_->insertDataAtIndex(0, *front);
    }
    if (*back > 0) {
        c->setLengthDecimal(CPTDecimalPlus(c->lengthDecimal(), CPTDecimalFromDouble(s * double(*back))));
        dataCount_ += *back;
        plot_->insertDataAtIndex(plot_->cachedDataCount(), *back);
    }
}

void CPTFunctionDataSource::plotSpaceReplaced() {
    mappingToken_.reset();
    if (auto space = plot_->plotSpace())
        mappingToken_ = foundation::NotificationCenter::defaultCenter().observe(
            CPTPlotSpaceCoordinateMappingDidChangeNotification, static_cast<const void*>(space.get()),
            [this](const foundation::Notification&) { plotSpaceChanged(); });
    cachedPlotRange_.reset();
    plotSpaceChanged();
}

double CPTFunctionDataSource::valueAt(double x) const {
    if (function_)
        return function_(x);
    if (block_)
        return block_(x);
    return 0.0;
}

// --- data source

std::uint64_t CPTFunctionDataSource::numberOfRecordsForPlot(CPTPlot& plot) {
    return &plot == plot_.get() ? dataCount_ : 0;
}

std::optional<std::shared_ptr<CPTNumericData>>
CPTFunctionDataSource::dataForPlotRecordIndexRange(CPTPlot& plot, NSRange indexRange) {
    if (&plot != plot_.get() || dataCount_ == 0)
        return std::shared_ptr<CPTNumericData>();
    if (!cachedPlotRange_)
        plotSpaceChanged();
    if (!cachedPlotRange_ || dataCount_ == 0)
        return std::shared_ptr<CPTNumericData>();
    const double location = cachedPlotRange_->locationDouble();
    const double length = cachedPlotRange_->lengthDouble();
    const std::uint64_t m = dataCount_;
    const double q = m == 1 ? 1.0 : double(m - 1);
    const std::uint64_t n = indexRange.length;
    std::vector<double> samples(n * 2);
    for (std::uint64_t k = 0; k < n; ++k) {
        const double x = location + double(indexRange.location + k) / q * length;
        samples[k] = x;
        samples[n + k] = valueAt(x);
    }
    CPTNumericData::Bytes bytes(samples.size() * sizeof(double));
    if (!bytes.empty())
        std::memcpy(bytes.data(), samples.data(), bytes.size());
    return CPTNumericData::numericDataWithData(std::move(bytes), CPTPlot::doubleDataType(),
                                               CPTNumericData::Shape{n, 2}, CPTDataOrderColumnsFirst);
}
