// The axis's settings and what each change asks for, the delegate, and the labels: reuse, formatting,
// categories, placement and their layers in the plot area.
#include "AxisFixtures.h"

#include "plot/foundation/CPTAttributedFormatting.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTGridLines.h"
#include "plot/graph/CPTLimitBand.h"

#include <gtest/gtest.h>

using axistest::labelAt;
using axistest::labelTexts;
using axistest::range;
using axistest::texts;
using foundation::Value;
using Texts = std::vector<std::string>;

TEST(CPTAxis, Defaults) {
    axistest::pinLocale();
    CPTXYAxis axis;
    EXPECT_EQ(axis.labelingPolicy(), CPTAxisLabelingPolicyFixedInterval);
    EXPECT_EQ(axis.majorIntervalLength(), Value(1.0));
    EXPECT_EQ(axis.labelingOrigin(), Value(0.0));
    EXPECT_EQ(axis.minorTicksPerInterval(), 1u);
    EXPECT_EQ(axis.majorTickLength(), 5.0);
    EXPECT_EQ(axis.minorTickLength(), 3.0);
    EXPECT_EQ(axis.labelOffset(), 2.0);
    EXPECT_EQ(axis.titleOffset(), 30.0);
    EXPECT_TRUE(std::isnan(axis.titleRotation()));
    EXPECT_EQ(axis.tickDirection(), CPTSignNone);
    EXPECT_EQ(axis.orthogonalPosition(), Value(0.0));
    EXPECT_TRUE(axis.needsRelabel());
    EXPECT_NE(axis.axisLineStyle(), nullptr);
    EXPECT_EQ(axis.majorGridLineStyle(), nullptr);
    EXPECT_EQ(axis.minorTickLabelFormatter(), nullptr);
    ASSERT_NE(axis.labelFormatter(), nullptr);
    EXPECT_EQ(axis.labelFormatter()->stringForObjectValue(Value(3)), "3.0");
    EXPECT_EQ(axis.labelFormatter()->stringForObjectValue(Value(0.25)), "0.2") << "half even";
    EXPECT_EQ(axis.axisTitle(), nullptr);
}

