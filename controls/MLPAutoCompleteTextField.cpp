// The autocomplete field: the fetch cycle, the drop-down list's size, place and style, and its cells.
#include "controls/MLPAutoCompleteTextField.h"

#include "controls/MLPAutoCompleteFetchOperation.h"
#include "controls/MLPAutoCompleteSortOperation.h"
#include "controls/TextCase.h"
#include "platform/foundation/Log.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <random>

namespace {

// "%i" of a random signed 32-bit number, as the queues are named.
std::string queueName(const char* prefix) {
    static std::mt19937 generator{std::random_device{}()};
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    return std::string(prefix) + " " + std::to_string(static_cast<int32_t>(generator()));
}

// The default cell keeps the background the field gives it before display: a selection only closes the
// list, so it needs no highlight of its own.
class DefaultAutoCompleteCell : public ui::TableViewCell {
  public:
    using ui::TableViewCell::TableViewCell;
    void setSelected(bool selected, bool animated) override {
        auto background = backgroundColor();
        ui::TableViewCell::setSelected(selected, animated);
        setBackgroundColor(background);
    }
};

gfx::TextAttributes fontAttributes(const std::string& fontName, double size, ui::Color color) {
    gfx::TextAttributes a;
    a.family = fontName;
    a.size = size;
    a.color = color;
    return a;
}

} // namespace

MLPAutoCompleteTextField::MLPAutoCompleteTextField(const ui::Rect& frame)
    : ui::TextField(frame), sortQueueName_(queueName("Autocomplete Queue")),
      fetchQueueName_(queueName("Fetch Queue")), sortQueue_(std::make_unique<dispatch::OperationQueue>()),
      fetchQueue_(std::make_unique<dispatch::OperationQueue>()) {
    // The field posts as a text field: compare with that address.
    const void* sender = static_cast<const ui::TextField*>(this);
    textChange_ = foundation::NotificationCenter::defaultCenter().observe(
        ui::TextFieldTextDidChangeNotification, sender,
        [this](const foundation::Notification&) { textFieldDidChangeWithNotification(); });
    setDefaultValuesForVariables();
    table_ = newAutoCompleteTableViewForTextField(*this);
    styleAutoCompleteTableForBorderStyle(borderStyle());
    const layers::Layer& layer = this->layer();
    originalShadowColor_ = layer.shadowColor();
    originalShadowOffset_ = layer.shadowOffset();
    originalShadowOpacity_ = layer.shadowOpacity();
}

MLPAutoCompleteTextField::~MLPAutoCompleteTextField() {
    if (pendingFetch_)
        pendingFetch_->cancel();
    textChange_.reset();
    if (table_)
        table_->removeFromSuperview();
    // The queues go before anything else (they are the last members), waiting for what still runs.
}

std::shared_ptr<MLPAutoCompleteTextField> MLPAutoCompleteTextField::self() {
    return std::static_pointer_cast<MLPAutoCompleteTextField>(shared_from_this());
}

void MLPAutoCompleteTextField::setDefaultValuesForVariables() {
    setClipsToBounds(false);
    fetchDelay_ = 0.1;
    sortByClosestMatch_ = true;
    applyBoldEffect_ = true;
    reverseBoldEffect_ = false;
    showDropShadow_ = true;
    showWhenEditingBegins_ = false;
    disableWhileFetching_ = false;
    fontSize_ = 13;
    regularFontName_ = gfx::Font::system(13).name();
    boldFontName_ = gfx::Font::boldSystem(13).name();
    maximumRows_ = 3;
    partOfRowToCut_ = 0.5;
    rowHeight_ = 40;
    cellBackgroundColor_ = ui::Color::clear();
    cellTextColor_.reset();
    suggestions_.clear();
}

void MLPAutoCompleteTextField::setAutoCompleteTableAppearsAsKeyboardAccessory(bool on) {
    if (on)
        foundation::log("MLPAutoCompleteTextField: there is no on-screen keyboard to carry the suggestions; "
                        "they stay in the drop-down list");
}

// --- Properties that reach the list at once

void MLPAutoCompleteTextField::setAutoCompleteContentInsets(ui::EdgeInsets insets) {
    contentInsets_ = insets;
    table_->setContentInset(insets);
}

std::optional<ui::Color> MLPAutoCompleteTextField::autoCompleteTableBorderColor() const {
    return table_->layer().borderColor();
}

void MLPAutoCompleteTextField::setAutoCompleteTableBorderColor(std::optional<ui::Color> color) {
    table_->layer().setBorderColor(color);
}

