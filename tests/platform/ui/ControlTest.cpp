// Buttons and segmented controls keep their titles' laid-out text between drawings: every change of a
// title, of a state, of its colour, of the segments, of the font or of the size shows at the next drawing.
#include "platform/ui/Control.h"

#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The texts a view draws, in order, the width of the widest and where the last one is.
struct Drawn {
    std::vector<std::string> texts;
    double widest = 0;
    gfx::Rect box = gfx::Rect::null();
};

Drawn draw(ui::View& view) {
    auto rc = gfx::makeRecordingContext(view.bounds());
    view.drawRect(*rc.context, view.bounds());
    Drawn out;
    for (const auto& r : rc.recorder->records())
        if (r.op == gfx::Recorder::Op::Text && r.text) {
            out.texts.push_back(r.text->text());
            out.widest = std::max(out.widest, r.deviceRect.width());
            out.box = r.deviceRect;
        }
    return out;
}

// The colour a control's title is drawn in: red or blue, from its pixels.
std::string inkOf(ui::View& view) {
    gfx::BitmapContext bitmap(int(view.bounds().width()), int(view.bounds().height()));
    view.drawRect(bitmap.context(), view.bounds());
    const gfx::Image image = bitmap.image();
    int red = 0, blue = 0;
    for (int y = 0; y < image.pixelHeight(); ++y)
        for (int x = 0; x < image.pixelWidth(); ++x) {
            const gfx::Color c = image.pixel(x, y);
            red += c.alpha > 0.5 && c.red > 0.5 && c.blue < 0.5;
            blue += c.alpha > 0.5 && c.blue > 0.5 && c.red < 0.5;
        }
    return red > 0 && blue == 0 ? "red" : blue > 0 && red == 0 ? "blue" : "mixed";
}

TEST(Controls, ButtonDrawsEveryChangeOfTitleFontAndSize) {
    ui::Button button(ui::Rect{0, 0, 300, 30});
    button.setTitle("Choose Variable...");
    const Drawn first = draw(button);
    EXPECT_EQ(first.texts, std::vector<std::string>{"Choose Variable..."});
    EXPECT_EQ(draw(button).box, first.box);
    button.setTitle("Weight");
    EXPECT_EQ(draw(button).texts, std::vector<std::string>{"Weight"});
    button.setTitle("Choose Variable...");
    button.titleLabel().setFont(gfx::Font::system(24));
    EXPECT_GT(draw(button).widest, first.widest);
    // Narrower, the title is cut in its middle.
    button.setFrame({0, 0, 60, 30});
    const std::string cut = draw(button).texts.at(0);
    EXPECT_NE(cut, "Choose Variable...");
    EXPECT_NE(cut.find("\u2026"), std::string::npos) << cut;
    button.setFrame({0, 0, 300, 30});
    EXPECT_EQ(draw(button).texts, std::vector<std::string>{"Choose Variable..."});
    // A title of its own for a state shows in that state.
    button.setTitle("Pressed", ui::StateHighlighted);
    button.setHighlighted(true);
    EXPECT_EQ(draw(button).texts, std::vector<std::string>{"Pressed"});
}

TEST(Controls, ButtonDrawsEachStatesTitleInItsColour) {
    ui::Button button(ui::Rect{0, 0, 200, 30});
    button.setTitle("New Analysis");
    button.setTitle("Disabled", ui::StateDisabled);
    button.setTitleColor(gfx::Color{1, 0, 0, 1});
    button.setTitleColor(gfx::Color{0, 0, 1, 1}, ui::StateDisabled);
    EXPECT_EQ(draw(button).texts, std::vector<std::string>{"New Analysis"});
    EXPECT_EQ(inkOf(button), "red");
    button.setEnabled(false);
    EXPECT_EQ(draw(button).texts, std::vector<std::string>{"Disabled"});
    EXPECT_EQ(inkOf(button), "blue");
    button.setEnabled(true);
    EXPECT_EQ(inkOf(button), "red");
    // The same title in another colour: disabled with the normal title.
    button.setTitle(std::nullopt, ui::StateDisabled);
    button.setEnabled(false);
    EXPECT_EQ(draw(button).texts, std::vector<std::string>{"New Analysis"});
    EXPECT_EQ(inkOf(button), "blue");
    button.setEnabled(true);
    EXPECT_EQ(inkOf(button), "red");
    const Drawn normal = draw(button);
    button.titleLabel().setFont(gfx::Font::boldSystem(24));
    EXPECT_GT(draw(button).box.height(), normal.box.height());
}

TEST(Controls, SegmentedControlDrawsEveryChangeOfItsSegments) {
    ui::SegmentedControl segments({"One sample", "Two samples", "Paired samples"}, ui::Rect{0, 0, 600, 32});
    segments.setSelectedSegmentIndex(1);
    const std::vector<std::string> titles{"One sample", "Two samples", "Paired samples"};
    EXPECT_EQ(draw(segments).texts, titles);
    EXPECT_EQ(draw(segments).texts, titles);
    segments.setTitle("Means", 0);
    EXPECT_EQ(draw(segments).texts, (std::vector<std::string>{"Means", "Two samples", "Paired samples"}));
    // A segment put in front moves the others along.
    segments.insertSegmentWithTitle("None", 0);
    EXPECT_EQ(draw(segments).texts,
              (std::vector<std::string>{"None", "Means", "Two samples", "Paired samples"}));
    segments.removeAllSegments();
    EXPECT_TRUE(draw(segments).texts.empty());
    segments.insertSegmentWithTitle("Proportions", 0);
    EXPECT_EQ(draw(segments).texts, std::vector<std::string>{"Proportions"});
    // Narrower, a title is cut at its end.
    segments.setFrame({0, 0, 40, 32});
    const std::string cut = draw(segments).texts.at(0);
    EXPECT_NE(cut, "Proportions");
    EXPECT_EQ(cut.substr(0, 2), "Pr");
}

} // namespace
