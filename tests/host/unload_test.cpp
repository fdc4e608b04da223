// A host that calls SmartieFini and then unloads the plug-in must never crash afterwards,
// even while Kodi keeps talking and requests were in flight.
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "fake_kodi/fake_kodi.h"
#include "host/plugin_loader.h"
#include "support/test_env.h"

namespace {

using namespace std::chrono_literals;
web::json::value json(const char* text) {
    return web::json::value::parse(text);
}

class unload : public testenv::host_folder_test {
  protected:
    fake_kodi::server kodi;
};

TEST_F(unload, after_fini_and_unloading_nothing_of_the_plugin_runs) {
    kodi.start();
    kodi.on(
        "Player.GetItem",
        json(R"({"item":{"album":"L","artist":["A"],"title":"Song","track":3,"type":"song"}})"));
    // Slow progress replies keep ticks waiting while the plug-in is shut down.
    kodi.on("Player.GetProperties", [](const fake_kodi::received_request& request) {
        fake_kodi::reply_plan plan;
        plan.reply = fake_kodi::make_result(
            request.json, json(R"({"percentage":10.5,"time":{"hours":0,"minutes":0,"seconds":5},)"
                               R"("totaltime":{"hours":0,"minutes":3,"seconds":0}})"));
        plan.delay = 1500ms;
        return plan;
    });
    write_config("port=" + std::to_string(kodi.port()) +
                 "\nlogging=1\nidle_timer=1\nreset_delay=1\nconnect_delay=0\n");

    lcd::loaded_plugin plugin;
    std::string error;
    ASSERT_TRUE(lcd::load_plugin(PLINTHAR_MODULE_PATH, plugin, error)) << error;  // SmartieInit
    const auto fini = plugin.api.fini;
    const auto title = plugin.api.functions[0];
    const auto status = plugin.api.functions[1];

    ASSERT_TRUE(kodi.wait_for_clients(1, 5s));
    kodi.notify("Player.OnPlay",
                json(R"({"item":{"type":"unknown"},"player":{"playerid":0,"speed":1}})"));
    kodi.notify("Application.OnVolumeChanged", json(R"({"muted":false,"volume":40})"));
    char empty[] = "";
    ASSERT_TRUE(testenv::wait_until(
        [&] { return std::string(title(empty, empty)).find("Song") != std::string::npos; }, 5s));
    // Let progress ticks start and wait on their slow replies.
    ASSERT_TRUE(kodi.wait_for_requests("Player.GetProperties", 1, 6s));
    kodi.notify("Player.OnStop", json(R"({"end":false,"item":{"type":"unknown"}})"));
    status(empty, empty);

    const auto before = std::chrono::steady_clock::now();
    fini();
    const auto fini_time = std::chrono::steady_clock::now() - before;
    ASSERT_TRUE(lcd::unload_plugin(plugin));

    // Kodi goes on talking to a client that must no longer exist.
    for (int i = 0; i < 20; ++i) {
        kodi.notify("Application.OnVolumeChanged", json(R"({"muted":false,"volume":50})"));
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(testenv::wait_until([&] { return kodi.client_count() == 0; }, 5s));
    // Shutting down must not wait out a 5 s reply time-out.
    EXPECT_LT(fini_time, 4s);
}

}  // namespace

namespace {

// The library stays mapped between an unload and the next load: the second start must
// work like the first one, from the settings of its own reading.
TEST_F(unload, a_second_load_after_fini_starts_afresh) {
    kodi.start();
    kodi.on(
        "Player.GetItem",
        json(R"({"item":{"album":"L","artist":["A"],"title":"Song","track":3,"type":"song"}})"));
    char empty[] = "";
    for (int round = 0; round < 2; ++round) {
        write_config("port=" + std::to_string(kodi.port()) + "\nwelcome=Round" +
                     std::to_string(round) + (round == 0 ? "\nregex=Song,Tune\n" : "\n"));
        lcd::loaded_plugin plugin;
        std::string error;
        ASSERT_TRUE(lcd::load_plugin(PLINTHAR_MODULE_PATH, plugin, error)) << error;
        const auto title = plugin.api.functions[0];
        // The icon space, a space, and the welcome text centred in 18 columns.
        EXPECT_EQ(std::string(title(empty, empty)),
                  std::string(8, ' ') + "Round" + std::to_string(round));
        ASSERT_TRUE(kodi.wait_for_clients(1, 5s));
        kodi.notify("Player.OnPlay",
                    json(R"({"item":{"type":"unknown"},"player":{"playerid":0,"speed":1}})"));
        const std::string expected = round == 0 ? "Tune" : "Song";
        EXPECT_TRUE(testenv::wait_until(
            [&] { return std::string(title(empty, empty)).find(expected) != std::string::npos; },
            5s))
            << "round " << round << ": " << title(empty, empty);
        plugin.api.fini();
        ASSERT_TRUE(lcd::unload_plugin(plugin));
        ASSERT_TRUE(testenv::wait_until([&] { return kodi.client_count() == 0; }, 5s));
    }
}

}  // namespace
