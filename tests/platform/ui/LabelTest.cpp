// Labels of several lines: as many lines as asked show, the last one cut, and no more.
#include "platform/ui/Label.h"

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

} // namespace
