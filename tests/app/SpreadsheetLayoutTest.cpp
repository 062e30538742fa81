// The Browse grid's layout on a real collection view: origins, content size, pinned headers, the
// rectangle cache and when sizes are asked again.
#include "app/SpreadsheetLayout.h"
#include "platform/host/HeadlessHost.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace ui;

// The Browse sizes by default: column 0 50 wide, the others 150; row 0 50 high, the others 40.
struct Sizes : SpreadsheetLayoutDelegate {
    std::function<double(uint64_t)> widthOf = [](uint64_t c) { return c == 0 ? 50.0 : 150.0; };
    std::function<double(uint64_t)> heightOf = [](uint64_t r) { return r == 0 ? 50.0 : 40.0; };
    int widthsAsked = 0;
    double width(uint64_t column, CollectionView*) override {
        ++widthsAsked;
        return widthOf(column);
    }
    double height(uint64_t row, CollectionView*) override { return heightOf(row); }
};

struct Grid : CollectionViewDataSource {
    int sections = 30;
    int items = 20;
    int numberOfSectionsInCollectionView(CollectionView&) override { return sections; }
    int numberOfItemsInSection(CollectionView&, int) override { return items; }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath ip) override {
        return view.dequeueReusableCellWithReuseIdentifier("Cell", ip);
    }
};

struct SpreadsheetLayoutTest : ::testing::Test {
    host::HeadlessHost host{{320, 480}};
    Sizes sizes;
    Grid grid;
    std::shared_ptr<SpreadsheetLayout> layout = std::make_shared<SpreadsheetLayout>();
    std::shared_ptr<CollectionView> view;

    void show() {
        layout->setDelegate(&sizes);
        view = std::make_shared<CollectionView>(Rect{0, 0, 320, 480}, layout);
        host.window().addSubview(view);
        view->setDataSource(&grid);
        host.drain();
    }
    Rect frameOf(int section, int item) const { return layout->layoutAttributesForItemAtIndexPath({section, item})->frame; }
};

TEST_F(SpreadsheetLayoutTest, TheCornerAloneIsTheWholeGrid) {
    grid.sections = 1;
    grid.items = 1;
    show();
    EXPECT_EQ(layout->collectionViewContentSize(), (Size{50, 50}));
    auto all = layout->layoutAttributesForElementsInRect({0, 0, 320, 480});
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0]->zIndex, 2);
    EXPECT_EQ(all[0]->frame, (Rect{0, 0, 50, 50}));
}

TEST_F(SpreadsheetLayoutTest, OriginsAreTheSumsOfTheExtentsBeforeWhetherOrNotTheContentSizeWasAsked) {
    layout->setDelegate(&sizes);
    // Not yet in a collection view: nothing computed, origins filled on demand.
    EXPECT_EQ(layout->originForColumn(3), 350);
    EXPECT_EQ(layout->originForRow(2), 90);
    EXPECT_EQ(layout->originForColumn(1), 50);
    EXPECT_EQ(layout->originForRow(1), 50);
    EXPECT_EQ(layout->originForColumn(0), 0);
    show();
    EXPECT_EQ(layout->collectionViewContentSize(), (Size{50 + 19 * 150, 50 + 29 * 40}));
    EXPECT_EQ(layout->columnOrigins().size(), 20u);
    EXPECT_EQ(layout->rowOrigins().size(), 30u);
    EXPECT_EQ(layout->originForColumn(3), 350);
    EXPECT_EQ(layout->originForRow(2), 90);
    EXPECT_EQ(frameOf(2, 3), (Rect{350, 90, 150, 40}));
}

