#include "support/test_platform.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

namespace testenv {

namespace {

int count_entries(const char* folder) {
    int count = 0;
    if (DIR* dir = opendir(folder)) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') ++count;
        closedir(dir);
    }
    return count;
}

}  // namespace

void set_environment(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

void unset_environment(const std::string& name) {
    unsetenv(name.c_str());
}

std::string own_executable() {
    char own[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", own, sizeof own);
    return length > 0 ? std::string(own, static_cast<size_t>(length)) : std::string();
}

int thread_count() {
    return count_entries("/proc/self/task");
}

int open_handle_count() {
    return count_entries("/proc/self/fd");
}

bool timer_calls_run_on_own_threads() {
    return true;
}

void start_debug_capture() {
    set_environment("PLINTHAR_DEBUG", "1");
    testing::internal::CaptureStderr();
}

std::string finish_debug_capture() {
    std::string output = testing::internal::GetCapturedStderr();
    unset_environment("PLINTHAR_DEBUG");
    return output;
}

}  // namespace testenv
