// The create-workspace sheet: its layout (pad and phone from one builder), its texts by request, the
// background inspection of a workbook's sheets, the option chooser, the name check and the confirmation.
#include "app/NewFileViewController.h"

#include "app/FilesViewController.h"
#include "app/LayoutView.h"
#include "app/TextFormat.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/foundation/Tr.h"
#include "platform/ui/Environment.h"
#include "platform/ui/TableViewController.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;
using foundation::tr;
using ui::Rect;

namespace {

// The longest file name the file system takes, in bytes, the extension every workspace gets, and the
// longest companion the store writes beside it: a name whose journal cannot be named cannot be saved.
constexpr std::size_t kMaxFileName = 255;
constexpr const char* kWorkspaceExtension = ".ov";
constexpr const char* kLongestCompanion = "-journal";

std::string extensionOf(const std::string& path) {
    const std::string ext = fs::path(path).extension().string();
    return ext.empty() ? ext : ext.substr(1);
}

std::shared_ptr<ui::Label> makeLabel(const char* identifier, gfx::Font font, int lines = 1) {
    auto label = std::make_shared<ui::Label>();
    label->setIdentifier(identifier);
    label->setFont(std::move(font));
    label->setNumberOfLines(lines);
    if (lines != 1)
        label->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    return label;
}

// Reports the inspection to the sheet on the main thread, unless the sheet has gone or was closed.
class InspectionHop final : public FileImporterDelegate {
  public:
    explicit InspectionHop(std::weak_ptr<ui::ViewController> sheet) : sheet_(std::move(sheet)) {}
    void importerDidInspectURL(FileImporter&, const std::string&,
                               const std::optional<std::vector<WorkbookSheet>>& sheets) override {
        dispatch::mainQueue().sync([this, &sheets] {
            // Locked on the main thread only, so that the sheet is never freed on this one.
            if (auto sheet = std::static_pointer_cast<NewFileViewController>(sheet_.lock()))
                sheet->didInspectURL(sheets);
        });
    }

  private:
    std::weak_ptr<ui::ViewController> sheet_;
};

} // namespace

std::uint16_t NewFileViewController::delimiterForIndex(std::size_t index) {
    switch (index) {
    case 0:
        return ',';
    case 2:
        return ' ';
    default:
        return '\t';
    }
}

std::optional<std::string> NewFileViewController::nameProblem(const std::string& name) {
    const bool bad = name.empty() || name.front() == '.' || name.find('/') != std::string::npos ||
                     name.find('\0') != std::string::npos ||
                     name.size() + std::string_view(kWorkspaceExtension).size() +
                             std::string_view(kLongestCompanion).size() >
                         kMaxFileName;
    if (!bad)
        return std::nullopt;
    return tr("A name cannot be empty, start with a period, contain a slash or be longer than 244 bytes.");
}

bool NewFileViewController::isWorkbook() const {
    const std::string ext = extensionOf(url_);
    return ext == "xls" || ext == "xlsx";
}

// --- the view

