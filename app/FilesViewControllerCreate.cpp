// The Workspaces screen's new workspaces: the blank and example requests, and the import, which a worker
// writes into a hidden file of its own that takes the workspace's name only once rows were stored.
#include "app/BrowseViewController.h"
#include "app/FileImportViewController.h"
#include "app/FilesViewController.h"
#include "app/TextFormat.h"
#include "model/Model.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using foundation::tr;

namespace {

constexpr const char* kTemporaryPrefix = ".ovrida-import-";
std::atomic<unsigned> importCounter{0};

// Removes a workspace file and each companion the store may leave beside it, whichever exist. False,
// with the reason, when one of them is still there afterwards: a journal left behind could roll a new
// file of that name back.
bool removeWorkspaceFiles(FileOperations& files, const std::string& path, std::string& reason) {
    std::vector<std::string> paths{path};
    for (const char* suffix : FileOperations::companionSuffixes)
        paths.push_back(path + suffix);
    for (const auto& p : paths) {
        if (!files.fileExists(p))
            continue;
        std::error_code ec;
        if (files.removeItem(p, ec))
            continue;
        reason = ec.message();
        foundation::log(formatText("Unable to delete file: %@", {p + ": " + reason}));
        return false;
    }
    return true;
}

// The process id in a temporary import's name, or nothing for any other name.
std::optional<long> temporaryImportPid(const std::string& name) {
    if (!name.starts_with(kTemporaryPrefix))
        return std::nullopt;
    const std::string rest = name.substr(std::string_view(kTemporaryPrefix).size());
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || rest.find_first_not_of("0123456789") != dash)
        return std::nullopt;
    try {
        return std::stol(rest.substr(0, dash));
    } catch (...) {
        return std::nullopt;
    }
}

