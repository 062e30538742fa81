// Driving the window's input path as a user would, for headless tests.
#include "platform/ui/Driver.h"

#include "platform/graphics/Output.h"

#include <functional>

namespace ui {

namespace {
View* search(View* v, const std::function<bool(View*)>& match) {
    if (!v || v->isHidden())
        return nullptr;
    if (match(v))
        return v;
    // Front to back, so what covers the screen (an alert) is found before what it covers.
    const auto& subs = v->subviews();
    for (auto it = subs.rbegin(); it != subs.rend(); ++it)
        if (View* found = search(it->get(), match))
            return found;
    return nullptr;
}

void dump(const View* v, int depth, std::string& out) {
    out.append(size_t(depth) * 2, ' ');
    out += v->describe();
    out += '\n';
    for (const auto& sub : v->subviews())
        dump(sub.get(), depth + 1, out);
}

constexpr int kFinger = 1;
} // namespace

View* Driver::find(const std::string& identifier) const {
    return search(&window_, [&](View* v) { return v->identifier() == identifier; });
}

View* Driver::findByText(const std::string& text) const {
    return search(&window_, [&](View* v) { return v->displayedText() == text; });
}

View* Driver::findByTag(int tag) const {
    return search(&window_, [&](View* v) { return v->tag() == tag; });
}

Point Driver::middleOf(const View* view) const {
    Rect b = view->bounds();
    return view->convertPointToView({b.midX(), b.midY()}, nullptr);
}

View* Driver::tapAt(Point p) {
    host_.drain();
    window_.touchBegan(kFinger, p);
    View* reached = window_.touchedView(kFinger);
    window_.touchEnded(kFinger, p);
    host_.drain();
    return reached;
}

View* Driver::tapText(const std::string& text) {
    return tap(findByText(text));
}

View* Driver::tap(View* view) {
    if (!view)
        return nullptr;
    host_.drain();
    return tapAt(middleOf(view));
}

View* Driver::longPress(View* view, double seconds) {
    if (!view)
        return nullptr;
    host_.drain();
    Point p = middleOf(view);
    window_.touchBegan(kFinger, p);
    View* reached = window_.touchedView(kFinger);
    host_.advance(seconds);
    window_.touchEnded(kFinger, p);
    host_.drain();
    return reached;
}

View* Driver::swipe(View* view, SwipeDirection direction) {
    if (!view)
        return nullptr;
    host_.drain();
    Rect b = view->bounds();
    Point from{b.midX(), b.midY()};
    Point to = from;
    const double length = 120;
    if (direction & SwipeRight)
        to.x += length;
    else if (direction & SwipeLeft)
        to.x -= length;
    else if (direction & SwipeDown)
        to.y += length;
    else
        to.y -= length;
    Point a = view->convertPointToView(from, nullptr);
    Point z = view->convertPointToView(to, nullptr);
    return drag(view, {z.x - a.x, z.y - a.y}, 6);
}

View* Driver::drag(View* view, Size translation, int steps) {
    if (!view)
        return nullptr;
    host_.drain();
    Point p = middleOf(view);
    window_.touchBegan(kFinger, p);
    View* reached = window_.touchedView(kFinger);
    steps = std::max(1, steps);
    for (int i = 1; i <= steps; ++i) {
        host_.advance(0.01);
        window_.touchMoved(kFinger,
                           {p.x + translation.width * i / steps, p.y + translation.height * i / steps});
    }
    window_.touchEnded(kFinger, {p.x + translation.width, p.y + translation.height});
    host_.drain();
    return reached;
}

bool Driver::scrollWheel(View* view, Size delta) {
    if (!view)
        return false;
    host_.drain();
    bool moved = window_.scrollWheel(middleOf(view), delta);
    host_.drain();
    return moved;
}

bool Driver::type(const std::string& text) {
    bool ok = window_.insertText(text);
    host_.drain();
    return ok;
}

bool Driver::deleteBackward(int count) {
    bool ok = true;
    for (int i = 0; i < count && ok; ++i)
        ok = window_.deleteBackward();
    host_.drain();
    return ok;
}

bool Driver::pressReturn() {
    bool ok = window_.pressReturn();
    host_.drain();
    return ok;
}

bool Driver::typeInto(View* field, const std::string& text) {
    if (!field)
        return false;
    if (!field->isFirstResponder())
        tap(field);
    if (!field->isFirstResponder())
        return false;
    return type(text);
}

std::string Driver::dumpTree() const {
    std::string out;
    dump(&window_, 0, out);
    return out;
}

gfx::Image Driver::screenshot(double scale) const {
    host_.drain();
    Size size = window_.bounds().size;
    auto bitmap = gfx::BitmapContext::pointsContext(size, scale, Color::white());
    window_.layer().renderInContext(bitmap->context());
    return bitmap->takeImage();
}

bool Driver::saveScreenshot(const std::string& path, double scale) const {
    return screenshot(scale).writePNG(path);
}

} // namespace ui
