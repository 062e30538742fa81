// The create-workspace sheet driven as a user would: its texts by source, the workbook inspection in the
// background (held, reported, dropped after the sheet has closed), the chooser, the decimal option by
// locale, the name check, the confirmation of a replacement, and blank, example and imported workspaces
// made through it.
#include "WorkspacesFixture.h"

#include "app/BrowseViewController.h"
#include "app/FileImportViewController.h"
#include "app/NewFileViewController.h"
#include "platform/foundation/Log.h"
#include "platform/ui/TableViewController.h"
#include "tests/RenderChecks.h"


namespace {

const std::string kFixtures = std::string(OVRIDA_SOURCE_DIR) + "/tests/fixtures/";

// Holds every worker thread of the global queues until opened, so that work queued meanwhile waits.
class PoolLatch {
  public:
    explicit PoolLatch(host::HeadlessHost& host) {
        const size_t threads = dispatch::threadCount();
        for (size_t i = 0; i < threads; ++i)
            dispatch::globalQueue(dispatch::Priority::high).async([running = running_, open = open_] {
                ++*running;
                open->wait(false);
            });
        EXPECT_TRUE(host.runUntil([&] { return running_->load() == threads; }, 30));
    }
    ~PoolLatch() { release(); }
    void release() {
        *open_ = true;
        open_->notify_all();
    }

  private:
    std::shared_ptr<std::atomic<size_t>> running_ = std::make_shared<std::atomic<size_t>>(0);
    std::shared_ptr<std::atomic<bool>> open_ = std::make_shared<std::atomic<bool>>(false);
};

class NewWorkspaceSheetTest : public WorkspacesTest {
  protected:
    // Opens the sheet by a segue ("newBlank", "example", or "import" of `source`), drained.
    NewFileViewController* openSheet(const std::string& segue, const std::string& source = "") {
        if (!source.empty())
            files->setUrlToOpen(source);
        files->performSegueWithIdentifier(segue);
        host->drain();
        auto* nav = dynamic_cast<ui::NavigationController*>(files->presentedViewController());
        if (!nav || nav->viewControllers().empty())
            return nullptr;
        sheetHeld = std::dynamic_pointer_cast<NewFileViewController>(nav->viewControllers().front());
        return sheetHeld.get();
    }
    bool waitInspected(NewFileViewController& sheet) {
        return runUntil([&] { return sheet.buttonAdvanced().isEnabled(); });
    }
    // Replaces the name field's text as typing would.
    void rename(NewFileViewController& sheet, const std::string& name) {
        ui::TextField& field = sheet.fieldOutput();
        driver->tap(&field);
        field.setSelectedRange({0, field.text().size()});
        if (name.empty())
            driver->deleteBackward();
        else
            driver->type(name);
    }
    std::string copyFixture(const std::string& relative, const std::string& name) {
        fs::copy_file(kFixtures + relative, doc(name), fs::copy_options::overwrite_existing);
        return doc(name);
    }
    bool shown(ui::View& v) {
        for (ui::View* p = &v; p; p = p->superview())
            if (p->isHidden())
                return false;
        return v.window() != nullptr;
    }

