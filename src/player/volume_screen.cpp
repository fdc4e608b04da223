#include "player/player_state.h"

void set_volume(bool muted, int32_t level) {
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        player_state.volume = level;
        if (muted != player_state.muted) {
            // A mute or unmute shows only as the muted icon, not as the volume screen.
            player_state.muted = muted;
            return;
        }
        if (player_state.mode != U("volume")) player_state.saved_mode = player_state.mode;
    }
    // Restarted in place, without waiting for a call of it that may be running (this runs
    // on the receive thread, which must not stall), and before the screen begins, so that
    // such a call cannot end it.
    start_reset_timer();
    set_mode(U("volume"));
}
