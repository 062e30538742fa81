// The filter list: stored or free clauses, sorted; add, edit, delete; receiving an edited clause.
#include "app/WheresViewController.h"

#include "app/Presentation.h"
#include "app/TextFormat.h"
#include "platform/foundation/Tr.h"

#include <algorithm>
#include <tuple>

namespace {

std::string joined(std::vector<std::string> levels) {
    // Code-point order, so a clause reads the same each time.
    std::sort(levels.begin(), levels.end());
    std::string out;
    for (const auto& level : levels)
        out += (out.empty() ? "" : ", ") + level;
    return out;
}

} // namespace

WheresViewController::WheresViewController(ui::TableViewStyle style) : ui::TableViewController(style) {}

void WheresViewController::viewDidLoad() {
    ui::TableViewController::viewDidLoad();
    registerWhereScreens();
    setTitle(foundation::tr("Set Filters"));
    navigationItem().setRightBarButtonItem(std::make_shared<ui::BarButtonItem>(
        ui::BarButtonItem::SystemItem::Add, [this](ui::BarButtonItem&) { addWhere(); }));
    setPreferredContentSize({320, 480});
    columnRemoved_ = foundation::NotificationCenter::defaultCenter().observe(
        Model::ColumnRemovedNotification, nullptr, [this](const foundation::Notification& n) {
            if (const foundation::Value* num = n.userInfo.find("num"))
                columnRemoved(num->toInt64());
        });
}

void WheresViewController::viewWillAppear(bool animated) {
    ui::TableViewController::viewWillAppear(animated);
    // Shown full screen (as on a phone) there is nothing to tap outside: the list offers Done.
    if (containerArrowDirection(*this) == 0)
        navigationItem().setLeftBarButtonItem(std::make_shared<ui::BarButtonItem>(
            ui::BarButtonItem::SystemItem::Done, [this](ui::BarButtonItem&) { close(); }));
    if (auto* nav = navigationController())
        nav->updateBar();
    refreshWheres();
    tableView().reloadData();
}

void WheresViewController::refreshWheres() {
    wheres_.clear();
    if (analysis_) {
        auto stored = isSecondayWhere_ ? analysis_->wheres2() : analysis_->wheres();
        auto key = [](const std::shared_ptr<WhereClause>& w) {
            auto x = w->x();
            return std::make_tuple(x ? x->name() : std::string(), w->op(), w->c());
        };
        std::stable_sort(stored.begin(), stored.end(),
                         [&](const auto& a, const auto& b) { return key(a) < key(b); });
        wheres_.assign(stored.begin(), stored.end());
        return;
    }
    if (!setWheres_)
        return;
    Model& m = theModel();
    // A clause whose column is gone leaves the set: it can neither be shown nor opened.
    std::vector<std::pair<std::string, std::shared_ptr<WhereClauseObj>>> named;
    for (auto it = setWheres_->begin(); it != setWheres_->end();) {
        auto column = (*it)->colNum >= 0 ? m.columnNumber(uint64_t((*it)->colNum)) : nullptr;
        if (!column) {
            it = setWheres_->erase(it);
            continue;
        }
        named.emplace_back(column->name(), *it);
        ++it;
    }
    // Stable, and "less" only for a clause that truly sorts first: equal clauses both stay.
    std::stable_sort(named.begin(), named.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first, a.second->op, a.second->constant) <
               std::tie(b.first, b.second->op, b.second->constant);
    });
    for (auto& [name, clause] : named)
        wheres_.emplace_back(clause);
}

void WheresViewController::columnRemoved(int64_t num) {
    if (!setWheres_)
        return;
    std::erase_if(*setWheres_, [num](const std::shared_ptr<WhereClauseObj>& w) { return w->colNum == num; });
    if (selectedWhereDict_ && selectedWhereDict_->colNum == num)
        selectedWhereDict_.reset();
    refreshWheres();
    if (isViewLoaded())
        tableView().reloadData();
}

std::string WheresViewController::textOf(const Clause& clause) {
    std::string name, right;
    uint64_t op = 0;
    if (const auto* stored = std::get_if<std::shared_ptr<WhereClause>>(&clause)) {
        const WhereClause& w = **stored;
        auto x = w.x();
        name = x ? x->name() : std::string();
        op = uint64_t(w.op());
        right = op == FilterIn ? joined(w.levels()) : w.c().value_or("");
    } else {
        const WhereClauseObj& w = *std::get<std::shared_ptr<WhereClauseObj>>(clause);
        auto column = w.colNum >= 0 ? theModel().columnNumber(uint64_t(w.colNum)) : nullptr;
        name = column ? column->name() : std::string();
        op = w.op;
        right = op == FilterIn ? joined(w.levels) : w.constant.value_or("");
    }
    return formatText(foundation::tr("%@ %@ %@"), {name, Model::stringForOperatorType(op), right});
}

int WheresViewController::numberOfRowsInSection(ui::TableView&, int) {
    return int(wheres_.size());
}

std::shared_ptr<ui::TableViewCell> WheresViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                               ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier("Cell", indexPath);
    if (size_t(indexPath.row) < wheres_.size())
        cell->textLabel().setText(textOf(wheres_[size_t(indexPath.row)]));
    return cell;
}

