// What the plug-in adds to its host: threads, resident memory, CPU time and wake-ups while
// idle without Kodi, idle with Kodi, and while a movie plays, beside the floor of polling:
// a bare cpprestsdk client in this process making one request a second. The plug-in is
// loaded with dlopen into this otherwise idle process (which links none of its code); the
// fake Kodi runs in a child process, so every figure is the plug-in's alone. Prints
// tab-separated table rows.
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "bench_stats.h"
#include "bench_table.h"
#include "child_server.h"
#include "footprint_window.h"
#include "host_folder.h"
#include "playing_windows.h"
#include "task_stats.h"

namespace {

using namespace bench;

const std::string section =
    "6. Footprint (plug-in loaded with dlopen, fake Kodi in another process)";

using init_fn = void (*)();
using text_fn = char* (*)(char*, char*);

struct plugin {
    void* handle = nullptr;
    init_fn init = nullptr;
    init_fn fini = nullptr;
    text_fn function1 = nullptr;
    text_fn function2 = nullptr;
    text_fn function11 = nullptr;
};

char no_parameter[] = "";

void emit(const table_row& row) {
    std::printf("%s\n", encode_row(row).c_str());
    std::fflush(stdout);
}

std::string kib_text(long kib) {
    return format_number(kib / 1024.0, 1) + " MiB";
}

std::string cpu_text(double cpu_seconds, double seconds) {
    return format_number(100.0 * cpu_seconds / seconds, 3) + " % of a core (" +
           format_number(cpu_seconds * 1000, 1) + " ms)";
}

std::string cpu_text(const window_result& w) {
    return cpu_text(w.cpu_seconds, w.seconds);
}

std::string wakeup_text(const window_result& w) {
    return std::to_string(w.wakeups) + " (" + std::to_string(w.task_wakeups) +
           " in threads alive throughout; " + std::to_string(w.preemptions) + " preemptions)";
}

std::string per_second(const window_result& w) {
    return std::to_string(w.wakeups) + " (" + format_number(w.wakeups / w.seconds, 1) + "/s; " +
           std::to_string(w.preemptions) + " preemptions)";
}

// Whose the wake-ups are: own threads, cpprestsdk's, and threads that ended meanwhile.
std::string split_text(const window_result& w) {
    return std::to_string(w.own_wakeups) + " / " + std::to_string(w.task_wakeups - w.own_wakeups) +
           " / " + std::to_string(w.wakeups - w.task_wakeups);
}

std::string thread_growth(int threads, int before) {
    return std::to_string(threads) + " (+" + std::to_string(threads - before) + ")";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s plinthar.so kodi-server-program\n", argv[0]);
        return 2;
    }
    const double window = environment_number("PLINTHAR_BENCH_WINDOW", 10);
    const std::string window_label = format_number(window, 0) + " s";
    const auto nobody = [](const std::string&) { return false; };

    // The host folder becomes the current directory: take both paths as absolute first.
    const std::string module = std::filesystem::absolute(argv[1]).string();
    const std::string server = std::filesystem::absolute(argv[2]).string();
    host_folder folder;
    const uint16_t port = free_port();
    folder.write_config("port=" + std::to_string(port) +
                        "\nkodiexe=bench_kodi_server\nconnect_delay=0\nlogging=0\n");

    const int threads_before = thread_count();
    const long rss_before = resident_kib();

