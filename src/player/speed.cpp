#include <cstdlib>

#include "player/player_state.h"
#include "settings/config.h"

namespace {

// Back to normal speed: the real title returns. Caller holds state_mutex.
void restore_normal_speed() {
    player_state.play_state = state_playing;
    player_state.title = player_state.saved_title;
    player_state.saved_title.clear();
}

}  // namespace

void set_speed(int32_t speed) {
    std::lock_guard<std::mutex> lock(state_mutex);
    if (speed == 1) {
        restore_normal_speed();
        return;
    }
    const bool forward = speed > 0;
    std::string label = config_text(forward ? cfg_ff_str : cfg_rewind_str);
    // 64-bit, so that the lowest 32-bit speed has an absolute value too.
    const int64_t magnitude = std::llabs(static_cast<int64_t>(speed));
    if (magnitude > 1) label += " " + std::to_string(magnitude) + "X";
    player_state.play_state = forward ? state_fast_forward : state_rewind;
    if (player_state.saved_title.empty()) player_state.saved_title = player_state.title;
    player_state.title = std::move(label);
}

void confirm_normal_speed() {
    std::lock_guard<std::mutex> lock(state_mutex);
    if (player_state.play_state == state_fast_forward || player_state.play_state == state_rewind) {
        restore_normal_speed();
    } else {
        player_state.play_state = state_playing;
    }
}
