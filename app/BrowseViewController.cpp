// The Browse screen: its layout, the refresh, the grid's data source and editing, edit mode with the
// background recomputation of edited columns, rows and columns added, the filter, the help tip, the
// keyboard room, the export, and the hidden row table with its header strip.
#include "app/BrowseViewController.h"

#include "app/BrowseExport.h"
#include "app/HelpTip.h"
#include "app/PresentMailResult.h"
#include "app/TextFormat.h"
#include "app/WhereColumnViewController.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"
#include "platform/ui/Environment.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <filesystem>

using foundation::tr;
using ui::Color;
using ui::IndexPath;
using ui::Rect;

namespace {

constexpr const char* kHelpKey = "browse";
constexpr double kLabelHeight = 22;
const Color kBorderGrey{0.8, 0.8, 0.8, 1};
const Color kHeaderOrange{1.0, 0.8, 0.4, 1};
const Color kFilteredGreen{136 / 255.0, 200 / 255.0, 77 / 255.0, 1};

// A background Model of its own on the shared coordinator, for one task on one worker.
struct TaskModel {
    Model model;
    explicit TaskModel(const std::shared_ptr<store::Coordinator>& coordinator) {
        model.setPersistentStoreCoordinator(coordinator);
        model.setManagedObjectContext(std::make_shared<store::Context>(coordinator));
    }
};

template <class T> T* ancestorOf(ui::View& view) {
    for (ui::View* v = view.superview(); v; v = v->superview())
        if (auto* found = dynamic_cast<T*>(v))
            return found;
    return nullptr;
}

// The cached statistics of a column removed, every attribute absent, so that the next use computes them.
void clearStatistics(Column& column) {
    Model::applyBasicStats(BasicStats{}, column);
    column.setObs(std::nullopt);
    column.setObsNumeric(std::nullopt);
    column.setObsDate(std::nullopt);
    column.setLevels(std::nullopt);
}

} // namespace

BrowseViewController::BrowseViewController(host::Launcher& launcher, host::MailService& mail)
    : launcher_(launcher), mail_(mail) {
    registerWhereScreens();
    registerSegue("where", [] {
        auto root = ui::ControllerRegistry::shared().instantiateViewControllerWithIdentifier("WhereColumn");
        if (!root)
            return ui::ViewController::Ptr();
        auto nav = std::make_shared<ui::NavigationController>(root);
        nav->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
        return std::static_pointer_cast<ui::ViewController>(nav);
    });
}

BrowseViewController::~BrowseViewController() {
    if (ptv_)
        ptv_->removeFromSuperview();
    if (fetchedResultsController_)
        fetchedResultsController_->setDelegate(nullptr);
}

// --- Layout and loading

void BrowseViewController::loadView() {
    ui::ViewController::loadView();
    auto& root = view();
    const double w = root.bounds().width(), h = root.bounds().height();
    auto makeLabel = [w](const char* identifier, double y) {
        auto label = std::make_shared<ui::Label>(Rect{10, y, w - 20, kLabelHeight});
        label->setIdentifier(identifier);
        label->setFont(gfx::Font::system(13));
        label->setTextColor(Color::gray(0.35));
        label->setTextAlignment(gfx::TextAlignment::Center);
        label->setAutoresizingMask(ui::FlexibleWidth);
        return label;
    };
    labelFileInfo_ = makeLabel("labelFileInfo", 0);
    labelFilter_ = makeLabel("labelFilter", kLabelHeight);
    const double top = 2 * kLabelHeight + 2;

    layout_ = std::make_shared<SpreadsheetLayout>();
    layout_->setDelegate(this);
    collectionView_ = std::make_shared<ui::CollectionView>(Rect{0, top, w, h - top}, layout_);
    collectionView_->setIdentifier("collectionView");
    collectionView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    collectionView_->setBackgroundColor(Color::white());
    auto rowHeader = [](const std::string& id) { return std::make_shared<RowHeaderCell>(id); };
    collectionView_->registerCellFactory("RowHeader", rowHeader);
    collectionView_->registerCellFactory("Data", rowHeader);
    collectionView_->registerCellFactory("ColHeader", [this](const std::string& id) {
        auto cell = std::make_shared<ColHeaderCell>(id);
        // The tap reads the button's tag then, which each display sets to the column's index.
        cell->button().addTarget(ui::TouchUpInside, [this](ui::Control& c) {
            auto& button = static_cast<ui::Button&>(c);
            if (button.tag() >= 0 && size_t(button.tag()) < columns_.size())
                popWhereForColumn(*columns_[size_t(button.tag())], button);
        });
        return cell;
    });
    collectionView_->registerCellFactory("EditColumn", [this](const std::string& id) {
        auto cell = std::make_shared<EditColumnCell>(id);
        cell->field().setDelegate(this);
        cell->field().setReturnKeyType(ui::ReturnKeyType::Next);
        cell->field().addTarget(ui::EditingDidEnd,
                                [this](ui::Control& c) { editColumn(static_cast<ui::TextField&>(c)); });
        return cell;
    });
    collectionView_->registerCellFactory("EditData", [this](const std::string& id) {
        auto cell = std::make_shared<EditDataCell>(id);
        cell->field().setDelegate(this);
        cell->field().setReturnKeyType(ui::ReturnKeyType::Next);
        cell->field().setKeyboardType(ui::KeyboardType::NumbersAndPunctuation);
        cell->field().addTarget(ui::EditingDidEnd,
                                [this](ui::Control& c) { editData(static_cast<ui::TextField&>(c)); });
        return cell;
    });
    collectionView_->registerCellFactory("AddRow", [this](const std::string& id) {
        auto cell = std::make_shared<AddCell>(id);
        cell->button().addTarget(ui::TouchUpInside, [this](ui::Control&) { addRow(); });
        return cell;
    });
    collectionView_->registerCellFactory("AddColumn", [this](const std::string& id) {
        auto cell = std::make_shared<AddCell>(id);
        cell->button().addTarget(ui::TouchUpInside, [this](ui::Control&) { addColumn(); });
        return cell;
    });

    // The second presentation, kept hidden: the grid is what the user sees.
    header_ = std::make_shared<BrowseHeader>(Rect{0, top, w, 50});
    header_->setIdentifier("header");
    header_->setAutoresizingMask(ui::FlexibleWidth);
    header_->setHidden(true);
    tableView_ = std::make_shared<ui::TableView>(Rect{0, top + 50, w, h - top - 50});
    tableView_->setIdentifier("tableView");
    tableView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    tableView_->setAllowsSelection(false);
    tableView_->setHidden(true);

    root.addSubview(labelFileInfo_);
    root.addSubview(labelFilter_);
    root.addSubview(collectionView_);
    root.addSubview(tableView_);
    root.addSubview(header_);
}

