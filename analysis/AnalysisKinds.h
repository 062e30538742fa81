// The kinds of analysis the app offers. Each result screen makes its kind known here (its title, the
// analysis type and distribution it stores, the maker of its screen): the new-analysis chooser lists
// the kinds, and the analyses list opens a saved analysis through the kind of its type.
#pragma once

#include "analysis/AnalysisDetailViewController.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct AnalysisKind {
    std::string title;         // the chooser's row, and the name a new analysis of this kind is given
    int64_t type = 0;          // the analysis type it stores
    int64_t distribution = 0;  // the distribution it stores
    std::function<std::shared_ptr<AnalysisDetailViewController>()> makeScreen;
};

// Main thread only.
class AnalysisKinds {
  public:
    static AnalysisKinds& shared();

    // Adds the kind, or replaces the one of the same title.
    void add(AnalysisKind kind);
    void remove(const std::string& title);

    // The kinds in the chooser's order: by type, then distribution.
    std::vector<AnalysisKind> kinds() const;
    std::optional<AnalysisKind> kindTitled(const std::string& title) const;
    // The kind whose screen opens a saved analysis of this type and distribution: regression models and
    // hypothesis tests (types 4 and 5) are told apart by distribution 2 (any other counts as 0), other
    // types by their type alone. Nothing for a type no screen shows.
    std::optional<AnalysisKind> kindOf(int64_t type, int64_t distribution) const;

    // The title the analyses list gives a saved analysis: its kind's, a known type's own title when no
    // screen of it is registered, otherwise "Type: Unknown" (translated).
    std::string titleOf(int64_t type, int64_t distribution) const;

  private:
    std::vector<AnalysisKind> kinds_;
};
