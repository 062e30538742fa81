// The import's status screen, presented by the Workspaces screen's segue "status" while an import runs.
#pragma once

#include "platform/ui/ViewController.h"

class FilesViewController;

class FileImportViewController : public ui::ViewController {
  public:
    // The screen that runs the import (not owned: it is a tab and outlives this screen).
    FilesViewController* filesViewController() const { return filesViewController_; }
    void setFilesViewController(FilesViewController* controller) { filesViewController_ = controller; }

  private:
    FilesViewController* filesViewController_ = nullptr;
};
