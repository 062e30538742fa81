// The import's status screen, presented by the Workspaces screen's segue "status" while an import runs:
// a label that the import's progress writes and an activity indicator. The import starts only once this
// screen is on screen.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"

#include <memory>
#include <string>

class FilesViewController;

class FileImportViewController : public ui::ViewController {
  public:
    // The screen that runs the import (not owned: it is a tab and outlives this screen).
    FilesViewController* filesViewController() const { return filesViewController_; }
    void setFilesViewController(FilesViewController* controller) { filesViewController_ = controller; }

    ui::Label& labelStatus() { return *labelStatus_; }
    ui::ActivityIndicatorView& activityStatus() { return *activityStatus_; }
    // Writes the status label; every report of the import comes through here.
    virtual void showStatus(const std::string& text);

    void loadView() override;
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;

  private:
    void layoutScreen();

    FilesViewController* filesViewController_ = nullptr;
    std::shared_ptr<ui::Label> labelStatus_;
    std::shared_ptr<ui::ActivityIndicatorView> activityStatus_;
    bool began_ = false;
};
