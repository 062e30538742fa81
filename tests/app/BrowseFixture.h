// Set-up shared by the Browse screen's tests: the screen as the root of the Browse tab among five tabs,
// with recording mail and hand-over services, and ways to reach its grid as a user sees it.
#pragma once

#include "ScreenFixture.h"

#include "app/BrowseViewController.h"
#include "platform/host/Services.h"

#include <memory>
#include <string>
#include <vector>

class BrowseTest : public ScreenTest {
  protected:
    void TearDown() override {
        waitForBackgroundWork();
        browse.reset();
        ScreenTest::TearDown();
    }

    // The screen in tab 1 of five, the way the app arranges its tabs, selected and shown.
    void show(gfx::Size screen = {1024, 768}, ui::UserInterfaceIdiom idiom = ui::UserInterfaceIdiom::Pad) {
        makeHost(screen, idiom);
        browse = std::make_shared<BrowseViewController>(launcher, mail);
        nav = std::make_shared<ui::NavigationController>(browse);
        tabs = std::make_shared<ui::TabBarController>();
        std::vector<ui::ViewController::Ptr> controllers;
        const char* titles[] = {"Workspaces", "Browse", "Variables", "Analysis", "About"};
        for (int i = 0; i < 5; ++i) {
            auto c = i == 1 ? ui::ViewController::Ptr(nav) : std::make_shared<ui::ViewController>();
            c->tabBarItem().title = titles[i];
            controllers.push_back(c);
        }
        tabs->setViewControllers(controllers);
        host->window().setRootViewController(tabs);
        host->drain();
        tabs->setSelectedIndex(1);
        host->drain();
    }

    ui::CollectionView& grid() { return browse->collectionView(); }
    template <class T = ui::CollectionViewCell> T* item(int section, int item) {
        grid().layoutIfNeeded();
        return dynamic_cast<T*>(grid().cellForItemAtIndexPath({section, item}));
    }
    // The text an item shows: a label's, or a field's.
    std::string textAt(int section, int itemIndex) {
        auto* cell = item(section, itemIndex);
        if (!cell)
            return "<none>";
        if (auto* edit = dynamic_cast<EditCell*>(cell))
            return edit->field().text();
        if (auto* label = cell->viewWithIdentifier("label"))
            return label->displayedText();
        return "";
    }
    ui::TextField* fieldAt(int section, int itemIndex) {
        auto* cell = item<EditCell>(section, itemIndex);
        return cell ? &cell->field() : nullptr;
    }
    // Puts text into an item's field as a user would: tap, clear, type; the field stays in editing.
    void retype(int section, int itemIndex, const std::string& text) {
        ui::TextField* field = fieldAt(section, itemIndex);
        ASSERT_NE(field, nullptr) << section << "," << itemIndex;
        ASSERT_NE(driver->tap(field), nullptr);
        ASSERT_TRUE(field->isFirstResponder());
        driver->deleteBackward(int(field->text().size()));
        if (!text.empty())
            driver->type(text);
    }
    void tapEdit() {
        browse->editButton().trigger();
        host->drain();
    }
    // Done, then the background recomputation to its end.
    void tapDone() {
        browse->editButton().trigger();
        ASSERT_TRUE(runUntil([&] { return !browse->isBusy(); }));
        host->drain();
    }
    std::vector<bool> tabsEnabled() {
        std::vector<bool> out;
        for (const auto& c : tabs->viewControllers())
            out.push_back(c->tabBarItem().enabled);
        return out;
    }

    host::RecordingLauncher launcher;
    host::RecordingMailService mail;
    std::shared_ptr<BrowseViewController> browse;
};
