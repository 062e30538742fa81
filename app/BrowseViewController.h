// The Browse tab: the open workspace's data as a spreadsheet grid with pinned column names and row
// numbers; edit mode for values, names, new rows and columns, with the edited columns' statistics
// recomputed in the background afterwards; a per-column filter; and the CSV export by mail or to
// another app. A row-per-table-row presentation of the same data is kept beside the grid, hidden.
#pragma once

#include "app/BrowseCell.h"
#include "app/BrowseGridCells.h"
#include "app/SpreadsheetLayout.h"
#include "app/WhereColumnViewController.h"
#include "model/Model.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/host/Services.h"
#include "platform/store/FetchedResultsController.h"
#include "platform/ui/CollectionView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class CMPopTipView;

class BrowseViewController : public ui::ViewController,
                             public ui::CollectionViewDataSource,
                             public ui::CollectionViewDelegate,
                             public ui::TableViewDataSource,
                             public ui::TableViewDelegate,
                             public store::FetchedResultsControllerDelegate,
                             public SpreadsheetLayoutDelegate,
                             public ui::TextFieldDelegate,
                             public BrowseCellDelegate,
                             public WhereColumnViewControllerDelgate {
  public:
    static constexpr uint64_t kVariableLimit = 500;
    // Cells, not rows: the grid lays out every item it has on each scroll step.
    static constexpr int64_t kFetchLimit = 10000;
    static constexpr int kRowTableTag = 101;
    static constexpr int kHeaderTableTag = 102;
    static constexpr int kOverlayTag = 1001;
    static constexpr int kOverlayLabelTag = 1002;
    enum ExportMode { ExportMail = 0, ExportOpenIn = 1 };

    // The services the export hands its file to.
    BrowseViewController(host::Launcher& launcher, host::MailService& mail);
    ~BrowseViewController() override;

    // --- State
    Model* model() const { return model_; }
    // The workspace's columns in display order.
    const std::vector<std::shared_ptr<Column>>& columns() const { return columns_; }
    // For the columns taken in ascending num, each one's index in columns().
    const std::vector<size_t>& order() const { return order_; }
    std::set<int64_t>& changedColumns() override { return changedColumns_; }
    // The Browse filter, one condition per column, keyed by the column's num.
    const std::map<int64_t, WhereClauseObj>& wheres() const override { return wheres_; }
    void setWheres(std::map<int64_t, WhereClauseObj> wheres) { wheres_ = std::move(wheres); }
    store::FetchedResultsController* fetchedResultsController() const { return fetchedResultsController_.get(); }
    uint64_t widthCell() const { return widthCell_; }
    uint64_t heightCell() const { return heightCell_; }
    // When set, the next appearance enters edit mode (a new blank workspace).
    bool isInitialEdit() const { return isInitialEdit_; }
    void setIsInitialEdit(bool on) { isInitialEdit_ = on; }
    // The help tip while one is shown (null otherwise).
    CMPopTipView* ptv() const { return ptv_.get(); }
    // Whether a background task (the recomputation after editing, an export) is running.
    bool isBusy() const { return busy_; }

    // --- Outlets
    ui::CollectionView& collectionView() { return *collectionView_; }
    ui::TableView& tableView() { return *tableView_; }
    BrowseHeader& header() { return *header_; }
    ui::Label& labelFileInfo() { return *labelFileInfo_; }
    ui::Label& labelFilter() { return *labelFilter_; }
    ui::BarButtonItem& editButton() { return *editButton_; }
    ui::BarButtonItem& shareButton() { return *shareButton_; }
    // The overlay of long work while it is shown, else null.
    ui::View* overlay() const { return overlay_.get(); }

    // --- Life cycle
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewWillTransitionToSize(ui::Size size) override;
    void setEditing(bool editing, bool animated) override;
    void prepareForSegue(const std::string& identifier, ui::ViewController& destination) override;
    // Derives the whole display from the workspace and the filter again (each appearance, and after
    // rows, columns or the filter change).
    void refresh(bool animated);

    // --- Actions
    // The export menu, anchored at the share item.
    void share();
    void addRow();
    void addColumn();
    // The end of editing of a value's field and of a column name's field.
    void editData(ui::TextField& field);
    void editColumn(ui::TextField& field);
    // A new column, or at the variable limit the alert that says so.
    void addEmptyColumn() override;
    // The filter editor for the column, in a popover at the button.
    void popWhereForColumn(Column& column, ui::Button& button) override;
    // The filter editor's answer for one column.
    void where(const WhereClauseObj& clause) override;
    std::string filterDescription();
    void exportDataWithMode(ExportMode mode, bool filtered);
    // The written file as a mail attachment, or to another app.
    void mailOutput(const std::string& path);
    void openIn(const std::string& path);
    // Scrolls the grid so that the item is at its right edge, then puts its field into editing.
    void scrollAndEditIndexPath(ui::IndexPath indexPath);
    // Gives the target the source's sideways (turned) scroll position.
    void syncScrollView(ui::ScrollView& target, ui::ScrollView& source);
    // Room for the keyboard below the grid (both keyboard notifications).
    virtual void updateBottomConstraintWithNotification(const foundation::Notification& notification);
    // For the end of the app: in edit mode the open field commits, the edits are saved and the edited
    // columns' cached statistics cleared, so that they are computed again on their next use.
    void prepareForTermination();

    // --- The grid
    int numberOfSectionsInCollectionView(ui::CollectionView& view) override;
    int numberOfItemsInSection(ui::CollectionView& view, int section) override;
    std::shared_ptr<ui::CollectionViewCell> cellForItemAtIndexPath(ui::CollectionView& view,
                                                                   ui::IndexPath ip) override;
    double width(uint64_t column, ui::CollectionView* collectionView) override;
    double height(uint64_t row, ui::CollectionView* collectionView) override;
    // Return moves the editing on through the grid.
    bool textFieldShouldReturn(ui::TextField& field) override;

    // --- The row table, the header strip's and the rows' inner tables
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    bool canEditRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    ui::TableViewCellEditingStyle editingStyleForRowAtIndexPath(ui::TableView& tableView,
                                                                ui::IndexPath indexPath) override;
    void commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                            ui::IndexPath indexPath) override;
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    void controllerDidChangeContent(store::FetchedResultsController& controller) override;

    // For tests: told every text the long-work overlay shows, as it shows it.
    void setProgressHook(std::function<void(const std::string&)> hook) { progressHook_ = std::move(hook); }

  private:
    void setConstants();
    void buildFetchedResultsController();
    // Fetches again; a failure is logged and reported as a store error.
    void performFetch();
    void reloadPresentations();
    void setTabsEnabled(bool enabled);
    void showOverlay(const std::string& text, ui::Rect labelFrame, int lines);
    void setOverlayText(const std::string& text);
    void removeOverlay();
    void recomputeChangedColumns(bool animated);
    void finishEditing(bool animated);
    void finishExport(ExportMode mode, const std::string& path, const std::optional<std::string>& failure);
    // Shows the tip when the edit button is on screen; false when it is not there yet.
    bool presentTip(bool animated);
    void dismissTip(bool animated);
    // The screen's table cells: a row of the row table.
    std::shared_ptr<ui::TableViewCell> rowCell(ui::TableView& tableView, ui::IndexPath indexPath);
    // The cells of fetched section s in display order (null where a column has no cell).
    std::vector<std::shared_ptr<Cell>> cellsInDisplayOrder(size_t section) const;
    double editingHeightChange() const;
    std::string workspaceBaseName() const;

    host::Launcher& launcher_;
    host::MailService& mail_;
    Model* model_ = nullptr;
    std::vector<std::shared_ptr<Column>> columns_;
    std::vector<size_t> order_;
    std::set<int64_t> changedColumns_;
    std::map<int64_t, WhereClauseObj> wheres_;
    std::unique_ptr<store::FetchedResultsController> fetchedResultsController_;
    uint64_t widthCell_ = 0, heightCell_ = 0;
    bool isInitialEdit_ = false;
    bool busy_ = false;

    std::shared_ptr<ui::CollectionView> collectionView_;
    std::shared_ptr<SpreadsheetLayout> layout_;
    std::shared_ptr<ui::TableView> tableView_;
    std::shared_ptr<BrowseHeader> header_;
    std::shared_ptr<ui::Label> labelFileInfo_, labelFilter_;
    std::shared_ptr<ui::BarButtonItem> editButton_, shareButton_;
    std::shared_ptr<ui::View> overlay_;
    std::shared_ptr<CMPopTipView> ptv_;

    // One pair, replaced on every refresh, so each keyboard notification runs the handler once.
    foundation::ObserverToken keyboardShowObserver_, keyboardHideObserver_;
    foundation::ObserverToken columnRemovedObserver_;
    // Where the next "where" segue comes from.
    std::shared_ptr<Column> segueColumn_;
    ui::Button* segueButton_ = nullptr;
    std::function<void(const std::string&)> progressHook_;
};
