// What the Variables screen's pager reads and sets on a page: the detail screen of one variable, made
// by the analysis screens under the controller identifier "variableDetail".
#pragma once

#include "model/Model.h"

#include <memory>

class VariableDetailPage {
  public:
    virtual ~VariableDetailPage() = default;
    virtual void setModel(Model* model) = 0;
    // The column to show, an id in the shared Model's context.
    virtual void setObjectIDColumn(store::ObjectId id) = 0;
    virtual void setHideLeftArrow(bool hide) = 0;
    virtual void setHideRightArrow(bool hide) = 0;
    // The column fetched when the page last appeared; null before that.
    virtual std::shared_ptr<Column> column() const = 0;
};
