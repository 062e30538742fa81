// The Variables screen: its rows with their placeholders, cached figures and background figures, the
// search, deletion, the Add button with its limit and tip, and the pager's pages.
#include "app/VariablesViewController.h"

#include "app/EditVariableViewController.h"
#include "app/HelpTip.h"
#include "app/TextFormat.h"
#include "app/VariableTypeText.h"
#include "model/CellReading.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/IcuText.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/foundation/Tr.h"
#include "platform/ui/Window.h"

using foundation::tr;

namespace {

const ui::Color kShaded{1.0, 0.8, 0.4, 1};
const ui::Color kGridBorder = ui::Color::gray(0.8);
constexpr const char* kHelpKey = "newVariable";

std::shared_ptr<ui::Label> makeLabel(const char* identifier, gfx::Font font) {
    auto label = std::make_shared<ui::Label>();
    label->setIdentifier(identifier);
    label->setFont(std::move(font));
    return label;
}

ui::Color colourOfType(int64_t type) {
    const RGBAColor c = Model::colorForVariableType(type < 0 ? 0 : static_cast<uint64_t>(type));
    return {c.red, c.green, c.blue, c.alpha};
}

std::string figure(const std::optional<double>& value, const std::function<std::string(double)>& format) {
    return value ? format(*value) : std::string();
}

// What a row shows once its figures are known, computed on a background Model: the statistics are
// computed and cached first when incomplete, and the figures come from this computation, not from
// whatever another context holds for the column.
VariableCell::Figures figuresOf(Model& model, Column& column, int64_t type) {
    VariableCell::Figures f;
    const BasicStatsSummary s = model.retrieveBasicStatsForColumn(column);
    using G = VariableCell::Grid;
    if (type == 1 || type == 2) {
        f.obs = formatText(tr("Observations: %@"), {std::to_string(s.obs)});
        f.levels = formatText(tr("Unique Values: %@"), {std::to_string(s.levels)});
        const TopFrequencies top = model.frequenciesOfColumn(column, 3);
        foundation::NumberFormatter percent(foundation::NumberFormatter::Style::Percent,
                                            foundation::currentLocale());
        const G levelLabels[] = {G::Med, G::Max}, countLabels[] = {G::R3C2, G::R3C3},
                percentLabels[] = {G::R4C2, G::R4C3};
        for (size_t k = 0; k < 2; ++k) {
            // The first entry needs a level, the second two; a missing entry leaves its labels empty.
            const bool present = s.levels >= static_cast<int64_t>(k + 1) && k < top.levels.size();
            f.grid[levelLabels[k]] = present ? formatText(" %@", {top.levels[k]}) : "";
            f.grid[countLabels[k]] = present ? formatText("%@ ", {std::to_string(top.counts[k])}) : "";
            f.grid[percentLabels[k]] =
                present && s.obs > 0 ? formatText("%@ ", {percent.format(static_cast<double>(top.counts[k]) /
                                                                         static_cast<double>(s.obs))})
                                     : "";
        }
        return f;
    }
    std::function<std::string(double)> format = [](double v) { return Model::stringFromNumber(v); };
    int64_t obs = s.obsNumeric.value_or(0);
    if (type == 4) {
        format = [](double v) { return Model::stringFromNumberOfType(v, 4); };
        obs = s.obsDate.value_or(0);
    }
    f.obs = formatText(tr("Observations: %@"), {std::to_string(obs)});
    f.levels = formatText(tr("Unique Values: %@"), {std::to_string(s.levels)});
    f.grid[G::Min] = formatText(tr("Min: %@"), {figure(s.min, format)});
    f.grid[G::Max] = formatText(tr("Max: %@"), {figure(s.max, format)});
    f.grid[G::Med] = formatText(tr("Median: %@"), {figure(s.pc50, format)});
    f.grid[G::R3C2] = formatText(tr("Mean: %@"), {figure(s.mean, format)});
    return f;
}

} // namespace

// --- VariableCell

