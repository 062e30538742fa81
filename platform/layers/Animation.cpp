// Timing and interpolation of property animations.
#include "platform/layers/Animation.h"

#include <algorithm>
#include <cmath>

namespace layers {

double Animation::activeDuration() const {
    double cycle = duration * (autoreverses ? 2 : 1);
    return cycle * (repeatCount > 0 ? repeatCount : 1);
}

std::optional<AnimatedValue> Animation::valueAt(double now) const {
    double begin = beginTime.value_or(now);
    double total = activeDuration();
    double t = now - begin;
    if (t < 0 || !(duration > 0) || t >= total)
        return std::nullopt;
    t = std::fmod(t + timeOffset, total);
    if (t < 0)
        t += total;
    double cycle = duration * (autoreverses ? 2 : 1);
    double c = std::fmod(t, cycle);
    double progress = autoreverses && c > duration ? 1 - (c - duration) / duration : c / duration;
    progress = std::clamp(progress, 0.0, 1.0);
    if (timing)
        progress = timing(progress);
    return interpolate(from, to, progress);
}

AnimatedValue interpolate(const AnimatedValue& from, const AnimatedValue& to, double t) {
    auto mix = [t](double a, double b) { return a + (b - a) * t; };
    if (from.index() != to.index())
        return t < 1 ? from : to;
    if (auto* a = std::get_if<double>(&from))
        return mix(*a, std::get<double>(to));
    if (auto* a = std::get_if<gfx::Point>(&from)) {
        const auto& b = std::get<gfx::Point>(to);
        return gfx::Point{mix(a->x, b.x), mix(a->y, b.y)};
    }
    if (auto* a = std::get_if<gfx::Size>(&from)) {
        const auto& b = std::get<gfx::Size>(to);
        return gfx::Size{mix(a->width, b.width), mix(a->height, b.height)};
    }
    if (auto* a = std::get_if<gfx::Rect>(&from)) {
        const auto& b = std::get<gfx::Rect>(to);
        return gfx::Rect(mix(a->origin.x, b.origin.x), mix(a->origin.y, b.origin.y),
                         mix(a->size.width, b.size.width), mix(a->size.height, b.size.height));
    }
    if (auto* a = std::get_if<gfx::AffineTransform>(&from)) {
        // Entry by entry: exact for the scales and translations views animate; a turn through it
        // would shrink on the way, which is what "transform.rotation.z" is for.
        const auto& b = std::get<gfx::AffineTransform>(to);
        return gfx::AffineTransform{mix(a->a, b.a), mix(a->b, b.b), mix(a->c, b.c),
                                    mix(a->d, b.d), mix(a->tx, b.tx), mix(a->ty, b.ty)};
    }
    const auto& a = std::get<gfx::Color>(from);
    const auto& b = std::get<gfx::Color>(to);
    return gfx::Color{mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue), mix(a.alpha, b.alpha)};
}

} // namespace layers
