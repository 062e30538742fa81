// Platform services: the .eml mail message, hand-over through the launcher, and printing that fails
// plainly without a printer.
#include "platform/host/Services.h"
#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct Mail : ::testing::Test {
    fs::path folder = fs::path(testing::TempDir()) / ("mail-" + std::to_string(::getpid()));
    fs::path attachment;
    void SetUp() override {
        fs::remove_all(folder);
        fs::create_directories(folder);
        attachment = folder / "table.csv";
        std::ofstream(attachment) << "a,b\n1,2\n";
    }
    void TearDown() override { fs::remove_all(folder); }
};

TEST_F(Mail, WritesAStandardMessageWithItsAttachmentAndHandsItOver) {
    host::RecordingLauncher launcher;
    host::EmlMailService mail(folder.string(), launcher);
    foundation::LogCapture log;
    auto result = mail.send(
        {"Résultats", {"ada@example.org", "bob@example.org"}, "See attached.", {attachment.string()}});
    ASSERT_TRUE(result.written) << result.error;
    EXPECT_TRUE(result.handedOver);
    ASSERT_EQ(launcher.opened, (std::vector<std::string>{result.path}));
    EXPECT_TRUE(log.contains("mail: wrote"));
    std::ifstream in(result.path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("To: ada@example.org, bob@example.org\r\n"), std::string::npos);
    // python3: base64.b64encode('Résultats'.encode()) -> UsOpc3VsdGF0cw==
    EXPECT_NE(text.find("Subject: =?UTF-8?B?UsOpc3VsdGF0cw==?=\r\n"), std::string::npos);
    EXPECT_NE(text.find("Content-Type: text/csv; name=\"table.csv\""), std::string::npos);
    // python3: base64.b64encode(b'a,b\n1,2\n') -> YSxiCjEsMgo=
    EXPECT_NE(text.find("\r\n\r\nYSxiCjEsMgo=\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    // A second message never overwrites the first; with no handler the file stays for the user.
    launcher.answer = false;
    auto second = mail.send({"Again", {"ada@example.org"}, "", {}});
    ASSERT_TRUE(second.written);
    EXPECT_NE(second.path, result.path);
    EXPECT_FALSE(second.handedOver);
}

TEST_F(Mail, AttachmentNamesOutsideAsciiAreExtendedParameters) {
    const fs::path named = folder / "Résumé a-b.csv";
    std::ofstream(named) << "x\n";
    std::string error;
    const std::string text = host::EmlMailService::compose({"S", {}, "", {named.string()}}, error);
    ASSERT_TRUE(error.empty()) << error;
    // python3: urllib.parse.quote('Résumé a-b.csv') -> R%C3%A9sum%C3%A9%20a-b.csv
    EXPECT_NE(text.find("Content-Type: text/csv; name*=UTF-8''R%C3%A9sum%C3%A9%20a-b.csv\r\n"), std::string::npos);
    EXPECT_NE(text.find("Content-Disposition: attachment; filename*=UTF-8''R%C3%A9sum%C3%A9%20a-b.csv\r\n"),
              std::string::npos);
    // No raw byte above ASCII anywhere: headers are encoded, parts are base64.
    EXPECT_EQ(std::count_if(text.begin(), text.end(), [](unsigned char c) { return c >= 0x80; }), 0);
}

TEST_F(Mail, AMissingAttachmentIsAnErrorAndWritesNothing) {
    host::RecordingLauncher launcher;
    host::EmlMailService mail(folder.string(), launcher);
    auto result = mail.send({"S", {"a@b.c"}, "", {(folder / "gone.pdf").string()}});
    EXPECT_FALSE(result.written);
    EXPECT_NE(result.error.find("gone.pdf"), std::string::npos);
    EXPECT_TRUE(launcher.opened.empty());
    // Only the attachment fixture is in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(Print, WithNoPrinterTheJobFailsAndAFileJobPrints) {
    host::QtPrintService printing;
    bool drew = false;
    host::PrintJob job;
    job.draw = [&](gfx::Context& ctx) {
        drew = true;
        ctx.beginPage();
        ctx.fillRect({10, 10, 100, 100});
        ctx.endPage();
    };
    if (printing.printers().empty()) {
        EXPECT_FALSE(printing.print(job));
        EXPECT_FALSE(drew);
    }
    auto file = fs::path(testing::TempDir()) / ("print-" + std::to_string(::getpid()) + ".pdf");
    job.options.outputFile = file.string();
    EXPECT_TRUE(printing.print(job));
    EXPECT_TRUE(drew);
    EXPECT_GT(fs::file_size(file), 0u);
    fs::remove(file);
}

} // namespace
