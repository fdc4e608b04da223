// The exports as a host sees them, with and without a Kodi to talk to.
#include "host/exports.h"
#include "support/texts.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "kodi/connection.h"
#include "support/fake_kodi_fixture.h"
#include "support/kodi_process.h"
#include "support/test_env.h"

namespace {

using namespace std::chrono_literals;
using testenv::wait_until;

char empty[] = "";

std::string call(char*(PLINTHAR_CALL* export_fn)(char*, char*), const char* a = "",
                 const char* b = "") {
    std::string first(a), second(b);
    return export_fn(first.data(), second.data());
}

int count_lines_starting(const std::vector<std::string>& lines, const std::string& prefix) {
    int count = 0;
    for (const auto& line : lines) count += line.rfind(prefix, 0) == 0;
    return count;
}

class exports_without_kodi : public testenv::host_folder_test {
  protected:
    // A port nothing listens on: every attempt is refused at once.
    // Other tests may run a stand-in Kodi.exe at the same time: the setting names this
    // test's own folder.
    void start(const std::string& extra = "") {
        const std::string folder_name = std::filesystem::path(folder()).filename().string();
        write_config("port=1\nlogging=1\nkodiexe=" +
                     testenv::native_path(folder_name + "/Kodi/Kodi.exe") + "\n" + extra);
        SmartieInit();
    }
};

TEST_F(exports_without_kodi, answers_every_text_export_without_a_connection) {
    start();
    EXPECT_EQ(GetMinRefreshInterval(), 300);
    EXPECT_FALSE(g_connected);
    EXPECT_FALSE(g_connect_pending);
    EXPECT_EQ(call(function1), "  Kodi Media Center");
    EXPECT_EQ(call(function2), "$Center($Time(mm/dd/yy hh:nn))");
    EXPECT_EQ(call(function3), "0");
    EXPECT_EQ(call(function4).rfind("$Center( v2.0 ", 0), 0u);
    EXPECT_EQ(call(function5, "Player.GetProperties", "time#hours"), "Kodi not found");
    EXPECT_EQ(call(function6), " ");
    EXPECT_EQ(call(function7, "XBMC.GetInfoLabels", "System.Time"), "Kodi not found");
    EXPECT_EQ(call(function8, "XBMC.GetInfoLabels", "System.Time"), "");
    EXPECT_EQ(call(function9), "0");
    EXPECT_EQ(call(function10), "");
    EXPECT_EQ(call(function11), "0");
    EXPECT_FALSE(is_kodi_running());
    // function10 without an idle timer logs nothing.
    EXPECT_EQ(count_lines_starting(log_lines(), "Idle timer"), 0);
}

TEST_F(exports_without_kodi, null_parameters_are_taken_as_empty_texts) {
    start();
    EXPECT_STREQ(function5(nullptr, nullptr), "Kodi not found");
    EXPECT_STREQ(function7(nullptr, nullptr), "Kodi not found");
    EXPECT_STREQ(function1(nullptr, nullptr), "  Kodi Media Center");
}

TEST_F(exports_without_kodi, queries_answer_empty_while_the_kodi_process_runs) {
    testenv::kodi_process kodi("Kodi/Kodi.exe");
    start("connect_delay=60\n");
    EXPECT_EQ(call(function3), "1");
    EXPECT_EQ(call(function11), "0");  // Kodi runs, yet no connection
    EXPECT_EQ(call(function5, "Player.GetProperties", "time#hours"), "");
    EXPECT_EQ(call(function7, "XBMC.GetInfoLabels", "System.Time"), "");
    EXPECT_EQ(call(function9), "1");
    SmartieFini();
}

TEST_F(exports_without_kodi, schedules_one_attempt_at_a_time_and_only_while_kodi_runs) {
    testenv::kodi_process kodi("Kodi/Kodi.exe");
    start("connect_delay=1\n");
    ASSERT_EQ(count_lines_starting(log_lines(), "Connecting to"), 1);

    // Many guarded calls while the attempt is pending make exactly one more attempt.
    const auto until = std::chrono::steady_clock::now() + 700ms;
    while (std::chrono::steady_clock::now() < until) {
        call(function1);
        call(function2);
        call(function5, "a", "b");
        call(function7, "a", "b");
        call(function8, "a", "b");
        EXPECT_TRUE(g_connect_pending);
    }
    ASSERT_TRUE(wait_until([&] { return !g_connect_pending; }, 5s));
    EXPECT_EQ(count_lines_starting(log_lines(), "Connecting to"), 2);
    EXPECT_EQ(count_lines_starting(log_lines(), "Error connecting. Error= "), 2);

    // With Kodi gone the timer fires, makes no attempt and clears the flag.
    kodi.stop();
    call(function1);
    EXPECT_TRUE(g_connect_pending);
    ASSERT_TRUE(wait_until([&] { return !g_connect_pending; }, 5s));
    EXPECT_EQ(count_lines_starting(log_lines(), "Connecting to"), 2);
    // ... and the next guarded call schedules a new timer.
    call(function2);
    EXPECT_TRUE(g_connect_pending);
    SmartieFini();
}

TEST_F(exports_without_kodi, a_connect_delay_of_zero_tries_at_once) {
    testenv::kodi_process kodi("Kodi/Kodi.exe");
    start("connect_delay=0\n");
    call(function1);
    EXPECT_TRUE(wait_until([&] { return count_lines_starting(log_lines(), "Connecting to") == 2; },
                           1000ms));
    SmartieFini();
}

TEST_F(exports_without_kodi, a_negative_connect_delay_tries_at_once_rather_than_never) {
    testenv::kodi_process kodi("Kodi/Kodi.exe");
    start("connect_delay=-5\n");
    call(function1);
    EXPECT_TRUE(wait_until([&] { return count_lines_starting(log_lines(), "Connecting to") == 2; },
                           1000ms));
    SmartieFini();
}

TEST_F(exports_without_kodi, logs_start_and_end) {
    start();
    SmartieFini();
    const auto lines = log_lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines.front(), "Init");
    EXPECT_EQ(lines[1], "SmartieInit");
    EXPECT_EQ(lines[2], "Connecting to ws://LOCALHOST:1");
    EXPECT_EQ(lines.back(), "SmartieFini");
}

