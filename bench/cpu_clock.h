#pragma once

#include <ctime>

namespace kresbon::bench {

// Processor time of the whole process, every thread, in seconds: the
// machine is shared, and wall time there measures the neighbours more than
// the job.
inline double ProcessorSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace kresbon::bench
