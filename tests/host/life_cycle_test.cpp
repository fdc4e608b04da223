// The display host's life with the plug-in: SmartieInit and SmartieFini once for every
// spelling of its name in the screens, a load for the settings window alone, and the help
// texts asked for at any time.
#include "host/exports.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "display/version_line.h"
#include "kodi/connection.h"
#include "support/fake_kodi_fixture.h"

namespace {

using namespace std::chrono_literals;
using testenv::wait_until;

char empty[] = "";

web::json::value json(const char* text) {
    return web::json::value::parse(text);
}

class life_cycle : public testenv::fake_kodi_test {
  protected:
    void SetUp() override {
        fake_kodi_test::SetUp();
        kodi.on("Player.GetItem", json(R"({"item":{"album":"L","artist":["A"],"title":"Song",)"
                                       R"("track":3,"type":"song"}})"));
        kodi.on("Player.GetProperties",
                json(R"({"percentage":10.5,"time":{"hours":0,"minutes":0,"seconds":5},)"
                     R"("totaltime":{"hours":0,"minutes":3,"seconds":0}})"));
        kodi.on("XBMC.GetInfoLabels", json(R"({"System.Time":"12:34"})"));
        write_kodi_config("connect_delay=0\n");
    }

    void play_song() {
        kodi.notify("Player.OnPlay",
                    json(R"({"item":{"type":"unknown"},"player":{"playerid":0,"speed":1}})"));
    }

    int logged(const std::string& line) const {
        int count = 0;
        for (const auto& logged_line : log_lines()) count += logged_line == line;
        return count;
    }
};

TEST_F(life_cycle, init_twice_keeps_one_connection_and_fini_twice_ends_it_once) {
    SmartieInit();
    ASSERT_TRUE(kodi.wait_for_clients(1, 5s));
    SmartieInit();  // the same module under a second spelling of its name
    EXPECT_EQ(kodi.client_count(), 1u);
    EXPECT_TRUE(g_connected);

    play_song();
    ASSERT_TRUE(wait_until(
        [] { return std::string(function1(empty, empty)).find("Song") != std::string::npos; }));
    // One progress timer polls once a second; two would poll twice as often.
    ASSERT_TRUE(kodi.wait_for_requests("Player.GetProperties", 3, 10s));
    const auto polls = kodi.requests_for("Player.GetProperties");
    EXPECT_GE(polls[2].arrived - polls[0].arrived, 1500ms);
    EXPECT_EQ(kodi.requests_for("Player.GetItem").size(), 1u) << "the notification handled once";
    char method[] = "XBMC.GetInfoLabels", label[] = "System.Time";
    EXPECT_EQ(std::string(function7(method, label)), "12:34");

    SmartieFini();
    SmartieFini();
    EXPECT_TRUE(wait_until([&] { return kodi.client_count() == 0; }));
    EXPECT_FALSE(g_connected);
    EXPECT_EQ(logged("Init"), 1) << "the log is begun once";
    EXPECT_EQ(logged("SmartieInit"), 2);
    EXPECT_EQ(logged("SmartieFini"), 2);
}

TEST_F(life_cycle, loaded_for_the_settings_window_alone_it_ends_cleanly_at_exit) {
    SmartieInit();
    ASSERT_TRUE(kodi.wait_for_clients(1, 5s));
    EXPECT_NE(std::string(SmartieInfo()).find("Version: "), std::string::npos);
    EXPECT_NE(std::string(SmartieDemo()).find("$dll(plinthar,1,,)"), std::string::npos);
    // No text call while Kodi goes on: the item is fetched and its progress polled meanwhile.
    play_song();
    kodi.notify("Application.OnVolumeChanged", json(R"({"muted":false,"volume":40})"));
    ASSERT_TRUE(kodi.wait_for_requests("Player.GetProperties", 2, 10s));

    SmartieFini();
    EXPECT_TRUE(wait_until([&] { return kodi.client_count() == 0; }));
    // Nothing of the plug-in runs on: no poll comes within more than a poll's period.
    const size_t requests = kodi.requests().size();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(kodi.requests().size(), requests);
}

TEST_F(life_cycle, the_help_texts_are_the_same_before_init_and_after_fini) {
    const std::string info = SmartieInfo();
    const std::string demo = SmartieDemo();
    SmartieInit();
    SmartieFini();
    EXPECT_EQ(std::string(SmartieInfo()), info);
    EXPECT_EQ(std::string(SmartieDemo()), demo);

    EXPECT_EQ(info.rfind("Developer: ", 0), 0u) << info;
    EXPECT_NE(info.find("\r\nVersion: " + std::string(version_and_date()) + "\r\n"),
              std::string::npos);
    EXPECT_NE(build_version_line().find(version_and_date()), std::string::npos);

    // Lines end in CR LF and are short enough to read without scrolling.
    std::istringstream lines(demo);
    std::string line;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty()) << "a line ended by LF alone";
        EXPECT_EQ(line.back(), '\r') << line;
        EXPECT_LE(line.size(), 61u) << line;
    }
    for (int i = 1; i <= 11; ++i) {
        const std::string number = std::to_string(i);
        EXPECT_NE(demo.find("\r\nfunction" + number + ": "), std::string::npos) << number;
        EXPECT_NE(demo.find("\r\n$dll(plinthar," + number + ","), std::string::npos) << number;
    }
    EXPECT_NE(demo.find("$dll(plinthar,5,Player.GetProperties,time#hours)"), std::string::npos);
    EXPECT_NE(demo.find("$dll(plinthar,7,XBMC.GetInfoLabels,System.Time)"), std::string::npos);
    EXPECT_NE(demo.find("plinthar.cfg"), std::string::npos);

    // plinthar.txt, shipped beside the plug-in, is made from the same source.
    std::ifstream shipped(PLINTHAR_HELP_FILE, std::ios::binary);
    ASSERT_TRUE(shipped) << PLINTHAR_HELP_FILE;
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(shipped), {}), demo);
}

}  // namespace
