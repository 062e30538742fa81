// The delimited-text reader: bytes in, callbacks out, for the grammar's edge cases, the limits and
// the failures; every case is also read one byte per chunk.
#include "CSVRecorder.h"

#include "platform/foundation/Log.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace std::string_literals;

const std::string kStrayQuote = "!Unexpected delimiter. Expected ',' (0x2C), but got '\"' (0x22)";
const std::string kUnclosed = "!Unexpected end of input inside a quoted field.";

struct Case {
    const char* name;
    std::string input;
    std::string events;
    ParseOptions options = {};
};

const Case kCases[] = {
    {"two fields", "a,b", "[a|b]."},
    {"final line break opens no empty record", "a,b\n", "[a|b]."},
    {"final run of line breaks", "a,b\n\r\n\n", "[a|b]."},
    {"empty input is one empty field", "", "[]."},
    {"a lone line break is one empty field", "\n", "[]."},
    {"blank lines give no record", "a\n\n\nb", "[a][b]."},
    {"CR LF runs end one record", "a\r\n\r\nb\r\n", "[a][b]."},
    {"CR alone ends a record", "a\rb\r", "[a][b]."},
    {"vertical tab and form feed end a record", "a\vb\fc", "[a][b][c]."},
    {"U+0085 U+2028 U+2029 end a record",
     "a\xC2\x85"
     "b\xE2\x80\xA8"
     "c\xE2\x80\xA9"
     "d",
     "[a][b][c][d]."},
    {"a line of spaces is one empty field", "a\n   \nb", "[a][][b]."},
    {"leading blank line is an empty record", "\n\na", "[][a]."},
    {"empty fields", ",,", "[||]."},
    {"quoted empty field", "\"\",x", "[|x]."},
    {"doubled quote, sanitised", "\"x\"\"y\",z", "[x\"y|z]."},
    {"doubled quote, raw", "\"x\"\"y\",z", "[\"x\"\"y\"|z].", {.sanitize = false}},
    {"spaces trimmed", "  a  ,  b  ", "[a|b]."},
    {"spaces kept raw", "  a  ,  b  ", "[  a  |  b  ].", {.sanitize = false}},
    {"raw quoted field keeps its surroundings", " \"a\" ,b", "[ \"a\" |b].", {.sanitize = false}},
    {"inside quotes trimmed too", "\" a \"", "[a]."},
    {"quoted delimiter and line break", "\"a,b\nc\",d", "[a,b\nc|d]."},
    {"quoted CR LF", "\"a\r\nb\"\r\nc", "[a\r\nb][c]."},
    {"Unicode spaces trimmed",
     "\xC2\xA0"
     "a\xE3\x80\x80,b",
     "[a|b]."},
    {"other non-ASCII kept", "\xC2\xA9,\xE2\x82\xAC", "[\xC2\xA9|\xE2\x82\xAC]."},
    {"tab delimiter is never skipped", "\ta\t\tb", "[|a||b].", {.delimiter = U'\t'}},
    {"tab delimiter, spaces trimmed", " a \t b ", "[a|b].", {.delimiter = U'\t'}},
    {"semicolon delimiter", "a;b,c", "[a|b,c].", {.delimiter = U';'}},
    {"non-ASCII delimiter",
     "a\xC3\xA9"
     "b\xC3\xA9"
     "c",
     "[a|b|c].",
     {.delimiter = U'\u00E9'}},
    {"quote inside an unquoted field", "x\"y,z", "[x]" + kStrayQuote},
    {"quote at the end of an unquoted field", "a\"", "[a]" + kStrayQuote},
    {"text after a closing quote", "\"a\" b,c",
     "[a]!Unexpected delimiter. Expected ',' (0x2C), but got 'b' (0x62)"},
    {"error names a non-ASCII character",
     "\"a\"\xC3\xA9",
     "[a]!Unexpected delimiter. Expected ';' (0x3B), but got '\xC3\xA9' (0xE9)",
     {.delimiter = U';'}},
    {"rows before an error are kept", "a,b\nc,\"d\"e\nf",
     "[a|b][c|d]!Unexpected delimiter. Expected ',' (0x2C), "
     "but got 'e' (0x65)"},
    {"unclosed quote", "a,b\n\"cd", "[a|b]{}" + kUnclosed},
    {"unclosed quote after a field", "a,\"b", "[a]" + kUnclosed},
    {"unclosed quote after a doubled quote", "\"a\"\"", "{}" + kUnclosed},
    {"NUL characters dropped", "a\0b,\0c\0\n\0"s, "[ab|c]."},
    {"NUL inside quotes dropped", "\"a\0\",b"s, "[a|b]."},
    {"backslash escapes a delimiter", "a\\,b,c", "[a,b|c].", {.escapes = true}},
    {"backslash escapes a quote inside quotes", "\"a\\\"b\",c", "[a\"b|c].", {.escapes = true}},
    {"backslash escapes a line break", "a\\\nb", "[a\nb].", {.escapes = true}},
    {"backslash at the end", "a\\", "[a].", {.escapes = true}},
    {"backslash is plain text without escapes", "a\\b", "[a\\b]."},
    {"backslash delimiter that escapes", "x\na\\b,c\\\\d", "[x][ab,c\\d].", {.delimiter = U'\\', .escapes = true}},
    {"backslash delimiter without escapes", "x\na\\b,c", "[x][a|b,c].", {.delimiter = U'\\'}},
    {"raw escapes kept", "a\\,b", "[a\\,b].", {.sanitize = false, .escapes = true}},
    {"comments", "#c1\na,b\n#c2\nc", "#c1[a|b]#c2[c].", {.comments = true}},
    {"comment after the last record", "a\n#c\n", "[a]#c.", {.comments = true}},
    {"comment only", "#c", "#c[].", {.comments = true}},
    {"hash is text without comments", "#c,d", "[#c|d]."},
    {"hash inside a record is text", "a,#b", "[a|#b].", {.comments = true}},
    {"byte-order mark dropped",
     "\xEF\xBB\xBF"
     "a,b",
     "[a|b]."},
};

