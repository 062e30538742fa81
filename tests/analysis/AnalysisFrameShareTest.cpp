// The result screen frame's share flow through the recording mail and print services, driven by taps:
// the sheet, the mail's files, the print sheet and its job, exports that fail, the private folder, the
// report and CSV as a reader sees them, and pictures of the screen and its report.
#include "tests/analysis/FrameFixture.h"

#include "platform/foundation/Log.h"
#include "platform/graphics/Output.h"
#include "platform/host/PrintSheetViewController.h"
#include "tests/RenderChecks.h"

#include <fstream>
#include <sys/stat.h>

namespace {

using namespace frameTest;
namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whether the PDF's text holds the words, whatever spacing the text extraction gives between them.
bool pdfHas(const std::string& pdf, std::string words) {
    std::string text = renderChecks::pdfText(pdf);
    auto squeeze = [](std::string& s) { s.erase(std::remove_if(s.begin(), s.end(), ::isspace), s.end()); };
    squeeze(text);
    squeeze(words);
    return text.find(words) != std::string::npos;
}

std::string baseName(const std::string& path) {
    return fs::path(path).filename().string();
}

// A mail service that writes the message somewhere but finds no mail program to take it.
struct SavingMailService : host::MailService {
    std::vector<host::MailMessage> sent;
    host::MailResult send(const host::MailMessage& message) override {
        sent.push_back(message);
        return {true, false, "/home/user/Ovrida message.eml", ""};
    }
};

class FrameShareTest : public FrameTest {
  protected:
    void tapShare() {
        driver->tap(screen->shareItem()->view().get());
        host->drain();
    }
    void shareBy(const std::string& action) {
        tapShare();
        ASSERT_NE(driver->tapText(action), nullptr) << action;
        host->drain();
    }
    host::PrintSheetViewController* printSheet() const { return screen->printInteraction(); }
};

TEST_F(FrameShareTest, TheShareSheetOffersMailAndPrint) {
    openData();
    setLeft("x");
    show();
    waitComputed(1);
    tapShare();
    auto* sheet = shownAlert();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->title(), "Share");
    EXPECT_EQ(sheet->message(), "");
    EXPECT_EQ(sheet->preferredStyle(), ui::AlertControllerStyle::ActionSheet);
    ASSERT_EQ(sheet->actions().size(), 3u);
    EXPECT_EQ(sheet->actions()[0].title, "Cancel");
    EXPECT_EQ(sheet->actions()[0].style, ui::AlertActionStyle::Cancel);
    EXPECT_EQ(sheet->actions()[1].title, "Email");
    EXPECT_EQ(sheet->actions()[2].title, "Print");
    EXPECT_EQ(sheet->popoverPresentationController().barButtonItem, screen->shareItem().get());
    driver->tapText("Cancel");
    host->drain();
    EXPECT_EQ(screen->presentedViewController(), nullptr);
    EXPECT_TRUE(mail.sent.empty());
}

