// The plot's data cache: the order in which data-source operations are tried, what each answer becomes,
// categories, precision, insertion and deletion in place, reading back, extents, and bad answers.
#include "FakeDataSource.h"
#include "GraphFixtures.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using foundation::Decimal;
using foundation::Value;

namespace {

const double kNaN = std::nan("");

struct PlotWithSource {
    std::shared_ptr<TestGraph> graph = graphWithPlotArea(200, 100);
    std::shared_ptr<FieldPlot> plot = std::make_shared<FieldPlot>();
    std::shared_ptr<FakeDataSource> source = std::make_shared<FakeDataSource>();
    PlotWithSource() {
        graph->addPlot(plot);
        plot->setDataSource(source);
    }
};

std::vector<double> doublesOf(const CPTPlot& plot, std::uint64_t field, std::uint64_t count) {
    std::vector<double> out;
    for (std::uint64_t i = 0; i < count; ++i)
        out.push_back(plot.cachedDoubleForField(field, i));
    return out;
}

// NaN equal to NaN, for whole-list comparisons.
void expectSamples(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(i);
        if (std::isnan(expected[i]))
            EXPECT_TRUE(std::isnan(actual[i]));
        else
            EXPECT_DOUBLE_EQ(actual[i], expected[i]);
    }
}

} // namespace

TEST(CPTPlotCache, TheFirstOperationAnsweredIsTheOneAsked) {
    struct Case {
        std::set<Answer> answers;
        const char* asked; // the one operation that delivers the x field
        std::vector<const char*> notAsked;
    };
    const Case cases[] = {
        {{Answer::Data, Answer::Doubles, Answer::Numbers}, "data 0 {0, 3}", {"doubles", "numbers"}},
        {{Answer::Doubles, Answer::Numbers}, "doubles 0 {0, 3}", {"numbers", "double ", "number "}},
        {{Answer::Numbers, Answer::Double, Answer::Number}, "numbers 0 {0, 3}", {"double ", "number "}},
        {{Answer::Double, Answer::Number}, "double 0 2", {"number "}},
        {{Answer::Number}, "number 0 2", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        PlotWithSource p;
        p.source->records = 3;
        p.source->answers = c.answers;
        p.source->fields = {{0, numbers({1, 2, 3})}, {1, numbers({4, 5, 6})}};
        p.plot->reloadData();
        const auto& calls = p.source->calls;
        EXPECT_NE(std::find(calls.begin(), calls.end(), c.asked), calls.end());
        for (const char* other : c.notAsked)
            EXPECT_TRUE(p.source->callsStartingWith(other).empty()) << other;
        EXPECT_EQ(p.plot->cachedDataCount(), 3u);
        expectSamples(doublesOf(*p.plot, 0, 3), {1, 2, 3});
        expectSamples(doublesOf(*p.plot, 1, 3), {4, 5, 6});
    }
}

TEST(CPTPlotCache, ANilNumberIsAMissingSampleThatTheExtentSkips) {
    PlotWithSource p;
    p.source->records = 4;
    p.source->answers = {Answer::Number};
    p.source->fields = {{0, numbers({1, 2, kNaN, 4})}, {1, numbers({1, 9, 3, 2})}};
    p.plot->reloadData();
    expectSamples(doublesOf(*p.plot, 0, 4), {1, 2, kNaN, 4});
    auto range = p.plot->plotRangeForField(0);
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->locationDouble(), 1);
    EXPECT_EQ(range->lengthDouble(), 3);
}

