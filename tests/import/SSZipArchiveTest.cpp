// Zip unpacking and writing: packages from Python's zipfile and Info-ZIP, hostile names, links, bombs,
// damaged archives, progress reports and error codes.
#include "import/SSZipArchive.h"
#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace {

const std::string kDir = "tests/fixtures/zip/";

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void spit(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

// A fresh folder under the system's temporary directory, removed afterwards.
class ZipTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ovrida-zip-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        root = pattern;
        dest = root / "dest";
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root, ec);
    }
    fs::path root;
    fs::path dest;
};

mode_t modeOf(const fs::path& p) {
    struct stat st {};
    stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

struct Recorder : SSZipArchiveDelegate {
    std::vector<std::string> events;
    std::vector<std::pair<unsigned long long, unsigned long long>> progress;
    long stopAt = -1;
    bool reportInfo = true;
    void zipArchiveWillUnzipArchiveAtPath(const std::string&, const unz_global_info64& info) override {
        events.push_back("willArchive " + std::to_string(info.number_entry));
    }
    void zipArchiveDidUnzipArchiveAtPath(const std::string&, const unz_global_info64&,
                                         const std::string& unzippedPath) override {
        events.push_back("didArchive " + unzippedPath);
    }
    bool zipArchiveShouldUnzipFileAtIndex(long index, long, const std::string&,
                                          const unz_file_info64&) override {
        events.push_back("should " + std::to_string(index));
        return index != stopAt;
    }
    void zipArchiveWillUnzipFileAtIndex(long index, long, const std::string&,
                                        const unz_file_info64&) override {
        events.push_back("will " + std::to_string(index));
    }
    bool zipArchiveDidUnzipFileAtIndex(long index, long total, const std::string&,
                                       const unz_file_info64&) override {
        if (reportInfo)
            events.push_back("did " + std::to_string(index) + "/" + std::to_string(total));
        return reportInfo;
    }
    void zipArchiveDidUnzipFileAtIndexUnzippedFilePath(long index, long, const std::string&,
                                                       const std::string& path) override {
        events.push_back("didPath " + std::to_string(index) + " " + fs::path(path).filename().string());
    }
    void zipArchiveProgressEvent(unsigned long long loaded, unsigned long long total) override {
        progress.emplace_back(loaded, total);
    }
};

TEST_F(ZipTest, UnpacksAPackageWithItsFoldersDatesAndMaskedModes) {
    Recorder rec;
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "good.zip", dest.string(), &rec));
    EXPECT_EQ(slurp(dest / "docs/readme.txt"), "hello\n");
    EXPECT_EQ(slurp(dest / "docs/deep/er/file.txt"), "deep");
    EXPECT_EQ(slurp(dest / "plain.bin").size(), 10240u);
    EXPECT_EQ(modeOf(dest / "docs/readme.txt"), 0644u);
    EXPECT_EQ(modeOf(dest / "docs/deep/er/file.txt"), 0644u) << "0666 loses its world-write bit";
    EXPECT_EQ(modeOf(dest / "tool.sh"), 0755u) << "4777 loses set-id and write bits";

    std::tm t{};
    t.tm_year = 121, t.tm_mon = 2, t.tm_mday = 4, t.tm_hour = 5, t.tm_min = 6, t.tm_sec = 8, t.tm_isdst = -1;
    struct stat st {};
    stat((dest / "docs/readme.txt").c_str(), &st);
    EXPECT_EQ(st.st_mtime, std::mktime(&t));
    stat((dest / "docs").c_str(), &st);
    EXPECT_EQ(st.st_mtime, std::mktime(&t)) << "folders get their dates at the end";

    const std::vector<std::string> expected = {"willArchive 5",
                                               "should 0",
                                               "will 0",
                                               "did 0/5",
                                               "should 1",
                                               "will 1",
                                               "did 1/5",
                                               "should 2",
                                               "will 2",
                                               "did 2/5",
                                               "should 3",
                                               "will 3",
                                               "did 3/5",
                                               "should 4",
                                               "will 4",
                                               "did 4/5",
                                               "didArchive " + dest.string()};
    EXPECT_EQ(rec.events, expected);
    const auto total = fs::file_size(kDir + "good.zip");
    ASSERT_EQ(rec.progress.size(), 7u); // the start, one per entry, the end
    EXPECT_EQ(rec.progress.front(), std::make_pair(0ull, static_cast<unsigned long long>(total)));
    EXPECT_EQ(rec.progress.back(),
              std::make_pair(static_cast<unsigned long long>(total), static_cast<unsigned long long>(total)));
    for (size_t i = 1; i < rec.progress.size(); ++i)
        EXPECT_LE(rec.progress[i - 1].first, rec.progress[i].first);
}

