// Writes delimited text field by field and line by line, quoting the fields that need it.
// The first write failure is kept and reported when the stream is closed, so no caller takes a
// truncated file for a complete one.
#pragma once

#include "import/ImportError.h"
#include "import/Streams.h"
#include "import/StringEncoding.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class CHCSVWriter {
  public:
    static constexpr const char* errorDomain = "org.ovrida.csv.writer";
    static constexpr int errorCodeWriteFailed = 5;

    // One field: text, a number (written as its shortest round-trip digits with "."), or nothing.
    class Field {
      public:
        Field() = default; // nil: an empty field
        Field(std::nullopt_t) {}
        Field(const char* text) : text_(text ? text : "") {}
        Field(std::string_view text) : text_(text) {}
        Field(const std::string& text) : text_(text) {}
        Field(double number);
        Field(bool flag) : text_(flag ? "1" : "0") {}
        template <typename T,
                  std::enable_if_t<
                      std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>, int> = 0>
        Field(T number) : text_(std::to_string(number)) {}
        const std::string& text() const { return text_; }

      private:
        std::string text_;
    };

    // A new file at the path (replacing any file there), UTF-8, delimiter ",".
    explicit CHCSVWriter(const std::string& path);
    // Opens the stream when it is not open and writes the encoding's byte-order mark, if it has one.
    CHCSVWriter(std::unique_ptr<OutputStream> stream, StringEncoding encoding, char32_t delimiter);
    ~CHCSVWriter();
    CHCSVWriter(const CHCSVWriter&) = delete;
    CHCSVWriter& operator=(const CHCSVWriter&) = delete;

    void writeField(const Field& field);
    // Always writes a line end, so a call on a line without fields writes an empty line.
    void finishLine();
    void writeLineOfFields(std::initializer_list<Field> fields);
    void writeLineOfFields(const std::vector<Field>& fields);
    void writeLineOfFields(const std::vector<std::string>& fields);
    void writeComment(std::string_view comment);

    // Closes and lets the stream go; the first failure since the writer was made, if any.
    std::optional<ImportError> closeStream();
    const std::optional<ImportError>& streamError() const { return error_; }

  private:
    void writeText(std::string_view text);
    void writeBytes(const char* bytes, std::size_t length);
    void encode(std::string_view text, std::string& out);
    void fail(const std::string& message);
    bool needsQuotes(std::string_view text) const;
    template <typename Range> void writeLine(const Range& fields);

    std::unique_ptr<OutputStream> stream_;
    StringEncoding encoding_;
    std::string delimiter_; // UTF-8
    std::string delimiterBytes_;
    std::size_t markLength_ = 0; // the byte-order mark the encoder puts before every piece
    struct Converter;
    std::unique_ptr<Converter> converter_; // ICU, for every encoding but UTF-8
    std::size_t fieldCount_ = 0;
    std::string scratch_;
    std::optional<ImportError> error_;
};

// Whole-text conveniences over the reader and the writer: lines of fields, or nothing after an error.
std::optional<std::vector<std::vector<std::string>>> CSVComponents(std::string_view text,
                                                                   unsigned options = 0);
std::string CSVString(const std::vector<std::vector<std::string>>& lines);
