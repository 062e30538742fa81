// Picture checks for screen, chart and report tests: a tolerant comparison with a committed golden
// image, and readers of what poppler's tools say about a PDF (text with boxes, pages, images, paths).
#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace renderChecks {

// A file in this process's scratch folder (ctest runs cases side by side, each in its own process).
inline std::string scratchPath(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / ("ovrida-render-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

// The path quoted for the shell.
inline std::string shellQuoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

struct CommandOutput {
    std::string text; // what the command wrote to its standard output
    int status = -1;  // its exit status; -1 when it could not be run or did not exit normally
};

// Runs a shell command and collects its standard output (its errors go where `command` sends them).
inline CommandOutput runCommand(const std::string& command) {
    CommandOutput out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0)
        out.text.append(buf.data(), n);
    int status = ::pclose(pipe);
    out.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

// ---- images

// Pixels off by more than the tolerance in any channel (alpha included), and a picture of where.
struct PixelDiff {
    long off = 0;
    long total = 0;
    gfx::Image picture; // the expected image in pale grey, pixels off in red
    double share() const { return total ? double(off) / double(total) : 0; }
};

// Compares over the larger of the two sizes: pixels outside either image count as off.
inline PixelDiff compareImages(const gfx::Image& actual, const gfx::Image& expected,
                               double tolerance = 40.0 / 255) {
    PixelDiff d;
    int w = std::max(actual.pixelWidth(), expected.pixelWidth());
    int h = std::max(actual.pixelHeight(), expected.pixelHeight());
    std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4, 255);
    d.total = long(w) * h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool inside = x < actual.pixelWidth() && y < actual.pixelHeight() && x < expected.pixelWidth() &&
                          y < expected.pixelHeight();
            gfx::Color e = inside ? expected.pixel(x, y) : gfx::Color{};
            bool bad = !inside;
            if (inside) {
                gfx::Color a = actual.pixel(x, y);
                double m = std::max({std::fabs(a.red - e.red), std::fabs(a.green - e.green),
                                     std::fabs(a.blue - e.blue), std::fabs(a.alpha - e.alpha)});
                bad = m > tolerance;
            }
            uint8_t* p = &rgba[(size_t(y) * size_t(w) + size_t(x)) * 4];
            if (bad) {
                ++d.off;
                p[0] = 255, p[1] = 0, p[2] = 0;
            } else {
                auto g = uint8_t(200 + 55 * (e.red + e.green + e.blue) / 3);
                p[0] = p[1] = p[2] = g;
            }
        }
    d.picture = gfx::Image::fromRGBA(w, h, rgba);
    return d;
}

// Whether this run rewrites the goldens (OVRIDA_UPDATE_GOLDENS=1) instead of comparing with them.
inline bool updatingGoldens() {
    const char* update = std::getenv("OVRIDA_UPDATE_GOLDENS");
    return update && std::string(update) == "1";
}

// The image against the committed golden (a path from the source root, e.g. "tests/fixtures/ui/x.png"):
// at most 0.5 % of the pixels may be off by more than 40/255. On failure the actual image and the diff
// are written to the scratch folder and named in the message. With OVRIDA_UPDATE_GOLDENS=1 the golden
// is written instead.
inline ::testing::AssertionResult matchesGolden(const gfx::Image& actual, const std::string& golden) {
    if (updatingGoldens()) {
        std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
        if (!actual.writePNG(golden))
            return ::testing::AssertionFailure() << "could not write " << golden;
        return ::testing::AssertionSuccess() << "golden written";
    }
    auto expected = gfx::Image::loadPNG(golden);
    if (!expected)
        return ::testing::AssertionFailure() << "missing " << golden << " (OVRIDA_UPDATE_GOLDENS=1 writes it)";
    PixelDiff d = compareImages(actual, *expected);
    if (d.share() <= 0.005)
        return ::testing::AssertionSuccess();
    std::string stem = std::filesystem::path(golden).stem().string();
    std::string a = scratchPath(stem + ".actual.png"), diff = scratchPath(stem + ".diff.png");
    actual.writePNG(a);
    d.picture.writePNG(diff);
    return ::testing::AssertionFailure() << d.off << " of " << d.total << " pixels differ from " << golden
                                         << "; see " << a << " and " << diff;
}

// ---- PDF through poppler

