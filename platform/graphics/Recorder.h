// The recording backend: keeps every drawing call with its resolved device geometry, state and text,
// for exact tests and for replaying a transparency group into another backend.
#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Device.h"

#include <memory>
#include <string>
#include <vector>

namespace gfx {

class Recorder : public Device {
  public:
    enum class Op {
        Save,
        Restore,
        Clip,
        Fill,
        Stroke,
        Shading,
        Image,
        TiledImage,
        Text,
        Group,
        BeginPage,
        EndPage
    };
    struct Record {
        Record() = default;
        Op op = Op::Save;
        GraphicsState state;
        Path path; // device space (fill, stroke, clip)
        FillRule rule = FillRule::Winding;
        Rect rect;       // user space as given (image, tile, group bounds, page)
        Rect deviceRect; // device space: the box of what is drawn (path, image, text, shading clip)
        Shading shading;
        Image image;
        std::shared_ptr<TextLayout> text;
        Point origin;                    // text origin, user space
        std::shared_ptr<Recorder> group; // the operations of a group
    };

    explicit Recorder(Rect bounds = Rect(0, 0, 1000, 1000), double scale = 1)
        : bounds_(bounds), scale_(scale) {}

    const std::vector<Record>& records() const { return records_; }
    // One line per drawing call (not save/restore), numbers rounded to 1e-4:
    // "fill winding M 0 0 L 10 0 L 10 10 Z color 1 0 0 1", "stroke ... width 2", "text \"Hi\" 10 20 30 14"
    // ...
    std::vector<std::string> lines() const;
    void clear() {
        records_.clear();
        summarized_ = false;
    }
    // The device-space box of everything drawn (not clips); the null rect when nothing was drawn.
    Rect contentBounds() const;
    // Sends every recorded call to another device, its device space mapped by `m` into the target's.
    void replay(Device& target, const AffineTransform& m = {}) const;
    // The same, leaving out each clip by a rectangle that cannot cut what is drawn while it holds, and the
    // saves and restores that then guard no clip (every call carries its whole state otherwise).
    void replayWithoutIdleClips(Device& target, const AffineTransform& m = {}) const;
    // The device-space box that the drawing calls can paint, from their geometry alone: strokes from their
    // joins and caps, shadows included; the null rect when nothing was drawn, and a boundless rect when a
    // call paints whatever its clip lets through (a shading, tiles).
    Rect paintedBounds() const;

    // The same calls with their device space mapped by `m`.
    Recorder mapped(const AffineTransform& m) const;

    double scale() const override { return scale_; }
    Rect bounds() const override { return bounds_; }
    void save() override;
    void restore() override;
    void clip(const Path& devicePath, FillRule rule) override;
    void fillPath(const Path& devicePath, FillRule rule, const GraphicsState& state) override;
    void strokePath(const Path& devicePath, const GraphicsState& state) override;
    void drawShading(const Shading& shading, const GraphicsState& state) override;
    void drawImage(const Image& image, const Rect& rect, const GraphicsState& state) override;
    void drawTiledImage(const Image& image, const Rect& tile, const GraphicsState& state) override;
    void drawText(const TextLayout& layout, Point origin, const GraphicsState& state) override;
    void drawGroup(const Recorder& group, const Rect& deviceBounds, const GraphicsState& state) override;
    void beginPage(const Rect& mediaBox) override;
    void endPage() override;

  private:
    static void send(Device& target, const Record& r);
    static void sendMapped(Device& target, const Record& original, const AffineTransform& m);
    // Per record: whether replayWithoutIdleClips leaves it out.
    std::vector<bool> idleRecords() const;
    // What the two replays and paintedBounds work out, kept while no call is recorded (a layer is drawn
    // once and replayed often).
    struct Summary {
        std::size_t records = 0;
        std::vector<bool> idle;
        Rect painted;
    };
    const Summary& summary() const;
    mutable Summary summary_;
    mutable bool summarized_ = false;
    Rect bounds_;
    double scale_;
    std::vector<Record> records_;
};

// A context drawing into a recorder; the recorder stays owned by the context.
struct RecordingContext {
    std::unique_ptr<Context> context;
    Recorder* recorder = nullptr;
};
RecordingContext makeRecordingContext(Rect bounds = Rect(0, 0, 1000, 1000), double scale = 1);

// A number as the recorder writes it: rounded to 1e-4, no trailing zeros, "-0" written "0".
std::string formatNumber(double v);

} // namespace gfx
