// The workspace store through Model: life cycle, upgrade, contexts, locks, failures and fetches.
#include "StoreFixture.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"

#include <thread>

TEST_F(StoreTest, CreateFillSaveCloseReopen) {
    std::string file = path("Survey.ov");
    {
        auto m = mainModel();
        EXPECT_FALSE(m->currentStore());
        m->openStore(file);
        ASSERT_EQ(m->currentStore(), file);
        fill(*m, 5);
        m->setMetadataValue(".", "decimalSeparator");
        m->closeStores();
        EXPECT_FALSE(m->currentStore());
    }
    EXPECT_EQ(rawInt(file, "PRAGMA user_version"), 2);
    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM \"Cell\""), 15);

    auto m = mainModel();
    m->openStore(file);
    EXPECT_EQ(m->countColumns(), 3u);
    EXPECT_EQ(m->countRows(), 5u);
    auto columns = m->columns();
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[1]->name(), "b");
    EXPECT_EQ(columns[1]->num(), 1);
    EXPECT_EQ(columns[1]->order(), 1);
    EXPECT_EQ(columns[1]->type(), 0);
    auto cells = m->cellsForColumn(*columns[1], {{"rowNum", true}});
    ASSERT_EQ(cells.size(), 5u);
    EXPECT_EQ(cells[4]->data(), "r5c1");
    EXPECT_EQ(cells[4]->rowNum(), 5);
    EXPECT_EQ(m->metadataValueForKey("decimalSeparator"), ".");
    EXPECT_EQ(m->metadataValueForKey("hasCellIndices"), "YES");
    EXPECT_EQ(alerts, 0);
}

TEST_F(StoreTest, OlderWorkspaceGetsCellIndicesOnceOnly) {
    std::string file = path("Old.ov");
    // A workspace of an earlier release: cells linked to rows and columns, no colNum/rowNum, columns
    // in a display order unrelated to their numbers, no "hasCellIndices".
    rawSql(file, R"(
        CREATE TABLE "Row" ("id" INTEGER PRIMARY KEY, "num" INTEGER);
        CREATE TABLE "Column" ("id" INTEGER PRIMARY KEY, "name" TEXT, "num" INTEGER, "order" INTEGER, "type" INTEGER);
        CREATE TABLE "Cell" ("id" INTEGER PRIMARY KEY, "data" TEXT, "row" INTEGER, "column" INTEGER);
        CREATE TABLE "Metadata" ("id" INTEGER PRIMARY KEY, "key" TEXT, "value" TEXT);
        INSERT INTO "Row" VALUES (10, 1), (11, 2);
        INSERT INTO "Column" VALUES (20, 'x', 0, 1, 3), (21, 'y', 1, 0, 1);
        INSERT INTO "Cell" VALUES (1, '1.5', 10, 20), (2, 'red', 10, 21), (3, '2.5', 11, 20), (4, 'blue', 11, 21),
                                  (5, 'orphan', NULL, NULL);
        INSERT INTO "Metadata" VALUES (1, 'dataSource', '/somewhere/old.csv');
        PRAGMA user_version = 1;)");
    {
        auto m = mainModel();
        m->openStore(file);
        ASSERT_EQ(m->currentStore(), file);
        EXPECT_EQ(m->metadataValueForKey("hasCellIndices"), "YES");
        auto y = m->columnNumber(1);
        ASSERT_TRUE(y);
        EXPECT_EQ(y->order(), 1);
        auto cells = m->cellsForColumn(*y, {{"rowNum", true}});
        ASSERT_EQ(cells.size(), 2u);
        EXPECT_EQ(cells[0]->data(), "red");
        EXPECT_EQ(cells[1]->data(), "blue");
        EXPECT_EQ(cells[1]->rowNum(), 2);
        EXPECT_EQ(cells[1]->row()->num(), 2); // the old link still resolves
        auto row1 = m->rowNumber(1);
        ASSERT_TRUE(row1);
        EXPECT_EQ(m->cellsForRow(*row1).size(), 2u);
        m->closeStores();
    }
    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM \"Cell\" WHERE \"colNum\" IS NULL AND \"rowNum\" IS NULL"),
              1)
        << "a cell without links keeps no indices";
    // Undo part of the upgrade behind the store's back: a second open must not repeat it.
    rawSql(file, "UPDATE \"Cell\" SET \"colNum\" = NULL WHERE \"id\" = 1; UPDATE \"Column\" SET \"order\" = "
                 "7 WHERE \"num\" = 0;");
    auto m = mainModel();
    m->openStore(file);
    EXPECT_EQ(m->columnNumber(0)->order(), 7);
    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM \"Cell\" WHERE \"colNum\" IS NULL"), 2);
    auto entries = m->managedObjectContext()->countForFetchRequest(
        {"Metadata", "\"key\" = 'hasCellIndices'", {}, {}, 0});
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(alerts, 0);
}

