// Themes: the registry of kinds and its order, finding by exact name, the graph class rule, the graphs
// a theme builds, what each built-in theme sets on the background, the plot area frame and every
// axis, and archiving by name.
#include "plot/axes_plots/CPTXYAxis.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/axes_plots/CPTXYTheme.h"
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

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kBuiltInNames[] = {"Dark Gradients", "Plain Black", "Plain White", "Slate", "Stocks"};

std::string raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const CPTException& e) {
        return e.name() + ": " + e.reason();
    }
    return {};
}

bool sameColor(const std::shared_ptr<CPTColor>& color, double r, double g, double b) {
    if (!color)
        return false;
    const gfx::Color c = color->cgColor();
    return std::fabs(c.red - r) < 1e-9 && std::fabs(c.green - g) < 1e-9 && std::fabs(c.blue - b) < 1e-9 &&
           c.alpha == 1.0;
}

} // namespace

TEST(CPTThemeRegistry, ListsTheBuiltInThemesByName) {
    std::vector<std::string> names;
    for (const CPTThemeClass& themeClass : CPTTheme::themeClasses())
        if (themeClass.className.rfind("_CPT", 0) == 0)
            names.push_back(themeClass.name);
    EXPECT_EQ(names, std::vector<std::string>(std::begin(kBuiltInNames), std::end(kBuiltInNames)));
}

TEST(CPTThemeRegistry, FindsAThemeByItsExactName) {
    auto slate = CPTTheme::themeNamed("Slate");
    ASSERT_NE(slate, nullptr);
    EXPECT_STREQ(slate->className(), "_CPTSlateTheme");
    EXPECT_NE(CPTTheme::themeNamed("Slate"), slate); // a fresh instance each time
    EXPECT_EQ(CPTTheme::themeNamed("slate"), nullptr);
    EXPECT_EQ(CPTTheme::themeNamed(""), nullptr);
    // Both base kinds answer their class names.
    EXPECT_EQ(CPTTheme().name(), "CPTTheme");
    EXPECT_EQ(CPTXYTheme().name(), "_CPTXYTheme");
}

TEST(CPTThemeRegistry, RegistersAKindOnce) {
    EXPECT_EQ(raised([] {
                  CPTTheme::registerTheme({"_CPTSlateTheme", "Slate", [] { return std::make_shared<CPTSlateTheme>(); }});
              }),
              "CPTException: Theme class already registered: _CPTSlateTheme");
    const CPTThemeClass custom{"CustomTheme", "A custom look", [] { return std::make_shared<CPTXYTheme>(); }};
    EXPECT_EQ(raised([&] { CPTTheme::registerTheme(custom); }), "");
    EXPECT_NE(CPTTheme::themeNamed("A custom look"), nullptr);
    EXPECT_EQ(raised([&] { CPTTheme::registerTheme(custom); }),
              "CPTException: Theme class already registered: CustomTheme");
}

