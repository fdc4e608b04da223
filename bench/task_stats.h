// What the threads of this process have done, read from /proc/self and getrusage.
#pragma once

#include <map>
#include <string>

namespace bench {

int thread_count();
long resident_kib();

// Wake-ups (voluntary context switches: the thread slept and was woken) of each thread
// alive now, by thread id; the calling thread left out.
std::map<std::string, long> task_wakeups();

struct usage {
    double cpu_seconds = 0;
    long wakeups = 0;      // voluntary context switches
    long preemptions = 0;  // involuntary ones: other work on the machine took the core
};
// RUSAGE_SELF (the whole process, ended threads included) or RUSAGE_THREAD.
usage read_usage(int who);

}  // namespace bench
