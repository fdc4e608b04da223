// Progress polling. Starting and stopping never wait for a running tick (a stop arrives on
// the receive thread, which alone can deliver the reply such a tick waits for). Instead each
// start and stop raises player_state.progress_generation, and a tick applies what it read only
// while the generation it began under is still current, checked under state_mutex in the
// same critical section as the update. The one timer is kept across restarts and re-armed in
// place; a tick that begins while polling is stopped or paused does nothing.
#include "player/progress_polling.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <optional>

#include "kodi/request.h"
#include "platform/text_encoding.h"
#include "player/json_fields.h"
#include "player/player_state.h"

namespace {

// Serialises starts and stops, so at most one progress timer exists. Never held while
// waiting for a tick, and no tick takes it.
std::mutex progress_timer_mutex;

// Ticks running right now, of the current timer or of replaced ones.
std::mutex running_ticks_mutex;
std::condition_variable running_ticks_done;
int running_ticks = 0;

constexpr auto tick_drain_deadline = std::chrono::milliseconds(reply_timeout_ms + 2000);

struct progress_reading {
    int32_t percentage;
    utility::string_t elapsed;
    utility::string_t total;
};

// No reading when Kodi gave no result; throws on a malformed one.
std::optional<progress_reading> request_progress(int32_t player_id) {
    web::json::value request;
    web::json::value params;
    params[U("properties")] = web::json::value::array({web::json::value::string(U("percentage")),
                                                       web::json::value::string(U("time")),
                                                       web::json::value::string(U("totaltime"))});
    params[U("playerid")] = web::json::value::number(player_id);
    request[U("params")] = std::move(params);
    const web::json::value reply = ws_send_wait(U("Player.GetProperties"), std::move(request));
    const web::json::value& result = member_path(reply, {U("result")});
    if (result.is_null()) return std::nullopt;
    progress_reading reading;
    reading.percentage = read_int32(member_path(result, {U("percentage")}));
    reading.elapsed = format_play_time(member_path(result, {U("time")}));
    reading.total = format_play_time(member_path(result, {U("totaltime")}));
    return reading;
}

uint64_t current_generation() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return player_state.progress_generation;
}

// Caller holds progress_timer_mutex. From here on no tick started before applies anything.
void retire_ticks(bool polling) {
    std::lock_guard<std::mutex> lock(state_mutex);
    ++player_state.progress_generation;
    player_state.progress_polling = polling;
}

// Caller holds progress_timer_mutex. Deletes the timer without waiting for its ticks.
void delete_progress_timer() {
    timer_handle old = std::move(player_state.progress_timer);
    player_state.progress_timer.reset();
    delete_timer(old, false);
}

// One tick of the generation it began under.
void poll_for(uint64_t generation) {
    int32_t player_id;
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        if (player_state.progress_generation != generation) return;  // stopped meanwhile
        player_id = player_state.player_id;
    }
    const std::optional<progress_reading> reading = request_progress(player_id);
    std::optional<utility::string_t> text;
    if (reading) text = build_progress_text(reading->percentage, reading->elapsed, reading->total);
    std::lock_guard<std::mutex> lock(state_mutex);
    if (player_state.progress_generation != generation) return;  // a late answer
    if (text) player_state.progress_text = std::move(*text);
    if (player_state.info_countdown > 0) --player_state.info_countdown;
}

void run_tick(uint64_t generation) {
    {
        std::lock_guard<std::mutex> lock(running_ticks_mutex);
        ++running_ticks;
    }
    try {
        poll_for(generation);
    } catch (...) {
        // A malformed reply ends the tick quietly, without counting down.
    }
    std::lock_guard<std::mutex> lock(running_ticks_mutex);
    if (--running_ticks == 0) running_ticks_done.notify_all();
}

// The timer's callback: a tick while polling is stopped or paused polls nothing.
void timer_tick() {
    uint64_t generation;
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        if (!player_state.progress_polling) return;
        generation = player_state.progress_generation;
    }
    run_tick(generation);
}

}  // namespace

void start_progress_timer(int32_t seconds) {
    const auto due_ms = static_cast<uint32_t>(
        std::clamp<int64_t>(static_cast<int64_t>(seconds) * 1000, 0, UINT32_MAX));
    std::lock_guard<std::mutex> lock(progress_timer_mutex);
    retire_ticks(true);
    if (!change_timer(player_state.progress_timer, due_ms, 1000))
        player_state.progress_timer = create_timer(due_ms, 1000, timer_tick);
}

void pause_progress_polling() {
    std::lock_guard<std::mutex> lock(progress_timer_mutex);
    retire_ticks(false);
}

void stop_progress_timer() {
    std::lock_guard<std::mutex> lock(progress_timer_mutex);
    retire_ticks(false);
    delete_progress_timer();
}

void stop_progress_timer_and_wait() {
    timer_handle current;
    {
        std::lock_guard<std::mutex> lock(progress_timer_mutex);
        current = player_state.progress_timer;
        retire_ticks(false);
        delete_progress_timer();
    }
    delete_timer(current, true);
    std::unique_lock<std::mutex> lock(running_ticks_mutex);
    running_ticks_done.wait_for(lock, tick_drain_deadline, [] { return running_ticks == 0; });
}

bool progress_polling_active() {
    std::lock_guard<std::mutex> lock(progress_timer_mutex);
    return player_state.progress_timer != nullptr;
}

void progress_tick() {
    run_tick(current_generation());
}

void poll_progress(int32_t player_id) {
    const std::optional<progress_reading> reading = request_progress(player_id);
    if (reading) set_progress(reading->percentage, reading->elapsed, reading->total);
}

utility::string_t format_play_time(web::json::value time) {
    std::string text = std::to_string(read_int32(member_path(time, {U("hours")}))) + ":";
    const int32_t minutes = read_int32(member_path(time, {U("minutes")}));
    if (minutes < 10) text += "0";
    text += std::to_string(minutes) + ":";
    const int32_t seconds = read_int32(member_path(time, {U("seconds")}));
    if (seconds < 10) text += "0";
    return ascii_string_t(text + std::to_string(seconds));
}
