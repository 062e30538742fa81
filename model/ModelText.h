// Reading cell text as numbers and dates in the workspace's locale, and the display texts of
// numbers, p-values, dates and differences. Model holds one and forwards its methods to it.
#pragma once

#include "platform/foundation/DateReader.h"
#include "platform/foundation/NumberFormatter.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class ModelText {
  public:
    // Gives the workspace's "decimalSeparator", or nothing when the workspace has none. It is
    // asked each time the number readers are built.
    using SeparatorSource = std::function<std::optional<std::string>()>;

    explicit ModelText(SeparatorSource decimalSeparator = {});
    ~ModelText();
    ModelText(const ModelText&) = delete;
    ModelText& operator=(const ModelText&) = delete;

    void setDecimalSeparatorSource(SeparatorSource source) { separator_ = std::move(source); }

    // --- Readers (one set per Model, used on that Model's thread) ---

    // The locale for a decimal separator, first rule that applies: the current locale when its
    // decimal separator is this one; "." -> en_US; "," -> fr_FR; otherwise nothing.
    static std::optional<std::string> localeForDecimalPoint(std::string_view separator);

    // Built on first use for the workspace's separator (the current locale when the rules give
    // none); setting nullptr drops one so that the next read builds it again.
    foundation::NumberFormatter& readDecimal();
    foundation::NumberFormatter& readPercent();
    foundation::NumberFormatter& readCurrency();
    void setReadDecimal(std::unique_ptr<foundation::NumberFormatter> formatter);
    void setReadPercent(std::unique_ptr<foundation::NumberFormatter> formatter);
    void setReadCurrency(std::unique_ptr<foundation::NumberFormatter> formatter);

    // The date reader in the current locale; not dropped when a workspace opens.
    foundation::DateReader& detectDate();
    void setDetectDate(std::unique_ptr<foundation::DateReader> reader);

    // The number the whole text denotes (decimal, then percent, then lenient currency). A text in
    // the decimal reader's plain form ("-12.5", "3e-4") is read without the readers, and a text with
    // no digit is turned away without them; both give the answer the readers give.
    std::optional<double> decimalNumberForString(std::string_view text);
    // The plain form alone: its number, or nothing for any other text (which the readers may still take).
    std::optional<double> plainNumberForString(std::string_view text);
    // The same answer, always asked of the readers: the reference for the two shortcuts above.
    std::optional<double> decimalNumberByReaders(std::string_view text);
    // Seconds since 1970 of the first date found in the text.
    std::optional<double> dateForString(std::string_view text);

    // --- Display (shared by the process, safe from any thread) ---

    struct DateTimeStyles {
        unsigned dateStyle; // 0 none, 1 short
        unsigned timeStyle;
    };

    static std::string stringFromNumber(double x);
    static std::string stringFromNumber(double x, unsigned sigDigits);
    static std::string stringFromPNumber(double p);
    static DateTimeStyles dateTimeStylesForInterval(double seconds);
    static std::string stringFromDateNumber(double seconds, double timeScale = 0);
    // For type 4 (Date / Time) a date text, else a number of at most `sigDigits` digits.
    static std::string stringFromNumber(double x, unsigned type, unsigned sigDigits, double timeScale);
    static std::string stringFromNumberOfType(double x, unsigned type);
    static std::string stringFromNumberOfTypeTimeScale(double x, unsigned type, double timeScale);
    static std::string stringFromNumberOfTypeWithSigDigits(double x, unsigned type, unsigned sigDigits);
    // A difference of two values of the type; for dates `difference` is in seconds.
    static std::string stringFromDifferenceNumber(double difference, unsigned type, unsigned sigDigits);

  private:
    std::unique_ptr<foundation::NumberFormatter> makeReader(foundation::NumberFormatter::Style style);

    // What the shortcuts of decimalNumberForString may assume of the present readers; learnt from
    // them on first use, forgotten when one of them is replaced or dropped.
    struct Shortcuts {
        foundation::PlainNumberForm plain;
        bool localDigitsAreNd = false;
    };
    const Shortcuts& shortcuts();

    SeparatorSource separator_;
    std::unique_ptr<foundation::NumberFormatter> readDecimal_;
    std::unique_ptr<foundation::NumberFormatter> readPercent_;
    std::unique_ptr<foundation::NumberFormatter> readCurrency_;
    std::unique_ptr<foundation::DateReader> detectDate_;
    std::optional<Shortcuts> shortcuts_;
};
