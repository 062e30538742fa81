// A button keeps its title laid out between drawings: every change of title, state, style or size shows
// at the next drawing.
#include "platform/ui/Control.h"

#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Drawn {
    std::string text;
    gfx::Rect box = gfx::Rect::null();
};

// The colour the title is drawn in: red or blue, from its pixels.
std::string inkOf(ui::Button& button) {
    gfx::BitmapContext bitmap(int(button.bounds().width()), int(button.bounds().height()));
    button.drawRect(bitmap.context(), button.bounds());
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

Drawn draw(ui::Button& button) {
    auto rc = gfx::makeRecordingContext(button.bounds());
    button.drawRect(*rc.context, button.bounds());
    Drawn out;
    for (const auto& r : rc.recorder->records())
        if (r.op == gfx::Recorder::Op::Text && r.text) {
            out.text += r.text->text();
            out.box = r.deviceRect;
        }
    return out;
}

TEST(Button, DrawsEveryChangeOfTitleStateStyleAndSize) {
    ui::Button button(ui::Rect{0, 0, 200, 30});
    button.setTitle("New Analysis");
    button.setTitle("Disabled", ui::StateDisabled);
    button.setTitleColor(gfx::Color{1, 0, 0, 1});
    button.setTitleColor(gfx::Color{0, 0, 1, 1}, ui::StateDisabled);
    const Drawn first = draw(button);
    EXPECT_EQ(first.text, "New Analysis");
    EXPECT_EQ(inkOf(button), "red");
    EXPECT_EQ(draw(button).box, first.box);
    button.setTitle("New");
    EXPECT_EQ(draw(button).text, "New");
    EXPECT_LT(draw(button).box.width(), first.box.width());
    button.setEnabled(false);
    EXPECT_EQ(draw(button).text, "Disabled");
    EXPECT_EQ(inkOf(button), "blue");
    button.setEnabled(true);
    button.setTitle("New Analysis");
    EXPECT_EQ(inkOf(button), "red");
    // The same title in another colour: disabled with the normal title.
    button.setTitle(std::nullopt, ui::StateDisabled);
    button.setEnabled(false);
    EXPECT_EQ(draw(button).text, "New Analysis");
    EXPECT_EQ(inkOf(button), "blue");
    button.setEnabled(true);
    EXPECT_EQ(inkOf(button), "red");
    button.titleLabel().setFont(gfx::Font::boldSystem(24));
    EXPECT_GT(draw(button).box.height(), first.box.height());
    // Narrower, the title is cut in its middle.
    button.setFrame({0, 0, 60, 30});
    const std::string cut = draw(button).text;
    EXPECT_NE(cut, "New Analysis");
    EXPECT_NE(cut.find("\u2026"), std::string::npos) << cut;
    button.setFrame({0, 0, 400, 30});
    EXPECT_EQ(draw(button).text, "New Analysis");
}

} // namespace
