// Fonts, text styles, laid-out text and rich text. Text is laid out once against a 72-dpi reference
// device, so one point is one unit in every backend and measuring needs no context.
#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gfx {

// The platform's alignment values.
enum class TextAlignment { Left = 0, Center = 1, Right = 2, Justified = 3, Natural = 4 };
// The platform's line-break modes.
enum class LineBreakMode {
    WordWrap = 0,
    CharWrap = 1,
    Clip = 2,
    TruncateHead = 3,
    TruncateTail = 4,
    TruncateMiddle = 5,
};

struct FontMetrics {
    double ascent = 0;  // above the baseline, positive
    double descent = 0; // below the baseline, positive
    double leading = 0;
    double lineHeight = 0; // ascent + descent + leading
    double capHeight = 0;
    double xHeight = 0;
};

// A font of our own table: every family the app names ("system font", "Helvetica", "Arial", ...) is
// drawn with DejaVu Sans in the matching face, loaded from its files.
class Font {
  public:
    // A family or PostScript-style name ("Helvetica", "Helvetica-Bold", "HelveticaNeue-BoldItalic");
    // nullopt for a name the table does not know or a size that is not positive and finite.
    static std::optional<Font> named(std::string_view name, double size);
    static Font system(double size);
    static Font boldSystem(double size);
    static Font italicSystem(double size);

    const std::string& name() const { return name_; }
    // The family asked for, without face suffix ("Helvetica" for "Helvetica-Bold").
    const std::string& familyName() const { return family_; }
    double size() const { return size_; }
    bool isBold() const { return bold_; }
    bool isItalic() const { return italic_; }
    Font withSize(double size) const;
    Font withTraits(bool bold, bool italic) const;
    FontMetrics metrics() const;
    // Advance width of a single line of text.
    double widthOf(std::string_view text) const;
    friend bool operator==(const Font&, const Font&) = default;

  private:
    Font(std::string name, std::string family, double size, bool bold, bool italic)
        : name_(std::move(name)), family_(std::move(family)), size_(size), bold_(bold), italic_(italic) {}
    std::string name_;
    std::string family_;
    double size_ = 12;
    bool bold_ = false;
    bool italic_ = false;
};

// Whether the family names of our table are available (the font files were found and loaded).
bool fontsAvailable();

struct TextStyle {
    Font font = Font::system(12);
    std::optional<Color> color = Color::black(); // none: measured but not drawn
    TextAlignment alignment = TextAlignment::Left;
    LineBreakMode lineBreak = LineBreakMode::WordWrap;
};

struct TextAttributes {
    // Any name Font::named accepts ("Helvetica-Bold" is bold by itself); unknown names use the system font.
    std::string family = "Helvetica";
    double size = 12;
    bool bold = false;
    bool italic = false;
    Color color = Color::black();
    bool underline = false;
    bool strikethrough = false;
    std::optional<Color> strikethroughColor; // none: the text colour
    std::optional<Color> backgroundColor;
    std::string link;
};

struct TabStop {
    double location = 0;
    TextAlignment alignment = TextAlignment::Left;
};

struct ParagraphStyle {
    TextAlignment alignment = TextAlignment::Left;
    LineBreakMode lineBreak = LineBreakMode::WordWrap;
    double defaultTabInterval = 0; // 0: the layout's default
    std::vector<TabStop> tabStops;
    double firstLineHeadIndent = 0;
    double headIndent = 0;
    double spacingBefore = 0;
    double spacingAfter = 0;
};

// A table inside rich text: rows of plain cells, the first `headerRows` rows and the first
// `headerColumns` columns drawn as headers.
struct TableBlock {
    std::vector<std::vector<std::string>> rows;
    int headerRows = 1;
    TextAttributes attributes;
    TextAttributes headerAttributes = [] {
        TextAttributes a;
        a.bold = true;
        return a;
    }();
    std::optional<Color> headerBackground;
    double borderWidth = 0.5;
    Color borderColor = Color::black();
    double cellPadding = 3;
    std::vector<TextAlignment> columnAlignments; // missing columns: left
    std::optional<double> width;                 // none: as wide as the content
    int headerColumns = 0;
    std::optional<TextAlignment> headerAlignment; // none: the column's alignment
};

// Styled text for screens and reports: runs, inline images, paragraphs and table blocks. It is turned
// into a layout structurally (never parsed from markup), so user data cannot inject formatting.
class RichText {
  public:
    struct Run {
        std::string text;
        TextAttributes attributes;
        ParagraphStyle paragraph;
    };
    struct InlineImage {
        Image image;
        Rect bounds; // size in points; origin.y shifts the image down from the baseline when positive
        ParagraphStyle paragraph;
    };
    struct Table {
        TableBlock table;
        ParagraphStyle paragraph;
    };
    struct Item {
        enum class Kind { Run, Image, Table } kind;
        Run run;
        InlineImage image;
        Table table;
    };

    // Appends text; each "\n" ends a paragraph. The current paragraph style applies.
    RichText& append(std::string_view text, const TextAttributes& attributes = {});
    RichText& appendImage(const Image& image, const Rect& bounds);
    RichText& appendTable(const TableBlock& table);
    // The paragraph style of the current and the following paragraphs.
    RichText& setParagraphStyle(const ParagraphStyle& style);
    const ParagraphStyle& paragraphStyle() const { return paragraph_; }

    const std::vector<Item>& items() const { return items_; }
    bool isEmpty() const { return items_.empty(); }
    std::string plainText() const;

  private:
    std::vector<Item> items_;
    ParagraphStyle paragraph_;
};

// Text laid out within a size; drawn with its top-left at a point.
class TextLayout {
  public:
    struct Impl;
    struct Line {
        std::string text; // the visible text of the line, with an ellipsis where truncated
        Rect rect;        // relative to the layout's origin
        double baseline = 0;
    };

    // Plain text with a style. A zero width or height means unbounded (10000 points, as the platform
    // measures); wrapped modes truncate the last visible line when the height runs out.
    static TextLayout plain(std::string_view text, const TextStyle& style, Size maxSize = {});
    static TextLayout rich(const RichText& text, Size maxSize = {});

    // The used size (not rounded).
    Size size() const;
    const std::vector<Line>& lines() const;
    std::string text() const;
    const Impl* impl() const { return impl_.get(); }

  private:
    std::shared_ptr<const Impl> impl_;
};

// The platform's measuring of a string with a style: the laid-out size with both sides rounded up.
Size measureText(std::string_view text, const TextStyle& style, Size maxSize = {});
Size measureRichText(const RichText& text, Size maxSize = {});

} // namespace gfx
