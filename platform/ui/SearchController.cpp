// Search bar editing and the search controller's updates.
#include "platform/ui/SearchController.h"

#include "platform/foundation/Tr.h"

namespace ui {

// Relays the field's return key to the bar's delegate as the search button.
class FieldRelay : public TextFieldDelegate {
  public:
    explicit FieldRelay(SearchBar& bar) : bar_(bar) {}
    bool textFieldShouldReturn(TextField& field) override {
        bar_.notify(&SearchBarDelegate::searchBarSearchButtonClicked);
        field.resignFirstResponder();
        return true;
    }

  private:
    SearchBar& bar_;
};

SearchBar::SearchBar(const Rect& frame)
    : View(frame), field_(std::make_shared<TextField>()), cancel_(std::make_shared<Button>()) {
    setBackgroundColor(Color::gray(0.93));
    field_->setBorderStyle(TextBorderStyle::RoundedRect);
    field_->setPlaceholder(foundation::tr("Search"));
    field_->setClearButtonMode(TextFieldViewMode::WhileEditing);
    field_->setIdentifier("searchField");
    cancel_->setTitle(foundation::tr("Cancel"));
    cancel_->setIdentifier("searchCancel");
    cancel_->setHidden(true);
    fieldDelegate_ = std::make_unique<FieldRelay>(*this);
    field_->setDelegate(fieldDelegate_.get());
    field_->addTarget(EditingChanged, [this](Control&) {
        if (observer_)
            observer_->searchBarTextDidChange(*this, field_->text());
        if (delegate_)
            delegate_->searchBarTextDidChange(*this, field_->text());
    });
    field_->addTarget(EditingDidBegin | EditingDidEnd, [this](Control&) {
        cancel_->setHidden(!field_->isEditing());
        setNeedsLayout();
    });
    cancel_->addTarget(TouchUpInside, [this](Control&) { cancel(); });
    setAutoresizingMask(FlexibleWidth);
    addSubview(field_);
    addSubview(cancel_);
}

void SearchBar::setText(const std::string& text) {
    field_->setText(text);
    if (observer_)
        observer_->searchBarTextDidChange(*this, text);
    if (delegate_)
        delegate_->searchBarTextDidChange(*this, text);
}

void SearchBar::notify(void (SearchBarDelegate::*message)(SearchBar&)) {
    if (observer_)
        (observer_->*message)(*this);
    if (delegate_)
        (delegate_->*message)(*this);
}

void SearchBar::cancel() {
    field_->setText("");
    field_->resignFirstResponder();
    cancel_->setHidden(true);
    notify(&SearchBarDelegate::searchBarCancelButtonClicked);
}

void SearchBar::layoutSubviews() {
    Rect b = bounds();
    double cancelWidth = cancel_->isHidden() ? 0 : 70;
    field_->setFrame({8, 7, std::max(0.0, b.width() - 16 - cancelWidth), b.height() - 14});
    cancel_->setFrame({b.width() - cancelWidth - 4, 7, cancelWidth, b.height() - 14});
}

SearchController::SearchController(ViewController::Ptr resultsController)
    : bar_(std::make_shared<SearchBar>()), results_(std::move(resultsController)) {
    bar_->setObserver(this);
    bar_->searchField().addTarget(EditingDidBegin, [this](Control&) { setActive(true); });
}

void SearchController::setActive(bool active) {
    if (active_ == active)
        return;
    active_ = active;
    update();
}

void SearchController::searchBarTextDidChange(SearchBar&, const std::string&) {
    update();
}

void SearchController::searchBarCancelButtonClicked(SearchBar&) {
    setActive(false);
}

void SearchController::update() {
    if (updater_)
        updater_->updateSearchResultsForSearchController(*this);
}

} // namespace ui