    std::shared_ptr<NewFileViewController> sheetHeld;
};

// --- the sheet's texts

TEST_F(NewWorkspaceSheetTest, EachDataFileProposesItsNameAndOptions) {
    struct Case {
        std::string source;        // copied into the documents folder under `name`
        std::string name;
        std::string proposed;      // the name field
        std::string advanced;      // the advanced button once the inspection reported
        bool decimalOffered;
    };
    writeFile(doc("report.csv"), "a,b\n1,2\n");
    writeFile(doc("report.txt"), "a\tb\n1\t2\n");
    const Case cases[] = {
        {"", "report.csv", "report", "Delimiter: comma", true},
        {"", "report.txt", "report", "Delimiter: tab", true},
        {"xlsx/openpyxl_basic.xlsx", "basic.xlsx", "basic", "Sheet: Data", false},
        {"xls/xlwt_basic.xls", "old.xls", "old", "Sheet: Data", false},
        {"xls/broken_no_workbook.xls", "broken.xls", "broken", "No sheets found", false},
    };
    show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = c.source.empty() ? doc(c.name) : copyFixture(c.source, c.name);
        NewFileViewController* sheet = nullptr;
        {
            PoolLatch latch(*host);
            sheet = openSheet("import", source);
            ASSERT_NE(sheet, nullptr);
            EXPECT_EQ(sheet->title(), "Create New Workspace");
            EXPECT_EQ(sheet->labelDescribeSource().text(), "Create a workspace with data from:");
            EXPECT_EQ(sheet->labelInput().text(), c.name);
            EXPECT_EQ(sheet->fieldOutput().text(), c.proposed);
            EXPECT_TRUE(sheet->switchHeader().isOn());
            EXPECT_TRUE(sheet->hasHeader());
            EXPECT_FALSE(sheet->buttonAdvanced().isEnabled());
            if (!c.decimalOffered) {
                EXPECT_EQ(sheet->buttonAdvanced().currentTitle(), "Finding sheets...");
            }
            for (ui::View* v : std::initializer_list<ui::View*>{&sheet->labelOptions(), &sheet->labelHeader(),
                                                               &sheet->switchHeader(), &sheet->horizontalRule(),
                                                               &sheet->buttonAdvanced()})
                EXPECT_TRUE(shown(*v)) << v->identifier();
            EXPECT_EQ(shown(sheet->buttonAdvOptions()), c.decimalOffered);
        }
        ASSERT_TRUE(waitInspected(*sheet));
        EXPECT_EQ(sheet->buttonAdvanced().currentTitle(), c.advanced);
        EXPECT_TRUE(sheet->buttonCreate().isEnabled());
        for (ui::View* v : std::initializer_list<ui::View*>{&sheet->labelDecimal(), &sheet->labelDecimalExplain(),
                                                           &sheet->segmentDecimal()})
            EXPECT_FALSE(shown(*v)) << v->identifier();
        driver->tap(sheet->navigationItem().leftBarButtonItems.front()->view().get());
        host->advance(1);
        EXPECT_EQ(files->presentedViewController(), nullptr);
    }
}

TEST_F(NewWorkspaceSheetTest, BlankAndExampleHaveTheirTextsAndNoImportOptions) {
    struct Case {
        const char* segue;
        const char* describe;
        const char* proposed;
    };
    const Case cases[] = {
        {"newBlank", "Create a new empty workspace.", "Untitled"},
        {"example", "Create a new workspace based on example.", "example"},
    };
    show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.segue);
        auto* sheet = openSheet(c.segue);
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->labelDescribeSource().text(), c.describe);
        EXPECT_EQ(sheet->labelInput().text(), "");
        EXPECT_EQ(sheet->fieldOutput().text(), c.proposed);
        EXPECT_EQ(sheet->labelPromptName().text(), "Name your new workspace:");
        EXPECT_EQ(sheet->buttonCreate().currentTitle(), "Create");
        for (ui::View* v : std::initializer_list<ui::View*>{
                 &sheet->labelOptions(), &sheet->labelHeader(), &sheet->buttonAdvanced(), &sheet->switchHeader(),
                 &sheet->horizontalRule(), &sheet->buttonAdvOptions(), &sheet->labelDecimal(),
                 &sheet->segmentDecimal(), &sheet->labelDecimalExplain(), &sheet->labelNameProblem()})
            EXPECT_FALSE(shown(*v)) << v->identifier();
        EXPECT_TRUE(shown(sheet->buttonCreate()));
        files->dismissViewController(false);
        host->drain();
    }
}

