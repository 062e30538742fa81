// Parsing with ICU regular expressions over UTF-16 text, the link detector, and the Markdown engine.
#include "controls/DCTextEngine.h"

#include "platform/foundation/IcuText.h"

#include <unicode/regex.h>

#include <cmath>

namespace {

using Regex = std::unique_ptr<icu::RegexPattern>;

// ICU's pattern for the expression, or null when ICU refuses it (such a pattern matches nothing).
Regex compile(const std::string& regex) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError error;
    std::u16string utf16 = foundation::icu::toUtf16(regex);
    Regex pattern(icu::RegexPattern::compile(icu::UnicodeString(utf16.data(), int32_t(utf16.size())), 0, error, status));
    return U_SUCCESS(status) ? std::move(pattern) : nullptr;
}

struct Match {
    size_t location = 0;
    size_t length = 0;
};

// The first match in [from, end of text), the range acting as the whole text (anchors and word
// boundaries see its ends), as the platform's ranged search does.
std::optional<Match> search(const icu::RegexPattern& pattern, const std::u16string& text, size_t from) {
    icu::UnicodeString input(text.data(), int32_t(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(input, status));
    if (U_FAILURE(status))
        return std::nullopt;
    matcher->region(int64_t(from), int64_t(text.size()), status);
    if (U_FAILURE(status) || !matcher->find(status) || U_FAILURE(status))
        return std::nullopt;
    int32_t start = matcher->start(status), end = matcher->end(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return Match{size_t(start), size_t(end - start)};
}

std::string utf8(const std::u16string& text, size_t location, size_t length) {
    return foundation::icu::toUtf8(std::u16string_view(text).substr(location, length));
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty())
        return text;
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// The text with the first match of the regular expression taken out.
std::string removeFirst(const std::string& text, const std::string& regex) {
    Regex pattern = compile(regex);
    std::u16string utf16 = foundation::icu::toUtf16(text);
    auto m = pattern ? search(*pattern, utf16, 0) : std::nullopt;
    if (!m)
        return text;
    utf16.erase(m->location, m->length);
    return foundation::icu::toUtf8(utf16);
}

} // namespace

// ---- the link detector

std::vector<DCTextCheckingResult> DCDataDetector::matchesInString(const std::u16string& text) const {
    std::vector<DCTextCheckingResult> out;
    if (!(types_ & DCTextCheckingTypeLink))
        return out;
    static const Regex links = compile("\\b(?:(?:[A-Za-z][A-Za-z0-9+.\\-]*://|mailto:)[^\\s<>\"]+"
                                       "|www\\.[^\\s<>\"]+"
                                       "|[A-Za-z0-9._%+\\-]+@[A-Za-z0-9.\\-]+\\.[A-Za-z]{2,})");
    size_t from = 0;
    while (from < text.size()) {
        auto m = search(*links, text, from);
        if (!m)
            break;
        // A link does not end in sentence punctuation.
        size_t length = m->length;
        while (length > 0 && std::u16string_view(u".,;:!?)'\"").find(text[m->location + length - 1]) !=
                                 std::u16string_view::npos)
            --length;
        from = m->location + std::max<size_t>(m->length, 1);
        if (length == 0)
            continue;
        DCTextCheckingResult r;
        r.location = m->location;
        r.length = length;
        std::string found = utf8(text, r.location, r.length);
        if (found.find("://") != std::string::npos || found.rfind("mailto:", 0) == 0)
            r.url = found;
        else if (found.find('@') != std::string::npos && found.rfind("www.", 0) != 0)
            r.url = "mailto:" + found;
        else
            r.url = "http://" + found;
        out.push_back(std::move(r));
    }
    return out;
}

// ---- the engine

const gfx::Font& DCTextEngine::font() {
    if (!font_)
        font_ = gfx::Font::named("DejaVu Sans", 17).value_or(gfx::Font::system(17));
    return *font_;
}

void DCTextEngine::addPattern(const std::string& regex, std::optional<DCTextOptions> options) {
    patterns_.push_back({regex, std::move(options), {}});
}

void DCTextEngine::addPattern(const std::string& regex, DCTextPatternCallback found) {
    patterns_.push_back({regex, std::nullopt, std::move(found)});
}

void DCTextEngine::addDetector(uint64_t types, DCDetectorCallback found) {
    detector_.emplace(types);
    detectorCallback_ = std::move(found);
}

DCTextAttributes DCTextEngine::generateAttributes(const std::optional<DCTextOptions>& options) {
    DCTextAttributes a;
    a.font = options && options->font ? *options->font : font();
    if (!options)
        return a;
    a.link = options->link;
    a.color = options->color;
    a.underline = options->isUnderline;
    a.backgroundColor = options->hightlightColor;
    if (options->isStrikeThrough) {
        a.strikeThrough = true;
        a.strikeColor = options->strikeColor;
    }
    a.paragraphStyle = options->paragraphStyle;
    a.textEffect = options->textEffect;
    return a;
}

DCAttributedString DCTextEngine::replacementFor(const std::optional<DCTextOptions>& options,
                                                const std::u16string& matched) {
    if (options && options->attachment)
        return DCAttributedString::withAttachment(options->attachment);
    std::u16string text = options && options->replaceText ? foundation::icu::toUtf16(*options->replaceText) : matched;
    return DCAttributedString(std::move(text), generateAttributes(options));
}

DCAttributedString DCTextEngine::parse(const std::string& text) {
    DCTextAttributes base;
    base.color = color_;
    base.font = font();
    base.paragraphStyle = paragraph_;
    DCAttributedString string(text, base);

    for (const DCTextPattern& pattern : patterns_) {
        Regex regex = compile(pattern.regex);
        if (!regex)
            continue;
        size_t start = 0;
        for (;;) {
            auto m = search(*regex, string.text(), start);
            if (!m)
                break;
            std::u16string matched = string.text().substr(m->location, m->length);
            std::optional<DCTextOptions> options =
                pattern.callback ? pattern.callback(pattern.regex, foundation::icu::toUtf8(matched)) : pattern.options;
            DCAttributedString replacement = replacementFor(options, matched);
            bool attachment = options && options->attachment;
            size_t next = attachment ? 0 : m->location + replacement.length();
            // Guards that keep a user pattern from searching the same place for ever: after an empty
            // match the search moves on by one, and an attachment character matched and replaced by an
            // attachment changes nothing, so the search goes on after it rather than from the start.
            if (m->length == 0)
                next = m->location + replacement.length() + 1;
            else if (attachment && matched == std::u16string(1, DCAttributedString::kAttachmentCharacter))
                next = m->location + 1;
            string.replaceCharacters(m->location, m->length, replacement);
            if (next > string.length())
                break;
            start = next;
        }
    }
    if (detector_)
        runDetector(string);
    return string;
}

void DCTextEngine::runDetector(DCAttributedString& string) {
    bool lengthChanged = true;
    while (lengthChanged) {
        lengthChanged = false;
        for (const DCTextCheckingResult& result : detector_->matchesInString(string.text())) {
            std::u16string matched = string.text().substr(result.location, result.length);
            std::optional<DCTextOptions> options;
            if (detectorCallback_)
                options = detectorCallback_(result, foundation::icu::toUtf8(matched));
            DCAttributedString replacement = replacementFor(options, matched);
            string.replaceCharacters(result.location, result.length, replacement);
            if (replacement.length() != result.length) {
                // The later matches' offsets no longer hold: detect again from the beginning.
                lengthChanged = true;
                break;
            }
        }
    }
}

gfx::Font DCTextEngine::boldFont() {
    return font().withTraits(true, font().isItalic());
}

gfx::Font DCTextEngine::italicFont() {
    return font().withTraits(font().isBold(), true);
}

gfx::Font DCTextEngine::boldAndItalicFont() {
    return font().withTraits(true, true);
}

DCTextOptions DCTextEngine::unorderList(const std::string& symbol, const std::string& text) {
    DCTextOptions options;
    options.replaceText = replaceAll(text, symbol, "  \u2022");
    return options;
}

gfx::Color DCTextEngine::linkColor() {
    // Single-precision components, as the platform's colour keeps them.
    return {double(52.0f / 255.0f), double(170.0f / 255.0f), double(220.0f / 255.0f), 1};
}

double DCTextEngine::baseHeadSize() {
    return 13;
}

double DCTextEngine::suggestedHeight(const DCAttributedString* string, double width) {
    if (!string)
        return 0;
    double height = std::max(0.0, double(std::ceil(float(gfx::TextLayout::rich(string->richText(), {width, 10000}).size().height))));
    for (const DCAttributedString::Run& run : string->runs())
        if (run.attributes.attachment)
            height += run.attributes.attachment->bounds.size.height - 10;
    return height;
}

std::shared_ptr<DCTextEngine> DCTextEngine::engineWithMarkdown() {
    auto engine = std::make_shared<DCTextEngine>();
    std::weak_ptr<DCTextEngine> weak = engine;
    // Both of these end in a lone backslash, which ICU refuses: they never match, as stored.
    engine->addPattern("!\\[([^\\[]+)\\]\\(([^\\)]+)\\", std::optional<DCTextOptions>{});
    engine->addPattern("\\[([^\\[]+)\\]\\(([^\\)]+)\\", std::optional<DCTextOptions>{});
    engine->addPattern("(\\*\\*|__)(\\w+)(.*?)(\\*\\*|__)", [weak](const std::string&, const std::string& text) {
        DCTextOptions options;
        options.replaceText = replaceAll(replaceAll(text, "**", ""), "__", "");
        if (auto e = weak.lock())
            options.font = e->boldFont();
        return std::optional(options);
    });
    engine->addPattern("(\\*|_)(\\w+)(.*?)(\\*|_)", [weak](const std::string&, const std::string& text) {
        DCTextOptions options;
        options.replaceText = replaceAll(replaceAll(text, "*", ""), "_", "");
        if (auto e = weak.lock())
            options.font = e->italicFont();
        return std::optional(options);
    });
    engine->addDetector(DCTextCheckingTypeLink, [](const DCTextCheckingResult&, const std::string& text) {
        DCTextOptions options;
        options.replaceText = text;
        options.color = linkColor();
        return std::optional(options);
    });
    std::string marks = "######";
    for (double extra = 0; !marks.empty(); extra += 2, marks.erase(0, 1)) {
        double size = baseHeadSize() + extra;
        engine->addPattern(marks + ".*\n", [weak, size](const std::string&, const std::string& text) {
            DCTextOptions options;
            options.replaceText = replaceAll(text, "#", "");
            if (auto e = weak.lock())
                options.font = e->boldFont().withSize(size);
            return std::optional(options);
        });
    }
    struct Underline {
        const char* regex;
        const char* rule;
        double extra;
    };
    for (Underline u : {Underline{".+\n=+\n", "\n=+", 12}, Underline{".+\n\\-+\n", "\n\\-+", 10}}) {
        double size = baseHeadSize() + u.extra;
        std::string rule = u.rule;
        engine->addPattern(u.regex, [weak, size, rule](const std::string&, const std::string& text) {
            DCTextOptions options;
            options.replaceText = removeFirst(text, rule);
            if (auto e = weak.lock())
                options.font = e->boldFont().withSize(size);
            return std::optional(options);
        });
    }
    for (const char* symbol : {"-", "+", "*"}) {
        std::string regex = std::string("\n(\\w*)") + (symbol[0] == '-' ? "-+" : std::string("\\") + symbol + "+");
        std::string s = symbol;
        engine->addPattern(regex, [s](const std::string&, const std::string& text) {
            return std::optional(unorderList(s, text));
        });
    }
    return engine;
}
