// The documents folder follows the user's XDG settings; the temporary folder is private to the process.
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

TEST(Environment, TheTemporaryFolderIsANewPrivateFolderNamedByMkdtemp) {
    namespace fs = std::filesystem;
    fs::path root = fs::path(testing::TempDir()) / ("tmp-" + std::to_string(::getpid()));
    fs::create_directories(root);
    ScopedEnv tmp("TMPDIR", root.c_str());
    // A folder planted under the name a process id would give is not taken.
    fs::create_directories(root / ("ovrida-" + std::to_string(::getpid())));
    const fs::path first = ui::Environment::defaultTemporaryFolder();
    const fs::path second = ui::Environment::defaultTemporaryFolder();
    for (const fs::path& t : {first, second}) {
        SCOPED_TRACE(t.string());
        EXPECT_TRUE(fs::is_directory(t));
        EXPECT_EQ(t.parent_path(), root);
        const std::string name = t.filename().string();
        ASSERT_EQ(name.size(), std::string("ovrida-XXXXXX").size());
        EXPECT_EQ(name.substr(0, 7), "ovrida-");
        EXPECT_NE(name, "ovrida-XXXXXX");
        EXPECT_EQ(fs::status(t).permissions() & fs::perms::all, fs::perms::owner_all);
    }
    EXPECT_NE(first, second);
    // Without a folder to make it in, there is none.
    ScopedEnv missing("TMPDIR", (root / "missing").c_str());
    EXPECT_EQ(ui::Environment::defaultTemporaryFolder(), "");
    fs::remove_all(root);
}

} // namespace

namespace {

// The app's images by name: the @2x variant on a sharp screen, each read once, nothing for names that
// are missing or try to leave the icons folder.
TEST(Environment, ImagesByNameFromTheResourcesIcons) {
    namespace fs = std::filesystem;
    fs::path root = fs::path(testing::TempDir()) / ("images-" + std::to_string(::getpid()));
    fs::create_directories(root / "icons");
    ASSERT_TRUE(gfx::Image::blank(8, 6).writePNG((root / "icons" / "dot.png").string()));
    ASSERT_TRUE(gfx::Image::blank(16, 12).writePNG((root / "icons" / "dot@2x.png").string()));
    ASSERT_TRUE(gfx::Image::blank(4, 4).writePNG((root / "secret.png").string()));
    ui::Environment& env = ui::Environment::shared();
    ui::Environment saved = env;
    env.resourcesFolder = root.string();

    env.scale = 1;
    auto one = ui::imageNamed("dot");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->pixelWidth(), 8);
    EXPECT_EQ(one->size(), (gfx::Size{8, 6}));
    env.scale = 2;
    auto two = ui::imageNamed("dot");
    ASSERT_TRUE(two);
    EXPECT_EQ(two->pixelWidth(), 16);
    EXPECT_EQ(two->size(), (gfx::Size{8, 6}));

    for (const char* name : {"nothing", "", "../secret", "..", ".hidden", "icons/../../secret", "/etc/passwd"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ui::imageNamed(name));
    }
    // Read once: the file going away afterwards changes nothing.
    fs::remove(root / "icons" / "dot@2x.png");
    auto again = ui::imageNamed("dot");
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->sameBitmap(*two));
    env = saved;
    fs::remove_all(root);
}

} // namespace
