// The texts the player state builds: narrowing, centring, titles, episode and time texts.
#include "player_fixture.h"

#include "platform/text_encoding.h"
#include "player/picture_name.h"
#include "settings/config.h"
#include "settings/log.h"

namespace player_testing {
namespace {

using testenv::text;

class state_texts_test : public testenv::host_folder_test {
  protected:
    void load(const std::string& config) {
        write_config(config);
        init_config();
        init_logging();
    }
};

TEST_F(state_texts_test, NarrowingKeepsTheLowByteOfEachUtf16Unit) {
    EXPECT_EQ(narrow_text(text("Caf\xC3\xA9 \xE2\x82\xAC")), "Caf\xE9 \xAC");
    EXPECT_EQ(narrow_text(text("\xF0\x9F\x98\x80")), "\x3D?");  // D83D DE00: a 0 byte would end it
    EXPECT_EQ(narrow_text(text("a\xE2\x80\x80"
                               "b")),
              "a?b");  // U+2000
    // Only a UTF-8 string type can hold a byte that is no UTF-8: it reads as U+FFFD.
    if (testenv::string_t_is_utf8) {
        EXPECT_EQ(narrow_text(testenv::raw_text("a\xFF"
                                                "b")),
                  "a\xFD"
                  "b");
    }
}

TEST_F(state_texts_test, CentringCountsUtf16Units) {
    load("lcd_width=20\n");
    EXPECT_EQ(center_wide_text(U("0:05:07/1:30:00")), U("  0:05:07/1:30:00"));
    // Six UTF-16 units in twelve bytes: seven spaces, not four.
    const std::string six_units = "\xC3\xA9\xC3\xA9\xE2\x82\xAC\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(center_wide_text(text(six_units)), text(std::string(7, ' ') + six_units));
    EXPECT_EQ(center_wide_text(text(std::string(20, 'x'))), text(std::string(20, 'x')));
    load("lcd_width=0\n");
    EXPECT_EQ(center_wide_text(U("ab")), U("ab"));
}

TEST_F(state_texts_test, TitleIsRewrittenTrimmedInFrontAndLogged) {
    load("logging=1\nregex=^The (.*),$1 (The)\n");
    set_title(U("  \tpiano  "));
    EXPECT_EQ(get_title(), "piano  ");
    EXPECT_TRUE(log_contains("title=piano  "));
    set_title(U("The Wall"));
    EXPECT_EQ(get_title(), "Wall (The)");
    set_title(U(" \r\n\t"));
    EXPECT_EQ(get_title(), "");
    EXPECT_TRUE(log_contains("title="));
    set_mode(U("movie"));
    set_mode(U("movie"));
    int mode_lines = 0;
    for (const auto& line : log_lines()) mode_lines += line == "Mode set to movie";
    EXPECT_EQ(mode_lines, 1);
}

TEST_F(state_texts_test, EpisodeNumbersPaddedAndUnknownOnesLeftOut) {
    load("");
    set_episode(5, 3, U("Pilot"));
    EXPECT_EQ(get_episode_text(), "S05E03: Pilot");
    set_episode(12, 103, U("T"));
    EXPECT_EQ(get_episode_text(), "S12E103: T");
    set_episode(-1, 4, U("T"));
    EXPECT_EQ(get_episode_text(), "E04: T");
    set_episode(-1, -1, U("T"));
    EXPECT_EQ(get_episode_text(), "T");
    EXPECT_EQ(get_info_countdown(), 1);
}

TEST_F(state_texts_test, PlayTimeAndProgressText) {
    load("use_bars=2\n");
    EXPECT_EQ(format_play_time(json(R"({"hours":0,"minutes":0,"seconds":9})")), U("0:00:09"));
    EXPECT_EQ(format_play_time(json(R"({"hours":10,"minutes":10,"seconds":10.9})")), U("10:10:10"));
    EXPECT_EQ(format_play_time(json(R"({"hours":12,"minutes":0,"seconds":0,"ms":5})")),
              U("12:00:00"));
    EXPECT_THROW(format_play_time(json(R"({"hours":1,"minutes":2})")), std::exception);
    EXPECT_THROW(format_play_time(json(R"({"hours":1,"minutes":null,"seconds":1})")),
                 std::exception);
    set_progress(42, U("0:05:07"), U("1:30:00"));
    EXPECT_EQ(get_progress_text(), "$Bar(42,100,20)");
}

TEST_F(state_texts_test, PictureNames) {
    EXPECT_EQ(picture_name(U("/storage/pictures/2019/IMG_0042.jpg")), U("IMG_0042"));
    EXPECT_EQ(picture_name(U("D:\\Pictures\\IMG_0042.jpg")), U("IMG_0042"));
    EXPECT_EQ(picture_name(U("/a.b/noext")), U("noext"));
    EXPECT_EQ(picture_name(U("/a/.hidden")), U(""));
    // At most 1023 UTF-16 units, never half a surrogate pair.
    std::string emoji;
    for (int i = 0; i < 600; ++i) emoji += "\xF0\x9F\x98\x80";
    EXPECT_EQ(utf16_units(picture_name(text("/p/" + emoji + ".jpg"))),
              utf16_units(text(emoji.substr(0, 511 * 4))));
}

}  // namespace
}  // namespace player_testing
