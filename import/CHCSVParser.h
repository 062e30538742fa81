// Reads delimited text one field at a time and reports records to a delegate.
// Decoding is incremental: bytes that do not yet form a whole character wait for the next chunk, and
// the decoded text is dropped as soon as it has been delivered, so memory does not grow with the input.
#pragma once

#include "import/ImportError.h"
#include "import/Streams.h"
#include "import/StringEncoding.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class CHCSVParser;

// Every callback is optional. The default body reports "not implemented" by returning false, and the
// parser then never sends that callback again; an implementation returns true.
class CHCSVParserDelegate {
  public:
    virtual ~CHCSVParserDelegate() = default;
    virtual bool parserDidBeginDocument(CHCSVParser& parser) { return false; }
    virtual bool parserDidBeginLine(CHCSVParser& parser, std::uint64_t recordNumber) { return false; }
    // The text is valid only during the call.
    virtual bool parserDidReadField(CHCSVParser& parser, std::string_view field, std::int64_t index) {
        return false;
    }
    virtual bool parserDidEndLine(CHCSVParser& parser, std::uint64_t recordNumber) { return false; }
    virtual bool parserDidReadComment(CHCSVParser& parser, std::string_view comment) { return false; }
    virtual bool parserDidEndDocument(CHCSVParser& parser) { return false; }
    virtual bool parserDidFailWithError(CHCSVParser& parser, const ImportError& error) { return false; }
};

class CHCSVParser {
  public:
    static constexpr const char* errorDomain = "org.ovrida.csv";
    // The syntax errors: a stray character where a delimiter belongs, an unclosed quote, a field too long.
    static constexpr int errorCodeSyntax = 1;
    // The input could not be opened or read.
    static constexpr int errorCodeUnreadable = 4;
    static constexpr std::size_t maxFieldLength = 1048576;

    // Opens the stream. With `usedEncoding` null or pointing to Unknown the encoding is detected (and
    // written back through the pointer); otherwise the given encoding is used without looking for a mark.
    CHCSVParser(std::unique_ptr<InputStream> stream, StringEncoding* usedEncoding, char32_t delimiter);
    ~CHCSVParser();
    CHCSVParser(const CHCSVParser&) = delete;
    CHCSVParser& operator=(const CHCSVParser&) = delete;

    // UTF-8 text, delimiter ",".
    static std::unique_ptr<CHCSVParser> withCSVString(std::string_view text);
    // A file, encoding detected, delimiter ",".
    static std::unique_ptr<CHCSVParser> withContentsOfCSVFile(const std::string& path);

    CHCSVParserDelegate* delegate() const { return delegate_; }
    void setDelegate(CHCSVParserDelegate* delegate);
    bool recognizesBackslashesAsEscapes() const { return escapes_; }
    void setRecognizesBackslashesAsEscapes(bool on);
    bool sanitizesFields() const { return sanitizes_; }
    void setSanitizesFields(bool on) { sanitizes_ = on; }
    bool recognizesComments() const { return comments_; }
    void setRecognizesComments(bool on) { comments_ = on; }
    std::uint64_t totalBytesRead() const { return totalBytesRead_; }

    // Reads the whole input on the calling thread, sending the callbacks.
    void parse();
    // May be sent from inside a callback: no further record, field, line or error callback follows,
    // and the document still ends with parserDidEndDocument.
    void cancelParsing() { cancelled_ = true; }

  private:
    enum Callback : unsigned {
        kBeginDocument = 1,
        kBeginLine = 2,
        kReadField = 4,
        kEndLine = 8,
        kReadComment = 16,
        kEndDocument = 32,
        kFailWithError = 64,
    };

    // Input and decoding.
    void detectEncoding();
    void startDecoder(StringEncoding encoding);
    bool refill();
    std::ptrdiff_t readInto(char* buffer);
    void decodeUTF8(std::size_t from, bool atEnd);
    void decodeWithConverter(const char* bytes, std::size_t length, bool flush);
    void switchToMacOSRoman(const std::string& rest, bool atEnd);
    void appendUTF16(const char16_t* units, std::size_t count);
    void dropNulsFrom(std::size_t from);
    void compact();
    bool available(std::size_t count) {
        while (text_.size() - next_ < count)
            if (!refill())
                return false;
        return true;
    }
    bool atEnd() { return !available(1); }
    unsigned char peekByte() { return available(1) ? static_cast<unsigned char>(text_[next_]) : 0; }
    // The character at the next index (0 at the end of the input) and its length in bytes.
    char32_t peekChar(std::size_t* length) {
        if (next_ < text_.size()) {
            auto b = static_cast<unsigned char>(text_[next_]);
            if (b < 0x80) {
                *length = 1;
                return b;
            }
        }
        return peekCharSlow(length);
    }
    char32_t peekCharSlow(std::size_t* length);

