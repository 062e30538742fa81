// The report walk: dispatch by exact kind, the common frame of a single view, table pagination, and
// writing the document so that a failed export never leaves a file that looks like a report.
#include "analysis/QVPDFWriter.h"

#include "controls/HorizontalTableView.h"
#include "platform/graphics/Output.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextView.h"
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/hosting/CPTGraphHostingView.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <typeinfo>
#include <unistd.h>
#include <vector>

using gfx::AffineTransform;
using gfx::Rect;
using gfx::Size;

namespace {

const Rect kReportPage(0, 0, QVPDFWriter::kPageWidth, QVPDFWriter::kPageHeight);

// Components this small come from a turn built with sine and cosine (a half turn's b is 1.2e-16):
// such a view is not turned, as one whose b is exactly 0.
bool isZero(double v) {
    return std::fabs(v) < 1e-9;
}

bool isTurned(const AffineTransform& t) {
    return !isZero(t.b);
}

// Rows drawn under a turn run sideways on the page: page breaks, which are about the page bottom,
// do not apply to them.
bool drawsSideways(const AffineTransform& ctm) {
    return !isZero(ctm.b) || !isZero(ctm.c);
}

bool isVisible(const std::optional<gfx::Color>& color) {
    return color && color->alpha > 0;
}

// Writes every byte and closes; a short write or a failed close (a full disk) is a failure.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        done += size_t(n);
    }
    return ::close(fd) == 0;
}

} // namespace

// ---- documents and pages

bool QVPDFWriter::pdfOfView(ui::View& view, const std::string& path) {
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    bool finished = false;
    {
        auto context = gfx::makePDFDataContext(bytes, kReportPage);
        drawPages(view, *context);
        finished = context->finish();
    }
    if (finished && !bytes->empty() && writeFile(path, *bytes))
        return true;
    // Whatever is at the path now is a partial document or an earlier report: neither may pass for
    // this one. (unlink leaves a folder of that name alone.)
    ::unlink(path.c_str());
    return false;
}

void QVPDFWriter::drawPages(ui::View& view, gfx::Context& context, Size paper) {
    bool usable =
        paper.width > 0 && paper.height > 0 && std::isfinite(paper.width) && std::isfinite(paper.height);
    paper_ = usable ? paper : kReportPage.size;
    openStates_ = 0;
    // The walk changes frames for the time of a drawing; inside someone's animation block those
    // changes would animate.
    ui::View::performWithoutAnimation([&] {
        view.layoutIfNeeded();
        context.beginPage(Rect(gfx::Point{}, paper_));
        beginReportPage(context);
        drawView(view, context);
        context.endPage();
    });
    openStates_ = 0;
}

AffineTransform QVPDFWriter::pageTransform(Size paper) {
    if (!(paper.width > 0) || !(paper.height > 0) || !std::isfinite(paper.width) ||
        !std::isfinite(paper.height))
        return {};
    if (paper.width == kPageWidth && paper.height == kPageHeight)
        return {};
    double s = std::min(paper.width / kPageWidth, paper.height / kPageHeight);
    return {s, 0, 0, s, (paper.width - kPageWidth * s) / 2, (paper.height - kPageHeight * s) / 2};
}

void QVPDFWriter::beginReportPage(gfx::Context& context) {
    AffineTransform t = pageTransform(paper_);
    if (t.isIdentity())
        return;
    context.concatCTM(t);
    // What lies beyond the report page is cut off in the file; the paper's margins show none of it.
    context.clipToRect(kReportPage);
}

double QVPDFWriter::distanceToPageBottom(const gfx::Context& context) const {
    gfx::Point device = context.ctm().apply(gfx::Point{0, 0});
    auto toReport = pageTransform(paper_).inverted();
    gfx::Point origin = toReport ? toReport->apply(device) : device;
    return kPageHeight - origin.y;
}

void QVPDFWriter::continueOnNewPage(gfx::Context& context, double x) {
    // Beginning a page unwinds every saved state; the walk's restores still to come must find theirs.
    int open = openStates_;
    context.beginPage(Rect(gfx::Point{}, paper_));
    openStates_ = 0;
    beginReportPage(context);
    for (int i = 0; i < open; ++i)
        save(context);
    context.translateCTM(x, kTableMargin);
}

void QVPDFWriter::save(gfx::Context& context) {
    context.saveGState();
    ++openStates_;
}

void QVPDFWriter::restore(gfx::Context& context) {
    context.restoreGState();
    openStates_ = std::max(0, openStates_ - 1);
}

// ---- the walk

void QVPDFWriter::drawView(ui::View& view, gfx::Context& context) {
    // Tables come last (other views in their order, then the tables in theirs): only tables begin
    // pages, so everything else of the parent lands on the page where the parent starts.
    std::vector<ui::View::Ptr> order = view.subviews();
    std::stable_partition(order.begin(), order.end(),
                          [](const ui::View::Ptr& v) { return typeid(*v) != typeid(ui::TableView); });
    for (const ui::View::Ptr& sub : order) {
        if (sub->isHidden() || !gfx::isFinite(sub->frame()))
            continue;
        const std::type_info& kind = typeid(*sub);
        if (kind == typeid(ui::Label))
            drawLabel(static_cast<ui::Label&>(*sub), context);
        else if (kind == typeid(ui::TextView))
            drawTextView(static_cast<ui::TextView&>(*sub), context);
        else if (kind == typeid(ui::TableView))
            drawTable(static_cast<ui::TableView&>(*sub), context);
        else if (kind == typeid(CPTGraphHostingView))
            drawGraph(static_cast<CPTGraphHostingView&>(*sub), context);
        else if (kind == typeid(ui::View) || kind == typeid(HorizontalTableView))
            drawContainer(*sub, context);
    }
}

