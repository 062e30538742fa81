// Collection views: a 10,000-cell grid with a frozen header row and column, driven by a custom layout
// (call order, extended attributes, zIndex, cells only for the visible rect), and a flow layout.
#include "platform/ui/CollectionView.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace ui;

constexpr int kRows = 100, kColumns = 100;
constexpr double kWidth = 80, kHeight = 30;

struct GridAttributes : CollectionViewLayoutAttributes {
    bool header = false;
};

// Row 0 stays at the top and column 0 at the left while the grid scrolls under them.
class FrozenHeaderLayout : public CollectionViewLayout {
  public:
    std::vector<std::string> calls;
    void prepareLayout() override { calls.push_back("prepare"); }
    Size collectionViewContentSize() const override {
        const_cast<FrozenHeaderLayout*>(this)->calls.push_back("size");
        return {kColumns * kWidth, kRows * kHeight};
    }
    bool shouldInvalidateLayoutForBoundsChange(const Rect&) const override { return true; }
    LayoutAttributesPtr layoutAttributesForItemAtIndexPath(IndexPath ip) const override {
        int row = ip.row / kColumns, col = ip.row % kColumns;
        Rect b = collectionView()->bounds();
        auto a = std::make_shared<GridAttributes>();
        a->indexPath = ip;
        double x = col == 0 ? b.minX() : col * kWidth;
        double y = row == 0 ? b.minY() : row * kHeight;
        a->frame = {x, y, kWidth, kHeight};
        a->zIndex = (row == 0) + (col == 0);
        a->header = row == 0 || col == 0;
        return a;
    }
    std::vector<LayoutAttributesPtr> layoutAttributesForElementsInRect(const Rect& r) const override {
        const_cast<FrozenHeaderLayout*>(this)->calls.push_back("rect");
        int c0 = std::max(1, int(r.minX() / kWidth)),
            c1 = std::min(kColumns - 1, int(std::ceil(r.maxX() / kWidth)));
        int r0 = std::max(1, int(r.minY() / kHeight)),
            r1 = std::min(kRows - 1, int(std::ceil(r.maxY() / kHeight)));
        std::vector<LayoutAttributesPtr> out;
        auto add = [&](int row, int col) {
            auto a = layoutAttributesForItemAtIndexPath({0, row * kColumns + col});
            if (a->frame.intersects(r))
                out.push_back(a);
        };
        add(0, 0);
        for (int col = c0; col <= c1; ++col)
            add(0, col);
        for (int row = r0; row <= r1; ++row) {
            add(row, 0);
            for (int col = c0; col <= c1; ++col)
                add(row, col);
        }
        return out;
    }
};

struct GridCell : CollectionViewCell {
    using CollectionViewCell::CollectionViewCell;
    bool header = false;
    void applyLayoutAttributes(const CollectionViewLayoutAttributes& a) override {
        CollectionViewCell::applyLayoutAttributes(a);
        auto* grid = dynamic_cast<const GridAttributes*>(&a);
        header = grid && grid->header;
    }
};

struct Grid : CollectionViewDataSource, CollectionViewDelegate {
    int count = kRows * kColumns;
    std::vector<IndexPath> selected;
    int numberOfItemsInSection(CollectionView&, int) override { return count; }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath ip) override {
        return view.dequeueReusableCellWithReuseIdentifier("Cell", ip);
    }
    void didSelectItemAtIndexPath(CollectionView&, IndexPath ip) override { selected.push_back(ip); }
};

struct FrozenGrid : ::testing::Test {
    host::HeadlessHost host{{320, 480}};
    Driver driver{host.window(), host};
    std::shared_ptr<FrozenHeaderLayout> layout = std::make_shared<FrozenHeaderLayout>();
    std::shared_ptr<CollectionView> view = std::make_shared<CollectionView>(Rect{0, 0, 320, 480}, layout);
    Grid grid;
    void SetUp() override {
        view->registerCellFactory("Cell",
                                  [](const std::string& id) { return std::make_shared<GridCell>(id); });
        host.window().addSubview(view);
        view->setDataSource(&grid);
        view->setCollectionDelegate(&grid);
        host.drain();
    }
};

TEST_F(FrozenGrid, TheLayoutIsAskedInOrderAndItsOwnAttributesReachTheCells) {
    ASSERT_GE(layout->calls.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(layout->calls.begin(), layout->calls.begin() + 3),
              (std::vector<std::string>{"prepare", "size", "rect"}));
    EXPECT_EQ(view->contentSize(), (Size{kColumns * kWidth, kRows * kHeight}));
    auto* corner = dynamic_cast<GridCell*>(view->cellForItemAtIndexPath({0, 0}));
    ASSERT_NE(corner, nullptr);
    EXPECT_TRUE(corner->header);
    // Headers are drawn above the body: the corner is the front-most cell.
    EXPECT_EQ(view->subviews().back().get(), corner);
}

