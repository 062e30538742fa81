// Gradients: stop lists, the three blendings, axial and radial painting, the named gradients, archives.
#include "plot/foundation/CPTGradient.h"

#include "plot/foundation/CPTArchiving.h"
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTException.h"

#include <cmath>
#include <limits>
#include <string>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Outputs of a shading are clamped to 0...1; NaN counts as 0.
double unit(double x) {
    return x > 1 ? 1 : x > 0 ? x : 0;
}

gfx::Color toColor(const CPTRGBAColor& c) {
    return {unit(c.red), unit(c.green), unit(c.blue), unit(c.alpha)};
}

std::string indexed(const char* name, std::size_t index) {
    return name + std::to_string(index);
}

CPTGradientElement element(CGFloat red, CGFloat green, CGFloat blue, CGFloat position) {
    return {{red, green, blue, 1.0}, position};
}

CPTGradientElement gray(CGFloat g, CGFloat position) {
    return element(g, g, g, position);
}

} // namespace

void CPTGradientRGBToHSV(CGFloat* c) {
    const double r = c[0], g = c[1], b = c[2];
    const double max = std::fmax(r, std::fmax(g, b));
    const double min = std::fmin(r, std::fmin(g, b));
    const double d = max - min;
    double h;
    if (max == r) {
        h = 60 * (g - b) / d;
        if (g < b)
            h += 360;
    } else if (max == g) {
        h = 60 * (b - r) / d + 120;
    } else if (max == b) {
        h = 60 * (r - g) / d + 240;
    } else {
        h = kNaN;
    }
    c[0] = h;
    c[1] = max == 0 ? 0 : 1 - min / max;
    c[2] = max;
}