TEST_F(NewWorkspaceSheetTest, TheDecimalOptionFollowsTheLocaleAndComesOnlyWithAdvancedOptions) {
    struct Case {
        const char* locale;
        const char* separator;
        int segment;
    };
    const Case cases[] = {{"de_DE", ",", 1}, {"en_US", ".", 0}};
    writeFile(doc("data.csv"), "a\n1\n");
    show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        foundation::setCurrentLocale(c.locale);
        auto* sheet = openSheet("import", doc("data.csv"));
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->decimalSeparator(), c.separator);
        EXPECT_EQ(sheet->segmentDecimal().selectedSegmentIndex(), c.segment);
        EXPECT_FALSE(shown(sheet->segmentDecimal()));
        EXPECT_EQ(sheet->buttonAdvOptions().currentTitle(), "Advanced options");
        driver->tap(&sheet->buttonAdvOptions());
        EXPECT_FALSE(shown(sheet->buttonAdvOptions()));
        for (ui::View* v : std::initializer_list<ui::View*>{&sheet->labelDecimal(), &sheet->labelDecimalExplain(),
                                                           &sheet->segmentDecimal()})
            EXPECT_TRUE(shown(*v)) << v->identifier();
        EXPECT_EQ(sheet->labelDecimal().text(), "Decimal point:");
        EXPECT_EQ(sheet->labelDecimalExplain().text(), "Set decimal point for this dataset. Ovrida defaults to the "
                                                       "region format of your system settings.");
        // The other separator by a tap on its segment.
        ui::SegmentedControl& segment = sheet->segmentDecimal();
        const ui::Rect other = segment.rectForSegment(size_t(1 - c.segment));
        driver->tapAt(segment.convertPointToView({other.midX(), other.midY()}, nullptr));
        EXPECT_EQ(sheet->decimalSeparator(), c.segment == 1 ? "." : ",");
        files->dismissViewController(false);
        host->drain();
    }
    foundation::setCurrentLocale("en_US");
}

TEST_F(NewWorkspaceSheetTest, ANameThatCannotNameAFileKeepsCreateOffAndSaysWhy) {
    struct Case {
        std::string name;
        bool accepted;
    };
    const Case cases[] = {
        {"", false}, {"a/b", false}, {"..", false}, {".x", false}, {std::string(300, 'n'), false},
        // The name, ".ov" and the store's "-journal" beside it within 255 bytes.
        {std::string(244, 'n'), true}, {std::string(245, 'n'), false}, {"Ünïcode name", true},
    };
    show();
    auto* sheet = openSheet("newBlank");
    ASSERT_NE(sheet, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 20) + " (" + std::to_string(c.name.size()) + " bytes)");
        rename(*sheet, c.name);
        EXPECT_EQ(sheet->fieldOutput().text(), c.name);
        EXPECT_EQ(sheet->buttonCreate().isEnabled(), c.accepted);
        EXPECT_EQ(shown(sheet->labelNameProblem()), !c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(sheet->labelNameProblem().text(), "A name cannot be empty, start with a period, contain a "
                                                        "slash or be longer than 244 bytes.");
        }
        if (!c.accepted) {
            // A tap on a disabled Create does nothing.
            driver->tap(&sheet->buttonCreate());
            EXPECT_NE(files->presentedViewController(), nullptr);
        }
    }
    // The accepted name is the file's name.
    driver->tap(&sheet->buttonCreate());
    ASSERT_TRUE(runUntil([&] { return !files->presentedViewController(); }));
    host->advance(1);
    EXPECT_TRUE(fs::exists(doc("Ünïcode name.ov")));
    EXPECT_EQ(model().countRows(), 10u);
    EXPECT_EQ(sheet->urlOut(), doc("Ünïcode name.ov"));
}

