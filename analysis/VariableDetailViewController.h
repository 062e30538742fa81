// The detail page of one variable as the Variables screen's pager shows it: for now its name, its type
// and the arrows that say whether a page lies before or after it.
#pragma once

#include "app/VariableDetailPage.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"

class VariableDetailViewController : public ui::ViewController, public VariableDetailPage {
  public:
    void setModel(Model* model) override { model_ = model; }
    void setObjectIDColumn(store::ObjectId id) override { objectIDColumn_ = id; }
    void setHideLeftArrow(bool hide) override { hideLeftArrow_ = hide; }
    void setHideRightArrow(bool hide) override { hideRightArrow_ = hide; }
    std::shared_ptr<Column> column() const override { return column_; }
    Model* model() const { return model_; }
    store::ObjectId objectIDColumn() const { return objectIDColumn_; }
    bool hideLeftArrow() const { return hideLeftArrow_; }
    bool hideRightArrow() const { return hideRightArrow_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    ui::Label& labelName() { return *labelName_; }
    ui::Label& labelType() { return *labelType_; }
    ui::Label& labelLeft() { return *labelLeft_; }
    ui::Label& labelRight() { return *labelRight_; }

  private:
    Model* model_ = nullptr;
    store::ObjectId objectIDColumn_;
    bool hideLeftArrow_ = false;
    bool hideRightArrow_ = false;
    std::shared_ptr<Column> column_;
    std::shared_ptr<ui::Label> labelName_, labelType_, labelLeft_, labelRight_;
};