TEST_F(FrozenGrid, ScrollingFiftyScreensKeepsOnlyAScreensWorthOfCellsAndTheHeadersFrozen) {
    const size_t fit = size_t(std::ceil(320 / kWidth) + 2) * size_t(std::ceil(480 / kHeight) + 2);
    for (int screen = 1; screen <= 50; ++screen) {
        Point o{std::fmod(screen * 320.0, kColumns * kWidth - 320),
                std::fmod(screen * 480.0, kRows * kHeight - 480)};
        view->setContentOffset(o);
        host.drain();
        ASSERT_LE(view->cellCount(), fit) << "screen " << screen;
        ASSERT_NE(view->cellForItemAtIndexPath({0, 0}), nullptr);
        ASSERT_EQ(view->cellForItemAtIndexPath({0, 0})->frame().origin, o);
    }
    // A tap where a header covers the body picks the header.
    Point o = view->contentOffset();
    auto ip = view->indexPathForItemAtPoint({o.x + 5, o.y + 5});
    ASSERT_TRUE(ip);
    EXPECT_EQ(*ip, (IndexPath{0, 0}));
    driver.tapAt({200, 200});
    ASSERT_EQ(grid.selected.size(), 1u);
    int row = grid.selected[0].row / kColumns, col = grid.selected[0].row % kColumns;
    EXPECT_EQ(row, int((o.y + 200) / kHeight));
    EXPECT_EQ(col, int((o.x + 200) / kWidth));
}

// A layout that answers every item for any rectangle and counts the invalidations it hears of.
class EveryItemLayout : public FrozenHeaderLayout {
  public:
    int invalidations = 0;
    bool followsBounds = true;
    void invalidateLayout() override {
        ++invalidations;
        FrozenHeaderLayout::invalidateLayout();
    }
    bool shouldInvalidateLayoutForBoundsChange(const Rect&) const override { return followsBounds; }
    std::vector<LayoutAttributesPtr> layoutAttributesForElementsInRect(const Rect&) const override {
        std::vector<LayoutAttributesPtr> out;
        for (int i = 0; i < kRows * kColumns; ++i)
            out.push_back(layoutAttributesForItemAtIndexPath({0, i}));
        return out;
    }
};

struct EveryItemGrid : ::testing::Test {
    host::HeadlessHost host{{320, 480}};
    std::shared_ptr<EveryItemLayout> layout = std::make_shared<EveryItemLayout>();
    std::shared_ptr<CollectionView> view = std::make_shared<CollectionView>(Rect{0, 0, 320, 480}, layout);
    Grid grid;
    void SetUp() override {
        host.window().addSubview(view);
        view->setDataSource(&grid);
        host.drain();
    }
    // The items whose frames meet the visible bounds.
    size_t meetingTheWindow() const {
        size_t n = 0;
        Rect b = view->bounds();
        for (const auto& a : layout->layoutAttributesForElementsInRect(b))
            n += a->frame.intersects(b);
        return n;
    }
};

TEST_F(EveryItemGrid, CellsAreMadeOnlyForWhatMeetsTheWindowBeforeAndAfterScrolling) {
    size_t most = meetingTheWindow();
    EXPECT_EQ(view->visibleCells().size(), most);
    EXPECT_EQ(view->cellCount(), most);
    for (int screen = 1; screen <= 50; ++screen) {
        view->setContentOffset({std::fmod(screen * 320.0, kColumns * kWidth - 320),
                                std::fmod(screen * 480.0, kRows * kHeight - 480)});
        host.drain();
        size_t meeting = meetingTheWindow();
        most = std::max(most, meeting);
        ASSERT_EQ(view->visibleCells().size(), meeting) << "screen " << screen;
        // Cells that scrolled away wait for reuse; no more are ever made than one window needs.
        ASSERT_LE(view->cellCount(), most) << "screen " << screen;
    }
}

TEST_F(EveryItemGrid, TheLayoutHearsOfEachInvalidationOfTheViewOnce) {
    layout->invalidations = 0;
    view->setContentOffset({0, 100});
    host.drain();
    EXPECT_EQ(layout->invalidations, 1) << "an accepted bounds change";
    view->reloadData();
    host.drain();
    EXPECT_EQ(layout->invalidations, 2) << "a reload";
    layout->followsBounds = false;
    view->setContentOffset({0, 200});
    host.drain();
    EXPECT_EQ(layout->invalidations, 2) << "a refused bounds change";
    // The layout's own call asks for a new prepare without coming back to it.
    layout->calls.clear();
    layout->FrozenHeaderLayout::invalidateLayout();
    host.drain();
    EXPECT_EQ(layout->invalidations, 2);
    ASSERT_FALSE(layout->calls.empty());
    EXPECT_EQ(layout->calls.front(), "prepare");
}

