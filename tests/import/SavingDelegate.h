// An import's delegate that saves and resets the Model's context where the Workspaces screen does (every
// 100 rows and before each column's analysis), so that no stored object is kept across those callbacks,
// saves at the end and keeps the completion code.
#pragma once

#include "import/FileImporter.h"
#include "model/Model.h"

class SavingDelegate : public FileImporterDelegate {
  public:
    explicit SavingDelegate(Model& model) : model(model) {}
    void importerDidCompleteLineNumber(FileImporter&, std::uint64_t, std::uint64_t) override {
        saveAndReset();
    }
    void importerWillAnalyzeColumnNamed(FileImporter&, const std::string&) override { saveAndReset(); }
    void importerDidCompleteDocument(FileImporter&, const std::string&, const ImportError& e) override {
        code = e.code;
        model.saveContext();
    }
    void saveAndReset() {
        model.saveContext();
        model.managedObjectContext()->reset();
    }

    Model& model;
    int code = 0;
};
