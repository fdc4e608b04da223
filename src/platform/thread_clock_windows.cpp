#include "platform/thread_clock.h"

#include <windows.h>

std::chrono::nanoseconds thread_cpu_time() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return std::chrono::nanoseconds(0);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    // FILETIME counts 100 ns.
    return std::chrono::nanoseconds((ticks(kernel) + ticks(user)) * 100);
}
