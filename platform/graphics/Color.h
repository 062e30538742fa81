// A colour as four components in device RGB, each 0...1, alpha not premultiplied.
#pragma once

namespace gfx {

struct Color {
    double red = 0, green = 0, blue = 0, alpha = 1;
    friend bool operator==(const Color&, const Color&) = default;

    static Color black() { return {0, 0, 0, 1}; }
    static Color white() { return {1, 1, 1, 1}; }
    static Color clear() { return {0, 0, 0, 0}; }
    static Color gray(double white, double alpha = 1) { return {white, white, white, alpha}; }
    Color withAlpha(double a) const { return {red, green, blue, a}; }
};

} // namespace gfx
