// An alarm that one thread sleeps on. Setting it from any thread wakes nobody until the
// time set comes, so a sleeping thread can be given a new wake-up time for free.
#pragma once

#include <chrono>

struct wake_alarm;

// Null when the system has no alarm to give (out of descriptors or memory).
wake_alarm* open_wake_alarm();
void close_wake_alarm(wake_alarm* alarm);

// The sleeper wakes at time, or at once when time has passed; replaces any time set before.
// time_point::max() turns the alarm off.
void set_wake_alarm(wake_alarm* alarm, std::chrono::steady_clock::time_point time);
// Sleeps until the time set comes; with no time set, until one is set and comes. Returns
// also now and then without cause: the sleeper checks what it woke for.
void sleep_on_wake_alarm(wake_alarm* alarm);
