// A text view that shows rich text (help and result texts), scrolling when it is taller than the view;
// and an off-screen image context for drawing a small image once (a badge).
#pragma once

#include "platform/graphics/Image.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Text.h"
#include "platform/ui/ScrollView.h"

#include <functional>

namespace ui {

// Posted by the host when an on-screen keyboard would show or hide (tests post them on a desktop).
inline const std::string KeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline const std::string KeyboardWillHideNotification = "UIKeyboardWillHideNotification";
// Their user info: the keyboard's frame at the end, in window coordinates ({x, y, width, height}), and
// the animation's duration (seconds) and curve (the value that AnimationOptions keeps in bits 16-19).
inline const std::string KeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
inline const std::string KeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";
inline const std::string KeyboardAnimationCurveUserInfoKey = "UIKeyboardAnimationCurveUserInfoKey";

struct KeyboardNotificationInfo {
    Rect frameEnd;
    double duration = 0;
    unsigned curve = 0;
    foundation::Value userInfo() const;
    // Missing entries read as zero.
    static KeyboardNotificationInfo from(const foundation::Value& userInfo);
};

class TextView : public ScrollView {
  public:
    explicit TextView(const Rect& frame = {});
    const gfx::RichText& attributedText() const { return text_; }
    void setAttributedText(gfx::RichText text);
    // Plain text in the view's font.
    std::string text() const { return text_.plainText(); }
    void setText(const std::string& text);
    const gfx::Font& font() const { return font_; }
    void setFont(gfx::Font font) { font_ = std::move(font); }
    // For the plain text set afterwards.
    gfx::TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(gfx::TextAlignment a) { alignment_ = a; }
    EdgeInsets textContainerInset() const { return inset_; }
    void setTextContainerInset(EdgeInsets inset);
    bool isEditable() const { return editable_; }
    void setEditable(bool on) { editable_ = on; }

    void layoutSubviews() override;
    void drawRect(gfx::Context& ctx, const Rect& rect) override;
    std::string displayedText() const override { return text(); }

  private:
    // The text laid out to this width, kept until the text or the width changes: a layout pass and the
    // drawing that follows it share one layout.
    const gfx::TextLayout& layoutForWidth(double width);

    gfx::RichText text_;
    gfx::TextLayout layout_;
    double layoutWidth_ = -1; // negative: no layout kept
    gfx::Font font_ = gfx::Font::system(14);
    gfx::TextAlignment alignment_ = gfx::TextAlignment::Left;
    EdgeInsets inset_{8, 5, 8, 5};
    bool editable_ = false;
};

// Draws into a transparent bitmap of `size` points at `scale` and answers the image.
gfx::Image drawImage(Size size, double scale, const std::function<void(gfx::Context&)>& draw);

} // namespace ui
