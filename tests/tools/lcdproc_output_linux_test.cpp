// The LCDd sender against a stand-in LCDd on loopback that speaks protocol 0.4.
#include "host/lcdproc_output.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "host/macro_expander.h"
#include "support/test_env.h"

namespace {

using namespace std::chrono_literals;

// Accepts one client at a time, answers hello, records every line. With silent set it
// never answers, as a hung LCDd would.
class fake_lcdd {
  public:
    explicit fake_lcdd(bool silent = false) : silent_(silent) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        const int one = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~fake_lcdd() {
        stopping_ = true;
        thread_.join();
        close(listener_);
    }

    int port() const { return port_; }
    std::vector<std::string> lines() {
        std::lock_guard<std::mutex> guard(lock_);
        return lines_;
    }
    int clients() const { return clients_; }
    void drop_client() { drop_ = true; }
    bool has_line(const std::string& wanted) {
        for (const auto& line : lines())
            if (line == wanted) return true;
        return false;
    }

  private:
    void serve() {
        while (!stopping_) {
            pollfd p{listener_, POLLIN, 0};
            if (poll(&p, 1, 20) != 1) continue;
            const int client = accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            ++clients_;
            talk(client);
            close(client);
        }
    }

    void talk(int client) {
        std::string buffer;
        drop_ = false;
        while (!stopping_ && !drop_) {
            pollfd p{client, POLLIN, 0};
            if (poll(&p, 1, 20) != 1) continue;
            char chunk[4096];
            const ssize_t got = recv(client, chunk, sizeof chunk, 0);
            if (got <= 0) return;
            buffer.append(chunk, static_cast<size_t>(got));
            for (size_t end; (end = buffer.find('\n')) != std::string::npos;) {
                const std::string line = buffer.substr(0, end);
                buffer.erase(0, end + 1);
                {
                    std::lock_guard<std::mutex> guard(lock_);
                    lines_.push_back(line);
                }
                if (silent_) continue;
                const std::string answer = line == "hello"
                                               ? "connect LCDproc 0.5.9 protocol 0.4 lcd wid 16 "
                                                 "hgt 2 cellwid 6 cellhgt 8\n"
                                               : "success\nlisten plinthar\nkey Enter\n";
                send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
            }
        }
    }

    bool silent_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> drop_{false};
    std::atomic<int> clients_{0};
    std::mutex lock_;
    std::vector<std::string> lines_;
    std::thread thread_;
};

lcd::lcdproc_address address_of(int port) {
    lcd::lcdproc_address address;
    address.port = std::to_string(port);
    return address;
}

lcd::lcdproc_timing quick_timing() {
    lcd::lcdproc_timing timing;
    timing.first_retry = 20ms;
    timing.longest_retry = 100ms;
    timing.answer_timeout = 500ms;
    return timing;
}

std::vector<lcd::row> rows_of(const std::string& first, const std::string& second) {
    lcd::expand_context context;
    return {lcd::expand_macros(first, context), lcd::expand_macros(second, context)};
}

TEST(lcdproc_output, sets_up_its_screen_sends_rows_and_comes_back_after_a_lost_connection) {
    fake_lcdd server;
    std::vector<std::string> log;
    std::mutex log_lock;
    lcd::lcdproc_output output(
        address_of(server.port()),
        [&](const std::string& line) {
            std::lock_guard<std::mutex> guard(log_lock);
            log.push_back(line);
        },
        quick_timing());
    const auto display = output.wait_connected(5s);
    ASSERT_TRUE(display);
    EXPECT_EQ(display->protocol, "0.4");
    EXPECT_EQ(display->width, 16);

    output.show(rows_of("caf\xe9 \"x\"", "$Bar(50,100,2)"), {});
    ASSERT_TRUE(
        testenv::wait_until([&] { return server.has_line("widget_set plinthar r2p1 1 2 6"); }, 5s));
    const auto lines = server.lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "hello");
    EXPECT_EQ(lines[1], "client_set -name plinthar");
    EXPECT_EQ(lines[2], "screen_add plinthar");
    EXPECT_EQ(lines[3], "screen_set plinthar -name plinthar -priority foreground -heartbeat off");
    EXPECT_TRUE(server.has_line("widget_set plinthar r1p1 1 1 \"caf\xe9 \\\"x\\\"\""));

    // After a reconnect the last rows are drawn anew, without a new frame.
    server.drop_client();
    ASSERT_TRUE(testenv::wait_until([&] { return server.clients() == 2; }, 5s));
    ASSERT_TRUE(testenv::wait_until(
        [&] {
            int count = 0;
            for (const auto& line : server.lines())
                count += line == "widget_set plinthar r2p1 1 2 6";
            return count == 2;
        },
        5s));
    EXPECT_TRUE(testenv::wait_until([&] { return output.connections() == 2; }, 5s));
}

TEST(lcdproc_output, a_hung_or_missing_lcdd_never_holds_up_the_caller) {
    fake_lcdd hung(true);
    lcd::lcdproc_output output(
        address_of(hung.port()), [](const std::string&) {}, quick_timing());
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i)
        output.show(rows_of("frame " + std::to_string(i), std::string(300, 'x')), {});
    EXPECT_FALSE(output.wait_connected(200ms));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    // It keeps trying: no answer to hello ends the attempt and another follows.
    EXPECT_TRUE(testenv::wait_until([&] { return hung.clients() >= 2; }, 5s));
}

TEST(lcdproc_output, ends_at_once_while_waiting_for_an_answer) {
    fake_lcdd hung(true);
    auto output =
        std::make_unique<lcd::lcdproc_output>(address_of(hung.port()), [](const std::string&) {});
    ASSERT_TRUE(testenv::wait_until([&] { return hung.clients() == 1; }, 5s));
    const auto started = std::chrono::steady_clock::now();
    output.reset();  // the answer would take 3 s to time out
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
}

}  // namespace
