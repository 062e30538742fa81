// The documents folder follows the user's XDG settings.
#include "platform/ui/Environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// Sets an environment variable for the scope of a test.
struct ScopedEnv {
    std::string name;
    std::string old;
    bool had;
    ScopedEnv(std::string n, const char* value) : name(std::move(n)) {
        const char* o = std::getenv(name.c_str());
        had = o != nullptr;
        old = o ? o : "";
        if (value)
            setenv(name.c_str(), value, 1);
        else
            unsetenv(name.c_str());
    }
    ~ScopedEnv() {
        if (had)
            setenv(name.c_str(), old.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
};

TEST(Environment, DocumentsFolderFromTheVariableTheUserDirsFileOrHome) {
    namespace fs = std::filesystem;
    fs::path root = fs::path(testing::TempDir()) / ("env-" + std::to_string(::getpid()));
    fs::create_directories(root / "config");
    ScopedEnv home("HOME", root.c_str());
    ScopedEnv config("XDG_CONFIG_HOME", (root / "config").c_str());
    {
        ScopedEnv docs("XDG_DOCUMENTS_DIR", "/data/docs");
        EXPECT_EQ(ui::Environment::defaultDocumentsFolder(), "/data/docs/Ovrida");
    }
    ScopedEnv docs("XDG_DOCUMENTS_DIR", nullptr);
    EXPECT_EQ(ui::Environment::defaultDocumentsFolder(), root.string() + "/Documents/Ovrida");
    std::ofstream(root / "config" / "user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                      << "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
    EXPECT_EQ(ui::Environment::defaultDocumentsFolder(), root.string() + "/Dokumente/Ovrida");
    fs::remove_all(root);
}

TEST(Environment, TheTemporaryFolderExistsAndBelongsToThisProcess) {
    std::string t = ui::Environment::defaultTemporaryFolder();
    EXPECT_TRUE(std::filesystem::is_directory(t));
    EXPECT_NE(t.find(std::to_string(::getpid())), std::string::npos);
    std::filesystem::remove(t);
}

} // namespace
