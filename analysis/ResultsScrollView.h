// A result screen's scroll view, which has the screen lay its content out again whenever its width
// changes (the screen's view is sized by its container only after it was built).
#pragma once

#include "platform/ui/ScrollView.h"

#include <functional>
#include <memory>

class ResultsScrollView : public ui::ScrollView {
  public:
    using ui::ScrollView::ScrollView;
    std::function<void()> onWidthChange;

    // One at `frame` in `root`, named by `identifier`, growing with the root and calling `relayout` when
    // its width changes.
    static std::shared_ptr<ResultsScrollView> addTo(ui::View& root, const ui::Rect& frame, const char* identifier,
                                                    std::function<void()> relayout) {
        auto scroll = std::make_shared<ResultsScrollView>(frame);
        scroll->onWidthChange = std::move(relayout);
        scroll->setIdentifier(identifier);
        scroll->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
        root.addSubview(scroll);
        return scroll;
    }

  protected:
    void boundsSizeDidChange(ui::Size old) override {
        ui::ScrollView::boundsSizeDidChange(old);
        if (onWidthChange && old.width != bounds().size.width)
            onWidthChange();
    }
};
