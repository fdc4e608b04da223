// printf-style formatting for log lines, the same on every platform and in every locale.
#pragma once

#include <cstdarg>
#include <string>

// Formats as vsnprintf does, except that "%ls" arguments (wchar_t texts) are written as
// UTF-8 whatever the C library's locale: the host's locale is usually "C", where the
// library's own conversion fails on anything beyond ASCII.
std::string format_log_message(const char* format, va_list args);
