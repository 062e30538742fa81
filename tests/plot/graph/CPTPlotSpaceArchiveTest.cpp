// Plot spaces through an archive: every key of the base and the XY plot space comes back, a missing
// range stays none, the older momentum key sets both flags, the drag state and categories start
// anew, the graph link follows the archive, and damaged values fail the decode.
#include "GraphFixtures.h"
#include "tests/platform/foundation/RefusedArchives.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <gtest/gtest.h>

#include <functional>

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::Value;

namespace {

std::vector<std::uint8_t> archive(const CPTPlotSpace& space) {
    KeyedArchiver coder(space.className());
    space.encodeWithCoder(coder);
    return coder.encodedData();
}

std::shared_ptr<CPTPlotSpace> unarchive(const std::vector<std::uint8_t>& data, std::string* error = nullptr) {
    KeyedUnarchiver coder(data);
    auto space = coder.decodeRootObject<CPTPlotSpace>({"CPTPlotSpace", "CPTXYPlotSpace"}, CPTPlotSpace::plotSpaceWithCoder);
    if (error != nullptr)
        *error = coder.error();
    return space;
}

bool sameRange(const std::shared_ptr<CPTPlotRange>& a, const std::shared_ptr<CPTPlotRange>& b) {
    return a == nullptr ? b == nullptr : b != nullptr && a->isEqualToRange(b.get());
}

std::shared_ptr<CPTXYPlotSpace> everythingSet() {
    auto space = std::make_shared<CPTXYPlotSpace>();
    space->setXRange(CPTPlotRange::plotRangeWithLocation(Value(-2.5), Value(10.0)));
    space->setYRange(CPTPlotRange::plotRangeWithLocation(Value(1.0), Value(1000.0)));
    space->setGlobalXRange(CPTPlotRange::plotRangeWithLocation(Value(-5.0), Value(20.0)));
    space->setGlobalYRange(CPTPlotRange::plotRangeWithLocation(Value(0.5), Value(5000.0)));
    space->setYScaleType(CPTScaleTypeLog);
    space->setAllowsMomentumX(true);
    space->setMomentumAnimationCurve(3);
    space->setBounceAnimationCurve(7);
    space->setMomentumAcceleration(1234.5);
    space->setBounceAcceleration(0.25);
    space->setMinimumDisplacementToDrag(9);
    space->setIdentifier(Value("prices"));
    space->setAllowsUserInteraction(true);
    space->setCategories(std::vector<std::string>{"north", "south", "Ünter"}, CPTCoordinateX);
    space->setIsDragging(true);
    return space;
}

} // namespace

