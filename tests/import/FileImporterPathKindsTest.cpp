// What the importer and its inspection do with paths that are not plain readable files (folders, pipes,
// sockets, links to devices, missing and unreadable files) on every road, and with an exception thrown
// while an import runs: each case ends promptly with its code and a message, never blocks or spins.
#include "import/FileImporter.h"

#include "model/Model.h"
#include "tests/import/XlsxPackage.h"
#include "tests/model/StoreFixture.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Ends the test process when a case has not ended in time, so that a read that blocks on a pipe or
// spins on a device fails the suite instead of hanging it. A guard, not a speed target.
class Watchdog {
  public:
    explicit Watchdog(std::string what) : what_(std::move(what)), thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        ended_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    void watch() {
        std::unique_lock lock(mutex_);
        if (ended_.wait_for(lock, std::chrono::seconds(30), [this] { return done_; }))
            return;
        std::fprintf(stderr, "FAILED: %s did not end within 30 s\n", what_.c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }

    std::string what_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread thread_;
};

class Outcome final : public FileImporterDelegate {
  public:
    void importerDidInspectURL(FileImporter& importer, const std::string&,
                               const std::optional<std::vector<WorkbookSheet>>& found) override {
        ++answers;
        sheets = found;
        // Read from inside the answer, as the new-workspace sheet would.
        inspectionError = importer.inspectionError();
    }
    void importerDidStartDocument(FileImporter&, const std::string&) override {
        if (throwAt == "start")
            throw std::runtime_error("thrown at the start");
    }
    void importerDidCompleteLineNumber(FileImporter&, std::uint64_t, std::uint64_t) override {
        if (throwAt == "progress")
            throw std::runtime_error("thrown at a progress report");
    }
    void importerWillAnalyzeColumnNamed(FileImporter&, const std::string&) override {
        if (throwAt == "analysis")
            throw std::runtime_error("thrown before a column's analysis");
    }
    void importerDidCompleteDocument(FileImporter&, const std::string&, const ImportError& e) override {
        ++answers;
        error = e;
        if (throwAt == "complete")
            throw std::runtime_error("thrown at the end");
    }
    std::string throwAt;
    int answers = 0;
    ImportError error;
    std::optional<std::vector<WorkbookSheet>> sheets;
    std::optional<ImportError> inspectionError;
};

enum class Road { Inspection, Text, Xls, Xlsx };

const char* roadName(Road road) {
    switch (road) {
    case Road::Inspection:
        return "inspection";
    case Road::Text:
        return "delimited text";
    case Road::Xls:
        return "xls";
    case Road::Xlsx:
        return "xlsx";
    }
    return "";
}

// A good file of the road's format, for the link to a regular file.
std::string goodFile(Road road, const std::string& extension) {
    if (road == Road::Text)
        return fs::absolute("tests/fixtures/csv/encodings/source.csv").string();
    return fs::absolute(extension == ".xls" ? "tests/fixtures/xls/xlwt_basic.xls"
                                            : "tests/fixtures/xlsx/openpyxl_basic.xlsx")
        .string();
}

class FileImporterPathKinds : public StoreTest {
  protected:
    // Makes a path of the given kind; "" when this machine cannot make it.
    std::string make(const std::string& kind, const std::string& name, const std::string& good) {
        const std::string p = path(name);
        if (kind == "folder")
            fs::create_directories(p);
        else if (kind == "pipe")
            EXPECT_EQ(mkfifo(p.c_str(), 0644), 0);
        else if (kind == "socket")
            makeSocket(p);
        else if (kind == "link to a device")
            fs::create_symlink("/dev/zero", p);
        else if (kind == "link to a regular file")
            fs::create_symlink(good, p);
        else if (kind == "unreadable file") {
            fs::copy_file(good, p);
            fs::permissions(p, fs::perms::none);
        }
        return p;
    }

    void makeSocket(const std::string& p) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(p.size(), sizeof address.sun_path);
        std::copy(p.begin(), p.end(), address.sun_path);
        socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(socket_, 0);
        ASSERT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::listen(socket_, 1), 0);
    }

    void TearDown() override {
        if (socket_ >= 0)
            ::close(socket_);
        StoreTest::TearDown();
    }

    int socket_ = -1;
};

// Root reads every file whatever its mode; the case runs as another user for the file system only.
class NotRoot {
  public:
    explicit NotRoot(bool on) : on_(on && geteuid() == 0) {
        if (on_)
            setfsuid(65534);
    }
    ~NotRoot() {
        if (on_)
            setfsuid(0);
    }

  private:
    bool on_;
};

