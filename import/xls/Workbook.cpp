// The project's reader of legacy binary workbooks: BIFF8 and BIFF5 records inside an OLE2 compound file.
// Every record length and every offset is checked against the stream before a byte is read.
#include "import/xls/Workbook.h"

#include "import/Streams.h"
#include "import/xls/CompoundFile.h"
#include "import/xls/Text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace xls {
namespace {

constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kSst = 0x00FC;
constexpr uint16_t kContinue = 0x003C;
constexpr uint16_t kFormat = 0x041E;
constexpr uint16_t kXf = 0x00E0;
constexpr uint16_t kDateMode = 0x0022;
constexpr uint16_t kCodePage = 0x0042;
constexpr uint16_t kFilePass = 0x002F;
constexpr uint16_t kMulRk = 0x00BD;
constexpr uint16_t kString = 0x0207;

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
double f64(const uint8_t* p) {
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | p[i];
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

double rkValue(uint32_t rk) {
    double v = 0;
    if (rk & 0x02) {
        v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        const uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 0x01) ? v / 100 : v;
}

struct Record {
    uint16_t id = 0;
    const uint8_t* data = nullptr;
    uint16_t size = 0;
};

// Walks the records of a stream; a header or body that would run past the end is an error.
class Records {
  public:
    Records(const std::vector<uint8_t>& s, size_t at) : s_(s), at_(at) {}
    // false at the end of the stream or (with `error` set) at a damaged record.
    bool next(Record& r, std::string& error) {
        if (at_ >= s_.size())
            return false;
        if (s_.size() - at_ < 4) {
            error = "record header runs past the end of the workbook";
            return false;
        }
        r.id = u16(s_.data() + at_);
        r.size = u16(s_.data() + at_ + 2);
        if (s_.size() - at_ - 4 < r.size) {
            error = "record runs past the end of the workbook";
            return false;
        }
        r.data = s_.data() + at_ + 4;
        at_ += 4 + size_t{r.size};
        return true;
    }
    bool peekId(uint16_t& id) const {
        if (s_.size() - std::min(at_, s_.size()) < 4)
            return false;
        id = u16(s_.data() + at_);
        return true;
    }

  private:
    const std::vector<uint8_t>& s_;
    size_t at_;
};

// Reads across a record and its CONTINUE records. Strings whose characters cross into the next
// record pick up a fresh option byte there (the characters may switch between 8 and 16 bits).
class Segments {
  public:
    void add(const uint8_t* p, size_t n) { segs_.push_back({p, n}); }
    bool atEnd() {
        skipEmpty();
        return seg_ >= segs_.size();
    }
    bool bytes(uint8_t* out, size_t n) {
        while (n > 0) {
            skipEmpty();
            if (seg_ >= segs_.size())
                return false;
            const size_t take = std::min(n, segs_[seg_].n - pos_);
            std::memcpy(out, segs_[seg_].p + pos_, take);
            out += take;
            n -= take;
            pos_ += take;
        }
        return true;
    }
    bool u8(uint8_t& v) { return bytes(&v, 1); }
    bool u16v(uint16_t& v) {
        uint8_t b[2];
        if (!bytes(b, 2))
            return false;
        v = u16(b);
        return true;
    }
    bool u32v(uint32_t& v) {
        uint8_t b[4];
        if (!bytes(b, 4))
            return false;
        v = u32(b);
        return true;
    }
    bool skip(uint64_t n) {
        while (n > 0) {
            skipEmpty();
            if (seg_ >= segs_.size())
                return false;
            const size_t take = static_cast<size_t>(std::min<uint64_t>(n, segs_[seg_].n - pos_));
            pos_ += take;
            n -= take;
        }
        return true;
    }

    // A BIFF8 unicode string whose character count the caller has read.
    bool unicode(size_t count, std::string& out) {
        uint8_t flags = 0;
        if (!u8(flags))
            return false;
        uint16_t runs = 0;
        uint32_t extra = 0;
        if ((flags & 0x08) && !u16v(runs))
            return false;
        if ((flags & 0x04) && !u32v(extra))
            return false;
        std::u16string units;
        units.reserve(std::min<size_t>(count, 8224));
        bool wide = flags & 0x01;
        size_t left = count;
        while (left > 0) {
            if (seg_ >= segs_.size())
                return false;
            if (pos_ >= segs_[seg_].n) {
                ++seg_;
                pos_ = 0;
                if (seg_ >= segs_.size() || segs_[seg_].n == 0)
                    return false;
                wide = segs_[seg_].p[pos_++] & 0x01;
            }
            const size_t avail = segs_[seg_].n - pos_;
            const size_t n = std::min(left, wide ? avail / 2 : avail);
            if (n == 0)
                return false;
            const uint8_t* p = segs_[seg_].p + pos_;
            for (size_t i = 0; i < n; ++i)
                units += wide ? static_cast<char16_t>(u16(p + 2 * i)) : static_cast<char16_t>(p[i]);
            pos_ += wide ? 2 * n : n;
            left -= n;
        }
        out = utf16ToUtf8(units);
        return skip(uint64_t{runs} * 4 + extra);
    }

    // A string of single bytes in the workbook's code page (BIFF5).
    bool narrow(size_t count, uint16_t codePage, std::string& out) {
        std::string raw(count, '\0');
        if (!bytes(reinterpret_cast<uint8_t*>(raw.data()), count))
            return false;
        out = codePageToUtf8(raw, codePage);
        return true;
    }

  private:
    void skipEmpty() {
        while (seg_ < segs_.size() && pos_ >= segs_[seg_].n) {
            ++seg_;
            pos_ = 0;
        }
    }
    struct Seg {
        const uint8_t* p;
        size_t n;
    };
    std::vector<Seg> segs_;
    size_t seg_ = 0;
    size_t pos_ = 0;
};

Segments one(const Record& r, size_t from) {
    Segments s;
    if (from <= r.size)
        s.add(r.data + from, r.size - from);
    return s;
}

// A string with a 16-bit (BIFF8: 8- or 16-bit) character count, as in LABEL, STRING and FORMAT.
bool readString(Segments& s, bool biff8, bool shortCount, uint16_t codePage, std::string& out) {
    size_t count = 0;
    if (shortCount) {
        uint8_t c = 0;
        if (!s.u8(c))
            return false;
        count = c;
    } else {
        uint16_t c = 0;
        if (!s.u16v(c))
            return false;
        count = c;
    }
    return biff8 ? s.unicode(count, out) : s.narrow(count, codePage, out);
}

std::string summaryText(const std::vector<uint8_t>& s, size_t at, uint16_t codePage) {
    if (at + 8 > s.size())
        return {};
    const uint32_t type = u32(s.data() + at);
    const uint32_t size = u32(s.data() + at + 4);
    if (type == 0x1E) {
        if (size > s.size() - at - 8)
            return {};
        std::string raw(reinterpret_cast<const char*>(s.data() + at + 8), size);
        raw.resize(std::strlen(raw.c_str()));
        if (codePage == 65001)
            return isValidUtf8(raw) ? raw : codePageToUtf8(raw, 1252);
        if (codePage == 1200) {
            std::u16string units;
            for (size_t i = 0; i + 1 < raw.size(); i += 2)
                units += static_cast<char16_t>(u16(reinterpret_cast<const uint8_t*>(raw.data()) + i));
            return utf16ToUtf8(units);
        }
        return codePageToUtf8(raw, codePage);
    }
    if (type == 0x1F) {
        if (size > (s.size() - at - 8) / 2)
            return {};
        std::u16string units;
        for (size_t i = 0; i < size; ++i) {
            const char16_t c = u16(s.data() + at + 8 + 2 * i);
            if (c == 0)
                break;
            units += c;
        }
        return utf16ToUtf8(units);
    }
    return {};
}

// Reads the first section of a property-set stream: property id -> text.
std::map<uint32_t, std::string> propertyTexts(const std::vector<uint8_t>& s) {
    std::map<uint32_t, std::string> out;
    if (s.size() < 48 || u16(s.data()) != 0xFFFE || u32(s.data() + 24) == 0)
        return out;
    const size_t section = u32(s.data() + 44);
    if (section > s.size() || s.size() - section < 8)
        return out;
    const uint32_t count = u32(s.data() + section + 4);
    if (count > (s.size() - section - 8) / 8)
        return out;
    uint16_t codePage = 1252;
    std::vector<std::pair<uint32_t, size_t>> props;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* p = s.data() + section + 8 + 8 * i;
        const size_t at = section + size_t{u32(p + 4)};
        if (at >= s.size())
            continue;
        if (u32(p) == 1 && at + 6 <= s.size() && u32(s.data() + at) == 0x02)
            codePage = u16(s.data() + at + 4);
        props.emplace_back(u32(p), at);
    }
    for (const auto& [id, at] : props)
        if (id != 1)
            out[id] = summaryText(s, at, codePage);
    return out;
}

} // namespace

