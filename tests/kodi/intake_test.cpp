// Everything Kodi may send, well-formed or not: hand-over, dispatch and robustness.
// First: GoogleTest must come before the JSON library.
#include "support/fake_kodi_fixture.h"
#include "support/texts.h"

#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "kodi/connection.h"
#include "kodi/request.h"
#include "player/player_state.h"

namespace {

using namespace std::chrono_literals;
using web::json::value;

class intake_test : public testenv::fake_kodi_test {
  protected:
    void SetUp() override {
        fake_kodi_test::SetUp();
        kodi.on("JSONRPC.Ping", value::string(U("pong")));
        ASSERT_TRUE(connect_library());
    }
    static int32_t play_state() {
        std::lock_guard<std::mutex> lock(state_mutex);
        return player_state.play_state;
    }
    // Intake takes messages in order, so once a later reply is back, text has been handled.
    static bool settle() {
        value reply = ws_send_wait(U("JSONRPC.Ping"), value());
        return reply.has_field(U("result"));
    }
    bool send_and_settle(const std::string& text) {
        kodi.send_text(text);
        return settle();
    }
    size_t received_lines() const {
        size_t count = 0;
        for (const auto& line : log_lines()) count += line.rfind("Received: ", 0) == 0;
        return count;
    }
    static void expect_intake_healthy() {
        {
            std::unique_lock<std::mutex> lock(pending_mutex, std::try_to_lock);
            EXPECT_TRUE(lock.owns_lock());
            EXPECT_TRUE(pending_requests.empty());
        }
        EXPECT_TRUE(g_connected);
        EXPECT_EQ(ws_send_wait(U("JSONRPC.Ping"), value()).at(U("result")).as_string(), U("pong"));
    }
};

TEST_F(intake_test, notifications_are_dispatched_by_exact_method_name_after_their_received_line) {
    const std::string lower =
        R"({"jsonrpc":"2.0","method":"player.onpause","params":{"data":{},"sender":"xbmc"}})";
    ASSERT_TRUE(send_and_settle(lower));
    EXPECT_TRUE(log_contains("Received: " + lower));
    EXPECT_EQ(play_state(), state_none);
    ASSERT_TRUE(send_and_settle(R"({"jsonrpc":"2.0","method":"Player.OnPauseX","params":{}})"));
    EXPECT_EQ(play_state(), state_none);

    kodi.notify("Player.OnPause", value::object());
    ASSERT_TRUE(testenv::wait_until([] { return play_state() == state_paused; }));
    EXPECT_TRUE(log_contains(
        R"(Received: {"jsonrpc":"2.0","method":"Player.OnPause","params":{"data":{},"sender":"xbmc"}})"));
    kodi.notify("Player.OnResume", value::object());
    ASSERT_TRUE(testenv::wait_until([] { return play_state() == state_playing; }));
}

TEST_F(intake_test, a_reply_is_handed_over_and_not_dispatched_even_with_a_method) {
    kodi.on("Odd.Reply", [](const fake_kodi::received_request& request) {
        fake_kodi::reply_plan plan;
        plan.reply = fake_kodi::make_result(request.json, value::string(U("ok")));
        (*plan.reply)[U("method")] = value::string(U("Player.OnPause"));
        return plan;
    });
    value reply = ws_send_wait(U("Odd.Reply"), value());
    EXPECT_EQ(reply.at(U("result")).as_string(), U("ok"));
    ASSERT_TRUE(settle());
    EXPECT_EQ(play_state(), state_none);
}

TEST_F(intake_test, ids_that_are_null_strings_floats_or_huge_never_answer_a_waiting_request) {
    kodi.withhold("Wait.Here");
    auto sender =
        std::async(std::launch::async, [] { return ws_send_wait(U("Wait.Here"), value()); });
    ASSERT_TRUE(kodi.wait_for_withheld(1, 5s));
    for (const char* fake : {R"({"id":null,"jsonrpc":"2.0","result":"null id"})",
                             R"({"id":"10","jsonrpc":"2.0","result":"string id"})",
                             R"({"id":10.0,"jsonrpc":"2.0","result":"float id"})",
                             R"({"id":4294967306,"jsonrpc":"2.0","result":"wrapped id"})",
                             R"({"id":{"n":10},"jsonrpc":"2.0","result":"object id"})",
                             R"({"id":11,"jsonrpc":"2.0","result":"never issued"})",
                             R"({"id":12,"jsonrpc":"2.0","method":42})"}) {
        ASSERT_TRUE(send_and_settle(fake));
        EXPECT_TRUE(log_contains(std::string("Received: ") + fake));
    }
    EXPECT_EQ(sender.wait_for(0s), std::future_status::timeout);
    kodi.release_withheld();
    EXPECT_EQ(testenv::utf8(sender.get().serialize()),
              R"({"error":{"code":-32601,"message":"Method not found."},"id":10,"jsonrpc":"2.0"})");
    expect_intake_healthy();
}

TEST_F(intake_test, bad_payloads_are_dropped_without_a_received_line) {
    const std::vector<std::string> not_utf8 = {std::string("\xff\xfe{}", 4),
                                               std::string("{\"a\":\"\xc3\x28\"}"),
                                               std::string("\x88\x02\x03\xe8", 4)};
    // A broken surrogate pair escape makes the parser throw something other than its own
    // exception type.
    const std::vector<std::string> not_json = {"", "{", "hello kodi", std::string(200000, '['),
                                               R"({"a":"\ud83d\ud000"})"};
#if !defined(__SANITIZE_ADDRESS__)
    // Binary payloads are read through the library's stream classes, whose hidden template
    // type information trips UBSan's vptr check (always built together with ASan here).
    for (const auto& bad : not_utf8)
        kodi.send_binary(bad);  // a text frame would end the connection
#endif
    for (const auto& bad : not_json) kodi.send_text(bad);
    ASSERT_TRUE(settle());
    EXPECT_EQ(received_lines(), 1u);  // the settling reply only
    for (const std::string not_object : {"[1,2,3]", "42", "\"text\"", "null"}) {
        ASSERT_TRUE(send_and_settle(not_object));
        EXPECT_TRUE(log_contains("Received: " + not_object));
    }
#if !defined(__SANITIZE_ADDRESS__)
    kodi.send_binary(
        R"({"jsonrpc":"2.0","method":"Player.OnPause","params":{"data":{},"sender":"xbmc"}})");
    ASSERT_TRUE(testenv::wait_until([] { return play_state() == state_paused; }));
#endif
    expect_intake_healthy();

    // A text frame that is not UTF-8 is a protocol error: the connection ends, and says so.
    kodi.send_text(not_utf8[0]);
    ASSERT_TRUE(testenv::wait_until([] { return !g_connected; }));
    EXPECT_TRUE(testenv::wait_until([&] {
        for (const auto& line : log_lines())
            if (line.rfind("Client Close Detected: status=", 0) == 0) return true;
        return false;
    }));
}

TEST_F(intake_test, a_16_mb_message_and_a_burst_of_10000_notifications_are_taken_in_stride) {
    const std::string big = R"({"jsonrpc":"2.0","method":"Big.One","params":{"data":")" +
                            std::string(16 * 1024 * 1024, 'x') + R"("}})";
    kodi.send_text(big);
    kodi.notify("Player.OnPause", value::object());
    ASSERT_TRUE(testenv::wait_until([] { return play_state() == state_paused; }, 60s));
    for (int i = 0; i < 10000; ++i)
        kodi.notify(i % 2 ? "Player.OnPause" : "Application.OnVolumeChanged",
                    value::parse(R"({"muted":false,"volume":40})"));
    kodi.notify("Player.OnStop", value::object());
    ASSERT_TRUE(testenv::wait_until([] { return play_state() == state_stopped; }, 60s));
    expect_intake_healthy();
}

}  // namespace
