#include "footprint_window.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <thread>

#include "bench_stats.h"
#include "task_stats.h"

namespace bench {

namespace {

std::string thread_name(const std::string& tid) {
    std::ifstream comm("/proc/self/task/" + tid + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// Wake-ups made during the window by the threads alive at both ends, and those of them
// that is_own picks.
void count_switches(const std::map<std::string, long>& before,
                    const std::map<std::string, long>& after,
                    const std::function<bool(const std::string&)>& is_own, window_result& w) {
    const bool verbose = environment_number("PLINTHAR_BENCH_VERBOSE", 0) != 0;
    for (const auto& [tid, count] : after) {
        const auto earlier = before.find(tid);
        if (earlier == before.end()) continue;
        const long made = count - earlier->second;
        const bool own = is_own(tid);
        w.task_wakeups += made;
        if (own) w.own_wakeups += made;
        if (verbose && made != 0)
            std::fprintf(stderr, "footprint:   thread %s (%s%s): %ld wake-ups\n", tid.c_str(),
                         thread_name(tid).c_str(), own ? ", own" : "", made);
    }
}

}  // namespace

window_result measure_window(double seconds,
                             const std::function<bool(const std::string&)>& is_own) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const usage process_before = read_usage(RUSAGE_SELF);
    const usage main_before = read_usage(RUSAGE_THREAD);
    const auto tasks_before = task_wakeups();
    const auto start = clock::now();
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(seconds * 1e6)));
    const double elapsed = nanoseconds_between(start, clock::now()) / 1e9;
    const auto tasks_after = task_wakeups();
    const usage process_after = read_usage(RUSAGE_SELF);
    const usage main_after = read_usage(RUSAGE_THREAD);
    window_result w;
    w.seconds = elapsed;
    // The two readings are not taken at the same instant; a difference below zero is noise.
    w.cpu_seconds = std::max(0.0, (process_after.cpu_seconds - process_before.cpu_seconds) -
                                      (main_after.cpu_seconds - main_before.cpu_seconds));
    w.wakeups = (process_after.wakeups - process_before.wakeups) -
                (main_after.wakeups - main_before.wakeups);
    w.preemptions = (process_after.preemptions - process_before.preemptions) -
                    (main_after.preemptions - main_before.preemptions);
    count_switches(tasks_before, tasks_after, is_own, w);
    if (environment_number("PLINTHAR_BENCH_VERBOSE", 0) != 0)
        std::fprintf(stderr, "footprint:   window: %ld wake-ups, %.2f ms CPU\n", w.wakeups,
                     w.cpu_seconds * 1000);
    return w;
}

}  // namespace bench
