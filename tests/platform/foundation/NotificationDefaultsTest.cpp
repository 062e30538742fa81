#include "platform/foundation/Json.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace foundation;

TEST(NotificationCenter, DeliversByNameAndSenderWhileTokensLive) {
    NotificationCenter center;
    int a = 0, b = 0;
    std::vector<std::string> got;
    {
        auto any = center.observe("column removed", nullptr, [&](const Notification& n) {
            got.push_back(n.name);
            EXPECT_EQ(n.userInfo.find("num")->toInt64(), 7);
        });
        auto onlyA = center.observe("column removed", &a, [&](const Notification&) { ++b; });
        center.post("column removed", &a, Value::Dictionary{{"num", 7}});
        center.post("column removed", &b, Value::Dictionary{{"num", 7}});
        center.post("other", &a);
        EXPECT_EQ(got.size(), 2u);
        EXPECT_EQ(b, 1);
    }
    center.post("column removed", &a, Value::Dictionary{{"num", 7}});
    EXPECT_EQ(got.size(), 2u);
}

TEST(NotificationCenter, ObserversRemovedOrAddedDuringDeliveryAreSafe) {
    NotificationCenter center;
    std::vector<std::string> calls;
    ObserverToken second;
    ObserverToken late;
    auto first = center.observe("n", nullptr, [&](const Notification&) {
        calls.push_back("first");
        second.reset();  // removes an observer that has not been called yet
        if (!late.isActive())
            late = center.observe("n", nullptr, [&](const Notification&) { calls.push_back("late"); });
    });
    second = center.observe("n", nullptr, [&](const Notification&) { calls.push_back("second"); });
    center.post("n");
    EXPECT_EQ(calls, std::vector<std::string>{"first"});
    calls.clear();
    center.post("n");
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "late"}));
    // An observer that ends its own observation while being called.
    ObserverToken self;
    int selfCalls = 0;
    self = center.observe("s", nullptr, [&](const Notification&) {
        ++selfCalls;
        self.reset();
    });
    center.post("s");
    center.post("s");
    EXPECT_EQ(selfCalls, 1);
}

TEST(Json, RoundTripsValuesAndRejectsBrokenText) {
    Value v(Value::Dictionary{{"timesSeenHelp", Value::Dictionary{{"browse", 2}, {"import", 1}}},
                              {"ratio", 0.5},
                              {"whole double", 2.0},
                              {"text", "é \"quoted\"\n\ttab \x01"},
                              {"list", Value::Array{true, false, nullptr, -3}}});
    auto back = fromJson(toJson(v));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, v);
    EXPECT_EQ(back->find("whole double")->kind(), Value::Kind::Double);
    EXPECT_EQ(back->find("timesSeenHelp")->find("browse")->kind(), Value::Kind::Integer);
    EXPECT_EQ(fromJson("\"\\u00e9\\ud83d\\ude00\"")->string(), "é😀");
    for (const char* bad : {"", "{", "[1,]", "{\"a\" 1}", "tru", "1 2", "\"\\ud800\"", "01x", "\"a"})
        EXPECT_FALSE(fromJson(bad)) << bad;
    EXPECT_FALSE(fromJson(std::string(1000, '[') + std::string(1000, ']')));
}

TEST(UserDefaults, ReadModifyWriteKeepsOtherWritersKeys) {
    auto dir = std::filesystem::temp_directory_path() / ("ovrida-defaults-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    auto path = (dir / "sub" / "defaults.json").string();
    UserDefaults one(path), two(path);
    EXPECT_FALSE(one.object("timesSeenHelp"));
    EXPECT_EQ(one.integer("missing"), 0);
    one.set("timesSeenHelp", Value::Dictionary{{"browse", 1}});
    two.set("other", "kept");
    EXPECT_EQ(one.object("other")->string(), "kept");
    EXPECT_EQ(two.object("timesSeenHelp")->find("browse")->toInt64(), 1);
    one.remove("other");
    EXPECT_FALSE(two.object("other"));

    // A damaged file is replaced, not fatal.
    { std::ofstream(path) << "{not json"; }
    EXPECT_FALSE(one.object("timesSeenHelp"));
    one.set("k", 3);
    EXPECT_EQ(two.integer("k"), 3);

    UserDefaults::setStandardPath(path);
    EXPECT_EQ(UserDefaults::standard().integer("k"), 3);
    UserDefaults::setStandardPath("");
    std::filesystem::remove_all(dir);
}
