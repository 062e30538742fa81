// The editor of one column's filter condition: an operator among those that suit the column's type, and
// a constant typed with the column's levels as suggestions, or for "IN" a set of levels chosen from a
// list. Apply and Clear hand the condition to the delegate and close the popover the editor is in.
#pragma once

#include "app/ColumnLevelChooser.h"
#include "controls/MLPAutoCompleteTextField.h"
#include "model/Model.h"
#include "platform/ui/Control.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Spelled so by the screens that implement it.
class WhereColumnViewControllerDelgate {
  public:
    virtual ~WhereColumnViewControllerDelgate() = default;
    virtual void where(const WhereClauseObj& clause) = 0;
};

class WhereColumnViewController : public ui::ViewController,
                                  public MLPAutoCompleteTextFieldDataSource,
                                  public ColumnLevelChooserDelegate,
                                  private ui::GestureRecognizerDelegate {
  public:
    // The controller identifier the filter list and the Browse screen make the editor by.
    static constexpr const char* Identifier = "WhereColumn";

    WhereColumnViewController() = default;

    // --- Set by the caller before the editor shows.
    // Not owned: the screen that shows the editor receives its answer.
    WhereColumnViewControllerDelgate* delegate() const { return delegate_; }
    void setDelegate(WhereColumnViewControllerDelgate* delegate) { delegate_ = delegate; }
    Model* model() const { return model_; }
    void setModel(Model* model) { model_ = model; }
    const std::shared_ptr<Column>& column() const { return column_; }
    void setColumn(std::shared_ptr<Column> column) { column_ = std::move(column); }
    // The constant (operators other than "IN"); nothing is no constant.
    const std::optional<std::string>& matches() const { return matches_; }
    void setMatches(std::optional<std::string> matches) { matches_ = std::move(matches); }
    // The operator; nothing, or one the column's type does not offer, selects the first offered.
    std::optional<uint64_t> opType() const { return opType_; }
    void setOpType(std::optional<uint64_t> op) { opType_ = op; }
    // The levels of "IN".
    const std::set<std::string>& matchMultiple() const { return matchMultiple_; }
    void setMatchMultiple(std::set<std::string> levels) { matchMultiple_ = std::move(levels); }

    // The operators offered for a column type, in the order of the segments.
    static std::vector<uint64_t> opTypesForVariableType(int64_t type);

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // --- Actions, each with the control that sent it.
    void apply(ui::Control& sender);
    void clear(ui::Control& sender);
    void chooseLevels(ui::Control& sender);
    void changeCriteria(ui::Control& sender);
    // On every edit of the constant and when its editing ends (a picked suggestion ends editing).
    void enterConstant(ui::Control& sender);
    // A tap outside the field.
    void dismissKeyboard(ui::View& sender);
    // The condition to the delegate, then the popover closes.
    void callDelegate();

    // --- The level chooser's answer.
    void choseLevels(const std::set<std::string>& levels) override;

    // --- Suggestions for the constant: the column's levels containing the typed text (ignoring case),
    // read on a background Model and answered on its thread.
    bool autoCompleteTextFieldPossibleCompletionsForStringCompletionHandler(
        MLPAutoCompleteTextField& field, const std::string& string, CompletionHandler handler) override;

    // --- Outlets.
    ui::Label& labelColumn() { return *labelColumn_; }
    ui::Label& labelColumnSmall() { return *labelColumnSmall_; }
    MLPAutoCompleteTextField& fieldConstant() { return *fieldConstant_; }
    ui::View& viewHeadline() { return *viewHeadline_; }
    ui::SegmentedControl& segmentOperator() { return *segmentOperator_; }
    ui::Label& labelPredicate() { return *labelPredicate_; }
    ui::Button& buttonApply() { return *buttonApply_; }
    ui::Button& buttonClear() { return *buttonClear_; }
    ui::Button& buttonLevels() { return *buttonLevels_; }

  private:
    // Shows the condition in words and the field or the levels button, and enables Apply.
    void showState();
    bool conditionIsAbsent() const;
    bool applyIsValid();
    void layoutScreen();
    bool gestureRecognizerShouldReceiveTouch(ui::GestureRecognizer& recognizer,
                                             const ui::Touch& touch) override;

    WhereColumnViewControllerDelgate* delegate_ = nullptr;
    Model* model_ = nullptr;
    std::shared_ptr<Column> column_;
    std::optional<std::string> matches_;
    std::optional<uint64_t> opType_;
    std::set<std::string> matchMultiple_;
    std::vector<uint64_t> ops_;
    // What the background search needs, taken on the main thread when the view loads.
    int64_t colNum_ = -1;
    std::shared_ptr<store::Coordinator> coordinator_;

    std::shared_ptr<ui::Label> labelColumn_, labelColumnSmall_, labelPredicate_;
    std::shared_ptr<MLPAutoCompleteTextField> fieldConstant_;
    std::shared_ptr<ui::View> viewHeadline_;
    std::shared_ptr<ui::SegmentedControl> segmentOperator_;
    std::shared_ptr<ui::Button> buttonApply_, buttonClear_, buttonLevels_;
    std::shared_ptr<ui::TapGestureRecognizer> tapOutside_;
};

// Makes the editor known under its controller identifier (idempotent).
void registerWhereScreens();