void BrowseViewController::setConstants() {
    widthCell_ = 150;
    heightCell_ = 40;
}

void BrowseViewController::viewDidLoad() {
    model_ = &Model::sharedModel();
    setConstants();
    setTitle(tr("Browse"));
    editButton_ = std::make_shared<ui::BarButtonItem>(
        ui::BarButtonItem::SystemItem::Edit, [this](ui::BarButtonItem&) { setEditing(!isEditing(), true); });
    shareButton_ = std::make_shared<ui::BarButtonItem>(ui::BarButtonItem::SystemItem::Action,
                                                       [this](ui::BarButtonItem&) { share(); });
    navigationItem().rightBarButtonItems = {editButton_, shareButton_};
    columns_ = model_->columns();

    ui::TableView& strip = header_->horizontalTableView();
    strip.setBackgroundColor(kHeaderOrange);
    header_->setBackgroundColor(Color{0, 1, 0, 1});
    header_->setContentArray(columns_);
    strip.setTag(kHeaderTableTag);
    strip.setTableDelegate(this);
    strip.setRowHeight(double(widthCell_));
    tableView_->setTag(kRowTableTag);
    tableView_->setDataSource(this);
    tableView_->setTableDelegate(this);
    view().setBackgroundColor(Color::clear());
    wheres_.clear();

    collectionView_->setDataSource(this);
    collectionView_->setCollectionDelegate(this);
    // A filter never outlives its column (the Variables screen can remove one).
    columnRemovedObserver_ = foundation::NotificationCenter::defaultCenter().observe(
        Model::ColumnRemovedNotification, nullptr, [this](const foundation::Notification& n) {
            if (const auto* num = n.userInfo.find("num"))
                wheres_.erase(num->toInt64());
            refresh(false);
        });
}

// --- Refresh

void BrowseViewController::viewWillAppear(bool animated) {
    refresh(animated);
}

void BrowseViewController::refresh(bool animated) {
    auto& center = foundation::NotificationCenter::defaultCenter();
    keyboardShowObserver_ = center.observe(ui::KeyboardWillShowNotification, nullptr,
                                           [this](const auto& n) { updateBottomConstraintWithNotification(n); });
    keyboardHideObserver_ = center.observe(ui::KeyboardWillHideNotification, nullptr,
                                           [this](const auto& n) { updateBottomConstraintWithNotification(n); });

    labelFileInfo_->setText(model_->statusLine());
    labelFilter_->setText(filterDescription());
    const bool open = model_->currentStore().has_value();
    editButton_->setEnabled(open && !busy_);
    // Exporting while editing would write the stored data, not what is on the screen.
    shareButton_->setEnabled(open && !busy_ && !isEditing());

    columns_ = model_->columns();
    std::vector<size_t> byNum(columns_.size());
    for (size_t k = 0; k < byNum.size(); ++k)
        byNum[k] = k;
    std::stable_sort(byNum.begin(), byNum.end(),
                     [this](size_t a, size_t b) { return columns_[a]->num() < columns_[b]->num(); });
    order_ = std::move(byNum);

    buildFetchedResultsController();
    performFetch();

    reloadPresentations();
    header_->setContentArray(columns_);
    header_->horizontalTableView().reloadData();
    if (auto* nav = navigationController())
        nav->updateBar();
}