TEST_F(NewWorkspaceSheetTest, AnExistingNameAsksBeforeItIsReplacedAndCancelKeepsEverything) {
    makeWorkspace(doc("Untitled.ov"), {"kept"});
    makeWorkspace(doc("open.ov"), {"o"});
    show();
    model().openStore(doc("open.ov"));
    auto* sheet = openSheet("newBlank");
    ASSERT_NE(sheet, nullptr);
    driver->tap(&sheet->buttonCreate());
    host->advance(1);
    auto* ask = dynamic_cast<ui::AlertController*>(sheet->presentedViewController());
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(ask->title(), "Confirm Replace");
    EXPECT_EQ(ask->message(), "Really replace existing workspace?");
    ASSERT_EQ(ask->actions().size(), 2u);
    EXPECT_EQ(ask->actions()[0].title, "Cancel");
    EXPECT_EQ(ask->actions()[0].style, ui::AlertActionStyle::Cancel);
    EXPECT_EQ(ask->actions()[1].title, "Replace");
    EXPECT_EQ(ask->actions()[1].style, ui::AlertActionStyle::Destructive);
    driver->tapText("Cancel");
    host->advance(1);
    EXPECT_EQ(sheet->presentedViewController(), nullptr);
    EXPECT_NE(files->presentedViewController(), nullptr); // the sheet stays
    EXPECT_TRUE(samePath(model().currentStore(), doc("open.ov")));

    // Replace: a blank workspace of that name.
    driver->tap(&sheet->buttonCreate());
    host->advance(1);
    driver->tapText("Replace");
    ASSERT_TRUE(runUntil([&] { return !files->presentedViewController(); }));
    host->advance(1);
    EXPECT_TRUE(samePath(model().currentStore(), doc("Untitled.ov")));
    EXPECT_EQ(model().countRows(), 10u);
}

TEST_F(NewWorkspaceSheetTest, AReportOfTheInspectionAfterTheSheetClosedIsDropped) {
    copyFixture("xlsx/openpyxl_basic.xlsx", "late.xlsx");
    show();
    NewFileViewController* sheet = nullptr;
    {
        PoolLatch latch(*host);
        sheet = openSheet("import", doc("late.xlsx"));
        ASSERT_NE(sheet, nullptr);
        driver->tap(sheet->navigationItem().leftBarButtonItems.front()->view().get());
        host->advance(1);
        EXPECT_EQ(files->presentedViewController(), nullptr);
    }
    waitForBackgroundWork();
    host->drain();
    // Still held here: the late report found it closed and left it as it was.
    EXPECT_FALSE(sheet->sheets());
    EXPECT_FALSE(sheet->buttonAdvanced().isEnabled());
    EXPECT_EQ(sheet->buttonAdvanced().currentTitle(), "Finding sheets...");
    // And a sheet already freed is not reached at all.
    std::weak_ptr<NewFileViewController> gone;
    {
        PoolLatch latch(*host);
        ASSERT_NE(openSheet("import", doc("late.xlsx")), nullptr);
        gone = sheetHeld;
        driver->tap(sheetHeld->navigationItem().leftBarButtonItems.front()->view().get());
        host->advance(1);
        sheetHeld.reset();
        EXPECT_TRUE(gone.expired());
    }
    waitForBackgroundWork();
    host->drain();
}

TEST_F(NewWorkspaceSheetTest, TheChooserListsDelimitersOrSheetsAndSetsTheChoice) {
    struct Case {
        std::string source, name;
        int tag;
        std::vector<std::string> rows;
        int choose;
        std::string chosen;
    };
    writeFile(doc("list.txt"), "a b\n1 2\n");
    const Case cases[] = {
        {"", "list.txt", 102, {"comma", "tab", "space"}, 2, "Delimiter: space"},
        {"xlsx/openpyxl_basic.xlsx", "book.xlsx", 101, {"Data", "Second"}, 1, "Sheet: Second"},
        {"xls/broken_no_workbook.xls", "broken.xls", 101, {}, -1, "No sheets found"},
    };
    show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = c.source.empty() ? doc(c.name) : copyFixture(c.source, c.name);
        auto* sheet = openSheet("import", source);
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(waitInspected(*sheet));
        driver->tap(&sheet->buttonAdvanced());
        host->advance(1);
        auto* nav = sheet->navigationController();
        ASSERT_EQ(nav->viewControllers().size(), 2u);
        auto* chooser = dynamic_cast<ui::TableViewController*>(nav->topViewController());
        ASSERT_NE(chooser, nullptr);
        ui::TableView& table = chooser->tableView();
        EXPECT_EQ(table.tag(), c.tag);
        EXPECT_EQ(chooser->style(), ui::TableViewStyle::Plain);
        std::vector<std::string> rows;
        for (int r = 0; r < table.numberOfRowsInSection(0); ++r)
            rows.push_back(driver->text(table.cellForRowAtIndexPath({0, r})));
        EXPECT_EQ(rows, c.rows);
        if (c.choose >= 0) {
            driver->tap(table.cellForRowAtIndexPath({0, c.choose}));
            host->advance(1);
            EXPECT_EQ(nav->viewControllers().size(), 1u);
        } else {
            nav->popViewControllerAnimated(false);
            host->drain();
        }
        EXPECT_EQ(sheet->buttonAdvanced().currentTitle(), c.chosen);
        // Create stays offered: an unreadable workbook's import says why it failed.
        EXPECT_TRUE(sheet->buttonCreate().isEnabled());
        files->dismissViewController(false);
        host->drain();
    }
}