TEST(CPTPlotSpaceArchiving, RoundTrips) {
    struct Case {
        const char* name;
        std::function<std::vector<std::uint8_t>()> data;
        std::function<void(const CPTXYPlotSpace& original, const CPTXYPlotSpace& decoded)> check;
    };
    const auto full = everythingSet();
    const Case cases[] = {
        {"every key", [&] { return archive(*full); },
         [](const CPTXYPlotSpace& o, const CPTXYPlotSpace& d) {
             EXPECT_TRUE(sameRange(d.xRange(), o.xRange()));
             EXPECT_TRUE(sameRange(d.yRange(), o.yRange()));
             EXPECT_TRUE(sameRange(d.globalXRange(), o.globalXRange()));
             EXPECT_TRUE(sameRange(d.globalYRange(), o.globalYRange()));
             EXPECT_NE(d.xRange(), o.xRange()); // copies
             EXPECT_EQ(d.xScaleType(), CPTScaleTypeLinear);
             EXPECT_EQ(d.yScaleType(), CPTScaleTypeLog);
             EXPECT_TRUE(d.allowsMomentumX());
             EXPECT_FALSE(d.allowsMomentumY());
             EXPECT_EQ(d.momentumAnimationCurve(), 3);
             EXPECT_EQ(d.bounceAnimationCurve(), 7);
             EXPECT_EQ(d.momentumAcceleration(), 1234.5);
             EXPECT_EQ(d.bounceAcceleration(), 0.25);
             EXPECT_EQ(d.minimumDisplacementToDrag(), 9.0);
             EXPECT_EQ(d.identifier(), Value("prices"));
             EXPECT_TRUE(d.allowsUserInteraction());
             EXPECT_FALSE(d.isDragging()); // the drag state starts anew
             EXPECT_EQ(d.graph(), nullptr); // no graph in the archive
             EXPECT_EQ(d.delegate(), nullptr);
         }},
        {"the categories, as a copy of their own",
         [&] { return archive(*full); },
         [](const CPTXYPlotSpace& o, const CPTXYPlotSpace& d) {
             auto& decoded = const_cast<CPTXYPlotSpace&>(d);
             EXPECT_EQ(decoded.categoriesForCoordinate(CPTCoordinateX), (std::vector<std::string>{"north", "south", "Ünter"}));
             EXPECT_TRUE(decoded.categoriesForCoordinate(CPTCoordinateY).empty());
             decoded.addCategory("east", CPTCoordinateX);
             EXPECT_EQ(decoded.indexOfCategory("east", CPTCoordinateX), 3u);
             EXPECT_EQ(const_cast<CPTXYPlotSpace&>(o).categoriesForCoordinate(CPTCoordinateX).size(), 3u);
         }},
        {"a plot space without ranges keeps none",
         [] {
             KeyedArchiver coder("CPTXYPlotSpace");
             coder.encodeInteger(0, "CPTXYPlotSpace.xScaleType");
             return coder.encodedData();
         },
         [](const CPTXYPlotSpace&, const CPTXYPlotSpace& d) {
             EXPECT_EQ(d.xRange(), nullptr);
             EXPECT_EQ(d.yRange(), nullptr);
             EXPECT_EQ(d.globalXRange(), nullptr);
             EXPECT_FALSE(d.allowsUserInteraction());
         }},
        {"the older momentum key sets both flags",
         [] {
             KeyedArchiver coder("CPTXYPlotSpace");
             coder.encodeBool(true, "CPTXYPlotSpace.allowsMomentum");
             coder.encodeBool(false, "CPTXYPlotSpace.allowsMomentumX");
             return coder.encodedData();
         },
         [](const CPTXYPlotSpace&, const CPTXYPlotSpace& d) {
             EXPECT_TRUE(d.allowsMomentumX());
             EXPECT_TRUE(d.allowsMomentumY());
         }},
        {"the older momentum key off clears both",
         [] {
             KeyedArchiver coder("CPTXYPlotSpace");
             coder.encodeBool(false, "CPTXYPlotSpace.allowsMomentum");
             coder.encodeBool(true, "CPTXYPlotSpace.allowsMomentumY");
             return coder.encodedData();
         },
         [](const CPTXYPlotSpace&, const CPTXYPlotSpace& d) {
             EXPECT_FALSE(d.allowsMomentumX());
             EXPECT_FALSE(d.allowsMomentumY());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto decoded = std::dynamic_pointer_cast<CPTXYPlotSpace>(unarchive(c.data(), &error));
        ASSERT_NE(decoded, nullptr) << error;
        c.check(*full, *decoded);
    }

    // The base class on its own.
    CPTPlotSpace base;
    base.setIdentifier(Value(7));
    auto decoded = unarchive(archive(base));
    ASSERT_NE(decoded, nullptr);
    EXPECT_STREQ(decoded->className(), "CPTPlotSpace");
    EXPECT_EQ(decoded->identifier(), Value(7));
}

TEST(CPTPlotSpaceArchiving, TheGraphLinkFollowsTheArchive) {
    // A graph written as the root holding its plot space, which links back to it conditionally.
    auto graph = graphWithPlotArea(200, 100);
    auto space = graph->defaultPlotSpace();
    KeyedArchiver coder("CPTXYGraph");
    coder.setRootIdentity(static_cast<const CPTLayer*>(graph.get()));
    coder.encodeSharedObject(space.get(), space->className(), "space",
                             [&space](KeyedArchiver& c) { space->encodeWithCoder(c); });
    const auto data = coder.encodedData();

    std::shared_ptr<CPTPlotSpace> decodedSpace;
    KeyedUnarchiver reader(data);
    auto decodedGraph = reader.decodeRootObject<CPTLayer>({"CPTXYGraph"}, [&decodedSpace](KeyedUnarchiver& c) {
        auto g = graphWithPlotArea(200, 100);
        decodedSpace = c.decodeSharedObject<CPTPlotSpace>("space", {"CPTXYPlotSpace"}, CPTPlotSpace::plotSpaceWithCoder);
        return std::shared_ptr<CPTLayer>(g);
    });
    ASSERT_NE(decodedGraph, nullptr) << reader.error();
    ASSERT_NE(decodedSpace, nullptr);
    EXPECT_EQ(decodedSpace->graph(), decodedGraph.get());

    // The plot space alone: the graph is not in the archive, so there is no link.
    auto alone = unarchive(archive(*space));
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(alone->graph(), nullptr);
}

TEST(CPTPlotSpaceArchiving, DamagedValuesFailTheDecode) {
    const std::vector<refusedArchives::Case> cases = {
        {"an unknown scale type", "CPTXYPlotSpace", [](KeyedArchiver& c) { c.encodeInteger(17, "CPTXYPlotSpace.yScaleType"); },
         "is not a scale type"},
        {"categories that are not a dictionary", "CPTXYPlotSpace",
         [](KeyedArchiver& c) { c.encodeValue(Value("north"), "CPTPlotSpace.categoryNames"); }, "categoryNames"},
        {"a category that is not a name", "CPTPlotSpace",
         [](KeyedArchiver& c) {
             c.encodeValue(Value(Value::Dictionary{{"0", Value(Value::Array{Value(1.5)})}}), "CPTPlotSpace.categoryNames");
         },
         "categoryNames"},
        {"categories of a third coordinate", "CPTPlotSpace",
         [](KeyedArchiver& c) {
             c.encodeValue(Value(Value::Dictionary{{"2", Value(Value::Array{Value("a")})}}), "CPTPlotSpace.categoryNames");
         },
         "categoryNames"},
        {"a range of another class", "CPTXYPlotSpace",
         [](KeyedArchiver& c) { c.encodeObject("CPTColor", "CPTXYPlotSpace.xRange", nullptr); }, "unexpected class"},
        {"a flag of another type", "CPTXYPlotSpace",
         [](KeyedArchiver& c) { c.encodeString("yes", "CPTPlotSpace.allowsUserInteraction"); }, "not a boolean"},
        {"a plot space of another class", "CPTPolarPlotSpace", [](KeyedArchiver&) {}, "unexpected class"},
    };
    refusedArchives::expectRefused(cases, unarchive);
}
