// Data labels of plots: when labels are wanted, the default formatter, labels reused in place and
// dropped for missing values or records, content anchors away from the point, and the legend's
// layout notice on title changes.
#include "FakeDataSource.h"
#include "GraphFixtures.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/NumberFormatter.h"
#include "plot/foundation/CPTTextStyle.h"

#include <gtest/gtest.h>

#include <cmath>

using foundation::Value;

namespace {

struct LabelledPlot {
    std::shared_ptr<TestGraph> graph = graphWithPlotArea(200, 100);
    std::shared_ptr<FieldPlot> plot = std::make_shared<FieldPlot>();
    std::shared_ptr<FakeDataSource> source = std::make_shared<FakeDataSource>();
    explicit LabelledPlot(std::initializer_list<double> ys) {
        graph->addPlot(plot);
        source->answers = {Answer::Numbers};
        setValues(ys);
        plot->setDataSource(source);
    }
    void setValues(std::initializer_list<double> ys) {
        Value::Array xs;
        for (std::size_t i = 0; i < ys.size(); ++i)
            xs.emplace_back(double(i));
        source->records = ys.size();
        source->fields = {{0, xs}, {1, numbers(ys)}};
    }
    void layout() {
        plot->reloadData();
        plot->relabel();
    }
    std::string textOf(std::size_t i) const {
        auto layer = std::dynamic_pointer_cast<CPTTextLayer>((*plot->labelAnnotations())[i]->contentLayer());
        return layer && layer->text() ? *layer->text() : "";
    }
};

} // namespace

TEST(CPTPlotLabels, NoStyleFormatterOrSourceLabelsGivesNoAnnotations) {
    LabelledPlot p({1, 2});
    p.plot->setLabelField(1);
    p.layout();
    EXPECT_FALSE(p.plot->labelAnnotations());
    EXPECT_TRUE(p.plot->annotations().empty());
}

TEST(CPTPlotLabels, ATextStyleAloneWritesOneFractionDigit) {
    foundation::setCurrentLocale("en_US");
    LabelledPlot p({2, 0.25, 1234.56});
    p.plot->setLabelField(1);
    p.plot->setLabelTextStyle(CPTTextStyle::textStyle());
    p.layout();
    ASSERT_TRUE(p.plot->labelAnnotations());
    EXPECT_EQ(p.textOf(0), "2.0");
    EXPECT_EQ(p.textOf(1), "0.2");
    EXPECT_EQ(p.textOf(2), "1,234.6");
    // A formatter set first is kept.
    LabelledPlot q({2});
    q.plot->setLabelField(1);
    auto own = std::make_shared<foundation::NumberFormatter>(foundation::NumberFormatter::Style::Percent, "en_US");
    q.plot->setLabelFormatter(own);
    q.plot->setLabelTextStyle(CPTTextStyle::textStyle());
    EXPECT_EQ(q.plot->labelFormatter(), own);
}

TEST(CPTPlotLabels, AnnotationsFollowTheValuesAndTheRecords) {
    foundation::setCurrentLocale("en_US");
    LabelledPlot p({1, 2, 3, 4, 5});
    p.plot->setLabelField(1);
    p.plot->setLabelTextStyle(CPTTextStyle::textStyle());
    p.layout();
    ASSERT_EQ(p.plot->labelAnnotations()->size(), 5u);
    auto second = (*p.plot->labelAnnotations())[1];
    EXPECT_EQ(p.plot->annotations().size(), 5u);

    // A missing value loses its label; the others stay, reused in place.
    p.setValues({1, NAN, 3, 4, 5});
    p.layout();
    EXPECT_FALSE((*p.plot->labelAnnotations())[1]);
    EXPECT_EQ(p.plot->annotations().size(), 4u);
    p.setValues({1, 7, 3, 4, 5});
    p.layout();
    EXPECT_EQ(p.textOf(1), "7.0");

    auto first = (*p.plot->labelAnnotations())[0];
    p.setValues({1, 2, 3});
    p.layout();
    EXPECT_EQ(p.plot->labelAnnotations()->size(), 3u);
    EXPECT_EQ(p.plot->annotations().size(), 3u);
    EXPECT_EQ((*p.plot->labelAnnotations())[0], first) << "reused, not made again";
    (void)second;
}

TEST(CPTPlotLabels, ContentAnchorsFaceAwayFromThePoint) {
    struct Case {
        CGPoint displacement;
        CGPoint anchor;
    };
    const Case cases[] = {
        {{0, 10}, {0.5, 0}},
        {{10, 0}, {0, 0.5}},
        {{0, -10}, {0.5, 1}},
        {{-10, 0}, {1, 0.5}},
        {{0, 0}, {0.5, 0}},
    };
    CPTPlot plot;
    for (const Case& c : cases) {
        CPTPlotSpaceAnnotation label(std::make_shared<CPTXYPlotSpace>(), std::nullopt);
        label.setDisplacement(c.displacement);
        plot.updateContentAnchorForLabel(&label);
        EXPECT_NEAR(label.contentAnchorPoint().x, c.anchor.x, 1e-12) << c.displacement.x << "," << c.displacement.y;
        EXPECT_NEAR(label.contentAnchorPoint().y, c.anchor.y, 1e-12) << c.displacement.x << "," << c.displacement.y;
    }
}

TEST(CPTPlotLabels, OneLayoutNoticePerTitleChange) {
    CPTPlot plot;
    NotificationListener layouts(CPTLegendNeedsLayoutForPlotNotification, &plot);
    plot.setTitle(std::string("Means"));
    EXPECT_EQ(layouts.count(), 1u);
    plot.setTitle(std::string("Means"));
    EXPECT_EQ(layouts.count(), 1u);
    gfx::RichText rich;
    rich.append("Medians");
    plot.setAttributedTitle(rich);
    EXPECT_EQ(layouts.count(), 2u);
    EXPECT_EQ(plot.title(), "Medians");
    plot.setIdentifier(Value("id"));
    plot.setTitle(std::nullopt);
    EXPECT_EQ(layouts.count(), 3u);
    EXPECT_EQ(plot.titleForLegendEntryAtIndex(0), "id");
}
