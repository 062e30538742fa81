// The Workspaces tab driven as a user would, with the documents folder in a scratch folder: the tab
// assembly, the listing, opening (out of the Inbox), deletion mode with its badges and alerts, the
// segues, icons, the tips, and the resources the build assembles.
#include "WorkspacesFixture.h"

#include "analysis/AnalysesViewController.h"
#include "app/AboutViewController.h"
#include "app/BrowseViewController.h"
#include "app/FileImportViewController.h"
#include "app/FilesViewController.h"
#include "app/MainStoryboard.h"
#include "app/NewFileViewController.h"
#include "app/SpringboardLayout.h"
#include "app/VariablesViewController.h"
#include "app/WorkspaceCell.h"
#include "controls/CMPopTipView.h"
#include "import/FileImporter.h"
#include "platform/foundation/Log.h"
#include "platform/ui/Environment.h"
#include "tests/RenderChecks.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <set>

namespace fs = std::filesystem;

namespace {

// --- the tabs

TEST_F(WorkspacesTest, TheTabsComeInTheirOrderWithTheRegistrysAnalysisList) {
    show();
    const auto& controllers = tabs->viewControllers();
    ASSERT_EQ(controllers.size(), 5u);
    EXPECT_NE(std::dynamic_pointer_cast<FilesViewController>(controllers[0]), nullptr);
    auto rootOf = [&](size_t i) { return navAt(i).viewControllers().front().get(); };
    EXPECT_NE(dynamic_cast<BrowseViewController*>(rootOf(1)), nullptr);
    EXPECT_NE(dynamic_cast<VariablesViewController*>(rootOf(2)), nullptr);
    EXPECT_NE(dynamic_cast<AnalysesViewController*>(rootOf(3)), nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<AboutViewController>(controllers[4]), nullptr);
    EXPECT_EQ(tabs->selectedIndex(), 0u);
}

// --- the listing

TEST_F(WorkspacesTest, TheListingKeepsExactExtensionsInTheLocalesCaseBlindOrder) {
    for (const char* name : {"Report.csv", "apple.csv", "data.CSV", ".hidden.csv", "b.csv", "B.csv", "notes.txt",
                             "sheet.xlsx", "old.xls", "Zeta.ov", "alpha.ov", "beta.OV", "readme.md"})
        writeFile(doc(name));
    fs::create_directories(doc("Inbox"));
    writeFile(doc("Inbox/waiting.csv"));
    show();
    // Names that differ only in case come in byte order: "B" before "b".
    const std::vector<std::string> texts = {"apple.csv", "B.csv", "b.csv", "notes.txt", "old.xls", "Report.csv",
                                            "sheet.xlsx"};
    EXPECT_EQ(shownNames(files->collectionTexts()), texts);
    EXPECT_EQ(shownNames(files->collectionWorkspaces()), (std::vector<std::string>{"alpha.ov", "Zeta.ov"}));
    // Whatever the folder holds now: the grids read it again.
    fs::remove(doc("apple.csv"));
    files->collectionTexts().reloadData();
    EXPECT_EQ(shownNames(files->collectionTexts()).front(), "B.csv");
}

TEST_F(WorkspacesTest, AMissingDocumentsFolderIsMadeAndListsNothing) {
    fs::remove_all(documents);
    show();
    EXPECT_TRUE(fs::is_directory(documents));
    EXPECT_EQ(files->collectionWorkspaces().numberOfItemsInSection(0), 0);
    EXPECT_EQ(files->collectionTexts().numberOfItemsInSection(0), 0);
}

// --- opening

TEST_F(WorkspacesTest, AHandedOverWorkspaceLeavesTheInboxForTheFirstFreeName) {
    struct Case {
        const char* name;
        std::vector<std::string> present; // in the documents folder
        std::vector<std::string> inbox;   // beside sales.ov
        bool failMove;
        const char* opened; // relative to the documents folder
        bool inboxKept;
    };
    std::vector<std::string> allTaken = {"sales.ov"};
    for (int n = 1; n <= 99; ++n)
        allTaken.push_back("sales-" + std::to_string(n) + ".ov");
    const Case cases[] = {
        {"the third name", {"sales.ov", "sales-1.ov"}, {}, false, "sales-2.ov", false},
        {"every name taken", allTaken, {}, false, "Inbox/sales.ov", true},
        {"a failing move", {}, {}, true, "Inbox/sales.ov", true},
        {"another file waiting", {}, {"other.csv"}, false, "sales.ov", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(documents);
        fs::create_directories(doc("Inbox"));
        for (const auto& name : c.present)
            writeFile(doc(name), "taken");
        for (const auto& name : c.inbox)
            writeFile(doc("Inbox/" + name), "waiting");
        makeWorkspace(doc("Inbox/sales.ov"), {"handed", "over"});
        failing.failMove = c.failMove;
        show();
        files->setUrlToOpen(doc("Inbox/sales.ov"));
        files->buttonOpen(nullptr);
        host->drain();
        EXPECT_TRUE(samePath(model().currentStore(), doc(c.opened)));
        EXPECT_EQ(texts(*columnNamed("x")), (std::vector<std::string>{"handed", "over"}));
        EXPECT_EQ(fs::is_directory(doc("Inbox")), c.inboxKept);
        for (const auto& name : c.present)
            EXPECT_EQ(readAll(doc(name)), "taken") << name;
        model().closeStores();
        failing.failMove = false;
    }
}

TEST_F(WorkspacesTest, OpeningAWorkspaceShowsItOnBrowseWithTheOtherTabsReset) {
    makeWorkspace(doc("clinic.ov"), {"4", "5", "6"});
    show();
    for (size_t tab : {size_t(2), size_t(3)}) {
        navAt(tab).pushViewController(std::make_shared<ui::ViewController>(), false);
        EXPECT_EQ(navAt(tab).viewControllers().size(), 2u);
    }
    // A Browse filter on a column of whatever was open before.
    auto* browse = dynamic_cast<BrowseViewController*>(navAt(1).viewControllers().front().get());
    ASSERT_NE(browse, nullptr);
    browse->setWheres({{0, WhereClauseObj(0, FilterEqual, "5")}});
    foundation::LogCapture log;
    driver->tap(cellAt(files->collectionWorkspaces(), 0));
    EXPECT_TRUE(samePath(model().currentStore(), doc("clinic.ov")));
    EXPECT_TRUE(browse->wheres().empty());
    EXPECT_EQ(browse->collectionView().numberOfSections(), 4);
    EXPECT_TRUE(log.contains("Clicked: " + doc("clinic.ov")));
    EXPECT_EQ(driver->text(&files->labelFileInfo()), model().statusLine());
    EXPECT_NE(driver->text(&files->labelFileInfo()).find("clinic.ov"), std::string::npos);
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    for (size_t tab : {size_t(2), size_t(3)})
        EXPECT_EQ(navAt(tab).viewControllers().size(), 1u) << tab;

    // The status line follows the open workspace whenever the screen appears.
    makeWorkspace(doc("other.ov"));
    model().openStore(doc("other.ov"));
    tabs->setSelectedIndex(0);
    host->drain();
    EXPECT_NE(driver->text(&files->labelFileInfo()).find("other.ov"), std::string::npos);
}

TEST_F(WorkspacesTest, OpeningAnotherWorkspaceKeepsWhatTheOpenOneHadNotSaved) {
    makeWorkspace(doc("first.ov"), {"1"});
    makeWorkspace(doc("second.ov"), {"2"});
    show();
    files->setUrlToOpen(doc("first.ov"));
    files->buttonOpen(nullptr);
    columnNamed("x")->setName("renamed");
    ASSERT_TRUE(model().managedObjectContext()->hasChanges());
    files->setUrlToOpen(doc("second.ov"));
    files->buttonOpen(nullptr);
    files->setUrlToOpen(doc("first.ov"));
    files->buttonOpen(nullptr);
    EXPECT_NE(columnNamed("renamed"), nullptr);
}

TEST_F(WorkspacesTest, AFileThatIsNoWorkspaceIsReportedOnceAndLeftAsItWas) {
    const std::string bytes = "Name,Value\nnot,a workspace\n";
    writeFile(doc("notes.ov"), bytes);
    show();
    driver->tap(cellAt(files->collectionWorkspaces(), 0));
    EXPECT_EQ(storeErrors, 1);
    EXPECT_EQ(readAll(doc("notes.ov")), bytes);
    storeErrors = 0;
}

// --- deletion mode

TEST_F(WorkspacesTest, ALongPressOnAnItemStartsDeletionModeForItsGridAndATapOutsideEndsIt) {
    makeWorkspace(doc("a.ov"));
    writeFile(doc("data.csv"));
    show();
    auto& workspaces = files->collectionWorkspaces();
    auto& texts = files->collectionTexts();
    // Empty space at the far end of the grid: nothing.
    const ui::Rect grid = workspaces.convertRectToView(workspaces.bounds(), nullptr);
    longPressAt({grid.maxX() - 30, grid.midY()});
    EXPECT_FALSE(files->isDeletionModeActiveWorkspace());

    longPressAt(middleOf(*cellAt(workspaces, 0)));
    EXPECT_TRUE(files->isDeletionModeActiveWorkspace());
    EXPECT_FALSE(files->isDeletionModeActiveText());
    host->drain();
    EXPECT_TRUE(badgeShown(*cellAt(workspaces, 0)));
    EXPECT_FALSE(badgeShown(*cellAt(texts, 0)));
    EXPECT_NE(cellAt(workspaces, 0)->layer().animationForKey(WorkspaceCell::quiverKey), nullptr);
    EXPECT_EQ(cellAt(texts, 0)->layer().animationForKey(WorkspaceCell::quiverKey), nullptr);

    // In deletion mode an item neither opens nor imports.
    longPressAt(middleOf(*cellAt(texts, 0)));
    EXPECT_TRUE(files->isDeletionModeActiveText());
    driver->tap(cellAt(workspaces, 0));
    driver->tap(cellAt(texts, 0));
    EXPECT_FALSE(model().currentStore());
    EXPECT_EQ(files->presentedViewController(), nullptr);
    EXPECT_TRUE(files->isDeletionModeActiveWorkspace() && files->isDeletionModeActiveText());

    // One tap outside the items ends it for both grids.
    driver->tap(&files->labelOpen());
    EXPECT_FALSE(files->isDeletionModeActiveWorkspace());
    EXPECT_FALSE(files->isDeletionModeActiveText());
    host->drain();
    EXPECT_FALSE(badgeShown(*cellAt(workspaces, 0)));
    EXPECT_EQ(cellAt(workspaces, 0)->layer().animationForKey(WorkspaceCell::quiverKey), nullptr);
    // Out of deletion mode the item opens again.
    driver->tap(cellAt(workspaces, 0));
    EXPECT_TRUE(samePath(model().currentStore(), doc("a.ov")));
}

TEST_F(WorkspacesTest, TheOpenWorkspaceCannotBeDeletedHoweverItsFolderIsReached) {
    makeWorkspace(doc("open.ov"));
    // The documents folder as a link to the real one: the listing and the open store spell the file
    // differently.
    const std::string link = path("Linked");
    fs::create_directory_symlink(documents, link);
    for (const std::string& folder : {documents, link}) {
        SCOPED_TRACE(folder);
        ui::Environment::shared().documentsFolder = folder;
        model().openStore(doc("open.ov"));
        show();
        longPressAt(middleOf(*cellAt(files->collectionWorkspaces(), 0)));
        driver->tap(&cellAt(files->collectionWorkspaces(), 0)->buttonDelete());
        auto* alert = dynamic_cast<ui::AlertController*>(files->presentedViewController());
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->title(), "Confirm Delete");
        EXPECT_EQ(alert->message(), "Cannot delete open workspace:");
        ASSERT_EQ(alert->actions().size(), 1u);
        EXPECT_EQ(alert->actions()[0].title, "Cancel");
        driver->tapText("Cancel");
        EXPECT_TRUE(fs::exists(doc("open.ov")));
        EXPECT_FALSE(files->dictDelete());
    }
}

TEST_F(WorkspacesTest, ConfirmingADeletionRemovesThatFileWithItsCompanionsAndKeepsTheMode) {
    for (const char* name : {"a.ov", "b.ov", "c.ov"})
        makeWorkspace(doc(name));
    for (const char* suffix : FileOperations::companionSuffixes)
        writeFile(doc(std::string("b.ov") + suffix), "left over");
    writeFile(doc("a.ov-journal"), "a's own");
    show();
    auto& grid = files->collectionWorkspaces();
    longPressAt(middleOf(*cellAt(grid, 1)));
    foundation::LogCapture log;
    driver->tap(&cellAt(grid, 1)->buttonDelete());
    auto* alert = dynamic_cast<ui::AlertController*>(files->presentedViewController());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->message(), "Really delete file\nb.ov? \nCannot be undone.");
    ASSERT_TRUE(files->dictDelete());
    EXPECT_EQ(files->dictDelete()->url, doc("b.ov"));
    driver->tapText("Delete");
    host->drain();
    EXPECT_TRUE(log.contains("Delete workspace: " + doc("b.ov")));
    EXPECT_TRUE(log.contains("Delete!"));
    EXPECT_FALSE(fs::exists(doc("b.ov")));
    for (const char* suffix : FileOperations::companionSuffixes)
        EXPECT_FALSE(fs::exists(doc(std::string("b.ov") + suffix))) << suffix;
    EXPECT_TRUE(fs::exists(doc("a.ov")) && fs::exists(doc("c.ov")) && fs::exists(doc("a.ov-journal")));
    EXPECT_EQ(shownNames(grid), (std::vector<std::string>{"a.ov", "c.ov"}));
    EXPECT_TRUE(files->isDeletionModeActiveWorkspace());
    EXPECT_TRUE(badgeShown(*cellAt(grid, 0)));
}

