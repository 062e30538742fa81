// The text engine's attributed string: UTF-16 text (offsets count UTF-16 units, as the engine's
// patterns do) with runs of attributes, inline attachments and text effects, turned into the drawing
// platform's rich text for display.
#pragma once

#include "platform/graphics/Image.h"
#include "platform/graphics/Text.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// An inline object standing for one character (U+FFFC): an image, or nothing when none was found.
struct DCTextAttachment {
    std::optional<gfx::Image> image;
    // Zero: the image's own size.
    gfx::Rect bounds;
};

struct DCTextAttributes {
    std::optional<gfx::Font> font;
    std::optional<gfx::Color> color;
    std::optional<gfx::ParagraphStyle> paragraphStyle;
    bool underline = false;
    bool strikeThrough = false;
    std::optional<gfx::Color> strikeColor;
    std::optional<std::string> link;
    std::optional<gfx::Color> backgroundColor;
    std::optional<std::string> textEffect;
    std::shared_ptr<DCTextAttachment> attachment;
};

bool operator==(const DCTextAttributes& a, const DCTextAttributes& b);

class DCAttributedString {
  public:
    static constexpr char16_t kAttachmentCharacter = u'\uFFFC';

    struct Run {
        size_t location = 0;
        size_t length = 0;
        DCTextAttributes attributes;
    };

    DCAttributedString() = default;
    DCAttributedString(std::u16string text, DCTextAttributes attributes);
    DCAttributedString(std::string_view utf8, DCTextAttributes attributes);
    // One attachment character carrying only the attachment.
    static DCAttributedString withAttachment(std::shared_ptr<DCTextAttachment> attachment);

    const std::u16string& text() const { return text_; }
    // The text in UTF-8.
    std::string string() const;
    size_t length() const { return text_.size(); }
    // Neighbouring runs with equal attributes are one run.
    const std::vector<Run>& runs() const { return runs_; }
    // The attributes at a UTF-16 offset (none past the end).
    const DCTextAttributes* attributesAt(size_t location) const;

    // Sets these attributes over the whole text where they are given (the others stay).
    void addAttributes(const DCTextAttributes& attributes);
    // Replaces a range (clamped to the text) by another attributed string with its own attributes.
    void replaceCharacters(size_t location, size_t length, const DCAttributedString& replacement);

    // For display: runs become text of their font, colour and decorations; an attachment with an image
    // becomes an inline image, one without draws nothing; a text effect draws as plain text.
    gfx::RichText richText() const;

  private:
    void coalesce();
    std::u16string text_;
    std::vector<Run> runs_;
};