struct Items : CollectionViewDataSource {
    int count = 20;
    int numberOfItemsInSection(CollectionView&, int) override { return count; }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath ip) override {
        return view.dequeueReusableCellWithReuseIdentifier("Item", ip);
    }
};

TEST(FlowLayout, PlacesItemsInRowsAndBatchDeletionCompletes) {
    host::HeadlessHost host{{320, 480}};
    auto flow = std::make_shared<CollectionViewFlowLayout>();
    flow->itemSize = {100, 100};
    flow->minimumInteritemSpacing = 10;
    flow->minimumLineSpacing = 10;
    auto view = std::make_shared<CollectionView>(Rect{0, 0, 320, 480}, flow);
    Items items;
    host.window().addSubview(view);
    view->setDataSource(&items);
    host.drain();
    // Three fit in a row: 3 * 100 + 2 * 10 = 320.
    EXPECT_EQ(view->cellForItemAtIndexPath({0, 2})->frame(), (Rect{220, 0, 100, 100}));
    EXPECT_EQ(view->cellForItemAtIndexPath({0, 3})->frame(), (Rect{0, 110, 100, 100}));
    EXPECT_EQ(view->contentSize().height, 7 * 100 + 6 * 10);
    bool completed = false;
    view->performBatchUpdates(
        [&] {
            items.count = 15;
            view->deleteItemsAtIndexPaths({{0, 15}, {0, 16}, {0, 17}, {0, 18}, {0, 19}});
        },
        [&](bool finished) { completed = finished; });
    host.drain();
    EXPECT_TRUE(completed);
    EXPECT_EQ(view->contentSize().height, 5 * 100 + 4 * 10);
    view->scrollToItemAtIndexPath({0, 14}, false);
    host.drain();
    EXPECT_NE(view->cellForItemAtIndexPath({0, 14}), nullptr);
    EXPECT_EQ(view->contentOffset(), (Point{0, 540 - 480}));
}

// Answers the item size and insets in place of the layout's own, and refuses to select item 1.
struct SizingDelegate : CollectionViewDelegate {
    std::vector<IndexPath> selected;
    std::optional<Size> sizeForItemAtIndexPath(CollectionView&, CollectionViewLayout&, IndexPath) override {
        return Size{80, 80};
    }
    std::optional<EdgeInsets> insetForSectionAtIndex(CollectionView&, CollectionViewLayout&, int) override {
        return EdgeInsets{20, 20, 20, 20};
    }
    bool shouldSelectItemAtIndexPath(CollectionView&, IndexPath ip) override { return ip.row != 1; }
    void didSelectItemAtIndexPath(CollectionView&, IndexPath ip) override { selected.push_back(ip); }
};

TEST(FlowLayout, ScrollingSidewaysFillsColumnsDownTheHeightWithTheDelegatesSizes) {
    host::HeadlessHost host{{320, 480}};
    Driver driver(host.window(), host);
    auto flow = std::make_shared<CollectionViewFlowLayout>();
    flow->scrollDirection = ScrollDirection::Horizontal;
    flow->minimumInteritemSpacing = 0; // between the items of a column
    flow->minimumLineSpacing = 10;     // between columns
    auto view = std::make_shared<CollectionView>(Rect{0, 0, 320, 200}, flow);
    Items items;
    items.count = 7;
    SizingDelegate delegate;
    host.window().addSubview(view);
    view->setDataSource(&items);
    view->setCollectionDelegate(&delegate);
    host.drain();
    // 200 high less the insets leaves 160: two items of 80 a column, so seven take four columns.
    const Rect expected[] = {{20, 20, 80, 80},  {20, 100, 80, 80},  {110, 20, 80, 80}, {110, 100, 80, 80},
                             {200, 20, 80, 80}, {200, 100, 80, 80}, {290, 20, 80, 80}};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        auto a = flow->layoutAttributesForItemAtIndexPath({0, i});
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->frame, expected[i]);
    }
    EXPECT_EQ(view->contentSize(), (Size{20 + 4 * 80 + 3 * 10 + 20, 200}));

    // A refused item is neither selected nor reported; the others are.
    driver.tapAt({60, 140});
    driver.tapAt({60, 60});
    EXPECT_EQ(delegate.selected, (std::vector<IndexPath>{{0, 0}}));
}

} // namespace