TEST(CPTPlotCache, ACountAloneGivesDecimalZeros) {
    PlotWithSource p;
    p.source->records = 3;
    p.plot->reloadData();
    auto x = p.plot->cachedNumbersForField(0);
    ASSERT_NE(x, nullptr);
    EXPECT_TRUE(CPTNumericDataTypeEqual(x->dataType(), CPTPlot::decimalDataType()));
    EXPECT_EQ(x->numberOfSamples(), 3u);
    EXPECT_FALSE(p.plot->doublePrecisionCache());
    for (std::uint64_t i = 0; i < 3; ++i)
        EXPECT_TRUE(p.plot->cachedDecimalForField(0, i).isZero());
    auto range = p.plot->plotRangeForField(1);
    ASSERT_NE(range, nullptr);
    EXPECT_TRUE(range->locationDecimal().isZero());
    EXPECT_TRUE(range->lengthDecimal().isZero());
}

TEST(CPTPlotCache, NoSourceOrAGoneSourceGivesNoData) {
    PlotWithSource p;
    p.source->records = 3;
    p.source->answers = {Answer::Numbers};
    p.source->fields = {{0, numbers({1, 2, 3})}, {1, numbers({1, 2, 3})}};
    p.plot->reloadData();
    EXPECT_EQ(p.plot->cachedDataCount(), 3u);
    p.source.reset();
    EXPECT_EQ(p.plot->dataSource(), nullptr);
    p.plot->reloadData();
    EXPECT_EQ(p.plot->cachedDataCount(), 0u);
    EXPECT_EQ(p.plot->cachedNumbersForField(0), nullptr);
    EXPECT_EQ(p.plot->plotRangeForCoordinate(CPTCoordinateX), nullptr);
}

TEST(CPTPlotCache, DecimalsStayDecimalUntilADoubleFieldArrives) {
    PlotWithSource p;
    p.source->records = 2;
    p.source->answers = {Answer::Numbers};
    p.source->fields = {{0, {Value(Decimal::fromString("1.5")), Value(Decimal::fromString("2.25"))}},
                        {1, {Value(Decimal::fromString("3")), Value(Decimal::fromString("4"))}}};
    p.plot->reloadData();
    EXPECT_TRUE(CPTNumericDataTypeEqual(p.plot->cachedNumbersForField(0)->dataType(), CPTPlot::decimalDataType()));
    EXPECT_EQ(p.plot->cachedDecimalForField(0, 1), Decimal::fromString("2.25"));
    // The same values as plain numbers are cached as doubles, and the last field cached decides.
    p.plot->cacheNumbers(Value(numbers({7, 8})), 1);
    EXPECT_TRUE(CPTNumericDataTypeEqual(p.plot->cachedNumbersForField(0)->dataType(), CPTPlot::doubleDataType()));
    EXPECT_TRUE(p.plot->doublePrecisionCache());
    EXPECT_EQ(p.plot->cachedDoubleForField(0, 1), 2.25);
    // Decimal precision converts in place; automatic again converts nothing back.
    p.plot->setCachePrecision(CPTPlotCachePrecisionDecimal);
    EXPECT_TRUE(CPTNumericDataTypeEqual(p.plot->cachedNumbersForField(1)->dataType(), CPTPlot::decimalDataType()));
    EXPECT_FALSE(p.plot->doublePrecisionCache());
    p.plot->setCachePrecision(CPTPlotCachePrecisionAuto);
    EXPECT_TRUE(CPTNumericDataTypeEqual(p.plot->cachedNumbersForField(1)->dataType(), CPTPlot::decimalDataType()));
    EXPECT_EQ(p.plot->cachedDecimalForField(1, 0), Decimal::fromInt64(7));
}

TEST(CPTPlotCache, TwoDimensionalDataInBothOrders) {
    for (CPTDataOrder order : {CPTDataOrderRowsFirst, CPTDataOrderColumnsFirst}) {
        SCOPED_TRACE(order);
        PlotWithSource p;
        p.source->records = 4;
        p.source->answers = {Answer::Data2D, Answer::Numbers};
        p.source->order = order;
        p.source->fields = {{0, numbers({1, 2, 3, 4})}, {1, numbers({5, 6, 7, 8})}, {2, numbers({9, 10, 11, 12})}};
        p.plot->reloadData();
        EXPECT_TRUE(p.source->callsStartingWith("numbers").empty());
        expectSamples(doublesOf(*p.plot, 0, 4), {1, 2, 3, 4});
        expectSamples(doublesOf(*p.plot, 1, 4), {5, 6, 7, 8});
        expectSamples(doublesOf(*p.plot, 2, 4), {9, 10, 11, 12});
        // An empty cache under automatic precision takes two-dimensional data as decimals.
        EXPECT_FALSE(p.plot->doublePrecisionCache());
    }
}

