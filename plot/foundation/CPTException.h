// Misuse of the plotting framework raises a named exception with a reason text; the graph's render
// entry catches them so a bad chart never ends the app.
#pragma once

#include <stdexcept>
#include <string>

inline constexpr const char* CPTExceptionName = "CPTException";
inline constexpr const char* CPTNumericDataException = "CPTNumericDataException";
inline constexpr const char* NSInvalidArgumentException = "NSInvalidArgumentException";
inline constexpr const char* NSGenericException = "NSGenericException";
inline constexpr const char* NSRangeException = "NSRangeException";

class CPTException : public std::logic_error {
  public:
    CPTException(std::string name, const std::string& reason)
        : std::logic_error(reason), name_(std::move(name)) {}
    // "CPTException", "CPTNumericDataException", "NSInvalidArgumentException", ...
    const std::string& name() const { return name_; }
    std::string reason() const { return what(); }

  private:
    std::string name_;
};