void NewFileViewController::loadView() {
    auto root = std::make_shared<LayoutView>(Rect{0, 0, 540, 620});
    root->setBackgroundColor(ui::Color::white());
    root->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    root->onLayout = [this] { layoutScreen(); };

    const bool pad = traitCollection().idiom == ui::UserInterfaceIdiom::Pad;
    const double text = pad ? 17 : 15, small = pad ? 14 : 12;
    labelDescribeSource_ = makeLabel("labelDescribeSource", gfx::Font::boldSystem(text), 0);
    labelInput_ = makeLabel("labelInput", gfx::Font::system(text), 0);
    labelInput_->setTextColor(ui::Color::gray(0.3));
    labelPromptName_ = makeLabel("labelPromptName", gfx::Font::system(text));
    fieldOutput_ = std::make_shared<ui::TextField>();
    fieldOutput_->setIdentifier("fieldOutput");
    fieldOutput_->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    fieldOutput_->setFont(gfx::Font::system(text));
    fieldOutput_->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
    fieldOutput_->setAutocorrectionType(ui::TextAutocorrectionType::No);
    fieldOutput_->addTarget(ui::EditingChanged, [this](ui::Control&) { updateName(); });
    labelNameProblem_ = makeLabel("labelNameProblem", gfx::Font::system(small), 0);
    labelNameProblem_->setTextColor(ui::Color{0.8, 0.1, 0.1, 1});

    buttonCreate_ = std::make_shared<ui::Button>();
    buttonCreate_->setIdentifier("buttonCreate");
    buttonCreate_->titleLabel().setFont(gfx::Font::boldSystem(text + 1));
    buttonCreate_->addTarget(ui::TouchUpInside, [this](ui::Control&) { createFile(); });

    horizontalRule_ = std::make_shared<ui::View>();
    horizontalRule_->setIdentifier("horizontalRule");
    horizontalRule_->setBackgroundColor(ui::Color::gray(0.8));
    labelOptions_ = makeLabel("labelOptions", gfx::Font::boldSystem(text));
    labelHeader_ = makeLabel("labelHeader", gfx::Font::system(text));
    switchHeader_ = std::make_shared<ui::Switch>();
    switchHeader_->setIdentifier("switchHeader");
    switchHeader_->addTarget(ui::ValueChanged, [this](ui::Control&) { toggleHeader(); });
    buttonAdvanced_ = std::make_shared<ui::Button>();
    buttonAdvanced_->setIdentifier("buttonAdvanced");
    buttonAdvanced_->titleLabel().setFont(gfx::Font::system(text));
    buttonAdvanced_->titleLabel().setTextAlignment(gfx::TextAlignment::Left);
    buttonAdvanced_->addTarget(ui::TouchUpInside, [this](ui::Control&) { chooseAdvanced(); });
    buttonAdvOptions_ = std::make_shared<ui::Button>();
    buttonAdvOptions_->setIdentifier("buttonAdvOptions");
    buttonAdvOptions_->titleLabel().setFont(gfx::Font::system(text));
    buttonAdvOptions_->titleLabel().setTextAlignment(gfx::TextAlignment::Left);
    buttonAdvOptions_->addTarget(ui::TouchUpInside, [this](ui::Control&) { showAdvOptions(); });
    labelDecimal_ = makeLabel("labelDecimal", gfx::Font::system(text));
    segmentDecimal_ = std::make_shared<ui::SegmentedControl>(std::vector<std::string>{".", ","});
    segmentDecimal_->setIdentifier("segmentDecimal");
    segmentDecimal_->addTarget(ui::ValueChanged, [this](ui::Control&) { changeDecimal(); });
    labelDecimalExplain_ = makeLabel("labelDecimalExplain", gfx::Font::system(small), 0);
    labelDecimalExplain_->setTextColor(ui::Color::gray(0.35));

    for (const auto& v : std::initializer_list<ui::View::Ptr>{
             labelDescribeSource_, labelInput_, labelPromptName_, fieldOutput_, labelNameProblem_, buttonCreate_,
             horizontalRule_, labelOptions_, labelHeader_, switchHeader_, buttonAdvanced_, buttonAdvOptions_,
             labelDecimal_, segmentDecimal_, labelDecimalExplain_})
        root->addSubview(v);
    setView(root);
}

void NewFileViewController::layoutScreen() {
    const Rect b = view().bounds();
    const bool pad = traitCollection().idiom == ui::UserInterfaceIdiom::Pad;
    const double margin = pad ? 40 : 16, gap = pad ? 12 : 8, line = pad ? 24 : 20;
    const double width = std::max(0.0, std::min(b.width() - 2 * margin, 520.0));
    const double x = (b.width() - width) / 2;
    double y = pad ? 30 : 14;
    // Hidden parts take no room: what is shown closes up.
    auto place = [&](ui::View& v, double height, double after) {
        if (v.isHidden())
            return;
        v.setFrame({x, y, width, height});
        y += height + after;
    };
    auto fitted = [&](ui::Label& label) { return std::max(line, label.sizeThatFits({width, 0}).height); };

    place(*labelDescribeSource_, fitted(*labelDescribeSource_), 2);
    labelInput_->setHidden(labelInput_->text().empty());
    place(*labelInput_, fitted(*labelInput_), gap);
    place(*labelPromptName_, line, 4);
    place(*fieldOutput_, pad ? 36 : 32, 4);
    place(*labelNameProblem_, fitted(*labelNameProblem_), 0);
    y += gap;
    const double createWidth = std::min(width, std::max(120.0, buttonCreate_->sizeThatFits({0, 0}).width + 24));
    if (!buttonCreate_->isHidden()) {
        buttonCreate_->setFrame({x, y, createWidth, 40});
        y += 40 + gap;
    }
    place(*horizontalRule_, 1, gap);
    place(*labelOptions_, line, gap);
    if (!labelHeader_->isHidden()) {
        const double switchWidth = 51, switchHeight = 31;
        const double headerWidth = gfx::measureText(labelHeader_->text(), {labelHeader_->font()}).width + 8;
        labelHeader_->setFrame({x, y, std::min(width - switchWidth - 8, headerWidth), switchHeight});
        switchHeader_->setFrame({x + labelHeader_->frame().width() + 8, y, switchWidth, switchHeight});
        y += switchHeight + gap;
    }
    place(*buttonAdvanced_, 36, 2);
    place(*buttonAdvOptions_, 36, gap);
    if (!labelDecimal_->isHidden()) {
        const double segmentWidth = 120, segmentHeight = 30;
        const double decimalWidth = gfx::measureText(labelDecimal_->text(), {labelDecimal_->font()}).width + 8;
        labelDecimal_->setFrame({x, y, std::min(width - segmentWidth - 8, decimalWidth), segmentHeight});
        segmentDecimal_->setFrame({x + labelDecimal_->frame().width() + 8, y, segmentWidth, segmentHeight});
        y += segmentHeight + 6;
    }
    place(*labelDecimalExplain_, fitted(*labelDecimalExplain_), gap);
}