void WheresViewController::commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                                              ui::IndexPath indexPath) {
    if (style != ui::TableViewCellEditingStyle::Delete || size_t(indexPath.row) >= wheres_.size())
        return;
    const Clause& clause = wheres_[size_t(indexPath.row)];
    if (analysis_) {
        if (const auto* stored = std::get_if<std::shared_ptr<WhereClause>>(&clause)) {
            // Unlinked from the analysis; nothing reads a clause that belongs to no analysis.
            if (isSecondayWhere_)
                analysis_->removeWheres2Object(**stored);
            else
                analysis_->removeWheresObject(**stored);
            theModel().saveContext();
        }
    } else if (setWheres_) {
        if (const auto* free = std::get_if<std::shared_ptr<WhereClauseObj>>(&clause))
            setWheres_->erase(*free);
    }
    refreshWheres();
    tableView.deleteRowsAtIndexPaths({indexPath}, true);
}

std::shared_ptr<WhereColumnViewController> WheresViewController::makeEditor() {
    auto editor = std::dynamic_pointer_cast<WhereColumnViewController>(
        ui::ControllerRegistry::shared().instantiateViewControllerWithIdentifier(
            WhereColumnViewController::Identifier));
    if (editor) {
        editor->setModel(model_);
        editor->setDelegate(this);
    }
    return editor;
}

void WheresViewController::didSelectRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
    if (size_t(indexPath.row) >= wheres_.size())
        return;
    auto editor = makeEditor();
    auto* nav = navigationController();
    if (!editor || !nav)
        return;
    const Clause& clause = wheres_[size_t(indexPath.row)];
    if (const auto* stored = std::get_if<std::shared_ptr<WhereClause>>(&clause)) {
        const WhereClause& w = **stored;
        selectedWhere_ = *stored;
        editor->setColumn(w.x());
        editor->setOpType(uint64_t(w.op()));
        editor->setMatches(w.c());
        auto levels = w.levels();
        editor->setMatchMultiple({levels.begin(), levels.end()});
    } else {
        const auto& free = std::get<std::shared_ptr<WhereClauseObj>>(clause);
        auto column = free->colNum >= 0 ? theModel().columnNumber(uint64_t(free->colNum)) : nullptr;
        if (!column)
            return;
        selectedWhereDict_ = free;
        editor->setColumn(column);
        editor->setOpType(free->op);
        editor->setMatches(free->constant);
        editor->setMatchMultiple({free->levels.begin(), free->levels.end()});
    }
    nav->pushViewController(editor, true);
}

void WheresViewController::addWhere() {
    selectedWhere_.reset();
    selectedWhereDict_.reset();
    auto* nav = navigationController();
    if (!nav)
        return;
    auto picker = std::make_shared<ColumnPickerViewController>(
        ui::TableViewStyle::Plain, theModel().columns(), std::nullopt, PickerPositionFilterColumn);
    picker->setDelegate(this);
    picker->setPreferredContentSize(preferredContentSize());
    nav->pushViewController(picker, true);
}

void WheresViewController::picker(ColumnPickerViewController&,
                                  const std::vector<std::shared_ptr<Column>>& pickedColumns, uint64_t) {
    auto* nav = navigationController();
    auto editor = makeEditor();
    if (pickedColumns.empty() || !nav || !editor)
        return;
    editor->setColumn(pickedColumns.back());
    nav->pushViewController(editor, true);
}

void WheresViewController::close() {
    if (ui::ViewController* presenter = presenterOfContainer(*this))
        presenter->dismissViewController(true);
}

void WheresViewController::where(const WhereClauseObj& w) {
    auto keep = shared_from_this();
    if (auto* nav = navigationController())
        nav->popToViewController(this, true);
    Model& m = theModel();
    if (analysis_) {
        // An empty constant counts here: "=" with nothing typed is stored as an empty text.
        const bool complete = (w.op != FilterIn && w.constant) || (w.op == FilterIn && !w.levels.empty());
        auto fill = [&](WhereClause& stored) {
            auto column = w.colNum >= 0 ? m.columnNumber(uint64_t(w.colNum)) : nullptr;
            stored.setX(column.get());
            stored.setOp(int64_t(w.op));
            stored.setC(w.constant);
            stored.setLevels(w.levels);
        };
        if (selectedWhere_) {
            if (complete) {
                fill(*selectedWhere_);
            } else {
                if (auto context = m.managedObjectContext())
                    context->deleteObject(*selectedWhere_);
                selectedWhere_.reset();
            }
        } else if (complete) {
            if (auto context = m.managedObjectContext()) {
                auto stored = context->insertNewObject<WhereClause>();
                fill(*stored);
                if (isSecondayWhere_)
                    analysis_->addWheres2Object(*stored);
                else
                    analysis_->addWheresObject(*stored);
                selectedWhere_ = stored;
            }
        }
        m.saveContext();
    } else if (setWheres_) {
        const bool complete = (w.op != FilterIn && w.constant && !w.constant->empty()) ||
                              (w.op == FilterIn && !w.levels.empty());
        if (selectedWhereDict_)
            setWheres_->erase(selectedWhereDict_);
        selectedWhereDict_.reset();
        if (complete) {
            // The new clause is the one being edited now: a second answer replaces it, not adds to it.
            selectedWhereDict_ = std::make_shared<WhereClauseObj>(w);
            setWheres_->insert(selectedWhereDict_);
        }
    }
    refreshWheres();
    if (isViewLoaded())
        tableView().reloadData();
}
