// Requests and their replies through the fake Kodi: ids, envelope, matching, time-outs.
// First: GoogleTest must come before the JSON library.
#include "support/fake_kodi_fixture.h"
#include "support/texts.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <pplx/pplxtasks.h>

#include "kodi/connection.h"
#include "kodi/intake.h"
#include "kodi/request.h"

namespace {

using namespace std::chrono_literals;
using web::json::value;

class request_test : public testenv::fake_kodi_test {
  protected:
    void SetUp() override {
        fake_kodi_test::SetUp();
        // Echo: the result is the request's "params".
        kodi.on_any([](const fake_kodi::received_request& request) {
            fake_kodi::reply_plan plan;
            plan.reply = fake_kodi::make_result(request.json, request.json.has_field(U("params"))
                                                                  ? request.json.at(U("params"))
                                                                  : value::null());
            return plan;
        });
        ASSERT_TRUE(connect_library());
    }
    static value params_n(int n) {
        value request;
        request[U("params")][U("n")] = value::number(n);
        return request;
    }
    static size_t pending_count() {
        std::lock_guard<std::mutex> lock(pending_mutex);
        return pending_requests.size();
    }
};

TEST_F(request_test, ids_count_from_10_and_a_null_request_gets_exactly_the_envelope) {
    kodi.on("JSONRPC.Ping", value::string(U("pong")));
    value first = ws_send_wait(U("JSONRPC.Ping"), value());
    EXPECT_EQ(testenv::utf8(first.serialize()), R"({"id":10,"jsonrpc":"2.0","result":"pong"})");
    value request;
    request[U("id")] = value::string(U("mine"));
    request[U("jsonrpc")] = value::string(U("1.0"));
    request[U("params")][U("labels")] = value::array({value::string(U("System.Time"))});
    ws_send_wait(U("XBMC.GetInfoLabels"), request);

    auto sent = kodi.requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(testenv::utf8(sent[0].json.serialize()),
              R"({"id":10,"jsonrpc":"2.0","method":"JSONRPC.Ping"})");
    EXPECT_EQ(
        testenv::utf8(sent[1].json.serialize()),
        R"({"id":11,"jsonrpc":"2.0","method":"XBMC.GetInfoLabels","params":{"labels":["System.Time"]}})");
    EXPECT_TRUE(log_contains("Sending: " + sent[0].text));
    EXPECT_TRUE(log_contains("Received: " + testenv::utf8(first.serialize())));
    EXPECT_EQ(pending_count(), 0u);
}

TEST_F(request_test, an_error_reply_is_returned_whole) {
    kodi.on_error("Player.GetItem", -32602, "Invalid params.");
    value reply = ws_send_wait(U("Player.GetItem"), value());
    // The id is whichever the library gave this request (it counts every request before).
    ASSERT_TRUE(reply.has_field(U("id")) && reply.at(U("id")).is_integer());
    reply[U("id")] = value::number(0);
    EXPECT_EQ(testenv::utf8(reply.serialize()),
              R"({"error":{"code":-32602,"message":"Invalid params."},"id":0,"jsonrpc":"2.0"})");
}

TEST_F(request_test, two_senders_answered_in_reverse_order_each_get_their_own_reply) {
    kodi.withhold("Slow.Method");
    auto first =
        std::async(std::launch::async, [] { return ws_send_wait(U("Slow.Method"), params_n(1)); });
    auto second =
        std::async(std::launch::async, [] { return ws_send_wait(U("Slow.Method"), params_n(2)); });
    ASSERT_TRUE(kodi.wait_for_withheld(2, 5s));
    kodi.release_withheld(true);
    value one = first.get(), two = second.get();
    EXPECT_EQ(one.at(U("result")).at(U("n")).as_integer(), 1);
    EXPECT_EQ(two.at(U("result")).at(U("n")).as_integer(), 2);
    EXPECT_NE(one.at(U("id")).as_integer(), two.at(U("id")).as_integer());
    EXPECT_EQ(pending_count(), 0u);
}

TEST_F(request_test, a_delayed_reply_is_overtaken_by_a_quick_one) {
    kodi.set_delay("Slow.Method", 300ms);
    auto slow =
        std::async(std::launch::async, [] { return ws_send_wait(U("Slow.Method"), params_n(1)); });
    ASSERT_TRUE(kodi.wait_for_requests("Slow.Method", 1, 5s));
    EXPECT_EQ(ws_send_wait(U("Quick.Method"), params_n(2)).at(U("result")).at(U("n")).as_integer(),
              2);
    EXPECT_EQ(slow.wait_for(0s), std::future_status::timeout);
    EXPECT_EQ(slow.get().at(U("result")).at(U("n")).as_integer(), 1);
}

TEST_F(request_test, a_reply_stored_before_the_sender_waits_ends_the_wait_at_once) {
    // With the shared pool occupied the send cannot finish, so the sender is held before
    // its wait while the reply is handed over.
    kodi.withhold("Quick");
    std::mutex gate_mutex;
    std::condition_variable gate;
    bool open = false;
    std::vector<pplx::task<void>> blockers;
    for (size_t i = 0; i < task_pool_threads; ++i)
        blockers.push_back(pplx::create_task([&] {
            std::unique_lock<std::mutex> lock(gate_mutex);
            gate.wait_for(lock, 4s, [&] { return open; });
        }));
    auto sender =
        std::async(std::launch::async, [] { return ws_send_wait(U("Quick"), params_n(7)); });
    ASSERT_TRUE(testenv::wait_until([] { return pending_count() == 1; }));
    handle_message_text(R"({"id":10,"jsonrpc":"2.0","result":{"n":7}})");
    const auto released = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> lock(gate_mutex);
        open = true;
    }
    gate.notify_all();
    value reply = sender.get();
    EXPECT_LT(std::chrono::steady_clock::now() - released, 2s);
    EXPECT_EQ(reply.at(U("result")).at(U("n")).as_integer(), 7);
    for (auto& blocker : blockers) blocker.wait();
}