void BrowseViewController::buildFetchedResultsController() {
    if (fetchedResultsController_)
        fetchedResultsController_->setDelegate(nullptr);
    store::FetchRequest request;
    request.entity = Cell::entityName;
    request.sortDescriptors = {{"rowNum", true}, {"colNum", true}};
    if (!wheres_.empty())
        if (auto rows = model_->rowsWhere(wheres_)) {
            request.predicate = "\"rowNum\" IN (SELECT value FROM json_each(?))";
            request.arguments = {store::Value(store::jsonIntegers(*rows))};
        }
    request.fetchLimit = kFetchLimit;
    fetchedResultsController_ =
        std::make_unique<store::FetchedResultsController>(request, model_->managedObjectContext(), "rowNum");
    fetchedResultsController_->setDelegate(this);
}

void BrowseViewController::performFetch() {
    if (!fetchedResultsController_)
        return;
    // No workspace open is an empty grid, not a failure.
    if (!model_->currentStore()) {
        fetchedResultsController_->performFetch();
        return;
    }
    if (auto error = fetchedResultsController_->performFetch()) {
        foundation::log("Unresolved error " + error->description() + ", " + error->userInfo());
        model_->showCoreDataError();
    }
}

void BrowseViewController::reloadPresentations() {
    tableView_->reloadData();
    collectionView_->reloadData();
}

// --- The grid

int BrowseViewController::numberOfSectionsInCollectionView(ui::CollectionView&) {
    const int n = fetchedResultsController_ ? int(fetchedResultsController_->sectionCount()) : 0;
    return n + (isEditing() ? 2 : 1);
}

int BrowseViewController::numberOfItemsInSection(ui::CollectionView&, int section) {
    const int n = fetchedResultsController_ ? int(fetchedResultsController_->sectionCount()) : 0;
    if (section == 0)
        return int(columns_.size()) + (isEditing() ? 2 : 1);
    if (section <= n)
        return int(fetchedResultsController_->objectCount(size_t(section - 1))) + 1;
    return 1; // the add-row section of edit mode
}

std::shared_ptr<ui::CollectionViewCell> BrowseViewController::cellForItemAtIndexPath(ui::CollectionView& view,
                                                                                    IndexPath ip) {
    const int s = ip.section, c = ip.row;
    const int n = fetchedResultsController_ ? int(fetchedResultsController_->sectionCount()) : 0;
    const int k = int(columns_.size());
    const bool editing = isEditing();
    std::shared_ptr<ui::CollectionViewCell> cell;
    auto dequeue = [&](const char* id) { return view.dequeueReusableCellWithReuseIdentifier(id, ip); };
    auto dataAt = [&]() -> std::shared_ptr<Cell> {
        return fetchedResultsController_->objectAt<Cell>(size_t(c - 1), size_t(s - 1));
    };
    if (c == 0 && s > n) {
        cell = dequeue("AddRow");
    } else if (c == 0) {
        auto row = std::static_pointer_cast<RowHeaderCell>(dequeue("RowHeader"));
        row->label().setText(s == 0 ? "" : fetchedResultsController_->sectionName(size_t(s - 1)));
        cell = row;
    } else if (s == 0 && editing && c == k + 1) {
        cell = dequeue("AddColumn");
    } else if (s == 0 && !editing) {
        auto head = std::static_pointer_cast<ColHeaderCell>(dequeue("ColHeader"));
        head->label().setText(c <= k ? columns_[size_t(c - 1)]->name() : "");
        head->button().setTag(c - 1);
        // The name shows its column's filter state as the header strip does: green with a filter.
        const bool filtered = c <= k && wheres_.count(columns_[size_t(c - 1)]->num());
        head->setBackgroundColor(filtered ? kFilteredGreen : kHeaderOrange);
        cell = head;
    } else if (s == 0) {
        auto head = std::static_pointer_cast<EditColumnCell>(dequeue("EditColumn"));
        head->field().setText(c <= k ? columns_[size_t(c - 1)]->name() : "");
        head->setColumnIndex(uint64_t(c - 1));
        head->setIndexPath(ip);
        cell = head;
    } else if (!editing) {
        auto data = std::static_pointer_cast<RowHeaderCell>(dequeue("Data"));
        auto stored = dataAt();
        data->label().setText(stored ? stored->data() : "");
        cell = data;
    } else {
        auto data = std::static_pointer_cast<EditDataCell>(dequeue("EditData"));
        auto stored = dataAt();
        data->field().setText(stored ? stored->data() : "");
        data->setDataIndex({s - 1, c - 1});
        data->setIndexPath(ip);
        cell = data;
    }
    cell->layer().setBorderColor(kBorderGrey);
    cell->layer().setBorderWidth(2);
    return cell;
}

double BrowseViewController::width(uint64_t column, ui::CollectionView*) {
    return column == 0 ? 50 : 150;
}

double BrowseViewController::height(uint64_t row, ui::CollectionView*) {
    return row == 0 ? 50 : 40;
}

// --- Edit mode

double BrowseViewController::editingHeightChange() const {
    return traitCollection().idiom == ui::UserInterfaceIdiom::Pad ? 215 : 167;
}

void BrowseViewController::setTabsEnabled(bool enabled) {
    auto* tabs = tabBarController();
    if (!tabs)
        return;
    const auto& controllers = tabs->viewControllers();
    for (size_t i = 0; i < controllers.size(); ++i)
        if (i != 1 || enabled)
            controllers[i]->tabBarItem().enabled = enabled;
    tabs->updateTabBar();
}

