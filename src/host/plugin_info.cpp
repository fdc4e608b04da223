#include <cstdio>

#include "display/version_line.h"
#include "host/plugin_help.h"

char* plugin_info_text() {
    static char text[256];
    // Filled once, before the first caller reads it; snprintf cannot throw.
    static const bool filled = [] {
        std::snprintf(text, sizeof text,
                      "Developer: the plinthar developers\r\n"
                      "Version: %s\r\n"
                      "Shows what Kodi plays, over Kodi's JSON-RPC WebSocket.\r\n",
                      version_and_date());
        return true;
    }();
    (void)filled;
    return text;
}
