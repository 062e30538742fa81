// A text field that offers suggestions for what is typed: after a short quiet time each change fetches
// completions from a data source on a background queue, ranks them on another, and shows them in a
// drop-down list inserted just below the field in its superview.
#pragma once

#include "controls/MLPAutoCompleteProtocols.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/OperationQueue.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"

#include <memory>
#include <optional>
#include <string>

class MLPAutoCompleteTextField : public ui::TextField,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate,
                                 public MLPAutoCompleteFetchOperationDelegate,
                                 public MLPAutoCompleteSortOperationDelegate {
  public:
    static constexpr const char* DefaultCellIdentifier = "_DefaultAutoCompleteCellIdentifier";

    explicit MLPAutoCompleteTextField(const ui::Rect& frame = {});
    ~MLPAutoCompleteTextField() override;

    // --- What supplies and hears of the suggestions. The data source is held weakly: its owner (the
    // screen that shows the field) keeps it, and a fetch for a closed screen finds it gone.
    std::shared_ptr<MLPAutoCompleteTextFieldDataSource> autoCompleteDataSource() const {
        return dataSource_.lock();
    }
    void setAutoCompleteDataSource(std::weak_ptr<MLPAutoCompleteTextFieldDataSource> dataSource) {
        dataSource_ = std::move(dataSource);
    }
    MLPAutoCompleteTextFieldDelegate* autoCompleteDelegate() const { return delegate_; }
    void setAutoCompleteDelegate(MLPAutoCompleteTextFieldDelegate* delegate) { delegate_ = delegate; }

    // --- Behaviour
    double autoCompleteFetchRequestDelay() const { return fetchDelay_; }
    void setAutoCompleteFetchRequestDelay(double seconds) { fetchDelay_ = seconds; }
    bool sortAutoCompleteSuggestionsByClosestMatch() const { return sortByClosestMatch_; }
    void setSortAutoCompleteSuggestionsByClosestMatch(bool on) { sortByClosestMatch_ = on; }
    bool applyBoldEffectToAutoCompleteSuggestions() const { return applyBoldEffect_; }
    void setApplyBoldEffectToAutoCompleteSuggestions(bool on) { applyBoldEffect_ = on; }
    bool reverseAutoCompleteSuggestionsBoldEffect() const { return reverseBoldEffect_; }
    void setReverseAutoCompleteSuggestionsBoldEffect(bool on) { reverseBoldEffect_ = on; }
    bool showTextFieldDropShadowWhenAutoCompleteTableIsOpen() const { return showDropShadow_; }
    void setShowTextFieldDropShadowWhenAutoCompleteTableIsOpen(bool on) { showDropShadow_ = on; }
    bool showAutoCompleteTableWhenEditingBegins() const { return showWhenEditingBegins_; }
    void setShowAutoCompleteTableWhenEditingBegins(bool on) { showWhenEditingBegins_ = on; }
    bool disableAutoCompleteTableUserInteractionWhileFetching() const { return disableWhileFetching_; }
    void setDisableAutoCompleteTableUserInteractionWhileFetching(bool on) { disableWhileFetching_ = on; }
    // There is no on-screen keyboard to carry the list here: the flag stays off, and asking for it logs
    // one line and keeps the drop-down.
    bool autoCompleteTableAppearsAsKeyboardAccessory() const { return false; }
    void setAutoCompleteTableAppearsAsKeyboardAccessory(bool on);

    // --- Suggestion text
    double autoCompleteFontSize() const { return fontSize_; }
    void setAutoCompleteFontSize(double size) { fontSize_ = size; }
    const std::string& autoCompleteRegularFontName() const { return regularFontName_; }
    void setAutoCompleteRegularFontName(std::string name) { regularFontName_ = std::move(name); }
    const std::string& autoCompleteBoldFontName() const { return boldFontName_; }
    void setAutoCompleteBoldFontName(std::string name) { boldFontName_ = std::move(name); }

    // --- The list's geometry and look
    int maximumNumberOfAutoCompleteRows() const { return maximumRows_; }
    void setMaximumNumberOfAutoCompleteRows(int rows) { maximumRows_ = rows; }
    double partOfAutoCompleteRowHeightToCut() const { return partOfRowToCut_; }
    void setPartOfAutoCompleteRowHeightToCut(double part) { partOfRowToCut_ = part; }
    double autoCompleteRowHeight() const { return rowHeight_; }
    void setAutoCompleteRowHeight(double height) { rowHeight_ = height; }
    ui::Size autoCompleteTableOriginOffset() const { return originOffset_; }
    void setAutoCompleteTableOriginOffset(ui::Size offset) { originOffset_ = offset; }
    double autoCompleteTableCornerRadius() const { return cornerRadius_; }
    void setAutoCompleteTableCornerRadius(double radius) { cornerRadius_ = radius; }
    // The setters below apply to the list at once.
    ui::EdgeInsets autoCompleteContentInsets() const { return contentInsets_; }
    void setAutoCompleteContentInsets(ui::EdgeInsets insets);
    // Kept for the list's scroll indicator, which this platform draws without insets.
    ui::EdgeInsets autoCompleteScrollIndicatorInsets() const { return indicatorInsets_; }
    void setAutoCompleteScrollIndicatorInsets(ui::EdgeInsets insets) { indicatorInsets_ = insets; }
    std::optional<ui::Color> autoCompleteTableBorderColor() const;
    void setAutoCompleteTableBorderColor(std::optional<ui::Color> color);
    double autoCompleteTableBorderWidth() const;
    void setAutoCompleteTableBorderWidth(double width);
    std::optional<ui::Color> autoCompleteTableBackgroundColor() const;
    void setAutoCompleteTableBackgroundColor(std::optional<ui::Color> color);
    ui::Color autoCompleteTableCellBackgroundColor() const { return cellBackgroundColor_; }
    void setAutoCompleteTableCellBackgroundColor(ui::Color color) { cellBackgroundColor_ = color; }
    // When set, replaces the field's text colour in the list.
    std::optional<ui::Color> autoCompleteTableCellTextColor() const { return cellTextColor_; }
    void setAutoCompleteTableCellTextColor(std::optional<ui::Color> color) { cellTextColor_ = color; }

    ui::TableView& autoCompleteTableView() { return *table_; }
    const std::shared_ptr<ui::TableView>& autoCompleteTableViewPtr() const { return table_; }
    const AutoCompleteSuggestions& autoCompleteSuggestions() const { return suggestions_; }
    void setAutoCompleteSuggestions(AutoCompleteSuggestions suggestions) {
        suggestions_ = std::move(suggestions);
    }
    dispatch::OperationQueue& autoCompleteSortQueue() { return *sortQueue_; }
    dispatch::OperationQueue& autoCompleteFetchQueue() { return *fetchQueue_; }
    const std::string& autoCompleteSortQueueName() const { return sortQueueName_; }
    const std::string& autoCompleteFetchQueueName() const { return fetchQueueName_; }
    const std::optional<std::string>& reuseIdentifier() const { return reuseIdentifier_; }
    bool autoCompleteTableViewHidden() const { return table_->isHidden(); }
    // Hiding closes the list; showing it again reloads it.
    void setAutoCompleteTableViewHidden(bool hidden);

    // --- Custom cells: replace the previous custom identifier, if any.
    void registerAutoCompleteCellClass(ui::TableView::CellFactory factory,
                                       const std::string& reuseIdentifier);
    void unregisterAutoCompleteCellForReuseIdentifier(const std::string& reuseIdentifier);

    // --- The text field: the border style and background restyle the list.
    void setBorderStyle(ui::TextBorderStyle style) override;
    void setBackgroundColor(std::optional<ui::Color> color) override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void finishedSearching() { resignFirstResponder(); }

    // --- The fetch cycle
    void textFieldDidChangeWithNotification();
    void fetchAutoCompleteSuggestions();
    void autoCompleteTermsDidFetch(const AutoCompleteFetchResult& result) override;
    void autoCompleteTermsDidSort(const AutoCompleteSuggestions& completions) override;

    // --- The list: sized and shown or closed whenever its rows are counted.
    void expandAutoCompleteTableViewForNumberOfRows(int numberOfRows);
    void closeAutoCompleteTableView();
    void styleAutoCompleteTableForBorderStyle(ui::TextBorderStyle borderStyle);
    // The suggestion drawn in the two fonts: the first occurrence of the typed text (ignoring case) in
    // one, the rest in the other; `color` is the colour the cell's label shows.
    gfx::RichText boldedString(const std::string& string, const std::string& typed, ui::Color color) const;

    static std::shared_ptr<ui::TableView>
    newAutoCompleteTableViewForTextField(MLPAutoCompleteTextField& field);
    // The field's frame moved below it by the origin offset, one point narrower on each side.
    static ui::Rect autoCompleteTableViewFrameForTextField(const MLPAutoCompleteTextField& field);
    static ui::Rect autoCompleteTableViewFrameForTextField(const MLPAutoCompleteTextField& field,
                                                           int numberOfRows);
    static double autoCompleteTableHeightForTextField(const MLPAutoCompleteTextField& field,
                                                      int numberOfRows);

    // --- ui::TableViewDataSource and ui::TableViewDelegate
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void willDisplayCell(ui::TableView& tableView, ui::TableViewCell& cell, ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  private:
    std::shared_ptr<MLPAutoCompleteTextField> self();
    void setDefaultValuesForVariables();
    void saveCurrentShadowProperties();
    void restoreOriginalShadowProperties();
    void configureCell(ui::TableViewCell& cell, ui::IndexPath indexPath);

    std::weak_ptr<MLPAutoCompleteTextFieldDataSource> dataSource_;
    MLPAutoCompleteTextFieldDelegate* delegate_ = nullptr;

    double fetchDelay_ = 0.1;
    bool sortByClosestMatch_ = true;
    bool applyBoldEffect_ = true;
    bool reverseBoldEffect_ = false;
    bool showDropShadow_ = true;
    bool showWhenEditingBegins_ = false;
    bool disableWhileFetching_ = false;
    double fontSize_ = 13;
    std::string regularFontName_;
    std::string boldFontName_;
    int maximumRows_ = 3;
    double partOfRowToCut_ = 0.5;
    double rowHeight_ = 40;
    ui::Size originOffset_;
    double cornerRadius_ = 0;
    ui::EdgeInsets contentInsets_;
    ui::EdgeInsets indicatorInsets_;
    ui::Color cellBackgroundColor_ = ui::Color::clear();
    std::optional<ui::Color> cellTextColor_;
    AutoCompleteSuggestions suggestions_;
    std::optional<std::string> reuseIdentifier_;
    std::string sortQueueName_;
    std::string fetchQueueName_;

    std::optional<ui::Color> originalShadowColor_;
    ui::Size originalShadowOffset_;
    double originalShadowOpacity_ = 0;

    std::shared_ptr<ui::TableView> table_;
    foundation::ObserverToken textChange_;
    std::shared_ptr<dispatch::Cancellable> pendingFetch_;
    // Last, so they go first: their destruction cancels and waits for the operations, which reach this
    // field only through weak references.
    std::unique_ptr<dispatch::OperationQueue> sortQueue_;
    std::unique_ptr<dispatch::OperationQueue> fetchQueue_;
};
