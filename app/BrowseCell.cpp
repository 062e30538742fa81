// The row strips: construction, inner cells built once per reuse identifier and filled on every display,
// Return onto the next inner row, and what the end of editing commits in a row and in the header.
#include "app/BrowseCell.h"

#include "platform/ui/Environment.h"
#include "platform/ui/TextView.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

using ui::Color;
using ui::IndexPath;
using ui::Rect;

namespace {

// Quarter turns written exactly: the sine and cosine of pi/2 would leave 6e-17 in every frame.
const ui::AffineTransform kTurnLeft{0, -1, 1, 0, 0, 0}; // -pi/2
const ui::AffineTransform kTurnRight{0, 1, -1, 0, 0, 0}; // +pi/2

const Color kBorderGrey{0.8, 0.8, 0.8, 1};
const Color kFilteredGreen{136 / 255.0, 200 / 255.0, 77 / 255.0, 1};
const Color kHeaderOrange{1.0, 0.8, 0.4, 1};

void setBorder(ui::View& view) {
    view.layer().setBorderColor(kBorderGrey);
    view.layer().setBorderWidth(2);
}

const char* const kSubCell = "SubCell";
const char* const kAddSubCell = "AddSubCell";
const char* const kEditSubCell = "EditSubCell";

} // namespace

// --- the family

template <class Base, class Item> void BrowseStrip<Base, Item>::construct() {
    const double w = std::trunc(this->frame().width());
    const double h = externalRowHeight();
    // A strip narrower than the label leaves the inner table no width rather than a negative one.
    const double inner = std::max(0.0, w - kLabelWidth);
    horizontalTableView_ = std::make_shared<ui::TableView>(Rect{0, 0, h, inner}, ui::TableViewStyle::Plain);
    horizontalTableView_->setAutoresizingMask(ui::FlexibleWidth);
    horizontalTableView_->setTransform(kTurnLeft);
    horizontalTableView_->setFrame({kLabelWidth, 0, inner, h});
    horizontalTableView_->setDataSource(this);
    horizontalTableView_->setTag(kInnerTableTag);
    horizontalTableView_->setIdentifier("horizontalTableView");
    horizontalTableView_->setShowsVerticalScrollIndicator(false);
    horizontalTableView_->setShowsHorizontalScrollIndicator(false);
    horizontalTableView_->setAllowsSelection(false);
    this->addSubview(horizontalTableView_);

    labelRow_ = std::make_shared<ui::Label>(Rect{0, 0, kLabelWidth, h});
    labelRow_->setIdentifier("labelRow");
    labelRow_->setBackgroundColor(Color{0.9, 0.9, 0.9, 1});
    labelRow_->setFont(gfx::Font::named("Helvetica", 14).value_or(gfx::Font::system(14)));
    labelRow_->setTextAlignment(gfx::TextAlignment::Right);
    this->addSubview(labelRow_);
}

template <class Base, class Item> BrowseCellDelegate* BrowseStrip<Base, Item>::stripDelegate() const {
    return horizontalTableView_ ? dynamic_cast<BrowseCellDelegate*>(horizontalTableView_->tableDelegate())
                                : nullptr;
}

template <class Base, class Item> ui::View* BrowseStrip<Base, Item>::firstElement(ui::TableViewCell& cell) {
    // The content view also holds the cell's own (unused) text labels.
    for (const auto& sub : cell.contentView().subviews())
        if (sub.get() != &cell.textLabel() && sub.get() != &cell.detailTextLabel())
            return sub.get();
    return nullptr;
}

template <class Base, class Item> void BrowseStrip<Base, Item>::placeTurned(ui::View& element, double W, double H) {
    element.setFrame({0, 0, W, H});
    element.setTransform(kTurnRight);
    element.setFrame({0, 0, H, W});
}

template <class Base, class Item> int BrowseStrip<Base, Item>::numberOfRowsInSection(ui::TableView&, int) {
    return int(contentArray_.size()) + (modeEdit_ ? 1 : 0);
}

