// The Workspaces tab: the documents folder's workspaces and data files as two grids of icons, read from
// disk on every count and cell; opening a workspace (out of the Inbox first), deletion mode with its
// badges and alerts, the two help tips, and the making of new workspaces: blank, from the example, or
// imported by a background worker that reports to the status screen.
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

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMPopTipView;
class FileImportViewController;
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

    // --- new workspaces
    // What the sheet asks an import for, held between the sheet and the worker.
    struct ImportParams {
        std::string urlOut;           // the workspace file to make
        std::string urlIn;            // the data file (out of the Inbox)
        bool hasHeader = true;
        std::uint64_t sheet = 0;      // the workbook sheet's index (0 for other files)
        std::uint16_t delim = ',';    // comma, tab or space
        std::string decimalSeparator; // "." or ","
    };
    // What crosses from the worker to the main thread at the end of an import.
    struct ImportOutcome {
        int code = FileImporter::codeNormalEnd;
        std::string limit; // the completion's "limit": "rows", "columns", "columns,rows" or nothing
        std::string url;   // the file the worker wrote
    };

    // Offers the file for import on the create-workspace sheet (a file handed over by another app).
    void importURL(const std::string& url);
    // The sheet's three requests, each replacing a workspace of that name.
    void createEmptyWorkspace(const std::string& urlOut);
    void copyExampleWorkspace(const std::string& urlOut);
    void createWorkspace(const std::string& urlOut, const std::string& fromText, bool withHeader,
                         std::uint64_t sheet, std::uint16_t delim, const std::string& decimal);
    // From the status screen once it is shown: runs the import on a high-priority global queue.
    void beginImport();
    // Main-thread steps of the import: its start, and its end with the outcome's alert.
    void startImport();
    void endImport(const ImportOutcome& outcome);
    const std::optional<ImportParams>& importParams() const { return importParams_; }
    // The last import's Model (its stores closed once the import ended).
    Model* bgModel() const { return bgModel_.get(); }
    // The hidden file an import of this process writes before it takes the workspace's name.
    static std::string temporaryImportName(long pid, unsigned counter);
    // Removes the temporary files of imports whose process no longer runs.
    void removeStaleImports();

    // The import's callbacks, on the importer's thread; each waits for the status screen to show it.
    void importerDidStartDocument(FileImporter& importer, const std::string& file) override;
    void importerDidCompleteLineNumber(FileImporter& importer, std::uint64_t row,
                                       std::uint64_t consecutiveNumber) override;
    void importerDidCompleteParsing(FileImporter& importer, const std::string& path) override;
    void importerWillAnalyzeColumnNamed(FileImporter& importer, const std::string& name) override;
    void importerDidCompleteDocument(FileImporter& importer, const std::string& file,
                                     const ImportError& error) override;

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
    // The status screen when it is the presented screen.
    FileImportViewController* statusScreen() const;
    // Writes the status screen's label from the importer's thread, waiting until it is written.
    void reportStatus(std::string text);
    // The worker's end: saves, flushes and closes its store, then hands the outcome to endImport.
    void finishImport(Model& model, int code, std::string limit);
    // Before a file of the documents folder is touched: the open workspace saved and closed, so that
    // no journal of it is left to roll a new file at its path back. Answers what was open.
    std::optional<std::string> closeOpenWorkspace();
    // Opens the workspace that was open before a request that failed, when its file is still there.
    void reopenPrevious();
    // Shows the alert over whichever tab is shown.
    void presentAlert(const std::string& title, const std::string& message);
    // The open workspace changed: the status line, the other tabs reset, the Browse tab shown.
    void showOpenedWorkspace();
    // Removes the Inbox once nothing is left in it.
    void removeEmptyInbox();

    host::FileIconService& icons_;
    FileOperations& files_;
    Model* model_ = nullptr;
    std::string urlToOpen_;
    std::optional<ImportParams> importParams_;
    std::optional<std::string> previousWorkspace_; // open before the running request
    std::string importTemporary_; // the hidden file the running import writes
    std::shared_ptr<Model> bgModel_;
    std::atomic<bool> importCompleted_{false}; // the running import's completion callback has come
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