TEST_F(ZipTest, ReportsEachEntryToTheBlocks) {
    std::vector<std::string> entries;
    std::vector<long> indexes;
    int completions = 0;
    bool succeeded = false;
    std::optional<ImportError> reported;
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(
        kDir + "good.zip", dest.string(),
        [&](const std::string& entry, const unz_file_info64&, long number, long total) {
            entries.push_back(entry);
            indexes.push_back(number);
            EXPECT_EQ(total, 5);
        },
        [&](const std::string& path, bool ok, const std::optional<ImportError>& error) {
            ++completions;
            succeeded = ok;
            reported = error;
            EXPECT_EQ(path, kDir + "good.zip");
        }));
    EXPECT_EQ(entries, (std::vector<std::string>{"docs/", "docs/readme.txt", "docs/deep/er/file.txt",
                                                 "tool.sh", "plain.bin"}));
    EXPECT_EQ(indexes, (std::vector<long>{0, 1, 2, 3, 4}));
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(succeeded);
    EXPECT_FALSE(reported);
}

TEST_F(ZipTest, DelegateWithoutTheInfoFormGetsTheUnzippedPath) {
    Recorder rec;
    rec.reportInfo = false;
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "macosx.zip", dest.string(), &rec));
    EXPECT_NE(std::find(rec.events.begin(), rec.events.end(), "didPath 1 data.txt"), rec.events.end());
}

TEST_F(ZipTest, NothingLeavesTheDestination) {
    foundation::LogCapture log;
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "evil.zip", dest.string()));
    EXPECT_EQ(slurp(dest / "evil"), "evil");
    EXPECT_EQ(slurp(dest / "abs/evil2"), "evil2");
    EXPECT_EQ(slurp(dest / "evil3"), "evil3");
    EXPECT_EQ(slurp(dest / "evil4"), "evil4");
    std::vector<std::string> top;
    for (const auto& e : fs::directory_iterator(root))
        top.push_back(e.path().filename().string());
    EXPECT_EQ(top, std::vector<std::string>{"dest"});

    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "symlink.zip", dest.string()));
    struct stat st {};
    EXPECT_NE(lstat((dest / "link").c_str(), &st), 0) << "a link entry is skipped";
    EXPECT_EQ(slurp(dest / "file.txt"), "kept");
    EXPECT_TRUE(log.contains("[SSZipArchive] Skipped symbolic link entry \"link\""));

    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "macosx.zip", dest.string()));
    EXPECT_FALSE(fs::exists(dest / "__MACOSX"));
    EXPECT_EQ(slurp(dest / "data.txt"), "data");
}

TEST_F(ZipTest, ALinkAlreadyInTheDestinationIsNotFollowed) {
    const fs::path outside = root / "outside";
    fs::create_directories(outside);
    fs::create_directories(dest);
    fs::create_directory_symlink(outside, dest / "docs");
    ImportError error;
    EXPECT_FALSE(SSZipArchive::unzipFileAtPath(kDir + "good.zip", dest.string(), true, std::nullopt, &error));
    EXPECT_EQ(error.code, SSZipArchive::ErrorCodeFailedToWriteFile);
    EXPECT_TRUE(fs::is_empty(outside));
}

