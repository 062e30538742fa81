// The background half of the autocomplete field, step two: ranks the fetched suggestions closest first by
// edit distance, then puts those with a word that begins with the typed text in front.
#pragma once

#include "controls/MLPAutoCompleteProtocols.h"
#include "platform/foundation/OperationQueue.h"

#include <memory>
#include <string>

class MLPAutoCompleteSortOperation : public dispatch::Operation {
  public:
    MLPAutoCompleteSortOperation(std::weak_ptr<MLPAutoCompleteSortOperationDelegate> delegate,
                                 std::string incompleteString, AutoCompleteSuggestions possibleCompletions);

    const std::string& incompleteString() const { return incompleteString_; }
    const AutoCompleteSuggestions& possibleCompletions() const { return possibleCompletions_; }

    void main() override;
    // "" keeps the given order; a cancellation met at any check gives an empty list.
    AutoCompleteSuggestions sortedCompletionsForString(const std::string& inputString,
                                                       const AutoCompleteSuggestions& possibleStrings);

  protected:
    // Every cancellation check of the ranking goes through here (tests cancel at a chosen one).
    virtual bool cancellationCheck() { return isCancelled(); }

  private:
    std::weak_ptr<MLPAutoCompleteSortOperationDelegate> delegate_;
    std::string incompleteString_;
    AutoCompleteSuggestions possibleCompletions_;
};
