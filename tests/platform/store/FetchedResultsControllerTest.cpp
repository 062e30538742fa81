// The cell results controller of the Browse grid on real workspace files: sections per row, the row
// filter as one JSON argument, the cell limit, unsaved inserts and deletes, edits in place, one change
// notice per main-queue turn, and a store that is gone.
#include "platform/store/FetchedResultsController.h"
#include "platform/foundation/Dispatch.h"
#include "tests/model/StoreFixture.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using store::FetchedResultsController;

// The grid's request: every cell in (rowNum, colNum) order, at most 10,000, optionally only the rows of
// a row set.
store::FetchRequest cellsOfRows(const std::optional<std::vector<int64_t>>& rows = std::nullopt) {
    store::FetchRequest r;
    r.entity = Cell::entityName;
    r.sortDescriptors = {{"rowNum", true}, {"colNum", true}};
    r.fetchLimit = 10000;
    if (rows) {
        r.predicate = "\"rowNum\" IN (SELECT value FROM json_each(?))";
        r.arguments = {store::Value(store::jsonIntegers(*rows))};
    }
    return r;
}

struct Recorder : store::FetchedResultsControllerDelegate {
    int changes = 0;
    void controllerDidChangeContent(FetchedResultsController&) override { ++changes; }
};

struct ResultsControllerTest : StoreTest {
    std::unique_ptr<Model> model = mainModel();
    void SetUp() override {
        StoreTest::SetUp();
        model->openStore(path("cells.ov"));
    }
    std::unique_ptr<FetchedResultsController> fetched(store::FetchRequest request = cellsOfRows()) {
        auto c = std::make_unique<FetchedResultsController>(std::move(request), model->managedObjectContext(),
                                                            "rowNum");
        EXPECT_FALSE(c->performFetch());
        return c;
    }
    static std::vector<std::string> names(const FetchedResultsController& c) {
        std::vector<std::string> out;
        for (size_t s = 0; s < c.sectionCount(); ++s)
            out.push_back(c.sectionName(s));
        return out;
    }
};

TEST_F(ResultsControllerTest, OneSectionPerRowNamedByItsNumberWithItsCellsInColumnOrder) {
    workspaceOf(*model, {{"1", "2"}, {"a", "b"}, {"x", "y"}});
    auto c = fetched();
    EXPECT_EQ(names(*c), (std::vector<std::string>{"1", "2"}));
    ASSERT_EQ(c->objectCount(0), 3u);
    EXPECT_EQ(c->objectCount(1), 3u);
    EXPECT_EQ(c->sectionRowNum(1), 2);
    EXPECT_EQ(c->objectAt<Cell>(1, 0)->data(), "a");
    EXPECT_EQ(c->objectAt<Cell>(2, 1)->data(), "y");
    EXPECT_EQ(c->objectAt<Cell>(2, 1)->colNum(), 2);
    const auto strip = c->sectionObjects(1);
    ASSERT_EQ(strip.size(), 3u);
    EXPECT_EQ(strip[0].get(), c->objectAt(0, 1).get());
    // Beyond the results: nothing, never a crash.
    EXPECT_EQ(c->objectAt(3, 0), nullptr);
    EXPECT_EQ(c->objectAt(0, 2), nullptr);
    EXPECT_EQ(c->objectCount(2), 0u);
    EXPECT_EQ(c->sectionName(2), "");
}

TEST_F(ResultsControllerTest, AFilterKeepsOnlyTheRowsOfItsRowSet) {
    auto columns = workspaceOf(*model, {{"1", "2", "3", "4", "5", "6"}, {"a", "b", "c", "d", "e", "f"}});
    const int64_t num = columns[1]->num();
    std::map<int64_t, WhereClauseObj> wheres{{num, WhereClauseObj(num, FilterIn, "", {"b", "e"})}};
    auto rows = model->rowsWhere(wheres);
    ASSERT_TRUE(rows);
    auto c = fetched(cellsOfRows(rows));
    EXPECT_EQ(names(*c), (std::vector<std::string>{"2", "5"}));
    EXPECT_EQ(c->objectAt<Cell>(1, 1)->data(), "e");
    // A filter no row passes: no section.
    EXPECT_EQ(fetched(cellsOfRows(std::vector<int64_t>{}))->sectionCount(), 0u);
}