class exports_with_kodi : public testenv::fake_kodi_test {};

TEST_F(exports_with_kodi, reports_the_connection_once_it_listens_and_reconnects_after_a_close) {
    testenv::kodi_process process("Kodi/Kodi.exe");
    write_kodi_config("connect_delay=0\n");
    SmartieInit();
    EXPECT_EQ(call(function11), "1");
    ASSERT_TRUE(kodi.wait_for_clients(1, 5s));

    kodi.close_clients(1001, "going away");
    ASSERT_TRUE(wait_until([] { return !g_connected; }, 5s));
    EXPECT_EQ(call(function11), "0");
    EXPECT_TRUE(log_contains("Client Close Detected: status=1001"));

    call(function1);  // the guard schedules the next attempt
    EXPECT_TRUE(wait_until([] { return g_connected.load(); }, 5s));
    EXPECT_EQ(call(function11), "1");
    SmartieFini();
}

TEST_F(exports_with_kodi, cuts_a_long_answer_to_254_characters) {
    const std::string long_title(300, 'T');
    kodi.on("Player.GetActivePlayers",
            web::json::value::parse(R"([{"playerid":1,"playertype":"internal","type":"video"}])"));
    web::json::value item;
    item[U("item")][U("title")] = web::json::value::string(testenv::text(long_title));
    kodi.on("Player.GetItem", item);
    SmartieInit();
    ASSERT_TRUE(g_connected);
    EXPECT_EQ(call(function5, "Player.GetItem", "title"), std::string(254, 'T'));
    SmartieFini();
}

TEST_F(exports_with_kodi, function8_fills_the_shared_buffer_and_answers_empty) {
    web::json::value labels;
    labels[U("System.Time")] = web::json::value::string(U("9:17 AM"));
    kodi.on("XBMC.GetInfoLabels", labels);
    SmartieInit();
    ASSERT_TRUE(g_connected);
    char* seven = function7(empty, empty);
    std::string method = "XBMC.GetInfoLabels", label = "System.Time";
    EXPECT_STREQ(function8(method.data(), label.data()), "");
    EXPECT_STREQ(seven, "9:17 AM");  // function8 wrote the buffer function7 returns
    SmartieFini();
}

}  // namespace
