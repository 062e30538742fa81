// The Browse grid's parts together on a real workspace: the spreadsheet layout, the grid cells and the
// cell results controller, arranged as the Browse screen arranges them, at 1024 x 768 and on a phone.
// Checked by content: cells and texts in place, headers pinned after a scroll, colours at known points.
#include "app/BrowseGridCells.h"
#include "app/SpreadsheetLayout.h"
#include "platform/host/HeadlessHost.h"
#include "platform/store/FetchedResultsController.h"
#include "platform/ui/Driver.h"
#include "tests/RenderChecks.h"
#include "tests/model/StoreFixture.h"

#include <gtest/gtest.h>

namespace {

using namespace ui;

// The grid's data source and sizes as the Browse screen has them (browsing, and editing without the
// add-row and add-column items).
struct GridSource : CollectionViewDataSource, SpreadsheetLayoutDelegate {
    Model& model;
    std::vector<std::shared_ptr<Column>> columns;
    std::unique_ptr<store::FetchedResultsController> cells;
    bool editing = false;

    explicit GridSource(Model& m) : model(m) {}
    void refresh() {
        columns = model.columns();
        store::FetchRequest r;
        r.entity = Cell::entityName;
        r.sortDescriptors = {{"rowNum", true}, {"colNum", true}};
        r.fetchLimit = 10000;
        cells = std::make_unique<store::FetchedResultsController>(r, model.managedObjectContext(), "rowNum");
        EXPECT_FALSE(cells->performFetch());
    }
    double width(uint64_t column, CollectionView*) override { return column == 0 ? 50 : 150; }
    double height(uint64_t row, CollectionView*) override { return row == 0 ? 50 : 40; }
    int numberOfSectionsInCollectionView(CollectionView&) override { return int(cells->sectionCount()) + 1; }
    int numberOfItemsInSection(CollectionView&, int s) override {
        return s == 0 ? int(columns.size()) + 1 : int(cells->objectCount(size_t(s - 1))) + 1;
    }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath ip) override {
        const int s = ip.section, c = ip.row;
        std::shared_ptr<CollectionViewCell> cell;
        if (c == 0) {
            auto row = std::static_pointer_cast<RowHeaderCell>(view.dequeueReusableCellWithReuseIdentifier("RowHeader", ip));
            row->label().setText(s == 0 ? "" : cells->sectionName(size_t(s - 1)));
            cell = row;
        } else if (s == 0 && !editing) {
            auto head = std::static_pointer_cast<ColHeaderCell>(view.dequeueReusableCellWithReuseIdentifier("ColHeader", ip));
            head->label().setText(columns[size_t(c - 1)]->name());
            head->button().setTag(c - 1);
            cell = head;
        } else if (s == 0) {
            auto head = std::static_pointer_cast<EditColumnCell>(view.dequeueReusableCellWithReuseIdentifier("EditColumn", ip));
            head->field().setText(columns[size_t(c - 1)]->name());
            head->setColumnIndex(uint64_t(c - 1));
            head->setIndexPath(ip);
            cell = head;
        } else if (!editing) {
            auto data = std::static_pointer_cast<RowHeaderCell>(view.dequeueReusableCellWithReuseIdentifier("Data", ip));
            data->label().setText(cells->objectAt<Cell>(size_t(c - 1), size_t(s - 1))->data());
            cell = data;
        } else {
            auto data = std::static_pointer_cast<EditDataCell>(view.dequeueReusableCellWithReuseIdentifier("EditData", ip));
            data->field().setText(cells->objectAt<Cell>(size_t(c - 1), size_t(s - 1))->data());
            data->setDataIndex({s - 1, c - 1});
            data->setIndexPath(ip);
            cell = data;
        }
        cell->layer().setBorderColor(Color{0.8, 0.8, 0.8, 1});
        cell->layer().setBorderWidth(2);
        return cell;
    }
};

struct Screen {
    const char* name;
    Size size;
    UserInterfaceIdiom idiom;
};

class BrowseGridTest : public StoreTest, public ::testing::WithParamInterface<Screen> {
  protected:
    host::HeadlessHost host{GetParam().size, GetParam().idiom};
    Driver driver{host.window(), host};
    std::unique_ptr<Model> model = mainModel();
    std::unique_ptr<GridSource> source;
    std::shared_ptr<SpreadsheetLayout> layout = std::make_shared<SpreadsheetLayout>();
    std::shared_ptr<CollectionView> grid;

    void SetUp() override {
        StoreTest::SetUp();
        model->openStore(path("grid.ov"));
        std::vector<std::vector<std::string>> texts(12);
        for (size_t k = 0; k < texts.size(); ++k)
            for (int r = 1; r <= 300; ++r)
                texts[k].push_back(k == 2 && r % 3 == 0 ? "" : std::to_string(r * 10 + int(k)) + (k == 3 ? " kg of a long text" : ""));
        workspaceOf(*model, texts);
        model->columns()[1]->setName("a column name far longer than its cell");
        source = std::make_unique<GridSource>(*model);
        source->refresh();
        layout->setDelegate(source.get());
        grid = std::make_shared<CollectionView>(host.window().bounds(), layout);
        grid->setBackgroundColor(Color::white());
        grid->registerCellFactory("RowHeader", [](const std::string& id) { return std::make_shared<RowHeaderCell>(id); });
        grid->registerCellFactory("Data", [](const std::string& id) { return std::make_shared<RowHeaderCell>(id); });
        grid->registerCellFactory("ColHeader", [](const std::string& id) { return std::make_shared<ColHeaderCell>(id); });
        grid->registerCellFactory("EditColumn", [](const std::string& id) { return std::make_shared<EditColumnCell>(id); });
        grid->registerCellFactory("EditData", [](const std::string& id) { return std::make_shared<EditDataCell>(id); });
        host.window().addSubview(grid);
        grid->setDataSource(source.get());
        host.drain();
    }
    std::string shot(const std::string& what) {
        auto file = renderChecks::scratchPath(std::string("browse-grid-") + GetParam().name + "-" + what + ".png");
        EXPECT_TRUE(driver.saveScreenshot(file, 2));
        return file;
    }
    static bool near(Color a, Color b) {
        return std::abs(a.red - b.red) < 0.02 && std::abs(a.green - b.green) < 0.02 && std::abs(a.blue - b.blue) < 0.02;
    }
    Color at(double x, double y) { return driver.screenshot().pixel(int(x), int(y)); }
};

