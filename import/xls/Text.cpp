// Text conversions for workbook records: UTF-16 code units and legacy code pages to UTF-8.
#include "import/xls/Text.h"

#include "platform/foundation/Utf8.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace xls {

std::string utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        foundation::appendUtf8(out, u);
    }
    return out;
}

namespace {

// The upper half of Windows-1252; unassigned positions map to themselves as Latin-1 does.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        char32_t cp = c;
        if (c >= 0x80 && c < 0xA0)
            cp = kCp1252High[c - 0x80];
        foundation::appendUtf8(out, cp);
    }
    return out;
}

bool isAscii(std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c >= 0x80)
            return false;
    return true;
}

std::string iconvToUtf8(std::string_view bytes, const std::string& from, bool& ok) {
    ok = false;
    iconv_t cd = iconv_open("UTF-8", from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string out(bytes.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0)
        return {};
    out.resize(out.size() - outLeft);
    ok = isValidUtf8(out);
    return out;
}

} // namespace

std::string codePageToUtf8(std::string_view bytes, uint16_t codePage) {
    if (isAscii(bytes))
        return std::string(bytes);
    // 1200 is UTF-16 in name only for 8-bit records; 1252 and 0x8000-range Mac pages are common.
    if (codePage == 1252 || codePage == 1200 || codePage == 0)
        return cp1252ToUtf8(bytes);
    if (codePage == 65001 && isValidUtf8(bytes))
        return std::string(bytes);
    std::string name;
    if (codePage == 367)
        name = "ASCII";
    else if (codePage == 0x8000 || codePage == 10000)
        name = "MACINTOSH";
    else
        name = "CP" + std::to_string(codePage);
    bool ok = false;
    std::string out = iconvToUtf8(bytes, name, ok);
    return ok ? out : cp1252ToUtf8(bytes);
}

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        auto c = static_cast<unsigned char>(bytes[i]);
        size_t n = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        for (size_t k = 1; k <= n; ++k) {
            if (i + k >= bytes.size())
                return false;
            auto cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

} // namespace xls
