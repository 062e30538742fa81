// The shortcuts of column passes over the locale's number reader.
#include "model/CellReading.h"

#include "model/Model.h"

#include <charconv>

namespace cellreading {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool cannotBeNumber(std::string_view text) {
    bool digits = false, separatorMarks = false;
    char previous = 0;
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
        if (isDigit(c))
            digits = true;
        // No number format puts a slash or a colon in a number, nor a minus sign right after a digit:
        // these are dates and times ("05/03/2021", "14:30", "2021-05-03").
        else if (c == '/' || c == ':' || (c == '-' && isDigit(previous)))
            separatorMarks = true;
        previous = c;
    }
    return !digits || separatorMarks;
}

std::optional<double> storedNumber(const std::optional<std::string>& text) {
    if (!text || text->empty())
        return std::nullopt;
    double v = 0;
    const char* last = text->data() + text->size();
    auto [end, ec] = std::from_chars(text->data(), last, v);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    return v;
}

NumberReader::NumberReader(Model& model) : model_(model) {}

std::optional<double> NumberReader::number(std::string_view text) {
    if (auto v = model_.plainNumberForString(text))
        return v;
    if (text.empty() || cannotBeNumber(text))
        return std::nullopt;
    return model_.decimalNumberForString(text);
}

} // namespace cellreading
