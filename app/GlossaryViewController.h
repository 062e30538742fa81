// The searchable list of the glossary terms a result screen names, and each term's page, its text
// rendered by the Markdown engine with inline images from the app's resources.
#pragma once

#include "controls/DCTextEngine.h"
#include "platform/ui/SearchController.h"
#include "platform/ui/TableViewController.h"

#include <memory>
#include <string>
#include <vector>

class GlossaryViewController : public ui::TableViewController,
                               public ui::SearchResultsUpdating,
                               public ui::SearchBarDelegate {
  public:
    GlossaryViewController() = default;

    // The keys to list, in order; set before the view loads.
    const std::vector<std::string>& terms() const { return terms_; }
    void setTerms(std::vector<std::string> terms) { terms_ = std::move(terms); }
    // The keys shown: all of the terms, or those whose titles match the search text.
    const std::vector<std::string>& searchTerms() const { return searchTerms_; }
    ui::SearchController* sdc() const { return sdc_.get(); }

    // What the result screens do: the glossary of these terms in a navigation controller, as a popover
    // from the bar button item, animated.
    static std::shared_ptr<GlossaryViewController> presentFromBarButtonItem(ui::ViewController& presenter,
                                                                            ui::BarButtonItem& item,
                                                                            std::vector<std::string> terms);
    // The Markdown engine with the image rule of the term pages: "![caption](name)" becomes an attachment
    // holding the app's image of that name (none when the app has no such image).
    static std::shared_ptr<DCTextEngine> detailTextEngine();

    void viewDidLoad() override;
    // The presenter dismisses the glossary, animated (the whole popover goes).
    void dismiss();
    void filterColumnsForString(const std::string& text);
    // Opens the page of a term: its text in a text view, titled with the term's title, pushed.
    void showTerm(const std::string& key);

    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void updateSearchResultsForSearchController(ui::SearchController& controller) override;
    void searchBarCancelButtonClicked(ui::SearchBar& searchBar) override;

  private:
    std::vector<std::string> terms_;
    std::vector<std::string> searchTerms_;
    std::unique_ptr<ui::SearchController> sdc_;
};
