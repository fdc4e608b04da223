#include <string>
#include "support/texts.h"

#include <gtest/gtest.h>

#include "display/status_line.h"
#include "host/exports.h"
#include "player/player_state.h"
#include "settings/config.h"
#include "support/test_env.h"

namespace {

class status_line : public testenv::host_folder_test {
  protected:
    void load(const std::string& config = "") {
        write_config("reset_delay=60\n" + config);
        init_config();
    }
    static void set_countdown(int32_t countdown) {
        std::lock_guard<std::mutex> lock(state_mutex);
        player_state.info_countdown = countdown;
    }
};

TEST_F(status_line, clock_for_the_empty_mode_pictures_and_unknown_types) {
    load();
    EXPECT_EQ(function2(nullptr, nullptr), std::string("$Center($Time(mm/dd/yy hh:nn))"));
    for (const char* mode : {"picture", "unknown", "Movie", "songs", "movi"}) {
        set_mode(testenv::text(mode));
        EXPECT_EQ(build_status_line(), "$Center($Time(mm/dd/yy hh:nn))") << mode;
    }
}

TEST_F(status_line, clock_uses_the_time_format_setting) {
    load("time_format=hh:nn:ss\n");
    EXPECT_EQ(build_status_line(), "$Center($Time(hh:nn:ss))");
}

TEST_F(status_line, movie_progress_as_bar_with_use_bars_1_and_2) {
    load();
    set_mode(U("movie"));
    for (int32_t bars : {1, 2}) {
        config_items[cfg_use_bars].int_value = bars;
        set_progress(42, U("0:05:07"), U("1:30:00"));
        EXPECT_EQ(build_status_line(), "$Bar(42,100,20)") << bars;
    }
}

TEST_F(status_line, movie_progress_as_times_with_use_bars_0) {
    load("use_bars=0\n");
    set_mode(U("movie"));
    set_progress(42, U("0:05:07"), U("1:30:00"));
    EXPECT_EQ(build_status_line(), "  0:05:07/1:30:00");
}

TEST_F(status_line, volume_as_bar_only_with_use_bars_1) {
    load("lcd_width=16\n");
    set_volume(false, 40);
    EXPECT_EQ(build_status_line(), "$Bar(40,100,16)");
}

TEST_F(status_line, volume_as_number_with_use_bars_0_and_2) {
    load();
    set_volume(false, 40);
    for (int32_t bars : {0, 2}) {
        config_items[cfg_use_bars].int_value = bars;
        EXPECT_EQ(build_status_line(), "$Center(40 / 100)") << bars;
    }
}

TEST_F(status_line, episode_text_until_the_first_poll) {
    load();
    set_mode(U("episode"));
    set_progress(10, U(""), U(""));
    set_episode(5, 3, U("Pilot"));
    EXPECT_EQ(build_status_line(), "S05E03: Pilot");
    set_countdown(0);
    EXPECT_EQ(build_status_line(), "$Bar(10,100,20)");
}

TEST_F(status_line, channel_title_until_the_first_poll) {
    load();
    set_mode(U("channel"));
    set_progress(11, U(""), U(""));
    set_channel(5, U("BBC One"), U("News"));
    EXPECT_EQ(build_status_line(), "$Center(News)");
    set_countdown(0);
    EXPECT_EQ(build_status_line(), "$Bar(11,100,20)");
}

TEST_F(status_line, song_details_by_countdown) {
    load("track_str=Nr.\n");
    set_mode(U("song"));
    set_progress(12, U(""), U(""));
    set_song(7, testenv::text("A\xC3\xA9"), U("B"));
    EXPECT_EQ(build_status_line(), "$Center(A\xE9)");
    for (int32_t countdown : {6, 5, 4}) {
        set_countdown(countdown);
        EXPECT_EQ(build_status_line(), "$Center(B)") << countdown;
    }
    for (int32_t countdown : {3, 2, 1}) {
        set_countdown(countdown);
        EXPECT_EQ(build_status_line(), "$Center(Nr.7)") << countdown;
    }
    set_countdown(0);
    EXPECT_EQ(build_status_line(), "$Bar(12,100,20)");
}

TEST_F(status_line, song_without_track_number_ends_its_details_with_the_album) {
    load();
    set_mode(U("song"));
    set_progress(13, U(""), U(""));
    set_song(0, U("A"), U("B"));
    set_countdown(2);
    EXPECT_EQ(build_status_line(), "$Center(B)");
    EXPECT_EQ(get_info_countdown(), 0);
    EXPECT_EQ(build_status_line(), "$Bar(13,100,20)");
}

}  // namespace