void BrowseViewController::setEditing(bool editing, bool animated) {
    if (editing == isEditing() || !isViewLoaded())
        return;
    ui::ViewController::setEditing(editing, animated);
    editButton_->setTitle(editing ? tr("Done") : tr("Edit"));
    if (!editing) {
        finishEditing(animated);
        return;
    }
    setTitle(tr("Edit"));
    setTabsEnabled(false);
    shareButton_->setEnabled(false);
    // Unsaved changes are dropped; the objects the results held go with them, so they are fetched again.
    model_->managedObjectContext()->reset();
    columns_ = model_->columns();
    header_->setContentArray(columns_);
    changedColumns_.clear();
    performFetch();
    reloadPresentations();
    tableView_->setEditing(true, animated);
    header_->setModeEdit(true);
    header_->horizontalTableView().reloadData();
    Rect frame = tableView_->frame();
    frame.size.height -= editingHeightChange();
    tableView_->setFrame(frame);
    // The first field of the row table takes the keyboard, when that presentation is the one shown.
    if (!tableView_->isHidden())
        for (ui::TableViewCell* row : tableView_->visibleCells())
            if (auto* strip = dynamic_cast<BrowseCell*>(row))
                if (auto cells = strip->horizontalTableView().visibleCells(); !cells.empty()) {
                    if (auto ip = tableView_->indexPathForRowAtPoint(row->center()))
                        tableView_->scrollToRowAtIndexPath(*ip, ui::TableViewScrollPosition::None, animated);
                    for (const auto& sub : cells.front()->contentView().subviews())
                        if (dynamic_cast<ui::TextField*>(sub.get())) {
                            sub->becomeFirstResponder();
                            break;
                        }
                    break;
                }
    if (auto* nav = navigationController())
        nav->updateBar();
}

void BrowseViewController::finishEditing(bool animated) {
    // The open field commits through its end-of-editing action.
    view().endEditing(true);
    Rect frame = tableView_->frame();
    frame.size.height += editingHeightChange();
    tableView_->setFrame(frame);
    const bool pad = traitCollection().idiom == ui::UserInterfaceIdiom::Pad;
    const double overlayWidth = pad ? 368 : 300;
    showOverlay(tr("Processing Changed Variables"), {20, 50, overlayWidth - 40, 40}, 2);
    model_->saveContext();
    recomputeChangedColumns(animated);
}

void BrowseViewController::recomputeChangedColumns(bool animated) {
    busy_ = true;
    editButton_->setEnabled(false);
    collectionView_->setUserInteractionEnabled(false);
    const std::vector<int64_t> nums(changedColumns_.begin(), changedColumns_.end());
    auto coordinator = model_->persistentStoreCoordinator();
    Model* shared = model_;
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    dispatch::globalQueue(dispatch::Priority::high).async([nums, coordinator, shared, weak, animated] {
        TaskModel task(coordinator);
        Model& background = task.model;
        for (int64_t num : nums) {
            auto column = num >= 0 ? background.columnNumber(uint64_t(num)) : nullptr;
            if (!column)
                continue;
            const store::ObjectId id = column->objectID();
            const std::string name = column->name();
            const BasicStats stats = background.dictBasicStatsForColumn(*column);
            dispatch::mainQueue().sync([&] {
                if (auto self = std::static_pointer_cast<BrowseViewController>(weak.lock()))
                    self->setOverlayText(name);
                // The statistics are the workspace's, whether or not the screen is still there.
                if (auto stored = shared->managedObjectContext()->existingObject<Column>(id)) {
                    Model::applyBasicStats(stats, *stored);
                    stored->setType(Model::guessTypeOfColumn(*stored));
                }
            });
        }
        dispatch::mainQueue().sync([&] {
            shared->saveContext();
            auto self = std::static_pointer_cast<BrowseViewController>(weak.lock());
            if (!self)
                return;
            self->removeOverlay();
            self->busy_ = false;
            self->collectionView_->setUserInteractionEnabled(true);
            self->reloadPresentations();
            self->tableView_->setEditing(false, animated);
            self->header_->setModeEdit(false);
            self->header_->horizontalTableView().reloadData();
            self->setTitle(tr("Browse"));
            self->setTabsEnabled(true);
            self->editButton_->setEnabled(true);
            self->shareButton_->setEnabled(self->model_->currentStore().has_value());
            if (auto* nav = self->navigationController())
                nav->updateBar();
        });
    });
}

void BrowseViewController::prepareForTermination() {
    if (!isEditing() || !isViewLoaded())
        return;
    view().endEditing(true);
    model_->saveContext();
    // No long recomputation at the end: the statistics go, and their next use computes them again.
    for (int64_t num : changedColumns_)
        if (auto column = num >= 0 ? model_->columnNumber(uint64_t(num)) : nullptr)
            clearStatistics(*column);
    model_->saveContext();
}

// --- Editing values and names

