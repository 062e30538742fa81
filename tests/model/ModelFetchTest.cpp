// Metadata, status line, demo detection, the fetches and the delete rules of a workspace.
#include "StoreFixture.h"

#include "platform/foundation/Log.h"

TEST_F(StoreTest, MetadataKeysAreExactAndKeptOnce) {
    auto m = mainModel();
    m->openStore(path("M.ov"));
    m->setMetadataValue(",", "decimalSeparator");
    m->setMetadataValue(".", "decimalSeparator");
    EXPECT_EQ(m->metadataValueForKey("decimalSeparator"), ".");
    EXPECT_FALSE(m->metadataValueForKey("DecimalSeparator"));
    EXPECT_FALSE(m->metadataForKey("decimalseparator"));
    EXPECT_EQ(m->managedObjectContext()->countForFetchRequest(
                  {"Metadata", "\"key\" = 'decimalSeparator'", {}, {}, 0}),
              1);
    EXPECT_FALSE(m->managedObjectContext()->hasChanges()) << "setMetadataValue saves";
}

TEST_F(StoreTest, StatusLineInBothForms) {
    auto m = mainModel();
    EXPECT_EQ(m->statusLine(), "None, 0 Variables, 0 Observations");
    m->setUserInterfaceIdiom(Model::Idiom::Pad);
    EXPECT_EQ(m->statusLine(), "Open Workspace: None, Source File: N/A, Variables: 0, Observations: 0");

    m->openStore(path("Survey.ov"));
    fill(*m, 4);
    m->setMetadataValue("__EMPTY__", "dataSource");
    EXPECT_EQ(m->statusLine(),
              "Open Workspace: Survey.ov, Source File: Entered Manually, Variables: 3, Observations: 4");
    m->setMetadataValue("/home/u/data/survey.csv", "dataSource");
    m->setUserInterfaceIdiom(Model::Idiom::Phone);
    EXPECT_EQ(m->statusLine(), "Survey.ov, 3 Variables, 4 Observations");
    m->setUserInterfaceIdiom(Model::Idiom::Pad);
    EXPECT_EQ(m->statusLine(),
              "Open Workspace: Survey.ov, Source File: survey.csv, Variables: 3, Observations: 4");
}

