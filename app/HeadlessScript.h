// The headless mode's scripts: one step per line, acted out through the driver as a user would.
// Blank lines and lines starting with "#" are skipped.
#pragma once

#include "platform/ui/Driver.h"

#include <functional>
#include <istream>
#include <optional>
#include <string>

class OvridaAppDelegate;

// Runs the host until nothing is left to do: main-queue work, timers and animations, and work on the
// global queues with what it hands back to the main thread, a few rounds over.
void waitUntilQuiet(ui::Host& host);

class HeadlessScript {
  public:
    struct Failure {
        int line = 0;
        std::string text;   // the line as written
        std::string reason; // what did not hold
    };

    // `ended` answers whether the app has been told to end (a signal); it is asked between steps and
    // while a "hold" step runs.
    HeadlessScript(ui::Driver& driver, OvridaAppDelegate& delegate, std::function<bool()> ended)
        : driver_(driver), delegate_(delegate), ended_(std::move(ended)) {}

    // Runs every step; the first that does not hold stops the script and is answered.
    std::optional<Failure> run(std::istream& script);
    // One step; answers why it did not hold, nothing when it held.
    std::optional<std::string> step(const std::string& line);

  private:
    ui::Driver& driver_;
    OvridaAppDelegate& delegate_;
    std::function<bool()> ended_;
};