std::string numberText(double value) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string errorLiteral(int code) {
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    case 0x2A:
        return "#N/A";
    case 0x2B:
        return "#GETTING_DATA";
    default:
        return "#N/A";
    }
}

Worksheet::Worksheet(std::vector<Cell> cells) : cells_(std::move(cells)) {
    auto before = [](const Cell& a, const Cell& b) { return a.row != b.row ? a.row < b.row : a.col < b.col; };
    auto samePlace = [](const Cell& a, const Cell& b) { return a.row == b.row && a.col == b.col; };
    // Writers store cells in order, so sorting and merging are usually skipped.
    if (!std::is_sorted(cells_.begin(), cells_.end(), before))
        std::stable_sort(cells_.begin(), cells_.end(), before);
    if (std::adjacent_find(cells_.begin(), cells_.end(), samePlace) != cells_.end()) {
        // Keep the last record written for a position.
        std::vector<Cell> unique;
        unique.reserve(cells_.size());
        for (auto& c : cells_) {
            if (!unique.empty() && samePlace(unique.back(), c))
                unique.back() = std::move(c);
            else
                unique.push_back(std::move(c));
        }
        cells_ = std::move(unique);
    }
    for (const auto& c : cells_) {
        lastRow_ = std::max(lastRow_, c.row);
        lastCol_ = std::max(lastCol_, c.col);
    }
}

