#include <algorithm>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "display/idle_timer.h"
#include "host/exports.h"
#include "platform/timer_queue.h"
#include "player/player_state.h"
#include "settings/config.h"
#include "settings/log.h"
#include "support/kodi_process.h"
#include "support/test_env.h"

namespace {

using namespace std::chrono_literals;

class idle_timer : public testenv::host_folder_test {
  protected:
    void load(const std::string& config) {
        write_config("logging=1\nkodiexe=Kodi.exe\nreset_delay=1\n" + config);
        init_config();
        init_logging();
    }
    void TearDown() override {
        stop_reset_timers();
        shutdown_inactivity_timer();
        shutdown_timer_queue();
        host_folder_test::TearDown();
    }
    int count(const std::string& message) const {
        const auto lines = log_lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), message));
    }
    int idle_lines() const {
        int found = 0;
        for (const auto& line : log_lines()) found += line.rfind("Idle timer:", 0) == 0;
        return found;
    }
};

TEST_F(idle_timer, cycle_from_stop_to_idle_timeout_and_function10) {
    testenv::kodi_process kodi("Kodi.exe");
    load("idle_timer=1\n");
    set_play_state(state_stopped);
    start_reset_timer();

    ASSERT_TRUE(testenv::wait_until([&] { return count("Idle timer:start 1") == 1; }));
    EXPECT_TRUE(inactivity_timer_is_set());
    ASSERT_TRUE(testenv::wait_until([&] { return count("Idle timer:fire") == 1; }));
    EXPECT_EQ(get_play_state(), state_idle_timeout);
    EXPECT_EQ(function9(nullptr, nullptr), std::string("11"));
    EXPECT_EQ(function1(nullptr, nullptr), std::string("  Kodi Media Center"));

    EXPECT_EQ(function10(nullptr, nullptr), std::string(""));
    EXPECT_EQ(count("Idle timer:stop"), 1);
    EXPECT_FALSE(inactivity_timer_is_set());
    function10(nullptr, nullptr);
    EXPECT_EQ(count("Idle timer:stop"), 1);
    EXPECT_EQ(get_play_state(), state_idle_timeout);  // stopping leaves the state alone
}

TEST_F(idle_timer, restart_sets_nothing_playing_and_replaces_the_timer) {
    load("idle_timer=60\n");
    set_play_state(state_idle_timeout);
    start_inactivity_timer();
    EXPECT_EQ(get_play_state(), state_none);
    start_inactivity_timer();
    const std::vector<std::string> expected = {"Idle timer:start 60", "Idle timer:stop",
                                               "Idle timer:start 60"};
    std::vector<std::string> idle;
    for (const auto& line : log_lines())
        if (line.rfind("Idle timer:", 0) == 0) idle.push_back(line);
    EXPECT_EQ(idle, expected);
}

TEST_F(idle_timer, concurrent_starts_leave_exactly_one_timer) {
    load("idle_timer=1\n");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 10; ++i) start_inactivity_timer();
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(count("Idle timer:start 1"), 40);
    EXPECT_EQ(count("Idle timer:stop"), 39);

    ASSERT_TRUE(testenv::wait_until([&] { return count("Idle timer:fire") >= 1; }));
    EXPECT_FALSE(testenv::wait_until([&] { return count("Idle timer:fire") > 1; }, 500ms));
}

TEST_F(idle_timer, stop_waits_for_a_running_callback) {
    load("idle_timer=1\n");
    start_inactivity_timer();
    std::unique_lock<std::mutex> hold(state_mutex);  // the callback blocks on the state
    ASSERT_TRUE(testenv::wait_until([] { return running_timer_callbacks() == 1; }));
    std::thread stopper([] { stop_inactivity_timer(); });
    std::this_thread::sleep_for(50ms);  // give a faulty stop the chance to return early
    EXPECT_EQ(count("Idle timer:stop"), 0);
    hold.unlock();
    stopper.join();
    EXPECT_EQ(count("Idle timer:fire"), 1);
    EXPECT_EQ(count("Idle timer:stop"), 1);
}

TEST_F(idle_timer, zero_setting_touches_nothing) {
    load("idle_timer=0\n");
    set_play_state(state_paused);
    start_inactivity_timer();
    EXPECT_EQ(get_play_state(), state_paused);

    set_play_state(state_stopped);
    start_reset_timer();
    ASSERT_TRUE(testenv::wait_until([] { return get_play_state() == state_none; }));
    ASSERT_TRUE(testenv::wait_until([] { return running_timer_callbacks() == 0; }));
    function10(nullptr, nullptr);
    EXPECT_FALSE(inactivity_timer_is_set());
    EXPECT_EQ(idle_lines(), 0);
}

TEST(version_line, names_version_2_0_and_the_build_date) {
    const std::string line = function4(nullptr, nullptr);
    EXPECT_TRUE(
        std::regex_match(line, std::regex(R"(\$Center\( v2\.0 [A-Z][a-z]{2} [ 123]\d \d{4}\))")))
        << line;
}

}  // namespace
