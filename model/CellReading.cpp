// The shortcuts of column passes over the locale's number reader.
#include "model/CellReading.h"

#include "model/Model.h"

#include <charconv>

namespace cellreading {

namespace {

// Exact powers of ten in double precision.
constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<double> plainDecimal(std::string_view text, char separator) {
    size_t i = 0;
    const size_t n = text.size();
    const bool negative = n > 0 && text[0] == '-';
    if (negative)
        i = 1;
    int64_t mantissa = 0;
    int digits = 0, fraction = 0;
    const size_t intStart = i;
    for (; i < n && isDigit(text[i]); ++i) {
        if (++digits > 15)
            return std::nullopt;
        mantissa = mantissa * 10 + (text[i] - '0');
    }
    if (i == intStart)
        return std::nullopt;
    if (i < n) {
        if (text[i] != separator)
            return std::nullopt;
        ++i;
        const size_t fracStart = i;
        for (; i < n && isDigit(text[i]); ++i, ++fraction) {
            if (++digits > 15)
                return std::nullopt;
            mantissa = mantissa * 10 + (text[i] - '0');
        }
        if (i == fracStart || i < n)
            return std::nullopt;
    }
    double v = static_cast<double>(mantissa) / kPowers[fraction];
    return negative ? -v : v;
}

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

NumberReader::NumberReader(Model& model) : model_(model) {
    const std::string separator = model.readDecimal().decimalSeparator();
    if (separator == "." || separator == ",")
        separator_ = separator[0];
}

std::optional<double> NumberReader::number(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    if (separator_) {
        if (auto v = plainDecimal(text, separator_))
            return v;
    }
    if (cannotBeNumber(text))
        return std::nullopt;
    return model_.decimalNumberForString(text);
}

} // namespace cellreading
