#include "settings/log.h"

#include <locale.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

#include "settings/config.h"

namespace {

constexpr const char* log_path = "plugins/plinthar.log";

std::atomic<bool> log_enabled{false};
std::mutex log_mutex;  // appends from many threads must not interleave

// "%ls" arguments are converted by the C library through the thread's LC_CTYPE; the host's
// locale is usually "C", where anything beyond ASCII fails. A UTF-8 locale, made current for
// the calling thread only while formatting, writes wide texts as UTF-8.
locale_t utf8_locale() {
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (!made) made = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
        return made;
    }();
    return locale;
}

class thread_locale_scope {
  public:
    explicit thread_locale_scope(locale_t locale)
        : previous_(locale ? uselocale(locale) : static_cast<locale_t>(0)) {}
    ~thread_locale_scope() {
        if (previous_) uselocale(previous_);
    }
    thread_locale_scope(const thread_locale_scope&) = delete;
    thread_locale_scope& operator=(const thread_locale_scope&) = delete;

  private:
    locale_t previous_;
};

// Formats into a buffer that grows to the message's full length.
std::string format_message(const char* format, va_list args) {
    thread_locale_scope scope(utf8_locale());
    char small[512];
    va_list first;
    va_copy(first, args);
    const int length = std::vsnprintf(small, sizeof small, format, first);
    va_end(first);
    // A wide text that cannot be converted fails the whole call; keep the format itself
    // rather than lose the line.
    if (length < 0) return std::string(format) + " (unprintable argument)";
    if (static_cast<size_t>(length) < sizeof small) return std::string(small, length);

    std::string message(static_cast<size_t>(length) + 1, '\0');
    va_list second;
    va_copy(second, args);
    std::vsnprintf(message.data(), message.size(), format, second);
    va_end(second);
    message.resize(static_cast<size_t>(length));
    return message;
}

std::string time_stamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    const size_t length = std::strftime(text, sizeof text, "%m/%d/%y %H:%M:%S", &local);
    return std::string(text, length);
}

}  // namespace

void init_logging() {
    if (config_int(cfg_logging) == 0) return;
    log_enabled = true;
    const char* mode = config_int(cfg_newfile) == 0 ? "a" : "w";
    if (FILE* file = std::fopen(log_path, mode)) std::fclose(file);
    write_log("Init");
}

void write_log(const char* format, ...) {
    if (!log_enabled) return;
    try {
        va_list args;
        va_start(args, format);
        std::string line;
        try {
            line = time_stamp() + ": " + format_message(format, args);
        } catch (...) {
            va_end(args);
            throw;
        }
        va_end(args);
        line += '\n';

        std::lock_guard<std::mutex> lock(log_mutex);
        FILE* file = std::fopen(log_path, "a");
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
