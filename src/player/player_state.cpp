#include "player/player_state.h"

player_state_t player_state;
std::mutex state_mutex;

std::string narrow_text(const utility::string_t&) {
    return {};
}
utility::string_t center_wide_text(const utility::string_t& text) {
    return text;
}
void set_title(const utility::string_t&) {}
void set_mode(const utility::string_t&) {}
void set_player_id(int32_t) {}
void set_speed(int32_t) {}
void set_volume(bool, int32_t) {}
void set_progress(int32_t, const utility::string_t&, const utility::string_t&) {}
void set_episode(int32_t, int32_t, const utility::string_t&) {}
void set_channel(int32_t, const utility::string_t&, const utility::string_t&) {}
void set_song(int32_t, const utility::string_t&, const utility::string_t&) {}
std::string get_title() {
    return {};
}
std::string get_mode() {
    return {};
}
std::string get_progress_text() {
    return {};
}
std::string get_episode_text() {
    return {};
}
std::string get_channel_text() {
    return {};
}
int32_t get_volume() {
    return 0;
}
int32_t get_info_countdown() {
    return 0;
}
int32_t get_play_state() {
    return 0;
}
int32_t get_player_id() {
    return 0;
}
bool get_muted() {
    return false;
}
void set_play_state(int32_t) {}
void on_reset_timer() {}
void start_reset_timer() {}
void stop_reset_timers() {}
