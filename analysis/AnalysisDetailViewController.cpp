// The frame's views, pop-overs, run and share flow.
#include "analysis/AnalysisDetailViewController.h"

#include "analysis/QVPDFWriter.h"
#include "analysis/ReportFiles.h"
#include "app/GlossaryViewController.h"
#include "app/MainStoryboard.h"
#include "app/PresentMailResult.h"
#include "app/TextFormat.h"
#include "app/WheresViewController.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"
#include "platform/host/PrintSheetViewController.h"
#include "platform/ui/Environment.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using foundation::tr;
namespace fs = std::filesystem;

namespace {

std::shared_ptr<ui::Label> makeLabel(const char* identifier, ui::Rect frame, double size) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setIdentifier(identifier);
    label->setFont(gfx::Font::system(size));
    label->setAutoresizingMask(ui::FlexibleWidth);
    return label;
}

// The filter editor's container. However it closes (a tap outside the pop-over, its own Done item when
// shown full screen, or Apply, which closes the whole container), the screen runs again with the
// filters as they now are; it says so here, once per closing.
class FilterNavigationController : public ui::NavigationController {
  public:
    using ui::NavigationController::NavigationController;
    std::function<void()> onClosed;
    void viewDidDisappear(bool animated) override {
        ui::NavigationController::viewDidDisappear(animated);
        if (onClosed)
            onClosed();
    }
};

host::PrintService& standardPrintService() {
    static host::QtPrintService service;
    return service;
}

} // namespace

AnalysisDetailViewController::AnalysisDetailViewController() : model_(&Model::sharedModel()) {}

AnalysisDetailViewController::~AnalysisDetailViewController() = default;

// --- Views and life cycle

void AnalysisDetailViewController::loadView() {
    ui::ViewController::loadView();
    auto& root = view();
    if (forOutput_)
        root.setFrame({0, 0, QVPDFWriter::kPageWidth, QVPDFWriter::kPageHeight});
    root.setBackgroundColor(ui::Color::white());
    const double w = root.bounds().width();
    labelType_ = makeLabel("labelType", {20, 12, w - 40, 24}, 17);
    labelType_->setFont(gfx::Font::boldSystem(17));
    labelSingleTitle_ = makeLabel("labelSingleTitle", {20, 38, w - 40, 22}, 15);
    // On screen the filter line is a button that opens the editor and the filters beside it; the
    // report, which shows no controls, has the same line as one label with its prompt.
    buttonWhere_ = std::make_shared<ui::Button>(ui::Rect{12, 62, 80, 36});
    buttonWhere_->setIdentifier("buttonWhere");
    buttonWhere_->titleLabel().setTextAlignment(gfx::TextAlignment::Left);
    buttonWhere_->addTarget(ui::TouchUpInside, [this](ui::Control& sender) { setWhere(sender); });
    labelWhere_ = makeLabel("labelWhere", {92, 62, w - 112, 36}, 14);
    labelWhere_->setNumberOfLines(2);
    labelWhere_->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
    labelWhereWithPrompt_ = makeLabel("labelWhereWithPrompt", {20, 62, w - 40, 36}, 14);
    labelWhereWithPrompt_->setNumberOfLines(2);
    labelWhereWithPrompt_->setLineBreakMode(gfx::LineBreakMode::TruncateTail);
    labelRightVar_ = makeLabel("labelRightVar", {20, 100, w - 40, 22}, 15);
    buttonWhere_->setHidden(forOutput_);
    labelWhere_->setHidden(forOutput_);
    labelWhereWithPrompt_->setHidden(!forOutput_);
    for (const auto& label : {labelType_, labelSingleTitle_, labelWhere_, labelWhereWithPrompt_, labelRightVar_})
        root.addSubview(label);
    root.addSubview(buttonWhere_);
    contentTop_ = 126;
}

void AnalysisDetailViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    shareItem_ = std::make_shared<ui::BarButtonItem>(ui::BarButtonItem::SystemItem::Action,
                                                     [this](ui::BarButtonItem& item) { share(item); });
    if (glossaryTerms()) {
        glossaryItem_ = std::make_shared<ui::BarButtonItem>(ui::BarButtonItem::SystemItem::Bookmarks,
                                                            [this](ui::BarButtonItem& item) { glossary(item); });
        navigationItem().rightBarButtonItems = {shareItem_, glossaryItem_};
    } else {
        navigationItem().rightBarButtonItems = {shareItem_};
    }
    setTitle(tr("Analysis"));
    labelType_->setText(tr("Type: Unknown"));
    buttonWhere_->setTitle(tr("Filters:"));
    columnRemoved_ = foundation::NotificationCenter::defaultCenter().observe(
        Model::ColumnRemovedNotification, nullptr, [this](const foundation::Notification&) { columnRemoved(); });
}

void AnalysisDetailViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    showing_ = true;
}

void AnalysisDetailViewController::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    showing_ = false;
    if (auto sheet = std::move(printSheet_)) {
        ui::ViewController* container = sheet.get();
        while (container->parentViewController())
            container = container->parentViewController();
        if (ui::ViewController* presenter = container->presentingViewController())
            presenter->dismissViewController(animated);
    }
}

void AnalysisDetailViewController::displayInitial() {
    const std::string where = model_ && analysis_ ? model_->stringForWhereAnalysis(*analysis_) : std::string();
    if (labelWhere_)
        labelWhere_->setText(where);
    if (labelWhereWithPrompt_)
        labelWhereWithPrompt_->setText(formatText(tr("Filters: %@"), {where}));
}

bool AnalysisDetailViewController::isValid(AnalysisError&) const {
    return true;
}

void AnalysisDetailViewController::runAnalysis() {
    displayInitial();
    AnalysisError error;
    const bool valid = isValid(error);
    showMessage(valid ? tr("Calculating...") : error.message);
    if (!valid && !computesWhenInvalid()) {
        // Whatever an earlier run finds is no longer what the screen asks for.
        runner_.invalidate();
        return;
    }
    startComputation(valid);
}

void AnalysisDetailViewController::columnRemoved() {
    // A run begun before the removal may have read the column: it is dropped. A hidden screen runs
    // again when it appears.
    runner_.invalidate();
    if (showing_ && isViewLoaded())
        runAnalysis();
}

// --- Pop-overs

void AnalysisDetailViewController::presentPopover(const std::shared_ptr<ui::ViewController>& content,
                                                  ui::View* sourceView, ui::BarButtonItem* item,
                                                  bool rerunsOnClose) {
    auto nav = std::make_shared<FilterNavigationController>(content);
    nav->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
    ui::Size size = content->preferredContentSize();
    nav->setPreferredContentSize({size.width, size.height + ui::NavigationController::BarHeight});
    nav->popoverPresentationController().sourceView = sourceView;
    nav->popoverPresentationController().barButtonItem = item;
    if (rerunsOnClose) {
        std::weak_ptr<ui::ViewController> weak = weak_from_this();
        nav->onClosed = [weak] {
            if (auto self = weak.lock())
                self->viewWillAppear(false);
        };
    }
    presentViewController(nav, true);
}

std::shared_ptr<ui::Button> AnalysisDetailViewController::addVariableChooser(const char* identifier, int position,
                                                                              const ui::Rect& frame) {
    auto button = std::make_shared<ui::Button>(frame);
    button->setIdentifier(identifier);
    button->setTag(position);
    button->setTitle(tr("Choose Variable"));
    button->titleLabel().setLineBreakMode(gfx::LineBreakMode::TruncateMiddle);
    button->setHidden(isForOutput());
    button->addTarget(ui::TouchUpInside, [this](ui::Control& sender) { chooseVariable(sender); });
    view().addSubview(button);
    return button;
}

