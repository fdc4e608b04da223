// Connection lifecycle against the fake Kodi: log lines, flags, closes of every kind.
// First: GoogleTest must come before the JSON library.
#include "support/fake_kodi_fixture.h"
#include "support/texts.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "kodi/connection.h"
#include "kodi/request.h"
#include "settings/config.h"
#include "settings/log.h"

namespace {

using namespace std::chrono_literals;

class connection_test : public testenv::fake_kodi_test {
  protected:
    std::string uri() const { return "ws://LOCALHOST:" + std::to_string(kodi.port()); }
    size_t index_of(const std::string& line) const {
        auto lines = log_lines();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == line) return i;
        return lines.size();
    }
    bool log_has_prefix(const std::string& prefix) const {
        for (const auto& line : log_lines())
            if (line.rfind(prefix, 0) == 0) return true;
        return false;
    }
};

TEST_F(connection_test, refused_connection_logs_the_error_and_clears_both_flags) {
    kodi.stop();
    init_config();
    init_logging();
    for (const char* attempt : {"first", "second"}) {
        g_connect_pending = true;
        const auto began = std::chrono::steady_clock::now();
        ws_connect();
        const auto took = std::chrono::steady_clock::now() - began;
        std::printf("refused connection (%s attempt) took %.2f ms\n", attempt,
                    std::chrono::duration<double, std::milli>(took).count());
    }
    EXPECT_FALSE(g_connected);
    EXPECT_FALSE(g_connect_pending);
    auto lines = log_lines();
    const size_t connecting = index_of("Connecting to " + uri());
    ASSERT_LT(connecting + 1, lines.size());
    EXPECT_EQ(lines[connecting + 1].rfind("Error connecting. Error= ", 0), 0u)
        << lines[connecting + 1];
    EXPECT_GT(lines[connecting + 1].size(), std::string("Error connecting. Error= ").size());
    EXPECT_FALSE(log_has_prefix("Client Close Detected"));
}

TEST_F(connection_test, successful_connection_logs_the_same_uri_twice_and_sets_connected) {
    g_connect_pending = true;
    ASSERT_TRUE(connect_library());
    EXPECT_TRUE(g_connected);
    EXPECT_FALSE(g_connect_pending);
    const size_t connecting = index_of("Connecting to " + uri());
    EXPECT_EQ(index_of("Connected to " + uri()), connecting + 1);
}

TEST_F(connection_test, port_setting_9091_gives_its_uri) {
    fake_kodi::server kodi_9091(9091);
    try {
        kodi_9091.start();
    } catch (...) {
        GTEST_SKIP() << "port 9091 is in use";
    }
    write_config("port=9091\nlogging=1\n");
    init_config();
    init_logging();
    ws_connect();
    EXPECT_TRUE(g_connected);
    EXPECT_TRUE(log_contains("Connecting to ws://LOCALHOST:9091"));
    EXPECT_TRUE(log_contains("Connected to ws://LOCALHOST:9091"));
    shutdown_connection();
}

TEST_F(connection_test, a_port_that_makes_no_uri_fails_like_a_refusal) {
    write_config("port=no port\nlogging=1\n");
    init_config();
    init_logging();
    g_connect_pending = true;
    ws_connect();
    EXPECT_FALSE(g_connected);
    EXPECT_FALSE(g_connect_pending);
    EXPECT_TRUE(log_has_prefix("Error connecting. Error= "));
}

TEST_F(connection_test, every_kind_of_close_is_reported_with_its_status_and_a_new_attempt_works) {
    struct ending {
        std::function<void()> close;
        std::string line;
    };
    const std::vector<ending> endings = {
        {[&] { kodi.close_clients(4000, "bye"); }, "Client Close Detected: status=4000"},
        {[&] { kodi.close_clients(1001); }, "Client Close Detected: status=1001"},
        {[&] { kodi.drop_clients(); }, "Client Close Detected: status=1006"},
        {[&] { kodi.close_like_kodi(); }, "Client Close Detected: status=1006"},
        {[&] {
             kodi.stop();
             kodi.start();
         },
         "Client Close Detected: status=1006"},
    };
    init_config();
    init_logging();
    for (const auto& end : endings) {
        SCOPED_TRACE(end.line);
        ws_connect();
        ASSERT_TRUE(g_connected);
        ASSERT_TRUE(kodi.wait_for_clients(1, 5s));
        end.close();
        ASSERT_TRUE(testenv::wait_until([] { return !g_connected; }));
        EXPECT_FALSE(g_connect_pending);
        EXPECT_TRUE(log_contains(end.line));
        ASSERT_TRUE(kodi.wait_for_clients(0, 5s));
    }
    // Kodi's close frame is not UTF-8 and must not pass as a message.
    EXPECT_FALSE(log_has_prefix("Received: "));
    kodi.on("JSONRPC.Ping", web::json::value::string(U("pong")));
    ws_connect();
    auto reply = ws_send_wait(U("JSONRPC.Ping"), web::json::value());
    EXPECT_EQ(testenv::utf8(reply.serialize()),
              "{\"id\":10,\"jsonrpc\":\"2.0\",\"result\":\"pong\"}");
}

TEST_F(connection_test, ws_close_closes_only_an_open_connection) {
    init_config();
    init_logging();
    ws_close();
    EXPECT_FALSE(g_connected);
    EXPECT_FALSE(log_has_prefix("Client Close Detected"));

    ws_connect();
    ASSERT_TRUE(g_connected);
    ws_close();
    EXPECT_FALSE(g_connected);
    EXPECT_FALSE(g_connect_pending);
    EXPECT_TRUE(kodi.wait_for_clients(0, 5s));
}

TEST_F(connection_test, shutdown_releases_the_client_while_kodi_keeps_talking) {
    ASSERT_TRUE(connect_library());
    std::atomic<bool> talking{true};
    std::thread chatter([&] {
        while (talking) kodi.notify("Player.OnPause", web::json::value::object());
    });
    ASSERT_TRUE(testenv::wait_until([&] { return log_has_prefix("Received: "); }));
    cancel_pending_requests();
    shutdown_connection();
    EXPECT_FALSE(g_connected);
    EXPECT_TRUE(kodi.wait_for_clients(0, 5s));
    talking = false;
    chatter.join();
    EXPECT_EQ(current_client(), nullptr);
    EXPECT_TRUE(ws_send_wait(U("JSONRPC.Ping"), web::json::value()).is_null());
}

TEST_F(connection_test, a_handshake_that_never_comes_ends_the_attempt_with_an_error) {
    kodi.set_stall_handshake(true);
    init_config();
    init_logging();
    g_connect_pending = true;
    ws_connect();
    EXPECT_FALSE(g_connected);
    EXPECT_FALSE(g_connect_pending);
    EXPECT_TRUE(log_has_prefix("Error connecting. Error= "));

    kodi.set_stall_handshake(false);
    ws_connect();
    EXPECT_TRUE(g_connected);
}

TEST_F(connection_test, a_second_attempt_while_connected_leaves_the_new_connection_up) {
    ASSERT_TRUE(connect_library());
    ws_connect();
    ASSERT_TRUE(g_connected);
    // The first client is released and closed; its end is not the new connection's.
    ASSERT_TRUE(kodi.wait_for_clients(1, 5s));
    EXPECT_TRUE(g_connected);
    EXPECT_FALSE(log_has_prefix("Client Close Detected"));
}

}  // namespace