TEST_P(BrowseGridTest, CellsShowTheWorkspaceAndOnlyWhatMeetsTheWindow) {
    const Size window = GetParam().size;
    // One grid row per fetched row plus the header row, every cell of the workspace within the limit.
    EXPECT_EQ(grid->numberOfSections(), 301);
    EXPECT_EQ(grid->contentSize(), (Size{50 + 12 * 150, 50 + 300 * 40}));
    const size_t columnsShown = size_t(std::ceil((window.width - 50) / 150)) + 1;
    const size_t rowsShown = size_t(std::ceil((window.height - 50) / 40)) + 1;
    EXPECT_EQ(grid->visibleCells().size(), columnsShown * rowsShown);

    auto* corner = dynamic_cast<RowHeaderCell*>(grid->cellForItemAtIndexPath({0, 0}));
    auto* name = dynamic_cast<ColHeaderCell*>(grid->cellForItemAtIndexPath({0, 2}));
    auto* number = dynamic_cast<RowHeaderCell*>(grid->cellForItemAtIndexPath({3, 0}));
    auto* value = dynamic_cast<RowHeaderCell*>(grid->cellForItemAtIndexPath({3, 1}));
    ASSERT_TRUE(corner && name && number && value);
    EXPECT_EQ(driver.text(corner->viewWithIdentifier("label")), "");
    EXPECT_EQ(driver.text(name->viewWithIdentifier("label")), "a column name far longer than its cell");
    EXPECT_EQ(name->button().tag(), 1);
    ASSERT_TRUE(name->button().imageForState(StateNormal));
    EXPECT_EQ(name->button().imageForState(StateNormal)->size(), (Size{20, 20}));
    EXPECT_EQ(driver.text(number->viewWithIdentifier("label")), "3");
    EXPECT_EQ(driver.text(value->viewWithIdentifier("label")), "30");
    EXPECT_EQ(value->frame(), (Rect{50, 130, 150, 40}));

    // Colours at known points: the orange header row, the grey header column, white values.
    EXPECT_TRUE(near(at(60, 10), Color{1.0, 0.8, 0.4, 1}));
    EXPECT_TRUE(near(at(10, 100), Color::gray(0.9)));
    EXPECT_TRUE(near(at(195, 140), Color::white()));
    // The widest row number there can be fits the header column's label.
    auto& label = number->label();
    EXPECT_LE(label.font().widthOf("100000"), label.frame().width());
    shot("browsing");
}

TEST_P(BrowseGridTest, ScrolledTheHeadersStayPinnedOverTheBody) {
    grid->setContentOffset({620, 2000});
    host.drain();
    auto* corner = grid->cellForItemAtIndexPath({0, 0});
    ASSERT_NE(corner, nullptr);
    EXPECT_EQ(corner->frame().origin, (Point{620, 2000}));
    // Row 50 starts at 50 + 49 * 40 = 2010: its number sits at the left edge, under the header row.
    auto* number = dynamic_cast<RowHeaderCell*>(grid->cellForItemAtIndexPath({50, 0}));
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->frame().origin, (Point{620, 2010}));
    EXPECT_EQ(number->label().text(), "50");
    // On screen: the corner's grey at the top-left, the header row's orange right of it, the header
    // column's grey below it and the body's white in the middle.
    EXPECT_TRUE(near(at(10, 10), Color::gray(0.9)));
    EXPECT_TRUE(near(at(100, 10), Color{1.0, 0.8, 0.4, 1}));
    EXPECT_TRUE(near(at(10, 120), Color::gray(0.9)));
    shot("scrolled");
}

TEST_P(BrowseGridTest, EditingShowsFieldsThatKnowTheirPlaces) {
    source->editing = true;
    grid->reloadData();
    host.drain();
    auto* head = dynamic_cast<EditColumnCell*>(grid->cellForItemAtIndexPath({0, 2}));
    auto* data = dynamic_cast<EditDataCell*>(grid->cellForItemAtIndexPath({4, 1}));
    ASSERT_TRUE(head && data);
    EXPECT_EQ(head->columnIndex(), 1u);
    EXPECT_EQ(head->indexPath(), (IndexPath{0, 2}));
    EXPECT_EQ(data->dataIndex(), (IndexPath{3, 0}));
    EXPECT_EQ(data->field().text(), "40");
    // The driver finds the fields by their outlet name and types into them.
    ASSERT_TRUE(driver.typeInto(&data->field(), "5"));
    EXPECT_EQ(data->field().text(), "405");
    shot("editing");
}

INSTANTIATE_TEST_SUITE_P(Screens, BrowseGridTest,
                         ::testing::Values(Screen{"pad", {1024, 768}, UserInterfaceIdiom::Pad},
                                           Screen{"phone", {375, 667}, UserInterfaceIdiom::Phone}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