    plugin p;
    p.handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!p.handle) {
        std::fprintf(stderr, "cannot load %s: %s\n", module.c_str(), dlerror());
        emit({section, "plug-in could not be loaded", "-", "-", "-", "-", "NO"});
        return 1;
    }
    p.init = reinterpret_cast<init_fn>(dlsym(p.handle, "SmartieInit"));
    p.fini = reinterpret_cast<init_fn>(dlsym(p.handle, "SmartieFini"));
    p.function1 = reinterpret_cast<text_fn>(dlsym(p.handle, "function1"));
    p.function2 = reinterpret_cast<text_fn>(dlsym(p.handle, "function2"));
    p.function11 = reinterpret_cast<text_fn>(dlsym(p.handle, "function11"));
    if (!p.init || !p.fini || !p.function1 || !p.function2 || !p.function11) {
        emit({section, "plug-in lacks an export", "-", "-", "-", "-", "NO"});
        return 1;
    }
    const long rss_loaded = resident_kib();

    // Kodi is not running: the first attempt is refused.
    std::fprintf(stderr, "footprint: idle without Kodi for %s\n", window_label.c_str());
    p.init();
    const int threads_disconnected = thread_count();
    const long rss_disconnected = resident_kib();
    const window_result disconnected = measure_window(window, nobody);

    // Kodi starts; the next guarded text call schedules the connection.
    child_server kodi;
    if (!kodi.start(server.c_str(), port)) {
        emit({section, "fake Kodi did not start", "-", "-", "-", "-", "NO"});
        p.fini();
        return 1;
    }
    const bool connected = wait_for(
        [&] {
            p.function1(no_parameter, no_parameter);
            return std::strcmp(p.function11(no_parameter, no_parameter), "1") == 0;
        },
        15);
    if (!connected) {
        emit({section, "plug-in did not connect to the fake Kodi", "-", "-", "-", "-", "NO"});
        p.fini();
        return 1;
    }
    // A connection's threads may still be starting when the flag is set.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const int threads_connected = thread_count();
    const long rss_connected = resident_kib();
    std::fprintf(stderr, "footprint: idle with Kodi for %s\n", window_label.c_str());
    const window_result idle = measure_window(window, nobody);

    const int count = static_cast<int>(environment_number("PLINTHAR_BENCH_PLAY_WINDOWS", 5));
    const display_lines lines{[&] { return p.function1(no_parameter, no_parameter); },
                              [&] { return p.function2(no_parameter, no_parameter); }};
    const playing_windows windows = measure_playing(kodi, port, window, std::max(1, count), lines);
    p.fini();

    const double tens = window / 10;  // targets are given per 10 s
    emit({section, "threads: host before load → after SmartieInit (no Kodi)",
          std::to_string(threads_before) + " → " +
              thread_growth(threads_disconnected, threads_before),
          "-", "-", "(report)", ""});
    emit({section, "threads after connect", thread_growth(threads_connected, threads_before), "-",
          "-", "≤ +7", met_text(threads_connected - threads_before <= 7)});
    emit({section, "threads at the end of playback",
          thread_growth(windows.threads_playing, threads_before), "-", "-", "(report)", ""});
    emit({section, "resident memory added: load / no Kodi / connected / playing",
          kib_text(rss_loaded - rss_before) + " / " + kib_text(rss_disconnected - rss_before) +
              " / " + kib_text(rss_connected - rss_before) + " / " +
              kib_text(windows.rss_playing_kib - rss_before),
          kib_text(rss_before) + " host", "-", "(report)", ""});
    emit({section, "wake-ups, idle without Kodi, " + window_label, wakeup_text(disconnected), "0",
          "-", "0", met_text(disconnected.wakeups == 0)});
    emit({section, "CPU, idle without Kodi, " + window_label, cpu_text(disconnected), "-", "-",
          "(report)", ""});
    emit({section, "wake-ups, idle with Kodi (connected), " + window_label, wakeup_text(idle), "0",
          "-", "≤ 1 in 10 s", met_text(idle.wakeups <= tens)});
    emit({section, "CPU, idle with Kodi (connected), " + window_label, cpu_text(idle), "-", "-",
          "(report)", ""});
    const window_result play = median_wakeups(windows.playing);
    const window_result floor = median_wakeups(windows.floor);
    const double play_cpu = median_cpu_seconds(windows.playing);
    const double floor_cpu = median_cpu_seconds(windows.floor);
    const bool playing = windows.every_play_shown;
    const std::string median_label =
        ", " + window_label + ", median of " + std::to_string(windows.playing.size()) + " windows";
    emit({section, "wake-ups, playing (1 poll/s)" + median_label, per_second(play),
          per_second(floor) + (windows.floor_polled ? "" : " (floor got too few replies)"),
          format_ratio(play.wakeups, floor.wakeups), "≤ 1.0× (floor)",
          met_text(playing && play.wakeups <= floor.wakeups)});
    emit({section, "  timer threads started for playing (floor: poller) / others / ended",
          split_text(play), split_text(floor), "-", "(where they are)", ""});
    emit({section, "CPU, playing (1 poll/s)" + median_label, cpu_text(play_cpu, play.seconds),
          cpu_text(floor_cpu, floor.seconds), format_ratio(play_cpu, floor_cpu), "≤ 1.1× (floor)",
          met_text(playing && play_cpu <= 1.1 * floor_cpu)});
    return 0;
}
