// Streaming reader of delimited text: encoding detection, incremental decoding to UTF-8, and the
// record / field / quote grammar with its delegate callbacks.
#include "import/CHCSVParser.h"
#include "platform/foundation/Utf8.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Detection looks at this many leading bytes; later reads are larger, for speed.
constexpr std::size_t kDetectionBytes = 512;
constexpr std::size_t kReadChunk = 64 * 1024;

bool isNewline(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Tab and the Unicode space separators.
bool isWhitespace(char32_t c) {
    return c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

bool isTrimmed(char32_t c) {
    return isWhitespace(c) || isNewline(c);
}

// Decodes the character at `s` of valid UTF-8.
char32_t decodeAt(const unsigned char* s, std::size_t* length) {
    unsigned char b = s[0];
    if (b < 0x80) {
        *length = 1;
        return b;
    }
    if (b < 0xE0) {
        *length = 2;
        return (char32_t(b & 0x1F) << 6) | (s[1] & 0x3F);
    }
    if (b < 0xF0) {
        *length = 3;
        return (char32_t(b & 0x0F) << 12) | (char32_t(s[1] & 0x3F) << 6) | (s[2] & 0x3F);
    }
    *length = 4;
    return (char32_t(b & 0x07) << 18) | (char32_t(s[1] & 0x3F) << 12) | (char32_t(s[2] & 0x3F) << 6) |
           (s[3] & 0x3F);
}

// The length of the well-formed UTF-8 sequence at `s`; 0 when the bytes available are a correct but
// incomplete start of one (the rest may come with the next chunk); -1 when they can never form one.
int sequenceLength(const unsigned char* s, std::size_t available) {
    unsigned char b = s[0];
    if (b < 0x80)
        return 1;
    int need;
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 2;
    } else if (b == 0xE0) {
        need = 3;
        low = 0xA0;
    } else if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) {
        need = 3;
    } else if (b == 0xED) {
        need = 3;
        high = 0x9F;
    } else if (b == 0xF0) {
        need = 4;
        low = 0x90;
    } else if (b >= 0xF1 && b <= 0xF3) {
        need = 4;
    } else if (b == 0xF4) {
        need = 4;
        high = 0x8F;
    } else {
        return -1;
    }
    for (int k = 1; k < need; ++k) {
        if (static_cast<std::size_t>(k) >= available)
            return 0;
        unsigned char c = s[k];
        if (k == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF))
            return -1;
    }
    return need;
}

// Where the leading valid UTF-8 of [s, s + n) ends; `status` is 1 when all of it is valid, 0 when it
// ends in an incomplete sequence, -1 when an invalid sequence starts there.
std::size_t validUTF8Prefix(const unsigned char* s, std::size_t n, int* status) {
    std::size_t i = 0;
    while (i < n) {
#if defined(__SSE2__)
        // Straight to the first byte with its high bit set, 16 at a time.
        while (i + 16 <= n) {
            if (int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)))) {
                i += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(high)));
                break;
            }
            i += 16;
        }
#endif
        while (i < n && s[i] < 0x80)
            ++i;
        if (i >= n)
            break;
        int length = sequenceLength(s + i, n - i);
        if (length <= 0) {
            *status = length;
            return i;
        }
        i += static_cast<std::size_t>(length);
    }
    *status = 1;
    return n;
}

bool startsWith(const std::string& bytes, std::initializer_list<unsigned char> mark) {
    if (bytes.size() < mark.size())
        return false;
    std::size_t i = 0;
    for (unsigned char b : mark)
        if (static_cast<unsigned char>(bytes[i++]) != b)
            return false;
    return true;
}

// The first character of valid UTF-8 text and the start of its last one.
char32_t firstChar(std::string_view s, std::size_t* length) {
    return decodeAt(reinterpret_cast<const unsigned char*>(s.data()), length);
}

std::size_t lastCharStart(std::string_view s) {
    std::size_t i = s.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
        --i;
    return i;
}

bool asciiTrimmed(unsigned char b) {
    return b == ' ' || (b >= 0x09 && b <= 0x0D);
}