TEST_F(FrameShareTest, MailCarriesAFreshReportAndCSVNamedAfterTheReport) {
    openData();
    setLeft("x");
    analysis->setRight(columnNamed("y").get());
    model().saveContext();
    show();
    waitComputed(1);
    foundation::LogCapture log;
    shareBy("Email");
    ASSERT_EQ(mail.sent.size(), 1u);
    const host::MailMessage message = mail.sent[0];
    EXPECT_EQ(message.subject, "Summary statistics of x by y");
    ASSERT_EQ(message.attachments.size(), 2u);
    EXPECT_EQ(baseName(message.attachments[0]), "Summary statistics of x by y.pdf");
    EXPECT_EQ(baseName(message.attachments[1]), "Summary statistics of x by y.csv");
    EXPECT_TRUE(log.contains("Rendering PDF to: " + temporary + "/export.pdf"));
    EXPECT_TRUE(log.contains("Writing CSV to: " + temporary + "/results.csv"));
    // The attachments are the export's bytes; the CSV is the screen's.
    EXPECT_EQ(readFile(message.attachments[1]), "Analysis,N,Mean\nTest,4,2.5\n");
    EXPECT_EQ(readFile(message.attachments[1]), readFile(temporary + "/results.csv"));
    EXPECT_EQ(readFile(message.attachments[0]), readFile(temporary + "/export.pdf"));
    EXPECT_TRUE(pdfHas(message.attachments[0], "N = 4"));
    // The message as the mail service writes it types each attachment by its extension.
    std::string error;
    const std::string eml = host::EmlMailService::compose(message, error);
    ASSERT_TRUE(error.empty()) << error;
    EXPECT_NE(eml.find("Content-Type: application/pdf; name=\"Summary statistics of x by y.pdf\""),
              std::string::npos);
    EXPECT_NE(eml.find("Content-Type: text/csv; name=\"Summary statistics of x by y.csv\""), std::string::npos);
    // No mail program: nothing more to say than RecordingMailService's answer, which was written.

    // Another run with other data: a second mail carries the new numbers.
    analysis->setLeft(columnNamed("y").get());
    model().saveContext();
    screen->viewWillAppear(false);
    waitComputed(2);
    while (screen->presentedViewController())
        screen->dismissViewController(false);
    shareBy("Email");
    ASSERT_EQ(mail.sent.size(), 2u);
    EXPECT_EQ(readFile(mail.sent[1].attachments[1]), "Analysis,N,Mean\nTest,4,6.75\n");
    EXPECT_NE(mail.sent[1].attachments[1], message.attachments[1]);
    // The first mail's files are left as they were.
    EXPECT_EQ(readFile(message.attachments[1]), "Analysis,N,Mean\nTest,4,2.5\n");
}

