#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/timer_queue.h"

using steady = std::chrono::steady_clock;

// All fields are guarded by the queue's mutex.
struct platform_timer {
    std::function<void()> callback;
    std::chrono::milliseconds period{0};
    steady::time_point due;
    bool cancelled = false;
    int running = 0;         // callbacks started and not yet returned
    int waiting_inside = 0;  // of those, the ones waiting in delete_timer on this very timer
    std::vector<std::thread::id> callback_threads;
};

namespace {

// A cancel-and-wait gives up after this long rather than hang its caller for good; the
// library's own callbacks never block nearly as long.
constexpr auto callback_wait_limit = std::chrono::seconds(30);

// Calls of one timer that may run at once. A tick due while that many calls still block is
// skipped, so a timer whose calls hang cannot fill the process with threads.
constexpr int max_overlapping_calls = 16;

struct worker {
    std::thread thread;
    platform_timer* timer = nullptr;  // valid while not finished (the thread holds a reference)
    bool finished = false;
};

struct timer_queue {
    std::mutex mutex;
    std::condition_variable wake;            // dispatcher: schedule changed or a worker ended
    std::condition_variable callback_ended;  // waiters in delete_timer and shutdown
    std::vector<timer_handle> scheduled;
    std::list<worker> workers;  // every callback thread not joined yet
    std::thread dispatcher;
    unsigned generation = 0;  // a dispatcher runs while the generation it was started for lasts
    int running = 0;          // callback threads started and not yet ended
    int calls_begun = 0;      // of those, the ones whose call has begun and not yet returned
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

void run_callback(timer_handle timer, std::list<worker>::iterator self) {
    timer_queue& q = queue();
    bool run;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        // Cancelled between firing and this thread's start: the call does not begin.
        run = !timer->cancelled;
        if (run) {
            timer->callback_threads.push_back(std::this_thread::get_id());
            ++q.calls_begun;
        }
    }
    if (run) {
        in_any_callback = true;
        try {
            timer->callback();
        } catch (...) {
            // A failing callback ends only its own call.
        }
        in_any_callback = false;
    }
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        if (run) {
            auto& ids = timer->callback_threads;
            ids.erase(std::find(ids.begin(), ids.end(), std::this_thread::get_id()));
            --q.calls_begun;
        }
        --timer->running;
        --q.running;
        self->finished = true;
    }
    q.callback_ended.notify_all();
    q.wake.notify_all();
}

// Called with the lock held; the new thread waits for the lock before it starts the call.
void start_callback(timer_queue& q, const timer_handle& timer) {
    auto self = q.workers.emplace(q.workers.end());
    self->timer = timer.get();
    try {
        self->thread = std::thread(run_callback, timer, self);
    } catch (...) {
        q.workers.erase(self);  // no thread to be had: this tick is lost
        return;
    }
    ++timer->running;
    ++q.running;
}

// Joins the threads whose callbacks have ended; drops the lock while joining.
bool join_finished_workers(timer_queue& q, std::unique_lock<std::mutex>& lock) {
    std::vector<std::thread> finished;
    for (auto it = q.workers.begin(); it != q.workers.end();) {
        if (it->finished) {
            finished.push_back(std::move(it->thread));
            it = q.workers.erase(it);
        } else {
            ++it;
        }
    }
    if (finished.empty()) return false;
    lock.unlock();
    for (auto& thread : finished) thread.join();
    lock.lock();
    return true;
}

void dispatch(unsigned generation) {
    timer_queue& q = queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    while (q.generation == generation) {
        if (join_finished_workers(q, lock)) continue;
        auto next = std::min_element(
            q.scheduled.begin(), q.scheduled.end(),
            [](const timer_handle& a, const timer_handle& b) { return a->due < b->due; });
        if (next == q.scheduled.end()) {
            q.wake.wait(lock);  // nothing to do until a timer is created
            continue;
        }
        const timer_handle timer = *next;
        const auto now = steady::now();
        if (timer->due > now) {
            q.wake.wait_until(lock, timer->due);
            continue;
        }
        if (timer->period.count() == 0) {
            q.scheduled.erase(next);
        } else {
            // Counted from the previous due time, so ticks do not drift; ticks missed while
            // the machine was busy or asleep are skipped rather than fired in a burst.
            do timer->due += timer->period;
            while (timer->due <= now);
        }
        if (timer->running < max_overlapping_calls) start_callback(q, timer);
    }
}

}  // namespace

timer_handle create_timer(uint32_t due_ms, uint32_t period_ms, std::function<void()> callback) {
    auto timer = std::make_shared<platform_timer>();
    timer->callback = std::move(callback);
    timer->period = std::chrono::milliseconds(period_ms);
    timer->due = steady::now() + std::chrono::milliseconds(due_ms);

    timer_queue& q = queue();
    bool earliest = true;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        for (const auto& other : q.scheduled) earliest = earliest && timer->due < other->due;
        q.scheduled.push_back(timer);
        if (!q.dispatcher.joinable()) {
            try {
                q.dispatcher = std::thread(dispatch, q.generation);
            } catch (...) {
                // No thread now; the next create_timer tries again.
            }
        }
    }
    // The dispatcher sleeps until the earliest due time: only a new earliest one changes that.
    if (earliest) q.wake.notify_all();
    return timer;
}

bool delete_timer(const timer_handle& timer, bool wait_for_callbacks) {
    if (!timer) return true;
    timer_queue& q = queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    timer->cancelled = true;
    q.scheduled.erase(std::remove(q.scheduled.begin(), q.scheduled.end(), timer),
                      q.scheduled.end());
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
    for (auto& timer : q.scheduled) timer->cancelled = true;
    q.scheduled.clear();
    for (auto& w : q.workers)
        if (!w.finished) w.timer->cancelled = true;
    // A callback cannot wait for itself or join its own thread: cancelling is all it gets.
    if (in_any_callback) return;

    ++q.generation;
    std::thread dispatcher = std::move(q.dispatcher);
    lock.unlock();
    q.wake.notify_all();
    if (dispatcher.joinable()) dispatcher.join();

    lock.lock();
    q.callback_ended.wait_for(lock, callback_wait_limit, [&] { return q.running == 0; });
    // A callback still blocked past the limit keeps its thread in the list, unjoined.
    while (join_finished_workers(q, lock)) {
    }
}

int running_timer_callbacks() {
    std::lock_guard<std::mutex> lock(queue().mutex);
    return queue().calls_begun;
}