template <class Base, class Item>
void BrowseStrip<Base, Item>::buildEditField(ui::TableViewCell& cell, double W, double H) {
    auto field = std::make_shared<ui::TextField>();
    field->setIdentifier("field");
    field->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
    field->setReturnKeyType(ui::ReturnKeyType::Next);
    field->setKeyboardType(keyboardForFields());
    field->setAutocorrectionType(ui::TextAutocorrectionType::No);
    field->setBorderStyle(ui::TextBorderStyle::Bezel);
    field->setAutocapitalizationType(ui::TextAutocapitalizationType::None);
    field->setDelegate(this);
    field->addTarget(ui::EditingDidEnd, [this](ui::Control& c) { editingEnded(static_cast<ui::TextField&>(c)); });
    field->setFont(fontForCells());
    setBorder(*field);
    field->setTag(kFieldTag);
    placeTurned(*field, W, H);
    cell.contentView().addSubview(field);
}

template <class Base, class Item>
void BrowseStrip<Base, Item>::buildAddButton(ui::TableViewCell& cell, double W, double H) {
    auto button = std::make_shared<ui::Button>(Rect{}, ui::ButtonType::System);
    button->setIdentifier("addColumn");
    button->setTitle("+");
    button->setHidden(true);
    button->setTag(kAddButtonTag);
    button->addTarget(ui::TouchUpInside, [this](ui::Control&) {
        if (auto* d = stripDelegate())
            d->addEmptyColumn();
    });
    placeTurned(*button, W, H);
    cell.contentView().addSubview(button);
}

template <class Base, class Item>
std::shared_ptr<ui::TableViewCell> BrowseStrip<Base, Item>::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                   IndexPath ip) {
    const int i = ip.row;
    const bool last = i == int(contentArray_.size());
    const char* id = !modeEdit_ ? kSubCell : last ? kAddSubCell : kEditSubCell;
    auto cell = tableView.dequeueReusableCellWithIdentifier(id, ip);
    // Built once per cell; a reused one keeps its elements.
    if (!firstElement(*cell)) {
        const double W = std::trunc(tableView.rowHeight());
        const double H = externalRowHeight();
        if (!modeEdit_)
            buildDisplay(*cell, W, H);
        else if (last)
            buildAddButton(*cell, W, H);
        else
            buildEditField(*cell, W, H);
    }
    if (modeEdit_ && last) {
        if (auto* button = cell->contentView().viewWithTag(kAddButtonTag))
            button->setHidden(hideButton());
    } else if (modeEdit_) {
        if (auto* field = dynamic_cast<ui::TextField*>(firstElement(*cell))) {
            field->setTag(i);
            field->setText(textForIndexPath(ip));
        }
    } else {
        fillDisplay(*cell, i);
    }
    return cell;
}

template <class Base, class Item> bool BrowseStrip<Base, Item>::textFieldShouldReturn(ui::TextField& field) {
    const IndexPath next{0, field.tag() + 1};
    ui::TableView& table = *horizontalTableView_;
    if (next.row < 0 || next.row >= table.numberOfRowsInSection(0))
        return true;
    // The value is committed before the scroll can take the field's cell away.
    field.resignFirstResponder();
    table.scrollToRowAtIndexPath(next, ui::TableViewScrollPosition::None, true);
    table.layoutIfNeeded();
    if (auto* cell = table.cellForRowAtIndexPath(next))
        if (auto* element = firstElement(*cell))
            element->becomeFirstResponder();
    return true;
}

template class BrowseStrip<ui::TableViewCell, Cell>;
template class BrowseStrip<ui::View, Column>;

// --- a row

BrowseCell::BrowseCell(ui::TableViewCellStyle style, std::string reuseIdentifier)
    : BrowseStrip(style, std::move(reuseIdentifier)) {
    construct();
}

std::string BrowseCell::textForIndexPath(IndexPath ip) const {
    const Cell* cell = entryAt(ip.row);
    return cell ? cell->data() : std::string();
}

void BrowseCell::updateValue(const std::string& text, size_t index) {
    if (Cell* cell = entryAt(int(index)))
        cell->setData(text);
}

void BrowseCell::editingEnded(ui::TextField& field) {
    field.resignFirstResponder();
    Cell* cell = entryAt(field.tag());
    if (!cell || field.text() == cell->data())
        return;
    updateValue(field.text(), size_t(field.tag()));
    if (auto* d = stripDelegate())
        if (auto colNum = cell->colNum())
            d->changedColumns().insert(*colNum);
}

