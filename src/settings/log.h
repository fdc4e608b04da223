// The optional log file plugins/plinthar.log.
#pragma once

#include "host/exports.h"

// Decides once, from the settings, whether there is a log and whether it starts afresh.
PLINTHAR_EXPORT void init_logging();

// Appends one time-stamped line. "%ls" arguments are wchar_t texts and are written as UTF-8.
void write_log(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// True once init_logging has switched the log on.
bool logging_enabled();
