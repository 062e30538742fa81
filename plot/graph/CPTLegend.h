// The legend of a graph: a bordered layer that lists the entries of its plots (a swatch drawn by the
// plot beside a title the plot gives) in a grid of rows and columns, sizes itself to fit them, keeps
// in step with its plots through their legend notifications, and finds the entry under a point. The
// graph places it with an annotation at its legend anchor.
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/Text.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTBorderedLayer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CPTGraph;
class CPTLegend;
class CPTPlot;

// Where the swatch sits beside the title.
enum CPTLegendSwatchLayout : std::int64_t {
    CPTLegendSwatchLayoutLeft = 0,
    CPTLegendSwatchLayoutRight = 1,
    CPTLegendSwatchLayoutTop = 2,    // swatch above the title
    CPTLegendSwatchLayoutBottom = 3, // swatch below the title
};

// One entry: a legend-entry index of a plot, with the cell the layout gave it.
class CPTLegendEntry {
  public:
    CPTLegendEntry() = default;
    CPTLegendEntry(const std::shared_ptr<CPTPlot>& plot, std::uint64_t index,
                   std::shared_ptr<CPTTextStyle> style)
        : plot_(plot), index_(index), textStyle_(std::move(style)) {}

    // Not owned: the legend holds the plot.
    std::shared_ptr<CPTPlot> plot() const { return plot_.lock(); }
    void setPlot(const std::shared_ptr<CPTPlot>& plot) { plot_ = plot; }
    std::uint64_t index() const { return index_; }
    void setIndex(std::uint64_t index) { index_ = index; }
    std::uint64_t row() const { return row_; }
    void setRow(std::uint64_t row) { row_ = row; }
    std::uint64_t column() const { return column_; }
    void setColumn(std::uint64_t column) { column_ = column; }
    // False for an entry the grid had no cell for: it is neither drawn nor hit.
    bool isPlaced() const { return placed_; }
    void setPlaced(bool placed) { placed_ = placed; }
    // Shared with the legend, not copied.
    const std::shared_ptr<CPTTextStyle>& textStyle() const { return textStyle_; }
    void setTextStyle(const std::shared_ptr<CPTTextStyle>& style) { textStyle_ = style; }

    // The plot's title of the entry.
    std::optional<std::string> title() const;
    std::optional<gfx::RichText> attributedTitle() const;
    // The attributed title as drawn when it has text, else the plain title in the text style; both
    // rounded up; (0, 0) without text or style.
    CGSize titleSize() const;
    // Draws the title upright, centred vertically in the rectangle of a y-up context.
    void drawTitleInRect(CGRect rect, gfx::Context& context, CGFloat scale) const;

  private:
    friend class CPTLegend;
    std::weak_ptr<CPTPlot> plot_;
    std::uint64_t index_ = 0;
    std::uint64_t row_ = 0;
    std::uint64_t column_ = 0;
    bool placed_ = false;
    std::shared_ptr<CPTTextStyle> textStyle_;
};

// What a legend asks of its delegate; every operation answers none when not implemented.
class CPTLegendDelegate {
  public:
    virtual ~CPTLegendDelegate() = default;
    // A null answer (or none) leaves the legend's entry fill or border.
    virtual std::optional<std::shared_ptr<CPTFill>>
    legendFillForEntryAtIndex(CPTLegend& legend, std::uint64_t idx, CPTPlot& plot) {
        return std::nullopt;
    }
    virtual std::optional<std::shared_ptr<CPTLineStyle>>
    legendLineStyleForEntryAtIndex(CPTLegend& legend, std::uint64_t idx, CPTPlot& plot) {
        return std::nullopt;
    }
    // False keeps the plot from drawing that swatch.
    virtual std::optional<bool> legendShouldDrawSwatchAtIndex(CPTLegend& legend, std::uint64_t idx,
                                                              CPTPlot& plot, CGRect rect,
                                                              gfx::Context& context) {
        return std::nullopt;
    }
    // Touches on entries (the entry's plot and index). Each answers whether it is implemented: the
    // default does nothing and answers false.
    virtual bool legendLegendEntryForPlotTouchDownAtIndex(CPTLegend& legend, CPTPlot& plot, std::uint64_t idx) {
        return false;
    }
    virtual bool legendLegendEntryForPlotTouchDownAtIndexWithEvent(CPTLegend& legend, CPTPlot& plot,
                                                                   std::uint64_t idx, const CPTEvent& event) {
        return false;
    }
    virtual bool legendLegendEntryForPlotTouchUpAtIndex(CPTLegend& legend, CPTPlot& plot, std::uint64_t idx) {
        return false;
    }
    virtual bool legendLegendEntryForPlotTouchUpAtIndexWithEvent(CPTLegend& legend, CPTPlot& plot, std::uint64_t idx,
                                                                 const CPTEvent& event) {
        return false;
    }
    virtual bool legendLegendEntryForPlotWasSelectedAtIndex(CPTLegend& legend, CPTPlot& plot, std::uint64_t idx) {
        return false;
    }
    virtual bool legendLegendEntryForPlotWasSelectedAtIndexWithEvent(CPTLegend& legend, CPTPlot& plot,
                                                                     std::uint64_t idx, const CPTEvent& event) {
        return false;
    }
};

