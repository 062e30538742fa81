// An import as the Workspaces screen runs it, for the import benchmarks: its delegate saves and resets
// the Model's context every 100 rows and before each column's analysis, so that no more than one batch
// of rows or one column's cells is held.
#pragma once

#include "import/FileImporter.h"
#include "model/Model.h"
#include "platform/store/Context.h"

#include <chrono>
#include <string>

namespace benchimport {

class ScreenLikeDelegate final : public FileImporterDelegate {
  public:
    explicit ScreenLikeDelegate(Model& model) : model_(model) {}
    void importerDidCompleteLineNumber(FileImporter&, std::uint64_t, std::uint64_t) override {
        saveAndReset();
    }
    void importerDidCompleteParsing(FileImporter&, const std::string&) override {
        parsedAt = std::chrono::steady_clock::now();
    }
    void importerWillAnalyzeColumnNamed(FileImporter&, const std::string&) override { saveAndReset(); }
    void importerDidCompleteDocument(FileImporter&, const std::string&, const ImportError& error) override {
        model_.saveContext();
        code = error.code;
    }
    int code = 0;
    std::chrono::steady_clock::time_point parsedAt{}; // when the reading and storing ended

  private:
    void saveAndReset() {
        model_.saveContext();
        model_.managedObjectContext()->reset();
    }
    Model& model_;
};

} // namespace benchimport