TEST(CPTAxis, EachChangeAsksForExactlyItsEffect) {
    struct Effect {
        bool relabel;
        bool offsets;
        bool moves;
        bool redraw;
    };
    struct Case {
        const char* name;
        std::function<void(CPTXYAxis&)> setUp;
        std::function<void(CPTXYAxis&)> change;
        Effect effect;
        bool repeatIsNoChange = true;
    };
    auto nothing = [](CPTXYAxis&) {};
    auto policy = [](CPTAxisLabelingPolicy p) { return [p](CPTXYAxis& a) { a.setLabelingPolicy(p); }; };
    const Case cases[] = {
        {"preferred ticks under the fixed interval", nothing,
         [](CPTXYAxis& a) { a.setPreferredNumberOfMajorTicks(7); }, {false, false, false, false}},
        {"preferred ticks under automatic", policy(CPTAxisLabelingPolicyAutomatic),
         [](CPTXYAxis& a) { a.setPreferredNumberOfMajorTicks(7); }, {true, false, false, true}},
        {"preferred ticks under equal divisions stay stale", policy(CPTAxisLabelingPolicyEqualDivisions),
         [](CPTXYAxis& a) { a.setPreferredNumberOfMajorTicks(7); }, {false, false, false, false}},
        {"the same interval in a new number", nothing,
         [](CPTXYAxis& a) { a.setMajorIntervalLength(Value(std::int64_t{1})); }, {false, false, false, false}},
        {"no interval", nothing, [](CPTXYAxis& a) { a.setMajorIntervalLength(Value()); },
         {true, false, false, true}, false},
        {"the same origin as a decimal", nothing,
         [](CPTXYAxis& a) { a.setLabelingOrigin(Value(foundation::Decimal::fromString("0.00"))); },
         {false, false, false, false}},
        {"a longer major tick", nothing, [](CPTXYAxis& a) { a.setMajorTickLength(10); }, {false, true, true, true}},
        {"a longer minor tick", nothing, [](CPTXYAxis& a) { a.setMinorTickLength(10); },
         {false, false, false, true}},
        {"ticks the other way", nothing, [](CPTXYAxis& a) { a.setTickDirection(CPTSignPositive); },
         {false, false, true, true}},
        {"a label offset", nothing, [](CPTXYAxis& a) { a.setLabelOffset(9); }, {false, true, true, false}},
        {"left alignment reaches the labels", nothing, [](CPTXYAxis& a) { a.setLabelAlignment(CPTAlignmentLeft); },
         {false, false, true, false}},
        {"hidden", nothing, [](CPTXYAxis& a) { a.setHidden(true); }, {true, false, false, true}},
        {"shown again", [](CPTXYAxis& a) { a.setHidden(true); }, [](CPTXYAxis& a) { a.setHidden(false); },
         {true, false, false, true}},
        // Ranges are stored as copies and compared by value: the repeat gives an equal range in a new
        // object, which is no change.
        {"a visible range", nothing, [](CPTXYAxis& a) { a.setVisibleRange(range(0, 2)); },
         {true, false, false, true}},
        {"a visible axis range", nothing, [](CPTXYAxis& a) { a.setVisibleAxisRange(range(1, 2)); },
         {true, false, false, true}},
        {"another visible range", [](CPTXYAxis& a) { a.setVisibleRange(range(0, 4)); },
         [](CPTXYAxis& a) { a.setVisibleRange(range(0, 5)); }, {true, false, false, true}},
        {"no visible range", [](CPTXYAxis& a) { a.setVisibleRange(range(0, 4)); },
         [](CPTXYAxis& a) { a.setVisibleRange(nullptr); }, {true, false, false, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto chart = axistest::chart(400, 300, range(0, 4), range(0, 1));
        auto& x = *chart.x;
        c.setUp(x);
        axistest::relabelNow(x);
        auto label = labelAt(x.axisLabels(), 4);
        ASSERT_NE(label, nullptr);
        x.display();
        const double offset = label->offset();
        const CGPoint position = label->contentLayer()->position();
        c.change(x);
        EXPECT_EQ(x.needsRelabel(), c.effect.relabel);
        EXPECT_EQ(label->offset() != offset, c.effect.offsets);
        EXPECT_EQ(label->contentLayer()->position() != position, c.effect.moves);
        EXPECT_EQ(x.needsDisplay(), c.effect.redraw);
        if (!c.repeatIsNoChange)
            continue;
        // The same value again changes nothing.
        x.relabel();
        x.display();
        const bool drawn = x.needsDisplay(); // a hidden layer is not displayed
        c.change(x);
        EXPECT_FALSE(x.needsRelabel());
        EXPECT_EQ(x.needsDisplay(), drawn);
    }
}

TEST(CPTAxis, EqualDivisionsTakeANewPreferredNumberOfTicksAtTheirNextRelabel) {
    auto chart = axistest::chart(400, 300, range(0, 12), range(0, 1));
    auto& x = *chart.x;
    x.setLabelingPolicy(CPTAxisLabelingPolicyEqualDivisions);
    x.setPreferredNumberOfMajorTicks(3);
    axistest::relabelNow(x);
    EXPECT_EQ(texts(x.majorTickLocations()), (Texts{"0", "6", "12"}));
    EXPECT_EQ(labelTexts(x.axisLabels()), (Texts{"0.0", "6.0", "12.0"}));

    // The change alone asks for nothing; the next relabel, asked for by anything, uses the new count.
    x.setPreferredNumberOfMajorTicks(5);
    EXPECT_FALSE(x.needsRelabel());
    EXPECT_EQ(texts(x.majorTickLocations()), (Texts{"0", "6", "12"}));
    x.setNeedsRelabel();
    x.relabel();
    EXPECT_EQ(texts(x.majorTickLocations()), (Texts{"0", "3", "6", "9", "12"}));
    EXPECT_EQ(labelTexts(x.axisLabels()), (Texts{"0.0", "3.0", "6.0", "9.0", "12.0"}));
}

TEST(CPTAxis, AnEqualGridLinesRangeGivenAnewRedrawsNothing) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    auto& x = *chart.x;
    x.setMajorGridLineStyle(CPTLineStyle::lineStyle());
    x.setMinorGridLineStyle(CPTLineStyle::lineStyle());
    axistest::relabelNow(x);
    auto major = chart.plotArea().majorGridLineGroup();
    auto minor = chart.plotArea().minorGridLineGroup();
    ASSERT_NE(major, nullptr);
    ASSERT_NE(minor, nullptr);
    struct Step {
        const char* name;
        std::shared_ptr<CPTPlotRange> range;
        bool redraw;
    };
    const Step steps[] = {
        {"a range", range(0, 2), true},
        {"the same range in a new object", range(0, 2), false},
        {"another range", range(0, 1), true},
        {"none", nullptr, true},
        {"none again", nullptr, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        major->display();
        minor->display();
        x.setGridLinesRange(step.range);
        EXPECT_EQ(major->needsDisplay(), step.redraw);
        EXPECT_EQ(minor->needsDisplay(), step.redraw);
    }
}

TEST(CPTAxis, MajorTickLengthGrowsTheOffsetWhenLabelAndTicksPointTheSameWay) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 1));
    auto& x = *chart.x; // ticks below (-1)
    axistest::relabelNow(x);
    auto label = labelAt(x.axisLabels(), 2);
    EXPECT_EQ(label->offset(), 2.0 + 5.0);
    x.setMajorTickLength(8);
    EXPECT_EQ(label->offset(), 2.0 + 8.0);
    x.setTickLabelDirection(CPTSignPositive);
    EXPECT_EQ(label->offset(), 2.0) << "labels above, ticks below: the ticks are not in the way";
    x.setTickDirection(CPTSignNone);
    EXPECT_EQ(label->offset(), 2.0 + 4.0) << "centred ticks reach half their length";
    x.setTickDirection(static_cast<CPTSign>(7));
    EXPECT_EQ(x.tickOffset(), 0.0);
}

