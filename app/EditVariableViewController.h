// The "Add Variable" screen: derives a new variable from one or two Numeric variables and a constant,
// or generates one, after the user has picked a transformation, its inputs and a name. The display is
// derived wholly from the state on every refresh; the column is computed on a background Model.
#pragma once

#include "model/Model.h"
#include "platform/foundation/Decimal.h"
#include "platform/ui/Control.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class EditVariableViewController : public ui::ViewController,
                                   public ui::TableViewDataSource,
                                   public ui::TableViewDelegate {
  public:
    EditVariableViewController();

    void setModel(Model* model) { model_ = model; }
    Model* model() const { return model_; }
    unsigned equation() const { return equation_; }
    unsigned category() const { return category_; }
    const std::shared_ptr<Column>& column() const { return column_; }
    const std::shared_ptr<Column>& columnY() const { return columnY_; }
    const std::optional<foundation::Decimal>& scalarC() const { return scalarC_; }
    const std::string& nameNewVar() const { return nameNewVar_; }
    // After create: the inputs stay disabled until the screen is gone.
    bool isComputing() const { return computing_; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // Actions; each takes the control that sent it.
    void showTransformCat(ui::Control& sender);
    void chooseTransformation(ui::Control& sender);
    void chooseVariable(ui::Control& sender);
    void changeName(ui::Control& sender);
    void changeConstant(ui::Control& sender);
    void dismissKeyboard(ui::Control& sender);
    void create(ui::Control& sender);

    // The variable chooser: the Numeric columns, fetched afresh for each call.
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

    // For tests: runs on the worker before the new column is computed (a test holds it at a latch).
    void setComputationWillStart(std::function<void()> hook) { computationWillStart_ = std::move(hook); }

    // Outlets.
    ui::ActivityIndicatorView& activityIndicator() { return *activityIndicator_; }
    ui::Label& labelPreview() { return *labelPreview_; }
    ui::Label& labelStatusMessage() { return *labelStatusMessage_; }
    ui::Label& labelNote() { return *labelNote_; }
    ui::TextField& fieldName() { return *fieldName_; }
    ui::TextField& fieldConstantC() { return *fieldConstantC_; }
    ui::Button& buttonCreate() { return *buttonCreate_; }
    ui::Button& buttonVariable() { return *buttonVariable_; }
    ui::Button& buttonVariableY() { return *buttonVariableY_; }
    // In the order buttonTransformLog, Log1, Ln, Ln1, Square, Cube, Sqrt, Arcsin.
    ui::Button& slotButton(size_t index) { return *slots_[index]; }
    // In the order of the categories 0-5.
    ui::Button& categoryButton(size_t index) { return *categories_[index]; }

  private:
    void layoutScreen();
    void refresh();
    void refreshOnNextTurn();
    void setInputsEnabled(bool on);

    Model* model_ = nullptr;
    unsigned equation_ = 300;
    unsigned category_ = 0;
    std::shared_ptr<Column> column_, columnY_;
    std::optional<foundation::Decimal> scalarC_;
    std::string nameNewVar_;
    bool computing_ = false;
    std::function<void()> computationWillStart_;

    std::shared_ptr<ui::ScrollView> scroll_;
    std::shared_ptr<ui::ActivityIndicatorView> activityIndicator_;
    std::shared_ptr<ui::Label> labelPreview_, labelStatusMessage_, labelNote_, labelNewName_,
        labelChooseVariable_, labelChooseVariableY_, labelChooseTransform_, labelCurrentTransform_,
        chooseConstantC_;
    std::shared_ptr<ui::TextField> fieldName_, fieldConstantC_;
    std::shared_ptr<ui::Button> buttonCreate_, buttonVariable_, buttonVariableY_;
    std::array<std::shared_ptr<ui::Button>, 8> slots_;
    std::array<std::shared_ptr<ui::Button>, 6> categories_;
    std::shared_ptr<ui::View> viewChooseVariables_, viewCats_, viewChooseTransformations_, viewOutput_;
};
