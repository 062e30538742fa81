// The legend: entries collected from its plots and kept in step with their notifications, the grid
// layout that sizes the legend, the drawing of entry backgrounds, swatches and titles, and the
// entry hit test.
#include "plot/graph/CPTLegend.h"

#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTException.h"
#include "plot/foundation/CPTUtilities.h"
#include "plot/graph/CPTDefinitions.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTGuards.h"
#include "plot/graph/CPTPlot.h"

#include <algorithm>
#include <cmath>
#include <numeric>

using foundation::Value;

// --- entries

std::optional<std::string> CPTLegendEntry::title() const {
    auto p = plot();
    return p ? p->titleForLegendEntryAtIndex(index_) : std::nullopt;
}

std::optional<gfx::RichText> CPTLegendEntry::attributedTitle() const {
    auto p = plot();
    return p ? p->attributedTitleForLegendEntryAtIndex(index_) : std::nullopt;
}

CGSize CPTLegendEntry::titleSize() const {
    CGSize size{0, 0};
    const auto rich = attributedTitle();
    if (rich && !rich->isEmpty()) {
        size = sizeAsDrawn(*rich);
    } else {
        std::optional<std::string> text = rich ? std::optional(rich->plainText()) : title();
        if (rich && text && text->empty())
            text = title();
        if (text && textStyle_)
            size = sizeWithTextStyle(*text, textStyle_.get());
    }
    return {std::ceil(size.width), std::ceil(size.height)};
}

void CPTLegendEntry::drawTitleInRect(CGRect rect, gfx::Context& context, CGFloat scale) const {
    CPTGStateGuard state(context);
    // Text runs downward: flip within the rectangle so that it stands upright.
    context.translateCTM(0, rect.minY());
    context.scaleCTM(1, -1);
    context.translateCTM(0, -rect.maxY());
    const CGFloat height = titleSize().height;
    if (height < rect.size.height) {
        const CGFloat d = scale == 1.0 ? std::round((rect.size.height - height) / 2)
                                       : std::round((rect.size.height - height) / 2 * scale) / scale;
        rect = rect.insetBy(0, d);
    }
    const auto rich = attributedTitle();
    if (rich && !rich->isEmpty()) {
        drawInRect(*rich, rect, context);
        return;
    }
    if (auto text = title())
        drawInRect(*text, rect, textStyle_.get(), context);
}

// --- the legend

CPTLegend::CPTLegend(const CGRect& frame) : CPTBorderedLayer(frame), textStyle_(CPTTextStyle::textStyle()) {
    CPTBorderedLayer::setPaddingLeft(5.0);
    CPTBorderedLayer::setPaddingTop(5.0);
    CPTBorderedLayer::setPaddingRight(5.0);
    CPTBorderedLayer::setPaddingBottom(5.0);
    setNeedsDisplayOnBoundsChange(true);
}

CPTLegend::~CPTLegend() = default;

std::shared_ptr<CPTLegend> CPTLegend::legendWithPlots(const Plots& plots) {
    auto legend = std::make_shared<CPTLegend>();
    for (const auto& plot : plots)
        legend->addPlot(plot);
    return legend;
}

std::shared_ptr<CPTLegend> CPTLegend::legendWithGraph(const CPTGraph& graph) {
    return legendWithPlots(graph.allPlots());
}

// --- plots

std::shared_ptr<CPTPlot> CPTLegend::plotAtIndex(std::uint64_t idx) const {
    return idx < plots_.size() ? plots_[idx] : nullptr;
}

std::shared_ptr<CPTPlot> CPTLegend::plotWithIdentifier(const Value& identifier) const {
    for (const auto& plot : plots_)
        if (plot->identifier() == identifier)
            return plot;
    return nullptr;
}

bool CPTLegend::holdsPlot(const CPTPlot* plot) const {
    return std::any_of(plots_.begin(), plots_.end(), [&](const auto& p) { return p.get() == plot; });
}

void CPTLegend::appendEntriesForPlot(const std::shared_ptr<CPTPlot>& plot, Entries& into) {
    const std::uint64_t n = plot->numberOfLegendEntries();
    for (std::uint64_t i = 0; i < n; ++i)
        if (plot->titleForLegendEntryAtIndex(i))
            into.push_back(std::make_shared<CPTLegendEntry>(plot, i, textStyle_));
}