void CPTGradientHSVToRGB(CGFloat* c) {
    const double h = c[0], s = c[1], v = c[2];
    const double x = std::fmod(h, 360) / 60;
    // A negative or NaN hue would make a sector outside 0...5: black, before any integer conversion.
    if (!(x >= 0)) {
        c[0] = c[1] = c[2] = 0;
        return;
    }
    const int k = static_cast<int>(std::floor(x)) % 6;
    const double f = x - k;
    const double p = v * (1 - s);
    const double q = v * (1 - f * s);
    const double t = v * (1 - (1 - f) * s);
    const double rgb[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
    c[0] = rgb[k][0];
    c[1] = rgb[k][1];
    c[2] = rgb[k][2];
}

CPTGradient::CPTGradient() : colorspace_(CPTColorSpace::genericRGBSpace()) {}

// ---- stops

void CPTGradient::addElement(const CPTGradientElement& e) {
    // After every stop at or before the position, so equal positions keep the order they came in.
    auto at = elements_.begin();
    if (!elements_.empty() && !(e.position < elements_.front().position)) {
        at = elements_.end();
        for (auto it = elements_.begin(); it != elements_.end(); ++it)
            if (it->position <= e.position)
                at = it + 1;
    }
    elements_.insert(at, e);
}

std::optional<CPTGradientElement> CPTGradient::removeElementAtIndex(std::size_t index) {
    if (index >= elements_.size())
        return std::nullopt;
    const CPTGradientElement removed = elements_[index];
    elements_.erase(elements_.begin() + static_cast<std::ptrdiff_t>(index));
    return removed;
}

std::optional<CPTGradientElement> CPTGradient::removeElementAtPosition(CGFloat position) {
    for (std::size_t i = 0; i < elements_.size(); ++i)
        if (elements_[i].position == position)
            return removeElementAtIndex(i);
    return std::nullopt;
}

std::optional<CPTGradientElement> CPTGradient::elementAtIndex(std::size_t index) const {
    if (index >= elements_.size())
        return std::nullopt;
    return elements_[index];
}

// ---- creation

std::shared_ptr<CPTGradient> CPTGradient::gradientWithBeginningColor(const CPTColor& begin, const CPTColor& end) {
    return gradientWithBeginningColor(begin, end, 0.0, 1.0);
}

std::shared_ptr<CPTGradient> CPTGradient::gradientWithBeginningColor(const CPTColor& begin, const CPTColor& end,
                                                                     CGFloat beginningPosition,
                                                                     CGFloat endingPosition) {
    auto gradient = std::make_shared<CPTGradient>();
    gradient->addElement({CPTColorGetRGBA(begin.cgColor()), beginningPosition});
    gradient->addElement({CPTColorGetRGBA(end.cgColor()), endingPosition});
    return gradient;
}

namespace {
std::shared_ptr<CPTGradient> named(std::initializer_list<CPTGradientElement> stops, CPTGradientBlendingMode mode) {
    auto gradient = std::make_shared<CPTGradient>();
    for (const CPTGradientElement& e : stops)
        gradient = gradient->addColorStop(
            CPTColor(gfx::Color{e.color.red, e.color.green, e.color.blue, e.color.alpha}), e.position);
    return mode == CPTLinearBlendingMode ? gradient : gradient->gradientWithBlendingMode(mode);
}
} // namespace

std::shared_ptr<CPTGradient> CPTGradient::aquaSelectedGradient() {
    return named({element(0.58, 0.86, 0.98, 0.0), element(0.42, 0.68, 0.90, 0.5), element(0.64, 0.80, 0.94, 0.5),
                  element(0.56, 0.70, 0.90, 1.0)},
                 CPTLinearBlendingMode);
}

std::shared_ptr<CPTGradient> CPTGradient::aquaNormalGradient() {
    return named({gray(0.95, 0.0), gray(0.83, 0.5), gray(0.95, 0.5), gray(0.92, 1.0)}, CPTLinearBlendingMode);
}

std::shared_ptr<CPTGradient> CPTGradient::aquaPressedGradient() {
    return named({gray(0.80, 0.0), gray(0.64, 0.5), gray(0.80, 0.5), gray(0.77, 1.0)}, CPTLinearBlendingMode);
}

std::shared_ptr<CPTGradient> CPTGradient::unifiedSelectedGradient() {
    return named({gray(0.85, 0.0), gray(0.95, 1.0)}, CPTLinearBlendingMode);
}

std::shared_ptr<CPTGradient> CPTGradient::unifiedNormalGradient() {
    return named({gray(0.75, 0.0), gray(0.90, 1.0)}, CPTLinearBlendingMode);
}

std::shared_ptr<CPTGradient> CPTGradient::unifiedPressedGradient() {
    return named({gray(0.60, 0.0), gray(0.75, 1.0)}, CPTLinearBlendingMode);
}

std::shared_ptr<CPTGradient> CPTGradient::unifiedDarkGradient() {
    return named({gray(0.68, 0.0), gray(0.83, 1.0)}, CPTLinearBlendingMode);
}

std::shared_ptr<CPTGradient> CPTGradient::sourceListSelectedGradient() {
    return named({element(0.06, 0.37, 0.85, 0.0), element(0.30, 0.60, 0.92, 1.0)}, CPTLinearBlendingMode);
}

std::shared_ptr<CPTGradient> CPTGradient::sourceListUnselectedGradient() {
    return named({gray(0.43, 0.0), gray(0.60, 1.0)}, CPTLinearBlendingMode);
}

std::shared_ptr<CPTGradient> CPTGradient::rainbowGradient() {
    return named({element(1.0, 0.0, 0.0, 0.0), element(0.54, 0.0, 1.0, 1.0)}, CPTChromaticBlendingMode);
}

std::shared_ptr<CPTGradient> CPTGradient::hydrogenSpectrumGradient() {
    struct Line {
        double hue, position, width;
    };
    const Line lines[] = {{22.0, 0.145, 0.01}, {200.0, 0.71, 0.008}, {253.0, 0.885, 0.005}, {275.0, 0.965, 0.003}};
    auto gradient = std::make_shared<CPTGradient>();
    auto add = [&](double hue, double value, double position) {
        CGFloat c[3] = {hue, 1.0, value};
        CPTGradientHSVToRGB(c);
        gradient->addElement(element(c[0], c[1], c[2], position));
    };
    for (const Line& line : lines) {
        add(line.hue - 180 * line.width, 0.001, line.position - line.width);
        add(line.hue, 1.0, line.position);
        add(line.hue + 180 * line.width, 0.001, line.position + line.width);
    }
    gradient->setBlendingMode(CPTChromaticBlendingMode);
    return gradient;
}

// ---- derived gradients

std::shared_ptr<CPTGradient> CPTGradient::copy() const {
    auto gradient = std::make_shared<CPTGradient>();
    for (const CPTGradientElement& e : elements_)
        gradient->addElement(e);
    gradient->setBlendingMode(blendingMode_);
    gradient->angle_ = angle_;
    gradient->gradientType_ = gradientType_;
    gradient->startAnchor_ = startAnchor_;
    gradient->endAnchor_ = endAnchor_;
    return gradient;
}

std::shared_ptr<CPTGradient> CPTGradient::gradientWithAlphaComponent(CGFloat alpha) const {
    auto gradient = std::make_shared<CPTGradient>();
    for (CPTGradientElement e : elements_) {
        e.color.alpha = alpha;
        gradient->addElement(e);
    }
    gradient->setBlendingMode(blendingMode_);
    gradient->angle_ = angle_;
    gradient->gradientType_ = gradientType_;
    return gradient;
}

std::shared_ptr<CPTGradient> CPTGradient::gradientWithBlendingMode(CPTGradientBlendingMode mode) const {
    auto gradient = copy();
    gradient->setBlendingMode(mode);
    return gradient;
}

std::shared_ptr<CPTGradient> CPTGradient::addColorStop(const CPTColor& color, CGFloat position) const {
    auto gradient = copy();
    gradient->addElement({CPTColorGetRGBA(color.cgColor()), position});
    return gradient;
}

std::shared_ptr<CPTGradient> CPTGradient::removeColorStopAtPosition(CGFloat position) const {
    auto gradient = copy();
    if (!gradient->removeElementAtPosition(position))
        throw CPTException(NSRangeException, std::string("-[") + className() +
                                                 " removeColorStopAtPosition:]: no such colorStop at position (" +
                                                 CPTFormatGeneral(position) + ")");
    return gradient;
}

std::shared_ptr<CPTGradient> CPTGradient::removeColorStopAtIndex(std::uint64_t index) const {
    auto gradient = copy();
    if (!gradient->removeElementAtIndex(static_cast<std::size_t>(index)))
        throw CPTException(NSRangeException, std::string("-[") + className() + " removeColorStopAtIndex:]: index (" +
                                                 std::to_string(index) + ") beyond bounds");
    return gradient;
}

// ---- queries

gfx::Color CPTGradient::newColorStopAtIndex(std::uint64_t index) const {
    if (index >= elements_.size())
        throw CPTException(NSRangeException, std::string("-[") + className() + " colorStopAtIndex:]: index (" +
                                                 std::to_string(index) + ") beyond bounds");
    const CPTRGBAColor& c = elements_[static_cast<std::size_t>(index)].color;
    return {c.red, c.green, c.blue, c.alpha};
}

std::pair<std::size_t, std::size_t> CPTGradient::stopsAround(CGFloat t) const {
    // A walks on while the next stop lies before t; B is the first stop at or after t, else the last.
    std::size_t a = 0;
    for (std::size_t n = 1; n < elements_.size(); ++n) {
        if (elements_[n].position >= t)
            return {a, n};
        a = n;
    }
    return {a, a};
}

CPTRGBAColor CPTGradient::linearEvaluate(CGFloat t) const {
    if (elements_.empty())
        return {1, 1, 1, 1};
    const auto [a, b] = stopsAround(t);
    const CPTGradientElement& A = elements_[a];
    const CPTGradientElement& B = elements_[b];
    if (t <= A.position)
        return A.color;
    if (t >= B.position)
        return B.color;
    const double f = (t - A.position) / (B.position - A.position);
    return {A.color.red + (B.color.red - A.color.red) * f, A.color.green + (B.color.green - A.color.green) * f,
            A.color.blue + (B.color.blue - A.color.blue) * f, A.color.alpha + (B.color.alpha - A.color.alpha) * f};
}

CPTRGBAColor CPTGradient::chromaticEvaluate(CGFloat t, bool inverse) const {
    if (elements_.empty())
        return {1, 1, 1, 1};
    const auto [a, b] = stopsAround(t);
    const CPTGradientElement& A = elements_[a];
    const CPTGradientElement& B = elements_[b];
    CGFloat ha[3] = {A.color.red, A.color.green, A.color.blue};
    CGFloat hb[3] = {B.color.red, B.color.green, B.color.blue};
    CPTGradientRGBToHSV(ha);
    CPTGradientRGBToHSV(hb);
    if (std::isnan(ha[0])) {
        ha[0] = hb[0] = std::isnan(hb[0]) ? 0 : hb[0];
    } else if (std::isnan(hb[0])) {
        hb[0] = ha[0];
    } else if (inverse) {
        if (ha[0] < hb[0])
            ha[0] += 360;
    } else if (ha[0] > hb[0]) {
        hb[0] += 360;
    }
    CGFloat out[3];
    double alpha;
    if (t <= A.position) {
        out[0] = ha[0], out[1] = ha[1], out[2] = ha[2];
        alpha = A.color.alpha;
    } else if (t >= B.position) {
        out[0] = hb[0], out[1] = hb[1], out[2] = hb[2];
        alpha = B.color.alpha;
    } else {
        const double f = (t - A.position) / (B.position - A.position);
        for (int i = 0; i < 3; ++i)
            out[i] = ha[i] + (hb[i] - ha[i]) * f;
        alpha = A.color.alpha + (B.color.alpha - A.color.alpha) * f;
    }
    CPTGradientHSVToRGB(out);
    return {out[0], out[1], out[2], alpha};
}

CPTRGBAColor CPTGradient::evaluate(CGFloat position) const {
    switch (blendingMode_) {
    case CPTLinearBlendingMode:
        return linearEvaluate(position);
    case CPTChromaticBlendingMode:
        return chromaticEvaluate(position, false);
    case CPTInverseChromaticBlendingMode:
        return chromaticEvaluate(position, true);
    }
    return {0, 0, 0, 0};
}

gfx::Color CPTGradient::newColorAtPosition(CGFloat position) const {
    return toColor(evaluate(position));
}

bool CPTGradient::isOpaque() const {
    for (const CPTGradientElement& e : elements_)
        if (!(e.color.alpha >= 1.0))
            return false;
    return true;
}

bool CPTGradient::isEqual(const CPTGradient* other) const {
    if (other == this)
        return true;
    if (!other || blendingMode_ != other->blendingMode_ || angle_ != other->angle_ ||
        gradientType_ != other->gradientType_ || elements_.size() != other->elements_.size())
        return false;
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        const CPTGradientElement& a = elements_[i];
        const CPTGradientElement& b = other->elements_[i];
        if (a.color.red != b.color.red || a.color.green != b.color.green || a.color.blue != b.color.blue ||
            a.color.alpha != b.color.alpha || a.position != b.position)
            return false;
    }
    return true;
}

