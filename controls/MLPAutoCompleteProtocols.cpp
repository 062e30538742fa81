// The text and object of a suggestion.
#include "controls/MLPAutoCompleteProtocols.h"

std::optional<std::string> autoCompleteStringOf(const AutoCompleteSuggestion& suggestion) {
    if (const auto* text = std::get_if<std::string>(&suggestion))
        return *text;
    const auto& object = std::get<std::shared_ptr<const MLPAutoCompletionObject>>(suggestion);
    if (!object)
        return std::nullopt;
    return object->autocompleteString();
}

const MLPAutoCompletionObject* autoCompleteObjectOf(const AutoCompleteSuggestion& suggestion) {
    if (const auto* object = std::get_if<std::shared_ptr<const MLPAutoCompletionObject>>(&suggestion))
        return object->get();
    return nullptr;
}