TEST_F(FrameShareTest, AttachmentNamesAreMadeSafe) {
    struct Case {
        const char* name;
        std::string left;
        std::string file;
    };
    const std::string longName(300, 'n');
    const Case cases[] = {
        {"slash", "a/b", "Summary statistics of a-b by y"},
        {"controls", std::string("t\tab\x01") + "\x7f", "Summary statistics of t-ab-- by y"},
        {"long", longName, ("Summary statistics of " + longName).substr(0, 200)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        mail.sent.clear();
        openData(c.left);
        setLeft(c.left);
        analysis->setRight(columnNamed("y").get());
        model().saveContext();
        const int before = probe->computed.load();
        show();
        waitComputed(before + 1);
        shareBy("Email");
        ASSERT_EQ(mail.sent.size(), 1u);
        EXPECT_EQ(mail.sent[0].subject, "Summary statistics of " + c.left + " by y");
        EXPECT_EQ(baseName(mail.sent[0].attachments[0]), c.file + ".pdf");
        EXPECT_EQ(baseName(mail.sent[0].attachments[1]), c.file + ".csv");
        EXPECT_TRUE(fs::exists(mail.sent[0].attachments[0]));
        screen.reset();
        model().closeStores();
        model().managedObjectContext()->reset();
        fs::remove(path("Test.ov"));
    }
    // A multi-byte character across the 200-byte cut is left out whole.
    const std::string cut = AnalysisDetailViewController::safeFileName(std::string(199, 'a') + "é");
    EXPECT_EQ(cut, std::string(199, 'a'));
    EXPECT_EQ(AnalysisDetailViewController::safeFileName(std::string("a\0b", 3)), "a-b");
    EXPECT_EQ(AnalysisDetailViewController::safeFileName("\u0085x"), "-x");
    EXPECT_EQ(AnalysisDetailViewController::safeFileName(".."), "-");
}

TEST_F(FrameShareTest, AMessageNoMailProgramTookSaysWhereItIs) {
    SavingMailService saving;
    openData();
    setLeft("x");
    show();
    screen->setMailService(&saving);
    waitComputed(1);
    shareBy("Email");
    ASSERT_EQ(saving.sent.size(), 1u);
    auto* alert = shownAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Message Saved");
    EXPECT_NE(alert->message().find("/home/user/Ovrida message.eml"), std::string::npos);
}

TEST_F(FrameShareTest, PrintSendsTheReportToTheChosenPrinter) {
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        print = host::RecordingPrintService();
        print.names = {"Office", "Lab"};
        print.defaultName = "Lab";
        probe = std::make_shared<Probe>();
        openData();
        setLeft("x");
        show(idiom);
        waitComputed(1);
        shareBy("Print");
        auto* sheet = printSheet();
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->printers(), (std::vector<std::string>{"Lab", "Office"}));
        EXPECT_EQ(sheet->selectedPrinter(), "Lab");
        ui::ViewController* container = sheet->parentViewController();
        ASSERT_NE(container, nullptr);
        // A pop-over from the bar's item on a pad, the whole screen on a phone.
        if (idiom.idiom == ui::UserInterfaceIdiom::Pad) {
            EXPECT_EQ(container->modalPresentationStyle(), ui::ModalPresentationStyle::Popover);
            EXPECT_EQ(container->popoverPresentationController().barButtonItem, screen->shareItem().get());
        } else {
            EXPECT_EQ(container->modalPresentationStyle(), ui::ModalPresentationStyle::FullScreen);
        }
        driver->tapText("Office");
        driver->tap("buttonMoreCopies");
        driver->tap("buttonMoreCopies");
        driver->tap("buttonFewerCopies");
        EXPECT_EQ(driver->text("labelCopies"), "Copies: 2");
        driver->tapText("Print");
        host->drain();
        EXPECT_EQ(screen->presentedViewController(), nullptr);
        ASSERT_EQ(print.printedJobs.size(), 1u);
        const auto& job = print.printedJobs[0];
        EXPECT_EQ(job.options.documentName, "Ovrida");
        EXPECT_EQ(job.options.printerName, "Office");
        EXPECT_EQ(job.options.copies, 2);
        EXPECT_EQ(job.pageBox, (gfx::Rect{0, 0, 612, 792}));
        // The job draws the report: run it into a PDF as a printer would be drawn into.
        const std::string printed = path(std::string("printed-") + idiom.name + ".pdf");
        auto context = gfx::makePDFContext(printed, {0, 0, 612, 792});
        job.draw(*context);
        ASSERT_TRUE(context->finish());
        const std::string& pdfFile = printed;
        EXPECT_TRUE(pdfHas(pdfFile, "Type: Test"));
        EXPECT_TRUE(pdfHas(pdfFile, "N = 4"));
        // On A4 paper the page is fitted to the paper, not cut: the paper's size, every word kept.
        const std::string a4 = path(std::string("printed-a4-") + idiom.name + ".pdf");
        auto paper = gfx::makePDFContext(a4, {0, 0, 595, 842});
        job.draw(*paper);
        ASSERT_TRUE(paper->finish());
        const auto info = renderChecks::pdfInfo(a4);
        ASSERT_EQ(info.pages, 1);
        EXPECT_EQ(info.pageSizes[0], (gfx::Size{595, 842}));
        EXPECT_TRUE(pdfHas(a4, "Type: Test"));
        EXPECT_TRUE(pdfHas(a4, "N = 4"));
        screen.reset();
        model().closeStores();
        model().managedObjectContext()->reset();
        fs::remove(path("Test.ov"));
    }
}

TEST_F(FrameShareTest, PrintingThatFailsOnlyLogs) {
    print.names = {"Office"};
    print.answer = false;
    openData();
    setLeft("x");
    show();
    waitComputed(1);
    foundation::LogCapture log;
    shareBy("Print");
    driver->tapText("Print");
    host->drain();
    EXPECT_EQ(print.jobs.size(), 1u);
    EXPECT_TRUE(log.contains("Error printing"));
    EXPECT_EQ(screen->presentedViewController(), nullptr);
}

TEST_F(FrameShareTest, WithoutAPrinterTheSheetSaysSoAndCannotPrint) {
    openData();
    setLeft("x");
    show();
    waitComputed(1);
    shareBy("Print");
    auto* sheet = printSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(driver->text("labelNoPrinter"), "No printer is set up.");
    EXPECT_FALSE(sheet->printItem().isEnabled());
    driver->tapText("Print");
    host->drain();
    EXPECT_TRUE(print.jobs.empty());
    driver->tapText("Cancel");
    host->drain();
    EXPECT_EQ(screen->presentedViewController(), nullptr);
}

