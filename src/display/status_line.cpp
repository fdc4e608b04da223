// The second line: progress, item details after a new item, the volume, or the clock.
#include "display/status_line.h"

#include <cstdint>

#include "player/player_state.h"
#include "settings/config.h"

namespace {

std::string volume_line() {
    const std::string volume = std::to_string(get_volume());
    if (config_int(cfg_use_bars) == 1) {
        const auto width = static_cast<uint32_t>(config_int(cfg_lcd_width));
        return "$Bar(" + volume + ",100," + std::to_string(width) + ")";
    }
    return "$Center(" + volume + " / 100)";
}

}  // namespace

std::string get_song_line() {
    std::string details;
    {
        std::lock_guard<std::mutex> lock(state_mutex);
        const int32_t countdown = player_state.info_countdown;
        if (countdown > 6) {
            details = narrow_text(player_state.song_artist);
        } else if (countdown >= 4) {
            details = narrow_text(player_state.song_album);
        } else if (player_state.track_number != 0) {
            details = config_text(cfg_track_str) + std::to_string(player_state.track_number);
        } else {
            // No track number: the album stands in, and the progress follows at once.
            details = narrow_text(player_state.song_album);
            player_state.info_countdown = 0;
        }
    }
    return "$Center(" + details + ")";
}

std::string build_status_line() {
    const std::string mode = get_mode();
    if (mode == "movie") return get_progress_text();
    if (mode == "episode")
        return get_info_countdown() == 1 ? get_episode_text() : get_progress_text();
    if (mode == "channel")
        return get_info_countdown() == 1 ? "$Center(" + get_title() + ")" : get_progress_text();
    if (mode == "song") return get_info_countdown() > 0 ? get_song_line() : get_progress_text();
    if (mode == "volume") return volume_line();
    return std::string("$Center($Time(") + config_text(cfg_time_format) + "))";
}
