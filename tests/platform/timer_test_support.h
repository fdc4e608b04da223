// What the timer queue's tests share: a fixture that shuts the queue down after each test,
// the process's thread count, and a gate for callbacks that must block.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/timer_queue.h"
#include "support/test_env.h"
#include "support/test_platform.h"

namespace timer_testing {

using namespace std::chrono_literals;
using testenv::wait_until;

class timer_queue : public testenv::host_folder_test {
  protected:
    void TearDown() override {
        shutdown_timer_queue();
        testenv::host_folder_test::TearDown();
    }
};

// Threads of this process, the test's own main thread included.
inline int thread_count() {
    return testenv::thread_count();
}

// Threads once the queue has run and been shut down: a sanitizer may start a helper thread
// of its own at the first timer, which must not count as the queue's.
inline int threads_without_queue() {
    bool fired = false;
    std::mutex mutex;
    create_timer(0, 0, [&] {
        std::lock_guard<std::mutex> lock(mutex);
        fired = true;
    });
    wait_until([&] {
        std::lock_guard<std::mutex> lock(mutex);
        return fired;
    });
    shutdown_timer_queue();
    return thread_count();
}

// A gate that blocking callbacks wait at until the test opens it.
class gate {
  public:
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        opened_.wait_for(lock, 10s, [this] { return open_; });
    }
    void open() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

}  // namespace timer_testing