std::string_view trim(std::string_view s) {
    if (!s.empty()) {
        auto front = static_cast<unsigned char>(s.front());
        auto back = static_cast<unsigned char>(s.back());
        if (front < 0x80 && !asciiTrimmed(front) && back < 0x80 && !asciiTrimmed(back))
            return s;
    }
    while (!s.empty()) {
        auto b = static_cast<unsigned char>(s.front());
        if (b < 0x80 && !asciiTrimmed(b))
            break;
        std::size_t length;
        if (!isTrimmed(firstChar(s, &length)))
            break;
        s.remove_prefix(length);
    }
    while (!s.empty()) {
        auto b = static_cast<unsigned char>(s.back());
        if (b < 0x80 && !asciiTrimmed(b))
            break;
        std::size_t start = lastCharStart(s);
        std::size_t length;
        if (!isTrimmed(firstChar(s.substr(start), &length)))
            break;
        s.remove_suffix(s.size() - start);
    }
    return s;
}

// Fills "%C" (a character) and "%X" (a code in hexadecimal) in order.
std::string fillFormat(std::string_view format, std::initializer_list<char32_t> arguments) {
    std::string out;
    auto argument = arguments.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && argument != arguments.end()) {
            if (format[i + 1] == 'C') {
                foundation::appendUtf8(out, *argument++);
                ++i;
                continue;
            }
            if (format[i + 1] == 'X') {
                char hex[16];
                std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(*argument++));
                out += hex;
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

bool validDelimiter(char32_t c) {
    return c != 0 && c != '"' && !isNewline(c) && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

} // namespace

struct CHCSVParser::Converter {
    UConverter* converter = nullptr;
    bool substituted = false;
    bool reported = false;
    ~Converter() {
        if (converter)
            ucnv_close(converter);
    }
};

namespace {

// Replaces what cannot be decoded with U+FFFD, as ICU does by default, and notes that it happened.
void substituteAndNote(const void* context, UConverterToUnicodeArgs* arguments, const char* units,
                       int32_t length, UConverterCallbackReason reason, UErrorCode* error) {
    if (reason <= UCNV_IRREGULAR)
        *static_cast<bool*>(const_cast<void*>(context)) = true;
    UCNV_TO_U_CALLBACK_SUBSTITUTE(nullptr, arguments, units, length, reason, error);
}

} // namespace

CHCSVParser::CHCSVParser(std::unique_ptr<InputStream> stream, StringEncoding* usedEncoding,
                         char32_t delimiter)
    : stream_(std::move(stream)), delimiter_(validDelimiter(delimiter) ? delimiter : U',') {
    buildStopTables();
    if (!stream_ || !stream_->open()) {
        setError(errorCodeUnreadable, stream_ ? stream_->errorMessage() : "No input stream");
        inputEnded_ = true;
        return;
    }
    if (usedEncoding && *usedEncoding != StringEncoding::Unknown) {
        startDecoder(*usedEncoding);
        return;
    }
    detectEncoding();
    if (usedEncoding)
        *usedEncoding = encoding_;
}

CHCSVParser::~CHCSVParser() {
    if (stream_)
        stream_->close();
}

std::unique_ptr<CHCSVParser> CHCSVParser::withCSVString(std::string_view text) {
    StringEncoding encoding = StringEncoding::UTF8;
    return std::make_unique<CHCSVParser>(std::make_unique<DataInputStream>(std::string(text)), &encoding,
                                         U',');
}

std::unique_ptr<CHCSVParser> CHCSVParser::withContentsOfCSVFile(const std::string& path) {
    return std::make_unique<CHCSVParser>(std::make_unique<FileInputStream>(path), nullptr, U',');
}

void CHCSVParser::setDelegate(CHCSVParserDelegate* delegate) {
    delegate_ = delegate;
    unanswered_ = ~0u;
}

void CHCSVParser::setRecognizesBackslashesAsEscapes(bool on) {
    escapes_ = on;
    buildStopTables();
}

void CHCSVParser::buildStopTables() {
    std::fill(std::begin(stopByte_), std::end(stopByte_), false);
    std::fill(std::begin(quotedStop_), std::end(quotedStop_), false);
    for (unsigned char b : {'"', '\n', '\v', '\f', '\r'})
        stopByte_[b] = true;
    stopByte_[0xC2] = true; // U+0085
    stopByte_[0xE2] = true; // U+2028, U+2029
    std::string delimiter;
    foundation::appendUtf8(delimiter, delimiter_);
    delimiterLead_ = static_cast<unsigned char>(delimiter[0]);
    stopByte_[delimiterLead_] = true;
    quotedStop_['"'] = true;
    forgetScanBlock();
    if (escapes_) {
        stopByte_['\\'] = true;
        quotedStop_['\\'] = true;
    }
    for (unsigned b = 0; b < 256; ++b) {
        // A backslash that escapes never ends a field, even when it is also the delimiter.
        bool asciiEnd =
            b == '\n' || b == '\r' || (delimiter_ < 0x80 && b == delimiter_ && !(escapes_ && b == '\\'));
        plainEnd_[b] = asciiEnd;
        if (b < 0x80) {
            plainFirst_[b] = asciiEnd || (!stopByte_[b] && !asciiTrimmed(static_cast<unsigned char>(b)));
            plainLast_[b] = !asciiTrimmed(static_cast<unsigned char>(b));
            continue;
        }
        // Lead bytes of the non-ASCII spaces and line breaks, and the last bytes they may end with.
        plainFirst_[b] = b >= 0xC3 && b != 0xE1 && b != 0xE2 && b != 0xE3 && !stopByte_[b];
        plainLast_[b] =
            !((b >= 0x80 && b <= 0x8A) || b == 0x9F || b == 0xA0 || b == 0xA8 || b == 0xA9 || b == 0xAF);
    }
}

void CHCSVParser::setError(int code, std::string message) {
    if (error_)
        return;
    error_ = ImportError{errorDomain, code, std::move(message), {}};
}

// ---- Input and decoding ----

void CHCSVParser::detectEncoding() {
    pending_.resize(kDetectionBytes);
    std::size_t filled = 0;
    while (filled < kDetectionBytes) {
        std::ptrdiff_t n = stream_->read(pending_.data() + filled, kDetectionBytes - filled);
        if (n < 0) {
            // Nothing read at all: no record, only the failure. Otherwise the text read comes first.
            if (filled == 0)
                setError(errorCodeUnreadable, stream_->errorMessage());
            else
                readError_ = stream_->errorMessage();
            inputEnded_ = true;
            break;
        }
        if (n == 0) {
            inputEnded_ = true;
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    pending_.resize(filled);
    totalBytesRead_ += filled;
    if (filled == 0)
        return;

    struct Mark {
        std::initializer_list<unsigned char> bytes;
        StringEncoding encoding;
    };
    const Mark marks[] = {
        {{0x00, 0x00, 0xFE, 0xFF}, StringEncoding::UTF32BigEndian},
        {{0xFF, 0xFE, 0x00, 0x00}, StringEncoding::UTF32LittleEndian},
        {{0x1B, 0x24, 0x29, 0x43}, StringEncoding::ISO2022KR},
        {{0xFE, 0xFF}, StringEncoding::UTF16BigEndian},
        {{0xFF, 0xFE}, StringEncoding::UTF16LittleEndian},
        {{0xEF, 0xBB, 0xBF}, StringEncoding::UTF8},
    };
    for (const Mark& mark : marks) {
        if (!startsWith(pending_, mark.bytes))
            continue;
        std::string header = pending_.substr(0, mark.bytes.size());
        pending_.erase(0, mark.bytes.size());
        startDecoder(mark.encoding);
        if (mark.encoding == StringEncoding::ISO2022KR) {
            // The mark is the designator that switches the converter's second set to Korean: it is
            // dropped from the text but the converter still has to see it.
            decodeWithConverter(header.data(), header.size(), false);
        }
        return;
    }
    int status;
    validUTF8Prefix(reinterpret_cast<const unsigned char*>(pending_.data()), pending_.size(), &status);
    // A sequence cut by the end of the first chunk is not a reason to give up on UTF-8.
    if (status >= 0) {
        startDecoder(StringEncoding::UTF8);
        return;
    }
    foundation::log("unable to determine stream encoding; assuming MacOSRoman");
    triedMacOSRoman_ = true;
    startDecoder(StringEncoding::MacOSRoman);
}

void CHCSVParser::startDecoder(StringEncoding encoding) {
    encoding_ = encoding;
    converter_.reset();
    if (encoding == StringEncoding::UTF8)
        return;
    auto converter = std::make_unique<Converter>();
    UErrorCode status = U_ZERO_ERROR;
    std::string name(icuConverterName(encoding));
    converter->converter = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status) || !converter->converter) {
        setError(errorCodeUnreadable, "The text encoding " + name + " is not available");
        inputEnded_ = true;
        return;
    }
    ucnv_setToUCallBack(converter->converter, substituteAndNote, &converter->substituted, nullptr, nullptr,
                        &status);
    converter_ = std::move(converter);
}

// One chunk from the stream; 0 at its end or after a read error, which is reported once the text
// read before it has been delivered.
std::ptrdiff_t CHCSVParser::readInto(char* buffer) {
    std::ptrdiff_t n = stream_->read(buffer, kReadChunk);
    if (n < 0)
        readError_ = stream_->errorMessage();
    if (n <= 0) {
        inputEnded_ = true;
        return 0;
    }
    totalBytesRead_ += static_cast<std::uint64_t>(n);
    return n;
}

// Reads and decodes until at least one more byte of text is there; false at the end of the input.
bool CHCSVParser::refill() {
    if (error_)
        return false;
    if (inField_ && fieldTooLong(next_)) {
        setError(errorCodeSyntax, foundation::tr("Field too long."));
        return false;
    }
    compact();
    forgetScanBlock();
    const std::size_t before = text_.size();
    while (text_.size() == before && !error_) {
        if (inputEnded_ && pending_.empty()) {
            // What was read before a read error is delivered first.
            if (readError_)
                setError(errorCodeUnreadable, *readError_);
            break;
        }
        if (encoding_ == StringEncoding::Unknown) {
            inputEnded_ = true;
            break;
        }
        if (!converter_) {
            // UTF-8 is read straight into the text and only validated; pending bytes go first.
            std::size_t from = text_.size();
            text_ += pending_;
            pending_.clear();
            if (!inputEnded_) {
                std::size_t filled = text_.size();
                text_.resize(filled + kReadChunk);
                std::ptrdiff_t n = readInto(text_.data() + filled);
                text_.resize(filled + static_cast<std::size_t>(n));
            }
            decodeUTF8(from, inputEnded_);
            continue;
        }
        if (!inputEnded_) {
            std::size_t have = pending_.size();
            pending_.resize(have + kReadChunk);
            std::ptrdiff_t n = readInto(pending_.data() + have);
            pending_.resize(have + static_cast<std::size_t>(n));
        }
        std::string bytes = std::move(pending_);
        pending_.clear();
        decodeWithConverter(bytes.data(), bytes.size(), inputEnded_);
    }
    return text_.size() > before;
}

void CHCSVParser::decodeUTF8(std::size_t from, bool atEnd) {
    int status;
    std::size_t valid = from + validUTF8Prefix(reinterpret_cast<const unsigned char*>(text_.data() + from),
                                               text_.size() - from, &status);
    if (status == 0 && !atEnd) {
        // A character cut by the chunk boundary: its first bytes wait for the rest.
        pending_.assign(text_, valid, std::string::npos);
        text_.resize(valid);
        dropNulsFrom(from);
        return;
    }
    if (status == 1) {
        dropNulsFrom(from);
        return;
    }
    // A truly invalid sequence, or one the end of the input cut short: what came before stays UTF-8.
    std::string rest = text_.substr(valid);
    text_.resize(valid);
    dropNulsFrom(from);
    switchToMacOSRoman(rest, atEnd);
}

void CHCSVParser::switchToMacOSRoman(const std::string& rest, bool atEnd) {
    foundation::log("switching encoding to MacOSRoman after UTF8 failed");
    triedMacOSRoman_ = true;
    startDecoder(StringEncoding::MacOSRoman);
    if (converter_)
        decodeWithConverter(rest.data(), rest.size(), atEnd);
}

void CHCSVParser::decodeWithConverter(const char* bytes, std::size_t length, bool flush) {
    const std::size_t from = text_.size();
    const char* source = bytes;
    const char* sourceEnd = bytes + length;
    units_.resize(2 * length + 64);
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        UChar* target = reinterpret_cast<UChar*>(units_.data());
        UChar* targetStart = target;
        ucnv_toUnicode(converter_->converter, &target, targetStart + units_.size(), &source, sourceEnd,
                       nullptr, flush, &status);
        appendUTF16(reinterpret_cast<const char16_t*>(targetStart),
                    static_cast<std::size_t>(target - targetStart));
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        break;
    }
    if (flush && leadSurrogate_) {
        foundation::appendUtf8(text_, 0xFFFD);
        leadSurrogate_ = 0;
    }
    dropNulsFrom(from);
    if (converter_->substituted && !converter_->reported) {
        converter_->reported = true;
        foundation::log("Bytes that are not valid " + std::string(encodingName(encoding_)) +
                        " were replaced by U+FFFD");
    }
}

