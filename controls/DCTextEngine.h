// The styled text engine: ordered regular-expression patterns turn plain text into attributed text,
// each match replaced by text with attributes (or by an attachment); a link detector may run last.
// A Markdown-like engine (bold, italic, headers, underlined headers, bullets, links) is built in.
#pragma once

#include "controls/DCAttributedString.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What replaces a match and the attributes the replacement gets.
struct DCTextOptions {
    // None keeps the matched text.
    std::optional<std::string> replaceText;
    // None: the engine's font.
    std::optional<gfx::Font> font;
    std::optional<gfx::Color> color;
    std::optional<gfx::ParagraphStyle> paragraphStyle;
    bool isUnderline = false;
    bool isStrikeThrough = false;
    std::optional<gfx::Color> strikeColor;
    std::optional<std::string> link;
    std::optional<gfx::Color> hightlightColor; // the background colour (spelled so)
    std::optional<std::string> textEffect;
    // Set: the match becomes one attachment character instead of text.
    std::shared_ptr<DCTextAttachment> attachment;
};

// (regex, matched text) -> options; none keeps the match, in the engine's font.
using DCTextPatternCallback =
    std::function<std::optional<DCTextOptions>(const std::string& regex, const std::string& matchedText)>;

struct DCTextPattern {
    std::string regex;
    std::optional<DCTextOptions> options;
    // Wins over the fixed options when set.
    DCTextPatternCallback callback;
};

// Text-checking types, as the platform numbers them; the detector here finds links only.
enum DCTextCheckingType : uint64_t { DCTextCheckingTypeLink = 1ull << 5 };

// A match of the detector: where it is (UTF-16 offsets) and what it links to.
struct DCTextCheckingResult {
    uint64_t resultType = DCTextCheckingTypeLink;
    size_t location = 0;
    size_t length = 0;
    std::string url;
};

// Our link detector: addresses with a scheme ("https://…", "mailto:…"), "www." addresses and e-mail
// addresses, each starting on a word boundary; trailing sentence punctuation is not part of a link.
class DCDataDetector {
  public:
    explicit DCDataDetector(uint64_t types) : types_(types) {}
    uint64_t checkingTypes() const { return types_; }
    std::vector<DCTextCheckingResult> matchesInString(const std::u16string& text) const;

  private:
    uint64_t types_;
};

using DCDetectorCallback =
    std::function<std::optional<DCTextOptions>(const DCTextCheckingResult& result, const std::string& matchedText)>;

class DCTextEngine : public std::enable_shared_from_this<DCTextEngine> {
  public:
    DCTextEngine() = default;

    // The base font; unset, it becomes the preferred body font (DejaVu Sans 17) on first read.
    const gfx::Font& font();
    void setFont(std::optional<gfx::Font> font) { font_ = std::move(font); }
    const std::optional<gfx::Color>& color() const { return color_; }
    void setColor(std::optional<gfx::Color> color) { color_ = color; }
    const std::optional<gfx::ParagraphStyle>& paragraphStyle() const { return paragraph_; }
    void setParagraphStyle(std::optional<gfx::ParagraphStyle> style) { paragraph_ = std::move(style); }
    std::vector<DCTextPattern>& patterns() { return patterns_; }
    const std::optional<DCDataDetector>& detector() const { return detector_; }
    const DCDetectorCallback& detectorCallback() const { return detectorCallback_; }

    void addPattern(const std::string& regex, std::optional<DCTextOptions> options);
    void addPattern(const std::string& regex, DCTextPatternCallback found);
    void addDetector(uint64_t types, DCDetectorCallback found);

    DCAttributedString parse(const std::string& text);

    // The engine font with the trait added (a family without that face gives the font unchanged).
    gfx::Font boldFont();
    gfx::Font italicFont();
    gfx::Font boldAndItalicFont();

    static std::shared_ptr<DCTextEngine> engineWithMarkdown();
    // Options whose replacement is `text` with every `symbol` made a bullet ("  •").
    static DCTextOptions unorderList(const std::string& symbol, const std::string& text);
    static gfx::Color linkColor();
    // The preferred footnote size (13), from which header sizes count.
    static double baseHeadSize();
    // The laid-out height within `width` (height 10000), rounded up, adjusted by each attachment run's
    // bounds height less 10; 0 without a string.
    static double suggestedHeight(const DCAttributedString* string, double width);

  private:
    DCTextAttributes generateAttributes(const std::optional<DCTextOptions>& options);
    DCAttributedString replacementFor(const std::optional<DCTextOptions>& options, const std::u16string& matched);
    void runDetector(DCAttributedString& string);

    std::optional<gfx::Font> font_;
    std::optional<gfx::Color> color_;
    std::optional<gfx::ParagraphStyle> paragraph_;
    std::vector<DCTextPattern> patterns_;
    std::optional<DCDataDetector> detector_;
    DCDetectorCallback detectorCallback_;
};
