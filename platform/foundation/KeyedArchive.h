// Keyed archives: objects write their fields under string keys and read them back by type. The format
// is our own, compact and strict, so a reader can refuse anything that does not fit.
//
// Version 2, written now:
//   archive := "OVKA" u8 version (2), u32 n (at least 1), n x object
//              object 0 is the root; the others are the objects held by reference (below)
//   object  := string className, u32 count, count x (string key, entry)   keys unique per object
//   entry   := u8 tag, payload
//              0 nil | 1 bool (u8 0 or 1) | 2 int32 | 3 int64 | 4 uint64 | 5 double (IEEE-754 bits)
//              6 bytes (u32 n, n bytes) | 7 string (u32 n, n bytes of UTF-8) | 8 decimal (the 20-byte
//              decimal layout) | 9 object (inline) | 10 array (u32 n, n entries)
//              11 reference (u32 index into the objects) | 12 conditional reference (u32 index)
//   string  := u32 n, n bytes
//
// Version 1, still read: archive := "OVKA" u8 version (1), object; its entries have no references
// (tags 0 to 10 only).
//
// Integers are little-endian. Inline objects and arrays nest at most 64 deep within one object.
//
// Identity: an object written with encodeSharedObject under the same identity more than once is stored
// once and referenced from every holder; decodeSharedObject gives one object for it, made once per
// archive. A conditional reference (encodeConditionalObject) is stored only when the archive holds the
// object unconditionally somewhere else (as the root or a shared object), and as nil otherwise. It
// decodes into a non-owning link that is set once the whole archive has been read (decodeRootObject),
// and only to an object that the decoded objects hold, so cycles through conditional links decode and a
// link never outlives its object. A reference back into an object still being decoded, or a chain of
// references deeper than 1,000 objects, fails the decode.
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
#include <typeindex>
#include <typeinfo>
#include <vector>

namespace foundation {

namespace archive {
struct Object;
struct State;
struct WriteState;
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
    // An object that may be held in several places, known by `identity` (its address): written in
    // full the first time, as a reference to that writing every later time. A null identity writes nil.
    void encodeSharedObject(const void* identity, std::string_view className, std::string_view key,
                            const std::function<void(KeyedArchiver&)>& encode);
    // A reference written only when the archive holds the object unconditionally (as the root or a
    // shared object) by the time encodedData() runs; nil otherwise.
    void encodeConditionalObject(const void* identity, std::string_view key);
    // Makes the root known by `identity`, so conditional references back to it are kept.
    void setRootIdentity(const void* identity);

    // The whole archive; call it on the root archiver.
    std::vector<std::uint8_t> encodedData() const;

  private:
    KeyedArchiver(std::string className, std::shared_ptr<archive::WriteState> writes);
    std::shared_ptr<archive::Object> root_;
    std::shared_ptr<archive::WriteState> writes_;
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
    // The class of the object under key (inline or by reference), without decoding it; nothing for a
    // missing key, nil, or a value that is not an object.
    std::optional<std::string> classNameForKey(std::string_view key) const;

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
    // Inline objects only (encodeObject); a reference under key fails the decode.
    std::optional<KeyedUnarchiver> decodeObjectForKey(std::string_view key,
                                                      std::initializer_list<std::string_view> classes);

    // The object under key, inline or by reference, when its class is one of `classes`: `decode` makes
    // it from its coder the first time the archive's object is read, every later reading gives the same
    // object. Nothing for a missing key or nil, or when decoding fails; `decode` may give nothing
    // without failing. Exceptions from `decode` fail the decode with their text. T is the type the
    // object is known by wherever it is read (one base class per family of classes).
    template <class T, class Decode>
    std::shared_ptr<T> decodeSharedObject(std::string_view key, std::initializer_list<std::string_view> classes,
                                          Decode&& decode) {
        return std::static_pointer_cast<T>(decodeSharedObjectForKey(
            key, classes, typeid(T), [&decode](KeyedUnarchiver& coder) -> std::shared_ptr<void> {
                std::shared_ptr<T> object = decode(coder);
                return object;
            }));
    }
    // A conditional reference under key: `link` runs with the object, known as T, once decodeRootObject
    // has read the whole archive, when the object was decoded and is held by the decoded objects, and
    // the object reading this key is held too. A missing key, nil, or an object nobody holds gives no
    // call. The class must be one of `classes`.
    template <class T, class Link>
    void decodeConditionalObject(std::string_view key, std::initializer_list<std::string_view> classes,
                                 Link&& link) {
        decodeConditionalObjectForKey(key, classes, typeid(T),
                                      [link = std::forward<Link>(link)](const std::shared_ptr<void>& object) {
                                          link(std::static_pointer_cast<T>(object));
                                      });
    }
    // Decodes the root object as T (its class one of `classes`), then sets the conditional links.
    // Nothing, with failed() true, when anything fails.
    template <class T, class Decode>
    std::shared_ptr<T> decodeRootObject(std::initializer_list<std::string_view> classes, Decode&& decode) {
        return std::static_pointer_cast<T>(
            decodeRootObjectAs(classes, typeid(T), [&decode](KeyedUnarchiver& coder) -> std::shared_ptr<void> {
                std::shared_ptr<T> object = decode(coder);
                return object;
            }));
    }

    // The longest chain of objects decoded inside one another through decodeSharedObject.
    static constexpr int kMaxObjectDepth = 1000;

  private:
    using Decoder = std::function<std::shared_ptr<void>(KeyedUnarchiver&)>;
    KeyedUnarchiver(std::shared_ptr<const archive::Object> object, std::shared_ptr<archive::State> state);
    std::shared_ptr<void> decodeSharedObjectForKey(std::string_view key,
                                                   std::initializer_list<std::string_view> classes,
                                                   std::type_index type, const Decoder& decode);
    void decodeConditionalObjectForKey(std::string_view key, std::initializer_list<std::string_view> classes,
                                       std::type_index type, std::function<void(const std::shared_ptr<void>&)> link);
    std::shared_ptr<void> decodeRootObjectAs(std::initializer_list<std::string_view> classes, std::type_index type,
                                             const Decoder& decode);
    std::shared_ptr<void> decodeObject(const std::shared_ptr<const archive::Object>& object, std::type_index type,
                                       const Decoder& decode);
    std::shared_ptr<const archive::Object> object_;
    std::shared_ptr<archive::State> state_;
};

} // namespace foundation
