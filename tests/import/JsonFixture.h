// Expected-value files that reference tools wrote beside the fixtures, read through the foundation's
// JSON reader into a shape that is short to index in tests (v["cells"][0].n).
#pragma once

#include "platform/foundation/Json.h"

#include <fstream>
#include <map>
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

inline Value fromFoundation(const foundation::Value& f) {
    using K = foundation::Value::Kind;
    Value v;
    switch (f.kind()) {
    case K::Null: break;
    case K::Bool: v.kind = Value::Bool; v.b = f.toBool(); break;
    case K::String: v.kind = Value::String; v.s = f.string(); break;
    case K::Array:
        v.kind = Value::Array;
        for (const auto& e : f.array())
            v.a.push_back(fromFoundation(e));
        break;
    case K::Dictionary:
        v.kind = Value::Object;
        for (const auto& [k, e] : f.dictionary())
            v.o.emplace(k, fromFoundation(e));
        break;
    default: v.kind = Value::Number; v.n = f.toDouble(); break;
    }
    return v;
}

inline Value readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    std::stringstream ss;
    ss << in.rdbuf();
    auto parsed = foundation::fromJson(ss.str());
    if (!parsed)
        throw std::runtime_error("not JSON: " + path);
    return fromFoundation(*parsed);
}

} // namespace testjson
