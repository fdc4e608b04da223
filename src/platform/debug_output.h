// The platform's debug-output channel: one line per text, nothing read back.
#pragma once

// Writes text as one line on stderr while PLINTHAR_DEBUG is set; otherwise does nothing.
void debug_output(const char* text);
