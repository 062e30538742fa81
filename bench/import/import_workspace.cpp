// A 100,000-row x 50-column delimited file imported into a workspace as the import screen runs it (save
// and reset every 100 rows, statistics and type guess at the end) against the sqlite3 shell's .import of
// the same cells in long form (rowNum, colNum, data) into a table with the workspace's two cell indexes.
// Then the peak resident memory of importing 100,000 x 500 cells in a child process. Target: <= 2x, < 300 MB.
#include "import/FileImporter.h"
#include "model/Model.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// A third numbers, a third dates, a third words, as a typical imported table.
std::string cellText(int row, int col) {
    char text[32];
    switch (col % 3) {
    case 0:
        std::snprintf(text, sizeof text, "%d.%d", row * 7 % 1000, col);
        return text;
    case 1:
        std::snprintf(text, sizeof text, "%02d/%02d/2021", 1 + row % 12, 10 + col % 10);
        return text;
    default:
        return col % 2 ? std::string("yes") : "category " + std::to_string(row % 17);
    }
}

void writeTables(const std::string& wide, const std::string& longForm, int rows, int cols) {
    std::FILE* w = std::fopen(wide.c_str(), "wb");
    std::FILE* l = longForm.empty() ? nullptr : std::fopen(longForm.c_str(), "wb");
    for (int c = 0; c < cols; ++c)
        std::fprintf(w, c ? ",c%d" : "c%d", c + 1);
    std::fputc('\n', w);
    for (int r = 1; r <= rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const std::string text = cellText(r, c);
            std::fprintf(w, c ? ",%s" : "%s", text.c_str());
            if (l)
                std::fprintf(l, "%d,%d,%s\n", r, c, text.c_str());
        }
        std::fputc('\n', w);
    }
    std::fclose(w);
    if (l)
        std::fclose(l);
}

// Saves and resets where the screen does, so that at most 100 rows of objects are held.
class ScreenLikeDelegate final : public FileImporterDelegate {
  public:
    explicit ScreenLikeDelegate(Model& model) : model(model) {}
    void importerDidCompleteLineNumber(FileImporter&, std::uint64_t, std::uint64_t) override {
        saveAndReset();
    }
    void importerWillAnalyzeColumnNamed(FileImporter&, const std::string&) override { saveAndReset(); }
    void importerDidCompleteDocument(FileImporter&, const std::string&, const ImportError& e) override {
        model.saveContext();
        code = e.code;
    }
    void saveAndReset() {
        model.saveContext();
        model.managedObjectContext()->reset();
    }
    Model& model;
    int code = 0;
};

// The importer logs a line every 100 rows; the figures should not drown in them.
class QuietStandardError {
  public:
    QuietStandardError() : saved_(dup(2)) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        close(null);
    }
    ~QuietStandardError() {
        dup2(saved_, 2);
        close(saved_);
    }

  private:
    int saved_;
};

int importWorkspace(const std::string& csv, const std::string& workspace) {
    QuietStandardError quiet;
    fs::remove(workspace);
    Model model;
    model.setPersistentStoreCoordinator(std::make_shared<store::Coordinator>(Model::managedObjectModel()));
    model.setManagedObjectContext(std::make_shared<store::Context>(model.persistentStoreCoordinator()));
    model.openStore(workspace);
    model.setWritesWithoutSync(true);
    ScreenLikeDelegate delegate(model);
    FileImporter importer;
    importer.setModel(&model);
    importer.setDelegate(&delegate);
    importer.createWorkspaceFromText(csv, true, 0, U',', ".");
    model.setWritesWithoutSync(false);
    model.closeStores();
    return delegate.code;
}

double secondsOf(const auto& run) {
    auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    // The child of the memory measurement: a fresh process, so only the import counts.
    if (argc == 4 && std::string(argv[1]) == "--import")
        return importWorkspace(argv[2], argv[3]) == -1 ? 0 : 1;
    std::string folderPattern = (fs::temp_directory_path() / "ovrida-import-bench-XXXXXX").string();
    const fs::path folder = mkdtemp(folderPattern.data());
    const std::string wide = (folder / "table.csv").string();
    const std::string longForm = (folder / "long.csv").string();
    writeTables(wide, longForm, 100000, 50);

    const std::string script = (folder / "import.sql").string();
    const std::string baselineDb = (folder / "baseline.db").string();
    {
        std::FILE* f = std::fopen(script.c_str(), "wb");
        std::fprintf(f,
                     "CREATE TABLE Cell(rowNum INTEGER, colNum INTEGER, data TEXT);\n"
                     "CREATE INDEX CellColumnRows ON Cell(colNum, rowNum);\n"
                     "CREATE INDEX CellRowColumns ON Cell(rowNum, colNum);\n"
                     ".mode csv\n.import %s Cell\n",
                     longForm.c_str());
        std::fclose(f);
    }
    const std::string shell = "sqlite3 " + baselineDb + " < " + script;
    double baseline = 1e30, imported = 1e30;
    int code = 0;
    for (int run = 0; run < 2; ++run) {
        fs::remove(baselineDb);
        baseline = std::min(baseline, secondsOf([&] {
                                if (std::system(shell.c_str()) != 0)
                                    std::printf("sqlite3 shell failed\n");
                            }));
        imported =
            std::min(imported, secondsOf([&] { code = importWorkspace(wide, (folder / "w.ov").string()); }));
    }
    std::printf("100,000 x 50 cells, best of 2 (wall clock)\n");
    std::printf("sqlite3 .import in long form: %7.2f s\n", baseline);
    std::printf("FileImporter into a workspace (code %d): %7.2f s\n", code, imported);
    std::printf("ratio import / sqlite3 .import: %.2fx (target <= 2x)\n", imported / baseline);

    // Peak memory of the large import, in a child so that the first part does not count.
    fs::remove(longForm);
    writeTables(wide, "", 100000, 500);
    auto start = std::chrono::steady_clock::now();
    const std::string large = (folder / "large.ov").string();
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", argv[0], "--import", wide.c_str(), large.c_str(),
              static_cast<char*>(nullptr));
        _exit(2);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("100,000 x 500 cells: %.1f s, peak resident memory %.0f MB (target < 300 MB)%s\n", seconds,
                static_cast<double>(usage.ru_maxrss) / 1024.0,
                WEXITSTATUS(status) == 0 ? "" : ", import failed");
    fs::remove_all(folder);
    return 0;
}