TEST(CHCSVParser, CasesGiveTheirEvents) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseToEvents(c.input, c.options), c.events);
        ParseOptions trickled = c.options;
        trickled.trickle = 1;
        EXPECT_EQ(parseToEvents(c.input, trickled), c.events) << "one byte per read";
    }
}

// A document long enough that records follow one another inside the reader's buffer, with the kinds
// of fields that leave its fast road, and the events it must give.
struct LongDocument {
    std::string text;
    std::string events;
    std::vector<std::size_t> fieldsPerRecord;
};

LongDocument longDocument() {
    struct Field {
        const char* text;
        const char* value;
    };
    const Field kinds[] = {
        {"plain", "plain"},
        {"", ""},
        {"\"a,b\"", "a,b"},
        {"\"say \"\"hi\"\"\"", "say \"hi\""},
        {"  padded ", "padded"},
        {"Chlo\xC3\xA9", "Chlo\xC3\xA9"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
        {"x\xC2\xA0", "x"},
        {"2026-01-31", "2026-01-31"},
        {"a somewhat longer text that spans more than one block of sixty-four bytes in the buffer",
         "a somewhat longer text that spans more than one block of sixty-four bytes in the buffer"},
    };
    const char* breaks[] = {"\n", "\n", "\n", "\r\n", "\n\n"};
    LongDocument d;
    unsigned state = 7;
    auto next = [&state](unsigned range) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % range;
    };
    for (int r = 0; r < 400; ++r) {
        std::size_t count = 1 + next(9);
        d.events += "[";
        for (std::size_t f = 0; f < count; ++f) {
            // A record of one empty field would be a blank line, which gives no record.
            const Field& field = kinds[count == 1 ? 0 : next(10)];
            if (f) {
                d.text += ",";
                d.events += "|";
            }
            d.text += field.text;
            d.events += field.value;
        }
        d.events += "]";
        d.fieldsPerRecord.push_back(count);
        d.text += breaks[next(5)];
    }
    d.events += ".";
    return d;
}

TEST(CHCSVParser, LongDocumentReadsTheSameInAnyChunking) {
    const LongDocument d = longDocument();
    for (std::size_t trickle : {0, 1, 63, 64, 65, 1000}) {
        SCOPED_TRACE(trickle);
        EXPECT_EQ(parseToEvents(d.text, {.trickle = trickle}), d.events);
    }
}

