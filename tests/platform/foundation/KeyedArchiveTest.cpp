// Keyed archives: every entry type round-trips, missing keys read as their defaults, a key read as
// the wrong type or an object of an unexpected class fails the decode, and damaged archives fail
// cleanly however they are damaged.
#include "platform/foundation/KeyedArchive.h"
#include "tests/platform/foundation/ArchiveBytes.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

using foundation::Decimal;
using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;
using foundation::Value;

namespace {

std::vector<std::uint8_t> sample() {
    KeyedArchiver coder("Root");
    coder.encodeBool(true, "flag");
    coder.encodeInt32(-7, "small");
    coder.encodeInt64(std::numeric_limits<std::int64_t>::min(), "big");
    coder.encodeDouble(-0.1, "double");
    const std::uint8_t raw[] = {0, 255, 7};
    coder.encodeBytes(raw, "raw");
    coder.encodeString("Grüße", "text");
    coder.encodeDecimal(Decimal::fromString("-12.5e-30"), "decimal");
    coder.encodeValue(Value(Value::Array{1, 2u, 2.5, "x", Value(), Value(Value::Dictionary{{"k", true}})}),
                      "values");
    coder.encodeObject("Child", "child", [](KeyedArchiver& c) {
        c.encodeInt32(42, "answer");
        c.encodeObject("Grandchild", "deeper", [](KeyedArchiver& g) { g.encodeString("leaf", "name"); });
    });
    return coder.encodedData();
}

} // namespace

