// Playing against its floor, a bare cpprestsdk client polling once a second, in alternating
// windows: on a busy machine one window of each is too noisy to judge by, their medians are
// not.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "child_server.h"
#include "footprint_window.h"

namespace bench {

struct playing_windows {
    std::vector<window_result> playing;
    std::vector<window_result> floor;  // the polling floor, while the plug-in idles connected
    bool every_play_shown = true;      // each playing window had the movie's title on show
    bool floor_polled = true;          // each floor window got about a reply a second
    int threads_playing = 0;           // at the end of the last playing window
    long rss_playing_kib = 0;
};

// The plug-in's function1 and function2.
struct display_lines {
    std::function<const char*()> title;
    std::function<const char*()> status;
};

// count windows of each, the floor first. A playing window holds the steady polling: it
// opens once the movie's first progress poll has landed, so not its start (the item's
// retrieval, the timer thread its first tick starts); the movie stops after it. A floor
// window after a stop opens once the stop screen has ended.
playing_windows measure_playing(child_server& kodi, uint16_t port, double seconds, int count,
                                const display_lines& plugin);

// The window of median wake-ups and the median CPU time (of an even count, the lower one).
window_result median_wakeups(std::vector<window_result> windows);
double median_cpu_seconds(const std::vector<window_result>& windows);

}  // namespace bench
