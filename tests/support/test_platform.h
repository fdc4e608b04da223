// What the tests need of the operating system beyond the library's own platform services.
#pragma once

#include <string>

namespace testenv {

void set_environment(const std::string& name, const std::string& value);
void unset_environment(const std::string& name);

// The running test program's own image path, as the process list gives it.
std::string own_executable();

// Threads of this process, and its open descriptors (Linux) or handles (Windows).
int thread_count();
int open_handle_count();

// True where the timer queue's calls run on threads the queue starts and ends itself
// (Linux); false where they run on the system's thread pool (Windows), whose threads are
// not the queue's to count.
bool timer_calls_run_on_own_threads();

// Collects what the platform's debug-output channel gets from this process (stderr while
// PLINTHAR_DEBUG is set on Linux, OutputDebugStringA on Windows) between start and finish;
// finish gives each text followed by a line end.
void start_debug_capture();
std::string finish_debug_capture();

}  // namespace testenv
