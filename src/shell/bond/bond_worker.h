#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "interpreter/interpreter.h"

namespace kresbon {

// One thread answering the latest question: a new one cancels the one in
// progress and takes the place of one still waiting.
class BondWorker {
public:
    using Job = std::function<void(RunControl&)>;

    BondWorker();
    ~BondWorker();
    BondWorker(const BondWorker&) = delete;
    BondWorker& operator=(const BondWorker&) = delete;

    void post(Job job);

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    Job pending_;
    RunControl* current_ = nullptr;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace kresbon
