// Delimited-text writer: quoting, encoding through ICU, and the first write failure kept for closing time.
#include "import/CHCSVWriter.h"
#include "platform/foundation/Utf8.h"

#include "import/CHCSVParser.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <charconv>
#include <cmath>

namespace {

// Where the next newline character (LF, VT, FF, CR, U+0085, U+2028, U+2029) starts, with its length.
std::size_t findNewline(std::string_view s, std::size_t from, std::size_t* length) {
    for (std::size_t i = from; i < s.size(); ++i) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b >= 0x0A && b <= 0x0D) {
            *length = 1;
            return i;
        }
        if (b == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x85) {
            *length = 2;
            return i;
        }
        if (b == 0xE2 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(s[i + 2]) == 0xA8 || static_cast<unsigned char>(s[i + 2]) == 0xA9)) {
            *length = 3;
            return i;
        }
    }
    return std::string_view::npos;
}

} // namespace

struct CHCSVWriter::Converter {
    UConverter* converter = nullptr;
    std::u16string units;
    ~Converter() {
        if (converter)
            ucnv_close(converter);
    }
};

CHCSVWriter::Field::Field(double number) {
    // Every NaN reads the same: to_chars would write "-nan" for one whose sign bit is set (0/0 on
    // x86-64 gives one).
    if (std::isnan(number)) {
        text_ = "nan";
        return;
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    text_.assign(buffer, result.ptr);
}

CHCSVWriter::CHCSVWriter(const std::string& path)
    : CHCSVWriter(std::make_unique<FileOutputStream>(path), StringEncoding::UTF8, U',') {}

CHCSVWriter::CHCSVWriter(std::unique_ptr<OutputStream> stream, StringEncoding encoding, char32_t delimiter)
    : stream_(std::move(stream)), encoding_(encoding) {
    foundation::appendUtf8(delimiter_, delimiter);
    if (encoding_ != StringEncoding::UTF8 && encoding_ != StringEncoding::Unknown) {
        auto converter = std::make_unique<Converter>();
        UErrorCode status = U_ZERO_ERROR;
        std::string name(icuConverterName(encoding_));
        converter->converter = ucnv_open(name.c_str(), &status);
        if (U_SUCCESS(status) && converter->converter)
            converter_ = std::move(converter);
        else
            fail("The text encoding " + name + " is not available");
    }
    if (!stream_) {
        fail("No output stream");
        return;
    }
    if (!stream_->isOpen() && !stream_->open())
        fail(stream_->errorMessage());
    // The mark is what encoding "aa" saves over encoding "a" twice: the encoder writes it every time.
    std::string one, two;
    encode("a", one);
    encode("aa", two);
    if (2 * one.size() > two.size()) {
        markLength_ = 2 * one.size() - two.size();
        writeBytes(one.data(), markLength_);
    }
    encode(delimiter_, delimiterBytes_);
}

CHCSVWriter::~CHCSVWriter() {
    closeStream();
}

void CHCSVWriter::fail(const std::string& message) {
    if (error_)
        return;
    error_ = ImportError{errorDomain,
                         errorCodeWriteFailed,
                         message.empty() ? std::string("The CSV output could not be written") : message,
                         {}};
}

// Whole encoded pieces, mark included; writeText drops the mark.
void CHCSVWriter::encode(std::string_view text, std::string& out) {
    out.clear();
    if (!converter_) {
        out.assign(text);
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    auto& units = converter_->units;
    units.resize(text.size() + 1);
    int32_t unitCount = 0;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(units.data()), static_cast<int32_t>(units.size()),
                         &unitCount, text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr,
                         &status);
    if (U_FAILURE(status))
        return;
    out.resize(static_cast<std::size_t>(UCNV_GET_MAX_BYTES_FOR_STRING(unitCount, 4)) + 8);
    int32_t written = ucnv_fromUChars(converter_->converter, out.data(), static_cast<int32_t>(out.size()),
                                      reinterpret_cast<const UChar*>(units.data()), unitCount, &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(written) : 0);
}

void CHCSVWriter::writeBytes(const char* bytes, std::size_t length) {
    if (length == 0 || error_)
        return;
    if (!stream_) {
        fail("The CSV output is closed");
        return;
    }
    if (!stream_->write(bytes, length))
        fail(stream_->errorMessage());
}

void CHCSVWriter::writeText(std::string_view text) {
    if (!converter_) {
        writeBytes(text.data(), text.size());
        return;
    }
    encode(text, scratch_);
    std::size_t skip = std::min(markLength_, scratch_.size());
    writeBytes(scratch_.data() + skip, scratch_.size() - skip);
}

bool CHCSVWriter::needsQuotes(std::string_view text) const {
    std::size_t length;
    return text.find('"') != std::string_view::npos || text.find(delimiter_) != std::string_view::npos ||
           findNewline(text, 0, &length) != std::string_view::npos;
}

void CHCSVWriter::writeField(const Field& field) {
    if (fieldCount_ > 0) {
        if (converter_)
            writeBytes(delimiterBytes_.data() + std::min(markLength_, delimiterBytes_.size()),
                       delimiterBytes_.size() - std::min(markLength_, delimiterBytes_.size()));
        else
            writeBytes(delimiter_.data(), delimiter_.size());
    }
    const std::string& text = field.text();
    if (!needsQuotes(text)) {
        writeText(text);
        ++fieldCount_;
        return;
    }
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    writeText(quoted);
    ++fieldCount_;
}

void CHCSVWriter::finishLine() {
    writeText("\n");
    fieldCount_ = 0;
}

template <typename Range> void CHCSVWriter::writeLine(const Range& fields) {
    if (fieldCount_ > 0)
        finishLine();
    for (const auto& field : fields)
        writeField(field);
    finishLine();
}

void CHCSVWriter::writeLineOfFields(std::initializer_list<Field> fields) {
    writeLine(fields);
}
void CHCSVWriter::writeLineOfFields(const std::vector<Field>& fields) {
    writeLine(fields);
}
void CHCSVWriter::writeLineOfFields(const std::vector<std::string>& fields) {
    writeLine(fields);
}

void CHCSVWriter::writeComment(std::string_view comment) {
    if (fieldCount_ > 0)
        finishLine();
    std::size_t start = 0;
    for (;;) {
        std::size_t length = 0;
        std::size_t end = findNewline(comment, start, &length);
        std::string line = "#";
        line.append(
            comment.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        line += '\n';
        writeText(line);
        if (end == std::string_view::npos)
            return;
        start = end + length;
    }
}

std::optional<ImportError> CHCSVWriter::closeStream() {
    if (stream_) {
        if (!stream_->close())
            fail(stream_->errorMessage());
        stream_.reset();
    }
    return error_;
}

namespace {

// Collects the lines of a parse; an error drops them.
class Aggregator final : public CHCSVParserDelegate {
  public:
    bool parserDidBeginLine(CHCSVParser&, std::uint64_t) override {
        lines.emplace_back();
        return true;
    }
    bool parserDidReadField(CHCSVParser&, std::string_view field, std::int64_t) override {
        lines.back().emplace_back(field);
        return true;
    }
    bool parserDidFailWithError(CHCSVParser&, const ImportError&) override {
        failed = true;
        return true;
    }
    std::vector<std::vector<std::string>> lines;
    bool failed = false;
};

} // namespace

std::optional<std::vector<std::vector<std::string>>> CSVComponents(std::string_view text, unsigned options) {
    auto parser = CHCSVParser::withCSVString(text);
    parser->setRecognizesBackslashesAsEscapes(options & 1);
    parser->setSanitizesFields(options & 2);
    parser->setRecognizesComments(options & 4);
    Aggregator aggregator;
    parser->setDelegate(&aggregator);
    parser->parse();
    if (aggregator.failed)
        return std::nullopt;
    return std::move(aggregator.lines);
}

std::string CSVString(const std::vector<std::vector<std::string>>& lines) {
    std::string out;
    {
        CHCSVWriter writer(std::make_unique<StringOutputStream>(out), StringEncoding::UTF8, U',');
        for (const auto& line : lines)
            writer.writeLineOfFields(line);
    }
    return out;
}
