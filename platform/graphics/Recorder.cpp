// The recording backend and its one-line-per-call text form.
#include "platform/graphics/Recorder.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace gfx {

std::string formatNumber(double v) {
    if (!std::isfinite(v))
        return std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf");
    double r = std::round(v * 10000) / 10000;
    if (r == 0)
        r = 0;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, 4);
    std::string s(buf, res.ptr);
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

namespace {

std::string nums(std::initializer_list<double> values) {
    std::string s;
    for (double v : values) {
        if (!s.empty())
            s += ' ';
        s += formatNumber(v);
    }
    return s;
}

std::string pathText(const Path& path) {
    std::string s;
    for (const Path::Element& e : path.elements()) {
        if (!s.empty())
            s += ' ';
        switch (e.kind) {
        case Path::Kind::Move:
            s += "M " + nums({e.points[0].x, e.points[0].y});
            break;
        case Path::Kind::Line:
            s += "L " + nums({e.points[0].x, e.points[0].y});
            break;
        case Path::Kind::Quad:
            s += "Q " + nums({e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y});
            break;
        case Path::Kind::Cubic:
            s += "C " + nums({e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                              e.points[2].y});
            break;
        case Path::Kind::Close:
            s += "Z";
            break;
        }
    }
    return s;
}

std::string colorText(const Color& c) {
    return nums({c.red, c.green, c.blue, c.alpha});
}
std::string rectText(const Rect& r) {
    return nums({r.origin.x, r.origin.y, r.size.width, r.size.height});
}

std::string stateSuffix(const GraphicsState& st) {
    std::string s;
    if (st.alpha != 1)
        s += " alpha " + formatNumber(st.alpha);
    if (st.shadow.isVisible())
        s += " shadow " + nums({st.shadow.offset.width, st.shadow.offset.height, st.shadow.blur}) + " " +
             colorText(*st.shadow.color);
    if (st.clears)
        s += " clear";
    return s;
}

const char* capName(LineCap c) {
    return c == LineCap::Butt ? "butt" : c == LineCap::Round ? "round" : "square";
}
const char* joinName(LineJoin j) {
    return j == LineJoin::Miter ? "miter" : j == LineJoin::Round ? "round" : "bevel";
}

void appendLines(const Recorder& rec, std::vector<std::string>& out, const std::string& indent);

std::string recordLine(const Recorder::Record& r) {
    const GraphicsState& st = r.state;
    switch (r.op) {
    case Recorder::Op::Clip:
        return std::string("clip ") + (r.rule == FillRule::Winding ? "winding " : "evenodd ") +
               pathText(r.path);
    case Recorder::Op::Fill:
        return std::string("fill ") + (r.rule == FillRule::Winding ? "winding " : "evenodd ") +
               pathText(r.path) + " color " + colorText(st.fillColor) + stateSuffix(st);
    case Recorder::Op::Stroke: {
        // The width as the device sees it (for a uniform transform).
        double scale = std::sqrt(std::fabs(st.ctm.determinant()));
        std::string s = "stroke " + pathText(r.path) + " color " + colorText(st.strokeColor) + " width " +
                        formatNumber(st.stroke.width * scale) + " cap " + capName(st.stroke.cap) + " join " +
                        joinName(st.stroke.join) + " miter " + formatNumber(st.stroke.miterLimit);
        if (!st.stroke.dash.empty()) {
            s += " dash " + formatNumber(st.stroke.dashPhase) + ":";
            for (double d : st.stroke.dash)
                s += " " + formatNumber(d);
        }
        return s + stateSuffix(st);
    }
    case Recorder::Op::Shading: {
        const Shading& sh = r.shading;
        std::string s = sh.kind == Shading::Kind::Axial
                            ? "axial " + nums({sh.start.x, sh.start.y, sh.end.x, sh.end.y})
                            : "radial " + nums({sh.start.x, sh.start.y, sh.startRadius, sh.end.x, sh.end.y,
                                                sh.endRadius});
        s += " stops " + std::to_string(sh.stops.size());
        if (sh.extendStart)
            s += " extend-start";
        if (sh.extendEnd)
            s += " extend-end";
        return s + stateSuffix(st);
    }
    case Recorder::Op::Image:
    case Recorder::Op::TiledImage:
        return std::string(r.op == Recorder::Op::Image ? "image " : "tiled-image ") +
               std::to_string(r.image.pixelWidth()) + "x" + std::to_string(r.image.pixelHeight()) + "@" +
               formatNumber(r.image.scale()) + " " + rectText(r.deviceRect) + stateSuffix(st);
    case Recorder::Op::Text: {
        std::string s = "text";
        for (const TextLayout::Line& line : r.text->lines()) {
            Rect user = line.rect.offsetBy(r.origin.x, r.origin.y);
            s += " \"" + line.text + "\" " + rectText(st.ctm.apply(user));
        }
        return s + stateSuffix(st);
    }
    case Recorder::Op::Group:
        return "group " + rectText(r.deviceRect) + stateSuffix(st);
    case Recorder::Op::BeginPage:
        return "page " + rectText(r.rect);
    case Recorder::Op::EndPage:
        return "endpage";
    case Recorder::Op::Save:
    case Recorder::Op::Restore:
        break;
    }
    return {};
}

void appendLines(const Recorder& rec, std::vector<std::string>& out, const std::string& indent) {
    for (const Recorder::Record& r : rec.records()) {
        if (r.op == Recorder::Op::Save || r.op == Recorder::Op::Restore)
            continue;
        out.push_back(indent + recordLine(r));
        if (r.op == Recorder::Op::Group && r.group)
            appendLines(*r.group, out, indent + "  ");
    }
}

} // namespace

