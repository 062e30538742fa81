// A search bar (a field with a cancel button while editing) and the search controller that tells its
// results updater of every change; the bar is usually a table's header view.
#pragma once

#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

namespace ui {

class SearchBar;

class SearchBarDelegate {
  public:
    virtual ~SearchBarDelegate() = default;
    virtual void searchBarTextDidChange(SearchBar& bar, const std::string& text) {}
    virtual void searchBarSearchButtonClicked(SearchBar& bar) {}
    virtual void searchBarCancelButtonClicked(SearchBar& bar) {}
};

class SearchBar : public View {
  public:
    explicit SearchBar(const Rect& frame = {0, 0, 320, 44});
    const std::string& text() const { return field_->text(); }
    void setText(const std::string& text);
    const std::string& placeholder() const { return field_->placeholder(); }
    void setPlaceholder(std::string p) { field_->setPlaceholder(std::move(p)); }
    // The screen's delegate; a search controller observes the bar beside it, so a screen may be the
    // delegate of a bar that a search controller drives.
    SearchBarDelegate* delegate() const { return delegate_; }
    void setDelegate(SearchBarDelegate* d) { delegate_ = d; }
    void setObserver(SearchBarDelegate* o) { observer_ = o; }
    TextField& searchField() { return *field_; }
    Button& cancelButton() { return *cancel_; }
    // Empties the field, ends editing and tells the delegate (what the cancel button does).
    void cancel();
    void layoutSubviews() override;
    bool becomeFirstResponder() override { return field_->becomeFirstResponder(); }

  private:
    std::shared_ptr<TextField> field_;
    std::shared_ptr<Button> cancel_;
    // Tells the observer, then the delegate.
    void notify(void (SearchBarDelegate::*message)(SearchBar&));
    friend class FieldRelay;
    SearchBarDelegate* delegate_ = nullptr;
    SearchBarDelegate* observer_ = nullptr;
    std::unique_ptr<TextFieldDelegate> fieldDelegate_;
};

class SearchController;

class SearchResultsUpdating {
  public:
    virtual ~SearchResultsUpdating() = default;
    virtual void updateSearchResultsForSearchController(SearchController& controller) = 0;
};

class SearchController : private SearchBarDelegate {
  public:
    explicit SearchController(ViewController::Ptr resultsController = nullptr);
    SearchBar& searchBar() { return *bar_; }
    std::shared_ptr<SearchBar> searchBarPtr() { return bar_; }
    ViewController* searchResultsController() const { return results_.get(); }
    SearchResultsUpdating* searchResultsUpdater() const { return updater_; }
    void setSearchResultsUpdater(SearchResultsUpdating* u) { updater_ = u; }
    bool isActive() const { return active_; }
    void setActive(bool active);
    bool obscuresBackgroundDuringPresentation = false;

  private:
    void searchBarTextDidChange(SearchBar& bar, const std::string& text) override;
    void searchBarCancelButtonClicked(SearchBar& bar) override;
    void update();
    std::shared_ptr<SearchBar> bar_;
    ViewController::Ptr results_;
    SearchResultsUpdating* updater_ = nullptr;
    bool active_ = false;
};

} // namespace ui
