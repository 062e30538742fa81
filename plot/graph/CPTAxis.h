// The axis of a chart apart from the shape of its plot space: which plot space and coordinate it
// measures, where its major and minor ticks go under five labeling policies, their lengths and line
// styles, grid lines, tick labels and title (whose layers live in the plot area's label groups),
// alternating bands and limit bands. A subclass maps values to view points and draws.
#pragma once

#include "platform/foundation/NumberFormatter.h"
#include "platform/graphics/Text.h"
#include "plot/graph/CPTAxisLabel.h"
#include "plot/graph/CPTLayer.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CPTAxis;
class CPTAxisSet;
class CPTColor;
class CPTFill;
class CPTGradient;
class CPTGridLines;
class CPTImage;
class CPTLimitBand;
class CPTLineCap;
class CPTLineStyle;
class CPTPlotArea;
class CPTMutablePlotRange;
class CPTPlotRange;
class CPTPlotSpace;
class CPTShadow;
class CPTTextStyle;

enum CPTAxisLabelingPolicy : std::int64_t {
    CPTAxisLabelingPolicyNone = 0,              // the caller supplies labels and tick locations
    CPTAxisLabelingPolicyLocationsProvided = 1, // the caller supplies tick locations; the axis labels them
    CPTAxisLabelingPolicyFixedInterval = 2,     // every majorIntervalLength from labelingOrigin
    CPTAxisLabelingPolicyAutomatic = 3,         // a readable interval for the range and scale
    CPTAxisLabelingPolicyEqualDivisions = 4,    // preferredNumberOfMajorTicks spread over the range
};

// The interval of the automatic policy for two ticks: the magnitude cut to a whole number above 10,
// else to two significant digits (8.76 gives 8.7, 0.0345 gives 0.034); the sign kept.
NSDecimal CPTAxisTruncatedInterval(NSDecimal x);
// 1, 2, 5 or 10 times the power of ten at or below the magnitude (24.25 gives 20); the sign kept.
NSDecimal CPTAxisNiceInterval(NSDecimal x);

// Every operation is optional: the defaults let the axis go ahead.
class CPTAxisDelegate {
  public:
    virtual ~CPTAxisDelegate() = default;
    // false: the relabel is dropped (its flag is cleared, nothing else happens).
    virtual std::optional<bool> axisShouldRelabel(CPTAxis& axis) { return std::nullopt; }
    virtual void axisDidRelabel(CPTAxis& axis) {}
    // false: the existing labels stay exactly as they are. Asked only for a non-empty location set.
    virtual std::optional<bool> axisShouldUpdateAxisLabelsAtLocations(CPTAxis& axis,
                                                                      const std::vector<foundation::Value>& locations) {
        return std::nullopt;
    }
    virtual std::optional<bool>
    axisShouldUpdateMinorAxisLabelsAtLocations(CPTAxis& axis, const std::vector<foundation::Value>& locations) {
        return std::nullopt;
    }
    // Touches on major and minor labels. Each answers whether it is implemented: the default does
    // nothing and answers false, and a touch that no implemented operation hears goes on.
    virtual bool axisLabelTouchDown(CPTAxis& axis, CPTAxisLabel& label) { return false; }
    virtual bool axisLabelTouchDownWithEvent(CPTAxis& axis, CPTAxisLabel& label, const CPTEvent& event) {
        return false;
    }
    virtual bool axisLabelTouchUp(CPTAxis& axis, CPTAxisLabel& label) { return false; }
    virtual bool axisLabelTouchUpWithEvent(CPTAxis& axis, CPTAxisLabel& label, const CPTEvent& event) { return false; }
    virtual bool axisLabelWasSelected(CPTAxis& axis, CPTAxisLabel& label) { return false; }
    virtual bool axisLabelWasSelectedWithEvent(CPTAxis& axis, CPTAxisLabel& label, const CPTEvent& event) {
        return false;
    }
    virtual bool axisMinorTickTouchDown(CPTAxis& axis, CPTAxisLabel& label) { return false; }
    virtual bool axisMinorTickTouchDownWithEvent(CPTAxis& axis, CPTAxisLabel& label, const CPTEvent& event) {
        return false;
    }
    virtual bool axisMinorTickTouchUp(CPTAxis& axis, CPTAxisLabel& label) { return false; }
    virtual bool axisMinorTickTouchUpWithEvent(CPTAxis& axis, CPTAxisLabel& label, const CPTEvent& event) {
        return false;
    }
    virtual bool axisMinorTickLabelWasSelected(CPTAxis& axis, CPTAxisLabel& label) { return false; }
    virtual bool axisMinorTickLabelWasSelectedWithEvent(CPTAxis& axis, CPTAxisLabel& label, const CPTEvent& event) {
        return false;
    }
};