TEST_F(ResultsControllerTest, TheLimitCountsCellsSoTheLastRowShownMayBeCutShort) {
    std::vector<std::string> texts(4000);
    for (size_t r = 0; r < texts.size(); ++r)
        texts[r] = std::to_string(r + 1);
    workspaceOf(*model, {texts, texts, texts});
    auto c = fetched();
    EXPECT_EQ(c->fetchedObjects().size(), 10000u);
    ASSERT_EQ(c->sectionCount(), 3334u);
    EXPECT_EQ(c->objectCount(3332), 3u);
    EXPECT_EQ(c->objectCount(3333), 1u);
    EXPECT_EQ(c->sectionName(3333), "3334");
    EXPECT_EQ(c->objectAt<Cell>(0, 3333)->colNum(), 0);
}

TEST_F(ResultsControllerTest, ARowSetOfAHundredThousandNumbersIsOneArgument) {
    workspaceOf(*model, {{"1", "2", "3"}, {"a", "b", "c"}});
    std::vector<int64_t> rows(100000);
    std::iota(rows.begin(), rows.end(), 2); // 2 ... 100001
    auto request = cellsOfRows(rows);
    EXPECT_EQ(request.arguments.size(), 1u);
    auto c = fetched(request);
    EXPECT_EQ(names(*c), (std::vector<std::string>{"2", "3"}));
}

TEST_F(ResultsControllerTest, UnsavedInsertsAppearAtTheNextFetchAndDeletedCellsAreGone) {
    workspaceOf(*model, {{"1", "2"}, {"a", "b"}});
    model->addEmptyRow();
    auto c = fetched();
    EXPECT_EQ(names(*c), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(c->objectCount(2), 2u);
    EXPECT_EQ(c->objectAt<Cell>(1, 2)->data(), "");

    model->managedObjectContext()->deleteObject(*c->objectAt(0, 1));
    auto again = fetched();
    EXPECT_EQ(again->objectCount(1), 1u);
    EXPECT_EQ(again->objectAt<Cell>(0, 1)->data(), "b");
    EXPECT_TRUE(model->managedObjectContext()->hasChanges());
}

TEST_F(ResultsControllerTest, AnEditOfALiveObjectIsStoredBySaving) {
    workspaceOf(*model, {{"1", "2"}, {"a", "b"}});
    auto c = fetched();
    auto cell = c->objectAt<Cell>(1, 1);
    cell->setData("edited");
    // The same live object at the next fetch, already showing the edit.
    auto again = fetched();
    EXPECT_EQ(again->objectAt(1, 1).get(), cell.get());
    model->saveContext();
    EXPECT_EQ(alerts, 0);
    auto other = backgroundModel(*model);
    FetchedResultsController elsewhere(cellsOfRows(), other->managedObjectContext(), "rowNum");
    ASSERT_FALSE(elsewhere.performFetch());
    EXPECT_EQ(elsewhere.objectAt<Cell>(1, 1)->data(), "edited");
}

TEST_F(ResultsControllerTest, ThreeEditsInOneTurnOfTheMainQueueAreOneChangeNotice) {
    workspaceOf(*model, {{"1", "2"}, {"a", "b"}});
    auto c = fetched();
    Recorder recorder;
    c->setDelegate(&recorder);
    dispatch::drainMainQueue();
    c->objectAt<Cell>(0, 0)->setData("p");
    c->objectAt<Cell>(1, 0)->setData("q");
    c->objectAt<Cell>(0, 1)->setData("r");
    EXPECT_EQ(recorder.changes, 0) << "sent on the main queue, not during the edit";
    dispatch::drainMainQueue();
    EXPECT_EQ(recorder.changes, 1);
    // A change to another entity is not the cells'.
    model->columns()[0]->setName("renamed");
    dispatch::drainMainQueue();
    EXPECT_EQ(recorder.changes, 1);
    // Inserts and deletes of cells are.
    model->addEmptyRow();
    dispatch::drainMainQueue();
    EXPECT_EQ(recorder.changes, 2);
    model->managedObjectContext()->deleteObject(*c->objectAt(0, 1));
    dispatch::drainMainQueue();
    EXPECT_EQ(recorder.changes, 3);
    // A controller that is gone before the queue turns is not called.
    c->objectAt<Cell>(1, 1)->setData("s");
    c.reset();
    dispatch::drainMainQueue();
    EXPECT_EQ(recorder.changes, 3);
}

TEST_F(ResultsControllerTest, AFetchWithoutItsStoreReportsTheError) {
    workspaceOf(*model, {{"1"}});
    FetchedResultsController c(cellsOfRows(), model->managedObjectContext(), "rowNum");
    ASSERT_FALSE(c.performFetch());
    EXPECT_EQ(c.sectionCount(), 1u);
    model->closeStores();
    auto error = c.performFetch();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, store::Error::noStore);
    EXPECT_EQ(c.sectionCount(), 0u);
    // A request the store cannot run is an error too, not an empty workspace.
    model->openStore(path("cells.ov"));
    auto bad = cellsOfRows();
    bad.predicate = "noSuchColumn = 1";
    FetchedResultsController broken(bad, model->managedObjectContext(), "rowNum");
    auto failed = broken.performFetch();
    ASSERT_TRUE(failed);
    EXPECT_NE(failed->reason.find("noSuchColumn"), std::string::npos) << failed->description();
}

