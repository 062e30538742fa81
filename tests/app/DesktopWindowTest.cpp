// The app's real window on an X server (a virtual one under xvfb-run): pictures taken from the server
// and checked by what the view tree says should be where, never against a stored picture. Every text
// shown has ink of its colour inside its frame, as wide as its laid-out text; the bars show their
// colours; empty cells show no ink; the Browse grid's borders lie on its column edges. A dropped file,
// a real click on Create, the import, and the window's close are on the road; then the program itself
// starts on the display with a file named on its command line.
#include "analysis/AnalysisScreens.h"
#include "app/BrowseGridCells.h"
#include "app/BrowseViewController.h"
#include "app/FilesViewController.h"
#include "app/MainStoryboard.h"
#include "app/NewFileViewController.h"
#include "app/OvridaAppDelegate.h"
#include "app/Program.h"
#include "model/Model.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/host/DesktopHost.h"
#include "platform/graphics/Output.h"
#include "platform/ui/Environment.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

extern char** environ;

namespace {

QGuiApplication& application() {
    static int argc = 1;
    static char name[] = "desktop_window_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: the fonts and the drawing backend outlive it at exit.
    static auto* app = new QGuiApplication(argc, argv);
    return *app;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// --- reading a picture

struct Rgb {
    int r = 0, g = 0, b = 0;
};

Rgb at(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

Rgb rgbOf(const ui::Color& c) {
    return {int(std::lround(c.red * 255)), int(std::lround(c.green * 255)), int(std::lround(c.blue * 255))};
}

int distance(Rgb a, Rgb b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

std::string describe(Rgb c) {
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// A rectangle of whole pixels inside the picture.
struct Box {
    int x0, y0, x1, y1; // x1, y1 past the end
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

Box boxOf(const ui::Rect& r, const QImage& image) {
    return {std::max(0, int(std::floor(r.minX()))), std::max(0, int(std::floor(r.minY()))),
            std::min(image.width(), int(std::ceil(r.maxX()))), std::min(image.height(), int(std::ceil(r.maxY())))};
}

// The colour most pixels of the box have: what the text is drawn on.
Rgb backgroundOf(const QImage& image, Box box) {
    std::map<QRgb, int> counts;
    for (int y = box.y0; y < box.y1; ++y)
        for (int x = box.x0; x < box.x1; ++x)
            ++counts[image.pixel(x, y)];
    QRgb best = 0;
    int most = -1;
    for (const auto& [colour, n] : counts)
        if (n > most) {
            best = colour;
            most = n;
        }
    return {qRed(best), qGreen(best), qBlue(best)};
}

struct Ink {
    int pixels = 0;
    int minX = 1 << 30, maxX = -1;
    int nearTextColour = 0; // pixels within a small distance of the text's colour
    double width() const { return pixels ? double(maxX - minX + 1) : 0; }
};

// Pixels that stand off the background by at least a third of the way to the text's colour.
Ink inkIn(const QImage& image, Box box, Rgb background, Rgb text) {
    Ink ink;
    const int contrast = std::max(distance(background, text), 1);
    for (int y = box.y0; y < box.y1; ++y)
        for (int x = box.x0; x < box.x1; ++x) {
            const Rgb p = at(image, x, y);
            if (distance(p, background) * 3 < contrast)
                continue;
            ++ink.pixels;
            ink.minX = std::min(ink.minX, x);
            ink.maxX = std::max(ink.maxX, x);
            if (distance(p, text) <= 40)
                ++ink.nearTextColour;
        }
    return ink;
}

// --- the view tree

bool shown(const ui::View& v) {
    for (const ui::View* p = &v; p; p = p->superview())
        if (p->isHidden() || p->alpha() < 0.01)
            return false;
    return true;
}

// The view's frame in the window's coordinates, or nothing when an ancestor that clips cuts it.
std::optional<ui::Rect> wholeInWindow(const ui::View& v) {
    const ui::Rect r = v.convertRectToView(v.bounds(), nullptr);
    for (const ui::View* p = v.superview(); p; p = p->superview()) {
        if (!p->clipsToBounds())
            continue;
        const ui::Rect clip = p->convertRectToView(p->bounds(), nullptr);
        if (r.minX() < clip.minX() - 0.5 || r.maxX() > clip.maxX() + 0.5 || r.minY() < clip.minY() - 0.5 ||
            r.maxY() > clip.maxY() + 0.5)
            return std::nullopt;
    }
    return r;
}

// A text the screen shows on one line, as the platform lays it out.
struct ShownText {
    const ui::View* view;
    std::string text;
    ui::Rect frame; // in the window: the line of text, as high as the layout, across the view
    Rgb colour;
    double width;    // laid out: the glyphs' advances, side bearings included
    double inkWidth; // of the same text drawn alone by our own drawing at one pixel a point
};

// The width of the ink of a text drawn black on white by our drawing, at one pixel a point. The laid-out
// width is the sum of the glyphs' advances: the ink leaves out the first glyph's left side bearing and
// the last one's right side bearing (a colon's is wide), so the ink is a few pixels narrower.
double ownInkWidth(const std::string& text, const gfx::Font& font, double laidOut) {
    const ui::Size size{std::ceil(laidOut) + 20, std::ceil(font.metrics().lineHeight) + 10};
    auto bitmap = gfx::BitmapContext::pointsContext(size, 1, ui::Color::white());
    ui::Label label;
    label.setFont(font);
    label.setText(text);
    label.drawTextInRect(bitmap->context(), {10, 5, laidOut + 1, size.height - 10});
    const gfx::Image image = bitmap->image();
    int minX = 1 << 30, maxX = -1;
    for (int y = 0; y < image.pixelHeight(); ++y)
        for (int x = 0; x < image.pixelWidth(); ++x)
            if (image.pixel(x, y).red * 3 < 2) { // a third of the way from white to black
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    return maxX < 0 ? 0 : double(maxX - minX + 1);
}

void collectTexts(const ui::View& v, std::vector<ShownText>& out) {
    if (!shown(v))
        return;
    std::string text;
    gfx::TextStyle style;
    bool wraps = false;
    if (auto* label = dynamic_cast<const ui::Label*>(&v); label && !label->attributedText()) {
        text = label->text();
        wraps = label->numberOfLines() != 1;
        style.font = label->font();
        style.color = label->isEnabled() ? label->textColor() : ui::Color::gray(0.6);
    } else if (auto* button = dynamic_cast<const ui::Button*>(&v);
               button && !button->imageForState(button->state())) {
        text = button->currentTitle();
        style.font = const_cast<ui::Button*>(button)->titleLabel().font();
        style.color = button->titleColorForState(button->state());
    }
    // A border drawn inside the frame (a round help button's ring) is not the text's ink.
    if (!text.empty() && v.layer().borderWidth() == 0) {
        if (auto frame = wholeInWindow(v)) {
            style.lineBreak = wraps ? gfx::LineBreakMode::WordWrap : gfx::LineBreakMode::TruncateTail;
            const gfx::TextLayout layout = gfx::TextLayout::plain(text, style, {frame->width(), 0});
            // Only text shown whole on one line has a width to compare.
            // The text is centred down the view; above and below it a cell's borders may run.
            const double height = layout.size().height;
            const ui::Rect line{frame->minX(), frame->minY() + std::max(0.0, (frame->height() - height) / 2),
                                frame->width(), std::min(height, frame->height())};
            if (layout.lines().size() == 1 && layout.lines()[0].text == text)
                out.push_back({&v, text, line, rgbOf(style.color.value_or(ui::Color::black())),
                               layout.size().width, ownInkWidth(text, style.font, layout.size().width)});
        }
    }
    if (dynamic_cast<const ui::Button*>(&v))
        return; // its title label is drawn by the button itself
    for (const auto& sub : v.subviews())
        collectTexts(*sub, out);
}

// The ink on the screen is as wide as the text's own, within two points, and that is the laid-out width
// less no more than the two side bearings (a wrong scale or another font fails this).
void expectWidthOfItsText(const Ink& ink, const ShownText& t) {
    EXPECT_NEAR(ink.width(), t.inkWidth, 2.0) << "ink from x " << ink.minX << " to " << ink.maxX;
    EXPECT_LE(t.inkWidth, t.width + 1);
    EXPECT_GE(t.inkWidth, t.width - 6);
}

// Every text under `root` has ink of its colour inside its frame, as wide as its layout within two
// points. Answers the texts checked.
std::vector<std::string> checkTexts(const QImage& image, const ui::View& root) {
    std::vector<ShownText> texts;
    collectTexts(root, texts);
    std::vector<std::string> checked;
    for (const auto& t : texts) {
        const Box box = boxOf(t.frame, image);
        if (box.empty())
            continue;
        const Rgb background = backgroundOf(image, box);
        if (distance(background, t.colour) < 60)
            continue; // drawn in a colour too near its background to be read apart: not a text a person reads
        const Ink ink = inkIn(image, box, background, t.colour);
        SCOPED_TRACE("\"" + t.text + "\" in (" + std::to_string(box.x0) + "," + std::to_string(box.y0) + ")-(" +
                     std::to_string(box.x1) + "," + std::to_string(box.y1) + ") on " + describe(background) +
                     " in " + describe(t.colour));
        EXPECT_GT(ink.nearTextColour, 0) << "no ink of the text's colour";
        expectWidthOfItsText(ink, t);
        checked.push_back(t.text);
    }
    return checked;
}

bool holds(const std::vector<std::string>& checked, const std::string& text) {
    return std::find(checked.begin(), checked.end(), text) != checked.end();
}

// The window's picture as the X server has it.
QImage grab(QWindow* window) {
    return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

void click(QWindow* w, ui::Point p) {
    const QPointF at(p.x, p.y);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

ui::Point middle(const ui::View& v) {
    const ui::Rect r = v.convertRectToView(v.bounds(), nullptr);
    return {r.midX(), r.midY()};
}

class DesktopWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string(std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "") != "xcb")
            GTEST_SKIP() << "needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)";
        application();
        std::string pattern = (fs::temp_directory_path() / "ovrida-window-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        documents = (fs::path(folder) / "Documents").string();
        fs::create_directories(documents);
        foundation::UserDefaults::setStandardPath((fs::path(folder) / "defaults.json").string());
        foundation::setCurrentLocale("en_US");
        saved = ui::Environment::shared();
        ui::Environment::shared().documentsFolder = documents;
        ui::Environment::shared().resourcesFolder = std::string(OVRIDA_BUILD_DIR) + "/resources";
        Model::setResourcesFolder(ui::Environment::shared().resourcesFolder);
        // The tips have been seen: they would stand over the screens.
        for (const char* tip : {"import", "newVariable", "browse", "edit"})
            for (int i = 0; i < 2; ++i)
                Model::incrementTimesSeenHelpKey(tip);
        registerAnalysisScreens();
        pictures = std::string(OVRIDA_BUILD_DIR) + "/desktop-window";
        fs::create_directories(pictures);
    }
    void TearDown() override {
        if (folder.empty())
            return;
        Model::sharedModel().closeStores();
        Model::setStoreErrorHandler(nullptr);
        foundation::UserDefaults::setStandardPath("");
        ui::Environment::shared() = saved;
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string doc(const std::string& name) const { return (fs::path(documents) / name).string(); }
    void keep(const QImage& image, const std::string& name) {
        const std::string file = pictures + "/" + name;
        image.save(QString::fromStdString(file));
        std::cout << "picture: " << file << "\n";
    }

    std::string folder, documents, pictures;
    ui::Environment saved;
};

const std::string kSurvey = "Age,Group,Note\n34,Control,\n51,Treated,seen twice\n28,Control,\n";

TEST_F(DesktopWindow, TheAppsWindowShowsWhatItsViewsSayFromStartToImportToClose) {
    writeFile(doc("waiting.csv"), "a\n1\n");
    const std::string dropped = (fs::path(folder) / "survey.csv").string();
    writeFile(dropped, kSurvey);

    host::DesktopHost host({{1024, 768}, false, "Ovrida"});
    auto* window = static_cast<QWindow*>(host.nativeWindow());
    OvridaAppDelegate delegate;
    auto tabs = MainStoryboard::instantiateInitialViewController();
    assembleApplication(delegate, host.window(), tabs);
    host.onFileHandedOver = [&](const std::string& path) { delegate.handOver(path, "drop"); };
    host.show();
    auto& files = dynamic_cast<FilesViewController&>(*tabs->viewControllers()[0]);
    // Drawn once the server shows the tab bar's colour.
    QImage shot;
    ASSERT_TRUE(host.runUntil([&] {
        if (!window->isExposed())
            return false;
        shot = grab(window);
        return distance(at(shot, 3, shot.height() - 3), rgbOf(ui::Color::gray(0.95))) <= 2;
    }, 30));
    host.waitUntilIdle(10);
    shot = grab(window);
    keep(shot, "workspaces.png");

    // The window is its size and not blank.
    EXPECT_EQ(shot.width(), 1024);
    EXPECT_EQ(shot.height(), 768);
    std::map<QRgb, int> colours;
    for (int y = 0; y < shot.height(); y += 4)
        for (int x = 0; x < shot.width(); x += 4)
            ++colours[shot.pixel(x, y)];
    EXPECT_GT(colours.size(), 20u);
    // Every text on the screen, the four captions and the five tab titles among them.
    const auto checked = checkTexts(shot, host.window());
    for (const char* text : {"Enter Data Manually", "Open Example", "Open Existing Workspace", "Import Data Files",
                             "Workspaces", "Browse", "Variables", "Analysis", "About", "waiting.csv", "example.ov"})
        EXPECT_TRUE(holds(checked, text)) << text << " was not among " << ::testing::PrintToString(checked);

    // A file dropped on the window: its sheet.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped))});
    QDropEvent drop({500, 400}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    ASSERT_TRUE(host.runUntil([&] { return files.presentedViewController() != nullptr && !delegate.copyingHandOvers(); },
                              30));
    host.waitUntilIdle(10);
    auto& sheetNav = dynamic_cast<ui::NavigationController&>(*files.presentedViewController());
    EXPECT_NE(dynamic_cast<NewFileViewController*>(sheetNav.viewControllers().front().get()), nullptr);
    host.advance(0.5);
    shot = grab(window);
    keep(shot, "sheet.png");
    const auto onSheet = checkTexts(shot, sheetNav.view());
    EXPECT_TRUE(holds(onSheet, "Create")) << ::testing::PrintToString(onSheet);

    // A real click on Create; the import; Browse with the file's cells.
    ui::View* create = host.window().viewWithIdentifier("buttonCreate");
    ASSERT_NE(create, nullptr);
    click(window, middle(*create));
    ASSERT_TRUE(host.runUntil([&] { return tabs->selectedIndex() == 1u && !files.presentedViewController(); }, 60));
    host.waitUntilIdle(10);
    host.advance(0.5);
    shot = grab(window);
    keep(shot, "browse.png");
    auto& browseNav = dynamic_cast<ui::NavigationController&>(*tabs->viewControllers()[1]);
    auto& browse = dynamic_cast<BrowseViewController&>(*browseNav.viewControllers().front());
    EXPECT_LE(distance(at(shot, 3, 3), rgbOf(ui::Color::gray(0.9))), 2) << describe(at(shot, 3, 3));
    EXPECT_LE(distance(at(shot, 3, 765), rgbOf(ui::Color::gray(0.95))), 2) << describe(at(shot, 3, 765));
    const auto onBrowse = checkTexts(shot, browse.view());
    for (const char* text : {"Age", "Group", "Note", "34", "Control", "51", "Treated", "seen twice", "1", "2", "3"})
        EXPECT_TRUE(holds(onBrowse, text)) << text << " was not among " << ::testing::PrintToString(onBrowse);
    // Empty cells show no ink inside their borders, and the borders (grey 0.8) lie on the column edges.
    ui::CollectionView& grid = browse.collectionView();
    grid.layoutIfNeeded();
    int emptyCells = 0, edges = 0;
    for (int s = 1; s < grid.numberOfSections(); ++s)
        for (int i = 1; i < grid.numberOfItemsInSection(s); ++i) {
            auto* cell = grid.cellForItemAtIndexPath({s, i});
            auto frame = cell ? wholeInWindow(*cell) : std::nullopt;
            if (!frame)
                continue;
            const Box inside = boxOf({frame->minX() + 2, frame->minY() + 2, frame->width() - 4, frame->height() - 4}, shot);
            ui::View* label = cell->viewWithIdentifier("label");
            if (label && label->displayedText().empty()) {
                ++emptyCells;
                const Rgb background = backgroundOf(shot, inside);
                EXPECT_EQ(inkIn(shot, inside, background, {0, 0, 0}).pixels, 0)
                    << "an empty cell at " << s << "," << i;
            }
            // The column's right edge, half way down the cell.
            const int x = int(std::lround(frame->maxX())) - 1, y = int(frame->midY());
            const Rgb border = rgbOf(ui::Color::gray(0.8));
            if (distance(at(shot, x, y), border) <= 3 || distance(at(shot, x + 1, y), border) <= 3)
                ++edges;
            else
                ADD_FAILURE() << "no border at the right edge x " << x << " of " << s << "," << i << ": "
                              << describe(at(shot, x, y)) << describe(at(shot, x + 1, y));
        }
    EXPECT_GT(emptyCells, 0);
    EXPECT_GT(edges, 0);

    // Closing the window ends the loop with 0, and the workspace is on disk.
    QTimer::singleShot(0, window, [window] { window->close(); });
    EXPECT_EQ(host.exec(), 0);
    delegate.applicationWillTerminate();
    host.window().setRootViewController(nullptr);
    Model::sharedModel().closeStores();
    EXPECT_TRUE(fs::exists(doc("survey.ov")));
    EXPECT_EQ(readAll(dropped), kSurvey);
}

// The program as `./run` starts it, on the same display, with a file named on its command line.
TEST_F(DesktopWindow, TheProgramStartsOnTheDisplayWithTheSheetOfItsFile) {
    const std::string csv = (fs::path(folder) / "named.csv").string();
    writeFile(csv, kSurvey);
    // Where the sheet's texts stand, from the same screens laid out here.
    std::vector<ShownText> expected;
    {
        host::DesktopHost host({{1024, 768}, false, "Ovrida"});
        OvridaAppDelegate delegate;
        auto tabs = MainStoryboard::instantiateInitialViewController();
        delegate.handOver(csv, "command line");
        assembleApplication(delegate, host.window(), tabs);
        auto& files = dynamic_cast<FilesViewController&>(*tabs->viewControllers()[0]);
        ASSERT_TRUE(host.runUntil([&] { return files.presentedViewController() && !delegate.copyingHandOvers(); }, 30));
        host.waitUntilIdle(10);
        collectTexts(files.presentedViewController()->view(), expected);
        host.window().setRootViewController(nullptr);
        Model::sharedModel().closeStores();
    }
    fs::remove_all(documents);
    ASSERT_FALSE(expected.empty());

    std::vector<std::string> arguments{OVRIDA_PROGRAM, "--documents", documents, csv};
    std::vector<char*> argv;
    for (auto& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // This environment (the display, the sanitizers' options) with a home of its own.
    std::map<std::string, std::string> variables;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (const size_t eq = entry.find('='); eq != std::string::npos)
            variables[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    variables["QT_QPA_PLATFORM"] = "xcb";
    variables["HOME"] = folder;
    variables["XDG_CONFIG_HOME"] = folder + "/config";
    std::vector<std::string> env;
    for (const auto& [key, value] : variables)
        env.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t child = -1;
    ASSERT_EQ(posix_spawn(&child, OVRIDA_PROGRAM, nullptr, nullptr, argv.data(), envp.data()), 0);

    // The whole screen is the window's size: the window fills it. Wait until each of the sheet's texts
    // has ink of its colour where the layout puts it (the inspection's label comes a moment later).
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage shot;
    auto inkOf = [&](const ShownText& t, Rgb& background) {
        const Box box = boxOf(t.frame, shot);
        background = box.empty() ? Rgb{} : backgroundOf(shot, box);
        return box.empty() ? Ink{} : inkIn(shot, box, background, t.colour);
    };
    auto everyTextShows = [&] {
        shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        for (const auto& t : expected) {
            Rgb background;
            const Ink ink = inkOf(t, background);
            if (ink.nearTextColour == 0 && distance(background, t.colour) >= 60)
                return false;
        }
        return true;
    };
    const bool appeared = dispatch::runUntil(everyTextShows, 60);
    keep(shot, "program-sheet.png");
    EXPECT_TRUE(appeared) << "the sheet's texts never all showed";
    EXPECT_EQ(shot.width(), 1024);
    EXPECT_EQ(shot.height(), 768);
    for (const auto& t : expected) {
        SCOPED_TRACE(t.text);
        Rgb background;
        const Ink ink = inkOf(t, background);
        if (distance(background, t.colour) < 60)
            continue;
        EXPECT_GT(ink.nearTextColour, 0);
        expectWidthOfItsText(ink, t);
    }
    bool titled = false;
    for (const auto& t : expected)
        titled = titled || t.text == "Create New Workspace";
    EXPECT_TRUE(titled);
    ::kill(child, SIGTERM);
    int status = -1;
    ASSERT_TRUE(dispatch::runUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 60));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readAll(csv), kSurvey);
}

} // namespace