void CHCSVParser::appendUTF16(const char16_t* units, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        char16_t u = units[i];
        if (leadSurrogate_) {
            char16_t lead = leadSurrogate_;
            leadSurrogate_ = 0;
            if (u >= 0xDC00 && u <= 0xDFFF) {
                foundation::appendUtf8(text_, 0x10000 + ((char32_t(lead) - 0xD800) << 10) + (u - 0xDC00));
                continue;
            }
            foundation::appendUtf8(text_, 0xFFFD);
        }
        if (u >= 0xD800 && u <= 0xDBFF) {
            leadSurrogate_ = u;
            continue;
        }
        foundation::appendUtf8(text_, (u >= 0xDC00 && u <= 0xDFFF) ? char32_t(0xFFFD) : char32_t(u));
    }
}

// A NUL would otherwise read as the end of the input; it carries no text, so it is dropped.
void CHCSVParser::dropNulsFrom(std::size_t from) {
    if (from >= text_.size())
        return;
    const char* start = text_.data() + from;
    if (!std::memchr(start, 0, text_.size() - from))
        return;
    auto begin = text_.begin() + static_cast<std::ptrdiff_t>(from);
    text_.erase(std::remove(begin, text_.end(), '\0'), text_.end());
}

// Drops consumed text, but only when that frees a good share of the buffer, so the cost stays linear.
void CHCSVParser::compact() {
    std::size_t keep = next_;
    if (inField_) {
        if (rawSpan_)
            keep = fieldStart_;
        else if (!copying_)
            keep = contentStart_;
    }
    keep = std::min(keep, next_);
    if (keep == 0 || (keep < text_.size() / 2 && keep < kReadChunk))
        return;
    text_.erase(0, keep);
    for (std::size_t* index : {&next_, &fieldStart_, &contentStart_, &contentEnd_})
        *index = *index > keep ? *index - keep : 0;
}

