// Runs kept over replacements, and the conversion into the drawing platform's rich text.
#include "controls/DCAttributedString.h"

#include "platform/foundation/IcuText.h"

#include <algorithm>

namespace {

bool sameParagraph(const gfx::ParagraphStyle& a, const gfx::ParagraphStyle& b) {
    if (a.tabStops.size() != b.tabStops.size())
        return false;
    for (size_t i = 0; i < a.tabStops.size(); ++i)
        if (a.tabStops[i].location != b.tabStops[i].location || a.tabStops[i].alignment != b.tabStops[i].alignment)
            return false;
    return a.alignment == b.alignment && a.lineBreak == b.lineBreak &&
           a.defaultTabInterval == b.defaultTabInterval && a.firstLineHeadIndent == b.firstLineHeadIndent &&
           a.headIndent == b.headIndent && a.spacingBefore == b.spacingBefore && a.spacingAfter == b.spacingAfter;
}

} // namespace

bool operator==(const DCTextAttributes& a, const DCTextAttributes& b) {
    if (a.paragraphStyle.has_value() != b.paragraphStyle.has_value())
        return false;
    if (a.paragraphStyle && !sameParagraph(*a.paragraphStyle, *b.paragraphStyle))
        return false;
    return a.font == b.font && a.color == b.color && a.underline == b.underline &&
           a.strikeThrough == b.strikeThrough && a.strikeColor == b.strikeColor && a.link == b.link &&
           a.backgroundColor == b.backgroundColor && a.textEffect == b.textEffect && a.attachment == b.attachment;
}

DCAttributedString::DCAttributedString(std::u16string text, DCTextAttributes attributes) : text_(std::move(text)) {
    if (!text_.empty())
        runs_.push_back({0, text_.size(), std::move(attributes)});
}

DCAttributedString::DCAttributedString(std::string_view utf8, DCTextAttributes attributes)
    : DCAttributedString(foundation::icu::toUtf16(utf8), std::move(attributes)) {}

DCAttributedString DCAttributedString::withAttachment(std::shared_ptr<DCTextAttachment> attachment) {
    DCTextAttributes a;
    a.attachment = std::move(attachment);
    return DCAttributedString(std::u16string(1, kAttachmentCharacter), std::move(a));
}

std::string DCAttributedString::string() const {
    return foundation::icu::toUtf8(text_);
}

const DCTextAttributes* DCAttributedString::attributesAt(size_t location) const {
    for (const Run& r : runs_)
        if (location >= r.location && location < r.location + r.length)
            return &r.attributes;
    return nullptr;
}

void DCAttributedString::addAttributes(const DCTextAttributes& add) {
    for (Run& r : runs_) {
        DCTextAttributes& a = r.attributes;
        if (add.font)
            a.font = add.font;
        if (add.color)
            a.color = add.color;
        if (add.paragraphStyle)
            a.paragraphStyle = add.paragraphStyle;
        if (add.underline)
            a.underline = true;
        if (add.strikeThrough)
            a.strikeThrough = true;
        if (add.strikeColor)
            a.strikeColor = add.strikeColor;
        if (add.link)
            a.link = add.link;
        if (add.backgroundColor)
            a.backgroundColor = add.backgroundColor;
        if (add.textEffect)
            a.textEffect = add.textEffect;
        if (add.attachment)
            a.attachment = add.attachment;
    }
    coalesce();
}

void DCAttributedString::replaceCharacters(size_t location, size_t length, const DCAttributedString& replacement) {
    location = std::min(location, text_.size());
    length = std::min(length, text_.size() - location);
    const size_t end = location + length;
    std::vector<Run> runs;
    runs.reserve(runs_.size() + replacement.runs_.size() + 1);
    // What stays before the range, the replacement's runs, then what stays after it (shifted).
    for (const Run& r : runs_)
        if (r.location < location)
            runs.push_back({r.location, std::min(r.location + r.length, location) - r.location, r.attributes});
    for (const Run& r : replacement.runs_)
        runs.push_back({location + r.location, r.length, r.attributes});
    const size_t shift = replacement.length();
    for (const Run& r : runs_) {
        size_t runEnd = r.location + r.length;
        if (runEnd <= end)
            continue;
        size_t from = std::max(r.location, end);
        runs.push_back({from - end + location + shift, runEnd - from, r.attributes});
    }
    text_.replace(location, length, replacement.text_);
    runs_ = std::move(runs);
    coalesce();
}

void DCAttributedString::coalesce() {
    std::vector<Run> out;
    for (Run& r : runs_) {
        if (r.length == 0)
            continue;
        if (!out.empty() && out.back().attributes == r.attributes) {
            out.back().length += r.length;
            continue;
        }
        out.push_back(std::move(r));
    }
    runs_ = std::move(out);
}

gfx::RichText DCAttributedString::richText() const {
    gfx::RichText rich;
    for (const Run& r : runs_) {
        const DCTextAttributes& a = r.attributes;
        rich.setParagraphStyle(a.paragraphStyle.value_or(gfx::ParagraphStyle{}));
        if (a.attachment) {
            // One inline image per attachment character of the run.
            for (size_t i = 0; i < r.length; ++i) {
                if (!a.attachment->image)
                    continue;
                gfx::Rect bounds = a.attachment->bounds;
                if (bounds.size.width <= 0 || bounds.size.height <= 0)
                    bounds = {{0, 0}, a.attachment->image->size()};
                rich.appendImage(*a.attachment->image, bounds);
            }
            continue;
        }
        gfx::TextAttributes t;
        // Text without a font draws as unstyled text does.
        gfx::Font font = a.font.value_or(gfx::Font::system(12));
        t.family = font.name();
        t.size = font.size();
        t.bold = font.isBold();
        t.italic = font.isItalic();
        t.color = a.color.value_or(gfx::Color::black());
        t.underline = a.underline;
        t.strikethrough = a.strikeThrough;
        t.strikethroughColor = a.strikeColor;
        t.backgroundColor = a.backgroundColor;
        t.link = a.link.value_or("");
        rich.append(foundation::icu::toUtf8(std::u16string_view(text_).substr(r.location, r.length)), t);
    }
    return rich;
}