// One entry of alternating band fills: a fill, or a colour, gradient or image made into one, or none
// (a band left unfilled).
struct CPTBandFill {
    CPTBandFill(std::nullptr_t = nullptr) {}
    CPTBandFill(std::shared_ptr<CPTFill> fill) : fill(std::move(fill)) {}
    CPTBandFill(const std::shared_ptr<CPTColor>& color);
    CPTBandFill(const std::shared_ptr<CPTGradient>& gradient);
    CPTBandFill(const std::shared_ptr<CPTImage>& image);
    std::shared_ptr<CPTFill> fill;
};

class CPTAxis : public CPTLayer {
  public:
    using AxisLabels = std::vector<std::shared_ptr<CPTAxisLabel>>; // no two equal (by tick location)
    using TickLocations = std::vector<foundation::Value>;          // numbers, no two equal
    using BandFills = std::vector<std::shared_ptr<CPTFill>>;       // a null entry leaves its band unfilled
    using LimitBands = std::vector<std::shared_ptr<CPTLimitBand>>;
    using Formatter = std::shared_ptr<foundation::NumberFormatter>;

    // Tick generation makes at most this many ticks of a kind; a relabel that would make more makes
    // none and says so in the log.
    static constexpr double kMaximumMajorTicks = 10000;
    static constexpr double kMaximumMinorTicks = 100000;

