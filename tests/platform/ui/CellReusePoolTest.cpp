// The reuse pool on its own: cells wait under their own identifier, come back prepared, and leave
// their superview when recycled.
#include "platform/ui/CellReusePool.h"
#include "platform/ui/TableView.h"
#include "platform/ui/View.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace ui;

class CountingCell : public View {
  public:
    CountingCell(std::string id, std::string madeBy) : id_(std::move(id)), madeBy_(std::move(madeBy)) {}
    const std::string& reuseIdentifier() const { return id_; }
    void prepareForReuse() { ++prepared; }
    const std::string& madeBy() const { return madeBy_; }
    int prepared = 0;

  private:
    std::string id_;
    std::string madeBy_;
};

CellReusePool<IndexPath, CountingCell> makePool() {
    CellReusePool<IndexPath, CountingCell> pool(
        [](const std::string& id) { return std::make_shared<CountingCell>(id, "fallback"); });
    pool.registerFactory("photo",
                         [](const std::string& id) { return std::make_shared<CountingCell>(id, "photo"); });
    return pool;
}

TEST(CellReusePool, ARecycledCellComesBackPreparedOnlyUnderItsOwnIdentifier) {
    auto pool = makePool();
    auto parent = View::make(Rect{0, 0, 100, 100});
    auto photo = pool.dequeue("photo");
    EXPECT_EQ(photo->madeBy(), "photo");
    parent->addSubview(photo);
    pool.show({0, 0}, photo);
    pool.recycle({0, 0});
    EXPECT_EQ(photo->superview(), nullptr);
    EXPECT_EQ(pool.cellAt({0, 0}), nullptr);
    EXPECT_EQ(pool.cellCount(), 1u);

    // Another identifier never takes the waiting photo cell: it is made anew, by the fallback.
    auto text = pool.dequeue("text");
    EXPECT_NE(text, photo);
    EXPECT_EQ(text->madeBy(), "fallback");
    EXPECT_EQ(photo->prepared, 0);

    auto again = pool.dequeue("photo");
    EXPECT_EQ(again, photo);
    EXPECT_EQ(again->prepared, 1);
    // Handed out, it is no longer held; recycling a place showing nothing changes nothing.
    EXPECT_EQ(pool.cellCount(), 0u);
    pool.recycle({3, 3});
    EXPECT_EQ(pool.cellCount(), 0u);
}

TEST(CellReusePool, RecycleIfTakesOnlyThePlacesItIsToldAndRecycleAllTheRest) {
    auto pool = makePool();
    auto parent = View::make(Rect{0, 0, 100, 100});
    for (int row = 0; row < 4; ++row) {
        auto cell = pool.dequeue(row % 2 ? "photo" : "text");
        parent->addSubview(cell);
        pool.show({0, row}, cell);
    }
    pool.recycleIf([](const IndexPath& ip) { return ip.row >= 2; });
    ASSERT_EQ(pool.visible().size(), 2u);
    EXPECT_NE(pool.cellAt({0, 0}), nullptr);
    EXPECT_NE(pool.cellAt({0, 1}), nullptr);
    EXPECT_EQ(pool.cellAt({0, 2}), nullptr);
    EXPECT_EQ(parent->subviews().size(), 2u);
    EXPECT_EQ(pool.cellCount(), 4u);

    pool.recycleAll();
    EXPECT_TRUE(pool.visible().empty());
    EXPECT_TRUE(parent->subviews().empty());
    EXPECT_EQ(pool.cellCount(), 4u);
    // Two of each identifier wait; a third of either is made anew.
    for (const char* id : {"photo", "text"}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(pool.dequeue(id)->prepared, 1);
        EXPECT_EQ(pool.dequeue(id)->prepared, 1);
        EXPECT_EQ(pool.dequeue(id)->prepared, 0);
    }
    EXPECT_EQ(pool.cellCount(), 0u);
}

TEST(CellReusePool, AReloadGivesEachPlaceTheCellThatShowedIt) {
    auto pool = makePool();
    auto parent = View::make(Rect{0, 0, 100, 100});
    std::vector<CountingCell*> shown;
    for (int row = 0; row < 4; ++row) {
        auto cell = pool.dequeue("photo", IndexPath{0, row});
        parent->addSubview(cell);
        shown.push_back(pool.show({0, row}, cell));
    }
    pool.recycleAll();
    // Asked for in any order, each place gets its own cell back.
    for (int row : {2, 0, 3, 1}) {
        SCOPED_TRACE(row);
        auto cell = pool.dequeue("photo", IndexPath{0, row});
        EXPECT_EQ(cell.get(), shown[size_t(row)]);
        EXPECT_EQ(cell->prepared, 1);
        pool.show({0, row}, cell);
    }
    // A place no waiting cell showed takes the one recycled last; so does a dequeue naming no place.
    pool.recycle({0, 1});
    pool.recycle({0, 3});
    EXPECT_EQ(pool.dequeue("photo", IndexPath{0, 9}).get(), shown[3]);
    EXPECT_EQ(pool.dequeue("photo").get(), shown[1]);
    EXPECT_EQ(pool.cellCount(), 2u);
}

} // namespace
