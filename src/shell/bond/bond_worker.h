#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "interpreter/interpreter.h"

namespace kresbon {

// The one thread on which the bond runs the script again, so that no two of
// its runs, each with a drawing and working memory of its own, go at once.
// Each kind of question has one place: a new question replaces the one of
// its kind still waiting and cancels the one of its kind in progress. A
// question of an earlier kind cancels one of a later kind in progress, which
// runs again after it. A drawing a run hands to the window (keep) holds the
// next run back until the window drops it.
class BondWorker {
public:
    // In the order they go first.
    enum class Kind { Question, Mark, Tip };
    using Job = std::function<void(RunControl&)>;

    BondWorker();
    ~BondWorker();
    BondWorker(const BondWorker&) = delete;
    BondWorker& operator=(const BondWorker&) = delete;

    void post(Kind kind, Job job);
    // Takes a run's drawing over for the window; no other run starts until
    // the last copy of the pointer is dropped. Called from a job.
    std::shared_ptr<const Surface> keep(Surface& drawn);

private:
    static constexpr std::size_t Kinds = 3;
    // Shared with the drawings kept, which may outlive the worker.
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::array<Job, Kinds> pending;
        RunControl* current = nullptr;
        std::size_t runningKind = Kinds;
        bool putAside = false;
        int kept = 0;
        bool quit = false;
    };

    void loop();

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace kresbon
