// Notifications through the intake into the player state, against parsing them alone.
// Google Benchmark runs the two with repetitions in random interleaving.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench_stats.h"
#include "bench_table.h"
#include "kodi/intake.h"
#include "kodi_script.h"
#include "platform/timer_queue.h"
#include "sections.h"
#include "settings/config.h"
#include "settings/log.h"

namespace bench {

namespace {

// Volume level changes and titled movie plays, alternating, as Kodi sends them.
std::vector<std::string> make_messages() {
    std::vector<std::string> messages;
    for (int i = 0; i < 64; ++i) {
        if (i % 2 == 0)
            messages.push_back(
                fake_kodi::notification_text("Application.OnVolumeChanged", volume_data(30 + i)));
        else
            messages.push_back(fake_kodi::notification_text(
                "Player.OnPlay", movie_play_data("Bench Movie " + std::to_string(i))));
    }
    return messages;
}

const std::vector<std::string>& messages() {
    static const std::vector<std::string> all = make_messages();
    return all;
}

// Every other message: 0 gives the volume changes, 1 the plays.
std::vector<std::string> every_other(size_t first) {
    std::vector<std::string> some;
    for (size_t i = first; i < messages().size(); i += 2) some.push_back(messages()[i]);
    return some;
}

const std::vector<std::string>& volume_messages() {
    static const std::vector<std::string> some = every_other(0);
    return some;
}

const std::vector<std::string>& play_messages() {
    static const std::vector<std::string> some = every_other(1);
    return some;
}

void intake_of(benchmark::State& state, const std::vector<std::string>& all) {
    size_t next = 0;
    for (auto _ : state) {
        handle_message_text(all[next]);
        next = (next + 1) % all.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void intake(benchmark::State& state) {
    intake_of(state, messages());
}
void intake_volume(benchmark::State& state) {
    intake_of(state, volume_messages());
}
void intake_play(benchmark::State& state) {
    intake_of(state, play_messages());
}

void parse_of(benchmark::State& state, const std::vector<std::string>& all) {
    size_t next = 0;
    for (auto _ : state) {
        auto parsed = web::json::value::parse(utility::conversions::to_string_t(all[next]));
        benchmark::DoNotOptimize(parsed);
        next = (next + 1) % all.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void parse_only(benchmark::State& state) {
    parse_of(state, messages());
}
void parse_volume(benchmark::State& state) {
    parse_of(state, volume_messages());
}
void parse_play(benchmark::State& state) {
    parse_of(state, play_messages());
}

// What a volume change or a play did to its timer before timers were re-armed in place:
// cancel the pending one, start a new one. Between two restarts the timer queue's threads
// fall asleep, as they do between notifications.
void timer_restart(benchmark::State& state) {
    timer_handle timer;
    for (auto _ : state) {
        delete_timer(timer, false);
        timer = create_timer(3000, 0, [] {});
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        state.ResumeTiming();
    }
    delete_timer(timer, true);
    state.SetItemsProcessed(state.iterations());
}

// What they do now: re-arm the one timer in place.
void timer_rearm(benchmark::State& state) {
    const timer_handle timer = create_timer(3000, 0, [] {});
    for (auto _ : state) {
        change_timer(timer, 3000, 0);
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        state.ResumeTiming();
    }
    delete_timer(timer, true);
    state.SetItemsProcessed(state.iterations());
}

// Keeps the rate of every repetition, by benchmark name.
class collecting_reporter : public benchmark::BenchmarkReporter {
  public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const double seconds = run.real_accumulated_time;
            if (seconds > 0) rates[run.run_name.function_name].push_back(run.iterations / seconds);
        }
    }
    std::map<std::string, std::vector<double>> rates;
};

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// With iterations above 0, each repetition makes that many instead of running min_time:
// for subjects that sleep between timed steps.
void measure(const std::string& subject_name, void (*subject)(benchmark::State&),
             const std::string& floor_name, void (*floor)(benchmark::State&), int repetitions,
             double min_time, double& subject_rate, double& floor_rate, int iterations = 0) {
    for (auto* registered : {benchmark::RegisterBenchmark(subject_name.c_str(), subject),
                             benchmark::RegisterBenchmark(floor_name.c_str(), floor)}) {
        registered->Repetitions(repetitions)->UseRealTime();
        if (iterations > 0) {
            registered->Iterations(iterations);
        } else {
            registered->MinTime(min_time);
        }
    }
    collecting_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter, "^(" + subject_name + "|" + floor_name + ")(/|$)");
    subject_rate = median(reporter.rates[subject_name]);
    floor_rate = median(reporter.rates[floor_name]);
}

}  // namespace

void run_intake() {
    const std::string section = "4. Intake (handle_message_text → player state)";
    const int repetitions = static_cast<int>(environment_number("PLINTHAR_BENCH_REPETITIONS", 9));
    const double min_time = environment_number("PLINTHAR_BENCH_MIN_TIME", 0.2);

    double off = 0, off_floor = 0;
    measure("intake_logging_off", intake, "parse_only_a", parse_only, repetitions, min_time, off,
            off_floor);
    add_row({section, "notifications/s, logging off", format_rate(off), format_rate(off_floor),
             format_ratio(off, off_floor), "≥ 0.7× parse-only",
             met_text(off_floor > 0 && off >= 0.7 * off_floor)});
    // Where the time goes: each kind of message alone, beside parsing that kind alone.
    double volume = 0, volume_floor = 0, play = 0, play_floor = 0;
    measure("intake_volume_only", intake_volume, "parse_volume_only", parse_volume, repetitions,
            min_time, volume, volume_floor);
    add_row({section, "  volume level changes alone, logging off", format_rate(volume),
             format_rate(volume_floor), format_ratio(volume, volume_floor), "≥ 0.7× parse-only",
             met_text(volume_floor > 0 && volume >= 0.7 * volume_floor)});
    measure("intake_play_only", intake_play, "parse_play_only", parse_play, repetitions, min_time,
            play, play_floor);
    add_row({section, "  titled movie plays alone, logging off", format_rate(play),
             format_rate(play_floor), format_ratio(play, play_floor), "≥ 0.7× parse-only",
             met_text(play_floor > 0 && play >= 0.7 * play_floor)});
    double restart = 0, rearm = 0;
    measure("timer_restart", timer_restart, "timer_rearm", timer_rearm, repetitions, min_time,
            restart, rearm, 2000);
    const double parse_ns = off_floor > 0 ? 1e9 / off_floor : 0;
    const double restart_ns = restart > 0 ? 1e9 / restart : 0;
    const double rearm_ns = rearm > 0 ? 1e9 / rearm : 0;
    add_row({section, "one timer re-arm in place (change_timer)", format_duration(rearm_ns),
             format_duration(parse_ns) + " parsing one message", format_ratio(rearm_ns, parse_ns),
             "(where the time goes)", ""});
    add_row({section, "  one timer restart (delete_timer + create_timer)",
             format_duration(restart_ns), format_duration(parse_ns) + " parsing one message",
             format_ratio(restart_ns, parse_ns), "(what it replaced)", ""});
    add_note(
        "Intake, where the time goes: a volume level change re-arms the reset timer in place "
        "and a titled play the progress timer (change_timer: a few instructions under the "
        "queue's lock; it wakes no thread unless the timer now comes due before every other).");
    if (environment_number("PLINTHAR_BENCH_INTAKE_LOGGING", 1) == 0) return;

    // The log, once on, stays on for the rest of the process.
    config_items[cfg_logging].int_value = 1;
    config_items[cfg_newfile].int_value = 1;
    init_logging();
    double on = 0, on_floor = 0;
    measure("intake_logging_on", intake, "parse_only_b", parse_only, repetitions, min_time, on,
            on_floor);
    add_row({section, "notifications/s, logging on", format_rate(on), format_rate(on_floor),
             format_ratio(on, on_floor), "(no target)", ""});
    add_note("Intake: " + std::to_string(messages().size()) +
             " messages alternating Application.OnVolumeChanged (a level change: volume screen "
             "and reset timer re-armed) and titled movie Player.OnPlay (progress timer "
             "re-armed); median of " +
             std::to_string(repetitions) +
             " repetitions, randomly interleaved with parse-only (web::json::value::parse of "
             "the same texts).");
}

}  // namespace bench
