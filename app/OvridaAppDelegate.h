// The application delegate: styles the bars and titles the tabs at launch, routes files handed over by
// other apps to the Workspaces screen, shows the store-error alert, and saves when the app ends.
#pragma once

#include "app/FileOperations.h"
#include "platform/foundation/Dispatch.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <deque>
#include <map>
#include <memory>
#include <string>

class FilesViewController;
class BrowseViewController;

class OvridaAppDelegate {
  public:
    using Options = std::map<std::string, std::string>;

    explicit OvridaAppDelegate(FileOperations& files = FileOperations::standard());
    ~OvridaAppDelegate();
    OvridaAppDelegate(const OvridaAppDelegate&) = delete;
    OvridaAppDelegate& operator=(const OvridaAppDelegate&) = delete;

    // The window whose root is the tab-bar controller (owned by the host).
    ui::Window* window() const { return window_; }
    void setWindow(ui::Window* window) { window_ = window; }

    // --- the life cycle
    // Styles the tab bar (white 0.95) and every navigation bar (white 0.9), titles the five tabs.
    bool applicationDidFinishLaunchingWithOptions();
    // Workspaces first; an "ov" file is opened as the workspace, anything else goes to the
    // create-workspace sheet. Never refuses.
    bool applicationOpenURL(const std::string& url, const Options& options);
    // Once: Browse's edits are settled, then the shared Model saves what changed.
    void applicationWillTerminate();
    void applicationWillResignActive() {}
    void applicationDidEnterBackground() {}
    void applicationWillEnterForeground() {}
    void applicationDidBecomeActive() {}

    // --- files handed over (named on the command line, dropped on the window, opened with the app)
    // The file is copied into the documents folder's "Inbox" off the main thread, so that the user's
    // original is never moved or changed, then routed through applicationOpenURL once the app is not
    // busy. Hand-overs keep their order.
    void handOver(const std::string& path, const std::string& source);
    // Hand-overs copied or being copied that have not been routed yet.
    size_t pendingHandOvers() const { return pending_.size(); }
    // Whether a hand-over is still being copied.
    bool copyingHandOvers() const;
    // Busy: not launched or the Workspaces screen not loaded yet, something presented anywhere, or a tab
    // disabled (Browse editing, processing or exporting).
    bool isBusy() const;

    // --- the store-error alert
    // Makes showStoreErrorAlert the Model's store-error hook (from any thread; shown on the main thread).
    void installStoreErrorHandler();
    // "Error!" over the front-most presented controller; while one shows, further errors are only logged.
    void showStoreErrorAlert();

    // --- the tabs
    ui::TabBarController* tabBarController() const;
    FilesViewController* filesViewController() const;
    BrowseViewController* browseViewController() const;

    // Where a handed-over file is routed from: a copy in the documents folder's "Inbox" ("name-N.ext"
    // when the name is taken there), the path itself for a file already directly in the documents
    // folder or for a path that is not a readable regular file. Empty when the copy failed.
    static std::string copyIntoInbox(const std::string& path, const std::string& documents, FileOperations& files);

  private:
    struct HandOver {
        std::string path;   // as given
        std::string routed; // what applicationOpenURL gets, once copied
        std::string source;
        bool ready = false;
    };
    void routePending();
    void updatePoll();

    FileOperations& files_;
    ui::Window* window_ = nullptr;
    bool launched_ = false;
    bool terminated_ = false;
    std::deque<std::shared_ptr<HandOver>> pending_;
    std::shared_ptr<dispatch::Queue> copies_;
    std::shared_ptr<dispatch::TimerSource> poll_;
    std::weak_ptr<ui::ViewController> storeAlert_;
    // Cleared when the delegate goes: work finishing later on the main queue then does nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
