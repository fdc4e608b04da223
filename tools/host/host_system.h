// What the terminal host needs of its operating system: stopping on request, waiting,
// the local time, the terminal, and where the plug-in lies.
#pragma once

#include <ctime>
#include <string>

#include "host/refresh_loop.h"

namespace lcd {

// Ctrl-C ends the host's waits, as do SIGTERM and SIGHUP on Linux and, on Windows, the
// event named "plinthar-stop-<process id>"; false when that cannot be
// set up. Also readies the terminal for UTF-8 text and escape sequences.
bool install_stop_handlers();
// Asks the host to stop, from any thread (also used when standard output has gone).
void request_stop();
// Waits until the deadline; false when a stop was asked for.
bool wait_until_stop_or(steady::time_point deadline);

std::tm local_now();
bool stdout_is_terminal();

// The folder this program was started from; empty when unknown.
std::string own_program_folder();
// The plug-in's file name on this platform.
const char* plugin_file_name();

}  // namespace lcd
