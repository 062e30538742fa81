// Fuzz target: the keyed archive reader on arbitrary bytes, then typed readings of a few keys at every
// type and into nested objects and values, and a decode of the whole archive as a graph of objects held
// by reference and linked conditionally; nothing may crash, hang or read out of bounds.
#include "platform/foundation/KeyedArchive.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

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

// Objects that own their children and link to others without owning them, as chart layers do.
struct Node {
    std::string name;
    std::vector<std::shared_ptr<Node>> children;
    std::vector<Node*> links;
};

std::shared_ptr<Node> decodeNode(foundation::KeyedUnarchiver& coder) {
    auto node = std::make_shared<Node>();
    node->name = coder.decodeStringForKey("name");
    Node* self = node.get();
    for (const char* key : {"a", "b"})
        if (auto child = coder.decodeSharedObject<Node>(key, {"", "a", "Node"}, decodeNode))
            node->children.push_back(child);
    for (const char* key : {"c", "d"})
        coder.decodeConditionalObject<Node>(key, {"", "a", "Node"},
                                            [self](const std::shared_ptr<Node>& n) { self->links.push_back(n.get()); });
    return node;
}

// Touches every node and link once, so a dangling link shows under the address sanitizer.
std::size_t walk(const Node& node, std::set<const Node*>& seen) {
    if (!seen.insert(&node).second)
        return 0;
    std::size_t n = node.name.size();
    for (const Node* link : node.links)
        n += link->name.size();
    for (const auto& child : node.children)
        n += walk(*child, seen);
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    foundation::KeyedUnarchiver decoder(bytes);
    exercise(decoder, 0);
    foundation::KeyedUnarchiver graph(bytes);
    if (auto root = graph.decodeRootObject<Node>({"", "a", "Node", "Root"}, decodeNode))
    {
        std::set<const Node*> seen;
        (void)walk(*root, seen);
    }
    return 0;
}
