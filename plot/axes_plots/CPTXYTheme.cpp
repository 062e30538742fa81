// The registry of theme kinds, the XY theme and the five built-in themes' styles.
#include "plot/axes_plots/CPTXYTheme.h"

#include "plot/axes_plots/CPTXYAxis.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTException.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTGradient.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTAxisSet.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <algorithm>
#include <cctype>
#include <mutex>

// ---- the registry

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<CPTThemeClass> classes;
    bool builtInsRegistered = false;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

template <class Theme> CPTThemeClass themeClass() {
    const Theme prototype;
    return {prototype.className(), prototype.name(), [] { return std::make_shared<Theme>(); }};
}

// Called with the registry's lock held.
void addTheme(Registry& r, const CPTThemeClass& themeClass) {
    for (const CPTThemeClass& known : r.classes)
        if (known.className == themeClass.className)
            throw CPTException(CPTExceptionName, "Theme class already registered: " + themeClass.className);
    r.classes.push_back(themeClass);
}

// The built-in themes join on the registry's first use, so no linker can leave them out unseen.
Registry& lockedRegistry(std::unique_lock<std::mutex>& lock) {
    Registry& r = registry();
    lock = std::unique_lock<std::mutex>(r.mutex);
    if (!r.builtInsRegistered) {
        r.builtInsRegistered = true;
        for (const CPTThemeClass& builtIn :
             {themeClass<CPTDarkGradientTheme>(), themeClass<CPTPlainBlackTheme>(), themeClass<CPTPlainWhiteTheme>(),
              themeClass<CPTSlateTheme>(), themeClass<CPTStocksTheme>()})
            addTheme(r, builtIn);
    }
    return r;
}

std::string folded(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

void CPTTheme::registerTheme(const CPTThemeClass& themeClass) {
    std::unique_lock<std::mutex> lock;
    addTheme(lockedRegistry(lock), themeClass);
}

std::vector<CPTThemeClass> CPTTheme::themeClasses() {
    std::vector<CPTThemeClass> classes;
    {
        std::unique_lock<std::mutex> lock;
        classes = lockedRegistry(lock).classes;
    }
    std::stable_sort(classes.begin(), classes.end(), [](const CPTThemeClass& a, const CPTThemeClass& b) {
        return folded(a.name) < folded(b.name);
    });
    return classes;
}

std::shared_ptr<CPTTheme> CPTTheme::themeNamed(std::string_view name) {
    std::function<std::shared_ptr<CPTTheme>()> make;
    {
        std::unique_lock<std::mutex> lock;
        for (const CPTThemeClass& themeClass : lockedRegistry(lock).classes)
            if (themeClass.name == name) {
                make = themeClass.make;
                break;
            }
    }
    return make ? make() : nullptr;
}

// ---- graph classes

namespace {
struct GraphClass {
    const char* name;
    std::shared_ptr<CPTGraph> (*make)(const CGRect& frame);
};

// The proper subclasses of CPTGraph.
constexpr GraphClass kGraphClasses[] = {
    {"CPTXYGraph", [](const CGRect& frame) -> std::shared_ptr<CPTGraph> { return CPTXYGraph::graphWithFrame(frame); }},
    {"CPTDerivedXYGraph",
     [](const CGRect& frame) -> std::shared_ptr<CPTGraph> { return CPTGraph::make<CPTDerivedXYGraph>(frame); }},
};

const GraphClass* graphClassNamed(std::string_view name) {
    for (const GraphClass& graphClass : kGraphClasses)
        if (name == graphClass.name)
            return &graphClass;
    return nullptr;
}
} // namespace

bool CPTTheme::isGraphClass(std::string_view name) {
    return graphClassNamed(name) != nullptr;
}

void CPTTheme::setGraphClass(const std::optional<std::string>& graphClass) {
    if (graphClass == graphClass_)
        return;
    if (!graphClass || !isGraphClass(*graphClass))
        throw CPTException(CPTExceptionName, "Invalid graph class for theme; must be a subclass of CPTGraph");
    graphClass_ = graphClass;
}

// ---- archiving

void CPTTheme::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    coder.encodeString(name(), "CPTTheme.name");
    if (graphClass_)
        coder.encodeString(*graphClass_, "CPTTheme.graphClass");
}

