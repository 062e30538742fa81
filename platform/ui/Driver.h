// The test driver: finds views by identifier (outlet name), text or tag, and acts as a user would,
// through the window's real input path (hit testing, recognizers, first responder), then lets the host
// run what the action queued. Also dumps the view tree and takes screenshots.
#pragma once

#include "platform/graphics/Image.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Host.h"
#include "platform/ui/Window.h"

#include <string>

namespace ui {

class Driver {
  public:
    Driver(Window& window, Host& host) : window_(window), host_(host) {}

    Window& window() { return window_; }
    Host& host() { return host_; }

    // Depth first, front views first; hidden subtrees are skipped. Null when not found.
    View* find(const std::string& identifier) const;
    View* findByText(const std::string& text) const;
    View* findByTag(int tag) const;
    template <class T> T* find(const std::string& identifier) const {
        return dynamic_cast<T*>(find(identifier));
    }

    // Taps the middle of a view (or a window point); answers the view the touch reached, or null.
    View* tap(View* view);
    View* tap(const std::string& identifier) { return tap(find(identifier)); }
    View* tapAt(Point windowPoint);
    // Taps the front-most view showing `text`: a tab, an alert's action, a titled button.
    View* tapText(const std::string& text);
    View* longPress(View* view, double seconds = 1);
    // A swipe of 120 points from the middle of the view, in the view's own axes.
    View* swipe(View* view, SwipeDirection direction);
    // A finger drag by `translation` window points in `steps` moves.
    View* drag(View* view, Size translation, int steps = 10);
    // The wheel over the view's middle (positive: towards the content's end).
    bool scrollWheel(View* view, Size delta);
    // Text and keys for the first responder; false when nothing takes text.
    bool type(const std::string& text);
    bool deleteBackward(int count = 1);
    bool pressReturn();
    // Taps the field to make it first responder, then types.
    bool typeInto(View* field, const std::string& text);

    // The view's shown text (label text, button title, field text); empty for none.
    std::string text(const View* view) const { return view ? view->displayedText() : std::string(); }
    std::string text(const std::string& identifier) const { return text(find(identifier)); }
    // One line per view, indented by depth: class, frame, identifier, tag, text.
    std::string dumpTree() const;
    // The window rendered through its layers at `scale` pixels per point.
    gfx::Image screenshot(double scale = 1) const;
    bool saveScreenshot(const std::string& path, double scale = 1) const;

  private:
    Point middleOf(const View* view) const;
    Window& window_;
    Host& host_;
};

} // namespace ui
