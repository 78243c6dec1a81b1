#include "shell/run/handoff.h"

namespace kresbon {

Handoff::Handoff()
{
    // Queued also when posted on this thread: the work never runs inside
    // the call that posts it.
    connect(this, &Handoff::posted, this, &Handoff::deliver, Qt::QueuedConnection);
}

void Handoff::post(std::function<void()> work)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }
    emit posted();
}

void Handoff::deliver()
{
    // One piece for each notice, as with queued calls.
    std::function<void()> work;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return;
        work = std::move(queue_.front());
        queue_.pop_front();
    }
    work();
}

}  // namespace kresbon
