// The measurements; each adds its rows to the result table.
#pragma once

#include "fake_kodi/fake_kodi.h"

namespace bench {

// The library is connected to kodi and nothing plays; logging is off.
void run_display_exports(fake_kodi::server& kodi);
void run_notification_to_display(fake_kodi::server& kodi);
void run_round_trip(fake_kodi::server& kodi);
void run_process_check();
// Logging off first; then switches the library's log on for good and measures again.
void run_intake();
// Runs the footprint program in a process of its own and takes over its rows.
void run_footprint(const char* program, const char* module, const char* server);

}  // namespace bench
