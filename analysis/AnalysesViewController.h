// The Analysis tab's list of saved analyses, newest first: each row names the kind of analysis, its
// variables and its filter. Fetched again on every appearance, so it follows any change of workspace.
#pragma once

#include "model/Model.h"
#include "platform/ui/TableViewController.h"

#include <memory>
#include <vector>

class AnalysesViewController : public ui::TableViewController {
  public:
    AnalysesViewController();

    void setModel(Model* model) { model_ = model; }
    Model* model() const { return model_; }
    const std::vector<std::shared_ptr<Analysis>>& analyses() const { return analyses_; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;

  private:
    Model* model_;
    std::vector<std::shared_ptr<Analysis>> analyses_;
};