char32_t CHCSVParser::peekCharSlow(std::size_t* length) {
    if (!available(1)) {
        *length = 0;
        return 0;
    }
    auto b = static_cast<unsigned char>(text_[next_]);
    if (b < 0x80) {
        *length = 1;
        return b;
    }
    std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
    if (!available(need)) {
        *length = 0;
        return 0;
    }
    return decodeAt(reinterpret_cast<const unsigned char*>(text_.data() + next_), length);
}

// ---- Grammar ----

void CHCSVParser::parse() {
    if (wants(kBeginDocument) && !delegate_->parserDidBeginDocument(*this))
        unanswered(kBeginDocument);
    recordNumber_ = 0;
    // A stream that could not be opened gives no record at all.
    if (!error_)
        while (readRecord() && !error_) {
        }
    if (error_ && !cancelled_) {
        if (wants(kFailWithError) && !delegate_->parserDidFailWithError(*this, *error_))
            unanswered(kFailWithError);
        return;
    }
    if (wants(kEndDocument) && !delegate_->parserDidEndDocument(*this))
        unanswered(kEndDocument);
}

// One record; true when it ended with a line break and more input follows.
bool CHCSVParser::readRecord() {
    while (comments_ && !cancelled_ && peekByte() == '#') {
        readComment();
        if (error_)
            return false;
    }
    // Comment lines after the last record open no empty record.
    if (comments_ && recordNumber_ > 0 && atEnd())
        return false;
    if (!cancelled_)
        beginLine();
    for (;;) {
        if (sanitizes_ && !cancelled_ && !error_ && readPlainFields())
            break;
        if (!readField() || !readDelimiter())
            break;
    }
    bool lineBreak = false;
    bool more = false; // known to be followed by more text
    if (!cancelled_ && !error_) {
        // The usual single LF before more text, without the general road.
        if (followedByPlainRecord(reinterpret_cast<const unsigned char*>(text_.data()), next_,
                                  text_.size())) {
            ++next_;
            lineBreak = more = true;
        } else {
            std::size_t length;
            if (isNewline(peekChar(&length))) {
                skipNewlines();
                lineBreak = true;
            }
        }
    }
    if (!cancelled_)
        endLine();
    // A final line break ends the last record; it does not open an empty one.
    return lineBreak && !cancelled_ && (more || !atEnd());
}

