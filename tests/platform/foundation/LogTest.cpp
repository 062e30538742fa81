#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"

#include <gtest/gtest.h>
#include <thread>

using foundation::LogCapture;

TEST(Log, CapturesNestAndSeeOnlyTheirOwnLifetime) {
    foundation::log("before");
    LogCapture outer;
    foundation::log("Parser started!");
    {
        LogCapture inner;
        foundation::log("Row: 100");
        EXPECT_EQ(inner.lines(), std::vector<std::string>{"Row: 100"});
    }
    foundation::log("after");
    EXPECT_EQ(outer.lines(), (std::vector<std::string>{"Parser started!", "Row: 100", "after"}));
    EXPECT_TRUE(outer.contains("started"));
    EXPECT_FALSE(outer.contains("before"));
}

TEST(Log, LinesFromSeveralThreadsAreAllKept) {
    LogCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 100; ++i)
                foundation::log("line");
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(capture.lines().size(), 400u);
}

TEST(Tr, ReturnsItsEnglishKey) { EXPECT_EQ(foundation::tr("Workspaces"), "Workspaces"); }
