// Restarts the fake Kodi N times while it plays scenes and a host loop calls the text
// exports every 300 ms. After each restart the plug-in must reconnect within
// connect_delay plus a margin and show the new scene; at the end threads and open
// descriptors must be back where they were, and memory must have stopped growing: the
// second half of the restarts may not grow it as the first did.
//   reconnect_soak N [TRACE.csv]   (the trace: threads, descriptors and memory per restart)
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fake_kodi/fake_kodi.h"
#include "host/exports.h"
#include "kodi/connection.h"
#include "memory_trend.h"
#include "process_figures.h"
#include "support/kodi_process.h"

namespace {

using namespace std::chrono_literals;
using steady = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int connect_delay_s = 1;
// A refused attempt may just have rescheduled itself when Kodi comes back: one
// connect_delay for it, one refresh period, and room for a loaded machine.
constexpr auto reconnect_margin = 2000ms;
constexpr size_t thread_tolerance = 4;
constexpr size_t descriptor_tolerance = 2;
// Growth within these is noise: resident memory moves by whole pages and by what the
// allocator returns to the system; the heap in use by the messages in flight.
constexpr long rss_noise_kb = 512;
constexpr long heap_noise_kb = 128;

std::string call(char* (*export_fn)(char*, char*)) {
    char a[] = "", b[] = "";
    const char* answer = export_fn(a, b);
    return answer ? answer : "";
}

// What Kodi plays now; the fake Kodi answers its requests from here.
std::mutex scene_mutex;
std::string scene_title = "Heat";
int scene_percent = 10;

// The host's refresh loop: the two lines every 300 ms, the last ones kept for the checks.
std::mutex lines_mutex;
std::string line1, line2;
std::atomic<bool> refreshing{true};

void refresh_loop() {
    while (refreshing) {
        std::string first = call(function1), second = call(function2);
        {
            std::lock_guard<std::mutex> lock(lines_mutex);
            line1 = std::move(first);
            line2 = std::move(second);
        }
        std::this_thread::sleep_for(300ms);
    }
}

bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = steady::now() + timeout;
    while (!condition()) {
        if (steady::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

web::json::value json(const std::string& text) {
    return web::json::value::parse(text);
}

void script(fake_kodi::server& kodi) {
    kodi.on("Player.GetItem", [](const fake_kodi::received_request& request) {
        std::lock_guard<std::mutex> lock(scene_mutex);
        fake_kodi::reply_plan plan;
        plan.reply = fake_kodi::make_result(
            request.json, json(R"({"item":{"title":")" + scene_title + R"(","type":"movie"}})"));
        return plan;
    });
    kodi.on("Player.GetProperties", [](const fake_kodi::received_request& request) {
        std::lock_guard<std::mutex> lock(scene_mutex);
        fake_kodi::reply_plan plan;
        plan.reply = fake_kodi::make_result(
            request.json,
            json(R"({"percentage":)" + std::to_string(scene_percent) +
                 R"(,"time":{"hours":0,"milliseconds":0,"minutes":5,"seconds":7},)"
                 R"("totaltime":{"hours":1,"milliseconds":0,"minutes":30,"seconds":0}})"));
        return plan;
    });
}

bool play_scene(fake_kodi::server& kodi, const std::string& title, int percent) {
    {
        std::lock_guard<std::mutex> lock(scene_mutex);
        scene_title = title;
        scene_percent = percent;
    }
    kodi.notify("Player.OnPlay", json(R"({"item":{"title":")" + title +
                                      R"(","type":"movie"},"player":{"playerid":1,"speed":1}})"));
    const std::string bar = "$Bar(" + std::to_string(percent) + ",100,20)";
    return wait_for(
        [&] {
            std::lock_guard<std::mutex> lock(lines_mutex);
            return line1.find(title) != std::string::npos && line2 == bar;
        },
        5000ms);
}

// One restart: Kodi goes away, comes back on the same port; the time until the plug-in
// is connected again, or a negative time when it is not within the margin.
double restart(fake_kodi::server& kodi) {
    kodi.stop();
    if (!wait_for([] { return !g_connected.load(); }, 5000ms)) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(100 + std::rand() % 400));
    kodi.start();
    const auto started = steady::now();
    const auto limit = std::chrono::seconds(connect_delay_s) + reconnect_margin;
    if (!wait_for([&] { return g_connected.load() && kodi.client_count() == 1; }, limit)) return -1;
    return std::chrono::duration<double, std::milli>(steady::now() - started).count();
}