VariableCell::VariableCell(const std::string& reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Default, reuseIdentifier) {
    viewLeftShaded_ = std::make_shared<ui::View>();
    viewLeftShaded_->setIdentifier("viewLeftShaded");
    labelName_ = makeLabel("labelName", gfx::Font::boldSystem(17));
    labelType_ = makeLabel("labelType", gfx::Font::system(14));
    labelObs_ = makeLabel("labelObs", gfx::Font::system(14));
    labelLevels_ = makeLabel("labelLevels", gfx::Font::system(14));
    static const char* const gridNames[] = {"labelMin", "labelMed", "labelMax", "label3_1", "label3_2",
                                            "label3_3", "label4_1", "label4_2", "label4_3"};
    for (size_t i = 0; i < grid_.size(); ++i) {
        grid_[i] = makeLabel(gridNames[i], gfx::Font::system(13));
        // Counts and percentages line up on the right under their level; the rest reads from the left.
        const bool right = i == R3C3 || i == R4C2 || i == R4C3;
        grid_[i]->setTextAlignment(right ? gfx::TextAlignment::Right : gfx::TextAlignment::Left);
    }
    auto& content = contentView();
    content.addSubview(viewLeftShaded_);
    for (const auto& label : {labelName_, labelType_, labelObs_, labelLevels_})
        content.addSubview(label);
    for (const auto& label : grid_)
        content.addSubview(label);
}

void VariableCell::prepareForReuse() {
    for (auto* label : {labelName_.get(), labelType_.get(), labelObs_.get(), labelLevels_.get()})
        label->setText("");
    for (const auto& label : grid_) {
        label->setText("");
        label->setBackgroundColor(ui::Color::clear());
        label->layer().setBorderWidth(0);
    }
    viewLeftShaded_->setBackgroundColor(std::nullopt);
    shownColumn_.reset();
}

void VariableCell::apply(const Figures& figures) {
    if (figures.obs)
        labelObs_->setText(*figures.obs);
    if (figures.levels)
        labelLevels_->setText(*figures.levels);
    for (size_t i = 0; i < grid_.size(); ++i)
        if (figures.grid[i])
            grid_[i]->setText(*figures.grid[i]);
}

void VariableCell::layoutSubviews() {
    ui::TableViewCell::layoutSubviews();
    const ui::Rect b = contentView().bounds();
    const double w = b.width(), h = b.height();
    viewLeftShaded_->setFrame({0, 0, 10, h});
    // Tall rows (narrow screens) put the grid under the name; short ones beside it.
    const bool stacked = h >= 150;
    const double textWidth = stacked ? w - 30 : std::min(300.0, w * 0.35);
    labelName_->setFrame({20, 6, textWidth, 24});
    labelType_->setFrame({20, 32, textWidth, 20});
    labelObs_->setFrame({20, 52, textWidth, 20});
    labelLevels_->setFrame({20, 72, textWidth, 20});
    const double x0 = stacked ? 20 : 20 + textWidth + 10, y0 = stacked ? 100 : 8;
    const double cellWidth = (w - 10 - x0) / 3, cellHeight = stacked ? 30 : 28;
    for (size_t i = 0; i < grid_.size(); ++i)
        grid_[i]->setFrame({x0 + cellWidth * static_cast<double>(i % 3),
                            y0 + cellHeight * static_cast<double>(i / 3), cellWidth, cellHeight});
}

// --- AnalysisCell

AnalysisCell::AnalysisCell(const std::string& reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Default, reuseIdentifier) {
    labelType_ = makeLabel("labelType", gfx::Font::boldSystem(17));
    labelDescription_ = makeLabel("labelDescription", gfx::Font::system(15));
    labelWhere_ = makeLabel("labelWhere", gfx::Font::system(13));
    labelWhere_->setTextColor(ui::Color::gray(0.4));
    for (const auto& label : {labelType_, labelDescription_, labelWhere_})
        contentView().addSubview(label);
}

