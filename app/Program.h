// The program: its arguments, the app's folders and hooks, then the desktop window (the default) or the
// headless run of a script; at the end the app saves and its temporary folder goes.
#pragma once

#include "platform/graphics/Geometry.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ProgramOptions {
    std::string documents; // empty: the default documents folder
    bool phone = false;
    bool headless = false;
    std::string script;
    std::string screenshot;
    std::optional<gfx::Size> size;
    std::vector<std::string> files; // handed over, in order
};

// Nothing, with the reason in `error`, for an unknown option, a missing value or a bad size.
std::optional<ProgramOptions> parseProgramArguments(const std::vector<std::string>& arguments, std::string& error);
std::string programUsage();

class OvridaAppDelegate;
namespace ui {
class TabBarController;
class Window;
} // namespace ui

// The window's root is the tab-bar controller, the delegate shows store errors, and the launch styles
// the bars and titles the tabs.
void assembleApplication(OvridaAppDelegate& delegate, ui::Window& window, std::shared_ptr<ui::TabBarController> root);

// Everything `main` does once the analysis screens are registered; answers the exit status.
int ovridaMain(int argc, char** argv);
