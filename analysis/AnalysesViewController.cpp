// The list of saved analyses and the new-analysis chooser.
#include "analysis/AnalysesViewController.h"

#include "app/TextFormat.h"
#include "app/VariablesViewController.h"
#include "platform/foundation/Tr.h"

#include <algorithm>
#include <chrono>

using foundation::tr;

namespace {

double secondsNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

// One line: line breaks and tabs become spaces.
std::string oneLine(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    return text;
}

} // namespace

AnalysesViewController::AnalysesViewController() : model_(&Model::sharedModel()) {}

void AnalysesViewController::viewDidLoad() {
    setTitle(tr("Analysis"));
    tableView().setIdentifier("tableView");
    tableView().setRowHeight(76);
    tableView().registerCellFactory("AnalysisCell",
                                    [](const std::string& id) { return std::make_shared<AnalysisCell>(id); });
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    newItem_ = std::make_shared<ui::BarButtonItem>(tr("New Analysis"), [weak](ui::BarButtonItem&) {
        if (auto self = std::static_pointer_cast<AnalysesViewController>(weak.lock()))
            self->newAnalysis();
    });
    navigationItem().setRightBarButtonItem(newItem_);
}

void AnalysesViewController::viewWillAppear(bool animated) {
    // Objects held since the last appearance may belong to a context that was reset or to another
    // workspace: the list is fetched again each time.
    const bool open = model_ && model_->currentStore();
    analyses_ = open ? model_->analyses() : std::vector<std::shared_ptr<Analysis>>{};
    if (newItem_)
        newItem_->setEnabled(open);
    ui::TableViewController::viewWillAppear(animated);
    tableView().reloadData();
}

void AnalysesViewController::newAnalysis() {
    if (!model_ || !model_->currentStore() || !navigationController())
        return;
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    auto chooser = std::make_shared<NewAnalysisViewController>([weak](const AnalysisKind& kind) {
        if (auto self = std::static_pointer_cast<AnalysesViewController>(weak.lock()))
            self->createAnalysis(kind);
    });
    navigationController()->pushViewController(chooser, true);
}

std::shared_ptr<AnalysisDetailViewController>
AnalysesViewController::screenFor(const std::shared_ptr<Analysis>& analysis, const AnalysisKind& kind) {
    auto screen = kind.makeScreen ? kind.makeScreen() : nullptr;
    if (!screen)
        return nullptr;
    screen->setModel(model_);
    screen->setAnalysis(analysis);
    if (mail_)
        screen->setMailService(mail_);
    if (print_)
        screen->setPrintService(print_);
    return screen;
}

void AnalysesViewController::createAnalysis(const AnalysisKind& kind) {
    ui::NavigationController* nav = navigationController();
    if (!model_ || !model_->currentStore() || !nav)
        return;
    auto analysis = model_->addAnalysis(kind.title);
    if (!analysis)
        return;
    model_->changeAnalysis(*analysis, kind.type);
    analysis->setDistribution(kind.distribution);
    model_->saveContext();
    auto screen = screenFor(analysis, kind);
    if (!screen)
        return;
    // The screen takes the chooser's place: Back returns to this list.
    std::vector<ui::ViewController::Ptr> stack = nav->viewControllers();
    if (stack.size() > 1 && dynamic_cast<NewAnalysisViewController*>(stack.back().get()))
        stack.pop_back();
    stack.push_back(screen);
    nav->setViewControllers(std::move(stack), true);
}

bool AnalysesViewController::openAnalysis(const std::shared_ptr<Analysis>& analysis) {
    if (!analysis || !model_ || !navigationController())
        return false;
    auto kind = AnalysisKinds::shared().kindOf(analysis->type(), analysis->distribution());
    if (!kind)
        return false;
    auto screen = screenFor(analysis, *kind);
    if (!screen)
        return false;
    // The list follows use: the analysis opened last comes first.
    analysis->setLastOpened(secondsNow());
    model_->saveContext();
    navigationController()->pushViewController(screen, true);
    return true;
}

int AnalysesViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(analyses_.size());
}

std::string AnalysesViewController::typeText(const Analysis& analysis) {
    return AnalysisKinds::shared().titleOf(analysis.type(), analysis.distribution());
}

std::string AnalysesViewController::descriptionText(const Analysis& analysis) {
    // Left, right, then the further columns in the workspace's order, each once.
    std::vector<std::shared_ptr<Column>> further = analysis.columns();
    std::stable_sort(further.begin(), further.end(), [](const auto& a, const auto& b) {
        return a && b && a->num() < b->num();
    });
    std::vector<std::shared_ptr<Column>> columns{analysis.left(), analysis.right()};
    columns.insert(columns.end(), further.begin(), further.end());
    std::vector<store::ObjectId> seen;
    std::string out;
    for (const auto& column : columns) {
        if (!column || std::find(seen.begin(), seen.end(), column->objectID()) != seen.end())
            continue;
        seen.push_back(column->objectID());
        out += (out.empty() ? "" : ", ") + column->name();
    }
    return oneLine(out);
}

std::string AnalysesViewController::whereText(const Analysis& analysis) const {
    const std::string where = model_ ? model_->stringForWhereAnalysis(analysis) : std::string();
    if (where.empty())
        return tr("No filters");
    return oneLine(formatText(tr("Filters: %@"), {where}));
}

std::shared_ptr<ui::TableViewCell> AnalysesViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                 ui::IndexPath indexPath) {
    auto cell = std::static_pointer_cast<AnalysisCell>(
        tableView.dequeueReusableCellWithIdentifier("AnalysisCell", indexPath));
    const auto row = static_cast<size_t>(indexPath.row);
    if (row >= analyses_.size())
        return cell;
    const Analysis& analysis = *analyses_[row];
    cell->labelType().setText(typeText(analysis));
    cell->labelDescription().setText(descriptionText(analysis));
    cell->labelWhere().setText(whereText(analysis));
    return cell;
}

void AnalysesViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    tableView.deselectRowAtIndexPath(indexPath, true);
    const auto row = static_cast<size_t>(indexPath.row);
    if (row < analyses_.size())
        openAnalysis(analyses_[row]);
}

bool AnalysesViewController::canEditRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
    return static_cast<size_t>(indexPath.row) < analyses_.size();
}

void AnalysesViewController::commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                                                ui::IndexPath indexPath) {
    const auto row = static_cast<size_t>(indexPath.row);
    if (style != ui::TableViewCellEditingStyle::Delete || row >= analyses_.size() || !model_)
        return;
    model_->removeAnalysis(*analyses_[row]);
    analyses_.erase(analyses_.begin() + static_cast<std::ptrdiff_t>(row));
    tableView.deleteRowsAtIndexPaths({indexPath}, true);
}

// --- NewAnalysisViewController

NewAnalysisViewController::NewAnalysisViewController(std::function<void(const AnalysisKind&)> chosen)
    : chosen_(std::move(chosen)) {}

void NewAnalysisViewController::viewDidLoad() {
    setTitle(tr("New Analysis"));
    kinds_ = AnalysisKinds::shared().kinds();
    tableView().setIdentifier("tableKinds");
    tableView().registerCellFactory("kind", [](const std::string& id) {
        return std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, id);
    });
}

int NewAnalysisViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(kinds_.size());
}

std::shared_ptr<ui::TableViewCell> NewAnalysisViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                    ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier("kind", indexPath);
    const auto row = static_cast<size_t>(indexPath.row);
    if (row < kinds_.size())
        cell->textLabel().setText(tr(kinds_[row].title));
    return cell;
}

void NewAnalysisViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    tableView.deselectRowAtIndexPath(indexPath, false);
    const auto row = static_cast<size_t>(indexPath.row);
    if (row < kinds_.size() && chosen_)
        chosen_(kinds_[row]);
}
