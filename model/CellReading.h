// Reading a whole column's texts as numbers without the full locale reader for the common texts: the
// plain form of the workspace's decimal reader (read as Model::decimalNumberForString reads it), and
// texts that cannot hold a number at all. The full reader is still asked for every other text, so
// the answers are the same, only sooner.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class Model;

namespace cellreading {

// True for a plain ASCII text that no reader of numbers takes: one without a single digit, or one
// with the marks of a date or a time.
bool cannotBeNumber(std::string_view text);

// A number stored by this system as C-locale text (a column's min and max); nothing for any other text.
std::optional<double> storedNumber(const std::optional<std::string>& text);

// The number readers of one Model for one pass over many cells.
class NumberReader {
  public:
    explicit NumberReader(Model& model);
    std::optional<double> number(std::string_view text);

  private:
    Model& model_;
};

} // namespace cellreading