std::uint64_t CPTGradient::hash() const {
    if (elements_.empty())
        return static_cast<std::uint64_t>(blendingMode_) + static_cast<std::uint64_t>(gradientType_);
    const CPTRGBAColor& c = elements_.front().color;
    return CPTIntegerFromDouble<std::uint64_t>(c.red * 256.0 + c.green * 65536.0 + c.blue * 16777216.0 +
                                               c.alpha * 4294967296.0);
}

// ---- painting

gfx::Gradient CPTGradient::shadingGradient() const {
    constexpr int kSamples = 256;
    // Distinct stop positions inside 0...1, with whether more than one stop sits there (a hard edge).
    struct Edge {
        double position;
        bool hard;
    };
    std::vector<Edge> edges;
    for (const CPTGradientElement& e : elements_) {
        if (!(e.position >= 0 && e.position <= 1))
            continue;
        if (!edges.empty() && edges.back().position == e.position)
            edges.back().hard = true;
        else
            edges.push_back({e.position, false});
    }
    std::vector<gfx::GradientStop> stops;
    stops.reserve(kSamples + 2 * edges.size());
    std::size_t next = 0;
    auto emitEdge = [&](const Edge& edge) {
        stops.push_back({edge.position, newColorAtPosition(edge.position)});
        // Just past the edge the ramp continues from the last stop there.
        if (edge.hard)
            stops.push_back(
                {edge.position, newColorAtPosition(std::nextafter(edge.position, std::numeric_limits<double>::infinity()))});
    };
    for (int i = 0; i < kSamples; ++i) {
        const double t = static_cast<double>(i) / (kSamples - 1);
        bool onEdge = false;
        while (next < edges.size() && edges[next].position <= t) {
            onEdge = edges[next].position == t;
            emitEdge(edges[next++]);
        }
        if (!onEdge)
            stops.push_back({t, newColorAtPosition(t)});
    }
    for (; next < edges.size(); ++next)
        emitEdge(edges[next]);
    return gfx::Gradient(std::move(stops));
}