TEST(KeyedArchive, EveryEntryTypeRoundTrips) {
    const auto data = sample();
    KeyedUnarchiver decoder(data);
    ASSERT_FALSE(decoder.failed()) << decoder.error();
    EXPECT_EQ(decoder.className(), "Root");
    EXPECT_TRUE(decoder.decodeBoolForKey("flag"));
    EXPECT_EQ(decoder.decodeInt32ForKey("small"), -7);
    EXPECT_EQ(decoder.decodeInt64ForKey("small"), -7); // integers read across widths
    EXPECT_EQ(decoder.decodeInt64ForKey("big"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(decoder.decodeDoubleForKey("double"), -0.1);
    EXPECT_EQ(decoder.decodeBytesForKey("raw"), (std::vector<std::uint8_t>{0, 255, 7}));
    EXPECT_EQ(decoder.decodeStringForKey("text"), "Grüße");
    EXPECT_EQ(decoder.decodeDecimalForKey("decimal"), Decimal::fromString("-12.5e-30"));
    const Value values = decoder.decodeValueForKey("values");
    ASSERT_EQ(values.array().size(), 6u);
    EXPECT_EQ(values.array()[1].kind(), Value::Kind::Unsigned);
    EXPECT_EQ(values.array()[2], Value(2.5));
    EXPECT_EQ(values.array()[3].string(), "x");
    EXPECT_TRUE(values.array()[4].isNull());
    EXPECT_TRUE(values.array()[5].find("k")->toBool());

    auto child = decoder.decodeObjectForKey("child", {"Other", "Child"});
    ASSERT_TRUE(child.has_value());
    EXPECT_EQ(child->className(), "Child");
    EXPECT_EQ(child->decodeInt32ForKey("answer"), 42);
    auto deeper = child->decodeObjectForKey("deeper", {"Grandchild"});
    ASSERT_TRUE(deeper.has_value());
    EXPECT_EQ(deeper->decodeStringForKey("name"), "leaf");
    EXPECT_FALSE(decoder.failed());

    // The same archive writes the same bytes.
    EXPECT_EQ(sample(), data);
}

TEST(KeyedArchive, MissingKeysReadAsDefaults) {
    const auto data = KeyedArchiver("Empty").encodedData();
    KeyedUnarchiver decoder(data);
    EXPECT_FALSE(decoder.containsValueForKey("anything"));
    EXPECT_FALSE(decoder.decodeBoolForKey("b"));
    EXPECT_EQ(decoder.decodeInt32ForKey("i"), 0);
    EXPECT_EQ(decoder.decodeInt64ForKey("i"), 0);
    EXPECT_EQ(decoder.decodeDoubleForKey("d"), 0.0);
    EXPECT_TRUE(decoder.decodeBytesForKey("r").empty());
    EXPECT_TRUE(decoder.decodeStringForKey("s").empty());
    EXPECT_TRUE(decoder.decodeDecimalForKey("n").isNaN()); // NaN, not zero
    EXPECT_TRUE(decoder.decodeValueForKey("v").isNull());
    EXPECT_FALSE(decoder.decodeObjectForKey("o", {"Any"}).has_value());
    EXPECT_FALSE(decoder.failed());
}

TEST(KeyedArchive, WrongTypesAndClassesFailTheDecode) {
    const auto data = sample();
    struct Case {
        const char* name;
        void (*read)(KeyedUnarchiver&);
    };
    const Case cases[] = {
        {"bool as integer", [](KeyedUnarchiver& d) { d.decodeInt32ForKey("flag"); }},
        {"integer as bool", [](KeyedUnarchiver& d) { d.decodeBoolForKey("small"); }},
        {"64 bits into 32", [](KeyedUnarchiver& d) { d.decodeInt32ForKey("big"); }},
        {"double as integer", [](KeyedUnarchiver& d) { d.decodeInt64ForKey("double"); }},
        {"integer as double", [](KeyedUnarchiver& d) { d.decodeDoubleForKey("small"); }},
        {"string as bytes", [](KeyedUnarchiver& d) { d.decodeBytesForKey("text"); }},
        {"bytes as string", [](KeyedUnarchiver& d) { d.decodeStringForKey("raw"); }},
        {"double as decimal", [](KeyedUnarchiver& d) { d.decodeDecimalForKey("double"); }},
        {"object as value", [](KeyedUnarchiver& d) { d.decodeValueForKey("child"); }},
        {"value as object", [](KeyedUnarchiver& d) { d.decodeObjectForKey("values", {"Child"}); }},
        {"unexpected class", [](KeyedUnarchiver& d) { d.decodeObjectForKey("child", {"Other"}); }},
        {"nested failure",
         [](KeyedUnarchiver& d) { d.decodeObjectForKey("child", {"Child"})->decodeStringForKey("answer"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeyedUnarchiver decoder(data);
        c.read(decoder);
        EXPECT_TRUE(decoder.failed());
        EXPECT_FALSE(decoder.error().empty());
        // Once failed, readings give the missing values.
        EXPECT_EQ(decoder.decodeInt32ForKey("small"), 0);
        EXPECT_TRUE(decoder.decodeDecimalForKey("decimal").isNaN());
    }
}

TEST(KeyedArchive, DamagedArchivesFailCleanly) {
    const auto data = sample();
    // Every truncation.
    for (std::size_t n = 0; n < data.size(); ++n) {
        KeyedUnarchiver decoder(std::span(data.data(), n));
        ASSERT_TRUE(decoder.failed()) << n;
        EXPECT_FALSE(decoder.containsValueForKey("flag"));
    }
    // Every single byte changed (most changes are caught; none may crash or read out of bounds).
    for (std::size_t k = 0; k < data.size(); ++k)
        for (std::uint8_t delta : {1, 0x80, 0xFF}) {
            auto damaged = data;
            damaged[k] = static_cast<std::uint8_t>(damaged[k] + delta);
            KeyedUnarchiver decoder(damaged);
            (void)decoder.decodeValueForKey("values");
            (void)decoder.decodeStringForKey("text");
            if (auto child = decoder.decodeObjectForKey("child", {"Child"}))
                (void)child->decodeInt32ForKey("answer");
        }
    // Trailing bytes, a key twice, and nesting beyond the limit.
    auto trailing = data;
    trailing.push_back(0);
    EXPECT_TRUE(KeyedUnarchiver(trailing).failed());

    const std::vector<std::uint8_t> twice = {'O', 'V', 'K', 'A', 1,   0, 0, 0,   0, 2,
                                             0,   0,   0,   1,   0,   0, 0, 'k', 0, // key "k", nil
                                             1,   0,   0,   0,   'k', 0};
    EXPECT_TRUE(KeyedUnarchiver(twice).failed());

    auto nested = [](int depth) {
        std::vector<std::uint8_t> deep = {'O', 'V', 'K', 'A', 1};
        for (int level = 0; level < depth; ++level) {
            const std::uint8_t object[] = {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'o', 9}; // "o": an object
            deep.insert(deep.end(), std::begin(object), std::end(object));
        }
        deep.insert(deep.end(), {0, 0, 0, 0, 0, 0, 0, 0});
        return deep;
    };
    EXPECT_FALSE(KeyedUnarchiver(nested(64)).failed());
    EXPECT_TRUE(KeyedUnarchiver(nested(65)).failed());

    // A huge count with no bytes behind it is refused before anything is reserved.
    const std::vector<std::uint8_t> huge = {'O', 'V', 'K', 'A', 1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(KeyedUnarchiver(huge).failed());
    EXPECT_TRUE(KeyedUnarchiver(std::vector<std::uint8_t>{'b', 'p', 'l', 'i', 's', 't'}).failed());
}

// ---- objects held by reference: shared objects, conditional references and cycles

namespace {

// A small graph of objects: children owned, a parent and a friend linked without owning.
struct Node {
    std::string name;
    std::vector<std::shared_ptr<Node>> children;
    Node* parent = nullptr;
    Node* buddy = nullptr;
};

void encodeNode(KeyedArchiver& coder, const Node& node) {
    coder.encodeString(node.name, "name");
    coder.encodeInt64(static_cast<std::int64_t>(node.children.size()), "count");
    for (std::size_t k = 0; k < node.children.size(); ++k) {
        const Node& child = *node.children[k];
        coder.encodeSharedObject(&child, "Node", "child" + std::to_string(k),
                                 [&child](KeyedArchiver& c) { encodeNode(c, child); });
    }
    coder.encodeConditionalObject(node.parent, "parent");
    coder.encodeConditionalObject(node.buddy, "buddy");
}

std::shared_ptr<Node> decodeNode(KeyedUnarchiver& coder) {
    auto node = std::make_shared<Node>();
    node->name = coder.decodeStringForKey("name");
    const std::int64_t count = coder.decodeInt64ForKey("count");
    for (std::int64_t k = 0; k < count && !coder.failed(); ++k)
        if (auto child = coder.decodeSharedObject<Node>("child" + std::to_string(k), {"Node"}, decodeNode))
            node->children.push_back(child);
    Node* self = node.get();
    coder.decodeConditionalObject<Node>("parent", {"Node"}, [self](const std::shared_ptr<Node>& p) { self->parent = p.get(); });
    coder.decodeConditionalObject<Node>("buddy", {"Node"}, [self](const std::shared_ptr<Node>& b) { self->buddy = b.get(); });
    return node;
}

std::vector<std::uint8_t> archiveNode(const Node& root) {
    KeyedArchiver coder("Node");
    coder.setRootIdentity(&root);
    encodeNode(coder, root);
    return coder.encodedData();
}

std::shared_ptr<Node> unarchiveNode(std::span<const std::uint8_t> data, std::string* error = nullptr) {
    KeyedUnarchiver coder(data);
    auto node = coder.decodeRootObject<Node>({"Node"}, decodeNode);
    if (error != nullptr)
        *error = coder.error();
    EXPECT_EQ(node == nullptr, coder.failed());
    return node;
}

std::size_t occurrences(const std::vector<std::uint8_t>& data, std::string_view text) {
    std::size_t n = 0;
    for (auto it = data.begin(); (it = std::search(it, data.end(), text.begin(), text.end())) != data.end(); ++it)
        ++n;
    return n;
}

using archivebytes::put32;
using archivebytes::putString;

// A version-2 archive of `length` nodes, each holding the next under "child0" by the reference `tag`.
std::vector<std::uint8_t> chain(std::uint32_t length, std::uint8_t tag = 11) {
    return archivebytes::chain(length, "Node", 2, [tag](std::vector<std::uint8_t>& out, std::uint32_t next) {
        putString(out, "child0");
        out.push_back(tag);
        put32(out, next);
        putString(out, "count");
        out.push_back(3); // int64 1
        out.insert(out.end(), {1, 0, 0, 0, 0, 0, 0, 0});
    });
}

// Where chain() puts the index of the first node's child: magic and version, count, "Node", its count,
// "child0" and the tag.
constexpr std::size_t kFirstChildIndex = 5 + 4 + 8 + 4 + 10 + 1;

std::size_t chainLength(const Node* node) {
    std::size_t n = 0;
    for (; node != nullptr; node = node->children.empty() ? nullptr : node->children.front().get())
        ++n;
    return n;
}

} // namespace

TEST(KeyedArchiveReferences, SharedObjectsAreWrittenOnceAndDecodeAsOne) {
    Node root{"root", {}, nullptr, nullptr};
    auto shared = std::make_shared<Node>(Node{"shared-style", {}, nullptr, nullptr});
    auto a = std::make_shared<Node>(Node{"a", {shared}, nullptr, nullptr});
    root.children = {a, shared, a};
    const auto data = archiveNode(root);
    EXPECT_EQ(occurrences(data, "shared-style"), 1u);
    EXPECT_EQ(data[4], 2); // the present version

    const auto decoded = unarchiveNode(data);
    ASSERT_NE(decoded, nullptr);
    ASSERT_EQ(decoded->children.size(), 3u);
    EXPECT_EQ(decoded->children[0], decoded->children[2]);
    ASSERT_EQ(decoded->children[0]->children.size(), 1u);
    EXPECT_EQ(decoded->children[0]->children[0], decoded->children[1]);
    EXPECT_EQ(decoded->children[1]->name, "shared-style");
    EXPECT_EQ(archiveNode(root), data); // the same objects write the same bytes
}

TEST(KeyedArchiveReferences, ConditionalReferencesAndCycles) {
    struct Case {
        const char* name;
        // Builds the objects to archive and says where each decoded link must point.
        std::function<void(Node& root)> build;
        std::function<void(const Node& root)> check;
    };
    const Case cases[] = {
        {"a link back to the root: a cycle through a conditional link",
         [](Node& root) {
             auto child = std::make_shared<Node>(Node{"child", {}, &root, nullptr});
             root.children = {child};
         },
         [](const Node& root) { EXPECT_EQ(root.children.at(0)->parent, &root); }},
        {"a link to a sibling written after the link",
         [](Node& root) {
             auto first = std::make_shared<Node>(Node{"first", {}, &root, nullptr});
             auto second = std::make_shared<Node>(Node{"second", {}, &root, first.get()});
             first->buddy = second.get();
             root.children = {first, second};
         },
         [](const Node& root) {
             EXPECT_EQ(root.children.at(0)->buddy, root.children.at(1).get());
             EXPECT_EQ(root.children.at(1)->buddy, root.children.at(0).get());
         }},
        {"a link to an object nobody holds decodes as none",
         [](Node& root) {
             static Node stranger{"stranger", {}, nullptr, nullptr};
             auto child = std::make_shared<Node>(Node{"child", {}, &root, &stranger});
             root.children = {child};
             root.buddy = &stranger;
         },
         [](const Node& root) {
             EXPECT_EQ(root.buddy, nullptr);
             EXPECT_EQ(root.children.at(0)->buddy, nullptr);
             EXPECT_EQ(root.children.at(0)->parent, &root);
         }},
        {"a link to itself",
         [](Node& root) { root.buddy = &root; },
         [](const Node& root) { EXPECT_EQ(root.buddy, &root); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Node root{"root", {}, nullptr, nullptr};
        c.build(root);
        const auto data = archiveNode(root);
        EXPECT_EQ(occurrences(data, "stranger"), 0u);
        const auto decoded = unarchiveNode(data);
        ASSERT_NE(decoded, nullptr);
        c.check(*decoded);
    }
}

TEST(KeyedArchiveReferences, VersionOneArchivesStillRead) {
    // "OVKA" 1, an object "Root" with "n" = int32 5 and "o" = an inline "Child" with "s" = "x".
    std::vector<std::uint8_t> v1 = {'O', 'V', 'K', 'A', 1};
    putString(v1, "Root");
    put32(v1, 2);
    putString(v1, "n");
    v1.insert(v1.end(), {2, 5, 0, 0, 0});
    putString(v1, "o");
    v1.push_back(9);
    putString(v1, "Child");
    put32(v1, 1);
    putString(v1, "s");
    v1.push_back(7);
    putString(v1, "x");

    KeyedUnarchiver decoder(v1);
    ASSERT_FALSE(decoder.failed()) << decoder.error();
    EXPECT_EQ(decoder.className(), "Root");
    EXPECT_EQ(decoder.decodeInt32ForKey("n"), 5);
    auto child = decoder.decodeObjectForKey("o", {"Child"});
    ASSERT_TRUE(child.has_value());
    EXPECT_EQ(child->decodeStringForKey("s"), "x");
    // An inline object also decodes through the shared road.
    KeyedUnarchiver again(v1);
    auto object = again.decodeRootObject<std::string>({"Root"}, [](KeyedUnarchiver& root) {
        auto text = root.decodeSharedObject<std::string>("o", {"Child"}, [](KeyedUnarchiver& c) {
            return std::make_shared<std::string>(c.decodeStringForKey("s"));
        });
        return text;
    });
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(*object, "x");

    // Version 1 has no references to follow.
    auto withReference = v1;
    withReference[5 + 8 + 4 + 5 + 5 + 5] = 11; // the tag of "o"
    EXPECT_TRUE(KeyedUnarchiver(withReference).failed());
}

TEST(KeyedArchiveReferences, HostileGraphsFailWithAClearError) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> data;
        const char* error; // a part of the message
    };
    auto selfHolding = chain(2);
    selfHolding[kFirstChildIndex] = 0; // the root's child is the root
    const Case cases[] = {
        {"an object holding itself", selfHolding, "holds itself"},
        {"a chain one deeper than the limit", chain(KeyedUnarchiver::kMaxObjectDepth + 1), "deeper than 1000"},
        {"a chain of 100,000 objects", chain(100000), "deeper than 1000"},
        {"a reference where a conditional one belongs",
         [] {
             Node root{"root", {}, nullptr, nullptr};
             auto child = std::make_shared<Node>(Node{"child", {}, &root, nullptr});
             root.children = {child};
             auto data = archiveNode(root);
             const std::string_view parent = "parent";
             auto at = std::find_end(data.begin(), data.end(), parent.begin(), parent.end()); // the child's
             at[static_cast<std::ptrdiff_t>(parent.size())] = 11;
             return data;
         }(),
         "is not a conditional reference"},
        {"a conditional reference where an object belongs", chain(3, 12), "is not an object"},
        {"a reference past the objects", [] {
             auto d = chain(2);
             d[kFirstChildIndex] = 7;
             return d;
         }(), "not a readable"},
        {"no objects", {'O', 'V', 'K', 'A', 2, 0, 0, 0, 0}, "not a readable"},
        {"an unknown version", {'O', 'V', 'K', 'A', 3, 1, 0, 0, 0}, "not a readable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_EQ(unarchiveNode(c.data, &error), nullptr);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }

    // Wrong classes, two kinds for one object, and a decoder that throws.
    const auto data = chain(3);
    {
        KeyedUnarchiver coder(data);
        EXPECT_EQ(coder.decodeRootObject<Node>({"Other"}, decodeNode), nullptr);
        EXPECT_NE(coder.error().find("unexpected class"), std::string::npos) << coder.error();
    }
    {
        KeyedUnarchiver coder(data);
        auto root = coder.decodeRootObject<Node>({"Node"}, [](KeyedUnarchiver& c) {
            (void)c.decodeSharedObject<Node>("child0", {"Nope"}, decodeNode);
            return std::make_shared<Node>();
        });
        EXPECT_EQ(root, nullptr);
        EXPECT_NE(coder.error().find("unexpected class \"Node\""), std::string::npos) << coder.error();
    }
    {
        KeyedUnarchiver coder(data);
        auto root = coder.decodeRootObject<Node>({"Node"}, [](KeyedUnarchiver& c) {
            (void)c.decodeSharedObject<Node>("child0", {"Node"}, decodeNode);
            (void)c.decodeSharedObject<std::string>("child0", {"Node"},
                                                    [](KeyedUnarchiver&) { return std::make_shared<std::string>(); });
            return std::make_shared<Node>();
        });
        EXPECT_EQ(root, nullptr);
        EXPECT_NE(coder.error().find("two different kinds"), std::string::npos) << coder.error();
    }
    {
        KeyedUnarchiver coder(data);
        std::shared_ptr<Node> root;
        EXPECT_NO_THROW(root = coder.decodeRootObject<Node>({"Node"}, [](KeyedUnarchiver& c) -> std::shared_ptr<Node> {
            (void)c.decodeSharedObject<Node>("child0", {"Node"},
                                             [](KeyedUnarchiver&) -> std::shared_ptr<Node> { throw std::runtime_error("bad width"); });
            return std::make_shared<Node>();
        }));
        EXPECT_EQ(root, nullptr);
        EXPECT_EQ(coder.error(), "bad width");
    }
}

TEST(KeyedArchiveReferences, AChainAtTheLimitDecodes) {
    // Decoded with the recursive decoder a class would use, so the limit is known to fit the stack.
    const auto decoded = unarchiveNode(chain(KeyedUnarchiver::kMaxObjectDepth));
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(chainLength(decoded.get()), static_cast<std::size_t>(KeyedUnarchiver::kMaxObjectDepth));
}

TEST(KeyedArchiveReferences, ALinkToAnObjectItsHolderDroppedIsNotSet) {
    Node root{"root", {}, nullptr, nullptr};
    auto child = std::make_shared<Node>(Node{"child", {}, nullptr, nullptr});
    root.children = {child};
    root.buddy = child.get();
    const auto data = archiveNode(root);
    KeyedUnarchiver coder(data);
    auto decoded = coder.decodeRootObject<Node>({"Node"}, [](KeyedUnarchiver& c) {
        auto node = decodeNode(c);
        node->children.clear(); // the decoded child is dropped: a link to it would dangle
        return node;
    });
    ASSERT_NE(decoded, nullptr) << coder.error();
    EXPECT_EQ(decoded->buddy, nullptr);
}
