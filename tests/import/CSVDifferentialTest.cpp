// The reader against Python's csv module on a seeded corpus where both agree by design
// (tests/fixtures/csv/differential: make.py, README.md for the differences on purpose).
#include "CSVRecorder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

const std::string kDir = "tests/fixtures/csv/differential/";

std::string fromHex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

char32_t firstCodePoint(const std::string& s) {
    auto b = static_cast<unsigned char>(s[0]);
    if (b < 0x80)
        return b;
    char32_t c = b & (b >= 0xF0 ? 0x07 : b >= 0xE0 ? 0x0F : 0x1F);
    for (std::size_t i = 1; i < s.size(); ++i)
        c = (c << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    return c;
}

class Collect final : public CHCSVParserDelegate {
  public:
    bool parserDidBeginLine(CHCSVParser&, std::uint64_t) override {
        records.emplace_back();
        return true;
    }
    bool parserDidReadField(CHCSVParser&, std::string_view field, std::int64_t) override {
        records.back().emplace_back(field);
        return true;
    }
    bool parserDidFailWithError(CHCSVParser&, const ImportError& e) override {
        error = e.message;
        return true;
    }
    std::vector<std::vector<std::string>> records;
    std::string error;
};

TEST(CSVDifferential, AgreesWithPythonOnTheSharedSubset) {
    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(kDir + "corpus"))
        inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    ASSERT_EQ(inputs.size(), 40u);
    std::size_t recordsCompared = 0;
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.string());
        std::ifstream expectedFile(kDir + "expected/" + input.stem().string() + ".txt");
        std::string line;
        std::getline(expectedFile, line);
        const char32_t delimiter = firstCodePoint(fromHex(line));
        std::vector<std::vector<std::string>> expected;
        while (std::getline(expectedFile, line)) {
            std::vector<std::string> record;
            std::stringstream fields(line);
            std::string field;
            while (std::getline(fields, field, ','))
                record.push_back(fromHex(std::string_view(field).substr(1)));
            expected.push_back(record);
        }
        for (bool trickle : {false, true}) {
            std::ifstream in(input, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::unique_ptr<InputStream> stream =
                trickle ? std::unique_ptr<InputStream>(std::make_unique<TrickleInputStream>(bytes, 1))
                        : std::make_unique<DataInputStream>(bytes);
            CHCSVParser parser(std::move(stream), nullptr, delimiter);
            parser.setSanitizesFields(true);
            Collect collect;
            parser.setDelegate(&collect);
            parser.parse();
            EXPECT_EQ(collect.error, "");
            ASSERT_EQ(collect.records.size(), expected.size()) << "trickle " << trickle;
            for (std::size_t r = 0; r < expected.size(); ++r)
                ASSERT_EQ(collect.records[r], expected[r]) << "record " << r + 1 << ", trickle " << trickle;
            recordsCompared += expected.size();
        }
    }
    EXPECT_GT(recordsCompared, 1000u);
}

} // namespace
