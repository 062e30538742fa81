// The Workspaces screen: its layout, the listing read from disk, opening with the Inbox moves, deletion
// mode and the delete flow, the segues' settings and the help tips.
#include "app/FilesViewController.h"

#include "app/BrowseViewController.h"
#include "app/FileImportViewController.h"
#include "app/HelpTip.h"
#include "app/NewFileViewController.h"
#include "app/TextFormat.h"
#include "app/WorkspaceCell.h"
#include "model/Model.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/IcuText.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"
#include "platform/ui/Environment.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;
using foundation::tr;
using ui::Rect;

namespace {

constexpr const char* kHelpKey = "import";
constexpr const char* kInbox = "Inbox";
constexpr double kContentWidth = 320, kContentHeight = 474;

std::string extensionOf(const std::string& path) {
    const std::string ext = fs::path(path).extension().string();
    return ext.empty() ? ext : ext.substr(1);
}

std::string nameOf(const std::string& path) {
    return fs::path(path).filename().string();
}

bool inInbox(const std::string& path) {
    return fs::path(path).parent_path().filename() == kInbox;
}

// Two spellings of one file: the same file on disk, or the same path once links and ".." are resolved.
bool samePlace(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec) && !ec)
        return true;
    std::error_code ea, eb;
    const fs::path ca = fs::weakly_canonical(a, ea), cb = fs::weakly_canonical(b, eb);
    return !ea && !eb && ca == cb;
}

std::string resource(const std::string& name) {
    std::error_code ec;
    const fs::path folder = ui::Environment::shared().resourcesFolder;
    const fs::path absolute = fs::absolute(folder, ec);
    return ((ec ? folder : absolute) / name).string();
}

std::shared_ptr<ui::Label> makeLabel(const char* identifier) {
    auto label = std::make_shared<ui::Label>();
    label->setIdentifier(identifier);
    return label;
}

// A grid that scrolls only sideways also takes a plain wheel's turn as sideways.
class SidewaysGrid : public ui::CollectionView {
  public:
    using CollectionView::CollectionView;
    bool scrollByWheel(ui::Size delta) override {
        if (delta.width == 0 && contentSize().height <= bounds().height())
            return CollectionView::scrollByWheel({delta.height, 0});
        return CollectionView::scrollByWheel(delta);
    }
};

} // namespace

// The screen's root: it lays the screen out whenever its size changes.
class FilesViewController::FilesView : public ui::View {
  public:
    explicit FilesView(FilesViewController& owner) : View(Rect{0, 0, 320, 480}), owner_(owner) {}
    void layoutSubviews() override { owner_.layoutScreen(); }

  private:
    FilesViewController& owner_;
};

FilesViewController::FilesViewController(host::FileIconService& icons, FileOperations& files)
    : icons_(icons), files_(files) {}

FilesViewController::~FilesViewController() {
    for (auto* tip : {ptv_.get(), ptExample_.get()})
        if (tip)
            tip->removeFromSuperview();
}

// --- the documents folder

std::string FilesViewController::applicationDocumentsDirectory() {
    const std::string folder = ui::Environment::shared().documentsFolder;
    std::error_code ec;
    if (!files_.isDirectory(folder) && !files_.createDirectory(folder, ec))
        foundation::log("Unable to create the documents folder " + folder + ": " + ec.message());
    return folder;
}

std::vector<std::string> FilesViewController::lsDocuments() {
    std::error_code ec;
    std::vector<std::string> entries = files_.contentsOfDirectory(applicationDocumentsDirectory(), ec);
    if (ec)
        return {};
    std::erase_if(entries, [](const std::string& p) { return nameOf(p).starts_with('.'); });
    std::sort(entries.begin(), entries.end(),
              [](const std::string& a, const std::string& b) { return nameOf(a) < nameOf(b); });
    return entries;
}