namespace {

class VetoingDelegate : public CPTAxisDelegate {
  public:
    std::optional<bool> axisShouldRelabel(CPTAxis&) override { return allow; }
    void axisDidRelabel(CPTAxis&) override { ++didRelabel; }
    std::optional<bool> axisShouldUpdateAxisLabelsAtLocations(CPTAxis&, const CPTAxis::TickLocations&) override {
        return allowLabels;
    }
    bool allow = true;
    bool allowLabels = true;
    int didRelabel = 0;
};

} // namespace

TEST(CPTAxis, DelegateCanVetoARelabelOrALabelUpdate) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 1));
    auto& x = *chart.x;
    auto delegate = std::make_shared<VetoingDelegate>();
    x.setDelegate(delegate);
    axistest::relabelNow(x);
    EXPECT_EQ(delegate->didRelabel, 1);
    const auto ticks = texts(x.majorTickLocations());
    const auto labels = x.axisLabels();

    delegate->allow = false;
    x.setMajorIntervalLength(Value(2.0));
    x.relabel();
    EXPECT_FALSE(x.needsRelabel()) << "a veto still clears the flag";
    EXPECT_EQ(texts(x.majorTickLocations()), ticks);
    EXPECT_EQ(x.axisLabels(), labels);
    EXPECT_EQ(delegate->didRelabel, 1);

    delegate->allow = true;
    delegate->allowLabels = false;
    axistest::relabelNow(x);
    EXPECT_EQ(texts(x.majorTickLocations()), (Texts{"0", "2", "4"}));
    EXPECT_EQ(x.axisLabels(), labels) << "the labels stay exactly as they were";
    EXPECT_EQ(delegate->didRelabel, 2);
}

