#include "host/host_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace lcd {

namespace {

bool parse_long(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno || end == text || *end || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

}  // namespace

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: %s [--folder DIR] [--plugin PATH] [--screen FILE] [--width N]\n"
                 "       [--height N] [--plain] [--seconds N] [--interval MS]\n"
                 "       [--lcdproc [HOST:]PORT] [--scroll-ms MS] [--scroll-pause MS]\n"
                 "       [--info]\n"
                 "  --folder DIR    host folder holding plugins/plinthar.cfg (default .)\n"
                 "  --plugin PATH   plug-in library (default build/plinthar.so, else the one\n"
                 "                  next to this program, else the installed one)\n"
                 "  --info          print the plug-in's information and help texts, as the\n"
                 "                  display host's settings window shows them, and end\n"
                 "  --screen FILE   screen file, rows as in the display host:\n"
                 "                  $dll(plinthar,1,,) (or {1}); default: rows 1 and 2\n"
                 "  --width N, --height N   display size (default 20x4; with --lcdproc the\n"
                 "                  size LCDd reports)\n"
                 "  --plain         print each changed frame as plain text lines\n"
                 "  --seconds N     end after N seconds\n"
                 "  --interval MS   refresh more slowly than the plug-in's minimum\n"
                 "  --lcdproc [HOST:]PORT   draw on LCDd's display (default 127.0.0.1:13666);\n"
                 "                  the terminal then shows only --plain frames, or the LCD\n"
                 "                  when it is a terminal\n"
                 "  --scroll-ms MS  a row longer than the display moves one cell at most this\n"
                 "                  often (default 400)\n"
                 "  --scroll-pause MS   it waits this long at its start and end (default 2000)\n",
                 host_program);
}

int parse_options(int argc, char** argv, options& opts, bool& done) {
    done = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        const char* text = nullptr;
        long number = 0;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            done = true;
            return 0;
        } else if (arg == "--plain") {
            opts.plain = true;
        } else if (arg == "--info") {
            opts.info = true;
        } else if (arg == "--folder" && value(text)) {
            opts.folder = text;
        } else if (arg == "--plugin" && value(text)) {
            opts.plugin = text;
        } else if (arg == "--screen" && value(text)) {
            opts.screen_path = text;
        } else if (arg == "--width" && value(text) && parse_long(text, 1, 200, number)) {
            opts.width = static_cast<int>(number);
            opts.size_given = true;
        } else if (arg == "--height" && value(text) && parse_long(text, 1, 50, number)) {
            opts.height = static_cast<int>(number);
            opts.size_given = true;
        } else if (arg == "--lcdproc") {
            opts.lcdproc = true;
            if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0 &&
                !parse_lcdproc_address(argv[++i], opts.lcdproc_address)) {
                std::fprintf(stderr, "%s: bad LCDd address %s (want [HOST:]PORT)\n", host_program,
                             argv[i]);
                return 2;
            }
        } else if (arg == "--scroll-ms" && value(text) && parse_long(text, 50, 60000, number)) {
            opts.scroll_ms = number;
        } else if (arg == "--scroll-pause" && value(text) && parse_long(text, 0, 600000, number)) {
            opts.scroll_pause_ms = number;
        } else if (arg == "--interval" && value(text) && parse_long(text, 1, 600000, number)) {
            opts.interval_ms = number;
        } else if (arg == "--seconds" && value(text)) {
            char* end = nullptr;
            opts.seconds = std::strtod(text, &end);
            if (end == text || *end || !(opts.seconds > 0) || opts.seconds > 1e7) {
                std::fprintf(stderr, "%s: bad --seconds %s\n", host_program, text);
                return 2;
            }
        } else {
            std::fprintf(stderr, "%s: bad option %s\n", host_program, arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    return 0;
}

}  // namespace lcd