const Cell* Worksheet::cellAt(uint16_t row, uint16_t col) const {
    auto it = std::lower_bound(cells_.begin(), cells_.end(), std::make_pair(row, col),
                               [](const Cell& c, const std::pair<uint16_t, uint16_t>& key) {
                                   return c.row != key.first ? c.row < key.first : c.col < key.second;
                               });
    if (it == cells_.end() || it->row != row || it->col != col)
        return nullptr;
    return &*it;
}

const char* Workbook::version() {
    return "ovrida-xls 1.0";
}

std::unique_ptr<Workbook> Workbook::open(const std::string& path, std::string& error) {
    // Only a regular file: a device or pipe would be read without end, a folder fails only on reading.
    const int fd = openRegularFile(path, error);
    if (fd < 0)
        return nullptr;
    std::vector<uint8_t> bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        bytes.reserve(static_cast<size_t>(st.st_size));
    uint8_t chunk[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = "The file \"" + path + "\" could not be read: " + std::strerror(errno);
            ::close(fd);
            return nullptr;
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    return openMemory(std::move(bytes), error);
}

std::unique_ptr<Workbook> Workbook::openMemory(std::vector<uint8_t> bytes, std::string& error) {
    auto cf = CompoundFile::parse(std::move(bytes), error);
    if (!cf)
        return nullptr;
    auto stream = cf->stream({u"Workbook", u"Book"}, error);
    if (!stream) {
        if (error == "stream not found")
            error = "no workbook stream";
        return nullptr;
    }
    auto wb = std::unique_ptr<Workbook>(new Workbook);
    wb->stream_ = std::move(*stream);
    if (!wb->parseGlobals(error))
        return nullptr;
    std::string ignored;
    if (auto s = cf->stream({u"\x05SummaryInformation"}, ignored)) {
        auto p = propertyTexts(*s);
        wb->summary_.title = p[2];
        wb->summary_.subject = p[3];
        wb->summary_.author = p[4];
        wb->summary_.keywords = p[5];
        wb->summary_.comment = p[6];
        wb->summary_.lastAuthor = p[8];
        wb->summary_.appName = p[18];
    }
    if (auto s = cf->stream({u"\x05DocumentSummaryInformation"}, ignored)) {
        auto p = propertyTexts(*s);
        wb->summary_.category = p[2];
        wb->summary_.manager = p[14];
        wb->summary_.company = p[15];
    }
    return wb;
}

bool Workbook::parseGlobals(std::string& error) {
    Records records(stream_, 0);
    Record r;
    if (!records.next(r, error)) {
        if (error.empty())
            error = "empty workbook stream";
        return false;
    }
    if (r.id != kBof || r.size < 4) {
        error = (r.id == 0x0009 || r.id == 0x0209 || r.id == 0x0409)
                    ? "workbook format older than BIFF5"
                    : "workbook stream does not start with BOF";
        return false;
    }
    const uint16_t version = u16(r.data);
    if (version == 0x0500)
        biff8_ = false;
    else if (version != 0x0600) {
        error = "unsupported BIFF version";
        return false;
    }
    for (;;) {
        if (!records.next(r, error)) {
            if (error.empty())
                error = "workbook globals end without EOF";
            return false;
        }
        switch (r.id) {
        case kEof:
            return true;
        case kFilePass:
            error = "workbook is encrypted";
            return false;
        case kCodePage:
            if (r.size >= 2)
                codePage_ = u16(r.data);
            break;
        case kDateMode:
            if (r.size >= 2)
                is1904_ = u16(r.data) != 0;
            break;
        case kXf:
            if (r.size < 4) {
                error = "short XF record";
                return false;
            }
            xfFormats_.push_back(u16(r.data + 2));
            break;
        case kFormat: {
            if (r.size < 2) {
                error = "short FORMAT record";
                return false;
            }
            Segments s = one(r, 2);
            std::string text;
            if (!readString(s, biff8_, !biff8_, codePage_, text)) {
                error = "damaged FORMAT record";
                return false;
            }
            formats_[u16(r.data)] = std::move(text);
            break;
        }
        case kBoundSheet: {
            if (r.size < 6) {
                error = "short BOUNDSHEET record";
                return false;
            }
            SheetInfo info;
            info.offset = u32(r.data);
            info.visibility = r.data[4];
            info.type = r.data[5];
            Segments s = one(r, 6);
            if (!readString(s, biff8_, true, codePage_, info.name)) {
                error = "damaged BOUNDSHEET record";
                return false;
            }
            sheets_.push_back(std::move(info));
            break;
        }
        case kSst: {
            if (r.size < 8) {
                error = "short SST record";
                return false;
            }
            const uint32_t unique = u32(r.data + 4);
            Segments s = one(r, 8);
            uint16_t next = 0;
            while (records.peekId(next) && next == kContinue) {
                Record c;
                if (!records.next(c, error))
                    return false;
                s.add(c.data, c.size);
            }
            // Each string takes at least three bytes, so the count cannot make us reserve much.
            for (uint32_t i = 0; i < unique; ++i) {
                if (s.atEnd())
                    break; // a table shorter than announced keeps the strings it has
                std::string text;
                if (!readString(s, true, false, codePage_, text)) {
                    error = "damaged shared-string table";
                    return false;
                }
                sst_.push_back(std::move(text));
            }
            break;
        }
        default:
            break;
        }
    }
}

std::unique_ptr<Worksheet> Workbook::parseWorksheet(size_t index, std::string& error) const {
    if (index >= sheets_.size()) {
        error = "sheet index out of range";
        return nullptr;
    }
    const size_t offset = sheets_[index].offset;
    if (offset >= stream_.size()) {
        error = "sheet offset outside the workbook";
        return nullptr;
    }
    Records records(stream_, offset);
    Record r;
    if (!records.next(r, error) || r.id != kBof) {
        if (error.empty())
            error = "sheet does not start with BOF";
        return nullptr;
    }
    std::vector<Cell> cells;
    constexpr size_t kNone = SIZE_MAX;
    size_t pendingString = kNone; // a formula whose string result follows in a STRING record
    int depth = 1;                // embedded charts bring their own BOF ... EOF
    auto add = [&](Cell c) {
        pendingString = kNone;
        cells.push_back(std::move(c));
    };
    auto head = [&](Cell& c) {
        c.id = r.id;
        c.row = u16(r.data);
        c.col = u16(r.data + 2);
        c.xf = u16(r.data + 4);
    };
    auto need = [&](size_t n, const char* what) {
        if (r.size >= n)
            return true;
        error = std::string("short ") + what + " record";
        return false;
    };
    for (;;) {
        if (!records.next(r, error)) {
            if (error.empty())
                error = "sheet ends without EOF";
            return nullptr;
        }
        if (r.id == kBof) {
            ++depth;
            continue;
        }
        if (r.id == kEof) {
            if (--depth == 0)
                break;
            continue;
        }
        if (depth > 1)
            continue;
        switch (r.id) {
        case kNumber: {
            if (!need(14, "NUMBER"))
                return nullptr;
            Cell c;
            head(c);
            c.d = f64(r.data + 6);
            c.str = numberText(c.d);
            add(std::move(c));
            break;
        }
        case kRk: {
            if (!need(10, "RK"))
                return nullptr;
            Cell c;
            head(c);
            c.d = rkValue(u32(r.data + 6));
            c.str = numberText(c.d);
            add(std::move(c));
            break;
        }
        case kMulRk: {
            if (!need(6, "MULRK"))
                return nullptr;
            if ((r.size - 6) % 6 != 0) {
                error = "damaged MULRK record";
                return nullptr;
            }
            const uint16_t row = u16(r.data);
            const uint16_t first = u16(r.data + 2);
            const size_t n = (r.size - 6) / 6;
            if (first + n - 1 > 0xFFFF) {
                error = "MULRK columns out of range";
                return nullptr;
            }
            for (size_t i = 0; i < n; ++i) {
                const uint8_t* p = r.data + 4 + 6 * i;
                Cell c;
                c.id = kRk;
                c.row = row;
                c.col = static_cast<uint16_t>(first + i);
                c.xf = u16(p);
                c.d = rkValue(u32(p + 2));
                c.str = numberText(c.d);
                add(std::move(c));
            }
            break;
        }
        case kLabel:
        case kRString: {
            if (!need(8, "LABEL"))
                return nullptr;
            Cell c;
            head(c);
            Segments s = one(r, 6);
            if (!readString(s, biff8_, false, codePage_, c.str)) {
                error = "damaged LABEL record";
                return nullptr;
            }
            add(std::move(c));
            break;
        }
        case kLabelSst: {
            if (!need(10, "LABELSST"))
                return nullptr;
            Cell c;
            head(c);
            const uint32_t index = u32(r.data + 6);
            if (index >= sst_.size()) {
                error = "shared-string index out of range";
                return nullptr;
            }
            c.l = static_cast<int32_t>(index);
            c.str = sst_[index];
            add(std::move(c));
            break;
        }
        case kBoolErr: {
            if (!need(8, "BOOLERR"))
                return nullptr;
            Cell c;
            head(c);
            c.l = 1;
            c.d = r.data[6];
            c.str = r.data[7] ? "error" : "bool";
            add(std::move(c));
            break;
        }
        case kFormula: {
            if (!need(16, "FORMULA"))
                return nullptr;
            Cell c;
            head(c);
            const uint8_t* v = r.data + 6;
            const bool special = u16(v + 6) == 0xFFFF;
            if (!special) {
                c.d = f64(v);
                c.str = numberText(c.d);
                add(std::move(c));
                break;
            }
            c.l = 1;
            switch (v[0]) {
            case 0: // the text comes in the STRING record that follows
                add(std::move(c));
                pendingString = cells.size() - 1;
                break;
            case 1:
                c.d = v[2];
                c.str = "bool";
                add(std::move(c));
                break;
            case 2:
                c.d = v[2];
                c.str = "error";
                add(std::move(c));
                break;
            default: // an empty string result
                add(std::move(c));
                break;
            }
            break;
        }
        case kString: {
            if (pendingString == kNone)
                break;
            Segments s = one(r, 0);
            uint16_t next = 0;
            while (records.peekId(next) && next == kContinue) {
                Record c;
                if (!records.next(c, error))
                    return nullptr;
                s.add(c.data, c.size);
            }
            std::string text;
            if (!readString(s, biff8_, false, codePage_, text)) {
                error = "damaged STRING record";
                return nullptr;
            }
            cells[pendingString].str = std::move(text);
            pendingString = kNone;
            break;
        }
        default:
            break;
        }
    }
    return std::make_unique<Worksheet>(std::move(cells));
}

} // namespace xls
