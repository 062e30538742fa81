// The help bubble: a rounded speech bubble drawn by the view itself, with a pointer aimed at a view or a
// bar button item, that presents and dismisses itself with small animations.
#pragma once

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Value.h"
#include "platform/ui/Control.h"
#include "platform/ui/ViewController.h"

#include <memory>
#include <optional>
#include <string>
#include <variant>

class CMPopTipView;

class CMPopTipViewDelegate {
  public:
    virtual ~CMPopTipViewDelegate() = default;
    virtual void popTipViewWasDismissedByUser(CMPopTipView& popTipView) = 0;
};

class CMPopTipView : public ui::View {
  public:
    // What the tip points at while shown: nothing, a view or a bar button item (never owned).
    using TargetObject = std::variant<std::monostate, ui::View*, ui::BarButtonItem*>;

    // The defaults below; a zero frame for the three kinds of content.
    explicit CMPopTipView(const ui::Rect& frame = {});
    // Title and message in white, the title bold and centred.
    static std::shared_ptr<CMPopTipView> initWithTitle(std::string title, std::string message);
    // A message alone; the tip is an accessibility element hinting the message.
    static std::shared_ptr<CMPopTipView> initWithMessage(std::string message);
    // A view of the owner's as the content, its corners masked.
    static std::shared_ptr<CMPopTipView> initWithCustomView(std::shared_ptr<ui::View> customView);

    // --- appearance (the bubble's fill is the tip's own; the view itself stays clear)
    gfx::Color backgroundColor() const { return fill_; }
    void setBackgroundColor(gfx::Color color);
    gfx::Color borderColor() const { return borderColor_; }
    void setBorderColor(gfx::Color color);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    bool has3DStyle() const { return has3DStyle_; }
    void setHas3DStyle(bool on);
    bool hasGradientBackground() const { return hasGradient_; }
    void setHasGradientBackground(bool on);
    bool hasShadow() const { return hasShadow_; }
    // Acts only on a change: on sets the layer's drop shadow, off only clears its opacity.
    void setHasShadow(bool on);
    const gfx::Font& textFont() const { return textFont_; }
    void setTextFont(gfx::Font font) { textFont_ = std::move(font); }
    gfx::Color textColor() const { return textColor_; }
    void setTextColor(gfx::Color color);
    gfx::TextAlignment textAlignment() const { return textAlignment_; }
    void setTextAlignment(gfx::TextAlignment a) { textAlignment_ = a; }
    const std::optional<gfx::Font>& titleFont() const { return titleFont_; }
    void setTitleFont(std::optional<gfx::Font> font) { titleFont_ = std::move(font); }
    std::optional<gfx::Color> titleColor() const { return titleColor_; }
    void setTitleColor(std::optional<gfx::Color> color);
    gfx::TextAlignment titleAlignment() const { return titleAlignment_; }
    void setTitleAlignment(gfx::TextAlignment a) { titleAlignment_ = a; }
    const std::optional<std::string>& title() const { return title_; }
    void setTitle(std::optional<std::string> title) { title_ = std::move(title); }
    const std::optional<std::string>& message() const { return message_; }
    void setMessage(std::optional<std::string> message) { message_ = std::move(message); }
    const std::shared_ptr<ui::View>& customView() const { return customView_; }
    void setCustomView(std::shared_ptr<ui::View> view) { customView_ = std::move(view); }
    bool shouldMaskCustomView() const { return maskCustomView_; }
    void setShouldMaskCustomView(bool on) { maskCustomView_ = on; }
    // Kept for assistive technology, which nothing reads here.
    bool isAccessibilityElement() const { return accessibilityElement_; }
    const std::string& accessibilityHint() const { return accessibilityHint_; }

    // --- placement and behaviour
    // 0 slide, 1 pop, 2 fade (others present like the slide).
    int animation() const { return animation_; }
    void setAnimation(int a) { animation_ = a; }
    // 0 any, 1 up (bubble below the target), 2 down (bubble above it).
    int preferredPointDirection() const { return preferredDirection_; }
    void setPreferredPointDirection(int d) { preferredDirection_ = d; }
    bool showFromCenter() const { return showFromCenter_; }
    void setShowFromCenter(bool on) { showFromCenter_ = on; }
    double maxWidth() const { return maxWidth_; }
    void setMaxWidth(double w) { maxWidth_ = w; }
    double topMargin() const { return topMargin_; }
    void setTopMargin(double m) { topMargin_ = m; }
    double pointerSize() const { return pointerSize_; }
    void setPointerSize(double s) { pointerSize_ = s; }
    double sidePadding() const { return sidePadding_; }
    void setSidePadding(double p) { sidePadding_ = p; }
    double bubblePaddingX() const { return bubblePaddingX_; }
    void setBubblePaddingX(double p) { bubblePaddingX_ = p; }
    double bubblePaddingY() const { return bubblePaddingY_; }
    void setBubblePaddingY(double p) { bubblePaddingY_ = p; }
    bool dismissTapAnywhere() const { return dismissTapAnywhere_; }
    void setDismissTapAnywhere(bool on) { dismissTapAnywhere_ = on; }
    bool disableTapToDismiss() const { return disableTapToDismiss_; }
    void setDisableTapToDismiss(bool on) { disableTapToDismiss_ = on; }
    bool dismissAlongWithUserInteraction() const { return dismissAlong_; }
    void setDismissAlongWithUserInteraction(bool on) { dismissAlong_ = on; }
    // Not owned: a screen that owns a tip clears this when it goes away.
    CMPopTipViewDelegate* delegate() const { return delegate_; }
    void setDelegate(CMPopTipViewDelegate* d) { delegate_ = d; }
    const TargetObject& targetObject() const { return target_; }
    void setTargetObject(TargetObject target) { target_ = target; }
    // The pending automatic dismissal (null when none) and its user info ({"animated": bool}).
    const std::shared_ptr<dispatch::Cancellable>& autoDismissTimer() const { return autoDismissTimer_; }
    const foundation::Value& autoDismissUserInfo() const { return autoDismissUserInfo_; }
    // The full-container button of dismissTapAnywhere while shown.
    const std::shared_ptr<ui::Button>& dismissTarget() const { return dismissTarget_; }