TEST_F(WorkspacesTest, ADataFileAndAFailedRemovalAndACancel) {
    for (const char* name : {"a.csv", "b.txt"})
        writeFile(doc(name), "x\n1\n");
    show();
    auto& grid = files->collectionTexts();
    longPressAt(middleOf(*cellAt(grid, 0)));
    foundation::LogCapture log;

    // Cancel leaves everything.
    driver->tap(&cellAt(grid, 0)->buttonDelete());
    EXPECT_TRUE(log.contains("Delete text: " + doc("a.csv")));
    driver->tapText("Cancel");
    EXPECT_TRUE(fs::exists(doc("a.csv")));

    // A removal that fails keeps the file listed.
    failing.failRemove = true;
    driver->tap(&cellAt(grid, 1)->buttonDelete());
    driver->tapText("Delete");
    host->drain();
    EXPECT_TRUE(fs::exists(doc("b.txt")));
    EXPECT_EQ(shownNames(grid), (std::vector<std::string>{"a.csv", "b.txt"}));

    failing.failRemove = false;
    driver->tap(&cellAt(grid, 1)->buttonDelete());
    driver->tapText("Delete");
    host->drain();
    EXPECT_FALSE(fs::exists(doc("b.txt")));
    EXPECT_EQ(shownNames(grid), (std::vector<std::string>{"a.csv"}));
    EXPECT_TRUE(files->isDeletionModeActiveText());
}