class CPTLegend : public CPTBorderedLayer {
  public:
    using Plots = std::vector<std::shared_ptr<CPTPlot>>;
    using Entries = std::vector<std::shared_ptr<CPTLegendEntry>>;

    // Paddings of 5 on every side; redrawn when its bounds change.
    explicit CPTLegend(const CGRect& frame = {});
    ~CPTLegend() override;
    const char* className() const override { return "CPTLegend"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    static std::shared_ptr<CPTLegend> legendWithPlots(const Plots& plots);
    static std::shared_ptr<CPTLegend> legendWithGraph(const CPTGraph& graph);

    // --- plots
    Plots allPlots() const { return plots_; }
    // Null when out of range.
    std::shared_ptr<CPTPlot> plotAtIndex(std::uint64_t idx) const;
    // The first plot with an equal identifier, else null.
    std::shared_ptr<CPTPlot> plotWithIdentifier(const foundation::Value& identifier) const;
    bool holdsPlot(const CPTPlot* plot) const;
    // Appends the plot and an entry for each of its legend entries that has a title, and follows the
    // plot's legend notifications. Null is ignored.
    void addPlot(const std::shared_ptr<CPTPlot>& plot);
    // The same, with the plot's entries placed before those of the plot now at that index.
    void insertPlot(const std::shared_ptr<CPTPlot>& plot, std::uint64_t idx);
    // A plot the legend does not hold raises CPTException "Tried to remove CPTPlot which did not exist.".
    void removePlot(const std::shared_ptr<CPTPlot>& plot);
    // Silent when no plot matches.
    void removePlotWithIdentifier(const foundation::Value& identifier);
    void removeLegendEntriesForPlot(const CPTPlot* plot);
    const Entries& legendEntries() const { return legendEntries_; }

    // --- the look of the entries
    // Copied and handed to every entry.
    const std::shared_ptr<CPTTextStyle>& textStyle() const { return textStyle_; }
    void setTextStyle(const std::shared_ptr<CPTTextStyle>& style);
    // The stored size, (0, 0) meaning automatic.
    CGSize storedSwatchSize() const { return swatchSize_; }
    // Automatic: a square of round(1.5 x the font size), or 15 without a positive font size.
    CGSize swatchSize() const;
    void setSwatchSize(CGSize size);
    // Copied; each change redraws.
    const std::shared_ptr<CPTFill>& swatchFill() const { return swatchFill_; }
    void setSwatchFill(const std::shared_ptr<CPTFill>& fill);
    const std::shared_ptr<CPTLineStyle>& swatchBorderLineStyle() const { return swatchBorderLineStyle_; }
    void setSwatchBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    CGFloat swatchCornerRadius() const { return swatchCornerRadius_; }
    void setSwatchCornerRadius(CGFloat radius);
    const std::shared_ptr<CPTFill>& entryFill() const { return entryFill_; }
    void setEntryFill(const std::shared_ptr<CPTFill>& fill);
    const std::shared_ptr<CPTLineStyle>& entryBorderLineStyle() const { return entryBorderLineStyle_; }
    void setEntryBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    CGFloat entryCornerRadius() const { return entryCornerRadius_; }
    void setEntryCornerRadius(CGFloat radius);

    // --- layout settings; each change lays the legend out again
    CGFloat entryPaddingLeft() const { return entryPaddingLeft_; }
    void setEntryPaddingLeft(CGFloat value);
    CGFloat entryPaddingTop() const { return entryPaddingTop_; }
    void setEntryPaddingTop(CGFloat value);
    CGFloat entryPaddingRight() const { return entryPaddingRight_; }
    void setEntryPaddingRight(CGFloat value);
    CGFloat entryPaddingBottom() const { return entryPaddingBottom_; }
    void setEntryPaddingBottom(CGFloat value);
    // 0: chosen from the entry count.
    std::uint64_t numberOfRows() const { return numberOfRows_; }
    void setNumberOfRows(std::uint64_t rows);
    std::uint64_t numberOfColumns() const { return numberOfColumns_; }
    void setNumberOfColumns(std::uint64_t columns);
    // Kept with the legend; the layout does not read it.
    bool equalRows() const { return equalRows_; }
    void setEqualRows(bool value);
    // Sizes the legend as if every column were as wide as the widest.
    bool equalColumns() const { return equalColumns_; }
    void setEqualColumns(bool value);
    // Least heights and widths per row and column; elements that are not numbers are ignored.
    const std::optional<foundation::Value::Array>& rowHeights() const { return rowHeights_; }
    void setRowHeights(const std::optional<foundation::Value::Array>& heights);
    const std::optional<foundation::Value::Array>& columnWidths() const { return columnWidths_; }
    void setColumnWidths(const std::optional<foundation::Value::Array>& widths);
    // What the layout fitted, one per row and column; reading them lays the legend out when needed.
    const std::vector<CGFloat>& rowHeightsThatFit();
    const std::vector<CGFloat>& columnWidthsThatFit();
    CGFloat columnMargin() const { return columnMargin_; }
    void setColumnMargin(CGFloat value);
    CGFloat rowMargin() const { return rowMargin_; }
    void setRowMargin(CGFloat value);
    // Between swatch and title.
    CGFloat titleOffset() const { return titleOffset_; }
    void setTitleOffset(CGFloat value);
    CPTLegendSwatchLayout swatchLayout() const { return swatchLayout_; }
    void setSwatchLayout(CPTLegendSwatchLayout layout);

    // --- delegate, held weakly
    std::shared_ptr<CPTLegendDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<CPTLegendDelegate>& delegate) { delegate_ = delegate; }