TEST(CHCSVParser, CancelInAnyCallbackOfALongDocument) {
    // Cancels in the chosen callback of the chosen record; the records before it (and the record
    // itself when cancelled at its end) are all that is delivered.
    enum class At { beginLine, field, endLine };
    class Cancelling final : public CSVRecorder {
      public:
        Cancelling(At at, std::uint64_t record, std::int64_t field)
            : at_(at), record_(record), field_(field) {}
        bool parserDidBeginLine(CHCSVParser& parser, std::uint64_t n) override {
            noteLate();
            CSVRecorder::parserDidBeginLine(parser, n);
            cancelIf(parser, at_ == At::beginLine && n == record_);
            return true;
        }
        bool parserDidReadField(CHCSVParser& parser, std::string_view field, std::int64_t index) override {
            noteLate();
            CSVRecorder::parserDidReadField(parser, field, index);
            cancelIf(parser, at_ == At::field && records == record_ && index == field_);
            return true;
        }
        bool parserDidEndLine(CHCSVParser& parser, std::uint64_t n) override {
            noteLate();
            CSVRecorder::parserDidEndLine(parser, n);
            cancelIf(parser, at_ == At::endLine && n == record_);
            return true;
        }

      private:
        void noteLate() {
            if (cancelled_)
                out += "<callback after cancel>";
        }
        void cancelIf(CHCSVParser& parser, bool now) {
            if (!now)
                return;
            parser.cancelParsing();
            cancelled_ = true;
        }
        At at_;
        std::uint64_t record_;
        std::int64_t field_;
        bool cancelled_ = false;
    };
    const LongDocument d = longDocument();
    // Where record r's events end in the full list.
    std::vector<std::size_t> recordEnds{0};
    for (std::size_t at = 0; (at = d.events.find("][", at)) != std::string::npos;)
        recordEnds.push_back(++at);
    recordEnds.push_back(d.events.size() - 1);
    auto eventsThrough = [&](std::size_t records) { return d.events.substr(0, recordEnds[records]) + "."; };
    // Every record: which ones end on the reader's fast road depends on the text around them.
    for (std::uint64_t record = 1; record <= d.fieldsPerRecord.size(); ++record) {
        const std::size_t fields = d.fieldsPerRecord[record - 1];
        struct Case {
            At at;
            std::int64_t field;
            std::size_t delivered;
        };
        const Case cases[] = {
            {At::beginLine, 0, record - 1},
            {At::field, 0, record - 1},
            {At::field, static_cast<std::int64_t>(fields - 1), record - 1},
            {At::endLine, 0, record},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "record " << record << ", case " << static_cast<int>(c.at)
                                            << ", field " << c.field);
            Cancelling recorder(c.at, record, c.field);
            EXPECT_EQ(parseToEvents(d.text, {}, &recorder), eventsThrough(c.delivered));
        }
    }
}

TEST(CHCSVParser, ErrorsCarryDomainAndCode) {
    CSVRecorder recorder;
    parseToEvents("a\"b", {}, &recorder);
    EXPECT_EQ(recorder.code, CHCSVParser::errorCodeSyntax);
    CSVRecorder unclosed;
    parseToEvents("\"a", {}, &unclosed);
    EXPECT_EQ(unclosed.code, 1);
}

TEST(CHCSVParser, FieldLengthLimitCountsCharacters) {
    const std::size_t limit = CHCSVParser::maxFieldLength;
    struct LengthCase {
        const char* name;
        std::string input;
        std::string events;
    };
    const std::string e = "\xC3\xA9";
    std::string manyE;
    for (std::size_t i = 0; i < limit; ++i)
        manyE += e;
    const LengthCase cases[] = {
        {"at the limit", std::string(limit, 'x') + ",y", "[" + std::string(limit, 'x') + "|y]."},
        {"one over", "a\n" + std::string(limit + 1, 'x') + ",y", "[a]{}!Field too long."},
        {"one over without line breaks, quoted", "\"" + std::string(limit + 1, 'x') + "\"",
         "{}!Field too long."},
        {"two-byte characters at the limit", manyE, "[" + manyE + "]."},
        {"two-byte characters one over", manyE + e + "\n", "{}!Field too long."},
        {"quoted with a doubled quote at the limit", "\"" + std::string(limit - 1, 'x') + "\"\"\"",
         "[" + std::string(limit - 1, 'x') + "\"]."},
        {"quoted with a doubled quote one over", "\"" + std::string(limit, 'x') + "\"\"\"",
         "{}!Field too long."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseToEvents(c.input), c.events);
    }
}

