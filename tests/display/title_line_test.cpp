#include <string>
#include "support/texts.h"

#include <gtest/gtest.h>

#include "display/title_line.h"
#include "host/exports.h"
#include "player/player_state.h"
#include "settings/config.h"
#include "support/test_env.h"

namespace {

const std::string play_icon = "$CustomChar(7, 16, 24, 28, 30, 28, 24, 16, 0)$Chr(135)";

class title_line : public testenv::host_folder_test {
  protected:
    void load(const std::string& config = "") {
        write_config(config);
        init_config();
    }
    void play(const std::string& mode, const std::string& title) {
        set_mode(testenv::text(mode));
        set_title(testenv::text(title));
        set_play_state(state_playing);
    }
};

TEST_F(title_line, at_load_shows_the_welcome_text_behind_the_empty_icon) {
    load();
    EXPECT_EQ(function1(nullptr, nullptr), std::string("  Kodi Media Center"));
}

TEST_F(title_line, without_icon_centres_in_the_whole_width) {
    load("disable_icon=1\n");
    EXPECT_EQ(build_title_line(), " Kodi Media Center");
    play("movie", "Heat");
    EXPECT_EQ(build_title_line(), "Heat");
}

TEST_F(title_line, volume_screen_centres_the_volume_label) {
    load("reset_delay=60\n");
    set_volume(false, 40);
    EXPECT_EQ(build_title_line(), "  " + std::string(6, ' ') + "Volume");
}

TEST_F(title_line, titled_modes_show_the_title_behind_the_icon) {
    load();
    for (const char* mode : {"movie", "episode", "song", "picture"}) {
        play(mode, std::string("Title of ") + mode);
        EXPECT_EQ(build_title_line(), play_icon + " Title of " + mode) << mode;
    }
}

TEST_F(title_line, channel_shows_the_channel_text) {
    load();
    set_mode(U("channel"));
    set_channel(5, U("BBC One"), U("News"));
    set_play_state(state_playing);
    EXPECT_EQ(build_title_line(), play_icon + " Channel5 BBC One");
}

TEST_F(title_line, unknown_item_types_and_case_variants_show_the_welcome_text) {
    load();
    for (const char* mode : {"unknown", "Movie", "musicvideo", "songs", "channe", "volumE"}) {
        play(mode, "Hidden");
        EXPECT_EQ(build_title_line(), play_icon + " Kodi Media Center") << mode;
    }
}

TEST_F(title_line, long_texts_are_neither_cut_nor_padded) {
    load("welcome=A welcome text longer than the display\n");
    EXPECT_EQ(build_title_line(), "  A welcome text longer than the display");
    const std::string title(40, 'x');
    play("movie", title);
    EXPECT_EQ(build_title_line(), play_icon + " " + title);
}

TEST_F(title_line, a_title_longer_than_the_host_is_shown_is_built_whole_and_cut_on_hand_over) {
    load();
    const std::string title(300, 't');
    play("movie", title);
    EXPECT_EQ(build_title_line(), play_icon + " " + title);
    EXPECT_EQ(function1(nullptr, nullptr), (play_icon + " " + title).substr(0, 254));
}

TEST_F(title_line, non_ascii_channel_text_comes_out_as_8_bit_characters_behind_the_icon) {
    load();
    set_mode(U("channel"));
    set_channel(7, testenv::text("Caf\xC3\xA9 \xE2\x82\xAC"), U("News"));
    set_play_state(state_playing);
    EXPECT_EQ(build_title_line(), play_icon + " Channel7 Caf\xE9 \xAC");
}

TEST_F(title_line, non_ascii_titles_come_out_as_8_bit_characters) {
    load();
    play("song", "Caf\xC3\xA9 \xE2\x82\xAC");  // U+00E9 and U+20AC
    EXPECT_EQ(build_title_line(), play_icon + " Caf\xE9 \xAC");
}

TEST_F(title_line, welcome_text_is_centred_by_8_bit_characters) {
    load("welcome=\xC4\xE4\xD6\n");  // three 8-bit characters from the settings file
    EXPECT_EQ(build_title_line(), "  " + std::string(7, ' ') + "\xC4\xE4\xD6");
}

TEST(center_text, pads_in_front_rounding_down) {
    EXPECT_EQ(center_text("abc", 8), "  abc");
    EXPECT_EQ(center_text("abcd", 7), " abcd");
    EXPECT_EQ(center_text("", 4), "  ");
    EXPECT_EQ(center_text("abcd", 4), "abcd");
    EXPECT_EQ(center_text("abcd", 0), "abcd");
    EXPECT_EQ(center_text("abcd", -5), "abcd");
}

}  // namespace
