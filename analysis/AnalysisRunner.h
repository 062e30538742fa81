// Runs a screen's computation on a worker thread with a Model of its own over the shared store, and
// hands what it finds back to the main thread, where only the screen's latest run may still show it.
#pragma once

#include "model/Model.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class AnalysisRunner {
    struct State;

  public:
    // What a computation has on the worker: the runner's worker Model (and context) and a way back to
    // the main thread. The runner keeps that Model from run to run, so a run finds the workspace's pages
    // and statements still warm; runs of one runner never overlap, so no two runs use it at once. Its
    // objects are forgotten before every run, so a run sees whatever the main thread saved before it
    // began. The Model holds no unsaved change when it hops, so the main thread never waits on it; what
    // a run leaves unsaved is dropped when it ends.
    class Run {
      public:
        Model& model() { return model_; }
        // Runs the block on the main thread and waits for it, when this run is still the latest of a
        // live runner and the workspace it began on is still open; answers whether it ran. A run may
        // hop more than once (a level set-up, then the result).
        bool onMain(const std::function<void()>& block);

      private:
        friend class AnalysisRunner;
        Run(std::shared_ptr<State> state, uint64_t number, Model* shared, std::optional<std::string> store,
            uint64_t generation, Model& model);
        bool isCurrent() const;
        std::shared_ptr<State> state_;
        uint64_t number_;
        Model* shared_;
        std::optional<std::string> store_;
        uint64_t generation_;
        Model& model_;
    };

    AnalysisRunner();
    // Hops of runs still under way do nothing once their runner is gone; a run queued behind them
    // does not start, and the worker Model goes with the last of them.
    ~AnalysisRunner();
    AnalysisRunner(const AnalysisRunner&) = delete;
    AnalysisRunner& operator=(const AnalysisRunner&) = delete;

    // A new run number: hops of every earlier run do nothing from now on, and an earlier run that has
    // not started yet never does. Main thread.
    uint64_t invalidate();
    uint64_t currentRun() const;

    // Starts `work` on the high-priority global queue, after the runner's earlier runs have ended, with
    // the worker Model over `shared`'s coordinator and the workspace open there now. A run whose
    // workspace was closed or replaced before it started ends without a word; the worker Model of an
    // earlier workspace is dropped and a new one opened on the current one. Main thread.
    void begin(Model& shared, std::function<void(Run&)> work);

    // The analysis pattern: the worker fetches the analysis by the id taken here, takes the rows its
    // filters pass and computes; `show` gets the result on the main thread if the run is still the
    // latest. A run whose analysis cannot be fetched (deleted, workspace closed) ends without a word.
    template <class Result>
    void startAnalysis(Model& shared, const Analysis& analysis, bool valid,
                       std::function<Result(Run&, Analysis&, const std::optional<std::vector<int64_t>>&, bool)> compute,
                       std::function<void(Result&&)> show) {
        const store::ObjectId id = analysis.objectID();
        begin(shared, [id, valid, compute = std::move(compute), show = std::move(show)](Run& run) {
            auto fetched = run.model().managedObjectContext()->existingObject<Analysis>(id);
            if (!fetched)
                return;
            const auto rows = run.model().rowsWhereAnalysis(*fetched);
            Result result = compute(run, *fetched, rows, valid);
            run.onMain([&] { show(std::move(result)); });
        });
    }

  private:
    std::shared_ptr<State> state_;
};