    explicit CPTAxis(const CGRect& frame = {});
    ~CPTAxis() override;
    const char* className() const override { return "CPTAxis"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // --- what it measures (each change relabels; ranges compare by value)
    const std::shared_ptr<CPTPlotSpace>& plotSpace() const { return plotSpace_; }
    virtual void setPlotSpace(const std::shared_ptr<CPTPlotSpace>& space);
    CPTCoordinate coordinate() const { return coordinate_; }
    virtual void setCoordinate(CPTCoordinate coordinate);
    // Copied. Ticks and labels stay inside the plot range cut to it.
    const std::shared_ptr<CPTPlotRange>& visibleRange() const { return visibleRange_; }
    void setVisibleRange(const std::shared_ptr<CPTPlotRange>& range);
    // Copied. The axis line is drawn over it instead of the plot range.
    const std::shared_ptr<CPTPlotRange>& visibleAxisRange() const { return visibleAxisRange_; }
    void setVisibleAxisRange(const std::shared_ptr<CPTPlotRange>& range);

    // --- ticks. Numbers compare by value: the same value in a new number is no change, none always is.
    CPTAxisLabelingPolicy labelingPolicy() const { return labelingPolicy_; }
    void setLabelingPolicy(CPTAxisLabelingPolicy policy);
    const foundation::Value& labelingOrigin() const { return labelingOrigin_; }
    void setLabelingOrigin(const foundation::Value& origin);
    const foundation::Value& majorIntervalLength() const { return majorIntervalLength_; }
    void setMajorIntervalLength(const foundation::Value& length);
    std::uint64_t minorTicksPerInterval() const { return minorTicksPerInterval_; }
    void setMinorTicksPerInterval(std::uint64_t count);
    // Relabels under the automatic and equal-divisions policies, the two that read it.
    std::uint64_t preferredNumberOfMajorTicks() const { return preferredNumberOfMajorTicks_; }
    void setPreferredNumberOfMajorTicks(std::uint64_t count);
    // Every assignment is a new set: the grid lines redraw, then the axis relabels.
    const TickLocations& majorTickLocations() const { return majorTickLocations_; }
    void setMajorTickLocations(const TickLocations& locations);
    const TickLocations& minorTickLocations() const { return minorTickLocations_; }
    void setMinorTickLocations(const TickLocations& locations);
    CGFloat majorTickLength() const { return majorTickLength_; }
    void setMajorTickLength(CGFloat length);
    CGFloat minorTickLength() const { return minorTickLength_; }
    void setMinorTickLength(CGFloat length);
    CPTSign tickDirection() const { return tickDirection_; }
    void setTickDirection(CPTSign direction);
    // Locations inside any of these get no tick under policies 2 to 4.
    const std::vector<std::shared_ptr<CPTPlotRange>>& labelExclusionRanges() const { return labelExclusionRanges_; }
    void setLabelExclusionRanges(const std::vector<std::shared_ptr<CPTPlotRange>>& ranges);
    // How far labels sit from the axis line because of the ticks: the tick length for directions 1 and
    // -1, half of it for 0, nothing for any other value.
    CGFloat tickOffset() const;

    // --- lines (copied; each change redraws)
    const std::shared_ptr<CPTLineStyle>& axisLineStyle() const { return axisLineStyle_; }
    void setAxisLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    const std::shared_ptr<CPTLineStyle>& majorTickLineStyle() const { return majorTickLineStyle_; }
    void setMajorTickLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    const std::shared_ptr<CPTLineStyle>& minorTickLineStyle() const { return minorTickLineStyle_; }
    void setMinorTickLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    const std::shared_ptr<CPTLineCap>& axisLineCapMin() const { return axisLineCapMin_; }
    void setAxisLineCapMin(const std::shared_ptr<CPTLineCap>& cap);
    const std::shared_ptr<CPTLineCap>& axisLineCapMax() const { return axisLineCapMax_; }
    void setAxisLineCapMax(const std::shared_ptr<CPTLineCap>& cap);

    // --- grid lines and bands. Without a style there are no grid lines of that kind.
    const std::shared_ptr<CPTLineStyle>& majorGridLineStyle() const { return majorGridLineStyle_; }
    virtual void setMajorGridLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    const std::shared_ptr<CPTLineStyle>& minorGridLineStyle() const { return minorGridLineStyle_; }
    virtual void setMinorGridLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    // Copied. The grid lines (and bands) span it instead of the whole orthogonal range.
    const std::shared_ptr<CPTPlotRange>& gridLinesRange() const { return gridLinesRange_; }
    void setGridLinesRange(const std::shared_ptr<CPTPlotRange>& range);
    // Whether the axis keeps its own grid-line layers instead of drawing in the plot area's groups.
    bool separateLayers() const { return separateLayers_; }
    virtual void setSeparateLayers(bool value);
    const std::shared_ptr<CPTGridLines>& majorGridLines() const { return majorGridLines_; }
    void setMajorGridLines(const std::shared_ptr<CPTGridLines>& layer);
    const std::shared_ptr<CPTGridLines>& minorGridLines() const { return minorGridLines_; }
    void setMinorGridLines(const std::shared_ptr<CPTGridLines>& layer);
    const BandFills& alternatingBandFills() const { return alternatingBandFills_; }
    void setAlternatingBandFills(const std::vector<CPTBandFill>& fills);
    // Which band the first fill goes to (none: the first band).
    const foundation::Value& alternatingBandAnchor() const { return alternatingBandAnchor_; }
    void setAlternatingBandAnchor(const foundation::Value& anchor);
    const LimitBands& backgroundLimitBands() const { return backgroundLimitBands_; }
    // Each marks the plot area for display; a null band is ignored.
    virtual void addBackgroundLimitBand(const std::shared_ptr<CPTLimitBand>& band);
    void removeBackgroundLimitBand(const std::shared_ptr<CPTLimitBand>& band);
    void removeAllBackgroundLimitBands();

    // --- major labels, and their minor twins
    // Shared. A new formatter rebuilds every label at the next relabel. No minor formatter: no minor
    // labels.
    const Formatter& labelFormatter() const { return labelFormatter_; }
    void setLabelFormatter(const Formatter& formatter);
    const Formatter& minorTickLabelFormatter() const { return minorTickLabelFormatter_; }
    void setMinorTickLabelFormatter(const Formatter& formatter);
    // Copied into every existing label at once. None removes the labels at the next relabel.
    const std::shared_ptr<CPTTextStyle>& labelTextStyle() const { return labelTextStyle_; }
    void setLabelTextStyle(const std::shared_ptr<CPTTextStyle>& style);
    const std::shared_ptr<CPTTextStyle>& minorTickLabelTextStyle() const { return minorTickLabelTextStyle_; }
    void setMinorTickLabelTextStyle(const std::shared_ptr<CPTTextStyle>& style);
    CGFloat labelOffset() const { return labelOffset_; }
    void setLabelOffset(CGFloat offset);
    CGFloat minorTickLabelOffset() const { return minorTickLabelOffset_; }
    void setMinorTickLabelOffset(CGFloat offset);
    CGFloat labelRotation() const { return labelRotation_; }
    void setLabelRotation(CGFloat rotation);
    CGFloat minorTickLabelRotation() const { return minorTickLabelRotation_; }
    void setMinorTickLabelRotation(CGFloat rotation);
    // Copied into the existing labels at once, and they are placed again.
    CPTAlignment labelAlignment() const { return labelAlignment_; }
    virtual void setLabelAlignment(CPTAlignment alignment);
    CPTAlignment minorTickLabelAlignment() const { return minorTickLabelAlignment_; }
    void setMinorTickLabelAlignment(CPTAlignment alignment);
    // 0: the tick direction.
    CPTSign tickLabelDirection() const { return tickLabelDirection_; }
    void setTickLabelDirection(CPTSign direction);
    CPTSign minorTickLabelDirection() const { return minorTickLabelDirection_; }
    void setMinorTickLabelDirection(CPTSign direction);
    const std::shared_ptr<CPTShadow>& labelShadow() const { return labelShadow_; }
    void setLabelShadow(const std::shared_ptr<CPTShadow>& shadow);
    const std::shared_ptr<CPTShadow>& minorTickLabelShadow() const { return minorTickLabelShadow_; }
    void setMinorTickLabelShadow(const std::shared_ptr<CPTShadow>& shadow);
    // Outside a relabel a new set takes the old labels' layers out of the plot area and puts its own in.
    const AxisLabels& axisLabels() const { return axisLabels_; }
    virtual void setAxisLabels(const AxisLabels& labels);
    const AxisLabels& minorTickAxisLabels() const { return minorTickAxisLabels_; }
    void setMinorTickAxisLabels(const AxisLabels& labels);

    // --- title
    const std::optional<std::string>& title() const { return title_; }
    void setTitle(const std::optional<std::string>& title);
    const std::optional<gfx::RichText>& attributedTitle() const { return attributedTitle_; }
    void setAttributedTitle(const std::optional<gfx::RichText>& title);
    const std::shared_ptr<CPTTextStyle>& titleTextStyle() const { return titleTextStyle_; }
    void setTitleTextStyle(const std::shared_ptr<CPTTextStyle>& style);
    CGFloat titleOffset() const { return titleOffset_; }
    void setTitleOffset(CGFloat offset);
    // NaN: automatic (a quarter turn beside a y axis).
    CGFloat titleRotation() const { return titleRotation_; }
    void setTitleRotation(CGFloat rotation);
    CPTSign titleDirection() const { return titleDirection_; }
    void setTitleDirection(CPTSign direction);
    // The default title location while the stored value is NaN.
    foundation::Value titleLocation() const;
    void setTitleLocation(const foundation::Value& location);
    // Built on first read from the attributed title or the title (none without either).
    const std::shared_ptr<CPTAxisTitle>& axisTitle() const;
    virtual void setAxisTitle(const std::shared_ptr<CPTAxisTitle>& title);

    // --- links: set by the axis set and the plot area; never owning
    CPTPlotArea* plotArea() const { return plotArea_; }
    virtual void setPlotArea(CPTPlotArea* plotArea);
    CPTAxisSet* axisSet() const;
    // Held weakly: a delegate that has gone reads as none.
    std::shared_ptr<CPTAxisDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<CPTAxisDelegate>& delegate) { delegate_ = delegate; }