void CPTGradient::axialEnds(CGRect rect, CGPoint& start, CGPoint& end) const {
    if (angle_ == 0) {
        start = {rect.minX(), rect.minY()};
        end = {rect.maxX(), rect.minY()};
        return;
    }
    if (angle_ == 90) {
        start = {rect.minX(), rect.minY()};
        end = {rect.minX(), rect.maxY()};
        return;
    }
    const double r = angle_ * 0.017453292519943295;
    const double c = std::cos(r), s = std::sin(r);
    // Long enough that both far corners project onto the ends.
    const double length = rect.width() * std::fabs(c) + rect.height() * std::fabs(s);
    const CGPoint centre{rect.midX(), rect.midY()};
    start = {centre.x - c * length / 2, centre.y - s * length / 2};
    end = {centre.x + c * length / 2, centre.y + s * length / 2};
}

void CPTGradient::paint(CGRect rect, gfx::Context& context) const {
    switch (gradientType_) {
    case CPTGradientTypeAxial: {
        CGPoint start, end;
        axialEnds(rect, start, end);
        context.drawLinearGradient(shadingGradient(), start, end, 0);
        return;
    }
    case CPTGradientTypeRadial: {
        const double w = rect.width(), h = rect.height();
        // An ellipse without area (or without a finite size) has nothing to show, and its scale would
        // make the context singular.
        if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h))
            return;
        CGPoint s{rect.minX() + w * startAnchor_.x, rect.minY() + h * startAnchor_.y};
        CGPoint e{rect.minX() + w * endAnchor_.x, rect.minY() + h * endAnchor_.y};
        double radius;
        if (h > w) {
            const double k = w / h;
            s.x /= k;
            e.x /= k;
            radius = h / 2;
            context.scaleCTM(k, 1);
        } else {
            const double k = h / w;
            s.y /= k;
            e.y /= k;
            radius = w / 2;
            context.scaleCTM(1, k);
        }
        context.drawRadialGradient(shadingGradient(), s, -1.0, e, radius,
                                   gfx::GradientDrawsBeforeStart | gfx::GradientDrawsAfterEnd);
        return;
    }
    }
}