void BrowseViewController::editData(ui::TextField& field) {
    auto* cell = ancestorOf<EditDataCell>(field);
    if (!cell || !fetchedResultsController_)
        return;
    const IndexPath at = cell->dataIndex();
    if (at.section < 0 || at.row < 0)
        return;
    auto stored = fetchedResultsController_->objectAt<Cell>(size_t(at.row), size_t(at.section));
    if (!stored || field.text() == stored->data())
        return;
    stored->setData(field.text());
    if (auto colNum = stored->colNum())
        changedColumns_.insert(*colNum);
}

void BrowseViewController::editColumn(ui::TextField& field) {
    auto* cell = ancestorOf<EditColumnCell>(field);
    if (!cell || cell->columnIndex() >= columns_.size())
        return;
    Column& column = *columns_[cell->columnIndex()];
    const std::string& text = field.text();
    // Empty, or any column's name (its own included), is refused without a word.
    bool accepted = !text.empty();
    for (const auto& other : columns_)
        if (other->name() == text)
            accepted = false;
    if (accepted)
        column.setName(text);
    else
        field.setText(column.name());
}

bool BrowseViewController::textFieldShouldReturn(ui::TextField& field) {
    auto* cell = ancestorOf<EditCell>(field);
    if (!cell)
        return true;
    const IndexPath at = cell->indexPath();
    field.resignFirstResponder();
    const int c = at.row, s = at.section;
    ui::CollectionView& grid = *collectionView_;
    const int m = numberOfItemsInSection(grid, s);
    // The add-column item is never entered; the add-row section ends the editing.
    if (s == 0 && c + 1 < m - 1) {
        scrollAndEditIndexPath({0, c + 1});
        return false;
    }
    if (s >= 1 && c + 1 < m) {
        scrollAndEditIndexPath({s, c + 1});
        return false;
    }
    if (s + 1 >= numberOfSectionsInCollectionView(grid) || numberOfItemsInSection(grid, s + 1) < 2)
        return true;
    scrollAndEditIndexPath({s + 1, 1});
    return false;
}

void BrowseViewController::scrollAndEditIndexPath(IndexPath ip) {
    auto attributes = layout_->layoutAttributesForItemAtIndexPath(ip);
    if (!attributes)
        return;
    ui::CollectionView& grid = *collectionView_;
    const Rect b = grid.bounds();
    const Rect item = attributes->frame;
    // The item at the right edge; its row brought into sight below the pinned names.
    ui::Point offset{item.maxX() - b.width(), b.minY()};
    if (ip.section > 0) {
        const double top = b.minY() + height(0, &grid);
        const double bottom = b.maxY() - grid.contentInset().bottom;
        if (item.minY() < top)
            offset.y = item.minY() - height(0, &grid);
        else if (item.maxY() > bottom)
            offset.y = item.maxY() - (b.height() - grid.contentInset().bottom);
    }
    offset = grid.clampedOffset(offset);
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    ui::View::animate(
        0.3,
        [&grid, offset] {
            grid.setBounds({offset, grid.bounds().size});
            grid.setNeedsLayout();
        },
        [weak, ip](bool) {
            auto self = std::static_pointer_cast<BrowseViewController>(weak.lock());
            if (!self)
                return;
            self->collectionView_->layoutIfNeeded();
            if (auto* target = dynamic_cast<EditCell*>(self->collectionView_->cellForItemAtIndexPath(ip)))
                target->field().becomeFirstResponder();
        });
}

// --- Rows and columns

void BrowseViewController::addRow() {
    model_->addEmptyRow();
    refresh(false);
}

void BrowseViewController::addColumn() {
    addEmptyColumn();
}

void BrowseViewController::addEmptyColumn() {
    if (model_->countColumns() < kVariableLimit) {
        model_->addEmptyColumn();
        refresh(false);
        return;
    }
    auto alert = std::make_shared<ui::AlertController>(
        formatText(tr("%d Variable Limit Reached"), {std::to_string(kVariableLimit)}),
        tr("To make room for a new variable please delete an existing one."), ui::AlertControllerStyle::Alert);
    alert->addAction({tr("OK"), ui::AlertActionStyle::Cancel, {}});
    presentViewController(alert, true);
}

// --- Keyboard

void BrowseViewController::updateBottomConstraintWithNotification(const foundation::Notification& notification) {
    if (!isViewLoaded())
        return;
    const auto info = ui::KeyboardNotificationInfo::from(notification.userInfo);
    ui::View& root = view();
    const Rect keyboard = root.convertRectFromView(info.frameEnd, nullptr);
    const double bottom = std::max(0.0, root.bounds().maxY() - keyboard.minY());
    // No constraint solver: the room becomes the grid's bottom inset.
    ui::View::animate(info.duration, 0, (info.curve << 16) | ui::AnimationOptionBeginFromCurrentState,
                      [this, bottom] {
                          ui::EdgeInsets inset = collectionView_->contentInset();
                          inset.bottom = bottom;
                          collectionView_->setContentInset(inset);
                          view().layoutIfNeeded();
                      });
}

// --- Filter

void BrowseViewController::popWhereForColumn(Column& column, ui::Button& button) {
    segueColumn_ = std::static_pointer_cast<Column>(column.shared_from_this());
    segueButton_ = &button;
    performSegueWithIdentifier("where");
    segueColumn_.reset();
    segueButton_ = nullptr;
}