TEST_F(WorkspacesTest, ABadgeOutsideTheGridsOnlyLogs) {
    show();
    auto stray = std::make_shared<WorkspaceCell>(WorkspaceCell::reuseIdentifier);
    auto other = std::make_shared<ui::CollectionView>(ui::Rect{0, 0, 100, 100}, nullptr);
    other->addSubview(stray);
    foundation::LogCapture log;
    files->deleteFile(stray->buttonDelete());
    EXPECT_TRUE(log.contains("Tried to delete unknown collection view"));
    EXPECT_EQ(files->presentedViewController(), nullptr);
}

// --- the badge, the quiver and the layout

TEST_F(WorkspacesTest, OneBadgeImageServesFortyQuiveringItems) {
    for (int i = 0; i < 40; ++i)
        writeFile(doc("file" + std::to_string(100 + i) + ".csv"));
    show();
    auto& grid = files->collectionTexts();
    longPressAt(middleOf(*cellAt(grid, 0)));
    std::optional<gfx::Image> first;
    for (int i = 0; i < 40; ++i) {
        WorkspaceCell* cell = cellAt(grid, i);
        ASSERT_NE(cell, nullptr);
        ASSERT_TRUE(badgeShown(*cell));
        auto image = cell->buttonDelete().imageForState(ui::StateNormal);
        ASSERT_TRUE(image);
        if (!first)
            first = image;
        EXPECT_TRUE(image->sameBitmap(*first)) << i;
    }
    EXPECT_EQ(WorkspaceCell::badgeDrawCount(), 1);

    // The badge: a black disc with a white ring and cross (28 points drawn at twice the scale).
    EXPECT_EQ(first->size(), (gfx::Size{28, 28}));
    EXPECT_EQ(first->pixel(28, 28), gfx::Color::white());    // the crossing of the strokes
    EXPECT_EQ(first->pixel(28, 14).red, 0);                   // the disc between the strokes
    EXPECT_EQ(first->pixel(1, 1).alpha, 0);                   // outside the disc

    const layers::Animation* quiver = cellAt(grid, 3)->layer().animationForKey("quivering");
    ASSERT_NE(quiver, nullptr);
    EXPECT_EQ(quiver->keyPath, "transform.rotation.z");
    EXPECT_DOUBLE_EQ(std::get<double>(quiver->from), -0.017453292);
    EXPECT_DOUBLE_EQ(std::get<double>(quiver->to), 0.05235988);
    EXPECT_TRUE(quiver->autoreverses);
    EXPECT_DOUBLE_EQ(quiver->duration, 0.2);
    EXPECT_TRUE(std::isinf(quiver->repeatCount));
    EXPECT_GE(quiver->timeOffset, -0.5);
    EXPECT_LE(quiver->timeOffset, 0.49 + 1e-12);
    // In hundredths of a second.
    EXPECT_NEAR(quiver->timeOffset * 100, std::round(quiver->timeOffset * 100), 1e-9);
}