void CPTLegend::observePlot(const std::shared_ptr<CPTPlot>& plot) {
    auto& center = foundation::NotificationCenter::defaultCenter();
    CPTPlot* p = plot.get();
    const void* sender = static_cast<const void*>(p);
    std::vector<foundation::ObserverToken> tokens;
    tokens.push_back(center.observe(CPTLegendNeedsRedrawForPlotNotification, sender,
                                    [this](const foundation::Notification&) { setNeedsDisplay(); }));
    tokens.push_back(center.observe(CPTLegendNeedsLayoutForPlotNotification, sender,
                                    [this](const foundation::Notification&) {
                                        setLayoutChanged(true);
                                        setNeedsDisplay();
                                    }));
    tokens.push_back(
        center.observe(CPTLegendNeedsReloadEntriesForPlotNotification, sender,
                       [this, p](const foundation::Notification&) { legendNeedsReloadEntries(p); }));
    observations_[p] = std::move(tokens);
}

void CPTLegend::addPlot(const std::shared_ptr<CPTPlot>& plot) {
    if (!plot)
        return;
    plots_.push_back(plot);
    setLayoutChanged(true);
    appendEntriesForPlot(plot, legendEntries_);
    observePlot(plot);
}

void CPTLegend::insertPlot(const std::shared_ptr<CPTPlot>& plot, std::uint64_t idx) {
    if (!plot)
        return;
    if (idx > plots_.size())
        throw CPTException(NSRangeException, "Index " + std::to_string(idx) + " beyond the " +
                                                 std::to_string(plots_.size()) + " plots of the legend");
    // The new entries go before the first entry of the plot now at that index.
    auto at = legendEntries_.end();
    if (idx < plots_.size()) {
        const CPTPlot* next = plots_[idx].get();
        at = std::find_if(legendEntries_.begin(), legendEntries_.end(),
                          [&](const auto& e) { return e->plot().get() == next; });
    }
    const auto offset = at - legendEntries_.begin();
    plots_.insert(plots_.begin() + static_cast<std::ptrdiff_t>(idx), plot);
    setLayoutChanged(true);
    Entries added;
    appendEntriesForPlot(plot, added);
    legendEntries_.insert(legendEntries_.begin() + offset, added.begin(), added.end());
    observePlot(plot);
}

void CPTLegend::removePlot(const std::shared_ptr<CPTPlot>& plot) {
    auto it = std::find(plots_.begin(), plots_.end(), plot);
    if (!plot || it == plots_.end())
        throw CPTException(CPTExceptionName, "Tried to remove CPTPlot which did not exist.");
    const auto keep = plot;
    plots_.erase(it);
    removeLegendEntriesForPlot(keep.get());
    setLayoutChanged(true);
    observations_.erase(keep.get());
}

void CPTLegend::removePlotWithIdentifier(const Value& identifier) {
    if (auto plot = plotWithIdentifier(identifier))
        removePlot(plot);
}

void CPTLegend::removeLegendEntriesForPlot(const CPTPlot* plot) {
    std::erase_if(legendEntries_, [&](const auto& e) {
        auto p = e->plot();
        return !p || p.get() == plot;
    });
}

void CPTLegend::legendNeedsReloadEntries(CPTPlot* plot) {
    std::shared_ptr<CPTPlot> held;
    for (const auto& p : plots_)
        if (p.get() == plot)
            held = p;
    if (!held)
        return;
    auto first = std::find_if(legendEntries_.begin(), legendEntries_.end(),
                              [&](const auto& e) { return e->plot().get() == plot; });
    // Where the plot's entries were (the end when it had none).
    const auto before = first - legendEntries_.begin();
    removeLegendEntriesForPlot(plot);
    Entries fresh;
    appendEntriesForPlot(held, fresh);
    legendEntries_.insert(legendEntries_.begin() + before, fresh.begin(), fresh.end());
    setLayoutChanged(true);
}

// --- the look

void CPTLegend::setTextStyle(const std::shared_ptr<CPTTextStyle>& style) {
    if (style == textStyle_)
        return;
    textStyle_ = style ? style->copy() : nullptr;
    for (const auto& entry : legendEntries_)
        entry->setTextStyle(textStyle_);
    setLayoutChanged(true);
}

