// Progress polling: the progress text, the item countdown, and stops that overtake a poll.
#include <iostream>

#include "player_fixture.h"

namespace player_testing {
namespace {

using testenv::wait_until;

class progress_polling_test : public player_test {};

TEST_F(progress_polling_test, BarTruncatesThePercentage) {
    connect();
    kodi.on("Player.GetProperties", progress_result(45.67));
    push("Player.OnPlay", movie_play("T", 2));
    ASSERT_TRUE(wait_until([] { return get_progress_text() == "$Bar(45,100,20)"; }, 6s));
    const auto request = kodi.requests_for("Player.GetProperties").at(0).json;
    EXPECT_EQ(testenv::utf8(request.at(U("params")).at(U("properties")).serialize()),
              R"(["percentage","time","totaltime"])");
    EXPECT_EQ(request.at(U("params")).at(U("playerid")).as_integer(), 2);
}

TEST_F(progress_polling_test, TimesCentredWithoutBars) {
    connect("use_bars=0\n");
    kodi.on("Player.GetProperties", progress_result(45.67));
    push("Player.OnPlay", movie_play("T"));
    ASSERT_TRUE(wait_until([] { return get_progress_text() == "  0:05:07/1:30:00"; }, 6s));
}

TEST_F(progress_polling_test, CountdownReachesZeroAfterSevenTicksThatDidNotFail) {
    connect();
    kodi.on("Player.GetItem",
            json(R"({"item":{"album":"L","artist":["A"],"title":"S","track":7,"type":"song"}})"));
    push("Player.OnPlay", R"({"item":{"type":"unknown"},"player":{"playerid":0,"speed":1}})");
    ASSERT_TRUE(wait_until([] { return get_info_countdown() == 7; }));
    ASSERT_TRUE(wait_until([] { return progress_polling_active(); }));
    // The ticks are driven by hand here, one at a time, instead of waiting for the timer.
    stop_progress_timer();

    int replies = 0;
    kodi.on("Player.GetProperties", [&replies](const fake_kodi::received_request& request) {
        fake_kodi::reply_plan plan;
        switch (replies++) {
            case 0:  // malformed: no countdown
                plan.reply = fake_kodi::make_result(request.json, json(R"({"percentage":"x"})"));
                break;
            case 1:  // an error reply counts as no answer, which still counts down
                plan.reply =
                    fake_kodi::make_error(request.json, -32100, "Failed to execute method.");
                break;
            default:
                plan.reply = fake_kodi::make_result(request.json, progress_result(50));
        }
        return plan;
    });
    progress_tick();
    EXPECT_EQ(get_info_countdown(), 7);
    for (int tick = 1; tick <= 7; ++tick) {
        progress_tick();
        EXPECT_EQ(get_info_countdown(), 7 - tick);
    }
    progress_tick();
    EXPECT_EQ(get_info_countdown(), 0);
    EXPECT_EQ(get_progress_text(), "$Bar(50,100,20)");
}

TEST_F(progress_polling_test, StopDuringAPollIsShownAtOnceAndItsLateAnswerDiscarded) {
    connect();
    kodi.on("Player.GetProperties", progress_result(45.67));
    kodi.withhold("Player.GetProperties");
    push("Player.OnPlay", movie_play("T"));
    ASSERT_TRUE(kodi.wait_for_requests("Player.GetProperties", 1, 6s));

    const auto pushed = std::chrono::steady_clock::now();
    push("Player.OnStop", R"({"end":false,"item":{"title":"T","type":"movie"}})");
    ASSERT_TRUE(wait_until([] { return get_play_state() == state_stopped; }));
    const auto handled = std::chrono::steady_clock::now() - pushed;
    // The intake did not wait for the poll: far below the 5000 ms reply time-out.
    EXPECT_LT(handled, 3000ms);
    std::cout << "stop during a poll handled after "
              << std::chrono::duration<double, std::milli>(handled).count() << " ms\n";
    EXPECT_EQ(get_title(), "Stop");

    kodi.release_withheld();
    kodi.withhold("Player.GetProperties", false);
    sync();
    kodi.clear_requests();
    // The late answer changed nothing and no poll follows the stop.
    ASSERT_TRUE(wait_until([] { return running_timer_callbacks() == 0; }));
    EXPECT_EQ(get_progress_text(), "");
    EXPECT_FALSE(progress_polling_active());
    EXPECT_EQ(requests_for("Player.GetProperties"), 0u);
}

TEST_F(progress_polling_test, ReplayKeepsOneTimerAndUnloadWaitsForRunningPolls) {
    connect();
    kodi.on("Player.GetProperties", progress_result(10));
    kodi.withhold("Player.GetProperties");
    push("Player.OnPlay", movie_play("A"));
    ASSERT_TRUE(kodi.wait_for_requests("Player.GetProperties", 1, 6s));
    // A new item replaces the timer while the old one's poll still waits.
    push("Player.OnPlay", movie_play("B"));
    ASSERT_TRUE(wait_until([] { return get_title() == "B"; }));
    kodi.release_withheld();
    ASSERT_TRUE(wait_until([] { return running_timer_callbacks() == 0; }));
    EXPECT_EQ(get_progress_text(), "");  // A's late answer is not B's progress

    kodi.withhold("Player.GetProperties", false);
    kodi.set_silent(true);
    ASSERT_TRUE(kodi.wait_for_requests("Player.GetProperties", 2, 6s));
    ASSERT_GE(running_timer_callbacks(), 1);
    cancel_pending_requests();
    stop_progress_timer_and_wait();
    EXPECT_EQ(running_timer_callbacks(), 0);
}

}  // namespace
}  // namespace player_testing