void NewFileViewController::viewDidLoad() {
    setTitle(tr("Create New Workspace"));
    navigationItem().setLeftBarButtonItem(std::make_shared<ui::BarButtonItem>(
        ui::BarButtonItem::SystemItem::Cancel, [this](ui::BarButtonItem&) { cancel(); }));
    delims_ = {tr("comma"), tr("tab"), tr("space")};
    labelPromptName_->setText(tr("Name your new workspace:"));
    buttonCreate_->setTitle(tr("Create"));
    buttonAdvOptions_->setTitle(tr("Advanced options"));
    labelHeader_->setText(tr("Header:"));
    labelOptions_->setText(tr("Import options:"));
    labelDecimal_->setText(tr("Decimal point:"));
    labelDecimalExplain_->setText(
        tr("Set decimal point for this dataset. Ovrida defaults to the region format of your system settings."));

    const foundation::NumberFormatter formatter(foundation::NumberFormatter::Style::Decimal,
                                                foundation::currentLocale());
    decimalSeparator_ = formatter.decimalSeparator() == "," ? "," : ".";
    for (ui::View* v : {static_cast<ui::View*>(labelDecimal_.get()), static_cast<ui::View*>(labelDecimalExplain_.get()),
                        static_cast<ui::View*>(segmentDecimal_.get())})
        v->setHidden(true);

    if (isBlank_ || isExample_) {
        labelDescribeSource_->setText(isBlank_ ? tr("Create a new empty workspace.")
                                               : tr("Create a new workspace based on example."));
        labelInput_->setText("");
        fieldOutput_->setText(isBlank_ ? tr("Untitled") : tr("example"));
        for (ui::View* v : std::initializer_list<ui::View*>{labelOptions_.get(), labelHeader_.get(),
                                                           buttonAdvanced_.get(), switchHeader_.get(),
                                                           horizontalRule_.get(), buttonAdvOptions_.get()})
            v->setHidden(true);
    } else {
        labelDescribeSource_->setText(tr("Create a workspace with data from:"));
        labelInput_->setText(fs::path(url_).filename().string());
        fieldOutput_->setText(fs::path(url_).stem().string());
    }

    hasHeader_ = true;
    indexSheet_ = 0;
    buttonAdvanced_->setEnabled(false);
    startInspection();

    if (isWorkbook()) {
        buttonAdvanced_->setTitle(tr("Choose Sheet"));
        // The decimal point is the workbook's own.
        buttonAdvOptions_->setHidden(true);
    } else {
        buttonAdvanced_->setTitle(tr("Choose Delimiter"));
        indexDelim_ = extensionOf(url_) == "csv" ? 0 : 1;
    }
    updateName();
}

void NewFileViewController::startInspection() {
    dispatch::globalQueue(dispatch::Priority::high).async([weak = weak_from_this(), url = url_] {
        InspectionHop hop(weak);
        FileImporter importer;
        importer.setDelegate(&hop);
        importer.inspectURL(url);
    });
}

void NewFileViewController::didInspectURL(const std::optional<std::vector<WorkbookSheet>>& sheets) {
    if (closed_)
        return;
    sheets_ = sheets;
    inspected_ = true;
    buttonAdvanced_->setEnabled(true);
    updateLabelAdvanced();
}

void NewFileViewController::viewWillAppear(bool) {
    updateHeader();
    updateLabelAdvanced();
}

void NewFileViewController::updateHeader() {
    switchHeader_->setOn(hasHeader_);
}

void NewFileViewController::updateLabelAdvanced() {
    std::string title;
    if (isWorkbook()) {
        if (!inspected_)
            title = tr("Finding sheets...");
        else if (!sheets_ || sheets_->empty())
            // An unreadable workbook lists no sheet; its import then reports why.
            title = tr("No sheets found");
        else
            title = formatText(tr("Sheet: %@"), {(*sheets_)[std::min(indexSheet_, sheets_->size() - 1)].name});
    } else {
        title = formatText(tr("Delimiter: %@"), {delims_[std::min(indexDelim_, delims_.size() - 1)]});
    }
    buttonAdvanced_->setTitle(title);
    segmentDecimal_->setSelectedSegmentIndex(decimalSeparator_ == "," ? 1 : 0);
    view().setNeedsLayout();
}