void BrowseViewController::prepareForSegue(const std::string& identifier, ui::ViewController& destination) {
    if (identifier != "where" || !segueColumn_)
        return;
    destination.popoverPresentationController().sourceView = segueButton_;
    auto* nav = dynamic_cast<ui::NavigationController*>(&destination);
    auto* editor = nav && !nav->viewControllers().empty()
                       ? dynamic_cast<WhereColumnViewController*>(nav->viewControllers().front().get())
                       : nullptr;
    if (!editor)
        return;
    editor->setColumn(segueColumn_);
    editor->setModel(model_);
    editor->setDelegate(this);
    auto clause = wheres_.find(segueColumn_->num());
    if (clause == wheres_.end()) {
        // Without a clause the editor starts from the operator code 0, as the screen always has.
        editor->setOpType(uint64_t(0));
    } else {
        editor->setOpType(clause->second.op);
        editor->setMatches(clause->second.constant);
        // The levels of an IN clause too, so that the editor shows the live filter it is changing.
        editor->setMatchMultiple({clause->second.levels.begin(), clause->second.levels.end()});
    }
    // The popover holds the editor under its bar.
    editor->view();
    const ui::Size size = editor->preferredContentSize();
    if (size.width > 0 && size.height > 0)
        nav->setPreferredContentSize({size.width, size.height + ui::NavigationController::BarHeight});
}

void BrowseViewController::where(const WhereClauseObj& w) {
    auto old = wheres_.find(w.colNum);
    const bool hasOld = old != wheres_.end();
    bool empty = false, same = false;
    if (w.op == FilterIn) {
        empty = w.levels.empty();
        if (hasOld) {
            auto a = old->second.levels, b = w.levels;
            std::sort(a.begin(), a.end());
            std::sort(b.begin(), b.end());
            same = a == b;
        }
    } else {
        empty = !w.constant || w.constant->empty();
        same = hasOld && old->second.constant == w.constant;
    }
    if (empty) {
        if (hasOld)
            wheres_.erase(old);
    } else if (same && old->second.op == w.op) {
        return;
    } else {
        wheres_[w.colNum] = w;
    }
    refresh(true);
}

std::string BrowseViewController::filterDescription() {
    if (wheres_.empty())
        return tr("No filter. Tap filter icons in column headers");
    std::vector<WhereClauseObj> clauses;
    for (const auto& [num, clause] : wheres_)
        clauses.push_back(clause);
    return tr("Filters: ") + model_->stringForWhereSet(std::move(clauses));
}

// --- Help tip and appearance

void BrowseViewController::viewDidAppear(bool animated) {
    if (isInitialEdit_) {
        isInitialEdit_ = false;
        setEditing(true, animated);
    }
    if (!editButton_->isEnabled() || Model::timesSeenHelpKey(kHelpKey) > 1)
        return;
    // A navigation stack shown for the first time tells its root before its bar is in the window: the
    // tip then waits for the next turn, when the edit button has a place to point at.
    if (presentTip(animated))
        return;
    dispatch::mainQueue().async([weak = weak_from_this(), animated] {
        if (auto self = weak.lock())
            static_cast<BrowseViewController&>(*self).presentTip(animated);
    });
}

bool BrowseViewController::presentTip(bool animated) {
    ui::Window* window = ui::Application::shared().keyWindow();
    std::shared_ptr<ui::Button> target = editButton_->view();
    if (!window || window->subviews().empty() || !target->window() || !view().window())
        return false;
    if (!editButton_->isEnabled() || Model::timesSeenHelpKey(kHelpKey) > 1)
        return true;
    dismissTip(false);
    ptv_ = CMPopTipView::initWithMessage(tr("Tap to edit or enter data"));
    styleHelpTip(*ptv_);
    ptv_->presentPointingAtView(*target, *window->subviews().front(), animated);
    Model::incrementTimesSeenHelpKey(kHelpKey);
    return true;
}

void BrowseViewController::dismissTip(bool animated) {
    if (!ptv_)
        return;
    ptv_->dismissAnimated(animated);
    ptv_.reset();
}

void BrowseViewController::viewWillDisappear(bool animated) {
    dismissTip(animated);
}

void BrowseViewController::viewWillTransitionToSize(ui::Size) {
    dismissTip(false);
    // Once the new size is in place, the rows are built again for it.
    dispatch::mainQueue().async([weak = weak_from_this()] {
        if (auto self = weak.lock())
            if (self->isViewLoaded())
                static_cast<BrowseViewController&>(*self).tableView_->reloadData();
    });
}

// --- Long work

void BrowseViewController::showOverlay(const std::string& text, Rect labelFrame, int lines) {
    removeOverlay();
    const bool pad = traitCollection().idiom == ui::UserInterfaceIdiom::Pad;
    overlay_ = std::make_shared<ui::View>(pad ? Rect{200, 400, 368, 200} : Rect{10, 100, 300, 200});
    overlay_->setBackgroundColor(Color::white());
    overlay_->setTag(kOverlayTag);
    overlay_->setIdentifier("overlay");
    overlay_->layer().setBorderColor(Color{0, 0, 1, 1});
    overlay_->layer().setBorderWidth(2);
    auto label = std::make_shared<ui::Label>(labelFrame);
    label->setNumberOfLines(lines);
    label->setTextAlignment(gfx::TextAlignment::Center);
    label->setTag(kOverlayLabelTag);
    label->setIdentifier("overlayLabel");
    overlay_->addSubview(label);
    view().addSubview(overlay_);
    view().bringSubviewToFront(overlay_.get());
    setOverlayText(text);
}

