#include "task_stats.h"

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace bench {

namespace {

long status_field(const std::string& path, const char* name) {
    std::ifstream status(path);
    std::string line;
    const size_t length = std::strlen(name);
    while (std::getline(status, line))
        if (line.compare(0, length, name) == 0 && line.size() > length && line[length] == ':')
            return std::atol(line.c_str() + length + 1);
    return 0;
}

}  // namespace

int thread_count() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks))
            if (entry->d_name[0] != '.') ++count;
        closedir(tasks);
    }
    return count;
}

long resident_kib() {
    return status_field("/proc/self/status", "VmRSS");
}

std::map<std::string, long> task_wakeups() {
    std::map<std::string, long> switches;
    const std::string self = std::to_string(gettid());
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks)) {
            if (entry->d_name[0] == '.' || self == entry->d_name) continue;
            const std::string path = std::string("/proc/self/task/") + entry->d_name + "/status";
            switches[entry->d_name] = status_field(path, "voluntary_ctxt_switches");
        }
        closedir(tasks);
    }
    return switches;
}

usage read_usage(int who) {
    rusage r{};
    getrusage(who, &r);
    usage u;
    u.cpu_seconds =
        r.ru_utime.tv_sec + r.ru_utime.tv_usec / 1e6 + r.ru_stime.tv_sec + r.ru_stime.tv_usec / 1e6;
    u.wakeups = r.ru_nvcsw;
    u.preemptions = r.ru_nivcsw;
    return u;
}

}  // namespace bench
