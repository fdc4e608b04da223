// The reset timer ends the volume screen and the stop screen reset_delay seconds after the
// latest level change or stop. It is one timer, re-armed in place by each of them, and each
// start records when its screens end: a call of an earlier arming (one already running when
// the timer was re-armed) finds that time not yet come and leaves the newer screen alone.
#include <algorithm>
#include <chrono>
#include <cstdint>

#include "display/idle_timer.h"
#include "player/player_state.h"
#include "settings/config.h"

namespace {

using steady = std::chrono::steady_clock;

std::mutex reset_timer_mutex;  // guards player_state.reset_timer

uint32_t reset_delay_ms() {
    const int64_t delay_ms = static_cast<int64_t>(config_int(cfg_reset_delay)) * 1000;
    return static_cast<uint32_t>(std::clamp<int64_t>(delay_ms, 0, UINT32_MAX));
}

void run_reset_timer() {
    try {
        on_reset_timer();
    } catch (...) {
    }
}

// Re-arms the reset timer, or makes it when there is none and make is set.
void arm_reset_timer(uint32_t due_ms, bool make) {
    std::lock_guard<std::mutex> lock(reset_timer_mutex);
    if (!change_timer(player_state.reset_timer, due_ms, 0) && make)
        player_state.reset_timer = create_timer(due_ms, 0, run_reset_timer);
}

// Under state_mutex: how long the latest start's screens still last.
steady::duration screen_time_left() {
    return std::max(steady::duration::zero(), player_state.reset_screens_end - steady::now());
}

}  // namespace

void on_reset_timer() {
    int32_t play_state;
    steady::duration left;
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        left = screen_time_left();
        if (left == steady::duration::zero()) {
            if (player_state.play_state == state_stopped) {
                player_state.play_state = state_none;
                player_state.title.clear();
                player_state.mode.clear();
            }
            if (player_state.mode == U("volume")) player_state.mode = player_state.saved_mode;
        }
        play_state = player_state.play_state;
    }
    if (left != steady::duration::zero()) {
        // Early, or a later start re-armed the timer meanwhile: a call at the end time ends
        // them. Re-armed only, never made anew: after an unload's stop there is none.
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        arm_reset_timer(static_cast<uint32_t>(std::min<int64_t>(ms, UINT32_MAX)), false);
        return;
    }
    if (play_state == state_none) start_inactivity_timer();
}

void start_reset_timer() {
    const uint32_t due_ms = reset_delay_ms();
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        player_state.reset_screens_end = steady::now() + std::chrono::milliseconds(due_ms);
    }
    arm_reset_timer(due_ms, true);
}

void stop_reset_timers() {
    timer_handle timer;
    {
        std::lock_guard<std::mutex> lock(reset_timer_mutex);
        timer = std::move(player_state.reset_timer);
        player_state.reset_timer.reset();
    }
    // Waited for outside the lock: a finishing callback takes it.
    delete_timer(timer, true);
}

bool reset_timer_pending() {
    std::lock_guard<std::mutex> lock(state_mutex);
    return screen_time_left() != steady::duration::zero();
}