void AnalysisDetailViewController::addChooserPair(std::shared_ptr<ui::Button>& left,
                                                  std::shared_ptr<ui::Button>& right, double between) {
    constexpr double margin = 20, top = 96, height = 28;
    const double width = std::min(240.0, (view().bounds().width() - 2 * margin - 48) / 2);
    left = addVariableChooser("buttonLeft", PickerPositionLeft, {margin, top, width, height});
    right = addVariableChooser("buttonRight", PickerPositionRight, {margin + width + 48, top, width, height});
    labelRightVar()->setFrame({margin + width + (48 - between) / 2, top, between, height});
    labelRightVar()->setAutoresizingMask(0);
    labelRightVar()->setTextAlignment(gfx::TextAlignment::Center);
    labelRightVar()->setHidden(isForOutput());
}

void AnalysisDetailViewController::titleChooserPair(ui::Button& left, ui::Button& right) const {
    if (auto column = analysis_ ? analysis_->left() : nullptr)
        left.setTitle(column->name());
    if (auto column = analysis_ ? analysis_->right() : nullptr)
        right.setTitle(column->name());
}

std::string AnalysisDetailViewController::leftName() const {
    auto left = analysis_ ? analysis_->left() : nullptr;
    return left ? left->name() : std::string();
}

std::string AnalysisDetailViewController::rightName() const {
    auto right = analysis_ ? analysis_->right() : nullptr;
    return right ? right->name() : std::string();
}

bool AnalysisDetailViewController::hasVariablePair(AnalysisError& error) const {
    if (analysis_ && analysis_->left() && analysis_->right())
        return true;
    error = {errorDomain, -1, tr("Please choose two variables to analyze.")};
    return false;
}

void AnalysisDetailViewController::chooseVariable(ui::View& sender) {
    if (!model_ || !analysis_)
        return;
    const int64_t position = sender.tag();
    std::optional<std::vector<std::shared_ptr<Column>>> preselected;
    if (position == PickerPositionFurther)
        preselected = analysis_->columns();
    auto picker = std::make_shared<ColumnPickerViewController>(
        ui::TableViewStyle::Plain, model_->columnsToAddToAnalysis(*analysis_, position), preselected,
        static_cast<uint64_t>(position));
    picker->setDelegate(this);
    picker->setPreferredContentSize({400, 200});
    presentPopover(picker, &sender, nullptr, false);
}

void AnalysisDetailViewController::setWhere(ui::View& sender) {
    if (!model_ || !analysis_)
        return;
    auto wheres = std::make_shared<WheresViewController>(ui::TableViewStyle::Plain);
    wheres->setAnalysis(analysis_);
    wheres->setModel(model_);
    wheres->view();
    presentPopover(wheres, &sender, nullptr, true);
}

void AnalysisDetailViewController::glossary(ui::BarButtonItem& sender) {
    if (auto terms = glossaryTerms())
        GlossaryViewController::presentFromBarButtonItem(*this, sender, *terms);
}

void AnalysisDetailViewController::popoverPresentationControllerDidDismissPopover(ui::ViewController&) {
    viewWillAppear(false);
}

void AnalysisDetailViewController::picker(ColumnPickerViewController&,
                                          const std::vector<std::shared_ptr<Column>>& pickedColumns,
                                          uint64_t position) {
    if (model_ && analysis_) {
        if (position == PickerPositionFurther) {
            for (const auto& column : analysis_->columns())
                analysis_->removeColumnsObject(*column);
            for (const auto& column : pickedColumns)
                model_->addColumn(*column, *analysis_, PickerPositionFurther);
        } else if (!pickedColumns.empty()) {
            model_->addColumn(*pickedColumns.front(), *analysis_, static_cast<int64_t>(position));
        }
        model_->saveContext();
    }
    dismissViewController(true);
    viewWillAppear(true);
}

// --- Output

std::shared_ptr<AnalysisDetailViewController> AnalysisDetailViewController::viewControllerForOutput() const {
    return std::make_shared<AnalysisDetailViewController>();
}

