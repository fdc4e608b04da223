#include "host/host_system.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>

namespace lcd {

namespace {

// A flag and a byte in a pipe that wakes the waiting loop.
std::atomic<bool> stop_requested{false};
int wake_pipe[2] = {-1, -1};

void on_signal(int) {
    request_stop();
}

}  // namespace

void request_stop() {
    stop_requested = true;
    const char byte = 1;
    const ssize_t ignored = write(wake_pipe[1], &byte, 1);
    (void)ignored;
}

bool install_stop_handlers() {
    if (pipe(wake_pipe) != 0) return false;
    for (int fd : wake_pipe) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

bool wait_until_stop_or(steady::time_point deadline) {
    while (!stop_requested) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now());
        if (left.count() <= 0) return true;
        pollfd fd{wake_pipe[0], POLLIN, 0};
        const int timeout = static_cast<int>(std::min<long long>(left.count() + 1, INT_MAX));
        if (poll(&fd, 1, timeout) > 0) {
            char drain[16];
            while (read(wake_pipe[0], drain, sizeof drain) > 0) {
            }
        }
    }
    return false;
}

std::tm local_now() {
    const std::time_t now = std::time(nullptr);
    std::tm result{};
    localtime_r(&now, &result);
    return result;
}

bool stdout_is_terminal() {
    return isatty(STDOUT_FILENO);
}

std::string own_program_folder() {
    std::error_code ignored;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ignored);
    return ignored ? std::string() : self.parent_path().string();
}

const char* plugin_file_name() {
    return "plinthar.so";
}

}  // namespace lcd
