// The styled text engine: input text -> plain text and runs (font, size, colour), for the Markdown
// engine's rules, user patterns, attachments, the link detector and the guards against endless searches.
#include "controls/DCTextEngine.h"

#include "platform/graphics/Text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// "text|face size|colour" per run: face is regular, bold, italic or bold-italic; colour is "-" when none,
// "link" for the link colour, else its components.
std::vector<std::string> runs(const DCAttributedString& s) {
    std::vector<std::string> out;
    for (const auto& r : s.runs()) {
        std::ostringstream line;
        line << (r.attributes.attachment ? std::string("[attachment]")
                                         : DCAttributedString(s.text().substr(r.location, r.length), {}).string());
        if (const auto& f = r.attributes.font)
            line << "|" << (f->isBold() && f->isItalic() ? "bold-italic" : f->isBold() ? "bold" : f->isItalic() ? "italic" : "regular")
                 << " " << f->size();
        else
            line << "|no font";
        if (!r.attributes.color)
            line << "|-";
        else if (*r.attributes.color == DCTextEngine::linkColor())
            line << "|link";
        else
            line << "|" << r.attributes.color->red << "," << r.attributes.color->green << "," << r.attributes.color->blue;
        out.push_back(line.str());
    }
    return out;
}

using Runs = std::vector<std::string>;

std::optional<DCTextOptions> imageReference(const std::string&, const std::string& text) {
    DCTextOptions options;
    options.attachment = std::make_shared<DCTextAttachment>();
    options.attachment->image = gfx::Image::blank(4, 4);
    return options;
}

