// Timers on a timer queue of the operating system. Each arming of a timer is one system
// timer with a context of its own; a context is freed only once the system reports that no
// call with it runs any more, so no callback can find its timer gone.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/timer_queue.h"

namespace {

struct arming;

}  // namespace

// All fields are guarded by the queue's mutex.
struct platform_timer {
    std::function<void()> callback;
    std::unique_ptr<arming> current;  // the arming whose ticks may begin calls; none when idle
    bool cancelled = false;
    int running = 0;         // calls begun and not yet returned
    int waiting_inside = 0;  // of those, the ones waiting in delete_timer on this very timer
    std::vector<DWORD> callback_threads;
};

namespace {

// The context of one system timer. It holds its timer, so the timer outlives every call
// the system makes with it.
struct arming {
    timer_handle timer;
    HANDLE system_timer = nullptr;
    bool one_shot = false;
};

// An arming the system was told to delete; done is signalled when its calls are over.
struct retired_arming {
    std::unique_ptr<arming> context;
    std::shared_ptr<void> done;
};

constexpr auto callback_wait_limit = std::chrono::seconds(30);
constexpr DWORD callback_wait_limit_ms = 30000;
constexpr int max_overlapping_calls = 16;

struct timer_queue {
    std::mutex mutex;
    std::condition_variable callback_ended;
    HANDLE system_queue = nullptr;
    std::set<platform_timer*> armed;  // timers with a current arming
    std::vector<retired_arming> retired;
    int calls_begun = 0;
};

// Never destroyed: a system thread must never find the queue gone, even at process exit.
timer_queue& queue() {
    static auto* q = new timer_queue;
    return *q;
}

thread_local int callbacks_on_this_thread = 0;

std::shared_ptr<void> new_event() {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event) return nullptr;
    return std::shared_ptr<void>(event, [](HANDLE handle) { CloseHandle(handle); });
}

bool is_signalled(const std::shared_ptr<void>& event) {
    return event && WaitForSingleObject(event.get(), 0) == WAIT_OBJECT_0;
}

// Tells the system to delete the timer's current arming without waiting for its calls.
void retire_current(timer_queue& q, platform_timer& timer) {
    if (!timer.current) return;
    retired_arming retired{std::move(timer.current), new_event()};
    // With an event the call returns at once, also from inside one of the timer's calls.
    // Without one (no event to be had) the context is kept for good rather than freed early.
    DeleteTimerQueueTimer(q.system_queue, retired.context->system_timer,
                          retired.done ? retired.done.get() : nullptr);
    q.retired.push_back(std::move(retired));
    q.armed.erase(&timer);
}

// Moves the retired armings whose calls are over out of the queue, to be freed by the
// caller once it has dropped the lock (freeing one may free its timer and callback).
std::vector<retired_arming> collect_finished(timer_queue& q) {
    std::vector<retired_arming> finished;
    auto& retired = q.retired;
    for (auto it = retired.begin(); it != retired.end();) {
        if (is_signalled(it->done)) {
            finished.push_back(std::move(*it));
            it = retired.erase(it);
        } else {
            ++it;
        }
    }
    return finished;
}

VOID CALLBACK on_system_timer(PVOID context, BOOLEAN);

bool arm(timer_queue& q, const timer_handle& timer, uint32_t due_ms, uint32_t period_ms) {
    if (!q.system_queue) q.system_queue = CreateTimerQueue();
    if (!q.system_queue) return false;
    auto context = std::make_unique<arming>();
    context->timer = timer;
    context->one_shot = period_ms == 0;
    // Callbacks may block for seconds: the system's pool adds threads for the others.
    ULONG flags = WT_EXECUTELONGFUNCTION;
    if (context->one_shot) flags |= WT_EXECUTEONLYONCE;
    // A call that comes at once waits for the lock, so it finds the context complete.
    if (!CreateTimerQueueTimer(&context->system_timer, q.system_queue, on_system_timer,
                               context.get(), due_ms, period_ms, flags))
        return false;
    timer->current = std::move(context);
    q.armed.insert(timer.get());
    return true;
}