    // --- presenting and dismissing
    void presentPointingAtView(ui::View& targetView, ui::View& containerView, bool animated);
    // Points at the item's view inside that view's window; logs and shows nothing without a window.
    void presentPointingAtBarButtonItem(ui::BarButtonItem& barButtonItem, bool animated);
    void dismissAnimated(bool animated);
    // Dismisses after `timeInterval` seconds and tells the delegate as a tap would; a new call replaces
    // the pending one.
    void autoDismissAnimated(bool animated, double timeInterval);
    int getPointDirection() const { return pointDirection_; }
    bool isBeingShown() const { return !std::holds_alternative<std::monostate>(target_); }

    // --- geometry of the last presentation (view coordinates)
    ui::Rect bubbleFrame() const;
    ui::Rect contentFrame() const;
    // The pointer's tip: x from the bubble's left end, y in the view.
    ui::Point targetPoint() const { return targetPoint_; }
    ui::Size bubbleSize() const { return bubbleSize_; }
    // Set while a tap dismisses the tip: the gradient draws brighter.
    bool isHighlighted() const { return highlight_; }

    void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;
    void layoutSubviews() override;
    void touchesBegan(const ui::Touches& touches, const ui::Event& event) override;
    ui::View* hitTest(ui::Point p, const ui::Event* event) override;

  private:
    gfx::TextStyle titleStyle() const;
    gfx::TextStyle messageStyle() const;
    void buildBubblePath(gfx::Context& ctx) const;
    void dismissByUser();
    void finaliseDismiss();
    void notifyDelegatePopTipViewWasDismissedByUser();

    gfx::Color fill_{62.0 / 255, 60.0 / 255, 154.0 / 255, 1};
    gfx::Color borderColor_ = gfx::Color::black();
    double borderWidth_ = 1;
    double cornerRadius_ = 10;
    bool has3DStyle_ = true;
    bool hasGradient_ = true;
    bool hasShadow_ = false; // the constructor turns it on
    gfx::Font textFont_ = gfx::Font::boldSystem(14);
    gfx::Color textColor_ = gfx::Color::white();
    gfx::TextAlignment textAlignment_ = gfx::TextAlignment::Center;
    std::optional<gfx::Font> titleFont_;
    std::optional<gfx::Color> titleColor_;
    gfx::TextAlignment titleAlignment_ = gfx::TextAlignment::Left;
    std::optional<std::string> title_;
    std::optional<std::string> message_;
    std::shared_ptr<ui::View> customView_;
    bool maskCustomView_ = false;
    bool accessibilityElement_ = false;
    std::string accessibilityHint_;
    int animation_ = 0;
    int preferredDirection_ = 0;
    bool showFromCenter_ = false;
    double maxWidth_ = 0;
    double topMargin_ = 2;
    double pointerSize_ = 12;
    double sidePadding_ = 2;
    double bubblePaddingX_ = 0;
    double bubblePaddingY_ = 0;
    bool dismissTapAnywhere_ = false;
    bool disableTapToDismiss_ = false;
    bool dismissAlong_ = false;
    CMPopTipViewDelegate* delegate_ = nullptr;
    TargetObject target_;
    std::shared_ptr<dispatch::Cancellable> autoDismissTimer_;
    foundation::Value autoDismissUserInfo_;
    std::shared_ptr<ui::Button> dismissTarget_;

    int pointDirection_ = 0;
    ui::Point targetPoint_;
    ui::Size bubbleSize_;
    bool highlight_ = false;
    // A dismissal under way (touches and hit tests no longer dismiss again), and which presentation a
    // running dismissal belongs to, so that one ending late never removes a tip presented since.
    bool dismissing_ = false;
    int presentation_ = 0;
};
