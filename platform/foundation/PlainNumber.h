// The plain form of a number ("-12.5", "3,25", "6.02e23"): what a locale's reader takes without
// grouping, spaces, signs other than a leading minus, or other scripts' digits. Such a text is read
// straight from its characters, to the double nearest its decimal value: the value the locale's reader
// gives for it. Texts that are not plain, or whose value the fast reading leaves to the reader, get
// nothing here and go to the reader.
#pragma once

#include <optional>
#include <string_view>

namespace foundation {

struct PlainNumberForm {
    // '.' or ','; 0 when the reader takes no text in the plain form.
    char separator = 0;
    // A leading '-' (no other sign: the readers refuse "+5").
    bool minus = false;
    // An exponent: 'E' or 'e', an optional '+' or '-', digits.
    bool exponent = false;
};

// The value of a text in the plain form: optional '-', digits with at most one separator (digits on
// at least one side of it), optional exponent. Nothing for any other text, and also for an infinite
// result and for a zero result whose text has a nonzero digit or an exponent: the reader has its own
// answers at those limits ("0e3000000000" is no number to it).
std::optional<double> readPlainNumber(std::string_view text, const PlainNumberForm& form);

// False when the text has no character that a reader could take as a digit: no ASCII digit, and no
// other script's decimal digit (Unicode general category Nd). Without a digit no reader finds a
// number. When the reader's own digits are not all of category Nd (`localDigitsAreNd` false), a text
// with any non-ASCII character may hold one of them.
bool mayHoldDigit(std::string_view text, bool localDigitsAreNd = true);

} // namespace foundation
