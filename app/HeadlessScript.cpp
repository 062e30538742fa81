// The steps of a headless script.
#include "app/HeadlessScript.h"

#include "app/OvridaAppDelegate.h"
#include "platform/foundation/Dispatch.h"

#include <atomic>
#include <fstream>
#include <memory>
#include <thread>

namespace {

// Returns once every worker of the global queues is free at the same moment: one waiting block per
// worker, all running at once, can only run when no other work holds a thread. The host drains the
// main queue meanwhile, so a worker that waits for the main thread goes on.
void waitForWorkers(ui::Host& host) {
    dispatch::waitForIdleWorkers(
        [&host](const std::function<bool()>& predicate, double timeout) { return host.runUntil(predicate, timeout); },
        600, dispatch::Priority::background);
}

std::string trimmed(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

} // namespace

void waitUntilQuiet(ui::Host& host) {
    // Work that finishes can start more (an import's end starts the statistics), so a few rounds.
    for (int round = 0; round < 3; ++round) {
        host.waitUntilIdle();
        waitForWorkers(host);
    }
    host.waitUntilIdle();
}

std::optional<HeadlessScript::Failure> HeadlessScript::run(std::istream& script) {
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        if (ended_())
            return std::nullopt;
        const std::string text = trimmed(line);
        if (text.empty() || text.front() == '#')
            continue;
        if (auto reason = step(text))
            return Failure{number, text, *reason};
    }
    return std::nullopt;
}

std::optional<std::string> HeadlessScript::step(const std::string& line) {
    const size_t space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string argument = space == std::string::npos ? std::string() : trimmed(line.substr(space + 1));
    ui::Host& host = driver_.host();

    auto needArgument = [&]() -> std::optional<std::string> {
        if (argument.empty())
            return "\"" + verb + "\" needs an argument";
        return std::nullopt;
    };
    auto viewNamed = [&](const std::string& identifier) { return driver_.find(identifier); };

    if (verb == "tap") {
        if (auto missing = needArgument())
            return missing;
        if (!driver_.tapText(argument))
            return "nothing shows \"" + argument + "\"";
        return std::nullopt;
    }
    if (verb == "tap-id" || verb == "long-press-id") {
        if (auto missing = needArgument())
            return missing;
        ui::View* view = viewNamed(argument);
        if (!view)
            return "no view \"" + argument + "\"";
        ui::View* reached = verb == "tap-id" ? driver_.tap(view) : driver_.longPress(view);
        if (!reached)
            return "nothing took the touch on \"" + argument + "\"";
        return std::nullopt;
    }
    if (verb == "type") {
        if (!driver_.type(argument))
            return "nothing takes text";
        return std::nullopt;
    }
    if (verb == "return") {
        if (!driver_.pressReturn())
            return "nothing takes the Return key";
        return std::nullopt;
    }
    if (verb == "open") {
        if (auto missing = needArgument())
            return missing;
        delegate_.handOver(argument, "script");
        host.runUntil([&] { return !delegate_.copyingHandOvers(); }, 600);
        host.drain();
        return std::nullopt;
    }
    if (verb == "wait-idle") {
        waitUntilQuiet(host);
        return std::nullopt;
    }
    if (verb == "expect-text") {
        const size_t gap = argument.find(' ');
        const std::string identifier = argument.substr(0, gap);
        const std::string expected = gap == std::string::npos ? std::string() : trimmed(argument.substr(gap + 1));
        if (identifier.empty())
            return "\"expect-text\" needs a view and a text";
        ui::View* view = viewNamed(identifier);
        if (!view)
            return "no view \"" + identifier + "\"";
        const std::string shown = driver_.text(view);
        if (shown != expected)
            return "\"" + identifier + "\" shows \"" + shown + "\"";
        return std::nullopt;
    }
    if (verb == "screenshot") {
        if (auto missing = needArgument())
            return missing;
        if (!driver_.saveScreenshot(argument))
            return "cannot write " + argument;
        return std::nullopt;
    }
    if (verb == "dump") {
        if (auto missing = needArgument())
            return missing;
        std::ofstream out(argument, std::ios::binary | std::ios::trunc);
        out << driver_.dumpTree();
        out.close();
        if (!out)
            return "cannot write " + argument;
        return std::nullopt;
    }
    if (verb == "hold") {
        while (!ended_())
            host.runUntil(ended_, 3600);
        return std::nullopt;
    }
    return "unknown step \"" + verb + "\"";
}
