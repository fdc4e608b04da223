// What the plug-in adds to its host: threads, resident memory, CPU time and wake-ups while
// idle without Kodi, idle with Kodi, and while a movie plays. The plug-in is loaded with
// dlopen into this otherwise idle process; the fake Kodi runs in a child process, so every
// figure is the plug-in's alone. Prints tab-separated table rows.
#include <arpa/inet.h>
#include <dirent.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "bench_stats.h"
#include "bench_table.h"
#include "host_folder.h"

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
    text_fn function11 = nullptr;
};

char no_parameter[] = "";

int thread_count() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks))
            if (entry->d_name[0] != '.') ++count;
        closedir(tasks);
    }
    return count;
}

long status_field(const std::string& path, const char* name) {
    std::ifstream status(path);
    std::string line;
    const size_t length = std::strlen(name);
    while (std::getline(status, line))
        if (line.compare(0, length, name) == 0 && line.size() > length && line[length] == ':')
            return std::atol(line.c_str() + length + 1);
    return 0;
}

long resident_kib() {
    return status_field("/proc/self/status", "VmRSS");
}

// Context switches of each thread alive now, this one left out.
std::map<std::string, long> task_switches() {
    std::map<std::string, long> switches;
    const std::string self = std::to_string(gettid());
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks)) {
            if (entry->d_name[0] == '.' || self == entry->d_name) continue;
            const std::string path = std::string("/proc/self/task/") + entry->d_name + "/status";
            switches[entry->d_name] = status_field(path, "voluntary_ctxt_switches") +
                                      status_field(path, "nonvoluntary_ctxt_switches");
        }
        closedir(tasks);
    }
    return switches;
}

std::string thread_name(const std::string& tid) {
    std::ifstream comm("/proc/self/task/" + tid + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// Switches made during the window by the threads alive at both ends; with
// PLINTHAR_BENCH_VERBOSE set, each such thread's share goes to the standard error.
long switches_between(const std::map<std::string, long>& before,
                      const std::map<std::string, long>& after) {
    const bool verbose = environment_number("PLINTHAR_BENCH_VERBOSE", 0) != 0;
    long total = 0;
    for (const auto& [tid, count] : after) {
        const auto earlier = before.find(tid);
        if (earlier == before.end()) continue;
        total += count - earlier->second;
        if (verbose && count != earlier->second)
            std::fprintf(stderr, "footprint:   thread %s (%s): %ld switches\n", tid.c_str(),
                         thread_name(tid).c_str(), count - earlier->second);
    }
    return total;
}

struct usage {
    double cpu_seconds = 0;
    long switches = 0;
};

usage read_usage(int who) {
    rusage r{};
    getrusage(who, &r);
    usage u;
    u.cpu_seconds =
        r.ru_utime.tv_sec + r.ru_utime.tv_usec / 1e6 + r.ru_stime.tv_sec + r.ru_stime.tv_usec / 1e6;
    u.switches = r.ru_nvcsw + r.ru_nivcsw;
    return u;
}

struct window_result {
    double cpu_seconds;
    long wakeups;       // every thread but this one, those that ended included
    long task_wakeups;  // the threads alive at both ends only
    double seconds;
};

// This thread sleeps through the window; whatever runs meanwhile is the plug-in's. The window
// opens a second after the step before it, so that threads that step started have settled.
window_result measure_window(double seconds) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const usage process_before = read_usage(RUSAGE_SELF);
    const usage main_before = read_usage(RUSAGE_THREAD);
    const auto tasks_before = task_switches();
    const auto start = clock::now();
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(seconds * 1e6)));
    const double elapsed = nanoseconds_between(start, clock::now()) / 1e9;
    const auto tasks_after = task_switches();
    const usage process_after = read_usage(RUSAGE_SELF);
    const usage main_after = read_usage(RUSAGE_THREAD);
    window_result w;
    // The two readings are not taken at the same instant; a difference below zero is noise.
    w.cpu_seconds = std::max(0.0, (process_after.cpu_seconds - process_before.cpu_seconds) -
                                      (main_after.cpu_seconds - main_before.cpu_seconds));
    w.wakeups = (process_after.switches - process_before.switches) -
                (main_after.switches - main_before.switches);
    w.task_wakeups = switches_between(tasks_before, tasks_after);
    w.seconds = elapsed;
    return w;
}

uint16_t free_port() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

struct child_server {
    pid_t pid = -1;
    FILE* commands = nullptr;