void AnalysisCell::layoutSubviews() {
    ui::TableViewCell::layoutSubviews();
    const double w = contentView().bounds().width() - 30;
    labelType_->setFrame({15, 6, w, 24});
    labelDescription_->setFrame({15, 31, w, 20});
    labelWhere_->setFrame({15, 52, w, 18});
}

// --- VariablesViewController

VariablesViewController::VariablesViewController() {
    registerSegue("edit", [] { return std::make_shared<EditVariableViewController>(); });
    registerSegue("detail", [] { return std::make_shared<ui::PageViewController>(); });
}

VariablesViewController::~VariablesViewController() {
    if (ptv_)
        ptv_->removeFromSuperview();
}

void VariablesViewController::loadView() {
    ui::ViewController::loadView();
    auto& root = view();
    const double w = root.bounds().width(), h = root.bounds().height();
    labelFileInfo_ = makeLabel("labelFileInfo", gfx::Font::system(13));
    labelFileInfo_->setTextColor(ui::Color::gray(0.35));
    labelFileInfo_->setTextAlignment(gfx::TextAlignment::Center);
    labelFileInfo_->setFrame({10, 0, w - 20, 24});
    labelFileInfo_->setAutoresizingMask(ui::FlexibleWidth);
    tableView_ = std::make_shared<ui::TableView>(ui::Rect{0, 24, w, h - 24});
    tableView_->setIdentifier("tableView");
    tableView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    tableView_->setDataSource(this);
    tableView_->setTableDelegate(this);
    tableView_->registerCellFactory("VariableCell",
                                    [](const std::string& id) { return std::make_shared<VariableCell>(id); });
    root.addSubview(labelFileInfo_);
    root.addSubview(tableView_);
}

void VariablesViewController::viewDidLoad() {
    model_ = &Model::sharedModel();
    setTitle(tr("Variables"));
    addButton_ = std::make_shared<ui::BarButtonItem>(tr("Add Variable"), [this](ui::BarButtonItem&) {
        // At the limit the button stays enabled and explains instead of acting.
        if (atLimit_)
            warnManyVariables();
        else
            addAnalysis();
    });
    navigationItem().setRightBarButtonItem(addButton_);
    editButton_ = std::make_shared<ui::BarButtonItem>(
        ui::BarButtonItem::SystemItem::Edit, [this](ui::BarButtonItem&) { setEditing(!isEditing(), true); });
    navigationItem().setLeftBarButtonItem(editButton_);

    search_ = std::make_unique<ui::SearchController>();
    search_->obscuresBackgroundDuringPresentation = false;
    search_->setSearchResultsUpdater(this);
    search_->searchBar().setPlaceholder(tr("Search help terms"));
    tableView_->setTableHeaderView(search_->searchBarPtr());

    rowHeight_ = traitCollection().horizontalSizeClass == ui::SizeClass::Compact ? 200 : 100;
    tableView_->setRowHeight(rowHeight_);
}

void VariablesViewController::viewWillAppear(bool animated) {
    labelFileInfo_->setText(model_->statusLine());
    columns_ = model_->columns();
    filterColumnsForString(search_->searchBar().text());
    tableView_->reloadData();
    addButton_->setEnabled(model_->currentStore().has_value());
    updateAddButton();
    if (auto* nav = navigationController())
        nav->updateBar();
}

void VariablesViewController::viewDidAppear(bool animated) {
    if (!addButton_->isEnabled() || Model::timesSeenHelpKey(kHelpKey) > 1)
        return;
    // A navigation stack shown for the first time tells its root before its bar is in the window: the
    // tip then waits for the next turn, when the Add button has a place to point at.
    if (presentTip(animated))
        return;
    dispatch::mainQueue().async([weak = weak_from_this(), animated] {
        if (auto self = weak.lock())
            static_cast<VariablesViewController&>(*self).presentTip(animated);
    });
}