TEST_F(NewWorkspaceSheetTest, TheDelimiterIndexGivesItsCharacter) {
    const std::pair<size_t, std::uint16_t> cases[] = {{0, ','}, {1, '\t'}, {2, ' '}, {3, '\t'}, {99, '\t'}};
    for (auto [index, delimiter] : cases)
        EXPECT_EQ(NewFileViewController::delimiterForIndex(index), delimiter) << index;
}

// --- workspaces made through the sheet

TEST_F(NewWorkspaceSheetTest, DataFilesOfEachKindBecomeWorkspacesThroughTheStatusScreen) {
    struct Case {
        std::string source, name;
        std::function<void(NewFileViewController&)> options;
        std::string firstColumn;
        std::vector<std::string> firstTexts;
    };
    writeFile(doc("semi.txt"), "x y\n1,5 2\n3 4\n");
    writeFile(doc("people.csv"), "name,age\nAda,36\nBob,41\n");
    const Case cases[] = {
        {"", "people.csv", {}, "name", {"Ada", "Bob"}},
        // Space-delimited, no header, decimal comma.
        {"", "semi.txt",
         [this](NewFileViewController& sheet) {
             driver->tap(&sheet.switchHeader());
             driver->tap(&sheet.buttonAdvanced());
             host->advance(1);
             auto* chooser = dynamic_cast<ui::TableViewController*>(sheet.navigationController()->topViewController());
             driver->tap(chooser->tableView().cellForRowAtIndexPath({0, 2}));
             host->advance(1);
             driver->tap(&sheet.buttonAdvOptions());
             ui::SegmentedControl& segment = sheet.segmentDecimal();
             const ui::Rect comma = segment.rectForSegment(1);
             driver->tapAt(segment.convertPointToView({comma.midX(), comma.midY()}, nullptr));
         },
         "Var1", {"x", "1,5", "3"}},
        {"xlsx/openpyxl_basic.xlsx", "book.xlsx", {}, "", {}},
        {"xls/xlwt_basic.xls", "old.xls", {}, "", {}},
    };
    show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = c.source.empty() ? doc(c.name) : copyFixture(c.source, c.name);
        auto* sheet = openSheet("import", source);
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(waitInspected(*sheet));
        if (c.options)
            c.options(*sheet);
        driver->tap(&sheet->buttonCreate());
        // The status screen follows the sheet, and goes once the workspace is open.
        ASSERT_TRUE(runUntil([&] { return dynamic_cast<FileImportViewController*>(files->presentedViewController()) != nullptr; }));
        ASSERT_TRUE(runUntil([&] { return !files->presentedViewController(); }));
        host->advance(1);
        EXPECT_EQ(alert(), nullptr);
        EXPECT_TRUE(samePath(model().currentStore(), doc(fs::path(c.name).stem().string() + ".ov")));
        EXPECT_GT(model().countRows(), 0u);
        EXPECT_EQ(tabs->selectedIndex(), 1u);
        if (!c.firstColumn.empty()) {
            auto column = columnNamed(c.firstColumn);
            ASSERT_NE(column, nullptr);
            EXPECT_EQ(texts(*column), c.firstTexts);
        }
        tabs->setSelectedIndex(0);
        host->drain();
    }
}