std::vector<std::string> FilesViewController::lsDocumentsOfType(const std::string& type) {
    static const std::vector<std::string> texts = {"txt", "csv", "xls", "xlsx"};
    std::vector<std::string> kept;
    for (auto& path : lsDocuments()) {
        const std::string ext = extensionOf(path);
        const bool wanted = type == "text" ? std::find(texts.begin(), texts.end(), ext) != texts.end() : ext == "ov";
        if (wanted)
            kept.push_back(std::move(path));
    }
    // Names that differ only in case compare equal in the locale: their bytes then fix the order.
    std::sort(kept.begin(), kept.end(), [](const std::string& a, const std::string& b) {
        const int order = foundation::localizedCaseInsensitiveCompare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return kept;
}

std::optional<gfx::Image> FilesViewController::imageIconForURL(const std::string& path) {
    const std::string ext = extensionOf(path);
    if (auto it = dictIcons_.find(ext); it != dictIcons_.end())
        return it->second;
    auto icon = icons_.iconForPath(path);
    dictIcons_[ext] = icon;
    return icon;
}

std::string FilesViewController::blankResource() {
    return resource("blank.txt");
}

std::string FilesViewController::exampleResource() {
    return resource("example.ov");
}

// --- the view

void FilesViewController::loadView() {
    auto root = std::make_shared<FilesView>(*this);
    root->setBackgroundColor(ui::Color::white());
    root->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);

    labelFileInfo_ = makeLabel("labelFileInfo");
    labelFileInfo_->setTextAlignment(gfx::TextAlignment::Center);
    labelFileInfo_->setTextColor(ui::Color::gray(0.25));
    scrollMain_ = std::make_shared<ui::ScrollView>();
    scrollMain_->setIdentifier("scrollMain");
    root->addSubview(scrollMain_);
    root->addSubview(labelFileInfo_);

    labelEnter_ = makeLabel("labelEnter");
    labelExample_ = makeLabel("labelExample");
    labelOpen_ = makeLabel("labelOpen");
    labelImport_ = makeLabel("labelImport");
    labelExampleFilename_ = makeLabel("labelExampleFilename");
    labelExampleFilename_->setTextAlignment(gfx::TextAlignment::Center);

    buttonEnter_ = std::make_shared<ui::Button>(Rect{}, ui::ButtonType::Custom);
    buttonEnter_->setIdentifier("buttonEnter");
    buttonEnter_->setImage(ui::imageNamed("new"));
    buttonEnter_->addTarget(ui::TouchUpInside, [this](ui::Control&) { performSegueWithIdentifier("newBlank"); });

    imageExample_ = std::make_shared<ui::ImageView>();
    imageExample_->setIdentifier("imageExample");
    imageExample_->setContentMode(ui::ContentMode::ScaleAspectFit);
    imageExample_->setUserInteractionEnabled(true);
    imageExample_->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>(
        [this](ui::GestureRecognizer&) { performSegueWithIdentifier("example"); }));
    // Transparent over the example's icon and name, so that a tap on either opens the example.
    buttonExample_ = std::make_shared<ui::Button>(Rect{}, ui::ButtonType::Custom);
    buttonExample_->setIdentifier("buttonExample");
    buttonExample_->addTarget(ui::TouchUpInside, [this](ui::Control&) { performSegueWithIdentifier("example"); });

    buttonHowToImport_ = std::make_shared<ui::Button>();
    buttonHowToImport_->setIdentifier("buttonHowToImport");
    buttonHowToImport_->setTitle(std::string("?"));
    buttonHowToImport_->titleLabel().setFont(gfx::Font::boldSystem(15));
    buttonHowToImport_->titleLabel().setTextAlignment(gfx::TextAlignment::Center);
    buttonHowToImport_->layer().setBorderWidth(1.5);
    buttonHowToImport_->layer().setBorderColor(buttonHowToImport_->titleColorForState(ui::StateNormal));
    buttonHowToImport_->addTarget(ui::TouchUpInside, [this](ui::Control& sender) { showHelp(&sender); });

    auto grid = [this](const char* identifier, std::shared_ptr<SpringboardLayout>& layout) {
        layout = std::make_shared<SpringboardLayout>();
        std::shared_ptr<ui::CollectionView> view = std::make_shared<SidewaysGrid>(Rect{0, 0, 320, 140}, layout);
        view->setIdentifier(identifier);
        view->setBackgroundColor(ui::Color::gray(0.97));
        view->setShowsVerticalScrollIndicator(false);
        view->registerCellFactory(WorkspaceCell::reuseIdentifier,
                                  [](const std::string& id) { return std::make_shared<WorkspaceCell>(id); });
        view->setCollectionDelegate(this);
        view->setDataSource(this);
        return view;
    };
    collectionWorkspaces_ = grid("collectionWorkspaces", layoutWorkspaces_);
    collectionTexts_ = grid("collectionTexts", layoutTexts_);

    for (const auto& v : std::initializer_list<ui::View::Ptr>{
             labelEnter_, buttonEnter_, labelExample_, imageExample_, labelExampleFilename_, buttonExample_,
             labelOpen_, collectionWorkspaces_, labelImport_, buttonHowToImport_, collectionTexts_})
        scrollMain_->addSubview(v);
    setView(root);
}