bool VariablesViewController::presentTip(bool animated) {
    ui::Window* window = ui::Application::shared().keyWindow();
    std::shared_ptr<ui::Button> target = addButton_->view();
    if (!window || window->subviews().empty() || !target->window() || !view().window())
        return false;
    if (!addButton_->isEnabled() || Model::timesSeenHelpKey(kHelpKey) > 1)
        return true;
    if (ptv_)
        ptv_->dismissAnimated(false);
    ptv_ = CMPopTipView::initWithMessage(tr("Tap to create a new variable"));
    styleHelpTip(*ptv_);
    ptv_->presentPointingAtView(*target, *window->subviews().front(), animated);
    Model::incrementTimesSeenHelpKey(kHelpKey);
    return true;
}

void VariablesViewController::viewWillDisappear(bool animated) {
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, animated);
    if (ptv_) {
        ptv_->dismissAnimated(animated);
        ptv_.reset();
    }
}

void VariablesViewController::viewWillTransitionToSize(ui::Size) {
    if (ptv_) {
        ptv_->dismissAnimated(false);
        ptv_.reset();
    }
}

void VariablesViewController::setEditing(bool editing, bool animated) {
    ui::ViewController::setEditing(editing, animated);
    tableView_->setEditing(editing, animated);
    editButton_->setTitle(editing ? tr("Done") : tr("Edit"));
    if (auto* nav = navigationController())
        nav->updateBar();
}

void VariablesViewController::updateAddButton() {
    atLimit_ = model_->countColumns() >= kVariableLimit;
}

void VariablesViewController::addAnalysis() {
    performSegueWithIdentifier("edit");
}

void VariablesViewController::warnManyVariables() {
    auto alert = std::make_shared<ui::AlertController>(
        formatText(tr("%d Variable Limit Reached"), {std::to_string(kVariableLimit)}),
        tr("To make room for a new variable please delete an existing one."),
        ui::AlertControllerStyle::Alert);
    alert->addAction({tr("OK"), ui::AlertActionStyle::Cancel, {}});
    presentViewController(alert, true);
}

void VariablesViewController::filterColumnsForString(const std::string& text) {
    if (text.empty()) {
        searchColumns_ = columns_;
        return;
    }
    // "name contains[cd]": without case or accents.
    const std::string folded = foundation::foldForSearch(text);
    searchColumns_.clear();
    for (const auto& column : columns_)
        if (foundation::foldForSearch(column->name()).find(folded) != std::string::npos)
            searchColumns_.push_back(column);
}

void VariablesViewController::searchBarCancelButtonClicked() {
    searchColumns_ = columns_;
    tableView_->reloadData();
}

void VariablesViewController::updateSearchResultsForSearchController(ui::SearchController& controller) {
    // The controller ends its search when the bar's Cancel is tapped.
    if (!controller.isActive()) {
        searchBarCancelButtonClicked();
        return;
    }
    filterColumnsForString(controller.searchBar().text());
    tableView_->reloadData();
}

int VariablesViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(searchColumns_.size());
}

std::shared_ptr<ui::TableViewCell> VariablesViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                  ui::IndexPath indexPath) {
    auto cell = std::static_pointer_cast<VariableCell>(
        tableView.dequeueReusableCellWithIdentifier("VariableCell", indexPath));
    if (static_cast<size_t>(indexPath.row) < searchColumns_.size())
        configure(*cell, *searchColumns_[static_cast<size_t>(indexPath.row)]);
    return cell;
}

