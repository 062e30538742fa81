// Fuzz target for the delimited-text reader: the first byte picks the options, the rest is the input,
// read in chunks of a size the second byte picks. Checks the callback order, that every field is UTF-8,
// and that the same input read one byte at a time gives the same callbacks.
#include "import/CHCSVParser.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

bool validUTF8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
        if (n == 0 || i + n > s.size() || b > 0xF4)
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

class ChunkedStream final : public InputStream {
  public:
    ChunkedStream(const std::uint8_t* data, std::size_t size, std::size_t step)
        : data_(data), size_(size), step_(step) {}
    bool open() override { return true; }
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
        std::size_t n = std::min({capacity, step_, size_ - offset_});
        std::memcpy(buffer, data_ + offset_, n);
        offset_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t step_;
    std::size_t offset_ = 0;
};

class Checker final : public CHCSVParserDelegate {
  public:
    bool parserDidBeginDocument(CHCSVParser&) override {
        require(state == 0);
        state = 1;
        return true;
    }
    bool parserDidBeginLine(CHCSVParser&, std::uint64_t n) override {
        require(state == 1 && !inLine && n == records + 1);
        records = n;
        inLine = true;
        fields = 0;
        return true;
    }
    bool parserDidReadField(CHCSVParser&, std::string_view field, std::int64_t index) override {
        require(inLine && index == fields++);
        require(field.size() <= 4 * CHCSVParser::maxFieldLength + 8);
        require(validUTF8(field));
        require(field.find('\0') == std::string_view::npos);
        events += '|';
        events.append(field);
        return true;
    }
    bool parserDidEndLine(CHCSVParser&, std::uint64_t n) override {
        require(inLine && n == records);
        inLine = false;
        events += "]\n";
        return true;
    }
    bool parserDidReadComment(CHCSVParser&, std::string_view comment) override {
        require(state == 1 && !inLine && validUTF8(comment));
        events += "#";
        events.append(comment);
        return true;
    }
    bool parserDidEndDocument(CHCSVParser&) override {
        require(state == 1 && !inLine);
        state = 2;
        return true;
    }
    bool parserDidFailWithError(CHCSVParser&, const ImportError& error) override {
        require(state == 1 && !inLine && !error.message.empty());
        state = 3;
        events += "!" + error.message;
        return true;
    }
    int state = 0;
    bool inLine = false;
    std::uint64_t records = 0;
    std::int64_t fields = 0;
    std::string events; // fields, line ends, comments and the failure, for comparing two reads
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint8_t options = data[0];
    const std::uint8_t chunking = data[1];
    data += 2;
    size -= 2;
    static const char32_t delimiters[] = {U',', U';', U'\t', U' ', U'|', U'\u00E9', U'\u3000', U'\\'};
    static const StringEncoding encodings[] = {
        StringEncoding::Unknown,        StringEncoding::UTF8,      StringEncoding::UTF16LittleEndian,
        StringEncoding::UTF32BigEndian, StringEncoding::ISO2022KR, StringEncoding::MacOSRoman,
        StringEncoding::UTF16,          StringEncoding::Unknown};
    static const std::size_t steps[] = {1, 2, 3, 7, 511, 512, 513, 1 << 20};
    auto read = [&](std::size_t step) {
        StringEncoding encoding = encodings[(chunking >> 3) & 7];
        CHCSVParser parser(std::make_unique<ChunkedStream>(data, size, step), &encoding,
                           delimiters[options & 7]);
        parser.setSanitizesFields(options & 8);
        parser.setRecognizesBackslashesAsEscapes(options & 16);
        parser.setRecognizesComments(options & 32);
        Checker checker;
        parser.setDelegate(&checker);
        parser.parse();
        require(checker.state == 2 || checker.state == 3);
        require(parser.totalBytesRead() <= size);
        return checker.events;
    };
    const std::size_t step = steps[chunking & 7];
    const std::string events = read(step);
    // Whole buffers take the reader's fast road; one byte at a time takes the general one.
    if (step != 1)
        require(read(1) == events);
    return 0;
}
