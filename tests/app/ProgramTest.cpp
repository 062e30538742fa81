// The program as a child process: its arguments, headless scripts and their failures, the end on a
// signal (edits kept, nothing written without changes, the temporary folder gone), and the desktop
// entry's installer.
#include "WorkspaceFile.h"
#include "model/Model.h"
#include "platform/foundation/Dispatch.h"
#include "platform/graphics/Image.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <thread>

namespace fs = std::filesystem;

extern char** environ;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Pumps the main queue until the condition holds (a child process's state is looked at each round).
bool eventually(const std::function<bool()>& condition, double seconds) {
    return dispatch::runUntil(condition, seconds);
}

// The program started with arguments and changes to its environment (an empty value unsets).
struct Child {
    pid_t pid = -1;
    int status = -1;
    std::string errors; // what it wrote to standard error

    Child(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& changes,
          const std::string& errorFile)
        : errorFile_(errorFile) {
        std::map<std::string, std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            size_t eq = entry.find('=');
            if (eq != std::string::npos)
                env[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
        for (const auto& [key, value] : changes) {
            if (value.empty())
                env.erase(key);
            else
                env[key] = value;
        }
        std::vector<std::string> envStrings, argStrings{OVRIDA_PROGRAM};
        for (const auto& [key, value] : env)
            envStrings.push_back(key + "=" + value);
        argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv, envp;
        for (auto& a : argStrings)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : envStrings)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid, OVRIDA_PROGRAM, &actions, nullptr, argv.data(), envp.data()) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (pid > 0 && status == -1) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    // The exit status once it has ended (-1: still running after the time, or ended by a signal).
    int wait(double seconds = 120) {
        if (pid <= 0)
            return -1;
        int raw = 0;
        bool ended = eventually([&] { return ::waitpid(pid, &raw, WNOHANG) == pid; }, seconds);
        errors = readAll(errorFile_);
        if (!ended)
            return -1;
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -2;
        return status;
    }

  private:
    std::string errorFile_;
};

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ovrida-program-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        documents = path("Documents");
        fs::create_directories(documents);
        fs::create_directories(path("home"));
        fs::create_directories(path("tmp"));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string path(const std::string& name) const { return (fs::path(folder) / name).string(); }
    std::string doc(const std::string& name) const { return (fs::path(documents) / name).string(); }

    // A headless run over the scratch documents folder, with a home and a temporary folder of its own.
    std::unique_ptr<Child> start(std::vector<std::string> arguments, std::map<std::string, std::string> env = {}) {
        env.emplace("HOME", path("home"));
        env.emplace("TMPDIR", path("tmp"));
        env.emplace("XDG_CONFIG_HOME", path("home/.config"));
        env.emplace("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<Child>(arguments, env, path("errors.txt"));
    }
    std::unique_ptr<Child> headless(const std::string& script, std::vector<std::string> more = {}) {
        writeFile(path("script.txt"), script);
        std::vector<std::string> arguments{"--headless", "--documents", documents, "--script", path("script.txt")};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return start(arguments);
    }
    // The temporary folders the program left behind in its TMPDIR.
    std::vector<std::string> leftInTmp() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(path("tmp")))
            if (e.path().filename().string().rfind("ovrida-", 0) == 0)
                out.push_back(e.path().filename().string());
        return out;
    }

    std::string folder, documents;
};

TEST_F(ProgramTest, ArgumentsThatCannotRun) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        std::map<std::string, std::string> env;
        int status;
        const char* says;
    } cases[] = {
        {"no display", {}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, 1,
         "No display found. For scripted use, run: ./run --headless (see README)."},
        {"an unknown option", {"--colour"}, {}, 2, "Usage: ovrida"},
        {"a size that is none", {"--headless", "--size", "wide"}, {}, 2, "--size takes WIDTHxHEIGHT"},
        {"an option without its value", {"--headless", "--script"}, {}, 2, "--script needs a value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto child = start(c.arguments, c.env);
        EXPECT_EQ(child->wait(), c.status);
        EXPECT_NE(child->errors.find(c.says), std::string::npos) << child->errors;
    }
}

