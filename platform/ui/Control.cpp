// Target-action, tracking of touches inside a control, and the drawing of the simple controls.
#include "platform/ui/Control.h"

#include <algorithm>

namespace ui {

int Control::addTarget(unsigned events, Action action) {
    int id = nextId_++;
    targets_.push_back({id, events, std::move(action)});
    return id;
}

void Control::removeTarget(int id) {
    std::erase_if(targets_, [&](const Target& t) { return t.id == id; });
}

void Control::sendActionsForControlEvents(unsigned events) {
    // A copy, and the control kept alive: an action may remove targets or the control itself.
    auto keep = shared_from_this();
    auto targets = targets_;
    for (auto& t : targets)
        if ((t.events & events) && t.action)
            t.action(*this);
}

void Control::setEnabled(bool on) {
    enabled_ = on;
    if (!on)
        highlighted_ = false;
    setNeedsDisplay();
}

void Control::setHighlighted(bool on) {
    highlighted_ = on;
    setNeedsDisplay();
}

void Control::setSelected(bool on) {
    selected_ = on;
    setNeedsDisplay();
}

unsigned Control::state() const {
    unsigned s = StateNormal;
    if (highlighted_)
        s |= StateHighlighted;
    if (!enabled_)
        s |= StateDisabled;
    if (selected_)
        s |= StateSelected;
    return s;
}

bool Control::isInsideForTracking(Point p) const {
    // A finger may stray a little outside and still count as inside, as on a touch screen.
    return bounds().insetBy(-30, -30).contains(p);
}

void Control::touchesBegan(const Touches& touches, const Event& event) {
    if (!enabled_ || touches.empty())
        return;
    tracking_ = true;
    setHighlighted(true);
    sendActionsForControlEvents(TouchDown);
}

void Control::touchesMoved(const Touches& touches, const Event& event) {
    if (!tracking_ || touches.empty())
        return;
    bool inside = isInsideForTracking(touches.front()->locationInView(this));
    if (inside != highlighted_)
        setHighlighted(inside);
    if (inside)
        sendActionsForControlEvents(TouchDragInside);
}

void Control::touchesEnded(const Touches& touches, const Event& event) {
    if (!tracking_ || touches.empty())
        return;
    auto keep = shared_from_this();
    tracking_ = false;
    setHighlighted(false);
    Point p = touches.front()->locationInView(this);
    if (!enabled_)
        return;
    if (!isInsideForTracking(p)) {
        sendActionsForControlEvents(TouchUpOutside);
        return;
    }
    tapped(p);
    sendActionsForControlEvents(TouchUpInside);
}

void Control::touchesCancelled(const Touches& touches, const Event& event) {
    if (!tracking_)
        return;
    tracking_ = false;
    setHighlighted(false);
    sendActionsForControlEvents(TouchCancel);
}

// --- Button

Button::Button(const Rect& frame, ButtonType type) : Control(frame), type_(type) {
    titleLabel_.setFont(gfx::Font::system(15));
    titleLabel_.setTextAlignment(gfx::TextAlignment::Center);
}

namespace {
// The entry for a state, else the normal state's.
template <class Map> auto lookup(const Map& map, unsigned state) -> const typename Map::mapped_type* {
    if (auto it = map.find(state); it != map.end())
        return &it->second;
    // Selected and highlighted fall back to selected, then to normal.
    if (state & StateSelected)
        if (auto it = map.find(StateSelected); it != map.end())
            return &it->second;
    if (auto it = map.find(StateNormal); it != map.end())
        return &it->second;
    return nullptr;
}
} // namespace

void Button::setTitle(std::optional<std::string> title, unsigned state) {
    if (title)
        titles_[state] = std::move(*title);
    else
        titles_.erase(state);
    setNeedsDisplay();
}

std::optional<std::string> Button::titleForState(unsigned state) const {
    if (auto* t = lookup(titles_, state))
        return *t;
    return std::nullopt;
}

void Button::setTitleColor(std::optional<Color> color, unsigned state) {
    if (color)
        titleColors_[state] = *color;
    else
        titleColors_.erase(state);
    setNeedsDisplay();
}

Color Button::titleColorForState(unsigned state) const {
    if (auto* c = lookup(titleColors_, state))
        return *c;
    if (state & StateDisabled)
        return Color::gray(0.6);
    Color tint = type_ == ButtonType::Custom ? Color::white() : tintColor().value_or(Color::black());
    return (state & StateHighlighted) ? tint.withAlpha(0.3) : tint;
}

void Button::setImage(std::optional<gfx::Image> image, unsigned state) {
    if (image)
        images_[state] = std::move(*image);
    else
        images_.erase(state);
    setNeedsDisplay();
}

std::optional<gfx::Image> Button::imageForState(unsigned state) const {
    if (auto* i = lookup(images_, state))
        return *i;
    return std::nullopt;
}

void Button::setEnabled(bool on) {
    Control::setEnabled(on);
}

void Button::setHighlighted(bool on) {
    Control::setHighlighted(on);
}

void Button::setSelected(bool on) {
    Control::setSelected(on);
}

const gfx::TextLayout& TitleLayout::within(const std::string& text, const gfx::TextStyle& style, Size limit) {
    const bool same = layout_ && text_ == text && style_.font == style.font && style_.color == style.color &&
                      style_.alignment == style.alignment && style_.lineBreak == style.lineBreak && limit_ == limit;
    if (!same) {
        layout_ = gfx::TextLayout::plain(text, style, limit);
        text_ = text;
        style_ = style;
        limit_ = limit;
    }
    return *layout_;
}

void Button::drawRect(gfx::Context& ctx, const Rect& rect) {
    Rect b = bounds();
    unsigned s = state();
    auto image = imageForState(s);
    std::string title = currentTitle();
    double x = b.origin.x;
    double width = b.width();
    if (image && !image->isNull()) {
        Size is = image->size();
        double total = is.width + (title.empty() ? 0 : 4 + titleLabel_.font().widthOf(title));
        double ix = title.empty() ? b.midX() - is.width / 2 : b.midX() - total / 2;
        ctx.drawImage({ix, b.midY() - is.height / 2, is.width, is.height}, *image);
        if (!title.empty()) {
            x = ix + is.width + 4;
            width = b.maxX() - x;
        }
    }
    if (title.empty())
        return;
    gfx::TextStyle style;
    style.font = titleLabel_.font();
    style.color = titleColorForState(s);
    style.alignment = image ? gfx::TextAlignment::Left : titleLabel_.textAlignment();
    style.lineBreak = gfx::LineBreakMode::TruncateMiddle;
    const gfx::TextLayout& layout = titleLayout_.within(title, style, {width, b.height()});
    ctx.drawTextLayout(layout, {x, b.midY() - layout.size().height / 2});
}

Size Button::sizeThatFits(Size size) const {
    Size text = gfx::measureText(currentTitle(), {titleLabel_.font()});
    Size s{text.width + 12, std::max(text.height + 12, 30.0)};
    if (auto image = imageForState(state()); image && !image->isNull()) {
        s.width += image->size().width + 4;
        s.height = std::max(s.height, image->size().height);
    }
    return s;
}

// --- Switch

Switch::Switch(const Rect& frame) : Control(Rect{frame.origin, {51, 31}}) {}

void Switch::setOn(bool on, bool animated) {
    if (on == on_)
        return;
    on_ = on;
    setNeedsDisplay();
}

void Switch::tapped(Point) {
    setOn(!on_, true);
    sendActionsForControlEvents(ValueChanged);
}

void Switch::drawRect(gfx::Context& ctx, const Rect& rect) {
    Rect b = bounds().insetBy(1, 1);
    double r = b.height() / 2;
    ctx.setFillColor(on_ ? Color{0.3, 0.85, 0.39, 1} : Color::gray(0.9));
    ctx.addRoundedRect(b, r, r);
    ctx.fillPath();
    double knobX = on_ ? b.maxX() - 2 * r : b.minX();
    ctx.setFillColor(Color::white());
    ctx.fillEllipseInRect(Rect{knobX, b.minY(), 2 * r, 2 * r}.insetBy(1.5, 1.5));
}

// --- SegmentedControl

SegmentedControl::SegmentedControl(std::vector<std::string> items, const Rect& frame)
    : Control(frame), titles_(std::move(items)), enabled_(titles_.size(), true) {}

void SegmentedControl::insertSegmentWithTitle(std::string title, size_t index) {
    index = std::min(index, titles_.size());
    titles_.insert(titles_.begin() + std::ptrdiff_t(index), std::move(title));
    enabled_.insert(enabled_.begin() + std::ptrdiff_t(index), true);
    if (selected_ >= int(index))
        ++selected_;
    setNeedsDisplay();
}

void SegmentedControl::removeAllSegments() {
    titles_.clear();
    enabled_.clear();
    selected_ = NoSegment;
    setNeedsDisplay();
}

std::string SegmentedControl::titleForSegmentAtIndex(size_t index) const {
    return index < titles_.size() ? titles_[index] : std::string();
}

void SegmentedControl::setTitle(std::string title, size_t index) {
    if (index >= titles_.size())
        return;
    titles_[index] = std::move(title);
    setNeedsDisplay();
}

bool SegmentedControl::isEnabledForSegmentAtIndex(size_t index) const {
    return index < enabled_.size() && enabled_[index];
}

void SegmentedControl::setEnabledForSegmentAtIndex(bool on, size_t index) {
    if (index < enabled_.size())
        enabled_[index] = on;
    setNeedsDisplay();
}

void SegmentedControl::setSelectedSegmentIndex(int index) {
    selected_ = index >= 0 && size_t(index) < titles_.size() ? index : NoSegment;
    setNeedsDisplay();
}

Rect SegmentedControl::rectForSegment(size_t index) const {
    Rect b = bounds();
    double w = titles_.empty() ? 0 : b.width() / double(titles_.size());
    return {b.origin.x + w * double(index), b.origin.y, w, b.height()};
}

void SegmentedControl::tapped(Point location) {
    for (size_t i = 0; i < titles_.size(); ++i) {
        if (!rectForSegment(i).contains(location) || !enabled_[i])
            continue;
        if (int(i) == selected_)
            return;
        selected_ = int(i);
        setNeedsDisplay();
        sendActionsForControlEvents(ValueChanged);
        return;
    }
}

void SegmentedControl::drawRect(gfx::Context& ctx, const Rect& rect) {
    Color tint = tintColor().value_or(Color::black());
    ctx.setStrokeColor(tint);
    ctx.setLineWidth(1);
    titleLayouts_.resize(titles_.size());
    for (size_t i = 0; i < titles_.size(); ++i) {
        Rect r = rectForSegment(i).insetBy(0.5, 0.5);
        bool selected = int(i) == selected_;
        if (selected) {
            ctx.setFillColor(tint);
            ctx.fillRect(r);
        }
        ctx.strokeRect(r);
        gfx::TextStyle style;
        style.font = gfx::Font::system(13);
        style.color = !enabled_[i] ? Color::gray(0.6) : selected ? Color::white() : tint;
        style.alignment = gfx::TextAlignment::Center;
        style.lineBreak = gfx::LineBreakMode::TruncateTail;
        const gfx::TextLayout& layout = titleLayouts_[i].within(titles_[i], style, {r.width(), r.height()});
        ctx.drawTextLayout(layout, {r.origin.x, r.midY() - layout.size().height / 2});
    }
}

std::string SegmentedControl::displayedText() const {
    return selected_ == NoSegment ? std::string() : titles_[size_t(selected_)];
}

} // namespace ui
