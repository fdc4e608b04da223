// The timer queue on a small set of reused threads. Each thread sleeps on an alarm of its
// own. One sleeping thread, the watcher, has its alarm set to the earliest due time; when
// it comes, the watcher hands the watch to another sleeping thread (setting that thread's
// alarm wakes nobody) and makes the call itself. So a tick costs one wake-up, and a call
// that blocks delays no other timer: the watch has moved on before it began. A thread is
// started only when no sleeping one is left to take the watch; a thread ends after
// idle_limit without work, and at once when it finishes a call with no timer armed, but
// the last one stays asleep, with its alarm off, to join the others.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/timer_queue.h"
#include "platform/wake_alarm.h"

using steady = std::chrono::steady_clock;

// All fields are guarded by the queue's mutex.
struct platform_timer {
    std::function<void()> callback;
    std::chrono::milliseconds period{0};
    steady::time_point due;
    bool armed = false;  // in the schedule
    bool cancelled = false;
    unsigned epoch = 0;      // the queue's epoch at creation: a shutdown since deletes the timer
    int running = 0;         // calls begun and not yet returned
    int waiting_inside = 0;  // of those, the ones waiting in delete_timer on this very timer
    std::vector<std::thread::id> callback_threads;
};

namespace {

// A cancel-and-wait gives up after this long rather than hang its caller for good; the
// library's own callbacks never block nearly as long.
constexpr auto callback_wait_limit = std::chrono::seconds(30);

// Calls of one timer that may run at once. A call due while that many still block is
// skipped, so a timer whose calls hang cannot fill the process with threads.
constexpr int max_overlapping_calls = 16;

// A thread that has had no work for this long ends. Longer than any period the library
// uses, so that threads taking turns at a periodic timer stay.
constexpr auto idle_limit = std::chrono::seconds(3);

constexpr auto unknown = steady::time_point::min();
constexpr auto never = steady::time_point::max();  // a disarmed alarm

struct worker {
    std::thread thread;
    wake_alarm* alarm = nullptr;
    steady::time_point alarm_time = unknown;  // what the alarm is set to
    steady::time_point idle_since;
    bool busy = false;      // making a call
    bool finished = false;  // about to end: to be joined
};

struct timer_queue {
    std::mutex mutex;
    std::condition_variable callback_ended;  // waiters in delete_timer and shutdown
    std::vector<timer_handle> schedule;      // the armed timers
    std::list<worker> workers;               // every thread not joined yet
    worker* watcher = nullptr;
    unsigned epoch = 0;       // shutdowns so far, from inside callbacks too
    unsigned generation = 0;  // a thread works while the generation it was started for lasts
    int threads = 0;          // workers not finished
    int calls_begun = 0;      // calls begun and not yet returned
};

// Never destroyed: a thread must never find the queue gone, even while the process exits.
timer_queue& queue() {
    static auto* q = new timer_queue;
    return *q;
}

thread_local bool in_any_callback = false;

bool contains(const std::vector<std::thread::id>& ids, std::thread::id id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::vector<timer_handle>::iterator earliest(timer_queue& q) {
    return std::min_element(
        q.schedule.begin(), q.schedule.end(),
        [](const timer_handle& a, const timer_handle& b) { return a->due < b->due; });
}

void set_alarm(worker& w, steady::time_point time) {
    if (w.alarm_time == time) return;
    set_wake_alarm(w.alarm, time);
    w.alarm_time = time;
}

void work(worker* self, unsigned generation);

bool other_live_worker(const timer_queue& q, const worker* self) {
    for (const auto& w : q.workers)
        if (&w != self && !w.finished) return true;
    return false;
}

// Needs the lock. Gives the watch to a sleeping thread, or to a new one; with no thread to
// be had the watch stays empty until a call ends or the next timer is armed.
void appoint_watcher(timer_queue& q) {
    const auto next = earliest(q);
    if (next == q.schedule.end()) return;
    worker* chosen = nullptr;
    for (auto& w : q.workers)
        if (!w.busy && !w.finished) chosen = &w;  // the latest idle one: the others may end
    if (!chosen) {
        wake_alarm* alarm = open_wake_alarm();
        if (!alarm) return;
        auto self = q.workers.emplace(q.workers.end());
        self->alarm = alarm;
        self->idle_since = steady::now();
        try {
            self->thread = std::thread(work, &*self, q.generation);
        } catch (...) {
            close_wake_alarm(alarm);
            q.workers.erase(self);
            return;
        }
        ++q.threads;
        chosen = &*self;
    }
    q.watcher = chosen;
    set_alarm(*chosen, (*next)->due);
}

// Needs the lock; after a timer was armed to come due at due.
void watch_for(timer_queue& q, steady::time_point due) {
    if (!q.watcher) {
        appoint_watcher(q);
    } else if (due < q.watcher->alarm_time) {
        set_alarm(*q.watcher, due);
    }
    // A later time than the alarm's is left to the watcher: it wakes, finds nothing due
    // and sets its alarm again. That keeps restarts of a timer to a few instructions.
}

void disarm(timer_queue& q, platform_timer& timer) {
    if (!timer.armed) return;
    timer.armed = false;
    q.schedule.erase(std::find_if(q.schedule.begin(), q.schedule.end(),
                                  [&](const timer_handle& t) { return t.get() == &timer; }));
}

// Needs the lock. Takes the timer that is due off the schedule or on to its next period;
// the timer to call, or null when its overlapping calls are at the cap.
timer_handle take_due(timer_queue& q, std::vector<timer_handle>::iterator due,
                      steady::time_point now) {
    timer_handle timer = *due;
    if (timer->period.count() == 0) {
        disarm(q, *timer);
    } else {
        // Counted from the previous due time, so ticks do not drift; ticks missed while
        // the machine was busy or asleep are skipped rather than fired in a burst.
        do timer->due += timer->period;
        while (timer->due <= now);
    }
    if (timer->running >= max_overlapping_calls) return nullptr;
    return timer;
}

// Makes one call; takes the lock held and returns with it held.
void make_call(timer_queue& q, std::unique_lock<std::mutex>& lock, timer_handle timer) {
    timer->callback_threads.push_back(std::this_thread::get_id());
    ++timer->running;
    ++q.calls_begun;
    lock.unlock();
    in_any_callback = true;
    try {
        timer->callback();
    } catch (...) {
        // A failing callback ends only its own call.
    }
    in_any_callback = false;
    lock.lock();
    auto& ids = timer->callback_threads;
    ids.erase(std::find(ids.begin(), ids.end(), std::this_thread::get_id()));
    --timer->running;
    --q.calls_begun;
    q.callback_ended.notify_all();
    // The last reference may go here, and with it what the callback holds: not under the lock.
    lock.unlock();
    timer.reset();
    lock.lock();
}

// Joins the threads that have ended; drops the lock while joining.
void join_finished_workers(timer_queue& q, std::unique_lock<std::mutex>& lock) {
    std::vector<worker> finished;
    for (auto it = q.workers.begin(); it != q.workers.end();) {
        if (it->finished) {
            finished.push_back(std::move(*it));
            it = q.workers.erase(it);
        } else {
            ++it;
        }
    }
    if (finished.empty()) return;
    lock.unlock();
    for (auto& w : finished) {
        w.thread.join();
        close_wake_alarm(w.alarm);
    }
    lock.lock();
}

void sleep(worker& self, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    sleep_on_wake_alarm(self.alarm);
    lock.lock();
    // Woken: the alarm has gone off or is about to be set anew; either way set it again.
    self.alarm_time = unknown;
}

void work(worker* self, unsigned generation) {
    timer_queue& q = queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    while (q.generation == generation) {
        join_finished_workers(q, lock);
        if (q.generation != generation) break;
        const auto now = steady::now();
        if (q.watcher == self) {
            const auto next = earliest(q);
            if (next == q.schedule.end()) {
                q.watcher = nullptr;
                continue;
            }
            if ((*next)->due > now) {
                set_alarm(*self, (*next)->due);
                sleep(*self, lock);
                continue;
            }
            timer_handle timer = take_due(q, next, now);
            if (!timer) continue;  // at its cap: this one is skipped
            self->busy = true;
            q.watcher = nullptr;
            appoint_watcher(q);
            make_call(q, lock, std::move(timer));
            self->busy = false;
            self->idle_since = steady::now();
            continue;
        }
        if (!q.watcher && !q.schedule.empty()) {
            q.watcher = self;
            continue;
        }
        if (q.schedule.empty() || now >= self->idle_since + idle_limit) {
            if (other_live_worker(q, self)) break;
            // The last thread stays, asleep with its alarm off, so that every thread that
            // ends has one left to join it.
            set_alarm(*self, never);
            sleep(*self, lock);
            continue;
        }
        set_alarm(*self, self->idle_since + idle_limit);
        sleep(*self, lock);
    }
    if (q.watcher == self) q.watcher = nullptr;
    self->finished = true;
    --q.threads;
    q.callback_ended.notify_all();
    // A sleeping thread joins this one; a busy one does after its call.
    for (auto& w : q.workers) {
        if (!w.finished && !w.busy) {
            set_alarm(w, steady::now());
            break;
        }
    }
}

}  // namespace

timer_handle create_timer(uint32_t due_ms, uint32_t period_ms, std::function<void()> callback) {
    auto timer = std::make_shared<platform_timer>();
    timer->callback = std::move(callback);
    timer_queue& q = queue();
    std::lock_guard<std::mutex> lock(q.mutex);
    timer->period = std::chrono::milliseconds(period_ms);
    timer->due = steady::now() + std::chrono::milliseconds(due_ms);
    timer->armed = true;
    timer->epoch = q.epoch;
    q.schedule.push_back(timer);
    watch_for(q, timer->due);
    return timer;
}

bool change_timer(const timer_handle& timer, uint32_t due_ms, uint32_t period_ms) {
    if (!timer) return false;
    timer_queue& q = queue();
    std::lock_guard<std::mutex> lock(q.mutex);
    if (timer->cancelled || timer->epoch != q.epoch) return false;
    timer->period = std::chrono::milliseconds(period_ms);
    timer->due = steady::now() + std::chrono::milliseconds(due_ms);
    if (!timer->armed) {
        timer->armed = true;
        q.schedule.push_back(timer);
    }
    watch_for(q, timer->due);
    return true;
}

bool delete_timer(const timer_handle& timer, bool wait_for_callbacks) {
    if (!timer) return true;
    timer_queue& q = queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    timer->cancelled = true;
    disarm(q, *timer);
    if (!wait_for_callbacks) return true;

    // From inside one of its own calls: wait for the other calls only, and count this one
    // out for them too, so that overlapping calls deleting their timer never wait on
    // each other.
    const bool inside = contains(timer->callback_threads, std::this_thread::get_id());
    if (inside) {
        ++timer->waiting_inside;
        q.callback_ended.notify_all();
    }
    const bool done = q.callback_ended.wait_for(lock, callback_wait_limit, [&] {
        return timer->running == (inside ? timer->waiting_inside : 0);
    });
    if (inside) --timer->waiting_inside;
    return done && !inside;
}

bool in_timer_callback(const timer_handle& timer) {
    if (!timer) return false;
    std::lock_guard<std::mutex> lock(queue().mutex);
    return contains(timer->callback_threads, std::this_thread::get_id());
}

void shutdown_timer_queue() {
    timer_queue& q = queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    ++q.epoch;
    for (auto& timer : q.schedule) {
        timer->cancelled = true;
        timer->armed = false;
    }
    q.schedule.clear();
    q.watcher = nullptr;
    // A callback cannot wait for itself or join its own thread: cancelling is all it gets.
    if (in_any_callback) return;

    ++q.generation;
    const auto now = steady::now();
    for (auto& w : q.workers)
        if (!w.finished && !w.busy) set_alarm(w, now);
    q.callback_ended.wait_for(lock, callback_wait_limit, [&] { return q.threads == 0; });
    // A callback still blocked past the limit keeps its thread in the list, unjoined.
    join_finished_workers(q, lock);
}

int running_timer_callbacks() {
    std::lock_guard<std::mutex> lock(queue().mutex);
    return queue().calls_begun;
}
