// A minimal JSON reader for the expected-value files that reference tools wrote beside the fixtures.
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testjson {

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool b = false;
    double n = 0;
    std::string s;
    std::vector<Value> a;
    std::map<std::string, Value> o;

    const Value& operator[](const std::string& key) const { return o.at(key); }
    const Value& operator[](size_t i) const { return a.at(i); }
};

class Parser {
  public:
    explicit Parser(std::string text) : t_(std::move(text)) {}
    Value parse() {
        Value v = value();
        ws();
        if (i_ != t_.size())
            throw std::runtime_error("trailing text in JSON");
        return v;
    }

  private:
    void ws() {
        while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\n' || t_[i_] == '\r' || t_[i_] == '\t'))
            ++i_;
    }
    char peek() {
        ws();
        if (i_ >= t_.size())
            throw std::runtime_error("JSON ends early");
        return t_[i_];
    }
    void expect(char c) {
        if (peek() != c)
            throw std::runtime_error(std::string("JSON: expected ") + c);
        ++i_;
    }
    static void utf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    std::string string() {
        expect('"');
        std::string out;
        while (i_ < t_.size() && t_[i_] != '"') {
            char c = t_[i_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            char e = t_.at(i_++);
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                unsigned cp = std::stoul(t_.substr(i_, 4), nullptr, 16);
                i_ += 4;
                if (cp >= 0xD800 && cp < 0xDC00 && t_.compare(i_, 2, "\\u") == 0) {
                    unsigned lo = std::stoul(t_.substr(i_ + 2, 4), nullptr, 16);
                    i_ += 6;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                }
                utf8(out, cp);
                break;
            }
            default:
                out += e;
                break;
            }
        }
        expect('"');
        return out;
    }
    Value value() {
        Value v;
        char c = peek();
        if (c == '{') {
            v.kind = Value::Object;
            ++i_;
            if (peek() == '}') {
                ++i_;
                return v;
            }
            for (;;) {
                std::string k = string();
                expect(':');
                v.o[k] = value();
                if (peek() == ',') {
                    ++i_;
                    continue;
                }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = Value::Array;
            ++i_;
            if (peek() == ']') {
                ++i_;
                return v;
            }
            for (;;) {
                v.a.push_back(value());
                if (peek() == ',') {
                    ++i_;
                    continue;
                }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = Value::String;
            v.s = string();
            return v;
        }
        if (t_.compare(i_, 4, "true") == 0 || t_.compare(i_, 5, "false") == 0) {
            v.kind = Value::Bool;
            v.b = t_[i_] == 't';
            i_ += v.b ? 4 : 5;
            return v;
        }
        if (t_.compare(i_, 4, "null") == 0) {
            i_ += 4;
            return v;
        }
        v.kind = Value::Number;
        size_t used = 0;
        v.n = std::stod(t_.substr(i_, 40), &used); // JSON numbers from Python are C-locale texts
        i_ += used;
        return v;
    }
    std::string t_;
    size_t i_ = 0;
};

inline Value readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    std::stringstream ss;
    ss << in.rdbuf();
    return Parser(ss.str()).parse();
}

} // namespace testjson