TEST_F(ZipTest, FailuresEndWithTheirCodeAndNoSuccessCallback) {
    struct Case {
        std::string archive;
        std::string destination;
        int code;
        const char* message;
    };
    const std::string d = dest.string();
    const Case cases[] = {
        {kDir + "bomb.zip", d, SSZipArchive::ErrorCodeArchiveTooLarge,
         "archive expands beyond the safe limits"},
        {kDir + "liar.zip", d, 0, ""}, // inflating stops at the recorded size: the CRC cannot match
        {kDir + "truncated.zip", d, SSZipArchive::ErrorCodeFailedOpenZipFile, "failed to open zip file"},
        {kDir + "missing.zip", d, SSZipArchive::ErrorCodeFailedOpenZipFile, "failed to open zip file"},
        {kDir + "flipped.zip", d, 0, ""}, // inflating fails (-4) or the CRC does not match (-3)
        {"", d, SSZipArchive::ErrorCodeInvalidArguments, "received invalid argument(s)"},
        {kDir + "good.zip", "", SSZipArchive::ErrorCodeInvalidArguments, "received invalid argument(s)"},
        {kDir + "encrypted.zip", d, 0, ""}, // no password given
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        Recorder rec;
        ImportError error;
        bool completed = false;
        EXPECT_FALSE(SSZipArchive::unzipFileAtPath(
            c.archive, c.destination, true, true, std::nullopt, &error, &rec, {},
            [&](const std::string&, bool ok, const std::optional<ImportError>& e) {
                completed = true;
                EXPECT_FALSE(ok);
                EXPECT_TRUE(e);
            }));
        EXPECT_TRUE(completed);
        EXPECT_EQ(error.domain, SSZipArchive::ErrorDomain);
        if (c.code != 0) {
            EXPECT_EQ(error.code, c.code);
            EXPECT_EQ(error.message, c.message);
        } else {
            EXPECT_TRUE(error.code == SSZipArchive::ErrorCodeFileInfoNotLoadable ||
                        error.code == SSZipArchive::ErrorCodeFileContentNotReadable)
                << error.code;
        }
        for (const auto& e : rec.events)
            EXPECT_EQ(e.rfind("didArchive", 0), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dest / "zeros.bin")) << "a bomb is refused before it is written";
    if (fs::exists(dest / "liar.bin")) {
        EXPECT_LE(fs::file_size(dest / "liar.bin"), 1000u);
    }
}

// Every file under a folder, by its path inside it, with its contents.
std::map<std::string, std::string> filesUnder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (!it->is_directory())
            files[fs::relative(it->path(), folder).string()] = slurp(it->path());
    return files;
}

// Unpacking only named entries: everything else is passed over unread, so a bomb, a damaged entry or a
// name no file system takes fails nothing unless it is asked for; what is asked for keeps every limit.
TEST_F(ZipTest, UnpacksOnlyTheNamedEntries) {
    const std::string longName = "media/" + std::string(300, 'n') + ".png";
    using Files = std::map<std::string, std::string>;
    struct Case {
        const char* what;
        std::set<std::string> names;
        int code; // 0 success, -1 a damaged entry (-3 or -4)
        Files files;
        std::string message = "";
    };
    const Case cases[] = {
        {"one plain entry", {"wanted.txt"}, 0, {{"wanted.txt", "wanted"}}},
        {"of two entries with one name, the last", {"dup.txt"}, 0, {{"dup.txt", "second"}}},
        {"a name the archive lacks", {"wanted.txt", "none.txt"}, 0, {{"wanted.txt", "wanted"}}},
        {"nothing", {}, 0, {}},
        {"a folder or a link is no file", {"docs", "link"}, 0, {}},
        {"a bomb asked for", {"zeros.bin"}, SSZipArchive::ErrorCodeArchiveTooLarge, {}},
        {"a damaged entry asked for", {"damaged.txt"}, -1, {}},
        {"a name too long asked for", {longName}, SSZipArchive::ErrorCodeFailedToWriteFile, {},
         "Failed to write file \"" + longName + "\": File name too long"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dest);
        ImportError error;
        const bool ok = SSZipArchive::unzipEntriesAtPath(kDir + "selective.zip", dest.string(), c.names, &error);
        EXPECT_EQ(ok, c.code == 0);
        if (c.code == 0) {
            EXPECT_EQ(filesUnder(dest), c.files);
            continue;
        }
        if (c.code == -1) {
            EXPECT_TRUE(error.code == SSZipArchive::ErrorCodeFileInfoNotLoadable ||
                        error.code == SSZipArchive::ErrorCodeFileContentNotReadable)
                << error.code;
        } else {
            EXPECT_EQ(error.code, c.code);
        }
        if (!c.message.empty()) {
            EXPECT_EQ(error.message, c.message);
        }
        // A failure leaves what it wrote (at most the entry asked for), and nothing else.
        for (const auto& [file, text] : filesUnder(dest))
            EXPECT_TRUE(c.names.count(file)) << file;
    }
}

