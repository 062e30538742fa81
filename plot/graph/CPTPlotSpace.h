// The mapping between data coordinates (plot points, one value per coordinate) and positions in the
// plot area, with the delegate that can veto events and replace ranges, and the category names of
// category-scaled coordinates. This base class maps nothing; the XY plot space does.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/NotFound.h"
#include "platform/foundation/Value.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/graph/CPTDefinitions.h"
#include "plot/graph/CPTResponder.h"

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CPTGraph;
class CPTPlot;
class CPTPlotSpace;

// Every operation is optional: the default answers none ("not implemented"), and the plot space
// then goes ahead unchanged.
class CPTPlotSpaceDelegate {
  public:
    virtual ~CPTPlotSpaceDelegate() = default;
    virtual std::optional<bool>
    plotSpaceShouldHandlePointingDeviceDownEvent(CPTPlotSpace& space, const CPTEvent& event, CGPoint point) {
        return std::nullopt;
    }
    virtual std::optional<bool> plotSpaceShouldHandlePointingDeviceDraggedEvent(CPTPlotSpace& space,
                                                                                const CPTEvent& event,
                                                                                CGPoint point) {
        return std::nullopt;
    }
    virtual std::optional<bool>
    plotSpaceShouldHandlePointingDeviceUpEvent(CPTPlotSpace& space, const CPTEvent& event, CGPoint point) {
        return std::nullopt;
    }
    virtual std::optional<bool> plotSpaceShouldHandlePointingDeviceCancelledEvent(CPTPlotSpace& space,
                                                                                  const CPTEvent& event) {
        return std::nullopt;
    }
    // The answer (none inside: no range) replaces the proposed range.
    virtual std::optional<std::shared_ptr<CPTPlotRange>>
    plotSpaceWillChangePlotRangeTo(CPTPlotSpace& space, const std::shared_ptr<CPTPlotRange>& newRange,
                                   CPTCoordinate coordinate) {
        return std::nullopt;
    }
    virtual void plotSpaceDidChangePlotRangeForCoordinate(CPTPlotSpace& space, CPTCoordinate coordinate) {}
    // The answer replaces the finger's displacement.
    virtual std::optional<CGPoint> plotSpaceWillDisplaceBy(CPTPlotSpace& space, CGPoint displacement) {
        return std::nullopt;
    }
    // false cancels the scaling.
    virtual std::optional<bool> plotSpaceShouldScaleBy(CPTPlotSpace& space, CGFloat factor, CGPoint point) {
        return std::nullopt;
    }
};

class CPTPlotSpace : public CPTResponder {
  public:
    CPTPlotSpace() = default;
    ~CPTPlotSpace() override;
    CPTPlotSpace(const CPTPlotSpace&) = delete;
    CPTPlotSpace& operator=(const CPTPlotSpace&) = delete;

    virtual const char* className() const { return "CPTPlotSpace"; }

