// A timerfd per alarm: arming it is one system call, and only its expiry wakes the reader.
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/wake_alarm.h"

struct wake_alarm {
    int fd;
};

wake_alarm* open_wake_alarm() {
    // The steady clock is CLOCK_MONOTONIC, so its time points are this clock's times.
    const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    if (fd < 0) return nullptr;
    return new wake_alarm{fd};
}

void close_wake_alarm(wake_alarm* alarm) {
    if (!alarm) return;
    close(alarm->fd);
    delete alarm;
}

void set_wake_alarm(wake_alarm* alarm, std::chrono::steady_clock::time_point time) {
    if (time == std::chrono::steady_clock::time_point::max()) {
        const itimerspec off{};
        timerfd_settime(alarm->fd, 0, &off, nullptr);
        return;
    }
    const int64_t ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    itimerspec due{};
    // An all-zero time would disarm: a time at or before the clock's start means "now".
    due.it_value.tv_sec = ns > 0 ? ns / 1000000000 : 0;
    due.it_value.tv_nsec = ns > 0 ? ns % 1000000000 : 1;
    timerfd_settime(alarm->fd, TFD_TIMER_ABSTIME, &due, nullptr);
}

void sleep_on_wake_alarm(wake_alarm* alarm) {
    uint64_t expirations;
    // EINTR or any other failure returns early; the caller checks what it woke for.
    const ssize_t got = read(alarm->fd, &expirations, sizeof expirations);
    (void)got;
}
