// The importer keeps nothing across the callbacks where a delegate may reset the Model's context, and
// what it computed before such a reset is in the workspace even when the delegate did not save.
#include "import/FileImporter.h"

#include "model/Model.h"
#include "tests/model/StoreFixture.h"

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

} // namespace
