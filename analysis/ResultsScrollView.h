// A result screen's scroll view, which has the screen lay its content out again whenever its width
// changes (the screen's view is sized by its container only after it was built).
#pragma once

#include "platform/ui/ScrollView.h"

#include <functional>

class ResultsScrollView : public ui::ScrollView {
  public:
    using ui::ScrollView::ScrollView;
    std::function<void()> onWidthChange;

  protected:
    void boundsSizeDidChange(ui::Size old) override {
        ui::ScrollView::boundsSizeDidChange(old);
        if (onWidthChange && old.width != bounds().size.width)
            onWidthChange();
    }
};
