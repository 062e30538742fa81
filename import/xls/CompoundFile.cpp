// Reads named streams out of an OLE2 compound file held in memory.
// Chains are followed with a visited mark per sector, so a loop in any table ends in an error, not a hang.
#include "import/xls/CompoundFile.h"

#include <algorithm>
#include <cstring>

namespace xls {
namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

bool sameName(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

} // namespace

bool CompoundFile::sectorSpan(uint32_t sector, size_t& offset, size_t& length) const {
    if (sector > kMaxRegularSector)
        return false;
    const uint64_t size = uint64_t{1} << sectorShift_;
    const uint64_t start = (uint64_t{sector} + 1) << sectorShift_;
    if (start >= bytes_.size())
        return false;
    offset = static_cast<size_t>(start);
    // The last sector of a file may be cut short by its writer; only bytes that exist are handed out.
    length = static_cast<size_t>(std::min<uint64_t>(size, bytes_.size() - start));
    return true;
}

bool CompoundFile::readChain(const std::vector<uint32_t>& table, uint32_t start, uint64_t size, bool mini,
                             std::vector<uint8_t>& out, std::string& error) const {
    out.clear();
    const uint64_t sectorSize = mini ? 64 : (uint64_t{1} << sectorShift_);
    const uint64_t limit = mini ? miniStream_.size() : bytes_.size();
    if (size > limit) {
        error = "stream is larger than the file";
        return false;
    }
    out.reserve(static_cast<size_t>(size));
    std::vector<bool> seen(table.size(), false);
    uint32_t sector = start;
    while (out.size() < size) {
        if (sector == kEndOfChain || sector >= table.size()) {
            error = "sector chain ends before the stream does";
            return false;
        }
        if (seen[sector]) {
            error = "sector chain loops";
            return false;
        }
        seen[sector] = true;
        const uint64_t want = std::min<uint64_t>(sectorSize, size - out.size());
        if (mini) {
            const uint64_t offset = uint64_t{sector} * 64;
            if (offset + want > miniStream_.size()) {
                error = "mini sector outside the mini stream";
                return false;
            }
            out.insert(out.end(), miniStream_.begin() + static_cast<ptrdiff_t>(offset),
                       miniStream_.begin() + static_cast<ptrdiff_t>(offset + want));
        } else {
            size_t offset = 0, length = 0;
            if (!sectorSpan(sector, offset, length) || length < want) {
                error = "sector outside the file";
                return false;
            }
            out.insert(out.end(), bytes_.begin() + static_cast<ptrdiff_t>(offset),
                       bytes_.begin() + static_cast<ptrdiff_t>(offset + want));
        }
        sector = table[sector];
    }
    return true;
}

std::optional<CompoundFile> CompoundFile::parse(std::vector<uint8_t> bytes, std::string& error) {
    if (bytes.size() < 512 || std::memcmp(bytes.data(), kSignature, 8) != 0) {
        error = "not a compound file";
        return std::nullopt;
    }
    CompoundFile cf;
    cf.bytes_ = std::move(bytes);
    const uint8_t* h = cf.bytes_.data();
    cf.sectorShift_ = u16(h + 0x1E);
    const uint32_t miniShift = u16(h + 0x20);
    if ((cf.sectorShift_ != 9 && cf.sectorShift_ != 12) || miniShift != 6 || u16(h + 0x1C) != 0xFFFE) {
        error = "unsupported compound file header";
        return std::nullopt;
    }
    cf.miniCutoff_ = u32(h + 0x38);
    const uint32_t fatCount = u32(h + 0x2C);
    const uint32_t firstDir = u32(h + 0x30);
    const uint32_t firstMiniFat = u32(h + 0x3C);
    const uint32_t miniFatCount = u32(h + 0x40);
    uint32_t difatSector = u32(h + 0x44);
    const uint32_t difatCount = u32(h + 0x48);
    const size_t sectorSize = size_t{1} << cf.sectorShift_;
    const size_t sectorsInFile = cf.bytes_.size() / sectorSize + 1;
    if (fatCount > sectorsInFile || difatCount > sectorsInFile || miniFatCount > sectorsInFile) {
        error = "allocation table counts exceed the file";
        return std::nullopt;
    }

    // The FAT's own sector list: 109 entries in the header, then the DIFAT chain.
    std::vector<uint32_t> fatSectors;
    for (uint32_t i = 0; i < 109 && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(u32(h + 0x4C + 4 * i));
    std::vector<uint32_t> difatSeen;
    while (fatSectors.size() < fatCount) {
        if (difatSeen.size() >= difatCount ||
            std::find(difatSeen.begin(), difatSeen.end(), difatSector) != difatSeen.end()) {
            error = "broken DIFAT chain";
            return std::nullopt;
        }
        difatSeen.push_back(difatSector);
        size_t offset = 0, length = 0;
        if (!cf.sectorSpan(difatSector, offset, length) || length < sectorSize) {
            error = "DIFAT sector outside the file";
            return std::nullopt;
        }
        const size_t perSector = sectorSize / 4 - 1;
        for (size_t i = 0; i < perSector && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(u32(cf.bytes_.data() + offset + 4 * i));
        difatSector = u32(cf.bytes_.data() + offset + 4 * perSector);
    }
    cf.fat_.reserve(fatSectors.size() * (sectorSize / 4));
    for (uint32_t s : fatSectors) {
        size_t offset = 0, length = 0;
        if (!cf.sectorSpan(s, offset, length) || length < sectorSize) {
            error = "FAT sector outside the file";
            return std::nullopt;
        }
        for (size_t i = 0; i < sectorSize / 4; ++i)
            cf.fat_.push_back(u32(cf.bytes_.data() + offset + 4 * i));
    }

    // The directory has no recorded size: its chain is read to its end (bounded by the FAT's length).
    std::vector<uint8_t> dir;
    {
        std::vector<bool> seen(cf.fat_.size(), false);
        uint32_t s = firstDir;
        while (s != kEndOfChain) {
            if (s >= cf.fat_.size() || seen[s]) {
                error = "broken directory chain";
                return std::nullopt;
            }
            seen[s] = true;
            size_t offset = 0, length = 0;
            if (!cf.sectorSpan(s, offset, length) || length < sectorSize) {
                error = "directory sector outside the file";
                return std::nullopt;
            }
            dir.insert(dir.end(), cf.bytes_.begin() + static_cast<ptrdiff_t>(offset),
                       cf.bytes_.begin() + static_cast<ptrdiff_t>(offset + sectorSize));
            s = cf.fat_[s];
        }
    }
    const bool version3 = cf.sectorShift_ == 9;
    for (size_t at = 0; at + 128 <= dir.size(); at += 128) {
        const uint8_t* e = dir.data() + at;
        Entry entry;
        entry.type = e[0x42];
        const uint16_t nameBytes = u16(e + 0x40);
        if (entry.type == 0)
            continue;
        if (nameBytes > 64 || nameBytes % 2 != 0) {
            error = "bad directory entry name";
            return std::nullopt;
        }
        for (uint16_t i = 0; i + 2 <= nameBytes; i += 2) {
            const char16_t c = u16(e + i);
            if (c == 0)
                break;
            entry.name += c;
        }
        entry.start = u32(e + 0x74);
        entry.size = version3 ? u32(e + 0x78) : (uint64_t{u32(e + 0x78)} | (uint64_t{u32(e + 0x7C)} << 32));
        cf.entries_.push_back(std::move(entry));
    }
    if (cf.entries_.empty() || cf.entries_.front().type != 5) {
        error = "compound file without a root entry";
        return std::nullopt;
    }

    // The mini stream and its table are small; reading them here keeps stream() const and simple.
    const Entry& root = cf.entries_.front();
    if (miniFatCount > 0 && firstMiniFat != kEndOfChain && firstMiniFat != kFreeSector) {
        std::vector<uint8_t> raw;
        if (!cf.readChain(cf.fat_, firstMiniFat, uint64_t{miniFatCount} * sectorSize, false, raw, error))
            return std::nullopt;
        cf.miniFat_.resize(raw.size() / 4);
        for (size_t i = 0; i < cf.miniFat_.size(); ++i)
            cf.miniFat_[i] = u32(raw.data() + 4 * i);
        if (root.size > 0 && !cf.readChain(cf.fat_, root.start, root.size, false, cf.miniStream_, error))
            return std::nullopt;
    }
    return cf;
}

std::optional<std::vector<uint8_t>> CompoundFile::stream(const std::vector<std::u16string>& names,
                                                         std::string& error) const {
    for (const auto& wanted : names) {
        for (const auto& entry : entries_) {
            if (entry.type != 2 || !sameName(entry.name, wanted))
                continue;
            std::vector<uint8_t> out;
            const bool mini = entry.size < miniCutoff_;
            if (!readChain(mini ? miniFat_ : fat_, entry.start, entry.size, mini, out, error))
                return std::nullopt;
            return out;
        }
    }
    error = "stream not found";
    return std::nullopt;
}

} // namespace xls