CGSize CPTLegend::swatchSize() const {
    if (swatchSize_.width != 0 || swatchSize_.height != 0)
        return swatchSize_;
    const CGFloat font = textStyle_ ? textStyle_->fontSize() : 0;
    const CGFloat side = font > 0 && std::isfinite(font) ? std::round(1.5 * font) : 15.0;
    return {side, side};
}

void CPTLegend::setSwatchSize(CGSize size) {
    if (size == swatchSize_)
        return;
    swatchSize_ = size;
    setLayoutChanged(true);
}

void CPTLegend::setSwatchFill(const std::shared_ptr<CPTFill>& fill) {
    if (fill == swatchFill_)
        return;
    swatchFill_ = fill ? fill->copy() : nullptr;
    setNeedsDisplay();
}

void CPTLegend::setSwatchBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == swatchBorderLineStyle_)
        return;
    swatchBorderLineStyle_ = style ? style->copy() : nullptr;
    setNeedsDisplay();
}

void CPTLegend::setSwatchCornerRadius(CGFloat radius) {
    if (radius == swatchCornerRadius_)
        return;
    swatchCornerRadius_ = radius;
    setNeedsDisplay();
}

void CPTLegend::setEntryFill(const std::shared_ptr<CPTFill>& fill) {
    if (fill == entryFill_)
        return;
    entryFill_ = fill ? fill->copy() : nullptr;
    setNeedsDisplay();
}

void CPTLegend::setEntryBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == entryBorderLineStyle_)
        return;
    entryBorderLineStyle_ = style ? style->copy() : nullptr;
    setNeedsDisplay();
}

void CPTLegend::setEntryCornerRadius(CGFloat radius) {
    if (radius == entryCornerRadius_)
        return;
    entryCornerRadius_ = radius;
    setNeedsDisplay();
}

// --- layout settings

void CPTLegend::relayoutWhenChanged(CGFloat& field, CGFloat value) {
    if (value == field)
        return;
    field = value;
    setLayoutChanged(true);
}

void CPTLegend::setEntryPaddingLeft(CGFloat value) {
    relayoutWhenChanged(entryPaddingLeft_, value);
}
void CPTLegend::setEntryPaddingTop(CGFloat value) {
    relayoutWhenChanged(entryPaddingTop_, value);
}
void CPTLegend::setEntryPaddingRight(CGFloat value) {
    relayoutWhenChanged(entryPaddingRight_, value);
}
void CPTLegend::setEntryPaddingBottom(CGFloat value) {
    relayoutWhenChanged(entryPaddingBottom_, value);
}
void CPTLegend::setColumnMargin(CGFloat value) {
    relayoutWhenChanged(columnMargin_, value);
}
void CPTLegend::setRowMargin(CGFloat value) {
    relayoutWhenChanged(rowMargin_, value);
}
void CPTLegend::setTitleOffset(CGFloat value) {
    relayoutWhenChanged(titleOffset_, value);
}

void CPTLegend::setNumberOfRows(std::uint64_t rows) {
    if (rows == numberOfRows_)
        return;
    numberOfRows_ = rows;
    setLayoutChanged(true);
}

void CPTLegend::setNumberOfColumns(std::uint64_t columns) {
    if (columns == numberOfColumns_)
        return;
    numberOfColumns_ = columns;
    setLayoutChanged(true);
}

void CPTLegend::setEqualRows(bool value) {
    if (value == equalRows_)
        return;
    equalRows_ = value;
    setLayoutChanged(true);
}

void CPTLegend::setEqualColumns(bool value) {
    if (value == equalColumns_)
        return;
    equalColumns_ = value;
    setLayoutChanged(true);
}

void CPTLegend::setRowHeights(const std::optional<Value::Array>& heights) {
    if (heights == rowHeights_)
        return;
    rowHeights_ = heights;
    setLayoutChanged(true);
}

void CPTLegend::setColumnWidths(const std::optional<Value::Array>& widths) {
    if (widths == columnWidths_)
        return;
    columnWidths_ = widths;
    setLayoutChanged(true);
}