// The text of a page range (0: from the first / to the last page).
inline std::string pdfText(const std::string& pdf, int firstPage = 0, int lastPage = 0) {
    std::string range;
    if (firstPage > 0)
        range += " -f " + std::to_string(firstPage);
    if (lastPage > 0)
        range += " -l " + std::to_string(lastPage);
    return runCommand("pdftotext" + range + " " + shellQuoted(pdf) + " - 2>/dev/null").text;
}

// A word as `pdftotext -bbox` places it: page from 1, box in points from the page's top left.
struct PdfWord {
    int page = 0;
    std::string text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    gfx::Rect box() const { return {xMin, yMin, xMax - xMin, yMax - yMin}; }
};

namespace detail {
// The value of `key="..."` inside one tag, or "" when absent.
inline std::string attribute(const std::string& tag, const std::string& key) {
    std::string needle = " " + key + "=\"";
    size_t at = tag.find(needle);
    if (at == std::string::npos)
        return {};
    at += needle.size();
    size_t end = tag.find('"', at);
    return end == std::string::npos ? std::string() : tag.substr(at, end - at);
}

inline std::string unescapeXml(std::string s) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (auto [from, to] : entities)
        for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += std::string(to).size())
            s.replace(at, std::string(from).size(), to);
    return s;
}
} // namespace detail

inline std::vector<PdfWord> pdfWords(const std::string& pdf) {
    std::string xml = runCommand("pdftotext -bbox " + shellQuoted(pdf) + " - 2>/dev/null").text;
    std::vector<PdfWord> words;
    int page = 0;
    for (size_t at = 0; (at = xml.find('<', at)) != std::string::npos;) {
        size_t close = xml.find('>', at);
        if (close == std::string::npos)
            break;
        std::string tag = xml.substr(at, close - at + 1);
        at = close + 1;
        if (tag.rfind("<page ", 0) == 0) {
            ++page;
            continue;
        }
        if (tag.rfind("<word ", 0) != 0)
            continue;
        size_t end = xml.find("</word>", at);
        if (end == std::string::npos)
            break;
        PdfWord w;
        w.page = page;
        w.text = detail::unescapeXml(xml.substr(at, end - at));
        w.xMin = std::strtod(detail::attribute(tag, "xMin").c_str(), nullptr);
        w.yMin = std::strtod(detail::attribute(tag, "yMin").c_str(), nullptr);
        w.xMax = std::strtod(detail::attribute(tag, "xMax").c_str(), nullptr);
        w.yMax = std::strtod(detail::attribute(tag, "yMax").c_str(), nullptr);
        words.push_back(std::move(w));
        at = end + 7;
    }
    return words;
}

// The first word with this text (null when none).
inline const PdfWord* findWord(const std::vector<PdfWord>& words, const std::string& text, int page = 0) {
    for (const PdfWord& w : words)
        if (w.text == text && (page == 0 || w.page == page))
            return &w;
    return nullptr;
}
// The answer points into `words`: a temporary list would leave it dangling.
const PdfWord* findWord(std::vector<PdfWord>&& words, const std::string& text, int page = 0) = delete;

// What `pdfinfo` reports: every "Key: value" line, the page count and each page's size in points.
struct PdfInfo {
    bool readable = false;
    int pages = 0;
    std::vector<gfx::Size> pageSizes;
    std::map<std::string, std::string> fields;
};

inline PdfInfo pdfInfo(const std::string& pdf) {
    PdfInfo info;
    CommandOutput first = runCommand("pdfinfo " + shellQuoted(pdf) + " 2>/dev/null");
    if (first.status != 0)
        return info;
    auto readFields = [&](const std::string& text) {
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            size_t colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            info.fields[line.substr(0, colon)] = value;
        }
    };
    readFields(first.text);
    info.readable = true;
    info.pages = std::atoi(info.fields["Pages"].c_str());
    if (info.pages <= 0)
        return info;
    // "Page    2 size:  400 x 300 pts" for each page when asked for a range.
    CommandOutput all =
        runCommand("pdfinfo -f 1 -l " + std::to_string(info.pages) + " " + shellQuoted(pdf) + " 2>/dev/null");
    readFields(all.text);
    info.pageSizes.resize(size_t(info.pages));
    for (const auto& [key, value] : info.fields) {
        int page = 0;
        char rest[8] = {};
        if (std::sscanf(key.c_str(), "Page %d %7s", &page, rest) != 2 || std::string(rest) != "size" ||
            page < 1 || page > info.pages)
            continue;
        double w = 0, h = 0;
        std::sscanf(value.c_str(), "%lf x %lf", &w, &h);
        info.pageSizes[size_t(page - 1)] = {w, h};
    }
    return info;
}

