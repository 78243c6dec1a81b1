#pragma once

#include <sys/resource.h>

#include <atomic>
#include <cstddef>
#include <thread>

#include "platform/surface.h"

namespace kresbon {

// The drawing scaled so that its longer side is size pixels and the shorter
// keeps the proportion (at least one pixel), each pixel taking the nearest
// pixel of the drawing; same depth, so palette colours stay exact. An empty
// drawing gives an empty one. The work follows the size, not the drawing.
Surface ScaleToFit(const Surface& drawing, int size);

// The drawing with each pixel enlarged to a factor x factor square, exactly;
// same depth. The caller keeps the result within the memory it allows.
Surface Enlarge(const Surface& drawing, int factor);

// File managers make a thumbnail of every script a user downloads, so a
// thumbnail run gets a fixed budget whatever the script asks for: processor
// time for the run, and memory for the whole process.
constexpr double ThumbnailProcessorSeconds = 2.0;
constexpr std::size_t ThumbnailMemoryBytes = std::size_t{256} << 20;
// The run stops this much earlier, so that stopping it and writing a
// thumbnail of a usual size stay within the budget too.
constexpr double ThumbnailWritingReserve = 0.1;

// Sets stop once the process has used the given processor time from now on,
// watched from a thread of its own; ends the watch when destroyed. The
// kernel ends the process if it goes on for another second all the same.
class ProcessorTimeWatch {
public:
    ProcessorTimeWatch(std::atomic<bool>& stop, double seconds);
    ~ProcessorTimeWatch();
    ProcessorTimeWatch(const ProcessorTimeWatch&) = delete;
    ProcessorTimeWatch& operator=(const ProcessorTimeWatch&) = delete;

    // True when the watch set the flag.
    bool expired() const { return expired_.load(); }

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> expired_{false};
    rlimit before_{RLIM_INFINITY, RLIM_INFINITY};
    std::thread thread_;
};

// Caps the private memory of the process (its heap and every allocation) so
// that the whole process stays within bytes; allocations beyond fail.
void LimitProcessMemory(std::size_t bytes);

}  // namespace kresbon
