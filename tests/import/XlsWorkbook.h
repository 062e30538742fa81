// Legacy binary workbooks made in the tests, record by record: one BIFF8 sheet of given cell records
// in a version-3 compound file, for sheets too large to commit as fixtures.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace xlsbook {

inline void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
inline void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline std::string record(uint16_t id, const std::string& body) {
    std::string out;
    put16(out, id);
    put16(out, static_cast<uint32_t>(body.size()));
    return out + body;
}

inline std::string cellHead(uint16_t row, uint16_t col) {
    std::string out;
    put16(out, row);
    put16(out, col);
    put16(out, 0); // the first cell format
    return out;
}

// An integer as an RK cell; rows and columns count from 0.
inline std::string rkCell(uint16_t row, uint16_t col, int32_t value) {
    std::string body = cellHead(row, col);
    put32(body, (static_cast<uint32_t>(value) << 2) | 2);
    return record(0x027E, body);
}

// A text of ASCII characters as a LABEL cell.
inline std::string labelCell(uint16_t row, uint16_t col, const std::string& text) {
    std::string body = cellHead(row, col);
    put16(body, static_cast<uint32_t>(text.size()));
    body += '\0'; // 8-bit characters
    return record(0x0204, body + text);
}

// The workbook stream: globals naming one sheet, then that sheet with the given cell records.
inline std::string workbookStream(const std::string& cells, const std::string& sheetName) {
    auto bof = [](uint16_t type) {
        std::string body;
        put16(body, 0x0600);
        put16(body, type);
        body += std::string(12, '\0');
        return record(0x0809, body);
    };
    const std::string eof = record(0x000A, "");
    const std::string head = bof(0x0005);
    std::string name;
    name += static_cast<char>(sheetName.size());
    name += '\0';
    name += sheetName;
    const uint32_t sheetAt = static_cast<uint32_t>(head.size() + 4 + 6 + name.size() + eof.size());
    std::string bound;
    put32(bound, sheetAt);
    bound += std::string(2, '\0'); // visible worksheet
    return head + record(0x0085, bound + name) + eof + bof(0x0010) + cells + eof;
}

// A compound file holding `stream` as "Workbook" in regular sectors (no mini stream: the stream is
// padded to 4096 bytes, past its last record, when it is shorter).
inline std::string compoundFile(std::string stream) {
    constexpr uint32_t kSector = 512, kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFatSector = 0xFFFFFFFD;
    if (stream.size() < 4096)
        stream.resize(4096, '\0');
    const uint32_t dataSectors = static_cast<uint32_t>((stream.size() + kSector - 1) / kSector);
    uint32_t fatSectors = 1;
    while (fatSectors * (kSector / 4) < fatSectors + 1 + dataSectors)
        ++fatSectors;
    const uint32_t dirSector = fatSectors, firstData = fatSectors + 1;

    std::string header = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(16, '\0');
    for (uint32_t v : {0x3Eu, 3u, 0xFFFEu, 9u, 6u})
        put16(header, v);
    header += std::string(6, '\0');
    for (uint32_t v : {0u, fatSectors, dirSector, 0u, 4096u, kEnd, 0u, kEnd, 0u})
        put32(header, v);
    for (uint32_t i = 0; i < 109; ++i)
        put32(header, i < fatSectors ? i : kFree);

    std::string fat;
    for (uint32_t i = 0; i < fatSectors * (kSector / 4); ++i) {
        uint32_t next = kFree;
        if (i < fatSectors)
            next = kFatSector;
        else if (i == dirSector)
            next = kEnd;
        else if (i >= firstData && i < firstData + dataSectors)
            next = i + 1 < firstData + dataSectors ? i + 1 : kEnd;
        put32(fat, next);
    }

    auto entry = [](const std::u16string& name, uint8_t type, uint32_t child, uint32_t start, uint32_t size) {
        std::string out;
        for (char16_t c : name)
            put16(out, c);
        put16(out, 0);
        const uint32_t nameBytes = static_cast<uint32_t>(out.size());
        out.resize(64, '\0');
        put16(out, nameBytes);
        out += static_cast<char>(type);
        out += '\1'; // black
        for (uint32_t v : {kFree, kFree, child})
            put32(out, v);
        out += std::string(36, '\0');
        for (uint32_t v : {start, size, 0u})
            put32(out, v);
        return out;
    };
    std::string directory = entry(u"Root Entry", 5, 1, kEnd, 0) +
                            entry(u"Workbook", 2, kFree, firstData, static_cast<uint32_t>(stream.size()));
    directory.resize(kSector, '\0');
    stream.resize(static_cast<std::size_t>(dataSectors) * kSector, '\0');
    return header + fat + directory + stream;
}

inline std::string writeWorkbook(const std::string& path, const std::string& cells,
                                 const std::string& sheetName = "Sheet1") {
    std::ofstream(path, std::ios::binary) << compoundFile(workbookStream(cells, sheetName));
    return path;
}

} // namespace xlsbook