TEST_F(StoreTest, UnsavedInsertsAreSeenOnlyByTheirOwnContext) {
    std::string file = path("W.ov");
    auto m = mainModel();
    m->openStore(file);
    m->addColumns({"a"});
    auto other = mainModel(); // another coordinator: another connection to the same file
    other->openStore(file);

    m->addRow(1, {"x"}, m->columns());
    EXPECT_EQ(m->countRows(), 1u);
    EXPECT_EQ(m->cellsForColumn(*m->columnNumber(0)).size(), 1u);
    EXPECT_EQ(other->countRows(), 0u);
    EXPECT_EQ(other->cellsForColumn(*other->columnNumber(0)).size(), 0u);

    m->saveContext();
    EXPECT_EQ(other->countRows(), 1u);
    EXPECT_EQ(alerts, 0);
}

TEST_F(StoreTest, WorkerSavesWhileMainHoldsUnsavedInserts) {
    std::string file = path("W.ov");
    auto shared = mainModel();
    shared->openStore(file);
    shared->addColumns({"a"});
    shared->addRow(1, {"main"}, shared->columns()); // unsaved: the main context holds the write lock

    std::atomic<bool> started{false};
    std::thread worker([&] {
        auto w = backgroundModel(*shared);
        auto columns = w->columns();
        started = true;
        w->addRow(2, {"worker"}, columns); // waits for the main context's save
        w->saveContext();
    });
    while (!started)
        std::this_thread::yield();
    shared->saveContext();
    worker.join();

    auto check = mainModel();
    check->openStore(file);
    EXPECT_EQ(check->countRows(), 2u);
    auto data = check->distinctValuesForColumn(check->columnNumber(0).get());
    ASSERT_TRUE(data);
    std::sort(data->begin(), data->end());
    EXPECT_EQ(*data, (std::vector<std::string>{"main", "worker"}));
    EXPECT_EQ(alerts, 0);
}

TEST_F(StoreTest, ReadWaitsOutAnotherWritersLock) {
    std::string file = path("W.ov");
    auto m = mainModel();
    m->openStore(file);
    fill(*m, 1);

    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "BEGIN EXCLUSIVE; INSERT INTO \"Row\" (\"num\") VALUES (2);", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    std::atomic<uint64_t> counted{0};
    std::thread reader([&] {
        auto w = backgroundModel(*m);
        counted = w->countRows() + 100; // +100: distinguishes "not run" from a count of 0
    });
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    reader.join();
    sqlite3_close(raw);
    EXPECT_EQ(counted, 102u) << "a locked store is waited for, never read as empty";
    EXPECT_EQ(alerts, 0);
}

TEST_F(StoreTest, FailedSaveKeepsChangesUntilALaterSaveWritesThem) {
    std::string file = path("Full.ov");
    auto m = mainModel();
    m->openStore(file);
    fill(*m, 2);
    // The file may not grow past its present size: the next big save fails as on a full disk.
    ASSERT_FALSE(m->managedObjectContext()->execute("PRAGMA max_page_count = 1"));
    auto columns = m->columns();
    std::string big(2000, 'x');
    for (int r = 3; r <= 400; ++r)
        m->addRow(static_cast<uint64_t>(r), {big, std::to_string(r), ""}, columns);
    {
        foundation::LogCapture log;
        m->saveContext();
        EXPECT_TRUE(log.contains("Unresolved error store error 13"));
    }
    EXPECT_EQ(alerts, 1);
    EXPECT_TRUE(m->managedObjectContext()->hasChanges());
    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM \"Row\""), 2);

    ASSERT_FALSE(m->managedObjectContext()->execute("PRAGMA max_page_count = 1073741823"));
    m->saveContext();
    EXPECT_EQ(alerts, 1);
    EXPECT_FALSE(m->managedObjectContext()->hasChanges());
    m->closeStores();

    auto again = mainModel();
    again->openStore(file);
    EXPECT_EQ(again->countRows(), 400u);
    auto cells = again->cellsForColumn(*again->columnNumber(1), {{"rowNum", true}});
    ASSERT_EQ(cells.size(), 400u);
    EXPECT_EQ(cells[399]->data(), "400");
    EXPECT_EQ(again->cellsForColumn(*again->columnNumber(0), {}, std::vector<int64_t>{3})[0]->data(), big);
}

