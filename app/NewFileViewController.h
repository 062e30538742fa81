// The create-workspace sheet, shown in a navigation controller by the Workspaces screen's segues
// "newBlank", "example" and "import": what it is asked to create and for whom.
#pragma once

#include "platform/ui/ViewController.h"

#include <string>

class FilesViewController;
class Model;

class NewFileViewController : public ui::ViewController {
  public:
    // The source: the data file, the blank text resource, or the example workspace resource.
    const std::string& url() const { return url_; }
    void setUrl(std::string url) { url_ = std::move(url); }
    Model* model() const { return model_; }
    void setModel(Model* model) { model_ = model; }
    // The screen that carries out the request (not owned: it is a tab and outlives the sheet).
    FilesViewController* filesViewController() const { return filesViewController_; }
    void setFilesViewController(FilesViewController* controller) { filesViewController_ = controller; }
    // Which request this is; neither: an import.
    bool isBlank() const { return isBlank_; }
    void setIsBlank(bool on) { isBlank_ = on; }
    bool isExample() const { return isExample_; }
    void setIsExample(bool on) { isExample_ = on; }

  private:
    std::string url_;
    Model* model_ = nullptr;
    FilesViewController* filesViewController_ = nullptr;
    bool isBlank_ = false;
    bool isExample_ = false;
};
