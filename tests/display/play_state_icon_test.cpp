#include <string>

#include <gtest/gtest.h>

#include "display/play_state_icon.h"
#include "display/title_line.h"
#include "host/exports.h"
#include "player/player_state.h"
#include "settings/config.h"
#include "support/test_env.h"

namespace {

class play_state_icon_test : public testenv::host_folder_test {
  protected:
    void SetUp() override {
        host_folder_test::SetUp();
        write_config("disable_icon=1\n");
        init_config();
    }
    static void set_state(int32_t state, bool muted) {
        std::lock_guard<std::mutex> lock(state_mutex);
        player_state.play_state = state;
        player_state.muted = muted;
    }
};

TEST_F(play_state_icon_test, one_glyph_per_play_state) {
    const struct {
        int32_t state;
        const char* rows;
    } glyphs[] = {
        {state_playing, "16, 24, 28, 30, 28, 24, 16, 0"},
        {state_stopped, "14, 14, 14, 14, 14, 14, 14, 0"},
        {state_paused, "27, 27, 27, 27, 27, 27, 27, 0"},
        {state_fast_forward, "0, 20, 26, 29, 29, 26, 20, 0"},
        {state_rewind, "0, 5, 11, 23, 23, 11, 5, 0"},
    };
    for (const auto& glyph : glyphs) {
        set_state(glyph.state, false);
        EXPECT_EQ(play_state_icon(), std::string("$CustomChar(7, ") + glyph.rows + ")$Chr(135)")
            << glyph.state;
    }
}

TEST_F(play_state_icon_test, nothing_playing_and_idle_timeout_give_one_space) {
    set_state(state_none, false);
    EXPECT_EQ(play_state_icon(), " ");
    set_state(state_idle_timeout, false);
    EXPECT_EQ(play_state_icon(), " ");
}

TEST_F(play_state_icon_test, muted_wins_over_every_state) {
    for (int32_t state : {state_none, state_playing, state_paused, state_idle_timeout}) {
        set_state(state, true);
        EXPECT_EQ(play_state_icon(), "$CustomChar(7, 8, 13, 10, 15, 11, 26, 12, 8)$Chr(135)")
            << state;
    }
}

TEST_F(play_state_icon_test, unknown_state_gives_the_frame_glyph) {
    set_state(7, false);
    EXPECT_EQ(play_state_icon(), "$CustomChar(7, 63, 0, 0, 0, 0, 0, 0, 63)$Chr(135)");
}

TEST_F(play_state_icon_test, function6_shows_the_icon_although_the_title_line_does_not) {
    set_state(state_fast_forward, false);
    EXPECT_EQ(function6(nullptr, nullptr),
              std::string("$CustomChar(7, 0, 20, 26, 29, 29, 26, 20, 0)$Chr(135)"));
    EXPECT_EQ(build_title_line().find("$CustomChar"), std::string::npos);
}

TEST_F(play_state_icon_test, mute_notification_shows_the_muted_glyph) {
    set_volume(true, 40);
    EXPECT_EQ(play_state_icon(), "$CustomChar(7, 8, 13, 10, 15, 11, 26, 12, 8)$Chr(135)");
    set_volume(false, 40);
    EXPECT_EQ(play_state_icon(), " ");
}

}  // namespace
