// A list cell that shows its selection as a tick, for lists where rows are ticked and unticked.
#pragma once

#include "platform/ui/TableView.h"

#include <memory>
#include <string>

class CheckmarkCell : public ui::TableViewCell {
  public:
    using ui::TableViewCell::TableViewCell;
    void setSelected(bool selected, bool animated) override {
        ui::TableViewCell::setSelected(selected, animated);
        auto wanted = selected ? ui::TableViewCellAccessory::Checkmark : ui::TableViewCellAccessory::None;
        if (accessoryType() != wanted)
            setAccessoryType(wanted);
    }
    // Makes the table's cells of this identifier ticking cells.
    static void registerIn(ui::TableView& table, const std::string& reuseIdentifier) {
        table.registerCellFactory(reuseIdentifier, [](const std::string& id) {
            return std::make_shared<CheckmarkCell>(ui::TableViewCellStyle::Default, id);
        });
    }
};
