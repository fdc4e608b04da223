// The optional log file plugins/plinthar.log.
#pragma once

#include "host/exports.h"

// Decides once, from the settings, whether there is a log and whether it starts afresh.
PLINTHAR_EXPORT void init_logging();

// Appends one time-stamped line. "%ls" arguments are wchar_t texts and are written as UTF-8.
// GCC's gnu_printf keeps the checks on mingw, whose plain printf means Microsoft's dialect;
// clang knows only printf.
#if defined(__clang__)
#define PLINTHAR_LOG_FORMAT printf
#else
#define PLINTHAR_LOG_FORMAT gnu_printf
#endif
void write_log(const char* format, ...) __attribute__((format(PLINTHAR_LOG_FORMAT, 1, 2)));

// True once init_logging has switched the log on.
bool logging_enabled();
