// The three ways of a play notification and the rows of the now-playing item retrieval.
#include "player_fixture.h"

namespace player_testing {
namespace {

using testenv::wait_until;

class item_retrieval_test : public player_test {
  protected:
    template <class F>
    std::string text_of(F field) {
        return testenv::utf8(read_state([&](const player_state_t& s) { return s.*field; }));
    }
};

const char* const song_item =
    R"({"item":{"album":"L","artist":["A","B"],"label":"S","title":"S","track":7,"type":"song"}})";

TEST_F(item_retrieval_test, UnknownItemThatIsASongShowsTheSongAndPollsAfterThreeSeconds) {
    connect();
    kodi.on("Player.GetItem", json(song_item));
    kodi.on("Player.GetProperties", progress_result(5));
    push("Player.OnPlay", R"({"item":{"type":"unknown"},"player":{"playerid":0,"speed":1}})");
    ASSERT_TRUE(wait_until([] { return get_mode() == "song"; }));
    ASSERT_TRUE(wait_until([] { return get_info_countdown() == 7; }));
    const auto retrieved = std::chrono::steady_clock::now();
    EXPECT_EQ(get_title(), "S");
    EXPECT_EQ(text_of(&player_state_t::song_artist), "A");
    EXPECT_EQ(text_of(&player_state_t::song_album), "L");
    EXPECT_EQ(read_state([](const player_state_t& s) { return s.track_number; }), 7);
    EXPECT_TRUE(log_contains("Mode set to unknown"));
    EXPECT_TRUE(log_contains("Mode set to song"));

    const auto request = kodi.requests_for("Player.GetItem").at(0).json;
    EXPECT_EQ(request.at(U("params")).at(U("playerid")).as_integer(), 0);
    EXPECT_EQ(
        testenv::utf8(request.at(U("params")).at(U("properties")).serialize()),
        R"(["title","season","episode","showtitle","channelnumber","channel","artist","album","track"])");

    ASSERT_TRUE(kodi.wait_for_requests("Player.GetProperties", 1, 5s));
    const auto first_poll = kodi.requests_for("Player.GetProperties").at(0).arrived - retrieved;
    EXPECT_GT(first_poll, 2500ms);
    EXPECT_LT(first_poll, 4500ms);
}

TEST_F(item_retrieval_test, TitledMovieIsShownAtOnceAndPolledAfterOneSecond) {
    connect();
    kodi.on("Player.GetProperties", progress_result(5));
    const auto pushed = std::chrono::steady_clock::now();
    push("Player.OnPlay", movie_play("Big Buck Bunny", 3));
    ASSERT_TRUE(wait_until([] { return get_title() == "Big Buck Bunny"; }));
    EXPECT_TRUE(log_contains("title Big Buck Bunny"));
    EXPECT_EQ(get_player_id(), 3);
    ASSERT_TRUE(kodi.wait_for_requests("Player.GetProperties", 1, 6s));
    const auto poll = kodi.requests_for("Player.GetProperties").at(0);
    EXPECT_GT(poll.arrived - pushed, 800ms);
    EXPECT_LT(poll.arrived - pushed, 2500ms);
    EXPECT_EQ(poll.json.at(U("params")).at(U("playerid")).as_integer(), 3);
    EXPECT_EQ(requests_for("Player.GetItem"), 0u);
}

TEST_F(item_retrieval_test, TitledSongAndUntitledEpisodeAreRetrieved) {
    connect();
    kodi.on("Player.GetItem", [](const fake_kodi::received_request& request) {
        fake_kodi::reply_plan plan;
        // The first request is the song's, the second the episode's.
        static int count = 0;
        plan.reply = fake_kodi::make_result(
            request.json,
            json(
                count++ == 0
                    ? song_item
                    : R"({"item":{"episode":5,"season":2,"showtitle":"Show","title":"E","type":"episode"}})"));
        return plan;
    });
    push("Player.OnPlay",
         R"({"item":{"title":"Ignored","type":"song"},"player":{"playerid":0,"speed":1}})");
    ASSERT_TRUE(wait_until([] { return get_title() == "S"; }));
    EXPECT_FALSE(log_contains("title Ignored"));

    push("Player.OnPlay", R"({"item":{"type":"episode"},"player":{"playerid":1,"speed":1}})");
    ASSERT_TRUE(wait_until([] { return get_title() == "Show"; }));
    ASSERT_TRUE(wait_until([] { return get_episode_text() == "S02E05: E"; }));
    EXPECT_EQ(get_mode(), "episode");
    EXPECT_EQ(get_info_countdown(), 1);
    EXPECT_EQ(kodi.requests_for("Player.GetItem")
                  .at(1)
                  .json.at(U("params"))
                  .at(U("playerid"))
                  .as_integer(),
              1);
}

TEST_F(item_retrieval_test, ChannelRowAndUnknownTypeStillPolling) {
    connect();
    kodi.on("Player.GetItem", [](const fake_kodi::received_request& request) {
        fake_kodi::reply_plan plan;
        static int count = 0;
        plan.reply = fake_kodi::make_result(
            request.json,
            json(
                count++ == 0
                    ? R"({"item":{"channel":"BBC One","channelnumber":5,"title":"News","type":"channel"}})"
                    : R"({"item":{"label":"x","title":"","type":"unknown"}})"));
        return plan;
    });
    kodi.on("Player.GetProperties", progress_result(5));
    push("Player.OnPlay",
         R"({"item":{"title":"News","type":"channel"},"player":{"playerid":1,"speed":1}})");
    ASSERT_TRUE(wait_until([] { return get_channel_text() == "Channel5 BBC One"; }));
    EXPECT_EQ(get_title(), "News");
    EXPECT_EQ(get_mode(), "channel");

    push("Player.OnPlay", R"({"item":{"type":"unknown"},"player":{"playerid":1,"speed":1}})");
    ASSERT_TRUE(wait_until([] { return get_mode() == "unknown"; }));
    // An unknown type sets nothing but still starts the polling, after about a second.
    ASSERT_TRUE(kodi.wait_for_requests("Player.GetProperties", 1, 6s));
    EXPECT_EQ(get_mode(), "unknown");
    EXPECT_EQ(get_title(), "News");
}

TEST_F(item_retrieval_test, PictureNameFromEitherPathKindWithoutRequests) {
    connect();
    push("Player.OnPlay", movie_play("T", 4));
    push(
        "Player.OnPlay",
        R"({"item":{"file":"/storage/pictures/2019/IMG_0042.jpg","type":"picture"},"player":{"playerid":2,"speed":1}})");
    ASSERT_TRUE(wait_until([] { return get_title() == "IMG_0042"; }));
    EXPECT_EQ(get_mode(), "picture");
    EXPECT_EQ(get_player_id(), 4);
    push("Player.OnPlay",
         R"({"item":{"file":"D:\\Pictures\\holiday.2019.jpeg","type":"picture"}})");
    ASSERT_TRUE(wait_until([] { return get_title() == "holiday.2019"; }));
    push("Player.OnPlay", R"({"item":{"file":"C:snow","type":"picture"}})");
    ASSERT_TRUE(wait_until([] { return get_title() == "snow"; }));
    push("Player.OnPlay",
         R"({"item":{"file":"/p/)" + std::string(3000, 'x') + R"(.png","type":"picture"}})");
    ASSERT_TRUE(wait_until([] { return get_title().size() == 1023; }));
    // The movie's polling was stopped by the first picture and none was started since.
    EXPECT_FALSE(progress_polling_active());
    EXPECT_EQ(requests_for("Player.GetItem"), 0u);
}

TEST_F(item_retrieval_test, RetrievalOvertakenByAStopChangesNothing) {
    connect();
    kodi.on("Player.GetItem", json(song_item));
    kodi.withhold("Player.GetItem");
    kodi.on("Player.GetProperties", progress_result(5));
    push("Player.OnPlay", R"({"item":{"type":"unknown"},"player":{"playerid":0,"speed":1}})");
    ASSERT_TRUE(kodi.wait_for_requests("Player.GetItem", 1, 6s));
    push("Player.OnStop", R"({"end":false,"item":{"type":"unknown"}})");
    ASSERT_TRUE(wait_until([] { return get_title() == "Stop"; }));
    kodi.release_withheld();
    ASSERT_TRUE(wait_until([] { return running_item_retrievals() == 0; }));
    EXPECT_NE(get_mode(), "song");
    EXPECT_FALSE(progress_polling_active());
}

TEST_F(item_retrieval_test, UnloadWaitsForRetrievalsAndStartsNoneAfterwards) {
    connect();
    kodi.on("Player.GetItem", json(song_item));
    kodi.withhold("Player.GetItem");
    push("Player.OnPlay", R"({"item":{"type":"unknown"},"player":{"playerid":0,"speed":1}})");
    ASSERT_TRUE(kodi.wait_for_requests("Player.GetItem", 1, 6s));
    cancel_pending_requests();
    const auto start = std::chrono::steady_clock::now();
    wait_for_item_retrievals();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    kodi.clear_requests();
    push("Player.OnPlay", R"({"item":{"type":"unknown"},"player":{"playerid":0,"speed":1}})");
    push("Player.OnPause", speed_data(0));  // handled once the play has been
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_paused; }));
    EXPECT_EQ(running_item_retrievals(), 0);
    EXPECT_EQ(requests_for("Player.GetItem"), 0u);
}

}  // namespace
}  // namespace player_testing