TEST_F(WorkspacesTest, SpringboardAttributesCarryTheirBadgeThroughCopiesAndComparisons) {
    SpringboardLayout layout;
    EXPECT_EQ(layout.itemSize, (ui::Size{144, 144}));
    EXPECT_EQ(layout.minimumInteritemSpacing, 48);
    EXPECT_EQ(layout.minimumLineSpacing, 48);
    EXPECT_EQ(layout.scrollDirection, ui::ScrollDirection::Horizontal);
    EXPECT_EQ(layout.sectionInset, (ui::EdgeInsets{32, 32, 32, 32}));
    EXPECT_FALSE(layout.isDeletionModeOn()); // no grid, no delegate

    SpringboardLayoutAttributes a;
    a.indexPath = {0, 3};
    a.frame = {20, 20, 100, 100};
    a.deleteButtonHidden = true;
    auto copy = a.copy();
    auto* copied = dynamic_cast<SpringboardLayoutAttributes*>(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->isDeleteButtonHidden());
    EXPECT_TRUE(a.isEqual(a));
    EXPECT_TRUE(a.isEqual(*copy));
    copied->deleteButtonHidden = false;
    EXPECT_FALSE(a.isEqual(*copy));
    // The same place in the plain class is another thing.
    ui::CollectionViewLayoutAttributes plain;
    plain.indexPath = a.indexPath;
    plain.frame = a.frame;
    EXPECT_FALSE(a.isEqual(plain));
    copied->deleteButtonHidden = true;
    copied->frame.origin.x = 21;
    EXPECT_FALSE(a.isEqual(*copy));
}

