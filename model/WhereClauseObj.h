// One filter condition held in memory: the Browse screen's filter (one per column) and the filter
// editor's copy while editing. A stored WhereClause is turned into one before it is evaluated.
#pragma once

#include "model/Entities.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// FilterOperator codes, as the stored conditions keep them.
enum FilterOperator : uint64_t {
    FilterLess = 0,
    FilterLessOrEqual = 1,
    FilterGreater = 2,
    FilterGreaterOrEqual = 3,
    FilterEqual = 4,
    FilterNotEqual = 5,
    FilterIn = 10,
    FilterContains = 99,
};

struct WhereClauseObj {
    int64_t colNum = 0;
    uint64_t op = FilterEqual;
    // Nothing is no constant at all (a cleared condition), which differs from an empty one; the filter
    // reads both as "".
    std::optional<std::string> constant;
    std::vector<std::string> levels; // a set: the order carries no meaning

    WhereClauseObj() = default;
    WhereClauseObj(int64_t colNum, uint64_t op, std::optional<std::string> constant,
                   std::vector<std::string> levels = {})
        : colNum(colNum), op(op), constant(std::move(constant)), levels(std::move(levels)) {}
    // A condition whose column is gone gets column number -1, which matches no column: it must
    // never be read as a condition on column 0.
    explicit WhereClauseObj(const WhereClause& w);

    static std::vector<WhereClauseObj>
    wheresFromWheres(const std::vector<std::shared_ptr<WhereClause>>& wheres);

    friend bool operator==(const WhereClauseObj&, const WhereClauseObj&) = default;
};