void CHCSVParser::beginLine() {
    fieldIndex_ = 0;
    ++recordNumber_;
    if (wants(kBeginLine) && !delegate_->parserDidBeginLine(*this, recordNumber_))
        unanswered(kBeginLine);
}

void CHCSVParser::endLine() {
    if (wants(kEndLine) && !delegate_->parserDidEndLine(*this, recordNumber_))
        unanswered(kEndLine);
}

void CHCSVParser::beginSpan(bool raw) {
    inField_ = true;
    rawSpan_ = raw;
    copying_ = false;
    fieldStart_ = contentStart_ = contentEnd_ = next_;
    restartCount();
}

void CHCSVParser::restartCount() {
    countedBytes_ = 0;
    countedChars_ = 0;
}

#if defined(__SSE2__)
namespace {

// The bytes that may end an unquoted field, as vectors.
struct StopBytes {
    __m128i quote, escape, delimiter, lineBreakBase, three, c2, e2;
    StopBytes(unsigned char delimiterLead, bool escapes)
        : quote(_mm_set1_epi8('"')), escape(_mm_set1_epi8(escapes ? '\\' : '"')),
          delimiter(_mm_set1_epi8(static_cast<char>(delimiterLead))), lineBreakBase(_mm_set1_epi8(0x0A)),
          three(_mm_set1_epi8(3)), c2(_mm_set1_epi8(static_cast<char>(0xC2))),
          e2(_mm_set1_epi8(static_cast<char>(0xE2))) {}

