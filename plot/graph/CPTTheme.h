// A theme: a named style preset for a graph. It fills the graph's background, styles the plot area
// frame and sets up the axes. The registry of theme kinds, the XY theme that builds ready graphs and
// the built-in themes live with the XY classes they style (plot/axes_plots/CPTXYTheme.h).
#pragma once

#include "platform/foundation/KeyedArchive.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CPTAxisSet;
class CPTGraph;
class CPTPlotAreaFrame;
class CPTTheme;

// A registered kind of theme: its class name, its display name and how to make a plain instance.
struct CPTThemeClass {
    std::string className;
    std::string name;
    std::function<std::shared_ptr<CPTTheme>()> make;
};

class CPTTheme {
  public:
    CPTTheme() = default;
    virtual ~CPTTheme() = default;
    CPTTheme(const CPTTheme&) = delete;
    CPTTheme& operator=(const CPTTheme&) = delete;

    virtual const char* className() const { return "CPTTheme"; }
    // The display name; a kind without one of its own answers its class name.
    virtual std::string name() const { return className(); }

    // --- the registry of theme kinds: process-wide, only growing; the built-in themes are in it
    // from its first use. Registering a class name twice raises "Theme class already registered: %@".
    static void registerTheme(const CPTThemeClass& themeClass);
    // Sorted by display name without regard to case.
    static std::vector<CPTThemeClass> themeClasses();
    // A new instance of the first kind whose display name is exactly `name`; null when none is.
    static std::shared_ptr<CPTTheme> themeNamed(std::string_view name);

    // The class of the graphs newGraph makes, by name ("CPTXYGraph", "CPTDerivedXYGraph"); none after
    // construction of the base. Setting the current value does nothing; anything that is not a proper
    // subclass of CPTGraph, none included, raises "Invalid graph class for theme; must be a subclass
    // of CPTGraph".
    const std::optional<std::string>& graphClass() const { return graphClass_; }
    void setGraphClass(const std::optional<std::string>& graphClass);
    // Whether the name is a graph class a theme accepts.
    static bool isGraphClass(std::string_view name);

    // A new graph styled by this theme (none from the base).
    virtual std::shared_ptr<CPTGraph> newGraph() { return nullptr; }
    // The background, then the plot area frame when there is one, then the axis set when there is one.
    void applyThemeToGraph(CPTGraph& graph);
    virtual void applyThemeToBackground(CPTGraph&) {}
    virtual void applyThemeToPlotArea(CPTPlotAreaFrame&) {}
    virtual void applyThemeToAxisSet(CPTAxisSet&) {}

    // Every kind archives as "CPTTheme": "CPTTheme.name", and "CPTTheme.graphClass" when one is set.
    static constexpr const char* classForCoder() { return "CPTTheme"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    // A fresh instance of the registered kind of the archived name (none for an unknown name), given
    // the archived graph class; a graph class a theme does not accept fails the decode.
    static std::shared_ptr<CPTTheme> themeWithCoder(foundation::KeyedUnarchiver& coder);

  protected:
    std::optional<std::string> graphClass_;
};