TEST_F(WorkspacesTest, ItemsAreSizedByIdiomWithInsetsOfTwenty) {
    writeFile(doc("a.csv"));
    for (const auto& [screen, side] : {std::pair{kIdioms[0], 100.0}, std::pair{kIdioms[1], 80.0}}) {
        SCOPED_TRACE(screen.name);
        show(screen.screen, screen.idiom);
        EXPECT_EQ(files->sizeCollectionCell(), (ui::Size{side, side}));
        EXPECT_EQ(cellAt(files->collectionTexts(), 0)->frame(), (ui::Rect{20, 20, side, side}));
        EXPECT_EQ(files->scrollMain().contentSize(), (ui::Size{320, 474}));
        EXPECT_EQ(driver->text("labelExampleFilename"), "example.ov");
    }
}

// --- segues

TEST_F(WorkspacesTest, EachSegueSetsUpItsDestination) {
    writeFile(doc("report.csv"), "a,b\n1,2\n");
    struct Case {
        const char* identifier;
        std::function<void()> start;
        std::string url; // of the sheet; empty for the status screen
        bool isBlank, isExample;
    };
    const std::string resources = fs::absolute(ui::Environment::shared().resourcesFolder).string();
    show();
    const Case cases[] = {
        {"newBlank", [&] { driver->tap(&files->buttonEnter()); }, resources + "/blank.txt", true, false},
        {"example", [&] { driver->tap(&files->buttonExample()); }, resources + "/example.ov", false, true},
        {"import", [&] { driver->tap(cellAt(files->collectionTexts(), 0)); }, doc("report.csv"), false, false},
        {"status", [&] { files->performSegueWithIdentifier("status"); }, "", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.identifier);
        c.start();
        host->drain();
        ui::ViewController* shown = files->presentedViewController();
        ASSERT_NE(shown, nullptr);
        if (c.url.empty()) {
            auto* status = dynamic_cast<FileImportViewController*>(shown);
            ASSERT_NE(status, nullptr);
            EXPECT_EQ(status->filesViewController(), files.get());
        } else {
            auto* nav = dynamic_cast<ui::NavigationController*>(shown);
            ASSERT_NE(nav, nullptr);
            auto* sheet = dynamic_cast<NewFileViewController*>(nav->viewControllers().front().get());
            ASSERT_NE(sheet, nullptr);
            EXPECT_EQ(sheet->url(), c.url);
            EXPECT_TRUE(fs::exists(sheet->url()));
            EXPECT_EQ(sheet->model(), &model());
            EXPECT_EQ(sheet->filesViewController(), files.get());
            EXPECT_EQ(sheet->isBlank(), c.isBlank);
            EXPECT_EQ(sheet->isExample(), c.isExample);
        }
        files->dismissViewController(false);
        host->drain();
    }
    EXPECT_EQ(files->urlToOpen(), doc("report.csv"));
}