void CPTLegend::setSwatchLayout(CPTLegendSwatchLayout layout) {
    if (layout == swatchLayout_)
        return;
    swatchLayout_ = layout;
    setLayoutChanged(true);
}

const std::vector<CGFloat>& CPTLegend::rowHeightsThatFit() {
    if (!rowHeightsThatFit_) {
        setLayoutChanged(true);
        recalculateLayout();
    }
    return *rowHeightsThatFit_;
}

const std::vector<CGFloat>& CPTLegend::columnWidthsThatFit() {
    if (!columnWidthsThatFit_) {
        setLayoutChanged(true);
        recalculateLayout();
    }
    return *columnWidthsThatFit_;
}

void CPTLegend::setBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == borderLineStyle())
        return;
    const CGFloat oldWidth = borderLineStyle() ? borderLineStyle()->lineWidth() : 0;
    CPTBorderedLayer::setBorderLineStyle(style);
    const CGFloat newWidth = borderLineStyle() ? borderLineStyle()->lineWidth() : 0;
    if (newWidth != oldWidth)
        setLayoutChanged(true);
}

void CPTLegend::setPaddingLeft(CGFloat value) {
    if (value == paddingLeft())
        return;
    CPTBorderedLayer::setPaddingLeft(value);
    setLayoutChanged(true);
}

void CPTLegend::setPaddingTop(CGFloat value) {
    if (value == paddingTop())
        return;
    CPTBorderedLayer::setPaddingTop(value);
    setLayoutChanged(true);
}

void CPTLegend::setPaddingRight(CGFloat value) {
    if (value == paddingRight())
        return;
    CPTBorderedLayer::setPaddingRight(value);
    setLayoutChanged(true);
}

void CPTLegend::setPaddingBottom(CGFloat value) {
    if (value == paddingBottom())
        return;
    CPTBorderedLayer::setPaddingBottom(value);
    setLayoutChanged(true);
}

// --- layout

void CPTLegend::setLayoutChanged(bool value) {
    if (value == layoutChanged_)
        return;
    layoutChanged_ = value;
    if (value) {
        rowHeightsThatFit_.reset();
        columnWidthsThatFit_.reset();
        setNeedsLayout();
    }
}

namespace {

// The element as a least size when it is a number.
std::optional<CGFloat> leastSize(const std::optional<Value::Array>& sizes, std::uint64_t idx) {
    if (!sizes || idx >= sizes->size() || !(*sizes)[idx].isNumber())
        return std::nullopt;
    const double v = (*sizes)[idx].toDouble();
    return std::isfinite(v) ? std::optional<CGFloat>(v) : std::nullopt;
}

} // namespace