    // Grammar.
    bool readRecord();
    void beginLine();
    void endLine();
    // The usual record end: the LF at `i` is the only line break and more text follows that starts
    // the next record's first field (not a comment).
    bool followedByPlainRecord(const unsigned char* data, std::size_t i, std::size_t n) const {
        if (i + 1 >= n || data[i] != '\n')
            return false;
        unsigned char next = data[i + 1];
        return plainFirst_[next] && next != '\n' && next != '\r' && !(comments_ && next == '#');
    }
    bool readField();
    bool readPlainFields();
    std::size_t scanPlain(const unsigned char* data, std::size_t i, std::size_t n) const;
    [[gnu::always_inline]] inline bool endsPlainField(const unsigned char* data, std::size_t start,
                                                      std::size_t i) const;
    [[gnu::always_inline]] inline void deliverPlainField(std::size_t start, std::size_t end,
                                                         std::int64_t index);
    // The text changed or the stop bytes did: the remembered block no longer holds.
    void forgetScanBlock() { scanBlock_ = static_cast<std::size_t>(-1) - 64; }
    bool readQuotedField();
    void readUnquotedField();
    bool readDelimiter() {
        if (next_ < text_.size() && static_cast<unsigned char>(text_[next_]) == delimiter_) {
            ++next_;
            return true;
        }
        return readDelimiterSlow();
    }
    bool readDelimiterSlow();
    void readComment();
    void skipWhitespace(bool leading) {
        if (next_ < text_.size()) {
            auto b = static_cast<unsigned char>(text_[next_]);
            if (b < 0x80 && b != ' ' && b != '\t')
                return;
        }
        skipWhitespaceSlow(leading);
    }
    void skipWhitespaceSlow(bool leading);
    void skipNewlines();
    void appendCharacter(std::size_t length);
    void startCopy();
    void beginSpan(bool raw);
    void restartCount();
    bool fieldTooLong(std::size_t end) {
        std::size_t begin = copying_ ? 0 : rawSpan_ ? fieldStart_ : contentStart_;
        std::size_t stop = copying_ ? sanitized_.size() : end;
        return stop > begin && stop - begin > maxFieldLength && countFieldCharacters(end);
    }
    bool countFieldCharacters(std::size_t end);
    void setError(int code, std::string message);
    void buildStopTables();

    bool wants(Callback callback) const { return delegate_ && (unanswered_ & callback) != 0; }
    void unanswered(Callback callback) { unanswered_ &= ~static_cast<unsigned>(callback); }

    std::unique_ptr<InputStream> stream_;
    CHCSVParserDelegate* delegate_ = nullptr;
    unsigned unanswered_ = ~0u; // callbacks not yet known to be unimplemented
    bool escapes_ = false;
    bool sanitizes_ = false;
    bool comments_ = false;
    std::uint64_t totalBytesRead_ = 0;

    StringEncoding encoding_ = StringEncoding::Unknown;
    struct Converter;
    std::unique_ptr<Converter> converter_; // ICU, for every encoding but UTF-8 (which is only validated)
    bool triedMacOSRoman_ = false;
    bool inputEnded_ = false;
    std::optional<std::string> readError_;
    std::string pending_; // bytes read but not decoded yet
    std::string text_;    // decoded UTF-8 without NULs; what lies before the kept span is consumed
    std::u16string units_;
    char16_t leadSurrogate_ = 0;

    char32_t delimiter_;
    unsigned char delimiterLead_ = ',';
    bool stopByte_[256] = {};   // bytes that may begin a character ending an unquoted field
    bool quotedStop_[256] = {}; // bytes that matter inside quotes
    // The fast road for plain fields: a first byte that starts no whitespace, quote or escape; a byte
    // that ends the field at an ASCII delimiter or line break; a last byte that ends no whitespace.
    bool plainFirst_[256] = {};
    bool plainEnd_[256] = {};
    bool plainLast_[256] = {};
    // The last 64-byte block of text_ whose stop bytes were found (one bit each in scanMask_).
    std::size_t scanBlock_ = static_cast<std::size_t>(-1) - 64;
    std::uint64_t scanMask_ = 0;

    // Indexes into text_, shifted together when consumed text is dropped.
    std::size_t next_ = 0;
    std::size_t fieldStart_ = 0;   // raw start of the field or comment
    std::size_t contentStart_ = 0; // the field's text, when it can be delivered in place
    std::size_t contentEnd_ = 0;
    bool inField_ = false;         // a field or comment is being read: its span must stay in text_
    bool rawSpan_ = false;         // the raw span is what will be delivered
    bool copying_ = false;         // the field's text is assembled in sanitized_
    std::size_t countedBytes_ = 0; // counting characters for the length limit, from the span's start
    std::size_t countedChars_ = 0;

    std::string sanitized_;
    std::int64_t fieldIndex_ = 0;
    std::uint64_t recordNumber_ = 0;
    bool cancelled_ = false;
    std::optional<ImportError> error_;
};
