// The application delegate's launch, hand-over routing, store-error alert and termination.
#include "app/OvridaAppDelegate.h"

#include "app/BrowseViewController.h"
#include "app/FilesViewController.h"
#include "model/Model.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"
#include "platform/ui/Environment.h"

#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;
using foundation::tr;

namespace {

constexpr double kPollInterval = 0.25;

// The controller a new modal goes over: the last one presented, found through the children shown and
// their presentations; null when nothing is presented.
ui::ViewController* lastPresented(ui::ViewController& controller) {
    if (ui::ViewController* presented = controller.presentedViewController()) {
        ui::ViewController* deeper = lastPresented(*presented);
        return deeper ? deeper : presented;
    }
    for (const auto& child : controller.childViewControllers())
        if (ui::ViewController* found = lastPresented(*child))
            return found;
    return nullptr;
}

std::string describe(const OvridaAppDelegate::Options& options) {
    std::string text = "{\n";
    for (const auto& [key, value] : options)
        text += "    " + key + " = \"" + value + "\";\n";
    return text + "}";
}

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

} // namespace

OvridaAppDelegate::OvridaAppDelegate(FileOperations& files)
    : files_(files), copies_(dispatch::makeSerialQueue("hand-over copies")) {}

OvridaAppDelegate::~OvridaAppDelegate() {
    *alive_ = false;
    if (poll_)
        poll_->cancel();
}

ui::TabBarController* OvridaAppDelegate::tabBarController() const {
    return window_ ? dynamic_cast<ui::TabBarController*>(window_->rootViewController()) : nullptr;
}

FilesViewController* OvridaAppDelegate::filesViewController() const {
    ui::TabBarController* tabs = tabBarController();
    if (!tabs || tabs->viewControllers().empty())
        return nullptr;
    return dynamic_cast<FilesViewController*>(tabs->viewControllers()[0].get());
}

BrowseViewController* OvridaAppDelegate::browseViewController() const {
    ui::TabBarController* tabs = tabBarController();
    if (!tabs || tabs->viewControllers().size() < 2)
        return nullptr;
    auto* nav = dynamic_cast<ui::NavigationController*>(tabs->viewControllers()[1].get());
    if (!nav || nav->viewControllers().empty())
        return nullptr;
    return dynamic_cast<BrowseViewController*>(nav->viewControllers().front().get());
}

bool OvridaAppDelegate::applicationDidFinishLaunchingWithOptions() {
    ui::TabBarController* tabs = tabBarController();
    // There is no OS version to ask: the bars always take the app's opaque colours.
    ui::NavigationController::setDefaultBarBackgroundColor(ui::Color::gray(0.9));
    if (tabs) {
        tabs->tabBar().setBackgroundColor(ui::Color::gray(0.95));
    }
    launched_ = true;
    updatePoll();
    return true;
}

bool OvridaAppDelegate::applicationOpenURL(const std::string& url, const Options& options) {
    foundation::log("Open URL:\tfile://" + url + "\nWith options:\t" + describe(options) + "\n");
    ui::TabBarController* tabs = tabBarController();
    if (tabs)
        tabs->setSelectedIndex(0);
    FilesViewController* files = filesViewController();
    if (!files)
        return true;
    if (fs::path(url).extension() == ".ov") {
        files->setUrlToOpen(url);
        files->buttonOpen(nullptr);
    } else {
        files->importURL(url);
    }
    return true;
}

void OvridaAppDelegate::applicationWillTerminate() {
    if (terminated_)
        return;
    terminated_ = true;
    if (BrowseViewController* browse = browseViewController())
        browse->prepareForTermination();
    Model::sharedModel().saveContext();
}

// --- hand-overs

