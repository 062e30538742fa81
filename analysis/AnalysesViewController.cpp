// The list of saved analyses.
#include "analysis/AnalysesViewController.h"

#include "app/VariablesViewController.h"
#include "platform/foundation/Tr.h"

#include <algorithm>

using foundation::tr;

namespace {

// The names of the analysis's variables, each once, in the order left, right, then the others.
std::string variableNames(const Analysis& analysis) {
    std::vector<std::shared_ptr<Column>> columns{analysis.left(), analysis.right()};
    for (auto& column : analysis.columns())
        columns.push_back(std::move(column));
    std::vector<store::ObjectId> seen;
    std::string out;
    for (const auto& column : columns) {
        if (!column || std::find(seen.begin(), seen.end(), column->objectID()) != seen.end())
            continue;
        seen.push_back(column->objectID());
        out += (out.empty() ? "" : ", ") + column->name();
    }
    return out;
}

} // namespace

AnalysesViewController::AnalysesViewController() : model_(&Model::sharedModel()) {}

void AnalysesViewController::viewDidLoad() {
    setTitle(tr("Analysis"));
    tableView().setIdentifier("tableView");
    tableView().setRowHeight(76);
    tableView().setAllowsSelection(false);
    tableView().registerCellFactory("AnalysisCell",
                                    [](const std::string& id) { return std::make_shared<AnalysisCell>(id); });
}

void AnalysesViewController::viewWillAppear(bool animated) {
    // Objects held since the last appearance may belong to a context that was reset or to another
    // workspace: the list is fetched again each time.
    analyses_ = model_ ? model_->analyses() : std::vector<std::shared_ptr<Analysis>>{};
    ui::TableViewController::viewWillAppear(animated);
    tableView().reloadData();
}

int AnalysesViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(analyses_.size());
}

std::shared_ptr<ui::TableViewCell> AnalysesViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                 ui::IndexPath indexPath) {
    auto cell = std::static_pointer_cast<AnalysisCell>(
        tableView.dequeueReusableCellWithIdentifier("AnalysisCell", indexPath));
    const auto row = static_cast<size_t>(indexPath.row);
    if (row >= analyses_.size())
        return cell;
    const Analysis& analysis = *analyses_[row];
    cell->labelType().setText(analysis.name());
    cell->labelDescription().setText(variableNames(analysis));
    cell->labelWhere().setText(model_->stringForWhereClauses(analysis.wheres()));
    return cell;
}