bool contains(const std::vector<DWORD>& ids, DWORD id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

VOID CALLBACK on_system_timer(PVOID context, BOOLEAN) {
    auto* self = static_cast<arming*>(context);
    platform_timer& timer = *self->timer;
    timer_queue& q = queue();
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        // Cancelled or re-armed since the system fired: the call does not begin. A tick due
        // while many calls still block is skipped, so hanging calls cannot pile up.
        if (timer.cancelled || timer.current.get() != self ||
            timer.running >= max_overlapping_calls)
            return;
        ++timer.running;
        ++q.calls_begun;
        timer.callback_threads.push_back(GetCurrentThreadId());
    }
    ++callbacks_on_this_thread;
    try {
        timer.callback();
    } catch (...) {
        // A failing callback ends only its own call.
    }
    --callbacks_on_this_thread;
    std::unique_ptr<arming> spent;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        auto& ids = timer.callback_threads;
        ids.erase(std::find(ids.begin(), ids.end(), GetCurrentThreadId()));
        --timer.running;
        --q.calls_begun;
        if (self->one_shot && timer.current.get() == self) {
            // Its only call is over: the system timer goes now, not when the handle does.
            DeleteTimerQueueTimer(q.system_queue, self->system_timer, nullptr);
            spent = std::move(timer.current);
            q.armed.erase(&timer);
        }
    }
    q.callback_ended.notify_all();
    // spent (and perhaps the timer itself) is freed here, after the last use of either.
}

}  // namespace

timer_handle create_timer(uint32_t due_ms, uint32_t period_ms, std::function<void()> callback) {
    auto timer = std::make_shared<platform_timer>();
    timer->callback = std::move(callback);
    timer_queue& q = queue();
    std::vector<retired_arming> finished;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        finished = collect_finished(q);
        arm(q, timer, due_ms, period_ms);  // no system timer to be had: it never fires
    }
    return timer;
}

bool change_timer(const timer_handle& timer, uint32_t due_ms, uint32_t period_ms) {
    if (!timer) return false;
    timer_queue& q = queue();
    std::vector<retired_arming> finished;
    std::lock_guard<std::mutex> lock(q.mutex);
    finished = collect_finished(q);
    if (timer->cancelled) return false;
    // A new arming rather than ChangeTimerQueueTimer: that cannot restart a one-shot timer
    // that has fired, and a tick of the old schedule already on its way must not begin.
    retire_current(q, *timer);
    return arm(q, timer, due_ms, period_ms);
}

bool delete_timer(const timer_handle& timer, bool wait_for_callbacks) {
    if (!timer) return true;
    timer_queue& q = queue();
    std::vector<retired_arming> finished;
    std::unique_lock<std::mutex> lock(q.mutex);
    finished = collect_finished(q);
    timer->cancelled = true;
    retire_current(q, *timer);
    if (!wait_for_callbacks) return true;

    // From inside one of its own calls: wait for the other calls only, and count this one
    // out for them too, so that overlapping calls deleting their timer never wait on
    // each other.
    const bool inside = contains(timer->callback_threads, GetCurrentThreadId());
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
    return contains(timer->callback_threads, GetCurrentThreadId());
}

void shutdown_timer_queue() {
    timer_queue& q = queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    if (!q.system_queue) return;
    for (platform_timer* timer : std::set<platform_timer*>(q.armed)) {
        timer->cancelled = true;
        // The queue's deletion below ends their system timers.
        q.retired.push_back({std::move(timer->current), nullptr});
    }
    q.armed.clear();
    // A callback cannot wait for itself: deleting the queue without waiting is all it gets,
    // and the contexts of its timers are kept for good.
    if (callbacks_on_this_thread > 0) {
        DeleteTimerQueueEx(q.system_queue, nullptr);
        q.system_queue = nullptr;
        return;
    }
    const std::shared_ptr<void> done = new_event();
    const HANDLE system_queue = q.system_queue;
    q.system_queue = nullptr;
    lock.unlock();
    DeleteTimerQueueEx(system_queue, done ? done.get() : INVALID_HANDLE_VALUE);
    const bool finished =
        !done || WaitForSingleObject(done.get(), callback_wait_limit_ms) == WAIT_OBJECT_0;
    std::vector<retired_arming> freed;
    lock.lock();
    freed = collect_finished(q);
    // The queue's calls are all over: so are those of the armings it ended itself.
    auto& retired = q.retired;
    for (auto it = retired.begin(); finished && it != retired.end();) {
        if (!it->done) {
            freed.push_back(std::move(*it));
            it = retired.erase(it);
        } else {
            ++it;
        }
    }
    lock.unlock();
}

int running_timer_callbacks() {
    std::lock_guard<std::mutex> lock(queue().mutex);
    return queue().calls_begun;
}
