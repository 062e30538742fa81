// Fuzz target: the keyed archive reader on arbitrary bytes, then typed readings of a few keys at every
// type and into nested objects and values; nothing may crash, hang or read out of bounds.
#include "platform/foundation/KeyedArchive.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

void exercise(foundation::KeyedUnarchiver& decoder, int depth) {
    for (const char* key : {"a", "b", "root", "CPTPlotRange.location", "CPTNumericData.shape"}) {
        (void)decoder.containsValueForKey(key);
        (void)decoder.decodeBoolForKey(key);
        (void)decoder.decodeInt32ForKey(key);
        (void)decoder.decodeInt64ForKey(key);
        (void)decoder.decodeDoubleForKey(key);
        (void)decoder.decodeBytesForKey(key);
        (void)decoder.decodeStringForKey(key);
        (void)decoder.decodeDecimalForKey(key).toString();
        (void)decoder.decodeValueForKey(key).hash();
        if (depth < 4)
            if (auto nested = decoder.decodeObjectForKey(key, {"", "a", "CPTPlotRange", "NSDictionary"}))
                exercise(*nested, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    foundation::KeyedUnarchiver decoder(std::span<const std::uint8_t>(data, size));
    exercise(decoder, 0);
    return 0;
}
