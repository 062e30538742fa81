// The Analysis tab's list of saved analyses, the one opened most recently first: each row names the kind
// of analysis, its variables and its filters. Fetched again on every appearance, so it follows any change
// of workspace. A tap opens the analysis on its kind's screen, a swipe deletes it, and "New Analysis"
// offers the kinds to start one from.
#pragma once

#include "analysis/AnalysisKinds.h"
#include "model/Model.h"
#include "platform/host/Services.h"
#include "platform/ui/TableViewController.h"

#include <memory>
#include <vector>

class AnalysesViewController : public ui::TableViewController {
  public:
    AnalysesViewController();

    void setModel(Model* model) { model_ = model; }
    Model* model() const { return model_; }
    const std::vector<std::shared_ptr<Analysis>>& analyses() const { return analyses_; }
    // Where the screens opened from here mail and print: the desktop's services unless set (not owned).
    void setMailService(host::MailService* mail) { mail_ = mail; }
    void setPrintService(host::PrintService* print) { print_ = print; }
    const std::shared_ptr<ui::BarButtonItem>& newAnalysisItem() const { return newItem_; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // Pushes the new-analysis chooser.
    void newAnalysis();
    // Makes an analysis of the kind (named after it), then shows its screen in place of the chooser.
    void createAnalysis(const AnalysisKind& kind);
    // Sets the analysis's lastOpened to now, saves, and pushes its kind's screen; false (nothing done)
    // for a type no screen shows.
    bool openAnalysis(const std::shared_ptr<Analysis>& analysis);

    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    bool canEditRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
    void commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                            ui::IndexPath indexPath) override;

    // A row's texts: the kind's title, the variables' names, the filters.
    static std::string typeText(const Analysis& analysis);
    static std::string descriptionText(const Analysis& analysis);
    std::string whereText(const Analysis& analysis) const;

  private:
    std::shared_ptr<AnalysisDetailViewController> screenFor(const std::shared_ptr<Analysis>& analysis,
                                                            const AnalysisKind& kind);

    Model* model_;
    host::MailService* mail_ = nullptr;
    host::PrintService* print_ = nullptr;
    std::shared_ptr<ui::BarButtonItem> newItem_;
    std::vector<std::shared_ptr<Analysis>> analyses_;
};

// The kinds of analysis, one row each; a tap hands the kind to `chosen`.
class NewAnalysisViewController : public ui::TableViewController {
  public:
    explicit NewAnalysisViewController(std::function<void(const AnalysisKind&)> chosen);

    const std::vector<AnalysisKind>& kinds() const { return kinds_; }

    void viewDidLoad() override;
    int numberOfRowsInSection(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                             ui::IndexPath indexPath) override;
    void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  private:
    std::function<void(const AnalysisKind&)> chosen_;
    std::vector<AnalysisKind> kinds_;
};
