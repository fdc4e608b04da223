// The song details rotate with the progress polls that Kodi answers.
#include <string>

#include <gtest/gtest.h>

#include "display/status_line.h"
#include "player/player_state.h"
#include "player/progress_polling.h"
#include "support/fake_kodi_fixture.h"

namespace {

using web::json::value;

class song_rotation : public testenv::fake_kodi_test {
  protected:
    void SetUp() override {
        fake_kodi_test::SetUp();
        kodi.on("Player.GetProperties", value::parse(R"({"percentage": 37.5,
            "time": {"hours": 0, "minutes": 1, "seconds": 2},
            "totaltime": {"hours": 0, "minutes": 3, "seconds": 4}})"));
        ASSERT_TRUE(connect_library());
        set_mode(U("song"));
        set_player_id(0);
    }
};

TEST_F(song_rotation, artist_album_track_then_progress) {
    set_song(7, U("Artist"), U("Album"));
    const std::vector<std::string> expected = {
        "$Center(Artist)", "$Center(Album)",  "$Center(Album)",  "$Center(Album)",
        "$Center(Track7)", "$Center(Track7)", "$Center(Track7)", "$Bar(37,100,20)",
    };
    for (size_t tick = 0; tick < expected.size(); ++tick) {
        EXPECT_EQ(build_status_line(), expected[tick]) << "after " << tick << " ticks";
        progress_tick();
    }
    EXPECT_EQ(kodi.requests_for("Player.GetProperties").size(), expected.size());
}

TEST_F(song_rotation, song_without_track_goes_from_album_to_progress) {
    set_song(0, U("Artist"), U("Album"));
    const std::vector<std::string> expected = {
        "$Center(Artist)", "$Center(Album)", "$Center(Album)", "$Center(Album)", "$Center(Album)",
    };
    for (size_t tick = 0; tick < expected.size(); ++tick) {
        EXPECT_EQ(build_status_line(), expected[tick]) << "after " << tick << " ticks";
        progress_tick();
    }
    // The album shown at countdown 3 ended the details: the next line is the progress.
    EXPECT_EQ(build_status_line(), "$Bar(37,100,20)");
}

}  // namespace
