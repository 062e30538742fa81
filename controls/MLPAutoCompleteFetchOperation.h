// The background half of the autocomplete field, step one: asks the data source for the completions of
// the typed text and hands them to the main thread, unless cancelled first.
#pragma once

#include "controls/MLPAutoCompleteProtocols.h"
#include "platform/foundation/OperationQueue.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

class MLPAutoCompleteFetchOperation : public dispatch::Operation,
                                      public std::enable_shared_from_this<MLPAutoCompleteFetchOperation> {
  public:
    // On the main thread: copies the field's text. Every reference is weak, taken here; a field or
    // data source gone by the time the fetch runs ends it with no result.
    MLPAutoCompleteFetchOperation(std::weak_ptr<MLPAutoCompleteFetchOperationDelegate> delegate,
                                  std::weak_ptr<MLPAutoCompleteTextFieldDataSource> completionsDataSource,
                                  const std::shared_ptr<MLPAutoCompleteTextField>& autoCompleteTextField);

    const std::string& incompleteString() const { return incompleteString_; }

    void main() override;
    // Wakes a fetch that waits for the data source's handler.
    void cancel() override;
    // Hands the suggestions (nothing reads as none) to the delegate on the main queue, without
    // waiting, unless cancelled.
    void didReceiveSuggestions(std::optional<AutoCompleteSuggestions> suggestions);

  private:
    void stopWaiting();

    std::string incompleteString_;
    std::weak_ptr<MLPAutoCompleteTextField> textField_;
    std::weak_ptr<MLPAutoCompleteFetchOperationDelegate> delegate_;
    std::weak_ptr<MLPAutoCompleteTextFieldDataSource> dataSource_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool waiting_ = false;
};
