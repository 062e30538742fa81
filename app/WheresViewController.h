// The list of the conditions of one filter, joined by AND: an analysis's stored clauses (its first or
// second sample's) or a free set of clauses in memory shared with its owner. Adds clauses through the
// column picker and the one-column editor, edits them and deletes them; an analysis's changes are saved
// at once, a free set is changed in place.
#pragma once

#include "app/ColumnPickerViewController.h"
#include "app/WhereColumnViewController.h"
#include "model/Model.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/TableViewController.h"

#include <memory>
#include <set>
#include <variant>
#include <vector>

// A free set holds its clauses by identity: two equal clauses are two members.
using WhereClauseSet = std::set<std::shared_ptr<WhereClauseObj>>;

class WheresViewController : public ui::TableViewController,
                             public ColumnPickerDelegate,
                             public WhereColumnViewControllerDelgate {
  public:
    // A row of the list: a stored clause of the analysis or a member of the free set.
    using Clause = std::variant<std::shared_ptr<WhereClause>, std::shared_ptr<WhereClauseObj>>;

    explicit WheresViewController(ui::TableViewStyle style = ui::TableViewStyle::Plain);

    const std::vector<Clause>& wheres() const { return wheres_; }
    const std::shared_ptr<WhereClause>& selectedWhere() const { return selectedWhere_; }
    const std::shared_ptr<WhereClauseObj>& selectedWhereDict() const { return selectedWhereDict_; }
    const std::shared_ptr<Analysis>& analysis() const { return analysis_; }
    void setAnalysis(std::shared_ptr<Analysis> analysis) { analysis_ = std::move(analysis); }
    Model* model() const { return model_; }
    void setModel(Model* model) { model_ = model; }
    // The free set, shared with the owner that reads it after the list closes.
    const std::shared_ptr<WhereClauseSet>& setWheres() const { return setWheres_; }
    void setSetWheres(std::shared_ptr<WhereClauseSet> wheres) { setWheres_ = std::move(wheres); }
    // Edit the analysis's second sample's clauses (spelled so by the screens that set it).
    bool isSecondayWhere() const { return isSecondayWhere_; }
    void setIsSecondayWhere(bool on) { isSecondayWhere_ = on; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // The Add item: the column picker for a new clause.
    void addWhere();
    // The Done item (shown when the list fills the screen).
    void close();
    // The clauses again, sorted by column name, operator and constant.
    void refreshWheres();

    void picker(ColumnPickerViewController& picker, const std::vector<std::shared_ptr<Column>>& pickedColumns,
                uint64_t position) override;
    void where(const WhereClauseObj& clause) override;

    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    bool canEditRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override { return true; }
    void commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                            ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  private:
    Model& theModel() const { return model_ ? *model_ : Model::sharedModel(); }
    std::shared_ptr<WhereColumnViewController> makeEditor();
    void columnRemoved(int64_t num);
    std::string textOf(const Clause& clause);

    std::vector<Clause> wheres_;
    std::shared_ptr<WhereClause> selectedWhere_;
    std::shared_ptr<WhereClauseObj> selectedWhereDict_;
    std::shared_ptr<Analysis> analysis_;
    Model* model_ = nullptr;
    std::shared_ptr<WhereClauseSet> setWheres_;
    bool isSecondayWhere_ = false;
    foundation::ObserverToken columnRemoved_;
};
