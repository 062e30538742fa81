// Driving the filter editor that a screen's filter button opens, as a user does: "+", the column's row,
// the operator's segment, the constant typed (or, for "IN", the levels ticked in the level list), Apply.
#pragma once

#include "app/ColumnPickerViewController.h"
#include "app/WhereColumnViewController.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Control.h"
#include "platform/ui/Driver.h"
#include "platform/ui/TableViewController.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace filterEditor {

// Whether the view or one inside it shows the text.
inline bool shows(ui::View& view, const std::string& text) {
    if (!view.isHidden() && view.displayedText() == text)
        return true;
    for (const auto& sub : view.subviews())
        if (shows(*sub, text))
            return true;
    return false;
}

// Scrolls to and taps the first row showing `text` (a cell's text label or any label in it).
inline bool tapRow(ui::Driver& driver, host::HeadlessHost& host, ui::TableView& table,
                   const std::string& text) {
    for (int section = 0; section < table.numberOfSections(); ++section)
        for (int row = 0; row < table.numberOfRowsInSection(section); ++row) {
            table.scrollToRowAtIndexPath({section, row}, ui::TableViewScrollPosition::Middle, false);
            host.drain();
            ui::TableViewCell* cell = table.cellForRowAtIndexPath({section, row});
            if (cell && shows(*cell, text)) {
                driver.tap(cell);
                host.drain();
                return true;
            }
        }
    return false;
}

// Adds a filter through the editor that `button` opens from `presenter`; the operator the editor starts
// with where `op` is empty. A step that finds nothing to tap fails the test.
inline void addFilter(ui::Driver& driver, host::HeadlessHost& host, ui::ViewController& presenter,
                      ui::View& button, const std::string& column, const std::string& op,
                      const std::string& constant, const std::vector<std::string>& levels = {}) {
    driver.tap(&button);
    host.drain();
    auto* popover = dynamic_cast<ui::NavigationController*>(presenter.presentedViewController());
    ASSERT_NE(popover, nullptr);
    ASSERT_NE(driver.tapText("+"), nullptr);
    host.drain();
    auto* picker = dynamic_cast<ColumnPickerViewController*>(popover->topViewController());
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(tapRow(driver, host, picker->tableView(), column)) << column << " cannot be filtered";
    auto* editor = dynamic_cast<WhereColumnViewController*>(popover->topViewController());
    ASSERT_NE(editor, nullptr);
    if (!op.empty()) {
        ui::SegmentedControl& segments = editor->segmentOperator();
        bool found = false;
        for (size_t i = 0; i < segments.numberOfSegments() && !found; ++i)
            if (segments.titleForSegmentAtIndex(i) == op) {
                const ui::Rect r = segments.convertRectToView(segments.rectForSegment(i), nullptr);
                driver.tapAt({r.midX(), r.midY()});
                found = true;
            }
        ASSERT_TRUE(found) << "no operator " << op;
        host.drain();
    }
    if (!levels.empty()) {
        ASSERT_NE(driver.tapText("Choose levels..."), nullptr);
        host.drain();
        auto* list = dynamic_cast<ui::TableViewController*>(popover->topViewController());
        ASSERT_NE(list, nullptr);
        for (const auto& level : levels) {
            ASSERT_TRUE(tapRow(driver, host, list->tableView(), level)) << level;
        }
        ASSERT_NE(driver.tapText("Done"), nullptr);
        host.drain();
    } else {
        auto& field = editor->fieldConstant();
        driver.tap(&field);
        driver.deleteBackward(int(field.text().size()));
        driver.type(constant);
        // A tap beside the field ends its editing.
        const ui::Rect headline =
            editor->viewHeadline().convertRectToView(editor->viewHeadline().bounds(), nullptr);
        driver.tapAt({headline.maxX() - 5, headline.maxY() + 2});
    }
    ASSERT_NE(driver.tapText("Apply"), nullptr);
    host.drain();
}

} // namespace filterEditor
