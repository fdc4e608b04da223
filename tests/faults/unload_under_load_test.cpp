// The host unloads the plug-in while it is busy: progress ticks wait on replies, a query
// waits on another thread, and notifications keep streaming in. Nothing may crash, and
// nothing of the plug-in may run once SmartieFini has returned.
#include "faults/fault_fixture.h"
#include "host/plugin_loader.h"

namespace faults {
namespace {

class unload_under_load : public testenv::host_folder_test {
  protected:
    fake_kodi::server kodi;
};

TEST_F(unload_under_load, fini_and_unloading_while_ticks_a_query_and_notifications_are_in_flight) {
    watchdog guard(60s, "unload under load");
    kodi.start();
    const size_t threads_at_start = thread_count();
    kodi.on("Player.GetItem", json(R"({"item":{"title":"Heat","type":"movie"}})"));
    kodi.on("Player.GetProperties",
            json(R"({"percentage":10,"time":{"hours":0,"minutes":0,"seconds":5},)"
                 R"("totaltime":{"hours":0,"minutes":3,"seconds":0}})"));
    kodi.on("JSONRPC.Version", json(R"({"version":{"major":13}})"));
    write_config("port=" + std::to_string(kodi.port()) +
                 "\nlogging=1\nreset_delay=1\nconnect_delay=0\nidle_timer=1\n");

    lcd::loaded_plugin plugin;
    std::string error;
    ASSERT_TRUE(lcd::load_plugin(PLINTHAR_MODULE_PATH, plugin, error)) << error;
    const auto init = plugin.api.init;
    const auto fini = plugin.api.fini;
    const auto title = plugin.api.functions[0];
    const auto query = plugin.api.functions[4];

    init();
    ASSERT_TRUE(kodi.wait_for_clients(1, 5s));
    kodi.notify(
        "Player.OnPlay",
        json(R"({"item":{"title":"Heat","type":"movie"},"player":{"playerid":1,"speed":1}})"));
    ASSERT_TRUE(wait_until([&] { return call(title).find("Heat") != std::string::npos; }, 5s));

    // Two progress ticks wait on replies that do not come...
    kodi.withhold("Player.GetProperties");
    ASSERT_TRUE(kodi.wait_for_withheld(2, 5s));
    // ... a query waits on another thread ...
    kodi.withhold("JSONRPC.Version");
    std::string query_answer = "(waiting)";
    std::thread querying([&] { query_answer = call(query, "JSONRPC.Version", "version#major"); });
    ASSERT_TRUE(kodi.wait_for_withheld(3, 5s));
    // ... and Kodi streams notifications all the while.
    std::atomic<bool> streaming{true};
    std::thread notifications([&] {
        while (streaming) {
            kodi.notify("Application.OnVolumeChanged", json(R"({"muted":false,"volume":50})"));
            kodi.notify("Player.OnSpeedChanged",
                        json(R"({"item":{"type":"movie"},"player":{"playerid":1,"speed":2}})"));
            std::this_thread::sleep_for(1ms);
        }
    });

    const auto fini_began = std::chrono::steady_clock::now();
    fini();
    const auto fini_took = std::chrono::steady_clock::now() - fini_began;
    querying.join();
    EXPECT_EQ(query_answer, "");  // woken by the unload, not by a reply
    const auto log_at_fini = raw_log_lines();
    ASSERT_FALSE(log_at_fini.empty());
    EXPECT_EQ(testenv::strip_time_stamp(log_at_fini.back()), "SmartieFini");
    ASSERT_TRUE(lcd::unload_plugin(plugin));

    // The withheld replies come now, with the notifications still streaming.
    kodi.release_withheld();
    std::this_thread::sleep_for(1s);  // time for anything still alive to show itself
    streaming = false;
    notifications.join();

    EXPECT_EQ(raw_log_lines(), log_at_fini) << "the plug-in logged after SmartieFini";
    EXPECT_TRUE(wait_until([&] { return kodi.client_count() == 0; }, 5s));
    // Unloading must not wait out a reply time-out.
    EXPECT_LT(fini_took, std::chrono::milliseconds(reply_timeout_ms));
    // Only the task library's pool stays (shared with this process: sized by the plug-in
    // on Linux, the system's on Windows, whose idle threads end after a few seconds).
    EXPECT_TRUE(
        wait_until([&] { return thread_count() <= threads_at_start + task_pool_threads + 1; }, 20s))
        << "threads " << threads_at_start << " -> " << thread_count();
}

}  // namespace
}  // namespace faults