double MLPAutoCompleteTextField::autoCompleteTableBorderWidth() const {
    return table_->layer().borderWidth();
}

void MLPAutoCompleteTextField::setAutoCompleteTableBorderWidth(double width) {
    table_->layer().setBorderWidth(width);
}

std::optional<ui::Color> MLPAutoCompleteTextField::autoCompleteTableBackgroundColor() const {
    return table_->backgroundColor();
}

void MLPAutoCompleteTextField::setAutoCompleteTableBackgroundColor(std::optional<ui::Color> color) {
    table_->setBackgroundColor(color);
}

void MLPAutoCompleteTextField::setAutoCompleteTableViewHidden(bool hidden) {
    table_->setHidden(hidden);
    if (hidden)
        closeAutoCompleteTableView();
    else
        table_->reloadData();
}

void MLPAutoCompleteTextField::registerAutoCompleteCellClass(ui::TableView::CellFactory factory,
                                                             const std::string& reuseIdentifier) {
    if (reuseIdentifier_)
        unregisterAutoCompleteCellForReuseIdentifier(*reuseIdentifier_);
    table_->registerCellFactory(reuseIdentifier, std::move(factory));
    reuseIdentifier_ = reuseIdentifier;
}

void MLPAutoCompleteTextField::unregisterAutoCompleteCellForReuseIdentifier(
    const std::string& reuseIdentifier) {
    table_->registerCellFactory(reuseIdentifier, nullptr);
}

// --- The field

void MLPAutoCompleteTextField::setBorderStyle(ui::TextBorderStyle style) {
    ui::TextField::setBorderStyle(style);
    if (table_)
        styleAutoCompleteTableForBorderStyle(style);
}

void MLPAutoCompleteTextField::setBackgroundColor(std::optional<ui::Color> color) {
    ui::TextField::setBackgroundColor(color);
    if (table_)
        styleAutoCompleteTableForBorderStyle(borderStyle());
}

bool MLPAutoCompleteTextField::becomeFirstResponder() {
    saveCurrentShadowProperties();
    if (showWhenEditingBegins_)
        fetchAutoCompleteSuggestions();
    return ui::TextField::becomeFirstResponder();
}

bool MLPAutoCompleteTextField::resignFirstResponder() {
    restoreOriginalShadowProperties();
    closeAutoCompleteTableView();
    return ui::TextField::resignFirstResponder();
}

void MLPAutoCompleteTextField::saveCurrentShadowProperties() {
    originalShadowColor_ = layer().shadowColor();
    originalShadowOffset_ = layer().shadowOffset();
    originalShadowOpacity_ = layer().shadowOpacity();
}

void MLPAutoCompleteTextField::restoreOriginalShadowProperties() {
    layer().setShadowColor(originalShadowColor_);
    layer().setShadowOffset(originalShadowOffset_);
    layer().setShadowOpacity(originalShadowOpacity_);
    setNeedsDisplay();
}

// --- The fetch cycle

void MLPAutoCompleteTextField::textFieldDidChangeWithNotification() {
    // Only the last change of a burst fetches.
    if (pendingFetch_)
        pendingFetch_->cancel();
    std::weak_ptr<MLPAutoCompleteTextField> weak = self();
    pendingFetch_ = dispatch::after(fetchDelay_, dispatch::mainQueue(), [weak] {
        if (auto field = weak.lock())
            field->fetchAutoCompleteSuggestions();
    });
}

void MLPAutoCompleteTextField::fetchAutoCompleteSuggestions() {
    if (disableWhileFetching_)
        table_->setUserInteractionEnabled(false);
    fetchQueue_->cancelAllOperations();
    auto me = self();
    fetchQueue_->addOperation(std::make_shared<MLPAutoCompleteFetchOperation>(me, dataSource_, me));
}

void MLPAutoCompleteTextField::autoCompleteTermsDidFetch(const AutoCompleteFetchResult& result) {
    sortQueue_->cancelAllOperations();
    if (!sortByClosestMatch_) {
        autoCompleteTermsDidSort(result.terms);
        return;
    }
    sortQueue_->addOperation(
        std::make_shared<MLPAutoCompleteSortOperation>(self(), result.fetchInputString, result.terms));
}

void MLPAutoCompleteTextField::autoCompleteTermsDidSort(const AutoCompleteSuggestions& completions) {
    suggestions_ = completions;
    table_->reloadData();
}

// --- The list

