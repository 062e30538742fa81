// A screen's root view that lays the screen out again whenever its size changes: screens built in code
// place their outlets by frame from the size they are given.
#pragma once

#include "platform/ui/View.h"

#include <functional>

class LayoutView : public ui::View {
  public:
    using View::View;
    std::function<void()> onLayout;
    void layoutSubviews() override {
        if (onLayout)
            onLayout();
    }
};
