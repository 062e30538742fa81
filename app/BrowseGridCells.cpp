// The grid cells' subviews and their places.
#include "app/BrowseGridCells.h"

#include "platform/ui/Environment.h"

#include <algorithm>

using ui::Color;
using ui::Rect;

namespace {
// Inside the grey border of width 2 that the screen gives every grid cell.
constexpr double kInset = 2;
const Color kHeaderOrange{1.0, 0.8, 0.4, 1};
} // namespace

RowHeaderCell::RowHeaderCell(std::string reuseIdentifier)
    : CollectionViewCell(std::move(reuseIdentifier)), label_(std::make_shared<ui::Label>()) {
    const bool value = this->reuseIdentifier() == "Data";
    setBackgroundColor(value ? Color::white() : Color::gray(0.9));
    setClipsToBounds(true);
    label_->setIdentifier("label");
    // A little smaller for numbers, so that row numbers up to 100,000 fit the 50-point header column.
    label_->setFont(gfx::Font::system(value ? 12 : 11));
    label_->setTextAlignment(value ? gfx::TextAlignment::Left : gfx::TextAlignment::Center);
    addSubview(label_);
}

void RowHeaderCell::layoutSubviews() {
    Rect b = bounds();
    const double margin = reuseIdentifier() == "Data" ? kInset + 6 : kInset + 1;
    label_->setFrame({margin, 0, std::max(0.0, b.width() - 2 * margin), b.height()});
}

ColHeaderCell::ColHeaderCell(std::string reuseIdentifier)
    : CollectionViewCell(std::move(reuseIdentifier)), label_(std::make_shared<ui::Label>()),
      button_(std::make_shared<ui::Button>(Rect{}, ui::ButtonType::Custom)) {
    setBackgroundColor(kHeaderOrange);
    setClipsToBounds(true);
    label_->setIdentifier("label");
    label_->setFont(gfx::Font::boldSystem(12));
    label_->setTextAlignment(gfx::TextAlignment::Center);
    // A long name takes a second line before it is cut.
    label_->setNumberOfLines(2);
    addSubview(label_);
    button_->setIdentifier("button");
    button_->setImage(ui::imageNamed("filter_icon"));
    addSubview(button_);
}

void ColHeaderCell::layoutSubviews() {
    Rect b = bounds();
    auto image = button_->imageForState(ui::StateNormal);
    const double side = image ? image->size().width : 20;
    // The button a little larger than its image, so it is easy to hit; at the right end, centred.
    const double hit = std::min(side + 8, b.height());
    button_->setFrame({b.width() - kInset - hit, (b.height() - hit) / 2, hit, hit});
    const double left = kInset + 4;
    label_->setFrame({left, 0, std::max(0.0, button_->frame().minX() - left), b.height()});
}

EditCell::EditCell(std::string reuseIdentifier)
    : CollectionViewCell(std::move(reuseIdentifier)), field_(std::make_shared<ui::TextField>()) {
    setBackgroundColor(Color::white());
    field_->setIdentifier("field");
    field_->setFont(gfx::Font::system(12));
    field_->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
    field_->setAutocorrectionType(ui::TextAutocorrectionType::No);
    field_->setAutocapitalizationType(ui::TextAutocapitalizationType::None);
    addSubview(field_);
}

void EditCell::layoutSubviews() {
    field_->setFrame(bounds().insetBy(kInset, kInset));
}

EditColumnCell::EditColumnCell(std::string reuseIdentifier) : EditCell(std::move(reuseIdentifier)) {
    setBackgroundColor(kHeaderOrange);
    field().setFont(gfx::Font::boldSystem(12));
    field().setTextAlignment(gfx::TextAlignment::Center);
    field().setBorderStyle(ui::TextBorderStyle::RoundedRect);
}

void EditColumnCell::layoutSubviews() {
    // The field leaves the header's orange showing around it.
    field().setFrame(bounds().insetBy(kInset + 4, kInset + 6));
}

AddCell::AddCell(std::string reuseIdentifier)
    : CollectionViewCell(std::move(reuseIdentifier)), button_(std::make_shared<ui::Button>(Rect{}, ui::ButtonType::System)) {
    // Beside the row numbers it looks like one of them; beside the names, like a name.
    setBackgroundColor(this->reuseIdentifier() == "AddColumn" ? kHeaderOrange : Color::gray(0.9));
    button_->setIdentifier(this->reuseIdentifier() == "AddColumn" ? "addColumn" : "addRow");
    button_->setTitle("+");
    button_->titleLabel().setFont(gfx::Font::boldSystem(22));
    addSubview(button_);
}

void AddCell::layoutSubviews() {
    button_->setFrame(bounds().insetBy(kInset, kInset));
}