    // One bit per byte of the 16 at `p` that may end an unquoted field.
    [[gnu::always_inline]] unsigned mask16(const unsigned char* p) const {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i offset = _mm_sub_epi8(v, lineBreakBase);
        __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, escape));
        hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, delimiter));
        // LF, VT, FF, CR
        hits = _mm_or_si128(hits, _mm_cmpeq_epi8(_mm_min_epu8(offset, three), offset));
        // Lead bytes of U+0085, U+2028 and U+2029
        hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(v, c2), _mm_cmpeq_epi8(v, e2)));
        return static_cast<unsigned>(_mm_movemask_epi8(hits));
    }
};

// The stop bytes of the 64 at `p`, one bit each. Not inlined on purpose: its vector constants would
// otherwise be kept in registers across the delegate's calls, which may not keep them, and be saved and
// loaded again around every field.
[[gnu::noinline]] std::uint64_t stopMask64(const unsigned char* p, unsigned char delimiterLead,
                                           bool escapes) {
    const StopBytes stops(delimiterLead, escapes);
    return stops.mask16(p) | std::uint64_t(stops.mask16(p + 16)) << 16 |
           std::uint64_t(stops.mask16(p + 32)) << 32 | std::uint64_t(stops.mask16(p + 48)) << 48;
}

} // namespace
#endif

// Where the next byte that may end an unquoted field lies, from `i` on (`n` when none does).
std::size_t CHCSVParser::scanPlain(const unsigned char* data, std::size_t i, std::size_t n) const {
#if defined(__SSE2__)
    const StopBytes stops(delimiterLead_, escapes_);
    for (; i + 16 <= n; i += 16)
        if (unsigned mask = stops.mask16(data + i))
            return i + static_cast<std::size_t>(__builtin_ctz(mask));
#endif
    while (i < n && !stopByte_[data[i]])
        ++i;
    return i;
}

// Whether the stop byte at `i` ends the field from `start` on the fast road: an ASCII delimiter or
// line break, within the length limit, and nothing to trim at the end.
inline bool CHCSVParser::endsPlainField(const unsigned char* data, std::size_t start, std::size_t i) const {
    if (!plainEnd_[data[i]] || i - start > maxFieldLength)
        return false;
    if (i == start || plainLast_[data[i - 1]])
        return true;
    // The last byte may end a space or line break: look at the whole character.
    std::size_t last = lastCharStart(std::string_view(text_.data() + start, i - start));
    std::size_t length;
    return !isTrimmed(decodeAt(data + start + last, &length));
}

inline void CHCSVParser::deliverPlainField(std::size_t start, std::size_t end, std::int64_t index) {
    if (wants(kReadField) &&
        !delegate_->parserDidReadField(*this, std::string_view(text_.data() + start, end - start), index))
        unanswered(kReadField);
}

