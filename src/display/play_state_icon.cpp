// One user-defined character showing the play state; defined anew at every call.
#include "display/play_state_icon.h"

#include "player/player_state.h"

namespace {

constexpr int32_t muted_key = 6;

// Eight glyph rows, top first; 16 is the leftmost column.
const char* glyph_rows(int32_t key) {
    switch (key) {
        case state_playing:
            return ", 16, 24, 28, 30, 28, 24, 16, 0";
        case state_stopped:
            return ", 14, 14, 14, 14, 14, 14, 14, 0";
        case state_paused:
            return ", 27, 27, 27, 27, 27, 27, 27, 0";
        case state_fast_forward:
            return ", 0, 20, 26, 29, 29, 26, 20, 0";
        case state_rewind:
            return ", 0, 5, 11, 23, 23, 11, 5, 0";
        case muted_key:
            return ", 8, 13, 10, 15, 11, 26, 12, 8";
        default:
            return ", 63, 0, 0, 0, 0, 0, 0, 63";
    }
}

}  // namespace

std::string play_state_icon() {
    int32_t key;
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        key = player_state.muted ? muted_key : player_state.play_state;
    }
    if (key == state_none || key == state_idle_timeout) return " ";
    return std::string("$CustomChar(7") + glyph_rows(key) + ")$Chr(135)";
}
