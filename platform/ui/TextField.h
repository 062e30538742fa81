// A one-line text field: typed and pasted text through its delegate, placeholder, border styles,
// a clear button, cursor and selection (byte offsets into the UTF-8 text, on character boundaries).
#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/Window.h"

namespace ui {

// Posted by a field (as the sender) after every edit of its text.
inline const std::string TextFieldTextDidChangeNotification = "UITextFieldTextDidChangeNotification";

enum class TextBorderStyle { None = 0, Line = 1, Bezel = 2, RoundedRect = 3 };
// What an on-screen keyboard would offer; kept for the screens that choose it (a desktop types freely).
enum class KeyboardType { Default = 0, ASCIICapable = 1, NumbersAndPunctuation = 2, URL = 3, NumberPad = 4,
                          PhonePad = 5, NamePhonePad = 6, EmailAddress = 7, DecimalPad = 8 };
enum class ReturnKeyType { Default = 0, Go = 1, Google = 2, Join = 3, Next = 4, Route = 5, Search = 6,
                           Send = 7, Yahoo = 8, Done = 9 };
enum class TextAutocorrectionType { Default = 0, No = 1, Yes = 2 };
enum class TextAutocapitalizationType { None = 0, Words = 1, Sentences = 2, AllCharacters = 3 };
enum class TextFieldViewMode { Never, WhileEditing, UnlessEditing, Always };

struct TextRange {
    size_t location = 0;
    size_t length = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

class TextField;

class TextFieldDelegate {
  public:
    virtual ~TextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(TextField& field) { return true; }
    virtual void textFieldDidBeginEditing(TextField& field) {}
    virtual bool textFieldShouldEndEditing(TextField& field) { return true; }
    virtual void textFieldDidEndEditing(TextField& field) {}
    // `range` in the present text; answering false keeps the text as it is.
    virtual bool shouldChangeCharactersInRange(TextField& field, TextRange range,
                                               const std::string& replacement) {
        return true;
    }
    virtual bool textFieldShouldClear(TextField& field) { return true; }
    virtual bool textFieldShouldReturn(TextField& field) { return true; }
};

class TextField : public Control, public KeyInput {
  public:
    explicit TextField(const Rect& frame = {});

    const std::string& text() const { return text_; }
    // Sets the text without asking the delegate or sending change events (as the platform does).
    void setText(std::string text);
    const std::string& placeholder() const { return placeholder_; }
    void setPlaceholder(std::string text);
    TextBorderStyle borderStyle() const { return borderStyle_; }
    // Virtual: a field that styles companions by its border (a drop-down list, say) follows changes.
    virtual void setBorderStyle(TextBorderStyle style);
    TextFieldViewMode clearButtonMode() const { return clearMode_; }
    void setClearButtonMode(TextFieldViewMode mode) { clearMode_ = mode; }
    const gfx::Font& font() const { return font_; }
    void setFont(gfx::Font font);
    Color textColor() const { return textColor_; }
    void setTextColor(Color color);
    gfx::TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(gfx::TextAlignment a);
    TextFieldDelegate* delegate() const { return delegate_; }
    void setDelegate(TextFieldDelegate* d) { delegate_ = d; }
    KeyboardType keyboardType() const { return keyboardType_; }
    void setKeyboardType(KeyboardType type) { keyboardType_ = type; }
    ReturnKeyType returnKeyType() const { return returnKeyType_; }
    void setReturnKeyType(ReturnKeyType type) { returnKeyType_ = type; }
    TextAutocorrectionType autocorrectionType() const { return autocorrection_; }
    void setAutocorrectionType(TextAutocorrectionType type) { autocorrection_ = type; }
    TextAutocapitalizationType autocapitalizationType() const { return autocapitalization_; }
    void setAutocapitalizationType(TextAutocapitalizationType type) { autocapitalization_ = type; }
    bool isEditing() const { return editing_; }
    TextRange selectedRange() const { return selection_; }
    void setSelectedRange(TextRange range);
    // Where the clear button sits, in the field's coordinates (empty when not shown).
    Rect clearButtonRect() const;

    bool canBecomeFirstResponder() const override { return isEnabled(); }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;

    // Typing replaces the selection; pasting is the same with a longer text.
    void insertText(const std::string& text) override;
    void paste(const std::string& text) { insertText(text); }
    void deleteBackward() override;
    void insertNewline() override;
    // The clear button: empties the field when the delegate agrees.
    void clear();

    void drawRect(gfx::Context& ctx, const Rect& rect) override;
    std::string displayedText() const override { return text_.empty() ? placeholder_ : text_; }

  protected:
    void tapped(Point location) override;

  private:
    // Replaces `range` through the delegate; true when the text changed.
    bool replace(TextRange range, const std::string& replacement);
    bool showsClearButton() const;
    std::string text_;
    std::string placeholder_;
    TextBorderStyle borderStyle_ = TextBorderStyle::None;
    TextFieldViewMode clearMode_ = TextFieldViewMode::Never;
    gfx::Font font_ = gfx::Font::system(17);
    Color textColor_ = Color::black();
    gfx::TextAlignment alignment_ = gfx::TextAlignment::Left;
    TextFieldDelegate* delegate_ = nullptr;
    KeyboardType keyboardType_ = KeyboardType::Default;
    ReturnKeyType returnKeyType_ = ReturnKeyType::Default;
    TextAutocorrectionType autocorrection_ = TextAutocorrectionType::Default;
    TextAutocapitalizationType autocapitalization_ = TextAutocapitalizationType::Sentences;
    bool editing_ = false;
    TextRange selection_;
};

} // namespace ui