TEST_F(StoreTest, WideRowsAreWholeAfterAFailedSaveIsWrittenLater) {
    std::string file = path("Wide.ov");
    auto m = mainModel();
    m->openStore(file);
    // Wide enough that a row's cells take several insert statements.
    constexpr int kCols = 150;
    std::vector<std::string> names;
    for (int c = 0; c < kCols; ++c)
        names.push_back("v" + std::to_string(c));
    m->addColumns(names);
    auto columns = m->columns();
    auto rowOf = [](int r, int width) {
        std::vector<std::string> data;
        for (int c = 0; c < width; ++c)
            data.push_back("r" + std::to_string(r) + "c" + std::to_string(c));
        return data;
    };
    m->addRow(1, rowOf(1, kCols), columns);
    m->saveContext();
    // The next save fails as on a full disk.
    ASSERT_FALSE(m->managedObjectContext()->execute("PRAGMA max_page_count = 1"));
    for (int r = 2; r <= 40; ++r)
        m->addRow(static_cast<uint64_t>(r), rowOf(r, kCols), columns);
    m->addRow(41, rowOf(41, 70), columns); // cells past the data's end are empty
    m->saveContext();
    EXPECT_EQ(alerts, 1);
    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM \"Cell\""), kCols);

    ASSERT_FALSE(m->managedObjectContext()->execute("PRAGMA max_page_count = 1073741823"));
    auto extra = m->managedObjectContext()->insertNewObject<Cell>();
    ASSERT_TRUE(extra);
    m->saveContext();
    EXPECT_EQ(alerts, 1);
    m->closeStores();

    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM \"Cell\" WHERE \"data\" IS NOT NULL"), 41 * kCols);
    EXPECT_EQ(rawInt(file, "SELECT count(DISTINCT \"id\") FROM \"Cell\""), 41 * kCols + 1);
    EXPECT_EQ(rawInt(file, "SELECT max(\"id\") - min(\"id\") FROM \"Cell\""), 41 * kCols)
        << "consecutive ids, the object inserted last after the rows";
    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM \"Cell\" WHERE \"rowNum\" < 41 AND \"data\" != 'r' || "
                           "\"rowNum\" || 'c' || \"colNum\""),
              0);
    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM \"Cell\" WHERE \"rowNum\" = 41 AND \"data\" = ''"),
              kCols - 70);
    EXPECT_EQ(rawInt(file, "SELECT count(*) FROM \"Cell\" WHERE \"rowNum\" = 41 AND \"colNum\" = 69 AND "
                           "\"data\" = 'r41c69'"),
              1);
}

TEST_F(StoreTest, ResetDetachesHeldObjects) {
    auto m = mainModel();
    m->openStore(path("R.ov"));
    fill(*m, 3);
    auto ctx = m->managedObjectContext();
    auto column = m->columnNumber(1);
    ASSERT_TRUE(column);
    EXPECT_EQ(m->columnNumber(1).get(), column.get()) << "one live object per row";

    m->addRow(4, {"", "", ""}, m->columns()); // unsaved, dropped by the reset
    ctx->reset();
    EXPECT_TRUE(column->isDetached());
    EXPECT_EQ(column->name(), "b");
    {
        foundation::LogCapture log;
        column->setName("changed");
        EXPECT_TRUE(log.contains("no longer in its context"));
    }
    EXPECT_EQ(column->name(), "b");
    EXPECT_FALSE(column->toOne(0));
    EXPECT_TRUE(column->cells().empty());

    auto again = ctx->existingObject<Column>(column->objectID());
    ASSERT_TRUE(again);
    EXPECT_NE(again.get(), column.get());
    EXPECT_EQ(again->name(), "b");
    EXPECT_EQ(m->countRows(), 3u);
    EXPECT_FALSE(ctx->hasChanges());
}