void BrowseViewController::setOverlayText(const std::string& text) {
    if (!overlay_)
        return;
    if (auto* label = dynamic_cast<ui::Label*>(overlay_->viewWithTag(kOverlayLabelTag)))
        label->setText(text);
    if (progressHook_)
        progressHook_(text);
}

void BrowseViewController::removeOverlay() {
    if (!overlay_)
        return;
    overlay_->removeFromSuperview();
    overlay_.reset();
}

// --- Export

std::string BrowseViewController::workspaceBaseName() const {
    auto store = model_->currentStore();
    return store ? std::filesystem::path(*store).stem().string() : std::string();
}

void BrowseViewController::share() {
    if (!model_->currentStore() || busy_ || isEditing())
        return;
    auto sheet =
        std::make_shared<ui::AlertController>(tr("Export dataset as text file."), "", ui::AlertControllerStyle::ActionSheet);
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    auto action = [&sheet, weak](const char* title, ExportMode mode, bool filtered) {
        sheet->addAction({tr(title), ui::AlertActionStyle::Default, [weak, mode, filtered](const ui::AlertAction&) {
                              if (auto self = weak.lock())
                                  static_cast<BrowseViewController&>(*self).exportDataWithMode(mode, filtered);
                          }});
    };
    sheet->addAction({tr("Cancel"), ui::AlertActionStyle::Cancel, {}});
    action("Email full data", ExportMail, false);
    if (!wheres_.empty())
        action("Email filtered data", ExportMail, true);
    action("Open full data in...", ExportOpenIn, false);
    if (!wheres_.empty())
        action("Open filtered data in...", ExportOpenIn, true);
    sheet->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
    sheet->popoverPresentationController().barButtonItem = shareButton_.get();
    presentViewController(sheet, true);
}

void BrowseViewController::exportDataWithMode(ExportMode mode, bool filtered) {
    if (!model_->currentStore() || busy_)
        return;
    const std::string folder = ui::Environment::shared().temporaryFolder;
    if (folder.empty()) {
        finishExport(mode, "", tr("There is no temporary folder to write the file in."));
        return;
    }
    const std::string path = (std::filesystem::path(folder) / (workspaceBaseName() + ".csv")).string();
    busy_ = true;
    setTabsEnabled(false);
    editButton_->setEnabled(false);
    shareButton_->setEnabled(false);
    collectionView_->setUserInteractionEnabled(false);
    showOverlay(tr("Exporting dataset..."), {17, 50, 200, 40}, 2);

    // What the task needs, taken here: the filter's copy; the rows it keeps are found by the task.
    std::optional<std::map<int64_t, WhereClauseObj>> filter;
    if (filtered && !wheres_.empty())
        filter = wheres_;
    auto coordinator = model_->persistentStoreCoordinator();
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    dispatch::globalQueue(dispatch::Priority::high).async([coordinator, filter, path, mode, weak] {
        TaskModel task(coordinator);
        std::optional<std::vector<int64_t>> rows;
        if (filter)
            rows = task.model.rowsWhere(*filter);
        auto error = writeWorkspaceCSV(task.model, path, std::move(rows), [&weak](int64_t lines, int64_t total) {
            dispatch::mainQueue().sync([&] {
                if (auto self = std::static_pointer_cast<BrowseViewController>(weak.lock()))
                    self->setOverlayText(formatText(tr("Exporting dataset...\nLine %d of %d"),
                                                    {std::to_string(lines), std::to_string(total)}));
            });
        });
        std::optional<std::string> failure;
        if (error)
            failure = error->description();
        dispatch::mainQueue().sync([&] {
            if (auto self = std::static_pointer_cast<BrowseViewController>(weak.lock()))
                self->finishExport(mode, path, failure);
            else if (failure)
                std::filesystem::remove(path);
        });
    });
}

void BrowseViewController::finishExport(ExportMode mode, const std::string& path,
                                        const std::optional<std::string>& failure) {
    removeOverlay();
    busy_ = false;
    collectionView_->setUserInteractionEnabled(true);
    setTabsEnabled(true);
    const bool open = model_->currentStore().has_value();
    editButton_->setEnabled(open);
    shareButton_->setEnabled(open);
    if (failure) {
        // A file cut short is never handed on as if it were complete.
        std::error_code ec;
        if (!path.empty())
            std::filesystem::remove(path, ec);
        auto alert = std::make_shared<ui::AlertController>(tr("Export Failed"), *failure,
                                                           ui::AlertControllerStyle::Alert);
        alert->addAction({tr("OK"), ui::AlertActionStyle::Default, {}});
        presentViewController(alert, true);
        return;
    }
    if (mode == ExportMail)
        mailOutput(path);
    else
        openIn(path);
}

