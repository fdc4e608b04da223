// The second line: progress, item details after a new item, the volume, or the clock.
#include "display/status_line.h"

#include <cstdint>
#include <string>

#include "host/result_buffer.h"
#include "player/display_mode.h"
#include "player/player_state.h"
#include "settings/config.h"

// The parts below read the player state: the caller holds state_mutex.
namespace {

void append_volume_line(std::string& line) {
    const std::string volume = std::to_string(player_state.volume);
    if (config_int(cfg_use_bars) == 1) {
        const auto width = static_cast<uint32_t>(config_int(cfg_lcd_width));
        line.append("$Bar(").append(volume).append(",100,").append(std::to_string(width));
        line += ')';
    } else {
        line.append("$Center(").append(volume).append(" / 100)");
    }
}

// Artist, album or track by the countdown; without a track number the album stands in,
// and the progress follows at once.
void append_song_line(std::string& line) {
    const int32_t countdown = player_state.info_countdown;
    line += "$Center(";
    if (countdown > 6) {
        append_narrow_text(line, player_state.song_artist);
    } else if (countdown >= 4) {
        append_narrow_text(line, player_state.song_album);
    } else if (player_state.track_number != 0) {
        line.append(config_text(cfg_track_str)).append(std::to_string(player_state.track_number));
    } else {
        append_narrow_text(line, player_state.song_album);
        player_state.info_countdown = 0;
    }
    line += ')';
}

void append_status_line(std::string& line) {
    const int32_t countdown = player_state.info_countdown;
    switch (display_mode_of(player_state.mode)) {
        case display_mode::movie:
            break;
        case display_mode::episode:
            if (countdown == 1) return append_narrow_text(line, player_state.episode_text);
            break;
        case display_mode::channel:
            if (countdown == 1) {
                line.append("$Center(").append(player_state.title);
                line += ')';
                return;
            }
            break;
        case display_mode::song:
            if (countdown > 0) return append_song_line(line);
            break;
        case display_mode::volume:
            return append_volume_line(line);
        case display_mode::picture:
        case display_mode::other:
            line.append("$Center($Time(").append(config_text(cfg_time_format)).append("))");
            return;
    }
    append_narrow_text(line, player_state.progress_text);
}

}  // namespace

std::string get_song_line() {
    std::string line;
    std::lock_guard<std::mutex> lock(state_mutex);
    append_song_line(line);
    return line;
}

std::string build_status_line() {
    std::string line;
    line.reserve(result_buffer_size);  // room for all the host is shown: one allocation
    // One look at the state, so that the mode and the countdown are of the same moment.
    std::lock_guard<std::mutex> lock(state_mutex);
    append_status_line(line);
    return line;
}
