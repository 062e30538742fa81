// Plain text layout under each line-break mode, alignment, and rich text built structurally.
#include "platform/graphics/Text.h"
#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace gfx;

namespace {

const std::string kWords =
    "The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs.";
const std::string kEllipsis = "\xE2\x80\xA6";

TextStyle style(LineBreakMode mode, TextAlignment alignment = TextAlignment::Left) {
    TextStyle s;
    s.font = *Font::named("Helvetica", 12);
    s.lineBreak = mode;
    s.alignment = alignment;
    return s;
}

bool startsWith(const std::string& s, const std::string& p) {
    return s.rfind(p, 0) == 0;
}
bool endsWith(const std::string& s, const std::string& p) {
    return s.size() >= p.size() && s.compare(s.size() - p.size(), p.size(), p) == 0;
}

} // namespace

TEST(TextLayout, LineBreakModes) {
    double lineHeight = Font::named("Helvetica", 12)->metrics().lineHeight;
    // Word wrap: every line fits, words stay whole, nothing is lost.
    TextLayout wrapped = TextLayout::plain(kWords, style(LineBreakMode::WordWrap), {150, 0});
    ASSERT_GT(wrapped.lines().size(), 2u);
    std::string joined;
    for (const auto& line : wrapped.lines()) {
        EXPECT_LE(line.rect.size.width, 150 + 1e-6) << line.text;
        joined += (joined.empty() ? "" : " ") + line.text;
    }
    EXPECT_EQ(joined, kWords);
    // Character wrap may split words but keeps every character.
    TextLayout chars =
        TextLayout::plain("abcdefghijklmnopqrstuvwxyz", style(LineBreakMode::CharWrap), {50, 0});
    ASSERT_GT(chars.lines().size(), 2u);
    std::string all;
    for (const auto& line : chars.lines()) {
        EXPECT_LE(line.rect.size.width, 50 + 1e-6);
        all += line.text;
    }
    EXPECT_EQ(all, "abcdefghijklmnopqrstuvwxyz");
    // The last line that fits the height shows the rest truncated at its end.
    TextLayout two = TextLayout::plain(kWords, style(LineBreakMode::WordWrap), {150, 2 * lineHeight + 1});
    ASSERT_EQ(two.lines().size(), 2u);
    EXPECT_TRUE(endsWith(two.lines()[1].text, kEllipsis)) << two.lines()[1].text;
    EXPECT_LE(two.lines()[1].rect.size.width, 150 + 1e-6);
    EXPECT_LE(two.size().height, 2 * lineHeight + 1);
    // Single-line modes.
    struct Case {
        LineBreakMode mode;
        std::string prefix, suffix;
        bool fits;
    };
    for (const Case& c : std::vector<Case>{{LineBreakMode::TruncateTail, "The quick", kEllipsis, true},
                                           {LineBreakMode::TruncateHead, kEllipsis, "liquor jugs.", true},
                                           {LineBreakMode::TruncateMiddle, "The", "jugs.", true},
                                           {LineBreakMode::Clip, "The quick", "jugs.", false}}) {
        SCOPED_TRACE(int(c.mode));
        TextLayout l = TextLayout::plain(kWords, style(c.mode), {150, 0});
        ASSERT_EQ(l.lines().size(), 1u);
        const std::string& text = l.lines()[0].text;
        EXPECT_TRUE(startsWith(text, c.prefix)) << text;
        EXPECT_TRUE(endsWith(text, c.suffix)) << text;
        EXPECT_EQ(l.lines()[0].rect.size.width <= 150, c.fits);
        if (c.mode == LineBreakMode::TruncateMiddle) {
            EXPECT_NE(text.find(kEllipsis), std::string::npos);
        }
    }
    // Each newline starts a paragraph, in every mode.
    EXPECT_EQ(TextLayout::plain("one\ntwo\r\nthree", style(LineBreakMode::TruncateTail)).lines().size(), 3u);
    EXPECT_EQ(TextLayout::plain("one\ntwo", style(LineBreakMode::WordWrap)).text(), "one\ntwo");
}

