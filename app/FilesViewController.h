// The Workspaces tab: the documents folder's workspaces and data files as two grids of icons, read from
// disk on every count and cell; opening a workspace (out of the Inbox first), deletion mode with its
// badges and alerts, the ways to a blank or example workspace and to an import, and the two help tips.
#pragma once

#include "app/FileOperations.h"
#include "app/SpringboardLayout.h"
#include "import/FileImporter.h"
#include "platform/host/Services.h"
#include "platform/ui/CollectionView.h"
#include "platform/ui/Control.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMPopTipView;
class Model;

class FilesViewController : public ui::ViewController,
                            public FileImporterDelegate,
                            public SpringboardLayoutDelegate,
                            public ui::CollectionViewDataSource,
                            public ui::CollectionViewDelegate,
                            public ui::GestureRecognizerDelegate,
                            public ui::PopoverPresentationControllerDelegate {
  public:
    // The deletion awaiting confirmation.
    struct PendingDelete {
        std::string url;
        ui::IndexPath index;
        ui::CollectionView* cv = nullptr;
    };

    // Icons come from `icons`; every file operation goes through `files`.
    explicit FilesViewController(host::FileIconService& icons, FileOperations& files = FileOperations::standard());
    ~FilesViewController() override;

    // --- the documents folder
    // The documents folder, made when missing.
    std::string applicationDocumentsDirectory();
    // Its entries (hidden ones skipped) by the case-sensitive order of their names; empty on an error.
    std::vector<std::string> lsDocuments();
    // One grid's files: "text" (exact extensions txt, csv, xls, xlsx) or any other type ("ov"), in the
    // locale's case-blind order of their paths.
    std::vector<std::string> lsDocumentsOfType(const std::string& type);
    // The file's icon: one per extension, looked up once for the screen's life.
    std::optional<gfx::Image> imageIconForURL(const std::string& path);
    // The resources a blank and an example workspace start from.
    static std::string blankResource();
    static std::string exampleResource();

    // --- opening
    const std::string& urlToOpen() const { return urlToOpen_; }
    void setUrlToOpen(std::string url) { urlToOpen_ = std::move(url); }
    // Opens urlToOpen as the open workspace and shows it on the Browse tab.
    void buttonOpen(ui::Control* sender);
    // Moves a file out of the Inbox into the documents folder ("name-1.ext" ... on a collision); answers
    // where the file now is, which is where it was when it could not be moved.
    std::string moveFromInbox(const std::string& url);
    // After a change of the open workspace: the Variables and Analysis tabs at their first screens, no
    // Browse filter.
    void refreshTabs();

    // --- deletion mode
    void activateDeletionModeWorkspace(ui::GestureRecognizer& recognizer);
    void activateDeletionModeText(ui::GestureRecognizer& recognizer);
    void activateDeletionMode(ui::GestureRecognizer& recognizer, ui::CollectionView& collectionView);
    void endDeletionMode(ui::GestureRecognizer& recognizer);
    // The delete badge's action.
    void deleteFile(ui::Control& sender);
    bool isDeletionModeActiveForCollectionView(ui::CollectionView& collectionView, SpringboardLayout& layout) override;
    bool isDeletionModeActiveWorkspace() const { return deletionWorkspace_; }
    bool isDeletionModeActiveText() const { return deletionText_; }
    const std::optional<PendingDelete>& dictDelete() const { return dictDelete_; }

    // --- help
    void displayHelp();
    void showHelp(ui::Control* sender);
    CMPopTipView* ptv() const { return ptv_.get(); }
    CMPopTipView* ptExample() const { return ptExample_.get(); }

    // --- outlets
    Model* model() const { return model_; }
    ui::Label& labelFileInfo() { return *labelFileInfo_; }
    ui::Button& buttonEnter() { return *buttonEnter_; }
    ui::CollectionView& collectionWorkspaces() { return *collectionWorkspaces_; }
    ui::CollectionView& collectionTexts() { return *collectionTexts_; }
    ui::ScrollView& scrollMain() { return *scrollMain_; }
    ui::Button& buttonExample() { return *buttonExample_; }
    ui::ImageView& imageExample() { return *imageExample_; }
    ui::Label& labelExampleFilename() { return *labelExampleFilename_; }
    ui::Label& labelEnter() { return *labelEnter_; }
    ui::Label& labelExample() { return *labelExample_; }
    ui::Label& labelOpen() { return *labelOpen_; }
    ui::Label& labelImport() { return *labelImport_; }
    ui::Button& buttonHowToImport() { return *buttonHowToImport_; }
    ui::Size sizeCollectionCell() const { return sizeCollectionCell_; }

    // --- screen events
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewWillTransitionToSize(ui::Size size) override;
    void popoverPresentationControllerDidDismissPopover(ui::ViewController& presented) override;
    void prepareForSegue(const std::string& identifier, ui::ViewController& destination) override;

    // --- the grids
    int numberOfItemsInSection(ui::CollectionView& view, int section) override;
    std::shared_ptr<ui::CollectionViewCell> cellForItemAtIndexPath(ui::CollectionView& view, ui::IndexPath ip) override;
    bool shouldSelectItemAtIndexPath(ui::CollectionView& view, ui::IndexPath ip) override;
    void didSelectItemAtIndexPath(ui::CollectionView& view, ui::IndexPath ip) override;
    std::optional<ui::Size> sizeForItemAtIndexPath(ui::CollectionView& view, ui::CollectionViewLayout& layout,
                                                   ui::IndexPath ip) override;
    std::optional<ui::EdgeInsets> insetForSectionAtIndex(ui::CollectionView& view, ui::CollectionViewLayout& layout,
                                                         int section) override;
    bool gestureRecognizerShouldReceiveTouch(ui::GestureRecognizer& recognizer, const ui::Touch& touch) override;

  private:
    class FilesView;
    void layoutScreen();
    // The list a grid shows: "workspace" or "text".
    std::string typeOf(const ui::CollectionView& view) const;
    bool isOpenWorkspace(const std::string& path) const;
    void removeConfirmed();
    void dismissTips(bool animated);
    // Shows the tips once the screen is in a window; false when it is not there yet.
    bool presentTipsWhenShown();

    host::FileIconService& icons_;
    FileOperations& files_;
    Model* model_ = nullptr;
    std::string urlToOpen_;
    bool deletionWorkspace_ = false;
    bool deletionText_ = false;
    std::optional<PendingDelete> dictDelete_;
    ui::Size sizeCollectionCell_{80, 80};
    std::map<std::string, std::optional<gfx::Image>> dictIcons_;
    std::shared_ptr<CMPopTipView> ptv_, ptExample_;

    std::shared_ptr<ui::Label> labelFileInfo_, labelEnter_, labelExample_, labelOpen_, labelImport_,
        labelExampleFilename_;
    std::shared_ptr<ui::ScrollView> scrollMain_;
    std::shared_ptr<ui::Button> buttonEnter_, buttonExample_, buttonHowToImport_;
    std::shared_ptr<ui::ImageView> imageExample_;
    std::shared_ptr<SpringboardLayout> layoutWorkspaces_, layoutTexts_;
    std::shared_ptr<ui::CollectionView> collectionWorkspaces_, collectionTexts_;
};