// --- icons and tips

TEST_F(WorkspacesTest, IconsAreLookedUpOncePerExtension) {
    for (int i = 0; i < 20; ++i)
        writeFile(doc("f" + std::to_string(i) + (i % 3 == 0 ? ".csv" : i % 3 == 1 ? ".txt" : ".ov")));
    show();
    shownNames(files->collectionWorkspaces());
    shownNames(files->collectionTexts());
    std::multiset<std::string> asked(icons.asked.begin(), icons.asked.end());
    EXPECT_EQ(asked, (std::multiset<std::string>{"csv", "ov", "txt"}));
}

TEST_F(WorkspacesTest, TheTipsShowOnTheFirstTwoVisitsAndTheHelpControlTogglesThem) {
    seenTips(0);
    show();
    auto shown = [&](CMPopTipView* tip) { return tip && tip->superview() == &files->view(); };
    auto visit = [&] {
        tabs->setSelectedIndex(4);
        host->advance(1);
        EXPECT_FALSE(shown(files->ptv()));
        EXPECT_FALSE(shown(files->ptExample()));
        tabs->setSelectedIndex(0);
        host->advance(1);
    };
    host->advance(1);
    EXPECT_TRUE(shown(files->ptv()));
    EXPECT_TRUE(shown(files->ptExample()));
    EXPECT_EQ(files->ptv()->title(), "How to import data");
    EXPECT_EQ(files->ptExample()->message(), "Get started with these sample data and analyses");
    EXPECT_EQ(files->ptExample()->preferredPointDirection(), 1);
    EXPECT_EQ(files->ptv()->maxWidth(), 280);
    visit();
    EXPECT_TRUE(shown(files->ptv()));
    visit();
    EXPECT_FALSE(shown(files->ptv()));
    EXPECT_EQ(Model::timesSeenHelpKey("import"), 2);

    driver->tap(&files->buttonHowToImport());
    host->advance(1);
    EXPECT_TRUE(shown(files->ptv()) && shown(files->ptExample()));
    driver->tap(&files->buttonHowToImport());
    host->advance(1);
    EXPECT_FALSE(shown(files->ptv()) || shown(files->ptExample()));

    // A size change takes the import tip away and leaves the other.
    driver->tap(&files->buttonHowToImport());
    host->advance(1);
    host->window().transitionToSize({768, 1024});
    host->advance(1);
    EXPECT_FALSE(shown(files->ptv()));
    EXPECT_TRUE(shown(files->ptExample()));
    // The help control shows both again, the example tip once.
    driver->tap(&files->buttonHowToImport());
    host->advance(1);
    int exampleTips = 0;
    for (const auto& v : files->view().subviews())
        if (auto* tip = dynamic_cast<CMPopTipView*>(v.get()); tip && tip->message() == files->ptExample()->message())
            ++exampleTips;
    EXPECT_EQ(exampleTips, 1);
}