    // --- layout
    bool layoutChanged() const { return layoutChanged_; }
    // True forgets the fitted sizes and asks for layout.
    void setLayoutChanged(bool value);
    void setLayoutChanged() { setLayoutChanged(true); }
    // Places the entries in the grid and sizes the legend to fit them; only while the layout changed.
    void recalculateLayout();
    void layoutSublayers() override;
    void setBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style) override;
    void setPaddingLeft(CGFloat value) override;
    void setPaddingTop(CGFloat value) override;
    void setPaddingRight(CGFloat value) override;
    void setPaddingBottom(CGFloat value) override;

    // --- geometry of a placed entry, in the legend's coordinates (layout brought up to date)
    struct EntryGeometry {
        CGRect entry;
        CGRect swatch;
        CGRect title;
    };
    std::optional<EntryGeometry> geometryOfEntry(const CPTLegendEntry& entry);
    // The cell of the entry whose rectangle, as drawn, holds a point of the graph's coordinates.
    // False (and row and column unchanged) when none does.
    bool legendEntryForInteractionPoint(CGPoint point, std::uint64_t& row, std::uint64_t& col);
    // The first entry in that cell; null when none.
    std::shared_ptr<CPTLegendEntry> legendEntryAtInteractionPoint(CGPoint point);
    // Presses and releases on entries go to the delegate; a hidden legend or one without plots
    // takes none.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;

    // --- drawing
    void renderAsVectorInContext(gfx::Context& ctx) override;
    bool needsDisplayForKey(std::string_view key) const override;
    std::string description() const override;

  private:
    void appendEntriesForPlot(const std::shared_ptr<CPTPlot>& plot, Entries& into);
    void observePlot(const std::shared_ptr<CPTPlot>& plot);
    void legendNeedsReloadEntries(CPTPlot* plot);
    void relayoutWhenChanged(CGFloat& field, CGFloat value);
    bool isVertical() const {
        return swatchLayout_ == CPTLegendSwatchLayoutTop || swatchLayout_ == CPTLegendSwatchLayoutBottom;
    }
    // Column origins from the left and row origins from the bottom, as drawn.
    void cellOrigins(std::vector<CGFloat>& x, std::vector<CGFloat>& y);

    Plots plots_;
    Entries legendEntries_;
    std::weak_ptr<CPTLegendEntry> pointingDeviceDownEntry_;
    std::map<const CPTPlot*, std::vector<foundation::ObserverToken>> observations_;
    bool layoutChanged_ = true;
    std::shared_ptr<CPTTextStyle> textStyle_;
    CGSize swatchSize_{0, 0};
    std::shared_ptr<CPTLineStyle> swatchBorderLineStyle_;
    CGFloat swatchCornerRadius_ = 0;
    std::shared_ptr<CPTFill> swatchFill_;
    std::shared_ptr<CPTLineStyle> entryBorderLineStyle_;
    CGFloat entryCornerRadius_ = 0;
    std::shared_ptr<CPTFill> entryFill_;
    CGFloat entryPaddingLeft_ = 0;
    CGFloat entryPaddingTop_ = 0;
    CGFloat entryPaddingRight_ = 0;
    CGFloat entryPaddingBottom_ = 0;
    std::uint64_t numberOfRows_ = 0;
    std::uint64_t numberOfColumns_ = 0;
    bool equalRows_ = true;
    bool equalColumns_ = false;
    std::optional<foundation::Value::Array> rowHeights_;
    std::optional<foundation::Value::Array> columnWidths_;
    std::optional<std::vector<CGFloat>> rowHeightsThatFit_;
    std::optional<std::vector<CGFloat>> columnWidthsThatFit_;
    CGFloat columnMargin_ = 10.0;
    CGFloat rowMargin_ = 5.0;
    CGFloat titleOffset_ = 5.0;
    CPTLegendSwatchLayout swatchLayout_ = CPTLegendSwatchLayoutLeft;
    std::weak_ptr<CPTLegendDelegate> delegate_;
};