void FilesViewController::layoutScreen() {
    const bool pad = traitCollection().idiom == ui::UserInterfaceIdiom::Pad;
    const Rect b = view().bounds();
    const double W = b.width(), H = b.height();
    const double status = pad ? 26 : 22;
    labelFileInfo_->setFrame({0, 0, W, status});
    scrollMain_->setFrame({0, status, W, std::max(0.0, H - status)});

    const double margin = 20, gap = 20, caption = pad ? 24 : 20, captionGap = pad ? 4 : 2;
    const double icon = 64, cell = sizeCollectionCell_.height;
    // A grid is one row of items high; its items start where the captions do.
    const double gridHeight = cell + 40, gridX = std::max(0.0, margin - 20);
    const double column = std::clamp((W - 2 * margin - gap) / 2, 0.0, 280.0);
    // Everything stays within the content height the scroll view is given (474), so that all of it can
    // be scrolled to on a short screen.
    double y = 10;

    // A narrow screen may need two lines for these two captions: both end on the same line.
    const double enterHeight = std::max(caption, labelEnter_->sizeThatFits({column, 0}).height);
    const double exampleHeight = std::max(caption, labelExample_->sizeThatFits({column, 0}).height);
    const double top = std::max(enterHeight, exampleHeight);
    labelEnter_->setFrame({margin, y + top - enterHeight, column, enterHeight});
    const double xExample = margin + column + gap;
    labelExample_->setFrame({xExample, y + top - exampleHeight, column, exampleHeight});
    y += top + captionGap;
    buttonEnter_->setFrame({margin, y, icon, icon});
    imageExample_->setFrame({xExample, y, icon, icon});
    labelExampleFilename_->setFrame({xExample - 20, y + icon, icon + 40, 18});
    buttonExample_->setFrame({xExample - 20, y, icon + 40, icon + 18});
    y += icon + 18 + 8;

    labelOpen_->setFrame({margin, y, W - 2 * margin, caption});
    y += caption + captionGap;
    collectionWorkspaces_->setFrame({gridX, y, W - 2 * gridX, gridHeight});
    y += gridHeight + 8;

    const double importWidth = gfx::measureText(labelImport_->text(), {labelImport_->font()}).width + 4;
    const double captionWidth = std::min(W - 2 * margin - 40, importWidth);
    labelImport_->setFrame({margin, y, std::max(0.0, captionWidth), caption});
    const double help = 22;
    buttonHowToImport_->setFrame({margin + captionWidth + 8, y + (caption - help) / 2, help, help});
    buttonHowToImport_->layer().setCornerRadius(help / 2);
    y += caption + captionGap;
    collectionTexts_->setFrame({gridX, y, W - 2 * gridX, gridHeight});
}

