// The variable's detail page: the column is fetched anew on every appearance from the shared context.
#include "analysis/VariableDetailViewController.h"

#include "app/TextFormat.h"
#include "app/VariableTypeText.h"
#include "platform/foundation/Tr.h"

using foundation::tr;

namespace {

std::shared_ptr<ui::Label> makeLabel(const char* identifier, ui::Rect frame, double size, unsigned mask) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setIdentifier(identifier);
    label->setFont(gfx::Font::system(size));
    label->setAutoresizingMask(mask);
    return label;
}

} // namespace

void VariableDetailViewController::loadView() {
    ui::ViewController::loadView();
    auto& root = view();
    const double w = root.bounds().size.width, h = root.bounds().size.height;
    // The arrows sit at the middle of either edge; the texts between them.
    // A long name takes a second line before it is cut.
    labelName_ = makeLabel("labelName", {40, 12, w - 80, 60}, 20, ui::FlexibleWidth);
    labelName_->setFont(gfx::Font::boldSystem(20));
    labelName_->setNumberOfLines(2);
    labelName_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    labelType_ = makeLabel("labelType", {40, 74, w - 80, 24}, 17, ui::FlexibleWidth);
    const unsigned middle = ui::FlexibleTopMargin | ui::FlexibleBottomMargin;
    labelLeft_ = makeLabel("labelLeft", {4, h / 2 - 30, 30, 60}, 48, middle | ui::FlexibleRightMargin);
    labelRight_ = makeLabel("labelRight", {w - 34, h / 2 - 30, 30, 60}, 48, middle | ui::FlexibleLeftMargin);
    labelLeft_->setText("‹");
    labelRight_->setText("›");
    for (auto* arrow : {labelLeft_.get(), labelRight_.get()}) {
        arrow->setTextAlignment(gfx::TextAlignment::Center);
        arrow->setTextColor(ui::Color::gray(0.5));
    }
    for (const auto& label : {labelName_, labelType_, labelLeft_, labelRight_})
        root.addSubview(label);
}

void VariableDetailViewController::viewDidLoad() {
    setTitle(tr("Variable Detail Page"));
}

void VariableDetailViewController::viewWillAppear(bool) {
    column_ = nullptr;
    if (model_ && model_->managedObjectContext() && objectIDColumn_)
        column_ = model_->managedObjectContext()->existingObject<Column>(objectIDColumn_);
    view();
    if (column_) {
        labelName_->setText(formatText(tr("Variable: %@"), {column_->name()}));
        if (auto type = variableTypeText(column_->type().value_or(0)))
            labelType_->setText(*type);
    }
    // The pager holds the page, so the bar shows the pager's item: it carries the page's title.
    if (auto* nav = navigationController();
        nav && nav->topViewController() && nav->topViewController() != this) {
        nav->topViewController()->navigationItem().title = title();
        nav->updateBar();
    }
    labelLeft_->setHidden(hideLeftArrow_);
    labelRight_->setHidden(hideRightArrow_);
}