// --- Cells read straight from their records and made only when asked for

// What a controller shows: each section's name and, for every object, its id, row, column and text.
std::vector<std::string> shown(const FetchedResultsController& c) {
    std::vector<std::string> out;
    for (size_t s = 0; s < c.sectionCount(); ++s) {
        out.push_back("section " + c.sectionName(s));
        for (size_t i = 0; i < c.objectCount(s); ++i) {
            auto cell = c.objectAt<Cell>(i, s);
            out.push_back(std::to_string(cell->objectID().id) + " r" + std::to_string(cell->rowNum().value_or(-1)) +
                          " c" + std::to_string(cell->colNum().value_or(-1)) + " " + cell->data() +
                          (cell->isDeleted() ? " deleted" : ""));
        }
    }
    return out;
}

// The same request through SQL: a predicate the records' read does not take.
store::FetchRequest throughSql(store::FetchRequest r) {
    r.predicate = r.predicate.empty() ? "1" : "(" + r.predicate + ")";
    return r;
}

TEST_F(ResultsControllerTest, ARecordsReadShowsWhatTheSqlFetchShows) {
    // More rows than one run of positions, so that reads cross from one run's records to the next.
    std::vector<std::string> a(4200), b(4100), c(4200);
    for (size_t r = 0; r < a.size(); ++r) {
        a[r] = "a" + std::to_string(r + 1);
        c[r] = r % 5 ? "c" + std::to_string(r) : "";
    }
    for (size_t r = 0; r < b.size(); ++r)
        b[r] = std::string(r % 7 + 1, 'b'); // texts of several lengths
    workspaceOf(*model, {a, b, c});
    std::vector<int64_t> everyOther, beyond{4199, 4200, 4201, 9000}, unsorted{30, 2, 30, 7, -4};
    for (int64_t r = 1; r <= 4200; r += 2)
        everyOther.push_back(r);
    struct Case {
        const char* what;
        std::optional<std::vector<int64_t>> rows;
        int64_t limit;
    };
    const Case cases[] = {
        {"every cell", std::nullopt, 0},
        {"10,000 cells, the last row cut short", std::nullopt, 10000},
        {"one cell", std::nullopt, 1},
        {"every other row", everyOther, 10000},
        {"every other row, no limit", everyOther, 0},
        {"rows past the last", beyond, 0},
        {"rows out of order, repeated and negative", unsorted, 0},
        {"no row", std::vector<int64_t>{}, 10000},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        auto request = cellsOfRows(k.rows);
        request.fetchLimit = k.limit;
        const size_t live = model->managedObjectContext()->registeredObjectCount();
        auto records = fetched(request);
        // Nothing is made before it is asked for.
        EXPECT_EQ(model->managedObjectContext()->registeredObjectCount(), live);
        auto sql = fetched(throughSql(request));
        EXPECT_EQ(records->fetchedObjects().size(), sql->fetchedObjects().size());
        EXPECT_EQ(shown(*records), shown(*sql));
        records.reset();
        sql.reset();
    }
}