TEST_F(NewWorkspaceSheetTest, ABlankWorkspaceOpensOnBrowseInEditModeWithTheOtherTabsAtTheirRoots) {
    makeWorkspace(doc("before.ov"));
    show();
    model().openStore(doc("before.ov"));
    for (size_t tab : {size_t(2), size_t(3)})
        navAt(tab).pushViewController(std::make_shared<ui::ViewController>(), false);
    auto* sheet = openSheet("newBlank");
    ASSERT_NE(sheet, nullptr);
    rename(*sheet, "Survey");
    driver->tap(&sheet->buttonCreate());
    ASSERT_TRUE(runUntil([&] { return !files->presentedViewController() && tabs->selectedIndex() == 1; }));
    host->advance(1);
    EXPECT_TRUE(samePath(model().currentStore(), doc("Survey.ov")));
    EXPECT_EQ(model().countRows(), 10u);
    EXPECT_EQ(model().countColumns(), 3u);
    EXPECT_NE(model().statusLine().find("Source File: Entered Manually"), std::string::npos);
    auto* browse = dynamic_cast<BrowseViewController*>(navAt(1).viewControllers().front().get());
    ASSERT_NE(browse, nullptr);
    EXPECT_TRUE(browse->isEditing());
    EXPECT_EQ(navAt(2).viewControllers().size(), 1u);
    EXPECT_EQ(navAt(3).viewControllers().size(), 1u);
    EXPECT_EQ(files->labelFileInfo().text(), model().statusLine());
}

TEST_F(NewWorkspaceSheetTest, AFailedRemovalStopsTheBlankAndExampleRequestsAndReopensThePrevious) {
    struct Case {
        const char* segue;
        const char* name;
    };
    const Case cases[] = {{"newBlank", "Untitled"}, {"example", "example"}};
    makeWorkspace(doc("before.ov"), {"b1"});
    show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.segue);
        makeWorkspace(doc(std::string(c.name) + ".ov"), {"old1", "old2"});
        model().openStore(doc("before.ov"));
        auto* sheet = openSheet(c.segue);
        ASSERT_NE(sheet, nullptr);
        failing.failRemove = true;
        driver->tap(&sheet->buttonCreate());
        host->advance(1);
        driver->tapText("Replace");
        ASSERT_TRUE(runUntil([&] { return alert() != nullptr; }));
        failing.failRemove = false;
        EXPECT_EQ(alert()->title(), "Could Not Create Workspace");
        EXPECT_EQ(alert()->message(), std::make_error_code(std::errc::permission_denied).message());
        alert()->choose(0);
        host->advance(1);
        EXPECT_EQ(tabs->selectedIndex(), 0u);
        EXPECT_TRUE(samePath(model().currentStore(), doc("before.ov")));
        EXPECT_EQ(texts(*columnNamed("x")), (std::vector<std::string>{"b1"}));
        model().closeStores();
        model().openStore(doc(std::string(c.name) + ".ov"));
        EXPECT_EQ(model().countColumns(), 1u);
        EXPECT_EQ(texts(*columnNamed("x")), (std::vector<std::string>{"old1", "old2"}));
        model().closeStores();
    }
}