TEST_F(ProgramTest, AScriptRunsItsStepsAndStopsAtTheFirstThatDoesNotHold) {
    struct Case {
        const char* name;
        std::string script;
        int status;
        const char* says; // on standard error
    } cases[] = {
        {"every step holds",
         "# the Workspaces screen\n\nexpect-text labelOpen Open Existing Workspace\ndump " + path("tree.txt") +
             "\ntap Variables\nwait-idle\nscreenshot " + path("shot.png") + "\n",
         0, ""},
        {"a failed expectation", "wait-idle\nexpect-text labelOpen Something Else\n", 1, "script.txt:2: expect-text"},
        {"a step that finds nothing", "# first\ntap No Such Button\n", 1, "script.txt:2: tap No Such Button"},
        {"an unknown step", "wait-idle\n\nfly away\n", 1, "script.txt:3: fly away"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto child = headless(c.script, {"--size", "800x600"});
        EXPECT_EQ(child->wait(), c.status) << child->errors;
        EXPECT_NE(child->errors.find(c.says), std::string::npos) << child->errors;
        EXPECT_TRUE(leftInTmp().empty());
    }
    auto shot = gfx::Image::loadPNG(path("shot.png"));
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->pixelWidth(), 800);
    EXPECT_EQ(shot->pixelHeight(), 600);
    EXPECT_NE(readAll(path("tree.txt")).find("labelOpen"), std::string::npos);
}

TEST_F(ProgramTest, AHandedOverFileIsImportedByScriptAndPicturedOnPadAndPhone) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        int width, height;
    } cases[] = {
        {"pad", {}, 1024, 768},
        {"phone", {"--phone"}, 375, 667},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(documents);
        fs::create_directories(documents);
        writeFile(path("data.csv"), "Name,Score\nAda,3\nBo,4\n");
        const std::string shot = renderChecks::scratchPath(std::string("program-browse-") + c.name + ".png");
        fs::remove(shot);
        std::vector<std::string> more = c.options;
        more.push_back(path("data.csv"));
        auto child = headless("tap Create\nwait-idle\nexpect-text labelFilter No filter. Tap filter icons in column "
                              "headers\nscreenshot " + shot + "\n",
                              more);
        EXPECT_EQ(child->wait(), 0) << child->errors;
        auto image = gfx::Image::loadPNG(shot);
        ASSERT_TRUE(image) << shot;
        std::cout << c.name << ": " << shot << "\n";
        EXPECT_EQ(image->pixelWidth(), c.width);
        EXPECT_EQ(image->pixelHeight(), c.height);
        // The tab bar's white 0.95 along the bottom edge.
        const gfx::Color bar = image->pixel(3, c.height - 3);
        EXPECT_NEAR(bar.red, 0.95, 0.01);
        EXPECT_NEAR(bar.blue, 0.95, 0.01);
        EXPECT_TRUE(fs::exists(doc("data.ov")));
        EXPECT_EQ(readAll(path("data.csv")), "Name,Score\nAda,3\nBo,4\n");
        EXPECT_TRUE(leftInTmp().empty());
    }
}

// Cells and statistics of a workspace file, read with SQLite itself.
struct StoredCell {
    std::string data;
    bool statisticsCleared = false;
};

std::optional<StoredCell> cellHolding(const std::string& file, const std::string& text) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return std::nullopt;
    }
    sqlite3_stmt* st = nullptr;
    std::optional<StoredCell> out;
    const char* sql = "SELECT Cell.data, \"Column\".obs IS NULL FROM Cell JOIN \"Column\" ON \"Column\".num = Cell.colNum "
                      "WHERE Cell.data = ?";
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, text.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW)
            out = StoredCell{reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), sqlite3_column_int(st, 1) != 0};
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

