// The runner's worker Model, kept from run to run: what a later run reads, workspaces closed or
// replaced under a run, runs of one runner one after another, and what a run leaves unsaved.
#include "analysis/AnalysisRunner.h"
#include "tests/app/ScreenFixture.h"

#include <condition_variable>
#include <mutex>

namespace {

// Runs that wait where the test says: each started run takes the next ticket and waits until its
// ticket is released; what the runs did is noted in order.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    int started = 0;
    int ended = 0;
    bool open = false;
    std::set<int> released;
    std::vector<std::string> notes;

    int enter() {
        std::unique_lock lock(mutex);
        const int ticket = started++;
        notes.push_back("start " + std::to_string(ticket));
        changed.notify_all();
        changed.wait(lock, [&] { return open || released.count(ticket) > 0; });
        return ticket;
    }
    void leave(int ticket) {
        std::lock_guard lock(mutex);
        notes.push_back("end " + std::to_string(ticket));
        ++ended;
    }
    void release(int ticket) {
        std::lock_guard lock(mutex);
        released.insert(ticket);
        changed.notify_all();
    }
    void openAll() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    int startedRuns() {
        std::lock_guard lock(mutex);
        return started;
    }
    int endedRuns() {
        std::lock_guard lock(mutex);
        return ended;
    }
    std::vector<std::string> noted() {
        std::lock_guard lock(mutex);
        return notes;
    }
};

class RunnerTest : public ScreenTest {
  protected:
    void TearDown() override {
        gate->openAll();
        runner.reset();
        ScreenTest::TearDown();
    }

    // A run that waits at the gate, then reads the first column's name and texts and shows them.
    void startReading() {
        runner->begin(model(), [gate = gate, &shown = shown](AnalysisRunner::Run& run) {
            const int ticket = gate->enter();
            std::string seen;
            auto columns = run.model().columns();
            if (!columns.empty()) {
                seen = columns[0]->name() + ":";
                for (const auto& cell : run.model().cellsForColumn(*columns[0], {{"rowNum", true}}))
                    seen += " " + cell->data();
            }
            gate->leave(ticket);
            run.onMain([&] { shown.push_back(seen); });
        });
    }
    void waitEnded(int runs) {
        ASSERT_TRUE(dispatch::runUntil([&] { return gate->endedRuns() >= runs; }, 20));
        waitForBackgroundWork();
        dispatch::drainMainQueue();
    }

    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::unique_ptr<AnalysisRunner> runner = std::make_unique<AnalysisRunner>();
    std::vector<std::string> shown;
};

TEST_F(RunnerTest, ALaterRunSeesWhatTheMainThreadSavedAfterAnEarlierOne) {
    openWorkspace({{"x", {"1", "2"}}});
    gate->openAll();
    startReading();
    waitEnded(1);
    ASSERT_EQ(shown, (std::vector<std::string>{"x: 1 2"}));

    auto column = model().columns()[0];
    column->setName("renamed");
    model().addRow(3, {"7"}, model().columns());
    model().saveContext();
    startReading();
    waitEnded(2);
    EXPECT_EQ(shown, (std::vector<std::string>{"x: 1 2", "renamed: 1 2 7"}));
}

TEST_F(RunnerTest, RunsOfOneRunnerFollowEachOtherAndOnlyTheLatestWaitingOneStarts) {
    openWorkspace({{"x", {"1"}}});
    startReading();
    ASSERT_TRUE(dispatch::runUntil([&] { return gate->startedRuns() == 1; }, 20));
    // Two more runs while the first is held: the second is overtaken by the third before its turn.
    startReading();
    startReading();
    dispatch::runUntil([] { return false; }, 0.2);
    EXPECT_EQ(gate->startedRuns(), 1);
    gate->release(0);
    ASSERT_TRUE(dispatch::runUntil([&] { return gate->startedRuns() == 2; }, 20));
    gate->release(1);
    waitEnded(2);
    EXPECT_EQ(gate->noted(), (std::vector<std::string>{"start 0", "end 0", "start 1", "end 1"}));
    // Only the latest run shows what it read.
    EXPECT_EQ(shown, (std::vector<std::string>{"x: 1"}));
}

TEST_F(RunnerTest, ARunWaitingWhileItsWorkspaceIsClosedOrReplacedReadsNothing) {
    for (bool replaced : {false, true}) {
        SCOPED_TRACE(replaced ? "replaced" : "closed");
        gate = std::make_shared<Gate>();
        shown.clear();
        const std::string suffix = replaced ? "-replaced.ov" : "-closed.ov";
        openWorkspace({{"a", {"1"}}}, "A" + suffix);
        // The worker Model is opened on the first workspace, then a run waits behind a held one.
        gate->release(0);
        startReading();
        waitEnded(1);
        startReading();
        ASSERT_TRUE(dispatch::runUntil([&] { return gate->startedRuns() == 2; }, 20));
        std::atomic<bool> waitingRan = false;
        runner->begin(model(), [&waitingRan](AnalysisRunner::Run&) { waitingRan = true; });
        if (replaced)
            openWorkspace({{"b", {"2", "3"}}}, "B" + suffix);
        else
            model().closeStores();
        gate->release(1);
        waitEnded(2);
        EXPECT_FALSE(waitingRan);
        EXPECT_EQ(shown, (std::vector<std::string>{"a: 1"}));
        if (replaced) {
            // The next run reads the new workspace.
            gate->release(2);
            startReading();
            waitEnded(3);
            EXPECT_EQ(shown, (std::vector<std::string>{"a: 1", "b: 2 3"}));
        }
        model().closeStores();
        model().managedObjectContext()->reset();
    }
}

TEST_F(RunnerTest, WhatARunLeavesUnsavedIsDroppedAndNeverHoldsUpTheMainThread) {
    openWorkspace({{"x", {"1"}}});
    std::atomic<bool> ran = false;
    runner->begin(model(), [&ran](AnalysisRunner::Run& run) {
        auto scratch = run.model().managedObjectContext()->insertNewObject<Column>();
        scratch->setName("scratch");
        scratch->setNum(99);
        ran = true;
    });
    ASSERT_TRUE(dispatch::runUntil([&] { return ran.load(); }, 20));
    waitForBackgroundWork();
    // The runner keeps its worker Model: the main thread's save must still go through.
    model().addColumns({"kept"});
    model().saveContext();
    std::vector<std::string> names;
    for (const auto& c : model().columns())
        names.push_back(c->name());
    EXPECT_EQ(names, (std::vector<std::string>{"x", "kept"}));
    EXPECT_EQ(storeErrors, 0);
}

TEST_F(RunnerTest, ARunWaitingWhenItsRunnerGoesNeverStarts) {
    openWorkspace({{"x", {"1"}}});
    startReading();
    ASSERT_TRUE(dispatch::runUntil([&] { return gate->startedRuns() == 1; }, 20));
    startReading();
    runner.reset();
    gate->release(0);
    gate->release(1);
    waitEnded(1);
    EXPECT_EQ(gate->startedRuns(), 1);
    EXPECT_TRUE(shown.empty());
}

} // namespace
