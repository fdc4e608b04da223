// Drawing frames in a terminal: plain text lines for scripts, or an LCD drawn in place.
#pragma once

#include <chrono>
#include <string>

#include "host/refresh_loop.h"

namespace lcd {

// The rows as UTF-8 lines, each ending in '\n'.
std::string plain_frame_text(const frame& shown);

struct view_info {
    std::string plugin_name;
    std::chrono::milliseconds interval{0};
    std::chrono::milliseconds running{0};
    int refreshes = 0;
};

// The whole view, drawn from the top left corner without scrolling: a framed LCD, a
// line about the host and a zoomed view of the user characters.
std::string fancy_frame_text(const frame& shown, const view_info& info);

// Switching the terminal into and out of the in-place view.
std::string fancy_view_begin();
std::string fancy_view_end();

}  // namespace lcd
