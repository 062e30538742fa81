// The environment a screen lays itself out for: pad or phone idiom, size classes, orientation and the
// screen size. Set per window (by the host), overridden per controller or per test.
#pragma once

#include "platform/graphics/Geometry.h"

namespace ui {

enum class UserInterfaceIdiom { Phone, Pad };
enum class SizeClass { Unspecified, Compact, Regular };
enum class InterfaceOrientation { Portrait, PortraitUpsideDown, LandscapeLeft, LandscapeRight };

struct TraitCollection {
    UserInterfaceIdiom idiom = UserInterfaceIdiom::Pad;
    SizeClass horizontalSizeClass = SizeClass::Regular;
    SizeClass verticalSizeClass = SizeClass::Regular;
    InterfaceOrientation orientation = InterfaceOrientation::LandscapeLeft;
    gfx::Size screenSize{1024, 768};
    friend bool operator==(const TraitCollection&, const TraitCollection&) = default;

    bool isLandscape() const {
        return orientation == InterfaceOrientation::LandscapeLeft ||
               orientation == InterfaceOrientation::LandscapeRight;
    }
    // A pad is regular both ways; a phone is compact across and regular upright (compact in landscape).
    static TraitCollection forScreen(UserInterfaceIdiom idiom, gfx::Size screen) {
        TraitCollection t;
        t.idiom = idiom;
        t.screenSize = screen;
        bool landscape = screen.width > screen.height;
        t.orientation = landscape ? InterfaceOrientation::LandscapeLeft : InterfaceOrientation::Portrait;
        if (idiom == UserInterfaceIdiom::Phone) {
            t.horizontalSizeClass = SizeClass::Compact;
            t.verticalSizeClass = landscape ? SizeClass::Compact : SizeClass::Regular;
        }
        return t;
    }
};

} // namespace ui