// Most fields are plain text already in the buffer, ending at an ASCII delimiter or line break, with
// nothing to trim: they are delivered in place without the general road's bookkeeping. True when the
// record's last field was read this way (or the parse was cancelled); false when the field at the next
// index needs the general road.
//
// The stop bytes of a 64-byte block are found at once and taken one by one from its bit mask, and the
// position is kept in locals until the record ends: the delegate's call may change any member, so
// anything kept in members would be stored and loaded again for every field, on the path that finds
// the next field's end.
bool CHCSVParser::readPlainFields() {
    const auto* data = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t n = text_.size();
    std::size_t start = next_;
    std::int64_t index = fieldIndex_;
    const auto leave = [&](std::size_t at, bool recordEnded) {
        next_ = at;
        fieldIndex_ = index;
        return recordEnded;
    };
#if defined(__SSE2__)
    const unsigned char delimiterLead = delimiterLead_;
    const bool escapes = escapes_;
    std::size_t base = scanBlock_;
    std::uint64_t mask = 0;
    if (start - base < 64) {
        mask = scanMask_ & (~std::uint64_t(0) << (start - base));
    } else if (start + 64 <= n) {
        base = start;
        mask = stopMask64(data + base, delimiterLead, escapes);
    } else {
        base = n; // too near the end for whole blocks
    }
    for (;;) {
        if (start >= n || !plainFirst_[data[start]])
            break;
        while (mask == 0 && base + 128 <= n) {
            base += 64;
            mask = stopMask64(data + base, delimiterLead, escapes);
        }
        if (mask == 0)
            break;
        const std::size_t i = base + static_cast<std::size_t>(__builtin_ctzll(mask));
        if (!endsPlainField(data, start, i))
            break;
        mask &= mask - 1;
        deliverPlainField(start, i, index++);
        if (delimiter_ >= 0x80 || data[i] != delimiter_) {
            if (cancelled_ || !followedByPlainRecord(data, i, n)) {
                scanBlock_ = base;
                scanMask_ = mask;
                return leave(i, true);
            }
            // A single LF and a record that starts plainly: the next record goes on with this block.
            leave(i + 1, true);
            endLine();
            if (cancelled_)
                return true;
            beginLine();
            if (cancelled_)
                return true;
            index = 0;
        }
        start = i + 1;
        if (cancelled_)
            return leave(start, true);
    }
    scanBlock_ = base;
    scanMask_ = mask;
#endif
    // Near the end of the buffer, one field at a time.
    for (;;) {
        if (start >= n || !plainFirst_[data[start]])
            return leave(start, false);
        const std::size_t i = scanPlain(data, start, n);
        if (i >= n || !endsPlainField(data, start, i))
            return leave(start, false);
        deliverPlainField(start, i, index++);
        if (delimiter_ >= 0x80 || data[i] != delimiter_)
            return leave(i, true);
        start = i + 1;
        if (cancelled_)
            return leave(start, true);
    }
}

bool CHCSVParser::readField() {
    if (cancelled_ || error_)
        return false;
    beginSpan(!sanitizes_);
    skipWhitespace(true);
    bool ok = true;
    if (peekByte() == '"') {
        ok = readQuotedField();
    } else {
        readUnquotedField();
        contentEnd_ = next_;
    }
    if (ok && !error_)
        skipWhitespace(false);
    if (!ok || error_ || fieldTooLong(rawSpan_ || copying_ ? next_ : contentEnd_)) {
        setError(errorCodeSyntax, foundation::tr("Field too long."));
        inField_ = false;
        return false;
    }
    std::string_view field;
    if (!sanitizes_)
        field = std::string_view(text_).substr(fieldStart_, next_ - fieldStart_);
    else if (copying_)
        field = trim(sanitized_);
    else
        field = trim(std::string_view(text_).substr(contentStart_, contentEnd_ - contentStart_));
    if (wants(kReadField) && !delegate_->parserDidReadField(*this, field, fieldIndex_))
        unanswered(kReadField);
    inField_ = false;
    ++fieldIndex_;
    return true;
}

void CHCSVParser::skipWhitespaceSlow(bool leading) {
    for (;;) {
        // Leading whitespace is not part of a sanitised field, so it need not be kept.
        if (leading && !rawSpan_)
            contentStart_ = next_;
        if (next_ < text_.size()) {
            auto b = static_cast<unsigned char>(text_[next_]);
            if (b < 0x80 && b != ' ' && b != '\t')
                return;
        }
        std::size_t length;
        char32_t c = peekChar(&length);
        if (c == 0 || c == delimiter_ || !isWhitespace(c))
            return;
        next_ += length;
    }
}

void CHCSVParser::skipNewlines() {
    for (;;) {
        std::size_t length;
        if (!isNewline(peekChar(&length)))
            return;
        next_ += length;
    }
}