TEST_F(FrameShareTest, LeavingTheScreenClosesThePrintSheet) {
    print.names = {"Office"};
    openData();
    setLeft("x");
    show();
    waitComputed(1);
    shareBy("Print");
    ASSERT_NE(screen->presentedViewController(), nullptr);
    nav->pushViewController(std::make_shared<ui::ViewController>(), false);
    host->drain();
    EXPECT_EQ(screen->presentedViewController(), nullptr);
    EXPECT_EQ(screen->printInteraction(), nullptr);
    EXPECT_TRUE(print.jobs.empty());
}

TEST_F(FrameShareTest, AReportThatCannotBeWrittenIsNeverSent) {
    print.names = {"Office"};
    openData();
    setLeft("x");
    show();
    waitComputed(1);
    auto expectFailure = [&](const char* what) {
        SCOPED_TRACE(what);
        auto* alert = shownAlert();
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->title(), "Export Failed");
        EXPECT_EQ(alert->message(), "The report could not be written.");
        ASSERT_EQ(alert->actions().size(), 1u);
        EXPECT_EQ(alert->actions()[0].title, "OK");
        driver->tapText("OK");
        host->drain();
    };
    // A folder under a regular file cannot be made or written, even by root.
    const std::string file = path("plain-file");
    std::ofstream(file) << "x";
    ui::Environment::shared().temporaryFolder = file + "/sub";
    shareBy("Email");
    expectFailure("mail, unwritable folder");
    shareBy("Print");
    driver->tapText("Print");
    host->drain();
    expectFailure("print, unwritable folder");
    EXPECT_TRUE(mail.sent.empty());
    EXPECT_TRUE(print.jobs.empty());

    // A good export, then one whose report writer fails: the second sends nothing, and the first
    // report is not passed off as the second.
    ui::Environment::shared().temporaryFolder = temporary;
    shareBy("Email");
    ASSERT_EQ(mail.sent.size(), 1u);
    // The recording service takes the message but no mail program does: the user is told.
    ASSERT_NE(shownAlert(), nullptr);
    EXPECT_EQ(shownAlert()->title(), "Message Saved");
    driver->tapText("OK");
    host->drain();
    probe->failWriter = true;
    shareBy("Email");
    expectFailure("mail, failing writer");
    EXPECT_EQ(mail.sent.size(), 1u);
    shareBy("Print");
    driver->tapText("Print");
    host->drain();
    expectFailure("print, failing writer");
    EXPECT_TRUE(print.jobs.empty());
    EXPECT_FALSE(screen->dataForExport().has_value());
    EXPECT_FALSE(fs::exists(temporary + "/export.pdf.new"));
}

