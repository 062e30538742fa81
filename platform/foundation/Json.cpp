// JSON writing and a strict recursive-descent reader, both in the C locale.
#include "Json.h"

#include "platform/foundation/Utf8.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace foundation {
namespace {

void writeString(std::string& out, std::string_view s) {
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

void write(std::string& out, const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Null: out += "null"; return;
    case Value::Kind::Bool: out += v.toBool() ? "true" : "false"; return;
    case Value::Kind::Integer: out += std::to_string(v.toInt64()); return;
    case Value::Kind::Unsigned: out += std::to_string(v.toUInt64()); return;
    case Value::Kind::Decimal: {
        auto d = v.toDecimal();
        out += d.isNaN() ? "null" : d.toString();
        return;
    }
    case Value::Kind::Double: {
        double d = v.toDouble();
        if (!std::isfinite(d)) {
            out += "null";
            return;
        }
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, d);
        std::string_view digits(buf, static_cast<std::size_t>(r.ptr - buf));
        out += digits;
        // Keep doubles doubles across a round trip.
        if (digits.find_first_of(".eE") == std::string_view::npos)
            out += ".0";
        return;
    }
    case Value::Kind::String: writeString(out, v.string()); return;
    case Value::Kind::Array: {
        out += '[';
        bool first = true;
        for (auto& e : v.array()) {
            if (!first)
                out += ',';
            first = false;
            write(out, e);
        }
        out += ']';
        return;
    }
    case Value::Kind::Dictionary: {
        out += '{';
        bool first = true;
        for (auto& [k, e] : v.dictionary()) {
            if (!first)
                out += ',';
            first = false;
            writeString(out, k);
            out += ':';
            write(out, e);
        }
        out += '}';
        return;
    }
    }
}

struct Reader {
    std::string_view s;
    std::size_t i = 0;
    int depth = 0;

    void skip() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\n' || s[i] == '\r' || s[i] == '\t'))
            ++i;
    }
    bool literal(std::string_view word) {
        if (s.substr(i, word.size()) != word)
            return false;
        i += word.size();
        return true;
    }
    bool hex4(unsigned& cp) {
        if (i + 4 > s.size())
            return false;
        auto r = std::from_chars(s.data() + i, s.data() + i + 4, cp, 16);
        if (r.ptr != s.data() + i + 4)
            return false;
        i += 4;
        return true;
    }
    std::optional<std::string> string() {
        if (i >= s.size() || s[i] != '"')
            return std::nullopt;
        ++i;
        std::string out;
        while (i < s.size()) {
            char c = s[i++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i >= s.size())
                return std::nullopt;
            char e = s[i++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned cp = 0;
                if (!hex4(cp))
                    return std::nullopt;
                if (cp >= 0xD800 && cp < 0xDC00) {
                    unsigned low = 0;
                    if (!literal("\\u") || !hex4(low) || low < 0xDC00 || low >= 0xE000)
                        return std::nullopt;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp < 0xE000) {
                    return std::nullopt;
                }
                appendUtf8(out, static_cast<char32_t>(cp));
                break;
            }
            default: return std::nullopt;
            }
        }
        return std::nullopt;
    }
    std::optional<Value> number() {
        std::size_t start = i;
        if (i < s.size() && s[i] == '-')
            ++i;
        bool isDouble = false;
        while (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || s[i] == '.' || s[i] == 'e' || s[i] == 'E' ||
                                s[i] == '+' || s[i] == '-')) {
            if (s[i] == '.' || s[i] == 'e' || s[i] == 'E')
                isDouble = true;
            ++i;
        }
        const char* b = s.data() + start;
        const char* e = s.data() + i;
        if (!isDouble) {
            std::int64_t n = 0;
            auto r = std::from_chars(b, e, n);
            if (r.ec == std::errc() && r.ptr == e)
                return Value(n);
        }
        double d = 0;
        auto r = std::from_chars(b, e, d);
        if (r.ec != std::errc() || r.ptr != e || b == e)
            return std::nullopt;
        return Value(d);
    }
    std::optional<Value> value() {
        if (++depth > 256)
            return std::nullopt;
        skip();
        std::optional<Value> result;
        if (i >= s.size()) {
            result = std::nullopt;
        } else if (s[i] == '{') {
            ++i;
            Value::Dictionary d;
            skip();
            if (i < s.size() && s[i] == '}') {
                ++i;
                result = Value(std::move(d));
            } else {
                for (;;) {
                    skip();
                    auto k = string();
                    skip();
                    if (!k || i >= s.size() || s[i] != ':')
                        return std::nullopt;
                    ++i;
                    auto v = value();
                    if (!v)
                        return std::nullopt;
                    d[*k] = std::move(*v);
                    skip();
                    if (i < s.size() && s[i] == ',') {
                        ++i;
                        continue;
                    }
                    if (i < s.size() && s[i] == '}') {
                        ++i;
                        break;
                    }
                    return std::nullopt;
                }
                result = Value(std::move(d));
            }
        } else if (s[i] == '[') {
            ++i;
            Value::Array a;
            skip();
            if (i < s.size() && s[i] == ']') {
                ++i;
            } else {
                for (;;) {
                    auto v = value();
                    if (!v)
                        return std::nullopt;
                    a.push_back(std::move(*v));
                    skip();
                    if (i < s.size() && s[i] == ',') {
                        ++i;
                        continue;
                    }
                    if (i < s.size() && s[i] == ']') {
                        ++i;
                        break;
                    }
                    return std::nullopt;
                }
            }
            result = Value(std::move(a));
        } else if (s[i] == '"') {
            auto str = string();
            if (str)
                result = Value(std::move(*str));
        } else if (literal("true")) {
            result = Value(true);
        } else if (literal("false")) {
            result = Value(false);
        } else if (literal("null")) {
            result = Value();
        } else {
            result = number();
        }
        --depth;
        return result;
    }
};

} // namespace

std::string toJson(const Value& value) {
    std::string out;
    write(out, value);
    return out;
}

std::optional<Value> fromJson(std::string_view text) {
    Reader r{text};
    auto v = r.value();
    r.skip();
    if (!v || r.i != text.size())
        return std::nullopt;
    return v;
}

} // namespace foundation
