// The glossary list, its search, and the term pages.
#include "app/GlossaryViewController.h"

#include "app/Glossary.h"
#include "platform/foundation/Tr.h"
#include "platform/ui/Environment.h"
#include "platform/ui/TextView.h"

using foundation::tr;

std::shared_ptr<GlossaryViewController> GlossaryViewController::presentFromBarButtonItem(
    ui::ViewController& presenter, ui::BarButtonItem& item, std::vector<std::string> terms) {
    auto glossary = std::make_shared<GlossaryViewController>();
    glossary->setTerms(std::move(terms));
    auto nav = std::make_shared<ui::NavigationController>(glossary);
    nav->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
    // Wide enough for the title beside Done.
    nav->setPreferredContentSize({360, 540});
    nav->popoverPresentationController().barButtonItem = &item;
    presenter.presentViewController(nav, true);
    return glossary;
}

std::shared_ptr<DCTextEngine> GlossaryViewController::detailTextEngine() {
    auto engine = DCTextEngine::engineWithMarkdown();
    engine->addPattern("!\\[[^\\[\\]]*?\\]\\(.*?\\)", [](const std::string&, const std::string& text) {
        // The name runs from after the first "(" to just before the match's last character.
        size_t open = text.find('(');
        std::string name = open == std::string::npos || text.size() < open + 2
                               ? std::string()
                               : text.substr(open + 1, text.size() - open - 2);
        DCTextOptions options;
        options.attachment = std::make_shared<DCTextAttachment>();
        options.attachment->image = ui::imageNamed(name);
        return std::optional(options);
    });
    return engine;
}

void GlossaryViewController::viewDidLoad() {
    setTitle(tr("Glossary of Terms"));
    navigationItem().setRightBarButtonItem(
        std::make_shared<ui::BarButtonItem>(ui::BarButtonItem::SystemItem::Done, [this](ui::BarButtonItem&) { dismiss(); }));
    searchTerms_ = terms_;
    sdc_ = std::make_unique<ui::SearchController>();
    sdc_->obscuresBackgroundDuringPresentation = false;
    sdc_->setSearchResultsUpdater(this);
    sdc_->searchBar().setDelegate(this);
    sdc_->searchBar().setPlaceholder(tr("Search help terms"));
    tableView().setTableHeaderView(sdc_->searchBarPtr());
}

void GlossaryViewController::dismiss() {
    ui::ViewController* shown = navigationController() ? static_cast<ui::ViewController*>(navigationController()) : this;
    if (ui::ViewController* presenter = shown->presentingViewController())
        presenter->dismissViewController(true);
}

void GlossaryViewController::filterColumnsForString(const std::string& text) {
    searchTerms_ = text.empty() ? terms_ : Glossary::subsetOfTerms(terms_, text);
}

int GlossaryViewController::numberOfRowsInSection(ui::TableView&, int) {
    return int(searchTerms_.size());
}

std::shared_ptr<ui::TableViewCell> GlossaryViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                 ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier("GlossaryCell", indexPath);
    cell->textLabel().setText(Glossary::titleForTerm(searchTerms_[size_t(indexPath.row)]).value_or(""));
    return cell;
}

void GlossaryViewController::updateSearchResultsForSearchController(ui::SearchController& controller) {
    filterColumnsForString(controller.searchBar().text());
    tableView().reloadData();
}

void GlossaryViewController::searchBarCancelButtonClicked(ui::SearchBar&) {
    searchTerms_ = terms_;
    // Without the reload the table would go on showing the filtered rows it last had.
    tableView().reloadData();
}

void GlossaryViewController::didSelectRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
    if (size_t(indexPath.row) < searchTerms_.size())
        showTerm(searchTerms_[size_t(indexPath.row)]);
}

void GlossaryViewController::showTerm(const std::string& key) {
    auto page = std::make_shared<ui::ViewController>();
    auto text = std::make_shared<ui::TextView>(ui::Rect{20, 20, 300, 400});
    text->setIdentifier("glossaryText");
    text->setAttributedText(detailTextEngine()->parse(Glossary::textForTerm(key).value_or("")).richText());
    text->setEditable(false);
    page->view().addSubview(text);
    page->view().setBackgroundColor(ui::Color::gray(0.9));
    page->setTitle(Glossary::titleForTerm(key).value_or(""));
    if (ui::NavigationController* nav = navigationController())
        nav->pushViewController(page, true);
}
