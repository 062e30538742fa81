// The desktop host: one Qt window (no widgets) that renders the root view and turns the mouse into
// touches, the wheel into scrolling, keys and input-method text into the first responder's text, a
// dropped file into a hand-over, and a resize into a size transition. Qt's event loop drains the
// main queue (a posted event wakes it); timers and animations run on the steady clock.
#pragma once

#include "platform/ui/Host.h"
#include "platform/ui/Window.h"

#include <functional>
#include <memory>
#include <string>

namespace host {

struct DesktopOptions {
    gfx::Size size{1024, 768};
    bool phone = false; // the phone idiom (a phone-sized window)
    std::string title = "Ovrida";
};

// The Qt application a desktop host needs, one per process. Qt sees only the program's name, so none of
// the program's own arguments is taken for one of Qt's.
class GuiApplication {
  public:
    GuiApplication(const std::string& programName, const std::string& desktopFileName);
    ~GuiApplication();
    GuiApplication(const GuiApplication&) = delete;
    GuiApplication& operator=(const GuiApplication&) = delete;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class DesktopHost : public ui::Host {
  public:
    // Needs a QGuiApplication; claims the calling thread as the main thread.
    explicit DesktopHost(DesktopOptions options = {});
    ~DesktopHost() override;
    DesktopHost(const DesktopHost&) = delete;
    DesktopHost& operator=(const DesktopHost&) = delete;

    ui::Window& window() { return *window_; }
    const DesktopOptions& options() const { return options_; }
    void show();
    // Runs Qt's event loop until the window closes or quit() is called; answers its exit code.
    int exec();
    void quit();
    // Ends exec() as quit() does once the descriptor has something to read (a signal handler's pipe).
    void quitWhenReadable(int fd);
    // Called with the path of a file dropped on the window.
    std::function<void(const std::string& path)> onFileHandedOver;
    // The native window, for tests that send it events (a QWindow*).
    void* nativeWindow() const;

    double now() const override;
    void drain() override;
    // Real time passes while Qt's events are processed.
    void advance(double seconds) override;
    bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds = 10) override;
    bool waitUntilIdle(double maxSeconds = 60) override;

    struct Impl;

  private:
    DesktopOptions options_;
    std::shared_ptr<ui::HostClock> clock_;
    std::shared_ptr<ui::Window> window_;
    std::unique_ptr<Impl> impl_;
};

} // namespace host