std::shared_ptr<ui::TableView>
MLPAutoCompleteTextField::newAutoCompleteTableViewForTextField(MLPAutoCompleteTextField& field) {
    auto table = std::make_shared<ui::TableView>(autoCompleteTableViewFrameForTextField(field),
                                                 ui::TableViewStyle::Plain);
    table->setIdentifier("autoCompleteTable");
    table->setScrollEnabled(true);
    // The list lives and dies with its field, so the factory may keep the plain pointer.
    MLPAutoCompleteTextField* owner = &field;
    table->registerCellFactory(DefaultCellIdentifier, [owner](const std::string& identifier) {
        auto cell = std::make_shared<DefaultAutoCompleteCell>(ui::TableViewCellStyle::Default, identifier);
        cell->setBackgroundColor(ui::Color::clear());
        cell->textLabel().setTextColor(owner->textColor());
        cell->textLabel().setFont(owner->font());
        return cell;
    });
    table->setDataSource(&field);
    table->setTableDelegate(&field);
    return table;
}

ui::Rect
MLPAutoCompleteTextField::autoCompleteTableViewFrameForTextField(const MLPAutoCompleteTextField& field) {
    ui::Rect f = field.frame();
    ui::Size offset = field.originOffset_;
    ui::Rect frame{f.origin.x + offset.width, f.origin.y + f.height() + offset.height, f.width(), f.height()};
    return {frame.origin.x + 1, frame.origin.y, frame.width() - 2, frame.height()};
}

ui::Rect
MLPAutoCompleteTextField::autoCompleteTableViewFrameForTextField(const MLPAutoCompleteTextField& field,
                                                                 int numberOfRows) {
    ui::Rect frame = autoCompleteTableViewFrameForTextField(field);
    double height = autoCompleteTableHeightForTextField(field, numberOfRows);
    if (field.table_)
        height += field.table_->contentInset().top;
    return {frame.origin.x, frame.origin.y, frame.width(), height};
}

double MLPAutoCompleteTextField::autoCompleteTableHeightForTextField(const MLPAutoCompleteTextField& field,
                                                                     int numberOfRows) {
    if (numberOfRows < field.maximumRows_)
        return field.rowHeight_ * numberOfRows;
    return field.rowHeight_ * (field.maximumRows_ - field.partOfRowToCut_);
}

void MLPAutoCompleteTextField::expandAutoCompleteTableViewForNumberOfRows(int numberOfRows) {
    if (!isFirstResponder())
        return;
    ui::TableView& table = *table_;
    table.layer().setCornerRadius(cornerRadius_);
    table.setFrame(autoCompleteTableViewFrameForTextField(*this, numberOfRows));
    table.scrollRectToVisible({0, 0, 1, 1}, false);
    View* parent = superview();
    if (numberOfRows > 0 && !table.isHidden() && parent) {
        table.setAlpha(1);
        if (!table.superview() && delegate_)
            delegate_->autoCompleteTextFieldWillShowAutoCompleteTableView(*this, table);
        parent->bringSubviewToFront(this);
        parent->insertSubviewBelow(table_, this);
        table.setUserInteractionEnabled(true);
        if (showDropShadow_) {
            layer().setShadowColor(ui::Color::black());
            layer().setShadowOffset({0, 1});
            layer().setShadowOpacity(0.35);
            setNeedsDisplay();
        }
        return;
    }
    closeAutoCompleteTableView();
    restoreOriginalShadowProperties();
    table.layer().setShadowOpacity(0);
}

void MLPAutoCompleteTextField::closeAutoCompleteTableView() {
    table_->removeFromSuperview();
    restoreOriginalShadowProperties();
}

void MLPAutoCompleteTextField::styleAutoCompleteTableForBorderStyle(ui::TextBorderStyle borderStyle) {
    if (delegate_) {
        auto answer =
            delegate_->autoCompleteTextFieldShouldStyleAutoCompleteTableView(*this, *table_, borderStyle);
        if (answer && !*answer)
            return;
    }
    switch (borderStyle) {
    case ui::TextBorderStyle::Line:
    case ui::TextBorderStyle::Bezel:
        cornerRadius_ = 0;
        originOffset_ = {0, 0};
        setAutoCompleteContentInsets({});
        setAutoCompleteScrollIndicatorInsets({});
        setAutoCompleteTableBorderWidth(1);
        setAutoCompleteTableBorderColor(ui::Color::black().withAlpha(0.5));
        break;
    case ui::TextBorderStyle::None:
        cornerRadius_ = 8;
        originOffset_ = {0, 7};
        setAutoCompleteContentInsets({});
        setAutoCompleteScrollIndicatorInsets({});
        setAutoCompleteTableBorderWidth(1);
        setAutoCompleteTableBorderColor(ui::Color{181 / 255.0, 204 / 255.0, 255 / 255.0, 1});
        cellTextColor_ = ui::Color{23 / 255.0, 119 / 255.0, 206 / 255.0, 1};
        break;
    case ui::TextBorderStyle::RoundedRect:
        cornerRadius_ = 8;
        originOffset_ = {0, -18};
        setAutoCompleteContentInsets({18, 0, 0, 0});
        setAutoCompleteScrollIndicatorInsets({18, 0, 0, 0});
        break;
    }
    std::optional<ui::Color> background = backgroundColor();
    setAutoCompleteTableBackgroundColor(background == ui::Color::clear() ? std::optional(ui::Color::white())
                                                                         : background);
}