std::vector<std::string> Recorder::lines() const {
    std::vector<std::string> out;
    appendLines(*this, out, "");
    return out;
}

Rect Recorder::contentBounds() const {
    Rect box = Rect::null();
    for (const Record& r : records_) {
        switch (r.op) {
        case Op::Fill:
        case Op::Stroke:
        case Op::Shading:
        case Op::Image:
        case Op::TiledImage:
        case Op::Text:
        case Op::Group:
            box = box.unionWith(r.deviceRect.insetBy(-1, -1));
            break;
        default:
            break;
        }
    }
    return box;
}

void Recorder::sendMapped(Device& target, const Record& original, const AffineTransform& m) {
    Record r = original;
    r.path = original.path.transformed(m);
    r.state.ctm = original.state.ctm.concat(m);
    if (!original.state.clipBox.isNull())
        r.state.clipBox = m.apply(original.state.clipBox);
    r.deviceRect = m.apply(original.deviceRect);
    if (r.op == Op::Group) {
        // The group's own calls are mapped too.
        r.group = std::make_shared<Recorder>(original.group->mapped(m));
    }
    send(target, r);
}

void Recorder::replay(Device& target, const AffineTransform& m) const {
    for (const Record& r : records_) {
        if (m.isIdentity())
            send(target, r);
        else
            sendMapped(target, r, m);
    }
}

namespace {

// Larger than any page, yet a finite rect.
const double kBoundless = std::numeric_limits<double>::max() / 4;

// The rectangle a clip path is, when it is an axis-aligned rectangle (as clipping to a rect makes it).
std::optional<Rect> clipRectangle(const Path& path) {
    const auto& e = path.elements();
    if (e.size() < 4 || e.size() > 6 || e[0].kind != Path::Kind::Move)
        return std::nullopt;
    const Rect box = path.boundingBox();
    int corners = 0;
    for (const Path::Element& element : e) {
        if (element.kind == Path::Kind::Close)
            continue;
        if (element.kind != Path::Kind::Move && element.kind != Path::Kind::Line)
            return std::nullopt;
        const Point p = element.points[0];
        if ((p.x != box.minX() && p.x != box.maxX()) || (p.y != box.minY() && p.y != box.maxY()))
            return std::nullopt;
        ++corners;
    }
    return corners >= 4 ? std::optional<Rect>(box) : std::nullopt;
}

// How far a stroke reaches from its path: half its width at caps (more for square caps) and at joins
// (the miter limit's share for miter joins), in device units.
Rect strokeBounds(const Path& path, const GraphicsState& st) {
    const AffineTransform& t = st.ctm;
    // The largest stretch of the transform: its greatest singular value.
    const double q = (t.a * t.a + t.b * t.b + t.c * t.c + t.d * t.d) / 2, det = t.a * t.d - t.b * t.c;
    const double stretch = std::sqrt(q + std::sqrt(std::fmax(0.0, q * q - det * det)));
    const double half = std::fmax(st.stroke.width * stretch, 1.0) / 2;
    const double cap = st.stroke.cap == LineCap::Square ? half * std::sqrt(2.0) : half;
    const double join = st.stroke.join == LineJoin::Miter ? half * std::fmax(1.0, st.stroke.miterLimit) : half;
    const auto& e = path.elements();
    Rect box = Rect::null();
    auto add = [&](Point p, double reach) { box = box.unionWith(Rect(p.x - reach, p.y - reach, 2 * reach, 2 * reach)); };
    for (std::size_t start = 0; start < e.size();) {
        std::size_t end = start + 1;
        while (end < e.size() && e[end].kind != Path::Kind::Move)
            ++end;
        bool closed = false;
        std::size_t lastDrawn = start;
        for (std::size_t i = start; i < end; ++i) {
            if (e[i].kind == Path::Kind::Close)
                closed = true;
            else
                lastDrawn = i;
        }
        for (std::size_t i = start; i < end; ++i) {
            const Path::Element& el = e[i];
            if (el.kind == Path::Kind::Close)
                continue;
            const int count = el.kind == Path::Kind::Cubic ? 3 : el.kind == Path::Kind::Quad ? 2 : 1;
            for (int k = 0; k < count; ++k) {
                // The two ends of an open run take caps; every other point may take a join.
                const bool runEnd = !closed && ((i == start) || (i == lastDrawn && k + 1 == count));
                add(el.points[k], runEnd ? cap : std::fmax(cap, join));
            }
        }
        start = end;
    }
    return box;
}

// Where a drawing call can paint, in device space.
Rect painted(const Recorder::Record& r) {
    Rect box;
    switch (r.op) {
    case Recorder::Op::Fill:
        box = r.path.boundingBox();
        break;
    case Recorder::Op::Stroke:
        box = strokeBounds(r.path, r.state);
        break;
    case Recorder::Op::Image:
    case Recorder::Op::Text:
    case Recorder::Op::Group:
        box = r.deviceRect;
        break;
    case Recorder::Op::Shading:
    case Recorder::Op::TiledImage:
        // They paint whatever the clip lets through.
        return Rect(-kBoundless, -kBoundless, 2 * kBoundless, 2 * kBoundless);
    default:
        return Rect::null();
    }
    if (r.state.shadow.isVisible() && !box.isNull()) {
        const Shadow& s = r.state.shadow;
        const Rect cast = box.offsetBy(s.offset.width, s.offset.height).insetBy(-2 * s.blur - 1, -2 * s.blur - 1);
        box = box.unionWith(cast);
    }
    return box;
}

bool holds(const Rect& clip, const Rect& content) {
    // Half a pixel inside, so that a clip snapped to whole pixels still cannot cut an antialiased edge.
    const Rect inner = clip.insetBy(0.5, 0.5);
    return content.isNull() || (isFinite(content) && content.minX() >= inner.minX() && content.maxX() <= inner.maxX() &&
                                content.minY() >= inner.minY() && content.maxY() <= inner.maxY());
}

} // namespace

