// The worker side of a run and the checks that keep a stale or orphaned result off the screen.
#include "analysis/AnalysisRunner.h"

#include "platform/foundation/Dispatch.h"

// Read and written on the main thread only: workers reach it through their hops.
struct AnalysisRunner::State {
    uint64_t latest = 0;
    bool alive = true;
};

AnalysisRunner::Run::Run(std::shared_ptr<State> state, uint64_t number, Model* shared,
                         std::optional<std::string> store)
    : state_(std::move(state)), number_(number), shared_(shared), store_(std::move(store)) {}

bool AnalysisRunner::Run::isCurrent() const {
    return state_->alive && state_->latest == number_ && shared_->currentStore() == store_;
}

bool AnalysisRunner::Run::onMain(const std::function<void()>& block) {
    bool ran = false;
    dispatch::mainQueue().sync([&] {
        if (!isCurrent())
            return;
        block();
        ran = true;
    });
    return ran;
}

AnalysisRunner::AnalysisRunner() : state_(std::make_shared<State>()) {}

AnalysisRunner::~AnalysisRunner() {
    state_->alive = false;
}

uint64_t AnalysisRunner::invalidate() {
    return ++state_->latest;
}

uint64_t AnalysisRunner::currentRun() const {
    return state_->latest;
}

void AnalysisRunner::begin(Model& shared, std::function<void(Run&)> work) {
    const uint64_t number = invalidate();
    auto coordinator = shared.persistentStoreCoordinator();
    auto store = shared.currentStore();
    Model* sharedModel = &shared;
    dispatch::globalQueue(dispatch::Priority::high)
        .async([state = state_, number, coordinator, store, sharedModel, work = std::move(work)] {
            if (!coordinator)
                return;
            Run run(state, number, sharedModel, store);
            run.model().setPersistentStoreCoordinator(coordinator);
            run.model().setManagedObjectContext(std::make_shared<store::Context>(coordinator));
            work(run);
        });
}