std::string AnalysisDetailViewController::fileNameOutput() const {
    auto left = analysis_ ? analysis_->left() : nullptr;
    auto right = analysis_ ? analysis_->right() : nullptr;
    return formatText(tr("Summary statistics of %@ by %@"),
                      {left ? left->name() : std::string(), right ? right->name() : std::string()});
}

void AnalysisDetailViewController::writeCSVLines(CHCSVWriter& writer) {
    writer.writeLineOfFields({"Empty", "Template"});
}

std::shared_ptr<AnalysisDetailViewController> AnalysisDetailViewController::makeOutputController() const {
    auto output = viewControllerForOutput();
    if (!output)
        return nullptr;
    output->setForOutput(true);
    output->setModel(model_);
    output->setAnalysis(analysis_);
    passResultsTo(*output);
    // The report page is wide in every idiom.
    ui::TraitCollection traits = traitCollection();
    traits.horizontalSizeClass = ui::SizeClass::Regular;
    output->setOverrideTraitCollection(traits);
    output->view();
    output->displayInitial();
    output->displayFinal();
    return output;
}

bool AnalysisDetailViewController::writePDF(ui::View& view, const std::string& path) {
    QVPDFWriter writer;
    return writer.pdfOfView(view, path);
}

bool AnalysisDetailViewController::writePDFOutputAtPath(const std::string& path) {
    return reportfiles::writeFresh(path, [this](const std::string& fresh) {
        auto output = makeOutputController();
        return output && writePDF(output->view(), fresh);
    });
}

bool AnalysisDetailViewController::writeCSVOutputAtPath(const std::string& path) {
    return reportfiles::writeCSV(path, [this](CHCSVWriter& writer) { writeCSVLines(writer); });
}

std::optional<AnalysisDetailViewController::ExportedFiles> AnalysisDetailViewController::exportFiles() {
    const std::string folder = ui::Environment::shared().temporaryFolder;
    if (folder.empty())
        return std::nullopt;
    ExportedFiles files{(fs::path(folder) / "export.pdf").string(), (fs::path(folder) / "results.csv").string()};
    foundation::log(formatText("Rendering PDF to: %@", {files.pdf}));
    if (!writePDFOutputAtPath(files.pdf))
        return std::nullopt;
    foundation::log(formatText("Writing CSV to: %@", {files.csv}));
    if (!writeCSVOutputAtPath(files.csv))
        return std::nullopt;
    return files;
}

std::optional<std::string> AnalysisDetailViewController::dataForExport() {
    return reportfiles::exportData("export.pdf", "Rendering PDF to: %@",
                                   [this](const std::string& path) { return writePDFOutputAtPath(path); });
}

std::optional<std::string> AnalysisDetailViewController::dataForCSVExport() {
    return reportfiles::exportData("results.csv", "Writing CSV to: %@",
                                   [this](const std::string& path) { return writeCSVOutputAtPath(path); });
}

std::string AnalysisDetailViewController::safeFileName(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        // C1 controls are two bytes in UTF-8: C2 80 to C2 9F.
        if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(name[i + 1]) <= 0x9F) {
            out += '-';
            ++i;
            continue;
        }
        out += (c == '/' || c < 0x20 || c == 0x7F) ? '-' : static_cast<char>(c);
    }
    constexpr size_t kMaxBytes = 200;
    if (out.size() > kMaxBytes) {
        size_t end = kMaxBytes;
        while (end > 0 && (static_cast<unsigned char>(out[end]) & 0xC0) == 0x80)
            --end;
        out.resize(end);
    }
    if (out.empty() || out == "." || out == "..")
        out = "-";
    return out;
}

void AnalysisDetailViewController::exportFailed() {
    foundation::log("Export failed: the report could not be written");
    auto alert = std::make_shared<ui::AlertController>(tr("Export Failed"), tr("The report could not be written."),
                                                       ui::AlertControllerStyle::Alert);
    alert->addAction({tr("OK"), ui::AlertActionStyle::Default, {}});
    presentViewController(alert, true);
}

// --- Share, mail and print

