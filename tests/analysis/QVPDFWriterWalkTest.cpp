// The report walk over the recording backend: which views are drawn, where, in what order, on which
// page; and that every view keeps its geometry and every saved state is restored.
#include "analysis/QVPDFWriter.h"
#include "tests/analysis/ReportViews.h"

#include "controls/HorizontalTableView.h"
#include "platform/foundation/Log.h"
#include "platform/graphics/Recorder.h"
#include "platform/ui/Control.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/hosting/CPTGraphHostingView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numbers>

namespace {

using gfx::Color;
using gfx::formatNumber;
using gfx::Rect;
using reportViews::label;
using reportViews::Rows;

const Color kRed{1, 0, 0, 1}, kBlue{0, 0, 1, 1}, kGreen{0, 0.5, 0, 1}, kYellow{1, 1, 0, 1};

std::string box(const Rect& r) {
    return formatNumber(r.origin.x) + " " + formatNumber(r.origin.y) + " " + formatNumber(r.size.width) +
           " " + formatNumber(r.size.height);
}

// The user space of a call: "at x y" for a plain offset, else the whole transform.
std::string where(const gfx::AffineTransform& t) {
    if (t.a == 1 && t.b == 0 && t.c == 0 && t.d == 1)
        return "at " + formatNumber(t.tx) + " " + formatNumber(t.ty);
    std::string s = "ctm";
    for (double v : {t.a, t.b, t.c, t.d, t.tx, t.ty})
        s += " " + formatNumber(v);
    return s;
}

std::string color(const Color& c) {
    return "color " + formatNumber(c.red) + " " + formatNumber(c.green) + " " + formatNumber(c.blue) + " " +
           formatNumber(c.alpha);
}

// One line per drawing call after the first page began: pages, fills and strokes by their device box,
// texts by the user space they were laid out in.
std::vector<std::string> events(const gfx::Recorder& recorder) {
    std::vector<std::string> out;
    bool firstPage = true;
    for (const gfx::Recorder::Record& r : recorder.records()) {
        switch (r.op) {
        case gfx::Recorder::Op::BeginPage:
            if (!firstPage)
                out.push_back("page " + box(r.rect));
            firstPage = false;
            break;
        case gfx::Recorder::Op::Fill:
            out.push_back("fill " + box(r.path.boundingBox()) + " " + color(r.state.fillColor) +
                          (r.state.ctm.d < 0 ? " " + where(r.state.ctm) : ""));
            break;
        case gfx::Recorder::Op::Stroke:
            out.push_back("stroke " + box(r.path.boundingBox()) + " width " +
                          formatNumber(r.state.stroke.width));
            break;
        case gfx::Recorder::Op::Text:
            out.push_back("text \"" + r.text->text() + "\" " + where(r.state.ctm));
            break;
        case gfx::Recorder::Op::Clip:
            out.push_back("clip " + box(r.path.boundingBox()));
            break;
        case gfx::Recorder::Op::Save:
        case gfx::Recorder::Op::Restore:
        case gfx::Recorder::Op::EndPage:
            break;
        default:
            out.push_back("other " + box(r.deviceRect));
        }
    }
    return out;
}

struct Drawn {
    std::vector<std::string> events;
    long saves = 0, restores = 0;
    std::vector<std::string> logged;
};

Drawn drawPages(ui::View& root, gfx::Size paper = {612, 792}) {
    foundation::LogCapture log;
    auto rc = gfx::makeRecordingContext(Rect(0, 0, paper.width, paper.height));
    QVPDFWriter().drawPages(root, *rc.context, paper);
    Drawn d;
    d.events = events(*rc.recorder);
    for (const auto& r : rc.recorder->records()) {
        d.saves += r.op == gfx::Recorder::Op::Save;
        d.restores += r.op == gfx::Recorder::Op::Restore;
    }
    d.logged = log.lines();
    return d;
}

std::shared_ptr<ui::View> container(Rect frame) {
    return ui::View::make(frame);
}

// Kinds of their own, not the kinds the writer draws.
struct FancyLabel : ui::Label {
    using Label::Label;
};
struct FancyView : ui::View {
    using View::View;
};

// A table of its items as the result screens fill the sideways table: a label per cell.
struct Columns : ui::TableViewDelegate, HorizontalTableViewDelgate {
    void layoutCell(ui::TableViewCell& cell, ui::TableView&) override {
        auto l = label("", {5, 10, 80, 20});
        l->setTag(7);
        cell.contentView().addSubview(l);
    }
    void configureCell(ui::TableViewCell& cell, const foundation::Value& item, ui::TableView&) override {
        static_cast<ui::Label*>(cell.contentView().viewWithTag(7))->setText(item.string());
    }
};

std::shared_ptr<CPTGraphHostingView> chartHost(Rect frame) {
    auto host = std::make_shared<CPTGraphHostingView>(frame);
    auto graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, frame.size.width, frame.size.height));
    graph->setFill(CPTFill::fillWithColor(CPTColor::colorWithCGColor(kGreen)));
    host->setHostedGraph(graph);
    return host;
}