    bool start(const char* program, uint16_t port) {
        int to_child[2], from_child[2];
        if (pipe(to_child) != 0 || pipe(from_child) != 0) return false;
        pid = fork();
        if (pid == 0) {
            dup2(to_child[0], 0);
            dup2(from_child[1], 1);
            close(to_child[1]);
            close(from_child[0]);
            const std::string port_text = std::to_string(port);
            execl(program, program, port_text.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(to_child[0]);
        close(from_child[1]);
        commands = fdopen(to_child[1], "w");
        FILE* replies = fdopen(from_child[0], "r");
        char line[64] = {};
        const bool ready =
            std::fgets(line, sizeof line, replies) && std::strncmp(line, "ready", 5) == 0;
        std::fclose(replies);
        return ready;
    }
    void send(const char* command) {
        if (!commands) return;
        std::fprintf(commands, "%s\n", command);
        std::fflush(commands);
    }
    ~child_server() {
        if (pid <= 0) return;
        send("quit");
        if (commands) std::fclose(commands);
        for (int i = 0; i < 300; ++i) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
};

bool wait_for(const std::function<bool()>& condition, double timeout_seconds) {
    const auto deadline =
        clock::now() + std::chrono::microseconds(static_cast<int64_t>(timeout_seconds * 1e6));
    while (!condition()) {
        if (clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void emit(const table_row& row) {
    std::printf("%s\n", encode_row(row).c_str());
    std::fflush(stdout);
}

std::string kib_text(long kib) {
    return format_number(kib / 1024.0, 1) + " MiB";
}

std::string cpu_text(const window_result& w) {
    return format_number(100.0 * w.cpu_seconds / w.seconds, 3) + " % of a core (" +
           format_number(w.cpu_seconds * 1000, 1) + " ms)";
}

std::string wakeup_text(const window_result& w) {
    return std::to_string(w.wakeups) + " (" + std::to_string(w.task_wakeups) +
           " in threads alive throughout)";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s plinthar.so kodi-server-program\n", argv[0]);
        return 2;
    }
    const double window = environment_number("PLINTHAR_BENCH_WINDOW", 10);
    const std::string window_label = format_number(window, 0) + " s";

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
    p.function11 = reinterpret_cast<text_fn>(dlsym(p.handle, "function11"));
    if (!p.init || !p.fini || !p.function1 || !p.function11) {
        emit({section, "plug-in lacks an export", "-", "-", "-", "-", "NO"});
        return 1;
    }
    const long rss_loaded = resident_kib();

    // Kodi is not running: the first attempt is refused.
    std::fprintf(stderr, "footprint: idle without Kodi for %s\n", window_label.c_str());
    p.init();
    const int threads_disconnected = thread_count();
    const long rss_disconnected = resident_kib();
    const window_result disconnected = measure_window(window);

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
    const int threads_connected = thread_count();
    const long rss_connected = resident_kib();
    std::fprintf(stderr, "footprint: idle with Kodi for %s\n", window_label.c_str());
    const window_result idle = measure_window(window);

    kodi.send("play");
    const bool playing = wait_for(
        [&] { return std::strstr(p.function1(no_parameter, no_parameter), "Footprint Movie"); },
        10);
    std::fprintf(stderr, "footprint: playing for %s\n", window_label.c_str());
    const window_result play = measure_window(window);
    const int threads_playing = thread_count();
    const long rss_playing = resident_kib();
    kodi.send("stop");
    p.fini();

    emit({section, "threads: host before load → after SmartieInit (no Kodi)",
          std::to_string(threads_before) + " → " + std::to_string(threads_disconnected) + " (+" +
              std::to_string(threads_disconnected - threads_before) + ")",
          "-", "-", "(report)", ""});
    emit({section, "threads after connect / at the end of playback",
          std::to_string(threads_connected) + " / " + std::to_string(threads_playing) + " (+" +
              std::to_string(threads_connected - threads_before) + " / +" +
              std::to_string(threads_playing - threads_before) + ")",
          "-", "-", "(report)", ""});
    emit({section, "resident memory added: load / no Kodi / connected / playing",
          kib_text(rss_loaded - rss_before) + " / " + kib_text(rss_disconnected - rss_before) +
              " / " + kib_text(rss_connected - rss_before) + " / " +
              kib_text(rss_playing - rss_before),
          kib_text(rss_before) + " host", "-", "(report)", ""});
    emit({section, "wake-ups, idle without Kodi, " + window_label, wakeup_text(disconnected), "0",
          "-", "0", met_text(disconnected.wakeups == 0)});
    emit({section, "CPU, idle without Kodi, " + window_label, cpu_text(disconnected), "-", "-",
          "(report)", ""});
    emit({section, "wake-ups, idle with Kodi (connected), " + window_label, wakeup_text(idle), "0",
          "-", "(report)", ""});
    emit({section, "CPU, idle with Kodi (connected), " + window_label, cpu_text(idle), "-", "-",
          "(report)", ""});
    emit({section, "wake-ups, playing (1 poll/s), " + window_label, wakeup_text(play), "-", "-",
          "(report)", ""});
    emit({section, "CPU, playing (1 poll/s), " + window_label, cpu_text(play), "-", "-",
          "≤ 1 % of a core", playing ? met_text(play.cpu_seconds <= 0.01 * play.seconds) : "NO"});
    return 0;
}