    bool allowsUserInteraction() const { return allowsUserInteraction_; }
    void setAllowsUserInteraction(bool value) { allowsUserInteraction_ = value; }
    bool isDragging() const { return isDragging_; }
    void setIsDragging(bool value) { isDragging_ = value; }
    const foundation::Value& identifier() const { return identifier_; }
    void setIdentifier(const foundation::Value& identifier) { identifier_ = identifier; }
    // Set by the graph; never owning.
    CPTGraph* graph() const { return graph_; }
    void setGraph(CPTGraph* graph) { graph_ = graph; }
    // Held weakly: a delegate that has gone reads as none.
    std::shared_ptr<CPTPlotSpaceDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<CPTPlotSpaceDelegate>& delegate) { delegate_ = delegate; }

    virtual std::size_t numberOfCoordinates() const { return 0; }

    // --- mapping. The decimal and double forms read as many coordinates as the span holds (a
    // missing one reads as 0) and the inverse forms write only the entries the span has.
    virtual CGPoint plotAreaViewPointForPlotPoint(const std::vector<foundation::Value>& plotPoint);
    virtual CGPoint plotAreaViewPointForPlotPoint(std::span<const NSDecimal> plotPoint);
    virtual CGPoint plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double> plotPoint);
    // Many points of two coordinates at once: points[i] becomes the view point of (xs[i], ys[i]) as the
    // double form maps it, for each i whose `wanted` entry is not zero and whose coordinates are not NaN;
    // the other entries are left alone. The spans are as long as `points` (a shorter one limits the count).
    virtual void plotAreaViewPointsForDoublePrecisionPlotPoints(std::span<const double> xs,
                                                               std::span<const double> ys,
                                                               std::span<const std::uint8_t> wanted,
                                                               std::span<CGPoint> points);
    // Empty: no plot point.
    virtual std::vector<foundation::Value> plotPointForPlotAreaViewPoint(CGPoint point);
    virtual void plotPoint(std::span<NSDecimal> plotPoint, CGPoint point);
    virtual void doublePrecisionPlotPoint(std::span<double> plotPoint, CGPoint point);
    virtual CGPoint plotAreaViewPointForEvent(const CPTEvent& event);
    virtual std::vector<foundation::Value> plotPointForEvent(const CPTEvent& event);
    virtual void plotPoint(std::span<NSDecimal> plotPoint, const CPTEvent& event);
    virtual void doublePrecisionPlotPoint(std::span<double> plotPoint, const CPTEvent& event);

    // --- ranges and scales
    virtual void setPlotRange(const std::shared_ptr<CPTPlotRange>& range, CPTCoordinate coordinate) {}
    virtual std::shared_ptr<CPTPlotRange> plotRangeForCoordinate(CPTCoordinate coordinate) const {
        return nullptr;
    }
    virtual void setScaleType(CPTScaleType scaleType, CPTCoordinate coordinate) {}
    virtual CPTScaleType scaleTypeForCoordinate(CPTCoordinate coordinate) const { return CPTScaleTypeLinear; }

    using Plots = std::vector<std::shared_ptr<CPTPlot>>;
    virtual void scaleToFitPlots(const Plots& plots) {}
    virtual void scaleToFitEntirePlots(const Plots& plots) {}
    virtual void scaleBy(CGFloat interactionScale, CGPoint interactionPoint) {}
    // One coordinate: the union of the plots' ranges (extents, or enclosing extents), widened by
    // the current range when it has length 0.
    void scaleToFitPlotsForCoordinate(const Plots& plots, CPTCoordinate coordinate);
    void scaleToFitEntirePlotsForCoordinate(const Plots& plots, CPTCoordinate coordinate);

    // --- categories, per coordinate, in order, each name once. Every operation but
    // setCategories and removeAllCategories leaves a (possibly empty) set behind for its coordinate.
    void addCategory(const std::string& category, CPTCoordinate coordinate);
    void removeCategory(const std::string& category, CPTCoordinate coordinate);
    // An index beyond the count raises the range exception and changes nothing.
    void insertCategory(const std::string& category, CPTCoordinate coordinate, std::size_t index);
    // Duplicates collapse to their first place; none removes the coordinate's categories.
    void setCategories(const std::optional<std::vector<std::string>>& categories, CPTCoordinate coordinate);
    void removeAllCategories();
    std::vector<std::string> categoriesForCoordinate(CPTCoordinate coordinate);
    // None for an index outside the categories (negative included).
    std::optional<std::string> categoryForCoordinate(CPTCoordinate coordinate, std::int64_t index);
    // foundation::notFound when absent.
    std::uint64_t indexOfCategory(const std::string& category, CPTCoordinate coordinate);

    // --- pointing-device events: the delegate's veto (true: taken, handling stops)
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceCancelledEvent(const CPTEvent& event) override;

    virtual std::string debugQuickLookObject() const;

    // --- archiving: "CPTPlotSpace.graph" (a conditional reference), "CPTPlotSpace.identifier",
    // "CPTPlotSpace.allowsUserInteraction" and "CPTPlotSpace.categoryNames"; no delegate can be
    // archived, so none is written and a decoded plot space has none. Plot spaces are shared objects
    // known as CPTPlotSpace in an archive.
    virtual void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    // A plot space of the archived class, not dragging, its graph linked when the archive holds it;
    // none when the decode fails.
    // Its class must be "CPTPlotSpace" or "CPTXYPlotSpace".
    static std::shared_ptr<CPTPlotSpace> plotSpaceWithCoder(foundation::KeyedUnarchiver& coder);

  protected:
    // Reads the class's own keys (after its base class's) into a plot space made by its constructor.
    virtual void decodeFields(foundation::KeyedUnarchiver& coder);

  private:
    std::vector<std::string>& orderedSetForCoordinate(CPTCoordinate coordinate);
    void fitCoordinate(const Plots& plots, CPTCoordinate coordinate, bool enclosing);

    bool allowsUserInteraction_ = false;
    bool isDragging_ = false;
    foundation::Value identifier_;
    CPTGraph* graph_ = nullptr;
    std::weak_ptr<CPTPlotSpaceDelegate> delegate_;
    std::optional<std::map<CPTCoordinate, std::vector<std::string>>> categoryNames_;
};
