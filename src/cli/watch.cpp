#include "cli/watch.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace kresbon {

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<RunControl*> runToStop{nullptr};

extern "C" void onInterrupt(int)
{
    stopRequested.store(true);
    if (RunControl* control = runToStop.load()) control->cancel.store(true);
}

// How often the files are looked at, and how long a change must rest before
// the drawing follows it.
constexpr auto LookInterval = std::chrono::milliseconds(100);
constexpr auto SettleTime = std::chrono::milliseconds(50);

}  // namespace

void StopOnInterrupt(RunControl& control)
{
    runToStop.store(&control);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested()
{
    return stopRequested.load();
}

FileWatch::Stamp FileWatch::StampOf(const std::string& path)
{
    Stamp stamp;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedSeconds = info.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = info.st_mtim.tv_nsec;
    stamp.changedSeconds = info.st_ctim.tv_sec;
    stamp.changedNanoseconds = info.st_ctim.tv_nsec;
    return stamp;
}

std::map<std::string, FileWatch::Stamp> FileWatch::StampsNow() const
{
    std::map<std::string, Stamp> now;
    for (const auto& [path, note] : notes_) now.emplace(path, StampOf(path));
    return now;
}

void FileWatch::Note(const std::set<std::string>& paths)
{
    notes_.clear();
    for (const std::string& path : paths) notes_.emplace(path, StampOf(path));
}

void FileWatch::Keep(const std::set<std::string>& paths)
{
    std::map<std::string, Stamp> kept;
    for (const std::string& path : paths) {
        const auto known = notes_.find(path);
        kept.emplace(path, known != notes_.end() ? known->second : StampOf(path));
    }
    notes_ = std::move(kept);
}

bool FileWatch::WaitForChange() const
{
    while (!StopRequested()) {
        std::this_thread::sleep_for(LookInterval);
        std::map<std::string, Stamp> seen = StampsNow();
        if (seen == notes_) continue;
        // A file being written changes from look to look; it is drawn once
        // it rests.
        for (;;) {
            std::this_thread::sleep_for(SettleTime);
            if (StopRequested()) return false;
            std::map<std::string, Stamp> again = StampsNow();
            if (again == seen) return true;
            seen = std::move(again);
        }
    }
    return false;
}

}  // namespace kresbon
