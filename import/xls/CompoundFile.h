// Reads named streams out of an OLE2 compound file held in memory.
// Every sector number, chain and size is checked against the file, so a damaged file fails with a message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xls {

class CompoundFile {
  public:
    // Parses the header, the allocation tables and the directory; nullopt with `error` set when the
    // bytes are not a readable compound file.
    static std::optional<CompoundFile> parse(std::vector<uint8_t> bytes, std::string& error);

    // The contents of the first stream whose name matches one of `names` (compared without regard
    // to ASCII case), or nullopt with `error` set (missing stream, broken chain).
    std::optional<std::vector<uint8_t>> stream(const std::vector<std::u16string>& names,
                                               std::string& error) const;

  private:
    struct Entry {
        std::u16string name;
        uint8_t type = 0;
        uint32_t start = 0;
        uint64_t size = 0;
    };

    bool readChain(const std::vector<uint32_t>& table, uint32_t start, uint64_t size, bool mini,
                   std::vector<uint8_t>& out, std::string& error) const;
    bool sectorSpan(uint32_t sector, size_t& offset, size_t& length) const;

    std::vector<uint8_t> bytes_;
    uint32_t sectorShift_ = 9;
    uint32_t miniCutoff_ = 4096;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> miniFat_;
    std::vector<uint8_t> miniStream_;
    std::vector<Entry> entries_;
};

} // namespace xls
