// The print sheet's list, copies stepper and bar items.
#include "platform/host/PrintSheetViewController.h"

#include "platform/foundation/Tr.h"

#include <algorithm>

using foundation::tr;

namespace host {

namespace {
// The sheet's container (a navigation controller) is what was presented.
ui::ViewController* presenterOf(ui::ViewController& sheet) {
    ui::ViewController* container = &sheet;
    while (container->parentViewController())
        container = container->parentViewController();
    return container->presentingViewController();
}
} // namespace

PrintSheetViewController::PrintSheetViewController(std::vector<std::string> printers,
                                                   const std::optional<std::string>& defaultPrinter,
                                                   PrintAction onPrint)
    : printers_(std::move(printers)), onPrint_(std::move(onPrint)) {
    if (defaultPrinter) {
        auto it = std::find(printers_.begin(), printers_.end(), *defaultPrinter);
        if (it != printers_.end())
            std::rotate(printers_.begin(), it, it + 1);
    }
    if (!printers_.empty())
        selected_ = printers_.front();
    setPreferredContentSize({320, 300});
}

void PrintSheetViewController::loadView() {
    auto root = ui::View::make(ui::Rect{0, 0, 320, 256});
    root->setBackgroundColor(ui::Color::white());
    const double w = root->bounds().width(), h = root->bounds().height();
    // The copies line sits at the bottom; the printers fill the room above it.
    table_ = std::make_shared<ui::TableView>(ui::Rect{0, 0, w, h - 56});
    table_->setIdentifier("printerTable");
    table_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    table_->setRowHeight(44);
    table_->registerCellFactory("Printer", [](const std::string& id) {
        return std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, id);
    });
    table_->setDataSource(this);
    table_->setTableDelegate(this);
    root->addSubview(table_);

    labelNoPrinter_ = std::make_shared<ui::Label>(ui::Rect{16, 16, w - 32, 44});
    labelNoPrinter_->setIdentifier("labelNoPrinter");
    labelNoPrinter_->setText(tr("No printer is set up."));
    labelNoPrinter_->setNumberOfLines(2);
    labelNoPrinter_->setTextColor(ui::Color::gray(0.4));
    labelNoPrinter_->setAutoresizingMask(ui::FlexibleWidth);
    root->addSubview(labelNoPrinter_);

    const unsigned bottom = ui::FlexibleTopMargin;
    labelCopies_ = std::make_shared<ui::Label>(ui::Rect{16, h - 50, w - 140, 44});
    labelCopies_->setIdentifier("labelCopies");
    labelCopies_->setAutoresizingMask(bottom | ui::FlexibleWidth);
    root->addSubview(labelCopies_);
    buttonFewer_ = std::make_shared<ui::Button>(ui::Rect{w - 116, h - 50, 50, 44});
    buttonFewer_->setIdentifier("buttonFewerCopies");
    buttonFewer_->setTitle(std::string("\u2212"));
    buttonFewer_->setAutoresizingMask(bottom | ui::FlexibleLeftMargin);
    buttonFewer_->addTarget(ui::TouchUpInside, [this](ui::Control&) { setCopies(copies_ - 1); });
    root->addSubview(buttonFewer_);
    buttonMore_ = std::make_shared<ui::Button>(ui::Rect{w - 62, h - 50, 50, 44});
    buttonMore_->setIdentifier("buttonMoreCopies");
    buttonMore_->setTitle(std::string("+"));
    buttonMore_->setAutoresizingMask(bottom | ui::FlexibleLeftMargin);
    buttonMore_->addTarget(ui::TouchUpInside, [this](ui::Control&) { setCopies(copies_ + 1); });
    root->addSubview(buttonMore_);
    setView(root);
}

void PrintSheetViewController::viewDidLoad() {
    setTitle(tr("Print"));
    cancelItem_ = std::make_shared<ui::BarButtonItem>(tr("Cancel"), [this](ui::BarButtonItem&) { cancel(); });
    printItem_ = std::make_shared<ui::BarButtonItem>(tr("Print"), [this](ui::BarButtonItem&) { print(); });
    navigationItem().setLeftBarButtonItem(cancelItem_);
    navigationItem().setRightBarButtonItem(printItem_);
    update();
}

void PrintSheetViewController::setCopies(int copies) {
    copies_ = std::clamp(copies, 1, kMaxCopies);
    if (isViewLoaded())
        update();
}

void PrintSheetViewController::update() {
    const bool none = printers_.empty();
    table_->setHidden(none);
    labelNoPrinter_->setHidden(!none);
    labelCopies_->setText(tr("Copies:") + " " + std::to_string(copies_));
    buttonFewer_->setEnabled(copies_ > 1);
    buttonMore_->setEnabled(copies_ < kMaxCopies);
    printItem_->setEnabled(!none);
    table_->reloadData();
}

void PrintSheetViewController::close(std::function<void()> then) {
    auto keep = shared_from_this();
    if (ui::ViewController* presenter = presenterOf(*this))
        presenter->dismissViewController(true);
    if (then)
        then();
}

void PrintSheetViewController::cancel() {
    close({});
}

void PrintSheetViewController::print() {
    if (selected_.empty())
        return;
    close([this] {
        if (onPrint_)
            onPrint_(selected_, copies_);
    });
}

int PrintSheetViewController::numberOfRowsInSection(ui::TableView&, int) {
    return static_cast<int>(printers_.size());
}

std::shared_ptr<ui::TableViewCell> PrintSheetViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                  ui::IndexPath indexPath) {
    auto cell = tableView.dequeueReusableCellWithIdentifier("Printer", indexPath);
    const auto row = static_cast<size_t>(indexPath.row);
    if (row >= printers_.size())
        return cell;
    cell->textLabel().setText(printers_[row]);
    cell->setAccessoryType(printers_[row] == selected_ ? ui::TableViewCellAccessory::Checkmark
                                                       : ui::TableViewCellAccessory::None);
    return cell;
}

void PrintSheetViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    const auto row = static_cast<size_t>(indexPath.row);
    if (row < printers_.size())
        selected_ = printers_[row];
    tableView.reloadData();
}

} // namespace host