std::shared_ptr<CPTTheme> CPTTheme::themeWithCoder(foundation::KeyedUnarchiver& coder) {
    const std::string name = coder.decodeStringForKey("CPTTheme.name");
    const bool hasGraphClass = coder.containsValueForKey("CPTTheme.graphClass");
    const std::string graphClass = coder.decodeStringForKey("CPTTheme.graphClass");
    if (coder.failed())
        return nullptr;
    auto theme = themeNamed(name);
    if (!theme || !hasGraphClass)
        return theme;
    if (!isGraphClass(graphClass)) {
        coder.failWithError("The archived graph class \"" + graphClass +
                            "\" of a theme is not a subclass of CPTGraph.");
        return nullptr;
    }
    theme->setGraphClass(graphClass);
    return theme;
}

// ---- the XY theme

CPTXYTheme::CPTXYTheme() {
    graphClass_ = "CPTXYGraph";
}

std::shared_ptr<CPTGraph> CPTXYTheme::newGraph() {
    const GraphClass* graphClass = graphClassNamed(graphClass_.value_or("CPTXYGraph"));
    if (graphClass == nullptr)
        graphClass = &kGraphClasses[0];
    auto graph = graphClass->make(CGRect(0, 0, 200, 200));
    graph->setPaddingLeft(60.0);
    graph->setPaddingTop(60.0);
    graph->setPaddingRight(60.0);
    graph->setPaddingBottom(60.0);
    if (auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace())) {
        space->setXRange(CPTPlotRange::plotRangeWithLocation(-1.0, 1.0));
        space->setYRange(CPTPlotRange::plotRangeWithLocation(-1.0, 1.0));
    }
    applyThemeToGraph(*graph);
    return graph;
}

void CPTXYTheme::applyThemeToBackground(CPTGraph& graph) {
    if (auto fill = backgroundFill())
        graph.setFill(fill);
}

void CPTXYTheme::applyThemeToPlotArea(CPTPlotAreaFrame& frame) {
    const auto style = frameStyle();
    if (!style)
        return;
    frame.setFill(style->fill);
    frame.setBorderLineStyle(style->borderLineStyle);
    frame.setCornerRadius(style->cornerRadius);
}

void CPTXYTheme::applyThemeToAxisSet(CPTAxisSet& axisSet) {
    const auto style = axisStyle();
    if (!style)
        return;
    for (const auto& axis : axisSet.axes()) {
        axis->setLabelingPolicy(CPTAxisLabelingPolicyFixedInterval);
        axis->setMajorIntervalLength(foundation::Value(0.5));
        if (auto* xy = dynamic_cast<CPTXYAxis*>(axis.get()))
            xy->setOrthogonalPosition(foundation::Value(0.0));
        axis->setTickDirection(CPTSignNone);
        axis->setMinorTicksPerInterval(4);
        axis->setMajorTickLineStyle(style->majorLine);
        axis->setMinorTickLineStyle(style->minorLine);
        axis->setAxisLineStyle(style->majorLine);
        axis->setMajorTickLength(7.0);
        axis->setMinorTickLength(5.0);
        axis->setLabelTextStyle(style->majorText);
        axis->setMinorTickLabelTextStyle(style->minorText);
        axis->setTitleTextStyle(style->majorText);
    }
}

// ---- the built-in themes' styles

namespace {

constexpr CGLineCap kButt = 0;
constexpr CGLineCap kRound = 1;
constexpr CGLineCap kSquare = 2;

std::shared_ptr<CPTColor> gray(double g) {
    return CPTColor::colorWithGenericGray(g);
}

std::shared_ptr<CPTColor> rgba(double r, double g, double b, double a) {
    return CPTColor::colorWithComponentRed(r, g, b, a);
}

std::shared_ptr<CPTLineStyle> line(std::optional<CGLineCap> cap, const std::shared_ptr<CPTColor>& color,
                                   double width) {
    auto style = CPTMutableLineStyle::lineStyle();
    if (cap)
        style->setLineCap(*cap);
    style->setLineColor(color);
    style->setLineWidth(width);
    return style;
}

std::shared_ptr<CPTTextStyle> text(const std::shared_ptr<CPTColor>& color, double size) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setColor(color);
    style->setFontSize(size);
    return style;
}

std::shared_ptr<CPTFill> gradientFill(std::shared_ptr<CPTGradient> gradient, double angle) {
    gradient->setAngle(angle);
    return CPTFill::fillWithGradient(std::move(gradient));
}

std::shared_ptr<CPTGradient> slateGradient() {
    return CPTGradient::gradientWithBeginningColor(*rgba(0.43, 0.51, 0.63, 1.0), *rgba(0.7, 0.73, 0.8, 1.0));
}

} // namespace

