// plinthar-host: a display host for a terminal. It loads a plug-in from a host folder,
// calls its text functions as a screen file says and draws the LCD.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "host/host_system.h"
#include "host/lcdproc_output.h"
#include "host/plugin_loader.h"
#include "host/refresh_loop.h"
#include "host/row_scroller.h"
#include "host/screen_file.h"
#include "host/terminal_view.h"

namespace fs = std::filesystem;

namespace {

const char* const program = "plinthar-host";

struct options {
    std::string folder = ".";
    std::string plugin;
    std::string screen_path;
    int width = 20;
    int height = 4;
    bool size_given = false;
    bool plain = false;
    double seconds = 0;
    long interval_ms = 0;
    long scroll_ms = 400;
    long scroll_pause_ms = 2000;
    bool lcdproc = false;
    lcd::lcdproc_address lcdproc_address;
};

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: %s [--folder DIR] [--plugin PATH] [--screen FILE] [--width N]\n"
                 "       [--height N] [--plain] [--seconds N] [--interval MS]\n"
                 "       [--lcdproc [HOST:]PORT] [--scroll-ms MS] [--scroll-pause MS]\n"
                 "  --folder DIR    host folder holding plugins/plinthar.cfg (default .)\n"
                 "  --plugin PATH   plug-in library (default build/plinthar.so, else the one\n"
                 "                  next to this program, else the installed one)\n"
                 "  --screen FILE   screen file; default: row 1 {1}, row 2 {2}\n"
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
                 program);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return 1;
}

bool parse_long(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno || end == text || *end || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

// Returns 0 when fine, otherwise the exit code (2 for bad usage, 0 after --help).
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
                !lcd::parse_lcdproc_address(argv[++i], opts.lcdproc_address)) {
                std::fprintf(stderr, "%s: bad LCDd address %s (want [HOST:]PORT)\n", program,
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
                std::fprintf(stderr, "%s: bad --seconds %s\n", program, text);
                return 2;
            }
        } else {
            std::fprintf(stderr, "%s: bad option %s\n", program, arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    return 0;
}

// Absolute path of the plug-in, found before the host changes folder.
std::string plugin_path(const options& opts, std::string& error) {
    std::string path = opts.plugin;
    if (path.empty()) {
        path = std::string("build/") + lcd::plugin_file_name();
        std::error_code ignored;
        if (!fs::exists(path, ignored)) {
            const std::string folder = lcd::own_program_folder();
            if (!folder.empty()) path = (fs::path(folder) / lcd::plugin_file_name()).string();
        }
#ifdef PLINTHAR_INSTALLED_PLUGIN
        if (!fs::exists(path, ignored) && fs::exists(PLINTHAR_INSTALLED_PLUGIN, ignored))
            path = PLINTHAR_INSTALLED_PLUGIN;
#endif
    }
    std::error_code code;
    const fs::path absolute = fs::absolute(path, code);
    if (code || !fs::exists(absolute, code)) {
        error = "cannot find the plug-in " + path;
        return "";
    }
    return absolute.string();
}

// Whoever reads our output has gone (a closed pipe): nothing more to show, so end.
void write_out(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) lcd::request_stop();
}

void write_log(const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", program, line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    options opts;
    bool done = false;
    if (const int code = parse_options(argc, argv, opts, done); code || done) return code;

    std::string error;
    const std::string plugin_file = plugin_path(opts, error);
    if (plugin_file.empty()) return fail(error);

    // With LCDd, its display decides the size unless the user did; a moment's wait for
    // the first connection, then on without it (the sender keeps trying).
    std::unique_ptr<lcd::lcdproc_output> lcdproc;
    if (opts.lcdproc) {
        lcdproc = std::make_unique<lcd::lcdproc_output>(opts.lcdproc_address, write_log);
        const auto display = lcdproc->wait_connected(std::chrono::seconds(2));
        if (display && !opts.size_given) {
            opts.width = std::min(display->width, 200);
            opts.height = std::min(display->height, 50);
        }
    }

    lcd::screen layout = lcd::default_screen();
    if (!opts.screen_path.empty()) {
        lcd::screen_error screen_problem;
        auto loaded = lcd::load_screen(opts.screen_path, screen_problem);
        if (!loaded) {
            if (screen_problem.line == 0)
                return fail("cannot read the screen file " + opts.screen_path + ": " +
                            screen_problem.message);
            return fail(opts.screen_path + ":" + std::to_string(screen_problem.line) + ": " +
                        screen_problem.message);
        }
        layout = *loaded;
    }
    if (static_cast<int>(layout.rows.size()) > opts.height)
        return fail("the screen has " + std::to_string(layout.rows.size()) + " rows, the display " +
                    std::to_string(opts.height) + " (see --height)");

    std::error_code entered;
    fs::current_path(opts.folder, entered);
    if (entered)
        return fail("cannot enter the host folder " + opts.folder + ": " + entered.message());
    if (!lcd::install_stop_handlers()) return fail("cannot set up signal handling");

    lcd::loaded_plugin plugin;
    if (!lcd::load_plugin(plugin_file, plugin, error)) return fail(error);

    lcd::loop_settings settings;
    settings.width = opts.width;
    settings.height = opts.height;
    settings.slowest_first = std::chrono::milliseconds(opts.interval_ms);
    if (opts.seconds > 0)
        settings.run_for = std::chrono::milliseconds(static_cast<long long>(opts.seconds * 1000));

    lcd::loop_clock clock;
    clock.now = [] { return lcd::steady::now(); };
    clock.wait_until = lcd::wait_until_stop_or;
    clock.local_time = lcd::local_now;

    lcd::view_info info;
    info.plugin_name = fs::path(plugin_file).filename().string();
    info.interval = lcd::refresh_interval(0, settings);
    const auto started = lcd::steady::now();
    std::string last_plain;

    const bool fancy = !opts.plain && (!lcdproc || lcd::stdout_is_terminal());
    lcd::scroll_settings scrolling;
    scrolling.step = std::chrono::milliseconds(opts.scroll_ms);
    scrolling.pause = std::chrono::milliseconds(opts.scroll_pause_ms);
    lcd::frame_scroller scroller(scrolling);
    lcd::frame latest;
    lcd::loop_result progress;

    // Draws the latest frame as it shows now: long rows at their scroll position.
    auto present = [&] {
        lcd::frame shown;
        shown.rows = scroller.windows(latest.rows, opts.width, lcd::steady::now());
        shown.glyphs = latest.glyphs;
        if (lcdproc) lcdproc->show(shown.rows, shown.glyphs);
        if (opts.plain) {
            std::string text = lcd::plain_frame_text(shown);
            if (text == last_plain) return;
            last_plain = text;
            write_out(text + "\n");
        } else if (fancy) {
            info.refreshes = progress.refreshes;
            info.interval = progress.interval;
            info.running =
                std::chrono::duration_cast<std::chrono::milliseconds>(lcd::steady::now() - started);
            write_out(lcd::fancy_frame_text(shown, info));
        }
    };
    lcd::loop_redraw between;
    between.next = [&] { return scroller.next_step(); };
    between.redraw = present;

    if (fancy) write_out(lcd::fancy_view_begin());
    lcd::run_display(
        plugin.api, layout, settings, clock,
        [&](const lcd::frame& refreshed, const lcd::loop_result& so_far) {
            latest = refreshed;
            progress = so_far;
            present();
        },
        between);
    if (fancy) write_out(lcd::fancy_view_end() + "\n");
    lcd::unload_plugin(plugin);
    lcdproc.reset();
    return 0;
}
