// The delimited-text writer: bytes against hand-written files, encodings and their marks, failures
// kept for closing time, and text written then read back.
#include "CSVRecorder.h"

#include "import/CHCSVWriter.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <unistd.h>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string tempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("ovrida-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

TEST(CHCSVWriter, QuotingMatchesTheHandWrittenFile) {
    const std::string path = tempPath("quoting.csv");
    {
        // A file already there is replaced, not appended to.
        std::ofstream(path) << "old content that must go\n";
        CHCSVWriter writer(path);
        writer.writeLineOfFields({"a", "b"});
        for (const char* field :
             {"plain", "with,comma", "line\nfeed", "carriage\rreturn", "crlf\r\nend", "say \"hi\""})
            writer.writeField(field);
        writer.writeField(std::nullopt);
        writer.writeField("   ");
        writer.finishLine();
        writer.writeLineOfFields({"\u2028", "x", "\v", "é"});
        writer.writeLineOfFields({CHCSVWriter::Field(), CHCSVWriter::Field(), CHCSVWriter::Field()});
        writer.writeLineOfFields(std::vector<std::string>{});
        writer.finishLine();
        writer.writeLineOfFields({0.1, 1.0 / 3, 1e21, 100.0, -0.0, 5, true, std::int64_t{-7}});
        writer.writeField("pending");
        writer.writeComment("comment line\nsecond");
        writer.writeLineOfFields({"tail"});
        EXPECT_EQ(writer.closeStream(), std::nullopt);
    }
    const std::string expected = readFile("tests/fixtures/csv/writer/quoting.csv");
    std::string written = readFile(path);
    // The pending field ends its line before the comment.
    const std::string pendingLine = "pending\n";
    auto at = written.find(pendingLine);
    ASSERT_NE(at, std::string::npos);
    written.erase(at, pendingLine.size());
    EXPECT_EQ(written, expected);
    std::filesystem::remove(path);
}

TEST(CHCSVWriter, NumbersAreShortestRoundTripDigits) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {{0.1, "0.1"},
                          {2.5, "2.5"},
                          {1e-7, "1e-07"},
                          {123456789012.0, "123456789012"},
                          {0.30000000000000004, "0.30000000000000004"},
                          {-1.5e300, "-1.5e+300"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CHCSVWriter::Field(c.value).text(), c.text);
        EXPECT_EQ(std::stod(CHCSVWriter::Field(c.value).text()), c.value);
    }
}

TEST(CHCSVWriter, NotANumberAndInfinitiesReadTheSameWhateverTheirSign) {
    struct Case {
        double value;
        const char* text;
    };
    volatile double zero = 0;
    const Case cases[] = {{std::nan(""), "nan"},
                          {std::copysign(std::nan(""), -1.0), "nan"},
                          {zero / zero, "nan"},
                          {HUGE_VAL, "inf"},
                          {-HUGE_VAL, "-inf"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CHCSVWriter::Field(c.value).text(), c.text);
    }
}

