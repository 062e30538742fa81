// The import's status screen: its layout, its first text, and the start of the import once it is shown.
#include "app/FileImportViewController.h"

#include "app/FilesViewController.h"
#include "app/LayoutView.h"
#include "platform/foundation/Tr.h"

#include <algorithm>

using foundation::tr;

void FileImportViewController::loadView() {
    auto root = std::make_shared<LayoutView>(ui::Rect{0, 0, 540, 300});
    root->setBackgroundColor(ui::Color::white());
    root->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    root->onLayout = [this] { layoutScreen(); };
    activityStatus_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
    activityStatus_->setIdentifier("activityStatus");
    labelStatus_ = std::make_shared<ui::Label>();
    labelStatus_->setIdentifier("labelStatus");
    labelStatus_->setTextAlignment(gfx::TextAlignment::Center);
    labelStatus_->setNumberOfLines(0);
    labelStatus_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    root->addSubview(activityStatus_);
    root->addSubview(labelStatus_);
    setView(root);
}

void FileImportViewController::layoutScreen() {
    const ui::Rect b = view().bounds();
    const bool pad = traitCollection().idiom == ui::UserInterfaceIdiom::Pad;
    const double margin = 20, indicator = 37;
    const double width = std::max(0.0, std::min(b.width() - 2 * margin, 480.0));
    // Two lines of the label's font: a long variable name wraps instead of running off the screen.
    const double height = std::max(labelStatus_->sizeThatFits({width, 0}).height, pad ? 48.0 : 42.0);
    const double top = std::max(margin, (b.height() - indicator - 16 - height) / 2);
    activityStatus_->setFrame({(b.width() - indicator) / 2, top, indicator, indicator});
    labelStatus_->setFrame({(b.width() - width) / 2, top + indicator + 16, width, height});
}

void FileImportViewController::viewDidLoad() {
    labelStatus_->setFont(gfx::Font::system(traitCollection().idiom == ui::UserInterfaceIdiom::Pad ? 20 : 17));
    labelStatus_->setText(tr("Status"));
}

void FileImportViewController::showStatus(const std::string& text) {
    labelStatus_->setText(text);
    view().setNeedsLayout();
}

void FileImportViewController::viewDidAppear(bool) {
    // Once per showing: the import is not started again when the screen reappears.
    if (began_ || !filesViewController_)
        return;
    began_ = true;
    filesViewController_->beginImport();
}