TEST(DCTextEngine, MarkdownTextToPlainTextAndRuns) {
    struct Case {
        const char* name;
        std::string input;
        std::optional<gfx::Color> baseColor;
        std::string text;
        Runs runs;
    };
    const gfx::Color red{1, 0, 0, 1};
    const Case cases[] = {
        {"the bold pair", "**bold** text", {}, "bold text", {"bold|bold 17|-", " text|regular 17|-"}},
        {"underscores also bold", "__bold__ text", {}, "bold text", {"bold|bold 17|-", " text|regular 17|-"}},
        {"italic", "an *odd* word", {}, "an odd word", {"an |regular 17|-", "odd|italic 17|-", " word|regular 17|-"}},
        {"a ## header at +8", "## Title\n", {}, " Title\n", {" Title\n|bold 21|-"}},
        {"a # header at +10", "# Big\nrest", {}, " Big\nrest", {" Big\n|bold 23|-", "rest|regular 17|-"}},
        {"a ###### header at +0", "###### Small\n", {}, " Small\n", {" Small\n|bold 13|-"}},
        {"an = underline at +12", "Title\n=====\n", {}, "Title\n", {"Title\n|bold 25|-"}},
        {"a - underline at +10", "Title\n-----\n", {}, "Title\n", {"Title\n|bold 23|-"}},
        {"the - bullet line", "Intro\n- item\n", {}, "Intro\n  \u2022 item\n", {"Intro\n  \u2022 item\n|regular 17|-"}},
        {"the + bullet line", "Intro\n+ item", {}, "Intro\n  \u2022 item", {"Intro\n  \u2022 item|regular 17|-"}},
        {"image and link syntax left alone", "See ![chart](histogram) or [help](page).", {},
         "See ![chart](histogram) or [help](page).", {"See ![chart](histogram) or [help](page).|regular 17|-"}},
        {"replacements lose the base colour", "**bold** text", red, "bold text", {"bold|bold 17|-", " text|regular 17|1,0,0"}},
        {"a bullet in colour loses it too", "a\n- b", red, "a\n  \u2022 b",
         {"a|regular 17|1,0,0", "\n  \u2022|regular 17|-", " b|regular 17|1,0,0"}},
        {"a URL coloured by the detector", "Visit https://example.org/help. Or www.example.org!", {},
         "Visit https://example.org/help. Or www.example.org!",
         {"Visit |regular 17|-", "https://example.org/help|regular 17|link", ". Or |regular 17|-",
          "www.example.org|regular 17|link", "!|regular 17|-"}},
        {"an e-mail address is a link", "write to help@example.org", {}, "write to help@example.org",
         {"write to |regular 17|-", "help@example.org|regular 17|link"}},
        {"no link inside a word", "awww.example.org", {}, "awww.example.org", {"awww.example.org|regular 17|-"}},
        {"nothing to do", "", {}, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto engine = DCTextEngine::engineWithMarkdown();
        engine->setColor(c.baseColor);
        DCAttributedString out = engine->parse(c.input);
        EXPECT_EQ(out.string(), c.text);
        EXPECT_EQ(runs(out), c.runs);
    }
}

TEST(DCTextEngine, TheMarkdownEngineRegistersItsEntriesAsStored) {
    auto engine = DCTextEngine::engineWithMarkdown();
    const std::vector<std::string> expected = {
        "!\\[([^\\[]+)\\]\\(([^\\)]+)\\", "\\[([^\\[]+)\\]\\(([^\\)]+)\\",
        "(\\*\\*|__)(\\w+)(.*?)(\\*\\*|__)", "(\\*|_)(\\w+)(.*?)(\\*|_)",
        "######.*\n", "#####.*\n", "####.*\n", "###.*\n", "##.*\n", "#.*\n",
        ".+\n=+\n", ".+\n\\-+\n", "\n(\\w*)-+", "\n(\\w*)\\++", "\n(\\w*)\\*+"};
    std::vector<std::string> got;
    for (const auto& p : engine->patterns())
        got.push_back(p.regex);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(expected[0].size(), 24u);
    EXPECT_EQ(expected[1].size(), 23u);
    ASSERT_TRUE(engine->detector());
    EXPECT_EQ(engine->detector()->checkingTypes(), uint64_t(DCTextCheckingTypeLink));
    EXPECT_EQ(engine->font(), gfx::Font::named("DejaVu Sans", 17));
    EXPECT_EQ(DCTextEngine::baseHeadSize(), 13);
    EXPECT_EQ(DCTextEngine::linkColor().red, double(52.0f / 255.0f));
    EXPECT_NE(DCTextEngine::linkColor().red, 52.0 / 255.0); // single, not double precision
    EXPECT_EQ(DCTextEngine::unorderList("*", "\n** x").replaceText, "\n  \u2022  \u2022 x");
}

TEST(DCTextEngine, OffsetsCountUtf16UnitsPastAstralCharacters) {
    auto engine = DCTextEngine::engineWithMarkdown();
    DCAttributedString out = engine->parse("\U0001F600 **bold** end");
    EXPECT_EQ(out.string(), "\U0001F600 bold end");
    ASSERT_EQ(out.runs().size(), 3u);
    EXPECT_EQ(out.runs()[1].location, 3u); // two units for the emoji, one for the space
    EXPECT_EQ(out.runs()[1].length, 4u);
    EXPECT_TRUE(out.runs()[1].attributes.font->isBold());
}

TEST(DCTextEngine, EveryImageReferenceBecomesAnAttachment) {
    // Attachments restart the search at the beginning, so the second reference is found too.
    auto engine = DCTextEngine::engineWithMarkdown();
    engine->addPattern("!\\[[^\\[\\]]*?\\]\\(.*?\\)", imageReference);
    DCAttributedString out = engine->parse("A ![one](first) B ![two](second) C");
    EXPECT_EQ(out.string(), "A \uFFFC B \uFFFC C");
    EXPECT_EQ(runs(out), (Runs{"A |regular 17|-", "[attachment]|no font|-", " B |regular 17|-",
                               "[attachment]|no font|-", " C|regular 17|-"}));
    // For display: one inline image per attachment, in place.
    gfx::RichText rich = out.richText();
    int images = 0;
    for (const auto& item : rich.items())
        images += item.kind == gfx::RichText::Item::Kind::Image;
    EXPECT_EQ(images, 2);
}

TEST(DCTextEngine, UserPatternsCallbacksAndGuards) {
    const gfx::Color red{1, 0, 0, 1}, blue{0, 0, 1, 1};
    {
        SCOPED_TRACE("a callback answering no options keeps the match in the engine font only");
        DCTextEngine engine;
        engine.setColor(red);
        int calls = 0;
        engine.addPattern("cat", [&](const std::string& regex, const std::string& text) {
            EXPECT_EQ(regex, "cat");
            EXPECT_EQ(text, "cat");
            ++calls;
            return std::optional<DCTextOptions>{};
        });
        DCAttributedString out = engine.parse("cat and cat");
        EXPECT_EQ(out.string(), "cat and cat");
        EXPECT_EQ(calls, 2);
        EXPECT_EQ(runs(out), (Runs{"cat|regular 17|-", " and |regular 17|1,0,0", "cat|regular 17|-"}));
    }
    {
        SCOPED_TRACE("the callback wins over fixed options");
        DCTextEngine engine;
        DCTextOptions fixed;
        fixed.replaceText = "fixed";
        engine.addPattern("x", fixed);
        engine.patterns().back().callback = [](const std::string&, const std::string&) {
            DCTextOptions o;
            o.replaceText = "called";
            return std::optional(o);
        };
        EXPECT_EQ(engine.parse("a x b").string(), "a called b");
    }
    {
        SCOPED_TRACE("a pattern that matches the empty string ends");
        DCTextEngine engine;
        DCTextOptions options;
        options.color = blue;
        engine.addPattern("x*", options);
        DCAttributedString out = engine.parse("axb");
        EXPECT_EQ(out.string(), "axb");
        EXPECT_EQ(out.attributesAt(1)->color, blue);
    }
    {
        SCOPED_TRACE("an attachment for every character, attachment characters included, ends");
        DCTextEngine engine;
        engine.addPattern(".", imageReference);
        EXPECT_EQ(engine.parse("ab").string(), "\uFFFC\uFFFC");
    }
    {
        SCOPED_TRACE("a replacement longer than its match moves the search past it");
        DCTextEngine engine;
        DCTextOptions options;
        options.replaceText = "aa";
        engine.addPattern("a", options);
        EXPECT_EQ(engine.parse("a-a").string(), "aa-aa");
    }
    {
        SCOPED_TRACE("a pattern ICU refuses matches nothing and the next one still runs");
        DCTextEngine engine;
        DCTextOptions options;
        options.replaceText = "!";
        engine.addPattern("(unclosed", options);
        engine.addPattern("b", options);
        EXPECT_EQ(engine.parse("(unclosed b").string(), "(unclosed !");
    }
    {
        SCOPED_TRACE("every attribute of the options reaches the replacement");
        DCTextEngine engine;
        DCTextOptions o;
        o.font = gfx::Font::system(9);
        o.color = blue;
        o.isUnderline = true;
        o.isStrikeThrough = true;
        o.strikeColor = red;
        o.link = "https://example.org";
        o.hightlightColor = red;
        o.textEffect = "letterpress";
        gfx::ParagraphStyle centred;
        centred.alignment = gfx::TextAlignment::Center;
        o.paragraphStyle = centred;
        engine.addPattern("word", o);
        DCAttributedString out = engine.parse("a word");
        const DCTextAttributes* a = out.attributesAt(2);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->font, gfx::Font::system(9));
        EXPECT_EQ(a->color, blue);
        EXPECT_TRUE(a->underline && a->strikeThrough);
        EXPECT_EQ(a->strikeColor, red);
        EXPECT_EQ(a->link, "https://example.org");
        EXPECT_EQ(a->backgroundColor, red);
        EXPECT_EQ(a->textEffect, "letterpress");
        EXPECT_EQ(a->paragraphStyle->alignment, gfx::TextAlignment::Center);
        // Drawn: the text effect is plain text; the rest carry over.
        gfx::RichText rich = out.richText();
        ASSERT_EQ(rich.items().size(), 2u);
        const auto& run = rich.items()[1].run;
        EXPECT_EQ(run.text, "word");
        EXPECT_EQ(run.attributes.size, 9);
        EXPECT_TRUE(run.attributes.underline && run.attributes.strikethrough);
        EXPECT_EQ(run.attributes.link, "https://example.org");
        EXPECT_EQ(run.paragraph.alignment, gfx::TextAlignment::Center);
    }
}