void QVPDFWriter::drawContainer(ui::View& view, gfx::Context& context) {
    Rect frame = view.frame();
    if (view.layer().borderWidth() > 0 && view.layer().borderColor()) {
        context.setStrokeColor(*view.layer().borderColor());
        context.setLineWidth(view.layer().borderWidth());
        context.strokeRect(frame);
    }
    // Over the inner half of the border, as the screen's background lies under it.
    if (isVisible(view.backgroundColor())) {
        context.setFillColor(*view.backgroundColor());
        context.fillRect(frame);
    }
    save(context);
    context.translateCTM(frame.origin.x, frame.origin.y);
    drawView(view, context);
    restore(context);
}

void QVPDFWriter::drawSingle(ui::View& view, gfx::Context& context,
                             const std::function<void(const Rect&)>& draw) {
    const AffineTransform transform = view.transform();
    const Rect frame = view.frame();
    const Rect bounds = view.bounds();
    const gfx::Point center = view.center();
    const bool turned = isTurned(transform);
    save(context);
    view.setTransform({});
    // A turned view keeps its own size and is turned as a whole; its frame is only the box around it.
    view.setFrame(Rect(0, 0, turned ? bounds.size.width : frame.size.width,
                       turned ? bounds.size.height : frame.size.height));
    context.translateCTM(frame.origin.x, frame.origin.y);
    if (turned) {
        // About the centre: the middle of the box on the page is the middle of the view. The frame
        // holds any translation of the transform already.
        context.translateCTM(frame.size.width / 2, frame.size.height / 2);
        context.concatCTM({transform.a, transform.b, transform.c, transform.d, 0, 0});
        context.translateCTM(-bounds.size.width / 2, -bounds.size.height / 2);
    }
    draw(frame);
    view.setTransform(transform);
    view.setBounds(bounds);
    view.setCenter(center);
    restore(context);
}

void QVPDFWriter::fillBackground(const ui::View& view, gfx::Context& context) {
    if (!isVisible(view.backgroundColor()))
        return;
    context.setFillColor(*view.backgroundColor());
    context.fillRect(view.frame());
}

void QVPDFWriter::strokeBorder(const ui::View& view, gfx::Context& context) {
    // A zero width is no border on screen, while in PDF it would be the thinnest visible line.
    if (!(view.layer().borderWidth() > 0) || !view.layer().borderColor())
        return;
    context.setStrokeColor(*view.layer().borderColor());
    context.setLineWidth(view.layer().borderWidth());
    context.strokeRect(view.frame());
}

void QVPDFWriter::drawLabel(ui::Label& label, gfx::Context& context) {
    drawSingle(label, context, [&](const Rect&) {
        fillBackground(label, context);
        strokeBorder(label, context);
        label.drawTextInRect(context, label.frame());
    });
}

void QVPDFWriter::drawTextView(ui::TextView& textView, gfx::Context& context) {
    drawSingle(textView, context, [&](const Rect&) {
        fillBackground(textView, context);
        strokeBorder(textView, context);
        // The colours are in the runs of the text: the view has none of its own.
        if (!textView.attributedText().isEmpty())
            drawInRect(textView.attributedText(), textView.frame(), context);
    });
}

void QVPDFWriter::drawGraph(CPTGraphHostingView& host, gfx::Context& context) {
    drawSingle(host, context, [&](const Rect&) {
        const std::shared_ptr<CPTGraph>& graph = host.hostedGraph();
        if (!graph) {
            host.layer().renderInContext(context);
            return;
        }
        // The plotting layers draw with y upwards.
        Rect frame = host.frame();
        context.translateCTM(frame.origin.x, frame.origin.y + host.bounds().height());
        context.scaleCTM(1, -1);
        graph->setFrame(host.bounds());
        graph->layoutAndRenderInContext(context);
    });
}

void QVPDFWriter::drawTable(ui::TableView& table, gfx::Context& context) {
    drawSingle(table, context, [&](const Rect& keptFrame) {
        ui::TableViewDataSource* source = table.dataSource();
        if (!source)
            return;
        const bool sideways = drawsSideways(context.ctm());
        // Asked again after every row: the data source may change its mind while cells are made.
        int rows = source->numberOfRowsInSection(table, 0);
        for (int r = 0; r < rows; ++r) {
            ui::IndexPath path{0, r};
            ui::TableViewDelegate* delegate = table.tableDelegate();
            double height = delegate ? delegate->heightForRowAtIndexPath(table, path) : -1;
            if (!(height >= 0) || !std::isfinite(height))
                height = table.rowHeight();
            std::shared_ptr<ui::TableViewCell> cell = source->cellForRowAtIndexPath(table, path);
            if (!sideways && distanceToPageBottom(context) - height < kTableMargin)
                continueOnNewPage(context, keptFrame.origin.x);
            if (cell)
                drawView(cell->contentView(), context);
            context.translateCTM(0, height);
            rows = source->numberOfRowsInSection(table, 0);
        }
    });
}