TEST(TextLayout, AlignmentWithinTheBoxAndDrawnGeometry) {
    for (auto [align, factor] : std::vector<std::pair<TextAlignment, double>>{
             {TextAlignment::Left, 0}, {TextAlignment::Center, 0.5}, {TextAlignment::Right, 1}}) {
        TextLayout l = TextLayout::plain("Short", style(LineBreakMode::WordWrap, align), {200, 0});
        const auto& line = l.lines().at(0);
        EXPECT_NEAR(line.rect.origin.x, (200 - line.rect.size.width) * factor, 1e-9);
    }
    // The recorder reports each line where it lands on the device.
    auto rc = makeRecordingContext();
    rc.context->scaleCTM(2, 2);
    rc.context->drawText("Hi", Rect(10, 20, 100, 30), style(LineBreakMode::WordWrap));
    Size size = TextLayout::plain("Hi", style(LineBreakMode::WordWrap)).size();
    ASSERT_EQ(rc.recorder->lines().size(), 1u);
    EXPECT_EQ(rc.recorder->lines()[0],
              "text \"Hi\" 20 40 " + formatNumber(2 * size.width) + " " + formatNumber(2 * size.height));
    // A style without colour measures but draws nothing.
    TextStyle none = style(LineBreakMode::WordWrap);
    none.color.reset();
    rc.context->drawText("Hi", Rect(10, 20, 100, 30), none);
    EXPECT_EQ(rc.recorder->lines().size(), 1u);
    EXPECT_GT(measureText("Hi", none).width, 0);
    // Measuring never reports more than the platform's 10000-point box.
    std::string wide(3000, 'W');
    Size measured = measureText(wide, style(LineBreakMode::Clip));
    EXPECT_LE(measured.width, 10000);
}

TEST(PlainText, MeasuringAgainAnswersAsTheLayoutForEveryStyleAndBox) {
    // Measured sizes are kept: a size asked for again, and one that differs by a single choice, must
    // each be the size of their own layout.
    TextStyle base;
    base.lineBreak = LineBreakMode::WordWrap;
    struct Case {
        const char* name;
        std::string text;
        TextStyle style;
        Size box;
    };
    TextStyle big = base;
    big.font = Font::system(24);
    TextStyle bold = base;
    bold.font = Font::boldSystem(12);
    TextStyle oneLine = base;
    oneLine.lineBreak = LineBreakMode::TruncateTail;
    const std::string sentence = "Some words that wrap within a narrow box";
    const Case cases[] = {
        {"plain", sentence, base, {}},
        {"larger", sentence, big, {}},
        {"bold", sentence, bold, {}},
        {"narrow", sentence, base, {60, 0}},
        {"narrow, one line", sentence, oneLine, {60, 0}},
        {"short", "Some", base, {}},
    };
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            const Size laid = TextLayout::plain(c.text, c.style, c.box).size();
            EXPECT_EQ(measureText(c.text, c.style, c.box),
                      (Size{std::ceil(laid.width), std::ceil(laid.height)}));
        }
}

TEST(RichText, UserTextIsNeverReadAsMarkup) {
    RichText rich;
    rich.append("<b>bold</b> &amp; <img src=x>");
    TextLayout l = TextLayout::rich(rich);
    EXPECT_EQ(l.text(), "<b>bold</b> &amp; <img src=x>");
    EXPECT_EQ(rich.plainText(), "<b>bold</b> &amp; <img src=x>");
}

TEST(RichText, ParagraphsIndentsSpacingAndTables) {
    RichText rich;
    ParagraphStyle p;
    p.firstLineHeadIndent = 10;
    p.headIndent = 30;
    p.spacingAfter = 12;
    rich.setParagraphStyle(p);
    rich.append("A paragraph long enough to need a second line within the width.\n");
    rich.setParagraphStyle({});
    rich.append("Next");
    TextLayout l = TextLayout::rich(rich, {200, 0});
    const auto& lines = l.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NEAR(lines[0].rect.origin.x, 10, 0.5);
    EXPECT_NEAR(lines[1].rect.origin.x, 30, 0.5);
    const auto& next = lines.back();
    EXPECT_EQ(next.text, "Next");
    const auto& last = lines[lines.size() - 2];
    EXPECT_NEAR(next.rect.origin.y, last.rect.origin.y + last.rect.size.height + 12, 0.5);
    EXPECT_NEAR(next.rect.origin.x, 0, 0.5);

    RichText table;
    TableBlock t;
    t.rows = {{"Variable", "N"}, {"Height", "120"}};
    t.width = 300;
    t.columnAlignments = {TextAlignment::Left, TextAlignment::Right};
    table.appendTable(t);
    TextLayout tl = TextLayout::rich(table);
    EXPECT_NEAR(tl.size().width, 300, 2);
    std::vector<std::string> cells;
    for (const auto& line : tl.lines())
        cells.push_back(line.text);
    EXPECT_EQ(cells, (std::vector<std::string>{"Variable", "N", "Height", "120"}));
    // The right-aligned column ends near the table's right edge.
    EXPECT_GT(tl.lines()[3].rect.origin.x + tl.lines()[3].rect.size.width, 290);
    EXPECT_EQ(table.plainText(), "Variable\tN\nHeight\t120\n");
}