void CPTLegend::recalculateLayout() {
    if (!layoutChanged_)
        return;
    const std::uint64_t n = legendEntries_.size();
    const std::uint64_t R = numberOfRows_, C = numberOfColumns_;
    const bool vertical = isVertical();
    const CGSize swatch = swatchSize();

    // 1. the grid
    std::uint64_t rows, columns;
    if (R == 0 && C == 0) {
        const auto s = static_cast<std::uint64_t>(std::nearbyint(std::sqrt(double(n))));
        columns = s + (s * s < n ? 1 : 0);
        rows = s + (columns * s < n ? 1 : 0);
    } else if (R == 0) {
        columns = C;
        rows = n / C + (n % C ? 1 : 0);
    } else {
        rows = R;
        columns = C > 0 ? C : n / R + (n % R ? 1 : 0);
    }

    // 2. the cells, row by row; entries beyond the grid get none
    std::uint64_t row = 0, col = 0;
    for (const auto& entry : legendEntries_) {
        if (row < rows && columns > 0) {
            entry->setRow(row);
            entry->setColumn(col);
            entry->setPlaced(true);
            if (++col == columns) {
                col = 0;
                ++row;
            }
        } else {
            entry->setPlaced(false);
        }
    }

    // 3. the sizes of the rows and columns
    std::vector<CGFloat> heights(rows, 0.0), widths(columns, 0.0);
    std::vector<bool> used(rows, false);
    for (const auto& entry : legendEntries_) {
        if (!entry->isPlaced())
            continue;
        const CGSize title = entry->titleSize();
        const std::uint64_t r = entry->row(), c = entry->column();
        used[r] = true;
        CGFloat& h = heights[r];
        h = std::max({h, title.height, vertical ? 0.0 : swatch.height});
        if (auto least = leastSize(rowHeights_, r))
            h = std::max(h, *least);
        CGFloat& w = widths[c];
        w = std::max({w, title.width, vertical ? swatch.width : 0.0});
        if (auto least = leastSize(columnWidths_, c))
            w = std::max(w, *least);
    }
    rowHeightsThatFit_ = heights;
    columnWidthsThatFit_ = widths;

    // 5. the size of the legend
    const CGFloat border = borderLineStyle() ? borderLineStyle()->lineWidth() : 0;
    const auto u = static_cast<std::uint64_t>(std::count(used.begin(), used.end(), true));
    const CGFloat widest = widths.empty() ? 0 : *std::max_element(widths.begin(), widths.end());
    CGFloat width =
        paddingLeft() + paddingRight() + border +
        (equalColumns_ ? widest * double(columns) : std::accumulate(widths.begin(), widths.end(), 0.0));
    if (columns > 0)
        width +=
            (entryPaddingLeft_ + entryPaddingRight_) * double(columns) + columnMargin_ * double(columns - 1);
    if (!vertical)
        width += (swatch.width + titleOffset_) * double(columns);
    CGFloat height =
        paddingTop() + paddingBottom() + border + std::accumulate(heights.begin(), heights.end(), 0.0);
    if (u > 0)
        height += (entryPaddingBottom_ + entryPaddingTop_) * double(rows) + rowMargin_ * double(u - 1);
    if (vertical)
        height += (swatch.height + titleOffset_) * double(rows);

    // 6.
    setBounds(CGRect(0, 0, std::ceil(width), std::ceil(height)));
    pixelAlign();
    layoutChanged_ = false;
}

void CPTLegend::layoutSublayers() {
    recalculateLayout();
    CPTBorderedLayer::layoutSublayers();
}

void CPTLegend::cellOrigins(std::vector<CGFloat>& x, std::vector<CGFloat>& y) {
    const std::vector<CGFloat> widths = columnWidthsThatFit();
    const std::vector<CGFloat> heights = rowHeightsThatFit();
    const bool vertical = isVertical();
    const CGSize swatch = swatchSize();
    x.assign(widths.size(), 0.0);
    y.assign(heights.size(), 0.0);
    for (std::size_t c = 0; c < widths.size(); ++c)
        x[c] = c == 0 ? paddingLeft()
                      : x[c - 1] + entryPaddingLeft_ + widths[c - 1] + entryPaddingRight_ +
                            (vertical ? 0 : titleOffset_ + swatch.width) + columnMargin_;
    for (std::size_t k = heights.size(); k-- > 0;)
        y[k] = k + 1 == heights.size() ? paddingBottom()
                                       : y[k + 1] + entryPaddingBottom_ + heights[k + 1] + entryPaddingTop_ +
                                             (vertical ? titleOffset_ + swatch.height : 0) + rowMargin_;
}

std::optional<CPTLegend::EntryGeometry> CPTLegend::geometryOfEntry(const CPTLegendEntry& entry) {
    recalculateLayout();
    if (!entry.isPlaced())
        return std::nullopt;
    std::vector<CGFloat> x, y;
    cellOrigins(x, y);
    const std::uint64_t r = entry.row(), c = entry.column();
    if (r >= y.size() || c >= x.size())
        return std::nullopt;
    const CGFloat w = columnWidthsThatFit()[c], h = rowHeightsThatFit()[r];
    const bool vertical = isVertical();
    const CGSize sw = swatchSize();
    const CGRect e(x[c], y[r],
                   entryPaddingLeft_ + entryPaddingRight_ + 1.0 +
                       (vertical ? std::max(sw.width, w) : titleOffset_ + sw.width + w),
                   entryPaddingTop_ + entryPaddingBottom_ + h + (vertical ? titleOffset_ + sw.height : 0));
    CGPoint swatchOrigin, titleOrigin;
    switch (swatchLayout_) {
    case CPTLegendSwatchLayoutRight:
        swatchOrigin = {e.maxX() - entryPaddingRight_ - sw.width, e.minY() + (e.size.height - sw.height) / 2};
        titleOrigin = {e.minX() + entryPaddingLeft_, e.minY() + entryPaddingBottom_};
        break;
    case CPTLegendSwatchLayoutTop:
        swatchOrigin = {e.midX() - sw.width / 2, e.maxY() - entryPaddingTop_ - sw.height};
        titleOrigin = {e.midX() - w / 2, e.minY() + entryPaddingBottom_};
        break;
    case CPTLegendSwatchLayoutBottom:
        swatchOrigin = {e.midX() - sw.width / 2, e.minY() + entryPaddingBottom_};
        titleOrigin = {e.midX() - w / 2, swatchOrigin.y + sw.height + titleOffset_};
        break;
    case CPTLegendSwatchLayoutLeft:
    default:
        swatchOrigin = {e.minX() + entryPaddingLeft_, e.minY() + (e.size.height - sw.height) / 2};
        titleOrigin = {swatchOrigin.x + sw.width + titleOffset_, e.minY() + entryPaddingBottom_};
        break;
    }
    return EntryGeometry{e, CGRect(swatchOrigin, sw), CGRect(titleOrigin, CGSize{w + 1.0, h})};
}