TEST_F(ResultsControllerTest, BoundsOnRowsAndColumnsAreReadFromTheRecordsAsSqlReadsThem) {
    std::vector<std::string> a(4200), b(4200), c(4200);
    for (size_t r = 0; r < a.size(); ++r) {
        a[r] = "a" + std::to_string(r + 1);
        b[r] = r % 3 ? "b" + std::to_string(r) : "";
        c[r] = std::string(r % 5 + 1, 'c');
    }
    auto columns = workspaceOf(*model, {a, b, c});
    const int64_t first = columns[0]->num(), second = columns[1]->num(), third = columns[2]->num();
    using V = store::Value;
    struct Case {
        const char* what;
        std::string predicate;
        std::vector<V> arguments;
        int64_t limit;
        bool fromRecords; // read straight from the records, not through SQL
    };
    const Case cases[] = {
        {"a window across a run's border", "\"rowNum\" BETWEEN ? AND ? AND \"colNum\" < ?", {V(int64_t(4090)), V(int64_t(4110)), V(third)}, 0, true},
        {"one column", "\"colNum\" = ?", {V(second)}, 0, true},
        {"columns from the second, the first rows", "colNum >= ? AND rowNum <= ?", {V(second), V(int64_t(10))}, 0, true},
        {"the last rows, with a limit", "rowNum > ?", {V(int64_t(4195))}, 7, true},
        {"words in any case", "rowNum between ? and ? AND colNum > ?", {V(int64_t(1)), V(int64_t(3)), V(first)}, 0, true},
        {"an empty range", "rowNum BETWEEN ? AND ?", {V(int64_t(50)), V(int64_t(40))}, 0, true},
        {"below every number", "colNum < ?", {V(INT64_MIN)}, 0, true},
        {"above every number", "rowNum > ?", {V(INT64_MAX)}, 0, true},
        {"a row set within a range", "rowNum IN (SELECT value FROM json_each(?)) AND rowNum BETWEEN ? AND ?",
         {V(std::string("[4100,1,3,4097,4200]")), V(int64_t(2)), V(int64_t(4099))}, 0, true},
        {"a bound of another type", "rowNum <= ?", {V(2.0)}, 0, false},
        {"a text bound", "rowNum <= ?", {V(std::string("2"))}, 0, false},
        {"either of two bounds", "rowNum < ? OR rowNum > ?", {V(int64_t(3)), V(int64_t(4198))}, 0, false},
        {"another attribute", "\"data\" = ?", {V(std::string("a1"))}, 0, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        auto request = cellsOfRows();
        request.predicate = k.predicate;
        request.arguments = k.arguments;
        request.fetchLimit = k.limit;
        auto sql = throughSql(request);
        auto context = model->managedObjectContext();
        context->reset();
        const size_t live = context->registeredObjectCount();
        store::FetchedResultsController records(request, context, "rowNum");
        auto error = records.performFetch();
        ASSERT_FALSE(error) << error->description();
        EXPECT_EQ(context->registeredObjectCount() == live, k.fromRecords);
        EXPECT_EQ(shown(records), shown(*fetched(sql)));
    }
}

TEST_F(ResultsControllerTest, UnsavedChangesAndLooseCellsAreSeenAsTheSqlFetchSeesThem) {
    auto columns = workspaceOf(*model, {{"1", "2", "3"}, {"a", "b", "c"}});
    auto context = model->managedObjectContext();
    model->addEmptyRow();
    context->executeChange(Cell::entityName, "UPDATE \"Cell\" SET \"data\" = 'z' WHERE \"rowNum\" = 2");
    context->deleteObjects(Cell::entityName, "\"rowNum\" = 3 AND \"colNum\" = ?", {store::Value(columns[0]->num())});
    EXPECT_EQ(shown(*fetched()), shown(*fetched(throughSql(cellsOfRows()))));
    // A cell kept loose (a second one at a taken place) is merged into the order by the SQL fetch.
    auto loose = context->insertNewObject<Cell>();
    loose->setColNum(columns[1]->num());
    loose->setRowNum(1);
    loose->setData("loose");
    auto c = fetched();
    EXPECT_EQ(shown(*c), shown(*fetched(throughSql(cellsOfRows()))));
    EXPECT_EQ(c->objectCount(0), 3u);
}

TEST_F(ResultsControllerTest, ACellAskedForAfterAnotherContextSavedShowsTheSavedValue) {
    workspaceOf(*model, {{"1", "2"}, {"a", "b"}});
    auto c = fetched();
    auto held = c->objectAt<Cell>(0, 0); // made before the save: as any held object, as it was read
    auto other = backgroundModel(*model);
    FetchedResultsController elsewhere(cellsOfRows(), other->managedObjectContext(), "rowNum");
    ASSERT_FALSE(elsewhere.performFetch());
    elsewhere.objectAt<Cell>(1, 1)->setData("saved");
    elsewhere.objectAt<Cell>(0, 1)->setData("also saved");
    other->saveContext();
    EXPECT_EQ(c->objectAt<Cell>(1, 1)->data(), "saved");
    EXPECT_EQ(std::static_pointer_cast<Cell>(c->sectionObjects(1)[0])->data(), "also saved");
    EXPECT_EQ(held->data(), "1");
    EXPECT_EQ(c->objectAt(0, 0).get(), held.get());
}

TEST_F(ResultsControllerTest, EditsShowInCellsAskedForLaterAndInTheNextFetch) {
    workspaceOf(*model, {{"1", "2"}, {"a", "b"}});
    auto c = fetched();
    auto first = c->objectAt<Cell>(0, 0);
    first->setData("p");
    EXPECT_EQ(c->objectAt(0, 0).get(), first.get());
    // An edit by SQL of cells not yet asked for.
    model->managedObjectContext()->executeChange(Cell::entityName,
                                                 "UPDATE \"Cell\" SET \"data\" = 'q' WHERE \"rowNum\" = 2");
    EXPECT_EQ(c->objectAt<Cell>(1, 1)->data(), "q");
    c->objectAt<Cell>(1, 1)->setData("r");
    auto again = fetched();
    EXPECT_EQ(again->objectAt(0, 0).get(), first.get());
    EXPECT_EQ(again->objectAt<Cell>(0, 0)->data(), "p");
    EXPECT_EQ(again->objectAt<Cell>(1, 1)->data(), "r");
    model->saveContext();
    auto other = backgroundModel(*model);
    FetchedResultsController elsewhere(cellsOfRows(), other->managedObjectContext(), "rowNum");
    ASSERT_FALSE(elsewhere.performFetch());
    EXPECT_EQ(shown(elsewhere), shown(*fetched()));
}

TEST_F(ResultsControllerTest, ACellOfADeletedRowIsGivenAsDeletedUntilTheNextFetch) {
    workspaceOf(*model, {{"1", "2", "3"}, {"a", "b", "c"}});
    auto c = fetched();
    model->managedObjectContext()->deleteObjects(Cell::entityName, "\"rowNum\" = 2");
    EXPECT_EQ(c->objectCount(1), 2u);
    auto gone = c->objectAt<Cell>(1, 1);
    ASSERT_TRUE(gone);
    EXPECT_TRUE(gone->isDeleted());
    EXPECT_EQ(gone->data(), "b");
    EXPECT_EQ(gone->managedObjectContext(), nullptr);
    gone->setData("refused"); // logged, not stored
    EXPECT_EQ(c->objectAt<Cell>(1, 2)->data(), "c");
    EXPECT_FALSE(c->objectAt<Cell>(1, 2)->isDeleted());
    EXPECT_EQ(names(*fetched()), (std::vector<std::string>{"1", "3"}));
    // A reset drops the unsaved changes that were read: what is asked for afterwards is read again.
    model->managedObjectContext()->executeChange(Cell::entityName,
                                                 "UPDATE \"Cell\" SET \"data\" = 'x' WHERE \"rowNum\" = 3");
    auto unsaved = fetched();
    model->managedObjectContext()->reset();
    EXPECT_EQ(unsaved->objectAt<Cell>(1, 1)->data(), "c");
    EXPECT_EQ(c->objectAt<Cell>(0, 1)->data(), "2");
    EXPECT_FALSE(c->objectAt<Cell>(0, 1)->isDeleted());
}

TEST_F(ResultsControllerTest, AnIndexPastTheEndGivesNothing) {
    workspaceOf(*model, {{"1", "2"}, {"a", "b"}});
    auto c = fetched(cellsOfRows(std::vector<int64_t>{1, 3, 5}));
    ASSERT_EQ(c->sectionCount(), 1u);
    EXPECT_EQ(c->objectAt(2, 0), nullptr);
    EXPECT_EQ(c->objectAt(0, 1), nullptr);
    EXPECT_EQ(c->objectAt(size_t(-1), size_t(-1)), nullptr);
    EXPECT_TRUE(c->sectionObjects(1).empty());
    EXPECT_EQ(c->fetchedObjects()[2], nullptr);
    EXPECT_EQ(c->fetchedObjectAt(99), nullptr);
    size_t seen = 0;
    for (const auto& object : c->fetchedObjects())
        seen += object ? 1 : 0;
    EXPECT_EQ(seen, 2u);
}

} // namespace
