// Evaluation and sampling of colour ramps.
#include "platform/graphics/Gradient.h"

#include <algorithm>

namespace gfx {

Color Gradient::colorAt(double t) const {
    if (function_)
        return function_(t);
    if (stops_.empty())
        return Color::clear();
    if (t <= stops_.front().location)
        return stops_.front().color;
    for (size_t i = 1; i < stops_.size(); ++i) {
        const GradientStop& a = stops_[i - 1];
        const GradientStop& b = stops_[i];
        if (t <= b.location) {
            double span = b.location - a.location;
            double f = span > 0 ? (t - a.location) / span : 1;
            return {a.color.red + (b.color.red - a.color.red) * f,
                    a.color.green + (b.color.green - a.color.green) * f,
                    a.color.blue + (b.color.blue - a.color.blue) * f,
                    a.color.alpha + (b.color.alpha - a.color.alpha) * f};
        }
    }
    return stops_.back().color;
}

std::vector<GradientStop> Gradient::stopsBetween(double from, double to, int samples) const {
    std::vector<GradientStop> out;
    if (!function_ && from == 0 && to == 1) {
        out = stops_;
        for (GradientStop& s : out)
            s.location = std::clamp(s.location, 0.0, 1.0);
        return out;
    }
    if (!function_) {
        // Keep the stops inside the window exactly, with the ramp's colours at its ends.
        double span = to - from;
        out.push_back({0, colorAt(from)});
        for (const GradientStop& s : stops_)
            if (s.location > from && s.location < to && span > 0)
                out.push_back({(s.location - from) / span, s.color});
        out.push_back({1, colorAt(to)});
        return out;
    }
    samples = std::max(samples, 2);
    for (int i = 0; i < samples; ++i) {
        double u = double(i) / (samples - 1);
        out.push_back({u, function_(from + (to - from) * u)});
    }
    return out;
}

} // namespace gfx
