#include "playing_windows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "bench_stats.h"
#include "polling_floor.h"
#include "task_stats.h"

namespace bench {

namespace {

std::set<std::string> thread_ids() {
    std::set<std::string> ids;
    for (const auto& entry : task_wakeups()) ids.insert(entry.first);
    return ids;
}

bool shows(const std::function<const char*()>& line, const char* text) {
    return wait_for([&] { return std::strstr(line(), text) != nullptr; }, 10);
}

}  // namespace

playing_windows measure_playing(child_server& kodi, uint16_t port, double seconds, int count,
                                const display_lines& plugin) {
    playing_windows result;
    // The threads there now are cpprestsdk's, this one and the timer queue's one sleeping
    // thread; those started from here on are the timer queue's (or, in a floor window, the
    // floor's own client).
    const std::set<std::string> before_playing = thread_ids();
    for (int i = 0; i < count; ++i) {
        std::fprintf(stderr, "footprint: polling floor, window %d of %d\n", i + 1, count);
        {
            polling_floor poller(port);
            const std::string poller_id = poller.poller_id();
            result.floor.push_back(
                measure_window(seconds, [&](const std::string& tid) { return tid == poller_id; }));
            result.floor_polled = result.floor_polled && poller.replies() >= seconds - 1;
        }

        kodi.send("play");
        // The fake Kodi's first answer after a play: 0 % played.
        const bool shown =
            shows(plugin.title, "Footprint Movie") && shows(plugin.status, "$Bar(0,100,");
        result.every_play_shown = shown && result.every_play_shown;
        std::fprintf(stderr, "footprint: playing, window %d of %d\n", i + 1, count);
        result.playing.push_back(measure_window(
            seconds, [&](const std::string& tid) { return before_playing.count(tid) == 0; }));
        result.threads_playing = thread_count();
        result.rss_playing_kib = resident_kib();
        kodi.send("stop");
        // The stop screen's reset timer has run once the welcome text is back.
        shows(plugin.title, "Kodi Media Center");
    }
    return result;
}

window_result median_wakeups(std::vector<window_result> windows) {
    if (windows.empty()) return {};
    std::sort(windows.begin(), windows.end(),
              [](const window_result& a, const window_result& b) { return a.wakeups < b.wakeups; });
    return windows[(windows.size() - 1) / 2];
}

double median_cpu_seconds(const std::vector<window_result>& windows) {
    std::vector<double> cpu;
    for (const auto& w : windows) cpu.push_back(w.cpu_seconds);
    return summarize(cpu).p50;
}

}  // namespace bench
