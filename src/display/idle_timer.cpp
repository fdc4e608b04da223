// The inactivity timer: fires idle_timer seconds after the last activity and sets the
// idle timeout play state. Starts and stops run one at a time under inactivity_mutex, so
// at most one such timer exists; the callback takes only state_mutex, so waiting for it
// under inactivity_mutex cannot deadlock.
#include "display/idle_timer.h"

#include <mutex>

#include "platform/timer_queue.h"
#include "player/player_state.h"
#include "settings/config.h"
#include "settings/log.h"

namespace {

std::mutex inactivity_mutex;

// Needs inactivity_mutex held.
void delete_inactivity_timer() {
    if (!player_state.inactivity_timer) return;
    delete_timer(player_state.inactivity_timer, true);
    player_state.inactivity_timer.reset();
    write_log("Idle timer:stop");
}

}  // namespace

void start_inactivity_timer() {
    const int32_t seconds = config_int(cfg_idle_timer);
    if (seconds == 0) return;
    try {
        set_play_state(state_none);
        std::lock_guard<std::mutex> lock(inactivity_mutex);
        delete_inactivity_timer();
        const auto due_ms = static_cast<uint32_t>(static_cast<int64_t>(seconds) * 1000);
        player_state.inactivity_timer = create_timer(due_ms, 0, [] {
            try {
                on_inactivity_timer();
            } catch (...) {
            }
        });
        write_log("Idle timer:start %d", seconds);
    } catch (...) {
        // Without a timer the display simply never reaches the idle timeout.
    }
}

void on_inactivity_timer() {
    set_play_state(state_idle_timeout);
    write_log("Idle timer:fire");
}

void stop_inactivity_timer() {
    try {
        std::lock_guard<std::mutex> lock(inactivity_mutex);
        delete_inactivity_timer();
    } catch (...) {
    }
}

void shutdown_inactivity_timer() {
    stop_inactivity_timer();
}

bool inactivity_timer_is_set() {
    std::lock_guard<std::mutex> lock(inactivity_mutex);
    return static_cast<bool>(player_state.inactivity_timer);
}