TEST(DCTextEngine, FontsWithTraitsAndTheirDrawing) {
    DCTextEngine engine;
    engine.setFont(gfx::Font::named("DejaVu Sans", 20));
    EXPECT_TRUE(engine.boldFont().isBold());
    EXPECT_FALSE(engine.boldFont().isItalic());
    EXPECT_TRUE(engine.italicFont().isItalic());
    EXPECT_TRUE(engine.boldAndItalicFont().isBold() && engine.boldAndItalicFont().isItalic());
    EXPECT_EQ(engine.boldFont().size(), 20);
    // The names reach the drawing platform as fonts it knows.
    for (const gfx::Font& f : {engine.boldFont(), engine.italicFont(), engine.boldAndItalicFont()}) {
        SCOPED_TRACE(f.name());
        auto named = gfx::Font::named(f.name(), 20);
        ASSERT_TRUE(named);
        EXPECT_EQ(named->isBold(), f.isBold());
        EXPECT_EQ(named->isItalic(), f.isItalic());
    }
    // An italic engine font stays italic when made bold.
    engine.setFont(gfx::Font::italicSystem(12));
    EXPECT_TRUE(engine.boldFont().isItalic());
}

TEST(DCTextEngine, SuggestedHeightCountsAttachmentRunsOnly) {
    EXPECT_EQ(DCTextEngine::suggestedHeight(nullptr, 300), 0);
    auto engine = DCTextEngine::engineWithMarkdown();
    DCAttributedString text = engine->parse("One line of text");
    double plain = DCTextEngine::suggestedHeight(&text, 300);
    EXPECT_EQ(plain, std::ceil(gfx::TextLayout::rich(text.richText(), {300, 10000}).size().height));
    EXPECT_GT(plain, 17);
    auto attachment = std::make_shared<DCTextAttachment>();
    attachment->bounds = {0, 0, 40, 30};
    text.replaceCharacters(text.length(), 0, DCAttributedString::withAttachment(attachment));
    double laid = std::ceil(gfx::TextLayout::rich(text.richText(), {300, 10000}).size().height);
    EXPECT_EQ(DCTextEngine::suggestedHeight(&text, 300), laid + 30 - 10);
}

} // namespace
