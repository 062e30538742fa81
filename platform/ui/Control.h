// Controls: target-action on control events, states; buttons, switches and segmented controls.
#pragma once

#include "platform/graphics/Image.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ui {

enum ControlEvents : unsigned {
    TouchDown = 1 << 0,
    TouchDragInside = 1 << 2,
    TouchUpInside = 1 << 6,
    TouchUpOutside = 1 << 7,
    TouchCancel = 1 << 8,
    ValueChanged = 1 << 12,
    EditingDidBegin = 1 << 16,
    EditingChanged = 1 << 17,
    EditingDidEnd = 1 << 18,
    EditingDidEndOnExit = 1 << 19,
};

enum ControlState : unsigned { StateNormal = 0, StateHighlighted = 1, StateDisabled = 2, StateSelected = 4 };

class Control : public View {
  public:
    using Action = std::function<void(Control&)>;
    using View::View;

    // Adds an action for any of `events`; answers an id for removeTarget.
    int addTarget(unsigned events, Action action);
    void removeTarget(int id);
    void sendActionsForControlEvents(unsigned events);

    bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool on);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool on);
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool on);
    unsigned state() const;

    void touchesBegan(const Touches& touches, const Event& event) override;
    void touchesMoved(const Touches& touches, const Event& event) override;
    void touchesEnded(const Touches& touches, const Event& event) override;
    void touchesCancelled(const Touches& touches, const Event& event) override;

  protected:
    // A tap that ended inside (after the touch-up-inside actions would be sent); controls that act on
    // taps override this.
    virtual void tapped(Point location) {}

  private:
    struct Target {
        int id;
        unsigned events;
        Action action;
    };
    bool isInsideForTracking(Point p) const;
    std::vector<Target> targets_;
    int nextId_ = 1;
    bool enabled_ = true;
    bool highlighted_ = false;
    bool selected_ = false;
    bool tracking_ = false;
};

// A title's laid-out text, kept while the text, its style and its room stay the same: a control is
// drawn again far more often than its title changes.
class TitleLayout {
  public:
    const gfx::TextLayout& within(const std::string& text, const gfx::TextStyle& style, Size limit);

  private:
    std::string text_;
    gfx::TextStyle style_;
    Size limit_;
    std::optional<gfx::TextLayout> layout_;
};

enum class ButtonType { Custom, System, DetailDisclosure, InfoLight, InfoDark, ContactAdd };

class Button : public Control {
  public:
    explicit Button(const Rect& frame = {}, ButtonType type = ButtonType::System);
    static std::shared_ptr<Button> withType(ButtonType type) {
        return std::make_shared<Button>(Rect{}, type);
    }

    ButtonType buttonType() const { return type_; }
    // Per state, falling back to the normal state's.
    void setTitle(std::optional<std::string> title, unsigned state = StateNormal);
    std::optional<std::string> titleForState(unsigned state) const;
    void setTitleColor(std::optional<Color> color, unsigned state = StateNormal);
    Color titleColorForState(unsigned state) const;
    void setImage(std::optional<gfx::Image> image, unsigned state = StateNormal);
    std::optional<gfx::Image> imageForState(unsigned state) const;
    std::string currentTitle() const { return titleForState(state()).value_or(""); }
    Label& titleLabel() { return titleLabel_; }

    void setEnabled(bool on) override;
    void setHighlighted(bool on) override;
    void setSelected(bool on) override;
    void drawRect(gfx::Context& ctx, const Rect& rect) override;
    Size sizeThatFits(Size size) const override;
    std::string displayedText() const override { return currentTitle(); }

  private:
    ButtonType type_;
    std::map<unsigned, std::string> titles_;
    std::map<unsigned, Color> titleColors_;
    std::map<unsigned, gfx::Image> images_;
    // Holds the font and alignment; drawn by the button itself.
    Label titleLabel_;
    TitleLayout titleLayout_;
};

class Switch : public Control {
  public:
    explicit Switch(const Rect& frame = {});
    bool isOn() const { return on_; }
    void setOn(bool on, bool animated = false);
    void drawRect(gfx::Context& ctx, const Rect& rect) override;
    std::string displayedText() const override { return on_ ? "on" : "off"; }

  protected:
    void tapped(Point location) override;

  private:
    bool on_ = false;
};

class SegmentedControl : public Control {
  public:
    static constexpr int NoSegment = -1;
    explicit SegmentedControl(std::vector<std::string> items = {}, const Rect& frame = {});
    size_t numberOfSegments() const { return titles_.size(); }
    void insertSegmentWithTitle(std::string title, size_t index);
    void removeAllSegments();
    std::string titleForSegmentAtIndex(size_t index) const;
    void setTitle(std::string title, size_t index);
    bool isEnabledForSegmentAtIndex(size_t index) const;
    void setEnabledForSegmentAtIndex(bool on, size_t index);
    int selectedSegmentIndex() const { return selected_; }
    void setSelectedSegmentIndex(int index);
    Rect rectForSegment(size_t index) const;
    void drawRect(gfx::Context& ctx, const Rect& rect) override;
    std::string displayedText() const override;

  protected:
    void tapped(Point location) override;

  private:
    std::vector<std::string> titles_;
    std::vector<bool> enabled_;
    int selected_ = NoSegment;
    std::vector<TitleLayout> titleLayouts_;
};

} // namespace ui