// Memory may grow while pools and caches fill, but the second half of the restarts must
// not grow it as the first did.
template <typename Fail>
void check_memory(const std::vector<soak::figures>& trace, Fail& fail, int restarts) {
    std::vector<long> rss, heap;
    for (const auto& sample : trace) {
        rss.push_back(sample.rss_kb);
        heap.push_back(sample.heap_kb);
    }
    const soak::growth_halves rss_growth = soak::growth_of(rss),
                              heap_growth = soak::growth_of(heap);
    std::printf("growth, first half / second half: RSS %+ld / %+ld kB, heap %+ld / %+ld kB\n",
                rss_growth.first, rss_growth.second, heap_growth.first, heap_growth.second);
    if (soak::still_growing(rss_growth, rss_noise_kb))
        fail("resident memory still grows", restarts);
    if (soak::still_growing(heap_growth, heap_noise_kb)) fail("heap in use still grows", restarts);
}

void write_trace(const char* path, const std::vector<soak::figures>& trace) {
    std::ofstream out(path);
    out << "restart,threads,descriptors,rss_kb,heap_kb\n";
    for (size_t i = 0; i < trace.size(); ++i)
        out << i << ',' << trace[i].threads << ',' << trace[i].descriptors << ',' << trace[i].rss_kb
            << ',' << trace[i].heap_kb << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    const int restarts = argc > 1 ? std::atoi(argv[1]) : 20;
    // Watchdog: a hang ends the program (and fails the test) instead of waiting forever.
    alarm(static_cast<unsigned>(60 + restarts * 15));

    char folder[] = "/tmp/plinthar-soak-XXXXXX";
    if (!mkdtemp(folder) || chdir(folder) != 0) return 2;
    fs::create_directories("plugins");
    testenv::kodi_process kodi_exe("Kodi/Kodi.exe");
    fake_kodi::server kodi;
    kodi.set_recording(false);  // its memory would grow with every request
    kodi.start();
    script(kodi);
    std::ofstream("plugins/plinthar.cfg")
        << "port=" << kodi.port() << "\nlogging=0\nreset_delay=1\nconnect_delay=" << connect_delay_s
        << "\n";

    SmartieInit();
    std::thread host(refresh_loop);
    int failures = 0;
    auto fail = [&](const char* what, int round) {
        std::fprintf(stderr, "restart %d: %s\n", round, what);
        ++failures;
    };
    if (!play_scene(kodi, "Heat", 10)) fail("first scene not shown", 0);
    // Two warm-up restarts: the task pool and lazily made buffers exist afterwards.
    for (int round = -2; round < 0; ++round)
        if (restart(kodi) < 0 || !play_scene(kodi, "Warm-up " + std::to_string(round), 50))
            fail("warm-up", round);
    // The trace takes its room first: one that grew as it went would show in the memory it
    // watches.
    std::vector<soak::figures> trace;
    trace.reserve(static_cast<size_t>(std::max(restarts, 0)) + 1);
    const soak::figures before = soak::measure();
    trace.push_back(before);

    double slowest = 0, total = 0;
    int reconnected = 0;
    for (int round = 1; round <= restarts && failures < 5; ++round) {
        const double took = restart(kodi);
        if (took < 0) {
            fail("no reconnection within connect_delay + margin", round);
            continue;
        }
        slowest = std::max(slowest, took);
        total += took;
        ++reconnected;
        if (!play_scene(kodi, "Scene " + std::to_string(round), round % 100)) {
            std::lock_guard<std::mutex> lock(lines_mutex);
            std::fprintf(stderr, "lines: [%s] [%s]\n", line1.c_str(), line2.c_str());
            fail("wrong lines after reconnecting", round);
        }
        trace.push_back(soak::measure());
    }

    // Let replaced clients and finished timer threads go before counting.
    soak::figures after = soak::measure();
    wait_for(
        [&] {
            after = soak::measure();
            return after.threads <= before.threads && after.descriptors <= before.descriptors;
        },
        3000ms);
    refreshing = false;
    host.join();
    SmartieFini();
    kodi.stop();

    std::printf("restarts: %d, reconnect mean %.0f ms, slowest %.0f ms (limit %d ms)\n", restarts,
                reconnected ? total / reconnected : 0.0, slowest,
                connect_delay_s * 1000 + static_cast<int>(reconnect_margin.count()));
    std::printf(
        "threads %zu -> %zu, descriptors %zu -> %zu, RSS %ld kB -> %ld kB, heap %ld kB -> "
        "%ld kB\n",
        before.threads, after.threads, before.descriptors, after.descriptors, before.rss_kb,
        after.rss_kb, before.heap_kb, after.heap_kb);
    if (after.threads > before.threads + thread_tolerance) fail("threads grew", restarts);
    if (after.descriptors > before.descriptors + descriptor_tolerance)
        fail("descriptors grew", restarts);
    check_memory(trace, fail, restarts);
    if (argc > 2) write_trace(argv[2], trace);
    fs::current_path("/");
    fs::remove_all(folder);
    std::printf("%s\n", failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}