TEST_F(SpreadsheetLayoutTest, ALongGridFillsItsOriginsWithoutDeepRecursion) {
    layout->setDelegate(&sizes);
    EXPECT_EQ(layout->originForRow(100'000), 50 + 99'999 * 40.0);
    EXPECT_EQ(layout->rowOrigins().size(), 100'001u);
    EXPECT_EQ(layout->originForRow(50'000), 50 + 49'999 * 40.0);
}

TEST_F(SpreadsheetLayoutTest, HeadersArePinnedToTheContentOffsetAndTheBodyStays) {
    show();
    view->setContentOffset({500, 300});
    host.drain();
    struct Case {
        IndexPath ip;
        Point origin;
        int zIndex;
    };
    const Case cases[] = {
        {{0, 0}, {500, 300}, 2}, // corner
        {{0, 2}, {200, 300}, 1}, // header row, column 2
        {{3, 0}, {500, 130}, 1}, // header column, row 3
        {{3, 2}, {200, 130}, 0}, // body
        {{10, 5}, {650, 410}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ip.section << "," << c.ip.row);
        auto a = layout->layoutAttributesForItemAtIndexPath(c.ip);
        EXPECT_EQ(a->frame.origin, c.origin);
        EXPECT_EQ(a->zIndex, c.zIndex);
        // The cells on screen show the same.
        if (auto* cell = view->cellForItemAtIndexPath(c.ip)) {
            EXPECT_EQ(cell->frame().origin, c.origin);
        }
    }
    // Drawn in zIndex order: the corner is the front-most cell.
    EXPECT_EQ(view->subviews().back().get(), view->cellForItemAtIndexPath({0, 0}));
}

TEST_F(SpreadsheetLayoutTest, TheSameRectangleGivesTheSameAttributesUntilAnInvalidation) {
    show();
    const Rect r = view->bounds();
    auto first = layout->layoutAttributesForElementsInRect(r);
    ASSERT_EQ(first.size(), 30u * 20u);
    auto again = layout->layoutAttributesForElementsInRect(r);
    ASSERT_EQ(again.size(), first.size());
    EXPECT_EQ(again.front().get(), first.front().get());
    EXPECT_EQ(again.back().get(), first.back().get());
    EXPECT_EQ(layout->layoutAttributesInRectCache(), r);

    // A bounds change (a scroll step) rebuilds them.
    view->setContentOffset({0, 40});
    host.drain();
    auto scrolled = layout->layoutAttributesForElementsInRect(view->bounds());
    EXPECT_NE(scrolled.front().get(), first.front().get());
    EXPECT_EQ(scrolled.front()->frame.origin, (Point{0, 40}));

    // So does a reload with the bounds unchanged.
    view->reloadData();
    host.drain();
    auto reloaded = layout->layoutAttributesForElementsInRect(view->bounds());
    EXPECT_NE(reloaded.front().get(), scrolled.front().get());

    // Answers that nobody holds any more may be filled again; they still say what a fresh one says.
    first.clear();
    again.clear();
    scrolled.clear();
    reloaded.clear();
    for (Point o : {Point{150, 80}, Point{0, 0}, Point{300, 45}}) {
        view->setContentOffset(o);
        host.drain();
        for (const auto& a : layout->layoutAttributesForElementsInRect(view->bounds())) {
            auto fresh = layout->layoutAttributesForItemAtIndexPath(a->indexPath);
            ASSERT_EQ(a->frame, fresh->frame);
            ASSERT_EQ(a->zIndex, fresh->zIndex);
        }
    }

    // The invalidation clears only the attributes.
    layout->invalidateLayout();
    EXPECT_TRUE(layout->layoutAttributesCache().empty());
    EXPECT_EQ(layout->layoutAttributesInRectCache(), Rect{});
    EXPECT_NE(layout->contentSizeCache(), Size{});
}

TEST_F(SpreadsheetLayoutTest, ANewRowRebuildsTheContentSizeAWidthChangeAloneDoesNot) {
    show();
    const Size before = layout->collectionViewContentSize();
    grid.sections = 31;
    view->reloadData();
    host.drain();
    EXPECT_EQ(layout->rowCountCache(), 31u);
    EXPECT_EQ(view->contentSize(), (Size{before.width, before.height + 40}));

    // Wider columns without a change of counts: the cached size and origins stay.
    sizes.widthOf = [](uint64_t c) { return c == 0 ? 50.0 : 200.0; };
    sizes.widthsAsked = 0;
    view->reloadData();
    host.drain();
    EXPECT_EQ(view->contentSize().width, before.width);
    EXPECT_EQ(layout->originForColumn(3), 350);
    // Until the delegate clears the size itself.
    layout->setContentSizeCache({});
    layout->invalidateLayout();
    host.drain();
    EXPECT_EQ(view->contentSize().width, 50 + 19 * 200);
    EXPECT_EQ(layout->originForColumn(3), 450);
}

TEST_F(SpreadsheetLayoutTest, FractionalSizesGiveFramesWidenedToWholePoints) {
    sizes.widthOf = [](uint64_t c) { return c == 0 ? 50.5 : 150.25; };
    sizes.heightOf = [](uint64_t r) { return r == 0 ? 50.5 : 40.4; };
    show();
    struct Case {
        IndexPath ip;
        Rect frame;
    };
    const Case cases[] = {
        {{1, 1}, {50, 50, 151, 41}},   // (50.5, 50.5, 150.25, 40.4)
        {{2, 2}, {200, 90, 151, 42}},  // (200.75, 90.9, 150.25, 40.4)
        {{0, 0}, {0, 0, 51, 51}},      // (0, 0, 50.5, 50.5)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ip.section << "," << c.ip.row);
        EXPECT_EQ(frameOf(c.ip.section, c.ip.row), c.frame);
    }
}

} // namespace