void CPTGradient::fillRect(CGRect rect, gfx::Context& context) const {
    context.saveGState();
    context.clipToRect(rect);
    paint(rect, context);
    context.restoreGState();
}

void CPTGradient::fillPathInContext(gfx::Context& context) const {
    if (context.isPathEmpty())
        return;
    context.saveGState();
    const CGRect bounds = context.pathBoundingBox();
    context.clip();
    paint(bounds, context);
    context.restoreGState();
}

gfx::Image CPTGradient::debugQuickLookObject() const {
    return CPTQuickLookImage(CGRect(0, 0, 100, 100), [this](gfx::Context& context, CGFloat, CGRect rect) {
        if (gradientType_ == CPTGradientTypeRadial)
            context.addEllipseInRect(rect);
        else
            context.addRect(rect);
        fillPathInContext(context);
    });
}

// ---- archiving

void CPTGradient::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        const CPTGradientElement& e = elements_[i];
        encodeCGFloat(coder, e.color.red, indexed("red", i));
        encodeCGFloat(coder, e.color.green, indexed("green", i));
        encodeCGFloat(coder, e.color.blue, indexed("blue", i));
        encodeCGFloat(coder, e.color.alpha, indexed("alpha", i));
        encodeCGFloat(coder, e.position, indexed("position", i));
    }
    coder.encodeInteger(static_cast<std::int64_t>(elements_.size()), "CPTGradient.elementCount");
    coder.encodeInteger(blendingMode_, "CPTGradient.blendingMode");
    encodeCGFloat(coder, angle_, "CPTGradient.angle");
    coder.encodeInteger(gradientType_, "CPTGradient.type");
    encodeCPTPoint(coder, startAnchor_, "CPTPlotSymbol.startAnchor");
    encodeCPTPoint(coder, endAnchor_, "CPTPlotSymbol.endAnchor");
}