// One row of `pdfimages -list`: a raster in the PDF ("image" or its "smask").
struct PdfImage {
    int page = 0;
    std::string type;
    int width = 0, height = 0;
    std::string color; // "rgb", "gray", ...
};

inline std::vector<PdfImage> pdfImages(const std::string& pdf) {
    std::vector<PdfImage> images;
    std::istringstream lines(runCommand("pdfimages -list " + shellQuoted(pdf) + " 2>/dev/null").text);
    std::string line;
    int row = 0;
    while (std::getline(lines, line)) {
        if (row++ < 2) // the heading and its rule
            continue;
        std::istringstream fields(line);
        PdfImage image;
        int number = 0;
        if (fields >> image.page >> number >> image.type >> image.width >> image.height >> image.color)
            images.push_back(image);
    }
    return images;
}

// A `<path>` element of the page as `pdftocairo -svg` writes it: its attributes, the drawing (`d`),
// the style split into properties (fill, stroke, stroke-width, ...), and whether it sits in <defs>
// (glyph outlines and clip paths do; shapes drawn on the page do not).
struct SvgPath {
    std::map<std::string, std::string> attributes;
    std::map<std::string, std::string> style;
    bool inDefs = false;
    const std::string& d() const {
        static const std::string none;
        auto it = attributes.find("d");
        return it == attributes.end() ? none : it->second;
    }
    std::string styleValue(const std::string& key) const {
        auto it = style.find(key);
        return it == style.end() ? std::string() : it->second;
    }
};

inline std::vector<SvgPath> pdfSvgPaths(const std::string& pdf, int page = 1) {
    std::string svgFile = scratchPath("page-" + std::to_string(page) + ".svg");
    std::string p = std::to_string(page);
    runCommand("pdftocairo -svg -f " + p + " -l " + p + " " + shellQuoted(pdf) + " " + shellQuoted(svgFile) +
               " 2>/dev/null");
    std::string svg;
    {
        std::ifstream in(svgFile, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        svg = all.str();
    }
    std::filesystem::remove(svgFile);
    std::vector<SvgPath> paths;
    int defsDepth = 0;
    for (size_t at = 0; (at = svg.find('<', at)) != std::string::npos;) {
        size_t close = svg.find('>', at);
        if (close == std::string::npos)
            break;
        std::string tag = svg.substr(at, close - at + 1);
        at = close + 1;
        if (tag.rfind("<defs", 0) == 0 && tag.find("/>") == std::string::npos)
            ++defsDepth;
        else if (tag.rfind("</defs", 0) == 0)
            defsDepth = std::max(0, defsDepth - 1);
        if (tag.rfind("<path", 0) != 0 || (tag.size() > 5 && tag[5] != ' ' && tag[5] != '/'))
            continue;
        SvgPath path;
        path.inDefs = defsDepth > 0;
        // Attributes: name="value" pairs after the element name.
        for (size_t i = 5; i < tag.size();) {
            size_t eq = tag.find("=\"", i);
            if (eq == std::string::npos)
                break;
            size_t nameStart = tag.find_last_of(" \t\n", eq);
            std::string name = tag.substr(nameStart + 1, eq - nameStart - 1);
            size_t end = tag.find('"', eq + 2);
            if (end == std::string::npos)
                break;
            path.attributes[name] = detail::unescapeXml(tag.substr(eq + 2, end - eq - 2));
            i = end + 1;
        }
        // Cairo writes the paint both as a style attribute and as plain attributes; take both.
        std::istringstream style(path.attributes["style"]);
        std::string item;
        while (std::getline(style, item, ';')) {
            size_t colon = item.find(':');
            if (colon == std::string::npos)
                continue;
            std::string key = item.substr(0, colon), value = item.substr(colon + 1);
            key.erase(0, key.find_first_not_of(' '));
            value.erase(0, value.find_first_not_of(' '));
            path.style[key] = value;
        }
        for (const char* key : {"fill", "stroke", "stroke-width", "fill-rule", "fill-opacity", "stroke-opacity"})
            if (auto it = path.attributes.find(key); it != path.attributes.end() && !path.style.count(key))
                path.style[key] = it->second;
        paths.push_back(std::move(path));
    }
    return paths;
}

} // namespace renderChecks