const Recorder::Summary& Recorder::summary() const {
    if (summarized_ && summary_.records == records_.size())
        return summary_;
    summary_.records = records_.size();
    summary_.idle = idleRecords();
    summary_.painted = Rect::null();
    for (const Record& r : records_) {
        const Rect p = painted(r);
        if (!p.isNull())
            summary_.painted = summary_.painted.isNull() ? p : summary_.painted.unionWith(p);
    }
    summarized_ = true;
    return summary_;
}

Rect Recorder::paintedBounds() const {
    return summary().painted;
}

std::vector<bool> Recorder::idleRecords() const {
    const std::size_t n = records_.size();
    std::vector<bool> idle(n, false);
    // The restore that matches each save (n when none does).
    std::vector<std::size_t> match(n, n), open;
    for (std::size_t i = 0; i < n; ++i) {
        if (records_[i].op == Op::Save)
            open.push_back(i);
        else if (records_[i].op == Op::Restore && !open.empty()) {
            match[open.back()] = i;
            match[i] = open.back();
            open.pop_back();
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (records_[i].op != Op::Clip)
            continue;
        const auto rect = clipRectangle(records_[i].path);
        if (!rect)
            continue;
        // The clip holds until the restore of the save it was made under.
        Rect content = Rect::null();
        int depth = 0;
        for (std::size_t j = i + 1; j < n; ++j) {
            const Op op = records_[j].op;
            if (op == Op::Save)
                ++depth;
            if (op == Op::Restore && depth-- == 0)
                break;
            const Rect p = painted(records_[j]);
            if (!p.isNull())
                content = content.isNull() ? p : content.unionWith(p);
        }
        idle[i] = holds(*rect, content);
    }
    // A save and restore around no clip that stays guard nothing.
    for (std::size_t i = 0; i < n; ++i) {
        if (records_[i].op != Op::Save || match[i] == n)
            continue;
        bool guards = false;
        for (std::size_t j = i + 1; j < match[i] && !guards; ++j)
            guards = records_[j].op == Op::Clip && !idle[j];
        if (!guards)
            idle[i] = idle[match[i]] = true;
    }
    return idle;
}

void Recorder::replayWithoutIdleClips(Device& target, const AffineTransform& m) const {
    const std::vector<bool>& idle = summary().idle;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (idle[i])
            continue;
        if (m.isIdentity())
            send(target, records_[i]);
        else
            sendMapped(target, records_[i], m);
    }
}

Recorder Recorder::mapped(const AffineTransform& m) const {
    Recorder out(m.apply(bounds_), scale_);
    replay(out, m);
    return out;
}