TEST(CPTPlotCache, CategoryStringsBecomeIndexes) {
    PlotWithSource p;
    auto space = p.graph->xySpace();
    space->setXScaleType(CPTScaleTypeCategory);
    p.plot->reloadData(); // the source has no records yet
    p.plot->cacheNumbers(Value(Value::Array{Value("b"), Value("a"), Value("b")}), 0);
    expectSamples(doublesOf(*p.plot, 0, 3), {0, 1, 0});
    EXPECT_EQ(space->categoriesForCoordinate(CPTCoordinateX), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(p.plot->cachedDataCount(), 3u);
    // A block adds unknown strings at the end first, so they take the next indexes.
    p.source->records = 4;
    p.plot->cacheNumbers(Value(Value::Array{Value("c"), Value("a")}), 0, 2);
    expectSamples(doublesOf(*p.plot, 0, 4), {0, 1, 2, 1});
    EXPECT_EQ(space->categoriesForCoordinate(CPTCoordinateX), (std::vector<std::string>{"b", "a", "c"}));
    // A value that is not a category string is missing.
    p.plot->cacheNumbers(Value(Value::Array{Value("a"), Value(3.0)}), 0);
    expectSamples(doublesOf(*p.plot, 0, 2), {0, kNaN});
}

TEST(CPTPlotCache, InsertingMovesSamplesAndFetchesOnlyTheNewRecords) {
    PlotWithSource p;
    p.source->records = 3;
    p.source->answers = {Answer::Numbers, Answer::Label};
    p.source->fields = {{0, numbers({10, 11, 12})}, {1, numbers({20, 21, 22})}};
    p.plot->reloadData();
    p.source->calls.clear();
    p.source->records = 5;
    p.source->fields = {{0, numbers({10, 13, 14, 11, 12})}, {1, numbers({20, 23, 24, 21, 22})}};
    p.plot->insertDataAtIndex(1, 2);
    EXPECT_EQ(p.plot->cachedDataCount(), 5u);
    expectSamples(doublesOf(*p.plot, 0, 5), {10, 13, 14, 11, 12});
    expectSamples(doublesOf(*p.plot, 1, 5), {20, 23, 24, 21, 22});
    EXPECT_EQ(p.source->callsStartingWith("numbers"),
              (std::vector<std::string>{"numbers 0 {1, 2}", "numbers 1 {1, 2}"}));
    EXPECT_EQ(p.source->callsStartingWith("label"), (std::vector<std::string>{"label 1", "label 2"}));
}

TEST(CPTPlotCache, DeletingDropsSamplesAndLabels) {
    PlotWithSource p;
    p.source->records = 3;
    p.source->answers = {Answer::Numbers, Answer::Label};
    p.source->fields = {{0, numbers({10, 11, 12})}, {1, numbers({20, 21, 22})}};
    for (int i = 0; i < 3; ++i)
        p.source->labels.push_back(std::make_shared<CPTTextLayer>(std::optional<std::string>("L" + std::to_string(i))));
    p.plot->reloadData();
    p.plot->relabel();
    ASSERT_TRUE(p.plot->labelAnnotations());
    auto second = (*p.plot->labelAnnotations())[1];
    p.plot->deleteDataInIndexRange(NSMakeRange(0, 1));
    EXPECT_EQ(p.plot->cachedDataCount(), 2u);
    expectSamples(doublesOf(*p.plot, 0, 2), {11, 12});
    ASSERT_EQ(p.plot->labelAnnotations()->size(), 2u);
    EXPECT_EQ((*p.plot->labelAnnotations())[0], second);
    EXPECT_EQ(p.plot->annotations().size(), 2u);
    EXPECT_EQ(p.plot->dataLabels().size(), 2u);
}

TEST(CPTPlotCache, WritesOutsideTheRecordsRaiseAndChangeNothing) {
    PlotWithSource p;
    p.source->records = 3;
    p.source->answers = {Answer::Numbers};
    p.source->fields = {{0, numbers({1, 2, 3})}, {1, numbers({4, 5, 6})}};
    p.plot->reloadData();
    const std::vector<std::function<void()>> misuse = {
        [&] { p.plot->insertDataAtIndex(4, 1); },
        [&] { p.plot->deleteDataInIndexRange(NSMakeRange(2, 2)); },
        [&] { p.plot->deleteDataInIndexRange(NSMakeRange(1, UINT64_MAX)); },
    };
    for (const auto& call : misuse) {
        try {
            call();
            ADD_FAILURE() << "no exception";
        } catch (const CPTException& e) {
            EXPECT_EQ(e.name(), NSRangeException);
        }
        EXPECT_EQ(p.plot->cachedDataCount(), 3u);
        expectSamples(doublesOf(*p.plot, 0, 3), {1, 2, 3});
    }
    // Inserting at the end is fine.
    p.source->records = 4;
    p.source->fields[0].push_back(Value(9.0));
    p.plot->insertDataAtIndex(3, 1);
    expectSamples(doublesOf(*p.plot, 0, 4), {1, 2, 3, 9});
}

TEST(CPTPlotCache, ReadingBeyondTheSamplesGivesNaN) {
    PlotWithSource p;
    p.plot->cacheNumbers(Value(numbers({1, 2})), 0);
    EXPECT_TRUE(std::isnan(p.plot->cachedDoubleForField(0, 2)));
    EXPECT_TRUE(p.plot->cachedDecimalForField(0, 2).isNaN());
    EXPECT_EQ(p.plot->cachedNumberForField(0, 2), std::nullopt);
    EXPECT_TRUE(std::isnan(p.plot->cachedDoubleForField(7, 0)));
    EXPECT_EQ(p.plot->cachedNumberForField(7, 0), std::nullopt);
}

TEST(CPTPlotCache, AFieldOfAnotherFormatRaisesWhenRead) {
    PlotWithSource p;
    p.plot->cacheNumbers(Value(numbers({1, 2})), 0);
    p.plot->cachedNumbersForField(0)->setDataType(CPTNumericDataTypeFromString("<i4"));
    for (auto read : {std::function<void()>([&] { p.plot->cachedDoubleForField(0, 0); }),
                      std::function<void()>([&] { p.plot->cachedDecimalForField(0, 0); })}) {
        try {
            read();
            ADD_FAILURE() << "no exception";
        } catch (const CPTException& e) {
            EXPECT_EQ(e.reason(), "Unsupported data type format");
        }
    }
}

TEST(CPTPlotCache, AnswersOfTheWrongKindOrSize) {
    // A string for a list of numbers is refused.
    {
        struct StringSource : FakeDataSource {
            std::optional<Value> numbersForPlot(CPTPlot&, std::uint64_t, NSRange) override { return Value("1, 2"); }
        };
        PlotWithSource p;
        auto source = std::make_shared<StringSource>();
        source->records = 2;
        p.plot->setDataSource(source);
        try {
            p.plot->reloadData();
            ADD_FAILURE() << "no exception";
        } catch (const CPTException& e) {
            EXPECT_EQ(e.reason(), "Unsupported number array format");
        }
    }
    // Short answers are padded with missing values, long ones cut; strings inside are missing.
    for (Answer answer : {Answer::Doubles, Answer::Numbers, Answer::Data}) {
        SCOPED_TRACE(int(answer));
        PlotWithSource p;
        p.source->records = 4;
        p.source->answers = {answer};
        p.source->fields = {{0, {Value(1.0), Value("two")}}, {1, numbers({1, 2, 3, 4})}};
        p.plot->reloadData();
        expectSamples(doublesOf(*p.plot, 0, 4), {1, kNaN, kNaN, kNaN});
    }
    // Nothing behind the doubles is no data.
    PlotWithSource p;
    p.source->records = 2;
    p.source->answers = {Answer::Doubles};
    p.source->nullDoubles = true;
    p.plot->reloadData();
    EXPECT_EQ(p.plot->cachedNumbersForField(0), nullptr);
    EXPECT_EQ(p.plot->cachedDataCount(), 0u);
}

TEST(CPTPlotCache, ListsAtAnIndexGrowToTheRecordCount) {
    PlotWithSource p;
    p.source->records = 2;
    auto fill = CPTFill::fillWithColor(CPTColor::redColor());
    p.plot->cacheArray({CPTPlotObject(fill)}, "fills", 1);
    ASSERT_NE(p.plot->cachedArrayForKey("fills"), nullptr);
    EXPECT_EQ(p.plot->cachedArrayForKey("fills")->size(), 2u);
    EXPECT_TRUE(p.plot->cachedValueForKey("fills", 0)->isNull());
    // The records grew: the list grows with null entries before it is written past its old end.
    p.source->records = 4;
    p.plot->cacheArray({CPTPlotObject(fill), CPTPlotObject::nilData(), CPTPlotObject(fill)}, "fills", 2);
    const CPTPlotObjectList& list = *p.plot->cachedArrayForKey("fills");
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1].object<CPTFill>(), fill);
    EXPECT_TRUE(list[3].isNilData());
    EXPECT_EQ(p.plot->cachedDataCount(), 4u);
    EXPECT_EQ(p.plot->cachedValueForKey("fills", 4), std::nullopt);
    EXPECT_EQ(p.plot->cachedValueForKey("strokes", 0), std::nullopt);
    // The nil marker is one object, distinct from the null entry.
    EXPECT_EQ(CPTPlotObject::nilData(), CPTPlotObject(CPTPlotObject::NilData{}));
    EXPECT_FALSE(CPTPlotObject::nilData() == CPTPlotObject());
}

