#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

#include "timer_test_support.h"

namespace timer_testing {
namespace {

TEST_F(timer_queue, a_one_shot_timer_fires_once) {
    std::atomic<int> calls{0};
    const auto timer = create_timer(10, 0, [&] { ++calls; });
    ASSERT_TRUE(wait_until([&] { return calls == 1; }));
    ASSERT_TRUE(wait_until([] { return running_timer_callbacks() == 0; }));
    std::this_thread::sleep_for(100ms);  // room for a wrong second call
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(delete_timer(timer, true));
}

TEST_F(timer_queue, a_one_shot_timer_with_due_time_0_fires_at_once) {
    std::atomic<int> calls{0};
    create_timer(0, 0, [&] { ++calls; });
    EXPECT_TRUE(wait_until([&] { return calls == 1; }, 1000ms));
}

TEST_F(timer_queue, a_periodic_timer_ticks_until_deleted) {
    std::atomic<int> calls{0};
    const auto timer = create_timer(5, 10, [&] { ++calls; });
    ASSERT_TRUE(wait_until([&] { return calls >= 5; }));
    EXPECT_TRUE(delete_timer(timer, true));
    const int after_delete = calls;
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(calls, after_delete);
}

TEST_F(timer_queue, ticks_of_one_timer_overlap_when_a_call_outlasts_the_period) {
    std::atomic<int> now_running{0}, most_running{0};
    const auto timer = create_timer(0, 50, [&] {
        const int running = ++now_running;
        int most = most_running;
        while (running > most && !most_running.compare_exchange_weak(most, running)) {
        }
        std::this_thread::sleep_for(300ms);
        --now_running;
    });
    EXPECT_TRUE(wait_until([&] { return most_running >= 2; }));
    EXPECT_TRUE(delete_timer(timer, true));
    EXPECT_EQ(now_running, 0);
}

TEST_F(timer_queue, calls_that_pile_up_are_bounded_and_their_ticks_skipped) {
    gate release;
    std::atomic<int> calls{0};
    const auto timer = create_timer(0, 1, [&] {
        ++calls;
        release.wait();
    });
    ASSERT_TRUE(wait_until([&] { return calls >= 16; }));
    std::this_thread::sleep_for(50ms);  // 50 more ticks fall due meanwhile
    EXPECT_EQ(calls, 16);
    EXPECT_EQ(running_timer_callbacks(), 16);
    release.open();
    EXPECT_TRUE(delete_timer(timer, true));
}

TEST_F(timer_queue, delete_without_wait_returns_while_a_call_still_blocks) {
    gate release;
    std::atomic<bool> started{false}, finished{false};
    const auto timer = create_timer(0, 0, [&] {
        started = true;
        release.wait();
        finished = true;
    });
    ASSERT_TRUE(wait_until([&] { return started.load(); }));
    EXPECT_TRUE(delete_timer(timer, false));
    EXPECT_FALSE(finished);
    EXPECT_EQ(running_timer_callbacks(), 1);
    release.open();
    EXPECT_TRUE(wait_until([] { return running_timer_callbacks() == 0; }));
    EXPECT_TRUE(finished);
}

TEST_F(timer_queue, delete_with_wait_returns_only_after_the_blocking_call_returned) {
    std::atomic<bool> started{false}, finished{false};
    const auto timer = create_timer(0, 1000, [&] {
        started = true;
        std::this_thread::sleep_for(300ms);
        finished = true;
    });
    ASSERT_TRUE(wait_until([&] { return started.load(); }));
    EXPECT_TRUE(delete_timer(timer, true));
    EXPECT_TRUE(finished);
    EXPECT_EQ(running_timer_callbacks(), 0);
}

TEST_F(timer_queue, no_call_runs_after_delete_with_wait_returned) {
    std::atomic<int> inside{0}, calls{0};
    std::atomic<bool> deleted{false}, late_call{false};
    const auto timer = create_timer(0, 2, [&] {
        ++inside;
        if (deleted) late_call = true;
        ++calls;
        std::this_thread::sleep_for(3ms);
        --inside;
    });
    ASSERT_TRUE(wait_until([&] { return calls >= 20; }));
    EXPECT_TRUE(delete_timer(timer, true));
    deleted = true;
    EXPECT_EQ(inside, 0);
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(late_call);
}

TEST_F(timer_queue, delete_with_wait_from_its_own_call_is_refused_without_deadlock) {
    std::promise<timer_handle> handle;
    std::shared_future<timer_handle> own = handle.get_future().share();
    std::atomic<int> answer{-1};
    std::atomic<bool> inside_seen{false};
    create_timer(0, 0, [&] {
        inside_seen = in_timer_callback(own.get());
        answer = delete_timer(own.get(), true) ? 1 : 0;
    });
    const timer_handle timer = create_timer(0, 0, [] {});
    handle.set_value(timer);
    EXPECT_FALSE(in_timer_callback(timer));
    EXPECT_TRUE(wait_until([&] { return answer != -1; }));
    (void)timer;
}

TEST_F(timer_queue, overlapping_calls_deleting_their_own_timer_do_not_wait_on_each_other) {
    std::promise<timer_handle> handle;
    std::shared_future<timer_handle> own = handle.get_future().share();
    std::atomic<int> entered{0}, refused{0};
    handle.set_value(create_timer(0, 20, [&] {
        if (++entered > 2) return;
        // Both calls are running before either deletes.
        wait_until([&] { return entered >= 2; });
        if (!delete_timer(own.get(), true)) ++refused;
    }));
    EXPECT_TRUE(wait_until([&] { return refused == 2; }, 3000ms));
    EXPECT_TRUE(wait_until([] { return running_timer_callbacks() == 0; }));
}

TEST_F(timer_queue, a_callback_that_throws_does_not_stop_the_timer) {
    std::atomic<int> calls{0};
    const auto timer = create_timer(0, 5, [&] {
        ++calls;
        throw std::runtime_error("callback failure");
    });
    EXPECT_TRUE(wait_until([&] { return calls >= 3; }));
    delete_timer(timer, true);
}

TEST_F(timer_queue, deleting_null_or_finished_timers_is_safe) {
    EXPECT_TRUE(delete_timer(nullptr, true));
    EXPECT_TRUE(delete_timer(nullptr, false));
    std::atomic<int> calls{0};
    const auto timer = create_timer(0, 0, [&] { ++calls; });
    ASSERT_TRUE(wait_until([&] { return calls == 1; }));
    EXPECT_TRUE(delete_timer(timer, true));
    EXPECT_TRUE(delete_timer(timer, false));
}

TEST_F(timer_queue, shutdown_waits_for_every_call_and_leaves_no_thread) {
    // After a first round the queue must start again on demand.
    const int threads_before = threads_without_queue();

    std::atomic<int> started{0}, finished{0};
    for (int i = 0; i < 4; ++i) {
        create_timer(0, 30, [&] {
            ++started;
            std::this_thread::sleep_for(100ms);
            ++finished;
        });
    }
    create_timer(60000, 0, [] {});  // far in the future: must not keep shutdown waiting
    ASSERT_TRUE(wait_until([&] { return started >= 6; }));
    shutdown_timer_queue();
    EXPECT_EQ(running_timer_callbacks(), 0);
    EXPECT_EQ(started.load(), finished.load());
    if (testenv::timer_calls_run_on_own_threads()) {
        EXPECT_EQ(thread_count(), threads_before);
    }
}

}  // namespace
}  // namespace timer_testing
