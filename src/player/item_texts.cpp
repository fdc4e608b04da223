#include <string>

#include "platform/text_encoding.h"
#include "player/player_state.h"
#include "settings/config.h"

namespace {

// Season and episode numbers: 0 to 9 with a leading zero, larger ones in full. Kodi reports
// an unknown number as -1; such a number is left out together with its letter.
utility::string_t episode_number(utility::char_t letter, int32_t number) {
    if (number < 0) return {};
    utility::string_t text(1, letter);
    if (number < 10) text += U('0');
    return text + ascii_string_t(std::to_string(number));
}

}  // namespace

utility::string_t build_progress_text(int32_t percentage, const utility::string_t& elapsed,
                                      const utility::string_t& total) {
    if (config_int(cfg_use_bars) != 0) {
        return ascii_string_t("$Bar(" + std::to_string(percentage) + ",100," +
                              std::to_string(static_cast<uint32_t>(config_int(cfg_lcd_width))) +
                              ")");
    }
    return center_wide_text(elapsed + U("/") + total);
}

void set_progress(int32_t percentage, const utility::string_t& elapsed,
                  const utility::string_t& total) {
    utility::string_t text = build_progress_text(percentage, elapsed, total);
    std::lock_guard<std::mutex> lock(state_mutex);
    player_state.progress_text = std::move(text);
}

void set_episode(int32_t season, int32_t episode, const utility::string_t& episode_title) {
    utility::string_t numbers = episode_number(U('S'), season) + episode_number(U('E'), episode);
    utility::string_t text = numbers.empty() ? episode_title : numbers + U(": ") + episode_title;
    std::lock_guard<std::mutex> lock(state_mutex);
    player_state.info_countdown = 1;
    player_state.episode_text = std::move(text);
}

void set_channel(int32_t number, const utility::string_t& name, const utility::string_t& title) {
    set_title(title);
    utility::string_t text = to_string_t_lenient(config_text(cfg_channel_str)) +
                             ascii_string_t(std::to_string(number)) + U(" ") + name;
    std::lock_guard<std::mutex> lock(state_mutex);
    player_state.info_countdown = 1;
    player_state.channel_text = std::move(text);
}

void set_song(int32_t track, const utility::string_t& artist, const utility::string_t& album) {
    std::lock_guard<std::mutex> lock(state_mutex);
    player_state.info_countdown = 7;
    player_state.song_artist = artist;
    player_state.song_album = album;
    player_state.track_number = track;
}
