// The plot gallery: chart tests leave their pages in <build>/plot-gallery/ for a reviewer to look at,
// each page as a PNG at scale 2 and each suite's pages together as one PDF.
#pragma once

#include "platform/graphics/Output.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

namespace plotGallery {

// A page of points, drawn into a context whose user space starts at the page's top-left, y down.
struct Page {
    std::string name; // the PNG's name without ".png"
    gfx::Size size;
    std::function<void(gfx::Context&)> draw;
};

struct Rendered {
    std::vector<gfx::Image> images; // one per page, scale 2
    std::vector<std::string> pngs;
    std::string pdf;
};

inline std::filesystem::path folder() {
    std::filesystem::path dir = std::filesystem::path(OVRIDA_BUILD_DIR) / "plot-gallery";
    std::filesystem::create_directories(dir);
    return dir;
}

// Renders every page as a PNG (white background) and all of them as the pages of <suite>.pdf.
// ctest runs the cases of a suite as processes side by side, each rendering the same files: each
// process writes its own copy and moves it into place, so that no reader sees a file half written.
inline Rendered render(const std::string& suite, const std::vector<Page>& pages) {
    Rendered out;
    const std::filesystem::path dir = folder();
    for (const Page& page : pages) {
        auto bitmap = gfx::BitmapContext::pointsContext(page.size, 2, gfx::Color::white());
        page.draw(bitmap->context());
        out.images.push_back(bitmap->image());
        const std::string png = (dir / (page.name + ".png")).string();
        const std::string part = png + "." + std::to_string(::getpid());
        if (out.images.back().writePNG(part))
            std::filesystem::rename(part, png);
        out.pngs.push_back(png);
    }
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    {
        auto pdf = gfx::makePDFDataContext(bytes, gfx::Rect(0, 0, 612, 792));
        for (const Page& page : pages) {
            pdf->beginPage(gfx::Rect(gfx::Point{}, page.size));
            page.draw(*pdf);
            pdf->endPage();
        }
        pdf->finish();
    }
    out.pdf = (dir / (suite + ".pdf")).string();
    const std::string part = out.pdf + "." + std::to_string(::getpid());
    {
        std::ofstream file(part, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
    }
    std::filesystem::rename(part, out.pdf);
    return out;
}

} // namespace plotGallery