void FilesViewController::viewDidLoad() {
    model_ = &Model::sharedModel();
    const bool pad = traitCollection().idiom == ui::UserInterfaceIdiom::Pad;
    labelFileInfo_->setBackgroundColor(ui::Color{0.9, 0.9, 0.9, 1});
    labelFileInfo_->setFont(gfx::Font::system(pad ? 14 : 11));
    labelEnter_->setText(tr("Enter Data Manually"));
    labelExample_->setText(tr("Open Example"));
    labelOpen_->setText(tr("Open Existing Workspace"));
    labelImport_->setText(tr("Import Data Files"));
    for (auto* caption : {labelEnter_.get(), labelExample_.get(), labelOpen_.get(), labelImport_.get()})
        caption->setFont(gfx::Font::boldSystem(pad ? 17 : 14));
    labelExampleFilename_->setFont(gfx::Font::system(pad ? 12 : 10));
    for (auto* caption : {labelEnter_.get(), labelExample_.get()}) {
        caption->setNumberOfLines(2);
        caption->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    }

    deletionWorkspace_ = false;
    deletionText_ = false;
    auto pressWorkspaces = std::make_shared<ui::LongPressGestureRecognizer>(
        [this](ui::GestureRecognizer& r) { activateDeletionModeWorkspace(r); });
    auto pressTexts = std::make_shared<ui::LongPressGestureRecognizer>(
        [this](ui::GestureRecognizer& r) { activateDeletionModeText(r); });
    auto tap = std::make_shared<ui::TapGestureRecognizer>([this](ui::GestureRecognizer& r) { endDeletionMode(r); });
    for (auto* r : std::initializer_list<ui::GestureRecognizer*>{pressWorkspaces.get(), pressTexts.get(), tap.get()})
        r->setDelegate(this);
    collectionWorkspaces_->addGestureRecognizer(pressWorkspaces);
    collectionTexts_->addGestureRecognizer(pressTexts);
    view().addGestureRecognizer(tap);

    scrollMain_->setContentSize({kContentWidth, kContentHeight});
    removeStaleImports();
    sizeCollectionCell_ = pad ? ui::Size{100, 100} : ui::Size{80, 80};
    labelExampleFilename_->setText("example.ov");
}

void FilesViewController::viewWillAppear(bool animated) {
    // Only the extension matters: any workspace's icon.
    imageExample_->setImage(imageIconForURL((fs::path("~") / "foo.ov").string()));
    labelFileInfo_->setText(model_->statusLine());
    collectionWorkspaces_->reloadData();
    collectionTexts_->reloadData();
}

void FilesViewController::viewDidAppear(bool animated) {
    if (Model::timesSeenHelpKey(kHelpKey) >= 2)
        return;
    // A tab shown for the first time may hear of it before its view is in the window: the tips then
    // wait for the next turn.
    if (presentTipsWhenShown())
        return;
    dispatch::mainQueue().async([weak = weak_from_this()] {
        if (auto self = weak.lock())
            static_cast<FilesViewController&>(*self).presentTipsWhenShown();
    });
}

bool FilesViewController::presentTipsWhenShown() {
    if (!view().window())
        return false;
    if (Model::timesSeenHelpKey(kHelpKey) >= 2)
        return true;
    displayHelp();
    Model::incrementTimesSeenHelpKey(kHelpKey);
    return true;
}

void FilesViewController::viewWillDisappear(bool animated) {
    dismissTips(animated);
}

void FilesViewController::viewWillTransitionToSize(ui::Size) {
    if (ptv_)
        ptv_->dismissAnimated(false);
}

void FilesViewController::popoverPresentationControllerDidDismissPopover(ui::ViewController&) {
    labelFileInfo_->setText(model_->statusLine());
}

// --- opening

void FilesViewController::buttonOpen(ui::Control*) {
    std::string url = urlToOpen_;
    if (inInbox(url) && files_.isDirectory(fs::path(url).parent_path().string()))
        url = moveFromInbox(url);
    // Opening closes the open workspace, and closing drops what it has not saved.
    model_->saveContext();
    model_->openStore(url);
    labelFileInfo_->setText(model_->statusLine());

    removeEmptyInbox();
    refreshTabs();
    if (auto* tabs = tabBarController())
        tabs->setSelectedIndex(1);
}

void FilesViewController::removeEmptyInbox() {
    // A file that could not be moved out, or another one handed over, keeps the Inbox.
    const std::string inbox = (fs::path(applicationDocumentsDirectory()) / kInbox).string();
    if (!files_.isDirectory(inbox))
        return;
    std::error_code ec;
    const auto left = files_.contentsOfDirectory(inbox, ec);
    if (!ec && left.empty())
        files_.removeItem(inbox, ec);
}