gfx::RichText MLPAutoCompleteTextField::boldedString(const std::string& string, const std::string& typed,
                                                     ui::Color color) const {
    const std::string& baseFont = reverseBoldEffect_ ? regularFontName_ : boldFontName_;
    const std::string& matchFont = reverseBoldEffect_ ? boldFontName_ : regularFontName_;
    gfx::TextAttributes base = fontAttributes(baseFont, fontSize_, color);
    gfx::RichText out;
    auto range = textcase::rangeIgnoringCase(string, typed);
    if (!range) {
        out.append(string, base);
        return out;
    }
    auto [start, length] = *range;
    if (start > 0)
        out.append(std::string_view(string).substr(0, start), base);
    out.append(std::string_view(string).substr(start, length), fontAttributes(matchFont, fontSize_, color));
    if (start + length < string.size())
        out.append(std::string_view(string).substr(start + length), base);
    return out;
}

// --- Table data source and delegate

int MLPAutoCompleteTextField::numberOfRowsInSection(ui::TableView&, int) {
    int rows = int(suggestions_.size());
    expandAutoCompleteTableViewForNumberOfRows(rows);
    return rows;
}

std::shared_ptr<ui::TableViewCell> MLPAutoCompleteTextField::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                   ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier(reuseIdentifier_.value_or(DefaultCellIdentifier),
                                                            indexPath);
    configureCell(*cell, indexPath);
    return cell;
}

void MLPAutoCompleteTextField::configureCell(ui::TableViewCell& cell, ui::IndexPath indexPath) {
    if (indexPath.row < 0 || size_t(indexPath.row) >= suggestions_.size())
        return;
    const AutoCompleteSuggestion& suggestion = suggestions_[size_t(indexPath.row)];
    std::string string = autoCompleteStringOf(suggestion).value_or("");
    const MLPAutoCompletionObject* object = autoCompleteObjectOf(suggestion);
    // Rich text carries its own colour: give it the one the label is about to show.
    ui::Color labelColor = cellTextColor_.value_or(textColor());
    std::optional<gfx::RichText> attributed;
    if (applyBoldEffect_)
        attributed = boldedString(string, text(), labelColor);
    if (delegate_) {
        auto answer = delegate_->autoCompleteTextFieldShouldConfigureCell(*this, cell, string, attributed,
                                                                          object, indexPath);
        if (answer && !*answer)
            return;
    }
    ui::Label& label = cell.textLabel();
    label.setTextColor(textColor());
    if (attributed) {
        label.setAttributedText(std::move(attributed));
    } else {
        label.setText(string);
        label.setFont(font().withSize(fontSize_));
    }
    if (cellTextColor_)
        label.setTextColor(*cellTextColor_);
}

double MLPAutoCompleteTextField::heightForRowAtIndexPath(ui::TableView&, ui::IndexPath) {
    return rowHeight_;
}

void MLPAutoCompleteTextField::willDisplayCell(ui::TableView&, ui::TableViewCell& cell, ui::IndexPath) {
    cell.setBackgroundColor(cellBackgroundColor_);
}

void MLPAutoCompleteTextField::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    auto keep = self();
    ui::TableViewCell* cell = tableView.cellForRowAtIndexPath(indexPath);
    std::string chosen = cell ? cell->textLabel().displayedText() : std::string();
    const MLPAutoCompletionObject* object = nullptr;
    if (indexPath.row >= 0 && size_t(indexPath.row) < suggestions_.size())
        object = autoCompleteObjectOf(suggestions_[size_t(indexPath.row)]);
    // Keeps the object alive through the delegate's call, whatever happens to the list meanwhile.
    AutoCompleteSuggestions held = suggestions_;
    closeAutoCompleteTableView();
    setText(chosen);
    if (delegate_)
        delegate_->autoCompleteTextFieldDidSelectAutoCompleteString(*this, chosen, object, indexPath);
    finishedSearching();
}
