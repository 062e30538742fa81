// Test helpers for the delimited-text reader: a delegate that writes its callbacks as one compact text,
// and input streams that trickle bytes or fail part-way.
#pragma once

#include "import/CHCSVParser.h"

#include <algorithm>
#include <cstring>
#include <string>

// "[a|b]" is a record with the fields a and b ("[]" one empty field, "{}" no field), "#c" a comment,
// "." the end of the document and "!message" a failure.
class CSVRecorder : public CHCSVParserDelegate {
  public:
    bool parserDidBeginDocument(CHCSVParser&) override {
        if (began)
            out += "<begin twice>";
        began = true;
        return true;
    }
    bool parserDidBeginLine(CHCSVParser&, std::uint64_t n) override {
        if (n != ++records)
            out += "<line " + std::to_string(n) + ">";
        fields = 0;
        line.clear();
        return true;
    }
    bool parserDidReadField(CHCSVParser&, std::string_view field, std::int64_t index) override {
        if (index != fields)
            out += "<index " + std::to_string(index) + ">";
        if (fields++ > 0)
            line += "|";
        line.append(field);
        return true;
    }
    bool parserDidEndLine(CHCSVParser& parser, std::uint64_t n) override {
        if (n != records)
            out += "<end " + std::to_string(n) + ">";
        out += fields == 0 ? "{}" : "[" + line + "]";
        if (cancelAfterLine == n)
            parser.cancelParsing();
        return true;
    }
    bool parserDidReadComment(CHCSVParser&, std::string_view comment) override {
        out += "#";
        out.append(comment);
        return true;
    }
    bool parserDidEndDocument(CHCSVParser&) override {
        out += ".";
        ended = true;
        return true;
    }
    bool parserDidFailWithError(CHCSVParser&, const ImportError& error) override {
        out += "!" + error.message;
        code = error.code;
        return true;
    }

    std::string out;
    std::string line;
    std::uint64_t records = 0;
    std::int64_t fields = 0;
    std::uint64_t cancelAfterLine = 0;
    int code = 0;
    bool began = false;
    bool ended = false;
};

// Hands out at most `step` bytes per read, so every byte position can be a chunk boundary.
class TrickleInputStream final : public InputStream {
  public:
    TrickleInputStream(std::string bytes, std::size_t step) : bytes_(std::move(bytes)), step_(step) {}
    bool open() override { return true; }
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
        std::size_t n = std::min({capacity, step_, bytes_.size() - offset_});
        std::memcpy(buffer, bytes_.data() + offset_, n);
        offset_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

  private:
    std::string bytes_;
    std::size_t step_;
    std::size_t offset_ = 0;
};

// Gives its bytes, then a read error.
class FailingInputStream final : public InputStream {
  public:
    explicit FailingInputStream(std::string bytes) : bytes_(std::move(bytes)) {}
    bool open() override { return true; }
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
        if (offset_ == bytes_.size())
            return -1;
        std::size_t n = std::min(capacity, bytes_.size() - offset_);
        std::memcpy(buffer, bytes_.data() + offset_, n);
        offset_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    std::string errorMessage() const override { return "The file \"x.csv\" could not be read: I/O error"; }

  private:
    std::string bytes_;
    std::size_t offset_ = 0;
};

struct ParseOptions {
    char32_t delimiter = U',';
    bool sanitize = true;
    bool escapes = false;
    bool comments = false;
    StringEncoding encoding = StringEncoding::Unknown; // detect
    std::size_t trickle = 0;                           // bytes per read; 0: all at once
};

inline std::string parseToEvents(const std::string& bytes, const ParseOptions& options = {},
                                 CSVRecorder* recorder = nullptr) {
    CSVRecorder local;
    CSVRecorder& r = recorder ? *recorder : local;
    std::unique_ptr<InputStream> stream;
    if (options.trickle)
        stream = std::make_unique<TrickleInputStream>(bytes, options.trickle);
    else
        stream = std::make_unique<DataInputStream>(bytes);
    StringEncoding encoding = options.encoding;
    CHCSVParser parser(std::move(stream), &encoding, options.delimiter);
    parser.setSanitizesFields(options.sanitize);
    parser.setRecognizesBackslashesAsEscapes(options.escapes);
    parser.setRecognizesComments(options.comments);
    parser.setDelegate(&r);
    parser.parse();
    return r.out;
}