std::string OvridaAppDelegate::copyIntoInbox(const std::string& path, const std::string& documents,
                                             FileOperations& files) {
    std::error_code ec;
    const fs::path file(path);
    if (!fs::is_regular_file(file, ec) || ::access(path.c_str(), R_OK) != 0)
        return path;
    if (sameFolder(fs::absolute(file).parent_path(), documents))
        return path;
    const fs::path inbox = fs::path(documents) / "Inbox";
    if (!files.createDirectory(inbox.string(), ec)) {
        foundation::log("Unable to create the Inbox: " + ec.message());
        return {};
    }
    const std::string stem = file.stem().string(), extension = file.extension().string();
    for (int n = 0;; ++n) {
        fs::path target = inbox / (n == 0 ? file.filename().string() : stem + "-" + std::to_string(n) + extension);
        ec.clear();
        if (files.copyItem(path, target.string(), ec))
            return target.string();
        if (!files.fileExists(target.string())) {
            foundation::log("Unable to copy " + path + ": " + ec.message());
            return {};
        }
    }
}

void OvridaAppDelegate::handOver(const std::string& path, const std::string& source) {
    auto item = std::make_shared<HandOver>();
    item->path = fs::absolute(path).lexically_normal().string();
    item->source = source;
    pending_.push_back(item);
    const std::string documents = ui::Environment::shared().documentsFolder;
    copies_->async([this, item, documents, alive = std::weak_ptr<bool>(alive_)] {
        std::string routed = copyIntoInbox(item->path, documents, files_);
        dispatch::mainQueue().async([this, item, routed, alive] {
            if (alive.expired())
                return;
            item->routed = routed;
            item->ready = true;
            routePending();
        });
    });
    updatePoll();
}

bool OvridaAppDelegate::copyingHandOvers() const {
    for (const auto& item : pending_)
        if (!item->ready)
            return true;
    return false;
}

bool OvridaAppDelegate::isBusy() const {
    ui::TabBarController* tabs = tabBarController();
    FilesViewController* files = filesViewController();
    // At the start, until the window shows the tabs and the Workspaces screen has loaded.
    if (!launched_ || !tabs || !tabs->isViewLoaded() || !tabs->view().window() || !files || !files->isViewLoaded())
        return true;
    if (lastPresented(*tabs))
        return true;
    for (const auto& controller : tabs->viewControllers())
        if (!controller->tabBarItem().enabled)
            return true;
    return false;
}

void OvridaAppDelegate::routePending() {
    while (!pending_.empty() && pending_.front()->ready && !isBusy()) {
        auto item = pending_.front();
        pending_.pop_front();
        if (item->routed.empty())
            continue; // the copy failed (logged): the original is left alone
        applicationOpenURL(item->routed, {{"source", item->source}});
    }
    updatePoll();
}

// While hand-overs wait for the app, it is asked again at short intervals whether it is free.
void OvridaAppDelegate::updatePoll() {
    if (pending_.empty()) {
        if (poll_)
            poll_->cancel();
        poll_.reset();
        return;
    }
    if (poll_ || !launched_)
        return;
    poll_ = std::make_shared<dispatch::TimerSource>(dispatch::mainQueue(), kPollInterval,
                                                    [this, alive = std::weak_ptr<bool>(alive_)] {
                                                        if (!alive.expired())
                                                            routePending();
                                                    });
    poll_->resume();
}

// --- the store-error alert

void OvridaAppDelegate::installStoreErrorHandler() {
    Model::setStoreErrorHandler([this, alive = std::weak_ptr<bool>(alive_)] {
        dispatch::mainQueue().async([this, alive] {
            if (!alive.expired())
                showStoreErrorAlert();
        });
    });
}

void OvridaAppDelegate::showStoreErrorAlert() {
    if (auto shown = storeAlert_.lock(); shown && shown->presentingViewController()) {
        foundation::log("Another store error while its alert is shown");
        return;
    }
    ui::ViewController* root = window_ ? window_->rootViewController() : nullptr;
    if (!root)
        return;
    ui::ViewController* front = lastPresented(*root);
    auto alert = std::make_shared<ui::AlertController>(
        tr("Error!"), tr("Ovrida can't continue.\nPlease close Ovrida and start it again."),
        ui::AlertControllerStyle::Alert);
    alert->addAction({tr("OK"), ui::AlertActionStyle::Default, {}});
    (front ? front : root)->presentViewController(alert, true);
    storeAlert_ = alert;
}
