// Keyed archives: objects write their fields under string keys and read them back by type. The format
// is our own, compact and strict, so a reader can refuse anything that does not fit:
//
//   archive := "OVKA" u8 version (1), object
//   object  := string className, u32 count, count x (string key, entry)   keys unique per object
//   entry   := u8 tag, payload
//              0 nil | 1 bool (u8 0 or 1) | 2 int32 | 3 int64 | 4 uint64 | 5 double (IEEE-754 bits)
//              6 bytes (u32 n, n bytes) | 7 string (u32 n, n bytes of UTF-8) | 8 decimal (the 20-byte
//              decimal layout) | 9 object | 10 array (u32 n, n entries)
//   string  := u32 n, n bytes
//
// Integers are little-endian. Objects and arrays nest at most 64 deep.
#pragma once

#include "platform/foundation/Decimal.h"
#include "platform/foundation/Value.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

namespace archive {
struct Object;
struct State;
} // namespace archive

class KeyedArchiver {
  public:
    // The class name of the root object.
    explicit KeyedArchiver(std::string className = {});
    ~KeyedArchiver();
    KeyedArchiver(KeyedArchiver&&) noexcept;
    KeyedArchiver& operator=(KeyedArchiver&&) noexcept;

    void encodeBool(bool value, std::string_view key);
    void encodeInt32(std::int32_t value, std::string_view key);
    void encodeInt64(std::int64_t value, std::string_view key);
    void encodeInteger(std::int64_t value, std::string_view key) { encodeInt64(value, key); }
    void encodeDouble(double value, std::string_view key);
    void encodeBytes(std::span<const std::uint8_t> bytes, std::string_view key);
    void encodeString(std::string_view value, std::string_view key);
    void encodeDecimal(const Decimal& value, std::string_view key);
    // A boxed value; a dictionary becomes an object of class "NSDictionary".
    void encodeValue(const Value& value, std::string_view key);
    // A nested object of the given class; `encode` writes its fields.
    void encodeObject(std::string_view className, std::string_view key,
                      const std::function<void(KeyedArchiver&)>& encode);

    std::vector<std::uint8_t> encodedData() const;

  private:
    std::unique_ptr<archive::Object> root_;
};

// Reads an archive made by KeyedArchiver. A malformed archive, a key read as the wrong type, or an
// object of a class the caller did not allow fails the whole decode (failed() turns true and stays
// so for every unarchiver of the same archive); readings after a failure give the missing values.
class KeyedUnarchiver {
  public:
    explicit KeyedUnarchiver(std::span<const std::uint8_t> data);

    bool failed() const;
    const std::string& error() const;
    // For a class's own checks (a shape that does not match its data, say).
    void failWithError(const std::string& message);

    const std::string& className() const;
    bool containsValueForKey(std::string_view key) const;

    // Missing keys read as false, 0, 0.0, empty, a NaN decimal and a null value.
    bool decodeBoolForKey(std::string_view key);
    // Integers of either width and sign read as each other when the value fits.
    std::int32_t decodeInt32ForKey(std::string_view key);
    std::int64_t decodeInt64ForKey(std::string_view key);
    std::int64_t decodeIntegerForKey(std::string_view key) { return decodeInt64ForKey(key); }
    double decodeDoubleForKey(std::string_view key);
    std::vector<std::uint8_t> decodeBytesForKey(std::string_view key);
    std::string decodeStringForKey(std::string_view key);
    Decimal decodeDecimalForKey(std::string_view key);
    Value decodeValueForKey(std::string_view key);
    // The nested object under key, when its class is one of `classes`; nothing for a missing key or nil.
    std::optional<KeyedUnarchiver> decodeObjectForKey(std::string_view key,
                                                      std::initializer_list<std::string_view> classes);

  private:
    KeyedUnarchiver(std::shared_ptr<const archive::Object> object, std::shared_ptr<archive::State> state);
    std::shared_ptr<const archive::Object> object_;
    std::shared_ptr<archive::State> state_;
};

} // namespace foundation