TEST_F(StoreTest, DemoIsTheExampleDataOfTheResourcesFolder) {
    std::string resources = path("res");
    fs::create_directories(resources);
    Model::setResourcesFolder(resources);
    auto m = mainModel();
    m->openStore(path("D.ov"));
    struct Case {
        std::string source;
        bool demo;
    };
    const Case cases[] = {
        {resources + "/example.txt", true},
        {resources + "/example.csv", true},
        {resources + "/./example.csv", true},
        {resources + "/example.xls", false},
        {path("example.csv"), false},
        {"example.csv", false},
        {"__EMPTY__", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        m->setMetadataValue(c.source, "dataSource");
        EXPECT_EQ(m->isDemo(), c.demo);
    }
    Model::setResourcesFolder("");
}

TEST_F(StoreTest, NumbersFindOneRecordAndReportDuplicates) {
    auto m = mainModel();
    m->openStore(path("N.ov"));
    fill(*m, 2);
    foundation::LogCapture log;
    EXPECT_FALSE(m->columnNumber(9));
    EXPECT_FALSE(m->rowNumber(9));
    EXPECT_TRUE(log.lines().empty());

    auto dup = m->managedObjectContext()->insertNewObject<Column>();
    dup->setNum(1);
    dup->setName("b2");
    auto extra = m->managedObjectContext()->insertNewObject<Row>();
    extra->setNum(2);
    EXPECT_TRUE(m->columnNumber(1));
    EXPECT_TRUE(m->rowNumber(2));
    EXPECT_TRUE(log.contains("More than one column found with same number."));
    EXPECT_TRUE(log.contains("More than one row found with same number."));
}

TEST_F(StoreTest, CellFetchesByColumnRowsAndSort) {
    auto m = mainModel();
    m->openStore(path("C.ov"));
    m->addColumns({"v"});
    auto columns = m->columns();
    const char* values[] = {"b", "a", "", "b", "c"};
    for (int r = 0; r < 5; ++r)
        m->addRow(static_cast<uint64_t>(r + 1), {values[r]}, columns);
    m->addRow(6, {}, columns); // a short data line stores ""
    auto column = m->columnNumber(0);

    auto byRowDesc = m->cellsForColumn(*column, {{"rowNum", false}});
    ASSERT_EQ(byRowDesc.size(), 6u);
    EXPECT_EQ(byRowDesc[0]->rowNum(), 6);
    EXPECT_EQ(byRowDesc[0]->data(), "");
    auto byData = m->cellsForColumn(*column, {{"data", true}, {"rowNum", true}});
    EXPECT_EQ(byData[2]->data(), "a");
    EXPECT_EQ(byData[3]->rowNum(), 1);

    EXPECT_EQ(m->cellsForColumn(*column, {}, std::vector<int64_t>{}).size(), 0u)
        << "an empty row set is no row";
    auto some = m->cellsForColumn(*column, {{"rowNum", true}}, std::vector<int64_t>{5, 2, 99});
    ASSERT_EQ(some.size(), 2u);
    EXPECT_EQ(some[0]->data(), "a");
    EXPECT_EQ(some[1]->data(), "c");

    auto distinct = m->distinctValuesForColumn(column.get());
    ASSERT_TRUE(distinct);
    std::sort(distinct->begin(), distinct->end());
    EXPECT_EQ(*distinct, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(m->distinctValuesForColumn(nullptr));

    auto row = m->rowNumber(2);
    auto rowCells = m->cellsForRow(*row);
    ASSERT_EQ(rowCells.size(), 1u);
    EXPECT_EQ(rowCells[0]->colNum(), 0);
}

TEST_F(StoreTest, AnalysesSortAndRelationshipsFollowTheirRules) {
    auto m = mainModel();
    m->openStore(path("A.ov"));
    fill(*m, 2);
    auto ctx = m->managedObjectContext();
    auto a = m->columnNumber(0), b = m->columnNumber(1);
    auto older = ctx->insertNewObject<Analysis>();
    older->setName("older");
    older->setLastOpened(1000);
    auto newer = ctx->insertNewObject<Analysis>();
    newer->setName("newer");
    newer->setLastOpened(2000);
    newer->setLeft(a.get());
    newer->setRight(b.get());
    newer->addColumnsObject(*a);
    newer->addColumnsObject(*b);
    newer->setExpected("0.50");
    auto w = ctx->insertNewObject<WhereClause>();
    w->setX(b.get());
    w->setOp(10);
    w->setLevels({"r1c1", "quote \" and \\ slash", "r1c1", "ünï"});
    newer->addWheresObject(*w);
    m->saveContext();

    auto analyses = m->analyses();
    ASSERT_EQ(analyses.size(), 2u);
    EXPECT_EQ(analyses[0]->name(), "newer");
    EXPECT_EQ(analyses[0]->left()->name(), "a");
    EXPECT_EQ(analyses[0]->columns().size(), 2u);
    EXPECT_EQ(a->analyses().size(), 1u);
    EXPECT_EQ(b->rightOf().size(), 1u);
    EXPECT_EQ(analyses[0]->expected(), "0.50");
    ASSERT_EQ(analyses[0]->wheres().size(), 1u);
    EXPECT_EQ(analyses[0]->wheres()[0]->levels(),
              (std::vector<std::string>{"quote \" and \\ slash", "r1c1", "ünï"}));
    EXPECT_EQ(analyses[0]->wheres()[0]->whereOfAnalysis().get(), newer.get());
    EXPECT_EQ(rawInt(path("A.ov"), "SELECT json_array_length(\"levels\") FROM \"WhereClause\""), 3)
        << "the level set is plain JSON for outside tools";

    // Removing a column clears the slots that named it and drops the filter conditions on it.
    ctx->deleteObject(*b);
    EXPECT_TRUE(b->isDeleted());
    EXPECT_FALSE(newer->right());
    EXPECT_EQ(newer->columns().size(), 1u);
    EXPECT_TRUE(w->isDeleted());
    EXPECT_TRUE(newer->wheres().empty());
    // Removing an analysis takes its filters with it.
    auto w2 = ctx->insertNewObject<WhereClause>();
    w2->setX(a.get());
    older->addWheres2Object(*w2);
    ctx->deleteObject(*older);
    EXPECT_TRUE(w2->isDeleted());
    m->saveContext();
    EXPECT_EQ(ctx->countForFetchRequest({"WhereClause", "", {}, {}, 0}), 0);
    EXPECT_EQ(rawInt(path("A.ov"), "SELECT count(*) FROM \"AnalysisColumns\""), 1);
}

TEST_F(StoreTest, DropAllKeepsFiltersAndMetadata) {
    auto m = mainModel();
    m->openStore(path("Drop.ov"));
    fill(*m, 3);
    m->setMetadataValue(".", "decimalSeparator");
    auto held = m->columnNumber(0);
    m->managedObjectContext()->insertNewObject<Analysis>()->setName("x");
    m->dropAll();
    EXPECT_EQ(m->countColumns(), 0u);
    EXPECT_EQ(m->countRows(), 0u);
    EXPECT_TRUE(m->analyses().empty());
    EXPECT_TRUE(held->isDeleted());
    EXPECT_EQ(m->metadataValueForKey("decimalSeparator"), ".");
    EXPECT_FALSE(m->managedObjectContext()->hasChanges());
    EXPECT_EQ(rawInt(path("Drop.ov"), "SELECT count(*) FROM \"Cell\""), 0);
}

TEST_F(StoreTest, OpeningAnotherWorkspaceDetachesTheFirstOnesObjects) {
    auto m = mainModel();
    m->openStore(path("One.ov"));
    fill(*m, 1);
    auto column = m->columnNumber(0);
    std::ofstream(path("Two~.ov")) << "leftover";
    m->openStore(path("Two.ov"));
    EXPECT_TRUE(column->isDetached());
    EXPECT_EQ(m->currentStore(), path("Two.ov"));
    EXPECT_EQ(m->countColumns(), 0u);
    EXPECT_FALSE(fs::exists(path("Two~.ov")));
    EXPECT_EQ(alerts, 0);
}

TEST_F(StoreTest, ObjectOfAContextWhoseStoreChangedRefusesWrites) {
    auto shared = mainModel();
    shared->openStore(path("One.ov"));
    fill(*shared, 1);
    auto worker = backgroundModel(*shared);
    auto column = worker->columnNumber(0);
    ASSERT_TRUE(column);
    shared->openStore(path("Two.ov")); // the worker's context has not looked since
    foundation::LogCapture log;
    column->setName("written to the wrong file?");
    EXPECT_TRUE(log.contains("no longer in its context"));
    EXPECT_TRUE(column->isDetached());
    EXPECT_FALSE(worker->managedObjectContext()->hasChanges());
    EXPECT_EQ(rawInt(path("One.ov"), "SELECT count(*) FROM \"Column\" WHERE \"name\" = 'a'"), 1);
    EXPECT_EQ(rawInt(path("Two.ov"), "SELECT count(*) FROM \"Column\""), 0);
}

TEST_F(StoreTest, DeletingHeldCellsOneByOne) {
    auto m = mainModel();
    m->openStore(path("Del.ov"));
    fill(*m, 50);
    auto ctx = m->managedObjectContext();
    auto cells = m->cellsForColumn(*m->columnNumber(2), {{"rowNum", true}});
    auto others = m->cellsForColumn(*m->columnNumber(0), {{"rowNum", true}});
    for (size_t i = 0; i < cells.size(); i += 2)
        ctx->deleteObject(*cells[i]);
    EXPECT_TRUE(cells[0]->isDeleted());
    EXPECT_FALSE(cells[1]->isDetached());
    EXPECT_EQ(cells[1]->data(), "r2c2");
    EXPECT_FALSE(others[0]->isDetached());
    EXPECT_EQ(m->cellsForColumn(*m->columnNumber(2)).size(), 25u);
    m->saveContext();
    EXPECT_EQ(rawInt(path("Del.ov"), "SELECT count(*) FROM \"Cell\" WHERE \"colNum\" = 2"), 25);

    // A row deleted under a held cell of an older workspace clears that cell's link.
    auto row = m->rowNumber(1);
    others[0]->setRow(row.get());
    ctx->deleteObject(*row);
    EXPECT_FALSE(others[0]->row());
    EXPECT_TRUE(store::isNull(others[0]->value(Cell::kRow)));
}
