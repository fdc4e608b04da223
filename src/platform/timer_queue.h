// One-shot and periodic timers whose callbacks run on threads of the timer queue.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

struct platform_timer;
using timer_handle = std::shared_ptr<platform_timer>;

// Starts a timer: the first call of callback comes due_ms after now, then every period_ms
// (period 0: once). Calls run on threads of the queue, never on the caller's, may block for
// seconds without delaying any other timer, and calls of a periodic timer may overlap when
// one takes longer than the period (up to 16 at once; a call due while 16 still run is
// skipped). Threads without work end after a few seconds, all but one, which sleeps on;
// once no timer is armed, nothing of the queue wakes until a timer is armed again.
timer_handle create_timer(uint32_t due_ms, uint32_t period_ms, std::function<void()> callback);

// Re-arms an existing timer in place: its next call comes due_ms from now, then every
// period_ms (0: once); the callback stays. Works on a one-shot timer that has fired.
// Calls already running go on (and count towards the 16 overlapping calls); it may be
// called from inside the timer's own callback. Returns false, and starts nothing, on a
// null handle or a timer that has been deleted (by delete_timer or shutdown_timer_queue).
// Against a delete that runs at the same time, either the delete comes first (false) or
// it cancels what was armed; a timer deleted with waiting never calls again.
bool change_timer(const timer_handle& timer, uint32_t due_ms, uint32_t period_ms);

// Cancels the timer: no new call starts afterwards. With wait_for_callbacks, also waits
// until every running call of it has returned; asked from inside one of its own calls, the
// wait is skipped for that call (it cannot wait for itself) and false is returned. A wait
// gives up after 30 s (false) rather than hang the caller for good.
// Safe on a null handle and on a timer that has already fired or been deleted.
bool delete_timer(const timer_handle& timer, bool wait_for_callbacks);

// True while the calling thread runs a callback of timer.
bool in_timer_callback(const timer_handle& timer);

// Cancels every timer, waits for all running callbacks (at most 30 s) and joins every thread
// the queue started. Called from inside a callback it only cancels.
// The queue starts again on the next create_timer.
void shutdown_timer_queue();

// Number of timer callbacks running right now: begun and not yet returned (for shutdown
// checks and tests). A thread that has not yet begun its call does not count.
int running_timer_callbacks();