TEST(CPTThemeGraphClass, OnlyProperSubclassesOfTheGraph) {
    const std::string invalid = "CPTException: Invalid graph class for theme; must be a subclass of CPTGraph";
    struct Case {
        const char* name;
        bool xyTheme; // else the base theme, whose graph class is none
        std::optional<std::string> graphClass;
        std::string raises;
        std::optional<std::string> after;
    };
    const Case cases[] = {
        {"the graph itself", true, "CPTGraph", invalid, "CPTXYGraph"},
        {"the XY graph", false, "CPTXYGraph", "", "CPTXYGraph"},
        {"a derived XY graph", true, "CPTDerivedXYGraph", "", "CPTDerivedXYGraph"},
        {"the current class again", true, "CPTXYGraph", "", "CPTXYGraph"},
        {"none while none is set", false, std::nullopt, "", std::nullopt},
        {"none while a class is set", true, std::nullopt, invalid, "CPTXYGraph"},
        {"a class that is no graph", true, "CPTXYAxis", invalid, "CPTXYGraph"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<CPTTheme> theme = c.xyTheme ? std::make_shared<CPTXYTheme>() : std::make_shared<CPTTheme>();
        EXPECT_EQ(raised([&] { theme->setGraphClass(c.graphClass); }), c.raises);
        EXPECT_EQ(theme->graphClass(), c.after);
    }
}

TEST(CPTThemeNewGraph, EveryThemeBuildsAStyledSquareGraph) {
    for (const char* name : kBuiltInNames) {
        SCOPED_TRACE(name);
        auto theme = CPTTheme::themeNamed(name);
        ASSERT_NE(theme, nullptr);
        auto graph = theme->newGraph();
        ASSERT_NE(graph, nullptr);
        EXPECT_STREQ(graph->className(), "CPTXYGraph");
        EXPECT_EQ(graph->bounds(), CGRect(0, 0, 200, 200));
        EXPECT_EQ(graph->paddingLeft(), 60.0);
        EXPECT_EQ(graph->paddingTop(), 60.0);
        EXPECT_EQ(graph->paddingRight(), 60.0);
        EXPECT_EQ(graph->paddingBottom(), 60.0);
        auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
        ASSERT_NE(space, nullptr);
        for (const auto& range : {space->xRange(), space->yRange()}) {
            EXPECT_EQ(range->locationDouble(), -1.0);
            EXPECT_EQ(range->endDouble(), 0.0);
        }
        EXPECT_NE(graph->fill(), nullptr); // the theme applied
    }
    auto theme = CPTTheme::themeNamed("Slate");
    theme->setGraphClass("CPTDerivedXYGraph");
    EXPECT_STREQ(theme->newGraph()->className(), "CPTDerivedXYGraph");
    EXPECT_EQ(CPTTheme().newGraph(), nullptr);
}

TEST(CPTThemeApply, StocksStylesEveryAxisAlike) {
    auto graph = CPTTheme::themeNamed("Stocks")->newGraph();
    const auto& axes = graph->axisSet()->axes();
    ASSERT_FALSE(axes.empty());
    for (const auto& axis : axes) {
        SCOPED_TRACE(axis->coordinate());
        for (const auto& style : {axis->majorTickLineStyle(), axis->axisLineStyle()}) {
            ASSERT_NE(style, nullptr);
            EXPECT_TRUE(sameColor(style->lineColor(), 1, 1, 1));
            EXPECT_EQ(style->lineWidth(), 3.0);
            EXPECT_EQ(style->lineCap(), 1); // round
        }
        EXPECT_EQ(axis->majorTickLength(), 7.0);
        EXPECT_EQ(axis->minorTickLength(), 5.0);
        EXPECT_EQ(axis->minorTicksPerInterval(), 4u);
        EXPECT_EQ(axis->majorIntervalLength(), foundation::Value(0.5));
        EXPECT_EQ(axis->labelingPolicy(), CPTAxisLabelingPolicyFixedInterval);
        EXPECT_EQ(axis->tickDirection(), CPTSignNone);
        EXPECT_EQ(dynamic_cast<CPTXYAxis&>(*axis).orthogonalPosition(), foundation::Value(0.0));
        EXPECT_TRUE(sameColor(axis->labelTextStyle()->color(), 1, 1, 1));
        EXPECT_EQ(axis->labelTextStyle()->fontSize(), 14.0);
        EXPECT_EQ(axis->minorTickLabelTextStyle()->fontSize(), 12.0);
        EXPECT_EQ(axis->titleTextStyle()->fontSize(), 14.0);
    }
}

TEST(CPTThemeApply, EachThemesFrameAndAxisLines) {
    struct Case {
        const char* theme;
        double cornerRadius;
        double borderWidth;
        double borderGray;
        int majorCap;
        double majorR, majorG, majorB, majorWidth;
        int minorCap;
        double minorGray, minorWidth;
        double textGray;
    };
    const double dark = CPTColor::darkGrayColor()->cgColor().red;
    const Case cases[] = {
        {"Dark Gradients", 10.0, 4.0, 0.2, 2, 0.5, 0.5, 0.5, 2.0, 2, dark, 1.0, 1.0},
        {"Plain Black", 0.0, 1.0, 1.0, 1, 1.0, 1.0, 1.0, 3.0, 0, 1.0, 3.0, 1.0},
        {"Plain White", 0.0, 1.0, 0.0, 0, 0.5, 0.5, 0.5, 1.0, 0, 0.0, 1.0, 0.0},
        {"Slate", 5.0, 1.0, 0.2, 2, 0.0, 0.25, 0.5, 2.0, 2, 0.0, 1.0, 0.0},
        {"Stocks", 14.0, 0.0, 0.2, 1, 1.0, 1.0, 1.0, 3.0, 0, 1.0, 3.0, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.theme);
        auto graph = CPTTheme::themeNamed(c.theme)->newGraph();
        const auto& frame = *graph->plotAreaFrame();
        EXPECT_EQ(frame.cornerRadius(), c.cornerRadius);
        ASSERT_NE(frame.borderLineStyle(), nullptr);
        EXPECT_EQ(frame.borderLineStyle()->lineWidth(), c.borderWidth);
        EXPECT_TRUE(sameColor(frame.borderLineStyle()->lineColor(), c.borderGray, c.borderGray, c.borderGray));
        ASSERT_NE(frame.fill(), nullptr);
        for (const auto& axis : graph->axisSet()->axes()) {
            const auto& major = *axis->majorTickLineStyle();
            EXPECT_EQ(major.lineCap(), c.majorCap);
            EXPECT_TRUE(sameColor(major.lineColor(), c.majorR, c.majorG, c.majorB));
            EXPECT_EQ(major.lineWidth(), c.majorWidth);
            const auto& minor = *axis->minorTickLineStyle();
            EXPECT_EQ(minor.lineCap(), c.minorCap);
            EXPECT_TRUE(sameColor(minor.lineColor(), c.minorGray, c.minorGray, c.minorGray));
            EXPECT_EQ(minor.lineWidth(), c.minorWidth);
            EXPECT_TRUE(sameColor(axis->labelTextStyle()->color(), c.textGray, c.textGray, c.textGray));
            EXPECT_TRUE(sameColor(axis->minorTickLabelTextStyle()->color(), c.textGray, c.textGray, c.textGray));
        }
    }
    // The Stocks frame: a plain gradient with two stops at 0.5 and one at 1, at 270 degrees.
    auto stocks = CPTTheme::themeNamed("Stocks")->newGraph();
    const auto& gradient = stocks->plotAreaFrame()->fill()->fillGradient();
    ASSERT_NE(gradient, nullptr);
    EXPECT_EQ(gradient->angle(), 270.0);
    const gfx::Color last = gradient->newColorStopAtIndex(3);
    EXPECT_NEAR(last.red, 0.05882, 1e-9);
    EXPECT_NEAR(gradient->newColorAtPosition(0.25).red, (0.21569 + 0.09412) / 2, 1e-6);
}

TEST(CPTThemeApply, AGraphWithoutAxisSetGetsBackgroundAndFrame) {
    auto graph = CPTGraph::make<CPTGraph>(CGRect(0, 0, 100, 100));
    ASSERT_EQ(graph->axisSet(), nullptr);
    auto theme = CPTTheme::themeNamed("Plain Black");
    graph->applyTheme(*theme);
    ASSERT_NE(graph->fill(), nullptr);
    EXPECT_EQ(graph->fill()->cgColor(), gfx::Color(0, 0, 0, 1));
    EXPECT_NE(graph->plotAreaFrame()->fill(), nullptr);

    graph->setPlotAreaFrame(nullptr);
    graph->setFill(nullptr);
    graph->applyTheme(*CPTTheme::themeNamed("Plain White")); // only the background
    EXPECT_EQ(graph->fill()->cgColor(), gfx::Color(1, 1, 1, 1));
}

TEST(CPTThemeArchiving, DecodesAFreshThemeOfTheSameName) {
    auto archive = [](const CPTTheme& theme) {
        foundation::KeyedArchiver coder(CPTTheme::classForCoder());
        theme.encodeWithCoder(coder);
        return coder.encodedData();
    };
    auto theme = CPTTheme::themeNamed("Stocks");
    theme->setGraphClass("CPTDerivedXYGraph");
    const auto data = archive(*theme);
    foundation::KeyedUnarchiver coder(data);
    auto decoded = coder.decodeRootObject<CPTTheme>({"CPTTheme"}, CPTTheme::themeWithCoder);
    ASSERT_NE(decoded, nullptr) << coder.error();
    EXPECT_NE(decoded, theme);
    EXPECT_STREQ(decoded->className(), "_CPTStocksTheme");
    EXPECT_EQ(decoded->graphClass(), std::optional<std::string>("CPTDerivedXYGraph"));

    // Without a graph class the kind keeps its own; the base theme writes none.
    {
        foundation::KeyedArchiver base("CPTTheme");
        CPTTheme().encodeWithCoder(base);
        foundation::KeyedUnarchiver reader(base.encodedData());
        EXPECT_FALSE(reader.containsValueForKey("CPTTheme.graphClass"));
    }

    struct Case {
        const char* name;
        std::string themeName;
        std::optional<std::string> graphClass;
        bool fails;
    };
    const Case cases[] = {
        {"an unknown name", "Neon", std::nullopt, false},
        {"a graph class that is the graph itself", "Slate", "CPTGraph", true},
        {"a graph class of no graph", "Slate", "CPTLegend", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        foundation::KeyedArchiver writer("CPTTheme");
        writer.encodeString(c.themeName, "CPTTheme.name");
        if (c.graphClass)
            writer.encodeString(*c.graphClass, "CPTTheme.graphClass");
        foundation::KeyedUnarchiver reader(writer.encodedData());
        std::shared_ptr<CPTTheme> result;
        EXPECT_NO_THROW(result = reader.decodeRootObject<CPTTheme>({"CPTTheme"}, CPTTheme::themeWithCoder));
        EXPECT_EQ(result, nullptr);
        EXPECT_EQ(reader.failed(), c.fails);
        if (c.fails) {
            EXPECT_NE(reader.error().find("not a subclass of CPTGraph"), std::string::npos) << reader.error();
        }
    }
}
