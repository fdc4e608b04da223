// The host's life with a loaded plug-in: refreshes of the screen no faster than the
// plug-in's minimum interval, then SmartieFini.
#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <vector>

#include "host/lcd_cells.h"
#include "host/plugin_api.h"
#include "host/screen_file.h"

namespace lcd {

using steady = std::chrono::steady_clock;

struct frame {
    std::vector<row> rows;  // exactly height rows of at least width cells (longer ones scroll)
    glyph_table glyphs{};   // the user characters as last defined
};

// Injected so that tests can run the loop on a clock of their own.
struct loop_clock {
    std::function<steady::time_point()> now;
    // Waits until the deadline; false when the host has been asked to stop.
    std::function<bool(steady::time_point)> wait_until;
    std::function<std::tm()> local_time;
};

struct loop_settings {
    int width = 20;
    int height = 4;
    std::chrono::milliseconds slowest_first{0};        // the user's wish; never below the plug-in's
    std::optional<std::chrono::milliseconds> run_for;  // end after this long
};

// Shortest refresh interval the host allows itself, whatever the plug-in says.
constexpr std::chrono::milliseconds interval_floor{50};

std::chrono::milliseconds refresh_interval(int plugin_minimum, const loop_settings& settings);

// Calls the screen's text functions once (identical calls only once) and expands the
// rows; glyphs carries the user characters from frame to frame.
frame build_frame(const plugin_api& api, const screen& layout, int width, int height,
                  const std::tm& now, glyph_table& glyphs);

struct loop_result {
    int refreshes = 0;
    std::chrono::milliseconds interval{0};
};

// Between refreshes the shown frame may want drawing again (a row scrolls): next says
// when, redraw does it. Both may be empty.
struct loop_redraw {
    std::function<std::optional<steady::time_point>()> next;
    std::function<void()> redraw;
};

// Runs the life of a plug-in that load_plugin has started: refreshes (each handed to show),
// then SmartieFini. Returns when the clock's wait reports a stop or run_for has passed.
loop_result run_display(const plugin_api& api, const screen& layout, const loop_settings& settings,
                        const loop_clock& clock,
                        const std::function<void(const frame&, const loop_result&)>& show,
                        const loop_redraw& between = {});

}  // namespace lcd
