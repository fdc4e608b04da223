// The timer queue's re-arm in place and its reused threads: re-arming while a call runs,
// after a one-shot fired and against a cancel-and-wait; calls that block delay no other
// timer; threads end when idle and come back.
#include <atomic>
#include <future>
#include <thread>

#include "timer_test_support.h"

namespace timer_testing {
namespace {

TEST_F(timer_queue, rearm_while_a_call_of_the_same_timer_runs_starts_the_next_beside_it) {
    gate release;
    std::atomic<int> calls{0};
    const auto timer = create_timer(0, 0, [&] {
        ++calls;
        release.wait();
    });
    ASSERT_TRUE(wait_until([&] { return calls == 1; }));
    EXPECT_TRUE(change_timer(timer, 0, 0));
    // The running call goes on, and the re-armed one runs beside it.
    EXPECT_TRUE(wait_until([&] { return calls == 2 && running_timer_callbacks() == 2; }));
    release.open();
    EXPECT_TRUE(delete_timer(timer, true));
    EXPECT_EQ(calls, 2);
}

TEST_F(timer_queue, rearm_of_a_fired_one_shot_fires_it_again_once) {
    std::atomic<int> calls{0};
    const auto timer = create_timer(0, 0, [&] { ++calls; });
    ASSERT_TRUE(wait_until([&] { return calls == 1 && running_timer_callbacks() == 0; }));
    EXPECT_TRUE(change_timer(timer, 20, 0));
    ASSERT_TRUE(wait_until([&] { return calls == 2; }));
    // From its own callback, into a periodic one.
    std::promise<timer_handle> handle;
    std::shared_future<timer_handle> own = handle.get_future().share();
    std::atomic<int> own_calls{0};
    std::atomic<bool> rearmed{false};
    handle.set_value(create_timer(0, 0, [&] {
        if (++own_calls == 1) rearmed = change_timer(own.get(), 5, 5);
    }));
    EXPECT_TRUE(wait_until([&] { return own_calls >= 4; }));
    EXPECT_TRUE(rearmed);
    EXPECT_TRUE(delete_timer(own.get(), true));
    std::this_thread::sleep_for(60ms);  // room for a wrong further call
    EXPECT_EQ(calls, 2);
}

TEST_F(timer_queue, rearm_of_a_deleted_or_null_timer_is_refused_and_starts_nothing) {
    std::atomic<int> calls{0};
    const auto timer = create_timer(60000, 0, [&] { ++calls; });
    EXPECT_TRUE(delete_timer(timer, false));
    EXPECT_FALSE(change_timer(timer, 0, 0));
    EXPECT_FALSE(change_timer(nullptr, 0, 0));
    const auto before_shutdown = create_timer(60000, 0, [&] { ++calls; });
    shutdown_timer_queue();
    EXPECT_FALSE(change_timer(before_shutdown, 0, 0));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(calls, 0);
}

TEST_F(timer_queue, rearm_racing_a_cancel_and_wait_never_calls_after_the_wait) {
    for (int round = 0; round < 50; ++round) {
        std::atomic<bool> deleted{false}, late_call{false};
        std::atomic<int> calls{0};
        const auto timer = create_timer(0, 1, [&] {
            if (deleted) late_call = true;
            ++calls;
        });
        ASSERT_TRUE(wait_until([&] { return calls >= 1; }));
        std::atomic<bool> stop{false};
        std::thread rearming([&] {
            while (!stop) change_timer(timer, 0, 1);
        });
        EXPECT_TRUE(delete_timer(timer, true));
        deleted = true;
        EXPECT_FALSE(change_timer(timer, 0, 0));
        std::this_thread::sleep_for(2ms);
        stop = true;
        rearming.join();
        EXPECT_FALSE(late_call) << "round " << round;
    }
}

TEST_F(timer_queue, a_blocked_callback_delays_no_other_timer) {
    gate release;
    std::atomic<bool> blocked{false};
    std::atomic<int> ticks{0};
    const auto blocker = create_timer(0, 0, [&] {
        blocked = true;
        release.wait();
    });
    ASSERT_TRUE(wait_until([&] { return blocked.load(); }));
    // Both a new timer and the periodic ticks of another run while the call blocks.
    const auto ticker = create_timer(0, 10, [&] { ++ticks; });
    std::atomic<bool> one_shot{false};
    create_timer(30, 0, [&] { one_shot = true; });
    EXPECT_TRUE(wait_until([&] { return ticks >= 5 && one_shot; }));
    EXPECT_GE(running_timer_callbacks(), 1);
    release.open();
    EXPECT_TRUE(delete_timer(ticker, true));
    EXPECT_TRUE(delete_timer(blocker, true));
}

TEST_F(timer_queue, threads_end_when_idle_and_come_back_when_needed) {
    if (!testenv::timer_calls_run_on_own_threads())
        GTEST_SKIP() << "the calls run on the system's thread pool, whose threads it manages";
    const int baseline = threads_without_queue();
    // Four blocked calls while a periodic timer ticks: the queue grows to carry them all.
    gate release;
    std::atomic<int> blocked{0}, ticks{0};
    const auto ticker = create_timer(0, 20, [&] { ++ticks; });
    for (int i = 0; i < 4; ++i)
        create_timer(0, 0, [&] {
            ++blocked;
            release.wait();
        });
    ASSERT_TRUE(wait_until([&] { return blocked == 4; }));
    const int grown = thread_count();
    EXPECT_GE(grown, baseline + 5);
    release.open();
    // With the ticker still armed, the idle threads end: a watcher and one spare remain.
    EXPECT_TRUE(wait_until([&] { return thread_count() <= baseline + 2; }, 10s))
        << thread_count() << " threads, " << baseline << " without the queue";
    const int ticks_then = ticks;
    EXPECT_TRUE(wait_until([&] { return ticks >= ticks_then + 3; }));
    // Without any armed timer one thread is left, asleep.
    EXPECT_TRUE(delete_timer(ticker, true));
    EXPECT_TRUE(wait_until([&] { return thread_count() == baseline + 1; }, 10s));
    // And they come back.
    std::atomic<int> later{0};
    create_timer(0, 0, [&] { ++later; });
    EXPECT_TRUE(wait_until([&] { return later == 1; }));
}

}  // namespace
}  // namespace timer_testing