// Header columns draw like header rows (bold, with the header background); header cells may have an
// alignment of their own.
TEST(TextLayout, TableHeaderColumnsAndHeaderAlignment) {
    auto layout = [](std::optional<TextAlignment> headerAlignment) {
        RichText text;
        TableBlock t;
        t.rows = {{"Sample", "Obs."}, {"Obs.", "5"}, {"Std Err", "0.7071068"}};
        t.headerColumns = 1;
        t.headerAlignment = headerAlignment;
        t.width = 300;
        t.columnAlignments = {TextAlignment::Right, TextAlignment::Right};
        t.attributes.bold = false;
        text.appendTable(t);
        return TextLayout::rich(text);
    };
    struct Cell {
        double minX, maxX;
    };
    auto cells = [](const TextLayout& l) {
        std::vector<Cell> out;
        for (const auto& line : l.lines())
            out.push_back({line.rect.origin.x, line.rect.origin.x + line.rect.size.width});
        return out;
    };
    const auto centred = cells(layout(TextAlignment::Center));
    const auto right = cells(layout(std::nullopt));
    ASSERT_EQ(centred.size(), 6u);
    ASSERT_EQ(right.size(), 6u);
    // Column 0 ("Sample", "Obs.", "Std Err") centred: the same middle; otherwise the same right edge.
    const double middle = (centred[0].minX + centred[0].maxX) / 2;
    EXPECT_NEAR((centred[2].minX + centred[2].maxX) / 2, middle, 1);
    EXPECT_NEAR((centred[4].minX + centred[4].maxX) / 2, middle, 1);
    EXPECT_NEAR(right[2].maxX, right[0].maxX, 1);
    EXPECT_GT(std::fabs(right[2].maxX - centred[2].maxX), 2);
    // Body cells keep their column's alignment: "5" ends at the table's right edge in both.
    EXPECT_GT(centred[3].maxX, 290);
    EXPECT_NEAR(centred[3].maxX, right[3].maxX, 0.5);
    // "Obs." of the header row and of the header column are both bold, so equally wide, and wider than
    // a plain "Obs.".
    EXPECT_NEAR(centred[1].maxX - centred[1].minX, centred[2].maxX - centred[2].minX, 0.5);
    RichText plainText;
    TableBlock plain;
    plain.rows = {{"Obs."}};
    plain.headerRows = 0;
    plainText.appendTable(plain);
    const auto plainWidth = TextLayout::rich(plainText).lines().at(0).rect.size.width;
    EXPECT_GT(centred[2].maxX - centred[2].minX, plainWidth + 0.5);
}

// A single line is shown whole exactly when it fits its room, in each truncating mode.
TEST(TextLayout, ASingleLineIsShownWholeJustWhenItFits) {
    for (LineBreakMode mode :
         {LineBreakMode::TruncateTail, LineBreakMode::TruncateHead, LineBreakMode::TruncateMiddle}) {
        for (const std::string text : {"Weight, Height, Age", "Filters: Weight > 70 & Age < 70",
                                       "Type: Unknown", "Weight, Height   "}) {
            SCOPED_TRACE(text + " " + std::to_string(int(mode)));
            const double width =
                TextLayout::plain(text, style(LineBreakMode::Clip)).lines()[0].rect.size.width;
            EXPECT_EQ(TextLayout::plain(text, style(mode), {width, 0}).text(), text);
            const std::string cut = TextLayout::plain(text, style(mode), {width - 0.5, 0}).text();
            EXPECT_NE(cut.find(kEllipsis), std::string::npos) << cut;
        }
    }
}

// Font metrics answer for the size and face asked, however often and in whatever order they are asked.
TEST(Font, MetricsFollowTheSizeAndFace) {
    const FontMetrics small = Font::system(12).metrics();
    const FontMetrics large = Font::system(24).metrics();
    EXPECT_NEAR(large.lineHeight, 2 * small.lineHeight, 1);
    EXPECT_EQ(Font::system(12).metrics().lineHeight, small.lineHeight);
    EXPECT_EQ(Font::system(24).metrics().ascent, large.ascent);
    EXPECT_EQ(Font::named("Helvetica", 12)->metrics().lineHeight, small.lineHeight);
    EXPECT_GT(Font::system(12.5).metrics().lineHeight, small.lineHeight);
    EXPECT_EQ(Font::boldSystem(24).metrics().lineHeight, Font::boldSystem(24).metrics().lineHeight);
    EXPECT_GT(Font::boldSystem(24).metrics().lineHeight, small.lineHeight);
}
