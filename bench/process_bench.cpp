// The Kodi process check against a bare /proc scan, on this machine's processes and with
// 1,000 more sleeping ones.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_stats.h"
#include "bench_table.h"
#include "host/exports.h"
#include "sections.h"
#include "settings/config.h"

namespace bench {

namespace {

char no_parameter[] = "";

// The least any check by image path must do: list /proc, read each exe link, compare its end.
bool bare_scan(const std::string& tail) {
    DIR* proc = opendir("/proc");
    if (!proc) return false;
    const int proc_fd = dirfd(proc);
    char link[sizeof(dirent::d_name) + 8];
    char target[PATH_MAX];
    bool found = false;
    while (const dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        std::snprintf(link, sizeof link, "%s/exe", entry->d_name);
        const ssize_t length = readlinkat(proc_fd, link, target, sizeof target);
        if (length <= 0) continue;
        const size_t size = static_cast<size_t>(length);
        if (size >= tail.size() &&
            std::memcmp(target + size - tail.size(), tail.data(), tail.size()) == 0) {
            found = true;
            break;
        }
    }
    closedir(proc);
    return found;
}

int process_count() {
    int count = 0;
    if (DIR* proc = opendir("/proc")) {
        while (const dirent* entry = readdir(proc))
            if (entry->d_name[0] >= '0' && entry->d_name[0] <= '9') ++count;
        closedir(proc);
    }
    return count;
}

// Sleeping children that die with this process at the latest, and are killed and reaped
// when this goes out of scope.
class sleepers {
  public:
    explicit sleepers(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                prctl(PR_SET_PDEATHSIG, SIGKILL);
                execl("/bin/sleep", "sleep", "300", static_cast<char*>(nullptr));
                _exit(127);
            }
            if (pid < 0) break;
            pids_.push_back(pid);
        }
        // Until exec has happened the children still show this program's image.
        wait_for(
            [this] {
                char link[64];
                char target[PATH_MAX];
                for (pid_t pid : pids_) {
                    std::snprintf(link, sizeof link, "/proc/%d/exe", static_cast<int>(pid));
                    const ssize_t length = readlink(link, target, sizeof target - 1);
                    if (length <= 0) return false;
                    target[length] = '\0';
                    if (!std::strstr(target, "sleep")) return false;
                }
                return true;
            },
            20);
    }
    ~sleepers() {
        for (pid_t pid : pids_) kill(pid, SIGKILL);
        for (pid_t pid : pids_) waitpid(pid, nullptr, 0);
    }
    sleepers(const sleepers&) = delete;
    sleepers& operator=(const sleepers&) = delete;
    size_t size() const { return pids_.size(); }

  private:
    std::vector<pid_t> pids_;
};

struct comparison {
    summary check;
    summary function9;
    summary floor;
    int processes;
};

comparison compare(int rounds) {
    const std::string tail = config_text(cfg_kodiexe);
    std::vector<double> check, function9_total, floor;
    auto timed = [](std::vector<double>& samples, auto&& call) {
        const auto start = clock::now();
        call();
        samples.push_back(static_cast<double>(nanoseconds_between(start, clock::now())));
    };
    const int processes = process_count();
    for (int i = 0; i < rounds; ++i) {
        // Alternate which goes first, so that neither always meets a warmer cache.
        if (i % 2 == 0) {
            timed(check, [] { benchmark::DoNotOptimize(function3(no_parameter, no_parameter)); });
            timed(floor, [&] { benchmark::DoNotOptimize(bare_scan(tail)); });
        } else {
            timed(floor, [&] { benchmark::DoNotOptimize(bare_scan(tail)); });
            timed(check, [] { benchmark::DoNotOptimize(function3(no_parameter, no_parameter)); });
        }
        if (i % 4 == 0)
            timed(function9_total,
                  [] { benchmark::DoNotOptimize(function9(no_parameter, no_parameter)); });
    }
    return {summarize(check), summarize(function9_total), summarize(floor), processes};
}

void report(const std::string& section, const std::string& label, const comparison& c) {
    const bool met = c.check.p50 <= 1.2 * c.floor.p50;
    add_row({section, "function3 / is_kodi_running, " + label + ", median",
             format_duration(c.check.p50), format_duration(c.floor.p50),
             format_ratio(c.check.p50, c.floor.p50), "≤ 1.2×", met_text(met)});
    add_row({section, "function3 / is_kodi_running, " + label + ", p99",
             format_duration(c.check.p99), format_duration(c.floor.p99),
             format_ratio(c.check.p99, c.floor.p99), "", ""});
    add_row({section, "function9 whole (process check + state), " + label + ", median",
             format_duration(c.function9.p50), format_duration(c.floor.p50),
             format_ratio(c.function9.p50, c.floor.p50), "(no target)", ""});
}

}  // namespace

void run_process_check() {
    const std::string section = "2. Process check (full scan: kodiexe matches nothing)";
    const int base_rounds = static_cast<int>(environment_number("PLINTHAR_BENCH_SCANS", 400));
    const comparison base = compare(base_rounds);
    report(section, std::to_string(base.processes) + " processes", base);

    const int extra = static_cast<int>(environment_number("PLINTHAR_BENCH_SLEEPERS", 1000));
    comparison loaded;
    size_t started = 0;
    {
        sleepers children(extra);
        started = children.size();
        loaded = compare(std::max(20, base_rounds / 3));
    }
    report(
        section,
        std::to_string(loaded.processes) + " processes (+" + std::to_string(started) + " sleeping)",
        loaded);
    add_note(
        "Process check: floor = opendir(/proc) + readdir + readlinkat(N/exe) + tail compare, "
        "the calls interleaved one by one; " +
        std::to_string(base.check.count) + " and " + std::to_string(loaded.check.count) +
        " calls each.");
}

}  // namespace bench
