// Draws a laid-out report page (a view tree) as paged vector PDF, and the same pages into a printer:
// labels and text views stay text, charts stay vector drawings, and long tables run on over pages.
#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"

#include <functional>
#include <string>

namespace ui {
class View;
class Label;
class TextView;
class TableView;
} // namespace ui
class CPTGraphHostingView;

// One writer per export, on the main thread. Views are dispatched by their exact kind: a label, a text
// view, a table, a graph host, and plain views and sideways tables as containers of further views;
// every other kind (controls, scroll and image views, any subclass) is left out with all it holds.
class QVPDFWriter {
  public:
    // The report page: US Letter in points, origin at the top left, y down.
    static constexpr double kPageWidth = 612;
    static constexpr double kPageHeight = 792;
    // A table row that would end closer than this to the page bottom goes on a new page, where the
    // rows go on this far below the top.
    static constexpr double kTableMargin = 20;

    // Writes the subviews of `view` (not the view itself) as a PDF at `path`, replacing the file.
    // False when no complete document was written; no file is then left at the path.
    bool pdfOfView(ui::View& view, const std::string& path);

    // The same walk into a paged context that the caller owns and finishes (a printer): every page is
    // begun with a box of `paper` (the report page when it has no usable size), and the report page is
    // fitted into it (see pageTransform).
    void drawPages(ui::View& view, gfx::Context& context, gfx::Size paper = {kPageWidth, kPageHeight});
    // The report page fitted into a page of `paper` points: scaled uniformly, centred, never cropped.
    // The identity for a report-sized page (and for a page of no usable size).
    static gfx::AffineTransform pageTransform(gfx::Size paper);

    // Draws the subviews of `view`: tables after the other views, hidden views not at all.
    void drawView(ui::View& view, gfx::Context& context);
    void drawLabel(ui::Label& label, gfx::Context& context);
    void drawTextView(ui::TextView& textView, gfx::Context& context);
    // The only drawing that begins pages: rows of section 0 that reach the page bottom go on anew.
    void drawTable(ui::TableView& table, gfx::Context& context);
    void drawGraph(CPTGraphHostingView& host, gfx::Context& context);

  private:
    void drawContainer(ui::View& view, gfx::Context& context);
    // Draws one view in its own coordinates: at its frame's origin, turned about its centre when its
    // transform turns it, its geometry put back afterwards. `draw` gets the view's kept frame.
    void drawSingle(ui::View& view, gfx::Context& context, const std::function<void(const gfx::Rect&)>& draw);
    void fillBackground(const ui::View& view, gfx::Context& context);
    void strokeBorder(const ui::View& view, gfx::Context& context);
    // A new page, its states opened again as the walk had them, the origin at (x, margin).
    void continueOnNewPage(gfx::Context& context, double x);
    void beginReportPage(gfx::Context& context);
    // From the current origin to the bottom of the report page, in report points.
    double distanceToPageBottom(const gfx::Context& context) const;
    void save(gfx::Context& context);
    void restore(gfx::Context& context);

    gfx::Size paper_{kPageWidth, kPageHeight};
    // Graphics states the walk holds open; a new page unwinds them, and the walk opens them again.
    int openStates_ = 0;
};