TEST_F(NewWorkspaceSheetTest, TheExampleReplacesTheOpenWorkspaceWithUnsavedChangesSoundly) {
    makeWorkspace(doc("example.ov"), {"1", "2"});
    show();
    model().openStore(doc("example.ov"));
    model().addRow(3, {"unsaved"}, model().columns());
    ASSERT_TRUE(fs::exists(doc("example.ov-journal")));
    auto* sheet = openSheet("example");
    ASSERT_NE(sheet, nullptr);
    driver->tap(&sheet->buttonCreate());
    host->advance(1);
    driver->tapText("Replace");
    ASSERT_TRUE(runUntil([&] { return !files->presentedViewController() && tabs->selectedIndex() == 1; }));
    host->advance(1);
    Model::setResourcesFolder(ui::Environment::shared().resourcesFolder);
    EXPECT_TRUE(model().isDemo());
    Model::setResourcesFolder("");
    EXPECT_EQ(model().countRows(), 200u);
    EXPECT_EQ(model().columns().front()->name(), "Visit");
    model().closeStores();
    EXPECT_EQ(integrityOf(doc("example.ov")), "ok");
    // Byte for byte the shipped example.
    EXPECT_EQ(readAll(doc("example.ov")), readAll(FilesViewController::exampleResource()));
}

// --- pictures

TEST_F(NewWorkspaceSheetTest, TheSheetFitsOnPadAndPhone) {
    copyFixture("xlsx/openpyxl_basic.xlsx", "measurements_from_the_second_field_season_2023_final_version.xlsx");
    writeFile(doc("survey.csv"), "a\n1\n");
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        show(idiom.screen, idiom.idiom);
        struct Shot {
            const char* name;
            std::string segue, source;
            bool advanced;
            std::string typed;
        };
        const Shot shots[] = {
            {"csv", "import", doc("survey.csv"), true, ""},
            {"xlsx", "import", doc("measurements_from_the_second_field_season_2023_final_version.xlsx"), false, ""},
            {"blank", "newBlank", "", false, "a/b"},
        };
        for (const auto& s : shots) {
            SCOPED_TRACE(s.name);
            auto* sheet = openSheet(s.segue, s.source);
            ASSERT_NE(sheet, nullptr);
            if (s.segue == "import") {
                ASSERT_TRUE(waitInspected(*sheet));
            }
            if (s.advanced)
                driver->tap(&sheet->buttonAdvOptions());
            if (!s.typed.empty())
                rename(*sheet, s.typed);
            host->advance(1);
            const std::string shot =
                renderChecks::scratchPath(std::string("new-workspace-") + s.name + "-" + idiom.name + ".png");
            ASSERT_TRUE(driver->saveScreenshot(shot));
            std::cout << "sheet: " << shot << "\n";
            // Every part shown lies inside the screen and clear of the others.
            std::vector<ui::View*> parts;
            for (ui::View* v : std::initializer_list<ui::View*>{
                     &sheet->labelDescribeSource(), &sheet->labelInput(), &sheet->labelPromptName(),
                     &sheet->fieldOutput(), &sheet->labelNameProblem(), &sheet->buttonCreate(),
                     &sheet->horizontalRule(), &sheet->labelOptions(), &sheet->labelHeader(),
                     &sheet->switchHeader(), &sheet->buttonAdvanced(), &sheet->buttonAdvOptions(),
                     &sheet->labelDecimal(), &sheet->segmentDecimal(), &sheet->labelDecimalExplain()})
                if (shown(*v)) {
                    parts.push_back(v);
                }
            for (size_t i = 0; i < parts.size(); ++i) {
                const ui::Rect r = parts[i]->convertRectToView(parts[i]->bounds(), nullptr);
                EXPECT_GE(r.minX(), 0) << parts[i]->identifier();
                EXPECT_LE(r.maxX(), idiom.screen.width) << parts[i]->identifier();
                EXPECT_LE(r.maxY(), idiom.screen.height) << parts[i]->identifier();
                if (auto* label = dynamic_cast<ui::Label*>(parts[i])) {
                    EXPECT_LE(label->sizeThatFits({label->bounds().width(), 0}).height,
                              label->bounds().height() + 0.5)
                        << parts[i]->identifier();
                }
                for (size_t j = i + 1; j < parts.size(); ++j)
                    EXPECT_TRUE(parts[j]->convertRectToView(parts[j]->bounds(), nullptr).intersection(r).isEmpty())
                        << parts[i]->identifier() << " and " << parts[j]->identifier();
            }
            files->dismissViewController(false);
            host->drain();
        }
    }
}

} // namespace
