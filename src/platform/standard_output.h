// The process's own standard output, as the JSON dump writes to it.
#pragma once

#include <string>

// Writes one line of UTF-8 text to standard output and flushes it. The text reaches the
// output as UTF-8 whatever the host's locale, through std::wcout where the platform's wide
// stream can carry it.
void write_standard_output_line(const std::string& utf8_line);