// "check your free space" only when the device is full; here a node of the device that always is.
TEST_F(ZipTest, OnlyALackOfSpaceIsToldAsOne) {
    fs::create_directories(dest / "docs");
    if (mknod((dest / "docs/readme.txt").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "no device node can be made here";
    ImportError error;
    EXPECT_FALSE(SSZipArchive::unzipFileAtPath(kDir + "good.zip", dest.string(), true, std::nullopt, &error));
    EXPECT_EQ(error.code, SSZipArchive::ErrorCodeFailedToWriteFile);
    EXPECT_EQ(error.message, "Failed to write file (check your free space)");
}

TEST_F(ZipTest, EmptyArchiveSucceedsWithNothing) {
    Recorder rec;
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "empty.zip", dest.string(), &rec));
    EXPECT_EQ(rec.events, (std::vector<std::string>{"willArchive 0", "didArchive " + dest.string()}));
}

TEST_F(ZipTest, OverwritesOnlyWhenAsked) {
    fs::create_directories(dest / "docs");
    spit(dest / "docs/readme.txt", "old");
    ASSERT_TRUE(
        SSZipArchive::unzipFileAtPath(kDir + "good.zip", dest.string(), false, std::nullopt, nullptr));
    EXPECT_EQ(slurp(dest / "docs/readme.txt"), "old");
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "good.zip", dest.string()));
    EXPECT_EQ(slurp(dest / "docs/readme.txt"), "hello\n");
}

TEST_F(ZipTest, DelegateCanStopTheUnpacking) {
    Recorder rec;
    rec.stopAt = 1;
    EXPECT_FALSE(SSZipArchive::unzipFileAtPath(kDir + "good.zip", dest.string(), &rec));
    EXPECT_EQ(rec.events.back(), "should 1");
    EXPECT_TRUE(fs::is_directory(dest / "docs"));
    EXPECT_FALSE(fs::exists(dest / "docs/readme.txt"));
    EXPECT_NE(rec.progress.back().first, rec.progress.back().second);
}

TEST_F(ZipTest, NestedArchivesUnpackOnlyWhenAllowed) {
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "nested.zip", dest.string(), true, true, 0, std::nullopt,
                                              nullptr, nullptr, {}, {}));
    EXPECT_TRUE(fs::exists(dest / "sub/Inner.ZIP"));
    const fs::path second = root / "second";
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "nested.zip", second.string(), true, true, 1,
                                              std::nullopt, nullptr, nullptr, {}, {}));
    EXPECT_EQ(slurp(second / "sub/inner.txt"), "inside");
    EXPECT_FALSE(fs::exists(second / "sub/Inner.ZIP")) << "an unpacked inner archive is removed";
    EXPECT_EQ(slurp(second / "outer.txt"), "outside");
}

TEST_F(ZipTest, DosNamesAreCodePage437) {
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "cp437.zip", dest.string()));
    EXPECT_EQ(slurp(dest / "gr\u00fcn.txt"), "dos");
}

TEST_F(ZipTest, PasswordChecks) {
    EXPECT_TRUE(SSZipArchive::isFilePasswordProtectedAtPath(kDir + "encrypted.zip"));
    EXPECT_FALSE(SSZipArchive::isFilePasswordProtectedAtPath(kDir + "good.zip"));
    EXPECT_FALSE(SSZipArchive::isFilePasswordProtectedAtPath(kDir + "missing.zip"));
    ImportError error;
    EXPECT_TRUE(SSZipArchive::isPasswordValidForArchiveAtPath(kDir + "encrypted.zip", "secret", &error));
    EXPECT_FALSE(SSZipArchive::isPasswordValidForArchiveAtPath(kDir + "encrypted.zip", "wrong", &error));
    // The header's check byte catches most wrong passwords; the rest fail to inflate or fail the CRC.
    EXPECT_TRUE(error.code == SSZipArchive::ErrorCodeFailedOpenFileInZip ||
                error.code == SSZipArchive::ErrorCodeFileContentNotReadable ||
                error.code == SSZipArchive::ErrorCodeFileInfoNotLoadable)
        << error.code;
    EXPECT_FALSE(SSZipArchive::isPasswordValidForArchiveAtPath(kDir + "encrypted.zip", "Secret", &error));
    EXPECT_FALSE(SSZipArchive::isPasswordValidForArchiveAtPath(kDir + "missing.zip", "secret", &error));
    EXPECT_EQ(error.code, SSZipArchive::ErrorCodeFailedOpenZipFile);

    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "encrypted.zip", dest.string(), true,
                                              std::string("secret"), &error));
    EXPECT_EQ(slurp(dest / "secret.txt").size(), 550u);
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(kDir + "encrypted_stored.zip", (root / "stored").string(), true,
                                              std::string("secret"), &error));
    EXPECT_EQ(slurp(root / "stored/secret.txt"), slurp(dest / "secret.txt"));
    EXPECT_FALSE(SSZipArchive::unzipFileAtPath(kDir + "encrypted_stored.zip", (root / "wrong").string(), true,
                                               std::string("Secret"), &error));
}

