// The text exports on the host's thread while a song plays and progress polls land,
// and the time from a play notification to its title on the display.
#include <benchmark/benchmark.h>

#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_stats.h"
#include "bench_table.h"
#include "display/play_state_icon.h"
#include "display/status_line.h"
#include "host/exports.h"
#include "host/result_buffer.h"
#include "kodi_script.h"
#include "player/display_mode.h"
#include "player/player_state.h"
#include "sections.h"

namespace bench {

namespace {

char no_parameter[] = "";

// The floor: what any export that hands over shared state needs at least.
std::mutex floor_mutex;
char floor_source[result_text_limit];
result_buffer floor_target;

void floor_copy() {
    std::lock_guard<std::mutex> lock(floor_mutex);
    std::memcpy(floor_target, floor_source, sizeof floor_source);
    benchmark::ClobberMemory();
}

void nothing() {
    benchmark::ClobberMemory();
}

void call_function1() {
    benchmark::DoNotOptimize(function1(no_parameter, no_parameter));
}
void call_function2() {
    benchmark::DoNotOptimize(function2(no_parameter, no_parameter));
}
void call_function6() {
    benchmark::DoNotOptimize(function6(no_parameter, no_parameter));
}

// function9 after its process check has said yes: the play state read and its text.
result_buffer play_state_text;
void function9_state_part() {
    benchmark::DoNotOptimize(copy_result(play_state_text, std::to_string(get_play_state() + 1)));
}

// The parts the two lines are built from, for the breakdown.
void part_lock() {
    std::lock_guard<std::mutex> lock(state_mutex);
    benchmark::ClobberMemory();
}
void part_mode() {
    std::lock_guard<std::mutex> lock(state_mutex);
    benchmark::DoNotOptimize(display_mode_of(player_state.mode));
}
void part_line() {
    std::string line;
    line.reserve(result_buffer_size);
    benchmark::DoNotOptimize(line.data());
}
void part_icon() {
    benchmark::DoNotOptimize(play_state_icon());
}
void part_song_line() {
    benchmark::DoNotOptimize(get_song_line());
}
std::string title_line_sample;  // the title line while the song plays
result_buffer part_buffer;
void part_copy() {
    benchmark::DoNotOptimize(copy_result(part_buffer, title_line_sample));
}

struct subject {
    const char* name;
    void (*call)();
    std::vector<double> single;   // one call per reading of the clock: for the p99
    std::vector<double> grouped;  // mean of group_size calls per reading: for the median
};

// The clock advances in steps of about 10 ns here, as coarse as the floor itself: medians
// come from groups of calls, tails from single calls.
constexpr int group_size = 16;

void time_single(subject& s, int calls) {
    for (int i = 0; i < calls; ++i) {
        const auto start = clock::now();
        s.call();
        const auto end = clock::now();
        s.single.push_back(static_cast<double>(nanoseconds_between(start, end)));
    }
}

void time_grouped(subject& s, int groups) {
    for (int i = 0; i < groups; ++i) {
        const auto start = clock::now();
        for (int k = 0; k < group_size; ++k) s.call();
        const auto end = clock::now();
        s.grouped.push_back(static_cast<double>(nanoseconds_between(start, end)) / group_size);
    }
}

}  // namespace

void run_display_exports(fake_kodi::server& kodi) {
    const std::string section = "1. Display exports while a song plays (per call, host thread)";
    std::memset(floor_source, 'x', sizeof floor_source);

    kodi.notify("Player.OnPlay", song_play_data());
    // The retrieval sets the title; the first progress poll comes 3 s later.
    const bool playing =
        wait_for([] { return get_title() == "Bench Song" && !get_progress_text().empty(); }, 10);
    if (!playing) {
        add_row({section, "song did not start (no title or progress)", "-", "-", "-", "-", "NO"});
        return;
    }
    title_line_sample = function1(no_parameter, no_parameter);

    std::vector<subject> subjects = {
        {"clock", nothing, {}, {}},
        {"floor", floor_copy, {}, {}},
        {"function1 (title line)", call_function1, {}, {}},
        {"function2 (status line)", call_function2, {}, {}},
        {"function6 (icon)", call_function6, {}, {}},
        {"function9 without its process check", function9_state_part, {}, {}},
        {"state_mutex lock and unlock", part_lock, {}, {}},
        {"display_mode_of under the lock", part_mode, {}, {}},
        {"a line's one allocation", part_line, {}, {}},
        {"copy_result of the title line", part_copy, {}, {}},
        {"play_state_icon (function6)", part_icon, {}, {}},
        {"get_song_line", part_song_line, {}, {}},
    };
    const size_t exports = 6;  // the subjects before the parts
    // Interleaved batches for a few seconds, so that several progress polls land meanwhile
    // and every subject sees the same machine load.
    const double seconds = environment_number("PLINTHAR_BENCH_DISPLAY_SECONDS", 4);
    const auto end = clock::now() + std::chrono::milliseconds(static_cast<int64_t>(seconds * 1e3));
    const int batch = 256;
    // Room for every sample up front: growing a vector between timed calls would evict
    // the subjects' data from the caches.
    const size_t capacity = 600000;
    for (auto& s : subjects) {
        s.single.reserve(capacity);
        s.grouped.reserve(capacity / group_size);
    }
    size_t round = 0;
    while (clock::now() < end && subjects[0].single.size() + batch <= capacity) {
        for (size_t i = 0; i < subjects.size(); ++i) {
            subject& s = subjects[(i + round) % subjects.size()];
            time_single(s, batch);
            time_grouped(s, batch / group_size);
        }
        ++round;
    }

    // The clock's own cost: per single reading, and shared out over a group.
    const double single_overhead = summarize(subjects[0].single).p50;
    const double grouped_overhead = summarize(subjects[0].grouped).p50;
    const double floor_p50 = summarize(subjects[1].grouped).p50 - grouped_overhead;
    const double floor_p99 = summarize(subjects[1].single).p99 - single_overhead;
    for (size_t i = 2; i < exports; ++i) {
        const double p50 = summarize(subjects[i].grouped).p50 - grouped_overhead;
        const double p99 = summarize(subjects[i].single).p99 - single_overhead;
        const bool met = p50 <= 1000 && p50 <= 10 * floor_p50;
        add_row({section, std::string(subjects[i].name) + " median", format_duration(p50),
                 format_duration(floor_p50), format_ratio(p50, floor_p50), "≤ 1 µs and ≤ 10×",
                 met_text(met)});
        add_row({section, std::string(subjects[i].name) + " p99", format_duration(p99),
                 format_duration(floor_p99), format_ratio(p99, floor_p99), "", ""});
    }
    std::string parts;
    for (size_t i = exports; i < subjects.size(); ++i)
        parts += std::string(parts.empty() ? "" : ", ") + subjects[i].name + " " +
                 format_duration(summarize(subjects[i].grouped).p50 - grouped_overhead);
    add_note(
        "Display exports, where the time goes (medians of the parts the lines are built from): " +
        parts + ".");
    add_note(
        "Display exports: floor = one std::mutex lock/unlock plus a 254-byte copy; per "
        "subject " +
        std::to_string(subjects[1].single.size()) + " single timed calls (p99) and " +
        std::to_string(subjects[1].grouped.size()) + " timed groups of " +
        std::to_string(group_size) +
        " calls (median: the clock steps by ~10 ns), "
        "interleaved over " +
        format_number(seconds, 0) + " s; the clock's own cost (" +
        format_duration(single_overhead) + " per reading) is subtracted.");
}

void run_notification_to_display(fake_kodi::server& kodi) {
    const std::string section = "5. Notification to display";
    const int samples = static_cast<int>(environment_number("PLINTHAR_BENCH_PLAYS", 500));
    std::vector<double> latencies;
    int missed = 0;
    for (int i = 0; i < samples; ++i) {
        const std::string title = "Bench Movie " + std::to_string(i);
        const auto data = movie_play_data(title);
        const auto start = clock::now();
        kodi.notify("Player.OnPlay", data);
        const auto deadline = start + std::chrono::seconds(2);
        bool shown = false;
        for (;;) {
            const char* line = function1(no_parameter, no_parameter);
            const size_t length = std::strlen(line);
            if (length >= title.size() &&
                std::memcmp(line + length - title.size(), title.data(), title.size()) == 0) {
                shown = true;
                break;
            }
            if (clock::now() > deadline) break;
            std::this_thread::yield();
        }
        if (!shown) {
            ++missed;
            continue;
        }
        latencies.push_back(static_cast<double>(nanoseconds_between(start, clock::now())));
    }
    kodi.notify("Player.OnStop", web::json::value::object());

    const summary s = summarize(latencies);
    add_row({section, "Player.OnPlay sent → function1 shows the title, p50", format_duration(s.p50),
             "-", "-", "(no target)", ""});
    add_row({section, "Player.OnPlay sent → function1 shows the title, p99", format_duration(s.p99),
             "-", "-", "(no target)", ""});
    add_row({section, "titles shown within 2 s", std::to_string(latencies.size()),
             std::to_string(samples), "-", "every one", met_text(missed == 0)});
    add_note("Notification to display: " + std::to_string(latencies.size()) +
             " titled movie plays, the host thread calling function1 back to back" +
             (missed ? ", " + std::to_string(missed) + " titles never shown within 2 s" : "") +
             ".");
}

}  // namespace bench
