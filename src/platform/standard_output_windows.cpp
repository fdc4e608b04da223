#include "platform/standard_output.h"

#include <cstdio>

void write_standard_output_line(const std::string& utf8_line) {
    // The C runtime's wide output converts through the "C" locale and fails the stream on
    // the first character beyond it: the line goes out as UTF-8 bytes, as it does on Linux.
    // std::wcout shares the C stream, so the order of the host's own output is kept.
    std::fwrite(utf8_line.data(), 1, utf8_line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
