// One user-defined character showing the play state, defined anew at every call: character 7
// from eight glyph rows (top first, 16 the leftmost column), then shown.
#include "display/play_state_icon.h"

#include "player/player_state.h"

const char* play_state_icon_text(bool muted, int32_t play_state) {
    if (muted) return "$CustomChar(7, 8, 13, 10, 15, 11, 26, 12, 8)$Chr(135)";
    switch (play_state) {
        case state_none:
        case state_idle_timeout:
            return " ";
        case state_playing:
            return "$CustomChar(7, 16, 24, 28, 30, 28, 24, 16, 0)$Chr(135)";
        case state_stopped:
            return "$CustomChar(7, 14, 14, 14, 14, 14, 14, 14, 0)$Chr(135)";
        case state_paused:
            return "$CustomChar(7, 27, 27, 27, 27, 27, 27, 27, 0)$Chr(135)";
        case state_fast_forward:
            return "$CustomChar(7, 0, 20, 26, 29, 29, 26, 20, 0)$Chr(135)";
        case state_rewind:
            return "$CustomChar(7, 0, 5, 11, 23, 23, 11, 5, 0)$Chr(135)";
        default:
            return "$CustomChar(7, 63, 0, 0, 0, 0, 0, 0, 63)$Chr(135)";
    }
}

std::string play_state_icon() {
    const char* icon;
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        icon = play_state_icon_text(player_state.muted, player_state.play_state);
    }
    return icon;
}
