// make_example_workspace CSV OV: imports the example data (a header row, comma-delimited, "." as the
// decimal point) into a new workspace file OV. The workspace names the CSV as its source, so a copy of it
// counts as the example when that CSV lies in the app's resources folder.
#include "import/FileImporter.h"
#include "model/Model.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>

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
    model.closeStores();

    if (storeFailed || outcome.code != FileImporter::codeNormalEnd || rows == 0 || columns == 0) {
        std::cerr << "make_example_workspace: " << csv << " did not import (code " << outcome.code << ": "
                  << outcome.message << ")\n";
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
    std::cout << "example workspace: " << rows << " rows, " << columns << " columns\n";
    return 0;
}