std::string FilesViewController::moveFromInbox(const std::string& url) {
    const fs::path file(url);
    if (!inInbox(url) || !files_.isDirectory(file.parent_path().string()))
        return url;
    const fs::path documents(applicationDocumentsDirectory());
    auto moveTo = [&](const fs::path& target) {
        std::error_code ec;
        if (files_.moveItem(url, target.string(), ec))
            return target.string();
        foundation::log("Unable to move " + url + " to " + target.string() + ": " + ec.message());
        return url;
    };
    const fs::path direct = documents / file.filename();
    if (!files_.fileExists(direct.string()))
        return moveTo(direct);
    const std::string base = file.stem().string(), ext = extensionOf(url);
    for (int n = 1; n <= 99; ++n) {
        std::string name = formatText("%@-%d", {base, std::to_string(n)});
        if (!ext.empty())
            name += "." + ext;
        const fs::path target = documents / name;
        if (!files_.fileExists(target.string()))
            return moveTo(target);
    }
    return url;
}

void FilesViewController::refreshTabs() {
    auto* tabs = tabBarController();
    if (!tabs)
        return;
    const auto& controllers = tabs->viewControllers();
    // Another workspace: the Browse filter named columns of the one before.
    if (controllers.size() > 1)
        if (auto* nav = dynamic_cast<ui::NavigationController*>(controllers[1].get()); nav && !nav->viewControllers().empty())
            if (auto* browse = dynamic_cast<BrowseViewController*>(nav->viewControllers().front().get()))
                browse->setWheres({});
    for (size_t index : {size_t(2), size_t(3)})
        if (index < controllers.size())
            if (auto* nav = dynamic_cast<ui::NavigationController*>(controllers[index].get()))
                nav->popToRootViewControllerAnimated(false);
}

// --- the grids

std::string FilesViewController::typeOf(const ui::CollectionView& view) const {
    return &view == collectionWorkspaces_.get() ? "workspace" : "text";
}

int FilesViewController::numberOfItemsInSection(ui::CollectionView& view, int) {
    return static_cast<int>(lsDocumentsOfType(typeOf(view)).size());
}

std::shared_ptr<ui::CollectionViewCell> FilesViewController::cellForItemAtIndexPath(ui::CollectionView& view,
                                                                                    ui::IndexPath ip) {
    auto cell = std::static_pointer_cast<WorkspaceCell>(
        view.dequeueReusableCellWithReuseIdentifier(WorkspaceCell::reuseIdentifier, ip));
    const auto files = lsDocumentsOfType(typeOf(view));
    // The folder may have changed since the count was read.
    const std::string path = ip.row >= 0 && static_cast<size_t>(ip.row) < files.size() ? files[size_t(ip.row)] : "";
    cell->labelTitle().setText(nameOf(path));
    cell->setDeleteAction([this](ui::Control& sender) { deleteFile(sender); });
    cell->imageIcon().setImage(path.empty() ? std::nullopt : imageIconForURL(path));
    return cell;
}

bool FilesViewController::shouldSelectItemAtIndexPath(ui::CollectionView& view, ui::IndexPath) {
    return !(&view == collectionWorkspaces_.get() ? deletionWorkspace_ : deletionText_);
}

void FilesViewController::didSelectItemAtIndexPath(ui::CollectionView& view, ui::IndexPath ip) {
    const auto files = lsDocumentsOfType(typeOf(view));
    if (ip.row < 0 || static_cast<size_t>(ip.row) >= files.size())
        return;
    const std::string& url = files[size_t(ip.row)];
    foundation::log(formatText("Clicked: %@", {url}));
    urlToOpen_ = url;
    if (&view == collectionWorkspaces_.get())
        buttonOpen(nullptr);
    else
        performSegueWithIdentifier("import");
}

std::optional<ui::Size> FilesViewController::sizeForItemAtIndexPath(ui::CollectionView&, ui::CollectionViewLayout&,
                                                                    ui::IndexPath) {
    return sizeCollectionCell_;
}