void VariablesViewController::configure(VariableCell& cell, Column& c) {
    using G = VariableCell::Grid;
    const int64_t type = c.type().value_or(0);
    cell.setShownColumn(c.num());
    for (size_t i = 0; i < 9; ++i)
        cell.grid(static_cast<G>(i)).layer().setBorderColor(kGridBorder);
    cell.labelName().setText(c.name());
    cell.viewLeftShaded().setBackgroundColor(colourOfType(type));
    if (type < 0 || type > 4)
        return;

    // The placeholders; "Calculating..." stands where a figure will come.
    const std::string calculating = tr("Calculating...");
    const bool grouped = type == 1 || type == 2, numeric = type == 3 || type == 4;
    cell.labelType().setText(*variableTypeText(type));
    cell.labelObs().setText(type == 0 ? "" : formatText(tr("Observations: %@"), {calculating}));
    cell.labelLevels().setText(type == 0 ? "" : formatText(tr("Unique Values: %@"), {calculating}));
    std::array<std::string, 9> texts;
    if (grouped) {
        texts[G::Min] = type == 1 ? tr(" Frequent Values") : tr(" Values");
        texts[G::Med] = texts[G::Max] = calculating;
        texts[G::R3C1] = tr("Observations");
        texts[G::R4C1] = "%";
    } else if (numeric) {
        texts[G::Min] = tr("Min: ...");
        texts[G::Med] = tr("Median: ...");
        texts[G::Max] = tr("Max: ...");
        texts[G::R3C2] = tr("Mean: ...");
    }
    for (size_t i = 0; i < 9; ++i) {
        ui::Label& label = cell.grid(static_cast<G>(i));
        label.setText(texts[i]);
        label.layer().setBorderWidth(grouped ? 1 : 0);
        const bool header = i == G::Min || i == G::R3C1 || i == G::R4C1;
        label.setBackgroundColor(grouped && header ? kShaded : ui::Color::clear());
    }
    cell.label3_2().setTextAlignment(grouped ? gfx::TextAlignment::Right : gfx::TextAlignment::Left);
    if (type == 0)
        return;

    // Cached figures where the cache is complete.
    if (!Model::needCalcBasicStatsForColulmn(c)) {
        if (type == 4) {
            const double scale = c.maxDate().value_or(0) - c.minDate().value_or(0);
            auto date = [scale](const std::optional<double>& v) {
                return figure(
                    v, [scale](double x) { return Model::stringFromNumberOfTypeTimeScale(x, 4, scale); });
            };
            cell.labelObs().setText(
                formatText(tr("Observations: %@"), {std::to_string(c.obsDate().value_or(0))}));
            cell.labelLevels().setText(
                formatText(tr("Unique Values: %@"), {std::to_string(c.levelsDate().value_or(0))}));
            cell.labelMin().setText(formatText(tr("Min: %@"), {date(c.minDate())}));
            cell.labelMax().setText(formatText(tr("Max: %@"), {date(c.maxDate())}));
            cell.labelMed().setText(formatText(tr("Median: %@"), {date(c.pc50Date())}));
            cell.label3_2().setText(formatText(tr("Mean: %@"), {date(c.meanDate())}));
            return;
        }
        if (type == 3) {
            auto number = [](const std::optional<double>& v) {
                return figure(v, [](double x) { return Model::stringFromNumberOfType(x, 3); });
            };
            cell.labelObs().setText(
                formatText(tr("Observations: %@"), {std::to_string(c.obsNumeric().value_or(0))}));
            cell.labelLevels().setText(
                formatText(tr("Unique Values: %@"), {std::to_string(c.levels().value_or(0))}));
            cell.labelMin().setText(formatText(tr("Min: %@"), {number(cellreading::storedNumber(c.min()))}));
            cell.labelMax().setText(formatText(tr("Max: %@"), {number(cellreading::storedNumber(c.max()))}));
            cell.labelMed().setText(formatText(tr("Median: %@"), {number(c.pc50())}));
            cell.label3_2().setText(formatText(tr("Mean: %@"), {number(c.mean())}));
            return;
        }
        cell.labelObs().setText(formatText(tr("Observations: %@"), {std::to_string(c.obs().value_or(0))}));
        cell.labelLevels().setText(
            formatText(tr("Unique Values: %@"), {std::to_string(c.levels().value_or(0))}));
    }
    startFigures(cell, c);
}

