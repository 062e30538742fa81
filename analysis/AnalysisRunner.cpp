// The worker side of a run: one run at a time per runner on its kept worker Model, and the checks that
// keep a stale or orphaned result off the screen.
#include "analysis/AnalysisRunner.h"

#include "platform/foundation/Dispatch.h"

#include <atomic>
#include <deque>
#include <mutex>

struct AnalysisRunner::State {
    // Written on the main thread; workers read them to skip runs that can no longer show anything.
    std::atomic<uint64_t> latest{0};
    std::atomic<bool> alive{true};

    // The runs waiting for their turn, and whether a pool thread is working through them.
    std::mutex mutex;
    std::deque<std::function<void(const std::shared_ptr<State>&)>> waiting;
    bool working = false;

    // The worker Model and the coordinator and store generation it was opened on: used by the run
    // under way only.
    std::unique_ptr<Model> worker;
    std::shared_ptr<store::Coordinator> workerCoordinator;
    uint64_t workerGeneration = 0;

    // Queues a run; the first of a batch starts a pool thread that runs them in order.
    static void enqueue(const std::shared_ptr<State>& state, std::function<void(const std::shared_ptr<State>&)> run) {
        {
            std::lock_guard lock(state->mutex);
            state->waiting.push_back(std::move(run));
            if (state->working)
                return;
            state->working = true;
        }
        dispatch::globalQueue(dispatch::Priority::high).async([state] {
            for (;;) {
                std::function<void(const std::shared_ptr<State>&)> next;
                {
                    std::lock_guard lock(state->mutex);
                    if (state->waiting.empty()) {
                        state->working = false;
                        return;
                    }
                    next = std::move(state->waiting.front());
                    state->waiting.pop_front();
                }
                next(state);
            }
        });
    }

    // The worker Model over this coordinator's current workspace, a new one when the kept one was
    // opened on another coordinator or an earlier workspace.
    Model& workerFor(const std::shared_ptr<store::Coordinator>& coordinator, uint64_t generation) {
        if (!worker || workerCoordinator != coordinator || workerGeneration != generation) {
            worker.reset();
            worker = std::make_unique<Model>();
            worker->setPersistentStoreCoordinator(coordinator);
            worker->setManagedObjectContext(std::make_shared<store::Context>(coordinator));
            workerCoordinator = coordinator;
            workerGeneration = generation;
        }
        return *worker;
    }

    void dropWorker() {
        worker.reset();
        workerCoordinator.reset();
    }
};

AnalysisRunner::Run::Run(std::shared_ptr<State> state, uint64_t number, Model* shared,
                         std::optional<std::string> store, uint64_t generation, Model& model)
    : state_(std::move(state)), number_(number), shared_(shared), store_(std::move(store)),
      generation_(generation), model_(model) {}

bool AnalysisRunner::Run::isCurrent() const {
    const auto& coordinator = shared_->persistentStoreCoordinator();
    return state_->alive && state_->latest == number_ && coordinator && coordinator->generation() == generation_ &&
           shared_->currentStore() == store_;
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
    if (!coordinator)
        return;
    const uint64_t generation = coordinator->generation();
    auto store = shared.currentStore();
    Model* sharedModel = &shared;
    State::enqueue(state_, [number, coordinator, generation, store, sharedModel,
                            work = std::move(work)](const std::shared_ptr<State>& self) {
        State& state = *self;
        if (!state.alive || state.latest != number)
            return;
        // The workspace closed or was replaced since: nothing of the new one is read for this run.
        if (!store || coordinator->generation() != generation) {
            state.dropWorker();
            return;
        }
        Model& model = state.workerFor(coordinator, generation);
        // Objects of earlier runs are forgotten, so every value is read afresh.
        model.managedObjectContext()->reset();
        {
            Run run(self, number, sharedModel, store, generation, model);
            work(run);
        }
        // What the run left unsaved is rolled back, so that its write lock never outlives it.
        model.managedObjectContext()->reset();
        if (coordinator->generation() != generation)
            state.dropWorker();
    });
}