// From here on the sanitised text is assembled in sanitized_: it no longer equals a span of the input.
void CHCSVParser::startCopy() {
    if (copying_ || rawSpan_)
        return;
    sanitized_.assign(text_, contentStart_, next_ - contentStart_);
    copying_ = true;
    restartCount();
}

void CHCSVParser::appendCharacter(std::size_t length) {
    if (copying_)
        sanitized_.append(text_, next_, length);
    next_ += length;
}

void CHCSVParser::readUnquotedField() {
    for (;;) {
        if (next_ >= text_.size() && !refill())
            return;
        const auto* data = reinterpret_cast<const unsigned char*>(text_.data());
        std::size_t n = text_.size();
        std::size_t i = scanPlain(data, next_, n);
        if (copying_)
            sanitized_.append(text_, next_, i - next_);
        next_ = i;
        if (i == n)
            continue;
        std::size_t length;
        char32_t c = peekChar(&length);
        if (c == '\\' && escapes_) {
            startCopy();
            ++next_;
            if (peekChar(&length) == 0)
                return;
            appendCharacter(length);
            continue;
        }
        if (c == '"' || c == delimiter_ || isNewline(c) || c == 0)
            return;
        appendCharacter(length);
    }
}

bool CHCSVParser::readQuotedField() {
    ++next_;
    contentStart_ = next_;
    restartCount();
    for (;;) {
        if (next_ >= text_.size() && !refill()) {
            setError(errorCodeSyntax, foundation::tr("Unexpected end of input inside a quoted field."));
            return false;
        }
        const auto* data = reinterpret_cast<const unsigned char*>(text_.data());
        std::size_t n = text_.size();
        std::size_t i = next_;
        if (escapes_) {
            while (i < n && !quotedStop_[data[i]])
                ++i;
        } else {
            const void* quote = std::memchr(data + i, '"', n - i);
            i = quote ? static_cast<std::size_t>(static_cast<const unsigned char*>(quote) - data) : n;
        }
        if (copying_)
            sanitized_.append(text_, next_, i - next_);
        next_ = i;
        if (i == n)
            continue;
        if (data[i] == '\\') {
            startCopy();
            ++next_;
            std::size_t length;
            if (peekChar(&length) != 0)
                appendCharacter(length);
            continue;
        }
        if (available(2) && text_[next_ + 1] == '"') {
            startCopy();
            ++next_;
            appendCharacter(1);
            continue;
        }
        contentEnd_ = next_;
        ++next_;
        return true;
    }
}

bool CHCSVParser::readDelimiterSlow() {
    std::size_t length;
    char32_t c = peekChar(&length);
    if (c == delimiter_) {
        next_ += length;
        return true;
    }
    if (c == 0 || isNewline(c))
        return false;
    setError(errorCodeSyntax,
             fillFormat(foundation::tr("Unexpected delimiter. Expected '%C' (0x%X), but got '%C' (0x%X)"),
                        {delimiter_, delimiter_, c, c}));
    return false;
}

void CHCSVParser::readComment() {
    ++next_;
    beginSpan(true);
    for (;;) {
        std::size_t length;
        char32_t c = peekChar(&length);
        if (c == 0 || isNewline(c))
            break;
        next_ += length;
        if (c == '\\' && escapes_ && peekChar(&length) != 0)
            next_ += length;
    }
    if (error_ || fieldTooLong(next_)) {
        setError(errorCodeSyntax, foundation::tr("Field too long."));
        inField_ = false;
        return;
    }
    std::string_view comment = std::string_view(text_).substr(fieldStart_, next_ - fieldStart_);
    if (wants(kReadComment) && !delegate_->parserDidReadComment(*this, comment))
        unanswered(kReadComment);
    inField_ = false;
    skipNewlines();
}

// Counts characters only once the span holds more bytes than the limit allows characters, and only the
// bytes not counted before, so the check costs nothing for ordinary fields and stays linear for long ones.
bool CHCSVParser::countFieldCharacters(std::size_t end) {
    const char* base = text_.data();
    std::size_t begin = rawSpan_ ? fieldStart_ : contentStart_;
    if (copying_) {
        base = sanitized_.data();
        begin = 0;
        end = sanitized_.size();
    }
    if (end < begin || end - begin <= maxFieldLength)
        return false;
    for (std::size_t i = begin + countedBytes_; i < end; ++i)
        countedChars_ += (static_cast<unsigned char>(base[i]) & 0xC0) != 0x80;
    countedBytes_ = end - begin;
    return countedChars_ > maxFieldLength;
}