void BrowseCell::buildDisplay(ui::TableViewCell& cell, double W, double H) {
    auto box = std::make_shared<ui::View>(Rect{0, 0, W, H});
    box->setBackgroundColor(Color::white());
    setBorder(*box);
    auto text = std::make_shared<ui::TextView>(Rect{0, 0, W, H});
    text->setEditable(false);
    text->setScrollEnabled(false);
    text->setFont(fontForCells());
    text->setTextAlignment(alignmentForCells());
    text->setTag(kDisplayTag);
    box->addSubview(text);
    placeTurned(*box, W, H);
    cell.contentView().addSubview(box);
}

void BrowseCell::fillDisplay(ui::TableViewCell& cell, int i) {
    if (auto* text = dynamic_cast<ui::TextView*>(cell.contentView().viewWithTag(kDisplayTag)))
        text->setText(textForIndexPath({0, i}));
}

// --- the header

BrowseHeader::BrowseHeader(const Rect& frame) : BrowseStrip(frame) {
    construct();
}

std::string BrowseHeader::textForIndexPath(IndexPath ip) const {
    const Column* column = entryAt(ip.row);
    return column ? column->name() : std::string();
}

void BrowseHeader::updateValue(const std::string& text, size_t index) {
    if (Column* column = entryAt(int(index)))
        column->setName(text);
}

void BrowseHeader::editingEnded(ui::TextField& field) {
    field.resignFirstResponder();
    Column* column = entryAt(field.tag());
    if (!column)
        return;
    const size_t index = size_t(field.tag());
    const std::string text = field.text();
    bool accepted = !text.empty();
    for (size_t k = 0; accepted && k < contentArray().size(); ++k)
        if (k != index && contentArray()[k] && contentArray()[k]->name() == text)
            accepted = false;
    if (accepted)
        updateValue(text, index);
    else
        field.setText(column->name());
}

void BrowseHeader::popWhere(ui::Button& button) {
    Column* column = entryAt(button.tag());
    auto* d = stripDelegate();
    if (column && d)
        d->popWhereForColumn(*column, button);
}

Color BrowseHeader::colorForIndexPath(IndexPath ip) const {
    const Column* column = entryAt(ip.row);
    const auto* d = stripDelegate();
    return column && d && d->wheres().count(column->num()) ? kFilteredGreen : kHeaderOrange;
}

void BrowseHeader::buildDisplay(ui::TableViewCell& cell, double W, double H) {
    auto label = std::make_shared<ui::Label>();
    label->setIdentifier("label");
    label->setBackgroundColor(kHeaderOrange);
    label->setFont(fontForCells());
    label->setTextAlignment(alignmentForCells());
    setBorder(*label);
    label->setTag(kDisplayTag);
    placeTurned(*label, W, H);
    cell.contentView().addSubview(label);

    auto button = std::make_shared<ui::Button>(Rect{}, ui::ButtonType::Custom);
    button->setIdentifier("button");
    auto image = ui::imageNamed("filter_icon");
    button->setImage(image);
    const double iw = image ? image->size().width : 0;
    button->setFrame({7, W - iw - 1, iw, iw});
    button->setTransform(kTurnRight);
    button->setTag(kFilterButtonTag);
    // The tap reads the button's tag then, which each display sets to its inner row.
    button->addTarget(ui::TouchUpInside, [this](ui::Control& c) { popWhere(static_cast<ui::Button&>(c)); });
    cell.contentView().addSubview(button);
}

void BrowseHeader::fillDisplay(ui::TableViewCell& cell, int i) {
    if (auto* label = dynamic_cast<ui::Label*>(cell.contentView().viewWithTag(kDisplayTag))) {
        label->setText(textForIndexPath({0, i}) + " ");
        label->setBackgroundColor(colorForIndexPath({0, i}));
    }
    for (const auto& sub : cell.contentView().subviews())
        if (typeid(*sub) == typeid(ui::Button)) {
            sub->setTag(i);
            break;
        }
}