TEST_F(ZipTest, CreatesArchivesThatUnpackAgain) {
    const fs::path src = root / "src";
    fs::create_directories(src / "sub/empty");
    spit(src / "a.txt", "alpha");
    spit(src / "sub/b.txt", std::string(20000, 'b'));
    fs::permissions(src / "a.txt", fs::perms(0755));

    const std::string fromFiles = (root / "files.zip").string();
    std::vector<unsigned long> steps;
    ASSERT_TRUE(SSZipArchive::createZipFileAtPath(
        fromFiles, std::vector<std::string>{(src / "a.txt").string(), (src / "sub/b.txt").string()},
        std::nullopt, [&](unsigned long n, unsigned long total) {
            steps.push_back(n);
            EXPECT_EQ(total, 2u);
        }));
    EXPECT_EQ(steps, (std::vector<unsigned long>{1, 2}));
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(fromFiles, (root / "out1").string()));
    EXPECT_EQ(slurp(root / "out1/a.txt"), "alpha");
    EXPECT_EQ(slurp(root / "out1/b.txt"), std::string(20000, 'b'));
    EXPECT_EQ(modeOf(root / "out1/a.txt"), 0755u);

    const std::string fromFolder = (root / "folder.zip").string();
    ASSERT_TRUE(SSZipArchive::createZipFileAtPath(fromFolder, src.string(), true));
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath(fromFolder, (root / "out2").string()));
    EXPECT_EQ(slurp(root / "out2/src/sub/b.txt"), std::string(20000, 'b'));
    EXPECT_TRUE(fs::is_directory(root / "out2/src/sub/empty"));

    const std::string locked = (root / "locked.zip").string();
    ASSERT_TRUE(SSZipArchive::createZipFileAtPath(locked, src.string(), false, std::string("pw")));
    EXPECT_TRUE(SSZipArchive::isFilePasswordProtectedAtPath(locked));
    EXPECT_TRUE(SSZipArchive::isPasswordValidForArchiveAtPath(locked, "pw", nullptr));
    EXPECT_FALSE(SSZipArchive::createZipFileAtPath((root / "aes.zip").string(), src.string(), false,
                                                   std::string("pw"), true))
        << "AES is not offered by the packaged minizip";

    SSZipArchive writer((root / "written.zip").string());
    ASSERT_TRUE(writer.open());
    EXPECT_FALSE(writer.open());
    EXPECT_TRUE(writer.writeData("payload", "data/p.txt", std::nullopt));
    EXPECT_TRUE(writer.writeFolderAtPath(src.string(), "folder", std::nullopt));
    EXPECT_TRUE(writer.writeFileAtPath((src / "a.txt").string(), "renamed.txt", std::nullopt));
    EXPECT_FALSE(writer.writeFile((src / "nothing").string(), std::nullopt));
    ASSERT_TRUE(writer.close());
    EXPECT_FALSE(writer.close());
    ASSERT_TRUE(SSZipArchive::unzipFileAtPath((root / "written.zip").string(), (root / "out3").string()));
    EXPECT_EQ(slurp(root / "out3/data/p.txt"), "payload");
    EXPECT_EQ(slurp(root / "out3/renamed.txt"), "alpha");
    EXPECT_TRUE(fs::is_directory(root / "out3/folder"));
}

TEST(SSZipArchiveHelpers, SanitizedPaths) {
    const std::pair<const char*, const char*> cases[] = {
        {"a/b.txt", "a/b.txt"},  {"../evil", "evil"},     {"/abs/x", "abs/x"}, {"a/../../b", "b"},
        {"..\\win\\x", "win/x"}, {"./a//b/./c", "a/b/c"}, {"..", ""},          {"a/b/../../..", ""}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(SSZipArchive::sanitizedPath(in), out) << in;
}

TEST(SSZipArchiveHelpers, HexAndBase64) {
    EXPECT_EQ(SSZipArchive::hexString(std::string("\x00\x9f\xff", 3)), "009FFF");
    // Values from RFC 4648, section 10.
    const std::pair<const char*, const char*> cases[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(SSZipArchive::base64RFC4648(in), out);
}

} // namespace
