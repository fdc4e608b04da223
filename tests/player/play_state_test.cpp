// The play state, title and mode as Kodi's player notifications change them.
#include <algorithm>
#include <iostream>
#include <thread>
#include <vector>

#include "player_fixture.h"

namespace player_testing {
namespace {

using testenv::wait_until;

class play_state_test : public player_test {};

TEST_F(play_state_test, PlayPauseResumeSpeedAndStopFollowTheTransitionTable) {
    connect();
    kodi.on("Player.GetProperties", progress_result(10));
    push("Player.OnPlay", movie_play("T"));
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_playing && get_title() == "T"; }));
    EXPECT_EQ(get_mode(), "movie");
    EXPECT_EQ(get_player_id(), 1);
    EXPECT_TRUE(log_contains("title T"));
    EXPECT_TRUE(log_contains("Mode set to movie"));

    // Pause, then resume by "Player.OnPlay": only the play state changes, nothing is asked.
    push("Player.OnPause", speed_data(0));
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_paused; }));
    const size_t item_requests = requests_for("Player.GetItem");
    push("Player.OnPlay", movie_play("Other", 7));
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_playing; }));
    EXPECT_EQ(get_title(), "T");
    EXPECT_EQ(get_player_id(), 1);
    EXPECT_FALSE(log_contains("title Other"));

    // Resume by "Player.OnResume" (Kodi 18 and later).
    push("Player.OnPause", speed_data(0));
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_paused; }));
    push("Player.OnResume", speed_data(1));
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_playing; }));
    EXPECT_EQ(get_title(), "T");

    // Fast speeds keep the real title saved; speed 1 brings it back.
    push("Player.OnSpeedChanged", speed_data(2));
    ASSERT_TRUE(wait_until([] { return get_title() == "Fast-Forward 2X"; }));
    EXPECT_EQ(get_play_state(), state_fast_forward);
    push("Player.OnSpeedChanged", speed_data(4));
    ASSERT_TRUE(wait_until([] { return get_title() == "Fast-Forward 4X"; }));
    // "Player.OnResume" while fast-forwarding changes nothing; the speed change after it does.
    push("Player.OnResume", speed_data(1));
    sync();
    EXPECT_EQ(get_play_state(), state_fast_forward);
    push("Player.OnSpeedChanged", speed_data(1));
    ASSERT_TRUE(wait_until([] { return get_title() == "T"; }));
    EXPECT_EQ(get_play_state(), state_playing);
    EXPECT_EQ(read_state([](const player_state_t& s) { return s.saved_title; }), "");

    push("Player.OnSpeedChanged", speed_data(-1));
    ASSERT_TRUE(wait_until([] { return get_title() == "Rewind"; }));
    EXPECT_EQ(get_play_state(), state_rewind);
    push("Player.OnSpeedChanged", speed_data(-32));
    ASSERT_TRUE(wait_until([] { return get_title() == "Rewind 32X"; }));
    push("Player.OnSpeedChanged", speed_data(1));
    ASSERT_TRUE(wait_until([] { return get_title() == "T"; }));

    // Speed 0 comes with an audio pause: it changes nothing.
    push("Player.OnSpeedChanged", speed_data(0));
    sync();
    EXPECT_EQ(get_title(), "T");
    EXPECT_EQ(get_play_state(), state_playing);

    // Audio resume: "Player.OnResume" then speed 1, which must keep the title.
    push("Player.OnPause", speed_data(0));
    push("Player.OnSpeedChanged", speed_data(0));
    push("Player.OnResume", speed_data(1));
    push("Player.OnSpeedChanged", speed_data(1));
    sync();
    EXPECT_EQ(get_play_state(), state_playing);
    EXPECT_EQ(get_title(), "T");
    EXPECT_EQ(requests_for("Player.GetItem"), item_requests);

    // Stop: the stop screen, then after the reset delay the empty mode.
    push("Player.OnStop", R"({"end":false,"item":{"title":"movie.mp4","type":"movie"}})");
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_stopped; }));
    EXPECT_EQ(get_title(), "Stop");
    // "Player.OnResume" while stopped changes nothing either.
    push("Player.OnResume", speed_data(1));
    sync();
    EXPECT_EQ(get_play_state(), state_stopped);
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_none; }, 6s));
    EXPECT_EQ(get_title(), "");
    EXPECT_EQ(get_mode(), "");
}