    // --- relabelling
    bool needsRelabel() const { return needsRelabel_; }
    // A change to true redraws the axis and its grid lines.
    virtual void setNeedsRelabel(bool value);
    void setNeedsRelabel() { setNeedsRelabel(true); }
    // Computes ticks and labels when due and there is a plot space.
    virtual void relabel();
    void generateFixedIntervalMajorTickLocations(TickLocations& major, TickLocations& minor);
    void autoGenerateMajorTickLocations(TickLocations& major, TickLocations& minor);
    void generateEqualMajorTickLocations(TickLocations& major, TickLocations& minor);
    // Without exclusion ranges, the set itself; else the locations outside all of them.
    TickLocations filteredTickLocations(const TickLocations& locations) const;
    TickLocations filteredMajorTickLocations(const TickLocations& locations) const {
        return filteredTickLocations(locations);
    }
    TickLocations filteredMinorTickLocations(const TickLocations& locations) const {
        return filteredTickLocations(locations);
    }
    // Rebuilds one label set for the locations (inside the range when one is given), reusing the
    // labels whose location survives unless the formatter changed.
    void updateAxisLabelsAtLocations(const TickLocations& locations, const CPTPlotRange* range, bool major);
    void updateMajorTickLabelOffsets();
    void updateMinorTickLabelOffsets();
    // Place every label of the set beside its tick.
    void updateMajorTickLabels();
    void updateMinorTickLabels();
    // Policy 0: shows and places the caller's labels inside the range, hides the others.
    void updateCustomTickLabels();
    // Places the title again.
    virtual void updateAxisTitle();