std::shared_ptr<CPTGradient> CPTGradient::gradientWithCoder(foundation::KeyedUnarchiver& coder) {
    auto gradient = std::make_shared<CPTGradient>();
    gradient->gradientType_ = static_cast<CPTGradientType>(coder.decodeIntegerForKey("CPTGradient.type"));
    gradient->angle_ = decodeCGFloatForKey(coder, "CPTGradient.angle");
    gradient->setBlendingMode(static_cast<CPTGradientBlendingMode>(coder.decodeIntegerForKey("CPTGradient.blendingMode")));
    gradient->startAnchor_ = decodeCPTPointForKey(coder, "CPTPlotSymbol.startAnchor");
    gradient->endAnchor_ = decodeCPTPointForKey(coder, "CPTPlotSymbol.endAnchor");
    const std::int64_t count = coder.decodeIntegerForKey("CPTGradient.elementCount");
    if (count < 0)
        coder.failWithError("A gradient has a negative number of stops.");
    for (std::int64_t i = 0; i < count && !coder.failed(); ++i) {
        const auto index = static_cast<std::size_t>(i);
        // A count beyond the stored stops would read zeros for ever: stop at the first missing one.
        if (!coder.containsValueForKey(indexed("position", index))) {
            coder.failWithError("The gradient has fewer stops than its count.");
            break;
        }
        CPTGradientElement e;
        e.color.red = decodeCGFloatForKey(coder, indexed("red", index));
        e.color.green = decodeCGFloatForKey(coder, indexed("green", index));
        e.color.blue = decodeCGFloatForKey(coder, indexed("blue", index));
        e.color.alpha = decodeCGFloatForKey(coder, indexed("alpha", index));
        e.position = decodeCGFloatForKey(coder, indexed("position", index));
        gradient->addElement(e);
    }
    return coder.failed() ? nullptr : gradient;
}

void CPTGradient::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    CPTEncodeObject(coder, *this, className(), key);
}

std::shared_ptr<CPTGradient> CPTGradient::decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key) {
    return CPTDecodeObject(coder, key, {className()}, gradientWithCoder);
}
