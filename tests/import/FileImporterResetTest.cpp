// The importer keeps nothing across the callbacks where a delegate may reset the Model's context, and
// what it computed before such a reset is in the workspace even when the delegate did not save.
#include "import/FileImporter.h"

#include "model/Model.h"
#include "tests/model/StoreFixture.h"

#include <fstream>

namespace {

// Discards unsaved changes at every callback that allows it.
class ResettingDelegate final : public FileImporterDelegate {
  public:
    explicit ResettingDelegate(Model& model) : model(model) {}
    void importerDidStartDocument(FileImporter&, const std::string&) override {}
    void importerDidCompleteLineNumber(FileImporter&, std::uint64_t, std::uint64_t) override {
        model.saveContext(); // the rows themselves are the delegate's to save
        model.managedObjectContext()->reset();
    }
    void importerDidCompleteParsing(FileImporter&, const std::string&) override {}
    void importerWillAnalyzeColumnNamed(FileImporter&, const std::string&) override {
        model.managedObjectContext()->reset();
    }
    void importerDidCompleteDocument(FileImporter&, const std::string&, const ImportError& e) override {
        code = e.code;
        model.managedObjectContext()->reset();
    }
    Model& model;
    int code = 0;
};

using FileImporterResetTest = StoreTest;

TEST_F(FileImporterResetTest, EveryColumnKeepsItsStatisticsWhenTheDelegateResetsWithoutSaving) {
    std::string text = "n,word,name\n";
    for (int i = 1; i <= 150; ++i)
        text += std::to_string(i) + "," + (i % 2 ? "yes" : "no") + ",p" + std::to_string(i % 7) + "\n";
    std::ofstream(path("t.csv"), std::ios::binary) << text;

    auto m = mainModel();
    m->openStore(path("W.ov"));
    ResettingDelegate delegate(*m);
    FileImporter importer;
    importer.setModel(m.get());
    importer.setDelegate(&delegate);
    importer.createWorkspaceFromText(path("t.csv"), true, 0, U',', ".");
    ASSERT_EQ(delegate.code, -1);

    m.reset();
    auto reopened = mainModel();
    reopened->openStore(path("W.ov"));
    EXPECT_EQ(reopened->countRows(), 150u);
    const int64_t types[] = {3, 2, 1}; // Numeric, Binary, Categorical
    for (uint64_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        auto column = reopened->columnNumber(i);
        ASSERT_TRUE(column);
        EXPECT_EQ(column->obs(), 150);
        EXPECT_EQ(column->type(), types[i]);
    }
}

TEST_F(FileImporterResetTest, ColumnsAnalysedInPassesGetTheirOwnStatistics) {
    std::string text = "n,word,name,day,few\n";
    for (int i = 1; i <= 150; ++i)
        text += std::to_string(i * 3 % 101) + "," + (i % 2 ? "yes" : "no") + ",p" + std::to_string(i % 7) +
                "," + std::to_string(1 + i % 28) + " March 2021," + (i % 10 ? "" : std::to_string(i)) + "\n";
    std::ofstream(path("t.csv"), std::ios::binary) << text;

    // Cells per pass: one column at a time, two side by side, three, all of them.
    for (const std::uint64_t cells : {1u, 300u, 450u, 4000000u}) {
        SCOPED_TRACE(cells);
        const std::string file = path("W" + std::to_string(cells) + ".ov");
        auto m = mainModel();
        m->openStore(file);
        ResettingDelegate delegate(*m);
        FileImporter importer;
        importer.setModel(m.get());
        importer.setDelegate(&delegate);
        importer.setCellsPerPass(cells);
        importer.createWorkspaceFromText(path("t.csv"), true, 0, U',', ".");
        ASSERT_EQ(delegate.code, -1);

        m.reset();
        auto reopened = mainModel();
        reopened->openStore(file);
        const int64_t types[] = {3, 2, 1, 4, 3}; // Numeric, Binary, Categorical, Date, Numeric
        for (uint64_t i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            auto column = reopened->columnNumber(i);
            ASSERT_TRUE(column);
            const BasicStats alone = reopened->dictBasicStatsForColumn(*column);
            EXPECT_EQ(column->obs(), alone.obs);
            EXPECT_EQ(column->obsNumeric(), alone.obsNumeric);
            EXPECT_EQ(column->obsDate(), alone.obsDate);
            EXPECT_EQ(column->levels(), alone.levels);
            EXPECT_EQ(column->mean(), alone.mean);
            EXPECT_EQ(column->meanDate(), alone.meanDate);
            EXPECT_EQ(column->type(), types[i]);
        }
    }
}

} // namespace