TEST(CHCSVParser, EndlessFieldStopsWithoutHoldingTheInput) {
    // 64 MB without a line break: the limit ends the parse long before that much is buffered.
    class Endless final : public InputStream {
      public:
        bool open() override { return true; }
        std::ptrdiff_t read(char* buffer, std::size_t capacity) override {
            if (served > (64u << 20))
                return 0;
            std::memset(buffer, 'x', capacity);
            served += capacity;
            return static_cast<std::ptrdiff_t>(capacity);
        }
        std::size_t served = 0;
    };
    auto stream = std::make_unique<Endless>();
    Endless* raw = stream.get();
    CHCSVParser parser(std::move(stream), nullptr, U',');
    CSVRecorder recorder;
    parser.setDelegate(&recorder);
    parser.parse();
    EXPECT_EQ(recorder.out, "{}!Field too long.");
    EXPECT_LT(raw->served, 4u << 20);
}

TEST(CHCSVParser, CancelStopsAfterTheCurrentCallbackAndStillEndsTheDocument) {
    CSVRecorder recorder;
    recorder.cancelAfterLine = 2;
    EXPECT_EQ(parseToEvents("a\nb\nc\nd", {}, &recorder), "[a][b].");
    // A cancelled parse reports no error, even one that arose in the same record.
    CSVRecorder onError;
    onError.cancelAfterLine = 1;
    EXPECT_EQ(parseToEvents("a\"b\nc", {}, &onError), "[a].");
}

TEST(CHCSVParser, DelegateWithoutCallbacksIsAskedOnce) {
    class Counting final : public CHCSVParserDelegate {
      public:
        bool parserDidReadField(CHCSVParser& p, std::string_view f, std::int64_t i) override {
            ++fields;
            return CHCSVParserDelegate::parserDidReadField(p, f, i); // "not implemented"
        }
        bool parserDidEndLine(CHCSVParser&, std::uint64_t) override {
            ++lines;
            return true;
        }
        int fields = 0;
        int lines = 0;
    };
    Counting delegate;
    auto parser = CHCSVParser::withCSVString("a,b\nc,d\ne");
    parser->setDelegate(&delegate);
    parser->parse();
    EXPECT_EQ(delegate.fields, 1);
    EXPECT_EQ(delegate.lines, 3);
}

TEST(CHCSVParser, NoDelegateIsFine) {
    auto parser = CHCSVParser::withCSVString("a,b\n\"c");
    parser->parse();
    EXPECT_EQ(parser->totalBytesRead(), 6u);
}

TEST(CHCSVParser, ReadErrorIsReportedAfterTheRowsBeforeIt) {
    CSVRecorder recorder;
    CHCSVParser parser(std::make_unique<FailingInputStream>("a,b\nc"), nullptr, U',');
    parser.setDelegate(&recorder);
    parser.parse();
    EXPECT_EQ(recorder.out, "[a|b]{}!The file \"x.csv\" could not be read: I/O error");
    EXPECT_EQ(recorder.code, CHCSVParser::errorCodeUnreadable);
}

TEST(CHCSVParser, UnreadableFilesFailInsteadOfLookingEmpty) {
    const auto folder = std::filesystem::temp_directory_path() / ("ovrida-csv-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string missing = (folder / "no-such-file.csv").string();
    struct PathCase {
        std::string path;
        std::string fragment;
    };
    for (const PathCase& c :
         {PathCase{missing, "no-such-file.csv"}, PathCase{folder.string(), folder.string()}}) {
        SCOPED_TRACE(c.path);
        auto parser = CHCSVParser::withContentsOfCSVFile(c.path);
        CSVRecorder recorder;
        parser->setDelegate(&recorder);
        parser->parse();
        EXPECT_EQ(recorder.code, CHCSVParser::errorCodeUnreadable);
        EXPECT_EQ(recorder.records, 0u);
        EXPECT_NE(recorder.out.find(c.fragment), std::string::npos) << recorder.out;
        EXPECT_FALSE(recorder.ended);
    }
    std::filesystem::remove_all(folder);
}

TEST(CHCSVParser, InvalidDelimiterFallsBackToComma) {
    EXPECT_EQ(parseToEvents("a,b", {.delimiter = 0}), "[a|b].");
    EXPECT_EQ(parseToEvents("a,b", {.delimiter = U'\n'}), "[a|b].");
}

} // namespace