TEST_F(FileImporterPathKinds, EveryRoadEndsWithCodeFourNamingTheFile) {
    struct Kind {
        const char* kind;
        const char* message; // what the message says after the file's name; "" for a good file
    };
    const Kind kinds[] = {
        {"folder", "is not a regular file."},
        {"pipe", "is not a regular file."},
        {"socket", "is not a regular file."},
        {"link to a device", "is not a regular file."},
        {"link to a regular file", ""},
        {"missing file", "could not be opened: No such file or directory"},
        {"unreadable file", "could not be opened: Permission denied"},
    };
    struct RoadCase {
        Road road;
        const char* extension;
    };
    const RoadCase roads[] = {{Road::Inspection, ".xls"}, {Road::Inspection, ".xlsx"}, {Road::Text, ".csv"},
                              {Road::Xls, ".xls"},        {Road::Xlsx, ".xlsx"}};
    // Others may traverse the folder: the unreadable case runs as another user, and the workspace it
    // writes is theirs to write.
    fs::permissions(folder, fs::perms::all);
    int n = 0;
    for (const Kind& k : kinds) {
        for (const RoadCase& r : roads) {
            const std::string what = std::string(k.kind) + " on the " + roadName(r.road) + " road (" +
                                     r.extension + ")";
            SCOPED_TRACE(what);
            const std::string name = "case" + std::to_string(++n) + r.extension;
            const std::string file = make(k.kind, name, goodFile(r.road, r.extension));
            const bool good = *k.message == '\0';

            Outcome outcome;
            FileImporter importer;
            importer.setDelegate(&outcome);
            std::unique_ptr<Model> model;
            if (r.road != Road::Inspection) {
                model = mainModel();
                const std::string workspace = path("W" + std::to_string(n) + ".ov");
                model->openStore(workspace);
                model->setWritesWithoutSync(true);
                importer.setModel(model.get());
                chmod(workspace.c_str(), 0666);
            }
            {
                Watchdog watchdog(what);
                NotRoot asOther(std::string(k.kind) == "unreadable file");
                if (r.road == Road::Inspection)
                    importer.inspectURL(file);
                else
                    importer.createWorkspaceFromText(file, true, 0, U',', ".");
            }
            EXPECT_EQ(outcome.answers, 1);
            if (r.road == Road::Inspection) {
                EXPECT_EQ(outcome.sheets.has_value(), good);
                EXPECT_EQ(outcome.inspectionError.has_value(), !good);
                EXPECT_EQ(importer.inspectionError(), outcome.inspectionError);
                if (good)
                    continue;
                ASSERT_TRUE(outcome.inspectionError);
                EXPECT_EQ(outcome.inspectionError->code, 4);
                EXPECT_EQ(outcome.inspectionError->message,
                          "The file \"" + file + "\" " + k.message);
                continue;
            }
            if (good) {
                EXPECT_EQ(outcome.error.code, -1);
                EXPECT_GT(model->countRows(), 0u);
                continue;
            }
            EXPECT_EQ(outcome.error.code, 4);
            EXPECT_EQ(outcome.error.domain,
                      r.road == Road::Text ? CHCSVParser::errorDomain : FileImporter::errorDomain);
            EXPECT_EQ(outcome.error.message, "The file \"" + file + "\" " + k.message);
            EXPECT_EQ(model->countColumns(), 0u);
        }
    }
}

// An exception thrown while an import runs (here by the delegate, on the reader's stack) never leaves the
// importer: the import ends with the road's failure code, and the last callback comes exactly once.
TEST_F(FileImporterPathKinds, AnExceptionEndsTheImportWithTheReadersCode) {
    // 150 rows: a progress report comes from inside the reading of the worksheet.
    const std::string rows = xlsxpackage::writePackage(
        path("rows.xlsx"), xlsxpackage::oneSheet(xlsxpackage::numberedSheet(150)));
    struct Case {
        std::string file;
        const char* throwAt;
        int code;
    };
    const Case cases[] = {
        {"tests/fixtures/csv/encodings/source.csv", "start", 4},
        {"tests/fixtures/xls/xlwt_basic.xls", "start", 2},
        {"tests/fixtures/xlsx/openpyxl_basic.xlsx", "start", 2},
        {rows, "progress", 2},
        {"tests/fixtures/xlsx/openpyxl_basic.xlsx", "analysis", 2},
        {"tests/fixtures/xls/xlwt_basic.xls", "analysis", 2},
        {"tests/fixtures/xlsx/openpyxl_basic.xlsx", "complete", -1},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " throwing at " + c.throwAt);
        auto model = mainModel();
        model->openStore(path("E" + std::to_string(++n) + ".ov"));
        model->setWritesWithoutSync(true);
        Outcome outcome;
        outcome.throwAt = c.throwAt;
        FileImporter importer;
        importer.setModel(model.get());
        importer.setDelegate(&outcome);
        EXPECT_NO_THROW(importer.createWorkspaceFromText(c.file, true, 0, U',', "."));
        EXPECT_EQ(outcome.answers, 1);
        EXPECT_EQ(outcome.error.code, c.code);
        if (c.code == -1)
            continue;
        // The exception's own text tells what happened.
        const std::string told = outcome.error.message + " " +
                                 (outcome.error.userInfo.count("reason") ? outcome.error.userInfo.at("reason") : "");
        EXPECT_NE(told.find("thrown"), std::string::npos) << told;
    }
}

} // namespace