TEST_F(request_test, a_withheld_reply_gives_null_after_5_s_and_is_dropped_when_it_comes_late) {
    kodi.withhold("Silent.Method");
    const auto began = std::chrono::steady_clock::now();
    value reply = ws_send_wait(U("Silent.Method"), params_n(1));
    EXPECT_TRUE(reply.is_null());
    EXPECT_GE(std::chrono::steady_clock::now() - began,
              std::chrono::milliseconds(reply_timeout_ms));
    EXPECT_EQ(pending_count(), 0u);

    kodi.withhold("Silent.Method", false);
    kodi.release_withheld();
    ASSERT_TRUE(testenv::wait_until(
        [&] { return log_contains(R"(Received: {"id":10,"jsonrpc":"2.0","result":{"n":1}})"); }));
    value next = ws_send_wait(U("Silent.Method"), params_n(2));
    EXPECT_EQ(testenv::utf8(next.serialize()), R"({"id":11,"jsonrpc":"2.0","result":{"n":2}})");
    EXPECT_EQ(pending_count(), 0u);
}

TEST_F(request_test, a_send_while_disconnected_logs_the_error_and_cancel_ends_the_wait) {
    kodi.drop_clients();
    ASSERT_TRUE(testenv::wait_until([] { return !g_connected; }));
    auto sender =
        std::async(std::launch::async, [] { return ws_send_wait(U("JSONRPC.Ping"), value()); });
    ASSERT_TRUE(testenv::wait_until([&] {
        for (const auto& line : log_lines())
            if (line.rfind("Error sending. Error= ", 0) == 0) return true;
        return false;
    }));
    EXPECT_EQ(sender.wait_for(0s), std::future_status::timeout);
    cancel_pending_requests();
    ASSERT_EQ(sender.wait_for(2s), std::future_status::ready);
    EXPECT_TRUE(sender.get().is_null());
    EXPECT_EQ(pending_count(), 0u);
    const auto began = std::chrono::steady_clock::now();
    EXPECT_TRUE(ws_send_wait(U("JSONRPC.Ping"), value()).is_null());
    EXPECT_LT(std::chrono::steady_clock::now() - began, 1s);
}

TEST_F(request_test, many_senders_at_once_each_get_their_own_reply_and_round_trips_are_timed) {
    std::vector<std::thread> senders;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        senders.emplace_back([t, &wrong] {
            for (int i = 0; i < 100; ++i) {
                const int n = t * 1000 + i;
                value reply = ws_send_wait(U("Echo"), params_n(n));
                if (reply.is_null() || reply.at(U("result")).at(U("n")).as_integer() != n) ++wrong;
            }
        });
    for (auto& sender : senders) sender.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(pending_count(), 0u);

    std::vector<double> micros;
    for (int i = 0; i < 1000; ++i) {
        const auto began = std::chrono::steady_clock::now();
        ws_send_wait(U("Echo"), params_n(i));
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - began)
                .count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("request round trip: median %.0f us, p90 %.0f us\n", micros[500], micros[900]);
}

}  // namespace
