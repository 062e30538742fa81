// Ranking suggestions on the sort queue's thread.
#include "controls/MLPAutoCompleteSortOperation.h"

#include "controls/Levenshtein.h"
#include "controls/TextCase.h"
#include "platform/foundation/Dispatch.h"

#include <algorithm>

namespace {

struct SortRecord {
    std::optional<std::string> sortInputString;
    const AutoCompleteSuggestion* sortObject;
    float editDistances;
};

std::vector<std::u32string> wordsOf(const std::u32string& text) {
    std::vector<std::u32string> words;
    size_t start = 0;
    for (;;) {
        size_t space = text.find(U' ', start);
        words.push_back(
            text.substr(start, space == std::u32string::npos ? std::u32string::npos : space - start));
        if (space == std::u32string::npos)
            return words;
        start = space + 1;
    }
}

} // namespace

MLPAutoCompleteSortOperation::MLPAutoCompleteSortOperation(
    std::weak_ptr<MLPAutoCompleteSortOperationDelegate> delegate, std::string incompleteString,
    AutoCompleteSuggestions possibleCompletions)
    : delegate_(std::move(delegate)), incompleteString_(std::move(incompleteString)),
      possibleCompletions_(std::move(possibleCompletions)) {}

void MLPAutoCompleteSortOperation::main() {
    if (isCancelled())
        return;
    AutoCompleteSuggestions sorted = sortedCompletionsForString(incompleteString_, possibleCompletions_);
    if (isCancelled())
        return;
    dispatch::mainQueue().async([delegate = delegate_, sorted = std::move(sorted)] {
        if (auto d = delegate.lock())
            d->autoCompleteTermsDidSort(sorted);
    });
}

AutoCompleteSuggestions
MLPAutoCompleteSortOperation::sortedCompletionsForString(const std::string& inputString,
                                                         const AutoCompleteSuggestions& possibleStrings) {
    if (inputString.empty())
        return possibleStrings;
    if (cancellationCheck())
        return {};

    const std::u32string typed = textcase::codePoints(inputString);
    std::vector<SortRecord> records;
    records.reserve(possibleStrings.size());
    for (const auto& suggestion : possibleStrings) {
        if (cancellationCheck())
            return {};
        std::optional<std::string> text = autoCompleteStringOf(suggestion);
        std::optional<std::string> prefix;
        if (text) {
            std::u32string points = textcase::codePoints(*text);
            points.resize(std::min(points.size(), typed.size()));
            prefix = textcase::toUtf8(points);
        }
        records.push_back({text, &suggestion, asciiLevenshteinDistanceWithString(inputString, prefix)});
    }
    if (cancellationCheck())
        return {};
    // Stable: suggestions equally close keep the data source's order.
    std::stable_sort(records.begin(), records.end(), [](const SortRecord& a, const SortRecord& b) {
        return a.editDistances < b.editDistances;
    });

    const std::u32string lowerTyped = textcase::lowercased(typed);
    AutoCompleteSuggestions front, back;
    for (const auto& record : records) {
        if (cancellationCheck())
            return {};
        bool starts = false;
        if (record.sortInputString) {
            std::vector<std::u32string> words = wordsOf(textcase::codePoints(*record.sortInputString));
            // One typed character would match too much inside later words: only the first counts then.
            size_t tried = typed.size() < 2 ? 1 : words.size();
            for (size_t w = 0; w < tried && w < words.size() && !starts; ++w)
                starts = textcase::lowercased(words[w]).starts_with(lowerTyped);
        }
        (starts ? front : back).push_back(*record.sortObject);
    }
    front.insert(front.end(), back.begin(), back.end());
    return front;
}