TEST(CPTPlotCache, ExtentsOfFieldsAndCoordinates) {
    PlotWithSource p;
    p.plot->reloadData(); // the source has no records
    p.plot->cacheNumbers(Value(numbers({kNaN, kNaN})), 0);
    p.plot->cacheNumbers(Value(numbers({3, 5, 2, std::numeric_limits<double>::infinity()})), 1);
    EXPECT_EQ(p.plot->plotRangeForField(0), nullptr);
    auto y = p.plot->plotRangeForCoordinate(CPTCoordinateY);
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->locationDouble(), 2);
    EXPECT_EQ(y->lengthDouble(), 3);
    EXPECT_EQ(p.plot->plotRangeForCoordinate(CPTCoordinateX), nullptr);
    // The same in decimals.
    p.plot->setCachePrecision(CPTPlotCachePrecisionDecimal);
    y = p.plot->plotRangeForField(1);
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(y->locationDecimal(), Decimal::fromInt64(2));
    EXPECT_EQ(y->lengthDecimal(), Decimal::fromInt64(3));
}

TEST(CPTPlotCache, ExtentsSkipMissingAndInfiniteSamplesAnywhere) {
    // The samples go in as raw doubles, so NaN, infinities and signed zeros reach the cache as they are.
    auto bytesOf = [](const std::vector<double>& values) {
        CPTNumericData::Bytes bytes(values.size() * sizeof(double));
        std::memcpy(bytes.data(), values.data(), bytes.size());
        return bytes;
    };
    const double inf = std::numeric_limits<double>::infinity();
    // A long field: the least value in the last place, the greatest early, missing and infinite ones
    // between them, and a count that leaves a few samples past whole groups of four.
    std::vector<double> longField;
    for (int i = 0; i < 1001; ++i)
        longField.push_back(i % 7 == 0 ? kNaN : i % 11 == 0 ? (i % 2 ? inf : -inf) : 50 + 40 * std::sin(i));
    longField[2] = 1e6;
    longField.back() = -1e6;
    struct Case {
        const char* name;
        std::vector<double> samples;
        bool none;
        double location, length;
        bool negativeZeroLocation;
    };
    const Case cases[] = {
        {"missing and infinite skipped", {kNaN, inf, -inf, 4, -3, kNaN, 7, 2, 5}, false, -3, 10, false},
        {"only missing and infinite", {kNaN, inf, -inf, kNaN, inf}, true, 0, 0, false},
        {"one sample", {5}, false, 5, 0, false},
        {"least and greatest in the last places", {1, 2, 3, 4, 5, 6, 7, 8, -9, 10}, false, -9, 19, false},
        {"a long field", longField, false, -1e6, 2e6, false},
        // Zeros of both signs compare equal; the first one in the field is the extent's end.
        {"the first zero kept: positive", {5, 0.0, 7, 8, -0.0, 9}, false, 0, 9, false},
        {"the first zero kept: negative", {5, -0.0, 7, 8, 0.0, 9}, false, 0, 9, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWithSource p;
        p.plot->reloadData();
        p.plot->cacheNumbers(bytesOf(c.samples), 1);
        auto range = p.plot->plotRangeForField(1);
        if (c.none) {
            EXPECT_EQ(range, nullptr);
            continue;
        }
        ASSERT_NE(range, nullptr);
        EXPECT_EQ(range->locationDouble(), c.location);
        EXPECT_EQ(range->lengthDouble(), c.length);
        if (c.location == 0) {
            EXPECT_EQ(std::signbit(range->locationDouble()), c.negativeZeroLocation);
        }
        // Decimals skip the missing samples too and find the same extent.
        p.plot->setCachePrecision(CPTPlotCachePrecisionDecimal);
        auto decimal = p.plot->plotRangeForField(1);
        ASSERT_NE(decimal, nullptr);
        EXPECT_EQ(decimal->locationDouble(), c.location);
        EXPECT_EQ(decimal->lengthDouble(), c.length);
    }
}

TEST(CPTPlotCache, StaleDataReloadsWhenItIsRead) {
    PlotWithSource p;
    p.source->records = 2;
    p.source->answers = {Answer::Numbers};
    p.source->fields = {{0, numbers({1, 2})}, {1, numbers({3, 4})}};
    EXPECT_TRUE(p.plot->dataNeedsReloading());
    EXPECT_EQ(p.plot->cachedDataCount(), 2u);
    EXPECT_FALSE(p.plot->dataNeedsReloading());
    p.source->fields[0] = numbers({5, 9});
    p.plot->setDataNeedsReloading();
    auto x = p.plot->plotRangeForField(0);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->locationDouble(), 5);
    // Drawing reloads too, and tells the delegate when it is done.
    struct Delegate : CPTPlotDelegate {
        int finished = 0;
        bool didFinishDrawing(CPTPlot&) override { return ++finished; }
    };
    auto delegate = std::make_shared<Delegate>();
    p.plot->setDelegate(delegate);
    p.source->fields[0] = numbers({6, 9});
    p.plot->setDataNeedsReloading();
    auto rc = gfx::makeRecordingContext();
    p.plot->drawInContext(*rc.context);
    EXPECT_EQ(p.plot->cachedDoubleForField(0, 0), 6);
    EXPECT_EQ(delegate->finished, 1);
}
