// Fetching suggestions on the fetch queue's thread.
#include "controls/MLPAutoCompleteFetchOperation.h"

#include "controls/MLPAutoCompleteTextField.h"
#include "platform/foundation/Dispatch.h"

MLPAutoCompleteFetchOperation::MLPAutoCompleteFetchOperation(
    std::weak_ptr<MLPAutoCompleteFetchOperationDelegate> delegate,
    std::weak_ptr<MLPAutoCompleteTextFieldDataSource> completionsDataSource,
    const std::shared_ptr<MLPAutoCompleteTextField>& autoCompleteTextField)
    : incompleteString_(autoCompleteTextField ? autoCompleteTextField->text() : std::string()),
      textField_(autoCompleteTextField), delegate_(std::move(delegate)),
      dataSource_(std::move(completionsDataSource)) {}

void MLPAutoCompleteFetchOperation::main() {
    if (isCancelled())
        return;
    auto source = dataSource_.lock();
    auto field = textField_.lock();
    if (!source || !field)
        return;
    // The field and its data source belong to the main thread: the last reference to them must never
    // be dropped here (a field's end waits for this very queue).
    struct ReleaseOnMain {
        std::shared_ptr<MLPAutoCompleteTextFieldDataSource> source;
        std::shared_ptr<MLPAutoCompleteTextField> field;
        ~ReleaseOnMain() {
            dispatch::mainQueue().async([source = std::move(source), field = std::move(field)] {});
        }
    } keep{source, field};

    {
        std::lock_guard lock(mutex_);
        waiting_ = true;
    }
    std::weak_ptr<MLPAutoCompleteFetchOperation> weak = weak_from_this();
    bool asked = source->autoCompleteTextFieldPossibleCompletionsForStringCompletionHandler(
        *field, incompleteString_, [weak](std::optional<AutoCompleteSuggestions> suggestions) {
            if (auto op = weak.lock()) {
                op->didReceiveSuggestions(std::move(suggestions));
                op->stopWaiting();
            }
        });
    if (asked) {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return !waiting_ || isCancelled(); });
        return;
    }
    stopWaiting();

    std::optional<AutoCompleteSuggestions> completions;
    if (!source->autoCompleteTextFieldPossibleCompletionsForString(*field, incompleteString_, completions))
        return;
    if (isCancelled())
        return;
    didReceiveSuggestions(std::move(completions));
}

void MLPAutoCompleteFetchOperation::cancel() {
    dispatch::Operation::cancel();
    // Taking the lock orders this against a waiter between its check and its sleep.
    { std::lock_guard lock(mutex_); }
    wake_.notify_all();
}

void MLPAutoCompleteFetchOperation::stopWaiting() {
    {
        std::lock_guard lock(mutex_);
        waiting_ = false;
    }
    wake_.notify_all();
}

void MLPAutoCompleteFetchOperation::didReceiveSuggestions(
    std::optional<AutoCompleteSuggestions> suggestions) {
    if (isCancelled())
        return;
    AutoCompleteFetchResult result{suggestions ? std::move(*suggestions) : AutoCompleteSuggestions{},
                                   incompleteString_};
    dispatch::mainQueue().async([delegate = delegate_, result = std::move(result)] {
        if (auto d = delegate.lock())
            d->autoCompleteTermsDidFetch(result);
    });
}