    // --- what a subclass supplies
    // The title's place when none is set (base: NaN).
    virtual foundation::Value defaultTitleLocation() const;
    // The view point, in this layer, of a value on the axis's coordinate (base: the origin).
    virtual CGPoint viewPointForCoordinateValue(const foundation::Value& value);
    // Drawn into the plot area's layers, not the axis's own (base: nothing).
    virtual void drawGridLinesInContext(gfx::Context& ctx, bool major) {}
    virtual void drawBackgroundBandsInContext(gfx::Context& ctx) {}
    virtual void drawBackgroundLimitsInContext(gfx::Context& ctx) {}

    // --- layer
    // Relabels when due, else places the labels again; then places the title.
    void layoutSublayers() override;
    // A change marks the axis for relabelling.
    void setHidden(bool hidden) override;
    bool needsDisplayForKey(std::string_view key) const override;

    // Presses and releases on labels, major first, go to the delegate; a hidden axis, or one
    // without a graph, takes none.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;

  protected:
    // The plot range of the axis's coordinate cut to the visible range; none without either.
    std::shared_ptr<CPTMutablePlotRange> workingRange() const;
    void logTickLimit(const char* kind, double count) const;
    // Whether a generator may make this many major and minor ticks; when not, the log says so.
    bool tickCountsWithinLimits(double majors, double minors) const;

  private:
    struct LabelSet;
    LabelSet labelSet(bool major);
    void majorGridLinesNeedDisplay();
    void minorGridLinesNeedDisplay();
    void installGridLines(std::shared_ptr<CPTGridLines>& slot, const std::shared_ptr<CPTGridLines>& layer,
                          bool major);
    void gridLineStyleChanged(bool major);
    void plotAreaNeedsDisplay();
    void placeLabels(const AxisLabels& labels, CPTSign direction);
    void storeLabels(AxisLabels& slot, const AxisLabels& labels, bool major);
    void insertLabelLayers(const AxisLabels& labels);
    void removeLabelLayers(const AxisLabels& labels);
    std::shared_ptr<CPTLayer> newLabelLayer(const foundation::Value& location, const LabelSet& set,
                                            bool attributed);

