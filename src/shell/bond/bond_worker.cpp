#include "shell/bond/bond_worker.h"

#include <malloc.h>

#include <algorithm>

namespace kresbon {

BondWorker::BondWorker() : state_(std::make_shared<State>()), thread_([this] { loop(); }) {}

BondWorker::~BondWorker()
{
    {
        std::lock_guard lock(state_->mutex);
        state_->quit = true;
        if (state_->current) state_->current->cancel = true;
    }
    state_->wake.notify_all();
    thread_.join();
}

void BondWorker::post(Kind kind, Job job)
{
    const auto k = static_cast<std::size_t>(kind);
    {
        std::lock_guard lock(state_->mutex);
        State& s = *state_;
        s.pending[k] = std::move(job);
        if (s.current && s.runningKind >= k) {
            s.current->cancel = true;
            s.putAside = s.runningKind > k;
        }
    }
    state_->wake.notify_all();
}

std::shared_ptr<const Surface> BondWorker::keep(Surface& drawn)
{
    {
        std::lock_guard lock(state_->mutex);
        ++state_->kept;
    }
    return std::shared_ptr<const Surface>(new Surface(std::move(drawn)), [state = state_](const Surface* surface) {
        delete surface;
        {
            std::lock_guard lock(state->mutex);
            --state->kept;
        }
        state->wake.notify_all();
    });
}

void BondWorker::loop()
{
    State& s = *state_;
    for (;;) {
        RunControl control;
        Job job;
        std::size_t kind = 0;
        {
            std::unique_lock lock(s.mutex);
            const auto waiting = [&s] {
                return std::find_if(s.pending.begin(), s.pending.end(), [](const Job& j) { return bool(j); });
            };
            s.wake.wait(lock, [&] { return s.quit || (s.kept == 0 && waiting() != s.pending.end()); });
            if (s.quit) return;
            const auto next = waiting();
            kind = static_cast<std::size_t>(next - s.pending.begin());
            job = std::move(*next);
            *next = nullptr;
            s.current = &control;
            s.runningKind = kind;
            s.putAside = false;
        }
        job(control);
        bool idle = false;
        {
            std::lock_guard lock(s.mutex);
            s.current = nullptr;
            s.runningKind = Kinds;
            // Cancelled for a question of an earlier kind: it runs again
            // after it, unless a newer one of its kind has come meanwhile.
            if (s.putAside && !s.pending[kind]) s.pending[kind] = std::move(job);
            idle = std::none_of(s.pending.begin(), s.pending.end(), [](const Job& j) { return bool(j); });
        }
        // The memory of the runs, which this thread's allocator would keep
        // for the next question, goes back to the system.
        if (idle) malloc_trim(0);
    }
}

}  // namespace kresbon
