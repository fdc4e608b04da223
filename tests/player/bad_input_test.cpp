// Malformed notifications and replies: the failure line, a consistent state, no crash.
#include <cstdio>

#include "player_fixture.h"

namespace player_testing {
namespace {

using testenv::wait_until;

class bad_input_test : public player_test {
  protected:
    int count_lines(const std::string& prefix) {
        int count = 0;
        for (const auto& line : log_lines()) count += line.rfind(prefix, 0) == 0;
        return count;
    }
};

TEST_F(bad_input_test, MalformedPlayNotificationsLogTheMessageAndKeepTheState) {
    connect();
    push("Player.OnPlay", movie_play("Good", 2));
    ASSERT_TRUE(wait_until([] { return get_title() == "Good"; }));

    const char* const bad[] = {
        R"({"item":{"title":"x"},"player":{"playerid":1}})",              // no type
        R"({"item":{"type":null,"title":"x"},"player":{"playerid":1}})",  // null type
        R"({"item":{"type":5},"player":{"playerid":1}})",                 // wrong kind
        R"({"item":"movie","player":{"playerid":1}})",                    // item no object
        R"({"item":{"type":"picture"}})",                                 // picture without file
        R"({"item":{"type":"movie","title":"x"},"player":{"playerid":3000000000}})",  // huge id
        R"({"item":{"type":"movie","title":"x"},"player":{"playerid":1e300}})",
        R"({"item":{"type":"movie","title":7},"player":{"playerid":1}})",  // title of a number
        R"({"item":{"type":"song"},"player":{"playerid":"1"}})",           // id as text
    };
    for (const char* data : bad) push("Player.OnPlay", data);
    kodi.send_text(R"({"jsonrpc":"2.0","method":"Player.OnPlay"})");  // no params at all
    sync();
    EXPECT_EQ(count_lines("Malformed json message received: "), 10);
    EXPECT_TRUE(log_contains(
        R"(Malformed json message received: {"jsonrpc":"2.0","method":"Player.OnPlay","params":{"data":{"item":{"title":"x"},"player":{"playerid":1}},"sender":"xbmc"}})"));
    EXPECT_EQ(requests_for("Player.GetItem"), 0u);
    EXPECT_EQ(get_player_id(), 2);
    EXPECT_EQ(get_play_state(), state_playing);

    // A fractional id is truncated toward zero.
    push("Player.OnPlay", R"({"item":{"type":"movie","title":"F"},"player":{"playerid":4.9}})");
    ASSERT_TRUE(wait_until([] { return get_title() == "F"; }));
    EXPECT_EQ(get_player_id(), 4);
}

TEST_F(bad_input_test, LongAndNonBmpTitlesAreNarrowedWhole) {
    connect();
    const std::string long_title(100000, 'a');
    push("Player.OnPlay", movie_play(long_title));
    ASSERT_TRUE(wait_until([] { return get_title().size() == 100000; }));
    // U+00E9, U+20AC and U+1F600 (a surrogate pair: two bytes).
    push("Player.OnPlay", movie_play("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80!"));
    const std::string narrowed("\xE9\xAC\x3D?!", 5);
    ASSERT_TRUE(wait_until([&] { return get_title() == narrowed; }));
}

TEST_F(bad_input_test, MalformedSpeedWritesErrorAndChangesNothing) {
    connect();
    push("Player.OnPlay", movie_play("T"));
    ASSERT_TRUE(wait_until([] { return get_title() == "T"; }));
    testing::internal::CaptureStdout();
    push("Player.OnSpeedChanged", R"({"player":{"playerid":1}})");
    push("Player.OnSpeedChanged", R"({"player":{"playerid":1,"speed":"fast"}})");
    push("Player.OnSpeedChanged", R"({"player":{"playerid":1,"speed":4294967298}})");
    push("Player.OnSpeedChanged", R"({"player":null})");
    sync();
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error\nerror\nerror\nerror\n");
    EXPECT_EQ(count_lines("Malformed json message received: "), 4);
    EXPECT_EQ(get_title(), "T");
    EXPECT_EQ(get_play_state(), state_playing);
}

TEST_F(bad_input_test, MalformedVolumeLogsCaught) {
    connect();
    push("Application.OnVolumeChanged", volume_data(false, "30"));
    ASSERT_TRUE(wait_until([] { return get_volume() == 30; }));
    push("Application.OnVolumeChanged", R"({"volume":40})");
    push("Application.OnVolumeChanged", R"({"muted":null,"volume":40})");
    push("Application.OnVolumeChanged", volume_data(false, "\"40\""));
    push("Application.OnVolumeChanged", volume_data(false, "1e12"));
    push("Application.OnVolumeChanged", R"({"muted":"no","volume":40})");
    sync();
    EXPECT_EQ(count_lines("caught"), 5);
    EXPECT_EQ(get_volume(), 30);
}

TEST_F(bad_input_test, MalformedItemRepliesLogAndStartNoPolling) {
    connect();
    int replies = 0;
    kodi.on("Player.GetItem", [&replies](const fake_kodi::received_request& request) {
        const char* const items[] = {
            R"({"item":{"album":"L","artist":[],"title":"Empty","track":1,"type":"song"}})",
            R"({"item":{"title":"x"}})",
            R"({"item":{"episode":1.5,"season":1e40,"showtitle":"Show","title":"E","type":"episode"}})",
            R"({"item":{"channel":"C","channelnumber":"5","title":"N","type":"channel"}})",
        };
        fake_kodi::reply_plan plan;
        plan.reply = fake_kodi::make_result(request.json, json(items[replies++ % 4]));
        return plan;
    });
    for (int i = 0; i < 4; ++i) {
        push("Player.OnPlay", R"({"item":{"type":"unknown"},"player":{"playerid":0}})");
        ASSERT_TRUE(
            wait_until([&] { return count_lines("Malformed get item response") == i + 1; }));
        if (i == 0) {
            EXPECT_EQ(get_title(), "Empty");  // what was set before the failure stays
        }
    }
    EXPECT_EQ(get_title(), "Show");
    EXPECT_EQ(get_episode_text(), "");
    EXPECT_FALSE(progress_polling_active());
}

}  // namespace
}  // namespace player_testing