TEST_F(StoreTest, ContextKeepsOnlyObjectsThatSomeoneHolds) {
    auto m = mainModel();
    m->openStore(path("U.ov"));
    fill(*m, 200);
    auto ctx = m->managedObjectContext();
    {
        auto cells = m->cellsForColumn(*m->columnNumber(0));
        EXPECT_EQ(cells.size(), 200u);
        EXPECT_GE(ctx->registeredObjectCount(), 200u);
    }
    EXPECT_EQ(ctx->registeredObjectCount(), 0u);
    auto first = m->cellsForColumn(*m->columnNumber(0), {{"rowNum", true}})[0];
    EXPECT_EQ(m->cellsForColumn(*m->columnNumber(0), {{"rowNum", true}})[0].get(), first.get());
    EXPECT_EQ(ctx->registeredObjectCount(), 1u);
}

TEST_F(StoreTest, FilesThatAreNotWorkspacesRaiseOneAlertAndStayUnchanged) {
    std::string garbage = path("Garbage.ov");
    {
        std::ofstream out(garbage, std::ios::binary);
        for (int i = 0; i < 300; ++i)
            out << "this is a text file, not a database " << i << "\n";
    }
    std::string truncated = path("Cut.ov");
    {
        auto m = mainModel();
        m->openStore(truncated);
        fill(*m, 300);
        m->closeStores();
    }
    auto size = fs::file_size(truncated);
    fs::resize_file(truncated, size / 2);
    std::string foreign = path("Other.ov");
    rawSql(foreign,
           "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT); INSERT INTO notes VALUES (1, 'x');");

    for (const auto& file : {garbage, truncated, foreign}) {
        SCOPED_TRACE(file);
        std::string before = readFile(file);
        std::string stem = fs::path(file).stem().string();
        std::ofstream(path(stem + "~.ov")) << "leftover";
        alerts = 0;
        auto m = mainModel();
        foundation::LogCapture log;
        m->openStore(file);
        EXPECT_EQ(alerts, 1);
        EXPECT_TRUE(log.contains("Unresolved error store error"));
        EXPECT_FALSE(m->currentStore());
        EXPECT_EQ(m->countRows(), 0u);
        EXPECT_EQ(m->statusLine(), "None, 0 Variables, 0 Observations");
        m->saveContext();
        m->closeStores();
        EXPECT_EQ(alerts, 1);
        EXPECT_EQ(readFile(file), before);
        EXPECT_FALSE(fs::exists(path(stem + "~.ov"))) << "the leftover sibling goes even so";
        EXPECT_FALSE(fs::exists(file + "-journal"));
    }
}

TEST_F(StoreTest, WorkerSavesAndHopsToMainWhichRefetches) {
    dispatch::setMainThread();
    auto shared = mainModel();
    shared->openStore(path("Hop.ov"));
    fill(*shared, 2);
    auto held = shared->columnNumber(0);
    store::ObjectId columnId = held->objectID();

    std::atomic<bool> done{false};
    uint64_t rowsSeenOnMain = 0;
    std::string nameSeenOnMain;
    dispatch::globalQueue().async([&] {
        auto w = backgroundModel(*shared);
        auto column = w->managedObjectContext()->existingObject<Column>(columnId);
        column->setName("renamed");
        w->addRow(3, {"x", "y", "z"}, w->columns());
        w->saveContext(); // before the hop: no lock is held across it
        dispatch::mainQueue().sync([&] {
            rowsSeenOnMain = shared->countRows();
            auto again = shared->managedObjectContext()->existingObject<Column>(columnId);
            nameSeenOnMain = shared->columnNumber(0)->name();
            EXPECT_EQ(again.get(), held.get());
        });
        done = true;
    });
    ASSERT_TRUE(dispatch::runUntil([&] { return done.load(); }, 20));
    EXPECT_EQ(rowsSeenOnMain, 3u);
    EXPECT_EQ(nameSeenOnMain, "renamed");
    EXPECT_EQ(held->name(), "renamed") << "a re-fetch refreshes the object the main thread holds";
    EXPECT_EQ(alerts, 0);
}
