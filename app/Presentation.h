// Where a screen inside a presented container (a navigation controller shown as a popover, say) finds
// the controller that presented that container, to close the whole of it.
#pragma once

#include "platform/ui/ViewController.h"

inline ui::ViewController* presenterOfContainer(ui::ViewController& screen) {
    ui::ViewController* container = &screen;
    while (container->parentViewController())
        container = container->parentViewController();
    return container->presentingViewController();
}

// The arrow direction of the popover the screen's container was presented in (0: shown full screen or
// not presented at all).
inline unsigned containerArrowDirection(ui::ViewController& screen) {
    ui::ViewController* container = &screen;
    while (container->parentViewController())
        container = container->parentViewController();
    return container->popoverPresentationController().arrowDirection;
}