void VariablesViewController::startFigures(VariableCell& cell, const Column& column) {
    const store::ObjectId id = column.objectID();
    const int64_t num = column.num(), type = column.type().value_or(0);
    std::weak_ptr<VariableCell> weakCell = std::static_pointer_cast<VariableCell>(cell.shared_from_this());
    auto coordinator = model_->persistentStoreCoordinator();
    auto hook = figuresHook_;
    dispatch::globalQueue(dispatch::Priority::high).async([=] {
        Model background;
        background.setPersistentStoreCoordinator(coordinator);
        background.setManagedObjectContext(std::make_shared<store::Context>(coordinator));
        auto fetched = background.managedObjectContext()->existingObject<Column>(id);
        if (!fetched)
            return;
        // The figures travel back as values, with the num of the column they belong to.
        const VariableCell::Figures figures = figuresOf(background, *fetched, type);
        if (hook)
            hook(num, false);
        dispatch::mainQueue().sync([weakCell, num, figures] {
            auto shown = weakCell.lock();
            if (shown && shown->shownColumn() == num)
                shown->apply(figures);
        });
        if (hook)
            hook(num, true);
    });
}

void VariablesViewController::commitEditingStyle(ui::TableView& tableView,
                                                 ui::TableViewCellEditingStyle style,
                                                 ui::IndexPath indexPath) {
    const auto row = static_cast<size_t>(indexPath.row);
    if (style != ui::TableViewCellEditingStyle::Delete || row >= searchColumns_.size())
        return;
    model_->removeColumn(*searchColumns_[row]);
    columns_ = model_->columns();
    filterColumnsForString(search_->searchBar().text());
    tableView.deleteRowsAtIndexPaths({indexPath}, true);
    updateAddButton();
}

void VariablesViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath) {
    performSegueWithIdentifier("detail");
    if (auto selected = tableView.indexPathForSelectedRow())
        tableView.deselectRowAtIndexPath(*selected, false);
}

void VariablesViewController::prepareForSegue(const std::string& identifier,
                                              ui::ViewController& destination) {
    if (identifier == "edit") {
        if (auto* editor = dynamic_cast<EditVariableViewController*>(&destination))
            editor->setModel(model_);
        return;
    }
    if (identifier != "detail")
        return;
    auto* pages = dynamic_cast<ui::PageViewController*>(&destination);
    auto selected = tableView_->indexPathForSelectedRow();
    if (!pages || !selected)
        return;
    pages->setDataSource(this);
    const auto row = static_cast<size_t>(selected->row);
    if (auto page = pageAt(row, row == 0, row + 1 == searchColumns_.size()))
        pages->setViewControllers({page}, ui::PageNavigationDirection::Forward, false);
}

ui::ViewController::Ptr VariablesViewController::pageAt(size_t index, bool hideLeft, bool hideRight) {
    if (index >= searchColumns_.size())
        return nullptr;
    auto controller =
        ui::ControllerRegistry::shared().instantiateViewControllerWithIdentifier("variableDetail");
    auto* page = dynamic_cast<VariableDetailPage*>(controller.get());
    if (!page)
        return nullptr;
    page->setModel(model_);
    page->setObjectIDColumn(searchColumns_[index]->objectID());
    page->setHideLeftArrow(hideLeft);
    page->setHideRightArrow(hideRight);
    return controller;
}

std::optional<size_t> VariablesViewController::positionOfPage(ui::ViewController& current) const {
    auto* page = dynamic_cast<VariableDetailPage*>(&current);
    auto column = page ? page->column() : nullptr;
    if (!column)
        return std::nullopt;
    for (size_t i = 0; i < searchColumns_.size(); ++i)
        if (searchColumns_[i]->objectID() == column->objectID())
            return i;
    return std::nullopt;
}

ui::ViewController::Ptr
VariablesViewController::viewControllerBeforeViewController(ui::PageViewController&,
                                                            ui::ViewController& current) {
    const auto i = positionOfPage(current);
    if (!i || *i == 0)
        return nullptr;
    return pageAt(*i - 1, *i == 1, false);
}

ui::ViewController::Ptr
VariablesViewController::viewControllerAfterViewController(ui::PageViewController&,
                                                           ui::ViewController& current) {
    const auto i = positionOfPage(current);
    if (!i || *i + 1 >= searchColumns_.size())
        return nullptr;
    return pageAt(*i + 1, false, *i + 2 == searchColumns_.size());
}
