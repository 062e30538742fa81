// The look the screens give their help bubbles: flat and light blue, black text, no border or shadow.
#pragma once

#include "controls/CMPopTipView.h"

inline void styleHelpTip(CMPopTipView& tip) {
    tip.setHas3DStyle(false);
    tip.setHasShadow(false);
    tip.setHasGradientBackground(false);
    tip.setBackgroundColor({0.6, 0.8, 1.0, 1});
    tip.setTextColor(ui::Color::black());
    tip.setTitleColor(ui::Color::black());
    tip.setBorderWidth(0);
}
