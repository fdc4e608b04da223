// The reset timer ends the volume screen and the stop screen. Each stop starts one of its
// own and an earlier one still fires, so several may be pending: all are kept here until
// they have fired (then released by the next start) or are cancelled.
#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "display/idle_timer.h"
#include "player/player_state.h"
#include "settings/config.h"

namespace {

struct reset_entry {
    timer_handle handle;
    bool fired = false;
};

std::mutex reset_timers_mutex;  // guards the fields below and player_state.reset_timer
std::map<uint64_t, reset_entry> reset_timers;
uint64_t next_reset_id = 0;
uint64_t current_reset_id = 0;  // the latest one, which a level change cancels

void run_reset_timer(uint64_t id) {
    try {
        on_reset_timer();
    } catch (...) {
    }
    std::lock_guard<std::mutex> lock(reset_timers_mutex);
    auto found = reset_timers.find(id);
    if (found != reset_timers.end()) found->second.fired = true;
    if (id == current_reset_id) player_state.reset_timer.reset();
}

// Caller holds reset_timers_mutex.
void release_fired_timers() {
    for (auto it = reset_timers.begin(); it != reset_timers.end();) {
        if (it->second.fired) {
            delete_timer(it->second.handle, false);
            it = reset_timers.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

void on_reset_timer() {
    int32_t play_state;
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        if (player_state.play_state == state_stopped) {
            player_state.play_state = state_none;
            player_state.title.clear();
            player_state.mode.clear();
        }
        if (player_state.mode == U("volume")) player_state.mode = player_state.saved_mode;
    }
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        play_state = player_state.play_state;
    }
    if (play_state == state_none) start_inactivity_timer();
}

void start_reset_timer() {
    const int64_t delay_ms = static_cast<int64_t>(config_int(cfg_reset_delay)) * 1000;
    const auto due_ms = static_cast<uint32_t>(std::clamp<int64_t>(delay_ms, 0, UINT32_MAX));
    // Held across the creation, so the callback cannot mark its entry before it exists.
    std::lock_guard<std::mutex> lock(reset_timers_mutex);
    release_fired_timers();
    const uint64_t id = ++next_reset_id;
    timer_handle handle = create_timer(due_ms, 0, [id] { run_reset_timer(id); });
    reset_timers[id].handle = handle;
    current_reset_id = id;
    player_state.reset_timer = handle;
}

void cancel_reset_timer() {
    std::lock_guard<std::mutex> lock(reset_timers_mutex);
    auto found = reset_timers.find(current_reset_id);
    if (found != reset_timers.end()) {
        delete_timer(found->second.handle, false);
        reset_timers.erase(found);
    }
    player_state.reset_timer.reset();
}

void stop_reset_timers() {
    std::vector<timer_handle> handles;
    {
        std::lock_guard<std::mutex> lock(reset_timers_mutex);
        for (auto& entry : reset_timers) handles.push_back(std::move(entry.second.handle));
        reset_timers.clear();
        player_state.reset_timer.reset();
    }
    // Waited for outside the lock: a finishing callback takes it.
    for (const timer_handle& handle : handles) delete_timer(handle, true);
}

size_t reset_timer_count() {
    std::lock_guard<std::mutex> lock(reset_timers_mutex);
    return reset_timers.size();
}

size_t pending_reset_timer_count() {
    std::lock_guard<std::mutex> lock(reset_timers_mutex);
    size_t pending = 0;
    for (const auto& entry : reset_timers) pending += entry.second.fired ? 0 : 1;
    return pending;
}
