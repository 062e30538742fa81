// Encodings of delimited text: byte-order marks, ISO-2022-KR, the UTF-8 test of the first bytes, the
// Mac Roman fallback and characters cut by chunk boundaries. Fixtures: tests/fixtures/csv/encodings/make.sh.
#include "CSVRecorder.h"

#include "platform/foundation/Log.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

const std::string kDir = "tests/fixtures/csv/encodings/";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string parseFile(const std::string& path, StringEncoding* detected) {
    CHCSVParser parser(std::make_unique<FileInputStream>(path), detected, U',');
    parser.setSanitizesFields(true);
    CSVRecorder recorder;
    parser.setDelegate(&recorder);
    parser.parse();
    return recorder.out;
}

TEST(CSVEncoding, FixturesReadAsTheirUTF8Source) {
    struct Case {
        const char* fixture;
        const char* source;
        StringEncoding encoding;
    };
    const Case cases[] = {
        {"utf8-bom.csv", "source.csv", StringEncoding::UTF8},
        {"utf16be-bom.csv", "source.csv", StringEncoding::UTF16BigEndian},
        {"utf16le-bom.csv", "source.csv", StringEncoding::UTF16LittleEndian},
        {"utf32be-bom.csv", "source.csv", StringEncoding::UTF32BigEndian},
        {"utf32le-bom.csv", "source.csv", StringEncoding::UTF32LittleEndian},
        {"iso-2022-kr.csv", "korean.csv", StringEncoding::ISO2022KR},
        {"macroman.csv", "latin.csv", StringEncoding::MacOSRoman},
        {"source.csv", "source.csv", StringEncoding::UTF8},
    };
    const std::string expectedSource = "[lang|word|note][ascii|plain|quoted, with comma][latin|café|Zürich "
                                       "naïve][latin|crème \"brûlée\"|Ærø]"
                                       "[korean|한국어|서울, 부산][korean|안녕하세요|가].";
    StringEncoding unknown = StringEncoding::Unknown;
    EXPECT_EQ(parseFile(kDir + "source.csv", &unknown), expectedSource);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        StringEncoding sourceEncoding = StringEncoding::Unknown;
        const std::string expected = parseFile(kDir + c.source, &sourceEncoding);
        StringEncoding detected = StringEncoding::Unknown;
        EXPECT_EQ(parseFile(kDir + c.fixture, &detected), expected);
        EXPECT_EQ(detected, c.encoding);
        for (std::size_t step : {1u, 3u}) {
            ParseOptions options;
            options.trickle = step;
            EXPECT_EQ(parseToEvents(readFile(kDir + c.fixture), options), expected)
                << step << " bytes per read";
        }
    }
}

TEST(CSVEncoding, CharacterAcrossChunkBoundariesStaysUTF8) {
    const std::string e = "é";
    const std::string expected =
        "[" + std::string(511, 'a') + e + "|][x" + std::string(507, 'b') + e + "|" + e + "][end].";
    for (std::size_t step : {0u, 1u, 2u, 512u}) {
        SCOPED_TRACE(step);
        foundation::LogCapture log;
        ParseOptions options;
        options.trickle = step;
        EXPECT_EQ(parseToEvents(readFile(kDir + "split-e.csv"), options), expected);
        EXPECT_FALSE(log.contains("MacOSRoman"));
    }
}

TEST(CSVEncoding, InvalidUTF8SwitchesToMacRomanFromThereOn) {
    foundation::LogCapture log;
    StringEncoding detected = StringEncoding::Unknown;
    EXPECT_EQ(parseFile(kDir + "late-macroman.csv", &detected),
              "[naïve][" + std::string(600, 'c') + "][café].");
    EXPECT_EQ(detected, StringEncoding::UTF8);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"switching encoding to MacOSRoman after UTF8 failed"});
}

TEST(CSVEncoding, DetectionLogsItsGuess) {
    foundation::LogCapture log;
    StringEncoding detected = StringEncoding::Unknown;
    parseFile(kDir + "macroman.csv", &detected);
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"unable to determine stream encoding; assuming MacOSRoman"});
}

TEST(CSVEncoding, SmallCases) {
    struct Case {
        const char* name;
        std::string input;
        std::string events;
        StringEncoding given = StringEncoding::Unknown;
        const char* log = nullptr;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {"UTF-8 cut short by the end of the input", "a,\xC3", "[a|√].", StringEncoding::Unknown,
         "switching encoding to MacOSRoman after UTF8 failed"},
        {"overlong UTF-8 is not UTF-8", "\xC0\xAF", "[¿Ø].", StringEncoding::Unknown,
         "unable to determine stream encoding; assuming MacOSRoman"},
        {"surrogate in UTF-8 is not UTF-8", "\xED\xA0\x80", "[Ì†Ä].", StringEncoding::Unknown,
         "unable to determine stream encoding; assuming MacOSRoman"},
        {"given encoding needs no mark", "a\0,\0b\0"s, "[a|b].", StringEncoding::UTF16LittleEndian},
        {"given encoding keeps a mark as text",
         "\xFF\xFE"
         "a\0"s,
         "[\xEF\xBB\xBF"
         "a].",
         StringEncoding::UTF16LittleEndian},
        {"unpaired surrogate replaced", "\xFE\xFF\xD8\x00\x00,\x00x"s, "[\xEF\xBF\xBD|x].",
         StringEncoding::Unknown, "Bytes that are not valid UTF-16BE were replaced by U+FFFD"},
        {"truncated UTF-16 at the end replaced", "\xFE\xFF\x00x\x00"s, "[x\xEF\xBF\xBD].",
         StringEncoding::Unknown, "Bytes that are not valid UTF-16BE were replaced by U+FFFD"},
        {"UTF-16 without a mark reads as UTF-8 without NULs", "a\0,\0b\0"s, "[a|b]."},
        {"four-byte UTF-8", "\xF0\x9F\x98\x80,x", "[\xF0\x9F\x98\x80|x]."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t step : {0u, 1u}) {
            foundation::LogCapture log;
            ParseOptions options;
            options.encoding = c.given;
            options.trickle = step;
            EXPECT_EQ(parseToEvents(c.input, options), c.events);
            if (c.log)
                EXPECT_TRUE(log.contains(c.log)) << step;
            else
                EXPECT_TRUE(log.lines().empty()) << step;
        }
    }
}

TEST(CSVEncoding, EmptyInputSetsNoEncoding) {
    StringEncoding detected = StringEncoding::Unknown;
    CHCSVParser parser(std::make_unique<DataInputStream>(""), &detected, U',');
    EXPECT_EQ(detected, StringEncoding::Unknown);
    EXPECT_EQ(parser.totalBytesRead(), 0u);
}

} // namespace
