// The platform's debug-output channel: one line per text, nothing read back.
#pragma once

// Linux: writes text as one line on stderr while PLINTHAR_DEBUG is set, otherwise nothing.
// Windows: hands text to OutputDebugStringA.
void debug_output(const char* text);
