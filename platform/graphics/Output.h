// Where drawing goes: a bitmap (PNG), a PDF document (file or bytes), a printer. Each gives a Context.
#pragma once

#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gfx {

// A bitmap of pixelWidth x pixelHeight. With a scale above 1 user space is still in pixels; call
// scaleCTM(scale, scale) to draw in points (pointsContext does that).
class BitmapContext {
  public:
    BitmapContext(int pixelWidth, int pixelHeight, double scale = 1,
                  std::optional<Color> background = std::nullopt);
    ~BitmapContext();
    BitmapContext(const BitmapContext&) = delete;
    BitmapContext& operator=(const BitmapContext&) = delete;

    // A bitmap for `points` at `scale`, with user space in points (the transform scaled).
    static std::unique_ptr<BitmapContext> pointsContext(Size points, double scale,
                                                        std::optional<Color> background = std::nullopt);

    Context& context() { return *context_; }
    // The pixels drawn so far, with the scale.
    Image image() const;
    // The pixels drawn, with the scale, handed over without a copy: the bitmap ends, and whatever is
    // drawn in its context afterwards goes nowhere (image() is then empty).
    Image takeImage();
    bool writePNG(const std::string& path) const { return image().writePNG(path); }

  private:
    struct State;
    std::unique_ptr<State> state_;
    std::unique_ptr<Context> context_;
};

// A PDF at resolution 72 (one unit is one point), margins 0, each page of its own size; text stays text.
// Pages: context.beginPage(mediaBox) ... context.endPage(); finish() writes the file or the bytes.
// A zero-size page becomes 1 x 1 point; an empty default box means 612 x 792 points. Drawing before the
// first beginPage opens a page of the default box. A path that cannot be written: finish() answers false.
std::unique_ptr<Context> makePDFContext(const std::string& path, const Rect& defaultMediaBox);
// The document's bytes are stored in `*out` when the context finishes (or is destroyed).
std::unique_ptr<Context> makePDFDataContext(std::shared_ptr<std::vector<uint8_t>> out,
                                            const Rect& defaultMediaBox);

struct PrinterOptions {
    std::string printerName; // empty: the default printer
    std::string outputFile;  // not empty: print to this PDF file instead
    std::string documentName = "Ovrida";
    int copies = 1;
};
// Pages as for a PDF, sent to a printer through the system's print support. On a printer (not a file) the
// default page is the printer's paper, whatever defaultMediaBox says.
std::unique_ptr<Context> makePrinterContext(const PrinterOptions& options, const Rect& defaultMediaBox);

} // namespace gfx
