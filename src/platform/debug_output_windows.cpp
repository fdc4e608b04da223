#include "platform/debug_output.h"

#include <windows.h>

void debug_output(const char* text) {
    // One text per call; a debugger or a viewer of the channel shows them.
    OutputDebugStringA(text ? text : "");
}