std::shared_ptr<CPTFill> CPTDarkGradientTheme::backgroundFill() const {
    auto gradient = CPTGradient::gradientWithBeginningColor(*gray(0.1), *gray(0.1))
                        ->addColorStop(*gray(0.2), 0.3)
                        ->addColorStop(*gray(0.3), 0.5)
                        ->addColorStop(*gray(0.2), 0.6);
    return gradientFill(gradient, 90.0);
}

std::optional<CPTXYTheme::FrameStyle> CPTDarkGradientTheme::frameStyle() const {
    return FrameStyle{gradientFill(CPTGradient::gradientWithBeginningColor(*gray(0.1), *gray(0.3)), 90.0),
                      line(std::nullopt, gray(0.2), 4.0), 10.0};
}

std::optional<CPTXYTheme::AxisStyle> CPTDarkGradientTheme::axisStyle() const {
    return AxisStyle{line(kSquare, gray(0.5), 2.0), line(kSquare, CPTColor::darkGrayColor(), 1.0),
                     text(CPTColor::whiteColor(), 14.0), text(CPTColor::whiteColor(), 12.0)};
}

std::shared_ptr<CPTFill> CPTPlainBlackTheme::backgroundFill() const {
    return CPTFill::fillWithColor(CPTColor::blackColor());
}

std::optional<CPTXYTheme::FrameStyle> CPTPlainBlackTheme::frameStyle() const {
    return FrameStyle{CPTFill::fillWithColor(CPTColor::blackColor()), line(std::nullopt, CPTColor::whiteColor(), 1.0),
                      0.0};
}

std::optional<CPTXYTheme::AxisStyle> CPTPlainBlackTheme::axisStyle() const {
    return AxisStyle{line(kRound, CPTColor::whiteColor(), 3.0), line(std::nullopt, CPTColor::whiteColor(), 3.0),
                     text(CPTColor::whiteColor(), 14.0), text(CPTColor::whiteColor(), 12.0)};
}

std::shared_ptr<CPTFill> CPTPlainWhiteTheme::backgroundFill() const {
    return CPTFill::fillWithColor(CPTColor::whiteColor());
}

std::optional<CPTXYTheme::FrameStyle> CPTPlainWhiteTheme::frameStyle() const {
    return FrameStyle{CPTFill::fillWithColor(CPTColor::whiteColor()), line(std::nullopt, CPTColor::blackColor(), 1.0),
                      0.0};
}

std::optional<CPTXYTheme::AxisStyle> CPTPlainWhiteTheme::axisStyle() const {
    return AxisStyle{line(kButt, gray(0.5), 1.0), line(kButt, CPTColor::blackColor(), 1.0),
                     text(CPTColor::blackColor(), 14.0), text(CPTColor::blackColor(), 12.0)};
}

std::shared_ptr<CPTFill> CPTSlateTheme::backgroundFill() const {
    return gradientFill(slateGradient(), 90.0);
}

std::optional<CPTXYTheme::FrameStyle> CPTSlateTheme::frameStyle() const {
    return FrameStyle{gradientFill(slateGradient(), 90.0), line(std::nullopt, gray(0.2), 1.0), 5.0};
}

std::optional<CPTXYTheme::AxisStyle> CPTSlateTheme::axisStyle() const {
    return AxisStyle{line(kSquare, rgba(0.0, 0.25, 0.5, 1.0), 2.0), line(kSquare, CPTColor::blackColor(), 1.0),
                     text(CPTColor::blackColor(), 14.0), text(CPTColor::blackColor(), 12.0)};
}

std::shared_ptr<CPTFill> CPTStocksTheme::backgroundFill() const {
    return CPTFill::fillWithColor(CPTColor::blackColor());
}

std::optional<CPTXYTheme::FrameStyle> CPTStocksTheme::frameStyle() const {
    auto gradient = std::make_shared<CPTGradient>()
                        ->addColorStop(*rgba(0.21569, 0.28627, 0.44706, 1.0), 0.0)
                        ->addColorStop(*rgba(0.09412, 0.17255, 0.36078, 1.0), 0.5)
                        ->addColorStop(*rgba(0.05882, 0.13333, 0.33333, 1.0), 0.5)
                        ->addColorStop(*rgba(0.05882, 0.13333, 0.33333, 1.0), 1.0);
    return FrameStyle{gradientFill(gradient, 270.0), line(std::nullopt, gray(0.2), 0.0), 14.0};
}

std::optional<CPTXYTheme::AxisStyle> CPTStocksTheme::axisStyle() const {
    return AxisStyle{line(kRound, CPTColor::whiteColor(), 3.0), line(std::nullopt, CPTColor::whiteColor(), 3.0),
                     text(CPTColor::whiteColor(), 14.0), text(CPTColor::whiteColor(), 12.0)};
}
