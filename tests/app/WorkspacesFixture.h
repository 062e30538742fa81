// The Workspaces tab's test fixture: the documents folder in a scratch folder, the resources the build
// assembles, file operations that fail on request, and the app's tabs on a headless host.
#pragma once

#include "ScreenFixture.h"

#include "app/FilesViewController.h"
#include "app/MainStoryboard.h"
#include "app/WorkspaceCell.h"
#include "platform/ui/Environment.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

// File operations that fail on request, as permissions would for another user.
struct FailingFiles : FileOperations {
    bool failMove = false;
    bool failRemove = false;
    bool moveItem(const std::string& from, const std::string& to, std::error_code& ec) override {
        if (failMove) {
            ec = std::make_error_code(std::errc::permission_denied);
            return false;
        }
        return FileOperations::moveItem(from, to, ec);
    }
    bool removeItem(const std::string& path, std::error_code& ec) override {
        if (failRemove) {
            ec = std::make_error_code(std::errc::permission_denied);
            return false;
        }
        return FileOperations::removeItem(path, ec);
    }
};

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, const std::string& bytes = "") {
    std::ofstream(path, std::ios::binary) << bytes;
}

// What SQLite finds checking a workspace file: "ok" for a sound one.
inline std::string integrityOf(const std::string& file) {
    sqlite3* db = nullptr;
    std::string answer = "cannot open";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            answer = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return answer;
}

class WorkspacesTest : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        saved = ui::Environment::shared();
        documents = path("Documents");
        fs::create_directories(documents);
        ui::Environment::shared().documentsFolder = documents;
        ui::Environment::shared().resourcesFolder = std::string(OVRIDA_BUILD_DIR) + "/resources";
        // The tips have been seen twice already, except where a test asks for them.
        seenTips(2);
    }
    void TearDown() override {
        files.reset();
        ScreenTest::TearDown();
        ui::Environment::shared() = saved;
        model().setUserInterfaceIdiom(savedIdiom);
    }
    static void seenTips(int times) {
        foundation::UserDefaults::standard().remove("timesSeenHelp");
        for (int i = 0; i < times; ++i)
            Model::incrementTimesSeenHelpKey("import");
    }

    std::string doc(const std::string& name) const { return (fs::path(documents) / name).string(); }

    // A small workspace file of one column "x" with these texts, made on a Model of its own.
    void makeWorkspace(const std::string& file, const std::vector<std::string>& texts = {"1", "2"}) {
        Model m;
        m.setPersistentStoreCoordinator(std::make_shared<store::Coordinator>(Model::managedObjectModel()));
        m.setManagedObjectContext(std::make_shared<store::Context>(m.persistentStoreCoordinator()));
        m.openStore(file);
        m.addColumns({"x"});
        auto columns = m.columns();
        for (size_t r = 0; r < texts.size(); ++r)
            m.addRow(r + 1, {texts[r]}, columns);
        m.saveContext();
        m.closeStores();
    }

    // `realIcons`: the icons of the resources folder, for pictures; otherwise the recording service.
    void show(gfx::Size screen = {1024, 768}, ui::UserInterfaceIdiom idiom = ui::UserInterfaceIdiom::Pad,
              bool realIcons = false) {
        files.reset();
        tabs.reset();
        makeHost(screen, idiom);
        resourceIcons = std::make_unique<host::ResourceFileIconService>(ui::Environment::shared().resourcesFolder);
        host::FileIconService& chosen = realIcons ? static_cast<host::FileIconService&>(*resourceIcons) : icons;
        Model::sharedModel().setUserInterfaceIdiom(idiom == ui::UserInterfaceIdiom::Pad ? Model::Idiom::Pad
                                                                                       : Model::Idiom::Phone);
        tabs = MainStoryboard::instantiateInitialViewController({chosen, launcher, mail, failing});
        files = std::dynamic_pointer_cast<FilesViewController>(tabs->viewControllers()[0]);
        host->window().setRootViewController(tabs);
        host->drain();
    }

    // The names a grid shows, in order.
    std::vector<std::string> shownNames(ui::CollectionView& grid) {
        host->drain();
        std::vector<std::string> out;
        for (int i = 0; i < grid.numberOfItemsInSection(0); ++i) {
            grid.scrollToItemAtIndexPath({0, i}, false);
            host->drain();
            auto* cell = dynamic_cast<WorkspaceCell*>(grid.cellForItemAtIndexPath({0, i}));
            out.push_back(cell ? driver->text(&cell->labelTitle()) : "?");
        }
        return out;
    }
    WorkspaceCell* cellAt(ui::CollectionView& grid, int row) {
        grid.scrollToItemAtIndexPath({0, row}, false);
        host->drain();
        return dynamic_cast<WorkspaceCell*>(grid.cellForItemAtIndexPath({0, row}));
    }
    // A press held for a second at a window point.
    void longPressAt(ui::Point p) {
        host->drain();
        host->window().touchBegan(7, p);
        host->advance(1);
        host->window().touchEnded(7, p);
        host->drain();
    }
    ui::Point middleOf(ui::View& v) {
        const ui::Rect r = v.convertRectToView(v.bounds(), nullptr);
        return {r.midX(), r.midY()};
    }
    ui::NavigationController& navAt(size_t index) {
        return dynamic_cast<ui::NavigationController&>(*tabs->viewControllers()[index]);
    }
    // The alert shown over the tabs, if any.
    ui::AlertController* alert() {
        ui::ViewController* top = tabs.get();
        while (top->presentedViewController())
            top = top->presentedViewController();
        return dynamic_cast<ui::AlertController*>(top);
    }
    bool badgeShown(WorkspaceCell& cell) { return cell.buttonDelete().layer().opacity() == 1; }
    static bool samePath(const std::optional<std::string>& a, const std::string& b) {
        return a && fs::weakly_canonical(*a) == fs::weakly_canonical(b);
    }

    ui::Environment saved;
    Model::Idiom savedIdiom = model().userInterfaceIdiom();
    std::string documents;
    host::RecordingFileIconService icons;
    std::unique_ptr<host::ResourceFileIconService> resourceIcons;
    host::RecordingLauncher launcher;
    host::RecordingMailService mail;
    FailingFiles failing;
    std::shared_ptr<FilesViewController> files;
};