void Recorder::send(Device& target, const Record& r) {
    switch (r.op) {
    case Op::Save:
        target.save();
        break;
    case Op::Restore:
        target.restore();
        break;
    case Op::Clip:
        target.clip(r.path, r.rule);
        break;
    case Op::Fill:
        target.fillPath(r.path, r.rule, r.state);
        break;
    case Op::Stroke:
        target.strokePath(r.path, r.state);
        break;
    case Op::Shading:
        target.drawShading(r.shading, r.state);
        break;
    case Op::Image:
        target.drawImage(r.image, r.rect, r.state);
        break;
    case Op::TiledImage:
        target.drawTiledImage(r.image, r.rect, r.state);
        break;
    case Op::Text:
        target.drawText(*r.text, r.origin, r.state);
        break;
    case Op::Group:
        target.drawGroup(*r.group, r.deviceRect, r.state);
        break;
    case Op::BeginPage:
        target.beginPage(r.rect);
        break;
    case Op::EndPage:
        target.endPage();
        break;
    }
}

namespace {
Recorder::Record makeRecord(Recorder::Op op) {
    Recorder::Record r;
    r.op = op;
    return r;
}
} // namespace

void Recorder::save() {
    records_.push_back(makeRecord(Op::Save));
}
void Recorder::restore() {
    records_.push_back(makeRecord(Op::Restore));
}

void Recorder::clip(const Path& devicePath, FillRule rule) {
    Record r = makeRecord(Op::Clip);
    r.path = devicePath;
    r.rule = rule;
    r.deviceRect = devicePath.boundingBox();
    records_.push_back(std::move(r));
}

void Recorder::fillPath(const Path& devicePath, FillRule rule, const GraphicsState& state) {
    Record r = makeRecord(Op::Fill);
    r.state = state;
    r.path = devicePath;
    r.rule = rule;
    r.deviceRect = devicePath.boundingBox();
    records_.push_back(std::move(r));
}

void Recorder::strokePath(const Path& devicePath, const GraphicsState& state) {
    Record r = makeRecord(Op::Stroke);
    r.state = state;
    r.path = devicePath;
    double grow = state.stroke.width * std::sqrt(std::fabs(state.ctm.determinant())) *
                      (state.stroke.join == LineJoin::Miter ? std::fmax(1, state.stroke.miterLimit) : 1) / 2 +
                  1;
    r.deviceRect = devicePath.boundingBox().insetBy(-grow, -grow);
    records_.push_back(std::move(r));
}

void Recorder::drawShading(const Shading& shading, const GraphicsState& state) {
    Rect clip = state.clipBox.isNull() ? bounds_ : state.clipBox;
    Record r = makeRecord(Op::Shading);
    r.state = state;
    r.deviceRect = clip;
    r.shading = shading;
    records_.push_back(std::move(r));
}

void Recorder::drawImage(const Image& image, const Rect& rect, const GraphicsState& state) {
    Record r = makeRecord(Op::Image);
    r.state = state;
    r.rect = rect;
    r.deviceRect = state.ctm.apply(rect);
    r.image = image;
    records_.push_back(std::move(r));
}

void Recorder::drawTiledImage(const Image& image, const Rect& tile, const GraphicsState& state) {
    Record r = makeRecord(Op::TiledImage);
    r.state = state;
    r.rect = tile;
    r.deviceRect = state.ctm.apply(tile);
    r.image = image;
    records_.push_back(std::move(r));
}

void Recorder::drawText(const TextLayout& layout, Point origin, const GraphicsState& state) {
    Size size = layout.size();
    Rect user(origin, size);
    Record r = makeRecord(Op::Text);
    r.state = state;
    r.rect = user;
    r.deviceRect = state.ctm.apply(user);
    r.text = std::make_shared<TextLayout>(layout);
    r.origin = origin;
    records_.push_back(std::move(r));
}

void Recorder::drawGroup(const Recorder& group, const Rect& deviceBounds, const GraphicsState& state) {
    Record r = makeRecord(Op::Group);
    r.state = state;
    r.deviceRect = deviceBounds;
    r.group = std::make_shared<Recorder>(group);
    records_.push_back(std::move(r));
}

void Recorder::beginPage(const Rect& mediaBox) {
    bounds_ = mediaBox;
    Record r = makeRecord(Op::BeginPage);
    r.rect = mediaBox;
    records_.push_back(std::move(r));
}

void Recorder::endPage() {
    records_.push_back(makeRecord(Op::EndPage));
}

RecordingContext makeRecordingContext(Rect bounds, double scale) {
    auto recorder = std::make_unique<Recorder>(bounds, scale);
    Recorder* raw = recorder.get();
    return {std::make_unique<Context>(std::move(recorder)), raw};
}

} // namespace gfx
