// A stretch of time in which this thread sleeps and the others' work is counted.
#pragma once

#include <functional>
#include <string>

namespace bench {

struct window_result {
    double seconds = 0;
    double cpu_seconds = 0;  // every thread but this one
    long wakeups = 0;        // every thread but this one, those that ended included
    long preemptions = 0;    // the same threads' involuntary switches: not wake-ups
    long task_wakeups = 0;   // the threads alive at both ends only
    long own_wakeups = 0;    // of those, the threads that is_own picks
};

// Opens a second after the step before it, so that threads that step started have settled.
// is_own takes a thread id as /proc/self/task names it. With PLINTHAR_BENCH_VERBOSE set,
// each thread's share goes to the standard error.
window_result measure_window(double seconds, const std::function<bool(const std::string&)>& is_own);

}  // namespace bench