struct Case {
    const char* name;
    // Adds the case's views to the root; what must outlive the drawing goes into `keep`.
    std::function<void(ui::View& root, std::vector<std::shared_ptr<void>>& keep)> build;
    std::vector<std::string> expected;
    // Instead of an exact list, for drawings too long to spell out.
    std::function<void(const std::vector<std::string>&)> check = {};
};

bool has(const std::vector<std::string>& events, const std::string& line) {
    return std::find(events.begin(), events.end(), line) != events.end();
}

long count(const std::vector<std::string>& events, const std::string& prefix) {
    return std::count_if(events.begin(), events.end(),
                         [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
}

} // namespace

TEST(QVPDFWriterWalk, DrawsEachKindWhereTheScreenHasIt) {
    const Case cases[] = {
        {"a label in a container, the root's background left out",
         [](ui::View& root, auto&) {
             root.setBackgroundColor(kBlue);
             auto box = container({10, 20, 200, 100});
             box->addSubview(label("A", {5, 7, 40, 20}, kRed));
             root.addSubview(box);
         },
         {"fill 15 27 40 20 " + color(kRed), "text \"A\" at 15 27"}},
        {"controls, scroll and image views and subclasses draw nothing",
         [](ui::View& root, auto&) {
             auto button = std::make_shared<ui::Button>(Rect{0, 0, 80, 30});
             button->setTitle(std::string("Tap"));
             root.addSubview(button);
             root.addSubview(std::make_shared<ui::Switch>(Rect{0, 40, 50, 30}));
             root.addSubview(std::make_shared<ui::SegmentedControl>(std::vector<std::string>{"One", "Two"},
                                                                    Rect{0, 80, 120, 30}));
             auto field = std::make_shared<ui::TextField>(Rect{0, 120, 120, 30});
             field->setText("typed");
             root.addSubview(field);
             auto scroll = std::make_shared<ui::ScrollView>(Rect{0, 160, 120, 60});
             scroll->addSubview(label("Scrolled", {0, 0, 100, 20}, kRed));
             root.addSubview(scroll);
             root.addSubview(std::make_shared<ui::ImageView>(gfx::Image::fromRGBA(1, 1, {255, 0, 0, 255}),
                                                             Rect{0, 230, 20, 20}));
             auto fancy = std::make_shared<FancyLabel>(Rect{0, 260, 100, 20});
             fancy->setText("Fancy");
             fancy->setBackgroundColor(kRed);
             root.addSubview(fancy);
             auto fancyView = std::make_shared<FancyView>(Rect{0, 290, 100, 40});
             fancyView->setBackgroundColor(kRed);
             fancyView->addSubview(label("Inside", {0, 0, 100, 20}, kRed));
             root.addSubview(fancyView);
         },
         {}},
        {"hidden views draw nothing",
         [](ui::View& root, auto& keep) {
             auto l = label("Hidden", {0, 0, 100, 20}, kRed);
             l->setHidden(true);
             root.addSubview(l);
             auto rows = std::make_shared<Rows>("R", std::vector<int>{3}, 20);
             keep.push_back(rows);
             auto t = reportViews::table({0, 100, 200, 100}, *rows);
             t->setHidden(true);
             root.addSubview(t);
             auto chart = chartHost({0, 300, 200, 100});
             chart->setHidden(true);
             root.addSubview(chart);
         },
         {}},
        {"a quarter turn is drawn turned about the centre, a half turn unturned",
         [](ui::View& root, auto&) {
             auto quarter = label("Q", {0, 0, 60, 20}, kRed);
             quarter->setCenter({100, 100});
             quarter->setTransform(gfx::AffineTransform::rotation(-std::numbers::pi / 2));
             root.addSubview(quarter);
             auto half = label("H", {0, 0, 60, 20}, kBlue);
             half->setCenter({100, 200});
             half->setTransform(gfx::AffineTransform::rotation(std::numbers::pi));
             root.addSubview(half);
         },
         {"fill 90 70 20 60 " + color(kRed), "text \"Q\" ctm 0 -1 1 0 90 130",
          "fill 70 190 60 20 " + color(kBlue), "text \"H\" at 70 190"}},
        {"tables come after their siblings, each set in its order",
         [](ui::View& root, auto& keep) {
             auto first = std::make_shared<Rows>("T1-", std::vector<int>{1}, 20);
             auto second = std::make_shared<Rows>("T2-", std::vector<int>{1}, 20);
             keep.push_back(first);
             keep.push_back(second);
             root.addSubview(reportViews::table({0, 300, 200, 100}, *first));
             root.addSubview(label("A", {0, 0, 40, 20}));
             root.addSubview(reportViews::table({0, 400, 200, 100}, *second));
             root.addSubview(label("B", {0, 50, 40, 20}));
         },
         {"text \"A\" at 0 0", "text \"B\" at 0 50", "text \"T1-1\" at 0 300", "text \"T2-1\" at 0 400"}},
        {"a border of width 0 is not stroked, one of 0.5 is",
         [](ui::View& root, auto&) {
             auto none = label("N", {10, 10, 40, 20});
             none->layer().setBorderColor(Color::black());
             root.addSubview(none);
             auto thin = label("T", {10, 40, 40, 20});
             thin->layer().setBorderWidth(0.5);
             root.addSubview(thin);
         },
         {"text \"N\" at 10 10", "stroke 10 40 40 20 width 0.5", "text \"T\" at 10 40"}},
        {"a container strokes, fills, then draws its children",
         [](ui::View& root, auto&) {
             auto box = container({10, 20, 100, 50});
             box->layer().setBorderWidth(2);
             box->layer().setBorderColor(kGreen);
             box->setBackgroundColor(kYellow);
             box->addSubview(label("C", {0, 0, 30, 10}));
             root.addSubview(box);
         },
         {"stroke 10 20 100 50 width 2", "fill 10 20 100 50 " + color(kYellow), "text \"C\" at 10 20"}},
        {"a text view with coloured runs, and one with no text",
         [](ui::View& root, auto&) {
             auto text = std::make_shared<ui::TextView>(Rect{20, 30, 200, 50});
             gfx::RichText rich;
             gfx::TextAttributes red;
             red.color = kRed;
             rich.append("Mean", red);
             rich.append(" 5");
             text->setAttributedText(rich);
             root.addSubview(text);
             root.addSubview(std::make_shared<ui::TextView>(Rect{20, 100, 200, 50}));
         },
         {"fill 20 30 200 50 " + color(Color::white()), "text \"Mean 5\" at 20 30",
          "fill 20 100 200 50 " + color(Color::white())}},
        {"a graph is drawn flipped at the bottom of its host",
         [](ui::View& root, auto&) {
             root.addSubview(chartHost({10, 30, 200, 100}));
         },
         {},
         [](const std::vector<std::string>& events) {
             EXPECT_TRUE(has(events, "fill 10 30 200 100 " + color(kGreen) + " ctm 1 0 0 -1 10 130"));
         }},
        {"a host without a graph renders its layer",
         [](ui::View& root, auto&) {
             auto host = std::make_shared<CPTGraphHostingView>(Rect{10, 30, 200, 100});
             host->setBackgroundColor(kRed);
             root.addSubview(host);
         },
         {"fill 10 30 200 100 " + color(kRed)}},
        {"an empty section 0 draws nothing",
         [](ui::View& root, auto& keep) {
             auto rows = std::make_shared<Rows>("R", std::vector<int>{0}, 20);
             keep.push_back(rows);
             root.addSubview(reportViews::table({0, 0, 200, 100}, *rows));
         },
         {}},
        {"the row count is asked again after every row",
         [](ui::View& root, auto& keep) {
             auto rows = std::make_shared<Rows>("R", std::vector<int>{3, 2}, 20);
             keep.push_back(rows);
             root.addSubview(reportViews::table({0, 0, 200, 100}, *rows));
         },
         {"text \"R1\" at 0 0", "text \"R2\" at 0 20"}},
        {"rows that reach the page bottom go on 20 points below the next page's top, at the table's x",
         [](ui::View& root, auto& keep) {
             auto rows = std::make_shared<Rows>("R", std::vector<int>{5}, 20);
             keep.push_back(rows);
             auto box = container({50, 0, 400, 792});
             box->addSubview(reportViews::table({30, 700, 200, 100}, *rows));
             root.addSubview(box);
             // Drawn after the table, on the page where the walk now is, from its top left.
             root.addSubview(container({0, 0, 10, 10}));
             root.addSubview(label("After", {0, 100, 40, 20}));
         },
         {"text \"R1\" at 80 700", "text \"R2\" at 80 720", "text \"R3\" at 80 740", "page 0 0 612 792",
          "text \"R4\" at 30 20", "text \"R5\" at 30 40", "text \"After\" at 0 100"}},
        {"a sideways table near the page bottom begins no page",
         [](ui::View& root, auto& keep) {
             auto owner = std::make_shared<Columns>();
             keep.push_back(owner);
             auto strip = std::make_shared<HorizontalTableView>(Rect{0, 732, 400, 60});
             strip->labelRowHeader().setText("Mean");
             strip->horizontalTable().setRowHeight(100);
             strip->horizontalTable().setTableDelegate(owner.get());
             strip->setContentArray(
                 {foundation::Value("C1"), foundation::Value("C2"), foundation::Value("C3")});
             root.addSubview(strip);
         },
         {},
         [](const std::vector<std::string>& events) {
             EXPECT_EQ(count(events, "page"), 0);
             for (const char* text : {"Mean", "C1", "C2", "C3"})
                 EXPECT_EQ(count(events, std::string("text \"") + text + "\""), 1) << text;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto root = ui::View::make(Rect{0, 0, 612, 792});
        std::vector<std::shared_ptr<void>> keep;
        c.build(*root, keep);
        root->layoutIfNeeded();
        auto before = reportViews::geometry(*root);
        Drawn d = drawPages(*root);
        if (c.check)
            c.check(d.events);
        else
            EXPECT_EQ(d.events, c.expected);
        EXPECT_EQ(reportViews::geometry(*root), before);
        EXPECT_EQ(d.saves, d.restores);
        EXPECT_EQ(d.logged, std::vector<std::string>{});
    }
}

TEST(QVPDFWriterWalk, PagesOfOtherPaperHoldTheReportPageScaledAndCentred) {
    struct Fit {
        const char* name;
        gfx::Size paper;
        gfx::AffineTransform expected;
    };
    const double a4 = 595.0 / 612, landscape = 595.0 / 792;
    const Fit fits[] = {
        {"the report page itself", {612, 792}, {}},
        {"A4, centred vertically", {595, 842}, {a4, 0, 0, a4, 0, 36}},
        {"A4 landscape, scaled by height and centred horizontally",
         {842, 595},
         {landscape, 0, 0, landscape, (842 - 612 * landscape) / 2, 0}},
        {"no usable size", {0, 792}, {}},
    };
    for (const Fit& f : fits) {
        SCOPED_TRACE(f.name);
        gfx::AffineTransform t = QVPDFWriter::pageTransform(f.paper);
        for (auto [got, want] : {std::pair{t.a, f.expected.a},
                                 {t.b, f.expected.b},
                                 {t.c, f.expected.c},
                                 {t.d, f.expected.d},
                                 {t.tx, f.expected.tx},
                                 {t.ty, f.expected.ty}})
            EXPECT_NEAR(got, want, 1e-9);
    }

    // Each printed page begins with the paper's box, clipped to the fitted report page, and a
    // continued table's rows land where the file's do, mapped onto the paper.
    auto root = ui::View::make(Rect{0, 0, 612, 792});
    Rows rows("R", {2}, 20);
    root->addSubview(reportViews::table({30, 740, 200, 40}, rows));
    Drawn d = drawPages(*root, {595, 842});
    auto at = [&](double x, double y) {
        return "ctm " + formatNumber(a4) + " 0 0 " + formatNumber(a4) + " " + formatNumber(a4 * x) + " " +
               formatNumber(a4 * y + 36);
    };
    EXPECT_EQ(d.events,
              (std::vector<std::string>{"clip 0 36 595 770", "text \"R1\" " + at(30, 740), "page 0 0 595 842",
                                        "clip 0 36 595 770", "text \"R2\" " + at(30, 20)}));
    EXPECT_EQ(d.saves, d.restores);
}

TEST(QVPDFWriterWalk, BadInputEndsNothing) {
    // A view whose frame is not finite is left out and the walk goes on.
    auto root = ui::View::make(Rect{0, 0, 612, 792});
    auto broken = label("Broken", {0, 0, 40, 20}, kRed);
    broken->setFrame({std::nan(""), 0, 40, 20});
    root->addSubview(broken);
    auto brokenBox = container({0, 0, std::numeric_limits<double>::infinity(), 20});
    brokenBox->addSubview(label("Inside", {0, 0, 40, 20}));
    root->addSubview(brokenBox);
    // A table without a data source, one whose rows are taller than a page (one page each) and a
    // delegate answering no height (the table's own).
    root->addSubview(std::make_shared<ui::TableView>(Rect{0, 0, 100, 100}));
    Rows tall("T", {2}, 900);
    root->addSubview(reportViews::table({0, 600, 200, 100}, tall));
    Rows odd("N", {2}, std::nan(""));
    auto oddTable = reportViews::table({300, 0, 200, 100}, odd);
    oddTable->setRowHeight(30);
    root->addSubview(oddTable);
    root->addSubview(label("Fine", {0, 40, 40, 20}));
    Drawn d = drawPages(*root);
    EXPECT_EQ(d.events,
              (std::vector<std::string>{"text \"Fine\" at 0 40", "page 0 0 612 792", "text \"T1\" at 0 20",
                                        "page 0 0 612 792", "text \"T2\" at 0 20", "text \"N1\" at 300 0",
                                        "text \"N2\" at 300 30"}));
    EXPECT_EQ(d.saves, d.restores);
    EXPECT_EQ(d.logged, std::vector<std::string>{});

    // An empty root: one blank page.
    auto empty = ui::View::make(Rect{0, 0, 612, 792});
    auto rc = gfx::makeRecordingContext(Rect(0, 0, 612, 792));
    QVPDFWriter().drawPages(*empty, *rc.context);
    EXPECT_EQ(rc.recorder->lines(), (std::vector<std::string>{"page 0 0 612 792", "endpage"}));
}
