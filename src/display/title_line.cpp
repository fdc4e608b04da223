// The top line: play-state icon, then whatever names what plays, or the welcome text.
#include "display/title_line.h"

#include "display/play_state_icon.h"
#include "player/player_state.h"
#include "settings/config.h"

std::string center_text(const std::string& text, int width) {
    if (width <= 0 || text.size() >= static_cast<size_t>(width)) return text;
    const size_t padding = (static_cast<size_t>(width) - text.size()) / 2;
    return std::string(padding, ' ') + text;
}

std::string build_title_line() {
    std::string line;
    int width = config_int(cfg_lcd_width);
    if (config_int(cfg_disable_icon) == 0) {
        line = play_state_icon() + " ";
        width -= 2;  // the icon's character and the space behind it
    }

    const std::string mode = get_mode();
    if (mode == "movie" || mode == "episode" || mode == "song" || mode == "picture")
        line += get_title();
    else if (mode == "channel")
        line += get_channel_text();
    else if (mode == "volume")
        line += center_text(config_text(cfg_volume_str), width);
    else
        line += center_text(config_text(cfg_welcome), width);
    return line;
}