// --- resources

TEST_F(WorkspacesTest, TheExampleWorkspaceHoldsTheExampleDataAndCountsAsTheExample) {
    const std::string resources = std::string(OVRIDA_BUILD_DIR) + "/resources";
    ASSERT_TRUE(fs::exists(resources + "/blank.txt"));
    EXPECT_EQ(fs::file_size(resources + "/blank.txt"), 0u);
    ASSERT_TRUE(fs::exists(resources + "/README.md"));
    Model::setResourcesFolder(resources);

    // A copy, as the example request makes one.
    fs::copy_file(resources + "/example.ov", doc("example.ov"));
    model().openStore(doc("example.ov"));
    EXPECT_EQ(model().countRows(), 200u);
    std::vector<std::string> names;
    std::set<int64_t> types;
    for (const auto& c : model().columns()) {
        names.push_back(c->name());
        types.insert(c->type().value_or(0));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Visit", "Visit date", "Clinic", "Sex", "Age", "Smoker", "Activity",
                                               "Height (cm)", "Weight (kg)", "Systolic BP", "Resting pulse",
                                               "Sleep (hours)"}));
    EXPECT_EQ(types, (std::set<int64_t>{1, 2, 3, 4})); // Categorical, Binary, Numeric, Date / Time
    // It comes with saved analyses (the Analysis tab's tests open each).
    EXPECT_FALSE(model().analyses().empty());
    EXPECT_TRUE(model().isDemo());
    model().closeStores();

    // The same data imported from elsewhere is the user's own.
    fs::copy_file(resources + "/example.csv", doc("example.csv"));
    model().openStore(doc("mine.ov"));
    FileImporter importer;
    importer.setModel(&model());
    importer.createWorkspaceFromText(doc("example.csv"), true, 0, U',', ".");
    EXPECT_EQ(model().countRows(), 200u);
    EXPECT_FALSE(model().isDemo());
    Model::setResourcesFolder("");
}

// --- the screen rendered

// The fixture's pad and phone, and the narrowest and shortest phones.
const Idiom kScreens[] = {
    kIdioms[0],
    kIdioms[1],
    {"small-phone", {320, 568}, ui::UserInterfaceIdiom::Phone},
    {"phone-landscape", {667, 375}, ui::UserInterfaceIdiom::Phone},
};