    std::shared_ptr<CPTPlotSpace> plotSpace_;
    CPTCoordinate coordinate_ = CPTCoordinateX;
    std::shared_ptr<CPTPlotRange> visibleRange_;
    std::shared_ptr<CPTPlotRange> visibleAxisRange_;

    CPTAxisLabelingPolicy labelingPolicy_ = CPTAxisLabelingPolicyFixedInterval;
    foundation::Value labelingOrigin_ = foundation::Value(0.0);
    foundation::Value majorIntervalLength_ = foundation::Value(1.0);
    std::uint64_t minorTicksPerInterval_ = 1;
    std::uint64_t preferredNumberOfMajorTicks_ = 0;
    TickLocations majorTickLocations_;
    TickLocations minorTickLocations_;
    CGFloat majorTickLength_ = 5.0;
    CGFloat minorTickLength_ = 3.0;
    CPTSign tickDirection_ = CPTSignNone;
    std::vector<std::shared_ptr<CPTPlotRange>> labelExclusionRanges_;

    std::shared_ptr<CPTLineStyle> axisLineStyle_;
    std::shared_ptr<CPTLineStyle> majorTickLineStyle_;
    std::shared_ptr<CPTLineStyle> minorTickLineStyle_;
    std::shared_ptr<CPTLineCap> axisLineCapMin_;
    std::shared_ptr<CPTLineCap> axisLineCapMax_;
    std::shared_ptr<CPTLineStyle> majorGridLineStyle_;
    std::shared_ptr<CPTLineStyle> minorGridLineStyle_;
    std::shared_ptr<CPTPlotRange> gridLinesRange_;
    bool separateLayers_ = false;
    // Held here so that a layer made before the axis has a plot area is not lost.
    std::shared_ptr<CPTGridLines> majorGridLines_;
    std::shared_ptr<CPTGridLines> minorGridLines_;
    BandFills alternatingBandFills_;
    foundation::Value alternatingBandAnchor_;
    LimitBands backgroundLimitBands_;

    Formatter labelFormatter_;
    Formatter minorTickLabelFormatter_;
    std::shared_ptr<CPTTextStyle> labelTextStyle_;
    std::shared_ptr<CPTTextStyle> minorTickLabelTextStyle_;
    CGFloat labelOffset_ = 2.0;
    CGFloat minorTickLabelOffset_ = 2.0;
    CGFloat labelRotation_ = 0.0;
    CGFloat minorTickLabelRotation_ = 0.0;
    CPTAlignment labelAlignment_ = CPTAlignmentCenter;
    CPTAlignment minorTickLabelAlignment_ = CPTAlignmentCenter;
    CPTSign tickLabelDirection_ = CPTSignNone;
    CPTSign minorTickLabelDirection_ = CPTSignNone;
    std::shared_ptr<CPTShadow> labelShadow_;
    std::shared_ptr<CPTShadow> minorTickLabelShadow_;
    AxisLabels axisLabels_;
    AxisLabels minorTickAxisLabels_;

    std::optional<std::string> title_;
    std::optional<gfx::RichText> attributedTitle_;
    std::shared_ptr<CPTTextStyle> titleTextStyle_;
    CGFloat titleOffset_ = 30.0;
    CGFloat titleRotation_;
    CPTSign titleDirection_ = CPTSignNone;
    foundation::Value titleLocation_;
    mutable std::shared_ptr<CPTAxisTitle> axisTitle_;

    CPTPlotArea* plotArea_ = nullptr;
    std::weak_ptr<CPTAxisDelegate> delegate_;
    std::weak_ptr<CPTAxisLabel> pointingDeviceDownLabel_;
    std::weak_ptr<CPTAxisLabel> pointingDeviceDownTickLabel_;
    bool needsRelabel_ = true;
    bool labelFormatterChanged_ = true;
    bool minorLabelFormatterChanged_ = false;
    bool labelsUpdated_ = false;
    bool inTitleUpdate_ = false;
};