TEST_F(FrameShareTest, ExportsStayInThePrivateFolder) {
    const std::string shared = path("shared-tmp");
    fs::create_directory(shared);
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string saved = oldTmp ? oldTmp : "";
    ::setenv("TMPDIR", shared.c_str(), 1);
    const std::string privateFolder = ui::Environment::defaultTemporaryFolder();
    if (oldTmp)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    ASSERT_FALSE(privateFolder.empty());
    struct stat st{};
    ASSERT_EQ(::stat(privateFolder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ui::Environment::shared().temporaryFolder = privateFolder;

    openData();
    setLeft("x");
    show();
    waitComputed(1);
    shareBy("Email");
    ASSERT_EQ(mail.sent.size(), 1u);
    for (const auto& attachment : mail.sent[0].attachments)
        EXPECT_EQ(attachment.rfind(privateFolder + "/", 0), 0u) << attachment;
    // The shared folder holds the private folder and nothing else.
    std::vector<std::string> entries;
    for (const auto& entry : fs::directory_iterator(shared))
        entries.push_back(entry.path().string());
    EXPECT_EQ(entries, (std::vector<std::string>{privateFolder}));
}

TEST_F(FrameShareTest, TheBaseReportAndCSV) {
    openData();
    setLeft("x");
    analysis->setRight(columnNamed("y").get());
    analysis->setName("Name, with \"quotes\"\nand a line");
    model().saveContext();
    makeHost();
    auto base = std::make_shared<AnalysisDetailViewController>();
    base->setModel(&model());
    base->setAnalysis(analysis);
    showInTab(base);
    EXPECT_EQ(base->fileNameOutput(), "Summary statistics of x by y");
    auto files = base->exportFiles();
    ASSERT_TRUE(files.has_value());
    EXPECT_EQ(readFile(files->csv), "Empty,Template\n");
    const auto info = renderChecks::pdfInfo(files->pdf);
    ASSERT_TRUE(info.readable);
    ASSERT_EQ(info.pages, 1);
    EXPECT_EQ(info.pageSizes[0], (gfx::Size{612, 792}));
    const std::string& pdfFile = files->pdf;
    EXPECT_TRUE(pdfHas(pdfFile, "Type: Unknown"));
    EXPECT_TRUE(pdfHas(pdfFile, "Filters:"));

    // The test screen's CSV quotes a name with a comma, quotes and a line break.
    show();
    waitComputed(1);
    auto csv = screen->dataForCSVExport();
    ASSERT_TRUE(csv.has_value());
    EXPECT_EQ(*csv, "Analysis,N,Mean\n\"Name, with \"\"quotes\"\"\nand a line\",4,2.5\n");
}

TEST_F(FrameShareTest, TheScreenReportHasItsTextsAndAVectorChart) {
    openData();
    setLeft("x");
    show();
    waitComputed(1);
    auto files = screen->exportFiles();
    ASSERT_TRUE(files.has_value());
    const auto info = renderChecks::pdfInfo(files->pdf);
    ASSERT_EQ(info.pages, 1);
    EXPECT_EQ(info.pageSizes[0], (gfx::Size{612, 792}));
    const std::string text = renderChecks::pdfText(files->pdf);
    for (const char* expected : {"Type: Test", "Filters:", "N = 4"})
        EXPECT_TRUE(pdfHas(files->pdf, expected)) << expected;
    // Controls are not drawn in a report: no button titles.
    EXPECT_EQ(text.find("Columns"), std::string::npos);
    EXPECT_TRUE(renderChecks::pdfImages(files->pdf).empty());
    EXPECT_FALSE(renderChecks::pdfSvgPaths(files->pdf).empty());
}

TEST_F(FrameShareTest, AnExportBeforeTheFirstRunShowsThePlaceholders) {
    openData();
    setLeft("x");
    probe->hold();
    show();
    waitStarted(1);
    auto files = screen->exportFiles();
    ASSERT_TRUE(files.has_value());
    const std::string& pdfFile = files->pdf;
    EXPECT_TRUE(pdfHas(pdfFile, "Type: Test"));
    EXPECT_TRUE(pdfHas(pdfFile, "N = 0"));
    // No values: the mean is not a number, written as such.
    EXPECT_EQ(readFile(files->csv), "Analysis,N,Mean\nTest,0,nan\n");
    probe->releaseEverything();
    waitComputed(1);
}

TEST_F(FrameShareTest, PicturesOfTheScreenAndItsReport) {
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        probe = std::make_shared<Probe>();
        probe->terms = std::vector<std::string>{"mean"};
        print.names = {"Office printer on the second floor", "Lab"};
        openData();
        setLeft("x");
        auto clause = model().managedObjectContext()->insertNewObject<WhereClause>();
        clause->setX(columnNamed("g").get());
        clause->setOp(4);
        clause->setC(std::string("a"));
        analysis->addWheresObject(*clause);
        model().saveContext();
        show(idiom);
        waitComputed(1);
        const std::string shot = renderChecks::scratchPath(std::string("frame-screen-") + idiom.name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(shot));
        // The chart's dots are red where the plot is.
        auto image = driver->screenshot();
        EXPECT_FALSE(image.isNull());
        auto files = screen->exportFiles();
        ASSERT_TRUE(files.has_value());
        fs::copy_file(files->pdf, renderChecks::scratchPath(std::string("frame-report-") + idiom.name + ".pdf"),
                      fs::copy_options::overwrite_existing);
        tapShare();
        driver->saveScreenshot(renderChecks::scratchPath(std::string("frame-share-") + idiom.name + ".png"));
        driver->tapText("Print");
        host->drain();
        driver->saveScreenshot(renderChecks::scratchPath(std::string("frame-print-") + idiom.name + ".png"));
        screen.reset();
        model().closeStores();
        model().managedObjectContext()->reset();
        fs::remove(path("Test.ov"));
    }
}

} // namespace
