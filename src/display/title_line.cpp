// The top line: play-state icon, then whatever names what plays, or the welcome text.
#include "display/title_line.h"

#include <cstdint>
#include <string_view>

#include "display/play_state_icon.h"
#include "host/result_buffer.h"
#include "player/display_mode.h"
#include "player/player_state.h"
#include "settings/config.h"

namespace {

// Pads text in front to centre it in width columns, and appends it to line.
void append_centred(std::string& line, std::string_view text, int64_t width) {
    if (width > 0 && text.size() < static_cast<uint64_t>(width))
        line.append((static_cast<size_t>(width) - text.size()) / 2, ' ');
    line += text;
}

}  // namespace

std::string center_text(const std::string& text, int width) {
    std::string line;
    append_centred(line, text, width);
    return line;
}

std::string build_title_line() {
    const bool with_icon = config_int(cfg_disable_icon) == 0;
    // Centred texts leave room for the icon's character and the space behind it.
    const int64_t width = int64_t{config_int(cfg_lcd_width)} - (with_icon ? 2 : 0);
    std::string line;
    line.reserve(result_buffer_size);  // room for all the host is shown: one allocation
    // One look at the state, so that the icon and the title are of the same moment.
    std::lock_guard<std::mutex> lock(state_mutex);
    if (with_icon) {
        line += play_state_icon_text(player_state.muted, player_state.play_state);
        line += ' ';
    }
    switch (display_mode_of(player_state.mode)) {
        case display_mode::movie:
        case display_mode::episode:
        case display_mode::song:
        case display_mode::picture:
            line += player_state.title;
            break;
        case display_mode::channel:
            append_narrow_text(line, player_state.channel_text);
            break;
        case display_mode::volume:
            append_centred(line, config_text(cfg_volume_str), width);
            break;
        case display_mode::other:
            append_centred(line, config_text(cfg_welcome), width);
            break;
    }
    return line;
}