TEST(CPTAxisLabels, ReusedByLocationUnlessTheFormatterChanged) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 1));
    auto& x = *chart.x;
    axistest::relabelNow(x);
    EXPECT_EQ(labelTexts(x.axisLabels()), (Texts{"0.0", "1.0", "2.0", "3.0", "4.0"}));
    std::map<double, std::pair<std::shared_ptr<CPTAxisLabel>, std::shared_ptr<CPTLayer>>> before;
    for (const auto& label : x.axisLabels())
        before[label->tickLocation().toDouble()] = {label, label->contentLayer()};

    chart.space->setXRange(range(1, 4));
    axistest::relabelNow(x);
    EXPECT_EQ(labelTexts(x.axisLabels()), (Texts{"1.0", "2.0", "3.0", "4.0", "5.0"}));
    for (double v : {1.0, 2.0, 3.0, 4.0}) {
        auto label = labelAt(x.axisLabels(), v);
        EXPECT_EQ(label, before[v].first) << v;
        EXPECT_EQ(label->contentLayer(), before[v].second) << v;
    }
    // The label that scrolled away left the plot area's label group.
    auto* group = chart.plotArea().axisLabelGroup().get();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(before[0].second->superlayer(), nullptr);
    EXPECT_EQ(labelAt(x.axisLabels(), 5)->contentLayer()->superlayer(), group);

    auto formatter = std::make_shared<foundation::NumberFormatter>();
    formatter->setMaximumFractionDigits(0);
    x.setLabelFormatter(formatter);
    x.relabel();
    EXPECT_EQ(labelTexts(x.axisLabels()), (Texts{"1", "2", "3", "4", "5"}));
    for (double v : {1.0, 2.0, 3.0, 4.0}) {
        EXPECT_EQ(labelAt(x.axisLabels(), v), before[v].first) << "the label object stays";
        EXPECT_NE(labelAt(x.axisLabels(), v)->contentLayer(), before[v].second) << v;
        EXPECT_EQ(before[v].second->superlayer(), nullptr) << "the old layer left the group";
    }
}

TEST(CPTAxisLabels, NoTextStyleRemovesThemAndMinorsNeedAFormatter) {
    auto chart = axistest::chart(400, 300, range(0, 2), range(0, 1));
    auto& x = *chart.x;
    axistest::relabelNow(x);
    EXPECT_EQ(x.axisLabels().size(), 3u);
    EXPECT_TRUE(x.minorTickAxisLabels().empty()) << "no minor formatter, no minor labels";
    EXPECT_EQ(texts(x.minorTickLocations()), (Texts{"0.5", "1.5"}));

    x.setMinorTickLabelFormatter(std::make_shared<foundation::NumberFormatter>());
    EXPECT_TRUE(x.needsRelabel());
    x.relabel();
    EXPECT_EQ(labelTexts(x.minorTickAxisLabels()), (Texts{"0.5", "1.5"}));

    x.setLabelTextStyle(nullptr);
    EXPECT_EQ(x.axisLabels().size(), 3u) << "kept until the next relabel";
    axistest::relabelNow(x);
    EXPECT_TRUE(x.axisLabels().empty());
    EXPECT_EQ(x.minorTickAxisLabels().size(), 2u);
}

namespace {

// A number formatter that also gives rich text: its own digits in red, bold, at the size of the label
// style. It answers none for the locations in `none`, and for zero unless `answersZero`.
class RedDigits : public foundation::NumberFormatter, public CPTAttributedFormatting {
  public:
    std::optional<gfx::RichText> attributedStringForObjectValue(const Value& value,
                                                                const CPTTextAttributes& defaults) const override {
        if (!value.isNumber())
            return std::nullopt;
        const double v = value.toDouble();
        if ((v == 0 && !answersZero) || std::find(none.begin(), none.end(), v) != none.end())
            return std::nullopt;
        gfx::TextAttributes attributes;
        attributes.color = gfx::Color{1, 0, 0, 1};
        attributes.bold = true;
        if (defaults.font)
            attributes.size = defaults.font->size();
        gfx::RichText text;
        text.append(stringForObjectValue(value).value_or("?"), attributes);
        return text;
    }
    bool answersZero = true;
    std::vector<double> none;
};

// The label's rich text, or none when its layer has plain text only.
std::optional<gfx::RichText> richTextAt(const CPTAxis::AxisLabels& labels, double location) {
    auto label = labelAt(labels, location);
    auto* layer = label ? dynamic_cast<CPTTextLayer*>(label->contentLayer().get()) : nullptr;
    return layer ? layer->attributedText() : std::nullopt;
}

} // namespace

