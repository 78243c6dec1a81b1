#include "shell/bond/bond_worker.h"

namespace kresbon {

BondWorker::BondWorker() : thread_([this] { loop(); }) {}

BondWorker::~BondWorker()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        if (current_) current_->cancel = true;
    }
    wake_.notify_all();
    thread_.join();
}

void BondWorker::post(Job job)
{
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(job);
        if (current_) current_->cancel = true;
    }
    wake_.notify_all();
}

void BondWorker::loop()
{
    for (;;) {
        RunControl control;
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || pending_; });
            if (quit_) return;
            job = std::move(pending_);
            pending_ = nullptr;
            current_ = &control;
        }
        job(control);
        std::lock_guard lock(mutex_);
        current_ = nullptr;
    }
}

}  // namespace kresbon
