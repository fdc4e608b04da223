// plinthar-host: a display host for a terminal. It loads a plug-in from a host folder,
// calls its text functions as a screen file says and draws the LCD.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "host/host_options.h"
#include "host/host_system.h"
#include "host/lcdproc_output.h"
#include "host/plugin_loader.h"
#include "host/refresh_loop.h"
#include "host/row_scroller.h"
#include "host/screen_file.h"
#include "host/terminal_view.h"

namespace fs = std::filesystem;

namespace {

const char* const program = lcd::host_program;

int fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return 1;
}

// Absolute path of the plug-in, found before the host changes folder.
std::string plugin_path(const lcd::options& opts, std::string& error) {
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

// The plug-in runs in the host's folder, as under the display host.
bool enter_host_folder(const std::string& folder) {
    std::error_code entered;
    fs::current_path(folder, entered);
    if (entered) fail("cannot enter the host folder " + folder + ": " + entered.message());
    return !entered;
}

// One of the texts the display host's settings window shows, its lines ended for a terminal.
void print_help_text(const char* export_name, lcd::help_function text_of) {
    std::string text = text_of ? std::string(text_of()) : "(the plug-in has none)\n";
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    write_out(std::string(export_name) + ":\n" + text);
}

// As the display host's settings window: the plug-in loaded and started, its two texts shown,
// and SmartieFini when the host ends.
int show_plugin_texts(const std::string& plugin_file) {
    lcd::loaded_plugin plugin;
    std::string error;
    if (!lcd::load_plugin(plugin_file, plugin, error)) return fail(error);
    print_help_text("SmartieInfo", plugin.api.info);
    write_out("\n");
    print_help_text("SmartieDemo", plugin.api.demo);
    if (plugin.api.fini) plugin.api.fini();
    lcd::unload_plugin(plugin);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    lcd::options opts;
    bool done = false;
    if (const int code = lcd::parse_options(argc, argv, opts, done); code || done) return code;

    std::string error;
    const std::string plugin_file = plugin_path(opts, error);
    if (plugin_file.empty()) return fail(error);
    if (opts.info) return enter_host_folder(opts.folder) ? show_plugin_texts(plugin_file) : 1;

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
        auto loaded = lcd::load_screen(opts.screen_path, screen_problem,
                                       fs::path(plugin_file).stem().string());
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

    if (!enter_host_folder(opts.folder)) return 1;
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
    info.interval = lcd::refresh_interval(plugin.api.min_refresh_interval, settings);
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