TEST(CPTAxisLabels, AFormatterWithRichTextForZeroGivesRichLabels) {
    struct Case {
        const char* name;
        bool answersZero;
        std::vector<double> none;
        Texts texts;
        std::vector<bool> rich; // at 0, 1, 2
    };
    const Case cases[] = {
        {"rich text for every location", true, {}, {"0", "1", "2"}, {true, true, true}},
        {"no rich text for zero: plain labels throughout", false, {}, {"0", "1", "2"}, {false, false, false}},
        {"no rich text for one location: a label without text", true, {1}, {"0", "", "2"}, {true, false, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto chart = axistest::chart(400, 300, range(0, 2), range(0, 1));
        auto& x = *chart.x;
        auto formatter = std::make_shared<RedDigits>();
        formatter->setMaximumFractionDigits(0);
        formatter->answersZero = c.answersZero;
        formatter->none = c.none;
        x.setLabelFormatter(formatter);
        axistest::relabelNow(x);
        EXPECT_EQ(labelTexts(x.axisLabels()), c.texts);
        for (double v : {0.0, 1.0, 2.0}) {
            const auto rich = richTextAt(x.axisLabels(), v);
            EXPECT_EQ(rich.has_value(), c.rich[std::size_t(v)]) << v;
            if (!rich) {
                continue;
            }
            // The formatter's own attributes reach the layer, not the label text style's.
            const auto attributes = attributesOfFirstCharacter(*rich);
            ASSERT_TRUE(attributes.foregroundColor.has_value());
            EXPECT_EQ(*attributes.foregroundColor, (gfx::Color{1, 0, 0, 1}));
            ASSERT_TRUE(attributes.font.has_value());
            EXPECT_TRUE(attributes.font->isBold());
        }
    }
}

TEST(CPTAxisLabels, CategoryNamesOnlyWhereACategoryIs) {
    auto chart = axistest::chart(400, 300, range(-1, 5), range(0, 1), CPTScaleTypeCategory);
    chart.space->setCategories(std::vector<std::string>{"a", "b", "c"}, CPTCoordinateX);
    auto& x = *chart.x;
    x.setLabelingPolicy(CPTAxisLabelingPolicyLocationsProvided);
    x.setMajorTickLocations({Value(-1.0), Value(0.0), Value(1.5), Value(2.0), Value(3.0),
                             Value(std::numeric_limits<double>::quiet_NaN())});
    axistest::relabelNow(x);
    auto byLocation = [&](double v) {
        auto label = labelAt(x.axisLabels(), v);
        auto* layer = label ? dynamic_cast<CPTTextLayer*>(label->contentLayer().get()) : nullptr;
        return layer ? layer->text().value_or("") : std::string("-");
    };
    EXPECT_EQ(byLocation(-1), "-");
    EXPECT_EQ(byLocation(0), "a");
    EXPECT_EQ(byLocation(1.5), "b");
    EXPECT_EQ(byLocation(2), "c");
    EXPECT_EQ(byLocation(3), "-");
}

TEST(CPTAxisLabels, TextsForTheFormatterSettings) {
    struct Case {
        const char* name;
        std::function<void(foundation::NumberFormatter&)> setUp;
        foundation::NumberFormatter::Style style;
        Value location;
        const char* text;
    };
    using Style = foundation::NumberFormatter::Style;
    auto axisDefault = [](foundation::NumberFormatter& f) {
        f.setMinimumIntegerDigits(1);
        f.setMinimumFractionDigits(1);
        f.setMaximumFractionDigits(1);
    };
    const Case cases[] = {
        {"one fraction digit", axisDefault, Style::Decimal, Value(3.0), "3.0"},
        {"half even", axisDefault, Style::Decimal, Value(0.25), "0.2"},
        {"half up",
         [&](foundation::NumberFormatter& f) {
             axisDefault(f);
             f.setRoundingMode(foundation::NumberFormatter::RoundingMode::HalfUp);
         },
         Style::Decimal, Value(0.25), "0.3"},
        {"percent", [](foundation::NumberFormatter&) {}, Style::Percent, Value(0.25), "25%"},
        {"three significant digits",
         [](foundation::NumberFormatter& f) {
             f.setUsesSignificantDigits(true);
             f.setMaximumSignificantDigits(3);
         },
         Style::Decimal, Value(1234.5678), "1,230"},
        {"three significant digits, small",
         [](foundation::NumberFormatter& f) {
             f.setUsesSignificantDigits(true);
             f.setMaximumSignificantDigits(3);
         },
         Style::Decimal, Value(0.012345), "0.0123"},
        // Read as a double the value is 0.25 and would round to "0.2".
        {"a decimal from its digits", axisDefault, Style::Decimal,
         Value(foundation::Decimal::fromString("0.25000000000000000001")), "0.3"},
        {"integers exactly", [](foundation::NumberFormatter&) {}, Style::Decimal,
         Value(std::int64_t{9007199254740993}), "9,007,199,254,740,993"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto chart = axistest::chart(400, 300, range(-1e20, 2e20), range(0, 1));
        auto& x = *chart.x;
        auto formatter = std::make_shared<foundation::NumberFormatter>(c.style, "en_US");
        c.setUp(*formatter);
        x.setLabelFormatter(formatter);
        x.setLabelingPolicy(CPTAxisLabelingPolicyLocationsProvided);
        x.setMajorTickLocations({c.location});
        axistest::relabelNow(x);
        EXPECT_EQ(labelTexts(x.axisLabels()), Texts{c.text});
    }
    axistest::pinLocale();
    foundation::NumberFormatter plain;
    EXPECT_EQ(plain.stringForObjectValue(Value("text")), std::nullopt);
    EXPECT_EQ(plain.stringForObjectValue(Value()), std::nullopt);
}

TEST(CPTAxisLabels, PlacedBesideTheirTicksInThePlotAreasGroup) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    auto& x = *chart.x;
    auto& y = *chart.y;
    axistest::relabelNow(x);
    axistest::relabelNow(y);
    auto label = labelAt(x.axisLabels(), 2);
    ASSERT_NE(label, nullptr);
    // Ticks below: the label's top centre sits the label offset plus the tick length under the line.
    EXPECT_NEAR(label->contentLayer()->anchorPoint().x, 0.5, 1e-12);
    EXPECT_NEAR(label->contentLayer()->anchorPoint().y, 1, 1e-12);
    EXPECT_NEAR(label->contentLayer()->position().x, 200, 0.5);
    EXPECT_NEAR(label->contentLayer()->position().y, -7, 0.5);
    auto yLabel = labelAt(y.axisLabels(), 1);
    EXPECT_NEAR(yLabel->contentLayer()->anchorPoint().x, 1, 1e-12);
    EXPECT_NEAR(yLabel->contentLayer()->anchorPoint().y, 0.5, 1e-12);
    EXPECT_NEAR(yLabel->contentLayer()->position().x, -7, 0.5);
    EXPECT_NEAR(yLabel->contentLayer()->position().y, 100, 0.5);
    EXPECT_EQ(label->contentLayer()->superlayer(), chart.plotArea().axisLabelGroup().get());

    // A caller's labels (policy 0) are shown inside the range and hidden outside it.
    x.setLabelingPolicy(CPTAxisLabelingPolicyNone);
    auto inside = std::make_shared<CPTAxisLabel>(std::string("in"), CPTTextStyle::textStyle());
    inside->setTickLocation(Value(1.0));
    auto outside = std::make_shared<CPTAxisLabel>(std::string("out"), CPTTextStyle::textStyle());
    outside->setTickLocation(Value(9.0));
    x.setAxisLabels({inside, outside});
    EXPECT_EQ(inside->contentLayer()->superlayer(), chart.plotArea().axisLabelGroup().get());
    EXPECT_FALSE(inside->contentLayer()->isHidden());
    EXPECT_TRUE(outside->contentLayer()->isHidden());
    EXPECT_NEAR(inside->contentLayer()->position().x, 100, 0.5);
}

TEST(CPTAxisTitle, BuiltFromTheTitleAndPlacedAtTheMiddle) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    auto& x = *chart.x;
    auto& y = *chart.y;
    x.setTitle(std::string("Days"));
    y.setTitle(std::string("Amount"));
    ASSERT_NE(x.axisTitle(), nullptr);
    const auto layer = x.axisTitle()->contentLayer(); // held past the title's end
    EXPECT_EQ(layer->superlayer(), chart.plotArea().axisTitleGroup().get());
    EXPECT_NEAR(layer->position().x, 200, 0.5);
    EXPECT_NEAR(layer->position().y, -30, 0.5);
    EXPECT_NEAR(y.axisTitle()->contentLayer()->transform().b, 1.0, 1e-9) << "turned beside a y axis";
    x.setTitleLocation(Value(1.0));
    EXPECT_NEAR(layer->position().x, 100, 0.5);
    x.setTitleOffset(40);
    EXPECT_NEAR(layer->position().y, -40, 0.5);

    // Without a title the layer leaves the plot area.
    x.setTitle(std::nullopt);
    EXPECT_EQ(x.axisTitle(), nullptr);
    EXPECT_EQ(layer->superlayer(), nullptr);

    // An attributed title gives the plain title and the text style of its first character.
    gfx::RichText rich;
    rich.append("Rich");
    x.setAttributedTitle(rich);
    EXPECT_EQ(x.title(), std::optional<std::string>("Rich"));
    EXPECT_NE(x.titleTextStyle(), nullptr);
    ASSERT_NE(x.axisTitle(), nullptr);
}

TEST(CPTAxis, LimitBandsAndBandFills) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    auto& x = *chart.x;
    auto band = CPTLimitBand::limitBandWithRange(range(1, 1), CPTFill::fillWithColor(CPTColor::redColor()));
    chart.plotArea().display();
    x.addBackgroundLimitBand(band);
    x.addBackgroundLimitBand(nullptr);
    EXPECT_EQ(x.backgroundLimitBands().size(), 1u);
    EXPECT_TRUE(chart.plotArea().needsDisplay());
    x.removeBackgroundLimitBand(band);
    EXPECT_TRUE(x.backgroundLimitBands().empty());

    // Colours become fills; a null entry stays a gap.
    x.setAlternatingBandFills({CPTColor::blueColor(), nullptr, CPTFill::fillWithColor(CPTColor::greenColor())});
    ASSERT_EQ(x.alternatingBandFills().size(), 3u);
    EXPECT_NE(x.alternatingBandFills()[0], nullptr);
    EXPECT_EQ(x.alternatingBandFills()[1], nullptr);
}