void AnalysisDetailViewController::share(ui::BarButtonItem& sender) {
    auto sheet = std::make_shared<ui::AlertController>(tr("Share"), "", ui::AlertControllerStyle::ActionSheet);
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    auto self = [weak] { return std::static_pointer_cast<AnalysisDetailViewController>(weak.lock()); };
    sheet->addAction({tr("Cancel"), ui::AlertActionStyle::Cancel, {}});
    sheet->addAction({tr("Email"), ui::AlertActionStyle::Default, [self](const ui::AlertAction&) {
                          if (auto screen = self())
                              screen->mailOutput();
                      }});
    sheet->addAction({tr("Print"), ui::AlertActionStyle::Default, [self](const ui::AlertAction&) {
                          if (auto screen = self())
                              screen->printOutput();
                      }});
    sheet->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
    sheet->popoverPresentationController().barButtonItem = &sender;
    presentViewController(sheet, true);
}

void AnalysisDetailViewController::mailOutput() {
    auto files = exportFiles();
    if (!files) {
        exportFailed();
        return;
    }
    // The mail service names attachments after their files: copies named after the report, in a
    // folder of their own so that two reports of one name never meet.
    std::string pattern = (fs::path(ui::Environment::shared().temporaryFolder) / "mail-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        exportFailed();
        return;
    }
    const std::string base = safeFileName(fileNameOutput());
    const std::string pdf = (fs::path(pattern) / (base + ".pdf")).string();
    const std::string csv = (fs::path(pattern) / (base + ".csv")).string();
    std::error_code ec1, ec2;
    fs::copy_file(files->pdf, pdf, fs::copy_options::overwrite_existing, ec1);
    fs::copy_file(files->csv, csv, fs::copy_options::overwrite_existing, ec2);
    if (ec1 || ec2) {
        exportFailed();
        return;
    }
    host::MailMessage message;
    message.subject = fileNameOutput();
    message.attachments = {pdf, csv};
    host::MailService& mail = mail_ ? *mail_ : MainStoryboard::Services::standard().mail;
    presentMailResult(*this, mail.send(message));
}

void AnalysisDetailViewController::printOutput() {
    host::PrintService& service = print_ ? *print_ : standardPrintService();
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    auto sheet = std::make_shared<host::PrintSheetViewController>(
        service.printers(), service.defaultPrinter(), [weak](const std::string& printer, int copies) {
            if (auto self = std::static_pointer_cast<AnalysisDetailViewController>(weak.lock()))
                self->printTo(printer, copies);
        });
    auto nav = std::make_shared<ui::NavigationController>(sheet);
    const bool pad = traitCollection().idiom == ui::UserInterfaceIdiom::Pad;
    if (pad) {
        nav->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
        ui::Size size = sheet->preferredContentSize();
        nav->setPreferredContentSize({size.width, size.height + ui::NavigationController::BarHeight});
        if (!navigationItem().rightBarButtonItems.empty())
            nav->popoverPresentationController().barButtonItem = navigationItem().rightBarButtonItems.front().get();
    }
    printSheet_ = sheet;
    presentViewController(nav, true);
}

void AnalysisDetailViewController::printTo(const std::string& printer, int copies) {
    printSheet_.reset();
    if (!exportFiles()) {
        exportFailed();
        return;
    }
    auto output = makeOutputController();
    if (!output) {
        exportFailed();
        return;
    }
    host::PrintJob job;
    job.options.printerName = printer;
    job.options.documentName = "Ovrida";
    job.options.copies = copies;
    job.pageBox = {0, 0, QVPDFWriter::kPageWidth, QVPDFWriter::kPageHeight};
    const gfx::Size page = job.pageBox.size;
    job.draw = [output, page](gfx::Context& context) {
        gfx::Size paper = context.deviceBounds().size;
        if (!(paper.width > 0 && paper.height > 0))
            paper = page;
        QVPDFWriter writer;
        writer.drawPages(output->view(), context, paper);
    };
    host::PrintService& service = print_ ? *print_ : standardPrintService();
    if (!service.print(job))
        foundation::log("Error printing");
}
