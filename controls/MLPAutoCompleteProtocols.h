// What the autocomplete field asks of the objects around it: the suggestions' form, the data source that
// supplies them, the delegate that may shape and hear of the list, and the two operations' delegates.
// Optional callbacks answer "not implemented" by default, and the field tests each before it sends it.
#pragma once

#include "platform/graphics/Text.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class MLPAutoCompleteTextField;

// A suggestion that is not a plain text shows the text it gives here.
class MLPAutoCompletionObject {
  public:
    virtual ~MLPAutoCompletionObject() = default;
    virtual std::string autocompleteString() const = 0;
};

// A suggestion: a text, or an object that gives its text (a null object has no text).
using AutoCompleteSuggestion = std::variant<std::string, std::shared_ptr<const MLPAutoCompletionObject>>;
using AutoCompleteSuggestions = std::vector<AutoCompleteSuggestion>;

// The suggestion's text: the text itself, or the object's; nothing for a null object.
std::optional<std::string> autoCompleteStringOf(const AutoCompleteSuggestion& suggestion);
// The suggestion's object when it is one (null for a text).
const MLPAutoCompletionObject* autoCompleteObjectOf(const AutoCompleteSuggestion& suggestion);

class MLPAutoCompleteTextFieldDataSource {
  public:
    // Takes the suggestions, or nothing (read as none); may be called later and on any thread.
    using CompletionHandler = std::function<void(std::optional<AutoCompleteSuggestions>)>;
    virtual ~MLPAutoCompleteTextFieldDataSource() = default;

    // Both forms are called on a fetch thread, never the main one; the field given is for identity
    // only there. The handler form is preferred when both are implemented.
    // Answers false when not implemented.
    virtual bool autoCompleteTextFieldPossibleCompletionsForStringCompletionHandler(
        MLPAutoCompleteTextField& field, const std::string& string, CompletionHandler handler) {
        return false;
    }
    // Fills `completions` (nothing reads as none); answers false when not implemented.
    virtual bool
    autoCompleteTextFieldPossibleCompletionsForString(MLPAutoCompleteTextField& field,
                                                      const std::string& string,
                                                      std::optional<AutoCompleteSuggestions>& completions) {
        return false;
    }
};

class MLPAutoCompleteTextFieldDelegate {
  public:
    virtual ~MLPAutoCompleteTextFieldDelegate() = default;
    // Answering false leaves the cell as the delegate made it; nothing: not implemented.
    virtual std::optional<bool> autoCompleteTextFieldShouldConfigureCell(
        MLPAutoCompleteTextField& field, ui::TableViewCell& cell, const std::string& autoCompleteString,
        const std::optional<gfx::RichText>& attributedString,
        const MLPAutoCompletionObject* autoCompleteObject, ui::IndexPath indexPath) {
        return std::nullopt;
    }
    // Answering false keeps the field from styling its list; nothing: not implemented.
    virtual std::optional<bool> autoCompleteTextFieldShouldStyleAutoCompleteTableView(
        MLPAutoCompleteTextField& field, ui::TableView& tableView, ui::TextBorderStyle borderStyle) {
        return std::nullopt;
    }
    // Each answers false when not implemented.
    virtual bool autoCompleteTextFieldWillShowAutoCompleteTableView(MLPAutoCompleteTextField& field,
                                                                    ui::TableView& tableView) {
        return false;
    }
    virtual bool autoCompleteTextFieldDidSelectAutoCompleteString(
        MLPAutoCompleteTextField& field, const std::string& selectedString,
        const MLPAutoCompletionObject* selectedObject, ui::IndexPath indexPath) {
        return false;
    }
};

// What a fetch hands to the main thread.
struct AutoCompleteFetchResult {
    AutoCompleteSuggestions terms; // as the data source gave them
    std::string fetchInputString;  // the text they were asked for
};

class MLPAutoCompleteFetchOperationDelegate {
  public:
    virtual ~MLPAutoCompleteFetchOperationDelegate() = default;
    virtual void autoCompleteTermsDidFetch(const AutoCompleteFetchResult& result) = 0;
};

class MLPAutoCompleteSortOperationDelegate {
  public:
    virtual ~MLPAutoCompleteSortOperationDelegate() = default;
    virtual void autoCompleteTermsDidSort(const AutoCompleteSuggestions& completions) = 0;
};