bool processRuns(long pid) {
    if (pid <= 0)
        return false;
    // A process of another user answers EPERM: it runs.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

// --- requests

void FilesViewController::importURL(const std::string& url) {
    urlToOpen_ = url;
    // The sheet is shown over this tab: it must be the one on screen.
    if (auto* tabs = tabBarController())
        tabs->setSelectedIndex(0);
    if (presentedViewController()) {
        // A sheet or a running import is shown; the file waits in the list.
        foundation::log("Cannot offer " + url + " for import while another screen is shown");
        return;
    }
    performSegueWithIdentifier("import");
}

std::optional<std::string> FilesViewController::closeOpenWorkspace() {
    auto open = model_->currentStore();
    model_->saveContext();
    model_->closeStores();
    return open;
}

void FilesViewController::reopenPrevious() {
    if (previousWorkspace_ && files_.fileExists(*previousWorkspace_))
        model_->openStore(*previousWorkspace_);
    labelFileInfo_->setText(model_->statusLine());
    refreshTabs();
}

void FilesViewController::presentAlert(const std::string& title, const std::string& message) {
    auto alert = std::make_shared<ui::AlertController>(title, message, ui::AlertControllerStyle::Alert);
    alert->addAction({tr("OK"), ui::AlertActionStyle::Cancel, {}});
    // Over the tab bar, and over whatever it presents, so that the alert shows whichever tab is selected.
    ui::ViewController* from = tabBarController() ? static_cast<ui::ViewController*>(tabBarController()) : this;
    while (from->presentedViewController())
        from = from->presentedViewController();
    from->presentViewController(alert, true);
}

void FilesViewController::showOpenedWorkspace() {
    labelFileInfo_->setText(model_->statusLine());
    refreshTabs();
    if (auto* tabs = tabBarController())
        tabs->setSelectedIndex(1);
}

void FilesViewController::createEmptyWorkspace(const std::string& urlOut) {
    previousWorkspace_ = closeOpenWorkspace();
    std::string reason;
    if (!removeWorkspaceFiles(files_, urlOut, reason)) {
        reopenPrevious();
        presentAlert(tr("Could Not Create Workspace"), reason);
        return;
    }
    // A Model of its own on the shared coordinator, which the shared side no longer uses.
    Model temporary;
    const auto coordinator = model_->persistentStoreCoordinator();
    temporary.setPersistentStoreCoordinator(coordinator);
    temporary.setManagedObjectContext(std::make_shared<store::Context>(coordinator));
    temporary.openStore(urlOut);
    const auto url = temporary.currentStore();
    if (!url) {
        reopenPrevious();
        presentAlert(tr("Could Not Create Workspace"), formatText(tr("%@ could not be written."), {urlOut}));
        return;
    }
    FileImporter importer;
    importer.setModel(&temporary);
    importer.createEmptyWorkspaceWithRows(10, 3);
    temporary.saveContext();
    temporary.closeStores();

    model_->openStore(*url);
    // Set before the tab is shown, so that the Browse screen starts in edit mode as it appears.
    if (auto* tabs = tabBarController(); tabs && tabs->viewControllers().size() > 1)
        if (auto* nav = dynamic_cast<ui::NavigationController*>(tabs->viewControllers()[1].get());
            nav && !nav->viewControllers().empty())
            if (auto* browse = dynamic_cast<BrowseViewController*>(nav->viewControllers().front().get()))
                browse->setIsInitialEdit(true);
    showOpenedWorkspace();
}

void FilesViewController::copyExampleWorkspace(const std::string& urlOut) {
    previousWorkspace_ = closeOpenWorkspace();
    std::string reason;
    std::error_code ec;
    if (!removeWorkspaceFiles(files_, urlOut, reason)) {
        reopenPrevious();
        presentAlert(tr("Could Not Create Workspace"), reason);
        return;
    }
    if (!files_.copyItem(exampleResource(), urlOut, ec)) {
        foundation::log(formatText("%@", {ec.message()}));
        reopenPrevious();
        presentAlert(tr("Could Not Create Workspace"), ec.message());
        return;
    }
    model_->openStore(urlOut);
    showOpenedWorkspace();
}

void FilesViewController::createWorkspace(const std::string& urlOut, const std::string& fromText, bool withHeader,
                                          std::uint64_t sheet, std::uint16_t delim, const std::string& decimal) {
    previousWorkspace_ = closeOpenWorkspace();
    const std::string input = moveFromInbox(fromText);
    importTemporary_ = (fs::path(applicationDocumentsDirectory()) /
                        temporaryImportName(static_cast<long>(::getpid()), ++importCounter))
                           .string();
    std::string ignored;
    removeWorkspaceFiles(files_, importTemporary_, ignored);
    importParams_ = ImportParams{urlOut, input, withHeader, sheet, delim, decimal};
    performSegueWithIdentifier("status");
}

// --- the import worker

void FilesViewController::beginImport() {
    if (!importParams_ || importTemporary_.empty())
        return;
    const ImportParams params = *importParams_;
    const std::string out = importTemporary_;
    importCompleted_ = false;
    auto background = std::make_shared<Model>();
    bgModel_ = background;
    dispatch::globalQueue(dispatch::Priority::high).async([this, background, params, out] {
        // A coordinator of the import's own: nothing of it is shared with the main side.
        auto coordinator = std::make_shared<store::Coordinator>(Model::managedObjectModel());
        background->setPersistentStoreCoordinator(coordinator);
        background->setManagedObjectContext(std::make_shared<store::Context>(coordinator));
        background->openStore(out);
        if (!background->currentStore()) {
            finishImport(*background, FileImporter::codeUnreadableFile, "");
            return;
        }
        // The file is not the user's until the import ends: saves need not wait for the disk.
        background->setWritesWithoutSync(true);
        FileImporter importer;
        importer.setModel(background.get());
        importer.setDelegate(this);
        importer.createWorkspaceFromText(params.urlIn, params.hasHeader, params.sheet, params.delim,
                                         params.decimalSeparator);
        // The importer always ends with its completion; should it not, the import still ends.
        if (!importCompleted_)
            finishImport(*background, FileImporter::codeUnreadableFile, "");
    });
}

FileImportViewController* FilesViewController::statusScreen() const {
    return dynamic_cast<FileImportViewController*>(presentedViewController());
}

void FilesViewController::reportStatus(std::string text) {
    dispatch::mainQueue().sync([this, &text] {
        if (auto* status = statusScreen())
            status->showStatus(text);
    });
}

void FilesViewController::importerDidStartDocument(FileImporter&, const std::string&) {
    foundation::log("Parser started!");
    dispatch::mainQueue().sync([this] { startImport(); });
}

void FilesViewController::importerDidCompleteLineNumber(FileImporter& importer, std::uint64_t row, std::uint64_t) {
    Model& model = *importer.model();
    model.saveContext();
    model.managedObjectContext()->reset();
    reportStatus(formatText(tr("Importing file. %u rows read."), {std::to_string(row)}));
}

void FilesViewController::importerDidCompleteParsing(FileImporter& importer, const std::string&) {
    importer.model()->saveContext();
    reportStatus(tr("Determining Variable Types..."));
}

void FilesViewController::importerWillAnalyzeColumnNamed(FileImporter& importer, const std::string& name) {
    Model& model = *importer.model();
    model.saveContext();
    model.managedObjectContext()->reset();
    reportStatus(formatText(tr("Processing variable %@"), {name}));
}

void FilesViewController::importerDidCompleteDocument(FileImporter& importer, const std::string&,
                                                      const ImportError& error) {
    const auto limit = error.userInfo.find("limit");
    finishImport(*importer.model(), error.code, limit == error.userInfo.end() ? "" : limit->second);
}

void FilesViewController::finishImport(Model& model, int code, std::string limit) {
    importCompleted_ = true;
    model.saveContext();
    ImportOutcome outcome{code, std::move(limit), model.currentStore().value_or("")};
    // One flush of the whole file, now that it is whole.
    model.setWritesWithoutSync(false);
    model.closeStores();
    // Closing the stores only takes the file from the coordinator: the context's connection stays open
    // until the context looks again. It is closed here, before the main side removes or renames the file,
    // so that nothing of this import can ever write under the temporary name again (a journal of a late
    // write would be left behind in the documents folder).
    if (auto context = model.managedObjectContext())
        context->reset();
    dispatch::mainQueue().sync([this, &outcome] { endImport(outcome); });
}

void FilesViewController::startImport() {
    auto* status = statusScreen();
    if (!status)
        return;
    status->activityStatus().startAnimating();
    status->showStatus(tr("Importing file..."));
}

void FilesViewController::endImport(const ImportOutcome& outcome) {
    foundation::log("Import ended with code " + std::to_string(outcome.code) +
                    (outcome.limit.empty() ? std::string() : " (limit: " + outcome.limit + ")"));
    const bool complete = outcome.code == FileImporter::codeNormalEnd || outcome.code == FileImporter::codeLimitReached;
    // A delimiter error ends an import whose rows before it were stored: it is kept too.
    const bool stored = complete || outcome.code == 1;
    if (auto* status = statusScreen()) {
        status->activityStatus().stopAnimating();
        status->showStatus(complete ? tr("Successfully created new workspace.") : tr("Error While Importing"));
    }

    std::string title, message;
    if (outcome.code == FileImporter::codeLimitReached && outcome.limit == "columns") {
        title = tr("Column Limit Reached");
        message = tr("Successfully created new workspace. Only the first 500 columns were imported so that we "
                     "don't run out of memory.");
    } else if (outcome.code == FileImporter::codeLimitReached && outcome.limit == "columns,rows") {
        title = tr("Row and Column Limits Reached");
        message = tr("Successfully created new workspace. Only the first 500 columns were imported, and importing "
                     "stopped after 100,000 rows, so that we don't run out of memory.");
    } else if (outcome.code == FileImporter::codeLimitReached) {
        title = tr("Row Limit Reached");
        message = tr("Successfully created new workspace. Importing stopped after 100,000 rows so that we don't run "
                     "out of memory.");
    } else if (outcome.code != FileImporter::codeNormalEnd) {
        title = tr("Error While Importing");
        message = tr("Some rows and columns may be missing, or wrong delimiter may have been used.");
    }

    const std::string urlOut = importParams_ ? importParams_->urlOut : std::string();
    bool opened = false;
    if (stored && !outcome.url.empty() && !urlOut.empty()) {
        // The old workspace goes only now, with every store of it closed, and the new one takes its name.
        std::string reason;
        std::error_code ec;
        if (!removeWorkspaceFiles(files_, urlOut, reason)) {
            title = tr("Could Not Create Workspace");
            message = reason;
        } else if (!files_.moveItem(outcome.url, urlOut, ec)) {
            foundation::log("Unable to move " + outcome.url + " to " + urlOut + ": " + ec.message());
            title = tr("Could Not Create Workspace");
            message = ec.message();
        } else {
            model_->openStore(urlOut);
            opened = model_->currentStore().has_value();
        }
    }
    if (!outcome.url.empty()) {
        std::string ignored;
        removeWorkspaceFiles(files_, outcome.url, ignored);
    }
    if (opened)
        labelFileInfo_->setText(model_->statusLine());
    else
        reopenPrevious();
    removeEmptyInbox();

    // The alert is raised once the status screen has gone, so that it is not taken away with it.
    auto raise = [weak = weak_from_this(), title, message] {
        auto self = std::static_pointer_cast<FilesViewController>(weak.lock());
        if (self && !title.empty())
            self->presentAlert(title, message);
    };
    if (statusScreen())
        dismissViewController(true, raise);
    else
        raise();
    if (opened)
        showOpenedWorkspace();
}

// --- temporary files

std::string FilesViewController::temporaryImportName(long pid, unsigned counter) {
    return kTemporaryPrefix + std::to_string(pid) + "-" + std::to_string(counter) + ".ov";
}

void FilesViewController::removeStaleImports() {
    std::error_code ec;
    for (const auto& path : files_.contentsOfDirectory(applicationDocumentsDirectory(), ec)) {
        const auto pid = temporaryImportPid(fs::path(path).filename().string());
        if (!pid || processRuns(*pid))
            continue;
        std::error_code removal;
        if (!files_.removeItem(path, removal))
            foundation::log(formatText("Unable to delete file: %@", {path + ": " + removal.message()}));
    }
}
