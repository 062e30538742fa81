// The program's arguments, set-up, run and end, in the desktop window or headless.
#include "app/Program.h"

#include "app/HeadlessScript.h"
#include "app/MainStoryboard.h"
#include "app/OvridaAppDelegate.h"
#include "model/Model.h"
#include "platform/host/DesktopHost.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Environment.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

constexpr gfx::Size kPadSize{1024, 768}, kPhoneSize{375, 667};

// --- ending on a signal: the handler only writes a byte; the loops read it.

int signalPipe[2] = {-1, -1};

extern "C" void onEndSignal(int) {
    if (signalPipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
    }
}

void installEndSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

// Whether an end signal has come (kept once seen).
bool endRequested() {
    static bool ended = false;
    char byte;
    while (!ended && signalPipe[0] >= 0 && ::read(signalPipe[0], &byte, 1) == 1)
        ended = true;
    return ended;
}

std::optional<gfx::Size> parseSize(const std::string& text) {
    const size_t x = text.find('x');
    if (x == std::string::npos)
        return std::nullopt;
    try {
        size_t used = 0;
        const int width = std::stoi(text.substr(0, x), &used);
        if (used != x)
            return std::nullopt;
        const std::string rest = text.substr(x + 1);
        const int height = std::stoi(rest, &used);
        if (used != rest.size() || width < 1 || height < 1 || width > 16384 || height > 16384)
            return std::nullopt;
        return gfx::Size{double(width), double(height)};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// The build puts the resources folder beside the program.
std::string resourcesFolder(const char* argv0) {
    if (const char* r = std::getenv("OVRIDA_RESOURCES"); r && *r)
        return fs::absolute(r).lexically_normal().string();
    std::error_code ec;
    fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        program = fs::absolute(argv0);
    return (program.parent_path() / "resources").lexically_normal().string();
}

// The folders and hooks the screens rely on, before the first one is made.
bool setUpEnvironment(const ProgramOptions& options, const char* argv0) {
    ui::Environment& env = ui::Environment::shared();
    env.resourcesFolder = resourcesFolder(argv0);
    Model::setResourcesFolder(env.resourcesFolder);
    std::string documents = options.documents.empty() ? ui::Environment::defaultDocumentsFolder() : options.documents;
    std::error_code ec;
    fs::create_directories(documents, ec);
    if (!fs::is_directory(documents)) {
        std::cerr << "Cannot make the documents folder " << documents << ": " << ec.message() << "\n";
        return false;
    }
    env.documentsFolder = fs::absolute(documents).lexically_normal().string();
    Model::sharedModel().setUserInterfaceIdiom(options.phone ? Model::Idiom::Phone : Model::Idiom::Pad);
    return true;
}

int runDesktop(const ProgramOptions& options, OvridaAppDelegate& delegate) {
    host::GuiApplication application("ovrida", "ovrida");
    host::DesktopOptions desktop;
    desktop.size = options.size.value_or(kPadSize);
    desktop.phone = options.phone;
    desktop.title = "Ovrida";
    host::DesktopHost host(desktop);
    assembleApplication(delegate, host.window(), MainStoryboard::instantiateInitialViewController());
    host.onFileHandedOver = [&](const std::string& path) { delegate.handOver(path, "drop"); };
    for (const auto& file : options.files)
        delegate.handOver(file, "command line");
    if (signalPipe[0] >= 0)
        host.quitWhenReadable(signalPipe[0]);
    host.show();
    const int status = host.exec();
    delegate.applicationWillTerminate();
    host.window().setRootViewController(nullptr);
    return status;
}

int runHeadless(const ProgramOptions& options, OvridaAppDelegate& delegate) {
    const gfx::Size size = options.size.value_or(options.phone ? kPhoneSize : kPadSize);
    host::HeadlessHost host(size, options.phone ? ui::UserInterfaceIdiom::Phone : ui::UserInterfaceIdiom::Pad);
    ui::Driver driver(host.window(), host);
    assembleApplication(delegate, host.window(), MainStoryboard::instantiateInitialViewController());
    for (const auto& file : options.files)
        delegate.handOver(file, "command line");
    waitUntilQuiet(host);

    int status = 0;
    if (!options.script.empty()) {
        std::ifstream script(options.script);
        if (!script) {
            std::cerr << "Cannot read the script " << options.script << "\n";
            status = 1;
        } else if (auto failure = HeadlessScript(driver, delegate, endRequested).run(script)) {
            std::cerr << options.script << ":" << failure->line << ": " << failure->text << "\n    "
                      << failure->reason << "\n";
            status = 1;
        }
    }
    if (status == 0 && !options.screenshot.empty() && !endRequested()) {
        waitUntilQuiet(host);
        if (!driver.saveScreenshot(options.screenshot)) {
            std::cerr << "Cannot write the screenshot " << options.screenshot << "\n";
            status = 1;
        }
    }
    delegate.applicationWillTerminate();
    host.window().setRootViewController(nullptr);
    return status;
}

} // namespace

void assembleApplication(OvridaAppDelegate& delegate, ui::Window& window, std::shared_ptr<ui::TabBarController> root) {
    delegate.installStoreErrorHandler();
    delegate.setWindow(&window);
    window.setRootViewController(std::move(root));
    delegate.applicationDidFinishLaunchingWithOptions();
}

std::string programUsage() {
    return "Usage: ovrida [--documents DIR] [--phone] [FILE...]\n"
           "       ovrida --headless [--script FILE] [--screenshot PNG] [--size WxH] [--documents DIR] [--phone] "
           "[FILE...]\n"
           "Each FILE is handed over to the app: a workspace (.ov) opens, a data file goes to a new workspace.\n";
}

std::optional<ProgramOptions> parseProgramArguments(const std::vector<std::string>& arguments, std::string& error) {
    ProgramOptions options;
    bool onlyFiles = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (onlyFiles || argument.size() < 2 || argument[0] != '-') {
            options.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyFiles = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (size_t eq = argument.find('='); eq != std::string::npos && argument.rfind("--", 0) == 0) {
            inlineValue = argument.substr(eq + 1);
            argument = argument.substr(0, eq);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments[++i];
            error = argument + " needs a value";
            return std::nullopt;
        };
        if (argument == "--phone" || argument == "--headless") {
            if (inlineValue) {
                error = argument + " takes no value";
                return std::nullopt;
            }
            (argument == "--phone" ? options.phone : options.headless) = true;
        } else if (argument == "--documents" || argument == "--script" || argument == "--screenshot") {
            auto v = value();
            if (!v)
                return std::nullopt;
            if (v->empty()) {
                error = argument + " needs a value";
                return std::nullopt;
            }
            (argument == "--documents" ? options.documents
                                       : argument == "--script" ? options.script : options.screenshot) = *v;
        } else if (argument == "--size") {
            auto v = value();
            if (!v)
                return std::nullopt;
            options.size = parseSize(*v);
            if (!options.size) {
                error = "--size takes WIDTHxHEIGHT, for example 1024x768";
                return std::nullopt;
            }
        } else {
            error = "unknown option " + argument;
            return std::nullopt;
        }
    }
    if (!options.headless && (!options.script.empty() || !options.screenshot.empty())) {
        error = "--script and --screenshot go with --headless";
        return std::nullopt;
    }
    return options;
}

int ovridaMain(int argc, char** argv) {
    std::string error;
    auto options = parseProgramArguments(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "ovrida: " << error << "\n" << programUsage();
        return 2;
    }
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (!options->headless && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
        std::cerr << "No display found. For scripted use, run: ./run --headless (see README).\n";
        return 1;
    }
    if (!setUpEnvironment(*options, argv[0]))
        return 1;
    installEndSignals();
    int status = 0;
    {
        OvridaAppDelegate delegate;
        status = options->headless ? runHeadless(*options, delegate) : runDesktop(*options, delegate);
        Model::setStoreErrorHandler(nullptr);
    }
    Model::sharedModel().closeStores();
    if (const std::string& temporary = ui::Environment::shared().temporaryFolder; !temporary.empty()) {
        std::error_code ec;
        fs::remove_all(temporary, ec);
    }
    return status;
}