void BrowseViewController::mailOutput(const std::string& path) {
    host::MailMessage message;
    message.subject = formatText(tr("Ovrida: %@"), {workspaceBaseName()});
    message.attachments = {path};
    // Where the message is when no mail program took it, or why it could not be written.
    presentMailResult(*this, mail_.send(message));
}

void BrowseViewController::openIn(const std::string& path) {
    if (!launcher_.open(path))
        foundation::log("No application took " + path);
}

// --- The row table and the strips' inner tables

std::vector<std::shared_ptr<Cell>> BrowseViewController::cellsInDisplayOrder(size_t section) const {
    std::vector<std::shared_ptr<Cell>> out(columns_.size());
    if (!fetchedResultsController_)
        return out;
    for (const auto& object : fetchedResultsController_->sectionObjects(section)) {
        auto cell = std::static_pointer_cast<Cell>(object);
        const int64_t colNum = cell->colNum().value_or(-1);
        for (size_t k = 0; k < columns_.size(); ++k)
            if (columns_[k]->num() == colNum) {
                out[k] = cell;
                break;
            }
    }
    return out;
}

int BrowseViewController::numberOfRowsInSection(ui::TableView& table, int) {
    if (table.tag() != kRowTableTag || !fetchedResultsController_)
        return 0;
    // One row per fetched section: each section is the cells of one data row.
    return int(fetchedResultsController_->sectionCount()) + (isEditing() ? 1 : 0);
}

std::shared_ptr<ui::TableViewCell> BrowseViewController::cellForRowAtIndexPath(ui::TableView& table,
                                                                              IndexPath indexPath) {
    return rowCell(table, indexPath);
}

std::shared_ptr<ui::TableViewCell> BrowseViewController::rowCell(ui::TableView& table, IndexPath indexPath) {
    std::string identifier = labelFileInfo_->text() + "-" + std::to_string(long(traitCollection().orientation));
    if (isEditing())
        identifier += "edit";
    table.registerCellFactory(identifier, [this](const std::string& id) {
        auto cell = std::make_shared<BrowseCell>(ui::TableViewCellStyle::Default, id);
        cell->horizontalTableView().setTableDelegate(this);
        return cell;
    });
    auto cell = std::static_pointer_cast<BrowseCell>(table.dequeueReusableCellWithIdentifier(identifier, indexPath));
    const size_t sections = fetchedResultsController_ ? fetchedResultsController_->sectionCount() : 0;
    if (size_t(indexPath.row) >= sections) {
        // The insertion row of edit mode.
        cell->labelRow().setText("");
        cell->horizontalTableView().setHidden(true);
        return cell;
    }
    cell->setContentArray(cellsInDisplayOrder(size_t(indexPath.row)));
    cell->labelRow().setText(std::to_string(fetchedResultsController_->sectionRowNum(size_t(indexPath.row))));
    cell->setModeEdit(isEditing());
    ui::TableView& inner = cell->horizontalTableView();
    inner.setHidden(false);
    inner.setRowHeight(double(widthCell_));
    inner.reloadData();
    syncScrollView(inner, header_->horizontalTableView());
    return cell;
}

double BrowseViewController::heightForRowAtIndexPath(ui::TableView& table, IndexPath) {
    return table.tag() == kRowTableTag ? double(heightCell_) : double(widthCell_);
}

bool BrowseViewController::canEditRowAtIndexPath(ui::TableView& table, IndexPath) {
    return table.tag() == kRowTableTag;
}

ui::TableViewCellEditingStyle BrowseViewController::editingStyleForRowAtIndexPath(ui::TableView& table,
                                                                                 IndexPath indexPath) {
    if (table.tag() != kRowTableTag || !isEditing())
        return ui::TableViewCellEditingStyle::None;
    const bool last = indexPath.row + 1 == table.numberOfRowsInSection(indexPath.section);
    return last ? ui::TableViewCellEditingStyle::Insert : ui::TableViewCellEditingStyle::None;
}

void BrowseViewController::commitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                                              IndexPath) {
    if (table.tag() == kRowTableTag && style == ui::TableViewCellEditingStyle::Insert)
        addRow();
}

void BrowseViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    const int tag = scrollView.tag();
    if (tag != BrowseCell::kInnerTableTag && tag != kHeaderTableTag)
        return;
    ui::TableView& strip = header_->horizontalTableView();
    syncScrollView(strip, scrollView);
    for (ui::TableViewCell* row : tableView_->visibleCells())
        if (auto* cell = dynamic_cast<BrowseCell*>(row))
            syncScrollView(cell->horizontalTableView(), strip);
}

void BrowseViewController::syncScrollView(ui::ScrollView& target, ui::ScrollView& source) {
    if (&target == &source)
        return;
    Rect b = target.bounds();
    // The inner tables are turned: their y runs sideways.
    if (b.origin.y == source.contentOffset().y)
        return;
    b.origin.y = source.contentOffset().y;
    target.setBounds(b);
    target.setNeedsLayout();
}

void BrowseViewController::controllerDidChangeContent(store::FetchedResultsController&) {
    tableView_->reloadData();
}
