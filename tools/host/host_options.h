// The terminal host's command line.
#pragma once

#include <cstdio>
#include <string>

#include "host/lcdproc_output.h"

namespace lcd {

constexpr const char* host_program = "plinthar-host";

struct options {
    std::string folder = ".";
    std::string plugin;
    std::string screen_path;
    int width = 20;
    int height = 4;
    bool size_given = false;
    bool plain = false;
    bool info = false;
    double seconds = 0;
    long interval_ms = 0;
    long scroll_ms = 400;
    long scroll_pause_ms = 2000;
    bool lcdproc = false;
    lcd::lcdproc_address lcdproc_address;
};

void usage(FILE* out);

// Returns 0 when fine, otherwise the exit code (2 for bad usage, 0 after --help, with done set).
int parse_options(int argc, char** argv, options& opts, bool& done);

}  // namespace lcd