bool CPTLegend::legendEntryForInteractionPoint(CGPoint point, std::uint64_t& row, std::uint64_t& col) {
    const layers::Layer* from = graph();
    if (!from)
        for (const auto& plot : plots_)
            if (plot->graph()) {
                from = plot->graph();
                break;
            }
    const CGPoint p = from ? convertPointFromLayer(point, from) : point;
    recalculateLayout();
    for (const auto& entry : legendEntries_) {
        auto geometry = geometryOfEntry(*entry);
        if (geometry && geometry->entry.contains(p)) {
            row = entry->row();
            col = entry->column();
            return true;
        }
    }
    return false;
}

// --- drawing

void CPTLegend::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden())
        return;
    CPTBorderedLayer::renderAsVectorInContext(ctx);
    if (legendEntries_.empty())
        return;
    auto d = delegate();
    for (const auto& entry : legendEntries_) {
        auto geometry = geometryOfEntry(*entry);
        auto plot = entry->plot();
        if (!geometry || !plot)
            continue;
        const std::uint64_t idx = entry->index();
        std::shared_ptr<CPTFill> fill =
            d ? d->legendFillForEntryAtIndex(*this, idx, *plot).value_or(nullptr) : nullptr;
        if (!fill)
            fill = entryFill_;
        if (fill) {
            ctx.beginPath();
            CPTContextAddRoundedRect(ctx, CPTRectAlignedToPixelEdge(ctx, geometry->entry),
                                     entryCornerRadius_);
            fill->fillPathInContext(ctx);
        }
        std::shared_ptr<CPTLineStyle> line =
            d ? d->legendLineStyleForEntryAtIndex(*this, idx, *plot).value_or(nullptr) : nullptr;
        if (!line)
            line = entryBorderLineStyle_;
        if (line) {
            line->setLineStyleInContext(ctx);
            ctx.beginPath();
            CPTContextAddRoundedRect(ctx, CPTRectAlignedForLineStyle(ctx, line.get(), geometry->entry),
                                     entryCornerRadius_);
            line->strokePathInContext(ctx);
        }
        const bool drawSwatch =
            !d || d->legendShouldDrawSwatchAtIndex(*this, idx, *plot, geometry->swatch, ctx).value_or(true);
        if (drawSwatch) {
            CPTGStateGuard state(ctx);
            plot->drawSwatchForLegend(*this, idx, geometry->swatch, ctx);
        }
        entry->drawTitleInRect(CPTRectAlignedToPixelCenter(ctx, geometry->title), ctx, contentsScale());
    }
}

bool CPTLegend::needsDisplayForKey(std::string_view key) const {
    if (key == "swatchSize" || key == "swatchCornerRadius")
        return true;
    return CPTBorderedLayer::needsDisplayForKey(key);
}

std::string CPTLegend::description() const {
    std::string plots = "(";
    for (std::size_t i = 0; i < plots_.size(); ++i)
        plots += (i ? ", " : "") + plots_[i]->description();
    plots += ")";
    return "<" + CPTBorderedLayer::description() + " for plots " + plots + ">";
}