TEST_F(ProgramTest, ASignalEndsTheAppWithItsEditsKeptAndNothingWrittenWithoutChanges) {
    const std::string file = doc("w.ov");
    std::vector<std::vector<std::string>> rows;
    for (int r = 1; r <= 5; ++r)
        rows.push_back({std::to_string(20 + r), "n" + std::to_string(r)});
    makeWorkspaceFile(file, {"Age", "Name"}, rows);
    struct Case {
        const char* name;
        std::string script;
        bool edits;
    } cases[] = {
        {"opened and left alone", "wait-idle\ndump " + path("ready.txt") + "\nhold\n", false},
        {"a value typed in edit mode and left open",
         // The first tap on the grid puts the edit tip away, the second reaches the field.
         "wait-idle\ntap Edit\nwait-idle\ntap n3\ntap n3\ntype zz-typed\ndump " + path("ready.txt") + "\nhold\n",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(path("ready.txt"));
        const std::string bytes = readAll(file);
        const auto modified = fs::last_write_time(file);
        auto child = headless(c.script, {file});
        ASSERT_TRUE(eventually([&] { return fs::exists(path("ready.txt")); }, 120)) << readAll(path("errors.txt"));
        ::kill(child->pid, SIGTERM);
        EXPECT_EQ(child->wait(), 0) << child->errors;
        EXPECT_TRUE(leftInTmp().empty());
        if (!c.edits) {
            EXPECT_EQ(readAll(file), bytes);
            EXPECT_EQ(fs::last_write_time(file), modified);
            continue;
        }
        auto typed = cellHolding(file, "n3zz-typed"); // typed after the field's text
        ASSERT_TRUE(typed) << "the open field's text is stored";
        EXPECT_TRUE(typed->statisticsCleared) << "its column's statistics are computed again on their next use";
    }
}

TEST_F(ProgramTest, TheDesktopEntryIsValidClaimsWorkspacesAndIsWrittenOnce) {
    if (renderChecks::runCommand("command -v desktop-file-validate xdg-mime gio >/dev/null").status != 0)
        GTEST_SKIP() << "the desktop's file-type tools are not installed";
    const std::string data = path("data");
    const std::string install = std::string(OVRIDA_SOURCE_DIR) + "/app/desktop/install-desktop-entry";
    const std::string env = "XDG_DATA_HOME=" + renderChecks::shellQuoted(data) + " XDG_CURRENT_DESKTOP=GNOME ";
    const std::string program = "/opt/some where/ovrida";
    ASSERT_EQ(renderChecks::runCommand(env + renderChecks::shellQuoted(install) + " " +
                                       renderChecks::shellQuoted(program)).status, 0);
    const std::string entry = data + "/applications/ovrida.desktop", types = data + "/mime/packages/ovrida.xml";
    auto validated = renderChecks::runCommand("desktop-file-validate " + renderChecks::shellQuoted(entry) + " 2>&1");
    EXPECT_EQ(validated.status, 0) << validated.text;
    EXPECT_EQ(validated.text.find("error"), std::string::npos) << validated.text;
    const std::string text = readAll(entry);
    for (const char* line : {"Name=Ovrida\n", "Exec=\"/opt/some where/ovrida\" %F\n", "Terminal=false\n",
                             "MimeType=text/csv;application/vnd.ms-excel;"
                             "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet;"
                             "application/x-ovrida-workspace;\n",
                             "Icon=/opt/some where/resources/icons/ovrida@2x.png\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.find("text/plain"), std::string::npos);

    // A workspace file is of the workspace type.
    makeWorkspaceFile(path("sample.ov"), {"x"}, {{"1"}});
    auto type = renderChecks::runCommand(env + "xdg-mime query filetype " + renderChecks::shellQuoted(path("sample.ov")));
    EXPECT_EQ(type.text, "application/x-ovrida-workspace\n");

    // A second run rewrites nothing.
    const auto entryTime = fs::last_write_time(entry), typesTime = fs::last_write_time(types);
    const auto cacheTime = fs::last_write_time(data + "/mime/mime.cache");
    ASSERT_EQ(renderChecks::runCommand(env + renderChecks::shellQuoted(install) + " " +
                                       renderChecks::shellQuoted(program)).status, 0);
    EXPECT_EQ(fs::last_write_time(entry), entryTime);
    EXPECT_EQ(fs::last_write_time(types), typesTime);
    EXPECT_EQ(fs::last_write_time(data + "/mime/mime.cache"), cacheTime);
}

} // namespace