void NewFileViewController::updateName() {
    const auto problem = nameProblem(fieldOutput_->text());
    buttonCreate_->setEnabled(!problem);
    labelNameProblem_->setText(problem.value_or(""));
    labelNameProblem_->setHidden(!problem);
    view().setNeedsLayout();
}

// --- actions

void NewFileViewController::toggleHeader() {
    hasHeader_ = switchHeader_->isOn();
    updateHeader();
}

void NewFileViewController::changeDecimal() {
    decimalSeparator_ = segmentDecimal_->selectedSegmentIndex() == 1 ? "," : ".";
    updateLabelAdvanced();
}

void NewFileViewController::showAdvOptions() {
    labelDecimal_->setHidden(false);
    labelDecimalExplain_->setHidden(false);
    segmentDecimal_->setHidden(false);
    buttonAdvOptions_->setHidden(true);
    view().setNeedsLayout();
}

void NewFileViewController::chooseAdvanced() {
    auto chooser = std::make_shared<ui::TableViewController>(ui::TableViewStyle::Plain);
    chooser->setTitle(buttonAdvanced_->currentTitle());
    ui::TableView& table = chooser->tableView();
    table.setTag(isWorkbook() ? tagSheets : tagDelimiters);
    table.setDataSource(this);
    table.setTableDelegate(this);
    if (auto* nav = navigationController())
        nav->pushViewController(chooser, true);
}

int NewFileViewController::numberOfRowsInSection(ui::TableView& tableView, int) {
    if (tableView.tag() == tagSheets)
        return sheets_ ? static_cast<int>(sheets_->size()) : 0;
    return static_cast<int>(delims_.size());
}

std::shared_ptr<ui::TableViewCell> NewFileViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                ui::IndexPath ip) {
    auto cell = tableView.dequeueReusableCellWithIdentifier("Cell", ip);
    const auto row = static_cast<std::size_t>(std::max(0, ip.row));
    if (tableView.tag() == tagSheets)
        cell->textLabel().setText(sheets_ && row < sheets_->size() ? (*sheets_)[row].name : "");
    else
        cell->textLabel().setText(row < delims_.size() ? delims_[row] : "");
    return cell;
}

void NewFileViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
    const auto row = static_cast<std::size_t>(std::max(0, ip.row));
    if (tableView.tag() == tagSheets)
        indexSheet_ = row;
    else
        indexDelim_ = row;
    updateLabelAdvanced();
    if (auto* nav = navigationController())
        nav->popViewControllerAnimated(true);
}

void NewFileViewController::createFile() {
    const std::string name = fieldOutput_->text();
    if (nameProblem(name))
        return;
    const std::string folder = filesViewController_ ? filesViewController_->applicationDocumentsDirectory()
                                                    : ui::Environment::shared().documentsFolder;
    urlOut_ = (fs::path(folder) / (name + kWorkspaceExtension)).string();
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(urlOut_, ec))) {
        finish();
        return;
    }
    auto alert = std::make_shared<ui::AlertController>(tr("Confirm Replace"), tr("Really replace existing workspace?"),
                                                       ui::AlertControllerStyle::Alert);
    alert->addAction({tr("Cancel"), ui::AlertActionStyle::Cancel, {}});
    alert->addAction({tr("Replace"), ui::AlertActionStyle::Destructive, [this](const ui::AlertAction&) { finish(); }});
    presentViewController(alert, true);
}

void NewFileViewController::finish() {
    closed_ = true;
    // The request goes only once the sheet has gone: a request may present the status screen.
    auto self = std::static_pointer_cast<NewFileViewController>(shared_from_this());
    ui::ViewController* shown = navigationController() ? static_cast<ui::ViewController*>(navigationController()) : this;
    shown->dismissViewController(true, [self] { self->returnToFilesView(); });
}

void NewFileViewController::cancel() {
    closed_ = true;
    ui::ViewController* shown = navigationController() ? static_cast<ui::ViewController*>(navigationController()) : this;
    shown->dismissViewController(true);
}

void NewFileViewController::returnToFilesView() {
    if (!filesViewController_)
        return;
    if (isBlank_) {
        filesViewController_->createEmptyWorkspace(urlOut_);
    } else if (isExample_) {
        filesViewController_->copyExampleWorkspace(urlOut_);
    } else {
        filesViewController_->createWorkspace(urlOut_, url_, hasHeader_, indexSheet_, delimiterForIndex(indexDelim_),
                                              decimalSeparator_);
    }
}