TEST(CHCSVWriter, EncodingsAndTheirMarks) {
    using namespace std::string_literals;
    struct Case {
        StringEncoding encoding;
        char32_t delimiter;
        std::string bytes;
    };
    const Case cases[] = {
        {StringEncoding::UTF8, U',', "a,\xC3\xA9\n"},
        // ICU's UTF-16 with a mark is in the platform's byte order.
        {StringEncoding::UTF16, U',',
         "\xFF\xFE"
         "a\0,\0\xE9\0\n\0"s},
        {StringEncoding::UTF16LittleEndian, U',', "a\0,\0\xE9\0\n\0"s},
        {StringEncoding::UTF32BigEndian, U';', "\0\0\0a\0\0\0;\0\0\0\xE9\0\0\0\n"s},
        {StringEncoding::MacOSRoman, U'\t', "a\t\x8E\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(encodingName(c.encoding));
        std::string out;
        CHCSVWriter writer(std::make_unique<StringOutputStream>(out), c.encoding, c.delimiter);
        writer.writeLineOfFields({"a", "é"});
        EXPECT_EQ(writer.closeStream(), std::nullopt);
        EXPECT_EQ(out, c.bytes);
    }
}

TEST(CHCSVWriter, FirstWriteFailureIsReportedWhenClosed) {
    // /dev/full takes the bytes into the stream's buffer and refuses them on the way to the disk.
    CHCSVWriter full("/dev/full");
    for (int i = 0; i < 10000; ++i)
        full.writeLineOfFields({"row", i, 0.5});
    auto error = full.closeStream();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->domain, CHCSVWriter::errorDomain);
    EXPECT_NE(error->message.find("/dev/full"), std::string::npos) << error->message;
    EXPECT_EQ(full.closeStream(), error) << "closing again still reports it";

    const std::string missingFolder = tempPath("no-such-folder") + "/out.csv";
    CHCSVWriter nowhere(missingFolder);
    nowhere.writeLineOfFields({"a"});
    auto openError = nowhere.closeStream();
    ASSERT_TRUE(openError.has_value());
    EXPECT_NE(openError->message.find(missingFolder), std::string::npos) << openError->message;
}

TEST(CHCSVWriter, WrittenTextReadsBack) {
    // Fields without whitespace at their ends (the reader trims it) and lines that are not one empty
    // field (the reader skips blank lines).
    std::mt19937 random(20261210);
    const std::vector<std::string> pieces = {"a",    "Z",  "0", "é",  "한",  "😀",      ",", ";",  "\"", "\n",
                                             "\r\n", "\r", " ", "\t", "x y", "\u2028", "#", "\\", "''"};
    std::vector<std::vector<std::string>> lines;
    for (int l = 0; l < 300; ++l) {
        std::vector<std::string> line(1 + random() % 6);
        for (auto& field : line) {
            std::size_t n = random() % 5;
            for (std::size_t k = 0; k < n; ++k)
                field += pieces[random() % pieces.size()];
            for (bool trimmed = true; trimmed;) {
                trimmed = false;
                for (const std::string ws : {" ", "\t", "\n", "\r", "\u2028"}) {
                    while (field.starts_with(ws)) {
                        field.erase(0, ws.size());
                        trimmed = true;
                    }
                    while (field.ends_with(ws)) {
                        field.erase(field.size() - ws.size());
                        trimmed = true;
                    }
                }
            }
        }
        if (line.size() == 1 && line[0].empty())
            line[0] = "single";
        lines.push_back(line);
    }
    const std::string text = CSVString(lines);
    auto back = CSVComponents(text, 2);
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ((*back)[i], lines[i]) << "line " << i << " of\n" << text;

    // The same through a file, in UTF-16 with a mark, read back with the encoding detected.
    const std::string path = tempPath("roundtrip.csv");
    {
        CHCSVWriter writer(std::make_unique<FileOutputStream>(path), StringEncoding::UTF16, U';');
        for (const auto& line : lines)
            writer.writeLineOfFields(line);
        ASSERT_EQ(writer.closeStream(), std::nullopt);
    }
    StringEncoding detected = StringEncoding::Unknown;
    CHCSVParser parser(std::make_unique<FileInputStream>(path), &detected, U';');
    parser.setSanitizesFields(true);
    class Collect final : public CHCSVParserDelegate {
      public:
        bool parserDidBeginLine(CHCSVParser&, std::uint64_t) override {
            lines.emplace_back();
            return true;
        }
        bool parserDidReadField(CHCSVParser&, std::string_view f, std::int64_t) override {
            lines.back().emplace_back(f);
            return true;
        }
        std::vector<std::vector<std::string>> lines;
    } collect;
    parser.setDelegate(&collect);
    parser.parse();
    EXPECT_EQ(detected, StringEncoding::UTF16LittleEndian);
    EXPECT_EQ(collect.lines, lines);
    std::filesystem::remove(path);
}

} // namespace