TEST_F(play_state_test, SpeedLabelsComeFromTheSettingsAndTheLowestSpeedHasAMagnitude) {
    connect(
        "ff_str=Vor\nrewind_str=Zur\xC3\xBC"
        "ck\n");
    push("Player.OnPlay", movie_play("T"));
    push("Player.OnSpeedChanged", speed_data(8));
    ASSERT_TRUE(wait_until([] { return get_title() == "Vor 8X"; }));
    push("Player.OnSpeedChanged", speed_data(-2147483647 - 1));
    ASSERT_TRUE(wait_until([] {
        return get_title() ==
               "Zur\xC3\xBC"
               "ck 2147483648X";
    }));
    // Speed 1 right after a play (nothing saved) only confirms playing.
    push("Player.OnPlay", movie_play("U"));
    push("Player.OnSpeedChanged", speed_data(1));
    sync();
    EXPECT_EQ(get_title(), "U");
}

TEST_F(play_state_test, VolumeLevelShowsTheVolumeScreenUntilTheResetDelayButMuteDoesNot) {
    connect();
    push("Player.OnPlay", movie_play("T"));
    ASSERT_TRUE(wait_until([] { return get_mode() == "movie"; }));

    push("Application.OnVolumeChanged", volume_data(false, "40"));
    ASSERT_TRUE(wait_until([] { return get_mode() == "volume"; }));
    EXPECT_EQ(get_volume(), 40);
    // A second level change restarts the delay and keeps the mode from before the first.
    push("Application.OnVolumeChanged", volume_data(false, "47.9"));
    ASSERT_TRUE(wait_until([] { return get_volume() == 47; }));
    EXPECT_EQ(read_state([](const player_state_t& s) { return s.saved_mode; }), U("movie"));
    ASSERT_TRUE(wait_until([] { return get_mode() == "movie"; }, 6s));
    EXPECT_EQ(get_title(), "T");

    push("Application.OnVolumeChanged", volume_data(true, "60"));
    ASSERT_TRUE(wait_until([] { return get_muted(); }));
    EXPECT_EQ(get_volume(), 60);
    push("Application.OnVolumeChanged", volume_data(false, "60"));
    ASSERT_TRUE(wait_until([] { return !get_muted(); }));
    EXPECT_EQ(get_mode(), "movie");
    EXPECT_FALSE(reset_timer_pending());  // the level change's ran out; the mute started none
}

TEST_F(play_state_test, VolumeChangeDuringTheStopScreenStillEndsInTheEmptyMode) {
    connect();
    push("Player.OnPlay", movie_play("T"));
    push("Player.OnStop", R"({"end":false,"item":{"type":"movie"}})");
    push("Application.OnVolumeChanged", volume_data(false, "30"));
    ASSERT_TRUE(wait_until([] { return get_mode() == "volume"; }));
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_none; }, 6s));
    EXPECT_EQ(get_mode(), "");
    EXPECT_EQ(get_title(), "");
}

TEST_F(play_state_test, TheStopScreenLastsTheResetDelayFromTheLatestStop) {
    connect();  // reset_delay 1 s
    using clock = std::chrono::steady_clock;
    push("Player.OnStop", R"({"end":true})");
    sync();
    const auto first = clock::now();
    std::this_thread::sleep_for(600ms);
    const auto pushed = clock::now();
    push("Player.OnStop", R"({"end":true})");
    sync();
    const auto second = clock::now();
    // Past the first stop's delay, within the second's: the earlier start does not end it.
    std::this_thread::sleep_until(first + 1200ms);
    if (clock::now() < second + 900ms) {
        EXPECT_EQ(get_play_state(), state_stopped);
    }
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_none; }, 6s));
    EXPECT_GE(clock::now() - pushed, 1000ms);
    EXPECT_EQ(get_title(), "");

    // Cancelled by an unload: the stop screen stays.
    push("Player.OnStop", R"({"end":true})");
    sync();
    stop_reset_timers();
    std::this_thread::sleep_for(1300ms);
    EXPECT_EQ(get_play_state(), state_stopped);
}

// Reports the time from a pushed notification to the changed state; asserts nothing on it.
TEST_F(play_state_test, MeasuresNotificationToStateLatency) {
    connect();
    std::vector<double> micros;
    for (int i = 0; i < 200; ++i) {
        const bool pause = i % 2 == 0;
        const int32_t expected = pause ? state_paused : state_playing;
        const auto start = std::chrono::steady_clock::now();
        push(pause ? "Player.OnPause" : "Player.OnResume", speed_data(pause ? 0 : 1));
        while (get_play_state() != expected) {
            ASSERT_LT(std::chrono::steady_clock::now() - start, 5s);
        }
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(micros.begin(), micros.end());
    std::cout << "notification to state: p50 " << micros[micros.size() / 2] << " us, p99 "
              << micros[micros.size() * 99 / 100] << " us, max " << micros.back() << " us\n";
}

}  // namespace
}  // namespace player_testing
