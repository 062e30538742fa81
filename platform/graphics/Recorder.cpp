// The recording backend and its one-line-per-call text form.
#include "platform/graphics/Recorder.h"

#include <charconv>
#include <cmath>

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

void Recorder::replay(Device& target, const AffineTransform& m) const {
    if (m.isIdentity()) {
        for (const Record& r : records_)
            send(target, r);
        return;
    }
    for (const Record& original : records_) {
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