// The screen's own parts lie across the window, clear of each other, and within the content the
// scroll view can reach; each item's name and badge lie inside its item.
void expectTidyLayout(FilesViewController& files, gfx::Size screen) {
    std::vector<std::pair<std::string, ui::Rect>> parts;
    for (ui::View* v : std::initializer_list<ui::View*>{
             &files.labelFileInfo(), &files.labelEnter(), &files.buttonEnter(), &files.labelExample(),
             &files.imageExample(), &files.labelOpen(), &files.collectionWorkspaces(), &files.labelImport(),
             &files.buttonHowToImport(), &files.collectionTexts()}) {
        const ui::Rect r = v->convertRectToView(v->bounds(), nullptr);
        EXPECT_GE(r.minX(), 0) << v->identifier();
        EXPECT_LE(r.maxX(), screen.width) << v->identifier();
        if (v != &files.labelFileInfo()) {
            EXPECT_LE(v->frame().maxY(), files.scrollMain().contentSize().height) << v->identifier();
        }
        parts.emplace_back(v->identifier(), r);
    }
    for (size_t i = 0; i < parts.size(); ++i)
        for (size_t j = i + 1; j < parts.size(); ++j)
            EXPECT_TRUE(parts[i].second.intersection(parts[j].second).isEmpty())
                << parts[i].first << " and " << parts[j].first;
    for (auto* grid : {&files.collectionWorkspaces(), &files.collectionTexts()})
        for (auto* cell : grid->visibleCells()) {
            auto* item = dynamic_cast<WorkspaceCell*>(cell);
            ASSERT_NE(item, nullptr);
            for (ui::View* part : {static_cast<ui::View*>(&item->labelTitle()), static_cast<ui::View*>(&item->buttonDelete()),
                                   static_cast<ui::View*>(&item->imageIcon())})
                EXPECT_EQ(item->bounds().intersection(part->frame()), part->frame()) << part->identifier();
            // A long name keeps to its two lines.
            EXPECT_LE(item->labelTitle().sizeThatFits({item->bounds().width(), 0}).height,
                      item->labelTitle().frame().height() + 0.5);
        }
}

TEST_F(WorkspacesTest, TheScreenFitsWithFilesLongNamesAndBadges) {
    makeWorkspace(doc("Clinic visits.ov"));
    makeWorkspace(doc("A workspace with a rather long name for its small icon.ov"));
    for (const char* name : {"survey.csv", "measurements_from_the_second_field_season_2023.xlsx", "notes.txt",
                             "old.xls", "Report.csv", "weights.csv", "z.csv", "zz.csv"})
        writeFile(doc(name));
    for (const auto& idiom : kScreens) {
        SCOPED_TRACE(idiom.name);
        show(idiom.screen, idiom.idiom, true);
        const std::string shot = renderChecks::scratchPath(std::string("workspaces-") + idiom.name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(shot));
        std::cout << "workspaces: " << shot << "\n";
        expectTidyLayout(*files, idiom.screen);
        // The icons drawn: the ov band of a workspace's icon is blue.
        const ui::Rect icon = cellAt(files->collectionWorkspaces(), 0)->imageIcon().convertRectToView(
            cellAt(files->collectionWorkspaces(), 0)->imageIcon().bounds(), nullptr);
        const gfx::Color band = driver->screenshot().pixel(static_cast<int>(icon.midX()),
                                                           static_cast<int>(icon.minY() + icon.height() * 0.72));
        EXPECT_GT(band.blue, 0.6);
        EXPECT_LT(band.red, 0.4);
        longPressAt(middleOf(*cellAt(files->collectionTexts(), 0)));
        const std::string deleting =
            renderChecks::scratchPath(std::string("workspaces-deleting-") + idiom.name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(deleting, 2));
        std::cout << "deleting: " << deleting << "\n";
        expectTidyLayout(*files, idiom.screen);
    }
}

TEST_F(WorkspacesTest, TheEmptyScreenFitsWithItsTips) {
    for (const auto& idiom : kScreens) {
        SCOPED_TRACE(idiom.name);
        seenTips(0);
        show(idiom.screen, idiom.idiom, true);
        host->advance(1); // the tips' presentation
        const std::string shot = renderChecks::scratchPath(std::string("workspaces-empty-") + idiom.name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(shot));
        std::cout << "empty: " << shot << "\n";
        expectTidyLayout(*files, idiom.screen);
        // Both tips inside the window, their texts clear of each other.
        std::vector<ui::Rect> texts;
        for (CMPopTipView* tip : {files->ptv(), files->ptExample()}) {
            ASSERT_NE(tip, nullptr);
            const ui::Rect r = tip->convertRectToView(tip->bubbleFrame(), nullptr);
            EXPECT_GE(r.minX(), 0);
            EXPECT_LE(r.maxX(), idiom.screen.width);
            EXPECT_GE(r.minY(), 0);
            EXPECT_LE(r.maxY(), idiom.screen.height - ui::TabBarController::BarHeight);
            texts.push_back(tip->convertRectToView(tip->contentFrame(), nullptr));
        }
        EXPECT_FALSE(texts[0].intersects(texts[1]));
    }
}

} // namespace
