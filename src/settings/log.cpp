#include "settings/log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

#include "platform/host_files.h"
#include "platform/local_time.h"
#include "settings/config.h"
#include "settings/log_format.h"

namespace {

std::atomic<bool> log_enabled{false};
std::mutex log_mutex;  // appends from many threads must not interleave

std::string time_stamp() {
    std::tm local{};
    if (!local_time(std::time(nullptr), local)) return std::string();
    char text[32];
    const size_t length = std::strftime(text, sizeof text, "%m/%d/%y %H:%M:%S", &local);
    return std::string(text, length);
}

}  // namespace

void init_logging() {
    if (config_int(cfg_logging) == 0) return;
    log_enabled = true;
    const char* mode = config_int(cfg_newfile) == 0 ? "a" : "w";
    if (FILE* file = std::fopen(log_file_path, mode)) std::fclose(file);
    write_log("Init");
}

void write_log(const char* format, ...) {
    if (!log_enabled) return;
    try {
        va_list args;
        va_start(args, format);
        std::string line;
        try {
            line = time_stamp() + ": " + format_log_message(format, args);
        } catch (...) {
            va_end(args);
            throw;
        }
        va_end(args);
        line += '\n';

        std::lock_guard<std::mutex> lock(log_mutex);
        FILE* file = std::fopen(log_file_path, "a");
        if (!file) return;
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    } catch (...) {
        // Logging never disturbs its caller; the line is lost.
    }
}

bool logging_enabled() {
    return log_enabled;
}
