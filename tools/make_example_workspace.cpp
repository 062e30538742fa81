// make_example_workspace CSV OV: imports the example data (a header row, comma-delimited, "." as the
// decimal point) into a new workspace file OV, with a saved analysis of each kind the app shows. The
// workspace names the CSV as its source, so a copy of it counts as the example when that CSV lies in the
// app's resources folder.
#include "import/FileImporter.h"
#include "model/Model.h"
#include "model/WhereClauseObj.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Outcome : FileImporterDelegate {
    int code = 0;
    std::string message;
    void importerDidCompleteDocument(FileImporter&, const std::string&, const ImportError& error) override {
        code = error.code;
        message = error.message;
    }
};

// A filter of a saved analysis: the column by name, the operator's code and its constant.
struct ExampleFilter {
    std::string column;
    uint64_t op = FilterEqual;
    std::string constant;
};

// A saved analysis of the example: named as "New Analysis" names one of its kind, on columns of the example
// data by name (left, right, then the further ones), with its filters and, for a two-way table, its
// percentages (the mode, and whether they show).
struct ExampleAnalysis {
    std::string name;
    int64_t type = 0;
    int64_t distribution = 0;
    std::string left, right;
    std::vector<std::string> columns;
    std::vector<ExampleFilter> filters;
    int64_t percentMode = 0;
    int64_t percentDisplay = 0;
};

// The list shows them in this order: each was opened a minute before the one above it.
const std::vector<ExampleAnalysis> kExampleAnalyses = {
    {"Correlation", 3, 0, "Height (cm)", "Weight (kg)", {}, {}, 0, 0},
    {"Two way table", 1, 0, "Activity", "Smoker", {}, {}, 1, 1},
    {"Hypothesis Test of Means", 5, 0, "Sleep (hours)", "", {}, {}, 0, 0},
    {"Linear Regression Model", 4, 0, "Weight (kg)", "", {"Height (cm)", "Age"}, {}, 0, 0},
    {"Logistic Regression Model", 4, 2, "Smoker", "", {"Age", "Systolic BP"}, {}, 0, 0},
};

// The choices of the example's hypothesis tests beyond their columns, by the analysis's name: one sample
// against an expected value.
struct ExampleTest {
    std::string name;
    std::string expected;
};
const std::vector<ExampleTest> kExampleTests = {
    {"Hypothesis Test of Means", "7"},
};

// Saves the example's analyses; an error names the first one whose column is missing or does not fit its
// slot, as the data and this list must change together.
bool addExampleAnalyses(Model& model, std::string& error) {
    // A fixed time, so that the same data always build the same workspace.
    const double opened = 1700000000;
    auto named = [&](const std::string& name) -> std::shared_ptr<Column> {
        for (const auto& c : model.columns())
            if (c->name() == name)
                return c;
        return nullptr;
    };
    for (size_t i = 0; i < kExampleAnalyses.size(); ++i) {
        const ExampleAnalysis& e = kExampleAnalyses[i];
        auto analysis = model.addAnalysis(e.name);
        if (!analysis) {
            error = e.name + ": not saved";
            return false;
        }
        analysis->setType(e.type);
        analysis->setDistribution(e.distribution);
        analysis->setTwoWayPercAgg(e.percentMode);
        analysis->setTwoWayPercDisplay(e.percentDisplay);
        analysis->setLastOpened(opened - 60.0 * double(i));
        // The slots take the columns their pickers offer: left 1, right 2, further 3.
        auto fits = [&](const std::string& name, uint64_t position) -> std::shared_ptr<Column> {
            auto column = named(name);
            if (!column) {
                error = e.name + ": no column " + name;
                return nullptr;
            }
            for (const auto& offered : model.columnsForAnalysisType(uint64_t(e.type), position))
                if (offered->objectID() == column->objectID())
                    return column;
            error = e.name + ": " + name + " does not fit position " + std::to_string(position);
            return nullptr;
        };
        if (!e.left.empty()) {
            auto column = fits(e.left, 1);
            if (!column)
                return false;
            analysis->setLeft(column.get());
        }
        if (!e.right.empty()) {
            auto column = fits(e.right, 2);
            if (!column)
                return false;
            analysis->setRight(column.get());
        }
        for (const auto& name : e.columns) {
            auto column = fits(name, 3);
            if (!column)
                return false;
            analysis->addColumnsObject(*column);
        }
        for (const auto& f : e.filters) {
            auto column = named(f.column);
            if (!column) {
                error = e.name + ": no column " + f.column + " to filter";
                return false;
            }
            auto clause = model.managedObjectContext()->insertNewObject<WhereClause>();
            clause->setX(column.get());
            clause->setOp(int64_t(f.op));
            clause->setC(f.constant);
            analysis->addWheresObject(*clause);
        }
        for (const auto& t : kExampleTests) {
            if (t.name != e.name)
                continue;
            analysis->setSamples(1);
            analysis->setExpected(t.expected);
        }
    }
    model.saveContext();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_example_workspace EXAMPLE.csv EXAMPLE.ov\n";
        return 2;
    }
    std::error_code ec;
    const fs::path csv = fs::absolute(argv[1], ec);
    const fs::path out = fs::absolute(argv[2], ec);
    // Written beside the target and renamed at the end: a failed build never leaves a half workspace.
    const fs::path partial = out.parent_path() / (".partial-" + std::to_string(::getpid()) + "-" +
                                                   out.filename().string());
    fs::remove(partial, ec);

    bool storeFailed = false;
    Model::setStoreErrorHandler([&] { storeFailed = true; });
    Model model;
    model.setPersistentStoreCoordinator(std::make_shared<store::Coordinator>(Model::managedObjectModel()));
    model.setManagedObjectContext(std::make_shared<store::Context>(model.persistentStoreCoordinator()));
    model.openStore(partial.string());

    Outcome outcome;
    FileImporter importer;
    importer.setModel(&model);
    importer.setDelegate(&outcome);
    importer.createWorkspaceFromText(csv.string(), true, 0, U',', ".");
    model.saveContext();
    const uint64_t rows = model.countRows(), columns = model.countColumns();
    const bool imported = !storeFailed && outcome.code == FileImporter::codeNormalEnd && rows > 0 && columns > 0;
    std::string analysisError;
    const bool analysed = imported && addExampleAnalyses(model, analysisError) && !storeFailed;
    const size_t analyses = analysed ? model.analyses().size() : 0;
    model.closeStores();

    if (!imported) {
        std::cerr << "make_example_workspace: " << csv << " did not import (code " << outcome.code << ": "
                  << outcome.message << ")\n";
        fs::remove(partial, ec);
        return 1;
    }
    if (!analysed) {
        std::cerr << "make_example_workspace: the example's analyses were not saved ("
                  << (analysisError.empty() ? "the store failed" : analysisError) << ")\n";
        fs::remove(partial, ec);
        return 1;
    }
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        fs::remove(out.string() + suffix, ec);
    fs::rename(partial, out, ec);
    if (ec) {
        std::cerr << "make_example_workspace: cannot write " << out << ": " << ec.message() << "\n";
        fs::remove(partial, ec);
        return 1;
    }
    std::cout << "example workspace: " << rows << " rows, " << columns << " columns, " << analyses
              << " analyses\n";
    return 0;
}
