// The autocomplete fetch: asynchronous and synchronous data sources, cancellation while waiting.
#include "controls/MLPAutoCompleteFetchOperation.h"
#include "controls/MLPAutoCompleteTextField.h"
#include "platform/foundation/Dispatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

struct Recorder : MLPAutoCompleteFetchOperationDelegate {
    std::vector<AutoCompleteFetchResult> results;
    void autoCompleteTermsDidFetch(const AutoCompleteFetchResult& result) override {
        results.push_back(result);
    }
};

std::vector<std::string> texts(const AutoCompleteSuggestions& list) {
    std::vector<std::string> out;
    for (const auto& s : list)
        out.push_back(autoCompleteStringOf(s).value_or("(none)"));
    return out;
}

// Answers through the handler from a thread of its own, or keeps the handler for the test to call.
struct HandlerSource : MLPAutoCompleteTextFieldDataSource {
    bool answerAtOnce = true;
    std::atomic<bool> asked{false};
    std::mutex mutex;
    CompletionHandler kept;
    bool autoCompleteTextFieldPossibleCompletionsForStringCompletionHandler(
        MLPAutoCompleteTextField&, const std::string& string, CompletionHandler handler) override {
        asked = true;
        if (!answerAtOnce) {
            std::lock_guard lock(mutex);
            kept = std::move(handler);
            return true;
        }
        std::thread([handler, string] {
            handler(AutoCompleteSuggestions{string + "1", string + "2"});
        }).detach();
        return true;
    }
    // Never used while the handler form exists.
    bool
    autoCompleteTextFieldPossibleCompletionsForString(MLPAutoCompleteTextField&, const std::string&,
                                                      std::optional<AutoCompleteSuggestions>& out) override {
        out = AutoCompleteSuggestions{std::string("synchronous")};
        return true;
    }
};

struct SyncSource : MLPAutoCompleteTextFieldDataSource {
    std::optional<AutoCompleteSuggestions> answer;
    std::atomic<bool> block{false};
    std::atomic<bool> asked{false};
    bool
    autoCompleteTextFieldPossibleCompletionsForString(MLPAutoCompleteTextField&, const std::string&,
                                                      std::optional<AutoCompleteSuggestions>& out) override {
        asked = true;
        while (block)
            std::this_thread::yield();
        out = answer;
        return true;
    }
};

struct Fixture : ::testing::Test {
    std::shared_ptr<MLPAutoCompleteTextField> field = ui::View::make<MLPAutoCompleteTextField>();
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    dispatch::OperationQueue queue;

    std::shared_ptr<MLPAutoCompleteFetchOperation>
    fetch(std::weak_ptr<MLPAutoCompleteTextFieldDataSource> source) {
        auto op = std::make_shared<MLPAutoCompleteFetchOperation>(recorder, source, field);
        queue.addOperation(op);
        return op;
    }
    void finish() {
        queue.waitUntilAllOperationsAreFinished();
        dispatch::drainMainQueue();
    }
};

using AutoCompleteFetch = Fixture;

TEST_F(AutoCompleteFetch, AHandlerAnsweringFromAnotherThreadIsDelivered) {
    field->setText("ab");
    auto source = std::make_shared<HandlerSource>();
    auto op = fetch(source);
    EXPECT_EQ(op->incompleteString(), "ab");
    ASSERT_TRUE(dispatch::runUntil([&] { return !recorder->results.empty(); }));
    finish();
    ASSERT_EQ(recorder->results.size(), 1u);
    EXPECT_EQ(texts(recorder->results[0].terms), (std::vector<std::string>{"ab1", "ab2"}));
    EXPECT_EQ(recorder->results[0].fetchInputString, "ab");
}

TEST_F(AutoCompleteFetch, CancellingDuringTheWaitEndsItWithoutDelivery) {
    auto source = std::make_shared<HandlerSource>();
    source->answerAtOnce = false;
    auto op = fetch(source);
    ASSERT_TRUE(dispatch::runUntil([&] { return source->asked.load(); }));
    EXPECT_FALSE(op->isFinished());
    op->cancel();
    // The wait ends on the cancellation itself, with no answer ever given.
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(op->isFinished());
    // A late answer finds the operation cancelled (or gone) and delivers nothing.
    {
        std::lock_guard lock(source->mutex);
        source->kept(AutoCompleteSuggestions{std::string("late")});
    }
    op.reset();
    finish();
    EXPECT_TRUE(recorder->results.empty());
}

TEST_F(AutoCompleteFetch, ASynchronousSourceAnswersAndNothingCountsAsEmpty) {
    field->setText("x");
    auto source = std::make_shared<SyncSource>();
    source->answer = AutoCompleteSuggestions{std::string("xa"), std::string("xb")};
    fetch(source);
    finish();
    source->answer.reset();
    fetch(source);
    finish();
    ASSERT_EQ(recorder->results.size(), 2u);
    EXPECT_EQ(texts(recorder->results[0].terms), (std::vector<std::string>{"xa", "xb"}));
    EXPECT_TRUE(recorder->results[1].terms.empty());
}

TEST_F(AutoCompleteFetch, ASynchronousAnswerAfterCancellationIsDropped) {
    auto source = std::make_shared<SyncSource>();
    source->answer = AutoCompleteSuggestions{std::string("late")};
    source->block = true;
    auto op = fetch(source);
    ASSERT_TRUE(dispatch::runUntil([&] { return source->asked.load(); }));
    op->cancel();
    source->block = false;
    finish();
    EXPECT_TRUE(recorder->results.empty());
}

TEST_F(AutoCompleteFetch, WithoutASourceItEndsWithNoResult) {
    struct Silent : MLPAutoCompleteTextFieldDataSource {};
    auto silent = std::make_shared<Silent>();
    fetch(silent);
    fetch(std::weak_ptr<MLPAutoCompleteTextFieldDataSource>());
    finish();
    EXPECT_TRUE(recorder->results.empty());
}

} // namespace