std::optional<ui::EdgeInsets> FilesViewController::insetForSectionAtIndex(ui::CollectionView&,
                                                                          ui::CollectionViewLayout&, int) {
    return ui::EdgeInsets{20, 20, 20, 20};
}

// --- deletion mode

void FilesViewController::activateDeletionModeWorkspace(ui::GestureRecognizer& recognizer) {
    activateDeletionMode(recognizer, *collectionWorkspaces_);
}

void FilesViewController::activateDeletionModeText(ui::GestureRecognizer& recognizer) {
    activateDeletionMode(recognizer, *collectionTexts_);
}

void FilesViewController::activateDeletionMode(ui::GestureRecognizer& recognizer, ui::CollectionView& view) {
    if (recognizer.state() != ui::GestureState::Began)
        return;
    if (!view.indexPathForItemAtPoint(recognizer.locationInView(&view)))
        return;
    (&view == collectionWorkspaces_.get() ? deletionWorkspace_ : deletionText_) = true;
    view.invalidateLayout();
}

void FilesViewController::endDeletionMode(ui::GestureRecognizer&) {
    deletionWorkspace_ = false;
    deletionText_ = false;
    collectionWorkspaces_->invalidateLayout();
    collectionTexts_->invalidateLayout();
}

bool FilesViewController::gestureRecognizerShouldReceiveTouch(ui::GestureRecognizer& recognizer,
                                                              const ui::Touch& touch) {
    if (!dynamic_cast<ui::TapGestureRecognizer*>(&recognizer))
        return true;
    // Taps on items, badges and the two controls keep their own meaning.
    for (auto* grid : {collectionWorkspaces_.get(), collectionTexts_.get()})
        if (grid->indexPathForItemAtPoint(touch.locationInView(grid)))
            return false;
    for (auto* control : {buttonEnter_.get(), buttonExample_.get()})
        if (control->bounds().contains(touch.locationInView(control)))
            return false;
    return true;
}

bool FilesViewController::isDeletionModeActiveForCollectionView(ui::CollectionView& view, SpringboardLayout&) {
    return &view == collectionWorkspaces_.get() ? deletionWorkspace_ : deletionText_;
}

bool FilesViewController::isOpenWorkspace(const std::string& path) const {
    const auto open = model_->currentStore();
    return open && samePlace(path, *open);
}

void FilesViewController::deleteFile(ui::Control& sender) {
    WorkspaceCell* cell = nullptr;
    for (ui::View* v = sender.superview(); v && !cell; v = v->superview())
        cell = dynamic_cast<WorkspaceCell*>(v);
    auto* grid = cell ? dynamic_cast<ui::CollectionView*>(cell->superview()) : nullptr;
    const auto index = grid ? grid->indexPathForCell(cell) : std::nullopt;
    if (!grid || !index || (grid != collectionWorkspaces_.get() && grid != collectionTexts_.get())) {
        foundation::log("Tried to delete unknown collection view");
        dictDelete_.reset();
        return;
    }
    const std::string type = typeOf(*grid);
    const auto files = lsDocumentsOfType(type);
    const std::string url = index->row >= 0 && static_cast<size_t>(index->row) < files.size()
                                ? files[size_t(index->row)]
                                : std::string();
    foundation::log(formatText(type == "workspace" ? "Delete workspace: %@" : "Delete text: %@", {url}));
    dictDelete_.reset();
    if (url.empty())
        return;

    if (isOpenWorkspace(url)) {
        auto alert = std::make_shared<ui::AlertController>(tr("Confirm Delete"), tr("Cannot delete open workspace:"),
                                                           ui::AlertControllerStyle::Alert);
        alert->addAction({tr("Cancel"), ui::AlertActionStyle::Cancel, {}});
        presentViewController(alert, true);
        return;
    }
    dictDelete_ = PendingDelete{url, *index, grid};
    auto alert = std::make_shared<ui::AlertController>(
        tr("Confirm Delete"), formatText(tr("Really delete file\n%@? \nCannot be undone."), {nameOf(url)}),
        ui::AlertControllerStyle::Alert);
    alert->addAction({tr("Cancel"), ui::AlertActionStyle::Cancel, {}});
    alert->addAction({tr("Delete"), ui::AlertActionStyle::Destructive, [this](const ui::AlertAction&) { removeConfirmed(); }});
    presentViewController(alert, true);
}

