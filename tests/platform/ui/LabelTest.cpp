// Labels of several lines: as many lines as asked show, the last one cut, and no more.
#include "platform/ui/Label.h"

#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>

namespace {

TEST(Label, ShowsTheLinesAskedFor) {
    ui::Label label;
    label.setFont(gfx::Font::boldSystem(20));
    label.setText("Variable: Favourite colour of the participant at enrolment");
    label.setLineBreakMode(gfx::LineBreakMode::WordWrap);
    const double line = label.font().metrics().lineHeight;
    // Wrapped at this width the text takes three lines.
    for (int lines : {1, 2, 3}) {
        SCOPED_TRACE(lines);
        label.setNumberOfLines(lines);
        const double height = label.sizeThatFits({295, 0}).height;
        EXPECT_GT(height, (lines - 0.5) * line);
        EXPECT_LT(height, (lines + 0.5) * line);
    }
}

// A label keeps its laid-out text between drawings: every change of text, style or size shows at the
// next drawing.
TEST(Label, DrawsEveryChangeOfTextStyleAndSize) {
    ui::Label label(ui::Rect{0, 0, 300, 24});
    label.setText("Weight, Age");
    struct Drawn {
        std::string text;
        gfx::Rect box;
        double x = 0; // where the first line starts in the label
    };
    auto draw = [&] {
        auto rc = gfx::makeRecordingContext(label.bounds());
        label.drawRect(*rc.context, label.bounds());
        Drawn out{"", gfx::Rect::null()};
        for (const auto& r : rc.recorder->records())
            if (r.op == gfx::Recorder::Op::Text && r.text) {
                out.text += r.text->text();
                out.box = r.deviceRect;
                if (!r.text->lines().empty())
                    out.x = r.origin.x + r.text->lines().front().rect.minX();
            }
        return out;
    };
    const Drawn first = draw();
    EXPECT_EQ(first.text, "Weight, Age");
    EXPECT_EQ(draw().box, first.box);
    // The same text set again (a row reloaded) draws the same.
    label.setText("Weight, Age");
    EXPECT_EQ(draw().box, first.box);
    label.setText("Weight, Sex, Age");
    EXPECT_EQ(draw().text, "Weight, Sex, Age");
    EXPECT_GT(draw().box.width(), first.box.width());
    label.setFont(gfx::Font::boldSystem(20));
    const Drawn bold = draw();
    EXPECT_GT(bold.box.height(), first.box.height());
    label.setTextAlignment(gfx::TextAlignment::Right);
    EXPECT_GT(draw().x, bold.x + 100);
    // Narrower, the text is cut at its end.
    label.setFrame({0, 0, 60, 24});
    const std::string cut = draw().text;
    EXPECT_NE(cut, "Weight, Sex, Age");
    EXPECT_EQ(cut.substr(0, 2), "We");
    label.setFrame({0, 0, 300, 24});
    EXPECT_EQ(draw().text, "Weight, Sex, Age");
    label.setLineBreakMode(gfx::LineBreakMode::TruncateHead);
    label.setFrame({0, 0, 60, 24});
    const std::string head = draw().text;
    EXPECT_EQ(head.rfind("\u2026", 0), 0u) << head;
    EXPECT_EQ(head.back(), 'e');
    label.setFrame({0, 0, 300, 24});
    gfx::RichText rich;
    rich.append("Filters: none", {});
    label.setAttributedText(rich);
    EXPECT_EQ(draw().text, "Filters: none");
    label.setText("No filters");
    EXPECT_EQ(draw().text, "No filters");
}

} // namespace