TEST(CPTAxisSet, RemovedAxesTakeTheirLayersAlong) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    auto x = chart.x;
    x->setTitle(std::string("Days"));
    axistest::relabelNow(*x);
    auto* labelLayer = labelAt(x->axisLabels(), 1)->contentLayer().get();
    auto* titleLayer = x->axisTitle()->contentLayer().get();
    ASSERT_NE(labelLayer->superlayer(), nullptr);
    chart.axisSet->setAxes({chart.y});
    EXPECT_EQ(labelLayer->superlayer(), nullptr);
    EXPECT_EQ(titleLayer->superlayer(), nullptr);
    EXPECT_EQ(x->plotArea(), nullptr);
    EXPECT_EQ(chart.axisSet->xAxis(), nullptr);
    EXPECT_EQ(chart.axisSet->axisForCoordinate(CPTCoordinateY, 1), nullptr);
    EXPECT_EQ(chart.axisSet->axisForCoordinate(CPTCoordinateY, 0), chart.y);
}

TEST(CPTAxis, SeparateGridLineLayersLiveInThePlotAreasGroups) {
    auto chart = axistest::chart(400, 300, range(0, 4), range(0, 3));
    auto& x = *chart.x;
    x.setMajorGridLineStyle(std::make_shared<CPTLineStyle>());
    EXPECT_EQ(x.majorGridLines(), nullptr) << "shared groups by default";
    ASSERT_NE(chart.plotArea().majorGridLineGroup(), nullptr);
    x.setSeparateLayers(true);
    ASSERT_NE(x.majorGridLines(), nullptr);
    EXPECT_EQ(x.majorGridLines()->axis(), chart.x);
    EXPECT_TRUE(x.majorGridLines()->major());
    EXPECT_EQ(x.majorGridLines()->superlayer(), chart.plotArea().majorGridLineGroup().get());
    EXPECT_EQ(x.minorGridLines(), nullptr) << "no minor style, no minor layer";
    const auto own = x.majorGridLines(); // held past the axis letting it go
    x.setSeparateLayers(false);
    EXPECT_EQ(x.majorGridLines(), nullptr);
    EXPECT_EQ(own->superlayer(), nullptr);

    // An axis made on the stack can still keep separate layers; they have no axis to draw.
    CPTXYAxis loose;
    loose.setMajorGridLineStyle(std::make_shared<CPTLineStyle>());
    EXPECT_NO_THROW(loose.setSeparateLayers(true));
    EXPECT_EQ(loose.majorGridLines()->axis(), nullptr);
}
