// The small print sheet of our own: the printers to choose from (the default first), the number of
// copies (1 to 99), "Cancel" and "Print". With no printer set up it says so and cannot print.
#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host {

class PrintSheetViewController : public ui::ViewController,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate {
  public:
    static constexpr int kMaxCopies = 99;
    // Called after the sheet went away, with the chosen printer and number of copies.
    using PrintAction = std::function<void(const std::string& printer, int copies)>;

    // `defaultPrinter`, when it is one of `printers`, is listed first and chosen.
    PrintSheetViewController(std::vector<std::string> printers, const std::optional<std::string>& defaultPrinter,
                             PrintAction onPrint);

    const std::vector<std::string>& printers() const { return printers_; }
    const std::string& selectedPrinter() const { return selected_; }
    int copies() const { return copies_; }
    void setCopies(int copies);
    ui::BarButtonItem& printItem() { return *printItem_; }
    ui::BarButtonItem& cancelItem() { return *cancelItem_; }

    void loadView() override;
    void viewDidLoad() override;

    // The bar items' actions: both close the sheet; Print then hands the choice over.
    void cancel();
    void print();

    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  private:
    void update();
    void close(std::function<void()> then);

    std::vector<std::string> printers_;
    std::string selected_;
    int copies_ = 1;
    PrintAction onPrint_;
    std::shared_ptr<ui::BarButtonItem> printItem_, cancelItem_;
    std::shared_ptr<ui::TableView> table_;
    std::shared_ptr<ui::Label> labelNoPrinter_, labelCopies_;
    std::shared_ptr<ui::Button> buttonFewer_, buttonMore_;
};

} // namespace host
