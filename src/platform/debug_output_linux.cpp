#include "platform/debug_output.h"

#include <cstdio>
#include <cstdlib>

void debug_output(const char* text) {
    // Checked on every call so that a developer can switch the channel on in a running host.
    if (!std::getenv("PLINTHAR_DEBUG")) return;
    std::fprintf(stderr, "%s\n", text ? text : "");
}