void FilesViewController::removeConfirmed() {
    foundation::log("Delete!");
    if (!dictDelete_)
        return;
    const PendingDelete pending = *dictDelete_;
    std::error_code ec;
    const bool removed = extensionOf(pending.url) == "ov" ? files_.removeWorkspace(pending.url, ec)
                                                          : files_.removeItem(pending.url, ec);
    if (!removed) {
        // The count is read from disk: the file is still there, so its item stays.
        foundation::log("Unable to delete file: " + pending.url + ": " + ec.message());
        pending.cv->reloadData();
        return;
    }
    pending.cv->performBatchUpdates([&] { pending.cv->deleteItemsAtIndexPaths({pending.index}); }, [](bool) {});
}

// --- help

void FilesViewController::dismissTips(bool animated) {
    for (auto* tip : {ptv_.get(), ptExample_.get()})
        if (tip)
            tip->dismissAnimated(animated);
}

void FilesViewController::displayHelp() {
    // Tips still shown from before go first, so that each is shown once.
    dismissTips(false);
    ptExample_ = CMPopTipView::initWithMessage(tr("Get started with these sample data and analyses"));
    styleHelpTip(*ptExample_);
    ptExample_->setPreferredPointDirection(1);
    ptExample_->setTextFont(gfx::Font::system(12));
    ptExample_->presentPointingAtView(*buttonExample_, view(), true);

    ptv_ = CMPopTipView::initWithTitle(
        tr("How to import data"),
        tr("1) Put a data file in the Ovrida folder of your documents, or open it with Ovrida from your file "
           "manager.\n2) Click it under Import Data Files.\n*Ovrida supports csv, txt, xls and xlsx files."));
    styleHelpTip(*ptv_);
    ptv_->setTextAlignment(gfx::TextAlignment::Left);
    ptv_->setMaxWidth(280);
    ptv_->setTextFont(gfx::Font::system(12));
    ptv_->setTitleFont(gfx::Font::boldSystem(14));
    ptv_->presentPointingAtView(*buttonHowToImport_, view(), true);
    // On a small screen the import tip, above its control, can cover the example tip: it then goes below
    // its control, where there is room for it.
    if (!ptv_->frame().intersects(ptExample_->frame()))
        return;
    ptv_->dismissAnimated(false);
    ptv_->setPreferredPointDirection(1);
    ptv_->presentPointingAtView(*buttonHowToImport_, view(), false);
    const ui::Rect below = ptv_->frame();
    if (!below.intersects(ptExample_->frame()) && below.maxY() <= view().bounds().maxY())
        return;
    // No room below either: back above, where it covers the least.
    ptv_->dismissAnimated(false);
    ptv_->setPreferredPointDirection(0);
    ptv_->presentPointingAtView(*buttonHowToImport_, view(), false);
}

void FilesViewController::showHelp(ui::Control*) {
    if (ptv_ && ptv_->superview() == &view()) {
        dismissTips(true);
        return;
    }
    displayHelp();
}

// --- segues

void FilesViewController::prepareForSegue(const std::string& identifier, ui::ViewController& destination) {
    if (identifier == "status") {
        if (auto* status = dynamic_cast<FileImportViewController*>(&destination))
            status->setFilesViewController(this);
        return;
    }
    auto* nav = dynamic_cast<ui::NavigationController*>(&destination);
    auto* sheet = nav && !nav->viewControllers().empty()
                      ? dynamic_cast<NewFileViewController*>(nav->viewControllers().front().get())
                      : nullptr;
    if (!sheet)
        return;
    destination.popoverPresentationController().delegate = this;
    if (identifier == "newBlank") {
        sheet->setUrl(blankResource());
        sheet->setIsBlank(true);
    } else if (identifier == "example") {
        sheet->setUrl(exampleResource());
        sheet->setIsExample(true);
    } else if (identifier == "import") {
        sheet->setUrl(urlToOpen_);
    } else {
        return;
    }
    sheet->setModel(model_);
    sheet->setFilesViewController(this);
}
